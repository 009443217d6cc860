// Painting of the race card, the trio grid and the ranking grids, on a recording canvas.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "mainwindow/CardPaint.h"
#include "platform/Cp932.h"
#include "platform/gui/Canvas.h"

using namespace corvina;
using gui::CanvasOp;

namespace {
int argc = 1;
char arg0[] = "test";
char* argv[] = {arg0, nullptr};
QApplication& App() {
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

struct Fixture {
  std::unique_ptr<DayModel> day = std::make_unique<DayModel>();
  CardPaintContext ctx;
  Fixture() {
    App();
    ctx = {day.get(), 0, QColor(240, 240, 240), QColor(255, 255, 225)};
    TRaceInfo& info = day->FRaceInfo[0];
    for (int h = 0; h < 18; ++h) {
      info.WakuBan[h] = std::to_string(h / 2 + 1);
      info.UmaBan[h] = (h < 9 ? "0" : "") + std::to_string(h + 1);
      info.HorseName[h] = ToCp932("テスト");
      info.SexCode[h] = "1";
      info.Futan[h] = "550";
    }
  }
  const QRect r{100, 50, 50, 25};
};

const CanvasOp* LastFillBefore(const gui::RecordingCanvas& c, const CanvasOp* text) {
  const CanvasOp* fill = nullptr;
  for (const auto& op : c.Ops()) {
    if (&op == text) break;
    if (op.kind == CanvasOp::Kind::Fill) fill = &op;
  }
  return fill;
}
}  // namespace

TEST(RaceCardPaintTest, FrameColoursAndDigitColours) {
  Fixture f;
  f.day->FRaceInfo[0].WakuBan[4] = "5";
  f.day->FRaceInfo[0].WakuBan[2] = "3";
  gui::RecordingCanvas five, three;
  DrawRaceCardCell(five, f.ctx, 0, 1, f.r, "5", "05");
  DrawRaceCardCell(three, f.ctx, 0, 1, f.r, "3", "03");
  const CanvasOp* t5 = five.FindText("5");
  ASSERT_NE(t5, nullptr);
  EXPECT_EQ(t5->fontColor, QColor(Qt::black));
  EXPECT_TRUE(t5->bold);
  EXPECT_EQ(t5->fontPoints, 10);
  EXPECT_EQ(LastFillBefore(five, t5)->brush, QColor(255, 255, 0));
  EXPECT_EQ(t5->from, QPoint(f.r.left() + 1 + 5, f.r.top() + 1 + 3));
  const CanvasOp* t3 = three.FindText("3");
  ASSERT_NE(t3, nullptr);
  EXPECT_EQ(t3->fontColor, QColor(Qt::white));
  EXPECT_EQ(LastFillBefore(three, t3)->brush, QColor(255, 0, 0));
}

TEST(RaceCardPaintTest, ResultColoursAndBlanksWithoutResults) {
  Fixture f;
  TRaceInfo& info = f.day->FRaceInfo[0];
  info.FinishPos[0] = 1;
  info.Popularity[0] = 1;
  info.FinishPos[1] = 3;
  gui::RecordingCanvas c;
  DrawRaceCardCell(c, f.ctx, 16, 1, f.r, "", "01");
  DrawRaceCardCell(c, f.ctx, 17, 1, f.r, "", "01");
  DrawRaceCardCell(c, f.ctx, 16, 2, f.r, "", "02");
  DrawRaceCardCell(c, f.ctx, 16, 3, f.r, "", "03");
  DrawRaceCardCell(c, f.ctx, 18, 3, f.r, "", "03");
  ASSERT_NE(c.FindText(" 1着"), nullptr);
  EXPECT_EQ(c.FindText(" 1着")->fontColor, QColor(Qt::red));
  EXPECT_EQ(c.FindText(" 1人")->fontColor, QColor(Qt::red));
  EXPECT_EQ(c.FindText(" 3着")->fontColor, QColor(Qt::blue));
  const QStringList texts = c.Texts();
  EXPECT_EQ(texts.mid(3), QStringList({" ", " "})) << "no result shows a single blank";
}

TEST(RaceCardPaintTest, NameCellWithAndWithoutWeightCarried) {
  Fixture f;
  gui::RecordingCanvas with, without;
  DrawRaceCardCell(with, f.ctx, 2, 1, f.r, "", "01");
  f.day->FRaceInfo[0].Futan[0] = "   ";
  DrawRaceCardCell(without, f.ctx, 2, 1, f.r, "", "01");
  EXPECT_NE(with.FindText("55.0kg"), nullptr);
  EXPECT_EQ(with.FindText("55.0kg")->from.x(), f.r.left() + 1 + 65);
  for (const QString& t : without.Texts()) EXPECT_FALSE(t.contains("kg")) << t.toStdString();
  EXPECT_NE(without.FindText("テスト"), nullptr);
}

TEST(RaceCardPaintTest, EveryCellEndsWithABlackBottomLine) {
  Fixture f;
  for (int row : {0, 1}) {
    for (int col = 0; col < 19; ++col) {
      gui::RecordingCanvas c;
      DrawRaceCardCell(c, f.ctx, col, row, f.r, "x", "01");
      ASSERT_FALSE(c.Ops().empty());
      const CanvasOp& last = c.Ops().back();
      EXPECT_EQ(last.kind, CanvasOp::Kind::Line) << col << "," << row;
      EXPECT_EQ(last.pen, QColor(Qt::black));
      EXPECT_EQ(last.from, QPoint(f.r.left(), f.r.top() + f.r.height()));
      EXPECT_EQ(last.to, QPoint(f.r.left() + f.r.width(), f.r.top() + f.r.height()));
    }
  }
}

TEST(RaceCardPaintTest, RowsThatNameNoHorseArePaintedPlainly) {
  Fixture f;
  // A blank, zero, out-of-range or non-numeric horse number must not reach the per-horse records.
  for (const char* horse : {"", "  ", "00", "19", "99", "ab"}) {
    for (int col = 0; col < 19; ++col) {
      gui::RecordingCanvas c;
      DrawRaceCardCell(c, f.ctx, col, 1, f.r, "cell", horse);
      EXPECT_EQ(c.Texts(), QStringList({"cell"})) << horse << " col " << col;
      EXPECT_EQ(c.Ops().back().kind, CanvasOp::Kind::Line);
    }
    gui::RecordingCanvas trio;
    DrawTrioCell(trio, f.ctx, 8, 1, f.r, "cell", horse);
    EXPECT_EQ(trio.Texts(), QStringList({"cell"}));
  }
  CardPaintContext noSlot = f.ctx;
  noSlot.slot = 36;
  gui::RecordingCanvas c;
  DrawRaceCardCell(c, noSlot, 7, 1, f.r, "cell", "01");
  EXPECT_EQ(c.Texts(), QStringList({"cell"}));
}

TEST(RaceCardPaintTest, RankAmongAHorsesOnlyForTheSnapshotShown) {
  Fixture f;
  TRaceInfo& info = f.day->FRaceInfo[0];
  f.day->FRaceCalc[0].ARank[0] = 2;
  f.day->FRaceCalc[0].MarkAB0[0] = "A";
  info.Odds1Present = 1;
  info.Odds2Present = 0;
  gui::RecordingCanvas first;
  DrawRaceCardCell(first, f.ctx, 9, 1, f.r, "", "01");
  EXPECT_EQ(first.Texts(), QStringList({"A", " 2"}));
  EXPECT_EQ(first.FindText("A")->fontColor, QColor(Qt::blue));
  gui::RecordingCanvas firstCol13;
  DrawRaceCardCell(firstCol13, f.ctx, 13, 1, f.r, "", "01");
  EXPECT_EQ(firstCol13.Texts().size(), 1);
  info.Odds2Present = 1;
  gui::RecordingCanvas latest9, latest13;
  DrawRaceCardCell(latest9, f.ctx, 9, 1, f.r, "", "01");
  DrawRaceCardCell(latest13, f.ctx, 13, 1, f.r, "", "01");
  EXPECT_EQ(latest9.Texts().size(), 1);
  EXPECT_EQ(latest13.Texts().size(), 2);
}

TEST(TrioPaintTest, MarkColumnFollowsTheSnapshotsPresent) {
  Fixture f;
  f.day->FRaceCalc[0].MarkAB0[0] = "A";
  f.day->FRaceCalc[0].MarkAB1[0] = "B";
  f.day->FRaceCalc[0].MarkE[0] = "E";
  gui::RecordingCanvas noSecond;
  DrawTrioCell(noSecond, f.ctx, 7, 1, f.r, "", "01");
  EXPECT_EQ(noSecond.Texts(), QStringList({"A"}));
  f.day->FRaceInfo[0].Odds2Present = 1;
  gui::RecordingCanvas second;
  DrawTrioCell(second, f.ctx, 7, 1, f.r, "", "01");
  EXPECT_EQ(second.Texts(), QStringList({"B"}));
  gui::RecordingCanvas e;
  DrawTrioCell(e, f.ctx, 9, 1, f.r, "", "01");
  EXPECT_EQ(e.FindText("E")->fontColor, QColor(Qt::blue));
  gui::RecordingCanvas texts;
  DrawTrioCell(texts, f.ctx, 4, 1, f.r, " 3", "01");
  EXPECT_TRUE(texts.Texts().isEmpty()) << "columns 3-6 keep the grid's own text";
}

TEST(RankingPaintTest, EmptyRowsKeepTheirColumnColours) {
  Fixture f;
  QFont font;
  for (int col = 0; col < 3; ++col) {
    gui::RecordingCanvas c;
    DrawRankingCell(c, f.ctx, col, 5, f.r, "", font);
    ASSERT_EQ(c.Ops()[0].kind, CanvasOp::Kind::Fill);
    const QColor expected = col == 0 ? QColor(0, 255, 255) : col == 1 ? f.ctx.infoBackground : QColor(Qt::white);
    EXPECT_EQ(c.Ops()[0].brush, expected);
  }
  gui::RecordingCanvas header;
  DrawRankingCell(header, f.ctx, 1, 0, f.r, "馬連", font);
  EXPECT_EQ(header.Ops()[0].brush, QColor(192, 192, 192));
  EXPECT_EQ(header.Ops()[1].rect.top(), f.r.top() + 2);
}

TEST(RaceCardPaintTest, FrameOutsideOneToEightCoversTheCellWithTheCurrentBrush) {
  Fixture f;
  for (const char* frame : {" ", "9"}) {
    f.day->FRaceInfo[0].WakuBan[0] = frame;
    gui::RecordingCanvas c;
    c.SetBrushColor(QColor(212, 208, 200));  // what the grid painted the fixed cell with
    DrawRaceCardCell(c, f.ctx, 0, 1, f.r, frame, "01");
    const QString digit = std::string(frame) == " " ? "0" : "9";
    const CanvasOp* text = c.FindText(digit);
    ASSERT_NE(text, nullptr) << frame;
    const CanvasOp* fill = LastFillBefore(c, text);
    ASSERT_NE(fill, nullptr) << "the grid's own text would show under the digit";
    EXPECT_EQ(fill->rect, f.r);
    EXPECT_EQ(fill->brush, QColor(212, 208, 200));
    EXPECT_EQ(text->fontColor, QColor(Qt::white));
  }
}

TEST(RaceCardPaintTest, SelectedRowsKeepTheGridsFontColourOnTheirOwnFills) {
  Fixture f;
  TRaceInfo& info = f.day->FRaceInfo[0];
  info.JockeyName[0] = ToCp932("渡辺");
  info.WinOdds1[0] = 4.5;
  f.day->FRaceCalc[0].MarkX[0] = "X";
  // A selected row reaches the painting with the highlight text colour (white) in the canvas.
  for (int col : {3, 7}) {
    gui::RecordingCanvas c;
    c.SetFontColor(Qt::white);
    DrawRaceCardCell(c, f.ctx, col, 1, f.r, "", "01");
    const QStringList texts = c.Texts();
    ASSERT_EQ(texts.size(), 1) << col;
    EXPECT_EQ(c.FindText(texts[0])->fontColor, QColor(Qt::black)) << col;
  }
  gui::RecordingCanvas trio;
  trio.SetFontColor(Qt::white);
  DrawTrioCell(trio, f.ctx, 8, 1, f.r, "", "01");
  ASSERT_NE(trio.FindText("X"), nullptr);
  EXPECT_EQ(trio.FindText("X")->fontColor, QColor(Qt::black));
  gui::RecordingCanvas plain;
  plain.SetFontColor(Qt::white);
  DrawRaceCardCell(plain, f.ctx, 7, 1, f.r, "cell", "  ");
  EXPECT_EQ(plain.FindText("cell")->fontColor, QColor(Qt::black));
}
