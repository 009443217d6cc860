#include "archive/DeflateMethods.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "archive/Inflate.h"

namespace corvina::archive {

namespace {

DecodeResult InflateEntryData(ZipDecodeIo& io, bool deflate64) {
  ZStreamRec rec;
  const InflateResult init = InflateInit(&rec, -15, kZStreamRecSize, deflate64);
  if (init != InflateResult::Ok)
    return init == InflateResult::MemError ? DecodeResult::NoMemory : DecodeResult::BadData;
  constexpr uint32_t kChunk = 32768;
  std::vector<uint8_t> in(kChunk), out(kChunk);
  int64_t packedLeft = io.PackedSize;
  bool inputEnded = false;
  DecodeResult result = DecodeResult::Ok;
  for (;;) {
    if (io.Cancel && *io.Cancel) {
      result = DecodeResult::Cancelled;
      break;
    }
    if (rec.AvailIn == 0 && !inputEnded) {
      const int64_t want = std::min<int64_t>(kChunk, packedLeft);
      const int64_t got = want > 0 && io.Read ? io.Read(in.data(), want) : 0;
      if (got <= 0) {
        inputEnded = true;
      } else {
        packedLeft -= got;
        rec.NextIn = in.data();
        rec.AvailIn = uint32_t(got);
      }
    }
    rec.NextOut = out.data();
    rec.AvailOut = kChunk;
    const InflateResult r = Inflate(&rec, 0);
    const uint32_t produced = kChunk - rec.AvailOut;
    if (produced) {
      if (!io.Write || !io.Write(out.data(), produced)) {
        result = DecodeResult::WriteFailed;
        break;
      }
      if (io.Progress) io.Progress();
    }
    if (r == InflateResult::StreamEnd) break;
    if (r == InflateResult::DataError || r == InflateResult::StreamError || r == InflateResult::NeedDict) {
      result = DecodeResult::BadData;
      break;
    }
    if (r == InflateResult::BufError && rec.AvailIn == 0 && inputEnded) {
      result = DecodeResult::InputEnded;
      break;
    }
  }
  InflateEnd(&rec);
  return result;
}

}  // namespace

DecodeResult InflateDeflate(ZipDecodeIo& io) { return InflateEntryData(io, false); }
DecodeResult InflateDeflate64(ZipDecodeIo& io) { return InflateEntryData(io, true); }
}  // namespace corvina::archive
