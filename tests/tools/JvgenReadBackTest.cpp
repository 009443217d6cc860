// A generated day read back through the race-table code: every field the program reads sits where the readers
// look for it, for every record kind, and every entry of every payout block decodes to what was generated.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <tuple>

#include "platform/LineFile.h"
#include "platform/Text.h"
#include "racedata/DayFiles.h"
#include "racedata/RaceInfo.h"
#include "racedata/RaceRecords.h"
#include "racedata/RacingTexts.h"
#include "racedata/Results.h"
#include "tests/support/TempDir.h"
#include "tools/jvgen/Generator.h"

namespace fs = std::filesystem;
using namespace corvina;
using namespace corvina::jvgen;
namespace L = corvina::layout;

namespace {

class JvgenReadBack : public ::testing::Test {
 protected:
  // Writes the day and loads it the way the day load files it: slots from the race file, runners per racecourse,
  // payouts and quinella odds by match key, the two win snapshots by position, predicted odds by key.
  void Load(const Day& day) {
    WriteDayFiles(day, home_);
    model_.AppDir = home_;
    model_.GFrom2005 = day.date.Year() >= 2005;
    const fs::path data = home_ / "Data";
    Lines ra, hr, o1, o2, yoz;
    ASSERT_TRUE(ReadFixedLines(DayFilePath(data, day.date, L::kSuffixRA), L::kRaLine, ra));
    total_ = AssignRaceSlots(model_.Table, ra);
    for (int s = 0; s < total_; ++s) {
      Lines se;
      fs::path sePath = SeFilePathBeside(DayFilePath(data, day.date, L::kSuffixRA),
                                         FieldText(model_.Table.GRaTbl[s], L::head::kCourse));
      if (ReadFixedLines(sePath, L::kSeLine, se)) FileRunners(model_.Table, s, se);
    }
    if (ReadFixedLines(DayFilePath(data, day.date, L::kSuffixHR), L::kHrLine, hr))
      FileSequential(model_.Table, model_.Table.GHrTbl, hr, L::kHrLine);
    ASSERT_TRUE(ReadFixedLines(DayFilePath(data, day.date, L::kSuffixO1), L::kO1Line, o1));
    FileO1(model_.Table, o1);
    ASSERT_TRUE(ReadFixedLines(DayFilePath(data, day.date, L::kSuffixO2), L::kO2Line, o2));
    FileSequential(model_.Table, model_.Table.GO2Tbl, o2, L::kO2Line);
    if (ReadFixedLines(DayFilePath(data, day.date, L::kSuffixYoz), L::kYozLine, yoz)) FileYoz(model_, yoz);
    FillRecords(model_);
    DecodeDayResults(model_);
  }

  int SlotOf(const Race& race) const {
    for (int s = 0; s < total_; ++s)
      if (FieldText(model_.Table.GRaTbl[s], L::head::kVenueRaceKey) == race.VenueRaceKey()) return s;
    return -1;
  }

  static std::string Label(const Payout& p) {
    if (p.comb.size() == 2) return CombLabel(p.comb[0], p.comb[1]);
    return CombLabel(p.comb[0], p.comb[1], p.comb[2]);
  }

