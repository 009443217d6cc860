#pragma once
// Hit judgement: matches the tickets and the axis horse of every race against the race's payouts and records,
// per ticket, whether it hit and what it pays. Runs after the marks and tickets and before the statistics.
#include "racedata/DayModel.h"

namespace corvina::analysis {

// One race. Tickets are compared with the payout combinations as whole texts; when two payout entries match
// (a dead heat can list one combination twice) the later entry's pay stays.
void JudgeRace(DayModel& day, int slot);

// Every race with HasData = 1 and a non-blank RA year, in slot order.
void JudgeHits(DayModel& day);

}  // namespace corvina::analysis
