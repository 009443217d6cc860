#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
// The LHA reader on hand-made archives: header levels, names, damaged and cut headers, damaged
// compressed data, and what a failed entry leaves behind.
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>

#include <cerrno>
#include <cstddef>
#include <random>

#include "archive/LhaExtractor.h"
#include "tests/archive/ArchiveTestUtil.h"

using namespace corvina::archive;
using namespace testutil;

TEST(LhaReader, StoredEntriesAtEveryLevelWithDirectoriesAndCp932Names) {
  const Bytes data = Text(std::string(3000, 'x') + "end");
  for (int level = 0; level <= 2; ++level) {
    SCOPED_TRACE(level);
    ScopedDir d("levels");
    LhaEntry plain{.name = "a.txt", .data = data, .level = level};
    // "表" ends in 0x5C: it must not split the name.
    LhaEntry sjis{.name = "\x95\x5C.txt", .data = Text("hyo"), .level = level};
    LhaEntry nested{.name = level == 0 ? "dir1\\dir2\\b.txt" : "b.txt", .data = Text("bee"), .level = level};
    if (level > 0) nested.dir = std::string("dir1\xFF") + "dir2";
    const Outcome r = ExtractBytes(LhaArchive({plain, sjis, nested}), d.path());
    EXPECT_EQ(r.count, 3);
    EXPECT_EQ(ReadAll(d.path() / "out/a.txt"), data);
    EXPECT_EQ(ReadAll(d.path() / "out" / "表.txt"), Text("hyo"));
    EXPECT_EQ(ReadAll(d.path() / "out/dir1/dir2/b.txt"), Text("bee"));
    EXPECT_TRUE(r.errors.empty());
  }
}

TEST(LhaReader, LevelTwoNameIsFoundByTypeWhereverItStands) {
  for (bool nameFirst : {false, true}) {
    ScopedDir d("level2");
    LhaEntry e{.name = "Oz050312.txt", .data = Text("line\r\n"), .level = 2, .nameFirstAtLevel2 = nameFirst};
    const Outcome r = ExtractBytes(LhaArchive({e}), d.path());
    EXPECT_EQ(r.count, 1);
    EXPECT_TRUE(fs::exists(d.path() / "out/Oz050312.txt"));
  }
}

TEST(LhaReader, CrcFailureAndUndecodedMethodsLeaveNothingBehind) {
  ScopedDir d("crc");
  fs::create_directories(d.path() / "out");
  WriteAll(d.path() / "out/keep.txt", Text("old contents"));
  LhaEntry bad{.name = "keep.txt", .data = Text("new contents"), .crcOverride = 0x1234};
  LhaEntry lz5{.name = "lz.txt", .data = Text("abc"), .method = "-lz5-"};
  LhaEntry lh2{.name = "two.txt", .data = Text("abc"), .method = "-lh2-"};
  LhaEntry lh3{.name = "three.txt", .data = Text("abc"), .method = "-lh3-"};
  LhaEntry lh8{.name = "eight.txt", .data = Text("abc"), .method = "-lh8-"};
  // Stored data shorter than the size the header gives, though its CRC fits the bytes there are.
  LhaEntry shortStored{.name = "short.txt", .data = Text("abc"), .unpackedOverride = 4};
  LhaEntry good{.name = "good.txt", .data = Text("fine")};
  // Last, an entry the archive's end cuts short, whose CRC is that of the bytes that are there.
  LhaEntry cut{.name = "cut.txt", .data = Text("abcdefghij"), .crcOverride = Crc16(Text("abcd"))};
  Bytes archive = LhaArchive({bad, lz5, lh2, lh3, lh8, shortStored, good});
  archive.pop_back();
  Append(archive, LhaHeaderAndData(cut));
  archive.resize(archive.size() - 6);
  const Outcome r = ExtractBytes(archive, d.path());
  EXPECT_EQ(r.count, 1);
  EXPECT_EQ(r.errors, (std::vector<int>{msg::CrcError, msg::UnsupportedMethod, msg::UnsupportedMethod,
                                        msg::UnsupportedMethod, msg::UnsupportedMethod, msg::CrcError, msg::CrcError}));
  EXPECT_EQ(r.ended, (std::vector<std::string>{"keep.txt:fail", "lz.txt:fail", "two.txt:fail", "three.txt:fail",
                                               "eight.txt:fail", "short.txt:fail", "good.txt:ok", "cut.txt:fail"}));
  // The existing file is not replaced by data that failed its check; no partial output remains.
  EXPECT_EQ(ReadAll(d.path() / "out/keep.txt"), Text("old contents"));
  auto files = AllFiles(d.path() / "out");
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<fs::path>{"good.txt", "keep.txt"}));
}

