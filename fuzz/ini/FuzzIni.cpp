// libFuzzer target: the settings file. The input is the file's text; every key of the program is read from
// it, one key chosen by the input is set, and the file must then give that value back while every other key
// keeps the value it had.
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "components/SettingsFile.h"
#include "fuzz/ScratchFolder.h"

namespace {
const std::filesystem::path& ScratchSettingsPath() {
  static const std::filesystem::path file = corvina_fuzz::ScratchFolder("ini") / "corvina.ini";
  return file;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvina;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto settings = IniSettings();
  std::vector<std::string> before(settings.size());
  std::vector<bool> found(settings.size());
  for (size_t i = 0; i < settings.size(); ++i)
    found[i] = ini::FindValue(text, settings[i].section, settings[i].ident, before[i]);

  // The new value: the input's last line, as a value can hold it (no line break, no blanks around it).
  std::string value(
      text.substr(text.find_last_of("\r\n") == std::string_view::npos ? 0 : text.find_last_of("\r\n") + 1));
  while (!value.empty() && IsBlank(value.back())) value.pop_back();
  while (!value.empty() && IsBlank(value.front())) value.erase(value.begin());
  const size_t chosen = size % settings.size();
  const std::string changed = ini::SetValue(text, settings[chosen].section, settings[chosen].ident, value);
  for (size_t i = 0; i < settings.size(); ++i) {
    std::string after;
    const bool there = ini::FindValue(changed, settings[i].section, settings[i].ident, after);
    if (i == chosen ? !there || after != value : there != found[i] || after != before[i]) __builtin_trap();
  }

  // The typed reads and a write through the file, as the windows do them.
  {
    std::ofstream out(ScratchSettingsPath(), std::ios::binary | std::ios::trunc);
    out.write(text.data(), std::streamsize(text.size()));
  }
  SettingsFile ini;
  ini.SetFileName(ScratchSettingsPath().string());
  for (size_t i = chosen; i < settings.size() && i < chosen + 8; ++i) {
    const IniSetting& s = settings[i];
    switch (s.kind) {
      case IniSetting::Kind::Boolean: ini.ReadBool(s.section, s.ident, s.defaultValue == "1"); break;
      case IniSetting::Kind::Integer: ini.ReadInteger(s.section, s.ident, 0); break;
      case IniSetting::Kind::String: ini.ReadString(s.section, s.ident, s.defaultValue); break;
    }
  }
  try {
    ini.WriteString(settings[chosen].section, settings[chosen].ident, value);
    ini.ReadString(settings[chosen].section, settings[chosen].ident, "");
  } catch (const SettingsFileError&) {
  }
  return 0;
}
