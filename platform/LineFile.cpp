#include "LineFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>

#include "Text.h"

namespace corvina {

Lines SplitLines(std::string_view text) {
  Lines lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

// ---- The reasons a user reads: every failure of the file layer is told by one of these. ----

std::string FileErrorText(FileAction action, const std::filesystem::path& file, int errnum) {
  const std::string name = file.string();
  const bool save = action == FileAction::Save;
  switch (errnum) {
    case EACCES:
    case EPERM: return name + (save ? " に書き込む権限がありません。" : " を読む権限がありません。");
    case EROFS: return name + " は読み取り専用のディスクにあります。";
    case ENOSPC:
    case EDQUOT: return "ディスクの空きが足りないため " + name + " を保存できません。";
    case ENOENT: return name + (save ? " を保存するフォルダがありません。" : " がありません。");
    case EISDIR: return name + " はフォルダです。";
    case ELOOP: return "リンク " + name + " は循環していてたどれません。";
    default: break;
  }
  return name + (save ? " を保存できません（" : " を読めません（") + std::strerror(errnum) + "）。";
}

namespace {

std::string ReadOnlyText(const std::filesystem::path& file) { return file.string() + " は読み取り専用です。"; }

// A save that waited in vain for another save in the same folder.
std::string BusyText(const std::filesystem::path& file) {
  return "同じフォルダの別の保存が終わらないため " + file.string() + " を保存できません。";
}

std::string NotAFileText(const std::filesystem::path& file) {
  return file.string() + " は通常のファイルではありません。";
}

// A link whose target would be made in a folder that is not there.
std::string LinkFolderMissingText(const std::filesystem::path& link, const std::filesystem::path& file) {
  return "リンク " + link.string() + " のリンク先 " + file.string() + " のフォルダがありません。";
}

// The whole of the open file `fd` of `file`; a folder or anything but a plain file is refused, as a read of
// a pipe could wait for ever.
bool ReadOpened(int fd, const std::filesystem::path& file, std::string& out, std::string& error) {
  out.clear();
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    error = FileErrorText(FileAction::Read, file, errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    error = S_ISDIR(st.st_mode) ? FileErrorText(FileAction::Read, file, EISDIR) : NotAFileText(file);
    return false;
  }
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = FileErrorText(FileAction::Read, file, errno);
      out.clear();
      return false;
    }
    out.append(buffer, static_cast<size_t>(n));
  }
}

}  // namespace

bool ReadFileBytes(const std::filesystem::path& path, std::string& out, std::string* error) {
  out.clear();
  std::string why;
  bool read = false;
  if (const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); fd < 0) {
    why = FileErrorText(FileAction::Read, path, errno);
  } else {
    read = ReadOpened(fd, path, out, why);
    ::close(fd);
  }
  if (!read && error) *error = why;
  return read;
}

bool ReadLines(const std::filesystem::path& path, Lines& out, std::string* error) {
  out.clear();
  std::string data;
  if (!ReadFileBytes(path, data, error)) return false;
  out = SplitLines(data);
  return true;
}

Lines SplitFixedLines(std::string_view text, size_t recordLength) {
  Lines lines = SplitLines(text);
  for (auto& line : lines) line = PadRight(line, recordLength);
  return lines;
}

bool ReadFixedLines(const std::filesystem::path& path, size_t recordLength, Lines& out, std::string* error) {
  std::string data;
  out.clear();
  if (!ReadFileBytes(path, data, error)) return false;
  out = SplitFixedLines(data, recordLength);
  return true;
}

std::string JoinLinesCrLf(const Lines& lines) {
  size_t total = 0;
  for (const auto& l : lines) total += l.size() + 2;
  std::string s;
  s.reserve(total);
  for (const auto& l : lines) {
    s += l;
    s += "\r\n";
  }
  return s;
}

