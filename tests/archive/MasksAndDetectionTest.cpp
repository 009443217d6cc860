#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
// Entry name masks, archive type detection by signature and the shared routines' edge cases.
#include <gtest/gtest.h>

#include "archive/Masks.h"
#include "archive/UnBase.h"
#include "tests/archive/ArchiveTestUtil.h"

using namespace corvina::archive;
using namespace testutil;

TEST(Masks, MatchingRules)
{
    EXPECT_TRUE(MaskMatches("README", "*.*"));
    EXPECT_TRUE(MaskMatches("README", "*."));
    EXPECT_FALSE(MaskMatches("README.TXT", "*."));
    EXPECT_FALSE(MaskMatches("Bzip", "[!a-c]*"));
    EXPECT_TRUE(MaskMatches("dzip", "[!a-c]*"));
    EXPECT_TRUE(MaskMatches("aXbXb", "*a*b"));
    EXPECT_FALSE(MaskMatches("aXbXc", "*a*b"));
    EXPECT_TRUE(MaskMatches("abcdef", "a?c*"));
    EXPECT_TRUE(MaskMatches("Oz050312.TXT", "oz*.txt"));
    EXPECT_TRUE(MaskMatches("表.txt", "表*"));
    EXPECT_FALSE(MaskMatches("表.txt", "裏*"));
    EXPECT_FALSE(MaskMatches("abc", "[z-a]bc"));   // a reversed range adds nothing
}

TEST(Masks, InvalidMasks)
{
    EXPECT_THROW(TInternalMask(std::string(31, '*') + "a"), EInvalidMask);
    EXPECT_NO_THROW(TInternalMask(std::string(30, '*') + "a"));
    EXPECT_THROW(TInternalMask("[]"), EInvalidMask);
    EXPECT_THROW(TInternalMask("[abc"), EInvalidMask);
    try {
        TInternalMask m("ab[cd");
        FAIL();
    } catch (const EInvalidMask& e) {
        EXPECT_STREQ(e.what(), "'ab[cd' is an invalid mask at (6)");
    }
}

TEST(Masks, SelectionWithRecursionAndExclusion)
{
    std::vector<std::string> spec{"*.txt"};
    EXPECT_TRUE(IsEntrySelected("sub\\a.txt", spec, true, {}));
    EXPECT_FALSE(IsEntrySelected("sub\\a.txt", spec, false, {}));
    EXPECT_TRUE(IsEntrySelected("a.txt", spec, false, {}));
    std::vector<std::string> empty;
    EXPECT_FALSE(IsEntrySelected("a.txt", empty, true, {}));
    int excluded = 0;
    std::vector<std::string> all{"*.*"};
    EXPECT_FALSE(IsEntrySelected("b.bak", all, true, {"*.bak"}, [&](const std::string&) { ++excluded; }));
    EXPECT_EQ(excluded, 1);
    EXPECT_FALSE(IsEntrySelected("", all, true, {}));
}

namespace {
TArchiveType Detect(const Bytes& bytes, int64_t* offset = nullptr, const std::string& name = "x.bin")
{
    ScopedDir d("detect");
    const fs::path file = d.path / name;
    WriteAll(file, bytes);
    TUnBase c;
    c.SetArchiveFile(file.string());
    if (offset) *offset = c.ArchiveOffset;
    return c.ArchiveType;
}
Bytes WithHead(const std::string& head, size_t size = 64)
{
    Bytes b(size, 0x11);
    std::copy(head.begin(), head.end(), b.begin());
    return b;
}
}  // namespace