TEST(LhaReader, PathsNeverLeaveTheTargetFolder) {
  ScopedDir d("paths");
  const Outcome r = ExtractBytes(LhaArchive({{.name = "..\\x.txt", .data = Text("1")},
                                             {.name = "a\\..\\..\\y.txt", .data = Text("2")},
                                             {.name = "C:\\dir\\z.txt", .data = Text("3")},
                                             {.name = "/etc/w.txt", .data = Text("4")},
                                             {.name = "D:d.txt", .data = Text("5")},
                                             {.name = "\\lead.txt", .data = Text("6")},
                                             {.name = "s\\.\\t\\u.txt", .data = Text("7")},
                                             {.name = "k\\..", .data = Text("8")},
                                             {.name = "folder\\", .data = Text("9")}}),
                                 d.path());
  EXPECT_EQ(r.count, 6);
  EXPECT_EQ(ReadAll(d.path() / "out/x.txt"), Text("1"));
  EXPECT_EQ(ReadAll(d.path() / "out/dir/z.txt"), Text("3"));
  EXPECT_EQ(ReadAll(d.path() / "out/etc/w.txt"), Text("4"));
  EXPECT_EQ(ReadAll(d.path() / "out/d.txt"), Text("5"));
  EXPECT_EQ(ReadAll(d.path() / "out/lead.txt"), Text("6"));
  EXPECT_EQ(ReadAll(d.path() / "out/s/t/u.txt"), Text("7"));
  EXPECT_EQ(std::count(r.errors.begin(), r.errors.end(), msg::BadFileHeader), 2);
  // A name that ends in a separator but has data names no file: the entry fails.
  EXPECT_EQ(r.ended.back(), "folder\\:fail");
  EXPECT_EQ(std::count(r.errors.begin(), r.errors.end(), msg::OpenError), 1);
  EXPECT_FALSE(fs::exists(d.path() / "out/folder"));
  // Without the stored folders every entry lands in the target folder itself, so only a name ".." is refused.
  const Outcome flat = ExtractFile(d.path() / "in.lzh", d.path() / "flat", {"*.*"},
                                   [](LhaExtractor& lha) { lha.UseStoredDirs = false; });
  EXPECT_EQ(flat.count, 7);
  EXPECT_EQ(ReadAll(d.path() / "flat/y.txt"), Text("2"));
  EXPECT_EQ(ReadAll(d.path() / "flat/z.txt"), Text("3"));
  EXPECT_EQ(ReadAll(d.path() / "flat/u.txt"), Text("7"));
  EXPECT_EQ(AllFiles(d.path() / "flat").size(), 7u);
  // Nothing was written beside the target folder.
  for (auto& e : fs::directory_iterator(d.path()))
    EXPECT_TRUE(e.path().filename() == "out" || e.path().filename() == "flat" || e.path().filename() == "in.lzh")
        << e.path();
}

