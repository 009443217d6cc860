// The real main window on generated race days: start-up, the day list, loading, the race view, sorting, and
// the messages of days that cannot be shown.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include "analysis/Recovery.h"
#include "components/ui/Label3D.h"
#include "mainwindow/RaceViewText.h"
#include "mainwindow/ui/MainWindow.h"
#include "mainwindow/ui/SplashWindow.h"
#include "mainwindow/ui/Startup.h"
#include "platform/Clock.h"
#include "platform/Cp932.h"
#include "platform/LineFile.h"
#include "platform/Registry.h"
#include "platform/Text.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/QtText.h"
#include "platform/gui/StringGrid.h"
#include "platform/gui/UpDown.h"
#include "racedata/RaceRecords.h"
#include "racedata/RacingTexts.h"
#include "tests/support/QtApp.h"
#include "tests/support/TempDir.h"
#include "tests/support/WholeTexts.h"
#include "tools/jvgen/Generator.h"

using namespace corvina;
namespace fs = std::filesystem;

namespace {

using gui::Q;

// A registry holding one value, counting how often it is asked.
struct FakeRegistry {
  explicit FakeRegistry(std::optional<std::string> appPath) {
    SetRegistryReader([this, appPath](RegRoot root, std::string_view key, std::string_view name) {
      ++reads;
      const bool found = root == RegRoot::LocalMachine &&
                         key == ToCp932(
                                    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                                    "ハリヤード for JRA-VAN Data Lab._is1") &&
                         name == "Inno Setup: App Path";
      return found ? appPath : std::nullopt;
    });
  }
  ~FakeRegistry() { SetRegistryReader(nullptr); }
  int reads = 0;
};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::App();
    ::unsetenv("CORVINA_JVLINK_ROOT");
  }
  void TearDown() override {
    // Start-up makes the program folder current; leave it before it is removed.
    std::error_code ec;
    fs::current_path(fs::temp_directory_path(), ec);
  }
  void Generate(jvgen::Options o) {
    if (!o.date.Valid()) o.date = DayName(2024, 1, 6);
    jvgen::WriteDayFiles(jvgen::MakeDay(o), home);
  }
  // Chooses the day at `index` of the date box as a user would: the arrow key moves to it and activates the box.
  void Choose(MainWindow& form, int index) {
    test::ChooseItem(form.DateCombo, index);
    ASSERT_EQ(form.DateCombo->currentIndex(), index);
  }
  test::TempDir dir{"mainform"};
  const fs::path& home = dir.path();
};

}  // namespace

TEST_F(MainWindowTest, FirstStartUsesTheDefaultsAndListsNoDay) {
  gui::MessageRecorder rec;
  MainWindow form(home);
  EXPECT_FALSE(form.CreateFailed());
  EXPECT_TRUE(fs::is_directory(home / "Data"));
  // At (10, 10) with its frame: the client area starts below the title bar.
  EXPECT_EQ(form.geometry().size(), QSize(780, 560));
  EXPECT_EQ(form.geometry().left(), 10);
  EXPECT_GT(form.geometry().top(), 10);
  EXPECT_TRUE(form.LocalOptionAction->isChecked());
  EXPECT_FALSE(form.HideDayListAfterLoadAction->isChecked());
  EXPECT_EQ(form.LocalOptionLabel->Caption(), "ﾛｰｶﾙｵﾌﾟｼｮﾝ有効");
  // The fixed words of the race view: the two snapshots' captions and the mean pair odds grid's own headers.
  QStringList captions;
  for (const Label3D* l : form.findChildren<Label3D*>()) captions << l->Caption();
  EXPECT_TRUE(captions.contains("1回目") && captions.contains("2回目")) << captions.join("|").toStdString();
  EXPECT_EQ(form.MeanPairOddsGrid->Row(0).mid(0, 3), (QStringList{"枠", "馬", "馬名"}));
  // Each ranking a header and one empty row until a race is shown.
  for (auto [grid, odds] :
       {std::pair{form.OddsRankingGrid, "オッズ"}, std::pair{form.PredictedOddsRankingGrid, "予想ｵｯｽﾞ"}}) {
    EXPECT_EQ(grid->RowCount(), 2);
    EXPECT_EQ(grid->Row(0), (QStringList{"順位", "馬連", QString::fromUtf8(odds)}));
  }
  form.show();
  QCoreApplication::processEvents();
  EXPECT_EQ(test::OverlappingChildren(*form.LocalOptionLabel->parentWidget()), QStringList()) << "the bottom bar";
  EXPECT_TRUE(form.HitReportButton->isHidden());
  EXPECT_TRUE(form.LongshotHitReportButton->isHidden());
  EXPECT_EQ(form.DateCombo->count(), 0);
  EXPECT_EQ(form.windowTitle(), "コルヴィナ for JRA-VAN　Data Lab.");
  EXPECT_TRUE(rec.Messages().empty());
  Lines log;
  ASSERT_TRUE(ReadLines(home / "ErrorLog.txt", log));
  EXPECT_EQ(log.size(), 2u);
  EXPECT_EQ(form.HelpFile, home / "corvina.chm");
  // Every control outside the race pages and the race arrows (which have a tool tip) says in the status bar what
  // it does.
  QStringList silent;
  for (QWidget* w : form.centralWidget()->findChildren<QWidget*>()) {
    auto* button = qobject_cast<QAbstractButton*>(w);
    if ((button || qobject_cast<QComboBox*>(w) || qobject_cast<QListWidget*>(w)) && !form.RaceTabs->isAncestorOf(w) &&
        !form.RaceArrows->isAncestorOf(w) && w->statusTip().isEmpty())
      silent << QString(w->metaObject()->className()) + " " + (button ? button->text() : QString());
  }
  EXPECT_EQ(silent.join("|").toStdString(), "");
}

// Temporary files of saves that a crash cut off go at the next start, in every folder the program saves to; a
// user's files stay, however like them their names.
TEST_F(MainWindowTest, StartRemovesWhatCutOffSavesLeft) {
  const std::vector<fs::path> left = {home / ".corvina-save.ErrorLog.txt.00000000007b",
                                      home / "Data" / ".corvina-save.2024年01月06日.jvRA.000000000009",
                                      home / "HPupload" / ".corvina-save.Manbaken.txt.00000000004d"};
  const std::vector<fs::path> mine = {home / ".notes.tmp1", home / "Data" / ".plan.tmp2",
                                      home / "HPupload" / ".draft.tmp3", home / ".ErrorLog.txt.tmp123",
                                      home / "Data" / ".corvina-save.plan.txt.000000000009"};
  for (const auto& group : {left, mine}) {
    for (const fs::path& p : group) {
      fs::create_directories(p.parent_path());
      ASSERT_TRUE(SaveFileAtomic(p, "half"));
    }
  }
  MainWindow form(home);
  for (const fs::path& p : left) EXPECT_FALSE(fs::exists(p)) << p;
  for (const fs::path& p : mine) EXPECT_TRUE(fs::exists(p)) << p;
}

