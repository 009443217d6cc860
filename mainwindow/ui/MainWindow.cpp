// The main window's creation, its state and what it does: listing and loading days, showing a race, the
// commands of the menus and buttons, and the exchanges with JV-Link. Its widgets are built in MainWindowLayout.cpp.
#include "mainwindow/ui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <system_error>

#include "analysis/Engine.h"
#include "analysis/HitReport.h"
#include "analysis/ProgramFolders.h"
#include "analysis/ui/BatchPrintWindow.h"
#include "analysis/ui/HitWindow.h"
#include "components/ui/FolderChooser.h"
#include "components/ui/Label3D.h"
#include "components/ui/StoredWindowBounds.h"
#include "mainwindow/AutoOdds.h"
#include "mainwindow/RaceViewText.h"
#include "mainwindow/ResultsPoll.h"
#include "mainwindow/ui/AboutBox.h"
#include "mainwindow/ui/Commands.h"
#include "mainwindow/ui/MainWindowHelpers.h"
#include "platform/Clock.h"
#include "platform/Cp932.h"
#include "platform/DayName.h"
#include "platform/LineFile.h"
#include "platform/Registry.h"
#include "platform/Text.h"
#include "platform/gui/Application.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/StringGrid.h"
#include "platform/gui/UpDown.h"
#include "platform/jvlink/FileJVLink.h"
#include "racedata/ErrorLog.h"
#include "racedata/JVMessages.h"
#include "racedata/OddsClear.h"
#include "racedata/RaceRecords.h"
#include "racedata/RacingTexts.h"
#include "racedata/Results.h"
#include "racedata/TimeSeriesImport.h"
#include "racedata/ui/ManualOddsWindow.h"
#include "racedata/ui/OddsDelayWindow.h"
#include "racedata/ui/OddsScheduleWindow.h"
#include "racedata/ui/PredictedOddsCommands.h"
#include "racedata/ui/ResultsPollIntervalWindow.h"
#include "racedata/ui/StoredImportWindow.h"

