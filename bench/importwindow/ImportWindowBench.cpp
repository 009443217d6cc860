// Time of the import window reading eight stored race days (about 4,200 records) through the file-backed
// stand-in, offscreen, with its list and both progress bars. Goals: the whole run under 3 s, and the last
// thousand records taking no more than 1.5 times as long as the first thousand (a line added to the list must
// not cost more as the list grows).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QDateTimeEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <chrono>
#include <filesystem>
#include <vector>

#include "platform/Clock.h"
#include "platform/gui/Dialogs.h"
#include "platform/jvlink/FileJVLink.h"
#include "racedata/ui/StoredImportWindow.h"
#include "tools/jvgen/Generator.h"

namespace corvina {
namespace {
namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

// The stand-in, with the moment each record was handed out noted.
class TimedLink : public JVLink {
 public:
  explicit TimedLink(JVLink& inner) : inner_(inner) {}
  std::vector<SteadyClock::time_point> handedOut;

  int JVInit(const std::string& sid) override { return inner_.JVInit(sid); }
  int JVSetUIProperties() override { return inner_.JVSetUIProperties(); }
  int JVOpen(const std::string& dataSpec, const std::string& fromTime, int option, int& readCount, int& downloadCount,
             std::string& lastFileTimestamp) override {
    return inner_.JVOpen(dataSpec, fromTime, option, readCount, downloadCount, lastFileTimestamp);
  }
  int JVStatus() override { return inner_.JVStatus(); }
  int JVRead(std::string& buff, int size, std::string& fileName) override {
    const int r = inner_.JVRead(buff, size, fileName);
    if (r > 0) handedOut.push_back(SteadyClock::now());
    return r;
  }
  int JVRTOpen(const std::string& dataSpec, const std::string& key) override { return inner_.JVRTOpen(dataSpec, key); }
  int JVClose() override { return inner_.JVClose(); }
  int JVCancel() override { return inner_.JVCancel(); }

 private:
  JVLink& inner_;
};

double Ms(SteadyClock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void BM_ImportWindowEightDays(benchmark::State& state) {
  const fs::path base = fs::temp_directory_path() / ("corvina_bench_importwindow_" + std::to_string(::getpid()));
  // Two weekends and a Monday holiday of January 2024, one to three racecourses a day.
  const struct {
    DayName date;
    int venues;
  } days[] = {{{2024, 1, 6}, 2},  {{2024, 1, 7}, 2},  {{2024, 1, 8}, 1},  {{2024, 1, 13}, 2},
              {{2024, 1, 14}, 2}, {{2024, 1, 20}, 2}, {{2024, 1, 21}, 2}, {{2024, 1, 27}, 1}};
  std::vector<jvgen::Day> generated;
  for (const auto& d : days) {
    jvgen::Options options;
    options.date = d.date;
    options.venues = d.venues;
    options.seed = static_cast<std::uint64_t>(d.date.Day());
    generated.push_back(jvgen::MakeDay(options));
  }
  Clock::Set(DateTime{2024, 1, 28, 18, 0, 0});
  int records = 0, lines = 0;
  double first = 0, last = 0;
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(base);
    for (const auto& day : generated) jvgen::WriteStandIn(day, base / "jvlink");
    fs::create_directories(base / "app" / "Data");
    gui::MessageRecorder quiet;
    FileJVLink stand(base / "jvlink");
    stand.JVInit("SA501927/SD774310/Corvina/Ver.1.28");
    TimedLink link(stand);
    StoredImportWindow form(link, base / "app", {}, nullptr);
    form.show();
    form.NormalDataRadioButton->setChecked(true);
    form.StartTimeEdit->setDateTime(QDateTime(QDate(2024, 1, 1), QTime(0, 0)));
    QCoreApplication::processEvents();
    state.ResumeTiming();

    form.StartButton->click();
    while (form.Logic().Busy()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);

    state.PauseTiming();
    records = static_cast<int>(link.handedOut.size());
    lines = form.WrittenDataList->count();
    if (records > 2000) {
      first = Ms(link.handedOut[1000] - link.handedOut[0]);
      last = Ms(link.handedOut[records - 1] - link.handedOut[records - 1001]);
    }
    state.ResumeTiming();
  }
  state.counters["records"] = records;
  state.counters["list_lines"] = lines;
  state.counters["first1000_ms"] = first;
  state.counters["last1000_ms"] = last;
  state.counters["last_over_first"] = first > 0 ? last / first : 0;
  Clock::Reset();
  fs::remove_all(base);
}
BENCHMARK(BM_ImportWindowEightDays)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace corvina

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
