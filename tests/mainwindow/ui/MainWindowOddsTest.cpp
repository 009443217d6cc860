// The main window's odds commands: the manual odds window (its refusals, the fetch through the main window's
// gate, the reload on closing), the time-series folder and import, and the two odds-clearing commands.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <utility>

#include "components/ui/FolderChooser.h"
#include "components/ui/Label3D.h"
#include "mainwindow/ui/MainWindow.h"
#include "platform/Clock.h"
#include "platform/Cp932.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/StringGrid.h"
#include "platform/jvlink/ScriptedJVLink.h"
#include "racedata/DayFiles.h"
#include "racedata/RaceRecords.h"
#include "racedata/ui/ManualOddsWindow.h"
#include "tests/support/JVLinkFiles.h"
#include "tests/support/QtApp.h"
#include "tests/support/TempDir.h"
#include "tests/support/WholeTexts.h"
#include "tools/jvgen/Generator.h"

using namespace corvina;
namespace fs = std::filesystem;
namespace L = corvina::layout;
using corvina::testing::LastErrorLogLine;

namespace {

class MainWindowOddsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::App();
    Clock::Set(DateTime{2024, 1, 13, 12, 0, 0});
  }
  void TearDown() override {
    Clock::Reset();
    ManualOddsWindow::RunWindow = savedRun_;
    std::error_code ec;
    fs::current_path(fs::temp_directory_path(), ec);
  }
  // A day with its cards and empty odds files; returns the generated day.
  jvgen::Day WriteDay(const DayName& date) {
    jvgen::Day day = jvgen::MakeDay({.date = date, .venues = 1, .races = 9, .results = false});
    jvgen::WriteDayFiles(day, home.path());
    EXPECT_TRUE(CreateBlankFile(DayFilePath(home.path() / "Data", date, ".jvO1"), L::kO1Line, 18));
    EXPECT_TRUE(CreateBlankFile(DayFilePath(home.path() / "Data", date, ".jvO2"), L::kO2Line, 9));
    return day;
  }
  static void Load(MainWindow& form, const DayName& date) {
    test::ChooseItem(form.DateCombo, form.DateCombo->findText(QString::fromStdString(date.Display())));
    ASSERT_GT(form.RaceList->count(), 0);
  }
  Lines Read(const DayName& date, std::string_view suffix) const {
    Lines lines;
    ReadLines(DayFilePath(home.path() / "Data", date, suffix), lines);
    return lines;
  }

  test::TempDir home{"oddscmd"};
  decltype(ManualOddsWindow::RunWindow) savedRun_ = ManualOddsWindow::RunWindow;
};

}  // namespace

