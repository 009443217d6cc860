#include "racedata/ui/TimeSettingWindow.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/gui/Dialogs.h"

namespace corvina {

TimeSettingWindow::TimeSettingWindow(const std::filesystem::path& appDir, const QString& caption,
                                     const IntSetting& setting, QWidget* parent)
    : QDialog(parent), setting_(setting) {
  settings_.SetFileName((appDir / std::string(kSettingsFileName)).string());
  setWindowTitle(caption);
  setModal(true);
  top_ = new QVBoxLayout(this);
  // The caption stays whole in the title bar: in a bold face, beside the window icon and the title bar's buttons.
  QFont title = font();
  title.setBold(true);
  captionWidth_ = QFontMetrics(title).horizontalAdvance(caption) + 120;
}

QSpinBox* TimeSettingWindow::AddSpinBoxAndOk(std::initializer_list<QString> units) {
  auto* row = new QHBoxLayout;
  spin_ = new QSpinBox(this);
  spin_->setRange(setting_.min, setting_.max);
  row->addWidget(spin_);
  for (const QString& unit : units) row->addWidget(new QLabel(unit, this));
  row->addStretch();
  top_->addLayout(row);

  OkButton = new QPushButton(QStringLiteral("OK"), this);
  OkButton->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OkButton);
  top_->addLayout(buttons);
  connect(OkButton, &QPushButton::clicked, this, &TimeSettingWindow::StoreValueAndClose);

  spin_->setValue(settings_.Read(setting_));

  // The smallest window shows every text whole: as wide as its widest line of controls and its caption, and at
  // that width as high as the explanation's wrapped lines need (a layout alone would let the window shrink below
  // the height of wrapped lines).
  const int least = std::max(top_->totalMinimumSize().width(), captionWidth_);
  setMinimumSize(least, top_->totalHeightForWidth(least));
  return spin_;
}

void TimeSettingWindow::StoreValueAndClose() {
  try {
    settings_.Write(setting_, spin_->value());
  } catch (const SettingsFileError& e) {
    // Caught here, not by the application: an exception must not unwind through the button's own frames. The
    // window stays open so the user sees the value was not kept.
    gui::ShowError(this, QString::fromStdString(e.what()));
    return;
  }
  accept();
}

}  // namespace corvina
