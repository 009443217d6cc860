#include "archive/ZipExtractor.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>

#include "archive/ByteOrder.h"
#include "archive/Bzip2Stream.h"
#include "archive/Crc.h"
#include "archive/DiskManager.h"
#include "archive/LegacyZip.h"
#include "archive/Paths.h"

namespace corvina::archive {

namespace {
constexpr uint32_t kDescriptorSig = 0x08074B50;
constexpr uint16_t kFlagEncrypted = 0x0001, kFlagDescriptor = 0x0008, kFlagStrong = 0x0040, kFlagUtf8 = 0x0800;
constexpr uint32_t kMax32 = 0xFFFFFFFFu;
// Sizes and offsets are kept signed; anything larger cannot name a place in a file.
constexpr uint64_t kMaxSize = uint64_t(std::numeric_limits<int64_t>::max());

bool ReadExact(Stream32& s, int64_t at, void* buffer, int64_t count) {
  if (at < 0 || s.Seek(at, SeekOrigin::Beginning) != at) return false;
  return count == 0 || s.Read(buffer, count) == count;
}

// An offset stated in the archive plus the shift of a stub: -1 where that is no place in a file of `size`
// bytes.
int64_t ShiftedOffset(uint64_t stated, int64_t shift, int64_t size) {
  int64_t position = -1;
  if (stated > kMaxSize || __builtin_add_overflow(int64_t(stated), shift, &position) || position < 0 || position > size)
    return -1;
  return position;
}
}  // namespace

// ---------------------------------------------------------------- headers

SignatureClass ClassifySignature(uint32_t sig, HeaderType wanted) {
  uint32_t base = 0;
  switch (wanted) {
    case HeaderType::Local: base = 0x04034B50; break;
    case HeaderType::Central: base = 0x02014B50; break;
    case HeaderType::Ending:
      if (sig == 0x06054B50 || sig == 0x06055B50) return {HeaderType::Ending, false};
      if (sig == 0x06054C50 || sig == 0x06055C50) return {HeaderType::Ending, true};
      return {};
    default: return {};
  }
  if (sig == base || sig == base + 0x200) return {wanted, false};
  if (sig == base + 0x100 || sig == base + 0x300) return {wanted, true};
  return {};
}

ZipExtra ReadExtraField(const uint8_t* data, size_t size, bool central, uint32_t uncompressed32, uint32_t compressed32,
                        uint32_t offset32) {
  ZipExtra x;
  size_t pos = 0;
  while (pos + 4 <= size) {
    const uint16_t id = Le16(data + pos);
    const size_t length = Le16(data + pos + 2);
    if (pos + 4 + length > size) {
      pos += 4;
      continue;
    }
    const uint8_t* d = data + pos + 4;
    switch (id) {
      case 0x0001: {
        // Each 8-byte value is present only for a 32-bit field that is all ones; the local
        // form also holds both sizes when a writer did not know them yet (a zero entry).
        size_t at = 0;
        auto take = [&](bool wanted, bool& flag, uint64_t& value) {
          if (!wanted || at + 8 > length) return;
          flag = true;
          value = Le64(d + at);
          at += 8;
        };
        take(uncompressed32 == kMax32, x.Zip64Uncompressed, x.Uncompressed);
        take(compressed32 == kMax32, x.Zip64Compressed, x.Compressed);
        if (central) take(offset32 == kMax32, x.Zip64Offset, x.Offset);
        break;
      }
      case 0x0017: x.Strong = true; break;
      case 0x0064:
        if (length >= 6) {
          x.HasUpper = true;
          x.UpperCompressed = Le16(d);
          x.UpperUncompressed = Le16(d + 2);
          x.UpperOffset = Le16(d + 4);
        }
        break;
      case 0x9901:
        if (length >= 7) {
          x.HasAes = true;
          x.AesVersion = Le16(d);
          x.AesVendor = Le16(d + 2);
          x.AesStrength = d[4];
          x.AesMethod = Le16(d + 5);
        }
        break;
      case 0x7075:
        if (length >= 5 && d[0] == 1) {
          x.HasUnicodePath = true;
          x.UnicodePathCrc = Le32(d + 1);
          x.UnicodePath.assign(reinterpret_cast<const char*>(d + 5), length - 5);
        }
        break;
      default: break;
    }
    pos += 4 + length;
  }
  return x;
}

namespace {
// Applies the Zip64 and 0x0064 values of the extra field to a header's 32-bit fields.
bool ResolveSizes(ZipHeader& h, uint32_t compressed32, uint32_t uncompressed32, uint32_t offset32) {
  const ZipExtra& x = h.Extra;
  h.Compressed = x.Zip64Compressed ? x.Compressed : compressed32;
  h.Uncompressed = x.Zip64Uncompressed ? x.Uncompressed : uncompressed32;
  h.LocalOffset = x.Zip64Offset ? x.Offset : offset32;
  if (x.HasUpper) {
    h.Compressed = compressed32 | uint64_t(x.UpperCompressed) << 32;
    h.Uncompressed = uncompressed32 | uint64_t(x.UpperUncompressed) << 32;
    h.LocalOffset = offset32 | uint64_t(x.UpperOffset) << 32;
  }
  return h.Compressed <= kMaxSize && h.Uncompressed <= kMaxSize && h.LocalOffset <= kMaxSize;
}
}  // namespace

bool ZipExtractor::ReadHeaderAt(int64_t position, HeaderType kind, ZipHeader& h) {
  Stream32& s = *archiveStream_;
  const size_t fixed = kind == HeaderType::Central ? 46 : 30;
  uint8_t b[46];
  if (!ReadExact(s, position, b, int64_t(fixed))) return false;
  const SignatureClass c = ClassifySignature(Le32(b), kind);
  if (c.Kind != kind) return false;
  // The library's own variant enciphers the fixed part and the name with the header keys.
  if (c.Enciphered) {
    Crypto.ResetHeaderKeys();
    Crypto.DecryptBuffer(true, b + 4, fixed - 4);
  }
  h = ZipHeader{};
  h.Position = position;
  size_t nameLength, extraLength, commentLength = 0;
  uint32_t compressed32, uncompressed32, offset32 = 0;
  if (kind == HeaderType::Central) {
    h.VersionMadeBy = Le16(b + 4);
    h.Flags = Le16(b + 8);
    h.Method = Le16(b + 10);
    h.DosDateTime = Le32(b + 12);
    h.Crc = Le32(b + 16);
    compressed32 = Le32(b + 20);
    uncompressed32 = Le32(b + 24);
    nameLength = Le16(b + 28);
    extraLength = Le16(b + 30);
    commentLength = Le16(b + 32);
    h.Disk = Le16(b + 34);
    h.ExternalAttr = Le32(b + 38);
    offset32 = Le32(b + 42);
  } else {
    h.Flags = Le16(b + 6);
    h.Method = Le16(b + 8);
    h.DosDateTime = Le32(b + 10);
    h.Crc = Le32(b + 14);
    compressed32 = Le32(b + 18);
    uncompressed32 = Le32(b + 22);
    nameLength = Le16(b + 26);
    extraLength = Le16(b + 28);
  }
  std::vector<uint8_t> rest(nameLength + extraLength);
  if (!rest.empty() && s.Read(rest.data(), int64_t(rest.size())) != int64_t(rest.size())) return false;
  if (c.Enciphered) Crypto.DecryptBuffer(true, rest.data(), nameLength);
  h.RawName.assign(reinterpret_cast<const char*>(rest.data()), nameLength);
  h.Extra = ReadExtraField(rest.data() + nameLength, extraLength, kind == HeaderType::Central, uncompressed32,
                           compressed32, offset32);
  if (!ResolveSizes(h, compressed32, uncompressed32, offset32)) return false;
  // A UTF-8 copy of the name counts only while it belongs to the stored name (a later rename by a
  // tool that knows nothing of it leaves the old CRC behind).
  const ZipExtra& x = h.Extra;
  const bool unicodePath = x.HasUnicodePath && IsValidUtf8(x.UnicodePath) &&
                           (UpdateCrc32(rest.data(), nameLength, 0xFFFFFFFFu) ^ 0xFFFFFFFFu) == x.UnicodePathCrc;
  if (unicodePath)
    h.Name = SlashToBackslash(x.UnicodePath);
  else if (h.Flags & kFlagUtf8)
    h.Name = IsValidUtf8(h.RawName) ? SlashToBackslash(h.RawName) : ConvertEntryName(ArchiveType, 0, h.RawName);
  else
    h.Name = ConvertEntryName(ArchiveType, h.VersionMadeBy >> 8, h.RawName);
  h.DataPosition = position + int64_t(fixed) + int64_t(nameLength + extraLength);
  if (kind == HeaderType::Central) h.DataPosition += int64_t(commentLength);  // the next header
  return true;
}

EncryptionKind ZipExtractor::EncryptionOf(uint16_t flags, const ZipExtra& extra) const {
  using enum EncryptionKind;
  if (!(flags & kFlagEncrypted)) return None;
  if (extra.Strong || (flags & kFlagStrong)) return Unsupported;
  if (!extra.HasAes) return Traditional;
  // A version or strength outside the published ones has no key length to work with.
  if (extra.AesStrength < 1 || extra.AesStrength > 3) return Unsupported;
  static constexpr EncryptionKind kAe1[] = {Ae1Aes128, Ae1Aes192, Ae1Aes256};
  static constexpr EncryptionKind kAe2[] = {Ae2Aes128, Ae2Aes192, Ae2Aes256};
  if (extra.AesVersion == 1) return kAe1[extra.AesStrength - 1];
  if (extra.AesVersion == 2) return kAe2[extra.AesStrength - 1];
  return Unsupported;
}

int ZipExtractor::ResolvedMethod(const ZipHeader& h) const {
  // An AES entry names its real method in the 0x9901 field, whatever its size turned out to be.
  if (h.Method == 99 && h.Extra.HasAes) return h.Extra.AesMethod;
  return h.Method;
}

bool ZipExtractor::IsDecodedMethod(int method) const {
  return (method >= 0 && method <= 6) || method == 8 || method == 9 || method == 12;
}

// ---------------------------------------------------------------- the walks

// Spanned archives on removable disks need the drive examination; the base's manager knows plain files only.
ZipExtractor::ZipExtractor() { DiskManager = std::make_unique<DriveVolumeManager>(); }

ZipExtractor::~ZipExtractor() { Crypto.Wipe(); }

int ZipExtractor::VolumeCount() const {
  if (Zip64Locator.size() >= 20) return int(Le32(&Zip64Locator[4])) + 1;
  if (ZipEndRecord.size() >= 22) return Le16(&ZipEndRecord[4]) + 1;
  return 1;
}

void ZipExtractor::ReplaceArchiveStream(std::unique_ptr<Stream32> stream) {
  archiveStream_ = std::move(stream);
  if (aes_) aes_->Stream = archiveStream_.get();
}

void ZipExtractor::ExtractLoop() {
  const bool zipType = IsZipFamily(ArchiveType) || IsSplitZip(ArchiveType);
  // A central directory found through the Zip64 records is enough to start from.
  const bool located = ArchiveOffset >= 0 || (DetectFlags & HeaderBit(HeaderType::Central));
  if (!zipType || !located) {
    DoError(archivePath_, {}, msg::BadFileHeader, archiveName_);
    return;
  }
  list_.clear();
  CurrentPassword.clear();
  OpenVolume = -1;
  localShift_ = 0;
  shiftSearched_ = false;
  if (ArchiveType == ArchiveFormat::ZipSpan) {
    Span.SpanInit(this);
    if (!Span.SwitchVolume(0)) return;
  }
  try {
    if (DetectFlags == HeaderBit(HeaderType::Local)) {
      if (ReadLocalHeaders() > 0) ProcessList();
    } else if (ReadCentralDir() > 0) {
      ProcessList();
    }
  } catch (const ArchiveError&) {
    // Reported where it was raised; the run ends with what was written.
  }
  list_.clear();
  Crypto.Wipe();
}

void ZipExtractor::AddToTotals(const ZipHeader& h) {
  // Sizes come from the archive: their sum stops at the largest count instead of running over.
  if (__builtin_add_overflow(ArchiveTotal, int64_t(h.Uncompressed), &ArchiveTotal))
    ArchiveTotal = std::numeric_limits<int64_t>::max();
  if (h.DosDateTime > NewestDate) NewestDate = h.DosDateTime;
}

int ZipExtractor::ReadCentralDir() {
  // Where detection found the central directory: its stated start plus the shift of a stub. A stated start
  // outside the file is damage; the directory is then read where the search found it by its size. The
  // offsets of a split set count in volumes that are not open here: only a sum past any file is damage.
  if (ZipEndRecord.size() < 22) return 0;
  const bool zip64 = Zip64EndRecord.size() >= 56;
  const bool split = IsSplitZip(ArchiveType);
  const int64_t reach = split ? std::numeric_limits<int64_t>::max() : ArchiveSize;
  cdStart_ = ShiftedOffset(zip64 ? Le64(&Zip64EndRecord[48]) : Le32(&ZipEndRecord[16]), OffsetCorrection, reach);
  const bool startDamaged = cdStart_ < 0;
  if (startDamaged) cdStart_ = ZipCentralStart;
  ArchiveTotal = 0;
  int64_t position = cdStart_;
  int walked = 0;
  ZipHeader c;
  while (!GetCancel() && ReadHeaderAt(position, HeaderType::Central, c)) {
    ++walked;
    const int64_t next = c.DataPosition;
    EntryName = c.Name;
    if (IsEntrySelected(c.Name)) {
      // The strong-encryption flag counts from the local header, which describes the entry's data
      // (some writers set it in the central header alone, over data enciphered the traditional way).
      if (EncryptionOf(uint16_t(c.Flags & ~kFlagStrong), c.Extra) == EncryptionKind::Unsupported) {
        DoError(c.Name, {}, msg::UnsupportedPassword, archiveName_);
      } else {
        Listed item;
        item.Central = c;
        item.FromCentral = true;
        item.Disk = c.Disk;
        item.Attributes = c.ExternalAttr;
        // A local offset past the end of the file is damage, which no shift of a stub explains.
        item.LocalPosition = ShiftedOffset(c.LocalOffset, OffsetCorrection, reach);
        bool found = item.LocalPosition >= 0;
        if (found && !split) {
          ZipHeader l;
          found = ReadHeaderAt(item.LocalPosition + localShift_, HeaderType::Local, l);
          if (!found && !shiftSearched_) {
            shiftSearched_ = true;
            localShift_ = FindLocalHeaderShift(c, item.LocalPosition);
            found = localShift_ != 0 && ReadHeaderAt(item.LocalPosition + localShift_, HeaderType::Local, l);
          }
          item.LocalPosition += localShift_;
        }
        if (!found) {
          DoError(c.Name, {}, msg::BadLocalOffset, archiveName_);
        } else {
          list_.push_back(item);
          AddToTotals(c);
        }
      }
    }
    position = next;
  }
  // An end record that counts more entries than the walk could read is a damaged directory, not
  // a shorter archive: reported, and the entries are looked for by their local headers as well.
  // A split set's directory may begin on an earlier volume, which the walk does not read; there
  // only a walk that read nothing at all is known to be wrong. 0xFFFF without a Zip64 record
  // counts nothing.
  const uint64_t stated = zip64 ? Le64(&Zip64EndRecord[32]) : Le16(&ZipEndRecord[10]);
  const bool countKnown = zip64 || stated != 0xFFFF;
  const bool damaged =
      (startDamaged && !split) || (split || !countKnown ? walked == 0 && stated > 0 : uint64_t(walked) < stated);
  if (damaged && !GetCancel()) {
    DoError(archivePath_, {}, msg::BadFileHeader, archiveName_);
    if (!split) FindEntriesTheDirectoryLost();
  }
  MarkEntriesInsideOthers();
  return int(list_.size());
}

int64_t ZipExtractor::FindLocalHeaderShift(const ZipHeader& central, int64_t computed) {
  // A stub put in front of an archive without adjusting its offsets shifts every local header
  // by the same amount; the first header that carries the entry's own name tells how much.
  Stream32& s = *archiveStream_;
  const int64_t remembered = s.Position();
  std::vector<uint8_t> block(32768 + 3);
  int64_t shift = 0;
  for (int n = 0; n < 5 && shift == 0; ++n) {
    const int64_t from = int64_t(n) * 32768;
    if (s.Seek(from, SeekOrigin::Beginning) != from) break;
    const int64_t got = s.Read(block.data(), int64_t(block.size()));
    for (int64_t i = 0; i + 4 <= got && shift == 0; ++i) {
      if (block[size_t(i)] != 'P' ||
          ClassifySignature(Le32(&block[size_t(i)]), HeaderType::Local).Kind != HeaderType::Local)
        continue;
      ZipHeader l;
      if (ReadHeaderAt(from + i, HeaderType::Local, l) && l.RawName == central.RawName && from + i != computed)
        shift = from + i - computed;
    }
    if (got < int64_t(block.size())) break;
  }
  s.Seek(remembered, SeekOrigin::Beginning);
  return shift;
}

int64_t ZipExtractor::SkipDescriptor(int64_t position) {
  // Signature (optional), CRC and two sizes of 4 bytes, or of 8 in a Zip64 entry: the one after
  // which a header follows.
  Stream32& s = *archiveStream_;
  uint8_t sig[4];
  if (ReadExact(s, position, sig, 4) && Le32(sig) == kDescriptorSig) position += 4;
  for (const int64_t length : {12, 20})
    if (ReadExact(s, position + length, sig, 4) &&
        (ClassifySignature(Le32(sig), HeaderType::Local).Kind == HeaderType::Local ||
         ClassifySignature(Le32(sig), HeaderType::Central).Kind == HeaderType::Central))
      return position + length;
  return position + 12;
}

void ZipExtractor::WalkLocalHeaders(
    const std::function<std::optional<uint64_t>(int64_t position, const ZipHeader&)>& visit) {
  Stream32& s = *archiveStream_;
  int64_t position = std::max<int64_t>(ArchiveOffset, 0);
  uint8_t sig[4];
  if (ReadExact(s, position, sig, 4) && Le32(sig) == kDescriptorSig) position += 4;
  ZipHeader l;
  // Data in front of the first header (a stub, junk): the walk starts at the first header found.
  if (!ReadHeaderAt(position, HeaderType::Local, l)) {
    std::vector<uint8_t> block(5 * 32768);
    const int64_t got =
        s.Seek(position, SeekOrigin::Beginning) == position ? s.Read(block.data(), int64_t(block.size())) : 0;
    for (int64_t i = 0; i + 4 <= got; ++i)
      if (block[size_t(i)] == 'P' &&
          ClassifySignature(Le32(&block[size_t(i)]), HeaderType::Local).Kind == HeaderType::Local &&
          ReadHeaderAt(position + i, HeaderType::Local, l)) {
        position += i;
        break;
      }
  }
  const int64_t fileSize = s.Size();
  while (!GetCancel() && ReadHeaderAt(position, HeaderType::Local, l)) {
    EntryName = l.Name;
    const std::optional<uint64_t> compressed = visit(position, l);
    if (!compressed) break;
    // An entry that runs past the end of the file is the last one the walk can find.
    if (*compressed > uint64_t(std::max<int64_t>(fileSize - l.DataPosition, 0))) break;
    position = l.DataPosition + int64_t(*compressed);
    if (l.Flags & kFlagDescriptor) position = SkipDescriptor(position);
  }
}

namespace {
// Without a central directory nothing tells where an entry with a trailing descriptor ends: such
// an entry cannot be read safely, and a walk cannot go past it.
bool SizeUnknown(const ZipHeader& local) { return (local.Flags & kFlagDescriptor) && local.Compressed == 0; }
}  // namespace

int ZipExtractor::ReadLocalHeaders() {
  if (OnCorruptZipHeader) {
    bool cancel = true;
    OnCorruptZipHeader(*this, DetectFlags, cancel);
    if (cancel) return 0;
  }
  ArchiveTotal = 0;
  WalkLocalHeaders([this](int64_t position, const ZipHeader& l) -> std::optional<uint64_t> {
    if (SizeUnknown(l)) {
      DoError(l.Name, {}, msg::BadFileHeader, archiveName_);
      return std::nullopt;
    }
    if (!l.Name.empty() && IsEntrySelected(l.Name)) {
      Listed item;
      item.LocalPosition = position;
      list_.push_back(item);
      AddToTotals(l);
    }
    return l.Compressed;
  });
  // Nothing to list is an error unless the end record says the archive is empty.
  uint8_t end[12] = {};
  const bool endFirst = ReadExact(*archiveStream_, ArchiveOffset, end, 12) &&
                        ClassifySignature(Le32(end), HeaderType::Ending).Kind == HeaderType::Ending;
  const bool statedEmpty =
      (ZipEndRecord.size() >= 22 && Le16(&ZipEndRecord[10]) == 0) || (endFirst && Le16(end + 10) == 0);
  if (list_.empty() && !GetCancel() && !statedEmpty) DoError(archivePath_, {}, msg::BadFileHeader, archiveName_);
  // Every whole ZIP archive ends with its end record: one without it was cut short (a broken
  // download), and its last header read may be where the cut fell rather than the end. What was
  // listed is still read; the run is reported as one over a damaged archive.
  const bool endRecord = ZipEndRecord.size() >= 22 || endFirst;
  if (!list_.empty() && !GetCancel() && !endRecord && !IsSplitZip(ArchiveType))
    DoError(archivePath_, {}, msg::BadFileHeader, archiveName_);
  return int(list_.size());
}

void ZipExtractor::FindEntriesTheDirectoryLost() {
  // The entries the directory did list are stepped over by their central sizes (they may have
  // trailing descriptors); one whose local header carries another name was listed from a header
  // read out of step, and its local header counts instead.
  std::map<int64_t, size_t> listedAt;
  for (size_t i = 0; i < list_.size(); ++i) listedAt[list_[i].LocalPosition] = i;
  WalkLocalHeaders([&](int64_t position, const ZipHeader& l) -> std::optional<uint64_t> {
    const auto listed = listedAt.find(position);
    if (listed != listedAt.end() && list_[listed->second].Central.RawName == l.RawName)
      return list_[listed->second].Central.Compressed;
    if (SizeUnknown(l)) {
      if (listed != listedAt.end()) list_.erase(list_.begin() + long(listed->second));
      return std::nullopt;
    }
    if (listed != listedAt.end()) {
      list_[listed->second] = Listed{};
      list_[listed->second].LocalPosition = IsEntrySelected(l.Name) ? position : -1;
    } else if (!l.Name.empty() && IsEntrySelected(l.Name)) {
      Listed item;
      item.LocalPosition = position;
      list_.push_back(item);
      AddToTotals(l);
    }
    return l.Compressed;
  });
  std::erase_if(list_, [](const Listed& item) { return item.LocalPosition < 0; });
  std::stable_sort(list_.begin(), list_.end(),
                   [](const Listed& a, const Listed& b) { return a.LocalPosition < b.LocalPosition; });
}

namespace {
// Whether an entry's local header says what its central header says, wherever both state a thing. The name
// counts as the same when its stored bytes are, when it reads the same (a writer may flag the name's encoding in
// one header only), or when both headers carry the same UTF-8 copy of it (a writer that stored the name in two
// code pages). A local header followed by a descriptor states no CRC or size, and a zero field there is one the
// writer left to the central header. The strong-encryption flag counts from the local header alone (see
// ReadCentralDir), and the descriptor's flag may stand in one header only.
bool HeadersAgree(const ZipHeader& central, const ZipHeader& local) {
  const ZipExtra &c = central.Extra, &l = local.Extra;
  const bool sameName = central.RawName == local.RawName || central.Name == local.Name ||
                        (c.HasUnicodePath && l.HasUnicodePath && c.UnicodePath == l.UnicodePath);
  const bool sameAes = !c.HasAes || !l.HasAes ||
                       (c.AesVersion == l.AesVersion && c.AesStrength == l.AesStrength && c.AesMethod == l.AesMethod);
  const bool deferred = local.Flags & kFlagDescriptor;
  auto same = [deferred](uint64_t stated, uint64_t central) { return deferred || stated == 0 || stated == central; };
  return sameName && sameAes && central.Method == local.Method &&
         ((central.Flags ^ local.Flags) & kFlagEncrypted) == 0 && central.DosDateTime == local.DosDateTime &&
         same(local.Crc, central.Crc) && same(local.Compressed, central.Compressed) &&
         same(local.Uncompressed, central.Uncompressed);
}
}  // namespace

void ZipExtractor::MarkEntriesInsideOthers() {
  // Split volumes each count their own offsets, and their local headers are read only when extracting.
  if (IsSplitZip(ArchiveType)) return;
  struct Span {
    int64_t start, end;
    size_t index;
  };
  std::vector<Span> spans;
  for (size_t i = 0; i < list_.size(); ++i) {
    const Listed& item = list_[i];
    ZipHeader l;
    // An entry whose headers disagree is damaged itself, and the extent it states is no witness against another.
    if (!ReadHeaderAt(item.LocalPosition, HeaderType::Local, l) || (item.FromCentral && !HeadersAgree(item.Central, l)))
      continue;
    const uint64_t packed = item.FromCentral ? item.Central.Compressed : l.Compressed;
    int64_t end = 0;
    if (__builtin_add_overflow(l.DataPosition, int64_t(packed), &end)) end = std::numeric_limits<int64_t>::max();
    spans.push_back({item.LocalPosition, end, i});
  }
  std::stable_sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.start < b.start; });
  int64_t reach = std::numeric_limits<int64_t>::min();
  for (const Span& s : spans) {
    if (s.start < reach) list_[s.index].InsideAnother = true;
    reach = std::max(reach, s.end);
  }
}

