#include "components/ui/Label3Dj.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "platform/gui/Shell.h"

namespace corvina {

namespace {
constexpr double kPi = 3.14159265358979323846;
double Sin(int deg) { return std::sin(deg * kPi / 180.0); }
double Cos(int deg) { return std::cos(deg * kPi / 180.0); }
int Trunc(double v) { return static_cast<int>(v); }
}  // namespace

RotatedTextBox RotateTextBox(int a, int w, int h) {
  RotatedTextBox box;
  if (a <= 90) {
    box.dx = 0;
    box.dy = Trunc(Sin(a) * w);
  } else if (a <= 180) {
    box.dx = Trunc(-Cos(a) * w);
    box.dy = Trunc(Sin(a) * w + Cos(180 - a) * h);
  } else if (a <= 270) {
    box.dx = Trunc(-Cos(a) * w + Sin(a - 180) * h);
    box.dy = Trunc(Sin(270 - a) * h);
  } else {
    box.dx = Trunc(Sin(360 - a) * h);
    box.dy = 0;
  }
  box.width = std::abs(Trunc(Cos(a) * w)) + std::abs(Trunc(Sin(a) * h));
  box.height = std::abs(Trunc(Sin(a) * w)) + std::abs(Trunc(Cos(a) * h));
  return box;
}

int NormalizeEscapement(int v) {
  while (v < -360) v += 360;
  if (v < 0) v += 360;
  while (v > 360) v -= 360;
  return v;
}

QString PathEllipsis(const QString& text, const QFontMetrics& fm, int maxWidth) {
  if (fm.horizontalAdvance(text) <= maxWidth) return text;
  const QChar sep = text.contains(QLatin1Char('\\')) ? QLatin1Char('\\') : QLatin1Char('/');
  QStringList parts = text.split(sep);
  // Keep the first part (drive or root) and the file name; drop folders after the root until it fits.
  while (parts.size() > 2) {
    parts.removeAt(1);
    const QString candidate = parts.first() + sep + QStringLiteral("...") + sep + parts.mid(1).join(sep);
    if (fm.horizontalAdvance(candidate) <= maxWidth || parts.size() == 2) return candidate;
  }
  return fm.elidedText(text, Qt::ElideLeft, maxWidth);
}

TLabel3Dj::TLabel3Dj(QWidget* parent) : QWidget(parent) {
  QFont f(QStringLiteral("Arial"));
  f.setPointSize(9);
  setFont(f);
  color_ = palette().color(QPalette::Window);
}

TLabel3Dj::TLabel3Dj(const QString& caption, QWidget* parent) : TLabel3Dj(parent) { SetCaption(caption); }

void TLabel3Dj::Changed() {
  if (autoSize_) adjustSize();
  updateGeometry();
  update();
}

void TLabel3Dj::SetCaption(const QString& c) {
  if (c == caption_) return;
  caption_ = c;
  Changed();
}
void TLabel3Dj::SetColor(const QColor& c) {
  color_ = c;
  update();
}
void TLabel3Dj::SetTransparent(bool on) {
  transparent_ = on;
  update();
}
void TLabel3Dj::SetAlignment(Qt::Alignment a) {
  alignment_ = a & Qt::AlignHorizontal_Mask;
  update();
}
void TLabel3Dj::SetLayout(TTextLayout l) {
  layout_ = l;
  update();
}
void TLabel3Dj::SetWordWrap(bool on) {
  wordWrap_ = on;
  Changed();
}
void TLabel3Dj::SetAutoSize(bool on) {
  autoSize_ = on;
  Changed();
}
void TLabel3Dj::SetShowAccelChar(bool on) {
  showAccelChar_ = on;
  update();
}
void TLabel3Dj::SetFontColor(const QColor& c) {
  fontColor_ = c;
  update();
}
void TLabel3Dj::SetFontSize(int points) {
  QFont f = font();
  f.setPointSize(points);
  setFont(f);
  Changed();
}
void TLabel3Dj::SetFontBold(bool bold) {
  QFont f = font();
  f.setBold(bold);
  setFont(f);
  Changed();
}
void TLabel3Dj::SetBorderWidth(int v) {
  if (v == borderWidth_) return;
  borderWidth_ = v;
  update();
}
void TLabel3Dj::SetBorder(bool v) {
  if (v == border_) return;
  border_ = v;
  update();
}
void TLabel3Dj::SetBorderType(TBorderType v) {
  if (v == borderType_) return;
  borderType_ = v;
  update();
}
void TLabel3Dj::SetEscapement(int v) {
  v = NormalizeEscapement(v);
  if (v == escapement_) return;
  escapement_ = v;
  Changed();
}
void TLabel3Dj::SetTextStyle(TTextStyle v) {
  if (v == textStyle_) return;
  textStyle_ = v;
  update();
}
void TLabel3Dj::SetAddress(const QString& v) {
  if (v == address_) return;
  address_ = v;
  update();
}
void TLabel3Dj::SetEllipsesStyle(TEllipsesStyle v) {
  if (v == ellipsesStyle_) return;
  ellipsesStyle_ = v;
  update();
}
void TLabel3Dj::SetShift(int v) {
  if (v == shift_) return;
  shift_ = v;
  update();
}

int TLabel3Dj::TextFlags() const {
  int flags = static_cast<int>(alignment_) | Qt::TextExpandTabs;
  if (wordWrap_) flags |= Qt::TextWordWrap;
  if (showAccelChar_) flags |= Qt::TextShowMnemonic;
  if (escapement_ == 0 && layout_ != TTextLayout::tlTop)
    flags |= Qt::TextSingleLine | (layout_ == TTextLayout::tlCenter ? Qt::AlignVCenter : Qt::AlignBottom);
  else
    flags |= Qt::AlignTop;
  return flags;
}

QString TLabel3Dj::ShownText(const QFontMetrics& fm) const {
  // Without accelerator handling the text flags carry no mnemonic flag, so an "&" is drawn as it stands.
  const QString& text = caption_;
  switch (ellipsesStyle_) {
    case TEllipsesStyle::esNone:
      return text;
    case TEllipsesStyle::esEnd:
      return fm.elidedText(text, Qt::ElideRight, width());
    case TEllipsesStyle::esPath:
      return PathEllipsis(text, fm, width());
  }
  return text;
}

void TLabel3Dj::DrawPass(gui::Canvas& canvas, const QRect& r, const QColor& colour) {
  canvas.SetFontColor(colour);
  const QFontMetrics fm(canvas.Font());
  const QString text = ShownText(fm);
  if (escapement_ == 0) {
    canvas.TextRect(r, text, TextFlags());
    return;
  }
  const QSize size = canvas.TextExtent(caption_);
  RotatedTextBox box = RotateTextBox(escapement_, size.width(), size.height());
  int dx = box.dx;
  if (!autoSize_) {
    if (alignment_ & Qt::AlignHCenter) dx += (width() - box.width) / 2;
    if (alignment_ & Qt::AlignRight) dx += width() - box.width;
  }
  canvas.TextOutRotated(r.left() + dx, r.top() + box.dy, caption_, escapement_);
}

void TLabel3Dj::PaintTo(gui::Canvas& canvas) {
  const QRect client(0, 0, width(), height());
  if (!transparent_) {
    canvas.SetBrushColor(color_);
    canvas.FillRect(client);
  }
  canvas.SetBrushClear(true);
  if (border_ && borderWidth_ >= 1) {
    const QColor grey(128, 128, 128), white(255, 255, 255);
    const int w = width() - 1, h = height() - 1;
    auto bevel = [&](const QColor& topLeft, const QColor& bottomRight) {
      canvas.SetPenColor(topLeft);
      canvas.MoveTo(0, h);
      canvas.LineTo(0, 0);
      canvas.LineTo(w, 0);
      canvas.SetPenColor(bottomRight);
      canvas.MoveTo(w, 0);
      canvas.LineTo(w, h);
      canvas.LineTo(0, h);
    };
    switch (borderType_) {
      case TBorderType::btDefault:
        canvas.SetPenColor(Qt::black);
        canvas.FrameRect(client);
        break;
      case TBorderType::btRecessed:
        bevel(grey, white);
        break;
      case TBorderType::btRaised:
        bevel(white, grey);
        break;
    }
  }
  canvas.SetFont(font());
  const QColor shadow = palette().color(QPalette::Active, QPalette::Dark);
  const QColor highlight = palette().color(QPalette::Active, QPalette::Light);
  switch (textStyle_) {
    case TTextStyle::tsNone:
      break;
    case TTextStyle::tsRaised:
      DrawPass(canvas, client.translated(1, 1), shadow);
      break;
    case TTextStyle::tsLightRaised:
      DrawPass(canvas, client.translated(1, 1), shadow);
      DrawPass(canvas, client.translated(-1, -1), highlight);
      break;
    case TTextStyle::tsRecessed:
      DrawPass(canvas, client.translated(1, 1), highlight);
      break;
    case TTextStyle::tsHeavyRecessed:
      DrawPass(canvas, client.translated(1, 1), highlight);
      DrawPass(canvas, client.translated(-1, -1), shadow);
      break;
    case TTextStyle::tsShadow:
      DrawPass(canvas, client.translated(shift_, shift_), shadow);
      break;
  }
  DrawPass(canvas, client, isEnabled() ? fontColor_ : palette().color(QPalette::Disabled, QPalette::Text));
}

void TLabel3Dj::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  gui::QtCanvas canvas(painter);
  PaintTo(canvas);
}

