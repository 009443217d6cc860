#pragma once
// bzip2 entries (ZIP method 12) through libbz2: a read-only stream over the entry's packed bytes
// and the driver that copies the decoded bytes to the reader's write callback.
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "archive/Streams.h"
#include "archive/ZipDecode.h"

namespace corvina::archive {

class Bzip2Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
class Bzip2MemoryError : public Bzip2Error {
 public:
  using Bzip2Error::Bzip2Error;
};

// Reads up to `count` packed (already deciphered) bytes; 0 when none are left.
using PackedRead = std::function<int64_t(uint8_t* buffer, int64_t count)>;

class Bzip2StreamBase : public Stream32 {
 public:
  Bzip2StreamBase(PackedRead source, int64_t size) : Source(std::move(source)), Size(size < 0 ? 0 : size) {}
  PackedRead Source;
  int64_t Size;           // packed bytes of the entry
  int64_t Position = 0;   // packed bytes read so far
  bool Finished = false;  // the library's stream state has been ended
};

class BzDecompressStream : public Bzip2StreamBase {
 public:
  static constexpr int kBufferSize = 16384;
  // Raises Bzip2MemoryError / Bzip2Error when the library cannot be initialised.
  BzDecompressStream(PackedRead source, int64_t packedSize, int64_t unpackedSize, std::function<void()> progress = {});
  ~BzDecompressStream() override;
  // Returns the bytes produced (0 after the end or when the input ended); a data error sets
  // ErrorFlag and returns what was produced before it.
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void*, int64_t) override;              // raises Bzip2Error
  int64_t Seek(int64_t offset, SeekOrigin origin) override;  // forward only, else raises
  bool ErrorFlag = false;
  bool StreamEnded = false;  // the bzip2 end-of-stream marker was reached
  int64_t PackedLeft = 0;
  int64_t UnpackedSize = 0;

 private:
  struct Impl;
  Impl* impl_;
  std::function<void()> progress_;
  int64_t produced_ = 0;
};

// Method 12. DecodeResult::Ok at the end-of-stream marker (a packed size of 0 writes nothing and is DecodeResult::Ok);
// DecodeResult::BadData for corrupt data, DecodeResult::InputEnded when the data stops before the marker,
// DecodeResult::WriteFailed, DecodeResult::Cancelled, DecodeResult::NoMemory. Never lets an exception out.
DecodeResult BZip2DecodeStream(ZipDecodeIo& io);

}  // namespace corvina::archive
