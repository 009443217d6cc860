// A whole race day through the file-backed stand-in: the stored import, real-time odds of a race at two
// times, the day's results, then the evening import; the day files and the stand-in's call trace are checked.
// And an import killed at any point of its read: the next import leaves the same bytes as one that ran through.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>

#include "components/SettingsFile.h"
#include "platform/jvlink/FileJVLink.h"
#include "racedata/DayFiles.h"
#include "racedata/RealTime.h"
#include "racedata/StoredImport.h"
#include "tests/support/JVLinkFiles.h"
#include "tests/support/RecordingUis.h"
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
  day->AppDir = app;
  testing::RecordingRealTimeUi rtUi;
  RealTimeReader reader(link, *day, rtUi);
  ASSERT_EQ(reader.InitLink(), 0);

  // Morning import: the card published two days before.
  SettingsFile ini;
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
  auto minuteOf = [](const std::string& line) {
    return std::stoi(line.substr(31, 2)) * 60 + std::stoi(line.substr(33, 2));
  };
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

// Where a child process running an import stops itself for its parent to kill it.
struct KillPoint {
  const char* name;
  int reads = 0;                // at the loop turn after this many reads; 0: not in the loop
  bool readEnded = false;       // once the read has reached the end of the data, before the files are saved
  bool startTimeShown = false;  // after the files are saved, before the start time is written
  std::chrono::milliseconds flush = std::chrono::hours(1);  // nothing saved before the read ends
};

struct StoppingUi : testing::RecordingImportUi {
  const KillPoint& at;
  int turns = 0;
  explicit StoppingUi(const KillPoint& point) : at(point) {
    onMessages = [this] {
      if (++turns == at.reads + 1 && at.reads > 0) ::raise(SIGSTOP);
    };
  }
  void SetProgressLabel(const std::string& t) override {
    if (at.readEnded && t.starts_with(ToCp932("データ読込み完了"))) ::raise(SIGSTOP);
    RecordingImportUi::SetProgressLabel(t);
  }
  void ShowStartTime(const DateTime& t) override {
    if (at.startTimeShown) ::raise(SIGSTOP);
    RecordingImportUi::ShowStartTime(t);
  }
};

void ImportInto(const fs::path& root, const fs::path& app, testing::RecordingImportUi& ui,
                std::chrono::milliseconds flush = DayFileBatch::kFlushInterval) {
  FileJVLink link(root);
  ASSERT_EQ(link.JVInit("SA501927/SD774310/Corvina/Ver.1.28"), 0);
  SettingsFile ini;
  ini.SetFileName((app / "corvina.ini").string());
  StoredImport import(link, app, ini, ui);
  import.SetStartTime(DateTime{2024, 1, 1, 0, 0, 0});
  import.SetFlushInterval(flush);
  RunImport(import, ui);
}

// Every file of the program folder and the data folder, by name.
std::map<std::string, std::string> FilesOf(const fs::path& app) {
  std::map<std::string, std::string> files;
  for (const fs::path& folder : {app, app / "Data"}) {
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (!entry.is_regular_file()) continue;
      std::string bytes;
      EXPECT_TRUE(ReadFileBytes(entry.path(), bytes));
      const std::u8string name = fs::relative(entry.path(), app).u8string();
      files[std::string(name.begin(), name.end())] = bytes;
    }
  }
  return files;
}

TEST(EndToEnd, AnImportKilledAnywhereIsMadeWholeByTheNextImport) {
  const test::TempDir base{"killed"};
  testing::ClockGuard clock{DateTime{2024, 1, 6, 18, 0, 0}};
  jvgen::Options options;
  options.date = DayName{2024, 1, 6};
  options.venues = 1;
  options.races = 8;  // a race file the import fills up with blank lines
  const jvgen::Day generated = jvgen::MakeDay(options);
  jvgen::WriteStandIn(generated, base / "standin");
  const auto fresh = [&](const std::string& name) {
    fs::create_directories(base / name / "app" / "Data");
    fs::copy(base / "standin", base / name / "jvlink", fs::copy_options::recursive);
    return base / name;
  };
  const fs::path once = fresh("once");
  testing::RecordingImportUi onceUi;
  ImportInto(once / "jvlink", once / "app", onceUi);
  const auto expected = FilesOf(once / "app");
  ASSERT_EQ(expected.size(), 4u);  // the race, runner and payout files and the settings with the start time

  const KillPoint points[] = {
      {.name = "early in the read", .reads = 30},
      {.name = "in the second file, every record saved", .reads = 150, .flush = std::chrono::milliseconds(0)},
      {.name = "at the end of the data", .readEnded = true},
      {.name = "after the save, before the start time", .startTimeShown = true},
  };
  for (const KillPoint& point : points) {
    SCOPED_TRACE(point.name);
    const fs::path run = fresh(point.name);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      StoppingUi ui(point);
      ImportInto(run / "jvlink", run / "app", ui, point.flush);
      ::_exit(0);  // ran through: the parent sees it was never stopped
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, WUNTRACED), child);
    ASSERT_TRUE(WIFSTOPPED(status)) << "the import ran through without reaching its kill point";
    ::kill(child, SIGKILL);
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    const auto left = FilesOf(run / "app");
    EXPECT_EQ(left.empty(), point.flush.count() > 0 && !point.startTimeShown);
    EXPECT_FALSE(left.contains("corvina.ini"));  // the start time never moved

    testing::RecordingImportUi ui;
    ImportInto(run / "jvlink", run / "app", ui);
    auto files = FilesOf(run / "app");
    if (point.startTimeShown) {
      // The race file was already filled up: reading its races again sorts its blank lines first and drops
      // one per race card, as every import over a filled race file does. The races stay the same.
      const std::string ra = "Data/2024年01月06日.jvRA";
      const auto races = [](const std::string& bytes) {
        Lines lines = SplitLines(bytes);
        std::erase_if(lines, [](const std::string& l) { return IsBlank(l); });
        return lines;
      };
      EXPECT_EQ(SplitLines(files[ra]).size(), SplitLines(expected.at(ra)).size());
      EXPECT_EQ(races(files[ra]), races(expected.at(ra)));
      files[ra] = expected.at(ra);
    }
    EXPECT_TRUE(files == expected);
  }
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
