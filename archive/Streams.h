#pragma once
// Streams with 64-bit positions on top of POSIX file descriptors, plus a memory stream for
// detection and replay. Open failures never throw: the handle stays -1 and reads/writes return 0.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corvina::archive {

enum class SeekOrigin : int { Beginning = 0, Current = 1, End = 2 };

class Stream32 {
 public:
  virtual ~Stream32() = default;
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;  // returns the new position, -1 on failure
  virtual int64_t Size();

  int64_t Position() { return Seek(0, SeekOrigin::Current); }
  // Copies Count bytes from Source (0: the whole source from its start), letting the pump run
  // before each block and stopping when the cancel flag is set. Returns the bytes copied.
  virtual int64_t CopyFrom64(Stream32& source, int64_t count);

  bool* CancelPointer = nullptr;          // null: never cancelled
  std::function<void()> ProcessMessages;  // run before each copied block
  int LastError = 0;                      // errno of the last failed write
};

class HandleStream32 : public Stream32 {
 public:
  explicit HandleStream32(int handle) : Handle(handle) {}
  ~HandleStream32() override { Handle = -1; }  // does not close: the handle is borrowed
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  bool SetSize(int64_t size);
  bool Valid() const { return Handle >= 0; }
  int Handle = -1;
};

// How a FileStream32 opens its file: Create makes it new (or empties it) for reading and writing.
enum class FileMode : uint16_t { OpenRead = 0x0000, OpenWrite = 0x0001, OpenReadWrite = 0x0002, Create = 0xFFFF };

class FileStream32 : public HandleStream32 {
 public:
  // Opened with OpenRead, the file is read through two cached blocks: a reader steps through many small
  // headers, between two places of the file at once (a ZIP directory and the local headers), and the system
  // is asked once a block instead of once a field. Reads of a block's size or more go to the file directly.
  FileStream32(const std::string& fileName, FileMode mode);
  // Takes over a handle opened elsewhere (a file without a name yet); closes it like its own.
  FileStream32(int ownedHandle, const std::string& fileName) : HandleStream32(ownedHandle), FileName(fileName) {}
  ~FileStream32() override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  bool Close();  // returns false when the system reports a failure on close
  std::string FileName;

 private:
  struct CachedBlock {
    std::vector<uint8_t> bytes;
    int64_t start = 0;
    int64_t length = 0;  // bytes held, from start
    uint64_t used = 0;   // when it was last read from
  };
  int64_t ReadAt(void* buffer, int64_t count, int64_t at);
  bool cached_ = false;
  int64_t position_ = 0;
  uint64_t reads_ = 0;
  CachedBlock blocks_[2];
};

// Read-only view over bytes held elsewhere (detection tests, fuzz replay).
class MemoryStream32 : public Stream32 {
 public:
  MemoryStream32(const uint8_t* data, size_t size) : data_(data), length_(int64_t(size)) {}
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, SeekOrigin origin) override;

 private:
  const uint8_t* data_;
  int64_t length_;
  int64_t pos_ = 0;
};

}  // namespace corvina::archive