void ZipExtractor::ProcessList() {
  ArchiveLeft = ArchiveTotal;
  bool first = true;
  for (const Listed& item : list_) {
    if (GetCancel() || runStopped_) break;
    if (ArchiveType == ArchiveFormat::ZipSpan && first) {
      Span.DiskIndex = int(item.Disk) + 1;
      if (!Span.SwitchVolume(item.LocalPosition)) break;
    }
    first = false;
    // Entries found by their local headers lie in the file that is open: a volume opened by
    // itself gives what it holds without asking for the others.
    if (ArchiveType == ArchiveFormat::ZipMVol && item.FromCentral && OpenVolume != int(item.Disk) + 1 &&
        !OpenVolumeByIndex(int(item.Disk), VolumeCount()))
      break;
    if (!ReadHeaderAt(item.LocalPosition, HeaderType::Local, Local)) {
      DoError(item.FromCentral ? item.Central.Name : EntryName, {}, msg::BadLocalOffset, archiveName_);
      continue;
    }
    Central = item.Central;
    if (item.FromCentral) {
      EntryName = Central.Name;
      // A central header whose local header names another entry, or lies in another entry's bytes, lists an
      // entry the archive does not hold; one whose two headers disagree cannot tell which of them is right.
      // Such an entry is damage: reported, and nothing is written in its place.
      const int damage = item.InsideAnother              ? msg::BadLocalOffset
                         : !HeadersAgree(Central, Local) ? msg::BadFileHeader
                                                         : 0;
      if (damage != 0) {
        DoError(EntryName, {}, damage, archiveName_);
        SkipEntryProgress(int64_t(Central.Uncompressed));
        continue;
      }
      // The local header holds the sizes and CRC of its data, a zero field standing for one not written there;
      // an entry written with a trailing descriptor has them in the central header.
      const bool described = Local.Flags & kFlagDescriptor;
      auto settle = [&](auto& local, auto central) {
        if (local == 0 || described) local = central;
      };
      settle(Local.Compressed, Central.Compressed);
      settle(Local.Uncompressed, Central.Uncompressed);
      settle(Local.Crc, Central.Crc);
    } else {
      EntryName = Local.Name;
    }
    ApplyStoredPath(EntryName);
    EntrySize = int64_t(Local.Uncompressed);
    EntryDone = 0;
    if (PathRefused) {
      DoError(EntryName, {}, msg::BadFileHeader, archiveName_);
      SkipEntryProgress(EntrySize);
      continue;
    }
    ExtractZipFile(item);
  }
}

