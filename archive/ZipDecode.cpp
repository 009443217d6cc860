#include "archive/ZipDecode.h"

#include "archive/ArchiveTypes.h"

namespace corvina::archive {

int DecodeResultMessage(int method, DecodeResult result) {
  if (result == DecodeResult::WriteFailed) return msg::WriteError;
  if (method == 1 && result == DecodeResult::BadData) return msg::BadBlock;
  if (method == 1 && result == DecodeResult::StackOverflow) return msg::StackOverflow;
  return 0;
}
}  // namespace corvina::archive
