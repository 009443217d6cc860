// -lh1-: LZ77 over a 4 KB window, literals and lengths coded by an adaptive Huffman tree, the
// upper six bits of each position by a fixed code.
#include <cstring>
#include <vector>

#include "archive/ArchiveExtractor.h"
#include "archive/LzhDecoders.h"

namespace corvina::archive {

namespace {

constexpr int kWindowSize = int(FindLzhMethod("-lh1-")->WindowSize);
// Window positions wrap by a mask: the window is exactly the dictionary.
static_assert(kWindowSize == 1 << FindLzhMethod("-lh1-")->DictionaryBits);
constexpr int kMaxMatch = 60, kThreshold = 2;             // a match is longer than kThreshold
constexpr int kCharCount = 256 - kThreshold + kMaxMatch;  // 314 symbols: the literals and the lengths
constexpr int kLengthCodeBias = 256 - kThreshold - 1;     // a code c from 256: a match of c - this bytes
constexpr int kTreeSize = kCharCount * 2 - 1;             // 627 nodes
constexpr int kRoot = kTreeSize - 1;
constexpr unsigned kMaxFreq = 0x8000;  // the root's count at which the tree is rebuilt with halved counts

struct PositionCodes {
  uint8_t Code[256], Len[256];
  PositionCodes() {
    // Upper six bits of a position and the length of its code, as the published tables.
    const struct {
      int values, codes, bits;
    } groups[] = {{32, 1, 3}, {48, 3, 4}, {64, 8, 5}, {48, 12, 6}, {48, 24, 7}, {16, 16, 8}};
    int i = 0, c = 0;
    for (const auto& g : groups) {
      const int per = g.values / g.codes;
      for (int k = 0; k < g.codes; ++k, ++c)
        for (int m = 0; m < per; ++m, ++i) {
          Code[i] = uint8_t(c);
          Len[i] = uint8_t(g.bits);
        }
    }
  }
};
const PositionCodes& Positions() {
  static const PositionCodes codes;
  return codes;
}

class AdaptiveTree {
 public:
  AdaptiveTree() {
    for (int i = 0; i < kCharCount; ++i) {
      freq_[i] = 1;
      son_[i] = i + kTreeSize;
      prnt_[i + kTreeSize] = i;
    }
    for (int i = 0, j = kCharCount; j <= kRoot; i += 2, ++j) {
      freq_[j] = freq_[i] + freq_[i + 1];
      son_[j] = i;
      prnt_[i] = prnt_[i + 1] = j;
    }
    freq_[kTreeSize] = 0xFFFF;
    prnt_[kRoot] = 0;
  }

  template <class NextBit>
  int DecodeChar(NextBit nextBit) {
    int c = son_[kRoot];
    while (c < kTreeSize) c = son_[c + nextBit()];
    c -= kTreeSize;
    Update(c);
    return c;
  }

 private:
  void Reconstruct() {
    int j = 0;
    for (int i = 0; i < kTreeSize; ++i)
      if (son_[i] >= kTreeSize) {
        freq_[j] = (freq_[i] + 1) / 2;
        son_[j] = son_[i];
        ++j;
      }
    for (int i = 0, jj = kCharCount; jj < kTreeSize; i += 2, ++jj) {
      const unsigned f = freq_[jj] = freq_[i] + freq_[i + 1];
      int k = jj - 1;
      while (f < freq_[k]) --k;
      ++k;
      const size_t l = size_t(jj - k);
      std::memmove(&freq_[k + 1], &freq_[k], l * sizeof freq_[0]);
      freq_[k] = f;
      std::memmove(&son_[k + 1], &son_[k], l * sizeof son_[0]);
      son_[k] = i;
    }
    for (int i = 0; i < kTreeSize; ++i) {
      const int k = son_[i];
      if (k >= kTreeSize)
        prnt_[k] = i;
      else
        prnt_[k] = prnt_[k + 1] = i;
    }
  }

  void Update(int c) {
    if (freq_[kRoot] == kMaxFreq) Reconstruct();
    c = prnt_[c + kTreeSize];
    do {
      const unsigned k = ++freq_[c];
      int l = c + 1;
      if (k > freq_[l]) {
        while (k > freq_[++l]) {
        }
        --l;
        freq_[c] = freq_[l];
        freq_[l] = k;
        const int i = son_[c];
        prnt_[i] = l;
        if (i < kTreeSize) prnt_[i + 1] = l;
        const int jn = son_[l];
        son_[l] = i;
        prnt_[jn] = c;
        if (jn < kTreeSize) prnt_[jn + 1] = c;
        son_[c] = jn;
        c = l;
      }
    } while ((c = prnt_[c]) != 0);
  }

  unsigned freq_[kTreeSize + 1];
  int prnt_[kTreeSize + kCharCount];
  int son_[kTreeSize];
};

}  // namespace

bool DecodeLh1(EntryWriter& owner, Stream32& in, Stream32& out, int64_t packedSize, int64_t unpackedSize) {
  if (unpackedSize <= 0) return true;
  auto tree = std::make_unique<AdaptiveTree>();
  // The whole window starts as spaces: a damaged position never reads an unset byte.
  std::vector<uint8_t> window(kWindowSize, 0x20);
  std::vector<uint8_t> output(32768);
  LzhBitReader br(owner, in, packedSize, 32768);
  const PositionCodes& pc = Positions();
  const bool* cancel = &owner.GetCancelRef();

  auto nextBit = [&br]() {
    br.Refill();
    const int b = int(br.Peek(1));
    br.Drop(1);
    return b;
  };
  int64_t remaining = unpackedSize, written = 0;
  size_t outPos = 0;
  unsigned r = kWindowSize - kMaxMatch;
  auto flush = [&]() {
    if (outPos == 0) return;
    if (owner.WriteBlock(out, output.data(), true, int64_t(outPos), 16) <= 0)
      owner.RaiseArchiveError(owner.EntryName, {}, {}, msg::WriteError);
    written += int64_t(outPos);
    owner.ArchiveLeft -= int64_t(outPos);
    owner.DoProgress(written, unpackedSize, owner.ArchiveTotal);
    outPos = 0;
  };
  auto put = [&](uint8_t b) {
    output[outPos++] = b;
    window[r] = b;
    r = (r + 1) & (kWindowSize - 1);
    if (outPos == output.size()) flush();
  };

  while (remaining > 0 && !br.Exhausted() && !*cancel) {
    const int c = tree->DecodeChar(nextBit);
    if (c < 256) {
      put(uint8_t(c));
      --remaining;
      continue;
    }
    br.Refill();
    unsigned i = br.Peek(8);
    br.Drop(8);
    const unsigned upper = unsigned(pc.Code[i]) << 6;
    for (int j = pc.Len[i] - 2; j > 0; --j) i = (i << 1) + unsigned(nextBit());
    const unsigned position = upper | (i & 0x3F);
    int64_t len = c - kLengthCodeBias;
    if (len > remaining) len = remaining;
    remaining -= len;
    unsigned src = (r - position - 1) & (kWindowSize - 1);
    while (len-- > 0) {
      put(window[src]);
      src = (src + 1) & (kWindowSize - 1);
    }
  }
  flush();
  return remaining == 0;
}

}  // namespace corvina::archive
