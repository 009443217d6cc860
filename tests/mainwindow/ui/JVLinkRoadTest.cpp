// The main window's exchanges with JV-Link: the first showing's JVInit, the import window opened from the
// main window, the results poll and the on-demand results and odds, their failures, and the whole road from an
// empty program folder to a race with its payouts on the stand-in.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "components/ui/Label3D.h"
#include "mainwindow/RaceViewText.h"
#include "mainwindow/ui/MainWindow.h"
#include "platform/Clock.h"
#include "platform/Cp932.h"
#include "platform/LineFile.h"
#include "platform/Text.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/QtText.h"
#include "platform/gui/StringGrid.h"
#include "platform/jvlink/ScriptedJVLink.h"
#include "racedata/DayFiles.h"
#include "racedata/JVMessages.h"
#include "racedata/RaceRecords.h"
#include "racedata/RacingTexts.h"
#include "racedata/ui/ManualOddsWindow.h"
#include "racedata/ui/PredictedOddsCommands.h"
#include "racedata/ui/StoredImportWindow.h"
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

ScriptedExchange OpenFailing(int code) {
  ScriptedExchange ex;
  ex.openResult = code;
  return ex;
}

class JVLinkRoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::App();
    ::unsetenv("CORVINA_JVLINK_ROOT");
    const DateTime now = Clock::Now();
    today = DayName(now.year, now.month, now.day);
    // Midday of today: the first races are run, the last are not.
    Clock::Set(DateTime{now.year, now.month, now.day, 13, 0, 0});
  }
  void TearDown() override {
    Clock::Reset();
    // Start-up makes the program folder current; leave it before it is removed.
    std::error_code ec;
    fs::current_path(fs::temp_directory_path(), ec);
  }
  // Today's day files before the races: cards and odds, no payouts.
  jvgen::Day WriteTodayBeforeRaces() {
    jvgen::Day day = jvgen::MakeDay({.date = today, .results = false});
    jvgen::WriteDayFiles(day, home);
    return day;
  }
  void LoadFirstDay(MainWindow& form) {
    ASSERT_GE(form.DateCombo->count(), 1);
    test::ChooseItem(form.DateCombo, 0);
    ASSERT_GT(form.RaceList->count(), 0);
  }
  // What the service's 0B12 answer holds for one run race: its card with results, runners and payouts.
  static std::vector<ScriptedRead> ResultRecords(const jvgen::Day& day, const jvgen::Race& race) {
    std::vector<ScriptedRead> reads{ScriptedRead::Code(-3),
                                    ScriptedRead::Record(jvgen::RaRecord(day, race, jvgen::Stage::Result))};
    for (const jvgen::Runner& r : race.runners)
      reads.push_back(ScriptedRead::Record(jvgen::SeRecord(day, race, r, jvgen::Stage::Result)));
    reads.push_back(ScriptedRead::Record(jvgen::HrRecord(day, race, '1')));
    return reads;
  }

  test::TempDir dir{"jvroad"};
  const fs::path& home = dir.path();
  DayName today;
};

}  // namespace

TEST_F(JVLinkRoadTest, FirstShowingInitialisesJVLinkOnceAndAFailureLetsTheProgramGoOn) {
  ScriptedJVLink link;
  link.initResult = -101;
  gui::MessageRecorder rec;
  MainWindow form(home, nullptr, &link);
  form.show();
  QCoreApplication::processEvents();
  form.hide();
  form.show();
  QCoreApplication::processEvents();
  EXPECT_EQ(link.CountCalls("JVInit"), 1) << "only the first showing initialises";
  EXPECT_TRUE(Called(link, "JVInit(SA501927/SD774310/Corvina/Ver.1.28)=-101"));
  EXPECT_EQ(form.Version, "Ver.1.28");
  EXPECT_EQ(rec.Texts(), QStringList{"JVInitエラーが発生しました。：-101"});
  // The window stays usable.
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(form.StoredImportButton->isEnabled());

  rec.Clear();
  link.initResult = 0;
  MainWindow second(home, nullptr, &link);
  second.InitializeJVLink();
  EXPECT_TRUE(rec.Messages().empty());
}

