#include "racedata/ui/OddsScheduleWindow.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "components/ui/Label3D.h"
#include "platform/Cp932.h"
#include "platform/Text.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Printer.h"
#include "platform/gui/QtText.h"
#include "platform/gui/StringGrid.h"
#include "racedata/DayModel.h"
#include "racedata/RacingTexts.h"
#include "racedata/ui/GridPrint.h"

namespace corvina {

namespace {

using gui::Q;

// "hhmm" as "hh:mm".
std::string Colon(const std::string& hhmm) { return Copy(hhmm, 1, 2) + ":" + Copy(hhmm, 3, 2); }

// A two-digit meeting or day as the table writes it: one digit, both only from 10 on (a day 10 would
// otherwise read "0").
std::string ShortNumber(const std::string& twoDigits) {
  const std::string first = Copy(twoDigits, 1, 1);
  return (first == "0" || first == " " || first.empty()) ? Copy(twoDigits, 2, 1) : twoDigits;
}

constexpr std::array<int, 7> kColWidths{94, 106, 36, 53, 51, 50, 51};
constexpr std::array<const char*, 7> kHeaders{"開催日",   "場所回日ﾚｰｽNo", "頭数", "競走名",
                                              "発走時刻", "1回目",         "2回目"};

}  // namespace

std::array<std::string, 7> OddsScheduleRowTexts(const RaceInfo& info) {
  const std::string& nen = CORVINA_CP932("年");
  const std::string& tsuki = CORVINA_CP932("月");
  const std::string& hi = CORVINA_CP932("日");
  const std::string& kai = CORVINA_CP932("回 ");
  const std::string& tou = CORVINA_CP932("頭");
  const std::string& key = info.RaceKey;
  std::array<std::string, 7> cells;
  cells[0] = " " + Copy(key, 1, 4) + nen + Copy(key, 5, 2) + tsuki + Copy(key, 7, 2) + hi;
  cells[1] = " " + Copy(CourseClassName(CopyView(key, 9, 2)), 1, 2) + " " + ShortNumber(Copy(key, 11, 2)) + kai +
             ShortNumber(Copy(key, 13, 2)) + hi + FormatInt(StrToIntLenient(Copy(key, 15, 2)), 2) + "R";
  cells[2] = " " + FormatInt(StrToIntLenient(info.EntryCount), 2) + tou;
  cells[3] = " " + info.RaceNameShort;
  cells[4] = "  " + Colon(info.PostTime);
  cells[5] = IsBlank(info.OddsTime1) ? "" : "  " + Colon(info.OddsTime1);
  cells[6] = IsBlank(info.OddsTime2) ? "" : "  " + Colon(info.OddsTime2);
  return cells;
}

OddsScheduleWindow::OddsScheduleWindow(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("ｵｯｽﾞ取得ｽｹｼﾞｭｰﾙ"));
  setModal(true);
  auto* top = new QVBoxLayout(this);
  auto* header = new QHBoxLayout;
  TitleLabel = new Label3D(this);
  TitleLabel->SetFontSize(12);
  TitleLabel->SetFontBold(true);
  TitleLabel->setMinimumHeight(28);
  header->addWidget(TitleLabel, 1);
  PrintButton = new QPushButton(QStringLiteral("印刷"), this);
  header->addWidget(PrintButton);
  top->addLayout(header);

  ScheduleGrid = new gui::StringGrid(this);
  ScheduleGrid->setFont(QFont(gui::kPGothic, 9));
  ScheduleGrid->SetColCount(7);
  ScheduleGrid->SetFixedCols(0);
  ScheduleGrid->SetFixedRows(1);
  int width = 0;
  for (int c = 0; c < 7; ++c) {
    ScheduleGrid->SetColWidth(c, kColWidths[static_cast<size_t>(c)]);
    width += kColWidths[static_cast<size_t>(c)] + ScheduleGrid->GridLineWidth();
  }
  // Every column shows beside the vertical scroll bar, so no horizontal one is needed.
  ScheduleGrid->setMinimumSize(
      width + 2 * ScheduleGrid->frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2, 520);
  top->addWidget(ScheduleGrid);

  connect(PrintButton, &QPushButton::clicked, this, &OddsScheduleWindow::PrintSchedule);
  connect(ScheduleGrid, &gui::StringGrid::MouseUp, this, &OddsScheduleWindow::ClearGridSelection);
  SchedulePrinter.OnBeginPage = [this](GridPrinter& sender) { PrintPageHeading(sender); };
  WriteGridHeader();
}

void OddsScheduleWindow::WriteGridHeader() {
  for (int c = 0; c < 7; ++c) ScheduleGrid->SetCell(c, 0, QString::fromUtf8(kHeaders[static_cast<size_t>(c)]));
}

void OddsScheduleWindow::Fill(const DayModel& day) {
  const int races = std::clamp(day.GRaceTotal, 0, kSlots);
  ScheduleGrid->SetRowCount(races + 1);
  for (int slot = 0; slot < races; ++slot) {
    const RaceInfo& info = day.Races[static_cast<size_t>(slot)];
    if (!info.HasData) continue;
    const auto cells = OddsScheduleRowTexts(info);
    for (int c = 0; c < 7; ++c) ScheduleGrid->SetCell(c, slot + 1, Q(cells[static_cast<size_t>(c)]));
  }
  TitleLabel->SetCaption(QStringLiteral("オッズ取得推奨時間 一覧表 ") + ScheduleGrid->Cell(0, 1));
}

void OddsScheduleWindow::Execute(const DayModel& day, const QString& dateText, QWidget* parent) {
  if (dateText.trimmed().isEmpty()) {
    gui::MessageBeep();
    gui::ShowInformation(parent, QStringLiteral("ﾃﾞｰﾀを読み込んでください。"));
    return;
  }
  OddsScheduleWindow form(parent);
  form.Fill(day);
  form.exec();
}

void OddsScheduleWindow::PrintSchedule() { PrintGridJob(this, SchedulePrinter, ScheduleGrid); }

void OddsScheduleWindow::PrintPageHeading(GridPrinter& sender) {
  gui::Printer().PageCanvas().TextOut(sender.MmToPixelX(10), sender.MmToPixelY(4), TitleLabel->Caption());
}

void OddsScheduleWindow::ClearGridSelection() { ScheduleGrid->SetSelection(gui::GridRect{}); }

bool OddsScheduleWindow::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) ClearGridSelection();
  return QDialog::event(e);
}

}  // namespace corvina
