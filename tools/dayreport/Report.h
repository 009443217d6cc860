#pragma once
// The report lines of a loaded day: tab-separated, UTF-8, the first column naming the value.
#include <ostream>
#include <string>

#include "racedata/DayLoad.h"

namespace corvina::dayreport {

// Usage and the line formats, for --help.
extern const char* const kHelp;

// Writes every line of the report of a load. `dayName` is the day asked for.
void WriteReport(std::ostream& out, const DayModel& day, const DayName& dayName, const DayLoadResult& result);

}  // namespace corvina::dayreport
