#include "racedata/StoredImport.h"

#include "components/SettingsFile.h"
#include "platform/Cp932.h"
#include "platform/Text.h"
#include "racedata/DayFiles.h"
#include "racedata/JVMessages.h"
#include "racedata/RecordLayout.h"

namespace corvina {
namespace fs = std::filesystem;

namespace {

std::string Progress(const std::string& head, int n, int of) {
  return head + std::to_string(n) + "/" + std::to_string(of) + ")";
}

// "yyyy/mm/dd hh:nn:ss" -> time; false unless every field is a number in range.
bool ParseStamp(const std::string& s, DateTime& t) {
  if (s.size() != 19 || s[4] != '/' || s[7] != '/' || s[10] != ' ' || s[13] != ':' || s[16] != ':') return false;
  for (int i : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18})
    if (s[i] < '0' || s[i] > '9') return false;
  t = DateTime{std::stoi(s.substr(0, 4)),  std::stoi(s.substr(5, 2)),  std::stoi(s.substr(8, 2)),
               std::stoi(s.substr(11, 2)), std::stoi(s.substr(14, 2)), std::stoi(s.substr(17, 2))};
  if (t.year < 1 || t.month < 1 || t.month > 12 || t.day < 1 || t.hour > 23 || t.minute > 59 || t.second > 59)
    return false;
  // A day the month does not have (a hand-edited "2024/02/30") is not a time the picker can show.
  int y = 0, m = 0, d = 0;
  CivilFromDays(DaysFromCivil(t.year, t.month, t.day), y, m, d);
  return y == t.year && m == t.month && d == t.day;
}

// "yyyymmddhhnnss" -> time.
bool ParseCompact(const std::string& s, DateTime& t) {
  if (s.size() != 14) return false;
  return ParseStamp(s.substr(0, 4) + "/" + s.substr(4, 2) + "/" + s.substr(6, 2) + " " + s.substr(8, 2) + ":" +
                        s.substr(10, 2) + ":" + s.substr(12, 2),
                    t);
}

std::string FileNameCp932(const fs::path& p) {
  const std::u8string s = p.filename().u8string();
  return ToCp932(std::string(s.begin(), s.end()));
}

}  // namespace

StoredImport::StoredImport(JVLink& link, fs::path appDir, const SettingsFile& settings, StoredImportUi& ui)
    : link_(link), appDir_(std::move(appDir)), settings_(settings), ui_(ui) {
  startTime_ = AddSeconds(Clock::Now(), -8LL * 86400);
}

DateTime StoredImport::LoadStartTime() {
  const DateTime fallback = AddSeconds(Clock::Now(), -8LL * 86400);
  const std::string text = settings_.Read(kStoredImportStart, fallback.Stamp());
  DateTime t;
  startTime_ = ParseStamp(text, t) ? t : fallback;
  ui_.ShowStartTime(startTime_);
  return startTime_;
}

void StoredImport::SetUIProperties() {
  if (Busy()) return;  // the one control is in an exchange
  const int r = link_.JVSetUIProperties();
  if (r != 0) {
    ui_.Beep();
    ui_.Inform(CORVINA_CP932("JVSetUIPropertiesエラー：") + JVErrorMessage("JVSetUIProperties", r));
  }
}

