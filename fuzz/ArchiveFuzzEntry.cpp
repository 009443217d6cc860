#include "fuzz/ArchiveFuzzEntry.h"

#include <sys/mman.h>
#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <string>

#include "fuzz/ScratchFolder.h"

namespace corvina_fuzz {

namespace {
const std::filesystem::path& WorkDir() { return ScratchFolder("archive"); }
}  // namespace

int ExtractBytes(corvina::archive::ArchiveExtractor& reader, const uint8_t* data, size_t size) {
  using namespace corvina::archive;
  const int fd = ::memfd_create("archive-input", MFD_CLOEXEC);
  if (fd < 0) return 0;
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n <= 0) break;
    done += size_t(n);
  }
  const std::filesystem::path out = WorkDir() / "out";
  reader.SetArchiveFile("/proc/self/fd/" + std::to_string(fd));
  reader.FileSpec = {"*.*"};
  reader.CreateStoredDirs = true;
  reader.SetExtractDir(out.string());
  // Sizes come from the input, and a cut or damaged entry is decoded up to its declared size: keep each
  // run small so the fuzzer stays fast. No seed holds an entry near the cap.
  constexpr int64_t kEntryCap = 256 * 1024, kInputCap = 1024 * 1024;
  int64_t declared = 0;
  auto callerBegin = reader.OnBegin;
  reader.OnBegin = [callerBegin, &declared](ArchiveContext& c, const std::string& name, int count, bool& extract) {
    if (c.EntrySize > kEntryCap || declared + c.EntrySize > kInputCap) extract = false;
    if (extract && callerBegin) callerBegin(c, name, count, extract);
    if (extract) declared += std::max<int64_t>(c.EntrySize, 0);
  };
  const int written = reader.Extract();
  reader.OnBegin = callerBegin;
  ::close(fd);
  std::error_code ec;
  std::filesystem::remove_all(out, ec);
  return written;
}

}  // namespace corvina_fuzz
