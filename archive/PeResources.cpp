#include "archive/PeResources.h"

#include <cstdint>
#include <optional>

#include "archive/ByteOrder.h"

namespace corvina::archive {

namespace {

constexpr uint32_t kRtString = 6;
constexpr uint32_t kSubdirectoryBit = 0x80000000u;
constexpr int kMaxSections = 96;  // the loader's own limit

// Bounded little-endian reads from the stream: nullopt for anything not wholly inside the file.
class Reader {
 public:
  explicit Reader(Stream32& stream) : stream_(stream), size_(stream.Size()) {}
  bool Bytes(int64_t at, void* out, int64_t n) {
    if (at < 0 || n < 0 || at > size_ - n) return false;
    return stream_.Seek(at, SeekOrigin::Beginning) == at && stream_.Read(out, n) == n;
  }
  std::optional<uint32_t> U16(int64_t at) {
    uint8_t b[2];
    if (!Bytes(at, b, 2)) return std::nullopt;
    return Le16(b);
  }
  std::optional<uint32_t> U32(int64_t at) {
    uint8_t b[4];
    if (!Bytes(at, b, 4)) return std::nullopt;
    return Le32(b);
  }

 private:
  Stream32& stream_;
  int64_t size_;
};

struct Section {
  uint32_t VirtualAddress, VirtualSize, RawSize, RawPointer;
};

class PeImage {
 public:
  explicit PeImage(Stream32& stream) : File(stream) {}

  bool Load() {
    const auto peAt = File.U32(0x3C);
    const auto signature = peAt ? File.U32(*peAt) : std::nullopt;
    if (!signature || *signature != 0x00004550) return false;  // "PE\0\0"
    const int64_t coff = int64_t(*peAt) + 4;
    const auto sectionCount = File.U16(coff + 2), optionalSize = File.U16(coff + 16);
    const int64_t optional = coff + 20;
    const auto magic = File.U16(optional);
    if (!sectionCount || !optionalSize || !magic || (*magic != 0x10B && *magic != 0x20B)) return false;
    // PE32 and PE32+ differ only in where the data directories start.
    const int64_t directories = optional + (*magic == 0x20B ? 112 : 96);
    const auto directoryCount = File.U32(directories - 4);
    if (!directoryCount || *directoryCount < 3 || directories + 24 > optional + *optionalSize) return false;
    const auto resourceRva = File.U32(directories + 16);
    if (!resourceRva || *resourceRva == 0) return false;
    const int64_t table = optional + *optionalSize;
    for (uint32_t i = 0; i < *sectionCount && i < kMaxSections; ++i) {
      const int64_t at = table + int64_t(i) * 40;
      const auto vs = File.U32(at + 8), va = File.U32(at + 12), rs = File.U32(at + 16), rp = File.U32(at + 20);
      if (!vs || !va || !rs || !rp) return false;
      sections_.push_back({*va, *vs, *rs, *rp});
    }
    const auto root = FileOffset(*resourceRva);
    if (!root) return false;
    resourceBase_ = *root;
    return true;
  }

  // File offset of a relative virtual address, only inside a section's stored bytes.
  std::optional<int64_t> FileOffset(uint32_t rva) const {
    for (const Section& s : sections_) {
      if (rva < s.VirtualAddress) continue;
      const uint64_t into = uint64_t(rva) - s.VirtualAddress;
      if (into < s.RawSize && (s.VirtualSize == 0 || into < s.VirtualSize)) return int64_t(s.RawPointer + into);
    }
    return std::nullopt;
  }

  // The entry of a resource directory whose id is the given one (or the first entry for any id).
  std::optional<uint32_t> Entry(int64_t directory, std::optional<uint32_t> id) {
    const auto named = File.U16(directory + 12), numbered = File.U16(directory + 14);
    if (!named || !numbered) return std::nullopt;
    for (uint32_t i = 0; i < *named + *numbered; ++i) {
      const int64_t at = directory + 16 + int64_t(i) * 8;
      const auto name = File.U32(at), target = File.U32(at + 4);
      if (!name || !target) return std::nullopt;
      if (!id || (i >= *named && *name == *id)) return *target;
    }
    return std::nullopt;
  }

  // The string-table block with the given id, in the first language stored for it.
  std::optional<int64_t> StringBlock(uint32_t blockId) {
    int64_t directory = resourceBase_;
    for (const std::optional<uint32_t> id :
         {std::optional<uint32_t>(kRtString), std::optional<uint32_t>(blockId), std::optional<uint32_t>()}) {
      const auto target = Entry(directory, id);
      if (!target) return std::nullopt;
      const bool subdirectory = (*target & kSubdirectoryBit) != 0;
      const int64_t next = resourceBase_ + (*target & ~kSubdirectoryBit);
      if (!id.has_value()) {
        // The language level points at a data entry: the block's address and size.
        if (subdirectory) return std::nullopt;
        const auto rva = File.U32(next);
        return rva ? FileOffset(*rva) : std::nullopt;
      }
      if (!subdirectory) return std::nullopt;
      directory = next;
    }
    return std::nullopt;
  }

  Reader File;

 private:
  std::vector<Section> sections_;
  int64_t resourceBase_ = 0;
};

}  // namespace

std::vector<std::string> ReadPeStrings(Stream32& stream, int first, int last, size_t maxChars) {
  std::vector<std::string> texts;
  if (first < 0 || last < first || (first >> 4) != (last >> 4)) return texts;
  const int64_t remembered = stream.Position();
  PeImage image(stream);
  std::optional<int64_t> block;
  if (image.Load()) block = image.StringBlock(uint32_t(first >> 4) + 1);
  if (block) {
    // A block holds 16 strings, each a length in UTF-16 units followed by that many units.
    int64_t at = *block;
    for (int index = 0; index <= (last & 15); ++index) {
      const auto length = image.File.U16(at);
      if (!length) break;
      std::string text;
      for (uint32_t k = 0; k < *length && k < maxChars; ++k) {
        const auto unit = image.File.U16(at + 2 + int64_t(k) * 2);
        if (!unit) break;
        text += *unit < 0x80 ? char(*unit) : '?';
      }
      if (index >= (first & 15)) texts.push_back(text);
      at += 2 + int64_t(*length) * 2;
    }
  }
  stream.Seek(remembered < 0 ? 0 : remembered, SeekOrigin::Beginning);
  return texts;
}

}  // namespace corvina::archive
