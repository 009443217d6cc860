#pragma once
#include <cstddef>
#include <cstdint>

#include "archive/ArchiveExtractor.h"

namespace corvina_fuzz {
// Runs a whole extraction by `reader` (detection, header walk, decoders, output) over the bytes and
// removes what it wrote. Entries above 256 KiB, and those that would take an input's entries above
// 1 MiB in all, are passed over; an OnBegin the caller set runs after that check. Returns the number
// of entries written.
int ExtractBytes(corvina::archive::ArchiveExtractor& reader, const uint8_t* data, size_t size);
}  // namespace corvina_fuzz
