#include "platform/gui/Printer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMarginsF>
#include <QPageSize>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <array>
#include <cmath>

#include "platform/gui/Dialogs.h"

namespace corvina::gui {

namespace {

struct PaperCode {
  int code;
  QPageSize::PageSizeId id;
};
// The printing system's paper codes the program can name, with Qt's sizes for them.
constexpr std::array<PaperCode, 6> kPapers{{{1, QPageSize::Letter},
                                            {8, QPageSize::A3},
                                            {9, QPageSize::A4},
                                            {11, QPageSize::A5},
                                            {12, QPageSize::JisB4},
                                            {13, QPageSize::JisB5}}};

const PaperCode* FindPaper(int code) {
  for (const auto& p : kPapers)
    if (p.code == code) return &p;
  return nullptr;
}

// The paper code of a Qt size; 256 (a size of the user's own) for one without a code.
int PaperCodeOf(QPageSize::PageSizeId id) {
  for (const auto& p : kPapers)
    if (p.id == id) return p.code;
  return 256;
}

int MmToDots(double mm, int dpi) { return static_cast<int>(std::lround(mm / 25.4 * dpi)); }

// The file of the `job`th print job of a run (from 1) printed to `pdfFile`: that file itself for the first,
// then "out-2.pdf", "out-3.pdf" ... beside it.
QString PdfJobFile(const QString& pdfFile, int job) {
  if (job <= 1) return pdfFile;
  const QFileInfo file(pdfFile);
  const QString suffix = file.suffix().isEmpty() ? QString() : QLatin1Char('.') + file.suffix();
  const QString stem = file.fileName().chopped(suffix.size());
  return file.dir().filePath(stem + QLatin1Char('-') + QString::number(job) + suffix);
}

// The system's printer, or a PDF file standing in for one.
class QtPrinter : public PrinterDevice {
 public:
  explicit QtPrinter(const QString& pdfFile)
      : printer_(QPrinter::HighResolution), pdfFile_(pdfFile), pdf_(!pdfFile.isEmpty()) {
    if (pdf_) {
      printer_.setOutputFormat(QPrinter::PdfFormat);
      printer_.setOutputFileName(pdfFile);
      printer_.setResolution(RecordingPrinter::kDpi);
      printer_.setPageSize(QPageSize(QPageSize::A4));
      printer_.setPageOrientation(QPageLayout::Portrait);
      // The unprintable border of an ordinary office printer, so pages look as they would on paper.
      const double border = RecordingPrinter::kBorder * 25.4 / RecordingPrinter::kDpi;
      printer_.setPageMargins(QMarginsF(border, border, border, border), QPageLayout::Millimeter);
    }
  }
  ~QtPrinter() override { Abort(); }

  bool Installed() const override { return pdf_ || !QPrinterInfo::availablePrinterNames().isEmpty(); }
  void SetTitle(const QString& title) override { printer_.setDocName(title); }
  QString Title() const override { return printer_.docName(); }
  int DpiX() const override { return printer_.logicalDpiX(); }
  int DpiY() const override { return printer_.logicalDpiY(); }
  QSize PhysicalSize() const override { return printer_.paperRect(QPrinter::DevicePixel).toRect().size(); }
  QSize PageSize() const override { return printer_.pageRect(QPrinter::DevicePixel).toRect().size(); }
  QPoint PhysicalOffset() const override {
    return (printer_.pageRect(QPrinter::DevicePixel).topLeft() - printer_.paperRect(QPrinter::DevicePixel).topLeft())
        .toPoint();
  }
  int PaperSize() const override { return PaperCodeOf(printer_.pageLayout().pageSize().id()); }
  int Orientation() const override {
    return printer_.pageLayout().orientation() == QPageLayout::Landscape ? kLandscape : kPortrait;
  }
  void SetPaper(int paperSize, int orientation) override {
    CheckPrinter();
    if (const PaperCode* p = FindPaper(paperSize)) printer_.setPageSize(QPageSize(p->id));
    if (orientation == kPortrait) printer_.setPageOrientation(QPageLayout::Portrait);
    if (orientation == kLandscape) printer_.setPageOrientation(QPageLayout::Landscape);
  }

  void BeginDoc() override {
    CheckPrinter();
    if (printing_) throw PrinterError("印刷中です");
    // Each job of the run keeps a file of its own, as a printer keeps every sheet.
    if (pdf_) printer_.setOutputFileName(PdfJobFile(pdfFile_, pdfJobs_ + 1));
    if (!painter_.begin(&printer_)) throw PrinterError("印刷を開始できませんでした");
    if (pdf_) ++pdfJobs_;
    printing_ = true;
    canvas_ = std::make_unique<QtCanvas>(painter_);
    canvas_->SetFontResolution(DpiY());
    canvas_->SetPrintFaces(true);
  }
  void NewPage() override {
    CheckPrinter();
    if (!printing_) throw PrinterError("印刷が開始されていません");
    if (!printer_.newPage()) throw PrinterError("新しいページを開始できませんでした");
  }
  void EndDoc() override {
    if (!printing_) return;
    printing_ = false;
    canvas_.reset();
    painter_.end();
  }
  void Abort() override {
    if (!printing_) return;
    printing_ = false;
    canvas_.reset();
    printer_.abort();
    painter_.end();
  }
  bool Printing() const override { return printing_; }
  Canvas& PageCanvas() override {
    if (!canvas_) throw PrinterError("印刷が開始されていません");
    return *canvas_;
  }
  bool SetupDialog(QWidget* parent) override {
    QPrintDialog dialog(&printer_, parent);
    return dialog.exec() == QDialog::Accepted;
  }

