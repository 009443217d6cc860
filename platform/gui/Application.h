#pragma once
// The program's application object. It catches an exception that escapes an event handler, shows it in an error
// box and goes on with the next event: a fault in one command must not end the program and lose the user's day.
#include <QApplication>
#include <exception>

class QFileDialog;

namespace corvina::gui {

class Application : public QApplication {
 public:
  Application(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// Makes the program speak Japanese whatever the system's locale: Japanese becomes the default locale (calendars,
// month and day names, dates and file types in the file dialogs) and Qt's own Japanese texts are loaded, so the
// standard dialogs and buttons read Japanese. Called at start, before the first window. Returns false when Qt's texts
// are not installed (the dialogs' captions then keep Qt's English).
bool SpeakJapanese();
// Qt's own file dialog writes the files' dates in the system's locale whatever the default one: `dialog` writes
// them in Japanese like the rest of the program.
void SpeakJapanese(QFileDialog& dialog);

// Shows the exception in an error box (through the message sink). Used by the application and by handlers
// run outside the event loop.
void ReportException(std::exception_ptr e);

}  // namespace corvina::gui
