#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
// The readers' base chain (ArchiveContext, EntryWriter, ArchiveExtractor) and the extraction run:
// error reporting under cancel, the stopwatch, the archive and target folder setters, overwrite
// handling, write failures, dates and attributes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <functional>
#include <optional>
#include <random>
#include <set>
#include <stdexcept>
#include <thread>
#include <utility>

#include "tests/archive/ArchiveTestUtil.h"
#include "tests/support/Unprivileged.h"

using namespace corvina::archive;
using namespace testutil;

namespace {
// While set, giving a file a name fails as on a full disk.
std::atomic<bool> gLinksFail{false};
// While set, called each time a file has been given one of the library's temporary names.
std::function<void()> gAfterPartialLink;
// While set, called once, before the next lock is taken, with the file to be locked.
std::function<void(int file)> gBeforeLock;
}  // namespace

// The system's flock, after the test's look at the file to be locked.
extern "C" int flock(int file, int operation) noexcept {
  if (gBeforeLock) std::exchange(gBeforeLock, nullptr)(file);
  return int(::syscall(SYS_flock, file, operation));
}

// The system's linkat, unless a test makes it fail.
extern "C" int linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags) noexcept {
  if (gLinksFail) {
    errno = ENOSPC;
    return -1;
  }
  const int rc = int(::syscall(SYS_linkat, fromFolder, from, toFolder, to, flags));
  if (rc == 0 && gAfterPartialLink && IsPartialFileName(to)) gAfterPartialLink();
  return rc;
}

namespace {

struct Recorder {
  std::vector<int> errors;
  void Attach(ArchiveContext& c) {
    c.OnError = [this](ArchiveContext&, const std::string&, const std::string&, const std::string&, int code) {
      errors.push_back(code);
    };
  }
  bool Has(int code) const { return std::find(errors.begin(), errors.end(), code) != errors.end(); }
};

// A stream that takes only half of every write, as a device that fills up part-way would.
class HalfWriteStream : public Stream32 {
 public:
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void*, int64_t count) override { return count / 2; }
  int64_t Seek(int64_t, SeekOrigin) override { return 0; }
};

fs::path WriteArchive(const fs::path& dir, const std::vector<LhaEntry>& entries) {
  const fs::path file = dir / "in.lzh";
  WriteAll(file, LhaArchive(entries));
  return file;
}

int64_t UtcSeconds(int y, int m, int d, int h, int n, int s) {
  struct tm t {};
  t.tm_year = y - 1900;
  t.tm_mon = m - 1;
  t.tm_mday = d;
  t.tm_hour = h;
  t.tm_min = n;
  t.tm_sec = s;
  return int64_t(timegm(&t));
}

}  // namespace

TEST(ComponentBase, ErrorsWhileCancelledArriveAsUserCanceled) {
  LhaExtractor c;
  Recorder r;
  r.Attach(c);
  c.SetCancel(true);
  c.DoError("f", "", msg::CrcError, "v");
  c.DoError("f", "", msg::AccessPermissions, "v");  // these two keep their numbers
  c.DoError("f", "", msg::RegistryDenied, "v");
  EXPECT_EQ(r.errors,
            (std::vector<int>{msg::UserCanceled, msg::UserCanceled, msg::AccessPermissions, msg::RegistryDenied}));
  // Under cancel the abort is reported and nothing is raised, even for the exempt numbers.
  r.errors.clear();
  EXPECT_NO_THROW(c.RaiseArchiveError("f", "", "v", msg::WriteError));
  EXPECT_NO_THROW(c.RaiseArchiveError("f", "", "v", msg::AccessPermissions));
  EXPECT_EQ(r.errors, (std::vector<int>{msg::UserCanceled, msg::UserCanceled}));
  c.SetCancel(false);
  try {
    c.RaiseArchiveError("f", "", "v", msg::WriteError);
    FAIL() << "nothing raised";
  } catch (const ArchiveError& e) {
    EXPECT_EQ(e.Code, msg::WriteError);
    EXPECT_STREQ(e.what(), "Error writing to file");
  }
}

TEST(ComponentBase, StopwatchRunsOnlyWhenAskedAndLeavesOutTheErrorHandler) {
  ScopedDir d("timer");
  const fs::path archive =
      WriteArchive(d.path(), {{.name = "bad.txt", .data = Text(std::string(70000, 'b')), .crcOverride = 1}});
  for (bool timed : {false, true}) {
    SCOPED_TRACE(timed);
    std::vector<bool> runningDuringProgress;
    int fired = 0;
    float elapsed = -1;
    const Outcome r = ExtractFile(archive, d.path() / "out", {"*.*"}, [&](LhaExtractor& c) {
      c.OnProgress = [&](ArchiveContext& z, int, int) { runningDuringProgress.push_back(z.Timer.Running()); };
      // The handler's own time is not the extraction's.
      c.OnError = [](ArchiveContext&, const std::string&, const std::string&, const std::string&, int) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
      };
      if (timed)
        c.OnElapsedTime = [&](ArchiveContext&, float seconds) {
          ++fired;
          elapsed = seconds;
        };
    });
    EXPECT_EQ(r.count, 0);
    ASSERT_FALSE(runningDuringProgress.empty());
    EXPECT_EQ(runningDuringProgress.front(), timed);
    EXPECT_EQ(fired, timed ? 1 : 0);
    if (timed) {
      EXPECT_GT(elapsed, 0.0f);
      EXPECT_LT(elapsed, 0.25f);
    }
  }
}

