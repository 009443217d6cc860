#pragma once
// Runs a step on a disk of a few kilobytes, so that a full disk can be met without filling a real one: a tmpfs
// mounted over a folder in the mount namespace of a child process, which nothing outside the child sees.
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace corvina::test {

struct SmallDiskRun {
  bool passed = false;
  std::string told;  // the text the step handed out
};

// Mounts a tmpfs of `size` (mount's option, such as "64k") over `folder` in a child process and runs `step` there;
// the step says whether it passed and may hand out a text for the test to read. Nothing when no such disk can be
// mounted here (the test is skipped).
inline std::optional<SmallDiskRun> RunOnSmallDisk(const std::filesystem::path& folder, const std::string& size,
                                                  const std::function<bool(std::string& told)>& step) {
  int channel[2];
  if (::pipe(channel) != 0) return SmallDiskRun{};
  const pid_t pid = ::fork();
  if (pid < 0) return SmallDiskRun{};
  if (pid == 0) {
    ::close(channel[0]);
    const bool mounted = (::unshare(CLONE_NEWNS) == 0 || ::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0) &&
                         ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                         ::mount("none", folder.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
    if (!mounted) ::_exit(77);
    std::string told;
    const bool passed = step(told);
    const bool sent = ::write(channel[1], told.data(), told.size()) == static_cast<ssize_t>(told.size());
    ::_exit(passed && sent ? 0 : 1);
  }
  ::close(channel[1]);
  SmallDiskRun run;
  char buffer[4096];
  for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;) run.told.append(buffer, static_cast<size_t>(n));
  ::close(channel[0]);
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return run;
  if (WEXITSTATUS(status) == 77) return std::nullopt;
  run.passed = WEXITSTATUS(status) == 0;
  return run;
}

}  // namespace corvina::test
