// The manual odds window offscreen on a full day of three racecourses: its refusals, every race in the tick list
// and the grid, a fetch of the ticked races as the progress bar and label show it, the keys and clicks the user
// gives (Escape, a click in the grid, a key while a fetch runs) and the printed schedule.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "components/ui/Label3D.h"
#include "platform/Cp932.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Printer.h"
#include "platform/gui/StringGrid.h"
#include "platform/jvlink/ScriptedJVLink.h"
#include "racedata/DayFiles.h"
#include "racedata/DayLoad.h"
#include "racedata/RaceRecords.h"
#include "racedata/RacingTexts.h"
#include "racedata/ui/ManualOddsWindow.h"
#include "tests/support/JVLinkFiles.h"
#include "tests/support/QtApp.h"
#include "tools/jvgen/Generator.h"

namespace corvina {
namespace {

namespace L = layout;

class ManualOddsWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::App();
    gen = jvgen::MakeDay({.date = DayName(2024, 1, 6), .venues = 3, .races = 12, .results = false});
    jvgen::WriteDayFiles(gen, home.path());
    ASSERT_TRUE(CreateBlankFile(DayFilePath(home.path() / "Data", gen.date, ".jvO1"), L::kO1Line, 36));
    model.AppDir = home.path();
    ASSERT_EQ(LoadDay(model, gen.date, {}).status, DayLoadStatus::Loaded);
    ASSERT_EQ(model.GRaceTotal, kSlots) << "a full day";
  }
  void TearDown() override { ManualOddsWindow::RunWindow = savedRun; }

  ManualOddsContext Context(const QString& dateText) {
    return {model, link, gate, dateText, [this] { ++reloads; }, [this] { ++autoOddsStopped; }};
  }
  QString Date() const { return QString::fromStdString(gen.date.Display()); }
  // The grid's row of a race as the window should show it.
  QStringList RowOf(int slot) const {
    QStringList row;
    for (const std::string& cell : ManualOddsRowTexts(model, slot)) row << QString::fromStdString(FromCp932(cell));
    return row;
  }
  std::string Key(int slot) const {
    return FieldText(model.Table.GRaTbl[static_cast<size_t>(slot)], L::head::kRaceKey);
  }

  test::TempDir home{"manualoddswin"};
  testing::ClockGuard clock{DateTime{2024, 1, 6, 12, 0, 0}};
  jvgen::Day gen;
  DayModel model;
  ScriptedJVLink link;
  ExchangeGate gate;
  gui::MessageRecorder rec;
  int reloads = 0, autoOddsStopped = 0;
  decltype(ManualOddsWindow::RunWindow) savedRun = ManualOddsWindow::RunWindow;
};

// Each refusal beeps, says why and opens nothing; only cards of an early kind switch the automatic odds off.
TEST_F(ManualOddsWindowTest, RefusesWithoutATodaysOrRecentDayWithCurrentCards) {
  int opened = 0;
  ManualOddsWindow::RunWindow = [&](ManualOddsWindow&) { ++opened; };
  struct Case {
    QString dateText;
    DateTime now;
    bool earlyCard;
    QString text;
  } cases[] = {
      {"  ", {2024, 1, 6, 12, 0, 0}, false, "ﾃﾞｰﾀを読み込んでください。"},
      {Date(), {2024, 1, 14, 0, 0, 0}, false, "本日または直近日のﾃﾞｰﾀを読み込んでください。"},
      // The last race of a full day is an early card: the check reaches it.
      {Date(),
       {2024, 1, 13, 23, 59, 0},
       true,
       "出走表データが最新でありません。JVデータ取得ボタンよりデータを取得してからオッズを取得してください。"},
  };
  for (const Case& c : cases) {
    rec.Clear();
    Clock::Set(c.now);
    std::string& lastRace = model.Table.GRaTbl[kSlots - 1];
    const char kind = lastRace[2];
    if (c.earlyCard) lastRace[2] = '1';
    ManualOddsWindow::Execute(nullptr, Context(c.dateText));
    lastRace[2] = kind;
    EXPECT_EQ(rec.Texts(), QStringList{c.text}) << c.text.toStdString();
    EXPECT_EQ(rec.Beeps(), 1) << c.text.toStdString();
    EXPECT_EQ(autoOddsStopped, c.earlyCard ? 1 : 0) << c.text.toStdString();
  }
  EXPECT_EQ(opened, 0);
  // Seven days on, with current cards, it opens.
  rec.Clear();
  ManualOddsWindow::Execute(nullptr, Context(Date()));
  EXPECT_EQ(opened, 1);
  EXPECT_TRUE(rec.Texts().isEmpty());
  EXPECT_EQ(rec.Beeps(), 0);
}

