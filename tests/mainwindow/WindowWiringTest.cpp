// The main window's menu items and buttons that open the other windows: each is enabled and opens its own
// window (or gives its own refusal).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "analysis/ui/AllPrintUnit.h"
#include "components/ui/FolderViewerEx.h"
#include "mainwindow/MainForm.h"
#include "platform/gui/Application.h"
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

// Runs `command`; once the modal window it opens is up, hands it to `inspect` and closes it. False when no modal
// window appeared.
bool WithModal(const std::function<void()>& command, const std::function<void(QWidget&)>& inspect) {
  bool seen = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* w = QApplication::activeModalWidget();
    if (w == nullptr || !w->isVisible() || seen) return;
    seen = true;
    inspect(*w);
    if (w->isVisible()) w->close();
  });
  poll.start(5);
  command();
  QCoreApplication::processEvents();
  return seen;
}

// Triggers `command` and closes the modal window it opens; returns that window's caption ("" for none).
QString OpenedCaption(const std::function<void()>& command) {
  QString caption;
  WithModal(command, [&](QWidget& w) { caption = w.windowTitle(); });
  return caption;
}

QPushButton* ButtonOf(QWidget& window, const QString& text) {
  for (QPushButton* b : window.findChildren<QPushButton*>())
    if (b->text() == text && b->isVisible()) return b;
  return nullptr;
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
  fs::create_directories(dir.path() / "ylzh");
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

TEST_F(WindowWiringTest, SmallWindowsShowTheirTextsWhole) {
  ScriptedJVLink link;
  gui::MessageRecorder rec;
  TMainForm form(dir.path(), nullptr, &link);
  EXPECT_EQ(form.menuBar()->actions().value(0)->text(), "ﾌｧｲﾙ(&F)");

  // The time settings windows are wide enough for their captions in a bold title bar with its buttons.
  for (QAction* item : {form.N9, form.N11}) {
    EXPECT_TRUE(WithModal([&] { item->trigger(); }, [&](QWidget& w) {
      QFont title = w.font();
      title.setBold(true);
      EXPECT_GE(w.width(), QFontMetrics(title).horizontalAdvance(w.windowTitle()) + 100) << w.windowTitle().toStdString();
    }));
  }

  // The folder chooser of the main window heads its status line and carries its instruction.
  for (QAction* item : {form.J1, form.YosokuMenu}) {
    EXPECT_TRUE(WithModal([&] { item->trigger(); }, [&](QWidget&) {
      TFolderViewerDialog* chooser = form.FolderViewerEx1->Dialog();
      ASSERT_NE(chooser, nullptr);
      EXPECT_TRUE(chooser->StatusText().startsWith(QStringLiteral("選択ﾌｫﾙﾀﾞ　"))) << chooser->StatusText().toStdString();
      EXPECT_EQ(chooser->TextLabel->text(), QString::fromUtf8(kFolderViewerText));
    }));
  }
  EXPECT_TRUE(rec.Messages().empty()) << rec.Texts().join("\n").toStdString();
}

TEST_F(WindowWiringTest, EveryPrintCommandSaysTheSameWithoutAPrinter) {
  jvgen::WriteDayFiles(jvgen::MakeDay({.date = DayName(2024, 1, 6)}), dir.path());
  ScriptedJVLink link;
  gui::MessageRecorder rec;
  gui::PrinterOverride printer;
  TMainForm form(dir.path(), nullptr, &link);
  form.DateCombo->setCurrentIndex(0);
  form.DateComboChange();
  ASSERT_GT(form.DatList->count(), 0);

  // The batch print window, printer lost after it opened: its set-up, both print buttons and its closing.
  EXPECT_TRUE(WithModal([&] { form.FilePrintItem->trigger(); }, [&](QWidget& w) {
    auto* batch = qobject_cast<TAllPrintForm*>(&w);
    ASSERT_NE(batch, nullptr);
    printer->SetInstalled(false);
    batch->BitBtn3->click();
    batch->BitBtn2->click();
    batch->SpeedButton1->click();
    batch->BitBtn4->click();
    batch->BitBtn1->click();
  }));
  const size_t batchMessages = rec.Messages().size();
  EXPECT_GE(batchMessages, 4u);
  form.FilePrintSetupItem->trigger();
  form.FilePrintItem->trigger();
  EXPECT_TRUE(WithModal([&] { form.S1->trigger(); }, [&](QWidget& w) {
    ASSERT_NE(ButtonOf(w, QStringLiteral("印刷")), nullptr);
    ButtonOf(w, QStringLiteral("印刷"))->click();
  }));
  EXPECT_TRUE(WithModal([&] { form.SpeedButton15->click(); }, [&](QWidget& w) {
    ASSERT_NE(ButtonOf(w, QStringLiteral("印刷")), nullptr);
    ButtonOf(w, QStringLiteral("印刷"))->click();
  }));
  EXPECT_EQ(rec.Messages().size(), batchMessages + 4);
  for (const auto& m : rec.Messages()) {
    EXPECT_EQ(m.kind, gui::MsgKind::Error);
    EXPECT_EQ(m.text, QString::fromUtf8(gui::kNoPrinterMessage));
  }
  EXPECT_TRUE(printer->Events().empty());
}

TEST_F(WindowWiringTest, StandardDialogsReadJapaneseAndTheArchiveDialogOpensWithNoFileName) {
  ASSERT_TRUE(gui::InstallJapaneseTranslations()) << "Qt's Japanese translations (qt6-translations-l10n)";
  ScriptedJVLink link;
  TMainForm form(dir.path(), nullptr, &link);
  ASSERT_FALSE(fs::exists(dir.path() / "ylzh"));
  EXPECT_TRUE(WithModal([&] { form.YozBtn->click(); }, [&](QWidget& w) {
    auto* dialog = qobject_cast<QFileDialog*>(&w);
    ASSERT_NE(dialog, nullptr);
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    EXPECT_TRUE(name->text().isEmpty()) << name->text().toStdString();
    EXPECT_EQ(fs::path(dialog->directory().absolutePath().toStdString()), form.FAppDir);
    QStringList texts;
    for (QPushButton* b : dialog->findChildren<QPushButton*>()) texts << b->text();
    for (QLabel* l : dialog->findChildren<QLabel*>()) texts << l->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("キャンセル"))) << texts.join("|").toStdString();
    for (const char* english : {"Cancel", "&Open", "Open", "Look in:", "File &name:", "Files of type:"})
      EXPECT_FALSE(texts.contains(QString::fromLatin1(english))) << english;
  }));
  EXPECT_TRUE(WithModal([&] { gui::AskYesNo(&form, QStringLiteral("実行しますか？")); }, [&](QWidget& w) {
    auto* box = qobject_cast<QMessageBox*>(&w);
    ASSERT_NE(box, nullptr);
    QStringList texts;
    for (QAbstractButton* b : box->buttons()) texts << b->text();
    EXPECT_EQ(texts.filter(QStringLiteral("はい")).size(), 1) << texts.join("|").toStdString();
    EXPECT_EQ(texts.filter(QStringLiteral("いいえ")).size(), 1) << texts.join("|").toStdString();
  }));
}