TEST_F(JVLinkRoadTest, ImportWindowRunsUnderTheMainWindowsGateAndTheDayListFollowsOnClose) {
  const jvgen::Day day = jvgen::MakeDay({.date = today, .venues = 1, .races = 9});
  ScriptedExchange ex;
  ex.readCount = 1;
  ex.lastFileTimestamp = today.DateKey() + "000000";
  for (const jvgen::Race& race : day.races) {
    ex.reads.push_back(ScriptedRead::Record(jvgen::RaRecord(day, race, jvgen::Stage::Card)));
    for (const jvgen::Runner& r : race.runners)
      ex.reads.push_back(ScriptedRead::Record(jvgen::SeRecord(day, race, r, jvgen::Stage::Card)));
  }
  ex.reads.push_back(ScriptedRead::Code(-1));
  ScriptedJVLink link;
  link.AddExchange(ex);
  gui::MessageRecorder rec;
  MainWindow form(home, nullptr, &link);
  ASSERT_EQ(form.DateCombo->count(), 0);

  bool gateHeldWhileReading = true;
  link.onCall = [&](const std::string& op) {
    if (op == "JVRead") gateHeldWhileReading &= form.Reader().Gate().Busy();
  };
  int opened = 0;
  form.RunImportWindow = [&](StoredImportWindow& window) {
    ++opened;
    window.show();
    window.StartImport();
    EXPECT_FALSE(window.Logic().Busy());
    EXPECT_EQ(form.DateCombo->count(), 0) << "the day list is rebuilt only when the window closes";
    window.close();
  };
  form.ShowStoredImportWindow();
  EXPECT_EQ(opened, 1);
  EXPECT_TRUE(gateHeldWhileReading);
  EXPECT_FALSE(link.IsOpen());
  EXPECT_FALSE(form.Reader().Gate().Busy());
  ASSERT_EQ(form.DateCombo->count(), 1);
  EXPECT_EQ(form.DateCombo->itemText(0), QString::fromStdString(today.Display()));
  EXPECT_EQ(form.DateCombo->currentIndex(), -1);
  LoadFirstDay(form);
  EXPECT_EQ(form.RaceList->count(), 9);
}

TEST_F(JVLinkRoadTest, ClosingTheImportWindowLoadsTheDayShownAgain) {
  const jvgen::Day day = WriteTodayBeforeRaces();
  ScriptedJVLink link;
  gui::MessageRecorder rec;
  MainWindow form(home, nullptr, &link);
  test::PressKey(form.DateCombo, Qt::Key_Home);
  ASSERT_EQ(form.RaceList->count(), static_cast<int>(day.races.size()));
  form.RaceList->setCurrentRow(5);
  const QString raceName = form.RaceNameLabel->Caption();
  ASSERT_FALSE(raceName.isEmpty());
  form.AutoOddsCheck->click();
  ASSERT_TRUE(form.AutoOddsTimer->isActive());
  ASSERT_TRUE(form.ResultsPollTimer->isActive());
  rec.Clear();

  int opened = 0;
  form.RunImportWindow = [&](StoredImportWindow& window) {
    ++opened;
    window.show();
    window.close();
  };
  form.StoredImportButton->click();
  ASSERT_EQ(opened, 1);
  EXPECT_EQ(form.DateCombo->currentText(), QString::fromStdString(today.Display()));
  EXPECT_EQ(form.RaceList->count(), static_cast<int>(day.races.size()));
  EXPECT_EQ(form.RaceList->currentRow(), 5);
  EXPECT_FALSE(form.RaceTabs->isHidden());
  EXPECT_EQ(form.RaceNameLabel->Caption(), raceName);
  EXPECT_TRUE(form.AutoOddsCheck->isChecked());
  EXPECT_TRUE(form.AutoOddsTimer->isActive());
  EXPECT_TRUE(form.ResultsPollTimer->isActive());
  EXPECT_TRUE(rec.Messages().empty()) << rec.Texts().join("\n").toStdString();

  // A day that is gone after the import leaves nothing of it on screen, and nothing running for it.
  for (const auto& entry : fs::directory_iterator(home / "Data")) fs::remove(entry.path());
  form.StoredImportButton->click();
  EXPECT_EQ(form.DateCombo->count(), 0);
  EXPECT_EQ(form.RaceList->count(), 0);
  EXPECT_TRUE(form.RaceTabs->isHidden());
  EXPECT_FALSE(form.ResultsPollTimer->isActive());
  EXPECT_FALSE(form.AutoOddsCheck->isChecked());
  EXPECT_FALSE(form.AutoOddsTimer->isActive());
  EXPECT_EQ(rec.Texts(), QStringList{QStringLiteral("ﾃﾞｰﾀを読み込んでください。")});
}

