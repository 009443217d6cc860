#pragma once
// Tells the archive reader about the drive an archive volume lies on: whether a disk is in, its label, serial
// and file system, free and total space and the drive type. For an archive spanned over removable disks, the
// volume number in a "PKBACK# nnn" label lets the reader ask the user for the right disk.
//
// On Linux a "drive" is the mount point that holds the path. The queries go through DiskQuery, so that tests
// can swap simulated disks.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "archive/ArchiveExtractor.h"

namespace corvina::archive {

// Drive type codes as the readers compare them.
enum class DriveKind : uint8_t {
  Unknown = 0,
  NoRootDir = 1,
  Removable = 2,
  Fixed = 3,
  Remote = 4,
  CdRom = 5,
  RamDisk = 6
};
const char* DriveTypeName(DriveKind driveType);  // "Unknown", "None", "Removable", ... ; "Unknown" outside

struct VolumeInfo {
  std::string Label;
  uint32_t SerialNumber = 0;
  std::string FileSystemName;
  uint32_t MaxComponentLength = 0;
  uint32_t FileSysFlags = 0;
};

// The platform's view of drives. The default reads /proc/mounts, /dev/disk/by-label,
// /dev/disk/by-uuid, /sys/block and statvfs.
class DiskQuery {
 public:
  virtual ~DiskQuery() = default;
  // The mount point that holds Path ("" when none can be found).
  virtual std::string DriveOf(const std::string& path);
  virtual bool IsDiskInDrive(const std::string& drive);
  virtual bool ReadVolumeInfo(const std::string& drive, VolumeInfo& info);
  virtual DriveKind DriveTypeOf(const std::string& drive);  // DriveKind::NoRootDir for "" or a missing drive
  virtual bool ReadDiskSpace(const std::string& drive, int64_t& diskFree, int64_t& diskSize);
  virtual std::string LastErrorText();  // the system's text for the last failure
};

// The handlers given with each volume request.
struct DiskHandlers {
  // (name, message number, extended text)
  std::function<void(const std::string&, int, const std::string&)> OnError;
  // Asked to insert a disk; Continue comes preset true, false gives up.
  std::function<void(bool& continueWaiting)> OnInsertDisk;
};

class DriveVolumeManager : public VolumeManager {
 public:
  explicit DriveVolumeManager(std::unique_ptr<DiskQuery> query = nullptr);

  // NotAvail when the archive's drive cannot be examined; ZipSpan for a removable disk whose label
  // holds "PKBACK# "; otherwise ZipMVol.
  ArchiveFormat SplitCheck(const std::string& archiveFile) override;

  // Makes sure a readable volume is present at Path's drive and fills the fields below. Failures
  // return false after a report through Handlers.OnError: msg::UserCanceled when the user declines
  // to insert a disk, msg::NotAccessible when no disk or volume can be read or the drive has no root.
  bool RequestVolume(const std::string& path, const DiskHandlers& handlers);

  // Asked with AccessErrorText when the volume cannot be read; true = Retry. Unassigned = Cancel.
  std::function<bool(const std::string& text)> OnAskRetry;

  uint32_t FileSysFlags = 0;
  std::string DriveTypeName;
  std::string SerialHex;  // 8 upper-case hexadecimal digits
  uint32_t SerialNumber = 0;
  std::string FileSystemName;
  uint16_t VolumeNumber = 0;
  std::string VolumeLabel;
  std::string Drive;
  DriveKind DriveType = DriveKind::Unknown;
  int64_t DiskFree = 0, DiskSize = 0;
  uint32_t MaxComponentLength = 0;
  DiskHandlers Handlers;

  std::string AccessErrorText(const std::string& path);

 private:
  void Report(const std::string& name, int code);
  std::unique_ptr<DiskQuery> query_;
};

// Returns true when every character is a digit (also for an empty text).
bool IsAllDigits(const std::string& s);
// The volume number of a spanned-disk label: the last piece after "PKBACK# " when all digits, else 0.
int CheckSpanLabel(const std::string& label);

}  // namespace corvina::archive
