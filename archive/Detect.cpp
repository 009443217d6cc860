// Archive type detection: which kind of archive a file holds and where its data begins, from the
// first bytes, fixed offsets of self-extracting stubs and a bounded scan. Every read is checked
// against the file's size; nothing here reports through OnError.
#include <sys/stat.h>
#include <algorithm>
#include <cstring>
#include <vector>

#include "archive/ArchiveContext.h"
#include "archive/ByteOrder.h"
#include "archive/Detect.h"
#include "archive/Paths.h"
#include "archive/PeResources.h"

namespace corvina::archive {

int64_t OctalToInt(std::string_view text) {
  int64_t value = 0;
  for (char c : text)
    if (c >= '0' && c <= '7') value = value * 8 + (c - '0');
  return value;
}

bool IsBzip2Header(const uint8_t* p, size_t n) {
  return n >= 10 && p[0] == 'B' && p[1] == 'Z' && p[2] == 'h' && std::memcmp(p + 4, "1AY&SY", 6) == 0;
}

bool IsGzipFamily(const uint8_t* p, size_t n) {
  if (n < 2) return false;
  const unsigned w = Le16(p);
  return w == 0x8B1F || w == 0x9E1F || w == 0x9D1F || w == 0xA01F || w == 0x1E1F;
}

namespace {

// Reads count bytes at offset; returns the number read (0 outside the stream).
int64_t ReadAt(Stream32& s, int64_t offset, void* buffer, int64_t count) {
  if (offset < 0 || count <= 0) return 0;
  if (s.Seek(offset, SeekOrigin::Beginning) != offset) return 0;
  return s.Read(buffer, count);
}

bool StartsCaseless(const uint8_t* p, size_t n, const char* text) {
  const size_t len = std::strlen(text);
  if (n < len) return false;
  for (size_t i = 0; i < len; ++i) {
    char a = char(p[i]), b = text[i];
    if (a >= 'A' && a <= 'Z') a = char(a + 32);
    if (b >= 'A' && b <= 'Z') b = char(b + 32);
    if (a != b) return false;
  }
  return true;
}

bool IsEndSig(uint32_t sig) { return sig == 0x06054B50 || sig == 0x06054C50 || sig == 0x06055B50 || sig == 0x06055C50; }
bool IsCentralSig(uint32_t sig) { return sig == 0x02014B50 || sig == 0x02014C50; }
bool IsLocalSig(uint32_t sig) { return sig == 0x04034B50 || sig == 0x04034C50; }

// Self-extracting stubs carry the method names in their own code and messages; a method name
// counts only where a header could stand around it.
bool PlausibleLhaHeader(const uint8_t* b, int64_t got, int64_t start) {
  if (start < 0 || start + 22 > got) return true;  // cannot tell at the block's edge
  const uint8_t level = b[start + 20];
  if (level > 2) return false;
  return level == 2 ? Le16(b + start) >= 26 : b[start] >= 22;
}

enum class Mode { Plain, Embedded };

}  // namespace

// What the four bytes at the start of an archive say, and whether the split / spanned check
// decides instead (the ZIP volume headers).
struct Classified {
  ArchiveFormat Type = ArchiveFormat::NotAvail;
  bool SplitCheck = false;
  int64_t Offset = -1;
};

namespace {

Classified Classify(const uint8_t* b, Mode mode) {
  const bool plain = mode == Mode::Plain;
  Classified r;
  auto pick = [&](ArchiveFormat p, ArchiveFormat e) {
    r.Type = plain ? p : e;
    return r;
  };
  if (std::memcmp(b, "Rar!", 4) == 0) return pick(ArchiveFormat::Rar, ArchiveFormat::RarSfx);
  if (std::memcmp(b, "PKG5", 4) == 0) return pick(ArchiveFormat::Unknown, ArchiveFormat::Unknown);
  if (std::memcmp(b, "MSCF", 4) == 0) return pick(ArchiveFormat::Cab, ArchiveFormat::CabSfx);
  if (b[0] == 0xB7 && b[1] == 0xDF && b[2] == 0x54 && b[3] == 0x57) {
    if (!plain) r.Offset = 7716;
    return pick(ArchiveFormat::Arc, ArchiveFormat::ArcSfx);
  }
  if (b[0] == 0x13 && b[1] == 0x5D && b[2] == 0x65 && b[3] == 0x8C)
    return pick(ArchiveFormat::MsGz, ArchiveFormat::Unsupported);
  if (b[0] == 'B' && b[1] == 'H' && b[2] == 5 && b[3] == 7) return pick(ArchiveFormat::Bh, ArchiveFormat::BhSfx);
  if (std::memcmp(b, "ZOO ", 4) == 0) return pick(ArchiveFormat::Zoo, ArchiveFormat::Unsupported);
  if (b[2] == '-' && b[3] == 'l') return pick(ArchiveFormat::Lha, ArchiveFormat::LhaSfx);
  if (IsGzipFamily(b, 2) || (b[0] == 0x25 && b[1] == 0x21))
    return pick(ArchiveFormat::GZip, ArchiveFormat::Unsupported);
  if (b[0] == 0xB7 && (b[1] == 0xDF || b[1] == 0x92)) {
    r.Offset = 7716;
    r.Type = ArchiveFormat::ArcSfx;
    return r;
  }
  if (b[0] == 0x60 && b[1] == 0xEA) return pick(ArchiveFormat::Arj, ArchiveFormat::ArjSfx);
  if (b[0] == 'Z' && b[1] == 'O') return pick(ArchiveFormat::Zoo, ArchiveFormat::Unsupported);
  if (b[0] == 0x1A && (b[1] == 0x1E || b[1] == 0x02)) return pick(ArchiveFormat::Arc, ArchiveFormat::Unsupported);
  if (b[0] == 0x1A && (b[1] == 0x0A || b[1] == 0x0B)) return pick(ArchiveFormat::Pak, ArchiveFormat::PakSfx);
  if (b[0] == 0x1A && (b[1] == 0x08 || b[1] == 0x09)) return pick(ArchiveFormat::Arc, ArchiveFormat::ArcSfx);
  if (b[0] == 'H' && b[1] == 'A') return pick(ArchiveFormat::Ha, ArchiveFormat::Unsupported);
  if (b[0] == 'P' && (b[1] == 'K' || b[1] == 'L' || b[1] == 'M' || b[1] == 'N')) {
    if ((b[2] == 1 && b[3] == 2) || (b[2] == 7 && b[3] == 8)) {
      r.SplitCheck = true;
      return r;
    }
    if ((b[2] == 'G' && b[3] == '4') || (b[2] == 'C' && b[3] == 'I')) return r;
    return pick(ArchiveFormat::Zip, ArchiveFormat::ZipSfx);
  }
  return r;
}

bool TarCheck(Stream32& s, int64_t size, int64_t& offset) {
  if (size < 513) return false;
  uint8_t block[512];
  int64_t at = 0;
  if (ReadAt(s, 0, block, 512) != 512) return false;
  if (block[500] == 'V') {
    at = 512;
    if (at + 512 > size || ReadAt(s, at, block, 512) != 512) return false;
    offset = at;
  }
  const int64_t stored = OctalToInt(std::string_view(reinterpret_cast<const char*>(block + 148), 8));
  int64_t sum = 0;
  for (int i = 0; i < 512; ++i) sum += (i >= 148 && i < 156) ? ' ' : block[i];
  if (sum == stored) return true;
  offset = -1;
  return false;
}

ArchiveFormat TextCheck(const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n;) {
    const uint8_t* line = p + i;
    const size_t left = n - i;
    if (left > 33 && StartsCaseless(line, left, "Content-Transfer-Encoding: Base64")) return ArchiveFormat::Base64;
    if (left >= 7 && (std::memcmp(line, "begin 6", 7) == 0 || std::memcmp(line, "begin 7", 7) == 0))
      return ArchiveFormat::Uue;
    const void* lf = std::memchr(line, '\n', left);
    if (!lf) break;
    i = size_t(static_cast<const uint8_t*>(lf) - p) + 1;
  }
  return ArchiveFormat::NotAvail;
}

}  // namespace

