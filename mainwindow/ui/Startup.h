#pragma once
// Start-up checks made before the main window exists, and the start-up itself.
#include <filesystem>
#include <memory>

namespace corvina {

class MainWindow;

inline constexpr const char* kNoJVLinkMessage =
    "JRA-VANのホームページより【JV-Link】を入手し、インストールしてください。";

// The presence test of the data service's client: its stand-in's root folder ($CORVINA_JVLINK_ROOT, else
// `appDir`/jvlink) exists. Without it the program beeps, says where to get JV-Link and ends: false.
bool CheckJVLinkPresent(const std::filesystem::path& appDir);

// The program's start-up once the application object exists: the splash window, the presence test, the main
// window made and shown. Null when start-up ended with a message instead; the program then ends.
std::unique_ptr<MainWindow> StartUp(const std::filesystem::path& appDir);

}  // namespace corvina
