#pragma once
// A grid of text cells with fixed (frozen) header rows and columns, per-column widths and per-row heights,
// row or range selection and an owner-draw hook: the grid first draws a cell plainly (fixed cells in the
// button colour, others white, the text at 2, 2), then hands the cell to the hook to paint it over.
#include <QAbstractScrollArea>
#include <QStringList>
#include <functional>
#include <vector>

#include "platform/gui/Canvas.h"

namespace corvina::gui {

// A cell range; all -1 when nothing is selected.
struct GridRect {
  int Left = -1, Top = -1, Right = -1, Bottom = -1;
  bool Empty() const { return Left < 0 || Top < 0; }
  bool operator==(const GridRect&) const = default;
};

struct CellState {
  bool Fixed = false;
  bool Selected = false;
};

class StringGrid : public QAbstractScrollArea {
  Q_OBJECT
 public:
  // Paints one cell. `rect` is the cell without its grid lines, in the canvas's coordinates.
  using DrawCellHook = std::function<void(Canvas& canvas, int col, int row, const QRect& rect, CellState state)>;

  explicit StringGrid(QWidget* parent = nullptr);

  int ColCount() const { return colCount_; }
  int RowCount() const { return rowCount_; }
  void SetColCount(int n);
  void SetRowCount(int n);
  int FixedCols() const { return fixedCols_; }
  int FixedRows() const { return fixedRows_; }
  void SetFixedCols(int n);
  void SetFixedRows(int n);

  void SetDefaultColWidth(int w);   // applies to every column
  void SetDefaultRowHeight(int h);  // applies to every row
  int ColWidth(int col) const;
  int RowHeight(int row) const;
  void SetColWidth(int col, int w);
  void SetRowHeight(int row, int h);
  int GridLineWidth() const { return 1; }

  // Cells outside the grid read as empty and ignore writes.
  QString Cell(int col, int row) const;
  void SetCell(int col, int row, const QString& text);
  QStringList Row(int row) const;
  void SetRow(int row, const QStringList& cells);
  // Empties every cell of `col` from `firstRow` to the last row.
  void ClearColumn(int col, int firstRow);

  // With row selection a click selects the whole row of non-fixed columns; with range selection dragging
  // extends the selection over rows.
  void SetRowSelect(bool on) { rowSelect_ = on; }
  void SetRangeSelect(bool on) { rangeSelect_ = on; }
  GridRect Selection() const { return selection_; }
  void SetSelection(const GridRect& r);

  void SetOnDrawCell(DrawCellHook hook) { onDrawCell_ = std::move(hook); }

  // Plain drawing and then the hook, onto any canvas (the window's painter or a recording one).
  void PaintCell(Canvas& canvas, int col, int row, const QRect& rect);
  // The cell's rectangle in the viewport; empty when scrolled out of view.
  QRect CellRect(int col, int row) const;
  // The cell at a viewport point; false outside every cell.
  bool CellAt(const QPoint& p, int& col, int& row) const;

  int TopRow() const { return topRow_; }
  int LeftCol() const { return leftCol_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  void MouseUp();
  void CellClicked(int col, int row);

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;

 private:
  void Resize();
  void UpdateScrollBars();
  int ColumnX(int col) const;  // -1 when not visible
  int RowY(int row) const;
  void SelectFromPoint(const QPoint& p, bool extend);

  int colCount_ = 5, rowCount_ = 5, fixedCols_ = 1, fixedRows_ = 1;
  // The fixed counts asked for; a grid with fewer rows (columns) shows fewer, and gets them back when it grows.
  int wantFixedCols_ = 1, wantFixedRows_ = 1;
  int defaultColWidth_ = 64, defaultRowHeight_ = 24;
  std::vector<int> colWidths_, rowHeights_;
  std::vector<QStringList> cells_;  // by row
  bool rowSelect_ = false, rangeSelect_ = false;
  GridRect selection_;
  int anchorRow_ = -1;
  int topRow_ = 1, leftCol_ = 1;
  DrawCellHook onDrawCell_;
};

}  // namespace corvina::gui