namespace {
// A target folder "out" holding the link "presym" to the folder "outside" beside it, which holds a
// file of the user's; plus, inside "out", a link "mine.txt" to that file.
void LinkIntoOutside(const fs::path& root) {
  fs::create_directories(root / "outside");
  WriteAll(root / "outside" / "victim.txt", Text("mine"));
  fs::create_directories(root / "out");
  fs::create_directory_symlink("../outside", root / "out" / "presym");
  fs::create_symlink("../outside/victim.txt", root / "out" / "mine.txt");
}

// Nothing in "outside" changed: the user's file as it was, nothing beside it.
void ExpectOutsideUntouched(const fs::path& root) {
  EXPECT_EQ(ReadAll(root / "outside" / "victim.txt"), Text("mine"));
  EXPECT_EQ(std::distance(fs::directory_iterator(root / "outside"), fs::directory_iterator()), 1);
}

const std::vector<std::pair<const char*, LhaEntry>>& ThroughTheLink() {
  static const std::vector<std::pair<const char*, LhaEntry>> cases = {
      {"level 0", {.name = "presym\\victim.txt", .data = Text("evil")}},
      {"level 2", {.name = "presym\\victim.txt", .data = Text("evil"), .level = 2}},
      {"level 2 folder header", {.name = "victim.txt", .data = Text("evil"), .level = 2, .dir = "presym\xFF"}},
      {"a folder to make behind it", {.name = "presym\\x\\y", .data = Text("evil")}},
  };
  return cases;
}
}  // namespace

// A symbolic link already inside the target folder leads no entry outside it. The entry through it
// fails as one whose name cannot be taken; the other entries are written, and a link in an entry's
// own place is replaced, not written through. The target folder itself may be a link.
TEST(LhaReader, LinksInsideTheTargetFolderAreNeverFollowed) {
  for (const auto& [what, entry] : ThroughTheLink()) {
    SCOPED_TRACE(what);
    ScopedDir d("links");
    LinkIntoOutside(d.path());
    const Outcome r = ExtractBytes(
        LhaArchive({entry, {.name = "mine.txt", .data = Text("new")}, {.name = "sub\\ok.txt", .data = Text("ok")}}),
        d.path());
    EXPECT_EQ(r.count, 2);
    EXPECT_TRUE(r.Has(msg::OpenError));
    EXPECT_EQ(r.Failed(), 1);
    ExpectOutsideUntouched(d.path());
    EXPECT_FALSE(fs::is_symlink(d.path() / "out" / "mine.txt"));
    EXPECT_EQ(ReadAll(d.path() / "out" / "mine.txt"), Text("new"));
    EXPECT_EQ(ReadAll(d.path() / "out" / "sub" / "ok.txt"), Text("ok"));
  }
  {
    // A folder entry behind the link makes no folder outside.
    ScopedDir d("linkdirs");
    LinkIntoOutside(d.path());
    const Outcome r = ExtractBytes(LhaArchive({{.name = "presym\\made\\", .data = {}, .level = 2, .method = "-lhd-"}}),
                                   d.path(), {"*.*"}, [](LhaExtractor& lha) { lha.CreateStoredDirs = true; });
    EXPECT_TRUE(r.Has(msg::UnableCreateDir));
    EXPECT_EQ(r.Failed(), 1);
    ExpectOutsideUntouched(d.path());
  }
  {
    ScopedDir d("linktarget");
    fs::create_directories(d.path() / "real");
    fs::create_directory_symlink("real", d.path() / "target");
    WriteAll(d.path() / "in.lzh", LhaArchive({{.name = "sub\\ok.txt", .data = Text("ok")}}));
    const Outcome r = ExtractFile(d.path() / "in.lzh", d.path() / "target");
    EXPECT_EQ(r.count, 1);
    EXPECT_TRUE(r.errors.empty());
    EXPECT_EQ(ReadAll(d.path() / "real" / "sub" / "ok.txt"), Text("ok"));
  }
}

namespace {
// Makes openat2 return ENOSYS in this process, as a kernel before 5.6 does.
bool WithoutOpenat2() {
  sock_filter filter[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_openat2, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOSYS),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  sock_fprog program{sizeof filter / sizeof filter[0], filter};
  return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}
}  // namespace

