#pragma once
// The program's start-up: the splash window, the checks of mainwindow/StartupChecks with their messages, and the
// main window.
#include <filesystem>
#include <memory>

#include "mainwindow/StartupChecks.h"

namespace corvina {

class MainWindow;

// The presence test of the data service's client (JVLinkPresent) as start-up makes it: without JV-Link the
// program beeps, says where to get it and which folder was looked for (NoJVLinkMessage) and ends: false.
bool CheckJVLinkPresent(const std::filesystem::path& appDir);

// The program's start-up once the application object exists: the splash window, the presence test, the main
// window made and shown. Null when start-up ended with a message instead; the program then ends.
std::unique_ptr<MainWindow> StartUp(const std::filesystem::path& appDir);

}  // namespace corvina