TEST_F(MainWindowTest, ProgramFolderIsAbsoluteAndCurrentWhereverTheProgramWasStarted) {
  // Started from another folder with a relative program folder that ends in a separator.
  fs::create_directories(home / "prog");
  Lines old;
  for (int i = 1; i <= 250; ++i) old.push_back("line" + std::to_string(i));
  ASSERT_TRUE(SaveLines(home / "prog" / "ErrorLog.txt", old));
  fs::current_path(home);
  ::setenv("CORVINA_HOME", "prog/", 1);
  Clock::Set(DateTime{2024, 1, 6, 9, 5, 7});
  gui::MessageRecorder rec;
  {
    MainWindow form;
    EXPECT_EQ(form.AppDir, home / "prog");
    EXPECT_EQ(fs::current_path(), home / "prog");
    EXPECT_TRUE(fs::is_directory(home / "prog" / "Data"));
    EXPECT_FALSE(fs::exists(home / "prog" / "prog"));
    Lines log;
    ASSERT_TRUE(ReadLines(home / "prog" / "ErrorLog.txt", log));
    ASSERT_EQ(log.size(), 102u) << "the last 100 lines and the two of this start";
    EXPECT_EQ(log[0], "line151");
    EXPECT_EQ(log[99], "line250");
    EXPECT_EQ(log[100], ToCp932("ソフト起動：2024/01/06 09:05:07"));
    EXPECT_EQ(log[101], (home / "prog").string());
  }
  Clock::Reset();
  ::unsetenv("CORVINA_HOME");
  EXPECT_TRUE(rec.Messages().empty());
}

TEST_F(MainWindowTest, RegistryIsAskedForTheTimeSeriesFolderOnlyWhileNoneIsSet) {
  gui::MessageRecorder rec;
  auto setting = [&] {
    SettingsFile ini;
    ini.SetFileName((home / "corvina.ini").string());
    return ini.ReadString("Dir", "jikeiretu", "<none>");
  };
  {
    FakeRegistry registry(std::nullopt);
    MainWindow form(home);
    EXPECT_EQ(registry.reads, 1);
    EXPECT_EQ(setting(), "<none>") << "a missing key writes nothing";
  }
  {
    FakeRegistry registry("   ");
    MainWindow form(home);
    EXPECT_EQ(setting(), "<none>") << "a blank value writes nothing";
  }
  {
    FakeRegistry registry("/opt/harryard ");
    MainWindow form(home);
    EXPECT_EQ(registry.reads, 1);
    EXPECT_EQ(setting(), "/opt/harryard/Data");
  }
  {
    FakeRegistry registry("/elsewhere");
    MainWindow form(home);
    EXPECT_EQ(registry.reads, 0) << "a folder already set is kept and the registry left alone";
    EXPECT_EQ(setting(), "/opt/harryard/Data");
  }
  EXPECT_TRUE(rec.Messages().empty());
}

TEST_F(MainWindowTest, LabelArraysAreFullAndEveryLabelAndColumnSitsInItsPlace) {
  gui::MessageRecorder rec;
  MainWindow form(home);
  std::set<QLabel*> labels;
  for (int k = 1; k <= 153; ++k) labels.insert({form.RealPairOddsLabels[k], form.PredictedPairOddsLabels[k]});
  for (int k = 1; k <= 108; ++k) labels.insert(form.PayoutLabels[k]);
  for (int k = 1; k <= 18; ++k) labels.insert(form.TicketLabels[k]);
  labels.erase(nullptr);
  EXPECT_EQ(labels.size(), 153u * 2 + 108 + 18) << "every element a label of its own";
  // Every one of them, and both rankings, on a page of the race tabs, so the user can reach it.
  for (QWidget* w : std::initializer_list<QWidget*>{form.RealPairOddsLabels[1], form.PredictedPairOddsLabels[153],
                                                    form.PayoutLabels[1], form.TicketLabels[18], form.OddsRankingGrid,
                                                    form.PredictedOddsRankingGrid})
    EXPECT_TRUE(form.RaceTabs->isAncestorOf(w)) << w->objectName().toStdString();

  // Each label in its cell of its panel, wide enough for its text: "row,column width".
  auto place = [](QWidget* w) {
    auto* grid = qobject_cast<QGridLayout*>(w->parentWidget()->layout());
    int r = -1, c = -1, rs = 0, cs = 0;
    if (grid != nullptr) grid->getItemPosition(grid->indexOf(w), &r, &c, &rs, &cs);
    return QStringLiteral("%1,%2 %3").arg(r).arg(c).arg(w->minimumWidth());
  };
  QStringList tickets, expected;
  for (int t = 1; t <= 6; ++t)
    for (int k = 0; k < 3; ++k) {
      tickets << place(form.TicketLabels[3 * t - 2 + k]);
      expected << QStringLiteral("%1,%2 %3").arg(k).arg(t).arg(k == 0 ? 14 : k == 1 ? 44 : 56);
    }
  tickets << place(form.AxisHorseLabel) << place(form.AxisOddsLabel);
  expected << "1,7 24"
           << "2,7 56";
  EXPECT_EQ(tickets, expected);
  QStringList payouts;
  expected.clear();
  for (int entry = 0; entry < 36; ++entry)  // 21 entries from the win to the wide, 15 from the exacta on
    for (int part = 0; part < 3; ++part) {
      payouts << place(form.PayoutLabels[3 * entry + 1 + part]);
      expected << QStringLiteral("%1,%2 %3")
                      .arg(1 + (entry < 21 ? entry : entry - 21))
                      .arg(1 + part)
                      .arg(part == 0   ? 70
                           : part == 1 ? 30
                                       : 80);
    }
  EXPECT_EQ(payouts, expected);
  QStringList payoutHeads;
  for (QLabel* l : form.RaceTabs->findChildren<QLabel*>())
    if (QStringList{"組番", "人気", "払戻金(円)"}.contains(l->text())) payoutHeads << l->text() + " " + place(l);
  EXPECT_EQ(payoutHeads, (QStringList{"組番 0,1 0", "人気 0,2 0", "払戻金(円) 0,3 0", "組番 0,1 0", "人気 0,2 0",
                                      "払戻金(円) 0,3 0"}))
      << "each column of payouts under its heading";
  EXPECT_EQ(form.RaceArrows->Max(), 0) << "no race to step to before a day is loaded";

  // The race card's and the pair grid's header rows, each column at its width: "width caption".
  auto heads = [](const gui::StringGrid& grid) {
    QStringList out;
    for (int c = 0; c < grid.ColCount(); ++c) out << QStringLiteral("%1 %2").arg(grid.ColWidth(c)).arg(grid.Cell(c, 0));
    return out;
  };
  EXPECT_EQ(heads(*form.RaceCardGrid), (QStringList{"20 枠", "20 馬", "150 馬名", "50 騎手", "50 調教師", "50 予想配当",
                                                    "20 順", "50 単勝1", "20 順", "27 A/B", "27 C", "50 単勝2", "20 順",
                                                    "27 A/B", "27 C", "27 消軸", "33 着順", "33 人気", "50 配当"}));
  EXPECT_EQ(heads(*form.MeanPairOddsGrid),
            (QStringList{"20 枠", "20 馬", "150 馬名", "50 ", "20 ", "50 ", "20 ", "40 ", "40 ", "40 "}));
}

