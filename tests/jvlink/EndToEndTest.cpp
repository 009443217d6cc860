// A whole race day through the file-backed stand-in: the stored import, real-time odds of a race at two
// times, the day's results, then the evening import; the day files and the stand-in's call trace are checked.
#include "components/IniGT.h"
#include "platform/jvlink/FileJVLink.h"
#include "racedata/DayFiles.h"
#include "racedata/RealTime.h"
#include "racedata/StoredImport.h"
#include "tests/jvlink/RecordingUis.h"
#include "tests/jvlink/TestSupport.h"
#include "tools/jvgen/Generator.h"

namespace corvina {
namespace {
namespace fs = std::filesystem;

// Operation names of trace.log, in call order, with their results.
std::vector<std::pair<std::string, int>> TraceCalls(const fs::path& root) {
  std::vector<std::pair<std::string, int>> calls;
  for (const auto& line : testing::FileLines(root / "trace.log")) {
    const std::string call = line.substr(20);
    const auto paren = call.find('('), eq = call.find(")=");
    calls.emplace_back(call.substr(0, paren), std::stoi(call.substr(eq + 2)));
  }
  return calls;
}

void RunImport(StoredImport& import, testing::RecordingImportUi& ui) {
  import.Start();
  for (int i = 0; i < 100 && ui.timer; ++i) import.StatusTick();
  ASSERT_FALSE(import.Busy());
}

TEST(EndToEnd, ImportOddsAndResultsOfAGeneratedDay) {
  const test::TempDir base{"e2e"};
  const fs::path root = base / "jvlink", app = base / "app";
  const DayName date{2024, 1, 6};
  jvgen::Options options;
  options.date = date;
  const jvgen::Day generated = jvgen::MakeDay(options);
  jvgen::WriteStandIn(generated, root);
  fs::create_directories(app / "Data");

  testing::ClockGuard clock{DateTime{2024, 1, 6, 8, 0, 0}};
  FileJVLink link(root);
  auto day = std::make_unique<DayModel>();
  day->FAppDir = app;
  testing::RecordingRealTimeUi rtUi;
  RealTimeReader reader(link, *day, rtUi);
  ASSERT_EQ(reader.FormShow(), 0);

  // Morning import: the card published two days before.
  TIniGT ini;
  ini.SetFileName((app / "corvina.ini").string());
  testing::RecordingImportUi importUi;
  StoredImport import(link, app, ini, importUi);
  import.SetGate(&reader.Gate());
  import.SetStartTime(DateTime{2024, 1, 1, 0, 0, 0});
  RunImport(import, importUi);
  const fs::path raPath = DayFilePath(day->DataDir(), date, ".jvRA");
  Lines ra;
  ASSERT_TRUE(ReadFixedLines(raPath, 1270, ra));
  ASSERT_EQ(ra.size(), 36u);
  EXPECT_FALSE(IsBlank(ra[35]));  // three racecourses of twelve races: no filling needed
  EXPECT_EQ(ini.ReadString("JvDataGet", "LastTime", ""), "2024/01/04 16:00:00");
  EXPECT_FALSE(fs::exists(DayFilePath(day->DataDir(), date, ".jvHR")));
  const std::string course = ra[0].substr(19, 2);
  Lines se;
  ASSERT_TRUE(ReadLines(SeFilePath(day->DataDir(), date, course), se));
  ASSERT_EQ(se.size(), 216u);
  EXPECT_EQ(se[0].substr(0, 2), "SE");

  // The loaded day: the race table and the odds files the day load makes.
  for (size_t i = 0; i < ra.size(); ++i) day->Table.GRaTbl[i] = ra[i];
  ASSERT_TRUE(WritePlaceholderOddsFiles(raPath));

  // Odds of the first race, twice before its post time.
  const std::string key = ra[0].substr(11, 16);
  const jvgen::Race& race0 = generated.races.at(0);
  ASSERT_EQ(race0.VenueRaceKey(), key.substr(8));
  auto takeOdds = [&] {
    reader.Gate().Run([&] {
      if (link.JVRTOpen("0B30", key) == 0) reader.ReadOddsRecords();
      reader.CloseAfterOdds();
      reader.CloseAfterOdds();
    });
  };
  Clock::Set(DateTime{2024, 1, 6, (race0.postMinute - 40) / 60, (race0.postMinute - 40) % 60, 0});
  takeOdds();
  Clock::Set(DateTime{2024, 1, 6, (race0.postMinute - 5) / 60, (race0.postMinute - 5) % 60, 0});
  takeOdds();
  Lines o1, o2;
  ASSERT_TRUE(ReadFixedLines(DayFilePath(day->DataDir(), date, ".jvO1"), 960, o1));
  ASSERT_TRUE(ReadFixedLines(DayFilePath(day->DataDir(), date, ".jvO2"), 2040, o2));
  ASSERT_EQ(o1.size(), 72u);
  auto minuteOf = [](const std::string& line) { return std::stoi(line.substr(31, 2)) * 60 + std::stoi(line.substr(33, 2)); };
  EXPECT_EQ(o1[0].substr(0, 2), "O1");
  EXPECT_EQ(o1[1].substr(0, 2), "O1");
  EXPECT_LE(minuteOf(o1[0]), race0.postMinute - 40);
  EXPECT_GT(minuteOf(o1[1]), minuteOf(o1[0]));
  EXPECT_LE(minuteOf(o1[1]), race0.postMinute - 5);
  EXPECT_EQ(minuteOf(o2[0]), minuteOf(o1[1]));
  EXPECT_TRUE(IsBlank(o1[2]));

  // The day's results in the evening, then the evening import of the stored results.
  Clock::Set(DateTime{2024, 1, 6, 17, 0, 0});
  reader.Gate().Run([&] {
    if (link.JVRTOpen("0B12", date.DateKey()) == 0) reader.ReadRaceRecords();
    reader.CloseAfterRaces(true);
    reader.CloseAfterRaces(true);
  });
  Lines hr;
  ASSERT_TRUE(ReadFixedLines(DayFilePath(day->DataDir(), date, ".jvHR"), 717, hr));
  EXPECT_EQ(hr.size(), 36u);
  EXPECT_EQ(hr[0].substr(2, 1), "1");  // real-time payouts are stored as they came
  Clock::Set(DateTime{2024, 1, 6, 18, 0, 0});
  import.SetStartTime(DateTime{2024, 1, 4, 16, 0, 0});
  RunImport(import, importUi);
  ASSERT_TRUE(ReadFixedLines(DayFilePath(day->DataDir(), date, ".jvHR"), 717, hr));
  EXPECT_EQ(hr.size(), 36u);
  EXPECT_EQ(hr[0].substr(2, 9), "000000000");
  EXPECT_EQ(ini.ReadString("JvDataGet", "LastTime", ""), "2024/01/06 17:30:00");
  EXPECT_TRUE(rtUi.labels.empty());
  EXPECT_TRUE(rtUi.informs.empty());

  // Every exchange was closed before the next began, and nothing failed.
  bool open = false;
  int exchanges = 0;
  for (const auto& [op, result] : TraceCalls(root)) {
    if (op == "JVOpen" || op == "JVRTOpen") {
      EXPECT_FALSE(open) << "second exchange while one is open";
      EXPECT_EQ(result, 0) << op;
      open = true;
      ++exchanges;
    } else if (op == "JVClose") {
      open = false;
    } else if (op == "JVRead") {
      EXPECT_GE(result, -3);
    }
  }
  EXPECT_FALSE(open);
  EXPECT_EQ(exchanges, 5);
}

TEST(EndToEnd, GeneratedNewYearDayHasItsOddsOnTheEveBefore) {
  const test::TempDir tmp{"newyear"};
  const fs::path& root = tmp.path();
  jvgen::Options options;
  options.date = DayName{2025, 1, 1};
  options.venues = 1;
  options.races = 1;
  const jvgen::Day generated = jvgen::MakeDay(options);
  jvgen::WriteStandIn(generated, root);
  const std::string key = "20250101" + generated.races.at(0).VenueRaceKey();
  FileJVLink link(root);
  ASSERT_EQ(link.JVInit("sid"), 0);
  // The announcement of each kind served at `now`, "-1" when the exchange has none.
  auto announcedAt = [&](const DateTime& now) {
    testing::ClockGuard clock{now};
    std::vector<std::string> seen;
    if (link.JVRTOpen("0B30", key) == 0) {
      std::string buff, name;
      while (link.JVRead(buff, kJVReadBufferSize, name) > 0) seen.push_back(buff.substr(0, 2) + buff.substr(27, 8));
    } else {
      seen.push_back("-1");
    }
    link.JVClose();
    return seen;
  };
  EXPECT_EQ(announcedAt(DateTime{2024, 12, 31, 17, 59, 0}), (std::vector<std::string>{"-1"}));
  EXPECT_EQ(announcedAt(DateTime{2024, 12, 31, 18, 30, 0}), (std::vector<std::string>{"O112311800", "O212311800"}));
  EXPECT_EQ(announcedAt(DateTime{2025, 1, 1, 7, 5, 0}), (std::vector<std::string>{"O101010700", "O201010700"}));
}

}  // namespace
}  // namespace corvina
