#include "components/ui/PrevX.h"

#include <QPainter>
#include <QPaintEvent>
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

void ReplayPage(const TPrevPage& page, gui::Canvas& target) {
  for (const TPrevOp& op : page.ops) {
    target.SetFont(op.font);
    target.SetFontColor(op.fontColor);
    target.SetBrushColor(op.brush);
    target.SetBrushClear(op.brushClear);
    target.SetPenColor(op.pen);
    target.SetPenWidth(op.penWidth);
    switch (op.kind) {
      case TPrevOp::Kind::Fill: target.FillRect(op.rect); break;
      case TPrevOp::Kind::Text: target.TextOut(op.from.x(), op.from.y(), op.text); break;
      case TPrevOp::Kind::TextRect: target.TextRect(op.rect, op.text, op.alignment); break;
      case TPrevOp::Kind::TextRotated: target.TextOutRotated(op.from.x(), op.from.y(), op.text, op.degrees); break;
      case TPrevOp::Kind::Line:
        target.MoveTo(op.from.x(), op.from.y());
        target.LineTo(op.to.x(), op.to.y());
        break;
      case TPrevOp::Kind::Frame: target.FrameRect(op.rect); break;
    }
  }
}

TPrevOp TPrevCanvas::Op(TPrevOp::Kind kind) const {
  TPrevOp op;
  op.kind = kind;
  op.font = Font();
  op.fontColor = FontColor();
  op.brush = BrushColor();
  op.brushClear = BrushClear();
  op.pen = PenColor();
  op.penWidth = PenWidth();
  return op;
}

void TPrevCanvas::Add(const TPrevOp& op) {
  if (page_) page_->ops.push_back(op);
}

void TPrevCanvas::FillRect(const QRect& r) {
  TPrevOp op = Op(TPrevOp::Kind::Fill);
  op.rect = r;
  Add(op);
}

void TPrevCanvas::TextOut(int x, int y, const QString& text) {
  TPrevOp op = Op(TPrevOp::Kind::Text);
  op.from = QPoint(x, y);
  op.text = text;
  Add(op);
}

void TPrevCanvas::TextRect(const QRect& r, const QString& text, int alignment) {
  TPrevOp op = Op(TPrevOp::Kind::TextRect);
  op.rect = r;
  op.text = text;
  op.alignment = alignment;
  Add(op);
}

void TPrevCanvas::TextOutRotated(int x, int y, const QString& text, int degrees) {
  TPrevOp op = Op(TPrevOp::Kind::TextRotated);
  op.from = QPoint(x, y);
  op.text = text;
  op.degrees = degrees;
  Add(op);
}

void TPrevCanvas::LineTo(int x, int y) {
  TPrevOp op = Op(TPrevOp::Kind::Line);
  op.from = penPos_;
  op.to = QPoint(x, y);
  Add(op);
  penPos_ = QPoint(x, y);
}

void TPrevCanvas::FrameRect(const QRect& r) {
  TPrevOp op = Op(TPrevOp::Kind::Frame);
  op.rect = r;
  Add(op);
}

TPrevX::TPrevX(QWidget* parent) : QWidget(parent), canvas_(std::make_unique<TPrevCanvas>(nullptr)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

TPrevX::~TPrevX() = default;

void TPrevX::SetZoomScale(int n) {
  if (n == zoomScale_ || n < 25 || n > 200) return;
  zoomScale_ = n;
  Relayout();
}

void TPrevX::SetPageNo(int n) {
  if (n == pageNo_ || n < 1 || n > PageCount()) return;
  pageNo_ = n;
  update();
}

void TPrevX::SetPrintFrom(int n) {
  if (n != printFrom_ && n >= 1 && n <= PageCount()) printFrom_ = n;
}

void TPrevX::SetPrintTo(int n) {
  if (n != printTo_ && n >= 1) printTo_ = n;
}

void TPrevX::CheckPrinter() const {
  if (!gui::Printer().Installed()) throw EPrevError(gui::kNoPrinterMessage);
}

int TPrevX::ScreenDpi() const { return screenDpi_ > 0 ? screenDpi_ : logicalDpiY(); }

void TPrevX::CalcPageMetrics() {
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

void TPrevX::OpenPage() {
  pages_.push_back(TPrevPage{gui::Printer().PageSize(), {}});
  canvas_ = std::make_unique<TPrevCanvas>(&pages_.back());
  canvas_->SetFontResolution(dpiY_);
}

void TPrevX::ClosePage() {
  // The open canvas points into the page list, which is about to grow or go.
  canvas_ = std::make_unique<TPrevCanvas>(nullptr);
}

void TPrevX::BeginDoc() {
  CalcPageMetrics();
  pageNo_ = 1;
  printFrom_ = 1;
  printTo_ = 9999;
  ClosePage();
  pages_.clear();
  OpenPage();
}

void TPrevX::NewPage() {
  CheckPrinter();
  ClosePage();
  OpenPage();
}

void TPrevX::EndDoc() {
  ClosePage();
  Relayout();
}

gui::Canvas& TPrevX::PageCanvas() { return *canvas_; }

int TPrevX::ToDevice(int units, int dpi) const {
  const long long product = static_cast<long long>(units) * dpi;
  return static_cast<int>(MapMode == TPrevMapModes::pmmHi ? RoundDiv(product, 254) : RoundDiv(product * 10, 254));
}

int TPrevX::XToDevice(int x) const { return ToDevice(x + MarginLeft, dpiX_); }
int TPrevX::YToDevice(int y) const { return ToDevice(y + MarginTop, dpiY_); }

int TPrevX::SizeToDevice(int size) const {
  const long long v = RoundDiv(static_cast<long long>(size) * dpiY_, static_cast<long long>(ScreenDpi()) * 10);
  return static_cast<int>(std::max(1LL, v));
}

void TPrevX::TextOut(int x, int y, const QString& text) { canvas_->TextOut(XToDevice(x), YToDevice(y), text); }
void TPrevX::MoveTo(int x, int y) { canvas_->MoveTo(XToDevice(x), YToDevice(y)); }
void TPrevX::LineTo(int x, int y) { canvas_->LineTo(XToDevice(x), YToDevice(y)); }

void TPrevX::Rectangle(int x1, int y1, int x2, int y2) {
  // The right and bottom edges are excluded, as the platform's rectangles have them.
  const QRect r(QPoint(XToDevice(x1), YToDevice(y1)), QPoint(XToDevice(x2) - 1, YToDevice(y2) - 1));
  if (!canvas_->BrushClear()) canvas_->FillRect(r);
  canvas_->FrameRect(r);
}

void TPrevX::Print() {
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

void TPrevX::SetPaper(int paperSize, int orientation) {
  CheckPrinter();
  gui::Printer().SetPaper(paperSize, orientation);
  Relayout();
}

void TPrevX::Relayout() {
  try {
    CalcPageMetrics();
  } catch (const EPrevError&) {
  }
  if (geometry_.physWidth > 0) resize(sizeHint());
  updateGeometry();
  update();
}

QSize TPrevX::sizeHint() const {
  return {geometry_.physWidth + 2 * kSheetGap, geometry_.physHeight + 2 * kSheetGap};
}

void TPrevX::paintEvent(QPaintEvent*) {
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
                         static_cast<int>(RoundDiv(2970 * num, 254 * 100)), 0, 0, 0, 0};
  }
  if (sizeHint() != size()) {
    // Not inside painting: the new size comes as its own event.
    QTimer::singleShot(0, this, [this] { resize(sizeHint()); updateGeometry(); });
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
  const TPrevPage& page = pages_[static_cast<size_t>(pageNo_ - 1)];
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
