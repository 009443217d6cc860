#include "archive/Aes.h"

#include <cstring>
#include <vector>

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

// ---------------------------------------------------------------- entry framing

int AesZipKeyLength(int mode) {
  mode &= 3;
  return mode ? 8 * mode + 8 : 0;
}

int AesZipSaltLength(int mode) {
  mode &= 3;
  return mode ? 4 * mode + 4 : 0;
}

int AesKindMode(uint8_t cryptKind) { return cryptKind <= 5 ? cryptKind % 3 + 1 : 0; }

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
  if (passwordLength > size_t(AesZipMaxPassword)) return -100;
  context.Wipe();
  const int keyLength = AesZipKeyLength(mode);
  if (keyLength == 0) return -1;
  uint8_t material[2 * 32 + 2];
  const size_t materialLength = size_t(2 * keyLength + 2);
  Pbkdf2HmacSha1(password, passwordLength, salt, size_t(AesZipSaltLength(mode)), AesZipIterations, material,
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
  for (size_t i = 0; i < length; ++i) {
    if (context.Position == 16) {
      // The first 8 bytes are a little-endian block number starting at 1.
      for (int j = 0; j < 8 && ++context.Counter[j] == 0; ++j) {
      }
      AesEncryptBlock(context.Schedule, context.Counter, context.Keystream);
      context.Position = 0;
    }
    buffer[i] ^= context.Keystream[context.Position++];
  }
}

int AesZipFinalMac(uint8_t mac[AesZipMacLength], AesZipContext& context) {
  context.Mac.Final(mac, AesZipMacLength);
  return AesZipMacLength;
}

// ---------------------------------------------------------------- AesEntryDecryptor

bool AesEntryDecryptor::CheckPassword(std::string_view password, int mode, int64_t& headerBytes) {
  headerBytes = 0;
  ready = false;
  Context.Wipe();
  if (password.empty() || !Stream || AesZipKeyLength(mode) == 0) return false;
  const int64_t start = Stream->Position();
  const int saltLength = AesZipSaltLength(mode);
  uint8_t salt[16], stored[2], computed[2];
  const int64_t gotSalt = Stream->Read(salt, saltLength);
  headerBytes = gotSalt > 0 ? gotSalt : 0;
  bool match = false;
  if (gotSalt == saltLength) {
    const auto* pw = reinterpret_cast<const uint8_t*>(password.data());
    if (AesZipInit(mode, pw, password.size(), Context, computed, salt) == 0) {
      const int64_t gotVerifier = Stream->Read(stored, 2);
      if (gotVerifier > 0) headerBytes += gotVerifier;
      match = gotVerifier == 2 && stored[0] == computed[0] && stored[1] == computed[1];
    }
  }
  SecureWipe(computed, sizeof computed);
  if (!match) {
    Context.Wipe();
    Stream->Seek(start, soBeginning);
    return false;
  }
  headerBytes += AesZipMacLength;
  ready = true;
  return true;
}

void AesEntryDecryptor::DecryptBuffer(uint8_t* buffer, size_t count) {
  if (ready) AesZipDecrypt(buffer, count, Context);
}

bool AesEntryDecryptor::VerifyMac() {
  if (!ready || !Stream) return false;
  uint8_t computed[AesZipMacLength], stored[AesZipMacLength];
  AesZipFinalMac(computed, Context);
  const bool ok =
      Stream->Read(stored, AesZipMacLength) == AesZipMacLength && std::memcmp(computed, stored, AesZipMacLength) == 0;
  Context.Wipe();
  ready = false;
  SecureWipe(computed, sizeof computed);
  return ok;
}

}  // namespace corvina::archive
