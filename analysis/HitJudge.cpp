#include "analysis/HitJudge.h"

#include "platform/Text.h"

namespace corvina::analysis {

namespace {
template <size_t N>
void MatchTicket(const std::string& ticket, const std::array<std::string, N>& combs, const std::array<int, N>& pays,
                 Byte& hit, int& pay) {
  for (size_t i = 1; i < N; ++i) {
    if (combs[i] == ticket) {
      hit = 1;
      pay = pays[i];
    }
  }
}
}  // namespace

bool PresentComb(const std::string& comb) { return !IsBlank(comb) && comb != " 0- 0"; }

PairPayouts QuinellaPayoutsJudged(const RaceInfo& info, const RaceCalc& calc) {
  if (calc.Over8Runners == 1) return {info.UmarenComb, info.UmarenPay};
  for (int i = 1; i <= 3; ++i)
    if (PresentComb(info.WakurenComb[i])) return {info.WakurenComb, info.WakurenPay};
  return {info.UmarenComb, info.UmarenPay};
}

void JudgeRace(DayModel& day, int slot) {
  const RaceInfo& info = day.Races[slot];
  RaceCalc& calc = day.Calcs[slot];
  for (int j = 1; j <= kTicketPlaces; ++j) {
    const std::string& ticket = calc.Tickets[j];
    if (IsBlank(ticket)) continue;
    // Wide payouts are looked at only for races of more than 8 runners.
    if (calc.Over8Runners == 1) MatchTicket(ticket, info.WideComb, info.WidePay, calc.WideHit[j], calc.WidePay[j]);
    const PairPayouts quinella = QuinellaPayoutsJudged(info, calc);
    MatchTicket(ticket, quinella.combs, quinella.pays, calc.UmarenHit[j], calc.UmarenPay[j]);
  }
  if (calc.AxisHorse > 0) {
    for (int i = 1; i <= 3; ++i)
      if (info.TanHorse[i] == calc.AxisHorse) {
        calc.TanHit = 1;
        calc.TanPay = info.TanPay[i];
      }
    for (int i = 1; i <= 5; ++i)
      if (info.FukuHorse[i] == calc.AxisHorse) {
        calc.FukuHit = 1;
        calc.FukuPay = info.FukuPay[i];
      }
  }
}

void JudgeHits(DayModel& day) {
  auto year = layout::head::kYear;
  for (int slot = 0; slot < kSlots; ++slot)
    if (day.Races[slot].HasData == 1 && !IsBlank(CopyView(day.Table.GRaTbl[slot], year.pos, year.len)))
      JudgeRace(day, slot);
}

}  // namespace corvina::analysis
