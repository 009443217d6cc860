// The disk manager: spanned-disk labels, the volume request with its insert / retry handling on
// simulated drives, the split check, and the Linux queries on a real folder.
#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "archive/DiskManager.h"
#include "archive/Paths.h"
#include "tests/archive/ArchiveTestUtil.h"

using namespace corvina::archive;

namespace {

// A drive whose disk appears after a number of presence checks.
struct FakeDrive : DiskQuery {
  int presenceChecks = 0, absentFor = 0, volumeFailures = 0;
  DriveKind type = DriveKind::Removable;
  VolumeInfo info{"PKBACK# 004", 0xABCD, "vfat", 255, 0};
  // A path on the disk's mount point or a network path lies on the disk; any other path is its own drive.
  std::string DriveOf(const std::string& path) override {
    return path.rfind("/media/disk", 0) == 0 || path.rfind("\\\\", 0) == 0 ? "/media/disk" : path;
  }
  bool IsDiskInDrive(const std::string&) override { return ++presenceChecks > absentFor; }
  bool ReadVolumeInfo(const std::string&, VolumeInfo& out) override {
    if (volumeFailures > 0) {
      --volumeFailures;
      return false;
    }
    out = info;
    return true;
  }
  DriveKind DriveTypeOf(const std::string&) override { return type; }
  bool ReadDiskSpace(const std::string&, int64_t& f, int64_t& s) override {
    f = 1000;
    s = 1457664;
    return true;
  }
  std::string LastErrorText() override { return "No medium found"; }
};

struct Request {
  FakeDrive* drive;
  DriveVolumeManager manager;
  std::vector<int> errors;
  int insertAsks = 0;
  explicit Request(std::unique_ptr<FakeDrive> d) : drive(d.get()), manager(std::move(d)) {}
  bool Run(const std::string& path, int acceptInsertAsks = -1) {
    DiskHandlers h;
    h.OnError = [this](const std::string&, int code, const std::string&) { errors.push_back(code); };
    if (acceptInsertAsks >= 0)
      h.OnInsertDisk = [this, acceptInsertAsks](bool& go) { go = ++insertAsks <= acceptInsertAsks; };
    return manager.RequestVolume(path, h);
  }
};

}  // namespace

