#include "analysis/Tickets.h"

#include <array>
#include <cmath>

#include "analysis/RankKeys.h"
#include "platform/Cp932.h"
#include "platform/Text.h"

namespace corvina::analysis {

namespace {

const std::string kA = "A";
const std::string kB = "B";
const std::string kC = "C";
const std::string kE = "E";

// The horse numbers of the "A" horses of ARank 1..kTicketPlaces (r1..r6), 0 for a rank nobody holds: a horse
// against them takes ticket place j for rank j, so the ranks that count are as many as the places.
using Ranks = PerTicket<int>;

// Marks one horse from one snapshot. A horse without odds (W not above 0) gets no mark. The "C" mark also
// needs a prediction above 0: the codes -1 / -2 stand for "no value" and never act as odds. `strictC` is the
// local option's single test for "C" (odds above four times the prediction) in place of the two usual ones.
void MarkHorse(double p, double w, bool strictC, std::string& ab, std::string& c) {
  if (!(w > 0)) return;
  if (p > w && p < 100) ab = kA;
  if (p == w && p < 15) ab = kA;
  if (p >= 100 && w < 20) ab = kB;
  if (!(p > 0)) return;
  if (strictC) {
    if (4 * p < w) c = kC;
    return;
  }
  if (3 * p < w && p < 10) c = kC;
  if (3.5 * p < w && p < 20) c = kC;
}

bool Is(const std::string& mark, const std::string& letter) { return Trim(mark) == letter; }

// The per-race view the rules work on.
struct RaceView {
  const RaceInfo& info;
  RaceCalc& calc;
  bool latest;  // Odds2Present: the current marks and odds are the latest snapshot's

  double P(int h) const { return info.PredWinOdds[h]; }
  double O(int h) const { return latest ? info.WinOdds2[h] : info.WinOdds1[h]; }
  const std::string& MarkAB(int h) const { return latest ? calc.MarkAB2[h] : calc.MarkAB1[h]; }
  const std::string& MarkC(int h) const { return latest ? calc.MarkC2[h] : calc.MarkC1[h]; }
};

class TicketWriter {
 public:
  explicit TicketWriter(RaceCalc& calc) : calc_(calc) {}
  // Ticket place j becomes the pair x-y when both horses exist; otherwise the place keeps what it had.
  void Set(int j, int x, int y) {
    if (x > 0 && y > 0) calc_.Tickets[j] = TicketLabel(x, y);
  }
  void ClearAll() {
    for (auto& t : calc_.Tickets) t.clear();
  }
  // The box of four horses in the order x1-x2, x1-x3, x1-x4, x2-x3, x2-x4, x3-x4.
  void Box(const std::array<int, 5>& x) {
    Set(1, x[1], x[2]);
    Set(2, x[1], x[3]);
    Set(3, x[1], x[4]);
    Set(4, x[2], x[3]);
    Set(5, x[2], x[4]);
    Set(6, x[3], x[4]);
  }
  // One horse against r1..r6, ticket place j for rank j.
  void Against(int horse, const Ranks& r) {
    for (int j = 1; j <= kTicketPlaces; ++j) Set(j, horse, r[j]);
  }

