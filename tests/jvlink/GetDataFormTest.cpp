// The import window offscreen: its controls drive the import, the status timer carries a download through to
// the read, and closing rebuilds the day list without leaving an exchange open.
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "platform/gui/Dialogs.h"
#include "platform/jvlink/ScriptedJVLink.h"
#include "racedata/ui/GetDataUnit.h"
#include "tests/jvlink/TestSupport.h"

namespace corvina {
namespace {
namespace fs = std::filesystem;

QApplication& App() {
  static int argc = 1;
  static char name[] = "corvina_test";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  return app;
}

class GetDataFormTest : public ::testing::Test {
 protected:
  fs::path dir = testing::FreshDir("form");
  testing::ClockGuard clock{DateTime{2024, 1, 6, 18, 0, 0}};
  ScriptedJVLink link;
  gui::MessageRecorder messages;
  int dayListBuilt = 0;
  ExchangeGate gate;

  void SetUp() override {
    App();
    fs::create_directories(dir / "Data");
  }
};

TEST_F(GetDataFormTest, ControlsAndNoDataMessage) {
  TGetDataForm form(link, dir, [&] { ++dayListBuilt; }, &gate);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("ＪＶデータ取込"));
  EXPECT_TRUE(form.rbtIsthisweek->isChecked());
  EXPECT_EQ(form.TimerJVStatus->interval(), 10);
  form.rbtNormal->setChecked(true);
  form.ButtonStart->click();
  EXPECT_EQ(link.calls.at(0).substr(0, 7), "JVOpen(");
  EXPECT_EQ(link.calls.at(0).back(), '1');  // normal data, option 1 ... result -1
  ASSERT_GE(messages.Texts().size(), 2);
  EXPECT_EQ(messages.Texts().last(), QStringLiteral("最新のRACEデータがありません。"));
  form.close();
  EXPECT_EQ(dayListBuilt, 1);
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
  e.statusResults = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
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
