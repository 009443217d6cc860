#pragma once
// "データ取得時刻設定": how many minutes apart the day's results are fetched automatically (the setting
// kResultsPollMinutes; the next day load takes it up).
#include "racedata/ui/TimeSettingWindow.h"

class QLabel;

namespace corvina {

class Label3D;

class ResultsPollIntervalWindow : public TimeSettingWindow {
  Q_OBJECT
 public:
  // Shows the interval the program works with; `appDir` is the program folder holding the settings file.
  explicit ResultsPollIntervalWindow(const std::filesystem::path& appDir, QWidget* parent = nullptr);

  // The menu command: shows the window modally; the setting changes only when OK is pressed.
  static void Execute(const std::filesystem::path& appDir, QWidget* parent);

  Label3D* HeadingLabel = nullptr;
  QLabel* ExplanationLabel = nullptr;
  QSpinBox* IntervalSpinBox = nullptr;
};

}  // namespace corvina