TEST_F(MainWindowOddsTest, ManualOddsWindowTakesTheTickedRacesAndReloadsTheDayOnClosing) {
  const DayName sevenDays(2024, 1, 6);
  const jvgen::Day day = WriteDay(sevenDays);
  ScriptedJVLink link;
  gui::MessageRecorder rec;
  MainWindow form(home.path(), nullptr, &link);
  int opened = 0;
  ASSERT_TRUE(form.ManualOddsButton->isEnabled());
  ASSERT_TRUE(form.ManualOddsAction->isEnabled());
  form.ManualOddsAction->trigger();
  EXPECT_EQ(rec.Texts(), QStringList{"ﾃﾞｰﾀを読み込んでください。"});

  Load(form, sevenDays);
  ASSERT_FALSE(form.Day().Races[0].Odds1Present);
  const jvgen::Race& race = day.races[0];
  ScriptedExchange ex;
  ex.reads = {ScriptedRead::Record(jvgen::O1Record(day, race, {0, 9 * 60, '1'})),
              ScriptedRead::Record(jvgen::O1Record(day, race, {0, 9 * 60 + 30, '1'}))};
  link.AddExchange(ex);
  // A results request made inside the manual exchange waits for it.
  bool gateHeld = true, asked = false, busyWhileReading = false;
  link.onCall = [&](const std::string& op) {
    if (op != "JVRead") return;
    gateHeld &= form.Reader().Gate().Busy();
    busyWhileReading = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::BusyCursor;
    if (!std::exchange(asked, true)) form.FetchResults();
  };
  rec.Clear();
  // The day of seven days ago still opens the window.
  ManualOddsWindow::RunWindow = [&](ManualOddsWindow& w) {
    ++opened;
    w.show();
    EXPECT_EQ(w.windowTitle(), "オッズ手動取得");
    EXPECT_EQ(w.DateLabel->Caption(), QString::fromStdString(sevenDays.Display()));
    ASSERT_EQ(w.RaceTickList->count(), 9);
    EXPECT_EQ(w.ScheduleGrid->RowCount(), 10);
    EXPECT_EQ(test::OverlappingChildren(w), QStringList());
    EXPECT_EQ(w.ScheduleGrid->FixedCols(), 0) << "the race column scrolls with the times";
    // The list's menu ticks every race, then none.
    auto ticks = [&] {
      QString t;
      for (int i = 0; i < w.RaceTickList->count(); ++i) {
        const QVariant state = w.RaceTickList->item(i)->data(Qt::CheckStateRole);  // none: no box shown
        t += !state.isValid() ? ' ' : state.toInt() == Qt::Checked ? 'x' : '-';
      }
      return t;
    };
    EXPECT_EQ(ticks(), "---------");
    ASSERT_TRUE(w.RaceTickList->actions().contains(w.TickAllAction));
    w.RaceTickList->item(3)->setCheckState(Qt::Checked);
    w.TickAllAction->trigger();
    EXPECT_EQ(ticks(), "xxxxxxxxx");
    w.UntickAllAction->trigger();
    EXPECT_EQ(ticks(), "---------");
    // The header row keeps the button colour; a race's schedule columns are light blue, its taken ones pink.
    auto fill = [&](int col, int row) {
      gui::RecordingCanvas c;
      w.ScheduleGrid->PaintCell(c, col, row, QRect(0, 0, 40, 20));
      QColor brush;
      for (const auto& op : c.Ops())
        if (op.kind == gui::CanvasOp::Kind::Fill) brush = op.brush;
      return brush;
    };
    EXPECT_EQ((std::vector<QColor>{fill(2, 0), fill(2, 1), fill(3, 1)}),
              (std::vector<QColor>{w.ScheduleGrid->palette().color(QPalette::Button), QColor(0xC1, 0xFF, 0xFF),
                                   QColor(0xFC, 0xCC, 0xEE)}));
    w.RaceTickList->item(0)->setCheckState(Qt::Checked);
    w.FetchOddsButton->click();
    EXPECT_TRUE(busyWhileReading) << "the fetch shows the busy cursor";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "and gives the cursor back";
    EXPECT_EQ(rec.Texts(), QStringList{"データ作成が完了しました。"});
    EXPECT_FALSE(form.Day().Races[0].Odds1Present) << "the day is reloaded only on closing";
    w.close();
    EXPECT_FALSE(w.isVisible());
  };
  form.ManualOddsButton->click();
  EXPECT_EQ(opened, 1);
  EXPECT_TRUE(gateHeld);
  const std::vector<std::string> ops = link.Ops();
  const auto results = std::find(ops.begin() + 1, ops.end(), "JVRTOpen");
  ASSERT_NE(results, ops.end());
  EXPECT_TRUE(link.calls[0].starts_with("JVRTOpen(0B30,"));
  EXPECT_EQ(*(results - 1), "JVClose") << "the odds exchange was closed before the results were asked for";
  EXPECT_EQ(form.Day().Races[0].Odds1Present, 1);
  EXPECT_EQ(form.Day().Races[0].OddsAnnounce1, "0900");
  EXPECT_EQ(form.Day().Races[0].OddsAnnounce2, "0930");
  EXPECT_EQ(form.RaceList->count(), 9);
}

