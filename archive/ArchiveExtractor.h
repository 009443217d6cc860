#pragma once
// The archive component family: the common base with its properties, events, error reporting,
// cancellation, progress and stopwatch (ZipCommon), the per-entry output services and CRC verdict
// (DecompressClass) and the public extraction run (ArchiveExtractor). Format readers derive from ArchiveExtractor.
//
// One component runs one extraction at a time; all per-run state (CRC accumulators included) is
// kept in the component, not in the process.
#include <sys/stat.h>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/ArchiveRoutines.h"
#include "archive/ArchiveTypes.h"
#include "archive/Streams.h"

namespace corvina::archive {

struct Classified;

enum CpuKind : uint8_t { cptAuto, cpt80286, cpt80386, cpt80486 };
enum DateSource : uint8_t { daFileDate, daSysDate, daMaxFileDate };
enum OverwritePolicy : uint8_t { omOverwrite, omSkip };

// Volumes of split and spanned ZIP archives. The ZIP reader supplies the real one; this default
// knows only fixed drives, so every split archive counts as a multi-volume set on disk.
class VolumeManager {
 public:
  virtual ~VolumeManager() = default;
  // 0 when the archive's drive cannot be examined; 35 for a removable disk labelled "PKBACK#";
  // otherwise 36.
  virtual ArchiveFormat SplitCheck(const std::string& archiveFile);
  // The first volume of a split archive, or null when it cannot be opened.
  virtual std::unique_ptr<Stream32> OpenFirstVolume(const std::string& archiveFile);
};

// Deciphering of entry data (AES kinds 3-5, traditional kind 6) for the ZIP family. The LHA
// reader never deciphers; without a cipher the data passes unchanged.
class EntryCipher {
 public:
  virtual ~EntryCipher() = default;
  virtual void Decipher(uint8_t cryptKind, uint8_t* data, size_t count) = 0;
};

// Elapsed-time stopwatch on a monotonic clock (never wraps, no uptime limit).
class ZipTimer {
 public:
  void Start();
  void Stop();
  void Suspend();
  void Resume();
  bool Running() const { return running; }
  float ElapsedTime = 0;

 private:
  using Clock = std::chrono::steady_clock;
  bool running = false, paused = false;
  Clock::time_point start, pauseAt;
};

class ArchiveComponent {
 public:
  ArchiveComponent() = default;
  virtual ~ArchiveComponent() = default;
  ArchiveComponent(const ArchiveComponent&) = delete;
  ArchiveComponent& operator=(const ArchiveComponent&) = delete;
};

class ZipCommon : public ArchiveComponent {
 public:
  ZipCommon();
  ~ZipCommon() override;

  // ---- settings of an extraction run
  bool TranslateOemChar = false;  // consulted by nothing: names follow ConvertEntryName
  CpuKind CpuType = cptAuto;      // consulted by nothing
  bool RecurseDirs = true;
  bool ConfirmOverwrites = false;
  bool CreateStoredDirs = false;
  DateSource DateAttribute = daFileDate;
  OverwritePolicy OverwriteMode = omOverwrite;
  bool RestoreFileAttr = true;
  bool UseStoredDirs = true;
  std::vector<std::string> FileSpec;
  std::vector<std::string> ExcludeSpec;
  std::vector<std::string> Passwords;

  const std::string& ArchiveFile() const { return ArchivePath; }
  virtual void SetArchiveFile(const std::string& value);
  const std::string& ExtractDir() const { return ExtractFolder; }
  void SetExtractDir(const std::string& value);
  int Count() const { return ExtractedCount; }

