#pragma once
// "ｵｯｽﾞ取得ｽｹｼﾞｭｰﾙ": the loaded day's odds acquisition schedule as a table, one row per race, with a print
// button.
#include <QDialog>
#include <array>
#include <string>

#include "components/ui/StrGridPrinter.h"

class QPushButton;

namespace corvina {

struct DayModel;
struct TRaceInfo;
class TLabel3Dj;
namespace gui {
class StringGrid;
}

// The seven cell texts (CP932) of a race's row: date, venue with meeting, day and race number, runners, short
// race name, post time and the two scheduled odds times (empty when none).
std::array<std::string, 7> SchejRowTexts(const TRaceInfo& info);

class TSchejForm : public QDialog {
  Q_OBJECT
 public:
  explicit TSchejForm(QWidget* parent = nullptr);

  // The menu command: without a loaded day (`dateText`, the date box's text, blank) it beeps and says so;
  // otherwise it shows the day's table modally.
  static void Execute(const DayModel& day, const QString& dateText, QWidget* parent);

  // One row per loaded race and the title, as the table is shown.
  void Fill(const DayModel& day);

  TLabel3Dj* Label3D3 = nullptr;
  QPushButton* MsgButton1 = nullptr;
  gui::StringGrid* StringGrid1 = nullptr;
  TStrGridPrinter StrGridPrinter1;

  // Prints the table; a failure aborts the job and is shown in an error box.
  void MsgButton1Click();
  void StrGridPrinter1BeginPage(TStrGridPrinter& sender);
  void StringGrid1MouseUp();

 protected:
  bool event(QEvent* e) override;

 private:
  void FormCreate();
};

}  // namespace corvina