namespace {

// Tests turn unnamed temporaries off to take the path of filesystems that have none.
bool gUnnamedTemporaries = true;

// How long a save waits for its folder's lock; tests shorten it.
std::chrono::milliseconds gSaveLockWait{5000};

// Test seams: inside a rewrite's read-rename window, and between a named temporary's creation and its lock.
std::function<void(const std::filesystem::path&)> gRewriteHook;
std::function<void()> gNamedTemporaryHook;

// A temporary is named kTemporaryMark + the file's name + "." + kRandomDigits hex digits: hidden beside the
// file, marked as no user would name a file, and telling the clearing at start which file it was for. The
// unmarked names of earlier versions (".name.tmp" + digits) could be a user's own and are left alone.
constexpr std::string_view kTemporaryMark = ".corvina-save.";
constexpr size_t kRandomDigits = 12;

std::string TemporaryName(const std::string& file) {
  static thread_local std::mt19937_64 rng{std::random_device{}()};
  char random[kRandomDigits + 1];
  std::snprintf(random, sizeof random, "%012llx", static_cast<unsigned long long>(rng() & 0xFFFFFFFFFFFFULL));
  return std::string(kTemporaryMark) + file + "." + random;
}

// The name of the file a save's temporary of this name was for; empty when the name is no save's temporary.
std::string_view TemporaryTarget(std::string_view name) {
  const size_t fixed = kTemporaryMark.size() + 1 + kRandomDigits;
  if (name.size() <= fixed || !name.starts_with(kTemporaryMark)) return {};
  const std::string_view random = name.substr(name.size() - kRandomDigits);
  if (random.find_first_not_of("0123456789abcdef") != std::string_view::npos) return {};
  if (name[name.size() - kRandomDigits - 1] != '.') return {};
  return name.substr(kTemporaryMark.size(), name.size() - fixed);
}

bool WriteAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

// The file a save works on: its folder, open, and its name there. Every step of a save works relative to that
// folder, so a link turned meanwhile never sends the read to one file and the write to another.
class SaveTarget {
 public:
  SaveTarget() = default;
  SaveTarget(const SaveTarget&) = delete;
  SaveTarget& operator=(const SaveTarget&) = delete;
  ~SaveTarget() {
    if (dirFd >= 0) ::close(dirFd);
  }

  int dirFd = -1;
  std::string name;            // the file's name in that folder
  std::filesystem::path file;  // the path the links led to, for messages
};

// Opens the folder of `path`'s file and, while the name there is a link, the folder of the link's target: the
// one look-up that every later step keeps to. The file may not exist yet. Returns false, with the reason, for
// links that go round or lead to no folder: a save there would have to replace the link itself.
bool OpenSaveTarget(const std::filesystem::path& path, SaveTarget& target, std::string& error) {
  // As many links as the kernel follows in one path.
  constexpr int kMaxLinks = 40;
  target.file = path;
  const std::filesystem::path dir = path.parent_path();
  target.dirFd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (target.dirFd < 0) {
    error = FileErrorText(FileAction::Save, path, errno);
    return false;
  }
  target.name = path.filename().string();
  for (int links = 0;; ++links) {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlinkat(target.dirFd, target.name.c_str(), buffer, sizeof buffer);
    if (n < 0 && (errno == EINVAL || errno == ENOENT)) break;  // no link, or nothing there yet
    if (n < 0 || static_cast<size_t>(n) == sizeof buffer || links == kMaxLinks) {
      error = FileErrorText(FileAction::Save, path, n < 0 ? errno : links == kMaxLinks ? ELOOP : ENAMETOOLONG);
      return false;
    }
    const std::filesystem::path link(std::string(buffer, static_cast<size_t>(n)));
    target.file = link.is_absolute() ? link : target.file.parent_path() / link;
    const std::filesystem::path linkDir = link.parent_path();
    const int next =
        ::openat(target.dirFd, linkDir.empty() ? "." : linkDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (next < 0) {
      error = errno == ENOENT ? LinkFolderMissingText(path, target.file) : FileErrorText(FileAction::Save, path, errno);
      return false;
    }
    ::close(target.dirFd);
    target.dirFd = next;
    target.name = link.filename().string();
  }
  return true;
}

// Takes the save lock of the target's folder, waiting for another save there as long as gSaveLockWait allows;
// closing the folder lets it go. The lock is on the folder, not on the file: a rename puts another file in the
// file's place, and a lock on the one replaced would hold nothing. A filesystem without locks on folders goes
// on unlocked, as before there were locks: refusing would make every save there fail.
bool LockFolder(const SaveTarget& target, std::string& error) {
  const auto deadline = std::chrono::steady_clock::now() + gSaveLockWait;
  std::chrono::milliseconds pause{1};
  for (;;) {
    if (::flock(target.dirFd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) return true;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) {
      error = BusyText(target.file);
      return false;
    }
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, std::chrono::milliseconds{20});
  }
}

// The bytes of the target; a target not there has none and is not `present`.
bool ReadTarget(const SaveTarget& target, std::string& bytes, bool& present, std::string& error) {
  bytes.clear();
  present = false;
  const int fd = ::openat(target.dirFd, target.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return true;
    error = FileErrorText(FileAction::Read, target.file, errno);
    return false;
  }
  present = true;
  const bool read = ReadOpened(fd, target.file, bytes, error);
  ::close(fd);
  return read;
}

// Whether `name` in the folder `dirFd` is still the file open as `fd`.
bool StillNamed(int dirFd, const std::string& name, int fd) {
  struct stat byName {
  }, byHandle{};
  return ::fstatat(dirFd, name.c_str(), &byName, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &byHandle) == 0 &&
         byName.st_dev == byHandle.st_dev && byName.st_ino == byHandle.st_ino;
}

// Gives the complete unnamed file `fd` a temporary name in the target's folder; linkat cannot replace a name
// itself.
bool LinkUnnamed(int fd, const SaveTarget& target, std::string& tmp) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  for (int attempt = 0; attempt < 8; ++attempt) {
    tmp = TemporaryName(target.name);
    if (::linkat(AT_FDCWD, self.c_str(), target.dirFd, tmp.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno != EEXIST) break;
  }
  tmp.clear();
  return false;
}

// Creates a named temporary for the target and locks it; -1 with errno when none can be made.
int CreateNamed(const SaveTarget& target, std::string& tmp) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    tmp = TemporaryName(target.name);
    const int fd = ::openat(target.dirFd, tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return -1;
    }
    if (gNamedTemporaryHook) gNamedTemporaryHook();
    // The clearing at start may have come between the creation and the lock: it holds the file, or has taken
    // its name away; then another name. A file it only held is still ours to take away. A filesystem without
    // locks keeps the file unlocked.
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
    const bool named = StillNamed(target.dirFd, tmp, fd);
    if (held && named) return fd;
    if (named) ::unlinkat(target.dirFd, tmp.c_str(), 0);
    ::close(fd);
  }
  tmp.clear();
  errno = EEXIST;
  return -1;
}

