// The main window's automatic odds: switching on and its refusals, the ticks of the odds timer, the queue that a
// tick fills while another exchange runs, failures, and the stand-in day whose odds files gain newer snapshots.
#include <gtest/gtest.h>

#include <utility>

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

#include "components/ui/Label3D.h"
#include "mainwindow/ui/MainWindow.h"
#include "platform/Clock.h"
#include "platform/Cp932.h"
#include "platform/LineFile.h"
#include "platform/Text.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/QtText.h"
#include "platform/jvlink/ScriptedJVLink.h"
#include "racedata/DayFiles.h"
#include "racedata/JVMessages.h"
#include "racedata/RaceRecords.h"
#include "racedata/RacingTexts.h"
#include "tests/support/JVLinkFiles.h"
#include "tests/support/QtApp.h"
#include "tests/support/TempDir.h"
#include "tests/support/WholeTexts.h"
#include "tools/jvgen/Generator.h"

using namespace corvina;
namespace fs = std::filesystem;
using corvina::testing::Called;
using corvina::testing::LastErrorLogLine;

namespace {

using gui::Q;

class AutoOddsWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::App();
    ::unsetenv("CORVINA_JVLINK_ROOT");
    const DateTime now = Clock::Now();
    today = DayName(now.year, now.month, now.day);
    At("0700");
  }
  void TearDown() override {
    Clock::Reset();
    std::error_code ec;
    fs::current_path(fs::temp_directory_path(), ec);
  }
  // Sets the clock to hhmm of today, `second` seconds into the minute.
  void At(const std::string& hhmm, int second = 0) {
    Clock::Set(DateTime{today.Year(), today.Month(), today.Day(), StrToIntLenient(hhmm.substr(0, 2)),
                        StrToIntLenient(hhmm.substr(2, 2)), second});
  }
  jvgen::Day WriteDay(jvgen::Options o) {
    jvgen::Day day = jvgen::MakeDay(o);
    jvgen::WriteDayFiles(day, home);
    return day;
  }
  void Load(MainWindow& form, int index = 0) {
    ASSERT_GT(form.DateCombo->count(), index);
    test::ChooseItem(form.DateCombo, index);
    ASSERT_GT(form.RaceList->count(), 0);
  }
  DayName Yesterday() const {
    int y, m, d;
    CivilFromDays(DaysFromCivil(today.Year(), today.Month(), today.Day()) - 1, y, m, d);
    return DayName(y, m, d);
  }
  // Loads the day, shows its first race and switches the automatic odds on.
  void StartOnTheFirstRace(MainWindow& form) {
    Load(form);
    form.SelectRaceLine(0);
    form.ShowChosenRace();
    form.AutoOddsCheck->click();
  }
  static std::string Key(const MainWindow& form, int slot) {
    return FieldText(form.Day().Table.GRaTbl[slot], layout::head::kRaceKey);
  }
  static std::string VenueRace(const std::string& key) {
    return CourseName(Copy(key, 9, 2), 2) + BlankPadNumStr(Copy(key, 15, 2));
  }
  static std::string Due(const std::string& hhmm, int delay) { return AddTimeHHMM(hhmm, delay); }
  // The 0B30 exchanges opened, in order.
  static std::vector<std::string> OddsOpens(const ScriptedJVLink& link) {
    std::vector<std::string> keys;
    for (const std::string& c : link.calls)
      if (c.starts_with("JVRTOpen(0B30,")) keys.push_back(c.substr(14, 16));
    return keys;
  }
  // Runs `inside` within every call and notes an exchange opened while another was open.
  static void Watch(ScriptedJVLink& link, bool& overlapped, std::function<void(const std::string&)> inside) {
    link.onCall = [&link, &overlapped, inside, open = false](const std::string& op) mutable {
      if (op == "JVRTOpen" && open) overlapped = true;
      open = link.IsOpen();
      inside(op);
    };
  }

  test::TempDir dir{"autoodds"};
  const fs::path& home = dir.path();
  DayName today;
};

}  // namespace

