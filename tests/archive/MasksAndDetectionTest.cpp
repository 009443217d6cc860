#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
// Entry name masks, archive type detection by signature and the shared routines' edge cases.
#include <gtest/gtest.h>

#include "archive/ArchiveExtractor.h"
#include "archive/Detect.h"
#include "archive/Masks.h"
#include "archive/PeResources.h"
#include "archive/VolumeNames.h"
#include "tests/archive/ArchiveTestUtil.h"

using namespace corvina::archive;
using namespace testutil;

TEST(Masks, MatchingRules) {
  // A reversed range adds nothing; names and masks compare without case, CP932 characters whole. A "*"
  // gives back what it took when the rest does not match ("*ss.txt" takes only the first "s").
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"README", "*.*", true},      {"README", "*.", true},      {"README.TXT", "*.", false},
      {"Bzip", "[!a-c]*", false},   {"dzip", "[!a-c]*", true},   {"aXbXb", "*a*b", true},
      {"aXbXc", "*a*b", false},     {"abcdef", "a?c*", true},    {"Oz050312.TXT", "oz*.txt", true},
      {"表.txt", "表*", true},      {"表.txt", "裏*", false},    {"abc", "[z-a]bc", false},
      {"ｲx", "[ｱ-ｳ]x", true},       {"い", "[あ-う]", false},    {"ä", "Ä", false},
      {"𠮷.txt", "?.txt", true},    {"𠮷.txt", "??.txt", false}, {"x\xFFy", "x?y", true},
      {"x-", "x[a-]", true},        {"xb", "x[a-]", false},      {"ax", "[a-a]x", true},
      {"abc", "abc?", false},       {"ab", "a?c", false},        {"abc", "abc.*", true},
      {"ab.c", "ab.c.*", false},    {"ab.c", "*.", false},       {"a.b.c", "*.c", true},
      {"asss.txt", "*ss.txt", true}};
  for (const auto& [name, mask, matches] : cases) EXPECT_EQ(MaskMatches(name, mask), matches) << name << " " << mask;
}

TEST(Masks, InvalidMasks) {
  EXPECT_THROW(InternalMask(std::string(31, '*') + "a"), InvalidMaskError);
  EXPECT_NO_THROW(InternalMask(std::string(30, '*') + "a"));
  EXPECT_THROW(InternalMask("[]"), InvalidMaskError);
  EXPECT_THROW(InternalMask("[abc"), InvalidMaskError);
  EXPECT_THROW(InternalMask("[!]"), InvalidMaskError);
  try {
    InternalMask m("x[-a]");
    FAIL();
  } catch (const InvalidMaskError& e) {
    EXPECT_STREQ(e.what(), "'x[-a]' is an invalid mask at (3)");  // a range with nothing before it
  }
  try {
    InternalMask m("ab[cd");
    FAIL();
  } catch (const InvalidMaskError& e) {
    EXPECT_STREQ(e.what(), "'ab[cd' is an invalid mask at (6)");
  }
}

TEST(Masks, SelectionWithRecursionAndExclusion) {
  std::vector<std::string> masks{"*.txt"};
  EXPECT_TRUE(IsEntrySelected("sub\\a.txt", masks, true, {}));
  EXPECT_FALSE(IsEntrySelected("sub\\a.txt", masks, false, {}));
  EXPECT_TRUE(IsEntrySelected("a.txt", masks, false, {}));
  // A mask that is the entry's very name selects it, though read as a mask it would not.
  std::vector<std::string> exact{"A[1].TXT"};
  EXPECT_TRUE(IsEntrySelected("a[1].txt", exact, false, {}));
  EXPECT_FALSE(MaskMatches("a[1].txt", "A[1].TXT"));
  std::vector<std::string> empty;
  EXPECT_FALSE(IsEntrySelected("a.txt", empty, true, {}));
  int excluded = 0;
  std::vector<std::string> all{"*.*"};
  EXPECT_FALSE(IsEntrySelected("b.bak", all, true, {"*.bak"}, [&](const std::string&) { ++excluded; }));
  EXPECT_EQ(excluded, 1);
  EXPECT_FALSE(IsEntrySelected("", all, true, {}));

  // A mask with a folder: recursing, it takes that folder's subfolders too; otherwise that folder only.
  const std::tuple<const char*, bool, bool> inSub[] = {{"sub\\a.txt", true, true},
                                                       {"SUB\\deep\\b.txt", true, false},
                                                       {"other\\a.txt", false, false},
                                                       {"sub\\a.bin", false, false}};
  for (const auto& [entry, recursing, flat] : inSub) {
    std::vector<std::string> sub{"sub\\*.txt"};
    EXPECT_EQ(IsEntrySelected(entry, sub, true, {}), recursing) << entry;
    EXPECT_EQ(IsEntrySelected(entry, sub, false, {}), flat) << entry;
  }
  // Excluding a folder, recursing, leaves out that folder at any depth, but not a folder whose name
  // only begins the same; each left out entry is reported. A one-letter folder name is a name like any.
  for (const std::string folder : {"bak", "b"}) {
    std::vector<std::string> excludedNames;
    const auto report = [&](const std::string& name) { excludedNames.push_back(name); };
    const std::string upper(1, char(folder[0] - 32));
    for (const std::string& entry :
         {folder + "\\a.txt", "x\\" + upper + folder.substr(1) + "\\y\\b.txt", folder + "up\\c.txt", folder + ".txt"})
      IsEntrySelected(entry, all, true, {folder + "\\*.*"}, report);
    EXPECT_EQ(excludedNames,
              (std::vector<std::string>{folder + "\\a.txt", "x\\" + upper + folder.substr(1) + "\\y\\b.txt"}));
    EXPECT_TRUE(IsEntrySelected(folder + "up\\c.txt", all, true, {folder + "\\*.*"}));
  }
  // Not recursing, a plain exclusion mask is held against the whole stored name.
  std::vector<std::string> inSubOnly{"sub\\*.*"};
  EXPECT_FALSE(IsEntrySelected("sub\\b.bak", inSubOnly, false, {"*.bak"}));
  EXPECT_TRUE(IsEntrySelected("sub\\b.txt", inSubOnly, false, {"*.bak"}));
}

