// The batch print window: its settings, the race list, printing the shown or the ticked pages, and the print
// command that opens it.
#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "analysis/ui/BatchPrintWindow.h"
#include "components/SettingsFile.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/UpDown.h"
#include "tests/support/PrintingFixtures.h"

namespace corvina::test {
namespace {

using Event = gui::RecordingPrinter::Event;

class BatchPrintWindowTest : public PrintingTest {
 protected:
  BatchPrintWindowTest() {
    for (int s = 0; s < 6; ++s) AddRace(*day, s, s + 1);
    day->Races[1].RaceKey.replace(8, 2, "09");
  }
  SettingsFile Ini() const {
    SettingsFile ini;
    ini.Loaded();
    return ini;
  }
  // The race number printed in the black box of the last job's only page.
  QString PrintedRaceNumber() {
    if (printer->Pages().size() != 1) return QStringLiteral("%1 pages").arg(printer->Pages().size());
    for (const auto& op : printer->Pages()[0])
      if (op.kind == gui::CanvasOp::Kind::Text && op.from == QPoint(Dev(op.text.size() > 1 ? 105 : 120), Dev(165)))
        return op.text;
    return {};
  }
  std::unique_ptr<DayModel> day = NewDay();
};

TEST_F(BatchPrintWindowTest, ZoomChoiceIsReadAndWrittenAsAnIndex) {
  {
    BatchPrintWindow form(*day);
    EXPECT_EQ(form.ZoomIndex(), 1);
    EXPECT_EQ(form.Preview->ZoomScale(), 50);
    QStringList choices;
    for (QAbstractButton* b : form.ZoomChoice->buttons()) choices << b->text();
    EXPECT_EQ(choices, (QStringList{"25%", "50%", "75%", "100%"}));
  }
  Ini().WriteInteger("PrintZoom", "ratio", 3);
  BatchPrintWindow form(*day);
  EXPECT_EQ(form.Preview->ZoomScale(), 100);
  form.ZoomChoice->button(0)->click();
  EXPECT_EQ(form.Preview->ZoomScale(), 25);
  EXPECT_EQ(Ini().ReadInteger("PrintZoom", "ratio", -1), 0);
  Ini().WriteInteger("PrintZoom", "ratio", 9);  // a hand-edited value out of range
  BatchPrintWindow odd(*day);
  EXPECT_EQ(odd.Preview->ZoomScale(), 100);
  EXPECT_TRUE(messages.Messages().empty());

  // Settings that cannot be saved: the zoom still changes, and the user is told which file failed.
  const std::string lost = (home.path() / "no" / "such" / "corvina.ini").string();
  odd.Settings.SetFileName(lost);
  odd.ZoomChoice->button(2)->click();
  EXPECT_EQ(odd.Preview->ZoomScale(), 75);
  ASSERT_EQ(messages.Messages().size(), 1u);
  EXPECT_EQ(messages.Messages()[0].kind, gui::MsgKind::Error);
  EXPECT_TRUE(messages.Texts()[0].contains(QString::fromStdString(lost))) << messages.Texts()[0].toStdString();
  EXPECT_EQ(Ini().ReadInteger("PrintZoom", "ratio", -1), 3) << "as the window opened it, clamped";
}

TEST_F(BatchPrintWindowTest, ListsEveryRaceWithDataByCourseAndNumber) {
  day->Races[3].HasData = 0;
  day->Races[4].RaceKey.replace(8, 2, "42");  // a local course
  AddRace(*day, kSlots - 1, 12, 12, "10");    // the day's last slot
  BatchPrintWindow form(*day);
  QStringList items;
  for (int k = 0; k < form.RaceCheckList->count(); ++k) {
    items << form.RaceCheckList->item(k)->text();
    EXPECT_EQ(form.RaceCheckList->item(k)->checkState(), Qt::Unchecked);
  }
  EXPECT_EQ(items, (QStringList{"中山01R", "阪神02R", "中山03R", "浦和05R", "中山06R", "小倉12R"}));
  auto ticks = [&] {
    QString t;
    for (int k = 0; k < form.RaceCheckList->count(); ++k) t += form.RaceCheckList->item(k)->checkState() ? 'x' : '-';
    return t;
  };
  form.TickAllButton->click();
  EXPECT_EQ(ticks(), "xxxxxx");
  form.UntickAllButton->click();
  EXPECT_EQ(ticks(), "------");
  form.show();
  QCoreApplication::processEvents();
  EXPECT_EQ(OverlappingChildren(*form.ControlBar), QStringList());
  for (const QGroupBox* box : form.ControlBar->findChildren<QGroupBox*>())
    EXPECT_EQ(OverlappingChildren(*box), QStringList()) << box->title().toStdString();
  EXPECT_EQ(form.UntickAllButton->y(), form.TickAllButton->y()) << "side by side under their title";
  EXPECT_GT(form.UntickAllButton->x(), form.TickAllButton->geometry().right());
  // A window the user can maximise and close.
  EXPECT_TRUE(form.windowFlags().testFlags(Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint |
                                           Qt::WindowSystemMenuHint));
}

TEST_F(BatchPrintWindowTest, TickedPagesPrintAsOneJobEachAndTheShownPageAlone) {
  BatchPrintWindow form(*day);
  form.BuildPages(*day, 6, false);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("コルヴィナ３　印刷"));
  EXPECT_EQ(form.PageSelector->Min(), 1);
  EXPECT_EQ(form.PageSelector->Max(), 6);
  EXPECT_EQ(form.PageSelector->Position(), 1);

