// Archives written by many LHA programs, checked against the table of what a reference extractor
// took out of them. Archives whose entries all use a decoded method at header levels 0-2 must come
// out byte-identical; the others must end in the library's error or be passed over, without a crash
// and without leaving partial files behind.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "archive/LhaExtractor.h"
#include "tests/archive/ArchiveTestUtil.h"

using namespace corvina::archive;
using namespace testutil;

namespace {

const fs::path kPeers = fs::path(CORVINA_TESTDATA) / "lha-peers";

using Row = ExpectedRow;

std::map<std::string, std::vector<Row>> ReadTable() { return ReadExpectedTable(kPeers / "EXPECTED.tsv"); }

// An independent walk over the headers: the methods and levels an archive uses. False when the
// headers cannot be walked (the archive then counts as one the library need not decode).
bool MethodsAndLevels(const Bytes& a, int64_t start, std::set<std::string>& methods, std::set<int>& levels) {
  size_t pos = size_t(start);
  while (pos < a.size() && a[pos] != 0) {
    if (pos + 22 > a.size()) return false;
    const int level = a[pos + 20];
    levels.insert(level);
    methods.insert(std::string(a.begin() + long(pos) + 2, a.begin() + long(pos) + 7));
    const uint64_t packed = a[pos + 7] | a[pos + 8] << 8 | a[pos + 9] << 16 | uint64_t(a[pos + 10]) << 24;
    if (level == 0 || level == 1)
      pos += size_t(a[pos]) + 2 + packed;
    else if (level == 2)
      pos += size_t(a[pos] | a[pos + 1] << 8) + packed;
    else
      return false;
  }
  return true;
}

bool InScope(const std::set<std::string>& methods, const std::set<int>& levels) {
  static const std::set<std::string> decoded = {"-lh0-", "-lh1-", "-lh4-", "-lh5-", "-lh6-", "-lh7-", "-lhd-"};
  for (const auto& m : methods)
    if (!decoded.count(m)) return false;
  for (int l : levels)
    if (l > 2) return false;
  return true;
}

// Where the reference extractor is known to be wrong, the stored CRC-16 of every entry is the judge.
// Each reason was checked against the archive's own headers and a second extractor.
const std::map<std::string, std::string> kReferenceWrong = [] {
  const std::pair<const char*, std::vector<const char*>> reasons[] = {
      {"reference mis-decodes -lh1-; stored CRC-16 passes",
       {"lha_amiga_122/lh1.lzh", "lharc113/lh1.lzh", "lharc113/sfx.com", "lha_os9_211c/h0_lh1.lzh",
        "lha_os9_211c/h1_lh1.lzh", "lha_os9_211c/h2_lh1.lzh"}},
      {"reference drops the separator before the file name", {"lha_amiga_122/level1.lzh", "lha_amiga_122/level2.lzh"}},
      {"reference does not decode CP932 names",
       {"libarchive/test_read_format_lha_filename_cp932.lzh", "libarchive/test_read_format_lha_filename_utf16.lzh"}},
      {"reference passes over a link entry's empty data",
       {"libarchive/test_read_format_lha_symlink_missing_target.lzh"}},
      {"reference reads nothing from these level-2 headers",
       {"lha_osk_201/h2_lh0.lzh", "lha_osk_201/h2_lh1.lzh", "lha_osk_201/h2_lh5.lzh", "lha_osk_201/h2_subdir.lzh",
        "lharc_atari_313a/h2_lh5.lzh", "lharc_atari_313a/h2_subdir.lzh"}},
      {"leading dots are dropped (..\\evil1.txt stays inside); the deeper one is refused", {"regression/dotdot.lzh"}},
      {"reference reads nothing from this level-1 header", {"morphos_lha_2717/h1_metadata.lzh"}},
      {"LHARK's own -lh7- format: the entry must fail its check", {"lhark04d/lh7.lzh", "lhark04d/lh7_long.lzh"}},
      {"truncated data: the library must fail the entry", {"regression/truncated.lzh"}}};
  std::map<std::string, std::string> byName;
  for (const auto& [reason, names] : reasons)
    for (const char* name : names) byName[name] = reason;
  return byName;
}();

Outcome Extract(const fs::path& archive, const fs::path& dir, bool createDirs) {
  return ExtractFile(archive, dir, {"*.*"}, [&](LhaExtractor& lha) {
    lha.CreateStoredDirs = createDirs;
    // The one multi-gigabyte entry of the table is not decoded here: it is refused by its size.
    lha.OnBegin = [&](ArchiveContext& c, const std::string&, int, bool& extract) {
      if (static_cast<LhaExtractor&>(c).Header.UnpackedSize > 64u * 1024 * 1024) extract = false;
    };
  });
}

}  // namespace

