#pragma once
// The predicted-odds import: the providers' texts (JRDB "Oz<yymmdd>.txt", KOL "kol_ods.kd2/kd3") turned into
// the day's ".yoz" file, one 1459-byte line per provider line. Plain C++; the window side (archive dialog,
// unpacking, message boxes) is in racedata/ui/PredictedOddsCommands.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DayName.h"
#include "platform/LineFile.h"

namespace corvina {

inline constexpr std::string_view kKolKd2 = "kol_ods.kd2";
inline constexpr std::string_view kKolKd3 = "kol_ods.kd3";
inline constexpr std::string_view kYosoOddsDat = "yosoodds.dat";  // left by older imports; only ever deleted

// Provider line lengths: the last field each layout reads ends here.
inline constexpr int kJrdbLine = 955;
inline constexpr int kKolLine = 1502;

// The names that go with a chosen archive P.
struct YozSources {
  std::filesystem::path folder;  // P's folder: the archive is unpacked there
  std::string yymmdd;            // characters 3-8 of P's file name
  std::string jrdbName;          // "Oz" + yymmdd + ".txt"
};
YozSources YozSourcesOf(const std::filesystem::path& archive);

// Files in `folder` whose name equals `name` without regard to ASCII case, the exact spelling first.
std::vector<std::filesystem::path> FindFilesNoCase(const std::filesystem::path& folder, std::string_view name);
// Deletes every such file; missing files are ignored.
void DeleteFilesNoCase(const std::filesystem::path& folder, std::string_view name);
// Deletes the provider texts and "yosoodds.dat" an earlier import may have left in the archive's folder.
void DeleteYozSources(const YozSources& sources);

// One provider line as its .yoz line of exactly 1459 bytes. A short line counts as blank beyond its end, so
// every field stays at its place. `from2005`: the loaded day is of 2005 or later (KOL bracket mode is off).
std::string JrdbYozLine(std::string_view line, std::string_view yymmdd);
std::string KolYozLine(std::string_view line, bool from2005);

// The day a provider text is stored under: JRDB from the archive name, KOL from its first line. None when that
// is not a real date.
std::optional<DayName> JrdbDay(std::string_view yymmdd);
std::optional<DayName> KolDay(const Lines& text);

// Returns true when a .yoz line names a race of `day`: its date, a racecourse the day load can match and a race number.
bool IsYozRaceOfDay(std::string_view yozLine, const DayName& day);

// Returns true when the text holds no line that is not blank.
bool IsEmptyProviderText(const Lines& text);

enum class YozOutcome {
  NoProviderText,  // neither text was unpacked: the run ends silently
  ReadFailed,      // the text exists but cannot be read
  Empty,           // the text holds no race
  BadDate,         // the date that names the day file is not a real date
  NoRaceOfDay,     // no line names a race of that day (junk, another encoding): the stored file is kept
  SaveFailed,      // the .yoz could not be written
  Saved,
};

struct YozImportResult {
  YozOutcome outcome = YozOutcome::NoProviderText;
  char provider = 0;  // 'J' or 'K' once a text was found
  std::optional<DayName> day;
  std::filesystem::path file;  // the .yoz written
  std::string message;         // UTF-8 text for the user; empty for NoProviderText
  bool IsError() const { return outcome != YozOutcome::Saved && outcome != YozOutcome::NoProviderText; }
};

// After unpacking: converts the JRDB text when present, else "kol_ods.kd2", else "kol_ods.kd3", saves the
// result as dataDir/<DayName>.yoz (replacing that day's file) and deletes the unpacked provider texts.
YozImportResult StoreYozFromFolder(const YozSources& sources, const std::filesystem::path& dataDir, bool from2005);

}  // namespace corvina
