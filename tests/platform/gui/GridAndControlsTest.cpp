// The desktop layers: the owner-drawn grid, the canvas's text placement, the up-down control, the beep and
// message sinks, font substitution and the handler that keeps the program going after an exception.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSet>
#include <QToolButton>
#include <algorithm>
#include <functional>
#include <stdexcept>
#include <tuple>

#include "platform/gui/Application.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Shell.h"
#include "platform/gui/StringGrid.h"
#include "platform/gui/UpDown.h"
#include "platform/gui/WindowBounds.h"

using namespace corvina::gui;

namespace {
// The program's own application object, never destroyed as in tests/support/QtApp.h: its exception handling
// is under test here.
Application& App() {
  static int argc = 1;
  static char arg0[] = "test", *argv[] = {arg0, nullptr};
  static Application* app = new Application(argc, argv);
  return *app;
}

// The rows of `image` that hold ink (darker than light grey).
std::pair<int, int> InkRows(const QImage& image) {
  int top = -1, bottom = -1;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qGray(image.pixel(x, y)) < 200) {
        if (top < 0) top = y;
        bottom = y;
        break;
      }
  return {top, bottom};
}
}  // namespace

TEST(StringGridTest, CellsOutsideTheGridReadEmptyAndIgnoreWrites) {
  App();
  StringGrid grid;
  grid.SetColCount(3);
  grid.SetRowCount(2);
  grid.SetCell(3, 0, "x");
  grid.SetCell(0, 2, "x");
  grid.SetCell(-1, -1, "x");
  EXPECT_EQ(grid.Cell(3, 0), "");
  EXPECT_EQ(grid.Cell(-1, 0), "");
  grid.SetCell(2, 1, "kept");
  grid.SetRowCount(5);
  EXPECT_EQ(grid.Cell(2, 1), "kept");
  EXPECT_EQ(grid.Row(4).size(), 3);
}

TEST(StringGridTest, FixedRowsComeBackWhenAGridShrinksAndGrowsAgain) {
  App();
  StringGrid grid;
  grid.SetColCount(19);
  grid.SetFixedCols(5);
  grid.SetFixedRows(1);
  grid.SetRowCount(1);  // a race without runners leaves only the header row
  EXPECT_EQ(grid.FixedRows(), 0);
  grid.SetRowCount(13);
  EXPECT_EQ(grid.FixedRows(), 1);
  EXPECT_EQ(grid.FixedCols(), 5);
  grid.SetFixedCols(-2);
  EXPECT_EQ(grid.FixedCols(), 0);
}

TEST(StringGridTest, FixedColumnsStayInPlaceWhenTheGridScrolls) {
  App();
  StringGrid grid;
  grid.SetColCount(19);
  grid.SetRowCount(19);
  grid.SetFixedCols(5);
  grid.SetDefaultColWidth(50);
  grid.resize(400, 200);
  grid.show();
  QCoreApplication::processEvents();
  const QRect fixedBefore = grid.CellRect(2, 3);
  grid.horizontalScrollBar()->setValue(3);
  QCoreApplication::processEvents();
  EXPECT_EQ(grid.CellRect(2, 3), fixedBefore);
  EXPECT_TRUE(grid.CellRect(5, 3).isEmpty()) << "column 5 scrolled out of view";
  int col, row;
  ASSERT_TRUE(grid.CellAt(grid.CellRect(8, 1).center(), col, row));
  EXPECT_EQ(col, 8);
  EXPECT_EQ(row, 1);
}

TEST(StringGridTest, HookPaintsAfterThePlainCellWithTheGridsFont) {
  App();
  StringGrid grid;
  QFont f("Noto Sans CJK JP");
  f.setPixelSize(12);
  grid.setFont(f);
  grid.SetCell(1, 1, "text");
  int calls = 0;
  grid.SetOnDrawCell([&](Canvas& c, int col, int row, const QRect&, CellState state) {
    ++calls;
    EXPECT_EQ(col, 1);
    EXPECT_EQ(row, 1);
    EXPECT_FALSE(state.Fixed);
    EXPECT_EQ(c.Font().pixelSize(), 12);
    c.SetFontBold(true);  // must not leak into the next cell
  });
  RecordingCanvas canvas;
  grid.PaintCell(canvas, 1, 1, QRect(0, 0, 50, 20));
  grid.SetOnDrawCell(nullptr);
  grid.PaintCell(canvas, 1, 1, QRect(0, 0, 50, 20));
  EXPECT_EQ(calls, 1);
  ASSERT_GE(canvas.Ops().size(), 4u);
  EXPECT_EQ(canvas.Ops()[0].kind, CanvasOp::Kind::Fill);
  EXPECT_EQ(canvas.Ops()[0].brush, QColor(Qt::white));
  EXPECT_EQ(canvas.Texts(), QStringList({"text", "text"}));
  EXPECT_FALSE(canvas.Ops().back().bold);
}