TEST(DiskManager, SpanLabelGivesTheVolumeNumber) {
  const struct {
    const char* label;
    int number;
  } cases[] = {
      {"PKBACK# 003", 3},   {"PKBACK# A1", 0},
      {"BACKUP 003", 0},    {"", 0},
      {"PKBACK# ", 0},      {"PKBACK# 001PKBACK# 012", 12},
      {"PKBACK#003", 0},    {"PKBACK# 65535", 65535},
      {"PKBACK# 65536", 0}, {"PKBACK# 99999999999999", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(CheckSpanLabel(c.label), c.number) << c.label;
  const std::pair<DriveKind, const char*> kinds[] = {
      {DriveKind::Unknown, "Unknown"}, {DriveKind::NoRootDir, "None"}, {DriveKind::Removable, "Removable"},
      {DriveKind::Fixed, "Fixed"},     {DriveKind::Remote, "Network"}, {DriveKind::CdRom, "CD-ROM"},
      {DriveKind::RamDisk, "RAM"},     {DriveKind(7), "Unknown"}};
  for (const auto& [kind, name] : kinds) EXPECT_STREQ(DriveTypeName(kind), name) << int(kind);
  EXPECT_TRUE(IsAllDigits(""));
  EXPECT_TRUE(IsAllDigits("0123456789"));
  EXPECT_FALSE(IsAllDigits("12a"));
}

TEST(DiskManager, RequestFillsTheVolumeFieldsOnceADiskIsInserted) {
  auto d = std::make_unique<FakeDrive>();
  d->absentFor = 2;
  Request r(std::move(d));
  ASSERT_TRUE(r.Run("/media/disk/set.zip", 5));
  EXPECT_EQ(r.insertAsks, 2);
  EXPECT_TRUE(r.errors.empty());
  const DriveVolumeManager& m = r.manager;
  EXPECT_EQ(m.Drive, "/media/disk");
  EXPECT_EQ(m.VolumeLabel, "PKBACK# 004");
  EXPECT_EQ(m.VolumeNumber, 4);
  EXPECT_EQ(m.SerialHex, "0000ABCD");
  EXPECT_EQ(m.FileSystemName, "vfat");
  EXPECT_EQ(m.DriveTypeName, "Removable");
  EXPECT_EQ(m.DiskSize, 1457664);

  // A bare file name lies in the current folder, whose drive is asked for; a network path is its own.
  for (const auto& [path, drive] :
       {std::pair<std::string, std::string>{"set.zip", CurrentDir()}, {"\\\\server\\share\\set.zip", "/media/disk"}}) {
    Request other(std::make_unique<FakeDrive>());
    ASSERT_TRUE(other.Run(path)) << path;
    EXPECT_EQ(other.manager.Drive, drive) << path;
  }
}

TEST(DiskManager, RequestFailuresReportTheirMessage) {
  const struct {
    const char* what;
    std::string path;
    int absentFor, volumeFailures, acceptInsert, retries;
    DriveKind type;
    bool ok;
    std::vector<int> errors;
    int presenceChecks;
  } cases[] = {
      {"empty drive, no insert handler", "/media/disk/a.zip", 1, 0, -1, 0, DriveKind::Removable, false, {25170}, 1},
      {"user declines to insert", "/media/disk/a.zip", 9, 0, 1, 0, DriveKind::Removable, false, {25443}, 2},
      {"volume unreadable, no retry", "/media/disk/a.zip", 0, 1, -1, 0, DriveKind::Removable, false, {25170}, 1},
      {"volume readable on retry", "/media/disk/a.zip", 0, 2, -1, 2, DriveKind::Removable, true, {}, 1},
      {"no root folder", "/media/disk/a.zip", 0, 0, -1, 0, DriveKind::NoRootDir, false, {25170}, 1},
      {"network path skips the presence test", "\\\\server\\share\\a.zip", 9, 0, -1, 0, DriveKind::Remote, true, {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto d = std::make_unique<FakeDrive>();
    d->absentFor = c.absentFor;
    d->volumeFailures = c.volumeFailures;
    d->type = c.type;
    Request r(std::move(d));
    int retries = 0;
    if (c.retries)
      r.manager.OnAskRetry = [&](const std::string& text) {
        EXPECT_NE(text.find("is not accessible"), std::string::npos);
        return ++retries <= c.retries;
      };
    EXPECT_EQ(r.Run(c.path, c.acceptInsert), c.ok);
    EXPECT_EQ(r.errors, c.errors);
    EXPECT_EQ(r.drive->presenceChecks, c.presenceChecks);
  }
}

TEST(DiskManager, SplitCheckByDriveAndLabel) {
  const struct {
    DriveKind type;
    const char* label;
    std::string file;
    ArchiveFormat expected;
  } cases[] = {
      {DriveKind::Removable, "PKBACK# 001", "/media/disk/a.zip", ArchiveFormat::ZipSpan},
      {DriveKind::Removable, "HOLIDAY", "/media/disk/a.zip", ArchiveFormat::ZipMVol},
      {DriveKind::Fixed, "PKBACK# 001", "/media/disk/a.zip", ArchiveFormat::ZipMVol},
      {DriveKind::Fixed, "", "", ArchiveFormat::NotAvail},
  };
  for (const auto& c : cases) {
    auto d = std::make_unique<FakeDrive>();
    d->type = c.type;
    d->info.Label = c.label;
    DriveVolumeManager m(std::move(d));
    EXPECT_EQ(m.SplitCheck(c.file), c.expected) << c.label;
  }
}

TEST(DiskManager, LinuxQueriesOnARealFolder) {
  testutil::ScopedDir dir;
  const std::string file = (dir.path() / "set.z01").string();
  testutil::WriteAll(file, {1, 2, 3});
  DiskQuery q;
  const std::string drive = q.DriveOf(file);
  ASSERT_FALSE(drive.empty());
  EXPECT_EQ(file.rfind(drive == "/" ? "/" : drive + "/", 0), 0u) << drive;
  EXPECT_TRUE(q.IsDiskInDrive(drive));
  EXPECT_NE(q.DriveTypeOf(drive), DriveKind::NoRootDir);
  EXPECT_EQ(q.DriveTypeOf(""), DriveKind::NoRootDir);
  EXPECT_EQ(q.DriveTypeOf((dir.path() / "missing").string()), DriveKind::NoRootDir);
  int64_t free = -1, size = -1;
  ASSERT_TRUE(q.ReadDiskSpace(drive, free, size));
  EXPECT_GT(size, 0);
  EXPECT_GE(free, 0);

  DriveVolumeManager m;
  std::vector<int> errors;
  DiskHandlers h;
  h.OnError = [&](const std::string&, int code, const std::string&) { errors.push_back(code); };
  EXPECT_TRUE(m.RequestVolume(file, h));
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(m.SerialHex.size(), 8u);
  EXPECT_GT(m.MaxComponentLength, 0u);
  // A fixed or temporary drive never holds a spanned set.
  EXPECT_EQ(m.SplitCheck(file), ArchiveFormat::ZipMVol);
}

TEST(DiskManager, AMountPointWithABlankIsFoundAndKnownByItsKind) {
  // A small memory file system on a folder whose name holds blanks, the last at its end (the mount table
  // writes them as "\040"), in a mount namespace of a child of its own, with a /dev of its own whose disk
  // links give the device a label (udev writes unsafe characters as "\x20") and a FAT serial. A second
  // mount of a kind that is neither memory, network nor disc is a fixed drive, or a removable one.
  testutil::ScopedDir dir;
  const std::string point = (dir.path() / "usb stick ").string(), file = point + "/set.z01";
  const std::string device = (dir.path() / "device").string(), other = (dir.path() / "other").string();
  std::filesystem::create_directories(point);
  std::filesystem::create_directories(other);
  testutil::WriteAll(device, {});
  const pid_t child = fork();
  if (child == 0) {
    namespace fs = std::filesystem;
    if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount(device.c_str(), point.c_str(), "tmpfs", 0, "size=64k") != 0 ||
        mount("none", "/dev", "tmpfs", 0, "size=64k") != 0)
      _exit(77);
    std::error_code ec;
    fs::create_directories("/dev/disk/by-label", ec);
    fs::create_directories("/dev/disk/by-uuid", ec);
    fs::create_symlink(device, "/dev/disk/by-label/usb\\x20stick\\x21", ec);
    fs::create_symlink(device, "/dev/disk/by-uuid/ABCD-1234", ec);
    testutil::WriteAll(file, {1});
    DiskQuery q;
    VolumeInfo info;
    const bool read = q.ReadVolumeInfo(point, info);
    const bool fixed =
        mount("proc", other.c_str(), "proc", 0, nullptr) != 0 || q.DriveTypeOf(other) == DriveKind::Fixed;
    // A partition of a disk the kernel marks removable (its flag is on the disk, one folder up) is removable.
    bool removable = true;
    if (mount("none", "/sys/class/block", "tmpfs", 0, "size=64k") == 0 &&
        mount("/dev/sdz1", other.c_str(), "proc", 0, nullptr) == 0) {
      fs::create_directories("/sys/class/block/sdz/sdz1", ec);
      fs::create_directory_symlink("sdz/sdz1", "/sys/class/block/sdz1", ec);
      testutil::WriteAll("/sys/class/block/sdz/removable", {'1', '\n'});
      removable = q.DriveTypeOf(other) == DriveKind::Removable;
    }
    _exit((q.DriveOf(file) == point ? 0 : 1) | (q.DriveTypeOf(point) == DriveKind::RamDisk ? 0 : 2) |
          (read && info.FileSystemName == "tmpfs" ? 0 : 4) | (info.Label == "usb stick!" ? 0 : 8) |
          (info.SerialNumber == 0xABCD1234u ? 0 : 16) | (fixed ? 0 : 32) | (removable ? 0 : 64));
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no mount namespace here";
  EXPECT_EQ(WEXITSTATUS(status), 0)
      << "1: drive, 2: kind, 4: file system, 8: label, 16: serial, 32: fixed, 64: removable";
}
