#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
// The LHA reader on hand-made archives: header levels, names, damaged and cut headers, damaged
// compressed data, and what a failed entry leaves behind.
#include <gtest/gtest.h>

#include "archive/UnLha.h"
#include "tests/archive/ArchiveTestUtil.h"

using namespace corvina::archive;
using namespace testutil;

namespace {

struct Outcome {
    int count = 0;
    std::vector<int> errors;
    std::vector<std::string> ended;
};

Outcome ExtractBytes(const Bytes& archive, const fs::path& dir, const std::vector<std::string>& masks = {"*.*"})
{
    const fs::path file = dir / "in.lzh";
    WriteAll(file, archive);
    TUnLha lha;
    Outcome r;
    lha.SetArchiveFile(file.string());
    lha.FileSpec = masks;
    lha.SetExtractDir((dir / "out").string());
    lha.OnError = [&](TZipCommon&, const std::string&, const std::string&, const std::string&, int code) {
        r.errors.push_back(code);
    };
    lha.OnEnd = [&](TZipCommon& c, const std::string&, bool pass) {
        r.ended.push_back(static_cast<TUnLha&>(c).EntryName + (pass ? ":ok" : ":fail"));
    };
    r.count = lha.Extract();
    return r;
}

bool Has(const std::vector<int>& v, int code) { return std::find(v.begin(), v.end(), code) != v.end(); }

std::vector<fs::path> AllFiles(const fs::path& root)
{
    std::vector<fs::path> out;
    if (!fs::exists(root)) return out;
    for (auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) out.push_back(fs::relative(e.path(), root));
    return out;
}

}  // namespace

TEST(LhaReader, StoredEntriesAtEveryLevelWithDirectoriesAndCp932Names)
{
    const Bytes data = Text(std::string(3000, 'x') + "end");
    for (int level = 0; level <= 2; ++level) {
        SCOPED_TRACE(level);
        ScopedDir d("levels");
        LhaEntry plain{.name = "a.txt", .data = data, .level = level};
        // "表" ends in 0x5C: it must not split the name.
        LhaEntry sjis{.name = "\x95\x5C.txt", .data = Text("hyo"), .level = level};
        LhaEntry nested{.name = level == 0 ? "dir1\\dir2\\b.txt" : "b.txt", .data = Text("bee"), .level = level};
        if (level > 0) nested.dir = std::string("dir1\xFF") + "dir2";
        const Outcome r = ExtractBytes(LhaArchive({plain, sjis, nested}), d.path);
        EXPECT_EQ(r.count, 3);
        EXPECT_EQ(ReadAll(d.path / "out/a.txt"), data);
        EXPECT_EQ(ReadAll(d.path / "out" / "表.txt"), Text("hyo"));
        EXPECT_EQ(ReadAll(d.path / "out/dir1/dir2/b.txt"), Text("bee"));
        EXPECT_TRUE(r.errors.empty());
    }
}

TEST(LhaReader, LevelTwoNameIsFoundByTypeWhereverItStands)
{
    for (bool nameFirst : {false, true}) {
        ScopedDir d("level2");
        LhaEntry e{.name = "Oz050312.txt", .data = Text("line\r\n"), .level = 2, .nameFirstAtLevel2 = nameFirst};
        const Outcome r = ExtractBytes(LhaArchive({e}), d.path);
        EXPECT_EQ(r.count, 1);
        EXPECT_TRUE(fs::exists(d.path / "out/Oz050312.txt"));
    }
}

TEST(LhaReader, CrcFailureAndUndecodedMethodsLeaveNothingBehind)
{
    ScopedDir d("crc");
    fs::create_directories(d.path / "out");
    WriteAll(d.path / "out/keep.txt", Text("old contents"));
    LhaEntry bad{.name = "keep.txt", .data = Text("new contents"), .crcOverride = 0x1234};
    LhaEntry lz5{.name = "lz.txt", .data = Text("abc"), .method = "-lz5-"};
    LhaEntry lh2{.name = "two.txt", .data = Text("abc"), .method = "-lh2-"};
    LhaEntry good{.name = "good.txt", .data = Text("fine")};
    const Outcome r = ExtractBytes(LhaArchive({bad, lz5, lh2, good}), d.path);
    EXPECT_EQ(r.count, 1);
    EXPECT_TRUE(Has(r.errors, msg::CrcError));
    EXPECT_TRUE(Has(r.errors, msg::UnsupportedMethod));
    // The existing file is not replaced by data that failed its check; no partial output remains.
    EXPECT_EQ(ReadAll(d.path / "out/keep.txt"), Text("old contents"));
    const auto files = AllFiles(d.path / "out");
    EXPECT_EQ(files.size(), 2u);
    EXPECT_FALSE(fs::exists(d.path / "out/lz.txt"));
    EXPECT_FALSE(fs::exists(d.path / "out/two.txt"));
}

