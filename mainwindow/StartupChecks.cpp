#include "mainwindow/StartupChecks.h"

#include "platform/jvlink/FileJVLink.h"

namespace corvina {

std::string NoJVLinkMessage(const std::filesystem::path& appDir) {
  return std::string(kNoJVLinkMessage) +
         "\nJV-Linkのフォルダが見つかりません: " + FileJVLink::DefaultRoot(appDir).string() +
         "\n（別のフォルダは環境変数 CORVINA_JVLINK_ROOT で指定できます）";
}

bool JVLinkPresent(const std::filesystem::path& appDir) { return FileJVLink::Present(FileJVLink::DefaultRoot(appDir)); }

}  // namespace corvina