TEST(PeerArchives, EveryRowOfTheTable) {
  if (!fs::exists(kPeers / "EXPECTED.tsv")) GTEST_SKIP() << "peer archives not present";
  const auto table = ReadTable();
  ASSERT_GT(table.size(), 100u);
  int inScope = 0, outOfScope = 0;
  for (const auto& [name, rows] : table) {
    SCOPED_TRACE(name);
    const fs::path archive = kPeers / name;
    const Bytes bytes = ReadAll(archive);
    LhaExtractor probe;
    probe.SetArchiveFile(archive.string());
    std::set<std::string> methods;
    std::set<int> levels;
    const bool lha = probe.ArchiveType == ArchiveFormat::Lha || probe.ArchiveType == ArchiveFormat::LhaSfx;
    const bool walkable = lha && MethodsAndLevels(bytes, probe.ArchiveOffset, methods, levels);
    const bool huge = name == "morphos_lha_2717/h2_huge.lzh";
    const bool scoped = walkable && InScope(methods, levels) && !huge;

    ScopedDir out("peer");
    const Outcome r = Extract(archive, out.path(), true);
    EXPECT_TRUE(NoTemporaries(out.path()));
    const auto files = FilesUnder(out.path());
    if (!scoped) {
      ++outOfScope;
      // Whatever was written passed its check; nothing undecodable left a file.
      EXPECT_GE(size_t(r.count), files.size());
      continue;
    }
    ++inScope;
    auto wrong = kReferenceWrong.find(name);
    if (wrong != kReferenceWrong.end()) {
      SCOPED_TRACE(wrong->second);
      if (name == "regression/truncated.lzh" || name.rfind("lhark04d/", 0) == 0) {
        EXPECT_EQ(r.count, 0);
        EXPECT_TRUE(files.empty());
      } else {
        EXPECT_EQ(r.Failed(), 0);
        EXPECT_GT(r.count, 0);
      }
      continue;
    }
    // Every entry of an archive in reach passes, folders stored as empty entries included;
    // except where the archive puts a file in the way of a folder it needs later.
    EXPECT_EQ(r.Failed(), name == "lh2_222/easubdir.lzh" ? 1 : 0);
    std::map<std::string, Row> expected;
    for (const Row& row : rows) {
      if (row.entry == "!EMPTY") continue;
      std::string path = row.entry;
      for (char& c : path)
        if (c == '\\') c = '/';
      expected[path] = row;
    }
    for (const auto& [path, row] : expected) {
      SCOPED_TRACE(path);
      if (row.size == 0 && fs::is_directory(out.path() / path)) continue;  // an empty folder entry
      auto it = files.find(path);
      ASSERT_NE(it, files.end());
      const Bytes data = ReadAll(it->second);
      EXPECT_EQ(data.size(), row.size);
      EXPECT_EQ(Hex8(Crc32(data)), row.crc);
    }
    for (const auto& [path, file] : files) EXPECT_TRUE(expected.count(path)) << "unexpected " << path;
  }
  EXPECT_GT(inScope, 100);
  EXPECT_GT(outOfScope, 10);
}

TEST(PeerArchives, UndecodedMethodsEndInTheLibraryError) {
  if (!fs::exists(kPeers)) GTEST_SKIP() << "peer archives not present";
  // -lz5- (LArc), -lh2- / -lh3- (rarely written), -pm1- (PMarc): reported, never guessed at.
  for (const char* name : {"larc333/lz5.lzs", "unlha32/lh2.lzh", "unlha32/lh3.lzh", "pmarc124/pm1.pma",
                           "lharc_atari_313a/lz5.lzh", "unlha32/h2_lhx.lzh"}) {
    SCOPED_TRACE(name);
    ScopedDir out("undecoded");
    const Outcome r = Extract(kPeers / name, out.path(), false);
    EXPECT_EQ(r.count, 0);
    EXPECT_TRUE(FilesUnder(out.path()).empty());
    EXPECT_TRUE(r.Has(msg::UnsupportedMethod) || r.Has(msg::BadFileHeader));
  }
}
