#include "mainwindow/ui/SplashWindow.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "components/ui/Label3D.h"
#include "mainwindow/ui/AboutBox.h"
#include "platform/gui/Fonts.h"

namespace corvina {

SplashWindow::SplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setAttribute(Qt::WA_DeleteOnClose);
  setFixedSize(304, 203);
  if (QScreen* screen = QGuiApplication::primaryScreen()) move(screen->geometry().center() - rect().center());
  auto* credit = new Label3D(QStringLiteral("Data: JRA-VAN Data Lab."), this);
  QFont creditFont(gui::kPGothic);
  creditFont.setPixelSize(13);
  creditFont.setBold(true);
  credit->setFont(creditFont);
  credit->SetFontColor(Qt::yellow);
  credit->SetTextStyle(TextEffect::Raised);
  credit->SetTransparent(true);
  credit->SetAutoSize(true);
  credit->move(60, 172);
  // Every window about to be shown passes here first, while it is not yet on the screen.
  qApp->installEventFilter(this);
}

void SplashWindow::Dismiss() { close(); }

void SplashWindow::changeEvent(QEvent* e) {
  if (e->type() == QEvent::ActivationChange) {
    if (isActiveWindow())
      wasActive_ = true;
    else if (wasActive_)
      Dismiss();
  }
  QWidget::changeEvent(e);
}

bool SplashWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show && watched != this) {
    auto* w = qobject_cast<QWidget*>(watched);
    if (w && w->isWindow() && w->windowType() != Qt::ToolTip && w->windowType() != Qt::Popup) {
      qApp->removeEventFilter(this);
      close();
    }
  }
  return QWidget::eventFilter(watched, event);
}

void SplashWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::black);
  // The title picture, 300 x 198 at (2, 2): the same one the version window shows.
  PaintTitlePicture(p, QRect(2, 2, 300, 198));
}

}  // namespace corvina
