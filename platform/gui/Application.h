#pragma once
// The program's application object. An exception that escapes an event handler is shown in an error box and
// the program goes on with the next event, instead of ending.
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
