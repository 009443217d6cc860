#pragma once
// The public extraction run of an archive reader. The format readers (LhaExtractor, ZipExtractor)
// derive from it.
#include <memory>
#include <string>
#include <vector>

#include "archive/EntryWriter.h"

namespace corvina::archive {

class ArchiveExtractor : public EntryWriter {
 public:
  int Extract();
  bool IsEntrySelected(const std::string& entryName);

 protected:
  // The format reader's walk over the open archive (archiveStream_, which a ZIP reader replaces as
  // it moves between volumes).
  virtual void ExtractLoop() {}
  bool OpenArchive();
  int RunExtract();
  bool CheckExtractDir(std::string& dir);
  std::unique_ptr<Stream32> archiveStream_;
  bool running_ = false;
};
}  // namespace corvina::archive