TEST(ComponentBase, ArchiveFileSetterAndRunStart) {
  ScopedDir d("setter");
  LhaExtractor c;
  Recorder r;
  r.Attach(c);
  // A missing file after an archive leaves nothing of the archive behind.
  c.SetArchiveFile(WriteArchive(d.path(), {{.name = "a.txt", .data = Text("a")}}).string());
  ASSERT_EQ(c.ArchiveType, ArchiveFormat::Lha);
  c.SetArchiveFile((d.path() / "missing.lzh").string());
  EXPECT_TRUE(c.ArchiveFile().empty());
  EXPECT_EQ(c.ArchiveType, ArchiveFormat::NotAvail);
  c.SetArchiveFile(d.path().string());  // a folder is no archive either
  EXPECT_TRUE(c.ArchiveFile().empty());
  // Asked again without an archive, the kind is the one the caller gives.
  c.DetectFileType(ArchiveFormat::Zip);
  EXPECT_EQ(c.ArchiveType, ArchiveFormat::Zip);

  // Without an archive the run reports 25192 and never starts.
  int activated = 0;
  c.OnActivate = [&](ArchiveContext&) { ++activated; };
  EXPECT_EQ(c.Extract(), 0);
  EXPECT_TRUE(r.Has(msg::FileNotFound));
  EXPECT_EQ(activated, 0);

  // An archive gone between choosing and extracting: 25235 (cannot open), and the run never starts.
  c.SetArchiveFile(WriteArchive(d.path(), {{.name = "a.txt", .data = Text("a")}}).string());
  c.DetectFileType();
  EXPECT_EQ(c.ArchiveType, ArchiveFormat::Lha);
  fs::remove(d.path() / "in.lzh");
  c.DetectFileType();
  EXPECT_EQ(c.ArchiveType, ArchiveFormat::FileError);
  r.errors.clear();
  EXPECT_EQ(c.Extract(), 0);
  EXPECT_EQ(r.errors, std::vector<int>{msg::OpenError});
  EXPECT_EQ(activated, 0);

  // An entry the exclusion masks name is left out, and the handler told of it.
  c.SetArchiveFile(
      WriteArchive(d.path(), {{.name = "a.txt", .data = Text("a")}, {.name = "b.log", .data = Text("b")}}).string());
  c.FileSpec = {"*.*"};
  c.ExcludeSpec = {"*.log"};
  std::vector<std::string> excluded;
  c.OnExcludeFile = [&](ArchiveContext&, const std::string& name) { excluded.push_back(name); };
  c.SetExtractDir((d.path() / "out").string());
  c.CpuType = CpuKind::I80486;
  EXPECT_EQ(c.Extract(), 1);
  EXPECT_EQ(excluded, std::vector<std::string>{"b.log"});
  EXPECT_EQ(AllFiles(d.path() / "out"), std::vector<fs::path>{"a.txt"});
  EXPECT_EQ(c.CpuType, CpuKind::Auto);
  EXPECT_EQ(activated, 1);
}

