// The main window's clipboard copy of the race card, the help file and the printer set-up.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QUrl>
#include <fstream>

#include "mainwindow/ui/Commands.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Printer.h"
#include "platform/gui/Shell.h"
#include "platform/gui/StringGrid.h"
#include "tests/support/QtApp.h"
#include "tests/support/TempDir.h"

using namespace corvina;

namespace {
// A race card of `runners` horses: the header row and one row a horse, 19 columns, each cell naming itself.
void FillCard(gui::StringGrid& grid, int runners) {
  grid.SetColCount(19);
  grid.SetRowCount(runners + 1);
  for (int r = 0; r <= runners; ++r)
    for (int c = 0; c < 19; ++c) grid.SetCell(c, r, QStringLiteral("%1.%2").arg(c).arg(r));
}
}  // namespace

TEST(CommandsTest, RaceCardOfTwelveRunnersCopiesTitleAndThirteenRowsOfNineteenCells) {
  test::App();
  gui::StringGrid grid;
  FillCard(grid, 12);
  CopyRaceCardToClipboard(grid, QStringLiteral("2024年01月06日 1回中山1日"), "2024010606010111");
  const QStringList lines = QGuiApplication::clipboard()->text().split(QStringLiteral("\r\n"));
  ASSERT_EQ(lines.size(), 15);  // 14 lines, each ended by CR LF
  EXPECT_EQ(lines[0], QStringLiteral("2024年01月06日 1回中山1日11R"));
  for (int r = 1; r <= 13; ++r) {
    const QStringList cells = lines[r].split(QLatin1Char('\t'));
    ASSERT_EQ(cells.size(), 19) << r;
    EXPECT_EQ(cells.back(), QStringLiteral("18.%1").arg(r - 1));
  }
  EXPECT_EQ(RaceCardTitle("H", "2024010606010101"), "H 1R");
  EXPECT_EQ(RaceCardTitle("", ""), " 0R");  // no race shown: no out-of-range read
}

TEST(CommandsTest, RangesAreCutToTheGridAndRangesOutsideItGiveNoText) {
  test::App();
  gui::StringGrid grid;
  FillCard(grid, 2);  // 19 x 3
  struct Case {
    int left, top, bottom, right;
    QString text;
  };
  const QString t = QStringLiteral("T\r\n");
  const Case cases[] = {
      {17, 1, 1, 40, t + "17.1\t18.1\r\n"},  // right beyond the last column
      {-5, -2, 0, 1, t + "0.0\t1.0\r\n"},    // negative left and top
      {18, 2, 9, 18, t + "18.2\r\n"},        // bottom beyond the last row
      {3, 0, 0, 2, ""},
      {0, 2, 1, 3, ""},
      {-3, 0, 1, -1, ""},  // left > right, bottom < top, right < 0
      {0, -3, -1, 3, ""},
      {19, 0, 1, 25, ""},
      {0, 3, 5, 3, ""},  // bottom < 0, left or top past the grid
  };
  for (const Case& c : cases)
    EXPECT_EQ(GridRangeText(grid, c.left, c.top, "T", c.bottom, c.right), c.text) << c.left << "," << c.top;
  // A range outside the grid empties the clipboard rather than leaving the last copy there.
  QGuiApplication::clipboard()->setText("old");
  CopyGridRangeToClipboard(grid, 5, 0, "T", 1, 2);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "");
}

TEST(CommandsTest, HelpOpensTheFileOrSaysWhyNot) {
  test::App();
  test::TempDir dir("help");
  const auto help = dir / "corvina.chm";
  // (file present, viewer takes it, opened, message begins with)
  const std::tuple<bool, bool, bool, QString> cases[] = {
      {false, true, false, QStringLiteral("ヘルプファイルが見つかりません。")},
      {true, false, false, QStringLiteral("ヘルプファイルを表示できる")},
      {true, true, true, QString()},
  };
  for (const auto& [present, viewer, opened, message] : cases) {
    if (present) std::ofstream(help) << "help";
    gui::MessageRecorder msgs;
    QStringList asked;
    gui::SetShellSink([&, viewer = viewer](const QUrl& u) { return asked << u.toLocalFile(), viewer; });
    EXPECT_EQ(ShowHelpContents(nullptr, help), opened);
    gui::SetShellSink(nullptr);
    EXPECT_EQ(asked, present ? QStringList{QString::fromStdString(help.string())} : QStringList{});
    EXPECT_EQ(msgs.Beeps(), opened ? 0 : 1);
    EXPECT_EQ(msgs.Texts().size(), opened ? 0 : 1);
    EXPECT_TRUE(msgs.Texts().value(0).startsWith(message)) << msgs.Texts().value(0).toStdString();
  }
}

TEST(CommandsTest, PrintSetupRunsTheDialogOnlyWithAPrinter) {
  test::App();
  gui::PrinterOverride printer;
  gui::MessageRecorder msgs;
  EXPECT_TRUE(PrintSetup(nullptr));
  printer->SetSetupAnswer(false);
  EXPECT_FALSE(PrintSetup(nullptr));
  EXPECT_TRUE(msgs.Texts().isEmpty());
  printer->SetInstalled(false);
  printer->SetSetupAnswer(true);
  EXPECT_FALSE(PrintSetup(nullptr));
  EXPECT_EQ(msgs.Texts(), QStringList{QString::fromUtf8(gui::kNoPrinterMessage)});
  EXPECT_EQ(msgs.Messages()[0].kind, gui::MsgKind::Error);
}
