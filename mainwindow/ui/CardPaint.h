#pragma once
// Owner drawing of the race display's grids: the race card, the mean pair odds grid and the two pair-odds ranking
// grids. Cells are painted from the race records of the race shown; a row finds its horse through the horse
// number in column 1, so sorted rows paint correctly.
#include <QColor>
#include <QRect>
#include <QString>

#include "mainwindow/RaceViewText.h"
#include "platform/gui/Canvas.h"
#include "racedata/DayModel.h"

namespace corvina {

// What the painting needs besides the canvas and the cell: the day, the race slot shown and the platform's
// colours. The row's horse-number text comes with each cell.
struct CardPaintContext {
  const DayModel* day = nullptr;
  int slot = 0;
  QColor buttonFace;
  QColor infoBackground;
};

// A grid column's width in pixels (0: the grid's default) and its captions, UTF-8: the grid's own header text,
// which a copy of the card takes (nullptr: none), and the two lines painted over it.
struct ColumnCaption {
  int width;
  const char* cell;
  const char* first;
  const char* second;
};
const ColumnCaption& CardCaption(view::CardColumn column);
const ColumnCaption& MeanPairOddsCaption(view::MeanPairOddsColumn column);

// Frame (bracket) colours 1..8; an invalid frame gives no colour.
bool FrameColour(int frame, QColor& colour);

// `text` is the cell's own text (used for rows that name no horse); `horseText` the row's horse-number text.
void DrawRaceCardCell(gui::Canvas& canvas, const CardPaintContext& ctx, int col, int row, const QRect& rect,
                      const QString& text, const QString& horseText);
void DrawMeanPairOddsCell(gui::Canvas& canvas, const CardPaintContext& ctx, int col, int row, const QRect& rect,
                          const QString& text, const QString& horseText);
void DrawRankingCell(gui::Canvas& canvas, const CardPaintContext& ctx, int col, int row, const QRect& rect,
                     const QString& text, const QFont& gridFont);

}  // namespace corvina
