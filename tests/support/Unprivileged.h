#pragma once
// Runs a step as a user without privileges, so that file permissions bind also when the suite runs as root
// (as it does in CI): root reads and writes whatever the mode bits say.
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

namespace corvina::test {

// Runs `step` and gives its result. As root, `folder` and everything in it are given to user and group 65534
// first and `step` runs in a child process as that user; otherwise it runs here as it is.
inline bool RunUnprivileged(const std::filesystem::path& folder, const std::function<bool()>& step) {
  if (::geteuid() != 0) return step();
  constexpr uid_t kNobody = 65534;
  if (::chown(folder.c_str(), kNobody, kNobody) != 0) return false;
  for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
    if (::lchown(e.path().c_str(), kNobody, kNobody) != 0) return false;
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    const bool ok = ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0 && step();
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace corvina::test
