#pragma once
// EntryHeaderList: the list in which a reader's extract loop collects the entries to extract, as
// fixed 24-byte records with optional variable blocks. What the 24 bytes hold is the reader's.
#include <array>
#include <cstdint>
#include <vector>

namespace corvina::archive {

class EntryHeaderList {
 public:
  static constexpr int kRecordSize = 24;
  using Record = std::array<uint8_t, kRecordSize>;

  bool AddHeader(const Record& record, const uint8_t* block = nullptr, int blockSize = 0) {
    records_.push_back(record);
    if (block && blockSize > 0) blocks_.emplace_back(block, block + blockSize);
    ++Count;
    return true;
  }
  const Record& GetHeader(int index) const { return records_.at(size_t(index)); }
  void ClearHeaders() {
    records_.clear();
    blocks_.clear();
    Count = 0;
  }
  int Count = 0;

 private:
  std::vector<Record> records_;
  std::vector<std::vector<uint8_t>> blocks_;
};

}  // namespace corvina::archive
