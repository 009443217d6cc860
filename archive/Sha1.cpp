#include "archive/Sha1.h"

#include <string.h>
#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#endif

#include "archive/ByteOrder.h"

namespace corvina::archive {

namespace {

uint32_t Rol(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

thread_local uint64_t blocksCompressed = 0;

}  // namespace

void SecureWipe(void* data, size_t length) { ::explicit_bzero(data, length); }

uint64_t Sha1BlocksCompressed() { return blocksCompressed; }

// ---------------------------------------------------------------- SHA-1

Sha1::~Sha1() { SecureWipe(this, sizeof *this); }

void Sha1::Init() {
  byteCount_ = 0;
  state_[0] = 0x67452301u;
  state_[1] = 0xEFCDAB89u;
  state_[2] = 0x98BADCFEu;
  state_[3] = 0x10325476u;
  state_[4] = 0xC3D2E1F0u;
}

void Sha1::Compress(const uint8_t block[kSha1BlockLength]) {
  uint32_t w[16];
  for (int i = 0; i < 16; ++i) w[i] = Be32(block + 4 * i);
  CompressWords(state_, w);
}

namespace {

// The processor's SHA instructions where it has them: the key derivation of every AES entry runs
// thousands of blocks, and its authentication code hashes all of the entry's data.
bool UseShaExtensions() {
  static const bool extensions = Sha1HasShaExtensions();
  return extensions;
}

}  // namespace

void Sha1::CompressBlocks(const uint8_t* data, size_t blocks) {
  if (!UseShaExtensions()) {
    for (; blocks; --blocks, data += kSha1BlockLength) Compress(data);
    return;
  }
  blocksCompressed += blocks;
  Sha1CompressBlocksWithShaExtensions(state_, data, blocks);
}

void Sha1::CompressWords(uint32_t state[5], uint32_t w[16]) {
  ++blocksCompressed;
  if (UseShaExtensions())
    Sha1CompressWithShaExtensions(state, w);
  else
    Sha1CompressPortable(state, w);
}

void Sha1CompressPortable(uint32_t state[5], uint32_t w[16]) {
  // The message schedule is kept as a ring of 16 words (the caller's, overwritten), the rounds
  // unrolled five at a time so that the variables rotate by name instead of by copying.
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
  auto next = [&w](int i) {
    const uint32_t v = Rol(w[(i + 13) & 15] ^ w[(i + 8) & 15] ^ w[(i + 2) & 15] ^ w[i & 15], 1);
    w[i & 15] = v;
    return v;
  };
  auto word = [&](int i) { return i < 16 ? w[i] : next(i); };
#define CORVINA_SHA1_ROUND(f, k, a, b, c, d, e, i) \
  do {                                             \
    e += Rol(a, 5) + (f) + (k) + word(i);          \
    b = Rol(b, 30);                                \
  } while (0)
#define CORVINA_SHA1_FIVE(f, k, i)                             \
  {                                                            \
    CORVINA_SHA1_ROUND(f(b, c, d), k, a, b, c, d, e, (i));     \
    CORVINA_SHA1_ROUND(f(a, b, c), k, e, a, b, c, d, (i) + 1); \
    CORVINA_SHA1_ROUND(f(e, a, b), k, d, e, a, b, c, (i) + 2); \
    CORVINA_SHA1_ROUND(f(d, e, a), k, c, d, e, a, b, (i) + 3); \
    CORVINA_SHA1_ROUND(f(c, d, e), k, b, c, d, e, a, (i) + 4); \
  }
  auto choose = [](uint32_t x, uint32_t y, uint32_t z) { return z ^ (x & (y ^ z)); };
  auto parity = [](uint32_t x, uint32_t y, uint32_t z) { return x ^ y ^ z; };
  auto majority = [](uint32_t x, uint32_t y, uint32_t z) { return (x & y) | (z & (x | y)); };
  for (int i = 0; i < 20; i += 5) CORVINA_SHA1_FIVE(choose, 0x5A827999u, i)
  for (int i = 20; i < 40; i += 5) CORVINA_SHA1_FIVE(parity, 0x6ED9EBA1u, i)
  for (int i = 40; i < 60; i += 5) CORVINA_SHA1_FIVE(majority, 0x8F1BBCDCu, i)
  for (int i = 60; i < 80; i += 5) CORVINA_SHA1_FIVE(parity, 0xCA62C1D6u, i)
#undef CORVINA_SHA1_FIVE
#undef CORVINA_SHA1_ROUND
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
  state[4] += e;
}

#if defined(__x86_64__) || defined(__i386__)
bool Sha1HasShaExtensions() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  // Leaf 7 EBX bit 29: SHA; leaf 1 ECX bits 9 and 19: SSSE3 and SSE4.1 for the shuffles.
  if (!__get_cpuid_count(7, 0, &a, &b, &c, &d) || !(b & (1u << 29))) return false;
  return __get_cpuid(1, &a, &b, &c, &d) && (c & (1u << 9)) && (c & (1u << 19));
}

namespace {

// One block's 80 rounds on the lanes: A in lane 3 of abcd, E in lane 3 of e, the first message
// word in lane 3 of m[0]; abcd and e receive the state after the block.
__attribute__((target("sha,sse4.1,ssse3"), always_inline)) inline void ShaRounds(__m128i& abcd, __m128i& e,
                                                                                 __m128i m[4]) {
  const __m128i abcdSave = abcd;
  __m128i before = abcd;
  // Four rounds a group; each group's words follow from the four groups before it.
#define CORVINA_SHA1_GROUP(g, f)                                                                                \
  {                                                                                                             \
    if ((g) >= 4)                                                                                               \
      m[(g) % 4] = _mm_sha1msg2_epu32(                                                                          \
          _mm_xor_si128(_mm_sha1msg1_epu32(m[(g) % 4], m[((g) + 1) % 4]), m[((g) + 2) % 4]), m[((g) + 3) % 4]); \
    const __m128i ew = (g) == 0 ? _mm_add_epi32(e, m[0]) : _mm_sha1nexte_epu32(before, m[(g) % 4]);             \
    before = abcd;                                                                                              \
    abcd = _mm_sha1rnds4_epu32(abcd, ew, f);                                                                    \
  }
  for (int g = 0; g < 5; ++g) CORVINA_SHA1_GROUP(g, 0)
  for (int g = 5; g < 10; ++g) CORVINA_SHA1_GROUP(g, 1)
  for (int g = 10; g < 15; ++g) CORVINA_SHA1_GROUP(g, 2)
  for (int g = 15; g < 20; ++g) CORVINA_SHA1_GROUP(g, 3)
#undef CORVINA_SHA1_GROUP
  e = _mm_sha1nexte_epu32(before, e);
  abcd = _mm_add_epi32(abcd, abcdSave);
}

}  // namespace

__attribute__((target("sha,sse4.1,ssse3"))) void Sha1CompressWithShaExtensions(uint32_t state[5], uint32_t w[16]) {
  // Lanes hold words from the highest down.
  __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
  __m128i e = _mm_set_epi32(int(state[4]), 0, 0, 0);
  __m128i m[4];
  for (int i = 0; i < 4; ++i)
    m[i] = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(w + 4 * i)), 0x1B);
  ShaRounds(abcd, e, m);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
  state[4] = uint32_t(_mm_extract_epi32(e, 3));
}

