#pragma once
// A drawing surface in the manner the windows paint: a brush, a pen and a font with its colour, and text placed
// by the top-left corner of its box (Qt places text by its baseline). A text box is one em high, as the Windows
// Japanese faces measure: the windows' cell layouts (two lines in a 27-pixel header, a name and a second line in
// a 25-pixel row) were made for those metrics, and the Linux faces (Noto Sans CJK: 1.45 em line height) would
// otherwise spill out of their cells. QtCanvas draws the glyphs one pixel smaller than the em with an ideograph's
// ink starting at the top of the box: the Windows faces keep their ideographs inside the em, while Noto's
// anti-aliased ideographs fill it and one pixel more, so two lines stacked one em apart would touch.
// QtCanvas draws with a QPainter; RecordingCanvas keeps a list of what was drawn so painting rules can be checked
// without looking at pixels.
#include <QColor>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <vector>

class QPainter;

namespace corvina::gui {

class Canvas {
 public:
  virtual ~Canvas() = default;

  // Brush: the colour that FillRect uses and that text is drawn over. A clear brush draws text transparently.
  void SetBrushColor(const QColor& c) {
    brushColor_ = c;
    brushClear_ = false;
  }
  void SetBrushClear(bool clear) { brushClear_ = clear; }
  const QColor& BrushColor() const { return brushColor_; }
  bool BrushClear() const { return brushClear_; }

  void SetPenColor(const QColor& c) { penColor_ = c; }
  const QColor& PenColor() const { return penColor_; }
  // Pen width in pixels of the surface drawn on; 1 (the default) is the thinnest line.
  void SetPenWidth(int width) { penWidth_ = width < 1 ? 1 : width; }
  int PenWidth() const { return penWidth_; }

  // Font and its colour; sizes in points as the windows give them.
  void SetFont(const QFont& f) { font_ = f; }
  const QFont& Font() const { return font_; }
  void SetFontColor(const QColor& c) { fontColor_ = c; }
  const QColor& FontColor() const { return fontColor_; }
  void SetFontSize(int points) { font_.setPointSize(points); }
  void SetFontBold(bool bold) { font_.setBold(bold); }
  void SetFontUnderline(bool on) { font_.setUnderline(on); }
  // Dots per inch that font sizes in points are turned into pixels with; 0 (the default) is the screen's. A
  // printer's page canvas takes the printer's, so a font in points has its true size on paper.
  void SetFontResolution(int dpi) { fontDpi_ = dpi; }
  int FontResolution() const { return fontDpi_; }

  virtual void FillRect(const QRect& r) = 0;
  // Text whose box has its top-left corner at (x, y); the brush (unless clear) fills the box first.
  virtual void TextOut(int x, int y, const QString& text) = 0;
  // Text aligned inside `r` (Qt alignment flags), clipped to it; the brush is not used.
  virtual void TextRect(const QRect& r, const QString& text, int alignment) = 0;
  // Text turned by `degrees` counter-clockwise about (x, y), the top-left corner of its unturned box.
  virtual void TextOutRotated(int x, int y, const QString& text, int degrees) = 0;
  virtual QSize TextExtent(const QString& text) const;
  // The height of a text box: the font's em size in pixels.
  int EmHeight() const;
  void MoveTo(int x, int y) { penPos_ = QPoint(x, y); }
  // A line from the pen position to (x, y) in the pen colour; (x, y) becomes the pen position.
  virtual void LineTo(int x, int y) = 0;
  // The outline of `r` in the pen colour.
  virtual void FrameRect(const QRect& r) = 0;

 protected:
  QPoint penPos_;

 private:
  QColor brushColor_ = Qt::white;
  bool brushClear_ = false;
  QColor penColor_ = Qt::black;
  int penWidth_ = 1;
  QColor fontColor_ = Qt::black;
  QFont font_;
  int fontDpi_ = 0;
};

class QtCanvas : public Canvas {
 public:
  explicit QtCanvas(QPainter& painter) : painter_(painter) {}
  void FillRect(const QRect& r) override;
  void TextOut(int x, int y, const QString& text) override;
  void TextRect(const QRect& r, const QString& text, int alignment) override;
  void TextOutRotated(int x, int y, const QString& text, int degrees) override;
  QSize TextExtent(const QString& text) const override;
  void LineTo(int x, int y) override;
  void FrameRect(const QRect& r) override;

  // A printer's page: the faces are those a printed page takes (PrintFont), so its text can be searched.
  void SetPrintFaces(bool on) { printFaces_ = on; }

  // The font the glyphs are drawn in (one pixel below the em) and the distance from the top of a text box to
  // the baseline that puts an ideograph's ink at the top of the box.
  QFont GlyphFont() const;
  int BaselineOffset() const;

 private:
  QFont FaceFont() const;

  QPainter& painter_;
  bool printFaces_ = false;
};

// One recorded drawing operation with the state it was drawn in.
struct CanvasOp {
  enum class Kind { Fill, Text, TextRect, Line, Frame };
  Kind kind;
  QRect rect;       // Fill, TextRect, Frame; for Text the text box
  QPoint from, to;  // Line; for Text `from` is the point given
  QString text;
  QColor brush;
  bool brushClear = false;
  QColor pen;
  QColor fontColor;
  int fontPoints = 0;
  bool bold = false;
  int alignment = 0;  // TextRect
  int degrees = 0;    // Text
  int penWidth = 1;   // Line, Frame
};

class RecordingCanvas : public Canvas {
 public:
  void FillRect(const QRect& r) override;
  void TextOut(int x, int y, const QString& text) override;
  void TextRect(const QRect& r, const QString& text, int alignment) override;
  void TextOutRotated(int x, int y, const QString& text, int degrees) override;
  void LineTo(int x, int y) override;
  void FrameRect(const QRect& r) override;

  const std::vector<CanvasOp>& Ops() const { return ops_; }
  void Clear() { ops_.clear(); }
  // The first text operation drawing exactly `text`, or nullptr.
  const CanvasOp* FindText(const QString& text) const;
  // All texts drawn, in order.
  QStringList Texts() const;

 private:
  CanvasOp Base(CanvasOp::Kind k) const;
  std::vector<CanvasOp> ops_;
};

}  // namespace corvina::gui
