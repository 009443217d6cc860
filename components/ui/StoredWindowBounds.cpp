#include "components/ui/StoredWindowBounds.h"

#include <QString>

#include "platform/gui/Dialogs.h"

namespace corvina {

gui::StoredBounds ReadWindowBounds(const SettingsFile& settings, const WindowBoundsSetting& keys) {
  return {settings.Read(keys.left), settings.Read(keys.top), settings.Read(keys.width), settings.Read(keys.height)};
}

void StoreWindowBounds(QWidget& window, SettingsFile& settings, const WindowBoundsSetting& keys,
                       const gui::StoredBounds& bounds) {
  try {
    settings.Write(keys.top, bounds.top);
    settings.Write(keys.left, bounds.left);
    settings.Write(keys.width, bounds.width);
    settings.Write(keys.height, bounds.height);
  } catch (const SettingsFileError& e) {
    gui::ShowWarning(&window, QString::fromStdString(e.what()));
  }
}

}  // namespace corvina
