#pragma once
// MessageDialog: the settings of one message box (text, kind, buttons, help topic, place, sound) held by a window, so
// the box is shown with one call.
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <initializer_list>

namespace corvina {

enum class MessageKind { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum class MessageButton {
  mbYes,
  mbNo,
  mbOK,
  mbCancel,
  mbAbort,
  mbRetry,
  mbIgnore,
  mbAll,
  mbNoToAll,
  mbYesToAll,
  mbHelp
};
enum class MessagePosition { poDesigned, poScreenCenter };

// A set of buttons.
class MessageButtons {
 public:
  constexpr MessageButtons() = default;
  constexpr MessageButtons(std::initializer_list<MessageButton> buttons) {
    for (MessageButton b : buttons) bits_ |= Bit(b);
  }
  constexpr bool Has(MessageButton b) const { return (bits_ & Bit(b)) != 0; }
  constexpr bool operator==(const MessageButtons&) const = default;

 private:
  static constexpr unsigned Bit(MessageButton b) { return 1u << static_cast<unsigned>(b); }
  unsigned bits_ = 0;
};

// The modal results a box returns, numbered as Windows numbers them.
enum ModalResult : int {
  mrNone = 0,
  mrOk = 1,
  mrCancel = 2,
  mrAbort = 3,
  mrRetry = 4,
  mrIgnore = 5,
  mrYes = 6,
  mrNo = 7,
  mrAll = 8,
  mrNoToAll = 9,
  mrYesToAll = 10
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
  MessageKind type = MessageKind::mtInformation;
  MessageButtons buttons;
  int helpContext = 0;
  int x = -1, y = -1;
};
using MsgBoxSink = std::function<int(const MsgBoxRequest& request)>;
// Replaces the box (nullptr restores the real one), so tests answer boxes without a modal window.
void SetMsgBoxSink(MsgBoxSink sink);

class MessageDialog : public QObject {
  Q_OBJECT
 public:
  using ButtonClickEvent = std::function<void(MessageDialog& sender, int result)>;

  explicit MessageDialog(QObject* owner = nullptr) : QObject(owner) {}

  bool Sound = false;
  int MsgLeft = -1;
  int MsgTop = -1;
  int HelpContext = 0;  // no help viewer takes topics here; kept for the windows that set it
  QString DisplayMsg;
  MessageKind Kind = MessageKind::mtInformation;
  MessagePosition MsgPosition = MessagePosition::poScreenCenter;
  MessageButtons VisibleButtons{MessageButton::mbOK};
  ButtonClickEvent OnButtonClick;

  // Beeps when asked, shows the box, keeps and returns the modal result of the button pressed.
  int Execute();
  void PlaySound() const;
  int Result() const { return result_; }

 private:
  int result_ = mrNone;
};

}  // namespace corvina