namespace {
// How each cell is painted, a row a line: 'F' fixed (button colour), 'S' selected (highlight, handed to the hook
// as selected), '.' plain white; the text at 2, 2 from the cell's corner.
QStringList PaintedStates(StringGrid& grid) {
  QStringList rows;
  for (int r = 0; r < grid.RowCount(); ++r) {
    QString line;
    for (int c = 0; c < grid.ColCount(); ++c) {
      RecordingCanvas canvas;
      CellState state;
      grid.SetOnDrawCell([&](Canvas&, int, int, const QRect&, CellState s) { state = s; });
      grid.PaintCell(canvas, c, r, QRect(10, 20, 50, 20));
      const QColor brush = canvas.Ops().at(0).brush, ink = canvas.Ops().at(1).fontColor;
      const QPalette& pal = grid.palette();
      char mark = '?';
      if (state.Fixed && brush == pal.color(QPalette::Button) && ink == pal.color(QPalette::ButtonText)) mark = 'F';
      if (state.Selected && brush == pal.color(QPalette::Highlight) && ink == pal.color(QPalette::HighlightedText))
        mark = 'S';
      if (!state.Fixed && !state.Selected && brush == QColor(Qt::white) && ink == QColor(Qt::black)) mark = '.';
      EXPECT_EQ(canvas.Ops().at(1).rect, QRect(12, 22, 48, 18));
      EXPECT_EQ(canvas.Ops().at(1).text, grid.Cell(c, r));
      line += QLatin1Char(mark);
    }
    rows << line;
  }
  grid.SetOnDrawCell(nullptr);
  return rows;
}
}  // namespace

// A cell may paint on its own right and bottom grid lines (the race card's bottom line), never further.
TEST(StringGridTest, ACellPaintsOnItsOwnGridLinesButNotOnItsNeighbours) {
  App();
  StringGrid grid;
  grid.SetColCount(3);
  grid.SetRowCount(3);
  grid.SetOnDrawCell([](Canvas& c, int col, int row, const QRect& rect, CellState) {
    if (col != 1 || row != 1) return;
    c.SetBrushColor(Qt::red);
    c.FillRect(rect.adjusted(-10, -10, 10, 10));
  });
  grid.resize(300, 200);
  grid.show();
  const QImage image = grid.viewport()->grab().toImage();
  const QRect cell = grid.CellRect(1, 1);
  EXPECT_EQ(QColor(image.pixel(cell.center())), QColor(Qt::red));
  EXPECT_EQ(QColor(image.pixel(cell.right() + 1, cell.bottom() + 1)), QColor(Qt::red));
  for (const QPoint& outside : {cell.topLeft() - QPoint(1, 1), cell.bottomRight() + QPoint(2, 2),
                                grid.CellRect(2, 1).center(), grid.CellRect(1, 2).topLeft()})
    EXPECT_NE(QColor(image.pixel(outside)), QColor(Qt::red)) << outside.x() << "," << outside.y();
}

TEST(StringGridTest, TheSelectionIsPaintedOverItsWholeRangeAndNoFurther) {
  App();
  StringGrid grid;
  grid.SetColCount(6);
  grid.SetRowCount(6);
  grid.SetCell(2, 3, "選");
  grid.SetSelection(GridRect{2, 2, 3, 4});
  EXPECT_EQ(PaintedStates(grid), QStringList({"FFFFFF", "F.....", "F.SS..", "F.SS..", "F.SS..", "F....."}));
  grid.SetSelection(GridRect{0, 0, 5, 1});  // fixed cells never show as selected
  EXPECT_EQ(PaintedStates(grid), QStringList({"FFFFFF", "FSSSSS", "F.....", "F.....", "F.....", "F....."}));
  grid.SetSelection(GridRect{});
  EXPECT_TRUE(grid.Selection().Empty());
  EXPECT_EQ(grid.Selection(), (GridRect{-1, -1, -1, -1}));
  EXPECT_EQ(PaintedStates(grid)[3], "F.....");
  EXPECT_TRUE((GridRect{2, -1, 3, 4}).Empty());
  EXPECT_TRUE((GridRect{-1, 2, 3, 4}).Empty());
}

namespace {
// Counts the paints of a widget that shows on the screen.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* e) override {
    paints += e->type() == QEvent::Paint;
    return false;
  }
  int paints = 0;
};
}  // namespace

// What changes the grid's look shows at once, without waiting for another cause to paint.
TEST(StringGridTest, EveryChangeIsShown) {
  App();
  StringGrid grid;
  grid.SetColCount(8);
  grid.SetRowCount(40);
  grid.resize(300, 200);
  grid.show();
  QCoreApplication::processEvents();
  PaintCounter counter(grid.viewport());
  const std::function<void()> changes[] = {[&] { grid.SetCell(1, 1, "x"); },
                                           [&] {
                                             grid.SetRow(2, {"a", "b"});
                                           },
                                           [&] { grid.ClearColumn(1, 0); },
                                           [&] {
                                             grid.SetSelection(GridRect{1, 1, 1, 1});
                                           },
                                           [&] { grid.SetColWidth(2, 90); },
                                           [&] { grid.SetRowCount(41); },
                                           [&] { grid.verticalScrollBar()->setValue(5); },
                                           [&] { grid.horizontalScrollBar()->setValue(1); }};
  int n = 0;
  for (const auto& change : changes) {
    counter.paints = 0;
    change();
    QCoreApplication::processEvents();
    EXPECT_GT(counter.paints, 0) << "change " << n;
    ++n;
  }
}

