#pragma once
// "全買い目印刷": the race pages of the loaded day in a print preview, with a page selector, a zoom choice, a
// list of the races to tick, and buttons that print the page shown or every ticked page (one job per page).
#include <QDialog>
#include <string>
#include <string_view>

#include "components/SettingsFile.h"
#include "platform/gui/WindowBounds.h"

class QButtonGroup;
class QListWidget;
class QPushButton;
class QScrollArea;
class QLabel;

namespace corvina {

struct DayModel;
class PrintPreview;
namespace gui {
class UpDown;
}

// Racecourse name of a check-list item: 1 "札幌" .. 10 "小倉"; another code gives the course's own short name
// (CP932).
std::string PrintCourseName(std::string_view code);

class BatchPrintWindow : public QDialog {
  Q_OBJECT
 public:
  // Reads its bounds and zoom from the settings and lists the races of `day` that have data.
  explicit BatchPrintWindow(const DayModel& day, QWidget* parent = nullptr);
  ~BatchPrintWindow() override;

  // The main window's print command. Without a loaded day (`dateText`, the date box's text, blank) or without
  // a listed race (`raceLines`, the race list's line count, 0) it beeps and says "ﾃﾞｰﾀを読み込んでください。";
  // without a printer it says so; otherwise it lays out one page per listed race, `localOption` being the tick
  // of the local option menu item, and shows the window modally. The window is freed when it closes.
  static void ShowForDay(const DayModel& day, const QString& dateText, int raceLines, bool localOption,
                         QWidget* parent);

  // Lays out the pages and sets up the page selector 1..races at 1. Raises PreviewPrinterError without a printer.
  void BuildPages(const DayModel& day, int races, bool localOption);

  QWidget* ControlBar = nullptr;
  QLabel* PageLabel = nullptr;
  gui::UpDown* PageSelector = nullptr;
  QPushButton* PrintShownPageButton = nullptr;
  QPushButton* PrintTickedPagesButton = nullptr;
  QPushButton* PrinterSetupButton = nullptr;
  QPushButton* CloseButton = nullptr;
  QButtonGroup* ZoomChoice = nullptr;  // 25 / 50 / 75 / 100 %
  QPushButton* TickAllButton = nullptr;
  QPushButton* UntickAllButton = nullptr;
  QScrollArea* PreviewScrollArea = nullptr;
  PrintPreview* Preview = nullptr;
  QListWidget* RaceCheckList = nullptr;
  SettingsFile Settings;

  int ZoomIndex() const;
  void SetZoomIndex(int index);  // as a click on the zoom choice

  // The preview takes the zoom chosen, and the settings keep it.
  void ApplyZoomChoice();
  void ShowSelectedPage();
  void PrintShownPage();
  void PrintTickedPages();
  void SetUpPrinter();
  void TickAllRaces();
  void UntickAllRaces();

 protected:
  // Every way of closing ends here: the bounds are saved and the paper reset once.
  void done(int result) override;

 private:
  void RestoreSettingsAndListRaces(const DayModel& day);
  void SaveBounds();
  // The next user of the printer settings finds A4 portrait again.
  void ResetPaper();
  // Prints pages from..to; a failure is shown and ends the printing. Returns false after a failure.
  bool PrintRange(int from, int to);

  gui::RestoredBounds bounds_;
  bool closed_ = false;
};

}  // namespace corvina
