#pragma once
// The checks start-up makes before the main window exists, apart from the splash window and the message boxes
// (mainwindow/ui/Startup), so they are checked without a window.
#include <filesystem>
#include <string>

namespace corvina {

// What start-up says when the data service's client is missing.
inline constexpr const char* kNoJVLinkMessage =
    "JRA-VANのホームページより【JV-Link】を入手し、インストールしてください。";

// The whole message, UTF-8: after kNoJVLinkMessage, the folder the presence test looked for, so that a user
// started by hand knows what to create, and how to name another.
std::string NoJVLinkMessage(const std::filesystem::path& appDir);

// The presence test of the data service's client: its stand-in's root folder ($CORVINA_JVLINK_ROOT, else
// `appDir`/jvlink) exists as a folder.
bool JVLinkPresent(const std::filesystem::path& appDir);

}  // namespace corvina
