#pragma once
// ZipExtractor: the ZIP extractor. Lists entries from the central directory (or, when an archive has
// only local headers, from those), resolves Zip64 sizes and data-descriptor entries from the
// central header, deciphers traditional and AES entries, dispatches on the method to the entry
// decoders and writes each entry through the base's output services, so a failed entry never
// leaves a file behind. Split archives (numbered volume files) are in ZipVolumes.cpp.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/Aes.h"
#include "archive/ArchiveExtractor.h"
#include "archive/DeflateMethods.h"
#include "archive/ZipCrypt.h"
#include "archive/ZipVolumes.h"

namespace corvina::archive {

// What the extra field of one header said.
struct ZipExtra {
  bool Zip64Uncompressed = false, Zip64Compressed = false, Zip64Offset = false;
  uint64_t Uncompressed = 0, Compressed = 0, Offset = 0;
  bool HasUpper = false;  // the library's own 0x0064 record
  uint16_t UpperCompressed = 0, UpperUncompressed = 0, UpperOffset = 0;
  bool Strong = false;  // 0x0017: strong encryption
  bool HasAes = false;  // 0x9901
  uint16_t AesVersion = 0, AesVendor = 0, AesMethod = 0;
  uint8_t AesStrength = 0;
  bool HasUnicodePath = false;  // 0x7075: the name in UTF-8, valid while its CRC matches
  uint32_t UnicodePathCrc = 0;
  std::string UnicodePath;
};

// Reads the extra-field records. Every read stays inside its record; a record that runs past the
// field is passed over. Central selects the central-header form of the Zip64 record.
ZipExtra ReadExtraField(const uint8_t* data, size_t size, bool central, uint32_t uncompressed32, uint32_t compressed32,
                        uint32_t offset32);

// Header signatures, the standard one and the library's own variants.
struct SignatureClass {
  HeaderType Kind = HeaderType::None;
  bool Enciphered = false;
};
SignatureClass ClassifySignature(uint32_t signature, HeaderType wanted);

// One header as read and resolved: sizes and offset in 64 bits, the name converted to UTF-8 with
// "\" separators.
struct ZipHeader {
  uint16_t VersionMadeBy = 0, Flags = 0, Method = 0;
  uint32_t DosDateTime = 0, Crc = 0, ExternalAttr = 0, Disk = 0;
  uint64_t Compressed = 0, Uncompressed = 0, LocalOffset = 0;
  std::string RawName, Name;
  ZipExtra Extra;
  int64_t Position = 0;      // where the header starts
  int64_t DataPosition = 0;  // local headers: where the entry's data starts
};

class ZipExtractor : public ArchiveExtractor {
 public:
  ZipExtractor();
  ~ZipExtractor() override;

  // ---- settings and events beyond the base's
  ZipCrypto Crypto;  // cipher registers of this reader
  SeedKeys SeedDataKeys{Crypto, 0};
  SeedKeys SeedHeaderKeys{Crypto, 1};
  int PasswordAttempts = 3;
  // The size of the buffer for the archive's comment, kept within 2000..32767. Kept for callers that set it; it has
  // no effect: the reader reads no archive comment.
  int ZipCmntBufSize() const { return commentBufferSize_; }
  void SetZipCmntBufSize(int value) { commentBufferSize_ = value < 2000 ? 2000 : value > 32767 ? 32767 : value; }

  std::function<void(ZipExtractor&, const std::string& fileName, std::string& password, SeedKeyRecord& headerKeys,
                     SeedKeyRecord& dataKeys, bool& tryAgain)>
      OnGetPassword;
  std::function<void(ZipExtractor&, std::string& volumeName, int volumeId, bool exists, bool& cancel)> OnNextVolume;
  std::function<void(ZipExtractor&, bool&cancel)> OnGetZipFirstDisk, OnGetZipLastDisk;
  std::function<void(ZipExtractor&, const std::string& volumeName, bool& cancel)> OnGetZipNextDisk;
  std::function<void(ZipExtractor&, HeaderTypeState found, bool& cancel)> OnCorruptZipHeader;

  // ---- the entry being extracted
  ZipHeader Local;    // its local header
  ZipHeader Central;  // its central header (empty in the local-header walk)
  // How an entry with these flags and extra field is enciphered.
  EncryptionKind EncryptionOf(uint16_t flags, const ZipExtra& extra) const;

  // ---- passwords
  std::string CurrentPassword;
  bool CheckDecryptHeader();
  bool GetPassword();

  // ---- volumes (ZipVolumes.cpp)
  int OpenVolume = -1;  // number (disk + 1) of the split volume last opened
  bool OpenVolumeByIndex(int disk, int volumeCount);
  SpannedVolumes Span;
  int VolumeCount() const;
  // Makes the archive stream the given one (a volume switch).
  void ReplaceArchiveStream(std::unique_ptr<Stream32> stream);
  Stream32* Archive() { return archiveStream_.get(); }

 protected:
  void ExtractLoop() override;

 private:
  struct Listed {
    ZipHeader Central;  // resolved central header (sizes, CRC, name); empty for the local walk
    int64_t LocalPosition = 0;
    uint32_t Disk = 0;
    uint32_t Attributes = 0;
    bool FromCentral = false;
    bool InsideAnother = false;  // its local header lies inside an entry that begins before it
  };
  int ReadCentralDir();
  // Lists the entries of an archive that has no central directory from its local headers.
  int ReadLocalHeaders();
  // After a damaged central directory: adds the entries it lost, found by their local headers.
  void FindEntriesTheDirectoryLost();
  // Marks every listed entry whose local header lies inside the header or data of one that begins before it (or,
  // listed twice, at the same place): of entries that share their bytes, the first keeps them.
  void MarkEntriesInsideOthers();
  // Walks the local headers from the first one found. `visit` is given each header and where it
  // starts, and returns the packed bytes behind it, or nothing to end the walk.
  void WalkLocalHeaders(const std::function<std::optional<uint64_t>(int64_t position, const ZipHeader&)>& visit);
  int64_t SkipDescriptor(int64_t position);
  int64_t FindLocalHeaderShift(const ZipHeader& central, int64_t computed);
  bool ReadHeaderAt(int64_t position, HeaderType kind, ZipHeader& h);
  void ProcessList();
  void ExtractZipFile(const Listed& item);
  bool DecompressEntry(int method, int64_t packed, int64_t unpacked);
  int64_t ReadPacked(uint8_t* buffer, int64_t count);
  bool NextVolume();
  bool IsDecodedMethod(int method) const;
  int ResolvedMethod(const ZipHeader& h) const;
  void AddToTotals(const ZipHeader& h);

  std::vector<Listed> list_;
  int64_t cdStart_ = -1;
  int64_t localShift_ = 0;
  bool shiftSearched_ = false;
  // Read pointer state of the entry being decoded.
  int64_t packedLeft_ = 0;
  int64_t written_ = 0;
  Stream32* output_ = nullptr;
  std::unique_ptr<AesEntryDecryptor> aes_;
  uint8_t cryptHeader_[kZipCryptHeaderLength] = {};
  int commentBufferSize_ = 2000;
};

}  // namespace corvina::archive
