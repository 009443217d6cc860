#include "archive/Paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <linux/openat2.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace corvina::archive {

// ---------------------------------------------------------------- names and paths

std::string WithTrailingBackslash(const std::string& folder) {
  if (folder.empty() || folder.back() == '\\') return folder;
  return folder + '\\';
}

std::string WithTrailingSlash(const std::string& path) {
  if (path.empty() || path.back() == '/') return path;
  return path + '/';
}

std::string SlashToBackslash(std::string name) {
  for (char& c : name)
    if (c == '/') c = '\\';
  return name;
}

std::string ConvertSeparators(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    const uint8_t b = uint8_t(raw[i]);
    if (((b >= 0x80 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFD)) && i + 1 < raw.size()) {
      out += char(b);
      out += raw[++i];  // the second byte of a double-byte character is never a separator
      continue;
    }
    out += (b == '/' || b == 0xFF) ? '\\' : char(b);
  }
  size_t first = 0, last = out.size();
  while (first < last && uint8_t(out[first]) < 33) ++first;
  while (last > first && uint8_t(out[last - 1]) < 33) --last;
  return out.substr(first, last - first);
}

std::string Cp932ToUtf8(std::string_view raw, bool* ok) {
  if (ok) *ok = true;
  bool ascii = true;
  for (char c : raw)
    if (uint8_t(c) >= 0x80) {
      ascii = false;
      break;
    }
  if (ascii) return std::string(raw);

  std::string out;
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == iconv_t(-1)) {
    for (char c : raw) out += uint8_t(c) < 0x80 ? c : '_';
    if (ok) *ok = false;
    return out;
  }
  std::vector<char> in(raw.begin(), raw.end());
  char* inPtr = in.data();
  size_t inLeft = in.size();
  std::vector<char> buffer(raw.size() * 4 + 16);
  while (inLeft > 0) {
    char* outPtr = buffer.data();
    size_t outLeft = buffer.size();
    const size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    out.append(buffer.data(), size_t(outPtr - buffer.data()));
    if (rc == size_t(-1) && (errno == EILSEQ || errno == EINVAL)) {
      // A byte that is no CP932 character still must not vanish or break the name.
      out += '_';
      ++inPtr;
      --inLeft;
      if (ok) *ok = false;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    } else if (rc == size_t(-1) && errno != E2BIG) {
      break;
    }
  }
  iconv_close(cd);
  return out;
}

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const uint8_t b = uint8_t(s[i]);
    int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    if (extra < 0 || (b >= 0x80 && b < 0xC2) || b > 0xF4) return false;
    if (extra > 0 && i + size_t(extra) >= s.size()) return false;
    for (int k = 1; k <= extra; ++k)
      if ((uint8_t(s[i + size_t(k)]) & 0xC0) != 0x80) return false;
    i += size_t(extra) + 1;
  }
  return true;
}

std::string ConvertEntryName(ArchiveFormat type, int hostSystem, std::string_view raw) {
  const bool zipType = type == ArchiveFormat::Jar || type == ArchiveFormat::JarSfx ||
                       (type >= ArchiveFormat::Zip && type <= ArchiveFormat::ZipMVol);
  std::string name;
  if (zipType && hostSystem != 0 && IsValidUtf8(raw))
    name = std::string(raw);
  else
    name = Cp932ToUtf8(raw);
  return SlashToBackslash(std::move(name));
}

bool IsUncPath(const std::string& name) { return name.size() >= 3 && name[0] == '\\' && name[1] == '\\'; }

std::string DirOf(const std::string& path) {
  const size_t p = path.rfind('/');
  if (p == std::string::npos) return {};
  if (p == 0) return "/";
  return path.substr(0, p);
}

std::string FileNameOf(const std::string& path) {
  const size_t p = path.rfind('/');
  return p == std::string::npos ? path : path.substr(p + 1);
}

std::string ExtensionOf(const std::string& path) {
  const std::string name = FileNameOf(path);
  const size_t p = name.rfind('.');
  return p == std::string::npos ? std::string() : name.substr(p);
}

std::string CurrentDir() {
  std::vector<char> buffer(PATH_MAX + 1);
  if (::getcwd(buffer.data(), buffer.size()) == nullptr) return "/";
  return buffer.data();
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty()) return path;
  std::string full = path[0] == '/' ? path : WithTrailingSlash(CurrentDir()) + path;
  // Fold "." and ".." textually, as the platform's expansion does (no symlink resolution).
  std::vector<std::string> parts;
  size_t i = 0;
  while (i <= full.size()) {
    size_t j = full.find('/', i);
    if (j == std::string::npos) j = full.size();
    const std::string part = full.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = j + 1;
  }
  std::string out;
  for (const auto& p : parts) out += "/" + p;
  if (out.empty()) out = "/";
  if (full.size() > 1 && full.back() == '/' && out != "/") out += '/';
  return out;
}

