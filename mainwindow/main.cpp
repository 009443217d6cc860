// The program's entry: splash window, JV-Link presence test, main window, message loop.
#include <QFont>
#include <QTimer>

#include "components/IniGT.h"
#include "mainwindow/MainForm.h"
#include "mainwindow/SplashForm.h"
#include "mainwindow/Startup.h"
#include "platform/gui/Application.h"
#include "platform/gui/Fonts.h"

int main(int argc, char** argv) {
  corvina::gui::Application app(argc, argv);
  app.setApplicationName(QStringLiteral("corvina"));
  app.setApplicationDisplayName(QStringLiteral("コルヴィナ"));
  corvina::gui::InstallFontSubstitutions();
  QFont font(corvina::gui::kPGothic);
  font.setPointSize(9);
  app.setFont(font);

  auto* splash = new corvina::TSplashForm;
  splash->show();
  app.processEvents();

  const std::filesystem::path appDir = corvina::TIniGT::ApplicationFolder();
  if (!corvina::CheckJVLinkPresent(appDir)) {
    splash->close();
    return 1;
  }

  corvina::TMainForm form(appDir);
  if (form.CreateFailed()) {
    splash->close();
    return 1;
  }
  form.show();
  // The splash goes once the main window is up, also where the window manager never activates it.
  QTimer::singleShot(1500, splash, &QWidget::close);
  return app.exec();
}
