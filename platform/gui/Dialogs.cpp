#include "platform/gui/Dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QStringList>

namespace corvina::gui {

namespace {
BeepSink& Beeper() {
  static BeepSink sink;
  return sink;
}
MessageSink& Messenger() {
  static MessageSink sink;
  return sink;
}

}  // namespace

QString ProgramName() { return QStringLiteral("コルヴィナ"); }

namespace {

MsgResult Show(QWidget* parent, MsgKind kind, const QString& text) {
  if (Messenger()) return Messenger()(kind, text);
  const QString title = ProgramName();
  switch (kind) {
    case MsgKind::Information: QMessageBox::information(parent, title, text); return MsgResult::Ok;
    case MsgKind::Warning: QMessageBox::warning(parent, title, text); return MsgResult::Ok;
    case MsgKind::Error: QMessageBox::critical(parent, title, text); return MsgResult::Ok;
    case MsgKind::Confirmation:
      return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes
                 ? MsgResult::Yes
                 : MsgResult::No;
  }
  return MsgResult::Ok;
}
}  // namespace

void MessageBeep(int kind) {
  if (Beeper())
    Beeper()(kind);
  else
    QApplication::beep();
}

void SetBeepSink(BeepSink sink) { Beeper() = std::move(sink); }
void SetMessageSink(MessageSink sink) { Messenger() = std::move(sink); }

void ShowInformation(QWidget* parent, const QString& text) { Show(parent, MsgKind::Information, text); }
void ShowWarning(QWidget* parent, const QString& text) { Show(parent, MsgKind::Warning, text); }
void ShowError(QWidget* parent, const QString& text) { Show(parent, MsgKind::Error, text); }
bool AskYesNo(QWidget* parent, const QString& text) {
  return Show(parent, MsgKind::Confirmation, text) == MsgResult::Yes;
}

MessageRecorder::MessageRecorder(MsgResult answer) : answer_(answer) {
  SetBeepSink([this](int) { ++beeps_; });
  SetMessageSink([this](MsgKind kind, const QString& text) {
    messages_.push_back({kind, text});
    return kind == MsgKind::Confirmation ? answer_ : MsgResult::Ok;
  });
}

MessageRecorder::~MessageRecorder() {
  SetBeepSink(nullptr);
  SetMessageSink(nullptr);
}

QStringList MessageRecorder::Texts() const {
  QStringList out;
  for (const auto& m : messages_) out << m.text;
  return out;
}

}  // namespace corvina::gui
