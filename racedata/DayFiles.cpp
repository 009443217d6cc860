#include "racedata/DayFiles.h"

#include <algorithm>
#include <cerrno>

#include "platform/Cp932.h"
#include "platform/Text.h"
#include "racedata/RaceRecords.h"
#include "racedata/RacingTexts.h"

namespace corvina {

namespace fs = std::filesystem;
namespace L = layout;

namespace {

fs::path Utf8Path(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

std::string Utf8Name(const fs::path& p) {
  const std::u8string s = p.filename().u8string();
  return std::string(s.begin(), s.end());
}

bool IsFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

// Makes sure `lines` has at least `count` lines, adding blank lines of `lineLength`.
void ExtendTo(Lines& lines, size_t count, int lineLength) {
  while (lines.size() < count) lines.emplace_back(static_cast<size_t>(lineLength), ' ');
}

// Replace-or-add by RaceKey, then sort by the whole line (byte order).
void ReplaceOrAdd(Lines& lines, const std::string& line) {
  const std::string key = RaceKey(line);
  auto it = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return RaceKey(l) == key; });
  if (it != lines.end())
    *it = line;
  else
    lines.push_back(line);
  std::sort(lines.begin(), lines.end());
}

MergeResult MergeByRaceKey(DayFileBatch& files, const std::string& line, int lineLength, std::string_view suffix,
                           bool createWhenMissing, bool dropBlankFirst, std::string* error) {
  // Race cards and payouts are whole lines of their own: only a race number below 1 keeps them out. (Runner
  // lines, addressed by race number, need 1..12.)
  if (RaceNumber(line) < 1) return MergeResult::Skipped;
  const auto day = DayOfRecord(line);
  if (!day) return MergeResult::Skipped;
  const fs::path path = DayFilePath(files.DataDir(), *day, suffix);
  if (!createWhenMissing && !files.Exists(path)) return MergeResult::Skipped;
  const bool stored = files.Edit(
      path, static_cast<size_t>(lineLength), createWhenMissing,
      [line, dropBlankFirst](Lines& lines) {
        ReplaceOrAdd(lines, line);
        // The blank lines of a padded .jvRA sort first; one goes per record stored.
        if (dropBlankFirst && !lines.empty() && IsBlank(lines.front())) lines.erase(lines.begin());
        return true;
      },
      nullptr, error);
  return stored ? MergeResult::Stored : MergeResult::Failed;
}

// The slot of the loaded day an odds record belongs to, and the odds file of that slot's day, whether or not the
// file is there: a loaded race's file that is gone is the caller's failure to report, not a race to pass over.
int FindOddsSlot(const DayFileBatch& files, const RaceTable& table, const std::string& line, std::string_view suffix,
                 fs::path& path) {
  const std::string key = VenueRaceKey(line);
  for (int s = 0; s < kSlots; ++s) {
    const std::string& ra = table.GRaTbl[s];
    if (!IsRaceRecord(ra) || VenueRaceKey(ra) != key) continue;
    const auto day = DayOfRecord(ra);
    if (!day) continue;
    path = DayFilePath(files.DataDir(), *day, suffix);
    return s;
  }
  return -1;
}

// Announcements carry no year. One later in the calendar than the race's own date was made in the year before
// (the eve of a New Year's race), so it orders before every announcement of the race's year; otherwise the
// evening-before odds would count as newer than every race-day snapshot and the latest odds would never be kept.
long long AnnounceValue(std::string_view line) {
  const long long announced = FieldInt(line, L::o1::kAnnounce);  // mmddhhnn
  if (announced <= 0) return 0;                                  // no snapshot yet: anything is newer
  const long long raceMonthDay = FieldInt(line, L::head::kMonthDay);
  const bool yearBefore = announced / 10000 > raceMonthDay && raceMonthDay > 0;
  return announced + (yearBefore ? 0 : 100000000LL);
}

}  // namespace

fs::path DataDirOf(const fs::path& appDir) { return appDir / "Data"; }

fs::path DayFilePath(const fs::path& dataDir, const DayName& day, std::string_view suffix) {
  return dataDir / Utf8Path(day.FileStem() + std::string(suffix));
}

fs::path SeFilePath(const fs::path& dataDir, const DayName& day, std::string_view courseCode) {
  return dataDir / Utf8Path(day.FileStem() + FromCp932(CourseName(courseCode, 2)) + std::string(L::kSuffixSE));
}

fs::path SeFilePathBeside(const fs::path& raPath, std::string_view courseCode) {
  const auto day = DayName::ParseUtf8Prefix(Utf8Name(raPath));
  if (!day) return {};
  return SeFilePath(raPath.parent_path(), *day, courseCode);
}

fs::path WithSuffix(const fs::path& path, std::string_view suffix) {
  fs::path p = path;
  p.replace_extension(Utf8Path(std::string(suffix)));
  return p;
}