TEST(LhaReader, PathsNeverLeaveTheTargetFolder)
{
    ScopedDir d("paths");
    const Outcome r = ExtractBytes(LhaArchive({{.name = "..\\x.txt", .data = Text("1")},
                                           {.name = "a\\..\\..\\y.txt", .data = Text("2")},
                                           {.name = "C:\\dir\\z.txt", .data = Text("3")},
                                           {.name = "/etc/w.txt", .data = Text("4")}}),
                               d.path);
    EXPECT_EQ(r.count, 3);
    EXPECT_TRUE(fs::exists(d.path / "out/x.txt"));
    EXPECT_TRUE(fs::exists(d.path / "out/dir/z.txt"));
    EXPECT_TRUE(fs::exists(d.path / "out/etc/w.txt"));
    EXPECT_FALSE(fs::exists(d.path / "y.txt"));
    EXPECT_TRUE(Has(r.errors, msg::BadFileHeader));
}

TEST(LhaReader, HeadersCutAtEveryByteEndCleanly)
{
    LhaEntry one{.name = "first.txt", .data = Text(std::string(200, 'q')), .level = 1, .dir = "sub"};
    LhaEntry two{.name = "second.txt", .data = Text("zz"), .level = 2, .dir = "deep"};
    const Bytes whole = LhaArchive({one, two});
    ScopedDir d("cut");
    for (size_t cut = 1; cut < whole.size(); ++cut) {
        SCOPED_TRACE(cut);
        const fs::path dir = d.path / std::to_string(cut);
        fs::create_directories(dir);
        const Outcome r = ExtractBytes(Bytes(whole.begin(), whole.begin() + long(cut)), dir);
        // Whatever was written passed its check; a cut entry never leaves a file.
        EXPECT_EQ(size_t(r.count), AllFiles(dir / "out").size());
        for (const auto& e : r.ended) EXPECT_TRUE(e.ends_with(":ok") || e.ends_with(":fail"));
    }
}

TEST(LhaReader, DamagedHeaderFieldsAreBadHeaders)
{
    const Bytes good = LhaArchive({{.name = "n.txt", .data = Text("data"), .level = 1, .dir = "d"}});
    struct Case { const char* what; size_t at; uint8_t value; };
    // Header size too small for the name; name length past the header; extended header size 1.
    for (const Case c : {Case{"head size", 0, 20}, Case{"name length", 21, 200}, Case{"ext size", 30, 1}}) {
        SCOPED_TRACE(c.what);
        Bytes a = good;
        a[c.at] = c.value;
        ScopedDir d("badfield");
        const Outcome r = ExtractBytes(a, d.path);
        EXPECT_EQ(r.count, 0);
        EXPECT_TRUE(Has(r.errors, msg::BadFileHeader));
        EXPECT_TRUE(AllFiles(d.path / "out").empty());
    }
    // Level-1 extended headers larger than the packed size.
    Bytes a = good;
    Put32(a, 7, 2);
    ScopedDir d("packed");
    EXPECT_EQ(ExtractBytes(a, d.path).count, 0);
}

TEST(LhaReader, CorruptCompressedDataFailsTheEntry)
{
    // Static-Huffman streams made of junk: table errors, impossible code lengths, early ends.
    std::mt19937 rng(7);
    for (const char* method : {"-lh1-", "-lh4-", "-lh5-", "-lh6-", "-lh7-"}) {
        for (int round = 0; round < 20; ++round) {
            SCOPED_TRACE(std::string(method) + " " + std::to_string(round));
            Bytes junk(size_t(1 + rng() % 300));
            for (auto& b : junk) b = uint8_t(rng());
            LhaEntry e{.name = "j.bin", .data = Text("x"), .method = method, .packedOverride = junk,
                       .unpackedOverride = 100000};
            ScopedDir d("junk");
            const Outcome r = ExtractBytes(LhaArchive({e}), d.path);
            EXPECT_EQ(r.count, 0);
            EXPECT_TRUE(AllFiles(d.path / "out").empty());
        }
    }
}

TEST(LhaReader, EmptyArchiveAndNonArchive)
{
    ScopedDir d("empty");
    EXPECT_EQ(ExtractBytes(Bytes(30, 0), d.path).count, 0);
    ScopedDir e("text");
    const Outcome r = ExtractBytes(Text(std::string(100, 'a')), e.path);
    EXPECT_EQ(r.count, 0);
    EXPECT_TRUE(Has(r.errors, msg::BadFileHeader));
}
