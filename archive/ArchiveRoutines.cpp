#include "archive/ArchiveRoutines.h"

#include <fcntl.h>
#include <iconv.h>
#include <linux/openat2.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <array>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "archive/ByteOrder.h"

namespace corvina::archive {

// ---------------------------------------------------------------- messages and type names

std::string LoadMessage(int code) {
  switch (code) {
    case msg::BadFileHeader: return "Bad file header";
    case msg::BadLocalOffset: return "Bad offset to local header";
    case msg::BadBlock: return "Bad block";
    case msg::WriteError: return "Error writing to file";
    case msg::AttribOverwrite: return "Unsupported file attrib for overwrite";
    case msg::CloseError: return "Error closing file";
    case msg::CreateDirError: return "Error creating dir";
    case msg::CrcError: return "File fails CRC check";
    case msg::UnableCreateDir: return "Unable to create directory";
    case msg::InvalidDirectory: return "Invalid directory";
    case msg::DiskFull: return "Disk full";
    case msg::NotAccessible: return "is not accessible";
    case msg::FileNotFound: return "File not found";
    case msg::OpenError: return "Error opening file";
    case msg::AccessPermissions: return "Access permissions";
    case msg::RegistryDenied: return "Registry permissions denied";
    case msg::EventNotAssigned: return "Required event not assigned";
    case msg::StackOverflow: return "Stack overflow";
    case msg::UnsupportedMethod: return "Unsupported compression method";
    case msg::UnsupportedPassword: return "Unsupported password encryption";
    case msg::UserCanceled: return "User canceled";
    case msg::InvalidPassword: return "Invalid password";
    default: return {};
  }
}

const char* ArchiveTypeName(ArchiveFormat type) {
  static const char* const names[kArchiveTypeCount] = {
      "Not avail.", "Unsupport.", "File Error", "Unknown   ", "ACE       ", "ACE SFX   ", "ARC       ", "ARC SFX   ",
      "ARJ       ", "ARJ SFX   ", "Base64    ", "BH        ", "BH  SFX   ", "BZ2       ", "CAB       ", "CAB SFX   ",
      "GZip      ", "HA        ", "Java JAR  ", "JJAR SFX  ", "LHA       ", "LHA SFX   ", "LZH       ", "LZH SFX   ",
      "MsGZ      ", "PAK       ", "PAK SFX   ", "RAR       ", "RAR SFX   ", "TAR       ", "TarGzip   ", "TarBzip   ",
      "UUE       ", "ZIP       ", "ZIP SFX   ", "Zip Span  ", "Zip MVol  ", "ZOO       "};
  return type < kArchiveTypeCount ? names[type] : names[0];
}

// ---------------------------------------------------------------- names and paths

std::string AppendSlash(const std::string& path) {
  if (path.empty() || path.back() == '\\') return path;
  return path + '\\';
}

std::string RemoveTrailingSlash(const std::string& path) {
  if (!path.empty() && path.back() == '\\') return path.substr(0, path.size() - 1);
  return path;
}

std::string AppendPathDelim(const std::string& path) {
  if (path.empty() || path.back() == '/') return path;
  return path + '/';
}

std::string SlashToBackslash(std::string name) {
  for (char& c : name)
    if (c == '/') c = '\\';
  return name;
}

std::string ConvertSeparators(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    const uint8_t b = uint8_t(raw[i]);
    if (((b >= 0x80 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFD)) && i + 1 < raw.size()) {
      out += char(b);
      out += raw[++i];  // the second byte of a double-byte character is never a separator
      continue;
    }
    out += (b == '/' || b == 0xFF) ? '\\' : char(b);
  }
  size_t first = 0, last = out.size();
  while (first < last && uint8_t(out[first]) < 33) ++first;
  while (last > first && uint8_t(out[last - 1]) < 33) --last;
  return out.substr(first, last - first);
}

