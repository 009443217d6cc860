// The desktop layers: the owner-drawn grid, the canvas's text placement, the up-down control, the beep and
// message sinks, font substitution and the handler that keeps the program going after an exception.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <stdexcept>

#include "platform/gui/Application.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Shell.h"
#include "platform/gui/StringGrid.h"
#include "platform/gui/UpDown.h"

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

TEST(StringGridTest, RowSelectionAndClearing) {
  App();
  StringGrid grid;
  grid.SetColCount(19);
  grid.SetRowCount(10);
  grid.SetFixedCols(5);
  grid.SetSelection(GridRect{5, 2, 18, 4});
  EXPECT_EQ(grid.Selection().Top, 2);
  grid.SetSelection(GridRect{});
  EXPECT_TRUE(grid.Selection().Empty());
  EXPECT_EQ(grid.Selection(), (GridRect{-1, -1, -1, -1}));
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
}

TEST(FontsTest, FixedPitchGothicLinesUpBlankPaddedColumnsAndThePFaceStaysProportional) {
  App();
  EXPECT_TRUE(FontSubstitutes("Some Face").isEmpty());
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
  EXPECT_FALSE(StartDetached("/nonexistent/program", {"a b", "c"}));
}
