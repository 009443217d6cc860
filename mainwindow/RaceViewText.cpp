#include "mainwindow/RaceViewText.h"

#include <algorithm>
#include <cmath>

#include "analysis/HitJudge.h"
#include "platform/Cp932.h"
#include "platform/Text.h"
#include "racedata/RaceRecords.h"
#include "racedata/RacingTexts.h"

namespace corvina::view {

namespace {

std::string Positive1(double v, int width) { return v > 0 ? FormatFixed(v, width, 1) : std::string(); }
std::string Rank(int r) { return r > 0 ? FormatInt(r, 2) : std::string(); }

bool IsEmptyComb(std::string_view comb, std::string_view zero) { return comb == zero || IsBlank(comb); }

}  // namespace

int RunnerRows(const RaceInfo& info) { return std::clamp(StrToIntLenient(info.EntryCount), 0, kHorses); }

std::string GradeText(std::string_view code) {
  if (code == "A") return CORVINA_CP932("G1   ");
  if (code == "B") return CORVINA_CP932("G2   ");
  if (code == "C") return CORVINA_CP932("G3   ");
  if (code == "D") return CORVINA_CP932("重賞 ");
  if (code == "E") return CORVINA_CP932("特別競走 ");
  if (code == "F") return CORVINA_CP932("JG1  ");
  if (code == "G") return CORVINA_CP932("JG2  ");
  if (code == "H") return CORVINA_CP932("JG3  ");
  return {};
}

std::string CourseText(const RaceInfo& info) { return CourseClassName(Copy(info.RaceKey, 9, 2)); }

int RaceNumberOf(const RaceInfo& info) { return StrToIntLenient(Copy(info.RaceKey, 15, 2)); }

std::string DateHeaderText(const RaceInfo& info) {
  const std::string& key = info.RaceKey;
  return Copy(key, 1, 4) + CORVINA_CP932("年") + FormatInt(StrToIntLenient(Copy(key, 5, 2)), 2) + CORVINA_CP932("月") +
         FormatInt(StrToIntLenient(Copy(key, 7, 2)), 2) + CORVINA_CP932("日") + Copy(CourseText(info), 1, 4) + " " +
         Copy(key, 12, 1) + CORVINA_CP932("回 ") + Copy(key, 14, 1) + CORVINA_CP932("日");
}

std::string PostTimeText(std::string_view hhmm) {
  if (IsBlank(hhmm)) return {};
  return Copy(hhmm, 1, 2) + CORVINA_CP932("時") + Copy(hhmm, 3, 2) + CORVINA_CP932("分発走");
}

ColouredText EntryCountText(int runners, int rankedCount) {
  std::string text = FormatInt(runners, 2) + CORVINA_CP932("頭");
  if (rankedCount != 0) text += CORVINA_CP932("：出走") + FormatInt(rankedCount, 2) + CORVINA_CP932("頭");
  return {text, rankedCount != runners ? kGreen : kBlue};
}

ColouredText AnnounceText(std::string_view hhmm) {
  if (IsBlank(hhmm)) return {"---", kGrey};
  return {Copy(hhmm, 1, 2) + ":" + Copy(hhmm, 3, 2), kBlack};
}

std::string AxisOrLocalText(bool over8Runners) { return over8Runners ? CORVINA_CP932("馬連") : CORVINA_CP932("枠連"); }

std::array<PayoutTexts, kPayoutEntries> PayoutEntries(const RaceInfo& info) {
  std::array<PayoutTexts, kPayoutEntries> out{};
  int e = 0;
  auto horse = [&](int number, int pop, int pay) {
    if (number != 0) out[e] = {FormatInt(number, 2), pop >= 1 ? FormatInt(pop, 2) : "", FormatInt(pay, 8)};
    ++e;
  };
  // The exacta, trio and trifecta entries always show their popularity, also a 0.
  auto comb = [&](const std::string& label, std::string_view zero, int pop, int pay, bool popAlways) {
    if (!IsEmptyComb(label, zero)) out[e] = {label, popAlways || pop >= 1 ? FormatInt(pop, 2) : "", FormatInt(pay, 8)};
    ++e;
  };
  // Each bet type has as many entries as its block of the payout record.
  namespace hr = layout::hr;
  for (int k = 1; k <= hr::kTan.entries; ++k) horse(info.TanHorse[k], info.TanPop[k], info.TanPay[k]);
  for (int k = 1; k <= hr::kFuku.entries; ++k) horse(info.FukuHorse[k], info.FukuPop[k], info.FukuPay[k]);
  for (int k = 1; k <= hr::kWakuren.entries; ++k)
    comb(info.WakurenComb[k], " 0- 0", info.WakurenPop[k], info.WakurenPay[k], false);
  for (int k = 1; k <= hr::kUmaren.entries; ++k)
    comb(info.UmarenComb[k], " 0- 0", info.UmarenPop[k], info.UmarenPay[k], false);
  for (int k = 1; k <= hr::kWide.entries; ++k) comb(info.WideComb[k], " 0- 0", info.WidePop[k], info.WidePay[k], false);
  for (int k = 1; k <= hr::kUmatan.entries; ++k)
    comb(info.UmatanComb[k], " 0- 0", info.UmatanPop[k], info.UmatanPay[k], true);
  for (int k = 1; k <= hr::kSanrenpuku.entries; ++k)
    comb(info.SanrenpukuComb[k], " 0- 0- 0", info.SanrenpukuPop[k], info.SanrenpukuPay[k], true);
  for (int k = 1; k <= hr::kSanrentan.entries; ++k)
    comb(info.SanrentanComb[k], " 0- 0- 0", info.SanrentanPop[k], info.SanrentanPay[k], true);
  return out;
}

std::string PairOddsText(double odds) { return Positive1(odds, 7); }

std::vector<RankRow> PairRanking(const OneBased<double, 153>& odds) {
  struct Key {
    long long thousandths;
    std::string label;
    int index;
  };
  std::vector<Key> keys;
  for (int k = 1; k <= layout::kUmarenPairs; ++k)
    if (odds[k] > 0) keys.push_back({std::llround(odds[k] * 1000.0), UmarenIndexToStr(k), k});
  std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
    return a.thousandths != b.thousandths ? a.thousandths < b.thousandths : a.label < b.label;
  });
  std::vector<RankRow> rows;
  rows.reserve(keys.size());
  for (size_t i = 0; i < keys.size(); ++i)
    rows.push_back({FormatInt(static_cast<long long>(i) + 1, 3), keys[i].label, FormatFixed(odds[keys[i].index], 7, 1),
                    keys[i].index});
  return rows;
}

