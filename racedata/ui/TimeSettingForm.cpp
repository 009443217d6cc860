#include "racedata/ui/TimeSettingForm.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace corvina {

TTimeSettingForm::TTimeSettingForm(const std::filesystem::path& appDir, const QString& caption,
                                   const Setting& setting, QWidget* parent)
    : QDialog(parent), setting_(setting) {
  IniGT1.SetFileName((appDir / std::string(kSettingsFileName)).string());
  setWindowTitle(caption);
  setModal(true);
  top_ = new QVBoxLayout(this);
  // The caption stays whole in the title bar: in a bold face, beside the window icon and the title bar's buttons.
  QFont title = font();
  title.setBold(true);
  setMinimumWidth(QFontMetrics(title).horizontalAdvance(caption) + 120);
}

QSpinBox* TTimeSettingForm::AddSpinBoxAndOk(std::initializer_list<QString> units) {
  auto* row = new QHBoxLayout;
  spin_ = new QSpinBox(this);
  spin_->setRange(setting_.min, setting_.max);
  row->addWidget(spin_);
  for (const QString& unit : units) row->addWidget(new QLabel(unit, this));
  row->addStretch();
  top_->addLayout(row);

  BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
  BitBtn1->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BitBtn1);
  top_->addLayout(buttons);
  connect(BitBtn1, &QPushButton::clicked, this, &TTimeSettingForm::BitBtn1Click);

  // The spin box keeps a stored value beyond the range within it.
  spin_->setValue(IniGT1.ReadInteger("Time", setting_.key, setting_.defaultValue));
  return spin_;
}

void TTimeSettingForm::BitBtn1Click() {
  IniGT1.WriteInteger("Time", setting_.key, spin_->value());
  accept();
}

}  // namespace corvina
