#pragma once
// Typed access to the program's settings file by section and key. Every call reads the file afresh and every
// write rewrites it at once, so several instances on one file (one per window) see each other's writes and a
// hand edit between two calls is seen. Values are CP932 bytes, as the file stores them.
#include <climits>
#include <filesystem>
#include <optional>
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

// A key of the settings file: its section and name as the file spells them, and what a missing key reads as.
// The program's keys are declared once, at the end of this header.
template <class T>
struct Setting {
  std::string_view section;
  std::string_view ident;
  T defaultValue;
};
using BoolSetting = Setting<bool>;
using StringSetting = Setting<std::string_view>;

// An integer key also declares the range the program works in, which every read keeps to: a number outside,
// however large, reads as the nearer end; a value that is no number reads as the default. A window that edits the
// key offers this range.
struct IntSetting {
  std::string_view section;
  std::string_view ident;
  int defaultValue;
  int min = INT_MIN;
  int max = INT_MAX;
};

// A string key whose default is worked out where it is read, from the program folder or the clock: the
// declaration describes it and its one reader passes it.
struct ComputedDefaultSetting {
  std::string_view section;
  std::string_view ident;
  std::string_view defaultValue;  // what the reader passes, described
};

// A window's place and size: the keys left, top, width and height of one section. Any integer: placing the window
// fits it onto a screen, and the stored bounds are kept as they are until the user moves or resizes the window.
struct WindowBoundsSetting {
  IntSetting left, top, width, height;
};
constexpr WindowBoundsSetting WindowBoundsIn(std::string_view section, int left, int top, int width, int height) {
  return {{section, "left", left}, {section, "top", top}, {section, "width", width}, {section, "height", height}};
}

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

  // The program's keys, each with its declared default; a read never fails.
  bool Read(const BoolSetting& s) const { return ReadBool(s.section, s.ident, s.defaultValue); }
  int Read(const IntSetting& s) const;
  std::string Read(const StringSetting& s) const { return ReadString(s.section, s.ident, s.defaultValue); }
  std::string Read(const ComputedDefaultSetting& s, std::string_view defaultValue) const {
    return ReadString(s.section, s.ident, defaultValue);
  }
  // Throw SettingsFileError as the writes below do.
  void Write(const BoolSetting& s, bool value) const { WriteBool(s.section, s.ident, value); }
  void Write(const IntSetting& s, int value) const { WriteInteger(s.section, s.ident, value); }
  void Write(const StringSetting& s, std::string_view value) const { WriteString(s.section, s.ident, value); }
  void Write(const ComputedDefaultSetting& s, std::string_view value) const { WriteString(s.section, s.ident, value); }

  // Any section and key. A missing file, section or key gives the default; a read never fails.
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
  // The key's stored value as a number; nothing when the key is missing or holds no number. A decimal too large
  // for an int comes back just beyond the int range.
  std::optional<long long> ReadNumber(std::string_view section, std::string_view ident) const;

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

// ---- Every key of the program's settings file ---------------------------------------------------------------
// Sections and keys are spelled as stored files have them and never change. This list is the one place a key is
// declared: KEY(type, name, initialiser) both defines the constant `name` and lists it in IniSettings().
#define CORVINA_SETTINGS_KEYS(KEY)                                                                                 \
  /* The sibling odds viewer's time-series folder (CP932); empty, or the program folder, when none is chosen.      \
     Filled at start from that viewer's installation when empty (MainWindow), chosen and read by the time-series   \
     import. */                                                                                                    \
  KEY(StringSetting, kTimeSeriesFolder, "Dir", "jikeiretu", "")                                                    \
  /* The folder the providers' predicted-odds archives are chosen in (CP932; PredictedOddsCommands). */            \
  KEY(ComputedDefaultSetting, kPredictedOddsFolder, "Dir", "yoso", "<program folder>/ylzh")                        \
  KEY(WindowBoundsSetting, kMainWindowBounds, WindowBoundsIn("locate", 10, 10, 780, 560))                          \
  /* The main window's options: hide the day list after each load, and the local option of the tickets (also read  \
     by dayreport). */                                                                                             \
  KEY(BoolSetting, kHideDayListAfterLoad, "datalist", "close", false)                                              \
  KEY(BoolSetting, kLocalOption, "kaime", "local", true)                                                           \
  /* Minutes between the automatic reads of the day's results (ResultsPollIntervalWindow; each day load takes it   \
     up, as dayreport's does). A value below the range reads as its least, so the poll runs, neither without pause \
     nor switched off unseen. */                                                                                   \
  KEY(IntSetting, kResultsPollMinutes, "Time", "AutoRdataGet", 15, 5, 59)                                          \
  /* Minutes after each scheduled time at which the automatic odds are taken (OddsDelayWindow). */                 \
  KEY(IntSetting, kOddsDelayMinutes, "Time", "delay", 5, 0, 15)                                                    \
  /* Where the next stored-data import starts: the stamp of the last file the previous complete one read           \
     ("yyyy/mm/dd hh:nn:ss"; StoredImport). */                                                                     \
  KEY(ComputedDefaultSetting, kStoredImportStart, "JvDataGet", "LastTime", "<now - 8 days>")                       \
  /* The print window's place and size, and its zoom choice (0 to 3 for 25 % to 100 %). */                         \
  KEY(WindowBoundsSetting, kPrintWindowBounds, WindowBoundsIn("Printlocate", 10, 10, 630, 450))                    \
  KEY(IntSetting, kPrintZoomIndex, "PrintZoom", "ratio", 1, 0, 3)

#define CORVINA_DECLARE_SETTING(Type, name, ...) inline constexpr Type name{__VA_ARGS__};
CORVINA_SETTINGS_KEYS(CORVINA_DECLARE_SETTING)
#undef CORVINA_DECLARE_SETTING

// One key above as the code that goes over them all sees it.
struct IniSetting {
  enum class Kind { Boolean, Integer, String };
  std::string_view section;
  std::string_view ident;
  Kind kind;
  std::string defaultValue;  // as the file would hold it ("1"/"0" for Boolean), or described when computed
};

// Every key of the list above, in its order; the four keys of a window's bounds as top, left, width, height.
std::span<const IniSetting> IniSettings();

}  // namespace corvina
