#pragma once
// TMainForm: the main window. It owns the loaded day, the work lists and the program folder for the whole
// run, lists the stored race days, loads the chosen day and shows one race at a time.
#include <QMainWindow>
#include <array>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>

#include "components/IniGT.h"
#include "platform/LineFile.h"
#include "platform/SortedList.h"
#include "platform/gui/WindowBounds.h"
#include "racedata/DayLoad.h"
#include "racedata/DayModel.h"
#include "racedata/RealTime.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QTabWidget;
class QTimer;
class QToolButton;
class QPushButton;
class QWidget;

namespace corvina {

class JVLink;
class TFolderViewerEx;
class TGetDataForm;
class TLabel3Dj;
namespace gui {
class StringGrid;
class UpDown;
}  // namespace gui

class TMainForm : public QMainWindow, private RealTimeUi {
  Q_OBJECT
 public:
  // `appDir` empty: the program folder ($CORVINA_HOME, else the executable's folder). `link` empty: the
  // file-backed stand-in at its default root; tests hand in a scripted one (not owned).
  explicit TMainForm(const std::filesystem::path& appDir = {}, QWidget* parent = nullptr, JVLink* link = nullptr);
  ~TMainForm() override;

  // True when creation could not prepare the program folder (data folder or error log); the window has shown
  // the reason and the program should end.
  bool CreateFailed() const { return createFailed_; }

  // ---- Shared state -------------------------------------------------------------------------------------
  DayModel& Day() { return *day_; }
  const DayModel& Day() const { return *day_; }
  std::filesystem::path FAppDir;
  QString FVersion;
  std::filesystem::path HelpFile;  // the application's help file, opened with the desktop's viewer
  JVLink* JVLink1 = nullptr;        // the one JV-Link control of the run
  TIniGT IniGT1;
  // Work lists.
  Lines FDayFile, FOddsFile, FPairList, FTekiList, FErrorLog;
  SortedList FTekiSorted{Duplicates::Ignore}, FSortA, FSortB, FStatList{Duplicates::Ignore};
  // Label arrays, 1-based (element 0 unused).
  std::array<QLabel*, 154> FPairLabels1{};   // real quinella odds by UmarenIndex
  std::array<QLabel*, 154> FPairLabels2{};   // predicted quinella odds by UmarenIndex
  std::array<QLabel*, 109> FResultLabels{};  // 36 payout entries x (combination, popularity, payout)
  std::array<QLabel*, 19> FPickLabels{};     // 6 tickets x (number, combination, odds)

