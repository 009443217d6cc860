#include <algorithm>
#include <cstring>

#include "archive/ArchiveExtractor.h"
#include "archive/LzhDecoders.h"

namespace corvina::archive {

// ---------------------------------------------------------------- bit reader

LzhBitReader::LzhBitReader(EntryWriter& owner, Stream32& in, int64_t packedSize, size_t bufferSize)
    : owner_(owner), in_(in), packedLeft_(packedSize), buffer_(bufferSize) {
  cur_ = end_ = buffer_.data();
}

bool LzhBitReader::FetchInput() {
  if (packedLeft_ <= 0) return false;
  const int64_t want = std::min<int64_t>(packedLeft_, int64_t(buffer_.size()));
  const int64_t got = owner_.ReadBlock(in_, buffer_.data(), want);
  if (got <= 0) {
    packedLeft_ = 0;
    return false;
  }
  packedLeft_ -= got;
  cur_ = buffer_.data();
  end_ = cur_ + got;
  return true;
}

void LzhBitReader::SlowRefill() {
  while (bitCount_ <= 56) {
    uint8_t byte = 0;
    if (cur_ == end_ && !FetchInput())
      ++zeroBytes_;
    else
      byte = *cur_++;
    bitBuf_ |= uint64_t(byte) << (56 - bitCount_);
    bitCount_ += 8;
  }
}

// ---------------------------------------------------------------- static Huffman

namespace {
// Every static-Huffman method's position tree fits its table, and its window holds its dictionary.
constexpr bool MethodsFitTheDecoder() {
  for (const LzhMethod& m : kLzhMethods)
    if (m.Decoding == LzhDecoding::StaticHuffman &&
        (m.PositionCodes != m.DictionaryBits + 1 || m.PositionCodes > LzhStaticDecoder::kPtCount ||
         (int64_t(1) << m.DictionaryBits) > m.WindowSize))
      return false;
  return true;
}
static_assert(MethodsFitTheDecoder());

// Codes 0 to 255 are literal bytes; a code c from 256 on is a match of c - kLengthCodeBias bytes, from the shortest
// match of 3 bytes to the longest of 256.
constexpr int kShortestMatch = 3;
constexpr int kLengthCodeBias = 256 - kShortestMatch;
constexpr int kLongestMatch = LzhStaticDecoder::kCharCount - 1 - kLengthCodeBias;
}  // namespace

bool LzhStaticDecoder::MakeTable(int nchar, const uint8_t* bitLen, int tableBits, uint16_t* table, uint16_t* left,
                                 uint16_t* right, int nodeCount) {
  uint32_t count[17] = {}, weight[17] = {}, start[18] = {};
  for (int i = 0; i < nchar; ++i) {
    if (bitLen[i] > 16) return false;
    count[bitLen[i]]++;
  }
  for (int i = 1; i <= 16; ++i) start[i + 1] = start[i] + (count[i] << (16 - i));
  const int tableSize = 1 << tableBits;
  if (start[17] != 65536) {
    // No code at all: the table stays empty and any lookup in it is an error. An incomplete or
    // over-full set of lengths is damaged data.
    if (start[17] != 0) return false;
    std::fill(table, table + tableSize, kEmpty);
    return true;
  }
  const int jutBits = 16 - tableBits;
  for (int i = 1; i <= tableBits; ++i) {
    start[i] >>= jutBits;
    weight[i] = 1u << (tableBits - i);
  }
  for (int i = tableBits + 1; i <= 16; ++i) weight[i] = 1u << (16 - i);
  std::fill(table, table + tableSize, kEmpty);
  int avail = nchar;
  const uint32_t mask = 1u << (15 - tableBits);
  for (int ch = 0; ch < nchar; ++ch) {
    const int len = bitLen[ch];
    if (len == 0) continue;
    uint32_t k = start[len];
    const uint32_t next = k + weight[len];
    if (len <= tableBits) {
      for (uint32_t i = k; i < next; ++i) table[i] = uint16_t(ch);
    } else {
      uint16_t* p = &table[k >> jutBits];
      for (int i = len - tableBits; i != 0; --i) {
        if (*p == kEmpty) {
          if (avail >= nodeCount) return false;
          left[avail] = right[avail] = kEmpty;
          *p = uint16_t(avail++);
        }
        p = (k & mask) ? &right[*p] : &left[*p];
        k <<= 1;
      }
      *p = uint16_t(ch);
    }
    start[len] = next;
  }
  return true;
}

bool LzhStaticDecoder::ReadPtLen(LzhBitReader& br, int nn, int nbit, int special) {
  const int n = int(br.GetBits(nbit));
  if (n == 0) {
    const int c = int(br.GetBits(nbit));
    if (c >= nn) return false;
    std::fill(ptLen_, ptLen_ + kPtCount, 0);
    std::fill(ptTable_, ptTable_ + 256, uint16_t(c));
    return true;
  }
  if (n > nn) return false;
  int i = 0;
  while (i < n) {
    br.Refill();
    int c = int(br.Peek(3));
    if (c == 7) {
      uint64_t mask = uint64_t(1) << 60;
      while (br.Bits() & mask) {
        mask >>= 1;
        if (++c > 16) return false;
      }
    }
    br.Drop(c < 7 ? 3 : c - 3);
    ptLen_[i++] = uint8_t(c);
    if (i == special) {
      int zeros = int(br.GetBits(2));
      if (i + zeros > nn) return false;
      while (zeros-- > 0) ptLen_[i++] = 0;
    }
  }
  while (i < kPtCount) ptLen_[i++] = 0;
  return MakeTable(nn, ptLen_, 8, ptTable_, ptLeft_, ptRight_, 2 * kPtCount);
}

bool LzhStaticDecoder::ReadCLen(LzhBitReader& br) {
  const int n = int(br.GetBits(kCharCountBits));
  if (n == 0) {
    const int c = int(br.GetBits(kCharCountBits));
    if (c >= kCharCount) return false;
    std::fill(cLen_, cLen_ + kCharCount, 0);
    std::fill(cTable_, cTable_ + 4096, uint16_t(c));
    return true;
  }
  if (n > kCharCount) return false;
  int i = 0;
  while (i < n) {
    br.Refill();
    int c = ptTable_[br.Peek(8)];
    if (c >= kLengthCodeCount) {
      if (c == kEmpty) return false;
      uint64_t mask = uint64_t(1) << 55;
      do {
        c = (br.Bits() & mask) ? ptRight_[c] : ptLeft_[c];
        mask >>= 1;
      } while (c >= kLengthCodeCount && c != kEmpty);
      if (c == kEmpty) return false;
    }
    br.Drop(ptLen_[c]);
    if (c <= 2) {
      int zeros = c == 0 ? 1 : c == 1 ? int(br.GetBits(4)) + 3 : int(br.GetBits(kCharCountBits)) + 20;
      if (i + zeros > kCharCount) return false;
      while (zeros-- > 0) cLen_[i++] = 0;
    } else {
      cLen_[i++] = uint8_t(c - 2);
    }
  }
  while (i < kCharCount) cLen_[i++] = 0;
  return MakeTable(kCharCount, cLen_, 12, cTable_, cLeft_, cRight_, 2 * kCharCount);
}

void LzhStaticDecoder::Flush(EntryWriter& owner, Stream32& out, int64_t count, int64_t unpackedSize, int64_t& written) {
  if (count <= 0) return;
  if (owner.WriteBlock(out, window_.data(), true, count, 16) <= 0)
    owner.RaiseArchiveError(owner.EntryName, {}, {}, msg::WriteError);
  written += count;
  owner.ArchiveLeft -= count;
  owner.DoProgress(written, unpackedSize, owner.ArchiveTotal);
}

bool LzhStaticDecoder::DecodeLzhStatic(EntryWriter& owner, Stream32& in, Stream32& out, int64_t packedSize,
                                       int64_t unpackedSize) {
  if (unpackedSize <= 0) return true;
  const int64_t wsize = method_->WindowSize;
  const int np = method_->PositionCodes;
  // The whole window starts as spaces, so a damaged distance never reads stale or unset bytes.
  window_.assign(size_t(wsize), 0x20);
  uint8_t* const win = window_.data();
  LzhBitReader br(owner, in, packedSize, size_t(wsize));
  br.Refill();

  int64_t remaining = unpackedSize, written = 0, pos = 0;
  uint32_t blockSize = 0;
  bool tableError = false;
  const bool* cancel = &owner.GetCancelRef();

  while (remaining > 0) {
    if (blockSize == 0) {
      blockSize = br.GetBits(16);
      if (blockSize == 0 || !ReadPtLen(br, kLengthCodeCount, kLengthCodeCountBits, 3) || !ReadCLen(br) ||
          !ReadPtLen(br, np, method_->PositionCountBits, -1) || br.Exhausted()) {
        tableError = true;
        break;
      }
    }
    --blockSize;
    br.Refill();
    uint32_t c = cTable_[br.Peek(12)];
    if (c >= uint32_t(kCharCount)) {
      if (c == kEmpty) {
        tableError = true;
        break;
      }
      uint64_t mask = uint64_t(1) << 51;
      do {
        c = (br.Bits() & mask) ? cRight_[c] : cLeft_[c];
        mask >>= 1;
      } while (c >= uint32_t(kCharCount) && c != kEmpty);
      if (c == kEmpty) {
        tableError = true;
        break;
      }
    }
    br.Drop(cLen_[c]);
    if (c < 256) {
      win[pos++] = uint8_t(c);
      --remaining;
      if (pos == wsize) {
        Flush(owner, out, wsize, unpackedSize, written);
        pos = 0;
      }
    } else {
      int64_t len = int64_t(c) - kLengthCodeBias;
      uint32_t j = ptTable_[br.Peek(8)];
      if (j >= uint32_t(np)) {
        if (j == kEmpty) {
          tableError = true;
          break;
        }
        uint64_t mask = uint64_t(1) << 55;
        do {
          j = (br.Bits() & mask) ? ptRight_[j] : ptLeft_[j];
          mask >>= 1;
        } while (j >= uint32_t(np) && j != kEmpty);
        if (j == kEmpty) {
          tableError = true;
          break;
        }
      }
      br.Drop(ptLen_[j]);
      int64_t dist = j == 0 ? 0 : (int64_t(1) << (j - 1)) + br.GetBits(int(j) - 1);
      if (dist >= wsize) {
        tableError = true;
        break;
      }
      int64_t src = pos - dist - 1;
      if (src < 0) src += wsize;
      if (len > remaining) len = remaining;  // a damaged last match never runs past the size
      remaining -= len;
      // A match of any length that starts here ends before the window's end: one copy, with no wrap or flush.
      if (src < pos && pos < wsize - kLongestMatch - 1) {
        uint8_t* d = win + pos;
        const uint8_t* s = win + src;
        if (pos - src >= 8) {
          int64_t k = 0;
          for (; k + 8 <= len; k += 8) std::memcpy(d + k, s + k, 8);
          for (; k < len; ++k) d[k] = s[k];
        } else {
          for (int64_t k = 0; k < len; ++k) d[k] = s[k];  // overlapping: a forward byte copy repeats
        }
        pos += len;
      } else {
        while (len-- > 0) {
          win[pos++] = win[src++];
          if (src == wsize) src = 0;
          if (pos == wsize) {
            Flush(owner, out, wsize, unpackedSize, written);
            pos = 0;
          }
        }
      }
    }
    if (*cancel || br.Exhausted()) break;
  }
  Flush(owner, out, pos, unpackedSize, written);
  return !tableError && remaining == 0;
}

}  // namespace corvina::archive
