#pragma once
// The plain interface through which the ZIP reader drives every entry decoder (Deflate, Deflate64,
// the legacy methods and bzip2): a read callback for the packed bytes and a write callback for the
// decoded ones, and the decoders' results.
#include <cstdint>
#include <functional>

namespace corvina::archive {

// The reader's read and write pointers, handed to an entry decoder.
struct ZipDecodeIo {
  // Up to `count` packed bytes of the entry, already deciphered; 0 when no more come.
  // The decoder never asks for more than PackedSize bytes in all.
  std::function<int64_t(uint8_t* buffer, int64_t count)> Read;
  // Decoded bytes (the reader keeps the CRC-32 and counts them); false when not all were written.
  std::function<bool(const uint8_t* buffer, int64_t count)> Write;
  // Optional: called after each output flush so the reader can report progress and pump messages.
  std::function<void()> Progress;
  const bool* Cancel = nullptr;  // null: never cancelled
  uint16_t Flags = 0;            // general-purpose flags (imploding reads bits 1 and 2)
  int64_t PackedSize = 0;        // compressed bytes, encryption overhead already taken off
  int64_t UnpackedSize = 0;
};

// Results of the entry decoders. Anything but DecodeResult::Ok fails the entry, whatever its encryption kind.
enum class DecodeResult : int {
  Ok = 0,
  WriteFailed = -2,  // the write callback returned false
  InputEnded = -3,   // the packed bytes ended before the data did
  BadData = -4,      // invalid block type, code, tree, distance or header
  Cancelled = -5,
  StackOverflow = -6,  // unshrinking: a parent chain longer than the stack
  NoMemory = -7,
};

// The message number the reader reports for a decoder result (0: report nothing beyond the
// failed CRC check): msg::WriteError for a failed write; msg::BadBlock and msg::StackOverflow for
// unshrinking (method 1).
int DecodeResultMessage(int method, DecodeResult result);
}  // namespace corvina::archive
