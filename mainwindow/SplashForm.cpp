#include "mainwindow/SplashForm.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

#include "components/ui/Label3Dj.h"
#include "platform/gui/Fonts.h"

namespace corvina {

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setAttribute(Qt::WA_DeleteOnClose);
  setFixedSize(304, 203);
  if (QScreen* screen = QGuiApplication::primaryScreen()) move(screen->geometry().center() - rect().center());
  auto* credit = new TLabel3Dj(QStringLiteral("Data: JRA-VAN Data Lab."), this);
  QFont creditFont(gui::kPGothic);
  creditFont.setPixelSize(13);
  creditFont.setBold(true);
  credit->setFont(creditFont);
  credit->SetFontColor(Qt::yellow);
  credit->SetTextStyle(TTextStyle::tsRaised);
  credit->SetTransparent(true);
  credit->SetAutoSize(true);
  credit->move(60, 172);
  FormCreate();
}

void TSplashForm::FormDeactivate() { close(); }

void TSplashForm::changeEvent(QEvent* e) {
  if (e->type() == QEvent::ActivationChange) {
    if (isActiveWindow())
      wasActive_ = true;
    else if (wasActive_)
      FormDeactivate();
  }
  QWidget::changeEvent(e);
}

void TSplashForm::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::black);
  // The title picture, 300 x 198 at (2, 2).
  const QRect picture(2, 2, 300, 198);
  QLinearGradient sky(picture.topLeft(), picture.bottomLeft());
  sky.setColorAt(0, QColor(10, 40, 110));
  sky.setColorAt(0.65, QColor(40, 110, 60));
  sky.setColorAt(1, QColor(20, 70, 30));
  p.fillRect(picture, sky);
  p.setPen(QColor(255, 255, 255, 60));
  for (int x = 2; x < 302; x += 12) p.drawLine(x, 150, x + 40, 200);
  QFont title(gui::kPGothic);
  title.setPixelSize(34);
  title.setBold(true);
  p.setFont(title);
  p.setPen(QColor(0, 0, 0, 120));
  p.drawText(picture.adjusted(2, 2, 2, -58), Qt::AlignCenter, QStringLiteral("コルヴィナ"));
  p.setPen(Qt::white);
  p.drawText(picture.adjusted(0, 0, 0, -60), Qt::AlignCenter, QStringLiteral("コルヴィナ"));
  QFont sub(gui::kPGothic);
  sub.setPixelSize(13);
  p.setFont(sub);
  p.drawText(QRect(2, 110, 300, 24), Qt::AlignCenter, QStringLiteral("for JRA-VAN Data Lab.  Ver.1.28"));
}

}  // namespace corvina