TEST_F(AutoOddsWindowTest, SwitchingOnIsRefusedWithoutTodaysCurrentCards) {
  WriteDay({.date = Yesterday(), .results = false});
  ScriptedJVLink link;
  gui::MessageRecorder rec;
  MainWindow form(home, nullptr, &link);
  ASSERT_TRUE(form.AutoOddsCheck->isEnabled());

  const auto refused = [&](const char* text) {
    rec.Clear();
    form.AutoOddsCheck->click();
    EXPECT_EQ(rec.Texts(), QStringList{QString::fromUtf8(text)});
    EXPECT_EQ(rec.Beeps(), 1);
    EXPECT_FALSE(form.AutoOddsCheck->isChecked());
    EXPECT_FALSE(form.AutoOddsTimer->isActive());
  };
  refused("ﾃﾞｰﾀを読み込んでください。");
  Load(form);
  refused("本日のﾃﾞｰﾀを読み込んでください。");

  WriteDay({.date = today, .cardKind = '1', .results = false});
  form.RebuildDayList();
  Load(form, 0);  // newest first
  ASSERT_EQ(form.DateCombo->currentText(), QString::fromStdString(today.Display()));
  refused("出走表データが最新でありません。JVデータ取得ボタンよりデータを取得してからオッズを取得してください。");
  // Odds by hand are refused alike, and the automatic odds stay off.
  rec.Clear();
  form.ManualOddsButton->click();
  EXPECT_EQ(
      rec.Texts(),
      QStringList{
          "出走表データが最新でありません。JVデータ取得ボタンよりデータを取得してからオッズを取得してください。"});
  EXPECT_FALSE(form.AutoOddsCheck->isChecked());
  EXPECT_FALSE(form.AutoOddsTimer->isActive());
  EXPECT_TRUE(link.calls.empty());
}

TEST_F(AutoOddsWindowTest, ChoosingAnotherDaySwitchesTheAutomaticOddsOffWithTheRefusal) {
  WriteDay({.date = Yesterday(), .results = false});
  WriteDay({.date = today, .results = false});
  ScriptedJVLink link;
  gui::MessageRecorder rec;
  MainWindow form(home, nullptr, &link);
  test::PressKey(form.DateCombo, Qt::Key_Home);  // today: the newest day comes first
  ASSERT_EQ(form.DateCombo->currentText(), QString::fromStdString(today.Display()));
  ASSERT_GT(form.RaceList->count(), 0);
  form.AutoOddsCheck->click();
  ASSERT_TRUE(form.AutoOddsTimer->isActive());
  rec.Clear();

  test::PressKey(form.DateCombo, Qt::Key_End);  // yesterday
  ASSERT_EQ(form.DateCombo->currentIndex(), 1);
  EXPECT_GT(form.RaceList->count(), 0) << "the day chosen is still loaded";
  EXPECT_EQ(rec.Texts(), QStringList{QStringLiteral("本日のﾃﾞｰﾀを読み込んでください。")});
  EXPECT_EQ(rec.Beeps(), 1);
  EXPECT_FALSE(form.AutoOddsCheck->isChecked());
  EXPECT_FALSE(form.AutoOddsTimer->isActive());
  EXPECT_TRUE(form.ManualOddsButton->isEnabled());

  // Switching on is refused while the day shown is not today's, and taken again once today is loaded.
  rec.Clear();
  form.AutoOddsCheck->click();
  EXPECT_EQ(rec.Texts(), QStringList{QStringLiteral("本日のﾃﾞｰﾀを読み込んでください。")});
  test::PressKey(form.DateCombo, Qt::Key_Home);
  rec.Clear();
  form.AutoOddsCheck->click();
  EXPECT_TRUE(form.AutoOddsCheck->isChecked());
  EXPECT_TRUE(rec.Messages().empty());
}

