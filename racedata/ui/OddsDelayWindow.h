#pragma once
// "オッズデータ取得時刻調整": the delay, in minutes after each scheduled time, at which odds are taken
// automatically (the setting kOddsDelayMinutes).
#include "racedata/ui/TimeSettingWindow.h"

class QLabel;

namespace corvina {

class OddsDelayWindow : public TimeSettingWindow {
  Q_OBJECT
 public:
  // Shows the delay the program works with; `appDir` is the program folder holding the settings file.
  explicit OddsDelayWindow(const std::filesystem::path& appDir, QWidget* parent = nullptr);

  // The menu command: shows the window modally; the setting changes only when OK is pressed.
  static void Execute(const std::filesystem::path& appDir, QWidget* parent);

  QLabel* ExplanationLabel = nullptr;
  QSpinBox* DelaySpinBox = nullptr;
};

}  // namespace corvina
