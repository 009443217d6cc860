#include "archive/DecompressStream.h"

#include <algorithm>

namespace corvina::archive {

namespace {
constexpr uint32_t kInBufSize = 131070;
}

DecompressStream::DecompressStream(Stream32& source, EncryptionKind encryption, int windowBits, EntryCipher* cipher,
                                   bool deflate64)
    : source_(&source), encryption_(encryption), cipher_(cipher), inBuf_(new uint8_t[kInBufSize]) {
  sourcePos_ = source.Position();
  rec_.NextIn = inBuf_.get();
  rec_.AvailIn = 0;
  initResult_ = InflateInit(&rec_, windowBits, kZStreamRecSize, deflate64);
}

DecompressStream::~DecompressStream() {
  if (rec_.AvailIn) source_->Seek(-int64_t(rec_.AvailIn), SeekOrigin::Current);
  InflateEnd(&rec_);
}

void DecompressStream::ResetInput(Stream32& source) {
  source_ = &source;
  sourcePos_ = source.Position();
  rec_.NextIn = inBuf_.get();
  rec_.AvailIn = 0;
}

int64_t DecompressStream::ReadChunk(void* buffer, int64_t chunkSize, int64_t count) {
  if (!rec_.State) return int64_t(InflateResult::StreamError);
  if (ended_ || count <= 0) return 0;
  chunkSize = std::clamp<int64_t>(chunkSize, 1, kInBufSize);
  if (source_->Position() != sourcePos_) source_->Seek(sourcePos_, SeekOrigin::Beginning);
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t room = count;
  while (room > 0) {
    if (rec_.AvailIn == 0) {
      const int64_t got = source_->Read(inBuf_.get(), chunkSize);
      sourcePos_ = source_->Position();
      rec_.NextIn = inBuf_.get();
      rec_.AvailIn = got > 0 ? uint32_t(got) : 0;
      if (got > 0) {
        // Deciphered once, as read.
        if (cipher_ && (IsAes(encryption_) || encryption_ == EncryptionKind::Traditional))
          cipher_->Decipher(encryption_, inBuf_.get(), size_t(got));
        if (BlockHook) BlockHook();
      }
    }
    rec_.NextOut = out + (count - room);
    rec_.AvailOut = uint32_t(std::min<int64_t>(room, 0x7FFFFFFF));
    const uint32_t before = rec_.AvailOut;
    const InflateResult r = Inflate(&rec_, 0);
    room -= before - rec_.AvailOut;
    if (r == InflateResult::StreamEnd) {
      ended_ = true;
      break;
    }
    if (int(r) < 0 && r != InflateResult::BufError) return int64_t(r);
    if (r == InflateResult::BufError) {
      // No input left: the caller decides (a split archive moves to its next volume).
      if (rec_.AvailIn == 0) {
        if (room == count) return int64_t(InflateResult::BufError);
        break;
      }
    }
    // No preset dictionary can be given here, so such a stream cannot be read; the engine's own (positive)
    // result would pass for a count of bytes read.
    if (r == InflateResult::NeedDict) return int64_t(InflateResult::DataError);
  }
  return count - room;
}

int64_t DecompressStream::Read(void* buffer, int64_t count) {
  return ReadChunk(buffer, std::min<int64_t>(count, kInBufSize), count);
}

int64_t DecompressStream::Seek(int64_t offset, SeekOrigin origin) {
  const int64_t produced = TotalOut();
  if (origin == SeekOrigin::Beginning && offset == 0) {
    InflateReset(&rec_);
    rec_.AvailIn = 0;
    ended_ = false;
    source_->Seek(0, SeekOrigin::Beginning);
    sourcePos_ = 0;
    return 0;
  }
  int64_t skip = -1;
  if (origin == SeekOrigin::Current && offset >= 0)
    skip = offset;
  else if (origin == SeekOrigin::Beginning && offset > produced)
    skip = offset - produced;
  if (skip > 0) {
    uint8_t scratch[4096];
    while (skip > 0) {
      const int64_t n = Read(scratch, std::min<int64_t>(skip, sizeof scratch));
      if (n <= 0) break;
      skip -= n;
    }
  }
  return TotalOut();
}
}  // namespace corvina::archive
