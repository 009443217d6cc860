#pragma once
// TMainForm: the main window. It owns the loaded day, the work lists and the program folder for the whole
// run, lists the stored race days, loads the chosen day and shows one race at a time.
#include <QMainWindow>
#include <array>
#include <filesystem>
#include <memory>

#include "components/IniGT.h"
#include "platform/LineFile.h"
#include "platform/SortedList.h"
#include "racedata/DayLoad.h"
#include "racedata/DayModel.h"

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

class TLabel3Dj;
namespace gui {
class StringGrid;
class UpDown;
}  // namespace gui

class TMainForm : public QMainWindow {
  Q_OBJECT
 public:
  // `appDir` empty: the program folder ($CORVINA_HOME, else the executable's folder).
  explicit TMainForm(const std::filesystem::path& appDir = {}, QWidget* parent = nullptr);
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
  TIniGT IniGT1;
  // Work lists.
  Lines FDayFile, FOddsFile, FPairList, FTekiList, FErrorLog;
  SortedList FTekiSorted, FSortA, FSortB, FStatList;
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
  QTimer* Timer4 = nullptr;                // results poll
  QToolButton* SpeedButton2 = nullptr;     // sort by horse number
  QToolButton* SpeedButton3 = nullptr;     // sort by horse name, descending
  QAction* N5 = nullptr;                   // hide the date and race list after a load
  QAction* N22 = nullptr;                  // local option of the tickets
  QPushButton* TekiAnaBtn = nullptr;
  QPushButton* TekiAnaBtn2 = nullptr;
  QCheckBox* AutoOzCheck = nullptr;
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
  void StringGrid2MouseUp();
  void StringGrid4MouseUp();
  void ShowHint(const QString& hint);
  void FormCloseQuery(bool& canClose);
  void FormClose();
  // Selects a line of the race list without running its handler.
  void SelectRaceLine(int line);
  // The hook the day load's prediction phases run (built from the local option).
  DayLoadEngine Engine() const;

  // Runs when the results poll timer fires (the results reader installs it).
  std::function<void()> OnResultsPoll;

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void FormCreate();
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

  std::unique_ptr<DayModel> day_;
  bool createFailed_ = false;
  bool selectingRace_ = false;
};

}  // namespace corvina