// Every race's odds go to the day's one .jvO1: when it cannot be saved, or is deleted or its Data folder moved
// away while the window is open, the failure with the file's path is told once, not once a race, in the window's
// label, the error log and one box, and the fetch does not claim to have made the data. No file is made again.
TEST_F(MainWindowOddsTest, ManualOddsShowAFailingSaveOnceAndNoSuccess) {
  const DayName date(2024, 1, 6);
  const jvgen::Day day = WriteDay(date);
  const fs::path data = home.path() / "Data", moved = home.path() / "moved";
  const fs::path o1 = DayFilePath(data, date, ".jvO1");
  ScriptedJVLink link;
  gui::MessageRecorder rec;
  const test::ProgramFont font;
  MainWindow form(home.path(), nullptr, &link);
  Load(form, date);
  const Lines before = Read(date, ".jvO1");
  struct Fault {
    const char* name;
    std::function<void()> make, undo;
    std::string reason;
  } faults[] = {
      // Read-only binds root too: the save refuses a file its owner may not write.
      {"read-only", [&] { fs::permissions(o1, fs::perms::owner_read | fs::perms::group_read); },
       [&] { fs::permissions(o1, fs::perms::owner_write, fs::perm_options::add); }, " は読み取り専用です。"},
      {"deleted", [&] { fs::remove(o1); }, [&] { ASSERT_TRUE(SaveLines(o1, before)); }, " がありません。"},
      {"moved", [&] { fs::rename(data, moved); }, [&] { fs::rename(moved, data); }, " がありません。"},
  };
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.name);
    for (const jvgen::Race& race : day.races) {
      ScriptedExchange ex;
      ex.reads = {ScriptedRead::Record(jvgen::O1Record(day, race, {0, 9 * 60, '1'}))};
      link.AddExchange(ex);
    }
    const int opensBefore = link.CountCalls("JVRTOpen");
    const std::string failed = "データファイルに書き込めません：" + o1.string() + fault.reason;
    bool existsAfterFetch = true;
    QStringList shown;
    ManualOddsWindow::RunWindow = [&](ManualOddsWindow& w) {
      w.show();
      w.TickAllAction->trigger();
      fault.make();
      rec.Clear();
      w.FetchOddsButton->click();
      shown = rec.Texts();
      EXPECT_EQ(rec.Beeps(), 1);
      existsAfterFetch = fs::exists(o1);
      EXPECT_EQ(w.ProgressLabel->Caption().toStdString(), failed);
      const QStringList cut = test::CutOrOverlappingTextsAt(w, {w.size(), w.minimumSizeHint()});
      EXPECT_TRUE(cut.isEmpty()) << cut.join("\n").toStdString();
      fault.undo();
      w.close();
    };
    form.ManualOddsButton->click();
    EXPECT_EQ(link.CountCalls("JVRTOpen") - opensBefore, 9) << "every ticked race is still asked for";
    EXPECT_EQ(shown, QStringList{QString::fromStdString(failed)});
    EXPECT_EQ(existsAfterFetch, fault.reason != std::string(" がありません。"));
    EXPECT_EQ(FromCp932(LastErrorLogLine(home.path())), "【エラー】12:00:00：" + failed);
    EXPECT_EQ(Read(date, ".jvO1"), before);
  }
}

TEST_F(MainWindowOddsTest, ManualOddsAreOffWhileTheAutomaticOddsRun) {
  const DayName today(2024, 1, 13);
  WriteDay(today);
  ScriptedJVLink link;
  gui::MessageRecorder rec;
  MainWindow form(home.path(), nullptr, &link);
  Load(form, today);
  form.AutoOddsCheck->click();
  ASSERT_TRUE(form.AutoOddsTimer->isActive());
  EXPECT_FALSE(form.ManualOddsButton->isEnabled());
  EXPECT_FALSE(form.ManualOddsAction->isEnabled());
  form.AutoOddsCheck->click();
  EXPECT_TRUE(form.ManualOddsButton->isEnabled());
  EXPECT_TRUE(form.ManualOddsAction->isEnabled());
}

