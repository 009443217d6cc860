#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <set>
#include <thread>

#include "platform/LineFile.h"
#include "tests/support/HeldSave.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TempDir.h"
#include "tests/support/Unprivileged.h"

using namespace corvina;
namespace fs = std::filesystem;

using test::TempDir;

namespace {

std::string Bytes(const fs::path& f) {
  std::string s;
  ReadFileBytes(f, s);
  return s;
}

// Every name in `dir` and its subfolders, hidden ones included, relative to `dir`.
std::set<std::string> Names(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(dir)) names.insert(e.path().lexically_relative(dir).string());
  return names;
}

// A child process saves two large versions of `file` in turn without end and is killed with SIGKILL after
// each of the delays; `afterKill` looks at the folder each time.
template <class Check>
void KillDuringSaves(const fs::path& file, const std::string& a, const std::string& b, Check afterKill) {
  for (int delayMs : {15, 45, 80, 130, 200}) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      for (unsigned i = 0;; ++i) SaveFileAtomic(file, i % 2 ? b : a);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status));
    const std::string now = Bytes(file);
    EXPECT_TRUE(now == a || now == b) << "killed after " << delayMs << " ms: " << now.size() << " bytes";
    afterKill(delayMs);
  }
}

}  // namespace

TEST(SplitLines, AcceptsEveryLineEnd) {
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n\r\nb\r\n"), (Lines{"a", "", "b"}));
  EXPECT_EQ(SplitLines(""), Lines{});
  EXPECT_EQ(SplitLines("\n"), Lines{""});
  EXPECT_EQ(SplitLines("x\r"), Lines{"x"});
}

TEST(LineFile, FixedRecordsArePaddedOrCutSoOneOddLineShiftsNothing) {
  TempDir dir;
  fs::path f = dir.path() / "day.jvRA";
  ASSERT_TRUE(SaveFileAtomic(f, "12345\nab\r\n123456789\r\nxyz"));
  Lines lines;
  ASSERT_TRUE(ReadFixedLines(f, 5, lines));
  EXPECT_EQ(lines, (Lines{"12345", "ab   ", "12345", "xyz  "}));
}

TEST(LineFile, SaveWritesCrLfAndLeavesNoTemporaryFile) {
  TempDir dir;
  fs::path f = dir.path() / "a.txt";
  ASSERT_TRUE(SaveLines(f, {"one", "", "two"}));
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(f, bytes));
  EXPECT_EQ(bytes, "one\r\n\r\ntwo\r\n");
  ASSERT_TRUE(SaveLines(f, {"three"}));
  ASSERT_TRUE(ReadFileBytes(f, bytes));
  EXPECT_EQ(bytes, "three\r\n");
  // A bare name is a file of the current folder.
  const fs::path before = fs::current_path();
  fs::current_path(dir.path());
  const bool bare = SaveLines("b.txt", {"bare"});
  fs::current_path(before);
  ASSERT_TRUE(bare);
  ASSERT_TRUE(ReadFileBytes(dir / "b.txt", bytes));
  EXPECT_EQ(bytes, "bare\r\n");
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"a.txt", "b.txt"}));
}

