// -lh1-: LZ77 over a 4 KB window, literals and lengths coded by an adaptive Huffman tree, the
// upper six bits of each position by a fixed code.
#include <cstring>
#include <vector>

#include "archive/ArchiveExtractor.h"
#include "archive/LzhDecoders.h"

namespace corvina::archive {

namespace {

constexpr int N = 4096, F = 60, THRESHOLD = 2;
constexpr int N_CHAR = 256 - THRESHOLD + F;  // 314
constexpr int T = N_CHAR * 2 - 1;            // 627
constexpr int R = T - 1;
constexpr unsigned MAX_FREQ = 0x8000;

struct PositionCodes {
  uint8_t code[256], len[256];
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
          code[i] = uint8_t(c);
          len[i] = uint8_t(g.bits);
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
    for (int i = 0; i < N_CHAR; ++i) {
      freq_[i] = 1;
      son_[i] = i + T;
      prnt_[i + T] = i;
    }
    for (int i = 0, j = N_CHAR; j <= R; i += 2, ++j) {
      freq_[j] = freq_[i] + freq_[i + 1];
      son_[j] = i;
      prnt_[i] = prnt_[i + 1] = j;
    }
    freq_[T] = 0xFFFF;
    prnt_[R] = 0;
  }

  template <class NextBit>
  int DecodeChar(NextBit nextBit) {
    int c = son_[R];
    while (c < T) c = son_[c + nextBit()];
    c -= T;
    Update(c);
    return c;
  }

 private:
  void Reconstruct() {
    int j = 0;
    for (int i = 0; i < T; ++i)
      if (son_[i] >= T) {
        freq_[j] = (freq_[i] + 1) / 2;
        son_[j] = son_[i];
        ++j;
      }
    for (int i = 0, jj = N_CHAR; jj < T; i += 2, ++jj) {
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
    for (int i = 0; i < T; ++i) {
      const int k = son_[i];
      if (k >= T)
        prnt_[k] = i;
      else
        prnt_[k] = prnt_[k + 1] = i;
    }
  }

  void Update(int c) {
    if (freq_[R] == MAX_FREQ) Reconstruct();
    c = prnt_[c + T];
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
        if (i < T) prnt_[i + 1] = l;
        const int jn = son_[l];
        son_[l] = i;
        prnt_[jn] = c;
        if (jn < T) prnt_[jn + 1] = c;
        son_[c] = jn;
        c = l;
      }
    } while ((c = prnt_[c]) != 0);
  }

  unsigned freq_[T + 1];
  int prnt_[T + N_CHAR];
  int son_[T];
};

}  // namespace

bool DecodeLh1(EntryWriter& owner, Stream32& in, Stream32& out, int64_t packedSize, int64_t unpackedSize) {
  if (unpackedSize <= 0) return true;
  auto tree = std::make_unique<AdaptiveTree>();
  // The whole window starts as spaces: a damaged position never reads an unset byte.
  std::vector<uint8_t> window(N, 0x20);
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
  unsigned r = N - F;
  auto flush = [&]() {
    if (outPos == 0) return;
    if (owner.DecryptWriteBlock(out, output.data(), int64_t(outPos), 16, false) <= 0)
      owner.RaiseArchiveError(owner.EntryName, {}, {}, msg::WriteError);
    written += int64_t(outPos);
    owner.ArchiveLeft -= int64_t(outPos);
    owner.DoProgress(written, unpackedSize, owner.ArchiveTotal);
    outPos = 0;
  };
  auto put = [&](uint8_t b) {
    output[outPos++] = b;
    window[r] = b;
    r = (r + 1) & (N - 1);
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
    const unsigned upper = unsigned(pc.code[i]) << 6;
    for (int j = pc.len[i] - 2; j > 0; --j) i = (i << 1) + unsigned(nextBit());
    const unsigned position = upper | (i & 0x3F);
    int64_t len = c - 253;
    if (len > remaining) len = remaining;
    remaining -= len;
    unsigned src = (r - position - 1) & (N - 1);
    while (len-- > 0) {
      put(window[src]);
      src = (src + 1) & (N - 1);
    }
  }
  flush();
  return remaining == 0;
}

}  // namespace corvina::archive
