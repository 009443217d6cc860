#pragma once
// Signature tests of archive type detection (the detection itself is a part of ArchiveContext).
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace corvina::archive {

int64_t OctalToInt(std::string_view text);  // octal digits of a tar header field; other characters are skipped
bool IsBzip2Header(const uint8_t* p, size_t n);
bool IsGzipFamily(const uint8_t* p, size_t n);

}  // namespace corvina::archive
