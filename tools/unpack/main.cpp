// unpack ARCHIVE DIR [--password P] [--mask M]...
// Extracts an archive through the library's components and prints one line per entry: name, size,
// CRC and result. Exits 0 only when every selected entry was written and checked.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "archive/UnLha.h"

using namespace corvina::archive;

namespace {

// Entry names come from the archive: control characters are shown escaped, never sent to the terminal.
std::string Printable(const std::string& s)
{
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

int Usage()
{
    std::fprintf(stderr, "usage: unpack ARCHIVE DIR [--password P] [--mask M]...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
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

    TUnLha lha;
    lha.SetArchiveFile(positional[0]);
    if (lha.ArchiveFile().empty()) {
        std::fprintf(stderr, "unpack: %s: %s\n", positional[0].c_str(), LoadMessage(msg::FileNotFound).c_str());
        return 1;
    }
    if (lha.ArchiveType != atLha && lha.ArchiveType != atLhaSfx) {
        std::fprintf(stderr, "unpack: %s: %s archive (%s)\n", positional[0].c_str(), ArchiveTypeName(lha.ArchiveType),
                     LoadMessage(msg::UnsupportedMethod).c_str());
        return 1;
    }
    lha.Passwords = passwords;
    lha.FileSpec = masks;
    lha.SetExtractDir(positional[1]);

    int failures = 0, selected = 0;
    lha.OnError = [&](TZipCommon&, const std::string& file, const std::string&, const std::string&, int code) {
        if (code == msg::CrcError) return;   // shown on the entry's own line
        std::fprintf(stderr, "unpack: %s: %d %s\n", Printable(file).c_str(), code, LoadMessage(code).c_str());
        ++failures;
    };
    lha.OnEnd = [&](TZipCommon& c, const std::string& file, bool pass) {
        auto& u = static_cast<TUnLha&>(c);
        ++selected;
        if (!pass) ++failures;
        std::printf("%s\t%lld\t%04x\t%s\n", Printable(u.EntryName).c_str(), (long long)u.Header.UnpackedSize,
                    unsigned(u.Header.Crc), pass ? "ok" : "FAILED");
    };
    const int written = lha.Extract();
    std::printf("%d entries written\n", written);
    return failures == 0 && selected > 0 ? 0 : 1;
}
