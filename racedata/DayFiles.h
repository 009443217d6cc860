#pragma once
// The day files of the data folder: their names, the list of stored days, blank and placeholder files, and
// the merge rules by which the import window and the real-time readers store one record at a time. Every
// writer loads the whole file, changes it and saves it whole through a temporary file.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DayName.h"
#include "platform/LineFile.h"
#include "racedata/DayModel.h"

namespace corvina {

// FAppDir/Data: the one folder of every day file.
std::filesystem::path DataDirOf(const std::filesystem::path& appDir);

// dataDir / "2024年01月06日" + suffix (UTF-8 name).
std::filesystem::path DayFilePath(const std::filesystem::path& dataDir, const DayName& day, std::string_view suffix);
// dataDir / "2024年01月06日東京.jvSEr": the runner file of a racecourse (style-2 name of the code).
std::filesystem::path SeFilePath(const std::filesystem::path& dataDir, const DayName& day, std::string_view courseCode);
// The runner file of a racecourse beside a day's .jvRA (same folder, same day).
std::filesystem::path SeFilePathBeside(const std::filesystem::path& raPath, std::string_view courseCode);
// `path` with its suffix replaced ("….jvRA" -> "….jvHR").
std::filesystem::path WithSuffix(const std::filesystem::path& path, std::string_view suffix);

// The day a record belongs to, from its RaceKey date; none when the date is not a real date.
std::optional<DayName> DayOfRecord(std::string_view record);

// The stored race days (a .jvRA file each), newest first. Names that do not begin with a day are ignored.
std::vector<DayName> ListRaceDays(const std::filesystem::path& dataDir);

// Writes `count` blank lines of `lineLength`.
bool CreateBlankFile(const std::filesystem::path& path, int lineLength, int count, std::string* error = nullptr);

// Before a load reads the odds files: when the .jvRA has more than 6 lines, a missing .jvO1 is created with two
// blank lines per .jvRA line and a missing .jvO2 with one. Returns false only when a write failed.
bool WritePlaceholderOddsFiles(const std::filesystem::path& raPath, std::string* error = nullptr);

// Fills a .jvRA up to 36 lines with blank lines (the import window does this for each .jvRA it wrote).
bool PadRaFile(const std::filesystem::path& raPath, std::string* error = nullptr);

// Who stores a record: the import window creates missing .jvRA, .jvHR and .jvSEr files and clears the data kind
// and creation date of HR records; the real-time reader creates only .jvHR and stores HR records unchanged.
enum class DayWriter { Import, RealTime };

enum class MergeResult {
  Stored,     // the file now holds the record
  NotNewer,   // an odds record no later than the stored one; nothing changed
  Skipped,    // the record has no place (race or horse number out of range, no file, race not loaded)
  Failed,     // the file could not be read or written; `error` says why
};

// Race card (.jvRA) and payouts (.jvHR): replace the line of the same RaceKey or add one, keep the file sorted.
MergeResult MergeRaRecord(const std::filesystem::path& dataDir, std::string_view record, DayWriter writer,
                          std::string* error = nullptr);
MergeResult MergeHrRecord(const std::filesystem::path& dataDir, std::string_view record, DayWriter writer,
                          std::string* error = nullptr);
// Runner (.jvSEr of the racecourse): line (race - 1) * 18 + (horse - 1); races 1..12 and horses 1..18 only.
MergeResult MergeSeRecord(const std::filesystem::path& dataDir, std::string_view record, DayWriter writer,
                          std::string* error = nullptr);
// Odds (.jvO1 / .jvO2), placed by the slot of the loaded day whose RA line has the record's VenueRaceKey and
// whose day has the odds file. O1: line 2i is the first snapshot (set once), 2i + 1 the latest; O2: line i.
MergeResult MergeO1Record(const std::filesystem::path& dataDir, const RaceTable& table, std::string_view record,
                          std::string* error = nullptr);
MergeResult MergeO2Record(const std::filesystem::path& dataDir, const RaceTable& table, std::string_view record,
                          std::string* error = nullptr);

}  // namespace corvina