 private:
  RaceCalc& calc_;
};

// Marks from both snapshots and the horses that lost their first-snapshot "A".
int MarkRace(RaceView& v, bool localOption, bool localVenue, int& lostA) {
  int lostCount = 0;
  for (int h = 0; h < kHorses; ++h) {
    double p = v.P(h);
    if (v.latest) MarkHorse(p, v.info.WinOdds2[h], localOption && localVenue, v.calc.MarkAB2[h], v.calc.MarkC2[h]);
    // The first snapshot takes the strict "C" test at every venue while the option is checked.
    MarkHorse(p, v.info.WinOdds1[h], localOption, v.calc.MarkAB1[h], v.calc.MarkC1[h]);
    if (v.latest && Is(v.calc.MarkAB1[h], kA) && Trim(v.calc.MarkAB2[h]).empty() && p <= 20) {
      v.calc.ModeOneA[h] = 1;
      ++lostCount;
      lostA = h + 1;
    }
  }
  return lostCount;
}

// Counts of the current marks and the ranks of the "A" horses; returns r1..r6 (0 = none). The counts are only
// ever added to: they start from the zero the day load gives every RaceCalc, as the marks start empty, so a
// race is predicted once per load.
Ranks CountAndRank(RaceView& v, int& bHorse, int& cHorse) {
  RaceCalc& calc = v.calc;
  RankList list;
  for (int h = 0; h < kHorses; ++h) {
    calc.ARank[h] = 0;
    if (Is(v.MarkAB(h), kA)) {
      ++calc.CountA;
      if (v.P(h) > 0) list.Add(OddsPiece(v.P(h)) + OddsPiece(v.O(h)) + NumberPiece(h + 1), h);
    }
    if (Is(v.MarkAB(h), kB)) {
      ++calc.CountB;
      bHorse = h + 1;
    }
    if (Is(v.MarkC(h), kC)) {
      ++calc.CountC;
      cHorse = h + 1;
    }
  }
  list.Sort();
  Ranks r{};
  for (size_t i = 0; i < list.Count(); ++i) {
    int h = list.HorseAt(i);
    calc.ARank[h] = static_cast<int>(i) + 1;
    if (i < static_cast<size_t>(kTicketPlaces)) r[i + 1] = h + 1;
  }
  return r;
}

bool HaveRanks(const Ranks& r, int k) {
  for (int j = 1; j <= k; ++j)
    if (r[j] == 0) return false;
  return true;
}

// The decision table on the numbers of marked horses.
void DecisionTable(RaceView& v, const Ranks& r, int bHorse, int cHorse) {
  RaceCalc& calc = v.calc;
  TicketWriter tickets(calc);
  // A ranked horse passes its test when its prediction and its current odds are both below the limits.
  auto passes = [&](int horse, double pLimit, double oLimit) {
    int h = horse - 1;
    return v.P(h) > 0 && v.P(h) < pLimit && v.O(h) > 0 && v.O(h) < oLimit;
  };
  const int a = calc.CountA;
  if (a == 1) {
    for (int h = 0; h < kHorses; ++h)
      if (v.P(h) > 0 && v.P(h) < 2.0 && v.O(h) > 0 && v.O(h) < 1.5) calc.AxisHorse = h + 1;
    if (calc.AxisHorse == 0) calc.Note = NoteSkip();
  } else if (a == 2) {
    if (!HaveRanks(r, 2) || !passes(r[1], 2.5, 2.0) || !passes(r[2], 3.0, 2.5)) {
      calc.Note = NoteSkip();
    } else {
      tickets.Set(1, r[1], r[2]);
    }
  } else if (a == 3) {
    calc.Note.clear();
    if (!HaveRanks(r, 3)) {
      calc.Note = NoteSkipAsRule();
    } else {
      if (!passes(r[1], 2.5, 2.0) || !passes(r[2], 3.0, 2.5) || !passes(r[3], 3.5, 3.0)) calc.Note = NoteSkipAsRule();
      tickets.Set(1, r[1], r[2]);
      tickets.Set(2, r[1], r[3]);
      tickets.Set(3, r[2], r[3]);
    }
  } else if (a == 4) {
    if (!HaveRanks(r, 4)) {
      calc.Note = NoteSkip();
    } else {
      tickets.Box({0, r[1], r[2], r[3], r[4]});
    }
  } else if (a >= 5 && calc.CountB != 1) {
    calc.Note = NoteSkipAsRule();
    if (r[5] > 0 && v.P(r[5] - 1) > 40) calc.Note.clear();
    if (!HaveRanks(r, 5)) {
      calc.Note = NoteSkipAsRule();
    } else {
      tickets.Box({0, r[1], r[2], r[3], r[4]});
    }
  } else if (a <= kTicketPlaces && (calc.CountB == 1 || calc.CountC == 1)) {
    // No "A" horse, or five or six beside a single "B" horse: the single "B" horse, else the single "C" horse,
    // goes against r1..r6 (with no "A" horse r1 is 0 and the race is skipped).
    int partner = calc.CountB == 1 ? bHorse : cHorse;
    calc.Note = NoteSkip();
    if (r[1] > 0 && partner > 0) tickets.Against(partner, r);
  }
}

// A prediction taken before sale ("M") against odds that moved much more than it.
void PreSaleOdds(RaceView& v) {
  const RaceInfo& info = v.info;
  RankList list;
  for (int h = 0; h < kHorses; ++h) {
    double p = info.PredWinOdds[h], firstWin = info.WinOdds1[h], latestWin = info.WinOdds2[h];
    // Only horses with a prediction and odds in both snapshots: the codes -1 / -2 are not odds.
    if (!(p > 0 && firstWin > 0 && latestWin > 0 && latestWin < 100)) continue;
    double d = std::fabs(p - firstWin), e = std::fabs(firstWin - latestWin);
    if (2 * d < e || d > 2 * e) list.Add(NumberPiece(v.calc.RankPred[h]) + NumberPiece(h + 1), h);
  }
  list.Sort();
  std::array<int, 5> k{};
  for (size_t i = 0; i < list.Count() && i < 4; ++i) k[i + 1] = list.HorseAt(i) + 1;
  if (k[1] > 0 && k[2] > 0 && list.Count() < 5) {
    TicketWriter tickets(v.calc);
    tickets.ClearAll();
    v.calc.Note = NotePreSaleOdds();
    tickets.Box(k);
  }
}

}  // namespace

const std::string& NoteSkip() { return CORVINA_CP932("見送り"); }
const std::string& NoteSkipAsRule() { return CORVINA_CP932("原則見送り"); }
const std::string& NoteErasedAxis() { return CORVINA_CP932("消された軸馬"); }
const std::string& NotePreSaleOdds() { return CORVINA_CP932("前売りオッズ"); }

std::string TicketLabel(int x, int y) {
  if (x > y) std::swap(x, y);
  return FormatInt(x, 2) + "-" + FormatInt(y, 2);
}

bool IsLocalVenue(std::string_view code) {
  return code == "01" || code == "02" || code == "03" || code == "04" || code == "10";
}

void PredictRace(DayModel& day, int slot, bool localOption) {
  const RaceInfo& info = day.Races[slot];
  RaceView v{info, day.Calcs[slot], info.Odds2Present == 1};
  bool localVenue = IsLocalVenue(CopyView(info.RaceKey, 9, 2));

  int lostA = 0;
  int lostCount = MarkRace(v, localOption, localVenue, lostA);
  int bHorse = 0, cHorse = 0;
  auto r = CountAndRank(v, bHorse, cHorse);
  DecisionTable(v, r, bHorse, cHorse);

  // The one horse that lost its "A" since the first snapshot becomes the partner of r1..r6.
  if (v.calc.CountA <= kTicketPlaces && lostCount == 1 && r[1] > 0) {
    TicketWriter tickets(v.calc);
    tickets.ClearAll();
    v.calc.Note = NoteErasedAxis();
    tickets.Against(lostA, r);
  }
  if (info.YozSourceM == 1 && info.Odds2Present == 1 && info.YozMatched == 1) PreSaleOdds(v);

  for (int h = 0; h < kHorses; ++h)
    if (Is(v.MarkAB(h), kA) && Is(v.calc.MarkX[h], "X")) v.calc.MarkE[h] = kE;
}

void PredictDay(DayModel& day, bool localOption) {
  for (int slot = 0; slot < kSlots; ++slot) {
    const RaceInfo& info = day.Races[slot];
    if (info.HasData == 1 && info.YozMatched == 1 && info.Odds1Present == 1) PredictRace(day, slot, localOption);
  }
}

}  // namespace corvina::analysis