TEST_F(MainWindowTest, SettingsMarkerAndClosingKeepTheWindowBounds) {
  std::ofstream(home / "corvina.ini") << "[locate]\r\ntop=60\r\nleft=30\r\nwidth=760\r\nheight=540\r\n"
                                      << "[kaime]\r\nlocal=0\r\n[datalist]\r\nclose=1\r\n";
  std::ofstream(home / "MasterControlBrann.key") << "";
  {
    MainWindow form(home);
    EXPECT_EQ(form.geometry(), QRect(30, 60, 760, 540));
    EXPECT_FALSE(form.LocalOptionAction->isChecked());
    EXPECT_TRUE(form.HideDayListAfterLoadAction->isChecked());
    EXPECT_EQ(form.LocalOptionLabel->Caption(), "ﾛｰｶﾙｵﾌﾟｼｮﾝ無効");
    EXPECT_FALSE(form.HitReportButton->isHidden());
    form.show();
    form.setGeometry(40, 50, 800, 500);
    form.ExitButton->click();
    EXPECT_FALSE(form.isVisible()) << "終了 closes the window";
  }
  MainWindow again(home);
  EXPECT_EQ(again.Settings.ReadInteger("locate", "left", 0), 40);
  EXPECT_EQ(again.Settings.ReadInteger("locate", "top", 0), 50);
  EXPECT_EQ(again.Settings.ReadInteger("locate", "width", 0), 800);
  EXPECT_EQ(again.Settings.ReadInteger("locate", "height", 0), 500);

  // Bounds that cannot be stored keep no window open; the user is told why. The menu's 終了 closes it too.
  gui::MessageRecorder rec;
  fs::remove(home / "corvina.ini");
  fs::create_directory(home / "corvina.ini");
  again.show();
  QAction* exit = nullptr;
  for (QAction* a : again.menuBar()->actions().value(0)->menu()->actions())
    if (a->text() == "終了(&X)") exit = a;
  ASSERT_NE(exit, nullptr);
  exit->trigger();
  EXPECT_FALSE(again.isVisible());
  ASSERT_EQ(rec.Messages().size(), 1u);
  EXPECT_TRUE(rec.Texts()[0].contains("corvina.ini")) << rec.Texts()[0].toStdString();
}

TEST_F(MainWindowTest, BoundsOffTheScreenComeBackOnItAndAreKeptUntilTheWindowIsMoved) {
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  struct Case {
    int left, top, width, height;
    const char* what;
  } const cases[] = {
      {screen.right() + 600, screen.bottom() + 300, screen.width() + 800, screen.height() + 400, "a larger monitor"},
      {-32000, -32000, 780, 560, "a window minimised on another desktop"},
      {10, 10, -780, 0, "a damaged size"},
      {2147483647, -2147483647 - 1, 2147483647, 2147483647, "the integers' limits"},
  };
  auto stored = [&] {
    SettingsFile ini;
    ini.SetFileName((home / "corvina.ini").string());
    return gui::StoredBounds{ini.ReadInteger("locate", "left", 0), ini.ReadInteger("locate", "top", 0),
                             ini.ReadInteger("locate", "width", 0), ini.ReadInteger("locate", "height", 0)};
  };
  gui::MessageRecorder rec;
  for (const Case& c : cases) {
    std::ofstream(home / "corvina.ini") << "[locate]\r\nleft=" << c.left << "\r\ntop=" << c.top
                                        << "\r\nwidth=" << c.width << "\r\nheight=" << c.height << "\r\n";
    {
      MainWindow form(home);
      form.show();
      QCoreApplication::processEvents();
      EXPECT_TRUE(screen.contains(form.frameGeometry())) << c.what;
      EXPECT_GE(form.width(), 200) << c.what;
      EXPECT_GE(form.height(), 150) << c.what;
      form.close();
    }
    EXPECT_EQ(stored(), (gui::StoredBounds{c.left, c.top, c.width, c.height})) << c.what << ": not moved, so kept";
  }
  {
    MainWindow form(home);
    form.show();
    form.setGeometry(20, 30, 780, 500);
    form.close();
  }
  EXPECT_EQ(stored(), (gui::StoredBounds{20, 30, 780, 500}));

  // The window at its first start's size holds a whole race without growing, so closing keeps the settings.
  Generate({});
  fs::remove(home / "corvina.ini");
  {
    const test::ProgramFont font;
    MainWindow form(home);
    form.show();
    Choose(form, 0);
    QCoreApplication::processEvents();
    ASSERT_FALSE(form.RaceTabs->isHidden());
    EXPECT_EQ(form.size(), QSize(780, 560));
    form.close();
  }
  EXPECT_EQ(stored(), (gui::StoredBounds{10, 10, 780, 560}));
  EXPECT_TRUE(rec.Messages().empty());
}

// Every page of `tabs` in turn, and the pages of the tab widgets on it, with `check` on each: a label is
// looked at only while its page is shown.
void ForEveryPage(QTabWidget* tabs, const std::function<void()>& check) {
  for (int t = 0; t < tabs->count(); ++t) {
    tabs->setCurrentIndex(t);
    QCoreApplication::processEvents();
    check();
    for (QTabWidget* inner : tabs->widget(t)->findChildren<QTabWidget*>(Qt::FindDirectChildrenOnly))
      ForEveryPage(inner, check);
  }
  tabs->setCurrentIndex(0);
}

TEST_F(MainWindowTest, EveryLabelIsWholeAndApartAtTheFirstSizeAndAtTheSmallest) {
  Generate({});
  // The hit-report buttons shown too: the widest button bar.
  std::ofstream(home / "MasterControlBrann.key") << "";
  gui::MessageRecorder rec;
  {
    const test::ProgramFont font;
    MainWindow form(home);
    form.show();
    Choose(form, 0);
    ASSERT_EQ(form.RaceList->count(), 36);
    ASSERT_FALSE(form.HitReportButton->isHidden());
    for (const QSize size : {QSize(780, 560), QSize(1, 1)}) {  // the first start's size, then the smallest allowed
      form.resize(size);
      QCoreApplication::processEvents();
      const QSize took = form.size();
      SCOPED_TRACE(QString("%1 x %2").arg(took.width()).arg(took.height()).toStdString());
      if (size == QSize(780, 560)) {
        EXPECT_EQ(took, size);
      }
      // Every race of the day: the odds are in, so the snapshot times, the starters count and the tickets are
      // shown too. No race makes the window grow: the first size, and the smallest, hold every race whole.
      for (int slot = 0; slot < 36; ++slot) {
        form.SelectRaceLine(slot);
        form.ShowChosenRace();
        QCoreApplication::processEvents();
        ASSERT_NE(form.FirstSnapshotTimeLabel->Caption(), "---") << slot;
        EXPECT_EQ(form.size(), took) << "race " << slot;
        const QStringList faults = test::CutOrOverlappingTexts(form);
        EXPECT_TRUE(faults.isEmpty()) << "race " << slot << ":\n" << faults.join("\n").toStdString();
      }
      // Every page of the race view, on a race with its tickets.
      form.SelectRaceLine(0);
      form.ShowChosenRace();
      ASSERT_FALSE(form.TicketKindLabel->Caption().isEmpty());
      ForEveryPage(form.RaceTabs, [&] {
        const QStringList faults = test::CutOrOverlappingTexts(form);
        EXPECT_TRUE(faults.isEmpty()) << form.RaceTabs->tabText(form.RaceTabs->currentIndex()).toStdString() << ":\n"
                                      << faults.join("\n").toStdString();
      });
    }
    form.close();
  }
  EXPECT_TRUE(rec.Messages().empty()) << rec.Texts().join("\n").toStdString();
}