namespace corvina {

using namespace mainwindow;

namespace {

QColor ToQColor(view::Rgb c) { return QColor(c.r, c.g, c.b); }

const char* const kLocalOn = "ﾛｰｶﾙｵﾌﾟｼｮﾝ有効";
const char* const kLocalOff = "ﾛｰｶﾙｵﾌﾟｼｮﾝ無効";
const char* const kNoRunnerData = "レースは予想に必要なデータ量がありません。時間をおいて再取得してください。";

// The program folder as every path is formed from it: absolute, since start-up makes it the current folder
// (a relative $CORVINA_HOME would otherwise point one level deeper), and without a trailing separator.
std::filesystem::path ProgramFolder(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(folder, ec);
  if (ec) p = folder;
  p = p.lexically_normal();
  if (!p.has_filename() && p != p.root_path()) p = p.parent_path();
  return p;
}

}  // namespace

MainWindow::MainWindow(const std::filesystem::path& appDir, QWidget* parent, JVLink* link)
    : QMainWindow(parent), day_(std::make_unique<DayModel>()) {
  AppDir = ProgramFolder(appDir.empty() ? SettingsFile::ApplicationFolder() : appDir);
  if (link == nullptr) {
    ownedLink_ = std::make_unique<FileJVLink>(FileJVLink::DefaultRoot(AppDir));
    link = ownedLink_.get();
  }
  Link = link;
  RealTimeUi& ui = *this;
  reader_ = std::make_unique<RealTimeReader>(*Link, *day_, ui);
  RunImportWindow = [](StoredImportWindow& form) { form.exec(); };
  PrepareWindow();
}

MainWindow::~MainWindow() = default;

void MainWindow::PrepareWindow() {
  // The controls and label arrays exist whatever happens below, so no handler ever meets a half-made window.
  Settings.SetFileName((AppDir / std::string(kSettingsFileName)).string());
  BuildLayout();

  FindTimeSeriesFolder();
  day_->AppDir = AppDir;
  std::error_code ec;
  std::filesystem::current_path(AppDir, ec);
  std::filesystem::create_directories(day_->DataDir(), ec);
  if (ec || !std::filesystem::is_directory(day_->DataDir())) {
    gui::ShowError(
        this, QStringLiteral("データフォルダを作成できません: ") + QString::fromStdString(day_->DataDir().string()));
    createFailed_ = true;
    return;
  }
  HelpFile = AppDir / "corvina.chm";
  analysis::RemoveProgramSaveLeftovers(AppDir);

  bounds_.Restore(*this, ReadWindowBounds(Settings, kMainWindowBounds));

  std::string logError;
  if (!StartErrorLog(AppDir, &logError)) {
    gui::ShowError(this, QStringLiteral("ErrorLog.txt を読み書きできません: ") + QString::fromStdString(logError));
    createFailed_ = true;
    return;
  }

  HideDayListAfterLoadAction->setChecked(Settings.Read(kHideDayListAfterLoad));
  LocalOptionAction->setChecked(Settings.Read(kLocalOption));
  LocalOptionLabel->SetCaption(QString::fromUtf8(LocalOptionAction->isChecked() ? kLocalOn : kLocalOff));

  // A folder of that name is not the marker file.
  std::error_code markerError;
  const bool master = std::filesystem::is_regular_file(AppDir / "MasterControlBrann.key", markerError);
  HitReportButton->setVisible(master);
  LongshotHitReportButton->setVisible(master);

  RebuildDayList();
}

// The sibling odds viewer's data folder, from its installer's entry in the registry, when no folder is set
// yet. On Linux the registry has no such entry and the setting stays as the user or the time-series import
// left it.
void MainWindow::FindTimeSeriesFolder() {
  if (!IsBlank(Settings.Read(kTimeSeriesFolder))) return;
  const std::string& key =
      CORVINA_CP932("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ハリヤード for JRA-VAN Data Lab._is1");
  const std::optional<std::string> appPath = RegReadString(RegRoot::LocalMachine, key, "Inno Setup: App Path");
  if (!appPath || IsBlank(*appPath)) return;
  try {
    Settings.Write(kTimeSeriesFolder, Trim(*appPath) + "/Data");
  } catch (const SettingsFileError& e) {
    // Only a convenience: the time-series import asks for the folder when it has none.
    gui::ShowWarning(this, QString::fromStdString(e.what()));
  }
}

// ---- Day list and day load -------------------------------------------------------------------------------

void MainWindow::RebuildDayList() {
  DateCombo->clear();
  RaceList->clear();
  for (const std::string& name : corvina::ListStoredDays(AppDir)) DateCombo->addItem(Q(name));
  DateCombo->setCurrentIndex(-1);
}

DayLoadEngine MainWindow::Engine() const {
  return analysis::MakeDayLoadEngine(analysis::EngineOptions{LocalOptionAction->isChecked()});
}

void MainWindow::ClearRaceDisplay() {
  // A load that stops early must not leave the previous day's race on screen.
  RaceTabs->setVisible(false);
  for (int k = 1; k <= 153; ++k) {
    RealPairOddsLabels[k]->clear();
    PredictedPairOddsLabels[k]->clear();
  }
  for (int k = 1; k <= 108; ++k) PayoutLabels[k]->clear();
  for (int k = 1; k <= 3 * kTicketPlaces; ++k) TicketLabels[k]->clear();
  for (Label3D* l : {CourseLabel, RaceNumberLabel, DateHeaderLabel, RaceNameLabel, WeightRuleLabel, ClassLabel,
                     TrackLabel, DistanceLabel, PostTimeLabel, EntryCountLabel, FirstSnapshotTimeLabel,
                     SecondSnapshotTimeLabel, TicketNoteLabel, TicketKindLabel, AxisOddsLabel, GradeLabel})
    l->SetCaption(QString());
  for (QLabel* l : {AxisHorseLabel, CountALabel, CountBLabel, CountCLabel}) l->clear();
  RaceCardGrid->SetRowCount(2);
  MeanPairOddsGrid->SetRowCount(2);
  for (int c = 0; c < view::kCardColumns; ++c) RaceCardGrid->SetCell(c, 1, QString());
  for (int c = 0; c < view::kMeanPairOddsColumns; ++c) MeanPairOddsGrid->SetCell(c, 1, QString());
  for (gui::StringGrid* g : {OddsRankingGrid, PredictedOddsRankingGrid}) {
    g->SetRowCount(2);
    for (int c = 0; c < 3; ++c) g->SetCell(c, 1, QString());
  }
}

void MainWindow::LoadChosenDay() {
  // No day chosen (the list was just rebuilt) still resets the records, as a day without files does: no
  // window may go on showing or printing the day that was loaded before.
  const QString chosen = DateCombo->currentText();
  const DayName name = DayName::ParseUtf8Prefix(chosen.toStdString()).value_or(DayName{});
  // Every take of the automatic odds reloads the day: a reload of the day shown keeps the results poll's rhythm,
  // else a poll interval longer than the gaps between takes would never come round.
  const bool pollRunning = ResultsPollTimer->isActive() && !loadedDay_.isEmpty() && chosen == loadedDay_;
  if (!pollRunning) ResultsPollTimer->stop();
  loadedDay_.clear();
  ClearRaceDisplay();
  RaceList->clear();
  // The automatic odds take today's races only: another day would have its races taken and today's missed.
  // Told once the race list is empty, so no timer tick behind the message fetches for the day going away.
  if (AutoOddsCheck->isChecked())
    if (const char* refusal = AutoOddsDayRefusal(chosen.trimmed())) RefuseAutoOdds(refusal);
  const DayLoadResult result = corvina::LoadDay(*day_, name, Engine(), Settings.Read(kResultsPollMinutes));
  if (result.status == DayLoadStatus::Busy) return;
  if (result.status != DayLoadStatus::Loaded) ResultsPollTimer->stop();
  if (result.beep) gui::MessageBeep(0);
  if (!result.message.empty()) gui::ShowInformation(this, Q(result.message));
  if (result.status != DayLoadStatus::Loaded) return;
  loadedDay_ = chosen;
  for (const std::string& w : result.warnings) statusBar()->showMessage(QString::fromStdString(w));

  setEnabled(true);
  selectingRace_ = true;
  for (const std::string& line : result.raceList) RaceList->addItem(Q(line));
  selectingRace_ = false;
  if (!result.timerEnabled) {
    ResultsPollTimer->stop();
  } else if (!pollRunning || ResultsPollTimer->intervalAsDuration() != result.timerInterval) {
    ResultsPollTimer->setInterval(result.timerInterval);
    ResultsPollTimer->start();
  }
  RaceArrows->SetMax(std::max(0, result.raceStepperMax));
  if (result.selectLine >= 0) {
    SelectRaceLine(result.selectLine);
    ShowChosenRace();
  }
}

void MainWindow::SelectRaceLine(int line) {
  selectingRace_ = true;
  RaceList->setCurrentRow(line);
  selectingRace_ = false;
}

// ---- Race view ------------------------------------------------------------------------------------------------

void MainWindow::ShowChosenRace() {
  const int s = RaceList->currentRow();
  // Only a listed race can be shown; the records of the other slots belong to no race of this day.
  if (s < 0 || s >= RaceList->count() || s >= kSlots) return;
  RaceTabs->setVisible(false);
  day_->GCurRace = s;
  day_->GLastRace = s;
  const RaceInfo& info = day_->Races[s];
  const RaceCalc& calc = day_->Calcs[s];
  const int runners = view::RunnerRows(info);

  if (FieldInt(day_->Table.GSeTbl[s][0], layout::se::kUmaBan) < 1) {
    gui::MessageBeep(0);
    gui::ShowInformation(
        this, Q(FieldText(day_->Table.GRaTbl[s], layout::head::kRaceNum)) + QString::fromUtf8(kNoRunnerData));
    return;
  }
  RaceCardGrid->SetRowCount(runners + 1);
  MeanPairOddsGrid->SetRowCount(runners + 1);

  ShowPayouts(info);
  ShowHeader(info, calc, runners);
  ShowPairOdds(calc);
  ShowTickets(info, calc);
  ShowGridRows(info, calc, runners);

  RaceTabs->setVisible(true);
  SortRaceCard();
  RaceCardGrid->SetSelection(gui::GridRect{});
  RaceArrows->SetPosition(RaceList->currentRow());
  if (HideDayListAfterLoadAction->isChecked()) DayListPanel->setVisible(false);
}

void MainWindow::ShowPayouts(const RaceInfo& info) {
  const auto entries = view::PayoutEntries(info);
  for (int e = 0; e < view::kPayoutEntries; ++e) {
    PayoutLabels[3 * e + 1]->setText(Q(entries[e].comb));
    PayoutLabels[3 * e + 2]->setText(Q(entries[e].pop));
    PayoutLabels[3 * e + 3]->setText(Q(entries[e].pay));
  }
}

void MainWindow::ShowHeader(const RaceInfo& info, const RaceCalc& calc, int runners) {
  GradeLabel->SetCaption(Q(view::GradeText(info.GradeCode)));
  CourseLabel->SetCaption(Q(view::CourseText(info)));
  RaceNumberLabel->SetCaption(QString::number(view::RaceNumberOf(info)));
  RaceNumberLabel->SetTransparent(false);
  DateHeaderLabel->SetCaption(Q(view::DateHeaderText(info)));
  RaceNameLabel->SetCaption(Q(info.RaceName).trimmed());
  WeightRuleLabel->SetCaption(Q(WeightRuleText(info.WeightRule)));
  ClassLabel->SetCaption(Q(ClassText(info.ClassCode)));
  TrackLabel->SetCaption(Q(TrackText(info.TrackCode)));
  DistanceLabel->SetCaption(Q(DistanceText(info.Distance)));
  PostTimeLabel->SetCaption(Q(view::PostTimeText(info.PostTime)));
  const auto entries = view::EntryCountText(runners, calc.RankedCount);
  EntryCountLabel->SetCaption(Q(entries.text));
  EntryCountLabel->SetFontColor(ToQColor(entries.colour));
  const auto first = view::AnnounceText(info.OddsAnnounce1);
  FirstSnapshotTimeLabel->SetCaption(Q(first.text));
  FirstSnapshotTimeLabel->SetFontColor(ToQColor(first.colour));
  const auto latest = view::AnnounceText(info.OddsAnnounce2);
  SecondSnapshotTimeLabel->SetCaption(Q(latest.text));
  SecondSnapshotTimeLabel->SetFontColor(ToQColor(latest.colour));
}

void MainWindow::ShowPairOdds(const RaceCalc& calc) {
  auto fill = [](std::array<QLabel*, 154>& labels, gui::StringGrid* grid, const OneBased<double, 153>& odds) {
    for (int k = 1; k <= 153; ++k) labels[k]->setText(Q(view::PairOddsText(odds[k])));
    for (int c = 0; c < 3; ++c) grid->ClearColumn(c, 1);
    const auto rows = view::PairRanking(odds);
    if (rows.empty()) return;  // the grid keeps its rows, all empty
    grid->SetRowCount(static_cast<int>(rows.size()) + 1);
    for (size_t i = 0; i < rows.size(); ++i) {
      grid->SetCell(0, static_cast<int>(i) + 1, Q(rows[i].rank));
      grid->SetCell(1, static_cast<int>(i) + 1, Q(rows[i].label));
      grid->SetCell(2, static_cast<int>(i) + 1, Q(rows[i].odds));
    }
  };
  fill(RealPairOddsLabels, OddsRankingGrid, calc.UmarenOdds);
  fill(PredictedPairOddsLabels, PredictedOddsRankingGrid, calc.PredUmarenOdds);
}

void MainWindow::ShowTickets(const RaceInfo& info, const RaceCalc& calc) {
  TicketNoteLabel->SetCaption(Q(calc.Note));
  const auto tickets = view::TicketRows(info, calc);
  for (int t = 1; t <= kTicketPlaces; ++t) {
    const auto& row = tickets[t - 1];
    TicketLabels[3 * t - 2]->setText(Q(row.number));
    TicketLabels[3 * t - 1]->setText(Q(row.label));
    TicketLabels[3 * t]->setText(Q(row.odds));
    for (int k = 0; k < 3; ++k) SetBackground(TicketLabels[3 * t - 2 + k], InfoBackground());
    if (row.hit) SetBackground(TicketLabels[3 * t - 1], ToQColor(row.hitColour));
  }
  const auto axis = view::AxisHorseTexts(info, calc);
  AxisHorseLabel->setText(Q(axis.number));
  AxisOddsLabel->SetCaption(Q(axis.odds));
  AxisOddsLabel->SetColor(ToQColor(axis.background));
  TicketKindLabel->SetCaption(Q(view::AxisOrLocalText(calc.Over8Runners == 1)));
  CountALabel->setText(Q(FormatInt(calc.CountA, 2)));
  CountBLabel->setText(Q(FormatInt(calc.CountB, 2)));
  CountCLabel->setText(Q(FormatInt(calc.CountC, 2)));
}

void MainWindow::ShowGridRows(const RaceInfo& info, const RaceCalc& calc, int runners) {
  RaceCardGrid->SetCell(view::Col(view::CardColumn::PredWinOdds), 0, Q(view::PredOddsHeader(info)));
  for (int r = 1; r <= runners; ++r) {
    QStringList card, means;
    for (const std::string& cell : view::CardRow(info, calc, r - 1)) card << Q(cell);
    for (const std::string& cell : view::MeanPairOddsRow(info, calc, r - 1)) means << Q(cell);
    RaceCardGrid->SetRow(r, card);
    MeanPairOddsGrid->SetRow(r, means);
  }
}

// ---- Race card sorting and selection -------------------------------------------------------------------

void MainWindow::SortRaceCard() {
  const view::CardOrder order = SortByNumberButton->isChecked() ? view::CardOrder::ByNumber
                                : SortByNameButton->isChecked() ? view::CardOrder::ByNameDescending
                                                                : view::CardOrder::None;
  std::vector<std::vector<std::string>> rows;
  for (int r = 1; r < RaceCardGrid->RowCount(); ++r) {
    std::vector<std::string> row;
    for (const QString& cell : RaceCardGrid->Row(r)) row.push_back(ToCp932(cell.toStdString()));
    rows.push_back(std::move(row));
  }
  view::SortCardRows(rows, order);
  for (size_t i = 0; i < rows.size(); ++i) {
    QStringList row;
    for (const std::string& cell : rows[i]) row << Q(cell);
    RaceCardGrid->SetRow(static_cast<int>(i) + 1, row);
  }
}

void MainWindow::ClearRaceCardSelection() { RaceCardGrid->SetSelection(gui::GridRect{}); }
void MainWindow::ClearMeanPairOddsSelection() { MeanPairOddsGrid->SetSelection(gui::GridRect{}); }

// ---- JV-Link exchanges ----------------------------------------------------------------------------------------

void MainWindow::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (formShown_) return;
  formShown_ = true;
  // Once the window is on screen, so a JVInit failure box has the window behind it.
  QTimer::singleShot(0, this, Guarded([this] { InitializeJVLink(); }));
}