int64_t ArchiveContext::ZipEndRecordSearch(Stream32& s, int64_t size, int64_t start) {
  DetectFlags = 0;
  OffsetCorrection = 0;
  ZipCentralStart = -1;
  if (size <= 0 || size <= start) return 0;
  const int64_t window = std::min<int64_t>(32768, size - 1);
  if (window < 22) return 0;
  std::vector<uint8_t> buf(static_cast<size_t>(window));
  const int64_t base = size - window;
  if (ReadAt(s, base, buf.data(), window) != window) return 0;
  // Search backwards for an end record with its whole fixed part inside the file.
  int64_t at = -1;
  for (int64_t i = window - 22; i >= 0; --i)
    if (IsEndSig(Le32(&buf[size_t(i)]))) {
      at = i;
      break;
    }
  if (at < 0) return 0;
  DetectFlags = HeaderBit(HeaderType::Ending);
  const int64_t endPos = base + at;
  const uint8_t* end = &buf[size_t(at)];
  ZipEndRecord.assign(end, end + 22);
  int64_t cdSize = Le32(end + 12), cdOffset = Le32(end + 16);
  int64_t cdEnd = endPos;
  if (at >= 20 && Le32(end - 20) == 0x07064B50) {
    DetectFlags |= HeaderBit(HeaderType::Locator);
    Zip64Locator.assign(end - 20, end);
    const int64_t zip64EndPos = int64_t(Le64(end - 20 + 8));
    uint8_t zip64End[56];
    if (zip64EndPos >= 0 && zip64EndPos <= size - 56 && ReadAt(s, zip64EndPos, zip64End, 56) == 56 &&
        Le32(zip64End) == 0x06064B50) {
      DetectFlags |= HeaderBit(HeaderType::Ending64);
      Zip64EndRecord.assign(zip64End, zip64End + 56);
      cdSize = int64_t(Le64(zip64End + 40));
      cdOffset = int64_t(Le64(zip64End + 48));
      cdEnd = zip64EndPos;
    }
  }
  auto centralAt = [&](int64_t pos) {
    uint8_t h[46];
    return pos >= 0 && pos <= size - 46 && ReadAt(s, pos, h, 46) == 46 && IsCentralSig(Le32(h));
  };
  int64_t found = -1;
  if (cdSize >= 0 && cdOffset >= 0 && centralAt(cdOffset)) {
    found = cdOffset;
  } else if (cdSize >= 0 && centralAt(cdEnd - cdSize)) {
    found = cdEnd - cdSize;
    // A stub in front that the stated offsets do not count shifts them all alike. A stated offset outside
    // the file is damage, which no shift explains: the reader goes by where the directory was found.
    if (cdOffset >= 0 && cdOffset <= size) OffsetCorrection = found - cdOffset;
  }
  if (found < 0) {
    // No central directory: the first local header from Start.
    std::vector<uint8_t> scan(32768);
    for (int w = 0; w < 4; ++w) {
      const int64_t from = start + int64_t(w) * 32768;
      const int64_t got = ReadAt(s, from, scan.data(), 32768);
      for (int64_t i = 0; i + 30 <= got; ++i)
        if (scan[size_t(i)] == 'P' && IsLocalSig(Le32(&scan[size_t(i)]))) {
          DetectFlags = HeaderBit(HeaderType::Local);
          return from + i;
        }
      if (got < 32768) break;
    }
    return -1;
  }
  DetectFlags |= HeaderBit(HeaderType::Central);
  ZipCentralStart = found;
  uint8_t central[46];
  ReadAt(s, found, central, 46);
  const int64_t localPos = int64_t(Le32(central + 42)) + OffsetCorrection;
  uint8_t local[30];
  if (localPos < 0 || localPos + 30 > size) return -1;
  if (ReadAt(s, localPos, local, 30) == 30 && IsLocalSig(Le32(local))) DetectFlags |= HeaderBit(HeaderType::Local);
  return found;
}

