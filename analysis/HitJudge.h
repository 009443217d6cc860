#pragma once
// Judges the day's hits: for every race, which of its tickets and whether its axis horse the payouts paid, and
// how much. It runs after the tickets are made and before the statistics, which count what it records, so every
// window and report that shows a hit shows the same verdict.
#include "racedata/DayModel.h"

namespace corvina::analysis {

// A payout combination that is blank or reads " 0- 0" lists no result.
bool PresentComb(const std::string& comb);

// The payouts a race's tickets are judged against as quinella tickets, the one rule for every place that
// judges or colours a hit. More than 8 runners: the quinella payouts. 8 runners or fewer: one horse per bracket,
// so the bracket payouts stand for the horse pairs; a race that has none (no bracket quinella is sold on such a
// race, and its odds come from the quinella block) is judged against its quinella payouts, or none of its
// tickets could ever hit.
struct PairPayouts {
  const OneBased<std::string, 3>& combs;
  const OneBased<int, 3>& pays;
};
PairPayouts QuinellaPayoutsJudged(const RaceInfo& info, const RaceCalc& calc);

// One race. Tickets are compared with the payout combinations as whole texts; when two payout entries match
// (a dead heat can list one combination twice) the later entry's pay stays.
void JudgeRace(DayModel& day, int slot);

// Every race with HasData = 1 and a non-blank RA year, in slot order.
void JudgeHits(DayModel& day);

}  // namespace corvina::analysis
