#pragma once
// LhaExtractor: the LHA / LZH extractor. Reads headers of levels 0, 1 and 2, selects entries through the
// masks, dispatches on the whole five-byte method id through kLzhMethods to the decoders, writes each entry through
// the base's output services, which keep a failed entry from leaving a file behind.
#include <cstdint>
#include <string>

#include "archive/ArchiveExtractor.h"
#include "archive/HeaderList.h"
#include "archive/LzhDecoders.h"

namespace corvina::archive {

// The current header record, rewritten for every header read.
struct Lzh {
  uint8_t HeadSize = 0;
  uint8_t HeadChk = 0;
  char Method[5] = {};
  uint32_t PackedSize = 0;
  uint32_t UnpackedSize = 0;
  uint32_t Stamp = 0;
  uint8_t Attribute = 0;
  uint8_t Level = 0;
  uint8_t NameLength = 0;
  uint16_t Crc = 0;
  uint8_t OsId = 0;
  uint16_t NextSize = 0;
  std::string ExtBlock;
  uint8_t Flag = 0;
  uint8_t OsId2 = 0;
};

class LhaExtractor : public ArchiveExtractor {
 public:
  Lzh Header;
  // Derived from the header just read:
  int64_t HeaderLength = 0;  // bytes from the header's start to its packed data
  int64_t DataSize = 0;      // packed data bytes alone (level 1: without the extended headers)
  uint32_t DosStamp = 0;     // the time stamp as a DOS date/time

 protected:
  void ExtractLoop() override;
  int ScanLhaHeaders(Stream32& archive);
  bool ReadLhaHeader(Stream32& archive);
  void ExtractLhaList(Stream32& archive);
  bool ExtractLhaFile(Stream32& archive, int attribute);

 private:
  bool ReadHeaderBytes(Stream32& archive, int64_t offset);
  // Reports the header being read as damaged; false.
  bool BadHeader();
  EntryHeaderList list_;
  uint8_t raw_[22] = {};
  int64_t headerOffset_ = 0;  // where the header being read starts
  LzhStaticDecoder staticDecoder_;
};

}  // namespace corvina::archive
