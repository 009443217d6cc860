// The manual odds: which days may take odds by hand, the rows of the schedule grid, and the fetch of the
// ticked races through the exchange gate, with its skipped snapshots and its failures.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "analysis/Engine.h"
#include "platform/Cp932.h"
#include "platform/jvlink/ScriptedJVLink.h"
#include "racedata/DayFiles.h"
#include "racedata/DayLoad.h"
#include "racedata/JVMessages.h"
#include "racedata/ManualOdds.h"
#include "racedata/RaceRecords.h"
#include "racedata/RacingTexts.h"
#include "tests/racedata/RecordBuilder.h"
#include "tests/support/TempDir.h"
#include "tools/jvgen/Generator.h"

using namespace corvina;
namespace fs = std::filesystem;
namespace L = corvina::layout;

namespace {

class RecordingUi : public ManualOddsUi {
 public:
  void Beep() override { ++beeps; }
  void Inform(const std::string& text) override { texts.push_back(FromCp932(text)); }
  void ProcessMessages() override {
    ++messageRuns;
    if (onMessages) onMessages();
  }
  void SetProgress(int position, int max) override { progress.emplace_back(position, max); }
  void SetProgressLabel(const std::string& text) override { labels.push_back(FromCp932(text)); }
  void SetBusyCursor(bool busy) override { this->busy = busy; }
  int beeps = 0, messageRuns = 0;
  bool busy = false;
  std::vector<std::string> texts, labels;
  std::vector<std::pair<int, int>> progress;
  std::function<void()> onMessages;
};

}  // namespace

TEST(ManualOddsCheckTest, TodayAndTheSevenDaysBeforeWithCurrentCards) {
  RaceTable table;
  const DateTime today{2024, 3, 1, 12, 0, 0};
  struct Case {
    std::optional<DayName> loaded;
    ManualOddsRefusal expected;
  } cases[] = {
      {DayName(2024, 3, 1), ManualOddsRefusal::None},
      {DayName(2024, 2, 23), ManualOddsRefusal::None},  // seven days back over a leap day
      {DayName(2024, 2, 22), ManualOddsRefusal::NotRecent},
      {DayName(2024, 3, 2), ManualOddsRefusal::NotRecent},
      {DayName(2023, 3, 1), ManualOddsRefusal::NotRecent},
      {std::nullopt, ManualOddsRefusal::NoDay},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CheckManualOdds(c.loaded, today, table), c.expected) << (c.loaded ? c.loaded->Display() : "none");

  table.GSeTbl[35][17] = test::Rec(L::kSeLine, L::kKindSE).Set(L::head::kDataKind, "1");
  EXPECT_EQ(CheckManualOdds(DayName(2024, 3, 1), today, table), ManualOddsRefusal::EarlyCards);
  EXPECT_EQ(FromCp932(RefusalText(ManualOddsRefusal::NotRecent)), "本日または直近日のﾃﾞｰﾀを読み込んでください。");
  EXPECT_TRUE(RefusalText(ManualOddsRefusal::None).empty());
}

TEST(ManualOddsCheckTest, GridRowShowsTimesAsHoursAndMinutesAndBlanksAsEmpty) {
  DayModel day;
  day.Table.GRaTbl[0] =
      test::Rec(L::kRaLine, L::kKindRA).Key("20240106", "05", 11, 1, 10).Set(L::ra::kPostTime, "1525");
  day.Races[0].OddsTime1 = "0950";
  day.Races[0].OddsTime2 = "    ";
  day.Table.GO1Tbl2[0] = test::O1("20240106", "05", 11, "01061510");
  const auto row = ManualOddsRowTexts(day, 0);
  const std::vector<std::string> expected{"東京 1回10日11R", "15:25", "09:50", "", "", "15:10"};
  for (size_t c = 0; c < 6; ++c) EXPECT_EQ(FromCp932(row[c]), expected[c]) << c;
}

class ManualOddsFetchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gen = jvgen::MakeDay({.date = DayName(2024, 1, 6), .venues = 1, .races = 9, .results = false});
    jvgen::WriteDayFiles(gen, home.path());
    // Too short for the later races: their lines are added when their odds arrive.
    ASSERT_TRUE(CreateBlankFile(DayFilePath(home.path() / "Data", gen.date, ".jvO1"), L::kO1Line, 4));
    ASSERT_TRUE(CreateBlankFile(DayFilePath(home.path() / "Data", gen.date, ".jvO2"), L::kO2Line, 9));
    model.AppDir = home.path();
    ASSERT_EQ(LoadDay(model, gen.date, analysis::MakeDayLoadEngine({})).status, DayLoadStatus::Loaded);
  }
  std::string O1(int race, int minute, char kind) const {
    return jvgen::O1Record(gen, gen.races[static_cast<size_t>(race)], jvgen::Snapshot{0, minute, kind});
  }
  std::string O2(int race, int minute, char kind) const {
    return jvgen::O2Record(gen, gen.races[static_cast<size_t>(race)], jvgen::Snapshot{0, minute, kind});
  }
  Lines Read(std::string_view suffix) const {
    Lines lines;
    ReadLines(DayFilePath(model.DataDir(), gen.date, suffix), lines);
    return lines;
  }
  std::vector<std::string> Opens() const {
    std::vector<std::string> opens;
    for (const std::string& c : link.calls)
      if (c.starts_with("JVRTOpen(")) opens.push_back(c);
    return opens;
  }

  test::TempDir home{"manualodds"};
  jvgen::Day gen;
  DayModel model;
  ScriptedJVLink link;
  ExchangeGate gate;
  RecordingUi ui;
  ManualOddsFetcher fetcher{link, model, gate, ui};
};

