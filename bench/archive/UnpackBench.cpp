// Many small entries: the unpack tool against Info-ZIP's unzip on 2,000 stored entries of 200 to 4,000 bytes, both
// run as programs in the same run. Three cases: into an empty folder; over files just written, still in the
// system's cache (unzip -o); and over files already on the disk, as a user's files from an earlier day are. What
// is timed is a whole run of each program: starting, reading the archive, and every entry's file. Before each
// run, outside the timing, the folder is made ready the same way for both programs (emptied, or filled by an
// unzip run, and synced so that nothing written earlier is still being written during the run). The archive is
// made once with zip and kept in the user's cache folder.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/archive/BenchFolders.h"

namespace fs = std::filesystem;
using namespace corvina::bench;

namespace {

constexpr int kEntries = 2000;

fs::path SmallStoredArchive() {
  const fs::path dir = CacheDir();
  const fs::path archive = dir / "bench-stored-2000.zip";
  if (fs::exists(archive)) return archive;
  if (!HaveTool("zip")) return {};
  const fs::path src = dir / "stored-entries";
  fs::remove_all(src);
  fs::create_directories(src);
  std::mt19937 rng(20240106);
  const std::string letters = "0123456789 abcdefghijklmnopqrstuvwxyz\n";
  for (int i = 0; i < kEntries; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "f%04d.txt", i);
    std::string text(200 + rng() % 3801, ' ');
    for (char& c : text) c = letters[rng() % letters.size()];
    std::ofstream(src / name, std::ios::binary) << text;
  }
  const std::string cmd = "cd '" + src.string() + "' && zip -q -0 -X '" + archive.string() + "' *.txt >/dev/null 2>&1";
  const bool made = std::system(cmd.c_str()) == 0;
  fs::remove_all(src);
  return made ? archive : fs::path();
}

// Runs a program with its output thrown away; true when it ended with status 0.
bool Run(const std::vector<std::string>& args) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  return rc == 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<std::string> UnpackCommand(const fs::path& archive, const fs::path& out) {
  return {CORVINA_UNPACK_PATH, archive.string(), out.string()};
}

std::vector<std::string> UnzipCommand(const fs::path& archive, const fs::path& out) {
  return {"unzip", "-q", "-o", archive.string(), "-d", out.string()};
}

enum class Target { Empty, JustWritten, OnDisk };

void Sync(const fs::path& folder) {
  const int handle = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (handle < 0) return;
  ::syncfs(handle);
  ::close(handle);
}

void Extract(benchmark::State& state, std::vector<std::string> (*command)(const fs::path&, const fs::path&),
             Target target) {
  if (!HaveTool("unzip")) return state.SkipWithError("unzip is not installed");
  const fs::path archive = SmallStoredArchive();
  if (archive.empty()) return state.SkipWithError("zip could not make the archive");
  const fs::path out = Scratch("stored-");
  const std::vector<std::string> args = command(archive, out);
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(out);
    fs::create_directories(out);
    Sync(out);
    if (target != Target::Empty && !Run(UnzipCommand(archive, out))) return state.SkipWithError("unzip failed");
    if (target == Target::OnDisk) Sync(out);
    state.ResumeTiming();
    if (!Run(args)) return state.SkipWithError("the extraction failed");
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * kEntries);
  fs::remove_all(out);
}

void UnpackFresh(benchmark::State& state) { Extract(state, UnpackCommand, Target::Empty); }
void UnzipFresh(benchmark::State& state) { Extract(state, UnzipCommand, Target::Empty); }
void UnpackOver(benchmark::State& state) { Extract(state, UnpackCommand, Target::JustWritten); }
void UnzipOver(benchmark::State& state) { Extract(state, UnzipCommand, Target::JustWritten); }
void UnpackOverOnDisk(benchmark::State& state) { Extract(state, UnpackCommand, Target::OnDisk); }
void UnzipOverOnDisk(benchmark::State& state) { Extract(state, UnzipCommand, Target::OnDisk); }

}  // namespace

BENCHMARK(UnpackFresh)->Name("unpack/2000-small-fresh")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(UnzipFresh)->Name("unzip/2000-small-fresh")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(UnpackOver)->Name("unpack/2000-small-over")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(UnzipOver)->Name("unzip/2000-small-over")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(UnpackOverOnDisk)->Name("unpack/2000-small-over-on-disk")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(UnzipOverOnDisk)->Name("unzip/2000-small-over-on-disk")->Unit(benchmark::kMillisecond)->UseRealTime();
