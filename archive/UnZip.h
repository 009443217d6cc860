#pragma once
// TUnZip: the ZIP extractor. Lists entries from the central directory (or, when an archive has
// only local headers, from those), resolves Zip64 sizes and data-descriptor entries from the
// central header, deciphers traditional and AES entries, dispatches on the method to the entry
// decoders and writes each entry through the base's output services, so a failed entry never
// leaves a file behind. Split archives (numbered volume files) and the password search are in
// ZipVolumes.cpp.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/Aes.h"
#include "archive/Inflate.h"
#include "archive/UnBase.h"
#include "archive/ZipCrypt.h"
#include "archive/ZipVolumes.h"

namespace corvina::archive {

// Encryption kinds of an entry: 0-2 AE-1, 3-5 AE-2 (128/192/256-bit), 6 traditional.
constexpr uint8_t kCryptTraditional = 6, kCryptNone = 13, kCryptUnsupported = 14;

// What the extra field of one header said.
struct TZipExtra {
    bool Zip64Uncompressed = false, Zip64Compressed = false, Zip64Offset = false;
    uint64_t Uncompressed = 0, Compressed = 0, Offset = 0;
    bool HasUpper = false;                 // the library's own 0x0064 record
    uint16_t UpperCompressed = 0, UpperUncompressed = 0, UpperOffset = 0;
    bool Strong = false;                   // 0x0017: strong encryption
    bool HasAes = false;                   // 0x9901
    uint16_t AesVersion = 0, AesVendor = 0, AesMethod = 0;
    uint8_t AesStrength = 0;
    bool HasUnicodePath = false;           // 0x7075: the name in UTF-8, valid while its CRC matches
    uint32_t UnicodePathCrc = 0;
    std::string UnicodePath;
};

// Reads the extra-field records. Every read stays inside its record; a record that runs past the
// field is passed over. Central selects the central-header form of the Zip64 record.
TZipExtra ReadExtraField(const uint8_t* data, size_t size, bool central, uint32_t uncompressed32,
                         uint32_t compressed32, uint32_t offset32);

// Header signatures, the standard one and the library's own variants.
struct TSignatureClass {
    THeaderType Kind = htNone;
    bool Enciphered = false;
};
TSignatureClass ClassifySignature(uint32_t signature, THeaderType wanted);

// One header as read and resolved: sizes and offset in 64 bits, the name converted to UTF-8 with
// "\" separators.
struct TZipHeader {
    uint16_t VersionMadeBy = 0, Flags = 0, Method = 0;
    uint32_t DosDateTime = 0, Crc = 0, ExternalAttr = 0, Disk = 0;
    uint64_t Compressed = 0, Uncompressed = 0, LocalOffset = 0;
    std::string RawName, Name;
    TZipExtra Extra;
    int64_t Position = 0;          // where the header starts
    int64_t DataPosition = 0;      // local headers: where the entry's data starts
};

class TUnZip : public TUnBase {
public:
    TUnZip();
    ~TUnZip() override;

    // ---- published members beyond the base's
    TZipCrypto Crypto;                      // cipher registers of this component
    TSeedKeys SeedDataKeys{Crypto, 0};
    TSeedKeys SeedHeaderKeys{Crypto, 1};
    int PasswordAttempts = 3;
    int ZipCmntBufSize() const { return FZipCmntBufSize; }
    void SetZipCmntBufSize(int value) { FZipCmntBufSize = value < 2000 ? 2000 : value > 32767 ? 32767 : value; }

    std::function<void(TUnZip&, const std::string& fileName, std::string& password, TSeedKeyRecord& headerKeys,
                       TSeedKeyRecord& dataKeys, bool& tryAgain)>
        OnGetPassword;
    std::function<void(TUnZip&, std::string& volumeName, int volumeId, bool exists, bool& cancel)> OnNextVolume;
    std::function<void(TUnZip&, bool& cancel)> OnGetZipFirstDisk, OnGetZipLastDisk;
    std::function<void(TUnZip&, const std::string& volumeName, bool& cancel)> OnGetZipNextDisk;
    std::function<void(TUnZip&, THeaderTypeState found, bool& cancel)> OnCorruptZipHeader;

    // ---- the entry being extracted
    TZipHeader Local;       // its local header
    TZipHeader Central;     // its central header (empty in the local-header walk)
    uint8_t EntryCryptKind() const { return CryptKind; }
    uint8_t AesStrengthKind(uint16_t flags, const TZipExtra& extra) const;

    bool CheckDecryptHeader() override;

    // ---- volumes and passwords (ZipVolumes.cpp)
    std::string CurrentPassword;
    int OpenVolume = -1;    // number (disk + 1) of the split volume last opened
    bool OpenVolumeByIndex(int disk, int volumeCount);
    bool GetPassword();
    TDiskSpannObj Span;
    int VolumeCount() const;
    // Makes the archive stream the given one (a volume switch).
    void ReplaceArchiveStream(std::unique_ptr<TStream32> stream);
    TStream32* Archive() { return ArchiveStream.get(); }

protected:
    void ExtractLoop(TStream32& archive) override;

private:
    struct Listed {
        TZipHeader Central;     // resolved central header (sizes, CRC, name); empty for the local walk
        int64_t LocalPosition = 0;
        uint32_t Disk = 0;
        uint32_t Attributes = 0;
        bool FromCentral = false;
    };
    int ReadCentralDir();
    // The walk over the local headers, for archives that have no central directory, or after a
    // damaged one to find the entries it lost.
    int ReadLocalHeaders(bool afterCentral);
    int64_t SkipDescriptor(int64_t position);
    int64_t FindLocalHeaderShift(const TZipHeader& central, int64_t computed);
    bool ReadHeaderAt(int64_t position, THeaderType kind, TZipHeader& h);
    void ProcessList();
    void ExtractZipFile(const Listed& item);
    bool DecompressEntry(int method, int64_t packed, int64_t unpacked);
    int64_t ReadPacked(uint8_t* buffer, int64_t count);
    bool NextVolume();
    bool IsDecodedMethod(int method) const;
    int ResolvedMethod(const TZipHeader& h) const;
    void AddToTotals(const TZipHeader& h);

    std::vector<Listed> List;
    int64_t CdStart = -1;
    int64_t LocalShift = 0;
    bool ShiftSearched = false;
    // Read pointer state of the entry being decoded.
    int64_t PackedLeft = 0;
    int64_t Written = 0;
    TStream32* Output = nullptr;
    std::unique_ptr<TmrlAES> Aes;
    uint8_t CryptHeader[kZipCryptHeaderLength] = {};
    int FZipCmntBufSize = 2000;
};

}  // namespace corvina::archive
