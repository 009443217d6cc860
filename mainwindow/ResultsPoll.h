#pragma once
// The time test of the results poll, apart from the timer so it can be checked at any hour.
#include <string>

namespace corvina {

// Whether a tick of the results poll fetches the day's results: from `resultsPollMinutes` + 30 minutes before
// `firstPostTime` (the post time of race slot 0, "hhmm") until 18:00. Times are compared as "hhmm" texts; a
// blank post time gives no start, so the poll runs until 18:00.
bool ResultsPollDue(const std::string& nowHHMM, const std::string& firstPostTime, int resultsPollMinutes);

}  // namespace corvina
