// Tickets and the axis horse against the payouts.
#include <gtest/gtest.h>

#include "analysis/HitJudge.h"
#include "EngineFixtures.h"

namespace corvina::analysis {
namespace {

using corvina::testing::AddRace;
using corvina::testing::NewDay;

TEST(HitJudge, BigRaceMatchesWideAndQuinellaAsWholeTexts) {
  auto day = NewDay();
  AddRace(*day, 0, 16);
  TRaceInfo& info = day->FRaceInfo[0];
  TRaceCalc& calc = day->FRaceCalc[0];
  calc.Tickets[1] = " 3- 7";
  calc.Tickets[2] = " 3-12";
  info.WideComb[1] = " 3- 7", info.WidePay[1] = 250;
  info.WideComb[2] = " 3-12", info.WidePay[2] = 400;
  info.WideComb[3] = " 7-12", info.WidePay[3] = 600;
  info.UmarenComb[1] = " 3-12", info.UmarenPay[1] = 1520;
  JudgeHits(*day);
  EXPECT_EQ(calc.WideHit[1], 1);
  EXPECT_EQ(calc.WidePay[1], 250);
  EXPECT_EQ(calc.UmarenHit[1], 0);
  EXPECT_EQ(calc.UmarenPay[1], 0);
  EXPECT_EQ(calc.WideHit[2], 1);
  EXPECT_EQ(calc.WidePay[2], 400);
  EXPECT_EQ(calc.UmarenHit[2], 1);
  EXPECT_EQ(calc.UmarenPay[2], 1520);
}

TEST(HitJudge, SmallRaceUsesTheBracketPayoutOnly) {
  auto day = NewDay();
  AddRace(*day, 0, 8);
  TRaceInfo& info = day->FRaceInfo[0];
  TRaceCalc& calc = day->FRaceCalc[0];
  calc.Tickets[1] = " 2- 5";
  info.WakurenComb[1] = " 2- 5", info.WakurenPay[1] = 1230;
  info.WideComb[1] = " 2- 5", info.WidePay[1] = 300;
  info.UmarenComb[1] = " 2- 5", info.UmarenPay[1] = 990;
  JudgeHits(*day);
  EXPECT_EQ(calc.UmarenHit[1], 1);
  EXPECT_EQ(calc.UmarenPay[1], 1230);
  EXPECT_EQ(calc.WideHit[1], 0);
  EXPECT_EQ(calc.WidePay[1], 0);
}

TEST(HitJudge, AxisHorseWinAndPlace) {
  auto day = NewDay();
  AddRace(*day, 0, 12);
  AddRace(*day, 1, 12, "2006", "05", 2);
  for (int s : {0, 1}) {
    TRaceInfo& info = day->FRaceInfo[s];
    info.TanHorse[1] = 4, info.TanPay[1] = 380;
    info.FukuHorse[1] = 4, info.FukuPay[1] = 150;
    info.FukuHorse[2] = 9, info.FukuPay[2] = 420;
    info.FukuHorse[3] = 1, info.FukuPay[3] = 210;
  }
  day->FRaceCalc[0].AxisHorse = 4;
  day->FRaceCalc[1].AxisHorse = 0;
  JudgeHits(*day);
  EXPECT_EQ(day->FRaceCalc[0].TanHit, 1);
  EXPECT_EQ(day->FRaceCalc[0].TanPay, 380);
  EXPECT_EQ(day->FRaceCalc[0].FukuHit, 1);
  EXPECT_EQ(day->FRaceCalc[0].FukuPay, 150);
  EXPECT_EQ(day->FRaceCalc[1].TanHit, 0);
  EXPECT_EQ(day->FRaceCalc[1].FukuHit, 0);
}

TEST(HitJudge, OnlyTicketsOneToSixAndNoBlankMatches) {
  auto day = NewDay();
  AddRace(*day, 0, 16);
  TRaceInfo& info = day->FRaceInfo[0];
  TRaceCalc& calc = day->FRaceCalc[0];
  calc.Tickets[7] = " 3- 7";
  info.WideComb[1] = " 3- 7", info.WidePay[1] = 250;
  info.WidePay[5] = 999;  // blank combination with a pay: a blank ticket must not take it
  JudgeHits(*day);
  for (int j = 1; j <= 10; ++j) {
    EXPECT_EQ(calc.WideHit[j], 0) << j;
    EXPECT_EQ(calc.WidePay[j], 0) << j;
  }
}

TEST(HitJudge, DeadHeatKeepsTheLaterPay) {
  auto day = NewDay();
  AddRace(*day, 0, 16);
  TRaceInfo& info = day->FRaceInfo[0];
  TRaceCalc& calc = day->FRaceCalc[0];
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

}  // namespace
}  // namespace corvina::analysis
