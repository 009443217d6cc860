// The hit window: the rows and colours it shows, summary texts, the one-venue placeholders, the clipboard
// marker, the no-day message and the printed page.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <array>
#include <fstream>
#include <tuple>

#include "analysis/ui/HitWindow.h"
#include "components/ui/Label3D.h"
#include "components/ui/PrintPreview.h"
#include "platform/Cp932.h"
#include "platform/LineFile.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Printer.h"
#include "platform/gui/Shell.h"
#include "platform/gui/StringGrid.h"
#include "tests/analysis/EngineFixtures.h"
#include "tests/support/QtApp.h"
#include "tests/support/TempDir.h"

namespace corvina::analysis {
namespace {

using namespace corvina::test;

// A one-venue day of ten races at Tokyo; race 10 (slot 9) has ticket 2 as a wide hit, race 9 (slot 8) six
// tickets of which the last hit both the quinella and the wide.
std::unique_ptr<DayModel> OneVenueDay() {
  auto day = NewDay();
  for (int s = 0; s < 10; ++s) AddRace(*day, s, 16, "2006", "05", s + 1);
  RaceCalc& six = day->Calcs[8];
  for (int t = 1; t <= 6; ++t) six.Tickets[t] = " 1-" + FormatInt(t + 1, 2);
  six.UmarenHit[6] = 1, six.UmarenPay[6] = 1980;
  six.WideHit[6] = 1, six.WidePay[6] = 610;
  day->Races[9].WideComb[1] = " 1- 3";  // race 10 has its wide result, no quinella one
  RaceCalc& calc = day->Calcs[9];
  calc.Tickets[1] = " 1- 2", calc.Tickets[2] = " 1- 3";
  calc.WideHit[2] = 1, calc.WidePay[2] = 560;
  calc.AxisHorse = 3, calc.TanHit = 1, calc.TanPay = 450, calc.FukuHit = 1, calc.FukuPay = 160;
  day->Races[9].TanHorse[1] = 3, day->Races[9].FukuHorse[1] = 3;
  day->GStats[TicketsIndex(BetType::Quinella, 0)] = 3;
  day->GStats[HitsIndex(BetType::Quinella, 0)] = 1;
  day->GStats[PayIndex(BetType::Quinella, 0)] = 1250;
  // Each bet type its own figures: {tickets, hits, pay} for all venues, and a win figure for Tokyo.
  for (auto [type, tickets, pay] :
       {std::tuple{BetType::Wide, 4, 560}, std::tuple{BetType::Win, 2, 450}, std::tuple{BetType::Place, 2, 160}}) {
    day->GStats[TicketsIndex(type, 0)] = tickets;
    day->GStats[HitsIndex(type, 0)] = 1;
    day->GStats[PayIndex(type, 0)] = pay;
  }
  day->GStats[TicketsIndex(BetType::Win, 1)] = 1;
  day->GStats[PayIndex(BetType::Win, 1)] = 450;
  return day;
}

QString Caption(Label3D* l) { return l->Caption(); }

// The colour a grid cell is filled with, after checking that its text is drawn over the fill, centred.
QColor LastFill(gui::StringGrid& grid, int col, int row) {
  gui::RecordingCanvas canvas;
  grid.PaintCell(canvas, col, row, QRect(0, 0, 50, 24));
  QColor fill;
  QString text;
  int alignment = 0;
  for (const auto& op : canvas.Ops()) {
    if (op.kind == gui::CanvasOp::Kind::Fill) fill = op.brush, text.clear();
    if (op.kind == gui::CanvasOp::Kind::TextRect) text = op.text, alignment = op.alignment;
  }
  EXPECT_EQ(text, grid.Cell(col, row)) << col << "," << row;
  EXPECT_EQ(alignment, static_cast<int>(Qt::AlignCenter)) << col << "," << row;
  return fill;
}

TEST(HitWindow, FillsRowsByRaceSlotAndShowsPlaceholdersForAOneVenueDay) {
  App();
  auto day = OneVenueDay();
  AddRace(*day, 10, 16, "2006", "05", 11);  // a race the race list does not hold gets no row
  const std::string dayName = ToCp932("2006年01月06日");
  HitWindow form(nullptr, *day, dayName, 10);
  EXPECT_EQ(form.QuinellaWideGrid->RowCount(), 11);
  EXPECT_EQ(form.WinPlaceGrid->RowCount(), 11);
  auto rowOf = [](const gui::StringGrid& grid, int row) {
    QStringList cells;
    for (int c = 0; c < grid.ColCount(); ++c) cells << grid.Cell(c, row);
    return cells;
  };
  auto widths = [](const gui::StringGrid& grid) {
    std::vector<int> w;
    for (int c = 0; c < grid.ColCount(); ++c) w.push_back(grid.ColWidth(c));
    return w;
  };
  EXPECT_EQ(rowOf(*form.WinPlaceGrid, 0), (QStringList{"判定", "レース", "頭数", "買い目", "単勝配当", "複勝配当"}));
  EXPECT_EQ(widths(*form.WinPlaceGrid), (std::vector<int>{30, 110, 30, 40, 60, 60}));
  EXPECT_EQ(widths(*form.QuinellaWideGrid),
            (std::vector<int>{30, 110, 30, 50, 50, 50, 50, 50, 50, 60, 60, 60, 60, 60, 60, 60}));
  EXPECT_EQ(rowOf(*form.WinPlaceGrid, 10), (QStringList{"TF", "東京  1回 4日10R", "16頭", " 3", "    450", "    160"}));
  EXPECT_EQ(rowOf(*form.QuinellaWideGrid, 10), (QStringList{"-W", "東京  1回 4日10R", "16頭", " 1- 2", " 1- 3", "", "",
                                                            "", "", "", "", "    560", "", "", "", ""}));
  // Two tabs and the hidden print preview.
  ASSERT_EQ(form.Tabs->count(), 3);
  EXPECT_EQ((std::vector<bool>{form.Tabs->isTabVisible(0), form.Tabs->isTabVisible(1), form.Tabs->isTabVisible(2)}),
            (std::vector<bool>{true, true, false}));
  EXPECT_EQ(form.Tabs->widget(2), form.PrintPreviewTab);
  EXPECT_EQ(form.QuinellaWideGrid->Cell(1, 10), QString::fromUtf8("東京  1回 4日10R"));
  EXPECT_EQ(form.QuinellaWideGrid->Cell(2, 10), QString::fromUtf8("16頭"));
  EXPECT_EQ(form.QuinellaWideGrid->Cell(11, 10), QStringLiteral("    560"));
  EXPECT_EQ((QStringList{form.QuinellaWideGrid->Cell(0, 10), form.QuinellaWideGrid->Cell(0, 1)}),
            (QStringList{"-W", "--"}));
  EXPECT_EQ((QStringList{form.QuinellaWideGrid->Cell(8, 9), form.QuinellaWideGrid->Cell(9, 9),
                         form.QuinellaWideGrid->Cell(15, 9)}),
            (QStringList{" 1- 7", "   1980", "    610"}));
  EXPECT_EQ(LastFill(*form.QuinellaWideGrid, 8, 9), QColor(255, 0, 0)) << "the sixth ticket's quinella hit";
  EXPECT_EQ(LastFill(*form.QuinellaWideGrid, 15, 9), QColor(255, 0, 255)) << "the sixth ticket's wide hit";
  EXPECT_EQ(LastFill(*form.QuinellaWideGrid, 14, 9), QColor(255, 255, 0)) << "the fifth ticket's missed wide";
  EXPECT_EQ(Caption(form.QuinellaWideSummary.title), QString::fromUtf8("的中判定表[馬連･ﾜｲﾄﾞ]　2006年01月06日"));
  EXPECT_EQ(Caption(form.WinPlaceSummary.scopeNames[1]), QString::fromUtf8("東京  "));
  EXPECT_EQ(Caption(form.WinPlaceSummary.scopeNames[2]), QString::fromUtf8("――"));
  EXPECT_EQ(Caption(form.QuinellaWideSummary.scopeNames[3]), QString::fromUtf8("――"));
  const auto& all = form.QuinellaWideSummary.values[0][0];
  EXPECT_EQ((QStringList{Caption(all[0]), Caption(all[1]), Caption(all[2]), Caption(all[3]), Caption(all[4])}),
            (QStringList{QString::fromUtf8("  3点"), QString::fromUtf8("  1点"), QString::fromUtf8("  300円"),
                         QString::fromUtf8("   1250円"), QStringLiteral(" 416.7%")}));
  EXPECT_EQ(Caption(form.QuinellaWideSummary.values[2][0][4]), QString(7, ' '));
  QStringList rates;
  for (const auto* panel : {&form.QuinellaWideSummary, &form.WinPlaceSummary})
    for (size_t k = 0; k < 4; ++k)
      for (size_t b = 0; b < 2; ++b) rates << Caption(panel->values[k][b][4]).trimmed();
  EXPECT_EQ(rates,
            (QStringList{"416.7%", "140.0%", "", "", "", "", "", "", "225.0%", "80.0%", "450.0%", "", "", "", "", ""}));

  // The painter takes the blue-green-red integers: a wide hit is fuchsia, a missed wide payout yellow. It
  // paints the flags the texts were filled from, even when a day load inside the window changed the model.
  day->Calcs[9].WideHit.fill(0);
  gui::RecordingCanvas canvas;
  form.QuinellaWideGrid->PaintCell(canvas, 4, 10, QRect(0, 0, 50, 24));
  form.QuinellaWideGrid->PaintCell(canvas, 10, 10, QRect(0, 0, 60, 24));
  std::vector<QColor> fills;
  for (const auto& op : canvas.Ops())
    if (op.kind == gui::CanvasOp::Kind::Fill) fills.push_back(op.brush);
  ASSERT_GE(fills.size(), 2u);
  EXPECT_EQ(fills[fills.size() / 2 - 1], QColor(255, 0, 255));
  EXPECT_EQ(fills.back(), QColor(255, 255, 0));

  // A full day of three venues: every race has its row, the last one too.
  auto full = NewDay();
  for (int s = 0; s < kSlots; ++s) AddRace(*full, s, 16, "2006", s < 24 ? (s < 12 ? "05" : "06") : "09", s % 12 + 1);
  HitWindow fullForm(nullptr, *full, dayName, kSlots);
  EXPECT_EQ(fullForm.QuinellaWideGrid->RowCount(), kSlots + 1);
  EXPECT_EQ((QStringList{fullForm.QuinellaWideGrid->Cell(1, kSlots), fullForm.WinPlaceGrid->Cell(1, kSlots)}),
            QStringList(2, QString::fromUtf8("阪神  1回 4日12R")));

  form.show();
  QCoreApplication::processEvents();
  // Each summary heading stands over its column of figures; each scope's figures on its name's line.
  for (const HitWindow::SummaryPanel* panel : {&form.QuinellaWideSummary, &form.WinPlaceSummary}) {
    form.Tabs->setCurrentWidget(panel->title->parentWidget()->parentWidget());
    QCoreApplication::processEvents();
    const auto labels = panel->title->parentWidget()->findChildren<Label3D*>();
    for (size_t c = 0; c < 5; ++c) {
      const auto head = std::find_if(labels.begin(), labels.end(), [&](Label3D* l) {
        return l->Caption() ==
               QString::fromUtf8(std::array{"買い点数", "的中点数", "買い金額", "回収金額", "回収率"}[c]);
      });
      ASSERT_NE(head, labels.end());
      for (size_t k = 0; k < 4; ++k)
        for (size_t b = 0; b < 2; ++b) {
          const Label3D* figure = panel->values[k][b][c];
          EXPECT_EQ(figure->x(), (*head)->x()) << k << b << c;
          EXPECT_GT(figure->y(), (*head)->y());
          EXPECT_EQ(figure->y() == panel->scopeNames[k]->y(), b == 0) << k << b << c;
        }
    }
  }
  // A click selects a cell while the button is down; its release leaves no cell selected, on either tab.
  for (gui::StringGrid* grid : {form.QuinellaWideGrid, form.WinPlaceGrid}) {
    form.Tabs->setCurrentWidget(grid->parentWidget());
    QCoreApplication::processEvents();
    const QPoint at = grid->CellRect(3, 2).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
      QMouseEvent e(type, at, grid->viewport()->mapToGlobal(at), Qt::LeftButton,
                    type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
      QApplication::sendEvent(grid->viewport(), &e);
      EXPECT_EQ(grid->Selection().Empty(), type == QEvent::MouseButtonRelease);
    }
  }
}

TEST(HitWindow, NoDayOrNoRaceGivesTheMessageOnlyAndADayOpensTheWindowThatGoesWhenClosed) {
  App();
  auto day = OneVenueDay();
  gui::MessageRecorder messages;
  // Whatever window opens is closed at once, so that a wrong opening ends rather than waits.
  QPointer<QWidget> opened;
  QString title;
  auto closeWhatOpens = [&] {
    QTimer::singleShot(0, [&] {
      opened = QApplication::activeModalWidget();
      if (opened) title = opened->windowTitle(), opened->close();
    });
  };
  const std::string dayName = ToCp932("2006年01月06日");
  auto noRaces = NewDay();
  for (int s = 0; s < 10; ++s) AddRace(*noRaces, s, 16, "2006", "05", s + 1), noRaces->Races[s].HasData = 0;
  closeWhatOpens();
  ShowHitWindow(nullptr, *day, "  ", 10);
  ShowHitWindow(nullptr, *day, dayName, 0);       // a load that stopped before the races
  ShowHitWindow(nullptr, *noRaces, dayName, 10);  // a load that stopped before any race had data
  QCoreApplication::processEvents();
  EXPECT_EQ(opened, nullptr);
  EXPECT_EQ(messages.Beeps(), 3);
  EXPECT_EQ(messages.Texts(), QStringList(3, QString::fromUtf8("ﾃﾞｰﾀを読み込んでください。")));

  messages.Clear();
  closeWhatOpens();
  ShowHitWindow(nullptr, *day, dayName, 10);
  EXPECT_EQ(title, QString::fromUtf8("的中判定"));
  EXPECT_TRUE(messages.Messages().empty());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(opened, nullptr) << "the closed window is gone";
}

// The day's report: written, opened and put on the clipboard; a file that cannot be saved is named to the user,
// and then nothing is opened.
TEST(HitWindow, TheHitReportIsOpenedAndCopiedOrItsFailureShown) {
  App();
  TempDir dir("hitreport");
  auto day = OneVenueDay();
  day->AppDir = dir.path();
  for (int s : {8, 9}) day->Races[static_cast<size_t>(s)].UmaBan[0] = " 1";
  day->Races[9].WidePay[1] = 560;
  day->Races[8].WideComb[1] = " 1- 7", day->Races[8].WidePay[1] = 610;
  QList<QUrl> opened;
  gui::SetShellSink([&](const QUrl& u) { return opened << u, true; });
  gui::MessageRecorder messages;
  QApplication::clipboard()->setText("before");
  const HitReportResult written = WriteHitReport(nullptr, *day, HitReportKind::All);
  const std::filesystem::path tk = dir.path() / "HPupload" / "TK20060106.txt";
  EXPECT_TRUE(written.written);
  EXPECT_EQ(written.dayFile, tk);
  EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(tk.string()))});
  Lines lines;
  ASSERT_TRUE(ReadLines(tk, lines));
  ASSERT_EQ(lines.size(), 3u);
  QStringList shown;
  for (const std::string& l : lines) shown << QString::fromStdString(FromCp932(l));
  EXPECT_EQ(QApplication::clipboard()->text(), shown.join("\r\n") + "\r\n");
  EXPECT_TRUE(messages.Messages().empty());

  std::filesystem::remove(tk);
  std::filesystem::create_directories(tk);  // the day's file cannot be saved
  opened.clear();
  QApplication::clipboard()->setText("before");
  const HitReportResult failed = WriteHitReport(nullptr, *day, HitReportKind::All);
  gui::SetShellSink(nullptr);
  EXPECT_FALSE(failed.written);
  EXPECT_EQ(failed.errors.size(), 1u);
  EXPECT_TRUE(opened.isEmpty());
  EXPECT_EQ(QApplication::clipboard()->text(), "before");
  ASSERT_EQ(messages.Messages().size(), 1u);
  EXPECT_EQ(messages.Messages()[0].kind, gui::MsgKind::Warning);
  EXPECT_TRUE(messages.Texts()[0].startsWith(QString::fromUtf8("的中レポートを保存できませんでした。\n") +
                                             QString::fromStdString(tk.string()) + ": "))
      << messages.Texts()[0].toStdString();
}

