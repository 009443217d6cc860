#include "components/ui/PrintPreview.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>

#include "platform/gui/Printer.h"

namespace corvina {

namespace {

// num / den to the nearest integer, halves away from zero (den > 0), with no floating point in between.
long long RoundDiv(long long num, long long den) {
  return num >= 0 ? (2 * num + den) / (2 * den) : -((2 * -num + den) / (2 * den));
}

constexpr int kSheetGap = 10;  // screen pixels around the sheet

}  // namespace

void ReplayPage(const PreviewPage& page, gui::Canvas& target) {
  for (const PreviewOp& op : page.ops) {
    target.SetFont(op.font);
    target.SetFontColor(op.fontColor);
    target.SetBrushColor(op.brush);
    target.SetBrushClear(op.brushClear);
    target.SetPenColor(op.pen);
    target.SetPenWidth(op.penWidth);
    switch (op.kind) {
      case PreviewOp::Kind::Fill: target.FillRect(op.rect); break;
      case PreviewOp::Kind::Text: target.TextOut(op.from.x(), op.from.y(), op.text); break;
      case PreviewOp::Kind::TextRect: target.TextRect(op.rect, op.text, op.alignment); break;
      case PreviewOp::Kind::TextRotated: target.TextOutRotated(op.from.x(), op.from.y(), op.text, op.degrees); break;
      case PreviewOp::Kind::Line:
        target.MoveTo(op.from.x(), op.from.y());
        target.LineTo(op.to.x(), op.to.y());
        break;
      case PreviewOp::Kind::Frame: target.FrameRect(op.rect); break;
    }
  }
}

PreviewOp PreviewCanvas::Op(PreviewOp::Kind kind) const {
  PreviewOp op;
  op.kind = kind;
  op.font = Font();
  op.fontColor = FontColor();
  op.brush = BrushColor();
  op.brushClear = BrushClear();
  op.pen = PenColor();
  op.penWidth = PenWidth();
  return op;
}

void PreviewCanvas::Add(const PreviewOp& op) {
  if (page_) page_->ops.push_back(op);
}

void PreviewCanvas::FillRect(const QRect& r) {
  PreviewOp op = Op(PreviewOp::Kind::Fill);
  op.rect = r;
  Add(op);
}

void PreviewCanvas::TextOut(int x, int y, const QString& text) {
  PreviewOp op = Op(PreviewOp::Kind::Text);
  op.from = QPoint(x, y);
  op.text = text;
  Add(op);
}

void PreviewCanvas::TextRect(const QRect& r, const QString& text, int alignment) {
  PreviewOp op = Op(PreviewOp::Kind::TextRect);
  op.rect = r;
  op.text = text;
  op.alignment = alignment;
  Add(op);
}

void PreviewCanvas::TextOutRotated(int x, int y, const QString& text, int degrees) {
  PreviewOp op = Op(PreviewOp::Kind::TextRotated);
  op.from = QPoint(x, y);
  op.text = text;
  op.degrees = degrees;
  Add(op);
}

void PreviewCanvas::LineTo(int x, int y) {
  PreviewOp op = Op(PreviewOp::Kind::Line);
  op.from = penPos_;
  op.to = QPoint(x, y);
  Add(op);
  penPos_ = QPoint(x, y);
}

void PreviewCanvas::FrameRect(const QRect& r) {
  PreviewOp op = Op(PreviewOp::Kind::Frame);
  op.rect = r;
  Add(op);
}

PrintPreview::PrintPreview(QWidget* parent) : QWidget(parent), canvas_(std::make_unique<PreviewCanvas>(nullptr)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

PrintPreview::~PrintPreview() = default;

void PrintPreview::SetZoomScale(int n) {
  if (n == zoomScale_ || n < 25 || n > 200) return;
  zoomScale_ = n;
  Relayout();
}

void PrintPreview::SetPageNo(int n) {
  if (n == pageNo_ || n < 1 || n > PageCount()) return;
  pageNo_ = n;
  update();
}

void PrintPreview::SetPrintFrom(int n) {
  if (n != printFrom_ && n >= 1 && n <= PageCount()) printFrom_ = n;
}

void PrintPreview::SetPrintTo(int n) {
  if (n != printTo_ && n >= 1) printTo_ = n;
}

void PrintPreview::CheckPrinter() const {
  if (!gui::Printer().Installed()) throw PreviewPrinterError(gui::kNoPrinterMessage);
}

int PrintPreview::ScreenDpi() const { return screenDpi_ > 0 ? screenDpi_ : logicalDpiY(); }

void PrintPreview::CalcPageMetrics() {
  CheckPrinter();
  gui::PrinterDevice& printer = gui::Printer();
  dpiX_ = printer.DpiX();
  dpiY_ = printer.DpiY();
  const long long num = static_cast<long long>(ScreenDpi()) * zoomScale_;
  const long long den = static_cast<long long>(dpiY_) * 100;
  auto scale = [&](int v) { return static_cast<int>(RoundDiv(v * num, den)); };
  geometry_.physWidth = scale(printer.PhysicalSize().width());
  geometry_.physHeight = scale(printer.PhysicalSize().height());
  geometry_.offsetX = scale(printer.PhysicalOffset().x());
  geometry_.offsetY = scale(printer.PhysicalOffset().y());
  geometry_.width = scale(printer.PageSize().width());
  geometry_.height = scale(printer.PageSize().height());
}

void PrintPreview::OpenPage() {
  pages_.push_back(PreviewPage{gui::Printer().PageSize(), {}});
  canvas_ = std::make_unique<PreviewCanvas>(&pages_.back());
  canvas_->SetFontResolution(dpiY_);
}

void PrintPreview::ClosePage() {
  // The open canvas points into the page list, which is about to grow or go.
  canvas_ = std::make_unique<PreviewCanvas>(nullptr);
}

void PrintPreview::BeginDoc() {
  CalcPageMetrics();
  pageNo_ = 1;
  printFrom_ = 1;
  printTo_ = 9999;
  ClosePage();
  pages_.clear();
  OpenPage();
}

void PrintPreview::NewPage() {
  CheckPrinter();
  ClosePage();
  OpenPage();
}

void PrintPreview::EndDoc() {
  ClosePage();
  Relayout();
}

gui::Canvas& PrintPreview::PageCanvas() { return *canvas_; }

int PrintPreview::ToDevice(int units, int dpi) const {
  const long long product = static_cast<long long>(units) * dpi;
  return static_cast<int>(MapMode == PreviewMapMode::TenthMillimetres ? RoundDiv(product, 254)
                                                                      : RoundDiv(product * 10, 254));
}

int PrintPreview::XToDevice(int x) const { return ToDevice(x + MarginLeft, dpiX_); }
int PrintPreview::YToDevice(int y) const { return ToDevice(y + MarginTop, dpiY_); }

int PrintPreview::SizeToDevice(int size) const {
  const long long v = RoundDiv(static_cast<long long>(size) * dpiY_, static_cast<long long>(ScreenDpi()) * 10);
  return static_cast<int>(std::max(1LL, v));
}

void PrintPreview::TextOut(int x, int y, const QString& text) { canvas_->TextOut(XToDevice(x), YToDevice(y), text); }
void PrintPreview::MoveTo(int x, int y) { canvas_->MoveTo(XToDevice(x), YToDevice(y)); }
void PrintPreview::LineTo(int x, int y) { canvas_->LineTo(XToDevice(x), YToDevice(y)); }

void PrintPreview::Rectangle(int x1, int y1, int x2, int y2) {
  // The right and bottom edges are excluded, as the platform's rectangles have them.
  const QRect r(QPoint(XToDevice(x1), YToDevice(y1)), QPoint(XToDevice(x2) - 1, YToDevice(y2) - 1));
  if (!canvas_->BrushClear()) canvas_->FillRect(r);
  canvas_->FrameRect(r);
}

void PrintPreview::Print() {
  CheckPrinter();
  // A document without pages is not a job: nothing would come out but an empty sheet.
  if (pages_.empty() || printFrom_ > PageCount()) return;
  const int last = std::min(PageCount(), printTo_);
  gui::PrintJob(Title, [&](gui::PrinterDevice& printer) {
    for (int p = printFrom_;; ++p) {
      ReplayPage(pages_[static_cast<size_t>(p - 1)], printer.PageCanvas());
      if (p >= last) break;
      printer.NewPage();
    }
  });
}

void PrintPreview::SetPaper(int paperSize, int orientation) {
  CheckPrinter();
  gui::Printer().SetPaper(paperSize, orientation);
  Relayout();
}

void PrintPreview::Relayout() {
  try {
    CalcPageMetrics();
  } catch (const PreviewPrinterError&) {
  }
  if (geometry_.physWidth > 0) resize(sizeHint());
  updateGeometry();
  update();
}

QSize PrintPreview::sizeHint() const {
  return {geometry_.physWidth + 2 * kSheetGap, geometry_.physHeight + 2 * kSheetGap};
}

void PrintPreview::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  bool printer = true;
  try {
    CalcPageMetrics();
  } catch (...) {
    // Without a printer there is no sheet to show; an A4 sheet stands empty, and painting never fails.
    printer = false;
    const long long num = static_cast<long long>(ScreenDpi()) * zoomScale_;
    geometry_ = Geometry{static_cast<int>(RoundDiv(2100 * num, 254 * 100)),
                         static_cast<int>(RoundDiv(2970 * num, 254 * 100)),
                         0,
                         0,
                         0,
                         0};
  }
  if (sizeHint() != size()) {
    // Not inside painting: the new size comes as its own event.
    QTimer::singleShot(0, this, [this] {
      resize(sizeHint());
      updateGeometry();
    });
  }
  const Geometry& g = geometry_;
  painter.setPen(QPen(Qt::black, 1, Qt::SolidLine));
  painter.setBrush(Qt::white);
  painter.drawRect(kSheetGap, kSheetGap, g.physWidth, g.physHeight);
  if (!printer) return;
  const QRect area(kSheetGap + g.offsetX, kSheetGap + g.offsetY, g.width, g.height);
  painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
  painter.drawRect(area);
  if (pageNo_ < 1 || pageNo_ > PageCount()) return;
  const PreviewPage& page = pages_[static_cast<size_t>(pageNo_ - 1)];
  if (page.size.isEmpty()) return;
  try {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setClipRect(area);
    painter.translate(area.topLeft());
    painter.scale(static_cast<double>(area.width()) / page.size.width(),
                  static_cast<double>(area.height()) / page.size.height());
    gui::QtCanvas canvas(painter);
    canvas.SetFontResolution(dpiY_);
    ReplayPage(page, canvas);
    painter.restore();
  } catch (...) {
    painter.restore();
  }
}

}  // namespace corvina
