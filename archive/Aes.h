#pragma once
// AES entry encryption of ZIP archives in the WinZip AE-1 / AE-2 framing: salt, 2-byte password
// verifier, AES-CTR data with a little-endian counter, 10-byte HMAC-SHA1 authentication code.
//
// Strength mode 1, 2, 3 = 128-, 192-, 256-bit key (only the low 2 bits count; 0 is refused).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "archive/Sha1.h"

namespace corvina::archive {

class Stream32;

// ---- the forward block cipher (counter mode needs no inverse)
struct AesSchedule {
  uint32_t RoundKeys[60] = {};
  int Rounds = 0;  // 0: unusable (a refused key length)
};
// Length in bytes (16, 24, 32) or bits (128, 192, 256); any other gives 0 and an unusable schedule.
int AesSetEncryptKey(const uint8_t* key, int keyLength, AesSchedule& schedule);
void AesEncryptBlock(const AesSchedule& schedule, const uint8_t in[16], uint8_t out[16]);

// Counter mode: XORs `blocks` whole blocks of data with the cipher of successive counter blocks,
// the first 8 counter bytes a little-endian number that steps by one per block (wrapping within
// those 8 bytes), the rest unchanged. The counter is left at the last block used. Two ways of
// doing it: portable code, and the processor's AES instructions where AesHasAesInstructions says
// they exist; AesCtrXor picks one, tests hold them against each other.
void AesCtrXor(const AesSchedule& schedule, uint8_t counter[16], uint8_t* data, size_t blocks);
bool AesHasAesInstructions();
void AesCtrXorPortable(const AesSchedule& schedule, uint8_t counter[16], uint8_t* data, size_t blocks);
void AesCtrXorWithAesInstructions(const AesSchedule& schedule, uint8_t counter[16], uint8_t* data, size_t blocks);

// ---- entry framing
constexpr int kAesZipMacLength = 10;
constexpr int kAesZipVerifierLength = 2;
constexpr int kAesZipMaxPassword = 128;
constexpr int kAesZipIterations = 1000;
int AesZipKeyLength(int mode);   // 16 / 24 / 32; 0 for mode 0
int AesZipSaltLength(int mode);  // 8 / 12 / 16; 0 for mode 0

struct AesZipContext {
  uint8_t Counter[16] = {};
  uint8_t Keystream[16] = {};
  unsigned Position = 16;  // 16: keystream block used up
  AesSchedule Schedule;
  HmacSha1 Mac;
  size_t PasswordLength = 0;
  int Mode = 0;
  ~AesZipContext() { Wipe(); }
  void Wipe();
};

// Derives the keys (PBKDF2, 1000 iterations, 2 x key length + 2 bytes) and returns 0 with the
// 2-byte verifier; -100 for a password over 128 bytes, -1 for a mode whose key length is refused.
int AesZipInit(int mode, const uint8_t* password, size_t passwordLength, AesZipContext& context, uint8_t verifier[2],
               const uint8_t* salt);
// HMAC over the ciphertext, then XOR with the keystream in place; any block length.
void AesZipDecrypt(uint8_t* buffer, size_t length, AesZipContext& context);
// Writes the 10-byte authentication code; returns 10.
int AesZipFinalMac(uint8_t mac[kAesZipMacLength], AesZipContext& context);

// One encrypted entry at a time on the archive stream: salt and verifier in front of the data,
// the authentication code right behind it.
class AesEntryDecryptor {
 public:
  explicit AesEntryDecryptor(Stream32* archive) : Stream(archive) {}
  // The reader points this at the new stream after a volume switch.
  Stream32* Stream;

  // Reads salt and verifier at the stream position and tests the password. On a match the stream
  // stands at the first encrypted byte and HeaderBytes = salt + 2 + 10 (the bytes the entry's
  // compressed size holds beyond its data); otherwise the position is restored. An empty password,
  // a password over 128 bytes, a mode outside 1..3 or a short read return false.
  bool CheckPassword(std::string_view password, int mode, int64_t& headerBytes);
  void DecryptBuffer(uint8_t* buffer, size_t count);
  // Finishes the code, reads the stored 10 bytes at the stream position and compares; the key
  // material is wiped afterwards. Returns false also when no password was accepted or the read is short.
  bool VerifyMac();

 private:
  AesZipContext context_;
  bool ready_ = false;
};

}  // namespace corvina::archive