TEST(ExtractionRun, TargetFolderRules) {
  ScopedDir d("target");
  const fs::path archive = WriteArchive(d.path(), {{.name = "a.txt", .data = Text("a")}});

  // A target naming an existing file is refused and the previous one kept.
  {
    LhaExtractor c;
    Recorder r;
    r.Attach(c);
    c.SetExtractDir((d.path() / "good").string());
    const std::string before = c.ExtractDir();
    c.SetExtractDir(archive.string());
    EXPECT_TRUE(r.Has(msg::CreateDirError));
    EXPECT_EQ(c.ExtractDir(), before);
  }
  // An empty target is the current folder, not the archive's.
  {
    const fs::path here = d.path() / "cwd";
    fs::create_directories(here);
    const fs::path saved = fs::current_path();
    fs::current_path(here);
    LhaExtractor c;
    c.SetArchiveFile(archive.string());
    c.FileSpec = {"*.*"};
    const int n = c.Extract();
    fs::current_path(saved);
    EXPECT_EQ(n, 1);
    EXPECT_TRUE(fs::exists(here / "a.txt"));
    EXPECT_FALSE(fs::exists(d.path() / "a.txt"));
  }
  // A target that cannot be made (below a plain file): 25271 naming the folder and the system's reason without
  // a handler and when the handler cancels, and the handler's folder when it gives one. The run starts and ends
  // in all.
  WriteAll(d.path() / "blocker", Text("x"));
  const fs::path blocked = d.path() / "blocker" / "sub";
  for (int variant = 0; variant < 4; ++variant) {
    SCOPED_TRACE(variant);
    const fs::path chosen = d.path() / ("chosen" + std::to_string(variant));
    fs::create_directories(chosen);
    int activated = 0, deactivated = 0;
    std::vector<std::string> told;
    const Outcome r = ExtractFile(archive, blocked, {"*.*"}, [&](LhaExtractor& c) {
      if (variant <= 1)
        c.OnError = [&](ArchiveContext&, const std::string& name, const std::string& more, const std::string&,
                        int code) { told.push_back(name + " (" + more + "): " + std::to_string(code)); };
      if (variant == 1)
        c.OnLimitedUser = [](ArchiveContext&, const std::string&, std::string&, bool& cancel) { cancel = true; };
      if (variant == 2)
        c.OnLimitedUser = [&](ArchiveContext&, const std::string&, std::string& userDir, bool&) {
          userDir = chosen.string();
        };
      // A folder that is not there is refused (25158) and the handler asked again.
      if (variant == 3)
        c.OnLimitedUser = [&, asked = 0](ArchiveContext&, const std::string&, std::string& userDir, bool&) mutable {
          userDir = (++asked == 1 ? d.path() / "nowhere" : chosen).string();
        };
      c.OnActivate = [&](ArchiveContext&) { ++activated; };
      c.OnDeactivate = [&](ArchiveContext&) { ++deactivated; };
    });
    EXPECT_EQ(activated, 1);
    EXPECT_EQ(deactivated, 1);
    EXPECT_EQ(r.count, variant >= 2 ? 1 : 0);
    if (variant <= 1) {
      EXPECT_EQ(told, std::vector<std::string>{blocked.string() +
                                               "/ (Not a directory): " + std::to_string(msg::AccessPermissions)});
    }
    if (variant >= 2) {
      EXPECT_TRUE(fs::exists(chosen / "a.txt"));
      EXPECT_EQ(r.errors, variant == 3 ? std::vector<int>{msg::InvalidDirectory} : std::vector<int>{});
    }
  }

  // A user who may not read the archive is told it cannot be opened; one who may not write the target folder
  // is asked for another (run as such a user: root may do both).
  ScopedDir u("limited");
  WriteAll(u.path() / "locked.lzh", LhaArchive({{.name = "a.txt", .data = Text("a")}}));
  fs::permissions(u.path() / "locked.lzh", fs::perms::none);
  WriteAll(u.path() / "open.lzh", LhaArchive({{.name = "a.txt", .data = Text("a")}}));
  fs::create_directories(u.path() / "mine");
  fs::create_directories(u.path() / "readonly");
  fs::permissions(u.path() / "readonly", fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_TRUE(corvina::test::RunUnprivileged(u.path(), [&] {
    LhaExtractor c;
    Recorder r;
    r.Attach(c);
    c.SetArchiveFile((u.path() / "locked.lzh").string());
    if (c.ArchiveType != ArchiveFormat::NotAvail || r.errors != std::vector<int>{msg::OpenError}) return false;
    c.SetArchiveFile((u.path() / "open.lzh").string());
    c.FileSpec = {"*.*"};
    c.SetExtractDir((u.path() / "readonly").string());
    std::string asked;
    c.OnLimitedUser = [&](ArchiveContext&, const std::string& dir, std::string& userDir, bool&) {
      asked = dir;
      userDir = (u.path() / "mine").string();
    };
    if (c.Extract() != 1 || asked != (u.path() / "readonly/").string() ||
        ReadAll(u.path() / "mine/a.txt") != Text("a") || fs::exists(u.path() / "readonly/a.txt"))
      return false;
    // Without a handler to ask, the run ends naming the folder and the system's reason, for the folder and for
    // one that would have to be made in it.
    std::string told;
    c.OnLimitedUser = nullptr;
    for (const fs::path& target : {u.path() / "readonly", u.path() / "readonly" / "new"}) {
      c.OnError = nullptr;
      c.SetExtractDir(target.string());
      c.OnError = [&](ArchiveContext&, const std::string& name, const std::string& more, const std::string&, int code) {
        told += name + " (" + more + "): " + std::to_string(code) + "\n";
      };
      if (c.Extract() != 0) return false;
    }
    const std::string refused = " (Permission denied): " + std::to_string(msg::AccessPermissions) + "\n";
    return told == (u.path() / "readonly/").string() + refused + (u.path() / "readonly/new/").string() + refused;
  }));
}

TEST(ExtractionRun, OverwriteRules) {
  ScopedDir d("overwrite");
  const fs::path out = d.path() / "out";
  const Bytes archive = LhaArchive({{.name = "ro.txt", .data = Text("new")}, {.name = "dir.txt", .data = Text("new")}});
  auto prepare = [&] {
    fs::remove_all(out);
    fs::create_directories(out / "dir.txt");  // not a plain file: never replaced
    WriteAll(out / "ro.txt", Text("old"));
    fs::permissions(out / "ro.txt", fs::perms::owner_read | fs::perms::group_read);
  };

  // Asked and answered "overwrite": the read-only file is replaced, the folder is not (25137).
  prepare();
  Outcome r = ExtractBytes(archive, d.path(), {"*.*"}, [](LhaExtractor& c) {
    c.ConfirmOverwrites = true;
    c.OnFileExists = [](ArchiveContext&, const std::string&, std::string&, OverwritePolicy& mode) {
      mode = OverwritePolicy::Overwrite;
    };
  });
  EXPECT_EQ(r.count, 1);
  EXPECT_EQ(ReadAll(out / "ro.txt"), Text("new"));
  EXPECT_TRUE(r.Has(msg::AttribOverwrite));
  EXPECT_TRUE(fs::is_directory(out / "dir.txt"));

  // Asked without a handler: 25276 and the file is kept.
  prepare();
  r = ExtractBytes(archive, d.path(), {"ro.txt"}, [](LhaExtractor& c) { c.ConfirmOverwrites = true; });
  EXPECT_EQ(r.count, 0);
  EXPECT_TRUE(r.Has(msg::EventNotAssigned));
  EXPECT_EQ(ReadAll(out / "ro.txt"), Text("old"));

  // A new name without a folder goes beside the old file, even with "skip" answered.
  prepare();
  r = ExtractBytes(archive, d.path(), {"ro.txt"}, [](LhaExtractor& c) {
    c.ConfirmOverwrites = true;
    c.OnFileExists = [](ArchiveContext&, const std::string&, std::string& newName, OverwritePolicy& mode) {
      newName = "renamed.txt";
      mode = OverwritePolicy::Skip;
    };
  });
  EXPECT_EQ(r.count, 1);
  EXPECT_EQ(ReadAll(out / "renamed.txt"), Text("new"));
  EXPECT_EQ(ReadAll(out / "ro.txt"), Text("old"));

  // Not asking and "skip": nothing is written, whether the file exists or not.
  prepare();
  r = ExtractBytes(LhaArchive({{.name = "fresh.txt", .data = Text("f")}}), d.path(), {"*.*"},
                   [](LhaExtractor& c) { c.OverwriteMode = OverwritePolicy::Skip; });
  EXPECT_EQ(r.count, 0);
  EXPECT_FALSE(fs::exists(out / "fresh.txt"));

  // Answered "skip" without a new name: the file is kept.
  prepare();
  r = ExtractBytes(archive, d.path(), {"ro.txt"}, [](LhaExtractor& c) {
    c.ConfirmOverwrites = true;
    c.OnFileExists = [](ArchiveContext&, const std::string&, std::string&, OverwritePolicy& mode) {
      mode = OverwritePolicy::Skip;
    };
  });
  EXPECT_EQ(r.count, 0);
  EXPECT_EQ(ReadAll(out / "ro.txt"), Text("old"));

  // A new name that is taken too is asked about again, until one is free.
  prepare();
  WriteAll(out / "taken.txt", Text("taken"));
  std::vector<std::string> asked;
  r = ExtractBytes(archive, d.path(), {"ro.txt"}, [&](LhaExtractor& c) {
    c.ConfirmOverwrites = true;
    c.OnFileExists = [&](ArchiveContext&, const std::string& name, std::string& newName, OverwritePolicy&) {
      asked.push_back(fs::path(name).filename().string());
      newName = asked.size() == 1 ? "taken.txt" : "free.txt";
    };
  });
  EXPECT_EQ(asked, (std::vector<std::string>{"ro.txt", "taken.txt"}));
  EXPECT_EQ(r.count, 1);
  EXPECT_EQ(ReadAll(out / "free.txt"), Text("new"));
  EXPECT_EQ(ReadAll(out / "taken.txt"), Text("taken"));
  EXPECT_EQ(ReadAll(out / "ro.txt"), Text("old"));

  // OnRenameFile is asked only when OnBegin is assigned; its name, in a folder not there yet, is where the
  // entry goes. OnBegin is told the entry's number and may leave an entry out.
  for (bool withBegin : {false, true}) {
    int renames = 0;
    std::vector<int> numbers;
    std::vector<std::pair<int, int>> percents;
    fs::remove_all(out);
    r = ExtractBytes(LhaArchive({{.name = "r.txt", .data = Text("r")},
                                 {.name = "left.txt", .data = Text("l")},
                                 {.name = "s.txt", .data = Text("s")}}),
                     d.path(), {"*.*"}, [&](LhaExtractor& c) {
                       c.OnRenameFile = [&](ArchiveContext&, const std::string& name, std::string& newName) {
                         ++renames;
                         if (fs::path(name).filename() == "r.txt") newName = (out / "moved/r2.txt").string();
                       };
                       c.OnProgress = [&](ArchiveContext&, int file, int whole) { percents.push_back({file, whole}); };
                       if (withBegin)
                         c.OnBegin = [&](ArchiveContext&, const std::string& name, int number, bool& extract) {
                           numbers.push_back(number);
                           extract = fs::path(name).filename() != "left.txt";
                         };
                     });
    EXPECT_EQ(renames, withBegin ? 3 : 0);
    EXPECT_EQ(r.count, withBegin ? 2 : 3);
    EXPECT_EQ(numbers, withBegin ? (std::vector<int>{1, 2, 2}) : std::vector<int>());
    EXPECT_EQ(AllFiles(out).size(), withBegin ? 2u : 3u);
    EXPECT_EQ(fs::exists(out / "moved/r2.txt"), withBegin);
    EXPECT_EQ(fs::exists(out / "left.txt"), !withBegin);
    // An entry left out moves the run's progress on as one written does.
    EXPECT_EQ(percents, (std::vector<std::pair<int, int>>{{100, 33}, {100, 67}, {100, 100}}));
  }
}

TEST(ExtractionRun, CancelFromProgressStopsTheRun) {
  ScopedDir d("cancel");
  const Bytes archive = LhaArchive(
      {{.name = "big.txt", .data = Text(std::string(200000, 'c'))}, {.name = "second.txt", .data = Text("s")}});
  int progressCalls = 0;
  const Outcome r = ExtractBytes(archive, d.path(), {"*.*"}, [&](LhaExtractor& c) {
    c.OnProgress = [&](ArchiveContext& z, int, int) {
      ++progressCalls;
      z.SetCancel(true);
    };
  });
  EXPECT_EQ(progressCalls, 1);  // decoding stopped at the first block
  EXPECT_EQ(r.count, 0);
  EXPECT_TRUE(AllFiles(d.path() / "out").empty());
  ASSERT_FALSE(r.errors.empty());
  for (int code : r.errors) EXPECT_EQ(code, msg::UserCanceled);

  // The same component, cancelled in one run, extracts everything in the next.
  LhaExtractor c;
  c.SetArchiveFile((d.path() / "in.lzh").string());
  c.FileSpec = {"*.*"};
  c.SetExtractDir((d.path() / "again").string());
  c.OnProgress = [](ArchiveContext& z, int, int) { z.SetCancel(true); };
  EXPECT_EQ(c.Extract(), 0);
  std::pair<int, int> last;
  c.OnProgress = [&](ArchiveContext&, int file, int whole) { last = {file, whole}; };
  EXPECT_EQ(c.Extract(), 2);
  EXPECT_EQ(ReadAll(d.path() / "again/big.txt").size(), 200000u);
  EXPECT_EQ(ReadAll(d.path() / "again/second.txt"), Text("s"));
  EXPECT_EQ(last, std::make_pair(100, 100));
  // The next run writes into the folder at the target's path, not into the one its former run wrote into, which
  // has been moved away meanwhile.
  fs::rename(d.path() / "again", d.path() / "moved");
  fs::create_directories(d.path() / "again");
  EXPECT_EQ(c.Extract(), 2);
  EXPECT_EQ(AllFiles(d.path() / "again").size(), 2u);
  EXPECT_EQ(AllFiles(d.path() / "moved").size(), 2u);

  // An exception that a caller's event lets out ends the run too: the entry it ended in is not counted, and
  // the same component extracts every entry in its next run.
  LhaExtractor t;
  WriteAll(d.path() / "bad.lzh", LhaArchive({{.name = "sub\\bad.txt", .data = Text("b"), .crcOverride = 1},
                                             {.name = "good.txt", .data = Text("g")}}));
  t.SetArchiveFile((d.path() / "bad.lzh").string());
  t.FileSpec = {"*.*"};
  t.SetExtractDir((d.path() / "thrown").string());
  t.OnEnd = [](ArchiveContext&, const std::string&, bool) { throw std::runtime_error("the caller's own failure"); };
  EXPECT_EQ(t.Extract(), 0);
  EXPECT_TRUE(fs::is_empty(d.path() / "thrown"));
  t.OnEnd = nullptr;
  EXPECT_EQ(t.Extract(), 1);
  EXPECT_EQ(AllFiles(d.path() / "thrown"), std::vector<fs::path>{"good.txt"});
}

TEST(ExtractionRun, NestedRunFromAHandlerIsRefused) {
  // Handlers run while window messages are pumped; a second run on the same component would
  // share its state with the first.
  ScopedDir d("nested");
  std::vector<int> inner;
  std::vector<std::pair<int, int>> percents;
  const Outcome r = ExtractBytes(LhaArchive({{.name = "big.txt", .data = Text(std::string(100000, 'n'))},
                                             {.name = "small.txt", .data = Text(std::string(20000, 's'))}}),
                                 d.path(), {"*.*"}, [&](LhaExtractor& c) {
                                   c.OnProgress = [&](ArchiveContext& z, int file, int archive) {
                                     percents.push_back({file, archive});
                                     inner.push_back(static_cast<LhaExtractor&>(z).Extract());
                                   };
                                 });
  ASSERT_FALSE(inner.empty());
  for (int n : inner) EXPECT_EQ(n, 0);
  EXPECT_EQ(r.count, 2);
  EXPECT_EQ(ReadAll(d.path() / "out/big.txt").size(), 100000u);
  // The nested runs left the outer one's progress alone: the entry's share and the run's, block by block.
  EXPECT_EQ(percents, (std::vector<std::pair<int, int>>{{33, 27}, {66, 55}, {98, 82}, {100, 83}, {100, 100}}));
}

TEST(ExtractionRun, WriteFailures) {
  // Several short writes of one entry cost the run that entry once, and its verdict fails.
  LhaExtractor c;
  Recorder r;
  r.Attach(c);
  c.OutputName = "/nowhere/x.txt";
  ASSERT_TRUE(c.CheckOverwrite(false));
  ASSERT_TRUE(c.CheckOverwrite(false));
  EXPECT_EQ(c.Count(), 2);
  HalfWriteStream half;
  const uint8_t bytes[16] = {};
  EXPECT_EQ(c.WriteBlock(half, bytes, true, 16, 16), 8);
  EXPECT_EQ(c.WriteBlock(half, bytes, true, 16, 16), 8);
  EXPECT_EQ(c.Count(), 1);
  EXPECT_EQ(std::count(r.errors.begin(), r.errors.end(), msg::WriteError), 1);
  EXPECT_FALSE(c.CheckCrc(16, 0));

  // A full device ends decoding with 25160; the entry it stopped costs the run that entry, and
  // the one written before stays counted, as it stays on disk.
  FileStream32 full("/dev/full", FileMode::OpenWrite);
  if (!full.Valid()) GTEST_SKIP() << "/dev/full is not available";
  ASSERT_TRUE(c.CheckOverwrite(false));
  EXPECT_EQ(c.Count(), 2);
  EXPECT_THROW(c.WriteBlock(full, bytes, true, 16, 16), ArchiveError);
  EXPECT_EQ(c.Count(), 1);
  EXPECT_TRUE(r.Has(msg::DiskFull));
}

namespace {
// Names that appear in a folder (created or moved in) while it is watched.
class FolderWatch {
 public:
  explicit FolderWatch(const fs::path& dir) : fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (fd >= 0) ::inotify_add_watch(fd, dir.c_str(), IN_CREATE | IN_MOVED_TO);
  }
  ~FolderWatch() {
    if (fd >= 0) ::close(fd);
  }
  bool Valid() const { return fd >= 0; }
  std::vector<std::string> Appeared() {
    std::vector<std::string> names;
    alignas(inotify_event) char buf[8192];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
      for (char* p = buf; p < buf + n;) {
        auto* e = reinterpret_cast<inotify_event*>(p);
        if (e->len) names.emplace_back(e->name);
        p += sizeof(inotify_event) + e->len;
      }
    return names;
  }

 private:
  int fd;
};

bool UnnamedFilesSupported(const fs::path& dir) {
  const int fd = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}
}  // namespace

