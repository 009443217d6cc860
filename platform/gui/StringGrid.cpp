#include "platform/gui/StringGrid.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace corvina::gui {

StringGrid::StringGrid(QWidget* parent) : QAbstractScrollArea(parent) {
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  viewport()->setBackgroundRole(QPalette::Mid);
  Resize();
}

void StringGrid::Resize() {
  fixedCols_ = std::clamp(wantFixedCols_, 0, colCount_ - 1);
  fixedRows_ = std::clamp(wantFixedRows_, 0, rowCount_ - 1);
  colWidths_.resize(colCount_, defaultColWidth_);
  rowHeights_.resize(rowCount_, defaultRowHeight_);
  cells_.resize(rowCount_);
  for (auto& row : cells_)
    while (row.size() < colCount_) row.append(QString());
  for (auto& row : cells_)
    while (row.size() > colCount_) row.removeLast();
  topRow_ = std::clamp(topRow_, fixedRows_, std::max(fixedRows_, rowCount_ - 1));
  leftCol_ = std::clamp(leftCol_, fixedCols_, std::max(fixedCols_, colCount_ - 1));
  UpdateScrollBars();
  viewport()->update();
  updateGeometry();
}

void StringGrid::SetColCount(int n) {
  colCount_ = std::max(1, n);
  Resize();
}

void StringGrid::SetRowCount(int n) {
  rowCount_ = std::max(1, n);
  Resize();
}

void StringGrid::SetFixedCols(int n) {
  wantFixedCols_ = std::max(0, n);
  Resize();
}

void StringGrid::SetFixedRows(int n) {
  wantFixedRows_ = std::max(0, n);
  Resize();
}

void StringGrid::SetDefaultColWidth(int w) {
  defaultColWidth_ = w;
  std::fill(colWidths_.begin(), colWidths_.end(), w);
  Resize();
}

void StringGrid::SetDefaultRowHeight(int h) {
  defaultRowHeight_ = h;
  std::fill(rowHeights_.begin(), rowHeights_.end(), h);
  Resize();
}

int StringGrid::ColWidth(int col) const { return col >= 0 && col < colCount_ ? colWidths_[col] : 0; }

int StringGrid::RowHeight(int row) const { return row >= 0 && row < rowCount_ ? rowHeights_[row] : 0; }

void StringGrid::SetColWidth(int col, int w) {
  if (col < 0 || col >= colCount_) return;
  colWidths_[col] = w;
  Resize();
}

void StringGrid::SetRowHeight(int row, int h) {
  if (row < 0 || row >= rowCount_) return;
  rowHeights_[row] = h;
  Resize();
}

QString StringGrid::Cell(int col, int row) const {
  if (col < 0 || col >= colCount_ || row < 0 || row >= rowCount_) return {};
  return cells_[row][col];
}

void StringGrid::SetCell(int col, int row, const QString& text) {
  if (col < 0 || col >= colCount_ || row < 0 || row >= rowCount_) return;
  cells_[row][col] = text;
  viewport()->update();
}

QStringList StringGrid::Row(int row) const {
  if (row < 0 || row >= rowCount_) return {};
  return cells_[row];
}

void StringGrid::SetRow(int row, const QStringList& cells) {
  if (row < 0 || row >= rowCount_) return;
  for (int c = 0; c < colCount_; ++c) cells_[row][c] = c < cells.size() ? cells[c] : QString();
  viewport()->update();
}

void StringGrid::ClearColumn(int col, int firstRow) {
  for (int r = std::max(0, firstRow); r < rowCount_; ++r) SetCell(col, r, QString());
}

void StringGrid::SetSelection(const GridRect& r) {
  selection_ = r;
  viewport()->update();
}

