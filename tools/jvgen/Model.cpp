// The race day itself: venues, races, runners, finishing order and payouts, all from one seed.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <set>

#include "platform/Cp932.h"
#include "platform/Text.h"
#include "tools/jvgen/Generator.h"
#include "tools/jvgen/Payouts.h"
#include "tools/jvgen/Rng.h"

namespace corvina::jvgen {
namespace {

// A full-width text padded with U+3000 to `chars` characters, in CP932.
std::string FullWidth(const std::string& utf8, int chars) {
  std::string s = ToCp932(utf8);
  const std::string& kIdeoSpace = CORVINA_CP932("\u3000");
  while (static_cast<int>(s.size()) < chars * 2) s += kIdeoSpace;
  return s.substr(0, static_cast<size_t>(chars) * 2);
}

const std::vector<std::string>& Syllables() {
  static const std::vector<std::string> k = {
      "ア", "イ", "ウ", "エ", "オ", "カ", "キ", "ク", "ケ", "コ", "サ", "シ", "ス", "セ", "ソ", "タ", "チ", "ツ",
      "テ", "ト", "ナ", "ニ", "ヌ", "ネ", "ノ", "ハ", "ヒ", "フ", "ヘ", "ホ", "マ", "ミ", "ム", "メ", "モ", "ヤ",
      "ユ", "ヨ", "ラ", "リ", "ル", "レ", "ロ", "ワ", "ン", "ガ", "ギ", "グ", "ゲ", "ゴ", "ザ", "ジ", "ズ", "ダ",
      "デ", "ド", "バ", "ビ", "ブ", "ベ", "ボ", "パ", "ピ", "プ", "ペ", "ポ", "ヴ", "ッ", "ャ", "ュ", "ョ", "ー"};
  return k;
}

std::string HorseName(Rng& rng) {
  const auto& syl = Syllables();
  int len = rng.Uniform(2, 9);  // racing names have at most 9 characters
  std::string name;
  for (int i = 0; i < len; ++i) {
    // Small kana and the long mark never start a name.
    int pick = i == 0 ? rng.Uniform(0, 66) : rng.Uniform(0, static_cast<int>(syl.size()) - 1);
    name += syl[static_cast<size_t>(pick)];
  }
  return FullWidth(name, 18);
}

const std::vector<std::string>& Surnames() {
  static const std::vector<std::string> k = {"佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村",
                                             "小林", "加藤", "吉田", "山田", "松本", "井上", "木村", "林",
                                             "斎藤", "清水", "山口", "森",   "池田", "橋本", "石川", "前田"};
  return k;
}

struct Venue {
  const char* code;
  int kai;
  int nichi;
};

// Race names by race number: conditions races in the morning, the main race 11th.
struct RaceKind {
  const char* name;
  const char* name6;
  const char* name3;
  const char* classCode;
};

RaceKind KindOfRace(int num, Rng& rng) {
  static const RaceKind kMorning[] = {{"２歳未勝利", "２歳未勝利", "未勝利", "703"},
                                      {"３歳未勝利", "３歳未勝利", "未勝利", "703"},
                                      {"２歳新馬", "２歳新馬", "新馬", "701"}};
  static const RaceKind kAfternoon[] = {{"３歳以上１勝クラス", "１勝クラス", "１勝", "005"},
                                        {"３歳以上２勝クラス", "２勝クラス", "２勝", "010"},
                                        {"３歳以上３勝クラス", "３勝クラス", "３勝", "016"}};
  static const RaceKind kMain[] = {{"紅葉ステークス", "紅葉Ｓ", "紅葉", "999"},
                                   {"秋風特別", "秋風特別", "秋風", "010"},
                                   {"神無月ステークス", "神無月Ｓ", "神無月", "999"}};
  if (num <= 4) return kMorning[rng.Uniform(0, 2)];
  if (num == 11) return kMain[rng.Uniform(0, 2)];
  return kAfternoon[rng.Uniform(0, 2)];
}

void MakeRunners(const Day& day, Race& race, int n, Rng& rng) {
  std::vector<int> frames = FrameNumbers(n);
  const int year = day.date.Year();
  for (int h = 1; h <= n; ++h) {
    Runner r;
    r.umaban = h;
    r.waku = frames[static_cast<size_t>(h)];
    r.age = race.num <= 4 ? 2 + rng.Uniform(0, 1) : 3 + rng.Uniform(0, 3);
    r.kettoNum = FormatZero(year - r.age, 4) + FormatZero(100000 + rng.Uniform(0, 899999), 6);
    r.name = HorseName(rng);
    r.sex = static_cast<char>('1' + rng.Uniform(0, r.age >= 4 ? 2 : 1));
    const auto& sn = Surnames();
    r.trainerCode = FormatZero(1000 + rng.Uniform(0, 899), 5);
    r.trainerName = FullWidth(sn[static_cast<size_t>(rng.Uniform(0, static_cast<int>(sn.size()) - 1))], 4);
    r.jockeyCode = FormatZero(500 + rng.Uniform(0, 1499), 5);
    r.jockeyName = FullWidth(sn[static_cast<size_t>(rng.Uniform(0, static_cast<int>(sn.size()) - 1))], 4);
    r.futan = 480 + 10 * rng.Uniform(0, 12);
    r.strength = 0.2 + rng.Real() * rng.Real() * 5.0;
    race.runners.push_back(r);
  }
}

void Withdraw(Race& race, Rng& rng) {
  int n = static_cast<int>(race.runners.size());
  int a = rng.Uniform(0, n - 1);
  int b = (a + 1 + rng.Uniform(0, n - 2)) % n;
  race.runners[static_cast<size_t>(a)].scratch = 1;
  race.runners[static_cast<size_t>(b)].scratch = 2;
}

// Final odds in tenths and popularity: the last odds board before the off.
void SetFinalOdds(Race& race) {
  std::vector<double> strengths;
  for (const Runner& r : race.runners) strengths.push_back(r.strength);
  OddsBoard board = MakeBoard(race, strengths);
  for (Runner& r : race.runners) {
    if (r.scratch != 0) continue;
    r.finalOdds = board.win[static_cast<size_t>(r.umaban)];
    r.popularity = board.winPop[static_cast<size_t>(r.umaban)];
  }
}

// The finishing order drawn by strength; a dead heat makes three horses of different frames share a place.
void SetFinish(Race& race, Rng& rng, int deadHeatPlace) {
  std::vector<int> order;  // indexes into runners
  std::vector<double> w;
  for (size_t i = 0; i < race.runners.size(); ++i) {
    if (race.runners[i].scratch == 0) {
      order.push_back(static_cast<int>(i));
      w.push_back(race.runners[i].strength);
    }
  }
  std::vector<int> drawn;
  while (!order.empty()) {
    double sum = std::accumulate(w.begin(), w.end(), 0.0), x = rng.Real() * sum;
    size_t k = 0;
    while (k + 1 < w.size() && x >= w[k]) x -= w[k++];
    drawn.push_back(order[k]);
    order.erase(order.begin() + static_cast<long>(k));
    w.erase(w.begin() + static_cast<long>(k));
  }
  int tieFrom = -1;
  if (deadHeatPlace > 0) {
    // Move horses of three different frames to the tied places, so every combination is paid separately.
    tieFrom = deadHeatPlace - 1;
    std::set<int> frames;
    for (int slot = 0; slot < tieFrom; ++slot) frames.insert(race.runners[static_cast<size_t>(drawn[slot])].waku);
    for (int slot = tieFrom; slot < tieFrom + 3; ++slot) {
      for (size_t j = static_cast<size_t>(slot); j < drawn.size(); ++j) {
        int f = race.runners[static_cast<size_t>(drawn[j])].waku;
        if (!frames.count(f)) {
          std::swap(drawn[static_cast<size_t>(slot)], drawn[j]);
          frames.insert(f);
          break;
        }
      }
    }
  }
  for (size_t pos = 0; pos < drawn.size(); ++pos) {
    int place = static_cast<int>(pos) + 1;
    if (tieFrom >= 0 && static_cast<int>(pos) > tieFrom && static_cast<int>(pos) < tieFrom + 3) place = tieFrom + 1;
    race.runners[static_cast<size_t>(drawn[pos])].finish = place;
  }
}

// Race 2 of every racecourse has an odds-on favourite, so the prediction engine sees an axis-horse race.
bool HasBanker(const Race& race) { return race.num == 2; }

// Every fourth race and the banker race have a long shot that the provider rates far shorter than the market.
bool HasLongShotTip(const Race& race) { return race.num % 4 == 0 || HasBanker(race); }

// The strongest runner becomes 1.5 times as strong as the rest together: about 60 % to win, odds near 1.3.
void MakeBanker(Race& race) {
  auto best = std::max_element(race.runners.begin(), race.runners.end(),
                               [](const Runner& a, const Runner& b) { return a.strength < b.strength; });
  double others = 0;
  for (const Runner& r : race.runners)
    if (&r != &*best) others += r.strength;
  best->strength = 1.5 * others;
}

// Predicted win odds scattered around the final odds. In a banker race every other horse is predicted
// shorter than its odds and the favourite a little longer (below 2.0), so it is the race's only "A" horse.
// A long-shot tip is predicted at a sixth of its odds.
void SetPredictions(Race& race, Rng& rng) {
  const bool banker = HasBanker(race);
  int favourite = -1, tip = -1;
  for (size_t i = 0; i < race.runners.size(); ++i) {
    const Runner& r = race.runners[i];
    if (r.scratch != 0) continue;
    if (banker && (favourite < 0 || r.finalOdds < race.runners[static_cast<size_t>(favourite)].finalOdds))
      favourite = static_cast<int>(i);
    if (tip < 0 && HasLongShotTip(race) && r.finalOdds >= 120 && r.finalOdds <= 450) tip = static_cast<int>(i);
  }
  for (size_t i = 0; i < race.runners.size(); ++i) {
    Runner& r = race.runners[i];
    double base = r.scratch == 0 ? r.finalOdds / 10.0 : 20.0 + rng.Uniform(0, 50);
    double spread = rng.Real();
    r.predWin = std::max(1.0, std::round(base * (0.7 + (banker ? 0.25 : 0.7) * spread) * 10) / 10);
    if (static_cast<int>(i) == favourite) r.predWin = 1.9;
    if (static_cast<int>(i) == tip) r.predWin = std::max(1.0, std::round(base / 6 * 10) / 10);
    r.predPlace = std::max(1.0, std::round(std::max(1.0, r.predWin / 3.5) * 10) / 10);
  }
  int n = static_cast<int>(race.runners.size());
  for (int i = 1; i <= n; ++i)
    for (int j = i + 1; j <= n; ++j) {
      double v =
          race.runners[static_cast<size_t>(i - 1)].predWin * race.runners[static_cast<size_t>(j - 1)].predWin / 2.2;
      race.predUmaren[static_cast<size_t>(PairIndex(i, j))] = std::clamp(std::round(v * 10) / 10, 1.0, 99999.0);
    }
  for (int w = 1; w <= layout::kWakurenPairs; ++w)
    race.predWakurenTenths[static_cast<size_t>(w)] = 20 + rng.Uniform(0, 3000);
}

}  // namespace

std::vector<int> FrameNumbers(int n) {
  std::vector<int> frame(static_cast<size_t>(n) + 1, 0);
  if (n <= layout::kFrames) {
    for (int h = 1; h <= n; ++h) frame[static_cast<size_t>(h)] = h;
    return frame;
  }
  std::array<int, layout::kFrames + 1> count{};
  for (int f = 1; f <= layout::kFrames; ++f) count[static_cast<size_t>(f)] = n / layout::kFrames;
  for (int extra = 0; extra < n % layout::kFrames; ++extra) ++count[static_cast<size_t>(layout::kFrames - extra)];
  int h = 1;
  for (int f = 1; f <= layout::kFrames; ++f)
    for (int k = 0; k < count[static_cast<size_t>(f)]; ++k) frame[static_cast<size_t>(h++)] = f;
  return frame;
}

std::string Race::PostTime() const { return FormatZero(postMinute / 60, 2) + FormatZero(postMinute % 60, 2); }

std::string Race::VenueRaceKey() const {
  return course + FormatZero(kai, 2) + FormatZero(nichi, 2) + FormatZero(num, 2);
}

int Race::Starters() const {
  int n = 0;
  for (const Runner& r : runners) n += r.scratch == 0;
  return n;
}

Day MakeDay(const Options& options) {
  Day day;
  day.options = options;
  day.date = options.date;
  Rng rng(options.seed ^ (static_cast<std::uint64_t>(std::stoul(options.date.DateKey())) << 20));

  // Three racecourses that race on the same weekend in the real calendar, in code order.
  static const std::vector<std::vector<Venue>> kWeekends = {{{"05", 4, 7}, {"08", 4, 7}, {"03", 2, 1}},
                                                            {{"06", 1, 3}, {"09", 1, 3}, {"07", 1, 1}},
                                                            {{"04", 3, 5}, {"01", 2, 2}, {"10", 2, 6}},
                                                            {{"02", 1, 4}, {"05", 2, 8}, {"09", 3, 2}}};
  std::vector<Venue> venues = kWeekends[static_cast<size_t>(rng.Uniform(0, 3))];
  venues.resize(static_cast<size_t>(std::clamp(options.venues, 1, 3)));
  std::sort(venues.begin(), venues.end(), [](const Venue& a, const Venue& b) { return std::string(a.code) < b.code; });

  int races = std::clamp(options.races, 1, layout::kRaces);
  for (size_t v = 0; v < venues.size(); ++v) {
    for (int num = 1; num <= races; ++num) {
      Race race;
      race.course = venues[v].code;
      race.kai = venues[v].kai;
      race.nichi = venues[v].nichi;
      race.num = num;
      race.postMinute = 10 * 60 + 5 * static_cast<int>(v) + 35 * (num - 1);
      RaceKind kind = KindOfRace(num, rng);
      race.name = FullWidth(kind.name, 30);
      race.name6 = FullWidth(kind.name6, 6);
      race.name3 = FullWidth(kind.name3, 3);
      race.classCode = kind.classCode;
      race.grade = num == 11 && std::string(kind.classCode) == "999" ? static_cast<char>('A' + rng.Uniform(0, 2)) : ' ';
      race.weightRule = static_cast<char>('1' + rng.Uniform(0, 3));
      bool jump = num == 1 && v == 0 && rng.Uniform(0, 3) == 0;
      static const int kDistances[] = {1000, 1200, 1400, 1600, 1800, 2000, 2200, 2400, 2500, 3000, 3600};
      race.distance = jump ? 3000 : kDistances[rng.Uniform(0, 10)];
      static const char* kTracks[] = {"10", "11", "17", "18", "23", "24"};
      race.track = jump ? "54" : kTracks[rng.Uniform(0, 5)];
      bool forced = options.deadHeat && v == 0 && num <= 2;
      int n = forced ? 16 : rng.Uniform(5, 18);
      if (v == 0 && num == 1 && options.entriesField == 0 && !forced) n = 18;  // one full field each day
      if (v == 0 && num == 3 && !forced) n = 8;                                // and one with a bracket per horse
      MakeRunners(day, race, n, rng);
      if (HasBanker(race) && !forced) MakeBanker(race);
      race.entriesField = n;
      if (options.scratches && (num % 3 == 0) && n >= 8) Withdraw(race, rng);
      SetFinalOdds(race);
      SetFinish(race, rng, forced ? (num == 1 ? 1 : 3) : 0);
      SetPredictions(race, rng);
      race.pays = ComputePayouts(race);
      day.races.push_back(std::move(race));
    }
  }
  if (options.entriesField > 0 && !day.races.empty()) day.races[0].entriesField = options.entriesField;
  if (options.badRaceNumbers && !day.races.empty()) {
    for (int num : {0, 13}) {
      Race odd = day.races[0];
      odd.num = num;
      day.oddRaces.push_back(std::move(odd));
    }
  }
  return day;
}

}  // namespace corvina::jvgen
