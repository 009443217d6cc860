#pragma once
// The timetable side of the automatic odds: which races a tick of the odds timer finds due. Whether the loaded
// race cards allow odds to be taken at all is shared with the manual odds (HasEarlyCards). Plain C++, so the
// minute arithmetic is checked without a window or a timer.
#include <string>
#include <vector>

#include "racedata/DayModel.h"
#include "racedata/ManualOdds.h"  // HasEarlyCards

namespace corvina {

// The races due at `nowHHMM` ("hhmm" of the clock) when odds are taken `delayMinutes` after each scheduled
// time: a race is due when the current minute less the delay equals its first scheduled time (first not yet
// taken) or else its second (second not yet taken); blanks around either time do not count and a blank time is
// never due. Marks the done flag of the time matched and returns the RaceKeys of the due races in slot order.
std::vector<std::string> QueueDueRaces(DayModel& day, const std::string& nowHHMM, int delayMinutes);

}  // namespace corvina
