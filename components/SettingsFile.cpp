#include "components/SettingsFile.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/LineFile.h"

namespace corvina {

namespace {

// The half-width corner brackets of the Shift-JIS code page, one byte each, used as a sentinel around the
// default so that a missing key can be told from a stored value.
constexpr char kOpenBracket = '\xA2';
constexpr char kCloseBracket = '\xA3';

bool IsBlankByte(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlankByte(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlankByte(s.back())) s.remove_suffix(1);
  return s;
}

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Names compare without regard to ASCII case; the second byte of a double-byte character is compared as it
// stands, so two different Japanese names never match through case folding of a trail byte.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (IsLeadByte(x)) {
      if (x != y || i + 1 >= a.size() || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// Returns true when the last character of `s` is the single byte `c` (not the second byte of a double-byte one).
bool EndsWithSingleByte(std::string_view s, char c) {
  if (s.empty() || s.back() != c) return false;
  size_t i = 0;
  while (i < s.size()) {
    size_t width = IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
    if (i + width == s.size()) return width == 1;
    i += width;
  }
  return false;
}

// One line of the file, as the layer sees it.
struct LineKind {
  enum { Other, Section, Key } kind = Other;
  std::string_view name;   // section or key name, blanks removed
  std::string_view value;  // key value, blanks removed
};

LineKind Classify(std::string_view line) {
  LineKind k;
  std::string_view t = TrimBlanks(line);
  if (t.empty() || t.front() == ';') return k;
  if (t.front() == '[') {
    size_t close = t.find(']');
    // A section line without its closing bracket names everything after the opening one.
    k.kind = LineKind::Section;
    k.name = TrimBlanks(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    return k;
  }
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) return k;  // junk: kept, never read
  k.kind = LineKind::Key;
  k.name = TrimBlanks(t.substr(0, eq));
  k.value = TrimBlanks(t.substr(eq + 1));
  return k;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// What a refused write tells the user, with the reason.
[[noreturn]] void Refuse(const std::string& reason) { throw SettingsFileError("設定を保存できません：" + reason); }

void CheckNames(const std::filesystem::path& path, std::string_view section, std::string_view ident,
                std::string_view value) {
  if (HasLineBreak(section) || section.find(']') != std::string_view::npos)
    Refuse(path.string() + " に書けないセクション名です。");
  if (HasLineBreak(ident) || ident.find('=') != std::string_view::npos || TrimBlanks(ident).empty() ||
      TrimBlanks(ident).front() == ';' || TrimBlanks(ident).front() == '[')
    Refuse(path.string() + " に書けないキー名です。");
  if (HasLineBreak(value)) Refuse(path.string() + " に改行を含む値は書けません。");
}

// The whole file as text: an absent file is empty; a present one that cannot be read yields false.
bool LoadText(const std::filesystem::path& path, std::string& text) {
  text.clear();
  std::error_code ec;
  if (std::filesystem::status(path, ec).type() == std::filesystem::file_type::not_found) return true;
  return ReadFileBytes(path, text);
}

// A stored value as a number: decimal, or hexadecimal holding the 32 bits of an int as colours are written
// (0xFFFFFFFF is -1); nothing for a value that is no number. A decimal too large for an int comes back just
// beyond the int range, so that a reader can tell "too large" from "no number".
std::optional<long long> ParseNumber(std::string_view s) {
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    if (s.size() > 10) return std::nullopt;
    unsigned long long v = 0;
    for (size_t i = 2; i < s.size(); ++i) {
      char c = s[i];
      int d = c >= '0' && c <= '9'   ? c - '0'
              : c >= 'a' && c <= 'f' ? c - 'a' + 10
              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                     : -1;
      if (d < 0) return std::nullopt;
      v = v * 16 + static_cast<unsigned>(d);
    }
    return static_cast<int>(static_cast<unsigned int>(v));
  }
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  if (i >= s.size()) return std::nullopt;
  constexpr long long kBeyond = static_cast<long long>(INT_MAX) + 2;
  long long v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return std::nullopt;
    v = std::min(v * 10 + (s[i] - '0'), kBeyond);
  }
  return negative ? -v : v;
}

}  // namespace

namespace ini {

bool FindValue(std::string_view text, std::string_view section, std::string_view ident, std::string& value) {
  std::string_view sec = TrimBlanks(section), key = TrimBlanks(ident);
  bool inSection = false, seenSection = false;
  for (const std::string& line : SplitLines(text)) {
    LineKind k = Classify(line);
    if (k.kind == LineKind::Section) {
      // Only the first section of a name counts, as for the private-profile functions.
      if (inSection) return false;
      inSection = !seenSection && SameName(k.name, sec);
      seenSection = seenSection || inSection;
    } else if (k.kind == LineKind::Key && inSection && SameName(k.name, key)) {
      value.assign(k.value);
      return true;
    }
  }
  return false;
}

std::string SetValue(std::string_view text, std::string_view section, std::string_view ident, std::string_view value) {
  std::string_view sec = TrimBlanks(section), key = TrimBlanks(ident);
  Lines lines = SplitLines(text);
  std::string newLine = std::string(key) + "=" + std::string(value);
  long sectionAt = -1, lastKeyAt = -1;
  for (size_t i = 0; i < lines.size(); ++i) {
    LineKind k = Classify(lines[i]);
    if (k.kind == LineKind::Section) {
      if (sectionAt >= 0) break;
      if (SameName(k.name, sec)) sectionAt = lastKeyAt = static_cast<long>(i);
    } else if (sectionAt >= 0 && k.kind != LineKind::Other) {
      lastKeyAt = static_cast<long>(i);
      if (SameName(k.name, key)) {
        lines[i] = newLine;
        return JoinLinesCrLf(lines);
      }
    } else if (sectionAt >= 0 && !TrimBlanks(lines[i]).empty()) {
      lastKeyAt = static_cast<long>(i);  // a junk or comment line stays with its section
    }
  }
  if (sectionAt >= 0) {
    lines.insert(lines.begin() + lastKeyAt + 1, newLine);
  } else {
    lines.push_back("[" + std::string(sec) + "]");
    lines.push_back(newLine);
  }
  return JoinLinesCrLf(lines);
}

}  // namespace ini

SettingsFile::SettingsFile() { SetFileName(""); }

void SettingsFile::Loaded() {
  if (fileName_.empty()) SetFileName(std::string(kSettingsFileName));
}

void SettingsFile::SetFileName(const std::string& value) {
  fileName_ = value;
  std::filesystem::path name(value);
  if (value.find('/') != std::string::npos) {
    path_ = name;
    return;
  }
  switch (defaultDir_) {
    case SettingsDefaultDir::Application: path_ = ApplicationFolder() / name; break;
    case SettingsDefaultDir::Windows: path_ = WindowsFolder() / name; break;
    case SettingsDefaultDir::None: path_ = name; break;
  }
}

void SettingsFile::SetDefaultDir(SettingsDefaultDir value) {
  defaultDir_ = value;
  SetFileName(fileName_);
}

std::filesystem::path SettingsFile::ApplicationFolder() {
  if (const char* home = std::getenv("CORVINA_HOME"); home && *home) return std::filesystem::path(home);
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::filesystem::current_path(ec);
  return exe.parent_path();
}

std::filesystem::path SettingsFile::WindowsFolder() {
  if (const char* cfg = std::getenv("XDG_CONFIG_HOME"); cfg && *cfg) return std::filesystem::path(cfg);
  if (const char* home = std::getenv("HOME"); home && *home) return std::filesystem::path(home) / ".config";
  return std::filesystem::path("/etc");
}

std::string SettingsFile::ReadString(std::string_view section, std::string_view ident,
                                     std::string_view defaultValue) const {
  std::string text, s;
  if (!LoadText(path_, text) || !ini::FindValue(text, section, ident, s)) {
    s = kOpenBracket + std::string(defaultValue) + kCloseBracket;
  }
  size_t n = s.size();
  if (n == 2 && (s == "\"\"" || (s[0] == kOpenBracket && s[1] == kCloseBracket))) return {};
  if (n > 2) {
    bool quoted = s.front() == '"' && s.back() == '"';
    bool bracketed = s.front() == kOpenBracket && EndsWithSingleByte(s, kCloseBracket);
    if (quoted || bracketed) return s.substr(1, n - 2);
  }
  return s;
}

std::optional<long long> SettingsFile::ReadNumber(std::string_view section, std::string_view ident) const {
  std::string text, s;
  if (!LoadText(path_, text) || !ini::FindValue(text, section, ident, s)) return std::nullopt;
  return ParseNumber(s);
}

int SettingsFile::ReadInteger(std::string_view section, std::string_view ident, int defaultValue) const {
  const std::optional<long long> v = ReadNumber(section, ident);
  return v && *v >= INT_MIN && *v <= INT_MAX ? static_cast<int>(*v) : defaultValue;
}

int SettingsFile::Read(const IntSetting& s) const {
  const std::optional<long long> v = ReadNumber(s.section, s.ident);
  return v ? static_cast<int>(std::clamp<long long>(*v, s.min, s.max)) : s.defaultValue;
}

bool SettingsFile::ReadBool(std::string_view section, std::string_view ident, bool defaultValue) const {
  return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void SettingsFile::WriteString(std::string_view section, std::string_view ident, std::string_view value) const {
  CheckNames(path_, section, ident, value);
  std::string error;
  // One look-up of the file for the read and the write, and a file that cannot be read is not rewritten: either
  // way other sections and keys would be lost or carried into another file.
  if (!RewriteFileAtomic(
          path_, [&](const std::string& text) { return ini::SetValue(text, section, ident, value); }, &error))
    Refuse(error);
}

void SettingsFile::WriteInteger(std::string_view section, std::string_view ident, int value) const {
  WriteString(section, ident, std::to_string(value));
}

void SettingsFile::WriteBool(std::string_view section, std::string_view ident, bool value) const {
  WriteString(section, ident, value ? "1" : "0");
}

namespace {

void List(std::vector<IniSetting>& list, const BoolSetting& s) {
  list.push_back({s.section, s.ident, IniSetting::Kind::Boolean, s.defaultValue ? "1" : "0"});
}
void List(std::vector<IniSetting>& list, const IntSetting& s) {
  list.push_back({s.section, s.ident, IniSetting::Kind::Integer, std::to_string(s.defaultValue)});
}
void List(std::vector<IniSetting>& list, const StringSetting& s) {
  list.push_back({s.section, s.ident, IniSetting::Kind::String, std::string(s.defaultValue)});
}
void List(std::vector<IniSetting>& list, const ComputedDefaultSetting& s) {
  list.push_back({s.section, s.ident, IniSetting::Kind::String, std::string(s.defaultValue)});
}
void List(std::vector<IniSetting>& list, const WindowBoundsSetting& s) {
  for (const IntSetting* key : {&s.top, &s.left, &s.width, &s.height}) List(list, *key);
}

std::vector<IniSetting> ListEveryKey() {
  std::vector<IniSetting> list;
#define CORVINA_LIST_SETTING(Type, name, ...) List(list, name);
  CORVINA_SETTINGS_KEYS(CORVINA_LIST_SETTING)
#undef CORVINA_LIST_SETTING
  return list;
}

}  // namespace

std::span<const IniSetting> IniSettings() {
  static const std::vector<IniSetting> kSettings = ListEveryKey();
  return kSettings;
}

}  // namespace corvina