TEST(StringGridTest, RowsAreWrittenWholeAndColumnsClearedFromARow) {
  App();
  StringGrid grid;
  grid.SetColCount(3);
  grid.SetRowCount(4);
  for (int r = 0; r < 4; ++r) grid.SetRow(r, {"a", "b", "c", "dropped"});
  EXPECT_EQ(grid.Row(3), QStringList({"a", "b", "c"}));
  grid.SetRow(1, {"x"});  // missing cells are emptied
  EXPECT_EQ(grid.Row(1), QStringList({"x", "", ""}));
  grid.SetRow(4, {"y"});
  EXPECT_TRUE(grid.Row(4).isEmpty());
  EXPECT_TRUE(grid.Row(-1).isEmpty());
  grid.ClearColumn(1, 2);
  EXPECT_EQ(QStringList({grid.Cell(1, 0), grid.Cell(1, 1), grid.Cell(1, 2), grid.Cell(1, 3)}),
            QStringList({"b", "", "", ""}));
  grid.ClearColumn(2, -5);
  EXPECT_EQ(grid.Row(0), QStringList({"a", "b", ""}));
  grid.SetColCount(2);
  EXPECT_EQ(grid.Row(0), QStringList({"a", "b"}));
  grid.SetColCount(0);  // at least one column and row stay
  grid.SetRowCount(-1);
  EXPECT_EQ(grid.ColCount(), 1);
  EXPECT_EQ(grid.RowCount(), 1);
  EXPECT_EQ(grid.Cell(0, 0), "a");
}

// Cells lie side by side with one grid line between; a point on a cell's right or bottom line belongs to it.
TEST(StringGridTest, CellsLieSideBySideAndPointsFindTheirCell) {
  App();
  StringGrid grid;
  grid.SetColCount(4);
  grid.SetRowCount(3);
  grid.SetColWidth(1, 30);
  grid.SetRowHeight(2, 10);
  grid.SetColWidth(4, 99);
  grid.SetRowHeight(-1, 99);
  EXPECT_EQ(grid.CellRect(0, 0), QRect(0, 0, 64, 24));
  EXPECT_EQ(grid.CellRect(1, 0), QRect(65, 0, 30, 24));
  EXPECT_EQ(grid.CellRect(2, 1), QRect(96, 25, 64, 24));
  EXPECT_EQ(grid.CellRect(3, 2), QRect(161, 50, 64, 10));
  for (auto [c, r] : {std::pair{4, 0}, std::pair{0, 3}, std::pair{-1, 0}, std::pair{0, -1}})
    EXPECT_TRUE(grid.CellRect(c, r).isEmpty()) << c << "," << r;
  EXPECT_EQ(QList<int>({grid.ColWidth(-1), grid.ColWidth(1), grid.ColWidth(3), grid.ColWidth(4), grid.RowHeight(-1),
                        grid.RowHeight(2), grid.RowHeight(3)}),
            QList<int>({0, 30, 64, 0, 0, 10, 0}));
  const std::tuple<QPoint, int, int> hits[] = {{{0, 0}, 0, 0},    {{64, 24}, 0, 0}, {{65, 25}, 1, 1},
                                               {{95, 49}, 1, 1},  {{96, 50}, 2, 2}, {{225, 60}, 3, 2},
                                               {{226, 0}, -1, 0}, {{0, 61}, 0, -1}, {{-1, 5}, -1, 0}};
  for (const auto& [p, col, row] : hits) {
    int c = 9, r = 9;
    EXPECT_EQ(grid.CellAt(p, c, r), col >= 0 && row >= 0) << p.x() << "," << p.y();
    EXPECT_EQ(std::pair(c, r), std::pair(col, row)) << p.x() << "," << p.y();
  }
  const int frame = 2 * grid.frameWidth();
  EXPECT_EQ(grid.sizeHint(), QSize(frame + 3 * 65 + 31, frame + 2 * 25 + 11));
  grid.SetColCount(40);
  grid.SetRowCount(40);
  EXPECT_EQ(grid.sizeHint(), QSize(1400, 900));
  EXPECT_EQ(grid.minimumSizeHint(), QSize(80, 60));
  grid.SetDefaultColWidth(10);
  grid.SetDefaultRowHeight(5);
  EXPECT_EQ(grid.sizeHint(), QSize(frame + 40 * 11, frame + 40 * 6));
}

namespace {
void Mouse(StringGrid& grid, QEvent::Type type, const QPoint& at, Qt::MouseButton button = Qt::LeftButton) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
  QMouseEvent event(type, at, grid.viewport()->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : button, held,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(grid.viewport(), &event);
}
}  // namespace

