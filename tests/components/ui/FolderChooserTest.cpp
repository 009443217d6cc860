// The folder chooser, offscreen: confirm and cancel, the status line, placement and the rectangle kept between
// two runs, and the screen-range check of the designed position.
#include <gtest/gtest.h>

#include <QFileSystemModel>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>

#include "components/ui/FolderChooser.h"
#include "tests/support/QtApp.h"
#include "tests/support/TempDir.h"

using namespace corvina;

namespace {

class FolderChooserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::App();
    std::filesystem::create_directories(dir_ / "a" / "b");
    FolderChooser::ErrorBox = [this](const QString& text, const QString& title) { errors_ << title + "|" + text; };
  }
  void TearDown() override {
    FolderChooser::ErrorBox = [](const QString&, const QString&) {};
  }
  // Runs Execute with `act` done on the open dialog.
  bool Run(const std::function<void(FolderChooserDialog&)>& act) {
    QTimer::singleShot(0, [&] { act(*fv_.Dialog()); });
    return fv_.Execute();
  }
  QString Folder(const char* sub) const { return QString::fromStdString((dir_ / sub).string()); }

  test::TempDir dir_{"folderviewer"};
  FolderChooser fv_;
  QStringList errors_;
};

TEST_F(FolderChooserTest, ConfirmStoresTheFolderCancelChangesNothing) {
  fv_.OpenDefault = true;
  fv_.StatusHeader = kFolderChooserStatusHeader;
  fv_.Caption = "Caption";
  fv_.SelectedFolder = Folder("a");
  QString status;
  EXPECT_TRUE(Run([&](FolderChooserDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Caption");
    // The whole line is the status bar's tooltip: the bar itself shortens a path too long for it.
    status = d.StatusBarLabel->toolTip();
    d.SelectFolder(Folder("a/b"));
    EXPECT_TRUE(d.OkButton->isEnabled());
    d.OkButton->click();
  }));
  EXPECT_EQ(status, QString(kFolderChooserStatusHeader) + Folder("a")) << "preselected, shown after the header";
  EXPECT_EQ(fv_.ChosenFolder, Folder("a/b"));
  EXPECT_EQ(fv_.SelectedFolder, Folder("a/b"));

  EXPECT_FALSE(Run([](FolderChooserDialog& d) {
    d.SelectFolder(QString::fromStdString(std::filesystem::temp_directory_path().string()));
    d.CancelButton->click();
  }));
  EXPECT_EQ(fv_.ChosenFolder, Folder("a/b"));
  EXPECT_EQ(fv_.SelectedFolder, Folder("a/b"));

  // Without OpenDefault nothing is preselected and the choice is not stored back.
  fv_.OpenDefault = false;
  EXPECT_TRUE(Run([&](FolderChooserDialog& d) {
    EXPECT_TRUE(d.CurrentFolder().isEmpty());
    EXPECT_FALSE(d.OkButton->isEnabled());
    d.SelectFolder(Folder("a"));
    d.OkButton->click();
  }));
  EXPECT_EQ(fv_.ChosenFolder, Folder("a"));
  EXPECT_EQ(fv_.SelectedFolder, Folder("a/b"));

  // Opened with no folder chosen yet: nothing is current, also once the folders have the focus, the status
  // line is the header alone, OK cannot be pressed, and a dialog confirmed all the same changes nothing.
  fv_.OpenDefault = true;
  fv_.SelectedFolder.clear();
  EXPECT_FALSE(Run([&](FolderChooserDialog& d) {
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(d.TreeView, &focus);
    EXPECT_TRUE(d.CurrentFolder().isEmpty()) << d.CurrentFolder().toStdString();
    EXPECT_EQ(d.StatusBarLabel->toolTip(), QString(kFolderChooserStatusHeader));
    EXPECT_FALSE(d.OkButton->isEnabled());
    d.accept();
  }));
  EXPECT_EQ(fv_.ChosenFolder, Folder("a"));
  EXPECT_TRUE(fv_.SelectedFolder.isEmpty());
}

