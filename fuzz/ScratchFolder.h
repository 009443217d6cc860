#pragma once
// The scratch folder of a fuzz target's process: under the system's temporary folder, named by the target and
// the process, so targets running side by side never share files; removed when the process ends normally.
#include <unistd.h>
#include <filesystem>
#include <string>
#include <system_error>

namespace corvina_fuzz {

inline const std::filesystem::path& ScratchFolder(const std::string& target) {
  struct Folder {
    std::filesystem::path path;
    explicit Folder(const std::string& name)
        : path(std::filesystem::temp_directory_path() / ("corvina-" + name + "-fuzz-" + std::to_string(::getpid()))) {
      std::filesystem::create_directories(path);
    }
    ~Folder() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  };
  static const Folder folder(target);
  return folder.path;
}

}  // namespace corvina_fuzz
