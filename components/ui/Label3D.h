#pragma once
// Label3D: a text label drawn with a 3-D effect (raised, recessed, shadowed), optionally framed, turned, or
// acting as a web or e-mail link.
#include <QColor>
#include <QWidget>
#include <functional>

#include "platform/gui/Canvas.h"

namespace corvina {

enum class BorderKind { Default, Recessed, Raised };
enum class TextEffect { None, Raised, LightRaised, Recessed, HeavyRecessed, Shadow };
enum class LabelKind { Default, WWWAddress, EMailAddress };
enum class EllipsisMode { None, End, Path };

// Offsets and bounding size of a caption of w x h pixels turned by `angle` degrees (0..360), each the integer
// part of its expression.
struct RotatedTextBox {
  int dx = 0, dy = 0;  // from the rectangle's top-left corner to the text origin
  int width = 0, height = 0;
};
RotatedTextBox RotateTextBox(int angle, int w, int h);

// An angle brought into 0..360.
int NormalizeEscapement(int value);

// `text` shortened for `maxWidth` pixels by replacing leading folders with "...": the file name stays.
QString PathEllipsis(const QString& text, const QFontMetrics& fm, int maxWidth);

class Label3D : public QWidget {
  Q_OBJECT
 public:
  explicit Label3D(QWidget* parent = nullptr);
  Label3D(const QString& caption, QWidget* parent = nullptr);

  // Base label properties.
  QString Caption() const { return caption_; }
  void SetCaption(const QString& c);
  QColor Color() const { return color_; }
  void SetColor(const QColor& c);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  Qt::Alignment Alignment() const { return alignment_; }
  void SetAlignment(Qt::Alignment horizontal);  // left, right or centre
  enum class TextLayout { Top, Center, Bottom };
  void SetLayout(TextLayout l);
  void SetWordWrap(bool on);
  void SetAutoSize(bool on);
  void SetShowAccelChar(bool on);
  QColor FontColor() const { return fontColor_; }
  void SetFontColor(const QColor& c);
  // Font in points, bold.
  void SetFontSize(int points);
  void SetFontBold(bool bold);

  // Own properties.
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int v);
  bool Border() const { return border_; }
  void SetBorder(bool v);
  BorderKind BorderType() const { return borderType_; }
  void SetBorderType(BorderKind v);
  int Escapement() const { return escapement_; }
  void SetEscapement(int v);
  TextEffect TextStyle() const { return textStyle_; }
  void SetTextStyle(TextEffect v);
  LabelKind LabelStyle() const { return labelStyle_; }
  void SetLabelStyle(LabelKind v) { labelStyle_ = v; }
  QString Address() const { return address_; }
  void SetAddress(const QString& v);
  EllipsisMode EllipsesStyle() const { return ellipsesStyle_; }
  void SetEllipsesStyle(EllipsisMode v);
  int Shift() const { return shift_; }
  void SetShift(int v);

  std::function<void()> OnClick;
  std::function<void()> OnMouseEnter;
  std::function<void()> OnMouseExit;

  // The painting of the label, onto any canvas.
  void PaintTo(gui::Canvas& canvas);
  // What a click, the mouse entering and the mouse leaving do.
  void Click();
  void MouseEntered();
  void MouseLeft();

  QSize sizeHint() const override;
  // A layout never makes the label smaller than its caption (a wrapped one: than its lines, through its minimum
  // height), so a small window cuts or covers no label.
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void enterEvent(QEnterEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void leaveEvent(QEvent*) override;
  void changeEvent(QEvent*) override;

 private:
  bool IsLink() const { return labelStyle_ != LabelKind::Default; }
  int TextFlags() const;
  // Word wrap of a straight caption at a fixed size, without ellipsis: its lines are broken to the label's width.
  bool Wraps() const;
  void KeepHeightForLines();
  QString ShownText(const QFontMetrics& fm) const;
  void DrawPass(gui::Canvas& canvas, const QRect& r, const QColor& colour);
  void Changed();

  QString caption_;
  QColor color_;
  QColor fontColor_ = Qt::black;
  QColor colorBeforeHover_;
  bool transparent_ = false;
  Qt::Alignment alignment_ = Qt::AlignLeft;
  TextLayout layout_ = TextLayout::Top;
  bool wordWrap_ = false, autoSize_ = false, showAccelChar_ = true;
  int borderWidth_ = 1;
  bool border_ = false;
  BorderKind borderType_ = BorderKind::Default;
  int escapement_ = 0;
  TextEffect textStyle_ = TextEffect::Raised;
  LabelKind labelStyle_ = LabelKind::Default;
  QString address_;
  EllipsisMode ellipsesStyle_ = EllipsisMode::None;
  int shift_ = 1;
};

}  // namespace corvina