namespace {
ArchiveFormat Detect(const Bytes& bytes, int64_t* offset = nullptr, const std::string& name = "x.bin") {
  ScopedDir d("detect");
  const fs::path file = d.path() / name;
  WriteAll(file, bytes);
  ArchiveExtractor c;
  c.SetArchiveFile(file.string());
  if (offset) *offset = c.ArchiveOffset;
  return c.ArchiveType;
}
// A ZIP central header for one entry named `name` and the end record, the directory stored at `offset`.
Bytes ZipDirectory(uint32_t offset, const std::string& name) {
  Bytes central(46, 0);
  Put32(central, 0, 0x02014B50);
  central[28] = uint8_t(name.size());
  Append(central, Text(name));
  Bytes end(22, 0);
  Put32(end, 0, 0x06054B50);
  end[8] = end[10] = 1;
  Put32(end, 12, uint32_t(central.size()));
  Put32(end, 16, offset);
  Append(central, end);
  return central;
}
Bytes WithHead(const std::string& head, size_t size = 64) {
  Bytes b(size, 0x11);
  std::copy(head.begin(), head.end(), b.begin());
  return b;
}
}  // namespace

TEST(Detection, EverySignature) {
  // Each head at a file's start, and the same head behind an executable image (whose end the page count
  // gives), where the kinds a stub never carries are no archive at all.
  struct Case {
    std::string head;
    ArchiveFormat type, behindImage;
  };
  const ArchiveFormat none = ArchiveFormat::NotAvail;
  const Case cases[] = {
      {"Rar!", ArchiveFormat::Rar, ArchiveFormat::RarSfx},
      {"MSCF", ArchiveFormat::Cab, ArchiveFormat::CabSfx},
      {"\xB7\xDF\x54\x57", ArchiveFormat::Arc, ArchiveFormat::ArcSfx},
      {"\x13\x5D\x65\x8C", ArchiveFormat::MsGz, none},
      {"BH\x05\x07", ArchiveFormat::Bh, ArchiveFormat::BhSfx},
      {"ZOO ", ArchiveFormat::Zoo, none},
      {"\x1F\x8B", ArchiveFormat::GZip, none},
      {"\x1F\x9E", ArchiveFormat::GZip, none},
      {"\x1F\x9D", ArchiveFormat::GZip, none},
      {"\x1F\xA0", ArchiveFormat::GZip, none},
      {"\x1F\x1E", ArchiveFormat::GZip, none},
      {"\x1F\x1F", none, none},
      {"%!", ArchiveFormat::GZip, none},
      {"\x60\xEA", ArchiveFormat::Arj, ArchiveFormat::ArjSfx},
      {"ZO", ArchiveFormat::Zoo, none},
      {"\x1A\x1E", ArchiveFormat::Arc, none},
      {"\x1A\x0A", ArchiveFormat::Pak, ArchiveFormat::PakSfx},
      {"\x1A\x08", ArchiveFormat::Arc, ArchiveFormat::ArcSfx},
      {"\x1A\x09", ArchiveFormat::Arc, ArchiveFormat::ArcSfx},
      {"\xB7\x92", ArchiveFormat::ArcSfx, ArchiveFormat::ArcSfx},
      {"\x1A\x02", ArchiveFormat::Arc, none},
      {"\x1A\x0B", ArchiveFormat::Pak, ArchiveFormat::PakSfx},
      {"PL\x03\x04", ArchiveFormat::Zip, ArchiveFormat::ZipSfx},
      {"PN\x03\x04", ArchiveFormat::Zip, ArchiveFormat::ZipSfx},
      {"PKG4", none, none},
      {"PKCI", none, none},
      {"HA", ArchiveFormat::Ha, none},
      {"PKG5", ArchiveFormat::Unknown, none},
      {std::string("\x00\x00-lh5-", 7), ArchiveFormat::Lha, ArchiveFormat::LhaSfx},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.head);
    Bytes b = WithHead(c.head);
    Bytes exe(1124, ' ');
    exe[0] = 'M';
    exe[1] = 'Z';
    Put16(exe, 2, 100);  // three pages, the last of 100 bytes
    Put16(exe, 4, 3);
    Append(exe, b);
    if (c.type == ArchiveFormat::Lha) {
      b[0] = 0x20;
      b[1] = 0;
    }
    // The ARC stubs' archive stands at their fixed place, whatever the image says; so does the one of the
    // stub's own signature at a file's start.
    const bool arcStub = c.head[0] == '\xB7';
    int64_t offset = -2;
    EXPECT_EQ(Detect(b, &offset), c.type);
    if (IsRecognisedArchive(c.type)) {
      EXPECT_EQ(offset, c.type == ArchiveFormat::ArcSfx ? 7716 : 0);
    }
    EXPECT_EQ(Detect(exe, &offset), c.behindImage);
    if (c.behindImage != none) {
      EXPECT_EQ(offset, arcStub ? 7716 : 1124);
    }
  }
  EXPECT_EQ(Detect(WithHead("BZh91AY&SY")), ArchiveFormat::Bz2);
  EXPECT_EQ(Detect(WithHead("hello\nContent-Transfer-Encoding: Base64\nxx")), ArchiveFormat::Base64);
  EXPECT_EQ(Detect(WithHead("begin 644 x\n")), ArchiveFormat::Uue);
  EXPECT_EQ(Detect(Bytes(19, 'x')), ArchiveFormat::NotAvail);
  EXPECT_EQ(Detect(Bytes(4096, 0)), ArchiveFormat::NotAvail);  // all zeros: nothing read past the data
}