  corvina::test::TempDir dir_{"jvgen"};
  fs::path home_ = dir_.path();
  DayModel model_;
  int total_ = 0;
};

Options DeadHeatDay() {
  Options o;
  o.date = *DayName::FromDateKey("20240106");
  o.seed = 42;
  o.deadHeat = true;
  return o;
}

TEST_F(JvgenReadBack, EveryCardRunnerAndOddsFieldIsWhereTheReadersLook) {
  Day day = MakeDay(DeadHeatDay());
  Load(day);
  ASSERT_EQ(total_, 36);
  for (const Race& race : day.races) {
    SCOPED_TRACE(race.VenueRaceKey());
    int s = SlotOf(race);
    ASSERT_GE(s, 0);
    const RaceInfo& info = model_.Races[s];
    const int n = static_cast<int>(race.runners.size());
    using Strs = std::vector<std::string>;
    using Ints = std::vector<int>;
    EXPECT_EQ(
        (Strs{info.RaceKey, info.RaceName, info.RaceNameShort, FieldText(model_.Table.GRaTbl[s], L::ra::kRaceName6),
              info.GradeCode, info.WeightRule, info.ClassCode, info.TrackCode, info.PostTime}),
        (Strs{day.date.DateKey() + race.VenueRaceKey(), race.name, race.name3, race.name6, std::string(1, race.grade),
              std::string(1, race.weightRule), race.classCode, race.track, race.PostTime()}));
    EXPECT_EQ((Ints{StrToIntLenient(info.Distance), StrToIntLenient(info.EntryCount)}), (Ints{race.distance, n}));
    for (const Runner& r : race.runners) {
      int h = r.umaban - 1;
      SCOPED_TRACE(r.umaban);
      EXPECT_EQ((Strs{info.KettoNum[h], info.HorseName[h], info.SexCode[h], info.JockeyCode[h], info.JockeyName[h],
                      info.TrainerCode[h], info.TrainerName[h]}),
                (Strs{r.kettoNum, r.name.substr(0, 18), std::string(1, r.sex), r.jockeyCode, r.jockeyName,
                      r.trainerCode, r.trainerName}));
      EXPECT_EQ((Ints{StrToIntLenient(info.UmaBan[h]), StrToIntLenient(info.WakuBan[h]),
                      FieldInt(model_.Table.GSeTbl[s][h], L::se::kAge), StrToIntLenient(info.Futan[h]),
                      info.FinishPos[h], info.Popularity[h]}),
                (Ints{r.umaban, r.waku, r.age, r.futan, r.finish, r.popularity}));
      EXPECT_DOUBLE_EQ(info.FinalWinOdds[h], r.finalOdds / 10.0);
      // The latest snapshot is the post-time board, whose win odds are the final odds.
      EXPECT_DOUBLE_EQ(info.WinOdds2[h], r.finalOdds / 10.0);
      EXPECT_GT(info.WinOdds1[h], 0);
      EXPECT_NEAR(info.PredWinOdds[h], r.predWin, 0.05);
    }
    for (int h = 0; h < L::kHorses; ++h) {
      const std::string& o1 = model_.Table.GO1Tbl2[s];
      const std::string number = h < n ? FormatZero(h + 1, 2) : "  ";
      EXPECT_EQ(FieldText(o1, L::o1::WinHorse(h)) + FieldText(o1, L::o1::PlaceHorse(h)), number + number) << h + 1;
    }
    for (int h = n; h < L::kHorses; ++h) EXPECT_EQ(info.WinOdds2[h], 0) << "no horse, nothing read";
    EXPECT_EQ(info.OddsAnnounce2, race.PostTime());
    EXPECT_EQ(info.OddsAnnounce1, "0700");
    EXPECT_TRUE(info.YozMatched);
    // Predicted odds: a place never longer than the win, a quinella for every pair of runners and no other.
    const std::string& yoz = model_.Table.GYozTbl[s];
    for (int h = 0; h < L::kHorses; ++h) {
      const double place = PredOddsValue(FieldText(yoz, L::yoz::Place(h)));
      EXPECT_EQ(place >= 1.0 && place <= info.PredWinOdds[h], h < n) << h + 1;
    }
    for (int i = 1; i <= L::kHorses; ++i)
      for (int j = i + 1; j <= L::kHorses; ++j)
        EXPECT_EQ(PredOddsValue(FieldText(yoz, L::yoz::Umaren(UmarenStrToIndex(CombLabel(i, j))))) >= 1.0, j <= n)
            << i << "-" << j;
    // Quinella and bracket odds: each pair's field holds the odds the record was made from.
    const std::string& o2 = model_.Table.GO2Tbl[s];
    for (int i = 1; i <= n; ++i)
      for (int j = i + 1; j <= n; ++j) {
        int k = UmarenStrToIndex(CombLabel(i, j));
        EXPECT_EQ(FieldText(o2, L::o2::UmarenComb(k)), FormatZero(i, 2) + FormatZero(j, 2));
        EXPECT_GT(FieldInt(o2, L::o2::UmarenOdds(k)), 0);
      }
    // A bracket pair is sold, and listed, when two different horses make it: two frames with runners, or one
    // frame with two.
    const std::string& o1 = model_.Table.GO1Tbl2[s];
    std::array<int, 9> inFrame{};
    for (const Runner& r : race.runners) ++inFrame[static_cast<size_t>(r.waku)];
    for (int a = 1; a <= 8; ++a)
      for (int b = a; b <= 8; ++b) {
        int w = WakurenStrToIndex(CombLabel(a, b));
        const bool sold = a < b ? inFrame[a] > 0 && inFrame[b] > 0 : inFrame[a] >= 2;
        EXPECT_EQ(FieldText(o1, L::o1::WakurenComb(w)), sold ? std::to_string(a) + std::to_string(b) : "  ")
            << a << "-" << b;
        EXPECT_EQ(FieldInt(o1, L::o1::WakurenOdds(w)) > 0, sold) << a << "-" << b;
      }
  }
}

TEST_F(JvgenReadBack, EveryEntryOfEveryPayoutBlockDecodesAtItsPosition) {
  Day day = MakeDay(DeadHeatDay());
  Load(day);
  std::array<int, 8> deepest{};
  for (const Race& race : day.races) {
    SCOPED_TRACE(race.VenueRaceKey());
    const RaceInfo& info = model_.Races[SlotOf(race)];
    const auto& p = race.pays;
    for (size_t b = 0; b < 8; ++b) deepest[b] = std::max(deepest[b], static_cast<int>(p[b].size()));
    // Horses in a dead heat come from different frames, so each bracket pair among them is paid on its own.
    std::map<int, std::set<int>> framesAt;
    std::map<int, int> horsesAt;
    for (int h = 0; h < StrToIntLenient(info.EntryCount); ++h) {
      if (info.FinishPos[h] <= 0) continue;
      ++horsesAt[info.FinishPos[h]];
      framesAt[info.FinishPos[h]].insert(StrToIntLenient(info.WakuBan[h]));
    }
    for (const auto& [place, count] : horsesAt) EXPECT_EQ(framesAt[place].size(), static_cast<size_t>(count)) << place;
    // The first race of the day has three winners, the second three horses third.
    if (&race == &day.races[0]) {
      EXPECT_EQ(horsesAt[1], 3);
    }
    if (&race == &day.races[1]) {
      EXPECT_EQ(horsesAt[3], 3);
    }
    // A quinella or exacta pays the first two home, a trio or trifecta the first three: no horse outside the
    // ticket finished ahead of one in it, and the ordered bets name the horses in their finishing order.
    for (auto [block, depth, ordered] : {std::tuple{3, 2, false}, {5, 2, true}, {6, 3, false}, {7, 3, true}})
      for (const Payout& e : p[static_cast<size_t>(block)]) {
        const auto finish = [&](int horse) { return race.runners[static_cast<size_t>(horse - 1)].finish; };
        int worst = 0;
        for (size_t i = 0; i < e.comb.size(); ++i) {
          worst = std::max(worst, finish(e.comb[i]));
          if (ordered && i > 0) {
            EXPECT_LE(finish(e.comb[i - 1]), finish(e.comb[i])) << Label(e);
          }
        }
        EXPECT_LE(worst, depth) << Label(e);
        for (const Runner& r : race.runners)
          if (r.finish > 0 && std::find(e.comb.begin(), e.comb.end(), r.umaban) == e.comb.end()) {
            EXPECT_GE(r.finish, worst) << Label(e) << " beaten by " << r.umaban;
          }
      }
    // Win and place name one horse; the other blocks a combination label.
    auto check = [&](const auto& comb, const auto& pay, const auto& pop, size_t block) {
      for (size_t k = 1; k <= p[block].size(); ++k) {
        SCOPED_TRACE("block " + std::to_string(block) + " entry " + std::to_string(k));
        const Payout& e = p[block][k - 1];
        if constexpr (std::is_same_v<std::decay_t<decltype(comb[k])>, int>)
          EXPECT_EQ(comb[k], e.comb[0]);
        else
          EXPECT_EQ(comb[k], Label(e));
        EXPECT_EQ(pay[k], e.pay);
        EXPECT_EQ(pop[k], e.pop);
      }
      for (size_t k = p[block].size() + 1; k < pay.size(); ++k) EXPECT_EQ(pay[k], 0) << "unused entry is blank";
    };
    check(info.TanHorse, info.TanPay, info.TanPop, 0);
    check(info.FukuHorse, info.FukuPay, info.FukuPop, 1);
    check(info.WakurenComb, info.WakurenPay, info.WakurenPop, 2);
    check(info.UmarenComb, info.UmarenPay, info.UmarenPop, 3);
    check(info.WideComb, info.WidePay, info.WidePop, 4);
    check(info.UmatanComb, info.UmatanPay, info.UmatanPop, 5);
    check(info.SanrenpukuComb, info.SanrenpukuPay, info.SanrenpukuPop, 6);
    check(info.SanrentanComb, info.SanrentanPay, info.SanrentanPop, 7);
  }
  // The two dead heats fill every entry of every block, so entry k > 1 was checked everywhere.
  for (size_t b = 0; b < 8; ++b) EXPECT_EQ(deepest[b], L::hr::kBlocks[b].entries) << "block " << b;
}

// The horses of a combination label, in ascending order.
std::vector<int> HorsesOf(const std::string& label) {
  std::vector<int> out;
  for (size_t at = 0; at < label.size(); at += 3) out.push_back(StrToIntLenient(label.substr(at, 2)));
  std::sort(out.begin(), out.end());
  return out;
}

// Odds (in tenths) and popularity of the entries a board sells, as read back: a shorter price is always the more
// popular, popularity starts at 1, and the prices pay back about 77.5 % of the pool (1.29 = 1 / 0.775).
void CheckBoard(const std::vector<std::pair<int, int>>& oddsAndPop, const std::string& what) {
  SCOPED_TRACE(what);
  ASSERT_FALSE(oddsAndPop.empty());
  int outOfOrder = 0, first = 0;
  double pool = 0;
  for (const auto& [odds, pop] : oddsAndPop) {
    pool += 10.0 / odds;
    first += pop == 1;
    for (const auto& [otherOdds, otherPop] : oddsAndPop) outOfOrder += odds < otherOdds && pop >= otherPop;
  }
  EXPECT_EQ(outOfOrder, 0);
  EXPECT_GE(first, 1);
  EXPECT_NEAR(pool, 1 / 0.775, 0.06);
}

// What the hit judgement and the statistics need of a day: every payout is the post-time odds of its combination
// for a 100-yen ticket with the board's popularity, and a bet that is easier to hit never pays more than a harder
// one on the same horses.
TEST_F(JvgenReadBack, PayoutsArePostTimeOddsAndBoardsArePlausible) {
  Options o = DeadHeatDay();
  o.scratches = true;
  Day day = MakeDay(o);
  Load(day);
  for (const Race& race : day.races) {
    SCOPED_TRACE(race.VenueRaceKey());
    const int s = SlotOf(race);
    const RaceInfo& info = model_.Races[s];
    const std::string &first = model_.Table.GO1Tbl1[s], &o1 = model_.Table.GO1Tbl2[s], &o2 = model_.Table.GO2Tbl[s];
    const int n = StrToIntLenient(info.EntryCount);
    for (const std::string* board : {&first, &o1}) {
      std::vector<std::pair<int, int>> win, waku;
      for (int h = 0; h < n; ++h) {
        if (FieldInt(*board, L::o1::WinOdds(h)) <= 0) continue;  // withdrawn
        win.push_back({FieldInt(*board, L::o1::WinOdds(h)), FieldInt(*board, L::o1::WinPop(h))});
        EXPECT_LE(FieldInt(*board, L::o1::PlaceOddsLow(h)), win.back().first) << "a place never pays more than a win";
        EXPECT_GE(FieldInt(*board, L::o1::PlaceOddsHigh(h)), FieldInt(*board, L::o1::PlaceOddsLow(h)));
      }
      for (int w = 1; w <= L::kWakurenPairs; ++w)
        if (FieldInt(*board, L::o1::WakurenOdds(w)) > 0)
          waku.push_back({FieldInt(*board, L::o1::WakurenOdds(w)), FieldInt(*board, L::o1::WakurenPop(w))});
      CheckBoard(win, "win");
      CheckBoard(waku, "bracket");
    }
    std::vector<std::pair<int, int>> umaren;
    for (int k = 1; k <= L::kUmarenPairs; ++k)
      if (FieldInt(o2, L::o2::UmarenOdds(k)) > 0)
        umaren.push_back({FieldInt(o2, L::o2::UmarenOdds(k)), FieldInt(o2, L::o2::UmarenPop(k))});
    CheckBoard(umaren, "quinella");

    int wins = 0;
    for (size_t k = 1; k < info.TanPay.size() && info.TanPay[k] > 0; ++k, ++wins) {
      const int h = info.TanHorse[k] - 1;
      EXPECT_EQ(info.TanPay[k], FieldInt(o1, L::o1::WinOdds(h)) * 10);
      EXPECT_EQ(info.TanPop[k], FieldInt(o1, L::o1::WinPop(h)));
      for (size_t f = 1; f < info.FukuPay.size() && info.FukuPay[f] > 0; ++f)
        if (info.FukuHorse[f] == h + 1) {
          EXPECT_LE(info.FukuPay[f], info.TanPay[k]);
        }
    }
    EXPECT_GE(wins, 1);
    for (size_t k = 1; k < info.FukuPay.size() && info.FukuPay[k] > 0; ++k)
      EXPECT_EQ(info.FukuPay[k], FieldInt(o1, L::o1::PlaceOddsLow(info.FukuHorse[k] - 1)) * 10);
    for (size_t k = 1; k < info.WakurenPay.size() && info.WakurenPay[k] > 0; ++k) {
      const int w = WakurenStrToIndex(info.WakurenComb[k]);
      EXPECT_EQ(info.WakurenPay[k], FieldInt(o1, L::o1::WakurenOdds(w)) * 10);
      EXPECT_EQ(info.WakurenPop[k], FieldInt(o1, L::o1::WakurenPop(w)));
    }
    for (size_t k = 1; k < info.UmarenPay.size() && info.UmarenPay[k] > 0; ++k) {
      const int u = UmarenStrToIndex(info.UmarenComb[k]);
      EXPECT_EQ(info.UmarenPay[k], FieldInt(o2, L::o2::UmarenOdds(u)) * 10);
      EXPECT_EQ(info.UmarenPop[k], FieldInt(o2, L::o2::UmarenPop(u)));
      // The same two horses: in either order of the first two or anywhere in the first three pays no more.
      for (size_t e = 1; e < info.UmatanPay.size() && info.UmatanPay[e] > 0; ++e)
        if (HorsesOf(info.UmatanComb[e]) == HorsesOf(info.UmarenComb[k])) {
          EXPECT_LE(info.UmarenPay[k], info.UmatanPay[e]);
        }
      for (size_t e = 1; e < info.WidePay.size() && info.WidePay[e] > 0; ++e)
        if (HorsesOf(info.WideComb[e]) == HorsesOf(info.UmarenComb[k])) {
          EXPECT_LE(info.WidePay[e], info.UmarenPay[k]);
        }
    }
    for (size_t k = 1; k < info.SanrenpukuPay.size() && info.SanrenpukuPay[k] > 0; ++k)
      for (size_t e = 1; e < info.SanrentanPay.size() && info.SanrentanPay[e] > 0; ++e)
        if (HorsesOf(info.SanrentanComb[e]) == HorsesOf(info.SanrenpukuComb[k])) {
          EXPECT_LE(info.SanrenpukuPay[k], info.SanrentanPay[e]);
        }
    // Popularity within a block follows the payout.
    auto ordered = [](const auto& pay, const auto& pop, const char* block) {
      for (size_t a = 1; a < pay.size() && pay[a] > 0; ++a)
        for (size_t b = 1; b < pay.size() && pay[b] > 0; ++b)
          if (pay[a] < pay[b]) {
            EXPECT_LT(pop[a], pop[b]) << block;
          }
    };
    ordered(info.FukuPay, info.FukuPop, "place");
    ordered(info.WidePay, info.WidePop, "wide");
    ordered(info.UmatanPay, info.UmatanPop, "exacta");
    ordered(info.SanrenpukuPay, info.SanrenpukuPop, "trio");
    ordered(info.SanrentanPay, info.SanrentanPop, "trifecta");
  }
}

TEST_F(JvgenReadBack, OddDaysStillReadWithoutShiftingRecords) {
  Options o = DeadHeatDay();
  o.venues = 1;
  o.races = 8;
  o.oddLines = true;
  o.lfOnly = true;
  o.scratches = true;
  o.yozSource = 'K';
  Day day = MakeDay(o);
  Load(day);
  EXPECT_EQ(total_, 8);
  // The odd lines are there: the race file's first line three bytes short, the runner file's second five bytes
  // long, the payout file's last two bytes short.
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(DayFilePath(home_ / "Data", day.date, L::kSuffixRA), bytes));
  EXPECT_EQ(SplitLines(bytes).front().size(), static_cast<size_t>(L::kRaLine - 3));
  ASSERT_TRUE(ReadFileBytes(SeFilePath(home_ / "Data", day.date, day.races[0].course), bytes));
  EXPECT_EQ(SplitLines(bytes)[1].size(), static_cast<size_t>(L::kSeLine + 5));
  ASSERT_TRUE(ReadFileBytes(DayFilePath(home_ / "Data", day.date, L::kSuffixHR), bytes));
  EXPECT_EQ(SplitLines(bytes).back().size(), static_cast<size_t>(L::kHrLine - 2));
  int withdrawn = 0;
  for (const Race& race : day.races) {
    const RaceInfo& info = model_.Races[SlotOf(race)];
    EXPECT_EQ(info.PostTime, race.PostTime());
    EXPECT_TRUE(info.YozMatched);
    std::vector<int> finishes;
    for (const Runner& r : race.runners) {
      const int h = r.umaban - 1;
      EXPECT_EQ(info.HorseName[h], r.name.substr(0, 18));
      if (r.scratch) {
        ++withdrawn;
        EXPECT_EQ(info.WinOdds2[h], -1) << "withdrawn horses read as no odds";
        EXPECT_EQ(info.FinishPos[h], 0);
        // Withdrawn before sales: no prediction; after: the provider's fixed 50.0.
        EXPECT_EQ(info.PredWinOdds[h], r.scratch == 1 ? -1 : 50.0);
      } else {
        finishes.push_back(info.FinishPos[h]);
        EXPECT_NEAR(info.PredWinOdds[h], r.predWin, 0.05) << "the KOL text's tenths";
      }
    }
    // Every starter finishes; horses in a dead heat share the place, and the next horse is placed after them all.
    std::sort(finishes.begin(), finishes.end());
    ASSERT_EQ(static_cast<int>(finishes.size()), race.Starters());
    for (size_t i = 0; i < finishes.size(); ++i)
      EXPECT_EQ(finishes[i], i > 0 && finishes[i] == finishes[i - 1] ? finishes[i - 1] : static_cast<int>(i) + 1);
    // Place tickets pay on the first three (two with fewer than eight starters), ties included.
    const int depth = race.Starters() >= 8 ? 3 : 2;
    // Every third race of eight or more runners has one horse withdrawn before sales and one after; in an
    // eight-runner race a frame is a horse, so the bracket pairs of a withdrawn horse carry its marker.
    const int n = StrToIntLenient(info.EntryCount), num = StrToIntLenient(race.VenueRaceKey().substr(6, 2));
    EXPECT_EQ(n - static_cast<int>(finishes.size()), num % 3 == 0 && n >= 8 ? 2 : 0) << race.VenueRaceKey();
    const std::string& o1 = model_.Table.GO1Tbl2[SlotOf(race)];
    for (int a = 1; n == 8 && a <= 8; ++a)
      for (int c = a + 1; c <= 8; ++c) {
        const std::string odds = FieldText(o1, L::o1::WakurenOdds(WakurenStrToIndex(CombLabel(a, c))));
        const bool marked = odds == "-----" || odds == "*****";
        EXPECT_EQ(marked, info.FinishPos[a - 1] == 0 || info.FinishPos[c - 1] == 0) << a << "-" << c;
      }
    // The KOL text's predicted quinella for a withdrawn horse's pairs: none before sales, the fixed 1000.0 after.
    auto kind = [&](int h) {
      return FieldText(o1, L::o1::WinOdds(h - 1)) == "----"   ? 1
             : FieldText(o1, L::o1::WinOdds(h - 1)) == "****" ? 2
                                                              : 0;
    };
    const std::string& yoz = model_.Table.GYozTbl[SlotOf(race)];
    for (int i = 1; i <= n; ++i)
      for (int j = i + 1; j <= n; ++j) {
        const double pred = PredOddsValue(FieldText(yoz, L::yoz::Umaren(UmarenStrToIndex(CombLabel(i, j)))));
        const int worst = std::max(kind(i), kind(j));
        EXPECT_TRUE(worst == 0 ? pred >= 1.0 : pred == (worst == 1 ? -1 : 1000.0)) << i << "-" << j << " " << pred;
      }
    int places = 0;
    while (places + 1 < static_cast<int>(info.FukuPay.size()) && info.FukuPay[places + 1] > 0) ++places;
    EXPECT_EQ(places, std::min<int>(info.FukuPay.size() - 1, std::count_if(finishes.begin(), finishes.end(),
                                                                           [&](int f) { return f <= depth; })));
  }
  EXPECT_GE(withdrawn, 2) << "race 3 has eight runners, two of them withdrawn";
}

