#pragma once
// Pair odds and averages: the first step of the prediction run after every day load. Fills the quinella part
// of each race's RaceCalc: real and predicted odds of the 153 horse pairs, each horse's mean over its pairs,
// the ranks by those means and the mark "X" on horses whose predicted mean lies above the real one.
#include "racedata/DayModel.h"

namespace corvina::analysis {

// The day's odds source letter ("J", "K", "M"), byte 17 of the last .yoz line the load read; 0 when the day
// has none. Taken once for the whole day, not per race.
char DaySourceLetter(const DayModel& day);

// One race: fills UmarenOdds, PredUmarenOdds, AvgOdds, PredAvgOdds, their ranks and MarkX of `slot`.
void ComputePairOdds(DayModel& day, int slot, char sourceLetter);

// Every race with HasData = 1, in slot order, on a RaceCalc the day load has just zeroed.
void ComputePairOdds(DayModel& day);

}  // namespace corvina::analysis
