#pragma once
// The main window's real-time exchanges: JV-Link's start at the first showing, the read loops that merge
// real-time odds (O1, O2) and race records (RA, SE, HR) into the day files, the closes after them, and the gate
// that keeps to one exchange at a time. Plain C++: the main window supplies its status label, beep, message
// loop and error box through RealTimeUi.
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/jvlink/JVLink.h"
#include "racedata/DayFiles.h"
#include "racedata/DayModel.h"
#include "racedata/ExchangeGate.h"

namespace corvina {

// Sent with the software id to JVInit and shown in the About box.
inline constexpr const char* kProgramVersion = "Ver.1.28";
inline constexpr const char* kSoftwareId = "SA501927/SD774310/Corvina/";

// How the read of an open exchange ended.
struct ReadEnd {
  int jvRead = 0;            // the JVRead failure (<= -4) that stopped it, else 0
  bool storeFailed = false;  // a day file could not be read or saved; `error` says why
  std::string error;
  bool Ok() const { return jvRead == 0 && !storeFailed; }
};

using RecordStore = std::function<MergeResult(const std::string& record, std::string& error)>;

// Reads an open exchange to its end, letting window messages run once per record and handing each record to
// `store`, which merges it into `files`; the "file switch" and "download pending" results are read past. Stops
// at a JVRead failure or at the first day file that cannot be read or saved, rather than drop every later
// record unseen. The changed day files are saved during a long read and once more however the read ends.
// `stored` counts the records merged.
ReadEnd ReadExchange(JVLink& link, const std::function<void()>& processMessages, DayFileBatch& files,
                     const RecordStore& store, int& stored);

// One record of an odds exchange ("0B30"): O1 into .jvO1, O2 into .jvO2 by the day's slots; other kinds, and with
// `skipProvisional` the snapshots of data kind "0" and "9", are skipped.
MergeResult MergeOddsRecord(DayFileBatch& files, const RaceTable& table, const std::string& record,
                            bool skipProvisional, std::string& error);

// What the exchanges do to the main window. Texts are CP932.
class RealTimeUi {
 public:
  virtual ~RealTimeUi() = default;
  virtual void Beep() = 0;
  // The status label of the main window.
  virtual void SetStatusLabel(const std::string& text) = 0;
  // An information box (only the start's JVInit failure uses one).
  virtual void Inform(const std::string& text) = 0;
  // Lets queued window messages run, user input excepted, once per record.
  virtual void ProcessMessages() = 0;
};

class RealTimeReader {
 public:
  // `day` is the loaded day (its race table places the odds records); the day files are in day.DataDir().
  RealTimeReader(JVLink& link, DayModel& day, RealTimeUi& ui);

  // Run when the main window first shows: JVInit with the software id and version. A failure is shown as
  // "JVInitエラーが発生しました。：" + the code, and the program goes on. Returns JVInit's result.
  int InitLink();

  // Reads an open "0B30" exchange: O1 into .jvO1, O2 into .jvO2 by the loaded day's slots. The manual odds
  // window also skips snapshots of data kind "0" and "9" (`skipProvisional`).
  void ReadOddsRecords(bool skipProvisional = false);
  // JVClose after odds; a failure beeps, shows its text in the status label and is logged.
  int CloseAfterOdds();
  // Reads an open "0B12" exchange: RA, SE and HR into the day files that exist (.jvHR is created).
  void ReadRaceRecords();
  // JVClose after race records; a failure is shown and logged without a beep; success beeps unless the
  // results poll runs (`resultsPoll`).
  int CloseAfterRaces(bool resultsPoll);

  // Shows `text` in the status label and appends it to the error log.
  void ReportFailure(const std::string& text);

  // Between the two, a pass over several races reports each failure to read or save a day file once: the races
  // of a day share its day files, so the races after the first would only repeat it.
  void BeginPass();
  void EndPass();

  JVLink& Link() { return link_; }
  ExchangeGate& Gate() { return gate_; }
  // Records merged by the last read loop.
  int StoredCount() const { return stored_; }

 private:
  // ReadExchange with its failure beeped (`beepOnError`), shown and logged.
  void ReadLoop(bool beepOnError, DayFileBatch& files, const RecordStore& store);

  JVLink& link_;
  DayModel& day_;
  RealTimeUi& ui_;
  ExchangeGate gate_;
  int stored_ = 0;
  bool inPass_ = false;
  std::vector<std::string> passStoreFailures_;
};

}  // namespace corvina
