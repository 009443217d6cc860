#pragma once
// Builders for the analysis tests: a day model with blank records and fields put at their positions.
#include <memory>
#include <string>

#include "platform/Text.h"
#include "racedata/DayModel.h"
#include "racedata/RecordLayout.h"

namespace corvina::testing {

inline void Put(std::string& rec, layout::Field f, const std::string& text) {
  rec.replace(static_cast<size_t>(f.pos - 1), static_cast<size_t>(f.len), PadRight(text, static_cast<size_t>(f.len)));
}

// Right-aligned number text of a field's width.
inline std::string Num(long long v, int width) { return FormatInt(v, width); }

inline std::unique_ptr<DayModel> NewDay() { return std::make_unique<DayModel>(); }

// Makes `slot` a race: RA record with RaceKey "<year>0106<venue>0104<race>" and `entries` runners, HasData set.
inline void AddRace(DayModel& day, int slot, int entries, const std::string& year = "2006",
                    const std::string& venue = "05", int race = 1) {
  std::string& ra = day.Table.GRaTbl[slot];
  std::string key = year + "0106" + venue + "0104" + FormatZero(race, 2);
  Put(ra, layout::head::kRaceKey, key);
  Put(ra, layout::ra::kEntryCount, Num(entries, 2));
  day.FRaceInfo[slot].HasData = 1;
  day.FRaceInfo[slot].RaceKey = key;
  day.FRaceInfo[slot].EntryCount = Num(entries, 2);
  day.FRaceCalc[slot].Over8Runners = entries > 8 ? 1 : 0;
  day.FRaceCalc[slot].CalcHasData = 1;
}

// A .yoz read buffer whose source letter is `letter`.
inline std::string YozRecWithLetter(char letter) {
  std::string rec(layout::kYozLine, ' ');
  rec[layout::yoz::kSource.pos - 1] = letter;
  return rec;
}

}  // namespace corvina::testing
