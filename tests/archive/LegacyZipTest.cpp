// Shrinking, reducing and imploding: hand-made streams for the cases the methods are known to
// get wrong, damaged data, and the legacy entries of the peer archives.
#include <gtest/gtest.h>

#include "archive/Bzip2Stream.h"
#include "archive/DeflateMethods.h"
#include "archive/LegacyZip.h"
#include "tests/archive/ZipEntryWalk.h"

using namespace corvina::archive;
using namespace testutil;

namespace {

std::string Str(const Bytes& b) { return std::string(b.begin(), b.end()); }

// n bytes that repeat only every 251, so that a copy from a wrong place shows.
std::string Pattern(size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += char(i % 251);
  return s;
}

Bytes Codes(const std::vector<std::pair<unsigned, unsigned>>& codes)  // (value, width)
{
  BitWriter w;
  for (auto [v, n] : codes) w.Put(v, n);
  return w.bytes;
}

DecodeRun Shrunk(const std::vector<unsigned>& codes9, int64_t size = 1000) {
  std::vector<std::pair<unsigned, unsigned>> c;
  for (unsigned v : codes9) c.push_back({v, 9});
  return RunDecoder(Unshrink, Codes(c), size);
}

// Reduced data: follower sets (X = 255 down to 0; all empty except those given), then raw bytes.
Bytes Reduced(const std::vector<std::pair<int, Bytes>>& sets, const std::function<void(BitWriter&)>& data) {
  BitWriter w;
  for (int x = 255; x >= 0; --x) {
    const Bytes* set = nullptr;
    for (const auto& s : sets)
      if (s.first == x) set = &s.second;
    w.Put(set ? unsigned(set->size()) : 0, 6);
    if (set)
      for (uint8_t b : *set) w.Put(b, 8);
  }
  data(w);
  return w.bytes;
}

// Imploded data with flat trees (every code of a tree the same length), so the codes are the
// symbols themselves, sent with their bits inverted.
struct Imploder {
  BitWriter w;
  bool literalTree, bigWindow;
  Imploder(bool literalTree, bool bigWindow) : literalTree(literalTree), bigWindow(bigWindow) {
    if (literalTree) {
      w.Put(15, 8);
      for (int i = 0; i < 16; ++i) w.Put(0xF7, 8);  // 16 x 16 lengths of 8
    }
    for (int t = 0; t < 2; ++t) {
      w.Put(3, 8);
      for (int i = 0; i < 4; ++i) w.Put(0xF5, 8);  // 4 x 16 lengths of 6
    }
  }
  void Literal(uint8_t c) {
    w.Put(1, 1);
    if (literalTree)
      w.Code(~unsigned(c) & 0xFF, 8);
    else
      w.Put(c, 8);
  }
  void Match(unsigned distance, unsigned length) {
    const unsigned low = bigWindow ? 7 : 6;
    w.Put(0, 1);
    w.Put((distance - 1) & ((1u << low) - 1), low);
    w.Code(~((distance - 1) >> low) & 63, 6);
    const unsigned code = std::min(length - (literalTree ? 3 : 2), 63u);
    w.Code(~code & 63, 6);
    if (code == 63) w.Put(length - (literalTree ? 3 : 2) - 63, 8);
  }
  uint16_t Flags() const { return uint16_t((bigWindow ? 2 : 0) | (literalTree ? 4 : 0)); }
};

}  // namespace

TEST(Unshrink, LzwCasesThatReuseCodes) {
  // The code being defined used at once ("KwKwK").
  EXPECT_EQ(Str(Shrunk({97, 257, 258}).out), "aaaaaa");
  // After a partial clear the freed leaves (258, 259) come back from the smallest while 257,
  // which has a child, keeps its meaning.
  const auto cleared = Shrunk({97, 98, 257, 97, 256, 2, 98, 258, 257});
  EXPECT_EQ(cleared.result, DecodeResult::Ok);
  EXPECT_EQ(Str(cleared.out), "ababababab");
  // 256 then 1 widens the codes to 10 bits.
  const auto wide = RunDecoder(Unshrink, Codes({{97, 9}, {256, 9}, {1, 9}, {98, 10}, {257, 10}}), 10);
  EXPECT_EQ(wide.result, DecodeResult::Ok);
  EXPECT_EQ(Str(wide.out), "abab");
  // Data that ends right after the escape code 256 ends the entry, not as damage.
  const auto endsAtEscape = Shrunk({97, 98, 256});
  EXPECT_EQ(endsAtEscape.result, DecodeResult::Ok);
  EXPECT_EQ(Str(endsAtEscape.out), "ab");
}

