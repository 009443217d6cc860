#pragma once
// Archive kinds recognised by signature, the library's message numbers and the exception that
// aborts decoding. Shared by every component of the extraction library.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace corvina::archive {

// One byte; the values are stored in forms and compared by number, so they must not move.
enum ArchiveFormat : uint8_t {
  atNotAvail = 0,
  atUnsupported = 1,
  atFileError = 2,
  atUnknown = 3,
  atAce = 4,
  atAceSfx = 5,
  atArc = 6,
  atArcSfx = 7,
  atArj = 8,
  atArjSfx = 9,
  atBase64 = 10,
  atBh = 11,
  atBhSfx = 12,
  atBz2 = 13,
  atCab = 14,
  atCabSfx = 15,
  atGZip = 16,
  atHa = 17,
  atJar = 18,
  atJarSfx = 19,
  atLha = 20,
  atLhaSfx = 21,
  atLzh = 22,
  atLzhSfx = 23,
  atMsGz = 24,
  atPak = 25,
  atPakSfx = 26,
  atRar = 27,
  atRarSfx = 28,
  atTar = 29,
  atTarGzip = 30,
  atTarBzip = 31,
  atUue = 32,
  atZip = 33,
  atZipSfx = 34,
  atZipSpan = 35,
  atZipMVol = 36,
  atZoo = 37
};
constexpr int kArchiveTypeCount = 38;

// Display name, blank-padded to 10 characters.
const char* ArchiveTypeName(ArchiveFormat type);

inline bool IsRecognisedArchive(ArchiveFormat t) { return t > atUnknown && t < kArchiveTypeCount; }
inline bool IsZipFamily(ArchiveFormat t) { return t == atJar || t == atJarSfx || t == atZip || t == atZipSfx; }
inline bool IsSelfOpenedType(ArchiveFormat t) {
  return t == atAce || t == atAceSfx || t == atCab || t == atCabSfx || t == atRar || t == atRarSfx;
}
inline bool IsSplitZip(ArchiveFormat t) { return t == atZipSpan || t == atZipMVol; }

// Header kinds found by detection, as bits.
enum HeaderType : uint8_t { htLocal, htCentral, htEnding, htLocator, htEnding64, htSfx, htNone };
using HeaderTypeState = uint8_t;
constexpr HeaderTypeState HeaderBit(HeaderType t) { return HeaderTypeState(1u << t); }

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