  // ---- events (unassigned ones are skipped)
  std::function<void(ZipCommon&, float)> OnElapsedTime;
  std::function<void(ZipCommon&, const std::string& fileName, const std::string& extendedMsg,
                     const std::string& volumeId, int eCode)>
      OnError;
  std::function<void(ZipCommon&, const std::string& protectedDir, std::string& userDir, bool& cancel)> OnLimitedUser;
  std::function<void(ZipCommon&, const std::string& fileName)> OnExcludeFile;
  std::function<void(ZipCommon&)> OnActivate;
  std::function<void(ZipCommon&)> OnDeactivate;
  std::function<void(ZipCommon&, int byFile, int byArchive)> OnProgress;
  std::function<void(ZipCommon&, const std::string& fileName, int count, bool& extract)> OnBegin;
  std::function<void(ZipCommon&, const std::string& fileName, bool crcPass)> OnEnd;
  std::function<void(ZipCommon&, const std::string& fileName, std::string& newFileName, OverwritePolicy& overwriteMode)>
      OnFileExists;
  std::function<void(ZipCommon&, const std::string& fileName, std::string& newFileName)> OnRenameFile;

  // "Let window messages run": the program sets QCoreApplication::processEvents here.
  std::function<void()> ProcessMessages;

  // ---- cancellation and reporting
  bool GetCancel() const { return *CancelPointer; }
  const bool& GetCancelRef() const { return *CancelPointer; }
  void SetCancel(bool value);
  void DoError(const std::string& fileName, const std::string& extendedMsg, int eCode, const std::string& volumeId);
  void RaiseArchiveError(const std::string& fileName, const std::string& extendedMsg, const std::string& volumeId,
                         int eCode);
  void DoProgress(int64_t entryDone, int64_t entryTotal, int64_t archiveTotal);
  virtual void ProgressHook(int byFile, int byArchive);

  // ---- detection results
  ArchiveFormat ArchiveType = atNotAvail;
  int64_t ArchiveSize = 0;
  int64_t ArchiveOffset = -1;
  uint32_t ArchiveDate = kDos1980;
  int32_t OffsetCorrection = 0;
  HeaderTypeState DetectFlags = 0;
  // Kept by the ZIP end-record search for the ZIP reader (empty when not found).
  std::vector<uint8_t> ZipEndRecord, Zip64Locator, Zip64EndRecord;
  char VolumeLetter = 0;
  int VolumeNumber = 0;
  ArchiveFormat DetectArchiveType(Stream32* stream);
  void DetectFileType(ArchiveFormat emptyValue = atNotAvail);
  std::string VolumeNameByIndex(const std::string& name, int n) const;

  // ---- current entry and run counters
  std::string EntryName;   // as stored, converted to UTF-8 with "\" separators
  std::string OutputName;  // full path on disk of the current entry's output
  int64_t EntryDone = 0, EntrySize = 0;
  int64_t ArchiveTotal = 0, ArchiveLeft = 0;
  uint32_t NewestDate = 0;
  int FilePercent = 0, ArchivePercent = 0;

  // ---- CRC accumulators of the entry being written
  uint16_t Crc16 = 0;
  uint32_t Crc32 = 0xFFFFFFFF;

  // ---- read and write pointers used by the decoders
  int64_t ReadBlock(Stream32& stream, void* buffer, int64_t count, int width, bool decrypt);

  SerialDateTime ConvertFileDate(uint32_t dos) const;
  void SetCryptKind(uint8_t kind) { CryptKind = kind; }
  uint8_t CryptKind = 13;

  // ---- owned collaborators
  std::unique_ptr<VolumeManager> DiskManager;
  std::unique_ptr<EntryCipher> Cipher;
  ZipTimer Timer;

 protected:
  void UpdateCrc(const uint8_t* data, int64_t count, int width);
  int64_t ZipEndRecordSearch(Stream32& stream, int64_t size, int64_t start);
  int64_t GenericScan(Stream32& stream, int64_t start);
  void DetectExecutable(Stream32& stream, int64_t size, const uint8_t* head, size_t headSize);
  bool DetectByStringResources(Stream32& stream, int64_t size);
  ArchiveFormat ResolveClassified(const Classified& c);
  bool NoZipHeaderFlags() const;  // the end-record search set no header kind
  bool IsMultiDiskZip() const;