TEST(ExtractionRun, NothingButTheEntriesEverAppearInTheTargetFolder) {
  // A run killed at any moment leaves no probe among the user's files, and a temporary file only in the
  // instant a file is replaced: the probe and each entry's data have no name until the entry is checked.
  ScopedDir d("noname");
  const fs::path out = d.path() / "out";
  fs::create_directories(out / "already");
  if (!UnnamedFilesSupported(out)) GTEST_SKIP() << "the file system has no unnamed files";
  {
    FolderWatch watch(out);
    ASSERT_TRUE(watch.Valid());
    EXPECT_TRUE(IsDirWritable(out.string()));
    EXPECT_EQ(watch.Appeared(), std::vector<std::string>{});
  }
  const Bytes archive = LhaArchive({{.name = "a.txt", .data = Text("a")},
                                    {.name = "bad.txt", .data = Text("b"), .crcOverride = 1},
                                    {.name = "sub\\deeper\\bad.txt", .data = Text("c"), .crcOverride = 1},
                                    {.name = "already\\bad.txt", .data = Text("d"), .crcOverride = 1},
                                    {.name = "keep\\ok.txt", .data = Text("e")},
                                    {.name = "a.txt", .data = Text("again")}});
  FolderWatch watch(out);
  const Outcome r = ExtractBytes(archive, d.path());
  EXPECT_EQ(r.count, 3);
  // Folders made only for an entry that failed go again; the ones that were there stay. The entry that
  // replaces a file takes a temporary name first, which the rename then moves over the old file.
  std::vector<std::string> appeared = watch.Appeared();
  for (std::string& name : appeared)
    if (IsPartialFileName(name)) name = "(temporary)";
  EXPECT_EQ(appeared, (std::vector<std::string>{"a.txt", "sub", "keep", "(temporary)", "a.txt"}));
  EXPECT_FALSE(fs::exists(out / "sub"));
  EXPECT_TRUE(fs::is_directory(out / "already"));
  EXPECT_EQ(ReadAll(out / "keep/ok.txt"), Text("e"));
  EXPECT_EQ(ReadAll(out / "a.txt"), Text("again"));
  EXPECT_EQ(AllFiles(out).size(), 2u);
}