  // ---- Controls other parts and tests reach ------------------------------------------------------------
  QComboBox* DateCombo = nullptr;
  QListWidget* DatList = nullptr;
  QTabWidget* PageControl1 = nullptr;
  QWidget* Panel5 = nullptr;
  gui::StringGrid* StringGrid1 = nullptr;  // real odds ranking
  gui::StringGrid* StringGrid2 = nullptr;  // race card
  gui::StringGrid* StringGrid3 = nullptr;  // predicted odds ranking
  gui::StringGrid* StringGrid4 = nullptr;  // trio study
  gui::UpDown* UpDown1 = nullptr;
  QTimer* Timer1 = nullptr;                // automatic odds, every 40 s while AutoOzCheck is on
  QTimer* Timer4 = nullptr;                // results poll
  QToolButton* SpeedButton2 = nullptr;     // sort by horse number
  QToolButton* SpeedButton3 = nullptr;     // sort by horse name, descending
  QAction* N5 = nullptr;                   // hide the date and race list after a load
  QAction* N22 = nullptr;                  // local option of the tickets
  QAction* S1 = nullptr;                   // odds schedule table
  QAction* N9 = nullptr;                   // odds delay setting
  QAction* N11 = nullptr;                  // results poll setting
  QAction* N6 = nullptr;                   // manual odds (as OzGetBtn)
  QAction* J1 = nullptr;                   // folder of the time-series odds
  QAction* T2 = nullptr;                   // odds from the time-series folder
  QAction* N26 = nullptr;                  // clear the odds of every race
  QAction* N27 = nullptr;                  // clear the odds of the race shown
  QAction* T1 = nullptr;                   // hit window (as SpeedButton15)
  QAction* FilePrintItem = nullptr;        // race pages in the batch print window
  QAction* YosokuMenu = nullptr;           // folder of the predicted-odds archives
  QAction* FilePrintSetupItem = nullptr;
  QAction* HelpContentsItem = nullptr;     // "目次"
  QAction* HelpAboutItem = nullptr;
  QAction* N18 = nullptr;                  // race card to the clipboard (menu of the race card grid)
  QPushButton* SpeedButton4 = nullptr;     // "終了"
  QPushButton* SpeedButton5 = nullptr;     // "ﾍﾙﾌﾟ"
  QPushButton* SpeedButton6 = nullptr;     // "ﾊﾞｰｼﾞｮﾝ情報"
  QPushButton* YozBtn = nullptr;           // "予想配当"
  TFolderViewerEx* FolderViewerEx1 = nullptr;
  QPushButton* TekiAnaBtn = nullptr;      // "的中": HTML report of every hit
  QPushButton* TekiAnaBtn2 = nullptr;     // "穴的中": HTML report of the well-paying hits
  QWidget* Panel7 = nullptr;              // "F", "判定", "結果情報", "速報ｵｯｽﾞ" and the race arrows
  QToolButton* SpeedButton8 = nullptr;    // "F": shows or hides Panel5
  QToolButton* SpeedButton15 = nullptr;   // "判定": the hit window
  QCheckBox* AutoOzCheck = nullptr;        // "ｵｯｽﾞ自動取得"
  QPushButton* OzGetBtn = nullptr;         // "ｵｯｽﾞ手動取得"
  QPushButton* JVBtn = nullptr;            // "JVデータ取得"
  QToolButton* KekkaGetBtn = nullptr;      // "結果情報"
  QToolButton* SokuhoOddsBtn = nullptr;    // "速報ｵｯｽﾞ"
  TLabel3Dj* DLlabel = nullptr;            // status of the real-time exchanges
  // Race header and ticket panel labels.
  TLabel3Dj *Label3D1 = nullptr, *Label3D2 = nullptr, *Label3D3 = nullptr, *Label3D4 = nullptr,
            *Label3D5 = nullptr, *Label3D6 = nullptr, *Label3D7 = nullptr, *Label3D8 = nullptr,
            *Label3D9 = nullptr, *Label3D10 = nullptr, *Label3D13 = nullptr, *Label3D15 = nullptr,
            *Label3D103 = nullptr, *Label3D110 = nullptr, *Label3D112 = nullptr, *Label3D113 = nullptr,
            *Label3D115 = nullptr;
  QLabel *LabelKT = nullptr, *ALabel = nullptr, *BLabel = nullptr, *CLabel = nullptr;

  // ---- Handlers -----------------------------------------------------------------------------------------
  void MakeDataListBtnClick();
  void DateComboChange();
  void DatListClick();
  void SpeedButton2Click();
  // Shows or hides the date and race list.
  void SpeedButton8Click();
  // The two options of the menus, stored in the settings as soon as they change.
  void N5Click();
  void N22Click();
  void StringGrid2MouseUp();
  void StringGrid4MouseUp();
  void ShowHint(const QString& hint);
  // Commands of the menus and the speed bar that open other windows.
  void S1Click();
  void N9Click();
  void N11Click();
  void YozBtnClick();
  void YosokuMenuClick();
  void SpeedButton5Click();
  void SpeedButton6Click();
  void FileExitItemClick();
  void FilePrintSetupItemClick();
  void N18Click();
  // Manual odds: the window of the loaded day's races (disabled while the automatic odds run).
  void OzGetBtnClick();
  // Time-series odds: choose the folder; fill the day's odds files from it and reload the day.
  void J1Click();
  void T2Click();
  // The time-series folder as set ("Dir" / "jikeiretu", UTF-8); empty when none was chosen.
  std::filesystem::path TimeSeriesFolder();
  // Blank the odds of every race / of the race shown, after a Yes, and reload the day.
  void N26Click();
  void N27Click();
  // The hit window, the HTML hit report (`longshot`: the "穴的中" button) and the printed race pages.
  void SpeedButton15Click();
  void TekiAnaBtnClick(bool longshot);
  void FilePrintItemClick();
  void FormCloseQuery(bool& canClose);
  void FormClose();
  // Selects a line of the race list without running its handler.
  void SelectRaceLine(int line);
  // The hook the day load's prediction phases run (built from the local option).
  DayLoadEngine Engine() const;

