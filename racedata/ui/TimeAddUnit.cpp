#include "racedata/ui/TimeAddUnit.h"

#include <QLabel>
#include <QVBoxLayout>

namespace corvina {

TTimeAddForm::TTimeAddForm(const std::filesystem::path& appDir, QWidget* parent)
    : TTimeSettingForm(appDir, QStringLiteral("オッズデータ取得時刻調整"), {"delay", kMin, kMax, kDefault}, parent) {
  Label1 = new QLabel(
      QStringLiteral("オッズを自動取得するときに指定時刻に何分かのディレイ（遅延）を発生させ、実際に取得される"
                     "オッズの時刻を調整することができます。下のボックスにて発生させたいディレイの長さを指定して"
                     "ください。"),
      this);
  Label1->setWordWrap(true);
  Label1->setMinimumWidth(360);
  Body()->addWidget(Label1);
  // N9Click: the stored delay
  SpinEdit2 = AddSpinBoxAndOk({QStringLiteral("分"), QStringLiteral("（０分～１５分までの任意の時間を指定）")});
}

void TTimeAddForm::Execute(const std::filesystem::path& appDir, QWidget* parent) {
  TTimeAddForm form(appDir, parent);
  form.exec();
}

}  // namespace corvina
