// Pair odds, averages, their ranks and the mark "X".
#include <gtest/gtest.h>

#include "analysis/PairOdds.h"
#include "EngineFixtures.h"
#include "racedata/KeibaFunc.h"

namespace corvina::analysis {
namespace {

using corvina::testing::AddRace;
using corvina::testing::NewDay;
using corvina::testing::Put;
using corvina::testing::YozRecWithLetter;

int Pair(int a, int b) { return UmarenStrToIndex(FormatInt(a, 2) + "-" + FormatInt(b, 2)); }

void SetO2(DayModel& day, int slot, int a, int b, const std::string& text) {
  Put(day.Table.GO2Tbl[slot], layout::o2::UmarenOdds(Pair(a, b)), text);
}
void SetYoz(DayModel& day, int slot, int a, int b, const std::string& text) {
  Put(day.Table.GYozTbl[slot], layout::yoz::Umaren(Pair(a, b)), text);
}
void SetBracket(DayModel& day, int slot, int a, int b, const std::string& text) {
  Put(day.Table.GO1Tbl2[slot], layout::o1::WakurenOdds(WakurenStrToIndex(FormatInt(a, 2) + "-" + FormatInt(b, 2))), text);
}

TEST(PairOdds, ThreeRunnerDayWithSourceKCapsAndRanks) {
  auto day = NewDay();
  day->GFrom2005 = true;
  day->GYozRec = YozRecWithLetter('K');
  AddRace(*day, 0, 3);
  SetO2(*day, 0, 1, 2, "001500");
  SetO2(*day, 0, 1, 3, "000080");
  SetO2(*day, 0, 2, 3, "------");
  SetYoz(*day, 0, 1, 2, "   120.0");
  SetYoz(*day, 0, 1, 3, "    10.0");
  SetYoz(*day, 0, 2, 3, "    50.0");
  UmarenBtnClick(*day);
  const TRaceCalc& c = day->FRaceCalc[0];

  EXPECT_DOUBLE_EQ(c.UmarenOdds[Pair(1, 2)], 150.0);  // kept uncapped
  EXPECT_DOUBLE_EQ(c.UmarenOdds[Pair(1, 3)], 8.0);
  EXPECT_EQ(c.UmarenOdds[Pair(2, 3)], 0.0);
  EXPECT_DOUBLE_EQ(c.PredAvgOdds[0], 65.0);
  EXPECT_DOUBLE_EQ(c.PredAvgOdds[1], 85.0);
  EXPECT_DOUBLE_EQ(c.PredAvgOdds[2], 30.0);
  EXPECT_EQ((std::array<int, 3>{c.PredAvgOddsRank[0], c.PredAvgOddsRank[1], c.PredAvgOddsRank[2]}),
            (std::array<int, 3>{2, 3, 1}));
  EXPECT_DOUBLE_EQ(c.AvgOdds[0], 54.0);  // (100 capped + 8) / 2
  EXPECT_DOUBLE_EQ(c.AvgOdds[1], 100.0);
  EXPECT_DOUBLE_EQ(c.AvgOdds[2], 8.0);
  EXPECT_EQ((std::array<int, 3>{c.AvgOddsRank[0], c.AvgOddsRank[1], c.AvgOddsRank[2]}), (std::array<int, 3>{2, 3, 1}));
  EXPECT_EQ(c.MarkX[0], "X");
  EXPECT_EQ(c.MarkX[1], "");
  EXPECT_EQ(c.MarkX[2], "X");
  EXPECT_EQ(c.AvgOddsRank[3], 0);
}

TEST(PairOdds, SourceDependsOnYearAndEntryCount) {
  auto day = NewDay();
  day->GFrom2005 = false;
  AddRace(*day, 0, 16, "2004", "05", 1);
  AddRace(*day, 1, 8, "2004", "05", 2);
  for (int slot : {0, 1}) {
    SetO2(*day, slot, 1, 2, "000123");
    SetBracket(*day, slot, 1, 2, "00456");
    SetBracket(*day, slot, 1, 1, "00099");  // a bracket with itself names no horse pair
  }
  UmarenBtnClick(*day);
  EXPECT_DOUBLE_EQ(day->FRaceCalc[0].UmarenOdds[1], 12.3);
  EXPECT_DOUBLE_EQ(day->FRaceCalc[1].UmarenOdds[1], 45.6);
  int nonZero = 0;
  for (double v : day->FRaceCalc[1].UmarenOdds) nonZero += v != 0;
  EXPECT_EQ(nonZero, 1);

  day->FRaceCalc = {};
  day->GFrom2005 = true;
  UmarenBtnClick(*day);
  EXPECT_DOUBLE_EQ(day->FRaceCalc[1].UmarenOdds[1], 12.3);
}

TEST(PairOdds, MarkersBlanksAndJunkLeaveThePairOut) {
  auto day = NewDay();
  day->GFrom2005 = true;
  AddRace(*day, 0, 10);
  SetO2(*day, 0, 1, 2, "******");
  SetO2(*day, 0, 1, 3, "------");
  SetO2(*day, 0, 1, 4, "      ");
  SetO2(*day, 0, 1, 5, "12a456");
  SetO2(*day, 0, 1, 6, "000200");
  SetYoz(*day, 0, 1, 2, "  abc   ");
  SetYoz(*day, 0, 1, 3, "   -5.0 ");
  SetYoz(*day, 0, 1, 6, "    30.5");
  UmarenBtnClick(*day);
  const TRaceCalc& c = day->FRaceCalc[0];
  for (int b = 2; b <= 5; ++b) EXPECT_EQ(c.UmarenOdds[Pair(1, b)], 0.0) << b;
  EXPECT_DOUBLE_EQ(c.AvgOdds[0], 20.0);  // only the pair with horse 6
  EXPECT_EQ(c.AvgOdds[1], 0.0);
  EXPECT_EQ(c.PredUmarenOdds[Pair(1, 2)], 0.0);
  EXPECT_EQ(c.PredUmarenOdds[Pair(1, 3)], 0.0);
  EXPECT_DOUBLE_EQ(c.PredAvgOdds[0], 30.5);
  EXPECT_EQ(c.AvgOddsRank[1], 0);
  EXPECT_EQ(c.MarkX[1], "");

  // Day before 2005, eight runners: the bracket block's markers.
  auto small = NewDay();
  AddRace(*small, 0, 6, "2004");
  SetBracket(*small, 0, 1, 2, "*****");
  SetBracket(*small, 0, 1, 3, "-----");
  SetBracket(*small, 0, 2, 3, "00031");
  UmarenBtnClick(*small);
  EXPECT_EQ(small->FRaceCalc[0].UmarenOdds[Pair(1, 2)], 0.0);
  EXPECT_EQ(small->FRaceCalc[0].UmarenOdds[Pair(1, 3)], 0.0);
  EXPECT_DOUBLE_EQ(small->FRaceCalc[0].UmarenOdds[Pair(2, 3)], 3.1);
}

// One pair 1-2 at `tenths`; returns horse 1's real average.
double AverageWithLetter(char letter, int entries, const std::string& tenths, double* kept = nullptr) {
  auto day = NewDay();
  day->GFrom2005 = true;
  day->GYozRec = letter ? YozRecWithLetter(letter) : std::string();
  AddRace(*day, 0, entries);
  SetO2(*day, 0, 1, 2, tenths);
  UmarenBtnClick(*day);
  if (kept) *kept = day->FRaceCalc[0].UmarenOdds[1];
  return day->FRaceCalc[0].AvgOdds[0];
}

TEST(PairOdds, CapsBySourceLetter) {
  double kept = 0;
  EXPECT_DOUBLE_EQ(AverageWithLetter('K', 7, "002503", &kept), 100.0);
  EXPECT_DOUBLE_EQ(kept, 250.3);
  EXPECT_DOUBLE_EQ(AverageWithLetter('K', 12, "015200"), 1000.0);
  EXPECT_DOUBLE_EQ(AverageWithLetter('K', 12, "009990"), 999.0);
  EXPECT_DOUBLE_EQ(AverageWithLetter('J', 12, "012000"), 999.9);
  EXPECT_DOUBLE_EQ(AverageWithLetter('J', 7, "009999"), 999.9);
  EXPECT_DOUBLE_EQ(AverageWithLetter('M', 12, "099999"), 9999.9);
  EXPECT_DOUBLE_EQ(AverageWithLetter(0, 7, "002503"), 250.3);  // a day without a prediction file: no cap
}

TEST(PairOdds, EqualRoundedAveragesRankByHorseNumber) {
  auto day = NewDay();
  day->GFrom2005 = true;
  AddRace(*day, 0, 4);
  SetYoz(*day, 0, 1, 3, "   29.04");
  SetYoz(*day, 0, 2, 4, "   28.96");
  // Equal averages exactly give no "X"; a higher prediction does.
  SetO2(*day, 0, 1, 3, "000290");
  SetO2(*day, 0, 2, 4, "000290");
  UmarenBtnClick(*day);
  const TRaceCalc& c = day->FRaceCalc[0];
  EXPECT_EQ(c.PredAvgOddsRank[0], 1);
  EXPECT_EQ(c.PredAvgOddsRank[1], 2);
  EXPECT_EQ(c.PredAvgOddsRank[2], 3);
  EXPECT_EQ(c.PredAvgOddsRank[3], 4);
  EXPECT_EQ(c.MarkX[0], "X");
  EXPECT_EQ(c.MarkX[1], "");  // 28.96 below 29.0

  auto same = NewDay();
  same->GFrom2005 = true;
  AddRace(*same, 0, 4);
  SetYoz(*same, 0, 1, 2, "    12.5");
  SetO2(*same, 0, 1, 2, "000125");
  UmarenBtnClick(*same);
  EXPECT_EQ(same->FRaceCalc[0].MarkX[0], "");
}

TEST(PairOdds, AveragesRoundHalfAwayFromZeroBeforeTheTie) {
  // 28.95 has no exact binary value and lies just below the half; the ranking key rounds the decimal value, so
  // 28.95 and 28.96 both read 29.0 and the tie falls to the horse number.
  auto day = NewDay();
  day->GFrom2005 = true;
  AddRace(*day, 0, 4);
  SetYoz(*day, 0, 1, 3, "   28.96");
  SetYoz(*day, 0, 2, 4, "   28.95");
  UmarenBtnClick(*day);
  const TRaceCalc& c = day->FRaceCalc[0];
  EXPECT_EQ((std::array<int, 4>{c.PredAvgOddsRank[0], c.PredAvgOddsRank[1], c.PredAvgOddsRank[2],
                                c.PredAvgOddsRank[3]}),
            (std::array<int, 4>{1, 2, 3, 4}));
}

TEST(PairOdds, HugePredictionStillRanksTheRightHorse) {
  auto day = NewDay();
  day->GFrom2005 = true;
  AddRace(*day, 0, 4);
  SetYoz(*day, 0, 1, 2, "99999999");
  SetYoz(*day, 0, 3, 4, "     5.0");
  UmarenBtnClick(*day);
  const TRaceCalc& c = day->FRaceCalc[0];
  EXPECT_EQ(c.PredAvgOddsRank[2], 1);
  EXPECT_EQ(c.PredAvgOddsRank[3], 2);
  EXPECT_EQ(c.PredAvgOddsRank[0], 3);
  EXPECT_EQ(c.PredAvgOddsRank[1], 4);
}

}  // namespace
}  // namespace corvina::analysis
