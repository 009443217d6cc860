// Inflate engine. Decoded bytes go into the sliding window first and are flushed from there to
// the caller's buffer, so a match always copies from the window, and the step can stop anywhere
// (between bytes of a long match, between bits of a code) and go on with the next call.
#include "archive/Inflate.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "archive/InflateHuffman.h"

namespace corvina::archive {

namespace {

// The extra bits given for length codes 286 and 287, which no valid stream uses: meeting one is damage.
constexpr uint8_t kNoLength = 99;

// Length codes 257..287 and distance codes 0..31 (RFC 1951); the Deflate64 differences are
// patched in at lookup time.
const uint16_t kLengthBase[31] = {3,  4,  5,  6,  7,  8,  9,  10,  11,  13,  15,  17,  19,  23, 27, 31,
                                  35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258, 0,  0};
const uint8_t kLengthExtra[31] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,         2,        2,
                                  3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0, kNoLength, kNoLength};
const uint16_t kLength64Base[31] = {3,  4,  5,  6,  7,  8,  9,  10,  11,  13,  15,  17,  19, 23, 27, 31,
                                    35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 3,  0,  0};
const uint8_t kLength64Extra[31] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2,  2,         2,        2,
                                    3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16, kNoLength, kNoLength};
const uint16_t kDistBase[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
const uint8_t kDistExtra[32] = {0, 0, 0, 0, 1, 1, 2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
const uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

constexpr int kLenRootBits = 9, kDistRootBits = 6, kCodeLenRootBits = 7;

// Fixed tables, built once for the life of the program. Symbols map to themselves; the decoder
// turns length and distance symbols into base and extra bits.
struct FixedTables {
  HuffEntry Lens[1 << 9];
  HuffEntry Dists[1 << 5];
  FixedTables() {
    uint8_t l[288];
    for (int i = 0; i < 288; ++i) l[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
    HuffEntry pool[(1 << 9) + 64];
    size_t used = 0;
    BuildHuffmanTable(l, 288, 9, pool, sizeof pool / sizeof pool[0], used);
    std::memcpy(Lens, pool, sizeof Lens);
    uint8_t d[32];
    std::fill(d, d + 32, uint8_t(5));
    used = 0;
    BuildHuffmanTable(d, 32, 5, Dists, 32, used);
  }
};
const FixedTables& Fixed() {
  static const FixedTables tables;
  return tables;
}

}  // namespace

// Where Inflate stands in the stream. Each state waits for the input it names (a call that runs out of input
// or window room returns and the next call goes on in the same state), then moves on as said.
enum class InflateMode : uint8_t {
  Method,    // zlib header, first byte: deflate with a window no larger than ours, else Bad; then Flag
  Flag,      // both header bytes: their check (a multiple of 31); Dict for a preset dictionary, else Type
  Dict,      // the preset dictionary's 32-bit Adler-32, given to the caller in Adler; then NeedDict
  NeedDict,  // stays: the engine takes no preset dictionary, so every call returns InflateResult::NeedDict
  Type,      // a block header (3 bits): Stored, Len for the fixed codes, Table; after the last block Dry
  Stored,    // at a byte boundary, the stored block's length and its complement (32 bits); then Copy
  Copy,      // the stored block's bytes, copied as input and window room come; then Type
  Table,     // the dynamic block's three code counts (14 bits); then LenLens
  LenLens,   // 3 bits per code-length code, which is built from them; then CodeLens
  CodeLens,  // the literal/length and distance code lengths (with their repeats); both codes built, then Len
  Len,       // a literal/length code (the fast loop runs while input and room allow): a literal stays here,
             // the end of block goes to Type, a length to LenExt
  LenExt,    // the length's extra bits; then Dist
  Dist,      // a distance code; then DistExt
  DistExt,   // the distance's extra bits; a distance before the data's start or past the window is Bad;
             // then Match
  Match,     // the match's bytes, copied from the window as room comes; then Len
  Dry,       // after the last block: the window flushed to the caller; then Check (zlib) or Done (raw)
  Check,     // the zlib trailer: the data's Adler-32 (32 bits, big-endian), compared; then Done
  Done,      // stays: the stream is complete, every call returns InflateResult::StreamEnd
  Bad,       // stays: the data is damaged, every call returns InflateResult::DataError
};

// What Inflate keeps of one stream between calls.
struct InflateState {
  InflateMode Mode;               // where the stream stands
  bool Wrap;                      // zlib-wrapped: a header before the data, its Adler-32 after it
  bool Deflate64;                 // Deflate64's lengths and distances (see Inflate.h)
  bool Last;                      // the block being read is the stream's last
  int WindowBits;                 // log2 of WindowSize; a zlib header may ask for no larger window
  uint32_t Check;                 // Adler-32 of the bytes given to the caller so far (zlib-wrapped only)
  uint32_t Wanted;                // Adler-32 of the preset dictionary a zlib header asks for
  uint64_t Hold;                  // the bit buffer: input bits not used yet, the next one lowest
  unsigned Bits;                  // how many bits Hold holds
  uint8_t* Window;                // the sliding window: decoded bytes, which the matches copy from
  uint32_t WindowSize;            // its size, 1 << WindowBits bytes
  uint32_t WritePos;              // where in Window the next decoded byte goes
  uint32_t FlushPos;              // the first byte of Window not given to the caller yet
  uint64_t History;               // bytes ever written to the window, for the distance check
  uint32_t Length;                // stored bytes left, or the match length
  uint32_t Dist;                  // the match's distance
  unsigned Extra;                 // extra bits to read for the length or the distance
  unsigned LenCount;              // the dynamic block's literal/length codes (257..286)
  unsigned DistCount;             // its distance codes (1..30, 1..32 for Deflate64)
  unsigned CodeLenCount;          // its code-length codes (4..19)
  unsigned Have;                  // code lengths read into Lens so far
  uint8_t Lens[320];              // code lengths: of the code-length code, then of the block's two codes
  const HuffEntry* LenCode;       // the literal/length table (the code-length table while Lens is read)
  const HuffEntry* DistCode;      // the distance table
  unsigned LenBits;               // root-table bits of LenCode
  unsigned DistBits;              // root-table bits of DistCode
  size_t PoolUsed;                // entries of Pool the block's tables take
  HuffEntry Pool[kHuffPoolSize];  // where the dynamic block's tables are built
};

namespace {

void* Alloc(ZStreamRec* s, uint32_t items, uint32_t size) {
  if (s->ZAlloc) return s->ZAlloc(s->Opaque, items, size);
  return std::calloc(items, size);
}
void Free(ZStreamRec* s, void* p) {
  if (!p) return;
  if (s->ZFree)
    s->ZFree(s->Opaque, p);
  else
    std::free(p);
}

// Copies flushed window bytes to the caller and updates the check over them.
void FlushWindow(ZStreamRec* s) {
  InflateState& st = *s->State;
  uint32_t n = std::min(st.WritePos - st.FlushPos, s->AvailOut);
  if (n) {
    std::memcpy(s->NextOut, st.Window + st.FlushPos, n);
    if (st.Wrap) st.Check = Adler32(st.Check, st.Window + st.FlushPos, n);
    s->NextOut += n;
    s->AvailOut -= n;
    s->TotalOut += n;
    st.FlushPos += n;
  }
  if (st.FlushPos == st.WindowSize && st.WritePos == st.WindowSize) st.FlushPos = st.WritePos = 0;
}

// Room in the window for new bytes, flushing and wrapping when the window end is reached.
uint32_t WindowRoom(ZStreamRec* s) {
  InflateState& st = *s->State;
  if (st.WritePos == st.WindowSize) FlushWindow(s);
  return st.WindowSize - st.WritePos;
}

// The fast loop: symbols are decoded without the per-bit input checks of the state machine, as long as one
// more pass cannot run out of input or window room. One pass (a literal, or a length and a distance) reads at
// most 12 input bytes: the first refill at most 8 (an empty 64-bit buffer), the second at most 4 (it replaces
// the at most 31 bits of a length code and its extra bits, 15 + 16 in Deflate64). A pass starts only with more
// than 16 bytes left, so it never reads past the input. It writes at most 258 bytes, Deflate's longest match:
// a pass starts only with that much window room, and a longer Deflate64 match that does not fit goes to the
// state machine (InflateMode::Match). The caller enters with 32 bytes, so the loop does some passes before it returns.
// Returns false on bad data. Whole bytes taken into the bit buffer but not used are given back before it
// returns.
bool FastLoop(ZStreamRec* s) {
  InflateState& st = *s->State;
  const uint8_t* in = s->NextIn;
  // Two refills per pass take at most 12 bytes: the 16-byte margin keeps them inside the input.
  const uint8_t* const inLast = s->NextIn + s->AvailIn - 16;
  uint64_t hold = st.Hold;
  unsigned bits = st.Bits;
  uint8_t* const win = st.Window;
  const uint32_t mask = st.WindowSize - 1;
  uint32_t wpos = st.WritePos;
  const uint32_t wposStart = wpos;
  const uint32_t wlimit = st.WindowSize - 258;  // room for the longest Deflate match
  const uint16_t* lbase = st.Deflate64 ? kLength64Base : kLengthBase;
  const uint8_t* lextra = st.Deflate64 ? kLength64Extra : kLengthExtra;
  const unsigned ndist = st.Deflate64 ? 32 : 30;
  bool ok = true;
  auto refill = [&] {
    while (bits <= 56) {
      hold |= uint64_t(*in++) << bits;
      bits += 8;
    }
  };
  while (in < inLast && wpos <= wlimit) {
    refill();
    HuffEntry e;
    unsigned used;
    DecodeSymbol(st.LenCode, st.LenBits, hold, bits, e, used);
    if (e.Kind != HuffKind::Symbol || e.Value > 287) {
      ok = false;
      break;
    }
    hold >>= used;
    bits -= used;
    const unsigned sym = e.Value;
    if (sym < 256) {
      win[wpos++] = uint8_t(sym);
      continue;
    }
    if (sym == 256) {
      st.Mode = InflateMode::Type;
      break;
    }
    const unsigned ex = lextra[sym - 257];
    if (ex == kNoLength) {
      ok = false;
      break;
    }
    uint32_t len = lbase[sym - 257] + uint32_t(hold & ((uint64_t(1) << ex) - 1));
    hold >>= ex;
    bits -= ex;
    refill();
    DecodeSymbol(st.DistCode, st.DistBits, hold, bits, e, used);
    if (e.Kind != HuffKind::Symbol || e.Value >= ndist) {
      ok = false;
      break;
    }
    hold >>= used;
    bits -= used;
    const unsigned dex = kDistExtra[e.Value];
    const uint32_t dist = kDistBase[e.Value] + uint32_t(hold & ((uint64_t(1) << dex) - 1));
    hold >>= dex;
    bits -= dex;
    if (dist > st.History + (wpos - wposStart) || dist > st.WindowSize) {
      ok = false;
      break;
    }
    if (len > st.WindowSize - wpos) {
      // A Deflate64 length beyond the window end: the state machine copies it in runs.
      st.Length = len;
      st.Dist = dist;
      st.Mode = InflateMode::Match;
      break;
    }
    const uint32_t from = (wpos - dist) & mask;
    if (dist >= len && from + len <= st.WindowSize) {
      std::memmove(win + wpos, win + from, len);  // may meet the far end of the window
      wpos += len;
    } else {
      for (uint32_t k = 0; k < len; ++k) win[wpos + k] = win[(from + k) & mask];
      wpos += len;
    }
  }
  const unsigned giveBack = std::min<unsigned>(bits >> 3, unsigned(in - s->NextIn));
  in -= giveBack;
  bits -= giveBack * 8;
  hold &= bits ? (uint64_t(1) << bits) - 1 : 0;
  s->AvailIn -= uint32_t(in - s->NextIn);
  s->NextIn = in;
  st.Hold = hold;
  st.Bits = bits;
  st.History += wpos - wposStart;
  st.WritePos = wpos;
  return ok;
}

}  // namespace

uint32_t Adler32(uint32_t adler, const uint8_t* buffer, size_t length) {
  if (!buffer) return 1;
  constexpr uint32_t kBase = 65521;
  constexpr size_t kRun = 3854;
  uint32_t a = adler & 0xFFFF, b = adler >> 16;
  while (length > 0) {
    size_t n = std::min(length, kRun);
    length -= n;
    while (n--) {
      a += *buffer++;
      b += a;
    }
    a %= kBase;
    b %= kBase;
  }
  return (b << 16) | a;
}

InflateResult InflateReset(ZStreamRec* s) {
  if (!s || !s->State) return InflateResult::StreamError;
  InflateState& st = *s->State;
  s->TotalIn = s->TotalOut = 0;
  st.Mode = st.Wrap ? InflateMode::Method : InflateMode::Type;
  st.Last = false;
  st.Check = st.Wrap ? 1u : 0u;
  s->Adler = st.Check;
  st.Hold = 0;
  st.Bits = 0;
  st.WritePos = st.FlushPos = 0;
  st.History = 0;
  st.LenCode = st.DistCode = nullptr;
  if (st.Window) std::memset(st.Window, 0, st.WindowSize);
  return InflateResult::Ok;
}

InflateResult InflateInit(ZStreamRec* s, int windowBits, int recordSize, bool deflate64) {
  if (recordSize != kZStreamRecSize) return InflateResult::VersionError;
  if (!s) return InflateResult::StreamError;
  const bool wrap = windowBits >= 0;
  int wbits = wrap ? windowBits : -windowBits;
  if (deflate64) ++wbits;
  if (wbits < 8 || wbits > (deflate64 ? 16 : 15)) return InflateResult::StreamError;
  s->State = nullptr;
  void* mem = Alloc(s, 1, sizeof(InflateState));
  if (!mem) return InflateResult::MemError;
  auto* st = new (mem) InflateState{};
  st->Wrap = wrap;
  st->Deflate64 = deflate64;
  st->WindowBits = wbits;
  st->WindowSize = 1u << wbits;
  st->Window = static_cast<uint8_t*>(Alloc(s, st->WindowSize, 1));
  if (!st->Window) {
    Free(s, st);
    return InflateResult::MemError;
  }
  s->State = st;
  return InflateReset(s);
}

InflateResult InflateEnd(ZStreamRec* s) {
  if (!s || !s->State) return InflateResult::StreamError;
  Free(s, s->State->Window);
  Free(s, s->State);
  s->State = nullptr;
  return InflateResult::Ok;
}

InflateResult Inflate(ZStreamRec* s, int flush) {
  if (!s || !s->State || (!s->NextIn && s->AvailIn)) return InflateResult::StreamError;
  InflateState& st = *s->State;
  const uint32_t inStart = s->AvailIn, outStart = s->AvailOut;
  InflateResult ret = InflateResult::Ok;

  // Bit input: NEED stops the step until more input comes; nothing is consumed half-way.
#define NEED(n)                                     \
  do {                                              \
    while (st.Bits < unsigned(n)) {                 \
      if (s->AvailIn == 0) goto leave;              \
      --s->AvailIn;                                 \
      st.Hold |= uint64_t(*s->NextIn++) << st.Bits; \
      st.Bits += 8;                                 \
    }                                               \
  } while (0)
#define BITS(n) uint32_t(st.Hold&((uint64_t(1) << (n)) - 1))
#define DROP(n)      \
  do {               \
    st.Hold >>= (n); \
    st.Bits -= (n);  \
  } while (0)
#define FAIL()                      \
  do {                              \
    st.Mode = InflateMode::Bad;     \
    ret = InflateResult::DataError; \
    goto leave;                     \
  } while (0)

  for (;;) {
    switch (st.Mode) {
      case InflateMode::Method: {
        NEED(8);
        const unsigned method = BITS(8);
        if ((method & 15) != 8 || (method >> 4) + 8 > unsigned(st.WindowBits)) FAIL();
        st.Mode = InflateMode::Flag;
        break;
      }
      case InflateMode::Flag: {
        NEED(16);
        const unsigned cmf = BITS(8), flg = (st.Hold >> 8) & 0xFF;
        if ((cmf * 256 + flg) % 31 != 0) FAIL();
        DROP(16);
        if (flg & 0x20) {
          st.Wanted = 0;
          st.Mode = InflateMode::Dict;
        } else {
          st.Mode = InflateMode::Type;
        }
        break;
      }
      case InflateMode::Dict:
        NEED(32);
        st.Wanted = BITS(32);
        st.Wanted = (st.Wanted >> 24) | ((st.Wanted >> 8) & 0xFF00) | ((st.Wanted << 8) & 0xFF0000) | (st.Wanted << 24);
        DROP(32);
        st.Mode = InflateMode::NeedDict;
        [[fallthrough]];
      case InflateMode::NeedDict: ret = InflateResult::NeedDict; goto leave;
      case InflateMode::Type: {
        if (st.Last) {
          st.Mode = InflateMode::Dry;
          break;
        }
        NEED(3);
        st.Last = BITS(1);
        const unsigned type = (st.Hold >> 1) & 3;
        DROP(3);
        if (type == 0) {
          DROP(st.Bits & 7);
          st.Mode = InflateMode::Stored;
        } else if (type == 1) {
          st.LenCode = Fixed().Lens;
          st.LenBits = 9;
          st.DistCode = Fixed().Dists;
          st.DistBits = 5;
          st.Mode = InflateMode::Len;
        } else if (type == 2) {
          st.Mode = InflateMode::Table;
        } else {
          FAIL();
        }
        break;
      }
      case InflateMode::Stored: {
        NEED(32);
        const uint32_t v = BITS(32);
        if ((v & 0xFFFF) != ((v >> 16) ^ 0xFFFF)) FAIL();
        st.Length = v & 0xFFFF;
        DROP(32);
        st.Mode = InflateMode::Copy;
        [[fallthrough]];
      }
      case InflateMode::Copy:
        while (st.Length) {
          // Whole bytes left in the bit buffer come first.
          if (st.Bits >= 8 || s->AvailIn) {
            const uint32_t room = WindowRoom(s);
            if (!room) goto leave;
            uint32_t n = std::min(st.Length, room);
            if (st.Bits >= 8) {
              st.Window[st.WritePos++] = uint8_t(st.Hold);
              DROP(8);
              n = 1;
            } else {
              n = std::min(n, s->AvailIn);
              std::memcpy(st.Window + st.WritePos, s->NextIn, n);
              st.WritePos += n;
              s->NextIn += n;
              s->AvailIn -= n;
            }
            st.History += n;
            st.Length -= n;
          } else {
            goto leave;
          }
        }
        st.Mode = InflateMode::Type;
        break;
      case InflateMode::Table:
        NEED(14);
        st.LenCount = BITS(5) + 257;
        st.DistCount = ((st.Hold >> 5) & 31) + 1;
        st.CodeLenCount = ((st.Hold >> 10) & 15) + 4;
        DROP(14);
        // 286 length codes at most; 30 distance codes, 32 for Deflate64 (whose compressors
        // send the two extra codes).
        if (st.LenCount > 286 || st.DistCount > (st.Deflate64 ? 32u : 30u)) FAIL();
        st.Have = 0;
        std::memset(st.Lens, 0, sizeof st.Lens);
        st.Mode = InflateMode::LenLens;
        [[fallthrough]];
      case InflateMode::LenLens: {
        while (st.Have < st.CodeLenCount) {
          NEED(3);
          st.Lens[kCodeLengthOrder[st.Have++]] = uint8_t(BITS(3));
          DROP(3);
        }
        st.PoolUsed = 0;
        if (BuildHuffmanTable(st.Lens, 19, kCodeLenRootBits, st.Pool, kHuffPoolSize, st.PoolUsed) != kHuffComplete)
          FAIL();
        st.LenCode = st.Pool;
        st.LenBits = kCodeLenRootBits;
        st.Have = 0;
        std::memset(st.Lens, 0, sizeof st.Lens);
        st.Mode = InflateMode::CodeLens;
        [[fallthrough]];
      }
      case InflateMode::CodeLens: {
        while (st.Have < st.LenCount + st.DistCount) {
          HuffEntry e;
          for (;;) {
            e = st.LenCode[BITS(st.LenBits)];
            if (e.Bits <= st.Bits) break;
            if (s->AvailIn == 0) goto leave;
            --s->AvailIn;
            st.Hold |= uint64_t(*s->NextIn++) << st.Bits;
            st.Bits += 8;
          }
          if (e.Kind != HuffKind::Symbol) FAIL();
          const unsigned sym = e.Value;
          if (sym < 16) {
            DROP(e.Bits);
            st.Lens[st.Have++] = uint8_t(sym);
            continue;
          }
          const unsigned extraBits = sym == 16 ? 2 : sym == 17 ? 3 : 7;
          NEED(e.Bits + extraBits);
          DROP(e.Bits);
          unsigned repeat = BITS(extraBits);
          DROP(extraBits);
          uint8_t value = 0;
          if (sym == 16) {
            if (st.Have == 0) FAIL();
            value = st.Lens[st.Have - 1];
            repeat += 3;
          } else {
            repeat += sym == 17 ? 3 : 11;
          }
          if (st.Have + repeat > st.LenCount + st.DistCount) FAIL();
          while (repeat--) st.Lens[st.Have++] = value;
        }
        if (st.Lens[256] == 0) FAIL();  // no end-of-block code
        st.PoolUsed = 0;
        {
          // Incomplete only as the lone code of one bit that some compressors send.
          const int r = BuildHuffmanTable(st.Lens, st.LenCount, kLenRootBits, st.Pool, kHuffPoolSize, st.PoolUsed);
          const auto codesUsed = std::count_if(st.Lens, st.Lens + st.LenCount, [](uint8_t l) { return l != 0; });
          if (r != kHuffComplete && !(r == kHuffIncomplete && codesUsed == 1)) FAIL();
        }
        st.LenCode = st.Pool;
        st.LenBits = kLenRootBits;
        const size_t distAt = st.PoolUsed;
        // The distance code may be incomplete: its unused codes are invalid when met.
        const int r = BuildHuffmanTable(st.Lens + st.LenCount, st.DistCount, kDistRootBits, st.Pool + distAt,
                                        kHuffPoolSize - distAt, st.PoolUsed);
        if (r != kHuffComplete && r != kHuffIncomplete) FAIL();
        st.DistCode = st.Pool + distAt;
        st.DistBits = kDistRootBits;
        st.Mode = InflateMode::Len;
        break;
      }
      case InflateMode::Len: {
        // The fast loop needs its margins (see FastLoop): more than 16 input bytes, 258 bytes of window room.
        if (s->AvailIn >= 32 && WindowRoom(s) >= 258) {
          if (!FastLoop(s)) FAIL();
          if (st.Mode != InflateMode::Len) break;
        }
        HuffEntry e;
        unsigned used;
        if (!DecodeSymbol(st.LenCode, st.LenBits, st.Hold, st.Bits, e, used)) {
          // Not enough bits buffered for the whole code: take one more byte.
          if (s->AvailIn == 0) goto leave;
          --s->AvailIn;
          st.Hold |= uint64_t(*s->NextIn++) << st.Bits;
          st.Bits += 8;
          break;
        }
        if (e.Kind != HuffKind::Symbol) FAIL();
        const unsigned sym = e.Value;
        if (sym < 256) {
          if (!WindowRoom(s)) goto leave;
          DROP(used);
          st.Window[st.WritePos++] = uint8_t(sym);
          ++st.History;
          break;
        }
        DROP(used);
        if (sym == 256) {
          st.Mode = InflateMode::Type;
          break;
        }
        if (sym > 287) FAIL();
        const uint8_t ex = (st.Deflate64 ? kLength64Extra : kLengthExtra)[sym - 257];
        if (ex == kNoLength) FAIL();
        st.Length = (st.Deflate64 ? kLength64Base : kLengthBase)[sym - 257];
        st.Extra = ex;
        st.Mode = InflateMode::LenExt;
        [[fallthrough]];
      }
      case InflateMode::LenExt:
        if (st.Extra) {
          NEED(st.Extra);
          st.Length += BITS(st.Extra);
          DROP(st.Extra);
        }
        st.Mode = InflateMode::Dist;
        [[fallthrough]];
      case InflateMode::Dist: {
        HuffEntry e;
        unsigned used;
        while (!DecodeSymbol(st.DistCode, st.DistBits, st.Hold, st.Bits, e, used)) {
          if (s->AvailIn == 0) goto leave;
          --s->AvailIn;
          st.Hold |= uint64_t(*s->NextIn++) << st.Bits;
          st.Bits += 8;
        }
        if (e.Kind != HuffKind::Symbol) FAIL();
        const unsigned code = e.Value;
        if (code >= (st.Deflate64 ? 32u : 30u)) FAIL();
        DROP(used);
        st.Dist = kDistBase[code];
        st.Extra = kDistExtra[code];
        st.Mode = InflateMode::DistExt;
        [[fallthrough]];
      }
      case InflateMode::DistExt:
        if (st.Extra) {
          NEED(st.Extra);
          st.Dist += BITS(st.Extra);
          DROP(st.Extra);
        }
        // Reaching before the first byte of the data, or past the window, is damage.
        if (st.Dist > st.History || st.Dist > st.WindowSize) FAIL();
        st.Mode = InflateMode::Match;
        [[fallthrough]];
      case InflateMode::Match:
        while (st.Length) {
          uint32_t room = WindowRoom(s);
          if (!room) goto leave;
          uint32_t n = std::min(st.Length, room);
          uint32_t from = (st.WritePos - st.Dist) & (st.WindowSize - 1);
          // Runs up to the window end; overlapping ranges copy byte by byte so that
          // a short distance repeats the bytes just written.
          n = std::min(n, st.WindowSize - from);
          uint8_t* dst = st.Window + st.WritePos;
          const uint8_t* src = st.Window + from;
          if (src + n <= dst || dst + n <= src) {
            std::memcpy(dst, src, n);
          } else {
            for (uint32_t k = 0; k < n; ++k) dst[k] = src[k];
          }
          st.WritePos += n;
          st.History += n;
          st.Length -= n;
        }
        st.Mode = InflateMode::Len;
        break;
      case InflateMode::Dry:
        FlushWindow(s);
        if (st.WritePos != st.FlushPos) goto leave;
        if (st.Wrap) {
          DROP(st.Bits & 7);
          st.Mode = InflateMode::Check;
        } else {
          st.Mode = InflateMode::Done;
        }
        break;
      case InflateMode::Check: {
        NEED(32);
        uint32_t v = BITS(32);
        v = (v >> 24) | ((v >> 8) & 0xFF00) | ((v << 8) & 0xFF0000) | (v << 24);
        DROP(32);
        if (v != st.Check) FAIL();
        st.Mode = InflateMode::Done;
        break;
      }
      case InflateMode::Done: ret = InflateResult::StreamEnd; goto leave;
      case InflateMode::Bad: ret = InflateResult::DataError; goto leave;
    }
  }

leave:
#undef NEED
#undef BITS
#undef DROP
#undef FAIL
  if (st.Mode != InflateMode::Bad) FlushWindow(s);
  // While a dictionary is wanted the caller is told which one, not the check of the data so far.
  s->Adler = st.Mode == InflateMode::NeedDict ? st.Wanted : st.Check;
  s->TotalIn += inStart - s->AvailIn;
  if (ret == InflateResult::Ok) {
    const bool progress = inStart != s->AvailIn || outStart != s->AvailOut;
    if (!progress || flush == kInflateFinish) ret = InflateResult::BufError;
  }
  return ret;
}
}  // namespace corvina::archive
