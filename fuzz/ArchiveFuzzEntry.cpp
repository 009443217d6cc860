#include "fuzz/ArchiveFuzzEntry.h"

#include <sys/mman.h>
#include <unistd.h>
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
  // Sizes come from the input: keep each run small so the fuzzer stays fast.
  auto callerBegin = reader.OnBegin;
  reader.OnBegin = [callerBegin](ZipCommon& c, const std::string& name, int count, bool& extract) {
    if (c.EntrySize > 8 * 1024 * 1024) extract = false;
    if (extract && callerBegin) callerBegin(c, name, count, extract);
  };
  const int written = reader.Extract();
  reader.OnBegin = callerBegin;
  ::close(fd);
  std::error_code ec;
  std::filesystem::remove_all(out, ec);
  return written;
}

}  // namespace corvina_fuzz
