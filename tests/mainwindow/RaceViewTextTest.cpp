// The texts and colours of the race view, from hand-made records.
#include <gtest/gtest.h>

#include "mainwindow/RaceViewText.h"
#include "platform/Cp932.h"
#include "racedata/RacingTexts.h"

using namespace corvina;
using namespace corvina::view;

namespace {
std::string U(const std::string& cp932) { return FromCp932(cp932); }
}  // namespace

TEST(RaceHeaderTextTest, ClassTrackAndGradeCodes) {
  // Texts of the header codes; a blank or unknown code shows nothing.
  // clang-format off
  const std::pair<std::string, std::string> texts[] = {
      {ClassText("016"), "1600万円下"}, {ClassText("005"), " 500万円下"}, {ClassText("100"), "1億円下   "},
      {ClassText("000"), "　　　　　"}, {ClassText("701"), "新馬　　　"}, {ClassText("702"), "未出走　　"},
      {ClassText("703"), "未勝利　　"}, {ClassText("999"), "ｵｰﾌﾟﾝ　　 "}, {ClassText("   "), ""},
      {TrackText("26"), ""}, {TrackText("  "), ""}, {TrackText("11"), "芝左"}, {TrackText("22"), "芝右"},
      {TrackText("59"), "障害"}, {TrackText("29"), "ﾀﾞ直"}, {GradeText("A"), "G1   "}, {GradeText("B"), "G2   "}, {GradeText("C"), "G3   "}, {GradeText("D"), "重賞 "},
      {GradeText("E"), "特別競走 "}, {GradeText("F"), "JG1  "}, {GradeText("G"), "JG2  "}, {GradeText("H"), "JG3  "},
      {GradeText("I"), ""}, {GradeText(" "), ""}, {DistanceText("0000"), ""},
      {DistanceText("1200"), "1200m"}, {PostTimeText("0945"), "09時45分発走"}, {PostTimeText("    "), ""},
      {WeightRuleText("1"), "ハンデ"}, {WeightRuleText("2"), "別定　"}, {WeightRuleText("3"), "馬齢　"},
      {WeightRuleText("4"), "定量　"}, {WeightRuleText("5"), ""}, {WeightRuleText(" "), ""}};
  // clang-format on
  for (size_t i = 0; i < std::size(texts); ++i) EXPECT_EQ(U(texts[i].first), texts[i].second) << "row " << i;
}

TEST(RaceHeaderTextTest, DateLineAndCounts) {
  RaceInfo info;
  info.RaceKey = "2024010606010305";  // Nakayama, kai 01, nichi 03, race 05
  EXPECT_EQ(U(DateHeaderText(info)), "2024年 1月 6日中山 1回 3日");
  EXPECT_EQ(RaceNumberOf(info), 5);
  auto none = EntryCountText(12, 0);
  EXPECT_EQ(U(none.text), "12頭");
  EXPECT_EQ(none.colour, kGreen);
  auto all = EntryCountText(12, 12);
  EXPECT_EQ(U(all.text), "12頭：出走12頭");
  EXPECT_EQ(all.colour, kBlue);
  EXPECT_EQ(EntryCountText(0, 0).colour, kBlue);
  EXPECT_EQ(AnnounceText("    ").text, "---");
  EXPECT_EQ(AnnounceText("    ").colour, kGrey);
  EXPECT_EQ(AnnounceText("0930").text, "09:30");
  // The predicted odds column names where its odds came from.
  EXPECT_EQ(U(PredOddsHeader(info)), "予想配当");
  info.YozSourceM = 1;
  EXPECT_EQ(U(PredOddsHeader(info)), "前売配当");
}

TEST(RaceHeaderTextTest, EntryCountBeyondEighteenHorsesIsLimited) {
  RaceInfo info;
  info.EntryCount = "19";
  EXPECT_EQ(RunnerRows(info), 18);
  info.EntryCount = "  ";
  EXPECT_EQ(RunnerRows(info), 0);
  info.EntryCount = "-3";
  EXPECT_EQ(RunnerRows(info), 0);
}

