#include "components/ui/Label3D.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>
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

namespace {

// `text` in lines of at most `width` pixels, joined by line feeds: broken between words where it can (the blank
// there dropped), inside a word that is wider than a whole line (a long path) where it must.
QString WrappedText(const QString& text, const QFont& font, int width) {
  QStringList lines;
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
    QTextLayout layout(paragraph, font);
    layout.setTextOption(option);
    layout.beginLayout();
    bool any = false;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(std::max(width, 1));
      // The blank a line breaks at is not drawn: it would push a right-aligned line off its edge.
      QString shown = paragraph.mid(line.textStart(), line.textLength());
      while (shown.endsWith(QLatin1Char(' '))) shown.chop(1);
      lines << shown;
      any = true;
    }
    layout.endLayout();
    if (!any) lines << QString();
  }
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

Label3D::Label3D(QWidget* parent) : QWidget(parent) {
  QFont f(QStringLiteral("Arial"));
  f.setPointSize(9);
  setFont(f);
  color_ = palette().color(QPalette::Window);
}

Label3D::Label3D(const QString& caption, QWidget* parent) : Label3D(parent) { SetCaption(caption); }

void Label3D::Changed() {
  if (autoSize_) adjustSize();
  KeepHeightForLines();
  updateGeometry();
  update();
}

bool Label3D::Wraps() const {
  return wordWrap_ && !autoSize_ && escapement_ == 0 && ellipsesStyle_ == EllipsisMode::None;
}

void Label3D::KeepHeightForLines() {
  if (!Wraps()) return;
  // A window that lays the label out makes room for every line at the label's width, however narrow.
  const QFontMetrics fm(font());
  const QString lines = WrappedText(caption_.isEmpty() ? QStringLiteral(" ") : caption_, font(), width());
  setMinimumHeight(static_cast<int>(lines.count(QLatin1Char('\n')) + 1) * fm.lineSpacing() + 2);
}

void Label3D::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  KeepHeightForLines();
}

void Label3D::SetCaption(const QString& c) {
  if (c == caption_) return;
  caption_ = c;
  Changed();
}
void Label3D::SetColor(const QColor& c) {
  color_ = c;
  update();
}
void Label3D::SetTransparent(bool on) {
  transparent_ = on;
  update();
}
void Label3D::SetAlignment(Qt::Alignment a) {
  alignment_ = a & Qt::AlignHorizontal_Mask;
  update();
}
void Label3D::SetLayout(TextLayout l) {
  layout_ = l;
  update();
}
void Label3D::SetWordWrap(bool on) {
  wordWrap_ = on;
  Changed();
}
void Label3D::SetAutoSize(bool on) {
  autoSize_ = on;
  Changed();
}
void Label3D::SetShowAccelChar(bool on) {
  showAccelChar_ = on;
  update();
}
void Label3D::SetFontColor(const QColor& c) {
  fontColor_ = c;
  update();
}
void Label3D::SetFontSize(int points) {
  QFont f = font();
  f.setPointSize(points);
  setFont(f);
  Changed();
}
void Label3D::SetFontBold(bool bold) {
  QFont f = font();
  f.setBold(bold);
  setFont(f);
  Changed();
}
void Label3D::SetBorderWidth(int v) {
  if (v == borderWidth_) return;
  borderWidth_ = v;
  update();
}
void Label3D::SetBorder(bool v) {
  if (v == border_) return;
  border_ = v;
  update();
}
void Label3D::SetBorderType(BorderKind v) {
  if (v == borderType_) return;
  borderType_ = v;
  update();
}
void Label3D::SetEscapement(int v) {
  v = NormalizeEscapement(v);
  if (v == escapement_) return;
  escapement_ = v;
  Changed();
}
void Label3D::SetTextStyle(TextEffect v) {
  if (v == textStyle_) return;
  textStyle_ = v;
  update();
}
void Label3D::SetAddress(const QString& v) {
  if (v == address_) return;
  address_ = v;
  update();
}
void Label3D::SetEllipsesStyle(EllipsisMode v) {
  if (v == ellipsesStyle_) return;
  ellipsesStyle_ = v;
  update();
}
void Label3D::SetShift(int v) {
  if (v == shift_) return;
  shift_ = v;
  update();
}

