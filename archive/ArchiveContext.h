#pragma once
// The base of every archive reader (the LHA and the ZIP family alike): its settings, events, error
// reporting, cancellation, progress, stopwatch and archive type detection, and the CRC accumulators of
// the entry being written. EntryWriter adds the per-entry output on top of it, ArchiveExtractor the run.
//
// One reader runs one extraction at a time; all per-run state (CRC accumulators included) is
// kept in the reader, not in the process.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/ArchiveTypes.h"
#include "archive/Dates.h"
#include "archive/Streams.h"

namespace corvina::archive {

struct Classified;

enum class CpuKind : uint8_t { Auto, I80286, I80386, I80486 };
enum class DateSource : uint8_t { FileDate, SysDate, MaxFileDate };
enum class OverwritePolicy : uint8_t { Overwrite, Skip };

// Volumes of split and spanned ZIP archives. The ZIP reader supplies the real one; this default
// knows only fixed drives, so every split archive counts as a multi-volume set on disk.
class VolumeManager {
 public:
  virtual ~VolumeManager() = default;
  // NotAvail when the archive's drive cannot be examined; ZipSpan for a removable disk labelled
  // "PKBACK#"; otherwise ZipMVol.
  virtual ArchiveFormat SplitCheck(const std::string& archiveFile);
  // The first volume of a split archive, or null when it cannot be opened.
  virtual std::unique_ptr<Stream32> OpenFirstVolume(const std::string& archiveFile);
};

// Elapsed-time stopwatch on a monotonic clock (never wraps, no uptime limit).
class Stopwatch {
 public:
  void Start();
  void Stop();
  void Suspend();
  void Resume();
  bool Running() const { return running_; }
  float ElapsedTime = 0;

 private:
  using Clock = std::chrono::steady_clock;
  bool running_ = false, paused_ = false;
  Clock::time_point start_, pauseAt_;
};

// The stopwatch does not count the time a user takes to answer.
struct SuspendTimer {
  explicit SuspendTimer(Stopwatch& t) : timer(t) { timer.Suspend(); }
  ~SuspendTimer() { timer.Resume(); }
  Stopwatch& timer;
};

class ArchiveContext {
 public:
  ArchiveContext();
  virtual ~ArchiveContext();
  ArchiveContext(const ArchiveContext&) = delete;
  ArchiveContext& operator=(const ArchiveContext&) = delete;

  // ---- settings of an extraction run
  // Kept for callers that set it; it has no effect: entry names are converted by ConvertEntryName whatever it holds.
  bool TranslateOemChar = false;
  // The processor to tune the decoders for. Kept for callers that set it; it has no effect on extraction, and a
  // run sets I80486 back to Auto.
  CpuKind CpuType = CpuKind::Auto;
  bool RecurseDirs = true;
  bool ConfirmOverwrites = false;
  bool CreateStoredDirs = false;
  DateSource DateAttribute = DateSource::FileDate;
  OverwritePolicy OverwriteMode = OverwritePolicy::Overwrite;
  bool RestoreFileAttr = true;
  bool UseStoredDirs = true;
  std::vector<std::string> FileSpec;
  std::vector<std::string> ExcludeSpec;
  std::vector<std::string> Passwords;

  const std::string& ArchiveFile() const { return archivePath_; }
  virtual void SetArchiveFile(const std::string& value);
  const std::string& ExtractDir() const { return extractFolder_; }
  void SetExtractDir(const std::string& value);
  int Count() const { return extractedCount_; }

