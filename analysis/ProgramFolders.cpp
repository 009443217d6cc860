#include "analysis/ProgramFolders.h"

#include "analysis/HitReport.h"
#include "analysis/Recovery.h"
#include "components/SettingsFile.h"
#include "platform/LineFile.h"
#include "racedata/DayFiles.h"
#include "racedata/ErrorLog.h"

namespace corvina::analysis {

void RemoveProgramSaveLeftovers(const std::filesystem::path& appDir) {
  std::error_code ec;
  const std::filesystem::path home = std::filesystem::canonical(appDir, ec);
  if (ec) return;
  RemoveSaveLeftovers(home, [](std::string_view name) {
    return name == kSettingsFileName || name == kErrorLogName || IsSummaryFileName(name);
  });
  RemoveSaveLeftovers(DataDirOf(home), IsDayFileName);
  RemoveSaveLeftovers(HPuploadDir(home), IsHitReportFileName);
}

}  // namespace corvina::analysis
