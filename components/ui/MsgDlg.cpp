#include "components/ui/MsgDlg.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <array>
#include <map>

#include "platform/gui/Dialogs.h"

namespace corvina {

namespace {

MsgBoxSink& Sink() {
  static MsgBoxSink sink;
  return sink;
}

struct ButtonSpec {
  TMsgDlgBtn button;
  QMessageBox::StandardButton standard;  // NoButton: a button of our own
  const char* caption;
  int result;
};

// In the order the original platform lays the buttons out. There are no help topics here, so a help button
// would only close the box; it is left off.
const std::array<ButtonSpec, 10> kButtons{{
    {TMsgDlgBtn::mbYes, QMessageBox::Yes, "はい(&Y)", mrYes},
    {TMsgDlgBtn::mbNo, QMessageBox::No, "いいえ(&N)", mrNo},
    {TMsgDlgBtn::mbOK, QMessageBox::Ok, "OK", mrOk},
    {TMsgDlgBtn::mbCancel, QMessageBox::Cancel, "キャンセル", mrCancel},
    {TMsgDlgBtn::mbAbort, QMessageBox::Abort, "中止(&A)", mrAbort},
    {TMsgDlgBtn::mbRetry, QMessageBox::Retry, "再試行(&R)", mrRetry},
    {TMsgDlgBtn::mbIgnore, QMessageBox::Ignore, "無視(&I)", mrIgnore},
    {TMsgDlgBtn::mbAll, QMessageBox::NoButton, "すべて(&A)", mrAll},
    {TMsgDlgBtn::mbNoToAll, QMessageBox::NoToAll, "すべていいえ(&O)", mrNoToAll},
    {TMsgDlgBtn::mbYesToAll, QMessageBox::YesToAll, "すべてはい(&A)", mrYesToAll},
}};

QString Caption(TMsgDlgType type) {
  switch (type) {
    case TMsgDlgType::mtWarning: return QStringLiteral("警告");
    case TMsgDlgType::mtError: return QStringLiteral("エラー");
    case TMsgDlgType::mtInformation: return QStringLiteral("情報");
    case TMsgDlgType::mtConfirmation: return QStringLiteral("確認");
    case TMsgDlgType::mtCustom: break;
  }
  return gui::ProgramName();
}

QMessageBox::Icon IconOf(TMsgDlgType type) {
  switch (type) {
    case TMsgDlgType::mtWarning: return QMessageBox::Warning;
    case TMsgDlgType::mtError: return QMessageBox::Critical;
    case TMsgDlgType::mtInformation: return QMessageBox::Information;
    case TMsgDlgType::mtConfirmation: return QMessageBox::Question;
    case TMsgDlgType::mtCustom: break;
  }
  return QMessageBox::NoIcon;
}

int ShowRealBox(const MsgBoxRequest& r) {
  QMessageBox box(IconOf(r.type), Caption(r.type), r.text);
  std::map<QAbstractButton*, int> results;
  for (const ButtonSpec& button : kButtons) {
    if (!r.buttons.Has(button.button)) continue;
    QAbstractButton* b = button.standard == QMessageBox::NoButton
                             ? box.addButton(QString::fromUtf8(button.caption), QMessageBox::AcceptRole)
                             : box.addButton(button.standard);
    b->setText(QString::fromUtf8(button.caption));
    results[b] = button.result;
  }
  box.adjustSize();
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  box.move(MsgBoxTopLeft(r.x, r.y, box.sizeHint(), area));
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  if (!clicked) return mrCancel;
  const auto it = results.find(clicked);
  return it != results.end() ? it->second : mrOk;  // the OK that Qt adds to a box given no buttons
}

}  // namespace

int BeepKindOf(TMsgDlgType type) {
  switch (type) {
    case TMsgDlgType::mtWarning: return 0x30;
    case TMsgDlgType::mtError: return 0x10;
    case TMsgDlgType::mtInformation: return 0x40;
    case TMsgDlgType::mtConfirmation: return 0x20;
    case TMsgDlgType::mtCustom: break;
  }
  return 0;
}

QPoint MsgBoxTopLeft(int x, int y, QSize box, const QRect& screen) {
  return {x < 0 ? screen.x() + (screen.width() - box.width()) / 2 : x,
          y < 0 ? screen.y() + (screen.height() - box.height()) / 2 : y};
}

void SetMsgBoxSink(MsgBoxSink sink) { Sink() = std::move(sink); }

void TMsgDlg::PlaySound() const { gui::MessageBeep(BeepKindOf(MsgDlgType)); }

int TMsgDlg::Execute() {
  if (Sound) PlaySound();
  MsgBoxRequest request;
  request.text = DisplayMsg;
  request.type = MsgDlgType;
  request.buttons = VisibleButtons;
  request.helpContext = HelpContext;
  if (MsgPosition == TMsgPosition::poDesigned) {
    request.x = MsgLeft;
    request.y = MsgTop;
  }
  result_ = Sink() ? Sink()(request) : ShowRealBox(request);
  if (OnButtonClick) OnButtonClick(*this, result_);
  return result_;
}

}  // namespace corvina
