// The time-series odds import: the picking rules over a race's snapshots, and the run over a generated day
// whose odds files are missing, short or already filled.
#include <gtest/gtest.h>

#include <filesystem>

#include "analysis/Engine.h"
#include "platform/Cp932.h"
#include "racedata/DayFiles.h"
#include "racedata/DayLoad.h"
#include "racedata/RaceRecords.h"
#include "racedata/TimeSeriesImport.h"
#include "tests/racedata/RecordBuilder.h"
#include "tests/support/TempDir.h"
#include "tools/jvgen/Generator.h"

using namespace corvina;
using corvina::test::O1;
using corvina::test::O2;
namespace fs = std::filesystem;
namespace L = corvina::layout;

namespace {

// Snapshots of race 1 at Tokyo on 2024-01-06 announced "mmddhhnn".
std::string Snap(std::string_view announce) { return O1("20240106", "05", 1, announce); }

}  // namespace

TEST(TimeSeriesPickTest, NearestRuleAndBeforePostRule) {
  const Lines series{Snap("01051800"), Snap("01050955"), Snap("01060958"),
                     Snap("01061002"), Snap("01061639"), Snap("01061640")};
  struct Case {
    const char* name;
    int target;
    bool beforePost;
    const char* post;
    int picked;
  } cases[] = {
      {"tie at 10:00 keeps the earlier line", 600, false, "1500", 2},
      {"the day before never takes part, however close", 9 * 60 + 55, false, "1500", 2},
      {"a blank first time takes the race-day line nearest 00:00", 0, false, "1500", 2},
      {"a blank second time takes the last line before post time", 0, true, "1640", 4},
      {"before post ignores the race-day test", 0, true, "0958", 1},
      {"no line before post keeps the nearest pick", 0, true, "0000", 2},
      {"a set second time uses the nearest rule only", 17 * 60, true, "1000", 5},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PickSnapshot(series, c.target, c.post, L::kKindO1, c.beforePost), c.picked) << c.name;

  // Nothing on race day within 1000 minutes: none.
  EXPECT_EQ(PickNearest(Lines{Snap("01050955"), Snap("01062359")}, 0, L::kKindO1), -1);
  // Only lines of the file's own record kind take part, however near.
  const Lines mixed{Snap("01060900"), O2("20240106", "05", 1, "01061000"), "O1", ""};
  EXPECT_EQ(PickNearest(mixed, 600, L::kKindO1), 0);
  EXPECT_EQ(PickBeforePost(mixed, "1100", L::kKindO2), 1);
  EXPECT_EQ(PickBeforePost(Lines{}, "1100", L::kKindO1), -1);
  // The last line before post time may be the series' first.
  EXPECT_EQ(PickSnapshot(Lines{Snap("01050930"), Snap("01061000")}, 0, "1000", L::kKindO1, true), 0);
}

TEST(TimeSeriesPickTest, MinutesReadLeadingDigitsOfEachPiece) {
  EXPECT_EQ(MinutesOfHHMM("1000"), 600);
  EXPECT_EQ(MinutesOfHHMM("0905"), 545);
  EXPECT_EQ(MinutesOfHHMM("    "), 0);
  EXPECT_EQ(MinutesOfHHMM(""), 0);
  EXPECT_EQ(MinutesOfHHMM(" 9 5"), 545);
  EXPECT_EQ(MinutesOfHHMM("1x30"), 90);
}

TEST(TimeSeriesPickTest, FilesAreNamedOnlyByPlainKeys) {
  const std::string ra = test::Ra("20240106", "05", 1);
  EXPECT_EQ(TimeSeriesFile("/ts", ra, ".jvO1"), fs::path("/ts/20240106/05010101.jvO1"));
  EXPECT_TRUE(TimeSeriesFile("/ts", std::string(L::kRaLine, ' '), ".jvO1").empty());
  EXPECT_TRUE(TimeSeriesFile("/ts", ra.substr(0, 24), ".jvO1").empty());  // a record cut inside its race key
  std::string escaping = ra;
  escaping.replace(19, 8, "/../../x");
  EXPECT_TRUE(TimeSeriesFile("/ts", escaping, ".jvO1").empty());
}

class TimeSeriesImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    day = jvgen::MakeDay({.date = DayName(2024, 1, 6), .venues = 2, .races = 10});
    jvgen::WriteDayFiles(day, home.path());
    jvgen::WriteStandIn(day, root.path());
    folder = root.path() / "realtime" / "0B30";
    model.AppDir = home.path();
    Load();
  }
  void Load() {
    const DayLoadResult r = LoadDay(model, day.date, analysis::MakeDayLoadEngine({}));
    ASSERT_EQ(r.status, DayLoadStatus::Loaded);
  }
  fs::path DayFile(std::string_view suffix) const { return DayFilePath(model.DataDir(), day.date, suffix); }
  Lines Read(std::string_view suffix) const {
    Lines lines;
    ReadLines(DayFile(suffix), lines);
    return lines;
  }
  // The announcement of a stored snapshot in minutes, and whether it was announced on race day.
  static int Announced(const std::string& line) { return MinutesOfHHMM(FieldView(line, L::o1::kAnnHHMM)); }

  test::TempDir home{"tshome"}, root{"tsroot"};
  jvgen::Day day;
  DayModel model;
  fs::path folder;
};

TEST_F(TimeSeriesImportTest, MissingDayFilesAreCreatedAndEveryRaceTakesItsNearestSnapshots) {
  fs::remove(DayFile(".jvO1"));
  fs::remove(DayFile(".jvO2"));
  const TimeSeriesResult r = ImportTimeSeries(model, folder);
  ASSERT_FALSE(r.failed) << r.error;
  EXPECT_EQ(r.morning, 20);
  EXPECT_EQ(r.latest, 20);
  EXPECT_EQ(r.quinella, 20);

  const Lines o1 = Read(".jvO1"), o2 = Read(".jvO2");
  ASSERT_EQ(o1.size(), 40u);
  ASSERT_EQ(o2.size(), 20u);
  for (int i = 0; i < 20; ++i) {
    const RaceInfo& info = model.Races[static_cast<size_t>(i)];
    const std::string& morning = o1[2 * static_cast<size_t>(i)];
    const std::string& latest = o1[2 * static_cast<size_t>(i) + 1];
    for (const std::string* line : {&morning, &latest, &o2[static_cast<size_t>(i)]}) {
      EXPECT_EQ(VenueRaceKey(*line), VenueRaceKey(model.Table.GRaTbl[static_cast<size_t>(i)])) << i;
      EXPECT_EQ(FieldView(*line, L::head::kMonthDay), CopyView(*line, 28, 4)) << "race-day snapshot " << i;
    }
    EXPECT_EQ(morning.size(), size_t(L::kO1Line));
    EXPECT_EQ(o2[static_cast<size_t>(i)].size(), size_t(L::kO2Line));
    // Snapshots every 10 minutes: the nearest is at most 5 minutes off the scheduled time.
    EXPECT_LE(std::abs(Announced(morning) - MinutesOfHHMM(info.OddsTime1)), 5) << i;
    if (!IsBlank(info.OddsTime2)) {
      EXPECT_LE(std::abs(Announced(latest) - MinutesOfHHMM(info.OddsTime2)), 5) << i;
    }
    EXPECT_EQ(CopyView(latest, 1, 2), "O1");
    EXPECT_EQ(CopyView(o2[static_cast<size_t>(i)], 1, 2), "O2");
  }
  // The day loads the new odds.
  Load();
  EXPECT_EQ(model.Races[0].Odds1Present, 1);
}

