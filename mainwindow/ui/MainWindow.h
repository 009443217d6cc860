#pragma once
// MainWindow: the main window. It owns the loaded day, the JV-Link reader and the program folder for the whole
// run, lists the stored race days, loads the chosen day and shows one race at a time.
#include <QMainWindow>
#include <array>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>

#include "components/SettingsFile.h"
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
class FolderChooser;
class StoredImportWindow;
class Label3D;
namespace gui {
class StringGrid;
class UpDown;
}  // namespace gui

class MainWindow : public QMainWindow, private RealTimeUi {
  Q_OBJECT
 public:
  // `appDir` empty: the program folder ($CORVINA_HOME, else the executable's folder). `link` empty: the
  // file-backed stand-in at its default root; tests hand in a scripted one (not owned).
  explicit MainWindow(const std::filesystem::path& appDir = {}, QWidget* parent = nullptr, JVLink* link = nullptr);
  ~MainWindow() override;

  // Returns true when creation could not prepare the program folder (data folder or error log); the window has shown
  // the reason and the program should end.
  bool CreateFailed() const { return createFailed_; }

  // ---- Shared state -------------------------------------------------------------------------------------
  DayModel& Day() { return *day_; }
  const DayModel& Day() const { return *day_; }
  std::filesystem::path AppDir;
  QString Version;
  std::filesystem::path HelpFile;  // the application's help file, opened with the desktop's viewer
  JVLink* Link = nullptr;          // the one JV-Link control of the run
  SettingsFile Settings;
  // Label arrays, 1-based (element 0 unused).
  std::array<QLabel*, 154> RealPairOddsLabels{};              // real quinella odds by UmarenIndex
  std::array<QLabel*, 154> PredictedPairOddsLabels{};         // predicted quinella odds by UmarenIndex
  std::array<QLabel*, 109> PayoutLabels{};                    // 36 payout entries x (combination, popularity, payout)
  std::array<QLabel*, 3 * kTicketPlaces + 1> TicketLabels{};  // per ticket place: number, combination, odds

  // ---- Controls other parts and tests reach ------------------------------------------------------------
  QComboBox* DateCombo = nullptr;
  QListWidget* RaceList = nullptr;
  QTabWidget* RaceTabs = nullptr;              // race card, pair odds, mean pair odds, results
  QWidget* DayListPanel = nullptr;             // the date box and the race list
  gui::StringGrid* OddsRankingGrid = nullptr;  // real odds ranking
  gui::StringGrid* RaceCardGrid = nullptr;
  gui::StringGrid* PredictedOddsRankingGrid = nullptr;
  gui::StringGrid* MeanPairOddsGrid = nullptr;  // each runner's mean pair odds, the tab "三連複考察"
  gui::UpDown* RaceArrows = nullptr;            // previous and next race
  QTimer* AutoOddsTimer = nullptr;              // automatic odds, every 40 s while AutoOddsCheck is on
  QTimer* ResultsPollTimer = nullptr;
  QToolButton* SortByNumberButton = nullptr;      // sort by horse number
  QToolButton* SortByNameButton = nullptr;        // sort by horse name, descending
  QAction* HideDayListAfterLoadAction = nullptr;  // hide the date and race list after a load
  QAction* LocalOptionAction = nullptr;           // local option of the tickets
  QAction* OddsScheduleAction = nullptr;          // odds schedule table
  QAction* OddsDelayAction = nullptr;             // odds delay setting
  QAction* ResultsPollIntervalAction = nullptr;   // results poll setting
  QAction* ManualOddsAction = nullptr;            // the same command as ManualOddsButton
  QAction* TimeSeriesFolderAction = nullptr;      // folder of the time-series odds
  QAction* TimeSeriesOddsAction = nullptr;        // odds from the time-series folder
  QAction* ClearAllOddsAction = nullptr;          // clear the odds of every race
  QAction* ClearShownRaceOddsAction = nullptr;    // clear the odds of the race shown
  QAction* HitWindowAction = nullptr;             // the same command as HitWindowButton
  QAction* PrintRacePagesAction = nullptr;        // race pages in the batch print window
  QAction* PredictedOddsFolderAction = nullptr;   // folder of the predicted-odds archives
  QAction* PrinterSetupAction = nullptr;
  QAction* HelpContentsAction = nullptr;  // "目次"
  QAction* VersionAction = nullptr;
  QAction* CopyRaceCardAction = nullptr;       // race card to the clipboard (menu of the race card grid)
  QPushButton* ExitButton = nullptr;           // "終了"
  QPushButton* HelpButton = nullptr;           // "ﾍﾙﾌﾟ"
  QPushButton* VersionButton = nullptr;        // "ﾊﾞｰｼﾞｮﾝ情報"
  QPushButton* PredictedOddsButton = nullptr;  // "予想配当"
  FolderChooser* FolderDialog = nullptr;
  QPushButton* HitReportButton = nullptr;          // "的中": HTML report of every hit
  QPushButton* LongshotHitReportButton = nullptr;  // "穴的中": HTML report of the well-paying hits
  QWidget* RaceButtonsPanel = nullptr;        // "F", "判定", "結果情報", "速報ｵｯｽﾞ" and the race arrows
  QToolButton* DayListButton = nullptr;       // "F": shows or hides DayListPanel
  QToolButton* HitWindowButton = nullptr;     // "判定": the hit window
  QCheckBox* AutoOddsCheck = nullptr;         // "ｵｯｽﾞ自動取得"
  QPushButton* ManualOddsButton = nullptr;    // "ｵｯｽﾞ手動取得"
  QPushButton* StoredImportButton = nullptr;  // "JVデータ取得"
  QToolButton* ResultsButton = nullptr;       // "結果情報"
  QToolButton* LatestOddsButton = nullptr;    // "速報ｵｯｽﾞ": odds of the race shown
  Label3D* ExchangeStatusLabel = nullptr;     // status of the real-time exchanges
  // Race header and ticket panel labels.
  Label3D *CourseLabel = nullptr, *RaceNumberLabel = nullptr, *DateHeaderLabel = nullptr, *RaceNameLabel = nullptr,
          *WeightRuleLabel = nullptr, *ClassLabel = nullptr, *TrackLabel = nullptr, *DistanceLabel = nullptr,
          *PostTimeLabel = nullptr, *EntryCountLabel = nullptr, *FirstSnapshotTimeLabel = nullptr,
          *SecondSnapshotTimeLabel = nullptr, *TicketNoteLabel = nullptr, *TicketKindLabel = nullptr,
          *LocalOptionLabel = nullptr, *AxisOddsLabel = nullptr, *GradeLabel = nullptr;
  QLabel *AxisHorseLabel = nullptr, *CountALabel = nullptr, *CountBLabel = nullptr, *CountCLabel = nullptr;

