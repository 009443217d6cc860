#pragma once
// The per-race records of the loaded day: resetting them before a load, filling them from the race table, and
// the odds schedule (the two times per race at which odds are fetched automatically).
#include <string_view>

#include "racedata/DayModel.h"

namespace corvina {

// Resets Races and Calcs of all 36 slots to zero and empty, so a load starts from nothing.
// The usable-slot flag and the counts the load sets itself are reset too, so a load that stops early never
// leaves a slot of the previous day marked usable.
void ResetRecords(DayModel& day);

// Fills Races of all 36 slots from the race table and computes the odds schedule: card fields, runners, both
// odds snapshots and the predicted win odds.
void FillRecords(DayModel& day);

// The odds schedule of slot i from the post times already in Races (slots below i already scheduled).
void ComputeOddsSchedule(DayModel& day, int slot);

// Win odds of an O1 field in tenths: decimal odds; -1 for "----", "****" or a field that is not a number,
// -2 for a blank field.
double WinOddsValue(std::string_view field);

// Predicted win odds of a .yoz field (plain decimal): the value, or -1 for a blank or non-numeric field.
double PredOddsValue(std::string_view field);

}  // namespace corvina
