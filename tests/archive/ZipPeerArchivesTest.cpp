// ZIP archives written by other programs, checked against the table of what a reference extractor
// took out of them. Every archive the reference read whole must come out with the same names,
// sizes and CRC-32 (passwords from the table); the others must end in the library's error or be
// passed over, without a crash and without partial files left behind.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "archive/ZipExtractor.h"
#include "tests/archive/ArchiveTestUtil.h"

using namespace corvina::archive;
using namespace testutil;

namespace {

const fs::path kPeers = fs::path(CORVINA_TESTDATA) / "zip-peers";

using Row = ExpectedRow;

std::map<std::string, std::vector<Row>> ReadTable() { return ReadExpectedTable(kPeers / "EXPECTED.tsv"); }

// The name a stored entry gets on disk: names that are not UTF-8 are read as CP932.
std::string DiskName(const std::string& raw) {
  std::string name = IsValidUtf8(raw) ? raw : ConvertEntryName(ArchiveFormat::Zip, 0, raw);
  for (char& c : name)
    if (c == '\\') c = '/';
  return name;
}

struct ZipOutcome {
  int count = 0;
  std::vector<int> errors;
  long failed = 0;
};

ZipOutcome Extract(const fs::path& archive, const fs::path& dir, const std::vector<std::string>& passwords) {
  ZipExtractor zip;
  ZipOutcome r;
  zip.SetArchiveFile(archive.string());
  zip.FileSpec = {"*.*"};
  zip.CreateStoredDirs = true;
  zip.Passwords = passwords;
  zip.SetExtractDir(dir.string());
  zip.OnError = [&](ArchiveContext&, const std::string&, const std::string&, const std::string&, int code) {
    r.errors.push_back(code);
  };
  zip.OnEnd = [&](ArchiveContext&, const std::string&, bool pass) { r.failed += pass ? 0 : 1; };
  r.count = zip.Extract();
  return r;
}

// Archives where this library's result rightly differs from the reference's, with the reason.
const std::map<std::string, std::string> kDiffers = {
    {"libarchive/test_read_format_zip_7z_deflate.zip", "link entries are written as files holding their target"},
    {"libarchive/test_read_format_zip_symlink.zip", "link entries are written as files holding their target"},
    {"zip2/symlink.zip", "link entries are written as files holding their target"},
    {"libarchive/test_read_format_zip_encryption_data.zip", "strong encryption is refused"},
    {"libarchive/test_read_format_zip_encryption_partially.zip", "strong encryption is refused"},
    {"zip2/zip64_magic_in_filename_5.zip", "names with NUL bytes: the NULs are dropped, not the rest of the name"},
};

// Archives the reference could not read that this library reads, each file checked by its CRC.
const std::set<std::string> kReadable = {
    "libarchive/test_read_format_zip_extra_padding.zip",  // zero padding inside the extra field
    "libarchive/test_read_format_zip_padded1.zip",        // bytes in front of the first header
    "libarchive/test_read_format_zip_padded3.zip",
    "zip2/invalid_offset.zip",             // local headers read where the central directory is cut
    "zip2/zip64_demo.zip",                 // junk in front, Zip64 sizes in the local header
    "zip2/legacy/reduce.zip",              // reducing is decoded here
    "zip2/zip64_magic_in_filename_1.zip",  // end-record signatures inside names
    "zip2/zip64_magic_in_filename_3.zip",
};

}  // namespace

TEST(ZipPeerArchives, EveryRowOfTheTable) {
  if (!fs::exists(kPeers / "EXPECTED.tsv")) GTEST_SKIP() << "peer archives not present";
  const auto table = ReadTable();
  ASSERT_GT(table.size(), 60u);
  int whole = 0, refused = 0;
  for (const auto& [name, rows] : table) {
    SCOPED_TRACE(name);
    std::set<std::string> passwords;
    bool failed = false;
    std::map<std::string, Row> expected;
    for (const Row& row : rows) {
      if (row.entry == "!FAIL") failed = true;
      if (row.entry == "!FAIL" || row.entry == "!EMPTY") continue;
      if (!row.password.empty()) passwords.insert(row.password);
      expected[DiskName(row.entry)] = row;
    }
    ScopedDir out("zippeer");
    const ZipOutcome r = Extract(kPeers / name, out.path(), {passwords.begin(), passwords.end()});
    EXPECT_TRUE(NoTemporaries(out.path()));
    const auto files = FilesUnder(out.path());
    // Whatever was written passed its check.
    EXPECT_GE(size_t(r.count), files.size());
    auto differs = kDiffers.find(name);
    if (failed || differs != kDiffers.end()) {
      ++refused;
      // What the reference could not read ends in an error here too, unless it is known to
      // be readable; either way every file that came out passed its check.
      if (failed && !kReadable.count(name)) {
        EXPECT_TRUE(!r.errors.empty() || r.failed > 0) << "no error reported";
      }
      continue;
    }
    ++whole;
    for (const auto& [path, row] : expected) {
      SCOPED_TRACE(path);
      if (row.size == 0 && fs::is_directory(out.path() / path)) continue;
      auto it = files.find(path);
      if (it == files.end()) {
        ADD_FAILURE() << "missing " << path;
        continue;
      }
      const Bytes data = ReadAll(it->second);
      EXPECT_EQ(data.size(), row.size);
      EXPECT_EQ(Hex8(Crc32(data)), row.crc);
    }
    for (const auto& [path, file] : files) EXPECT_TRUE(expected.count(path)) << "unexpected " << path;
    EXPECT_EQ(r.failed, 0);
    EXPECT_EQ(r.errors, std::vector<int>{});
  }
  EXPECT_GT(whole, 50);
  EXPECT_GT(refused, 10);
}

TEST(ZipPeerArchives, ReducedEntryMatchesItsSource) {
  // The reference does not decode reducing; the entry holds the folder's first.txt.
  if (!fs::exists(kPeers / "zip2/legacy/reduce.zip")) GTEST_SKIP() << "peer archives not present";
  ScopedDir out("zipreduce");
  const ZipOutcome r = Extract(kPeers / "zip2/legacy/reduce.zip", out.path(), {});
  EXPECT_EQ(r.count, 1);
  EXPECT_EQ(ReadAll(out.path() / "first.txt"), ReadAll(kPeers / "zip2/folder/first.txt"));
}
