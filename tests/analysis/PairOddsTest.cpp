// Pair odds, averages, their ranks and the mark "X".
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "EngineFixtures.h"
#include "analysis/PairOdds.h"
#include "racedata/RacingTexts.h"

namespace corvina::analysis {
namespace {

using namespace corvina::test;
using ::testing::DoubleEq;
using ::testing::ElementsAre;

int Pair(int a, int b) { return UmarenStrToIndex(CombLabel(a, b)); }

void SetO2(DayModel& day, int slot, int a, int b, const std::string& text) {
  Put(day.Table.GO2Tbl[slot], L::o2::UmarenOdds(Pair(a, b)), text);
}
void SetYoz(DayModel& day, int slot, int a, int b, const std::string& text) {
  Put(day.Table.GYozTbl[slot], L::yoz::Umaren(Pair(a, b)), text);
}
void SetBracket(DayModel& day, int slot, int a, int b, const std::string& text) {
  Put(day.Table.GO1Tbl2[slot], L::o1::WakurenOdds(WakurenStrToIndex(CombLabel(a, b))), text);
}

// A day from 2005 on with one race of `entries` runners in slot 0.
std::unique_ptr<DayModel> Day2005(int entries, char letter = 0) {
  auto day = NewDay();
  day->GFrom2005 = true;
  if (letter) day->GYozRec = YozRecWithLetter(letter);
  AddRace(*day, 0, entries);
  return day;
}

TEST(PairOdds, ThreeRunnerDayWithSourceKCapsAndRanks) {
  auto day = Day2005(3, 'K');
  SetO2(*day, 0, 1, 2, "001500");
  SetO2(*day, 0, 1, 3, "000080");
  SetO2(*day, 0, 2, 3, "------");
  SetYoz(*day, 0, 1, 2, "   120.0");
  SetYoz(*day, 0, 1, 3, "    10.0");
  SetYoz(*day, 0, 2, 3, "    50.0");
  ComputePairOdds(*day);
  const RaceCalc& c = day->Calcs[0];
  // The pair keeps its odds uncapped; the averages cap them: (100 + 8) / 2.
  EXPECT_THAT(At(c.UmarenOdds, {Pair(1, 2), Pair(1, 3), Pair(2, 3)}), ElementsAre(DoubleEq(150), DoubleEq(8), 0));
  EXPECT_THAT(At(c.PredAvgOdds, {0, 1, 2}), ElementsAre(DoubleEq(65), DoubleEq(85), DoubleEq(30)));
  EXPECT_EQ(At(c.PredAvgOddsRank, {0, 1, 2}), (Ints{2, 3, 1}));
  EXPECT_THAT(At(c.AvgOdds, {0, 1, 2}), ElementsAre(DoubleEq(54), DoubleEq(100), DoubleEq(8)));
  EXPECT_EQ(At(c.AvgOddsRank, {0, 1, 2, 3}), (Ints{2, 3, 1, 0}));
  EXPECT_EQ(At(c.MarkX, {0, 1, 2}), (Strs{"X", "", "X"}));
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
  ComputePairOdds(*day);
  EXPECT_DOUBLE_EQ(day->Calcs[0].UmarenOdds[1], 12.3);
  EXPECT_DOUBLE_EQ(day->Calcs[1].UmarenOdds[1], 45.6);
  int nonZero = 0;
  for (double v : day->Calcs[1].UmarenOdds) nonZero += v != 0;
  EXPECT_EQ(nonZero, 1);

  day->Calcs = {};
  day->GFrom2005 = true;
  ComputePairOdds(*day);
  EXPECT_DOUBLE_EQ(day->Calcs[1].UmarenOdds[1], 12.3);
}

TEST(PairOdds, MarkersBlanksAndJunkLeaveThePairOut) {
  auto day = Day2005(18);
  const Strs real = {"******", "------", "      ", "12a456", "000200"};
  for (int b = 2; b <= 6; ++b) SetO2(*day, 0, 1, b, real[b - 2]);
  SetO2(*day, 0, 17, 18, "000300");  // the last pair of a full field counts like any other
  SetYoz(*day, 0, 1, 2, "  abc   ");
  SetYoz(*day, 0, 1, 3, "   -5.0 ");
  SetYoz(*day, 0, 1, 6, "    30.5");
  ComputePairOdds(*day);
  const RaceCalc& c = day->Calcs[0];
  EXPECT_THAT(At(c.UmarenOdds, {Pair(1, 2), Pair(1, 3), Pair(1, 4), Pair(1, 5)}), ElementsAre(0, 0, 0, 0));
  EXPECT_THAT(At(c.AvgOdds, {0, 1}), ElementsAre(DoubleEq(20), 0));  // only the pair with horse 6
  EXPECT_THAT(At(c.PredUmarenOdds, {Pair(1, 2), Pair(1, 3)}), ElementsAre(0, 0));
  EXPECT_DOUBLE_EQ(c.PredAvgOdds[0], 30.5);
  EXPECT_EQ(c.AvgOddsRank[1], 0);
  EXPECT_THAT(At(c.AvgOdds, {16, 17}), ElementsAre(DoubleEq(30), DoubleEq(30)));
  EXPECT_EQ(At(c.AvgOddsRank, {0, 5, 16, 17}), (Ints{1, 2, 3, 4}));
  EXPECT_EQ(c.MarkX[1], "");

  // Day before 2005, eight runners: the bracket block's markers.
  auto small = NewDay();
  AddRace(*small, 0, 6, "2004");
  SetBracket(*small, 0, 1, 2, "*****");
  SetBracket(*small, 0, 1, 3, "-----");
  SetBracket(*small, 0, 2, 3, "00031");
  ComputePairOdds(*small);
  EXPECT_THAT(At(small->Calcs[0].UmarenOdds, {Pair(1, 2), Pair(1, 3), Pair(2, 3)}), ElementsAre(0, 0, DoubleEq(3.1)));
}

TEST(PairOdds, CapsBySourceLetterAndEntryCount) {
  struct Case {
    char letter;
    int entries;
    const char* tenths;
    double average;
  };
  const Case cases[] = {
      {'K', 8, "002503", 100.0},   {'K', 9, "002503", 250.3},   {'K', 12, "015200", 1000.0},
      {'K', 12, "009990", 999.0},  {'J', 12, "012000", 999.9},  {'J', 7, "009999", 999.9},
      {'M', 12, "099999", 9999.9}, {0, 7, "002503", 250.3},  // a day without a prediction file: no cap
      {'K', 8, "001005", 100.0},   {'K', 12, "010005", 1000.0}, {'J', 12, "010005", 999.9}};  // just above each cap
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(1, k.letter ? k.letter : '-') + " " + k.tenths);
    auto day = Day2005(k.entries, k.letter);
    SetO2(*day, 0, 1, 2, k.tenths);
    ComputePairOdds(*day);
    EXPECT_DOUBLE_EQ(day->Calcs[0].AvgOdds[0], k.average);
    EXPECT_DOUBLE_EQ(day->Calcs[0].UmarenOdds[1], StrToIntLenient(k.tenths) / 10.0);  // the pair keeps it all
  }
}

