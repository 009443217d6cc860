#pragma once
// Folders and tools of the archive benchmarks: archives made once are kept in the user's cache
// folder; each run extracts into a scratch folder of its own.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace corvina::bench {

inline std::filesystem::path CacheDir() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  const char* home = std::getenv("HOME");
  std::filesystem::path base =
      xdg && *xdg ? std::filesystem::path(xdg) : std::filesystem::path(home ? home : "/tmp") / ".cache";
  return base / "corvina-bench";
}

inline bool HaveTool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// An empty folder under the system's temporary folder, one per tag and process.
inline std::filesystem::path Scratch(const std::string& tag) {
  const auto p = std::filesystem::temp_directory_path() / ("corvina-bench-" + tag + std::to_string(::getpid()));
  std::filesystem::remove_all(p);
  std::filesystem::create_directories(p);
  return p;
}

}  // namespace corvina::bench