TEST(Detection, LhaOffsetsMacBinaryAndSfxStub) {
  const Bytes lha = LhaArchive({{.name = "a.txt", .data = Text("abc")}});
  int64_t offset = -2;
  EXPECT_EQ(Detect(lha, &offset), ArchiveFormat::Lha);
  EXPECT_EQ(offset, 0);
  Bytes mac(128, 0);
  Append(mac, lha);
  mac.resize(400, 0);
  EXPECT_EQ(Detect(mac, &offset), ArchiveFormat::Lha);
  EXPECT_EQ(offset, 128);
  Bytes sfx(1945, 0);
  sfx[0] = 'M';
  sfx[1] = 'Z';
  Append(sfx, lha);
  EXPECT_EQ(Detect(sfx, &offset), ArchiveFormat::LhaSfx);
  EXPECT_EQ(offset, 1945);
}

TEST(Detection, TarChecksumCountsItsOwnFieldAsBlanks) {
  Bytes tar(1024, 0);
  const std::string name = "file.txt";
  std::copy(name.begin(), name.end(), tar.begin());
  unsigned sum = 0;
  for (int i = 0; i < 512; ++i) sum += (i >= 148 && i < 156) ? ' ' : tar[size_t(i)];
  char field[9];
  std::snprintf(field, sizeof field, "%06o ", sum);
  std::copy(field, field + 8, tar.begin() + 148);
  EXPECT_EQ(Detect(tar), ArchiveFormat::Tar);
  // A volume header block ('V' in the type field) before it: the archive starts at the second block.
  Bytes volume(512, 0);
  volume[500] = 'V';
  Append(volume, tar);
  int64_t offset = -2;
  EXPECT_EQ(Detect(volume, &offset), ArchiveFormat::Tar);
  EXPECT_EQ(offset, 512);
  // A volume header with no whole block behind it is no archive.
  volume.resize(1023);
  EXPECT_EQ(Detect(volume), ArchiveFormat::NotAvail);
}

