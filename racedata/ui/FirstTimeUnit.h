#pragma once
// "データ取得時刻設定": how many minutes apart the day's results are fetched automatically (settings "Time" /
// "AutoRdataGet"; the next day load takes it up).
#include "racedata/ui/TimeSettingForm.h"

class QLabel;

namespace corvina {

class TLabel3Dj;

class TFirstTimeForm : public TTimeSettingForm {
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
};

}  // namespace corvina