TEST(PayoutTextTest, EmptyEntriesAndPopularityZero) {
  RaceInfo info;
  for (int k = 1; k <= 3; ++k) info.WakurenComb[k] = info.UmarenComb[k] = " 0- 0";
  for (int k = 1; k <= 7; ++k) info.WideComb[k] = " 0- 0";
  for (int k = 1; k <= 6; ++k) info.UmatanComb[k] = " 0- 0", info.SanrentanComb[k] = " 0- 0- 0";
  for (int k = 1; k <= 3; ++k) info.SanrenpukuComb[k] = " 0- 0- 0";
  for (const auto& e : PayoutEntries(info)) {
    EXPECT_EQ(e.comb, "");
    EXPECT_EQ(e.pop, "");
    EXPECT_EQ(e.pay, "");
  }
  info.TanHorse[1] = 3;
  info.TanPop[1] = 0;
  info.TanPay[1] = 450;
  info.UmarenComb[1] = " 3- 7";
  info.UmarenPay[1] = 1230;
  info.UmatanComb[2] = " 7- 3";
  info.UmatanPay[2] = 2610;
  info.SanrentanComb[1] = "   ";  // blank counts as empty
  const auto e = PayoutEntries(info);
  EXPECT_EQ(e[0].comb, " 3");
  EXPECT_EQ(e[0].pop, "");
  EXPECT_EQ(e[0].pay, "     450");
  EXPECT_EQ(e[11].comb, " 3- 7");
  EXPECT_EQ(e[11].pop, "") << "quinella popularity 0 is not shown";
  EXPECT_EQ(e[22].comb, " 7- 3");
  EXPECT_EQ(e[22].pop, " 0") << "exacta popularity 0 is shown";
  EXPECT_EQ(e[30].comb, "");
}

// Dead heats fill every list to its end; the last entry of each shows like the first.
TEST(PayoutTextTest, LastEntryOfEachList) {
  RaceInfo info;
  info.TanHorse[3] = 4, info.TanPay[3] = 310;
  info.FukuHorse[5] = 9, info.FukuPay[5] = 120;
  info.WakurenComb[3] = " 2- 5", info.WakurenPay[3] = 800;
  info.UmarenComb[3] = " 4- 9", info.UmarenPay[3] = 1500;
  info.WideComb[7] = " 4- 9", info.WidePay[7] = 420;
  info.UmatanComb[6] = " 9- 4", info.UmatanPay[6] = 3300;
  info.SanrenpukuComb[3] = " 1- 4- 9", info.SanrenpukuPay[3] = 5100;
  info.SanrentanComb[6] = " 9- 4- 1", info.SanrentanPay[6] = 24000;
  const auto e = PayoutEntries(info);
  EXPECT_EQ((std::vector<std::string>{e[2].comb, e[7].comb, e[10].comb, e[13].comb, e[20].comb, e[26].comb, e[29].comb,
                                      e[35].comb}),
            (std::vector<std::string>{" 4", " 9", " 2- 5", " 4- 9", " 4- 9", " 9- 4", " 1- 4- 9", " 9- 4- 1"}));
  EXPECT_EQ(e[35].pay, "   24000");
}

TEST(PairRankingTest, EqualOddsByLabelAndWideNumbersKeepTheirLabel) {
  OneBased<double, 153> odds{};
  odds[UmarenStrToIndex(" 2- 4")] = 12.5;
  odds[UmarenStrToIndex(" 1- 3")] = 12.5;
  odds[UmarenStrToIndex("17-18")] = 123456.7;  // wider than the 9-character key of the ranking
  odds[UmarenStrToIndex(" 5- 6")] = 3.0;
  odds[UmarenStrToIndex(" 1- 2")] = -1;
  const auto rows = PairRanking(odds);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].label, " 5- 6");
  EXPECT_EQ(rows[0].rank, "  1");
  EXPECT_EQ(rows[1].label, " 1- 3");
  EXPECT_EQ(rows[2].label, " 2- 4");
  EXPECT_EQ(rows[3].label, "17-18");
  EXPECT_EQ(rows[3].odds, "123456.7");
  EXPECT_EQ(rows[1].odds, "   12.5");
  EXPECT_TRUE(PairRanking(OneBased<double, 153>{}).empty());
}