  form.PrintTickedPagesButton->click();  // nothing ticked
  EXPECT_TRUE(printer->Events().empty());

  form.RaceCheckList->item(2)->setCheckState(Qt::Checked);
  form.RaceCheckList->item(5)->setCheckState(Qt::Checked);
  form.PrintTickedPagesButton->click();
  EXPECT_EQ(printer->Events(), (std::vector<Event>{Event::BeginDoc, Event::EndDoc, Event::BeginDoc, Event::EndDoc}));
  EXPECT_EQ(PrintedRaceNumber(), "6");

  form.PageSelector->ClickButton(gui::UpDown::Button::Up);
  form.PageSelector->ClickButton(gui::UpDown::Button::Up);
  EXPECT_EQ(form.Preview->PageNo(), 3);
  form.PrintShownPageButton->click();
  EXPECT_EQ(PrintedRaceNumber(), "3");
  EXPECT_EQ(printer->JobTitles().size(), 3);

  // Fewer pages than listed races: a ticked race without a page prints nothing, not the page printed before.
  form.BuildPages(*day, 3, false);
  form.UntickAllButton->click();
  form.RaceCheckList->item(4)->setCheckState(Qt::Checked);
  form.PrintTickedPagesButton->click();
  EXPECT_EQ(printer->JobTitles().size(), 3);
}

// The pages of a PDF file (its page objects, not the page tree's).
int PdfPages(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string pdf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto count = [&](const std::string& word) {
    int n = 0;
    for (size_t at = pdf.find(word); at != std::string::npos; at = pdf.find(word, at + 1)) ++n;
    return n;
  };
  return count("/Type /Page") - count("/Type /Pages");
}

TEST_F(BatchPrintWindowTest, EveryJobOfARunPrintedToPdfIsKeptInAFileOfItsOwn) {
  namespace fs = std::filesystem;
  const fs::path out = home.path() / "out.pdf";
  ::setenv("CORVINA_PRINT_PDF", out.c_str(), 1);
  // The program's own printer, as CORVINA_PRINT_PDF makes it, instead of the recording one.
  std::unique_ptr<gui::PrinterDevice> recording = gui::SetPrinter(nullptr);
  {
    BatchPrintWindow form(*day);
    form.BuildPages(*day, 6, false);
    for (int k : {0, 2, 5}) form.RaceCheckList->item(k)->setCheckState(Qt::Checked);
    form.PrintTickedPagesButton->click();
    form.PrintShownPageButton->click();
  }
  gui::SetPrinter(std::move(recording));
  ::unsetenv("CORVINA_PRINT_PDF");
  EXPECT_TRUE(messages.Messages().empty()) << messages.Texts().join("\n").toStdString();
  for (const char* name : {"out.pdf", "out-2.pdf", "out-3.pdf", "out-4.pdf"}) {
    ASSERT_TRUE(fs::exists(home.path() / name)) << name;
    EXPECT_EQ(PdfPages(home.path() / name), 1) << name;
  }
  EXPECT_FALSE(fs::exists(home.path() / "out-5.pdf"));
  EXPECT_FALSE(fs::exists(home.path() / "out-1.pdf"));
}

TEST_F(BatchPrintWindowTest, ThePrintedPagesTextHoldsTheCharactersDrawn) {
  // What a search or a copy in a PDF viewer finds: the date's 月 and 日 and the post time's 発走, not the Kangxi
  // radicals ⽉ ⽇ ⾛ that share their glyphs in some faces.
  namespace fs = std::filesystem;
  gui::InstallFontSubstitutions();  // the faces as the program maps them
  const fs::path out = home.path() / "race.pdf";
  ::setenv("CORVINA_PRINT_PDF", out.c_str(), 1);
  std::unique_ptr<gui::PrinterDevice> recording = gui::SetPrinter(nullptr);
  {
    BatchPrintWindow form(*day);
    form.BuildPages(*day, 1, false);
    form.PrintShownPageButton->click();
  }
  gui::SetPrinter(std::move(recording));
  ::unsetenv("CORVINA_PRINT_PDF");
  ASSERT_TRUE(messages.Messages().empty()) << messages.Texts().join("\n").toStdString();
  QProcess pdftotext;
  pdftotext.start(QStringLiteral("pdftotext"), {QString::fromStdString(out.string()), QStringLiteral("-")});
  ASSERT_TRUE(pdftotext.waitForFinished(30000)) << "pdftotext (poppler-utils) is needed";
  const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
  for (const char* drawn : {"2024年 1月 6日", "15時25分発走"})
    EXPECT_TRUE(text.contains(QString::fromUtf8(drawn))) << drawn << " in:\n" << text.toStdString();
  for (char16_t radical : {u'\u2F49', u'\u2F47', u'\u2F9B'}) EXPECT_FALSE(text.contains(QChar(radical)));
}

TEST_F(BatchPrintWindowTest, APrintFailureIsShownAndStopsTheRemainingJobs) {
  BatchPrintWindow form(*day);
  form.BuildPages(*day, 6, false);
  form.TickAllButton->click();
  printer->SetInstalled(false);
  form.PrintTickedPagesButton->click();
  EXPECT_EQ(messages.Messages().size(), 1u);
  EXPECT_TRUE(messages.Texts().join("").contains(QString::fromUtf8(gui::kNoPrinterMessage)));
  EXPECT_TRUE(printer->Events().empty());
  // The printer set-up says the same.
  form.PrinterSetupButton->click();
  ASSERT_EQ(messages.Messages().size(), 2u);
  EXPECT_TRUE(messages.Texts()[1].contains(QString::fromUtf8(gui::kNoPrinterMessage)));
}

TEST_F(BatchPrintWindowTest, ClosingSavesTheBoundsAndResetsThePaper) {
  {
    BatchPrintWindow form(*day);
    form.move(40, 30);
    form.resize(700, 500);
    printer->SetPaper(13, gui::kLandscape);
    form.reject();
    EXPECT_EQ(printer->PaperSize(), gui::kPaperA4);
    EXPECT_EQ(printer->Orientation(), gui::kPortrait);
  }
  BatchPrintWindow again(*day);
  EXPECT_EQ(again.pos(), QPoint(40, 30));
  EXPECT_EQ(again.size(), QSize(700, 500));
  EXPECT_TRUE(messages.Messages().empty());

  // Bounds that cannot be saved: the user is told which file failed, and the paper is reset all the same.
  const std::string lost = (home.path() / "no" / "such" / "corvina.ini").string();
  again.Settings.SetFileName(lost);
  printer->SetPaper(13, gui::kLandscape);
  again.show();
  again.CloseButton->click();
  EXPECT_FALSE(again.isVisible());
  ASSERT_EQ(messages.Messages().size(), 1u);
  EXPECT_EQ(messages.Messages()[0].kind, gui::MsgKind::Warning);
  EXPECT_TRUE(messages.Texts()[0].contains(QString::fromStdString(lost))) << messages.Texts()[0].toStdString();
  EXPECT_EQ(printer->PaperSize(), gui::kPaperA4);
}

TEST_F(BatchPrintWindowTest, OpensAtItsWidthWithEveryControlInViewAndPagesThroughWithSideBySideArrows) {
  {
    BatchPrintWindow form(*day);
    form.BuildPages(*day, 6, false);
    form.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(form.size(), QSize(630, 450));
    for (QWidget* w : form.ControlBar->findChildren<QWidget*>()) {
      if (!w->isVisible()) continue;
      const QRect shown(w->mapTo(&form, QPoint(0, 0)), w->size());
      EXPECT_TRUE(form.rect().contains(shown)) << w->metaObject()->className() << " " << w->objectName().toStdString();
    }
    QToolButton* back = nullptr;
    QToolButton* on = nullptr;
    for (QToolButton* b : form.PageSelector->findChildren<QToolButton*>()) {
      if (b->arrowType() == Qt::LeftArrow) back = b;
      if (b->arrowType() == Qt::RightArrow) on = b;
    }
    ASSERT_NE(back, nullptr);
    ASSERT_NE(on, nullptr);
    EXPECT_EQ(back->y(), on->y());
    EXPECT_LT(back->x(), on->x());
    on->click();
    on->click();
    EXPECT_EQ(form.Preview->PageNo(), 3);
    back->click();
    EXPECT_EQ(form.Preview->PageNo(), 2);
    form.CloseButton->click();
    EXPECT_FALSE(form.isVisible());
  }
  EXPECT_EQ(Ini().ReadInteger("Printlocate", "width", 0), 630);
  EXPECT_EQ(Ini().ReadInteger("Printlocate", "height", 0), 450);

  // Bounds from a monitor this desktop does not have: on the screen, and kept in the settings.
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  Ini().WriteInteger("Printlocate", "left", screen.right() + 200);
  Ini().WriteInteger("Printlocate", "width", screen.width() + 100);
  {
    BatchPrintWindow form(*day);
    form.show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(screen.contains(form.frameGeometry()));
    form.CloseButton->click();
  }
  EXPECT_EQ(Ini().ReadInteger("Printlocate", "left", 0), screen.right() + 200);
  EXPECT_EQ(Ini().ReadInteger("Printlocate", "width", 0), screen.width() + 100);
}

TEST_F(BatchPrintWindowTest, PrintCommandNeedsALoadedDayAndAPrinter) {
  BatchPrintWindow::ShowForDay(*day, QStringLiteral("  "), 6, false, nullptr);
  BatchPrintWindow::ShowForDay(*day, QStringLiteral("2024年01月06日"), 0, false, nullptr);
  EXPECT_EQ(messages.Beeps(), 2);
  EXPECT_EQ(messages.Texts(), (QStringList{"ﾃﾞｰﾀを読み込んでください。", "ﾃﾞｰﾀを読み込んでください。"}));

  // With both, the window opens on the listed races' pages, with the local option's tick, until it is closed.
  QStringList seen;
  QTimer::singleShot(0, [&] {
    auto* form = qobject_cast<BatchPrintWindow*>(QApplication::activeModalWidget());
    if (!form) return;
    seen << form->windowTitle() << QString::number(form->Preview->PageCount())
         << QString::number(form->PageSelector->Max());
    if (FindText(form->Preview->Page(1), "ローカルオプション有効")) seen << "local option";
    form->CloseButton->click();
  });
  BatchPrintWindow::ShowForDay(*day, QStringLiteral("2024年01月06日"), 4, true, nullptr);
  QCoreApplication::processEvents();
  EXPECT_EQ(seen, (QStringList{"コルヴィナ３　印刷", "4", "4", "local option"}));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(Ini().ReadInteger("Printlocate", "width", 0), 630) << "closed through the window's own end";

  messages.Clear();
  printer->SetInstalled(false);
  BatchPrintWindow::ShowForDay(*day, QStringLiteral("2024年01月06日"), 6, false, nullptr);
  EXPECT_EQ(messages.Texts(), QStringList{QString::fromUtf8(gui::kNoPrinterMessage)});
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(PrintCourseNameTest, CentralCoursesByNumberOthersByTheirOwnName) {
  struct Case {
    const char* code;
    const char* name;
  } cases[] = {{"01", "札幌"}, {"10", "小倉"}, {"05", "東京"}, {"A4", "アメ"},
               {"  ", ""},     {"00", ""},     {"11", ""},     {"30", "門別"}};
  for (const auto& c : cases) EXPECT_EQ(FromCp932(PrintCourseName(c.code)), c.name) << c.code;
}

}  // namespace
}  // namespace corvina::test
