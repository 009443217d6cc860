#pragma once
// The stored-data import of the import window: opens the service's "RACE" data from a start time, waits for the
// downloads, reads every record into the day files and moves the start time on. Plain C++: the window hands in
// its controls through StoredImportUi and forwards its clicks and timer ticks.
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/SortedList.h"
#include "platform/jvlink/JVLink.h"
#include "racedata/DayFiles.h"
#include "racedata/ExchangeGate.h"

namespace corvina {

class SettingsFile;

// What the import does to its window. Texts are CP932.
class StoredImportUi {
 public:
  virtual ~StoredImportUi() = default;
  virtual void Beep() = 0;
  virtual void Inform(const std::string& text) = 0;   // information box with OK
  virtual bool Confirm(const std::string& text) = 0;  // Yes / No question; true on Yes
  virtual void SetProgressLabel(const std::string& text) = 0;
  virtual void SetDownloadBar(int position, int max) = 0;
  virtual void SetReadBar(int position, int max) = 0;
  virtual void ClearList() = 0;
  virtual void AddListLine(const std::string& text) = 0;
  // Takes lines off the list: `rows` ascending, counted from 0 at the first line added since ClearList.
  virtual void RemoveListLines(const std::vector<int>& rows) = 0;
  virtual void SetStatusTimer(bool on) = 0;
  virtual void SetBusyCursor(bool on) = 0;
  virtual void ShowStartTime(const DateTime& t) = 0;  // the start-time picker and its hidden label
  // Lets queued window messages run (once per record read).
  virtual void ProcessMessages() = 0;
};

class StoredImport {
 public:
  enum class State { Idle, Downloading, Reading };

  StoredImport(JVLink& link, std::filesystem::path appDir, const SettingsFile& settings, StoredImportUi& ui);

  // The start time from the settings (kStoredImportStart); now minus 8 days when missing or unreadable.
  DateTime LoadStartTime();
  void SetStartTime(const DateTime& t) { startTime_ = t; }
  // The main window's gate: the import holds it from the open to the close, so no timer of the main window
  // starts a second exchange on the one control meanwhile (its work waits and runs after the close).
  void SetGate(ExchangeGate* gate) { gate_ = gate; }
  // 1 = normal data, 2 = this week's meetings.
  void SetOption(int option) { option_ = option; }
  // How long the records read may wait in memory before their day files are saved (tests shorten it).
  void SetFlushInterval(std::chrono::milliseconds interval) { flushInterval_ = interval; }

  // Opens the data service's own settings dialog (the "JVLink設定" command); a failure is shown.
  void SetUIProperties();
  // Starts an import (the "データ取込み開始" command).
  void Start();
  // One beat of the 10 ms status timer while files download.
  void StatusTick();
  // Stops a running import (the "データ取込み中止" command).
  void Cancel();
  // The window is closing: a running download is cancelled and its exchange closed; a running read is told to
  // stop. Returns true when the window may close now; false while a read is still on the stack (close once it returns).
  bool PrepareToClose();

  State CurrentState() const { return state_; }
  bool Busy() const { return state_ != State::Idle; }
  // The day race files written by the last run (full paths, each once).
  const SortedList& WrittenRaFiles() const { return writtenRa_; }
  // Records stored by the last run.
  int StoredCount() const { return stored_; }

 private:
  void Read();
  void ReadRecords();
  void StoreRecord(const std::string& record);
  // A record stored into the batch's `file` gets its line on the list.
  void ListStored(const std::string& line, const std::filesystem::path& file);
  void SaveDayFiles();
  // The lines of records whose file the last save could not write leave the list.
  void RemoveUnsavedLines();
  void CloseExchange();
  void EndExchange();
  // Lets the main window's waiting work run, once the import has finished with its exchange and its files.
  void ReleaseGateWhenIdle();
  void Finish();
  // Stops the run at the first day file that cannot be read or saved; the end of the read reports it.
  void FailWrite(const std::string& error);

  JVLink& link_;
  std::filesystem::path appDir_;
  const SettingsFile& settings_;
  StoredImportUi& ui_;
  DateTime startTime_;
  int option_ = 2;
  ExchangeGate* gate_ = nullptr;
  bool gateHeld_ = false;

  State state_ = State::Idle;
  bool cancelled_ = false;
  bool completed_ = false;  // the read reached the end of the data
  bool writeFailed_ = false;
  std::string writeError_;  // the first, the one the run's message gives
  int readCount_ = 0;
  int downloadCount_ = 0;
  int fromDate_ = 0;
  std::string lastFileTimestamp_;
  SortedList writtenRa_;
  int stored_ = 0;
  // The list's lines since the last save that went through, with the file of each; a flush that fails leaves
  // the lines of the files it could not write here.
  struct ListedLine {
    int row;
    std::filesystem::path file;
  };
  std::vector<ListedLine> unsavedLines_;
  int listed_ = 0;
  // The day files of the running read; saved every flush interval and at its end, however it ends.
  std::optional<DayFileBatch> files_;
  std::chrono::milliseconds flushInterval_ = DayFileBatch::kFlushInterval;
};

}  // namespace corvina
