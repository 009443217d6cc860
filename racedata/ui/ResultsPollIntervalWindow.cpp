#include "racedata/ui/ResultsPollIntervalWindow.h"

#include <QLabel>
#include <QVBoxLayout>

#include "components/ui/Label3D.h"

namespace corvina {

ResultsPollIntervalWindow::ResultsPollIntervalWindow(const std::filesystem::path& appDir, QWidget* parent)
    : TimeSettingWindow(appDir, QStringLiteral("データ取得時刻設定"), kResultsPollMinutes, parent) {
  HeadingLabel = new Label3D(QStringLiteral("結果情報自動取得時刻指定"), this);
  HeadingLabel->SetFontSize(11);
  HeadingLabel->SetFontBold(true);
  HeadingLabel->setMinimumHeight(24);
  Body()->addWidget(HeadingLabel);
  ExplanationLabel =
      new QLabel(QStringLiteral("随時更新されるﾚｰｽ結果情報を何分おきに自動取得するか指定します。"), this);
  ExplanationLabel->setWordWrap(true);
  Body()->addWidget(ExplanationLabel);
  IntervalSpinBox = AddSpinBoxAndOk({QStringLiteral("分間隔")});
}

void ResultsPollIntervalWindow::Execute(const std::filesystem::path& appDir, QWidget* parent) {
  ResultsPollIntervalWindow form(appDir, parent);
  form.exec();
}

}  // namespace corvina
