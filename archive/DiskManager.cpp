#include "archive/DiskManager.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "archive/Paths.h"

namespace corvina::archive {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSpanMarker = "PKBACK# ";

// Takes the text before the first `delimiter` out of `source` (with the delimiter) into `token`; without a
// delimiter the whole rest.
void SplitToken(std::string& source, const std::string& delimiter, std::string& token) {
  const size_t p = delimiter.empty() ? std::string::npos : source.find(delimiter);
  if (p == std::string::npos) {
    token = source;
    source.clear();
    return;
  }
  token = source.substr(0, p);
  source.erase(0, p + delimiter.size());
}

struct MountEntry {
  std::string Device, MountPoint, FsType;
};

// /proc/mounts writes blanks, tabs, newlines and backslashes in octal ("\040").
std::string UnescapeOctal(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && s.size() - i > 3 && std::isdigit(uint8_t(s[i + 1])) && std::isdigit(uint8_t(s[i + 2])) &&
        std::isdigit(uint8_t(s[i + 3]))) {
      out += char((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

// udev writes unsafe label characters as "\x20".
std::string UnescapeHex(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && s.size() - i > 3 && s[i + 1] == 'x' && std::isxdigit(uint8_t(s[i + 2])) &&
        std::isxdigit(uint8_t(s[i + 3]))) {
      out += char(std::stoi(s.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

bool FindMount(const std::string& mountPoint, MountEntry& found) {
  std::ifstream in("/proc/mounts");
  std::string line;
  bool any = false;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    MountEntry e;
    if (!(fields >> e.Device >> e.MountPoint >> e.FsType)) continue;
    e.MountPoint = UnescapeOctal(e.MountPoint);
    e.Device = UnescapeOctal(e.Device);
    // A later mount on the same point hides the earlier one.
    if (e.MountPoint == mountPoint) {
      found = e;
      any = true;
    }
  }
  return any;
}

// The name under /dev/disk/<folder> whose link resolves to Device; empty when none does.
std::string DiskLinkName(const std::string& folder, const std::string& device) {
  std::error_code ec;
  const fs::path dev = fs::weakly_canonical(device, ec);
  if (ec) return {};
  for (const auto& entry : fs::directory_iterator("/dev/disk/" + folder, ec)) {
    std::error_code ec2;
    if (fs::weakly_canonical(entry.path(), ec2) == dev && !ec2) return entry.path().filename().string();
  }
  return {};
}

bool IsRemovableDevice(const std::string& device) {
  std::error_code ec;
  const fs::path dev = fs::weakly_canonical(device, ec);
  if (ec || dev.parent_path() != "/dev") return false;
  const fs::path sys = fs::path("/sys/class/block") / dev.filename();
  for (const fs::path& p : {sys / "removable", sys / ".." / "removable"}) {
    std::ifstream in(p);
    int flag = 0;
    if (in >> flag) return flag == 1;
  }
  return false;
}

}  // namespace

const char* DriveTypeName(DriveKind driveType) {
  static const char* const names[] = {"Unknown", "None", "Removable", "Fixed", "Network", "CD-ROM", "RAM"};
  return int(driveType) < 7 ? names[int(driveType)] : names[0];
}

bool IsAllDigits(const std::string& s) {
  for (const char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

int CheckSpanLabel(const std::string& label) {
  if (label.find(kSpanMarker) == std::string::npos) return 0;
  std::string rest = label, piece;
  while (rest.find(kSpanMarker) != std::string::npos) SplitToken(rest, kSpanMarker, piece);
  if (rest.empty() || rest.size() > 5 || !IsAllDigits(rest)) return 0;
  const int number = std::stoi(rest);
  return number <= 0xFFFF ? number : 0;  // the volume number is a 16-bit field
}

// ---------------------------------------------------------------- platform queries

std::string DiskQuery::DriveOf(const std::string& path) {
  std::error_code ec;
  fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
  if (ec) return {};
  // The deepest existing folder on the path decides the mount.
  while (!p.empty() && !fs::exists(p, ec)) p = p.parent_path();
  if (p.empty()) return {};
  std::ifstream in("/proc/mounts");
  std::string line, best;
  const std::string target = p.string();
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string device, mountPoint;
    if (!(fields >> device >> mountPoint)) continue;
    mountPoint = UnescapeOctal(mountPoint);
    const bool inside = target == mountPoint || mountPoint == "/" ||
                        (target.compare(0, mountPoint.size(), mountPoint) == 0 && target.size() > mountPoint.size() &&
                         target[mountPoint.size()] == '/');
    if (inside && mountPoint.size() >= best.size()) best = mountPoint;
  }
  return best;
}

bool DiskQuery::IsDiskInDrive(const std::string& drive) {
  struct statvfs sv {};
  return !drive.empty() && statvfs(drive.c_str(), &sv) == 0 && sv.f_blocks > 0;
}

bool DiskQuery::ReadVolumeInfo(const std::string& drive, VolumeInfo& info) {
  info = VolumeInfo{};
  struct statvfs sv {};
  if (drive.empty() || statvfs(drive.c_str(), &sv) != 0) return false;
  info.MaxComponentLength = uint32_t(sv.f_namemax);
  info.FileSysFlags = uint32_t(sv.f_flag);
  info.SerialNumber = uint32_t(sv.f_fsid);
  MountEntry m;
  if (!FindMount(drive, m)) return true;
  info.FileSystemName = m.FsType;
  info.Label = UnescapeHex(DiskLinkName("by-label", m.Device));
  // A FAT serial "ABCD-1234" reads as 0xABCD1234; other file systems give their UUID's first 8 digits.
  std::string hex;
  for (const char c : DiskLinkName("by-uuid", m.Device))
    if (std::isxdigit(uint8_t(c)) && hex.size() < 8) hex += c;
  if (hex.size() == 8) info.SerialNumber = uint32_t(std::stoul(hex, nullptr, 16));
  return true;
}

DriveKind DiskQuery::DriveTypeOf(const std::string& drive) {
  struct stat st {};
  if (drive.empty() || stat(drive.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return DriveKind::NoRootDir;
  MountEntry m;
  if (!FindMount(drive, m)) return DriveKind::Unknown;
  const std::string& t = m.FsType;
  if (t == "nfs" || t == "nfs4" || t == "cifs" || t == "smb3" || t == "smbfs" || t == "fuse.sshfs" || t == "9p")
    return DriveKind::Remote;
  if (t == "iso9660" || t == "udf") return DriveKind::CdRom;
  if (t == "tmpfs" || t == "ramfs") return DriveKind::RamDisk;
  return IsRemovableDevice(m.Device) ? DriveKind::Removable : DriveKind::Fixed;
}

bool DiskQuery::ReadDiskSpace(const std::string& drive, int64_t& diskFree, int64_t& diskSize) {
  struct statvfs sv {};
  if (drive.empty() || statvfs(drive.c_str(), &sv) != 0) return false;
  diskFree = int64_t(sv.f_bavail) * int64_t(sv.f_frsize);
  diskSize = int64_t(sv.f_blocks) * int64_t(sv.f_frsize);
  return true;
}

std::string DiskQuery::LastErrorText() { return std::strerror(errno); }

// ---------------------------------------------------------------- DriveVolumeManager

DriveVolumeManager::DriveVolumeManager(std::unique_ptr<DiskQuery> q)
    : query_(q ? std::move(q) : std::make_unique<DiskQuery>()) {}

ArchiveFormat DriveVolumeManager::SplitCheck(const std::string& archiveFile) {
  try {
    const std::string drive = query_->DriveOf(AbsolutePath(archiveFile));
    if (drive.empty() || !query_->IsDiskInDrive(drive)) return ArchiveFormat::NotAvail;
    VolumeInfo info;
    if (query_->DriveTypeOf(drive) == DriveKind::Removable && query_->ReadVolumeInfo(drive, info) &&
        info.Label.find("PKBACK#") != std::string::npos)
      return ArchiveFormat::ZipSpan;
    return ArchiveFormat::ZipMVol;
  } catch (...) {
    return ArchiveFormat::NotAvail;
  }
}

std::string DriveVolumeManager::AccessErrorText(const std::string& path) {
  // Linux paths are case-sensitive, so the path is shown as it is, not upper-cased.
  return WithTrailingSlash(path) + " " + LoadMessage(msg::NotAccessible) + "\n\n" + query_->LastErrorText();
}

void DriveVolumeManager::Report(const std::string& name, int code) {
  if (!Handlers.OnError) return;
  const std::string extended = code == msg::NotAccessible ? AccessErrorText(name) : std::string();
  Handlers.OnError(name, code, extended);
}

bool DriveVolumeManager::RequestVolume(const std::string& path, const DiskHandlers& handlers) {
  try {
    Handlers = handlers;
    const bool unc = IsUncPath(path) || path.rfind("//", 0) == 0;
    const bool hasFolder = path.find('/') != std::string::npos || path.find('\\') != std::string::npos;
    Drive = query_->DriveOf(hasFolder ? path : CurrentDir());
    if (!unc) {
      while (!query_->IsDiskInDrive(Drive)) {
        if (!Handlers.OnInsertDisk) {
          Report(Drive, msg::NotAccessible);
          return false;
        }
        bool continueWaiting = true;
        Handlers.OnInsertDisk(continueWaiting);
        if (!continueWaiting) {
          Report(Drive, msg::UserCanceled);
          return false;
        }
      }
    }
    VolumeInfo info;
    while (!query_->ReadVolumeInfo(Drive, info)) {
      if (!OnAskRetry || !OnAskRetry(AccessErrorText(Drive))) {
        Report(Drive, msg::NotAccessible);
        return false;
      }
    }
    VolumeLabel = info.Label;
    VolumeNumber = uint16_t(CheckSpanLabel(info.Label));
    SerialNumber = info.SerialNumber;
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08X", SerialNumber);
    SerialHex = hex;
    MaxComponentLength = info.MaxComponentLength;
    FileSystemName = info.FileSystemName;
    DriveType = query_->DriveTypeOf(Drive);
    if (DriveType == DriveKind::NoRootDir) {
      Report(Drive, msg::NotAccessible);
      return false;
    }
    DiskFree = DiskSize = 0;
    query_->ReadDiskSpace(Drive, DiskFree, DiskSize);
    DriveTypeName = corvina::archive::DriveTypeName(DriveType);
    FileSysFlags = info.FileSysFlags;
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace corvina::archive
