#include "platform/jvlink/FileJVLink.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <system_error>

#include "platform/Clock.h"
#include "platform/LineFile.h"
#include "platform/Text.h"

namespace corvina {
namespace fs = std::filesystem;

namespace {

bool AllDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return c >= '0' && c <= '9'; });
}

bool ValidStamp(const std::string& s) {
  if (s.size() != 14 || !AllDigits(s)) return false;
  int y = std::stoi(s.substr(0, 4)), m = std::stoi(s.substr(4, 2)), d = std::stoi(s.substr(6, 2));
  int hh = std::stoi(s.substr(8, 2)), nn = std::stoi(s.substr(10, 2)), ss = std::stoi(s.substr(12, 2));
  if (y < 1 || m < 1 || m > 12 || d < 1 || hh > 23 || nn > 59 || ss > 59) return false;
  int cy = 0, cm = 0, cd = 0;
  CivilFromDays(DaysFromCivil(y, m, d), cy, cm, cd);
  return cy == y && cm == m && cd == d;
}

// Stored files are named "<yyyymmddhhnnss>_<label>.txt"; anything else in the folder is not data.
bool StampOfName(const std::string& name, std::string& stamp) {
  if (name.size() < 15 || name[14] != '_') return false;
  stamp = name.substr(0, 14);
  return AllDigits(stamp);
}

std::string Strip(std::string s) {
  auto notBlank = [](unsigned char c) { return c != ' ' && c != '\t' && c != '\r' && c != '\n'; };
  s.erase(s.begin(), std::find_if(s.begin(), s.end(), notBlank));
  s.erase(std::find_if(s.rbegin(), s.rend(), notBlank).base(), s.end());
  return s;
}

// The records of a data file: one a line, blank lines skipped, bytes passed through unchanged.
std::vector<std::string> RecordLines(const fs::path& file) {
  Lines lines;
  ReadLines(file, lines);
  std::vector<std::string> out;
  for (auto& l : lines)
    if (!IsBlank(l)) out.push_back(std::move(l));
  return out;
}

// When a snapshot was announced, as "yyyymmddhhnn"; empty when the fields are not numbers. The announcement
// (28..35, mmddhhnn) carries no year: it is the race's (12..15), except for a snapshot announced on a later
// month-day than the race's own (16..19), which belongs to the year before: the evening of 31 December before a
// race on 1 January.
std::string AnnouncedAt(const std::string& rec) {
  const std::string year = Copy(rec, 12, 4), raceDay = Copy(rec, 16, 4), announced = Copy(rec, 28, 8);
  if (year.size() != 4 || raceDay.size() != 4 || announced.size() != 8 || !AllDigits(year) || !AllDigits(raceDay) ||
      !AllDigits(announced))
    return {};
  int y = std::stoi(year);
  if (announced.substr(0, 4) > raceDay) --y;
  return FormatZero(y, 4) + announced;
}

std::vector<fs::path> FilesIn(const fs::path& dir) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file(ec)) files.push_back(it->path());
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

fs::path FileJVLink::DefaultRoot(const fs::path& appDir) {
  const char* env = std::getenv("CORVINA_JVLINK_ROOT");
  if (env && *env) return fs::path(env);
  return appDir / "jvlink";
}

bool FileJVLink::Present(const fs::path& root) {
  std::error_code ec;
  return fs::is_directory(root, ec);
}

FileJVLink::FileJVLink(fs::path root) : root_(std::move(root)) { LoadSettings(); }

// jvlink.ini: [faults] Op[.SPEC]=code[@n], [download] perCall=N / mode=none, [rt] busy=N.
void FileJVLink::LoadSettings() {
  std::string text;
  ReadFileBytes(root_ / "jvlink.ini", text);  // none: no options
  if (settingsLoaded_ && text == settingsText_) return;
  // A changed file starts the counts of its "@n" faults afresh.
  settingsLoaded_ = true;
  settingsText_ = text;
  faultCalls_.clear();
  faults_.clear();
  perCall_ = 1;
  noDownload_ = false;
  rtBusy_ = 0;
  const Lines lines = SplitLines(text);
  std::string section;
  for (const auto& raw : lines) {
    std::string line = Strip(raw);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      section = Strip(line.substr(1, line.size() - 2));
      continue;
    }
    auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = Strip(line.substr(0, eq)), value = Strip(line.substr(eq + 1));
    if (section == "faults") {
      Fault f;
      auto at = value.find('@');
      f.code = StrToIntLenient(value.substr(0, at));
      if (at != std::string::npos) f.nth = StrToIntLenient(value.substr(at + 1));
      faults_[key] = f;
    } else if (section == "download" && key == "perCall") {
      perCall_ = std::max(1, StrToIntLenient(value));
    } else if (section == "download" && key == "mode") {
      noDownload_ = value == "none";
    } else if (section == "rt" && key == "busy") {
      rtBusy_ = std::max(0, StrToIntLenient(value));
    }
  }
}