TEST_F(ManualOddsFetchTest, TickedRacesAreFetchedInTurnAndEachFailureIsShownBeforeTheNext) {
  ScriptedExchange first;
  first.reads = {ScriptedRead::Code(-3),
                 ScriptedRead::Record(O1(0, 540, '0')),
                 ScriptedRead::Record(O1(0, 550, '1')),
                 ScriptedRead::Record(O2(0, 550, '9')),
                 ScriptedRead::Record(O2(0, 560, '1')),
                 ScriptedRead::Code(-1)};
  ScriptedExchange refused;
  refused.openResult = -504;
  ScriptedExchange broken;
  broken.reads = {ScriptedRead::Record(O1(3, 600, '1')), ScriptedRead::Code(-502)};
  link.AddExchange(first);
  link.AddExchange(refused);
  link.AddExchange(broken);
  link.closeResults = {0, 0, -1};
  const std::vector<bool> ticked{true, false, true, true, false, false, false, false, false};
  bool busyThroughout = true;
  int again = -1;
  ui.onMessages = [&] {
    busyThroughout = busyThroughout && ui.busy;
    if (again < 0) again = fetcher.FetchTickedRaces(ticked);  // a second click while the fetch runs
  };
  EXPECT_EQ(fetcher.FetchTickedRaces(ticked), 3);
  EXPECT_TRUE(busyThroughout) << "the busy cursor shows while the races are fetched";
  EXPECT_EQ(again, 0) << "a second click while fetching starts nothing";
  const std::string key0 = model.Races[0].RaceKey, key2 = model.Races[2].RaceKey;
  ASSERT_EQ(Opens().size(), 3u);
  EXPECT_EQ(Opens()[0], "JVRTOpen(0B30," + key0 + ")=0");
  EXPECT_EQ(Opens()[1], "JVRTOpen(0B30," + key2 + ")=-504");
  EXPECT_EQ(link.CountCalls("JVClose"), 3) << "closed after a failed open too";
  EXPECT_FALSE(gate.Busy());
  EXPECT_FALSE(ui.busy);

  const std::vector<std::string> texts{"JVRTOpenエラー:" + FromCp932(JVErrorMessage("JVRTOpen", -504)),
                                       "JVReadエラー:" + FromCp932(JVErrorMessage("JVRead", -502)),
                                       "JVCloseエラー:" + FromCp932(JVErrorMessage("JVClose", -1)),
                                       "データ作成が完了しました。"};
  EXPECT_EQ(ui.texts, texts);
  EXPECT_EQ(ui.beeps, 4);
  // Every item advances the bar, ticked or not.
  ASSERT_EQ(ui.progress.size(), ticked.size() + 2);
  EXPECT_EQ(ui.progress.front(), std::make_pair(0, 9));
  EXPECT_EQ(ui.progress[5], std::make_pair(5, 9));
  EXPECT_EQ(ui.progress.back(), std::make_pair(9, 9));
  ASSERT_EQ(ui.labels.size(), 3u);
  EXPECT_EQ(ui.labels[0], "データ読込み中:" + FromCp932(CourseName(CopyView(key0, 9, 2), 2)) + " 1R");

  // Kinds "0" and "9" are skipped: the first stored O1 is the 09:10 one, the O2 the 09:20 one.
  const Lines o1 = Read(".jvO1"), o2 = Read(".jvO2");
  EXPECT_EQ(o1[0], O1(0, 550, '1'));
  EXPECT_TRUE(IsBlank(o1[1]));
  EXPECT_EQ(o2[0], O2(0, 560, '1'));
  ASSERT_EQ(o1.size(), 8u);
  EXPECT_EQ(o1[6], O1(3, 600, '1')) << "what was read before the failure stays stored";
  for (size_t i : {2u, 3u, 4u, 5u}) EXPECT_TRUE(IsBlank(o1[i])) << i;

  // The next fetch reads nothing: it is not called done for what the one before saved.
  ui.texts.clear();
  link.AddExchange(refused);
  EXPECT_EQ(fetcher.FetchTickedRaces({true}), 1);
  EXPECT_EQ(ui.texts, std::vector<std::string>{texts[0]});
}

