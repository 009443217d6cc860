// The grid printer on the 600-dpi recording sheet: millimetres in pixels, where sheets break, the order of the
// sheets, cell and frame geometry, page events, and failures that must reach the caller.
#include <gtest/gtest.h>

#include <stdexcept>

#include "components/ui/GridPrinter.h"
#include "platform/gui/Printer.h"
#include "platform/gui/StringGrid.h"
#include "tests/support/QtApp.h"

using namespace corvina;
using gui::CanvasOp;
using Kind = CanvasOp::Kind;

namespace {

// A grid whose every cell reads "col,row".
std::unique_ptr<gui::StringGrid> Grid(int cols, int rows, int colWidth = 64, int rowHeight = 24) {
  test::App();
  auto grid = std::make_unique<gui::StringGrid>();
  grid->setFont(QFont("Noto Sans CJK JP", 9));
  grid->SetColCount(cols);
  grid->SetRowCount(rows);
  grid->SetDefaultColWidth(colWidth);
  grid->SetDefaultRowHeight(rowHeight);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) grid->SetCell(c, r, QString("%1,%2").arg(c).arg(r));
  return grid;
}

std::vector<CanvasOp> OfKind(const std::vector<CanvasOp>& ops, Kind kind) {
  std::vector<CanvasOp> out;
  for (const auto& op : ops)
    if (op.kind == kind) out.push_back(op);
  return out;
}

}  // namespace

TEST(SheetStartsTest, ItemsStayWhileTheSumIsNotGreaterThanTheSheet) {
  struct Case {
    std::vector<int> sizes;
    int usable;
    std::vector<int> starts;
  };
  const Case cases[] = {
      {{100, 100, 100}, 300, {0}},  // exactly full stays on the sheet
      {{100, 100, 100}, 299, {0, 2}},  {{100, 100, 100, 100, 100}, 200, {0, 2, 4}},
      {{500, 10, 10}, 300, {0, 1}},  // too tall for any sheet: alone, with no empty sheet before it
      {{10, 500, 10}, 300, {0, 1, 2}}, {{}, 300, {}},
      {{50, 50}, 0, {0, 1}},  // margins wider than the paper: one item a sheet, never a loop
  };
  for (const Case& c : cases) EXPECT_EQ(SheetStarts(c.sizes, c.usable), c.starts) << c.usable;
}

TEST(GridPrinterTest, SheetsRunDownFirstThenAcrossBetweenTheirPageEventsAndTheHeaderIsNotRepeated) {
  gui::PrinterOverride printer;
  // 600 dpi from the grid's resolution; rows and columns sized so three sheets run down and two across.
  auto grid = Grid(12, 90, 150, 30);
  const double ratioX = 600.0 / grid->logicalDpiX(), ratioY = 600.0 / grid->logicalDpiY();
  GridPrinter p;
  p.TargetGrid = grid.get();
  p.OnBeginPage = [](GridPrinter&) { gui::Printer().PageCanvas().TextOut(0, 0, "begin"); };
  p.OnEndPage = [](GridPrinter&) { gui::Printer().PageCanvas().TextOut(0, 0, "end"); };
  gui::PrintJob("grid", [&](gui::PrinterDevice&) { p.Print(); });

  const int usableW = 4761 - 236 - 118, usableH = 6816 - 236 - 236;
  const int perCol = static_cast<int>(150 * ratioX), perRow = static_cast<int>(30 * ratioY);
  const int colsPerSheet = usableW / perCol, rowsPerSheet = usableH / perRow;
  const int sheetCols = (12 + colsPerSheet - 1) / colsPerSheet, sheetRows = (90 + rowsPerSheet - 1) / rowsPerSheet;
  ASSERT_GE(sheetCols, 2);
  ASSERT_GE(sheetRows, 2);
  ASSERT_EQ(p.PageTotal(), sheetCols * sheetRows);
  ASSERT_EQ(printer->Pages().size(), static_cast<size_t>(p.PageTotal()));

  for (int c = 0; c < sheetCols; ++c)
    for (int r = 0; r < sheetRows; ++r) {
      const auto texts = OfKind(printer->Pages()[static_cast<size_t>(c * sheetRows + r)], Kind::TextRect);
      ASSERT_FALSE(texts.empty());
      EXPECT_EQ(texts.front().text, QString("%1,%2").arg(c * colsPerSheet).arg(r * rowsPerSheet));
    }
  // Every cell is printed once, the last row and column too.
  QStringList printed, cells;
  for (const auto& page : printer->Pages())
    for (const auto& op : OfKind(page, Kind::TextRect)) printed << op.text;
  for (int r = 0; r < 90; ++r)
    for (int c = 0; c < 12; ++c) cells << QString("%1,%2").arg(c).arg(r);
  printed.sort();
  cells.sort();
  EXPECT_EQ(printed, cells);
  int headers = 0;
  for (const auto& page : printer->Pages()) {
    for (const auto& op : OfKind(page, Kind::TextRect)) headers += op.text.endsWith(",0");
    EXPECT_EQ(page.front().text, "begin");
    EXPECT_EQ(page.back().text, "end");
    EXPECT_EQ(OfKind(page, Kind::Text).size(), 2u) << "one event of each kind a sheet";
  }
  EXPECT_EQ(headers, 12);

  // Laid out again without its grid, the printer keeps no sheet of the grid it had.
  p.TargetGrid = nullptr;
  p.CalcLayout();
  EXPECT_TRUE(p.RowPageStarts().empty() && p.ColPageStarts().empty());
}