void StringGrid::PaintCell(Canvas& canvas, int col, int row, const QRect& rect) {
  const bool fixed = col < fixedCols_ || row < fixedRows_;
  const bool selected = !fixed && !selection_.Empty() && row >= selection_.Top && row <= selection_.Bottom &&
                        col >= selection_.Left && col <= selection_.Right;
  const QPalette& pal = palette();
  canvas.SetFont(font());
  canvas.SetPenColor(Qt::black);
  if (fixed) {
    canvas.SetBrushColor(pal.color(QPalette::Button));
    canvas.SetFontColor(pal.color(QPalette::ButtonText));
  } else if (selected) {
    canvas.SetBrushColor(pal.color(QPalette::Highlight));
    canvas.SetFontColor(pal.color(QPalette::HighlightedText));
  } else {
    canvas.SetBrushColor(Qt::white);
    canvas.SetFontColor(Qt::black);
  }
  canvas.FillRect(rect);
  canvas.TextRect(rect.adjusted(2, 2, 0, 0), Cell(col, row), Qt::AlignLeft | Qt::AlignTop);
  // The hook starts from the grid's own font, as every cell does.
  canvas.SetFont(font());
  if (onDrawCell_) onDrawCell_(canvas, col, row, rect, CellState{fixed, selected});
}

int StringGrid::ColumnX(int col) const {
  const int lw = GridLineWidth();
  int x = 0;
  for (int c = 0; c < fixedCols_; ++c) {
    if (c == col) return x;
    x += colWidths_[c] + lw;
  }
  if (col < leftCol_) return -1;
  for (int c = leftCol_; c < colCount_; ++c) {
    if (c == col) return x;
    x += colWidths_[c] + lw;
  }
  return -1;
}

int StringGrid::RowY(int row) const {
  const int lw = GridLineWidth();
  int y = 0;
  for (int r = 0; r < fixedRows_; ++r) {
    if (r == row) return y;
    y += rowHeights_[r] + lw;
  }
  if (row < topRow_) return -1;
  for (int r = topRow_; r < rowCount_; ++r) {
    if (r == row) return y;
    y += rowHeights_[r] + lw;
  }
  return -1;
}

QRect StringGrid::CellRect(int col, int row) const {
  if (col < 0 || col >= colCount_ || row < 0 || row >= rowCount_) return {};
  const int x = ColumnX(col), y = RowY(row);
  if (x < 0 || y < 0) return {};
  return QRect(x, y, colWidths_[col], rowHeights_[row]);
}

bool StringGrid::CellAt(const QPoint& p, int& col, int& row) const {
  col = row = -1;
  for (int c = 0; c < colCount_; ++c) {
    const int x = ColumnX(c);
    if (x >= 0 && p.x() >= x && p.x() < x + colWidths_[c] + GridLineWidth()) col = c;
  }
  for (int r = 0; r < rowCount_; ++r) {
    const int y = RowY(r);
    if (y >= 0 && p.y() >= y && p.y() < y + rowHeights_[r] + GridLineWidth()) row = r;
  }
  return col >= 0 && row >= 0;
}

void StringGrid::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), QColor(192, 192, 192));
  QtCanvas canvas(painter);
  const int lw = GridLineWidth();
  const QSize area = viewport()->size();
  for (int r = 0; r < rowCount_; ++r) {
    const int y = RowY(r);
    if (y < 0 || y >= area.height()) continue;
    for (int c = 0; c < colCount_; ++c) {
      const int x = ColumnX(c);
      if (x < 0 || x >= area.width()) continue;
      const QRect rect(x, y, colWidths_[c], rowHeights_[r]);
      painter.save();
      // The cell may draw on its own grid lines (the bottom line of the race card), not on its neighbours.
      painter.setClipRect(rect.adjusted(0, 0, lw, lw));
      PaintCell(canvas, c, r, rect);
      painter.restore();
    }
  }
}

