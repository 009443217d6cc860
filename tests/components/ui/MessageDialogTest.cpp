// The message-box component: the beep of each kind, where the box goes, and what Execute keeps and reports.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <vector>

#include "components/ui/MessageDialog.h"
#include "platform/gui/Dialogs.h"
#include "tests/support/QtApp.h"

using namespace corvina;

namespace {
// Answers every box with `answer` and keeps the requests and the beeps (by kind) while it lives.
struct BoxRecorder {
  explicit BoxRecorder(ModalResult answer) {
    SetMsgBoxSink([this, answer](const MsgBoxRequest& r) { return requests.push_back(r), answer; });
    gui::SetBeepSink([this](int kind) { beeps.push_back(kind); });
  }
  ~BoxRecorder() { SetMsgBoxSink(nullptr), gui::SetBeepSink(nullptr); }
  std::vector<MsgBoxRequest> requests;
  std::vector<int> beeps;
};
}  // namespace

TEST(MessageDialogTest, SoundBeepsTheKindOfTheBoxAndSilenceBeepsNever) {
  const std::pair<MessageKind, int> kinds[] = {{MessageKind::Warning, 0x30},
                                               {MessageKind::Error, 0x10},
                                               {MessageKind::Information, 0x40},
                                               {MessageKind::Confirmation, 0x20},
                                               {MessageKind::Custom, 0}};
  for (auto [type, beep] : kinds) {
    for (bool sound : {true, false}) {
      BoxRecorder rec(ModalResult::Ok);
      MessageDialog dlg;
      dlg.Kind = type;
      dlg.Sound = sound;
      dlg.DisplayMsg = QStringLiteral("ﾃﾞｰﾀ %1").arg(beep);
      dlg.VisibleButtons = {MessageButton::Yes, MessageButton::NoToAll};
      dlg.Execute();
      ASSERT_EQ(rec.requests.size(), 1u);
      EXPECT_EQ(rec.requests[0].text, QStringLiteral("ﾃﾞｰﾀ %1").arg(beep));
      EXPECT_EQ(rec.requests[0].type, type);
      EXPECT_EQ(rec.requests[0].buttons, (MessageButtons{MessageButton::Yes, MessageButton::NoToAll}));
      EXPECT_EQ(rec.beeps, sound ? std::vector<int>{beep} : std::vector<int>{}) << beep;
    }
  }
}

TEST(MessageDialogTest, OnlyADesignedPositionPlacesTheBoxAndUnplacedCoordinatesAreCentred) {
  struct Case {
    MessagePosition position;
    int left, top, x, y;
  };
  const Case cases[] = {{MessagePosition::ScreenCenter, 10, 20, -1, -1},
                        {MessagePosition::Designed, 10, 20, 10, 20},
                        {MessagePosition::Designed, -1, -1, -1, -1}};
  for (const Case& c : cases) {
    BoxRecorder rec(ModalResult::Ok);
    MessageDialog dlg;
    dlg.MsgPosition = c.position;
    dlg.MsgLeft = c.left;
    dlg.MsgTop = c.top;
    dlg.Execute();
    EXPECT_EQ(QPoint(rec.requests.at(0).x, rec.requests.at(0).y), QPoint(c.x, c.y)) << c.left;
  }
  const QRect screen(0, 0, 1000, 800);
  EXPECT_EQ(MsgBoxTopLeft(-1, -1, QSize(200, 100), screen), QPoint(400, 350));
  EXPECT_EQ(MsgBoxTopLeft(30, -1, QSize(200, 100), screen), QPoint(30, 350));
  EXPECT_EQ(MsgBoxTopLeft(0, 0, QSize(200, 100), screen), QPoint(0, 0));
}

