#pragma once
// Prints the race pages, one A4 portrait page per race of the loaded day, so that the user has on paper what the
// screen showed: the race card, both odds snapshots, the predicted values, the marks, the tickets with their hit
// notes and the results. The texts are plain functions of the race records (CP932 bytes, like the records), so
// tests check them without a printer; the page is laid out from tables of positions in 0.1 mm.
#include <array>
#include <string>
#include <string_view>

#include "racedata/DayModel.h"

namespace corvina {

class PrintPreview;

namespace pages {

int RaceNumber(const RaceInfo& info);                // RaceKey 15-16
std::string RacecourseText(const RaceInfo& info);    // class name of the racecourse, 6 bytes
std::string DateLineText(const RaceInfo& info);      // "2024年 1月 6日中山 1回 1日"
std::string PostTimeLineText(const RaceInfo& info);  // "15時25分発走"
int TableRows(const RaceInfo& info);                 // the entry count, 0..18
std::string HeadCountText(const RaceInfo& info);     // "%2d頭"
// The weight rule and the track are WeightRuleText and TrackText of racedata/RacingTexts.h, as on the race card.
// Class and distance differ from the card's on purpose, so that printed pages keep a look of their own:
// a blank class code prints the five ideographic spaces of "000", a distance of zeros "   0m"; only a blank
// distance field prints nothing. The card leaves its label empty for all three.
std::string PrintedClassText(std::string_view code);
std::string PrintedDistanceText(std::string_view distance);  // "%4dm", empty for a blank field
std::string OddsTimeText(std::string_view announce);         // "　hh:mm" or "　NoData"
// Sex and age of horse index h; the age counts from the race's year, so a past day prints the ages it had.
std::string SexAgeText(const RaceInfo& info, int h);
std::string WeightCarriedText(std::string_view futan);  // "55.0kg", empty when blank

// The notes beside the tickets and the axis horse, and the quinella odds of each ticket; [1..kTicketPlaces].
struct HitNotes {
  PerTicket<std::string> quinella, wide, odds;
  std::string win, place;
};
HitNotes MakeHitNotes(const RaceInfo& info, const RaceCalc& calc);

// Lays out the pages of race slots 0..races-1 into `preview` (BeginDoc .. EndDoc). `localOption` is the tick of
// the local option menu item. Raises PreviewPrinterError without a printer, before anything is recorded.
void DrawRacePages(PrintPreview& preview, const DayModel& day, int races, bool localOption);

}  // namespace pages
}  // namespace corvina
