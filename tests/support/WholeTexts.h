#pragma once
// What a user reads in a shown window: every visible label, 3-D label, button and group title shows its whole
// text inside its own rectangle and inside the parents around it, no two visible controls lie over each other,
// and two texts on one line are at least a blank apart. Widget tests call it at a window's first size and at the
// smallest the window allows.
#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QPushButton>
#include <QRadioButton>
#include <QRect>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTextDocument>
#include <QToolButton>
#include <QWidget>
#include <QtMath>
#include <algorithm>
#include <initializer_list>

#include "components/ui/Label3D.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/UpDown.h"

namespace corvina::test {

// The program's font while the guard lives, as the program sets it at start (text widths depend on it); the
// test program's own font afterwards. Made before the windows it is meant for.
class ProgramFont {
 public:
  ProgramFont() {
    gui::InstallFontSubstitutions();
    QApplication::setFont(gui::ProgramFont());
  }
  ~ProgramFont() { QApplication::setFont(saved_); }
  ProgramFont(const ProgramFont&) = delete;
  ProgramFont& operator=(const ProgramFont&) = delete;

 private:
  const QFont saved_ = QApplication::font();
};

namespace detail {

// The text a widget shows, empty for one that shows none (or whose text is not checked).
inline QString ShownTextOf(const QWidget& w) {
  if (auto* l = qobject_cast<const QLabel*>(&w)) return l->text();
  if (auto* l = qobject_cast<const Label3D*>(&w)) return l->Caption();
  if (auto* b = qobject_cast<const QAbstractButton*>(&w)) return b->text();
  if (auto* g = qobject_cast<const QGroupBox*>(&w)) return g->title();
  return QString();
}

// The controls that must not lie over each other: what shows a text, and the controls a user works. A label
// that draws nothing (no text, no background, no frame) hides nothing.
inline bool IsControl(const QWidget& w) {
  if (auto* l = qobject_cast<const Label3D*>(&w)) return !l->Caption().isEmpty() || !l->Transparent() || l->Border();
  if (auto* l = qobject_cast<const QLabel*>(&w))
    return !l->text().isEmpty() || l->autoFillBackground() || l->frameShape() != QFrame::NoFrame;
  return qobject_cast<const QAbstractButton*>(&w) || qobject_cast<const QGroupBox*>(&w) ||
         qobject_cast<const QComboBox*>(&w) || qobject_cast<const QAbstractSpinBox*>(&w) ||
         qobject_cast<const QLineEdit*>(&w) || qobject_cast<const QAbstractScrollArea*>(&w) ||
         qobject_cast<const QTabBar*>(&w) || qobject_cast<const gui::UpDown*>(&w);
}

// Where a user sees the widget: its rectangle in `window`, cut by every parent around it. With
// `upToScrolledContent` the parents end at the content a scroll area scrolls: what lies beyond the scroll area's
// edge is scrolled into view, not lost.
inline QRect SeenRect(const QWidget& w, const QWidget& window, bool upToScrolledContent) {
  QRect seen(w.mapTo(&window, QPoint(0, 0)), w.size());
  for (const QWidget* p = w.parentWidget(); p != nullptr && p != &window; p = p->parentWidget()) {
    seen &= QRect(p->mapTo(&window, QPoint(0, 0)), p->size());
    const QWidget* viewport = p->parentWidget();
    const auto* area = viewport ? qobject_cast<const QAbstractScrollArea*>(viewport->parentWidget()) : nullptr;
    if (upToScrolledContent && area && area->viewport() == viewport) return seen;
  }
  return seen & window.rect();
}

// Why `w`'s text is not whole in its own rectangle; empty when it is.
inline QString CutText(const QWidget& w, const QString& text) {
  const QFontMetrics fm(w.font());
  const int wide = fm.size(Qt::TextShowMnemonic, text).width();
  auto tooNarrow = [&](int room) { return QString("%1 wide in %2").arg(wide).arg(room); };
  if (auto* l = qobject_cast<const QLabel*>(&w)) {
    if (l->wordWrap()) {
      return l->heightForWidth(l->width()) > l->height()
                 ? QString("%1 high in %2").arg(l->heightForWidth(l->width())).arg(l->height())
                 : QString();
    }
    // A plain text is drawn in the label's contents less its margins; a rich text as its own layout says.
    const bool plain =
        l->textFormat() == Qt::PlainText || (l->textFormat() == Qt::AutoText && !Qt::mightBeRichText(text));
    const int room = l->contentsRect().width() - 2 * l->margin();
    if (plain ? fm.horizontalAdvance(text) > room : l->sizeHint().width() > l->width()) return tooNarrow(room);
    if (fm.height() > l->contentsRect().height()) return QString("%1 high in %2").arg(fm.height()).arg(l->height());
    return QString();
  }
  if (auto* l = qobject_cast<const Label3D*>(&w)) {
    // The lines the label paints (its last pass is the text itself; a wrapped caption comes in several lines):
    // each as wide as the label at most, all of them within its height.
    gui::RecordingCanvas canvas;
    const_cast<Label3D*>(l)->PaintTo(canvas);
    QString painted = text;
    for (const gui::CanvasOp& op : canvas.Ops())
      if (op.kind == gui::CanvasOp::Kind::TextRect || op.kind == gui::CanvasOp::Kind::Text) painted = op.text;
    const QStringList lines = painted.split(QLatin1Char('\n'));
    for (const QString& line : lines) {
      const int lineWide = fm.size(Qt::TextShowMnemonic, line).width();
      if (lineWide > l->width()) return QString("%1 wide in %2").arg(lineWide).arg(l->width());
    }
    const int high = static_cast<int>(lines.size() - 1) * fm.lineSpacing() + QFontInfo(l->font()).pixelSize();
    if (high > l->height()) return QString("%1 high in %2").arg(high).arg(l->height());
    return QString();
  }
  if (qobject_cast<const QCheckBox*>(&w) || qobject_cast<const QRadioButton*>(&w)) {
    if (w.sizeHint().width() > w.width()) return tooNarrow(w.width());
    return w.sizeHint().height() > w.height() ? QString("%1 high in %2").arg(w.sizeHint().height()).arg(w.height())
                                              : QString();
  }
  // Push and tool buttons: the caption between the button's two edges of two pixels; a group box's title
  // beside its frame.
  if (wide + 4 > w.width()) return tooNarrow(w.width());
  return fm.height() > w.height() ? QString("%1 high in %2").arg(fm.height()).arg(w.height()) : QString();
}

// The rectangle of a group box's title, in the box.
inline QRect TitleRect(const QGroupBox& box) {
  QStyleOptionGroupBox option;
  option.initFrom(&box);
  option.text = box.title();
  option.lineWidth = 1;
  option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
  option.textAlignment = box.alignment();
  if (box.isFlat()) option.features |= QStyleOptionFrame::Flat;
  return box.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &box);
}

// Where `text` lies when drawn in `room` with `flags` by `fm`; for one line, the blanks at its ends left out,
// for they paint nothing.
inline QRect InkOf(const QFontMetrics& fm, const QRect& room, int flags, const QString& text) {
  QRect r = fm.boundingRect(room, flags, text);
  if (text.contains(QLatin1Char('\n')) || (flags & Qt::TextWordWrap)) return r;
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty()) return QRect();
  const qsizetype lead = text.indexOf(trimmed);
  return r.adjusted(fm.horizontalAdvance(text.left(lead)), 0, -fm.horizontalAdvance(text.mid(lead + trimmed.size())),
                    0);
}