TEST_F(AutoOddsWindowTest, ReloadsAfterTakesKeepTheResultsPollsRhythm) {
  WriteDay({.date = Yesterday(), .results = false});
  WriteDay({.date = today, .results = false});
  ScriptedJVLink link;
  gui::MessageRecorder rec;
  MainWindow form(home, nullptr, &link);
  form.Settings.WriteInteger("Time", "AutoRdataGet", 30);
  test::PressKey(form.DateCombo, Qt::Key_Home);
  ASSERT_TRUE(form.ResultsPollTimer->isActive());
  ASSERT_EQ(form.ResultsPollTimer->interval(), 30 * 60000);
  form.AutoOddsCheck->click();
  ASSERT_TRUE(form.AutoOddsTimer->isActive());

  // The poll runs on the real timer: time passes, then a take reloads the day. A restarted poll would again be
  // a whole interval away.
  const auto takeAndReload = [&](const std::string& hhmm) {
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    const int before = form.ResultsPollTimer->remainingTime();
    const size_t opens = OddsOpens(link).size();
    At(hhmm, 10);
    form.TakeDueOdds();
    ASSERT_EQ(OddsOpens(link).size(), opens + 1) << hhmm;
    EXPECT_TRUE(form.ResultsPollTimer->isActive());
    EXPECT_LE(form.ResultsPollTimer->remainingTime(), before) << "the reload at " << hhmm << " restarted the poll";
  };
  takeAndReload(Due(form.Day().Races[0].OddsTime1, 5));
  takeAndReload(Due(form.Day().Races[12].OddsTime1, 5));

  // Another day's load re-arms it: a past day stops the poll, and today's load starts a whole interval afresh.
  form.AutoOddsCheck->click();
  test::PressKey(form.DateCombo, Qt::Key_End);
  EXPECT_FALSE(form.ResultsPollTimer->isActive());
  test::PressKey(form.DateCombo, Qt::Key_Home);
  ASSERT_TRUE(form.ResultsPollTimer->isActive());
  EXPECT_GT(form.ResultsPollTimer->remainingTime(), 30 * 60000 - 60000);
}

TEST_F(AutoOddsWindowTest, SwitchingOnClearsTheFlagsAndEachScheduledMinuteIsTakenOnce) {
  WriteDay({.date = today, .results = false});
  ScriptedJVLink link;
  gui::MessageRecorder rec;
  MainWindow form(home, nullptr, &link);
  Load(form);
  form.AutoOddsCheck->click();
  ASSERT_TRUE(form.AutoOddsTimer->isActive());
  EXPECT_EQ(form.AutoOddsTimer->interval(), 40000);
  EXPECT_FALSE(form.ManualOddsButton->isEnabled());
  EXPECT_TRUE(rec.Messages().empty());

  const RaceInfo& first = form.Day().Races[0];
  ASSERT_FALSE(Trim(first.OddsTime1).empty());
  const std::string due = Due(first.OddsTime1, 5);  // the default delay
  At(AddTimeHHMM(due, -1), 50);
  form.TakeDueOdds();
  EXPECT_TRUE(OddsOpens(link).empty()) << "a minute early";
  At(due, 10);
  form.TakeDueOdds();
  At(due, 50);
  form.TakeDueOdds();
  At(AddTimeHHMM(due, 1), 30);
  form.TakeDueOdds();
  EXPECT_EQ(OddsOpens(link), std::vector<std::string>{Key(form, 0)});
  EXPECT_EQ(link.CountCalls("JVClose"), 2);
  EXPECT_EQ(form.Day().GOddsTakenFirst[0], 1);

  // Off and on again in the same minute: the time is taken again.
  form.AutoOddsCheck->click();
  EXPECT_FALSE(form.AutoOddsTimer->isActive());
  form.AutoOddsCheck->click();
  EXPECT_EQ(form.Day().GOddsTakenFirst[0], 0);
  At(due, 20);
  form.TakeDueOdds();
  EXPECT_EQ(OddsOpens(link).size(), 2u);
}

TEST_F(AutoOddsWindowTest, BothTimesOfARaceWithTheDelaySetting) {
  WriteDay({.date = today, .results = false});
  ScriptedJVLink link;
  gui::MessageRecorder rec;
  MainWindow form(home, nullptr, &link);
  form.Settings.WriteInteger("Time", "delay", 0);
  Load(form);
  form.AutoOddsCheck->click();
  const int slot = 6;  // the seventh race has two times
  const RaceInfo& info = form.Day().Races[slot];
  ASSERT_FALSE(Trim(info.OddsTime2).empty());
  for (const std::string& t : {info.OddsTime1, info.OddsTime2}) {
    const size_t before = OddsOpens(link).size();
    At(t, 5);
    form.TakeDueOdds();
    const auto opens = OddsOpens(link);
    EXPECT_GT(opens.size(), before) << t;
    EXPECT_NE(std::find(opens.begin() + before, opens.end(), Key(form, slot)), opens.end()) << t;
  }
  EXPECT_EQ(form.Day().GOddsTakenFirst[slot], 1);
  EXPECT_EQ(form.Day().GOddsTakenSecond[slot], 1);
}

