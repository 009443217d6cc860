#pragma once
// The system beep and the message boxes of the program. Both go through one replaceable sink so tests count
// beeps and read (and answer) messages without a modal box ever appearing.
#include <QString>
#include <functional>
#include <vector>

class QWidget;

namespace corvina::gui {

// Beep kinds as the windows name them: 0 default, 0x10 hand, 0x20 question, 0x30 exclamation, 0x40 asterisk.
void MessageBeep(int kind = 0);
using BeepSink = std::function<void(int kind)>;
// Replaces the beep (nullptr restores the system's).
void SetBeepSink(BeepSink sink);

enum class MsgKind { Information, Warning, Error, Confirmation };
enum class MsgResult { Ok, Yes, No };

// The program's name, the caption of its message boxes. Not Qt's application display name: the window system
// would append that to every window title.
QString ProgramName();

// An information box with one OK button.
void ShowInformation(QWidget* parent, const QString& text);
// A warning or error box with one OK button.
void ShowWarning(QWidget* parent, const QString& text);
void ShowError(QWidget* parent, const QString& text);
// A question with Yes and No; true on Yes.
bool AskYesNo(QWidget* parent, const QString& text);

using MessageSink = std::function<MsgResult(MsgKind kind, const QString& text)>;
// Replaces the boxes (nullptr restores the real ones).
void SetMessageSink(MessageSink sink);

// For tests: while it lives, beeps are counted and messages recorded instead of shown; questions get
// `answer`.
class MessageRecorder {
 public:
  struct Message {
    MsgKind kind;
    QString text;
  };
  explicit MessageRecorder(MsgResult answer = MsgResult::Yes);
  ~MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  int Beeps() const { return beeps_; }
  const std::vector<Message>& Messages() const { return messages_; }
  QStringList Texts() const;
  void Clear() {
    beeps_ = 0;
    messages_.clear();
  }
  void SetAnswer(MsgResult answer) { answer_ = answer; }

 private:
  int beeps_ = 0;
  std::vector<Message> messages_;
  MsgResult answer_;
};

}  // namespace corvina::gui
