#include "mainwindow/ui/CardPaint.h"

#include <array>

#include "mainwindow/RaceViewText.h"
#include "platform/Cp932.h"
#include "platform/Text.h"
#include "platform/gui/QtText.h"

namespace corvina {

namespace {

constexpr int kLine = 1;  // grid-line width

using gui::Q;

const QColor kMarkBackground(254, 207, 210);
const QColor kAxisBackground(187, 255, 255);

// Text at (a, b) from the cell's top-left corner inside the grid line.
void At(gui::Canvas& c, const QRect& r, int a, int b, const QString& text) {
  c.TextOut(r.left() + kLine + a, r.top() + kLine + b, text);
}

void Fill(gui::Canvas& c, const QRect& r, const QColor& colour) {
  c.SetBrushColor(colour);
  c.FillRect(r);
}

void Font(gui::Canvas& c, int points, bool bold, const QColor& colour) {
  c.SetFontSize(points);
  c.SetFontBold(bold);
  c.SetFontColor(colour);
}

void Font(gui::Canvas& c, int points, bool bold) {
  c.SetFontSize(points);
  c.SetFontBold(bold);
}

void TwoLines(gui::Canvas& c, const QRect& r, const QString& first, const QString& second) {
  At(c, r, 1, 1, first);
  if (!second.isEmpty()) At(c, r, 1, 1 + c.TextExtent(first.isEmpty() ? QStringLiteral("X") : first).height(), second);
}

void BottomLine(gui::Canvas& c, const QRect& r) {
  c.SetPenColor(Qt::black);
  const int bottom = r.top() + r.height();
  c.MoveTo(r.left(), bottom);
  c.LineTo(r.left() + r.width(), bottom);
}

QColor HitRankColour(int value) {
  if (value == 1) return Qt::red;
  if (value == 2 || value == 3) return Qt::blue;
  return Qt::black;
}

void FrameCell(gui::Canvas& c, const QRect& r, const RaceInfo& info, int h) {
  const int frame = StrToIntLenient(info.WakuBan[h]);
  QColor colour;
  // Another frame fills with the current brush, which also covers the grid's own text of the cell.
  Fill(c, r, FrameColour(frame, colour) ? colour : c.BrushColor());
  Font(c, 10, true, frame == 1 || frame == 5 ? Qt::black : Qt::white);
  At(c, r, 5, 3, Q(FormatInt(frame, 1)));
}

void HorseNumberCell(gui::Canvas& c, const QRect& r, const CardPaintContext& ctx, const RaceInfo& info, int h) {
  Fill(c, r, ctx.infoBackground);
  Font(c, 10, true, Qt::black);
  At(c, r, 1, 3, Q(FormatInt(StrToIntLenient(info.UmaBan[h]), 2)));
}

void HorseNameCell(gui::Canvas& c, const QRect& r, const CardPaintContext& ctx, const RaceInfo& info, int h) {
  Fill(c, r, Qt::white);
  Font(c, 10, true);
  const QString name = Q(info.HorseName[h]);
  At(c, r, 1, -1, name);
  const int second = -1 + c.TextExtent(name.isEmpty() ? QStringLiteral("X") : name).height();
  Font(c, 8, false);
  At(c, r, 1, second, Q(view::SexAgeText(info, ctx.day->Table, ctx.slot, h)));
  const std::string futan = view::FutanText(info.Futan[h]);
  if (!futan.empty()) At(c, r, 65, second, Q(futan));
}

void Plain(gui::Canvas& c, const QRect& r, const QString& text, const QColor& fill) {
  Fill(c, r, fill);
  c.SetFontColor(Qt::black);
  At(c, r, 1, 1, text);
}

}  // namespace

const ColumnCaption& CardCaption(view::CardColumn column) {
  // clang-format off
  static const std::array<ColumnCaption, view::kCardColumns> captions{{
      {20, "枠", "枠", "番"}, {20, "馬", "馬", "番"}, {150, "馬名", "", ""}, {50, "騎手", "騎手", ""},
      {50, "調教師", "調教師", ""}, {50, "予想配当", "予想配当", "（単勝）"}, {20, "順", "順", ""},
      {50, "単勝1", "単勝ｵｯｽﾞ", "(1回目)"}, {20, "順", "順", ""}, {27, "A/B", "A/B", ""}, {27, "C", "C", ""},
      {50, "単勝2", "単勝ｵｯｽﾞ", "(2回目)"}, {20, "順", "順", ""}, {27, "A/B", "A/B", ""}, {27, "C", "C", ""},
      {27, "消軸", "消軸", ""}, {33, "着順", "着順", ""}, {33, "人気", "人気", ""}, {50, "配当", "確定", "ｵｯｽﾞ"}}};
  // clang-format on
  return captions[static_cast<size_t>(column)];
}

const ColumnCaption& MeanPairOddsCaption(view::MeanPairOddsColumn column) {
  // clang-format off
  static const std::array<ColumnCaption, view::kMeanPairOddsColumns> captions{{
      {20, "枠", "枠", "番"}, {20, "馬", "馬", "番"}, {150, "馬名", "", ""}, {50, nullptr, "予想配当", "(馬連)"},
      {20, nullptr, "順", ""}, {50, nullptr, "当日ｵｯｽﾞ", "(馬連)"}, {20, nullptr, "順", ""}, {0, nullptr, "印", "AB"},
      {0, nullptr, "印", "X"}, {0, nullptr, "印", "E"}}};
  // clang-format on
  return captions[static_cast<size_t>(column)];
}

bool FrameColour(int frame, QColor& colour) {
  static const std::array<QColor, 8> colours{QColor(255, 255, 255), QColor(128, 128, 128), QColor(255, 0, 0),
                                             QColor(0, 0, 255),     QColor(255, 255, 0),   QColor(0, 255, 0),
                                             QColor(255, 128, 0),   QColor(255, 0, 255)};
  if (frame < 1 || frame > 8) return false;
  colour = colours[frame - 1];
  return true;
}

void DrawRaceCardCell(gui::Canvas& c, const CardPaintContext& ctx, int col, int row, const QRect& r,
                      const QString& text, const QString& horseText) {
  using view::CardColumn;
  const auto column = static_cast<CardColumn>(col);
  if (row == 0) {
    // Every header is painted whole (the grid's own header text would show through otherwise); the horse name
    // shows the grid's text, and the predicted odds keep the text the race view wrote, which names the source
    // of the predicted odds.
    if (col >= 0 && col < view::kCardColumns) {
      const ColumnCaption& caption = CardCaption(column);
      Fill(c, r, ctx.buttonFace);
      if (column == CardColumn::HorseName) {
        At(c, r, 1, 1, text);
      } else if (column == CardColumn::PredWinOdds && !text.isEmpty()) {
        TwoLines(c, r, text, QString::fromUtf8(caption.second));
      } else {
        TwoLines(c, r, QString::fromUtf8(caption.first), QString::fromUtf8(caption.second));
      }
    }
    BottomLine(c, r);
    return;
  }
  const int h = view::HorseIndexOf(ToCp932(horseText.toStdString()));
  const bool slotOk = ctx.day && ctx.slot >= 0 && ctx.slot < kSlots;
  if (h < 0 || !slotOk) {
    // A row without a horse of this race cannot be painted from the records: show its text plainly.
    Plain(c, r, text, Qt::white);
    BottomLine(c, r);
    return;
  }
  const RaceInfo& info = ctx.day->Races[ctx.slot];
  const RaceCalc& calc = ctx.day->Calcs[ctx.slot];
  // Texts without a colour of their own take the grid's font colour, also in a selected row, whose highlight
  // colour would vanish on the light fills below.
  c.SetFontColor(Qt::black);
  auto odds = [&](double v) {
    Fill(c, r, Qt::white);
    Font(c, 9, false);
    At(c, r, 1, 7, v > 0 ? Q(FormatFixed(v, 6, 1)) : QStringLiteral(" "));
  };
  auto rank = [&](int v) {
    Fill(c, r, ctx.infoBackground);
    Font(c, 9, false);
    At(c, r, 1, 7, v > 0 ? Q(FormatInt(v, 2)) : QStringLiteral(" "));
  };
  auto mark = [&](const std::string& m, int x, bool withARank) {
    Fill(c, r, kMarkBackground);
    Font(c, 12, true, Qt::blue);
    At(c, r, x, 5, Q(m));
    if (withARank) {
      Font(c, 8, false, Qt::black);
      At(c, r, 14, 10, calc.ARank[h] >= 1 ? Q(FormatInt(calc.ARank[h], 2)) : QStringLiteral(" "));
    }
  };
  switch (column) {
    case CardColumn::Frame: FrameCell(c, r, info, h); break;
    case CardColumn::HorseNumber: HorseNumberCell(c, r, ctx, info, h); break;
    case CardColumn::HorseName: HorseNameCell(c, r, ctx, info, h); break;
    case CardColumn::Jockey:
    case CardColumn::Trainer:
      Fill(c, r, Qt::white);
      Font(c, 8, false);
      At(c, r, 1, 7, Q(column == CardColumn::Jockey ? info.JockeyName[h] : info.TrainerName[h]));
      break;
    case CardColumn::PredWinOdds: odds(info.PredWinOdds[h]); break;
    case CardColumn::PredRank: rank(calc.RankPred[h]); break;
    case CardColumn::WinOdds1: odds(info.WinOdds1[h]); break;
    case CardColumn::Rank1: rank(calc.RankOdds1[h]); break;
    case CardColumn::MarkAB1: mark(calc.MarkAB1[h], 5, info.Odds1Present == 1 && info.Odds2Present == 0); break;
    case CardColumn::MarkC1: mark(calc.MarkC1[h], 7, false); break;
    case CardColumn::WinOdds2: odds(info.WinOdds2[h]); break;
    case CardColumn::Rank2: rank(calc.RankOdds2[h]); break;
    case CardColumn::MarkAB2: mark(calc.MarkAB2[h], 5, info.Odds2Present == 1); break;
    case CardColumn::MarkC2: mark(calc.MarkC2[h], 7, false); break;
    case CardColumn::LostA:
      Fill(c, r, kAxisBackground);
      Font(c, 12, true, Qt::blue);
      At(c, r, 5, 5, calc.ModeOneA[h] == 1 ? QStringLiteral("軸") : QString());
      break;
    case CardColumn::Finish:
    case CardColumn::Popularity: {
      const bool finish = column == CardColumn::Finish;
      const int v = finish ? info.FinishPos[h] : info.Popularity[h];
      Fill(c, r, Qt::white);
      Font(c, 9, false, HitRankColour(v));
      const char* unit = finish ? "着" : "人";
      At(c, r, 8, 7, v >= 1 ? Q(FormatInt(v, 2)) + QString::fromUtf8(unit) : QStringLiteral(" "));
      break;
    }
    case CardColumn::FinalOdds:
      Fill(c, r, Qt::white);
      Font(c, 9, false);
      At(c, r, 8, 7, info.FinalWinOdds[h] > 0 ? Q(FormatFixed(info.FinalWinOdds[h], 6, 1)) : QStringLiteral(" "));
      break;
    default: break;
  }
  BottomLine(c, r);
}

void DrawMeanPairOddsCell(gui::Canvas& c, const CardPaintContext& ctx, int col, int row, const QRect& r,
                          const QString& text, const QString& horseText) {
  using view::MeanPairOddsColumn;
  const auto column = static_cast<MeanPairOddsColumn>(col);
  // The mean pair odds and their ranks show the texts the race view wrote, also in a row without a horse.
  const bool pairOdds = column >= MeanPairOddsColumn::PredAvgOdds && column <= MeanPairOddsColumn::AvgRank;
  if (row == 0) {
    // The horse name keeps the grid's own "馬名".
    if (col >= 0 && col < view::kMeanPairOddsColumns && column != MeanPairOddsColumn::HorseName) {
      const ColumnCaption& caption = MeanPairOddsCaption(column);
      Fill(c, r, ctx.buttonFace);
      TwoLines(c, r, QString::fromUtf8(caption.first), QString::fromUtf8(caption.second));
    }
    BottomLine(c, r);
    return;
  }
  const int h = view::HorseIndexOf(ToCp932(horseText.toStdString()));
  if (h < 0 || !ctx.day || ctx.slot < 0 || ctx.slot >= kSlots) {
    if (!pairOdds) Plain(c, r, text, Qt::white);
    BottomLine(c, r);
    return;
  }
  const RaceInfo& info = ctx.day->Races[ctx.slot];
  const RaceCalc& calc = ctx.day->Calcs[ctx.slot];
  c.SetFontColor(Qt::black);  // the grid's font colour, as in the race card
  auto mark = [&](const std::string& m, const QColor& colour) {
    Fill(c, r, Qt::white);
    Font(c, 12, true, colour);
    At(c, r, 13, 3, Q(m));
  };
  switch (column) {
    case MeanPairOddsColumn::Frame: FrameCell(c, r, info, h); break;
    case MeanPairOddsColumn::HorseNumber: HorseNumberCell(c, r, ctx, info, h); break;
    case MeanPairOddsColumn::HorseName: HorseNameCell(c, r, ctx, info, h); break;
    case MeanPairOddsColumn::MarkAB:
      mark(info.Odds2Present == 1 ? calc.MarkAB2[h] : calc.MarkAB1[h], c.FontColor());
      break;
    case MeanPairOddsColumn::MarkX: mark(calc.MarkX[h], c.FontColor()); break;
    case MeanPairOddsColumn::MarkE: mark(calc.MarkE[h], Qt::blue); break;
    default: break;  // the mean pair odds and ranks show the texts the race view wrote
  }
  BottomLine(c, r);
}

void DrawRankingCell(gui::Canvas& c, const CardPaintContext& ctx, int col, int row, const QRect& r, const QString& text,
                     const QFont& gridFont) {
  if (row == 0) {
    c.SetBrushColor(QColor(192, 192, 192));
  } else {
    c.SetBrushColor(col == 0 ? QColor(0, 255, 255) : col == 1 ? ctx.infoBackground : QColor(Qt::white));
    c.SetFont(gridFont);
  }
  c.FillRect(r);
  c.TextRect(r.adjusted(0, 2, 0, 0), text, Qt::AlignHCenter | Qt::AlignTop);
}

}  // namespace corvina
