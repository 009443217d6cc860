#pragma once
// The texts and colours of the race view, computed from the per-race records without any window, so every
// rule of the display can be checked on its own. Texts are CP932 bytes like the records they come from.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "racedata/DayModel.h"

namespace corvina::view {

// An RGB colour; the window turns it into its own colour type.
struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kBlue{0, 0, 255};
inline constexpr Rgb kGreen{0, 128, 0};
inline constexpr Rgb kGrey{128, 128, 128};
inline constexpr Rgb kMagenta{255, 0, 255};
inline constexpr Rgb kLightBlue{140, 198, 255};

// The number of runner rows of a race: the entry count, never more than the 18 horses a race holds.
int RunnerRows(const RaceInfo& info);

// Race header labels.
std::string GradeText(std::string_view gradeCode);
std::string CourseText(const RaceInfo& info);      // class name of the racecourse
int RaceNumberOf(const RaceInfo& info);            // RaceKey 15-16
std::string DateHeaderText(const RaceInfo& info);  // "2024年 1月 6日中山 1回 1日"
// The race's weight rule, class, track and distance: WeightRuleText, ClassText, TrackText and DistanceText of
// racedata/RacingTexts.h, which the printed race page shares.
std::string PostTimeText(std::string_view hhmm);
struct ColouredText {
  std::string text;
  Rgb colour;
};
ColouredText EntryCountText(int runners, int rankedCount);
ColouredText AnnounceText(std::string_view hhmm);
std::string AxisOrLocalText(bool over8Runners);  // "馬連" / "枠連"

// The 36 payout entries of the results tab, in the order win 3, place 5, bracket quinella 3, quinella 3,
// wide 7, exacta 6, trio 3, trifecta 6; each empty when the entry has no payout.
struct PayoutTexts {
  std::string comb, pop, pay;
};
inline constexpr int kPayoutEntries = 36;
std::array<PayoutTexts, kPayoutEntries> PayoutEntries(const RaceInfo& info);

// One row of a pair-odds ranking: pairs with odds above 0 by ascending odds (to 3 decimals), equal odds by
// label. Each row carries its pair index, so a number of any width never shifts the label.
struct RankRow {
  std::string rank;   // "%3d"
  std::string label;  // CombLabel
  std::string odds;   // "%7.1f"
  int index = 0;      // UmarenIndex
};
std::vector<RankRow> PairRanking(const OneBased<double, 153>& odds);
// "%7.1f" of a pair's odds, or empty when not above 0.
std::string PairOddsText(double odds);

// Tickets, with the hit colour of their label: none, magenta (wide hit) or red (quinella or bracket hit).
struct TicketTexts {
  std::string number, label, odds;
  bool shown = false;
  bool hit = false;
  Rgb hitColour;
};
std::array<TicketTexts, kTicketPlaces> TicketRows(const RaceInfo& info, const RaceCalc& calc);
// The axis horse: its number, its odds text and the background of the odds label.
struct AxisTexts {
  std::string number, odds;
  Rgb background = kLightBlue;
};
AxisTexts AxisHorseTexts(const RaceInfo& info, const RaceCalc& calc);

// The race card's columns, in the grid's order: the runner, the prediction, the first and the latest odds
// snapshot (odds, rank, marks), the lost-"A" axis mark and the results.
enum class CardColumn {
  Frame,
  HorseNumber,
  HorseName,
  Jockey,
  Trainer,
  PredWinOdds,
  PredRank,
  WinOdds1,
  Rank1,
  MarkAB1,
  MarkC1,
  WinOdds2,
  Rank2,
  MarkAB2,
  MarkC2,
  LostA,
  Finish,
  Popularity,
  FinalOdds,
};
inline constexpr int kCardColumns = 19;

// The columns of the mean pair odds grid (its tab reads "三連複考察", trio study): the runner, the predicted and the
// real mean pair odds with their ranks, and the current "A"/"B", "X" and "E" marks.
enum class MeanPairOddsColumn {
  Frame,
  HorseNumber,
  HorseName,
  PredAvgOdds,
  PredAvgRank,
  AvgOdds,
  AvgRank,
  MarkAB,
  MarkX,
  MarkE
};
inline constexpr int kMeanPairOddsColumns = 10;

// A column's index in its grid.
constexpr int Col(CardColumn column) { return static_cast<int>(column); }
constexpr int Col(MeanPairOddsColumn column) { return static_cast<int>(column); }

// Cell texts of the race card and of the mean pair odds grid for horse index i, one per column.
std::vector<std::string> CardRow(const RaceInfo& info, const RaceCalc& calc, int i);
std::vector<std::string> MeanPairOddsRow(const RaceInfo& info, const RaceCalc& calc, int i);
std::string PredOddsHeader(const RaceInfo& info);  // "前売配当" / "予想配当"

// The horse index 0..17 that a grid row's horse-number text names, or -1 when it names none.
int HorseIndexOf(std::string_view horseNumberText);

// Orders race-card rows: by horse number ascending, or by horse name descending in byte order; rows with equal sort
// text keep horse-number order. Both orders compare CP932 bytes.
enum class CardOrder { None, ByNumber, ByNameDescending };
void SortCardRows(std::vector<std::vector<std::string>>& rows, CardOrder order);

// Second-line text pieces of the horse-name cell: sex and age, and the weight carried ("55.0kg", empty when
// blank).
std::string SexAgeText(const RaceInfo& info, const RaceTable& table, int slot, int h);
std::string FutanText(std::string_view futan);

}  // namespace corvina::view
