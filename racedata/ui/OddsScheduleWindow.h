#pragma once
// "ｵｯｽﾞ取得ｽｹｼﾞｭｰﾙ": the loaded day's odds acquisition schedule as a table, one row per race, with a print
// button.
#include <QDialog>
#include <array>
#include <string>

#include "components/ui/GridPrinter.h"

class QPushButton;

namespace corvina {

struct DayModel;
struct RaceInfo;
class Label3D;
namespace gui {
class StringGrid;
}

// The seven cell texts (CP932) of a race's row: date, venue with meeting, day and race number, runners, short
// race name, post time and the two scheduled odds times (empty when none).
std::array<std::string, 7> OddsScheduleRowTexts(const RaceInfo& info);

class OddsScheduleWindow : public QDialog {
  Q_OBJECT
 public:
  explicit OddsScheduleWindow(QWidget* parent = nullptr);

  // The menu command: without a loaded day (`dateText`, the date box's text, blank) it beeps and says so;
  // otherwise it shows the day's table modally.
  static void Execute(const DayModel& day, const QString& dateText, QWidget* parent);

  // One row per loaded race and the title, as the table is shown.
  void Fill(const DayModel& day);

  Label3D* TitleLabel = nullptr;
  QPushButton* PrintButton = nullptr;
  gui::StringGrid* ScheduleGrid = nullptr;
  GridPrinter SchedulePrinter;

  // Prints the table; a failure aborts the job and is shown in an error box.
  void PrintSchedule();
  // The title at the top of every printed page.
  void PrintPageHeading(GridPrinter& sender);
  // No cell of the table looks chosen.
  void ClearGridSelection();

 protected:
  bool event(QEvent* e) override;

 private:
  void WriteGridHeader();
};

}  // namespace corvina