// Where `w` paints its text `text`, in `w`; empty when it paints none.
inline QRect PaintedTextRect(const QWidget& w, const QString& text) {
  const QFontMetrics fm(w.font());
  if (auto* l = qobject_cast<const QLabel*>(&w)) {
    // As QLabel lays out its text: the contents less the margin, and less the indent a framed label takes.
    QRect room = l->contentsRect().adjusted(l->margin(), l->margin(), -l->margin(), -l->margin());
    int indent = l->indent();
    if (indent < 0 && l->frameWidth() > 0) indent = fm.horizontalAdvance(QLatin1Char('x')) / 2 - l->margin();
    const Qt::Alignment align = QStyle::visualAlignment(l->layoutDirection(), l->alignment());
    if (indent > 0) {
      if (align & Qt::AlignLeft) room.setLeft(room.left() + indent);
      if (align & Qt::AlignRight) room.setRight(room.right() - indent);
    }
    const bool plain =
        l->textFormat() == Qt::PlainText || (l->textFormat() == Qt::AutoText && !Qt::mightBeRichText(text));
    if (!plain) {
      QTextDocument doc;
      doc.setDefaultFont(l->font());
      doc.setDocumentMargin(0);
      doc.setHtml(text);
      if (l->wordWrap()) doc.setTextWidth(room.width());
      const QSize size(qCeil(doc.idealWidth()), qCeil(doc.size().height()));
      return QStyle::alignedRect(l->layoutDirection(), align, size.boundedTo(room.size()), room);
    }
    return InkOf(fm, room, static_cast<int>(align) | (l->wordWrap() ? Qt::TextWordWrap : 0), text);
  }
  if (auto* l = qobject_cast<const Label3D*>(&w)) {
    // Every pass the label paints: a raised or shadowed text is drawn twice, a pixel apart.
    gui::RecordingCanvas canvas;
    const_cast<Label3D*>(l)->PaintTo(canvas);
    QRect painted;
    for (const gui::CanvasOp& op : canvas.Ops()) {
      if (op.kind == gui::CanvasOp::Kind::TextRect) painted |= InkOf(fm, op.rect, op.alignment, op.text);
      if (op.kind == gui::CanvasOp::Kind::Text) painted |= op.rect;
    }
    return painted;
  }
  if (qobject_cast<const QCheckBox*>(&w) || qobject_cast<const QRadioButton*>(&w)) {
    QStyleOptionButton option;
    option.initFrom(&w);
    option.text = text;
    const bool check = qobject_cast<const QCheckBox*>(&w) != nullptr;
    const QRect room =
        w.style()->subElementRect(check ? QStyle::SE_CheckBoxContents : QStyle::SE_RadioButtonContents, &option, &w);
    return InkOf(fm, room, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, text);
  }
  if (auto* box = qobject_cast<const QGroupBox*>(&w)) return TitleRect(*box);
  // Push and tool buttons centre their caption.
  return InkOf(fm, w.rect(), Qt::AlignCenter | Qt::TextShowMnemonic, text);
}