// ---------------------------------------------------------------- one entry

void ZipExtractor::ExtractZipFile(const Listed& item) {
  const ZipHeader& h = Local;
  const bool jar = ArchiveType == ArchiveFormat::Jar || ArchiveType == ArchiveFormat::JarSfx;
  // A folder: a name ending in "\", or a DOS folder attribute on a name stored without it.
  const bool isDirectory = (!EntryName.empty() && EntryName.back() == '\\') ||
                           (item.FromCentral && (item.Attributes & 0x10) && Local.Uncompressed == 0);
  int attribute = int(item.Attributes & 0xFF);
  if (jar) attribute = isDirectory ? 0x10 : 0x20;
  if (isDirectory) attribute = 0x10;

  // What the central header's extra field says about encryption counts where the local one is silent.
  if (item.FromCentral) {
    if (!Local.Extra.HasAes && Central.Extra.HasAes) {
      Local.Extra.HasAes = true;
      Local.Extra.AesVersion = Central.Extra.AesVersion;
      Local.Extra.AesVendor = Central.Extra.AesVendor;
      Local.Extra.AesStrength = Central.Extra.AesStrength;
      Local.Extra.AesMethod = Central.Extra.AesMethod;
    }
    Local.Extra.Strong = Local.Extra.Strong || Central.Extra.Strong;
  }
  SetCryptKind(EncryptionOf(h.Flags, h.Extra));
  const int method = ResolvedMethod(h);
  // Entries that cannot be decoded are refused before anything is written or counted.
  if (!isDirectory && CryptKind == EncryptionKind::Unsupported) {
    DoError(OutputName, {}, msg::UnsupportedPassword, archiveName_);
    if (OnEnd) OnEnd(*this, OutputName, false);
    SkipEntryProgress(EntrySize);
    return;
  }
  if (!isDirectory && !IsDecodedMethod(method)) {
    DoError(OutputName, {}, msg::UnsupportedMethod, archiveName_);
    if (OnEnd) OnEnd(*this, OutputName, false);
    SkipEntryProgress(EntrySize);
    return;
  }
  if (!CheckOverwrite(isDirectory)) {
    SkipEntryProgress(EntrySize);
    return;
  }
  Crc32 = 0xFFFFFFFF;
  entryWriteFailed_ = false;
  if (isDirectory) {
    // A folder that cannot be made fails its entry, as a file that cannot be written does.
    if (CreateStoredDirs && !MakeStoredFolder())
      entryWriteFailed_ = true;
    else
      Crc32 = h.Crc;
    CheckCrc(32, h.Crc);
    return;
  }

  const bool encrypted = CryptKind != EncryptionKind::None;
  aes_.reset();
  archiveStream_->Seek(h.DataPosition, SeekOrigin::Beginning);
  if (encrypted) {
    if (IsAes(CryptKind)) aes_ = std::make_unique<AesEntryDecryptor>(archiveStream_.get());
    // No password that fits: the entry is not readable, and no file is opened for it.
    if (!GetPassword()) {
      UncountEntry();
      entryWriteFailed_ = true;
      SkipEntryProgress(EntrySize);
      CheckCrc(32, h.Crc);
      return;
    }
  }
  std::unique_ptr<FileStream32> out;
  if (!OpenOutput(out, OutputName)) {
    DoError(OutputName, {}, msg::OpenError, archiveName_);
    UncountEntry();
    entryWriteFailed_ = true;
    SkipEntryProgress(EntrySize);
    CheckCrc(32, h.Crc);
    return;
  }
  // Packed bytes beyond the data: the traditional header, or the AES salt, verifier and code.
  int64_t overhead = 0;
  if (CryptKind == EncryptionKind::Traditional)
    overhead = int64_t(kZipCryptHeaderLength);
  else if (IsAes(CryptKind))
    overhead = AesZipSaltLength(h.Extra.AesStrength) + kAesZipVerifierLength + kAesZipMacLength;
  const int64_t packed = int64_t(h.Compressed) - overhead;
  bool complete = false;
  if (packed >= 0) {
    output_ = out.get();
    try {
      complete = DecompressEntry(method, packed, int64_t(h.Uncompressed)) && written_ == int64_t(h.Uncompressed);
    } catch (const ArchiveError&) {
      complete = false;
    }
  } else {
    DoError(OutputName, {}, msg::BadFileHeader, archiveName_);
  }
  output_ = nullptr;
  bool verdict = complete;
  if (IsAes(CryptKind)) {
    // The authentication code covers the ciphertext; AE-2 stores no CRC, AE-1 has both.
    const bool macOk = complete && aes_->VerifyMac();
    verdict = macOk;
    if (IsAe2(CryptKind) && macOk) Crc32 = h.Crc ^ 0xFFFFFFFFu;
  }
  if (!verdict) entryWriteFailed_ = true;
  try {
    CloseOutput(out, OutputName, attribute, h.DosDateTime);
  } catch (...) {
    entryWriteFailed_ = true;
  }
  FinishOutput(32, h.Crc);
  aes_.reset();
}

