#include "archive/ZipDecode.h"

#include "archive/ArchiveTypes.h"

namespace corvina::archive {

int DecodeResultMessage(int method, int result) {
  if (result == drWriteFailed) return msg::WriteError;
  if (method == 1 && result == drBadData) return msg::BadBlock;
  if (method == 1 && result == drStackOverflow) return msg::StackOverflow;
  return 0;
}
}  // namespace corvina::archive
