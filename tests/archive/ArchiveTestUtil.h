#pragma once
// Helpers shared by the archive tests: whole-file reads, CRC-32 and a writer of
// small LHA archives with hand-made headers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "archive/Crc.h"
#include "archive/Dates.h"
#include "archive/LhaExtractor.h"
#include "archive/Paths.h"
#include "archive/ZipCrypt.h"
#include "tests/support/TempDir.h"

namespace testutil {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// A scratch folder removed with everything in it when the test ends.
using ScopedDir = corvina::test::TempDir;

inline Bytes ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteAll(const fs::path& p, const Bytes& b) {
  std::ofstream out(p, std::ios::binary);
  out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

inline uint32_t Crc32(const Bytes& b) {
  return corvina::archive::UpdateCrc32(b.data(), b.size(), 0xFFFFFFFFu) ^ 0xFFFFFFFFu;
}

inline uint16_t Crc16(const Bytes& b) { return corvina::archive::UpdateCrc16(b.data(), b.size(), 0); }

inline void Put16(Bytes& b, size_t at, unsigned v) {
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}
inline void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}
inline void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }
inline Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Enciphers an entry with ZIP's traditional cipher as a writer does: 11 filler bytes and the check
// byte, then the data; the key registers are updated with each plain byte.
inline Bytes ZipEncipher(const std::string& password, uint8_t checkByte, const Bytes& data) {
  corvina::archive::ZipCrypto c;
  c.InitKeys(password);
  Bytes plain = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, checkByte};
  Append(plain, data);
  Bytes out;
  for (const uint8_t b : plain) {
    out.push_back(b ^ c.KeystreamByte(false));
    c.UpdateKeys(false, b);
  }
  return out;
}

// One stored entry (-lh0- unless another method id is given) with a hand-made header.
struct LhaEntry {
  std::string name;  // raw stored bytes
  Bytes data;
  int level = 0;
  std::string method = "-lh0-";
  std::string dir;  // raw bytes of a directory extended header (levels 1 and 2)
  uint8_t attribute = 0x20;
  uint32_t stamp = 0x5A2B6000;  // 2025-01-11 12:00:00 as DOS; seconds at level 2
  bool nameFirstAtLevel2 = false;
  int crcOverride = -1;
  Bytes packedOverride;  // packed bytes when not stored
  uint32_t unpackedOverride = 0xFFFFFFFF;
  char osId = 0;                // 0: "M" at level 1, "W" at level 2
  std::string levelOneExtName;  // a file-name extended header at level 1
};

inline Bytes ExtHeader(uint8_t type, const std::string& data, size_t nextSize) {
  Bytes e{type};
  Append(e, Text(data));
  e.push_back(uint8_t(nextSize));
  e.push_back(uint8_t(nextSize >> 8));
  return e;
}

inline Bytes LhaHeaderAndData(const LhaEntry& e) {
  const Bytes& packed = e.packedOverride.empty() ? e.data : e.packedOverride;
  const uint32_t unpacked = e.unpackedOverride != 0xFFFFFFFF ? e.unpackedOverride : uint32_t(e.data.size());
  const uint16_t crc = e.crcOverride >= 0 ? uint16_t(e.crcOverride) : Crc16(e.data);
  Bytes h(22, 0);
  for (int i = 0; i < 5; ++i) h[2 + size_t(i)] = uint8_t(e.method[size_t(i)]);
  Put32(h, 11, unpacked);
  Put32(h, 15, e.stamp);
  h[19] = e.attribute;
  h[20] = uint8_t(e.level);
  Bytes out;
  if (e.level == 0 || e.level == 1) {
    h[21] = uint8_t(e.name.size());
    Append(h, Text(e.name));
    h.push_back(uint8_t(crc));
    h.push_back(uint8_t(crc >> 8));
    Bytes ext;
    if (e.level == 1) {
      h.push_back(e.osId ? uint8_t(e.osId) : uint8_t('M'));
      if (!e.dir.empty()) ext = ExtHeader(2, e.dir, 0);
      if (!e.levelOneExtName.empty()) {
        Bytes name = ExtHeader(1, e.levelOneExtName, ext.size());
        Append(name, ext);
        ext = name;
      }
      // The size field before each extended header holds that header's size.
      const size_t first = ext.empty() ? 0 : e.levelOneExtName.empty() ? ext.size() : e.levelOneExtName.size() + 3;
      h.push_back(uint8_t(first));
      h.push_back(uint8_t(first >> 8));
    }
    h[0] = uint8_t(h.size() - 2);
    Put32(h, 7, uint32_t(packed.size() + ext.size()));
    uint8_t sum = 0;
    for (size_t i = 2; i < h.size(); ++i) sum = uint8_t(sum + h[i]);
    h[1] = sum;
    Append(out, h);
    Append(out, ext);
  } else {
    Put32(h, 7, uint32_t(packed.size()));
    h[21] = uint8_t(crc);
    h.push_back(uint8_t(crc >> 8));
    h.push_back(e.osId ? uint8_t(e.osId) : uint8_t('W'));
    // Extended headers: header CRC first (as common writers do), then name and directory.
    std::vector<Bytes> exts;
    if (e.nameFirstAtLevel2) exts.push_back({1});
    exts.push_back({0, 0, 0});
    if (!e.nameFirstAtLevel2) exts.push_back({1});
    for (auto& x : exts)
      if (x[0] == 1) Append(x, Text(e.name));
    if (!e.dir.empty()) {
      Bytes d{2};
      Append(d, Text(e.dir));
      exts.push_back(d);
    }
    // Sizes chain: the field before each header holds its size (body + 2).
    h.push_back(uint8_t(exts[0].size() + 2));
    h.push_back(uint8_t((exts[0].size() + 2) >> 8));
    for (size_t i = 0; i < exts.size(); ++i) {
      Append(h, exts[i]);
      const size_t next = i + 1 < exts.size() ? exts[i + 1].size() + 2 : 0;
      h.push_back(uint8_t(next));
      h.push_back(uint8_t(next >> 8));
    }
    Put16(h, 0, unsigned(h.size()));
    Append(out, h);
  }
  Append(out, packed);
  return out;
}

