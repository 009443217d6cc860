#pragma once
// A minimal walk over a ZIP file's central directory, for the decoder tests: each entry's method,
// flags, sizes, CRC-32 and packed bytes. Plain archives only (no Zip64, no volumes).
#include <cstdint>
#include <string>
#include <vector>

#include "archive/ZipDecode.h"
#include "tests/archive/ArchiveTestUtil.h"

namespace testutil {

struct ZipEntry {
  std::string name;
  uint16_t flags = 0, method = 0;
  uint32_t crc = 0, packedSize = 0, size = 0;
  Bytes packed;
};

inline uint32_t Get16(const Bytes& b, size_t at) { return at + 2 <= b.size() ? b[at] | (b[at + 1] << 8) : 0; }
inline uint32_t Get32(const Bytes& b, size_t at) {
  return at + 4 <= b.size() ? Get16(b, at) | (Get16(b, at + 2) << 16) : 0;
}

inline std::vector<ZipEntry> WalkZip(const Bytes& zip) {
  std::vector<ZipEntry> entries;
  if (zip.size() < 22) return entries;
  size_t end = zip.size() - 22;
  while (end > 0 && Get32(zip, end) != 0x06054b50) --end;
  if (Get32(zip, end) != 0x06054b50) return entries;
  size_t at = Get32(zip, end + 16);
  while (Get32(zip, at) == 0x02014b50) {
    ZipEntry e;
    e.flags = uint16_t(Get16(zip, at + 8));
    e.method = uint16_t(Get16(zip, at + 10));
    e.crc = Get32(zip, at + 16);
    e.packedSize = Get32(zip, at + 20);
    e.size = Get32(zip, at + 24);
    const size_t nameLen = Get16(zip, at + 28), extraLen = Get16(zip, at + 30), commentLen = Get16(zip, at + 32);
    const size_t local = Get32(zip, at + 42);
    if (at + 46 + nameLen > zip.size()) break;
    e.name.assign(zip.begin() + long(at + 46), zip.begin() + long(at + 46 + nameLen));
    if (Get32(zip, local) == 0x04034b50 && e.packedSize != 0xFFFFFFFFu) {
      const size_t data = local + 30 + Get16(zip, local + 26) + Get16(zip, local + 28);
      if (data + e.packedSize <= zip.size())
        e.packed.assign(zip.begin() + long(data), zip.begin() + long(data + e.packedSize));
    }
    entries.push_back(std::move(e));
    at += 46 + nameLen + extraLen + commentLen;
  }
  return entries;
}

// Deflate bits, least significant first; Huffman codes go most significant bit first.
struct BitWriter {
  Bytes bytes;
  unsigned used = 0;
  void Put(uint32_t value, unsigned n) {
    for (unsigned i = 0; i < n; ++i) {
      if (used == 0) bytes.push_back(0);
      bytes.back() |= uint8_t(((value >> i) & 1) << used);
      used = (used + 1) & 7;
    }
  }
  void Code(uint32_t code, unsigned n) {
    for (unsigned i = n; i-- > 0;) Put((code >> i) & 1, 1);
  }
  // A symbol of the fixed literal/length code.
  void Fixed(unsigned s) {
    if (s < 144)
      Code(0x30 + s, 8);
    else if (s < 256)
      Code(0x190 + s - 144, 9);
    else if (s < 280)
      Code(s - 256, 7);
    else
      Code(0xC0 + s - 280, 8);
  }
  void Align() { used = 0; }
  void Stored(const Bytes& data, bool last) {
    Put(last, 1);
    Put(0, 2);
    Align();
    Put(uint32_t(data.size()), 16);
    Put(uint32_t(~data.size()) & 0xFFFF, 16);
    Append(bytes, data);
  }
};

inline fs::path PeerDir() { return fs::path(CORVINA_TESTDATA) / "zip-peers"; }

struct DecodeRun {
  corvina::archive::DecodeResult result = corvina::archive::DecodeResult::Ok;
  Bytes out;
};

// Runs an entry decoder over `packed`, handing the input out in pieces of `readChunk` bytes.
inline DecodeRun RunDecoder(
    const std::function<corvina::archive::DecodeResult(corvina::archive::ZipDecodeIo&)>& decoder, const Bytes& packed,
    int64_t size, uint16_t flags = 0, size_t readChunk = size_t(1) << 20) {
  DecodeRun run;
  size_t pos = 0;
  corvina::archive::ZipDecodeIo io;
  io.Read = [&](uint8_t* buffer, int64_t count) -> int64_t {
    const size_t n = std::min({size_t(count), readChunk, packed.size() - pos});
    std::copy_n(packed.begin() + long(pos), n, buffer);
    pos += n;
    return int64_t(n);
  };
  io.Write = [&](const uint8_t* buffer, int64_t count) {
    run.out.insert(run.out.end(), buffer, buffer + count);
    return true;
  };
  io.Flags = flags;
  io.PackedSize = int64_t(packed.size());
  io.UnpackedSize = size;
  run.result = decoder(io);
  return run;
}

// Decodes every unencrypted entry of the listed peer archives whose method is in `methods` and
// checks its size and CRC-32 against the central directory and EXPECTED.tsv. Returns how many
// entries were checked.
inline int CheckPeerEntries(
    const std::vector<int>& methods,
    const std::function<corvina::archive::DecodeResult(corvina::archive::ZipDecodeIo&, int method)>& decoder) {
  const auto expected = ReadExpectedTable(PeerDir() / "EXPECTED.tsv");
  std::vector<std::string> archives;
  for (const auto& [archive, rows] : expected)
    if (std::any_of(rows.begin(), rows.end(), [](const ExpectedRow& r) { return r.entry != "!FAIL"; }))
      archives.push_back(archive);
  for (const char* extra : {"zip2/legacy/shrink.zip", "zip2/legacy/implode.zip", "zip2/legacy/reduce.zip"})
    if (std::find(archives.begin(), archives.end(), extra) == archives.end()) archives.push_back(extra);
  int checked = 0;
  for (const auto& archive : archives) {
    for (const auto& e : WalkZip(ReadAll(PeerDir() / archive))) {
      if ((e.flags & 1) || e.packed.size() != e.packedSize || e.size == 0xFFFFFFFFu) continue;
      if (std::find(methods.begin(), methods.end(), e.method) == methods.end()) continue;
      const int method = e.method;
      const auto run = RunDecoder([&](corvina::archive::ZipDecodeIo& io) { return decoder(io, method); }, e.packed,
                                  e.size, e.flags, 7000);
      SCOPED_TRACE(archive + " : " + e.name);
      EXPECT_EQ(run.result, corvina::archive::DecodeResult::Ok);
      EXPECT_EQ(run.out.size(), e.size);
      EXPECT_EQ(Crc32(run.out), e.crc);
      if (const auto rows = expected.find(archive); rows != expected.end())
        for (const auto& row : rows->second)
          if (row.entry == e.name) {
            EXPECT_EQ(run.out.size(), row.size);
            EXPECT_EQ(Hex8(Crc32(run.out)), row.crc);
          }
      ++checked;
    }
  }
  return checked;
}

}  // namespace testutil