  // ---- Handlers -----------------------------------------------------------------------------------------
  void RebuildDayList();
  void LoadChosenDay();
  void ShowChosenRace();
  void SortRaceCard();
  // Shows or hides the date and race list.
  void ToggleDayList();
  // The two options of the menus, stored in the settings as soon as they change. A settings file that cannot
  // be written is told to the user; the option holds for this run.
  void StoreHideDayListOption();
  void ApplyLocalOption();
  void ClearRaceCardSelection();
  void ClearMeanPairOddsSelection();
  // Commands of the menus and the speed bar that open other windows.
  void ShowOddsSchedule();
  void SetOddsDelay();
  void SetResultsPollInterval();
  void ImportPredictedOdds();
  void ChoosePredictedOddsFolder();
  void ShowHelp();
  void ShowVersion();
  void ExitProgram();
  void SetUpPrinter();
  void CopyRaceCard();
  // Manual odds: the window of the loaded day's races (disabled while the automatic odds run).
  void ShowManualOddsWindow();
  // Time-series odds: choose the folder (a settings file that cannot keep it is told to the user); fill the day's
  // odds files from it and reload the day.
  void ChooseTimeSeriesFolder();
  void ImportTimeSeriesOdds();
  // The time-series folder as set (kTimeSeriesFolder, UTF-8); empty when none was chosen.
  std::filesystem::path TimeSeriesFolder();
  // Blank the odds of every race / of the race shown, after a Yes, and reload the day.
  void ClearOddsOfEveryRace();
  void ClearOddsOfShownRace();
  // The hit window, the HTML hit report (`longshot`: the "穴的中" button) and the printed race pages.
  void ShowHitWindow();
  void ShowHitReport(bool longshot);
  void PrintRacePages();
  // Closing: the window bounds are kept in the settings first; the second step has nothing left to release.
  void StoreBoundsBeforeClose(bool& canClose);
  void FinishClosing();
  // Selects a line of the race list without running its handler.
  void SelectRaceLine(int line);
  // The hook the day load's prediction phases run (built from the local option).
  DayLoadEngine Engine() const;

  // JV-Link: the first showing's JVInit, the import window and the real-time results and odds.
  void InitializeJVLink();
  void ShowStoredImportWindow();
  // The import window's close: the day list is built again and the day shown before is loaded again.
  void DayListAfterImport();
  void PollResults();
  // Automatic odds: the check box, the timer's search for races due, and the odds of the queued races.
  void StartOrStopAutoOdds();
  void TakeDueOdds();
  void TakeQueuedOdds();
  // RaceKeys of the races due whose odds are still to be taken, oldest first.
  const std::deque<std::string>& OddsQueue() const { return oddsQueue_; }
  void FetchResults();
  void FetchShownRaceOdds();
  // Re-reads results and payouts after a results fetch; true when it had to load the whole day again.
  bool RereadResultsAfterFetch();
  RealTimeReader& Reader() { return *reader_; }

  // Shows the import window and returns once it is closed. Tests replace it to drive the window through its
  // own handlers instead of a modal loop.
  std::function<void(StoredImportWindow&)> RunImportWindow;

 protected:
  void closeEvent(QCloseEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  void PrepareWindow();
  void FindTimeSeriesFolder();

  // Building the window: widgets, layouts, menus, grids and their connections (MainWindowLayout.cpp).
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
  void ShowPayouts(const RaceInfo& info);
  void ShowHeader(const RaceInfo& info, const RaceCalc& calc, int runners);
  void ShowPairOdds(const RaceCalc& calc);
  void ShowTickets(const RaceInfo& info, const RaceCalc& calc);
  void ShowGridRows(const RaceInfo& info, const RaceCalc& calc, int runners);

  // The results of the day (0B12) of the loaded day; `timed` silences the beeps of the timed fetch.
  void FetchDayResults(bool timed);
  // One race's odds (0B30) with its progress text; a failure is shown as the racecourse and race, `failed` and
  // the provider's message, and stays on the label (failureShown_, lastFailure_).
  void TakeRaceOdds(const std::string& raceKey, const std::string& fetching, const std::string& failed);
  // The racecourse and race number of a RaceKey as the status texts begin ("東京 1").
  static std::string VenueRace(const std::string& raceKey);
  void SetExchangeStatus(const std::string& text);
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
  // The race keys whose scheduled odds wait to be taken, oldest first. A timer tick appends to it while a pass
  // waits for the gate or is working through it (the exchanges let messages run), and that pass takes them too.
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