void MainWindow::InitializeJVLink() {
  Version = QString::fromLatin1(kProgramVersion);
  reader_->InitLink();
}

void MainWindow::ToggleDayList() { DayListPanel->setVisible(DayListPanel->isHidden()); }

void MainWindow::StoreHideDayListOption() {
  try {
    Settings.Write(kHideDayListAfterLoad, HideDayListAfterLoadAction->isChecked());
  } catch (const SettingsFileError& e) {
    // The option holds for this run all the same.
    gui::ShowError(this, QString::fromStdString(e.what()));
  }
}

void MainWindow::ApplyLocalOption() {
  try {
    Settings.Write(kLocalOption, LocalOptionAction->isChecked());
  } catch (const SettingsFileError& e) {
    // The option holds for this run all the same: the day is computed with it below.
    gui::ShowError(this, QString::fromStdString(e.what()));
  }
  LocalOptionLabel->SetCaption(QString::fromUtf8(LocalOptionAction->isChecked() ? kLocalOn : kLocalOff));
  // The tickets read the option, so a loaded day is computed again.
  if (!DateCombo->currentText().trimmed().isEmpty()) LoadChosenDay();
}

void MainWindow::ShowStoredImportWindow() {
  // Closing the window lists the stored days again, so an imported day appears in the date box.
  StoredImportWindow form(
      *Link, AppDir, [this] { DayListAfterImport(); }, &reader_->Gate(), this);
  RunImportWindow(form);
}

