// The real main window on generated race days: start-up, the day list, loading, the race view, sorting, and
// the messages of days that cannot be shown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QPushButton>
#include "platform/gui/UpDown.h"
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "components/ui/Label3Dj.h"
#include "mainwindow/MainForm.h"
#include "mainwindow/Startup.h"
#include "platform/Clock.h"
#include "platform/Cp932.h"
#include "platform/Text.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/StringGrid.h"
#include "racedata/RaceRecords.h"
#include "tools/jvgen/Generator.h"

using namespace corvina;
namespace fs = std::filesystem;

namespace {
int argc = 1;
char arg0[] = "test";
char* argv[] = {arg0, nullptr};
QApplication& App() {
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

QString Q(const std::string& cp932) { return QString::fromStdString(FromCp932(cp932)); }

class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    home = fs::temp_directory_path() / ("corvina-mainform-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(home);
    fs::create_directories(home);
    ::unsetenv("CORVINA_JVLINK_ROOT");
  }
  void TearDown() override {
    std::error_code ec;
    fs::current_path(fs::temp_directory_path(), ec);
    fs::remove_all(home, ec);
  }
  void Generate(jvgen::Options o) {
    if (!o.date.Valid()) o.date = DayName(2024, 1, 6);
    jvgen::WriteDayFiles(jvgen::MakeDay(o), home);
  }
  // Chooses the day at `index` of the date box as a user would.
  void Choose(TMainForm& form, int index) {
    form.DateCombo->setCurrentIndex(index);
    form.DateComboChange();
  }
  fs::path home;
};

}  // namespace

TEST_F(MainFormTest, FirstStartUsesTheDefaultsAndListsNoDay) {
  gui::MessageRecorder rec;
  TMainForm form(home);
  EXPECT_FALSE(form.CreateFailed());
  EXPECT_TRUE(fs::is_directory(home / "Data"));
  EXPECT_EQ(form.geometry(), QRect(10, 10, 780, 560));
  EXPECT_TRUE(form.N22->isChecked());
  EXPECT_FALSE(form.N5->isChecked());
  EXPECT_EQ(form.Label3D112->Caption(), "ﾛｰｶﾙｵﾌﾟｼｮﾝ有効");
  EXPECT_TRUE(form.TekiAnaBtn->isHidden());
  EXPECT_TRUE(form.TekiAnaBtn2->isHidden());
  EXPECT_EQ(form.DateCombo->count(), 0);
  EXPECT_EQ(form.windowTitle(), "コルヴィナ for JRA-VAN　Data Lab.");
  EXPECT_TRUE(rec.Messages().empty());
  EXPECT_TRUE(fs::exists(home / "ErrorLog.txt"));
}

TEST_F(MainFormTest, SettingsMarkerAndClosingKeepTheWindowBounds) {
  std::ofstream(home / "corvina.ini") << "[locate]\r\ntop=20\r\nleft=30\r\nwidth=900\r\nheight=600\r\n"
                                      << "[kaime]\r\nlocal=0\r\n[datalist]\r\nclose=1\r\n";
  std::ofstream(home / "MasterControlBrann.key") << "";
  {
    TMainForm form(home);
    EXPECT_EQ(form.geometry(), QRect(30, 20, 900, 600));
    EXPECT_FALSE(form.N22->isChecked());
    EXPECT_TRUE(form.N5->isChecked());
    EXPECT_EQ(form.Label3D112->Caption(), "ﾛｰｶﾙｵﾌﾟｼｮﾝ無効");
    EXPECT_FALSE(form.TekiAnaBtn->isHidden());
    form.setGeometry(40, 50, 800, 500);
    bool canClose = false;
    form.FormCloseQuery(canClose);
    EXPECT_TRUE(canClose);
  }
  TMainForm again(home);
  EXPECT_EQ(again.IniGT1.ReadInteger("locate", "left", 0), 40);
  EXPECT_EQ(again.IniGT1.ReadInteger("locate", "top", 0), 50);
  EXPECT_EQ(again.IniGT1.ReadInteger("locate", "width", 0), 800);
  EXPECT_EQ(again.IniGT1.ReadInteger("locate", "height", 0), 500);
}

