#pragma once
// The library's own inflate engine: raw Deflate, zlib-wrapped Deflate (with the Adler-32 check)
// and Deflate64 (64 KiB window, length code 285 with 16 extra bits, distance codes 30 and 31),
// all on one engine.
#include <cstddef>
#include <cstdint>

namespace corvina::archive {

enum class InflateResult : int {
  Ok = 0,
  StreamEnd = 1,
  NeedDict = 2,
  StreamError = -2,
  DataError = -3,
  MemError = -4,
  BufError = -5,
  VersionError = -6,
};
constexpr int kInflateFinish = 4;    // flush value "finish"
constexpr int kZStreamRecSize = 74;  // the stream record's declared size, checked by InflateInit

struct InflateState;

struct ZStreamRec {
  const uint8_t* NextIn = nullptr;
  uint32_t AvailIn = 0;
  uint64_t TotalIn = 0;
  uint8_t* NextOut = nullptr;
  uint32_t AvailOut = 0;
  uint64_t TotalOut = 0;
  InflateState* State = nullptr;
  void* (*ZAlloc)(void* opaque, uint32_t items, uint32_t size) = nullptr;  // null: zero-filled new
  void (*ZFree)(void* opaque, void* address) = nullptr;
  void* Opaque = nullptr;
  int DataType = 0;
  uint32_t Adler = 0;
};

// windowBits 8..15, negative for raw Deflate. With deflate64 the value is raised by one and
// 8..16 is allowed (so -15 gives the 64 KiB window). Returns 0, -2, -4 or -6.
InflateResult InflateInit(ZStreamRec* strm, int windowBits, int recordSize = kZStreamRecSize, bool deflate64 = false);
InflateResult InflateReset(ZStreamRec* strm);
InflateResult InflateEnd(ZStreamRec* strm);
// One step as far as input and output allow: 0 progress, 1 end of stream, 2 dictionary needed,
// -2 bad state, -3 bad data (sticky), -5 no progress possible.
InflateResult Inflate(ZStreamRec* strm, int flush);

// Adler-32 with modulus 65521; a null buffer returns 1.
uint32_t Adler32(uint32_t adler, const uint8_t* buffer, size_t length);

constexpr int kInflateWindowBits = -15;  // raw Deflate with the 32 KiB window
}  // namespace corvina::archive
