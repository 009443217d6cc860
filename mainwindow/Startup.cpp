#include "mainwindow/Startup.h"

#include <QString>

#include "platform/gui/Dialogs.h"
#include "platform/jvlink/FileJVLink.h"

namespace corvina {

bool CheckJVLinkPresent(const std::filesystem::path& appDir) {
  if (FileJVLink::Present(FileJVLink::DefaultRoot(appDir))) return true;
  gui::MessageBeep(0);
  gui::ShowInformation(nullptr, QString::fromUtf8(kNoJVLinkMessage));
  return false;
}

}  // namespace corvina
