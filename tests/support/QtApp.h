#pragma once
// The one QApplication of a widget test program. It is made on first use and never destroyed: Qt objects that
// tests leave to the event loop (posted events, pointing devices) must not outlive it at exit.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>

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

// A left click at `at` (in `w`'s own coordinates) as the mouse gives it: the press, then the release. With
// `queued` both wait in the event queue, for a loop that lets events run (a read in progress) to deliver them.
inline void Click(QWidget* w, const QPoint& at, bool queued = false) {
  const QPointF local(at), global = w->mapToGlobal(local);
  for (const bool press : {true, false}) {
    auto* e = new QMouseEvent(press ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease, local, global,
                              Qt::LeftButton, press ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    if (queued) {
      QCoreApplication::postEvent(w, e);
    } else {
      QCoreApplication::sendEvent(w, e);
      delete e;
    }
  }
}

// Item `index` of `box` chosen as the keyboard chooses it: the arrow key moves onto it and the box reports it
// activated, as a choice from its list does.
inline void ChooseItem(QComboBox* box, int index) {
  box->setCurrentIndex(index - 1);
  PressKey(box, Qt::Key_Down);
}

// Lets events run until `done` holds: what the program does in the background (a folder read by another
// thread) is waited for, however loaded the machine, and never for a guessed time. False when `done` still
// does not hold after `limitMs`, a bound only for a program that never gets there.
inline bool WaitUntil(const std::function<bool()>& done, int limitMs = 60000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > limitMs) return false;
    QEventLoop wait;  // the events of a short while, then a look again
    QTimer::singleShot(10, &wait, &QEventLoop::quit);
    wait.exec();
  }
  return true;
}

// The shown direct children of `w` that overlap another one: a control left out of its window's layout sits in
// the corner, over what the layout put there.
inline QStringList OverlappingChildren(const QWidget& w) {
  QStringList out;
  const QList<QWidget*> kids = w.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  for (qsizetype i = 0; i < kids.size(); ++i)
    for (qsizetype j = i + 1; j < kids.size(); ++j) {
      const QWidget *a = kids[i], *b = kids[j];
      if (a->isVisible() && b->isVisible() && !a->isWindow() && !b->isWindow() &&
          a->geometry().intersects(b->geometry()))
        out << QString("%1 over %2").arg(a->metaObject()->className(), b->metaObject()->className());
    }
  return out;
}

}  // namespace corvina::test
