#pragma once
// The library's own inflate engine: raw Deflate, zlib-wrapped Deflate (with the Adler-32 check)
// and Deflate64 (64 KiB window, length code 285 with 16 extra bits, distance codes 30 and 31),
// all on one engine. Also the plain interface through which the ZIP reader drives every entry
// decoder (inflate, Deflate64, the legacy methods and bzip2): a read callback for the packed
// bytes and a write callback for the decoded ones.
#include <cstdint>
#include <functional>
#include <memory>

#include "archive/Streams.h"

namespace corvina::archive {

class EntryCipher;

// ---------------------------------------------------------------- the ZIP reader's side

// The reader's read and write pointers, handed to an entry decoder.
struct ZipDecodeIo {
  // Up to `count` packed bytes of the entry, already deciphered; 0 when no more come.
  // The decoder never asks for more than PackedSize bytes in all.
  std::function<int64_t(uint8_t* buffer, int64_t count)> Read;
  // Decoded bytes (the reader keeps the CRC-32 and counts them); false when not all were written.
  std::function<bool(const uint8_t* buffer, int64_t count)> Write;
  // Optional: called after each output flush so the reader can report progress and pump messages.
  std::function<void()> Progress;
  const bool* Cancel = nullptr;  // nil: never cancelled
  uint16_t Flags = 0;            // general-purpose flags (imploding reads bits 1 and 2)
  int64_t PackedSize = 0;        // compressed bytes, encryption overhead already taken off
  int64_t UnpackedSize = 0;
};

// Results of the entry decoders. Anything but drOk fails the entry, whatever its encryption kind.
enum DecodeResult : int {
  drOk = 0,
  drWriteFailed = -2,  // the write callback answered false
  drInputEnded = -3,   // the packed bytes ended before the data did
  drBadData = -4,      // invalid block type, code, tree, distance or header
  drCancelled = -5,
  drStackOverflow = -6,  // unshrinking: a parent chain longer than the stack
  drNoMemory = -7,
};

// The message number the reader reports for a decoder result (0: report nothing beyond the
// failed CRC check): 25136 for a failed write; 25116 "Bad block" and 25305 "Stack overflow" for
// unshrinking (method 1).
int DecodeResultMessage(int method, int result);

// Method 8 (raw Deflate) and method 9 (Deflate64) of a ZIP entry. Stops at the last block.
int InflateDeflate(ZipDecodeIo& io);
int InflateDeflate64(ZipDecodeIo& io);

// ---------------------------------------------------------------- the engine (zlib 1.1 style)

enum InflateResult : int {
  inflOk = 0,
  inflStreamEnd = 1,
  inflNeedDict = 2,
  inflStreamError = -2,
  inflDataError = -3,
  inflMemError = -4,
  inflBufError = -5,
  inflVersionError = -6,
};
constexpr int kInflateFinish = 4;    // flush value "finish"
constexpr int kZStreamRecSize = 74;  // the stream record's declared size, checked by InflateInit

struct InflateState;

struct ZStreamRec {
  const uint8_t* next_in = nullptr;
  uint32_t avail_in = 0;
  uint64_t total_in = 0;
  uint8_t* next_out = nullptr;
  uint32_t avail_out = 0;
  uint64_t total_out = 0;
  InflateState* state = nullptr;
  void* (*zalloc)(void* opaque, uint32_t items, uint32_t size) = nullptr;  // nil: zero-filled new
  void (*zfree)(void* opaque, void* address) = nullptr;
  void* opaque = nullptr;
  int data_type = 0;
  uint32_t adler = 0;
};

// windowBits 8..15, negative for raw Deflate. With deflate64 the value is raised by one and
// 8..16 is allowed (so -15 gives the 64 KiB window). Answers 0, -2, -4 or -6.
int InflateInit(ZStreamRec* strm, int windowBits, int recordSize = kZStreamRecSize, bool deflate64 = false);
int InflateReset(ZStreamRec* strm);
int InflateEnd(ZStreamRec* strm);
// One step as far as input and output allow: 0 progress, 1 end of stream, 2 dictionary needed,
// -2 bad state, -3 bad data (sticky), -5 no progress possible.
int Inflate(ZStreamRec* strm, int flush);

// Adler-32 with modulus 65521; a nil buffer answers 1.
uint32_t Adler32(uint32_t adler, const uint8_t* buffer, size_t length);

// ---------------------------------------------------------------- the read-only inflate stream

// Inflates what it reads from Source, deciphering each raw block first (kinds 0-6 through the
// cipher; 13 not at all). Read answers the bytes produced, or a negative engine result.
class DecompressStream : public Stream32 {
 public:
  DecompressStream(Stream32& source, uint8_t cryptKind, int windowBits, EntryCipher* cipher = nullptr,
                   bool deflate64 = false);
  ~DecompressStream() override;  // puts Source back right behind the compressed data
  int64_t Read(void* buffer, int64_t count) override;
  int64_t ReadChunk(void* buffer, int64_t chunkSize, int64_t count);
  int64_t Write(const void*, int64_t) override { return -1; }
  // Offset 0 from the start restarts decoding; forward seeks read and discard; answers bytes produced.
  int64_t Seek(int64_t offset, int origin) override;
  // Continue on another source (the next volume of a split archive) with an empty input buffer.
  void ResetInput(Stream32& source);
  bool Ended() const { return ended_; }
  int64_t TotalOut() const { return int64_t(Rec.total_out); }
  int InitResult() const { return initResult_; }
  std::function<void()> BlockHook;  // sent after every block read from Source

 private:
  Stream32* Source;
  int64_t SourcePos = 0;
  uint8_t CryptKind;
  EntryCipher* Cipher;
  ZStreamRec Rec;
  std::unique_ptr<uint8_t[]> InBuf;
  bool ended_ = false;
  int initResult_ = 0;
};

}  // namespace corvina::archive
