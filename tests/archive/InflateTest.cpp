// The inflate engine and its ZIP drivers: zlib wrapping, block types, the Deflate64 extensions,
// damaged streams, and the deflated entries of the peer archives.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <tuple>

#include "archive/DecompressStream.h"
#include "archive/DeflateMethods.h"
#include "archive/Inflate.h"
#include "archive/InflateHuffman.h"
#include "tests/archive/ZipEntryWalk.h"

using namespace corvina::archive;
using namespace testutil;

namespace {

DecodeRun Inflate64Or32(const Bytes& packed, bool deflate64, int64_t size = 0, size_t chunk = 1 << 20) {
  return RunDecoder([&](ZipDecodeIo& io) { return deflate64 ? InflateDeflate64(io) : InflateDeflate(io); }, packed,
                    size, 0, chunk);
}

// zlib.compress(b"hello hello hello zlib", 9)
const Bytes kZlib = {0x78, 0xda, 0xcb, 0x48, 0xcd, 0xc9, 0xc9, 0x57, 0xc8, 0x40,
                     0x22, 0xab, 0x72, 0x32, 0x93, 0x00, 0x5f, 0x9f, 0x08, 0x4e};

// The engine driven directly: input handed out `inPiece` bytes at a time, output taken `outChunk` bytes at a time.
InflateResult InflateAll(const Bytes& in, int windowBits, Bytes& out, size_t outChunk = 4096, bool deflate64 = false,
                         size_t inPiece = size_t(-1)) {
  ZStreamRec rec;
  InflateResult r = InflateInit(&rec, windowBits, kZStreamRecSize, deflate64);
  if (r != InflateResult::Ok) return r;
  size_t at = 0;
  std::vector<uint8_t> buf(outChunk);
  do {
    if (rec.AvailIn == 0) {
      rec.NextIn = in.data() + at;
      rec.AvailIn = uint32_t(std::min(inPiece, in.size() - at));
      at += rec.AvailIn;
    }
    rec.NextOut = buf.data();
    rec.AvailOut = uint32_t(buf.size());
    r = Inflate(&rec, 0);
    out.insert(out.end(), buf.data(), buf.data() + (buf.size() - rec.AvailOut));
  } while (r == InflateResult::Ok || (r == InflateResult::BufError && at < in.size()));
  InflateEnd(&rec);
  return r;
}

// A dynamic block header and its code lengths. The code-length code gives symbols 0-4 and 16-18 three bits
// each; `lengths` are code-length symbols, each with the value of its extra bits (16: 2 bits, 17: 3, 18: 7).
void Dynamic(BitWriter& w, bool last, unsigned nlen, unsigned ndist,
             const std::vector<std::pair<unsigned, unsigned>>& lengths) {
  const unsigned order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
  const std::vector<unsigned> used = {0, 1, 2, 3, 4, 16, 17, 18};
  w.Put(last, 1);
  w.Put(2, 2);
  w.Put(nlen - 257, 5);
  w.Put(ndist - 1, 5);
  w.Put(15, 4);
  for (unsigned sym : order) w.Put(std::count(used.begin(), used.end(), sym) ? 3 : 0, 3);
  for (const auto& [sym, extra] : lengths) {
    w.Code(unsigned(std::find(used.begin(), used.end(), sym) - used.begin()), 3);
    if (sym >= 16) w.Put(extra, sym == 16 ? 2 : sym == 17 ? 3 : 7);
  }
}

// Code lengths of a literal code for "abcde" and the end of block: 'a' and 256 two bits, 'b' to 'e' three bits
// (codes a 00, end 01, b 100 ... e 111), with every kind of repeat; and one distance code of one bit.
std::vector<std::pair<unsigned, unsigned>> AbcdeLengths() {
  return {{18, 86}, {2, 0}, {3, 0}, {16, 0}, {18, 127}, {17, 7}, {17, 3}, {2, 0}, {1, 0}};
}

}  // namespace