TEST(StringGridTest, ClicksAndDragsSelectAndReportTheCell) {
  App();
  StringGrid grid;
  grid.SetColCount(6);
  grid.SetRowCount(8);
  grid.SetFixedCols(2);
  grid.resize(600, 400);
  grid.show();
  QList<std::pair<int, int>> clicked;
  int ups = 0;
  QObject::connect(&grid, &StringGrid::CellClicked, [&](int c, int r) { clicked << std::pair(c, r); });
  QObject::connect(&grid, &StringGrid::MouseUp, [&] { ++ups; });
  auto at = [&](int c, int r) { return grid.CellRect(c, r).center(); };

  // One cell: a click on a fixed column selects the first column after them.
  Mouse(grid, QEvent::MouseButtonPress, at(3, 2));
  Mouse(grid, QEvent::MouseButtonRelease, at(3, 2));
  EXPECT_EQ(grid.Selection(), (GridRect{3, 2, 3, 2}));
  Mouse(grid, QEvent::MouseButtonPress, at(0, 5));
  Mouse(grid, QEvent::MouseMove, at(0, 6));  // without range selection a drag moves the one cell
  EXPECT_EQ(grid.Selection(), (GridRect{2, 6, 2, 6}));
  Mouse(grid, QEvent::MouseButtonRelease, at(0, 6));
  // Whole rows, dragged over a range either way from where the drag began.
  grid.SetRowSelect(true);
  grid.SetRangeSelect(true);
  Mouse(grid, QEvent::MouseButtonPress, at(4, 3));
  EXPECT_EQ(grid.Selection(), (GridRect{2, 3, 5, 3}));
  Mouse(grid, QEvent::MouseMove, at(1, 5));
  EXPECT_EQ(grid.Selection(), (GridRect{2, 3, 5, 5}));
  Mouse(grid, QEvent::MouseMove, at(5, 1));
  EXPECT_EQ(grid.Selection(), (GridRect{2, 1, 5, 3}));
  Mouse(grid, QEvent::MouseButtonRelease, at(5, 1));
  // The header row, a right button and a point past the last cell leave the selection.
  Mouse(grid, QEvent::MouseButtonPress, at(3, 0));
  Mouse(grid, QEvent::MouseButtonRelease, at(3, 0));
  Mouse(grid, QEvent::MouseButtonPress, at(3, 6), Qt::RightButton);
  Mouse(grid, QEvent::MouseButtonRelease, at(3, 6), Qt::RightButton);
  Mouse(grid, QEvent::MouseButtonPress, QPoint(599, 399));
  Mouse(grid, QEvent::MouseButtonRelease, QPoint(599, 399));
  EXPECT_EQ(grid.Selection(), (GridRect{2, 1, 5, 3}));
  EXPECT_EQ(clicked, (QList<std::pair<int, int>>{{3, 2}, {0, 6}, {5, 1}, {3, 0}}));
  EXPECT_EQ(ups, 6);
}

// Scrolled to its end a grid shows its last row (column) whole and no more room after it than a row (column)
// would need; every cell in view is painted and none out of it. A grid that fits does not scroll.
TEST(StringGridTest, ScrollingEndsAtTheLastRowAndPaintsWhatIsInView) {
  App();
  StringGrid grid;
  grid.SetColCount(12);
  grid.SetRowCount(30);
  grid.SetFixedCols(2);
  grid.SetFixedRows(2);
  grid.resize(500, 300);
  grid.show();
  QCoreApplication::processEvents();
  const QSize view = grid.viewport()->size();
  auto* vertical = grid.verticalScrollBar();
  auto* horizontal = grid.horizontalScrollBar();
  vertical->setValue(vertical->maximum());
  horizontal->setValue(horizontal->maximum());
  QCoreApplication::processEvents();
  EXPECT_EQ(vertical->pageStep(), 7);  // a page is a quarter of the rows
  EXPECT_EQ(grid.TopRow(), 2 + vertical->maximum());
  EXPECT_EQ(grid.LeftCol(), 2 + horizontal->maximum());
  const QRect last = grid.CellRect(11, 29);
  ASSERT_FALSE(last.isEmpty());
  EXPECT_LE(last.bottom() + 2, view.height());
  EXPECT_GT(last.bottom() + 2 + 25, view.height()) << "scrolled further than the last row needs";
  EXPECT_LE(last.right() + 2, view.width());
  EXPECT_GT(last.right() + 2 + 65, view.width()) << "scrolled further than the last column needs";
  EXPECT_TRUE(grid.CellRect(2, 2).isEmpty());
  EXPECT_EQ(grid.CellRect(1, 1), QRect(65, 25, 64, 24));

  vertical->setValue(3);
  horizontal->setValue(1);
  QCoreApplication::processEvents();
  QSet<std::pair<int, int>> painted;
  grid.SetOnDrawCell([&](Canvas&, int c, int r, const QRect& rect, CellState) {
    painted.insert({c, r});
    EXPECT_EQ(rect, grid.CellRect(c, r));
  });
  grid.viewport()->grab();
  grid.SetOnDrawCell(nullptr);
  int inView = 0;
  for (int r = 0; r < grid.RowCount(); ++r)
    for (int c = 0; c < grid.ColCount(); ++c) {
      const QRect rect = grid.CellRect(c, r);
      const bool shown = !rect.isEmpty() && rect.top() < view.height() && rect.left() < view.width();
      inView += shown;
      EXPECT_EQ(painted.contains({c, r}), shown) << c << "," << r;
    }
  EXPECT_GT(inView, 40);
  // More fixed columns: the first scrolled column still stands right after them.
  grid.SetFixedCols(3);
  ASSERT_EQ(horizontal->value(), 1);
  EXPECT_EQ(grid.LeftCol(), 4);
  EXPECT_EQ(grid.CellRect(4, 6).left(), 3 * 65);

  grid.SetRowCount(4);
  grid.SetColCount(4);
  QCoreApplication::processEvents();
  EXPECT_EQ(vertical->maximum(), 0);
  EXPECT_EQ(horizontal->maximum(), 0);
  EXPECT_EQ(grid.TopRow(), 2);
}

