// Replays the fuzz seed corpus and every peer archive, whole and cut short, through the fuzz
// target's entry function: none may crash or read out of bounds (the test build runs sanitized).
#include <gtest/gtest.h>

#include "fuzz/lha/LhaFuzzEntry.h"
#include "tests/archive/ArchiveTestUtil.h"

using namespace testutil;

TEST(FuzzReplay, SeedCorpus)
{
    const fs::path corpus = fs::path(CORVINA_SOURCE_DIR) / "fuzz/lha/corpus";
    int files = 0;
    for (auto& e : fs::directory_iterator(corpus)) {
        const Bytes b = ReadAll(e.path());
        corvina_fuzz::ExtractLhaBytes(b.data(), b.size());
        ++files;
    }
    EXPECT_GT(files, 5);
}

TEST(FuzzReplay, PeerArchivesWholeAndCut)
{
    const fs::path peers = fs::path(CORVINA_TESTDATA) / "lha-peers";
    if (!fs::exists(peers)) GTEST_SKIP() << "peer archives not present";
    for (auto& e : fs::recursive_directory_iterator(peers)) {
        if (!e.is_regular_file() || e.file_size() > 2 * 1024 * 1024) continue;
        SCOPED_TRACE(e.path().string());
        const Bytes b = ReadAll(e.path());
        corvina_fuzz::ExtractLhaBytes(b.data(), b.size());
        for (size_t cut : {size_t(24), b.size() / 3, b.size() / 2, b.size() - 1}) {
            if (cut >= b.size()) continue;
            corvina_fuzz::ExtractLhaBytes(b.data(), cut);
        }
        Bytes flipped = b;
        for (size_t i = 40; i < flipped.size(); i += 97) flipped[i] ^= 0x5A;
        corvina_fuzz::ExtractLhaBytes(flipped.data(), flipped.size());
    }
}
