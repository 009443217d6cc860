#pragma once
// GridPrinter: prints the cells of a string grid on the program's printer, scaled from the grid's screen
// resolution to the printer's (a column widened where its text needs more room on paper), split into as many
// sheets as the grid needs (down the grid first, then across), every cell framed, with page events in which the
// owner draws its own titles. The caller owns the print job:
// it begins the job, calls Print and ends the job.
//
// Anything that goes wrong while laying out or drawing a sheet, in a page event or at the printer's new page
// leaves Print as an exception, so the caller can abort the job and say so instead of ending it as if it had
// printed.
#include <functional>
#include <vector>

namespace corvina::gui {
class Canvas;
class StringGrid;
}  // namespace corvina::gui

namespace corvina {

// The first item of each sheet, for rows (columns) of the given printed heights (widths): an item stays on the
// sheet while the sheet's sum stays within `usable`; one larger than a whole sheet gets a sheet of its own.
std::vector<int> SheetStarts(const std::vector<int>& sizes, int usable);

class GridPrinter {
 public:
  using NotifyEvent = std::function<void(GridPrinter& sender)>;

  GridPrinter();

  NotifyEvent OnBeginPage;  // at the start of each sheet, before its cells
  NotifyEvent OnEndPage;    // after the cells of each sheet
  int MojiTop = 2;          // text offset from the cell's top edge, screen pixels
  int MojiLeft = 2;         // text offset from the cell's left edge, screen pixels
  int LeftMargin = 10;      // millimetres
  int TopMargin = 10;
  int RightMargin = 5;
  int BottomMargin = 10;
  gui::StringGrid* TargetGrid = nullptr;

  // Prints every sheet into the job the caller has begun; nothing without a grid.
  void Print();
  // Millimetres in printer pixels (the integer part), at the resolution the last layout read.
  int MmToPixelX(int mm) const;
  int MmToPixelY(int mm) const;

  // The layout of the last Print (or CalcLayout): the first grid row (column) of each sheet row (column).
  const std::vector<int>& RowPageStarts() const { return rowStarts_; }
  const std::vector<int>& ColPageStarts() const { return colStarts_; }
  int PageTotal() const { return static_cast<int>(rowStarts_.size() * colStarts_.size()); }

  void CalcLayout();
  // One sheet; both numbers from 1.
  void PrintPage(int colPage, int rowPage);

 private:
  void SetupFont(gui::Canvas& canvas) const;

  int printerX_ = 0, printerY_ = 0;
  double ratioX_ = 1, ratioY_ = 1;
  int left_ = 0, right_ = 0, top_ = 0, bottom_ = 0;
  int usableWidth_ = 0, usableHeight_ = 0;
  std::vector<int> rowStarts_, colStarts_;
  std::vector<double> colWidths_;  // each column's printed width, in printer pixels
};

}  // namespace corvina