TEST(CanvasTest, TextIsPlacedByTheTopLeftCornerOfItsBox) {
  App();
  QImage image(120, 60, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    QtCanvas canvas(painter);
    QFont f("Noto Sans CJK JP");
    f.setPixelSize(20);
    canvas.SetFont(f);
    canvas.SetBrushClear(true);
    canvas.TextOut(10, 30, "ABC");
  }
  const int top = InkRows(image).first;
  ASSERT_GE(top, 0) << "nothing drawn";
  EXPECT_GE(top, 30) << "text must hang below the given point, not stand on it";
  EXPECT_LT(top, 45);
}

TEST(CanvasTest, JapaneseTextStaysInsideItsBoxSoStackedLinesDoNotTouch) {
  App();
  InstallFontSubstitutions();
  // The race card's name line (10 pt bold) and the sex and age line (8 pt) below it, one box height apart.
  for (auto [points, bold] : {std::pair{10, true}, std::pair{8, false}, std::pair{9, false}, std::pair{12, true}}) {
    QImage image(200, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    int em = 0;
    {
      QPainter painter(&image);
      QtCanvas canvas(painter);
      canvas.SetFont(QFont(kGothic));
      canvas.SetFontSize(points);
      canvas.SetFontBold(bold);
      canvas.SetBrushClear(true);
      em = canvas.EmHeight();
      canvas.TextOut(5, 20, "ボニハメ牝国");
    }
    const auto [top, bottom] = InkRows(image);
    ASSERT_GE(top, 0) << points << " pt drew nothing";
    EXPECT_GE(top, 20) << points << " pt";
    EXPECT_LE(bottom, 20 + em - 1) << points << " pt reaches into the line below";
  }
}

namespace {
// The ink (darker than light grey) of `image` as a rectangle; empty when nothing was drawn.
QRect Ink(const QImage& image) {
  QRect ink;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qGray(image.pixel(x, y)) < 200) ink |= QRect(x, y, 1, 1);
  return ink;
}

template <class Draw>
QImage Drawn(Draw draw, QSize size = QSize(200, 100)) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  QtCanvas canvas(painter);
  QFont f("Noto Sans CJK JP");
  f.setPixelSize(20);
  canvas.SetFont(f);
  draw(canvas);
  painter.end();
  return image;
}
}  // namespace

// Aligned text keeps its ink inside its rectangle at the side asked for; a mnemonic's "&" is not drawn.
TEST(CanvasTest, AlignedTextLandsOnTheSideAskedForAndStaysInItsRectangle) {
  App();
  const QRect box(20, 20, 160, 60);
  auto ink = [&](int alignment, const QString& text = QStringLiteral("国8")) {
    return Ink(Drawn([&](Canvas& c) { c.TextRect(box, text, alignment); }));
  };
  const QRect topLeft = ink(Qt::AlignLeft | Qt::AlignTop), bottomRight = ink(Qt::AlignRight | Qt::AlignBottom),
              centre = ink(Qt::AlignHCenter | Qt::AlignVCenter);
  for (const QRect& r : {topLeft, bottomRight, centre}) {
    ASSERT_FALSE(r.isEmpty());
    EXPECT_TRUE(box.contains(r)) << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
  }
  EXPECT_LE(topLeft.left(), 23);
  EXPECT_LE(topLeft.top(), 23);
  EXPECT_GE(bottomRight.right(), 176);
  EXPECT_GE(bottomRight.bottom(), 72);
  EXPECT_NEAR(centre.center().x(), box.center().x(), 3);
  EXPECT_NEAR(centre.center().y(), box.center().y(), 4);
  EXPECT_EQ(ink(Qt::AlignLeft | Qt::TextShowMnemonic, QStringLiteral("&&A&B")),
            ink(Qt::AlignLeft, QStringLiteral("&AB")));
  // Lines of their own, or wrapped words, go one under the other.
  const QRect twoLines = ink(Qt::AlignLeft | Qt::AlignTop, QStringLiteral("国\n国"));
  EXPECT_GT(twoLines.height(), 2 * topLeft.height());
  EXPECT_LT(twoLines.width(), 2 * topLeft.height());
  EXPECT_GT(ink(Qt::AlignLeft | Qt::TextWordWrap, QStringLiteral("国国国国国国国 国国国国国国国国")).height(), 30);
  // Clipped to its rectangle, whatever its length.
  const QRect narrow(20, 20, 30, 30);
  EXPECT_TRUE(narrow.contains(Ink(Drawn([&](Canvas& c) { c.TextRect(narrow, QStringLiteral("国国国国国国"), 0); }))));
}