TEST_F(JVLinkRoadTest, ResultsPollWaitsForARunningExchangeThenShowsThePayoutsOfTheShownRace) {
  const jvgen::Day day = WriteTodayBeforeRaces();
  ScriptedJVLink link;
  ScriptedExchange ex;
  ex.reads = ResultRecords(day, day.races[0]);
  link.AddExchange(ex);
  gui::MessageRecorder rec;
  MainWindow form(home, nullptr, &link);
  LoadFirstDay(form);
  ASSERT_TRUE(form.ResultsPollTimer->isActive());
  form.SelectRaceLine(0);
  form.ShowChosenRace();
  ASSERT_TRUE(form.PayoutLabels[1]->text().isEmpty());
  rec.Clear();

  // A tick inside another exchange is kept and runs when that one ends.
  ASSERT_TRUE(form.Reader().Gate().TryEnter());
  form.PollResults();
  EXPECT_TRUE(link.calls.empty());
  form.Reader().Gate().Leave();

  EXPECT_TRUE(Called(link, "JVRTOpen(0B12," + today.DateKey() + ")=0"));
  EXPECT_EQ(link.CountCalls("JVClose"), 2);
  EXPECT_FALSE(link.IsOpen());
  const RaceInfo& info = form.Day().Races[0];
  EXPECT_EQ(info.HasResults, 1);
  ASSERT_GT(info.TanHorse[1], 0);
  EXPECT_EQ(form.PayoutLabels[1]->text(), Q(FormatInt(info.TanHorse[1], 2)));
  EXPECT_EQ(form.PayoutLabels[3]->text(), Q(FormatInt(info.TanPay[1], 8)));
  EXPECT_EQ(form.Day().GCurRace, 0);
  EXPECT_TRUE(fs::exists(home / "Data" / (today.FileStem() + ".jvHR")));
  EXPECT_EQ(rec.Beeps(), 0) << "the timed fetch is silent";
  EXPECT_TRUE(form.ExchangeStatusLabel->Caption().isEmpty());

  // A payout corrected later reaches the race shown, although its results are no longer new.
  jvgen::Day corrected = day;
  corrected.races[0].pays[0][0].pay += 10;
  ScriptedExchange again;
  again.reads = ResultRecords(corrected, corrected.races[0]);
  link.AddExchange(again);
  form.FetchResults();
  EXPECT_EQ(form.PayoutLabels[3]->text(), Q(FormatInt(static_cast<int>(corrected.races[0].pays[0][0].pay), 8)));

  // After six in the evening the poll leaves JV-Link alone.
  const DateTime now = Clock::Now();
  Clock::Set(DateTime{now.year, now.month, now.day, 18, 1, 0});
  const size_t before = link.calls.size();
  form.PollResults();
  EXPECT_EQ(link.calls.size(), before);
}

// The poll's start follows the setting the day was loaded with: its minutes and half an hour before the first
// race, not the default's. A value written beyond the window's range polls as the end it is taken as.
TEST_F(JVLinkRoadTest, ResultsPollStartsTheSetMinutesAndHalfAnHourBeforeTheFirstRace) {
  WriteTodayBeforeRaces();
  for (const auto& [stored, minutes] : {std::pair{"5", 5}, std::pair{"-5", 5}, std::pair{"40000", 59}}) {
    std::ofstream(home / "corvina.ini") << "[Time]\r\nAutoRdataGet=" << stored << "\r\n";
    Clock::Set(DateTime{today.Year(), today.Month(), today.Day(), 13, 0, 0});
    ScriptedJVLink link;
    link.AddExchange({});
    gui::MessageRecorder rec;
    MainWindow form(home, nullptr, &link);
    LoadFirstDay(form);
    ASSERT_TRUE(form.ResultsPollTimer->isActive()) << stored;
    EXPECT_EQ(form.ResultsPollTimer->interval(), minutes * 60000) << stored;
    const std::string firstPost = FieldText(form.Day().Table.GRaTbl[0], layout::ra::kPostTime);
    ASSERT_EQ(firstPost.size(), 4u);
    auto tickAt = [&](int minutesBefore) {
      const std::string hhmm = AddTimeHHMM(firstPost, -minutesBefore);
      Clock::Set(DateTime{today.Year(), today.Month(), today.Day(), std::stoi(hhmm.substr(0, 2)),
                          std::stoi(hhmm.substr(2, 2)), 0});
      form.PollResults();
      return link.CountCalls("JVRTOpen");
    };
    EXPECT_EQ(tickAt(minutes + 30), 0) << stored << ": the start is not yet passed";
    EXPECT_EQ(tickAt(minutes + 29), 1) << stored;
  }
}

