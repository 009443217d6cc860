#include "archive/Sha1.h"

#include <algorithm>
#include <cstring>

#include "archive/ByteOrder.h"

namespace corvina::archive {

namespace {

uint32_t Rol(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

}  // namespace

void SecureWipe(void* data, size_t length)
{
    volatile auto* p = static_cast<volatile uint8_t*>(data);
    while (length--) *p++ = 0;
}

// ---------------------------------------------------------------- SHA-1

TSha1::~TSha1() { SecureWipe(this, sizeof *this); }

void TSha1::Init()
{
    ByteCount = 0;
    State[0] = 0x67452301u;
    State[1] = 0xEFCDAB89u;
    State[2] = 0x98BADCFEu;
    State[3] = 0x10325476u;
    State[4] = 0xC3D2E1F0u;
}

void TSha1::Compress(const uint8_t block[kSha1BlockLength])
{
    uint32_t w[80];
    for (int i = 0; i < 16; ++i) w[i] = Be32(block + 4 * i);
    for (int i = 16; i < 80; ++i) w[i] = Rol(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    uint32_t a = State[0], b = State[1], c = State[2], d = State[3], e = State[4];
    for (int i = 0; i < 80; ++i) {
        uint32_t f, k;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999u;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1u;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDCu;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6u;
        }
        const uint32_t t = Rol(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = Rol(b, 30);
        b = a;
        a = t;
    }
    State[0] += a;
    State[1] += b;
    State[2] += c;
    State[3] += d;
    State[4] += e;
    SecureWipe(w, sizeof w);
}

void TSha1::Update(const uint8_t* data, size_t length)
{
    size_t used = size_t(ByteCount % kSha1BlockLength);
    ByteCount += length;
    if (used) {
        const size_t take = std::min(length, kSha1BlockLength - used);
        std::memcpy(Buffer + used, data, take);
        data += take;
        length -= take;
        used += take;
        if (used < kSha1BlockLength) return;
        Compress(Buffer);
    }
    for (; length >= kSha1BlockLength; data += kSha1BlockLength, length -= kSha1BlockLength) Compress(data);
    if (length) std::memcpy(Buffer, data, length);
}

void TSha1::Final(uint8_t digest[kSha1DigestLength])
{
    const uint64_t bits = ByteCount * 8;
    static const uint8_t pad[kSha1BlockLength] = {0x80};
    const size_t used = size_t(ByteCount % kSha1BlockLength);
    Update(pad, used < 56 ? 56 - used : 120 - used);
    uint8_t length[8];
    for (int i = 0; i < 8; ++i) length[i] = uint8_t(bits >> (56 - 8 * i));
    Update(length, 8);
    for (int i = 0; i < 5; ++i) PutBe32(digest + 4 * i, State[i]);
    SecureWipe(this, sizeof *this);
    Init();
}

// ---------------------------------------------------------------- HMAC-SHA1

THmacSha1::~THmacSha1() { Wipe(); }

void THmacSha1::Wipe()
{
    SecureWipe(KeyBlock, sizeof KeyBlock);
    Inner.Init();
}

void THmacSha1::SetKey(const uint8_t* key, size_t length)
{
    std::memset(KeyBlock, 0, sizeof KeyBlock);
    if (length > kSha1BlockLength) {
        TSha1 h;
        h.Update(key, length);
        h.Final(KeyBlock);
    } else if (length) {
        std::memcpy(KeyBlock, key, length);
    }
    uint8_t pad[kSha1BlockLength];
    for (size_t i = 0; i < kSha1BlockLength; ++i) pad[i] = KeyBlock[i] ^ 0x36;
    Inner.Init();
    Inner.Update(pad, sizeof pad);
    SecureWipe(pad, sizeof pad);
}

void THmacSha1::Update(const uint8_t* data, size_t length) { Inner.Update(data, length); }

void THmacSha1::Final(uint8_t* mac, size_t length)
{
    uint8_t digest[kSha1DigestLength];
    Inner.Final(digest);
    uint8_t pad[kSha1BlockLength];
    for (size_t i = 0; i < kSha1BlockLength; ++i) pad[i] = KeyBlock[i] ^ 0x5C;
    TSha1 outer;
    outer.Update(pad, sizeof pad);
    outer.Update(digest, sizeof digest);
    outer.Final(digest);
    std::memcpy(mac, digest, std::min(length, kSha1DigestLength));
    // Ready for the next message under the same key.
    for (size_t i = 0; i < kSha1BlockLength; ++i) pad[i] = KeyBlock[i] ^ 0x36;
    Inner.Update(pad, sizeof pad);
    SecureWipe(pad, sizeof pad);
    SecureWipe(digest, sizeof digest);
}

// ---------------------------------------------------------------- PBKDF2

void Pbkdf2HmacSha1(const uint8_t* password, size_t passwordLength, const uint8_t* salt, size_t saltLength,
                    unsigned iterations, uint8_t* out, size_t outLength)
{
    THmacSha1 prf;
    prf.SetKey(password, passwordLength);
    uint8_t u[kSha1DigestLength], t[kSha1DigestLength];
    for (uint32_t block = 1; outLength > 0; ++block) {
        uint8_t index[4];
        PutBe32(index, block);
        prf.Update(salt, saltLength);
        prf.Update(index, 4);
        prf.Final(u, sizeof u);
        std::memcpy(t, u, sizeof t);
        for (unsigned j = 1; j < iterations; ++j) {
            prf.Update(u, sizeof u);
            prf.Final(u, sizeof u);
            for (size_t k = 0; k < sizeof t; ++k) t[k] ^= u[k];
        }
        const size_t take = std::min(outLength, sizeof t);
        std::memcpy(out, t, take);
        out += take;
        outLength -= take;
    }
    SecureWipe(u, sizeof u);
    SecureWipe(t, sizeof t);
}

}  // namespace corvina::archive
