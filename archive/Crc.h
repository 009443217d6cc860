#pragma once
// CRC-16/ARC and the CRC-32 of IEEE 802.3, table driven.
#include <cstddef>
#include <cstdint>

namespace corvina::archive {

uint16_t UpdateCrc16(const uint8_t* data, size_t count, uint16_t crc);
uint32_t UpdateCrc32(const uint8_t* data, size_t count, uint32_t crc);
}  // namespace corvina::archive
