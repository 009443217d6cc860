#include "racedata/ui/FirstTimeUnit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "components/ui/Label3Dj.h"

namespace corvina {

TFirstTimeForm::TFirstTimeForm(const std::filesystem::path& appDir, QWidget* parent) : QDialog(parent) {
  IniGT1.SetFileName((appDir / std::string(kSettingsFileName)).string());
  setWindowTitle(QStringLiteral("データ取得時刻設定"));
  setModal(true);
  auto* top = new QVBoxLayout(this);
  Label3Dj3 = new TLabel3Dj(QStringLiteral("結果情報自動取得時刻指定"), this);
  Label3Dj3->SetFontSize(11);
  Label3Dj3->SetFontBold(true);
  Label3Dj3->setMinimumHeight(24);
  top->addWidget(Label3Dj3);
  Label11 = new QLabel(QStringLiteral("随時更新されるﾚｰｽ結果情報を何分おきに自動取得するか指定します。"), this);
  Label11->setWordWrap(true);
  top->addWidget(Label11);

  auto* row = new QHBoxLayout;
  SpinEdit4 = new QSpinBox(this);
  SpinEdit4->setRange(kMin, kMax);
  SpinEdit4->setValue(kDefault);
  row->addWidget(SpinEdit4);
  row->addWidget(new QLabel(QStringLiteral("分間隔"), this));
  row->addStretch();
  top->addLayout(row);

  BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
  BitBtn1->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BitBtn1);
  top->addLayout(buttons);
  connect(BitBtn1, &QPushButton::clicked, this, &TFirstTimeForm::BitBtn1Click);

  // N11Click: the stored interval (the spin box keeps it within its range).
  SpinEdit4->setValue(IniGT1.ReadInteger("Time", "AutoRdataGet", kDefault));
}

void TFirstTimeForm::Execute(const std::filesystem::path& appDir, QWidget* parent) {
  TFirstTimeForm form(appDir, parent);
  form.exec();
}

void TFirstTimeForm::BitBtn1Click() {
  IniGT1.WriteInteger("Time", "AutoRdataGet", SpinEdit4->value());
  accept();
}

}  // namespace corvina
