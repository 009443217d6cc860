#include "analysis/PairOdds.h"

#include <array>

#include "analysis/RankKeys.h"
#include "platform/Text.h"
#include "racedata/RacingTexts.h"

namespace corvina::analysis {

namespace {

struct Pair {
  int a = 0;  // horse numbers 1..18, a < b
  int b = 0;
};

// The two horses of every UmarenIndex, read once from the pair labels.
const std::array<Pair, layout::kUmarenPairs + 1>& PairTable() {
  static const auto table = [] {
    std::array<Pair, layout::kUmarenPairs + 1> t{};
    for (int k = 1; k <= layout::kUmarenPairs; ++k) {
      std::string label = UmarenIndexToStr(k);
      t[k] = {StrToIntLenient(Copy(label, 1, 2)), StrToIntLenient(Copy(label, 4, 2))};
    }
    return t;
  }();
  return table;
}

// The quinella index of every bracket pair (0 for a bracket with itself), for the days whose small races
// take their quinella odds from the bracket block.
const std::array<int, layout::kWakurenPairs + 1>& BracketToPair() {
  static const auto table = [] {
    std::array<int, layout::kWakurenPairs + 1> t{};
    for (int w = 1; w <= layout::kWakurenPairs; ++w) t[w] = UmarenStrToIndex(WakurenIndexToStr(w));
    return t;
  }();
  return table;
}

bool IsMarker(const std::string& trimmed, char c, size_t width) {
  return trimmed.size() == width && trimmed.find_first_not_of(c) == std::string::npos;
}

// Odds in tenths of a field; nullopt for a blank field, a marker of the given width or junk.
std::optional<double> TenthsField(std::string_view field, size_t width) {
  std::string t = Trim(field);
  if (IsMarker(t, '*', width) || IsMarker(t, '-', width)) return std::nullopt;
  auto v = ParseDecimalField(t);
  if (!v) return std::nullopt;
  return *v / 10;
}

void RealOdds(const DayModel& day, int slot, int entries, RaceCalc& calc) {
  if (entries > 8 || day.GFrom2005) {
    const std::string& o2 = day.Table.GO2Tbl[slot];
    for (int k = 1; k <= layout::kUmarenPairs; ++k) {
      auto f = layout::o2::UmarenOdds(k);
      if (auto v = TenthsField(CopyView(o2, f.pos, f.len), 6)) calc.UmarenOdds[k] = *v;
    }
    return;
  }
  // Eight runners or fewer before 2005: each bracket holds one horse, so bracket pair a-b is horse pair a-b.
  const std::string& o1 = day.Table.GO1Tbl2[slot];
  const auto& toPair = BracketToPair();
  for (int w = 1; w <= layout::kWakurenPairs; ++w) {
    int k = toPair[w];
    if (k == 0) continue;
    auto f = layout::o1::WakurenOdds(w);
    if (auto v = TenthsField(CopyView(o1, f.pos, f.len), 5)) calc.UmarenOdds[k] = *v;
  }
}

void PredictedOdds(const DayModel& day, int slot, RaceCalc& calc) {
  const std::string& yoz = day.Table.GYozTbl[slot];
  for (int k = 1; k <= layout::kUmarenPairs; ++k) {
    auto f = layout::yoz::Umaren(k);
    if (auto v = ParseDecimalField(CopyView(yoz, f.pos, f.len))) calc.PredUmarenOdds[k] = *v;
  }
}

// The value a real pair's odds enter the mean with: the providers cap long odds by source.
double Capped(double v, char source, int entries) {
  if (source == 'J') return v > 999.9 ? 999.9 : v;
  if (source == 'K') {
    if (entries < 9) return v > 100 ? 100.0 : v;
    return v > 1000 ? 1000.0 : v;
  }
  return v;
}

template <typename Value>
void Averages(const OneBased<double, layout::kUmarenPairs>& odds, Value value, PerHorse<double>& avg) {
  std::array<double, kHorses> sum{};
  std::array<int, kHorses> count{};
  const auto& pairs = PairTable();
  for (int k = 1; k <= layout::kUmarenPairs; ++k) {
    if (!(odds[k] > 0) || pairs[k].a < 1 || pairs[k].b > kHorses) continue;
    double v = value(odds[k]);
    for (int horse : {pairs[k].a, pairs[k].b}) {
      sum[horse - 1] += v;
      ++count[horse - 1];
    }
  }
  for (int h = 0; h < kHorses; ++h)
    if (count[h] > 0) avg[h] = sum[h] / count[h];
}

void RankByAverage(const PerHorse<double>& avg, PerHorse<int>& rank, RankList& list) {
  list.Clear();
  for (int h = 0; h < kHorses; ++h)
    if (avg[h] > 0) list.Add(OddsPiece(avg[h]) + NumberPiece(h + 1), h);
  list.Sort();
  for (size_t i = 0; i < list.Count(); ++i) rank[list.HorseAt(i)] = static_cast<int>(i) + 1;
}

}  // namespace

char DaySourceLetter(const DayModel& day) {
  auto f = layout::yoz::kSource;
  std::string_view letter = CopyView(day.GYozRec, f.pos, f.len);
  return letter.empty() || letter[0] == ' ' ? 0 : letter[0];
}

void ComputePairOdds(DayModel& day, int slot, char sourceLetter) {
  RaceCalc& calc = day.Calcs[slot];
  auto entryField = layout::ra::kEntryCount;
  int entries = StrToIntLenient(CopyView(day.Table.GRaTbl[slot], entryField.pos, entryField.len));

  RealOdds(day, slot, entries, calc);
  PredictedOdds(day, slot, calc);
  Averages(
      calc.PredUmarenOdds, [](double v) { return v; }, calc.PredAvgOdds);
  Averages(
      calc.UmarenOdds, [&](double v) { return Capped(v, sourceLetter, entries); }, calc.AvgOdds);

  RankList list;
  RankByAverage(calc.PredAvgOdds, calc.PredAvgOddsRank, list);
  RankByAverage(calc.AvgOdds, calc.AvgOddsRank, list);

  static const std::string kX = "X";
  for (int h = 0; h < kHorses; ++h)
    if (calc.PredAvgOdds[h] > 0 && calc.AvgOdds[h] > 0 && calc.PredAvgOdds[h] - calc.AvgOdds[h] > 0) calc.MarkX[h] = kX;
}

void ComputePairOdds(DayModel& day) {
  char letter = DaySourceLetter(day);
  for (int slot = 0; slot < kSlots; ++slot)
    if (day.Races[slot].HasData == 1) ComputePairOdds(day, slot, letter);
}

}  // namespace corvina::analysis