TEST(InflateEngine, InitChecksWindowBitsAndRecordSize) {
  struct Case {
    int bits, size;
    bool deflate64;
    InflateResult want;
  } cases[] = {
      {15, kZStreamRecSize, false, InflateResult::Ok},
      {-15, kZStreamRecSize, false, InflateResult::Ok},
      {8, kZStreamRecSize, false, InflateResult::Ok},
      {7, kZStreamRecSize, false, InflateResult::StreamError},
      {16, kZStreamRecSize, false, InflateResult::StreamError},
      {-16, kZStreamRecSize, false, InflateResult::StreamError},
      {15, 73, false, InflateResult::VersionError},
      {-15, kZStreamRecSize, true, InflateResult::Ok},
      {16, kZStreamRecSize, true, InflateResult::StreamError},
  };
  for (const auto& c : cases) {
    ZStreamRec rec;
    EXPECT_EQ(InflateInit(&rec, c.bits, c.size, c.deflate64), c.want) << c.bits << " " << c.size << " " << c.deflate64;
    if (c.want == InflateResult::Ok) {
      EXPECT_EQ(InflateEnd(&rec), InflateResult::Ok);
    }
  }
  EXPECT_EQ(InflateInit(nullptr, 15), InflateResult::StreamError);
  ZStreamRec none;
  EXPECT_EQ(Inflate(&none, 0), InflateResult::StreamError);
  EXPECT_EQ(InflateEnd(&none), InflateResult::StreamError);
  EXPECT_EQ(Adler32(0, nullptr, 0), 1u);

  // The caller's allocator: each of the two blocks failing gives MemError, and every block taken is given back.
  struct Pool {
    int calls = 0, failAt = 0, live = 0;
  };
  for (const int failAt : {1, 2, 0}) {
    SCOPED_TRACE(failAt);
    Pool pool{.failAt = failAt};
    ZStreamRec rec;
    rec.Opaque = &pool;
    rec.ZAlloc = [](void* opaque, uint32_t items, uint32_t size) -> void* {
      auto& p = *static_cast<Pool*>(opaque);
      if (++p.calls == p.failAt) return nullptr;
      ++p.live;
      return std::calloc(items, size);
    };
    rec.ZFree = [](void* opaque, void* address) {
      --static_cast<Pool*>(opaque)->live;
      std::free(address);
    };
    EXPECT_EQ(InflateInit(&rec, 15), failAt ? InflateResult::MemError : InflateResult::Ok);
    if (!failAt) {
      // A step told to finish that cannot: BufError; the whole stream: its end.
      rec.NextIn = kZlib.data();
      rec.AvailIn = 10;
      uint8_t out[64];
      rec.NextOut = out;
      rec.AvailOut = sizeof out;
      EXPECT_EQ(Inflate(&rec, kInflateFinish), InflateResult::BufError);
      rec.AvailIn = uint32_t(kZlib.size() - 10);
      EXPECT_EQ(Inflate(&rec, kInflateFinish), InflateResult::StreamEnd);
      EXPECT_EQ(rec.TotalOut, 22u);
      EXPECT_EQ(rec.TotalIn, kZlib.size());
      EXPECT_EQ(InflateEnd(&rec), InflateResult::Ok);
    }
    EXPECT_EQ(pool.live, 0);
  }
}

TEST(InflateEngine, HuffmanTablesTellCompleteIncompleteBadAndNoRoom) {
  struct Case {
    std::vector<uint8_t> lens;
    unsigned rootBits;
    size_t room;
    int want;
    size_t used;  // entries taken from the pool
  } cases[] = {
      {{1, 1}, 1, 2, kHuffComplete, 2},       {{1, 2}, 2, 4, kHuffIncomplete, 4},
      {{0, 0, 1}, 1, 2, kHuffIncomplete, 2},  {{1, 1, 1}, 1, 2, kHuffBad, 0},
      {{17, 1}, 1, 2, kHuffBad, 0},           {{1, 2, 3, 3}, 2, 3, kHuffNoRoom, 0},  // not even the root table fits
      {{1, 2, 3, 3}, 2, 5, kHuffNoRoom, 0},  // the root table fits, its sub-table does not
      {{1, 2, 3, 3}, 2, 6, kHuffComplete, 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.lens.size() << " codes, root " << c.rootBits << ", room " << c.room);
    std::vector<HuffEntry> table(c.room);
    size_t used = 5;
    EXPECT_EQ(BuildHuffmanTable(c.lens.data(), unsigned(c.lens.size()), c.rootBits, table.data(), c.room, used),
              c.want);
    EXPECT_EQ(used, 5 + c.used);
  }
  // Codes 0, 10, 110, 111 (first bit sent first), the last two through the sub-table.
  const uint8_t lens[] = {1, 2, 3, 3};
  HuffEntry table[6];
  size_t used = 0;
  ASSERT_EQ(BuildHuffmanTable(lens, 4, 2, table, 6, used), kHuffComplete);
  struct Code {
    uint64_t hold;
    unsigned value, bits;
  } codes[] = {{0b0, 0, 1}, {0b01, 1, 2}, {0b011, 2, 3}, {0b111, 3, 3}};
  for (const auto& c : codes) {
    HuffEntry e;
    unsigned took = 0;
    ASSERT_TRUE(DecodeSymbol(table, 2, c.hold, 3, e, took)) << c.value;
    EXPECT_EQ(e.Kind, HuffKind::Symbol);
    EXPECT_EQ(e.Value, c.value);
    EXPECT_EQ(took, c.bits);
    // One bit short of the code: not yet.
    EXPECT_FALSE(DecodeSymbol(table, 2, c.hold, c.bits - 1, e, took)) << c.value;
  }
}

