// unpack ARCHIVE DIR [--password P]... [--mask M]...
// Extracts an archive through the library's readers and prints one line per entry: name, size,
// CRC and result, and names the partial files that runs killed in the middle left in DIR. Exits 0 only when
// every selected entry was written and checked.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "archive/LhaExtractor.h"
#include "archive/Paths.h"
#include "archive/ZipExtractor.h"

using namespace corvina::archive;

namespace {

// Entry names come from the archive: control characters are shown escaped, never sent to the terminal.
std::string Printable(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", c);
      out += buf;
    } else {
      out += char(c);
    }
  }
  return out;
}

// Size and CRC of the entry just finished, as its header states them.
void EntryFacts(ArchiveExtractor& c, long long& size, unsigned& crc, int& crcDigits) {
  if (auto* zip = dynamic_cast<ZipExtractor*>(&c)) {
    size = (long long)zip->Local.Uncompressed;
    crc = zip->Local.Crc;
    crcDigits = 8;
  } else {
    auto& lha = static_cast<LhaExtractor&>(c);
    size = (long long)lha.Header.UnpackedSize;
    crc = lha.Header.Crc;
    crcDigits = 4;
  }
}

int Usage() {
  std::fprintf(stderr, "usage: unpack ARCHIVE DIR [--password P] [--mask M]...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::vector<std::string> masks, passwords, positional;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--mask" && i + 1 < args.size())
      masks.push_back(args[++i]);
    else if (args[i] == "--password" && i + 1 < args.size())
      passwords.push_back(args[++i]);
    else if (args[i].rfind("--", 0) == 0)
      return Usage();
    else
      positional.push_back(args[i]);
  }
  if (positional.size() != 2) return Usage();
  if (masks.empty()) masks.push_back("*.*");

  // Detection decides which reader takes the archive.
  LhaExtractor probe;
  probe.SetArchiveFile(positional[0]);
  if (probe.ArchiveFile().empty()) {
    std::fprintf(stderr, "unpack: %s: %s\n", positional[0].c_str(), LoadMessage(msg::FileNotFound).c_str());
    return 1;
  }
  const ArchiveFormat type = probe.ArchiveType;
  const bool isLha = type == ArchiveFormat::Lha || type == ArchiveFormat::LhaSfx;
  const bool isZip = IsZipFamily(type) || IsSplitZip(type);
  if (!isLha && !isZip) {
    if (IsRecognisedArchive(type)) {
      std::string name = ArchiveTypeName(type);
      name.erase(name.find_last_not_of(' ') + 1);
      std::fprintf(stderr, "unpack: %s: a %s archive, which unpack does not read (only LHA and ZIP)\n",
                   positional[0].c_str(), name.c_str());
    } else {
      std::fprintf(stderr, "unpack: %s: not an archive unpack knows (only LHA and ZIP)\n", positional[0].c_str());
    }
    return 1;
  }
  LhaExtractor lhaReader;
  ZipExtractor zipReader;
  ArchiveExtractor& reader =
      isLha ? static_cast<ArchiveExtractor&>(lhaReader) : static_cast<ArchiveExtractor&>(zipReader);
  reader.SetArchiveFile(positional[0]);
  reader.Passwords = passwords;
  reader.FileSpec = masks;
  reader.SetExtractDir(positional[1]);
  // Volumes of a split archive are taken from beside the archive under their usual names.
  zipReader.OnNextVolume = [](ZipExtractor&, std::string&, int, bool exists, bool& cancel) { cancel = !exists; };
  // The passwords given are all there is: when none of them fits an entry, the one request for another is
  // declined, and the library says "Invalid password".
  zipReader.PasswordAttempts = 1;
  zipReader.OnGetPassword = [](ZipExtractor&, const std::string&, std::string&, SeedKeyRecord&, SeedKeyRecord&,
                               bool& tryAgain) { tryAgain = false; };

  int failures = 0, selected = 0;
  reader.OnError = [&](ArchiveContext&, const std::string& file, const std::string& more, const std::string&,
                       int code) {
    if (code == msg::CrcError) return;  // shown on the entry's own line
    // The library's further word (the system's reason, a header's place) follows its message in parentheses.
    const std::string detail = more.empty() ? std::string() : " (" + Printable(more) + ")";
    std::fprintf(stderr, "unpack: %s: %d %s%s\n", Printable(file).c_str(), code, LoadMessage(code).c_str(),
                 detail.c_str());
    ++failures;
  };
  reader.OnEnd = [&](ArchiveContext& c, const std::string&, bool pass) {
    ++selected;
    if (!pass) ++failures;
    long long size = 0;
    unsigned crc = 0;
    int digits = 8;
    EntryFacts(static_cast<ArchiveExtractor&>(c), size, crc, digits);
    std::printf("%s\t%lld\t%0*x\t%s\n", Printable(c.EntryName).c_str(), size, digits, crc, pass ? "ok" : "FAILED");
  };
  const int written = reader.Extract();
  std::printf("%d entries written\n", written);
  // Partial files that runs killed in the middle left are named, not removed: the folder is the user's.
  for (const std::string& left : ExtractionLeftovers(positional[1], LeftoverSearch::Tree))
    std::fprintf(stderr, "unpack: %s: left by an interrupted extraction\n", Printable(left).c_str());
  return failures == 0 && selected > 0 ? 0 : 1;
}