void StoredImport::Start() {
  if (Busy()) return;
  const DateTime& s = startTime_;
  ui_.Inform(FormatZero(s.year, 4) + CORVINA_CP932("年") + FormatZero(s.month, 2) + CORVINA_CP932("月") +
             FormatZero(s.day, 2) + CORVINA_CP932("日") + FormatZero(s.hour, 2) + CORVINA_CP932("時") +
             FormatZero(s.minute, 2) + CORVINA_CP932("分") + FormatZero(s.second, 2) + CORVINA_CP932("秒") +
             CORVINA_CP932("以降のデータ取込を開始します。データ作成が終了するまで本ソフトを操作したり他のアプリケーシ"
                           "ョンを操作することは極力避けてください。"));
  ui_.SetStatusTimer(false);
  cancelled_ = completed_ = writeFailed_ = false;
  writeError_.clear();
  stored_ = 0;
  ui_.SetDownloadBar(0, 100);
  ui_.SetReadBar(0, 100);
  ui_.ClearList();
  unsavedLines_.clear();
  listed_ = 0;
  writtenRa_.Clear();

  if (gate_ && !gate_->TryEnter()) {
    ui_.Beep();
    ui_.Inform(CORVINA_CP932("JVOpenエラー:") + JVErrorMessage("JVOpen", -202));
    return;
  }
  gateHeld_ = gate_ != nullptr;
  const std::string fromTime = s.Compact();
  fromDate_ = StrToIntLenient(fromTime.substr(0, 8));
  ui_.SetBusyCursor(true);
  readCount_ = downloadCount_ = 0;
  lastFileTimestamp_.clear();
  const int r = link_.JVOpen("RACE", fromTime, option_, readCount_, downloadCount_, lastFileTimestamp_);
  // The exchange counts as open from here on, whatever the result, so every path below closes it.
  state_ = State::Reading;
  if (r == -1 || (r == 0 && readCount_ == 0)) {
    ui_.Beep();
    ui_.Inform(CORVINA_CP932("最新のRACEデータがありません。"));
    CloseExchange();
    ReleaseGateWhenIdle();
    return;
  }
  if (r != 0) {
    ui_.Beep();
    ui_.Inform(CORVINA_CP932("JVOpenエラー:") + JVErrorMessage("JVOpen", r));
    CloseExchange();
    ReleaseGateWhenIdle();
    return;
  }
  ui_.SetProgressLabel(CORVINA_CP932("JVOpen正常:") + JVErrorMessage("JVOpen", 0));
  ui_.SetProgressLabel("ReadCount:" + std::to_string(readCount_) + ", DownloadCount:" + std::to_string(downloadCount_));
  if (downloadCount_ > 0) {
    ui_.SetProgressLabel(CORVINA_CP932("ダウンロード中・・・"));
    ui_.SetDownloadBar(0, downloadCount_);
    state_ = State::Downloading;
    ui_.SetStatusTimer(true);
    ReleaseGateWhenIdle();
    return;
  }
  ui_.SetDownloadBar(100, 100);
  Read();
  CloseExchange();
  Finish();
  ReleaseGateWhenIdle();
}

void StoredImport::StatusTick() {
  if (state_ != State::Downloading) return;
  const int n = link_.JVStatus();
  if (n < 0) {
    ui_.Beep();
    ui_.Inform(CORVINA_CP932("JVStatusエラー:") + JVErrorMessage("JVStatus", n));
    ui_.SetStatusTimer(false);
    CloseExchange();
    ReleaseGateWhenIdle();
    return;
  }
  ui_.SetProgressLabel(Progress(CORVINA_CP932("ダウンロード中．．．("), n, downloadCount_));
  ui_.SetDownloadBar(std::min(n, downloadCount_), downloadCount_);
  // A count above the expected one would otherwise be polled for ever: it means done as well.
  if (n < downloadCount_) {
    ReleaseGateWhenIdle();
    return;
  }
  ui_.SetStatusTimer(false);
  state_ = State::Reading;
  Read();
  CloseExchange();
  Finish();
  ReleaseGateWhenIdle();
}

// However the read ends (the end of the data, a cancel, an error), what it read reaches the disk before the
// exchange is closed.
void StoredImport::Read() {
  ReadRecords();
  SaveDayFiles();
}

void StoredImport::ReadRecords() {
  ui_.SetProgressLabel(Progress(CORVINA_CP932("データ読込み中．．．("), 0, readCount_));
  ui_.SetReadBar(0, readCount_);
  files_.emplace(DataDirOf(appDir_));
  files_->SetFlushInterval(flushInterval_);
  int count = 0;
  std::string record, fileName, error;
  for (;;) {
    ui_.ProcessMessages();
    if (cancelled_ || writeFailed_) return;
    if (!files_->FlushWhenDue(&error)) return FailWrite(error);
    // A flush that went through saved every changed file: once the last line's file is saved, so is every line.
    if (!unsavedLines_.empty() && !files_->Unsaved(unsavedLines_.back().file)) unsavedLines_.clear();
    const int r = link_.JVRead(record, kJVReadBufferSize, fileName);
    if (r == 0) {
      ui_.SetProgressLabel("JVRead EndOfFile :0");
      ui_.SetProgressLabel(Progress(CORVINA_CP932("データ読込み完了("), count, readCount_));
      ui_.SetDownloadBar(0, 100);
      ui_.SetReadBar(0, readCount_);
      ui_.Beep();
      completed_ = true;
      return;
    }
    if (r == -1) {
      ++count;
      ui_.SetReadBar(std::min(count, readCount_), readCount_);
      ui_.SetProgressLabel(Progress(CORVINA_CP932("データ読込み中．．．("), count, readCount_));
      continue;
    }
    if (r == -2 || r == -3) continue;
    if (r <= -4) {
      ui_.Beep();
      ui_.Inform(CORVINA_CP932("JVReadエラー:") + JVErrorMessage("JVRead", r));
      return;
    }
    StoreRecord(record);
  }
}

