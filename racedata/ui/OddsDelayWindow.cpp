#include "racedata/ui/OddsDelayWindow.h"

#include <QLabel>
#include <QVBoxLayout>

namespace corvina {

OddsDelayWindow::OddsDelayWindow(const std::filesystem::path& appDir, QWidget* parent)
    : TimeSettingWindow(appDir, QStringLiteral("オッズデータ取得時刻調整"), kOddsDelayMinutes, parent) {
  ExplanationLabel = new QLabel(
      QStringLiteral("オッズを自動取得するときに指定時刻に何分かのディレイ（遅延）を発生させ、実際に取得される"
                     "オッズの時刻を調整することができます。下のボックスにて発生させたいディレイの長さを指定して"
                     "ください。"),
      this);
  ExplanationLabel->setWordWrap(true);
  ExplanationLabel->setMinimumWidth(360);
  Body()->addWidget(ExplanationLabel);
  DelaySpinBox = AddSpinBoxAndOk({QStringLiteral("分"), QStringLiteral("（０分～１５分までの任意の時間を指定）")});
}

void OddsDelayWindow::Execute(const std::filesystem::path& appDir, QWidget* parent) {
  OddsDelayWindow form(appDir, parent);
  form.exec();
}

}  // namespace corvina
