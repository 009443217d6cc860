// Loading a race day from its files: the phases, the early stops, the rankings and the engine hook.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <vector>

#include "RecordBuilder.h"
#include "platform/Clock.h"
#include "platform/Cp932.h"
#include "racedata/DayFiles.h"
#include "racedata/DayLoad.h"
#include "racedata/RaceRecords.h"
#include "racedata/RacingTexts.h"

namespace corvina {
namespace {

namespace fs = std::filesystem;
using namespace test;

const DayName kDay(2006, 1, 8);
const std::string kDate = "20060108";

struct Venue {
  std::string code;
  int races;
};

// Writes the .jvRA and one .jvSEr per venue (6 runners a race) of a day; `blankLines` blank RA lines in front.
void WriteDay(const fs::path& home, const std::vector<Venue>& venues, int blankLines = 0) {
  fs::path data = DataDirOf(home);
  fs::create_directories(data);
  Lines ra(static_cast<size_t>(blankLines), std::string(layout::kRaLine, ' '));
  for (const Venue& v : venues) {
    Lines se(layout::kSeLines, std::string(layout::kSeLine, ' '));
    for (int r = 1; r <= v.races; ++r) {
      ra.push_back(Ra(kDate, v.code, r, "1000", 6));
      for (int h = 1; h <= 6; ++h) se[static_cast<size_t>((r - 1) * 18 + h - 1)] = Se(kDate, v.code, r, h);
    }
    ASSERT_TRUE(SaveLines(SeFilePath(data, kDay, v.code), se));
  }
  ASSERT_TRUE(SaveLines(DayFilePath(data, kDay, layout::kSuffixRA), ra));
}

class DayLoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    day_ = std::make_unique<DayModel>();
    day_->AppDir = tmp_.path();
  }
  void TearDown() override { Clock::Reset(); }
  fs::path Data(std::string_view suffix) const { return DayFilePath(DataDirOf(tmp_.path()), kDay, suffix); }
  DayLoadResult Load(const DayLoadEngine& engine = {}) { return LoadDay(*day_, kDay, engine); }

  TempDir tmp_;
  std::unique_ptr<DayModel> day_;
};

TEST_F(DayLoadTest, MissingRaceFileEndsSilently) {
  day_->GStats[StatIndex(StatCounter::QuinellaHits, 0)] = 5;
  auto r = Load();
  EXPECT_EQ(r.status, DayLoadStatus::NoRaceFile);
  EXPECT_TRUE(r.message.empty());
  EXPECT_FALSE(r.beep);
  EXPECT_EQ(day_->GStats[StatIndex(StatCounter::QuinellaHits, 0)],
            0);  // the previous day's statistics never show under this day
}

TEST_F(DayLoadTest, PaddedRaceFileFillsSlotsInOrderAndWritesPlaceholders) {
  WriteDay(tmp_.path(), {{"05", 12}}, 24);
  auto r = Load();
  ASSERT_EQ(r.status, DayLoadStatus::Loaded);
  EXPECT_EQ(day_->GRaceTotal, 12);
  EXPECT_EQ(r.raceList.size(), 12u);
  EXPECT_EQ(r.raceList[0], RaceListLine(day_->Table.GRaTbl[0]));
  for (int s = 0; s < 12; ++s) EXPECT_EQ(day_->Calcs[s].CalcHasData, 1) << s;
  for (int s = 12; s < kSlots; ++s) {
    EXPECT_EQ(day_->Races[s].HasData, 0) << s;
    EXPECT_TRUE(IsBlank(day_->Table.GRaTbl[s])) << s;
  }
  EXPECT_EQ(ReadAll(Data(layout::kSuffixO1)).size(), 72u);  // two per .jvRA line, blank lines included
  EXPECT_EQ(ReadAll(Data(layout::kSuffixO2)).size(), 36u);
  EXPECT_EQ(r.raceStepperMax, 11);
}

