#include "racedata/RealTime.h"

#include "platform/Cp932.h"
#include "platform/Text.h"
#include "racedata/DayFiles.h"
#include "racedata/ErrorLog.h"
#include "racedata/JVMessages.h"
#include "racedata/RecordLayout.h"

namespace corvina {

RealTimeReader::RealTimeReader(JVLink& link, DayModel& day, RealTimeUi& ui) : link_(link), day_(day), ui_(ui) {}

int RealTimeReader::FormShow() {
  static const std::string failed = ToCp932("JVInitエラーが発生しました。：");
  const int r = link_.JVInit(std::string(kSoftwareId) + kFVersion);
  if (r != 0) ui_.Inform(failed + std::to_string(r));
  return r;
}

void RealTimeReader::ReportFailure(const std::string& text) {
  ui_.SetStatusLabel(text);
  std::string error;
  if (!AppendErrorLog(day_.FAppDir, text, &error)) {
    // The log is the only record of the failure; say so where the user looks.
    static const std::string noLog = ToCp932(" (ErrorLog.txt: ");
    ui_.SetStatusLabel(text + noLog + ToCp932(error) + ")");
  }
}

template <typename Store>
void RealTimeReader::ReadLoop(bool beepOnError, Store store) {
  stored_ = 0;
  std::string record, fileName;
  for (;;) {
    ui_.ProcessMessages();
    const int r = link_.JVRead(record, kJVReadBufferSize, fileName);
    if (r == 0) return;
    if (r == -1 || r == -2 || r == -3) continue;
    if (r <= -4) {
      if (beepOnError) ui_.Beep();
      ReportFailure(JVErrorMessage("JVRead", r));
      return;
    }
    std::string error;
    const MergeResult m = store(record, error);
    if (m == MergeResult::Stored) ++stored_;
    if (m == MergeResult::Failed) {
      // A day file that cannot be written: stop rather than drop every later record unseen.
      static const std::string cannotWrite = ToCp932("データファイルに書き込めません：");
      if (beepOnError) ui_.Beep();
      ReportFailure(cannotWrite + ToCp932(error));
      return;
    }
  }
}

void RealTimeReader::ReadOddsRecords(bool skipProvisional) {
  const auto dataDir = day_.DataDir();
  ReadLoop(true, [&](const std::string& record, std::string& error) {
    const std::string kind = Copy(record, 1, 2);
    const std::string dataKind = Copy(record, 3, 1);
    if (skipProvisional && (dataKind == "0" || dataKind == "9")) return MergeResult::Skipped;
    if (kind == layout::kKindO1) return MergeO1Record(dataDir, day_.Table, record, &error);
    if (kind == layout::kKindO2) return MergeO2Record(dataDir, day_.Table, record, &error);
    return MergeResult::Skipped;
  });
}

void RealTimeReader::ReadRaceRecords() {
  const auto dataDir = day_.DataDir();
  ReadLoop(false, [&](const std::string& record, std::string& error) {
    const std::string kind = Copy(record, 1, 2);
    if (kind == layout::kKindRA) return MergeRaRecord(dataDir, record, DayWriter::RealTime, &error);
    if (kind == layout::kKindSE) return MergeSeRecord(dataDir, record, DayWriter::RealTime, &error);
    if (kind == layout::kKindHR) return MergeHrRecord(dataDir, record, DayWriter::RealTime, &error);
    return MergeResult::Skipped;
  });
}

int RealTimeReader::CloseAfterOdds() {
  const int r = link_.JVClose();
  if (r != 0) {
    ui_.Beep();
    ReportFailure(JVErrorMessage("JVClose", r));
  }
  return r;
}

int RealTimeReader::CloseAfterRaces(bool autoKekka) {
  const int r = link_.JVClose();
  if (r != 0) ReportFailure(JVErrorMessage("JVClose", r));
  else if (!autoKekka) ui_.Beep();
  return r;
}

}  // namespace corvina
