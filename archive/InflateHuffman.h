#pragma once
// Canonical Huffman lookup tables shared by the inflate engine and the implode decoder: a root
// table indexed by the next `rootBits` input bits (least significant first), with sub-tables for
// longer codes, all taken from one caller-supplied pool.
#include <cstddef>
#include <cstdint>

namespace corvina::archive {

// A table entry: a decoded symbol, a link to a sub-table for a longer code, or no code at all.
enum class HuffKind : uint8_t { Invalid, Symbol, Link };

struct HuffEntry {
  uint16_t Value = 0;  // the symbol, or the sub-table's offset from the root table
  uint8_t Bits = 0;    // bits this level consumes
  HuffKind Kind = HuffKind::Invalid;
  uint8_t Sub = 0;  // a link's sub-table index width
};

// Enough for a 288-code / 9-bit and a 32-code / 6-bit table with every sub-table they can need.
constexpr size_t kHuffPoolSize = 2048;

enum : int { kHuffComplete = 0, kHuffIncomplete = 1, kHuffBad = 2, kHuffNoRoom = 3 };

// Builds the table for code lengths lens[0..n) (0 = unused, at most 16) at `table`, which holds
// `room` entries; adds the entries used to `used`. Over-subscribed lengths return kHuffBad;
// an incomplete set still builds (its unused codes decode as HuffKind::Invalid) and returns kHuffIncomplete.
int BuildHuffmanTable(const uint8_t* lens, unsigned n, unsigned rootBits, HuffEntry* table, size_t room, size_t& used);

// Looks up the code at the bottom of `hold`. Returns false when `bits` buffered bits are not enough to
// tell the whole code; otherwise `e` is the final entry and `used` the bits the code takes.
inline bool DecodeSymbol(const HuffEntry* table, unsigned rootBits, uint64_t hold, unsigned bits, HuffEntry& e,
                         unsigned& used) {
  e = table[hold & ((1u << rootBits) - 1)];
  if (e.Kind == HuffKind::Link) {
    const HuffEntry& s = table[e.Value + ((hold >> rootBits) & ((1u << e.Sub) - 1))];
    used = rootBits + s.Bits;
    if (used > bits) return false;
    e = s;
    return true;
  }
  used = e.Bits;
  return used <= bits;
}

}  // namespace corvina::archive