bool FileJVLink::ForcedResult(const std::string& op, const std::string& dataSpec, int& code) {
  for (const std::string& key : {op + "." + dataSpec, op}) {
    auto it = faults_.find(key);
    if (it == faults_.end()) continue;
    int n = ++faultCalls_[key];
    if (it->second.nth == 0 || it->second.nth == n) {
      code = it->second.code;
      return true;
    }
  }
  return false;
}

int FileJVLink::Trace(const std::string& op, const std::string& args, int result, const std::string& extra) {
  std::ofstream out(root_ / "trace.log", std::ios::app | std::ios::binary);
  if (out) {
    out << Clock::Now().Stamp() << ' ' << op << '(' << args << ")=" << result;
    if (!extra.empty()) out << ' ' << extra;
    out << "\r\n";
  }
  return result;
}

fs::path FileJVLink::StoredDir(const std::string& dataSpec, const char* side) const {
  return root_ / "stored" / dataSpec / side;
}

int FileJVLink::JVInit(const std::string& sid) {
  LoadSettings();
  int code = 0;
  if (ForcedResult("JVInit", "", code)) return Trace("JVInit", sid, code);
  if (sid.empty()) return Trace("JVInit", sid, -101);
  if (sid.size() >= 64) return Trace("JVInit", sid, -102);
  if (sid[0] == ' ') return Trace("JVInit", sid, -103);
  initialized_ = true;
  return Trace("JVInit", sid, 0);
}

int FileJVLink::JVSetUIProperties() {
  int code = 0;
  if (ForcedResult("JVSetUIProperties", "", code)) return Trace("JVSetUIProperties", "", code);
  // The stand-in has nothing to set up: its settings are jvlink.ini.
  return Trace("JVSetUIProperties", "", 0);
}

int FileJVLink::JVOpen(const std::string& dataSpec, const std::string& fromTime, int option, int& readCount,
                       int& downloadCount, std::string& lastFileTimestamp) {
  readCount = downloadCount = 0;
  lastFileTimestamp.clear();
  const std::string args = dataSpec + "," + fromTime + "," + std::to_string(option);
  LoadSettings();
  int code = 0;
  if (ForcedResult("JVOpen", dataSpec, code)) return Trace("JVOpen", args, code);
  if (!initialized_) return Trace("JVOpen", args, -201);
  if (ex_.kind != Kind::None) return Trace("JVOpen", args, -202);
  std::error_code ec;
  if (dataSpec.empty() || !fs::is_directory(root_ / "stored" / dataSpec, ec)) return Trace("JVOpen", args, -111);
  if (!ValidStamp(fromTime)) return Trace("JVOpen", args, -112);
  if (option < 1 || option > 4) return Trace("JVOpen", args, -115);

  const DateTime now = Clock::Now();
  const std::string clock = now.Compact();
  const std::string weekAgo = AddSeconds(now, -7LL * 86400).Compact();
  std::vector<StoredFile> files;
  for (const char* side : {"local", "server"}) {
    for (const auto& p : FilesIn(StoredDir(dataSpec, side))) {
      StoredFile f;
      f.name = p.filename().string();
      if (!StampOfName(f.name, f.stamp)) continue;
      if (f.stamp <= fromTime || f.stamp > clock) continue;
      if (option == 2 && f.stamp < weekAgo) continue;
      f.downloaded = std::string(side) == "local";
      files.push_back(f);
    }
  }
  if (files.empty()) return Trace("JVOpen", args, -1);
  std::sort(files.begin(), files.end(), [](const StoredFile& a, const StoredFile& b) {
    return a.stamp != b.stamp ? a.stamp < b.stamp : a.name < b.name;
  });
  ex_ = Exchange{};
  ex_.kind = Kind::Stored;
  ex_.dataSpec = dataSpec;
  ex_.files = std::move(files);
  for (auto& f : ex_.files) {
    if (f.downloaded) continue;
    if (noDownload_) {
      fs::create_directories(StoredDir(dataSpec, "local"), ec);
      fs::rename(StoredDir(dataSpec, "server") / f.name, StoredDir(dataSpec, "local") / f.name, ec);
      f.downloaded = !ec;
    } else {
      ++ex_.downloadCount;
    }
  }
  readCount = static_cast<int>(ex_.files.size());
  downloadCount = ex_.downloadCount;
  lastFileTimestamp = ex_.files.back().stamp;
  return Trace("JVOpen", args, 0,
               "read=" + std::to_string(readCount) + " download=" + std::to_string(downloadCount) +
                   " last=" + lastFileTimestamp);
}