TEST_F(TimeSeriesImportTest, ShortDayFilesAreExtendedAndOddSeriesLinesKeepTheRecordLength) {
  // A day odds file of 3 lines: the races after it still get their lines, each of the record length.
  Lines o1 = Read(".jvO1");
  o1.resize(3);
  ASSERT_TRUE(SaveLines(DayFile(".jvO1"), o1));
  // The last race's series: one long line and a short one nearest its times, and a record of the wrong kind.
  const std::string& ra = model.Table.GRaTbl[19];
  const RaceInfo& info = model.Races[19];
  const std::string md = FieldText(ra, L::head::kMonthDay);
  const std::string at1 = md + info.OddsTime1, at2 = md + (IsBlank(info.OddsTime2) ? info.OddsTime1 : info.OddsTime2);
  const std::string course = FieldText(ra, L::head::kCourse);
  const Lines series{O1(DateKey(ra), course, 10, at1) + std::string(40, 'x'),
                     O1(DateKey(ra), course, 10, at2).substr(0, 100), O2(DateKey(ra), course, 10, at2)};
  ASSERT_TRUE(SaveLines(TimeSeriesFile(folder, ra, ".jvO1"), series));

  const TimeSeriesResult r = ImportTimeSeries(model, folder);
  ASSERT_FALSE(r.failed) << r.error;
  EXPECT_EQ(r.morning, 20);
  o1 = Read(".jvO1");
  ASSERT_EQ(o1.size(), 40u);
  for (const std::string& line : o1) EXPECT_EQ(line.size(), size_t(L::kO1Line));
  EXPECT_EQ(o1[38], series[0].substr(0, L::kO1Line));
  EXPECT_EQ(o1[39], PadRight(series[1], L::kO1Line));
}

TEST_F(TimeSeriesImportTest, AFolderWithoutTheDayCountsNothingAndChangesNothing) {
  const Lines before = Read(".jvO1");
  const TimeSeriesResult r = ImportTimeSeries(model, home.path());
  EXPECT_FALSE(r.failed);
  EXPECT_EQ(r.morning + r.latest + r.quinella, 0);
  EXPECT_EQ(TimeSeriesSummary(r),
            ToCp932("0ﾚｰｽ分の朝ｵｯｽﾞ、0ﾚｰｽ分の単複枠最新ｵｯｽﾞ、0ﾚｰｽ分の馬連最新ｵｯｽﾞを取りこみました。"));
  EXPECT_EQ(Read(".jvO1"), before);
}

// Each day odds file is saved once, at the end: the win odds of every race reach their file, the quinella odds
// that could not be saved are not counted.
TEST_F(TimeSeriesImportTest, ADayFileThatCannotBeWrittenSaysWhichAndTheOtherIsSaved) {
  const Lines before = Read(".jvO1");
  fs::remove(DayFile(".jvO2"));
  fs::create_directory(DayFile(".jvO2"));  // a folder where the file belongs
  const TimeSeriesResult r = ImportTimeSeries(model, folder);
  EXPECT_TRUE(r.failed);
  EXPECT_NE(r.error.find(".jvO2"), std::string::npos) << r.error;
  EXPECT_EQ(r.morning, 20);
  EXPECT_EQ(r.latest, 20);
  EXPECT_EQ(r.quinella, 0);
  EXPECT_NE(Read(".jvO1"), before);
}

// A day file that cannot be read stops the import at the first race: what that race put into the other file is
// saved and counted, and the failure is still reported although the last save succeeds.
TEST_F(TimeSeriesImportTest, ADayFileThatCannotBeReadStopsTheImportAndIsReported) {
  const Lines before = Read(".jvO1");
  test::MakeUnreadable(DayFile(".jvO2"));
  const TimeSeriesResult r = ImportTimeSeries(model, folder);
  EXPECT_TRUE(r.failed);
  EXPECT_TRUE(r.error.starts_with(DayFile(".jvO2").filename().string() + ": ")) << r.error;
  EXPECT_EQ((std::vector<int>{r.morning, r.latest, r.quinella}), (std::vector<int>{1, 1, 0}));
  const Lines after = Read(".jvO1");
  ASSERT_EQ(after.size(), before.size());
  EXPECT_NE(after[0], before[0]);
  for (size_t i = 2; i < after.size(); ++i) EXPECT_EQ(after[i], before[i]) << i;
  EXPECT_TRUE(fs::is_symlink(DayFile(".jvO2")));
}
