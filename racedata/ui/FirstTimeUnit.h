#pragma once
// "データ取得時刻設定": how many minutes apart the day's results are fetched automatically (settings "Time" /
// "AutoRdataGet"; the next day load takes it up).
#include <QDialog>
#include <filesystem>

#include "components/IniGT.h"

class QLabel;
class QPushButton;
class QSpinBox;

namespace corvina {

class TLabel3Dj;

class TFirstTimeForm : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kMin = 5, kMax = 59, kDefault = 15;

  // Shows the stored interval; `appDir` is the program folder holding the settings file.
  explicit TFirstTimeForm(const std::filesystem::path& appDir, QWidget* parent = nullptr);

  // The menu command: shows the window modally; the setting changes only when OK is pressed.
  static void Execute(const std::filesystem::path& appDir, QWidget* parent);

  TLabel3Dj* Label3Dj3 = nullptr;
  QLabel* Label11 = nullptr;
  QSpinBox* SpinEdit4 = nullptr;
  QPushButton* BitBtn1 = nullptr;

  // OK: stores the interval and closes. A settings file that cannot be written raises and the window stays
  // open.
  void BitBtn1Click();

 private:
  TIniGT IniGT1;
};

}  // namespace corvina
