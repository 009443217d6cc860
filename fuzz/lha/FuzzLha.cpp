// libFuzzer target: arbitrary bytes through the LHA extraction.
#include "archive/LhaExtractor.h"
#include "fuzz/ArchiveFuzzEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  corvina::archive::LhaExtractor lha;
  corvina_fuzz::ExtractBytes(lha, data, size);
  return 0;
}