TEST_F(FolderChooserTest, OpensWithThePreselectedFolderInViewAndItsNameReadableAtEverySize) {
  // Many folders above the chosen one, read only once the dialog is open, and a path wider than the dialog.
  for (int i = 0; i < 60; ++i) std::filesystem::create_directories(dir_ / ("f" + std::to_string(100 + i)));
  const std::string parent = "f159/realtime_odds_of_the_whole_race_day/0B30_snapshots_of_every_racecourse";
  const std::string deep = parent + "/odds_of_the_day", beside = parent + "/day_before";
  for (const std::string& sub : {deep, beside}) std::filesystem::create_directories(dir_ / sub);
  fv_.OpenDefault = true;
  fv_.StatusHeader = kFolderChooserStatusHeader;
  fv_.SelectedFolder = Folder(deep.c_str());
  const QString whole = QString(kFolderChooserStatusHeader) + Folder(deep.c_str());
  Run([&](FolderChooserDialog& d) {
    // The folders are read in the background: once every folder above the chosen one has its row, and the
    // view has followed it, the chosen folder is in view.
    // Indexes are looked up afresh: the rows move while the folders above them are read.
    const QModelIndex above = d.TreeView->currentIndex().parent().parent().parent().parent();
    ASSERT_EQ(above.data(QFileSystemModel::FilePathRole).toString(), QString::fromStdString(dir_.path().string()));
    auto inView = [&](const QModelIndex& index) {
      return d.TreeView->viewport()->rect().contains(d.TreeView->visualRect(index));
    };
    EXPECT_TRUE(test::WaitUntil([&] {
      return d.TreeView->model()->rowCount(above) == 61 && inView(d.TreeView->currentIndex());
    })) << d.TreeView->model()->rowCount(above)
        << " folders read; the chosen one at " << d.TreeView->visualRect(d.TreeView->currentIndex()).y()
        << " in a view " << d.TreeView->viewport()->height() << " high";
    EXPECT_EQ(d.CurrentFolder(), Folder(deep.c_str()));

    QLabel* line = d.StatusBarLabel;
    auto fits = [&] { return line->fontMetrics().horizontalAdvance(line->text()) <= line->contentsRect().width(); };
    EXPECT_EQ(line->toolTip(), whole);
    EXPECT_TRUE(fits()) << "cut at the edge";
    EXPECT_TRUE(line->text().startsWith(QString(kFolderChooserStatusHeader) + Folder("").left(4)))
        << line->text().toStdString();
    EXPECT_TRUE(line->text().endsWith(QStringLiteral("/odds_of_the_day"))) << line->text().toStdString();
    d.resize(line->fontMetrics().horizontalAdvance(whole) + 100, d.height());
    QCoreApplication::processEvents();
    EXPECT_EQ(line->text(), whole) << "a bar wide enough shows the whole path";

    // At the smallest size the bar gives up the folders above, not the chosen folder's name, also for a folder
    // the user clicks there.
    d.resize(1, 1);
    QCoreApplication::processEvents();
    ASSERT_GT(line->fontMetrics().horizontalAdvance(whole), line->contentsRect().width());
    EXPECT_TRUE(fits());
    EXPECT_TRUE(line->text().endsWith(QStringLiteral("/odds_of_the_day"))) << line->text().toStdString();
    auto besideRow = [&] { return d.TreeView->currentIndex().siblingAtRow(0); };
    EXPECT_TRUE(test::WaitUntil([&] {
      return d.TreeView->model()->rowCount(d.TreeView->currentIndex().parent()) == 2 && inView(besideRow());
    }));
    test::Click(d.TreeView->viewport(), d.TreeView->visualRect(besideRow()).center());
    EXPECT_EQ(d.CurrentFolder(), Folder(beside.c_str()));
    EXPECT_TRUE(fits());
    EXPECT_TRUE(line->text().endsWith(QStringLiteral("/day_before"))) << line->text().toStdString();
    d.CancelButton->click();
  });

  // Opened on a folder removed since it was chosen, two levels deep: its nearest parent still there is chosen,
  // in view, and OK confirms it.
  std::filesystem::remove_all(dir_ / parent);
  fv_.SelectedFolder = Folder(deep.c_str());
  const QString left = Folder("f159/realtime_odds_of_the_whole_race_day");
  EXPECT_TRUE(Run([&](FolderChooserDialog& d) {
    const QModelIndex chosen = d.TreeView->currentIndex();
    EXPECT_EQ(chosen.data().toString().toStdString(), "realtime_odds_of_the_whole_race_day");
    EXPECT_TRUE(d.TreeView->selectionModel()->isSelected(chosen)) << "shown chosen";
    EXPECT_TRUE(test::WaitUntil(
        [&] { return d.TreeView->viewport()->rect().contains(d.TreeView->visualRect(d.TreeView->currentIndex())); }));
    EXPECT_EQ(d.StatusBarLabel->toolTip().toStdString(), (QString(kFolderChooserStatusHeader) + left).toStdString());
    d.OkButton->click();
    if (d.isVisible()) d.CancelButton->click();  // OK could not be pressed
  }));
  EXPECT_EQ(fv_.ChosenFolder.toStdString(), left.toStdString());
}

