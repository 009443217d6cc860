#include "components/ui/GridPrinter.h"

#include <QFont>
#include <algorithm>

#include "platform/gui/Printer.h"
#include "platform/gui/StringGrid.h"

namespace corvina {

namespace {

int MmToPixel(int mm, int dpi) { return static_cast<int>(mm / 25.4 * dpi); }

}  // namespace

// An item larger than a whole sheet starts no empty sheet before itself.
std::vector<int> SheetStarts(const std::vector<int>& sizes, int usable) {
  std::vector<int> starts;
  if (sizes.empty()) return starts;
  starts.push_back(0);
  int sum = 0;
  for (int i = 0; i < static_cast<int>(sizes.size()); ++i) {
    const int size = sizes[static_cast<size_t>(i)];
    if (sum + size <= usable || i == starts.back()) {
      sum += size;
    } else {
      starts.push_back(i);
      sum = size;
    }
  }
  return starts;
}

namespace {

// The items of sheet `page` (from 1): from its start to the one before the next sheet's start.
std::pair<int, int> SheetRange(const std::vector<int>& starts, int page, int count) {
  const int first = starts[static_cast<size_t>(page - 1)];
  const int last = page < static_cast<int>(starts.size()) ? starts[static_cast<size_t>(page)] - 1 : count - 1;
  return {first, last};
}

}  // namespace

GridPrinter::GridPrinter() = default;

int GridPrinter::MmToPixelX(int mm) const { return MmToPixel(mm, printerX_); }
int GridPrinter::MmToPixelY(int mm) const { return MmToPixel(mm, printerY_); }

void GridPrinter::CalcLayout() {
  rowStarts_.clear();
  colStarts_.clear();
  colWidths_.clear();
  if (!TargetGrid) return;
  gui::PrinterDevice& printer = gui::Printer();
  printerX_ = printer.DpiX();
  printerY_ = printer.DpiY();
  ratioX_ = static_cast<double>(printerX_) / TargetGrid->logicalDpiX();
  ratioY_ = static_cast<double>(printerY_) / TargetGrid->logicalDpiY();
  left_ = MmToPixelX(LeftMargin);
  right_ = MmToPixelX(RightMargin);
  top_ = MmToPixelY(TopMargin);
  bottom_ = MmToPixelY(BottomMargin);
  const QSize page = printer.PageSize();
  usableWidth_ = page.width() - left_ - right_;
  usableHeight_ = page.height() - top_ - bottom_;

  // A column is printed as wide as the grid's, scaled, or wider where a text needs it: the printer's face is not
  // the screen's, and a text that just fits its column on the screen may be wider on paper, where the next
  // column's rule would cut it. The text keeps the gap before it after it too.
  colWidths_.clear();
  for (int c = 0; c < TargetGrid->ColCount(); ++c) colWidths_.push_back(TargetGrid->ColWidth(c) * ratioX_);
  if (printer.Printing()) {
    gui::Canvas& canvas = printer.PageCanvas();
    SetupFont(canvas);
    const int gap = 2 * static_cast<int>(MojiLeft * ratioX_);
    for (int c = 0; c < TargetGrid->ColCount(); ++c)
      for (int r = 0; r < TargetGrid->RowCount(); ++r) {
        const QString text = TargetGrid->Cell(c, r);
        if (text.isEmpty()) continue;
        double& width = colWidths_[static_cast<size_t>(c)];
        width = std::max(width, static_cast<double>(canvas.TextExtent(text).width() + gap + 1));
      }
  }

  std::vector<int> heights, widths;
  for (int r = 0; r < TargetGrid->RowCount(); ++r)
    heights.push_back(static_cast<int>(TargetGrid->RowHeight(r) * ratioY_));
  for (double w : colWidths_) widths.push_back(static_cast<int>(w));
  rowStarts_ = SheetStarts(heights, usableHeight_);
  colStarts_ = SheetStarts(widths, usableWidth_);
}

void GridPrinter::Print() {
  if (!TargetGrid) return;
  CalcLayout();
  bool first = true;
  for (int c = 1; c <= static_cast<int>(colStarts_.size()); ++c) {
    for (int r = 1; r <= static_cast<int>(rowStarts_.size()); ++r) {
      if (!first) gui::Printer().NewPage();
      first = false;
      PrintPage(c, r);
    }
  }
}

void GridPrinter::SetupFont(gui::Canvas& canvas) const {
  canvas.SetPenColor(Qt::black);
  canvas.SetBrushClear(true);
  QFont font = TargetGrid->font();
  // A font given in pixels is measured on the screen; in points it keeps its size on paper.
  if (font.pointSizeF() <= 0) font.setPointSizeF(font.pixelSize() * 72.0 / TargetGrid->logicalDpiY());
  canvas.SetFont(font);
  canvas.SetFontColor(Qt::black);
}

void GridPrinter::PrintPage(int colPage, int rowPage) {
  gui::Canvas& canvas = gui::Printer().PageCanvas();
  const int dx = static_cast<int>(MojiLeft * ratioX_);
  const int dy = static_cast<int>(MojiTop * ratioY_);
  SetupFont(canvas);
  if (OnBeginPage) OnBeginPage(*this);
  SetupFont(canvas);  // the handler may have changed the font for its title; the cells keep the grid's

  const auto [firstRow, lastRow] = SheetRange(rowStarts_, rowPage, TargetGrid->RowCount());
  const auto [firstCol, lastCol] = SheetRange(colStarts_, colPage, TargetGrid->ColCount());
  // Positions keep their fractions from cell to cell so rounding never adds up along a row or column.
  double y = top_;
  for (int r = firstRow; r <= lastRow; ++r) {
    double x = left_;
    const double h = TargetGrid->RowHeight(r) * ratioY_;
    for (int c = firstCol; c <= lastCol; ++c) {
      const double w = colWidths_[static_cast<size_t>(c)];
      const int left = static_cast<int>(x), top = static_cast<int>(y);
      const int right = left + static_cast<int>(w), bottom = static_cast<int>(y + h);
      const QString text = TargetGrid->Cell(c, r);
      if (!text.isEmpty())
        canvas.TextRect(QRect(QPoint(left + dx, top + dy), QPoint(right - 1, bottom - 1)), text,
                        Qt::AlignLeft | Qt::AlignTop);
      // One pixel wider and higher than the cell, so neighbouring frames share their edges.
      canvas.FrameRect(
          QRect(QPoint(left, top), QPoint(static_cast<int>(x + w + 1) - 1, static_cast<int>(y + h + 1) - 1)));
      x += w;
    }
    y += h;
  }
  if (OnEndPage) OnEndPage(*this);
}

}  // namespace corvina
