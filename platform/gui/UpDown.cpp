#include "platform/gui/UpDown.h"

#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace corvina::gui {

UpDown::UpDown(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  up_ = new QToolButton(this);
  up_->setArrowType(Qt::UpArrow);
  down_ = new QToolButton(this);
  down_->setArrowType(Qt::DownArrow);
  for (auto* b : {up_, down_}) {
    b->setAutoRepeat(true);
    b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
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
