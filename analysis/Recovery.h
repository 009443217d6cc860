#pragma once
// Works out what the day's tickets would have returned, per bet type (win, place, quinella, wide): tickets bought,
// hits, the stake at 100 yen a ticket, the money paid back and the return rate, for all venues of the day and for
// each of up to three venues. The yearly summary files (.ksr) add up the days, so a user sees how the tickets do
// over a season, not only on one day.
#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/LineFile.h"
#include "racedata/DayModel.h"

namespace corvina::analysis {

enum class BetType { Win = 0, Place = 1, Quinella = 2, Wide = 3 };
inline constexpr std::array<BetType, 4> kBetTypes{BetType::Win, BetType::Place, BetType::Quinella, BetType::Wide};

// Scopes: 0 all venues, 1..3 the venues V1..V3.
inline constexpr int kScopes = kStatScopes;

// Where a bet type's counters (StatCounter) sit in GStats for a scope, and its return-rate text in GRateStr.
int TicketsIndex(BetType type, int scope);
int HitsIndex(BetType type, int scope);
int PayIndex(BetType type, int scope);
int RateIndex(BetType type, int scope);

// Format("%6.1f", paySum / tickets) + "%", or 7 blanks when there are no tickets.
std::string RateText(long long paySum, int tickets);

// The distinct venue codes of the races with HasData = 1, ascending; at most the first three are scopes.
std::vector<std::string> DayVenues(const DayModel& day);

// Which bet types a race's payouts list a result for: the flags ResU (quinella, or in a race of 8 runners or
// fewer the bracket quinella), ResW (wide), ResT (win) and ResF (place).
struct ResultFlags {
  bool quinella = false, wide = false, win = false, place = false;
};
// What a payout combination that lists no result reads: blank (the statistics), or blank or " 0- 0" (the hit
// window, as PresentComb). Decoding leaves an entry without numbers blank, so the two agree on every day read
// from the day files; they part only on a " 0- 0" written by hand.
enum class EmptyComb { Blank, BlankOrZeroPair };
ResultFlags ResultsListed(const RaceInfo& info, const RaceCalc& calc, EmptyComb empty);

// Result flags (by EmptyComb::Blank), GStats and GRateStr of the loaded day. Clears both tables first.
void ComputeStatistics(DayModel& day);

// The 12-byte labels of the venue lines (CP932): the first 4 bytes of the venue's class name, meeting, "回",
// day, "日"; 12 blanks where the day has fewer venues. Element 0 is unused.
std::array<std::string, kScopes> VenueLabels(const DayModel& day);

// Bet-type word of the summary file's name, UTF-8 ("単勝", "複勝", "馬連", "ﾜｲﾄﾞ").
const char* BetWordUtf8(BetType type);
// Summary file of a bet type for the year of `dayName` (the 14-byte CP932 DayName): AppDir/"2024年ﾜｲﾄﾞ.ksr".
std::filesystem::path SummaryPath(const std::filesystem::path& appDir, const std::string& dayName, BetType type);
// Returns true for the name of a summary file of any year and bet type ("2024年ﾜｲﾄﾞ.ksr"), UTF-8.
bool IsSummaryFileName(std::string_view utf8Name);

// One line of a summary file (CP932, 53 bytes when nothing overflows): date (DayName bytes 7-14), the 12-byte
// label, "%3d点" tickets, "%3d点" hits, "%5d円" stake, "%7d円" payout and the rate text.
std::string SummaryLine(const std::string& dayName, const std::string& label, const DayModel& day, BetType type,
                        int scope);
// The 12-byte label of the all-venue line: "全場" and 8 blanks.
const std::string& AllVenueLabel();

// Replaces the loaded day's lines in `lines` (a summary file's lines, kept sorted, duplicates dropped) with the
// new all-venue and venue lines of `type`.
void MergeSummary(Lines& lines, const DayModel& day, const std::string& dayName,
                  const std::array<std::string, kScopes>& labels, BetType type);

// The marker file whose presence allows writing the summary files.
std::filesystem::path SummaryMarkerPath(const std::filesystem::path& appDir);

struct StatisticsResult {
  std::vector<std::filesystem::path> written;  // summary files saved
  std::vector<std::string> errors;             // files that could not be read or saved (UTF-8 text)
};

// The whole step as the day load runs it: statistics, then the four summary files merged and, when the
// marker file exists in day.AppDir, saved, each read and renamed under the folder's save lock so that another
// process summing another day at once keeps its lines too. `dayName` is the loaded day's CP932 DayName; when it
// is blank nothing happens.
StatisticsResult ComputeRecoveryStatistics(DayModel& day, const std::string& dayName);

}  // namespace corvina::analysis
