#include "archive/ArchiveExtractor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>

#include "archive/Masks.h"

namespace corvina::archive {

// ---------------------------------------------------------------- collaborators

ArchiveFormat VolumeManager::SplitCheck(const std::string& archiveFile) {
  const std::string dir = ExtractFileDir(ExpandFileName(archiveFile));
  return DirectoryExists(dir.empty() ? "/" : dir) ? atZipMVol : atNotAvail;
}

std::unique_ptr<Stream32> VolumeManager::OpenFirstVolume(const std::string& archiveFile) {
  auto stream = std::make_unique<FileStream32>(archiveFile, FileStream32::fmOpenRead);
  if (!stream->Valid()) return nullptr;
  return stream;
}

void ZipTimer::Start() {
  ElapsedTime = 0;
  start = Clock::now();
  running = true;
  paused = false;
}

void ZipTimer::Stop() {
  if (!running) return;
  if (paused) Resume();
  ElapsedTime = std::chrono::duration<float>(Clock::now() - start).count();
  running = false;
}

void ZipTimer::Suspend() {
  if (!running || paused) return;
  pauseAt = Clock::now();
  paused = true;
}

void ZipTimer::Resume() {
  if (!running || !paused) return;
  start += Clock::now() - pauseAt;
  paused = false;
}

// ---------------------------------------------------------------- ZipCommon

ZipCommon::ZipCommon() : DiskManager(std::make_unique<VolumeManager>()) { SetCryptKind(13); }

ZipCommon::~ZipCommon() = default;

void ZipCommon::SetCancel(bool value) {
  *CancelPointer = value;
  if (value) DoError(OutputName, {}, msg::UserCanceled, ArchiveName);
}

void ZipCommon::DoError(const std::string& fileName, const std::string& extendedMsg, int eCode,
                        const std::string& volumeId) {
  Timer.Suspend();
  if (eCode != msg::AccessPermissions && eCode != msg::RegistryDenied && GetCancel()) eCode = msg::UserCanceled;
  struct Resume {
    ZipTimer& t;
    ~Resume() { t.Resume(); }
  } resume{Timer};
  if (OnError) OnError(*this, fileName, extendedMsg, volumeId, eCode);
}

void ZipCommon::RaiseArchiveError(const std::string& fileName, const std::string& extendedMsg,
                                  const std::string& volumeId, int eCode) {
  Timer.Suspend();
  if (GetCancel()) eCode = msg::UserCanceled;
  {
    // The stopwatch resumes before anything is raised, so a raise never leaves it paused.
    struct Resume {
      ZipTimer& t;
      ~Resume() { t.Resume(); }
    } resume{Timer};
    if (OnError) OnError(*this, fileName, extendedMsg, volumeId, eCode);
  }
  if (!GetCancel()) throw ArchiveError(eCode);
}

void ZipCommon::ProgressHook(int byFile, int byArchive) {
  if (ProcessMessages) ProcessMessages();
  if (OnProgress) OnProgress(*this, byFile, byArchive);
}

void ZipCommon::DoProgress(int64_t entryDone, int64_t entryTotal, int64_t archiveTotal) {
  FilePercent = Percent(entryTotal, entryDone);
  ArchivePercent = Percent(archiveTotal, archiveTotal - ArchiveLeft);
  try {
    ProgressHook(FilePercent, ArchivePercent);
  } catch (...) {
    // A failing progress handler must not abort the decoding.
  }
}

void ZipCommon::UpdateCrc(const uint8_t* data, int64_t count, int width) {
  if (count <= 0) return;
  if (width == 16)
    Crc16 = UpdateCrc16(data, size_t(count), Crc16);
  else if (width == 32)
    Crc32 = UpdateCrc32(data, size_t(count), Crc32);
}

int64_t ZipCommon::ReadBlock(Stream32& stream, void* buffer, int64_t count, int width, bool decrypt) {
  const int64_t got = stream.Read(buffer, count);
  if (got <= 0) return 0;
  auto* bytes = static_cast<uint8_t*>(buffer);
  if (decrypt && Cipher && CryptKind >= 3 && CryptKind <= 5) Cipher->Decipher(CryptKind, bytes, size_t(got));
  UpdateCrc(bytes, got, width);
  return got;
}

SerialDateTime ZipCommon::ConvertFileDate(uint32_t dos) const {
  // Compared unsigned: dates of 2044-2107 have the top bit set and are valid.
  if (dos < kDos1980) dos = kDos1980;
  return DosDateTimeToDateTime(dos);
}

std::string ZipCommon::VolumeNameByIndex(const std::string& name, int n) const {
  if (name.empty() || n < 0) return {};
  const std::string ext = ExtractFileExt(name);
  const std::string stem = name.substr(0, name.size() - ext.size());
  char digits[16];
  if (n < 100)
    std::snprintf(digits, sizeof digits, "%c%02d", VolumeLetter ? VolumeLetter : 'a', n);
  else
    std::snprintf(digits, sizeof digits, "%d", n);
  return stem + "." + digits;
}

void ZipCommon::SetArchiveFile(const std::string& value) {
  if (!FileExists(value)) {
    ArchiveType = atNotAvail;
    ArchivePath.clear();
    return;
  }
  ArchivePath = ExpandFileName(value);
  FileStream32 stream(ArchivePath, FileStream32::fmOpenRead);
  if (!stream.Valid()) {
    ArchiveType = atNotAvail;
    if (OnError) DoError(ArchivePath, {}, msg::OpenError, {});
    return;
  }
  ArchiveType = DetectArchiveType(&stream);
  if (IsRecognisedArchive(ArchiveType)) NextVolumeName(ArchivePath, ArchiveType, VolumeLetter, VolumeNumber);
}

void ZipCommon::SetExtractDir(const std::string& value) {
  if (!value.empty()) {
    const std::string full = ExpandFileName(value);
    if (FileExists(full) && full != "/") {
      DoError(ExtractFolder, {}, msg::CreateDirError, {});
      return;
    }
    ExtractFolder = AppendPathDelim(full);
    if (!DirectoryExists(ExtractFolder) && !ForceDirTree(ExtractFolder))
      DoError(ExtractFolder, {}, msg::CreateDirError, {});
  } else if (!ArchivePath.empty()) {
    ExtractFolder = AppendPathDelim(ExtractFileDir(ArchivePath));
  } else {
    ExtractFolder.clear();
  }
}

void ZipCommon::DetectFileType(ArchiveFormat emptyValue) {
  if (ArchivePath.empty()) {
    ArchiveType = emptyValue;
    return;
  }
  FileStream32 stream(ArchivePath, FileStream32::fmOpenRead);
  ArchiveType = stream.Valid() ? DetectArchiveType(&stream) : atFileError;
}

// ---------------------------------------------------------------- DecompressClass: entry services

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

void DecompressClass::ApplyStoredPath(const std::string& entryName) {
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

  if (ExtractFolder.empty()) {
    SetExtractDir(ExtractFileDir(ArchivePath));
    if (ExtractFolder.empty()) ExtractFolder = AppendPathDelim(GetCurrentDir());
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
  std::string out = AppendPathDelim(ExtractFolder);
  for (const auto& d : dirs) out += d + "/";
  if (filePart == ".") filePart.clear();
  out += filePart;
  OutputName = out;
}

bool DecompressClass::CheckOverwrite(bool isDirectory) {
  EntryCounted = false;
  EntryWriteFailed = false;
  bool extract = true;
  if (isDirectory) {
    if (OnBegin) OnBegin(*this, OutputName, ExtractedCount + 1, extract);
    return true;
  }
  Timer.Suspend();
  struct Resume {
    ZipTimer& t;
    ~Resume() { t.Resume(); }
  } resume{Timer};
  // Folders for a name an event handler gave are made the way the entry's own are.
  auto makeFolderOf = [this](const std::string& name) {
    std::string leaf;
    const int folder = OpenEntryFolder(name, true, nullptr, &leaf);
    if (folder >= 0) ::close(folder);
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
    OnBegin(*this, OutputName, ExtractedCount + 1, extract);
  }
  if (GetCancel() || !extract) return false;
  if (!ConfirmOverwrites) {
    if (OverwriteMode != omOverwrite) return false;
  } else {
    OverwriteMode = omOverwrite;
    struct stat st {};
    if (StatEntry(OutputName, st)) {
      if (!OnFileExists) {
        DoError(OutputName, {}, msg::EventNotAssigned, ArchiveName);
        OverwriteMode = omSkip;
      } else {
        for (;;) {
          std::string newName;
          OnFileExists(*this, OutputName, newName, OverwriteMode);
          if (newName.empty()) newName = OutputName;
          if (newName.find('/') == std::string::npos) newName = AppendPathDelim(ExtractFileDir(OutputName)) + newName;
          if (OverwriteMode == omSkip && newName != OutputName) OverwriteMode = omOverwrite;
          makeFolderOf(newName);
          if (newName == OutputName) break;
          OutputName = newName;
          if (GetCancel() || OverwriteMode == omSkip || !StatEntry(OutputName, st) || S_ISDIR(st.st_mode)) break;
        }
      }
      if (OverwriteMode == omOverwrite && !GetCancel() && StatEntry(OutputName, st)) {
        // Only plain files are replaced; a folder or device in the way is not ours to remove.
        if (!S_ISREG(st.st_mode)) {
          DoError(OutputName, {}, msg::AttribOverwrite, ArchiveName);
          return false;
        }
        std::string leaf;
        const int folder = OpenEntryFolder(OutputName, false, nullptr, &leaf);
        if (folder >= 0) {
          ::fchmodat(folder, leaf.c_str(), st.st_mode | S_IWUSR, 0);
          ::close(folder);
        }
      }
    }
  }
  const bool answer = !GetCancel() && OverwriteMode == omOverwrite && !OutputName.empty();
  if (answer) {
    ++ExtractedCount;
    EntryCounted = true;
  }
  return answer;
}

namespace {
// Whether a file opened without a name can be given one through /proc.
bool CanLinkUnnamedFiles() {
  static const bool answer = ::access("/proc/self/fd", X_OK) == 0;
  return answer;
}
}  // namespace

int DecompressClass::OpenEntryFolder(const std::string& path, bool create, std::vector<std::string>* made,
                                     std::string* leaf) {
  const std::string target = AppendPathDelim(ExtractFolder);
  std::string root, relative;
  if (!ExtractFolder.empty() && path.starts_with(target)) {
    root = target;
    relative = path.substr(target.size());
  } else {
    root = ExtractFileDir(path);
    relative = ExtractFileName(path);
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
  return OpenFolderBeneath(root, parts, create, made);
}

bool DecompressClass::StatEntry(const std::string& path, struct stat& st) {
  std::string leaf;
  const int folder = OpenEntryFolder(path, false, nullptr, &leaf);
  if (folder < 0) return false;
  const bool found = ::fstatat(folder, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
  ::close(folder);
  return found;
}

bool DecompressClass::MakeStoredFolder() {
  const int folder = OpenEntryFolder(OutputName, true, nullptr, nullptr);
  if (folder < 0) {
    DoError(OutputName, {}, msg::UnableCreateDir, ArchiveName);
    return false;
  }
  ::close(folder);
  return true;
}

bool DecompressClass::OpenOutput(std::unique_ptr<FileStream32>& out, const std::string& fileName) {
  out.reset();
  DiscardOutput();
  RemoveMadeFolders(MadeFolders);
  OutputFolder = OpenEntryFolder(fileName, true, &MadeFolders, &OutputLeaf);
  if (OutputFolder < 0) {
    RemoveMadeFolders(MadeFolders);
    return false;
  }
  // The entry's data has no name until its check passed (FinishOutput), so a failed entry never
  // leaves a file or replaces one, and a run killed at any moment leaves nothing behind. Where
  // the file system has no files without a name, a hidden temporary name beside the target.
  if (CanLinkUnnamedFiles()) {
    const int fd = ::openat(OutputFolder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd >= 0) {
      out = std::make_unique<FileStream32>(fd, fileName);
      UnnamedOutput = true;
      return true;
    }
  }
  std::string temp;
  const int fd = CreateHiddenFileAt(OutputFolder, temp);
  if (fd < 0) {
    DiscardOutput();
    RemoveMadeFolders(MadeFolders);
    return false;
  }
  // The file is made private; the entry gets the mode any newly created file gets.
  ::fchmod(fd, 0666 & ~ProcessUmask());
  TempOutputName = temp;
  out = std::make_unique<FileStream32>(fd, AppendPathDelim(ExtractFileDir(fileName)) + temp);
  return true;
}

int64_t DecompressClass::WriteBlock(Stream32& out, const uint8_t* buffer, bool updateCrc, int64_t count, int width) {
  if (count <= 0) return 0;
  out.LastError = 0;
  const int64_t n = out.Write(buffer, count);
  if (out.LastError == ENOSPC || out.LastError == EDQUOT) {
    // The run stops; the entries written before stay on disk and in the count.
    if (!EntryWriteFailed) UncountEntry();
    EntryWriteFailed = true;
    RunStopped = true;
    RaiseArchiveError(ArchivePath, {}, OutputName, msg::DiskFull);
    return n;
  }
  if (n != count) {
    // One failed entry costs the run one count, however many of its writes fail.
    if (!EntryWriteFailed) {
      EntryWriteFailed = true;
      UncountEntry();
      DoError(OutputName, {}, msg::WriteError, ArchivePath);
    }
    return n;
  }
  if (updateCrc) UpdateCrc(buffer, n, width);
  return n;
}

int64_t DecompressClass::DecryptWriteBlock(Stream32& out, uint8_t* buffer, int64_t count, int width, bool encrypted) {
  const bool zipTypes = IsZipFamily(ArchiveType) || IsSplitZip(ArchiveType);
  if (encrypted && Cipher && zipTypes && CryptKind >= 3 && CryptKind <= 6)
    Cipher->Decipher(CryptKind, buffer, size_t(count));
  return WriteBlock(out, buffer, true, count, width);
}

int64_t DecompressClass::CopyStored(Stream32& in, Stream32& out, int64_t packedSize, int width) {
  int64_t remaining = packedSize;
  const int64_t blockSize = std::min<int64_t>(32768, std::max<int64_t>(remaining, 1));
  std::vector<uint8_t> buffer(static_cast<size_t>(blockSize));
  while (remaining > 0) {
    const int64_t want = std::min(blockSize, remaining);
    const int64_t got = ReadBlock(in, buffer.data(), want, 0, false);
    if (got <= 0) break;
    remaining -= got;
    ArchiveLeft -= got;
    if (DecryptWriteBlock(out, buffer.data(), got, width, false) != got) break;
    if (ProcessMessages) ProcessMessages();
    if (EntrySize > remaining) DoProgress(EntrySize - remaining, EntrySize, ArchiveTotal);
    if (GetCancel()) break;
  }
  return remaining;
}

bool DecompressClass::CrcMatches(int width, uint32_t storedCrc) const {
  return width == 16 ? storedCrc == Crc16 : (storedCrc == Crc32 || storedCrc == (Crc32 ^ 0xFFFFFFFFu));
}

bool DecompressClass::CheckCrc(int width, uint32_t storedCrc) {
  if (GetCancel()) return false;
  const bool verdict = CrcMatches(width, storedCrc) && !EntryWriteFailed;
  if (OnEnd) OnEnd(*this, OutputName, verdict);
  if (!verdict) DoError(OutputName, {}, msg::CrcError, ArchiveName);
  return verdict;
}

void DecompressClass::CloseOutput(std::unique_ptr<FileStream32>& out, const std::string& fileName, int attr,
                                  uint32_t dosDateTime) {
  if (!out) return;
  uint32_t dos = dosDateTime;
  if (DateAttribute == daSysDate)
    dos = NowAsDosDateTime();
  else if (DateAttribute == daMaxFileDate)
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
  if (UnnamedOutput) {
    // The file lives only as long as its handle: kept open until it has its name.
    UnnamedHandle = out->Handle;
    out->Handle = -1;
  } else if (!out->Close()) {
    EntryWriteFailed = true;
    DoError(fileName, {}, msg::CloseError, ArchiveName);
  }
  out.reset();
}

bool DecompressClass::PlaceOutput() {
  bool placed;
  const char* leaf = OutputLeaf.c_str();
  if (!UnnamedOutput) {
    placed = ::renameat(OutputFolder, TempOutputName.c_str(), OutputFolder, leaf) == 0;
  } else {
    // A name can only be given to a file without one where none stands: a file being
    // replaced goes first (a folder in the way stays, and the link then fails).
    const std::string self = "/proc/self/fd/" + std::to_string(UnnamedHandle);
    struct stat st {};
    if (::fstatat(OutputFolder, leaf, &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(st.st_mode))
      ::unlinkat(OutputFolder, leaf, 0);
    placed = ::linkat(AT_FDCWD, self.c_str(), OutputFolder, leaf, AT_SYMLINK_FOLLOW) == 0;
    if (placed) {
      const int handle = UnnamedHandle;
      UnnamedHandle = -1;
      if (::close(handle) != 0) {
        // The system could not finish writing it: the file it named is not the entry.
        ::unlinkat(OutputFolder, leaf, 0);
        DoError(OutputName, {}, msg::CloseError, ArchiveName);
        return false;
      }
    }
  }
  if (!placed) DoError(OutputName, {}, msg::OpenError, ArchiveName);
  return placed;
}

void DecompressClass::DiscardOutput() {
  if (UnnamedHandle >= 0) ::close(UnnamedHandle);
  UnnamedHandle = -1;
  if (!TempOutputName.empty() && OutputFolder >= 0) ::unlinkat(OutputFolder, TempOutputName.c_str(), 0);
  TempOutputName.clear();
  if (OutputFolder >= 0) ::close(OutputFolder);
  OutputFolder = -1;
  OutputLeaf.clear();
  UnnamedOutput = false;
}

bool DecompressClass::FinishOutput(int width, uint32_t storedCrc) {
  if (UnnamedOutput || !TempOutputName.empty()) {
    // The file takes its name before the verdict is given, so a verdict that passes names a
    // file that is there; a name the file cannot take fails the entry.
    const bool keep = !GetCancel() && !EntryWriteFailed && CrcMatches(width, storedCrc);
    if (keep && !PlaceOutput()) EntryWriteFailed = true;
    if (keep && !EntryWriteFailed) {
      UnnamedHandle = -1;
      TempOutputName.clear();
      UnnamedOutput = false;
      MadeFolders.clear();
    }
    DiscardOutput();
  }
  // Folders made for an entry that failed go again.
  RemoveMadeFolders(MadeFolders);
  const bool verdict = CheckCrc(width, storedCrc);
  if (!verdict) UncountEntry();
  return verdict;
}

void DecompressClass::UncountEntry() {
  if (EntryCounted && ExtractedCount > 0) --ExtractedCount;
  EntryCounted = false;
}

void DecompressClass::SkipEntryProgress(int64_t unpackedSize) {
  ArchiveLeft -= unpackedSize;
  DoProgress(unpackedSize, unpackedSize, ArchiveTotal);
}

// ---------------------------------------------------------------- ArchiveExtractor: the run

int ArchiveExtractor::Extract() {
  // Event handlers pump messages; a second Extract started from one of them would share this
  // component's state with the running one, so it is refused.
  if (Running) return 0;
  if (!OpenArchive()) return 0;
  Running = true;
  int n = 0;
  try {
    n = RunExtract();
  } catch (...) {
    n = ExtractedCount;
  }
  ArchiveStream.reset();
  Running = false;
  return n;
}

bool ArchiveExtractor::OpenArchive() {
  if (ArchivePath.empty()) {
    DoError({}, {}, msg::FileNotFound, ArchivePath);
    return false;
  }
  if (IsSplitZip(ArchiveType)) {
    ArchiveStream = DiskManager ? DiskManager->OpenFirstVolume(ArchivePath) : nullptr;
    return ArchiveStream != nullptr;
  }
  if (IsSelfOpenedType(ArchiveType)) return true;
  auto stream = std::make_unique<FileStream32>(ArchivePath, FileStream32::fmOpenRead);
  if (!stream->Valid()) {
    DoError({}, {}, msg::OpenError, ArchivePath);
    return false;
  }
  ArchiveSize = stream->Size();
  ArchiveStream = std::move(stream);
  return true;
}

int ArchiveExtractor::RunExtract() {
  const std::string remembered = ArchivePath;
  struct Finally {
    ArchiveExtractor& self;
    const std::string& remembered;
    ~Finally() {
      if (self.OnDeactivate) {
        try {
          self.OnDeactivate(self);
        } catch (...) {
        }
      }
      self.ArchivePath = remembered;
    }
  };
  try {
    Finally fin{*this, remembered};
    CancelFlag = false;
    *CancelPointer = false;
    ExtractedCount = 0;
    EntryDone = EntrySize = ArchiveTotal = ArchiveLeft = 0;
    FilePercent = ArchivePercent = 0;
    NewestDate = 0;
    VolumeNumber = -1;
    RunStopped = false;
    ArchiveName = ArchivePath;
    if (CpuType == cpt80486) CpuType = cptAuto;
    if (OnActivate) OnActivate(*this);
    const bool timed = bool(OnElapsedTime);
    if (timed) Timer.Start();
    struct StopTimer {
      ArchiveExtractor& self;
      bool timed;
      ~StopTimer() {
        if (!timed) return;
        self.Timer.Stop();
        try {
          self.OnElapsedTime(self, self.Timer.ElapsedTime);
        } catch (...) {
        }
      }
    } stopTimer{*this, timed};
    OutputName.clear();
    if (ExtractFolder.empty()) ExtractFolder = GetCurrentDir();
    ExtractFolder = AppendPathDelim(ExtractFolder);
    if (!CheckExtractDir(ExtractFolder)) return ExtractedCount;
    if (ArchiveStream) ExtractLoop(*ArchiveStream);
  } catch (...) {
    // Errors were reported through OnError; the run answers the entries written so far.
  }
  return ExtractedCount;
}

bool ArchiveExtractor::CheckExtractDir(std::string& dir) {
  for (;;) {
    if (IsDirWritable(dir)) return true;
    if (!OnLimitedUser) {
      DoError({}, {}, msg::EventNotAssigned, ArchivePath);
      return false;
    }
    std::string userDir;
    OnLimitedUser(*this, dir, userDir, CancelFlag);
    if (GetCancel()) {
      DoError(dir, {}, msg::AccessPermissions, ArchivePath);
      return false;
    }
    userDir = AppendPathDelim(userDir);
    if (DirectoryExists(userDir)) {
      if (userDir != dir) dir = userDir;
    } else {
      DoError(dir, {}, msg::InvalidDirectory, ArchivePath);
    }
  }
}

bool ArchiveExtractor::IsEntrySelected(const std::string& entryName) {
  auto onExclude = [this](const std::string& name) {
    if (OnExcludeFile) OnExcludeFile(*this, name);
  };
  return corvina::archive::IsEntrySelected(entryName, FileSpec, RecurseDirs, ExcludeSpec, onExclude);
}

}  // namespace corvina::archive
