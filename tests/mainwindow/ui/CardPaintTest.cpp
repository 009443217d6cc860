// Painting of the race card, the mean pair odds grid and the ranking grids, on a recording canvas.
#include <gtest/gtest.h>

#include <memory>

#include "mainwindow/ui/CardPaint.h"
#include "platform/Cp932.h"
#include "platform/gui/Canvas.h"
#include "tests/support/QtApp.h"

using namespace corvina;
using gui::CanvasOp;
using view::CardColumn;
using view::Col;
using view::kCardColumns;
using view::MeanPairOddsColumn;

namespace {
struct Fixture {
  std::unique_ptr<DayModel> day = std::make_unique<DayModel>();
  CardPaintContext ctx;
  Fixture() {
    test::App();
    ctx = {day.get(), 0, QColor(240, 240, 240), QColor(255, 255, 225)};
    RaceInfo& info = day->Races[0];
    for (int h = 0; h < 18; ++h) {
      info.WakuBan[h] = std::to_string(h / 2 + 1);
      info.UmaBan[h] = (h < 9 ? "0" : "") + std::to_string(h + 1);
      info.HorseName[h] = ToCp932("テスト") + std::to_string(h + 1);  // each row's own name
      info.WinOdds1[h] = 2.5 + h;
      info.SexCode[h] = "1";
      info.Futan[h] = "550";
    }
  }
  const QRect r{100, 50, 50, 25};