TEST_F(AutoOddsWindowTest, TicksInsideAnExchangeQueueTheirRacesAndNoneIsLost) {
  WriteDay({.date = today, .results = false});
  ScriptedJVLink link;
  // Results (0B12), then the odds of two races; each exchange reads twice before it ends.
  for (int i = 0; i < 3; ++i) {
    ScriptedExchange ex;
    ex.reads = {ScriptedRead::Code(-3), ScriptedRead::Code(-1)};
    link.AddExchange(ex);
  }
  gui::MessageRecorder rec;
  MainWindow form(home, nullptr, &link);
  StartOnTheFirstRace(form);
  // Slot 12 is the first race of the second racecourse, due a few minutes after slot 0.
  const std::string due0 = Due(form.Day().Races[0].OddsTime1, 5);
  const std::string due12 = Due(form.Day().Races[12].OddsTime1, 5);
  ASSERT_NE(due0, due12);
  const std::string key0 = Key(form, 0), key12 = Key(form, 12);

  // Inside the results exchange slot 0 falls due; inside slot 0's exchange, slot 12.
  bool overlapped = false;
  std::vector<std::string> ticks{due0, due12};
  size_t tick = 0;
  size_t queuedDuringResults = 0;
  Watch(link, overlapped, [&](const std::string& op) {
    if (op != "JVRead" || tick >= ticks.size()) return;
    At(ticks[tick++], 10);
    form.TakeDueOdds();
    if (tick == 1) queuedDuringResults = form.OddsQueue().size();
  });
  form.FetchResults();

  EXPECT_FALSE(overlapped);
  EXPECT_EQ(queuedDuringResults, 1u);
  EXPECT_TRUE(Called(link, "JVRTOpen(0B12," + today.DateKey() + ")=0"));
  EXPECT_EQ(link.calls.front().substr(0, 14), "JVRTOpen(0B12,");
  EXPECT_EQ(OddsOpens(link), (std::vector<std::string>{key0, key12}));
  EXPECT_EQ(link.CountCalls("JVClose"), 6);
  EXPECT_FALSE(link.IsOpen());
  EXPECT_TRUE(form.OddsQueue().empty());
  EXPECT_FALSE(form.Reader().Gate().Busy());
  EXPECT_EQ(form.Day().GOddsTakenFirst[0], 1);
  EXPECT_EQ(form.Day().GOddsTakenFirst[12], 1);
  // The reload at the end shows the race shown before.
  EXPECT_EQ(form.RaceList->currentRow(), 0);
  EXPECT_FALSE(form.RaceTabs->isHidden());
}

TEST_F(AutoOddsWindowTest, AFailingRaceIsReportedAndTheNextIsStillTaken) {
  WriteDay({.date = today, .results = false});
  ScriptedJVLink link;
  gui::MessageRecorder rec;
  MainWindow form(home, nullptr, &link);
  form.Settings.WriteInteger("Time", "delay", 3);
  Load(form);
  form.SelectRaceLine(13);
  form.ShowChosenRace();
  form.AutoOddsCheck->click();
  // At noon-twenty every race from the sixth on is due at once.
  const std::string t = form.Day().Races[6].OddsTime1;
  std::vector<int> due;
  for (int i = 0; i < form.RaceList->count(); ++i)
    if (form.Day().Races[i].OddsTime1 == t) due.push_back(i);
  ASSERT_GE(due.size(), 2u);
  ScriptedExchange failing;
  failing.openResult = -504;
  link.AddExchange(failing);
  for (size_t i = 1; i < due.size(); ++i) link.AddExchange(ScriptedExchange{});
  rec.Clear();

  At(Due(t, 3), 0);
  form.TakeDueOdds();
  ASSERT_EQ(OddsOpens(link).size(), due.size());
  const std::string failed = VenueRace(Key(form, due[0])) + ToCp932("R:") + JVErrorMessage("JVRTOpen", -504);
  EXPECT_EQ(form.ExchangeStatusLabel->Caption(), Q(failed)) << "the failure stays in view after the pass";
  EXPECT_TRUE(LastErrorLogLine(home).ends_with(ToCp932("：") + failed)) << FromCp932(LastErrorLogLine(home));
  EXPECT_EQ(rec.Beeps(), 1);
  EXPECT_TRUE(rec.Messages().empty());
  EXPECT_EQ(link.CountCalls("JVClose"), static_cast<int>(2 * due.size()));
  EXPECT_EQ(form.RaceList->currentRow(), 13);
  EXPECT_EQ(form.Day().GCurRace, 13);
}

