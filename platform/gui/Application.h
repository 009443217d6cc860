#pragma once
// The program's application object. It catches an exception that escapes an event handler, shows it in an error
// box and goes on with the next event: a fault in one command must not end the program and lose the user's day.
#include <QApplication>
#include <exception>

namespace corvina::gui {

class Application : public QApplication {
 public:
  Application(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// Loads Qt's own Japanese texts, so the standard dialogs and buttons read Japanese; false when they are not
// installed (the dialogs then keep Qt's English).
bool InstallJapaneseTranslations();

// Shows the exception in an error box (through the message sink). Used by the application and by handlers
// run outside the event loop.
void ReportException(std::exception_ptr e);

}  // namespace corvina::gui