TEST(TicketTextTest, HitColoursAndTheAxisHorse) {
  RaceInfo info;
  RaceCalc calc;
  calc.Over8Runners = 1;
  calc.Tickets[1] = " 3- 7";
  calc.Tickets[2] = " 1- 3";
  calc.Tickets[3] = "99-99";  // names no pair: no odds
  calc.Tickets[4] = "   ";
  calc.Tickets[5] = " 1- 2";  // the first pair of all has its odds like any other
  calc.UmarenOdds[UmarenStrToIndex(" 3- 7")] = 15.2;
  calc.UmarenOdds[UmarenStrToIndex(" 1- 2")] = 3.4;
  info.WideComb[2] = " 3- 7";
  info.WideComb[7] = " 1- 3";  // the last wide payout counts like the first
  info.UmarenComb[1] = " 3- 7";
  auto rows = TicketRows(info, calc);
  EXPECT_TRUE(rows[0].hit);
  EXPECT_EQ(rows[0].hitColour, kRed) << "a quinella hit wins over a wide hit";
  EXPECT_EQ(rows[0].odds, "    15.2");
  EXPECT_EQ(rows[1].hitColour, kMagenta);
  EXPECT_EQ(rows[2].odds, "");
  EXPECT_FALSE(rows[3].shown);
  EXPECT_EQ(rows[3].number, "");
  EXPECT_EQ(rows[4].odds, "     3.4");
  // With 8 runners or fewer only the bracket pays count.
  calc.Over8Runners = 0;
  info.WakurenComb[1] = " 1- 3";
  rows = TicketRows(info, calc);
  EXPECT_FALSE(rows[0].hit);
  EXPECT_EQ(rows[1].hitColour, kRed);
  // ... and without any bracket payout (none is sold on such a race) its quinella payouts do.
  info.WakurenComb[1] = "";
  rows = TicketRows(info, calc);
  EXPECT_EQ(rows[0].hitColour, kRed);
  EXPECT_FALSE(rows[1].hit) << "a wide payout colours nothing on a small field";

  calc.AxisHorse = 0;
  EXPECT_EQ(AxisHorseTexts(info, calc).number, "");
  calc.AxisHorse = 5;
  info.WinOdds1[4] = 4.5;
  info.WinOdds2[4] = 1.0;  // the shortest odds there are
  info.Odds2Present = 1;
  info.TanHorse[1] = 5;
  info.FukuHorse[1] = 5;
  auto axis = AxisHorseTexts(info, calc);
  EXPECT_EQ(axis.number, "5");
  EXPECT_EQ(axis.odds, "   1.0");
  EXPECT_EQ(axis.background, kMagenta) << "won and placed ends magenta";
  info.FukuHorse[1] = 0;
  EXPECT_EQ(AxisHorseTexts(info, calc).background, kRed);
  info.TanHorse[1] = 0;  // neither won nor placed: not coloured
  EXPECT_NE(AxisHorseTexts(info, calc).background, kRed);
  EXPECT_NE(AxisHorseTexts(info, calc).background, kMagenta);
  info.TanHorse[1] = 5;
  // Without latest odds, or with none for the axis horse, the first snapshot's; no odds, no text.
  info.WinOdds2[4] = 0;
  EXPECT_EQ(AxisHorseTexts(info, calc).odds, "   4.5");
  info.Odds2Present = 0;
  for (double none : {0.0, -1.0}) {
    info.WinOdds1[4] = none;
    EXPECT_EQ(AxisHorseTexts(info, calc).odds, "") << none;
  }
  // The last entries of the win and place lists count like the first.
  info.TanHorse[1] = 0;
  info.TanHorse[3] = 5;
  EXPECT_EQ(AxisHorseTexts(info, calc).background, kRed);
  info.FukuHorse[5] = 5;
  EXPECT_EQ(AxisHorseTexts(info, calc).background, kMagenta);
  calc.AxisHorse = 1;  // the first horse has its odds like any other, also the shortest
  info.WinOdds1[0] = 1.0;
  EXPECT_EQ(AxisHorseTexts(info, calc).odds, "   1.0");
  calc.AxisHorse = 40;  // outside the horses: number only
  EXPECT_EQ(AxisHorseTexts(info, calc).odds, "");
}

TEST(CardRowTest, BlanksForMissingResultsAndRanks) {
  RaceInfo info;
  RaceCalc calc;
  info.WinOdds1[0] = -1;
  info.WinOdds2[0] = -2;
  info.PredWinOdds[0] = 2.25;
  const auto row = CardRow(info, calc, 0);
  ASSERT_EQ(row.size(), static_cast<size_t>(kCardColumns));
  auto cell = [&](CardColumn c) { return row[Col(c)]; };
  EXPECT_EQ(cell(CardColumn::PredWinOdds), "   2.3");
  EXPECT_EQ(cell(CardColumn::PredRank), "");
  EXPECT_EQ(cell(CardColumn::WinOdds1), "");
  EXPECT_EQ(cell(CardColumn::WinOdds2), "");
  EXPECT_EQ(cell(CardColumn::Finish), "    ");
  EXPECT_EQ(cell(CardColumn::Popularity), "    ");
  EXPECT_EQ(cell(CardColumn::FinalOdds), "      ");
  EXPECT_EQ(MeanPairOddsRow(info, calc, 0).size(), static_cast<size_t>(kMeanPairOddsColumns));
}