void StringGrid::UpdateScrollBars() {
  const int lw = GridLineWidth();
  int fixedH = 0, fixedW = 0;
  for (int r = 0; r < fixedRows_; ++r) fixedH += rowHeights_[r] + lw;
  for (int c = 0; c < fixedCols_; ++c) fixedW += colWidths_[c] + lw;
  // The furthest first row (column) that still shows the last one whole.
  int room = viewport()->height() - fixedH, maxTop = rowCount_ - 1;
  while (maxTop > fixedRows_ && room - (rowHeights_[maxTop] + lw) >= rowHeights_[maxTop - 1] + lw) {
    room -= rowHeights_[maxTop] + lw;
    --maxTop;
  }
  if (room >= rowHeights_[maxTop] + lw) maxTop = std::max(fixedRows_, maxTop);
  int total = fixedH;
  for (int r = fixedRows_; r < rowCount_; ++r) total += rowHeights_[r] + lw;
  if (total <= viewport()->height()) maxTop = fixedRows_;
  int roomW = viewport()->width() - fixedW, maxLeft = colCount_ - 1;
  while (maxLeft > fixedCols_ && roomW - (colWidths_[maxLeft] + lw) >= colWidths_[maxLeft - 1] + lw) {
    roomW -= colWidths_[maxLeft] + lw;
    --maxLeft;
  }
  int totalW = fixedW;
  for (int c = fixedCols_; c < colCount_; ++c) totalW += colWidths_[c] + lw;
  if (totalW <= viewport()->width()) maxLeft = fixedCols_;
  verticalScrollBar()->setRange(0, std::max(0, maxTop - fixedRows_));
  horizontalScrollBar()->setRange(0, std::max(0, maxLeft - fixedCols_));
  verticalScrollBar()->setPageStep(std::max(1, rowCount_ / 4));
  horizontalScrollBar()->setPageStep(1);
  topRow_ = fixedRows_ + verticalScrollBar()->value();
  leftCol_ = fixedCols_ + horizontalScrollBar()->value();
}

void StringGrid::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  UpdateScrollBars();
}

void StringGrid::scrollContentsBy(int, int) {
  topRow_ = fixedRows_ + verticalScrollBar()->value();
  leftCol_ = fixedCols_ + horizontalScrollBar()->value();
  viewport()->update();
}

void StringGrid::SelectFromPoint(const QPoint& p, bool extend) {
  int col, row;
  if (!CellAt(p, col, row) || row < fixedRows_ || col < 0) return;
  if (!extend || !rangeSelect_ || anchorRow_ < 0) anchorRow_ = row;
  GridRect sel;
  sel.Top = std::min(anchorRow_, row);
  sel.Bottom = std::max(anchorRow_, row);
  if (rowSelect_) {
    sel.Left = fixedCols_;
    sel.Right = colCount_ - 1;
  } else {
    sel.Left = sel.Right = std::max(col, fixedCols_);
  }
  SetSelection(sel);
}

void StringGrid::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) SelectFromPoint(e->position().toPoint(), false);
  QAbstractScrollArea::mousePressEvent(e);
}

void StringGrid::mouseMoveEvent(QMouseEvent* e) {
  if (e->buttons() & Qt::LeftButton) SelectFromPoint(e->position().toPoint(), true);
  QAbstractScrollArea::mouseMoveEvent(e);
}

void StringGrid::mouseReleaseEvent(QMouseEvent* e) {
  int col, row;
  if (e->button() == Qt::LeftButton && CellAt(e->position().toPoint(), col, row)) emit CellClicked(col, row);
  emit MouseUp();
  QAbstractScrollArea::mouseReleaseEvent(e);
}

QSize StringGrid::sizeHint() const {
  int w = 2 * frameWidth(), h = 2 * frameWidth();
  for (int c = 0; c < colCount_; ++c) w += colWidths_[c] + GridLineWidth();
  for (int r = 0; r < rowCount_; ++r) h += rowHeights_[r] + GridLineWidth();
  return QSize(std::min(w, 1400), std::min(h, 900));
}

QSize StringGrid::minimumSizeHint() const { return QSize(80, 60); }

}  // namespace corvina::gui
