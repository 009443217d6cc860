#pragma once
// PrintPreview: a print preview. A document is recorded page by page as drawing lists in printer pixels of the
// printable area (positions given in physical page units of 0.1 mm or 1 mm from the printable area's corner),
// one page is shown at a time as a scaled picture of the sheet, and a range of pages is printed as one job on
// the program's printer.
#include <QFont>
#include <QSize>
#include <QString>
#include <QWidget>
#include <memory>
#include <stdexcept>
#include <vector>

#include "platform/gui/Canvas.h"

namespace corvina {

// A missing printer; what() is the text to show (UTF-8).
class PreviewPrinterError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Page units.
enum class PreviewMapMode { TenthMillimetres, Millimetres };

// One drawing call of a page with the canvas state it was made in.
struct PreviewOp {
  enum class Kind { Fill, Text, TextRect, TextRotated, Line, Frame };
  Kind kind = Kind::Text;
  QRect rect;       // Fill, TextRect, Frame
  QPoint from, to;  // Line; Text and TextRotated at `from`
  QString text;
  int alignment = 0;
  int degrees = 0;
  QFont font;
  QColor fontColor, brush, pen;
  bool brushClear = false;
  int penWidth = 1;
};

// A recorded page: its size (the printable area in printer pixels when it was begun) and its drawing.
struct PreviewPage {
  QSize size;
  std::vector<PreviewOp> ops;
};

// Draws a recorded page on `target` (whose font resolution should be the page's printer's).
void ReplayPage(const PreviewPage& page, gui::Canvas& target);

// The canvas of the page being recorded; one made without a page (no page open) records nothing.
class PreviewCanvas : public gui::Canvas {
 public:
  explicit PreviewCanvas(PreviewPage* page) : page_(page) {}

  void FillRect(const QRect& r) override;
  void TextOut(int x, int y, const QString& text) override;
  void TextRect(const QRect& r, const QString& text, int alignment) override;
  void TextOutRotated(int x, int y, const QString& text, int degrees) override;
  void LineTo(int x, int y) override;
  void FrameRect(const QRect& r) override;

 private:
  PreviewOp Op(PreviewOp::Kind kind) const;
  void Add(const PreviewOp& op);
  PreviewPage* page_;
};

class PrintPreview : public QWidget {
 public:
  explicit PrintPreview(QWidget* parent = nullptr);
  ~PrintPreview() override;

  QString Title;
  int MarginLeft = 0;  // page units added to every x
  int MarginTop = 0;   // page units added to every y
  PreviewMapMode MapMode = PreviewMapMode::TenthMillimetres;

  int ZoomScale() const { return zoomScale_; }
  void SetZoomScale(int n);  // 25..200; anything else is ignored
  int PageNo() const { return pageNo_; }
  void SetPageNo(int n);  // 1..PageCount; anything else is ignored
  int PageCount() const { return static_cast<int>(pages_.size()); }
  int PrintFrom() const { return printFrom_; }
  void SetPrintFrom(int n);  // 1..PageCount
  int PrintTo() const { return printTo_; }
  void SetPrintTo(int n);  // 1 and up

  // The document. BeginDoc and NewPage raise PreviewPrinterError without a printer and then record nothing.
  void BeginDoc();
  void NewPage();
  void EndDoc();
  // The open page's canvas; after EndDoc (or before BeginDoc) a canvas whose drawing is kept nowhere.
  gui::Canvas& PageCanvas();

  // Drawing in page units on the open page.
  void TextOut(int x, int y, const QString& text);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Rectangle(int x1, int y1, int x2, int y2);  // outlined with the pen, filled with the brush

  int XToDevice(int x) const;
  int YToDevice(int y) const;
  // Pen widths: 10 is one screen pixel's worth in printer pixels; never below 1.
  int SizeToDevice(int size) const;

  // Prints pages PrintFrom .. min(PageCount, PrintTo) as one job titled Title; nothing without a page. A
  // failure of the printer aborts the job and reaches the caller.
  void Print();
  // Paper and orientation in the printing system's codes (9 A4, 1 portrait).
  void SetPaper(int paperSize, int orientation);
  void CheckPrinter() const;
  // Reads the printer's resolution and sheet; raises PreviewPrinterError without a printer.
  void CalcPageMetrics();

  // Screen pixels per inch the sheet is shown at (the widget's own unless set, so tests are fixed).
  void SetScreenDpi(int dpi) { screenDpi_ = dpi; }
  int ScreenDpi() const;

  // The recorded page n (from 1), for whoever looks at the document without printing it.
  const PreviewPage& Page(int n) const { return pages_.at(static_cast<size_t>(n - 1)); }

  // Sheet geometry in screen pixels, as the last CalcPageMetrics left it.
  struct Geometry {
    int physWidth = 0, physHeight = 0, offsetX = 0, offsetY = 0, width = 0, height = 0;
  };
  const Geometry& SheetGeometry() const { return geometry_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void OpenPage();
  void ClosePage();
  int ToDevice(int units, int dpi) const;
  void Relayout();

  int zoomScale_ = 25;
  int pageNo_ = 1;
  int printFrom_ = 1;
  int printTo_ = 9999;
  int dpiX_ = 600, dpiY_ = 600;
  int screenDpi_ = 0;
  Geometry geometry_;
  std::vector<PreviewPage> pages_;
  std::unique_ptr<PreviewCanvas> canvas_;  // the open page's, or one without a page
};

}  // namespace corvina
