#pragma once
// Record text (CP932 bytes) as the text a window shows: the one crossing from the data to Qt.
#include <QString>
#include <string>

#include "platform/Cp932.h"

namespace corvina::gui {

inline QString Q(const std::string& cp932) { return QString::fromStdString(FromCp932(cp932)); }

}  // namespace corvina::gui