// Every race of a full day is listed and in the grid, the first and the last in their place; only the ticked
// races are fetched, the bar ends full and the label names the last race read. Escape and a key while the
// fetch runs leave the window open; Escape afterwards closes it and reloads the day once.
TEST_F(ManualOddsWindowTest, FetchesTheTickedRacesOfAFullDayAndEscapeClosesOnlyWhenIdle) {
  bool ran = false;
  ManualOddsWindow::RunWindow = [&](ManualOddsWindow& w) {
    ran = true;
    w.show();
    EXPECT_EQ(w.DateLabel->Caption(), Date()) << "the date box's text without its blanks";
    ASSERT_EQ(w.RaceTickList->count(), kSlots);
    ASSERT_EQ(w.ScheduleGrid->RowCount(), kSlots + 1);
    EXPECT_EQ(w.ScheduleGrid->Row(0),
              (QStringList{"レース", "発走時刻", "1回目時刻", "取得済時刻", "2回目時刻", "取得済時刻"}));
    for (int slot : {0, 13, kSlots - 1}) {
      EXPECT_EQ(w.ScheduleGrid->Row(slot + 1), RowOf(slot)) << slot;
      EXPECT_EQ(w.RaceTickList->item(slot)->text(), RowOf(slot)[0]) << slot;
      EXPECT_TRUE(w.RaceTickList->item(slot)->flags() & Qt::ItemIsUserCheckable) << "the user may tick " << slot;
    }
    EXPECT_TRUE(w.Ticked() == std::vector<bool>(kSlots, false));
    EXPECT_EQ(w.FetchProgressBar->value(), 0) << "the bar starts empty";

    // Nothing ticked: the user is asked to tick.
    w.FetchOddsButton->click();
    EXPECT_EQ(rec.Texts(), QStringList{"オッズ取得するレースをチェックしてください。"});
    EXPECT_TRUE(link.calls.empty());

    for (int slot : {13, kSlots - 1}) {
      ScriptedExchange ex;
      ex.reads = {ScriptedRead::Record(jvgen::O1Record(gen, gen.races[static_cast<size_t>(slot)], {0, 600, '1'}))};
      link.AddExchange(ex);
    }
    w.RaceTickList->item(13)->setCheckState(Qt::Checked);
    w.RaceTickList->item(kSlots - 1)->setCheckState(Qt::Checked);
    bool buttonOffWhileReading = true, busyWhileReading = true, timerRan = false, timerRanBeforeReading = true;
    link.onCall = [&](const std::string& op) {
      if (op != "JVRead") return;
      buttonOffWhileReading &= !w.FetchOddsButton->isEnabled();
      busyWhileReading &= QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::BusyCursor;
      timerRanBeforeReading &= timerRan;
      test::PressKey(&w, Qt::Key_Escape);
      w.close();
    };
    rec.Clear();
    // The window's messages (a repaint, a timer) go on during the fetch.
    QTimer::singleShot(0, [&] { timerRan = true; });
    w.FetchOddsButton->click();
    link.onCall = nullptr;
    EXPECT_TRUE(buttonOffWhileReading);
    EXPECT_TRUE(busyWhileReading);
    EXPECT_TRUE(timerRanBeforeReading);
    EXPECT_TRUE(w.FetchOddsButton->isEnabled()) << "on again after the fetch";
    EXPECT_TRUE(w.isVisible()) << "neither Escape nor closing ends a running fetch";
    EXPECT_EQ(reloads, 0);
    std::vector<std::string> opens;
    for (const std::string& c : link.calls)
      if (c.starts_with("JVRTOpen(")) opens.push_back(c);
    EXPECT_EQ(opens, (std::vector<std::string>{"JVRTOpen(0B30," + Key(13) + ")=0",
                                               "JVRTOpen(0B30," + Key(kSlots - 1) + ")=0"}));
    EXPECT_EQ(rec.Texts(), QStringList{"データ作成が完了しました。"});
    EXPECT_EQ(w.FetchProgressBar->maximum(), kSlots);
    EXPECT_EQ(w.FetchProgressBar->value(), kSlots);
    const std::string& last = model.Table.GRaTbl[kSlots - 1];
    EXPECT_EQ(w.ProgressLabel->Caption().toStdString(),
              "データ読込み中:" + FromCp932(CourseName(FieldView(last, L::head::kCourse), 2)) + "12R");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A right click on the list opens its menu; its first item ticks every race, its second none.
    for (const bool all : {true, false}) {
      QStringList items;
      QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (const QAction* a : menu->actions()) items << a->text();
        menu->actions().at(all ? 0 : 1)->trigger();
        menu->close();
      });
      QWidget* list = w.RaceTickList->viewport();
      const QPoint at = list->rect().center();
      QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, list->mapToGlobal(at));
      QCoreApplication::sendEvent(list, &menuEvent);
      EXPECT_EQ(items, (QStringList{"全て選択", "全て解除"}));
      EXPECT_TRUE(w.Ticked() == std::vector<bool>(kSlots, all)) << all;
    }

    test::PressKey(&w, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Rejected);
  };
  ManualOddsWindow::Execute(nullptr, Context(" " + Date() + " "));
  EXPECT_TRUE(ran);
  EXPECT_EQ(reloads, 1) << "closing reloads the day once";
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the window leaves the cursor as it was";
}