TEST_F(MainWindowOddsTest, TimeSeriesFolderIsChosenAndTheImportFillsTheLoadedDay) {
  const DayName date(2024, 1, 6);
  const jvgen::Day day = WriteDay(date);
  test::TempDir root{"oddscmdroot"};
  jvgen::WriteStandIn(day, root.path());
  const QString folder = QString::fromStdString((root.path() / "realtime" / "0B30").string());
  ScriptedJVLink link;
  gui::MessageRecorder rec;
  MainWindow form(home.path(), nullptr, &link);

  form.TimeSeriesOddsAction->trigger();
  EXPECT_EQ(rec.Texts(), QStringList{"時系列ｵｯｽﾞﾌｫﾙﾀﾞ指定をしてください。"});
  EXPECT_EQ(rec.Beeps(), 1);

  // The chooser opens on the program folder, then on the folder chosen; cancelling keeps the setting, confirming
  // stores the choice.
  QStringList openedOn;
  auto choose = [&](bool confirm) {
    QTimer::singleShot(0, [&] {
      FolderChooserDialog* d = form.FolderDialog->Dialog();
      ASSERT_NE(d, nullptr);
      EXPECT_EQ(d->windowTitle(), "時系列ｵｯｽﾞﾃﾞｰﾀﾌｫﾙﾀﾞの指定");
      openedOn << d->CurrentFolder();
      d->SelectFolder(folder);
      (confirm ? d->OkButton : d->CancelButton)->click();
    });
    form.TimeSeriesFolderAction->trigger();
  };
  choose(false);
  EXPECT_EQ(form.Settings.ReadString("Dir", "jikeiretu", "none"), "none");
  choose(true);
  EXPECT_EQ(form.Settings.ReadString("Dir", "jikeiretu", ""), folder.toStdString());
  EXPECT_EQ(form.TimeSeriesFolder(), fs::path(folder.toStdString()));
  form.FolderDialog->SelectedFolder.clear();  // as another command's choice would leave it
  choose(false);
  const QString program = QString::fromStdString(form.AppDir.string());
  EXPECT_EQ(openedOn, (QStringList{program, program, folder}));

  rec.Clear();
  form.TimeSeriesOddsAction->trigger();
  EXPECT_EQ(rec.Texts(), QStringList{"ｵｯｽﾞを読み込みたい当日の開催日ﾃﾞｰﾀを読み込んでください。"});
  EXPECT_TRUE(IsBlank(Read(date, ".jvO1")[0]));

  Load(form, date);
  // Day odds files that cannot be saved: the failure is shown, and no summary claims an import.
  const fs::path o1 = DayFilePath(home.path() / "Data", date, ".jvO1"),
                 o2 = DayFilePath(home.path() / "Data", date, ".jvO2");
  for (const fs::path& f : {o1, o2}) fs::permissions(f, fs::perms::owner_read | fs::perms::group_read);
  rec.Clear();
  form.TimeSeriesOddsAction->trigger();
  for (const fs::path& f : {o1, o2}) fs::permissions(f, fs::perms::owner_write, fs::perm_options::add);
  ASSERT_EQ(rec.Texts().size(), 1) << rec.Texts().join("\n").toStdString();
  EXPECT_TRUE(rec.Texts()[0].startsWith("データファイルに書き込めません：")) << rec.Texts()[0].toStdString();
  EXPECT_EQ(rec.Messages()[0].kind, gui::MsgKind::Warning);
  EXPECT_EQ(rec.Beeps(), 1);
  EXPECT_TRUE(IsBlank(Read(date, ".jvO1")[0]));

  rec.Clear();
  form.TimeSeriesOddsAction->trigger();
  EXPECT_EQ(rec.Texts(), QStringList{"9ﾚｰｽ分の朝ｵｯｽﾞ、9ﾚｰｽ分の単複枠最新ｵｯｽﾞ、9ﾚｰｽ分の馬連最新ｵｯｽﾞを取りこみました。"});
  EXPECT_EQ(form.Day().Races[0].Odds1Present, 1) << "the day was reloaded";
  EXPECT_EQ(form.Day().Races[8].Odds2Present, 1);

  // The program folder itself counts as no folder chosen.
  form.Settings.WriteString("Dir", "jikeiretu", form.AppDir.string() + "/");
  EXPECT_TRUE(form.TimeSeriesFolder().empty());

  // A folder where the settings file belongs: the choice is not kept, and the user is told so.
  fs::remove(home.path() / "corvina.ini");
  fs::create_directory(home.path() / "corvina.ini");
  rec.Clear();
  choose(true);
  ASSERT_EQ(rec.Messages().size(), 1u);
  EXPECT_EQ(rec.Messages()[0].kind, gui::MsgKind::Error);
  EXPECT_TRUE(rec.Texts()[0].contains("corvina.ini")) << rec.Texts()[0].toStdString();
  EXPECT_TRUE(form.TimeSeriesFolder().empty());
}