// Where the kernel cannot resolve a path beneath a folder at once, the walk name by name refuses the
// same links and still makes the folders an entry needs.
TEST(LhaReader, WithoutOpenat2TheLinksAreRefusedAsWell) {
  for (const auto& [what, entry] : ThroughTheLink()) {
    SCOPED_TRACE(what);
    ScopedDir d("linkwalk");
    LinkIntoOutside(d.path());
    const auto run = [&] {
      if (!WithoutOpenat2()) std::_Exit(2);
      const Outcome r = ExtractBytes(LhaArchive({entry, {.name = "a\\b\\ok.txt", .data = Text("ok")}}), d.path());
      const bool refused =
          r.count == 1 && r.Has(msg::OpenError) && ReadAll(d.path() / "outside" / "victim.txt") == Text("mine") &&
          !fs::exists(d.path() / "outside" / "x") && ReadAll(d.path() / "out" / "a" / "b" / "ok.txt") == Text("ok");
      std::_Exit(refused ? 0 : 1);
    };
    EXPECT_EXIT(run(), ::testing::ExitedWithCode(0), "");
  }
}

TEST(LhaReader, HeadersCutAtEveryByteEndCleanly) {
  LhaEntry one{.name = "first.txt", .data = Text(std::string(200, 'q')), .level = 1, .dir = "sub"};
  LhaEntry two{.name = "second.txt", .data = Text("zz"), .level = 2, .dir = "deep"};
  const Bytes whole = LhaArchive({one, two});
  ScopedDir d("cut");
  for (size_t cut = 1; cut < whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    const fs::path dir = d.path() / std::to_string(cut);
    fs::create_directories(dir);
    const Outcome r = ExtractBytes(Bytes(whole.begin(), whole.begin() + long(cut)), dir);
    // Whatever was written passed its check; a cut entry never leaves a file.
    EXPECT_EQ(size_t(r.count), AllFiles(dir / "out").size());
    for (const auto& e : r.ended) EXPECT_TRUE(e.ends_with(":ok") || e.ends_with(":fail"));
  }
}

TEST(LhaReader, DamagedHeaderFieldsAreBadHeaders) {
  const Bytes good = LhaArchive({{.name = "n.txt", .data = Text("data"), .level = 1, .dir = "d"}});
  struct Case {
    const char* what;
    size_t at;
    uint8_t value;
  };
  // Header size too small for the name; name length past the header; extended header size 1.
  // A header level the reader does not know is a header it cannot take, not the archive's end.
  for (const Case c :
       {Case{"head size", 0, 20}, Case{"name length", 21, 200}, Case{"ext size", 30, 1}, Case{"level", 20, 3}}) {
    SCOPED_TRACE(c.what);
    Bytes a = good;
    a[c.at] = c.value;
    ScopedDir d("badfield");
    const Outcome r = ExtractBytes(a, d.path());
    EXPECT_EQ(r.count, 0);
    EXPECT_TRUE(r.Has(msg::BadFileHeader));
    EXPECT_TRUE(AllFiles(d.path() / "out").empty());
  }
  // Level-2 extended headers of size 1 and 2, shorter than their own type and next-size fields: the header
  // CRC's (its size at 24) and the file name's (its size at 29, after the 3 bytes of the CRC's).
  const Bytes good2 = LhaArchive({{.name = "n.txt", .data = Text("data"), .level = 2}});
  for (const auto& [at, size] : {std::pair{24, 1}, std::pair{24, 2}, std::pair{29, 1}, std::pair{29, 2}}) {
    SCOPED_TRACE(std::to_string(at) + ": " + std::to_string(size));
    Bytes b = good2;
    ASSERT_EQ(b[size_t(at)], at == 24 ? 5 : 8);
    b[size_t(at)] = uint8_t(size);
    ScopedDir d("badext2");
    const Outcome r = ExtractBytes(b, d.path());
    EXPECT_EQ(r.count, 0);
    EXPECT_TRUE(r.Has(msg::BadFileHeader));
    EXPECT_TRUE(AllFiles(d.path() / "out").empty());
  }
  // Level-1 extended headers larger than the packed size.
  Bytes a = good;
  Put32(a, 7, 2);
  ScopedDir d("packed");
  EXPECT_EQ(ExtractBytes(a, d.path()).count, 0);

  // A damaged header after a sound entry ends the run there. No entry's name is known: the archive and the
  // header's place in it are reported.
  Bytes two = LhaArchive({{.name = "first.txt", .data = Text("1")}});
  two.pop_back();
  const size_t second = two.size();
  Append(two, good);
  two[second + 20] = 3;
  ScopedDir t("after");
  std::vector<std::string> reported;
  const Outcome after = ExtractBytes(two, t.path(), {"*.*"}, [&](LhaExtractor& lha) {
    lha.OnError = [&](ArchiveContext&, const std::string& name, const std::string& more, const std::string&, int code) {
      reported.push_back(name + " (" + more + "): " + std::to_string(code));
    };
  });
  EXPECT_EQ(after.count, 1);
  EXPECT_EQ(reported, std::vector<std::string>{(t.path() / "in.lzh").string() + " (header at offset " +
                                               std::to_string(second) + "): " + std::to_string(msg::BadFileHeader)});
  EXPECT_EQ(AllFiles(t.path() / "out"), std::vector<fs::path>{"first.txt"});
}

