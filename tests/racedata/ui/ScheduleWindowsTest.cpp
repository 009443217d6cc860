// The schedule table (its row texts, rows, title and print) and the two time settings windows (ranges,
// defaults, and a setting that changes only on OK).
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "components/SettingsFile.h"
#include "components/ui/Label3D.h"
#include "platform/Cp932.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Printer.h"
#include "platform/gui/StringGrid.h"
#include "racedata/DayModel.h"
#include "racedata/ui/OddsDelayWindow.h"
#include "racedata/ui/OddsScheduleWindow.h"
#include "racedata/ui/ResultsPollIntervalWindow.h"
#include "tests/support/QtApp.h"
#include "tests/support/TempDir.h"

using namespace corvina;

namespace {

RaceInfo Race(const std::string& key, const std::string& oddsTime1, const std::string& oddsTime2) {
  RaceInfo info;
  info.HasData = 1;
  info.RaceKey = key;
  info.EntryCount = "16";
  info.RaceNameShort = ToCp932("有馬記");
  info.PostTime = "1525";
  info.OddsTime1 = oddsTime1;
  info.OddsTime2 = oddsTime2;
  return info;
}

std::vector<std::string> Utf8(const std::array<std::string, 7>& cells) {
  std::vector<std::string> out;
  for (const auto& c : cells) out.push_back(FromCp932(c));
  return out;
}

std::string TwoDigits(int v) { return (v < 10 ? "0" : "") + std::to_string(v); }

// A day of `races` races, twelve at Nakayama and the rest at Kyoto; race 4 has no second odds time.
std::unique_ptr<DayModel> Day(int races) {
  auto day = std::make_unique<DayModel>();
  day->GRaceTotal = races;
  for (int i = 0; i < races; ++i) {
    const std::string key = "20241222" + std::string(i < 12 ? "06" : "08") + "0508" + TwoDigits(i % 12 + 1);
    day->Races[static_cast<size_t>(i)] = Race(key, "1455", i == 3 ? "" : "1515");
  }
  return day;
}

}  // namespace

TEST(OddsScheduleRowTextsTest, EveryColumnOfARace) {
  struct Case {
    std::string key, odds1, odds2;
    std::vector<std::string> cells;
  };
  const Case cases[] = {
      {"2024122206050811",
       "1455",
       "1515",
       {" 2024年12月22日", " 中 5回 8日11R", " 16頭", " 有馬記", "  15:25", "  14:55", "  15:15"}},
      // No second time (or no time at all): its cell stays empty. A single-digit race keeps its blank.
      {"2024010808010101",
       "1200",
       "    ",
       {" 2024年01月08日", " 京 1回 1日 1R", " 16頭", " 有馬記", "  15:25", "  12:00", ""}},
      {"2024010808010101", "", "", {" 2024年01月08日", " 京 1回 1日 1R", " 16頭", " 有馬記", "  15:25", "", ""}},
      // A day (or meeting) from 10 on is written in full instead of as its last digit.
      {"2024031005021203",
       "0930",
       "0950",
       {" 2024年03月10日", " 東 2回 12日 3R", " 16頭", " 有馬記", "  15:25", "  09:30", "  09:50"}},
      // A key cut short gives short fields, never a read past its end.
      {"20240310", "", "", {" 2024年03月10日", "    回 日 0R", " 16頭", " 有馬記", "  15:25", "", ""}},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8(OddsScheduleRowTexts(Race(c.key, c.odds1, c.odds2))), c.cells) << c.key;
}

