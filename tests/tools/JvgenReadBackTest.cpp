// A generated day read back through the race-table code: every field the program reads sits where the readers
// look for it, for every record kind, and every entry of every payout block decodes to what was generated.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

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
    for (int h = n; h < L::kHorses; ++h) EXPECT_EQ(info.WinOdds2[h], 0) << "no horse, nothing read";
    EXPECT_EQ(info.OddsAnnounce2, race.PostTime());
    EXPECT_EQ(info.OddsAnnounce1, "0700");
    EXPECT_TRUE(info.YozMatched);
    // Quinella and bracket odds: each pair's field holds the odds the record was made from.
    const std::string& o2 = model_.Table.GO2Tbl[s];
    for (int i = 1; i <= n; ++i)
      for (int j = i + 1; j <= n; ++j) {
        int k = UmarenStrToIndex(CombLabel(i, j));
        EXPECT_EQ(FieldText(o2, L::o2::UmarenComb(k)), FormatZero(i, 2) + FormatZero(j, 2));
        EXPECT_GT(FieldInt(o2, L::o2::UmarenOdds(k)), 0);
      }
    const std::string& o1 = model_.Table.GO1Tbl2[s];
    for (int a = 1; a <= 8; ++a)
      for (int b = a; b <= 8; ++b) {
        int w = WakurenStrToIndex(CombLabel(a, b));
        std::string comb = FieldText(o1, L::o1::WakurenComb(w));
        if (!IsBlank(comb)) {
          EXPECT_EQ(comb, std::to_string(a) + std::to_string(b));
        }
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

TEST_F(JvgenReadBack, OddDaysStillReadWithoutShiftingRecords) {
  Options o = DeadHeatDay();
  o.venues = 1;
  o.races = 8;
  o.oddLines = true;
  o.lfOnly = true;
  o.scratches = true;
  Day day = MakeDay(o);
  Load(day);
  EXPECT_EQ(total_, 8);
  for (const Race& race : day.races) {
    const RaceInfo& info = model_.Races[SlotOf(race)];
    EXPECT_EQ(info.PostTime, race.PostTime());
    for (const Runner& r : race.runners) {
      EXPECT_EQ(info.HorseName[r.umaban - 1], r.name.substr(0, 18));
      if (r.scratch) {
        EXPECT_EQ(info.WinOdds2[r.umaban - 1], -1) << "withdrawn horses read as no odds";
      }
    }
  }
}

}  // namespace
