#pragma once
// Finishing results (from the runner records) and payouts (from the payout records) into the per-race
// records, and the re-read of results after a results acquisition.
#include "platform/DayName.h"
#include "racedata/DayModel.h"

namespace corvina {

// Finishing position, popularity and final win odds of all 18 runner records of the slot.
void DecodeResults(DayModel& day, int slot);

// Every payout block of the slot's HR record: popularity, payout and (win, place) horse number always written;
// a combination label only when every number in it is above 0, otherwise the label keeps its value.
void DecodePayouts(DayModel& day, int slot);

// Both decodes for every slot whose RA year is not blank (the results step of a day load).
void DecodeDayResults(DayModel& day);

struct ResultsRereadOutcome {
  bool shownNew = false;      // the race shown (GCurRace) received its first payout record since the load
  bool slotsChanged = false;  // the .jvRA now assigns other races to the slots than the loaded day did; the
                              // caller should load the day again so odds and cards follow the new order
};

// Re-reads the loaded day's .jvRA, runner files and .jvHR after new results were written, so the shown day
// follows them without a full load: slots as the day load assigns them, results of all slots, payout records
// filed by their whole RaceKey, HasResults set per race with a payout record. `dayName` is the day chosen in
// the date box.
ResultsRereadOutcome RereadResults(DayModel& day, const DayName& dayName);

}  // namespace corvina