int64_t ZipExtractor::ReadPacked(uint8_t* buffer, int64_t count) {
  count = std::min(count, packedLeft_);
  if (count <= 0 || GetCancel()) return 0;
  int64_t got = archiveStream_->Read(buffer, count);
  // A split entry goes on at the start of the next volume.
  while (got <= 0 && IsSplitZip(ArchiveType) && !GetCancel()) {
    if (!NextVolume()) return 0;
    got = archiveStream_->Read(buffer, count);
  }
  if (got <= 0) return 0;
  if (CryptKind == EncryptionKind::Traditional)
    Crypto.DecryptBuffer(false, buffer, size_t(got));
  else if (aes_)
    aes_->DecryptBuffer(buffer, size_t(got));
  packedLeft_ -= got;
  return got;
}

bool ZipExtractor::NextVolume() {
  if (ArchiveType == ArchiveFormat::ZipSpan) return Span.SwitchVolume(0, false) && archiveStream_ != nullptr;
  if (OpenVolume < 1 || OpenVolume >= VolumeCount()) return false;
  if (!OpenVolumeByIndex(OpenVolume, VolumeCount())) return false;
  return archiveStream_->Seek(0, SeekOrigin::Beginning) == 0;
}

bool ZipExtractor::DecompressEntry(int method, int64_t packed, int64_t unpacked) {
  packedLeft_ = packed;
  written_ = 0;
  ZipDecodeIo io;
  io.Read = [this](uint8_t* b, int64_t n) { return ReadPacked(b, n); };
  io.Write = [this, unpacked](const uint8_t* b, int64_t n) {
    if (n <= 0) return true;
    // More output than the header declares is damaged data: it stops here instead of filling the disk.
    if (n > unpacked - written_) return false;
    // An AE-2 entry stores no CRC (its authentication code is the check): none is computed.
    const int64_t done = WriteBlock(*output_, b, !IsAe2(CryptKind), n, 32);
    written_ += std::max<int64_t>(done, 0);
    ArchiveLeft -= std::max<int64_t>(done, 0);
    return done == n && !entryWriteFailed_;
  };
  io.Progress = [this] {
    if (ProcessMessages) ProcessMessages();
    DoProgress(std::min(written_, EntrySize), EntrySize, ArchiveTotal);
  };
  io.Cancel = &GetCancelRef();
  io.Flags = Local.Flags;
  io.PackedSize = packed;
  io.UnpackedSize = unpacked;
  if (packed == 0) return true;  // nothing stored: nothing to write

  DecodeResult result = DecodeResult::Ok;
  switch (method) {
    case 0: {
      std::vector<uint8_t> buffer(size_t(std::min<int64_t>(packed, 32768)));
      while (packedLeft_ > 0 && !GetCancel()) {
        const int64_t got = ReadPacked(buffer.data(), int64_t(buffer.size()));
        if (got <= 0) {
          result = DecodeResult::InputEnded;
          break;
        }
        if (!io.Write(buffer.data(), got)) {
          result = DecodeResult::WriteFailed;
          break;
        }
        io.Progress();
      }
      if (GetCancel()) result = DecodeResult::Cancelled;
      break;
    }
    case 1: result = Unshrink(io); break;
    case 2:
    case 3:
    case 4:
    case 5: result = Unreduce(io, method - 1); break;
    case 6: result = Explode(io); break;
    case 8: result = InflateDeflate(io); break;
    case 9: result = InflateDeflate64(io); break;
    case 12: result = BZip2DecodeStream(io); break;
    default: DoError(OutputName, {}, msg::UnsupportedMethod, archiveName_); return false;
  }
  if (result != DecodeResult::Ok) {
    const int code = DecodeResultMessage(method, result);
    if (code != 0 && code != msg::WriteError) DoError(OutputName, {}, code, archiveName_);
    return false;
  }
  // The AES code follows the data: the stream must stand right behind the packed bytes.
  if (packedLeft_ > 0 && aes_) {
    std::vector<uint8_t> rest(size_t(std::min<int64_t>(packedLeft_, 32768)));
    while (packedLeft_ > 0 && ReadPacked(rest.data(), int64_t(rest.size())) > 0) {
    }
  }
  return true;
}

