// bzip2 entries through libbz2. The packed bytes arrive already deciphered from the reader's read
// callback; the decoded bytes leave through its write callback, which keeps the CRC-32.
#include "archive/Bzip2Stream.h"

#include <bzlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace corvina::archive {

namespace {
const char* const kInitMemory = "The bz2 engine have not enough memory to initialize !";
const char* const kInitFatal = "The bz2 engine reports a fatal error during initialization process !";
const char* const kDecodeFatal = "The bz2 engine reports a fatal error during decompression process.";
const char* const kInvalidOp = "Invalid stream operation";
}  // namespace

struct BzDecompressStream::Impl {
  bz_stream Rec{};
  uint8_t Input[kBufferSize];
};

BzDecompressStream::BzDecompressStream(PackedRead source, int64_t packedSize, int64_t unpackedSize,
                                       std::function<void()> progress)
    : Bzip2StreamBase(std::move(source), packedSize),
      PackedLeft(Size),
      UnpackedSize(unpackedSize),
      impl_(new Impl),
      progress_(std::move(progress)) {
  if (progress_) progress_();
  const int r = BZ2_bzDecompressInit(&impl_->Rec, 0, 0);
  if (r != BZ_OK) {
    Finished = true;
    delete impl_;
    impl_ = nullptr;
    if (r == BZ_MEM_ERROR) throw Bzip2MemoryError(kInitMemory);
    throw Bzip2Error(kInitFatal);
  }
}

BzDecompressStream::~BzDecompressStream() {
  if (impl_ && !Finished) BZ2_bzDecompressEnd(&impl_->Rec);
  delete impl_;
}

int64_t BzDecompressStream::Read(void* buffer, int64_t count) {
  ErrorFlag = false;
  if (Finished || count <= 0) return 0;
  bz_stream& s = impl_->Rec;
  s.next_out = static_cast<char*>(buffer);
  s.avail_out = unsigned(std::min<int64_t>(count, 0x7FFFFFFF));
  const unsigned room = s.avail_out;
  while (s.avail_out > 0) {
    if (s.avail_in == 0) {
      const int64_t want = std::min<int64_t>(kBufferSize, PackedLeft);
      const int64_t got = want > 0 && Source ? Source(impl_->Input, want) : 0;
      if (got <= 0) {
        // Nothing more will come: a later read must not wait for it either.
        PackedLeft = 0;
        break;
      }
      PackedLeft -= got;
      Position += got;
      if (progress_) progress_();
      s.next_in = reinterpret_cast<char*>(impl_->Input);
      s.avail_in = unsigned(got);
    }
    const unsigned inBefore = s.avail_in, outBefore = s.avail_out;
    const int r = BZ2_bzDecompress(&s);
    if (r == BZ_OK) {
      // Input left but no progress at all: the library wants output room it already has,
      // which only damaged data can cause.
      if (inBefore == s.avail_in && outBefore == s.avail_out && s.avail_in) {
        BZ2_bzDecompressEnd(&s);
        Finished = true;
        ErrorFlag = true;
        break;
      }
      continue;
    }
    if (r == BZ_STREAM_END) {
      BZ2_bzDecompressEnd(&s);
      Finished = true;
      StreamEnded = true;
      break;
    }
    if (r == BZ_DATA_ERROR || r == BZ_DATA_ERROR_MAGIC) {
      BZ2_bzDecompressEnd(&s);
      Finished = true;
      ErrorFlag = true;
      break;
    }
    if (r == BZ_MEM_ERROR) {
      BZ2_bzDecompressEnd(&s);
      Finished = true;
      throw Bzip2MemoryError(kInitMemory);
    }
    throw Bzip2Error(kDecodeFatal);
  }
  const int64_t n = int64_t(room - s.avail_out);
  produced_ += n;
  return n;
}

int64_t BzDecompressStream::Write(const void*, int64_t) { throw Bzip2Error(kInvalidOp); }

int64_t BzDecompressStream::Seek(int64_t offset, SeekOrigin origin) {
  int64_t skip;
  if (origin == SeekOrigin::Current && offset >= 0)
    skip = offset;
  else if (origin == SeekOrigin::Beginning && offset >= produced_)
    skip = offset - produced_;
  else
    throw Bzip2Error(kInvalidOp);
  std::vector<uint8_t> scratch(kBufferSize);
  while (skip > 0) {
    const int64_t n = Read(scratch.data(), std::min<int64_t>(skip, kBufferSize));
    if (n <= 0) break;
    skip -= n;
  }
  return produced_;
}

DecodeResult BZip2DecodeStream(ZipDecodeIo& io) {
  if (io.PackedSize <= 0) return DecodeResult::Ok;
  try {
    BzDecompressStream bz(io.Read, io.PackedSize, io.UnpackedSize, io.Progress);
    std::vector<uint8_t> block(BzDecompressStream::kBufferSize);
    for (;;) {
      const int64_t n = bz.Read(block.data(), int64_t(block.size()));
      if (bz.ErrorFlag) return DecodeResult::BadData;
      if (n > 0 && (!io.Write || !io.Write(block.data(), n))) return DecodeResult::WriteFailed;
      if (io.Cancel && *io.Cancel) return DecodeResult::Cancelled;
      if (bz.StreamEnded) return DecodeResult::Ok;
      // Ends on a read that gave nothing, so a short or damaged entry cannot loop forever.
      if (n == 0) return DecodeResult::InputEnded;
    }
  } catch (const Bzip2MemoryError&) {
    return DecodeResult::NoMemory;
  } catch (...) {
    return DecodeResult::BadData;
  }
}

}  // namespace corvina::archive
