#include "archive/Crc.h"

#include "archive/ByteOrder.h"

namespace corvina::archive {

namespace {
struct CrcTables {
  uint32_t Crc16[8][256];
  uint32_t Crc32[8][256];
  CrcTables() {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t a = i, b = i;
      for (int k = 0; k < 8; ++k) {
        a = (a & 1) ? (a >> 1) ^ 0xA001u : a >> 1;
        b = (b & 1) ? (b >> 1) ^ 0xEDB88320u : b >> 1;
      }
      Crc16[0][i] = a;
      Crc32[0][i] = b;
    }
    for (int k = 1; k < 8; ++k)
      for (uint32_t i = 0; i < 256; ++i) {
        Crc16[k][i] = (Crc16[k - 1][i] >> 8) ^ Crc16[0][Crc16[k - 1][i] & 0xFF];
        Crc32[k][i] = (Crc32[k - 1][i] >> 8) ^ Crc32[0][Crc32[k - 1][i] & 0xFF];
      }
  }
};
const CrcTables& Tables() {
  static const CrcTables tables;
  return tables;
}

uint32_t Slice8(const uint32_t (*t)[256], const uint8_t* p, size_t n, uint32_t crc) {
  while (n >= 8) {
    const uint32_t one = Le32(p) ^ crc;
    const uint32_t two = Le32(p + 4);
    crc = t[7][one & 0xFF] ^ t[6][(one >> 8) & 0xFF] ^ t[5][(one >> 16) & 0xFF] ^ t[4][one >> 24] ^ t[3][two & 0xFF] ^
          t[2][(two >> 8) & 0xFF] ^ t[1][(two >> 16) & 0xFF] ^ t[0][two >> 24];
    p += 8;
    n -= 8;
  }
  while (n--) crc = t[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
  return crc;
}
}  // namespace

uint16_t UpdateCrc16(const uint8_t* data, size_t count, uint16_t crc) {
  return uint16_t(Slice8(Tables().Crc16, data, count, crc));
}

uint32_t UpdateCrc32(const uint8_t* data, size_t count, uint32_t crc) {
  return Slice8(Tables().Crc32, data, count, crc);
}
}  // namespace corvina::archive