TEST(GridPrinterTest, CellsAreScaledFramedEdgeToEdgeAndWrittenInTheGridsFont) {
  gui::PrinterOverride printer;
  auto grid = Grid(3, 2, 64, 24);
  grid->SetColWidth(1, 37);  // a width whose printed size has a fraction
  const double rx = 600.0 / grid->logicalDpiX(), ry = 600.0 / grid->logicalDpiY();
  GridPrinter p;
  p.TargetGrid = grid.get();
  p.OnBeginPage = [](GridPrinter& sender) {
    gui::Canvas& c = gui::Printer().PageCanvas();
    c.SetFontSize(20);
    c.TextOut(sender.MmToPixelX(10), sender.MmToPixelY(4), "title");
  };
  gui::PrintJob("", [&](gui::PrinterDevice&) { p.Print(); });
  const auto& ops = printer->Pages().at(0);
  const auto frames = OfKind(ops, Kind::Frame);
  const auto texts = OfKind(ops, Kind::TextRect);
  ASSERT_EQ(frames.size(), 6u);
  ASSERT_EQ(texts.size(), 6u);

  EXPECT_EQ(p.MmToPixelX(10), 236);  // 10 / 25.4 x 600 = 236.2
  EXPECT_EQ(p.MmToPixelY(4), 94);
  EXPECT_EQ(frames[0].rect.topLeft(), QPoint(236, 236));
  EXPECT_EQ(texts[0].rect.topLeft(), QPoint(236 + static_cast<int>(2 * rx), 236 + static_cast<int>(2 * ry)));
  for (int i : {0, 1}) EXPECT_EQ(frames[i].rect.right(), frames[i + 1].rect.left()) << "shared edge " << i;
  EXPECT_EQ(frames[0].rect.bottom(), frames[3].rect.top());
  // The text is clipped to its own cell, never into the next.
  EXPECT_LT(texts[1].rect.right(), frames[2].rect.left());
  EXPECT_EQ(texts[0].rect.bottomRight(), frames[0].rect.bottomRight() - QPoint(1, 1));
  for (const auto& t : texts) {
    EXPECT_EQ(t.fontPoints, 9) << "cells keep the grid's font after the title's";
    EXPECT_EQ(t.fontColor, QColor(Qt::black));
  }
  for (const auto& f : frames) EXPECT_EQ(f.pen, QColor(Qt::black));
  EXPECT_EQ(ops.front().text, "title");
}

TEST(GridPrinterTest, NoGridPrintsNothing) {
  gui::PrinterOverride printer;
  GridPrinter p;
  bool fired = false;
  p.OnBeginPage = [&](GridPrinter&) { fired = true; };
  gui::PrintJob("", [&](gui::PrinterDevice&) { p.Print(); });
  EXPECT_FALSE(fired);
  ASSERT_EQ(printer->Pages().size(), 1u);
  EXPECT_TRUE(printer->Pages()[0].empty());
}

TEST(GridPrinterTest, FailuresOnASheetReachTheCallerAndTheJobIsAborted) {
  using Event = gui::RecordingPrinter::Event;
  struct Case {
    const char* name;
    int failNewPage;
    int throwOnSheet;  // the page event of this sheet raises; 0 never
  };
  const Case cases[] = {{"page event", 0, 2}, {"new page", 1, 0}};
  for (const Case& c : cases) {
    gui::PrinterOverride printer;
    auto grid = Grid(2, 200);
    GridPrinter p;
    p.TargetGrid = grid.get();
    int sheet = 0;
    p.OnBeginPage = [&](GridPrinter&) {
      if (++sheet == c.throwOnSheet) throw std::runtime_error("handler");
    };
    printer->FailNewPage(c.failNewPage);
    EXPECT_ANY_THROW(gui::PrintJob("", [&](gui::PrinterDevice&) { p.Print(); })) << c.name;
    EXPECT_EQ(printer->Events().back(), Event::Abort) << c.name;
    EXPECT_LE(sheet, 2) << c.name << ": no sheet after the failure";
  }
}