namespace {
// Everything in a folder and the folders below it, by path relative to it; links are listed, not followed.
std::set<std::string> Tree(const fs::path& root) {
  std::set<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(root)) names.insert(e.path().lexically_relative(root).string());
  return names;
}
}  // namespace

TEST(ExtractionRun, OnlyThePartialFilesOfKilledRunsAreLeftovers) {
  // Runs killed inside an entry on a file system without unnamed files: each leaves the entry's partial file
  // under the library's hidden name, one in the target folder, one in a folder made for its entry.
  ScopedDir d("leftovers");
  const fs::path out = d.path() / "out";
  struct Restore {
    ~Restore() { UseUnnamedOutputFiles(true); }
  } restore;
  UseUnnamedOutputFiles(false);
  const Bytes big = Text(std::string(300000, 'k'));
  WriteAll(d.path() / "in.lzh",
           LhaArchive({{.name = "big.txt", .data = big}, {.name = "sub\\deep\\big.txt", .data = big}}));
  for (const int killedIn : {1, 2}) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int entry = 0;
      ExtractFile(d.path() / "in.lzh", out, {"*.*"}, [&](LhaExtractor& c) {
        c.OnBegin = [&](ArchiveContext&, const std::string&, int number, bool&) { entry = number; };
        c.OnProgress = [&](ArchiveContext&, int, int) {
          if (entry == killedIn) ::_exit(0);
        };
      });
      ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "killed in entry " << killedIn;
  }
  // The file of a run still at work, held as the library holds it while it writes.
  const int outFolder = ::open(out.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(outFolder, 0);
  std::string liveName;
  const int live = CreateHiddenFileAt(outFolder, liveName);
  ::close(outFolder);
  ASSERT_GE(live, 0);
  // A user's files of names close to the library's; a folder, a link and a pipe of its very shape; and one of
  // its shape behind a link to a folder, which is not entered.
  for (const char* name :
       {".corvina-part-", ".corvina-part-abcdefghijk", ".corvina-part-abcdefghijklm", ".corvina-part-abcdefghij-k",
        ".corvina-part-abcdefghijk.", "corvina-part-abcdefghijkl", ".Corvina-part-abcdefghijkl",
        ".corvina-part-abcdefghijkl.txt", ".corvina_part_abcdefghijkl", "x.corvina-part-abcdefghijkl", ".mrlABCDEF"})
    WriteAll(out / name, Text("user's"));
  fs::create_directories(out / ".corvina-part-FolderFolder");
  fs::create_symlink("big.txt", out / ".corvina-part-LinkLinkLink");
  ASSERT_EQ(::mkfifo((out / ".corvina-part-PipePipePipe").c_str(), 0600), 0);
  fs::create_directories(d.path() / "elsewhere");
  WriteAll(d.path() / "elsewhere" / ".corvina-part-ElsewhereXYZ", Text("behind a link"));
  fs::create_directory_symlink(d.path() / "elsewhere", out / "linked");
  const std::set<std::string> before = Tree(out);

  const std::vector<std::string> killed = ExtractionLeftovers(out.string(), LeftoverSearch::Tree);
  ASSERT_EQ(killed.size(), 2u);
  std::set<std::string> folders;
  for (const std::string& path : killed) {
    folders.insert(fs::path(path).parent_path().lexically_relative(out).string());
    EXPECT_TRUE(IsPartialFileName(fs::path(path).filename().string())) << path;
    const Bytes part = ReadAll(path);
    EXPECT_TRUE(!part.empty() && part.size() < big.size() && std::equal(part.begin(), part.end(), big.begin())) << path;
  }
  EXPECT_EQ(folders, (std::set<std::string>{".", "sub/deep"}));
  EXPECT_EQ(Tree(out), before) << "looking removes nothing";

  // The folder alone: what was left in a subfolder stays until the whole tree is searched.
  const std::vector<std::string> inFolder = RemoveExtractionLeftovers(out.string(), LeftoverSearch::Folder);
  ASSERT_EQ(inFolder.size(), 1u);
  EXPECT_EQ(fs::path(inFolder[0]).parent_path(), out);
  std::vector<std::string> below = killed;
  std::erase(below, inFolder[0]);
  EXPECT_EQ(RemoveExtractionLeftovers(out.string(), LeftoverSearch::Tree), below);
  std::set<std::string> kept = before;
  for (const std::string& path : killed) kept.erase(fs::path(path).lexically_relative(out).string());
  EXPECT_EQ(Tree(out), kept);
  EXPECT_EQ(ReadAll(out / ".corvina-part-abcdefghijk"), Text("user's"));
  EXPECT_EQ(ReadAll(d.path() / "elsewhere" / ".corvina-part-ElsewhereXYZ"), Text("behind a link"));
  EXPECT_EQ(ReadAll(out / "big.txt"), big) << "the entry the second run finished";

  // Once its run has ended, the live run's file is a leftover as well.
  EXPECT_EQ(RemoveExtractionLeftovers(out.string(), LeftoverSearch::Tree), std::vector<std::string>{});
  ::close(live);
  EXPECT_EQ(RemoveExtractionLeftovers(out.string(), LeftoverSearch::Tree),
            std::vector<std::string>{(out / liveName).string()});
  kept.erase(liveName);
  EXPECT_EQ(Tree(out), kept);

  // A clean-up beside a run at work leaves the file it is writing.
  std::vector<std::string> removedMeanwhile;
  const Outcome r = ExtractFile(d.path() / "in.lzh", out, {"*.*"}, [&](LhaExtractor& c) {
    c.OnProgress = [&](ArchiveContext&, int, int) {
      for (const std::string& path : RemoveExtractionLeftovers(out.string(), LeftoverSearch::Tree))
        removedMeanwhile.push_back(path);
    };
  });
  EXPECT_EQ(removedMeanwhile, std::vector<std::string>{});
  EXPECT_EQ(r.count, 2);
  EXPECT_EQ(ReadAll(out / "sub/deep/big.txt"), big);
  kept.insert("sub/deep/big.txt");
  EXPECT_EQ(Tree(out), kept);

  // A clean-up that holds a new partial file in the instant before its run locks it: the run writes under another
  // name and takes away the one it could not hold.
  int heldByCleanUp = -1;
  gBeforeLock = [&](int file) {
    heldByCleanUp = ::open(("/proc/self/fd/" + std::to_string(file)).c_str(), O_RDONLY | O_CLOEXEC);
    ::flock(heldByCleanUp, LOCK_EX | LOCK_NB);
  };
  const Outcome again = ExtractFile(d.path() / "in.lzh", out);
  gBeforeLock = nullptr;
  ::close(heldByCleanUp);
  EXPECT_GE(heldByCleanUp, 0);
  EXPECT_EQ(again.count, 2);
  EXPECT_EQ(Tree(out), kept);
}

