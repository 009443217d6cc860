#include "archive/LhaExtractor.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "archive/ByteOrder.h"
#include "archive/Paths.h"

namespace corvina::archive {

namespace {
constexpr uint8_t kExtName = 1, kExtDirectory = 2;

// The list record: attribute byte, then the header's offset (64-bit).
EntryHeaderList::Record MakeItem(uint8_t attribute, int64_t offset) {
  EntryHeaderList::Record r{};
  r[0] = attribute;
  std::memcpy(&r[8], &offset, sizeof offset);
  return r;
}
int64_t ItemOffset(const EntryHeaderList::Record& r) {
  int64_t offset;
  std::memcpy(&offset, &r[8], sizeof offset);
  return offset;
}
}  // namespace

bool LhaExtractor::BadHeader() {
  // A header that cannot be read names no entry: the archive and the header's place in it are told.
  DoError(archivePath_, "header at offset " + std::to_string(headerOffset_), msg::BadFileHeader, archiveName_);
  return false;
}

bool LhaExtractor::ReadHeaderBytes(Stream32& archive, int64_t offset) {
  headerOffset_ = offset;
  Header.NextSize = 0;
  Header.Flag = 0;
  std::memset(raw_, 0, sizeof raw_);
  if (archive.Seek(offset, SeekOrigin::Beginning) != offset) return false;
  return ReadBlock(archive, raw_, 22) == 22;
}

bool LhaExtractor::ReadLhaHeader(Stream32& archive) {
  Lzh& h = Header;
  h.HeadSize = raw_[0];
  h.HeadChk = raw_[1];
  std::memcpy(h.Method, raw_ + 2, 5);
  h.PackedSize = Le32(raw_ + 7);
  h.UnpackedSize = Le32(raw_ + 11);
  h.Stamp = Le32(raw_ + 15);
  h.Attribute = raw_[19];
  h.Level = raw_[20];
  h.NameLength = raw_[21];
  EntryName.clear();
  if (h.Level > 2) return BadHeader();

  std::string rawName, rawDir;
  // One extended header's data. A file-name header is honoured at level 1 too: writers put the
  // whole name there when the base header's field is too short for it.
  auto takeExtended = [&](uint8_t type, const uint8_t* data, size_t length) {
    if (type == kExtName) {
      rawName.assign(reinterpret_cast<const char*>(data), length);
    } else if (type == kExtDirectory) {
      rawDir.assign(reinterpret_cast<const char*>(data), length);
    }
  };

  if (h.Level <= 1) {
    const int n = h.NameLength;
    if (h.HeadSize < 22 || h.HeadSize < (h.Level == 0 ? 22 + n : 25 + n)) return BadHeader();
    const size_t rest = size_t(h.HeadSize) + 2 - 22;
    std::vector<uint8_t> base(rest);
    if (ReadBlock(archive, base.data(), int64_t(rest)) != int64_t(rest)) return BadHeader();
    rawName.assign(reinterpret_cast<const char*>(base.data()), size_t(n));
    h.Crc = Le16(&base[size_t(n)]);
    HeaderLength = int64_t(h.HeadSize) + 2;
    DataSize = h.PackedSize;
    if (h.Level == 1) {
      h.OsId = base[size_t(n) + 2];
      h.NextSize = Le16(&base[rest - 2]);
      // The extended headers sit in front of the data and are counted in its packed size.
      int64_t total = 0;
      while (h.NextSize != 0) {
        const size_t size = h.NextSize;
        if (size < 3 || total + int64_t(size) > int64_t(h.PackedSize)) return BadHeader();
        h.ExtBlock.resize(size);
        if (ReadBlock(archive, h.ExtBlock.data(), int64_t(size)) != int64_t(size)) return BadHeader();
        const auto* e = reinterpret_cast<const uint8_t*>(h.ExtBlock.data());
        takeExtended(e[0], e + 1, size - 3);
        h.NextSize = Le16(e + size - 2);
        total += int64_t(size);
      }
      HeaderLength += total;
      DataSize = int64_t(h.PackedSize) - total;
    }
  } else {
    size_t length = Le16(raw_);
    if (length < 26) return BadHeader();
    std::vector<uint8_t> hdr(raw_, raw_ + 22);
    hdr.resize(length);
    if (ReadBlock(archive, hdr.data() + 22, int64_t(length - 22)) != int64_t(length - 22)) return BadHeader();
    h.Crc = Le16(&hdr[21]);
    h.OsId2 = hdr[23];
    h.NextSize = Le16(&hdr[24]);
    size_t pos = 26;
    while (h.NextSize != 0) {
      const size_t size = h.NextSize;
      if (size < 3) return BadHeader();
      if (pos + size > length) {
        // Some writers (OS-9/68k LHa) count the header two bytes short; the chain itself is
        // the better witness of where the data starts, as long as the file holds it.
        const size_t more = pos + size - length;
        if (pos + size > 65535) return BadHeader();
        hdr.resize(pos + size);
        if (ReadBlock(archive, hdr.data() + length, int64_t(more)) != int64_t(more)) return BadHeader();
        length = pos + size;
      }
      takeExtended(hdr[pos], &hdr[pos + 1], size - 3);
      h.NextSize = Le16(&hdr[pos + size - 2]);
      pos += size;
    }
    HeaderLength = int64_t(length);
    DataSize = h.PackedSize;
  }

  // Amiga archivers store "name NUL comment": the name ends at the first NUL.
  if (const size_t nul = rawName.find('\0'); nul != std::string::npos) rawName.resize(nul);
  // Names: CP932 as stored by DOS and Windows archivers; a level-2 header written on Unix may hold
  // UTF-8, which is kept when it is valid. The folder's 0xFF separators are no UTF-8 byte, and the
  // CP932 reading of lead bytes must not swallow a separator behind a UTF-8 character: in UTF-8 every
  // 0xFF and "/" separates.
  std::string unixDir = rawDir;
  for (char& c : unixDir)
    if (uint8_t(c) == 0xFF) c = '\\';
  const bool utf8 = h.Level == 2 && h.OsId2 == 'U' && IsValidUtf8(rawName) && IsValidUtf8(unixDir);
  std::string name = utf8 ? SlashToBackslash(rawName) : ConvertEntryName(ArchiveFormat::Lha, 0, rawName);
  if (!rawDir.empty()) {
    const std::string dir =
        utf8 ? SlashToBackslash(unixDir) : ConvertEntryName(ArchiveFormat::Lha, 0, ConvertSeparators(rawDir));
    name = WithTrailingBackslash(dir) + name;
  }
  EntryName = name;
  DosStamp = h.Level == 2 ? DateTimeToDosDateTime(UnixTimeToDateTime(h.Stamp)) : h.Stamp;
  return true;
}

void LhaExtractor::ExtractLoop() {
  // Only an archive that detection recognised as LHA has a place to start reading from.
  if ((ArchiveType != ArchiveFormat::Lha && ArchiveType != ArchiveFormat::LhaSfx) || ArchiveOffset < 0) {
    DoError(archivePath_, {}, msg::BadFileHeader, archiveName_);
    return;
  }
  list_.ClearHeaders();
  struct Clear {
    EntryHeaderList& list;
    ~Clear() { list.ClearHeaders(); }
  } clear{list_};
  if (ScanLhaHeaders(*archiveStream_) > 0) ExtractLhaList(*archiveStream_);
}

int LhaExtractor::ScanLhaHeaders(Stream32& archive) {
  int64_t offset = ArchiveOffset;
  bool got = ReadHeaderBytes(archive, offset);
  ArchiveTotal = 0;
  while (raw_[0] != 0) {
    if (GetCancel()) break;
    if (!got || !ReadLhaHeader(archive)) break;
    ApplyStoredPath(EntryName);
    if (PathRefused) {
      DoError(EntryName, {}, msg::BadFileHeader, archiveName_);
    } else if (IsEntrySelected(EntryName)) {
      list_.AddHeader(MakeItem(Header.Attribute, offset));
      if (DosStamp > NewestDate) NewestDate = DosStamp;
      ArchiveTotal += Header.UnpackedSize;
    }
    offset += HeaderLength + DataSize;
    got = ReadHeaderBytes(archive, offset);
  }
  return list_.Count;
}

void LhaExtractor::ExtractLhaList(Stream32& archive) {
  ArchiveLeft = ArchiveTotal;
  for (int i = 0; i < list_.Count; ++i) {
    if (GetCancel() || runStopped_) break;
    const auto& item = list_.GetHeader(i);
    if (!ReadHeaderBytes(archive, ItemOffset(item))) break;
    if (!ReadLhaHeader(archive)) break;
    ApplyStoredPath(EntryName);
    EntrySize = Header.UnpackedSize;
    EntryDone = 0;
    ExtractLhaFile(archive, item[0]);
  }
}

bool LhaExtractor::ExtractLhaFile(Stream32& archive, int attribute) {
  const LzhMethod* method = FindLzhMethod(Header.Method);
  // A method that is not decoded here is refused before anything is written or counted.
  if (!method) {
    DoError(OutputName, {}, msg::UnsupportedMethod, archiveName_);
    if (OnEnd) OnEnd(*this, OutputName, false);
    SkipEntryProgress(Header.UnpackedSize);
    return false;
  }
  // Some writers (Amiga LhA) store an empty folder as an empty stored entry named with a
  // trailing separator: there is no file to write under such a name, only the folder.
  const bool storedFolder = method->Decoding == LzhDecoding::Stored && Header.UnpackedSize == 0 && !EntryName.empty() &&
                            EntryName.back() == '\\';
  const bool isDirectory = method->Decoding == LzhDecoding::Folder || storedFolder;
  if (!CheckOverwrite(isDirectory)) {
    SkipEntryProgress(Header.UnpackedSize);
    return false;
  }
  Crc16 = 0;
  Crc32 = 0xFFFFFFFF;
  entryWriteFailed_ = false;

  if (isDirectory) {
    if (CreateStoredDirs && !MakeStoredFolder())
      entryWriteFailed_ = true;
    else
      Crc16 = Header.Crc;
    return CheckCrc(16, Header.Crc);
  }

  std::unique_ptr<FileStream32> out;
  if (!OpenOutput(out, OutputName)) {
    DoError(OutputName, {}, msg::OpenError, archiveName_);
    SkipEntryProgress(Header.UnpackedSize);
    UncountEntry();
    entryWriteFailed_ = true;
    return CheckCrc(16, Header.Crc);
  }
  bool complete = false;
  try {
    switch (method->Decoding) {
      case LzhDecoding::Stored:
        complete = CopyStored(archive, *out, DataSize, 16) == 0 && DataSize == int64_t(Header.UnpackedSize);
        break;
      case LzhDecoding::AdaptiveHuffman:
        complete = DecodeLh1(*this, archive, *out, DataSize, Header.UnpackedSize);
        break;
      case LzhDecoding::StaticHuffman:
        staticDecoder_.SetMethod(*method);
        complete = staticDecoder_.DecodeLzhStatic(*this, archive, *out, DataSize, Header.UnpackedSize);
        break;
      case LzhDecoding::Folder: break;  // made above: a folder has no data
    }
  } catch (...) {
    // Reported where it was raised; the entry ends with its verdict below.
    complete = false;
  }
  // Damaged data that stops short of the stored size fails the entry whatever its CRC says.
  if (!complete) entryWriteFailed_ = true;
  try {
    CloseOutput(out, OutputName, attribute, DosStamp);
  } catch (...) {
    entryWriteFailed_ = true;
  }
  return FinishOutput(16, Header.Crc);
}

}  // namespace corvina::archive