// The reasons a user reads, in Japanese with the file's path.
TEST(LineFile, FailuresAreReportedByNameAndKeepTheOldFile) {
  TempDir dir;
  Lines lines{"x"};
  std::string err;
  EXPECT_FALSE(ReadLines(dir / "missing", lines, &err));
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(err, (dir / "missing").string() + " がありません。");
  std::string bytes = "old";
  EXPECT_FALSE(ReadFileBytes(dir / "missing", bytes));
  EXPECT_EQ(bytes, "");
  // A rewrite finds a missing file with no bytes; one that is there but cannot be read is an error, never an
  // empty file, and the change is not made.
  bool changed = false;
  EXPECT_TRUE(UpdateFileAtomic(dir / "missing", [&](std::string& b, bool present) {
    changed = true;
    return present || !b.empty();
  }));
  EXPECT_TRUE(changed);
  fs::create_directories(dir / "blocked" / "inner");
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
  const std::pair<fs::path, std::string> unreadable[] = {{dir / "blocked", " はフォルダです。"},
                                                         {dir / "blocked" / "inner", " はフォルダです。"},
                                                         {dir / "pipe", " は通常のファイルではありません。"}};
  for (const auto& [path, reason] : unreadable) {
    changed = false;
    err.clear();
    EXPECT_FALSE(UpdateFileAtomic(
        path,
        [&](std::string&, bool) {
          changed = true;
          return true;
        },
        &err));
    EXPECT_FALSE(changed);
    EXPECT_EQ(err, path.string() + reason);
  }
  EXPECT_FALSE(ReadFixedLines(dir / "missing", 5, lines, &err));
  EXPECT_EQ(err, (dir / "missing").string() + " がありません。");

  EXPECT_FALSE(SaveLines(dir / "no-such-folder" / "f.txt", {"a"}, &err));
  EXPECT_EQ(err, (dir / "no-such-folder" / "f.txt").string() + " を保存するフォルダがありません。");
  // A folder or a pipe in the way of the rename: the save fails and nothing else appears.
  for (const auto& [path, reason] : unreadable) {
    EXPECT_FALSE(SaveLines(path, {"a"}, &err));
    EXPECT_EQ(err, path.string() + reason);
  }
  UseUnnamedTemporaries(false);
  EXPECT_FALSE(SaveLines(dir / "no-such-folder" / "f.txt", {"a"}, &err));
  UseUnnamedTemporaries(true);
  EXPECT_EQ(err, (dir / "no-such-folder" / "f.txt").string() + " を保存するフォルダがありません。");
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"blocked", "blocked/inner", "pipe"}));
}

// A disk without room: the save is refused, the file stays as it was and no temporary file is left.
TEST(LineFile, SaveOnAFullDiskIsRefusedAndKeepsTheOldFile) {
  TempDir dir;
  const fs::path small = dir / "small", f = small / "2024年01月06日.jvO1";
  fs::create_directory(small);
  const auto run = test::RunOnSmallDisk(small, "64k", [&](std::string& err) {
    const bool refused = SaveFileAtomic(f, "old") && !SaveFileAtomic(f, std::string(1 << 20, 'n'), &err);
    return refused && Bytes(f) == "old" && Names(small) == std::set<std::string>{f.filename().string()};
  });
  if (!run) GTEST_SKIP() << "no small file system can be mounted here";
  EXPECT_TRUE(run->passed);
  EXPECT_EQ(run->told, "ディスクの空きが足りないため " + f.string() + " を保存できません。");
}