std::array<TicketTexts, kTicketPlaces> TicketRows(const RaceInfo& info, const RaceCalc& calc) {
  std::array<TicketTexts, kTicketPlaces> out{};
  for (int t = 1; t <= kTicketPlaces; ++t) {
    const std::string& label = calc.Tickets[t];
    if (IsBlank(label)) continue;
    TicketTexts& row = out[t - 1];
    row.shown = true;
    row.number = std::to_string(t);
    row.label = label;
    // A label that names no pair has no odds to show.
    const int k = UmarenStrToIndex(label);
    row.odds = k > 0 ? Positive1(calc.UmarenOdds[k], 8) : std::string();
    if (calc.Over8Runners == 1)
      for (int w = 1; w <= 7; ++w)
        if (label == info.WideComb[w]) row.hit = true, row.hitColour = kMagenta;
    const analysis::PairPayouts quinella = analysis::QuinellaPayoutsJudged(info, calc);
    for (int u = 1; u <= 3; ++u)
      if (label == quinella.combs[u]) row.hit = true, row.hitColour = kRed;
  }
  return out;
}

AxisTexts AxisHorseTexts(const RaceInfo& info, const RaceCalc& calc) {
  AxisTexts out;
  const int axis = calc.AxisHorse;
  if (axis == 0) return out;
  out.number = std::to_string(axis);
  const int h = axis - 1;
  if (h >= 0 && h < kHorses) {
    if (info.WinOdds1[h] > 0) out.odds = FormatFixed(info.WinOdds1[h], 6, 1);
    if (info.Odds2Present == 1 && info.WinOdds2[h] > 0) out.odds = FormatFixed(info.WinOdds2[h], 6, 1);
  }
  for (int k = 1; k <= 3; ++k)
    if (axis == info.TanHorse[k]) out.background = kRed;
  // A place payout wins over a win: the axis horse that won and placed ends magenta.
  for (int k = 1; k <= 5; ++k)
    if (axis == info.FukuHorse[k]) out.background = kMagenta;
  return out;
}

std::string PredOddsHeader(const RaceInfo& info) {
  return info.YozSourceM == 1 ? CORVINA_CP932("前売配当") : CORVINA_CP932("予想配当");
}

