#include "racedata/Results.h"

#include <gtest/gtest.h>

#include <memory>

#include "racedata/DayFiles.h"
#include "racedata/RaceRecords.h"
#include "RecordBuilder.h"

namespace corvina {
namespace {

using namespace testing_support;
namespace hr = layout::hr;

// Puts entry k of a block: numbers of the combination, payout and popularity.
void PutEntry(Rec& r, const hr::PayBlock& b, int k, std::initializer_list<int> comb, int pay, int pop) {
  int part = 0;
  for (int n : comb) r.Num(b.CombPart(k, part++), n);
  r.Num(b.Pay(k), pay);
  r.Num(b.Pop(k), pop);
}

TEST(Results, EveryBlockDecodesItsLastEntry) {
  auto day = std::make_unique<DayModel>();
  Rec r(L::kHrLine, "HR");
  r.Key("20240106", "05", 1);
  PutEntry(r, hr::kTan, 1, {3}, 350, 1);
  PutEntry(r, hr::kTan, 2, {7}, 350, 1);  // dead heat for first
  PutEntry(r, hr::kTan, 3, {9}, 123456789, 99);
  PutEntry(r, hr::kFuku, 5, {18}, 1100, 12);
  PutEntry(r, hr::kWakuren, 3, {3, 5}, 980, 4);
  PutEntry(r, hr::kUmaren, 3, {5, 12}, 4560, 123);
  PutEntry(r, hr::kWide, 7, {1, 18}, 777, 153);
  PutEntry(r, hr::kUmatan, 6, {12, 5}, 9870, 306);
  PutEntry(r, hr::kSanrenpuku, 3, {1, 2, 3}, 12340, 816);
  PutEntry(r, hr::kSanrentan, 6, {18, 17, 16}, 987654321, 4896);
  day->Table.GHrTbl[0] = r;
  DecodePayouts(*day, 0);
  const TRaceInfo& i = day->FRaceInfo[0];
  EXPECT_EQ(i.TanHorse[1], 3);
  EXPECT_EQ(i.TanHorse[2], 7);
  EXPECT_EQ(i.TanPay[2], 350);
  EXPECT_EQ(i.TanPay[3], 123456789);
  EXPECT_EQ(i.TanPop[3], 99);
  EXPECT_EQ(i.FukuHorse[5], 18);
  EXPECT_EQ(i.FukuPay[5], 1100);
  EXPECT_EQ(i.FukuPop[5], 12);
  EXPECT_EQ(i.WakurenComb[3], " 3- 5");
  EXPECT_EQ(i.WakurenPay[3], 980);
  EXPECT_EQ(i.UmarenComb[3], " 5-12");
  EXPECT_EQ(i.UmarenPop[3], 123);
  EXPECT_EQ(i.WideComb[7], " 1-18");
  EXPECT_EQ(i.WidePay[7], 777);
  EXPECT_EQ(i.WidePop[7], 153);
  EXPECT_EQ(i.UmatanComb[6], "12- 5");
  EXPECT_EQ(i.UmatanPop[6], 306);
  EXPECT_EQ(i.SanrenpukuComb[3], " 1- 2- 3");
  EXPECT_EQ(i.SanrenpukuPay[3], 12340);
  EXPECT_EQ(i.SanrentanComb[6], "18-17-16");
  EXPECT_EQ(i.SanrentanPay[6], 987654321);
  EXPECT_EQ(i.SanrentanPop[6], 4896);
  // Entries the record leaves blank: zero payouts, empty labels.
  EXPECT_EQ(i.WideComb[4], "");
  EXPECT_EQ(i.WidePay[4], 0);
  EXPECT_EQ(i.WidePop[4], 0);
  EXPECT_EQ(i.UmarenComb[1], "");
  EXPECT_EQ(i.FukuHorse[1], 0);
}

TEST(Results, IncompleteCombinationKeepsTheEarlierLabel) {
  auto day = std::make_unique<DayModel>();
  day->FRaceInfo[0].UmarenComb[1] = " 1- 2";
  Rec r(L::kHrLine, "HR");
  PutEntry(r, hr::kUmaren, 1, {0, 5}, 500, 2);
  day->Table.GHrTbl[0] = r;
  DecodePayouts(*day, 0);
  EXPECT_EQ(day->FRaceInfo[0].UmarenComb[1], " 1- 2");
  EXPECT_EQ(day->FRaceInfo[0].UmarenPay[1], 500);
}

TEST(Results, RunnerResultsOfAll18Records) {
  auto day = std::make_unique<DayModel>();
  day->Table.GSeTbl[0][0] = Rec(L::kSeLine, "SE").Set(L::se::kFinishPos, "01").Set(L::se::kFinalWinOdds, "0035")
                                .Set(L::se::kPopularity, "02");
  day->Table.GSeTbl[0][17] = Rec(L::kSeLine, "SE").Set(L::se::kFinishPos, "18");
  DecodeResults(*day, 0);
  EXPECT_EQ(day->FRaceInfo[0].FinishPos[0], 1);
  EXPECT_EQ(day->FRaceInfo[0].FinalWinOdds[0], 3.5);
  EXPECT_EQ(day->FRaceInfo[0].Popularity[0], 2);
  EXPECT_EQ(day->FRaceInfo[0].FinishPos[17], 18);
  EXPECT_EQ(day->FRaceInfo[0].FinalWinOdds[17], 0);
}

class HrReadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    day->FAppDir = dir.path();
    std::filesystem::create_directories(day->DataDir());
    Lines ra;
    for (int r = 1; r <= 12; ++r) ra.push_back(Ra("20240106", "05", r, "1000", 2));
    day->GRaPath = DayFilePath(day->DataDir(), dayName, ".jvRA");
    ASSERT_TRUE(SaveLines(day->GRaPath, ra));
    Lines se(L::kSeLines, std::string(L::kSeLine, ' '));
    se[18 * 2] = Rec(L::kSeLine, "SE").Key("20240106", "05", 3).Num(L::se::kUmaBan, 1).Set(L::se::kFinishPos, "02");
    ASSERT_TRUE(SaveLines(SeFilePath(day->DataDir(), dayName, "05"), se));
    for (int s = 0; s < 12; ++s) day->Table.GRaTbl[s] = ra[s];
    day->GCurRace = 2;
  }
  TempDir dir;
  DayName dayName{2024, 1, 6};
  std::unique_ptr<DayModel> day = std::make_unique<DayModel>();
};