// Replaces the target with `bytes` through a temporary file in its folder.
bool ReplaceTarget(const SaveTarget& target, std::string_view bytes, std::string& error) {
  const char* name = target.name.c_str();
  auto fail = [&](int e) {
    error = FileErrorText(FileAction::Save, target.file, e);
    return false;
  };
  if (target.name.empty() || target.name == "." || target.name == "..") return fail(EISDIR);
  struct stat old {};
  const bool replacing = ::fstatat(target.dirFd, name, &old, AT_SYMLINK_NOFOLLOW) == 0;
  if (replacing && S_ISDIR(old.st_mode)) return fail(EISDIR);
  if (replacing && !S_ISREG(old.st_mode)) {
    error = NotAFileText(target.file);
    return false;
  }
  // A rename replaces a file whatever its mode, and root writes any file: only the mode bits tell that the user
  // meant the file to stay as it is.
  if (replacing && (old.st_mode & S_IWUSR) == 0) {
    error = ReadOnlyText(target.file);
    return false;
  }
  // Anyone else may not replace, through the folder, a file the system would not let them write.
  if (replacing && ::geteuid() != 0 && ::faccessat(target.dirFd, name, W_OK, 0) != 0) return fail(errno);

  // On Linux the new bytes go to an unnamed file that disappears with the process, whatever kills it; it gets a
  // name only once it is complete. Filesystems without unnamed files take a hidden name from the start.
  std::string tmp;
  int fd = gUnnamedTemporaries ? ::openat(target.dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644) : -1;
  const bool unnamed = fd >= 0;
  if (!unnamed) {
    if (gUnnamedTemporaries && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return fail(errno);
    fd = CreateNamed(target, tmp);
    if (fd < 0) return fail(errno);
  }
  // The lock on the temporary tells the file of a writer still at work from the leftover of one that died. A
  // named one has it from CreateNamed, which makes sure the clearing at start did not come first.
  if (unnamed) ::flock(fd, LOCK_EX);
  auto abandon = [&] {
    const int e = errno;
    if (!tmp.empty()) ::unlinkat(target.dirFd, tmp.c_str(), 0);
    ::close(fd);
    return fail(e);
  };
  if (!WriteAll(fd, bytes)) return abandon();
  if (replacing) {
    // The replacement keeps the owner and the mode: a private file stays private. Changing the owner is
    // allowed to root only; anyone else already owns what they create.
    if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) && ::fchown(fd, old.st_uid, old.st_gid) != 0 &&
        errno != EPERM)
      return abandon();
    if (::fchmod(fd, old.st_mode & 07777) != 0) return abandon();
  }
  if (::fsync(fd) != 0) return abandon();
  if (unnamed && !LinkUnnamed(fd, target, tmp)) return abandon();
  if (::renameat(target.dirFd, tmp.c_str(), target.dirFd, name) != 0) return abandon();
  ::close(fd);
  // The rename lives in the folder: without this a power cut may bring back the old file, or none.
  if (::fsync(target.dirFd) != 0 && errno != EINVAL) return fail(errno);
  return true;
}

}  // namespace

