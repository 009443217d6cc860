#pragma once
// "オッズ手動取得": the loaded day's races to tick, their odds schedule in a grid, and a button that takes the
// real-time odds of every ticked race into the day's odds files. Closing the window reloads the day in the
// main window.
#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

#include "components/ui/StrGridPrinter.h"
#include "racedata/ManualOdds.h"

class QAction;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace corvina {

class TLabel3Dj;
namespace gui {
class Canvas;
class StringGrid;
}  // namespace gui

// What the main window hands the window: its day, JV-Link control and exchange gate, and two of its commands.
struct OddsSchejContext {
  DayModel& day;
  JVLink& link;
  ExchangeGate& gate;
  QString dateText;                    // the date box's text: the loaded DayName, empty for none
  std::function<void()> reload;        // reloads the day (DateComboChange)
  std::function<void()> stopAutoOdds;  // unchecks the automatic-odds check box
};

class TOddsSchejForm : public QDialog, private ManualOddsUi {
  Q_OBJECT
 public:
  TOddsSchejForm(const OddsSchejContext& context, QWidget* parent = nullptr);
  ~TOddsSchejForm() override;

  // The main window's "ｵｯｽﾞ手動取得": refuses without a recent day with current cards (a beep and a box),
  // otherwise fills the window and shows it modally.
  static void Execute(QWidget* parent, const OddsSchejContext& context);
  // Shows the filled window and returns once it is closed; tests replace it to drive the window directly.
  static std::function<void(TOddsSchejForm&)> RunWindow;

  // One tick item and one grid row per race of the loaded day, in slot order.
  void Fill();

  TLabel3Dj* DateLabel = nullptr;
  QListWidget* CheckListBox1 = nullptr;
  QAction* N1 = nullptr;  // "全て選択"
  QAction* N2 = nullptr;  // "全て解除"
  gui::StringGrid* StringGrid1 = nullptr;
  QPushButton* OzGetBtn = nullptr;
  TLabel3Dj* ProgressLabel = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QPushButton* SpeedButton1 = nullptr;
  TStrGridPrinter StrGridPrinter1;

  void N1Click();
  void N2Click();
  void OzGetBtnClick();
  void SpeedButton1Click();
  void StrGridPrinter1BeginPage(TStrGridPrinter& sender);
  void StringGrid1MouseUp();
  void StringGrid1DrawCell(gui::Canvas& canvas, int col, int row, const QRect& rect);
  // The tick of every item, item i being race slot i.
  std::vector<bool> Ticked() const;
  ManualOddsFetcher& Fetcher() { return *fetcher_; }

 public slots:
  // Closing reloads the day in the main window; not while a fetch runs.
  void done(int result) override;

 protected:
  bool event(QEvent* e) override;

 private:
  void FormCreate();
  void SetAllTicks(bool on);
  // ManualOddsUi
  void Beep() override;
  void Inform(const std::string& text) override;
  void ProcessMessages() override;
  void SetProgress(int position, int max) override;
  void SetProgressLabel(const std::string& text) override;
  void SetBusyCursor(bool busy) override;

  OddsSchejContext context_;
  std::unique_ptr<ManualOddsFetcher> fetcher_;
  bool busyCursor_ = false;
};

}  // namespace corvina