TEST_F(MainWindowTest, MarkerFileShowsTheHitReportButtonsButAFolderOfItsNameDoesNot) {
  fs::create_directories(home / "MasterControlBrann.key");
  gui::MessageRecorder rec;
  {
    MainWindow form(home);
    EXPECT_TRUE(form.HitReportButton->isHidden());
    EXPECT_TRUE(form.LongshotHitReportButton->isHidden());
  }
  fs::remove(home / "MasterControlBrann.key");
  std::ofstream(home / "MasterControlBrann.key") << "";
  MainWindow form(home);
  EXPECT_FALSE(form.HitReportButton->isHidden());
  EXPECT_FALSE(form.LongshotHitReportButton->isHidden());
}

TEST_F(MainWindowTest, ErrorLogThatCannotBeWrittenEndsStartUpWithAMessage) {
  fs::create_directories(home / "ErrorLog.txt");
  gui::MessageRecorder rec;
  MainWindow form(home);
  EXPECT_TRUE(form.CreateFailed());
  ASSERT_EQ(rec.Messages().size(), 1u);
  EXPECT_EQ(rec.Messages()[0].kind, gui::MsgKind::Error);
  EXPECT_TRUE(rec.Texts()[0].startsWith("ErrorLog.txt を読み書きできません: ")) << rec.Texts()[0].toStdString();
  form.LoadChosenDay();
  form.ShowChosenRace();
}

TEST_F(MainWindowTest, ProgramFolderThatCannotHoldTheDataFolderEndsStartUpWithAMessage) {
  fs::remove_all(home);
  std::ofstream(home) << "a file where the program folder should be";
  gui::MessageRecorder rec;
  MainWindow form(home);
  EXPECT_TRUE(form.CreateFailed());
  ASSERT_EQ(rec.Messages().size(), 1u);
  EXPECT_EQ(rec.Messages()[0].kind, gui::MsgKind::Error);
  EXPECT_EQ(rec.Texts()[0], "データフォルダを作成できません: " + QString::fromStdString((home / "Data").string()));
  // The window is whole all the same: the handlers find their lists and labels.
  EXPECT_NE(form.RealPairOddsLabels[153], nullptr);
  form.ShowChosenRace();
  fs::remove(home);
}

// Without JV-Link the box says where to get it and which folder was looked for: the one to create, or to name in
// the environment instead.
TEST_F(MainWindowTest, JVLinkPresenceFollowsTheStandInFolder) {
  const auto missing = [](const fs::path& root) {
    return QStringLiteral(
               "JRA-VANのホームページより【JV-Link】を入手し、インストールしてください。\n"
               "JV-Linkのフォルダが見つかりません: ") +
           QString::fromStdString(root.string()) +
           QStringLiteral("\n（別のフォルダは環境変数 CORVINA_JVLINK_ROOT で指定できます）");
  };
  gui::MessageRecorder rec;
  EXPECT_FALSE(CheckJVLinkPresent(home));
  EXPECT_EQ(rec.Beeps(), 1);
  ASSERT_EQ(rec.Messages().size(), 1u);
  EXPECT_EQ(rec.Messages()[0].kind, gui::MsgKind::Information);
  EXPECT_EQ(rec.Messages()[0].text, missing(home / "jvlink"));
  fs::create_directories(home / "jvlink");
  rec.Clear();
  EXPECT_TRUE(CheckJVLinkPresent(home));
  const fs::path elsewhere = home / "other-root";
  ::setenv("CORVINA_JVLINK_ROOT", elsewhere.c_str(), 1);
  EXPECT_FALSE(CheckJVLinkPresent(home));
  ASSERT_EQ(rec.Messages().size(), 1u);
  EXPECT_EQ(rec.Messages()[0].text, missing(elsewhere));
  rec.Clear();
  fs::create_directories(elsewhere);
  fs::remove_all(home / "jvlink");
  EXPECT_TRUE(CheckJVLinkPresent(home));
  EXPECT_EQ(rec.Beeps(), 0);
  ::unsetenv("CORVINA_JVLINK_ROOT");
}

// The message boxes start-up shows, as a user sees them: each text, and whether a splash window stood over it.
// Each box is closed as soon as it is up.
class StartUpBoxes {
 public:
  StartUpBoxes() {
    QObject::connect(&poll_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return;
      texts << box->text();
      if (SplashShown()) ++splashOver;
      box->close();
    });
    poll_.start(5);
  }
  static bool SplashShown() {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qobject_cast<SplashWindow*>(w) && w->isVisible()) return true;
    return false;
  }
  QStringList texts;
  int splashOver = 0;

 private:
  QTimer poll_;
};

TEST_F(MainWindowTest, StartUpTakesTheSplashAwayBeforeEveryMessageAndWhenItEnds) {
  {
    StartUpBoxes boxes;
    EXPECT_EQ(StartUp(home), nullptr) << "no JV-Link";
    EXPECT_EQ(boxes.texts, QStringList{QString::fromStdString(NoJVLinkMessage(home))});
    EXPECT_EQ(boxes.splashOver, 0);
    EXPECT_FALSE(StartUpBoxes::SplashShown());
  }
  fs::create_directories(home / "jvlink");
  fs::create_directories(home / "ErrorLog.txt");
  {
    StartUpBoxes boxes;
    EXPECT_EQ(StartUp(home), nullptr) << "no error log";
    EXPECT_EQ(boxes.texts.size(), 1);
    EXPECT_EQ(boxes.splashOver, 0);
    EXPECT_FALSE(StartUpBoxes::SplashShown());
  }
  fs::remove(home / "ErrorLog.txt");
  {
    StartUpBoxes boxes;
    const std::unique_ptr<MainWindow> form = StartUp(home);
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    QCoreApplication::processEvents();
    EXPECT_FALSE(StartUpBoxes::SplashShown()) << "the main window is up";
    EXPECT_TRUE(boxes.texts.isEmpty()) << boxes.texts.join("\n").toStdString();
  }
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_EQ(qobject_cast<SplashWindow*>(w), nullptr);
}

// Clicking another window that was up before it, the user sends the splash away.
TEST_F(MainWindowTest, SplashGoesWhenAnotherWindowIsActivated) {
  QWidget other;
  other.show();
  QPointer<SplashWindow> splash = new SplashWindow;
  splash->show();
  splash->activateWindow();
  QCoreApplication::processEvents();
  ASSERT_TRUE(splash->isActiveWindow());
  other.activateWindow();
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(splash.isNull());
  delete splash;
}

