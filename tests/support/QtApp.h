#pragma once
// The one QApplication of a widget test program. It is made on first use and never destroyed: Qt objects that
// tests leave to the event loop (posted events, pointing devices) must not outlive it at exit.
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace corvina::test {

inline QApplication& App() {
  static int argc = 1;
  static char arg0[] = "test";
  static char* argv[] = {arg0, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

// A key pressed and released as the keyboard gives it (in a date box: Home the first day, End the last).
inline void PressKey(QWidget* w, Qt::Key key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &release);
}

}  // namespace corvina::test
