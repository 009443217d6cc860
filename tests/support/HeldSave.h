#pragma once
// Two processes that save one file at once: a child process held inside its rewrite of the file, between the
// read and the rename, while this process saves the same file. Without the folder's lock this process's save
// ends first and the child's rename then throws it away; with it, this process waits and works on the child's
// result.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "platform/LineFile.h"

namespace corvina::test {

// Forks a child that runs `child` and stops for `hold` inside its first rewrite of a file named `name` (the
// hook of the file layer); `parent` runs in this process while the child is held there. Succeeds when the child
// got there and `child` returned true.
inline ::testing::AssertionResult WhileAChildIsHeldInARewrite(
    const std::string& name, const std::function<bool()>& child, const std::function<void()>& parent,
    std::chrono::milliseconds hold = std::chrono::milliseconds{300}) {
  int told[2];
  if (::pipe(told) != 0) return ::testing::AssertionFailure() << "no pipe";
  const pid_t pid = ::fork();
  if (pid < 0) return ::testing::AssertionFailure() << "no fork";
  if (pid == 0) {
    ::close(told[0]);
    bool held = false;
    SetRewriteHook([&](const std::filesystem::path& path) {
      if (held || path.filename().string() != name) return;
      held = true;
      const char c = 'h';
      if (::write(told[1], &c, 1) != 1) ::_exit(3);
      std::this_thread::sleep_for(hold);
    });
    const bool ok = child();
    ::_exit(!held ? 2 : ok ? 0 : 1);
  }
  ::close(told[1]);
  pollfd in{told[0], POLLIN, 0};
  char c = 0;
  const bool reached = ::poll(&in, 1, 10000) == 1 && ::read(told[0], &c, 1) == 1;
  ::close(told[0]);
  if (reached) parent();
  if (!reached) ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!reached) return ::testing::AssertionFailure() << "the child never reached its rewrite of " << name;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return ::testing::AssertionFailure() << "the child's save failed (wait status " << status << ")";
  return ::testing::AssertionSuccess();
}

}  // namespace corvina::test