__attribute__((target("sha,sse4.1,ssse3"))) void Sha1CompressBlocksWithShaExtensions(uint32_t state[5],
                                                                                     const uint8_t* data,
                                                                                     size_t blocks) {
  // The state stays in the lanes from block to block; each group of four big-endian words is
  // loaded in one reversing shuffle.
  const __m128i reverse = _mm_set_epi64x(0x0001020304050607LL, 0x08090A0B0C0D0E0FLL);
  __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
  __m128i e = _mm_set_epi32(int(state[4]), 0, 0, 0);
  for (; blocks; --blocks, data += kSha1BlockLength) {
    __m128i m[4];
    for (int i = 0; i < 4; ++i)
      m[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i)), reverse);
    ShaRounds(abcd, e, m);
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
  state[4] = uint32_t(_mm_extract_epi32(e, 3));
}
#else
bool Sha1HasShaExtensions() { return false; }
void Sha1CompressWithShaExtensions(uint32_t state[5], uint32_t w[16]) { Sha1CompressPortable(state, w); }
void Sha1CompressBlocksWithShaExtensions(uint32_t state[5], const uint8_t* data, size_t blocks) {
  uint32_t w[16];
  for (; blocks; --blocks, data += kSha1BlockLength) {
    for (int i = 0; i < 16; ++i) w[i] = Be32(data + 4 * i);
    Sha1CompressPortable(state, w);
  }
}
#endif

void Sha1::Update(const uint8_t* data, size_t length) {
  size_t used = size_t(byteCount_ % kSha1BlockLength);
  byteCount_ += length;
  if (used) {
    const size_t take = std::min(length, kSha1BlockLength - used);
    std::memcpy(buffer_ + used, data, take);
    data += take;
    length -= take;
    used += take;
    if (used < kSha1BlockLength) return;
    Compress(buffer_);
  }
  const size_t whole = length / kSha1BlockLength;
  CompressBlocks(data, whole);
  data += whole * kSha1BlockLength;
  length -= whole * kSha1BlockLength;
  if (length) std::memcpy(buffer_, data, length);
}

void Sha1::Final(uint8_t digest[kSha1DigestLength]) {
  // The padding is written straight into the block buffer: one or two compressions, no more.
  const uint64_t bits = byteCount_ * 8;
  size_t used = size_t(byteCount_ % kSha1BlockLength);
  buffer_[used++] = 0x80;
  if (used > 56) {
    std::memset(buffer_ + used, 0, kSha1BlockLength - used);
    Compress(buffer_);
    used = 0;
  }
  std::memset(buffer_ + used, 0, 56 - used);
  for (int i = 0; i < 8; ++i) buffer_[56 + i] = uint8_t(bits >> (56 - 8 * i));
  Compress(buffer_);
  for (int i = 0; i < 5; ++i) PutBe32(digest + 4 * i, state_[i]);
  Init();
}

