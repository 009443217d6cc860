#pragma once
// Volumes of ZIP archives that do not fit one file: archives spanned over removable disks (one
// volume per disk, labelled "PKBACK# nnn") and archives split into numbered files in one folder
// (name.z01, name.z02, ... and name.zip last). The reader asks its user for a disk or a volume
// file through its events.
#include <cstdint>
#include <memory>
#include <string>

#include "archive/DiskManager.h"

namespace corvina::archive {

class ZipExtractor;

// The file name of split volume `volume` (1-based) of a set of `volumeCount` volumes: the archive
// itself for the last one, else the archive's name with ".z" and at least two digits.
std::string SplitVolumeName(const std::string& archiveFile, int volume, int volumeCount);

class SpannedVolumes {
 public:
  // Takes the owner and sets the disk index to 0 (the last disk is wanted).
  void SpanInit(ZipExtractor* owner);
  // Moves the owner's archive stream to the disk the index asks for: 0 the last disk (it holds
  // the central directory), 1 the first, 2 and more the next ones. A failed switch sets the
  // run's cancel flag. Position is where a header is expected, unless the switch continues an
  // entry's data, which goes on at the start of the next disk.
  bool SwitchVolume(int64_t position, bool headerExpected = true);
  // Whether the disk now in the drive is the wanted one.
  bool OpenVolume();
  int DiskIndex = 0;
  int64_t WantedPosition = 0;
  bool HeaderExpected = true;

 private:
  ZipExtractor* owner_ = nullptr;
};

}  // namespace corvina::archive
