#pragma once
// The window "オッズ手動取得" takes odds now, outside the schedule: the user ticks races of the loaded day (their
// odds schedule is shown beside them) and one button stores the real-time odds of every ticked race in the day's
// odds files. Closing the window reloads the day, so the main window's marks and tickets use the new odds.
#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

#include "components/ui/GridPrinter.h"
#include "racedata/ManualOdds.h"

class QAction;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace corvina {

class Label3D;
namespace gui {
class Canvas;
class StringGrid;
}  // namespace gui

// What the main window hands the window: its day, JV-Link control and exchange gate, and two of its commands.
struct ManualOddsContext {
  DayModel& day;
  JVLink& link;
  ExchangeGate& gate;
  QString dateText;                    // the date box's text: the loaded DayName, empty for none
  std::function<void()> reload;        // reloads the day shown in the main window
  std::function<void()> stopAutoOdds;  // unchecks the automatic-odds check box
};

class ManualOddsWindow : public QDialog, private ManualOddsUi {
  Q_OBJECT
 public:
  ManualOddsWindow(const ManualOddsContext& context, QWidget* parent = nullptr);
  ~ManualOddsWindow() override;

  // The main window's "ｵｯｽﾞ手動取得": refuses without a recent day with current cards (a beep and a box),
  // otherwise fills the window and shows it modally.
  static void Execute(QWidget* parent, const ManualOddsContext& context);
  // Shows the filled window and returns once it is closed; tests replace it to drive the window directly.
  static std::function<void(ManualOddsWindow&)> RunWindow;

  // One tick item and one grid row per race of the loaded day, in slot order.
  void Fill();

  Label3D* DateLabel = nullptr;
  QListWidget* RaceTickList = nullptr;
  QAction* TickAllAction = nullptr;    // in the list's context menu
  QAction* UntickAllAction = nullptr;  // in the list's context menu
  gui::StringGrid* ScheduleGrid = nullptr;
  QPushButton* FetchOddsButton = nullptr;
  Label3D* ProgressLabel = nullptr;
  QProgressBar* FetchProgressBar = nullptr;
  QPushButton* PrintScheduleButton = nullptr;
  GridPrinter SchedulePrinter;

  void TickAllRaces();
  void UntickAllRaces();
  // Takes the odds of every ticked race; the button stays off while it runs.
  void FetchOddsOfTickedRaces();
  // Prints the schedule grid; a failure aborts the job and is shown in an error box.
  void PrintSchedule();
  // The two heading lines of a printed page: the title and the day.
  void PrintPageHeading(GridPrinter& sender);
  // No cell of the grid looks chosen.
  void ClearGridSelection();
  void DrawScheduleCell(gui::Canvas& canvas, int col, int row, const QRect& rect);
  // The tick of every item, item i being race slot i.
  std::vector<bool> Ticked() const;

 public slots:
  // Closing reloads the day in the main window; not while a fetch runs.
  void done(int result) override;

 protected:
  bool event(QEvent* e) override;

 private:
  // The fetcher on the context's day, and the grid's columns and header row.
  void PrepareFetcherAndGrid();
  void SetAllTicks(bool on);
  // ManualOddsUi
  void Beep() override;
  void Inform(const std::string& text) override;
  void ProcessMessages() override;
  void SetProgress(int position, int max) override;
  void SetProgressLabel(const std::string& text) override;
  void SetBusyCursor(bool busy) override;

  ManualOddsContext context_;
  std::unique_ptr<ManualOddsFetcher> fetcher_;
  bool busyCursor_ = false;
};

}  // namespace corvina
