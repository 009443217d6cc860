// AES-encrypted ZIP entries: one key derivation (PBKDF2-HMAC-SHA1, 1,000 iterations, the 66 bytes
// of an AES-256 entry), 2,000 small AES-256 entries, and one stored AES-256 entry of 40 MB (where
// the block cipher's speed shows), each extracted by the library and by 7z. The archives are made
// once with 7z and kept in the user's cache folder.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "archive/Sha1.h"
#include "archive/ZipExtractor.h"
#include "bench/archive/BenchFolders.h"

namespace fs = std::filesystem;
using namespace corvina::archive;
using namespace corvina::bench;

namespace {

constexpr int kEntries = 2000;

fs::path AesArchive() {
  const fs::path dir = CacheDir();
  const fs::path archive = dir / "bench-aes256-2000.zip";
  if (fs::exists(archive)) return archive;
  if (!HaveTool("7z")) return {};
  const fs::path src = dir / "aes-entries";
  fs::create_directories(src);
  for (int i = 1; i <= kEntries; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "f%d.txt", i);
    std::ofstream(src / name) << "entry " << i << " of the small archive\n";
  }
  const std::string cmd = "cd '" + dir.string() + "' && 7z a -tzip -mem=AES256 -pSECRET '" + archive.string() +
                          "' aes-entries >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) return {};
  fs::remove_all(src);
  return archive;
}

constexpr size_t kLargeBytes = size_t(40) << 20;

fs::path LargeAesArchive() {
  const fs::path dir = CacheDir();
  const fs::path archive = dir / "bench-aes256-large.zip";
  if (fs::exists(archive)) return archive;
  if (!HaveTool("7z")) return {};
  fs::create_directories(dir);
  // Data no compressor would shrink, stored: the run measures the cipher, the code and the writes.
  const fs::path src = dir / "large.bin";
  {
    std::ofstream out(src, std::ios::binary);
    uint64_t x = 0x9E3779B97F4A7C15u;
    std::string block(1 << 16, '\0');
    for (size_t done = 0; done < kLargeBytes; done += block.size()) {
      for (char& c : block) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        c = char(x);
      }
      out.write(block.data(), std::streamsize(block.size()));
    }
  }
  const std::string cmd = "cd '" + dir.string() + "' && 7z a -tzip -mx=0 -mem=AES256 -pSECRET '" + archive.string() +
                          "' large.bin >/dev/null 2>&1";
  const bool made = std::system(cmd.c_str()) == 0;
  fs::remove(src);
  return made ? archive : fs::path();
}

void KeyDerivation(benchmark::State& state) {
  const std::string password = "SECRET";
  uint8_t salt[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}, out[66];
  for (auto _ : state) {
    Pbkdf2HmacSha1(reinterpret_cast<const uint8_t*>(password.data()), password.size(), salt, sizeof salt, 1000, out,
                   sizeof out);
    benchmark::DoNotOptimize(out);
    ++salt[0];
  }
}

void ExtractWithLibrary(benchmark::State& state, const fs::path& archive, int entries) {
  if (archive.empty()) return state.SkipWithError("7z (p7zip-full) could not make the archive");
  const fs::path out = Scratch("aes-");
  for (auto _ : state) {
    ZipExtractor zip;
    zip.SetArchiveFile(archive.string());
    zip.FileSpec = {"*.*"};
    zip.Passwords = {"SECRET"};
    zip.SetExtractDir(out.string());
    if (zip.Extract() != entries) return state.SkipWithError("extraction failed");
  }
  fs::remove_all(out);
}

void ExtractWith7z(benchmark::State& state, const fs::path& archive) {
  if (archive.empty()) return state.SkipWithError("7z (p7zip-full) could not make the archive");
  const fs::path out = Scratch("aes-");
  const std::string cmd = "7z x -y -pSECRET -o'" + out.string() + "' '" + archive.string() + "' >/dev/null 2>&1";
  for (auto _ : state)
    if (std::system(cmd.c_str()) != 0) return state.SkipWithError("7z failed");
  fs::remove_all(out);
}

void LibraryAes(benchmark::State& state) { ExtractWithLibrary(state, AesArchive(), kEntries); }
void SevenZipAes(benchmark::State& state) { ExtractWith7z(state, AesArchive()); }
void LibraryLargeAes(benchmark::State& state) { ExtractWithLibrary(state, LargeAesArchive(), 1); }
void SevenZipLargeAes(benchmark::State& state) { ExtractWith7z(state, LargeAesArchive()); }

}  // namespace

BENCHMARK(KeyDerivation)->Unit(benchmark::kMillisecond);
BENCHMARK(LibraryAes)->Name("Library/aes256x2000")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SevenZipAes)->Name("7z/aes256x2000")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LibraryLargeAes)->Name("Library/aes256-40MB-stored")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SevenZipLargeAes)->Name("7z/aes256-40MB-stored")->Unit(benchmark::kMillisecond)->UseRealTime();