TEST(Detection, ZipAndJar) {
  // A minimal empty-entry ZIP: local header, central header, end record.
  Bytes zip(30, 0);
  Put32(zip, 0, 0x04034B50);
  zip[26] = 1;
  zip.push_back('a');
  Append(zip, ZipDirectory(uint32_t(zip.size()), "a"));
  EXPECT_EQ(Detect(zip), ArchiveFormat::Zip);
  EXPECT_EQ(Detect(zip, nullptr, "x.JAR"), ArchiveFormat::Jar);
  // A Zip64 locator that points far past the end of the file (near 2^63) is passed over: the plain end
  // record serves.
  Bytes located(zip.begin(), zip.end() - 22);
  Bytes locator(20, 0);
  Put32(locator, 0, 0x07064B50);
  Put32(locator, 8, 0xFFFFFFF0);
  Put32(locator, 12, 0x7FFFFFFF);
  locator[16] = 1;
  Append(located, locator);
  located.insert(located.end(), zip.end() - 22, zip.end());
  ArchiveExtractor c;
  MemoryStream32 s(located.data(), located.size());
  EXPECT_EQ(c.DetectArchiveType(&s), ArchiveFormat::Zip);
  EXPECT_EQ(c.ArchiveOffset, 0);
  EXPECT_EQ(c.DetectFlags, HeaderBit(HeaderType::Ending) | HeaderBit(HeaderType::Locator) |
                               HeaderBit(HeaderType::Central) | HeaderBit(HeaderType::Local));
}

TEST(Routines, DatesPercentsAndNames) {
  EXPECT_EQ(WithTrailingBackslash(""), "");
  EXPECT_EQ(OctalToInt("0000644 "), 420);
  // Shares of a total, rounded half up and kept within 0 and 100.
  const struct {
    int64_t total, part;
    int want;
  } percents[] = {{0, 5, 0},   {-1, 5, 0},  {1, 1, 100},   {1, 0, 0},   {3, 1, 33},   {3, 2, 67},
                  {200, 1, 1}, {201, 1, 0}, {10, 20, 100}, {10, -3, 0}, {100, 99, 99}};
  for (const auto& p : percents) EXPECT_EQ(Percent(p.total, p.part), p.want) << p.part << " of " << p.total;
  SerialDateTime jan1st1980;
  ASSERT_TRUE(TryEncodeDate(1980, 1, 1, jan1st1980));
  EXPECT_DOUBLE_EQ(DosDateTimeToDateTime(0), jan1st1980 + 60.0 / 86400);
  EXPECT_FALSE(TryEncodeDate(2023, 2, 29, jan1st1980));
  // Every field at both of its edges; a refused date leaves the answer as it was.
  for (const auto& [y, m, d, fits] : {std::tuple{1, 1, 1, true},
                                      {0, 12, 31, false},
                                      {9999, 12, 31, true},
                                      {10000, 1, 1, false},
                                      {2024, 0, 1, false},
                                      {2024, 13, 1, false},
                                      {2024, 4, 30, true},
                                      {2024, 4, 31, false},
                                      {2024, 1, 0, false},
                                      {2000, 2, 29, true},
                                      {2100, 2, 29, false}}) {
    SerialDateTime date = -1;
    EXPECT_EQ(TryEncodeDate(y, m, d, date), fits) << y << "-" << m << "-" << d;
    if (!fits) {
      EXPECT_EQ(date, -1);
    }
  }
  SerialDateTime dec30th1899 = -1, jan1st1900 = -1;
  ASSERT_TRUE(TryEncodeDate(1899, 12, 30, dec30th1899) && TryEncodeDate(1900, 1, 1, jan1st1900));
  EXPECT_EQ(dec30th1899, 0);
  EXPECT_EQ(jan1st1900, 2);
  // The second byte 0x5C of a Shift-JIS character is not a separator; 0xFF and "/" are, but not as the byte
  // after a lead byte (0x80 to 0x9F, 0xE0 to 0xFD). Blanks and control characters around the name go.
  EXPECT_EQ(ConvertSeparators(" a\xFF\x95\x5C/b "), "a\\\x95\x5C\\b");
  for (const auto& [lead, isLead] : {std::pair{0x7F, false},
                                     {0x80, true},
                                     {0x9F, true},
                                     {0xA0, false},
                                     {0xDF, false},
                                     {0xE0, true},
                                     {0xFD, true},
                                     {0xFE, false}}) {
    const std::string name{char(lead), '/', 'x'}, split{char(lead), '\\', 'x'};
    EXPECT_EQ(ConvertSeparators(name), isLead ? name : split) << lead;
  }
  EXPECT_EQ(ConvertSeparators("\x1F !a! \x01"), "!a!");
  EXPECT_EQ(Cp932ToUtf8("\x8A\xBF\x8E\x9A"), "漢字");
  EXPECT_TRUE(IsValidUtf8("a\u00E9\u8868\U00020BB7"));
  EXPECT_FALSE(IsValidUtf8("\xF0\xA0\xAE"));
  // Lead bytes at their edges (0xC0 and 0xC1 only start overlong forms; 0xF4 is the last), a lone
  // continuation byte, a sequence cut at the end and one with a bad continuation byte.
  for (const auto& [text, valid] : {std::pair<const char*, bool>{"\xC1\xBF", false},
                                    {"\xC2\x80", true},
                                    {"\xF4\x8F\xBF\xBF", true},
                                    {"\xF5\x80\x80\x80", false},
                                    {"a\x80", false},
                                    {"\xE3\x81", false},
                                    {"\xE3\x81\x82", true},
                                    {"\xE3\x41\x82", false},
                                    {"\xDF\xBF", true},
                                    {"\xF8\x88\x80\x80\x80", false}})
    EXPECT_EQ(IsValidUtf8(text), valid) << text;
  const Bytes check = Text("123456789");
  EXPECT_EQ(Crc16(check), 0xBB3D);
  EXPECT_EQ(Crc32(check), 0xCBF43926u);
}

