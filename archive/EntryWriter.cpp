#include "archive/EntryWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>

#include "archive/Crc.h"
#include "archive/Paths.h"

namespace corvina::archive {

// ---------------------------------------------------------------- EntryWriter: entry services

namespace {
mode_t ProcessUmask() {
  static const mode_t mask = [] {
    const mode_t m = ::umask(0);
    ::umask(m);
    return m;
  }();
  return mask;
}

bool HasDotDot(const std::vector<std::string>& parts) {
  return std::any_of(parts.begin(), parts.end(), [](const std::string& p) { return p == ".."; });
}

std::vector<std::string> SplitBackslash(const std::string& s) {
  std::vector<std::string> parts;
  size_t i = 0;
  while (i <= s.size()) {
    size_t j = s.find('\\', i);
    if (j == std::string::npos) j = s.size();
    std::string part = s.substr(i, j - i);
    if (!part.empty() && part != ".") parts.push_back(part);
    i = j + 1;
  }
  return parts;
}
}  // namespace

void EntryWriter::ApplyStoredPath(const std::string& entryName) {
  PathRefused = false;
  OutputName.clear();
  std::string name;
  for (char c : entryName)
    if (c != '\0') name += c;
  if (name.empty()) return;
  size_t lead = 0;
  while (lead < name.size() && name[lead] == '.') ++lead;
  name.erase(0, lead);
  if (!name.empty() && name[0] == '\\') name.erase(0, 1);

  if (extractFolder_.empty()) {
    SetExtractDir(DirOf(archivePath_));
    if (extractFolder_.empty()) extractFolder_ = WithTrailingSlash(CurrentDir());
  }

  std::string dirPart, filePart;
  const size_t cut = name.rfind('\\');
  if (cut == std::string::npos)
    filePart = name;
  else {
    dirPart = name.substr(0, cut);
    filePart = name.substr(cut + 1);
  }
  if (UseStoredDirs) {
    // A drive letter stored by a Windows archiver names no place here: drop it.
    if (dirPart.size() >= 2 && dirPart[1] == ':' && std::isalpha(uint8_t(dirPart[0])))
      dirPart.erase(0, 2);
    else if (dirPart.empty() && filePart.size() >= 2 && filePart[1] == ':' && std::isalpha(uint8_t(filePart[0])))
      filePart.erase(0, 2);
  } else {
    dirPart.clear();
  }
  const std::vector<std::string> dirs = SplitBackslash(dirPart);
  // A ".." anywhere would lead out of the target folder: such an entry is refused.
  if (HasDotDot(dirs) || filePart == "..") {
    PathRefused = true;
    return;
  }
  std::string out = WithTrailingSlash(extractFolder_);
  for (const auto& d : dirs) out += d + "/";
  if (filePart == ".") filePart.clear();
  out += filePart;
  OutputName = out;
}

bool EntryWriter::CheckOverwrite(bool isDirectory) {
  entryCounted_ = false;
  entryWriteFailed_ = false;
  bool extract = true;
  if (isDirectory) {
    if (OnBegin) OnBegin(*this, OutputName, extractedCount_ + 1, extract);
    return true;
  }
  Timer.Suspend();
  struct Resume {
    Stopwatch& t;
    ~Resume() { t.Resume(); }
  } resume{Timer};
  // Folders for a name an event handler gave are made the way the entry's own are.
  auto makeFolderOf = [this](const std::string& name) {
    std::string leaf;
    CloseEntryFolder(OpenEntryFolder(name, true, nullptr, &leaf));
  };
  if (OnBegin) {
    if (OnRenameFile) {
      std::string newName = OutputName;
      OnRenameFile(*this, OutputName, newName);
      if (!newName.empty()) {
        makeFolderOf(newName);
        OutputName = newName;
      }
    }
    OnBegin(*this, OutputName, extractedCount_ + 1, extract);
  }
  if (GetCancel() || !extract) return false;
  if (!ConfirmOverwrites) {
    if (OverwriteMode != OverwritePolicy::Overwrite) return false;
  } else {
    OverwriteMode = OverwritePolicy::Overwrite;
    struct stat st {};
    if (StatEntry(OutputName, st)) {
      if (!OnFileExists) {
        DoError(OutputName, {}, msg::EventNotAssigned, archiveName_);
        OverwriteMode = OverwritePolicy::Skip;
      } else {
        for (;;) {
          std::string newName;
          OnFileExists(*this, OutputName, newName, OverwriteMode);
          if (newName.empty()) newName = OutputName;
          if (newName.find('/') == std::string::npos) newName = WithTrailingSlash(DirOf(OutputName)) + newName;
          if (OverwriteMode == OverwritePolicy::Skip && newName != OutputName)
            OverwriteMode = OverwritePolicy::Overwrite;
          makeFolderOf(newName);
          if (newName == OutputName) break;
          OutputName = newName;
          if (GetCancel() || OverwriteMode == OverwritePolicy::Skip || !StatEntry(OutputName, st) ||
              S_ISDIR(st.st_mode))
            break;
        }
      }
      if (OverwriteMode == OverwritePolicy::Overwrite && !GetCancel() && StatEntry(OutputName, st)) {
        // Only plain files are replaced; a folder or device in the way is not ours to remove.
        if (!S_ISREG(st.st_mode)) {
          DoError(OutputName, {}, msg::AttribOverwrite, archiveName_);
          return false;
        }
        std::string leaf;
        const int folder = OpenEntryFolder(OutputName, false, nullptr, &leaf);
        if (folder >= 0) ::fchmodat(folder, leaf.c_str(), st.st_mode | S_IWUSR, 0);
        CloseEntryFolder(folder);
      }
    }
  }
  const bool answer = !GetCancel() && OverwriteMode == OverwritePolicy::Overwrite && !OutputName.empty();
  if (answer) {
    ++extractedCount_;
    entryCounted_ = true;
  }
  return answer;
}

namespace {
// Tests turn files without a name off to take the way of file systems that have none.
bool gUnnamedOutputFiles = true;

// Whether a file opened without a name can be given one through /proc.
bool CanLinkUnnamedFiles() {
  static const bool answer = ::access("/proc/self/fd", X_OK) == 0;
  return answer && gUnnamedOutputFiles;
}
}  // namespace

void UseUnnamedOutputFiles(bool use) { gUnnamedOutputFiles = use; }

int EntryWriter::OpenEntryFolder(const std::string& path, bool create, std::vector<std::string>* made,
                                 std::string* leaf) {
  const std::string target = WithTrailingSlash(extractFolder_);
  std::string root, relative;
  const bool inTarget = !extractFolder_.empty() && path.starts_with(target);
  if (inTarget) {
    root = target;
    relative = path.substr(target.size());
  } else {
    root = DirOf(path);
    relative = FileNameOf(path);
  }
  std::vector<std::string> parts;
  for (size_t i = 0; i <= relative.size();) {
    size_t j = relative.find('/', i);
    if (j == std::string::npos) j = relative.size();
    if (j > i) parts.push_back(relative.substr(i, j - i));
    i = j + 1;
  }
  if (leaf) {
    // A file needs a name of its own below the folder.
    if (parts.empty() || relative.back() == '/') {
      errno = EINVAL;
      return -1;
    }
    *leaf = parts.back();
    parts.pop_back();
  }
  if (!inTarget) return OpenFolderBeneath(root, parts, create, made);
  const int folder = TargetFolder();
  if (folder < 0 || parts.empty()) return folder;
  return OpenFolderBeneathAt(folder, target, parts, create, made);
}

int EntryWriter::TargetFolder() {
  // Opened once a run, not once an entry. A folder below it is still opened for each entry, through no link:
  // one kept open would still be written into after something moved it out of the target folder.
  const std::string target = WithTrailingSlash(extractFolder_);
  if (targetFolder_ >= 0 && targetFolderPath_ == target) return targetFolder_;
  CloseTargetFolder();
  // The target folder itself is the user's choice and may well be a link.
  targetFolder_ = ::open(target.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (targetFolder_ >= 0) targetFolderPath_ = target;
  return targetFolder_;
}

void EntryWriter::CloseEntryFolder(int folder) {
  if (folder >= 0 && folder != targetFolder_) ::close(folder);
}

void EntryWriter::CloseTargetFolder() {
  if (targetFolder_ >= 0) ::close(targetFolder_);
  targetFolder_ = -1;
  targetFolderPath_.clear();
}

bool EntryWriter::StatEntry(const std::string& path, struct stat& st) {
  std::string leaf;
  const int folder = OpenEntryFolder(path, false, nullptr, &leaf);
  if (folder < 0) return false;
  const bool found = ::fstatat(folder, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
  CloseEntryFolder(folder);
  return found;
}

bool EntryWriter::MakeStoredFolder() {
  const int folder = OpenEntryFolder(OutputName, true, nullptr, nullptr);
  if (folder < 0) {
    DoError(OutputName, {}, msg::UnableCreateDir, archiveName_);
    return false;
  }
  CloseEntryFolder(folder);
  return true;
}

bool EntryWriter::OpenOutput(std::unique_ptr<FileStream32>& out, const std::string& fileName) {
  out.reset();
  DiscardOutput();
  RemoveMadeFolders(madeFolders_);
  outputFolder_ = OpenEntryFolder(fileName, true, &madeFolders_, &outputLeaf_);
  if (outputFolder_ < 0) {
    RemoveMadeFolders(madeFolders_);
    return false;
  }
  // The entry's data has no name until its check passed (FinishOutput), so a failed entry never
  // leaves a file or replaces one, and a run killed at any moment leaves nothing behind. Where
  // the file system has no files without a name, a hidden temporary name beside the target: a
  // run killed then leaves it, under a name that tells it is the library's (ExtractionLeftovers).
  if (CanLinkUnnamedFiles()) {
    const int fd = ::openat(outputFolder_, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd >= 0) {
      out = std::make_unique<FileStream32>(fd, fileName);
      unnamedOutput_ = true;
      return true;
    }
  }
  std::string temp;
  const int fd = CreateHiddenFileAt(outputFolder_, temp);
  if (fd < 0) {
    DiscardOutput();
    RemoveMadeFolders(madeFolders_);
    return false;
  }
  // The file is made private; the entry gets the mode any newly created file gets.
  ::fchmod(fd, 0666 & ~ProcessUmask());
  tempOutputName_ = temp;
  out = std::make_unique<FileStream32>(fd, WithTrailingSlash(DirOf(fileName)) + temp);
  return true;
}

int64_t EntryWriter::WriteBlock(Stream32& out, const uint8_t* buffer, bool updateCrc, int64_t count, int width) {
  if (count <= 0) return 0;
  out.LastError = 0;
  const int64_t n = out.Write(buffer, count);
  if (out.LastError == ENOSPC || out.LastError == EDQUOT) {
    // The run stops; the entries written before stay on disk and in the count.
    if (!entryWriteFailed_) UncountEntry();
    entryWriteFailed_ = true;
    runStopped_ = true;
    RaiseArchiveError(OutputName, {}, archiveName_, msg::DiskFull);
    return n;
  }
  if (n != count) {
    // One failed entry costs the run one count, however many of its writes fail.
    if (!entryWriteFailed_) {
      entryWriteFailed_ = true;
      UncountEntry();
      DoError(OutputName, {}, msg::WriteError, archivePath_);
    }
    return n;
  }
  if (updateCrc) UpdateCrc(buffer, n, width);
  return n;
}

int64_t EntryWriter::CopyStored(Stream32& in, Stream32& out, int64_t packedSize, int width) {
  int64_t remaining = packedSize;
  const int64_t blockSize = std::min<int64_t>(32768, std::max<int64_t>(remaining, 1));
  std::vector<uint8_t> buffer(static_cast<size_t>(blockSize));
  while (remaining > 0) {
    const int64_t want = std::min(blockSize, remaining);
    const int64_t got = ReadBlock(in, buffer.data(), want);
    if (got <= 0) break;
    remaining -= got;
    ArchiveLeft -= got;
    if (WriteBlock(out, buffer.data(), true, got, width) != got) break;
    if (ProcessMessages) ProcessMessages();
    if (EntrySize > remaining) DoProgress(EntrySize - remaining, EntrySize, ArchiveTotal);
    if (GetCancel()) break;
  }
  return remaining;
}

// The CRC-32 accumulator is never finalised: after the data it holds the complement of the CRC.
// Where no CRC is computed the readers set the accumulator by hand, a folder entry to its stored
// CRC as it is, an AE-2 entry (its authentication code passed) to the complement; so either form
// counts as a match. The CRC-16 needs no finalising.
bool EntryWriter::CrcMatches(int width, uint32_t storedCrc) const {
  return width == 16 ? storedCrc == Crc16 : (storedCrc == Crc32 || storedCrc == (Crc32 ^ 0xFFFFFFFFu));
}

bool EntryWriter::CheckCrc(int width, uint32_t storedCrc) {
  if (GetCancel()) return false;
  const bool verdict = CrcMatches(width, storedCrc) && !entryWriteFailed_;
  if (OnEnd) OnEnd(*this, OutputName, verdict);
  if (!verdict) DoError(OutputName, {}, msg::CrcError, archiveName_);
  return verdict;
}

void EntryWriter::CloseOutput(std::unique_ptr<FileStream32>& out, const std::string& fileName, int attr,
                              uint32_t dosDateTime) {
  if (!out) return;
  uint32_t dos = dosDateTime;
  if (DateAttribute == DateSource::SysDate)
    dos = NowAsDosDateTime();
  else if (DateAttribute == DateSource::MaxFileDate)
    dos = NewestDate;
  int64_t when = 0;
  if (DosDateTimeToUnix(dos, when)) {
    struct timespec times[2];
    times[0].tv_sec = time_t(when);
    times[0].tv_nsec = 0;
    times[1] = times[0];
    ::futimens(out->Handle, times);  // a failure to set the date is ignored
  }
  if (RestoreFileAttr && attr != 32 && (attr & 0x01)) {
    struct stat st {};
    if (::fstat(out->Handle, &st) == 0) ::fchmod(out->Handle, st.st_mode & ~(S_IWUSR | S_IWGRP | S_IWOTH));
  }
  // The system finishes writing a file when a handle of it is closed: one of two handles is closed here, so a
  // failure shows before the file has its name and never names or replaces anything. The other keeps the
  // file (one without a name lives only as long as a handle of it) and its lock until it has its name.
  const int kept = ::fcntl(out->Handle, F_DUPFD_CLOEXEC, 0);
  if (kept >= 0 && out->Close()) {
    outputHandle_ = kept;
  } else {
    if (kept >= 0) ::close(kept);
    entryWriteFailed_ = true;
    DoError(fileName, {}, msg::CloseError, archiveName_);
  }
  out.reset();
}

bool EntryWriter::PlaceOutput() {
  const char* leaf = outputLeaf_.c_str();
  bool placed = false;
  if (unnamedOutput_) {
    // A free name is taken at once. A file in the way stays until the new one replaces it in one step: the
    // new one takes a temporary name beside it first, and the rename moves it over the old one (a folder in
    // the way stays, and the rename fails).
    const std::string self = "/proc/self/fd/" + std::to_string(outputHandle_);
    placed = ::linkat(AT_FDCWD, self.c_str(), outputFolder_, leaf, AT_SYMLINK_FOLLOW) == 0;
    if (!placed && errno == EEXIST && LinkHiddenFileAt(outputHandle_, outputFolder_, tempOutputName_))
      placed = ::renameat(outputFolder_, tempOutputName_.c_str(), outputFolder_, leaf) == 0;
  } else {
    placed = ::renameat(outputFolder_, tempOutputName_.c_str(), outputFolder_, leaf) == 0;
  }
  if (!placed) DoError(OutputName, {}, msg::OpenError, archiveName_);
  return placed;
}

void EntryWriter::DiscardOutput() {
  // The temporary name goes before the handle that holds its lock.
  if (!tempOutputName_.empty() && outputFolder_ >= 0) ::unlinkat(outputFolder_, tempOutputName_.c_str(), 0);
  tempOutputName_.clear();
  if (outputHandle_ >= 0) ::close(outputHandle_);
  outputHandle_ = -1;
  CloseEntryFolder(outputFolder_);
  outputFolder_ = -1;
  outputLeaf_.clear();
  unnamedOutput_ = false;
}

bool EntryWriter::FinishOutput(int width, uint32_t storedCrc) {
  if (unnamedOutput_ || !tempOutputName_.empty()) {
    // The file takes its name before the verdict is given, so a verdict that passes names a
    // file that is there; a name the file cannot take fails the entry.
    const bool keep = !GetCancel() && !entryWriteFailed_ && CrcMatches(width, storedCrc);
    if (keep && !PlaceOutput()) entryWriteFailed_ = true;
    if (keep && !entryWriteFailed_) {
      // The file has its name: what is discarded now is only the handles and the temporary name it left,
      // and the entry stays counted whatever a handler of its verdict does.
      tempOutputName_.clear();
      madeFolders_.clear();
      entryCounted_ = false;
    }
    DiscardOutput();
  }
  // Folders made for an entry that failed go again.
  RemoveMadeFolders(madeFolders_);
  const bool verdict = CheckCrc(width, storedCrc);
  if (!verdict) UncountEntry();
  return verdict;
}

void EntryWriter::AbandonEntry() {
  DiscardOutput();
  RemoveMadeFolders(madeFolders_);
  UncountEntry();
}

void EntryWriter::UncountEntry() {
  if (entryCounted_ && extractedCount_ > 0) --extractedCount_;
  entryCounted_ = false;
}

void EntryWriter::SkipEntryProgress(int64_t unpackedSize) {
  // A size from a damaged header may be more than is left: the count stops at nothing left.
  ArchiveLeft -= std::clamp<int64_t>(unpackedSize, 0, std::max<int64_t>(ArchiveLeft, 0));
  DoProgress(unpackedSize, unpackedSize, ArchiveTotal);
}
}  // namespace corvina::archive
