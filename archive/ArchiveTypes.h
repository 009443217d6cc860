#pragma once
// Archive kinds recognised by signature, the library's message numbers and the exception that
// aborts decoding. Shared by every part of the archive library.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace corvina::archive {

// One byte; the values are stored in forms and compared by number, so they must not move.
enum class ArchiveFormat : uint8_t {
  NotAvail = 0,
  Unsupported = 1,
  FileError = 2,
  Unknown = 3,
  Ace = 4,
  AceSfx = 5,
  Arc = 6,
  ArcSfx = 7,
  Arj = 8,
  ArjSfx = 9,
  Base64 = 10,
  Bh = 11,
  BhSfx = 12,
  Bz2 = 13,
  Cab = 14,
  CabSfx = 15,
  GZip = 16,
  Ha = 17,
  Jar = 18,
  JarSfx = 19,
  Lha = 20,
  LhaSfx = 21,
  Lzh = 22,
  LzhSfx = 23,
  MsGz = 24,
  Pak = 25,
  PakSfx = 26,
  Rar = 27,
  RarSfx = 28,
  Tar = 29,
  TarGzip = 30,
  TarBzip = 31,
  Uue = 32,
  Zip = 33,
  ZipSfx = 34,
  ZipSpan = 35,
  ZipMVol = 36,
  Zoo = 37
};
constexpr int kArchiveTypeCount = 38;

// Display name, blank-padded to 10 characters.
const char* ArchiveTypeName(ArchiveFormat type);

inline bool IsRecognisedArchive(ArchiveFormat t) { return t > ArchiveFormat::Unknown && int(t) < kArchiveTypeCount; }
inline bool IsZipFamily(ArchiveFormat t) {
  return t == ArchiveFormat::Jar || t == ArchiveFormat::JarSfx || t == ArchiveFormat::Zip || t == ArchiveFormat::ZipSfx;
}
inline bool IsSelfOpenedType(ArchiveFormat t) {
  return t == ArchiveFormat::Ace || t == ArchiveFormat::AceSfx || t == ArchiveFormat::Cab ||
         t == ArchiveFormat::CabSfx || t == ArchiveFormat::Rar || t == ArchiveFormat::RarSfx;
}
inline bool IsSplitZip(ArchiveFormat t) { return t == ArchiveFormat::ZipSpan || t == ArchiveFormat::ZipMVol; }

// How an entry's data is enciphered: not at all; with ZIP's traditional cipher; with AES at one of
// its three key sizes, in the AE-1 framing (which keeps the entry's CRC-32) or the AE-2 framing
// (which stores none: the authentication code is the check); or in a way the library cannot
// decipher (strong encryption, an AES version or strength outside the published ones).
enum class EncryptionKind : uint8_t {
  None,
  Traditional,
  Ae1Aes128,
  Ae1Aes192,
  Ae1Aes256,
  Ae2Aes128,
  Ae2Aes192,
  Ae2Aes256,
  Unsupported
};
constexpr bool IsAe2(EncryptionKind k) {
  return k == EncryptionKind::Ae2Aes128 || k == EncryptionKind::Ae2Aes192 || k == EncryptionKind::Ae2Aes256;
}
constexpr bool IsAes(EncryptionKind k) {
  return IsAe2(k) || k == EncryptionKind::Ae1Aes128 || k == EncryptionKind::Ae1Aes192 || k == EncryptionKind::Ae1Aes256;
}

// Header kinds found by detection, as bits.
enum class HeaderType : uint8_t { Local, Central, Ending, Locator, Ending64, Sfx, None };
using HeaderTypeState = uint8_t;
constexpr HeaderTypeState HeaderBit(HeaderType t) { return HeaderTypeState(1u << unsigned(t)); }

// The library's message numbers (reported through OnError).
namespace msg {
constexpr int BadFileHeader = 25114;
constexpr int BadLocalOffset = 25115;
constexpr int BadBlock = 25116;
constexpr int WriteError = 25136;
constexpr int AttribOverwrite = 25137;
constexpr int CloseError = 25142;
constexpr int CreateDirError = 25150;
constexpr int CrcError = 25151;
constexpr int UnableCreateDir = 25157;
constexpr int InvalidDirectory = 25158;
constexpr int DiskFull = 25160;
constexpr int NotAccessible = 25170;
constexpr int FileNotFound = 25192;
constexpr int OpenError = 25235;
constexpr int AccessPermissions = 25271;
constexpr int RegistryDenied = 25273;
constexpr int EventNotAssigned = 25276;
constexpr int StackOverflow = 25305;
constexpr int UnsupportedMethod = 25326;
constexpr int UnsupportedPassword = 25327;
constexpr int UserCanceled = 25443;
constexpr int InvalidPassword = 26517;
}  // namespace msg

// Text of a message number; empty for a number outside the table.
std::string LoadMessage(int code);

// Raised to abort decoding; carries the message number and its text. Extract always catches it.
class ArchiveError : public std::runtime_error {
 public:
  explicit ArchiveError(int code) : std::runtime_error(LoadMessage(code)), Code(code) {}
  int Code;
};

}  // namespace corvina::archive