namespace {

ArchiveFormat DetectMemory(const Bytes& bytes, int64_t* offset = nullptr) {
  ArchiveExtractor c;
  MemoryStream32 s(bytes.data(), bytes.size());
  const ArchiveFormat t = c.DetectArchiveType(&s);
  if (offset) *offset = c.ArchiveOffset;
  return t;
}

// A minimal PE image whose only resource is string-table block 1 (ids 0-15) holding the texts, in the
// second of its sections (the first ends before the resources' address).
Bytes MakePe(const std::vector<std::string>& strings) {
  Bytes pe(0x400, 0);
  pe[0] = 'M';
  pe[1] = 'Z';
  Put32(pe, 0x3C, 0x40);
  Put32(pe, 0x40, 0x00004550);
  Put16(pe, 0x44, 0x14C);
  Put16(pe, 0x46, 2);       // two sections
  Put16(pe, 0x54, 0xE0);    // optional header size
  Put16(pe, 0x58, 0x10B);   // PE32
  Put32(pe, 0xB4, 16);      // data directories
  Put32(pe, 0xC8, 0x1000);  // resources at RVA 0x1000
  Put32(pe, 0xCC, 0x200);
  std::copy_n(".text", 5, pe.begin() + 0x138);
  for (const size_t at : {0x138 + 8, 0x138 + 16}) Put32(pe, at, 0x100);  // its sizes
  Put32(pe, 0x138 + 12, 0x800);
  Put32(pe, 0x138 + 20, 0x100);
  const size_t section = 0x160;
  std::copy_n(".rsrc", 5, pe.begin() + long(section));
  Put32(pe, section + 8, 0x200);
  Put32(pe, section + 12, 0x1000);
  Put32(pe, section + 16, 0x200);
  Put32(pe, section + 20, 0x200);
  const size_t base = 0x200;
  auto directory = [&](size_t at, uint32_t id, uint32_t target) {
    Put16(pe, at + 14, 1);
    Put32(pe, at + 16, id);
    Put32(pe, at + 20, target);
  };
  directory(base, 6, 0x80000018);         // string tables
  directory(base + 0x18, 1, 0x80000030);  // block 1
  directory(base + 0x30, 0x411, 0x48);    // one language: a data entry
  Put32(pe, base + 0x48, 0x1058);
  size_t at = base + 0x58;
  Put32(pe, base + 0x4C, 0x100);
  for (size_t i = 0; i < 16; ++i) {
    const std::string text = i < strings.size() ? strings[i] : std::string();
    Put16(pe, at, unsigned(text.size()));
    at += 2;
    for (char ch : text) {
      Put16(pe, at, uint8_t(ch));
      at += 2;
    }
  }
  return pe;
}

}  // namespace