TEST(LhaReader, CorruptCompressedDataFailsTheEntry) {
  // Static-Huffman streams made of junk: table errors, impossible code lengths, early ends.
  std::mt19937 rng(7);
  for (const char* method : {"-lh1-", "-lh4-", "-lh5-", "-lh6-", "-lh7-"}) {
    for (int round = 0; round < 20; ++round) {
      SCOPED_TRACE(std::string(method) + " " + std::to_string(round));
      Bytes junk(size_t(1 + rng() % 300));
      for (auto& b : junk) b = uint8_t(rng());
      LhaEntry e{
          .name = "j.bin", .data = Text("x"), .method = method, .packedOverride = junk, .unpackedOverride = 100000};
      ScopedDir d("junk");
      const Outcome r = ExtractBytes(LhaArchive({e}), d.path());
      EXPECT_EQ(r.count, 0);
      EXPECT_TRUE(AllFiles(d.path() / "out").empty());
    }
  }
}

TEST(LhaReader, EmptyArchiveAndNonArchive) {
  ScopedDir d("empty");
  EXPECT_EQ(ExtractBytes(Bytes(30, 0), d.path()).count, 0);
  ScopedDir e("text");
  const Outcome r = ExtractBytes(Text(std::string(100, 'a')), e.path());
  EXPECT_EQ(r.count, 0);
  EXPECT_TRUE(r.Has(msg::BadFileHeader));
}

TEST(LhaReader, NamesFromExtendedHeadersAndTheUtf8Flag) {
  // A level-1 file-name header carries the whole name when the base header's field is short.
  ScopedDir d("extname");
  LhaEntry longName{.name = "LONGNA~1.TXT", .data = Text("1"), .level = 1, .levelOneExtName = "long name.txt"};
  // A level-2 header flagged as written on Unix ("U") keeps a UTF-8 name; others are CP932.
  LhaEntry utf8{.name = "\xE9\x83\xA8.txt", .data = Text("2"), .level = 2, .osId = 'U'};
  LhaEntry cp932{.name = "\x93\xFA.txt", .data = Text("3"), .level = 2};
  // A Unix header's folders are UTF-8 as well, separated by 0xFF even behind a character whose last byte
  // would lead a CP932 one ("あ"); a name that is no UTF-8 is read as CP932 after all.
  LhaEntry utf8Dir{
      .name = "in.txt", .data = Text("4"), .level = 2, .dir = "\xE9\x83\xA8\xFF\xE3\x81\x82\xFF", .osId = 'U'};
  LhaEntry notUtf8{.name =
                       "\x93\xFA"
                       "2.txt",
                   .data = Text("5"),
                   .level = 2,
                   .osId = 'U'};
  // Amiga archivers keep a comment after a NUL in the name field.
  LhaEntry comment{.name = std::string("c.txt\0a comment", 15), .data = Text("6")};
  const Outcome r = ExtractBytes(LhaArchive({longName, utf8, cp932, utf8Dir, notUtf8, comment}), d.path());
  EXPECT_EQ(r.count, 6);
  EXPECT_EQ(ReadAll(d.path() / "out/long name.txt"), Text("1"));
  EXPECT_EQ(ReadAll(d.path() / "out" / "部.txt"), Text("2"));
  EXPECT_EQ(ReadAll(d.path() / "out" / "日.txt"), Text("3"));
  EXPECT_EQ(ReadAll(d.path() / "out" / "部" / "あ" / "in.txt"), Text("4"));
  EXPECT_EQ(ReadAll(d.path() / "out" / "日2.txt"), Text("5"));
  EXPECT_EQ(ReadAll(d.path() / "out" / "c.txt"), Text("6"));
  EXPECT_EQ(AllFiles(d.path() / "out").size(), 6u);
}