void MainWindow::DayListAfterImport() {
  const QString shown = DateCombo->currentText();
  RebuildDayList();
  if (shown.isEmpty()) return;
  // A rebuilt list has no day chosen: the day shown is chosen again, so the race list, the race view, the
  // automatic odds and the results poll go on with it. A day that is gone leaves them all cleared.
  DateCombo->setCurrentIndex(DateCombo->findText(shown));
  LoadChosenDay();
}

bool MainWindow::RaceChosen() const {
  return RaceList->currentRow() >= 0 && !DateCombo->currentText().trimmed().isEmpty();
}

std::string MainWindow::VenueRace(const std::string& raceKey) {
  return CourseName(Copy(raceKey, 9, 2), 2) + BlankPadNumStr(Copy(raceKey, 15, 2));
}

void MainWindow::SetExchangeStatus(const std::string& text) { ExchangeStatusLabel->SetCaption(Q(text)); }

void MainWindow::PollResults() {
  const std::string firstPost = FieldText(day_->Table.GRaTbl[0], layout::ra::kPostTime);
  if (ResultsPollDue(Clock::Now().HHMM(), firstPost, day_->GResultsPollMinutes)) FetchDayResults(true);
}

void MainWindow::FetchResults() { FetchDayResults(false); }

void MainWindow::FetchDayResults(bool timed) {
  // A request that arrives during another exchange waits for it; what it fetches is decided when it runs, so
  // it follows the day loaded by then.
  reader_->Gate().Run([this, timed] {
    if (!RaceChosen()) return;
    const std::string key = FieldText(day_->Table.GRaTbl[0], layout::head::kDateKey);
    if (StrToIntLenient(key) <= 0) return;
    const std::string& fetching = CORVINA_CP932("ﾚｰｽ情報データ取得中");
    const std::string& failed = CORVINA_CP932("R:ﾚｰｽ情報データ取得エラー：");
    failureShown_ = false;
    SetExchangeStatus(fetching);
    ProcessMessages();
    const int r = Link->JVRTOpen("0B12", key);
    if (r != 0) {
      if (!timed) Beep();
      const std::string shownKey = FieldText(day_->Table.GRaTbl[day_->GCurRace], layout::head::kRaceKey);
      reader_->ReportFailure(VenueRace(shownKey) + failed + JVErrorMessage("JVRTOpen", r));
    } else {
      reader_->ReadRaceRecords();
    }
    // Closed twice on purpose, also after a failed open. A close that reports a failure need not have ended the
    // exchange, and one left open makes every later open fail (-202); the second close, after the queued
    // messages ran, ends it. With nothing open JVClose returns 0 and reports nothing (the stand-in too), so
    // after a good first close the second costs nothing. Keep both.
    reader_->CloseAfterRaces(timed);
    // A failure stays on the label, else the user would never see what the log recorded.
    if (!failureShown_) SetExchangeStatus({});
    ProcessMessages();
    reader_->CloseAfterRaces(timed);
    if (!RereadResultsAfterFetch()) ShowChosenRace();
  });
}

