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
  ModalResult result;
};

// In the order Windows message boxes lay the buttons out. There are no help topics here, so a help button
// would only close the box; it is left off.
const std::array<ButtonSpec, 10> kButtons{{
    {MessageButton::Yes, QMessageBox::Yes, "はい(&Y)", ModalResult::Yes},
    {MessageButton::No, QMessageBox::No, "いいえ(&N)", ModalResult::No},
    {MessageButton::Ok, QMessageBox::Ok, "OK", ModalResult::Ok},
    {MessageButton::Cancel, QMessageBox::Cancel, "キャンセル", ModalResult::Cancel},
    {MessageButton::Abort, QMessageBox::Abort, "中止(&A)", ModalResult::Abort},
    {MessageButton::Retry, QMessageBox::Retry, "再試行(&R)", ModalResult::Retry},
    {MessageButton::Ignore, QMessageBox::Ignore, "無視(&I)", ModalResult::Ignore},
    {MessageButton::All, QMessageBox::NoButton, "すべて(&A)", ModalResult::All},
    {MessageButton::NoToAll, QMessageBox::NoToAll, "すべていいえ(&O)", ModalResult::NoToAll},
    {MessageButton::YesToAll, QMessageBox::YesToAll, "すべてはい(&A)", ModalResult::YesToAll},
}};

QString Caption(MessageKind type) {
  switch (type) {
    case MessageKind::Warning: return QStringLiteral("警告");
    case MessageKind::Error: return QStringLiteral("エラー");
    case MessageKind::Information: return QStringLiteral("情報");
    case MessageKind::Confirmation: return QStringLiteral("確認");
    case MessageKind::Custom: break;
  }
  return gui::ProgramName();
}

QMessageBox::Icon IconOf(MessageKind type) {
  switch (type) {
    case MessageKind::Warning: return QMessageBox::Warning;
    case MessageKind::Error: return QMessageBox::Critical;
    case MessageKind::Information: return QMessageBox::Information;
    case MessageKind::Confirmation: return QMessageBox::Question;
    case MessageKind::Custom: break;
  }
  return QMessageBox::NoIcon;
}

ModalResult ShowRealBox(const MsgBoxRequest& r) {
  QMessageBox box(IconOf(r.type), Caption(r.type), r.text);
  std::map<QAbstractButton*, ModalResult> results;
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
  if (!clicked) return ModalResult::Cancel;
  const auto it = results.find(clicked);
  return it != results.end() ? it->second : ModalResult::Ok;  // the OK that Qt adds to a box given no buttons
}

}  // namespace

int BeepKindOf(MessageKind type) {
  switch (type) {
    case MessageKind::Warning: return 0x30;
    case MessageKind::Error: return 0x10;
    case MessageKind::Information: return 0x40;
    case MessageKind::Confirmation: return 0x20;
    case MessageKind::Custom: break;
  }
  return 0;
}

QPoint MsgBoxTopLeft(int x, int y, QSize box, const QRect& screen) {
  return {x < 0 ? screen.x() + (screen.width() - box.width()) / 2 : x,
          y < 0 ? screen.y() + (screen.height() - box.height()) / 2 : y};
}

void SetMsgBoxSink(MsgBoxSink sink) { Sink() = std::move(sink); }

void MessageDialog::PlaySound() const { gui::MessageBeep(BeepKindOf(Kind)); }

ModalResult MessageDialog::Execute() {
  if (Sound) PlaySound();
  MsgBoxRequest request;
  request.text = DisplayMsg;
  request.type = Kind;
  request.buttons = VisibleButtons;
  request.helpContext = HelpContext;
  if (MsgPosition == MessagePosition::Designed) {
    request.x = MsgLeft;
    request.y = MsgTop;
  }
  result_ = Sink() ? Sink()(request) : ShowRealBox(request);
  if (OnButtonClick) OnButtonClick(*this, result_);
  return result_;
}

}  // namespace corvina