// Root may write any file, so the refusal to replace, through a folder anyone may write, a file the user may
// not write binds only for other users: run as one. Root's own saves keep the file's owner.
TEST(LineFile, SaveRefusesAFileTheUserMayNotWriteAndKeepsTheOwner) {
  if (::geteuid() != 0) GTEST_SKIP() << "a file of another user needs root to make";
  TempDir dir;
  fs::create_directories(dir / "app");
  fs::create_directories(dir / "shared");
  fs::permissions(dir / "shared", fs::perms::all);
  const fs::path theirs = dir / "shared" / "theirs.ini";
  ASSERT_TRUE(SaveFileAtomic(theirs, "theirs"));
  fs::permissions(theirs, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  fs::create_symlink("../shared/theirs.ini", dir / "app" / "link.ini");
  ASSERT_TRUE(SaveFileAtomic(dir / "shared" / "private.ini", "private"));
  fs::permissions(dir / "shared" / "private.ini", fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_TRUE(test::RunUnprivileged(dir / "app", [&] {
    std::string err, bytes;
    return !SaveFileAtomic(dir / "app" / "link.ini", "mine", &err) &&
           err == (dir / "app" / "../shared/theirs.ini").string() + " に書き込む権限がありません。" &&
           !ReadFileBytes(dir / "shared" / "private.ini", bytes, &err) &&
           err == (dir / "shared" / "private.ini").string() + " を読む権限がありません。" &&
           SaveFileAtomic(dir / "app" / "own.ini", "mine");
  }));
  EXPECT_EQ(Bytes(theirs), "theirs");
  EXPECT_EQ(Names(dir / "shared"), (std::set<std::string>{"private.ini", "theirs.ini"}));
  struct stat before {};
  ASSERT_EQ(::stat((dir / "app" / "own.ini").c_str(), &before), 0);
  ASSERT_EQ(before.st_uid, 65534u);
  ASSERT_TRUE(SaveFileAtomic(dir / "app" / "own.ini", "root's"));
  struct stat after {};
  ASSERT_EQ(::stat((dir / "app" / "own.ini").c_str(), &after), 0);
  EXPECT_EQ(after.st_uid, 65534u);
  EXPECT_EQ(after.st_gid, 65534u);
  EXPECT_EQ(Bytes(dir / "app" / "own.ini"), "root's");
}

TEST(LineFile, SaveKeepsTheModeRefusesReadOnlyFilesAndWritesThroughLinks) {
  TempDir dir;
  const fs::path f = dir / "corvina.ini";
  ASSERT_TRUE(SaveFileAtomic(f, "old"));
  for (fs::perms mode : {fs::perms::owner_read | fs::perms::owner_write,
                         fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read}) {
    fs::permissions(f, mode);
    ASSERT_TRUE(SaveFileAtomic(f, "new"));
    EXPECT_EQ(fs::status(f).permissions(), mode);
  }
  // Read-only by its mode: refused by name, even for root, and the file stays.
  fs::permissions(f, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_write);
  std::string err;
  EXPECT_FALSE(SaveFileAtomic(f, "lost", &err));
  EXPECT_EQ(err, f.string() + " は読み取り専用です。");
  EXPECT_EQ(Bytes(f), "new");

  // A link, relative and in another folder, reached through a second link: the target takes the bytes and
  // keeps its mode, both links stay links.
  fs::create_directories(dir / "real");
  fs::create_directories(dir / "links");
  const fs::path target = dir / "real" / "2024年馬連.ksr";
  ASSERT_TRUE(SaveFileAtomic(target, "a"));
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink("../real/2024年馬連.ksr", dir / "links" / "day.ksr");
  fs::create_symlink("day.ksr", dir / "links" / "again.ksr");
  ASSERT_TRUE(SaveFileAtomic(dir / "links" / "again.ksr", "b"));
  EXPECT_TRUE(fs::is_symlink(dir / "links" / "again.ksr"));
  EXPECT_TRUE(fs::is_symlink(dir / "links" / "day.ksr"));
  EXPECT_EQ(Bytes(target), "b");
  EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  fs::permissions(target, fs::perms::owner_read);
  EXPECT_FALSE(SaveFileAtomic(dir / "links" / "day.ksr", "c", &err));
  EXPECT_EQ(err, (dir / "links" / "../real/2024年馬連.ksr").string() + " は読み取り専用です。");
  EXPECT_EQ(Bytes(target), "b");
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"corvina.ini", "links", "links/again.ksr", "links/day.ksr",
                                                      "real", "real/2024年馬連.ksr"}));
}

// A link whose target is not there yet makes the target, where its folder exists, and stays a link; one that
// leads to no folder, or round in a circle, is refused by name and left as it is.
TEST(LineFile, SaveThroughADanglingLinkMakesTheTargetOrIsRefused) {
  TempDir dir;
  fs::create_directories(dir / "app");
  fs::create_directories(dir / "else");
  const fs::path ini = dir / "app" / "corvina.ini";
  fs::create_symlink("../else/gone.ini", ini);
  ASSERT_TRUE(SaveFileAtomic(ini, "made"));
  EXPECT_TRUE(fs::is_symlink(ini));
  EXPECT_EQ(Bytes(dir / "else" / "gone.ini"), "made");
  EXPECT_EQ(fs::status(dir / "else" / "gone.ini").permissions() & fs::perms::owner_write, fs::perms::owner_write);

  const fs::path lost = dir / "app" / "lost.ini";
  fs::create_symlink("../nowhere/gone.ini", lost);
  const fs::path circle = dir / "app" / "circle.ini";
  fs::create_symlink("circle.ini", circle);
  const std::pair<fs::path, std::string> refused[] = {
      {lost, "リンク " + lost.string() + " のリンク先 " + (dir / "app" / "../nowhere/gone.ini").string() +
                 " のフォルダがありません。"},
      {circle, "リンク " + circle.string() + " は循環していてたどれません。"}};
  for (const auto& [link, reason] : refused) {
    std::string err;
    EXPECT_FALSE(SaveFileAtomic(link, "lost", &err)) << link;
    EXPECT_EQ(err, reason);
    EXPECT_TRUE(fs::is_symlink(link)) << link;
  }
  std::string bytes, err;
  EXPECT_FALSE(ReadFileBytes(circle, bytes, &err));
  EXPECT_EQ(err, refused[1].second);
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"app", "app/circle.ini", "app/corvina.ini", "app/lost.ini",
                                                      "else", "else/gone.ini"}));
}

