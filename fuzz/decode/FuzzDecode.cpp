// libFuzzer target: the entry decoders on raw streams.
// Byte 0 picks the decoder (value % 6: inflate, Deflate64, bzip2, unshrink, unreduce, explode), bits 3-4 the
// reducing factor or the imploding flags, bit 6 a packed size claimed above 200000 (explode's 8-bit distance
// lookup), bit 7 reads of 7 bytes at a time; bytes 1-2 the unpacked size in units of 16; the rest is the stream.
#include <algorithm>
#include <cstring>

#include "archive/Bzip2Stream.h"
#include "archive/DeflateMethods.h"
#include "archive/LegacyZip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvina::archive;
  if (size < 3) return 0;
  const uint8_t pick = data[0];
  const uint8_t* packed = data + 3;
  const size_t packedSize = size - 3;
  const size_t chunk = (pick & 0x80) ? 7 : packedSize;
  size_t pos = 0;
  int64_t out = 0;
  ZipDecodeIo io;
  io.Read = [&](uint8_t* buffer, int64_t count) -> int64_t {
    const size_t n = std::min({size_t(count), chunk, packedSize - pos});
    std::memcpy(buffer, packed + pos, n);
    pos += n;
    return int64_t(n);
  };
  // Output is counted, not kept; a stream that expands without end is stopped as a full disk would.
  io.Write = [&](const uint8_t*, int64_t count) {
    out += count;
    return out <= 16 * 1024 * 1024;
  };
  io.Flags = uint16_t(((pick >> 3) & 3) << 1);
  io.PackedSize = (pick & 0x40) ? 200001 : int64_t(packedSize);
  io.UnpackedSize = int64_t(data[1] | data[2] << 8) * 16;
  DecodeResult result = DecodeResult::Ok;
  switch (pick % 6) {
    case 0: result = InflateDeflate(io); break;
    case 1: result = InflateDeflate64(io); break;
    case 2: result = BZip2DecodeStream(io); break;
    case 3: result = Unshrink(io); break;
    case 4: result = Unreduce(io, 1 + ((pick >> 3) & 3)); break;
    case 5: result = Explode(io); break;
  }
  // A decoder never reads past what it was given, and returns only its documented results.
  const int code = int(result);
  if (pos > packedSize || code > 0 || code == -1 || code < int(DecodeResult::NoMemory)) __builtin_trap();
  return 0;
}
