#pragma once
// What both source files of the main window use: CP932 record text as the window's text, label colours, and
// handlers that report what they let out instead of unwinding through the toolkit.
#include <QApplication>
#include <QColor>
#include <QLabel>
#include <QPalette>
#include <QString>
#include <exception>
#include <string>
#include <utility>

#include "platform/Cp932.h"
#include "platform/gui/Application.h"
#include "platform/gui/QtText.h"

namespace corvina::mainwindow {

using gui::Q;

inline void SetBackground(QLabel* l, const QColor& c) {
  QPalette p = l->palette();
  p.setColor(QPalette::Window, c);
  l->setPalette(p);
}

inline QColor InfoBackground() { return QApplication::palette().color(QPalette::ToolTipBase); }

// A handler as the window's controls call it. An exception it lets out is shown in an error box here and the
// window goes on; caught inside the slot, it never unwinds through the toolkit's own frames, which are built
// without clean-up for exceptions.
template <class Handler>
auto Guarded(Handler handler) {
  return [handler = std::move(handler)] {
    try {
      handler();
    } catch (...) {
      gui::ReportException(std::current_exception());
    }
  };
}

}  // namespace corvina::mainwindow
