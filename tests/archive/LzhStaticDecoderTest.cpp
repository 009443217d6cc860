#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
// The static-Huffman decoder (-lh4- to -lh7-) on streams made here, where block sizes, window
// wraps, distances and damaged tables can be placed exactly.
#include <gtest/gtest.h>

#include <random>

#include "tests/archive/ArchiveTestUtil.h"

using namespace corvina::archive;
using namespace testutil;

namespace {

class BitWriter {
 public:
  void Put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      acc = uint8_t(acc << 1 | ((value >> i) & 1));
      if (++count == 8) {
        out.push_back(acc);
        acc = 0;
        count = 0;
      }
    }
  }
  Bytes Finish() {
    while (count != 0) Put(0, 1);
    return out;
  }

 private:
  Bytes out;
  uint8_t acc = 0;
  int count = 0;
};

struct Token {
  int literal = -1;  // a byte, or -1 for a match
  int length = 0;
  int distance = 0;  // bytes back from the byte before the copy: 0 repeats the last byte
};

// One fixed character code for every block: two symbols of 8 bits and 508 of 9 (a complete code),
// sent through a length tree of two 1-bit codes. All positions of a block share one position code,
// sent as a single-code tree, so a match costs only that code's extra bits.
class BlockWriter {
 public:
  BlockWriter() {
    for (int s = 0; s < 510; ++s) length[s] = s < 2 ? 8 : 9;
    uint32_t next = 0;
    for (int bits = 1; bits <= 16; ++bits) {
      for (int s = 0; s < 510; ++s)
        if (length[s] == bits) code[s] = next++;
      next <<= 1;
    }
  }

  // `positionLengths`, when given, is sent as the position tree instead of the single code; its lengths are
  // below 7 and make a complete code in which `positionCode` has a length.
  void Block(BitWriter& w, const std::vector<Token>& tokens, int positionBits, int positionCode,
             const std::vector<int>& positionLengths = {}, bool characterCountPastTable = false) {
    w.Put(uint32_t(tokens.size()), 16);
    w.Put(12, 5);  // length-tree lengths of symbols 0..11: only 10 and 11 (lengths 8 and 9)
    for (int i = 0; i < 12; ++i) {
      w.Put(i >= 10 ? 1 : 0, 3);
      if (i == 2) w.Put(0, 2);  // no extra zero lengths after the first three
    }
    if (characterCountPastTable) {
      w.Put(511, 9);  // damaged: one length more than there are characters, and none of them sent
    } else {
      w.Put(510, 9);
      for (int s = 0; s < 510; ++s) w.Put(length[s] == 8 ? 0 : 1, 1);
    }
    uint32_t positionBitsOfCode = 0, positionCodeBits = 0;
    if (positionLengths.empty()) {
      w.Put(0, positionBits);
      w.Put(uint32_t(positionCode), positionBits);
    } else {
      w.Put(uint32_t(positionLengths.size()), positionBits);
      uint32_t next = 0;
      for (int bits = 1; bits <= 6; ++bits, next <<= 1)
        for (size_t p = 0; p < positionLengths.size(); ++p)
          if (positionLengths[p] == bits) {
            if (int(p) == positionCode) positionBitsOfCode = next, positionCodeBits = uint32_t(bits);
            ++next;
          }
      for (int len : positionLengths) w.Put(uint32_t(len), 3);
    }
    for (const Token& t : tokens) {
      const int symbol = t.literal >= 0 ? t.literal : t.length + 253;
      w.Put(code[symbol], length[symbol]);
      if (t.literal < 0 && positionCodeBits > 0) w.Put(positionBitsOfCode, int(positionCodeBits));
      if (t.literal < 0 && positionCode > 1) w.Put(uint32_t(t.distance - (1 << (positionCode - 1))), positionCode - 1);
    }
  }

 private:
  int length[510] = {};
  uint32_t code[510] = {};
};

// Encodes the tokens in blocks of at most 65,535 symbols and replays them into the expected bytes.
struct Stream {
  Bytes packed, unpacked;
};