TEST_F(DayLoadTest, TooFewRacesStopsWithTheMessage) {
  WriteDay(tmp_.path(), {{"05", 8}});
  auto r = Load();
  EXPECT_EQ(r.status, DayLoadStatus::TooFewRaces);
  EXPECT_TRUE(r.beep);
  EXPECT_EQ(FromCp932(r.message), "本ソフトは当日全レースの出馬表データを揃えてからご利用ください。");
  EXPECT_TRUE(r.raceList.empty());
  EXPECT_FALSE(r.timerEnabled);

  TempDir other;
  day_->AppDir = other.path();
  WriteDay(other.path(), {{"05", 6}});
  EXPECT_EQ(Load().status, DayLoadStatus::TooFewRaces);
  EXPECT_FALSE(fs::exists(DayFilePath(DataDirOf(other.path()), kDay, layout::kSuffixO1)));  // 6 lines: none

  TempDir nine;
  day_->AppDir = nine.path();
  WriteDay(nine.path(), {{"05", 9}});
  EXPECT_EQ(Load().status, DayLoadStatus::Loaded);
}

TEST_F(DayLoadTest, MissingRunnerFileOfAnyRacecourseStopsTheLoad) {
  for (const char* venue : {"06", "05"}) {
    SCOPED_TRACE(venue);
    TempDir home;
    day_->AppDir = home.path();
    WriteDay(home.path(), {{"05", 6}, {"06", 6}});
    fs::remove(SeFilePath(DataDirOf(home.path()), kDay, venue));
    int engineRuns = 0;
    DayLoadEngine engine;
    engine.ComputePairOdds = [&](DayModel&) { ++engineRuns; };
    auto r = Load(engine);
    EXPECT_EQ(r.status, DayLoadStatus::RunnerFileMissing);
    EXPECT_TRUE(r.beep);
    EXPECT_EQ(FromCp932(r.message), "データ作成が未完了のようです。");
    EXPECT_TRUE(r.raceList.empty());
    EXPECT_EQ(engineRuns, 0);
    for (const auto& calc : day_->Calcs) EXPECT_EQ(calc.CalcHasData, 0);
    // The table holds the races read up to the one that stopped the load and nothing after it, so no odds
    // writer finds a race the load never reached.
    const int stop = venue == std::string("06") ? 6 : 0;
    EXPECT_EQ(day_->GRaceTotal, stop);
    EXPECT_EQ(MatchKey(day_->Table.GRaTbl[stop]), venue + std::string("01"));
    for (int s = stop + 1; s < kSlots; ++s) EXPECT_TRUE(IsBlank(day_->Table.GRaTbl[s])) << s;
  }
}

// A day file that exists but cannot be read never loads as an empty one: the race and runner files stop the
// load, the others are named in the warnings and left as they are.
TEST_F(DayLoadTest, DayFilesThatCannotBeReadAreNeverTakenForEmptyOnes) {
  WriteDay(tmp_.path(), {{"05", 9}});
  MakeUnreadable(Data(layout::kSuffixRA));
  auto r = Load();
  EXPECT_EQ(r.status, DayLoadStatus::NoRaceFile);
  EXPECT_TRUE(r.raceList.empty());
  ASSERT_FALSE(r.warnings.empty());
  EXPECT_NE(r.warnings.back().find(" を読めません（"), std::string::npos) << r.warnings.back();
  EXPECT_EQ(day_->GRaceTotal, 0);

  TempDir runners;
  day_->AppDir = runners.path();
  WriteDay(runners.path(), {{"05", 9}});
  MakeUnreadable(SeFilePath(DataDirOf(runners.path()), kDay, "05"));
  r = Load();
  EXPECT_EQ(r.status, DayLoadStatus::RunnerFileMissing);
  EXPECT_TRUE(r.raceList.empty());

  TempDir others;
  day_->AppDir = others.path();
  WriteDay(others.path(), {{"05", 9}});
  const fs::path hr = DayFilePath(DataDirOf(others.path()), kDay, layout::kSuffixHR);
  const fs::path o1 = DayFilePath(DataDirOf(others.path()), kDay, layout::kSuffixO1);
  MakeUnreadable(hr);
  MakeUnreadable(o1);
  r = Load();
  ASSERT_EQ(r.status, DayLoadStatus::Loaded);
  auto named = [&](const fs::path& p) {
    return std::any_of(r.warnings.begin(), r.warnings.end(), [&](const std::string& w) {
      return w.find(p.string()) != std::string::npos && w.find(" を読めません（") != std::string::npos;
    });
  };
  EXPECT_TRUE(named(hr));
  EXPECT_TRUE(named(o1));
  EXPECT_TRUE(fs::is_symlink(o1)) << "no placeholder replaces an odds file that could not be read";
}

