#include "archive/ZipCrypt.h"

#include "archive/Aes.h"
#include "archive/Crc.h"
#include "archive/Sha1.h"

namespace corvina::archive {

namespace {

// One step of the CRC-32 register (reflected 0xEDB88320), the same table as the entry CRC.
uint32_t Crc32Step(uint32_t key, uint8_t b) { return UpdateCrc32(&b, 1, key); }

}  // namespace

ZipCrypto::~ZipCrypto() {
  Wipe();
  SecureWipe(&DataStart, sizeof DataStart);
  SecureWipe(&HeaderStart, sizeof HeaderStart);
}

void ZipCrypto::Wipe() {
  SecureWipe(&DataKeys, sizeof DataKeys);
  SecureWipe(&HeaderKeys, sizeof HeaderKeys);
  SecureWipe(&SavedDataKeys, sizeof SavedDataKeys);
}

void ZipCrypto::UpdateKeys(bool headerSet, uint8_t c) {
  SeedKeyRecord& k = headerSet ? HeaderKeys : DataKeys;
  k.Key0 = Crc32Step(k.Key0, c);
  k.Key1 = (k.Key1 + (k.Key0 & 0xFF)) * 134775813u + 1;
  k.Key2 = Crc32Step(k.Key2, uint8_t(k.Key1 >> 24));
}

uint8_t ZipCrypto::KeystreamByte(bool headerSet) const {
  const uint32_t t = ((headerSet ? HeaderKeys : DataKeys).Key2 | 2) & 0xFFFF;
  return uint8_t((t * (t ^ 1)) >> 8);
}

int ZipCrypto::InitKeys(std::string_view password) {
  DataKeys = DataStart;
  for (const char c : password) UpdateKeys(false, uint8_t(c));
  SavedDataKeys = DataKeys;
  return 0;
}

void ZipCrypto::DecryptBuffer(bool headerSet, uint8_t* buffer, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    buffer[i] ^= KeystreamByte(headerSet);
    UpdateKeys(headerSet, buffer[i]);
  }
}

bool ZipCrypto::CheckEncryptionHeader(const uint8_t header[kZipCryptHeaderLength], uint16_t flags, uint32_t crc32,
                                      uint32_t dosDateTime, std::string_view password) {
  if (password.empty()) return false;
  InitKeys(password);
  uint8_t plain[kZipCryptHeaderLength];
  for (size_t i = 0; i < kZipCryptHeaderLength; ++i) plain[i] = header[i];
  DecryptBuffer(false, plain, kZipCryptHeaderLength);
  // With a data descriptor the CRC is not known when the header is written, so the writer uses
  // the high byte of the DOS time word instead.
  const uint8_t expected = (flags & 0x0008) ? uint8_t(dosDateTime >> 8) : uint8_t(crc32 >> 24);
  const bool ok = plain[kZipCryptHeaderLength - 1] == expected;
  SecureWipe(plain, sizeof plain);
  return ok;
}

// ---------------------------------------------------------------- SeedKeys

uint32_t SeedKeys::Get(int index) const {
  const SeedKeyRecord& k = Kind ? regs_.HeaderKeys : regs_.DataKeys;
  return index == 0 ? k.Key0 : index == 1 ? k.Key1 : k.Key2;
}

void SeedKeys::Set(int index, uint32_t value) {
  // The starting registers are what every password and header begins from; setting only the
  // working registers would leave a configured seed without effect.
  for (SeedKeyRecord* k : {Kind ? &regs_.HeaderKeys : &regs_.DataKeys, Kind ? &regs_.HeaderStart : &regs_.DataStart})
    (index == 0 ? k->Key0 : index == 1 ? k->Key1 : k->Key2) = value;
}

SeedKeyRecord SeedKeys::Record() const { return {Key0(), Key1(), Key2()}; }

void SeedKeys::Assign(const SeedKeyRecord& keys) {
  Set(0, keys.Key0);
  Set(1, keys.Key1);
  Set(2, keys.Key2);
}

void SeedKeys::Reset() {
  if (Kind) {
    regs_.HeaderKeys = regs_.HeaderStart = kHeaderSeedDefaults;
  } else {
    regs_.DataKeys = regs_.DataStart = kDataSeedDefaults;
  }
}

}  // namespace corvina::archive
