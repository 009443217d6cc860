#include "racedata/RaceRecords.h"

#include <gtest/gtest.h>

#include <memory>

#include "RecordBuilder.h"
#include "platform/Cp932.h"

namespace corvina {
namespace {

using namespace test;

class RaceTableTest : public ::testing::Test {
 protected:
  std::unique_ptr<DayModel> day = std::make_unique<DayModel>();
  RaceTable& t = day->Table;
};

TEST(RaceRecords, KeysAndLinesOfRecords) {
  const std::string ra = Rec(L::kRaLine, "RA").Key("20240106", "05", 11, 1, 2);
  EXPECT_EQ((Strs{RaceKey(ra), DateKey(ra), VenueRaceKey(ra), MatchKey(ra)}),
            (Strs{"2024010605010211", "20240106", "05010211", "0511"}));
  EXPECT_EQ(MatchKey("RA"), "");  // a short record gives short fields, never a read past its end
  // CR LF or LF-only end, short and long records; line ends inside a record become blanks.
  EXPECT_EQ((Strs{LineOfRecord("HR12\r\n", 6), LineOfRecord("HR12\n", 6), LineOfRecord("HR123456789", 6),
                  LineOfRecord("HR\n1\r2\r\n", 6), LineOfRecord("", 3)}),
            (Strs{"HR12  ", "HR12  ", "HR1234", "HR 1 2", "   "}));
  EXPECT_EQ(RaceListLine(ra), ToCp932("東京   1回  2日11R"));
}

TEST(RaceRecords, OnlyRealYearsAreRacesAndEntryCountsStayWithin18) {
  EXPECT_TRUE(IsRaceRecord(Ra("20240106", "05", 1)));
  EXPECT_FALSE(IsRaceRecord(Rec(L::kRaLine, "RA").Key("0000", "05", 1).str()));
  EXPECT_FALSE(IsRaceRecord(std::string(L::kRaLine, ' ')));
  EXPECT_FALSE(IsRaceRecord(""));
  EXPECT_EQ((Ints{EntryCount(Ra("20240106", "05", 1, "1000", 25)), EntryCount(Ra("20240106", "05", 1, "1000", 9)),
                  EntryCount(Rec(L::kRaLine, "RA").Set(L::ra::kEntryCount, "-3").str())}),
            (Ints{18, 9, 0}));
}

TEST_F(RaceTableTest, PaddedRaFileFillsSlotsWithRacesOnly) {
  Lines ra(24, std::string(L::kRaLine, ' '));
  ra.push_back(Rec(L::kRaLine, "RA").Key("0000", "05", 1));
  for (int r = 1; r <= 12; ++r) ra.push_back(Ra("20240106", "05", r));
  t.GRaTbl[20] = Ra("20231231", "06", 1);  // left from an earlier read
  EXPECT_EQ(AssignRaceSlots(t, ra), 12);
  EXPECT_EQ((Ints{RaceNumber(t.GRaTbl[0]), RaceNumber(t.GRaTbl[11])}), (Ints{1, 12}));
  EXPECT_TRUE(IsBlank(t.GRaTbl[12]));
  EXPECT_TRUE(IsBlank(t.GRaTbl[20]));
  EXPECT_EQ(t.GRaTbl[0].size(), size_t(L::kRaLine));

  // More than 36 races stop at the last slot.
  ra.clear();
  for (const char* c : {"05", "06", "07", "08"})
    for (int r = 1; r <= 12; ++r) ra.push_back(Ra("20240106", c, r));
  EXPECT_EQ(AssignRaceSlots(t, ra), 36);
  EXPECT_EQ(MatchKey(t.GRaTbl[35]), "0712");
}

TEST_F(RaceTableTest, RunnersComeFromTheirRaceLinesAndStayWithinTheFile) {
  Lines se(L::kSeLines, std::string(L::kSeLine, ' '));
  for (int r = 1; r <= 12; ++r)
    for (int h = 1; h <= 18; ++h) se[(r - 1) * 18 + h - 1] = Se("20240106", "05", r, h);
  t.GRaTbl[0] = Ra("20240106", "05", 3, "1000", 25);  // entry field beyond 18
  FileRunners(t, 0, se);
  for (int h = 0; h < 18; ++h) EXPECT_EQ(FieldInt(t.GSeTbl[0][h], L::se::kUmaBan), h + 1);
  EXPECT_EQ(RaceNumber(t.GSeTbl[0][17]), 3);

  t.GRaTbl[1] = Ra("20240106", "05", 0);   // race 0 would address line -18
  t.GRaTbl[2] = Ra("20240106", "05", 13);  // race 13 is past the 216 lines
  FileRunners(t, 1, se);
  FileRunners(t, 2, se);
  EXPECT_TRUE(IsBlank(t.GSeTbl[1][0]));
  EXPECT_TRUE(IsBlank(t.GSeTbl[2][0]));

  const Lines shortFile(se.begin(), se.begin() + 30);  // races 1 and part of 2
  t.GRaTbl[3] = Ra("20240106", "05", 2, "1000", 16);
  FileRunners(t, 3, shortFile);
  EXPECT_EQ(FieldInt(t.GSeTbl[3][11], L::se::kUmaBan), 12);
  EXPECT_TRUE(IsBlank(t.GSeTbl[3][12]));
  EXPECT_EQ(t.GSeTbl[3][12].size(), size_t(L::kSeLine));
}

TEST_F(RaceTableTest, SequentialFilingMatchesVenueAndRaceOnlyInTheFirst36Lines) {
  t.GRaTbl[0] = Ra("20240106", "05", 1);
  t.GRaTbl[1] = Ra("20240106", "05", 2);
  Lines hr;
  hr.push_back(std::string(L::kHrLine, ' '));           // blank line: no race, files nowhere
  hr.push_back(Hr("20231201", "05", 2));                // other date, same venue and race: filed
  hr.push_back(Hr("20240106", "06", 1));                // other venue: dropped
  hr.push_back(Hr("20240106", "05", 2).substr(0, 40));  // short line of the same race replaces
  FileSequential(t, t.GHrTbl, hr, L::kHrLine);
  EXPECT_TRUE(IsBlank(t.GHrTbl[0]));
  EXPECT_EQ(DateKey(t.GHrTbl[1]), "20240106");
  EXPECT_EQ(t.GHrTbl[1].size(), size_t(L::kHrLine));
  for (int s = 2; s < kSlots; ++s) EXPECT_TRUE(IsBlank(t.GHrTbl[s])) << s;

  // Only the first 36 lines of a sequential file are read.
  Lines o2(36, std::string(L::kO2Line, ' '));
  o2.push_back(O2("20240106", "05", 1, "01061000"));
  FileSequential(t, t.GO2Tbl, o2, L::kO2Line);
  EXPECT_TRUE(IsBlank(t.GO2Tbl[0]));
}

TEST_F(RaceTableTest, O1LinesArePositional) {
  t.GRaTbl[0] = Ra("20240106", "05", 1);
  t.GRaTbl[1] = Ra("20240106", "05", 2);
  t.GRaTbl[2] = Ra("20240106", "05", 3);
  Lines o1 = {O1("20240106", "05", 1, "01060930"), O1("20240106", "05", 1, "01060955"),
              O1("20240106", "05", 3, "01061000"),                                 // written for another ordering
              std::string(L::kO1Line, ' '), O1("20240106", "05", 3, "01061010")};  // line 5 missing
  FileO1(t, o1);
  auto announce = [](const std::string& rec) { return IsBlank(rec) ? "blank" : FieldText(rec, L::o1::kAnnounce); };
  EXPECT_EQ((Strs{announce(t.GO1Tbl1[0]), announce(t.GO1Tbl2[0]), announce(t.GO1Tbl1[1]), announce(t.GO1Tbl2[1]),
                  announce(t.GO1Tbl1[2]), announce(t.GO1Tbl2[2])}),
            (Strs{"01060930", "01060955", "blank", "blank", "01061010", "blank"}));
}

TEST_F(RaceTableTest, YozLinesMatchByDateVenueNameAndRace) {
  t.GRaTbl[0] = Ra("20240106", "05", 1);
  t.GRaTbl[1] = Ra("20240106", "06", 1);
  t.GRaTbl[2] = Ra("20240106", "06", 2);
  const Lines yoz = {Yoz("20240106", " 4", 1, 'K'),   // digit 4 = 東京; runners (blank) not compared
                     Yoz("20240106", " 5", 1, 'M'),   // digit 5 = 中山
                     Yoz("20240107", "06", 2, 'J'),   // other date: dropped
                     std::string(L::kYozLine, ' ')};  // blank: claims no empty slot
  FileYoz(*day, yoz);
  EXPECT_EQ((Ints{day->Races[0].YozSourceM, day->Races[1].YozSourceM}), (Ints{0, 1}));
  for (int s = 0; s < kSlots; ++s) EXPECT_EQ(day->Races[s].YozMatched, s < 2 ? 1 : 0) << s;
  EXPECT_TRUE(IsBlank(day->GYozRec));  // the last line read, matched or not
}

TEST_F(RaceTableTest, BlankingForANewLoadForgetsThePreviousOddsSource) {
  t.GRaTbl[0] = Ra("20240106", "05", 1);
  t.GSeTbl[35][17] = "SE";
  FileYoz(*day, {Yoz("20240106", "05", 1, 'J')});
  EXPECT_EQ(FieldText(day->GYozRec, L::yoz::kSource), "J");
  BlankRaceTable(*day);
  EXPECT_TRUE(day->GYozRec.empty());
  EXPECT_TRUE(IsBlank(t.GRaTbl[0]));
  EXPECT_EQ(t.GSeTbl[35][17], std::string(L::kSeLine, ' '));  // blank records keep their line length
  EXPECT_EQ(FindSlot(t, "0501"), -1);
  EXPECT_EQ(FindSlot(t, "    "), -1);
}

// Empty and short lines of the day files file nothing into the races and never read past their end.
TEST_F(RaceTableTest, EmptyAndShortLinesFileNothing) {
  t.GRaTbl[0] = Ra("20240106", "05", 1);
  t.GRaTbl[1] = Ra("20240106", "05", 2);
  // The last line is cut inside its race number: its match key is not a slot's.
  const Lines junk = {"", "O1", std::string(26, ' '), O1("20240106", "05", 1, "01061000").substr(0, 26)};
  FileO1(t, junk);
  FileSequential(t, t.GO2Tbl, junk, L::kO2Line);
  FileSequential(t, t.GHrTbl, junk, L::kHrLine);
  FileYoz(*day, junk);
  for (int s = 0; s < 2; ++s) {
    EXPECT_TRUE(IsBlank(t.GO1Tbl1[s])) << s;
    EXPECT_TRUE(IsBlank(t.GO1Tbl2[s])) << s;
    EXPECT_TRUE(IsBlank(t.GO2Tbl[s])) << s;
    EXPECT_TRUE(IsBlank(t.GHrTbl[s])) << s;
    EXPECT_EQ(day->Races[s].YozMatched, 0) << s;
  }
  EXPECT_EQ(day->GYozRec.size(), size_t(L::kYozLine));  // the last line read, at its line length
  EXPECT_EQ(AssignRaceSlots(t, {"", "RA", std::string(15, ' '), "RA0000000000000"}), 0);
  FileRunners(t, 0, junk);
  EXPECT_TRUE(IsBlank(t.GSeTbl[0][0]));
}

}  // namespace
}  // namespace corvina
