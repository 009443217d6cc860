#include "archive/Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace corvina::archive {

int64_t Stream32::Size() {
  const int64_t here = Seek(0, SeekOrigin::Current);
  const int64_t end = Seek(0, SeekOrigin::End);
  Seek(here, SeekOrigin::Beginning);
  return end;
}

int64_t Stream32::CopyFrom64(Stream32& source, int64_t count) {
  if (count == 0) {
    source.Seek(0, SeekOrigin::Beginning);
    count = source.Size();
  }
  const int64_t bufferSize = std::min<int64_t>(count, 131072);
  if (bufferSize <= 0) return 0;
  std::vector<uint8_t> buffer(static_cast<size_t>(bufferSize));
  int64_t copied = 0;
  while (copied < count) {
    if (ProcessMessages) ProcessMessages();
    if (CancelPointer && *CancelPointer) break;
    const int64_t block = std::min(bufferSize, count - copied);
    const int64_t got = source.Read(buffer.data(), block);
    if (got <= 0) break;
    if (Write(buffer.data(), got) != got) break;
    copied += got;
  }
  return copied;
}

int64_t HandleStream32::Read(void* buffer, int64_t count) {
  if (Handle < 0 || count <= 0) return 0;
  int64_t done = 0;
  auto* out = static_cast<uint8_t*>(buffer);
  while (done < count) {
    const ssize_t n = ::read(Handle, out + done, size_t(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t HandleStream32::Write(const void* buffer, int64_t count) {
  if (Handle < 0 || count <= 0) return 0;
  int64_t done = 0;
  auto* in = static_cast<const uint8_t*>(buffer);
  while (done < count) {
    const ssize_t n = ::write(Handle, in + done, size_t(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      LastError = n < 0 ? errno : ENOSPC;
      break;
    }
    done += n;
  }
  return done;
}

int64_t HandleStream32::Seek(int64_t offset, SeekOrigin origin) {
  if (Handle < 0) return -1;
  const int whence = origin == SeekOrigin::Current ? SEEK_CUR : origin == SeekOrigin::End ? SEEK_END : SEEK_SET;
  return ::lseek(Handle, off_t(offset), whence);
}

bool HandleStream32::SetSize(int64_t size) { return Handle >= 0 && ::ftruncate(Handle, off_t(size)) == 0; }

FileStream32::FileStream32(const std::string& fileName, FileMode mode) : HandleStream32(-1), FileName(fileName) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case FileMode::Create: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    case FileMode::OpenWrite: flags |= O_WRONLY; break;
    case FileMode::OpenReadWrite: flags |= O_RDWR; break;
    case FileMode::OpenRead: flags |= O_RDONLY; break;
  }
  Handle = ::open(fileName.c_str(), flags, 0666);
  struct stat st {};
  cached_ = mode == FileMode::OpenRead && Handle >= 0 && ::fstat(Handle, &st) == 0 && S_ISREG(st.st_mode);
}

FileStream32::~FileStream32() { Close(); }

namespace {
constexpr int64_t kCachedBlock = 32768;
}  // namespace

int64_t FileStream32::ReadAt(void* buffer, int64_t count, int64_t at) {
  int64_t done = 0;
  auto* out = static_cast<uint8_t*>(buffer);
  while (done < count) {
    const ssize_t n = ::pread(Handle, out + done, size_t(count - done), off_t(at + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t FileStream32::Read(void* buffer, int64_t count) {
  if (!cached_) return HandleStream32::Read(buffer, count);
  if (Handle < 0 || count <= 0) return 0;
  if (count >= kCachedBlock) {
    const int64_t got = ReadAt(buffer, count, position_);
    position_ += got;
    return got;
  }
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    const int64_t at = position_ + done;
    CachedBlock* block = nullptr;
    for (CachedBlock& b : blocks_)
      if (at >= b.start && at < b.start + b.length) block = &b;
    if (!block) {
      // The block read longest ago gives way: the other one may hold the second place the reader is at.
      block = blocks_[0].used <= blocks_[1].used ? &blocks_[0] : &blocks_[1];
      block->bytes.resize(size_t(kCachedBlock));
      block->start = at;
      block->length = ReadAt(block->bytes.data(), kCachedBlock, at);
      if (block->length <= 0) {
        block->length = 0;
        break;
      }
    }
    block->used = ++reads_;
    const int64_t n = std::min(count - done, block->start + block->length - at);
    std::memcpy(out + done, block->bytes.data() + (at - block->start), size_t(n));
    done += n;
  }
  position_ += done;
  return done;
}

int64_t FileStream32::Seek(int64_t offset, SeekOrigin origin) {
  if (!cached_) return HandleStream32::Seek(offset, origin);
  if (Handle < 0) return -1;
  int64_t base = origin == SeekOrigin::Current ? position_ : 0;
  if (origin == SeekOrigin::End) {
    struct stat st {};
    if (::fstat(Handle, &st) != 0) return -1;
    base = int64_t(st.st_size);
  }
  int64_t target = 0;
  if (__builtin_add_overflow(base, offset, &target) || target < 0) return -1;
  position_ = target;
  return position_;
}

bool FileStream32::Close() {
  if (Handle < 0) return true;
  const int rc = ::close(Handle);
  Handle = -1;
  return rc == 0;
}

int64_t MemoryStream32::Read(void* buffer, int64_t count) {
  if (count <= 0 || pos_ >= length_) return 0;
  const int64_t n = std::min(count, length_ - pos_);
  std::memcpy(buffer, data_ + pos_, size_t(n));
  pos_ += n;
  return n;
}

int64_t MemoryStream32::Seek(int64_t offset, SeekOrigin origin) {
  const int64_t base = origin == SeekOrigin::Current ? pos_ : origin == SeekOrigin::End ? length_ : 0;
  const int64_t target = base + offset;
  if (target < 0) return -1;
  pos_ = target;
  return pos_;
}

}  // namespace corvina::archive
