#include "archive/ArchiveExtractor.h"

#include "archive/Masks.h"
#include "archive/Paths.h"

namespace corvina::archive {

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
    if (CpuType == CpuKind::I80486) CpuType = CpuKind::Auto;
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