std::string Cp932ToUtf8(std::string_view raw, bool* ok) {
  if (ok) *ok = true;
  bool ascii = true;
  for (char c : raw)
    if (uint8_t(c) >= 0x80) {
      ascii = false;
      break;
    }
  if (ascii) return std::string(raw);

  std::string out;
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == iconv_t(-1)) {
    for (char c : raw) out += uint8_t(c) < 0x80 ? c : '_';
    if (ok) *ok = false;
    return out;
  }
  std::vector<char> in(raw.begin(), raw.end());
  char* inPtr = in.data();
  size_t inLeft = in.size();
  std::vector<char> buffer(raw.size() * 4 + 16);
  while (inLeft > 0) {
    char* outPtr = buffer.data();
    size_t outLeft = buffer.size();
    const size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    out.append(buffer.data(), size_t(outPtr - buffer.data()));
    if (rc == size_t(-1) && (errno == EILSEQ || errno == EINVAL)) {
      // A byte that is no CP932 character still must not vanish or break the name.
      out += '_';
      ++inPtr;
      --inLeft;
      if (ok) *ok = false;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    } else if (rc == size_t(-1) && errno != E2BIG) {
      break;
    }
  }
  iconv_close(cd);
  return out;
}

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const uint8_t b = uint8_t(s[i]);
    int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    if (extra < 0 || (b >= 0x80 && b < 0xC2) || b > 0xF4) return false;
    if (extra > 0 && i + size_t(extra) >= s.size()) return false;
    for (int k = 1; k <= extra; ++k)
      if ((uint8_t(s[i + size_t(k)]) & 0xC0) != 0x80) return false;
    i += size_t(extra) + 1;
  }
  return true;
}

std::string ConvertEntryName(ArchiveFormat type, int hostSystem, std::string_view raw) {
  const bool zipType = type == atJar || type == atJarSfx || (type >= atZip && type <= atZipMVol);
  std::string name;
  if (zipType && hostSystem != 0 && IsValidUtf8(raw))
    name = std::string(raw);
  else
    name = Cp932ToUtf8(raw);
  return SlashToBackslash(std::move(name));
}

bool IsUncPath(const std::string& name) { return name.size() >= 3 && name[0] == '\\' && name[1] == '\\'; }

std::string ExtractFileDir(const std::string& path) {
  const size_t p = path.rfind('/');
  if (p == std::string::npos) return {};
  if (p == 0) return "/";
  return path.substr(0, p);
}

std::string ExtractFileName(const std::string& path) {
  const size_t p = path.rfind('/');
  return p == std::string::npos ? path : path.substr(p + 1);
}

std::string ExtractFileExt(const std::string& path) {
  const std::string name = ExtractFileName(path);
  const size_t p = name.rfind('.');
  return p == std::string::npos ? std::string() : name.substr(p);
}

std::string GetCurrentDir() {
  std::vector<char> buffer(PATH_MAX + 1);
  if (::getcwd(buffer.data(), buffer.size()) == nullptr) return "/";
  return buffer.data();
}

std::string ExpandFileName(const std::string& path) {
  if (path.empty()) return path;
  std::string full = path[0] == '/' ? path : AppendPathDelim(GetCurrentDir()) + path;
  // Fold "." and ".." textually, as the platform's expansion does (no symlink resolution).
  std::vector<std::string> parts;
  size_t i = 0;
  while (i <= full.size()) {
    size_t j = full.find('/', i);
    if (j == std::string::npos) j = full.size();
    const std::string part = full.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = j + 1;
  }
  std::string out;
  for (const auto& p : parts) out += "/" + p;
  if (out.empty()) out = "/";
  if (full.size() > 1 && full.back() == '/' && out != "/") out += '/';
  return out;
}

std::string GetTempDir() {
  const char* env = std::getenv("TMPDIR");
  std::string dir = env && *env ? env : "/tmp";
  return AppendPathDelim(dir);
}

// ---------------------------------------------------------------- directories and files

