#include "mainwindow/StartupChecks.h"

#include "platform/jvlink/FileJVLink.h"

namespace corvina {

bool JVLinkPresent(const std::filesystem::path& appDir) { return FileJVLink::Present(FileJVLink::DefaultRoot(appDir)); }

}  // namespace corvina