// Killed at any moment of a save, the process leaves the old file or the new one and no temporary file: the
// new bytes have no name until they are complete. Only a kill in the instant between giving them a temporary
// name and the rename leaves one, complete, for the next start to remove.
TEST(LineFile, KillDuringSaveLeavesNoTemporaryFile) {
  TempDir dir;
  const fs::path f = dir / "2024年01月06日.jvRA";
  const std::string a(8 << 20, 'a'), b(8 << 20, 'b');
  ASSERT_TRUE(SaveFileAtomic(f, a));
  int leftovers = 0;
  const auto written = [&](std::string_view name) { return name == f.filename().string(); };
  KillDuringSaves(f, a, b, [&](int delayMs) {
    for (const std::string& name : Names(dir.path())) {
      if (name == f.filename().string()) continue;
      ++leftovers;
      const std::string left = Bytes(dir / name);
      EXPECT_TRUE(left == a || left == b) << "killed after " << delayMs << " ms: " << name << " " << left.size();
    }
    RemoveSaveLeftovers(dir.path(), written);
    EXPECT_EQ(Names(dir.path()), std::set<std::string>{f.filename().string()});
  });
  EXPECT_LE(leftovers, 1);
}

// Where a filesystem has no unnamed files the temporary has a hidden name from the start: what a killed save
// leaves goes at the next start. Nothing else goes: not a save still at work, not a user's file however like a
// leftover its name, not the leftover of a file the program does not write there, not what a link leads to.
TEST(LineFile, LeftoversOfKilledSavesAreRemovedAtTheNextStart) {
  TempDir dir;
  const fs::path f = dir / "ErrorLog.txt";
  const auto written = [](std::string_view name) { return name == "ErrorLog.txt"; };
  const std::string a(8 << 20, 'a'), b(8 << 20, 'b');
  ASSERT_TRUE(SaveFileAtomic(f, a));
  UseUnnamedTemporaries(false);
  size_t left = 0;
  KillDuringSaves(f, a, b, [&](int) {
    left += RemoveSaveLeftovers(dir.path(), written);
    EXPECT_EQ(Names(dir.path()), std::set<std::string>{"ErrorLog.txt"});
  });
  UseUnnamedTemporaries(true);
  EXPECT_GT(left, 0u) << "no kill fell inside a save";

  const std::string leftover = ".corvina-save.ErrorLog.txt.0123456789ab";
  const std::set<std::string> users = {".ErrorLog.txt.tmp42",
                                       ".notes.tmp1",
                                       ".corvina-save.notes.txt.0123456789ab",
                                       ".corvina-save.ErrorLog.txt.bak.0123456789ab",
                                       ".corvina-save.ErrorLog.txt.0123456789a",
                                       ".corvina-save.ErrorLog.txt.0123456789abc",
                                       ".corvina-save.ErrorLog.txt.0123456789AB",
                                       ".corvina-save.ErrorLog.txt.0123456789ag",
                                       ".corvina-save.ErrorLog.txt_0123456789ab",
                                       ".corvina-save.ErrorLog.txt",
                                       ".corvina-save..0123456789ab",
                                       ".corvina-saveErrorLog.txt.0123456789ab",
                                       ".Corvina-save.ErrorLog.txt.0123456789ab",
                                       "corvina-save.ErrorLog.txt.0123456789ab"};
  for (const std::string& name : users) ASSERT_TRUE(SaveFileAtomic(dir / name, "keep")) << name;
  ASSERT_TRUE(SaveFileAtomic(dir / leftover, "left"));
  // Of the leftover's shape, yet no save's: a folder, a pipe, and a link to the user's file.
  fs::create_directory(dir / ".corvina-save.ErrorLog.txt.00000000000d");
  ASSERT_EQ(::mkfifo((dir / ".corvina-save.ErrorLog.txt.00000000000f").c_str(), 0644), 0);
  fs::create_symlink(".notes.tmp1", dir / ".corvina-save.ErrorLog.txt.00000000000e");
  // A save at work holds its temporary locked.
  const fs::path live = dir / ".corvina-save.ErrorLog.txt.000000000042";
  ASSERT_TRUE(SaveFileAtomic(live, "being written"));
  const int fd = ::open(live.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  // A folder that is a link is not entered; a link on the way to a folder is followed.
  fs::create_directory(dir / "real");
  ASSERT_TRUE(SaveFileAtomic(dir / "real" / leftover, "left"));
  fs::create_directory_symlink("real", dir / "linked");
  fs::create_directory_symlink(".", dir / "here");
  EXPECT_EQ(RemoveSaveLeftovers(dir / "linked", written), 0u);
  EXPECT_TRUE(fs::exists(dir / "real" / leftover));

  EXPECT_EQ(RemoveSaveLeftovers(dir / "here" / "real", written), 1u);
  EXPECT_EQ(RemoveSaveLeftovers(dir.path(), written), 1u);
  EXPECT_TRUE(fs::exists(live));
  ::close(fd);
  EXPECT_EQ(RemoveSaveLeftovers(dir.path(), written), 1u);
  std::set<std::string> kept = users;
  kept.insert({"ErrorLog.txt", ".corvina-save.ErrorLog.txt.00000000000d", ".corvina-save.ErrorLog.txt.00000000000e",
               ".corvina-save.ErrorLog.txt.00000000000f", "here", "linked", "real"});
  EXPECT_EQ(Names(dir.path()), kept);
  for (const std::string& name : users) EXPECT_EQ(Bytes(dir / name), "keep") << name;
}

// Two processes that save one file at once: the child is held inside its rewrite, between the read and the
// rename. Each save of this process waits for it and then works on its result, whether it rewrites the file,
// saves it whole, or reaches it through a link in another folder; a rewrite that leaves the file writes nothing.
TEST(LineFile, ARewriteHoldsItsFolderFromTheReadToTheRenameAndOtherProcessesWait) {
  TempDir dir;
  fs::create_directories(dir / "app");
  fs::create_directories(dir / "else");
  const fs::path f = dir / "app" / "ErrorLog.txt", link = dir / "else" / "log.txt";
  fs::create_symlink(f, link);
  const auto append = [](const fs::path& path, const std::string& line) {
    return RewriteFileAtomic(path, [&](const std::string& bytes) { return bytes + line + "\n"; });
  };
  ASSERT_TRUE(SaveFileAtomic(f, "start\n"));
  EXPECT_TRUE(test::WhileAChildIsHeldInARewrite(
      "ErrorLog.txt", [&] { return append(f, "child"); }, [&] { EXPECT_TRUE(append(f, "parent")); }));
  EXPECT_EQ(Bytes(f), "start\nchild\nparent\n");

  EXPECT_TRUE(test::WhileAChildIsHeldInARewrite(
      "ErrorLog.txt", [&] { return append(f, "child"); }, [&] { EXPECT_TRUE(SaveFileAtomic(f, "whole\n")); }));
  EXPECT_EQ(Bytes(f), "whole\n");

  EXPECT_TRUE(test::WhileAChildIsHeldInARewrite(
      "ErrorLog.txt", [&] { return append(f, "child"); }, [&] { EXPECT_TRUE(append(link, "linked")); }));
  EXPECT_EQ(Bytes(f), "whole\nchild\nlinked\n");
  EXPECT_TRUE(fs::is_symlink(link));

  const auto before = fs::last_write_time(f);
  bool seen = false;
  EXPECT_TRUE(UpdateFileAtomic(f, [&](std::string& bytes, bool present) {
    seen = present && bytes == "whole\nchild\nlinked\n";
    return false;
  }));
  EXPECT_TRUE(seen);
  EXPECT_EQ(fs::last_write_time(f), before);
  EXPECT_TRUE(UpdateFileAtomic(dir / "app" / "none.txt", [](std::string&, bool present) { return present; }));
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"app", "app/ErrorLog.txt", "else", "else/log.txt"}));
}

