#include "racedata/RaceInfo.h"

#include <charconv>
#include <cmath>

#include "racedata/RaceRecords.h"
#include "racedata/RacingTexts.h"

namespace corvina {

namespace L = layout;

namespace {

bool AllDigits(std::string_view s) { return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos; }

void FillCard(RaceInfo& info, const std::string& ra) {
  info.RaceKey = FieldText(ra, L::head::kRaceKey);
  info.RaceName = FieldText(ra, L::ra::kRaceName);
  info.RaceNameShort = FieldText(ra, L::ra::kRaceNameShort);
  info.GradeCode = FieldText(ra, L::ra::kGradeCode);
  info.WeightRule = FieldText(ra, L::ra::kWeightRule);
  info.ClassCode = FieldText(ra, L::ra::kClassCode);
  info.Distance = FieldText(ra, L::ra::kDistance);
  info.TrackCode = FieldText(ra, L::ra::kTrackCode);
  info.PostTime = FieldText(ra, L::ra::kPostTime);
  info.EntryCount = FieldText(ra, L::ra::kEntryCount);
}

void FillRunner(RaceInfo& info, int h, const std::string& se) {
  info.UmaBan[h] = FieldText(se, L::se::kUmaBan);
  info.WakuBan[h] = FieldText(se, L::se::kWakuBan);
  info.KettoNum[h] = FieldText(se, L::se::kKettoNum);
  info.HorseName[h] = FieldText(se, L::se::kHorseNameKept);
  info.SexCode[h] = FieldText(se, L::se::kSexCode);
  info.Futan[h] = FieldText(se, L::se::kFutan);
  info.JockeyCode[h] = FieldText(se, L::se::kJockeyCode);
  info.JockeyName[h] = FieldText(se, L::se::kJockeyName);
  info.TrainerCode[h] = FieldText(se, L::se::kTrainerCode);
  info.TrainerName[h] = FieldText(se, L::se::kTrainerName);
}

// One O1 snapshot into the announcement text, its present flag and the win odds of the first n horses.
void FillSnapshot(const std::string& o1, int n, std::string& announce, Byte& present, PerHorse<double>& odds) {
  announce = FieldText(o1, L::o1::kAnnHour) + FieldText(o1, L::o1::kAnnMinute);
  present = IsBlank(announce) ? 0 : 1;
  for (int h = 0; h < n; ++h) odds[h] = WinOddsValue(FieldView(o1, L::o1::WinOdds(h)));
}

}  // namespace

double WinOddsValue(std::string_view field) {
  const std::string f = Trim(field);
  if (f.empty()) return -2;
  if (!AllDigits(f)) return -1;  // "----", "****", or a field the service never writes
  return StrToIntLenient(f) / 10.0;
}

double PredOddsValue(std::string_view field) {
  const std::string f = Trim(field);
  double v = 0;
  const auto [end, ec] = std::from_chars(f.data(), f.data() + f.size(), v);
  // "nan" and "inf" parse as numbers but are no odds.
  if (f.empty() || ec != std::errc() || end != f.data() + f.size() || !std::isfinite(v)) return -1;
  return v;
}

void ResetRecords(DayModel& day) {
  for (auto& info : day.Races) info = RaceInfo{};
  for (auto& calc : day.Calcs) calc = RaceCalc{};
}

void ComputeOddsSchedule(DayModel& day, int slot) {
  if (slot < 0 || slot >= kSlots) return;
  RaceInfo& info = day.Races[slot];
  const RaceInfo* prev = slot > 0 ? &day.Races[slot - 1] : nullptr;
  // Without a previous slot, or with a blank post time, there is no time to derive: the field stays empty.
  auto afterPrevPost = [&] { return prev ? AddTimeHHMM(prev->PostTime, 5) : std::string(); };
  static const std::string kMidday = "1220";
  const int race = RaceNumber(day.Table.GRaTbl[slot]);
  if (race == 1) {
    info.OddsTime1 = AddTimeHHMM(info.PostTime, -30);
  } else if (race >= 2 && race <= 5) {
    info.OddsTime1 = afterPrevPost();
  } else if (race == 6) {
    info.OddsTime1 = kMidday;
  } else if (race >= 7 && race <= 11) {
    info.OddsTime1 = kMidday;
    info.OddsTime2 = afterPrevPost();
  } else if (race == 12) {
    info.OddsTime1 = kMidday;
    info.OddsTime2 = prev ? prev->OddsTime2 : std::string();
  }
}

void FillRecords(DayModel& day) {
  RaceTable& t = day.Table;
  for (int i = 0; i < kSlots; ++i) {
    RaceInfo& info = day.Races[i];
    const std::string& ra = t.GRaTbl[i];
    if (!IsBlank(FieldView(ra, L::head::kYear))) info.HasData = 1;
    FillCard(info, ra);
    const int n = EntryCount(ra);
    for (int h = 0; h < n; ++h) FillRunner(info, h, t.GSeTbl[i][h]);
  }
  for (int i = 0; i < kSlots; ++i) {
    RaceInfo& info = day.Races[i];
    const std::string& ra = t.GRaTbl[i];
    if (info.HasData == 1 && !IsBlank(FieldView(ra, L::head::kYear))) ComputeOddsSchedule(day, i);
    const int n = EntryCount(ra);
    FillSnapshot(t.GO1Tbl1[i], n, info.OddsAnnounce1, info.Odds1Present, info.WinOdds1);
    FillSnapshot(t.GO1Tbl2[i], n, info.OddsAnnounce2, info.Odds2Present, info.WinOdds2);
    for (int h = 0; h < n; ++h) info.PredWinOdds[h] = PredOddsValue(FieldView(t.GYozTbl[i], L::yoz::Win(h)));
  }
}

}  // namespace corvina