// The menu command on a full day: one row per race under the header (a slot without data stays empty), the
// title naming the day; no cell stays chosen after a click or when the window comes to the front; Escape
// closes it.
TEST(OddsScheduleWindowTest, OneRowPerLoadedRaceUnderTheHeaderAndTheTitleNamesTheDay) {
  test::App();
  auto day = Day(kSlots);
  day->Races[20].HasData = 0;
  bool shown = false;
  QTimer::singleShot(0, [&] {
    auto* form = qobject_cast<OddsScheduleWindow*>(QApplication::activeModalWidget());
    ASSERT_NE(form, nullptr);
    shown = true;
    gui::StringGrid& grid = *form->ScheduleGrid;
    EXPECT_EQ(form->windowTitle(), "ｵｯｽﾞ取得ｽｹｼﾞｭｰﾙ");
    EXPECT_EQ(grid.RowCount(), kSlots + 1);
    EXPECT_EQ(grid.ColCount(), 7);
    EXPECT_EQ(grid.Row(0), (QStringList{"開催日", "場所回日ﾚｰｽNo", "頭数", "競走名", "発走時刻", "1回目", "2回目"}));
    EXPECT_EQ(grid.Row(1),
              (QStringList{" 2024年12月22日", " 中 5回 8日 1R", " 16頭", " 有馬記", "  15:25", "  14:55", "  15:15"}));
    EXPECT_EQ(grid.Cell(1, 13), " 京 5回 8日 1R");
    EXPECT_EQ(grid.Cell(6, 4), "");
    EXPECT_EQ(grid.Row(21), QStringList(7, "")) << "a slot without data";
    EXPECT_EQ(grid.Row(kSlots),
              (QStringList{" 2024年12月22日", " 京 5回 8日12R", " 16頭", " 有馬記", "  15:25", "  14:55", "  15:15"}));
    const int widths[] = {94, 106, 36, 53, 51, 50, 51};
    for (int c = 0; c < 7; ++c) EXPECT_EQ(grid.ColWidth(c), widths[c]);
    EXPECT_EQ(form->TitleLabel->Caption(), "オッズ取得推奨時間 一覧表  2024年12月22日");
    EXPECT_EQ(test::OverlappingChildren(*form), QStringList()) << "every control has its place in the window";
    // The header row is painted as one and a race row is not.
    auto fill = [&](int row) {
      gui::RecordingCanvas c;
      grid.PaintCell(c, 1, row, QRect(0, 0, 40, 20));
      return c.Ops().empty() ? QColor() : c.Ops().front().brush;
    };
    EXPECT_EQ(fill(0), grid.palette().color(QPalette::Button));
    EXPECT_EQ(fill(1), QColor(Qt::white));

    grid.SetSelection(gui::GridRect{1, 2, 1, 2});  // a click that missed would leave it
    test::Click(grid.viewport(), grid.CellRect(2, 3).center());
    EXPECT_TRUE(grid.Selection().Empty()) << "a click leaves no cell chosen";
    grid.SetSelection(gui::GridRect{1, 2, 1, 2});
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(form, &deactivate);
    EXPECT_FALSE(grid.Selection().Empty());
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(form, &activate);
    EXPECT_TRUE(grid.Selection().Empty());
    test::PressKey(form, Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
  });
  OddsScheduleWindow::Execute(*day, "2024年12月22日", nullptr);
  EXPECT_TRUE(shown);
}

TEST(OddsScheduleWindowTest, WithoutALoadedDayTheCommandBeepsAndAsksForOne) {
  test::App();
  gui::MessageRecorder messages;
  auto day = Day(0);
  OddsScheduleWindow::Execute(*day, "   ", nullptr);
  EXPECT_EQ(messages.Beeps(), 1);
  EXPECT_EQ(messages.Texts(), QStringList{"ﾃﾞｰﾀを読み込んでください。"});
  // A table of no race is its header alone.
  OddsScheduleWindow form;
  form.Fill(*day);
  EXPECT_EQ(form.ScheduleGrid->RowCount(), 1);
}

// The printed table under its title; a printer that fails aborts the job and is said so in an error box.
TEST(OddsScheduleWindowTest, PrintsTheTableWithItsTitleAtTenAndFourMillimetres) {
  test::App();
  gui::PrinterOverride printer;
  gui::MessageRecorder messages;
  auto day = Day(24);
  OddsScheduleWindow form;
  form.Fill(*day);
  form.PrintButton->click();
  EXPECT_TRUE(messages.Texts().isEmpty());
  ASSERT_EQ(printer->Pages().size(), 1u);
  const auto& page = printer->Pages()[0];
  ASSERT_EQ(page.front().kind, gui::CanvasOp::Kind::Text);
  EXPECT_EQ(page.front().text, form.TitleLabel->Caption());
  EXPECT_EQ(page.front().from, QPoint(236, 94));
  int rowsPrinted = 0;
  for (const auto& op : page) rowsPrinted += op.kind == gui::CanvasOp::Kind::TextRect && op.text.startsWith(" 2024");
  EXPECT_EQ(rowsPrinted, 24);
  EXPECT_EQ(printer->Events().back(), gui::RecordingPrinter::Event::EndDoc);

  printer->SetInstalled(false);
  const size_t events = printer->Events().size();
  form.PrintButton->click();
  ASSERT_EQ(messages.Messages().size(), 1u);
  EXPECT_EQ(messages.Messages()[0].kind, gui::MsgKind::Error);
  EXPECT_TRUE(messages.Texts()[0].contains("プリンタが登録されていません"));
  EXPECT_EQ(printer->Events().size(), events) << "nothing more reaches the printer";
}

// On paper the printer's face is not the screen's: a cell that just fits its column on the screen may be wider
// there. What a PDF viewer reads of the printed table: every word of a cell ends before the rule of the next
// column, which lies the cell's text offset (two screen pixels, 1.5 points) before the next column's header.
TEST(OddsScheduleWindowTest, EveryPrintedCellEndsBeforeTheNextColumnsRule) {
  test::App();
  namespace fs = std::filesystem;
  gui::InstallFontSubstitutions();  // the faces as the program maps them
  gui::MessageRecorder messages;
  test::TempDir dir("schedulepdf");
  const fs::path out = dir.path() / "schedule.pdf";
  auto day = Day(24);
  for (RaceInfo& info : day->Races) info.RaceKey.replace(0, 8, "20261207");  // the widest digits of a date
  ::setenv("CORVINA_PRINT_PDF", out.c_str(), 1);
  std::unique_ptr<gui::PrinterDevice> recording = gui::SetPrinter(nullptr);  // the program's own printer
  {
    OddsScheduleWindow form;
    form.Fill(*day);
    form.PrintButton->click();
  }
  gui::SetPrinter(std::move(recording));
  ::unsetenv("CORVINA_PRINT_PDF");
  ASSERT_TRUE(messages.Messages().empty()) << messages.Texts().join("\n").toStdString();
  QProcess pdftotext;
  pdftotext.start(QStringLiteral("pdftotext"), {"-bbox", QString::fromStdString(out.string()), "-"});
  ASSERT_TRUE(pdftotext.waitForFinished(30000)) << "pdftotext (poppler-utils) is needed";
  struct Word {
    double left, top, right;
    QString text;
  };
  std::vector<Word> words;
  static const QRegularExpression word(
      R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="[\d.]+">([^<]*)</word>)re");
  for (auto m = word.globalMatch(QString::fromUtf8(pdftotext.readAllStandardOutput())); m.hasNext();) {
    const auto w = m.next();
    words.push_back({w.captured(1).toDouble(), w.captured(2).toDouble(), w.captured(3).toDouble(), w.captured(4)});
  }
  // The header row: the column heads, left to right, under the page's title.
  std::vector<double> heads;
  double headTop = 0;
  for (const Word& w : words)
    if (QStringList{"開催日", "場所回日ﾚｰｽNo", "頭数", "競走名", "発走時刻", "1回目", "2回目"}.contains(w.text)) {
      heads.push_back(w.left);
      headTop = w.top;
    }
  ASSERT_EQ(heads.size(), 7u);
  int dates = 0;
  for (const Word& w : words) {
    if (w.top < headTop) continue;
    dates += w.text == "2026年12月07日";
    const auto next = std::upper_bound(heads.begin(), heads.end(), w.left + 0.01);
    if (next == heads.end()) continue;  // the last column ends at the table's edge
    EXPECT_LE(w.right, *next - 1.5) << w.text.toStdString() << " at " << w.top << " runs into the next column";
  }
  EXPECT_EQ(dates, 24);
}

namespace {

// One settings window driven the same way for both.
struct SettingsCase {
  const char* key;
  int min, max, defaultValue;
  QString title;
  QStringList texts;  // what the window says beside its spin box
  std::function<std::unique_ptr<QDialog>(const std::filesystem::path&)> make;
  std::function<QSpinBox*(QDialog&)> spin;
  std::function<QPushButton*(QDialog&)> ok;
  std::function<void(const std::filesystem::path&)> execute;  // the menu command
};

std::vector<SettingsCase> SettingsCases() {
  return {
      {"delay", 0, 15, 5, "オッズデータ取得時刻調整", QStringList{"分", "（０分～１５分までの任意の時間を指定）"},
       [](const auto& dir) { return std::make_unique<OddsDelayWindow>(dir); },
       [](QDialog& d) { return static_cast<OddsDelayWindow&>(d).DelaySpinBox; },
       [](QDialog& d) { return static_cast<OddsDelayWindow&>(d).OkButton; },
       [](const auto& dir) { OddsDelayWindow::Execute(dir, nullptr); }},
      {"AutoRdataGet", 5, 59, 15, "データ取得時刻設定", QStringList{"結果情報自動取得時刻指定", "分間隔"},
       [](const auto& dir) { return std::make_unique<ResultsPollIntervalWindow>(dir); },
       [](QDialog& d) { return static_cast<ResultsPollIntervalWindow&>(d).IntervalSpinBox; },
       [](QDialog& d) { return static_cast<ResultsPollIntervalWindow&>(d).OkButton; },
       [](const auto& dir) { ResultsPollIntervalWindow::Execute(dir, nullptr); }},
  };
}

void WriteIni(const std::filesystem::path& dir, const std::string& text) {
  std::ofstream(dir / "corvina.ini", std::ios::binary) << text;
}

int ReadSetting(const std::filesystem::path& dir, const char* key) {
  SettingsFile ini;
  ini.SetFileName((dir / "corvina.ini").string());
  return ini.ReadInteger("Time", key, -1);
}

// Every text the window shows: its labels, 3-D labels and buttons.
QStringList ShownTexts(const QWidget& w) {
  QStringList texts;
  for (const QLabel* l : w.findChildren<QLabel*>()) texts << l->text();
  for (const Label3D* l : w.findChildren<Label3D*>()) texts << l->Caption();
  for (const QPushButton* b : w.findChildren<QPushButton*>()) texts << b->text();
  return texts;
}

}  // namespace

TEST(TimeSettingsTest, ShowTheStoredValueWithinTheRangeAndStoreItOnlyOnOk) {
  test::App();
  for (const auto& c : SettingsCases()) {
    test::TempDir dir("timeset");
    // No settings file: the default.
    EXPECT_EQ(c.spin(*c.make(dir.path()))->value(), c.defaultValue) << c.key;
    // The value the program works with: a stored value beyond either end, however far, as that end; each end
    // itself kept; no number as the default.
    for (const auto& [stored, shown] :
         {std::pair{std::string("-3"), c.min}, std::pair{std::string("99"), c.max},
          std::pair{std::string("99999999999"), c.max}, std::pair{std::string("9 minutes"), c.defaultValue},
          std::pair{std::to_string(c.min - 1), c.min}, std::pair{std::to_string(c.max + 1), c.max},
          std::pair{std::to_string(c.max), c.max}, std::pair{std::to_string(c.min + 1), c.min + 1}}) {
      WriteIni(dir.path(), "[Time]\r\n" + std::string(c.key) + "=" + stored + "\r\n");
      EXPECT_EQ(c.spin(*c.make(dir.path()))->value(), shown) << c.key << " " << stored;
    }
    // Escape closes the window and keeps the stored value, as does closing it.
    {
      auto form = c.make(dir.path());
      form->show();
      EXPECT_EQ(test::OverlappingChildren(*form), QStringList()) << c.key;
      EXPECT_EQ(form->windowTitle(), c.title);
      const QStringList texts = ShownTexts(*form);
      for (const QString& t : c.texts + QStringList{"OK"}) EXPECT_TRUE(texts.contains(t)) << t.toStdString();
      c.spin(*form)->setValue(c.max);
      test::PressKey(c.spin(*form), Qt::Key_Escape);
      EXPECT_FALSE(form->isVisible()) << c.key;
      EXPECT_EQ(form->result(), QDialog::Rejected);
      form->show();
      form->close();
      EXPECT_FALSE(form->isVisible()) << c.key;
    }
    EXPECT_EQ(ReadSetting(dir.path(), c.key), c.min + 1) << c.key;
    // Enter in the spin box is OK: the shown value, past the end brought back to it, is stored.
    {
      auto form = c.make(dir.path());
      form->show();
      c.spin(*form)->setValue(c.min - 1);
      test::PressKey(c.spin(*form), Qt::Key_Return);
      EXPECT_FALSE(form->isVisible()) << c.key;
      EXPECT_EQ(form->result(), QDialog::Accepted);
    }
    EXPECT_EQ(ReadSetting(dir.path(), c.key), c.min) << c.key;
    auto form = c.make(dir.path());
    form->show();
    c.spin(*form)->setValue(c.max + 1);
    c.ok(*form)->click();
    EXPECT_EQ(ReadSetting(dir.path(), c.key), c.max) << c.key;
    EXPECT_FALSE(form->isVisible()) << c.key;
    EXPECT_EQ(form->result(), QDialog::Accepted);
  }
}

// The menu command shows the window modally with the stored value; a settings file that cannot be written
// keeps the window open, and the error names the file.
TEST(TimeSettingsTest, CommandShowsTheWindowAndAnUnwritableFileKeepsItOpen) {
  test::App();
  for (const auto& c : SettingsCases()) {
    test::TempDir dir("timeset");
    WriteIni(dir.path(), "[Time]\r\n" + std::string(c.key) + "=" + std::to_string(c.max) + "\r\n");
    int shownValue = -1;
    QTimer::singleShot(0, [&] {
      auto* form = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(form, nullptr);
      shownValue = c.spin(*form)->value();
      c.spin(*form)->setValue(c.min);
      c.ok(*form)->click();
    });
    c.execute(dir.path());
    EXPECT_EQ(shownValue, c.max);
    EXPECT_EQ(ReadSetting(dir.path(), c.key), c.min) << c.key;

    // A folder where the settings file belongs: no user, root included, may write it.
    std::filesystem::remove(dir.path() / "corvina.ini");
    std::filesystem::create_directory(dir.path() / "corvina.ini");
    auto form = c.make(dir.path());
    form->show();
    gui::MessageRecorder boxes;
    c.ok(*form)->click();
    ASSERT_EQ(boxes.Messages().size(), 1u) << c.key;
    EXPECT_EQ(boxes.Messages()[0].kind, gui::MsgKind::Error);
    EXPECT_TRUE(boxes.Messages()[0].text.contains(QStringLiteral("corvina.ini")))
        << boxes.Messages()[0].text.toStdString();
    EXPECT_TRUE(form->isVisible()) << c.key;
  }
}