TEST(InflateEngine, ZlibWrapperHeaderAndCheck) {
  Bytes out;
  EXPECT_EQ(InflateAll(kZlib, 15, out), InflateResult::StreamEnd);
  EXPECT_EQ(std::string(out.begin(), out.end()), "hello hello hello zlib");
  // Header and check too arrive a byte at a time.
  out.clear();
  EXPECT_EQ(InflateAll(kZlib, 15, out, 1, false, 1), InflateResult::StreamEnd);
  EXPECT_EQ(std::string(out.begin(), out.end()), "hello hello hello zlib");

  struct Case {
    const char* what;
    size_t at;
    uint8_t value;
    InflateResult want;
  } cases[] = {
      {"Adler-32 mismatch", kZlib.size() - 1, 0x4f, InflateResult::DataError},
      {"method not 8", 0, 0x79, InflateResult::DataError},
      {"header not a multiple of 31", 1, 0xdb, InflateResult::DataError},
      {"window larger than allowed", 0, 0x88, InflateResult::DataError},
  };
  for (const auto& c : cases) {
    Bytes bad = kZlib;
    bad[c.at] = c.value;
    Bytes o;
    EXPECT_EQ(InflateAll(bad, 15, o), c.want) << c.what;
  }
  // 0x78 0xbb: the preset-dictionary flag; the dictionary id follows.
  Bytes dict = {0x78, 0xbb, 0x12, 0x34, 0x56, 0x78, 0x00};
  Bytes o;
  EXPECT_EQ(InflateAll(dict, 15, o), InflateResult::NeedDict);
  // The caller is told which dictionary, and asking again gives the same answer.
  ZStreamRec rec;
  ASSERT_EQ(InflateInit(&rec, 15), InflateResult::Ok);
  rec.NextIn = dict.data();
  rec.AvailIn = uint32_t(dict.size());
  uint8_t one = 0;
  rec.NextOut = &one;
  rec.AvailOut = 1;
  EXPECT_EQ(Inflate(&rec, 0), InflateResult::NeedDict);
  EXPECT_EQ(rec.Adler, 0x12345678u);
  EXPECT_EQ(Inflate(&rec, 0), InflateResult::NeedDict);
  EXPECT_EQ(rec.Adler, 0x12345678u);
  InflateEnd(&rec);
  // Window bits 9 refuse a header that asks for 32 KiB, or for 1 KiB, but take one that asks for 512 bytes; a
  // header (with a good check) that asks for 64 KiB is refused by window bits 15.
  EXPECT_EQ(InflateAll(kZlib, 9, o), InflateResult::DataError);
  for (const auto& [cmf, flg, bits, want] :
       {std::tuple{0x18, 0x19, 9, InflateResult::StreamEnd}, std::tuple{0x28, 0x15, 9, InflateResult::DataError},
        std::tuple{0x88, 0x1C, 15, InflateResult::DataError}}) {
    Bytes small = kZlib;
    small[0] = uint8_t(cmf);
    small[1] = uint8_t(flg);
    ASSERT_EQ((cmf * 256 + flg) % 31, 0);
    o.clear();
    EXPECT_EQ(InflateAll(small, bits, o), want) << cmf;
    if (want == InflateResult::StreamEnd) {
      EXPECT_EQ(std::string(o.begin(), o.end()), "hello hello hello zlib");
    }
  }

  // A long stream of high bytes, whose check sums wrap many times over, in two stored blocks.
  const Bytes ones(70000, 0xFF);
  uint32_t a = 1, b = 0;
  for (uint8_t x : ones) {
    a = (a + x) % 65521;
    b = (b + a) % 65521;
  }
  BitWriter w;
  w.Put(0x0178, 16);
  w.Stored(Bytes(ones.begin(), ones.begin() + 65535), false);
  w.Stored(Bytes(ones.begin() + 65535, ones.end()), true);
  for (const uint32_t v : {b >> 8, b, a >> 8, a}) w.bytes.push_back(uint8_t(v));
  Bytes long1;
  EXPECT_EQ(InflateAll(w.bytes, 15, long1, 5000), InflateResult::StreamEnd);
  EXPECT_TRUE(long1 == ones);
  EXPECT_EQ(Adler32(1, ones.data(), ones.size()), (b << 16) | a);
  w.bytes.back() ^= 1;
  EXPECT_EQ(InflateAll(w.bytes, 15, o), InflateResult::DataError);
}