int Label3D::TextFlags() const {
  int flags = static_cast<int>(alignment_) | Qt::TextExpandTabs;
  if (wordWrap_) flags |= Qt::TextWordWrap;
  if (showAccelChar_) flags |= Qt::TextShowMnemonic;
  if (escapement_ == 0 && layout_ != TextLayout::Top)
    flags |= Qt::TextSingleLine | (layout_ == TextLayout::Center ? Qt::AlignVCenter : Qt::AlignBottom);
  else
    flags |= Qt::AlignTop;
  return flags;
}

QString Label3D::ShownText(const QFontMetrics& fm) const {
  // Without accelerator handling the text flags carry no mnemonic flag, so an "&" is drawn as it stands.
  const QString& text = caption_;
  if (Wraps()) return WrappedText(text, font(), width());
  switch (ellipsesStyle_) {
    case EllipsisMode::None: return text;
    case EllipsisMode::End: return fm.elidedText(text, Qt::ElideRight, width());
    case EllipsisMode::Path: return PathEllipsis(text, fm, width());
  }
  return text;
}

void Label3D::DrawPass(gui::Canvas& canvas, const QRect& r, const QColor& colour) {
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

void Label3D::PaintTo(gui::Canvas& canvas) {
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
      case BorderKind::Default:
        canvas.SetPenColor(Qt::black);
        canvas.FrameRect(client);
        break;
      case BorderKind::Recessed: bevel(grey, white); break;
      case BorderKind::Raised: bevel(white, grey); break;
    }
  }
  canvas.SetFont(font());
  const QColor shadow = palette().color(QPalette::Active, QPalette::Dark);
  const QColor highlight = palette().color(QPalette::Active, QPalette::Light);
  switch (textStyle_) {
    case TextEffect::None: break;
    case TextEffect::Raised: DrawPass(canvas, client.translated(1, 1), shadow); break;
    case TextEffect::LightRaised:
      DrawPass(canvas, client.translated(1, 1), shadow);
      DrawPass(canvas, client.translated(-1, -1), highlight);
      break;
    case TextEffect::Recessed: DrawPass(canvas, client.translated(1, 1), highlight); break;
    case TextEffect::HeavyRecessed:
      DrawPass(canvas, client.translated(1, 1), highlight);
      DrawPass(canvas, client.translated(-1, -1), shadow);
      break;
    case TextEffect::Shadow: DrawPass(canvas, client.translated(shift_, shift_), shadow); break;
  }
  DrawPass(canvas, client, isEnabled() ? fontColor_ : palette().color(QPalette::Disabled, QPalette::Text));
}

void Label3D::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  gui::QtCanvas canvas(painter);
  PaintTo(canvas);
}

QSize Label3D::sizeHint() const {
  const QFontMetrics fm(font());
  const QSize text = fm.size(Qt::TextShowMnemonic, caption_.isEmpty() ? QStringLiteral(" ") : caption_);
  if (escapement_ != 0) {
    const RotatedTextBox box = RotateTextBox(escapement_, text.width(), text.height());
    return QSize(box.width + 2, box.height + 2);
  }
  return text + QSize(4, 2);
}

QSize Label3D::minimumSizeHint() const { return Wraps() ? QWidget::minimumSizeHint() : sizeHint(); }

void Label3D::Click() {
  if (IsLink() && !address_.isEmpty()) {
    QApplication::setOverrideCursor(Qt::BusyCursor);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    const QString target = labelStyle_ == LabelKind::EMailAddress ? QStringLiteral("mailto:") + address_ : address_;
    try {
      gui::OpenUrl(QUrl(target));  // a failure to open is dropped: the label is only a shortcut
    } catch (...) {
    }
    QApplication::restoreOverrideCursor();
  }
  if (OnClick) OnClick();
}

void Label3D::MouseEntered() {
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

void Label3D::MouseLeft() {
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

void Label3D::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) Click();
  QWidget::mouseReleaseEvent(e);
}

void Label3D::enterEvent(QEnterEvent*) { MouseEntered(); }
void Label3D::leaveEvent(QEvent*) { MouseLeft(); }

void Label3D::changeEvent(QEvent* e) {
  if (e->type() == QEvent::FontChange) Changed();
  QWidget::changeEvent(e);
}

}  // namespace corvina
