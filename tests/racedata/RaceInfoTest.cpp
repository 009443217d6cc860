#include "racedata/RaceInfo.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/Cp932.h"
#include "racedata/RaceRecords.h"
#include "RecordBuilder.h"

namespace corvina {
namespace {

using namespace testing_support;

class RaceInfoTest : public ::testing::Test {
 protected:
  std::unique_ptr<DayModel> day = std::make_unique<DayModel>();
  RaceTable& t = day->Table;
  TRaceInfo& Info(int s) { return day->FRaceInfo[s]; }
};

TEST(RaceInfo, OddsFieldCodes) {
  EXPECT_EQ(WinOddsValue("0035"), 3.5);
  EXPECT_EQ(WinOddsValue("----"), -1);
  EXPECT_EQ(WinOddsValue("****"), -1);
  EXPECT_EQ(WinOddsValue("    "), -2);
  EXPECT_EQ(WinOddsValue(""), -2);
  EXPECT_EQ(WinOddsValue("12a4"), -1);  // not a number: a horse without odds, never ranked
  EXPECT_EQ(PredOddsValue("  12.5"), 12.5);
  EXPECT_EQ(PredOddsValue("1234.5"), 1234.5);
  EXPECT_EQ(PredOddsValue("      "), -1);
  EXPECT_EQ(PredOddsValue(" 3.x  "), -1);
  EXPECT_EQ(PredOddsValue("   nan"), -1);  // parses as a number but is no odds
  EXPECT_EQ(PredOddsValue("   inf"), -1);
}

TEST_F(RaceInfoTest, ResetClearsEverythingIncludingTheUsableFlag) {
  Info(3).RaceName = "x";
  Info(3).SanrentanPay[6] = 1000;
  day->FRaceCalc[3].CalcHasData = 1;
  day->FRaceCalc[3].RankedCount = 5;
  day->FRaceCalc[3].Tickets[10] = " 1- 2";
  ResetRecords(*day);
  EXPECT_EQ(Info(3).RaceName, "");
  EXPECT_EQ(Info(3).SanrentanPay[6], 0);
  EXPECT_EQ(day->FRaceCalc[3].CalcHasData, 0);
  EXPECT_EQ(day->FRaceCalc[3].RankedCount, 0);
  EXPECT_EQ(day->FRaceCalc[3].Tickets[10], "");
}

TEST_F(RaceInfoTest, SlotWithoutARaceStaysEmpty) {
  FillRecords(*day);
  EXPECT_EQ(Info(5).HasData, 0);
  EXPECT_EQ(Info(5).RaceName, std::string(60, ' '));
  EXPECT_EQ(Info(5).PostTime, "    ");
  EXPECT_EQ(Info(5).UmaBan[0], "");
  EXPECT_EQ(Info(5).OddsAnnounce1, "    ");
  EXPECT_EQ(Info(5).OddsAnnounce2, "    ");
  EXPECT_EQ(Info(5).Odds1Present, 0);
  EXPECT_EQ(Info(5).Odds2Present, 0);
  EXPECT_EQ(Info(5).OddsTime1, "");
  EXPECT_EQ(Info(5).OddsTime2, "");
}

TEST_F(RaceInfoTest, CardRunnersSnapshotsAndPredictedOdds) {
  const std::string name = ToCp932("ディープインパクト");  // 18 bytes kept of 36
  t.GRaTbl[0] = Rec(L::kRaLine, "RA").Key("20240106", "05", 11).Set(L::ra::kPostTime, "1545")
                    .Num(L::ra::kEntryCount, 25).Set(L::ra::kRaceName, ToCp932("有馬記念")).Set(L::ra::kGradeCode, "A");
  for (int h = 0; h < 18; ++h)
    t.GSeTbl[0][h] = Rec(L::kSeLine, "SE").Key("20240106", "05", 11).Num(L::se::kUmaBan, h + 1)
                         .Set(L::se::kHorseName, name).Set(L::se::kSexCode, "3").Set(L::se::kFutan, "570");
  Rec o1 = Rec(L::kO1Line, "O1").Key("20240106", "05", 11).Set(L::o1::kAnnounce, "01061530");
  o1.Set(L::o1::WinOdds(0), "0035").Set(L::o1::WinOdds(1), "----").Set(L::o1::WinOdds(2), "****");
  o1.Set(L::o1::WinOdds(17), "9999").Set(L::o1::WinOdds(18), "0011");  // entry 19 exists in the block
  t.GO1Tbl2[0] = o1;
  std::string yoz(L::kYozLine, ' ');
  yoz.replace(L::yoz::Win(0).pos - 1, 6, "  12.5");
  yoz.replace(L::yoz::Win(17).pos - 1, 6, "1234.5");
  t.GYozTbl[0] = yoz;
  FillRecords(*day);
  const TRaceInfo& r = Info(0);
  EXPECT_EQ(r.HasData, 1);
  EXPECT_EQ(r.RaceKey, "2024010605010111");
  EXPECT_EQ(r.RaceName.substr(0, 8), ToCp932("有馬記念"));
  EXPECT_EQ(r.RaceName.size(), 60u);
  EXPECT_EQ(r.GradeCode, "A");
  EXPECT_EQ(r.EntryCount, "25");
  EXPECT_EQ(r.UmaBan[17], "18");  // entries above 18 fill the 18 horses and no more
  EXPECT_EQ(r.HorseName[0], name.substr(0, 18));
  EXPECT_EQ(r.SexCode[5], "3");
  EXPECT_EQ(r.Futan[5], "570");
  EXPECT_EQ(r.Odds1Present, 0);
  EXPECT_EQ(r.WinOdds1[0], -2);
  EXPECT_EQ(r.OddsAnnounce2, "1530");
  EXPECT_EQ(r.Odds2Present, 1);
  EXPECT_EQ(r.WinOdds2[0], 3.5);
  EXPECT_EQ(r.WinOdds2[1], -1);
  EXPECT_EQ(r.WinOdds2[2], -1);
  EXPECT_EQ(r.WinOdds2[3], -2);
  EXPECT_EQ(r.WinOdds2[17], 999.9);
  EXPECT_EQ(r.PredWinOdds[0], 12.5);
  EXPECT_EQ(r.PredWinOdds[1], -1);
  EXPECT_EQ(r.PredWinOdds[17], 1234.5);
}

TEST_F(RaceInfoTest, RunnersBeyondTheEntryCountStayEmpty) {
  t.GRaTbl[0] = Ra("20240106", "05", 1, "1000", 2);
  for (int h = 0; h < 18; ++h) t.GSeTbl[0][h] = Se("20240106", "05", 1, h + 1);
  FillRecords(*day);
  EXPECT_EQ(Info(0).UmaBan[1], "02");
  EXPECT_EQ(Info(0).UmaBan[2], "");
  EXPECT_EQ(Info(0).WinOdds1[2], 0);
}

// One racecourse's day plus the first races of a second one.
TEST_F(RaceInfoTest, OddsScheduleOfEveryRaceNumber) {
  const char* posts[12] = {"1005", "1035", "1100", "1158", "1230", "1300", "1330", "1425", "1500", "1535", "1610", "1645"};
  for (int r = 1; r <= 12; ++r) t.GRaTbl[r - 1] = Ra("20240106", "05", r, posts[r - 1]);
  t.GRaTbl[12] = Ra("20240106", "06", 2, "1015");  // first race of its racecourse is race 2
  t.GRaTbl[13] = Ra("20240106", "06", 3, "    ");  // previous post known, own blank
  t.GRaTbl[14] = Ra("20240106", "06", 4, "1105");  // previous post blank
  t.GRaTbl[15] = Ra("20240106", "06", 1, "1000");
  t.GRaTbl[16] = Ra("20240106", "06", 13, "1000");
  FillRecords(*day);
  EXPECT_EQ(Info(0).OddsTime1, "0935");
  EXPECT_EQ(Info(0).OddsTime2, "");
  EXPECT_EQ(Info(1).OddsTime1, "1010");
  EXPECT_EQ(Info(3).OddsTime1, "1105");
  EXPECT_EQ(Info(4).OddsTime1, "1203");  // "1158" + 5 crosses the hour
  EXPECT_EQ(Info(4).OddsTime2, "");
  EXPECT_EQ(Info(5).OddsTime1, "1220");
  EXPECT_EQ(Info(5).OddsTime2, "");
  EXPECT_EQ(Info(6).OddsTime1, "1220");
  EXPECT_EQ(Info(6).OddsTime2, "1305");
  EXPECT_EQ(Info(8).OddsTime1, "1220");
  EXPECT_EQ(Info(8).OddsTime2, "1430");
  EXPECT_EQ(Info(10).OddsTime2, "1540");
  EXPECT_EQ(Info(11).OddsTime1, "1220");
  EXPECT_EQ(Info(11).OddsTime2, "1540");  // race 12 repeats race 11's second time
  EXPECT_EQ(Info(12).OddsTime1, "1650");  // takes the previous racecourse's last race
  EXPECT_EQ(Info(13).OddsTime1, "1020");
  EXPECT_EQ(Info(14).OddsTime1, "");      // previous post time blank: no time, not "00-25"-like text
  EXPECT_EQ(Info(15).OddsTime1, "0930");
  EXPECT_EQ(Info(16).OddsTime1, "");
  EXPECT_EQ(Info(16).OddsTime2, "");
}

TEST_F(RaceInfoTest, FirstSlotHasNoPreviousRace) {
  for (int race : {2, 5, 7, 11, 12}) {
    ResetRecords(*day);
    t.Blank();
    t.GRaTbl[0] = Ra("20240106", "05", race, "1300");
    FillRecords(*day);
    EXPECT_EQ(Info(0).OddsTime1, race <= 5 ? "" : "1220") << race;
    EXPECT_EQ(Info(0).OddsTime2, "") << race;
  }
  ResetRecords(*day);
  t.GRaTbl[0] = Ra("20240106", "05", 1, "    ");
  FillRecords(*day);
  EXPECT_EQ(Info(0).OddsTime1, "");
}

// Records cut short (or empty) give short fields, never a read past their end: the card takes what is there
// and a race whose post time is missing gets no schedule.
TEST_F(RaceInfoTest, ShortAndEmptyRecordsFillWhatTheyHold) {
  t.GRaTbl[0] = Ra("20240106", "05", 1).substr(0, 27);
  t.GRaTbl[1] = Ra("20240106", "05", 2, "1000", 3).substr(0, 900);
  t.GSeTbl[1][0] = "SE";
  t.GSeTbl[1][1] = "";
  t.GO1Tbl1[1] = "O1";
  t.GO1Tbl2[1] = "";
  t.GYozTbl[1] = "2024";
  t.GRaTbl[2] = "";
  FillRecords(*day);
  EXPECT_EQ(Info(0).HasData, 1);
  EXPECT_EQ(Info(0).RaceKey, "2024010605010101");
  EXPECT_EQ(Info(0).PostTime, "");
  EXPECT_EQ(Info(0).OddsTime1, "");
  EXPECT_EQ(Info(1).EntryCount, "03");
  EXPECT_EQ(Info(1).OddsTime1, "");  // the previous race's post time is missing
  EXPECT_EQ(Info(1).UmaBan[0], "");
  EXPECT_EQ(Info(1).HorseName[1], "");
  EXPECT_EQ(Info(1).OddsAnnounce1, "");
  EXPECT_EQ(Info(1).Odds1Present, 0);
  EXPECT_EQ(Info(1).WinOdds1[2], -2);
  EXPECT_EQ(Info(1).PredWinOdds[0], -1);
  EXPECT_EQ(Info(2).HasData, 0);
}

}  // namespace
}  // namespace corvina