TEST_F(JVLinkRoadTest, ResultsThatBringANewRaceReloadTheDaySoPayoutsStayWithTheirRaces) {
  const jvgen::Day day = WriteTodayBeforeRaces();
  // The day file lacks the first race of the day; its card arrives with its results.
  const fs::path raFile = home / "Data" / (today.FileStem() + ".jvRA");
  Lines ra;
  ASSERT_TRUE(ReadLines(raFile, ra));
  ra.erase(ra.begin());
  SaveLines(raFile, ra);
  ScriptedJVLink link;
  ScriptedExchange ex;
  ex.reads = ResultRecords(day, day.races[0]);
  link.AddExchange(ex);
  gui::MessageRecorder rec;
  MainWindow form(home, nullptr, &link);
  LoadFirstDay(form);
  ASSERT_EQ(form.RaceList->count(), 35);
  form.SelectRaceLine(0);
  form.ShowChosenRace();
  const std::string shownKey = form.Day().Races[0].RaceKey;

  form.PollResults();
  ASSERT_EQ(form.RaceList->count(), 36);
  const RaceInfo& added = form.Day().Races[0];
  EXPECT_EQ(added.RaceKey, FieldText(jvgen::RaRecord(day, day.races[0], jvgen::Stage::Result), layout::head::kRaceKey));
  EXPECT_GT(added.TanPay[1], 0);
  // The race shown before now sits in the next slot, still without payouts.
  EXPECT_EQ(form.Day().Races[1].RaceKey, shownKey);
  EXPECT_EQ(form.Day().Races[1].TanPay[1], 0);
  EXPECT_FALSE(form.RaceTabs->isHidden());
}

TEST_F(JVLinkRoadTest, ResultsWithoutAChosenRaceOrDayDoNothing) {
  WriteTodayBeforeRaces();
  ScriptedJVLink link;
  gui::MessageRecorder rec;
  MainWindow form(home, nullptr, &link);
  form.FetchResults();
  form.FetchShownRaceOdds();
  form.PollResults();
  EXPECT_TRUE(link.calls.empty());
  EXPECT_EQ(rec.Beeps(), 0);
}

TEST_F(JVLinkRoadTest, OpenFailuresStayOnTheStatusLabelAndReachTheErrorLog) {
  WriteTodayBeforeRaces();
  ScriptedJVLink link;
  link.AddExchange(OpenFailing(-504));
  link.AddExchange(OpenFailing(-504));
  link.AddExchange(OpenFailing(-202));   // the longest of the providers' texts
  link.AddExchange(ScriptedExchange{});  // opens, with nothing new
  gui::MessageRecorder rec;
  const test::ProgramFont font;
  MainWindow form(home, nullptr, &link);
  LoadFirstDay(form);
  form.SelectRaceLine(13);
  form.ShowChosenRace();
  const std::string key = FieldText(form.Day().Table.GRaTbl[13], layout::head::kRaceKey);
  const std::string venueRace = CourseName(Copy(key, 9, 2), 2) + BlankPadNumStr(Copy(key, 15, 2));
  rec.Clear();

  form.ResultsButton->click();
  const std::string results = venueRace + ToCp932("R:ﾚｰｽ情報データ取得エラー：") + JVErrorMessage("JVRTOpen", -504);
  EXPECT_EQ(form.ExchangeStatusLabel->Caption(), Q(results));
  EXPECT_TRUE(LastErrorLogLine(home).ends_with(ToCp932("：") + results)) << FromCp932(LastErrorLogLine(home));
  EXPECT_GE(rec.Beeps(), 1);
  EXPECT_FALSE(link.IsOpen());

  // The timed fetch fails the same way, without its beep.
  rec.Clear();
  form.PollResults();
  EXPECT_EQ(form.ExchangeStatusLabel->Caption(), Q(results));
  EXPECT_EQ(rec.Beeps(), 0);

  form.LatestOddsButton->click();
  const std::string odds = venueRace + ToCp932("R:ｵｯｽﾞ取得エラー：") + JVErrorMessage("JVRTOpen", -202);
  EXPECT_TRUE(Called(link, "JVRTOpen(0B30," + key + ")=-202"));
  EXPECT_EQ(form.ExchangeStatusLabel->Caption(), Q(odds));
  EXPECT_TRUE(LastErrorLogLine(home).ends_with(odds));
  // The odds fetch reloads the day and shows the race again.
  EXPECT_EQ(form.RaceList->currentRow(), 13);
  EXPECT_EQ(form.Day().GCurRace, 13);
  // The user reads the whole failure where it is shown, at the window's first size and at its smallest.
  form.show();
  const QStringList faults = test::CutOrOverlappingTextsAt(form, {QSize(780, 560), QSize(1, 1)});
  EXPECT_TRUE(faults.isEmpty()) << faults.join("\n").toStdString();
  // The next fetch that goes through leaves the label empty again.
  form.LatestOddsButton->click();
  EXPECT_TRUE(Called(link, "JVRTOpen(0B30," + key + ")=0"));
  EXPECT_TRUE(form.ExchangeStatusLabel->Caption().isEmpty()) << form.ExchangeStatusLabel->Caption().toStdString();
}