TEST_F(MainWindowTest, LoadedDayShowsEveryRaceAsItsRecordsSay) {
  Generate({});
  Generate({.date = DayName(2023, 12, 28)});
  // A return-rate summary that cannot be read: the day loads all the same, and the status bar says which file.
  const fs::path summary = analysis::SummaryPath(home, DayName(2024, 1, 6).Cp932(), analysis::BetType::Wide);
  fs::create_directories(summary);
  gui::MessageRecorder rec;
  MainWindow form(home);
  ASSERT_EQ(form.DateCombo->count(), 2);
  EXPECT_EQ(form.DateCombo->itemText(0), "2024年01月06日") << "newest first";
  EXPECT_EQ(form.DateCombo->currentIndex(), -1);
  Choose(form, 0);
  EXPECT_TRUE(rec.Messages().empty()) << rec.Texts().join("\n").toStdString();
  EXPECT_TRUE(form.statusBar()->currentMessage().startsWith(QString::fromStdString(summary.string() + ": ")))
      << form.statusBar()->currentMessage().toStdString();
  ASSERT_EQ(form.RaceList->count(), 36);
  EXPECT_FALSE(form.RaceTabs->isHidden());
  EXPECT_FALSE(form.ResultsPollTimer->isActive()) << "a past day is not polled";

  const DayModel& day = form.Day();
  int axisSlot = 0;  // a race with an axis horse, so its label is checked with a number in it
  while (axisSlot < 35 && day.Calcs[axisSlot].AxisHorse == 0) ++axisSlot;
  ASSERT_GT(day.Calcs[axisSlot].AxisHorse, 0);
  // A race with a ticket that hit goes first, so no race after it keeps its colour.
  int hitSlot = 0;
  auto hits = [&](int s) {
    const auto rows = view::TicketRows(day.Races[s], day.Calcs[s]);
    return std::count_if(rows.begin(), rows.end(), [](const view::TicketTexts& t) { return t.hit; });
  };
  while (hitSlot < 35 && hits(hitSlot) == 0) ++hitSlot;
  ASSERT_GT(hits(hitSlot), 0);
  for (int slot : {hitSlot, 0, 13, 35, axisSlot}) {
    form.SelectRaceLine(slot);
    form.ShowChosenRace();
    EXPECT_EQ(day.GCurRace, slot);
    EXPECT_EQ(day.GLastRace, slot);
    const RaceInfo& info = day.Races[slot];
    const RaceCalc& calc = day.Calcs[slot];
    const int runners = StrToIntLenient(info.EntryCount);
    for (const auto* grid : {form.RaceCardGrid, form.MeanPairOddsGrid}) ASSERT_EQ(grid->RowCount(), runners + 1);
    for (int r = 1; r <= runners; ++r) {
      const std::string& se = day.Table.GSeTbl[slot][r - 1];
      EXPECT_EQ(form.RaceCardGrid->Cell(view::Col(view::CardColumn::HorseNumber), r),
                Q(FieldText(se, layout::se::kUmaBan)));
      EXPECT_EQ(form.RaceCardGrid->Cell(view::Col(view::CardColumn::HorseName), r),
                Q(FieldText(se, layout::se::kHorseNameKept)));
      EXPECT_EQ(form.RaceCardGrid->Cell(view::Col(view::CardColumn::WinOdds1), r),
                info.WinOdds1[r - 1] > 0 ? Q(FormatFixed(info.WinOdds1[r - 1], 6, 1)) : QString());
      EXPECT_EQ(form.MeanPairOddsGrid->Cell(view::Col(view::MeanPairOddsColumn::HorseName), r),
                Q(info.HorseName[r - 1]));
    }
    EXPECT_EQ(form.RaceNameLabel->Caption(), Q(FieldText(day.Table.GRaTbl[slot], layout::ra::kRaceName)).trimmed());
    EXPECT_EQ(form.RaceCardGrid->Cell(view::Col(view::CardColumn::PredWinOdds), 0),
              info.YozSourceM == 1 ? "前売配当" : "予想配当");
    EXPECT_EQ(
        (QStringList{form.GradeLabel->Caption(), form.CourseLabel->Caption(), form.DateHeaderLabel->Caption(),
                     form.WeightRuleLabel->Caption(), form.ClassLabel->Caption(), form.TrackLabel->Caption(),
                     form.DistanceLabel->Caption(), form.PostTimeLabel->Caption(), form.EntryCountLabel->Caption(),
                     form.FirstSnapshotTimeLabel->Caption(), form.SecondSnapshotTimeLabel->Caption()}),
        (QStringList{Q(view::GradeText(info.GradeCode)), Q(view::CourseText(info)), Q(view::DateHeaderText(info)),
                     Q(WeightRuleText(info.WeightRule)), Q(ClassText(info.ClassCode)), Q(TrackText(info.TrackCode)),
                     Q(DistanceText(info.Distance)), Q(view::PostTimeText(info.PostTime)),
                     Q(view::EntryCountText(runners, calc.RankedCount).text),
                     Q(view::AnnounceText(info.OddsAnnounce1).text), Q(view::AnnounceText(info.OddsAnnounce2).text)}));
    EXPECT_EQ(form.RaceNumberLabel->Caption(),
              QString::number(FieldInt(day.Table.GRaTbl[slot], layout::head::kRaceNum)));
    EXPECT_EQ(form.PayoutLabels[1]->text(), info.TanHorse[1] ? Q(FormatInt(info.TanHorse[1], 2)) : QString());
    EXPECT_EQ(form.PayoutLabels[3]->text(), info.TanHorse[1] ? Q(FormatInt(info.TanPay[1], 8)) : QString());
    for (int k = 1; k <= 153; ++k) {
      EXPECT_EQ(form.RealPairOddsLabels[k]->text(),
                calc.UmarenOdds[k] > 0 ? Q(FormatFixed(calc.UmarenOdds[k], 7, 1)) : QString());
      EXPECT_EQ(form.PredictedPairOddsLabels[k]->text(), Q(view::PairOddsText(calc.PredUmarenOdds[k])));
    }
    // Both rankings: every pair with odds once, numbered from 1, shortest odds first, each with the odds its
    // label in the matrix shows; equal odds of the day (which have one decimal) in the order of their pairs' labels.
    for (auto [grid, labels] : {std::pair{form.OddsRankingGrid, &form.RealPairOddsLabels},
                                std::pair{form.PredictedOddsRankingGrid, &form.PredictedPairOddsLabels}}) {
      const bool exact = grid == form.OddsRankingGrid;
      int withOdds = 0;
      for (int k = 1; k <= 153; ++k) withOdds += !(*labels)[k]->text().isEmpty();
      if (withOdds == 0) continue;
      ASSERT_EQ(grid->RowCount(), withOdds + 1) << slot;
      std::set<int> pairs;
      for (int r = 1; r <= withOdds; ++r) {
        const int k = UmarenStrToIndex(grid->Cell(1, r).toStdString());
        ASSERT_GT(k, 0) << slot << " row " << r;
        pairs.insert(k);
        EXPECT_EQ(grid->Cell(0, r), QString::asprintf("%3d", r));
        EXPECT_EQ(grid->Cell(2, r), (*labels)[k]->text()) << slot << " row " << r;
        if (r == 1) continue;
        const double above = grid->Cell(2, r - 1).toDouble(), here = grid->Cell(2, r).toDouble();
        EXPECT_TRUE(above < here || (above == here && (!exact || grid->Cell(1, r - 1) < grid->Cell(1, r))))
            << slot << " row " << r;
      }
      EXPECT_EQ(pairs.size(), static_cast<size_t>(withOdds));
    }
    const auto tickets = view::TicketRows(info, calc);
    // Each ticket's number, pair and odds; a hit's pair in its colour, everything else on the panel's background.
    const QColor plain = QApplication::palette().color(QPalette::ToolTipBase);
    for (int t = 1; t <= 6; ++t) {
      EXPECT_EQ(form.TicketLabels[3 * t - 1]->text(), IsBlank(calc.Tickets[t]) ? QString() : Q(calc.Tickets[t]));
      EXPECT_EQ(form.TicketLabels[3 * t - 2]->text(), Q(tickets[t - 1].number)) << t;
      EXPECT_EQ(form.TicketLabels[3 * t]->text(), Q(tickets[t - 1].odds)) << t;
      const view::Rgb hit = tickets[t - 1].hitColour;
      EXPECT_EQ((QList<QColor>{form.TicketLabels[3 * t - 2]->palette().color(QPalette::Window),
                               form.TicketLabels[3 * t - 1]->palette().color(QPalette::Window),
                               form.TicketLabels[3 * t]->palette().color(QPalette::Window)}),
                (QList<QColor>{plain, tickets[t - 1].hit ? QColor(hit.r, hit.g, hit.b) : plain, plain}))
          << "slot " << slot << " ticket " << t;
    }
    EXPECT_EQ(form.AxisHorseLabel->text(), calc.AxisHorse > 0 ? QString::number(calc.AxisHorse) : QString());
    EXPECT_EQ(form.AxisOddsLabel->Caption(), Q(view::AxisHorseTexts(info, calc).odds));
    EXPECT_EQ(form.TicketKindLabel->Caption(), calc.Over8Runners == 1 ? "馬連" : "枠連");
    EXPECT_EQ(form.TicketNoteLabel->Caption(), Q(calc.Note));
    EXPECT_EQ((QStringList{form.CountALabel->text(), form.CountBLabel->text(), form.CountCLabel->text()}),
              (QStringList{Q(FormatInt(calc.CountA, 2)), Q(FormatInt(calc.CountB, 2)), Q(FormatInt(calc.CountC, 2))}));
    EXPECT_EQ(form.RaceArrows->Position(), slot);
  }
  // The card's menu copies the race shown, the first of the day too, under a title that names it.
  form.RaceList->setCurrentRow(0);
  form.CopyRaceCardAction->trigger();
  const QStringList copied = QGuiApplication::clipboard()->text().split("\r\n");
  EXPECT_EQ(copied.value(0),
            form.DateHeaderLabel->Caption() + QString("%1R").arg(form.RaceNumberLabel->Caption().toInt(), 2));
  EXPECT_EQ(copied.size(), form.RaceCardGrid->RowCount() + 2) << "the title, every row, and the last line's end";
}

