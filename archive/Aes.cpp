#include "archive/Aes.h"

#include <cstring>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#endif

#include "archive/ByteOrder.h"
#include "archive/Streams.h"

namespace corvina::archive {

namespace {

// The forward S-box and the combined SubBytes/MixColumns table, built once from the field
// arithmetic of the cipher's definition.
struct AesTables {
  uint8_t Sbox[256];
  uint32_t Te[256];  // column (2s, s, s, 3s), first byte in the high bits
  AesTables() {
    uint8_t p = 1, q = 1;
    Sbox[0] = 0x63;
    // p walks the field by powers of 3, q by powers of its inverse.
    do {
      p = uint8_t(p ^ (p << 1) ^ ((p & 0x80) ? 0x1B : 0));
      q ^= uint8_t(q << 1);
      q ^= uint8_t(q << 2);
      q ^= uint8_t(q << 4);
      if (q & 0x80) q ^= 0x09;
      const uint8_t x = uint8_t(q ^ Rotl8(q, 1) ^ Rotl8(q, 2) ^ Rotl8(q, 3) ^ Rotl8(q, 4));
      Sbox[p] = uint8_t(x ^ 0x63);
    } while (p != 1);
    for (int i = 0; i < 256; ++i) {
      const uint8_t s = Sbox[i];
      const uint8_t twice = uint8_t((s << 1) ^ ((s & 0x80) ? 0x1B : 0));
      const uint8_t thrice = uint8_t(twice ^ s);
      Te[i] = uint32_t(twice) << 24 | uint32_t(s) << 16 | uint32_t(s) << 8 | thrice;
    }
  }
  static uint8_t Rotl8(uint8_t x, int n) { return uint8_t((x << n) | (x >> (8 - n))); }
};

const AesTables& T() {
  static const AesTables tables;
  return tables;
}

uint32_t Ror(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

uint32_t SubWord(uint32_t w) {
  const uint8_t* s = T().Sbox;
  return uint32_t(s[w >> 24]) << 24 | uint32_t(s[(w >> 16) & 0xFF]) << 16 | uint32_t(s[(w >> 8) & 0xFF]) << 8 |
         s[w & 0xFF];
}

}  // namespace

int AesSetEncryptKey(const uint8_t* key, int keyLength, AesSchedule& schedule) {
  schedule = AesSchedule{};
  if (keyLength == 128 || keyLength == 192 || keyLength == 256) keyLength /= 8;
  if (keyLength != 16 && keyLength != 24 && keyLength != 32) return 0;
  const int nk = keyLength / 4;
  const int rounds = nk + 6;
  const int words = 4 * (rounds + 1);
  uint32_t* w = schedule.RoundKeys;
  for (int i = 0; i < nk; ++i) w[i] = Be32(key + 4 * i);
  uint8_t rcon = 1;
  for (int i = nk; i < words; ++i) {
    uint32_t t = w[i - 1];
    if (i % nk == 0) {
      t = SubWord((t << 8) | (t >> 24)) ^ (uint32_t(rcon) << 24);
      rcon = uint8_t((rcon << 1) ^ ((rcon & 0x80) ? 0x1B : 0));
    } else if (nk > 6 && i % nk == 4) {
      t = SubWord(t);
    }
    w[i] = w[i - nk] ^ t;
  }
  schedule.Rounds = rounds;
  return 1;
}

void AesEncryptBlock(const AesSchedule& schedule, const uint8_t in[16], uint8_t out[16]) {
  const AesTables& t = T();
  const uint32_t* rk = schedule.RoundKeys;
  uint32_t s[4], n[4];
  for (int c = 0; c < 4; ++c) s[c] = Be32(in + 4 * c) ^ rk[c];
  for (int r = 1; r < schedule.Rounds; ++r) {
    rk += 4;
    for (int c = 0; c < 4; ++c)
      n[c] = t.Te[s[c] >> 24] ^ Ror(t.Te[(s[(c + 1) & 3] >> 16) & 0xFF], 8) ^
             Ror(t.Te[(s[(c + 2) & 3] >> 8) & 0xFF], 16) ^ Ror(t.Te[s[(c + 3) & 3] & 0xFF], 24) ^ rk[c];
    std::memcpy(s, n, sizeof s);
  }
  rk += 4;
  for (int c = 0; c < 4; ++c) {
    const uint32_t v = uint32_t(t.Sbox[s[c] >> 24]) << 24 | uint32_t(t.Sbox[(s[(c + 1) & 3] >> 16) & 0xFF]) << 16 |
                       uint32_t(t.Sbox[(s[(c + 2) & 3] >> 8) & 0xFF]) << 8 | t.Sbox[s[(c + 3) & 3] & 0xFF];
    PutBe32(out + 4 * c, v ^ rk[c]);
  }
  SecureWipe(s, sizeof s);
  SecureWipe(n, sizeof n);
}

// ---------------------------------------------------------------- counter mode

namespace {

void StepCounter(uint8_t counter[16]) {
  for (int j = 0; j < 8 && ++counter[j] == 0; ++j) {
  }
}

}  // namespace

void AesCtrXor(const AesSchedule& schedule, uint8_t counter[16], uint8_t* data, size_t blocks) {
  // The processor's AES instructions where it has them: a large entry is deciphered block by
  // block, and the table code is several times slower.
  static const bool instructions = AesHasAesInstructions();
  if (instructions)
    AesCtrXorWithAesInstructions(schedule, counter, data, blocks);
  else
    AesCtrXorPortable(schedule, counter, data, blocks);
}

void AesCtrXorPortable(const AesSchedule& schedule, uint8_t counter[16], uint8_t* data, size_t blocks) {
  uint8_t keystream[16];
  for (; blocks; --blocks, data += 16) {
    StepCounter(counter);
    AesEncryptBlock(schedule, counter, keystream);
    for (int i = 0; i < 16; ++i) data[i] ^= keystream[i];
  }
  SecureWipe(keystream, sizeof keystream);
}

#if defined(__x86_64__) || defined(__i386__)
bool AesHasAesInstructions() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  // Leaf 1 ECX bit 25: AES; bits 9 and 19: SSSE3 and SSE4.1 for the shuffles.
  return __get_cpuid(1, &a, &b, &c, &d) && (c & (1u << 25)) && (c & (1u << 9)) && (c & (1u << 19));
}

__attribute__((target("aes,sse4.1,ssse3"))) void AesCtrXorWithAesInstructions(const AesSchedule& schedule,
                                                                              uint8_t counter[16], uint8_t* data,
                                                                              size_t blocks) {
  const int rounds = schedule.Rounds;
  // The schedule keeps words with the first byte in the high bits; the instructions want the
  // bytes in order, so each word is swapped once per call.
  const __m128i swap = _mm_set_epi8(12, 13, 14, 15, 8, 9, 10, 11, 4, 5, 6, 7, 0, 1, 2, 3);
  __m128i rk[15];
  for (int r = 0; r <= rounds; ++r)
    rk[r] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(schedule.RoundKeys + 4 * r)), swap);
  // The block number is the low 64-bit lane; the high lane stays as it is.
  __m128i ctr = _mm_loadu_si128(reinterpret_cast<const __m128i*>(counter));
  const __m128i one = _mm_set_epi64x(0, 1);
  auto* p = reinterpret_cast<__m128i*>(data);
  // Eight blocks at once: the rounds of independent blocks overlap in the pipeline.
  constexpr size_t kWide = 8;
  for (; blocks >= kWide; blocks -= kWide, p += kWide) {
    __m128i x[kWide];
#pragma GCC unroll 8
    for (size_t k = 0; k < kWide; ++k) {
      ctr = _mm_add_epi64(ctr, one);
      x[k] = _mm_xor_si128(ctr, rk[0]);
    }
    for (int r = 1; r < rounds; ++r) {
      const __m128i key = rk[r];
#pragma GCC unroll 8
      for (size_t k = 0; k < kWide; ++k) x[k] = _mm_aesenc_si128(x[k], key);
    }
#pragma GCC unroll 8
    for (size_t k = 0; k < kWide; ++k) {
      x[k] = _mm_aesenclast_si128(x[k], rk[rounds]);
      _mm_storeu_si128(p + k, _mm_xor_si128(_mm_loadu_si128(p + k), x[k]));
    }
  }
  for (; blocks; --blocks, ++p) {
    ctr = _mm_add_epi64(ctr, one);
    __m128i x = _mm_xor_si128(ctr, rk[0]);
    for (int r = 1; r < rounds; ++r) x = _mm_aesenc_si128(x, rk[r]);
    x = _mm_aesenclast_si128(x, rk[rounds]);
    _mm_storeu_si128(p, _mm_xor_si128(_mm_loadu_si128(p), x));
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(counter), ctr);
  SecureWipe(rk, sizeof rk);
}
#else
bool AesHasAesInstructions() { return false; }
void AesCtrXorWithAesInstructions(const AesSchedule& schedule, uint8_t counter[16], uint8_t* data, size_t blocks) {
  AesCtrXorPortable(schedule, counter, data, blocks);
}
#endif