int64_t ArchiveContext::GenericScan(Stream32& s, int64_t start) {
  const int64_t size = ArchiveSize;
  if (size <= start) return 0;
  std::vector<uint8_t> block(32768);
  int64_t offset = 0;
  for (int n = 0; n < 11 && offset == 0; ++n) {
    const int64_t blockStart = start + int64_t(n) * 32768;
    const int64_t got = ReadAt(s, blockStart, block.data(), 32768);
    if (got <= 0) break;
    const uint8_t* b = block.data();
    for (int64_t i = 0; i < got; ++i) {
      const int64_t left = got - i;
      const int64_t pos = blockStart + i;
      const int64_t fileLeft = size - pos;
      const uint8_t* p = b + i;
      if (left >= 8 && p[0] == 'P' && p[1] == 'K' && p[2] == 3 && p[3] == 4 &&
          !(p[4] == 0x74 && p[5] == 0x0B && p[6] == 0x3D && p[7] == 0)) {
        ArchiveType = start == 0 ? ArchiveFormat::Zip : ArchiveFormat::ZipSfx;
        offset = pos;
        const int64_t end = ZipEndRecordSearch(s, size, 0);
        if (end == -1 || (ArchiveType == ArchiveFormat::ZipSfx && end < 10000))
          ArchiveType = ArchiveFormat::Unsupported;
        break;
      }
      if (left >= 5 && fileLeft >= 10 && std::memcmp(p, "**ACE", 5) == 0 && pos >= 7) {
        offset = pos - 7;
        ArchiveType = offset == 0 ? ArchiveFormat::Ace : ArchiveFormat::AceSfx;
        break;
      }
      if (left >= 5 && fileLeft >= 10 && p[0] == '-' && p[1] == 'l' && p[2] == 'h' && p[4] == '-' && pos >= 2 &&
          PlausibleLhaHeader(b, got, i - 2)) {
        offset = pos - 2;
        ArchiveType = offset == 0 ? ArchiveFormat::Lha : ArchiveFormat::LhaSfx;
        break;
      }
      if (left >= 8 && p[0] == 'B' && p[1] == 'H' && p[2] == 5 && p[3] == 7 &&
          !(p[4] == 0x0F && p[5] == 0x94 && p[6] == 0xC3 && p[7] == 0x84)) {
        offset = pos;
        ArchiveType = offset == 0 ? ArchiveFormat::Bh : ArchiveFormat::BhSfx;
        break;
      }
      if (start != 0 && left >= 8 && std::memcmp(p, "MSCF\0\0\0\0", 8) == 0) {
        offset = pos;
        ArchiveType = ArchiveFormat::CabSfx;
        break;
      }
      if (left >= 4 && std::memcmp(p, "Rar!", 4) == 0) {
        offset = pos;
        ArchiveType = offset == 0 ? ArchiveFormat::Rar : ArchiveFormat::RarSfx;
        break;
      }
      if (left >= 4 && std::memcmp(p, "ZOO ", 4) == 0 && pos != 0) {
        offset = pos;
        ArchiveType = ArchiveFormat::Zoo;
        break;
      }
      if (left >= 4 && p[0] == 0x60 && p[1] == 0xEA) {
        const int64_t h = Le16(p + 2);
        const int64_t again = i + h + 10;
        if (again + 2 <= got && b[again] == 0x60 && b[again + 1] == 0xEA) {
          offset = pos;
          ArchiveType = offset == 0 ? ArchiveFormat::Arj : ArchiveFormat::ArjSfx;
          break;
        }
      }
    }
  }
  return offset;
}

