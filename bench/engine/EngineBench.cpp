// The day load with the whole prediction run on a generated day of 3 racecourses x 12 races: what the user
// waits for after every date choice and every automatic odds acquisition. Goal: under 5 ms on one core.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <memory>

#include "analysis/Engine.h"
#include "analysis/HitJudge.h"
#include "analysis/PairOdds.h"
#include "analysis/Recovery.h"
#include "analysis/Tickets.h"
#include "racedata/DayLoad.h"
#include "tools/jvgen/Generator.h"

namespace {

namespace fs = std::filesystem;
using namespace corvina;

const DayName kDay(2024, 1, 6);

// A generated day in a folder of its own, removed at exit.
class GeneratedDay {
 public:
  explicit GeneratedDay(bool marker) {
    home_ = fs::temp_directory_path() / ("corvina-bench-engine-" + std::to_string(::getpid()) + (marker ? "-k" : ""));
    fs::remove_all(home_);
    fs::create_directories(home_);
    jvgen::Options o;
    o.date = kDay;
    jvgen::WriteDayFiles(jvgen::MakeDay(o), home_);
    if (marker) std::ofstream(home_ / "makeKaishuFile.data") << "";
  }
  ~GeneratedDay() { fs::remove_all(home_); }
  const fs::path& home() const { return home_; }

 private:
  fs::path home_;
};

// Everything a date choice runs: day files read, records filled, rankings, engine, statistics.
void BM_LoadPredictJudge(benchmark::State& state) {
  const bool marker = state.range(0) != 0;
  GeneratedDay files(marker);
  auto day = std::make_unique<DayModel>();
  day->AppDir = files.home();
  const DayLoadEngine engine = analysis::MakeDayLoadEngine({});
  for (auto _ : state) {
    DayLoadResult r = LoadDay(*day, kDay, engine);
    if (r.status != DayLoadStatus::Loaded || r.raceList.size() != 36) {
      state.SkipWithError("the generated day did not load");
      break;
    }
    benchmark::DoNotOptimize(day->GStats);
  }
  state.SetLabel(marker ? "with .ksr files" : "no .ksr files");
}
BENCHMARK(BM_LoadPredictJudge)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The engine alone on a loaded day (each iteration starts from the loaded records).
void BM_PredictJudgeOnly(benchmark::State& state) {
  GeneratedDay files(false);
  auto loaded = std::make_unique<DayModel>();
  loaded->AppDir = files.home();
  LoadDay(*loaded, kDay, {});
  auto day = std::make_unique<DayModel>();
  for (auto _ : state) {
    *day = *loaded;
    analysis::ComputePairOdds(*day);
    analysis::PredictDay(*day, true);
    analysis::JudgeHits(*day);
    analysis::ComputeStatistics(*day);
    benchmark::DoNotOptimize(day->GStats);
  }
}
BENCHMARK(BM_PredictJudgeOnly)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
