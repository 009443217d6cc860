// libFuzzer target: arbitrary bytes through the ZIP extraction with the password the seeds were made with
// (every method, traditional and AES entries deciphered), and for one input in four once more without
// any, where the password request gives up at once.
#include "archive/ZipExtractor.h"
#include "fuzz/ArchiveFuzzEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvina::archive;
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
    corvina_fuzz::ExtractBytes(zip, data, size);
  }
  return 0;
}