ArchiveFormat ArchiveContext::ResolveClassified(const Classified& c) {
  if (!c.SplitCheck) return c.Type;
  return DiskManager ? DiskManager->SplitCheck(archivePath_) : ArchiveFormat::NotAvail;
}

bool ArchiveContext::NoZipHeaderFlags() const { return DetectFlags == 0 || DetectFlags == HeaderBit(HeaderType::Sfx); }

// Self-extracting stubs that keep their archive's offset as a number in string resources 1-7.
bool ArchiveContext::DetectByStringResources(Stream32& s, int64_t size) {
  for (const std::string& text : ReadPeStrings(s, 1, 7, 5)) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) break;
    const int64_t candidate = std::stoll(text);
    if (candidate >= size) break;
    uint8_t head[14];
    if (ReadAt(s, candidate, head, sizeof head) != int64_t(sizeof head)) continue;
    if (StartsCaseless(head + 7, 7, "**ACE**")) {
      ArchiveType = ArchiveFormat::AceSfx;
      ArchiveOffset = candidate;
      return true;
    }
    const Classified c = Classify(head, Mode::Embedded);
    const ArchiveFormat type = ResolveClassified(c);
    if (!IsRecognisedArchive(type)) continue;
    ArchiveType = type;
    ArchiveOffset = c.Offset >= 0 ? c.Offset : candidate;
    if (IsZipFamily(type)) {
      const int64_t answer = ZipEndRecordSearch(s, size, 0);
      if (!NoZipHeaderFlags()) ArchiveOffset = answer;
    }
    return true;
  }
  return false;
}

