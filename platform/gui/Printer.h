#pragma once
// The program's one printer, as the windows print: a print job is begun, pages are drawn on the page canvas in
// printer pixels with the origin at the printable area's top-left corner, new pages are started, and the job is
// ended. Paper and orientation use the printing system's codes (9 is A4, 1 portrait, 2 landscape).
//
// Three devices stand behind it: the system's printer (QPrinter), PDF files when CORVINA_PRINT_PDF names one
// (so a person can look at the pages without a printer: the run's first job goes to that file, the second to
// "name-2.pdf", and so on), and RecordingPrinter, a 600-dpi A4 sheet that keeps what was drawn on each page for
// tests.
#include <QPoint>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include "platform/gui/Canvas.h"

class QWidget;

namespace corvina::gui {

// A printer that is missing or refuses an operation; what() is the text to show (UTF-8).
class PrinterError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The message of a system without a printer.
inline const char* const kNoPrinterMessage = "プリンタが登録されていません";

// Tells the user in an error box that printing (or a printer setting) failed: a missing printer always in the
// one text kNoPrinterMessage, any other `reason` (UTF-8, the text of what was raised) after "印刷できませんでした。".
void ShowPrinterError(QWidget* parent, const char* reason);

inline constexpr int kPaperA4 = 9;
inline constexpr int kPortrait = 1;
inline constexpr int kLandscape = 2;

class PrinterDevice {
 public:
  virtual ~PrinterDevice() = default;

  // Returns true when the system has a printer to print on.
  virtual bool Installed() const = 0;
  // Raises PrinterError kNoPrinterMessage when no printer is installed.
  void CheckPrinter() const;

  // The title the next job is given (the name the print queue shows).
  virtual void SetTitle(const QString& title) = 0;
  virtual QString Title() const = 0;

  // Resolution in dots per inch.
  virtual int DpiX() const = 0;
  virtual int DpiY() const = 0;
  // The whole sheet, the printable area and the printable area's offset on the sheet, in printer pixels.
  virtual QSize PhysicalSize() const = 0;
  virtual QSize PageSize() const = 0;
  virtual QPoint PhysicalOffset() const = 0;

  virtual int PaperSize() const = 0;
  virtual int Orientation() const = 0;
  // Sets the paper and orientation; a paper code the device does not know leaves the paper as it is. Raises
  // when no printer is installed.
  virtual void SetPaper(int paperSize, int orientation) = 0;

  // The job. BeginDoc raises when no printer is installed or the device cannot start; NewPage raises when the
  // device refuses the page. After a failure the caller calls Abort, which ends the job without printing it
  // (a job never begun is left alone).
  virtual void BeginDoc() = 0;
  virtual void NewPage() = 0;
  virtual void EndDoc() = 0;
  virtual void Abort() = 0;
  virtual bool Printing() const = 0;
  // The current page's canvas, its font resolution the printer's; only between BeginDoc and EndDoc (raises
  // otherwise).
  virtual Canvas& PageCanvas() = 0;

  // The printing system's setup dialog for this printer; true when the user accepted it.
  virtual bool SetupDialog(QWidget* parent) = 0;
};

// The program-wide printer: the one installed by SetPrinter, else the system's (a PDF file when
// CORVINA_PRINT_PDF is set), made on first use.
PrinterDevice& Printer();
// Replaces the program-wide printer and returns the one it replaced (nullptr when it was the default, not yet
// made); nullptr brings back the default.
std::unique_ptr<PrinterDevice> SetPrinter(std::unique_ptr<PrinterDevice> printer);

// One job on the program-wide printer: title, begin, `draw`, end. When anything raises, the job is aborted, so
// nothing half-drawn is printed, and the exception goes on to the caller, which says what went wrong.
void PrintJob(const QString& title, const std::function<void(PrinterDevice& printer)>& draw);

// A 600-dpi sheet (A4 portrait at first) with a fixed unprintable border, keeping each page's drawing.
class RecordingPrinter : public PrinterDevice {
 public:
  enum class Event { BeginDoc, NewPage, EndDoc, Abort };
  static constexpr int kDpi = 600;
  static constexpr int kBorder = 100;  // printer pixels of unprintable border on every side

  bool Installed() const override { return installed_; }
  void SetInstalled(bool on) { installed_ = on; }
  void SetTitle(const QString& title) override { title_ = title; }
  QString Title() const override { return title_; }
  int DpiX() const override { return kDpi; }
  int DpiY() const override { return kDpi; }
  QSize PhysicalSize() const override;
  QSize PageSize() const override;
  QPoint PhysicalOffset() const override { return {kBorder, kBorder}; }
  int PaperSize() const override { return paper_; }
  int Orientation() const override { return orientation_; }
  void SetPaper(int paperSize, int orientation) override;
  void BeginDoc() override;
  void NewPage() override;
  void EndDoc() override;
  void Abort() override;
  bool Printing() const override { return printing_; }
  Canvas& PageCanvas() override;
  bool SetupDialog(QWidget*) override { return setupAnswer_; }
  void SetSetupAnswer(bool accept) { setupAnswer_ = accept; }

  // The `n`th NewPage of a job (from 1) raises, as a printer that runs out of memory does; 0 never.
  void FailNewPage(int n) { failNewPage_ = n; }

  const std::vector<Event>& Events() const { return events_; }
  // The pages of the last job, completed or not; an aborted job keeps what it drew.
  const std::vector<std::vector<CanvasOp>>& Pages() const { return pages_; }
  // The titles jobs were begun with.
  const QStringList& JobTitles() const { return jobTitles_; }

 private:
  void Complete();

  bool installed_ = true, printing_ = false, setupAnswer_ = true;
  int paper_ = kPaperA4, orientation_ = kPortrait;
  int failNewPage_ = 0, newPages_ = 0;
  QString title_;
  QStringList jobTitles_;
  std::vector<Event> events_;
  std::vector<std::vector<CanvasOp>> pages_;
  std::unique_ptr<RecordingCanvas> canvas_;
};

// For tests: installs a RecordingPrinter as the program-wide printer while it lives.
class PrinterOverride {
 public:
  PrinterOverride();
  ~PrinterOverride();
  PrinterOverride(const PrinterOverride&) = delete;
  PrinterOverride& operator=(const PrinterOverride&) = delete;
  RecordingPrinter& operator*() { return *printer_; }
  RecordingPrinter* operator->() { return printer_; }

 private:
  RecordingPrinter* printer_;
  std::unique_ptr<PrinterDevice> previous_;
};

// The millimetre size of a paper code, or an empty size for a code not known.
QSizeF PaperMillimetres(int paperSize);

}  // namespace corvina::gui
