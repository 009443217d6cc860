// Shrinking, reducing and imploding. The three share a byte-wise input buffer with a bit reader
// (least significant bit first) and a 32 KB output buffer flushed through the reader's write
// callback; imploding decodes through the inflate engine's canonical table builder.
#include "archive/LegacyZip.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "archive/InflateHuffman.h"

namespace corvina::archive {

namespace {

constexpr size_t kBufSize = 32768;

// Packed bytes in, bits out; decoded bytes collected and written in 32 KB blocks.
class LegacyIo {
 public:
  explicit LegacyIo(ZipDecodeIo& io) : io_(io), packedLeft_(io.PackedSize), in_(kBufSize), out_(kBufSize) {}

  bool Cancelled() const { return io_.Cancel && *io_.Cancel; }

  // Next packed byte, or -1 when the input has ended (or the run was cancelled).
  int NextByte() {
    if (inPos_ == inFill_) {
      if (Cancelled() || packedLeft_ <= 0 || !io_.Read) return -1;
      const int64_t got = io_.Read(in_.data(), std::min<int64_t>(packedLeft_, kBufSize));
      if (got <= 0) {
        packedLeft_ = 0;
        return -1;
      }
      packedLeft_ -= got;
      inFill_ = size_t(got);
      inPos_ = 0;
    }
    return in_[inPos_++];
  }

  // n bits (0..32), or -1 when the input ended before all of them were read.
  int64_t ReadBits(unsigned n) {
    while (bitCount_ < n) {
      const int b = NextByte();
      if (b < 0) return -1;
      bitBuf_ |= uint64_t(b) << bitCount_;
      bitCount_ += 8;
    }
    const int64_t v = int64_t(bitBuf_ & ((uint64_t(1) << n) - 1));
    bitBuf_ >>= n;
    bitCount_ -= n;
    return v;
  }

  // For table decoding: makes at least n bits available if the input allows.
  void Fill(unsigned n) {
    while (bitCount_ < n) {
      const int b = NextByte();
      if (b < 0) return;
      bitBuf_ |= uint64_t(b) << bitCount_;
      bitCount_ += 8;
    }
  }
  uint64_t Hold() const { return bitBuf_; }
  unsigned BitCount() const { return bitCount_; }
  void Drop(unsigned n) {
    bitBuf_ >>= n;
    bitCount_ -= n;
  }

  // Returns false once a flush failed; the write error ends the entry.
  bool Put(uint8_t b) {
    out_[outFill_++] = b;
    ++produced_;
    return outFill_ < kBufSize || Flush();
  }
  bool Flush() {
    if (!outFill_) return true;
    const bool ok = io_.Write && io_.Write(out_.data(), int64_t(outFill_));
    outFill_ = 0;
    if (io_.Progress) io_.Progress();
    if (!ok) writeFailed_ = true;
    return ok;
  }
  int64_t Produced() const { return produced_; }
  int64_t Expected() const { return io_.UnpackedSize; }
  bool WriteFailed() const { return writeFailed_; }

 private:
  ZipDecodeIo& io_;
  int64_t packedLeft_;
  std::vector<uint8_t> in_, out_;
  size_t inFill_ = 0, inPos_ = 0, outFill_ = 0;
  uint64_t bitBuf_ = 0;
  unsigned bitCount_ = 0;
  int64_t produced_ = 0;
  bool writeFailed_ = false;
};

// Ends a decoder: the last flush, then the first failure in the order write, cancel, result.
DecodeResult Finish(LegacyIo& lio, DecodeResult result) {
  if (!lio.Flush() || lio.WriteFailed()) return DecodeResult::WriteFailed;
  if (lio.Cancelled()) return DecodeResult::Cancelled;
  return result;
}

// ---------------------------------------------------------------- shrinking

constexpr int kCodes = 8192, kFirstFree = 257, kMaxWidth = 13;

struct ShrinkTables {
  int32_t Parent[kCodes];
  uint8_t Byte[kCodes];
  uint16_t Children[kCodes];
  uint16_t FreeList[kCodes];
  int NextFree;
  uint16_t Stack[kCodes];

