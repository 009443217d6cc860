// Recovery statistics, return-rate texts and the yearly summary files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "EngineFixtures.h"
#include "analysis/Recovery.h"
#include "platform/Cp932.h"
#include "platform/LineFile.h"
#include "tests/support/HeldSave.h"

namespace corvina::analysis {
namespace {

namespace fs = std::filesystem;
using namespace corvina::test;

class TempHome : public ::testing::Test {
 protected:
  void Marker() { std::ofstream(home_ / "makeKaishuFile.data") << "x"; }
  TempDir dir_;
  fs::path home_ = dir_.path();
};

const std::string kDayName = ToCp932("2006年01月06日");

// Two venues: "05" races in slots 0..1, "06" race in slot 2.
std::unique_ptr<DayModel> TwoVenueDay(const fs::path& home) {
  auto day = NewDay();
  day->AppDir = home;
  AddRace(*day, 0, 16, "2006", "05", 1);
  AddRace(*day, 1, 8, "2006", "05", 2);
  AddRace(*day, 2, 16, "2006", "06", 1);
  return day;
}

TEST(Recovery, RateTexts) {
  EXPECT_EQ(RateText(1250, 3), " 416.7%");
  EXPECT_EQ(RateText(0, 4), "   0.0%");
  EXPECT_EQ(RateText(0, 0), "       ");
  EXPECT_EQ(RateText(12345, 1), "12345.0%");
}

TEST_F(TempHome, CountsByScopeAndResultPresence) {
  auto day = TwoVenueDay(home_);
  // Slot 0: three tickets, one quinella hit of 1250, one wide hit of 300; axis horse won and placed.
  RaceCalc& calc0 = day->Calcs[0];
  RaceInfo& race0 = day->Races[0];
  calc0.Tickets[1] = " 1- 2", calc0.Tickets[2] = " 1- 3", calc0.Tickets[3] = " 2- 3";
  calc0.UmarenHit[2] = 1, calc0.UmarenPay[2] = 1250;
  calc0.WideHit[1] = 1, calc0.WidePay[1] = 300;
  calc0.AxisHorse = 3, calc0.TanHit = 1, calc0.TanPay = 450, calc0.FukuHit = 1, calc0.FukuPay = 160;
  race0.UmarenComb[1] = " 1- 3", race0.WideComb[1] = " 1- 2", race0.TanHorse[1] = 3, race0.FukuHorse[1] = 3;
  // Slot 1 (8 runners): only a bracket result; two tickets count as quinella, not as wide.
  RaceCalc& calc1 = day->Calcs[1];
  calc1.Tickets[1] = " 1- 2", calc1.Tickets[4] = " 3- 4";
  day->Races[1].WakurenComb[1] = " 5- 6";
  day->Races[1].WideComb[1] = " 5- 6";
  // Slot 2: results but no ticket (a skipped race), an axis horse without a win result.
  RaceInfo& race2 = day->Races[2];
  race2.UmarenComb[1] = " 7- 8", race2.WideComb[1] = " 7- 8", race2.FukuHorse[1] = 2;
  day->Calcs[2].AxisHorse = 2;
  day->Calcs[2].Note = "x";

  ComputeStatistics(*day);
  const auto& g = day->GStats;
  using C = StatCounter;
  auto at = [&](std::initializer_list<C> counters, int scope) {
    Ints out;
    for (C c : counters) out.push_back(g[StatIndex(c, scope)]);
    return out;
  };
  // All venues: wide tickets only from the big race with a wide result; quinella tickets of both "05" races.
  EXPECT_EQ(at({C::WideTickets, C::QuinellaTickets, C::WideHits, C::QuinellaHits, C::QuinellaPay, C::WidePay}, 0),
            (Ints{3, 5, 1, 1, 1250, 300}));
  EXPECT_EQ((Ints{g[StatIndex(C::QuinellaTickets, 1)], g[StatIndex(C::QuinellaTickets, 2)]}), (Ints{5, 0}));
  // Win: only slot 0 has an axis and a win result; place: slots 0 and 2, one of them at V2.
  EXPECT_EQ(at({C::WinTickets, C::PlaceTickets, C::WinHits, C::WinPay}, 0), (Ints{1, 2, 1, 450}));
  EXPECT_EQ(g[StatIndex(C::PlaceTickets, 2)], 1);
  const Ints none(12, 0);
  EXPECT_EQ(at({C::WideTickets, C::QuinellaTickets, C::WideHits, C::QuinellaHits, C::QuinellaPay, C::WidePay,
                C::WinTickets, C::PlaceTickets, C::WinHits, C::PlaceHits, C::WinPay, C::PlacePay},
               3),
            none);  // no V3
  EXPECT_EQ(
      At(day->GRateStr, {RateIndex(BetType::Quinella, 0), RateIndex(BetType::Quinella, 3), RateIndex(BetType::Win, 2)}),
      (Strs{" 250.0%", "       ", "       "}));
  const RaceCalc &slot1 = day->Calcs[1], &slot2 = day->Calcs[2];
  EXPECT_EQ((Ints{slot1.ResU, slot1.ResW, slot2.ResT, slot2.ResF}), (Ints{1, 1, 0, 1}));

  // The big race's wide payouts not in yet: its tickets count for the quinella only.
  race0.WideComb[1].clear();
  ComputeStatistics(*day);
  EXPECT_EQ(at({C::WideTickets, C::QuinellaTickets}, 0), (Ints{0, 5}));
}

TEST(Recovery, EveryCounterAndRateTextHasItsPlace) {
  // Venue s (1..3) buys s tickets, hits quinella and wide with ticket 1 and has a winning axis horse; each pay
  // names its venue and bet type, so a counter filed in the wrong place shows. The races are the first, a
  // middle and the last of a full day.
  auto day = NewDay();
  const char* venues[] = {"05", "06", "08"};
  for (int s = 1; s <= 3; ++s) {
    const int slot = (s - 1) * (kSlots - 1) / 2;
    AddRace(*day, slot, 16, "2006", venues[s - 1], 1);
    RaceInfo& info = day->Races[slot];
    RaceCalc& c = day->Calcs[slot];
    info.UmarenComb[1] = " 1- 2", info.WideComb[1] = " 1- 2", info.TanHorse[1] = 1, info.FukuHorse[1] = 1;
    for (int j = 1; j <= s; ++j) c.Tickets[j] = " 1-" + FormatInt(j + 1, 2);
    c.UmarenHit[1] = 1, c.UmarenPay[1] = 100 * s + 1;
    c.WideHit[1] = 1, c.WidePay[1] = 100 * s + 2;
    c.AxisHorse = 1, c.TanHit = 1, c.TanPay = 100 * s + 3, c.FukuHit = 1, c.FukuPay = 100 * s + 4;
  }
  ComputeStatistics(*day);
  std::array<int, kStatCounters> expected{};
  for (int s = 0; s <= 3; ++s) {
    const bool all = s == 0;
    const int tickets = all ? 6 : s, races = all ? 3 : 1;
    auto pay = [&](int kind) { return all ? 600 + 3 * kind : 100 * s + kind; };
    auto set = [&](StatCounter c, int value) { expected[StatIndex(c, s)] = value; };
    set(StatCounter::WideTickets, tickets);
    set(StatCounter::QuinellaTickets, tickets);
    set(StatCounter::WideHits, races);
    set(StatCounter::QuinellaHits, races);
    set(StatCounter::QuinellaPay, pay(1));
    set(StatCounter::WidePay, pay(2));
    set(StatCounter::WinTickets, races);
    set(StatCounter::PlaceTickets, races);
    set(StatCounter::WinHits, races);
    set(StatCounter::PlaceHits, races);
    set(StatCounter::WinPay, pay(3));
    set(StatCounter::PlacePay, pay(4));
  }
  EXPECT_EQ(day->GStats, expected);
  const std::array<std::string, 16> rates{
      " 203.0%", " 103.0%", " 203.0%", " 303.0%",   // win: all, V1, V2, V3
      " 204.0%", " 104.0%", " 204.0%", " 304.0%",   // place
      " 100.5%", " 101.0%", " 100.5%", " 100.3%",   // quinella: 603 / 6, 101 / 1, 201 / 2, 301 / 3
      " 101.0%", " 102.0%", " 101.0%", " 100.7%"};  // wide: 606 / 6, 102 / 1, 202 / 2, 302 / 3
  EXPECT_EQ(day->GRateStr, rates);
}

TEST_F(TempHome, SummaryLinesByteExactAndMergedOncePerDay) {
  Marker();
  auto day = TwoVenueDay(home_);
  RaceCalc& calc0 = day->Calcs[0];
  calc0.Tickets[1] = " 1- 2", calc0.Tickets[2] = " 1- 3", calc0.Tickets[3] = " 2- 3";
  calc0.UmarenHit[2] = 1, calc0.UmarenPay[2] = 1250;
  day->Races[0].UmarenComb[1] = " 1- 3";
  // Another day's line is kept; a stale line of this day is replaced.
  fs::path quinella = home_ / "2006年馬連.ksr";
  std::string other = ToCp932("01月05日全場") + std::string(8, ' ') + "  1" + ToCp932("点") + "  0" + ToCp932("点") +
                      "  100" + ToCp932("円") + "      0" + ToCp932("円") + "   0.0%";
  std::string stale = ToCp932("01月06日全場") + std::string(8, ' ') + "  9" + ToCp932("点");
  ASSERT_TRUE(SaveLines(quinella, {stale, other}));

  for (int run = 0; run < 2; ++run) {
    auto result = ComputeRecoveryStatistics(*day, kDayName);
    EXPECT_TRUE(result.errors.empty());
    EXPECT_EQ(result.written.size(), 4u);
  }
  Lines lines;
  ASSERT_TRUE(ReadLines(quinella, lines));
  ASSERT_EQ(lines.size(), 4u);  // the other day, all venues, V1, V2; no V3 line on a two-venue day
  EXPECT_EQ(lines[0], other);
  std::string all = ToCp932("01月06日全場") + std::string(8, ' ') + "  3" + ToCp932("点") + "  1" + ToCp932("点") +
                    "  300" + ToCp932("円") + "   1250" + ToCp932("円") + " 416.7%";
  EXPECT_EQ(all.size(), 53u);
  EXPECT_EQ(lines[1], all);
  // Byte order of CP932: 中山 (0x92..) before 東京 (0x93..).
  EXPECT_EQ(lines[2].substr(0, 20), ToCp932("01月06日中山01回04日"));
  EXPECT_EQ(lines[3].substr(0, 20), ToCp932("01月06日東京01回04日"));
  EXPECT_EQ(lines[3].substr(20), all.substr(20));
  EXPECT_EQ(lines[2].substr(20), "  0" + ToCp932("点") + "  0" + ToCp932("点") + "    0" + ToCp932("円") + "      0" +
                                     ToCp932("円") + "       ");
  for (const char* word : {"単勝", "複勝", "ﾜｲﾄﾞ"})
    EXPECT_TRUE(fs::exists(home_ / (std::string("2006年") + word + ".ksr")));
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(quinella, bytes));
  EXPECT_EQ(bytes.substr(lines[0].size() + 2 + 53, 2), "\r\n");
}

// Races without runner data are never calculated: their day has no venue label, and its venue line carries
// twelve blanks where the label would be, so every line keeps its width.
TEST_F(TempHome, DayWithoutACalculatedRaceHasOneVenueLineWithABlankLabel) {
  Marker();
  auto day = TwoVenueDay(home_);
  for (auto& calc : day->Calcs) calc.CalcHasData = 0;
  EXPECT_EQ(VenueLabels(*day),
            (std::array<std::string, kScopes>{"", std::string(12, ' '), std::string(12, ' '), std::string(12, ' ')}));
  auto result = ComputeRecoveryStatistics(*day, kDayName);
  EXPECT_TRUE(result.errors.empty());
  EXPECT_EQ(result.written.size(), 4u);
  const std::string zeros =
      "  0" + ToCp932("点") + "  0" + ToCp932("点") + "    0" + ToCp932("円") + "      0" + ToCp932("円") + "       ";
  Lines lines;
  ASSERT_TRUE(ReadLines(home_ / "2006年ﾜｲﾄﾞ.ksr", lines));
  EXPECT_EQ(lines, (Lines{ToCp932("01月06日") + std::string(12, ' ') + zeros,
                          ToCp932("01月06日全場") + std::string(8, ' ') + zeros}));
}

// Two days summed at once (two dayreports, or a window and a dayreport) both reach every yearly summary: while
// one is held between reading a summary and renaming the new one over it, the other waits for it and merges its
// day into the result.
TEST_F(TempHome, TwoDaysSummedAtOnceAreBothInEverySummary) {
  Marker();
  auto day = TwoVenueDay(home_);
  day->Calcs[0].Tickets[1] = " 1- 2";
  const std::string other = ToCp932("2006年01月13日");
  EXPECT_TRUE(WhileAChildIsHeldInARewrite(
      "2006年馬連.ksr",
      [&] {
        const auto result = ComputeRecoveryStatistics(*day, kDayName);
        return result.errors.empty() && result.written.size() == 4u;
      },
      [&] {
        const auto result = ComputeRecoveryStatistics(*day, other);
        EXPECT_TRUE(result.errors.empty());
        EXPECT_EQ(result.written.size(), 4u);
      }));
  for (const char* word : {"単勝", "複勝", "馬連", "ﾜｲﾄﾞ"}) {
    Lines lines;
    ASSERT_TRUE(ReadLines(home_ / (std::string("2006年") + word + ".ksr"), lines)) << word;
    for (const char* date : {"01月06日全場", "01月13日全場"})
      EXPECT_EQ(
          std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(ToCp932(date)); }),
          1)
          << word << " " << date;
  }
}