TEST(ExtractionRun, AnEntryReportsItsVerdictOnlyOnceItsFileIsInPlace) {
  // A folder of the entry's name in the way, and a name longer than the file system takes: the
  // data checks out, but the file cannot take its name, so the entry fails and says so once.
  ScopedDir d("verdict");
  const std::string tooLong(300, 'n');
  fs::create_directories(d.path() / "out/dir.txt/inside");
  const Bytes archive = LhaArchive({{.name = "dir.txt", .data = Text("d")},
                                    {.name = tooLong, .data = Text("l"), .level = 2},
                                    {.name = "fine.txt", .data = Text("f")}});
  std::vector<std::string> reported;
  const Outcome r = ExtractBytes(archive, d.path(), {"*.*"}, [&](LhaExtractor& c) {
    c.OnError = [&](ArchiveContext& z, const std::string&, const std::string&, const std::string&, int code) {
      reported.push_back(static_cast<LhaExtractor&>(z).EntryName + ":" + std::to_string(code));
    };
    c.OnEnd = [&](ArchiveContext& z, const std::string& file, bool pass) {
      reported.push_back(static_cast<LhaExtractor&>(z).EntryName + (pass ? ":ok" : ":fail"));
      // A caller that trusts the verdict finds the file where it was told.
      if (pass) {
        EXPECT_TRUE(fs::is_regular_file(file)) << file;
      }
    };
  });
  EXPECT_EQ(reported, (std::vector<std::string>{"dir.txt:25235", "dir.txt:fail", "dir.txt:25151", tooLong + ":25235",
                                                tooLong + ":fail", tooLong + ":25151", "fine.txt:ok"}));
  EXPECT_EQ(AllFiles(d.path() / "out"), std::vector<fs::path>{"fine.txt"});
  EXPECT_EQ(r.count, 1);

  // The file an entry replaces stays whole until the new one takes its name in one step: when the
  // system refuses the new file a name (a full disk), the old one is still there.
  if (!UnnamedFilesSupported(d.path())) GTEST_SKIP() << "the file system has no unnamed files";
  WriteAll(d.path() / "out/fine.txt", Text("old"));
  reported.clear();
  gLinksFail = true;
  const Outcome refused =
      ExtractBytes(LhaArchive({{.name = "fine.txt", .data = Text("new")}}), d.path(), {"*.*"}, [&](LhaExtractor& c) {
        c.OnError = [&](ArchiveContext&, const std::string&, const std::string&, const std::string&, int code) {
          reported.push_back(std::to_string(code));
        };
      });
  gLinksFail = false;
  EXPECT_EQ(reported, (std::vector<std::string>{"25235", "25151"}));
  EXPECT_EQ(refused.count, 0);
  EXPECT_EQ(ReadAll(d.path() / "out/fine.txt"), Text("old"));
  EXPECT_EQ(AllFiles(d.path() / "out"), std::vector<fs::path>{"fine.txt"});

  // A clean-up in the instant the new file has its temporary name finds it held by the run, and leaves it.
  std::vector<std::string> removed;
  int cleanUps = 0;
  gAfterPartialLink = [&] {
    ++cleanUps;
    for (const std::string& path : RemoveExtractionLeftovers((d.path() / "out").string(), LeftoverSearch::Tree))
      removed.push_back(path);
  };
  const Outcome replaced = ExtractBytes(LhaArchive({{.name = "fine.txt", .data = Text("new")}}), d.path());
  gAfterPartialLink = nullptr;
  EXPECT_EQ(cleanUps, 1);
  EXPECT_EQ(removed, std::vector<std::string>{});
  EXPECT_EQ(replaced.count, 1);
  EXPECT_EQ(ReadAll(d.path() / "out/fine.txt"), Text("new"));
  EXPECT_EQ(AllFiles(d.path() / "out"), std::vector<fs::path>{"fine.txt"});
}