std::optional<DayName> DayOfRecord(std::string_view record) { return DayName::FromDateKey(DateKey(record)); }

std::vector<DayName> ListRaceDays(const fs::path& dataDir) {
  std::vector<DayName> days;
  std::error_code ec;
  for (fs::directory_iterator it(dataDir, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const std::string name = Utf8Name(it->path());
    if (!name.ends_with(L::kSuffixRA)) continue;
    if (auto day = DayName::ParseUtf8Prefix(name)) days.push_back(*day);
  }
  std::sort(days.begin(), days.end());
  days.erase(std::unique(days.begin(), days.end()), days.end());
  std::reverse(days.begin(), days.end());
  return days;
}

bool IsDayFileName(std::string_view utf8Name) {
  const auto day = DayName::ParseUtf8Prefix(utf8Name);
  if (!day) return false;
  const std::string_view rest = utf8Name.substr(day->FileStem().size());
  if (rest.ends_with(L::kSuffixSE)) return true;
  for (std::string_view suffix :
       {L::kSuffixRA, L::kSuffixHR, L::kSuffixO1, L::kSuffixO2, L::kSuffixO3, L::kSuffixYoz, L::kSuffixMoto})
    if (rest == suffix) return true;
  return false;
}

bool CreateBlankFile(const fs::path& path, int lineLength, int count, std::string* error) {
  Lines lines;
  ExtendTo(lines, static_cast<size_t>(std::max(count, 0)), lineLength);
  return SaveLines(path, lines, error);
}

namespace {

// Creates a blank file as CreateBlankFile does unless the file is there: the look and the save are one locked
// step, so odds that another process saved meanwhile are never replaced by blanks.
bool CreateBlankFileIfMissing(const fs::path& path, int lineLength, int count, std::string* error) {
  return UpdateFileAtomic(
      path,
      [&](std::string& bytes, bool present) {
        if (present) return false;
        Lines lines;
        ExtendTo(lines, static_cast<size_t>(std::max(count, 0)), lineLength);
        bytes = JoinLinesCrLf(lines);
        return true;
      },
      error);
}

}  // namespace

bool WritePlaceholderOddsFiles(const fs::path& raPath, std::string* error) {
  Lines ra;
  if (!ReadLines(raPath, ra, error)) return false;
  const int n = static_cast<int>(ra.size());
  if (n <= 6) return true;
  const fs::path o1 = WithSuffix(raPath, L::kSuffixO1), o2 = WithSuffix(raPath, L::kSuffixO2);
  if (!IsFile(o1) && !CreateBlankFileIfMissing(o1, L::kO1Line, 2 * n, error)) return false;
  if (!IsFile(o2) && !CreateBlankFileIfMissing(o2, L::kO2Line, n, error)) return false;
  return true;
}

DayFileBatch::DayFileBatch(fs::path dataDir)
    : dataDir_(std::move(dataDir)), lastFlush_(std::chrono::steady_clock::now()) {}

bool DayFileBatch::Exists(const fs::path& path) const { return files_.contains(path) || IsFile(path); }

DayFileBatch::File* DayFileBatch::Open(const fs::path& path, size_t lineLength, bool create, std::string* error) {
  if (auto it = files_.find(path); it != files_.end()) return &it->second;
  File file;
  file.lineLength = lineLength;
  if (IsFile(path)) {
    if (!ReadFileBytes(path, file.read, error)) return nullptr;
    file.lines = SplitFixedLines(file.read, lineLength);
  } else if (!create) {
    if (error) *error = FileErrorText(FileAction::Read, path, ENOENT);
    return nullptr;
  }
  return &files_.emplace(path, std::move(file)).first->second;
}

bool DayFileBatch::Edit(const fs::path& path, size_t lineLength, bool create, LineEdit edit, bool* changed,
                        std::string* error) {
  File* file = Open(path, lineLength, create, error);
  if (!file) return false;
  const bool did = edit(file->lines);
  file->changed = file->changed || did;
  // Kept even when it changed nothing here: on the lines another process saved it may.
  file->edits.push_back(std::move(edit));
  if (changed) *changed = did;
  return true;
}

bool DayFileBatch::Save(const fs::path& path, File& file, std::string* error) {
  return UpdateFileAtomic(
      path,
      [&](std::string& bytes, bool present) {
        if (present && bytes != file.read) {
          // Saved by another process since the batch read it: the batch's changes are made on its lines.
          Lines lines = SplitFixedLines(bytes, file.lineLength);
          for (const LineEdit& edit : file.edits) edit(lines);
          file.lines = std::move(lines);
          file.read = bytes;
        }
        bytes = JoinLinesCrLf(file.lines);
        return true;
      },
      error);
}

bool DayFileBatch::Unsaved(const fs::path& path) const {
  const auto it = files_.find(path);
  return it != files_.end() && it->second.changed;
}

bool DayFileBatch::Flush(std::string* error) {
  lastFlush_ = std::chrono::steady_clock::now();
  bool ok = true;
  for (auto it = files_.begin(); it != files_.end();) {
    std::string why;
    if (it->second.changed && !Save(it->first, it->second, &why)) {
      if (ok && error) *error = why;
      ok = false;
      ++it;
      continue;
    }
    it = files_.erase(it);
  }
  return ok;
}

bool DayFileBatch::FlushWhenDue(std::string* error) {
  if (std::chrono::steady_clock::now() - lastFlush_ < interval_) return true;
  return Flush(error);
}

bool PadRaFile(DayFileBatch& files, const fs::path& raPath, std::string* error) {
  return files.Edit(
      raPath, L::kRaLine, false,
      [](Lines& lines) {
        if (lines.size() >= static_cast<size_t>(kSlots)) return false;
        ExtendTo(lines, kSlots, L::kRaLine);
        return true;
      },
      nullptr, error);
}

MergeResult MergeRaRecord(DayFileBatch& files, std::string_view record, DayWriter writer, std::string* error) {
  const std::string line = OverwriteStr(LineOfRecord(record, L::kRaLine), "000000000", 3);
  return MergeByRaceKey(files, line, L::kRaLine, L::kSuffixRA, writer == DayWriter::Import, true, error);
}

MergeResult MergeHrRecord(DayFileBatch& files, std::string_view record, DayWriter writer, std::string* error) {
  std::string line = LineOfRecord(record, L::kHrLine);
  if (writer == DayWriter::Import) line = OverwriteStr(line, "000000000", 3);
  return MergeByRaceKey(files, line, L::kHrLine, L::kSuffixHR, true, false, error);
}

MergeResult MergeSeRecord(DayFileBatch& files, std::string_view record, DayWriter writer, std::string* error) {
  const std::string line = LineOfRecord(record, L::kSeLine);
  const int race = RaceNumber(line);
  const int horse = FieldInt(line, L::se::kUmaBan);
  if (!RaceNumberInRange(race) || horse < 1 || horse > L::kHorses) return MergeResult::Skipped;
  const auto day = DayOfRecord(line);
  if (!day) return MergeResult::Skipped;
  const fs::path path = SeFilePath(files.DataDir(), *day, FieldText(line, L::head::kCourse));
  const bool create = writer == DayWriter::Import;
  if (!create && !files.Exists(path)) return MergeResult::Skipped;
  const size_t index = static_cast<size_t>((race - 1) * L::kHorses + (horse - 1));
  const bool stored = files.Edit(
      path, L::kSeLine, create,
      [line, index](Lines& lines) {
        ExtendTo(lines, L::kSeLines, L::kSeLine);  // a short file written elsewhere gets its missing lines
        lines[index] = line;
        return true;
      },
      nullptr, error);
  return stored ? MergeResult::Stored : MergeResult::Failed;
}

MergeResult MergeO1Record(DayFileBatch& files, const RaceTable& table, std::string_view record, std::string* error) {
  const std::string line = LineOfRecord(record, L::kO1Line);
  if (RaceNumber(line) < 1) return MergeResult::Skipped;
  fs::path path;
  const int slot = FindOddsSlot(files, table, line, L::kSuffixO1, path);
  if (slot < 0) return MergeResult::Skipped;
  const size_t first = 2 * static_cast<size_t>(slot);
  bool changed = false;
  const bool opened = files.Edit(
      path, L::kO1Line, false,
      [line, first](Lines& l) {
        ExtendTo(l, first + 2, L::kO1Line);
        if (IsBlank(l[first])) {
          l[first] = line;
        } else if (AnnounceValue(l[first + 1]) < AnnounceValue(line)) {
          l[first + 1] = line;
        } else {
          return false;
        }
        return true;
      },
      &changed, error);
  if (!opened) return MergeResult::Failed;
  return changed ? MergeResult::Stored : MergeResult::NotNewer;
}

MergeResult MergeO2Record(DayFileBatch& files, const RaceTable& table, std::string_view record, std::string* error) {
  const std::string line = LineOfRecord(record, L::kO2Line);
  if (RaceNumber(line) < 1) return MergeResult::Skipped;
  fs::path path;
  const int slot = FindOddsSlot(files, table, line, L::kSuffixO2, path);
  if (slot < 0) return MergeResult::Skipped;
  const size_t index = static_cast<size_t>(slot);
  bool changed = false;
  const bool opened = files.Edit(
      path, L::kO2Line, false,
      [line, index](Lines& l) {
        ExtendTo(l, index + 1, L::kO2Line);
        if (!(AnnounceValue(l[index]) < AnnounceValue(line))) return false;
        l[index] = line;
        return true;
      },
      &changed, error);
  if (!opened) return MergeResult::Failed;
  return changed ? MergeResult::Stored : MergeResult::NotNewer;
}

}  // namespace corvina
