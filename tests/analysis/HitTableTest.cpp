// The hit table's plain rules: cell colours, race labels and result flags.
#include <gtest/gtest.h>

#include "analysis/HitTable.h"
#include "platform/Cp932.h"
#include "tests/analysis/EngineFixtures.h"

namespace corvina::analysis {
namespace {

using namespace corvina::test;
using Row = std::vector<std::string>;

Row QuinellaWideCells(std::initializer_list<const char*> tickets, const char* quinellaPay = "") {
  Row row(16);
  int c = 3;
  for (const char* t : tickets) row[static_cast<size_t>(c++)] = t;
  row[9] = quinellaPay;
  return row;
}

TEST(HitTableColours, QuinellaWideGrid) {
  RowHits wide2;  // ticket 2 hit the wide payout
  wide2.wideHit[2] = true;
  RowHits quin1;  // ticket 1 hit the quinella (and the wide)
  quin1.umarenHit[1] = quin1.wideHit[1] = true;
  struct Case {
    const char* what;
    Row row;
    RowHits hits;
    std::vector<BgrColor> cols3to11;  // columns 3..11
  };
  const BgrColor R = kClRed, F = kClFuchsia, Y = kClYellow, W = kClWhite, G = kClLightGrey, A = kClAqua;
  const Case cases[] = {
      {"wide hit of ticket 2", QuinellaWideCells({" 1- 2", " 1- 3"}), wide2, {W, F, G, G, G, G, A, Y, F}},
      {"quinella hit of ticket 1",
       QuinellaWideCells({" 1- 2", " 1- 3"}, "   1200"),
       quin1,
       {R, W, G, G, G, G, R, F, Y}},
      {"no tickets", QuinellaWideCells({}), RowHits{}, {G, G, G, G, G, G, G, G, G}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<BgrColor> got;
    for (int col = 3; col <= 11; ++col) got.push_back(QuinellaWideCellColor(col, c.row, c.hits));
    EXPECT_EQ(got, c.cols3to11);
    EXPECT_EQ(QuinellaWideCellColor(15, c.row, c.hits), kClLightGrey);  // ticket 6 never present here
    EXPECT_EQ((std::vector<BgrColor>{QuinellaWideCellColor(0, c.row, c.hits), QuinellaWideCellColor(1, c.row, c.hits)}),
              (std::vector<BgrColor>{kClWhite, kClInfoBk}));
  }
}

TEST(HitTableColours, OnlyTheSixthTicketStillMarksTheQuinellaPayoutCell) {
  const Row sixth = QuinellaWideCells({"", "", "", "", "", " 1- 7"});
  const RowHits none;
  EXPECT_EQ((std::vector<BgrColor>{QuinellaWideCellColor(8, sixth, none), QuinellaWideCellColor(9, sixth, none),
                                   QuinellaWideCellColor(15, sixth, none)}),
            (std::vector<BgrColor>{kClWhite, kClAqua, kClYellow}));
}

TEST(HitTableColours, WinPlaceGrid) {
  RowHits both, place, none;
  both.tanHit = both.fukuHit = true;
  place.fukuHit = true;
  struct Case {
    Row row;
    RowHits hits;
    std::vector<BgrColor> cols3to5;
  };
  const Case cases[] = {
      {{"", "", "", " 5", "    450", "    160"}, both, {kClRed, kClRed, kClFuchsia}},  // red wins over fuchsia
      {{"", "", "", " 5", "", "    160"}, place, {kClFuchsia, kClAqua, kClFuchsia}},
      {{"", "", "", " 5", "", ""}, none, {kClWhite, kClAqua, kClYellow}},
      {{"", "", "", "", "", ""}, none, {kClLightGrey, kClLightGrey, kClLightGrey}},
  };
  for (const Case& c : cases)
    EXPECT_EQ((std::vector<BgrColor>{WinPlaceCellColor(3, c.row, c.hits), WinPlaceCellColor(4, c.row, c.hits),
                                     WinPlaceCellColor(5, c.row, c.hits)}),
              c.cols3to5);
}

TEST(HitTableRules, RaceLabelAndResultFlags) {
  RaceInfo info;
  info.RaceKey = "2006010605030811";
  EXPECT_EQ(FromCp932(HitRaceLabel(info)), "東京  3回 8日11R");

  auto day = NewDay();
  AddRace(*day, 0, 16);
  AddRace(*day, 1, 8, "2006", "05", 2);
  day->Races[0].UmarenComb[1] = " 0- 0";  // an empty entry is no result
  day->Races[0].WideComb[1] = " 3- 4";
  day->Races[0].FukuHorse[1] = 3;
  day->Races[1].WakurenComb[1] = " 2- 5";  // a small race takes the bracket result
  const Row flags{QuinellaWideRow(*day, 0)[0], WinPlaceRow(*day, 0)[0], QuinellaWideRow(*day, 1)[0],
                  WinPlaceRow(*day, 1)[0]};
  EXPECT_EQ(flags, (Row{"-W", "-F", "U-", "--"}));
  EXPECT_EQ(day->Calcs[0].ResW + day->Calcs[1].ResU, 0) << "the rows write no flags into the model";
}

}  // namespace
}  // namespace corvina::analysis
