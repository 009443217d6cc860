// A generated day read back through the race-table code: every field the program reads sits where the readers
// look for it, for every record kind, and every entry of every payout block decodes to what was generated.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>

#include "platform/LineFile.h"
#include "platform/Text.h"
#include "racedata/DayFiles.h"
#include "racedata/KeibaFunc.h"
#include "racedata/RaceInfo.h"
#include "racedata/RaceRecords.h"
#include "racedata/Results.h"
#include "tools/jvgen/Generator.h"

namespace fs = std::filesystem;
using namespace corvina;
using namespace corvina::jvgen;
namespace L = corvina::layout;

namespace {

class JvgenReadBack : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = fs::temp_directory_path() /
            ("jvgen_rb_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(home_);
  }
  void TearDown() override { fs::remove_all(home_); }

  // Loads the written day the way the day load files it: slots from the race file, runners per racecourse,
  // payouts and quinella odds by match key, the two win snapshots by position, predicted odds by key.
  void Load(const Day& day) {
    model_.FAppDir = home_;
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

  fs::path home_;
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
  WriteDayFiles(day, home_);
  Load(day);
  ASSERT_EQ(total_, 36);
  for (const Race& race : day.races) {
    SCOPED_TRACE(race.VenueRaceKey());
    int s = SlotOf(race);
    ASSERT_GE(s, 0);
    const TRaceInfo& info = model_.FRaceInfo[s];
    const int n = static_cast<int>(race.runners.size());
    EXPECT_EQ(info.RaceKey, day.date.DateKey() + race.VenueRaceKey());
    EXPECT_EQ(info.RaceName, race.name);
    EXPECT_EQ(info.RaceNameShort, race.name3);
    EXPECT_EQ(FieldText(model_.Table.GRaTbl[s], L::ra::kRaceName6), race.name6);
    EXPECT_EQ(info.GradeCode, std::string(1, race.grade));
    EXPECT_EQ(info.WeightRule, std::string(1, race.weightRule));
    EXPECT_EQ(info.ClassCode, race.classCode);
    EXPECT_EQ(StrToIntLenient(info.Distance), race.distance);
    EXPECT_EQ(info.TrackCode, race.track);
    EXPECT_EQ(info.PostTime, race.PostTime());
    EXPECT_EQ(StrToIntLenient(info.EntryCount), n);
    for (const Runner& r : race.runners) {
      int h = r.umaban - 1;
      EXPECT_EQ(StrToIntLenient(info.UmaBan[h]), r.umaban);
      EXPECT_EQ(StrToIntLenient(info.WakuBan[h]), r.waku);
      EXPECT_EQ(info.KettoNum[h], r.kettoNum);
      EXPECT_EQ(info.HorseName[h], r.name.substr(0, 18));
      EXPECT_EQ(info.SexCode[h], std::string(1, r.sex));
      EXPECT_EQ(FieldInt(model_.Table.GSeTbl[s][h], L::se::kAge), r.age);
      EXPECT_EQ(StrToIntLenient(info.Futan[h]), r.futan);
      EXPECT_EQ(info.JockeyCode[h], r.jockeyCode);
      EXPECT_EQ(info.JockeyName[h], r.jockeyName);
      EXPECT_EQ(info.TrainerCode[h], r.trainerCode);
      EXPECT_EQ(info.TrainerName[h], r.trainerName);
      EXPECT_EQ(info.FinishPos[h], r.finish);
      EXPECT_EQ(info.Popularity[h], r.popularity);
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
  WriteDayFiles(day, home_);
  Load(day);
  std::array<int, 8> deepest{};
  for (const Race& race : day.races) {
    SCOPED_TRACE(race.VenueRaceKey());
    const TRaceInfo& info = model_.FRaceInfo[SlotOf(race)];
    const auto& p = race.pays;
    for (size_t b = 0; b < 8; ++b) deepest[b] = std::max(deepest[b], static_cast<int>(p[b].size()));
    for (size_t k = 1; k <= p[0].size(); ++k) {
      EXPECT_EQ(info.TanHorse[k], p[0][k - 1].comb[0]);
      EXPECT_EQ(info.TanPay[k], p[0][k - 1].pay);
      EXPECT_EQ(info.TanPop[k], p[0][k - 1].pop);
    }
    for (size_t k = 1; k <= p[1].size(); ++k) {
      EXPECT_EQ(info.FukuHorse[k], p[1][k - 1].comb[0]);
      EXPECT_EQ(info.FukuPay[k], p[1][k - 1].pay);
      EXPECT_EQ(info.FukuPop[k], p[1][k - 1].pop);
    }
    auto check = [&](const auto& comb, const auto& pay, const auto& pop, size_t block) {
      for (size_t k = 1; k <= p[block].size(); ++k) {
        EXPECT_EQ(comb[k], Label(p[block][k - 1])) << "block " << block << " entry " << k;
        EXPECT_EQ(pay[k], p[block][k - 1].pay) << "block " << block << " entry " << k;
        EXPECT_EQ(pop[k], p[block][k - 1].pop) << "block " << block << " entry " << k;
      }
      for (size_t k = p[block].size() + 1; k < pay.size(); ++k) EXPECT_EQ(pay[k], 0) << "unused entry is blank";
    };
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
  WriteDayFiles(day, home_);
  Load(day);
  EXPECT_EQ(total_, 8);
  for (const Race& race : day.races) {
    const TRaceInfo& info = model_.FRaceInfo[SlotOf(race)];
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