inline QString Name(const QWidget& w) {
  const QString text = ShownTextOf(w);
  return QString("%1 \"%2\"").arg(w.metaObject()->className(), text.left(24));
}

}  // namespace detail

// Each text of `window` that is cut (by its own rectangle or by a parent around it), each pair of controls that
// lie over each other and each pair of texts closer than a blank on one line, one line each; empty when the window
// reads whole. Only shown widgets count: a hidden tab page or a control the window hides is not looked at.
inline QStringList CutOrOverlappingTexts(const QWidget& window) {
  QStringList out;
  QList<const QWidget*> controls;
  for (const QWidget* w : window.findChildren<QWidget*>()) {
    if (!w->isVisible() || w->isWindow() || w->window() != &window || !detail::IsControl(*w)) continue;
    controls << w;
    const QString text = detail::ShownTextOf(*w);
    if (text.trimmed().isEmpty()) continue;
    const QString cut = detail::CutText(*w, text);
    if (!cut.isEmpty()) out << detail::Name(*w) + ": " + cut;
    const QRect own(w->mapTo(&window, QPoint(0, 0)), w->size());
    if (detail::SeenRect(*w, window, true) != own) out << detail::Name(*w) + ": cut by the edge of its parent";
    if (auto* box = qobject_cast<const QGroupBox*>(w)) {
      const QRect title = detail::TitleRect(*box);
      for (const QWidget* inside : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (inside->isVisible() && inside->geometry().intersects(title))
          out << detail::Name(*inside) + " over the title of " + detail::Name(*box);
    }
  }
  // Two texts side by side on one line are a blank apart at least (the wider blank of their two fonts), or
  // they read as one: "6" beside "軸馬" reads "6軸馬".
  struct Painted {
    const QWidget* widget;
    QRect rect;  // in `window`
    int blank;
  };
  QList<Painted> texts;
  for (const QWidget* w : controls) {
    const QString text = detail::ShownTextOf(*w);
    if (text.trimmed().isEmpty()) continue;
    const QRect seen = detail::SeenRect(*w, window, false);
    const QRect rect = detail::PaintedTextRect(*w, text).translated(w->mapTo(&window, QPoint(0, 0))) & seen;
    if (!rect.isEmpty()) texts << Painted{w, rect, QFontMetrics(w->font()).horizontalAdvance(QLatin1Char(' '))};
  }
  for (qsizetype i = 0; i < texts.size(); ++i) {
    const QRect& a = texts[i].rect;
    for (qsizetype j = i + 1; j < texts.size(); ++j) {
      const QRect& b = texts[j].rect;
      if (a.top() > b.bottom() || b.top() > a.bottom()) continue;  // not on one line
      const int gap = std::max(b.left() - a.right(), a.left() - b.right()) - 1;
      const int blank = std::max(texts[i].blank, texts[j].blank);
      if (gap < blank)
        out << QString("%1 and %2: texts %3 px apart, a blank is %4")
                   .arg(detail::Name(*texts[i].widget), detail::Name(*texts[j].widget))
                   .arg(gap)
                   .arg(blank);
    }
  }
  for (qsizetype i = 0; i < controls.size(); ++i) {
    const QRect a = detail::SeenRect(*controls[i], window, false);
    for (qsizetype j = i + 1; j < controls.size(); ++j) {
      if (controls[i]->isAncestorOf(controls[j]) || controls[j]->isAncestorOf(controls[i])) continue;
      if (a.intersects(detail::SeenRect(*controls[j], window, false)))
        out << detail::Name(*controls[i]) + " over " + detail::Name(*controls[j]);
    }
  }
  return out;
}

// CutOrOverlappingTexts of the shown `window` resized to each of `sizes` in turn (QSize(1, 1) gives the smallest
// size the window allows), each line led by the size the window took.
inline QStringList CutOrOverlappingTextsAt(QWidget& window, std::initializer_list<QSize> sizes) {
  QStringList out;
  for (const QSize size : sizes) {
    window.resize(size);
    QCoreApplication::processEvents();
    for (const QString& fault : CutOrOverlappingTexts(window))
      out << QString("%1 x %2: %3").arg(window.width()).arg(window.height()).arg(fault);
  }
  return out;
}

}  // namespace corvina::test
