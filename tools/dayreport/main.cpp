// dayreport: loads a stored race day the way the main window does and prints what the engine made of it.
#include <cstring>
#include <iostream>
#include <memory>
#include <string>

#include "analysis/Engine.h"
#include "analysis/ProgramFolders.h"
#include "analysis/Recovery.h"
#include "components/SettingsFile.h"
#include "platform/DayName.h"
#include "tools/dayreport/Report.h"

int main(int argc, char** argv) {
  using namespace corvina;
  std::string home, date;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::cout << dayreport::kHelp;
      return 0;
    }
    if ((a == "--home" || a == "--date") && i + 1 < argc) {
      (a == "--home" ? home : date) = argv[++i];
    } else {
      std::cerr << "dayreport: unknown argument " << a << "\n" << dayreport::kHelp;
      return 1;
    }
  }
  auto dayName = DayName::FromDateKey(date);
  if (home.empty() || !dayName) {
    std::cerr << "dayreport: --home DIR and --date yyyymmdd are needed\n" << dayreport::kHelp;
    return 1;
  }

  analysis::RemoveProgramSaveLeftovers(home);
  auto day = std::make_unique<DayModel>();
  day->AppDir = home;
  SettingsFile settings;
  settings.SetFileName((day->AppDir / kSettingsFileName).string());
  analysis::EngineOptions options;
  options.localOption = settings.Read(kLocalOption);
  const int resultsPollMinutes = settings.Read(kResultsPollMinutes);

  DayLoadEngine engine = analysis::MakeDayLoadEngine(options);
  // The load keeps only the statistics step's failures; the report also lists the files it saved.
  std::vector<std::filesystem::path> summariesWritten;
  engine.ComputeRecoveryStatistics = [&summariesWritten](DayModel& d, const std::string& name) {
    analysis::StatisticsResult statistics = analysis::ComputeRecoveryStatistics(d, name);
    summariesWritten = std::move(statistics.written);
    return statistics.errors;
  };
  DayLoadResult result = LoadDay(*day, *dayName, engine, resultsPollMinutes);
  dayreport::WriteReport(std::cout, *day, *dayName, result, summariesWritten);
  return result.status == DayLoadStatus::Loaded ? 0 : 2;
}
