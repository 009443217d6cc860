// Canonical code assignment (RFC 1951, 3.2.2), stored bit-reversed because the bit readers take
// bits least significant first.
#include "archive/InflateHuffman.h"

#include <algorithm>

namespace corvina::archive {

namespace {
unsigned Reverse(unsigned code, unsigned len) {
  unsigned r = 0;
  for (unsigned i = 0; i < len; ++i, code >>= 1) r = (r << 1) | (code & 1);
  return r;
}
}  // namespace

int BuildHuffmanTable(const uint8_t* lens, unsigned n, unsigned rootBits, HuffEntry* table, size_t room, size_t& used) {
  constexpr unsigned kMaxLen = 16;
  unsigned count[kMaxLen + 1] = {};
  for (unsigned i = 0; i < n; ++i) {
    if (lens[i] > kMaxLen) return kHuffBad;
    ++count[lens[i]];
  }
  count[0] = 0;
  long left = 1;
  for (unsigned l = 1; l <= kMaxLen; ++l) {
    left = left * 2 - long(count[l]);
    if (left < 0) return kHuffBad;
  }
  const size_t rootSize = size_t(1) << rootBits;
  if (rootSize > room) return kHuffNoRoom;
  HuffEntry invalidRoot;
  invalidRoot.Bits = uint8_t(rootBits);
  std::fill(table, table + rootSize, invalidRoot);

  unsigned next[kMaxLen + 2] = {};
  unsigned code = 0;
  for (unsigned l = 1; l <= kMaxLen; ++l) {
    code = (code + count[l - 1]) << 1;
    next[l] = code;
  }
  uint16_t codes[320];
  if (n > 320) return kHuffBad;
  uint8_t subBits[1 << 9] = {};
  if (rootBits > 9) return kHuffBad;
  const unsigned rootMask = unsigned(rootSize - 1);
  for (unsigned i = 0; i < n; ++i) {
    const unsigned len = lens[i];
    if (!len) continue;
    codes[i] = uint16_t(next[len]++);
    if (len > rootBits) {
      const unsigned p = Reverse(codes[i], len) & rootMask;
      subBits[p] = uint8_t(std::max<unsigned>(subBits[p], len - rootBits));
    }
  }
  size_t pos = rootSize;
  for (unsigned p = 0; p < rootSize; ++p) {
    if (!subBits[p]) continue;
    const size_t size = size_t(1) << subBits[p];
    if (pos + size > room) return kHuffNoRoom;
    HuffEntry link;
    link.Kind = HuffKind::Link;
    link.Value = uint16_t(pos);
    link.Bits = uint8_t(rootBits);
    link.Sub = subBits[p];
    table[p] = link;
    HuffEntry invalidSub;
    invalidSub.Bits = subBits[p];
    std::fill(table + pos, table + pos + size, invalidSub);
    pos += size;
  }
  for (unsigned i = 0; i < n; ++i) {
    const unsigned len = lens[i];
    if (!len) continue;
    const unsigned r = Reverse(codes[i], len);
    HuffEntry e;
    e.Kind = HuffKind::Symbol;
    e.Value = uint16_t(i);
    if (len <= rootBits) {
      e.Bits = uint8_t(len);
      for (size_t k = r; k < rootSize; k += size_t(1) << len) table[k] = e;
    } else {
      const HuffEntry& link = table[r & rootMask];
      e.Bits = uint8_t(len - rootBits);
      const size_t subSize = size_t(1) << link.Sub;
      for (size_t k = r >> rootBits; k < subSize; k += size_t(1) << (len - rootBits)) table[link.Value + k] = e;
    }
  }
  used += pos;
  return left > 0 ? kHuffIncomplete : kHuffComplete;
}

}  // namespace corvina::archive
