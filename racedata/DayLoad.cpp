#include "racedata/DayLoad.h"

#include <algorithm>
#include <map>
#include <system_error>

#include "platform/Clock.h"
#include "platform/Cp932.h"
#include "platform/LineFile.h"
#include "platform/Text.h"
#include "racedata/DayFiles.h"
#include "racedata/RaceInfo.h"
#include "racedata/RaceRecords.h"
#include "racedata/Results.h"

namespace corvina {

namespace fs = std::filesystem;
namespace L = layout;

namespace {

const std::string& MessageRunnersMissing() { return CORVINA_CP932("データ作成が未完了のようです。"); }

const std::string& MessageTooFewRaces() {
  return CORVINA_CP932("本ソフトは当日全レースの出馬表データを揃えてからご利用ください。");
}

// A load runs to its end before another may start: the window's timers can fire while a caller waits.
class BusyGuard {
 public:
  BusyGuard() : owner_(!busy_) { busy_ = true; }
  ~BusyGuard() {
    if (owner_) busy_ = false;
  }
  bool Owner() const { return owner_; }

 private:
  static inline bool busy_ = false;
  bool owner_;
};

bool Exists(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

// Reads a day file of fixed-length lines when it exists. A file that exists but cannot be read is reported and
// treated as missing, as the load treats every missing optional file.
bool ReadDayFile(const fs::path& path, int lineLength, Lines& lines, DayLoadResult& result) {
  if (!Exists(path)) return false;
  std::string error;
  if (ReadFixedLines(path, static_cast<size_t>(lineLength), lines, &error)) return true;
  result.warnings.push_back(path.string() + ": " + error);
  return false;
}

// Ranking key piece of an odds value. Wider than the "%5.1f" of the race view so that odds of 1000 and more
// keep the text order numeric; wherever "%5.1f" fits, the order is the same as with it.
std::string OddsKeyPiece(double v) { return FormatFixed(v, 9, 1); }

struct Keyed {
  std::string key;
  int horse;
};

// Ranks the horses whose `first` value is above 0 by the key first + second + horse number; writes 1-based ranks
// into `rank` (others keep 0) and returns how many were ranked. The horse index travels with its key.
int RankBy(const PerHorse<double>& first, const PerHorse<double>& second, PerHorse<int>& rank) {
  std::vector<Keyed> keys;
  keys.reserve(kHorses);
  for (int h = 0; h < kHorses; ++h)
    if (first[h] > 0) keys.push_back({OddsKeyPiece(first[h]) + OddsKeyPiece(second[h]) + FormatInt(h + 1, 2), h});
  std::stable_sort(keys.begin(), keys.end(), [](const Keyed& a, const Keyed& b) { return a.key < b.key; });
  for (size_t i = 0; i < keys.size(); ++i) rank[keys[i].horse] = static_cast<int>(i) + 1;
  return static_cast<int>(keys.size());
}

bool HasRaceYear(const DayModel& day, int slot) { return !IsBlank(FieldView(day.Table.GRaTbl[slot], L::head::kYear)); }

// The race and runner files. Returns false (with the result filled) when the load must stop.
bool ReadRacesAndRunners(DayModel& day, DayLoadResult& result) {
  Lines raLines;
  std::string error;
  if (!ReadFixedLines(day.GRaPath, L::kRaLine, raLines, &error)) {
    result.warnings.push_back(day.GRaPath.string() + ": " + error);
    result.status = DayLoadStatus::NoRaceFile;
    return false;
  }
  const int slots = AssignRaceSlots(day.Table, raLines);
  std::map<fs::path, Lines> runnerFiles;  // one read per racecourse
  for (int s = 0; s < slots; ++s) {
    const std::string& ra = day.Table.GRaTbl[s];
    result.raceList.push_back(RaceListLine(ra));
    day.GSePath = SeFilePathBeside(day.GRaPath, FieldView(ra, L::head::kCourse));
    auto it = runnerFiles.find(day.GSePath);
    if (it == runnerFiles.end()) {
      Lines se;
      if (!Exists(day.GSePath) || !ReadFixedLines(day.GSePath, L::kSeLine, se, &error)) {
        result.status = DayLoadStatus::RunnerFileMissing;
        result.beep = true;
        result.message = MessageRunnersMissing();
        result.raceList.clear();
        // The load stops at this race: the races after it were never read, so no odds writer may find them.
        BlankRaceSlotsFrom(day.Table, s + 1);
        return false;
      }
      it = runnerFiles.emplace(day.GSePath, std::move(se)).first;
    }
    FileRunners(day.Table, s, it->second);
    day.GRaceTotal = s + 1;
  }
  if (static_cast<int>(result.raceList.size()) < kMinRacesOfDay) {
    result.status = DayLoadStatus::TooFewRaces;
    result.beep = true;
    result.message = MessageTooFewRaces();
    result.raceList.clear();
    return false;
  }
  return true;
}

// The payouts, predictions and odds, each only when its file exists.
void ReadOtherDayFiles(DayModel& day, DayLoadResult& result) {
  Lines lines;
  if (ReadDayFile(day.GHrPath, L::kHrLine, lines, result))
    FileSequential(day.Table, day.Table.GHrTbl, lines, L::kHrLine);
  if (ReadDayFile(WithSuffix(day.GRaPath, L::kSuffixYoz), L::kYozLine, lines, result)) FileYoz(day, lines);
  if (ReadDayFile(WithSuffix(day.GRaPath, L::kSuffixO1), L::kO1Line, lines, result)) FileO1(day.Table, lines);
  if (ReadDayFile(WithSuffix(day.GRaPath, L::kSuffixO2), L::kO2Line, lines, result))
    FileSequential(day.Table, day.Table.GO2Tbl, lines, L::kO2Line);
}

void ArmResultsPoll(DayModel& day, const DayName& dayName, int resultsPollMinutes, DayLoadResult& result) {
  day.GResultsPollMinutes = resultsPollMinutes;
  const DateTime now = Clock::Now();
  const bool today = DayName(now.year, now.month, now.day) == dayName;
  // A zero or negative interval would make a timer fire without pause: such a value leaves the poll off. The
  // setting never gives one; its range starts above.
  if (today && resultsPollMinutes >= 1) {
    result.timerEnabled = true;
    result.timerInterval = std::chrono::minutes(resultsPollMinutes);
  }
}

}  // namespace

void RankRace(DayModel& day, int slot) {
  const RaceInfo& info = day.Races[slot];
  RaceCalc& calc = day.Calcs[slot];
  calc.RankPred.fill(0);
  calc.RankOdds1.fill(0);
  calc.RankOdds2.fill(0);
  RankBy(info.PredWinOdds, info.WinOdds1, calc.RankPred);
  calc.RankedCount = RankBy(info.WinOdds1, info.PredWinOdds, calc.RankOdds1);
  if (info.Odds2Present == 1) calc.RankedCount = RankBy(info.WinOdds2, info.PredWinOdds, calc.RankOdds2);
  calc.Over8Runners = StrToIntLenient(info.EntryCount) > 8 ? 1 : 0;
}

DayLoadResult LoadDay(DayModel& day, const DayName& dayName, const DayLoadEngine& engine, int resultsPollMinutes) {
  DayLoadResult result;
  BusyGuard guard;
  if (!guard.Owner()) {
    result.status = DayLoadStatus::Busy;
    return result;
  }

  // Set-up. The statistics of the previous day go too, so no window shows them under this day.
  day.GFrom2005 = dayName.Year() >= 2005;
  const fs::path dataDir = DataDirOf(day.AppDir);
  day.GRaPath = DayFilePath(dataDir, dayName, L::kSuffixRA);
  day.GHrPath = WithSuffix(day.GRaPath, L::kSuffixHR);
  ResetRecords(day);
  day.GStats.fill(0);
  for (auto& rate : day.GRateStr) rate.clear();
  if (!dayName.Valid() || !Exists(day.GRaPath)) {
    result.status = DayLoadStatus::NoRaceFile;
    return result;
  }

  // A blank race table.
  BlankRaceTable(day);
  day.GRaceTotal = 0;

  // Placeholder odds files, so the odds writers find a line for every race.
  std::string error;
  if (!WritePlaceholderOddsFiles(day.GRaPath, &error)) result.warnings.push_back(error);

  // Races and runners first: without them there is no day to show.
  if (!ReadRacesAndRunners(day, result)) return result;

  // The other day files, results and payouts, then the card, snapshots and schedule.
  ReadOtherDayFiles(day, result);
  DecodeDayResults(day);
  FillRecords(day);

  // Which races can be used, and their win-odds rankings.
  for (int s = 0; s < kSlots; ++s) day.Calcs[s].CalcHasData = day.Races[s].HasData == 1 && HasRaceYear(day, s) ? 1 : 0;
  for (int s = 0; s < kSlots; ++s)
    if (day.Races[s].HasData == 1 && HasRaceYear(day, s)) RankRace(day, s);

  // Prediction and hits, then statistics, the results poll and the race to show: they need everything above.
  if (engine.ComputePairOdds) engine.ComputePairOdds(day);
  if (engine.PredictDay) engine.PredictDay(day);
  if (engine.JudgeHits) engine.JudgeHits(day);
  if (engine.ComputeRecoveryStatistics)
    for (auto& w : engine.ComputeRecoveryStatistics(day, dayName.Cp932())) result.warnings.push_back(std::move(w));
  ArmResultsPoll(day, dayName, resultsPollMinutes, result);

  const int lines = static_cast<int>(result.raceList.size());
  result.selectLine = std::clamp(day.GLastRace, 0, lines - 1);
  result.raceStepperMax = lines - 1;
  result.status = DayLoadStatus::Loaded;
  return result;
}

std::vector<std::string> ListStoredDays(const fs::path& appDir) {
  std::vector<std::string> items;
  for (const DayName& d : ListRaceDays(DataDirOf(appDir))) items.push_back(d.Cp932());
  return items;
}

}  // namespace corvina
