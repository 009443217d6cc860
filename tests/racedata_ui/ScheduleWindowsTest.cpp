// The schedule table (its row texts, rows, title and print) and the two time settings windows (ranges,
// defaults, and a setting that changes only on OK).
#include <gtest/gtest.h>

#include <QPushButton>
#include <QSpinBox>
#include <fstream>

#include "components/IniGT.h"
#include "components/ui/Label3Dj.h"
#include "platform/Cp932.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Printer.h"
#include "platform/gui/StringGrid.h"
#include "racedata/DayModel.h"
#include "racedata/ui/FirstTimeUnit.h"
#include "racedata/ui/SchejUnit.h"
#include "racedata/ui/TimeAddUnit.h"
#include "tests/support/QtApp.h"
#include "tests/support/TempDir.h"

using namespace corvina;

namespace {

TRaceInfo Race(const std::string& key, const std::string& oddsTime1, const std::string& oddsTime2) {
  TRaceInfo info;
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
    day->FRaceInfo[static_cast<size_t>(i)] = Race(key, "1455", i == 3 ? "" : "1515");
  }
  return day;
}

}  // namespace

TEST(SchejRowTextsTest, EveryColumnOfARace) {
  struct Case {
    std::string key, odds1, odds2;
    std::vector<std::string> cells;
  };
  const Case cases[] = {
      {"2024122206050811", "1455", "1515",
       {" 2024年12月22日", " 中 5回 8日11R", " 16頭", " 有馬記", "  15:25", "  14:55", "  15:15"}},
      // No second time (or no time at all): its cell stays empty. A single-digit race keeps its blank.
      {"2024010808010101", "1200", "    ", {" 2024年01月08日", " 京 1回 1日 1R", " 16頭", " 有馬記", "  15:25", "  12:00", ""}},
      {"2024010808010101", "", "", {" 2024年01月08日", " 京 1回 1日 1R", " 16頭", " 有馬記", "  15:25", "", ""}},
      // A day (or meeting) from 10 on is written in full instead of as its last digit.
      {"2024031005021203", "0930", "0950", {" 2024年03月10日", " 東 2回 12日 3R", " 16頭", " 有馬記", "  15:25", "  09:30", "  09:50"}},
      // A key cut short gives short fields, never a read past its end.
      {"20240310", "", "", {" 2024年03月10日", "    回 日 0R", " 16頭", " 有馬記", "  15:25", "", ""}},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8(SchejRowTexts(Race(c.key, c.odds1, c.odds2))), c.cells) << c.key;
}

TEST(SchejFormTest, OneRowPerLoadedRaceUnderTheHeaderAndTheTitleNamesTheDay) {
  test::App();
  auto day = Day(24);
  TSchejForm form;
  form.Fill(*day);
  EXPECT_EQ(form.StringGrid1->RowCount(), 25);
  EXPECT_EQ(form.StringGrid1->ColCount(), 7);
  EXPECT_EQ(form.StringGrid1->Row(0),
            (QStringList{"開催日", "場所回日ﾚｰｽNo", "頭数", "競走名", "発走時刻", "1回目", "2回目"}));
  EXPECT_EQ(form.StringGrid1->Cell(1, 13), " 京 5回 8日 1R");
  EXPECT_EQ(form.StringGrid1->Cell(6, 4), "");
  EXPECT_EQ(form.StringGrid1->Cell(6, 24), "  15:15");
  const int widths[] = {94, 106, 36, 53, 51, 50, 51};
  for (int c = 0; c < 7; ++c) EXPECT_EQ(form.StringGrid1->ColWidth(c), widths[c]);
  EXPECT_EQ(form.Label3D3->Caption(), "オッズ取得推奨時間 一覧表  2024年12月22日");
}

TEST(SchejFormTest, WithoutALoadedDayTheCommandBeepsAndAsksForOne) {
  test::App();
  gui::MessageRecorder messages;
  auto day = Day(0);
  TSchejForm::Execute(*day, "   ", nullptr);
  EXPECT_EQ(messages.Beeps(), 1);
  EXPECT_EQ(messages.Texts(), QStringList{"ﾃﾞｰﾀを読み込んでください。"});
}

TEST(SchejFormTest, PrintsTheTableWithItsTitleAtTenAndFourMillimetres) {
  test::App();
  gui::PrinterOverride printer;
  gui::MessageRecorder messages;
  auto day = Day(24);
  TSchejForm form;
  form.Fill(*day);
  form.MsgButton1->click();
  EXPECT_TRUE(messages.Texts().isEmpty());
  ASSERT_EQ(printer->Pages().size(), 1u);
  const auto& page = printer->Pages()[0];
  ASSERT_EQ(page.front().kind, gui::CanvasOp::Kind::Text);
  EXPECT_EQ(page.front().text, form.Label3D3->Caption());
  EXPECT_EQ(page.front().from, QPoint(236, 94));
  int rowsPrinted = 0;
  for (const auto& op : page) rowsPrinted += op.kind == gui::CanvasOp::Kind::TextRect && op.text.startsWith(" 2024");
  EXPECT_EQ(rowsPrinted, 24);
  EXPECT_EQ(printer->Events().back(), gui::RecordingPrinter::Event::EndDoc);
}

TEST(SchejFormTest, APrintThatFailsIsAbortedAndSaidSo) {
  test::App();
  gui::PrinterOverride printer;
  gui::MessageRecorder messages;
  auto day = Day(3);
  TSchejForm form;
  form.Fill(*day);
  printer->SetInstalled(false);
  form.MsgButton1Click();
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
      {"delay", 0, 15, 5, [](const auto& dir) { return std::make_unique<TTimeAddForm>(dir); },
       [](QDialog& d) { return static_cast<TTimeAddForm&>(d).SpinEdit2; },
       [](QDialog& d) { static_cast<TTimeAddForm&>(d).BitBtn1->click(); }},
      {"AutoRdataGet", 5, 59, 15, [](const auto& dir) { return std::make_unique<TFirstTimeForm>(dir); },
       [](QDialog& d) { return static_cast<TFirstTimeForm&>(d).SpinEdit4; },
       [](QDialog& d) { static_cast<TFirstTimeForm&>(d).BitBtn1->click(); }},
  };
}

void WriteIni(const std::filesystem::path& dir, const std::string& text) {
  std::ofstream(dir / "corvina.ini", std::ios::binary) << text;
}

int ReadSetting(const std::filesystem::path& dir, const char* key) {
  TIniGT ini;
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
