// Every peer archive, whole, cut short and with bytes flipped, through the fuzz targets' entry
// function with both readers: none may crash or read out of bounds (the test build runs sanitized).
// The seed corpora replay as the fuzz_*_replay tests.
#include <gtest/gtest.h>

#include "archive/LhaExtractor.h"
#include "archive/ZipExtractor.h"
#include "fuzz/ArchiveFuzzEntry.h"
#include "tests/archive/ArchiveTestUtil.h"

using namespace testutil;

namespace {
void ExtractWholeCutAndFlipped(const char* peerFolder, const std::function<void(const Bytes&, size_t)>& extract) {
  const fs::path peers = fs::path(CORVINA_TESTDATA) / peerFolder;
  if (!fs::exists(peers)) GTEST_SKIP() << "peer archives not present";
  for (auto& e : fs::recursive_directory_iterator(peers)) {
    if (!e.is_regular_file() || e.file_size() > 2 * 1024 * 1024) continue;
    SCOPED_TRACE(e.path().string());
    const Bytes b = ReadAll(e.path());
    extract(b, b.size());
    for (size_t cut : {size_t(24), b.size() / 3, b.size() / 2, b.size() - 1}) {
      if (cut >= b.size()) continue;
      extract(b, cut);
    }
    Bytes flipped = b;
    for (size_t i = 40; i < flipped.size(); i += 97) flipped[i] ^= 0x5A;
    extract(flipped, flipped.size());
  }
}
}  // namespace

TEST(FuzzReplay, LhaPeerArchivesWholeAndCut) {
  ExtractWholeCutAndFlipped("lha-peers", [](const Bytes& b, size_t size) {
    corvina::archive::LhaExtractor lha;
    corvina_fuzz::ExtractBytes(lha, b.data(), size);
  });
}

TEST(FuzzReplay, ZipPeerArchivesWholeAndCut) {
  ExtractWholeCutAndFlipped("zip-peers", [](const Bytes& b, size_t size) {
    corvina::archive::ZipExtractor zip;
    zip.Passwords = {"password", "helloworld", "12345678"};
    corvina_fuzz::ExtractBytes(zip, b.data(), size);
  });
}