bool MainWindow::RereadResultsAfterFetch() {
  const auto name = DayName::ParseUtf8Prefix(DateCombo->currentText().toStdString());
  if (!name) return false;
  const ResultsRereadOutcome outcome = corvina::RereadResults(*day_, *name);
  if (outcome.slotsChanged) {
    // New races moved the others to other slots: only a whole load files odds and cards by the new order.
    LoadChosenDay();
    return true;
  }
  if (outcome.shownNew && RaceList->currentRow() >= 0) {
    ShowChosenRace();
    return true;
  }
  return false;
}

void MainWindow::TakeRaceOdds(const std::string& raceKey, const std::string& fetching, const std::string& failed) {
  const std::string venueRace = VenueRace(raceKey);
  failureShown_ = false;
  SetExchangeStatus(venueRace + fetching);
  ProcessMessages();
  const int r = Link->JVRTOpen("0B30", raceKey);
  if (r != 0) {
    Beep();
    reader_->ReportFailure(venueRace + failed + JVErrorMessage("JVRTOpen", r));
  } else {
    reader_->ReadOddsRecords();
  }
  // Closed twice on purpose, also after a failed open, as FetchDayResults does: a close that reports a failure
  // need not have ended the exchange, and one left open would make the next race's open fail (-202). With
  // nothing open JVClose returns 0 and reports nothing, so after a good first close the second costs nothing.
  reader_->CloseAfterOdds();
  // A failure stays on the label, else the user would never see what the log recorded.
  if (!failureShown_) SetExchangeStatus({});
  ProcessMessages();
  reader_->CloseAfterOdds();
}