std::vector<std::string> CardRow(const RaceInfo& info, const RaceCalc& calc, int i) {
  std::vector<std::string> row(kCardColumns);
  auto cell = [&row](CardColumn c) -> std::string& { return row[static_cast<size_t>(c)]; };
  cell(CardColumn::Frame) = info.WakuBan[i];
  cell(CardColumn::HorseNumber) = info.UmaBan[i];
  cell(CardColumn::HorseName) = info.HorseName[i];
  cell(CardColumn::Jockey) = info.JockeyName[i];
  cell(CardColumn::Trainer) = info.TrainerName[i];
  cell(CardColumn::PredWinOdds) = Positive1(info.PredWinOdds[i], 6);
  cell(CardColumn::PredRank) = Rank(calc.RankPred[i]);
  cell(CardColumn::WinOdds1) = Positive1(info.WinOdds1[i], 6);
  cell(CardColumn::Rank1) = Rank(calc.RankOdds1[i]);
  cell(CardColumn::MarkAB1) = calc.MarkAB1[i];
  cell(CardColumn::MarkC1) = calc.MarkC1[i];
  cell(CardColumn::WinOdds2) = Positive1(info.WinOdds2[i], 6);
  cell(CardColumn::Rank2) = Rank(calc.RankOdds2[i]);
  cell(CardColumn::MarkAB2) = calc.MarkAB2[i];
  cell(CardColumn::MarkC2) = calc.MarkC2[i];
  cell(CardColumn::LostA) = calc.ModeOneA[i] == 1 ? CORVINA_CP932("軸") : std::string();
  cell(CardColumn::Finish) =
      info.FinishPos[i] >= 1 ? FormatInt(info.FinishPos[i], 2) + CORVINA_CP932("着") : std::string(4, ' ');
  cell(CardColumn::Popularity) =
      info.Popularity[i] >= 1 ? FormatInt(info.Popularity[i], 2) + CORVINA_CP932("人") : std::string(4, ' ');
  cell(CardColumn::FinalOdds) =
      info.FinalWinOdds[i] > 0 ? FormatFixed(info.FinalWinOdds[i], 6, 1) : std::string(6, ' ');
  return row;
}

std::vector<std::string> MeanPairOddsRow(const RaceInfo& info, const RaceCalc& calc, int i) {
  std::vector<std::string> row(kMeanPairOddsColumns);
  auto cell = [&row](MeanPairOddsColumn c) -> std::string& { return row[static_cast<size_t>(c)]; };
  cell(MeanPairOddsColumn::Frame) = info.WakuBan[i];
  cell(MeanPairOddsColumn::HorseNumber) = info.UmaBan[i];
  cell(MeanPairOddsColumn::HorseName) = info.HorseName[i];
  cell(MeanPairOddsColumn::PredAvgOdds) = Positive1(calc.PredAvgOdds[i], 7);
  cell(MeanPairOddsColumn::PredAvgRank) = Rank(calc.PredAvgOddsRank[i]);
  cell(MeanPairOddsColumn::AvgOdds) = Positive1(calc.AvgOdds[i], 7);
  cell(MeanPairOddsColumn::AvgRank) = Rank(calc.AvgOddsRank[i]);
  cell(MeanPairOddsColumn::MarkAB) = info.Odds2Present == 1 ? calc.MarkAB2[i] : calc.MarkAB1[i];
  cell(MeanPairOddsColumn::MarkX) = calc.MarkX[i];
  cell(MeanPairOddsColumn::MarkE) = calc.MarkE[i];
  return row;
}

int HorseIndexOf(std::string_view text) {
  const std::string t = Trim(text);
  if (t.empty() || !std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; })) return -1;
  const int n = StrToIntLenient(t);
  return n >= 1 && n <= kHorses ? n - 1 : -1;
}

void SortCardRows(std::vector<std::vector<std::string>>& rows, CardOrder order) {
  if (order == CardOrder::None || rows.size() < 2) return;
  const size_t number = Col(CardColumn::HorseNumber), name = Col(CardColumn::HorseName);
  const size_t col = order == CardOrder::ByNumber ? number : name;
  auto cell = [](const std::vector<std::string>& row, size_t c) -> const std::string& {
    static const std::string empty;
    return c < row.size() ? row[c] : empty;
  };
  // std::string compares as unsigned bytes, which is the order of CP932 texts.
  std::stable_sort(rows.begin(), rows.end(), [&](const auto& a, const auto& b) {
    const int c = cell(a, col).compare(cell(b, col));
    if (c != 0) return order == CardOrder::ByNumber ? c < 0 : c > 0;
    return cell(a, number) < cell(b, number);
  });
}

std::string SexAgeText(const RaceInfo& info, const RaceTable& table, int slot, int h) {
  return SexName(info.SexCode[h]) + BlankPadNumStr(FieldText(table.GSeTbl[slot][h], layout::se::kAge));
}

std::string FutanText(std::string_view futan) {
  if (IsBlank(futan)) return {};
  return Copy(futan, 1, 2) + "." + Copy(futan, 3, 1) + "kg";
}

}  // namespace corvina::view
