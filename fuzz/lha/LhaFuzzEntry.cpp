#include "fuzz/lha/LhaFuzzEntry.h"

#include <filesystem>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

#include "archive/UnLha.h"

namespace corvina_fuzz {

namespace {
const std::filesystem::path& WorkDir()
{
    static const std::filesystem::path dir = [] {
        auto p = std::filesystem::temp_directory_path() / ("corvina-lha-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(p);
        return p;
    }();
    return dir;
}
}  // namespace

int ExtractLhaBytes(const uint8_t* data, size_t size)
{
    using namespace corvina::archive;
    const int fd = ::memfd_create("lha-input", MFD_CLOEXEC);
    if (fd < 0) return 0;
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0) break;
        done += size_t(n);
    }
    const std::filesystem::path out = WorkDir() / "out";
    int written = 0;
    {
        TUnLha lha;
        lha.SetArchiveFile("/proc/self/fd/" + std::to_string(fd));
        lha.FileSpec = {"*.*"};
        lha.CreateStoredDirs = true;
        lha.SetExtractDir(out.string());
        // Sizes come from the input: keep each run small so the fuzzer stays fast.
        lha.OnBegin = [](TZipCommon& c, const std::string&, int, bool& extract) {
            if (static_cast<TUnLha&>(c).Header.UnpackedSize > 8u * 1024 * 1024) extract = false;
        };
        written = lha.Extract();
    }
    ::close(fd);
    std::error_code ec;
    std::filesystem::remove_all(out, ec);
    return written;
}

}  // namespace corvina_fuzz
