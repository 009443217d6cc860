// The race pages: the texts derived from the race records, the hit notes, and where the layout puts things.
#include "analysis/ui/RacePages.h"
#include "racedata/RacingTexts.h"
#include "tests/support/PrintingFixtures.h"

namespace corvina::test {
namespace {

using namespace pages;

std::string U(const std::string& cp932) { return FromCp932(cp932); }

TEST(RacePageTexts, CodesBecomeTheirLabels) {
  struct Case {
    std::string (*fn)(std::string_view);
    std::string code, text;
  } cases[] = {
      {WeightRuleText, "1", "ハンデ"},
      {WeightRuleText, "2", "別定　"},
      {WeightRuleText, "5", ""},
      {PrintedClassText, "701", "新馬　　　"},
      {PrintedClassText, "999", "ｵｰﾌﾟﾝ　　 "},
      {PrintedClassText, "   ", "　　　　　"},
      {PrintedClassText, "000", "　　　　　"},
      {PrintedClassText, "", "　　　　　"},
      {PrintedClassText, "100", "1億円下   "},
      {PrintedClassText, "005", " 500万円下"},
      {PrintedClassText, "016", "1600万円下"},
      {TrackText, "10", "芝直"},
      {TrackText, "16", "芝左"},
      {TrackText, "17", "芝右"},
      {TrackText, "22", "芝右"},
      {TrackText, "24", "ﾀﾞ右"},
      {TrackText, "25", ""},
      {TrackText, "29", "ﾀﾞ直"},
      {TrackText, "59", "障害"},
      {TrackText, "  ", ""},
      {PrintedDistanceText, "1200", "1200m"},
      {PrintedDistanceText, "0800", " 800m"},
      {PrintedDistanceText, "    ", ""},
      {OddsTimeText, "0930", "　09:30"},
      {OddsTimeText, "    ", "　NoData"},
      {OddsTimeText, "", "　NoData"},
      {WeightCarriedText, "550", "55.0kg"},
      {WeightCarriedText, "   ", ""},
      {TrackText, "11", "芝左"},
  };
  for (const auto& c : cases) EXPECT_EQ(U(c.fn(c.code)), c.text) << c.code;
}

TEST(RacePageTexts, HeaderLinesComeFromTheRaceKey) {
  RaceInfo info;
  info.RaceKey = "2024010606010209";
  info.PostTime = "0950";
  info.EntryCount = "16";
  EXPECT_EQ(RaceNumber(info), 9);
  EXPECT_EQ(U(DateLineText(info)), "2024年 1月 6日中山 1回 2日");
  EXPECT_EQ(U(PostTimeLineText(info)), "09時50分発走");
  EXPECT_EQ(U(HeadCountText(info)), "16頭");
  info.EntryCount = "19";  // more than a race holds: the table keeps to 18 rows
  EXPECT_EQ(TableRows(info), 18);
}

TEST(RacePageTexts, AgeCountsFromTheRaceYearNotFromToday) {
  RaceInfo info;
  info.RaceKey = "2005010606010209";
  info.SexCode[0] = "2";
  info.KettoNum[0] = "2002104567";
  info.SexCode[1] = "9";
  info.KettoNum[1] = "          ";
  EXPECT_EQ(U(SexAgeText(info, 0)), "牝3");
  EXPECT_EQ(U(SexAgeText(info, 1)), "  ");  // no birth year: no age, and no race year passed off as one
}

class HitNotesTest : public ::testing::Test {
 protected:
  HitNotesTest() {
    // The hits sit in the last ticket and the last payout entries.
    calc.Tickets[1] = " 1- 2";
    calc.Tickets[6] = " 3- 5";
    calc.Tickets[3] = "      ";
    info.UmarenComb[3] = " 3- 5";
    info.WakurenComb[3] = " 1- 2";
    info.WideComb[7] = " 3- 5";
    info.WideComb[3] = "      ";
  }
  RaceInfo info;
  RaceCalc calc;
};

TEST_F(HitNotesTest, QuinellaAgainstTheRightPayoutsWideAlwaysBothWhereBothHit) {
  calc.Over8Runners = 1;
  HitNotes n = MakeHitNotes(info, calc);
  EXPECT_EQ(U(n.quinella[6]), "←馬連的中");
  EXPECT_EQ(U(n.wide[6]), "←ﾜｲﾄﾞ的中");
  EXPECT_EQ(n.quinella[1], "");
  EXPECT_EQ(n.wide[3], "");  // a blank ticket takes no part, even against a blank payout
  calc.Over8Runners = 0;     // 8 runners or fewer: the bracket payouts, still called a quinella hit
  n = MakeHitNotes(info, calc);
  EXPECT_EQ(U(n.quinella[1]), "←馬連的中");
  EXPECT_EQ(n.quinella[6], "");
  info.WakurenComb[3] = "";  // no bracket payout at all: the quinella payouts
  n = MakeHitNotes(info, calc);
  EXPECT_EQ(n.quinella[1], "");
  EXPECT_EQ(U(n.quinella[6]), "←馬連的中");
}

TEST_F(HitNotesTest, AxisNotesNeedAnAxisHorse) {
  info.TanHorse[1] = 0;
  info.FukuHorse[4] = 0;
  EXPECT_EQ(MakeHitNotes(info, calc).win, "");
  EXPECT_EQ(MakeHitNotes(info, calc).place, "");
  calc.AxisHorse = 7;
  info.TanHorse[2] = 7;
  info.FukuHorse[5] = 7;
  EXPECT_EQ(U(MakeHitNotes(info, calc).win), "←単勝的中");
  EXPECT_EQ(U(MakeHitNotes(info, calc).place), "←複勝的中");
}

TEST_F(HitNotesTest, TicketOddsOnlyWithPredictionAndFirstSnapshot) {
  calc.UmarenOdds[1] = 12.34;                                             // " 1- 2"
  calc.UmarenOdds[static_cast<size_t>(UmarenStrToIndex(" 3- 5"))] = 1.0;  // the lowest odds there are
  calc.Tickets[2] = " 2- 3";                                              // odds 0
  calc.Tickets[4] = "99-99";  // not a pair of the table: no odds, no read outside it
  info.YozMatched = 1;
  EXPECT_EQ(MakeHitNotes(info, calc).odds[1], "");
  info.Odds1Present = 1;
  const HitNotes n = MakeHitNotes(info, calc);
  EXPECT_EQ((std::vector<std::string>(n.odds.begin() + 1, n.odds.end())),
            (std::vector<std::string>{"  12.3", "", "", "", "", "   1.0"}));
}

class RacePageLayoutTest : public PrintingTest {
 protected:
  RacePageLayoutTest() { preview.SetScreenDpi(96); }
  PrintPreview preview;
  std::unique_ptr<DayModel> day = NewDay();
};

TEST_F(RacePageLayoutTest, OnePagePerListedRaceAndARaceWithoutDataGetsTheHeaderOnly) {
  AddRace(*day, 0, 9);
  AddRace(*day, 1, 10);
  AddRace(*day, 2, 11);
  day->Calcs[2].CalcHasData = 0;
  DrawRacePages(preview, *day, 3, true);
  ASSERT_EQ(preview.PageCount(), 3);
  EXPECT_EQ(FindText(preview.Page(1), "9")->from, QPoint(Dev(120), Dev(165)));
  EXPECT_EQ(FindText(preview.Page(1), "9")->fontColor, QColor(Qt::white));
  EXPECT_EQ(FindText(preview.Page(2), "10")->from, QPoint(Dev(105), Dev(165)));
  EXPECT_NE(FindText(preview.Page(1), "ローカルオプション有効"), nullptr);
  const PreviewPage& bare = preview.Page(3);
  EXPECT_NE(FindText(bare, "テストステークス"), nullptr);
  EXPECT_EQ(FindText(bare, "馬名"), nullptr);
  EXPECT_EQ(FindText(bare, "買い目"), nullptr);

  // A full day: a page for every slot to the last, and no more however many lines the list claims.
  AddRace(*day, kSlots - 1, 12, 12, "09");
  DrawRacePages(preview, *day, kSlots + 1, true);
  ASSERT_EQ(preview.PageCount(), kSlots);
  EXPECT_NE(FindText(preview.Page(kSlots), "阪神"), nullptr);
  EXPECT_EQ(FindText(preview.Page(kSlots), "12")->from, QPoint(Dev(105), Dev(165)));
}

// The texts drawn with their top-left corner in [top, bottom) of the page, as "x,y size text" with x and y - top
// in 0.1 mm, in drawing order.
QStringList TextsBetween(const PreviewPage& page, int top, int bottom) {
  QStringList out;
  const auto units = [](int dev) { return qRound(dev * 254.0 / 600); };
  for (const auto& op : page.ops)
    if (op.kind == PreviewOp::Kind::Text && !op.text.isEmpty() && units(op.from.y()) >= top &&
        units(op.from.y()) < bottom)
      out << QStringLiteral("%1,%2 %3 %4")
                 .arg(units(op.from.x()))
                 .arg(units(op.from.y()) - top)
                 .arg(op.font.pointSize())
                 .arg(op.text);
  return out;
}

// The lines (or, with `frames`, the outlined rectangles with their fill) drawn with their top in [top, bottom), as
// "x1,y1-x2,y2" in 0.1 mm, in drawing order.
QStringList ShapesBetween(const PreviewPage& page, int top, int bottom, bool frames = false) {
  QStringList out;
  const auto units = [](int dev) { return qRound(dev * 254.0 / 600); };
  for (const auto& op : page.ops) {
    if (op.kind != (frames ? PreviewOp::Kind::Frame : PreviewOp::Kind::Line)) continue;
    const QPoint from = frames ? op.rect.topLeft() : op.from;
    const QPoint to = frames ? op.rect.bottomRight() + QPoint(1, 1) : op.to;
    if (units(from.y()) < top || units(from.y()) >= bottom) continue;
    QString shape =
        QStringLiteral("%1,%2-%3,%4").arg(units(from.x())).arg(units(from.y())).arg(units(to.x())).arg(units(to.y()));
    if (frames) shape += op.brushClear ? QStringLiteral(" clear") : " " + op.brush.name();
    out << shape;
  }
  return out;
}

TEST_F(RacePageLayoutTest, TheHeadingsAndTheLastRowOfAFullRaceShowEveryCellAtItsPlaceFromRankAndOddsOne) {
  AddRace(*day, 0, 1, 18);
  RaceInfo& info = day->Races[0];
  RaceCalc& calc = day->Calcs[0];
  const size_t h = 17;  // the 18th row: the table is drawn to its last runner
  info.YozMatched = 1;
  info.WeightRule = "1", info.ClassCode = "701", info.TrackCode = "17", info.Distance = "1200";
  info.JockeyName[h] = ToCp932("騎手");
  info.TrainerName[h] = ToCp932("調教");
  info.PredWinOdds[h] = info.WinOdds1[h] = info.WinOdds2[h] = info.FinalWinOdds[h] = 1.0;
  info.FinishPos[h] = info.Popularity[h] = 1;
  calc.RankPred[h] = calc.RankOdds1[h] = calc.RankOdds2[h] = calc.ARank[h] = 1;
  calc.MarkAB1[h] = "A", calc.MarkC1[h] = "C", calc.MarkAB2[h] = "B", calc.MarkC2[h] = "c";
  calc.ModeOneA[h] = 1;
  DrawRacePages(preview, *day, 1, false);
  const int top = 380 + 83 * 18;
  const QStringList cells{"157,25 11 ⑱",    "205,8 10 テストホース", "515,5 9 牡4",   "450,50 8 55.0kg", "585,8 8 騎手",
                          "585,50 8 調教",  "710,45 9   1.0",        "810,45 9  1",   "860,45 9   1.0",  "960,45 9  1",
                          "1040,45 8  1",   "1020,35 12 A",          "1100,35 12 C",  "1170,45 9   1.0", "1270,45 9  1",
                          "1330,35 12 B",   "1410,35 12 c",          "1485,35 12 軸", "1575,45 9  1",    "1655,45 9  1",
                          "1725,45 9   1.0"};
  EXPECT_EQ(TextsBetween(preview.Page(1), top, top + 83), cells);
  // Only the day and post-time lines of the header are bold; a runner's row is regular.
  EXPECT_TRUE(FindText(preview.Page(1), "2024年 1月 6日中山 1回 2日")->font.bold());
  EXPECT_TRUE(FindText(preview.Page(1), "15時25分発走")->font.bold());
  EXPECT_FALSE(FindText(preview.Page(1), "テストホース")->font.bold());
  EXPECT_FALSE(FindText(preview.Page(1), "騎手")->font.bold());
  // The runner above has only its first odds: every zero odds, rank and result is shown as nothing, not as 0.
  EXPECT_EQ(TextsBetween(preview.Page(1), top - 83, top),
            (QStringList{"115,25 11 8", "157,25 11 ⑰", "205,8 10 テストホース", "515,5 9 牡4", "450,50 8 55.0kg",
                         "860,45 9  18.0"}));
  EXPECT_EQ(TextsBetween(preview.Page(1), 0, 380),
            (QStringList{"1400,305 10 ローカルオプション無効", "210,210 10 ﾚｰｽ", "100,90 20 中山", "120,165 20 1",
                         "300,90 11 2024年 1月 6日中山 1回 2日", "900,90 11 15時25分発走",
                         "300,155 10 テストステークス", "300,200 10 18頭", "500,200 10 ハンデ", "800,200 10 新馬　　　",
                         "1100,200 10 芝右", "1300,200 10 1200m", "100,265 10 オッズ取得時刻", "100,310 10 １回目",
                         "230,310 10 　10:10", "500,310 10 ２回目", "630,310 10 　NoData"}));
  EXPECT_EQ(TextsBetween(preview.Page(1), 380, 463),
            (QStringList{"105,10 10 枠",      "105,45 10 番",   "155,10 10 馬",      "155,45 10 番",
                         "1490,10 10 消",     "1490,45 10 軸",  "205,5 10 馬名",     "450,5 8 性別･馬齢",
                         "450,50 8 負担重量", "585,8 8 騎手名", "585,50 8 調教師名", "701,50 7 予想配当",
                         "810,50 8 順",       "860,10 8  単勝", "855,50 8 １回目",   "960,50 8 順",
                         "1020,50 8 A/B",     "1110,50 8 C",    "1170,10 8  単勝",   "1165,50 8 ２回目",
                         "1275,50 8 順",      "1335,50 8 A/B",  "1425,50 8 C",       "1610,10 8 成績結果",
                         "1565,50 8 着順",    "1645,50 8 人気", "1725,50 8 単ｵｯｽﾞ"}));

  // With the latest odds the rank among the "A" horses moves to their column.
  info.Odds2Present = 1;
  DrawRacePages(preview, *day, 1, false);
  QStringList latest = cells;
  latest.removeAt(10);
  latest.insert(14, "1350,45 8  1");
  EXPECT_EQ(TextsBetween(preview.Page(1), top, top + 83), latest);
}

TEST_F(RacePageLayoutTest, HeaderLeavesOutWhatIsEmpty) {
  AddRace(*day, 0, 1);
  day->Races[0].Distance = "    ";
  day->Races[0].TrackCode = "25";
  DrawRacePages(preview, *day, 1, false);
  EXPECT_EQ(FindTextAt(preview.Page(1), 1300, 200), nullptr);
  const PreviewOp* track = FindTextAt(preview.Page(1), 1100, 200);
  EXPECT_TRUE(track == nullptr || track->text.isEmpty());
  EXPECT_EQ(FindTextAt(preview.Page(1), 630, 310)->text, QStringLiteral("　NoData"));
  EXPECT_EQ(FindTextAt(preview.Page(1), 230, 310)->text, QStringLiteral("　10:10"));
  EXPECT_NE(FindText(preview.Page(1), "ローカルオプション無効"), nullptr);
}

TEST_F(RacePageLayoutTest, ANewFrameGetsAThickSeparatorAndABoxTheSameFrameAThinLineFrom150) {
  AddRace(*day, 0, 1, 12);  // frames 1,1,2,3,3,...
  DrawRacePages(preview, *day, 1, false);
  const PreviewPage& page = preview.Page(1);
  const int thick = preview.SizeToDevice(12);
  struct Row {
    int e;
    bool newFrame;
  } rows[] = {{1, true}, {2, false}, {3, true}, {4, true}, {5, false}};
  for (const auto& r : rows) {
    const int y = 380 + 83 * r.e;
    const PreviewOp* line = r.newFrame ? FindLine(page, 100, y, 1825, y) : FindLine(page, 150, y, 1825, y);
    ASSERT_NE(line, nullptr) << r.e;
    EXPECT_EQ(line->penWidth, r.newFrame ? thick : 1) << r.e;
    EXPECT_EQ(FindTextAt(page, 115, y + 25) != nullptr, r.newFrame) << r.e;
  }
  // The column rules run from the table's top to its last row's bottom, the result columns' from under their
  // title; the table's frame ends at the same bottom.
  const auto units = [](int dev) { return qRound(dev * 254.0 / 600); };
  QStringList rules;
  for (const auto& op : page.ops)
    if (op.kind == PreviewOp::Kind::Line && op.from.x() == op.to.x())
      rules << QStringLiteral("%1:%2-%3").arg(units(op.from.x())).arg(units(op.from.y())).arg(units(op.to.y()));
  QStringList want;
  for (int x : {150, 200, 580, 700, 800, 850, 950, 1000, 1080, 1160, 1260, 1310, 1390, 1470, 1550})
    want << QStringLiteral("%1:380-1459").arg(x);
  want << "1630:420-1456"
       << "1710:420-1456";
  EXPECT_EQ(rules, want);
  EXPECT_NE(FindLine(page, 1550, 420, 1820, 420), nullptr);
  // Every box of the page: the race number's, the two odds times', the tickets' title band, the table's header
  // band and frame, and one frame-number box at each new frame's row.
  EXPECT_EQ(ShapesBetween(page, 0, 2970, true),
            (QStringList{"100,160-180,240 #000000", "210,305-410,345 clear", "610,305-810,345 clear",
                         "300,1995-600,2035 #c0c0c0", "100,380-1825,466 #c0c0c0", "100,380-1825,1459 clear",
                         "110,481-140,536 clear", "110,647-140,702 clear", "110,730-140,785 clear",
                         "110,896-140,951 clear", "110,979-140,1034 clear", "110,1145-140,1200 clear",
                         "110,1228-140,1283 clear", "110,1394-140,1449 clear"}));
  EXPECT_EQ(FindTextAt(page, 157, 380 + 83 * 12 + 25)->text, QStringLiteral("⑫"));
  // The horse's name in the narrowed proportional face; the cells beside it in the fixed one at its own width.
  EXPECT_EQ(FindTextAt(page, 205, 380 + 83 + 8)->font.family(), QStringLiteral("ＭＳ Ｐゴシック"));
  EXPECT_EQ(FindTextAt(page, 205, 380 + 83 + 8)->font.stretch(), 88);
  EXPECT_NE(FindTextAt(page, 515, 380 + 83 + 5)->font.stretch(), 88);
  EXPECT_EQ(FindTextAt(page, 515, 380 + 83 + 5)->text, QStringLiteral("牡4"));
}

TEST_F(RacePageLayoutTest, TicketSectionHasItsOwnSizeAndPenNotTheLastRows) {
  AddRace(*day, 0, 1, 12);
  RaceCalc& calc = day->Calcs[0];
  calc.Tickets[1] = " 1- 2";
  calc.Tickets[6] = " 3- 4";  // the last ticket, after blank ones, on its own line
  calc.Note = ToCp932("本命");
  calc.AxisHorse = 3;
  day->Races[0].UmarenComb[1] = " 1- 2";
  day->Races[0].WideComb[1] = " 1- 2";
  // The ticket's odds, where the prediction and the first odds are there.
  day->Races[0].YozMatched = 1;
  day->Races[0].Odds1Present = 1;
  calc.UmarenOdds[static_cast<size_t>(UmarenStrToIndex(" 1- 2"))] = 12.3;
  DrawRacePages(preview, *day, 1, false);
  const PreviewPage& page = preview.Page(1);
  EXPECT_EQ(TextsBetween(page, 1990, 2500),
            (QStringList{"100,10 9 買い目", "350,10 9 本命", "110,60 9 馬連", "300,60 9 オッズ", "110,100 9  1- 2",
                         "300,100 9   12.3", "460,100 9 ←馬連的中", "660,100 9 ←ﾜｲﾄﾞ的中", "110,300 9  3- 4",
                         "110,410 9 単勝", "300,410 9 オッズ", "150,450 9   3", "300,450 9    4.0"}));
  EXPECT_EQ(ShapesBetween(page, 1990, 2500),
            (QStringList{"100,2085-850,2085", "100,2335-850,2335", "100,2435-850,2435", "100,2485-850,2485"}));
  EXPECT_EQ(FindText(page, "買い目")->font.underline(), true);
  EXPECT_EQ(FindText(page, "馬連")->font.underline(), false);
  EXPECT_EQ(FindLine(page, 100, 2435, 850, 2435)->penWidth, 1);
}

TEST_F(RacePageLayoutTest, NoAxisHorseLeavesItsLineEmptyAndHorseOneIsAnAxisLikeAnyOther) {
  AddRace(*day, 0, 1, 12);
  DrawRacePages(preview, *day, 1, false);
  EXPECT_EQ(FindTextAt(preview.Page(1), 150, 2440), nullptr);
  EXPECT_EQ(FindTextAt(preview.Page(1), 300, 2440), nullptr);
  // An axis horse past the 18 a race holds: its number, and no odds read from outside the table.
  day->Calcs[0].AxisHorse = 19;
  DrawRacePages(preview, *day, 1, false);
  EXPECT_EQ(FindTextAt(preview.Page(1), 150, 2440)->text, QStringLiteral(" 19"));
  EXPECT_EQ(FindTextAt(preview.Page(1), 300, 2440), nullptr);

  // Horse 1, with its win in the last win entry and its place in the last place entry (dead heats).
  day->Calcs[0].AxisHorse = 1;
  day->Races[0].TanHorse[3] = 1;
  day->Races[0].FukuHorse[5] = 1;
  DrawRacePages(preview, *day, 1, false);
  const PreviewPage& page = preview.Page(1);
  const PreviewOp* texts[] = {FindTextAt(page, 150, 2440), FindTextAt(page, 300, 2440), FindTextAt(page, 460, 2440),
                              FindTextAt(page, 660, 2440)};
  for (const PreviewOp* t : texts) ASSERT_NE(t, nullptr);
  EXPECT_EQ((QStringList{texts[0]->text, texts[1]->text, texts[2]->text, texts[3]->text}),
            (QStringList{"  1", "   2.0", "←単勝的中", "←複勝的中"}));
}

}  // namespace
}  // namespace corvina::test
