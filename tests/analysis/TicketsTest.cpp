// Marks, the decision table, the erased-axis and pre-sale rules, and the mark "E".
#include <gtest/gtest.h>

#include <vector>

#include "EngineFixtures.h"
#include "analysis/Tickets.h"
#include "platform/Cp932.h"

namespace corvina::analysis {
namespace {

using namespace corvina::test;

struct Horse {
  int no;
  double p, first, latest;  // predicted, first and latest win odds
};

// One race in slot 0 with a matched prediction and the given horses (others have no values at all).
std::unique_ptr<DayModel> Race(const std::vector<Horse>& horses, bool latest = true, const std::string& venue = "05") {
  auto day = NewDay();
  AddRace(*day, 0, 16, "2006", venue);
  RaceInfo& info = day->Races[0];
  info.YozMatched = 1;
  info.Odds1Present = 1;
  info.Odds2Present = latest ? 1 : 0;
  for (const Horse& h : horses) {
    info.PredWinOdds[h.no - 1] = h.p;
    info.WinOdds1[h.no - 1] = h.first;
    info.WinOdds2[h.no - 1] = h.latest;
  }
  return day;
}

// The race's first six tickets after the engine ran on it.
Strs Tickets(DayModel& day, bool localOption = false) {
  PredictDay(day, localOption);
  const auto& t = day.Calcs[0].Tickets;
  return {t.begin() + 1, t.begin() + 7};
}
const Strs kNoTickets(6);

TEST(Notes, AreTheSystemsOwnTexts) {
  EXPECT_EQ((Strs{FromCp932(NoteSkip()), FromCp932(NoteSkipAsRule()), FromCp932(NoteErasedAxis()),
                  FromCp932(NotePreSaleOdds())}),
            (Strs{"見送り", "原則見送り", "消された軸馬", "前売りオッズ"}));
}

TEST(Marks, BordersOfTheABRules) {
  auto day = Race({{1, 12.0, 12.0, 12.0},
                   {2, 15.0, 15.0, 15.0},
                   {3, 99.9, 50.0, 50.0},
                   {4, 100.0, 19.9, 19.9},
                   {5, 100.0, 20.0, 20.0}});
  PredictDay(*day, false);
  EXPECT_EQ(At(day->Calcs[0].MarkAB2, {0, 1, 2, 3, 4}), (Strs{"A", "", "A", "B", ""}));
  EXPECT_EQ(At(day->Calcs[0].MarkAB1, {0, 1, 2, 3, 4}), (Strs{"A", "", "A", "B", ""}));  // same rules
}

TEST(Marks, LocalOptionTakesTheStrictCTestByVenueAndSnapshot) {
  // P 3.0 at odds 10.0: the usual test marks it "C" (3 x 3.0 = 9 < 10), the strict one does not (4 x 3.0 = 12).
  auto away = Race({{1, 3.0, 10.0, 10.0}}, true, "05");
  PredictDay(*away, true);
  EXPECT_EQ(away->Calcs[0].MarkC2[0], "C");
  EXPECT_EQ(away->Calcs[0].MarkC1[0], "");

  auto local = Race({{1, 3.0, 10.0, 10.0}, {2, 3.0, 12.1, 12.1}, {3, 3.0, 12.0, 12.0}}, true, "01");
  PredictDay(*local, true);
  EXPECT_EQ(At(local->Calcs[0].MarkC2, {0, 1, 2}), (Strs{"", "C", ""}));
  EXPECT_EQ(At(local->Calcs[0].MarkC1, {0, 1, 2}), (Strs{"", "C", ""}));

  // Option off: venue "01" takes the usual tests for both snapshots (the second: 3.5 x 15 = 52.5 < 55, P < 20).
  auto off = Race({{1, 3.0, 10.0, 10.0}, {2, 15.0, 55.0, 55.0}}, true, "01");
  PredictDay(*off, false);
  EXPECT_EQ(At(off->Calcs[0].MarkC2, {0, 1}), (Strs{"C", "C"}));
  EXPECT_EQ(off->Calcs[0].MarkC1[0], "C");
}

TEST(Marks, NoOddsOrNoPredictionGivesNoMark) {
  // -1 / -2 are codes for "no value": a blank prediction never reads as very short odds.
  auto day = Race({{1, -1.0, 30.0, 30.0}, {2, 5.0, -1.0, -2.0}, {3, 5.0, 0.0, 0.0}}, true, "01");
  PredictDay(*day, true);
  const RaceCalc& c = day->Calcs[0];
  for (int h = 0; h < 3; ++h) EXPECT_EQ(c.MarkC1[h] + c.MarkC2[h] + c.MarkAB1[h] + c.MarkAB2[h], "") << h;
  EXPECT_EQ(c.CountC, 0);
}

std::vector<Horse> FiveA(double fifthP) {
  return {{2, 2.0, 1.5, 1.5}, {4, 3.0, 2.5, 2.5}, {6, 4.0, 3.5, 3.5}, {8, 5.0, 4.5, 4.5}, {10, fifthP, 30.0, 30.0}};
}
std::vector<Horse> operator+(std::vector<Horse> a, const std::vector<Horse>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Each row of the decision table and the later rules that replace it: the first six tickets and the note.
TEST(DecisionTable, TicketsAndNoteOfEveryRow) {
  const std::string skip = NoteSkip(), asRule = NoteSkipAsRule(), erased = NoteErasedAxis();
  const Horse bHorse12{12, 150.0, 15.0, 15.0}, aHorse13{13, 6.0, 5.5, 5.5}, aHorse14{14, 7.0, 6.5, 6.5};
  const Strs box5 = {" 2- 4", " 2- 6", " 2- 8", " 4- 6", " 4- 8", " 6- 8"}, only12 = {" 1- 2", "", "", "", "", ""};
  struct Case {
    const char* what;
    std::vector<Horse> horses;
    Strs tickets;
    std::string note;
    int axis = 0;
  };
  const Case cases[] = {
      {"one A below odds 1.5 is the axis, without tickets", {{7, 1.9, 1.4, 1.4}}, kNoTickets, "", 7},
      {"horse 1 as well", {{1, 1.9, 1.4, 1.4}}, kNoTickets, "", 1},
      {"at odds 1.5, or without a prediction, nobody qualifies",
       {{7, 1.9, 1.5, 1.5}, {9, -1.0, 1.2, 1.2}},
       kNoTickets,
       skip},
      {"two A, second at 2.5", {{1, 2.0, 1.5, 1.5}, {2, 2.9, 2.5, 2.5}}, kNoTickets, skip},
      {"two A, second at 2.4", {{1, 2.0, 1.5, 1.5}, {2, 2.9, 2.4, 2.4}}, only12, ""},
      {"three A, only r3's P 3.6 fails",
       {{1, 2.0, 1.8, 1.8}, {2, 2.9, 2.2, 2.2}, {3, 3.6, 2.9, 2.9}},
       {" 1- 2", " 1- 3", " 2- 3", "", "", ""},
       asRule},
      // Equal predictions fall to the current odds, then to the horse number; the first snapshot plays no part.
      {"four A box in rank order",
       {{9, 2.0, 1.0, 1.5}, {3, 2.0, 1.0, 1.8}, {5, 2.0, 9.0, 1.8}, {1, 4.0, 1.0, 1.2}},
       {" 3- 9", " 5- 9", " 1- 9", " 3- 5", " 1- 3", " 1- 5"},
       ""},
      {"five A, fifth above 40", FiveA(40.1), box5, ""},
      {"five A, fifth at 40", FiveA(40.0), box5, asRule},
      {"five A and a single B",
       FiveA(40.1) + std::vector{bHorse12},
       {" 2-12", " 4-12", " 6-12", " 8-12", "10-12", ""},
       skip},
      {"six A and a single B: all six ranks",
       FiveA(40.1) + std::vector{bHorse12, aHorse13},
       {" 2-12", " 4-12", " 6-12", " 8-12", "12-13", "10-12"},
       skip},
      {"seven A and a single B: no row", FiveA(40.1) + std::vector{bHorse12, aHorse13, aHorse14}, kNoTickets, ""},
      {"no A and a single C", {{3, 8.0, 30.0, 30.0}}, kNoTickets, skip},
      // Horse 15 was "A" at the first snapshot (10 > 8) and lost it at the latest (10 < 12).
      {"erased axis",
       {{1, 2.0, 1.5, 1.5}, {2, 2.5, 2.0, 2.0}, {15, 10.0, 8.0, 12.0}},
       {" 1-15", " 2-15", "", "", "", ""},
       erased},
      {"six A and one lost A: the lost horse against all six ranks",
       FiveA(40.1) + std::vector<Horse>{aHorse13, {15, 10.0, 8.0, 12.0}},
       {" 2-15", " 4-15", " 6-15", " 8-15", "13-15", "10-15"},
       erased},
      {"seven A and one lost A: the box of the decision table stays",
       FiveA(40.1) + std::vector<Horse>{aHorse13, aHorse14, {15, 10.0, 8.0, 12.0}}, box5, asRule},
      {"a lost A above 20 does not count",
       {{1, 2.0, 1.5, 1.5}, {2, 2.5, 2.0, 2.0}, {15, 20.5, 20.0, 25.0}},
       only12,
       ""},
      {"two lost A erase nothing",
       {{1, 2.0, 1.5, 1.5}, {2, 2.5, 2.0, 2.0}, {14, 10.0, 8.0, 12.0}, {15, 10.0, 8.0, 12.0}},
       only12,
       ""},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    auto day = Race(k.horses);
    EXPECT_EQ(Tickets(*day), k.tickets);
    EXPECT_EQ(day->Calcs[0].Note, k.note);
    EXPECT_EQ(day->Calcs[0].AxisHorse, k.axis);
  }
  EXPECT_EQ(TicketLabel(12, 3), " 3-12");
}

TEST(DecisionTable, WorkedExampleCountsAndRanks) {
  // Three "A", one "B", one "C"; r2 fails P < 3.0 and the race still plays.
  auto day =
      Race({{1, 2.0, 1.8, 1.8}, {2, 3.0, 2.2, 2.2}, {3, 3.6, 3.0, 3.0}, {4, 8.0, 30.0, 30.0}, {5, 150.0, 15.0, 15.0}});
  EXPECT_EQ(Tickets(*day), (Strs{" 1- 2", " 1- 3", " 2- 3", "", "", ""}));
  const RaceCalc& c = day->Calcs[0];
  EXPECT_EQ((Ints{c.CountA, c.CountB, c.CountC}), (Ints{3, 1, 1}));
  EXPECT_EQ(At(c.ARank, {0, 1, 2}), (Ints{1, 2, 3}));
  EXPECT_EQ(c.Note, NoteSkipAsRule());

  auto four = Race({{9, 2.0, 1.0, 1.5}, {3, 2.0, 1.0, 1.8}, {5, 2.0, 9.0, 1.8}, {1, 4.0, 1.0, 1.2}});
  PredictDay(*four, false);
  EXPECT_EQ(At(four->Calcs[0].ARank, {8, 2, 4, 0}), (Ints{1, 2, 3, 4}));
  auto seven =
      Race(FiveA(40.1) + std::vector<Horse>{{12, 150.0, 15.0, 15.0}, {13, 6.0, 5.5, 5.5}, {14, 7.0, 6.5, 6.5}});
  PredictDay(*seven, false);
  EXPECT_EQ(seven->Calcs[0].CountA, 7);
  auto lost = Race({{1, 2.0, 1.5, 1.5}, {2, 2.5, 2.0, 2.0}, {14, 10.0, 8.0, 12.0}, {15, 10.0, 8.0, 12.0}});
  PredictDay(*lost, false);
  EXPECT_EQ(At(lost->Calcs[0].ModeOneA, {13, 14}), (Ints{1, 1}));
}

TEST(LaterRules, PreSaleOddsBoxOfTheMovedHorses) {
  auto day = Race({{1, 2.0, 2.0, 6.0},
                   {2, 3.0, 3.0, 1.5},
                   {3, 5.0, 5.0, 5.0},
                   {4, 10.0, 30.0, 30.0},
                   {6, 30.0, -1.0, -1.0},
                   {7, 4.0, 3.0, 2.0},
                   {8, 6.0, 5.0, 4.0}});
  RaceInfo& info = day->Races[0];
  info.YozSourceM = 1;
  RaceCalc& c = day->Calcs[0];
  c.RankPred[0] = 1, c.RankPred[1] = 2, c.RankPred[2] = 4, c.RankPred[3] = 6, c.RankPred[5] = 7;
  c.RankPred[6] = 3, c.RankPred[7] = 5;
  // Candidates 1, 2, 4 (a scratched horse is no candidate): k1-k2, k1-k3, -, k2-k3.
  EXPECT_EQ(Tickets(*day), (Strs{" 1- 2", " 1- 4", "", " 2- 4", "", ""}));
  EXPECT_EQ(c.Note, NotePreSaleOdds());  // replaces the erased-axis tickets of horse 1

  // Five candidates replace nothing.
  auto many =
      Race({{1, 2.0, 2.0, 6.0}, {2, 3.0, 3.0, 1.5}, {3, 10.0, 30.0, 30.0}, {4, 9.0, 30.0, 30.0}, {5, 8.0, 30.0, 30.0}});
  many->Races[0].YozSourceM = 1;
  PredictDay(*many, false);
  EXPECT_NE(many->Calcs[0].Note, NotePreSaleOdds());
}

TEST(LaterRules, MarkEAndSkippedRaces) {
  auto day = Race({{1, 2.0, 1.5, 1.5}, {2, 2.5, 2.0, 2.0}});
  day->Calcs[0].MarkX[0] = "X";
  day->Calcs[0].MarkX[3] = "X";
  PredictDay(*day, false);
  EXPECT_EQ(At(day->Calcs[0].MarkE, {0, 1, 3}), (Strs{"E", "", ""}));

  auto noYoz = Race({{1, 2.0, 1.5, 1.5}});
  noYoz->Races[0].YozMatched = 0;
  PredictDay(*noYoz, false);
  EXPECT_EQ(noYoz->Calcs[0].MarkAB1[0], "");
  auto noOdds = Race({{1, 2.0, 1.5, 1.5}});
  noOdds->Races[0].Odds1Present = 0;
  PredictDay(*noOdds, false);
  EXPECT_EQ(noOdds->Calcs[0].CountA, 0);
}

TEST(LaterRules, FirstSnapshotOnlyWhenLatestMissing) {
  auto day = Race({{1, 2.0, 1.5, 9.9}, {2, 2.5, 2.0, 9.9}}, false);
  EXPECT_EQ(Tickets(*day), (Strs{" 1- 2", "", "", "", "", ""}));
  const RaceCalc& c = day->Calcs[0];
  EXPECT_EQ(c.MarkAB2[0], "");
  EXPECT_EQ(c.CountA, 2);
  EXPECT_EQ(c.ModeOneA[0], 0);
}

}  // namespace
}  // namespace corvina::analysis