TEST(Unshrink, DamagedCodesAreBadBlocks) {
  const struct {
    const char* what;
    Bytes data;
  } cases[] = {
      {"no first code", {}},
      {"first code not a byte", Codes({{300, 9}})},
      {"sub-code 3 after 256", Codes({{97, 9}, {256, 9}, {3, 9}})},
      {"free code other than the next", Codes({{97, 9}, {300, 9}})},
      {"width past 13 bits", Codes({{97, 9},
                                    {256, 9},
                                    {1, 9},
                                    {256, 10},
                                    {1, 10},
                                    {256, 11},
                                    {1, 11},
                                    {256, 12},
                                    {1, 12},
                                    {256, 13},
                                    {1, 13}})},
  };
  for (const auto& c : cases) {
    const auto run = RunDecoder(Unshrink, c.data, 100);
    EXPECT_EQ(run.result, DecodeResult::BadData) << c.what;
    EXPECT_EQ(DecodeResultMessage(1, run.result), 25116) << c.what;
  }
  EXPECT_EQ(DecodeResultMessage(1, DecodeResult::StackOverflow), 25305);
  EXPECT_EQ(DecodeResultMessage(6, DecodeResult::BadData), 0);
}

TEST(Unreduce, FollowerSetsDleAndMatches) {
  struct Case {
    const char* what;
    int factor;
    Bytes data;
    std::string want;
    DecodeResult result;
  };
  const Case cases[] = {
      {"match and DLE 0", 1,
       Reduced({},
               [](BitWriter& w) {
                 for (unsigned b : std::initializer_list<unsigned>{'A', 'B', 'C', 144, 1, 2, 144, 0}) w.Put(b, 8);
               }),
       "ABCABCA\x90", DecodeResult::Ok},
      {"follower index, then plain bytes after an empty set", 1,
       Reduced({{0, Text("Z")}},
               [](BitWriter& w) {
                 w.Put(0, 1);
                 w.Put(0, 1);
                 w.Put('Q', 8);
               }),
       "ZQ", DecodeResult::Ok},
      {"long length through the extra byte", 1,
       Reduced({},
               [](BitWriter& w) {
                 for (unsigned b : std::initializer_list<unsigned>{'x', 144, 127, 10, 0}) w.Put(b, 8);
               }),
       std::string(141, 'x'), DecodeResult::Ok},
      {"factor 4 distance before the start gives zeros", 4,
       Reduced({},
               [](BitWriter& w) {
                 for (unsigned b : std::initializer_list<unsigned>{'A', 'B', 144, 0x21, 0}) w.Put(b, 8);
               }),
       std::string("AB\0\0\0\0", 6), DecodeResult::Ok},
      {"follower set of 33", 1, Codes({{33, 6}}), "", DecodeResult::BadData},
      {"data ends early", 2, Reduced({}, [](BitWriter& w) { w.Put('A', 8); }), "A", DecodeResult::InputEnded},
  };
  for (const auto& c : cases) {
    const auto run = RunDecoder([&](ZipDecodeIo& io) { return Unreduce(io, c.factor); }, c.data,
                                c.result == DecodeResult::InputEnded ? 5 : int64_t(c.want.size()));
    EXPECT_EQ(run.result, c.result) << c.what;
    EXPECT_EQ(Str(run.out), c.want) << c.what;
  }
  // A follower index takes as few bits as its set's size needs: the last follower of sets at
  // each edge of the widths.
  for (const auto& [size, bits] :
       {std::pair{2u, 1u}, {3u, 2u}, {4u, 2u}, {5u, 3u}, {8u, 3u}, {9u, 4u}, {16u, 4u}, {17u, 5u}, {32u, 5u}}) {
    Bytes set;
    for (unsigned i = 0; i < size; ++i) set.push_back(uint8_t('A' + i));
    const auto run = RunDecoder([](ZipDecodeIo& io) { return Unreduce(io, 1); },
                                Reduced({{0, set}},
                                        [&](BitWriter& w) {
                                          w.Put(0, 1);
                                          w.Put(size - 1, bits);
                                          w.Put('Q', 8);
                                        }),
                                2);
    EXPECT_EQ(run.result, DecodeResult::Ok) << size;
    EXPECT_EQ(Str(run.out), std::string(1, char('A' + size - 1)) + "Q") << size;
  }
}

