#pragma once
#include <cstddef>
#include <cstdint>

namespace corvina_fuzz {
// Runs the whole LHA extraction (detection, header walk, decoders, output) over the bytes and
// removes what it wrote. Answers the number of entries written.
int ExtractLhaBytes(const uint8_t* data, size_t size);
}
