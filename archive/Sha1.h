#pragma once
// SHA-1 and HMAC-SHA1 for the AES entry encryption of ZIP archives (key derivation and the
// authentication code). Contexts wipe themselves once, when destroyed or when their key is
// dropped, not after every block: the key derivation runs thousands of blocks per entry.
#include <cstddef>
#include <cstdint>

namespace corvina::archive {

constexpr size_t kSha1DigestLength = 20;
constexpr size_t kSha1BlockLength = 64;

class Sha1 {
 public:
  Sha1() { Init(); }
  ~Sha1();
  void Init();
  void Update(const uint8_t* data, size_t length);
  void Final(uint8_t digest[kSha1DigestLength]);  // leaves the context ready for a new message
 private:
  friend class HmacSha1;
  void Compress(const uint8_t block[kSha1BlockLength]);
  void CompressBlocks(const uint8_t* data, size_t blocks);
  // One block given as big-endian words; the words are used up as the message schedule.
  static void CompressWords(uint32_t state[5], uint32_t w[16]);
  uint64_t byteCount_ = 0;
  uint32_t state_[5] = {};
  uint8_t buffer_[kSha1BlockLength] = {};
};

class HmacSha1 {
 public:
  ~HmacSha1();
  // Keys longer than one block are replaced by their digest.
  void SetKey(const uint8_t* key, size_t length);
  void Update(const uint8_t* data, size_t length);
  // Writes the first min(length, 20) bytes of the code; the key stays, so the next message can
  // follow at once.
  void Final(uint8_t* mac, size_t length);
  void Wipe();
  // The code of a message that is one digest (as five words), written over it: one iteration
  // of the key derivation, two blocks from the kept key states.
  void MacOfDigest(uint32_t digest[5]) const;

 private:
  // The states after the key's inner and outer pads, hashed once per key.
  uint32_t innerStart_[5] = {}, outerStart_[5] = {};
  Sha1 inner_, outer_;
};

// Blocks compressed so far by this thread (for measuring what a derivation costs).
uint64_t Sha1BlocksCompressed();

// The two ways of compressing one block (given as big-endian words, used up as the schedule):
// portable code, and the processor's SHA instructions where Sha1HasShaExtensions says they exist.
// Sha1 picks one; tests hold them against each other.
bool Sha1HasShaExtensions();
void Sha1CompressPortable(uint32_t state[5], uint32_t w[16]);
void Sha1CompressWithShaExtensions(uint32_t state[5], uint32_t w[16]);
// Whole 64-byte blocks of a message, one after the other, with the SHA instructions.
void Sha1CompressBlocksWithShaExtensions(uint32_t state[5], const uint8_t* data, size_t blocks);

// PBKDF2 with HMAC-SHA1: blocks of 20 bytes, the last one cut to the requested length.
void Pbkdf2HmacSha1(const uint8_t* password, size_t passwordLength, const uint8_t* salt, size_t saltLength,
                    unsigned iterations, uint8_t* out, size_t outLength);

// Overwrites memory that held key material in a way the optimiser keeps.
void SecureWipe(void* data, size_t length);

}  // namespace corvina::archive
