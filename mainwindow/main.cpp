// The program's entry: splash window, JV-Link presence test, main window, message loop.
#include <QFont>
#include <QPointer>
#include <QTimer>
#include <exception>
#include <memory>

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

  // The splash frees itself when closed; the pointer forgets it then.
  QPointer<corvina::TSplashForm> splash = new corvina::TSplashForm;
  splash->show();
  splash->repaint();
  app.processEvents();

  const std::filesystem::path appDir = corvina::TIniGT::ApplicationFolder();
  // The message box may already have taken the focus from the splash and so closed it.
  if (!corvina::CheckJVLinkPresent(appDir)) {
    delete splash;
    return 1;
  }

  // Nothing of the start-up may end the program without saying why.
  std::unique_ptr<corvina::TMainForm> form;
  try {
    form = std::make_unique<corvina::TMainForm>(appDir);
  } catch (...) {
    corvina::gui::ReportException(std::current_exception());
  }
  if (!form || form->CreateFailed()) {
    delete splash;
    return 1;
  }
  form->show();
  // The splash goes once the main window is up, also where the window manager never activates it.
  if (splash) QTimer::singleShot(1500, splash.data(), &QWidget::close);
  const int code = app.exec();
  delete splash;  // closed with the main window before its time
  return code;
}
