#pragma once
// The timetable side of the automatic odds: which races a tick of the odds timer finds due, and whether the
// loaded race cards allow odds to be taken at all. Plain C++, so the minute arithmetic is checked without a
// window or a timer.
#include <string>
#include <vector>

#include "racedata/DayModel.h"

namespace corvina {

// The races due at `nowHHMM` ("hhmm" of the clock) when odds are taken `delayMinutes` after each scheduled
// time: a race is due when the current minute less the delay equals its first scheduled time (first not yet
// taken) or else its second (second not yet taken); blanks around either time do not count and a blank time is
// never due. Marks the done flag of the time matched and returns the RaceKeys of the due races in slot order.
std::vector<std::string> QueueDueRaces(DayModel& day, const std::string& nowHHMM, int delayMinutes);

// True when any race or runner record of the loaded day still has data kind "1" (an early card): odds may not
// be taken until newer cards are imported.
bool HasEarlyCards(const RaceTable& table);

}  // namespace corvina
