#pragma once
// TSplashForm: the title window shown while the program starts. It goes away as soon as another window takes
// the focus, or when the main window appears (some window managers never activate a frameless window).
#include <QWidget>

namespace corvina {

class TSplashForm : public QWidget {
  Q_OBJECT
 public:
  explicit TSplashForm(QWidget* parent = nullptr);

  void FormCreate() {}
  void FormDeactivate();

 protected:
  void paintEvent(QPaintEvent*) override;
  void changeEvent(QEvent*) override;

 private:
  bool wasActive_ = false;
};

}  // namespace corvina