inline Bytes LhaArchive(const std::vector<LhaEntry>& entries) {
  Bytes out;
  for (const auto& e : entries) Append(out, LhaHeaderAndData(e));
  out.push_back(0);
  return out;
}

// One extraction of an archive file into `out`, with every reported error code and every verdict collected.
struct Outcome {
  int count = 0;
  std::vector<int> errors;
  std::vector<std::string> ended;
  bool Has(int code) const { return std::find(errors.begin(), errors.end(), code) != errors.end(); }
  long Failed() const {
    return std::count_if(ended.begin(), ended.end(), [](const std::string& e) { return e.ends_with(":fail"); });
  }
};

inline Outcome ExtractFile(const fs::path& file, const fs::path& out, const std::vector<std::string>& masks = {"*.*"},
                           const std::function<void(corvina::archive::LhaExtractor&)>& setUp = {}) {
  using namespace corvina::archive;
  LhaExtractor lha;
  Outcome r;
  lha.SetArchiveFile(file.string());
  lha.FileSpec = masks;
  lha.SetExtractDir(out.string());
  lha.OnError = [&](ArchiveContext&, const std::string&, const std::string&, const std::string&, int code) {
    r.errors.push_back(code);
  };
  lha.OnEnd = [&](ArchiveContext& c, const std::string&, bool pass) {
    r.ended.push_back(static_cast<LhaExtractor&>(c).EntryName + (pass ? ":ok" : ":fail"));
  };
  if (setUp) setUp(lha);
  r.count = lha.Extract();
  return r;
}

// The same for archive bytes, written to dir/in.lzh and extracted into dir/out.
inline Outcome ExtractBytes(const Bytes& archive, const fs::path& dir, const std::vector<std::string>& masks = {"*.*"},
                            const std::function<void(corvina::archive::LhaExtractor&)>& setUp = {}) {
  WriteAll(dir / "in.lzh", archive);
  return ExtractFile(dir / "in.lzh", dir / "out", masks, setUp);
}

// Every file below `root` by its path relative to it ('/' separated), as a peer's listing names it.
inline std::map<std::string, fs::path> FilesUnder(const fs::path& root) {
  std::map<std::string, fs::path> files;
  for (auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) files[fs::relative(e.path(), root).generic_string()] = e.path();
  return files;
}

// True when no extraction left one of its temporary files below `root`.
inline bool NoTemporaries(const fs::path& root) {
  for (auto& e : fs::recursive_directory_iterator(root))
    if (corvina::archive::IsPartialFileName(e.path().filename().string())) return false;
  return true;
}

// Sets the time zone for one test and puts the previous one back afterwards.
struct FixedZone {
  explicit FixedZone(const char* tz) {
    const char* old = std::getenv("TZ");
    saved = old ? std::optional<std::string>(old) : std::nullopt;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~FixedZone() {
    if (saved)
      setenv("TZ", saved->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  std::optional<std::string> saved;
};

inline std::vector<fs::path> AllFiles(const fs::path& root) {
  std::vector<fs::path> out;
  if (!fs::exists(root)) return out;
  for (auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) out.push_back(fs::relative(e.path(), root));
  return out;
}

// A CRC-32 as EXPECTED.tsv writes it: 8 lower-case hex digits.
inline std::string Hex8(uint32_t v) {
  char b[9];
  std::snprintf(b, sizeof b, "%08x", v);
  return b;
}

// One row of a peer folder's EXPECTED.tsv: the entry path (its \xNN escapes undone; "!FAIL" where the reference
// tool could not extract the archive, "!EMPTY" for an archive without entries), size, CRC-32 as 8 hex digits
// and, for ZIP, the password that opened it.
struct ExpectedRow {
  std::string entry;
  uint64_t size = 0;
  std::string crc;
  std::string password;
};

// The table grouped by archive (its path under the peer folder), rows in file order.
inline std::map<std::string, std::vector<ExpectedRow>> ReadExpectedTable(const fs::path& tsv) {
  std::map<std::string, std::vector<ExpectedRow>> table;
  std::ifstream in(tsv);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f;
    for (size_t pos = 0;;) {
      const size_t tab = line.find('\t', pos);
      f.push_back(line.substr(pos, tab == std::string::npos ? std::string::npos : tab - pos));
      if (tab == std::string::npos) break;
      pos = tab + 1;
    }
    if (f.size() < 3) continue;
    ExpectedRow r;
    for (size_t i = 0; i < f[1].size(); ++i) {
      if (f[1][i] == '\\' && i + 3 < f[1].size() && f[1][i + 1] == 'x') {
        r.entry += char(std::stoi(f[1].substr(i + 2, 2), nullptr, 16));
        i += 3;
      } else {
        r.entry += f[1][i];
      }
    }
    r.size = std::stoull(f[2]);
    r.crc = f.size() > 3 ? f[3] : "";
    r.password = f.size() > 4 && f[1] != "!FAIL" ? f[4] : "";
    table[f[0]].push_back(r);
  }
  return table;
}

}  // namespace testutil