TEST(CanvasTest, BrushFillsTheTextBoxUnlessClearAndLinesAndFramesUseThePen) {
  App();
  const QImage filled = Drawn([](Canvas& c) {
    c.SetBrushColor(Qt::red);
    c.TextOut(10, 10, QStringLiteral("A"));
    c.SetBrushClear(true);
    c.TextOut(100, 10, QStringLiteral("A"));
  });
  EXPECT_EQ(QColor(filled.pixel(10, 10)), QColor(Qt::red));
  EXPECT_EQ(QColor(filled.pixel(100, 10)), QColor(Qt::white));
  const QImage lines = Drawn([](Canvas& c) {
    c.SetPenColor(Qt::blue);
    c.FrameRect(QRect(10, 10, 20, 20));
    c.MoveTo(50, 50);
    c.LineTo(90, 50);
    c.SetPenWidth(0);
    c.LineTo(90, 90);  // from where the last line ended
  });
  EXPECT_EQ(QColor(lines.pixel(10, 10)), QColor(Qt::blue));
  EXPECT_EQ(QColor(lines.pixel(29, 29)), QColor(Qt::blue));
  EXPECT_EQ(QColor(lines.pixel(30, 30)), QColor(Qt::white)) << "the frame lies inside its rectangle";
  EXPECT_EQ(QColor(lines.pixel(20, 20)), QColor(Qt::white)) << "a frame is not filled";
  EXPECT_EQ(QColor(lines.pixel(70, 50)), QColor(Qt::blue));
  EXPECT_EQ(QColor(lines.pixel(90, 70)), QColor(Qt::blue));
  EXPECT_EQ(QColor(lines.pixel(70, 70)), QColor(Qt::white));
  // Turned a quarter counter-clockwise, the text rises from its point.
  const QRect turned = Ink(Drawn([](Canvas& c) { c.TextOutRotated(50, 90, QStringLiteral("ABCD"), 90); }));
  ASSERT_FALSE(turned.isEmpty());
  EXPECT_GT(turned.height(), turned.width());
  EXPECT_LE(turned.bottom(), 90);
  EXPECT_GE(turned.left(), 50);
}

TEST(CanvasTest, RecordingKeepsWhatWasDrawnWithItsState) {
  App();
  RecordingCanvas c;
  c.SetPenColor(Qt::red);
  c.SetPenWidth(3);
  c.MoveTo(1, 2);
  c.LineTo(3, 4);
  c.LineTo(5, 6);
  c.FrameRect(QRect(0, 0, 5, 5));
  c.SetFontSize(9);
  c.SetFontBold(true);
  c.SetFontColor(Qt::blue);
  c.TextOutRotated(7, 8, "縦", 90);
  c.TextRect(QRect(1, 1, 9, 9), "右", Qt::AlignRight);
  c.TextOut(20, 30, "横");
  EXPECT_EQ(c.FindText("横")->rect, QRect(QPoint(20, 30), c.TextExtent("横")));
  EXPECT_EQ(c.FindText("横")->from, QPoint(20, 30));
  EXPECT_FALSE(c.FindText("横")->brushClear);
  ASSERT_EQ(c.Ops().size(), 6u);
  EXPECT_EQ(c.Ops()[1].from, QPoint(3, 4));
  EXPECT_EQ(c.Ops()[1].to, QPoint(5, 6));
  EXPECT_EQ(c.Ops()[2].kind, CanvasOp::Kind::Frame);
  EXPECT_EQ(c.Ops()[2].penWidth, 3);
  EXPECT_EQ(c.Ops()[2].pen, QColor(Qt::red));
  const CanvasOp* turned = c.FindText("縦");
  ASSERT_NE(turned, nullptr);
  EXPECT_EQ(turned->degrees, 90);
  EXPECT_TRUE(turned->brushClear);
  EXPECT_EQ(turned->from, QPoint(7, 8));
  EXPECT_EQ(turned->fontPoints, 9);
  EXPECT_TRUE(turned->bold);
  EXPECT_EQ(turned->fontColor, QColor(Qt::blue));
  EXPECT_EQ(c.FindText("右")->alignment, int(Qt::AlignRight));
  EXPECT_EQ(c.FindText("無"), nullptr);
  EXPECT_EQ(c.Texts(), QStringList({"縦", "右", "横"}));
  c.Clear();
  EXPECT_TRUE(c.Ops().empty());
}

