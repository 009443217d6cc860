#pragma once
// A window's place and size in the settings file, read when the window opens and written when it closes.
#include "components/SettingsFile.h"
#include "platform/gui/WindowBounds.h"

class QWidget;

namespace corvina {

gui::StoredBounds ReadWindowBounds(const SettingsFile& settings, const WindowBoundsSetting& keys);

// Keeping the bounds is a convenience: a settings file that cannot take them is reported over `window`, and the
// window closes all the same.
void StoreWindowBounds(QWidget& window, SettingsFile& settings, const WindowBoundsSetting& keys,
                       const gui::StoredBounds& bounds);

}  // namespace corvina