TEST(CardRowTest, EveryCellOfTheLastHorseFromRankAndOddsOne) {
  RaceInfo info;
  RaceCalc calc;
  const int i = kHorses - 1;
  const size_t h = static_cast<size_t>(i);
  info.WakuBan[h] = "8", info.UmaBan[h] = "18", info.HorseName[h] = "Name", info.JockeyName[h] = "Jock";
  info.TrainerName[h] = "Train";
  info.PredWinOdds[h] = info.WinOdds1[h] = info.WinOdds2[h] = info.FinalWinOdds[h] = 1.0;
  info.FinishPos[h] = info.Popularity[h] = 1;
  calc.RankPred[h] = calc.RankOdds1[h] = calc.RankOdds2[h] = 1;
  calc.MarkAB1[h] = "A", calc.MarkC1[h] = "C", calc.MarkAB2[h] = "B", calc.MarkC2[h] = "c";
  calc.ModeOneA[h] = 1;
  std::vector<std::string> row = CardRow(info, calc, i);
  for (std::string& cell : row) cell = FromCp932(cell);
  EXPECT_EQ(row, (std::vector<std::string>{"8", "18", "Name", "Jock", "Train", "   1.0", " 1", "   1.0", " 1", "A", "C",
                                           "   1.0", " 1", "B", "c", "軸", " 1着", " 1人", "   1.0"}));
  calc.PredAvgOdds[h] = calc.AvgOdds[h] = 1.0;
  calc.PredAvgOddsRank[h] = calc.AvgOddsRank[h] = 1;
  calc.MarkX[h] = "X", calc.MarkE[h] = "E";
  EXPECT_EQ(MeanPairOddsRow(info, calc, i),
            (std::vector<std::string>{"8", "18", "Name", "    1.0", " 1", "    1.0", " 1", "A", "X", "E"}));
  info.Odds2Present = 1;
  EXPECT_EQ(MeanPairOddsRow(info, calc, i)[7], "B");
}

TEST(CardRowTest, HorseNumberOfARow) {
  const std::pair<const char*, int> cases[] = {{"01", 0},  {" 9", 8},  {"18", 17}, {"", -1},
                                               {"  ", -1}, {"00", -1}, {"19", -1}, {"1a", -1}};
  for (const auto& [text, index] : cases) EXPECT_EQ(HorseIndexOf(text), index) << text;
}

TEST(CardSortTest, ByNumberOrByNameDescendingInShiftJisOrder) {
  // In Shift-JIS the long vowel mark "ー" (0x815B) sorts below katakana, unlike in Unicode.
  auto row = [](const char* number, const char* nameUtf8) {
    return std::vector<std::string>{"1", number, ToCp932(nameUtf8)};
  };
  std::vector<std::vector<std::string>> rows{row("03", "アーク"), row("01", "アイ"), row("02", "アーク"),
                                             row("04", "ア")};
  SortCardRows(rows, CardOrder::ByNameDescending);
  EXPECT_EQ(rows[0][1], "01");  // アイ
  EXPECT_EQ(rows[1][1], "02");  // アーク, equal names by horse number
  EXPECT_EQ(rows[2][1], "03");
  EXPECT_EQ(rows[3][1], "04");  // ア
  SortCardRows(rows, CardOrder::ByNumber);
  EXPECT_EQ(rows[0][1], "01");
  EXPECT_EQ(rows[3][1], "04");
  std::vector<std::vector<std::string>> one{row("05", "ア")}, none;
  SortCardRows(one, CardOrder::ByNameDescending);
  SortCardRows(none, CardOrder::ByNumber);
  EXPECT_EQ(one.size(), 1u);
  // A row cut before its name sorts as a blank name, below every named row.
  std::vector<std::vector<std::string>> cut{{"1", "07"}, row("06", "ア")};
  SortCardRows(cut, CardOrder::ByNameDescending);
  EXPECT_EQ((std::vector<std::string>{cut[0][1], cut[1][1]}), (std::vector<std::string>{"06", "07"}));
}

TEST(CardRowTest, WeightCarried) {
  EXPECT_EQ(FutanText("550"), "55.0kg");
  EXPECT_EQ(FutanText("   "), "");
}