// A save that cannot have its folder's lock in time, because another process holds it, fails with the reason and
// the file's path and leaves the file as it was; once the lock is free the save goes through.
TEST(LineFile, ASaveThatWaitsInVainForItsFolderFailsSayingWhyAndChangesNothing) {
  TempDir dir;
  const fs::path f = dir / "corvina.ini";
  ASSERT_TRUE(SaveFileAtomic(f, "[a]\r\nk=1\r\n"));
  int locked[2], release[2];
  ASSERT_EQ(::pipe(locked), 0);
  ASSERT_EQ(::pipe(release), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::close(locked[0]);
    ::close(release[1]);
    const int folder = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0 || ::flock(folder, LOCK_EX) != 0) ::_exit(1);
    char c = 'l';
    if (::write(locked[1], &c, 1) != 1) ::_exit(1);
    while (::read(release[0], &c, 1) > 0) {
    }
    ::_exit(0);
  }
  ::close(locked[1]);
  ::close(release[0]);
  char c = 0;
  ASSERT_EQ(::read(locked[0], &c, 1), 1);
  SetSaveLockWait(std::chrono::milliseconds{300});
  const std::string busy = "同じフォルダの別の保存が終わらないため " + f.string() + " を保存できません。";
  std::string error;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(SaveFileAtomic(f, "lost", &error));
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(error, busy);
  EXPECT_GE(waited, std::chrono::milliseconds{300});
  EXPECT_LT(waited, std::chrono::seconds{3});
  error.clear();
  EXPECT_FALSE(RewriteFileAtomic(
      f, [](const std::string& s) { return s + "lost"; }, &error));
  EXPECT_EQ(error, busy);
  EXPECT_EQ(Bytes(f), "[a]\r\nk=1\r\n");
  EXPECT_EQ(Names(dir.path()), std::set<std::string>{"corvina.ini"});
  ::close(release[1]);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(SaveFileAtomic(f, "[a]\r\nk=2\r\n", &error)) << error;
  SetSaveLockWait(std::chrono::seconds{5});
  EXPECT_EQ(Bytes(f), "[a]\r\nk=2\r\n");
}