TEST_F(MainFormTest, ProgramFolderThatCannotHoldTheDataFolderEndsStartUpWithAMessage) {
  fs::remove_all(home);
  std::ofstream(home) << "a file where the program folder should be";
  gui::MessageRecorder rec;
  TMainForm form(home);
  EXPECT_TRUE(form.CreateFailed());
  ASSERT_EQ(rec.Messages().size(), 1u);
  EXPECT_EQ(rec.Messages()[0].kind, gui::MsgKind::Error);
  // The window is whole all the same: the handlers find their lists and labels.
  EXPECT_NE(form.FPairLabels1[153], nullptr);
  form.DatListClick();
  fs::remove(home);
}

TEST_F(MainFormTest, JVLinkPresenceFollowsTheStandInFolder) {
  gui::MessageRecorder rec;
  EXPECT_FALSE(CheckJVLinkPresent(home));
  EXPECT_EQ(rec.Beeps(), 1);
  ASSERT_EQ(rec.Messages().size(), 1u);
  EXPECT_EQ(rec.Messages()[0].kind, gui::MsgKind::Information);
  EXPECT_EQ(rec.Messages()[0].text, "JRA-VANのホームページより【JV-Link】を入手し、インストールしてください。");
  fs::create_directories(home / "jvlink");
  rec.Clear();
  EXPECT_TRUE(CheckJVLinkPresent(home));
  const fs::path elsewhere = home / "other-root";
  fs::create_directories(elsewhere);
  ::setenv("CORVINA_JVLINK_ROOT", elsewhere.c_str(), 1);
  fs::remove_all(home / "jvlink");
  EXPECT_TRUE(CheckJVLinkPresent(home));
  EXPECT_EQ(rec.Beeps(), 0);
}

TEST_F(MainFormTest, LoadedDayShowsEveryRaceAsItsRecordsSay) {
  Generate({});
  Generate({.date = DayName(2023, 12, 28)});
  gui::MessageRecorder rec;
  TMainForm form(home);
  ASSERT_EQ(form.DateCombo->count(), 2);
  EXPECT_EQ(form.DateCombo->itemText(0), "2024年01月06日") << "newest first";
  EXPECT_EQ(form.DateCombo->currentIndex(), -1);
  Choose(form, 0);
  EXPECT_TRUE(rec.Messages().empty()) << rec.Texts().join("\n").toStdString();
  ASSERT_EQ(form.DatList->count(), 36);
  EXPECT_FALSE(form.PageControl1->isHidden());
  EXPECT_FALSE(form.Timer4->isActive()) << "a past day is not polled";

  const DayModel& day = form.Day();
  for (int slot : {0, 13, 35}) {
    form.SelectRaceLine(slot);
    form.DatListClick();
    EXPECT_EQ(day.GCurRace, slot);
    EXPECT_EQ(day.GLastRace, slot);
    const TRaceInfo& info = day.FRaceInfo[slot];
    const TRaceCalc& calc = day.FRaceCalc[slot];
    const int runners = StrToIntLenient(info.EntryCount);
    ASSERT_EQ(form.StringGrid2->RowCount(), runners + 1);
    ASSERT_EQ(form.StringGrid4->RowCount(), runners + 1);
    for (int r = 1; r <= runners; ++r) {
      const std::string& se = day.Table.GSeTbl[slot][r - 1];
      EXPECT_EQ(form.StringGrid2->Cell(1, r), Q(FieldText(se, layout::se::kUmaBan)));
      EXPECT_EQ(form.StringGrid2->Cell(2, r), Q(FieldText(se, layout::se::kHorseNameKept)));
      EXPECT_EQ(form.StringGrid2->Cell(7, r),
                info.WinOdds1[r - 1] > 0 ? Q(FormatFixed(info.WinOdds1[r - 1], 6, 1)) : QString());
      EXPECT_EQ(form.StringGrid4->Cell(2, r), Q(info.HorseName[r - 1]));
    }
    EXPECT_EQ(form.Label3D4->Caption(), Q(FieldText(day.Table.GRaTbl[slot], layout::ra::kRaceName)).trimmed());
    EXPECT_EQ(form.Label3D2->Caption(), QString::number(FieldInt(day.Table.GRaTbl[slot], layout::head::kRaceNum)));
    EXPECT_EQ(form.FResultLabels[1]->text(), info.TanHorse[1] ? Q(FormatInt(info.TanHorse[1], 2)) : QString());
    EXPECT_EQ(form.FResultLabels[3]->text(), info.TanHorse[1] ? Q(FormatInt(info.TanPay[1], 8)) : QString());
    int shownPairs = 0;
    for (int k = 1; k <= 153; ++k) {
      EXPECT_EQ(form.FPairLabels1[k]->text(),
                calc.UmarenOdds[k] > 0 ? Q(FormatFixed(calc.UmarenOdds[k], 7, 1)) : QString());
      shownPairs += calc.UmarenOdds[k] > 0;
    }
    if (shownPairs > 0) {
      EXPECT_EQ(form.StringGrid1->RowCount(), shownPairs + 1);
      EXPECT_EQ(form.StringGrid1->Cell(0, 1), "  1");
    }
    for (int t = 1; t <= 6; ++t)
      EXPECT_EQ(form.FPickLabels[3 * t - 1]->text(), IsBlank(calc.Tickets[t]) ? QString() : Q(calc.Tickets[t]));
    EXPECT_EQ(form.UpDown1->Position(), slot);
  }
}