// ---------------------------------------------------------------- directories and files

bool DirectoryExists(const std::string& dir) {
  struct stat st {};
  return !dir.empty() && ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& name) {
  struct stat st {};
  return !name.empty() && ::stat(name.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool MakeDirTree(const std::string& dir, std::vector<std::string>* made) {
  if (dir.empty()) return false;
  if (DirectoryExists(dir)) return true;
  const std::string full = AbsolutePath(dir);
  int refused = 0;
  for (size_t p = full.find('/', 1);; p = full.find('/', p + 1)) {
    const std::string prefix = p == std::string::npos ? full : full.substr(0, p);
    if (!prefix.empty() && !DirectoryExists(prefix)) {
      // One made meanwhile by someone else is not ours to remove.
      if (::mkdir(prefix.c_str(), 0777) == 0) {
        if (made) made->push_back(prefix);
      } else if (errno != EEXIST) {
        refused = errno;
        break;
      }
    }
    if (p == std::string::npos) break;
  }
  if (DirectoryExists(full)) return true;
  // The reason is the folder's that could not be made, not the final look's.
  if (refused != 0) errno = refused;
  return false;
}

void RemoveMadeFolders(std::vector<std::string>& made) {
  // Deepest first; a folder that something else has been put into stays.
  for (auto it = made.rbegin(); it != made.rend(); ++it) ::rmdir(it->c_str());
  made.clear();
}

bool IsDirWritable(const std::string& dir, int* reason) {
  auto refused = [reason](int error) {
    if (reason) *reason = error;
    return false;
  };
  if (DirectoryExists(dir)) {
    // A file without a name, so that a run stopped at any moment leaves nothing among the
    // user's files; where the file system has no such files, the folder's own permissions.
    const int fd = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      return true;
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return refused(errno);
    return ::access(dir.c_str(), W_OK | X_OK) == 0 || refused(errno);
  }
  // A missing folder counts as writable when it can be made; remove what the probe made.
  std::vector<std::string> made;
  const bool ok = MakeDirTree(dir, &made);
  const int error = errno;
  RemoveMadeFolders(made);
  return ok || refused(error);
}

namespace {
// A handle closed without disturbing the errno the caller is about to report.
void CloseKeepingErrno(int fd) {
  const int saved = errno;
  ::close(fd);
  errno = saved;
}

int OpenFolderNoLink(int at, const std::string& name) {
  return ::openat(at, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// The kernel resolves the whole path at once, refusing every link and every way out of `root`.
int OpenBeneathAtOnce(int root, const std::string& relative) {
#ifdef SYS_openat2
  struct open_how how {};
  how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS;
  return int(::syscall(SYS_openat2, root, relative.c_str(), &how, sizeof how));
#else
  errno = ENOSYS;
  return -1;
#endif
}
}  // namespace

namespace {
bool SingleNames(const std::vector<std::string>& parts) {
  for (const auto& part : parts)
    if (part.empty() || part == "." || part == ".." || part.find('/') != std::string::npos) {
      errno = EINVAL;
      return false;
    }
  return true;
}
}  // namespace

int OpenFolderBeneath(const std::string& root, const std::vector<std::string>& parts, bool create,
                      std::vector<std::string>* made) {
  if (!SingleNames(parts)) return -1;
  // The target folder itself is the user's choice and may well be a link.
  const int at = ::open(root.empty() ? "." : root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (at < 0 || parts.empty()) return at;
  const int folder = OpenFolderBeneathAt(at, root, parts, create, made);
  CloseKeepingErrno(at);
  return folder;
}

int OpenFolderBeneathAt(int root, const std::string& rootPath, const std::vector<std::string>& parts, bool create,
                        std::vector<std::string>* made) {
  if (parts.empty()) {
    errno = EINVAL;
    return -1;
  }
  if (!SingleNames(parts)) return -1;
  std::string relative;
  for (const auto& part : parts) relative += (relative.empty() ? "" : "/") + part;
  const int whole = OpenBeneathAtOnce(root, relative);
  // A kernel without openat2 (or a sandbox that forbids it), a rename elsewhere during the
  // resolution, or folders still to be made: one name at a time, none followed when it is a link.
  if (whole >= 0 || !(errno == ENOSYS || errno == EPERM || errno == EAGAIN || (create && errno == ENOENT)))
    return whole;
  std::string path = WithTrailingSlash(rootPath.empty() ? CurrentDir() : rootPath);
  int at = root;
  for (const auto& part : parts) {
    path += part;
    int next = OpenFolderNoLink(at, part);
    if (next < 0 && errno == ENOENT && create) {
      if (::mkdirat(at, part.c_str(), 0777) == 0) {
        if (made) made->push_back(path);
      } else if (errno != EEXIST) {
        if (at != root) CloseKeepingErrno(at);
        return -1;
      }
      next = OpenFolderNoLink(at, part);
    }
    if (at != root) CloseKeepingErrno(at);
    if (next < 0) return -1;
    at = next;
    path += '/';
  }
  return at;
}

namespace {
constexpr std::string_view kPartialPrefix = ".corvina-part-";
constexpr size_t kPartialLetters = 12;

// A new name for one of the library's temporary files; false when the system gives no random bytes.
bool HiddenName(std::string& name) {
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  uint8_t random[kPartialLetters];
  if (::getrandom(random, sizeof random, 0) != ssize_t(sizeof random)) return false;
  name = kPartialPrefix;
  for (const uint8_t r : random) name += kLetters[r % (sizeof kLetters - 1)];
  return true;
}

// Whether `name` in `folder` is still the file open as `fd`.
bool StillNamed(int folder, const std::string& name, int fd) {
  struct stat byName {
  }, byHandle{};
  return ::fstatat(folder, name.c_str(), &byName, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &byHandle) == 0 &&
         byName.st_dev == byHandle.st_dev && byName.st_ino == byHandle.st_ino;
}
}  // namespace

bool IsPartialFileName(std::string_view name) {
  if (name.size() != kPartialPrefix.size() + kPartialLetters || !name.starts_with(kPartialPrefix)) return false;
  return std::all_of(name.begin() + long(kPartialPrefix.size()), name.end(),
                     [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); });
}

int CreateHiddenFileAt(int folder, std::string& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (!HiddenName(name)) return -1;
    const int fd = ::openat(folder, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return -1;
    }
    // A clean-up that came between the creation and the lock holds the file or has taken its name away: then
    // another name. A file it only held is still ours to take away. A file system without locks keeps the file
    // unlocked.
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
    const bool named = StillNamed(folder, name, fd);
    if (held && named) return fd;
    if (named) ::unlinkat(folder, name.c_str(), 0);
    ::close(fd);
  }
  errno = EEXIST;
  return -1;
}

bool LinkHiddenFileAt(int handle, int folder, std::string& name) {
  // Locked before it has a name a clean-up could find. Nothing else holds a file without a name; a file system
  // without locks keeps it unlocked.
  ::flock(handle, LOCK_EX | LOCK_NB);
  const std::string self = "/proc/self/fd/" + std::to_string(handle);
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (!HiddenName(name)) break;
    if (::linkat(AT_FDCWD, self.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno != EEXIST) break;
  }
  name.clear();
  return false;
}

namespace {
// Walks the open folder `folder` (known as `path`, ending in "/") and, for Tree, those below it.
void FindLeftovers(int folder, const std::string& path, LeftoverSearch where, bool remove,
                   std::vector<std::string>& found) {
  const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* dir = listing >= 0 ? ::fdopendir(listing) : nullptr;
  if (!dir) {
    if (listing >= 0) ::close(listing);
    return;
  }
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    // The listing tells most entries' kind: only a folder to enter and a file of the library's name are looked at.
    const bool maybeFolder = entry->d_type == DT_DIR || entry->d_type == DT_UNKNOWN;
    if (name == "." || name == ".." || !(IsPartialFileName(name) || (maybeFolder && where == LeftoverSearch::Tree)))
      continue;
    struct stat st {};
    if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      if (where == LeftoverSearch::Folder) continue;
      const int below = ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (below >= 0) {
        FindLeftovers(below, path + name + "/", where, remove, found);
        ::close(below);
      }
      continue;
    }
    if (!S_ISREG(st.st_mode) || !IsPartialFileName(name)) continue;
    const int fd = ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    // A writer holds its lock until its file has its final name: a lock taken here belongs to no one alive.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && StillNamed(folder, name, fd) &&
        (!remove || ::unlinkat(folder, name.c_str(), 0) == 0))
      found.push_back(path + name);
    ::close(fd);
  }
  ::closedir(dir);
}

std::vector<std::string> Leftovers(const std::string& folder, LeftoverSearch where, bool remove) {
  std::vector<std::string> found;
  const int root = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (root < 0) return found;
  FindLeftovers(root, WithTrailingSlash(folder), where, remove, found);
  ::close(root);
  std::sort(found.begin(), found.end());
  return found;
}
}  // namespace

std::vector<std::string> ExtractionLeftovers(const std::string& folder, LeftoverSearch where) {
  return Leftovers(folder, where, false);
}

std::vector<std::string> RemoveExtractionLeftovers(const std::string& folder, LeftoverSearch where) {
  return Leftovers(folder, where, true);
}
}  // namespace corvina::archive
