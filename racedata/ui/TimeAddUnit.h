#pragma once
// "オッズデータ取得時刻調整": the delay, in minutes after each scheduled time, at which odds are taken
// automatically (settings "Time" / "delay").
#include <QDialog>
#include <filesystem>

#include "components/IniGT.h"

class QLabel;
class QPushButton;
class QSpinBox;

namespace corvina {

class TTimeAddForm : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kMin = 0, kMax = 15, kDefault = 5;

  // Shows the stored delay; `appDir` is the program folder holding the settings file.
  explicit TTimeAddForm(const std::filesystem::path& appDir, QWidget* parent = nullptr);

  // The menu command: shows the window modally; the setting changes only when OK is pressed.
  static void Execute(const std::filesystem::path& appDir, QWidget* parent);

  QLabel* Label1 = nullptr;
  QSpinBox* SpinEdit2 = nullptr;
  QPushButton* BitBtn1 = nullptr;

  // OK: stores the delay and closes. A settings file that cannot be written raises and the window stays open.
  void BitBtn1Click();

 private:
  TIniGT IniGT1;
};

}  // namespace corvina