TEST(InflateEngine, ResumesAcrossOneByteInputAndOutput) {
  BitWriter w;
  w.Stored(Text("stored "), false);
  w.Put(0, 1);
  w.Put(1, 2);  // fixed codes
  for (char c : std::string("abcabcabc")) w.Fixed(uint8_t(c));
  w.Fixed(265);  // length 11 + 1 extra bit
  w.Put(1, 1);
  w.Code(4, 5);  // distance 5 + 1 extra bit: 6
  w.Put(1, 1);
  w.Fixed(256);
  // An empty dynamic block whose literal code is the end of block alone, one bit long.
  Dynamic(w, false, 257, 1, {{18, 127}, {18, 107}, {1, 0}, {1, 0}});
  w.Code(0, 1);
  // The last block, dynamic: "abcde".
  Dynamic(w, true, 257, 1, AbcdeLengths());
  for (unsigned code : {0u, 4u, 5u, 6u, 7u}) w.Code(code, code ? 3 : 2);
  w.Code(1, 2);
  // "abcabcabc" then 12 bytes copied from 6 back.
  const std::string want = "stored abcabcabcabcabcabcabcabcde";
  ZStreamRec rec;
  ASSERT_EQ(InflateInit(&rec, -15), InflateResult::Ok);
  Bytes out;
  InflateResult r = InflateResult::Ok;
  size_t at = 0;
  for (int guard = 0; guard < 10000 && r != InflateResult::StreamEnd; ++guard) {
    uint8_t b = 0;
    rec.NextIn = w.bytes.data() + at;
    rec.AvailIn = at < w.bytes.size() ? 1 : 0;
    rec.NextOut = &b;
    rec.AvailOut = 1;
    r = Inflate(&rec, 0);
    ASSERT_GE(r, InflateResult::BufError);
    at += rec.AvailIn == 0 && at < w.bytes.size() ? 1 : 0;
    if (rec.AvailOut == 0) out.push_back(b);
  }
  InflateEnd(&rec);
  EXPECT_EQ(r, InflateResult::StreamEnd);
  EXPECT_EQ(std::string(out.begin(), out.end()), want);
}

