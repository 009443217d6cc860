#include "racedata/RaceRecords.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/Cp932.h"
#include "RecordBuilder.h"

namespace corvina {
namespace {

using namespace testing_support;

class RaceTableTest : public ::testing::Test {
 protected:
  std::unique_ptr<DayModel> day = std::make_unique<DayModel>();
  RaceTable& t = day->Table;
};

TEST(RaceRecords, KeysAndLinesOfRecords) {
  const std::string ra = Rec(L::kRaLine, "RA").Key("20240106", "05", 11, 1, 2);
  EXPECT_EQ(RaceKey(ra), "2024010605010211");
  EXPECT_EQ(DateKey(ra), "20240106");
  EXPECT_EQ(VenueRaceKey(ra), "05010211");
  EXPECT_EQ(MatchKey(ra), "0511");
  EXPECT_EQ(MatchKey("RA"), "");  // a short record gives short fields, never a read past its end
  EXPECT_EQ(LineOfRecord("HR12\r\n", 6), "HR12  ");
  EXPECT_EQ(LineOfRecord("HR12\n", 6), "HR12  ");
  EXPECT_EQ(LineOfRecord("HR123456789", 6), "HR1234");
  EXPECT_EQ(LineOfRecord("HR\n1\r2\r\n", 6), "HR 1 2");  // line ends inside a record become blanks
  EXPECT_EQ(LineOfRecord("", 3), "   ");
  EXPECT_EQ(RaceListLine(ra), ToCp932("東京   1回  2日11R"));
}

TEST(RaceRecords, OnlyRealYearsAreRacesAndEntryCountsStayWithin18) {
  EXPECT_TRUE(IsRaceRecord(Ra("20240106", "05", 1)));
  EXPECT_FALSE(IsRaceRecord(Rec(L::kRaLine, "RA").Key("0000", "05", 1).str()));
  EXPECT_FALSE(IsRaceRecord(std::string(L::kRaLine, ' ')));
  EXPECT_FALSE(IsRaceRecord(""));
  EXPECT_EQ(EntryCount(Ra("20240106", "05", 1, "1000", 25)), 18);
  EXPECT_EQ(EntryCount(Ra("20240106", "05", 1, "1000", 9)), 9);
  EXPECT_EQ(EntryCount(Rec(L::kRaLine, "RA").Set(L::ra::kEntryCount, "-3").str()), 0);
}

TEST_F(RaceTableTest, PaddedRaFileFillsSlotsWithRacesOnly) {
  Lines ra(24, std::string(L::kRaLine, ' '));
  ra.push_back(Rec(L::kRaLine, "RA").Key("0000", "05", 1));
  for (int r = 1; r <= 12; ++r) ra.push_back(Ra("20240106", "05", r));
  t.GRaTbl[20] = Ra("20231231", "06", 1);  // left from an earlier read
  EXPECT_EQ(AssignRaceSlots(t, ra), 12);
  EXPECT_EQ(RaceNumber(t.GRaTbl[0]), 1);
  EXPECT_EQ(RaceNumber(t.GRaTbl[11]), 12);
  EXPECT_TRUE(IsBlank(t.GRaTbl[12]));
  EXPECT_TRUE(IsBlank(t.GRaTbl[20]));
  EXPECT_EQ(t.GRaTbl[0].size(), size_t(L::kRaLine));
}

TEST_F(RaceTableTest, MoreThan36RacesStopAtTheLastSlot) {
  Lines ra;
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

TEST_F(RaceTableTest, SequentialFilingMatchesVenueAndRaceOnly) {
  t.GRaTbl[0] = Ra("20240106", "05", 1);
  t.GRaTbl[1] = Ra("20240106", "05", 2);
  Lines hr;
  hr.push_back(std::string(L::kHrLine, ' '));            // blank line: no race, files nowhere
  hr.push_back(Hr("20231201", "05", 2));                 // other date, same venue and race: filed
  hr.push_back(Hr("20240106", "06", 1));                 // other venue: dropped
  hr.push_back(Hr("20240106", "05", 2).substr(0, 40));   // short line of the same race replaces
  FileSequential(t, t.GHrTbl, hr, L::kHrLine);
  EXPECT_TRUE(IsBlank(t.GHrTbl[0]));
  EXPECT_EQ(DateKey(t.GHrTbl[1]), "20240106");
  EXPECT_EQ(t.GHrTbl[1].size(), size_t(L::kHrLine));
  for (int s = 2; s < kSlots; ++s) EXPECT_TRUE(IsBlank(t.GHrTbl[s])) << s;
}

TEST_F(RaceTableTest, OnlyTheFirst36LinesOfASequentialFileAreRead) {
  t.GRaTbl[0] = Ra("20240106", "05", 1);
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
              O1("20240106", "05", 3, "01061000"),  // written for another ordering
              std::string(L::kO1Line, ' '), O1("20240106", "05", 3, "01061010")};  // line 5 missing
  FileO1(t, o1);
  EXPECT_EQ(FieldText(t.GO1Tbl1[0], L::o1::kAnnounce), "01060930");
  EXPECT_EQ(FieldText(t.GO1Tbl2[0], L::o1::kAnnounce), "01060955");
  EXPECT_TRUE(IsBlank(t.GO1Tbl1[1]));
  EXPECT_TRUE(IsBlank(t.GO1Tbl2[1]));
  EXPECT_EQ(FieldText(t.GO1Tbl1[2], L::o1::kAnnounce), "01061010");
  EXPECT_TRUE(IsBlank(t.GO1Tbl2[2]));
}

std::string YozLine(std::string_view date, std::string_view course, int race, char source, int runners = 16) {
  std::string s(L::kYozLine, ' ');
  auto put = [&](L::Field f, std::string_view v) { s.replace(f.pos - 1, f.len, PadRight(v, f.len)); };
  put(L::yoz::kDate, date);
  put(L::yoz::kCourse, course);
  put(L::yoz::kKai, "01");
  put(L::yoz::kNichi, "01");
  put(L::yoz::kRaceNum, FormatZero(race, 2));
  put(L::yoz::kSource, std::string(1, source));
  put(L::yoz::kRunners, FormatZero(runners, 2));
  return s;
}

TEST_F(RaceTableTest, YozLinesMatchByDateVenueNameAndRace) {
  t.GRaTbl[0] = Ra("20240106", "05", 1);
  t.GRaTbl[1] = Ra("20240106", "06", 1);
  t.GRaTbl[2] = Ra("20240106", "06", 2);
  const Lines yoz = {YozLine("20240106", " 4", 1, 'K', 9),   // digit 4 = 東京, runners not compared
                     YozLine("20240106", " 5", 1, 'M'),  // digit 5 = 中山
                     YozLine("20240107", "06", 2, 'J'),    // other date: dropped
                     std::string(L::kYozLine, ' ')};       // blank: claims no empty slot
  FileYoz(*day, yoz);
  EXPECT_EQ(day->FRaceInfo[0].YozMatched, 1);
  EXPECT_EQ(day->FRaceInfo[0].YozSourceM, 0);
  EXPECT_EQ(day->FRaceInfo[1].YozMatched, 1);
  EXPECT_EQ(day->FRaceInfo[1].YozSourceM, 1);
  EXPECT_EQ(day->FRaceInfo[2].YozMatched, 0);
  for (int s = 3; s < kSlots; ++s) EXPECT_EQ(day->FRaceInfo[s].YozMatched, 0) << s;
  EXPECT_TRUE(IsBlank(day->GYozRec));  // the last line read, matched or not
}

TEST_F(RaceTableTest, BlankingForANewLoadForgetsThePreviousOddsSource) {
  t.GRaTbl[0] = Ra("20240106", "05", 1);
  FileYoz(*day, {YozLine("20240106", "05", 1, 'J')});
  EXPECT_EQ(FieldText(day->GYozRec, L::yoz::kSource), "J");
  BlankRaceTable(*day);
  EXPECT_TRUE(day->GYozRec.empty());
  EXPECT_TRUE(IsBlank(t.GRaTbl[0]));
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
    EXPECT_EQ(day->FRaceInfo[s].YozMatched, 0) << s;
  }
  EXPECT_EQ(day->GYozRec.size(), size_t(L::kYozLine));  // the last line read, at its line length
  EXPECT_EQ(AssignRaceSlots(t, {"", "RA", std::string(15, ' '), "RA0000000000000"}), 0);
  FileRunners(t, 0, junk);
  EXPECT_TRUE(IsBlank(t.GSeTbl[0][0]));
}

// A record cut after its race number still belongs to its race; its missing fields are blanks.
TEST_F(RaceTableTest, ShortRecordOfARaceIsFiledAtItsLineLength) {
  t.GRaTbl[0] = Ra("20240106", "05", 1);
  FileSequential(t, t.GO2Tbl, {O2("20240106", "05", 1, "01061000").substr(0, 27)}, L::kO2Line);
  EXPECT_EQ(MatchKey(t.GO2Tbl[0]), "0501");
  EXPECT_EQ(t.GO2Tbl[0].size(), size_t(L::kO2Line));
}

}  // namespace
}  // namespace corvina
