// The main window's menu items and buttons that open the other windows: each is enabled and opens its own
// window (or gives its own refusal).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <utility>

#include "analysis/ui/BatchPrintWindow.h"
#include "components/ui/FolderChooser.h"
#include "mainwindow/ui/MainWindow.h"
#include "platform/gui/Application.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Printer.h"
#include "platform/jvlink/ScriptedJVLink.h"
#include "racedata/ui/PredictedOddsCommands.h"
#include "tests/support/JVLinkFiles.h"
#include "tests/support/QtApp.h"
#include "tests/support/TempDir.h"
#include "tests/support/WholeTexts.h"
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
  void SetUp() override {
    test::App();
    // The windows that keep their bounds in the program folder's settings find it here, not beside the test
    // program, where every run would start from the bounds the one before left.
    ::setenv("CORVINA_HOME", dir.path().c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("CORVINA_HOME");
    PredictedOddsCommands::ArchiveDialog = savedDialog_;
    std::error_code ec;
    fs::current_path(fs::temp_directory_path(), ec);
  }
  test::TempDir dir{"wiring"};
  decltype(PredictedOddsCommands::ArchiveDialog) savedDialog_ = PredictedOddsCommands::ArchiveDialog;
};

}  // namespace

TEST_F(WindowWiringTest, MenusAndButtonsOpenTheirWindows) {
  jvgen::WriteDayFiles(jvgen::MakeDay({.date = DayName(2024, 1, 6), .results = false}), dir.path());
  ScriptedJVLink link;
  gui::MessageRecorder rec;
  gui::PrinterOverride printer;  // the race pages are laid out for the printer
  MainWindow form(dir.path(), nullptr, &link);
  test::ChooseItem(form.DateCombo, 0);
  ASSERT_GT(form.RaceList->count(), 0);

  struct Case {
    QAction* action;
    QPushButton* button;
    const char* caption;
  };
  const Case cases[] = {
      {form.OddsScheduleAction, nullptr, "ｵｯｽﾞ取得ｽｹｼﾞｭｰﾙ"},
      {form.OddsDelayAction, nullptr, "オッズデータ取得時刻調整"},
      {form.ResultsPollIntervalAction, nullptr, "データ取得時刻設定"},
      {form.VersionAction, form.VersionButton, "ﾊﾞｰｼﾞｮﾝ情報"},
      {form.HitWindowAction, nullptr, "的中判定"},
      {form.PrintRacePagesAction, nullptr, "コルヴィナ３　印刷"},  // the batch print window, titled by the race pages
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
  PredictedOddsCommands::ArchiveDialog = [&](QWidget*, const QString& f, const QString&) {
    folder = f;
    return QString();
  };
  ASSERT_TRUE(form.PredictedOddsButton->isEnabled());
  fs::create_directories(dir.path() / "ylzh");
  form.PredictedOddsButton->click();
  EXPECT_EQ(fs::path(folder.toStdString()).filename(), "ylzh");

  // No help file in the program folder: said so rather than nothing.
  form.HelpButton->click();
  EXPECT_EQ(rec.Messages().size(), 1u);
  EXPECT_EQ(rec.Beeps(), 1);

  EXPECT_TRUE(form.ManualOddsAction->isEnabled());
  EXPECT_TRUE(form.ManualOddsButton->isEnabled());
  ASSERT_TRUE(form.HitWindowButton->isEnabled());
  EXPECT_EQ(OpenedCaption([&] { form.HitWindowButton->click(); }), "的中判定");

  // The hit report leaves the view on the day's last race.
  form.SelectRaceLine(0);
  form.ShowChosenRace();
  rec.Clear();
  for (QPushButton* b : {form.HitReportButton, form.LongshotHitReportButton}) {
    b->click();
    EXPECT_EQ(form.RaceList->currentRow(), form.RaceList->count() - 1);
  }
  EXPECT_TRUE(rec.Messages().empty()) << rec.Texts().join("\n").toStdString();
}

TEST_F(WindowWiringTest, ScheduleTableWithoutALoadedDayIsRefused) {
  ScriptedJVLink link;
  gui::MessageRecorder rec;
  MainWindow form(dir.path(), nullptr, &link);
  EXPECT_EQ(OpenedCaption([&] { form.OddsScheduleAction->trigger(); }), QString());
  EXPECT_EQ(rec.Texts(), QStringList{QStringLiteral("ﾃﾞｰﾀを読み込んでください。")});
  EXPECT_EQ(rec.Beeps(), 1);
}

// Each text of `w` that is cut or lies over another control, on every page of its tabs, with the page and the
// window's size.
QStringList FaultsOnEveryPage(QWidget& w) {
  QStringList faults;
  auto check = [&](const QString& page) {
    QCoreApplication::processEvents();
    for (const QString& f : test::CutOrOverlappingTexts(w))
      faults << QString("%1 x %2 %3: %4").arg(w.width()).arg(w.height()).arg(page, f);
  };
  const QList<QTabWidget*> tabs = w.findChildren<QTabWidget*>();
  if (tabs.isEmpty()) check(QString());
  for (QTabWidget* t : tabs) {
    for (int i = 0; i < t->count(); ++i) {
      if (!t->isTabVisible(i)) continue;
      t->setCurrentIndex(i);
      check(t->tabText(i));
    }
    t->setCurrentIndex(0);
  }
  return faults;
}

TEST_F(WindowWiringTest, SmallWindowsShowTheirTextsWhole) {
  jvgen::WriteDayFiles(jvgen::MakeDay({.date = DayName(2024, 1, 6)}), dir.path());
  const corvina::testing::ClockGuard clock(DateTime{2024, 1, 6, 12, 0, 0});  // the day's odds can be taken by hand
  ScriptedJVLink link;
  gui::MessageRecorder rec;
  gui::PrinterOverride printer;  // the race pages are laid out for the printer
  const test::ProgramFont font;
  MainWindow form(dir.path(), nullptr, &link);
  test::ChooseItem(form.DateCombo, 0);
  ASSERT_GT(form.RaceList->count(), 0);
  EXPECT_EQ(form.menuBar()->actions().value(0)->text(), "ﾌｧｲﾙ(&F)");

  // Every window a command opens: each text whole and apart from the others at the size the window opens with
  // and at the smallest it allows.
  const std::pair<const char*, std::function<void()>> commands[] = {
      {"ｵｯｽﾞ取得ｽｹｼﾞｭｰﾙ", [&] { form.OddsScheduleAction->trigger(); }},
      {"オッズデータ取得時刻調整", [&] { form.OddsDelayAction->trigger(); }},
      {"データ取得時刻設定", [&] { form.ResultsPollIntervalAction->trigger(); }},
      {"ﾊﾞｰｼﾞｮﾝ情報", [&] { form.VersionAction->trigger(); }},
      {"的中判定", [&] { form.HitWindowAction->trigger(); }},
      {"コルヴィナ３　印刷", [&] { form.PrintRacePagesAction->trigger(); }},
      {"時系列ｵｯｽﾞﾃﾞｰﾀﾌｫﾙﾀﾞの指定", [&] { form.TimeSeriesFolderAction->trigger(); }},
      {"オッズ手動取得", [&] { form.ManualOddsAction->trigger(); }},
      {"ＪＶデータ取込", [&] { form.StoredImportButton->click(); }},
  };
  for (const auto& [caption, command] : commands) {
    QString title;
    QStringList faults;
    EXPECT_TRUE(WithModal(command, [&](QWidget& w) {
      title = w.windowTitle();
      faults << FaultsOnEveryPage(w);
      w.resize(1, 1);
      faults << FaultsOnEveryPage(w);
    })) << caption;
    EXPECT_EQ(title, QString::fromUtf8(caption));
    EXPECT_TRUE(faults.isEmpty()) << caption << ":\n" << faults.join("\n").toStdString();
  }

  // The time settings windows are wide enough for their captions in a bold title bar with its buttons.
  for (QAction* item : {form.OddsDelayAction, form.ResultsPollIntervalAction}) {
    EXPECT_TRUE(WithModal([&] { item->trigger(); },
                          [&](QWidget& w) {
                            QFont title = w.font();
                            title.setBold(true);
                            EXPECT_GE(w.width(), QFontMetrics(title).horizontalAdvance(w.windowTitle()) + 100)
                                << w.windowTitle().toStdString();
                          }));
  }

  // The folder chooser of the main window heads its status line and carries its instruction.
  for (QAction* item : {form.TimeSeriesFolderAction, form.PredictedOddsFolderAction}) {
    EXPECT_TRUE(WithModal([&] { item->trigger(); },
                          [&](QWidget&) {
                            FolderChooserDialog* chooser = form.FolderDialog->Dialog();
                            ASSERT_NE(chooser, nullptr);
                            EXPECT_TRUE(chooser->StatusText().startsWith(QStringLiteral("選択ﾌｫﾙﾀﾞ　")))
                                << chooser->StatusText().toStdString();
                            EXPECT_EQ(chooser->TextLabel->text(), QString::fromUtf8(kFolderChooserText));
                          }));
  }
  EXPECT_TRUE(rec.Messages().empty()) << rec.Texts().join("\n").toStdString();
}

TEST_F(WindowWiringTest, EveryPrintCommandSaysTheSameWithoutAPrinter) {
  jvgen::WriteDayFiles(jvgen::MakeDay({.date = DayName(2024, 1, 6)}), dir.path());
  ScriptedJVLink link;
  gui::MessageRecorder rec;
  gui::PrinterOverride printer;
  MainWindow form(dir.path(), nullptr, &link);
  test::ChooseItem(form.DateCombo, 0);
  ASSERT_GT(form.RaceList->count(), 0);

  // The batch print window, printer lost after it opened: its set-up, both print buttons and its closing.
  EXPECT_TRUE(WithModal([&] { form.PrintRacePagesAction->trigger(); },
                        [&](QWidget& w) {
                          auto* batch = qobject_cast<BatchPrintWindow*>(&w);
                          ASSERT_NE(batch, nullptr);
                          printer->SetInstalled(false);
                          batch->PrinterSetupButton->click();
                          batch->PrintShownPageButton->click();
                          batch->TickAllButton->click();
                          batch->PrintTickedPagesButton->click();
                          batch->CloseButton->click();
                          EXPECT_FALSE(batch->isVisible()) << "閉じる closes the window";
                        }));
  const size_t batchMessages = rec.Messages().size();
  EXPECT_EQ(batchMessages, 4u) << rec.Texts().join("\n").toStdString();
  form.PrinterSetupAction->trigger();
  form.PrintRacePagesAction->trigger();
  EXPECT_TRUE(WithModal([&] { form.OddsScheduleAction->trigger(); },
                        [&](QWidget& w) {
                          ASSERT_NE(ButtonOf(w, QStringLiteral("印刷")), nullptr);
                          ButtonOf(w, QStringLiteral("印刷"))->click();
                        }));
  EXPECT_TRUE(WithModal([&] { form.HitWindowButton->click(); },
                        [&](QWidget& w) {
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
  ASSERT_TRUE(gui::SpeakJapanese()) << "Qt's Japanese translations (qt6-translations-l10n)";
  ScriptedJVLink link;
  MainWindow form(dir.path(), nullptr, &link);
  ASSERT_FALSE(fs::exists(dir.path() / "ylzh"));
  std::ofstream(form.AppDir / "OZ241207.lzh") << "x";
  EXPECT_TRUE(WithModal(
      [&] { form.PredictedOddsButton->click(); },
      [&](QWidget& w) {
        auto* dialog = qobject_cast<QFileDialog*>(&w);
        ASSERT_NE(dialog, nullptr);
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        EXPECT_TRUE(name->text().isEmpty()) << name->text().toStdString();
        EXPECT_EQ(fs::path(dialog->directory().absolutePath().toStdString()), form.AppDir);
        QStringList texts;
        for (QPushButton* b : dialog->findChildren<QPushButton*>()) texts << b->text();
        for (QLabel* l : dialog->findChildren<QLabel*>()) texts << l->text();
        EXPECT_TRUE(texts.contains(QStringLiteral("キャンセル"))) << texts.join("|").toStdString();
        for (const char* english : {"Cancel", "&Open", "Open", "Look in:", "File &name:", "Files of type:"})
          EXPECT_FALSE(texts.contains(QString::fromLatin1(english))) << english;
        // The files' dates too, whatever the system's locale.
        auto* files = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        ASSERT_NE(files, nullptr);
        QModelIndex row;
        ASSERT_TRUE(test::WaitUntil([&] {  // the folder is read in the background
          for (int r = 0; r < files->model()->rowCount(files->rootIndex()); ++r) {
            const QModelIndex name = files->model()->index(r, 0, files->rootIndex());
            if (name.data().toString() == QStringLiteral("OZ241207.lzh")) row = name;
          }
          return row.isValid();
        }));
        const QDateTime stamp =
            QFileInfo(QString::fromStdString((form.AppDir / "OZ241207.lzh").string())).lastModified();
        EXPECT_EQ(row.siblingAtColumn(3).data().toString().toStdString(),
                  QLocale(QLocale::Japanese, QLocale::Japan).toString(stamp, QLocale::ShortFormat).toStdString());
      }));
  EXPECT_TRUE(WithModal([&] { gui::AskYesNo(&form, QStringLiteral("実行しますか？")); },
                        [&](QWidget& w) {
                          auto* box = qobject_cast<QMessageBox*>(&w);
                          ASSERT_NE(box, nullptr);
                          QStringList texts;
                          for (QAbstractButton* b : box->buttons()) texts << b->text();
                          EXPECT_EQ(texts.filter(QStringLiteral("はい")).size(), 1) << texts.join("|").toStdString();
                          EXPECT_EQ(texts.filter(QStringLiteral("いいえ")).size(), 1) << texts.join("|").toStdString();
                        }));
}