TEST(Detection, ExecutableStubOffsets) {
  // Known stubs keep their archive at a fixed offset, probed only when the file holds the bytes
  // looked at there: one more than the two marker bytes for ARC and PAK, five for ZIP and the method of LHA.
  struct Stub {
    size_t at;
    Bytes marker;
    size_t need;
    ArchiveFormat type;
    size_t headerBefore = 0;  // the archive starts this far before the marker
  };
  for (const Stub& stub :
       {Stub{6674, {0x1A, 0x08}, 3, ArchiveFormat::ArcSfx}, Stub{13138, {0x1A, 0x09}, 3, ArchiveFormat::ArcSfx},
        Stub{6867, {0x1A, 0x0A}, 3, ArchiveFormat::PakSfx}, Stub{8601, {0x1A, 0x0B}, 3, ArchiveFormat::PakSfx},
        Stub{7612, {'P', 'K', 3, 4}, 5, ArchiveFormat::ZipSfx}, Stub{25661, {'P', 'K', 3, 4}, 5, ArchiveFormat::ZipSfx},
        Stub{1947, {'-', 'l', 'h', '5', '-'}, 5, ArchiveFormat::LhaSfx, 2}}) {
    for (size_t size : {stub.at + stub.need - 1, stub.at + stub.need}) {
      Bytes exe(size, 0);
      exe[0] = 'M';
      exe[1] = 'Z';
      std::copy_n(stub.marker.begin(), std::min(stub.marker.size(), size - stub.at), exe.begin() + long(stub.at));
      int64_t offset = -2;
      const bool whole = size == stub.at + stub.need;
      EXPECT_EQ(DetectMemory(exe, &offset), whole ? stub.type : ArchiveFormat::NotAvail) << stub.at << " " << size;
      if (whole) {
        EXPECT_EQ(offset, int64_t(stub.at - stub.headerBefore));
      }
    }
  }
  // Past the stubs, the archive that follows the executable image: its end is the page count
  // (a last page of 0 bytes is a full one).
  const Bytes lha = LhaArchive({{.name = "a.txt", .data = Text("abc")}});
  for (const auto& [lastPage, end] : {std::pair{100u, 1124}, std::pair{0u, 1536}}) {
    Bytes exe(size_t(end), ' ');
    exe[0] = 'M';
    exe[1] = 'Z';
    Put16(exe, 2, lastPage);
    Put16(exe, 4, 3);
    Append(exe, lha);
    int64_t offset = -2;
    EXPECT_EQ(DetectMemory(exe, &offset), ArchiveFormat::LhaSfx) << end;
    EXPECT_EQ(offset, end);
  }
  // Method names in a stub's own text are not an archive: the scan takes the real header.
  Bytes exe(18000, ' ');
  exe[0] = 'M';
  exe[1] = 'Z';
  const std::string text = "Unpacks -lh5- and -lh7- archives, level 0 to 2.";
  std::copy(text.begin(), text.end(), exe.begin() + 17100);
  Append(exe, lha);
  int64_t offset = -2;
  EXPECT_EQ(DetectMemory(exe, &offset), ArchiveFormat::LhaSfx);
  EXPECT_EQ(offset, 18000);
  // The scan knows the other kinds' headers too (an ARJ header by the one that follows it, an ACE
  // header by its mark seven bytes in); the look-alike BH marker is passed over.
  for (const auto& [head, type] :
       {std::pair<std::string, ArchiveFormat>{"BH\x05\x07\x0F\x94\xC3\x84", ArchiveFormat::NotAvail},
        {"BH\x05\x07\x0F\x94\xC3\x85", ArchiveFormat::BhSfx},
        {std::string("MSCF\0\0\0\0", 8), ArchiveFormat::CabSfx},
        {"Rar!\x1A\x07", ArchiveFormat::RarSfx},
        {std::string("\x60\xEA\x04\0..........\x60\xEA", 16), ArchiveFormat::ArjSfx},
        {std::string("\x60\xEA\x04\0.........\x60\xEA", 15), ArchiveFormat::NotAvail},
        {"1234567**ACE**", ArchiveFormat::AceSfx}}) {
    Bytes other(18000, ' ');
    other[0] = 'M';
    other[1] = 'Z';
    Append(other, WithHead(head, 40));
    offset = -2;
    EXPECT_EQ(DetectMemory(other, &offset), type) << head;
    if (type != ArchiveFormat::NotAvail) {
      EXPECT_EQ(offset, 18000) << head;
    }
  }
  // A mark in the last bytes of a block the scan reads is still found.
  Bytes ace(17000 + 32768 - 5, ' ');
  ace[0] = 'M';
  ace[1] = 'Z';
  Append(ace, WithHead("**ACE**", 40));
  EXPECT_EQ(DetectMemory(ace, &offset), ArchiveFormat::AceSfx);
  EXPECT_EQ(offset, int64_t(17000 + 32768 - 5 - 7));
}