// "Downloads" the next pending file by moving it from server/ to local/.
void FileJVLink::DownloadNext() {
  for (auto& f : ex_.files) {
    if (f.downloaded) continue;
    std::error_code ec;
    fs::create_directories(StoredDir(ex_.dataSpec, "local"), ec);
    fs::rename(StoredDir(ex_.dataSpec, "server") / f.name, StoredDir(ex_.dataSpec, "local") / f.name, ec);
    f.downloaded = true;  // a file that vanished from server/ is read as missing later
    ++ex_.downloaded;
    return;
  }
}

int FileJVLink::JVStatus() {
  int code = 0;
  if (ForcedResult("JVStatus", ex_.dataSpec, code)) return Trace("JVStatus", "", code);
  if (!initialized_) return Trace("JVStatus", "", -201);
  if (ex_.kind != Kind::Stored) return Trace("JVStatus", "", -203);
  if (!ex_.cancelled)
    for (int i = 0; i < perCall_ && ex_.downloaded < ex_.downloadCount; ++i) DownloadNext();
  return Trace("JVStatus", "", ex_.downloaded);
}

int FileJVLink::Deliver(const std::string& record, const std::string& name, int size, std::string& buff,
                        std::string& fileName) {
  fileName = name;
  // A record that does not fit the caller's buffer would reach it cut: report the file as faulty instead.
  if (static_cast<int>(record.size()) + 2 > size) return -403;
  buff = record + "\r\n";
  return static_cast<int>(buff.size());
}

int FileJVLink::ReadStored(std::string& buff, int size, std::string& fileName) {
  while (ex_.fileIndex < ex_.files.size()) {
    StoredFile& f = ex_.files[ex_.fileIndex];
    fileName = f.name;
    if (!f.downloaded) return -3;
    if (!ex_.fileLoaded) {
      fs::path p = StoredDir(ex_.dataSpec, "local") / f.name;
      std::error_code ec;
      if (!fs::exists(p, ec)) return -503;
      ex_.records = RecordLines(p);
      ex_.recordIndex = 0;
      ex_.fileLoaded = true;
    }
    if (ex_.recordIndex < ex_.records.size())
      return Deliver(ex_.records[ex_.recordIndex++], f.name, size, buff, fileName);
    // The file is done: announce the switch once, then go on with the next.
    ex_.fileLoaded = false;
    ex_.records.clear();
    ++ex_.fileIndex;
    return -1;
  }
  fileName.clear();
  return 0;
}

int FileJVLink::ReadRealTime(std::string& buff, int size, std::string& fileName) {
  if (ex_.busyLeft > 0) {
    --ex_.busyLeft;
    return -3;
  }
  if (ex_.recordIndex < ex_.records.size()) {
    size_t i = ex_.recordIndex++;
    return Deliver(ex_.records[i], ex_.recordFiles[i], size, buff, fileName);
  }
  return 0;
}

int FileJVLink::JVRead(std::string& buff, int size, std::string& fileName) {
  buff.clear();
  fileName.clear();
  const std::string args = std::to_string(size);
  int code = 0;
  if (ForcedResult("JVRead", ex_.dataSpec, code)) return Trace("JVRead", args, code);
  if (!initialized_) return Trace("JVRead", args, -201);
  int r = 0;
  if (ex_.kind == Kind::None)
    r = -203;
  else if (ex_.cancelled)
    r = 0;
  else if (ex_.kind == Kind::Stored)
    r = ReadStored(buff, size, fileName);
  else
    r = ReadRealTime(buff, size, fileName);
  return Trace("JVRead", args, r, r > 0 ? std::string(CopyView(buff, 1, 2)) + " " + fileName : fileName);
}