TEST(LhaReader, LongLevelTwoHeadersAndTheZeroLowByteEndMark) {
  // A level-2 header of more than 255 bytes is stepped over by its 16-bit length.
  ScopedDir d("long2");
  const std::string dir = std::string(120, 'a') + "\xFF" + std::string(120, 'b');
  LhaEntry deep{.name = "x.txt", .data = Text("deep"), .level = 2, .dir = dir};
  LhaEntry next{.name = "y.txt", .data = Text("next"), .level = 2};
  const Bytes archive = LhaArchive({deep, next});
  ASSERT_GT(archive[1], 0);  // the first header's length is above 255
  const Outcome r = ExtractBytes(archive, d.path());
  EXPECT_EQ(r.count, 2);
  EXPECT_EQ(ReadAll(d.path() / "out" / std::string(120, 'a') / std::string(120, 'b') / "x.txt"), Text("deep"));
  EXPECT_EQ(ReadAll(d.path() / "out/y.txt"), Text("next"));

  // A header length whose low byte is 0 reads as the archive's end mark, as the format has it.
  bool found = false;
  for (size_t nameLength = 1; nameLength < 300 && !found; ++nameLength) {
    LhaEntry e{.name = std::string(nameLength, 'n'), .data = Text("z"), .level = 2};
    Bytes a = LhaArchive({e});
    if (a[0] != 0) continue;
    Bytes withHeader = LhaArchive({{.name = "first.txt", .data = Text("f")}});
    withHeader.pop_back();
    Append(withHeader, a);
    ScopedDir z("lowbyte");
    const Outcome o = ExtractBytes(withHeader, z.path());
    EXPECT_EQ(o.count, 1);
    EXPECT_EQ(AllFiles(z.path() / "out"), std::vector<fs::path>{"first.txt"});
    found = true;
  }
  EXPECT_TRUE(found);
}

TEST(LhaReader, DirectoryEntriesAndEmptyEntries) {
  // An empty -lh5- entry reads nothing of its (junk) packed bytes and still passes.
  LhaEntry empty{.name = "empty.txt", .data = {}, .method = "-lh5-", .packedOverride = Bytes(40, 0xA5)};
  LhaEntry folder{.name = "folder\\", .data = {}, .level = 1, .method = "-lhd-"};
  // Empty folders stored as empty -lh0- entries whose name ends with a separator (Amiga LhA).
  LhaEntry storedFolder{.name = "",
                        .data = {},
                        .level = 1,
                        .dir =
                            "stored\xFF"
                            "empty\xFF"};
  LhaEntry plainFolder{.name = "plain\\", .data = {}};
  for (bool create : {false, true}) {
    SCOPED_TRACE(create);
    ScopedDir d("dirs");
    const Outcome r = ExtractBytes(LhaArchive({folder, storedFolder, plainFolder, empty}), d.path(), {"*.*"},
                                   [&](LhaExtractor& lha) { lha.CreateStoredDirs = create; });
    EXPECT_EQ(r.count, 1);  // a directory entry is not a file written
    EXPECT_TRUE(r.errors.empty());
    EXPECT_EQ(fs::is_directory(d.path() / "out/folder"), create);
    EXPECT_EQ(fs::is_directory(d.path() / "out/stored/empty"), create);
    EXPECT_EQ(fs::is_directory(d.path() / "out/plain"), create);
    EXPECT_EQ(r.ended.size(), 4u);
    EXPECT_EQ(ReadAll(d.path() / "out/empty.txt").size(), 0u);
    for (const auto& e : r.ended) EXPECT_TRUE(e.ends_with(":ok")) << e;
  }
}