TEST(Detection, ArchiveOffsetFromStringResources) {
  const Bytes lha = LhaArchive({{.name = "inside.txt", .data = Text("from the stub")}});
  auto withArchive = [&](const std::vector<std::string>& strings) {
    Bytes exe = MakePe(strings);
    exe.resize(5000, 0);
    Append(exe, lha);
    return exe;
  };
  int64_t offset = -2;
  EXPECT_EQ(DetectMemory(withArchive({"", "5000"}), &offset), ArchiveFormat::LhaSfx);
  EXPECT_EQ(offset, 5000);
  // Texts that end the search: not a number, a number past the file, an empty text first.
  EXPECT_EQ(DetectMemory(withArchive({"", "50x0"})), ArchiveFormat::NotAvail);
  EXPECT_EQ(DetectMemory(withArchive({"", "99999"})), ArchiveFormat::NotAvail);
  EXPECT_EQ(DetectMemory(withArchive({"", "", "5000"})), ArchiveFormat::NotAvail);
  // A later string is tried when an earlier candidate holds nothing known.
  EXPECT_EQ(DetectMemory(withArchive({"", "100", "5000"}), &offset), ArchiveFormat::LhaSfx);
  EXPECT_EQ(offset, 5000);

  // The texts themselves: cut to the length asked for, other than ASCII shown as "?", from the
  // first index asked for; a 64-bit image keeps its data directories 16 bytes further on.
  Bytes plus = MakePe({"a", "bcdefgh", "\xE9x", "later"});
  Put16(plus, 0x58, 0x20B);
  Put32(plus, 0xB4, 0);
  Put32(plus, 0xC8, 0);
  Put32(plus, 0xC4, 16);
  Put32(plus, 0xD8, 0x1000);
  for (const Bytes& image : {MakePe({"a", "bcdefgh", "\xE9x", "later"}), plus}) {
    MemoryStream32 s(image.data(), image.size());
    EXPECT_EQ(ReadPeStrings(s, 0, 2, 5), (std::vector<std::string>{"a", "bcdef", "?x"}));
    EXPECT_EQ(ReadPeStrings(s, 1, 3, 5), (std::vector<std::string>{"bcdef", "?x", "later"}));
  }

  // And the whole run reads the archive from there.
  ScopedDir d("pe");
  const Outcome r = ExtractBytes(withArchive({"", "5000"}), d.path());
  EXPECT_EQ(r.count, 1);
  EXPECT_EQ(ReadAll(d.path() / "out/inside.txt"), Text("from the stub"));

  // Cut or damaged images never read outside the file (the tests run sanitized).
  const Bytes whole = withArchive({"", "5000"});
  for (size_t cut = 0x3C; cut < 0x400; ++cut) DetectMemory(Bytes(whole.begin(), whole.begin() + long(cut)));
  for (size_t at = 0x3C; at < 0x300; ++at) {
    Bytes bad = whole;
    bad[at] ^= 0xFF;
    DetectMemory(bad);
  }
}

TEST(Detection, ZipVolumesAndPrefixedZips) {
  // Volume headers go through the split check, and the end-record search that finds nothing
  // still marks the local header kind.
  for (const char* head : {"PK\x07\x08", "PK\x01\x02"}) {
    ScopedDir d("split");
    const fs::path file = d.path() / "x.zip";
    WriteAll(file, WithHead(head, 200));
    ArchiveExtractor c;
    c.SetArchiveFile(file.string());
    EXPECT_EQ(c.ArchiveType, ArchiveFormat::ZipMVol) << head;
    EXPECT_EQ(c.DetectFlags, HeaderBit(HeaderType::Local)) << head;
  }
  // A ZIP behind bytes of no known kind is found by its end record; the reader starts at 0.
  Bytes zip = WithHead("junkjunk", 100);
  Append(zip, ZipDirectory(0, ""));  // stored as if nothing stood before it
  int64_t offset = -2;
  EXPECT_EQ(DetectMemory(zip, &offset), ArchiveFormat::Zip);
  EXPECT_EQ(offset, 0);
  // Without an end record, the scan finds a local header behind such bytes, but not the marker
  // that only looks like one.
  for (const bool marker : {false, true}) {
    Bytes local = WithHead("junkjunk", 100);
    Append(local, WithHead(marker ? "PK\x03\x04\x74\x0B\x3D" : "PK\x03\x04\x14", 40));
    local[107] = 0;
    EXPECT_EQ(DetectMemory(local, &offset), marker ? ArchiveFormat::NotAvail : ArchiveFormat::Zip) << marker;
    EXPECT_EQ(offset, marker ? -1 : 100) << marker;
  }
  // Other kinds behind such bytes are found by the scan too, even one byte in; a cabinet only behind an
  // executable.
  for (const auto& [head, type, at] :
       {std::tuple<std::string, ArchiveFormat, size_t>{"Rar!\x1A\x07", ArchiveFormat::RarSfx, 100},
        {"ZOO 2.10", ArchiveFormat::Zoo, 100},
        {"ZOO 2.10", ArchiveFormat::Zoo, 1},
        {std::string("MSCF\0\0\0\0", 8), ArchiveFormat::NotAvail, 100}}) {
    Bytes behind(at, 0x11);
    Append(behind, WithHead(head, 40));
    offset = -2;
    EXPECT_EQ(DetectMemory(behind, &offset), type) << head << at;
    EXPECT_EQ(offset, type == ArchiveFormat::NotAvail ? -1 : int64_t(at)) << head << at;
  }
  // The same end record numbering its disk as 1 belongs to a multi-volume set.
  Put16(zip, zip.size() - 22 + 4, 1);
  EXPECT_EQ(DetectMemory(zip), ArchiveFormat::ZipMVol);
  // So does a last volume that happens to begin with a local header.
  Bytes last = WithHead("PK\x03\x04", 100);
  Append(last, ZipDirectory(100, ""));
  EXPECT_EQ(DetectMemory(last), ArchiveFormat::Zip);
  Put16(last, last.size() - 22 + 4, 1);
  EXPECT_EQ(DetectMemory(last), ArchiveFormat::ZipMVol);
}

