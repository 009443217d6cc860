// Tickets and the axis horse against the payouts.
#include <gtest/gtest.h>

#include "EngineFixtures.h"
#include "analysis/HitJudge.h"
#include "analysis/Recovery.h"

namespace corvina::analysis {
namespace {

using namespace corvina::test;

TEST(HitJudge, BigRaceMatchesWideAndQuinellaWhileASmallRaceTakesTheBracketPayout) {
  auto day = NewDay();
  AddRace(*day, 0, 16);
  AddRace(*day, 1, 8, "2006", "05", 2);
  RaceInfo& big = day->Races[0];
  day->Calcs[0].Tickets[1] = " 3- 7";
  day->Calcs[0].Tickets[2] = " 3-12";
  big.WideComb[1] = " 3- 7", big.WidePay[1] = 250;
  big.WideComb[2] = " 3-12", big.WidePay[2] = 400;
  big.WideComb[3] = " 7-12", big.WidePay[3] = 600;
  big.UmarenComb[1] = " 3-12", big.UmarenPay[1] = 1520;
  RaceInfo& small = day->Races[1];
  day->Calcs[1].Tickets[1] = " 2- 5";
  small.WakurenComb[1] = " 2- 5", small.WakurenPay[1] = 1230;
  small.WideComb[1] = " 2- 5", small.WidePay[1] = 300;
  small.UmarenComb[1] = " 2- 5", small.UmarenPay[1] = 990;
  JudgeHits(*day);
  const RaceCalc& b = day->Calcs[0];
  EXPECT_EQ(At(b.WideHit, {1, 2}), (Ints{1, 1}));
  EXPECT_EQ(At(b.WidePay, {1, 2}), (Ints{250, 400}));
  EXPECT_EQ(At(b.UmarenHit, {1, 2}), (Ints{0, 1}));
  EXPECT_EQ(At(b.UmarenPay, {1, 2}), (Ints{0, 1520}));
  const RaceCalc& s = day->Calcs[1];
  EXPECT_EQ((Ints{s.UmarenHit[1], s.UmarenPay[1], s.WideHit[1], s.WidePay[1]}), (Ints{1, 1230, 0, 0}));
}

TEST(HitJudge, SmallRaceWithoutBracketPayoutsIsJudgedAgainstItsQuinellaPayoutsAndCounted) {
  // No bracket quinella is sold on a race of 8 runners or fewer: its payouts list quinella and wide only.
  auto day = NewDay();
  AddRace(*day, 0, 7);
  AddRace(*day, 1, 8, "2006", "05", 2);
  RaceInfo& seven = day->Races[0];
  day->Calcs[0].Tickets[1] = " 2- 5";
  day->Calcs[0].Tickets[2] = " 1- 5";
  seven.UmarenComb[1] = " 2- 5", seven.UmarenPay[1] = 990;
  seven.WideComb[1] = " 2- 5", seven.WidePay[1] = 300;
  seven.WideComb[2] = " 1- 5", seven.WidePay[2] = 450;
  // A bracket entry reading " 0- 0" is no payout: the race has none and takes its quinella payouts.
  RaceInfo& eight = day->Races[1];
  day->Calcs[1].Tickets[1] = " 3- 4";
  eight.WakurenComb[1] = " 0- 0";
  eight.UmarenComb[1] = " 3- 4", eight.UmarenPay[1] = 1450;
  JudgeHits(*day);
  const RaceCalc& s = day->Calcs[0];
  EXPECT_EQ(At(s.UmarenHit, {1, 2}), (Ints{1, 0}));
  EXPECT_EQ(At(s.UmarenPay, {1, 2}), (Ints{990, 0}));
  EXPECT_EQ(At(s.WideHit, {1, 2}), (Ints{0, 0})) << "wide payouts stay unjudged on small fields";
  EXPECT_EQ((Ints{day->Calcs[1].UmarenHit[1], day->Calcs[1].UmarenPay[1]}), (Ints{1, 1450}));

  // The day's quinella figures count the hits of both races.
  ComputeStatistics(*day);
  const int all = 0;
  EXPECT_EQ(day->GStats[TicketsIndex(BetType::Quinella, all)], 3);
  EXPECT_EQ(day->GStats[HitsIndex(BetType::Quinella, all)], 2);
  EXPECT_EQ(day->GStats[PayIndex(BetType::Quinella, all)], 990 + 1450);
  EXPECT_EQ(day->GStats[TicketsIndex(BetType::Wide, all)], 0);
}

TEST(HitJudge, AxisHorseWinAndPlace) {
  auto day = NewDay();
  AddRace(*day, 0, 12);
  AddRace(*day, 1, 12, "2006", "05", 2);
  for (int s : {0, 1}) {
    RaceInfo& info = day->Races[s];
    info.TanHorse[1] = 4, info.TanPay[1] = 380;
    info.FukuHorse[1] = 4, info.FukuPay[1] = 150;
    info.FukuHorse[2] = 9, info.FukuPay[2] = 420;
  }
  day->Calcs[0].AxisHorse = 4;
  day->Calcs[1].AxisHorse = 0;
  JudgeHits(*day);
  const RaceCalc &axis = day->Calcs[0], &none = day->Calcs[1];
  EXPECT_EQ((Ints{axis.TanHit, axis.TanPay, axis.FukuHit, axis.FukuPay}), (Ints{1, 380, 1, 150}));
  EXPECT_EQ((Ints{none.TanHit, none.FukuHit}), (Ints{0, 0}));
}

TEST(HitJudge, NoBlankTicketMatches) {
  auto day = NewDay();
  AddRace(*day, 0, 16);
  RaceInfo& info = day->Races[0];
  RaceCalc& calc = day->Calcs[0];
  info.WideComb[1] = " 3- 7", info.WidePay[1] = 250;
  info.WidePay[5] = 999;  // blank combination with a pay: a blank ticket must not take it
  JudgeHits(*day);
  for (int j = 1; j <= kTicketPlaces; ++j) EXPECT_EQ(calc.WideHit[j] + calc.WidePay[j], 0) << j;
}

TEST(HitJudge, DeadHeatKeepsTheLaterPay) {
  auto day = NewDay();
  AddRace(*day, 0, 16);
  RaceInfo& info = day->Races[0];
  RaceCalc& calc = day->Calcs[0];
  calc.Tickets[1] = " 1- 2";
  info.WideComb[1] = " 1- 2", info.WidePay[1] = 200;
  info.WideComb[4] = " 1- 2", info.WidePay[4] = 310;
  calc.AxisHorse = 5;
  info.FukuHorse[1] = 5, info.FukuPay[1] = 130;
  info.FukuHorse[4] = 5, info.FukuPay[4] = 170;
  JudgeHits(*day);
  EXPECT_EQ(calc.WidePay[1], 310);
  EXPECT_EQ(calc.FukuPay, 170);
}

// Dead heats fill a payout list to its end: the third quinella, the seventh wide, the third win and the fifth
// place entry are hits like the first, and so are the sixth ticket and the third bracket entry.
TEST(HitJudge, HitsInTheLastEntryOfEachPayoutList) {
  auto day = NewDay();
  AddRace(*day, 0, 16);
  AddRace(*day, 1, 8, "2006", "05", 2);
  RaceInfo& big = day->Races[0];
  RaceCalc& calc = day->Calcs[0];
  calc.Tickets[1] = " 3- 7";
  calc.Tickets[6] = " 7-12";
  big.UmarenComb[3] = " 3- 7", big.UmarenPay[3] = 1870;
  big.WideComb[7] = " 7-12", big.WidePay[7] = 640;
  calc.AxisHorse = 9;
  big.TanHorse[3] = 9, big.TanPay[3] = 720;
  big.FukuHorse[5] = 9, big.FukuPay[5] = 260;
  day->Calcs[1].Tickets[6] = " 2- 5";
  day->Races[1].WakurenComb[3] = " 2- 5", day->Races[1].WakurenPay[3] = 1330;
  JudgeHits(*day);
  EXPECT_EQ((Ints{calc.UmarenHit[1], calc.UmarenPay[1], calc.WideHit[6], calc.WidePay[6]}), (Ints{1, 1870, 1, 640}));
  EXPECT_EQ((Ints{calc.TanHit, calc.TanPay, calc.FukuHit, calc.FukuPay}), (Ints{1, 720, 1, 260}));
  const RaceCalc& small = day->Calcs[1];
  EXPECT_EQ((Ints{small.UmarenHit[6], small.UmarenPay[6]}), (Ints{1, 1330}));
}

}  // namespace
}  // namespace corvina::analysis
