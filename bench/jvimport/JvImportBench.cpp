// Time of one stored import of a full race day (card and results of 3 racecourses x 12 races) through the
// file-backed stand-in into fresh day files. Goal: under 50 ms.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "components/SettingsFile.h"
#include "platform/Clock.h"
#include "platform/jvlink/FileJVLink.h"
#include "racedata/StoredImport.h"
#include "tools/jvgen/Generator.h"

namespace corvina {
namespace {
namespace fs = std::filesystem;

struct NullUi : StoredImportUi {
  bool timer = false;
  void Beep() override {}
  void Inform(const std::string&) override {}
  bool Confirm(const std::string&) override { return true; }
  void SetProgressLabel(const std::string&) override {}
  void SetDownloadBar(int, int) override {}
  void SetReadBar(int, int) override {}
  void ClearList() override {}
  void AddListLine(const std::string&) override {}
  void RemoveListLines(const std::vector<int>&) override {}
  void SetStatusTimer(bool on) override { timer = on; }
  void SetBusyCursor(bool) override {}
  void ShowStartTime(const DateTime&) override {}
  void ProcessMessages() override {}
};

void BM_ImportStoredDay(benchmark::State& state) {
  const fs::path base = fs::temp_directory_path() / ("corvina_bench_jvimport_" + std::to_string(::getpid()));
  jvgen::Options options;
  options.date = DayName{2024, 1, 6};
  options.venues = 3;
  const jvgen::Day day = jvgen::MakeDay(options);
  Clock::Set(DateTime{2024, 1, 6, 18, 0, 0});
  int records = 0;
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(base);
    jvgen::WriteStandIn(day, base / "jvlink");
    fs::create_directories(base / "app" / "Data");
    SettingsFile ini;
    ini.SetFileName((base / "app" / "corvina.ini").string());
    NullUi ui;
    state.ResumeTiming();

    FileJVLink link(base / "jvlink");
    link.JVInit("SA501927/SD774310/Corvina/Ver.1.28");
    StoredImport import(link, base / "app", ini, ui);
    import.SetStartTime(DateTime{2024, 1, 1, 0, 0, 0});
    import.Start();
    while (ui.timer) import.StatusTick();
    records = import.StoredCount();
  }
  state.counters["records"] = records;
  Clock::Reset();
  fs::remove_all(base);
}
BENCHMARK(BM_ImportStoredDay)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace corvina

BENCHMARK_MAIN();
