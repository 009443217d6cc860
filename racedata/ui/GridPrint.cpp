#include "racedata/ui/GridPrint.h"

#include <QWidget>
#include <exception>

#include "platform/gui/Printer.h"

namespace corvina {

void PrintGridJob(QWidget* owner, GridPrinter& printer, gui::StringGrid* grid) {
  printer.TargetGrid = grid;
  try {
    gui::PrintJob(owner->windowTitle(), [&printer](gui::PrinterDevice&) { printer.Print(); });
  } catch (const std::exception& e) {
    gui::ShowPrinterError(owner, e.what());
  } catch (...) {
    gui::ShowPrinterError(owner, "");
  }
}

}  // namespace corvina
