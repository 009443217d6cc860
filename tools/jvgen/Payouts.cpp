#include "tools/jvgen/Payouts.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <set>

namespace corvina::jvgen {
namespace {

constexpr double kReturn = 0.775;  // share of the pool paid back

int Tenths(double probability, int maxTenths) {
  if (probability <= 0) return maxTenths;
  return std::clamp(static_cast<int>(std::lround(kReturn / probability * 10)), 10, maxTenths);
}

// Win probabilities of the starters (0 for a withdrawn horse), index = horse number - 1.
std::vector<double> Probabilities(const Race& race, const std::vector<double>& strengths) {
  std::vector<double> p(race.runners.size(), 0.0);
  double total = 0;
  for (size_t i = 0; i < p.size(); ++i)
    if (race.runners[i].scratch == 0) total += strengths[i];
  for (size_t i = 0; i < p.size(); ++i)
    if (race.runners[i].scratch == 0 && total > 0) p[i] = strengths[i] / total;
  return p;
}

double Exacta(const std::vector<double>& p, int i, int j) {  // 0-based horses, i first
  return p[i] >= 1 ? 0 : p[i] * p[j] / (1 - p[i]);
}
double Trifecta(const std::vector<double>& p, int i, int j, int k) {
  double rest = 1 - p[i] - p[j];
  return rest <= 0 ? 0 : Exacta(p, i, j) * p[k] / rest;
}
double Trio(const std::vector<double>& p, int i, int j, int k) {
  return Trifecta(p, i, j, k) + Trifecta(p, i, k, j) + Trifecta(p, j, i, k) + Trifecta(p, j, k, i) +
         Trifecta(p, k, i, j) + Trifecta(p, k, j, i);
}
double Wide(const std::vector<double>& p, int i, int j) {
  double s = 0;
  for (int k = 0; k < static_cast<int>(p.size()); ++k)
    if (k != i && k != j && p[k] > 0) s += Trio(p, i, j, k);
  return s;
}
// Chance of finishing in the first three, for every horse at once.
std::vector<double> PlaceAll(const std::vector<double>& p) {
  const int n = static_cast<int>(p.size());
  std::vector<double> out(p.size(), 0.0);
  for (int i = 0; i < n; ++i) {
    if (p[i] <= 0) continue;
    double s = p[i];
    for (int j = 0; j < n; ++j) {
      if (j == i || p[j] <= 0) continue;
      s += Exacta(p, j, i);
      for (int k = 0; k < n; ++k)
        if (k != i && k != j && p[k] > 0) s += Trifecta(p, j, k, i);
    }
    out[i] = s;
  }
  return out;
}

// 1 + the number of combinations of the same kind more likely than a given one.
class Ranker {
 public:
  explicit Ranker(std::vector<double> all) : sorted_(std::move(all)) { std::sort(sorted_.begin(), sorted_.end()); }
  int Rank(double target) const {
    auto it = std::upper_bound(sorted_.begin(), sorted_.end(), target + 1e-15);
    return 1 + static_cast<int>(sorted_.end() - it);
  }