  // One cell painted on a fresh canvas whose brush and font colour the grid set to `brush` and `font`.
  gui::RecordingCanvas Card(CardColumn col, int row, const QString& text, const QString& horse,
                            QColor font = QColor(Qt::black), QColor brush = QColor(Qt::white)) const {
    gui::RecordingCanvas c;
    c.SetFontColor(font);
    c.SetBrushColor(brush);
    DrawRaceCardCell(c, ctx, Col(col), row, r, text, horse);
    return c;
  }
  gui::RecordingCanvas MeanPairOdds(MeanPairOddsColumn col, int row, const QString& text, const QString& horse,
                                    QColor font = QColor(Qt::black)) const {
    gui::RecordingCanvas c;
    c.SetFontColor(font);
    DrawMeanPairOddsCell(c, ctx, Col(col), row, r, text, horse);
    return c;
  }
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
  f.day->Races[0].WakuBan[4] = "5";
  f.day->Races[0].WakuBan[2] = "3";
  const auto five = f.Card(CardColumn::Frame, 1, "5", "05"), three = f.Card(CardColumn::Frame, 1, "3", "03");
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
  // Every frame, from the first to the eighth: its fill and the colour of its digit.
  std::vector<QColor> fills, digits;
  for (int frame = 1; frame <= 8; ++frame) {
    const std::string text = std::to_string(frame);
    f.day->Races[0].WakuBan[0] = text;
    const auto cell = f.Card(CardColumn::Frame, 1, text.c_str(), "01");
    const CanvasOp* digit = cell.FindText(QString::fromStdString(text));
    ASSERT_NE(digit, nullptr) << frame;
    fills.push_back(LastFillBefore(cell, digit)->brush);
    digits.push_back(digit->fontColor);
  }
  const QColor white(Qt::white), black(Qt::black);
  EXPECT_EQ(fills,
            (std::vector<QColor>{white, QColor(128, 128, 128), QColor(255, 0, 0), QColor(0, 0, 255),
                                 QColor(255, 255, 0), QColor(0, 255, 0), QColor(255, 128, 0), QColor(255, 0, 255)}));
  EXPECT_EQ(digits, (std::vector<QColor>{black, white, white, white, black, white, white, white}));
}

TEST(RaceCardPaintTest, FrameOutsideOneToEightCoversTheCellWithTheCurrentBrush) {
  Fixture f;
  for (const char* frame : {" ", "9"}) {
    f.day->Races[0].WakuBan[0] = frame;
    // The brush the grid painted the fixed cell with.
    const auto c = f.Card(CardColumn::Frame, 1, frame, "01", QColor(Qt::black), QColor(212, 208, 200));
    const CanvasOp* text = c.FindText(std::string(frame) == " " ? "0" : "9");
    ASSERT_NE(text, nullptr) << frame;
    const CanvasOp* fill = LastFillBefore(c, text);
    ASSERT_NE(fill, nullptr) << "the grid's own text would show under the digit";
    EXPECT_EQ(fill->rect, f.r);
    EXPECT_EQ(fill->brush, QColor(212, 208, 200));
    EXPECT_EQ(text->fontColor, QColor(Qt::white));
  }
}

TEST(RaceCardPaintTest, ResultColoursAndBlanksWithoutResults) {
  Fixture f;
  RaceInfo& info = f.day->Races[0];
  // The winner red, second and third blue, the rest black, for the finish and the popularity alike.
  QStringList colours;
  for (int v = 1; v <= 4; ++v) {
    info.FinishPos[0] = info.Popularity[0] = v;
    for (CardColumn col : {CardColumn::Finish, CardColumn::Popularity}) {
      const auto c = f.Card(col, 1, "", "01");
      const QStringList texts = c.Texts();
      ASSERT_EQ(texts.size(), 1) << v;
      const QColor colour = c.FindText(texts[0])->fontColor;
      colours << texts[0] + (colour.isValid() ? colour.name() : QString("?"));
    }
  }
  EXPECT_EQ(colours, (QStringList{" 1着#ff0000", " 1人#ff0000", " 2着#0000ff", " 2人#0000ff", " 3着#0000ff",
                                  " 3人#0000ff", " 4着#000000", " 4人#000000"}));
  for (CardColumn col : {CardColumn::Finish, CardColumn::FinalOdds})
    EXPECT_EQ(f.Card(col, 3, "", "03").Texts(), QStringList({" "})) << "no result: one blank";
}

// Every column of the records from its smallest value shown (odds 1.0, rank and place 1), and its blank without one.
TEST(RaceCardPaintTest, EveryRecordColumnFromItsFirstValueAndBlankWithout) {
  Fixture f;
  RaceInfo& info = f.day->Races[0];
  RaceCalc& calc = f.day->Calcs[0];
  info.Odds1Present = 1;
  info.JockeyName[0] = "J", info.TrainerName[0] = "T";
  info.PredWinOdds[0] = info.WinOdds1[0] = info.WinOdds2[0] = info.FinalWinOdds[0] = 1.0;
  info.FinishPos[0] = info.Popularity[0] = 1;
  calc.RankPred[0] = calc.RankOdds1[0] = calc.RankOdds2[0] = calc.ARank[0] = 1;
  calc.MarkAB1[0] = "A", calc.MarkC1[0] = "C", calc.MarkAB2[0] = "B", calc.MarkC2[0] = "c";
  calc.ModeOneA[0] = 1;
  info.WinOdds1[1] = 0;  // the second horse has nothing
  QStringList first, none, fills;
  for (int col = Col(CardColumn::Jockey); col < kCardColumns; ++col) {
    const auto c = f.Card(static_cast<CardColumn>(col), 1, "", "01");
    first << c.Texts().join("|");
    none << f.Card(static_cast<CardColumn>(col), 2, "", "02").Texts().join("|");
    // The cell's own fill, over the whole cell, under its text.
    const CanvasOp* fill = LastFillBefore(c, c.FindText(c.Texts().value(0)));
    fills << (fill != nullptr && fill->rect == f.r ? fill->brush.name() : QString("none"));
  }
  const QString white = "#ffffff", pale = f.ctx.infoBackground.name(), mark = "#fecfd2";
  EXPECT_EQ(fills, (QStringList{white, white, white, pale, white, pale, mark, mark, white, pale, mark, mark, "#bbffff",
                                white, white, white}));
  EXPECT_EQ(first, (QStringList{"J", "T", "   1.0", " 1", "   1.0", " 1", "A| 1", "C", "   1.0", " 1", "B", "c", "軸",
                                " 1着", " 1人", "   1.0"}));
  EXPECT_EQ(none, (QStringList{"", "", " ", " ", " ", " ", "| ", "", " ", " ", "", "", "", " ", " ", " "}));
  EXPECT_EQ(f.Card(CardColumn::MarkAB1, 1, "", "01").FindText("A")->fontColor, QColor(Qt::blue));
  // The latest snapshot in: its marks carry the rank among the A horses, the first snapshot's no longer.
  info.Odds2Present = 1;
  EXPECT_EQ(f.Card(CardColumn::MarkAB1, 1, "", "01").Texts(), QStringList{"A"});
  EXPECT_EQ(f.Card(CardColumn::MarkAB2, 1, "", "01").Texts(), (QStringList{"B", " 1"}));
}

TEST(RaceCardPaintTest, NameCellWithAndWithoutWeightCarried) {
  Fixture f;
  std::string se(layout::kSeLine, ' ');
  se.replace(layout::se::kAge.pos - 1, 2, "04");  // fields count from one
  f.day->Table.GSeTbl[0][0] = se;
  const auto with = f.Card(CardColumn::HorseName, 1, "", "01");
  // The name, then its sex and age below it, and the weight carried beside them.
  EXPECT_EQ(with.Texts().mid(0, 2), (QStringList{"テスト1", "牡 4"}));
  f.day->Races[0].Futan[0] = "   ";
  const auto without = f.Card(CardColumn::HorseName, 1, "", "01");
  ASSERT_NE(with.FindText("55.0kg"), nullptr);
  EXPECT_EQ(with.FindText("55.0kg")->from.x(), f.r.left() + 1 + 65);
  for (const QString& t : without.Texts()) EXPECT_FALSE(t.contains("kg")) << t.toStdString();
  EXPECT_NE(without.FindText("テスト1"), nullptr);
}

// A row finds its horse through its number: the number, name and odds painted in a row are all that horse's.
TEST(RaceCardPaintTest, EachRowPaintsTheNumberNameAndOddsOfItsOwnHorse) {
  Fixture f;
  for (int h : {0, 1, 8, 9, 17}) {
    const QString number = QString::asprintf("%02d", h + 1);
    auto first = [&](CardColumn col) { return f.Card(col, h + 1, "", number).Texts().value(0); };
    const QString name = QString("テスト%1").arg(h + 1);
    EXPECT_EQ((QStringList{first(CardColumn::HorseNumber), first(CardColumn::HorseName), first(CardColumn::WinOdds1)}),
              (QStringList{QString::asprintf("%2d", h + 1), name, QString::asprintf("%6.1f", 2.5 + h)}))
        << number.toStdString();
    EXPECT_EQ(f.MeanPairOdds(MeanPairOddsColumn::HorseName, h + 1, "", number).Texts().value(0), name);
  }
}

TEST(RaceCardPaintTest, EveryCellEndsWithABlackBottomLine) {
  Fixture f;
  for (int row : {0, 1}) {
    for (int col = 0; col < kCardColumns; ++col) {
      const auto c = f.Card(static_cast<CardColumn>(col), row, "x", "01");
      ASSERT_FALSE(c.Ops().empty());
      const CanvasOp& last = c.Ops().back();
      EXPECT_EQ(last.kind, CanvasOp::Kind::Line) << col << "," << row;
      EXPECT_EQ(last.pen, QColor(Qt::black));
      EXPECT_EQ(last.from, f.r.bottomLeft() + QPoint(0, 1));
      EXPECT_EQ(last.to, f.r.bottomRight() + QPoint(1, 1));
      if (row != 0) continue;
      // A header shows its caption's lines, the second only where it has one; the name header shows the text.
      const auto column = static_cast<CardColumn>(col);
      const ColumnCaption& caption = CardCaption(column);
      const bool showsText = column == CardColumn::HorseName || column == CardColumn::PredWinOdds;
      QStringList lines{showsText ? QString("x") : QString::fromUtf8(caption.first)};
      if (column != CardColumn::HorseName && *caption.second) lines << QString::fromUtf8(caption.second);
      EXPECT_EQ(c.Texts(), lines) << "header " << col;
      // Painted whole, so the grid's own header text does not show through.
      EXPECT_EQ(LastFillBefore(c, c.FindText(lines[0]))->rect, f.r) << "header " << col;
      EXPECT_EQ(LastFillBefore(c, c.FindText(lines[0]))->brush, f.ctx.buttonFace) << "header " << col;
    }
  }
  // The mean pair odds grid's headers alike, from its first column; its horse name keeps the grid's own text.
  for (int col = 0; col < view::kMeanPairOddsColumns; ++col) {
    const auto column = static_cast<MeanPairOddsColumn>(col);
    const auto c = f.MeanPairOdds(column, 0, "x", "");
    EXPECT_EQ(c.Ops().back().kind, CanvasOp::Kind::Line) << col;
    QStringList lines;
    if (column != MeanPairOddsColumn::HorseName) lines << QString::fromUtf8(MeanPairOddsCaption(column).first);
    if (column != MeanPairOddsColumn::HorseName && *MeanPairOddsCaption(column).second)
      lines << QString::fromUtf8(MeanPairOddsCaption(column).second);
    EXPECT_EQ(c.Texts(), lines) << "mean pair odds header " << col;
    if (lines.isEmpty()) continue;
    EXPECT_EQ(LastFillBefore(c, c.FindText(lines[0]))->brush, f.ctx.buttonFace) << "mean pair odds header " << col;
  }
  // A column past either end of the card has no caption: only its bottom line is drawn.
  for (int col : {-1, kCardColumns}) {
    gui::RecordingCanvas c;
    DrawRaceCardCell(c, f.ctx, col, 0, f.r, "x", "");
    ASSERT_EQ(c.Ops().size(), 1u) << col;
    EXPECT_EQ(c.Ops().back().kind, CanvasOp::Kind::Line);
  }
}

TEST(RaceCardPaintTest, RowsThatNameNoHorseArePaintedPlainly) {
  Fixture f;
  // A blank, zero, out-of-range or non-numeric horse number must not reach the per-horse records.
  for (const char* horse : {"", "  ", "00", "19", "99", "ab"}) {
    for (int col = 0; col < kCardColumns; ++col) {
      const auto c = f.Card(static_cast<CardColumn>(col), 1, "cell", horse);
      EXPECT_EQ(c.Texts(), QStringList({"cell"})) << horse << " col " << col;
      EXPECT_EQ(c.Ops().back().kind, CanvasOp::Kind::Line);
    }
    EXPECT_EQ(f.MeanPairOdds(MeanPairOddsColumn::MarkX, 1, "cell", horse).Texts(), QStringList({"cell"}));
  }
  f.ctx.slot = 36;  // no race in that slot
  EXPECT_EQ(f.Card(CardColumn::WinOdds1, 1, "cell", "01").Texts(), QStringList({"cell"}));
  EXPECT_EQ(f.MeanPairOdds(MeanPairOddsColumn::MarkX, 1, "cell", "01").Texts(), QStringList({"cell"}));
  f.ctx.slot = 0;
  f.ctx.day = nullptr;  // no day loaded
  EXPECT_EQ(f.Card(CardColumn::WinOdds1, 1, "cell", "01").Texts(), QStringList({"cell"}));
  EXPECT_EQ(f.MeanPairOdds(MeanPairOddsColumn::MarkX, 1, "cell", "01").Texts(), QStringList({"cell"}));
}

TEST(MeanPairOddsPaintTest, MarkColumnFollowsTheSnapshotsPresent) {
  Fixture f;
  f.day->Calcs[0].MarkAB1[0] = "A";
  f.day->Calcs[0].MarkAB2[0] = "B";
  f.day->Calcs[0].MarkE[0] = "E";
  EXPECT_EQ(f.MeanPairOdds(MeanPairOddsColumn::MarkAB, 1, "", "01").Texts(), QStringList({"A"}));
  f.day->Races[0].Odds2Present = 1;
  EXPECT_EQ(f.MeanPairOdds(MeanPairOddsColumn::MarkAB, 1, "", "01").Texts(), QStringList({"B"}));
  EXPECT_EQ(f.MeanPairOdds(MeanPairOddsColumn::MarkE, 1, "", "01").FindText("E")->fontColor, QColor(Qt::blue));
  EXPECT_TRUE(f.MeanPairOdds(MeanPairOddsColumn::PredAvgRank, 1, " 3", "01").Texts().isEmpty())
      << "the mean pair odds keep the grid's own text";
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

TEST(RaceCardPaintTest, SelectedRowsKeepTheGridsFontColourOnTheirOwnFills) {
  Fixture f;
  RaceInfo& info = f.day->Races[0];
  info.JockeyName[0] = ToCp932("渡辺");
  info.WinOdds1[0] = 4.5;
  f.day->Calcs[0].MarkX[0] = "X";
  // A selected row reaches the painting with the highlight text colour (white) in the canvas.
  for (CardColumn col : {CardColumn::Jockey, CardColumn::WinOdds1}) {
    const auto c = f.Card(col, 1, "", "01", Qt::white);
    const QStringList texts = c.Texts();
    ASSERT_EQ(texts.size(), 1) << Col(col);
    EXPECT_EQ(c.FindText(texts[0])->fontColor, QColor(Qt::black)) << Col(col);
  }
  const auto means = f.MeanPairOdds(MeanPairOddsColumn::MarkX, 1, "", "01", Qt::white);
  ASSERT_NE(means.FindText("X"), nullptr);
  EXPECT_EQ(means.FindText("X")->fontColor, QColor(Qt::black));
  EXPECT_EQ(f.Card(CardColumn::WinOdds1, 1, "cell", "  ", Qt::white).FindText("cell")->fontColor, QColor(Qt::black));
}
