#pragma once
// "ＪＶデータ取込": the stored-data import window. It holds the controls and forwards clicks and timer ticks to
// StoredImport, which does the work.
#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <memory>

#include "components/IniGT.h"
#include "racedata/StoredImport.h"

class QDateTimeEdit;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;

namespace corvina {

class TLabel3Dj;

class TGetDataForm : public QDialog, private StoredImportUi {
  Q_OBJECT
 public:
  // `makeDataList` is the main window's day-list rebuild, run when the window closes; `gate` is the main
  // window's one-exchange-at-a-time gate (none in tests of the window alone).
  TGetDataForm(JVLink& link, const std::filesystem::path& appDir, std::function<void()> makeDataList,
               ExchangeGate* gate = nullptr, QWidget* parent = nullptr);
  ~TGetDataForm() override;

  // Creates the window, shows it modally and frees it when closed.
  static void Execute(JVLink& link, const std::filesystem::path& appDir, std::function<void()> makeDataList,
                      ExchangeGate* gate, QWidget* parent);

  StoredImport& Logic() { return *import_; }

  // Controls, named as the window's own.
  QPushButton* SpeedButton1 = nullptr;
  QPushButton* ButtonStart = nullptr;
  QPushButton* ButtonCancel = nullptr;
  QRadioButton* rbtNormal = nullptr;
  QRadioButton* rbtIsthisweek = nullptr;
  QRadioButton* rbtSetup = nullptr;
  QDateTimeEdit* DateTimePicker1 = nullptr;
  QLabel* Label5 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QProgressBar* ProgressBar2 = nullptr;
  TLabel3Dj* ProgressLabel = nullptr;
  QListWidget* ListBox1 = nullptr;
  QTimer* TimerJVStatus = nullptr;

  void SpeedButton1Click();
  void ButtonStartClick();
  void ButtonCancelClick();
  void TimerJVStatusTimer();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void reject() override;

 private:
  void BuildControls();
  void AfterHandler();
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
  void SetStatusTimer(bool on) override;
  void SetBusyCursor(bool on) override;
  void ShowStartTime(const DateTime& t) override;
  void ProcessMessages() override;

  TIniGT IniGT1;
  std::unique_ptr<StoredImport> import_;
  std::function<void()> makeDataList_;
  bool closePending_ = false;
  bool dayListRebuilt_ = false;
  bool cursorSet_ = false;
  QStringList pendingLines_;
  QElapsedTimer linesShown_;
};

}  // namespace corvina
