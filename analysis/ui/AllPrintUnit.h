#pragma once
// "全買い目印刷": the race pages of the loaded day in a print preview, with a page selector, a zoom choice, a
// list of the races to tick, and buttons that print the page shown or every ticked page (one job per page).
#include <QDialog>
#include <string>
#include <string_view>

#include "components/IniGT.h"
#include "platform/gui/WindowBounds.h"

class QButtonGroup;
class QListWidget;
class QPushButton;
class QScrollArea;
class QLabel;

namespace corvina {

struct DayModel;
class TPrevX;
namespace gui {
class UpDown;
}

// Racecourse name of a check-list item: 1 "札幌" .. 10 "小倉"; another code gives the course's own short name
// (CP932).
std::string PrintCourseName(std::string_view code);

class TAllPrintForm : public QDialog {
  Q_OBJECT
 public:
  // Reads its bounds and zoom from the settings and lists the races of `day` that have data.
  explicit TAllPrintForm(const DayModel& day, QWidget* parent = nullptr);
  ~TAllPrintForm() override;

  // The main window's print command. Without a loaded day (`dateText`, the date box's text, blank) or without
  // a listed race (`raceLines`, the race list's line count, 0) it beeps and says "ﾃﾞｰﾀを読み込んでください。";
  // without a printer it says so; otherwise it lays out one page per listed race, `localOption` being the tick
  // of the local option menu item, and shows the window modally. The window is freed when it closes.
  static void FilePrintItemClick(const DayModel& day, const QString& dateText, int raceLines, bool localOption,
                                 QWidget* parent);

  // Lays out the pages and sets up the page selector 1..races at 1. Raises EPrevError without a printer.
  void BuildPages(const DayModel& day, int races, bool localOption);

  QWidget* Panel1 = nullptr;
  QLabel* Label1 = nullptr;
  gui::UpDown* UpDown1 = nullptr;
  QPushButton* BitBtn2 = nullptr;  // print the page shown
  QPushButton* BitBtn4 = nullptr;  // print every ticked page
  QPushButton* BitBtn3 = nullptr;  // printer set-up
  QPushButton* BitBtn1 = nullptr;  // close
  QButtonGroup* RadioGroup1 = nullptr;  // zoom 25 / 50 / 75 / 100 %
  QPushButton* SpeedButton1 = nullptr;  // tick all
  QPushButton* SpeedButton2 = nullptr;  // untick all
  QScrollArea* ScrollBox1 = nullptr;
  TPrevX* PrevX1 = nullptr;
  QListWidget* CheckListBox1 = nullptr;
  TIniGT IniGT1;

  int ZoomIndex() const;
  void SetZoomIndex(int index);  // as a click on the zoom choice

  void RadioGroup1Click();
  void UpDown1Click();
  void BitBtn2Click();
  void BitBtn4Click();
  void BitBtn3Click();
  void SpeedButton1Click();
  void SpeedButton2Click();

 protected:
  // Every way of closing ends here: the bounds are saved and the paper reset once.
  void done(int result) override;

 private:
  void FormCreate(const DayModel& day);
  void FormCloseQuery();
  void FormClose();
  // Prints pages from..to; a failure is shown and ends the printing. False after a failure.
  bool PrintRange(int from, int to);

  gui::RestoredBounds bounds_;
  bool closed_ = false;
};

}  // namespace corvina
