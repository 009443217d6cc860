#include "analysis/HitTable.h"

#include "platform/Cp932.h"
#include "platform/Text.h"
#include "racedata/RacingTexts.h"

namespace corvina::analysis {

namespace {

static_assert(TicketCol(kTicketPlaces) == Col(QuinellaWideColumn::Ticket6));
static_assert(WidePayCol(kTicketPlaces) == Col(QuinellaWideColumn::WidePay6));
static_assert(Col(QuinellaWideColumn::WidePay6) + 1 == kQuinellaWideColumns);
static_assert(Col(WinPlaceColumn::PlacePay) + 1 == kWinPlaceColumns);

bool Present(const std::vector<std::string>& row, int col) {
  return col >= 0 && static_cast<size_t>(col) < row.size() && !row[static_cast<size_t>(col)].empty();
}

std::string PayText(int pay) { return FormatInt(pay, 7); }

}  // namespace

RowHits RowHitsOf(const RaceCalc& calc) {
  RowHits h;
  for (int j = 1; j <= kTicketPlaces; ++j) {
    h.umarenHit[j] = calc.UmarenHit[j] == 1;
    h.wideHit[j] = calc.WideHit[j] == 1;
  }
  h.tanHit = calc.TanHit == 1;
  h.fukuHit = calc.FukuHit == 1;
  return h;
}

BgrColor QuinellaWideCellColor(int col, const std::vector<std::string>& row, const RowHits& hits) {
  using C = QuinellaWideColumn;
  if (col == Col(C::Race) || col == Col(C::Entries)) return kClInfoBk;
  if (col >= TicketCol(1) && col <= TicketCol(kTicketPlaces)) {
    int j = col - TicketCol(1) + 1;
    if (!Present(row, col)) return kClLightGrey;
    if (hits.umarenHit[j]) return kClRed;
    if (hits.wideHit[j]) return kClFuchsia;
    return kClWhite;
  }
  if (col == Col(C::QuinellaPay)) {
    if (Present(row, col)) return kClRed;
    bool anyTicket = false;
    for (int j = 1; j <= kTicketPlaces; ++j) anyTicket = anyTicket || Present(row, TicketCol(j));
    return anyTicket ? kClAqua : kClLightGrey;
  }
  if (col >= WidePayCol(1) && col <= WidePayCol(kTicketPlaces)) {
    int j = col - WidePayCol(1) + 1;
    if (!Present(row, TicketCol(j))) return kClLightGrey;
    return hits.wideHit[j] ? kClFuchsia : kClYellow;
  }
  return kClWhite;  // the result flags, and a column outside the grid
}

BgrColor WinPlaceCellColor(int col, const std::vector<std::string>& row, const RowHits& hits) {
  using C = WinPlaceColumn;
  bool axisShown = Present(row, Col(C::AxisHorse));
  switch (static_cast<C>(col)) {
    case C::Race:
    case C::Entries: return kClInfoBk;
    case C::AxisHorse:
      if (!axisShown) return kClLightGrey;
      return hits.tanHit ? kClRed : hits.fukuHit ? kClFuchsia : kClWhite;
    case C::WinPay:
      if (Present(row, col)) return kClRed;
      return axisShown ? kClAqua : kClLightGrey;
    case C::PlacePay:
      if (!axisShown) return kClLightGrey;
      return hits.fukuHit ? kClFuchsia : kClYellow;
    default: return kClWhite;  // the result flags, and a column outside the grid
  }
}

std::string HitRaceLabel(const RaceInfo& info) {
  const std::string& kKai = CORVINA_CP932("回 ");
  const std::string& kNichi = CORVINA_CP932("日");
  return CourseClassName(Copy(info.RaceKey, 9, 2)) + Copy(info.RaceKey, 12, 1) + kKai + Copy(info.RaceKey, 14, 1) +
         kNichi + FormatInt(StrToIntLenient(Copy(info.RaceKey, 15, 2)), 2) + "R";
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
  using C = QuinellaWideColumn;
  std::vector<std::string> row(kQuinellaWideColumns);
  auto cell = [&row](int col) -> std::string& { return row[static_cast<size_t>(col)]; };
  const ResultFlags listed = ResultsListed(info, calc, EmptyComb::BlankOrZeroPair);
  cell(Col(C::Results)) = std::string(listed.quinella ? "U" : "-") + (listed.wide ? "W" : "-");
  cell(Col(C::Race)) = HitRaceLabel(info);
  cell(Col(C::Entries)) = EntryText(info);
  for (int j = 1; j <= kTicketPlaces; ++j) {
    cell(TicketCol(j)) = IsBlank(calc.Tickets[j]) ? std::string() : calc.Tickets[j];
    if (calc.UmarenHit[j] == 1) cell(Col(C::QuinellaPay)) = PayText(calc.UmarenPay[j]);  // the last hit stays
    if (calc.WideHit[j] == 1) cell(WidePayCol(j)) = PayText(calc.WidePay[j]);
  }
  return row;
}

std::vector<std::string> WinPlaceRow(const DayModel& day, int slot) {
  const RaceInfo& info = day.Races[slot];
  const RaceCalc& calc = day.Calcs[slot];
  using C = WinPlaceColumn;
  std::vector<std::string> row(kWinPlaceColumns);
  auto cell = [&row](C col) -> std::string& { return row[static_cast<size_t>(Col(col))]; };
  const ResultFlags listed = ResultsListed(info, calc, EmptyComb::BlankOrZeroPair);
  cell(C::Results) = std::string(listed.win ? "T" : "-") + (listed.place ? "F" : "-");
  cell(C::Race) = HitRaceLabel(info);
  cell(C::Entries) = EntryText(info);
  if (calc.AxisHorse > 0) cell(C::AxisHorse) = FormatInt(calc.AxisHorse, 2);
  if (calc.TanHit == 1) cell(C::WinPay) = PayText(calc.TanPay);
  if (calc.FukuHit == 1) cell(C::PlacePay) = PayText(calc.FukuPay);
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
