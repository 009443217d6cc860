// The program's entry: the application object, then splash window, JV-Link presence test, main window and
// message loop.
#include <QFont>

#include "components/SettingsFile.h"
#include "mainwindow/ui/MainWindow.h"
#include "mainwindow/ui/Startup.h"
#include "platform/gui/Application.h"
#include "platform/gui/Fonts.h"

int main(int argc, char** argv) {
  corvina::gui::Application app(argc, argv);
  app.setApplicationName(QStringLiteral("corvina"));
  // Calendars, dates and the standard dialogs (file choosers, question boxes) in Japanese like the rest of the
  // program, whatever the system's locale.
  corvina::gui::SpeakJapanese();
  corvina::gui::InstallFontSubstitutions();
  app.setFont(corvina::gui::ProgramFont());

  const std::unique_ptr<corvina::MainWindow> form = corvina::StartUp(corvina::SettingsFile::ApplicationFolder());
  if (!form) return 1;
  return app.exec();
}
