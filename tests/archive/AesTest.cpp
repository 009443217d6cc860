// AES entry encryption: the primitives against their published vectors, and the WinZip framing
// against real AE-2 entries of 128, 192 and 256 bits.
#include <gtest/gtest.h>

#include <random>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "archive/Aes.h"
#include "archive/Streams.h"
#include "tests/archive/ArchiveTestUtil.h"
#include "tests/archive/LocalEntryWalk.h"

using namespace corvina::archive;
using testutil::Bytes;

namespace {

const std::filesystem::path kPeers = std::filesystem::path(CORVINA_TESTDATA) / "zip-peers";

std::string Hex(const uint8_t* p, size_t n) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < n; ++i) s += {digits[p[i] >> 4], digits[p[i] & 15]};
  return s;
}

Bytes FromHex(const std::string& h) {
  Bytes b;
  for (size_t i = 0; i + 1 < h.size(); i += 2) b.push_back(uint8_t(std::stoi(h.substr(i, 2), nullptr, 16)));
  return b;
}

const uint8_t* U(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

}  // namespace

TEST(AesPrimitives, Sha1PublishedVectorsInAnyUpdateSize) {
  const struct {
    std::string message;
    size_t repeat;
    const char* digest;
  } cases[] = {
      {"abc", 1, "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"", 1, "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", 1, "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
      {"a", 1000000, "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
      // The lengths at which the padding takes one block, or two, or a block of its own.
      {"a", 55, "c1c8bbdc22796e28c0e15163d20899b65621d65a"},
      {"a", 56, "c2db330f6083854c99d4b5bfb6e8f29f201be699"},
      {"a", 64, "0098ba824b5c16427bd7a1122a5a442a25ec644d"},
  };
  // One context for every message: a digest leaves it ready for the next.
  Sha1 h;
  for (const auto& c : cases) {
    std::string all;
    for (size_t i = 0; i < c.repeat; ++i) all += c.message;
    for (size_t chunk : {size_t(1), size_t(63), size_t(64), size_t(1000)}) {
      if (all.size() > 100000 && chunk == 1) continue;
      for (size_t at = 0; at < all.size(); at += chunk) h.Update(U(all) + at, std::min(chunk, all.size() - at));
      uint8_t d[20];
      h.Final(d);
      EXPECT_EQ(Hex(d, 20), c.digest) << c.message.substr(0, 8) << " chunk " << chunk;
    }
  }
}

TEST(AesPrimitives, HmacSha1PublishedVectorsAndTruncation) {
  const struct {
    Bytes key;
    std::string data;
    const char* mac;
  } cases[] = {
      {Bytes(20, 0x0b), "Hi There", "b617318655057264e28bc0b6fb378c8ef146be00"},
      {testutil::Text("Jefe"), "what do ya want for nothing?", "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
      {Bytes(80, 0xaa), "Test Using Larger Than Block-Size Key - Hash Key First",
       "aa4ae5e15272d00e95705637ce8a3b55ed402112"},
      {Bytes(80, 0xaa), "Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data",
       "e8e99d0f45237d786d6bbaa7965c7808bbff1a91"},
      // A key of exactly one block is used as it is; one byte more is hashed first.
      {Bytes(64, 0x61), "Hi There", "d166d1f0f2f73265b813c223f8d9fa298f6e4d20"},
      {Bytes(65, 0x61), "Hi There", "86a73a2a1e630848ad68a6ebc55cef2fd08b22d0"},
  };
  for (const auto& c : cases) {
    HmacSha1 h;
    h.SetKey(c.key.data(), c.key.size());
    uint8_t mac[20];
    h.Update(U(c.data), c.data.size());
    h.Final(mac, 20);
    EXPECT_EQ(Hex(mac, 20), c.mac);
    // The same key serves the next message, and a cut code is the prefix.
    uint8_t cut[10];
    h.Update(U(c.data), c.data.size());
    h.Final(cut, 10);
    EXPECT_EQ(Hex(cut, 10), std::string(c.mac).substr(0, 20));
  }
}

TEST(AesPrimitives, Pbkdf2PublishedVectors) {
  const struct {
    std::string password, salt;
    unsigned iterations;
    const char* key;
  } cases[] = {
      {"password", "salt", 1, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
      {"password", "salt", 2, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
      {"password", "salt", 2, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957ca"},  // one byte into a second block (hashlib)
      {"password", "salt", 4096, "4b007901b765489abead49d926f721d065a429c1"},
      {"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096,
       "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"},
      {std::string("pass\0word", 9), std::string("sa\0lt", 5), 4096, "56fa6aa75548099dcc37d7f03425e0c3"},
  };
  for (const auto& c : cases) {
    const size_t n = std::strlen(c.key) / 2;
    Bytes out(n);
    Pbkdf2HmacSha1(U(c.password), c.password.size(), U(c.salt), c.salt.size(), c.iterations, out.data(), n);
    EXPECT_EQ(Hex(out.data(), n), c.key) << c.password << " c=" << c.iterations;
  }
}

TEST(AesPrimitives, Sha1InstructionsAgreeWithThePortableCode) {
  if (!Sha1HasShaExtensions()) GTEST_SKIP() << "this processor has no SHA instructions";
  std::mt19937 rng(11);
  for (int round = 0; round < 2000; ++round) {
    uint32_t a[5], b[5], w[16], v[16];
    for (auto& x : a) x = rng();
    std::copy(a, a + 5, b);
    for (auto& x : w) x = rng();
    std::copy(w, w + 16, v);
    Sha1CompressPortable(a, w);
    Sha1CompressWithShaExtensions(b, v);
    ASSERT_TRUE(std::equal(a, a + 5, b)) << round;
  }
}

TEST(AesPrimitives, KeyDerivationHashesTheKeyPadsOncePerKey) {
  // An AES-256 entry's key material: 66 bytes, four blocks of 1,000 iterations. Each iteration
  // costs one inner and one outer block; the two padded keys are hashed once for the whole run.
  const std::string password = "SECRET", salt = "0123456789abcdef";
  uint8_t material[66];
  const uint64_t before = Sha1BlocksCompressed();
  Pbkdf2HmacSha1(U(password), password.size(), U(salt), salt.size(), 1000, material, sizeof material);
  EXPECT_EQ(Sha1BlocksCompressed() - before, 4u * 1000u * 2u + 2u);
}

TEST(AesPrimitives, BlockCipherPublishedVectorsAndRefusedKeyLengths) {
  const Bytes plain = FromHex("00112233445566778899aabbccddeeff");
  const struct {
    int length;  // as given: bytes or bits
    int keyBytes;
    const char* cipher;
  } cases[] = {
      {16, 16, "69c4e0d86a7b0430d8cdb78070b4c55a"},
      {192, 24, "dda97ca4864cdfe06eaf70a0ec0d7191"},
      {32, 32, "8ea2b7ca516745bfeafc49904b496089"},
      {256, 32, "8ea2b7ca516745bfeafc49904b496089"},
  };
  Bytes key(32);
  for (int i = 0; i < 32; ++i) key[size_t(i)] = uint8_t(i);
  for (const auto& c : cases) {
    AesSchedule s;
    ASSERT_EQ(AesSetEncryptKey(key.data(), c.length, s), 1) << c.length;
    uint8_t out[16];
    AesEncryptBlock(s, plain.data(), out);
    EXPECT_EQ(Hex(out, 16), c.cipher) << c.length;
  }
  for (int bad : {0, 8, 20, 64, 100, 512}) {
    AesSchedule s;
    EXPECT_EQ(AesSetEncryptKey(key.data(), bad, s), 0) << bad;
    EXPECT_EQ(s.Rounds, 0);
  }
}

namespace {

// A counter block that the next step turns into `block`: one less in the little-endian first 8 bytes.
Bytes CounterBefore(const Bytes& block) {
  Bytes c = block;
  for (int j = 0; j < 8 && c[size_t(j)]-- == 0; ++j) {
  }
  return c;
}

}  // namespace

TEST(AesPrimitives, CounterModeGivesThePublishedBlocksInBothWays) {
  // The cipher of a counter block XORed onto zeros is the block's cipher: the FIPS-197 examples,
  // then the next counter's block, with the step carrying across the low bytes.
  const Bytes plain = FromHex("00112233445566778899aabbccddeeff");
  const struct {
    int keyBytes;
    const char* cipher;
  } cases[] = {
      {16, "69c4e0d86a7b0430d8cdb78070b4c55a"},
      {24, "dda97ca4864cdfe06eaf70a0ec0d7191"},
      {32, "8ea2b7ca516745bfeafc49904b496089"},
  };
  Bytes key(32);
  for (int i = 0; i < 32; ++i) key[size_t(i)] = uint8_t(i);
  using CtrFunction = void (*)(const AesSchedule&, uint8_t*, uint8_t*, size_t);
  std::vector<std::pair<const char*, CtrFunction>> ways = {{"portable", AesCtrXorPortable}, {"chosen", AesCtrXor}};
  if (AesHasAesInstructions()) ways.push_back({"instructions", AesCtrXorWithAesInstructions});
  for (const auto& c : cases) {
    AesSchedule s;
    ASSERT_EQ(AesSetEncryptKey(key.data(), c.keyBytes, s), 1);
    for (const auto& [name, ctr] : ways) {
      Bytes counter = CounterBefore(plain), data(32, 0);
      ctr(s, counter.data(), data.data(), 2);
      EXPECT_EQ(Hex(data.data(), 16), c.cipher) << name << " " << c.keyBytes;
      Bytes second = plain;
      second[0] = 0x01;
      uint8_t expected[16];
      AesEncryptBlock(s, second.data(), expected);
      EXPECT_EQ(Hex(data.data() + 16, 16), Hex(expected, 16)) << name << " " << c.keyBytes;
      EXPECT_EQ(counter, second) << name;
    }
  }
}

TEST(AesPrimitives, InstructionPathsAreTakenWhereTheSystemReportsTheInstructions) {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line) && line.rfind("flags", 0) != 0) {
  }
  if (line.empty()) GTEST_SKIP() << "no processor flags to compare with";
  const auto has = [&](const std::string& flag) { return (line + " ").find(" " + flag + " ") != std::string::npos; };
  EXPECT_EQ(AesHasAesInstructions(), has("aes") && has("ssse3") && has("sse4_1"));
  EXPECT_EQ(Sha1HasShaExtensions(), has("sha_ni") && has("ssse3") && has("sse4_1"));
}

TEST(AesPrimitives, AesInstructionsAgreeWithThePortableCode) {
  if (!AesHasAesInstructions()) GTEST_SKIP() << "this processor has no AES instructions";
  std::mt19937 rng(7);
  for (int round = 0; round < 3000; ++round) {
    const int keyBytes = 16 + 8 * (round % 3);
    Bytes key(static_cast<size_t>(keyBytes)), counter(16), data(16 * size_t(rng() % 40));
    for (auto& b : key) b = uint8_t(rng());
    for (auto& b : counter) b = uint8_t(rng());
    for (auto& b : data) b = uint8_t(rng());
    // Every few rounds the block number is about to wrap: the step stays within the low 8 bytes.
    if (round % 5 == 0) std::fill(counter.begin(), counter.begin() + 8 - round % 3, uint8_t(0xFF));
    AesSchedule s;
    ASSERT_EQ(AesSetEncryptKey(key.data(), keyBytes, s), 1);
    Bytes portableCounter = counter, portableData = data;
    AesCtrXorPortable(s, portableCounter.data(), portableData.data(), portableData.size() / 16);
    AesCtrXorWithAesInstructions(s, counter.data(), data.data(), data.size() / 16);
    ASSERT_EQ(Hex(data.data(), data.size()), Hex(portableData.data(), portableData.size()))
        << "round " << round << " key " << keyBytes;
    ASSERT_EQ(counter, portableCounter) << "round " << round;
  }
}

TEST(AesPrimitives, Sha1InstructionsOverManyBlocksAgreeWithThePortableCode) {
  if (!Sha1HasShaExtensions()) GTEST_SKIP() << "this processor has no SHA instructions";
  std::mt19937 rng(13);
  for (int round = 0; round < 500; ++round) {
    uint32_t a[5], b[5], w[16];
    for (auto& x : a) x = rng();
    std::copy(a, a + 5, b);
    Bytes data(64 * (rng() % 12));
    for (auto& x : data) x = uint8_t(rng());
    for (size_t at = 0; at < data.size(); at += 64) {
      for (int i = 0; i < 16; ++i)
        w[i] = uint32_t(data[at + 4 * size_t(i)]) << 24 | uint32_t(data[at + 4 * size_t(i) + 1]) << 16 |
               uint32_t(data[at + 4 * size_t(i) + 2]) << 8 | data[at + 4 * size_t(i) + 3];
      Sha1CompressPortable(a, w);
    }
    Sha1CompressBlocksWithShaExtensions(b, data.data(), data.size() / 64);
    ASSERT_TRUE(std::equal(a, a + 5, b)) << round;
  }
}

TEST(AesFraming, DecipheringInPiecesGivesTheSameAsInOne) {
  // Pieces that begin and end inside a block, and runs of whole blocks wider than the
  // instructions' batch, for each key length.
  std::mt19937 rng(5);
  const Bytes salt(16, 3);
  const std::string password = "pieces";
  for (int mode = 1; mode <= 3; ++mode) {
    Bytes cipher(5000);
    for (auto& b : cipher) b = uint8_t(rng());
    AesZipContext whole;
    uint8_t verifier[2];
    ASSERT_EQ(AesZipInit(mode, U(password), password.size(), whole, verifier, salt.data()), 0);
    Bytes once = cipher;
    AesZipDecrypt(once.data(), once.size(), whole);
    uint8_t macOnce[kAesZipMacLength];
    AesZipFinalMac(macOnce, whole);
    // The first block by hand: counter 1 under the entry's key.
    AesZipContext byHand;
    ASSERT_EQ(AesZipInit(mode, U(password), password.size(), byHand, verifier, salt.data()), 0);
    uint8_t counter[16] = {1}, keystream[16];
    AesEncryptBlock(byHand.Schedule, counter, keystream);
    for (int i = 0; i < 16; ++i) ASSERT_EQ(once[size_t(i)], cipher[size_t(i)] ^ keystream[i]) << mode;
    for (int trial = 0; trial < 20; ++trial) {
      AesZipContext pieces;
      ASSERT_EQ(AesZipInit(mode, U(password), password.size(), pieces, verifier, salt.data()), 0);
      Bytes data = cipher;
      for (size_t at = 0; at < data.size();) {
        const size_t n = std::min(data.size() - at, size_t(rng() % 300));
        AesZipDecrypt(data.data() + at, n, pieces);
        at += n;
      }
      uint8_t mac[kAesZipMacLength];
      AesZipFinalMac(mac, pieces);
      ASSERT_EQ(data, once) << "mode " << mode << " trial " << trial;
      ASSERT_EQ(Hex(mac, sizeof mac), Hex(macOnce, sizeof macOnce));
    }
  }
}

TEST(AesFraming, PasswordLengthLimitIs128Bytes) {
  AesZipContext ctx;
  uint8_t verifier[2];
  const Bytes salt(8, 1);
  const std::string at(128, 'p'), over(129, 'p');
  EXPECT_EQ(AesZipInit(1, U(at), at.size(), ctx, verifier, salt.data()), 0);
  EXPECT_EQ(AesZipInit(1, U(over), over.size(), ctx, verifier, salt.data()), -100);
  EXPECT_EQ(AesZipInit(0, U(at), at.size(), ctx, verifier, salt.data()), -1);
}

namespace {

struct PeerEntry {
  const char* archive;
  const char* name;
  const char* password;
  int mode;
  bool stored;
  uint32_t crc;  // of the plain data when stored
};

const PeerEntry kPeerEntries[] = {
    {"zip2/aes_archive.zip", "secret_data_128", "helloworld", 1, true, 0x5f29d461},
    {"zip2/aes_archive.zip", "secret_data_192", "helloworld", 2, true, 0x5f29d461},
    {"zip2/aes_archive.zip", "secret_data_256", "helloworld", 3, true, 0x5f29d461},
    {"libarchive/test_read_format_zip_winzip_aes256_stored.zip", "README", "password", 3, true, 0x864d90bb},
    {"libarchive/test_read_format_zip_winzip_aes128.zip", "README", "password", 1, false, 0},
    {"libarchive/test_read_format_zip_winzip_aes256.zip", "README", "password", 3, false, 0},
};

// Deciphers the entry in blocks of `block` bytes; returns the plain data and the MAC verdict.
bool RunEntry(const testutil::LocalEntry& e, const char* password, int mode, size_t block, Bytes& plain) {
  MemoryStream32 stream(e.Data.data(), e.Data.size());
  AesEntryDecryptor aes(&stream);
  int64_t headerBytes = 0;
  if (!aes.CheckPassword(password, mode, headerBytes)) return false;
  EXPECT_EQ(headerBytes, AesZipSaltLength(mode) + 2 + 10);
  plain.assign(e.Data.size() - size_t(headerBytes), 0);
  EXPECT_EQ(stream.Read(plain.data(), int64_t(plain.size())), int64_t(plain.size()));
  for (size_t at = 0; at < plain.size(); at += block)
    aes.DecryptBuffer(plain.data() + at, std::min(block, plain.size() - at));
  return aes.VerifyMac();
}

}  // namespace

TEST(AesFraming, PeerEntriesDecipherAndAuthenticateInAnyBlockSize) {
  for (const PeerEntry& p : kPeerEntries) {
    const auto zip = testutil::ReadAll(kPeers / p.archive);
    if (zip.empty()) GTEST_SKIP() << "peer archives not present";
    const auto e = testutil::FindLocalEntry(zip, p.name);
    ASSERT_TRUE(e) << p.archive;
    ASSERT_EQ(e->Method, 99);
    ASSERT_EQ(e->Extra.size() >= 11 ? e->Extra[8] : 0, p.mode);
    Bytes whole;
    ASSERT_TRUE(RunEntry(*e, p.password, p.mode, 1 << 20, whole)) << p.archive << " " << p.name;
    if (p.stored) {
      EXPECT_EQ(testutil::Crc32(whole), p.crc) << p.name;
    }
    for (size_t block : {size_t(1), size_t(15), size_t(16), size_t(17)}) {
      Bytes pieces;
      EXPECT_TRUE(RunEntry(*e, p.password, p.mode, block, pieces)) << p.name << " block " << block;
      EXPECT_EQ(pieces, whole) << p.name << " block " << block;
    }
  }
}

TEST(AesFraming, WrongPasswordRestoresPositionForTheNextCandidate) {
  const auto zip = testutil::ReadAll(kPeers / "zip2/aes_archive.zip");
  if (zip.empty()) GTEST_SKIP() << "peer archives not present";
  const auto e = testutil::FindLocalEntry(zip, "secret_data_256");
  ASSERT_TRUE(e);
  MemoryStream32 stream(e->Data.data(), e->Data.size());
  AesEntryDecryptor aes(&stream);
  int64_t headerBytes = -1;
  for (const std::string& wrong : {std::string(), std::string("helloworle"), std::string(129, 'x')}) {
    EXPECT_FALSE(aes.CheckPassword(wrong, 3, headerBytes)) << wrong.size();
    EXPECT_EQ(stream.Position(), 0);
  }
  EXPECT_FALSE(aes.CheckPassword("helloworld", 0, headerBytes));  // strength 0 is no AES entry
  EXPECT_FALSE(aes.VerifyMac());                                  // no password accepted
  AesEntryDecryptor noStream(nullptr);
  EXPECT_FALSE(noStream.CheckPassword("helloworld", 3, headerBytes));
  EXPECT_FALSE(noStream.VerifyMac());
  ASSERT_TRUE(aes.CheckPassword("helloworld", 3, headerBytes));
  EXPECT_EQ(stream.Position(), 18);
}

TEST(AesFraming, AlteredDataOrCodeAndShortEntriesFail) {
  const auto zip = testutil::ReadAll(kPeers / "zip2/aes_archive.zip");
  if (zip.empty()) GTEST_SKIP() << "peer archives not present";
  const auto e = testutil::FindLocalEntry(zip, "secret_data_128");
  ASSERT_TRUE(e);
  const size_t dataAt = 8 + 2, macAt = e->Data.size() - 10;
  Bytes plain;
  for (size_t at : {dataAt, macAt - 1, macAt, e->Data.size() - 1}) {
    auto altered = *e;
    altered.Data[at] ^= 0x01;
    EXPECT_FALSE(RunEntry(altered, "helloworld", 1, 64, plain)) << "byte " << at;
  }
  // Cut inside the salt, inside the verifier and inside the code: no read past the end.
  for (size_t keep : {size_t(5), size_t(9), e->Data.size() - 3}) {
    auto cut = *e;
    cut.Data.resize(keep);
    MemoryStream32 stream(cut.Data.data(), cut.Data.size());
    AesEntryDecryptor aes(&stream);
    int64_t headerBytes = 0;
    const bool accepted = aes.CheckPassword("helloworld", 1, headerBytes);
    EXPECT_EQ(accepted, keep > 10) << keep;
    if (!accepted) {
      EXPECT_EQ(stream.Position(), 0);
      continue;
    }
    Bytes body(keep - 10 - 7);
    stream.Read(body.data(), int64_t(body.size()));
    aes.DecryptBuffer(body.data(), body.size());
    EXPECT_FALSE(aes.VerifyMac());
  }
}