TEST_F(FolderChooserTest, StatusLineAndFrames) {
  fv_.OpenDefault = true;
  fv_.SelectedFolder = Folder("a");
  fv_.StatusHeader = "H ";
  fv_.Option = {ChooserOption::ReturnOnlyFSDirs};  // no status text
  Run([](FolderChooserDialog& d) {
    EXPECT_EQ(d.windowTitle(), "フォルダの参照");
    EXPECT_EQ(d.StatusText(), "");
    d.CancelButton->click();
  });
  // The plain frame: instruction and status as text lines, no status bar.
  fv_.Option = {ChooserOption::StatusText};
  fv_.BorderStyle = DialogBorderStyle::Dialog;
  fv_.Text = kFolderChooserText;
  Run([&](FolderChooserDialog& d) {
    // The folders' names only: no size, type or date columns.
    const int columns = d.TreeView->model()->columnCount();
    ASSERT_GT(columns, 1);
    EXPECT_FALSE(d.TreeView->isColumnHidden(0));
    for (int c = 1; c < columns; ++c) EXPECT_TRUE(d.TreeView->isColumnHidden(c)) << c;
    EXPECT_EQ(d.StatusBar, nullptr);
    EXPECT_TRUE(d.TextLabel->isVisible());
    EXPECT_EQ(test::OverlappingChildren(d), QStringList());
    EXPECT_EQ(d.StatusLabel->text(), "H " + Folder("a"));
    d.CancelButton->click();
  });
}

TEST_F(FolderChooserTest, PlacementAndTheRectangleOfTheLastClose) {
  EXPECT_EQ(CenteredStart(0, 1920, 800), 560);
  EXPECT_EQ(CenteredStart(-1920, 0, 801), -1360) << "halves truncated towards zero";
  EXPECT_EQ(CenteredStart(0, 1, 800), -399);

  // Centred on the screen, or on the window that owns the chooser.
  // A dialog left to itself goes over a shown owner, else on the screen's centre: the owner is shown, away from
  // the screen's centre, only when the dialog should not go over it.
  QWidget owner;
  owner.setGeometry(20, 30, 300, 200);
  for (DialogPosition where : {DialogPosition::ScreenCenter, DialogPosition::ParentCenter}) {
    owner.setVisible(where == DialogPosition::ScreenCenter);
    FolderChooser centred(&owner);
    centred.Position = where;
    const QRect around = where == DialogPosition::ScreenCenter ? QGuiApplication::primaryScreen()->availableGeometry()
                                                               : owner.frameGeometry();
    QPoint at, want;
    QTimer::singleShot(0, [&] {
      FolderChooserDialog& d = *centred.Dialog();
      at = d.pos();
      want = QPoint(CenteredStart(around.left(), around.left() + around.width(), d.width()),
                    CenteredStart(around.top(), around.top() + around.height(), d.height()));
      d.CancelButton->click();
    });
    centred.Execute();
    EXPECT_EQ(at, want) << static_cast<int>(where);
  }

  fv_.Position = DialogPosition::Designed;
  fv_.SetLeft(10);
  fv_.SetTop(20);
  const QRect moved(40, 50, 500, 420);
  Run([&](FolderChooserDialog& d) {
    EXPECT_EQ(d.pos(), QPoint(10, 20));
    d.setGeometry(moved);
    d.CancelButton->click();
  });
  EXPECT_EQ(fv_.SavedRect(), moved);
  Run([&](FolderChooserDialog& d) {
    EXPECT_EQ(d.geometry(), moved) << "the saved rectangle wins over the designed place";
    d.CancelButton->click();
  });
}

TEST_F(FolderChooserTest, DesignedPositionMustLieOnTheScreen) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  fv_.SetLeft(0);
  fv_.SetTop(0);
  EXPECT_EQ(QPoint(fv_.Left(), fv_.Top()), QPoint(0, 0));
  fv_.SetLeft(screen.width());
  fv_.SetTop(screen.height());
  EXPECT_TRUE(errors_.isEmpty());
  fv_.SetLeft(screen.width() + 1);
  fv_.SetTop(-1);
  EXPECT_EQ(fv_.Left(), screen.width());
  EXPECT_EQ(fv_.Top(), screen.height());
  ASSERT_EQ(errors_.size(), 2);
  EXPECT_EQ(errors_[0], QString("ﾌﾟﾛﾊﾟﾃｨ ｴﾗｰ|設定値がｽｸﾘｰﾝ座標範囲 (0 ～ %1) を超えています。").arg(screen.width()));
}

}  // namespace
