#pragma once
// A window's place and size in the settings file: the keys left, top, width and height of one section, read when
// the window opens and written when it closes.
#include <string>

#include "components/SettingsFile.h"
#include "platform/gui/WindowBounds.h"

class QWidget;

namespace corvina {

gui::StoredBounds ReadWindowBounds(const SettingsFile& settings, const std::string& section,
                                   const gui::StoredBounds& defaults);

// Keeping the bounds is a convenience: a settings file that cannot take them is reported over `window`, and the
// window closes all the same.
void StoreWindowBounds(QWidget& window, SettingsFile& settings, const std::string& section,
                       const gui::StoredBounds& bounds);

}  // namespace corvina
