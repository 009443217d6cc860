#include "racedata/Results.h"

#include <gtest/gtest.h>

#include <memory>

#include "RecordBuilder.h"
#include "racedata/DayFiles.h"
#include "racedata/RaceRecords.h"

namespace corvina {
namespace {

using namespace test;
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
  const RaceInfo& i = day->Races[0];
  EXPECT_EQ(At(i.TanHorse, {1, 2, 3}), (Ints{3, 7, 9}));
  EXPECT_EQ(At(i.TanPay, {1, 2, 3}), (Ints{350, 350, 123456789}));
  EXPECT_EQ(i.TanPop[3], 99);
  EXPECT_EQ((Ints{i.FukuHorse[5], i.FukuPay[5], i.FukuPop[5]}), (Ints{18, 1100, 12}));
  EXPECT_EQ((Strs{i.WakurenComb[3], i.UmarenComb[3], i.WideComb[7], i.UmatanComb[6], i.SanrenpukuComb[3],
                  i.SanrentanComb[6]}),
            (Strs{" 3- 5", " 5-12", " 1-18", "12- 5", " 1- 2- 3", "18-17-16"}));
  EXPECT_EQ(
      (Ints{i.WakurenPay[3], i.UmarenPay[3], i.WidePay[7], i.UmatanPay[6], i.SanrenpukuPay[3], i.SanrentanPay[6]}),
      (Ints{980, 4560, 777, 9870, 12340, 987654321}));
  EXPECT_EQ(
      (Ints{i.WakurenPop[3], i.UmarenPop[3], i.WidePop[7], i.UmatanPop[6], i.SanrenpukuPop[3], i.SanrentanPop[6]}),
      (Ints{4, 123, 153, 306, 816, 4896}));
  // Entries the record leaves blank: zero payouts, empty labels.
  EXPECT_EQ(i.WideComb[4] + i.UmarenComb[1], "");
  EXPECT_EQ((Ints{i.WidePay[4], i.WidePop[4], i.FukuHorse[1]}), (Ints{0, 0, 0}));
}

// Three paid wide entries: 2 and 3 decode from their own offsets, 4..7 stay zero and empty.
TEST(Results, WideBlockWithThreePaidEntries) {
  auto day = std::make_unique<DayModel>();
  Rec r(L::kHrLine, "HR");
  r.Key("20240106", "05", 1);
  PutEntry(r, hr::kWide, 1, {1, 2}, 150, 1);
  PutEntry(r, hr::kWide, 2, {1, 7}, 420, 5);
  PutEntry(r, hr::kWide, 3, {2, 7}, 380, 4);
  PutEntry(r, hr::kUmatan, 1, {2, 1}, 990, 3);  // the block after the unread gap
  day->Table.GHrTbl[0] = r;
  DecodePayouts(*day, 0);
  const RaceInfo& i = day->Races[0];
  EXPECT_EQ(At(i.WideComb, {1, 2, 3, 4, 5, 6, 7}), (Strs{" 1- 2", " 1- 7", " 2- 7", "", "", "", ""}));
  EXPECT_EQ(At(i.WidePay, {1, 2, 3, 4, 5, 6, 7}), (Ints{150, 420, 380, 0, 0, 0, 0}));
  EXPECT_EQ(At(i.WidePop, {1, 2, 3, 4, 5, 6, 7}), (Ints{1, 5, 4, 0, 0, 0, 0}));
  EXPECT_EQ(i.UmatanComb[1], " 2- 1");  // record order kept
  EXPECT_EQ(i.UmatanPay[1], 990);
}

// A race without a payout record still gets all 18 runners' results; a slot without a race gets nothing.
TEST(Results, RaceWithoutPayoutRecordKeepsZeroPayoutsButHasRunnerResults) {
  auto day = std::make_unique<DayModel>();
  day->Table.GRaTbl[0] = Ra("20240106", "05", 1);
  day->Table.GSeTbl[0][4] = Rec(L::kSeLine, "SE")
                                .Set(L::se::kFinishPos, "03")
                                .Set(L::se::kPopularity, "07")
                                .Set(L::se::kFinalWinOdds, "0123");
  day->Table.GSeTbl[0][17] = Rec(L::kSeLine, "SE").Set(L::se::kFinishPos, "18");
  day->Table.GSeTbl[1][0] = Rec(L::kSeLine, "SE").Set(L::se::kFinishPos, "01");  // slot 1 holds no race
  DecodeDayResults(*day);
  const RaceInfo& i = day->Races[0];
  EXPECT_EQ((Ints{i.FinishPos[4], i.Popularity[4], i.FinishPos[0], i.FinishPos[17]}), (Ints{3, 7, 0, 18}));
  EXPECT_DOUBLE_EQ(i.FinalWinOdds[4], 12.3);
  EXPECT_EQ((Ints{i.TanPay[1], i.TanHorse[1], day->Races[1].FinishPos[0]}), (Ints{0, 0, 0}));
  EXPECT_EQ(i.SanrentanComb[1] + i.WakurenComb[1], "");
}

// Records cut short or empty decode as blank fields: zeros and no labels, never a read past the end.
TEST(Results, ShortAndEmptyRecordsDecodeAsBlank) {
  auto day = std::make_unique<DayModel>();
  day->Table.GRaTbl[0] = Ra("20240106", "05", 1);
  Rec r(L::kHrLine, "HR");
  PutEntry(r, hr::kTan, 1, {4}, 560, 2);
  PutEntry(r, hr::kSanrentan, 6, {1, 2, 3}, 100, 1);
  day->Table.GHrTbl[0] = r.str().substr(0, hr::kTan.Pay(1).End() + 1);  // ends inside the first win entry
  day->Table.GSeTbl[0][0] = "SE";
  day->Table.GSeTbl[0][1] = Rec(L::kSeLine, "SE").Set(L::se::kFinalWinOdds, "0035").str().substr(0, 362);
  day->Table.GSeTbl[0][2] = "";
  DecodeDayResults(*day);
  const RaceInfo& i = day->Races[0];
  EXPECT_EQ((Ints{i.TanHorse[1], i.TanPay[1], i.TanPop[1], i.SanrentanPay[6], i.FinishPos[0]}),
            (Ints{4, 560, 0, 0, 0}));
  EXPECT_EQ(i.SanrentanComb[6], "");
  EXPECT_DOUBLE_EQ(i.FinalWinOdds[1], 0.3);  // only "00" and "3" of the field are there
}

TEST(Results, IncompleteCombinationKeepsTheEarlierLabel) {
  auto day = std::make_unique<DayModel>();
  day->Races[0].UmarenComb[1] = " 1- 2";
  Rec r(L::kHrLine, "HR");
  PutEntry(r, hr::kUmaren, 1, {0, 5}, 500, 2);
  day->Table.GHrTbl[0] = r;
  DecodePayouts(*day, 0);
  EXPECT_EQ(day->Races[0].UmarenComb[1], " 1- 2");
  EXPECT_EQ(day->Races[0].UmarenPay[1], 500);
}

class ResultsRereadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    day->AppDir = dir.path();
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

TEST_F(ResultsRereadTest, ShownRaceIsNewOnlyOnTheFirstRead) {
  Rec hr3 = Rec(L::kHrLine, "HR").Key("20240106", "05", 3);
  hr3.Num(hr::kTan.CombPart(1, 0), 1).Num(hr::kTan.Pay(1), 250);
  const std::string otherDay = Hr("20231201", "05", 4);  // same venue and race, other date: not this day's
  ASSERT_TRUE(SaveLines(DayFilePath(day->DataDir(), dayName, ".jvHR"), {hr3, otherDay}));

  const ResultsRereadOutcome first = RereadResults(*day, dayName);
  EXPECT_TRUE(first.shownNew);
  EXPECT_FALSE(first.slotsChanged);
  const RaceInfo& i = day->Races[2];
  EXPECT_EQ((Ints{i.HasResults, i.TanPay[1], i.FinishPos[0], day->Races[3].HasResults}), (Ints{1, 250, 2, 0}));
  EXPECT_EQ(day->GRaceTotal, 12);

  EXPECT_FALSE(RereadResults(*day, dayName).shownNew);
}

TEST_F(ResultsRereadTest, NoRaceShownMeansNothingNewToShow) {
  ASSERT_TRUE(SaveLines(DayFilePath(day->DataDir(), dayName, ".jvHR"), {Hr("20240106", "05", 1)}));
  day->GCurRace = -1;
  EXPECT_FALSE(RereadResults(*day, dayName).shownNew);
  EXPECT_EQ(day->Races[0].HasResults, 1);
}

// Blank and short lines of the payout file have no RaceKey of the day: no slot, no result flag.
TEST_F(ResultsRereadTest, BlankPayoutLinesFileNowhere) {
  ASSERT_TRUE(SaveLines(DayFilePath(day->DataDir(), dayName, ".jvHR"),
                        {std::string(L::kHrLine, ' '), "HR", Hr("20240106", "05", 12)}));
  day->Table.GHrTbl[20] = Hr("20240106", "05", 1);  // from the previous read: blanked first
  RereadResults(*day, dayName);
  for (int s = 0; s < kSlots; ++s) EXPECT_EQ(day->Races[s].HasResults, s == 11 ? 1 : 0) << s;
  EXPECT_TRUE(IsBlank(day->Table.GHrTbl[20]));
  EXPECT_EQ(day->Table.GHrTbl[11].size(), size_t(L::kHrLine));
}

TEST_F(ResultsRereadTest, VanishedRunnerFileKeepsTheRunnersReadBefore) {
  RereadResults(*day, dayName);
  std::filesystem::remove(SeFilePath(day->DataDir(), dayName, "05"));
  const ResultsRereadOutcome again = RereadResults(*day, dayName);
  EXPECT_FALSE(again.shownNew);  // no .jvHR at all
  EXPECT_EQ(day->Races[2].FinishPos[0], 2);
}

TEST_F(ResultsRereadTest, ANewRaceLineBeforeTheLoadedOnesIsReported) {
  Lines ra = ReadAll(day->GRaPath);
  ra.insert(ra.begin(), Ra("20240106", "04", 1));
  ASSERT_TRUE(SaveLines(day->GRaPath, ra));
  EXPECT_TRUE(RereadResults(*day, dayName).slotsChanged);
}

}  // namespace
}  // namespace corvina
