// bzip2 entries: the stream over libbz2, the driver's endings (marker, damage, short data,
// trailing bytes) and the bzip2 entries of the peer archives.
#include <gtest/gtest.h>

#include <bzlib.h>

#include "archive/Bzip2Stream.h"
#include "tests/archive/ZipEntryWalk.h"

using namespace corvina::archive;
using namespace testutil;

namespace {

Bytes Plain() {
  Bytes b;
  for (int i = 0; i < 50000; ++i) b.push_back(uint8_t("bzip2 entry data "[i % 17] + (i / 997) % 3));
  return b;
}

Bytes Compress(const Bytes& plain) {
  Bytes out(plain.size() + plain.size() / 100 + 600);
  unsigned len = unsigned(out.size());
  EXPECT_EQ(BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(out.data()), &len,
                                     const_cast<char*>(reinterpret_cast<const char*>(plain.data())),
                                     unsigned(plain.size()), 9, 0, 0),
            BZ_OK);
  out.resize(len);
  return out;
}

PackedRead Reader(const Bytes& data, size_t& pos) {
  return [&data, &pos](uint8_t* buffer, int64_t count) -> int64_t {
    const size_t n = std::min(size_t(count), data.size() - pos);
    std::copy_n(data.begin() + long(pos), n, buffer);
    pos += n;
    return int64_t(n);
  };
}

}  // namespace

TEST(Bzip2Stream, DriverEndings) {
  const Bytes plain = Plain();
  const Bytes packed = Compress(plain);
  Bytes trailing = packed;
  Append(trailing, Text("trailing bytes after the end marker"));
  Bytes flipped = packed;
  flipped[packed.size() / 2] ^= 0x10;
  Bytes badMagic = packed;
  badMagic[0] = 'X';
  const Bytes cut(packed.begin(), packed.begin() + long(packed.size() / 2));

  const struct {
    const char* what;
    const Bytes* data;
    DecodeResult result;
    bool whole;
  } cases[] = {
      {"whole stream", &packed, DecodeResult::Ok, true},
      {"trailing bytes", &trailing, DecodeResult::Ok, true},
      {"one bit flipped", &flipped, DecodeResult::BadData, false},
      {"not bzip2 at all", &badMagic, DecodeResult::BadData, false},
      {"cut in half", &cut, DecodeResult::InputEnded, false},
  };
  for (const auto& c : cases) {
    for (size_t chunk : {size_t(1) << 20, size_t(333)}) {
      const auto run = RunDecoder(BZip2DecodeStream, *c.data, int64_t(plain.size()), 0, chunk);
      EXPECT_EQ(run.result, c.result) << c.what << " " << chunk;
      if (c.whole) {
        EXPECT_EQ(run.out, plain) << c.what;
      } else {
        EXPECT_LT(run.out.size(), plain.size()) << c.what;
      }
    }
  }
  // A packed size of 0 writes nothing and does not touch the input.
  const auto none = RunDecoder(BZip2DecodeStream, {}, 0);
  EXPECT_EQ(none.result, DecodeResult::Ok);
  EXPECT_TRUE(none.out.empty());
  // A failing write ends the entry.
  ZipDecodeIo io;
  size_t pos = 0;
  io.Read = Reader(packed, pos);
  io.Write = [](const uint8_t*, int64_t) { return false; };
  io.PackedSize = int64_t(packed.size());
  EXPECT_EQ(BZip2DecodeStream(io), DecodeResult::WriteFailed);
  // A cancel ends it after the block in hand.
  pos = 0;
  size_t written = 0;
  io.Write = [&](const uint8_t*, int64_t n) {
    written += size_t(n);
    return true;
  };
  bool cancel = true;
  io.Cancel = &cancel;
  EXPECT_EQ(BZip2DecodeStream(io), DecodeResult::Cancelled);
  EXPECT_EQ(written, size_t(BzDecompressStream::kBufferSize));
}

TEST(Bzip2Stream, StreamReadsSeeksAndRefusesWrites) {
  const Bytes plain = Plain();
  const Bytes packed = Compress(plain);
  size_t pos = 0;
  int reports = 0;
  BzDecompressStream s(Reader(packed, pos), int64_t(packed.size()), int64_t(plain.size()), [&] { ++reports; });
  EXPECT_EQ(reports, 1);  // once at creation
  Bytes head(100);
  EXPECT_EQ(s.Read(head.data(), 100), 100);
  EXPECT_TRUE(std::equal(head.begin(), head.end(), plain.begin()));
  EXPECT_EQ(s.Seek(900, SeekOrigin::Current), 1000);
  EXPECT_EQ(s.Seek(2000, SeekOrigin::Beginning), 2000);
  EXPECT_THROW(s.Seek(10, SeekOrigin::Beginning), Bzip2Error);
  EXPECT_THROW(s.Seek(-1, SeekOrigin::Current), Bzip2Error);
  EXPECT_THROW(s.Write(head.data(), 1), Bzip2Error);
  Bytes rest(plain.size());
  EXPECT_EQ(s.Read(rest.data(), int64_t(rest.size())), int64_t(plain.size() - 2000));
  EXPECT_TRUE(std::equal(plain.begin() + 2000, plain.end(), rest.begin()));
  EXPECT_TRUE(s.StreamEnded);
  EXPECT_EQ(s.Read(rest.data(), 10), 0);  // after the end
  EXPECT_GT(reports, 1);
  EXPECT_EQ(s.Position, int64_t(packed.size()));
  // Bytes after the end marker are left alone: a read after the end gives nothing and raises nothing.
  Bytes trailing = packed;
  Append(trailing, Text("bytes after the end marker"));
  size_t tail = 0;
  BzDecompressStream ended(Reader(trailing, tail), int64_t(trailing.size()), int64_t(plain.size()), {});
  rest.resize(plain.size() + 100);
  EXPECT_EQ(ended.Read(rest.data(), int64_t(rest.size())), int64_t(plain.size()));
  EXPECT_TRUE(ended.StreamEnded);
  EXPECT_NO_THROW(EXPECT_EQ(ended.Read(rest.data(), 10), 0));
  // After damage the stream stays ended too: a further read gives nothing and raises nothing.
  Bytes flipped = packed;
  flipped[packed.size() / 2] ^= 0x10;
  size_t at = 0;
  BzDecompressStream damaged(Reader(flipped, at), int64_t(flipped.size()), int64_t(plain.size()), {});
  while (damaged.Read(rest.data(), 4096) > 0 && !damaged.ErrorFlag) {
  }
  EXPECT_TRUE(damaged.ErrorFlag);
  EXPECT_NO_THROW(EXPECT_EQ(damaged.Read(rest.data(), 10), 0));
}

TEST(Bzip2Peers, Bzip2EntriesMatchTheirCrc) {
  if (!fs::exists(PeerDir())) GTEST_SKIP() << "no peer archives";
  EXPECT_GE(CheckPeerEntries({12}, [](ZipDecodeIo& io, int) { return BZip2DecodeStream(io); }), 4);
}
