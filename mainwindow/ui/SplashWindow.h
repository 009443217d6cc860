#pragma once
// SplashWindow: the title window shown while the program starts. It goes away as soon as another window takes
// the focus, and before any other window of the program appears: the main window, or a message that ends the
// start-up, which the splash (on top of everything) would otherwise hide.
#include <QWidget>

namespace corvina {

class SplashWindow : public QWidget {
  Q_OBJECT
 public:
  explicit SplashWindow(QWidget* parent = nullptr);

  void Dismiss();

 protected:
  void paintEvent(QPaintEvent*) override;
  void changeEvent(QEvent*) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool wasActive_ = false;
};

}  // namespace corvina
