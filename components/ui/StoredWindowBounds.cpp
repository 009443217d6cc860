#include "components/ui/StoredWindowBounds.h"

#include <QString>

#include "platform/gui/Dialogs.h"

namespace corvina {

gui::StoredBounds ReadWindowBounds(const SettingsFile& settings, const std::string& section,
                                   const gui::StoredBounds& defaults) {
  return {settings.ReadInteger(section, "left", defaults.left), settings.ReadInteger(section, "top", defaults.top),
          settings.ReadInteger(section, "width", defaults.width),
          settings.ReadInteger(section, "height", defaults.height)};
}

void StoreWindowBounds(QWidget& window, SettingsFile& settings, const std::string& section,
                       const gui::StoredBounds& bounds) {
  try {
    settings.WriteInteger(section, "top", bounds.top);
    settings.WriteInteger(section, "left", bounds.left);
    settings.WriteInteger(section, "width", bounds.width);
    settings.WriteInteger(section, "height", bounds.height);
  } catch (const SettingsFileError& e) {
    gui::ShowWarning(&window, QString::fromStdString(e.what()));
  }
}

}  // namespace corvina