TEST(UpDownTest, OnlyUserClicksAreReportedAndThePositionStaysInRange) {
  App();
  UpDown updown;
  updown.SetMax(2);
  int clicks = 0;
  QObject::connect(&updown, &UpDown::Clicked, [&](UpDown::Button) { ++clicks; });
  updown.SetPosition(5);
  EXPECT_EQ(updown.Position(), 2);
  EXPECT_EQ(clicks, 0);
  updown.ClickButton(UpDown::Button::Up);
  EXPECT_EQ(updown.Position(), 2);
  updown.ClickButton(UpDown::Button::Down);
  updown.ClickButton(UpDown::Button::Down);
  updown.ClickButton(UpDown::Button::Down);
  EXPECT_EQ(updown.Position(), 0);
  EXPECT_EQ(clicks, 4);
  updown.SetMax(-3);  // a maximum below the minimum is the minimum
  EXPECT_EQ(updown.Max(), 0);
  updown.SetMax(9);
  updown.SetMin(4);  // the position follows the range
  EXPECT_EQ(updown.Position(), 4);
  updown.SetMin(12);
  EXPECT_EQ(std::tuple(updown.Min(), updown.Max(), updown.Position()), std::tuple(12, 12, 12));

  // The arrows themselves: up above down, or down on the left and up on the right.
  for (Qt::Orientation orientation : {Qt::Vertical, Qt::Horizontal}) {
    UpDown arrows(nullptr, orientation);
    arrows.SetMax(5);
    arrows.SetPosition(2);
    arrows.resize(40, 40);
    arrows.show();
    QCoreApplication::processEvents();
    QList<UpDown::Button> seen;
    QObject::connect(&arrows, &UpDown::Clicked, [&](UpDown::Button b) { seen << b; });
    QList<QToolButton*> buttons = arrows.findChildren<QToolButton*>();
    ASSERT_EQ(buttons.size(), 2);
    std::sort(buttons.begin(), buttons.end(), [&](QToolButton* a, QToolButton* b) {
      return orientation == Qt::Vertical ? a->y() < b->y() : a->x() < b->x();
    });
    QToolButton* up = orientation == Qt::Vertical ? buttons[0] : buttons[1];
    QToolButton* down = orientation == Qt::Vertical ? buttons[1] : buttons[0];
    EXPECT_EQ(up->arrowType(), orientation == Qt::Vertical ? Qt::UpArrow : Qt::RightArrow);
    up->click();
    EXPECT_EQ(arrows.Position(), 3);
    down->click();
    down->click();
    EXPECT_EQ(arrows.Position(), 1);
    EXPECT_EQ(seen, (QList<UpDown::Button>{UpDown::Button::Up, UpDown::Button::Down, UpDown::Button::Down}));
  }
}

TEST(WindowBoundsTest, AWindowIsFittedWhollyOntoTheScreenItOverlapsMost) {
  const QList<QRect> screens{QRect(0, 0, 1920, 1040), QRect(1920, 0, 1280, 1000)};
  const QSize least(200, 150);
  const std::pair<QRect, QRect> cases[] = {
      {{100, 100, 800, 600}, {100, 100, 800, 600}},      // already on the first screen
      {{1800, 50, 800, 600}, {1920, 50, 800, 600}},      // mostly on the second
      {{1500, 50, 800, 600}, {1120, 50, 800, 600}},      // mostly on the first: kept inside its right edge
      {{-500, -300, 800, 600}, {0, 0, 800, 600}},        // off the top left
      {{5000, 5000, 800, 600}, {1120, 440, 800, 600}},   // on no screen: the first, at its far corner
      {{2000, 100, 3000, 3000}, {1920, 0, 1280, 1000}},  // larger than its screen: shrunk to it
      {{10, 10, 20, 0}, {10, 10, 200, 150}},             // damaged: at least the least size
      {{0, 840, 1920, 200}, {0, 840, 1920, 200}},        // touching the bottom edge
  };
  for (const auto& [bounds, fitted] : cases) EXPECT_EQ(FitOnScreen(bounds, screens, least), fitted) << bounds.x();
  EXPECT_EQ(FitOnScreen(QRect(-9, -9, 5, 5), {}, least), QRect(-9, -9, 5, 5));
}

TEST(DialogsTest, RecorderCountsBeepsAndAnswersQuestions) {
  App();
  MessageRecorder rec(MsgResult::No);
  MessageBeep(0);
  MessageBeep(0x30);
  ShowInformation(nullptr, "ﾃﾞｰﾀを読み込んでください。");
  EXPECT_FALSE(AskYesNo(nullptr, "削除しますか？"));
  rec.SetAnswer(MsgResult::Yes);
  EXPECT_TRUE(AskYesNo(nullptr, "削除しますか？"));
  EXPECT_EQ(rec.Beeps(), 2);
  ASSERT_EQ(rec.Messages().size(), 3u);
  EXPECT_EQ(rec.Messages()[0].kind, MsgKind::Information);
  EXPECT_EQ(rec.Messages()[0].text, "ﾃﾞｰﾀを読み込んでください。");
  EXPECT_EQ(rec.Messages()[1].kind, MsgKind::Confirmation);
  rec.Clear();
  ShowWarning(nullptr, "注意");
  ShowError(nullptr, "失敗");
  ASSERT_EQ(rec.Messages().size(), 2u);
  EXPECT_EQ(rec.Messages()[0].kind, MsgKind::Warning);
  EXPECT_EQ(rec.Messages()[1].kind, MsgKind::Error);
  EXPECT_EQ(rec.Texts(), QStringList({"注意", "失敗"}));
  EXPECT_EQ(ProgramName(), "コルヴィナ");
}