TEST(Explode, WindowsTreesAndLongMatches) {
  struct Case {
    const char* what;
    bool lit, big;
    std::function<void(Imploder&)> build;
    std::string want;
  };
  const Case cases[] = {
      {"4K window, raw literals", false, false,
       [](Imploder& m) {
         m.Literal('A');
         m.Literal('B');
         m.Match(2, 4);
       },
       "ABABAB"},
      {"match before the start gives zeros", false, false,
       [](Imploder& m) {
         m.Match(100, 3);
         m.Literal('C');
       },
       std::string("\0\0\0C", 4)},
      {"length code 63 with its extra byte", false, false,
       [](Imploder& m) {
         m.Literal('z');
         m.Match(1, 2 + 63 + 10);
       },
       std::string(76, 'z')},
      {"literal tree and 8K window", true, true,
       [](Imploder& m) {
         for (char c : std::string("xyz")) m.Literal(uint8_t(c));
         m.Match(3, 6);
       },
       "xyzxyzxyz"},
      {"inverted codes of all ones: whole zero bytes in the stream", true, false,
       [](Imploder& m) {
         for (int i = 0; i < 20; ++i) m.Literal(0xFF);
         m.Literal('a');
         m.Match(1, 10);
       },
       std::string(20, '\xFF') + std::string(11, 'a')},
      {"8K distance", false, true,
       [](Imploder& m) {
         m.Literal('q');
         for (int i = 0; i < 80; ++i) m.Match(1, 2 + 63 + 100);  // 80 x 165 bytes of 'q'
         m.Literal('r');
         m.Match(8000, 2);
       },
       std::string(1 + 80 * 165, 'q') + "r" + "qq"},
      // Every field of a match at its largest: all low distance bits and the distance code set, the
      // length code 63 and its extra byte 255.
      {"longest match, 4K window", false, false,
       [](Imploder& m) {
         for (const char c : Pattern(4096)) m.Literal(uint8_t(c));
         m.Match(4096, 2 + 63 + 255);
       },
       Pattern(4096) + Pattern(320)},
      {"longest match, literal tree and 8K window", true, true,
       [](Imploder& m) {
         for (const char c : Pattern(8192)) m.Literal(uint8_t(c));
         m.Match(8192, 3 + 63 + 255);
       },
       Pattern(8192) + Pattern(321)},
  };
  for (const auto& c : cases) {
    Imploder m(c.lit, c.big);
    c.build(m);
    // The entry's other flags (encrypted, trailing descriptor) change nothing of the decoding.
    for (const uint16_t others : {0, 1 | 8}) {
      const auto run = RunDecoder(Explode, m.w.bytes, int64_t(c.want.size()), m.Flags() | others);
      EXPECT_EQ(run.result, DecodeResult::Ok) << c.what << " " << others;
      EXPECT_EQ(Str(run.out), c.want) << c.what << " " << others;
    }
  }
}

TEST(Explode, DamagedTreesAndTruncatedData) {
  // Data that ends inside a code or before a long match's extra byte: what was whole is written,
  // nothing made up after it.
  Imploder raw(false, false), coded(true, false), longMatch(false, false);
  raw.Literal('A');
  coded.Literal('A');
  longMatch.Literal('z');
  longMatch.Match(1, 2 + 63 + 10);
  longMatch.w.bytes.pop_back();  // the last bits of the extra byte
  for (const Imploder* m : {&raw, &coded, &longMatch}) {
    const auto cut = RunDecoder(Explode, m->w.bytes, 100, m->Flags());
    EXPECT_EQ(cut.result, DecodeResult::InputEnded);
    EXPECT_EQ(Str(cut.out), m == &longMatch ? "z" : "A");
  }
  // A tree with too few lengths, one with too many, and an incomplete one.
  const Bytes bad[] = {{0, 0xF5}, {4, 0xF5, 0xF5, 0xF5, 0xF5, 0xF5}, {3, 0xF5, 0xF5, 0xF5, 0xE5}};
  for (const auto& b : bad) EXPECT_EQ(RunDecoder(Explode, b, 10, 0).result, DecodeResult::BadData);
}

TEST(LegacyPeers, ShrunkReducedAndImplodedEntriesMatchTheirCrc) {
  if (!fs::exists(PeerDir())) GTEST_SKIP() << "no peer archives";
  int seen[7] = {};
  CheckPeerEntries({1, 2, 3, 4, 5, 6}, [&](ZipDecodeIo& io, int method) {
    ++seen[method];
    if (method == 1) return Unshrink(io);
    if (method == 6) return Explode(io);
    return Unreduce(io, method - 1);
  });
  EXPECT_GE(seen[1], 1);
  EXPECT_GE(seen[6], 1);
  EXPECT_GE(seen[2] + seen[3] + seen[4] + seen[5], 1);
}

// Every decoder over damaged peer entries and pseudo-random bytes: each ends (no hang) and
// stays inside its buffers (checked under AddressSanitizer).
TEST(AllDecoders, ArbitraryBytesEndCleanly) {
  std::vector<Bytes> inputs;
  uint32_t seed = 12345;
  for (int n = 0; n < 40; ++n) {
    Bytes b(size_t(50 + n * 97));
    for (auto& x : b) x = uint8_t((seed = seed * 1103515245u + 12345u) >> 16);
    inputs.push_back(b);
  }
  for (const char* f : {"libarchive/test_read_format_zip_bz2_hang.zip", "zip2/raw_deflate64_index_out_of_bounds.zip",
                        "zip2/deflate64_issue_25.zip"}) {
    const Bytes zip = ReadAll(PeerDir() / f);
    if (zip.size() > 30)
      inputs.emplace_back(zip.begin() + 30 + long(Get16(zip, 26) + Get16(zip, 28)) % long(zip.size() - 30), zip.end());
  }
  const std::function<DecodeResult(ZipDecodeIo&)> decoders[] = {
      InflateDeflate,
      InflateDeflate64,
      BZip2DecodeStream,
      Unshrink,
      Explode,
      [](ZipDecodeIo& io) { return Unreduce(io, 1); },
      [](ZipDecodeIo& io) { return Unreduce(io, 4); },
  };
  for (const auto& in : inputs)
    for (const auto& d : decoders)
      for (uint16_t flags : {0, 6}) {
        const auto run = RunDecoder(d, in, 1 << 20, flags, 37);
        EXPECT_LE(run.out.size(), size_t(1) << 22);
      }
}