TEST_F(MainFormTest, SortButtonsReorderTheCardAndPaintingFollowsTheRows) {
  Generate({});
  gui::MessageRecorder rec;
  TMainForm form(home);
  Choose(form, 0);
  form.SelectRaceLine(2);
  form.DatListClick();
  const int rows = form.StringGrid2->RowCount();
  form.SpeedButton2->setChecked(false);
  form.SpeedButton3->setChecked(true);
  form.SpeedButton2Click();
  for (int r = 2; r < rows; ++r) {
    const std::string above = ToCp932(form.StringGrid2->Cell(2, r - 1).toStdString());
    const std::string below = ToCp932(form.StringGrid2->Cell(2, r).toStdString());
    EXPECT_GE(above, below) << "row " << r;
  }
  // The next race shown keeps the chosen order.
  form.SelectRaceLine(3);
  form.DatListClick();
  EXPECT_GE(ToCp932(form.StringGrid2->Cell(2, 1).toStdString()),
            ToCp932(form.StringGrid2->Cell(2, 2).toStdString()));
  form.SpeedButton3->setChecked(false);
  form.SpeedButton2->setChecked(true);
  form.SpeedButton2Click();
  for (int r = 1; r < form.StringGrid2->RowCount(); ++r)
    EXPECT_EQ(form.StringGrid2->Cell(1, r).toInt(), r);
}

TEST_F(MainFormTest, DayOfEightRacesIsRefused) {
  Generate({.venues = 1, .races = 8});
  gui::MessageRecorder rec;
  TMainForm form(home);
  Choose(form, 0);
  EXPECT_EQ(rec.Beeps(), 1);
  EXPECT_EQ(rec.Texts(), QStringList{"本ソフトは当日全レースの出馬表データを揃えてからご利用ください。"});
  EXPECT_EQ(form.DatList->count(), 0);
  EXPECT_TRUE(form.PageControl1->isHidden());
}