// No cell stays chosen: not after a click in the grid, nor when the window comes to the front. A race row's
// columns are filled by what they hold and show their text.
TEST_F(ManualOddsWindowTest, GridKeepsNoSelectionAndPaintsEachColumn) {
  ManualOddsWindow w(Context(Date()));
  w.Fill();
  w.show();
  gui::StringGrid& grid = *w.ScheduleGrid;
  for (int col = 0; col < 6; ++col) EXPECT_EQ(grid.ColWidth(col), col == 0 ? 100 : 70) << col;
  grid.SetSelection(gui::GridRect{1, 2, 1, 2});  // a click that missed would leave it
  test::Click(grid.viewport(), grid.CellRect(2, 3).center());
  EXPECT_TRUE(grid.Selection().Empty()) << "a click leaves no cell chosen";
  grid.SetSelection(gui::GridRect{1, 2, 1, 2});
  QEvent activate(QEvent::WindowActivate);
  QCoreApplication::sendEvent(&w, &activate);
  EXPECT_TRUE(grid.Selection().Empty());
  grid.SetSelection(gui::GridRect{1, 2, 1, 2});
  QEvent other(QEvent::WindowDeactivate);
  QCoreApplication::sendEvent(&w, &other);
  EXPECT_FALSE(grid.Selection().Empty()) << "only activation clears it";

  const QColor scheduled(0xC1, 0xFF, 0xFF), taken(0xFC, 0xCC, 0xEE);
  const QColor fills[] = {
      QApplication::palette().color(QPalette::ToolTipBase), Qt::white, scheduled, taken, scheduled, taken};
  for (int row : {0, 1, kSlots}) {
    for (int col = 0; col < 6; ++col) {
      gui::RecordingCanvas c;
      grid.PaintCell(c, col, row, QRect(0, 0, 70, 20));
      QColor brush;
      QString text;
      for (const auto& op : c.Ops()) {
        if (op.kind == gui::CanvasOp::Kind::Fill) brush = op.brush;
        if (op.kind == gui::CanvasOp::Kind::Text) text = op.text;
      }
      EXPECT_EQ(brush, row == 0 ? grid.palette().color(QPalette::Button) : fills[col]) << col << " " << row;
      EXPECT_EQ(text, grid.Cell(col, row)) << col << " " << row;
    }
  }
}

// The printed schedule: the title and the day at the head of the page, every race under them; a printer that
// fails is said so in an error box.
TEST_F(ManualOddsWindowTest, PrintsTheScheduleUnderItsTitleAndTheDay) {
  gui::PrinterOverride printer;
  ManualOddsWindow w(Context(Date()));
  w.Fill();
  w.PrintScheduleButton->click();
  EXPECT_TRUE(rec.Texts().isEmpty());
  ASSERT_FALSE(printer->Pages().empty());
  std::vector<std::pair<QString, QPoint>> heading;
  int rows = 0;
  for (const auto& page : printer->Pages())
    for (const auto& op : page) {
      if (op.kind == gui::CanvasOp::Kind::Text) heading.emplace_back(op.text, op.from);
      rows += op.kind == gui::CanvasOp::Kind::TextRect && op.text.endsWith("R") && op.text.contains("回");
    }
  ASSERT_GE(heading.size(), 2u);
  EXPECT_EQ(heading[0],
            std::make_pair(QStringLiteral("コルヴィナ for JRA-VAN Data Lab.　ｵｯｽﾞ取得ｽｹｼﾞｭｰﾙ表"), QPoint(236, 94)));
  EXPECT_EQ(heading[1], std::make_pair(Date(), QPoint(236, 188)));
  EXPECT_EQ(rows, kSlots);

  rec.Clear();
  printer->SetInstalled(false);
  w.PrintScheduleButton->click();
  ASSERT_EQ(rec.Messages().size(), 1u);
  EXPECT_EQ(rec.Messages()[0].kind, gui::MsgKind::Error);
  EXPECT_TRUE(rec.Texts()[0].contains("プリンタが登録されていません")) << rec.Texts()[0].toStdString();
}

}  // namespace
}  // namespace corvina