TEST(Detection, EverySignature)
{
    struct Case { std::string head; TArchiveType type; };
    const Case cases[] = {
        {"Rar!", atRar}, {"MSCF", atCab}, {"\xB7\xDF\x54\x57", atArc}, {"\x13\x5D\x65\x8C", atMsGz},
        {"BH\x05\x07", atBh}, {"ZOO ", atZoo}, {"\x1F\x8B", atGZip}, {"%!", atGZip}, {"\x60\xEA", atArj},
        {"ZO", atZoo}, {"\x1A\x1E", atArc}, {"\x1A\x0A", atPak}, {"\x1A\x08", atArc}, {"HA", atHa},
        {"PKG5", atUnknown}, {std::string("\x00\x00-lh5-", 7).substr(0, 7), atLha},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.head);
        Bytes b = WithHead(c.head);
        if (c.type == atLha) { b[0] = 0x20; b[1] = 0; }
        EXPECT_EQ(Detect(b), c.type);
    }
    EXPECT_EQ(Detect(WithHead("BZh91AY&SY")), atBz2);
    EXPECT_EQ(Detect(WithHead("hello\nContent-Transfer-Encoding: Base64\nxx")), atBase64);
    EXPECT_EQ(Detect(WithHead("begin 644 x\n")), atUue);
    EXPECT_EQ(Detect(Bytes(19, 'x')), atNotAvail);
    EXPECT_EQ(Detect(Bytes(4096, 0)), atNotAvail);   // all zeros: nothing read past the data
}

TEST(Detection, LhaOffsetsMacBinaryAndSfxStub)
{
    const Bytes lha = LhaArchive({{.name = "a.txt", .data = Text("abc")}});
    int64_t offset = -2;
    EXPECT_EQ(Detect(lha, &offset), atLha);
    EXPECT_EQ(offset, 0);
    Bytes mac(128, 0);
    Append(mac, lha);
    mac.resize(400, 0);
    EXPECT_EQ(Detect(mac, &offset), atLha);
    EXPECT_EQ(offset, 128);
    Bytes sfx(1945, 0);
    sfx[0] = 'M';
    sfx[1] = 'Z';
    Append(sfx, lha);
    EXPECT_EQ(Detect(sfx, &offset), atLhaSfx);
    EXPECT_EQ(offset, 1945);
}

TEST(Detection, TarChecksumCountsItsOwnFieldAsBlanks)
{
    Bytes tar(1024, 0);
    const std::string name = "file.txt";
    std::copy(name.begin(), name.end(), tar.begin());
    unsigned sum = 0;
    for (int i = 0; i < 512; ++i) sum += (i >= 148 && i < 156) ? ' ' : tar[size_t(i)];
    char field[9];
    std::snprintf(field, sizeof field, "%06o ", sum);
    std::copy(field, field + 8, tar.begin() + 148);
    EXPECT_EQ(Detect(tar), atTar);
}

TEST(Detection, ZipAndJar)
{
    // A minimal empty-entry ZIP: local header, central header, end record.
    Bytes zip;
    Bytes local(30, 0);
    Put32(local, 0, 0x04034B50);
    local[26] = 1;
    Append(zip, local);
    zip.push_back('a');
    Bytes central(46, 0);
    Put32(central, 0, 0x02014B50);
    central[28] = 1;
    const uint32_t cdOffset = uint32_t(zip.size());
    Append(zip, central);
    zip.push_back('a');
    Bytes end(22, 0);
    Put32(end, 0, 0x06054B50);
    end[8] = end[10] = 1;
    Put32(end, 12, 47);
    Put32(end, 16, cdOffset);
    Append(zip, end);
    EXPECT_EQ(Detect(zip), atZip);
    EXPECT_EQ(Detect(zip, nullptr, "x.JAR"), atJar);
}

TEST(Routines, DatesPercentsAndNames)
{
    EXPECT_EQ(AppendSlash(""), "");
    EXPECT_EQ(OctalToInt("0000644 "), 420);
    EXPECT_EQ(Percent(0, 5), 0);
    EXPECT_EQ(Percent(10, 20), 100);
    TDateTime d1980;
    ASSERT_TRUE(TryEncodeDate(1980, 1, 1, d1980));
    EXPECT_DOUBLE_EQ(DosDateTimeToDateTime(0), d1980 + 60.0 / 86400);
    EXPECT_FALSE(TryEncodeDate(2023, 2, 29, d1980));
    // The second byte 0x5C of a Shift-JIS character is not a separator; 0xFF and "/" are.
    EXPECT_EQ(ConvertSeparators(" a\xFF\x95\x5C/b "), "a\\\x95\x5C\\b");
    EXPECT_EQ(Cp932ToUtf8("\x8A\xBF\x8E\x9A"), "漢字");
    const Bytes check = Text("123456789");
    EXPECT_EQ(Crc16(check), 0xBB3D);
    EXPECT_EQ(Crc32(check), 0xCBF43926u);
}