TEST(MessageDialogTest, ResultIsKeptAndReportedOnceTheBoxHasClosed) {
  BoxRecorder rec(ModalResult::No);
  MessageDialog dlg;
  EXPECT_EQ(dlg.VisibleButtons, (MessageButtons{MessageButton::Ok}));
  dlg.HelpContext = 7;
  std::vector<ModalResult> reported;
  dlg.OnButtonClick = [&](MessageDialog& sender, ModalResult result) {
    EXPECT_EQ(&sender, &dlg);
    EXPECT_EQ(rec.requests.size(), 1u);
    reported.push_back(result);
  };
  EXPECT_EQ(dlg.Execute(), ModalResult::No);
  EXPECT_EQ(dlg.Result(), ModalResult::No);
  EXPECT_EQ(reported, std::vector<ModalResult>{ModalResult::No});
  EXPECT_EQ(rec.requests.at(0).helpContext, 7);
}

// The real box, answered by a click on its one button: the caption of each button, the answer each click gives,
// and the title of each kind; a box asked for with no buttons still gets the OK that closes it.
TEST(MessageDialogTest, TheRealBoxShowsEachButtonAndAnswersWithItsResult) {
  test::App();
  struct Case {
    MessageButtons buttons;
    MessageKind kind;
    const char *caption, *title;
    ModalResult result;
    QMessageBox::Icon icon = QMessageBox::Warning;
  };
  const Case cases[] = {
      {{MessageButton::Yes}, MessageKind::Warning, "はい(&Y)", "警告", ModalResult::Yes},
      {{MessageButton::No}, MessageKind::Error, "いいえ(&N)", "エラー", ModalResult::No, QMessageBox::Critical},
      {{MessageButton::Ok}, MessageKind::Information, "OK", "情報", ModalResult::Ok, QMessageBox::Information},
      {{MessageButton::Cancel},
       MessageKind::Confirmation,
       "キャンセル",
       "確認",
       ModalResult::Cancel,
       QMessageBox::Question},
      {{MessageButton::Ok}, MessageKind::Custom, "OK", "コルヴィナ", ModalResult::Ok, QMessageBox::NoIcon},
      {{MessageButton::Abort}, MessageKind::Warning, "中止(&A)", "警告", ModalResult::Abort},
      {{MessageButton::Retry}, MessageKind::Warning, "再試行(&R)", "警告", ModalResult::Retry},
      {{MessageButton::Ignore}, MessageKind::Warning, "無視(&I)", "警告", ModalResult::Ignore},
      {{MessageButton::All}, MessageKind::Warning, "すべて(&A)", "警告", ModalResult::All},
      {{MessageButton::NoToAll}, MessageKind::Warning, "すべていいえ(&O)", "警告", ModalResult::NoToAll},
      {{MessageButton::YesToAll}, MessageKind::Warning, "すべてはい(&A)", "警告", ModalResult::YesToAll},
      {{}, MessageKind::Warning, "OK", "警告", ModalResult::Ok},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    QStringList shown;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      title = box->windowTitle();
      text = box->text();
      icon = box->icon();
      for (QAbstractButton* b : box->buttons()) shown << b->text();
      if (!box->buttons().isEmpty()) box->buttons().first()->click();
    });
    MessageDialog dlg;
    dlg.DisplayMsg = QStringLiteral("text");
    dlg.Kind = c.kind;
    dlg.VisibleButtons = c.buttons;
    EXPECT_EQ(dlg.Execute(), c.result);
    EXPECT_EQ(shown, QStringList{QString::fromUtf8(c.caption)});
    EXPECT_EQ(title, QString::fromUtf8(c.title));
    EXPECT_EQ(text, QStringLiteral("text"));
    EXPECT_EQ(icon, c.icon);
  }
  // The real box at its designed place, or else centred on the screen.
  for (MessagePosition position : {MessagePosition::Designed, MessagePosition::ScreenCenter}) {
    QPoint at, want;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      at = box->pos();
      want = position == MessagePosition::Designed
                 ? QPoint(30, 40)
                 : MsgBoxTopLeft(-1, -1, box->sizeHint(), QGuiApplication::primaryScreen()->availableGeometry());
      box->buttons().first()->click();
    });
    MessageDialog dlg;
    dlg.DisplayMsg = QStringLiteral("text");
    dlg.MsgPosition = position;
    dlg.MsgLeft = 30;
    dlg.MsgTop = 40;
    dlg.Execute();
    EXPECT_EQ(at, want) << static_cast<int>(position);
  }
}
