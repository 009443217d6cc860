// The message-box component: the beep of each kind, where the box goes, and what Execute keeps and reports.
#include <gtest/gtest.h>

#include <vector>

#include "components/ui/MsgDlg.h"
#include "platform/gui/Dialogs.h"

using namespace corvina;

namespace {
// Answers every box with `answer` and keeps the requests and the beeps (by kind) while it lives.
struct BoxRecorder {
  explicit BoxRecorder(int answer) {
    SetMsgBoxSink([this, answer](const MsgBoxRequest& r) { return requests.push_back(r), answer; });
    gui::SetBeepSink([this](int kind) { beeps.push_back(kind); });
  }
  ~BoxRecorder() { SetMsgBoxSink(nullptr), gui::SetBeepSink(nullptr); }
  std::vector<MsgBoxRequest> requests;
  std::vector<int> beeps;
};
}  // namespace

TEST(MsgDlgTest, SoundBeepsTheKindOfTheBoxAndSilenceBeepsNever) {
  const std::pair<TMsgDlgType, int> kinds[] = {{TMsgDlgType::mtWarning, 0x30}, {TMsgDlgType::mtError, 0x10},
                                               {TMsgDlgType::mtInformation, 0x40},
                                               {TMsgDlgType::mtConfirmation, 0x20}, {TMsgDlgType::mtCustom, 0}};
  for (auto [type, beep] : kinds) {
    for (bool sound : {true, false}) {
      BoxRecorder rec(mrOk);
      TMsgDlg dlg;
      dlg.MsgDlgType = type;
      dlg.Sound = sound;
      dlg.Execute();
      EXPECT_EQ(rec.requests.size(), 1u);
      EXPECT_EQ(rec.beeps, sound ? std::vector<int>{beep} : std::vector<int>{}) << beep;
    }
  }
}

TEST(MsgDlgTest, OnlyADesignedPositionPlacesTheBoxAndUnplacedCoordinatesAreCentred) {
  struct Case {
    TMsgPosition position;
    int left, top, x, y;
  };
  const Case cases[] = {{TMsgPosition::poScreenCenter, 10, 20, -1, -1},
                        {TMsgPosition::poDesigned, 10, 20, 10, 20},
                        {TMsgPosition::poDesigned, -1, -1, -1, -1}};
  for (const Case& c : cases) {
    BoxRecorder rec(mrOk);
    TMsgDlg dlg;
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

TEST(MsgDlgTest, ResultIsKeptAndReportedOnceTheBoxHasClosed) {
  BoxRecorder rec(mrNo);
  TMsgDlg dlg;
  EXPECT_EQ(dlg.VisibleButtons, (TMsgDlgButtons{TMsgDlgBtn::mbOK}));
  std::vector<int> reported;
  dlg.OnButtonClick = [&](TMsgDlg& sender, int result) {
    EXPECT_EQ(&sender, &dlg);
    EXPECT_EQ(rec.requests.size(), 1u);
    reported.push_back(result);
  };
  EXPECT_EQ(dlg.Execute(), mrNo);
  EXPECT_EQ(dlg.Result(), mrNo);
  EXPECT_EQ(reported, std::vector<int>{mrNo});
}