// Odds of one race: per record kind, the latest snapshot announced at or before the clock.
bool FileJVLink::CollectOdds(const std::string& key) {
  const fs::path dir = root_ / "realtime" / "0B30" / key.substr(0, 8);
  const std::string clock = Clock::Now().Compact().substr(0, 12);   // yyyymmddhhnn
  std::map<std::string, std::pair<std::string, std::string>> best;  // kind -> (time, record)
  std::map<std::string, std::string> source;
  for (const auto& p : FilesIn(dir)) {
    if (p.stem().string() != key.substr(8, 8)) continue;
    for (auto& rec : RecordLines(p)) {
      const std::string announced = AnnouncedAt(rec);
      if (announced.empty() || announced > clock) continue;
      std::string kind = Copy(rec, 1, 2);
      auto it = best.find(kind);
      if (it == best.end() || announced >= it->second.first) {
        best[kind] = {announced, rec};
        source[kind] = p.filename().string();
      }
    }
  }
  for (auto& [kind, tr] : best) {
    ex_.records.push_back(tr.second);
    ex_.recordFiles.push_back(source[kind]);
  }
  return !ex_.records.empty();
}

// Race records of one day: every file released by the clock ("hhmm_" prefix on that date, none = always).
bool FileJVLink::CollectRaceRecords(const std::string& key) {
  const fs::path dir = root_ / "realtime" / "0B12" / key;
  const DateTime now = Clock::Now();
  const std::string today = now.DateKey(), hhmm = now.HHMM();
  for (const auto& p : FilesIn(dir)) {
    const std::string name = p.filename().string();
    if (name.size() > 5 && name[4] == '_' && AllDigits(name.substr(0, 4))) {
      bool released = today > key || (today == key && name.substr(0, 4) <= hhmm);
      if (!released) continue;
    }
    for (auto& rec : RecordLines(p)) {
      ex_.records.push_back(std::move(rec));
      ex_.recordFiles.push_back(name);
    }
  }
  return !ex_.records.empty();
}

int FileJVLink::JVRTOpen(const std::string& dataSpec, const std::string& key) {
  const std::string args = dataSpec + "," + key;
  LoadSettings();
  int code = 0;
  if (ForcedResult("JVRTOpen", dataSpec, code)) return Trace("JVRTOpen", args, code);
  if (!initialized_) return Trace("JVRTOpen", args, -201);
  if (ex_.kind != Kind::None) return Trace("JVRTOpen", args, -202);
  size_t keyLength = dataSpec == "0B30" ? 16 : dataSpec == "0B12" ? 8 : 0;
  if (keyLength == 0) return Trace("JVRTOpen", args, -111);
  if (key.size() != keyLength || !AllDigits(key) || !ValidStamp(key.substr(0, 8) + "000000"))
    return Trace("JVRTOpen", args, -114);
  ex_ = Exchange{};
  ex_.kind = Kind::RealTime;
  ex_.dataSpec = dataSpec;
  bool found = dataSpec == "0B30" ? CollectOdds(key) : CollectRaceRecords(key);
  if (!found) {
    ex_ = Exchange{};
    return Trace("JVRTOpen", args, -1);
  }
  ex_.busyLeft = rtBusy_;
  return Trace("JVRTOpen", args, 0, "records=" + std::to_string(ex_.records.size()));
}

int FileJVLink::JVClose() {
  const std::string dataSpec = ex_.dataSpec;
  ex_ = Exchange{};  // closed even when a fault forces another result, so one forced failure does not cascade
  int code = 0;
  if (ForcedResult("JVClose", dataSpec, code)) return Trace("JVClose", "", code);
  return Trace("JVClose", "", 0);
}

int FileJVLink::JVCancel() {
  int code = 0;
  if (ForcedResult("JVCancel", ex_.dataSpec, code)) return Trace("JVCancel", "", code);
  if (ex_.kind == Kind::Stored) ex_.cancelled = true;
  return Trace("JVCancel", "", 0);
}

}  // namespace corvina
