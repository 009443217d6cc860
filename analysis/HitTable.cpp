#include "analysis/HitTable.h"

#include "analysis/HitJudge.h"
#include "platform/Cp932.h"
#include "platform/Text.h"
#include "racedata/RacingTexts.h"

namespace corvina::analysis {

namespace {

constexpr int kShownTickets = 6;
constexpr int kQuinellaPayCol = 9;

bool Present(const std::vector<std::string>& row, int col) {
  return col >= 0 && static_cast<size_t>(col) < row.size() && !row[static_cast<size_t>(col)].empty();
}

std::string PayText(int pay) { return FormatInt(pay, 7); }

}  // namespace

RowHits RowHitsOf(const RaceCalc& calc) {
  RowHits h;
  for (int j = 1; j <= kShownTickets; ++j) {
    h.umarenHit[j] = calc.UmarenHit[j] == 1;
    h.wideHit[j] = calc.WideHit[j] == 1;
  }
  h.tanHit = calc.TanHit == 1;
  h.fukuHit = calc.FukuHit == 1;
  return h;
}

BgrColor QuinellaWideCellColor(int col, const std::vector<std::string>& row, const RowHits& hits) {
  if (col == 0) return kClWhite;
  if (col == 1 || col == 2) return kClInfoBk;
  if (col >= 3 && col <= 8) {
    int j = col - 2;
    if (!Present(row, col)) return kClLightGrey;
    if (hits.umarenHit[j]) return kClRed;
    if (hits.wideHit[j]) return kClFuchsia;
    return kClWhite;
  }
  if (col == kQuinellaPayCol) {
    if (Present(row, col)) return kClRed;
    bool anyTicket = false;
    for (int c = 3; c <= 8; ++c) anyTicket = anyTicket || Present(row, c);
    return anyTicket ? kClAqua : kClLightGrey;
  }
  if (col >= 10 && col <= 15) {
    int j = col - kQuinellaPayCol;
    if (!Present(row, j + 2)) return kClLightGrey;
    return hits.wideHit[j] ? kClFuchsia : kClYellow;
  }
  return kClWhite;
}

BgrColor WinPlaceCellColor(int col, const std::vector<std::string>& row, const RowHits& hits) {
  if (col == 0) return kClWhite;
  if (col == 1 || col == 2) return kClInfoBk;
  bool axisShown = Present(row, 3);
  switch (col) {
    case 3:
      if (!axisShown) return kClLightGrey;
      return hits.tanHit ? kClRed : hits.fukuHit ? kClFuchsia : kClWhite;
    case 4:
      if (Present(row, 4)) return kClRed;
      return axisShown ? kClAqua : kClLightGrey;
    case 5:
      if (!axisShown) return kClLightGrey;
      return hits.fukuHit ? kClFuchsia : kClYellow;
    default: return kClWhite;
  }
}

std::string HitRaceLabel(const RaceInfo& info) {
  const std::string& kKai = CORVINA_CP932("回 ");
  const std::string& kNichi = CORVINA_CP932("日");
  return CourseClassName(Copy(info.RaceKey, 9, 2)) + Copy(info.RaceKey, 12, 1) + kKai + Copy(info.RaceKey, 14, 1) +
         kNichi + FormatInt(StrToIntLenient(Copy(info.RaceKey, 15, 2)), 2) + "R";
}

void SetHitResultFlags(DayModel& day, int slot) {
  const RaceInfo& info = day.Races[slot];
  RaceCalc& calc = day.Calcs[slot];
  calc.ResU = PresentComb(info.UmarenComb[1]) || (calc.Over8Runners == 0 && PresentComb(info.WakurenComb[1])) ? 1 : 0;
  calc.ResW = PresentComb(info.WideComb[1]) ? 1 : 0;
  calc.ResT = info.TanHorse[1] > 0 ? 1 : 0;
  calc.ResF = info.FukuHorse[1] > 0 ? 1 : 0;
}

namespace {

std::string EntryText(const RaceInfo& info) {
  const std::string& kTou = CORVINA_CP932("頭");
  return FormatInt(StrToIntLenient(info.EntryCount), 2) + kTou;
}

}  // namespace

std::vector<std::string> QuinellaWideRow(const DayModel& day, int slot) {
  const RaceInfo& info = day.Races[slot];
  const RaceCalc& calc = day.Calcs[slot];
  std::vector<std::string> row(16);
  row[0] = std::string(calc.ResU == 1 ? "U" : "-") + (calc.ResW == 1 ? "W" : "-");
  row[1] = HitRaceLabel(info);
  row[2] = EntryText(info);
  for (int j = 1; j <= kShownTickets; ++j) {
    row[static_cast<size_t>(2 + j)] = IsBlank(calc.Tickets[j]) ? std::string() : calc.Tickets[j];
    if (calc.UmarenHit[j] == 1) row[kQuinellaPayCol] = PayText(calc.UmarenPay[j]);  // the last hit stays
    if (calc.WideHit[j] == 1) row[static_cast<size_t>(kQuinellaPayCol + j)] = PayText(calc.WidePay[j]);
  }
  return row;
}

std::vector<std::string> WinPlaceRow(const DayModel& day, int slot) {
  const RaceInfo& info = day.Races[slot];
  const RaceCalc& calc = day.Calcs[slot];
  std::vector<std::string> row(6);
  row[0] = std::string(calc.ResT == 1 ? "T" : "-") + (calc.ResF == 1 ? "F" : "-");
  row[1] = HitRaceLabel(info);
  row[2] = EntryText(info);
  if (calc.AxisHorse > 0) row[3] = FormatInt(calc.AxisHorse, 2);
  if (calc.TanHit == 1) row[4] = PayText(calc.TanPay);
  if (calc.FukuHit == 1) row[5] = PayText(calc.FukuPay);
  return row;
}

std::array<std::string, 4> HitVenueNames(const DayModel& day) {
  const std::string& kNone = CORVINA_CP932("――");
  std::vector<std::string> venues = DayVenues(day);
  std::array<std::string, 4> names{};
  for (int k = 1; k <= 3; ++k) {
    std::string name =
        static_cast<size_t>(k) <= venues.size() ? CourseClassName(venues[static_cast<size_t>(k - 1)]) : std::string();
    // V1 keeps its class name as it is; the others become "――" when there is none.
    names[static_cast<size_t>(k)] = (k > 1 && IsBlank(name)) ? kNone : name;
  }
  return names;
}

std::array<std::string, 5> HitSummary(const DayModel& day, BetType type, int scope) {
  const std::string& kTen = CORVINA_CP932("点");
  const std::string& kYen = CORVINA_CP932("円");
  int tickets = day.GStats[static_cast<size_t>(TicketsIndex(type, scope))];
  int hits = day.GStats[static_cast<size_t>(HitsIndex(type, scope))];
  int pay = day.GStats[static_cast<size_t>(PayIndex(type, scope))];
  return {FormatInt(tickets, 3) + kTen, FormatInt(hits, 3) + kTen,
          FormatInt(static_cast<long long>(tickets) * 100, 5) + kYen, FormatInt(pay, 7) + kYen, RateText(pay, tickets)};
}

std::filesystem::path VerificationMarkerPath(const std::filesystem::path& appDir) {
  return appDir / "VerificationAvailable.test";
}

}  // namespace corvina::analysis