// ---------------------------------------------------------------- entry framing

int AesZipKeyLength(int mode) {
  mode &= 3;
  return mode ? 8 * mode + 8 : 0;
}

int AesZipSaltLength(int mode) {
  mode &= 3;
  return mode ? 4 * mode + 4 : 0;
}

void AesZipContext::Wipe() {
  SecureWipe(Counter, sizeof Counter);
  SecureWipe(Keystream, sizeof Keystream);
  SecureWipe(&Schedule, sizeof Schedule);
  Mac.Wipe();
  Position = 16;
  PasswordLength = 0;
  Mode = 0;
}

int AesZipInit(int mode, const uint8_t* password, size_t passwordLength, AesZipContext& context, uint8_t verifier[2],
               const uint8_t* salt) {
  if (passwordLength > size_t(kAesZipMaxPassword)) return -100;
  context.Wipe();
  const int keyLength = AesZipKeyLength(mode);
  if (keyLength == 0) return -1;
  uint8_t material[2 * 32 + 2];
  const size_t materialLength = size_t(2 * keyLength + 2);
  Pbkdf2HmacSha1(password, passwordLength, salt, size_t(AesZipSaltLength(mode)), kAesZipIterations, material,
                 materialLength);
  AesSetEncryptKey(material, keyLength, context.Schedule);
  context.Mac.SetKey(material + keyLength, size_t(keyLength));
  verifier[0] = material[2 * keyLength];
  verifier[1] = material[2 * keyLength + 1];
  context.PasswordLength = passwordLength;
  context.Mode = mode & 3;
  SecureWipe(material, sizeof material);
  return 0;
}

