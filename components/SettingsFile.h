#pragma once
// Typed access to the program's settings file by section and key. Every call reads the file afresh and every
// write rewrites it at once, so several instances on one file (one per window) see each other's writes and a
// hand edit between two calls is seen. Values are CP932 bytes, as the file stores them.
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace corvina {

// A write that the system refuses, naming the file. It is not caught here: it reaches the calling handler.
class SettingsFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where a FileName without a folder is looked for. On Linux the "Windows folder" is the user's configuration
// folder ($XDG_CONFIG_HOME, else ~/.config): the place a desktop program keeps system-wide settings of its own.
enum class SettingsDefaultDir { Application, Windows, None };

// The settings file that every window opens.
inline constexpr std::string_view kSettingsFileName = "corvina.ini";

class SettingsFile {
 public:
  // A new instance: DefaultDir Application, an empty FileName (resolved to the bare folder).
  SettingsFile();

  // After creation: an empty FileName becomes the program's settings file name.
  void Loaded();

  void SetFileName(const std::string& value);
  const std::string& FileName() const { return fileName_; }
  void SetDefaultDir(SettingsDefaultDir value);
  SettingsDefaultDir DefaultDir() const { return defaultDir_; }
  // The path every operation works on.
  const std::filesystem::path& Path() const { return path_; }

  // A missing file, section or key gives the default; a read never fails.
  bool ReadBool(std::string_view section, std::string_view ident, bool defaultValue) const;
  int ReadInteger(std::string_view section, std::string_view ident, int defaultValue) const;
  std::string ReadString(std::string_view section, std::string_view ident, std::string_view defaultValue) const;

  // Throw SettingsFileError when the file cannot be written (or cannot be read, which would lose the other
  // sections and keys), or when a name or value would break the file's line structure.
  void WriteBool(std::string_view section, std::string_view ident, bool value) const;
  void WriteInteger(std::string_view section, std::string_view ident, int value) const;
  void WriteString(std::string_view section, std::string_view ident, std::string_view value) const;

  // The program folder (AppDir): $CORVINA_HOME when set, else the folder of the running executable.
  static std::filesystem::path ApplicationFolder();
  // The folder that SettingsDefaultDir::Windows stands for.
  static std::filesystem::path WindowsFolder();

 private:
  SettingsDefaultDir defaultDir_ = SettingsDefaultDir::Application;
  std::string fileName_;
  std::filesystem::path path_;
};

// The INI text layer under SettingsFile, usable on its own (tests, tools). Section and key names compare without
// regard to the case of ASCII letters; blanks around names and values are ignored. The first occurrence of a
// duplicated section or key is the one read and written; every other line is kept as it stands.
namespace ini {

// The raw value of `ident` in `section` of the file's text; false when either is missing.
bool FindValue(std::string_view text, std::string_view section, std::string_view ident, std::string& value);

// The file's text with `ident` in `section` set to `value`; every other line kept.
std::string SetValue(std::string_view text, std::string_view section, std::string_view ident, std::string_view value);

}  // namespace ini

// A key of the settings file, with the default its owner reads it with.
struct IniSetting {
  enum class Kind { Boolean, Integer, String };
  std::string_view section;
  std::string_view ident;
  Kind kind;
  // The default as text ("1"/"0" for Boolean). Keys whose default depends on the program folder say so.
  std::string_view defaultValue;
  std::string_view owner;  // the window or unit that writes it
};

// Every section and key of the program's settings file.
std::span<const IniSetting> IniSettings();

}  // namespace corvina