// The executable checks, in their order; the first that fits decides.
void ArchiveContext::DetectExecutable(Stream32& s, int64_t size, const uint8_t* b, size_t n) {
  // Fixed self-extracting stubs of ARC and PAK.
  for (int64_t off : {6674, 6867, 7716, 8601, 13138}) {
    if (size < off + 3) break;
    uint8_t two[2];
    if (ReadAt(s, off, two, 2) != 2) break;
    if (two[0] == 0x1A && (two[1] == 0x08 || two[1] == 0x09)) {
      ArchiveType = ArchiveFormat::ArcSfx;
      ArchiveOffset = off;
      return;
    }
    if (two[0] == 0x1A && (two[1] == 0x0A || two[1] == 0x0B)) {
      ArchiveType = ArchiveFormat::PakSfx;
      ArchiveOffset = off;
      return;
    }
  }
  // The LHA stub: all five method bytes must lie inside the file.
  uint8_t lh[5];
  if (size >= 1947 + 5 && ReadAt(s, 1947, lh, 5) == 5 && lh[0] == '-' && lh[1] == 'l' && lh[2] == 'h' && lh[4] == '-') {
    ArchiveType = ArchiveFormat::LhaSfx;
    ArchiveOffset = 1945;
    return;
  }
  for (int64_t off : {int64_t(7612), int64_t(25661)}) {
    uint8_t pk[4];
    if (size >= off + 5 && ReadAt(s, off, pk, 4) == 4 && Le32(pk) == 0x04034B50) {
      ArchiveType = ArchiveFormat::ZipSfx;
      ArchiveOffset = off;
      ZipEndRecordSearch(s, size, 0);
      DetectFlags = HeaderBit(HeaderType::Local);
      return;
    }
  }
  if (DetectByStringResources(s, size)) return;
  // Image end: the archive often follows the executable image. A last-page count of 0 means a
  // full page, and an image of no pages has no end to look behind.
  if (n >= 6) {
    const int64_t pages = Le16(b + 4), last = Le16(b + 2);
    int64_t candidate = pages > 0 ? (pages - 1) * 512 + (last == 0 ? 512 : last) : -1;
    uint8_t four[4];
    if (candidate > 0 && size > candidate + 4 && ReadAt(s, candidate, four, 4) == 4) {
      if (four[2] == 0x60 && four[3] == 0xEA) candidate += 2;
      if (size > candidate + 4 && ReadAt(s, candidate, four, 4) == 4 && Le32(four) != 0x04034B50) {
        const Classified c = Classify(four, Mode::Embedded);
        const ArchiveFormat type = ResolveClassified(c);
        if (IsRecognisedArchive(type)) {
          ArchiveType = type;
          ArchiveOffset = c.Offset >= 0 ? c.Offset : candidate;
          return;
        }
      }
    }
  }
  if (ZipEndRecordSearch(s, size, 0) > 0) {
    ArchiveType = ArchiveFormat::ZipSfx;
    return;
  }
  const int64_t off = GenericScan(s, 17000);
  if (IsRecognisedArchive(ArchiveType)) ArchiveOffset = off;
}

