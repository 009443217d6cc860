#include "archive/ArchiveExtractor.h"

#include <cstring>

#include "archive/Masks.h"
#include "archive/Paths.h"

namespace corvina::archive {

// ---------------------------------------------------------------- ArchiveExtractor: the run

int ArchiveExtractor::Extract() {
  // Event handlers pump messages; a second Extract started from one of them would share this
  // reader's state with the running one, so it is refused.
  if (running_) return 0;
  if (!OpenArchive()) return 0;
  running_ = true;
  try {
    RunExtract();
  } catch (...) {
  }
  // An exception that a caller's event let out may have ended the run inside an entry.
  AbandonEntry();
  CloseTargetFolder();
  archiveStream_.reset();
  running_ = false;
  return extractedCount_;
}

bool ArchiveExtractor::OpenArchive() {
  if (archivePath_.empty()) {
    DoError({}, {}, msg::FileNotFound, archivePath_);
    return false;
  }
  if (IsSplitZip(ArchiveType)) {
    archiveStream_ = DiskManager ? DiskManager->OpenFirstVolume(archivePath_) : nullptr;
    return archiveStream_ != nullptr;
  }
  if (IsSelfOpenedType(ArchiveType)) return true;
  auto stream = std::make_unique<FileStream32>(archivePath_, FileMode::OpenRead);
  if (!stream->Valid()) {
    DoError({}, {}, msg::OpenError, archivePath_);
    return false;
  }
  ArchiveSize = stream->Size();
  archiveStream_ = std::move(stream);
  return true;
}

int ArchiveExtractor::RunExtract() {
  const std::string remembered = archivePath_;
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
      self.archivePath_ = remembered;
    }
  };
  try {
    Finally fin{*this, remembered};
    cancelFlag_ = false;
    *cancelPointer_ = false;
    extractedCount_ = 0;
    EntryDone = EntrySize = ArchiveTotal = ArchiveLeft = 0;
    FilePercent = ArchivePercent = 0;
    NewestDate = 0;
    VolumeNumber = -1;
    runStopped_ = false;
    archiveName_ = archivePath_;
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
    if (extractFolder_.empty()) extractFolder_ = CurrentDir();
    extractFolder_ = WithTrailingSlash(extractFolder_);
    if (!CheckExtractDir(extractFolder_)) return extractedCount_;
    if (archiveStream_) ExtractLoop();
  } catch (...) {
    // Errors were reported through OnError; the run returns the entries written so far.
  }
  return extractedCount_;
}

bool ArchiveExtractor::CheckExtractDir(std::string& dir) {
  for (;;) {
    int reason = 0;
    if (IsDirWritable(dir, &reason)) return true;
    // Without a handler to choose another folder, or when it gives up, the run ends: the folder and the
    // system's reason are told.
    if (!OnLimitedUser) {
      DoError(dir, std::strerror(reason), msg::AccessPermissions, archivePath_);
      return false;
    }
    std::string userDir;
    OnLimitedUser(*this, dir, userDir, cancelFlag_);
    if (GetCancel()) {
      DoError(dir, std::strerror(reason), msg::AccessPermissions, archivePath_);
      return false;
    }
    userDir = WithTrailingSlash(userDir);
    if (DirectoryExists(userDir)) {
      if (userDir != dir) dir = userDir;
    } else {
      DoError(dir, {}, msg::InvalidDirectory, archivePath_);
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
