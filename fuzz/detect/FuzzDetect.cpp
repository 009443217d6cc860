// libFuzzer target: archive type detection over arbitrary bytes, from memory and from a file (the
// file path also names the next volume of a split set).
#include <sys/mman.h>
#include <unistd.h>
#include <string>

#include "archive/ZipExtractor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvina::archive;
  ZipExtractor zip;
  MemoryStream32 memory(data, size);
  zip.DetectArchiveType(&memory);

  const int fd = ::memfd_create("detect-input", MFD_CLOEXEC);
  if (fd < 0) return 0;
  if (size == 0 || ::write(fd, data, size) == ssize_t(size)) zip.SetArchiveFile("/proc/self/fd/" + std::to_string(fd));
  ::close(fd);
  return 0;
}