TEST(HitWindow, SummaryGoesToTheClipboardOnlyWithTheMarkerFile) {
  App();
  TempDir dir("hitwindow");
  auto day = OneVenueDay();
  day->AppDir = dir.path();
  HitWindow form(nullptr, *day, ToCp932("2006年01月06日"), 10);
  // A click anywhere on the summary panel: on the panel itself or on one of its labels. The copy follows the
  // button's release.
  QWidget* label = form.QuinellaWideSummary.values[0][0][4];
  auto mouse = [&](QWidget* on, QEvent::Type type) {
    QMouseEvent e(type, QPointF(2, 2), on->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                  type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(on, &e);
  };
  QApplication::clipboard()->setText("before");
  mouse(label, QEvent::MouseButtonPress);
  mouse(label, QEvent::MouseButtonRelease);
  EXPECT_EQ(QApplication::clipboard()->text(), "before");
  std::ofstream(VerificationMarkerPath(dir.path())) << "";
  day->GStats.fill(0);  // a day load inside the window: the copy still gives the figures shown
  const QString copy = QString::fromUtf8(
      "的中判定\r\n2006年01月06日\r\n馬連　： 416.7%\r\nワイド： 140.0%\r\n"
      "単勝　： 225.0%\r\n複勝　：  80.0%\r\n");
  for (QWidget* on : {label, static_cast<QWidget*>(form.QuinellaWideSummaryFrame)}) {
    QApplication::clipboard()->setText("before");
    mouse(on, QEvent::MouseButtonPress);
    EXPECT_EQ(QApplication::clipboard()->text(), "before");
    mouse(on, QEvent::MouseButtonRelease);
    EXPECT_EQ(QApplication::clipboard()->text(), copy) << on->metaObject()->className();
  }
}

TEST(HitWindow, PrintsTitleSummaryAndGridInOneJob) {
  App();
  gui::PrinterOverride printer;
  gui::MessageRecorder messages;
  auto day = OneVenueDay();
  HitWindow form(nullptr, *day, ToCp932("2006年01月06日"), 10);
  form.QuinellaWidePrintButton->click();
  EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join("|").toStdString();
  ASSERT_EQ(printer->JobTitles().size(), 1);
  ASSERT_EQ(form.Preview->PageCount(), 1);
  const PreviewPage& page = form.Preview->Page(1);
  auto at = [&](int x, int y) { return QPoint(form.Preview->XToDevice(x), form.Preview->YToDevice(y)); };
  auto textAt = [&](const QString& text) -> const PreviewOp* {
    for (const auto& op : page.ops)
      if (op.kind == PreviewOp::Kind::Text && op.text == text) return &op;
    return nullptr;
  };
  const PreviewOp* title = textAt(QString::fromUtf8("的中判定表[馬連･ﾜｲﾄﾞ]　2006年01月06日"));
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->from, at(100, 30));
  EXPECT_TRUE(title->font.bold() && title->font.underline());
  EXPECT_EQ(title->font.pointSize(), 10);
  const PreviewOp* rate = textAt(QStringLiteral(" 416.7%"));
  ASSERT_NE(rate, nullptr);
  EXPECT_EQ(rate->from, at(1600, 150));
  EXPECT_FALSE(rate->font.bold());
  QStringList heads;
  for (const auto& op : page.ops)
    if (op.kind == PreviewOp::Kind::Text && op.from.y() == at(0, 100).y()) heads << op.text;
  EXPECT_EQ(heads, (QStringList{"買い点数", "的中点数", "買い金額", "回収金額", "回収率"}));
  // Each scope's name and the two bet words on its two lines: scope k at y 150 + 100k.
  auto scopeWords = [&](const PreviewPage& printed) {
    QStringList words;
    for (int k = 0; k < 4; ++k)
      for (const auto& op : printed.ops)
        if (op.kind == PreviewOp::Kind::Text &&
            (op.from == at(100, 150 + 100 * k) || op.from == at(350, 150 + 100 * k) ||
             op.from == at(350, 200 + 100 * k)))
          words << op.text;
    return words;
  };
  EXPECT_EQ(scopeWords(page), (QStringList{"全場所", "馬連", "ﾜｲﾄﾞ", "東京  ", "馬連", "ﾜｲﾄﾞ", "――", "馬連", "ﾜｲﾄﾞ",
                                           "――", "馬連", "ﾜｲﾄﾞ"}));
  // Every summary figure lands on its own line and column: scope k, bet b at y 150 + 100k + 50b.
  const HitWindow::SummaryPanel& panel = form.QuinellaWideSummary;
  const int valueX[5] = {600, 850, 1100, 1350, 1600};
  QStringList missing;
  for (size_t k = 0; k < 4; ++k)
    for (size_t b = 0; b < 2; ++b)
      for (size_t c = 0; c < 5; ++c) {
        const QString text = panel.values[k][b][c]->Caption();
        const QPoint want = at(valueX[c], 150 + 100 * static_cast<int>(k) + 50 * static_cast<int>(b));
        bool found = false;
        for (const auto& op : page.ops)
          found = found || (op.kind == PreviewOp::Kind::Text && op.text == text && op.from == want);
        if (!found) missing << QStringLiteral("%1/%2/%3 '%4'").arg(k).arg(b).arg(c).arg(text);
      }
  EXPECT_EQ(missing, QStringList());
  // Grid: 12 row boundaries and 17 column boundaries; the outer ones and the one under the header are thick.
  std::vector<int> widths;
  for (const auto& op : page.ops)
    if (op.kind == PreviewOp::Kind::Line) widths.push_back(op.penWidth);
  ASSERT_EQ(widths.size(), 12u + 17u);
  int thick = form.Preview->SizeToDevice(5), thin = form.Preview->SizeToDevice(1);
  std::vector<int> want{thick, thick};
  want.insert(want.end(), 9, thin);
  want.insert(want.end(), {thick, thick, thick});
  want.insert(want.end(), 14, thin);
  want.push_back(thick);
  EXPECT_EQ(widths, want);
  // The rules span the grid at twice its screen size: 16 columns of 890 pixels in all, 11 rows of 24.
  std::vector<std::pair<QPoint, QPoint>> rules;
  for (const auto& op : page.ops)
    if (op.kind == PreviewOp::Kind::Line) rules.emplace_back(op.from, op.to);
  const int right = 100 + 2 * 890, bottom = 570 + 2 * 24 * 11;
  EXPECT_EQ(
      (std::vector{rules.front(), rules[11], rules.back()}),
      (std::vector<std::pair<QPoint, QPoint>>{
          {at(100, 570), at(right, 570)}, {at(100, bottom), at(right, bottom)}, {at(right, 570), at(right, bottom)}}));
  const PreviewOp* cell = textAt(QString::fromUtf8("東京  1回 4日10R"));
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->from, at(100 + 60 + 5, 570 + 10 * 48 + 5));  // column 1 after a 30-pixel column, scale 2
  EXPECT_EQ(cell->font.pointSize(), 6);
  // The print ended the document: drawing after it lands on no page.
  const size_t drawn = page.ops.size();
  form.Preview->PageCanvas().TextOut(0, 0, QStringLiteral("later"));
  EXPECT_EQ(form.Preview->Page(1).ops.size(), drawn);

  // The other tab prints its own title, bet words and grid.
  form.WinPlacePrintButton->click();
  ASSERT_EQ(printer->JobTitles().size(), 2);
  const PreviewPage& winPlace = form.Preview->Page(1);
  QStringList titles;
  for (const auto& op : winPlace.ops)
    if (op.kind == PreviewOp::Kind::Text && op.from == at(100, 30)) titles << op.text;
  EXPECT_EQ(titles, QStringList{"的中判定表[単勝･複勝]　2006年01月06日"});
  EXPECT_EQ(scopeWords(winPlace), (QStringList{"全場所", "単勝", "複勝", "東京  ", "単勝", "複勝", "――", "単勝", "複勝",
                                               "――", "単勝", "複勝"}));
  bool payShown = false;
  for (const auto& op : winPlace.ops) payShown = payShown || (op.kind == PreviewOp::Kind::Text && op.text == "    160");
  EXPECT_TRUE(payShown);
}

