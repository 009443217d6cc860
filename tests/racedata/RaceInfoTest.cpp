#include "racedata/RaceInfo.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "RecordBuilder.h"
#include "platform/Cp932.h"
#include "racedata/RaceRecords.h"

namespace corvina {
namespace {

using namespace test;
using ::testing::ElementsAre;

class RaceInfoTest : public ::testing::Test {
 protected:
  std::unique_ptr<DayModel> day = std::make_unique<DayModel>();
  RaceTable& t = day->Table;
  RaceInfo& Info(int s) { return day->Races[s]; }
};

TEST(RaceInfo, OddsFieldCodes) {
  // -1: withdrawn, cancelled or not a number (a horse without odds, never ranked); -2: blank.
  for (auto [text, value] :
       {std::pair{"0035", 3.5}, {"----", -1.0}, {"****", -1.0}, {"    ", -2.0}, {"", -2.0}, {"12a4", -1.0}})
    EXPECT_EQ(WinOddsValue(text), value) << text;
  // "nan" and "inf" parse as numbers but are no odds.
  for (auto [text, value] : {std::pair{"  12.5", 12.5},
                             {"1234.5", 1234.5},
                             {"      ", -1.0},
                             {" 3.x  ", -1.0},
                             {"   nan", -1.0},
                             {"   inf", -1.0}})
    EXPECT_EQ(PredOddsValue(text), value) << text;
}

TEST_F(RaceInfoTest, ResetClearsEverythingIncludingTheUsableFlag) {
  Info(3).RaceName = "x";
  Info(3).SanrentanPay[6] = 1000;
  day->Calcs[3].CalcHasData = 1;
  day->Calcs[3].RankedCount = 5;
  day->Calcs[3].Tickets[kTicketPlaces] = " 1- 2";
  ResetRecords(*day);
  EXPECT_EQ(Info(3).RaceName + day->Calcs[3].Tickets[kTicketPlaces], "");
  EXPECT_EQ((Ints{Info(3).SanrentanPay[6], day->Calcs[3].CalcHasData, day->Calcs[3].RankedCount}), (Ints{0, 0, 0}));
}

TEST_F(RaceInfoTest, SlotWithoutARaceStaysEmpty) {
  FillRecords(*day);
  const RaceInfo& i = Info(5);
  EXPECT_EQ((Ints{i.HasData, i.Odds1Present, i.Odds2Present}), (Ints{0, 0, 0}));
  EXPECT_EQ((Strs{i.RaceName, i.PostTime, i.UmaBan[0], i.OddsAnnounce1, i.OddsAnnounce2, i.OddsTime1, i.OddsTime2}),
            (Strs{std::string(60, ' '), "    ", "", "    ", "    ", "", ""}));
}

TEST_F(RaceInfoTest, CardRunnersSnapshotsAndPredictedOdds) {
  const std::string name = ToCp932("ディープインパクト");  // 18 bytes kept of 36
  t.GRaTbl[0] = Rec(L::kRaLine, "RA")
                    .Key("20240106", "05", 11)
                    .Set(L::ra::kPostTime, "1545")
                    .Num(L::ra::kEntryCount, 25)
                    .Set(L::ra::kRaceName, ToCp932("有馬記念"))
                    .Set(L::ra::kGradeCode, "A");
  for (int h = 0; h < 18; ++h)
    t.GSeTbl[0][h] = Rec(L::kSeLine, "SE")
                         .Key("20240106", "05", 11)
                         .Num(L::se::kUmaBan, h + 1)
                         .Set(L::se::kHorseName, name)
                         .Set(L::se::kSexCode, "3")
                         .Set(L::se::kFutan, "570");
  Rec o1 = Rec(L::kO1Line, "O1").Key("20240106", "05", 11).Set(L::o1::kAnnounce, "01061530");
  o1.Set(L::o1::WinOdds(0), "0035").Set(L::o1::WinOdds(1), "----").Set(L::o1::WinOdds(2), "****");
  o1.Set(L::o1::WinOdds(17), "9999").Set(L::o1::WinOdds(18), "0011");  // entry 19 exists in the block
  t.GO1Tbl2[0] = o1;
  t.GYozTbl[0] = Rec(L::kYozLine, "").Set(L::yoz::Win(0), "  12.5").Set(L::yoz::Win(17), "1234.5");
  FillRecords(*day);
  const RaceInfo& r = Info(0);
  EXPECT_EQ((Ints{r.HasData, r.Odds1Present, r.Odds2Present}), (Ints{1, 0, 1}));
  EXPECT_EQ(r.RaceName, PadRight(ToCp932("有馬記念"), 60));
  // Entries above 18 fill the 18 horses and no more.
  EXPECT_EQ((Strs{r.RaceKey, r.GradeCode, r.EntryCount, r.UmaBan[17], r.HorseName[0], r.SexCode[5], r.Futan[5],
                  r.OddsAnnounce2}),
            (Strs{"2024010605010111", "A", "25", "18", name.substr(0, 18), "3", "570", "1530"}));
  EXPECT_EQ(r.WinOdds1[0], -2);
  EXPECT_THAT(At(r.WinOdds2, {0, 1, 2, 3, 17}), ElementsAre(3.5, -1, -1, -2, 999.9));
  EXPECT_THAT(At(r.PredWinOdds, {0, 1, 17}), ElementsAre(12.5, -1, 1234.5));
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
  const char* posts[12] = {"1005", "1035", "1100", "1158", "1230", "1300",
                           "1330", "1425", "1500", "1535", "1610", "1645"};
  for (int r = 1; r <= 12; ++r) t.GRaTbl[r - 1] = Ra("20240106", "05", r, posts[r - 1]);
  t.GRaTbl[12] = Ra("20240106", "06", 2, "1015");  // first race of its racecourse is race 2
  t.GRaTbl[13] = Ra("20240106", "06", 3, "    ");  // previous post known, own blank
  t.GRaTbl[14] = Ra("20240106", "06", 4, "1105");  // previous post blank
  t.GRaTbl[15] = Ra("20240106", "06", 1, "1000");
  t.GRaTbl[16] = Ra("20240106", "06", 13, "1000");
  FillRecords(*day);
  // Slot 4: "1158" + 5 crosses the hour. Slot 11: race 12 repeats race 11's second time. Slot 12 takes the
  // previous racecourse's last race. Slot 14: previous post time blank gives no time, not "00-25"-like text.
  const Strs first = {"0935", "1010", "1040", "1105", "1203", "1220", "1220", "1220", "1220",
                      "1220", "1220", "1220", "1650", "1020", "",     "0930", ""};
  const Strs second = {"", "", "", "", "", "", "1305", "1335", "1430", "1505", "1540", "1540", "", "", "", "", ""};
  for (int s = 0; s < 17; ++s) {
    EXPECT_EQ(Info(s).OddsTime1, first[s]) << s;
    EXPECT_EQ(Info(s).OddsTime2, second[s]) << s;
  }
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
  EXPECT_EQ((Ints{Info(0).HasData, Info(1).Odds1Present, Info(2).HasData}), (Ints{1, 0, 0}));
  EXPECT_EQ((Strs{Info(0).RaceKey, Info(0).PostTime, Info(0).OddsTime1}), (Strs{"2024010605010101", "", ""}));
  // Race 2's schedule is missing too: the previous race's post time is.
  EXPECT_EQ(
      (Strs{Info(1).EntryCount, Info(1).OddsTime1, Info(1).UmaBan[0], Info(1).HorseName[1], Info(1).OddsAnnounce1}),
      (Strs{"03", "", "", "", ""}));
  EXPECT_EQ(Info(1).WinOdds1[2], -2);
  EXPECT_EQ(Info(1).PredWinOdds[0], -1);
}

}  // namespace
}  // namespace corvina