ArchiveFormat ArchiveContext::DetectArchiveType(Stream32* stream) {
  if (!stream) return ArchiveFormat::NotAvail;
  Stream32& s = *stream;
  ArchiveType = ArchiveFormat::NotAvail;
  ArchiveOffset = -1;
  DetectFlags = 0;
  ZipEndRecord.clear();
  Zip64Locator.clear();
  Zip64EndRecord.clear();
  const int64_t remembered = s.Position();
  ArchiveSize = s.Size();
  const int64_t size = ArchiveSize;
  // Every ending: the stream position comes back and the archive date is the file's.
  auto finish = [&]() {
    s.Seek(remembered < 0 ? 0 : remembered, SeekOrigin::Beginning);
    ArchiveDate = kDos1980;
    struct stat st {};
    auto* file = dynamic_cast<FileStream32*>(stream);
    if (file && ::fstat(file->Handle, &st) == 0) {
      const SerialDateTime d = UnixTimeToDateTime(uint32_t(st.st_mtime));
      ArchiveDate = DateTimeToDosDateTime(d);
    }
    return ArchiveType;
  };
  // A recognised archive gets its offset (0 when none was found) and a ".jar" ZIP counts as a JAR.
  auto finishRecognised = [&]() {
    if (IsRecognisedArchive(ArchiveType)) {
      if (ArchiveOffset == -1) ArchiveOffset = 0;
      std::string ext = ExtensionOf(archivePath_);
      for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
      if (ArchiveType == ArchiveFormat::Zip && ext == ".jar") ArchiveType = ArchiveFormat::Jar;
    }
    return finish();
  };
  if (size < 20) return finish();

  std::vector<uint8_t> head(size_t(std::min<int64_t>(size, 32768)));
  const int64_t got = ReadAt(s, 0, head.data(), int64_t(head.size()));
  head.resize(size_t(std::max<int64_t>(got, 0)));
  const uint8_t* b = head.data();
  const size_t n = head.size();
  if (n < 4) return finish();

  if (b[0] == 'M' && b[1] == 'Z') {
    DetectFlags |= HeaderBit(HeaderType::Sfx);
    DetectExecutable(s, size, b, n);
    return finishRecognised();
  }

  // MacBinary and other zero-byte prefixes. Only bytes actually read are classified.
  size_t skipped = 0;
  if (b[0] == 0) {
    while (skipped < n && b[skipped] == 0) ++skipped;
    if (n - skipped > 132 && n > 132 && b[130] == '-' && b[131] == 'l') {
      ArchiveType = ArchiveFormat::Lha;
      ArchiveOffset = 128;
      return finish();
    }
  }
  if (n - skipped < 4) return finish();
  if (n >= 14 && StartsCaseless(b + 7, n - 7, "**ACE**")) {
    ArchiveType = ArchiveFormat::Ace;
  } else {
    const Classified c = Classify(b + skipped, Mode::Plain);
    ArchiveType = ResolveClassified(c);
    if (c.Offset >= 0) ArchiveOffset = c.Offset;
  }

  if (ArchiveType == ArchiveFormat::NotAvail) {
    int64_t tarOffset = ArchiveOffset;
    if (TarCheck(s, size, tarOffset)) {
      ArchiveType = ArchiveFormat::Tar;
      ArchiveOffset = tarOffset;
    } else {
      ArchiveOffset = tarOffset;
      if (ArchiveOffset == -1 && ZipEndRecordSearch(s, size, 0) > 0)
        ArchiveType = IsMultiDiskZip() ? ResolveClassified({.SplitCheck = true}) : ArchiveFormat::Zip;
      if (!IsRecognisedArchive(ArchiveType)) {
        const int64_t off = GenericScan(s, 0);
        if (IsRecognisedArchive(ArchiveType)) ArchiveOffset = off;
      }
    }
  } else if (ArchiveType == ArchiveFormat::FileError || ArchiveType == ArchiveFormat::Unknown) {
    return finish();
  } else if (IsZipFamily(ArchiveType)) {
    const int64_t end = ZipEndRecordSearch(s, size, 0);
    if (end == -1) return finish();  // a failed check: the type stands, no offset
    // The last volume of a split set may begin with a local header: its end record's disk
    // number decides here as it does for files that begin otherwise.
    if (end > 0 && IsMultiDiskZip())
      ArchiveType = ResolveClassified({.SplitCheck = true});
    else if (end == 0 && !(DetectFlags & HeaderBit(HeaderType::Local))) {
      ArchiveOffset = int64_t(skipped);
      DetectFlags |= HeaderBit(HeaderType::Local);
    }
  } else if (IsSplitZip(ArchiveType)) {
    if (ZipEndRecordSearch(s, size, 0) == -1) return finish();
    if (NoZipHeaderFlags()) DetectFlags = HeaderBit(HeaderType::Local);
  }
  if (!IsRecognisedArchive(ArchiveType)) {
    if (IsBzip2Header(b, n))
      ArchiveType = ArchiveFormat::Bz2;
    else
      ArchiveType = TextCheck(b, n);
  }
  return finishRecognised();
}

bool ArchiveContext::IsMultiDiskZip() const {
  // The locator counts the disks of a Zip64 set (1 for a single file); the plain end record
  // numbers the disk it stands on from 0.
  if (Zip64Locator.size() >= 20) return Le32(&Zip64Locator[16]) > 1;
  return ZipEndRecord.size() >= 6 && Le16(&ZipEndRecord[4]) != 0;
}

}  // namespace corvina::archive
