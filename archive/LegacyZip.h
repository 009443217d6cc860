#pragma once
// Decoders of the three oldest ZIP methods: shrinking (method 1, LZW with partial clearing),
// reducing (methods 2-5, follower sets over a 4 KB window) and imploding (method 6,
// Shannon-Fano trees over a 4 KB or 8 KB window). Each reads and writes through the reader's
// callbacks (see ZipDecodeIo in archive/ZipDecode.h) and returns a DecodeResult.
#include "archive/ZipDecode.h"

namespace corvina::archive {

// Method 1. Bad codes return DecodeResult::BadData ("Bad block"), an overlong parent chain DecodeResult::StackOverflow.
DecodeResult Unshrink(ZipDecodeIo& io);

// Methods 2-5: factor = method - 1. Stops once io.UnpackedSize bytes were produced or the input
// ends; a follower set of more than 32 bytes returns DecodeResult::BadData.
DecodeResult Unreduce(ZipDecodeIo& io, int factor);

// Method 6: io.Flags bit 1 selects the 8 KB window, bit 2 the literal tree; io.PackedSize of
// 200001 or more selects 8 distance lookup bits. Stops after io.UnpackedSize bytes.
DecodeResult Explode(ZipDecodeIo& io);

}  // namespace corvina::archive