TEST(InflateEngine, DamagedStreamsEndWithTheirError) {
  struct Case {
    const char* what;
    std::function<void(BitWriter&)> build;
    bool deflate64;
    DecodeResult want;
  };
  const Case cases[] = {
      {"block type 3", [](BitWriter& w) { w.Put(7, 3); }, false, DecodeResult::BadData},
      {"NLEN not the complement of LEN",
       [](BitWriter& w) {
         w.Put(1, 3);
         w.Align();
         w.Put(5, 16);
         w.Put(5, 16);
       },
       false, DecodeResult::BadData},
      {"distance before the first byte",
       [](BitWriter& w) {
         w.Put(3, 3);
         w.Fixed('a');
         w.Fixed(257);
         w.Code(1, 5);
         w.Fixed(256);
       },
       false, DecodeResult::BadData},
      {"fixed distance code 30 in plain Deflate",
       [](BitWriter& w) {
         w.Put(3, 3);
         w.Fixed('a');
         w.Fixed(257);
         w.Code(30, 5);
       },
       false, DecodeResult::BadData},
      {"length code 286",
       [](BitWriter& w) {
         w.Put(3, 3);
         w.Fixed('a');
         w.Fixed(286);
       },
       false, DecodeResult::BadData},
      {"over-subscribed code-length code",
       [](BitWriter& w) {
         w.Put(5, 3);
         w.Put(0, 5);
         w.Put(0, 5);
         w.Put(15, 4);
         for (int i = 0; i < 19; ++i) w.Put(1, 3);
       },
       false, DecodeResult::BadData},
      {"repeat of a length with none before",
       [](BitWriter& w) {
         w.Put(5, 3);
         w.Put(0, 5);
         w.Put(0, 5);
         w.Put(0, 4);
         w.Put(1, 3);
         w.Put(0, 3);
         w.Put(0, 3);
         w.Put(1, 3);   // symbols 16 and 0: one bit each
         w.Code(1, 1);  // 16 first
         w.Put(0, 2);
       },
       false, DecodeResult::BadData},
      {"more than 30 distance codes",
       [](BitWriter& w) {
         w.Put(5, 3);
         w.Put(0, 5);
         w.Put(30, 5);
         w.Put(0, 4);
       },
       false, DecodeResult::BadData},
      {"more than 286 length codes",
       [](BitWriter& w) {
         w.Put(5, 3);
         w.Put(30, 5);
         w.Put(0, 5);
         w.Put(0, 4);
       },
       true, DecodeResult::BadData},
      {"a repeat past the last code length",
       [](BitWriter& w) {
         auto lengths = AbcdeLengths();
         lengths.back() = {16, 0};
         Dynamic(w, true, 257, 1, lengths);
       },
       false, DecodeResult::BadData},
      {"a complete literal code without the end of block",
       [](BitWriter& w) {
         auto lengths = AbcdeLengths();
         lengths[6] = {17, 2};  // symbol 255 takes the end of block's two bits
         lengths.insert(lengths.begin() + 8, {0, 0});
         Dynamic(w, true, 257, 1, lengths);
       },
       false, DecodeResult::BadData},
      {"an incomplete literal code of more than one code",
       [](BitWriter& w) {
         auto lengths = AbcdeLengths();
         lengths[7] = {3, 0};
         Dynamic(w, true, 257, 1, lengths);
       },
       false, DecodeResult::BadData},
      {"truncated inside a stored block",
       [](BitWriter& w) {
         w.Put(1, 3);
         w.Align();
         w.Put(10, 16);
         w.Put(0xFFF5, 16);
         w.Put(0x41, 8);
       },
       false, DecodeResult::InputEnded},
      {"no last block",
       [](BitWriter& w) {
         w.Put(2, 3);
         w.Fixed('a');
         w.Fixed(256);
       },
       false, DecodeResult::InputEnded},
      {"empty input", [](BitWriter&) {}, true, DecodeResult::InputEnded},
  };
  for (const auto& c : cases) {
    BitWriter w;
    c.build(w);
    EXPECT_EQ(Inflate64Or32(w.bytes, c.deflate64).result, c.want) << c.what;
    // With input to spare after the damage, the fast loop meets it and stops there as well.
    if (c.want == DecodeResult::BadData) {
      w.bytes.resize(w.bytes.size() + 64, 0);
      EXPECT_EQ(Inflate64Or32(w.bytes, c.deflate64).result, DecodeResult::BadData) << c.what << " with input to spare";
    }
  }
}