// The races the prediction engine's tests rely on: a full field and an eight-runner race at the first
// racecourse, and in every banker race an odds-on favourite that is the only horse predicted longer than its
// odds; in it and every fourth race a long shot predicted at a sixth of its odds.
TEST_F(JvgenReadBack, TheRacesTheEngineTestsNeedAreThere) {
  Options o = DeadHeatDay();
  o.deadHeat = false;
  Day day = MakeDay(o);
  Load(day);
  int bankers = 0, longShots = 0;
  for (const Race& race : day.races) {
    SCOPED_TRACE(race.VenueRaceKey());
    const RaceInfo& info = model_.Races[SlotOf(race)];
    const int n = StrToIntLenient(info.EntryCount), num = StrToIntLenient(race.VenueRaceKey().substr(6, 2));
    if (&race == &day.races[0]) {
      EXPECT_EQ(n, 18);
    }
    if (&race == &day.races[2]) {
      EXPECT_EQ(n, 8);
    }
    EXPECT_GE(n, 5);
    if (num == 2) {
      int favourite = 0;
      for (int h = 1; h < n; ++h)
        if (info.FinalWinOdds[h] < info.FinalWinOdds[favourite]) favourite = h;
      EXPECT_LT(info.FinalWinOdds[favourite], 1.5);
      EXPECT_DOUBLE_EQ(info.PredWinOdds[favourite], 1.9);
      for (int h = 0; h < n; ++h)
        if (h != favourite) {
          EXPECT_LT(info.PredWinOdds[h], info.FinalWinOdds[h]) << h + 1;
        }
      ++bankers;
    }
    if (num == 2 || num % 4 == 0) {
      int candidates = 0, tipped = 0;
      for (int h = 0; h < n; ++h) {
        if (info.FinalWinOdds[h] < 12 || info.FinalWinOdds[h] > 45) continue;
        ++candidates;
        tipped += std::abs(info.PredWinOdds[h] - info.FinalWinOdds[h] / 6) < 0.051;
      }
      EXPECT_EQ(tipped, candidates > 0 ? 1 : 0);
      longShots += tipped;
    }
  }
  EXPECT_EQ(bankers, 3);
  EXPECT_GE(longShots, 6);
}

}  // namespace