TEST_F(MainWindowOddsTest, ClearingAsksFirstBlanksTheOddsAndShowsTheRightRace) {
  const DayName date(2024, 1, 6);
  const jvgen::Day day = WriteDay(date);
  jvgen::WriteDayFiles(day, home.path());  // the odds as generated
  ScriptedJVLink link;
  gui::MessageRecorder rec(gui::MsgResult::No);
  MainWindow form(home.path(), nullptr, &link);

  form.ClearAllOddsAction->trigger();
  form.ClearShownRaceOddsAction->trigger();
  EXPECT_EQ(rec.Texts(), QStringList({"データが読み込まれていません。", "データが読み込まれていません。"}));
  EXPECT_EQ(rec.Beeps(), 2);

  Load(form, date);
  const Lines before = Read(date, ".jvO1");
  ASSERT_FALSE(IsBlank(before[0]));
  rec.Clear();
  form.ClearAllOddsAction->trigger();
  form.SelectRaceLine(4);
  form.ShowChosenRace();
  form.ClearShownRaceOddsAction->trigger();
  EXPECT_EQ(rec.Texts(), QStringList({"全レースのオッズを消去します。実行しますか？",
                                      "当レースのオッズを消去します。実行しますか？"}));
  EXPECT_EQ(Read(date, ".jvO1"), before) << "No changes nothing";

  rec.SetAnswer(gui::MsgResult::Yes);
  form.ClearShownRaceOddsAction->trigger();
  Lines o1 = Read(date, ".jvO1");
  for (size_t i = 0; i < o1.size(); ++i) EXPECT_EQ(IsBlank(o1[i]), i == 8 || i == 9) << i;
  EXPECT_FALSE(fs::exists(DayFilePath(form.Day().DataDir(), date, ".jvO3")));
  EXPECT_EQ(form.RaceList->currentRow(), 4) << "the same race stays shown";
  EXPECT_EQ(form.Day().GCurRace, 4);
  EXPECT_FALSE(form.Day().Races[4].Odds1Present);
  EXPECT_TRUE(form.Day().Races[3].Odds1Present);

  form.ClearAllOddsAction->trigger();
  o1 = Read(date, ".jvO1");
  EXPECT_EQ(o1.size(), 72u);
  for (const std::string& line : o1) EXPECT_TRUE(IsBlank(line));
  EXPECT_EQ(Read(date, ".jvO3").size(), 36u);
  EXPECT_EQ(form.RaceList->currentRow(), 0) << "the first race is shown";
  EXPECT_EQ(form.Day().GCurRace, 0);

  // A race slot that names no race of the list is refused before anything is asked.
  rec.Clear();
  form.Day().GCurRace = 9;
  form.ClearShownRaceOddsAction->trigger();
  form.Day().GCurRace = -1;
  form.ClearShownRaceOddsAction->trigger();
  form.Day().GCurRace = 5;  // a race of the list, but not the line chosen
  form.ClearShownRaceOddsAction->trigger();
  EXPECT_EQ(rec.Texts(), QStringList(3, "オッズを消去するレースを表示してください。"));
  EXPECT_EQ(rec.Beeps(), 3);

  // A day file that cannot be written: the user is told, and the file stays as it was.
  form.Day().GCurRace = 4;
  form.SelectRaceLine(4);
  ASSERT_TRUE(SaveLines(DayFilePath(form.Day().DataDir(), date, ".jvO1"), before));
  const fs::path o1File = DayFilePath(form.Day().DataDir(), date, ".jvO1");
  fs::permissions(o1File, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  for (QAction* clear : {form.ClearAllOddsAction, form.ClearShownRaceOddsAction}) {
    rec.Clear();
    clear->trigger();
    ASSERT_EQ(rec.Messages().size(), 2u) << rec.Texts().join("\n").toStdString();
    EXPECT_EQ(rec.Messages()[1].kind, gui::MsgKind::Warning);
    EXPECT_TRUE(rec.Texts()[1].startsWith("データファイルに書き込めません：")) << rec.Texts()[1].toStdString();
  }
  fs::permissions(o1File, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(Read(date, ".jvO1"), before);
}
