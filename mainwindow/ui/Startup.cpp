#include "mainwindow/ui/Startup.h"

#include <QCoreApplication>
#include <QPointer>
#include <QString>
#include <exception>

#include "mainwindow/ui/MainWindow.h"
#include "mainwindow/ui/SplashWindow.h"
#include "platform/gui/Application.h"
#include "platform/gui/Dialogs.h"

namespace corvina {

bool CheckJVLinkPresent(const std::filesystem::path& appDir) {
  if (JVLinkPresent(appDir)) return true;
  gui::MessageBeep(0);
  gui::ShowInformation(nullptr, QString::fromStdString(NoJVLinkMessage(appDir)));
  return false;
}

std::unique_ptr<MainWindow> StartUp(const std::filesystem::path& appDir) {
  // The splash frees itself when closed; the pointer forgets it then.
  QPointer<SplashWindow> splash = new SplashWindow;
  splash->show();
  splash->repaint();
  QCoreApplication::processEvents();

  // A start-up message closes the splash as it comes up (the splash watches for other windows); when start-up
  // ends here, the splash goes in any case.
  if (!CheckJVLinkPresent(appDir)) {
    delete splash;
    return nullptr;
  }

  // Nothing of the start-up may end the program without saying why.
  std::unique_ptr<MainWindow> form;
  try {
    form = std::make_unique<MainWindow>(appDir);
  } catch (...) {
    gui::ReportException(std::current_exception());
  }
  if (!form || form->CreateFailed()) {
    delete splash;
    return nullptr;
  }
  // The splash goes as the main window appears.
  form->show();
  return form;
}

}  // namespace corvina