void MainWindow::FetchShownRaceOdds() {
  reader_->Gate().Run([this] {
    if (!RaceChosen()) return;
    const std::string key = FieldText(day_->Table.GRaTbl[day_->GCurRace], layout::head::kRaceKey);
    const std::string& fetching = CORVINA_CP932("オッズ取得中");
    const std::string& failed = CORVINA_CP932("R:ｵｯｽﾞ取得エラー：");
    TakeRaceOdds(key, fetching, failed);
    LoadChosenDay();
  });
}

// ---- Automatic odds ------------------------------------------------------------------------------------------

const char* MainWindow::AutoOddsDayRefusal(const QString& dayText) {
  const DateTime now = Clock::Now();
  if (dayText.isEmpty()) return "ﾃﾞｰﾀを読み込んでください。";
  if (dayText != QString::fromStdString(DayName(now.year, now.month, now.day).Display()))
    return "本日のﾃﾞｰﾀを読み込んでください。";
  return nullptr;
}

void MainWindow::RefuseAutoOdds(const char* refusal) {
  // Off before the message: its box lets the odds timer tick.
  {
    const QSignalBlocker quiet(AutoOddsCheck);
    AutoOddsCheck->setChecked(false);
  }
  StartOrStopAutoOdds();
  gui::MessageBeep(0);
  gui::ShowInformation(this, QString::fromUtf8(refusal));
}

void MainWindow::StartOrStopAutoOdds() {
  if (AutoOddsCheck->isChecked()) {
    // The day loaded in full, not the date box's text: a load that stopped early leaves no races to take.
    const char* refusal = AutoOddsDayRefusal(loadedDay_.trimmed());
    if (refusal == nullptr && HasEarlyCards(day_->Table))
      refusal = "出走表データが最新でありません。JVデータ取得ボタンよりデータを取得してからオッズを取得してください。";
    if (refusal == nullptr) {
      day_->GOddsTakenFirst.fill(0);
      day_->GOddsTakenSecond.fill(0);
      AutoOddsTimer->start();
      // Odds by hand would take the one JV-Link control between the timer's exchanges.
      ManualOddsButton->setEnabled(false);
      ManualOddsAction->setEnabled(false);
      return;
    }
    RefuseAutoOdds(refusal);
    return;
  }
  // Switching off always stops the timer, even when the day loaded meanwhile is no longer today's: a box
  // shown unchecked never leaves odds being taken behind the user's back.
  AutoOddsTimer->stop();
  ManualOddsButton->setEnabled(true);
  ManualOddsAction->setEnabled(true);
}

void MainWindow::TakeDueOdds() {
  if (DateCombo->currentText().trimmed().isEmpty()) return;
  const int delay = Settings.Read(kOddsDelayMinutes);
  // The due test is one exact minute: a race found while an exchange runs is queued, never skipped.
  for (std::string& key : QueueDueRaces(*day_, Clock::Now().HHMM(), delay)) oddsQueue_.push_back(std::move(key));
  if (!oddsQueue_.empty()) TakeQueuedOdds();
}

