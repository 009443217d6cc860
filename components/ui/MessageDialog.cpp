#include "components/ui/MessageDialog.h"

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
  MessageButton button;
  QMessageBox::StandardButton standard;  // NoButton: a button of our own
  const char* caption;
  int result;
};

// In the order Windows message boxes lay the buttons out. There are no help topics here, so a help button
// would only close the box; it is left off.
const std::array<ButtonSpec, 10> kButtons{{
    {MessageButton::mbYes, QMessageBox::Yes, "はい(&Y)", mrYes},
    {MessageButton::mbNo, QMessageBox::No, "いいえ(&N)", mrNo},
    {MessageButton::mbOK, QMessageBox::Ok, "OK", mrOk},
    {MessageButton::mbCancel, QMessageBox::Cancel, "キャンセル", mrCancel},
    {MessageButton::mbAbort, QMessageBox::Abort, "中止(&A)", mrAbort},
    {MessageButton::mbRetry, QMessageBox::Retry, "再試行(&R)", mrRetry},
    {MessageButton::mbIgnore, QMessageBox::Ignore, "無視(&I)", mrIgnore},
    {MessageButton::mbAll, QMessageBox::NoButton, "すべて(&A)", mrAll},
    {MessageButton::mbNoToAll, QMessageBox::NoToAll, "すべていいえ(&O)", mrNoToAll},
    {MessageButton::mbYesToAll, QMessageBox::YesToAll, "すべてはい(&A)", mrYesToAll},
}};

QString Caption(MessageKind type) {
  switch (type) {
    case MessageKind::mtWarning: return QStringLiteral("警告");
    case MessageKind::mtError: return QStringLiteral("エラー");
    case MessageKind::mtInformation: return QStringLiteral("情報");
    case MessageKind::mtConfirmation: return QStringLiteral("確認");
    case MessageKind::mtCustom: break;
  }
  return gui::ProgramName();
}

QMessageBox::Icon IconOf(MessageKind type) {
  switch (type) {
    case MessageKind::mtWarning: return QMessageBox::Warning;
    case MessageKind::mtError: return QMessageBox::Critical;
    case MessageKind::mtInformation: return QMessageBox::Information;
    case MessageKind::mtConfirmation: return QMessageBox::Question;
    case MessageKind::mtCustom: break;
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

int BeepKindOf(MessageKind type) {
  switch (type) {
    case MessageKind::mtWarning: return 0x30;
    case MessageKind::mtError: return 0x10;
    case MessageKind::mtInformation: return 0x40;
    case MessageKind::mtConfirmation: return 0x20;
    case MessageKind::mtCustom: break;
  }
  return 0;
}

QPoint MsgBoxTopLeft(int x, int y, QSize box, const QRect& screen) {
  return {x < 0 ? screen.x() + (screen.width() - box.width()) / 2 : x,
          y < 0 ? screen.y() + (screen.height() - box.height()) / 2 : y};
}

void SetMsgBoxSink(MsgBoxSink sink) { Sink() = std::move(sink); }

void MessageDialog::PlaySound() const { gui::MessageBeep(BeepKindOf(Kind)); }

int MessageDialog::Execute() {
  if (Sound) PlaySound();
  MsgBoxRequest request;
  request.text = DisplayMsg;
  request.type = Kind;
  request.buttons = VisibleButtons;
  request.helpContext = HelpContext;
  if (MsgPosition == MessagePosition::poDesigned) {
    request.x = MsgLeft;
    request.y = MsgTop;
  }
  result_ = Sink() ? Sink()(request) : ShowRealBox(request);
  if (OnButtonClick) OnButtonClick(*this, result_);
  return result_;
}

}  // namespace corvina
