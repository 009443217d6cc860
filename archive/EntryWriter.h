#pragma once
// The per-entry output of an archive reader: where an entry goes, whether it may overwrite, the
// file written under a hidden name until its data checked out, and the CRC verdict.
#include <sys/stat.h>
#include <memory>
#include <string>
#include <vector>

#include "archive/ArchiveContext.h"

namespace corvina::archive {

class EntryWriter : public ArchiveContext {
 public:
  ~EntryWriter() override {
    DiscardOutput();
    CloseTargetFolder();
  }
  // ---- per-entry services used by the readers, in the order an entry passes through them
  virtual void ApplyStoredPath(const std::string& entryName);
  bool PathRefused = false;  // the stored path would leave ExtractDir
  bool CheckOverwrite(bool isDirectory);
  bool OpenOutput(std::unique_ptr<FileStream32>& out, const std::string& fileName);
  // A folder entry with CreateStoredDirs: its folder is made; a failure is reported
  // (msg::UnableCreateDir).
  bool MakeStoredFolder();
  // The write pointer of the decoders: writes a block of the entry's output and, with updateCrc,
  // adds it to the entry's CRC of the given width.
  int64_t WriteBlock(Stream32& out, const uint8_t* buffer, bool updateCrc, int64_t count, int width);
  int64_t CopyStored(Stream32& in, Stream32& out, int64_t packedSize, int width);
  bool CrcMatches(int width, uint32_t storedCrc) const;
  // The verdict of an entry: OnEnd, and msg::CrcError when it failed.
  virtual bool CheckCrc(int width, uint32_t storedCrc);
  void CloseOutput(std::unique_ptr<FileStream32>& out, const std::string& fileName, int attr, uint32_t dosDateTime);
  // Ends a written entry: the file becomes visible under its name only when its data checked
  // out, and then the verdict is given (CheckCrc); a failed entry leaves nothing and is not counted.
  bool FinishOutput(int width, uint32_t storedCrc);
  void SkipEntryProgress(int64_t unpackedSize);
  void UncountEntry();

 protected:
  bool entryCounted_ = false;
  bool entryWriteFailed_ = false;
  bool runStopped_ = false;  // a disk-full stop ends the whole run
  // The output of the entry being written: a file without a name, or one under a hidden temporary name, its
  // handle (and lock) kept from CloseOutput to FinishOutput; and the folders made for it.
  bool PlaceOutput();  // reports its own failure
  void DiscardOutput();
  // Ends an entry that an exception broke off: its output and the folders made for it go, and it is not
  // counted. Nothing happens between entries.
  void AbandonEntry();
  // The folder of an output path, opened so that nothing below the target folder is followed
  // when it is a link: an entry never reaches outside the target folder through a link already
  // inside it. With `leaf` the last part is the file's name and goes there. A path an event
  // handler chose outside the target folder is opened beneath its own folder. -1 on failure.
  // The target folder may be the one kept open for the run: a folder it gives goes back through CloseEntryFolder.
  int OpenEntryFolder(const std::string& path, bool create, std::vector<std::string>* made, std::string* leaf);
  void CloseEntryFolder(int folder);
  // The target folder, opened once a run; closed at the run's end (or when the target changes between entries).
  int TargetFolder();
  void CloseTargetFolder();
  bool StatEntry(const std::string& path, struct stat& st);  // the path's own entry, not a link's target
  bool unnamedOutput_ = false;
  int outputHandle_ = -1;
  int outputFolder_ = -1;       // the folder the output is placed in, from OpenOutput to its end
  std::string outputLeaf_;      // its name there
  std::string tempOutputName_;  // a hidden temporary name in outputFolder_
  std::vector<std::string> madeFolders_;
  int targetFolder_ = -1;
  std::string targetFolderPath_;  // the target folder's path when it was opened, ending in "/"
};

// For tests: false writes every entry under a hidden temporary name from the start, as on a file system
// without files that have no name.
void UseUnnamedOutputFiles(bool use);
}  // namespace corvina::archive