void MainWindow::TakeQueuedOdds() {
  // One pass at a time: races due while it waits for the gate, or while it runs, join its queue.
  if (oddsLoopPending_ || oddsQueue_.empty()) return;
  oddsLoopPending_ = true;
  reader_->Gate().Run([this] {
    struct Pending {
      bool& flag;
      RealTimeReader& reader;
      ~Pending() {
        flag = false;
        reader.EndPass();
      }
    } pending{oddsLoopPending_, *reader_};
    reader_->BeginPass();
    const std::string& fetching = CORVINA_CP932("R ｵｯｽﾞ取得中");
    const std::string& failed = CORVINA_CP932("R:");
    std::string lastFailure;
    bool taken = false;
    while (!oddsQueue_.empty()) {
      const std::string key = oddsQueue_.front();
      oddsQueue_.pop_front();
      taken = true;
      TakeRaceOdds(key, fetching, failed);
      if (failureShown_) lastFailure = lastFailure_;
    }
    // The next race's progress text hid an earlier failure: the last one stays in view after the pass.
    SetExchangeStatus(lastFailure);
    // A tick during the reload starts a pass of its own, after this one.
    pending.flag = false;
    if (taken) LoadChosenDay();
  });
}

void MainWindow::Beep() { gui::MessageBeep(0); }

void MainWindow::SetStatusLabel(const std::string& text) {
  failureShown_ = true;
  lastFailure_ = text;
  SetExchangeStatus(text);
}

void MainWindow::Inform(const std::string& text) { gui::ShowInformation(this, Q(text)); }

// User input waits, so nobody changes or reloads the day while records are merged into it.
void MainWindow::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

// ---- Commands that open other windows --------------------------------------------------------------------------

void MainWindow::ShowOddsSchedule() { OddsScheduleWindow::Execute(*day_, DateCombo->currentText(), this); }

// A new delay counts from the odds timer's next tick, which reads the setting afresh.
void MainWindow::SetOddsDelay() { OddsDelayWindow::Execute(AppDir, this); }

// A new interval counts from the next day load, which arms the results poll.
void MainWindow::SetResultsPollInterval() { ResultsPollIntervalWindow::Execute(AppDir, this); }

void MainWindow::ImportPredictedOdds() { PredictedOddsCommands::ChooseAndImportArchive(this, *day_); }

void MainWindow::ChoosePredictedOddsFolder() {
  PredictedOddsCommands::ChooseArchiveFolder(this, *FolderDialog, AppDir);
}

void MainWindow::ShowHelp() { ShowHelpContents(this, HelpFile); }

// Before the first showing Version is still empty; the version is the same.
void MainWindow::ShowVersion() {
  ShowAboutBox(this, Version.isEmpty() ? QString::fromLatin1(kProgramVersion) : Version);
}

void MainWindow::ExitProgram() { close(); }

void MainWindow::SetUpPrinter() { PrintSetup(this); }

void MainWindow::CopyRaceCard() {
  const int s = day_->GCurRace;
  const std::string key = s >= 0 && s < kSlots ? day_->Races[s].RaceKey : std::string();
  CopyRaceCardToClipboard(*RaceCardGrid, DateHeaderLabel->Caption(), key);
}

// ---- Manual odds, time-series odds, odds clearing -------------------------------------------------------------

void MainWindow::ShowManualOddsWindow() {
  ManualOddsContext context{*day_,
                            *Link,
                            reader_->Gate(),
                            DateCombo->currentText(),
                            [this] { LoadChosenDay(); },
                            [this] { AutoOddsCheck->setChecked(false); }};
  ManualOddsWindow::Execute(this, context);
}

std::filesystem::path MainWindow::TimeSeriesFolder() {
  const std::string value = Trim(Settings.Read(kTimeSeriesFolder));
  // Empty (the default) or the program folder: no folder was chosen.
  if (value.empty() || ProgramFolder(FromCp932(value)) == AppDir) return {};
  return std::filesystem::path(FromCp932(value));
}

void MainWindow::ChooseTimeSeriesFolder() {
  FolderDialog->Caption = QStringLiteral("時系列ｵｯｽﾞﾃﾞｰﾀﾌｫﾙﾀﾞの指定");
  const std::filesystem::path current = TimeSeriesFolder();
  FolderDialog->SelectedFolder = QString::fromStdString((current.empty() ? AppDir : current).string());
  if (!FolderDialog->Execute()) return;
  const std::string chosen = FolderDialog->ChosenFolder.toStdString();
  // The settings file is CP932: a folder name it cannot spell would come back as another folder.
  if (FromCp932(ToCp932(chosen)) != chosen) {
    gui::MessageBeep(0);
    gui::ShowInformation(this,
                         QStringLiteral("このﾌｫﾙﾀﾞ名は設定ﾌｧｲﾙに保存できません。\n") + FolderDialog->ChosenFolder);
    return;
  }
  try {
    Settings.Write(kTimeSeriesFolder, ToCp932(chosen));
  } catch (const SettingsFileError& e) {
    gui::ShowError(this, QString::fromStdString(e.what()));
  }
}

