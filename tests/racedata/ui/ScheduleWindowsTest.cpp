// The schedule table (its row texts, rows, title and print) and the two time settings windows (ranges,
// defaults, and a setting that changes only on OK).
#include <gtest/gtest.h>

#include <QPushButton>
#include <QSpinBox>
#include <fstream>

#include "components/SettingsFile.h"
#include "components/ui/Label3D.h"
#include "platform/Cp932.h"
#include "platform/gui/Dialogs.h"
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

TEST(OddsScheduleWindowTest, OneRowPerLoadedRaceUnderTheHeaderAndTheTitleNamesTheDay) {
  test::App();
  auto day = Day(24);
  OddsScheduleWindow form;
  form.Fill(*day);
  EXPECT_EQ(form.ScheduleGrid->RowCount(), 25);
  EXPECT_EQ(form.ScheduleGrid->ColCount(), 7);
  EXPECT_EQ(form.ScheduleGrid->Row(0),
            (QStringList{"開催日", "場所回日ﾚｰｽNo", "頭数", "競走名", "発走時刻", "1回目", "2回目"}));
  EXPECT_EQ(form.ScheduleGrid->Cell(1, 13), " 京 5回 8日 1R");
  EXPECT_EQ(form.ScheduleGrid->Cell(6, 4), "");
  EXPECT_EQ(form.ScheduleGrid->Cell(6, 24), "  15:15");
  const int widths[] = {94, 106, 36, 53, 51, 50, 51};
  for (int c = 0; c < 7; ++c) EXPECT_EQ(form.ScheduleGrid->ColWidth(c), widths[c]);
  EXPECT_EQ(form.TitleLabel->Caption(), "オッズ取得推奨時間 一覧表  2024年12月22日");
}

TEST(OddsScheduleWindowTest, WithoutALoadedDayTheCommandBeepsAndAsksForOne) {
  test::App();
  gui::MessageRecorder messages;
  auto day = Day(0);
  OddsScheduleWindow::Execute(*day, "   ", nullptr);
  EXPECT_EQ(messages.Beeps(), 1);
  EXPECT_EQ(messages.Texts(), QStringList{"ﾃﾞｰﾀを読み込んでください。"});
}

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
}

TEST(OddsScheduleWindowTest, APrintThatFailsIsAbortedAndSaidSo) {
  test::App();
  gui::PrinterOverride printer;
  gui::MessageRecorder messages;
  auto day = Day(3);
  OddsScheduleWindow form;
  form.Fill(*day);
  printer->SetInstalled(false);
  form.PrintSchedule();
  ASSERT_EQ(messages.Messages().size(), 1u);
  EXPECT_EQ(messages.Messages()[0].kind, gui::MsgKind::Error);
  EXPECT_TRUE(messages.Texts()[0].contains("プリンタが登録されていません"));
  EXPECT_TRUE(printer->Events().empty());
}

namespace {

// One settings window driven the same way for both.
struct SettingsCase {
  const char* key;
  int min, max, defaultValue;
  std::function<std::unique_ptr<QDialog>(const std::filesystem::path&)> make;
  std::function<QSpinBox*(QDialog&)> spin;
  std::function<void(QDialog&)> ok;
};

std::vector<SettingsCase> SettingsCases() {
  return {
      {"delay", 0, 15, 5, [](const auto& dir) { return std::make_unique<OddsDelayWindow>(dir); },
       [](QDialog& d) { return static_cast<OddsDelayWindow&>(d).DelaySpinBox; },
       [](QDialog& d) { static_cast<OddsDelayWindow&>(d).OkButton->click(); }},
      {"AutoRdataGet", 5, 59, 15, [](const auto& dir) { return std::make_unique<ResultsPollIntervalWindow>(dir); },
       [](QDialog& d) { return static_cast<ResultsPollIntervalWindow&>(d).IntervalSpinBox; },
       [](QDialog& d) { static_cast<ResultsPollIntervalWindow&>(d).OkButton->click(); }},
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

}  // namespace

TEST(TimeSettingsTest, ShowTheStoredValueWithinTheRangeAndStoreItOnlyOnOk) {
  test::App();
  for (const auto& c : SettingsCases()) {
    test::TempDir dir("timeset");
    // No settings file: the default.
    EXPECT_EQ(c.spin(*c.make(dir.path()))->value(), c.defaultValue) << c.key;
    // A stored value beyond either end shows as that end.
    for (const auto& [stored, shown] : {std::pair{-3, c.min}, std::pair{99, c.max}, std::pair{c.min + 1, c.min + 1}}) {
      WriteIni(dir.path(), "[Time]\r\n" + std::string(c.key) + "=" + std::to_string(stored) + "\r\n");
      EXPECT_EQ(c.spin(*c.make(dir.path()))->value(), shown) << c.key << " " << stored;
    }
    // Closing without OK keeps the stored value; OK stores the shown one.
    {
      auto form = c.make(dir.path());
      c.spin(*form)->setValue(c.max);
      form->reject();
    }
    EXPECT_EQ(ReadSetting(dir.path(), c.key), c.min + 1) << c.key;
    auto form = c.make(dir.path());
    c.spin(*form)->setValue(c.max);
    c.ok(*form);
    EXPECT_EQ(ReadSetting(dir.path(), c.key), c.max) << c.key;
    EXPECT_EQ(form->result(), QDialog::Accepted);
  }
}