 private:
  QPrinter printer_;  // before the painter, which must end before the printer goes
  QPainter painter_;
  std::unique_ptr<QtCanvas> canvas_;
  QString pdfFile_;
  bool pdf_;
  int pdfJobs_ = 0;  // jobs of the run printed to PDF files
  bool printing_ = false;
};

std::unique_ptr<PrinterDevice>& Current() {
  static std::unique_ptr<PrinterDevice> printer;
  return printer;
}

}  // namespace

void ShowPrinterError(QWidget* parent, const char* reason) {
  const QString text = QString::fromUtf8(reason);
  if (text == QString::fromUtf8(kNoPrinterMessage))
    ShowError(parent, text);
  else
    ShowError(parent, QStringLiteral("印刷できませんでした。\n") + text);
}

void PrinterDevice::CheckPrinter() const {
  if (!Installed()) throw PrinterError(kNoPrinterMessage);
}

PrinterDevice& Printer() {
  auto& current = Current();
  if (!current) {
    current = std::make_unique<QtPrinter>(qEnvironmentVariable("CORVINA_PRINT_PDF"));
    // A QPrinter must go before the application object does, not among the statics after it.
    qAddPostRoutine([] { Current().reset(); });
  }
  return *current;
}

std::unique_ptr<PrinterDevice> SetPrinter(std::unique_ptr<PrinterDevice> printer) {
  std::unique_ptr<PrinterDevice> previous = std::move(Current());
  Current() = std::move(printer);
  return previous;
}

void PrintJob(const QString& title, const std::function<void(PrinterDevice& printer)>& draw) {
  PrinterDevice& printer = Printer();
  printer.SetTitle(title);
  printer.BeginDoc();
  try {
    draw(printer);
    printer.EndDoc();
  } catch (...) {
    printer.Abort();
    throw;
  }
}

QSizeF PaperMillimetres(int paperSize) {
  const PaperCode* p = FindPaper(paperSize);
  return p ? QPageSize(p->id).size(QPageSize::Millimeter) : QSizeF();
}

QSize RecordingPrinter::PhysicalSize() const {
  const QSizeF mm = PaperMillimetres(paper_);
  const QSize dots(MmToDots(mm.width(), kDpi), MmToDots(mm.height(), kDpi));
  return orientation_ == kLandscape ? dots.transposed() : dots;
}

QSize RecordingPrinter::PageSize() const { return PhysicalSize() - QSize(2 * kBorder, 2 * kBorder); }

void RecordingPrinter::SetPaper(int paperSize, int orientation) {
  CheckPrinter();
  if (FindPaper(paperSize)) paper_ = paperSize;
  if (orientation == kPortrait || orientation == kLandscape) orientation_ = orientation;
}

void RecordingPrinter::BeginDoc() {
  CheckPrinter();
  if (printing_) throw PrinterError("印刷中です");
  events_.push_back(Event::BeginDoc);
  jobTitles_ << title_;
  pages_.clear();
  newPages_ = 0;
  printing_ = true;
  canvas_ = std::make_unique<RecordingCanvas>();
  canvas_->SetFontResolution(kDpi);
}

void RecordingPrinter::Complete() {
  pages_.push_back(canvas_->Ops());
  canvas_->Clear();
}

void RecordingPrinter::NewPage() {
  CheckPrinter();
  if (!printing_) throw PrinterError("印刷が開始されていません");
  if (++newPages_ == failNewPage_) throw PrinterError("新しいページを開始できませんでした");
  events_.push_back(Event::NewPage);
  Complete();
}

void RecordingPrinter::EndDoc() {
  if (!printing_) return;
  events_.push_back(Event::EndDoc);
  Complete();
  printing_ = false;
  canvas_.reset();
}

void RecordingPrinter::Abort() {
  if (!printing_) return;
  events_.push_back(Event::Abort);
  Complete();
  printing_ = false;
  canvas_.reset();
}

Canvas& RecordingPrinter::PageCanvas() {
  if (!canvas_) throw PrinterError("印刷が開始されていません");
  return *canvas_;
}

PrinterOverride::PrinterOverride() {
  auto printer = std::make_unique<RecordingPrinter>();
  printer_ = printer.get();
  previous_ = SetPrinter(std::move(printer));
}

PrinterOverride::~PrinterOverride() { SetPrinter(std::move(previous_)); }

}  // namespace corvina::gui