// ---------------------------------------------------------------- passwords

bool ZipExtractor::CheckDecryptHeader() {
  return Crypto.CheckEncryptionHeader(cryptHeader_, Local.Flags, Local.Crc, Local.DosDateTime, CurrentPassword);
}

bool ZipExtractor::GetPassword() {
  SuspendTimer suspend(Timer);
  const ZipExtra& x = Local.Extra;  // merged with the central one by the caller
  if (x.Strong) return false;
  if (x.HasAes && x.AesVendor != 0x4541) return false;  // "AE"
  Stream32& s = *archiveStream_;
  const int64_t dataAt = Local.DataPosition;
  const bool traditional = CryptKind == EncryptionKind::Traditional;
  if (traditional && (s.Seek(dataAt, SeekOrigin::Beginning) != dataAt ||
                      s.Read(cryptHeader_, int64_t(kZipCryptHeaderLength)) != int64_t(kZipCryptHeaderLength)))
    return false;
  auto fits = [&](const std::string& password) {
    if (password.empty()) return false;
    if (traditional) {
      CurrentPassword = password;
      return CheckDecryptHeader();
    }
    int64_t headerBytes = 0;
    s.Seek(dataAt, SeekOrigin::Beginning);
    return aes_->CheckPassword(password, x.AesStrength, headerBytes);
  };
  auto found = [&] {
    // The data follows the 12-byte header; CheckPassword leaves an AES entry's stream in place.
    if (traditional) s.Seek(dataAt + int64_t(kZipCryptHeaderLength), SeekOrigin::Beginning);
    return true;
  };
  if (fits(CurrentPassword)) return found();
  for (const std::string& password : Passwords) {
    if (fits(password)) {
      CurrentPassword = password;
      return found();
    }
  }
  if (PasswordAttempts <= 0) return false;
  if (!OnGetPassword) {
    DoError(EntryName, {}, msg::EventNotAssigned, archiveName_);
    return false;
  }
  for (int attempt = 0; attempt < PasswordAttempts && !GetCancel(); ++attempt) {
    std::string password = CurrentPassword;
    SeedKeyRecord headerKeys = Crypto.HeaderStart, dataKeys = Crypto.DataStart;
    bool tryAgain = true;
    OnGetPassword(*this, EntryName, password, headerKeys, dataKeys, tryAgain);
    // Keys the handler gives are the starting registers for what follows.
    Crypto.HeaderStart = headerKeys;
    Crypto.DataStart = dataKeys;
    if (!tryAgain) {
      DoError(EntryName, {}, msg::InvalidPassword, archiveName_);
      break;
    }
    if (fits(password)) {
      CurrentPassword = password;
      Passwords.insert(Passwords.begin(), password);
      return found();
    }
    DoError(EntryName, {}, msg::InvalidPassword, archiveName_);
  }
  return false;
}

}  // namespace corvina::archive