TEST_F(MainWindowTest, SortButtonsReorderTheCardAndPaintingFollowsTheRows) {
  Generate({});
  gui::MessageRecorder rec;
  MainWindow form(home);
  Choose(form, 0);
  form.SelectRaceLine(2);
  form.ShowChosenRace();
  auto byNameDescending = [&] {
    for (int r = 2; r < form.RaceCardGrid->RowCount(); ++r) {
      const std::string above =
          ToCp932(form.RaceCardGrid->Cell(view::Col(view::CardColumn::HorseName), r - 1).toStdString());
      const std::string below =
          ToCp932(form.RaceCardGrid->Cell(view::Col(view::CardColumn::HorseName), r).toStdString());
      if (above < below) return false;
    }
    return true;
  };
  // Pressing one button releases the other; pressing the one that is down releases it too.
  ASSERT_TRUE(form.SortByNumberButton->isChecked());
  form.SortByNameButton->click();
  EXPECT_FALSE(form.SortByNumberButton->isChecked());
  EXPECT_TRUE(form.SortByNameButton->isChecked());
  EXPECT_TRUE(byNameDescending());
  // The next race shown keeps the chosen order.
  form.SelectRaceLine(3);
  form.ShowChosenRace();
  EXPECT_TRUE(byNameDescending());
  form.SortByNumberButton->click();
  EXPECT_FALSE(form.SortByNameButton->isChecked());
  for (int r = 1; r < form.RaceCardGrid->RowCount(); ++r)
    EXPECT_EQ(form.RaceCardGrid->Cell(view::Col(view::CardColumn::HorseNumber), r).toInt(), r);
  form.SortByNumberButton->click();
  EXPECT_FALSE(form.SortByNumberButton->isChecked());
  EXPECT_FALSE(form.SortByNameButton->isChecked());

  // A click on the card or the mean pair odds grid chooses a row only while the button is down.
  for (gui::StringGrid* grid : {form.RaceCardGrid, form.MeanPairOddsGrid}) {
    auto mouse = [&](QEvent::Type type) {
      const QPointF at(30, grid->RowHeight(0) + 5);
      QMouseEvent e(type, at, grid->viewport()->mapToGlobal(at), Qt::LeftButton,
                    type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
      QApplication::sendEvent(grid->viewport(), &e);
    };
    mouse(QEvent::MouseButtonPress);
    EXPECT_FALSE(grid->Selection().Empty());
    mouse(QEvent::MouseButtonRelease);
    EXPECT_TRUE(grid->Selection().Empty());
  }
}

// A race without quinella odds shows an empty ranking, not the one of the race shown before.
TEST_F(MainWindowTest, RankingOfARaceWithoutOddsIsEmpty) {
  Generate({});
  const fs::path o2 = home / "Data" / (DayName(2024, 1, 6).FileStem() + ".jvO2");
  Lines lines;
  ASSERT_TRUE(ReadLines(o2, lines));
  lines[1] = std::string(lines[1].size(), ' ');
  ASSERT_TRUE(SaveLines(o2, lines));
  gui::MessageRecorder rec;
  MainWindow form(home);
  Choose(form, 0);
  const DayModel& day = form.Day();
  auto hasOdds = [&](int slot) {
    return std::any_of(day.Calcs[slot].UmarenOdds.begin(), day.Calcs[slot].UmarenOdds.end(),
                       [](double v) { return v > 0; });
  };
  ASSERT_TRUE(hasOdds(0));
  ASSERT_FALSE(hasOdds(1));
  form.SelectRaceLine(0);
  form.ShowChosenRace();
  ASSERT_FALSE(form.OddsRankingGrid->Cell(1, 1).isEmpty());
  const int shownRows = form.OddsRankingGrid->RowCount();
  form.SelectRaceLine(1);
  form.ShowChosenRace();
  // The rows stay, emptied: the grid does not shrink to its header.
  EXPECT_EQ(form.OddsRankingGrid->RowCount(), shownRows);
  for (int r = 1; r < form.OddsRankingGrid->RowCount(); ++r)
    EXPECT_EQ(form.OddsRankingGrid->Row(r).join(""), "") << "row " << r;
}

TEST_F(MainWindowTest, DayOfEightRacesIsRefused) {
  Generate({.venues = 1, .races = 8});
  gui::MessageRecorder rec;
  MainWindow form(home);
  Choose(form, 0);
  EXPECT_EQ(rec.Beeps(), 1);
  EXPECT_EQ(rec.Texts(), QStringList{"本ソフトは当日全レースの出馬表データを揃えてからご利用ください。"});
  EXPECT_EQ(form.RaceList->count(), 0);
  EXPECT_TRUE(form.RaceTabs->isHidden());
}

TEST_F(MainWindowTest, VenueWithoutItsRunnerFileIsRefusedAndNothingStaleStays) {
  Generate({});
  Generate({.date = DayName(2024, 1, 7), .missingRunnerFile = true});
  gui::MessageRecorder rec;
  MainWindow form(home);
  auto labelTexts = [&] {
    QStringList texts;
    for (const Label3D* l : form.findChildren<Label3D*>()) texts << l->Caption();
    for (const QLabel* l : form.findChildren<QLabel*>()) texts << l->text();
    return texts;
  };
  const QStringList atStart = labelTexts();
  ASSERT_EQ(form.DateCombo->itemText(1), "2024年01月06日");
  // A caller that disabled the window reloads the day: a day loaded in full makes it usable again, a refused one
  // does not.
  form.setEnabled(false);
  form.DateCombo->setCurrentIndex(1);
  form.LoadChosenDay();
  ASSERT_EQ(form.RaceList->count(), 36);
  ASSERT_FALSE(form.RaceNameLabel->Caption().isEmpty());
  EXPECT_TRUE(form.isEnabled());
  form.setEnabled(false);
  form.DateCombo->setCurrentIndex(0);
  form.LoadChosenDay();
  EXPECT_FALSE(form.isEnabled());
  EXPECT_EQ(rec.Beeps(), 1);
  EXPECT_EQ(rec.Texts(), QStringList{"データ作成が未完了のようです。"});
  EXPECT_EQ(form.RaceList->count(), 0);
  EXPECT_TRUE(form.RaceTabs->isHidden());
  EXPECT_EQ(labelTexts(), atStart) << "every label as before any day was shown";
  EXPECT_TRUE(form.RaceNameLabel->Caption().isEmpty());
  EXPECT_LE(form.RaceCardGrid->RowCount(), 2);
  for (auto* g : {form.RaceCardGrid, form.MeanPairOddsGrid, form.OddsRankingGrid, form.PredictedOddsRankingGrid})
    EXPECT_EQ(g->Row(1).join(""), "");
  // Nothing selected: showing a race does nothing.
  form.ShowChosenRace();
  EXPECT_TRUE(form.RaceTabs->isHidden());
  EXPECT_EQ(rec.Messages().size(), 1u);
}

TEST_F(MainWindowTest, EntryCountAboveEighteenShowsEighteenRows) {
  Generate({.entriesField = 19});
  gui::MessageRecorder rec;
  MainWindow form(home);
  Choose(form, 0);
  form.SelectRaceLine(0);
  form.ShowChosenRace();
  EXPECT_LE(form.RaceCardGrid->RowCount(), 19);
  EXPECT_LE(form.MeanPairOddsGrid->RowCount(), 19);
  // Paint every cell of the card: rows without a horse of the race are painted plainly.
  gui::RecordingCanvas canvas;
  for (int r = 0; r < form.RaceCardGrid->RowCount(); ++r)
    for (int c = 0; c < form.RaceCardGrid->ColCount(); ++c)
      form.RaceCardGrid->PaintCell(canvas, c, r, QRect(0, 0, 40, 25));
}

TEST_F(MainWindowTest, RaceWithoutRunnerDataSaysSoAndNoSelectionDoesNothing) {
  Generate({});
  gui::MessageRecorder rec;
  MainWindow form(home);
  Choose(form, 0);
  // No line selected, or a line past the races: nothing happens.
  form.SelectRaceLine(-1);
  form.ShowChosenRace();
  EXPECT_TRUE(rec.Messages().empty());
  const int shown = form.Day().GCurRace;
  form.SelectRaceLine(4);
  form.Day().Table.GSeTbl[4][0] = std::string(layout::kSeLine, ' ');
  form.ShowChosenRace();
  EXPECT_EQ(rec.Beeps(), 1);
  const QString number = Q(FieldText(form.Day().Table.GRaTbl[4], layout::head::kRaceNum));
  EXPECT_EQ(rec.Texts(),
            QStringList{number + "レースは予想に必要なデータ量がありません。時間をおいて再取得してください。"});
  EXPECT_TRUE(form.RaceTabs->isHidden());
  EXPECT_NE(shown, -1);
}

TEST_F(MainWindowTest, TodaysDayArmsTheResultsPoll) {
  const DateTime now = Clock::Now();
  Generate({.date = DayName(now.year, now.month, now.day)});
  std::ofstream(home / "corvina.ini") << "[Time]\r\nAutoRdataGet=5\r\n";
  gui::MessageRecorder rec;
  MainWindow form(home);
  Choose(form, 0);
  ASSERT_EQ(form.RaceList->count(), 36);
  EXPECT_TRUE(form.ResultsPollTimer->isActive());
  EXPECT_EQ(form.ResultsPollTimer->interval(), 5 * 60000);
  // A new interval counts at the next load of the same day; one below the window's range polls at its least.
  for (const auto& [stored, minutes] : {std::pair{0, 5}, std::pair{7, 7}, std::pair{1, 5}}) {
    form.Settings.WriteInteger("Time", "AutoRdataGet", stored);
    Choose(form, 0);
    EXPECT_TRUE(form.ResultsPollTimer->isActive()) << stored;
    EXPECT_EQ(form.ResultsPollTimer->interval(), minutes * 60000) << stored;
  }
}

TEST_F(MainWindowTest, PayoutLabelsFollowTheBetTypeOrder) {
  Generate({});
  gui::MessageRecorder rec;
  MainWindow form(home);
  Choose(form, 0);
  form.SelectRaceLine(0);
  form.ShowChosenRace();
  const RaceInfo& info = form.Day().Races[0];
  ASSERT_GT(info.TanHorse[1], 0) << "the sample day has results";
  // First entry of each bet type: win, place, bracket quinella, quinella, wide, exacta, trio, trifecta.
  EXPECT_EQ(form.PayoutLabels[1]->text(), Q(FormatInt(info.TanHorse[1], 2)));
  EXPECT_EQ(form.PayoutLabels[10]->text(), Q(FormatInt(info.FukuHorse[1], 2)));
  EXPECT_EQ(form.PayoutLabels[25]->text(), Q(info.WakurenComb[1]));
  EXPECT_EQ(form.PayoutLabels[34]->text(), Q(info.UmarenComb[1]));
  EXPECT_EQ(form.PayoutLabels[43]->text(), Q(info.WideComb[1]));
  EXPECT_EQ(form.PayoutLabels[64]->text(), Q(info.UmatanComb[1]));
  EXPECT_EQ(form.PayoutLabels[82]->text(), Q(info.SanrenpukuComb[1]));
  EXPECT_EQ(form.PayoutLabels[91]->text(), Q(info.SanrentanComb[1]));
  EXPECT_EQ(form.PayoutLabels[93]->text(), Q(FormatInt(info.SanrentanPay[1], 8)));
  for (int k : {25, 34, 43, 64, 82, 91}) EXPECT_FALSE(form.PayoutLabels[k]->text().trimmed().isEmpty()) << k;
}

TEST_F(MainWindowTest, LoadShowsTheLastRaceAgainOrTheLastLineAndTheArrowsStepFromIt) {
  Generate({});
  Generate({.date = DayName(2024, 1, 7), .venues = 1, .races = 9});
  gui::MessageRecorder rec;
  MainWindow form(home);
  ASSERT_EQ(form.DateCombo->itemText(1), "2024年01月06日");
  Choose(form, 1);
  EXPECT_EQ(form.RaceList->currentRow(), 0) << "the first load shows the first race";
  form.SelectRaceLine(30);
  form.ShowChosenRace();
  // Loading the same day again shows the same race.
  Choose(form, 1);
  EXPECT_EQ(form.RaceList->currentRow(), 30);
  EXPECT_EQ(form.Day().GCurRace, 30);
  EXPECT_EQ(form.RaceArrows->Max(), 35);
  // The arrows step from the race shown, also after a load.
  EXPECT_EQ(form.RaceArrows->Position(), 30);

  // A smaller day: the last line instead, and nothing of the larger day stays usable.
  Choose(form, 0);
  ASSERT_EQ(form.RaceList->count(), 9);
  EXPECT_EQ(form.RaceList->currentRow(), 8);
  EXPECT_EQ(form.Day().GCurRace, 8);
  EXPECT_EQ(form.Day().GLastRace, 8);
  EXPECT_FALSE(form.RaceTabs->isHidden());
  EXPECT_EQ(form.RaceArrows->Max(), 8);
  EXPECT_EQ(form.RaceArrows->Position(), 8);
  for (int s = 9; s < kSlots; ++s) EXPECT_EQ(form.Day().Calcs[s].CalcHasData, 0) << s;
  form.RaceArrows->ClickButton(gui::UpDown::Button::Down);
  EXPECT_EQ(form.RaceList->currentRow(), 7);
  EXPECT_EQ(form.Day().GCurRace, 7);
  EXPECT_TRUE(rec.Messages().empty()) << rec.Texts().join("\n").toStdString();
}

TEST_F(MainWindowTest, ReloadWithNoDayChosenLeavesNothingOfTheDayBefore) {
  const DateTime now = Clock::Now();
  Generate({.date = DayName(now.year, now.month, now.day)});
  gui::MessageRecorder rec;
  MainWindow form(home);
  Choose(form, 0);
  ASSERT_TRUE(form.ResultsPollTimer->isActive());
  ASSERT_EQ(form.Day().Calcs[0].CalcHasData, 1);
  // The import window rebuilt the day list, then a timer reloads "the day shown".
  form.RebuildDayList();
  ASSERT_EQ(form.DateCombo->currentIndex(), -1);
  form.LoadChosenDay();
  EXPECT_FALSE(form.ResultsPollTimer->isActive());
  EXPECT_TRUE(form.RaceTabs->isHidden());
  EXPECT_EQ(form.RaceList->count(), 0);
  for (int s = 0; s < kSlots; ++s) {
    EXPECT_EQ(form.Day().Calcs[s].CalcHasData, 0) << s;
    EXPECT_TRUE(IsBlank(form.Day().Races[s].RaceKey)) << s;
  }
  EXPECT_TRUE(rec.Messages().empty());
}

TEST_F(MainWindowTest, MenuOptionsAreStoredAndTheLocalOptionComputesTheDayAgain) {
  Generate({});
  gui::MessageRecorder rec;
  MainWindow form(home);
  // With no day chosen the local option only toggles and is stored.
  form.LocalOptionAction->trigger();
  EXPECT_EQ(form.LocalOptionLabel->Caption(), "ﾛｰｶﾙｵﾌﾟｼｮﾝ無効");
  SettingsFile ini;
  ini.SetFileName((home / "corvina.ini").string());
  EXPECT_FALSE(ini.ReadBool("kaime", "local", true));
  EXPECT_EQ(form.RaceList->count(), 0);

  Choose(form, 0);
  form.SelectRaceLine(5);
  form.ShowChosenRace();
  form.LocalOptionAction->trigger();
  EXPECT_EQ(form.LocalOptionLabel->Caption(), "ﾛｰｶﾙｵﾌﾟｼｮﾝ有効");
  EXPECT_TRUE(ini.ReadBool("kaime", "local", false));
  ASSERT_EQ(form.RaceList->count(), 36) << "the day is loaded again";
  EXPECT_EQ(form.Day().GCurRace, 5) << "and shows the same race";

  form.HideDayListAfterLoadAction->trigger();
  EXPECT_TRUE(ini.ReadBool("datalist", "close", false));
  EXPECT_TRUE(rec.Messages().empty());

  // A folder where the settings file belongs: each option takes effect for this run, and the user is told the
  // file did not keep it.
  fs::remove(home / "corvina.ini");
  fs::create_directory(home / "corvina.ini");
  form.SelectRaceLine(7);
  form.ShowChosenRace();
  form.LocalOptionAction->trigger();
  ASSERT_EQ(rec.Messages().size(), 1u);
  EXPECT_EQ(rec.Messages()[0].kind, gui::MsgKind::Error);
  EXPECT_TRUE(rec.Texts()[0].contains("corvina.ini")) << rec.Texts()[0].toStdString();
  EXPECT_EQ(form.LocalOptionLabel->Caption(), "ﾛｰｶﾙｵﾌﾟｼｮﾝ無効");
  ASSERT_EQ(form.RaceList->count(), 36) << "the day is computed again all the same";
  EXPECT_EQ(form.Day().GCurRace, 7) << "at the race shown";
  rec.Clear();
  form.HideDayListAfterLoadAction->trigger();
  ASSERT_EQ(rec.Messages().size(), 1u);
  EXPECT_EQ(rec.Messages()[0].kind, gui::MsgKind::Error);
  EXPECT_TRUE(rec.Texts()[0].contains("corvina.ini")) << rec.Texts()[0].toStdString();
  EXPECT_FALSE(form.HideDayListAfterLoadAction->isChecked());
}

// "F" hides and shows the date box and race list only: its own buttons stay in reach, with the option that hides
// the list after every load and without it.
TEST_F(MainWindowTest, FButtonBringsTheListBackAndNeverHidesItself) {
  Generate({});
  for (const bool hideAfterLoad : {true, false}) {
    std::ofstream(home / "corvina.ini") << "[datalist]\r\nclose=" << (hideAfterLoad ? 1 : 0) << "\r\n";
    gui::MessageRecorder rec;
    MainWindow form(home);
    form.show();
    Choose(form, 0);
    ASSERT_EQ(form.RaceList->count(), 36);
    EXPECT_EQ(form.DayListPanel->isVisible(), !hideAfterLoad);
    auto raceButtonsShown = [&] {
      for (QWidget* w : std::initializer_list<QWidget*>{form.DayListButton, form.HitWindowButton, form.ResultsButton,
                                                        form.LatestOddsButton, form.RaceArrows})
        if (!w->isVisible()) return false;
      return true;
    };
    EXPECT_TRUE(raceButtonsShown());
    for (int click = 1; click <= 2; ++click) {
      ASSERT_TRUE(form.DayListButton->isVisible()) << hideAfterLoad << " click " << click;
      const bool listWasShown = form.DayListPanel->isVisible();
      form.DayListButton->click();
      EXPECT_NE(form.DayListPanel->isVisible(), listWasShown) << hideAfterLoad << " click " << click;
      EXPECT_TRUE(raceButtonsShown()) << hideAfterLoad << " click " << click;
    }
    EXPECT_EQ(form.DayListPanel->isVisible(), !hideAfterLoad);
    // With the list back the user chooses another race.
    if (!form.DayListPanel->isVisible()) form.DayListButton->click();
    ASSERT_TRUE(form.RaceList->isVisible());
    form.RaceList->setCurrentRow(7);
    EXPECT_EQ(form.Day().GCurRace, 7);
    EXPECT_EQ(form.DayListPanel->isVisible(), !hideAfterLoad) << "a race shown hides the list again with the option";
    EXPECT_TRUE(raceButtonsShown());
    EXPECT_TRUE(rec.Messages().empty());
  }
}