TEST_F(HrReadTest, ShownRaceIsNewOnlyOnTheFirstRead) {
  Rec hr3 = Rec(L::kHrLine, "HR").Key("20240106", "05", 3);
  hr3.Num(hr::kTan.CombPart(1, 0), 1).Num(hr::kTan.Pay(1), 250);
  const std::string otherDay = Hr("20231201", "05", 4);  // same venue and race, other date: not this day's
  ASSERT_TRUE(SaveLines(DayFilePath(day->DataDir(), dayName, ".jvHR"), {hr3, otherDay}));

  const HrReadOutcome first = HrReadBtnClick(*day, dayName);
  EXPECT_TRUE(first.shownNew);
  EXPECT_FALSE(first.slotsChanged);
  EXPECT_EQ(day->FRaceInfo[2].HasResults, 1);
  EXPECT_EQ(day->FRaceInfo[2].TanPay[1], 250);
  EXPECT_EQ(day->FRaceInfo[2].FinishPos[0], 2);
  EXPECT_EQ(day->FRaceInfo[3].HasResults, 0);
  EXPECT_EQ(day->GRaceTotal, 12);

  EXPECT_FALSE(HrReadBtnClick(*day, dayName).shownNew);
}

TEST_F(HrReadTest, VanishedRunnerFileKeepsTheRunnersReadBefore) {
  HrReadBtnClick(*day, dayName);
  std::filesystem::remove(SeFilePath(day->DataDir(), dayName, "05"));
  const HrReadOutcome again = HrReadBtnClick(*day, dayName);
  EXPECT_FALSE(again.shownNew);  // no .jvHR at all
  EXPECT_EQ(day->FRaceInfo[2].FinishPos[0], 2);
}

TEST_F(HrReadTest, ANewRaceLineBeforeTheLoadedOnesIsReported) {
  Lines ra = ReadAll(day->GRaPath);
  ra.insert(ra.begin(), Ra("20240106", "04", 1));
  ASSERT_TRUE(SaveLines(day->GRaPath, ra));
  EXPECT_TRUE(HrReadBtnClick(*day, dayName).slotsChanged);
}

}  // namespace
}  // namespace corvina