namespace {
class Throwing : public QObject {
 public:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) throw std::runtime_error("壊れたレコード");
    return QObject::event(e);
  }
};
}  // namespace

TEST(ApplicationTest, AnExceptionInAHandlerIsShownAndTheProgramGoesOn) {
  App();
  MessageRecorder rec;
  Throwing target;
  QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
  QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
  QCoreApplication::processEvents();
  ASSERT_EQ(rec.Messages().size(), 2u);
  EXPECT_EQ(rec.Messages()[0].kind, MsgKind::Error);
  EXPECT_EQ(rec.Messages()[0].text, "壊れたレコード");
  ReportException(std::make_exception_ptr(42));
  EXPECT_EQ(rec.Texts().back(), "不明なエラーが発生しました。");
}

TEST(FontsTest, FixedPitchGothicLinesUpBlankPaddedColumnsAndThePFaceStaysProportional) {
  App();
  EXPECT_TRUE(FontSubstitutes("Some Face").isEmpty());
  // Every Windows face has Japanese substitutes; a printed page takes the IPA face of the same pitch.
  for (const char* face : {"ＭＳ ゴシック", "MS Gothic", "ＭＳ Ｐゴシック", "MS PGothic", "MS UI Gothic", "ＭＳ 明朝",
                           "ＭＳ Ｐ明朝", "Arial", "MS Sans Serif"}) {
    const QStringList faces = FontSubstitutes(QString::fromUtf8(face));
    EXPECT_TRUE(faces.contains("Noto Sans CJK JP") || faces.contains("Noto Sans Mono CJK JP")) << face;
  }
  EXPECT_EQ(FontSubstitutes("Arial").first(), "Liberation Sans");
  EXPECT_EQ(FontSubstitutes("ＭＳ 明朝").first(), "Noto Serif CJK JP");
  EXPECT_EQ(PrintFont(QFont(kGothic)).families(), QStringList({"IPAGothic", kGothic}));
  EXPECT_EQ(PrintFont(QFont("MS PGothic")).families(), QStringList({"IPAPGothic", "MS PGothic"}));
  EXPECT_EQ(PrintFont(QFont("Arial")).family(), "Arial");
  EXPECT_EQ(PrintFont(QFont("ＭＳ 明朝")).family(), "ＭＳ 明朝");
  InstallFontSubstitutions();
  for (const QString& face : {kGothic, kPGothic}) {
    const QFontInfo info{QFont(face)};
    EXPECT_TRUE(info.family().contains("CJK") || info.family().contains("IPA") || info.family().contains("Gothic"))
        << info.family().toStdString();
  }
  // Every half-width character of "ＭＳ ゴシック" is one width, so " 2- 8" stands exactly under " 8-11".
  for (int pixels : {12, 40}) {
    QFont gothic(kGothic);
    gothic.setPixelSize(pixels);
    const QFontMetrics fixed(gothic);
    EXPECT_EQ(fixed.horizontalAdvance(QStringLiteral(" 2- 8")), fixed.horizontalAdvance(QStringLiteral(" 8-11")))
        << QFontInfo(gothic).family().toStdString();
    for (QChar c : QStringLiteral(" -.0123456789iWmR"))
      EXPECT_EQ(fixed.horizontalAdvance(c), fixed.horizontalAdvance(QLatin1Char('0'))) << QString(c).toStdString();
    QFont pGothic(kPGothic);
    pGothic.setPixelSize(pixels);
    const QFontMetrics proportional(pGothic);
    EXPECT_LT(proportional.horizontalAdvance(QLatin1Char('i')), proportional.horizontalAdvance(QLatin1Char('W')));
  }
}

TEST(ShellTest, OpeningGoesThroughTheSinkWithFileUrls) {
  App();
  QList<QUrl> opened;
  SetShellSink([&](const QUrl& u) {
    opened << u;
    return true;
  });
  EXPECT_TRUE(OpenDocument("/tmp/コルヴィナ/corvina.chm"));
  EXPECT_TRUE(OpenUrl(QUrl("https://jra-van.jp/")));
  SetShellSink(nullptr);
  ASSERT_EQ(opened.size(), 2);
  EXPECT_TRUE(opened[0].isLocalFile());
  EXPECT_EQ(opened[0].toLocalFile(), "/tmp/コルヴィナ/corvina.chm");
  SetShellSink([](const QUrl&) { return false; });
  EXPECT_FALSE(OpenDocument("/tmp/x.chm"));  // a failure reaches the caller
  SetShellSink(nullptr);
  EXPECT_FALSE(StartDetached("/nonexistent/program", {"a b", "c"}));
}
