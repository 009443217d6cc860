#pragma once
// Start-up checks made before the main window exists.
#include <filesystem>

namespace corvina {

inline constexpr const char* kNoJVLinkMessage =
    "JRA-VANのホームページより【JV-Link】を入手し、インストールしてください。";

// The presence test of the data service's client: its stand-in's root folder ($CORVINA_JVLINK_ROOT, else
// `appDir`/jvlink) exists. Without it the program beeps, says where to get JV-Link and ends: false.
bool CheckJVLinkPresent(const std::filesystem::path& appDir);

}  // namespace corvina
