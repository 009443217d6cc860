#pragma once
// A pair of arrow buttons stepping a position between Min and Max. The up arrow moves the position up by one,
// the down arrow down by one, never past the range; laid out horizontally, the right arrow is the up one and
// the left the down one. Clicked is sent for a user's click only, never when the
// program sets the position, so a handler that sets the position cannot call itself again.
#include <QWidget>

class QToolButton;

namespace corvina::gui {

class UpDown : public QWidget {
  Q_OBJECT
 public:
  enum class Button { Up, Down };

  explicit UpDown(QWidget* parent = nullptr, Qt::Orientation orientation = Qt::Vertical);

  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return position_; }
  void SetMin(int v);
  void SetMax(int v);
  void SetPosition(int v);  // clamped to Min..Max; sends nothing

  // What a click on the arrow does (also used by tests instead of a mouse).
  void ClickButton(Button b);

 signals:
  void Clicked(corvina::gui::UpDown::Button button);

 private:
  int min_ = 0, max_ = 100, position_ = 0;
  QToolButton* up_;
  QToolButton* down_;
};

}  // namespace corvina::gui