Stream Encode(const std::vector<Token>& tokens, int positionBits, int positionCode,
              const std::vector<int>& positionLengths = {}) {
  BitWriter w;
  BlockWriter blocks;
  for (size_t at = 0; at < tokens.size(); at += 65535) {
    const size_t end = std::min(tokens.size(), at + 65535);
    blocks.Block(w, std::vector<Token>(tokens.begin() + long(at), tokens.begin() + long(end)), positionBits,
                 positionCode, positionLengths);
  }
  Stream s;
  s.packed = w.Finish();
  for (const Token& t : tokens) {
    if (t.literal >= 0) {
      s.unpacked.push_back(uint8_t(t.literal));
      continue;
    }
    for (int k = 0; k < t.length; ++k) {
      const long from = long(s.unpacked.size()) - t.distance - 1;
      s.unpacked.push_back(from >= 0 ? s.unpacked[size_t(from)] : uint8_t(' '));
    }
  }
  return s;
}

std::vector<Token> RandomLiterals(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<Token> t(n);
  for (auto& x : t) x.literal = int(rng() % 256);
  return t;
}

Outcome Decode(const char* method, const Stream& s, const fs::path& dir, int* progressCalls = nullptr,
               uint32_t unpacked = 0xFFFFFFFF) {
  LhaEntry e{
      .name = "s.bin", .data = s.unpacked, .method = method, .packedOverride = s.packed, .unpackedOverride = unpacked};
  return ExtractBytes(LhaArchive({e}), dir, {"*.*"}, [&](LhaExtractor& c) {
    if (progressCalls) c.OnProgress = [progressCalls](ArchiveContext&, int, int) { ++*progressCalls; };
  });
}

}  // namespace

TEST(StaticHuffman, WindowWrapsAndFarDistances) {
  // -lh5-: exactly one window of 26,624 bytes is written once, at the wrap, and not again.
  // -lh7-: distance 65,535 reaches back across the wrap of the 65,536-byte window, in the second of two blocks.
  // -lh6-: position code 15 (a 32 KB dictionary) with the source before the window's wrap.
  std::vector<Token> lh7 = RandomLiterals(70000, 2), lh6 = RandomLiterals(70000, 4);
  lh7.push_back({.length = 256, .distance = 65535});
  for (const Token& more : RandomLiterals(100, 3)) lh7.push_back(more);
  lh6.push_back({.length = 200, .distance = 30000});
  struct Case {
    const char* method;
    std::vector<Token> tokens;
    int positionBits, positionCode, progress;
  };
  for (const Case& c : {Case{"-lh5-", RandomLiterals(26624, 1), 4, 0, 1}, Case{"-lh7-", lh7, 5, 16, -1},
                        Case{"-lh6-", lh6, 5, 15, -1}}) {
    SCOPED_TRACE(c.method);
    ScopedDir d("wrap");
    const Stream s = Encode(c.tokens, c.positionBits, c.positionCode);
    int progress = 0;
    EXPECT_EQ(Decode(c.method, s, d.path(), &progress).count, 1);
    EXPECT_EQ(ReadAll(d.path() / "out/s.bin"), s.unpacked);
    if (c.progress >= 0) {
      EXPECT_EQ(progress, c.progress);
    }
  }
}

TEST(StaticHuffman, OverlapsStartAndEnd) {
  // A first match reads the window's blank start; distance 0 repeats the byte before it.
  ScopedDir d("overlap");
  std::vector<Token> t{{.length = 10, .distance = 100}, {.literal = 'x'}, {.length = 256, .distance = 0}};
  const Stream s = Encode(t, 4, 0);
  ASSERT_EQ(s.unpacked.size(), 267u);
  EXPECT_EQ(Decode("-lh4-", s, d.path()).count, 1);
  EXPECT_EQ(ReadAll(d.path() / "out/s.bin"), s.unpacked);

  // A last match longer than the entry stops at its size.
  ScopedDir e("clamp");
  Stream cut = s;
  cut.unpacked.resize(100);
  EXPECT_EQ(Decode("-lh5-", cut, e.path(), nullptr, 100).count, 1);
  EXPECT_EQ(ReadAll(e.path() / "out/s.bin"), cut.unpacked);
}

