// The traditional ZIP cipher: header check by CRC or time byte, password handling, deciphering of
// real archive data and the seed registers.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "archive/ZipCrypt.h"
#include "tests/archive/ArchiveTestUtil.h"
#include "tests/archive/LocalEntryWalk.h"

using namespace corvina::archive;
using testutil::Bytes;

namespace {

const std::filesystem::path kPeers = std::filesystem::path(CORVINA_TESTDATA) / "zip-peers";

}  // namespace

TEST(ZipCrypt, HeaderCheckUsesCrcOrTimeByteAndRefusesOtherPasswords) {
  const uint32_t crc = 0xA1B2C3D4, dosDateTime = 0x5A215E3Cu;  // time word 0x5E3C
  struct Case {
    uint16_t flags;
    uint8_t checkByte;
    std::string tried;
    bool accepted;
  } cases[] = {
      {0x0001, 0xA1, "secret", true},   // CRC bits 24..31
      {0x0009, 0x5E, "secret", true},   // descriptor: high byte of the time word
      {0x0009, 0xA1, "secret", false},  // descriptor present: the CRC byte no longer counts
      {0x0001, 0x5E, "secret", false},  {0x0001, 0xA1, "Secret", false}, {0x0001, 0xA1, "secre", false},
      {0x0001, 0xA1, "secret1", false}, {0x0001, 0xA1, "", false},  // an empty password is never accepted
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tried + " flags " + std::to_string(c.flags));
    const Bytes enc = testutil::ZipEncipher("secret", c.checkByte, {});
    ZipCrypto crypto;
    EXPECT_EQ(crypto.CheckEncryptionHeader(enc.data(), c.flags, crc, dosDateTime, c.tried), c.accepted);
  }
}

TEST(ZipCrypt, AcceptedHeaderLeavesRegistersAtTheDataInAnyBlockSize) {
  const Bytes data = testutil::Text("The quick brown fox jumps over the lazy dog, twice over.");
  const Bytes enc = testutil::ZipEncipher("pw", 0x12, data);
  for (size_t block : {size_t(1), size_t(7), size_t(16), data.size()}) {
    ZipCrypto crypto;
    ASSERT_TRUE(crypto.CheckEncryptionHeader(enc.data(), 0, 0x12000000u, 0, "pw"));
    Bytes body(enc.begin() + 12, enc.end());
    for (size_t at = 0; at < body.size(); at += block)
      crypto.DecryptBuffer(false, body.data() + at, std::min(block, body.size() - at));
    EXPECT_EQ(body, data) << "block " << block;
  }
}

TEST(ZipCrypt, DeciphersPeerArchiveEntryWrittenWithDataDescriptor) {
  const auto zip = testutil::ReadAll(kPeers / "libarchive/test_read_format_zip_traditional_encryption_data.zip");
  if (zip.empty()) GTEST_SKIP() << "peer archives not present";
  const auto entry = testutil::FindLocalEntry(zip, "bar.txt");
  ASSERT_TRUE(entry);
  ASSERT_EQ(entry->Flags & 0x0009, 0x0009);
  ASSERT_EQ(entry->Data.size(), 29u);
  ZipCrypto crypto;
  EXPECT_FALSE(crypto.CheckEncryptionHeader(entry->Data.data(), entry->Flags, entry->Crc, entry->Time, "1234567"));
  ASSERT_TRUE(crypto.CheckEncryptionHeader(entry->Data.data(), entry->Flags, entry->Crc, entry->Time, "12345678"));
  Bytes body(entry->Data.begin() + 12, entry->Data.end());
  crypto.DecryptBuffer(false, body.data(), body.size());
  // The raw deflate stream of the 495-byte text (CRC 0xA4D8FD47).
  const Bytes expected = {0x4b, 0x4c, 0x24, 0x07, 0x70, 0x91, 0xa5, 0x6b, 0x88,
                          0x68, 0x4b, 0x22, 0x0b, 0x0c, 0x0d, 0x6d, 0x00};
  EXPECT_EQ(body, expected);
}

TEST(ZipCrypt, SeedKeysSetTheStartingRegistersOfTheirOwnSetOnly) {
  ZipCrypto crypto;
  SeedKeys data(crypto, 0), header(crypto, 1);
  EXPECT_EQ(data.Key0(), 0x12345678u);
  EXPECT_EQ(data.Key2(), 0x34567890u);
  EXPECT_EQ(header.Key0(), 123987456u);
  EXPECT_EQ(header.Key1(), 40506070u);
  EXPECT_EQ(header.Key2(), 789456123u);

  // A configured data seed changes what a password starts from.
  const Bytes enc = testutil::ZipEncipher("pw", 0x77, {});
  data.SetKey1(1);
  EXPECT_EQ(crypto.DataStart.Key1, 1u);
  EXPECT_EQ(header.Key1(), 40506070u);
  EXPECT_FALSE(crypto.CheckEncryptionHeader(enc.data(), 0, 0x77000000u, 0, "pw"));
  data.Reset();
  EXPECT_TRUE(crypto.CheckEncryptionHeader(enc.data(), 0, 0x77000000u, 0, "pw"));

  // The header set restarts from its own seed before each enciphered header.
  header.Assign({1, 2, 3});
  crypto.UpdateKeys(true, 0x41);
  crypto.ResetHeaderKeys();
  EXPECT_EQ(header.Record().Key0, 1u);
  EXPECT_EQ(header.Record().Key2, 3u);
  EXPECT_EQ(crypto.DataStart.Key0, 0x12345678u);

  // Wiping after a run keeps the configured seeds.
  data.SetKey2(9);
  crypto.InitKeys("pw");
  crypto.Wipe();
  EXPECT_EQ(crypto.DataKeys.Key0, 0u);
  EXPECT_EQ(crypto.SavedDataKeys.Key1, 0u);
  EXPECT_EQ(crypto.DataStart.Key2, 9u);
  EXPECT_EQ(crypto.HeaderStart.Key0, 1u);

  // Each set goes back to its own defaults, the other keeping what it was given.
  header.Reset();
  EXPECT_EQ(header.Record().Key0, 123987456u);
  EXPECT_EQ(header.Record().Key1, 40506070u);
  EXPECT_EQ(header.Record().Key2, 789456123u);
  EXPECT_EQ(crypto.DataStart.Key2, 9u);
  data.Reset();
  EXPECT_EQ(data.Key2(), 0x34567890u);
  EXPECT_EQ(header.Key0(), 123987456u);
}