TEST(Routines, DateEdgesFoldersAndVolumes) {
  SerialDateTime jan1st1980;
  ASSERT_TRUE(TryEncodeDate(1980, 1, 1, jan1st1980));
  // Month 13 falls back to 1980-01-01 00:01:00 and keeps its time part on top.
  const uint32_t month13 = (uint32_t(5) << 25) | (13u << 21) | (1u << 16) | (10u << 11);
  EXPECT_NEAR(DosDateTimeToDateTime(month13), jan1st1980 + (60.0 + 10 * 3600.0) / 86400, 1e-9);
  // Dates of 2044 and later have the top bit set and are no earlier than 1980.
  SerialDateTime jan2nd2060;
  ASSERT_TRUE(TryEncodeDate(2060, 1, 2, jan2nd2060));
  ArchiveExtractor c;
  EXPECT_NEAR(c.ConvertFileDate((80u << 25) | (1u << 21) | (2u << 16)), jan2nd2060, 1e-9);
  // A date before 1980-01-01 00:01 (nothing stored, or midnight) is read as that minute.
  EXPECT_NEAR(c.ConvertFileDate(0), jan1st1980 + 60.0 / 86400, 1e-9);
  EXPECT_NEAR(c.ConvertFileDate((1u << 21) | (1u << 16)), jan1st1980 + 60.0 / 86400, 1e-9);

  SerialDateTime jan2;
  ASSERT_TRUE(TryEncodeDate(1970, 1, 2, jan2));
  {
    FixedZone utc("UTC");
    EXPECT_NEAR(UnixTimeToDateTime(86400), jan2, 1e-9);
    EXPECT_EQ(DateTimeToDosDateTime(UnixTimeToDateTime(0x80000000u)) >> 25, uint32_t(2038 - 1980));
  }
  FixedZone tokyo("Asia/Tokyo");
  EXPECT_NEAR(UnixTimeToDateTime(86400), jan2 + 9.0 / 24, 1e-9);

  SerialDateTime jan31, feb29;
  ASSERT_TRUE(TryEncodeDate(2024, 1, 31, jan31));
  ASSERT_TRUE(TryEncodeDate(2024, 2, 29, feb29));
  EXPECT_NEAR(IncMonth(jan31 + 0.5, 1), feb29 + 0.5, 1e-9);

  // A missing folder counts as writable when it can be made; the probe leaves nothing behind.
  ScopedDir d("writable");
  EXPECT_TRUE(IsDirWritable((d.path() / "a" / "b").string()));
  EXPECT_FALSE(fs::exists(d.path() / "a"));
  WriteAll(d.path() / "file", Text("x"));
  EXPECT_FALSE(IsDirWritable((d.path() / "file" / "sub").string()));

  struct VolumeCase {
    const char* name;
    ArchiveFormat type;
    char letter;
    int volume;
  };
  for (const VolumeCase& v :
       {VolumeCase{"x.arj", ArchiveFormat::Arj, 'a', 1}, VolumeCase{"x.a01", ArchiveFormat::Arj, 'a', 2},
        VolumeCase{"x.j05", ArchiveFormat::Jar, 'j', 6}, VolumeCase{"x.j15", ArchiveFormat::Jar, 'j', 16},
        VolumeCase{"x", ArchiveFormat::Ace, 'C', 0}, VolumeCase{"x", ArchiveFormat::Arj, 'a', 1},
        VolumeCase{"x", ArchiveFormat::JarSfx, 'j', 0}, VolumeCase{"x.lzh", ArchiveFormat::Lha, 0, 0}}) {
    char letter = 0;
    int volume = -1;
    NextVolumeName(v.name, v.type, letter, volume);
    EXPECT_EQ(letter, v.letter) << v.name;
    EXPECT_EQ(volume, v.volume) << v.name;
  }
  // Volume names by number: two digits after the volume letter, three without it.
  EXPECT_EQ(c.VolumeNameByIndex("/d/x.arj", 1), "/d/x.a01");
  EXPECT_EQ(c.VolumeNameByIndex("/d/x.arj", 0), "/d/x.a00");
  EXPECT_EQ(c.VolumeNameByIndex("/d/x.arj", 99), "/d/x.a99");
  EXPECT_EQ(c.VolumeNameByIndex("/d/x.arj", 100), "/d/x.100");
  c.VolumeLetter = 'j';
  EXPECT_EQ(c.VolumeNameByIndex("/d/x.jar", 7), "/d/x.j07");
  EXPECT_EQ(c.VolumeNameByIndex("/d/x.arj", -1), "");
  EXPECT_EQ(c.VolumeNameByIndex("", 1), "");
}
