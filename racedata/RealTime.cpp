#include "racedata/RealTime.h"

#include <algorithm>

#include "platform/Cp932.h"
#include "platform/Text.h"
#include "racedata/DayFiles.h"
#include "racedata/ErrorLog.h"
#include "racedata/JVMessages.h"
#include "racedata/RecordLayout.h"

namespace corvina {

RealTimeReader::RealTimeReader(JVLink& link, DayModel& day, RealTimeUi& ui) : link_(link), day_(day), ui_(ui) {}

int RealTimeReader::InitLink() {
  const std::string& failed = CORVINA_CP932("JVInitエラーが発生しました。：");
  const int r = link_.JVInit(std::string(kSoftwareId) + kProgramVersion);
  if (r != 0) ui_.Inform(failed + std::to_string(r));
  return r;
}

void RealTimeReader::ReportFailure(const std::string& text) {
  ShowAndLogFailure(day_.AppDir, text, [this](const std::string& shown) { ui_.SetStatusLabel(shown); });
}

ReadEnd ReadExchange(JVLink& link, const std::function<void()>& processMessages, DayFileBatch& files,
                     const RecordStore& store, int& stored) {
  stored = 0;
  ReadEnd end;
  std::string record, fileName;
  for (;;) {
    processMessages();
    if (!files.FlushWhenDue(&end.error)) {
      end.storeFailed = true;
      break;
    }
    const int r = link.JVRead(record, kJVReadBufferSize, fileName);
    if (r == 0) break;
    if (r == -1 || r == -2 || r == -3) continue;
    if (r <= -4) {
      end.jvRead = r;
      break;
    }
    const MergeResult m = store(record, end.error);
    if (m == MergeResult::Stored) ++stored;
    if (m == MergeResult::Failed) {
      end.storeFailed = true;
      break;
    }
  }
  // What was read before the end, an error or a file that failed stays stored.
  std::string error;
  if (!files.Flush(&error) && !end.storeFailed) {
    end.storeFailed = true;
    end.error = error;
  }
  return end;
}

MergeResult MergeOddsRecord(DayFileBatch& files, const RaceTable& table, const std::string& record,
                            bool skipProvisional, std::string& error) {
  const std::string kind = Copy(record, 1, 2);
  const std::string dataKind = Copy(record, 3, 1);
  if (skipProvisional && (dataKind == "0" || dataKind == "9")) return MergeResult::Skipped;
  if (kind == layout::kKindO1) return MergeO1Record(files, table, record, &error);
  if (kind == layout::kKindO2) return MergeO2Record(files, table, record, &error);
  return MergeResult::Skipped;
}

void RealTimeReader::ReadLoop(bool beepOnError, DayFileBatch& files, const RecordStore& store) {
  const ReadEnd end = ReadExchange(
      link_, [this] { ui_.ProcessMessages(); }, files, store, stored_);
  if (end.Ok()) return;
  const std::string& cannotWrite = CORVINA_CP932("データファイルに書き込めません：");
  const std::string text = end.storeFailed ? cannotWrite + ToCp932(end.error) : JVErrorMessage("JVRead", end.jvRead);
  if (end.storeFailed && inPass_) {
    if (std::find(passStoreFailures_.begin(), passStoreFailures_.end(), text) != passStoreFailures_.end()) return;
    passStoreFailures_.push_back(text);
  }
  if (beepOnError) ui_.Beep();
  ReportFailure(text);
}

void RealTimeReader::BeginPass() {
  inPass_ = true;
  passStoreFailures_.clear();
}

void RealTimeReader::EndPass() {
  inPass_ = false;
  passStoreFailures_.clear();
}

void RealTimeReader::ReadOddsRecords(bool skipProvisional) {
  DayFileBatch files(day_.DataDir());
  ReadLoop(true, files, [&](const std::string& record, std::string& error) {
    return MergeOddsRecord(files, day_.Table, record, skipProvisional, error);
  });
}

void RealTimeReader::ReadRaceRecords() {
  DayFileBatch files(day_.DataDir());
  ReadLoop(false, files, [&](const std::string& record, std::string& error) {
    const std::string kind = Copy(record, 1, 2);
    if (kind == layout::kKindRA) return MergeRaRecord(files, record, DayWriter::RealTime, &error);
    if (kind == layout::kKindSE) return MergeSeRecord(files, record, DayWriter::RealTime, &error);
    if (kind == layout::kKindHR) return MergeHrRecord(files, record, DayWriter::RealTime, &error);
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

int RealTimeReader::CloseAfterRaces(bool resultsPoll) {
  const int r = link_.JVClose();
  if (r != 0)
    ReportFailure(JVErrorMessage("JVClose", r));
  else if (!resultsPoll)
    ui_.Beep();
  return r;
}

}  // namespace corvina