  // ---- events (unassigned ones are skipped)
  std::function<void(ArchiveContext&, float)> OnElapsedTime;
  std::function<void(ArchiveContext&, const std::string& fileName, const std::string& extendedMsg,
                     const std::string& volumeId, int eCode)>
      OnError;
  std::function<void(ArchiveContext&, const std::string& protectedDir, std::string& userDir, bool& cancel)>
      OnLimitedUser;
  std::function<void(ArchiveContext&, const std::string& fileName)> OnExcludeFile;
  std::function<void(ArchiveContext&)> OnActivate;
  std::function<void(ArchiveContext&)> OnDeactivate;
  std::function<void(ArchiveContext&, int byFile, int byArchive)> OnProgress;
  std::function<void(ArchiveContext&, const std::string& fileName, int count, bool& extract)> OnBegin;
  std::function<void(ArchiveContext&, const std::string& fileName, bool crcPass)> OnEnd;
  std::function<void(ArchiveContext&, const std::string& fileName, std::string& newFileName,
                     OverwritePolicy& overwriteMode)>
      OnFileExists;
  std::function<void(ArchiveContext&, const std::string& fileName, std::string& newFileName)> OnRenameFile;

  // "Let window messages run": the program sets QCoreApplication::processEvents here.
  std::function<void()> ProcessMessages;

  // ---- cancellation and reporting
  bool GetCancel() const { return *cancelPointer_; }
  const bool& GetCancelRef() const { return *cancelPointer_; }
  void SetCancel(bool value);
  void DoError(const std::string& fileName, const std::string& extendedMsg, int eCode, const std::string& volumeId);
  void RaiseArchiveError(const std::string& fileName, const std::string& extendedMsg, const std::string& volumeId,
                         int eCode);
  void DoProgress(int64_t entryDone, int64_t entryTotal, int64_t archiveTotal);
  virtual void ProgressHook(int byFile, int byArchive);

  // ---- detection results
  ArchiveFormat ArchiveType = ArchiveFormat::NotAvail;
  int64_t ArchiveSize = 0;
  int64_t ArchiveOffset = -1;
  uint32_t ArchiveDate = kDos1980;
  int64_t OffsetCorrection = 0;  // the shift of a stub in front that the ZIP offsets do not count
  int64_t ZipCentralStart = -1;  // where the end-record search found the central directory (-1: nowhere)
  HeaderTypeState DetectFlags = 0;
  // Kept by the ZIP end-record search for the ZIP reader (empty when not found).
  std::vector<uint8_t> ZipEndRecord, Zip64Locator, Zip64EndRecord;
  char VolumeLetter = 0;
  int VolumeNumber = 0;
  ArchiveFormat DetectArchiveType(Stream32* stream);
  void DetectFileType(ArchiveFormat emptyValue = ArchiveFormat::NotAvail);
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

  // ---- the read pointer of the LHA reader and its decoders: up to count bytes, 0 on a failed read
  int64_t ReadBlock(Stream32& stream, void* buffer, int64_t count);

  SerialDateTime ConvertFileDate(uint32_t dos) const;
  void SetCryptKind(EncryptionKind kind) { CryptKind = kind; }
  EncryptionKind CryptKind = EncryptionKind::None;  // of the entry being read

  // ---- owned collaborators
  std::unique_ptr<VolumeManager> DiskManager;
  Stopwatch Timer;

 protected:
  void UpdateCrc(const uint8_t* data, int64_t count, int width);
  int64_t ZipEndRecordSearch(Stream32& stream, int64_t size, int64_t start);
  int64_t GenericScan(Stream32& stream, int64_t start);
  void DetectExecutable(Stream32& stream, int64_t size, const uint8_t* head, size_t headSize);
  bool DetectByStringResources(Stream32& stream, int64_t size);
  ArchiveFormat ResolveClassified(const Classified& c);
  bool NoZipHeaderFlags() const;  // the end-record search set no header kind
  bool IsMultiDiskZip() const;

  std::string archivePath_;    // the archive as set, made absolute (ArchiveFile)
  std::string extractFolder_;  // where the entries go (ExtractDir)
  std::string archiveName_;    // ArchiveFile as copied at the start of a run (VolumeID of errors)
  int extractedCount_ = 0;     // entries extracted in this run (Count)
  bool cancelFlag_ = false;    // the reader's own cancel flag, unless cancelPointer_ is pointed elsewhere
  bool* cancelPointer_ = &cancelFlag_;
};

// A percentage of part in total, rounded half up and kept within 0..100; 0 for an empty total.
int Percent(int64_t total, int64_t part);

}  // namespace corvina::archive
