#include "archive/ZipVolumes.h"

#include <cstdio>

#include "archive/ByteOrder.h"
#include "archive/Paths.h"
#include "archive/ZipExtractor.h"

namespace corvina::archive {

namespace {
std::unique_ptr<FileStream32> OpenRead(const std::string& name) {
  auto stream = std::make_unique<FileStream32>(name, FileMode::OpenRead);
  if (!stream->Valid()) return nullptr;
  return stream;
}
}  // namespace

std::string SplitVolumeName(const std::string& archiveFile, int volume, int volumeCount) {
  if (volume >= volumeCount) return archiveFile;
  const std::string ext = ExtensionOf(archiveFile);
  const std::string stem = archiveFile.substr(0, archiveFile.size() - ext.size());
  char digits[16];
  std::snprintf(digits, sizeof digits, ".z%02d", volume);
  return stem + digits;
}

// ---------------------------------------------------------------- numbered volume files

bool ZipExtractor::OpenVolumeByIndex(int disk, int volumeCount) {
  const int wanted = disk + 1;
  if (!OnNextVolume) {
    DoError(archivePath_, {}, msg::EventNotAssigned, archiveName_);
    SetCancel(true);
    return false;
  }
  std::string name = SplitVolumeName(archivePath_, wanted, volumeCount);
  bool cancel = false;
  {
    SuspendTimer suspend(Timer);
    for (;;) {
      OnNextVolume(*this, name, wanted, FileExists(name), cancel);
      if (cancel || FileExists(name)) break;
    }
  }
  if (!cancel) {
    if (auto stream = OpenRead(name)) {
      ReplaceArchiveStream(std::move(stream));
      OpenVolume = wanted;
      return true;
    }
  }
  // The archive file itself stays open, so the run can end cleanly.
  if (auto stream = OpenRead(archivePath_)) ReplaceArchiveStream(std::move(stream));
  DoError(name, {}, cancel ? msg::UserCanceled : msg::OpenError, archiveName_);
  return false;
}

// ---------------------------------------------------------------- disks of a spanned archive

void SpannedVolumes::SpanInit(ZipExtractor* owner) {
  owner_ = owner;
  DiskIndex = 0;
  WantedPosition = 0;
}

bool SpannedVolumes::OpenVolume() {
  ZipExtractor& z = *owner_;
  auto* drives = dynamic_cast<DriveVolumeManager*>(z.DiskManager.get());
  if (drives) {
    DiskHandlers handlers;
    handlers.OnError = [&z](const std::string& name, int code, const std::string&) {
      z.DoError(name, {}, code, z.ArchiveFile());
    };
    if (!drives->RequestVolume(z.ArchiveFile(), handlers)) return false;
  }
  auto stream = OpenRead(z.ArchiveFile());
  if (!stream) {
    z.DoError(z.ArchiveFile(), {}, msg::OpenError, z.ArchiveFile());
    return false;
  }
  // A spanned disk says by its label which one it is; a disk that merely has a header where one
  // is wanted may be the previous disk still in the drive.
  if (z.ArchiveType == ArchiveFormat::ZipSpan && drives) {
    if (drives->VolumeNumber != DiskIndex) return false;
    if (!HeaderExpected) return true;
  }
  const int64_t size = stream->Size();
  if (WantedPosition > size - 30) {
    if (z.ArchiveType == ArchiveFormat::ZipMVol) return true;
    return drives && drives->VolumeNumber == DiskIndex;
  }
  uint8_t sig[4];
  if (stream->Seek(WantedPosition, SeekOrigin::Beginning) != WantedPosition || stream->Read(sig, 4) != 4) return false;
  const uint32_t s = Le32(sig);
  return s == 0x08074B50 || s == 0x04034B50 || s == 0x02014B50;
}

bool SpannedVolumes::SwitchVolume(int64_t position, bool headerExpected) {
  ZipExtractor& z = *owner_;
  WantedPosition = position;
  HeaderExpected = headerExpected;
  z.ReplaceArchiveStream(nullptr);
  bool ok = false;
  SuspendTimer suspend(z.Timer);
  if ((DiskIndex == 0 && !z.OnGetZipLastDisk) || (DiskIndex == 1 && !z.OnGetZipFirstDisk) ||
      (DiskIndex >= 2 && !z.OnGetZipNextDisk)) {
    z.DoError(z.ArchiveFile(), {}, msg::EventNotAssigned, z.ArchiveFile());
  } else if (DiskIndex == 0) {
    // The last disk holds the end record; detection tells whether the disk in the drive has it.
    z.ArchiveType = ArchiveFormat::NotAvail;
    z.DetectFlags = 0;
    if (auto stream = OpenRead(z.ArchiveFile())) {
      z.DetectArchiveType(stream.get());
      if (z.ZipEndRecord.empty()) {
        bool cancel = false;
        z.OnGetZipLastDisk(z, cancel);
      } else if (IsRecognisedArchive(z.ArchiveType)) {
        DiskIndex = 1;
        ok = true;
      }
    }
  } else {
    while (!OpenVolume()) {
      bool cancel = true;
      if (DiskIndex == 1)
        z.OnGetZipFirstDisk(z, cancel);
      else
        z.OnGetZipNextDisk(z, std::to_string(DiskIndex), cancel);
      if (cancel) break;
    }
    if (!z.GetCancel() && OpenVolume()) {
      ++DiskIndex;
      ok = true;
    }
  }
  if (ok) {
    auto stream = OpenRead(z.ArchiveFile());
    if (stream) {
      z.ReplaceArchiveStream(std::move(stream));
      return true;
    }
    z.DoError(z.ArchiveFile(), {}, msg::OpenError, z.ArchiveFile());
  }
  // Leave a readable stream behind for the end of the run; the walks stop on the cancel flag.
  if (!z.Archive()) z.ReplaceArchiveStream(OpenRead(z.ArchiveFile()));
  z.SetCancel(true);
  return false;
}

}  // namespace corvina::archive