TEST(StaticHuffman, DamagedTablesFailTheEntry) {
  // A single position code beyond the method's codes (13 for -lh5-), and a block count of 0.
  ScopedDir d("tables");
  std::vector<Token> t = RandomLiterals(50, 5);
  t.push_back({.length = 5, .distance = 0});
  Stream bad = Encode(t, 4, 14);
  const Outcome r = Decode("-lh5-", bad, d.path());
  EXPECT_EQ(r.count, 0);
  EXPECT_TRUE(r.Has(msg::CrcError));
  EXPECT_TRUE(AllFiles(d.path() / "out").empty());

  // A damaged table is never made up for by the one of the entry before, though the codes behind it
  // would decode with that one to the very bytes the CRC asks for.
  {
    ScopedDir p("previous");
    const Stream first = Encode(RandomLiterals(30, 7), 4, 0);
    const std::vector<Token> tokens = RandomLiterals(30, 8);
    BitWriter w;
    BlockWriter().Block(w, tokens, 4, 0, {}, true);
    const Stream second = Encode(tokens, 4, 0);
    const Outcome r = ExtractBytes(
        LhaArchive({{.name = "first.bin", .data = first.unpacked, .method = "-lh5-", .packedOverride = first.packed},
                    {.name = "second.bin", .data = second.unpacked, .method = "-lh5-", .packedOverride = w.Finish()}}),
        p.path());
    EXPECT_EQ(r.ended, (std::vector<std::string>{"first.bin:ok", "second.bin:fail"}));
    EXPECT_EQ(AllFiles(p.path() / "out"), std::vector<fs::path>{"first.bin"});
  }

  ScopedDir z("zeroblock");
  Stream empty = Encode(RandomLiterals(10, 6), 4, 0);
  empty.packed[0] = empty.packed[1] = 0;
  EXPECT_EQ(Decode("-lh5-", empty, z.path()).count, 0);
  EXPECT_TRUE(AllFiles(z.path() / "out").empty());
}

TEST(StaticHuffman, PositionTreeOfAsManyLengthsAsTheDictionaryHasAndNotOneMore) {
  // A dictionary of 2^n bytes has n + 1 position codes. Each block below has a complete position code of
  // two 1-bit codes; the one that declares a length more (a zero one, so the code itself stays sound) is
  // damaged all the same.
  std::vector<Token> t = RandomLiterals(40, 9);
  t.push_back({.length = 6, .distance = 0});
  // A block of literals only may send a position tree of lengths that are all zero: no code at all.
  {
    const Stream literals = Encode(RandomLiterals(40, 10), 4, 0, {0, 0, 0, 0});
    ScopedDir d("nocode");
    EXPECT_EQ(Decode("-lh5-", literals, d.path()).count, 1);
    EXPECT_EQ(ReadAll(d.path() / "out/s.bin"), literals.unpacked);
  }
  const struct {
    const char* method;
    int positionBits, codes;
  } methods[] = {{"-lh4-", 4, 13}, {"-lh5-", 4, 14}, {"-lh6-", 5, 16}, {"-lh7-", 5, 17}};
  for (const auto& m : methods) {
    for (int declared : {m.codes, m.codes + 1}) {
      SCOPED_TRACE(std::string(m.method) + " " + std::to_string(declared));
      std::vector<int> lengths(size_t(declared), 0);
      lengths[0] = 1;
      lengths[size_t(declared == m.codes ? m.codes - 1 : 1)] = 1;
      const Stream s = Encode(t, m.positionBits, 0, lengths);
      ScopedDir d("ptlen");
      const Outcome r = Decode(m.method, s, d.path());
      if (declared == m.codes) {
        EXPECT_EQ(r.count, 1);
        EXPECT_EQ(ReadAll(d.path() / "out/s.bin"), s.unpacked);
      } else {
        EXPECT_EQ(r.count, 0);
        EXPECT_TRUE(AllFiles(d.path() / "out").empty());
      }
    }
  }
}
