#pragma once
// Loading a race day: rebuilds the race table and both per-race records from the day files, ranks the horses
// by their odds, runs the prediction engine through a hook and hands back what the window must show.
//
// How the main window uses it when a day is chosen in its date box:
//   1. Before the call: switch the results-poll timer off, hide the race pages and clear the race list.
//   2. Call LoadDay(day, chosenDay, engine, settings) with the hook made by the analysis library
//      (analysis/Engine.h) and the setting kResultsPollMinutes.
//   3. After the call: when `beep` is set beep; when `message` is not empty show it in an information box
//      with an OK button. When `status` is Loaded: enable the window, fill the race list with `raceList`, arm
//      the results-poll timer with `timerInterval` when `timerEnabled`, select line `selectLine` and show that
//      race, and set the race stepper's maximum to `raceStepperMax` and its position to 0. Otherwise the list
//      stays empty, the pages hidden and the timer off.
// The tools load a day the same way, so the window and the tools share this one routine.
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "components/SettingsFile.h"
#include "platform/DayName.h"
#include "racedata/DayModel.h"

namespace corvina {

// The prediction engine as the load runs it; the analysis library fills it. An empty member is skipped.
struct DayLoadEngine {
  std::function<void(DayModel&)> ComputePairOdds;  // pair odds and averages
  std::function<void(DayModel&)> PredictDay;       // marks and tickets
  std::function<void(DayModel&)> JudgeHits;        // tickets and axis horse against the payouts
  // The day's statistics and summary files; `dayName` is the CP932 DayName. Returns problems to report.
  std::function<std::vector<std::string>(DayModel&, const std::string& dayName)> ComputeRecoveryStatistics;
};

enum class DayLoadStatus {
  Loaded,             // every phase ran
  NoRaceFile,         // the day's .jvRA does not exist: nothing to show, no message
  RunnerFileMissing,  // a racecourse has no .jvSEr: "データ作成が未完了のようです。"
  TooFewRaces,  // fewer than 9 races: "本ソフトは当日全レースの出馬表データを揃えてからご利用ください。"
  Busy,         // a load was already running; this request did nothing
};

struct DayLoadResult {
  DayLoadStatus status = DayLoadStatus::NoRaceFile;
  bool beep = false;
  std::string message;                         // information box text (CP932), empty for none
  std::vector<std::string> raceList;           // race list lines (CP932), line i = RaceSlot i
  bool timerEnabled = false;                   // arm the results poll: the loaded day is today
  std::chrono::milliseconds timerInterval{0};  // the poll interval
  int selectLine = -1;                         // race list line to select and show, -1 for none
  int raceStepperMax = -1;                     // race stepper maximum
  std::vector<std::string> warnings;           // files that could not be written (UTF-8 text), for a status line
};

// Fewest races a loadable day has.
inline constexpr int kMinRacesOfDay = 9;

// Loads `dayName` from day.AppDir/Data into `day` and runs `engine`. `resultsPollMinutes` is the setting
// kResultsPollMinutes; it is kept in day.GResultsPollMinutes. Never re-entered: a call made while a load
// runs returns Busy at once.
DayLoadResult LoadDay(DayModel& day, const DayName& dayName, const DayLoadEngine& engine,
                      int resultsPollMinutes = kResultsPollMinutes.defaultValue);

// The stored race days of day.AppDir/Data for the date box, newest first, as CP932 DayNames; none selected.
std::vector<std::string> ListStoredDays(const std::filesystem::path& appDir);

// The win-odds rankings of one slot: by predicted odds, by the first snapshot and (when present) the latest,
// with RankedCount and Over8Runners.
void RankRace(DayModel& day, int slot);

}  // namespace corvina
