#include "mainwindow/AutoOdds.h"

#include "platform/Text.h"
#include "racedata/RaceRecords.h"
#include "racedata/RacingTexts.h"

namespace corvina {

std::vector<std::string> QueueDueRaces(DayModel& day, const std::string& nowHHMM, int delayMinutes) {
  std::string now = Trim(nowHHMM);
  if (delayMinutes > 0) now = AddTimeHHMM(now, -delayMinutes);
  std::vector<std::string> keys;
  if (now.empty()) return keys;
  for (int i = 0; i < kSlots; ++i) {
    const RaceInfo& info = day.Races[i];
    const bool first = now == Trim(info.OddsTime1);
    const bool second = now == Trim(info.OddsTime2);
    // When both times name the same minute, each is taken once: the first tick marks the first time, the
    // next tick in that minute the second.
    const bool takeFirst = first && day.GOddsTakenFirst[i] == 0;
    const bool takeSecond = !takeFirst && second && day.GOddsTakenSecond[i] == 0;
    if (!takeFirst && !takeSecond) continue;
    (takeFirst ? day.GOddsTakenFirst : day.GOddsTakenSecond)[i] = 1;
    keys.push_back(FieldText(day.Table.GRaTbl[i], layout::head::kRaceKey));
  }
  return keys;
}

}  // namespace corvina
