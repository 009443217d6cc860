#pragma once
// Window bounds kept in the settings file and put back at the next start. Bounds stored on another desktop (a
// larger or a second monitor) or damaged would put the window off the screen with only a strip in view: the
// window is placed wholly on an available screen instead, shrunk where it is larger, and the stored bounds stay
// as they were until the user moves or resizes the window.
#include <QList>
#include <QRect>
#include <QSize>

class QAbstractButton;
class QWidget;

namespace corvina::gui {

// `bounds` moved, and shrunk where larger, to lie wholly within one of `areas`: the one it overlaps most, else
// the first. A width or height below `minimum` is raised to it first. Empty `areas` leave `bounds` as they are.
QRect FitOnScreen(QRect bounds, const QList<QRect>& areas, const QSize& minimum);

// Lets `button` be as narrow as its caption, not the style's wider default width for a button with text, so a
// window of many buttons still fits a small screen.
void NarrowToCaption(QAbstractButton& button);

// A window's client area as the settings keep it; any integers the file holds.
struct StoredBounds {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const StoredBounds&) const = default;
};

class RestoredBounds {
 public:
  // Places `window` at `stored`, fitted to the screens' available areas with its frame.
  void Restore(QWidget& window, const StoredBounds& stored);
  // The bounds to store when `window` closes: the stored ones while the window stands where Restore put it,
  // else its own (those of its normal state when maximised).
  StoredBounds ToStore(const QWidget& window) const;

 private:
  StoredBounds stored_;
  QRect placed_;
};

}  // namespace corvina::gui