// The hidden layout button fills every summary label and every grid cell past the fixed columns, to the last.
TEST(HitWindow, LayoutSamplesFillEveryFigureAndCell) {
  App();
  auto day = OneVenueDay();
  HitWindow form(nullptr, *day, ToCp932("2006年01月06日"), 10);
  form.LayoutSampleButton->click();
  for (HitWindow::SummaryPanel* panel : {&form.QuinellaWideSummary, &form.WinPlaceSummary}) {
    const auto& first = panel->values[0][0];
    EXPECT_EQ((QStringList{first[0]->Caption(), first[1]->Caption(), first[2]->Caption(), first[3]->Caption(),
                           first[4]->Caption()}),
              (QStringList{"  1点", "  2点", "  300円", "      4円", "   5.0%"}));
    EXPECT_EQ(panel->values[3][1][4]->Caption(), QString::fromUtf8("  40.0%"));
  }
  for (gui::StringGrid* grid : {form.QuinellaWideGrid, form.WinPlaceGrid}) {
    const int lastCol = grid->ColCount() - 1, lastRow = grid->RowCount() - 1;
    EXPECT_EQ(grid->Cell(3, 1), QStringLiteral(" C:3 R:1"));
    EXPECT_EQ(grid->Cell(lastCol, lastRow), QStringLiteral(" C:%1 R:%2").arg(lastCol).arg(lastRow));
    EXPECT_FALSE(grid->Cell(3, 0).startsWith(QStringLiteral(" C:")));
    EXPECT_FALSE(grid->Cell(2, 1).startsWith(QStringLiteral(" C:")));
  }
}

TEST(HitWindow, WithoutAPrinterTheUserIsTold) {
  App();
  gui::PrinterOverride printer;
  printer->SetInstalled(false);
  gui::MessageRecorder messages;
  auto day = OneVenueDay();
  HitWindow form(nullptr, *day, ToCp932("2006年01月06日"), 10);
  form.WinPlacePrintButton->click();
  EXPECT_EQ(messages.Texts(), QStringList{QString::fromUtf8(gui::kNoPrinterMessage)});
  EXPECT_TRUE(printer->JobTitles().isEmpty());
}

}  // namespace
}  // namespace corvina::analysis
