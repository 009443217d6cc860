#pragma once
// "ＪＶデータ取込": the stored-data import window. It holds the controls and forwards clicks and timer ticks to
// StoredImport, which does the work.
#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <memory>

#include "components/SettingsFile.h"
#include "racedata/StoredImport.h"

class QDateTimeEdit;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;

namespace corvina {

class Label3D;

class StoredImportWindow : public QDialog, private StoredImportUi {
  Q_OBJECT
 public:
  // `rebuildDayList` lists the stored days again in the main window and runs when the window closes; `gate` is
  // the main window's one-exchange-at-a-time gate (none in tests of the window alone).
  StoredImportWindow(JVLink& link, const std::filesystem::path& appDir, std::function<void()> rebuildDayList,
                     ExchangeGate* gate = nullptr, QWidget* parent = nullptr);
  ~StoredImportWindow() override;

  // Creates the window, shows it modally and frees it when closed.
  static void Execute(JVLink& link, const std::filesystem::path& appDir, std::function<void()> rebuildDayList,
                      ExchangeGate* gate, QWidget* parent);

  StoredImport& Logic() { return *import_; }

  // The window's controls.
  QPushButton* LinkSettingsButton = nullptr;
  QPushButton* StartButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QRadioButton* NormalDataRadioButton = nullptr;
  QRadioButton* ThisWeekDataRadioButton = nullptr;
  QRadioButton* SetupDataRadioButton = nullptr;
  QDateTimeEdit* StartTimeEdit = nullptr;
  QLabel* StartTimeStampLabel = nullptr;
  QProgressBar* DownloadProgressBar = nullptr;
  QProgressBar* ReadProgressBar = nullptr;
  Label3D* ProgressLabel = nullptr;
  QListWidget* WrittenDataList = nullptr;
  QTimer* DownloadStatusTimer = nullptr;

  // JV-Link's own settings dialog.
  void ShowLinkSettings();
  // Starts an import of the chosen data kind from the shown start time.
  void StartImport();
  void CancelImport();
  // A tick of the status timer: follows the download and, once it is done, reads the files.
  void PollDownloadStatus();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void reject() override;

 private:
  void BuildControls();
  // After every click or tick: shows the new lines, lets Start be pressed while idle, and closes if asked to.
  void UpdateAfterImportStep();
  bool PrepareClose();
  // Adds the lines stored since the last repaint to the list at once and scrolls to the last one.
  void ShowPendingLines();

  // StoredImportUi
  void Beep() override;
  void Inform(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  void SetProgressLabel(const std::string& text) override;
  void SetDownloadBar(int position, int max) override;
  void SetReadBar(int position, int max) override;
  void ClearList() override;
  void AddListLine(const std::string& text) override;
  void RemoveListLines(const std::vector<int>& rows) override;
  void SetStatusTimer(bool on) override;
  void SetBusyCursor(bool on) override;
  void ShowStartTime(const DateTime& t) override;
  void ProcessMessages() override;

  SettingsFile settings_;
  std::unique_ptr<StoredImport> import_;
  std::function<void()> rebuildDayList_;
  bool closePending_ = false;
  bool dayListRebuilt_ = false;
  bool cursorSet_ = false;
  QStringList pendingLines_;
  QElapsedTimer linesShown_;
};

}  // namespace corvina
