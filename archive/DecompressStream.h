#pragma once
// A read-only stream that inflates what it reads from another.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "archive/ArchiveTypes.h"
#include "archive/Inflate.h"
#include "archive/Streams.h"

namespace corvina::archive {

// Deciphers an entry's raw bytes in place, by its encryption kind.
class EntryCipher {
 public:
  virtual ~EntryCipher() = default;
  virtual void Decipher(EncryptionKind kind, uint8_t* data, size_t count) = 0;
};

// Inflates what it reads from its source, deciphering each raw block first through the cipher when
// the kind is AES or traditional. Read returns the bytes produced, or a negative engine result.
class DecompressStream : public Stream32 {
 public:
  DecompressStream(Stream32& source, EncryptionKind encryption, int windowBits, EntryCipher* cipher = nullptr,
                   bool deflate64 = false);
  ~DecompressStream() override;  // puts the source back right behind the compressed data
  int64_t Read(void* buffer, int64_t count) override;
  int64_t ReadChunk(void* buffer, int64_t chunkSize, int64_t count);
  int64_t Write(const void*, int64_t) override { return -1; }
  // Offset 0 from the start restarts decoding; forward seeks read and discard; returns bytes produced.
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  // Continue on another source (the next volume of a split archive) with an empty input buffer.
  void ResetInput(Stream32& source);
  bool Ended() const { return ended_; }
  int64_t TotalOut() const { return int64_t(rec_.TotalOut); }
  InflateResult InitResult() const { return initResult_; }
  std::function<void()> BlockHook;  // sent after every block read from the source

 private:
  Stream32* source_;
  int64_t sourcePos_ = 0;
  EncryptionKind encryption_;
  EntryCipher* cipher_;
  ZStreamRec rec_;
  std::unique_ptr<uint8_t[]> inBuf_;
  bool ended_ = false;
  InflateResult initResult_ = InflateResult::Ok;
};
}  // namespace corvina::archive