// The odds of the race shown, its day's .jvO1 deleted or the Data folder moved away since the day was loaded: the
// failure names the file on the status label and in the error log with one beep, and stays on the label after
// the reload.
TEST_F(JVLinkRoadTest, LatestOddsOfARaceWhoseOddsFileIsGoneNameTheFile) {
  WriteTodayBeforeRaces();
  ScriptedJVLink link;
  gui::MessageRecorder rec;
  MainWindow form(home, nullptr, &link);
  LoadFirstDay(form);
  form.SelectRaceLine(13);
  form.ShowChosenRace();
  const std::string key = FieldText(form.Day().Table.GRaTbl[13], layout::head::kRaceKey);
  const fs::path data = home / "Data", o1 = DayFilePath(data, today, ".jvO1");
  const std::string failed = ToCp932("データファイルに書き込めません：" + o1.string() + " がありません。");
  for (const bool moved : {false, true}) {
    SCOPED_TRACE(moved ? "moved" : "deleted");
    ScriptedExchange ex;
    ex.reads = {ScriptedRead::Record(corvina::testing::O1(key, "12312359"))};
    link.AddExchange(ex);
    if (moved)
      fs::rename(data, home / "moved");
    else
      fs::remove(o1);
    rec.Clear();
    form.LatestOddsButton->click();
    EXPECT_EQ(form.ExchangeStatusLabel->Caption(), Q(failed));
    EXPECT_TRUE(LastErrorLogLine(home).ends_with(ToCp932("：") + failed)) << FromCp932(LastErrorLogLine(home));
    EXPECT_EQ(rec.Beeps(), 1);
    EXPECT_TRUE(rec.Messages().empty()) << rec.Texts().join("\n").toStdString();
  }
  EXPECT_FALSE(fs::exists(data));
}

TEST_F(JVLinkRoadTest, StandInDayFromEmptyFolderToPayouts) {
  const jvgen::Day day = jvgen::MakeDay({.date = today});
  jvgen::WriteStandIn(day, home / "jvlink");
  gui::MessageRecorder rec;
  MainWindow form(home);
  form.InitializeJVLink();
  EXPECT_TRUE(rec.Messages().empty()) << rec.Texts().join("\n").toStdString();
  ASSERT_EQ(form.DateCombo->count(), 0);

  form.RunImportWindow = [&](StoredImportWindow& window) {
    window.show();
    window.StartImport();
    // Files still download: the status timer carries on; tick it as the window's timer would.
    for (int i = 0; i < 100 && window.Logic().Busy(); ++i) window.PollDownloadStatus();
    EXPECT_FALSE(window.Logic().Busy());
    window.close();
  };
  form.ShowStoredImportWindow();
  ASSERT_EQ(form.DateCombo->count(), 1) << rec.Texts().join("\n").toStdString();
  rec.Clear();
  LoadFirstDay(form);
  EXPECT_TRUE(rec.Messages().empty()) << rec.Texts().join("\n").toStdString();
  ASSERT_EQ(form.RaceList->count(), static_cast<int>(day.races.size()));
  EXPECT_TRUE(form.ResultsPollTimer->isActive());
  EXPECT_FALSE(form.RaceNameLabel->Caption().isEmpty());
  EXPECT_EQ(form.Day().Races[0].HasResults, 0);

  // The latest odds of the race shown, then the results of the races run by now.
  form.SelectRaceLine(0);
  form.ShowChosenRace();
  form.FetchShownRaceOdds();
  EXPECT_EQ(form.Day().Races[0].Odds1Present, 1);
  form.PollResults();
  const RaceInfo& first = form.Day().Races[0];
  EXPECT_EQ(first.HasResults, 1);
  EXPECT_GT(first.TanPay[1], 0);
  EXPECT_EQ(form.PayoutLabels[3]->text(), Q(FormatInt(first.TanPay[1], 8)));
  // The last race of the day has not been run at one o'clock.
  EXPECT_EQ(form.Day().Races[day.races.size() - 1].HasResults, 0);
  EXPECT_TRUE(form.ExchangeStatusLabel->Caption().isEmpty()) << form.ExchangeStatusLabel->Caption().toStdString();
  const std::string log = FromCp932(LastErrorLogLine(home));
  EXPECT_EQ(log.find("エラー"), std::string::npos) << log;
}