void StoredImport::StoreRecord(const std::string& record) {
  namespace L = layout;
  const std::string kind = Copy(record, 1, 2);
  const std::string dataKind = Copy(record, 3, 1);
  const int date = StrToIntLenient(CopyView(record, 12, 8));
  const std::string race = Copy(record, 26, 2);
  const int raceNumber = StrToIntLenient(race);
  // Records of the ten days before the import's start are kept, counted on the yyyymmdd number rather than the
  // calendar: late in a month that is ten days, but from the 2nd of March the limit 20240292 keeps only March's
  // days, so a start early in a month drops the end of the month before.
  const bool tooOld = date < fromDate_ - 10;
  DayFileBatch& files = *files_;
  const fs::path& dataDir = files.DataDir();
  std::string error;
  if (kind == L::kKindRA) {
    if (dataKind == "A" || dataKind == "B" || tooOld || raceNumber < 1) return;
    const MergeResult m = MergeRaRecord(files, record, DayWriter::Import, &error);
    if (m == MergeResult::Failed) return FailWrite(error);
    if (m != MergeResult::Stored) return;
    const auto day = DayOfRecord(record);
    const fs::path path = DayFilePath(dataDir, *day, L::kSuffixRA);
    const std::u8string utf8Path = path.u8string();
    const std::string name(utf8Path.begin(), utf8Path.end());
    bool known = false;
    for (const auto& n : writtenRa_) known = known || n == name;
    if (!known) writtenRa_.Add(name);
    ++stored_;
    ListStored(CORVINA_CP932("作成済み:") + race + CORVINA_CP932("R/") + FileNameCp932(path), path);
  } else if (kind == L::kKindSE) {
    const int horse = StrToIntLenient(CopyView(record, 29, 2));
    if (dataKind == "A" || dataKind == "B" || tooOld || raceNumber < 1 || horse < 1 || horse > L::kHorses) return;
    const MergeResult m = MergeSeRecord(files, record, DayWriter::Import, &error);
    if (m == MergeResult::Failed) return FailWrite(error);
    if (m != MergeResult::Stored) return;
    ++stored_;
    const fs::path path = SeFilePath(dataDir, *DayOfRecord(record), Copy(record, 20, 2));
    ListStored(CORVINA_CP932("作成済み:") + race + CORVINA_CP932("R/") + Copy(record, 29, 2) + CORVINA_CP932("番/") +
                   FileNameCp932(path),
               path);
  } else if (kind == L::kKindHR) {
    if (tooOld || raceNumber < 1) return;
    const MergeResult m = MergeHrRecord(files, record, DayWriter::Import, &error);
    if (m == MergeResult::Failed) return FailWrite(error);
    if (m != MergeResult::Stored) return;
    ++stored_;
    const fs::path path = DayFilePath(dataDir, *DayOfRecord(record), L::kSuffixHR);
    ListStored(CORVINA_CP932("作成済み:") + race + CORVINA_CP932("R/") + FileNameCp932(path), path);
  }
}

void StoredImport::ListStored(const std::string& line, const fs::path& file) {
  ui_.AddListLine(line);
  unsavedLines_.push_back({listed_++, file});
}

// A day file that cannot be written stops the run: going on would drop every later record silently. The message
// waits for the save at the end of the read, so that the list and the label are right when it shows.
void StoredImport::FailWrite(const std::string& error) {
  if (writeFailed_) return;
  writeFailed_ = true;
  writeError_ = error;
}

void StoredImport::EndExchange() {
  state_ = State::Idle;
  ui_.SetBusyCursor(false);
}