QSize TLabel3Dj::sizeHint() const {
  const QFontMetrics fm(font());
  const QSize text = fm.size(Qt::TextShowMnemonic, caption_.isEmpty() ? QStringLiteral(" ") : caption_);
  if (escapement_ != 0) {
    const RotatedTextBox box = RotateTextBox(escapement_, text.width(), text.height());
    return QSize(box.width + 2, box.height + 2);
  }
  return text + QSize(4, 2);
}

void TLabel3Dj::Click() {
  if (IsLink() && !address_.isEmpty()) {
    QApplication::setOverrideCursor(Qt::BusyCursor);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    const QString target =
        labelStyle_ == TLabelStyle::lsEMailAddress ? QStringLiteral("mailto:") + address_ : address_;
    try {
      gui::OpenUrl(QUrl(target));  // a failure to open is dropped: the label is only a shortcut
    } catch (...) {
    }
    QApplication::restoreOverrideCursor();
  }
  if (OnClick) OnClick();
}

void TLabel3Dj::MouseEntered() {
  if (IsLink()) {
    colorBeforeHover_ = fontColor_;
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    setCursor(Qt::PointingHandCursor);
    fontColor_ = Qt::red;
    update();
  }
  if (OnMouseEnter) OnMouseEnter();
}

void TLabel3Dj::MouseLeft() {
  if (IsLink()) {
    unsetCursor();
    QFont f = font();
    f.setUnderline(false);
    setFont(f);
    fontColor_ = colorBeforeHover_;
    update();
  }
  if (OnMouseExit) OnMouseExit();
}

void TLabel3Dj::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) Click();
  QWidget::mouseReleaseEvent(e);
}

void TLabel3Dj::enterEvent(QEnterEvent*) { MouseEntered(); }
void TLabel3Dj::leaveEvent(QEvent*) { MouseLeft(); }

void TLabel3Dj::changeEvent(QEvent* e) {
  if (e->type() == QEvent::FontChange) Changed();
  QWidget::changeEvent(e);
}

}  // namespace corvina
