// libFuzzer target: arbitrary bytes through the ZIP extraction with the password the seeds were made with
// (every method, traditional and AES entries deciphered), and for one input in four once more without
// any, where the password request gives up at once. An entry the reader calls whole must hold what any
// other extractor takes out of it, or nothing: where the central directory lists it, the size and CRC-32
// stated there.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "archive/Crc.h"
#include "archive/ZipExtractor.h"
#include "fuzz/ArchiveFuzzEntry.h"

namespace {
using namespace corvina::archive;

// A run stops at the first entry called whole whose file on disk is not what its central header states (an AE-2
// entry states no CRC, the authentication code stands for it). Entries found by their local headers alone have
// nothing to be measured against.
void CheckWholeEntry(ArchiveContext& c, const std::string& outputName, bool pass) {
  const ZipHeader& central = static_cast<ZipExtractor&>(c).Central;
  if (!pass || (central.Position == 0 && central.RawName.empty())) return;
  std::error_code error;
  if (!std::filesystem::is_regular_file(outputName, error)) return;  // a folder entry
  std::ifstream in(outputName, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const uint32_t crc = UpdateCrc32(bytes.data(), bytes.size(), 0xFFFFFFFFu) ^ 0xFFFFFFFFu;
  if (bytes.size() != central.Uncompressed || (!IsAe2(c.CryptKind) && crc != central.Crc)) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    ZipExtractor zip;
    zip.Passwords = {"fuzz"};
    zip.PasswordAttempts = 0;
    // Two AES entries an input show every path; each further one would only cost another derivation.
    int aesEntries = 0;
    zip.OnBegin = [&aesEntries](ArchiveContext& c, const std::string&, int, bool& extract) {
      const ZipHeader& local = static_cast<ZipExtractor&>(c).Local;
      if ((local.Flags & 1) && local.Extra.HasAes) extract = ++aesEntries <= 2;
    };
    zip.OnEnd = CheckWholeEntry;
    corvina_fuzz::ExtractBytes(zip, data, size);
  }
  if (size % 4 == 0) {
    ZipExtractor zip;
    zip.PasswordAttempts = 1;
    zip.OnGetPassword = [](ZipExtractor&, const std::string&, std::string&, SeedKeyRecord&, SeedKeyRecord&,
                           bool& tryAgain) { tryAgain = false; };
    // The unenciphered entries were decoded by the first run already.
    zip.OnBegin = [](ArchiveContext& c, const std::string&, int, bool& extract) {
      extract = (static_cast<ZipExtractor&>(c).Local.Flags & 1) != 0;
    };
    zip.OnEnd = CheckWholeEntry;
    corvina_fuzz::ExtractBytes(zip, data, size);
  }
  return 0;
}
