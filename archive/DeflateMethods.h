#pragma once
// ZIP methods 8 (Deflate) and 9 (Deflate64), driven on the library's inflate engine.
#include "archive/ZipDecode.h"

namespace corvina::archive {

// Method 8 (raw Deflate) and method 9 (Deflate64) of a ZIP entry. Stops at the last block.
DecodeResult InflateDeflate(ZipDecodeIo& io);
DecodeResult InflateDeflate64(ZipDecodeIo& io);
}  // namespace corvina::archive
