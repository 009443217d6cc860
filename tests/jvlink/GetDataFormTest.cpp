// The import window offscreen: its controls drive the import, the status timer carries a download through to
// the read, and closing rebuilds the day list without leaving an exchange open.
#include <QElapsedTimer>
#include <QLabel>
#include <QGroupBox>
#include <QListWidget>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QDateTimeEdit>

#include "platform/gui/Dialogs.h"
#include "platform/jvlink/ScriptedJVLink.h"
#include "racedata/ui/GetDataUnit.h"
#include "tests/jvlink/TestSupport.h"
#include "tests/support/QtApp.h"

namespace corvina {
namespace {
namespace fs = std::filesystem;

class GetDataFormTest : public ::testing::Test {
 protected:
  test::TempDir tmp{"form"};
  fs::path dir = tmp.path();
  testing::ClockGuard clock{DateTime{2024, 1, 6, 18, 0, 0}};
  ScriptedJVLink link;
  gui::MessageRecorder messages;
  int dayListBuilt = 0;
  ExchangeGate gate;

  void SetUp() override {
    test::App();
    fs::create_directories(dir / "Data");
  }
};

// Texts of the labels and group boxes the window shows.
QStringList ShownTexts(const QWidget& form) {
  QStringList texts;
  for (const QLabel* l : form.findChildren<QLabel*>()) texts << l->text();
  for (const QGroupBox* g : form.findChildren<QGroupBox*>()) texts << g->title();
  return texts;
}

TEST_F(GetDataFormTest, ControlsCaptionsStartTimeAndNoDataMessage) {
  ASSERT_TRUE(SaveFileAtomic(dir / "corvina.ini", "[JvDataGet]\r\nLastTime=2023/12/30 07:08:09\r\n"));
  TGetDataForm form(link, dir, [&] { ++dayListBuilt; }, &gate);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("ＪＶデータ取込"));
  EXPECT_EQ(form.TimerJVStatus->interval(), 10);
  const std::pair<QAbstractButton*, const char*> buttons[] = {
      {form.SpeedButton1, "JVLink設定"}, {form.ButtonStart, "データ取込み開始"},
      {form.ButtonCancel, "データ取込み中止"}, {form.rbtNormal, "通常データ"}, {form.rbtIsthisweek, "今週開催データ"}, {form.rbtSetup, "セットアップデータ"}};
  for (const auto& [button, caption] : buttons) EXPECT_EQ(button->text(), QString::fromUtf8(caption));
  const QStringList texts = ShownTexts(form);
  for (const char* caption : {"取得データ", "取得開始日付", "ダウンロード", "読込み", "作成済みデータ"})
    EXPECT_TRUE(texts.contains(QString::fromUtf8(caption))) << caption;
  EXPECT_TRUE(form.rbtSetup->isHidden());
  form.show();
  QCoreApplication::processEvents();
  EXPECT_EQ(test::OverlappingChildren(form), QStringList()) << "every control has its place in the window";
  EXPECT_TRUE(form.Label5->isHidden());
  EXPECT_EQ(form.DateTimePicker1->dateTime(), QDateTime(QDate(2023, 12, 30), QTime(7, 8, 9)));
  EXPECT_EQ(form.Label5->text(), QStringLiteral("2023/12/30 07:08:09"));
  EXPECT_TRUE(form.rbtIsthisweek->isChecked());
  form.ButtonStart->click();
  EXPECT_EQ(link.calls.at(0), "JVOpen(RACE,20231230070809,2)=-1");
  EXPECT_EQ(messages.Texts().last(), QStringLiteral("最新のRACEデータがありません。"));
  form.rbtNormal->setChecked(true);
  form.ButtonStart->click();
  EXPECT_EQ(link.calls.at(2), "JVOpen(RACE,20231230070809,1)=-1");
  form.close();
  EXPECT_EQ(dayListBuilt, 1);
}

// The read loop lets queued events run once per record, so a click on the window's own Cancel button that
// arrives during a read stops it at the next record.
TEST_F(GetDataFormTest, CancelButtonStopsARunningRead) {
  ScriptedExchange e;
  e.readCount = 1;
  e.lastFileTimestamp = "20240106173000";
  for (int i = 1; i <= 9; ++i) e.reads.push_back(ScriptedRead::Record(testing::RA("202401060601010" + std::to_string(i))));
  link.AddExchange(e);
  TGetDataForm form(link, dir, [&] { ++dayListBuilt; }, &gate);
  form.show();
  link.onCall = [&](const std::string& op) {
    if (op != "JVRead" || link.CountCalls("JVRead") != 2) return;
    // A press and release on the Cancel button, waiting in the queue.
    const QPointF at = QRectF(form.ButtonCancel->rect()).center();
    const QPointF global = form.ButtonCancel->mapToGlobal(at);
    QCoreApplication::postEvent(form.ButtonCancel, new QMouseEvent(QEvent::MouseButtonPress, at, global,
                                                                   Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(form.ButtonCancel, new QMouseEvent(QEvent::MouseButtonRelease, at, global,
                                                                   Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
  };
  form.ButtonStart->click();
  EXPECT_EQ(link.Ops(), (std::vector<std::string>{"JVOpen", "JVRead", "JVRead", "JVCancel", "JVClose"}));
  EXPECT_TRUE(messages.Texts().contains(QStringLiteral("JVCancel:キャンセルされました")));
  EXPECT_EQ(form.ListBox1->count(), 2);
  EXPECT_FALSE(form.Logic().Busy());
  EXPECT_FALSE(gate.Busy());
  // Cut short: the start time stays where it was.
  EXPECT_NE(form.Label5->text(), QStringLiteral("2024/01/06 17:30:00"));
}

TEST_F(GetDataFormTest, TimerCarriesTheDownloadIntoTheReadAndTheList) {
  ScriptedExchange e;
  e.readCount = 1;
  e.downloadCount = 2;
  e.lastFileTimestamp = "20240106173000";
  e.statusResults = {0, 1, 2};
  e.reads = {ScriptedRead::Record(testing::RA("2024010606010101")), ScriptedRead::Code(-1)};
  link.AddExchange(e);
  TGetDataForm form(link, dir, [&] { ++dayListBuilt; }, &gate);
  form.show();
  form.ButtonStart->click();
  EXPECT_TRUE(form.TimerJVStatus->isActive());
  EXPECT_FALSE(form.ButtonStart->isEnabled());
  EXPECT_TRUE(gate.Busy());
  QElapsedTimer waited;
  waited.start();
  while (form.Logic().Busy() && waited.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_FALSE(form.Logic().Busy());
  EXPECT_FALSE(gate.Busy());
  EXPECT_FALSE(form.TimerJVStatus->isActive());
  ASSERT_EQ(form.ListBox1->count(), 1);
  EXPECT_EQ(form.ListBox1->item(0)->text(), QStringLiteral("作成済み:01R/2024年01月06日.jvRA"));
  EXPECT_EQ(form.Label5->text(), QStringLiteral("2024/01/06 17:30:00"));
  EXPECT_TRUE(form.ButtonStart->isEnabled());
}

TEST_F(GetDataFormTest, ClosingDuringDownloadCancelsAndCloses) {
  ScriptedExchange e;
  e.readCount = 1;
  e.downloadCount = 5;
  e.statusResults = std::vector<int>(20, 0);
  link.AddExchange(e);
  TGetDataForm form(link, dir, [&] { ++dayListBuilt; }, &gate);
  form.show();
  form.ButtonStart->click();
  form.close();
  EXPECT_FALSE(link.IsOpen());
  EXPECT_FALSE(gate.Busy());
  EXPECT_EQ(link.Ops().back(), "JVClose");
  EXPECT_EQ(dayListBuilt, 1);
}

}  // namespace
}  // namespace corvina