void MainWindow::ImportTimeSeriesOdds() {
  const std::filesystem::path folder = TimeSeriesFolder();
  if (folder.empty()) {
    gui::MessageBeep(0);
    gui::ShowInformation(this, QStringLiteral("時系列ｵｯｽﾞﾌｫﾙﾀﾞ指定をしてください。"));
    return;
  }
  if (DateCombo->currentText().trimmed().isEmpty()) {
    gui::MessageBeep(0);
    gui::ShowInformation(this, QStringLiteral("ｵｯｽﾞを読み込みたい当日の開催日ﾃﾞｰﾀを読み込んでください。"));
    return;
  }
  const TimeSeriesResult result = ImportTimeSeries(*day_, folder);
  if (result.failed) {
    gui::MessageBeep(0);
    gui::ShowWarning(this, QStringLiteral("データファイルに書き込めません：") + QString::fromStdString(result.error));
  }
  // What was saved before a failure stays saved, and the summary says how far the import came; a failure that
  // saved nothing has nothing to sum up.
  if (!result.failed || result.morning + result.latest + result.quinella > 0)
    gui::ShowInformation(this, Q(TimeSeriesSummary(result)));
  LoadChosenDay();
}

void MainWindow::ClearOddsOfEveryRace() {
  const auto name = DayName::ParseUtf8Prefix(DateCombo->currentText().trimmed().toStdString());
  if (!name) {
    gui::MessageBeep(0);
    gui::ShowInformation(this, QStringLiteral("データが読み込まれていません。"));
    return;
  }
  if (!gui::AskYesNo(this, QStringLiteral("全レースのオッズを消去します。実行しますか？"))) return;
  std::string error;
  if (!ClearAllOdds(day_->DataDir(), *name, &error))
    gui::ShowWarning(this, QStringLiteral("データファイルに書き込めません：") + QString::fromStdString(error));
  LoadChosenDay();
  if (RaceList->count() == 0) return;
  SelectRaceLine(0);
  ShowChosenRace();
}

void MainWindow::ClearOddsOfShownRace() {
  const auto name = DayName::ParseUtf8Prefix(DateCombo->currentText().trimmed().toStdString());
  if (!name) {
    gui::MessageBeep(0);
    gui::ShowInformation(this, QStringLiteral("データが読み込まれていません。"));
    return;
  }
  // Only a race of the list shown: after a load that stopped early the slot would name no race, or another.
  const int g = day_->GCurRace;
  if (g < 0 || g >= day_->GRaceTotal || g >= RaceList->count() || RaceList->currentRow() != g) {
    gui::MessageBeep(0);
    gui::ShowInformation(this, QStringLiteral("オッズを消去するレースを表示してください。"));
    return;
  }
  if (!gui::AskYesNo(this, QStringLiteral("当レースのオッズを消去します。実行しますか？"))) return;
  std::string error;
  if (!ClearRaceOdds(day_->DataDir(), *name, g, &error))
    gui::ShowWarning(this, QStringLiteral("データファイルに書き込めません：") + QString::fromStdString(error));
  LoadChosenDay();
  const int shown = day_->GCurRace;
  if (shown < 0 || shown >= RaceList->count()) return;
  SelectRaceLine(shown);
  ShowChosenRace();
}

// ---- Hit window, hit report, race pages ---------------------------------------------------------------------

void MainWindow::ShowHitWindow() {
  analysis::ShowHitWindow(this, *day_, ToCp932(DateCombo->currentText().trimmed().toStdString()), RaceList->count());
}

void MainWindow::ShowHitReport(bool longshot) {
  analysis::WriteHitReport(this, *day_, longshot ? analysis::HitReportKind::Longshot : analysis::HitReportKind::All);
  // The report went through every race of the day; the view is left on the last one.
  if (RaceList->count() == 0) return;
  SelectRaceLine(RaceList->count() - 1);
  ShowChosenRace();
}

void MainWindow::PrintRacePages() {
  BatchPrintWindow::ShowForDay(*day_, DateCombo->currentText(), RaceList->count(), LocalOptionAction->isChecked(),
                               this);
}

// ---- Lifecycle ----------------------------------------------------------------------------------------------

void MainWindow::StoreBoundsBeforeClose(bool& canClose) {
  StoreWindowBounds(*this, Settings, kMainWindowBounds, bounds_.ToStore(*this));
  canClose = true;
}

void MainWindow::FinishClosing() {
  // Help opens in the desktop's own viewer, which the program cannot close; nothing to do.
}

void MainWindow::closeEvent(QCloseEvent* e) {
  bool canClose = true;
  StoreBoundsBeforeClose(canClose);
  if (!canClose) {
    e->ignore();
    return;
  }
  FinishClosing();
  e->accept();
}

}  // namespace corvina
