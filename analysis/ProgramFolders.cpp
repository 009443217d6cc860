#include "analysis/ProgramFolders.h"

#include "analysis/HitReport.h"
#include "platform/LineFile.h"
#include "racedata/DayFiles.h"

namespace corvina::analysis {

void RemoveProgramSaveLeftovers(const std::filesystem::path& appDir) {
  for (const auto& folder : {appDir, DataDirOf(appDir), HPuploadDir(appDir)}) RemoveSaveLeftovers(folder);
}

}  // namespace corvina::analysis
