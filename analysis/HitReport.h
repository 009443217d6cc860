#pragma once
// Writes the loaded day's quinella and wide hits as HTML fragments the user pastes into a web page: one file for
// the day (AppDir/HPupload/TK<yyyymmdd>.txt) and a collection of all days (AppDir/HPupload/Manbaken.txt), kept
// sorted and without a line twice, so that writing the same day again adds nothing. CP932 with CR LF.
//
// Hits are judged from the day model (tickets 1..6 against the wide and quinella payouts of every race), not
// from what the race view happens to show: a race the view refuses to show (no runner data) would otherwise
// hand the previous race's hits to it.
#include <filesystem>
#include <string>
#include <vector>

#include "platform/LineFile.h"
#include "racedata/DayModel.h"

namespace corvina::analysis {

// All ("的中") reports every hit; Longshot ("穴的中") only the well-paying ones.
enum class HitReportKind { All, Longshot };

// A hit is reported when its pay (yen per 100 yen) is greater than `threshold`; pays from `split` on are shown
// in red with lis1.gif, the lower ones in blue with lis2.gif.
struct PayClass {
  int threshold;
  int split;
};
PayClass WidePayClass(HitReportKind kind);
PayClass QuinellaPayClass(HitReportKind kind);

// One reported hit: the race slot, the bet, the ticket's CombLabel and its pay.
struct ReportHit {
  int slot = 0;
  bool wide = false;  // false: quinella
  std::string ticket;
  int pay = 0;
};

// The hits to report, in race-list order, per race tickets 1..6 and per ticket the wide entries 1..7 and then
// the quinella entries 1..3. A race without runner data has none.
std::vector<ReportHit> FindReportHits(const DayModel& day, HitReportKind kind);

// First line of the day file and first line of a new collection.
const std::string& HitHeaderLine();
const std::string& CollectionFirstLine();
// Line of the day file: image + font + venue + race number + bet label + ticket + "/配当 %7d円" + "　" + the
// RA record's 12 bytes at 593 + "</font>".
std::string HitDayLine(const DayModel& day, const ReportHit& hit, HitReportKind kind);
// Line of the collection: a 25-byte key (year, month and day, venue, race number, bet label), the ticket and
// "/配当 %7d円".
std::string HitCollectionLine(const DayModel& day, const ReportHit& hit);

std::filesystem::path HPuploadDir(const std::filesystem::path& appDir);
std::filesystem::path HitCollectionPath(const std::filesystem::path& appDir);
// "TK" + year + month and day of the day's first race (slot 0) + ".txt"; empty when slot 0 has no date.
std::filesystem::path HitDayPath(const DayModel& day);
// Returns true for the name of a file the report writes in HPupload: a day file "TK<yyyymmdd>.txt" or the collection.
bool IsHitReportFileName(std::string_view name);

struct HitReportResult {
  bool written = false;             // the day had at least two hits and the day file was saved
  Lines hitList;                    // the header and one line per hit
  std::filesystem::path dayFile;    // the saved day file (when written)
  std::vector<std::string> errors;  // files that could not be read or saved (UTF-8 text)
};

// Builds the report of the loaded day in day.AppDir. With at least two hits: creates HPupload, saves the day
// file and merges the day's lines into Manbaken.txt. A collection that exists but cannot be read is left
// untouched (and reported) rather than replaced by this day's lines; the merge reads and renames under the
// folder's save lock, so another process's report made at once keeps its lines too. The caller opens the day file, puts
// JoinLinesCrLf(hitList) on the clipboard and leaves the view on the day's last race.
HitReportResult BuildHitReport(const DayModel& day, HitReportKind kind);

}  // namespace corvina::analysis
