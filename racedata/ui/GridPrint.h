#pragma once
// Printing a schedule window's grid as one print job titled after the window.
#include "components/ui/GridPrinter.h"

class QWidget;

namespace corvina {

// Prints `grid` through `printer` (its page handlers add the headings) in a job named after `owner`'s title. A
// printer that fails is reported over `owner`; nothing is thrown.
void PrintGridJob(QWidget* owner, GridPrinter& printer, gui::StringGrid* grid);

}  // namespace corvina