void AesZipDecrypt(uint8_t* buffer, size_t length, AesZipContext& context) {
  context.Mac.Update(buffer, length);
  // The rest of a block begun by the last call, then whole blocks at once, then the start of
  // the next block.
  while (length && context.Position < 16) {
    *buffer++ ^= context.Keystream[context.Position++];
    --length;
  }
  const size_t whole = length / 16;
  if (whole) {
    // The first 8 counter bytes are a little-endian block number starting at 1.
    AesCtrXor(context.Schedule, context.Counter, buffer, whole);
    buffer += 16 * whole;
    length -= 16 * whole;
  }
  if (length) {
    StepCounter(context.Counter);
    AesEncryptBlock(context.Schedule, context.Counter, context.Keystream);
    context.Position = 0;
    while (length--) *buffer++ ^= context.Keystream[context.Position++];
  }
}

int AesZipFinalMac(uint8_t mac[kAesZipMacLength], AesZipContext& context) {
  context.Mac.Final(mac, kAesZipMacLength);
  return kAesZipMacLength;
}

// ---------------------------------------------------------------- AesEntryDecryptor

bool AesEntryDecryptor::CheckPassword(std::string_view password, int mode, int64_t& headerBytes) {
  headerBytes = 0;
  ready_ = false;
  context_.Wipe();
  if (password.empty() || !Stream || AesZipKeyLength(mode) == 0) return false;
  const int64_t start = Stream->Position();
  const int saltLength = AesZipSaltLength(mode);
  uint8_t salt[16], stored[2], computed[2];
  const int64_t gotSalt = Stream->Read(salt, saltLength);
  headerBytes = gotSalt > 0 ? gotSalt : 0;
  bool match = false;
  if (gotSalt == saltLength) {
    const auto* pw = reinterpret_cast<const uint8_t*>(password.data());
    if (AesZipInit(mode, pw, password.size(), context_, computed, salt) == 0) {
      const int64_t gotVerifier = Stream->Read(stored, 2);
      if (gotVerifier > 0) headerBytes += gotVerifier;
      match = gotVerifier == 2 && stored[0] == computed[0] && stored[1] == computed[1];
    }
  }
  SecureWipe(computed, sizeof computed);
  if (!match) {
    context_.Wipe();
    Stream->Seek(start, SeekOrigin::Beginning);
    return false;
  }
  headerBytes += kAesZipMacLength;
  ready_ = true;
  return true;
}

void AesEntryDecryptor::DecryptBuffer(uint8_t* buffer, size_t count) {
  if (ready_) AesZipDecrypt(buffer, count, context_);
}

bool AesEntryDecryptor::VerifyMac() {
  if (!ready_ || !Stream) return false;
  uint8_t computed[kAesZipMacLength], stored[kAesZipMacLength];
  AesZipFinalMac(computed, context_);
  const bool ok = Stream->Read(stored, kAesZipMacLength) == kAesZipMacLength &&
                  std::memcmp(computed, stored, kAesZipMacLength) == 0;
  context_.Wipe();
  ready_ = false;
  SecureWipe(computed, sizeof computed);
  return ok;
}

}  // namespace corvina::archive
