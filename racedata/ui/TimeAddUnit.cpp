#include "racedata/ui/TimeAddUnit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace corvina {

TTimeAddForm::TTimeAddForm(const std::filesystem::path& appDir, QWidget* parent) : QDialog(parent) {
  IniGT1.SetFileName((appDir / std::string(kSettingsFileName)).string());
  setWindowTitle(QStringLiteral("オッズデータ取得時刻調整"));
  setModal(true);
  auto* top = new QVBoxLayout(this);
  Label1 = new QLabel(
      QStringLiteral("オッズを自動取得するときに指定時刻に何分かのディレイ（遅延）を発生させ、実際に取得される"
                     "オッズの時刻を調整することができます。下のボックスにて発生させたいディレイの長さを指定して"
                     "ください。"),
      this);
  Label1->setWordWrap(true);
  Label1->setMinimumWidth(360);
  top->addWidget(Label1);

  auto* row = new QHBoxLayout;
  SpinEdit2 = new QSpinBox(this);
  SpinEdit2->setRange(kMin, kMax);
  SpinEdit2->setValue(kDefault);
  row->addWidget(SpinEdit2);
  row->addWidget(new QLabel(QStringLiteral("分"), this));
  row->addWidget(new QLabel(QStringLiteral("（０分～１５分までの任意の時間を指定）"), this));
  row->addStretch();
  top->addLayout(row);

  BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
  BitBtn1->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BitBtn1);
  top->addLayout(buttons);
  connect(BitBtn1, &QPushButton::clicked, this, &TTimeAddForm::BitBtn1Click);

  // N9Click: the stored delay (the spin box keeps it within its range).
  SpinEdit2->setValue(IniGT1.ReadInteger("Time", "delay", kDefault));
}

void TTimeAddForm::Execute(const std::filesystem::path& appDir, QWidget* parent) {
  TTimeAddForm form(appDir, parent);
  form.exec();
}

void TTimeAddForm::BitBtn1Click() {
  IniGT1.WriteInteger("Time", "delay", SpinEdit2->value());
  accept();
}

}  // namespace corvina