// Every length code and every distance code, each with its extra bits all clear and all set, after an empty
// stored block and a stored block of the longest size; the first match reaches back exactly the whole window.
// Decoded in large pieces (the fast loop), a byte at a time, and with the output taken in small pieces.
TEST(InflateEngine, EveryLengthAndDistanceCodeAtBothEndsOfItsRange) {
  // RFC 1951's tables, built from their rules rather than copied.
  unsigned lenBase[29], lenExtra[29], distBase[32], distExtra[32];
  for (unsigned i = 0; i < 29; ++i) {
    lenExtra[i] = i < 8 || i == 28 ? 0 : (i - 4) / 4;
    lenBase[i] = i == 0 ? 3 : i == 28 ? 258 : lenBase[i - 1] + (1u << lenExtra[i - 1]);
  }
  for (unsigned i = 0; i < 32; ++i) {
    distExtra[i] = i < 4 ? 0 : i / 2 - 1;
    distBase[i] = i == 0 ? 1 : distBase[i - 1] + (1u << distExtra[i - 1]);
  }
  for (const bool deflate64 : {false, true}) {
    SCOPED_TRACE(deflate64);
    BitWriter w;
    w.Stored({}, false);
    Bytes expected(65535);
    for (size_t i = 0; i < expected.size(); ++i) expected[i] = uint8_t(i * 31 + i / 509);
    w.Stored(expected, false);
    w.Put(1, 1);
    w.Put(1, 2);
    auto match = [&](unsigned lenCode, unsigned lenBits, unsigned lenValue, unsigned distCode, unsigned distValue) {
      w.Fixed(257 + lenCode);
      w.Put(lenValue, lenBits);
      w.Code(distCode, 5);
      w.Put(distValue, distExtra[distCode]);
      const size_t len = (lenBits == 16 ? 3 : lenBase[lenCode]) + lenValue;
      const size_t dist = distBase[distCode] + distValue;
      for (size_t k = 0; k < len; ++k) expected.push_back(expected[expected.size() - dist]);
    };
    // The whole window back, at once after the stored data and a literal.
    w.Fixed('w');
    expected.push_back('w');
    if (deflate64)
      match(0, 0, 0, 31, (1u << 14) - 1);
    else
      match(0, 0, 0, 29, (1u << 13) - 1);
    const unsigned lenCodes = deflate64 ? 28 : 29, distCodes = deflate64 ? 32 : 30;
    for (unsigned k = 0; k < std::max(2 * lenCodes, 2 * distCodes); ++k) {
      const unsigned lc = (k / 2) % lenCodes, dc = (k / 2) % distCodes;
      const unsigned lmax = (1u << lenExtra[lc]) - 1, dmax = (1u << distExtra[dc]) - 1;
      match(lc, lenExtra[lc], k % 2 ? lmax : 0, dc, k % 2 ? dmax : 0);
      w.Fixed('a' + k % 26);
      expected.push_back(uint8_t('a' + k % 26));
    }
    if (deflate64) {
      // Deflate64's code 285: 16 extra bits after base 3, up to a match longer than the window.
      match(28, 16, 0, 0, 0);
      match(28, 16, 65535, 3, 0);
    }
    w.Fixed(256);
    const auto big = Inflate64Or32(w.bytes, deflate64, 0);
    EXPECT_EQ(big.result, DecodeResult::Ok);
    EXPECT_TRUE(big.out == expected) << big.out.size() << " bytes of " << expected.size();
    const auto byByte = Inflate64Or32(w.bytes, deflate64, 0, 1);
    EXPECT_EQ(byByte.result, DecodeResult::Ok);
    EXPECT_TRUE(byByte.out == expected) << byByte.out.size() << " bytes of " << expected.size();
    Bytes pieces;
    EXPECT_EQ(InflateAll(w.bytes, -15, pieces, 3, deflate64, 40), InflateResult::StreamEnd);
    EXPECT_TRUE(pieces == expected) << pieces.size() << " bytes of " << expected.size();
  }
}

// Matches at the end of the window: one whose copy runs past the window end, and one whose source lies
// on both sides of it, for either window size and whatever the output piece.
TEST(InflateEngine, MatchesAcrossTheWindowEnd) {
  for (const bool deflate64 : {false, true}) {
    const size_t window = deflate64 ? 65536 : 32768;
    Bytes history(window - 10);
    for (size_t i = 0; i < history.size(); ++i) history[i] = uint8_t(i * 13 + i / 251);
    BitWriter w;
    for (size_t at = 0; at < history.size(); at += 30000)
      w.Stored(Bytes(history.begin() + long(at), history.begin() + long(std::min(at + 30000, history.size()))), false);
    w.Put(3, 3);
    w.Fixed(271);  // length 30 ...
    w.Put(3, 2);
    w.Code(8, 5);  // ... distance 20: the copy crosses the window end
    w.Put(3, 3);
    w.Fixed(271);  // length 30 ...
    w.Put(3, 2);
    w.Code(10, 5);  // ... distance 40: the source starts before the window end and runs past it
    w.Put(7, 4);
    for (int k = 0; k < 200; ++k) w.Fixed('z');  // input enough for the quick loop to take the matches
    w.Fixed(256);
    Bytes expected = history;
    for (const size_t dist : {20u, 40u})
      for (int k = 0; k < 30; ++k) expected.push_back(expected[expected.size() - dist]);
    expected.resize(expected.size() + 200, 'z');
    for (const size_t chunk : {size_t(1) << 20, size_t(7)}) {
      SCOPED_TRACE(testing::Message() << deflate64 << " " << chunk);
      const auto run = Inflate64Or32(w.bytes, deflate64, 0, chunk);
      EXPECT_EQ(run.result, DecodeResult::Ok);
      EXPECT_TRUE(run.out == expected);
    }
  }
}

