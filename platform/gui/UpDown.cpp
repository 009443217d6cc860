#include "platform/gui/UpDown.h"

#include <QBoxLayout>
#include <QToolButton>
#include <algorithm>

namespace corvina::gui {

UpDown::UpDown(QWidget* parent, Qt::Orientation orientation) : QWidget(parent) {
  const bool vertical = orientation == Qt::Vertical;
  auto* layout = new QBoxLayout(vertical ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight, this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  up_ = new QToolButton(this);
  up_->setArrowType(vertical ? Qt::UpArrow : Qt::RightArrow);
  down_ = new QToolButton(this);
  down_->setArrowType(vertical ? Qt::DownArrow : Qt::LeftArrow);
  // Up above down, or down (left) before up (right).
  for (auto* b : {vertical ? up_ : down_, vertical ? down_ : up_}) {
    b->setAutoRepeat(true);
    b->setSizePolicy(vertical ? QSizePolicy::Preferred : QSizePolicy::Expanding,
                     vertical ? QSizePolicy::Expanding : QSizePolicy::Preferred);
    layout->addWidget(b);
  }
  connect(up_, &QToolButton::clicked, this, [this] { ClickButton(Button::Up); });
  connect(down_, &QToolButton::clicked, this, [this] { ClickButton(Button::Down); });
}

void UpDown::SetMin(int v) {
  min_ = v;
  if (max_ < min_) max_ = min_;
  SetPosition(position_);
}

void UpDown::SetMax(int v) {
  max_ = std::max(v, min_);
  SetPosition(position_);
}

void UpDown::SetPosition(int v) { position_ = std::clamp(v, min_, max_); }

void UpDown::ClickButton(Button b) {
  SetPosition(position_ + (b == Button::Up ? 1 : -1));
  emit Clicked(b);
}

}  // namespace corvina::gui
