// The generator's records and files: exact lengths, CP932 widths, frames, consistency of results, the options
// that make broken input, and the command line.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <tuple>

#include "platform/Clock.h"
#include "platform/Cp932.h"
#include "platform/LineFile.h"
#include "platform/Text.h"
#include "tests/support/TempDir.h"
#include "tools/jvgen/Generator.h"
#include "tools/jvgen/Payouts.h"

namespace fs = std::filesystem;
using namespace corvina;
using namespace corvina::jvgen;
namespace L = corvina::layout;

namespace {

Options Base() {
  Options o;
  o.date = *DayName::FromDateKey("20240106");
  o.seed = 7;
  return o;
}

// True when the bytes are whole CP932 characters all of two bytes (full-width), so a byte field never ends in
// half a character.
bool AllFullWidth(std::string_view s) {
  if (s.size() % 2) return false;
  std::string utf8 = FromCp932(s);
  if (utf8.find("\xEF\xBF\xBD") != std::string::npos) return false;
  return ToCp932(utf8) == s && utf8.size() == s.size() / 2 * 3;
}

TEST(JvgenTables, FramesAndProviderCourseDigits) {
  for (int n = 1; n <= 8; ++n)
    for (int h = 1; h <= n; ++h) EXPECT_EQ(FrameNumbers(n)[h], h);
  // Extra horses go to the highest frames (index 0 unused).
  using F = std::vector<int>;
  EXPECT_EQ(FrameNumbers(9), (F{0, 1, 2, 3, 4, 5, 6, 7, 8, 8}));
  EXPECT_EQ(FrameNumbers(10), (F{0, 1, 2, 3, 4, 5, 6, 7, 7, 8, 8}));
  EXPECT_EQ(FrameNumbers(16), (F{0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8}));
  EXPECT_EQ(FrameNumbers(18), (F{0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 7, 8, 8, 8}));
  // The providers number the ten racecourses 0 京都 .. 9 函館; any other code has no digit.
  std::vector<int> digits;
  for (const char* code : {"08", "09", "07", "10", "05", "06", "03", "04", "01", "02", "11", "00", "8", ""})
    digits.push_back(ProviderCourseDigit(code));
  EXPECT_EQ(digits, (F{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, -1, -1, -1, -1}));
}

TEST(JvgenRecords, EveryRecordHasItsLengthAndFullWidthTextFields) {
  Options o = Base();
  o.scratches = true;
  o.deadHeat = true;
  o.badRaceNumbers = true;
  Day day = MakeDay(o);
  ASSERT_EQ(day.races.size(), 36u);
  std::set<char> sexes;
  for (const Race& race : day.races) {
    SCOPED_TRACE(race.VenueRaceKey());
    EXPECT_GE(race.runners.size(), 5u);
    EXPECT_LE(race.runners.size(), 18u);
    // From 10:00, five minutes later at each next racecourse, every 35 minutes.
    const int venue = static_cast<int>(&race - &day.races[0]) / 12;
    EXPECT_EQ(race.postMinute, 10 * 60 + 5 * venue + 35 * (race.num - 1));
    for (const Runner& r : race.runners) {
      // Two to nine katakana, never starting with a small kana or the long mark.
      std::string name = r.name;
      while (name.size() >= 2 && name.substr(name.size() - 2) == ToCp932("\u3000")) name.resize(name.size() - 2);
      EXPECT_GE(name.size(), 4u);
      EXPECT_LE(name.size(), 18u);
      for (const char* small : {"ッ", "ャ", "ュ", "ョ", "ー"}) EXPECT_NE(name.substr(0, 2), ToCp932(small));
      // Colts and fillies of every age, geldings from four years.
      EXPECT_TRUE(r.sex == '1' || r.sex == '2' || (r.sex == '3' && r.age >= 4)) << r.sex << r.age;
      sexes.insert(r.sex);
    }
    for (Stage st : {Stage::Card, Stage::Result}) {
      std::string ra = RaRecord(day, race, st);
      ASSERT_EQ(ra.size(), static_cast<size_t>(L::kRaLine));
      // Cards are made two days before the race day, results on it.
      EXPECT_EQ(Copy(ra, L::head::kCreated.pos, 8), st == Stage::Card ? "20240104" : "20240106");
      for (L::Field f : {L::ra::kRaceName, L::ra::kRaceName6, L::ra::kRaceNameShort})
        EXPECT_TRUE(AllFullWidth(Copy(ra, f.pos, f.len))) << f.pos;
      for (const Runner& r : race.runners) {
        std::string se = SeRecord(day, race, r, st);
        ASSERT_EQ(se.size(), static_cast<size_t>(L::kSeLine));
        for (L::Field f : {L::se::kHorseName, L::se::kHorseNameKept, L::se::kJockeyName, L::se::kTrainerName})
          EXPECT_TRUE(AllFullWidth(Copy(se, f.pos, f.len))) << f.pos;
        EXPECT_EQ(Copy(se, L::se::kHorseName.End() - 1, 2), ToCp932("\u3000")) << "padded with ideographic spaces";
        EXPECT_EQ(day.date.Year() - StrToIntLenient(r.kettoNum.substr(0, 4)), r.age);
      }
    }
    EXPECT_EQ(HrRecord(day, race, '1').size(), static_cast<size_t>(L::kHrLine));
    std::vector<Snapshot> snaps = Snapshots(day, race);
    for (const Snapshot& s : {snaps.front(), snaps.back()}) {
      EXPECT_EQ(O1Record(day, race, s).size(), static_cast<size_t>(L::kO1Line));
      EXPECT_EQ(O2Record(day, race, s).size(), static_cast<size_t>(L::kO2Line));
      EXPECT_EQ(Copy(O2Record(day, race, s), L::head::kCreated.pos, 8), s.dayOffset < 0 ? "20240105" : "20240106");
    }
    // The odds move towards the post-time board: the evening before, the field was priced otherwise.
    EXPECT_NE(O1Record(day, race, snaps.front()).substr(L::o1::WinOdds(0).pos),
              O1Record(day, race, snaps.back()).substr(L::o1::WinOdds(0).pos));
    EXPECT_EQ(YozLine(day, race).size(), static_cast<size_t>(L::kYozLine));
    EXPECT_GE(JrdbLine(day, race).size(), 955u);
    EXPECT_GE(KolLine(day, race).size(), 1502u);
  }
  EXPECT_EQ(sexes, (std::set<char>{'1', '2', '3'}));
  ASSERT_EQ(day.oddRaces.size(), 2u);
  EXPECT_EQ(Copy(RaRecord(day, day.oddRaces[0], Stage::Card), L::head::kRaceNum.pos, 2), "00");
  EXPECT_EQ(Copy(RaRecord(day, day.oddRaces[1], Stage::Card), L::head::kRaceNum.pos, 2), "13");
}

TEST(JvgenRecords, ResultsAgreeWithTheFinishingOrder) {
  Day day = MakeDay(Base());
  // The finishing order is drawn by strength over the whole field: the favourites win more often than the
  // field's average horse, and no horse number is bound to a place.
  int lastNumberLast = 0, firstNumberFirst = 0;
  double winnersPopularity = 0, fieldPopularity = 0;
  for (const Race& race : day.races) {
    SCOPED_TRACE(race.VenueRaceKey());
    std::vector<int> byPlace(20, 0);
    for (const Runner& r : race.runners) byPlace[r.finish] = r.umaban;
    const int n = static_cast<int>(race.runners.size());
    lastNumberLast += race.runners.back().finish == n;
    firstNumberFirst += race.runners.front().finish == 1;
    winnersPopularity += race.runners[byPlace[1] - 1].popularity;
    fieldPopularity += (n + 1) / 2.0;
    const auto& p = race.pays;
    ASSERT_EQ(p[0].size(), 1u);
    EXPECT_EQ(p[0][0].comb[0], byPlace[1]);
    EXPECT_EQ(p[0][0].pay, race.runners[byPlace[1] - 1].finalOdds * 10);
    EXPECT_EQ(p[1].size(), race.runners.size() >= 8 ? 3u : 2u);
    EXPECT_EQ(p[5][0].comb, (std::vector<int>{byPlace[1], byPlace[2]}));
    EXPECT_EQ(p[7][0].comb, (std::vector<int>{byPlace[1], byPlace[2], byPlace[3]}));
    EXPECT_EQ(p[4].size(), 3u);
    EXPECT_EQ(p[2].empty(), race.runners.size() < 9) << "brackets are sold from nine runners";
    for (const auto& block : p)
      for (const Payout& e : block) EXPECT_GE(e.pay, 100);
    // The snapshots run from the evening before to post time, in announcement order.
    std::vector<Snapshot> snaps = Snapshots(day, race);
    EXPECT_EQ(snaps.front().dayOffset, -1);
    EXPECT_EQ(snaps.back().minute, race.postMinute);
    for (size_t i = 1; i < snaps.size(); ++i)
      EXPECT_LT(snaps[i - 1].dayOffset * 1440 + snaps[i - 1].minute, snaps[i].dayOffset * 1440 + snaps[i].minute);
  }
  EXPECT_LT(lastNumberLast, 12);
  EXPECT_LT(firstNumberFirst, 12);
  EXPECT_LT(winnersPopularity, fieldPopularity * 0.7);
}

// Nine horses of equal strength, finishing in number order: every price is the fair one for its chance, less the
// 22.5 % the pool keeps, rounded to tenths; equal chances are equally popular.
TEST(JvgenPayouts, AFieldOfEqualsIsPricedAtItsChancesLessTheTake) {
  Race race;
  for (int h = 1; h <= 9; ++h) {
    Runner r;
    r.umaban = r.finish = h;
    r.waku = FrameNumbers(9)[h];
    r.finalOdds = 70;
    r.popularity = 1;
    race.runners.push_back(r);
  }
  const OddsBoard board = MakeBoard(race, std::vector<double>(9, 1.0));
  // Win 1 in 9, in the first three 1 in 3 (the upper place price 1.7 times the lower), a pair 1 in 36.
  EXPECT_EQ((std::vector<int>{board.win[1], board.win[9], board.winPop[5], board.placeLow[4], board.placeHigh[4]}),
            (std::vector<int>{70, 70, 1, 23, 39}));
  EXPECT_EQ((std::vector<int>{board.umaren[PairIndex(1, 2)], board.umaren[PairIndex(8, 9)],
                              board.umarenPop[PairIndex(3, 7)], board.umaren[PairIndex(9, 10)]}),
            (std::vector<int>{279, 279, 1, 0}));
  // Frame 8 holds horses 8 and 9: its seven pairs with another frame have twice the chance and come first, 8-8 is
  // one pair, 1-1 no pair at all.
  EXPECT_EQ((std::vector<int>{board.waku[FramePairIndex(1, 2)], board.waku[FramePairIndex(1, 8)],
                              board.waku[FramePairIndex(8, 8)], board.waku[FramePairIndex(1, 1)],
                              board.wakuPop[FramePairIndex(1, 8)], board.wakuPop[FramePairIndex(1, 2)]}),
            (std::vector<int>{279, 140, 279, 0, 1, 8}));

  const auto pays = ComputePayouts(race);
  using Combs = std::vector<std::vector<int>>;
  auto combs = [](const std::vector<Payout>& block) {
    Combs out;
    for (const Payout& p : block) out.push_back(p.comb);
    return out;
  };
  EXPECT_EQ(combs(pays[1]), (Combs{{1}, {2}, {3}}));
  EXPECT_EQ(combs(pays[2]), (Combs{{1, 2}}));
  EXPECT_EQ(combs(pays[4]), (Combs{{1, 2}, {1, 3}, {2, 3}}));
  EXPECT_EQ(combs(pays[7]), (Combs{{1, 2, 3}}));
  // Place 1 in 3, bracket and quinella 1 in 36, wide 1 in 12, exacta 1 in 72, trio 1 in 84, trifecta 1 in 504.
  const std::tuple<size_t, long long, int> expected[] = {{0, 700, 1}, {1, 230, 1},  {2, 2790, 8}, {3, 2790, 1},
                                                         {4, 930, 1}, {5, 5580, 1}, {6, 6510, 1}, {7, 39060, 1}};
  for (auto [block, pay, pop] : expected)
    for (const Payout& p : pays[block]) {
      EXPECT_EQ(p.pay, pay) << "block " << block;
      EXPECT_EQ(p.pop, pop) << "block " << block;
    }
}

// Nine horses, the lower the number the stronger: the strongest home in order is the most popular result of every
// bet, the weakest home in order the least popular one, whose popularity counts every combination sold.
TEST(JvgenPayouts, TheLikeliestResultIsTheFavouriteAndTheUnlikeliestTheLast) {
  for (bool upset : {false, true}) {
    SCOPED_TRACE(upset ? "weakest first" : "strongest first");
    Race race;
    for (int h = 1; h <= 9; ++h) {
      Runner r;
      r.umaban = h;
      r.waku = FrameNumbers(9)[h];
      r.strength = 10 - h;
      r.finish = upset ? 10 - h : h;
      race.runners.push_back(r);
    }
    const auto pays = ComputePayouts(race);
    // Place and wide pay three horses and three pairs, in number order; of the others one result each. Upset, the
    // weakest horse and pair come last of 9 and 36, the bracket 8-8 last of 28 frame pairs and itself.
    using Pops = std::vector<int>;
    const std::vector<Pops> expected = upset ? std::vector<Pops>{{7, 8, 9}, {29}, {36}, {31, 35, 36}, {72}, {84}, {504}}
                                             : std::vector<Pops>{{1, 2, 3}, {1}, {1}, {1, 2, 3}, {1}, {1}, {1}};
    for (size_t b = 1; b < 8; ++b) {
      Pops pops;
      for (const Payout& p : pays[b]) pops.push_back(p.pop);
      EXPECT_EQ(pops, expected[b - 1]) << "block " << b;
    }
  }
}

TEST(JvgenRecords, WithdrawnHorsesCarryTheMarkersEverywhere) {
  Options o = Base();
  o.scratches = true;
  Day day = MakeDay(o);
  int seen = 0;
  for (const Race& race : day.races) {
    std::string o1 = O1Record(day, race, Snapshots(day, race).back());
    std::string kol = KolLine(day, race);
    for (const Runner& r : race.runners) {
      if (!r.scratch) continue;
      ++seen;
      int h = r.umaban - 1;
      EXPECT_EQ(Copy(o1, L::o1::WinOdds(h).pos, 4), r.scratch == 1 ? "----" : "****");
      EXPECT_EQ(Trim(Copy(kol, 162 + 5 * h, 5)), r.scratch == 1 ? "-" : "*");
      EXPECT_EQ(r.finish, 0);
      for (const auto& block : race.pays)
        for (const Payout& e : block)
          if (&block != &race.pays[2]) {
            EXPECT_EQ(std::count(e.comb.begin(), e.comb.end(), r.umaban), 0);
          }
    }
  }
  EXPECT_GT(seen, 0);
}

TEST(JvgenRecords, SameSeedSameBytesOtherSeedOtherDay) {
  Day a = MakeDay(Base()), b = MakeDay(Base());
  Options other = Base();
  other.seed = 8;
  Day c = MakeDay(other);
  for (size_t i = 0; i < a.races.size(); ++i) {
    EXPECT_EQ(RaRecord(a, a.races[i], Stage::Result), RaRecord(b, b.races[i], Stage::Result));
    EXPECT_EQ(HrRecord(a, a.races[i], '1'), HrRecord(b, b.races[i], '1'));
  }
  EXPECT_NE(HrRecord(a, a.races[0], '1'), HrRecord(c, c.races[0], '1'));
}

TEST(JvgenRecords, DataKindsAndEntriesFieldOptions) {
  Day plain = MakeDay(Base());
  const Race& first = plain.races[0];
  const std::vector<Snapshot> snaps = Snapshots(plain, first);
  EXPECT_EQ(RaRecord(plain, first, Stage::Card).substr(0, 3), "RA2");
  EXPECT_EQ(SeRecord(plain, first, first.runners[0], Stage::Result).substr(0, 3), "SE7");
  EXPECT_EQ(O1Record(plain, first, snaps.front()).substr(0, 3), "O11");
  EXPECT_EQ(O2Record(plain, first, snaps.back()).substr(0, 3), "O23");
  Options o = Base();
  o.cardKind = 'A';
  o.oddsKind = '9';
  o.entriesField = 19;
  Day day = MakeDay(o);
  const Race& race = day.races[0];
  EXPECT_EQ(RaRecord(day, race, Stage::Card)[2], 'A');
  EXPECT_EQ(SeRecord(day, race, race.runners[0], Stage::Card)[2], 'A');
  EXPECT_EQ(O1Record(day, race, Snapshots(day, race).back())[2], '9');
  EXPECT_EQ(O2Record(day, race, Snapshots(day, race).front())[2], '9');
  EXPECT_EQ(Copy(RaRecord(day, race, Stage::Card), L::ra::kEntryCount.pos, 2), "19");
  o.entriesField = 1;  // the smallest the option takes
  const Day one = MakeDay(o);
  EXPECT_EQ(Copy(RaRecord(one, one.races[0], Stage::Card), L::ra::kEntryCount.pos, 2), "01");
  EXPECT_EQ(Copy(RaRecord(one, one.races[1], Stage::Card), L::ra::kEntryCount.pos, 2),
            FormatZero(static_cast<long long>(one.races[1].runners.size()), 2));
  // Racecourses and races per racecourse are held to 1..3 and 1..12.
  for (auto [venues, races, total] : {std::tuple{0, 0, 1}, {1, 12, 12}, {2, 1, 2}, {9, 13, 36}}) {
    o.venues = venues;
    o.races = races;
    EXPECT_EQ(MakeDay(o).races.size(), static_cast<size_t>(total)) << venues << " " << races;
  }
}

// Runs the built program; the tools folder comes from the test environment. `output` receives what it printed.
int RunJvgen(const std::string& args, std::string* output = nullptr) {
  const char* tools = std::getenv("CORVINA_TOOLS_DIR");
  std::string exe = std::string(tools ? tools : CORVINA_BINARY_DIR "/tools") + "/jvgen/jvgen";
  test::TempDir dir("jvgen-run");
  const int st = std::system((exe + " " + args + " > '" + (dir / "out").string() + "' 2>&1").c_str());
  if (output) ReadFileBytes(dir / "out", *output);
  return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

// Every file under `got` is the file of the same path under `want`, byte for byte, and no file is missing.
void ExpectSameFiles(const fs::path& got, const fs::path& want) {
  auto tree = [](const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
      if (e.is_regular_file()) ReadFileBytes(e.path(), files[fs::relative(e.path(), root).string()]);
    return files;
  };
  const auto a = tree(got), b = tree(want);
  ASSERT_FALSE(b.empty());
  for (const auto& [name, bytes] : b) {
    auto it = a.find(name);
    EXPECT_TRUE(it != a.end() && it->second == bytes) << name;
  }
  EXPECT_EQ(a.size(), b.size());
}

// The writers' list of the files they wrote names every file under `root`, and only those.
void ExpectListsEveryFile(const std::vector<fs::path>& written, const fs::path& root) {
  std::set<fs::path> listed(written.begin(), written.end()), found;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) found.insert(e.path());
  EXPECT_EQ(listed, found);
  EXPECT_EQ(listed.size(), written.size()) << "each file once";
}

// Each option reaches the day it names: the program's files are those the generator writes for the same options.
TEST(JvgenProgram, OptionsMakeTheDayTheyName) {
  test::TempDir dir("jvgen");
  Options o;
  o.date = *DayName::FromDateKey("20231230");
  o.seed = 9;
  o.venues = 1;
  o.races = 9;
  o.cardKind = 'A';
  o.resultKind = 'B';
  o.oddsKind = '9';
  o.seriesStep = 45;
  o.scratches = o.deadHeat = o.oddLines = o.badRaceNumbers = true;
  o.entriesField = 19;
  ASSERT_EQ(
      RunJvgen(
          "--seed 9 --date 20231230 --venues 1 --races 9 --card-kind A --result-kind B --odds-kind 9 --series-step 45 "
          "--scratches --dead-heat --odd-lines --entries-field 19 --bad-race-numbers --layout standin --out " +
          (dir / "got").string() + " --providers " + (dir / "got/prov").string()),
      0);
  Day day = MakeDay(o);
  std::vector<fs::path> written = WriteStandIn(day, dir / "want");
  for (const fs::path& p : WriteProviders(day, dir / "want/prov")) written.push_back(p);
  ExpectSameFiles(dir / "got", dir / "want");
  ExpectListsEveryFile(written, dir / "want");

  Options d;
  d.date = *DayName::FromDateKey("20240106");
  d.venues = 2;
  d.races = 5;
  d.results = false;
  d.yozSource = 'M';
  d.lfOnly = d.missingRunnerFile = true;
  ASSERT_EQ(RunJvgen("--date 20240106 --venues 2 --races 5 --no-results --yoz M --lf-only --missing-runners "
                     "--layout dayfiles --out " +
                     (dir / "home").string()),
            0);
  ExpectListsEveryFile(WriteDayFiles(MakeDay(d), dir / "want-home"), dir / "want-home");
  ExpectSameFiles(dir / "home", dir / "want-home");
  EXPECT_FALSE(fs::exists(dir / "want-home/Data" / (d.date.FileStem() + ".jvHR"))) << "no results";
}

TEST(JvgenProgram, BadArgumentsAreNamedAndWriteNothing) {
  test::TempDir dir("jvgen");
  const std::string out = " --layout dayfiles --out " + (dir / "home").string();
  const std::pair<std::string, std::string> cases[] = {
      {"--bogus", "unknown option --bogus (see --help)"},
      {"--date 20240230" + out, "--date: not a date yyyymmdd: 20240230"},
      {out + " --date", "--date needs a value"},
      {"--venues 2x" + out, "--venues: not a number: 2x"},
      {"--races x" + out, "--races: not a number: x"},
      {"--series-step ''" + out, "--series-step: not a number: "},
      {"--entries-field 0" + out, "--entries-field: 1..99"},
      {"--entries-field 100" + out, "--entries-field: 1..99"},
      {"--yoz X" + out, "--yoz: J, K, M or none"},
      {"--card-kind AB" + out, "--card-kind takes one character"},
      {"--result-kind ''" + out, "--result-kind takes one character"},
      {"--odds-kind 12" + out, "--odds-kind takes one character"},
      {"--seed 3", "nothing to write: give --layout or --providers"},
      {"--layout standin", "--layout needs --out"},
      {"--layout other --out " + (dir / "home").string(), "--layout: dayfiles or standin"},
  };
  for (const auto& [args, message] : cases) {
    std::string printed;
    EXPECT_EQ(RunJvgen(args, &printed), 2) << args;
    EXPECT_EQ(printed, "jvgen: " + message + "\n") << args;
  }
  EXPECT_FALSE(fs::exists(dir / "home"));
  EXPECT_EQ(RunJvgen("--entries-field 99 --providers " + (dir / "edge").string()), 0) << "99 is the largest taken";
  std::string help;
  EXPECT_EQ(RunJvgen("--bogus --help", &help), 2);
  EXPECT_EQ(RunJvgen("--seed 3 --help --bogus", &help), 0);
  EXPECT_EQ(help.substr(0, 22), "usage: jvgen [options]");
  help.clear();
  EXPECT_EQ(RunJvgen("-h", &help), 0);
  EXPECT_EQ(help.substr(0, 22), "usage: jvgen [options]");
}

TEST(JvgenProgram, StandInLayoutAndProviders) {
  test::TempDir dir("jvgen");
  const fs::path root = dir / "standin", prov = dir / "prov";
  ASSERT_EQ(RunJvgen("--date 20240106 --layout standin --out " + root.string() + " --providers " + prov.string() +
                     " --missing-runners"),
            0);
  std::string bytes;
  Lines lines;
  ASSERT_TRUE(ReadFileBytes(root / "stored/RACE/server/20240104160000_card.txt", bytes));
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
  lines = SplitLines(bytes);
  std::set<std::string> courses;
  for (const auto& l : lines) {
    std::string kind = l.substr(0, 2);
    ASSERT_TRUE(kind == "RA" || kind == "SE");
    EXPECT_EQ(l.size(), static_cast<size_t>(kind == "RA" ? L::kRaLine : L::kSeLine));
    if (kind == "SE") courses.insert(l.substr(19, 2));
  }
  EXPECT_EQ(courses.size(), 2u) << "the last racecourse's runners are left out";
  EXPECT_TRUE(fs::exists(root / "stored/RACE/server/20240106173000_results.txt"));
  EXPECT_TRUE(fs::is_directory(root / "stored/RACE/local"));
  int series = 0, released = 0;
  for (const auto& e : fs::directory_iterator(root / "realtime/0B30/20240106")) {
    ++series;
    ASSERT_TRUE(ReadLines(e.path(), lines));
    bool o1 = e.path().extension() == ".jvO1";
    for (const auto& l : lines) EXPECT_EQ(l.size(), static_cast<size_t>(o1 ? L::kO1Line : L::kO2Line));
    EXPECT_EQ(lines.front().substr(27, 8), "01051800") << "the series starts the evening before";
    // Announced in order, every snapshot interim but the last, at post time.
    for (size_t i = 0; i < lines.size(); ++i) {
      if (i > 0) {
        EXPECT_LT(lines[i - 1].substr(27, 8), lines[i].substr(27, 8));
      }
      EXPECT_EQ(lines[i][2], i + 1 < lines.size() ? '1' : '3');
    }
    EXPECT_EQ(lines[4].substr(27, 8), "01060700");
    EXPECT_EQ(lines[5].substr(27, 8), "01060710");
  }
  std::set<std::string> releases;
  for (const auto& e : fs::directory_iterator(root / "realtime/0B12/20240106")) {
    ++released;
    releases.insert(e.path().filename().string().substr(0, 5));
    EXPECT_EQ(e.path().filename().string()[4], '_');
    ASSERT_TRUE(ReadLines(e.path(), lines));
    EXPECT_EQ(lines.back().substr(0, 3), "HR1") << "a released result";
    EXPECT_EQ(lines.front().substr(0, 3), "RA7");
  }
  EXPECT_EQ(series, 72);
  EXPECT_EQ(released, 36);
  // Released 15 minutes after post time: from 10:15 to 16:50.
  EXPECT_EQ(*releases.begin(), "1015_");
  EXPECT_EQ(*releases.rbegin(), "1650_");
  ASSERT_TRUE(ReadLines(prov / "Oz240106.txt", lines));
  EXPECT_EQ(lines.size(), 36u);
  ASSERT_TRUE(ReadLines(prov / "kol_ods.kd3", lines));
  EXPECT_EQ(lines[0].substr(12, 8), "20240106");
  // Without --date the day is today.
  ASSERT_EQ(RunJvgen("--providers " + (dir / "today").string()), 0);
  const DateTime now = Clock::Now();
  EXPECT_TRUE(fs::exists(dir / "today" / JrdbFileName(DayName(now.year, now.month, now.day))));
}

TEST(JvgenProgram, DayFilesOfAShortDayWithAMissingRunnerFile) {
  test::TempDir dir("jvgen");
  const fs::path home = dir.path();
  ASSERT_EQ(RunJvgen("--date 20240106 --venues 1 --races 8 --missing-runners --no-results --yoz none --lf-only "
                     "--layout dayfiles --out " +
                     home.string()),
            0);
  std::string stem = DayName(2024, 1, 6).FileStem();
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(home / "Data" / (stem + ".jvRA"), bytes));
  EXPECT_EQ(bytes.find('\r'), std::string::npos);
  EXPECT_EQ(SplitLines(bytes).size(), 8u);
  int seFiles = 0;
  for (const auto& e : fs::directory_iterator(home / "Data")) seFiles += e.path().extension() == ".jvSEr";
  EXPECT_EQ(seFiles, 0);
  EXPECT_FALSE(fs::exists(home / "Data" / (stem + ".jvHR")));
  EXPECT_FALSE(fs::exists(home / "Data" / (stem + ".yoz")));
}

}  // namespace