TEST(ExtractionRun, DatesModesAndAttributes) {
  FixedZone utc("UTC");
  ScopedDir d("dates");
  const uint32_t older = 0x5A2B6000;  // 2025-01-11 12:00:00
  const uint32_t newer = 0x5A4C7000;  // 2025-02-12 14:00:00
  const Bytes archive = LhaArchive({{.name = "old.txt", .data = Text("o"), .attribute = 0x21, .stamp = older},
                                    {.name = "new.txt", .data = Text("n"), .stamp = newer}});
  Outcome r = ExtractBytes(archive, d.path());
  ASSERT_EQ(r.count, 2);
  struct stat st {};
  ASSERT_EQ(::stat((d.path() / "out/old.txt").c_str(), &st), 0);
  EXPECT_EQ(int64_t(st.st_mtime), UtcSeconds(2025, 1, 11, 12, 0, 0));
  EXPECT_EQ(st.st_mode & 0222, 0u);  // the read-only attribute
  ASSERT_EQ(::stat((d.path() / "out/new.txt").c_str(), &st), 0);
  EXPECT_EQ(int64_t(st.st_mtime), UtcSeconds(2025, 2, 12, 14, 0, 0));
  // A plain entry gets the mode any new file gets here, not a private one.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0666u & ~mask);

  // The newest date of the run for every file, not of an earlier run of the same component; no attribute
  // restored when asked not to.
  fs::permissions(d.path() / "out/old.txt", fs::perms::owner_all);
  fs::remove_all(d.path() / "out");
  WriteAll(d.path() / "later.lzh", LhaArchive({{.name = "later.txt", .data = Text("l"), .stamp = 0x5A6C7000}}));
  LhaExtractor c;
  c.DateAttribute = DateSource::MaxFileDate;
  c.RestoreFileAttr = false;
  c.FileSpec = {"*.*"};
  c.SetArchiveFile((d.path() / "later.lzh").string());
  c.SetExtractDir((d.path() / "later").string());
  ASSERT_EQ(c.Extract(), 1);
  WriteAll(d.path() / "in.lzh", archive);
  c.SetArchiveFile((d.path() / "in.lzh").string());
  c.SetExtractDir((d.path() / "out").string());
  ASSERT_EQ(c.Extract(), 2);
  ASSERT_EQ(::stat((d.path() / "out/old.txt").c_str(), &st), 0);
  EXPECT_EQ(int64_t(st.st_mtime), UtcSeconds(2025, 2, 12, 14, 0, 0));
  EXPECT_NE(st.st_mode & 0200, 0u);
  // The date of the run itself, when asked for, to the two seconds a stored date can tell.
  fs::remove_all(d.path() / "out");
  c.DateAttribute = DateSource::SysDate;
  c.SetExtractDir((d.path() / "out").string());
  const int64_t before = int64_t(std::time(nullptr));
  ASSERT_EQ(c.Extract(), 2);
  ASSERT_EQ(::stat((d.path() / "out/new.txt").c_str(), &st), 0);
  EXPECT_GE(int64_t(st.st_mtime), before - 2);
  EXPECT_LE(int64_t(st.st_mtime), int64_t(std::time(nullptr)));

  // Every field of a stamp at its last valid value, and each one past it: a stamp that names no moment
  // leaves the file the time it was written. A level-2 stamp counts seconds since 1970; one before 1980
  // reads as 1980's start.
  const auto dos = [](uint32_t y, uint32_t mo, uint32_t day, uint32_t h, uint32_t mi, uint32_t sec) {
    return (y - 1980) << 25 | mo << 21 | day << 16 | h << 11 | mi << 5 | sec / 2;
  };
  const struct {
    const char* name;
    uint32_t stamp;
    int level;
    int64_t mtime;  // -1: the time of writing
  } stamps[] = {
      {"edge", dos(2024, 2, 29, 23, 59, 58), 0, UtcSeconds(2024, 2, 29, 23, 59, 58)},
      {"hour", dos(2024, 3, 1, 24, 0, 0), 0, -1},
      {"minute", dos(2024, 3, 1, 1, 60, 0), 0, -1},
      {"second", dos(2024, 3, 1, 1, 0, 60), 0, -1},
      {"month", dos(2024, 13, 1, 1, 0, 0), 0, -1},
      {"day", dos(2024, 3, 0, 1, 0, 0), 0, -1},
      {"leap", dos(2023, 2, 29, 1, 0, 0), 0, -1},
      {"unix", uint32_t(UtcSeconds(2024, 5, 6, 7, 8, 10)), 2, UtcSeconds(2024, 5, 6, 7, 8, 10)},
      {"in1980", uint32_t(UtcSeconds(1980, 6, 1, 10, 0, 0)), 2, UtcSeconds(1980, 6, 1, 10, 0, 0)},
      {"era", uint32_t(UtcSeconds(2000, 3, 1, 0, 0, 0)), 2,
       UtcSeconds(2000, 3, 1, 0, 0, 0)},  // a 400-year cycle's start
      {"before1980", uint32_t(UtcSeconds(1979, 12, 31, 23, 59, 58)), 2, UtcSeconds(1980, 1, 1, 0, 1, 0)},
      {"century", uint32_t(UtcSeconds(2100, 3, 1, 10, 0, 0)), 2, UtcSeconds(2100, 3, 1, 10, 0, 0)},  // no 29 Feb
      {"lastdos", dos(2107, 12, 31, 23, 59, 58), 0, UtcSeconds(2107, 12, 31, 23, 59, 58)},
  };
  std::vector<LhaEntry> entries;
  for (const auto& c : stamps)
    entries.push_back({.name = c.name, .data = Text("s"), .level = c.level, .stamp = c.stamp});
  fs::remove_all(d.path() / "out");
  const int64_t writing = int64_t(::time(nullptr));
  ASSERT_EQ(ExtractBytes(LhaArchive(entries), d.path()).count, int(std::size(stamps)));
  for (const auto& c : stamps) {
    ASSERT_EQ(::stat((d.path() / "out" / c.name).c_str(), &st), 0);
    if (c.mtime >= 0) {
      EXPECT_EQ(int64_t(st.st_mtime), c.mtime) << c.name;
    } else {
      EXPECT_GE(int64_t(st.st_mtime), writing) << c.name;
    }
  }
}