// The work that waited (an odds fetch, a day reload) runs after the import's own close messages, padding and
// new start time, never between them. A call from inside the read loop (Cancel, PrepareToClose) leaves the gate
// held: the loop is still on the stack. Every command that may end the exchange calls this last, on each of its
// ways out, and not from a destructor: the waiting work may raise, and its failure reaches the calling handler as
// any other failure of the command would.
void StoredImport::ReleaseGateWhenIdle() {
  if (!gateHeld_ || state_ != State::Idle) return;
  gateHeld_ = false;
  gate_->Leave();
}

void StoredImport::CloseExchange() {
  const int r = link_.JVClose();
  EndExchange();
  ui_.Beep();
  if (r != 0) ui_.Inform(CORVINA_CP932("JVCloseエラー:") + JVErrorMessage("JVClose", r));
}

// The race files written are filled up, then each changed day file is saved once. A run that could not write
// all it read ends as a failure, whatever the read reached: the list keeps only what is on disk.
void StoredImport::SaveDayFiles() {
  if (!files_) return;
  std::string error;
  for (const auto& name : writtenRa_)
    if (!PadRaFile(*files_, fs::path(std::u8string(name.begin(), name.end())), &error)) FailWrite(error);
  if (!files_->Flush(&error)) FailWrite(error);
  RemoveUnsavedLines();
  files_.reset();
  if (!writeFailed_) return;
  ui_.SetProgressLabel(CORVINA_CP932("データ取込み失敗：データファイルに書き込めません"));
  ui_.Beep();
  ui_.Inform(CORVINA_CP932("データファイルに書き込めません：") + ToCp932(writeError_));
}

void StoredImport::RemoveUnsavedLines() {
  std::vector<int> rows;
  for (const ListedLine& line : unsavedLines_)
    if (files_->Unsaved(line.file)) rows.push_back(line.row);
  unsavedLines_.clear();
  if (!rows.empty()) ui_.RemoveListLines(rows);
}

void StoredImport::Finish() {
  if (writeFailed_) return;
  // Moving the start time past files that were not read would lose them for good: only a complete run does.
  if (!completed_ || lastFileTimestamp_.empty() || lastFileTimestamp_ == "00000000000000") return;
  DateTime t;
  if (!ParseCompact(lastFileTimestamp_, t)) return;
  startTime_ = t;
  ui_.ShowStartTime(t);
  try {
    settings_.Write(kStoredImportStart, t.Stamp());
  } catch (const SettingsFileError& e) {
    ui_.Beep();
    ui_.Inform(CORVINA_CP932("設定ファイルに書き込めません：") + ToCp932(e.what()));
  }
}

void StoredImport::Cancel() {
  const bool downloading = state_ == State::Downloading;
  // No download may finish and start reading behind the question.
  if (downloading) ui_.SetStatusTimer(false);
  if (!ui_.Confirm(CORVINA_CP932("データ取込を中止します。実行しますか？"))) {
    if (downloading && state_ == State::Downloading) ui_.SetStatusTimer(true);
    ReleaseGateWhenIdle();
    return;
  }
  ui_.SetStatusTimer(false);
  link_.JVCancel();
  cancelled_ = true;
  // The read loop closes its own exchange when it stops; a cancelled download must be closed here, or the one
  // control stays open and every later exchange of the run fails.
  if (state_ == State::Downloading) {
    const int r = link_.JVClose();
    EndExchange();
    if (r != 0) {
      ui_.Beep();
      ui_.Inform(CORVINA_CP932("JVCloseエラー:") + JVErrorMessage("JVClose", r));
    }
  }
  ui_.Beep();
  ui_.Inform(CORVINA_CP932("JVCancel:キャンセルされました"));
  ui_.SetProgressLabel(CORVINA_CP932("JVCancel:キャンセルされました"));
  ReleaseGateWhenIdle();
}

bool StoredImport::PrepareToClose() {
  if (state_ == State::Reading) {
    cancelled_ = true;
    ReleaseGateWhenIdle();
    return false;
  }
  if (state_ == State::Downloading) {
    ui_.SetStatusTimer(false);
    link_.JVCancel();
    cancelled_ = true;
    link_.JVClose();
    EndExchange();
  }
  ReleaseGateWhenIdle();
  return true;
}

}  // namespace corvina
