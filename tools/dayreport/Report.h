#pragma once
// The report lines of a loaded day: tab-separated, UTF-8, the first column naming the value.
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "racedata/DayLoad.h"

namespace corvina::dayreport {

// Usage and the line formats, for --help.
extern const char* const kHelp;

// Writes every line of the report of a load. `dayName` is the day asked for; `summariesWritten` are the summary
// files the load's statistics step saved.
void WriteReport(std::ostream& out, const DayModel& day, const DayName& dayName, const DayLoadResult& result,
                 const std::vector<std::filesystem::path>& summariesWritten);

}  // namespace corvina::dayreport
