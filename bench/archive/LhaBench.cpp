// Extraction throughput of large -lh5- and -lh7- archives: the library against Debian's lhasa in the
// same run. The archives are made once with jlha and kept in the user's cache folder.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "archive/LhaExtractor.h"
#include "bench/archive/BenchFolders.h"

namespace fs = std::filesystem;
using namespace corvina::archive;
using namespace corvina::bench;

namespace {

constexpr size_t kInputSize = 32u * 1024 * 1024;

// Text much like the providers' files: fixed-width lines of numbers and names, with repeats.
void MakeInput(const fs::path& file) {
  std::mt19937 rng(20240106);
  const char* names[] = {"Tokyo", "Nakayama", "Kyoto", "Hanshin", "Chukyo", "Niigata", "Fukushima", "Sapporo"};
  std::ofstream out(file, std::ios::binary);
  size_t written = 0;
  char line[128];
  while (written < kInputSize) {
    const int n =
        std::snprintf(line, sizeof line, "%08u %-10s R%02u H%02u %6.1f %6.1f %5u %s\r\n", unsigned(rng() % 100000000),
                      names[rng() % 8], unsigned(rng() % 12 + 1), unsigned(rng() % 18 + 1), (rng() % 9999) / 10.0,
                      (rng() % 9999) / 10.0, unsigned(rng() % 99999), (rng() % 4) ? "OK" : "SCRATCHED");
    out.write(line, n);
    written += size_t(n);
  }
}

fs::path Archive(const std::string& method) {
  const fs::path dir = CacheDir();
  const fs::path archive = dir / ("bench-" + method + ".lzh");
  if (fs::exists(archive)) return archive;
  fs::create_directories(dir);
  const fs::path input = dir / "input.txt";
  if (!fs::exists(input) || fs::file_size(input) < kInputSize) MakeInput(input);
  const std::string cmd = "cd '" + dir.string() + "' && jlha c" + (method == "lh7" ? "o7" : "o5") + " '" +
                          archive.filename().string() + "' input.txt >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) return {};
  return archive;
}

void Library(benchmark::State& state, const std::string& method) {
  if (!HaveTool("jlha")) return state.SkipWithError("jlha (jlha-utils) is not installed");
  const fs::path archive = Archive(method);
  if (archive.empty()) return state.SkipWithError("jlha could not make the archive");
  const fs::path out = Scratch("");
  int64_t bytes = 0;
  for (auto _ : state) {
    LhaExtractor lha;
    lha.SetArchiveFile(archive.string());
    lha.FileSpec = {"*.*"};
    lha.SetExtractDir(out.string());
    if (lha.Extract() != 1) return state.SkipWithError("extraction failed");
    bytes += int64_t(kInputSize);
  }
  state.SetBytesProcessed(bytes);
}

void Lhasa(benchmark::State& state, const std::string& method) {
  if (!HaveTool("jlha")) return state.SkipWithError("jlha (jlha-utils) is not installed");
  if (!HaveTool("lhasa")) return state.SkipWithError("lhasa is not installed");
  const fs::path archive = Archive(method);
  if (archive.empty()) return state.SkipWithError("jlha could not make the archive");
  const fs::path out = Scratch("");
  const std::string cmd = "lhasa xqfw='" + out.string() + "' '" + archive.string() + "' >/dev/null 2>&1";
  int64_t bytes = 0;
  for (auto _ : state) {
    if (std::system(cmd.c_str()) != 0) return state.SkipWithError("lhasa failed");
    bytes += int64_t(kInputSize);
  }
  state.SetBytesProcessed(bytes);
}

}  // namespace

BENCHMARK_CAPTURE(Library, lh5, std::string("lh5"))->Name("Library/lh5")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Lhasa, lh5, std::string("lh5"))->Name("Lhasa/lh5")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Library, lh7, std::string("lh7"))->Name("Library/lh7")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Lhasa, lh7, std::string("lh7"))->Name("Lhasa/lh7")->Unit(benchmark::kMillisecond)->UseRealTime();
