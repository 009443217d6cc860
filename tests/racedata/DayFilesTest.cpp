#include "racedata/DayFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "RecordBuilder.h"
#include "racedata/RaceRecords.h"
#include "tests/support/HeldSave.h"

namespace corvina {
namespace {

using namespace test;
namespace fs = std::filesystem;

std::string Name(const fs::path& p) {
  const std::u8string s = p.filename().u8string();
  return std::string(s.begin(), s.end());
}

class DayFilesTest : public ::testing::Test {
 protected:
  fs::path Path(std::string_view suffix) const { return DayFilePath(data, day, suffix); }
  // What the writers hold reaches the disk before a file is read back.
  Lines ReadAll(const fs::path& p) {
    EXPECT_TRUE(files.Flush());
    return test::ReadAll(p);
  }
  TempDir dir;
  fs::path data = DataDirOf(dir.path());
  DayFileBatch files{data};
  DayName day{2024, 1, 6};
  void SetUp() override { fs::create_directories(data); }
};

TEST_F(DayFilesTest, NamesAreUtf8DaysWithTheirSuffix) {
  EXPECT_EQ(Name(Path(".jvRA")), "2024年01月06日.jvRA");
  EXPECT_EQ(Name(SeFilePath(data, day, "05")), "2024年01月06日東京.jvSEr");
  EXPECT_EQ(Name(SeFilePathBeside(Path(".jvRA"), "09")), "2024年01月06日阪神.jvSEr");
  EXPECT_EQ(Name(WithSuffix(Path(".jvRA"), ".jvHR")), "2024年01月06日.jvHR");
  EXPECT_EQ(DayOfRecord(Ra("20240106", "05", 1)), day);
  EXPECT_FALSE(DayOfRecord(Ra("20241306", "05", 1)).has_value());
  EXPECT_FALSE(DayOfRecord("RA").has_value());
}

TEST_F(DayFilesTest, DayListIsNewestFirstAndIgnoresOtherNames) {
  for (const char8_t* name : {u8"2023年12月28日.jvRA", u8"2024年01月06日.jvRA", u8"2024年01月05日.jvRA",
                              u8"2024年01月07日.jvHR", u8"メモ.jvRA", u8"2024年01月06日東京.jvSEr"})
    std::ofstream(data / fs::path(name)) << "x";
  EXPECT_EQ(ListRaceDays(data), (std::vector<DayName>{day, DayName(2024, 1, 5), DayName(2023, 12, 28)}));
  EXPECT_TRUE(ListRaceDays(data / "missing").empty());
}

TEST_F(DayFilesTest, RaceCardsReplaceTheirLineAndStaySorted) {
  ASSERT_EQ(MergeRaRecord(files, Ra("20240106", "05", 2) + "\r\n", DayWriter::Import), MergeResult::Stored);
  ASSERT_EQ(MergeRaRecord(files, Ra("20240106", "05", 1), DayWriter::Import), MergeResult::Stored);
  Rec again = Rec(L::kRaLine, "RA")
                  .Key("20240106", "05", 2)
                  .Set(L::head::kKindAndCreated, "B20240105")
                  .Set(L::ra::kPostTime, "1111");
  ASSERT_EQ(MergeRaRecord(files, again.str() + "\r\n", DayWriter::RealTime), MergeResult::Stored);
  const Lines lines = ReadAll(Path(".jvRA"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(RaceNumber(lines[0]), 1);
  EXPECT_EQ((Strs{FieldText(lines[1], L::ra::kPostTime), FieldText(lines[1], L::head::kKindAndCreated)}),
            (Strs{"1111", "000000000"}));
  EXPECT_EQ(lines[1].size(), size_t(L::kRaLine));
}

TEST_F(DayFilesTest, RealTimeReaderCreatesOnlyThePayoutFile) {
  EXPECT_EQ(MergeRaRecord(files, Ra("20240106", "05", 1), DayWriter::RealTime), MergeResult::Skipped);
  EXPECT_FALSE(fs::exists(Path(".jvRA")));
  EXPECT_EQ(MergeSeRecord(files, Se("20240106", "05", 1, 1), DayWriter::RealTime), MergeResult::Skipped);
  Rec hr = Rec(L::kHrLine, "HR").Key("20240106", "05", 1).Set(L::head::kKindAndCreated, "220240106");
  EXPECT_EQ(MergeHrRecord(files, hr.str(), DayWriter::RealTime), MergeResult::Stored);
  EXPECT_EQ(FieldText(ReadAll(Path(".jvHR"))[0], L::head::kKindAndCreated), "220240106");  // stored unchanged
  EXPECT_EQ(MergeHrRecord(files, hr.str(), DayWriter::Import), MergeResult::Stored);
  EXPECT_EQ(FieldText(ReadAll(Path(".jvHR"))[0], L::head::kKindAndCreated), "000000000");
  EXPECT_EQ(ReadAll(Path(".jvHR")).size(), 1u);
}

// The blank lines a padded .jvRA holds sort first: one goes per record stored.
TEST_F(DayFilesTest, PaddedRaceFileLosesOneBlankLinePerWrite) {
  ASSERT_EQ(MergeRaRecord(files, Ra("20240106", "05", 1), DayWriter::Import), MergeResult::Stored);
  ASSERT_TRUE(PadRaFile(files, Path(".jvRA")));
  EXPECT_EQ(ReadAll(Path(".jvRA")).size(), 36u);
  ASSERT_EQ(MergeRaRecord(files, Ra("20240106", "05", 1), DayWriter::Import), MergeResult::Stored);
  const Lines lines = ReadAll(Path(".jvRA"));
  EXPECT_EQ(lines.size(), 35u);
  EXPECT_TRUE(IsBlank(lines.front()));
  EXPECT_EQ(RaceNumber(lines.back()), 1);
  // One per record stored, however many records one save takes.
  ASSERT_EQ(MergeRaRecord(files, Ra("20240106", "05", 1), DayWriter::Import), MergeResult::Stored);
  ASSERT_EQ(MergeRaRecord(files, Ra("20240106", "05", 2), DayWriter::Import), MergeResult::Stored);
  EXPECT_EQ(ReadAll(Path(".jvRA")).size(), 34u);
  // The real-time reader's race cards take one too.
  ASSERT_EQ(MergeRaRecord(files, Ra("20240106", "05", 1), DayWriter::RealTime), MergeResult::Stored);
  EXPECT_EQ(ReadAll(Path(".jvRA")).size(), 33u);
  // Payouts lose no line, whoever stores them: a blank first line stays.
  ASSERT_TRUE(SaveLines(Path(".jvHR"), {std::string(L::kHrLine, ' '), Hr("20240106", "05", 1)}));
  for (DayWriter writer : {DayWriter::Import, DayWriter::RealTime})
    ASSERT_EQ(MergeHrRecord(files, Hr("20240106", "05", 2), writer), MergeResult::Stored);
  const Lines hr = ReadAll(Path(".jvHR"));
  ASSERT_EQ(hr.size(), 3u);
  EXPECT_TRUE(IsBlank(hr[0]));
  EXPECT_EQ((std::vector<int>{RaceNumber(hr[1]), RaceNumber(hr[2])}), (std::vector<int>{1, 2}));
}

// The records of an exchange wait in memory for the flush; a file that cannot be saved keeps its changes for the
// next flush while the others are saved, and a file once saved is read from disk again.
TEST_F(DayFilesTest, BatchSavesChangedFilesAtTheFlushAndKeepsWhatFailed) {
  const fs::path ra = Path(".jvRA"), se = SeFilePath(data, day, "05");
  ASSERT_EQ(MergeRaRecord(files, Ra("20240106", "05", 2), DayWriter::Import), MergeResult::Stored);
  ASSERT_EQ(MergeRaRecord(files, Ra("20240106", "05", 1), DayWriter::Import), MergeResult::Stored);
  ASSERT_EQ(MergeSeRecord(files, Se("20240106", "05", 1, 1), DayWriter::Import), MergeResult::Stored);
  EXPECT_TRUE(fs::is_empty(data));
  EXPECT_TRUE(files.Exists(ra));
  EXPECT_TRUE(files.FlushWhenDue());  // not due yet
  EXPECT_TRUE(fs::is_empty(data));

  fs::create_directory(se);  // where the runner file belongs
  std::string error;
  EXPECT_FALSE(files.Flush(&error));
  EXPECT_NE(error.find(".jvSEr"), std::string::npos) << error;
  EXPECT_EQ(test::ReadAll(ra).size(), 2u);
  EXPECT_FALSE(files.Unsaved(ra));
  EXPECT_TRUE(files.Unsaved(se));
  fs::remove(se);
  files.SetFlushInterval(std::chrono::milliseconds(0));
  EXPECT_TRUE(files.FlushWhenDue());
  EXPECT_EQ(FieldInt(test::ReadAll(se).at(0), L::se::kUmaBan), 1);

  ASSERT_TRUE(SaveLines(ra, Lines{Ra("20240106", "05", 3)}));  // written by someone else meanwhile
  ASSERT_EQ(MergeRaRecord(files, Ra("20240106", "05", 4), DayWriter::Import), MergeResult::Stored);
  const Lines lines = ReadAll(ra);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(RaceNumber(lines[0]) * 10 + RaceNumber(lines[1]), 34);
}

// Race 0 or 13, horse 0 or 19, an impossible date, empty or short records: skipped, and no file is made.
TEST_F(DayFilesTest, RecordsWithoutAPlaceAreSkippedWithoutAFile) {
  EXPECT_EQ(MergeRaRecord(files, Ra("20240106", "05", 0), DayWriter::Import), MergeResult::Skipped);
  EXPECT_EQ(MergeHrRecord(files, Hr("20240106", "05", 0), DayWriter::Import), MergeResult::Skipped);
  EXPECT_EQ(MergeSeRecord(files, Se("20240106", "05", 13, 1), DayWriter::Import), MergeResult::Skipped);
  EXPECT_EQ(MergeSeRecord(files, Se("20240106", "05", 1, 19), DayWriter::Import), MergeResult::Skipped);
  EXPECT_EQ(MergeSeRecord(files, Se("20240106", "05", 1, 0), DayWriter::Import), MergeResult::Skipped);
  EXPECT_EQ(MergeRaRecord(files, Ra("20249999", "05", 1), DayWriter::Import), MergeResult::Skipped);
  for (std::string_view rec : {std::string_view(""), std::string_view("\r\n"), std::string_view("RA")}) {
    EXPECT_EQ(MergeRaRecord(files, rec, DayWriter::Import), MergeResult::Skipped);
    EXPECT_EQ(MergeHrRecord(files, rec, DayWriter::Import), MergeResult::Skipped);
    EXPECT_EQ(MergeSeRecord(files, rec, DayWriter::Import), MergeResult::Skipped);
  }
  EXPECT_TRUE(files.Flush());
  EXPECT_TRUE(fs::is_empty(data));
}

// Only runner lines are addressed by race number; a race card or payout line of race 13 is still a line of its
// own and is kept like any other.
TEST_F(DayFilesTest, RaceCardsAndPayoutsAboveRace12AreStored) {
  EXPECT_EQ(MergeRaRecord(files, Ra("20240106", "05", 13), DayWriter::Import), MergeResult::Stored);
  EXPECT_EQ(MergeHrRecord(files, Hr("20240106", "05", 13), DayWriter::RealTime), MergeResult::Stored);
  EXPECT_EQ(RaceNumber(ReadAll(Path(".jvRA")).at(0)), 13);
  EXPECT_EQ(RaceNumber(ReadAll(Path(".jvHR")).at(0)), 13);
}

// A record with a stray line end inside must stay one line, or every runner line after it would move.
TEST_F(DayFilesTest, LineEndsInsideARecordDoNotSplitTheLine) {
  std::string se = Se("20240106", "05", 1, 1);
  se[200] = '\n';
  se[300] = '\r';
  ASSERT_EQ(MergeSeRecord(files, se + "\r\n", DayWriter::Import), MergeResult::Stored);
  ASSERT_EQ(MergeSeRecord(files, Se("20240106", "05", 1, 2), DayWriter::Import), MergeResult::Stored);
  const Lines lines = ReadAll(SeFilePath(data, day, "05"));
  ASSERT_EQ(lines.size(), 216u);
  EXPECT_EQ(FieldInt(lines[0], L::se::kUmaBan), 1);
  EXPECT_EQ(lines[0].size(), size_t(L::kSeLine));
  EXPECT_EQ(lines[0][200], ' ');
  EXPECT_EQ(FieldInt(lines[1], L::se::kUmaBan), 2);
  Rec ra = Rec(L::kRaLine, "RA").Key("20240106", "05", 1);
  ra.Set(L::ra::kRaceName, "A\r\nB");
  ASSERT_EQ(MergeRaRecord(files, ra.str(), DayWriter::Import), MergeResult::Stored);
  EXPECT_EQ(ReadAll(Path(".jvRA")).size(), 1u);
}

TEST_F(DayFilesTest, RunnerFileIsCreatedWith216LinesAndShortFilesAreExtended) {
  ASSERT_EQ(MergeSeRecord(files, Se("20240106", "05", 12, 18), DayWriter::Import), MergeResult::Stored);
  Lines lines = ReadAll(SeFilePath(data, day, "05"));
  ASSERT_EQ(lines.size(), 216u);
  EXPECT_EQ(FieldInt(lines[215], L::se::kUmaBan), 18);
  EXPECT_TRUE(IsBlank(lines[0]));
  ASSERT_TRUE(SaveLines(SeFilePath(data, day, "05"), Lines(lines.begin(), lines.begin() + 10)));
  ASSERT_EQ(MergeSeRecord(files, Se("20240106", "05", 2, 3), DayWriter::RealTime), MergeResult::Stored);
  lines = ReadAll(SeFilePath(data, day, "05"));
  ASSERT_EQ(lines.size(), 216u);
  EXPECT_EQ(FieldInt(lines[20], L::se::kUmaBan), 3);
}

// A day file that exists but cannot be read is never taken for an empty one: the merge would save the new
// record alone over every race stored before it.
TEST_F(DayFilesTest, ADayFileThatCannotBeReadIsReportedAndLeftAsItIs) {
  const fs::path se = SeFilePath(data, day, "05");
  for (const fs::path& p : {Path(".jvRA"), Path(".jvHR"), se}) MakeUnreadable(p);
  for (DayWriter writer : {DayWriter::Import, DayWriter::RealTime}) {
    std::string error;
    EXPECT_EQ(MergeRaRecord(files, Ra("20240106", "05", 1), writer, &error), MergeResult::Failed);
    EXPECT_NE(error.find(" を読めません（"), std::string::npos) << error;
    error.clear();
    EXPECT_EQ(MergeHrRecord(files, Hr("20240106", "05", 1), writer, &error), MergeResult::Failed);
    EXPECT_NE(error.find(" を読めません（"), std::string::npos) << error;
    error.clear();
    EXPECT_EQ(MergeSeRecord(files, Se("20240106", "05", 1, 1), writer, &error), MergeResult::Failed);
    EXPECT_NE(error.find(" を読めません（"), std::string::npos) << error;
  }
  EXPECT_FALSE(PadRaFile(files, Path(".jvRA")));
  EXPECT_FALSE(WritePlaceholderOddsFiles(Path(".jvRA")));
  EXPECT_FALSE(fs::exists(Path(".jvO1")));
  for (const fs::path& p : {Path(".jvRA"), Path(".jvHR"), se}) EXPECT_TRUE(fs::is_symlink(p)) << "replaced";
}

class OddsWriterTest : public DayFilesTest {
 protected:
  void SetUp() override {
    DayFilesTest::SetUp();
    for (int r = 1; r <= 3; ++r) table->GRaTbl[r - 1] = Ra("20240106", "05", r);
    ASSERT_TRUE(CreateBlankFile(Path(".jvO1"), L::kO1Line, 6));
    ASSERT_TRUE(CreateBlankFile(Path(".jvO2"), L::kO2Line, 3));
  }
  std::unique_ptr<RaceTable> table = std::make_unique<RaceTable>();
};

TEST_F(OddsWriterTest, FirstSnapshotIsKeptAndTheLatestFollowsNewerTimes) {
  EXPECT_EQ(MergeO1Record(files, *table, O1("20240106", "05", 2, "01061000")), MergeResult::Stored);
  EXPECT_TRUE(IsBlank(ReadAll(Path(".jvO1"))[3]));
  EXPECT_EQ(MergeO1Record(files, *table, O1("20240106", "05", 2, "01061010")), MergeResult::Stored);
  EXPECT_EQ(MergeO1Record(files, *table, O1("20240106", "05", 2, "01061005")), MergeResult::NotNewer);
  EXPECT_EQ(MergeO1Record(files, *table, O1("20240106", "05", 2, "01061020")), MergeResult::Stored);
  const Lines l = ReadAll(Path(".jvO1"));
  EXPECT_EQ(l.size(), 6u);
  EXPECT_EQ((Strs{FieldText(l[2], L::o1::kAnnounce), FieldText(l[3], L::o1::kAnnounce)}),
            (Strs{"01061000", "01061020"}));
}

TEST_F(DayFilesTest, RaceDayOddsOfANewYearRaceReplaceThoseOfTheEveBefore) {
  // Announcements carry only mmddhhnn: "12312100" was made the evening before a 1 January race.
  const DayName newYear{2025, 1, 1};
  auto table = std::make_unique<RaceTable>();
  table->GRaTbl[0] = Ra("20250101", "06", 1);
  ASSERT_TRUE(CreateBlankFile(DayFilePath(data, newYear, ".jvO1"), L::kO1Line, 2));
  ASSERT_TRUE(CreateBlankFile(DayFilePath(data, newYear, ".jvO2"), L::kO2Line, 1));
  EXPECT_EQ(MergeO1Record(files, *table, O1("20250101", "06", 1, "12311800")), MergeResult::Stored);
  EXPECT_EQ(MergeO1Record(files, *table, O1("20250101", "06", 1, "12312100")), MergeResult::Stored);
  EXPECT_EQ(MergeO1Record(files, *table, O1("20250101", "06", 1, "01010700")), MergeResult::Stored);
  EXPECT_EQ(MergeO1Record(files, *table, O1("20250101", "06", 1, "12312200")), MergeResult::NotNewer);
  Lines l = ReadAll(DayFilePath(data, newYear, ".jvO1"));
  EXPECT_EQ((Strs{FieldText(l[0], L::o1::kAnnounce), FieldText(l[1], L::o1::kAnnounce)}),
            (Strs{"12311800", "01010700"}));
  EXPECT_EQ(MergeO2Record(files, *table, O2("20250101", "06", 1, "12312100")), MergeResult::Stored);
  EXPECT_EQ(MergeO2Record(files, *table, O2("20250101", "06", 1, "01010930")), MergeResult::Stored);
  EXPECT_EQ(FieldText(ReadAll(DayFilePath(data, newYear, ".jvO2"))[0], L::o2::kAnnounce), "01010930");
}

TEST_F(OddsWriterTest, QuinellaOddsOfTheSameTimeDoNotReplace) {
  Rec first = Rec(L::kO2Line, "O2")
                  .Key("20240106", "05", 3)
                  .Set(L::o2::kAnnounce, "01061100")
                  .Set(L::o2::UmarenOdds(1), "000123");
  EXPECT_EQ(MergeO2Record(files, *table, first.str() + "\r\n"), MergeResult::Stored);
  EXPECT_EQ(MergeO2Record(files, *table, O2("20240106", "05", 3, "01061100")), MergeResult::NotNewer);
  EXPECT_EQ(FieldText(ReadAll(Path(".jvO2"))[2], L::o2::UmarenOdds(1)), "000123");
}

// A record of a race the loaded day does not hold is dropped. One of a loaded race whose day file is gone (deleted,
// or the Data folder moved away) fails with the file's name, and the file is not made again: it would hold that
// race's odds and nothing else.
TEST_F(OddsWriterTest, OddsOfRacesNotLoadedAreDroppedAndALoadedRaceWithoutItsFileFails) {
  EXPECT_EQ(MergeO1Record(files, *table, O1("20240106", "05", 4, "01061000")), MergeResult::Skipped);
  EXPECT_EQ(MergeO1Record(files, *table, O1("20240106", "06", 1, "01061000")), MergeResult::Skipped);
  EXPECT_EQ(MergeO1Record(files, *table, O1("20240106", "05", 0, "01061000")), MergeResult::Skipped);
  for (const auto& line : ReadAll(Path(".jvO1"))) EXPECT_TRUE(IsBlank(line));

  fs::remove(Path(".jvO2"));
  std::string error;
  EXPECT_EQ(MergeO2Record(files, *table, O2("20240106", "05", 1, "01061000"), &error), MergeResult::Failed);
  EXPECT_EQ(error, Path(".jvO2").string() + " がありません。");
  EXPECT_EQ(MergeO2Record(files, *table, O2("20240106", "06", 1, "01061000")), MergeResult::Skipped);
  EXPECT_TRUE(files.Flush());
  EXPECT_FALSE(fs::exists(Path(".jvO2")));

  fs::rename(data, dir.path() / "moved");
  error.clear();
  EXPECT_EQ(MergeO1Record(files, *table, O1("20240106", "05", 3, "01061000"), &error), MergeResult::Failed);
  EXPECT_EQ(error, Path(".jvO1").string() + " がありません。");
  EXPECT_TRUE(files.Flush());
  EXPECT_FALSE(fs::exists(data));
}

TEST_F(OddsWriterTest, EmptyOrShortOddsRecordsAreDropped) {
  for (std::string_view rec : {std::string_view(""), std::string_view("O1"), std::string_view("\r\n")}) {
    EXPECT_EQ(MergeO1Record(files, *table, rec), MergeResult::Skipped);
    EXPECT_EQ(MergeO2Record(files, *table, rec), MergeResult::Skipped);
  }
  // A record cut after its key still has a place: it is stored padded, and its blank time is never newer.
  const std::string cut = O1("20240106", "05", 1, "01061000").substr(0, 27);
  EXPECT_EQ(MergeO1Record(files, *table, cut), MergeResult::Stored);
  EXPECT_EQ(MergeO1Record(files, *table, cut), MergeResult::NotNewer);
  const Lines l = ReadAll(Path(".jvO1"));
  EXPECT_EQ(l[0].size(), size_t(L::kO1Line));
  EXPECT_EQ(MatchKey(l[0]), "0501");
}

TEST_F(OddsWriterTest, ShortOddsFilesAreExtendedToTheSlot) {
  table->GRaTbl[10] = Ra("20240106", "06", 11);
  EXPECT_EQ(MergeO1Record(files, *table, O1("20240106", "06", 11, "01061500")), MergeResult::Stored);
  EXPECT_EQ(MergeO2Record(files, *table, O2("20240106", "06", 11, "01061500")), MergeResult::Stored);
  const Lines o1 = ReadAll(Path(".jvO1")), o2 = ReadAll(Path(".jvO2"));
  ASSERT_EQ(o1.size(), 22u);
  ASSERT_EQ(o2.size(), 11u);
  EXPECT_EQ(MatchKey(o1[20]) + MatchKey(o2[10]), "06110611");
  EXPECT_EQ(o2[3].size(), size_t(L::kO2Line));
}

TEST_F(DayFilesTest, PlaceholderOddsFilesNeedMoreThanSixRaceLines) {
  Lines ra;
  for (int r = 1; r <= 6; ++r) ra.push_back(Ra("20240106", "05", r));
  ASSERT_TRUE(SaveLines(Path(".jvRA"), ra));
  ASSERT_TRUE(WritePlaceholderOddsFiles(Path(".jvRA")));
  EXPECT_FALSE(fs::exists(Path(".jvO1")));
  ra.push_back(Ra("20240106", "05", 7));
  ASSERT_TRUE(SaveLines(Path(".jvRA"), ra));
  ASSERT_TRUE(CreateBlankFile(Path(".jvO2"), L::kO2Line, 1));  // an existing file is left alone
  ASSERT_TRUE(WritePlaceholderOddsFiles(Path(".jvRA")));
  const Lines o1 = ReadAll(Path(".jvO1"));
  ASSERT_EQ(o1.size(), 14u);
  EXPECT_EQ(o1[13], std::string(L::kO1Line, ' '));
  EXPECT_EQ(ReadAll(Path(".jvO2")).size(), 1u);
  // Odds that another process saves while a placeholder is being made are kept: the look and the save are one
  // locked step, so the blanks never land on them.
  fs::remove(Path(".jvO1"));
  const Lines odds{std::string(L::kO1Line, '1')};
  EXPECT_TRUE(WhileAChildIsHeldInARewrite(
      Name(Path(".jvO1")), [&] { return WritePlaceholderOddsFiles(Path(".jvRA")); },
      [&] { EXPECT_TRUE(SaveLines(Path(".jvO1"), odds)); }));
  EXPECT_EQ(test::ReadAll(Path(".jvO1")), odds);
}

TEST_F(OddsWriterTest, OddsFilesThatCannotBeReadAreReportedAndLeftAsTheyAre) {
  MakeUnreadable(Path(".jvO1"));
  MakeUnreadable(Path(".jvO2"));
  std::string error;
  EXPECT_EQ(MergeO1Record(files, *table, O1("20240106", "05", 2, "01061000"), &error), MergeResult::Failed);
  EXPECT_NE(error.find(" を読めません（"), std::string::npos) << error;
  EXPECT_EQ(MergeO2Record(files, *table, O2("20240106", "05", 2, "01061000")), MergeResult::Failed);
  EXPECT_TRUE(fs::is_symlink(Path(".jvO1")));
  EXPECT_TRUE(fs::is_symlink(Path(".jvO2")));
}

// A file that another process (another window, a dayreport) saved while the batch held its changes in memory
// gets the batch's changes made again on the lines saved meanwhile: neither side's records are lost, whether the
// file was there when the batch read it or not.
TEST_F(DayFilesTest, AFileSavedElsewhereWhileTheBatchHeldItKeepsBothSidesRecords) {
  const fs::path ra = Path(".jvRA"), se = SeFilePath(data, day, "05");
  ASSERT_TRUE(SaveLines(ra, Lines{Ra("20240106", "05", 3)}));
  ASSERT_EQ(MergeRaRecord(files, Ra("20240106", "05", 4), DayWriter::Import), MergeResult::Stored);
  ASSERT_EQ(MergeSeRecord(files, Se("20240106", "05", 1, 1), DayWriter::Import), MergeResult::Stored);
  DayFileBatch other{data};
  ASSERT_EQ(MergeRaRecord(other, Ra("20240106", "05", 5), DayWriter::Import), MergeResult::Stored);
  ASSERT_EQ(MergeSeRecord(other, Se("20240106", "05", 1, 2), DayWriter::Import), MergeResult::Stored);
  ASSERT_TRUE(other.Flush());
  ASSERT_TRUE(files.Flush());
  const Lines races = test::ReadAll(ra);
  ASSERT_EQ(races.size(), 3u);
  EXPECT_EQ(RaceNumber(races[0]) * 100 + RaceNumber(races[1]) * 10 + RaceNumber(races[2]), 345);
  const Lines runners = test::ReadAll(se);
  ASSERT_EQ(runners.size(), size_t(L::kSeLines));
  EXPECT_EQ(FieldInt(runners[0], L::se::kUmaBan), 1);
  EXPECT_EQ(FieldInt(runners[1], L::se::kUmaBan), 2);
}

}  // namespace
}  // namespace corvina
