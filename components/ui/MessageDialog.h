#pragma once
// MessageDialog: the settings of one message box (text, kind, buttons, help topic, place, sound) held by a window, so
// the box is shown with one call.
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>

#include "platform/EnumSet.h"

namespace corvina {

enum class MessageKind { Warning, Error, Information, Confirmation, Custom };
enum class MessageButton { Yes, No, Ok, Cancel, Abort, Retry, Ignore, All, NoToAll, YesToAll, Help };
enum class MessagePosition { Designed, ScreenCenter };

// A set of buttons.
using MessageButtons = EnumSet<MessageButton>;

// The modal results a box returns, numbered as Windows numbers them.
enum class ModalResult : int {
  None = 0,
  Ok = 1,
  Cancel = 2,
  Abort = 3,
  Retry = 4,
  Ignore = 5,
  Yes = 6,
  No = 7,
  All = 8,
  NoToAll = 9,
  YesToAll = 10
};

// The system beep that goes with a kind of box (0x30 exclamation, 0x10 hand, 0x40 asterisk, 0x20 question,
// 0 the default beep).
int BeepKindOf(MessageKind type);

// Where a box of `box` pixels goes on `screen`: a negative coordinate (-1, "not placed") is centred on the
// screen, any other is used as it stands.
QPoint MsgBoxTopLeft(int x, int y, QSize box, const QRect& screen);

// One box as a window asks for it; x and y are -1 for "centred on the screen".
struct MsgBoxRequest {
  QString text;
  MessageKind type = MessageKind::Information;
  MessageButtons buttons;
  int helpContext = 0;
  int x = -1, y = -1;
};
using MsgBoxSink = std::function<ModalResult(const MsgBoxRequest& request)>;
// Replaces the box (nullptr restores the real one), so tests answer boxes without a modal window.
void SetMsgBoxSink(MsgBoxSink sink);

class MessageDialog : public QObject {
  Q_OBJECT
 public:
  using ButtonClickEvent = std::function<void(MessageDialog& sender, ModalResult result)>;

  explicit MessageDialog(QObject* owner = nullptr) : QObject(owner) {}

  bool Sound = false;
  int MsgLeft = -1;
  int MsgTop = -1;
  int HelpContext = 0;  // no help viewer takes topics here; kept for the windows that set it
  QString DisplayMsg;
  MessageKind Kind = MessageKind::Information;
  MessagePosition MsgPosition = MessagePosition::ScreenCenter;
  MessageButtons VisibleButtons{MessageButton::Ok};
  ButtonClickEvent OnButtonClick;

  // Beeps when asked, shows the box, keeps and returns the modal result of the button pressed.
  ModalResult Execute();
  void PlaySound() const;
  ModalResult Result() const { return result_; }

 private:
  ModalResult result_ = ModalResult::None;
};

}  // namespace corvina