// The races of a pass write the same day files: when the .jvO1 cannot be saved, or is gone, the pass beeps and
// logs it once, not once a race, and the failure is in view after the pass.
TEST_F(AutoOddsWindowTest, AFailingSaveIsReportedOnceAPass) {
  const jvgen::Day gen = WriteDay({.date = today, .results = false});
  ScriptedJVLink link;
  gui::MessageRecorder rec;
  const test::ProgramFont font;
  MainWindow form(home, nullptr, &link);
  form.Settings.WriteInteger("Time", "delay", 3);
  StartOnTheFirstRace(form);
  const std::string t = form.Day().Races[6].OddsTime1;
  size_t due = 0;
  for (int i = 0; i < form.RaceList->count(); ++i) due += form.Day().Races[i].OddsTime1 == t;
  ASSERT_GE(due, 2u);
  for (size_t i = 0; i < due; ++i) {
    ScriptedExchange ex;
    ex.reads = {ScriptedRead::Record(jvgen::O1Record(gen, gen.races[i], {0, 23 * 60 + 59, '1'}))};
    link.AddExchange(ex);
  }
  const fs::path o1 = DayFilePath(form.Day().DataDir(), today, ".jvO1");
  ASSERT_TRUE(fs::exists(o1));
  fs::permissions(o1, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  Lines logBefore;
  ReadLines(home / "ErrorLog.txt", logBefore);
  rec.Clear();
  At(Due(t, 3), 0);
  form.TakeDueOdds();
  fs::permissions(o1, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(OddsOpens(link).size(), due) << "every due race is still asked for";
  Lines log;
  ReadLines(home / "ErrorLog.txt", log);
  ASSERT_EQ(log.size(), logBefore.size() + 1);
  EXPECT_TRUE(
      FromCp932(log.back()).ends_with("データファイルに書き込めません：" + o1.string() + " は読み取り専用です。"))
      << FromCp932(log.back());
  const std::string shown = form.ExchangeStatusLabel->Caption().toStdString();
  EXPECT_FALSE(shown.empty()) << "the failure stays in view after the pass";
  EXPECT_TRUE(log.back().ends_with(ToCp932(shown))) << shown;
  EXPECT_EQ(rec.Beeps(), 1);
  EXPECT_TRUE(rec.Messages().empty());
  // The failure names the file: longer than the window is wide, it is read whole over more lines.
  form.show();
  const QStringList faults = test::CutOrOverlappingTextsAt(form, {QSize(780, 560), QSize(1, 1)});
  EXPECT_TRUE(faults.isEmpty()) << faults.join("\n").toStdString();

  // The file deleted before the next pass (the first races' time) is told the same way.
  const std::string t0 = form.Day().Races[0].OddsTime1;
  ASSERT_NE(t0, t);
  size_t due0 = 0;
  for (int i = 0; i < form.RaceList->count(); ++i) due0 += form.Day().Races[i].OddsTime1 == t0;
  for (size_t i = 0; i < due0; ++i) {
    ScriptedExchange ex;
    ex.reads = {ScriptedRead::Record(jvgen::O1Record(gen, gen.races[i], {0, 23 * 60 + 59, '1'}))};
    link.AddExchange(ex);
  }
  fs::remove(o1);
  rec.Clear();
  At(Due(t0, 3), 0);
  form.TakeDueOdds();
  EXPECT_EQ(OddsOpens(link).size(), due + due0);
  ReadLines(home / "ErrorLog.txt", log);
  ASSERT_EQ(log.size(), logBefore.size() + 2);
  const std::string gone = "データファイルに書き込めません：" + o1.string() + " がありません。";
  EXPECT_TRUE(FromCp932(log.back()).ends_with(gone)) << FromCp932(log.back());
  EXPECT_EQ(form.ExchangeStatusLabel->Caption().toStdString(), gone);
  EXPECT_EQ(rec.Beeps(), 1);
}

// A tick inside a pending pass only adds its race to that pass, and the failure of the pass's first race is
// still on the status label when the pass ends.
TEST_F(AutoOddsWindowTest, ATickInsideAPendingPassJoinsItAndTheLastFailureStaysShown) {
  WriteDay({.date = today, .results = false});
  ScriptedJVLink link;
  ScriptedExchange failing;
  failing.openResult = -504;
  link.AddExchange(failing);
  link.AddExchange(ScriptedExchange{});
  gui::MessageRecorder rec;
  MainWindow form(home, nullptr, &link);
  StartOnTheFirstRace(form);
  const std::string due0 = Due(form.Day().Races[0].OddsTime1, 5);
  const std::string due12 = Due(form.Day().Races[12].OddsTime1, 5);
  ASSERT_NE(due0, due12);
  bool overlapped = false, ticked = false;
  Watch(link, overlapped, [&](const std::string& op) {
    if (op != "JVRTOpen" || std::exchange(ticked, true)) return;
    At(due12, 10);
    form.TakeDueOdds();
  });
  At(due0);
  form.TakeDueOdds();
  EXPECT_FALSE(overlapped);
  EXPECT_EQ(OddsOpens(link), (std::vector<std::string>{Key(form, 0), Key(form, 12)}));
  const std::string failed = VenueRace(Key(form, 0)) + ToCp932("R:") + JVErrorMessage("JVRTOpen", -504);
  EXPECT_EQ(form.ExchangeStatusLabel->Caption(), Q(failed));
  EXPECT_TRUE(form.OddsQueue().empty());
  EXPECT_FALSE(form.Reader().Gate().Busy());
}

TEST_F(AutoOddsWindowTest, StandInDayGetsNewerOddsAtBothTimes) {
  const jvgen::Day day = jvgen::MakeDay({.date = today, .results = false});
  jvgen::WriteStandIn(day, home / "jvlink");
  jvgen::WriteDayFiles(day, home);
  // The day before its first odds: the load writes empty odds files.
  const fs::path o1 = home / "Data" / (today.FileStem() + ".jvO1");
  fs::remove(o1);
  fs::remove(home / "Data" / (today.FileStem() + ".jvO2"));
  gui::MessageRecorder rec;
  MainWindow form(home);
  form.InitializeJVLink();
  Load(form);
  form.SelectRaceLine(5);
  form.ShowChosenRace();
  form.AutoOddsCheck->click();
  ASSERT_TRUE(form.AutoOddsTimer->isActive()) << rec.Texts().join("\n").toStdString();
  const int slot = 6;
  const RaceInfo& info = form.Day().Races[slot];
  EXPECT_EQ(info.Odds1Present, 0);

  // The announcement (hhmm) of a line of the odds file.
  const auto announced = [&](int line) {
    Lines lines;
    EXPECT_TRUE(ReadLines(o1, lines));
    return line < static_cast<int>(lines.size()) ? Trim(Copy(lines[line], 32, 4)) : std::string();
  };
  At(Due(info.OddsTime1, 5), 0);
  form.TakeDueOdds();
  const std::string first = announced(2 * slot);
  ASSERT_FALSE(first.empty()) << rec.Texts().join("\n").toStdString();
  EXPECT_LE(first, Clock::Now().HHMM());
  EXPECT_EQ(form.Day().Races[slot].Odds1Present, 1);
  EXPECT_TRUE(announced(2 * slot + 1).empty());

  At(Due(info.OddsTime2, 5), 0);
  form.TakeDueOdds();
  const std::string latest = announced(2 * slot + 1);
  EXPECT_GT(latest, first);
  EXPECT_LE(latest, Clock::Now().HHMM());
  EXPECT_EQ(form.Day().Races[slot].Odds2Present, 1);
  EXPECT_EQ(form.RaceList->currentRow(), 5);
  EXPECT_TRUE(form.ExchangeStatusLabel->Caption().isEmpty()) << form.ExchangeStatusLabel->Caption().toStdString();
  EXPECT_TRUE(rec.Messages().empty());
  EXPECT_EQ(FromCp932(LastErrorLogLine(home)).find("エラー"), std::string::npos);
}
