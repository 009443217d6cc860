#include "platform/gui/WindowBounds.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace corvina::gui {

namespace {
constexpr int kFar = 1 << 20;

long long Area(const QRect& r) { return r.isEmpty() ? 0 : static_cast<long long>(r.width()) * r.height(); }
}  // namespace

QRect FitOnScreen(QRect bounds, const QList<QRect>& areas, const QSize& minimum) {
  if (areas.isEmpty()) return bounds;
  bounds.setWidth(std::max(bounds.width(), minimum.width()));
  bounds.setHeight(std::max(bounds.height(), minimum.height()));
  QRect area = areas.front();
  long long best = 0;
  for (const QRect& a : areas) {
    const long long overlap = Area(a.intersected(bounds));
    if (overlap > best) {
      best = overlap;
      area = a;
    }
  }
  bounds.setWidth(std::min(bounds.width(), area.width()));
  bounds.setHeight(std::min(bounds.height(), area.height()));
  bounds.moveLeft(std::clamp(bounds.left(), area.left(), area.left() + area.width() - bounds.width()));
  bounds.moveTop(std::clamp(bounds.top(), area.top(), area.top() + area.height() - bounds.height()));
  return bounds;
}

void NarrowToCaption(QAbstractButton& button) {
  button.setMinimumWidth(button.fontMetrics().horizontalAdvance(button.text()) + 14);
}

void RestoredBounds::Restore(QWidget& window, const StoredBounds& stored) {
  QList<QRect> areas;
  // The primary screen first: a window that overlaps none goes there.
  if (QScreen* primary = QGuiApplication::primaryScreen()) areas << primary->availableGeometry();
  for (QScreen* s : QGuiApplication::screens())
    if (s != QGuiApplication::primaryScreen()) areas << s->availableGeometry();
  // A damaged size gets at least what the window's contents need.
  const QSize least = window.minimumSizeHint().expandedTo(window.minimumSize()).expandedTo(QSize(100, 100));
  // The bounds are the client area; the frame around it must fit too. Before the window is first shown the
  // window system has not told its frame yet: a title bar and a border of the style's size stand in.
  QMargins frame = window.windowHandle() ? window.windowHandle()->frameMargins() : QMargins();
  if (frame.isNull()) {
    const int border = window.style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, &window);
    const int title = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
    frame = QMargins(border, border + title, border, border);
  }
  stored_ = stored;
  // Far beyond any screen is as good as the limit, and sums with it cannot overflow.
  auto bounded = [](int v) { return std::clamp(v, -kFar, kFar); };
  const QRect wanted(bounded(stored.left), bounded(stored.top), bounded(stored.width), bounded(stored.height));
  const QSize frameSize(frame.left() + frame.right(), frame.top() + frame.bottom());
  window.setGeometry(FitOnScreen(wanted + frame, areas, least + frameSize) - frame);
  placed_ = window.geometry();
}

StoredBounds RestoredBounds::ToStore(const QWidget& window) const {
  const QRect now = window.normalGeometry().isValid() ? window.normalGeometry() : window.geometry();
  if (now == placed_) return stored_;
  return {now.left(), now.top(), now.width(), now.height()};
}

}  // namespace corvina::gui