TEST_F(DayLoadTest, ReloadAfterABiggerDayLeavesNoStaleSlots) {
  WriteDay(tmp_.path(), {{"05", 12}, {"06", 12}});
  // The first copy of the day has its first race's payouts; the second has none yet.
  ASSERT_TRUE(SaveLines(Data(layout::kSuffixHR), {Rec(layout::kHrLine, layout::kKindHR)
                                                      .Key(kDate, "05", 1)
                                                      .Num(layout::hr::kTan.CombPart(1, 0), 3)
                                                      .Num(layout::hr::kTan.Pay(1), 450)}));
  ASSERT_EQ(Load().status, DayLoadStatus::Loaded);
  EXPECT_EQ(day_->Calcs[23].CalcHasData, 1);
  ASSERT_EQ(day_->Races[0].TanPay[1], 450);
  TempDir small;
  day_->AppDir = small.path();
  WriteDay(small.path(), {{"05", 10}});
  day_->GLastRace = 11;
  auto r = Load();
  ASSERT_EQ(r.status, DayLoadStatus::Loaded);
  EXPECT_EQ(r.selectLine, 9);
  for (int s = 10; s < kSlots; ++s) EXPECT_EQ(day_->Calcs[s].CalcHasData, 0) << s;
  EXPECT_EQ(day_->Races[0].TanPay[1], 0) << "no payouts kept from the other copy";
  EXPECT_EQ(day_->Races[0].TanHorse[1], 0);

  // The same day twice gives the same records.
  auto first = std::make_unique<DayModel>(*day_);
  Load();
  for (int s = 0; s < kSlots; ++s) {
    EXPECT_EQ(first->Table.GRaTbl[s], day_->Table.GRaTbl[s]);
    EXPECT_EQ(first->Races[s].RaceKey, day_->Races[s].RaceKey);
    EXPECT_EQ(first->Calcs[s].RankOdds1, day_->Calcs[s].RankOdds1);
  }
}

TEST_F(DayLoadTest, ResultsPollArmedOnlyForToday) {
  WriteDay(tmp_.path(), {{"05", 9}});
  Clock::Set({2006, 1, 9, 10, 0, 0});
  auto past = LoadDay(*day_, kDay, {}, 15);
  EXPECT_FALSE(past.timerEnabled);
  Clock::Set({2006, 1, 8, 10, 0, 0});
  auto today = LoadDay(*day_, kDay, {}, 15);
  EXPECT_TRUE(today.timerEnabled);
  EXPECT_EQ(today.timerInterval, std::chrono::minutes(15));
  EXPECT_EQ(day_->GResultsPollMinutes, 15);
  auto zero = LoadDay(*day_, kDay, {}, 0);
  EXPECT_FALSE(zero.timerEnabled);  // a zero interval never becomes a busy timer
  EXPECT_EQ(LoadDay(*day_, kDay, {}, INT_MAX).timerInterval, std::chrono::minutes(INT_MAX));
}

TEST_F(DayLoadTest, EngineRunsInOrderAndCannotReenter) {
  WriteDay(tmp_.path(), {{"05", 9}});
  std::vector<std::string> calls;
  DayLoadEngine engine;
  engine.ComputePairOdds = [&](DayModel& d) {
    calls.push_back("umaren");
    // A timer that fires inside the load must not start a second one.
    EXPECT_EQ(LoadDay(d, kDay, {}).status, DayLoadStatus::Busy);
  };
  engine.PredictDay = [&](DayModel&) { calls.push_back("yoso"); };
  engine.JudgeHits = [&](DayModel&) { calls.push_back("hits"); };
  engine.ComputeRecoveryStatistics = [&](DayModel&, const std::string& name) {
    calls.push_back("stats " + FromCp932(name));
    return std::vector<std::string>{"cannot save"};
  };
  auto r = Load(engine);
  EXPECT_EQ(calls, (std::vector<std::string>{"umaren", "yoso", "hits", "stats 2006年01月08日"}));
  EXPECT_EQ(r.warnings, std::vector<std::string>{"cannot save"});
  EXPECT_EQ(Load().status, DayLoadStatus::Loaded);  // free again afterwards
}