 private:
  std::vector<double> sorted_;
};

bool ValidTopSet(const Race& race, const std::vector<int>& set, int k) {
  int worst = 0;
  for (int h : set) worst = std::max(worst, race.runners[static_cast<size_t>(h - 1)].finish);
  if (worst > k) return false;
  for (const Runner& r : race.runners) {
    if (r.scratch != 0 || std::find(set.begin(), set.end(), r.umaban) != set.end()) continue;
    if (r.finish < worst) return false;
  }
  return true;
}

}  // namespace

int PairIndex(int i, int j) { return (i - 1) * (36 - i) / 2 + (j - i); }

int FramePairIndex(int a, int b) {
  int index = 0;
  for (int r = 1; r < a; ++r) index += layout::kFrames + 1 - r;
  return index + (b - a + 1);
}

OddsBoard MakeBoard(const Race& race, const std::vector<double>& strengths) {
  OddsBoard b;
  const int n = static_cast<int>(race.runners.size());
  std::vector<double> p = Probabilities(race, strengths);
  auto withdrawn = [&](int h) { return race.runners[static_cast<size_t>(h - 1)].scratch; };

  std::vector<double> winP, umarenP;
  std::vector<double> placeAll = PlaceAll(p);
  for (int h = 1; h <= n; ++h) {
    if (withdrawn(h)) {
      b.win[h] = b.placeLow[h] = b.placeHigh[h] = -withdrawn(h);
      continue;
    }
    b.win[h] = Tenths(p[h - 1], 9999);
    winP.push_back(p[h - 1]);
    double place = std::min(0.999, placeAll[h - 1]);
    b.placeLow[h] = Tenths(place, 9999);
    b.placeHigh[h] = std::min(9999, b.placeLow[h] * 17 / 10);
  }
  Ranker winRank(winP);
  for (int h = 1; h <= n; ++h)
    if (!withdrawn(h)) b.winPop[h] = winRank.Rank(p[h - 1]);

  std::array<double, layout::kUmarenPairs + 1> qp{};
  for (int i = 1; i <= n; ++i)
    for (int j = i + 1; j <= n; ++j) {
      int k = PairIndex(i, j);
      if (withdrawn(i) || withdrawn(j)) {
        b.umaren[k] = -std::max(withdrawn(i), withdrawn(j));
        continue;
      }
      qp[k] = Exacta(p, i - 1, j - 1) + Exacta(p, j - 1, i - 1);
      b.umaren[k] = Tenths(qp[k], 999999);
      umarenP.push_back(qp[k]);
    }
  Ranker umarenRank(umarenP);
  for (int k = 1; k <= layout::kUmarenPairs; ++k)
    if (b.umaren[k] > 0) b.umarenPop[k] = umarenRank.Rank(qp[k]);

  // Bracket pairs: the chance that the first two come from these frames; a frame pair without two different
  // horses is not sold, one whose horses are all withdrawn shows the withdrawal marker.
  std::vector<int> frames = FrameNumbers(n);
  std::array<double, layout::kWakurenPairs + 1> wp{};
  std::array<int, layout::kWakurenPairs + 1> horses{}, withdrawnMark{};
  for (int i = 1; i <= n; ++i)
    for (int j = i + 1; j <= n; ++j) {
      int a = std::min(frames[i], frames[j]), c = std::max(frames[i], frames[j]);
      int w = FramePairIndex(a, c);
      ++horses[w];
      if (withdrawn(i) || withdrawn(j)) {
        withdrawnMark[w] = std::max({withdrawnMark[w], withdrawn(i), withdrawn(j)});
        continue;
      }
      wp[w] += Exacta(p, i - 1, j - 1) + Exacta(p, j - 1, i - 1);
    }
  std::vector<double> wakuP;
  for (int w = 1; w <= layout::kWakurenPairs; ++w) {
    if (horses[w] == 0) continue;
    if (wp[w] <= 0) {
      b.waku[w] = -withdrawnMark[w];
      continue;
    }
    b.waku[w] = Tenths(wp[w], 99999);
    wakuP.push_back(wp[w]);
  }
  Ranker wakuRank(wakuP);
  for (int w = 1; w <= layout::kWakurenPairs; ++w)
    if (b.waku[w] > 0) b.wakuPop[w] = wakuRank.Rank(wp[w]);
  return b;
}

std::array<std::vector<Payout>, 8> ComputePayouts(const Race& race) {
  std::array<std::vector<Payout>, 8> pays;
  const int n = static_cast<int>(race.runners.size());
  std::vector<double> strengths;
  for (const Runner& r : race.runners) strengths.push_back(r.strength);
  std::vector<double> p = Probabilities(race, strengths);
  OddsBoard board = MakeBoard(race, strengths);
  std::vector<int> starters;
  for (const Runner& r : race.runners)
    if (r.scratch == 0) starters.push_back(r.umaban);
  const int placeDepth = starters.size() >= 8 ? 3 : 2;

  // Every unordered set of `size` starters, sorted by horse number, in lexicographic order.
  auto sets = [&](int size) {
    std::vector<std::vector<int>> out;
    std::vector<int> cur;
    std::function<void(size_t)> walk = [&](size_t from) {
      if (static_cast<int>(cur.size()) == size) {
        out.push_back(cur);
        return;
      }
      for (size_t i = from; i < starters.size(); ++i) {
        cur.push_back(starters[i]);
        walk(i + 1);
        cur.pop_back();
      }
    };
    walk(0);
    return out;
  };
  auto finish = [&](int h) { return race.runners[static_cast<size_t>(h - 1)].finish; };
  // Orders of a paid set that keep the finishing order (tied horses in either order).
  auto orders = [&](std::vector<int> set) {
    std::vector<std::vector<int>> out;
    std::sort(set.begin(), set.end());
    do {
      bool ok = true;
      for (size_t i = 1; i < set.size(); ++i) ok = ok && finish(set[i - 1]) <= finish(set[i]);
      if (ok) out.push_back(set);
    } while (std::next_permutation(set.begin(), set.end()));
    return out;
  };

  auto pairs = sets(2), triples = sets(3);
  std::vector<std::vector<int>> paidPairs, paidTriples, topSets;
  for (auto& s : pairs)
    if (ValidTopSet(race, s, 2)) paidPairs.push_back(s);
  for (auto& s : triples)
    if (ValidTopSet(race, s, 3)) paidTriples.push_back(s);
  for (auto& s : placeDepth == 3 ? triples : pairs)
    if (ValidTopSet(race, s, placeDepth)) topSets.push_back(s);

  auto yen = [](int tenths) { return std::max(100LL, static_cast<long long>(tenths) * 10); };
  // Win.
  for (int h : starters)
    if (finish(h) == 1)
      pays[0].push_back({{h},
                         yen(race.runners[static_cast<size_t>(h - 1)].finalOdds),
                         race.runners[static_cast<size_t>(h - 1)].popularity});
  // Place.
  std::vector<double> placeAll = PlaceAll(p), placeP;
  for (int h : starters) placeP.push_back(placeAll[h - 1]);
  Ranker placeRank(placeP);
  std::set<int> placed;
  for (auto& s : topSets) placed.insert(s.begin(), s.end());
  for (int h : placed) pays[1].push_back({{h}, yen(board.placeLow[h]), placeRank.Rank(placeAll[h - 1])});
  // Bracket quinella: sold with nine or more entries.
  if (n >= 9) {
    std::vector<int> frames = FrameNumbers(n);
    std::set<std::pair<int, int>> paid;
    for (auto& s : paidPairs) paid.insert({std::min(frames[s[0]], frames[s[1]]), std::max(frames[s[0]], frames[s[1]])});
    for (auto [a, c] : paid) {
      int w = FramePairIndex(a, c);
      pays[2].push_back({{a, c}, yen(board.waku[w]), board.wakuPop[w]});
    }
  }
  // Quinella.
  for (auto& s : paidPairs) {
    int k = PairIndex(s[0], s[1]);
    pays[3].push_back({s, yen(board.umaren[k]), board.umarenPop[k]});
  }
  // Wide: every pair inside a paid top three.
  std::vector<double> wideP;
  for (auto& s : pairs) wideP.push_back(Wide(p, s[0] - 1, s[1] - 1));
  std::set<std::vector<int>> wides;
  for (auto& t : paidTriples) {
    wides.insert({t[0], t[1]});
    wides.insert({t[0], t[2]});
    wides.insert({t[1], t[2]});
  }
  for (auto& s : wides) {
    double wprob = Wide(p, s[0] - 1, s[1] - 1);
    pays[4].push_back({s, yen(Tenths(wprob, 999999)), Ranker(wideP).Rank(wprob)});
  }
  // Exacta.
  std::vector<double> exactaP;
  for (int a : starters)
    for (int c : starters)
      if (a != c) exactaP.push_back(Exacta(p, a - 1, c - 1));
  Ranker exactaRank(exactaP);
  std::vector<std::vector<int>> exactas;
  for (auto& s : paidPairs)
    for (auto& o : orders(s)) exactas.push_back(o);
  std::sort(exactas.begin(), exactas.end());
  for (auto& o : exactas) {
    double e = Exacta(p, o[0] - 1, o[1] - 1);
    pays[5].push_back({o, yen(Tenths(e, 9999999)), exactaRank.Rank(e)});
  }
  // Trio and trifecta.
  std::vector<double> trioP, trifectaP;
  for (auto& t : triples) trioP.push_back(Trio(p, t[0] - 1, t[1] - 1, t[2] - 1));
  for (int a : starters)
    for (int c : starters)
      for (int d : starters)
        if (a != c && a != d && c != d) trifectaP.push_back(Trifecta(p, a - 1, c - 1, d - 1));
  Ranker trioRank(trioP), trifectaRank(trifectaP);
  std::vector<std::vector<int>> trifectas;
  for (auto& t : paidTriples) {
    double q = Trio(p, t[0] - 1, t[1] - 1, t[2] - 1);
    pays[6].push_back({t, yen(Tenths(q, 99999999)), trioRank.Rank(q)});
    for (auto& o : orders(t)) trifectas.push_back(o);
  }
  std::sort(trifectas.begin(), trifectas.end());
  for (auto& o : trifectas) {
    double q = Trifecta(p, o[0] - 1, o[1] - 1, o[2] - 1);
    pays[7].push_back({o, yen(Tenths(q, 99999999)), trifectaRank.Rank(q)});
  }
  for (size_t b = 0; b < pays.size(); ++b)
    if (static_cast<int>(pays[b].size()) > layout::hr::kBlocks[b].entries)
      pays[b].resize(static_cast<size_t>(layout::hr::kBlocks[b].entries));
  return pays;
}

}  // namespace corvina::jvgen
