// The main window's menu items and buttons that open the other windows: each is enabled and opens its own
// window (or gives its own refusal).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "mainwindow/MainForm.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Printer.h"
#include "platform/jvlink/ScriptedJVLink.h"
#include "racedata/ui/YosoImportUnit.h"
#include "tests/support/QtApp.h"
#include "tests/support/TempDir.h"
#include "tools/jvgen/Generator.h"

using namespace corvina;
namespace fs = std::filesystem;

namespace {

// Triggers `command` and closes the modal window it opens; returns that window's caption ("" for none).
QString OpenedCaption(const std::function<void()>& command) {
  QString caption;
  QTimer::singleShot(0, [&] {
    if (QWidget* w = QApplication::activeModalWidget()) {
      caption = w->windowTitle();
      w->close();
    }
  });
  command();
  QCoreApplication::processEvents();
  return caption;
}

class WindowWiringTest : public ::testing::Test {
 protected:
  void SetUp() override { test::App(); }
  void TearDown() override {
    YosoImportUnit::OpenDialog3 = savedDialog_;
    std::error_code ec;
    fs::current_path(fs::temp_directory_path(), ec);
  }
  test::TempDir dir{"wiring"};
  decltype(YosoImportUnit::OpenDialog3) savedDialog_ = YosoImportUnit::OpenDialog3;
};

}  // namespace

TEST_F(WindowWiringTest, MenusAndButtonsOpenTheirWindows) {
  jvgen::WriteDayFiles(jvgen::MakeDay({.date = DayName(2024, 1, 6), .results = false}), dir.path());
  ScriptedJVLink link;
  gui::MessageRecorder rec;
  gui::PrinterOverride printer;  // the race pages are laid out for the printer
  TMainForm form(dir.path(), nullptr, &link);
  form.DateCombo->setCurrentIndex(0);
  form.DateComboChange();
  ASSERT_GT(form.DatList->count(), 0);

  struct Case {
    QAction* action;
    QPushButton* button;
    const char* caption;
  };
  const Case cases[] = {
      {form.S1, nullptr, "ｵｯｽﾞ取得ｽｹｼﾞｭｰﾙ"},
      {form.N9, nullptr, "オッズデータ取得時刻調整"},
      {form.N11, nullptr, "データ取得時刻設定"},
      {form.HelpAboutItem, form.SpeedButton6, "ﾊﾞｰｼﾞｮﾝ情報"},
      {form.T1, nullptr, "的中判定"},
      {form.FilePrintItem, nullptr, "コルヴィナ３　印刷"},  // the batch print window, titled by the race pages
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(c.action->isEnabled()) << c.caption;
    EXPECT_EQ(OpenedCaption([&] { c.action->trigger(); }), QString::fromUtf8(c.caption));
    if (c.button == nullptr) continue;
    EXPECT_TRUE(c.button->isEnabled()) << c.caption;
    EXPECT_EQ(OpenedCaption([&] { c.button->click(); }), QString::fromUtf8(c.caption));
  }
  EXPECT_TRUE(rec.Messages().empty()) << rec.Texts().join("\n").toStdString();

  // The predicted-odds archive dialog opens in its default folder; cancelling it does nothing.
  QString folder;
  YosoImportUnit::OpenDialog3 = [&](QWidget*, const QString& f, const QString&) {
    folder = f;
    return QString();
  };
  ASSERT_TRUE(form.YozBtn->isEnabled());
  form.YozBtn->click();
  EXPECT_EQ(fs::path(folder.toStdString()).filename(), "ylzh");

  // No help file in the program folder: said so rather than nothing.
  form.SpeedButton5->click();
  EXPECT_EQ(rec.Messages().size(), 1u);
  EXPECT_EQ(rec.Beeps(), 1);

  EXPECT_TRUE(form.N6->isEnabled());
  EXPECT_TRUE(form.OzGetBtn->isEnabled());
  ASSERT_TRUE(form.SpeedButton15->isEnabled());
  EXPECT_EQ(OpenedCaption([&] { form.SpeedButton15->click(); }), "的中判定");

  // The hit report leaves the view on the day's last race.
  form.SelectRaceLine(0);
  form.DatListClick();
  rec.Clear();
  for (QPushButton* b : {form.TekiAnaBtn, form.TekiAnaBtn2}) {
    b->click();
    EXPECT_EQ(form.DatList->currentRow(), form.DatList->count() - 1);
  }
  EXPECT_TRUE(rec.Messages().empty()) << rec.Texts().join("\n").toStdString();
}

TEST_F(WindowWiringTest, ScheduleTableWithoutALoadedDayIsRefused) {
  ScriptedJVLink link;
  gui::MessageRecorder rec;
  TMainForm form(dir.path(), nullptr, &link);
  EXPECT_EQ(OpenedCaption([&] { form.S1->trigger(); }), QString());
  EXPECT_EQ(rec.Texts(), QStringList{QStringLiteral("ﾃﾞｰﾀを読み込んでください。")});
  EXPECT_EQ(rec.Beeps(), 1);
}