// Each race's save finds a folder where the odds file belongs: the failure, the same for both races, is shown
// once, and the fetch is never called done.
TEST_F(ManualOddsFetchTest, OddsFileThatCannotBeSavedIsShownOnceAndNothingIsCalledDone) {
  const fs::path o1 = DayFilePath(model.DataDir(), gen.date, ".jvO1");
  const Lines blank = Read(".jvO1");
  ui.onMessages = [&] {
    // Once the exchange has read its record the file is in hand: the folder appears before the save.
    const bool readRecord =
        !link.calls.empty() && link.calls.back().starts_with("JVRead") && !link.calls.back().ends_with(")=0");
    if (readRecord) {
      fs::remove(o1);
      fs::create_directory(o1);
    } else if (fs::is_directory(o1)) {
      fs::remove(o1);
      ASSERT_TRUE(SaveLines(o1, blank));
    }
  };
  for (int race : {0, 3}) {
    ScriptedExchange e;
    e.reads = {ScriptedRead::Record(O1(race, 600, '1'))};
    link.AddExchange(e);
  }
  EXPECT_EQ(fetcher.FetchTickedRaces({true, false, false, true}), 2);
  ASSERT_EQ(ui.texts.size(), 1u);
  EXPECT_TRUE(ui.texts[0].starts_with("データファイルに書き込めません：")) << ui.texts[0];
  EXPECT_NE(ui.texts[0].find(".jvO1"), std::string::npos) << ui.texts[0];
  EXPECT_EQ(ui.beeps, 1);
}

// The loaded day's odds file deleted, or its Data folder moved away, while the window is open: the failure names
// the file once for the run, in the label, the error log and one box with one beep; the fetch is not called done
// and no file is made again. What the races could store is saved.
TEST_F(ManualOddsFetchTest, AnOddsFileOrTheDataFolderGoneIsOneFailureWithItsPath) {
  const auto log = [&] {
    Lines lines;
    ReadLines(home.path() / "ErrorLog.txt", lines);
    return lines;
  };
  const fs::path o1 = DayFilePath(model.DataDir(), gen.date, ".jvO1"),
                 o2 = DayFilePath(model.DataDir(), gen.date, ".jvO2");
  fs::remove(o2);
  for (int race : {0, 3}) {
    ScriptedExchange e;
    e.reads = {ScriptedRead::Record(O1(race, 600, '1')), ScriptedRead::Record(O2(race, 600, '1'))};
    link.AddExchange(e);
  }
  EXPECT_EQ(fetcher.FetchTickedRaces({true, false, false, true}), 2);
  const std::string noO2 = "データファイルに書き込めません：" + o2.string() + " がありません。";
  EXPECT_EQ(ui.texts, std::vector<std::string>{noO2});
  EXPECT_EQ(ui.labels.back(), noO2);
  EXPECT_EQ(ui.beeps, 1);
  ASSERT_EQ(log().size(), 1u);
  EXPECT_TRUE(log()[0].ends_with(ToCp932("：" + noO2))) << FromCp932(log()[0]);
  EXPECT_FALSE(fs::exists(o2));
  const Lines stored = Read(".jvO1");
  ASSERT_EQ(stored.size(), 8u);
  EXPECT_EQ(stored[0] + stored[6], O1(0, 600, '1') + O1(3, 600, '1'));

  fs::rename(model.DataDir(), home.path() / "moved");
  ui = RecordingUi{};
  ScriptedExchange e;
  e.reads = {ScriptedRead::Record(O1(1, 600, '1'))};
  link.AddExchange(e);
  EXPECT_EQ(fetcher.FetchTickedRaces({false, true}), 1);
  const std::string noO1 = "データファイルに書き込めません：" + o1.string() + " がありません。";
  EXPECT_EQ(ui.texts, std::vector<std::string>{noO1});
  EXPECT_EQ(ui.labels.back(), noO1);
  EXPECT_EQ(ui.beeps, 1);
  ASSERT_EQ(log().size(), 2u);
  EXPECT_TRUE(log()[1].ends_with(ToCp932(noO1))) << FromCp932(log()[1]);
  EXPECT_FALSE(fs::exists(model.DataDir()));
}

TEST_F(ManualOddsFetchTest, NothingTickedOrAnotherExchangeRunningFetchesNothing) {
  EXPECT_EQ(fetcher.FetchTickedRaces(std::vector<bool>(9, false)), 0);
  EXPECT_EQ(ui.texts, std::vector<std::string>{"オッズ取得するレースをチェックしてください。"});
  EXPECT_EQ(ui.beeps, 1);

  ui = RecordingUi{};
  ASSERT_TRUE(gate.TryEnter());
  EXPECT_EQ(fetcher.FetchTickedRaces(std::vector<bool>(9, true)), 0);
  gate.Leave();
  EXPECT_EQ(ui.beeps, 1);
  EXPECT_EQ(ui.texts.size(), 1u);
  EXPECT_TRUE(link.calls.empty());
  EXPECT_TRUE(ui.progress.empty());

  // A tick past the last race slot names no race: nothing is fetched for it.
  std::vector<bool> pastTheEnd(kSlots + 1, false);
  pastTheEnd.back() = true;
  EXPECT_EQ(fetcher.FetchTickedRaces(pastTheEnd), 0);
  EXPECT_TRUE(link.calls.empty());
}
