// Marks, the decision table, the erased-axis and pre-sale rules, and the mark "E".
#include <gtest/gtest.h>

#include <vector>

#include "analysis/Tickets.h"
#include "platform/Cp932.h"
#include "EngineFixtures.h"

namespace corvina::analysis {
namespace {

using corvina::testing::AddRace;
using corvina::testing::NewDay;

struct Horse {
  int no;
  double p, w1, w2;
};

// One race in slot 0 with a matched prediction and the given horses (others have no values at all).
std::unique_ptr<DayModel> Race(const std::vector<Horse>& horses, bool latest = true, const std::string& venue = "05") {
  auto day = NewDay();
  AddRace(*day, 0, 16, "2006", venue);
  TRaceInfo& info = day->FRaceInfo[0];
  info.YozMatched = 1;
  info.Odds1Present = 1;
  info.Odds2Present = latest ? 1 : 0;
  for (const Horse& h : horses) {
    info.PredWinOdds[h.no - 1] = h.p;
    info.WinOdds1[h.no - 1] = h.w1;
    info.WinOdds2[h.no - 1] = h.w2;
  }
  return day;
}

std::vector<std::string> Tickets(const TRaceCalc& c) { return {c.Tickets.begin() + 1, c.Tickets.begin() + 7}; }

TEST(Notes, TextsAndTheirShiftJisWidths) {
  // The notes are stored in a 12-byte field and shown as they stand.
  EXPECT_EQ(FromCp932(NoteSkip()), "見送り");
  EXPECT_EQ(FromCp932(NoteSkipAsRule()), "原則見送り");
  EXPECT_EQ(FromCp932(NoteErasedAxis()), "消された軸馬");
  EXPECT_EQ(FromCp932(NotePreSaleOdds()), "前売りオッズ");
  EXPECT_EQ(NoteSkip().size(), 6u);
  EXPECT_EQ(NoteSkipAsRule().size(), 10u);
  EXPECT_EQ(NoteErasedAxis().size(), 12u);
  EXPECT_EQ(NotePreSaleOdds().size(), 12u);
}

TEST(Marks, BordersOfTheABRules) {
  auto day = Race({{1, 12.0, 12.0, 12.0}, {2, 15.0, 15.0, 15.0}, {3, 99.9, 50.0, 50.0}, {4, 100.0, 19.9, 19.9},
                   {5, 100.0, 20.0, 20.0}});
  YosoBtnClick(*day, false);
  const TRaceCalc& c = day->FRaceCalc[0];
  EXPECT_EQ(c.MarkAB1[0], "A");
  EXPECT_EQ(c.MarkAB1[1], "");
  EXPECT_EQ(c.MarkAB1[2], "A");
  EXPECT_EQ(c.MarkAB1[3], "B");
  EXPECT_EQ(c.MarkAB1[4], "");
  EXPECT_EQ(c.MarkAB0[3], "B");  // the first snapshot runs the same rules
}

TEST(Marks, LocalOptionTakesRuleFourByVenueAndSnapshot) {
  // P 3.0 at odds 10.0: rule 5 marks it (9 < 10), rule 4 does not (12 < 10 fails).
  auto away = Race({{1, 3.0, 10.0, 10.0}}, true, "05");
  YosoBtnClick(*away, true);
  EXPECT_EQ(away->FRaceCalc[0].MarkC1[0], "C");
  EXPECT_EQ(away->FRaceCalc[0].MarkC0[0], "");

  auto local = Race({{1, 3.0, 10.0, 10.0}, {2, 3.0, 12.1, 12.1}, {3, 3.0, 12.0, 12.0}}, true, "01");
  YosoBtnClick(*local, true);
  const TRaceCalc& c = local->FRaceCalc[0];
  EXPECT_EQ(c.MarkC1[0], "");
  EXPECT_EQ(c.MarkC0[0], "");
  EXPECT_EQ(c.MarkC1[1], "C");
  EXPECT_EQ(c.MarkC0[1], "C");
  EXPECT_EQ(c.MarkC1[2], "");
  EXPECT_EQ(c.MarkC0[2], "");

  // Option off: venue "01" uses rules 5 and 6 for both snapshots (rule 6: 3.5 x 15 = 52.5 < 55).
  auto off = Race({{1, 3.0, 10.0, 10.0}, {2, 15.0, 55.0, 55.0}}, true, "01");
  YosoBtnClick(*off, false);
  EXPECT_EQ(off->FRaceCalc[0].MarkC1[0], "C");
  EXPECT_EQ(off->FRaceCalc[0].MarkC0[0], "C");
  EXPECT_EQ(off->FRaceCalc[0].MarkC1[1], "C");
}

TEST(Marks, NoOddsOrNoPredictionGivesNoMark) {
  // -1 / -2 are codes for "no value": a blank prediction never reads as very short odds.
  auto day = Race({{1, -1.0, 30.0, 30.0}, {2, 5.0, -1.0, -2.0}, {3, 5.0, 0.0, 0.0}}, true, "01");
  YosoBtnClick(*day, true);
  const TRaceCalc& c = day->FRaceCalc[0];
  for (int h = 0; h < 3; ++h) {
    EXPECT_EQ(c.MarkC0[h] + c.MarkC1[h] + c.MarkAB0[h] + c.MarkAB1[h], "") << h;
  }
  EXPECT_EQ(c.CountC, 0);
}

TEST(DecisionTable, OneAHorseGivesTheAxis) {
  auto day = Race({{7, 1.9, 1.4, 1.4}});
  YosoBtnClick(*day, false);
  EXPECT_EQ(day->FRaceCalc[0].CountA, 1);
  EXPECT_EQ(day->FRaceCalc[0].AxisHorse, 7);
  EXPECT_EQ(day->FRaceCalc[0].Note, "");
  EXPECT_EQ(Tickets(day->FRaceCalc[0]), std::vector<std::string>(6));

  // At odds 1.5 nobody qualifies; a horse without a prediction never does either.
  auto skip = Race({{7, 1.9, 1.5, 1.5}, {9, -1.0, 1.2, 1.2}});
  YosoBtnClick(*skip, false);
  EXPECT_EQ(skip->FRaceCalc[0].AxisHorse, 0);
  EXPECT_EQ(skip->FRaceCalc[0].Note, NoteSkip());
}

TEST(DecisionTable, TwoAHorses) {
  auto fail = Race({{1, 2.0, 1.5, 1.5}, {2, 2.9, 2.5, 2.5}});
  YosoBtnClick(*fail, false);
  EXPECT_EQ(fail->FRaceCalc[0].Note, NoteSkip());
  EXPECT_EQ(fail->FRaceCalc[0].Tickets[1], "");

  auto pass = Race({{1, 2.0, 1.5, 1.5}, {2, 2.9, 2.4, 2.4}});
  YosoBtnClick(*pass, false);
  EXPECT_EQ(pass->FRaceCalc[0].Note, "");
  EXPECT_EQ(pass->FRaceCalc[0].Tickets[1], " 1- 2");
}

TEST(DecisionTable, ThreeAHorsesWithFailedTestStillPlay) {
  // The worked example: three "A", one "B", one "C"; r2 fails P < 3.0.
  auto day = Race({{1, 2.0, 1.8, 1.8}, {2, 3.0, 2.2, 2.2}, {3, 3.6, 3.0, 3.0}, {4, 8.0, 30.0, 30.0},
                   {5, 150.0, 15.0, 15.0}});
  YosoBtnClick(*day, false);
  const TRaceCalc& c = day->FRaceCalc[0];
  EXPECT_EQ(c.CountA, 3);
  EXPECT_EQ(c.CountB, 1);
  EXPECT_EQ(c.CountC, 1);
  EXPECT_EQ((std::array<int, 3>{c.ARank[0], c.ARank[1], c.ARank[2]}), (std::array<int, 3>{1, 2, 3}));
  EXPECT_EQ(c.Note, NoteSkipAsRule());
  EXPECT_EQ(Tickets(c), (std::vector<std::string>{" 1- 2", " 1- 3", " 2- 3", "", "", ""}));

  // Only r3's P = 3.6 fails.
  auto r3 = Race({{1, 2.0, 1.8, 1.8}, {2, 2.9, 2.2, 2.2}, {3, 3.6, 2.9, 2.9}});
  YosoBtnClick(*r3, false);
  EXPECT_EQ(r3->FRaceCalc[0].Note, NoteSkipAsRule());
  EXPECT_EQ(r3->FRaceCalc[0].Tickets[3], " 2- 3");
}

TEST(DecisionTable, FourAHorsesBoxInRankOrderAndRankTies) {
  // Equal predictions fall to the current odds, then to the horse number; the first snapshot plays no part.
  auto day = Race({{9, 2.0, 1.0, 1.5}, {3, 2.0, 1.0, 1.8}, {5, 2.0, 9.0, 1.8}, {1, 4.0, 1.0, 1.2}});
  YosoBtnClick(*day, false);
  const TRaceCalc& c = day->FRaceCalc[0];
  EXPECT_EQ(c.CountA, 4);
  EXPECT_EQ((std::array<int, 4>{c.ARank[8], c.ARank[2], c.ARank[4], c.ARank[0]}), (std::array<int, 4>{1, 2, 3, 4}));
  EXPECT_EQ(c.Note, "");
  EXPECT_EQ(Tickets(c), (std::vector<std::string>{" 3- 9", " 5- 9", " 1- 9", " 3- 5", " 1- 3", " 1- 5"}));
}

TEST(LaterRules, TwoLostAHorsesEraseNothing) {
  auto day = Race({{1, 2.0, 1.5, 1.5}, {2, 2.5, 2.0, 2.0}, {14, 10.0, 8.0, 12.0}, {15, 10.0, 8.0, 12.0}});
  YosoBtnClick(*day, false);
  const TRaceCalc& c = day->FRaceCalc[0];
  EXPECT_EQ(c.ModeOneA[13] + c.ModeOneA[14], 2);
  EXPECT_EQ(c.Note, "");
  EXPECT_EQ(Tickets(c), (std::vector<std::string>{" 1- 2", "", "", "", "", ""}));
}

std::vector<Horse> FiveA(double fifthP) {
  return {{2, 2.0, 1.5, 1.5}, {4, 3.0, 2.5, 2.5}, {6, 4.0, 3.5, 3.5}, {8, 5.0, 4.5, 4.5}, {10, fifthP, 30.0, 30.0}};
}

TEST(DecisionTable, FiveAHorsesNoteByTheFifth) {
  auto day = Race(FiveA(40.1));
  YosoBtnClick(*day, false);
  EXPECT_EQ(day->FRaceCalc[0].Note, "");
  EXPECT_EQ(Tickets(day->FRaceCalc[0]), (std::vector<std::string>{" 2- 4", " 2- 6", " 2- 8", " 4- 6", " 4- 8", " 6- 8"}));

  auto border = Race(FiveA(40.0));
  YosoBtnClick(*border, false);
  EXPECT_EQ(border->FRaceCalc[0].Note, NoteSkipAsRule());
  EXPECT_EQ(border->FRaceCalc[0].Tickets[6], " 6- 8");
}

TEST(DecisionTable, SingleBHorseAgainstTheRankedA) {
  auto horses = FiveA(40.1);
  horses.push_back({12, 150.0, 15.0, 15.0});  // "B"
  auto day = Race(horses);
  YosoBtnClick(*day, false);
  EXPECT_EQ(day->FRaceCalc[0].Note, NoteSkip());
  EXPECT_EQ(Tickets(day->FRaceCalc[0]), (std::vector<std::string>{" 2-12", " 4-12", " 6-12", " 8-12", "10-12", ""}));

  // Six "A" with one "B": all six ranks against the "B" horse.
  horses.push_back({13, 6.0, 5.5, 5.5});
  auto six = Race(horses);
  YosoBtnClick(*six, false);
  EXPECT_EQ(Tickets(six->FRaceCalc[0]), (std::vector<std::string>{" 2-12", " 4-12", " 6-12", " 8-12", "12-13", "10-12"}));
  horses.pop_back();

  // Seven "A" with one "B": no row applies.
  horses.push_back({13, 6.0, 5.5, 5.5});
  horses.push_back({14, 7.0, 6.5, 6.5});
  auto seven = Race(horses);
  YosoBtnClick(*seven, false);
  EXPECT_EQ(seven->FRaceCalc[0].CountA, 7);
  EXPECT_EQ(seven->FRaceCalc[0].Note, "");
  EXPECT_EQ(Tickets(seven->FRaceCalc[0]), std::vector<std::string>(6));

  // No "A" and a single "C": the note without tickets.
  auto onlyC = Race({{3, 8.0, 30.0, 30.0}});
  YosoBtnClick(*onlyC, false);
  EXPECT_EQ(onlyC->FRaceCalc[0].Note, NoteSkip());
  EXPECT_EQ(onlyC->FRaceCalc[0].Tickets[1], "");
}

TEST(LaterRules, ErasedAxisReplacesTheTable) {
  // Horse 15 was "A" at the first snapshot (10 > 8) and lost it at the latest (10 < 12).
  auto day = Race({{1, 2.0, 1.5, 1.5}, {2, 2.5, 2.0, 2.0}, {15, 10.0, 8.0, 12.0}});
  YosoBtnClick(*day, false);
  const TRaceCalc& c = day->FRaceCalc[0];
  EXPECT_EQ(c.ModeOneA[14], 1);
  EXPECT_EQ(c.Note, NoteErasedAxis());
  EXPECT_EQ(Tickets(c), (std::vector<std::string>{" 1-15", " 2-15", "", "", "", ""}));
  EXPECT_EQ(TicketLabel(12, 3), " 3-12");

  // Above 20 the lost "A" does not count.
  auto far = Race({{1, 2.0, 1.5, 1.5}, {2, 2.5, 2.0, 2.0}, {15, 20.5, 20.0, 25.0}});
  YosoBtnClick(*far, false);
  EXPECT_EQ(far->FRaceCalc[0].Tickets[1], " 1- 2");
}

TEST(LaterRules, PreSaleOddsBoxOfTheMovedHorses) {
  auto day = Race({{1, 2.0, 2.0, 6.0}, {2, 3.0, 3.0, 1.5}, {3, 5.0, 5.0, 5.0}, {4, 10.0, 30.0, 30.0},
                   {6, 30.0, -1.0, -1.0}, {7, 4.0, 3.0, 2.0}, {8, 6.0, 5.0, 4.0}});
  TRaceInfo& info = day->FRaceInfo[0];
  info.YozSourceM = 1;
  TRaceCalc& c = day->FRaceCalc[0];
  c.RankPred[0] = 1, c.RankPred[1] = 2, c.RankPred[2] = 4, c.RankPred[3] = 6, c.RankPred[5] = 7;
  c.RankPred[6] = 3, c.RankPred[7] = 5;
  YosoBtnClick(*day, false);
  EXPECT_EQ(c.Note, NotePreSaleOdds());  // replaces the erased-axis tickets of horse 1
  // Candidates 1, 2, 4 (a scratched horse is no candidate): k1-k2, k1-k3, -, k2-k3.
  EXPECT_EQ(Tickets(c), (std::vector<std::string>{" 1- 2", " 1- 4", "", " 2- 4", "", ""}));

  // Five candidates replace nothing.
  auto many = Race({{1, 2.0, 2.0, 6.0}, {2, 3.0, 3.0, 1.5}, {3, 10.0, 30.0, 30.0}, {4, 9.0, 30.0, 30.0},
                    {5, 8.0, 30.0, 30.0}});
  many->FRaceInfo[0].YozSourceM = 1;
  YosoBtnClick(*many, false);
  EXPECT_NE(many->FRaceCalc[0].Note, NotePreSaleOdds());
}

TEST(LaterRules, MarkEAndSkippedRaces) {
  auto day = Race({{1, 2.0, 1.5, 1.5}, {2, 2.5, 2.0, 2.0}});
  day->FRaceCalc[0].MarkX[0] = "X";
  day->FRaceCalc[0].MarkX[3] = "X";
  YosoBtnClick(*day, false);
  EXPECT_EQ(day->FRaceCalc[0].MarkE[0], "E");
  EXPECT_EQ(day->FRaceCalc[0].MarkE[1], "");
  EXPECT_EQ(day->FRaceCalc[0].MarkE[3], "");

  auto noYoz = Race({{1, 2.0, 1.5, 1.5}});
  noYoz->FRaceInfo[0].YozMatched = 0;
  YosoBtnClick(*noYoz, false);
  EXPECT_EQ(noYoz->FRaceCalc[0].MarkAB0[0], "");
  auto noOdds = Race({{1, 2.0, 1.5, 1.5}});
  noOdds->FRaceInfo[0].Odds1Present = 0;
  YosoBtnClick(*noOdds, false);
  EXPECT_EQ(noOdds->FRaceCalc[0].CountA, 0);
}

TEST(LaterRules, FirstSnapshotOnlyWhenLatestMissing) {
  auto day = Race({{1, 2.0, 1.5, 9.9}, {2, 2.5, 2.0, 9.9}}, false);
  YosoBtnClick(*day, false);
  const TRaceCalc& c = day->FRaceCalc[0];
  EXPECT_EQ(c.MarkAB1[0], "");
  EXPECT_EQ(c.CountA, 2);
  EXPECT_EQ(c.ModeOneA[0], 0);
  EXPECT_EQ(c.Tickets[1], " 1- 2");
}

}  // namespace
}  // namespace corvina::analysis