TEST(InflateEngine, DecompressStreamReadsRestartsAndSeeks) {
  // The zlib data and then bytes of whatever follows it in the archive.
  Bytes data = kZlib;
  Append(data, Text("NEXT"));
  MemoryStream32 src(data.data(), data.size());
  char buf[64] = {};
  {
    DecompressStream s(src, EncryptionKind::None, 15);
    ASSERT_EQ(s.InitResult(), InflateResult::Ok);
    EXPECT_EQ(s.Read(buf, 5), 5);
    EXPECT_EQ(std::string(buf, 5), "hello");
    // Someone else moved the source meanwhile: the stream reads on from where it stood.
    src.Seek(0, SeekOrigin::Beginning);
    EXPECT_EQ(s.Seek(6, SeekOrigin::Current), 11);
    EXPECT_EQ(s.Seek(3, SeekOrigin::Beginning), 11);  // backwards other than to the start: stays
    EXPECT_EQ(s.Read(buf, 64), 11);
    EXPECT_EQ(std::string(buf, 11), " hello zlib");
    EXPECT_TRUE(s.Ended());
    EXPECT_EQ(s.Read(buf, 64), 0);
    EXPECT_EQ(s.Seek(0, SeekOrigin::Beginning), 0);
    EXPECT_FALSE(s.Ended());
    EXPECT_EQ(s.Seek(13, SeekOrigin::Beginning), 13);
    EXPECT_EQ(s.Read(buf, 64), 9);
    EXPECT_EQ(std::string(buf, 9), "ello zlib");
    EXPECT_EQ(s.Seek(0, SeekOrigin::Beginning), 0);
    // Input taken one byte at a time gives the same text in one read.
    EXPECT_EQ(s.ReadChunk(buf, 1, 64), 22);
    EXPECT_EQ(std::string(buf, 22), "hello hello hello zlib");
    // Past the end a forward seek stops at the data's end.
    EXPECT_EQ(s.Seek(0, SeekOrigin::Beginning), 0);
    EXPECT_EQ(s.Seek(1000, SeekOrigin::Current), 22);
    EXPECT_EQ(s.Seek(0, SeekOrigin::Beginning), 0);
    EXPECT_EQ(s.Read(buf, 64), 22);
    EXPECT_EQ(s.Write(buf, 1), -1);
  }
  // Done with, the stream leaves the source right behind the compressed data.
  EXPECT_EQ(src.Read(buf, 64), 4);
  EXPECT_EQ(std::string(buf, 4), "NEXT");

  // A stream that wants a preset dictionary cannot be read here: an error, never bytes that are not there.
  const Bytes dict = {0x78, 0xbb, 0x12, 0x34, 0x56, 0x78, 0x00};
  MemoryStream32 dictSource(dict.data(), dict.size());
  DecompressStream wanting(dictSource, EncryptionKind::None, 15);
  EXPECT_LT(wanting.Read(buf, 64), 0);
  EXPECT_LT(wanting.Read(buf, 64), 0);

  // Input that ends mid-stream (a split archive's volume): what could be decoded, then BufError until the
  // rest comes from the next source.
  MemoryStream32 first(kZlib.data(), 10), second(kZlib.data() + 10, kZlib.size() - 10);
  DecompressStream split(first, EncryptionKind::None, 15);
  const int64_t head = split.Read(buf, 64);
  ASSERT_GT(head, 0);
  ASSERT_LT(head, 22);
  EXPECT_EQ(split.Read(buf + head, 64), int64_t(InflateResult::BufError));
  split.ResetInput(second);
  EXPECT_EQ(split.Read(buf + head, 64), 22 - head);
  EXPECT_EQ(std::string(buf, 22), "hello hello hello zlib");

  // Each block read is deciphered first, for the AES and the traditional kinds only; the hook hears of every block.
  struct Xor : EntryCipher {
    void Decipher(EncryptionKind kind, uint8_t* data, size_t count) override {
      kinds.push_back(kind);
      for (size_t i = 0; i < count; ++i) data[i] ^= 0x5A;
    }
    std::vector<EncryptionKind> kinds;
  };
  Bytes hidden = kZlib;
  for (auto& b : hidden) b ^= 0x5A;
  for (const EncryptionKind kind :
       {EncryptionKind::Ae1Aes128, EncryptionKind::Traditional, EncryptionKind::Unsupported}) {
    SCOPED_TRACE(int(kind));
    MemoryStream32 in(hidden.data(), hidden.size());
    Xor cipher;
    int blocks = 0;
    DecompressStream s(in, kind, 15, &cipher);
    s.BlockHook = [&] { ++blocks; };
    std::memset(buf, 0, sizeof buf);
    const int64_t n = s.ReadChunk(buf, 19, 64);  // blocks of 19 bytes and of the one left
    if (kind != EncryptionKind::Unsupported) {
      EXPECT_EQ(n, 22);
      EXPECT_EQ(std::string(buf, 22), "hello hello hello zlib");
      EXPECT_EQ(cipher.kinds, std::vector<EncryptionKind>(2, kind));
      EXPECT_EQ(blocks, 2);
    } else {
      EXPECT_EQ(n, int64_t(InflateResult::DataError));
      EXPECT_TRUE(cipher.kinds.empty());
    }
  }
}