// Predicted pair odds 1-3 and 2-18 and the rank each of the four horses 1, 2, 3, 18 gets from its average.
TEST(PairOdds, RankingKeysRoundHalfAwayFromZeroAndTiesFallToTheHorseNumber) {
  struct Case {
    const char *odds13, *odds218;
    Ints ranks;
  };
  // 28.95 has no exact binary value and lies just below the half; the key rounds the decimal value, so it
  // reads 29.0 like 28.96 and 29.04. The eight-digit field gives averages of ten million and more: they still
  // sort by value, and with every piece of the key at its largest a tie still falls to the horse number.
  const Case cases[] = {{"   29.04", "   28.96", {1, 2, 3, 4}},
                        {"   28.96", "   28.95", {1, 2, 3, 4}},
                        {"     5.0", "99999999", {1, 3, 2, 4}},
                        {"10000000", " 9999999", {3, 1, 4, 2}},
                        {"99999999", "99999999", {1, 2, 3, 4}}};
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.odds13) + " / " + k.odds218);
    auto day = Day2005(18);
    SetYoz(*day, 0, 1, 3, k.odds13);
    SetYoz(*day, 0, 2, 18, k.odds218);
    ComputePairOdds(*day);
    EXPECT_EQ(At(day->Calcs[0].PredAvgOddsRank, {0, 1, 2, 17}), k.ranks);
  }
}

TEST(PairOdds, MarkXNeedsAPredictionAboveTheRealAverage) {
  auto day = Day2005(4);
  SetYoz(*day, 0, 1, 3, "   29.04");
  SetYoz(*day, 0, 2, 4, "   28.96");
  SetO2(*day, 0, 1, 3, "000290");
  SetO2(*day, 0, 2, 4, "000290");
  ComputePairOdds(*day);
  EXPECT_EQ(At(day->Calcs[0].MarkX, {0, 1}), (Strs{"X", ""}));  // 28.96 below 29.0

  auto same = Day2005(4);  // equal averages exactly give no "X"
  SetYoz(*same, 0, 1, 2, "    12.5");
  SetO2(*same, 0, 1, 2, "000125");
  ComputePairOdds(*same);
  EXPECT_EQ(same->Calcs[0].MarkX[0], "");
}

}  // namespace
}  // namespace corvina::analysis