TEST_F(MainFormTest, VenueWithoutItsRunnerFileIsRefusedAndNothingStaleStays) {
  Generate({});
  Generate({.date = DayName(2024, 1, 7), .missingRunnerFile = true});
  gui::MessageRecorder rec;
  TMainForm form(home);
  ASSERT_EQ(form.DateCombo->itemText(1), "2024年01月06日");
  Choose(form, 1);
  ASSERT_EQ(form.DatList->count(), 36);
  ASSERT_FALSE(form.Label3D4->Caption().isEmpty());
  Choose(form, 0);
  EXPECT_EQ(rec.Beeps(), 1);
  EXPECT_EQ(rec.Texts(), QStringList{"データ作成が未完了のようです。"});
  EXPECT_EQ(form.DatList->count(), 0);
  EXPECT_TRUE(form.PageControl1->isHidden());
  EXPECT_TRUE(form.Label3D4->Caption().isEmpty());
  EXPECT_TRUE(form.Label3D10->Caption().isEmpty());
  for (int k = 1; k <= 153; ++k) EXPECT_TRUE(form.FPairLabels1[k]->text().isEmpty());
  for (int k = 1; k <= 108; ++k) EXPECT_TRUE(form.FResultLabels[k]->text().isEmpty());
  for (int k = 1; k <= 18; ++k) EXPECT_TRUE(form.FPickLabels[k]->text().isEmpty());
  EXPECT_LE(form.StringGrid2->RowCount(), 2);
  EXPECT_TRUE(form.StringGrid2->Cell(2, 1).isEmpty());
  EXPECT_TRUE(form.StringGrid1->Cell(1, 1).isEmpty());
  // Nothing selected: showing a race does nothing.
  form.DatListClick();
  EXPECT_TRUE(form.PageControl1->isHidden());
  EXPECT_EQ(rec.Messages().size(), 1u);
}

TEST_F(MainFormTest, EntryCountAboveEighteenShowsEighteenRows) {
  Generate({.entriesField = 19});
  gui::MessageRecorder rec;
  TMainForm form(home);
  Choose(form, 0);
  form.SelectRaceLine(0);
  form.DatListClick();
  EXPECT_LE(form.StringGrid2->RowCount(), 19);
  EXPECT_LE(form.StringGrid4->RowCount(), 19);
  // Paint every cell of the card: rows without a horse of the race are painted plainly.
  gui::RecordingCanvas canvas;
  for (int r = 0; r < form.StringGrid2->RowCount(); ++r)
    for (int c = 0; c < form.StringGrid2->ColCount(); ++c) form.StringGrid2->PaintCell(canvas, c, r, QRect(0, 0, 40, 25));
}

TEST_F(MainFormTest, RaceWithoutRunnerDataSaysSoAndNoSelectionDoesNothing) {
  Generate({});
  gui::MessageRecorder rec;
  TMainForm form(home);
  Choose(form, 0);
  // No line selected, or a line past the races: nothing happens.
  form.SelectRaceLine(-1);
  form.DatListClick();
  EXPECT_TRUE(rec.Messages().empty());
  const int shown = form.Day().GCurRace;
  form.SelectRaceLine(4);
  form.Day().Table.GSeTbl[4][0] = std::string(layout::kSeLine, ' ');
  form.DatListClick();
  EXPECT_EQ(rec.Beeps(), 1);
  const QString number = Q(FieldText(form.Day().Table.GRaTbl[4], layout::head::kRaceNum));
  EXPECT_EQ(rec.Texts(),
            QStringList{number + "レースは予想に必要なデータ量がありません。時間をおいて再取得してください。"});
  EXPECT_TRUE(form.PageControl1->isHidden());
  EXPECT_NE(shown, -1);
}

TEST_F(MainFormTest, TodaysDayArmsTheResultsPoll) {
  const DateTime now = Clock::Now();
  Generate({.date = DayName(now.year, now.month, now.day)});
  std::ofstream(home / "corvina.ini") << "[Time]\r\nAutoRdataGet=5\r\n";
  gui::MessageRecorder rec;
  TMainForm form(home);
  Choose(form, 0);
  ASSERT_EQ(form.DatList->count(), 36);
  EXPECT_TRUE(form.Timer4->isActive());
  EXPECT_EQ(form.Timer4->interval(), 5 * 60000);
}