TEST(InflatePeers, DeflatedAndDeflate64EntriesMatchTheirCrc) {
  if (!fs::exists(PeerDir())) GTEST_SKIP() << "no peer archives";
  const int deflated = CheckPeerEntries({8}, [](ZipDecodeIo& io, int) { return InflateDeflate(io); });
  EXPECT_GT(deflated, 20);
  const int deflate64Entries = CheckPeerEntries({9}, [](ZipDecodeIo& io, int) { return InflateDeflate64(io); });
  EXPECT_GE(deflate64Entries, 1);
}

TEST(InflatePeers, TruncatedAndCorruptedEntriesFailCleanly) {
  if (!fs::exists(PeerDir())) GTEST_SKIP() << "no peer archives";
  for (const auto& e : WalkZip(ReadAll(PeerDir() / "zip2/deflate64.zip"))) {
    if (e.method != 9 || e.size < 100000) continue;
    Bytes cut(e.packed.begin(), e.packed.begin() + long(e.packed.size() / 2));
    EXPECT_EQ(Inflate64Or32(cut, true, e.size).result, DecodeResult::InputEnded);
    // Damage anywhere must end in an error or a wrong CRC, never an out-of-bounds access.
    for (size_t at : {size_t(3), e.packed.size() / 3, e.packed.size() - 5}) {
      Bytes bad = e.packed;
      bad[at] ^= 0x5A;
      const auto run = Inflate64Or32(bad, true, e.size);
      EXPECT_TRUE(run.result != DecodeResult::Ok || Crc32(run.out) != e.crc) << at;
    }
  }
}

TEST(InflatePeers, InputInExactSizePiecesIsNeverOverread) {
  if (!fs::exists(PeerDir())) GTEST_SKIP() << "no peer archives";
  for (const auto& e : WalkZip(ReadAll(PeerDir() / "zip2/deflate64.zip"))) {
    if (e.method != 9 || e.size < 100000) continue;
    for (size_t piece : {size_t(32), size_t(33), size_t(1000), size_t(65536)}) {
      ZStreamRec rec;
      ASSERT_EQ(InflateInit(&rec, -15, kZStreamRecSize, true), InflateResult::Ok);
      Bytes out(e.size + 10);
      rec.NextOut = out.data();
      rec.AvailOut = uint32_t(out.size());
      InflateResult r = InflateResult::Ok;
      for (size_t at = 0; at < e.packed.size() && r != InflateResult::StreamEnd; at += piece) {
        // A heap block of exactly the piece's size: a read past it is reported.
        const size_t n = std::min(piece, e.packed.size() - at);
        std::unique_ptr<uint8_t[]> block(new uint8_t[n]);
        std::copy_n(e.packed.begin() + long(at), n, block.get());
        rec.NextIn = block.get();
        rec.AvailIn = uint32_t(n);
        do r = Inflate(&rec, 0);
        while (r == InflateResult::Ok && rec.AvailIn);
        ASSERT_TRUE(r == InflateResult::Ok || r == InflateResult::BufError || r == InflateResult::StreamEnd) << int(r);
        if (r == InflateResult::StreamEnd) break;
        // The engine may keep whole bytes in its bit buffer, but must not point past the piece.
        ASSERT_EQ(rec.AvailIn, 0u);
      }
      InflateEnd(&rec);
      EXPECT_EQ(r, InflateResult::StreamEnd) << piece;
      out.resize(rec.TotalOut);
      EXPECT_EQ(Crc32(out), e.crc) << piece;
    }
  }
}