TEST(Streams, CopyFrom64WithCountZeroCopiesTheWholeSource) {
  ScopedDir d("copy");
  const Bytes source = Text(std::string(300000, 'q') + "tail");
  MemoryStream32 in(source.data(), source.size());
  in.Seek(1000, SeekOrigin::Beginning);  // the copy starts at the source's start whatever its position
  const fs::path file = d.path() / "copy.bin";
  {
    FileStream32 out(file.string(), FileMode::Create);
    ASSERT_TRUE(out.Valid());
    int pumps = 0;
    out.ProcessMessages = [&] { ++pumps; };
    EXPECT_EQ(out.CopyFrom64(in, 0), int64_t(source.size()));
    EXPECT_EQ(pumps, 3);  // the window's messages are let through before each of the three blocks
  }
  EXPECT_EQ(ReadAll(file), source);
  // A count copies that many bytes from where the source stands, over more than one block.
  in.Seek(4, SeekOrigin::Beginning);
  {
    FileStream32 out(file.string(), FileMode::Create);
    EXPECT_EQ(out.CopyFrom64(in, 200000), 200000);
  }
  EXPECT_EQ(ReadAll(file), Bytes(source.begin() + 4, source.begin() + 200004));
  {
    FileStream32 out(file.string(), FileMode::Create);
    EXPECT_EQ(out.CopyFrom64(in, 1), 1);
  }
  EXPECT_EQ(ReadAll(file), Bytes(source.begin() + 200004, source.begin() + 200005));
  // A source shorter than the count: what it had, and the copy ends.
  in.Seek(-10, SeekOrigin::End);
  EXPECT_EQ(in.Size(), int64_t(source.size()));
  EXPECT_EQ(in.Position(), int64_t(source.size() - 10));  // the size leaves the position alone
  {
    FileStream32 out(file.string(), FileMode::Create);
    EXPECT_EQ(out.CopyFrom64(in, 50), 10);
    // Cancelled before the first block: nothing copied.
    bool cancel = true;
    out.CancelPointer = &cancel;
    in.Seek(0, SeekOrigin::Beginning);
    EXPECT_EQ(out.CopyFrom64(in, 50), 0);
  }
  EXPECT_EQ(ReadAll(file), Bytes(source.end() - 10, source.end()));
  // Opened to read, a file takes no write; opened to write, it keeps what is not written over; made anew, it
  // starts empty.
  char two[2] = {};
  {
    FileStream32 reading(file.string(), FileMode::OpenRead);
    EXPECT_EQ(reading.Write("x", 1), 0);
    EXPECT_EQ(reading.LastError, EBADF);
    FileStream32 both(file.string(), FileMode::OpenReadWrite);
    EXPECT_EQ(both.Read(two, 2), 2);
    EXPECT_EQ(both.Write("zz", 2), 2);
    FileStream32 writing(file.string(), FileMode::OpenWrite);
    EXPECT_EQ(writing.Read(two, 1), 0);
    EXPECT_EQ(writing.Write("y", 1), 1);
    EXPECT_TRUE(writing.SetSize(8));
  }
  EXPECT_EQ(ReadAll(file), Text("yqzzqqta"));
  { FileStream32 made(file.string(), FileMode::Create); }
  EXPECT_EQ(ReadAll(file), Bytes());
  EXPECT_EQ(in.Seek(-1, SeekOrigin::Beginning), -1);
  // A full device takes nothing and says why; a stream that failed to open reads, writes and seeks nothing.
  FileStream32 full("/dev/full", FileMode::OpenWrite);
  if (full.Valid()) {
    EXPECT_EQ(full.CopyFrom64(in, 100), 0);
    EXPECT_EQ(full.LastError, ENOSPC);
  }
  // A read the system refuses (a folder opened as a file) gives nothing.
  FileStream32 folder(d.path().string(), FileMode::OpenRead);
  ASSERT_TRUE(folder.Valid());
  EXPECT_EQ(folder.Read(two, 2), 0);
  FileStream32 missing((d.path() / "missing").string(), FileMode::OpenRead);
  uint8_t byte = 0;
  EXPECT_EQ(missing.Read(&byte, 1), 0);
  EXPECT_EQ(missing.Write(&byte, 1), 0);
  EXPECT_EQ(missing.Seek(0, SeekOrigin::Beginning), -1);

  // Opened to read, a file gives the same bytes however a reader moves about it: small reads at two places
  // taken in turn, reads across the blocks it is read in, reads larger than a block, reads at and past its end.
  Bytes pattern(200000);
  for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = uint8_t(i * 7 % 251);
  WriteAll(file, pattern);
  FileStream32 cached(file.string(), FileMode::OpenRead);
  std::mt19937 rng(7);
  std::vector<uint8_t> got;
  for (int i = 0; i < 3000; ++i) {
    const int64_t at = int64_t(rng() % 200100) - (i % 2 ? 0 : 100000);
    const int64_t count = i % 50 == 0 ? 40000 : int64_t(rng() % 300);
    got.assign(size_t(count), 0);
    if (at < 0) {
      EXPECT_EQ(cached.Seek(at, SeekOrigin::Beginning), -1);
      continue;
    }
    ASSERT_EQ(cached.Seek(at, SeekOrigin::Beginning), at);
    const int64_t expected = std::clamp<int64_t>(int64_t(pattern.size()) - at, 0, count);
    ASSERT_EQ(cached.Read(got.data(), count), expected) << at << " " << count;
    ASSERT_TRUE(std::equal(got.begin(), got.begin() + expected, pattern.begin() + at)) << at << " " << count;
    EXPECT_EQ(cached.Position(), at + expected);
  }
  EXPECT_EQ(cached.Size(), int64_t(pattern.size()));
  EXPECT_EQ(cached.Seek(-5, SeekOrigin::End), int64_t(pattern.size()) - 5);
  EXPECT_EQ(cached.Seek(-3, SeekOrigin::Current), int64_t(pattern.size()) - 8);
  EXPECT_EQ(cached.Read(got.data(), 100), 8);
  EXPECT_EQ(cached.Read(got.data(), 100), 0);
  EXPECT_EQ(cached.Seek(-int64_t(pattern.size()) - 1, SeekOrigin::Current), -1);
  EXPECT_EQ(cached.Position(), int64_t(pattern.size())) << "a refused seek leaves the position alone";
}
