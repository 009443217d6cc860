#include "platform/gui/Canvas.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <cmath>

#include "platform/gui/Fonts.h"

namespace corvina::gui {

QSize Canvas::TextExtent(const QString& text) const {
  QFont f = Font();
  if (fontDpi_ > 0) f.setPixelSize(EmHeight());
  QFontMetrics fm(f);
  return QSize(fm.horizontalAdvance(text), EmHeight());
}

int Canvas::EmHeight() const {
  if (fontDpi_ > 0 && font_.pointSizeF() > 0)
    return std::max(1, static_cast<int>(std::lround(font_.pointSizeF() * fontDpi_ / 72.0)));
  return std::max(1, QFontInfo(Font()).pixelSize());
}

QFont QtCanvas::FaceFont() const { return printFaces_ ? PrintFont(Font()) : Font(); }

QFont QtCanvas::GlyphFont() const {
  QFont f = FaceFont();
  f.setPixelSize(std::max(1, EmHeight() - 1));
  return f;
}

int QtCanvas::BaselineOffset() const {
  static QHash<QString, int> cache;  // by font key; painting runs on the window thread only
  const QFont glyphs = GlyphFont();
  const QString key = glyphs.key();
  auto it = cache.constFind(key);
  if (it != cache.constEnd()) return *it;
  const int em = EmHeight();
  int baseline = -QFontMetrics(glyphs).tightBoundingRect(QStringLiteral("国")).top();
  // A face without ideographs falls back to the proportions of the Japanese faces.
  if (baseline <= 0 || baseline > em) baseline = static_cast<int>(em * 0.86 + 0.5);
  cache.insert(key, baseline);
  return baseline;
}

void QtCanvas::FillRect(const QRect& r) { painter_.fillRect(r, BrushColor()); }

void QtCanvas::TextOut(int x, int y, const QString& text) {
  painter_.setFont(GlyphFont());
  if (!BrushClear()) painter_.fillRect(QRect(QPoint(x, y), TextExtent(text)), BrushColor());
  painter_.setPen(FontColor());
  painter_.drawText(QPoint(x, y + BaselineOffset()), text);
}

void QtCanvas::TextRect(const QRect& r, const QString& text, int alignment) {
  painter_.save();
  painter_.setClipRect(r, Qt::IntersectClip);
  painter_.setFont(GlyphFont());
  painter_.setPen(FontColor());
  if ((alignment & Qt::TextWordWrap) || text.contains(QLatin1Char('\n'))) {
    painter_.drawText(r, alignment, text);
  } else {
    // One line, placed by its em box like TextOut.
    QString shown = text;
    if (alignment & Qt::TextShowMnemonic)
      shown = QString(text)
                  .replace(QStringLiteral("&&"), QStringLiteral("\x01"))
                  .remove(QLatin1Char('&'))
                  .replace(QChar(1), QLatin1Char('&'));
    const QSize box = TextExtent(shown);
    int x = r.left(), y = r.top();
    if (alignment & Qt::AlignHCenter) x = r.left() + (r.width() - box.width()) / 2;
    if (alignment & Qt::AlignRight) {
      // Some glyphs reach past their advance (a bold digit); keep their ink inside the rectangle.
      const int ink = QFontMetrics(GlyphFont(), painter_.device()).boundingRect(shown).right() + 1;
      x = r.right() + 1 - std::max(box.width(), ink);
    }
    if (alignment & Qt::AlignVCenter) y = r.top() + (r.height() - box.height()) / 2;
    if (alignment & Qt::AlignBottom) y = r.bottom() + 1 - box.height();
    painter_.drawText(QPoint(x, y + BaselineOffset()), shown);
  }
  painter_.restore();
}

void QtCanvas::TextOutRotated(int x, int y, const QString& text, int degrees) {
  painter_.save();
  painter_.setFont(FaceFont());
  painter_.setPen(FontColor());
  painter_.translate(x, y);
  painter_.rotate(-degrees);
  painter_.drawText(QPoint(0, QFontMetrics(painter_.font()).ascent()), text);
  painter_.restore();
}

QSize QtCanvas::TextExtent(const QString& text) const {
  QFontMetrics fm(GlyphFont(), painter_.device());
  return QSize(fm.horizontalAdvance(text), EmHeight());
}

void QtCanvas::LineTo(int x, int y) {
  painter_.setPen(QPen(PenColor(), PenWidth()));
  painter_.drawLine(penPos_, QPoint(x, y));
  penPos_ = QPoint(x, y);
}

void QtCanvas::FrameRect(const QRect& r) {
  painter_.setPen(QPen(PenColor(), PenWidth()));
  painter_.setBrush(Qt::NoBrush);
  painter_.drawRect(r.adjusted(0, 0, -1, -1));
}

CanvasOp RecordingCanvas::Base(CanvasOp::Kind k) const {
  CanvasOp op{
      k, {}, {}, {}, {}, BrushColor(), BrushClear(), PenColor(), FontColor(), Font().pointSize(), Font().bold()};
  op.penWidth = PenWidth();
  return op;
}

void RecordingCanvas::FillRect(const QRect& r) {
  CanvasOp op = Base(CanvasOp::Kind::Fill);
  op.rect = r;
  ops_.push_back(op);
}

void RecordingCanvas::TextOut(int x, int y, const QString& text) {
  CanvasOp op = Base(CanvasOp::Kind::Text);
  op.from = QPoint(x, y);
  op.rect = QRect(QPoint(x, y), TextExtent(text));
  op.text = text;
  ops_.push_back(op);
}

void RecordingCanvas::TextRect(const QRect& r, const QString& text, int alignment) {
  CanvasOp op = Base(CanvasOp::Kind::TextRect);
  op.rect = r;
  op.text = text;
  op.alignment = alignment;
  ops_.push_back(op);
}

void RecordingCanvas::TextOutRotated(int x, int y, const QString& text, int degrees) {
  CanvasOp op = Base(CanvasOp::Kind::Text);
  op.from = QPoint(x, y);
  op.rect = QRect(QPoint(x, y), TextExtent(text));
  op.text = text;
  op.degrees = degrees;
  op.brushClear = true;
  ops_.push_back(op);
}

void RecordingCanvas::LineTo(int x, int y) {
  CanvasOp op = Base(CanvasOp::Kind::Line);
  op.from = penPos_;
  op.to = QPoint(x, y);
  ops_.push_back(op);
  penPos_ = QPoint(x, y);
}

void RecordingCanvas::FrameRect(const QRect& r) {
  CanvasOp op = Base(CanvasOp::Kind::Frame);
  op.rect = r;
  ops_.push_back(op);
}

const CanvasOp* RecordingCanvas::FindText(const QString& text) const {
  for (const auto& op : ops_)
    if ((op.kind == CanvasOp::Kind::Text || op.kind == CanvasOp::Kind::TextRect) && op.text == text) return &op;
  return nullptr;
}

QStringList RecordingCanvas::Texts() const {
  QStringList out;
  for (const auto& op : ops_)
    if (op.kind == CanvasOp::Kind::Text || op.kind == CanvasOp::Kind::TextRect) out << op.text;
  return out;
}

}  // namespace corvina::gui
