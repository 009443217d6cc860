#include "racedata/ui/FirstTimeUnit.h"

#include <QLabel>
#include <QVBoxLayout>

#include "components/ui/Label3Dj.h"

namespace corvina {

TFirstTimeForm::TFirstTimeForm(const std::filesystem::path& appDir, QWidget* parent)
    : TTimeSettingForm(appDir, QStringLiteral("データ取得時刻設定"), {"AutoRdataGet", kMin, kMax, kDefault},
                       parent) {
  Label3Dj3 = new TLabel3Dj(QStringLiteral("結果情報自動取得時刻指定"), this);
  Label3Dj3->SetFontSize(11);
  Label3Dj3->SetFontBold(true);
  Label3Dj3->setMinimumHeight(24);
  Body()->addWidget(Label3Dj3);
  Label11 = new QLabel(QStringLiteral("随時更新されるﾚｰｽ結果情報を何分おきに自動取得するか指定します。"), this);
  Label11->setWordWrap(true);
  Body()->addWidget(Label11);
  SpinEdit4 = AddSpinBoxAndOk({QStringLiteral("分間隔")});  // N11Click: the stored interval
}

void TFirstTimeForm::Execute(const std::filesystem::path& appDir, QWidget* parent) {
  TFirstTimeForm form(appDir, parent);
  form.exec();
}

}  // namespace corvina