TEST_F(TempHome, NothingWrittenWithoutTheMarkerButTheStatisticsAreComputed) {
  auto day = TwoVenueDay(home_);
  day->Calcs[0].Tickets[1] = " 1- 2";
  day->Races[0].UmarenComb[1] = " 1- 3";
  EXPECT_TRUE(ComputeRecoveryStatistics(*day, kDayName).written.empty());
  EXPECT_TRUE(fs::is_empty(home_));
  EXPECT_EQ(day->GStats[StatIndex(StatCounter::QuinellaTickets, 0)], 1);
  EXPECT_EQ(day->GRateStr[RateIndex(BetType::Quinella, 0)], "   0.0%");
}

// A summary that cannot be read is left as it is rather than replaced by this day's lines alone, one that cannot
// be saved keeps its link; each is reported to the caller, naming the file, and the other bet types are saved.
TEST_F(TempHome, SummaryThatCannotBeReadOrSavedIsReportedAndTheOthersSaved) {
  Marker();
  auto day = TwoVenueDay(home_);
  const fs::path win = home_ / "2006年単勝.ksr", quinella = home_ / "2006年馬連.ksr";
  fs::create_symlink(home_ / "missing" / "win.ksr", win);
  fs::create_directory(quinella);
  auto result = ComputeRecoveryStatistics(*day, kDayName);
  ASSERT_EQ(result.errors.size(), 2u);
  for (const auto& [error, path] : {std::pair{result.errors[0], win}, std::pair{result.errors[1], quinella}}) {
    EXPECT_TRUE(error.starts_with(path.string() + ": ")) << error;
    EXPECT_GT(error.size(), path.string().size() + 2) << error;  // and says why
  }
  EXPECT_EQ(result.written, (std::vector<fs::path>{home_ / "2006年複勝.ksr", home_ / "2006年ﾜｲﾄﾞ.ksr"}));
  EXPECT_TRUE(fs::is_symlink(win));
  EXPECT_FALSE(fs::exists(home_ / "missing"));
  EXPECT_TRUE(fs::is_directory(quinella));
  EXPECT_TRUE(fs::is_empty(quinella));
}

TEST_F(TempHome, FourthVenueCountsOnlyInAll) {
  auto day = NewDay();
  day->AppDir = home_;
  const char* venues[] = {"01", "05", "06", "08"};
  for (int s = 0; s < 4; ++s) {
    AddRace(*day, s, 16, "2006", venues[s], 1);
    day->Calcs[s].Tickets[1] = " 1- 2";
    day->Races[s].UmarenComb[1] = " 1- 2";
  }
  ComputeStatistics(*day);
  for (int s = 0; s < kScopes; ++s)
    EXPECT_EQ(day->GStats[StatIndex(StatCounter::QuinellaTickets, s)], s == 0 ? 4 : 1) << s;
  EXPECT_EQ(At(VenueLabels(*day), {1, 3}), (Strs{ToCp932("札幌01回04日"), ToCp932("中山01回04日")}));
}

}  // namespace
}  // namespace corvina::analysis