// The README's first day on the sample that run.sh prepares: the import, the day, the JRDB archive of predicted
// odds packed with jlha in ylzh, the odds of every race; then the card has marks, a race its tickets and the
// second race its axis horse.
TEST_F(JVLinkRoadTest, FirstDayAsTheReadmeSaysShowsMarksTicketsAndAnAxisHorse) {
  if (QStandardPaths::findExecutable("jlha").isEmpty()) GTEST_SKIP() << "jlha not installed (scripts/deps.sh)";
  const jvgen::Day day = jvgen::MakeDay({.date = today});
  jvgen::WriteStandIn(day, home / "jvlink");
  const fs::path texts = home / "texts", archives = home / "ylzh";
  jvgen::WriteProviders(day, texts);
  fs::create_directories(archives);
  const std::string yymmdd = today.DateKey().substr(2);
  const fs::path archive = archives / ("OZ" + yymmdd + ".lzh");
  QProcess jlha;
  jlha.setWorkingDirectory(QString::fromStdString(texts.string()));
  jlha.start("jlha", {"a", QString::fromStdString(archive.string()), QString::fromStdString("Oz" + yymmdd + ".txt")});
  ASSERT_TRUE(jlha.waitForFinished(120000));
  ASSERT_TRUE(fs::exists(archive)) << jlha.readAllStandardError().toStdString();

  gui::MessageRecorder rec;
  MainWindow form(home);
  form.InitializeJVLink();
  form.RunImportWindow = [&](StoredImportWindow& window) {
    window.show();
    window.StartButton->click();
    for (int i = 0; i < 100 && window.Logic().Busy(); ++i) window.PollDownloadStatus();
    window.close();
  };
  form.StoredImportButton->click();
  test::PressKey(form.DateCombo, Qt::Key_Home);
  ASSERT_EQ(form.RaceList->count(), static_cast<int>(day.races.size())) << rec.Texts().join("\n").toStdString();
  EXPECT_EQ(form.Day().Calcs[0].CountA, 0) << "no marks without the predicted odds";

  const auto savedDialog = PredictedOddsCommands::ArchiveDialog;
  const auto savedWindow = ManualOddsWindow::RunWindow;
  QString dialogFolder;
  PredictedOddsCommands::ArchiveDialog = [&](QWidget*, const QString& folder, const QString&) {
    dialogFolder = folder;
    return QString::fromStdString(archive.string());
  };
  rec.Clear();
  form.PredictedOddsButton->click();
  EXPECT_EQ(dialogFolder.toStdString(), archives.string());
  ASSERT_EQ(rec.Texts().size(), 1);
  EXPECT_TRUE(rec.Texts()[0].startsWith("JRDB基準オッズデータを解凍し、")) << rec.Texts()[0].toStdString();

  ManualOddsWindow::RunWindow = [&](ManualOddsWindow& window) {
    window.show();
    window.TickAllAction->trigger();
    window.FetchOddsButton->click();
    window.close();
  };
  form.ManualOddsButton->click();
  PredictedOddsCommands::ArchiveDialog = savedDialog;
  ManualOddsWindow::RunWindow = savedWindow;

  // Races show marks on the card, tickets in the panel under it, or an axis horse there.
  int marked = 0, ticketed = 0, withAxis = 0;
  for (int line = 0; line < form.RaceList->count(); ++line) {
    form.RaceList->setCurrentRow(line);
    ASSERT_FALSE(form.RaceTabs->isHidden()) << line;
    bool a = false;
    for (int r = 1; r < form.RaceCardGrid->RowCount(); ++r)
      a |= form.RaceCardGrid->Cell(view::Col(view::CardColumn::MarkAB1), r) == "A";
    marked += a;
    ticketed += !form.TicketLabels[2]->text().isEmpty();
    withAxis += !form.AxisHorseLabel->text().isEmpty();
  }
  EXPECT_GT(marked, 0);
  EXPECT_GT(ticketed, 0);
  EXPECT_GT(withAxis, 0);
}
