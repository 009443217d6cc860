#pragma once
// Decoders of the LHA methods: -lh1- (LZ77 over a 4 KB window with adaptive Huffman coding) and
// -lh4- to -lh7- (LZ77 with static Huffman trees sent per block). Both read the packed bytes
// through the reader's read pointer and write through its write pointer, which keeps the
// entry's CRC-16, and both stop after exactly the entry's unpacked size. Corrupt data ends the
// decoding quietly; the CRC verdict then fails the entry.
#include <cstdint>
#include <string_view>
#include <vector>

#include "archive/Streams.h"

namespace corvina::archive {

class EntryWriter;

// Bit reader over the entry's packed bytes; past their end it reads zero bits. The bits wait at the top of a
// 64-bit buffer, the next one highest; packed bytes are read from the stream in blocks of `bufferSize`.
class LzhBitReader {
 public:
  LzhBitReader(EntryWriter& owner, Stream32& in, int64_t packedSize, size_t bufferSize);
  // Tops the buffer up to at least 56 bits, more than the longest code (16 bits), so a decoding step peeks a
  // code without checking how many bits are left. With 8 bytes in the block it loads them in one go and keeps
  // the whole bytes that fit: the buffer's bits past the counted ones then already hold the start of the next
  // byte, and the next refill ORs the same bits over them, which leaves them as they are. Nearer the block's end
  // SlowRefill takes one byte at a time, fetching the next block or, past the entry's end, zeros.
  inline void Refill() {
    if (bitCount_ > 56) return;
    if (end_ - cur_ >= 8) {
      uint64_t v = 0;
      for (int k = 0; k < 8; ++k) v = (v << 8) | cur_[k];
      bitBuf_ |= v >> bitCount_;
      cur_ += (63 - bitCount_) >> 3;
      bitCount_ |= 56;
      return;
    }
    SlowRefill();
  }
  inline uint32_t Peek(int n) const { return uint32_t(bitBuf_ >> (64 - n)); }
  inline void Drop(int n) {
    bitBuf_ <<= n;
    bitCount_ -= n;
  }
  inline uint32_t GetBits(int n) {
    if (n == 0) return 0;
    Refill();
    const uint32_t v = Peek(n);
    Drop(n);
    return v;
  }
  uint64_t Bits() const { return bitBuf_; }
  // Far more bytes were asked for than the entry holds: the data is damaged.
  bool Exhausted() const { return zeroBytes_ > 64; }

 private:
  void SlowRefill();
  bool FetchInput();
  EntryWriter& owner_;
  Stream32& in_;
  int64_t packedLeft_;
  std::vector<uint8_t> buffer_;
  const uint8_t* cur_ = nullptr;
  const uint8_t* end_ = nullptr;
  uint64_t bitBuf_ = 0;
  int bitCount_ = 0;
  int64_t zeroBytes_ = 0;
};

// How an LHA method's data becomes the entry's bytes.
enum class LzhDecoding : uint8_t {
  Stored,           // copied as it is
  AdaptiveHuffman,  // DecodeLh1
  StaticHuffman,    // LzhStaticDecoder
  Folder,           // no data: the entry is a folder
};

// Every LHA method this reader knows, by its five-byte id; an id not in the table is not decoded. A match's
// distance has up to DictionaryBits bits. The static-Huffman methods send it as one of PositionCodes codes (code 0
// for the distance 0, code j for the distances of j bits), and a block's position tree starts with its number of
// lengths in PositionCountBits bits. WindowSize is the size of the method's window, the sliding dictionary the
// matches copy from (LzhStaticDecoder's window_ says why it is larger than the dictionary for some).
struct LzhMethod {
  char Id[6];
  LzhDecoding Decoding;
  int DictionaryBits;
  int PositionCodes;
  int PositionCountBits;
  int64_t WindowSize;
};
inline constexpr LzhMethod kLzhMethods[] = {
    {"-lh0-", LzhDecoding::Stored, 0, 0, 0, 0},
    {"-lh1-", LzhDecoding::AdaptiveHuffman, 12, 0, 0, 4096},
    {"-lh4-", LzhDecoding::StaticHuffman, 12, 13, 4, 26624},
    {"-lh5-", LzhDecoding::StaticHuffman, 13, 14, 4, 26624},
    {"-lh6-", LzhDecoding::StaticHuffman, 15, 16, 5, 65536},
    {"-lh7-", LzhDecoding::StaticHuffman, 16, 17, 5, 65536},
    {"-lhd-", LzhDecoding::Folder, 0, 0, 0, 0},
};
// The method a five-byte method id names; null for an id not in the table.
constexpr const LzhMethod* FindLzhMethod(const char id[5]) {
  for (const LzhMethod& m : kLzhMethods)
    if (std::string_view(m.Id, 5) == std::string_view(id, 5)) return &m;
  return nullptr;
}

class LzhStaticDecoder {
 public:
  void SetMethod(const LzhMethod& method) { method_ = &method; }
  // Returns false when a table error ended the decoding early.
  bool DecodeLzhStatic(EntryWriter& owner, Stream32& in, Stream32& out, int64_t packedSize, int64_t unpackedSize);

  // The literal and length codes (510); the codes that send their code lengths (19) and the bits of that
  // table's count (5); the bits of the literal and length table's count (9); room for the larger of the
  // position and code-length tables (32).
  static constexpr int kCharCount = 510, kLengthCodeCount = 19, kLengthCodeCountBits = 5, kCharCountBits = 9;
  static constexpr int kPtCount = 32;
  static constexpr uint16_t kEmpty = 0xFFFF;

 private:
  bool ReadPtLen(LzhBitReader& br, int nn, int nbit, int special);
  bool ReadCLen(LzhBitReader& br);
  static bool MakeTable(int nchar, const uint8_t* bitLen, int tableBits, uint16_t* table, uint16_t* left,
                        uint16_t* right, int nodeCount);
  void Flush(EntryWriter& owner, Stream32& out, int64_t count, int64_t unpackedSize, int64_t& written);

  const LzhMethod* method_ = FindLzhMethod("-lh5-");
  // The window: the sliding dictionary the matches copy from, the last WindowSize bytes decoded. It must hold the
  // dictionary: 65536 bytes for -lh6- and -lh7-, the family's largest; 26624 (26 KB) for -lh4- and -lh5-, more than
  // three -lh5- dictionaries. It is also the block flushed to the output (with its CRC and a progress report) each
  // time it fills, so -lh4- and -lh5- write in blocks of 26 KB rather than 8 KB while the memory stays small; callers
  // see its size in how often the entry's progress is reported. The bit reader reads in blocks of the same size.
  std::vector<uint8_t> window_;
  uint8_t cLen_[kCharCount] = {};
  uint8_t ptLen_[kPtCount] = {};
  uint16_t cTable_[4096] = {};
  uint16_t ptTable_[256] = {};
  uint16_t cLeft_[2 * kCharCount] = {}, cRight_[2 * kCharCount] = {};
  uint16_t ptLeft_[2 * kPtCount] = {}, ptRight_[2 * kPtCount] = {};
};

// -lh1-: returns false when the input ran out long before the unpacked size was reached.
bool DecodeLh1(EntryWriter& owner, Stream32& in, Stream32& out, int64_t packedSize, int64_t unpackedSize);

}  // namespace corvina::archive