// Where the filesystem has no unnamed files, the clearing at start may come between the creation of a save's
// named temporary and its lock, and remove it: the save sees that its name no longer leads to its file and makes
// another, rather than failing for a folder that is there.
TEST(LineFile, ANamedTemporaryClearedBeforeItsLockIsMadeAgainUnderANewName) {
  TempDir dir;
  const fs::path f = dir / "ErrorLog.txt";
  ASSERT_TRUE(SaveFileAtomic(f, "old"));
  const auto written = [](std::string_view name) { return name == "ErrorLog.txt"; };
  size_t cleared = 0;
  int created = 0;
  UseUnnamedTemporaries(false);
  SetNamedTemporaryHook([&] {
    if (created++ == 0) cleared = RemoveSaveLeftovers(dir.path(), written);
  });
  std::string error;
  bool saved = SaveFileAtomic(f, "new", &error);
  EXPECT_TRUE(saved) << error;
  EXPECT_EQ(cleared, 1u);
  EXPECT_EQ(created, 2);
  EXPECT_EQ(Bytes(f), "new");
  EXPECT_EQ(Names(dir.path()), std::set<std::string>{"ErrorLog.txt"});

  // A clearing that holds the new temporary in that moment and then lets it be: the save goes on under another
  // name and takes away the one it could not hold.
  std::vector<int> held;
  created = 0;
  SetNamedTemporaryHook([&] {
    if (created++ > 0) return;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
      const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
      if (entry.path().filename().string().starts_with(".corvina-save.") && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
        held.push_back(fd);
      else
        ::close(fd);
    }
  });
  saved = SaveFileAtomic(f, "newer", &error);
  for (const int fd : held) ::close(fd);
  SetNamedTemporaryHook({});
  UseUnnamedTemporaries(true);
  EXPECT_TRUE(saved) << error;
  EXPECT_EQ(held.size(), 1u);
  EXPECT_EQ(created, 2);
  EXPECT_EQ(Bytes(f), "newer");
  EXPECT_EQ(Names(dir.path()), std::set<std::string>{"ErrorLog.txt"});
}
