#pragma once
// The day files of the data folder: their names, the list of stored days, blank and placeholder files, and
// the merge rules by which the import window and the real-time readers store one record at a time. The records
// of one exchange are merged into the files held by a DayFileBatch, which saves each changed file whole through
// a temporary file, making its changes again on what another process saved meanwhile.
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DayName.h"
#include "platform/LineFile.h"
#include "racedata/DayModel.h"

namespace corvina {

// AppDir/Data: the one folder of every day file.
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

// Returns true for the name of a file the program writes in the data folder: a day followed by a day file's suffix,
// with a racecourse's name before ".jvSEr" ("2024年01月06日.jvRA", "2024年01月06日東京.jvSEr").
bool IsDayFileName(std::string_view utf8Name);

// Writes `count` blank lines of `lineLength`.
bool CreateBlankFile(const std::filesystem::path& path, int lineLength, int count, std::string* error = nullptr);

// Before a load reads the odds files: when the .jvRA has more than 6 lines, a missing .jvO1 is created with two
// blank lines per .jvRA line and a missing .jvO2 with one. Returns false only when a write failed.
bool WritePlaceholderOddsFiles(const std::filesystem::path& raPath, std::string* error = nullptr);

// The day files one exchange changes, held in memory: each file is read once, every record merges into its
// lines there, and a flush saves each changed file once, whole, through a temporary file and a rename. A file
// on disk is thus always an old or a new whole file; what had not been flushed when the program died is read
// again by the next exchange (the import's start time moves only after a complete run that was flushed). The
// batch keeps each change it made: a file that another process (another window, a dayreport) saved since the
// batch read it gets the changes made again on its new lines, in one locked read and rename, so neither side's
// records are lost.
class DayFileBatch {
 public:
  // A change to a file's lines: the same records put the same way whatever the lines are. Returns false when it
  // left them as they were.
  using LineEdit = std::function<bool(Lines& lines)>;

  // How long changes may wait in memory during a long read.
  static constexpr std::chrono::milliseconds kFlushInterval{2000};

  explicit DayFileBatch(std::filesystem::path dataDir);
  DayFileBatch(const DayFileBatch&) = delete;
  DayFileBatch& operator=(const DayFileBatch&) = delete;

  const std::filesystem::path& DataDir() const { return dataDir_; }

  // Returns true when the batch holds the file (one it created counts) or it is a file on disk.
  bool Exists(const std::filesystem::path& path) const;
  // Makes `edit` on the lines of a day file, read from disk the first time as fixed records of `lineLength`; an
  // edit that changed them is saved by the next flush. A missing file has no lines when `create`, else it is not
  // edited and the call returns false with the reason; so does a file that cannot be read. `changed` tells
  // whether the edit changed the lines.
  bool Edit(const std::filesystem::path& path, size_t lineLength, bool create, LineEdit edit, bool* changed = nullptr,
            std::string* error = nullptr);
  // Returns true while a change to `path` is not on disk yet.
  bool Unsaved(const std::filesystem::path& path) const;

  // Saves every changed file once. Goes on past a file that cannot be saved (it stays unsaved, for the next
  // flush) and returns false with the first error. The files saved or unchanged are let go, so a long read
  // holds only what changed since its last flush.
  bool Flush(std::string* error = nullptr);
  // Flushes when the interval has passed since the batch began or last flushed; true when nothing failed.
  bool FlushWhenDue(std::string* error = nullptr);
  void SetFlushInterval(std::chrono::milliseconds interval) { interval_ = interval; }

 private:
  struct File {
    size_t lineLength = 0;
    std::string read;  // the file's bytes when the batch read it (none: it was missing)
    Lines lines;
    std::vector<LineEdit> edits;
    bool changed = false;
  };
  // The file's entry, read from disk the first time; nullptr, with the reason, as Edit says.
  File* Open(const std::filesystem::path& path, size_t lineLength, bool create, std::string* error);
  // Saves one changed file: its lines when the file is as the batch read it (or gone), else its edits made again
  // on what is there now.
  static bool Save(const std::filesystem::path& path, File& file, std::string* error);

  std::filesystem::path dataDir_;
  std::map<std::filesystem::path, File> files_;
  std::chrono::milliseconds interval_ = kFlushInterval;
  std::chrono::steady_clock::time_point lastFlush_;
};

// Fills a .jvRA up to 36 lines with blank lines (the import window does this for each .jvRA it wrote).
bool PadRaFile(DayFileBatch& files, const std::filesystem::path& raPath, std::string* error = nullptr);

// Who stores a record: the import window creates missing .jvRA, .jvHR and .jvSEr files and clears the data kind
// and creation date of HR records; the real-time reader creates only .jvHR and stores HR records unchanged.
enum class DayWriter { Import, RealTime };

enum class MergeResult {
  Stored,    // the file held by the batch now has the record
  NotNewer,  // an odds record no later than the stored one; nothing changed
  Skipped,   // the record has no place (race or horse number out of range, no file, race not loaded)
  Failed,    // the file could not be read; `error` says why
};

// Race card (.jvRA) and payouts (.jvHR): replace the line of the same RaceKey or add one, keep the file sorted.
MergeResult MergeRaRecord(DayFileBatch& files, std::string_view record, DayWriter writer, std::string* error = nullptr);
MergeResult MergeHrRecord(DayFileBatch& files, std::string_view record, DayWriter writer, std::string* error = nullptr);
// Runner (.jvSEr of the racecourse): line (race - 1) * 18 + (horse - 1); races 1..12 and horses 1..18 only.
MergeResult MergeSeRecord(DayFileBatch& files, std::string_view record, DayWriter writer, std::string* error = nullptr);
// Odds (.jvO1 / .jvO2), placed by the slot of the loaded day whose RA line has the record's VenueRaceKey, in the
// odds file of that race's day. O1: line 2i is the first snapshot (set once), 2i + 1 the latest; O2: line i. A
// record of a race the loaded day does not hold is Skipped. A loaded race whose odds file is gone (deleted, or
// the Data folder moved away) is Failed with the file's path: the file is not made again, for it would hold this
// race's odds and nothing else.
MergeResult MergeO1Record(DayFileBatch& files, const RaceTable& table, std::string_view record,
                          std::string* error = nullptr);
MergeResult MergeO2Record(DayFileBatch& files, const RaceTable& table, std::string_view record,
                          std::string* error = nullptr);

}  // namespace corvina