  // JV-Link: the first showing's JVInit, the import window and the real-time results and odds.
  void FormShow();
  void JVBtnClick();
  // The import window's close: the day list is built again and the day shown before is loaded again.
  void DayListAfterImport();
  void Timer4Timer();
  // Automatic odds: the check box, the timer's search for races due, and the odds of the queued races.
  void AutoOzCheckClick();
  void Timer1Timer();
  void OzGetLoopBtnClick();
  // RaceKeys of the races due whose odds are still to be taken, oldest first.
  const std::deque<std::string>& OddsQueue() const { return oddsQueue_; }
  void KekkaGetBtnClick();
  void SokuhoOddsBtnClick();
  // Re-reads results and payouts after a results fetch; true when it had to load the whole day again.
  bool HrReadBtnClick();
  RealTimeReader& Reader() { return *reader_; }

  // Shows the import window and returns once it is closed. Tests replace it to drive the window through its
  // own handlers instead of a modal loop.
  std::function<void(TGetDataForm&)> RunImportWindow;

 protected:
  void closeEvent(QCloseEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  void FormCreate();
  void FindTimeSeriesFolder();
  void BuildLayout();
  QWidget* BuildSpeedBar();
  QWidget* BuildRaceHeader();
  QWidget* BuildDayPanel();
  QWidget* BuildCardPage();
  QWidget* BuildPairPage();
  QWidget* BuildPairSheet(std::array<QLabel*, 154>& labels, gui::StringGrid*& ranking, bool predicted);
  QWidget* BuildResultPage();
  void BuildMenus();
  void SetUpGrids();
  void ClearRaceDisplay();
  void ShowPayouts(const TRaceInfo& info);
  void ShowHeader(const TRaceInfo& info, const TRaceCalc& calc, int runners);
  void ShowPairOdds(const TRaceCalc& calc);
  void ShowTickets(const TRaceInfo& info, const TRaceCalc& calc);
  void ShowGridRows(const TRaceInfo& info, const TRaceCalc& calc, int runners);

  // The results of the day (0B12) of the loaded day; `autoKekka` silences the beeps of the timed fetch.
  void KekkaGet(bool autoKekka);
  // One race's odds (0B30) with its progress text; a failure is shown as the racecourse and race, `failed` and
  // the provider's message, and stays on the label (failureShown_, lastFailure_).
  void TakeRaceOdds(const std::string& raceKey, const std::string& fetching, const std::string& failed);
  // The racecourse and race number of a RaceKey as the status texts begin ("東京 1").
  static std::string VenueRace(const std::string& raceKey);
  void SetDLlabel(const std::string& text);
  bool RaceChosen() const;
  // Why the automatic odds cannot run on the day `dayText` (the date box's text): no day, or not today; null
  // when they can.
  static const char* AutoOddsDayRefusal(const QString& dayText);
  // Unchecks the automatic odds after a refusal: beep, the refusal's text, and the timer off.
  void RefuseAutoOdds(const char* refusal);

  // RealTimeUi: the reader's only status text is a failure, which stays until the next exchange.
  void Beep() override;
  void SetStatusLabel(const std::string& text) override;
  void Inform(const std::string& text) override;
  void ProcessMessages() override;

  std::unique_ptr<DayModel> day_;
  gui::RestoredBounds bounds_;
  std::unique_ptr<JVLink> ownedLink_;
  std::unique_ptr<RealTimeReader> reader_;
  // The odds queue is a list of its own: the results reading and the day load use the work lists, and a tick
  // may add races while the queue is being worked through.
  std::deque<std::string> oddsQueue_;
  bool oddsLoopPending_ = false;  // a pass over the queue waits for the gate or runs
  bool failureShown_ = false;
  std::string lastFailure_;
  bool formShown_ = false;
  bool createFailed_ = false;
  bool selectingRace_ = false;
  QString loadedDay_;  // the date box's text of the day last loaded in full; empty when none is
};

}  // namespace corvina
