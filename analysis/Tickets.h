#pragma once
// Decides each race's marks and tickets. A horse is marked "A", "B", "C" (or "E") by how its predicted win odds
// and its real win odds stand to each other; the "A" horses are ranked, and how many horses carry each mark
// decides what to play: up to six quinella / wide tickets, an axis horse, and a short note when a race is better
// left alone.
#include <string>

#include "racedata/DayModel.h"

namespace corvina::analysis {

// The four notes, CP932.
const std::string& NoteSkip();         // "見送り"
const std::string& NoteSkipAsRule();   // "原則見送り"
const std::string& NoteErasedAxis();   // "消された軸馬"
const std::string& NotePreSaleOdds();  // "前売りオッズ"

// Ticket text of horses x and y: the lower number first, each "%2d", joined by "-".
std::string TicketLabel(int x, int y);

// Returns true for the venue codes the local option treats as local ("01" .. "04", "10").
bool IsLocalVenue(std::string_view venueCode);

// One race (it must have HasData, YozMatched and Odds1Present; the caller checks). `localOption` is the
// checked state of the local-option menu item. The slot's RaceCalc must be as the day load left it: the marks
// are only set and the mark counts only incremented, so a second run on the same RaceCalc would count twice.
void PredictRace(DayModel& day, int slot, bool localOption);

// Every race of the loaded day that has a matched prediction and a first odds snapshot, in slot order, on a
// RaceCalc that the day load zeroed and ComputePairOdds filled.
void PredictDay(DayModel& day, bool localOption);

}  // namespace corvina::analysis
