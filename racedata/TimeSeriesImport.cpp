#include "racedata/TimeSeriesImport.h"

#include <cctype>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/Cp932.h"
#include "platform/Text.h"
#include "racedata/DayFiles.h"
#include "racedata/RaceRecords.h"
#include "racedata/RecordLayout.h"

namespace corvina {

namespace fs = std::filesystem;
namespace L = layout;

namespace {

constexpr int kNoPick = 1000;  // minutes: a line this far from the target or farther is never picked
constexpr L::Field kAnnounceMonthDay{28, 4};

bool OfKind(std::string_view line, std::string_view kind) { return CopyView(line, 1, 2) == kind; }

bool AnnouncedOnRaceDay(std::string_view line) {
  return CopyView(line, L::head::kMonthDay.pos, L::head::kMonthDay.len) ==
         CopyView(line, kAnnounceMonthDay.pos, kAnnounceMonthDay.len);
}

bool PlainKey(std::string_view key, size_t length) {
  if (key.size() != length) return false;
  for (char c : key)
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  return true;
}

bool FileExists(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

// Puts `record` (padded or cut to the record length) at line `index` of a day odds file, creating the file or
// adding blank lines when it has no such line yet.
bool ReplaceDayLine(DayFileBatch& files, const fs::path& path, size_t index, int lineLength, std::string_view record,
                    std::string& error) {
  return files.Edit(
      path, static_cast<size_t>(lineLength), true,
      [index, lineLength, line = LineOfRecord(record, lineLength)](Lines& lines) {
        while (lines.size() <= index) lines.emplace_back(static_cast<size_t>(lineLength), ' ');
        lines[index] = line;
        return true;
      },
      nullptr, &error);
}

std::string PathText(const fs::path& p) {
  const std::u8string s = p.u8string();
  return std::string(s.begin(), s.end());
}

}  // namespace

int MinutesOfHHMM(std::string_view hhmm) {
  return StrToIntLenient(CopyView(hhmm, 1, 2)) * 60 + StrToIntLenient(CopyView(hhmm, 3, 2));
}

int PickNearest(const Lines& lines, int target, std::string_view kind) {
  int best = kNoPick, picked = -1;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (!OfKind(line, kind) || !AnnouncedOnRaceDay(line)) continue;
    const int announced = FieldInt(line, L::o1::kAnnHour) * 60 + FieldInt(line, L::o1::kAnnMinute);
    const int d = target > announced ? target - announced : announced - target;
    if (d < best) {
      best = d;
      picked = static_cast<int>(i);
    }
  }
  return picked;
}

int PickBeforePost(const Lines& lines, std::string_view postTime, std::string_view kind) {
  for (size_t i = lines.size(); i-- > 0;) {
    const std::string& line = lines[i];
    if (OfKind(line, kind) && FieldView(line, L::o1::kAnnHHMM) < postTime) return static_cast<int>(i);
  }
  return -1;
}

int PickSnapshot(const Lines& lines, int target, std::string_view postTime, std::string_view kind,
                 bool beforePostRule) {
  int picked = PickNearest(lines, target, kind);
  if (beforePostRule && target <= 0) {
    const int beforePost = PickBeforePost(lines, postTime, kind);
    if (beforePost >= 0) picked = beforePost;
  }
  return picked;
}

fs::path TimeSeriesFile(const fs::path& folder, std::string_view ra, std::string_view suffix) {
  const std::string dateKey = DateKey(ra), venueRaceKey = VenueRaceKey(ra);
  if (!PlainKey(dateKey, 8) || !PlainKey(venueRaceKey, 8)) return {};
  return folder / dateKey / (venueRaceKey + std::string(suffix));
}

TimeSeriesResult ImportTimeSeries(const DayModel& day, const fs::path& folder) {
  TimeSeriesResult result;
  DayFileBatch files(day.DataDir());
  // Each race a pass wrote, counted once its day file is saved.
  std::vector<std::pair<fs::path, int*>> written;
  // One pass: pick from the series, put the line into the day file; false when the day file cannot be read.
  auto pass = [&](const Lines& series, std::string_view kind, int target, bool beforePostRule,
                  std::string_view postTime, const fs::path& dayFile, size_t index, int lineLength, int& count) {
    const int picked = PickSnapshot(series, target, postTime, kind, beforePostRule);
    if (picked < 0) return true;
    std::string error;
    if (!ReplaceDayLine(files, dayFile, index, lineLength, series[static_cast<size_t>(picked)], error)) {
      result.failed = true;
      result.error = PathText(dayFile.filename()) + ": " + error;
      return false;
    }
    written.emplace_back(dayFile, &count);
    return true;
  };

  for (int i = 0; i < kSlots && !result.failed; ++i) {
    const std::string& ra = day.Table.GRaTbl[static_cast<size_t>(i)];
    if (!IsRaceRecord(ra)) continue;  // a blank slot names no file of the folder
    const auto raceDay = DayOfRecord(ra);
    if (!raceDay) continue;
    const RaceInfo& info = day.Races[static_cast<size_t>(i)];
    const std::string postTime = FieldText(ra, L::ra::kPostTime);
    const int target1 = MinutesOfHHMM(info.OddsTime1), target2 = MinutesOfHHMM(info.OddsTime2);
    const size_t slot = static_cast<size_t>(i);

    const fs::path o1 = TimeSeriesFile(folder, ra, L::kSuffixO1);
    Lines series;
    if (!o1.empty() && FileExists(o1) && ReadLines(o1, series)) {
      const fs::path dayO1 = DayFilePath(files.DataDir(), *raceDay, L::kSuffixO1);
      if (!pass(series, L::kKindO1, target1, false, postTime, dayO1, 2 * slot, L::kO1Line, result.morning) ||
          !pass(series, L::kKindO1, target2, true, postTime, dayO1, 2 * slot + 1, L::kO1Line, result.latest))
        break;
    }
    const fs::path o2 = TimeSeriesFile(folder, ra, L::kSuffixO2);
    series.clear();
    if (!o2.empty() && FileExists(o2) && ReadLines(o2, series)) {
      const fs::path dayO2 = DayFilePath(files.DataDir(), *raceDay, L::kSuffixO2);
      if (!pass(series, L::kKindO2, target2, true, postTime, dayO2, slot, L::kO2Line, result.quinella)) break;
    }
  }
  // Every race put into the day files before a failure is saved; a day file that cannot be saved keeps its
  // old lines, and its races are not counted.
  std::string error;
  if (!files.Flush(&error) && !result.failed) {
    result.failed = true;
    result.error = error;
  }
  for (const auto& [file, count] : written)
    if (!files.Unsaved(file)) ++*count;
  return result;
}

std::string TimeSeriesSummary(const TimeSeriesResult& result) {
  const std::string& morning = CORVINA_CP932("ﾚｰｽ分の朝ｵｯｽﾞ、");
  const std::string& latest = CORVINA_CP932("ﾚｰｽ分の単複枠最新ｵｯｽﾞ、");
  const std::string& quinella = CORVINA_CP932("ﾚｰｽ分の馬連最新ｵｯｽﾞ");
  const std::string& done = CORVINA_CP932("を取りこみました。");
  return std::to_string(result.morning) + morning + std::to_string(result.latest) + latest +
         std::to_string(result.quinella) + quinella + done;
}

}  // namespace corvina
