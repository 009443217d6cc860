// The unpack tool as a user runs it: what it prints and how it exits.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "archive/Paths.h"
#include "archive/ZipCrypt.h"
#include "archive/ZipExtractor.h"
#include "platform/LineFile.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;
using corvina::test::TempDir;

namespace {

struct ToolRun {
  int status = -1;
  std::string output;  // standard output and standard error together
};

ToolRun RunShell(const std::string& command) {
  ToolRun r;
  FILE* p = ::popen((command + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
  const int status = ::pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string UnpackProgram() {
  const char* tools = std::getenv("CORVINA_TOOLS_DIR");
  return std::string(tools ? tools : CORVINA_BINARY_DIR "/tools") + "/unpack/unpack";
}

ToolRun Unpack(const std::string& args) { return RunShell(UnpackProgram() + " " + args); }

}  // namespace

namespace {
// A stored entry of an LHA archive at header level 0, with the CRC-16 it claims.
std::string LhaStored(const std::string& name, const std::string& data, uint16_t crc) {
  std::string h(22, '\0');
  h.replace(2, 5, "-lh0-");
  for (int i = 0; i < 4; ++i) h[size_t(7 + i)] = h[size_t(11 + i)] = char(data.size() >> (8 * i));
  h.replace(15, 4, std::string("\x00\x60\x2B\x5A", 4));  // 2025-01-11 12:00 as DOS
  h[19] = 0x20;
  h[21] = char(name.size());
  h += name + char(crc) + char(crc >> 8);
  h[0] = char(h.size() - 2);
  for (size_t i = 2; i < h.size(); ++i) h[1] = char(h[1] + h[i]);
  return h + data;
}

// Little-endian bytes of a header field.
std::string Le(uint64_t value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += char(value >> (8 * i));
  return out;
}

// A ZIP archive of one entry whose packed bytes stand as given: local header, central header, end record.
std::string ZipOneEntry(const std::string& name, const std::string& packed, uint32_t size, uint32_t crc, uint16_t flags,
                        uint16_t method, const std::string& extra = {}) {
  const std::string fields = Le(flags, 2) + Le(method, 2) + Le(0x5A2B6000, 4) + Le(crc, 4) +
                             Le(uint32_t(packed.size()), 4) + Le(size, 4) + Le(uint32_t(name.size()), 2) +
                             Le(uint32_t(extra.size()), 2);
  const std::string local = Le(0x04034B50, 4) + Le(20, 2) + fields + name + extra + packed;
  const std::string central =
      Le(0x02014B50, 4) + Le(20, 2) + Le(20, 2) + fields + Le(0, 6) + Le(0x20, 4) + Le(0, 4) + name + extra;
  return local + central + Le(0x06054B50, 4) + Le(0, 4) + Le(1, 2) + Le(1, 2) + Le(uint32_t(central.size()), 4) +
         Le(uint32_t(local.size()), 4) + Le(0, 2);
}

// A ZIP archive of one entry under the traditional cipher. Its 12-byte header is fixed (ending in the CRC's
// top byte, which checks the password), so the archive, and which wrong passwords pass that one-byte
// check, are the same every run.
std::string LockedZip(const std::string& name, const std::string& data, uint32_t crc, const std::string& password) {
  corvina::archive::ZipCrypto cipher;
  cipher.InitKeys(password);
  std::string packed;
  for (const char c : "ABCDEFGHIJK" + std::string(1, char(crc >> 24)) + data) {
    packed += char(uint8_t(c) ^ cipher.KeystreamByte(false));
    cipher.UpdateKeys(false, uint8_t(c));
  }
  return ZipOneEntry(name, packed, uint32_t(data.size()), crc, 1, 0);
}
}  // namespace

TEST(UnpackProgram, OneLinePerEntryAndTheExitSaysWhetherAllWereWritten) {
  TempDir dir("unpack-lines");
  fs::create_directories(dir / "sub");
  for (const char* name : {"a.txt", "b.dat", "sub/c.txt"}) std::ofstream(dir / name) << "123456789";
  const std::string in = "cd '" + dir.path().string() + "' && ";
  if (std::system((in + "zip -q -X set.zip a.txt b.dat sub/c.txt").c_str()) != 0)
    GTEST_SKIP() << "Info-ZIP zip is not installed";
  std::ofstream(dir / "locked.zip", std::ios::binary) << LockedZip("a.txt", "123456789", 0xCBF43926, "pw");
  // An AES entry (AE-2, 256 bits) whose five bytes end inside the 16 bytes of its salt.
  const std::string aes = {1, char(0x99), 7, 0, 2, 0, 'A', 'E', 3, 0, 0};
  std::ofstream(dir / "aescut.zip", std::ios::binary) << ZipOneEntry("b.txt", "\x01\x02\x03\x04\x05", 9, 0, 1, 99, aes);
  // LHA CRCs have four digits; a control character in a name is shown escaped; a CRC failure is
  // told on the entry's line only.
  std::ofstream(dir / "set.lzh", std::ios::binary)
      << LhaStored("a\x01 \x7F.txt", "123456789", 0xBB3D) + LhaStored("bad.txt", "123456789", 0x1234) + '\0';
  // A header of a level no LHA writer uses, after a sound entry: nothing names its entry, the archive and the
  // header's place do.
  const std::string sound = LhaStored("a.txt", "123456789", 0xBB3D);
  std::string level3 = LhaStored("b.txt", "123456789", 0xBB3D);
  level3[20] = 3;
  std::ofstream(dir / "level3.lzh", std::ios::binary) << sound + level3 + '\0';
  std::ofstream(dir / "x.rar", std::ios::binary) << "Rar!\x1A\x07" + std::string(40, 'x');
  std::ofstream(dir / "notes.txt") << "plain words, no archive here\n";
  const std::string zipped = "a.txt\t9\tcbf43926\tok\n";
  // The library names files by their absolute paths, made from the current folder as the system spells it.
  const fs::path here = fs::canonical(dir.path());
  const struct {
    std::string args;
    int status;
    std::string output;
  } runs[] = {
      {"set.zip out1", 0, zipped + "b.dat\t9\tcbf43926\tok\nsub\\c.txt\t9\tcbf43926\tok\n3 entries written\n"},
      {"set.zip out2 --mask '*.dat'", 0, "b.dat\t9\tcbf43926\tok\n1 entries written\n"},
      {"set.zip out3 --mask '*.none'", 1, "0 entries written\n"},
      {"locked.zip out4 --password wrong --password pw", 0, zipped + "1 entries written\n"},
      // A password that does not fit is asked for no more: the library's own message says why.
      {"locked.zip out10 --password wrong", 1,
       "unpack: a.txt: 26517 Invalid password\na.txt\t9\tcbf43926\tFAILED\n0 entries written\n"},
      {"aescut.zip out11 --password pw", 1,
       "unpack: b.txt: 26517 Invalid password\nb.txt\t9\t00000000\tFAILED\n0 entries written\n"},
      {"set.lzh out5", 1, "a\\x01 \\x7f.txt\t9\tbb3d\tok\nbad.txt\t9\t1234\tFAILED\n1 entries written\n"},
      {"level3.lzh out12", 1,
       "unpack: " + (here / "level3.lzh").string() + ": 25114 Bad file header (header at offset " +
           std::to_string(sound.size()) + ")\na.txt\t9\tbb3d\tok\n1 entries written\n"},
      // A folder that cannot be written: the folder and the system's reason.
      {"set.zip notes.txt/out13", 1,
       "unpack: " + (here / "notes.txt/out13/").string() +
           ": 25271 Access permissions (Not a directory)\n0 entries written\n"},
      {"missing.zip out6", 1, "unpack: missing.zip: File not found\n"},
      {"notes.txt out7", 1, "unpack: notes.txt: not an archive unpack knows (only LHA and ZIP)\n"},
      {"x.rar out7", 1, "unpack: x.rar: a RAR archive, which unpack does not read (only LHA and ZIP)\n"},
      {"set.zip", 2, "usage: unpack ARCHIVE DIR [--password P] [--mask M]...\n"},
      {"set.zip out8 --force", 2, "usage: unpack ARCHIVE DIR [--password P] [--mask M]...\n"},
      {"set.zip out8 --password", 2, "usage: unpack ARCHIVE DIR [--password P] [--mask M]...\n"},
      {"set.zip out8 --mask", 2, "usage: unpack ARCHIVE DIR [--password P] [--mask M]...\n"},
  };
  for (const auto& run : runs) {
    const ToolRun r = RunShell(in + "'" + UnpackProgram() + "' " + run.args);
    EXPECT_EQ(r.status, run.status) << run.args;
    EXPECT_EQ(r.output, run.output) << run.args;
  }
  EXPECT_FALSE(fs::exists(dir / "out5/bad.txt"));
  // Partial files that runs killed in the middle left in the target folder are named; the file of a run
  // still at work is not: here a run of the library in another process, held inside its entry while its
  // partial file stands under its hidden name (as on a file system without unnamed files).
  const int sub = ::open((dir / "out1/sub").c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(sub, 0);
  std::string left;
  ::close(corvina::archive::CreateHiddenFileAt(sub, left));
  ::close(sub);
  std::ofstream(dir / "big.bin") << std::string(100000, 'z');
  ASSERT_EQ(std::system((in + "zip -q -X -0 big.zip big.bin").c_str()), 0);
  int inEntry[2], goOn[2];
  ASSERT_EQ(::pipe(inEntry), 0);
  ASSERT_EQ(::pipe(goOn), 0);
  const pid_t live = ::fork();
  ASSERT_GE(live, 0);
  if (live == 0) {
    using namespace corvina::archive;
    UseUnnamedOutputFiles(false);
    ZipExtractor zip;
    zip.SetArchiveFile((dir / "big.zip").string());
    zip.FileSpec = {"*.*"};
    zip.SetExtractDir((dir / "out1/sub").string());
    bool held = false;
    zip.OnProgress = [&](ArchiveContext&, int, int) {
      char c = 0;
      if (!std::exchange(held, true) && (::write(inEntry[1], "x", 1) != 1 || ::read(goOn[0], &c, 1) != 1)) ::_exit(2);
    };
    ::_exit(zip.Extract() == 1 ? 0 : 1);
  }
  char c = 0;
  ASSERT_EQ(::read(inEntry[0], &c, 1), 1);
  const ToolRun again = RunShell(in + "'" + UnpackProgram() + "' set.zip out1");
  ASSERT_EQ(::write(goOn[1], "x", 1), 1);
  int status = 0;
  ASSERT_EQ(::waitpid(live, &status, 0), live);
  for (const int fd : {inEntry[0], inEntry[1], goOn[0], goOn[1]}) ::close(fd);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.output, "unpack: out1/sub/" + left + ": left by an interrupted extraction\n" + runs[0].output);
  EXPECT_TRUE(fs::exists(dir / "out1/sub" / left)) << "the folder is the user's: nothing is removed";
  EXPECT_EQ(fs::file_size(dir / "out1/sub/big.bin"), 100000u) << "the live run ends whole";
  // The volumes of a split set are taken from beside its last one.
  ASSERT_EQ(std::system((in + "zip -q -X -0 -s 64k split.zip big.bin").c_str()), 0);
  const ToolRun split = RunShell(in + "'" + UnpackProgram() + "' split.zip out9");
  EXPECT_EQ(split.status, 0);
  EXPECT_EQ(split.output.substr(0, 15), "big.bin\t100000\t") << split.output;
  EXPECT_TRUE(split.output.ends_with("\tok\n1 entries written\n")) << split.output;
}

TEST(UnpackProgram, AfterAFullDiskTheCountSaysWhatIsOnDisk) {
  // Three stored entries of 48 KiB on a 128 KiB file system: two fit, the third fills it. The
  // run stops there, and the count is that of the entries that stay on disk.
  TempDir dir("unpack-full");
  std::string block(48 * 1024, 'x');
  for (const char* name : {"one.bin", "two.bin", "three.bin"}) {
    block[0] = name[1];
    std::ofstream(dir / name, std::ios::binary) << block;
  }
  if (std::system(("cd '" + dir.path().string() + "' && zip -q -0 -X set.zip one.bin two.bin three.bin").c_str()) != 0)
    GTEST_SKIP() << "Info-ZIP zip is not installed";
  fs::create_directories(dir / "small");
  const std::string inner = "mount -t tmpfs -o size=128k none '" + (dir / "small").string() + "' || exit 77; " +
                            UnpackProgram() + " '" + (dir / "set.zip").string() + "' '" + (dir / "small").string() +
                            "'; ls -A '" + (dir / "small").string() + "'";
  if (std::system("unshare -rm true >/dev/null 2>&1") != 0) GTEST_SKIP() << "no mount namespace for a small disk";
  const ToolRun r = RunShell("unshare -rm sh -c \"" + inner + "\"");
  if (r.status == 77) GTEST_SKIP() << "no small file system can be mounted here";
  EXPECT_EQ(r.status, 0) << r.output;
  // The entry the disk had no room for is named.
  EXPECT_NE(r.output.find("unpack: " + (dir / "small" / "three.bin").string() + ": 25160 Disk full\n"),
            std::string::npos)
      << r.output;
  EXPECT_NE(r.output.find("2 entries written"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("one.bin\ntwo.bin\n"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("three.bin\n"), std::string::npos) << r.output;
}

namespace {
// Runs a shell command in `dir`; false when it fails (the tool it needs is missing).
bool InFolder(const fs::path& dir, const std::string& command) {
  return std::system(("cd '" + dir.string() + "' && (" + command + ") >/dev/null 2>&1").c_str()) == 0;
}
}  // namespace

TEST(UnpackProgram, AnEntryThroughALinkInTheTargetFolderFailsTheRun) {
  TempDir dir("unpack-link");
  fs::create_directories(dir / "src" / "presym");
  std::ofstream(dir / "src" / "presym" / "victim.txt") << "evil\n";
  std::ofstream(dir / "src" / "ok.txt") << "fine\n";
  if (!InFolder(dir / "src", "zip -q -X ../a.zip presym/victim.txt ok.txt"))
    GTEST_SKIP() << "Info-ZIP zip is not installed";
  fs::create_directories(dir / "outside");
  std::ofstream(dir / "outside" / "victim.txt") << "mine\n";
  fs::create_directories(dir / "out");
  fs::create_directory_symlink("../outside", dir / "out" / "presym");
  const ToolRun r = Unpack((dir / "a.zip").string() + " " + (dir / "out").string());
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("25235 Error opening file"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("1 entries written"), std::string::npos) << r.output;
  std::ifstream victim(dir / "outside" / "victim.txt");
  std::string kept;
  std::getline(victim, kept);
  EXPECT_EQ(kept, "mine");
  EXPECT_TRUE(fs::exists(dir / "out" / "ok.txt"));
}

TEST(UnpackProgram, AZipCutShortIsReportedAsDamaged) {
  // Four stored entries of 100 bytes; the first 300 bytes hold two of them whole and the third's header in part.
  TempDir dir("unpack-cut");
  for (const char* name : {"one.txt", "two.txt", "tri.txt", "fou.txt"})
    std::ofstream(dir / name, std::ios::binary) << std::string(100, name[0]);
  if (!InFolder(dir.path(),
                "zip -q -0 -X whole.zip one.txt two.txt tri.txt fou.txt && head -c 300 whole.zip > cut.zip"))
    GTEST_SKIP() << "Info-ZIP zip is not installed";
  const ToolRun r = Unpack((dir / "cut.zip").string() + " " + (dir / "out").string());
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("25114 Bad file header"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("2 entries written"), std::string::npos) << r.output;
  EXPECT_TRUE(fs::exists(dir / "out" / "two.txt"));
}

TEST(UnpackProgram, ArgumentsMissingArchivesAndOtherFormatsAreRefused) {
  TempDir dir("unpack-args");
  for (const std::string args : {"", "only.zip", "a.zip out extra", "--bogus a.zip out", "a.zip out --mask"}) {
    const ToolRun r = Unpack(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(r.output, "usage: unpack ARCHIVE DIR [--password P] [--mask M]...\n") << args;
  }
  const ToolRun missing = Unpack((dir / "gone.zip").string() + " " + (dir / "out").string());
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.output, "unpack: " + (dir / "gone.zip").string() + ": File not found\n");
  if (std::system(("echo some words | gzip -c > '" + (dir / "w.gz").string() + "'").c_str()) != 0)
    GTEST_SKIP() << "gzip is not installed";
  const ToolRun gz = Unpack((dir / "w.gz").string() + " " + (dir / "out").string());
  EXPECT_EQ(gz.status, 1);
  EXPECT_EQ(gz.output,
            "unpack: " + (dir / "w.gz").string() + ": a GZip archive, which unpack does not read (only LHA and ZIP)\n");
  EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST(UnpackProgram, EachEntryIsListedWithItsSizeAndCrcAndMasksAndPasswordsApply) {
  const fs::path lzh = fs::path(CORVINA_TESTDATA) / "lha-peers/lha255e/lh5.lzh";
  if (!fs::exists(lzh)) GTEST_SKIP() << "peer archives not present";
  TempDir dir("unpack-list");
  // LHA headers carry a 16-bit CRC, shown in four digits.
  ToolRun r = Unpack(lzh.string() + " " + (dir / "lha").string());
  EXPECT_EQ(r.status, 0) << r.output;
  ASSERT_EQ(r.output.size(), std::string("GPL-2\t18092\tffff\tok\n1 entries written\n").size()) << r.output;
  EXPECT_EQ(r.output.substr(0, 12), "GPL-2\t18092\t");
  EXPECT_EQ(r.output.substr(16), "\tok\n1 entries written\n");
  EXPECT_EQ(fs::file_size(dir / "lha" / "GPL-2"), 18092u);
  // A stored entry with three bytes overwritten: a CRC error is told once, on the entry's own line.
  std::string bytes;
  ASSERT_TRUE(corvina::ReadFileBytes(lzh.parent_path() / "lh0.lzh", bytes));
  bytes.replace(3000, 3, 3, '\0');
  std::ofstream(dir / "bad.lzh", std::ios::binary) << bytes;
  r = Unpack((dir / "bad.lzh").string() + " " + (dir / "bad").string());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "GPL-2.GZ\t6829\tb6d5\tFAILED\n0 entries written\n");
  // ZIP: a 32-bit CRC ("123456789" is the CRC's check string); only the masked entries, opened with the password.
  for (const char* name : {"check.txt", "other.txt", "third.txt", "c\x01.txt", "d\x7f.txt"})
    std::ofstream(dir / name) << "123456789";
  if (!InFolder(dir.path(), "zip -q -X -P pw sec.zip check.txt other.txt third.txt [cd]?.txt"))
    GTEST_SKIP() << "Info-ZIP zip is not installed";
  const std::string zip = (dir / "sec.zip").string();
  r = Unpack(zip + " " + (dir / "zip").string() + " --password pw --mask check.txt --mask th*.txt");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(r.output, "check.txt\t9\tcbf43926\tok\nthird.txt\t9\tcbf43926\tok\n2 entries written\n");
  EXPECT_FALSE(fs::exists(dir / "zip" / "other.txt"));
  // Control characters of a name are shown escaped.
  r = Unpack(zip + " " + (dir / "ctl").string() + " --password pw --mask '??.txt'");
  EXPECT_EQ(r.output, "c\\x01.txt\t9\tcbf43926\tok\nd\\x7f.txt\t9\tcbf43926\tok\n2 entries written\n");
  r = Unpack(zip + " " + (dir / "none").string() + " --password pw --mask nothing.txt");
  EXPECT_EQ(r.status, 1) << "nothing selected";
  EXPECT_EQ(r.output, "0 entries written\n");
  r = Unpack(zip + " " + (dir / "nopass").string() + " --mask check.txt");
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("0 entries written\n"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(dir / "nopass" / "check.txt"));
}
