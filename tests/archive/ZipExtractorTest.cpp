// The ZIP reader on archives made here byte by byte: central directory against local headers,
// data descriptors, Zip64 fields, stubs in front, names, refused entries, passwords and split
// volumes; plus damaged copies of the peer archives under the sanitizers.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <random>
#include <set>
#include <stdexcept>
#include <tuple>

#include "archive/DiskManager.h"
#include "archive/ZipExtractor.h"
#include "tests/archive/ArchiveTestUtil.h"
#include "tests/archive/ZipEntryWalk.h"

using namespace corvina::archive;
using namespace testutil;

namespace {

constexpr uint32_t kDosTime = 0x5A2B6000;  // 2025-01-11 12:00:00

struct ZEntry {
  std::string name;  // raw stored bytes
  Bytes data;
  uint16_t method = 0;
  uint16_t flags = 0;
  bool descriptor = false;  // local CRC and sizes zero, the real ones in a trailing descriptor
  bool zip64 = false;       // 32-bit sizes all ones, the values in 0x0001 records
  int crcOverride = -1;
  uint32_t externalAttr = 0x20;
  uint8_t host = 0;      // high byte of "version made by"
  std::string password;  // traditional encryption when set
  uint16_t disk = 0;
  uint32_t stamp = kDosTime;
  Bytes packed;  // the stored bytes of a method that packs (data is what they unpack to)
  Bytes extra;   // further extra-field records, in both headers
  bool descriptorSignature = true;
};

void Le(Bytes& b, uint64_t v, int n) {
  for (int i = 0; i < n; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

struct Built {
  std::vector<Bytes> locals;  // each entry's local header, data and descriptor
  Bytes central;
};

Built Parts(const std::vector<ZEntry>& entries, const std::vector<uint32_t>& offsets) {
  Built b;
  for (size_t i = 0; i < entries.size(); ++i) {
    const ZEntry& e = entries[i];
    const uint32_t crc = e.crcOverride >= 0 ? uint32_t(e.crcOverride) : Crc32(e.data);
    const Bytes& plain = e.packed.empty() ? e.data : e.packed;
    const Bytes packed = e.password.empty() ? plain : ZipEncipher(e.password, uint8_t(crc >> 24), plain);
    const uint16_t flags = uint16_t(e.flags | (e.descriptor ? 8 : 0) | (e.password.empty() ? 0 : 1));
    auto sizes = [&](Bytes& h, bool local) {
      if (e.zip64) {
        Le(h, 0xFFFFFFFF, 4);
        Le(h, 0xFFFFFFFF, 4);
      } else if (local && e.descriptor) {
        Le(h, 0, 8);
      } else {
        Le(h, packed.size(), 4);
        Le(h, e.data.size(), 4);
      }
    };
    Bytes extra;
    if (e.zip64) {
      Le(extra, 1, 2);
      Le(extra, 16, 2);
      Le(extra, e.data.size(), 8);
      Le(extra, packed.size(), 8);
    }
    Append(extra, e.extra);
    Bytes l;
    Le(l, 0x04034B50, 4);
    Le(l, 20, 2);
    Le(l, flags, 2);
    Le(l, e.method, 2);
    Le(l, e.stamp, 4);
    Le(l, e.descriptor ? 0 : crc, 4);
    sizes(l, true);
    Le(l, e.name.size(), 2);
    Le(l, extra.size(), 2);
    Append(l, Text(e.name));
    Append(l, extra);
    Append(l, packed);
    if (e.descriptor) {
      if (e.descriptorSignature) Le(l, 0x08074B50, 4);
      Le(l, crc, 4);
      Le(l, packed.size(), e.zip64 ? 8 : 4);
      Le(l, e.data.size(), e.zip64 ? 8 : 4);
    }
    b.locals.push_back(l);

    Bytes c;
    Le(c, 0x02014B50, 4);
    Le(c, uint32_t(e.host) << 8 | 20, 2);
    Le(c, 20, 2);
    Le(c, flags, 2);
    Le(c, e.method, 2);
    Le(c, e.stamp, 4);
    Le(c, crc, 4);
    sizes(c, false);
    Le(c, e.name.size(), 2);
    Le(c, extra.size(), 2);
    Le(c, 0, 2);
    Le(c, e.disk, 2);
    Le(c, 0, 2);
    Le(c, e.externalAttr, 4);
    Le(c, offsets[i], 4);
    Append(c, Text(e.name));
    Append(c, extra);
    Append(b.central, c);
  }
  return b;
}

Bytes EndRecord(uint16_t thisDisk, size_t count, size_t cdSize, uint32_t cdOffset) {
  Bytes e;
  Le(e, 0x06054B50, 4);
  Le(e, thisDisk, 2);
  Le(e, thisDisk, 2);
  Le(e, count, 2);
  Le(e, count, 2);
  Le(e, cdSize, 4);
  Le(e, cdOffset, 4);
  Le(e, 0, 2);
  return e;
}

// A one-file archive; `prefix` stands in front, and `absolute` says whether the stored offsets count it.
Bytes ZipArchive(const std::vector<ZEntry>& entries, const Bytes& prefix = {}, bool absolute = true) {
  std::vector<uint32_t> offsets;
  uint32_t at = absolute ? uint32_t(prefix.size()) : 0;
  Built first = Parts(entries, std::vector<uint32_t>(entries.size(), 0));
  for (const Bytes& l : first.locals) {
    offsets.push_back(at);
    at += uint32_t(l.size());
  }
  const Built b = Parts(entries, offsets);
  Bytes out = prefix;
  for (const Bytes& l : b.locals) Append(out, l);
  const uint32_t cdOffset = at;
  Append(out, b.central);
  Append(out, EndRecord(0, entries.size(), b.central.size(), cdOffset));
  return out;
}

struct ZipRun {
  int count = 0;
  std::vector<int> errors;
  std::vector<std::string> verdicts;
  std::vector<std::pair<int, int>> progress;  // the entry's and the archive's percent, as shown
  bool Has(int code) const { return std::find(errors.begin(), errors.end(), code) != errors.end(); }
  // The archive's bar only grows, and it ends full.
  bool ProgressEndsFull() const {
    for (size_t i = 1; i < progress.size(); ++i)
      if (progress[i].second < progress[i - 1].second) return false;
    return !progress.empty() && progress.back() == std::pair(100, 100);
  }
};

ZipRun RunZip(const fs::path& archive, const fs::path& out, const std::function<void(ZipExtractor&)>& setUp = {}) {
  ZipExtractor zip;
  ZipRun r;
  zip.SetArchiveFile(archive.string());
  zip.FileSpec = {"*.*"};
  zip.SetExtractDir(out.string());
  zip.OnError = [&](ArchiveContext&, const std::string&, const std::string&, const std::string&, int code) {
    r.errors.push_back(code);
  };
  zip.OnEnd = [&](ArchiveContext& c, const std::string&, bool pass) {
    r.verdicts.push_back(c.EntryName + (pass ? ":ok" : ":fail"));
  };
  zip.OnProgress = [&](ArchiveContext&, int file, int archive) { r.progress.emplace_back(file, archive); };
  if (setUp) setUp(zip);
  r.count = zip.Extract();
  return r;
}

ZipRun RunBytes(const Bytes& archive, const ScopedDir& dir, const std::function<void(ZipExtractor&)>& setUp = {}) {
  WriteAll(dir / "in.zip", archive);
  return RunZip(dir / "in.zip", dir / "out", setUp);
}

const Bytes kHello = Text("Hello, ZIP reader!\n");

// An entry packed with Deflate (method 8): one block of the fixed code, literals only.
ZEntry Deflated(const std::string& name, const Bytes& data) {
  BitWriter w;
  w.Put(1, 1);
  w.Put(1, 2);
  for (uint8_t b : data) w.Fixed(b);
  w.Fixed(256);
  ZEntry e{name, data, 8};
  e.packed = w.bytes;
  return e;
}

}  // namespace

TEST(ZipReader, SizesAndCrcComeFromWhereTheyAreKnownAndBothHeadersMustAgree) {
  // Plain entries, a trailing descriptor with zero local fields, Zip64 records in both headers; the
  // same for a packed entry, whose method the local header gives.
  ZEntry deflatedLate = Deflated("f.txt", kHello);
  deflatedLate.descriptor = true;
  // An AES entry (AE-2, 256 bits, stored) for which no password is given.
  ZEntry aes{"p.txt", kHello, 99, 1};
  aes.extra = {0x01, 0x99, 7, 0, 2, 0, 'A', 'E', 3, 0, 0};
  // The two headers of an entry that state a thing differently (its name, method, cipher, date, CRC or a size):
  // the archive is damaged, and the entry is not written, for nothing tells which header is right. A local
  // header followed by a descriptor states no CRC or size (Info-ZIP leaves zeros there), and a name spelt in the
  // same bytes is the same whatever flag says how to read them.
  auto local = [](size_t field, uint32_t v, int width = 4) {
    return [=](Bytes& a) { width == 4 ? Put32(a, field, v) : Put16(a, field, v); };
  };
  auto central = [](size_t field, uint32_t v, int width = 4) {
    return [=](Bytes& a) {
      const size_t at = Get32(a, a.size() - 22 + 16) + field;
      width == 4 ? Put32(a, at, v) : Put16(a, at, v);
    };
  };
  const std::vector<int> damaged{msg::BadFileHeader};
  const struct {
    const char* what;
    ZEntry entry;
    bool noFlag = false;  // the descriptor's flag taken off again: zero local fields with nothing to say why
    std::function<void(Bytes&)> damage = {};
    std::vector<int> errors = {};
    bool written = true;
  } cases[] = {
      {"stored", {"a.txt", kHello}},
      {"zero local fields", {"z.txt", kHello, 0, 0, true}, true},
      {"descriptor", {"b.txt", kHello, 0, 0, true}},
      {"zip64 records", {"c.txt", kHello, 0, 0, false, true}},
      {"both", {"d.txt", kHello, 0, 0, true, true}},
      {"deflated", Deflated("e.txt", kHello)},
      {"deflated, descriptor", deflatedLate},
      {"local CRC damaged", {"g.txt", kHello}, false, local(14, 0x12345678), damaged, false},
      {"central CRC damaged", {"h.txt", kHello}, false, central(16, 0x12345678), damaged, false},
      {"local CRC damaged, descriptor", {"i.txt", kHello, 0, 0, true}, false, local(14, 0x12345678)},
      {"local size damaged", {"j.txt", kHello}, false, local(22, 20), damaged, false},
      {"central size damaged", {"k.txt", kHello}, false, central(20, 7), damaged, false},
      {"local size damaged, descriptor", {"l.txt", kHello, 0, 0, true}, false, local(18, 7)},
      {"local name another", {"m.txt", kHello}, false, local(30, 'n' | '.' << 8, 2), damaged, false},
      {"central method another", {"n.txt", kHello}, false, central(10, 8, 2), damaged, false},
      {"central enciphered", {"o.txt", kHello}, false, central(8, 1, 2), damaged, false},
      {"central date another", {"q.txt", kHello}, false, central(12, kDosTime + 1), damaged, false},
      {"central AES strength another", aes, false, central(46 + 5 + 8, 0x0001, 2), damaged, false},
      {"central name flagged UTF-8", {"r.txt", kHello}, false, central(8, 0x0800, 2)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScopedDir dir("zipsizes");
    Bytes archive = ZipArchive({c.entry, ZEntry{"after.txt", Text("next")}});
    if (c.noFlag) {
      archive[6] &= uint8_t(~8);
      archive[archive.size() - 22 - 2 * 46 - 5 - 9 + 8] &= uint8_t(~8);
    }
    if (c.damage) c.damage(archive);
    // A file of the user's where the entry goes: replaced only by an entry written whole.
    fs::create_directories(dir / "out");
    WriteAll(dir / "out" / c.entry.name, Text("mine"));
    const ZipRun r = RunBytes(archive, dir);
    EXPECT_EQ(r.count, c.written ? 2 : 1);
    EXPECT_EQ(r.errors, c.errors);
    const std::vector<std::string> verdicts = c.written ? std::vector<std::string>{c.entry.name + ":ok", "after.txt:ok"}
                                                        : std::vector<std::string>{"after.txt:ok"};
    EXPECT_EQ(r.verdicts, verdicts);
    EXPECT_TRUE(r.ProgressEndsFull());
    if (c.errors.empty()) {
      EXPECT_EQ(r.progress.front(), std::pair(100, 83));  // 19 of 23 bytes
    }
    EXPECT_EQ(ReadAll(dir / "out" / c.entry.name), c.written ? kHello : Text("mine"));
    EXPECT_EQ(ReadAll(dir / "out" / "after.txt"), Text("next"));
  }
}

TEST(ZipReader, StubInFrontIsFoundWithOrWithoutAdjustedOffsets) {
  // Offsets that count the stub, offsets that do not, and a writer that adjusted only the end
  // record's (the local headers are then found by the shift of the first one, past the first
  // 32 KiB searched).
  const std::vector<ZEntry> entries = {{"a.txt", kHello}, Deflated("b.txt", Text("bee"))};
  const struct {
    const char* what;
    size_t stub;
    bool absolute, endAdjusted;
  } cases[] = {
      {"adjusted", 5000, true, true},
      {"not adjusted", 5000, false, false},
      {"only the end record adjusted", 40000, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes stub(c.stub, 0x90);
    stub[0] = 'X';
    Bytes archive = ZipArchive(entries, stub, c.absolute);
    const size_t end = archive.size() - 22;
    if (c.endAdjusted && !c.absolute) Put32(archive, end + 16, uint32_t(Get32(archive, end + 16) + c.stub));
    ScopedDir dir("zipstub");
    const ZipRun r = RunBytes(archive, dir);
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(r.errors, std::vector<int>{});
    for (const ZEntry& e : entries) EXPECT_EQ(ReadAll(dir / "out" / e.name), e.data) << e.name;
  }
  // A stub of 3 GiB whose length the offsets do not count: the shift takes more than 32 bits. (A file with a
  // hole, where the file system keeps one.)
  ScopedDir dir("zipbigstub");
  {
    std::ofstream f(dir / "in.zip", std::ios::binary);
    f << "MZ";
    f.seekp(std::streamoff(3) << 30);
    const Bytes archive = ZipArchive(entries);
    f.write(reinterpret_cast<const char*>(archive.data()), std::streamsize(archive.size()));
  }
  struct stat st {};
  if (::stat((dir / "in.zip").c_str(), &st) != 0 || st.st_blocks > 8192) GTEST_SKIP() << "no files with holes here";
  const ZipRun r = RunZip(dir / "in.zip", dir / "out");
  EXPECT_EQ(r.count, 2);
  EXPECT_EQ(r.errors, std::vector<int>{});
  for (const ZEntry& e : entries) EXPECT_EQ(ReadAll(dir / "out" / e.name), e.data) << e.name;
}

TEST(ZipReader, RefusedEntriesLeaveNoFileAndAreNotCounted) {
  ZEntry lzma{"lzma.bin", kHello, 14};
  ZEntry badCrc{"bad.txt", kHello};
  badCrc.crcOverride = 0x12345678;
  ZEntry strong{"strong.txt", kHello, 0, 0x41};
  ZEntry escape{"..\\..\\escape.txt", kHello};
  ZEntry escapeSlash{"a/../../escape2.txt", kHello};
  // Methods next to the decoded ones (6, 8, 9, 12) are refused as well.
  ZEntry tokenized{"m7.bin", kHello, 7}, m10{"m10.bin", kHello, 10}, m11{"m11.bin", kHello, 11};
  ZEntry m13{"m13.bin", kHello, 13};
  // Encryption the reader does not know, told by an extra record: strong encryption, an AES
  // strength beyond 256 bits.
  ZEntry strongRecord{"strongx.bin", kHello, 0, 1};
  strongRecord.extra = {0x17, 0, 0, 0};
  ZEntry aes512{"aes512.bin", kHello, 99, 1};
  aes512.extra = {0x01, 0x99, 7, 0, 2, 0, 'A', 'E', 4, 0, 0};
  ZEntry badDeflate = Deflated("bad.def", kHello);
  badDeflate.packed = {0xFF, 0xFF, 0xFF};  // a block of the reserved type
  const struct {
    ZEntry entry;
    int code;
  } cases[] = {
      {lzma, msg::UnsupportedMethod},
      {tokenized, msg::UnsupportedMethod},
      {m10, msg::UnsupportedMethod},
      {m11, msg::UnsupportedMethod},
      {m13, msg::UnsupportedMethod},
      {badCrc, msg::CrcError},
      {badDeflate, msg::CrcError},
      {strong, msg::UnsupportedPassword},
      {escape, msg::BadFileHeader},
      {escapeSlash, msg::BadFileHeader},
      {strongRecord, msg::UnsupportedPassword},
      {aes512, msg::UnsupportedPassword},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entry.name);
    ScopedDir dir("zipref");
    fs::create_directories(dir / "out" / "sub");
    const ZipRun r = RunBytes(ZipArchive({c.entry, ZEntry{"ok.txt", Text("fine")}}), dir,
                              [&](ZipExtractor& z) { z.SetExtractDir((dir / "out" / "sub").string()); });
    EXPECT_EQ(r.count, 1);
    // The one message the entry deserves, once.
    EXPECT_EQ(r.errors, std::vector<int>{c.code});
    EXPECT_EQ(r.verdicts.back(), "ok.txt:ok");
    // A refused entry counts as passed on the bar (a damaged one's unread rest is not counted).
    EXPECT_TRUE(r.ProgressEndsFull() || c.entry.name == badDeflate.name);
    const auto files = AllFiles(dir.path());
    EXPECT_EQ(files.size(), 2u);  // in.zip and out/sub/ok.txt
    EXPECT_TRUE(fs::exists(dir / "out" / "sub" / "ok.txt"));
  }
}

// A cancel from the progress event stops the entry being decoded at its first block, stored or packed:
// nothing of it stays, and every message is the cancel's.
TEST(ZipReader, CancelFromProgressStopsTheRunInsideTheEntry) {
  const Bytes big(200000, 'c');
  for (const ZEntry& first : {ZEntry{"big.txt", big}, Deflated("big.txt", big)}) {
    SCOPED_TRACE(first.method);
    ScopedDir dir("zipcancel");
    int progressCalls = 0;
    const ZipRun r = RunBytes(ZipArchive({first, {"second.txt", Text("s")}}), dir, [&](ZipExtractor& z) {
      z.OnProgress = [&](ArchiveContext& c, int, int) {
        ++progressCalls;
        c.SetCancel(true);
      };
    });
    EXPECT_EQ(progressCalls, 1);
    EXPECT_EQ(r.count, 0);
    EXPECT_TRUE(AllFiles(dir / "out").empty());
    ASSERT_FALSE(r.errors.empty());
    for (const int code : r.errors) EXPECT_EQ(code, msg::UserCanceled);
  }
  // An exception that the caller's message pump lets out ends the run inside an entry as well: nothing of
  // the entry stays, not even the folders made for it, it is not counted, and the same component writes
  // every entry in its next run.
  ScopedDir dir("zipthrow");
  WriteAll(dir / "in.zip", ZipArchive({{"sub/deep/big.txt", big}, {"second.txt", Text("s")}}));
  ZipExtractor zip;
  zip.SetArchiveFile((dir / "in.zip").string());
  zip.FileSpec = {"*.*"};
  zip.SetExtractDir((dir / "out").string());
  zip.ProcessMessages = [] { throw std::runtime_error("the caller's own failure"); };
  EXPECT_EQ(zip.Extract(), 0);
  EXPECT_TRUE(fs::is_empty(dir / "out"));
  zip.ProcessMessages = nullptr;
  EXPECT_EQ(zip.Extract(), 2);
  EXPECT_EQ(ReadAll(dir / "out/sub/deep/big.txt"), big);
  EXPECT_EQ(ReadAll(dir / "out/second.txt"), Text("s"));
}

TEST(ZipReader, NamesFromCp932Utf8AndFolders) {
  const std::string cp932 = "\x95\x5c\x82\xbe.txt";  // 表だ.txt, a trail byte 0x5C inside
  ZEntry sjis{cp932, kHello};
  ZEntry utf8{"表だよ.txt", kHello, 0, 0x0800};
  ZEntry unixUtf8{"漢字.txt", kHello};
  unixUtf8.host = 3;
  // A UTF-8 flag over a name that is no UTF-8 is not believed.
  ZEntry falseFlag{cp932.substr(0, 4) + "2.txt", kHello, 0, 0x0800};
  ZEntry folder{"dir/", {}};
  ZEntry dosFolder{"plain", {}};
  dosFolder.externalAttr = 0x10;
  const Bytes archive = ZipArchive({sjis, utf8, unixUtf8, falseFlag, folder, dosFolder});
  for (const bool folders : {true, false}) {
    SCOPED_TRACE(folders);
    ScopedDir dir("zipnames");
    const ZipRun r = RunBytes(archive, dir, [&](ZipExtractor& z) { z.CreateStoredDirs = folders; });
    EXPECT_EQ(r.count, 4);  // folders are made, not counted
    EXPECT_EQ(r.errors, std::vector<int>{});
    const std::set<fs::path> files = {"漢字.txt", "表だ.txt", "表だ2.txt", "表だよ.txt"};
    const auto written = AllFiles(dir / "out");
    EXPECT_EQ(std::set<fs::path>(written.begin(), written.end()), files);
    EXPECT_EQ(ReadAll(dir / "out" / "表だ2.txt"), kHello);
    EXPECT_EQ(fs::is_directory(dir / "out" / "dir"), folders);
    EXPECT_EQ(fs::is_directory(dir / "out" / "plain"), folders);
  }
}

TEST(ZipReader, FilesTakeTheirEntrysDateOrTheNewestAndTheReadOnlyAttribute) {
  FixedZone utc("UTC");
  ZEntry older{"old.txt", kHello};
  older.externalAttr = 0x21;
  ZEntry newer{"new.txt", Text("n")};
  newer.stamp = 0x5A4C745C;  // 2025-02-12 14:34:56
  const Bytes archive = ZipArchive({older, newer});
  const auto modified = [](const fs::path& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 ? std::pair{int64_t(st.st_mtime), st.st_mode & 0222} : std::pair{-1L, 0u};
  };
  for (const bool newest : {false, true}) {
    SCOPED_TRACE(newest);
    ScopedDir dir("zipdates");
    const ZipRun r = RunBytes(archive, dir, [&](ZipExtractor& z) {
      if (newest) z.DateAttribute = DateSource::MaxFileDate;
    });
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(modified(dir / "out/old.txt"), std::pair(newest ? 1739370896L : 1736596800L, 0u));
    EXPECT_EQ(modified(dir / "out/new.txt").first, 1739370896L);
    fs::permissions(dir / "out/old.txt", fs::perms::owner_write, fs::perm_options::add);
  }
}

TEST(ZipReader, MissingLocalHeaderAndLocalOnlyArchives) {
  // The central directory points past every local header: reported, nothing written.
  Bytes a = ZipArchive({{"a.txt", kHello}});
  const size_t cd = a.size() - 22 - 46 - 5;
  Put32(a, cd + 42, 3);
  a[cd + 46] = 'z';  // and no local header anywhere carries the central name
  {
    ScopedDir dir("zipbadoff");
    const ZipRun r = RunBytes(a, dir);
    EXPECT_EQ(r.count, 0);
    EXPECT_TRUE(r.Has(msg::BadLocalOffset));
  }
  // A stub in front that the offsets do not count, and one entry's Zip64 offset past the end of the file
  // (near 2^63, or far below it), which no stub explains: that entry alone is reported, the other read.
  for (const uint8_t top : {0x7F, 0x00}) {
    ZEntry far{"far.txt", kHello};
    far.extra = {0x01, 0x00, 8, 0, 0xF0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, top};
    Bytes stubbed = ZipArchive({{"near.txt", Text("near")}, far}, Bytes(5000, 'X'), false);
    Put32(stubbed, stubbed.size() - 22 - 46 - 7 - 12 + 42, 0xFFFFFFFF);
    ScopedDir dir("zipfaroff");
    const ZipRun r = RunBytes(stubbed, dir);
    EXPECT_EQ(r.count, 1) << int(top);
    EXPECT_EQ(r.errors, std::vector<int>{msg::BadLocalOffset}) << int(top);
    EXPECT_EQ(AllFiles(dir / "out"), std::vector<fs::path>{"near.txt"}) << int(top);
  }
  // Only local headers: read by them (each entry's method and CRC from its own header), unless the
  // handler keeps its Cancel.
  const std::vector<ZEntry> localEntries = {
      {"a.txt", kHello}, {"empty.txt", {}}, Deflated("c.txt", Text("packed")), {"b.txt", Text("bee")}};
  Bytes local = ZipArchive(localEntries);
  local.resize(local.size() - 22 - 4 * 46 - 24);
  for (bool handler : {false, true}) {
    SCOPED_TRACE(handler);
    ScopedDir dir("ziplocal");
    const ZipRun r = RunBytes(local, dir, [&](ZipExtractor& z) {
      if (handler) z.OnCorruptZipHeader = [](ZipExtractor&, HeaderTypeState, bool&) {};
    });
    EXPECT_EQ(r.count, handler ? 0 : 4);
    for (const ZEntry& e : localEntries) EXPECT_EQ(ReadAll(dir / "out" / e.name), handler ? Bytes() : e.data) << e.name;
    EXPECT_EQ(AllFiles(dir / "out").size(), handler ? 0u : 4u);
    // Without an end record the archive was cut short: what was whole is kept, the damage is reported.
    EXPECT_EQ(r.Has(msg::BadFileHeader), !handler);
  }
  // Local headers closed by an end record but no central directory: whole, read with no damage reported.
  Bytes ended = local;
  Append(ended, EndRecord(0, 4, 0, uint32_t(local.size())));
  {
    ScopedDir dir("zipended");
    const ZipRun r = RunBytes(ended, dir);
    EXPECT_EQ(r.count, 4);
    EXPECT_EQ(ReadAll(dir / "out" / "a.txt"), kHello);
    EXPECT_TRUE(r.errors.empty());
    // The mask chooses among the entries found by their local headers.
    const ZipRun masked = RunZip(dir / "in.zip", dir / "masked", [](ZipExtractor& z) { z.FileSpec = {"b.txt"}; });
    EXPECT_EQ(masked.count, 1);
    EXPECT_EQ(AllFiles(dir / "masked"), std::vector<fs::path>{"b.txt"});
  }
  // An entry with a trailing descriptor cannot be measured without the central directory.
  Bytes described = ZipArchive({{"d.txt", kHello, 0, 0, true}});
  described.resize(described.size() - 22 - 46 - 5);
  ScopedDir dir("zipdesc");
  const ZipRun r = RunBytes(described, dir);
  EXPECT_EQ(r.count, 0);
  EXPECT_TRUE(AllFiles(dir / "out").empty());
  // An entry whose Zip64 sizes run far past the end of the file (near 2^63) is the last one the walk finds;
  // the ones before it are read.
  ZEntry huge{"huge.txt", kHello, 14, 0, false, true};
  Bytes unbounded = ZipArchive({{"first.txt", Text("first")}, huge, {"after.txt", Text("after")}});
  unbounded.resize(unbounded.size() - 22 - 3 * 46 - 9 - 8 - 9 - 20);
  const size_t hugeExtra = 30 + 9 + 5 + 30 + 8;
  Put32(unbounded, hugeExtra + 4, 0xFFFFFFFF);
  Put32(unbounded, hugeExtra + 8, 0x7FFFFFFF);
  Put32(unbounded, hugeExtra + 12, 0xFFFFFFF0);
  Put32(unbounded, hugeExtra + 16, 0x7FFFFFFF);
  ScopedDir far("ziphuge");
  const ZipRun cut = RunBytes(unbounded, far);
  EXPECT_EQ(cut.count, 1);
  EXPECT_EQ(cut.errors, (std::vector<int>{msg::BadFileHeader, msg::UnsupportedMethod}));
  EXPECT_EQ(AllFiles(far / "out"), std::vector<fs::path>{"first.txt"});
}

// A central header that points at another entry's local header, or into another entry's data, lists an entry the
// archive does not hold: it is reported and not written, and the user's file in its place stays as it was. Of two
// entries that share their bytes the one that begins first keeps them, whatever order the directory lists them in.
TEST(ZipReader, EntriesInsideAnotherEntryAreNotWritten) {
  const ZEntry a{"a.txt", Text("first entry")}, b{"b.txt", Text("second entry")};
  // An entry stored whole inside another's data: its own local header and data are the outer entry's bytes.
  const ZEntry inner{"inner.txt", Text("inside")};
  const uint32_t innerAt = 30 + 9;
  const ZEntry outer{"outer.bin", Parts({inner}, {innerAt}).locals[0]};
  auto archiveOf = [](const std::vector<ZEntry>& entries, const std::vector<uint32_t>& offsets, const Bytes& data) {
    const Built built = Parts(entries, offsets);
    Bytes out = data;
    Append(out, built.central);
    Append(out, EndRecord(0, entries.size(), built.central.size(), uint32_t(data.size())));
    return out;
  };
  const Built ab = Parts({a, b}, {0, 0});
  const Bytes abData = [&] {
    Bytes d = ab.locals[0];
    Append(d, ab.locals[1]);
    return d;
  }();
  const struct {
    const char* what;
    Bytes archive;
    std::vector<int> errors;
    std::vector<std::string> verdicts;
    std::map<std::string, Bytes> files;  // what the folder holds afterwards
  } cases[] = {
      {"the second entry's offset is the first's",
       archiveOf({a, b}, {0, 0}, abData),
       {msg::BadFileHeader},
       {"a.txt:ok"},
       {{"a.txt", a.data}, {"b.txt", Text("mine")}}},
      {"the first entry's offset is the second's",
       archiveOf({a, b}, {uint32_t(ab.locals[0].size()), uint32_t(ab.locals[0].size())}, abData),
       {msg::BadFileHeader},
       {"b.txt:ok"},
       {{"b.txt", b.data}}},
      {"one entry listed twice",
       archiveOf({a, a}, {0, 0}, ab.locals[0]),
       {msg::BadLocalOffset},
       {"a.txt:ok"},
       {{"a.txt", a.data}, {"b.txt", Text("mine")}}},
      {"an entry inside another's data, listed first",
       archiveOf({inner, outer}, {innerAt, 0}, Parts({outer}, {0}).locals[0]),
       {msg::BadLocalOffset},
       {"outer.bin:ok"},
       {{"outer.bin", outer.data}, {"b.txt", Text("mine")}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScopedDir dir("zipinside");
    fs::create_directories(dir / "out");
    WriteAll(dir / "out" / "b.txt", Text("mine"));
    const ZipRun r = RunBytes(c.archive, dir);
    EXPECT_EQ(r.errors, c.errors);
    EXPECT_EQ(r.verdicts, c.verdicts);
    EXPECT_EQ(r.count, 1);
    EXPECT_TRUE(r.ProgressEndsFull());
    std::map<std::string, Bytes> files;
    for (const fs::path& f : AllFiles(dir / "out")) files[f.string()] = ReadAll(dir / "out" / f);
    EXPECT_EQ(files, c.files);
  }
}

// A broken download: the archive stops inside a header, an entry's data or the central directory. The entries
// read whole are kept, and the run reports the damage however the cut fell.
TEST(ZipReader, ArchivesCutShortAreDamagedAndKeepTheWholeEntries) {
  std::vector<ZEntry> entries;
  for (char c = 'a'; c <= 'd'; ++c) entries.push_back({std::string(1, c) + ".txt", Text(std::string(100, c))});
  const Bytes whole = ZipArchive(entries);
  const size_t local = 30 + 5 + 100;
  const struct {
    const char* what;
    size_t length;
    int count;
    std::vector<int> errors;
  } cases[] = {
      {"inside the third header", 2 * local + 26, 2, {msg::BadFileHeader}},
      {"inside the third name", 2 * local + 32, 2, {msg::BadFileHeader}},
      {"inside the third entry's data", 2 * local + 60, 2, {msg::BadFileHeader, msg::CrcError}},
      {"after the last entry's data", 4 * local, 4, {msg::BadFileHeader}},
      {"inside the central directory", 4 * local + 50, 4, {msg::BadFileHeader}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScopedDir dir("zipcut");
    const ZipRun r = RunBytes(Bytes(whole.begin(), whole.begin() + long(c.length)), dir);
    EXPECT_EQ(r.count, c.count);
    EXPECT_EQ(r.errors, c.errors);
    for (int i = 0; i < c.count; ++i)
      EXPECT_EQ(ReadAll(dir / "out" / entries[size_t(i)].name), entries[size_t(i)].data);
    EXPECT_EQ(AllFiles(dir / "out").size(), size_t(c.count));
  }
}

TEST(ZipReader, DamagedCentralDirectoryIsReportedAndTheLocalHeadersStillRead) {
  // Six entries, the first two written with a trailing descriptor (their size only in the central
  // header, which lists them whatever the damage): the first with Zip64 sizes, the second without
  // the descriptor's signature.
  std::vector<ZEntry> entries;
  for (char c = 'a'; c <= 'f'; ++c) entries.push_back({std::string(1, c) + ".txt", Text(std::string(40, c))});
  entries[0].descriptor = entries[1].descriptor = true;
  entries[0].zip64 = true;
  entries[1].descriptorSignature = false;
  const Bytes good = ZipArchive(entries);
  std::vector<size_t> central;
  for (size_t i = 0; i + 4 <= good.size(); ++i)
    if (good[i] == 'P' && good[i + 1] == 'K' && good[i + 2] == 1 && good[i + 3] == 2) central.push_back(i);
  ASSERT_EQ(central.size(), 6u);
  const size_t end = good.size() - 22;
  // The same behind the Zip64 end record and its locator, as `zip -fz` writes them.
  Bytes zip64(good.begin(), good.begin() + long(end));
  const size_t zip64End = end;
  Le(zip64, 0x06064B50, 4);
  Le(zip64, 44, 8);
  Le(zip64, 45, 2);
  Le(zip64, 45, 2);
  Le(zip64, 0, 8);
  Le(zip64, 6, 8);
  Le(zip64, 6, 8);
  Le(zip64, Get32(good, end + 12), 8);
  Le(zip64, Get32(good, end + 16), 8);
  Le(zip64, 0x07064B50, 4);
  Le(zip64, 0, 4);
  Le(zip64, zip64End, 8);
  Le(zip64, 1, 4);
  Append(zip64, Bytes(good.begin() + long(end), good.end()));
  auto put64 = [](Bytes& a, size_t at, uint64_t v) {
    Put32(a, at, uint32_t(v));
    Put32(a, at + 4, uint32_t(v >> 32));
  };
  const struct {
    const char* what;
    std::function<void(Bytes&)> damage;
    bool zip64 = false;
  } cases[] = {
      {"signature of the fourth header", [&](Bytes& a) { a[central[3] + 2] = 9; }},
      {"name length of the third header", [&](Bytes& a) { Put16(a, central[2] + 28, 12); }},
      {"end record counting eight", [&](Bytes& a) { Put16(a, end + 8, 8), Put16(a, end + 10, 8); }},
      // A directory offset no file reaches: the directory is read where its size from the end puts it.
      {"Zip64 directory offset near 2^63", [&](Bytes& a) { put64(a, zip64End + 48, 0xFFFFFFFFFFFFFF00u); }, true},
      {"Zip64 directory offset below 2^63", [&](Bytes& a) { put64(a, zip64End + 48, 0x7FFFFFFFFFFFFFF0u); }, true},
      {"Zip64 directory offset past the end", [&](Bytes& a) { put64(a, zip64End + 48, a.size() + 1); }, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes damaged = c.zip64 ? zip64 : good;
    c.damage(damaged);
    ScopedDir dir("zipcentral");
    const ZipRun r = RunBytes(damaged, dir);
    EXPECT_EQ(r.errors, std::vector<int>{msg::BadFileHeader});
    EXPECT_EQ(r.count, 6);
    for (const ZEntry& e : entries) EXPECT_EQ(ReadAll(dir / "out" / e.name), e.data) << e.name;
  }
}

TEST(ZipReader, PasswordsFromTheListThenFromTheEvent) {
  ZEntry one{"one.txt", kHello};
  one.password = "secret";
  ZEntry two{"two.txt", Text("second")};
  two.password = "secret";
  const Bytes archive = ZipArchive({one, two});
  {
    // A wrong and then a right password in the list: no event needed.
    ScopedDir dir("zippw");
    const ZipRun r = RunBytes(archive, dir, [](ZipExtractor& z) { z.Passwords = {"wrong", "secret"}; });
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(ReadAll(dir / "out" / "two.txt"), Text("second"));
  }
  {
    // A second run of the same reader keeps no password of the first once the list is emptied.
    ScopedDir dir("zippwagain");
    WriteAll(dir / "in.zip", archive);
    ZipExtractor z;
    z.SetArchiveFile((dir / "in.zip").string());
    z.FileSpec = {"*.*"};
    z.Passwords = {"secret"};
    z.SetExtractDir((dir / "out1").string());
    EXPECT_EQ(z.Extract(), 2);
    z.Passwords.clear();
    z.PasswordAttempts = 0;
    z.SetExtractDir((dir / "out2").string());
    EXPECT_EQ(z.Extract(), 0);
    EXPECT_TRUE(AllFiles(dir / "out2").empty());
  }
  {
    // The event's password fits and stays current for the next entry; it goes to the list's front.
    ScopedDir dir("zippwevent");
    int asked = 0;
    std::vector<std::string> after;
    const ZipRun r = RunBytes(archive, dir, [&](ZipExtractor& z) {
      z.Passwords = {"wrong"};
      z.OnGetPassword = [&](ZipExtractor& zz, const std::string&, std::string& pw, SeedKeyRecord&, SeedKeyRecord&,
                            bool&) {
        pw = ++asked == 1 ? "bad" : "secret";
        after = zz.Passwords;
      };
      z.OnEnd = [&](ArchiveContext& c, const std::string&, bool) { after = static_cast<ZipExtractor&>(c).Passwords; };
    });
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(r.Has(msg::InvalidPassword));
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(after.front(), "secret");
  }
  // No password fits: nothing is written, nothing counted. Attempts 0 never asks; a handler that gives
  // up is asked once an entry; no handler at all is reported.
  const struct {
    const char* what;
    int attempts;
    bool handler, giveUp;
    int asked;
    std::vector<int> perEntry;
  } noFit[] = {
      {"no attempts", 0, true, false, 0, {msg::CrcError}},
      {"three attempts",
       3,
       true,
       false,
       6,
       {msg::InvalidPassword, msg::InvalidPassword, msg::InvalidPassword, msg::CrcError}},
      {"the handler gives up", 3, true, true, 2, {msg::InvalidPassword, msg::CrcError}},
      {"no handler", 3, false, false, 0, {msg::EventNotAssigned, msg::CrcError}},
  };
  for (const auto& c : noFit) {
    SCOPED_TRACE(c.what);
    ScopedDir dir("zipnopw");
    int asked = 0;
    const ZipRun r = RunBytes(archive, dir, [&](ZipExtractor& z) {
      z.PasswordAttempts = c.attempts;
      if (c.handler)
        z.OnGetPassword = [&](ZipExtractor&, const std::string&, std::string& pw, SeedKeyRecord&, SeedKeyRecord&,
                              bool& tryAgain) {
          ++asked;
          pw = "nope";
          tryAgain = !c.giveUp;
        };
    });
    EXPECT_EQ(r.count, 0);
    EXPECT_EQ(asked, c.asked);
    EXPECT_TRUE(AllFiles(dir / "out").empty());
    std::vector<int> both = c.perEntry;
    both.insert(both.end(), c.perEntry.begin(), c.perEntry.end());
    EXPECT_EQ(r.errors, both);
  }
}

// Whether an entry is enciphered the strong way is told by its local header, as the rest of its description is:
// a strong-encryption flag in the central header alone, over data enciphered the traditional way, is no refusal.
TEST(ZipReader, TheStrongEncryptionFlagCountsFromTheLocalHeader) {
  ZEntry secret{"secret.txt", kHello};
  secret.password = "pw";
  const Bytes plain = ZipArchive({secret, ZEntry{"ok.txt", Text("fine")}});
  const size_t central = plain.size() - 22 - 2 * 46 - 10 - 6;
  ASSERT_EQ(plain[central + 2], 1);
  ASSERT_EQ(plain[central + 3], 2);
  const size_t localFlags = 6, centralFlags = central + 8;
  const struct {
    const char* what;
    std::vector<size_t> marked;
    bool extracted;
  } cases[] = {
      {"central header only", {centralFlags}, true},
      {"local header only", {localFlags}, false},
      {"both headers", {localFlags, centralFlags}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes archive = plain;
    for (const size_t at : c.marked) archive[at] |= 0x40;
    ScopedDir dir("zipstrong");
    const ZipRun r = RunBytes(archive, dir, [](ZipExtractor& z) { z.Passwords = {"pw"}; });
    EXPECT_EQ(r.count, c.extracted ? 2 : 1);
    EXPECT_EQ(r.Has(msg::UnsupportedPassword), !c.extracted);
    EXPECT_EQ(ReadAll(dir / "out" / "secret.txt"), c.extracted ? kHello : Bytes{});
    EXPECT_EQ(ReadAll(dir / "out" / "ok.txt"), Text("fine"));
  }
}

// A symbolic link already inside the target folder leads no entry outside it: not to replace a file there, not
// to make a folder there. The entry fails; the others are written.
TEST(ZipReader, LinksInsideTheTargetFolderAreNeverFollowed) {
  const struct {
    const char* name;
    int code;
  } cases[] = {
      {"presym/victim.txt", msg::OpenError},
      {"presym/x/y", msg::OpenError},
      {"presym/made/", msg::UnableCreateDir},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedDir dir("ziplinks");
    fs::create_directories(dir / "outside");
    WriteAll(dir / "outside" / "victim.txt", Text("mine"));
    fs::create_directories(dir / "out");
    fs::create_directory_symlink("../outside", dir / "out" / "presym");
    const bool folder = std::string(c.name).ends_with('/');
    const ZipRun r = RunBytes(ZipArchive({{c.name, folder ? Bytes{} : Text("evil")}, {"ok.txt", Text("fine")}}), dir,
                              [](ZipExtractor& z) { z.CreateStoredDirs = true; });
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(r.errors, (std::vector<int>{c.code, msg::CrcError}));
    EXPECT_EQ(std::count(r.verdicts.begin(), r.verdicts.end(), "ok.txt:ok"), 1);
    EXPECT_EQ(r.verdicts.size(), 2u);
    EXPECT_EQ(AllFiles(dir / "outside"), std::vector<fs::path>{"victim.txt"});
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "outside"), fs::directory_iterator()), 1);
    EXPECT_EQ(ReadAll(dir / "outside" / "victim.txt"), Text("mine"));
    EXPECT_EQ(ReadAll(dir / "out" / "ok.txt"), Text("fine"));
  }
}

// AE-1 keeps the CRC beside the authentication code, and both must hold. The peer's AE-2 entries are made AE-1
// (the code covers only the ciphertext, so it stays good), once with their real CRC and once with a wrong one.
TEST(ZipReader, AeOneEntriesNeedTheirCrcBesideAGoodAuthenticationCode) {
  const Bytes peer = ReadAll(fs::path(CORVINA_TESTDATA) / "zip-peers" / "zip2" / "aes_archive.zip");
  if (peer.empty()) GTEST_SKIP() << "peer archives not present";
  const uint32_t realCrc = 0x5f29d461;
  for (const uint32_t crc : {realCrc, realCrc ^ 1}) {
    SCOPED_TRACE(crc);
    Bytes a = peer;
    int patched = 0;
    auto get16 = [&](size_t at) { return size_t(a[at] | a[at + 1] << 8); };
    // Local headers keep their CRC at 14 and their extra after 30 bytes; central ones at 16 and after 46.
    for (const auto& [signature, crcAt, fixed, nameAt, extraAt] :
         {std::tuple{0x04034B50u, 14, 30, 26, 28}, std::tuple{0x02014B50u, 16, 46, 28, 30}}) {
      for (size_t at = 0; at + size_t(fixed) <= a.size(); ++at) {
        if ((a[at] | a[at + 1] << 8 | a[at + 2] << 16 | uint32_t(a[at + 3]) << 24) != signature) continue;
        size_t x = at + size_t(fixed) + get16(at + size_t(nameAt));
        const size_t end = x + get16(at + size_t(extraAt));
        for (; x + 4 <= end && end <= a.size(); x += 4 + get16(x + 2)) {
          if (get16(x) != 0x9901) continue;
          a[x + 4] = 1;  // vendor version: AE-1
          a[x + 5] = 0;
          Put32(a, at + size_t(crcAt), crc);
          ++patched;
        }
      }
    }
    ASSERT_EQ(patched, 8);  // four entries, each in its local and its central header
    ScopedDir dir("zipae1");
    const ZipRun r = RunBytes(a, dir, [](ZipExtractor& z) { z.Passwords = {"helloworld"}; });
    if (crc == realCrc) {
      EXPECT_EQ(r.count, 4);
      EXPECT_TRUE(r.errors.empty());
      EXPECT_EQ(Crc32(ReadAll(dir / "out" / "secret_data_256")), realCrc);
    } else {
      EXPECT_EQ(r.count, 0);
      EXPECT_EQ(r.errors, std::vector<int>(4, msg::CrcError));
      EXPECT_TRUE(AllFiles(dir / "out").empty());
    }
  }
}

// AE-2 stores no CRC: the authentication code alone judges the entry, so one altered byte of its
// ciphertext fails it, and nothing of it stays on disk.
TEST(ZipReader, AeTwoEntryWithAlteredCiphertextFails) {
  const Bytes peer = ReadAll(fs::path(CORVINA_TESTDATA) / "zip-peers" / "zip2" / "aes_archive.zip");
  if (peer.empty()) GTEST_SKIP() << "peer archives not present";
  // The first local header's data: salt (8 to 16 bytes) and verifier, then the ciphertext. Its extra
  // field is the AES record alone; an entry of another vendor than "AE" has no password that fits.
  ASSERT_EQ(peer[0] | peer[1] << 8 | peer[2] << 16 | uint32_t(peer[3]) << 24, 0x04034B50u);
  const size_t extra = 30 + size_t(peer[26] | peer[27] << 8);
  const size_t data = extra + size_t(peer[28] | peer[29] << 8);
  ASSERT_EQ(Get16(peer, extra), 0x9901u);
  for (const size_t at : {data + 16 + 2 + 3, extra + 7}) {
    SCOPED_TRACE(at);
    Bytes a = peer;
    a[at] ^= 0x20;
    ScopedDir dir("zipae2");
    const ZipRun r = RunBytes(a, dir, [](ZipExtractor& z) { z.Passwords = {"helloworld"}; });
    EXPECT_EQ(r.count, 3);
    EXPECT_EQ(r.errors, std::vector<int>{msg::CrcError});
    EXPECT_EQ(r.verdicts.front(), "secret_data_128:fail");
    EXPECT_EQ(AllFiles(dir / "out").size(), 3u);
  }
}

namespace {
// A split set: x.z01 (marker + entry 1 + first half of entry 2), x.z02 (rest of entry 2 + entry 3),
// x.zip (central directory).
void WriteSplitSet(const fs::path& dir, const char* secondName = "x.z02", const Bytes& third = Text("third")) {
  const Bytes big(3000, 'q');
  std::vector<ZEntry> entries = {{"a.txt", kHello}, {"b.bin", big}, {"c.txt", third}};
  const Built sizes = Parts(entries, {0, 0, 0});
  entries[1].disk = 0;
  entries[2].disk = 1;
  const uint32_t offA = 4, offB = uint32_t(4 + sizes.locals[0].size());
  const size_t cut = 1000;
  const uint32_t offC = uint32_t(sizes.locals[1].size() - cut);
  const Built b = Parts(entries, {offA, offB, offC});
  Bytes firstVolume{0x50, 0x4B, 0x07, 0x08};
  Append(firstVolume, b.locals[0]);
  firstVolume.insert(firstVolume.end(), b.locals[1].begin(), b.locals[1].begin() + long(cut));
  Bytes secondVolume(b.locals[1].begin() + long(cut), b.locals[1].end());
  Append(secondVolume, b.locals[2]);
  Bytes last = b.central;
  Append(last, EndRecord(2, 3, b.central.size(), 0));
  WriteAll(dir / "x.z01", firstVolume);
  WriteAll(dir / secondName, secondVolume);
  WriteAll(dir / "x.zip", last);
}
}  // namespace

TEST(ZipReader, SplitVolumeEventsDecideMissingVolumes) {
  ScopedDir dir("zipsplitmiss");
  WriteSplitSet(dir.path(), "moved.z02");
  {
    // Without a handler the run is cancelled with 25276.
    const ZipRun r = RunZip(dir / "x.zip", dir / "out1");
    EXPECT_EQ(r.count, 0);
    EXPECT_EQ(r.errors, (std::vector<int>{msg::EventNotAssigned, msg::UserCanceled}));
  }
  {
    // Disk d is volume d + 1, asked for only when the open one changes: once for a.txt and
    // b.bin, once where b.bin goes on, not again for c.txt. A name that does not exist is
    // asked about again; the first existing one is taken.
    std::vector<std::string> offered;
    const ZipRun r = RunZip(dir / "x.zip", dir / "out2", [&](ZipExtractor& z) {
      EXPECT_EQ(z.ArchiveType, ArchiveFormat::ZipMVol);
      z.OnNextVolume = [&](ZipExtractor&, std::string& name, int id, bool exists, bool&) {
        offered.push_back(std::to_string(id) + fs::path(name).filename().string() + (exists ? "+" : "-"));
        if (id == 2) name = (dir / (offered.size() == 2 ? "missing.z02" : "moved.z02")).string();
      };
    });
    EXPECT_EQ(r.count, 3);
    EXPECT_EQ(offered, (std::vector<std::string>{"1x.z01+", "2x.z02-", "2missing.z02-"}));
    EXPECT_EQ(ReadAll(dir / "out2" / "b.bin"), Bytes(3000, 'q'));
    EXPECT_EQ(ReadAll(dir / "out2" / "c.txt"), Text("third"));
  }
  {
    // An entry whose data runs past the last volume (its own volume cut short) fails there: no
    // volume beyond the set is asked for.
    ScopedDir cut("zipsplitcut");
    WriteSplitSet(cut.path(), "x.z02", Bytes(3000, 'r'));
    fs::resize_file(cut / "x.z02", fs::file_size(cut / "x.z02") - 2900);
    std::vector<std::string> offered;
    const ZipRun r = RunZip(cut / "x.zip", cut / "out", [&](ZipExtractor& z) {
      z.OnNextVolume = [&](ZipExtractor&, std::string& name, int id, bool exists, bool&) {
        offered.push_back(std::to_string(id) + fs::path(name).filename().string() + (exists ? "+" : "-"));
      };
    });
    EXPECT_EQ(offered, (std::vector<std::string>{"1x.z01+", "2x.z02+", "3x.zip+"}));
    EXPECT_EQ(r.verdicts, (std::vector<std::string>{"a.txt:ok", "b.bin:ok", "c.txt:fail"}));
    EXPECT_EQ(r.errors, std::vector<int>{msg::CrcError});
    EXPECT_EQ(AllFiles(cut / "out").size(), 2u);
  }
  {
    // The first volume by itself, without a handler: the entry it holds whole, nothing asked.
    const ZipRun r = RunZip(dir / "x.z01", dir / "out4");
    EXPECT_FALSE(r.Has(msg::EventNotAssigned));
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(AllFiles(dir / "out4"), std::vector<fs::path>{"a.txt"});
  }
  // Cancel gives 25443: the entry that needed the volume is lost, and the walk ends at the next
  // entry on that volume, asked for once more.
  const ZipRun r = RunZip(dir / "x.zip", dir / "out3", [&](ZipExtractor& z) {
    z.OnNextVolume = [&](ZipExtractor&, std::string&, int id, bool, bool& cancel) { cancel = id == 2; };
  });
  EXPECT_EQ(r.errors, (std::vector<int>{msg::UserCanceled, msg::CrcError, msg::UserCanceled}));
  EXPECT_EQ(r.verdicts, (std::vector<std::string>{"a.txt:ok", "b.bin:fail"}));
  EXPECT_EQ(r.count, 1);
  EXPECT_TRUE(fs::exists(dir / "out3" / "a.txt"));
  EXPECT_FALSE(fs::exists(dir / "out3" / "b.bin"));
}

namespace {
Bytes Noise(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& x : b) x = uint8_t(rng());
  return b;
}

// Runs Info-ZIP's zip in `dir`; false when it is not installed or fails.
bool InfoZip(const fs::path& dir, const std::string& args) {
  if (std::system("command -v zip >/dev/null 2>&1") != 0) return false;
  return std::system(("cd '" + dir.string() + "' && zip -q -X " + args + " >/dev/null 2>&1").c_str()) == 0;
}

void TakeEveryVolume(ZipExtractor& z) {
  z.OnNextVolume = [](ZipExtractor&, std::string&, int, bool exists, bool& cancel) { cancel = !exists; };
}
}  // namespace

TEST(ZipReader, InfoZipSplitSetsWhateverTheirVolumesBeginWith) {
  ScopedDir dir("infozipsplit");
  // a.bin fills the first 64 KiB volume to its last byte (marker, header and name before it),
  // so b.txt's local header opens the last volume, the one that holds the end record.
  const Bytes a = Noise(65536 - 4 - 30 - 5, 1);
  WriteAll(dir / "a.bin", a);
  WriteAll(dir / "b.txt", Text("second entry\n"));
  // Another set: small.txt wholly in the first volume, big.bin going on into the last.
  WriteAll(dir / "small.txt", kHello);
  WriteAll(dir / "big.bin", Noise(100000, 2));
  if (!InfoZip(dir.path(), "-0 -s 64k set.zip a.bin b.txt") ||
      !InfoZip(dir.path(), "-0 -s 64k two.zip small.txt big.bin"))
    GTEST_SKIP() << "Info-ZIP zip is not installed";
  ASSERT_EQ(fs::file_size(dir / "set.z01"), 65536u);
  const Bytes last = ReadAll(dir / "set.zip");
  ASSERT_EQ(Bytes(last.begin(), last.begin() + 4), Bytes({'P', 'K', 3, 4}));

  // The end record's disk number makes it a set, whatever the last volume begins with.
  ZipExtractor probe;
  probe.SetArchiveFile((dir / "set.zip").string());
  EXPECT_EQ(probe.ArchiveType, ArchiveFormat::ZipMVol);
  ZipRun r = RunZip(dir / "set.zip", dir / "out1", TakeEveryVolume);
  EXPECT_EQ(r.count, 2);
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(ReadAll(dir / "out1/a.bin"), a);
  EXPECT_EQ(ReadAll(dir / "out1/b.txt"), Text("second entry\n"));

  // A first volume opened by itself gives the entries it holds whole, without asking for others.
  r = RunZip(dir / "set.z01", dir / "out2");
  EXPECT_EQ(r.count, 1);
  EXPECT_FALSE(r.Has(msg::EventNotAssigned));
  EXPECT_EQ(ReadAll(dir / "out2/a.bin"), a);
  r = RunZip(dir / "two.z01", dir / "out3");
  EXPECT_EQ(r.count, 1);
  EXPECT_FALSE(r.Has(msg::EventNotAssigned));
  EXPECT_EQ(r.verdicts, (std::vector<std::string>{"small.txt:ok", "big.bin:fail"}));
  EXPECT_EQ(AllFiles(dir / "out3"), std::vector<fs::path>{"small.txt"});
}

namespace {
// One removable drive whose disk the test swaps: the label carries the disk's number.
struct FakeDrive : DiskQuery {
  explicit FakeDrive(int& disk) : disk(disk) {}
  std::string DriveOf(const std::string&) override { return "/media/fake"; }
  bool IsDiskInDrive(const std::string&) override { return true; }
  bool ReadVolumeInfo(const std::string&, VolumeInfo& info) override {
    char label[16];
    std::snprintf(label, sizeof label, "PKBACK# %03d", disk);
    info.Label = label;
    return true;
  }
  DriveKind DriveTypeOf(const std::string&) override { return DriveKind::Removable; }
  bool ReadDiskSpace(const std::string&, int64_t& f, int64_t& t) override { return (f = t = 0) == 0; }
  int& disk;
};
}  // namespace

TEST(ZipReader, SpannedDisksAreAskedForInTurn) {
  // Disk 1: the entries; disk 2: the central directory and the end record.
  ScopedDir dir("zipspan");
  const std::vector<ZEntry> entries = {{"a.txt", kHello}, {"b.txt", Text("bee")}};
  const Built sizes = Parts(entries, {0, 0});
  const Built b = Parts(entries, {4, uint32_t(4 + sizes.locals[0].size())});
  Bytes first{0x50, 0x4B, 0x07, 0x08};
  for (const Bytes& l : b.locals) Append(first, l);
  Bytes last = b.central;
  Append(last, EndRecord(1, 2, b.central.size(), 0));
  int disk = 2;
  const fs::path archive = dir / "span.zip";
  WriteAll(archive, last);
  std::vector<std::string> events;
  // A run that starts with the last disk in the drive, as a spanned set is opened.
  auto startWithLastDisk = [&](ZipExtractor& zip, const Bytes& lastDisk, const char* out, int number = 2) {
    disk = number;
    WriteAll(archive, lastDisk);
    events.clear();
    zip.DiskManager = std::make_unique<DriveVolumeManager>(std::make_unique<FakeDrive>(disk));
    zip.SetArchiveFile(archive.string());
    zip.SetExtractDir((dir / out).string());
    zip.FileSpec = {"*.*"};
    zip.OnGetZipLastDisk = [&](ZipExtractor&, bool&) { events.push_back("last"); };
  };
  for (bool cancelFirst : {false, true}) {
    SCOPED_TRACE(cancelFirst);
    ZipExtractor zip;
    startWithLastDisk(zip, last, cancelFirst ? "out2" : "out1");
    ASSERT_EQ(zip.ArchiveType, ArchiveFormat::ZipSpan);
    zip.OnGetZipFirstDisk = [&](ZipExtractor&, bool& cancel) {
      events.push_back("first");
      if (cancelFirst) return;
      disk = 1;
      WriteAll(archive, first);
      cancel = false;
    };
    zip.OnGetZipNextDisk = [&](ZipExtractor&, const std::string& n, bool&) { events.push_back("next " + n); };
    const int count = zip.Extract();
    EXPECT_EQ(count, cancelFirst ? 0 : 2);
    EXPECT_EQ(events, std::vector<std::string>{"first"});
    if (!cancelFirst) {
      EXPECT_EQ(ReadAll(dir / "out1" / "b.txt"), Text("bee"));
    }
  }
  // An entry that goes on over three disks: each next disk is asked for by its number, and a disk
  // still in the drive is not taken for the wanted one although it begins with a header signature.
  {
    const std::vector<ZEntry> two = {{"a.txt", kHello}, {"long.bin", Noise(5000, 3)}};
    const Built sz = Parts(two, {0, 0});
    const Built p = Parts(two, {4, uint32_t(4 + sz.locals[0].size())});
    const auto piece = [&](size_t from, size_t to) {
      return Bytes(p.locals[1].begin() + long(from), p.locals[1].begin() + long(to));
    };
    Bytes disk1{0x50, 0x4B, 0x07, 0x08};
    Append(disk1, p.locals[0]);
    Append(disk1, piece(0, 1000));
    const Bytes disk2 = piece(1000, 3000);
    Bytes disk3 = piece(3000, p.locals[1].size());
    const uint32_t cdAt = uint32_t(disk3.size());
    Append(disk3, p.central);
    Append(disk3, EndRecord(2, 2, p.central.size(), cdAt));
    const std::vector<const Bytes*> disks = {&disk1, &disk2, &disk3};
    ZipExtractor zip;
    startWithLastDisk(zip, disk3, "out4", 3);
    ASSERT_EQ(zip.ArchiveType, ArchiveFormat::ZipSpan);
    zip.OnGetZipFirstDisk = [&](ZipExtractor&, bool& cancel) {
      events.push_back("first");
      disk = 1;
      WriteAll(archive, disk1);
      cancel = false;
    };
    zip.OnGetZipNextDisk = [&](ZipExtractor&, const std::string& n, bool& cancel) {
      events.push_back("next " + n);
      // The first time disk 2 is asked for, the user inserts a disk of that number without the
      // archive's file; the first time disk 3 is, the user leaves disk 2 in the drive.
      const auto asked = std::count(events.begin(), events.end(), "next " + n);
      if (n == "2" && asked == 1) {
        disk = 2;
        fs::remove(archive);
      } else if (n != "3" || asked > 1) {
        disk = std::stoi(n);
        WriteAll(archive, *disks[size_t(disk - 1)]);
      }
      cancel = false;
    };
    std::vector<int> errors;
    zip.OnError = [&](ArchiveContext&, const std::string&, const std::string&, const std::string&, int code) {
      errors.push_back(code);
    };
    EXPECT_EQ(zip.Extract(), 2);
    EXPECT_EQ(events, (std::vector<std::string>{"first", "next 2", "next 2", "next 3", "next 3"}));
    EXPECT_EQ(errors, std::vector<int>{msg::OpenError});
    EXPECT_EQ(ReadAll(dir / "out4" / "a.txt"), kHello);
    EXPECT_EQ(ReadAll(dir / "out4" / "long.bin"), Noise(5000, 3));
  }
  // The first disk in the drive when the last one is wanted: the last-disk event, nothing read.
  disk = 1;
  WriteAll(archive, first);
  ZipExtractor zip;
  zip.DiskManager = std::make_unique<DriveVolumeManager>(std::make_unique<FakeDrive>(disk));
  zip.SetArchiveFile(archive.string());
  zip.ArchiveType = ArchiveFormat::ZipSpan;
  zip.ArchiveOffset = 0;
  zip.DetectFlags = HeaderBit(HeaderType::Central);
  zip.SetExtractDir((dir / "out3").string());
  bool askedLast = false;
  zip.OnGetZipLastDisk = [&](ZipExtractor&, bool&) { askedLast = true; };
  zip.OnGetZipFirstDisk = [](ZipExtractor&, bool&) {};
  EXPECT_EQ(zip.Extract(), 0);
  EXPECT_TRUE(askedLast);
}

TEST(ZipReader, HeadersEncipheredWithTheHeaderKeys) {
  // The library's own variant: the fixed part after the signature and the name are enciphered
  // with the header key set, which starts afresh for every header.
  const std::string name = "hidden.txt";
  Bytes a = ZipArchive({{name, kHello}});
  const size_t local = 0, central = a.size() - 22 - 46 - name.size();
  auto encipher = [&](size_t at, size_t fixed, uint32_t sig) {
    Put32(a, at, sig);
    ZipCrypto c;
    c.ResetHeaderKeys();
    for (size_t i = at + 4; i < at + fixed + name.size(); ++i) {
      const uint8_t plain = a[i];
      a[i] = uint8_t(plain ^ c.KeystreamByte(true));
      c.UpdateKeys(true, plain);
    }
  };
  encipher(local, 30, 0x04034C50);
  encipher(central, 46, 0x02014C50);
  ScopedDir dir("zipenchdr");
  const ZipRun r = RunBytes(a, dir);
  EXPECT_EQ(r.count, 1);
  EXPECT_EQ(ReadAll(dir / "out" / name), kHello);

  // Every signature the variant uses, plain and enciphered, is known only as the kind it is for.
  const struct {
    uint32_t signature;
    HeaderType kind;
    bool enciphered;
  } signatures[] = {
      {0x04034B50, HeaderType::Local, false},   {0x04034D50, HeaderType::Local, false},
      {0x04034C50, HeaderType::Local, true},    {0x04034E50, HeaderType::Local, true},
      {0x02014B50, HeaderType::Central, false}, {0x02014D50, HeaderType::Central, false},
      {0x02014C50, HeaderType::Central, true},  {0x02014E50, HeaderType::Central, true},
      {0x06054B50, HeaderType::Ending, false},  {0x06055B50, HeaderType::Ending, false},
      {0x06054C50, HeaderType::Ending, true},   {0x06055C50, HeaderType::Ending, true},
  };
  for (const auto& sig : signatures) {
    for (const HeaderType wanted : {HeaderType::Local, HeaderType::Central, HeaderType::Ending}) {
      const SignatureClass c = ClassifySignature(sig.signature, wanted);
      const bool known = wanted == sig.kind;
      EXPECT_EQ(c.Kind, known ? sig.kind : HeaderType::None) << std::hex << sig.signature << " " << int(wanted);
      EXPECT_EQ(c.Enciphered, known && sig.enciphered) << std::hex << sig.signature;
    }
  }
  for (const uint32_t other : {0x04034A50u, 0x04034F50u, 0x02014A50u, 0x06054D50u, 0x06056B50u, 0x08074B50u})
    for (const HeaderType wanted : {HeaderType::Local, HeaderType::Central, HeaderType::Ending})
      EXPECT_EQ(ClassifySignature(other, wanted).Kind, HeaderType::None) << std::hex << other;
}

TEST(ZipReader, ExtraFieldRecordsAreReadOnlyInsideThemselves) {
  auto field = [](std::initializer_list<uint8_t> b) { return Bytes(b); };
  const uint32_t ones = 0xFFFFFFFF;
  // Zip64 with both sizes; a Zip64 record too short for the second value; 0x0064 upper parts;
  // an AES record of 6 bytes (too short); a record running past the field.
  const Bytes zip64 = field({1, 0, 16, 0, 5, 0, 0, 0, 1, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0});
  ZipExtra x = ReadExtraField(zip64.data(), zip64.size(), false, ones, ones, 0);
  EXPECT_EQ(x.Uncompressed, 0x100000005u);
  EXPECT_EQ(x.Compressed, 7u);
  x = ReadExtraField(zip64.data(), 12, false, ones, ones, 0);
  EXPECT_FALSE(x.Zip64Uncompressed);  // declared 16 bytes, field holds 8: not read
  const Bytes shortZip64 = field({1, 0, 8, 0, 5, 0, 0, 0, 1, 0, 0, 0});
  x = ReadExtraField(shortZip64.data(), shortZip64.size(), false, ones, ones, 0);
  EXPECT_TRUE(x.Zip64Uncompressed);
  EXPECT_FALSE(x.Zip64Compressed);
  // The central form also holds the offset, after the sizes it replaces.
  const Bytes central64 = field({1, 0, 16, 0, 9, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 0});
  x = ReadExtraField(central64.data(), central64.size(), true, 3, ones, ones);
  EXPECT_EQ(std::tuple(x.Zip64Uncompressed, x.Zip64Compressed, x.Compressed, x.Zip64Offset, x.Offset),
            std::tuple(false, true, 9u, true, 0x200000004u));
  EXPECT_FALSE(ReadExtraField(central64.data(), central64.size(), false, 3, ones, ones).Zip64Offset);
  EXPECT_TRUE(ReadExtraField(field({0x17, 0, 0, 0}).data(), 4, true, 0, 0, 0).Strong);
  const Bytes upper = field({0x64, 0, 6, 0, 1, 0, 2, 0, 3, 0});
  x = ReadExtraField(upper.data(), upper.size(), true, 0, 0, 0);
  EXPECT_EQ(std::tuple(x.HasUpper, x.UpperCompressed, x.UpperUncompressed, x.UpperOffset), std::tuple(true, 1, 2, 3));
  EXPECT_FALSE(ReadExtraField(upper.data(), 9, true, 0, 0, 0).HasUpper);
  const Bytes aesShort = field({0x01, 0x99, 6, 0, 2, 0, 'A', 'E', 3, 8});
  EXPECT_FALSE(ReadExtraField(aesShort.data(), aesShort.size(), true, 0, 0, 0).HasAes);
  const Bytes aes = field({0x01, 0x99, 7, 0, 2, 0, 'A', 'E', 3, 8, 0});
  x = ReadExtraField(aes.data(), aes.size(), true, 0, 0, 0);
  ASSERT_TRUE(x.HasAes);
  EXPECT_EQ(x.AesMethod, 8);

  ZipExtractor z;
  const struct {
    uint16_t version;
    uint8_t strength;
    EncryptionKind kind;
  } kinds[] = {
      {1, 1, EncryptionKind::Ae1Aes128},   {1, 2, EncryptionKind::Ae1Aes192},   {1, 3, EncryptionKind::Ae1Aes256},
      {2, 2, EncryptionKind::Ae2Aes192},   {2, 1, EncryptionKind::Ae2Aes128},   {2, 3, EncryptionKind::Ae2Aes256},
      {3, 1, EncryptionKind::Unsupported}, {2, 0, EncryptionKind::Unsupported}, {2, 4, EncryptionKind::Unsupported}};
  for (const auto& k : kinds) {
    ZipExtra e;
    e.HasAes = true;
    e.AesVersion = k.version;
    e.AesStrength = k.strength;
    EXPECT_EQ(z.EncryptionOf(1, e), k.kind) << k.version << "/" << int(k.strength);
  }
  EXPECT_EQ(z.EncryptionOf(0, ZipExtra{}), EncryptionKind::None);
  EXPECT_EQ(z.EncryptionOf(1, ZipExtra{}), EncryptionKind::Traditional);
}

TEST(ZipReader, DamagedPeerArchivesEndCleanly) {
  const fs::path peers = fs::path(CORVINA_TESTDATA) / "zip-peers";
  if (!fs::exists(peers)) GTEST_SKIP() << "peer archives not present";
  // Every method and cipher, cut short and with bytes flipped through the data.
  const char* names[] = {"zip2/aes_archive.zip",
                         "libarchive/test_read_format_zip_winzip_aes256_large_bzip2.zip",
                         "zip2/legacy/implode.zip",
                         "zip2/legacy/shrink.zip",
                         "zip2/legacy/reduce.zip",
                         "libarchive/test_read_format_zip_bzip2_multi.zipx",
                         "libarchive/test_read_format_zip_traditional_encryption_data.zip",
                         "libarchive/test_read_format_zip_zip64a.zip",
                         "zip2/data_descriptor.zip"};
  auto passwords = [](ZipExtractor& z) { z.Passwords = {"password", "helloworld", "12345678"}; };
  for (const char* name : names) {
    const Bytes original = ReadAll(peers / name);
    if (original.size() > 200000) continue;
    // What the whole archive holds (the peer table vouches for it): a file that a damaged copy writes whole
    // under a name of the archive's holds what the archive holds under that name.
    ScopedDir whole("zipwhole");
    RunBytes(original, whole, passwords);
    for (int variant = 0; variant < 8; ++variant) {
      SCOPED_TRACE(std::string(name) + " #" + std::to_string(variant));
      Bytes damaged = original;
      if (variant < 3) {
        damaged.resize(original.size() * size_t(variant + 1) / 4);
      } else {
        for (size_t i = size_t(variant) * 7; i < damaged.size(); i += 97 + size_t(variant)) damaged[i] ^= 0x5A;
      }
      ScopedDir dir("zipdamaged");
      const ZipRun r = RunBytes(damaged, dir, passwords);
      const auto files = AllFiles(dir / "out");
      EXPECT_GE(size_t(r.count), files.size());
      for (const auto& f : files) {
        EXPECT_FALSE(IsPartialFileName(f.filename().string())) << f;
        if (fs::exists(whole / "out" / f)) {
          EXPECT_EQ(ReadAll(dir / "out" / f), ReadAll(whole / "out" / f)) << f;
        }
      }
    }
  }
}
