#pragma once
// Race days for the engine tests: blank records, with the race flags the day load would have set.
#include <memory>
#include <string>

#include "racedata/DayModel.h"
#include "tests/racedata/RecordBuilder.h"

namespace corvina::test {

inline std::unique_ptr<DayModel> NewDay() { return std::make_unique<DayModel>(); }

// Makes `slot` a race: RA record with RaceKey "<year>0106<venue>0104<race>" and `entries` runners, HasData set.
inline void AddRace(DayModel& day, int slot, int entries, const std::string& year = "2006",
                    const std::string& venue = "05", int race = 1) {
  day.Table.GRaTbl[slot] = Ra(year + "0106", venue, race, "1000", entries, 4);
  day.Races[slot].HasData = 1;
  day.Races[slot].RaceKey = year + "0106" + venue + "0104" + FormatZero(race, 2);
  day.Races[slot].EntryCount = FormatInt(entries, 2);
  day.Calcs[slot].Over8Runners = entries > 8 ? 1 : 0;
  day.Calcs[slot].CalcHasData = 1;
}

// A .yoz read buffer whose source letter is `letter`.
inline std::string YozRecWithLetter(char letter) {
  return Rec(L::kYozLine, "").Set(L::yoz::kSource, std::string_view(&letter, 1));
}

// Puts `text` into a field of a record kept in the day model.
inline void Put(std::string& rec, L::Field f, const std::string& text) {
  rec.replace(static_cast<size_t>(f.pos - 1), static_cast<size_t>(f.len), PadRight(text, static_cast<size_t>(f.len)));
}

}  // namespace corvina::test
