// The HTML hit report: which hits are reported, their byte-exact lines and the two files.
#include <gtest/gtest.h>

#include "analysis/HitReport.h"
#include "platform/Cp932.h"
#include "tests/analysis/EngineFixtures.h"
#include "tests/support/HeldSave.h"
#include "tests/support/TempDir.h"

namespace corvina::analysis {
namespace {

using namespace corvina::test;

// A race of 16 runners at Nakayama on 2006-01-06 with a 12-byte short name and tickets 1..n.
void Race(DayModel& day, int slot, int race, std::initializer_list<const char*> tickets) {
  AddRace(day, slot, 16, "2006", "06", race);
  Put(day.Table.GRaTbl[slot], L::ra::kRaceName6, ToCp932("ニューイヤー"));
  day.Races[slot].UmaBan[0] = " 1";
  int k = 1;
  for (const char* t : tickets) day.Calcs[slot].Tickets[k++] = t;
}

std::vector<std::string> Utf8(const Lines& lines) {
  std::vector<std::string> out;
  for (const auto& l : lines) out.push_back(FromCp932(l));
  return out;
}

TEST(HitReport, PayClassesDecideWhatIsReportedAndHowItLooks) {
  struct Case {
    HitReportKind kind;
    bool wide;
    int pay;
    const char* prefix;  // "" when not reported
  };
  const char* blue = "<img src=\"./image/lis2.gif\"><font color=\"blue\">";
  const char* red = "<img src=\"./image/lis1.gif\"><font color=\"red\">";
  const Case cases[] = {
      {HitReportKind::Longshot, true, 3000, ""},    {HitReportKind::Longshot, true, 3010, blue},
      {HitReportKind::Longshot, true, 5000, red},   {HitReportKind::Longshot, false, 5000, ""},
      {HitReportKind::Longshot, false, 5010, blue}, {HitReportKind::All, false, 9990, blue},
      {HitReportKind::All, false, 10000, red},      {HitReportKind::All, true, 4990, blue},
      {HitReportKind::All, true, 120, blue},
  };
  for (const Case& c : cases) {
    auto day = NewDay();
    Race(*day, 0, 11, {" 3- 7"});
    if (c.wide) {
      day->Races[0].WideComb[2] = " 3- 7", day->Races[0].WidePay[2] = c.pay;
    } else {
      day->Races[0].UmarenComb[1] = " 3- 7", day->Races[0].UmarenPay[1] = c.pay;
    }
    auto hits = FindReportHits(*day, c.kind);
    SCOPED_TRACE(std::to_string(c.pay) + (c.wide ? " wide" : " quinella"));
    if (*c.prefix == 0) {
      EXPECT_TRUE(hits.empty());
      continue;
    }
    ASSERT_EQ(hits.size(), 1u);
    std::string line = FromCp932(HitDayLine(*day, hits[0], c.kind));
    EXPECT_EQ(line.rfind(c.prefix, 0), 0u) << line;
  }
}

TEST(HitReport, LinesAreByteExact) {
  auto day = NewDay();
  Race(*day, 0, 11, {" 3- 7"});
  Race(*day, 1, 1, {" 1- 2"});
  day->Races[0].WideComb[1] = " 3- 7", day->Races[0].WidePay[1] = 3010;
  day->Races[1].UmarenComb[1] = " 1- 2", day->Races[1].UmarenPay[1] = 10000;
  auto hits = FindReportHits(*day, HitReportKind::All);
  ASSERT_EQ(hits.size(), 2u);
  EXPECT_EQ(FromCp932(HitDayLine(*day, hits[0], HitReportKind::All)),
            "<img src=\"./image/lis2.gif\"><font color=\"blue\">中山11R[ワイド]：　 3- 7/配当    "
            "3010円　ニューイヤー</font>");
  EXPECT_EQ(
      FromCp932(HitDayLine(*day, hits[1], HitReportKind::All)),
      "<img src=\"./image/lis1.gif\"><font color=\"red\">中山 1R[馬連　]：　 1- 2/配当   10000円　ニューイヤー</font>");
  EXPECT_EQ(FromCp932(HitCollectionLine(*day, hits[0])), "200601060611R[ワイド]：　 3- 7/配当    3010円");
  EXPECT_EQ(FromCp932(HitCollectionLine(*day, hits[1])), "200601060601R[馬連　]：　 1- 2/配当   10000円");
  EXPECT_EQ(HitCollectionLine(*day, hits[0]).find(" 3- 7"), 25u);  // the key is 25 bytes
}

TEST(HitReport, OnlyRealResultsOfRacesWithRunnersAreJudged) {
  auto day = NewDay();
  Race(*day, 0, 1, {" 0- 0", "", " 4- 9"});
  RaceInfo& info = day->Races[0];
  info.WideComb[1] = " 0- 0", info.WidePay[1] = 500;  // an empty payout entry
  info.WideComb[2] = " 4- 9", info.WidePay[2] = 700;
  info.WideComb[3] = " 4- 9", info.WidePay[3] = 900;  // a dead heat lists it twice: both are hits
  // A race without runner data: its tickets and payouts must not be reported (the view would have shown the
  // previous race in its place).
  Race(*day, 1, 2, {" 4- 9"});
  day->Races[1].UmaBan[0] = "  ";
  day->Races[1].WideComb[1] = " 4- 9", day->Races[1].WidePay[1] = 800;
  auto hits = FindReportHits(*day, HitReportKind::All);
  ASSERT_EQ(hits.size(), 2u);
  EXPECT_EQ((std::vector<int>{hits[0].slot, hits[0].pay, hits[1].pay}), (std::vector<int>{0, 700, 900}));
}

TEST(HitReport, SmallFieldsPayWhatTheHitJudgementCounts) {
  auto day = NewDay();
  // 8 runners with a bracket payout: the bracket pay, as the race view, race page and statistics count it.
  Race(*day, 0, 3, {" 2- 5"});
  AddRace(*day, 0, 8, "2006", "06", 3);
  day->Races[0].WakurenComb[1] = " 2- 5", day->Races[0].WakurenPay[1] = 1230;
  day->Races[0].UmarenComb[1] = " 2- 5", day->Races[0].UmarenPay[1] = 990;
  // 7 runners and no bracket payout: the quinella pay.
  Race(*day, 1, 4, {" 1- 6"});
  AddRace(*day, 1, 7, "2006", "06", 4);
  day->Races[1].UmarenComb[1] = " 1- 6", day->Races[1].UmarenPay[1] = 2040;
  auto hits = FindReportHits(*day, HitReportKind::All);
  ASSERT_EQ(hits.size(), 2u);
  EXPECT_EQ((std::vector<int>{hits[0].pay, hits[1].pay}), (std::vector<int>{1230, 2040}));
  EXPECT_FALSE(hits[0].wide);
}

// Dead heats fill the payout lists to their end; the last entries and the sixth ticket are reported too.
TEST(HitReport, HitsInTheLastEntriesAndTheSixthTicketAreReported) {
  auto day = NewDay();
  Race(*day, 0, 5, {" 1- 2", " 1- 3", " 1- 4", " 1- 5", " 1- 6", " 4- 9"});
  RaceInfo& info = day->Races[0];
  info.WideComb[7] = " 4- 9", info.WidePay[7] = 6200;
  info.UmarenComb[3] = " 4- 9", info.UmarenPay[3] = 12400;
  auto hits = FindReportHits(*day, HitReportKind::Longshot);
  ASSERT_EQ(hits.size(), 2u);
  EXPECT_EQ((std::vector<std::string>{FromCp932(HitCollectionLine(*day, hits[0])),
                                      FromCp932(HitCollectionLine(*day, hits[1]))}),
            (std::vector<std::string>{"200601060605R[ワイド]：　 4- 9/配当    6200円",
                                      "200601060605R[馬連　]：　 4- 9/配当   12400円"}));
}

TEST(HitReport, FilesNeedTwoHitsAndTheCollectionKeepsEachLineOnce) {
  TempDir dir("hitreport");
  auto day = NewDay();
  day->AppDir = dir.path();
  Race(*day, 0, 1, {" 1- 2"});
  Race(*day, 1, 2, {" 5- 6"});
  day->Races[0].WideComb[1] = " 1- 2", day->Races[0].WidePay[1] = 250;

  HitReportResult one = BuildHitReport(*day, HitReportKind::All);
  EXPECT_FALSE(one.written);
  EXPECT_EQ(one.hitList.size(), 2u);
  EXPECT_FALSE(std::filesystem::exists(dir / "HPupload"));

  day->Races[1].UmarenComb[1] = " 5- 6", day->Races[1].UmarenPay[1] = 1500;
  std::filesystem::create_directories(dir / "HPupload");
  ASSERT_TRUE(SaveLines(HitCollectionPath(dir.path()), {ToCp932(" コルヴィナ for JRA-VAN Data Lab."), "20050101..."}));
  for (int run = 0; run < 2; ++run) {
    HitReportResult r = BuildHitReport(*day, HitReportKind::All);
    ASSERT_TRUE(r.written);
    EXPECT_TRUE(r.errors.empty());
    EXPECT_EQ(r.dayFile, dir / "HPupload" / "TK20060106.txt");
  }
  Lines tk, coll;
  ASSERT_TRUE(ReadLines(dir / "HPupload" / "TK20060106.txt", tk));
  EXPECT_EQ(tk.size(), 3u);
  EXPECT_EQ(tk[0], HitHeaderLine());
  ASSERT_TRUE(ReadLines(HitCollectionPath(dir.path()), coll));
  EXPECT_EQ(Utf8(coll), (std::vector<std::string>{" コルヴィナ for JRA-VAN Data Lab.", "20050101...",
                                                  "200601060601R[ワイド]：　 1- 2/配当     250円",
                                                  "200601060602R[馬連　]：　 5- 6/配当    1500円"}));
}

// The hit reports of two days made at once (two windows, or a window and a dayreport) both reach the collection:
// while one is held between reading Manbaken.txt and renaming the new one over it, the other waits for it and
// adds its day's lines to the result.
TEST(HitReport, TwoDaysReportedAtOnceAreBothInTheCollection) {
  TempDir dir("hitreport");
  std::unique_ptr<DayModel> days[2];
  const char* years[2] = {"2006", "2007"};
  for (int d = 0; d < 2; ++d) {
    days[d] = NewDay();
    DayModel& day = *days[d];
    day.AppDir = dir.path();
    for (int slot = 0; slot < 2; ++slot) {
      AddRace(day, slot, 16, years[d], "06", slot + 1);
      day.Races[slot].UmaBan[0] = " 1";
      day.Calcs[slot].Tickets[1] = " 1- 2";
      day.Races[slot].WideComb[1] = " 1- 2", day.Races[slot].WidePay[1] = 250 + 100 * slot;
    }
  }
  EXPECT_TRUE(WhileAChildIsHeldInARewrite(
      "Manbaken.txt",
      [&] {
        const HitReportResult r = BuildHitReport(*days[0], HitReportKind::All);
        return r.written && r.errors.empty();
      },
      [&] {
        const HitReportResult r = BuildHitReport(*days[1], HitReportKind::All);
        EXPECT_TRUE(r.written);
        EXPECT_TRUE(r.errors.empty());
      }));
  EXPECT_TRUE(std::filesystem::exists(dir / "HPupload" / "TK20060106.txt"));
  EXPECT_TRUE(std::filesystem::exists(dir / "HPupload" / "TK20070106.txt"));
  Lines coll;
  ASSERT_TRUE(ReadLines(HitCollectionPath(dir.path()), coll));
  EXPECT_EQ(Utf8(coll),
            (std::vector<std::string>{FromCp932(CollectionFirstLine()), "200601060601R[ワイド]：　 1- 2/配当     250円",
                                      "200601060602R[ワイド]：　 1- 2/配当     350円",
                                      "200701060601R[ワイド]：　 1- 2/配当     250円",
                                      "200701060602R[ワイド]：　 1- 2/配当     350円"}));
}

// Each file that cannot be read or saved is reported, naming it, and left as it was; the day's lines stay for the
// window to show. The hits sit in the first and the last race of a full day.
TEST(HitReport, FilesThatCannotBeReadOrSavedAreReportedAndLeftAlone) {
  TempDir dir("hitreport");
  auto day = NewDay();
  day->AppDir = dir.path();
  Race(*day, 0, 1, {" 1- 2"});
  Race(*day, kSlots - 1, 12, {" 1- 3"});
  day->Races[0].WideComb[1] = " 1- 2", day->Races[0].WidePay[1] = 250;
  day->Races[kSlots - 1].WideComb[2] = " 1- 3", day->Races[kSlots - 1].WidePay[2] = 350;
  const std::filesystem::path tk = dir / "HPupload" / "TK20060106.txt", collection = HitCollectionPath(dir.path());
  auto expectError = [](const HitReportResult& r, const std::filesystem::path& path) {
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_TRUE(r.errors[0].starts_with(path.string() + ": ")) << r.errors[0];
    EXPECT_GT(r.errors[0].size(), path.string().size() + 2) << r.errors[0];
    EXPECT_EQ(r.hitList.size(), 3u);
  };

  std::filesystem::create_directories(tk);  // the day's file cannot be saved: the collection is not touched
  HitReportResult r = BuildHitReport(*day, HitReportKind::All);
  EXPECT_FALSE(r.written);
  expectError(r, tk);
  EXPECT_FALSE(std::filesystem::exists(collection));
  std::filesystem::remove(tk);

  std::filesystem::create_directories(collection);  // not a file: cannot be read
  r = BuildHitReport(*day, HitReportKind::All);
  EXPECT_TRUE(r.written);
  expectError(r, collection);
  EXPECT_TRUE(std::filesystem::is_empty(collection));
  std::filesystem::remove(collection);

  std::filesystem::create_symlink(dir / "missing" / "Manbaken.txt", collection);  // cannot be saved
  r = BuildHitReport(*day, HitReportKind::All);
  EXPECT_TRUE(r.written);
  expectError(r, collection);
  EXPECT_TRUE(std::filesystem::is_symlink(collection));
  Lines tkLines;
  ASSERT_TRUE(ReadLines(tk, tkLines));
  EXPECT_EQ(Utf8(tkLines), Utf8(r.hitList));

  // A first race without a date gives no file name: nothing is written, and the caller is told.
  std::filesystem::remove_all(dir / "HPupload");
  day->Table.GRaTbl[0].replace(11, 8, "        ");
  EXPECT_TRUE(HitDayPath(*day).empty());
  r = BuildHitReport(*day, HitReportKind::All);
  EXPECT_FALSE(r.written);
  EXPECT_EQ(r.errors, std::vector<std::string>{"TK: the first race has no date"});
  EXPECT_EQ(r.hitList.size(), 3u);
  EXPECT_FALSE(std::filesystem::exists(dir / "HPupload"));
}

}  // namespace
}  // namespace corvina::analysis