  ShrinkTables() {
    for (int c = 0; c < kCodes; ++c) {
      Parent[c] = c < 256 ? 0 : -1;
      Byte[c] = c < 256 ? uint8_t(c) : 0;
      Children[c] = 0;
      FreeList[c] = uint16_t(c);
    }
    Parent[256] = 0;
    NextFree = kFirstFree;
  }
  bool IsFree(int c) const { return c >= kFirstFree && Parent[c] < 0; }

  // Frees every leaf code; the freed codes are handed out again from the smallest.
  void PartialClear() {
    std::vector<uint16_t> leaves;
    for (int c = kFirstFree; c < kCodes; ++c)
      if (Children[c] == 0) leaves.push_back(uint16_t(c));
    NextFree = kCodes;
    for (auto it = leaves.rbegin(); it != leaves.rend(); ++it) {
      const int c = *it;
      if (Parent[c] >= kFirstFree) --Children[Parent[c]];
      Parent[c] = -1;
      Byte[c] = 0;
      Children[c] = 0;
      FreeList[--NextFree] = uint16_t(c);
    }
  }
};

DecodeResult DoUnshrink(LegacyIo& lio, ShrinkTables& t) {
  unsigned width = 9;
  const int64_t first = lio.ReadBits(width);
  if (first < 0 || first > 255) return DecodeResult::BadData;
  if (!lio.Put(uint8_t(first))) return DecodeResult::WriteFailed;
  int prev = int(first);
  uint8_t lastFirst = uint8_t(first);
  for (;;) {
    if (lio.Cancelled()) return DecodeResult::Cancelled;
    const int64_t read = lio.ReadBits(width);
    if (read < 0) return DecodeResult::Ok;
    int code = int(read);
    if (code == 256) {
      const int64_t sub = lio.ReadBits(width);
      if (sub < 0) return DecodeResult::Ok;
      if (sub == 1) {
        if (++width > unsigned(kMaxWidth)) return DecodeResult::BadData;
      } else if (sub == 2) {
        t.PartialClear();
      } else {
        return DecodeResult::BadData;
      }
      continue;
    }
    if (code >= kCodes) return DecodeResult::BadData;
    int sp = 0;
    int walk = code;
    if (t.IsFree(code)) {
      // Only the code about to be defined may be used before its definition.
      if (t.NextFree >= kCodes || code != t.FreeList[t.NextFree]) return DecodeResult::BadData;
      t.Stack[sp++] = lastFirst;
      walk = prev;
    }
    while (walk >= kFirstFree) {
      if (t.Parent[walk] < 0) return DecodeResult::BadData;  // a chain through a freed code
      if (sp >= kCodes) return DecodeResult::StackOverflow;
      t.Stack[sp++] = t.Byte[walk];
      walk = t.Parent[walk];
    }
    if (walk == 256) return DecodeResult::BadData;
    lastFirst = uint8_t(walk);
    if (!lio.Put(lastFirst)) return DecodeResult::WriteFailed;
    while (sp > 0)
      if (!lio.Put(uint8_t(t.Stack[--sp]))) return DecodeResult::WriteFailed;
    if (t.NextFree < kCodes) {
      const int nc = t.FreeList[t.NextFree++];
      t.Parent[nc] = prev;
      t.Byte[nc] = lastFirst;
      if (prev >= kFirstFree) ++t.Children[prev];
    }
    prev = code;
  }
}

// ---------------------------------------------------------------- reducing

constexpr int kDle = 144;
constexpr unsigned kReduceWindow = 4096;

unsigned FollowerBits(unsigned count) {
  if (count <= 2) return 1;
  if (count <= 4) return 2;
  if (count <= 8) return 3;
  if (count <= 16) return 4;
  if (count <= 32) return 5;
  return 6;
}

struct ReduceState {
  uint8_t Followers[256][32];
  uint8_t Counts[256];
  uint8_t Window[kReduceWindow];
};

DecodeResult DoUnreduce(LegacyIo& lio, ReduceState& rs, int factor) {
  for (int x = 255; x >= 0; --x) {
    const int64_t n = lio.ReadBits(6);
    if (n < 0) return DecodeResult::InputEnded;
    if (n > 32) return DecodeResult::BadData;  // a set holds 32 followers at most
    rs.Counts[x] = uint8_t(n);
    for (int i = 0; i < n; ++i) {
      const int64_t b = lio.ReadBits(8);
      if (b < 0) return DecodeResult::InputEnded;
      rs.Followers[x][i] = uint8_t(b);
    }
  }
  const unsigned mask = 0xFFu >> factor;  // 127, 63, 31, 15
  unsigned wpos = 0;
  auto put = [&](uint8_t b) {
    rs.Window[wpos] = b;
    wpos = (wpos + 1) & (kReduceWindow - 1);
    return lio.Put(b);
  };
  int state = 0;
  unsigned v = 0, len = 0;
  uint8_t last = 0;
  // Ends on the entry's size: the padding bits of the last byte must not decode as data.
  while (lio.Produced() < lio.Expected()) {
    if (lio.Cancelled()) return DecodeResult::Cancelled;
    int64_t c;
    const unsigned count = rs.Counts[last];
    if (count == 0) {
      c = lio.ReadBits(8);
    } else {
      const int64_t flag = lio.ReadBits(1);
      if (flag < 0) return DecodeResult::InputEnded;
      if (flag == 1) {
        c = lio.ReadBits(8);
      } else {
        const int64_t idx = lio.ReadBits(FollowerBits(count));
        if (idx < 0) return DecodeResult::InputEnded;
        if (idx >= int64_t(count)) return DecodeResult::BadData;
        c = rs.Followers[last][idx];
      }
    }
    if (c < 0) return DecodeResult::InputEnded;
    last = uint8_t(c);
    switch (state) {
      case 0:
        if (c == kDle)
          state = 1;
        else if (!put(uint8_t(c)))
          return DecodeResult::WriteFailed;
        break;
      case 1:
        if (c == 0) {
          if (!put(uint8_t(kDle))) return DecodeResult::WriteFailed;
          state = 0;
        } else {
          v = unsigned(c);
          len = v & mask;
          state = len == mask ? 2 : 3;
        }
        break;
      case 2:
        len += unsigned(c);
        state = 3;
        break;
      default: {
        const unsigned distance = ((v >> (8 - factor)) << 8) + unsigned(c) + 1;
        unsigned from = (wpos - distance) & (kReduceWindow - 1);
        for (unsigned k = 0; k < len + 3 && lio.Produced() < lio.Expected(); ++k) {
          if (!put(rs.Window[from])) return DecodeResult::WriteFailed;
          from = (from + 1) & (kReduceWindow - 1);
        }
        state = 0;
        break;
      }
    }
  }
  return DecodeResult::Ok;
}

// ---------------------------------------------------------------- imploding

// Reads one Shannon-Fano tree description: a byte with the count of following bytes minus 1,
// each of which gives a bit length (low nibble + 1) repeated (high nibble + 1) times.
bool ReadTree(LegacyIo& lio, uint8_t* lens, unsigned n) {
  const int64_t bytes = lio.ReadBits(8);
  if (bytes < 0) return false;
  unsigned k = 0;
  for (int64_t i = 0; i <= bytes; ++i) {
    const int64_t b = lio.ReadBits(8);
    if (b < 0) return false;
    const unsigned len = unsigned(b & 15) + 1, reps = unsigned(b >> 4) + 1;
    if (k + reps > n) return false;
    for (unsigned r = 0; r < reps; ++r) lens[k++] = uint8_t(len);
  }
  return k == n;
}

// Imploding codes run to 16 bits: a complete tree of 256 codes can need 32 sub-tables of 128
// entries below its 512-entry root; 64 codes at most 6 of 512 below a 256-entry root.
constexpr size_t kExplodePool = 5120;

struct ExplodeTables {
  HuffEntry Pool[3][kExplodePool];
};

// Codes are sent with their bits inverted; the table is indexed by the inverted bits.
bool DecodeInverted(LegacyIo& lio, const HuffEntry* table, unsigned rootBits, unsigned& symbol) {
  HuffEntry e;
  unsigned used = 0;
  lio.Fill(rootBits);
  while (!DecodeSymbol(table, rootBits, ~lio.Hold(), lio.BitCount(), e, used)) {
    const unsigned before = lio.BitCount();
    lio.Fill(before + 8);
    if (lio.BitCount() == before) return false;
  }
  if (e.Kind != HuffKind::Symbol) return false;
  lio.Drop(used);
  symbol = e.Value;
  return true;
}

DecodeResult DoExplode(LegacyIo& lio, ExplodeTables& t, uint16_t flags, int64_t packedSize) {
  const bool bigWindow = flags & 2, literalTree = flags & 4;
  const unsigned litBits = 9, lenBits = 7, distBits = packedSize >= 200001 ? 8 : 7;
  uint8_t lens[256];
  size_t used = 0;
  if (literalTree) {
    if (!ReadTree(lio, lens, 256)) return DecodeResult::BadData;
    if (BuildHuffmanTable(lens, 256, litBits, t.Pool[0], kExplodePool, used) != kHuffComplete)
      return DecodeResult::BadData;
  }
  used = 0;
  if (!ReadTree(lio, lens, 64)) return DecodeResult::BadData;
  if (BuildHuffmanTable(lens, 64, lenBits, t.Pool[1], kExplodePool, used) != kHuffComplete)
    return DecodeResult::BadData;
  used = 0;
  if (!ReadTree(lio, lens, 64)) return DecodeResult::BadData;
  if (BuildHuffmanTable(lens, 64, distBits, t.Pool[2], kExplodePool, used) != kHuffComplete)
    return DecodeResult::BadData;

  const unsigned lowBits = bigWindow ? 7 : 6;
  const unsigned minLength = literalTree ? 3 : 2;
  // Zero-filled, so a match reaching before the first byte yields zeros.
  std::vector<uint8_t> window(32768, 0);
  const unsigned wmask = 32767;
  unsigned wpos = 0;
  while (lio.Produced() < lio.Expected()) {
    if (lio.Cancelled()) return DecodeResult::Cancelled;
    const int64_t flag = lio.ReadBits(1);
    if (flag < 0) return DecodeResult::InputEnded;
    if (flag == 1) {
      unsigned c;
      if (literalTree) {
        if (!DecodeInverted(lio, t.Pool[0], litBits, c)) return DecodeResult::InputEnded;
      } else {
        const int64_t b = lio.ReadBits(8);
        if (b < 0) return DecodeResult::InputEnded;
        c = unsigned(b);
      }
      window[wpos] = uint8_t(c);
      wpos = (wpos + 1) & wmask;
      if (!lio.Put(uint8_t(c))) return DecodeResult::WriteFailed;
      continue;
    }
    const int64_t low = lio.ReadBits(lowBits);
    if (low < 0) return DecodeResult::InputEnded;
    unsigned code;
    if (!DecodeInverted(lio, t.Pool[2], distBits, code)) return DecodeResult::InputEnded;
    const unsigned distance = (code << lowBits) + unsigned(low) + 1;
    if (!DecodeInverted(lio, t.Pool[1], lenBits, code)) return DecodeResult::InputEnded;
    unsigned length = code + minLength;
    if (code == 63) {
      const int64_t more = lio.ReadBits(8);
      if (more < 0) return DecodeResult::InputEnded;
      length += unsigned(more);
    }
    // A match longer than the bytes still expected is copied whole.
    unsigned from = (wpos - distance) & wmask;
    for (unsigned k = 0; k < length; ++k) {
      const uint8_t b = window[from];
      window[wpos] = b;
      wpos = (wpos + 1) & wmask;
      from = (from + 1) & wmask;
      if (!lio.Put(b)) return DecodeResult::WriteFailed;
    }
  }
  return DecodeResult::Ok;
}

template <class T>
std::unique_ptr<T> Allocate() {
  return std::unique_ptr<T>(new (std::nothrow) T());
}

}  // namespace

DecodeResult Unshrink(ZipDecodeIo& io) {
  auto tables = Allocate<ShrinkTables>();
  if (!tables) return DecodeResult::NoMemory;
  LegacyIo lio(io);
  return Finish(lio, DoUnshrink(lio, *tables));
}

DecodeResult Unreduce(ZipDecodeIo& io, int factor) {
  if (factor < 1 || factor > 4) return DecodeResult::BadData;
  auto state = Allocate<ReduceState>();
  if (!state) return DecodeResult::NoMemory;
  LegacyIo lio(io);
  return Finish(lio, DoUnreduce(lio, *state, factor));
}

DecodeResult Explode(ZipDecodeIo& io) {
  auto tables = Allocate<ExplodeTables>();
  if (!tables) return DecodeResult::NoMemory;
  LegacyIo lio(io);
  return Finish(lio, DoExplode(lio, *tables, io.Flags, io.PackedSize));
}

}  // namespace corvina::archive