// ---------------------------------------------------------------- HMAC-SHA1

HmacSha1::~HmacSha1() { Wipe(); }

void HmacSha1::Wipe() {
  SecureWipe(innerStart_, sizeof innerStart_);
  SecureWipe(outerStart_, sizeof outerStart_);
  SecureWipe(&inner_, sizeof inner_);
  SecureWipe(&outer_, sizeof outer_);
  inner_.Init();
}

void HmacSha1::SetKey(const uint8_t* key, size_t length) {
  uint8_t keyBlock[kSha1BlockLength] = {};
  if (length > kSha1BlockLength) {
    Sha1 h;
    h.Update(key, length);
    h.Final(keyBlock);
  } else if (length) {
    std::memcpy(keyBlock, key, length);
  }
  uint8_t pad[kSha1BlockLength];
  for (size_t i = 0; i < kSha1BlockLength; ++i) pad[i] = keyBlock[i] ^ 0x36;
  inner_.Init();
  inner_.Compress(pad);
  std::memcpy(innerStart_, inner_.state_, sizeof innerStart_);
  for (size_t i = 0; i < kSha1BlockLength; ++i) pad[i] = keyBlock[i] ^ 0x5C;
  outer_.Init();
  outer_.Compress(pad);
  std::memcpy(outerStart_, outer_.state_, sizeof outerStart_);
  inner_.byteCount_ = kSha1BlockLength;
  SecureWipe(pad, sizeof pad);
  SecureWipe(keyBlock, sizeof keyBlock);
}

void HmacSha1::Update(const uint8_t* data, size_t length) { inner_.Update(data, length); }

void HmacSha1::Final(uint8_t* mac, size_t length) {
  uint8_t digest[kSha1DigestLength];
  inner_.Final(digest);
  std::memcpy(outer_.state_, outerStart_, sizeof outerStart_);
  outer_.byteCount_ = kSha1BlockLength;
  outer_.Update(digest, sizeof digest);
  outer_.Final(digest);
  std::memcpy(mac, digest, std::min(length, kSha1DigestLength));
  SecureWipe(digest, sizeof digest);
  // Ready for the next message under the same key.
  std::memcpy(inner_.state_, innerStart_, sizeof innerStart_);
  inner_.byteCount_ = kSha1BlockLength;
}

// ---------------------------------------------------------------- PBKDF2

void HmacSha1::MacOfDigest(uint32_t digest[5]) const {
  // The message is one digest after the padded key block: 84 bytes in all, so its padding and
  // length fill out a single block, laid out here once as words.
  uint32_t w[16] = {digest[0], digest[1], digest[2], digest[3], digest[4], 0x80000000u};
  w[15] = uint32_t((kSha1BlockLength + kSha1DigestLength) * 8);
  uint32_t state[5];
  std::memcpy(state, innerStart_, sizeof state);
  Sha1::CompressWords(state, w);
  std::memcpy(w, state, sizeof state);
  std::fill(w + 5, w + 15, 0u);
  w[5] = 0x80000000u;
  w[15] = uint32_t((kSha1BlockLength + kSha1DigestLength) * 8);
  std::memcpy(digest, outerStart_, sizeof state);
  Sha1::CompressWords(digest, w);
  SecureWipe(w, sizeof w);
  SecureWipe(state, sizeof state);
}

void Pbkdf2HmacSha1(const uint8_t* password, size_t passwordLength, const uint8_t* salt, size_t saltLength,
                    unsigned iterations, uint8_t* out, size_t outLength) {
  HmacSha1 prf;
  prf.SetKey(password, passwordLength);
  uint8_t first[kSha1DigestLength];
  uint32_t u[5], t[5];
  for (uint32_t block = 1; outLength > 0; ++block) {
    uint8_t index[4];
    PutBe32(index, block);
    prf.Update(salt, saltLength);
    prf.Update(index, 4);
    prf.Final(first, sizeof first);
    for (int k = 0; k < 5; ++k) t[k] = u[k] = Be32(first + 4 * k);
    // Every further iteration is the code of the previous one's 20 bytes: two blocks.
    for (unsigned j = 1; j < iterations; ++j) {
      prf.MacOfDigest(u);
      for (int k = 0; k < 5; ++k) t[k] ^= u[k];
    }
    for (int k = 0; k < 5; ++k) PutBe32(first + 4 * k, t[k]);
    const size_t take = std::min(outLength, sizeof first);
    std::memcpy(out, first, take);
    out += take;
    outLength -= take;
  }
  SecureWipe(first, sizeof first);
  SecureWipe(u, sizeof u);
  SecureWipe(t, sizeof t);
}

}  // namespace corvina::archive
