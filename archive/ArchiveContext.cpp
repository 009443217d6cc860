#include "archive/ArchiveContext.h"

#include <cmath>

#include "archive/Crc.h"
#include "archive/Paths.h"
#include "archive/VolumeNames.h"

namespace corvina::archive {

// ---------------------------------------------------------------- collaborators

ArchiveFormat VolumeManager::SplitCheck(const std::string& archiveFile) {
  const std::string dir = DirOf(AbsolutePath(archiveFile));
  return DirectoryExists(dir.empty() ? "/" : dir) ? ArchiveFormat::ZipMVol : ArchiveFormat::NotAvail;
}

std::unique_ptr<Stream32> VolumeManager::OpenFirstVolume(const std::string& archiveFile) {
  auto stream = std::make_unique<FileStream32>(archiveFile, FileMode::OpenRead);
  if (!stream->Valid()) return nullptr;
  return stream;
}

void Stopwatch::Start() {
  ElapsedTime = 0;
  start_ = Clock::now();
  running_ = true;
  paused_ = false;
}

void Stopwatch::Stop() {
  if (!running_) return;
  if (paused_) Resume();
  ElapsedTime = std::chrono::duration<float>(Clock::now() - start_).count();
  running_ = false;
}

void Stopwatch::Suspend() {
  if (!running_ || paused_) return;
  pauseAt_ = Clock::now();
  paused_ = true;
}

void Stopwatch::Resume() {
  if (!running_ || !paused_) return;
  start_ += Clock::now() - pauseAt_;
  paused_ = false;
}

// ---------------------------------------------------------------- ArchiveContext

ArchiveContext::ArchiveContext() : DiskManager(std::make_unique<VolumeManager>()) {}

ArchiveContext::~ArchiveContext() = default;

void ArchiveContext::SetCancel(bool value) {
  *cancelPointer_ = value;
  if (value) DoError(OutputName, {}, msg::UserCanceled, archiveName_);
}

void ArchiveContext::DoError(const std::string& fileName, const std::string& extendedMsg, int eCode,
                             const std::string& volumeId) {
  Timer.Suspend();
  if (eCode != msg::AccessPermissions && eCode != msg::RegistryDenied && GetCancel()) eCode = msg::UserCanceled;
  struct Resume {
    Stopwatch& t;
    ~Resume() { t.Resume(); }
  } resume{Timer};
  if (OnError) OnError(*this, fileName, extendedMsg, volumeId, eCode);
}

void ArchiveContext::RaiseArchiveError(const std::string& fileName, const std::string& extendedMsg,
                                       const std::string& volumeId, int eCode) {
  Timer.Suspend();
  if (GetCancel()) eCode = msg::UserCanceled;
  {
    // The stopwatch resumes before anything is raised, so a raise never leaves it paused.
    struct Resume {
      Stopwatch& t;
      ~Resume() { t.Resume(); }
    } resume{Timer};
    if (OnError) OnError(*this, fileName, extendedMsg, volumeId, eCode);
  }
  if (!GetCancel()) throw ArchiveError(eCode);
}

void ArchiveContext::ProgressHook(int byFile, int byArchive) {
  if (ProcessMessages) ProcessMessages();
  if (OnProgress) OnProgress(*this, byFile, byArchive);
}

void ArchiveContext::DoProgress(int64_t entryDone, int64_t entryTotal, int64_t archiveTotal) {
  FilePercent = Percent(entryTotal, entryDone);
  // More written than the headers announced leaves nothing to come (and keeps the difference in range).
  ArchivePercent = Percent(archiveTotal, ArchiveLeft < 0 ? archiveTotal : archiveTotal - ArchiveLeft);
  try {
    ProgressHook(FilePercent, ArchivePercent);
  } catch (...) {
    // A failing progress handler must not abort the decoding.
  }
}

void ArchiveContext::UpdateCrc(const uint8_t* data, int64_t count, int width) {
  if (count <= 0) return;
  if (width == 16)
    Crc16 = UpdateCrc16(data, size_t(count), Crc16);
  else if (width == 32)
    Crc32 = UpdateCrc32(data, size_t(count), Crc32);
}

int64_t ArchiveContext::ReadBlock(Stream32& stream, void* buffer, int64_t count) {
  const int64_t got = stream.Read(buffer, count);
  return got > 0 ? got : 0;
}

SerialDateTime ArchiveContext::ConvertFileDate(uint32_t dos) const {
  // Compared unsigned: dates of 2044-2107 have the top bit set and are valid.
  if (dos < kDos1980) dos = kDos1980;
  return DosDateTimeToDateTime(dos);
}

std::string ArchiveContext::VolumeNameByIndex(const std::string& name, int n) const {
  if (name.empty() || n < 0) return {};
  const std::string ext = ExtensionOf(name);
  const std::string stem = name.substr(0, name.size() - ext.size());
  char digits[16];
  if (n < 100)
    std::snprintf(digits, sizeof digits, "%c%02d", VolumeLetter ? VolumeLetter : 'a', n);
  else
    std::snprintf(digits, sizeof digits, "%d", n);
  return stem + "." + digits;
}

void ArchiveContext::SetArchiveFile(const std::string& value) {
  if (!FileExists(value)) {
    ArchiveType = ArchiveFormat::NotAvail;
    archivePath_.clear();
    return;
  }
  archivePath_ = AbsolutePath(value);
  FileStream32 stream(archivePath_, FileMode::OpenRead);
  if (!stream.Valid()) {
    ArchiveType = ArchiveFormat::NotAvail;
    if (OnError) DoError(archivePath_, {}, msg::OpenError, {});
    return;
  }
  ArchiveType = DetectArchiveType(&stream);
  if (IsRecognisedArchive(ArchiveType)) NextVolumeName(archivePath_, ArchiveType, VolumeLetter, VolumeNumber);
}

void ArchiveContext::SetExtractDir(const std::string& value) {
  if (!value.empty()) {
    const std::string full = AbsolutePath(value);
    if (FileExists(full) && full != "/") {
      DoError(extractFolder_, {}, msg::CreateDirError, {});
      return;
    }
    extractFolder_ = WithTrailingSlash(full);
    if (!DirectoryExists(extractFolder_) && !MakeDirTree(extractFolder_))
      DoError(extractFolder_, {}, msg::CreateDirError, {});
  } else if (!archivePath_.empty()) {
    extractFolder_ = WithTrailingSlash(DirOf(archivePath_));
  } else {
    extractFolder_.clear();
  }
}

void ArchiveContext::DetectFileType(ArchiveFormat emptyValue) {
  if (archivePath_.empty()) {
    ArchiveType = emptyValue;
    return;
  }
  FileStream32 stream(archivePath_, FileMode::OpenRead);
  ArchiveType = stream.Valid() ? DetectArchiveType(&stream) : ArchiveFormat::FileError;
}

int Percent(int64_t total, int64_t part) {
  if (total <= 0) return 0;
  const long double value = (long double)(part)*100.0L / (long double)(total);
  const long double rounded = std::floor(value + 0.5L);
  if (rounded < 0) return 0;
  if (rounded > 100) return 100;
  return int(rounded);
}

}  // namespace corvina::archive
