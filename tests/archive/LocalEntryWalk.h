#pragma once
// A minimal walk over the local headers of a ZIP file, enough to take one entry's stored bytes
// out of a peer archive for the cipher tests. Stops at the first record that is not a local
// header or that runs past the file.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testutil {

struct LocalEntry {
  uint16_t Flags = 0, Method = 0, Time = 0;
  uint32_t Crc = 0;
  std::vector<uint8_t> Extra;
  std::vector<uint8_t> Data;  // the compressed size's bytes (encryption header included)
};

inline std::optional<LocalEntry> FindLocalEntry(const std::vector<uint8_t>& zip, const std::string& name) {
  auto le16 = [&](size_t p) { return uint16_t(zip[p] | zip[p + 1] << 8); };
  auto le32 = [&](size_t p) { return uint32_t(le16(p)) | uint32_t(le16(p + 2)) << 16; };
  size_t p = 0;
  while (p + 30 <= zip.size() && le32(p) == 0x04034b50u) {
    LocalEntry e;
    e.Flags = le16(p + 6);
    e.Method = le16(p + 8);
    e.Time = le16(p + 10);
    e.Crc = le32(p + 14);
    const size_t packed = le32(p + 18), nameLength = le16(p + 26), extraLength = le16(p + 28);
    const size_t data = p + 30 + nameLength + extraLength;
    if (data + packed > zip.size()) break;
    e.Extra.assign(zip.begin() + long(p + 30 + nameLength), zip.begin() + long(data));
    e.Data.assign(zip.begin() + long(data), zip.begin() + long(data + packed));
    if (std::string(zip.begin() + long(p + 30), zip.begin() + long(p + 30 + nameLength)) == name) return e;
    p = data + packed;
    if (e.Flags & 8) p += 16;  // data descriptor with its signature
  }
  return std::nullopt;
}

}  // namespace testutil
