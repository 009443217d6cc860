#pragma once
// Deciphers entries sealed with ZIP's traditional password cipher: three 32-bit key registers stirred through
// the CRC-32 table, each key-stream byte taken from the third. The 12-byte header in front of an entry's data
// ends in a byte that checks the password, so a wrong password is caught before any data is written. The
// library's own enciphered headers keep a register set apart from the entry data's, so reading a header never
// disturbs the stream of the entry being read.
//
// The registers belong to one reader (one extraction at a time), not to the process.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "archive/ArchiveExtractor.h"

namespace corvina::archive {

struct SeedKeyRecord {
  uint32_t Key0 = 0, Key1 = 0, Key2 = 0;
};

constexpr SeedKeyRecord kDataSeedDefaults{0x12345678u, 0x23456789u, 0x34567890u};
constexpr SeedKeyRecord kHeaderSeedDefaults{123987456u, 40506070u, 789456123u};
constexpr size_t kZipCryptHeaderLength = 12;

class ZipCrypto {
 public:
  ZipCrypto() = default;
  ~ZipCrypto();
  ZipCrypto(const ZipCrypto&) = delete;
  ZipCrypto& operator=(const ZipCrypto&) = delete;

  // Working and starting registers of each set, and the data registers saved after a password.
  SeedKeyRecord DataKeys = kDataSeedDefaults, DataStart = kDataSeedDefaults;
  SeedKeyRecord HeaderKeys = kHeaderSeedDefaults, HeaderStart = kHeaderSeedDefaults;
  SeedKeyRecord SavedDataKeys = kDataSeedDefaults;

  void UpdateKeys(bool headerSet, uint8_t c);
  uint8_t KeystreamByte(bool headerSet) const;
  // Sets the data working registers to the starting registers, then feeds every password byte; keeps a copy of
  // the result for the next entry. Returns 0.
  int InitKeys(std::string_view password);
  // Deciphers in place, updating the registers with each plain byte.
  void DecryptBuffer(bool headerSet, uint8_t* buffer, size_t count);
  // Sets the header working registers back to the header starting registers (before each enciphered header).
  void ResetHeaderKeys() { HeaderKeys = HeaderStart; }
  // Feeds the password, deciphers the 12 header bytes (a copy; the caller's bytes stay) and
  // compares the last plain byte with bits 8..15 of DosDateTime when flag bit 3 is set (sizes and
  // CRC follow the data), else with bits 24..31 of Crc32. An empty password is never accepted.
  // On success the data registers stand right behind the header.
  bool CheckEncryptionHeader(const uint8_t header[kZipCryptHeaderLength], uint16_t flags, uint32_t crc32,
                             uint32_t dosDateTime, std::string_view password);
  // Clears the registers that hold password-derived state (the working registers of both sets
  // and the saved copy) at the end of an entry or run; the starting registers are configuration
  // and stay. The destructor clears everything.
  void Wipe();
};

// The starting values of one register set (kind 0 data, 1 header), as callers see and set them. Setting a key sets
// both the starting and the working register, so a seed given before a run takes effect.
class SeedKeys {
 public:
  SeedKeys(ZipCrypto& registers, uint8_t kind) : Kind(kind), regs_(registers) { Reset(); }
  const uint8_t Kind;
  uint32_t Key0() const { return Get(0); }
  uint32_t Key1() const { return Get(1); }
  uint32_t Key2() const { return Get(2); }
  void SetKey1(uint32_t v) { Set(1, v); }
  void SetKey2(uint32_t v) { Set(2, v); }
  uint32_t Get(int index) const;
  void Set(int index, uint32_t value);
  SeedKeyRecord Record() const;
  void Assign(const SeedKeyRecord& keys);
  void Reset();

 private:
  ZipCrypto& regs_;
};

}  // namespace corvina::archive