  std::string ArchivePath;    // the archive as set, made absolute (ArchiveFile)
  std::string ExtractFolder;  // where the entries go (ExtractDir)
  std::string ArchiveName;    // ArchiveFile as copied at the start of a run (VolumeID of errors)
  int ExtractedCount = 0;     // entries extracted in this run (Count)
  bool CancelFlag = false;    // the component's own cancel flag, unless CancelPointer is pointed elsewhere
  bool* CancelPointer = &CancelFlag;
};

class DecompressClass : public ZipCommon {
 public:
  ~DecompressClass() override { DiscardOutput(); }
  // ---- per-entry services used by the readers, in the order an entry passes through them
  virtual void ApplyStoredPath(const std::string& entryName);
  bool PathRefused = false;  // the stored path would leave ExtractDir
  bool CheckOverwrite(bool isDirectory);
  bool OpenOutput(std::unique_ptr<FileStream32>& out, const std::string& fileName);
  // A folder entry with CreateStoredDirs: its folder is made; a failure is reported (25157).
  bool MakeStoredFolder();
  int64_t WriteBlock(Stream32& out, const uint8_t* buffer, bool updateCrc, int64_t count, int width);
  // The write pointer of the decoders: deciphers an encrypted ZIP-family block, then WriteBlock.
  int64_t DecryptWriteBlock(Stream32& out, uint8_t* buffer, int64_t count, int width, bool encrypted);
  int64_t CopyStored(Stream32& in, Stream32& out, int64_t packedSize, int width);
  bool CrcMatches(int width, uint32_t storedCrc) const;
  // The verdict of an entry: OnEnd, and 25151 when it failed.
  virtual bool CheckCrc(int width, uint32_t storedCrc);
  void CloseOutput(std::unique_ptr<FileStream32>& out, const std::string& fileName, int attr, uint32_t dosDateTime);
  // Ends a written entry: the file becomes visible under its name only when its data checked
  // out, and then the verdict is given (CheckCrc); a failed entry leaves nothing and is not counted.
  bool FinishOutput(int width, uint32_t storedCrc);
  void SkipEntryProgress(int64_t unpackedSize);
  void UncountEntry();

  virtual bool CheckDecryptHeader() { return false; }

 protected:
  virtual void ExtractLoop(Stream32& archive) {}
  bool EntryCounted = false;
  bool EntryWriteFailed = false;
  bool RunStopped = false;  // a disk-full stop ends the whole run
  // The output of the entry being written: a file without a name (its handle kept open from
  // CloseOutput to FinishOutput), or a hidden temporary name; and the folders made for it.
  bool PlaceOutput();  // reports its own failure
  void DiscardOutput();
  // The folder of an output path, opened so that nothing below the target folder is followed
  // when it is a link: an entry never reaches outside the target folder through a link already
  // inside it. With `leaf` the last part is the file's name and goes there. A path an event
  // handler chose outside the target folder is opened beneath its own folder. -1 on failure.
  int OpenEntryFolder(const std::string& path, bool create, std::vector<std::string>* made, std::string* leaf);
  bool StatEntry(const std::string& path, struct stat& st);  // the path's own entry, not a link's target
  bool UnnamedOutput = false;
  int UnnamedHandle = -1;
  int OutputFolder = -1;       // the folder the output is placed in, from OpenOutput to its end
  std::string OutputLeaf;      // its name there
  std::string TempOutputName;  // a hidden temporary name in OutputFolder
  std::vector<std::string> MadeFolders;
};

class ArchiveExtractor : public DecompressClass {
 public:
  int Extract();
  void SetFileSpec(const std::vector<std::string>& value) { FileSpec = value; }
  void SetExcludeSpec(const std::vector<std::string>& value) { ExcludeSpec = value; }
  bool IsEntrySelected(const std::string& entryName);
  bool Active() const { return Running; }

 protected:
  bool OpenArchive();
  int RunExtract();
  bool CheckExtractDir(std::string& dir);
  std::unique_ptr<Stream32> ArchiveStream;
  bool Running = false;
};

}  // namespace corvina::archive
