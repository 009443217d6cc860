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

// Length codes 257..287 and distance codes 0..31 (RFC 1951); the Deflate64 differences are
// patched in at lookup time.
const uint16_t kLengthBase[31] = {3,  4,  5,  6,  7,  8,  9,  10,  11,  13,  15,  17,  19,  23, 27, 31,
                                  35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258, 0,  0};
const uint8_t kLengthExtra[31] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,  2, 2,
                                  3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0, 99, 99};
const uint16_t kLength64Base[31] = {3,  4,  5,  6,  7,  8,  9,  10,  11,  13,  15,  17,  19, 23, 27, 31,
                                    35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 3,  0,  0};
const uint8_t kLength64Extra[31] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2,  2,  2, 2,
                                    3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16, 99, 99};
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
  HuffEntry lens[1 << 9];
  HuffEntry dists[1 << 5];
  FixedTables() {
    uint8_t l[288];
    for (int i = 0; i < 288; ++i) l[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
    HuffEntry pool[(1 << 9) + 64];
    size_t used = 0;
    BuildHuffmanTable(l, 288, 9, pool, sizeof pool / sizeof pool[0], used);
    std::memcpy(lens, pool, sizeof lens);
    uint8_t d[32];
    std::fill(d, d + 32, uint8_t(5));
    used = 0;
    BuildHuffmanTable(d, 32, 5, dists, 32, used);
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
  Dict,      // the preset dictionary's 32-bit Adler-32, given to the caller in adler; then NeedDict
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

struct InflateState {
  InflateMode mode;
  bool wrap, deflate64, last;
  int wbits;
  uint32_t check, wanted;
  uint64_t hold;
  unsigned bits;
  uint8_t* window;
  uint32_t wsize, wpos, rpos;
  uint64_t history;  // bytes ever written to the window, for the distance check
  uint32_t length;   // stored bytes left, or the match length
  uint32_t dist;
  unsigned extra;
  unsigned nlen, ndist, ncode, have;
  uint8_t lens[320];
  const HuffEntry* lencode;
  const HuffEntry* distcode;
  unsigned lenbits, distbits;
  size_t poolUsed;
  HuffEntry pool[kHuffPoolSize];
};

namespace {

void* Alloc(ZStreamRec* s, uint32_t items, uint32_t size) {
  if (s->zalloc) return s->zalloc(s->opaque, items, size);
  return std::calloc(items, size);
}
void Free(ZStreamRec* s, void* p) {
  if (!p) return;
  if (s->zfree)
    s->zfree(s->opaque, p);
  else
    std::free(p);
}

// Copies flushed window bytes to the caller and updates the check over them.
void FlushWindow(ZStreamRec* s) {
  InflateState& st = *s->state;
  uint32_t n = std::min(st.wpos - st.rpos, s->avail_out);
  if (n) {
    std::memcpy(s->next_out, st.window + st.rpos, n);
    if (st.wrap) st.check = Adler32(st.check, st.window + st.rpos, n);
    s->next_out += n;
    s->avail_out -= n;
    s->total_out += n;
    st.rpos += n;
  }
  if (st.rpos == st.wsize && st.wpos == st.wsize) st.rpos = st.wpos = 0;
}

// Room in the window for new bytes, flushing and wrapping when the window end is reached.
uint32_t WindowRoom(ZStreamRec* s) {
  InflateState& st = *s->state;
  if (st.wpos == st.wsize) FlushWindow(s);
  return st.wsize - st.wpos;
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
  InflateState& st = *s->state;
  const uint8_t* in = s->next_in;
  // Two refills per pass take at most 12 bytes: the 16-byte margin keeps them inside the input.
  const uint8_t* const inLast = s->next_in + s->avail_in - 16;
  uint64_t hold = st.hold;
  unsigned bits = st.bits;
  uint8_t* const win = st.window;
  const uint32_t mask = st.wsize - 1;
  uint32_t wpos = st.wpos;
  const uint32_t wposStart = wpos;
  const uint32_t wlimit = st.wsize - 258;  // room for the longest Deflate match
  const uint16_t* lbase = st.deflate64 ? kLength64Base : kLengthBase;
  const uint8_t* lextra = st.deflate64 ? kLength64Extra : kLengthExtra;
  const unsigned ndist = st.deflate64 ? 32 : 30;
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
    DecodeSymbol(st.lencode, st.lenbits, hold, bits, e, used);
    if (e.kind != HuffEntry::kSymbol || e.value > 287) {
      ok = false;
      break;
    }
    hold >>= used;
    bits -= used;
    const unsigned sym = e.value;
    if (sym < 256) {
      win[wpos++] = uint8_t(sym);
      continue;
    }
    if (sym == 256) {
      st.mode = InflateMode::Type;
      break;
    }
    const unsigned ex = lextra[sym - 257];
    if (ex == 99) {
      ok = false;
      break;
    }
    uint32_t len = lbase[sym - 257] + uint32_t(hold & ((uint64_t(1) << ex) - 1));
    hold >>= ex;
    bits -= ex;
    refill();
    DecodeSymbol(st.distcode, st.distbits, hold, bits, e, used);
    if (e.kind != HuffEntry::kSymbol || e.value >= ndist) {
      ok = false;
      break;
    }
    hold >>= used;
    bits -= used;
    const unsigned dex = kDistExtra[e.value];
    const uint32_t dist = kDistBase[e.value] + uint32_t(hold & ((uint64_t(1) << dex) - 1));
    hold >>= dex;
    bits -= dex;
    if (dist > st.history + (wpos - wposStart) || dist > st.wsize) {
      ok = false;
      break;
    }
    if (len > st.wsize - wpos) {
      // A Deflate64 length beyond the window end: the state machine copies it in runs.
      st.length = len;
      st.dist = dist;
      st.mode = InflateMode::Match;
      break;
    }
    const uint32_t from = (wpos - dist) & mask;
    if (dist >= len && from + len <= st.wsize) {
      std::memmove(win + wpos, win + from, len);  // may meet the far end of the window
      wpos += len;
    } else {
      for (uint32_t k = 0; k < len; ++k) win[wpos + k] = win[(from + k) & mask];
      wpos += len;
    }
  }
  const unsigned giveBack = std::min<unsigned>(bits >> 3, unsigned(in - s->next_in));
  in -= giveBack;
  bits -= giveBack * 8;
  hold &= bits ? (uint64_t(1) << bits) - 1 : 0;
  s->avail_in -= uint32_t(in - s->next_in);
  s->next_in = in;
  st.hold = hold;
  st.bits = bits;
  st.history += wpos - wposStart;
  st.wpos = wpos;
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
  if (!s || !s->state) return InflateResult::StreamError;
  InflateState& st = *s->state;
  s->total_in = s->total_out = 0;
  st.mode = st.wrap ? InflateMode::Method : InflateMode::Type;
  st.last = false;
  st.check = st.wrap ? 1u : 0u;
  s->adler = st.check;
  st.hold = 0;
  st.bits = 0;
  st.wpos = st.rpos = 0;
  st.history = 0;
  st.lencode = st.distcode = nullptr;
  if (st.window) std::memset(st.window, 0, st.wsize);
  return InflateResult::Ok;
}

InflateResult InflateInit(ZStreamRec* s, int windowBits, int recordSize, bool deflate64) {
  if (recordSize != kZStreamRecSize) return InflateResult::VersionError;
  if (!s) return InflateResult::StreamError;
  const bool wrap = windowBits >= 0;
  int wbits = wrap ? windowBits : -windowBits;
  if (deflate64) ++wbits;
  if (wbits < 8 || wbits > (deflate64 ? 16 : 15)) return InflateResult::StreamError;
  s->state = nullptr;
  void* mem = Alloc(s, 1, sizeof(InflateState));
  if (!mem) return InflateResult::MemError;
  auto* st = new (mem) InflateState{};
  st->wrap = wrap;
  st->deflate64 = deflate64;
  st->wbits = wbits;
  st->wsize = 1u << wbits;
  st->window = static_cast<uint8_t*>(Alloc(s, st->wsize, 1));
  if (!st->window) {
    Free(s, st);
    return InflateResult::MemError;
  }
  s->state = st;
  return InflateReset(s);
}

InflateResult InflateEnd(ZStreamRec* s) {
  if (!s || !s->state) return InflateResult::StreamError;
  Free(s, s->state->window);
  Free(s, s->state);
  s->state = nullptr;
  return InflateResult::Ok;
}

InflateResult Inflate(ZStreamRec* s, int flush) {
  if (!s || !s->state || (!s->next_in && s->avail_in)) return InflateResult::StreamError;
  InflateState& st = *s->state;
  const uint32_t inStart = s->avail_in, outStart = s->avail_out;
  InflateResult ret = InflateResult::Ok;

  // Bit input: NEED stops the step until more input comes; nothing is consumed half-way.
#define NEED(n)                                      \
  do {                                               \
    while (st.bits < unsigned(n)) {                  \
      if (s->avail_in == 0) goto leave;              \
      --s->avail_in;                                 \
      st.hold |= uint64_t(*s->next_in++) << st.bits; \
      st.bits += 8;                                  \
    }                                                \
  } while (0)
#define BITS(n) uint32_t(st.hold&((uint64_t(1) << (n)) - 1))
#define DROP(n)      \
  do {               \
    st.hold >>= (n); \
    st.bits -= (n);  \
  } while (0)
#define FAIL()                      \
  do {                              \
    st.mode = InflateMode::Bad;     \
    ret = InflateResult::DataError; \
    goto leave;                     \
  } while (0)

  for (;;) {
    switch (st.mode) {
      case InflateMode::Method: {
        NEED(8);
        const unsigned method = BITS(8);
        if ((method & 15) != 8 || (method >> 4) + 8 > unsigned(st.wbits)) FAIL();
        st.mode = InflateMode::Flag;
        break;
      }
      case InflateMode::Flag: {
        NEED(16);
        const unsigned cmf = BITS(8), flg = (st.hold >> 8) & 0xFF;
        if ((cmf * 256 + flg) % 31 != 0) FAIL();
        DROP(16);
        if (flg & 0x20) {
          st.wanted = 0;
          st.mode = InflateMode::Dict;
        } else {
          st.mode = InflateMode::Type;
        }
        break;
      }
      case InflateMode::Dict:
        NEED(32);
        st.wanted = BITS(32);
        st.wanted = (st.wanted >> 24) | ((st.wanted >> 8) & 0xFF00) | ((st.wanted << 8) & 0xFF0000) | (st.wanted << 24);
        DROP(32);
        st.mode = InflateMode::NeedDict;
        [[fallthrough]];
      case InflateMode::NeedDict: ret = InflateResult::NeedDict; goto leave;
      case InflateMode::Type: {
        if (st.last) {
          st.mode = InflateMode::Dry;
          break;
        }
        NEED(3);
        st.last = BITS(1);
        const unsigned type = (st.hold >> 1) & 3;
        DROP(3);
        if (type == 0) {
          DROP(st.bits & 7);
          st.mode = InflateMode::Stored;
        } else if (type == 1) {
          st.lencode = Fixed().lens;
          st.lenbits = 9;
          st.distcode = Fixed().dists;
          st.distbits = 5;
          st.mode = InflateMode::Len;
        } else if (type == 2) {
          st.mode = InflateMode::Table;
        } else {
          FAIL();
        }
        break;
      }
      case InflateMode::Stored: {
        NEED(32);
        const uint32_t v = BITS(32);
        if ((v & 0xFFFF) != ((v >> 16) ^ 0xFFFF)) FAIL();
        st.length = v & 0xFFFF;
        DROP(32);
        st.mode = InflateMode::Copy;
        [[fallthrough]];
      }
      case InflateMode::Copy:
        while (st.length) {
          // Whole bytes left in the bit buffer come first.
          if (st.bits >= 8 || s->avail_in) {
            const uint32_t room = WindowRoom(s);
            if (!room) goto leave;
            uint32_t n = std::min(st.length, room);
            if (st.bits >= 8) {
              st.window[st.wpos++] = uint8_t(st.hold);
              DROP(8);
              n = 1;
            } else {
              n = std::min(n, s->avail_in);
              std::memcpy(st.window + st.wpos, s->next_in, n);
              st.wpos += n;
              s->next_in += n;
              s->avail_in -= n;
            }
            st.history += n;
            st.length -= n;
          } else {
            goto leave;
          }
        }
        st.mode = InflateMode::Type;
        break;
      case InflateMode::Table:
        NEED(14);
        st.nlen = BITS(5) + 257;
        st.ndist = ((st.hold >> 5) & 31) + 1;
        st.ncode = ((st.hold >> 10) & 15) + 4;
        DROP(14);
        // 286 length codes at most; 30 distance codes, 32 for Deflate64 (whose compressors
        // send the two extra codes).
        if (st.nlen > 286 || st.ndist > (st.deflate64 ? 32u : 30u)) FAIL();
        st.have = 0;
        std::memset(st.lens, 0, sizeof st.lens);
        st.mode = InflateMode::LenLens;
        [[fallthrough]];
      case InflateMode::LenLens: {
        while (st.have < st.ncode) {
          NEED(3);
          st.lens[kCodeLengthOrder[st.have++]] = uint8_t(BITS(3));
          DROP(3);
        }
        st.poolUsed = 0;
        if (BuildHuffmanTable(st.lens, 19, kCodeLenRootBits, st.pool, kHuffPoolSize, st.poolUsed) != kHuffComplete)
          FAIL();
        st.lencode = st.pool;
        st.lenbits = kCodeLenRootBits;
        st.have = 0;
        std::memset(st.lens, 0, sizeof st.lens);
        st.mode = InflateMode::CodeLens;
        [[fallthrough]];
      }
      case InflateMode::CodeLens: {
        while (st.have < st.nlen + st.ndist) {
          HuffEntry e;
          for (;;) {
            e = st.lencode[BITS(st.lenbits)];
            if (e.bits <= st.bits) break;
            if (s->avail_in == 0) goto leave;
            --s->avail_in;
            st.hold |= uint64_t(*s->next_in++) << st.bits;
            st.bits += 8;
          }
          if (e.kind != HuffEntry::kSymbol) FAIL();
          const unsigned sym = e.value;
          if (sym < 16) {
            DROP(e.bits);
            st.lens[st.have++] = uint8_t(sym);
            continue;
          }
          const unsigned extraBits = sym == 16 ? 2 : sym == 17 ? 3 : 7;
          NEED(e.bits + extraBits);
          DROP(e.bits);
          unsigned repeat = BITS(extraBits);
          DROP(extraBits);
          uint8_t value = 0;
          if (sym == 16) {
            if (st.have == 0) FAIL();
            value = st.lens[st.have - 1];
            repeat += 3;
          } else {
            repeat += sym == 17 ? 3 : 11;
          }
          if (st.have + repeat > st.nlen + st.ndist) FAIL();
          while (repeat--) st.lens[st.have++] = value;
        }
        if (st.lens[256] == 0) FAIL();  // no end-of-block code
        st.poolUsed = 0;
        {
          // Incomplete only as the lone code of one bit that some compressors send.
          const int r = BuildHuffmanTable(st.lens, st.nlen, kLenRootBits, st.pool, kHuffPoolSize, st.poolUsed);
          const auto codesUsed = std::count_if(st.lens, st.lens + st.nlen, [](uint8_t l) { return l != 0; });
          if (r != kHuffComplete && !(r == kHuffIncomplete && codesUsed == 1)) FAIL();
        }
        st.lencode = st.pool;
        st.lenbits = kLenRootBits;
        const size_t distAt = st.poolUsed;
        // The distance code may be incomplete: its unused codes are invalid when met.
        const int r = BuildHuffmanTable(st.lens + st.nlen, st.ndist, kDistRootBits, st.pool + distAt,
                                        kHuffPoolSize - distAt, st.poolUsed);
        if (r != kHuffComplete && r != kHuffIncomplete) FAIL();
        st.distcode = st.pool + distAt;
        st.distbits = kDistRootBits;
        st.mode = InflateMode::Len;
        break;
      }
      case InflateMode::Len: {
        // The fast loop needs its margins (see FastLoop): more than 16 input bytes, 258 bytes of window room.
        if (s->avail_in >= 32 && WindowRoom(s) >= 258) {
          if (!FastLoop(s)) FAIL();
          if (st.mode != InflateMode::Len) break;
        }
        HuffEntry e;
        unsigned used;
        if (!DecodeSymbol(st.lencode, st.lenbits, st.hold, st.bits, e, used)) {
          // Not enough bits buffered for the whole code: take one more byte.
          if (s->avail_in == 0) goto leave;
          --s->avail_in;
          st.hold |= uint64_t(*s->next_in++) << st.bits;
          st.bits += 8;
          break;
        }
        if (e.kind != HuffEntry::kSymbol) FAIL();
        const unsigned sym = e.value;
        if (sym < 256) {
          if (!WindowRoom(s)) goto leave;
          DROP(used);
          st.window[st.wpos++] = uint8_t(sym);
          ++st.history;
          break;
        }
        DROP(used);
        if (sym == 256) {
          st.mode = InflateMode::Type;
          break;
        }
        if (sym > 287) FAIL();
        const uint8_t ex = (st.deflate64 ? kLength64Extra : kLengthExtra)[sym - 257];
        if (ex == 99) FAIL();
        st.length = (st.deflate64 ? kLength64Base : kLengthBase)[sym - 257];
        st.extra = ex;
        st.mode = InflateMode::LenExt;
        [[fallthrough]];
      }
      case InflateMode::LenExt:
        if (st.extra) {
          NEED(st.extra);
          st.length += BITS(st.extra);
          DROP(st.extra);
        }
        st.mode = InflateMode::Dist;
        [[fallthrough]];
      case InflateMode::Dist: {
        HuffEntry e;
        unsigned used;
        while (!DecodeSymbol(st.distcode, st.distbits, st.hold, st.bits, e, used)) {
          if (s->avail_in == 0) goto leave;
          --s->avail_in;
          st.hold |= uint64_t(*s->next_in++) << st.bits;
          st.bits += 8;
        }
        if (e.kind != HuffEntry::kSymbol) FAIL();
        const unsigned code = e.value;
        if (code >= (st.deflate64 ? 32u : 30u)) FAIL();
        DROP(used);
        st.dist = kDistBase[code];
        st.extra = kDistExtra[code];
        st.mode = InflateMode::DistExt;
        [[fallthrough]];
      }
      case InflateMode::DistExt:
        if (st.extra) {
          NEED(st.extra);
          st.dist += BITS(st.extra);
          DROP(st.extra);
        }
        // Reaching before the first byte of the data, or past the window, is damage.
        if (st.dist > st.history || st.dist > st.wsize) FAIL();
        st.mode = InflateMode::Match;
        [[fallthrough]];
      case InflateMode::Match:
        while (st.length) {
          uint32_t room = WindowRoom(s);
          if (!room) goto leave;
          uint32_t n = std::min(st.length, room);
          uint32_t from = (st.wpos - st.dist) & (st.wsize - 1);
          // Runs up to the window end; overlapping ranges copy byte by byte so that
          // a short distance repeats the bytes just written.
          n = std::min(n, st.wsize - from);
          uint8_t* dst = st.window + st.wpos;
          const uint8_t* src = st.window + from;
          if (src + n <= dst || dst + n <= src) {
            std::memcpy(dst, src, n);
          } else {
            for (uint32_t k = 0; k < n; ++k) dst[k] = src[k];
          }
          st.wpos += n;
          st.history += n;
          st.length -= n;
        }
        st.mode = InflateMode::Len;
        break;
      case InflateMode::Dry:
        FlushWindow(s);
        if (st.wpos != st.rpos) goto leave;
        if (st.wrap) {
          DROP(st.bits & 7);
          st.mode = InflateMode::Check;
        } else {
          st.mode = InflateMode::Done;
        }
        break;
      case InflateMode::Check: {
        NEED(32);
        uint32_t v = BITS(32);
        v = (v >> 24) | ((v >> 8) & 0xFF00) | ((v << 8) & 0xFF0000) | (v << 24);
        DROP(32);
        if (v != st.check) FAIL();
        st.mode = InflateMode::Done;
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
  if (st.mode != InflateMode::Bad) FlushWindow(s);
  // While a dictionary is wanted the caller is told which one, not the check of the data so far.
  s->adler = st.mode == InflateMode::NeedDict ? st.wanted : st.check;
  s->total_in += inStart - s->avail_in;
  if (ret == InflateResult::Ok) {
    const bool progress = inStart != s->avail_in || outStart != s->avail_out;
    if (!progress || flush == kInflateFinish) ret = InflateResult::BufError;
  }
  return ret;
}
}  // namespace corvina::archive
