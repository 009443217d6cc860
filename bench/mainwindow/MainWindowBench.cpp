// How long the window is blocked when the user chooses a day (load and first race shown) and when a race is
// shown. Each must stay under 50 ms on the sample day; the window does nothing else while they run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <filesystem>
#include <memory>

#include "mainwindow/ui/MainWindow.h"
#include "platform/gui/Dialogs.h"
#include "tools/jvgen/Generator.h"

namespace {

namespace fs = std::filesystem;

struct Setup {
  fs::path home;
  std::unique_ptr<corvina::MainWindow> form;
  Setup() {
    home = fs::temp_directory_path() / "corvina-bench-mainwindow";
    fs::remove_all(home);
    corvina::jvgen::Options o;
    o.date = corvina::DayName(2024, 1, 6);
    corvina::jvgen::WriteDayFiles(corvina::jvgen::MakeDay(o), home);
    form = std::make_unique<corvina::MainWindow>(home);
    form->resize(1500, 900);
    form->show();
    form->DateCombo->setCurrentIndex(0);
  }
};

std::unique_ptr<Setup> shared;
Setup& Shared() {
  if (!shared) shared = std::make_unique<Setup>();
  return *shared;
}

// Choosing the date: the whole day load (files, rankings, prediction, hits, statistics) and the first race.
void BM_ChooseDay(benchmark::State& state) {
  auto& s = Shared();
  corvina::gui::MessageRecorder quiet;
  for (auto _ : state) {
    s.form->LoadChosenDay();
    QCoreApplication::processEvents();  // the repaint belongs to what the user waits for
  }
  state.counters["races"] = s.form->RaceList->count();
}
BENCHMARK(BM_ChooseDay)->Unit(benchmark::kMillisecond);

// Choosing a race of the loaded day, with the repaint of the race pages.
void BM_ShowRace(benchmark::State& state) {
  auto& s = Shared();
  corvina::gui::MessageRecorder quiet;
  if (s.form->RaceList->count() == 0) s.form->LoadChosenDay();
  int line = 0;
  for (auto _ : state) {
    s.form->SelectRaceLine(line);
    s.form->ShowChosenRace();
    QCoreApplication::processEvents();
    line = (line + 1) % s.form->RaceList->count();
  }
}
BENCHMARK(BM_ShowRace)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // The application outlives the window and is gone before the process exits.
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (shared) fs::remove_all(shared->home);
  shared.reset();
  return 0;
}