// Odds files for race 1 of "05": first and latest snapshot of win odds in tenths, and predicted win odds.
void WriteOdds(const fs::path& home, const std::vector<std::string>& w1, const std::vector<std::string>& w2,
               const std::vector<std::string>& pred) {
  fs::path data = DataDirOf(home);
  Rec first(layout::kO1Line, layout::kKindO1), latest(layout::kO1Line, layout::kKindO1);
  first.Key(kDate, "05", 1).Set(layout::o1::kAnnounce, "01080930");
  latest.Key(kDate, "05", 1).Set(layout::o1::kAnnounce, "01080955");
  Rec yoz = Yoz(kDate, "05", 1, 'J');
  for (size_t h = 0; h < w1.size(); ++h) {
    first.Set(layout::o1::WinOdds(static_cast<int>(h)), w1[h]);
    latest.Set(layout::o1::WinOdds(static_cast<int>(h)), w2[h]);
    yoz.Set(layout::yoz::Win(static_cast<int>(h)), pred[h]);
  }
  Lines o1(72, std::string(layout::kO1Line, ' '));
  o1[0] = first;
  o1[1] = latest;
  ASSERT_TRUE(SaveLines(DayFilePath(data, kDay, layout::kSuffixO1), o1));
  ASSERT_TRUE(SaveLines(DayFilePath(data, kDay, layout::kSuffixYoz), {yoz}));
}

TEST_F(DayLoadTest, RankingsTieBreaksAndCodes) {
  WriteDay(tmp_.path(), {{"05", 9}});
  // Horses 1..6: predicted 5.0, 5.0, blank, 2.0, 1200.0, 5.0; first snapshot 8.0, 6.0, 3.0, "----", 1500.0, 6.0.
  WriteOdds(tmp_.path(), {"0080", "0060", "0030", "----", "9999", "0060"}, {"0080", "0060", "0030", "****", "", "0060"},
            {"   5.0", "   5.0", "", "   2.0", "1200.0", "   5.0"});
  ASSERT_EQ(Load().status, DayLoadStatus::Loaded);
  const RaceInfo& info = day_->Races[0];
  const RaceCalc& c = day_->Calcs[0];
  ASSERT_EQ(info.YozMatched, 1);
  ASSERT_EQ(info.Odds2Present, 1);
  // Equal predictions fall to the first snapshot (6.0 before 8.0), then to the horse number (2 before 6).
  EXPECT_EQ(At(c.RankPred, {0, 1, 2, 3, 4, 5}), (Ints{4, 2, 0, 1, 5, 3}));
  EXPECT_EQ(At(c.RankOdds1, {0, 1, 2, 3, 4, 5}), (Ints{4, 2, 1, 0, 5, 3}));
  // The latest snapshot replaces the count; horse 5's blank and horse 4's "****" take no rank.
  EXPECT_EQ(At(c.RankOdds2, {0, 1, 2, 3, 4, 5}), (Ints{4, 2, 1, 0, 0, 3}));
  EXPECT_EQ(c.RankedCount, 4);
  EXPECT_EQ(c.Over8Runners, 0);

  // Without a prediction file the day has no odds source, whatever the previous load read.
  EXPECT_EQ(day_->GYozRec.substr(16, 1), "J");
  fs::remove(Data(layout::kSuffixYoz));
  ASSERT_EQ(Load().status, DayLoadStatus::Loaded);
  EXPECT_TRUE(IsBlank(day_->GYozRec));
}

TEST_F(DayLoadTest, RankingKeysRoundHalfAwayFromZero) {
  // 2.25 is exact in binary: a ranking key rounded half to even would read 2.2 and rank horse 1 first. Rounded
  // half away from zero both predictions read 2.3, and the lower first-snapshot odds of horse 2 decide.
  WriteDay(tmp_.path(), {{"05", 9}});
  // Horse 3 at the shortest price the service shows, 1.0, is ranked like any other.
  WriteOdds(tmp_.path(), {"0050", "0040", "0010"}, {"0050", "0040", "0010"}, {"  2.25", "   2.3", "   1.0"});
  ASSERT_EQ(Load().status, DayLoadStatus::Loaded);
  EXPECT_EQ(At(day_->Calcs[0].RankPred, {0, 1, 2}), (Ints{3, 2, 1}));
  EXPECT_EQ(At(day_->Calcs[0].RankOdds1, {0, 1, 2}), (Ints{3, 2, 1}));
}

TEST_F(DayLoadTest, DayListNewestFirst) {
  WriteDay(tmp_.path(), {{"05", 9}});
  std::ofstream(DayFilePath(DataDirOf(tmp_.path()), DayName(2005, 12, 24), layout::kSuffixRA)) << "";
  auto items = ListStoredDays(tmp_.path());
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(FromCp932(items[0]), "2006年01月08日");
  EXPECT_EQ(FromCp932(items[1]), "2005年12月24日");
}

}  // namespace
}  // namespace corvina