bool DirectoryExists(const std::string& dir) {
  struct stat st {};
  return !dir.empty() && ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& name) {
  struct stat st {};
  return !name.empty() && ::stat(name.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool CreateDirTree(const std::string& dir) {
  if (dir.empty()) throw ArchiveError(msg::UnableCreateDir);
  return ForceDirTree(dir);
}

bool ForceDirTree(const std::string& dir, std::vector<std::string>* made) {
  if (dir.empty()) return false;
  if (DirectoryExists(dir)) return true;
  const std::string full = ExpandFileName(dir);
  for (size_t p = full.find('/', 1);; p = full.find('/', p + 1)) {
    const std::string prefix = p == std::string::npos ? full : full.substr(0, p);
    if (!prefix.empty() && !DirectoryExists(prefix)) {
      // One made meanwhile by someone else is not ours to remove.
      if (::mkdir(prefix.c_str(), 0777) == 0) {
        if (made) made->push_back(prefix);
      } else if (errno != EEXIST) {
        break;
      }
    }
    if (p == std::string::npos) break;
  }
  return DirectoryExists(full);
}

void RemoveMadeFolders(std::vector<std::string>& made) {
  // Deepest first; a folder that something else has been put into stays.
  for (auto it = made.rbegin(); it != made.rend(); ++it) ::rmdir(it->c_str());
  made.clear();
}

bool EraseFile(const std::string& name, bool /*toRecycleBin*/) { return ::unlink(name.c_str()) == 0; }

bool IsDirWritable(const std::string& dir) {
  if (DirectoryExists(dir)) {
    // A file without a name, so that a run stopped at any moment leaves nothing among the
    // user's files; where the file system has no such files, the folder's own permissions.
    const int fd = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      return true;
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
    return ::access(dir.c_str(), W_OK | X_OK) == 0;
  }
  // A missing folder counts as writable when it can be made; remove what the probe made.
  std::vector<std::string> made;
  const bool ok = ForceDirTree(dir, &made);
  RemoveMadeFolders(made);
  return ok;
}

std::string MakeTempFileName(const std::string& dir) {
  std::string folder = DirectoryExists(dir) ? dir : GetTempDir();
  if (!DirectoryExists(folder)) ForceDirTree(folder);
  std::string name = AppendPathDelim(folder) + "mrlXXXXXX";
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return {};
  ::close(fd);
  return name;
}

namespace {
// A handle closed without disturbing the errno the caller is about to report.
void CloseKeepingErrno(int fd) {
  const int saved = errno;
  ::close(fd);
  errno = saved;
}

int OpenFolderNoLink(int at, const std::string& name) {
  return ::openat(at, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// The kernel resolves the whole path at once, refusing every link and every way out of `root`.
int OpenBeneathAtOnce(int root, const std::string& relative) {
#ifdef SYS_openat2
  struct open_how how {};
  how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS;
  return int(::syscall(SYS_openat2, root, relative.c_str(), &how, sizeof how));
#else
  errno = ENOSYS;
  return -1;
#endif
}
}  // namespace

int OpenFolderBeneath(const std::string& root, const std::vector<std::string>& parts, bool create,
                      std::vector<std::string>* made) {
  for (const auto& part : parts)
    if (part.empty() || part == "." || part == ".." || part.find('/') != std::string::npos) {
      errno = EINVAL;
      return -1;
    }
  // The target folder itself is the user's choice and may well be a link.
  int at = ::open(root.empty() ? "." : root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (at < 0 || parts.empty()) return at;
  std::string relative;
  for (const auto& part : parts) relative += (relative.empty() ? "" : "/") + part;
  const int whole = OpenBeneathAtOnce(at, relative);
  // A kernel without openat2 (or a sandbox that forbids it), a rename elsewhere during the
  // resolution, or folders still to be made: one name at a time, none followed when it is a link.
  if (whole >= 0 || !(errno == ENOSYS || errno == EPERM || errno == EAGAIN || (create && errno == ENOENT))) {
    CloseKeepingErrno(at);
    return whole;
  }
  std::string path = AppendPathDelim(root.empty() ? GetCurrentDir() : root);
  for (const auto& part : parts) {
    path += part;
    int next = OpenFolderNoLink(at, part);
    if (next < 0 && errno == ENOENT && create) {
      if (::mkdirat(at, part.c_str(), 0777) == 0) {
        if (made) made->push_back(path);
      } else if (errno != EEXIST) {
        CloseKeepingErrno(at);
        return -1;
      }
      next = OpenFolderNoLink(at, part);
    }
    CloseKeepingErrno(at);
    if (next < 0) return -1;
    at = next;
    path += '/';
  }
  return at;
}

int CreateHiddenFileAt(int folder, std::string& name) {
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    uint8_t random[6];
    if (::getrandom(random, sizeof random, 0) != ssize_t(sizeof random)) return -1;
    name = ".mrl";
    for (const uint8_t r : random) name += kLetters[r % (sizeof kLetters - 1)];
    const int fd = ::openat(folder, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// ---------------------------------------------------------------- helpers

void SplitToken(std::string& source, const std::string& delimiter, std::string& token) {
  const size_t p = delimiter.empty() ? std::string::npos : source.find(delimiter);
  if (p == std::string::npos) {
    token = source;
    source.clear();
    return;
  }
  token = source.substr(0, p);
  source.erase(0, p + delimiter.size());
}

int Percent(int64_t total, int64_t part) {
  if (total <= 0) return 0;
  const long double value = (long double)(part)*100.0L / (long double)(total);
  const long double rounded = std::floor(value + 0.5L);
  if (rounded < 0) return 0;
  if (rounded > 100) return 100;
  return int(rounded);
}

int64_t OctalToInt(std::string_view text) {
  int64_t value = 0;
  for (char c : text)
    if (c >= '0' && c <= '7') value = value * 8 + (c - '0');
  return value;
}

bool IsBzip2Header(const uint8_t* p, size_t n) {
  return n >= 10 && p[0] == 'B' && p[1] == 'Z' && p[2] == 'h' && std::memcmp(p + 4, "1AY&SY", 6) == 0;
}

bool IsGzipFamily(const uint8_t* p, size_t n) {
  if (n < 2) return false;
  const unsigned w = Le16(p);
  return w == 0x8B1F || w == 0x9E1F || w == 0x9D1F || w == 0xA01F || w == 0x1E1F;
}

// ---------------------------------------------------------------- dates

namespace {
const int kMonthDays[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                               {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + int64_t(doe) - 719468;
}

const int64_t kSerialDateEpochDays = DaysFromCivil(1899, 12, 30);

SerialDateTime EncodeTime(int h, int n, int s) { return (h * 3600.0 + n * 60.0 + s) / 86400.0; }
}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

bool TryEncodeDate(int year, int month, int day, SerialDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  if (day > kMonthDays[IsLeapYear(year)][month - 1]) return false;
  date = SerialDateTime(DaysFromCivil(year, unsigned(month), unsigned(day)) - kSerialDateEpochDays);
  return true;
}

SerialDateTime EncodeDateOr1980(int year, int month, int day) {
  SerialDateTime d;
  if (TryEncodeDate(year, month, day, d)) return d;
  TryEncodeDate(1980, 1, 1, d);
  return d + EncodeTime(0, 1, 0);
}

SerialDateTime DosDateTimeToDateTime(uint32_t value) {
  if (value == 0) value = kDos1980;
  const SerialDateTime date =
      EncodeDateOr1980(1980 + int(value >> 25), int((value >> 21) & 15), int((value >> 16) & 31));
  return date + EncodeTime(int((value >> 11) & 31), int((value >> 5) & 63), int(value & 31) * 2);
}

void DecodeDateTime(SerialDateTime date, int& year, int& month, int& day, int& hour, int& minute, int& second) {
  int64_t days = int64_t(std::floor(date));
  int64_t secs = int64_t(std::llround((date - SerialDateTime(days)) * 86400.0));
  if (secs >= 86400) {
    ++days;
    secs -= 86400;
  }
  // civil_from_days
  int64_t z = days + kSerialDateEpochDays + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = unsigned(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = int64_t(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = int(doy - (153 * mp + 2) / 5 + 1);
  month = int(mp < 10 ? mp + 3 : mp - 9);
  year = int(y + (month <= 2));
  hour = int(secs / 3600);
  minute = int(secs / 60 % 60);
  second = int(secs % 60);
}

SerialDateTime IncMonth(SerialDateTime date, int months) {
  int y, m, d, h, n, s;
  DecodeDateTime(date, y, m, d, h, n, s);
  int64_t total = int64_t(y) * 12 + (m - 1) + months;
  y = int(total / 12);
  m = int(total % 12) + 1;
  const int last = kMonthDays[IsLeapYear(y)][m - 1];
  if (d > last) d = last;
  SerialDateTime result;
  if (!TryEncodeDate(y, m, d, result)) return date;
  return result + (date - std::floor(date));
}

SerialDateTime UnixTimeToDateTime(uint32_t seconds) {
  if (seconds == 0) return EncodeDateOr1980(0, 0, 0);
  // Unsigned and Gregorian: stamps after 2038 and 2100 stay right.
  const time_t t = time_t(seconds);
  struct tm tmLocal {};
  localtime_r(&t, &tmLocal);
  SerialDateTime d;
  if (!TryEncodeDate(tmLocal.tm_year + 1900, tmLocal.tm_mon + 1, tmLocal.tm_mday, d)) return EncodeDateOr1980(0, 0, 0);
  return d + EncodeTime(tmLocal.tm_hour, tmLocal.tm_min, std::min(tmLocal.tm_sec, 59));
}

uint32_t DateTimeToDosDateTime(SerialDateTime date) {
  int y, m, d, h, n, s;
  DecodeDateTime(date, y, m, d, h, n, s);
  if (y < 1980) return kDos1980;
  if (y > 2107) y = 2107;
  return (uint32_t(y - 1980) << 25) | (uint32_t(m) << 21) | (uint32_t(d) << 16) | (uint32_t(h) << 11) |
         (uint32_t(n) << 5) | uint32_t(s / 2);
}

bool DosDateTimeToUnix(uint32_t dos, int64_t& unixTime) {
  const int year = 1980 + int(dos >> 25), month = int((dos >> 21) & 15), day = int((dos >> 16) & 31);
  const int hour = int((dos >> 11) & 31), minute = int((dos >> 5) & 63), second = int(dos & 31) * 2;
  SerialDateTime probe;
  if (!TryEncodeDate(year, month, day, probe) || hour > 23 || minute > 59 || second > 59) return false;
  struct tm tmLocal {};
  tmLocal.tm_year = year - 1900;
  tmLocal.tm_mon = month - 1;
  tmLocal.tm_mday = day;
  tmLocal.tm_hour = hour;
  tmLocal.tm_min = minute;
  tmLocal.tm_sec = second;
  tmLocal.tm_isdst = -1;
  const time_t t = mktime(&tmLocal);
  if (t == time_t(-1)) return false;
  unixTime = int64_t(t);
  return true;
}

uint32_t NowAsDosDateTime() {
  const time_t now = time(nullptr);
  struct tm tmLocal {};
  localtime_r(&now, &tmLocal);
  SerialDateTime d;
  if (!TryEncodeDate(tmLocal.tm_year + 1900, tmLocal.tm_mon + 1, tmLocal.tm_mday, d)) return kDos1980;
  return DateTimeToDosDateTime(d + EncodeTime(tmLocal.tm_hour, tmLocal.tm_min, std::min(tmLocal.tm_sec, 59)));
}

// ---------------------------------------------------------------- volume names

void NextVolumeName(const std::string& name, ArchiveFormat type, char& letter, int& volume) {
  const char* defaultExt = nullptr;
  switch (type) {
    case atAce:
      letter = 'C';
      defaultExt = "Ace";
      break;
    case atArj:
      letter = 'a';
      defaultExt = "Arj";
      break;
    case atJar:
    case atJarSfx:
      letter = 'j';
      defaultExt = "Jar";
      break;
    default: volume = 0; return;
  }
  std::string ext = ExtractFileExt(name);
  if (!ext.empty()) ext.erase(0, 1);
  if (ext.empty()) ext = defaultExt;
  size_t end = ext.size(), start = end;
  while (start > 0 && ext[start - 1] >= '0' && ext[start - 1] <= '9') --start;
  if (start < end) {
    volume = std::atoi(ext.substr(start).c_str()) + 1;
    letter = ext[0];
  } else {
    volume = (type == atArj || type == atArjSfx) ? 1 : 0;
  }
}

// ---------------------------------------------------------------- CRCs

namespace {
struct CrcTables {
  uint32_t crc16[8][256];
  uint32_t crc32[8][256];
  CrcTables() {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t a = i, b = i;
      for (int k = 0; k < 8; ++k) {
        a = (a & 1) ? (a >> 1) ^ 0xA001u : a >> 1;
        b = (b & 1) ? (b >> 1) ^ 0xEDB88320u : b >> 1;
      }
      crc16[0][i] = a;
      crc32[0][i] = b;
    }
    for (int k = 1; k < 8; ++k)
      for (uint32_t i = 0; i < 256; ++i) {
        crc16[k][i] = (crc16[k - 1][i] >> 8) ^ crc16[0][crc16[k - 1][i] & 0xFF];
        crc32[k][i] = (crc32[k - 1][i] >> 8) ^ crc32[0][crc32[k - 1][i] & 0xFF];
      }
  }
};
const CrcTables& Tables() {
  static const CrcTables tables;
  return tables;
}

uint32_t Slice8(const uint32_t (*t)[256], const uint8_t* p, size_t n, uint32_t crc) {
  while (n >= 8) {
    const uint32_t one = Le32(p) ^ crc;
    const uint32_t two = Le32(p + 4);
    crc = t[7][one & 0xFF] ^ t[6][(one >> 8) & 0xFF] ^ t[5][(one >> 16) & 0xFF] ^ t[4][one >> 24] ^ t[3][two & 0xFF] ^
          t[2][(two >> 8) & 0xFF] ^ t[1][(two >> 16) & 0xFF] ^ t[0][two >> 24];
    p += 8;
    n -= 8;
  }
  while (n--) crc = t[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
  return crc;
}
}  // namespace

uint16_t UpdateCrc16(const uint8_t* data, size_t count, uint16_t crc) {
  return uint16_t(Slice8(Tables().crc16, data, count, crc));
}

uint32_t UpdateCrc32(const uint8_t* data, size_t count, uint32_t crc) {
  return Slice8(Tables().crc32, data, count, crc);
}

}  // namespace corvina::archive