bool SaveFileAtomic(const std::filesystem::path& path, std::string_view bytes, std::string* error) {
  SaveTarget target;
  std::string why;
  if (OpenSaveTarget(path, target, why) && LockFolder(target, why) && ReplaceTarget(target, bytes, why)) return true;
  if (error) *error = why;
  return false;
}

bool UpdateFileAtomic(const std::filesystem::path& path, const FileChange& change, std::string* error) {
  // The folder's lock is held from the read to the rename and goes when the target closes its folder.
  SaveTarget target;
  std::string bytes, why;
  bool present = false;
  if (OpenSaveTarget(path, target, why) && LockFolder(target, why) && ReadTarget(target, bytes, present, why)) {
    if (!change(bytes, present)) return true;
    if (gRewriteHook) gRewriteHook(path);
    if (ReplaceTarget(target, bytes, why)) return true;
  }
  if (error) *error = why;
  return false;
}

bool RewriteFileAtomic(const std::filesystem::path& path, const std::function<std::string(const std::string&)>& change,
                       std::string* error) {
  return UpdateFileAtomic(
      path,
      [&](std::string& bytes, bool) {
        bytes = change(bytes);
        return true;
      },
      error);
}

size_t RemoveSaveLeftovers(const std::filesystem::path& folder,
                           const std::function<bool(std::string_view name)>& written) {
  // A link in the folder's place leads to what the program did not make.
  const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (dirFd < 0) return 0;
  DIR* dir = ::fdopendir(dirFd);
  if (dir == nullptr) {
    ::close(dirFd);
    return 0;
  }
  size_t removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const char* name = entry->d_name;
    const std::string_view target = TemporaryTarget(name);
    if (target.empty() || !written(target)) continue;
    struct stat seen {};
    if (::fstatat(dirFd, name, &seen, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(seen.st_mode)) continue;
    int fd = ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) fd = ::openat(dirFd, name, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    // A writer holds its lock until its file has its final name; a lock we get belongs to no one alive. The name
    // must still lead to the file locked: one a save renamed meanwhile is no leftover.
    struct stat locked {};
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &locked) == 0 &&
        ::fstatat(dirFd, name, &seen, AT_SYMLINK_NOFOLLOW) == 0 && seen.st_dev == locked.st_dev &&
        seen.st_ino == locked.st_ino && ::unlinkat(dirFd, name, 0) == 0)
      ++removed;
    ::close(fd);
  }
  ::closedir(dir);
  return removed;
}

void UseUnnamedTemporaries(bool use) { gUnnamedTemporaries = use; }

void SetSaveLockWait(std::chrono::milliseconds wait) { gSaveLockWait = wait; }

void SetRewriteHook(std::function<void(const std::filesystem::path& path)> hook) { gRewriteHook = std::move(hook); }

void SetNamedTemporaryHook(std::function<void()> hook) { gNamedTemporaryHook = std::move(hook); }

bool SaveLines(const std::filesystem::path& path, const Lines& lines, std::string* error) {
  return SaveFileAtomic(path, JoinLinesCrLf(lines), error);
}

}  // namespace corvina
