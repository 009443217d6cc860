#pragma once
// A small settings window around one whole-minute setting: a spin box kept within the setting's declared range,
// shown with the value the program works with, and stored only when OK is pressed (closing the window any other
// way leaves the setting as it was).
#include <QDialog>
#include <filesystem>
#include <initializer_list>

#include "components/SettingsFile.h"

class QPushButton;
class QSpinBox;
class QVBoxLayout;

namespace corvina {

class TimeSettingWindow : public QDialog {
  Q_OBJECT
 public:
  QPushButton* OkButton = nullptr;

  // OK: stores the shown value and closes. A settings file that cannot be written raises and the window stays
  // open.
  void StoreValueAndClose();

 protected:
  // `appDir` is the program folder holding the settings file; `setting` is the setting the window edits.
  TimeSettingWindow(const std::filesystem::path& appDir, const QString& caption, const IntSetting& setting,
                    QWidget* parent);

  // Where the window puts its explanation, above the spin box.
  QVBoxLayout* Body() const { return top_; }

  // Below the explanation: the spin box followed by the `units` texts, then the OK button. The spin box shows
  // the setting as the program reads it.
  QSpinBox* AddSpinBoxAndOk(std::initializer_list<QString> units);

 private:
  SettingsFile settings_;
  IntSetting setting_;
  QVBoxLayout* top_ = nullptr;
  QSpinBox* spin_ = nullptr;
  int captionWidth_ = 0;  // the least width that shows the caption whole
};

}  // namespace corvina
