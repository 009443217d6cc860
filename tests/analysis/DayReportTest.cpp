// The day report tool on generated race days: the whole report, the exit status of days that cannot load,
// and the yearly summary files byte for byte in their line format.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

#include "platform/Cp932.h"
#include "platform/LineFile.h"
#include "platform/Text.h"
#include "tests/support/TempDir.h"

namespace corvina {
namespace {

namespace fs = std::filesystem;

fs::path Tool(const char* name) {
  const char* dir = std::getenv("CORVINA_TOOLS_DIR");
  return fs::path(dir ? dir : CORVINA_BINARY_DIR "/tools") / name / name;
}

struct ToolRun {
  int status = -1;
  std::string out;
};

ToolRun Execute(const std::string& command) {
  ToolRun r;
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int st = ::pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

std::vector<std::vector<std::string>> Records(const std::string& out, const std::string& name) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> cols;
    std::istringstream ls(line);
    for (std::string c; std::getline(ls, c, '\t');) cols.push_back(c);
    if (!cols.empty() && cols[0] == name) rows.push_back(cols);
  }
  return rows;
}

class DayReport : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(Tool("jvgen")) || !fs::exists(Tool("dayreport"))) GTEST_SKIP() << "tools not built";
  }
  void Generate(const std::string& date, const std::string& extra = "") {
    ASSERT_EQ(Execute(Tool("jvgen").string() + " --layout dayfiles --out '" + home_.string() + "' --date " + date +
                      " " + extra + " >/dev/null")
                  .status,
              0);
  }
  ToolRun Report(const std::string& date) {
    return Execute(Tool("dayreport").string() + " --home '" + home_.string() + "' --date " + date);
  }
  test::TempDir dir_{"dayreport"};
  fs::path home_ = dir_.path();
};

TEST_F(DayReport, WholeDayReportAndSummaryFilesOnlyWithTheMarker) {
  Generate("20240106");
  // Without the marker file: the same report twice and no summary file.
  ToolRun first = Report("20240106");
  ASSERT_EQ(first.status, 0) << first.out;
  EXPECT_EQ(Report("20240106").out, first.out);
  EXPECT_TRUE(Records(first.out, "file").empty());
  for (const auto& e : fs::directory_iterator(home_)) EXPECT_NE(e.path().extension(), ".ksr");

  std::ofstream(home_ / "makeKaishuFile.data") << "";
  ToolRun r = Report("20240106");
  ASSERT_EQ(r.status, 0) << r.out;

  auto day = Records(r.out, "day");
  ASSERT_EQ(day.size(), 1u);
  EXPECT_EQ(day[0], (std::vector<std::string>{"day", "2024年01月06日", "loaded", "36"}));
  for (const char* kind : {"race", "axis", "note"}) EXPECT_EQ(Records(r.out, kind).size(), 36u) << kind;
  EXPECT_GT(Records(r.out, "horse").size(), 36u * 5);
  EXPECT_TRUE(Records(r.out, "warning").empty());
  for (const auto& h : Records(r.out, "horse")) ASSERT_EQ(h.size(), 21u);

  // The generated day reaches the axis-horse row and the "C" rules: some race has both an axis horse and a
  // horse carrying "C" in its current marks (the latest snapshot's, which every generated race has).
  std::map<std::string, int> countC;
  for (const auto& race : Records(r.out, "race")) countC[race[1]] = std::stoi(race[11]);
  std::map<std::string, int> markedC;
  for (const auto& h : Records(r.out, "horse"))
    if (h[16] == "C") ++markedC[h[1]];
  int axisWithC = 0;
  for (const auto& a : Records(r.out, "axis")) {
    if (a[2] == "0") continue;
    if (countC[a[1]] > 0 && markedC[a[1]] == countC[a[1]]) ++axisWithC;
  }
  EXPECT_GE(axisWithC, 1);

  // Every ticket hit shows a pay, and the statistics add up to the tickets listed.
  int quinellaHits = 0;
  long long quinellaPay = 0;
  for (const auto& t : Records(r.out, "ticket")) {
    ASSERT_EQ(t.size(), 8u);
    EXPECT_EQ(t[3].size(), 5u);
    EXPECT_LT(std::stoi(t[3].substr(0, 2)), std::stoi(t[3].substr(3, 2)));  // lower number first
    if (t[6] == "1") {
      ++quinellaHits;
      quinellaPay += std::stoll(t[7]);
      EXPECT_GT(std::stoll(t[7]), 0);
    }
  }
  std::map<std::string, std::vector<std::string>> stats;  // "type scope" -> columns
  for (const auto& s : Records(r.out, "stat")) stats[s[1] + " " + s[2]] = s;
  ASSERT_EQ(stats.size(), 16u);
  EXPECT_EQ(std::stoi(stats["quinella all"][4]), quinellaHits);
  EXPECT_EQ(std::stoll(stats["quinella all"][6]), quinellaPay);
  // Every axis horse of a race with results (all generated races have them) is one win and one place ticket.
  int axisHorses = 0;
  for (const auto& a : Records(r.out, "axis")) axisHorses += a[2] != "0";
  EXPECT_EQ(std::stoi(stats["win all"][3]), axisHorses);
  EXPECT_EQ(std::stoi(stats["place all"][3]), axisHorses);

  // Summary files: one per bet type, 53-byte CP932 lines, sorted, with the all-venue line matching the report.
  const std::map<std::string, std::string> words{
      {"win", "単勝"}, {"place", "複勝"}, {"quinella", "馬連"}, {"wide", "ﾜｲﾄﾞ"}};
  EXPECT_EQ(Records(r.out, "file").size(), 4u);
  for (const auto& [type, word] : words) {
    fs::path path = home_ / ("2024年" + word + ".ksr");
    Lines lines;
    ASSERT_TRUE(ReadLines(path, lines)) << path;
    EXPECT_EQ(lines.size(), 4u);  // all venues and three venues
    const auto& s = stats[type + " all"];
    std::string expected = ToCp932("01月06日全場") + std::string(8, ' ') + FormatInt(std::stoi(s[3]), 3) +
                           ToCp932("点") + FormatInt(std::stoi(s[4]), 3) + ToCp932("点") +
                           FormatInt(std::stoll(s[5]), 5) + ToCp932("円") + FormatInt(std::stoll(s[6]), 7) +
                           ToCp932("円") + s[7];
    EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << type;
  }

  // A second run replaces the day's lines; another day of the year adds its own.
  ASSERT_EQ(Report("20240106").status, 0);
  Generate("20240107");
  ASSERT_EQ(Report("20240107").status, 0);
  Lines lines;
  ASSERT_TRUE(ReadLines(home_ / "2024年馬連.ksr", lines));
  EXPECT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0].substr(0, 8), ToCp932("01月06日"));
  EXPECT_EQ(lines[7].substr(0, 8), ToCp932("01月07日"));
}

// A summary file whose write fails is a warning, never a "file" line, even when something of that name exists.
TEST_F(DayReport, OnlyTheSummaryFilesThisRunWroteAreListed) {
  Generate("20240106");
  std::ofstream(home_ / "makeKaishuFile.data") << "";
  fs::create_directories(home_ / "2024年馬連.ksr" / "in-the-way");
  ToolRun r = Report("20240106");
  ASSERT_EQ(r.status, 0) << r.out;
  std::vector<std::string> files;
  for (const auto& f : Records(r.out, "file")) files.push_back(fs::path(f[1]).filename().string());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"2024年単勝.ksr", "2024年複勝.ksr", "2024年ﾜｲﾄﾞ.ksr"}));
  ASSERT_EQ(Records(r.out, "warning").size(), 1u);
  EXPECT_NE(Records(r.out, "warning")[0][1].find("2024年馬連.ksr"), std::string::npos);
}

// Every name in `dir`, hidden ones included.
std::set<std::string> Names(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

// Saves killed between naming their temporary file and the rename leave it whole and hidden; the next run
// clears, from the folders it saves into, those of the files it writes there, as the main window does. A
// user's files stay however like a leftover their names are, and so does whatever a linked HPupload leads to;
// the generator clears only what it left of the files it writes.
TEST_F(DayReport, LeftoversOfKilledSavesAreRemovedAtStart) {
  const auto leftover = [](const std::string& name) { return ".corvina-save." + name + ".0123456789ab"; };
  const fs::path data = home_ / "Data", upload = home_ / "HPupload";
  fs::create_directories(data);
  const std::set<std::string> dataUsers = {".plan.tmp2",
                                           ".2024年01月06日.jvRA.tmp9",
                                           leftover("plan.txt"),
                                           leftover("2024年01月06日.txt"),
                                           leftover("2024年13月06日.jvRA"),
                                           leftover("2024年01月06日.jvRA.bak")};
  for (const std::string& name : dataUsers) ASSERT_TRUE(SaveFileAtomic(data / name, "mine"));
  const std::string otherDay = leftover("2024年01月13日.jvRA");
  ASSERT_TRUE(SaveFileAtomic(data / leftover("2024年01月06日.jvRA"), "left"));
  ASSERT_TRUE(SaveFileAtomic(data / otherDay, "left"));
  ASSERT_TRUE(SaveFileAtomic(home_ / leftover("corvina.ini"), "left"));
  Generate("20240106");
  std::set<std::string> dataNames = Names(data);
  EXPECT_FALSE(dataNames.contains(leftover("2024年01月06日.jvRA"))) << "the generator's own file";
  EXPECT_TRUE(dataNames.contains(otherDay)) << "a day the generator did not write";
  EXPECT_TRUE(fs::exists(home_ / leftover("corvina.ini"))) << "a file the generator does not write";

  std::ofstream(home_ / "makeKaishuFile.data") << "";
  fs::create_directories(upload);
  const std::set<std::string> homeLeft = {leftover("corvina.ini"), leftover("ErrorLog.txt"), leftover("2024年馬連.ksr"),
                                          leftover("1999年ﾜｲﾄﾞ.ksr")};
  const std::set<std::string> dataLeft = {otherDay, leftover("2024年01月06日.jvO1"),
                                          leftover("2024年01月06日東京.jvSEr"), leftover("2024年01月06日.yoz"),
                                          leftover("2024年01月06日.moto")};
  const std::set<std::string> uploadLeft = {leftover("Manbaken.txt"), leftover("TK20240106.txt")};
  const std::set<std::string> homeUsers = {".notes.tmp1",
                                           ".ErrorLog.txt.tmp123",
                                           leftover("notes.txt"),
                                           leftover("corvina.ini.bak"),
                                           leftover("2024年馬券.ksr"),
                                           leftover("24年馬連.ksr"),
                                           ".corvina-save.corvina.ini"};
  const std::set<std::string> uploadUsers = {".draft.tmp3", leftover("draft.txt"), leftover("TK2024010.txt"),
                                             leftover("TK2024010a.txt"), leftover("TK202401061.txt")};
  for (const std::string& name : homeLeft) ASSERT_TRUE(SaveFileAtomic(home_ / name, "left"));
  for (const std::string& name : dataLeft) ASSERT_TRUE(SaveFileAtomic(data / name, "left"));
  for (const std::string& name : uploadLeft) ASSERT_TRUE(SaveFileAtomic(upload / name, "left"));
  for (const std::string& name : homeUsers) ASSERT_TRUE(SaveFileAtomic(home_ / name, "mine"));
  for (const std::string& name : uploadUsers) ASSERT_TRUE(SaveFileAtomic(upload / name, "mine"));
  ToolRun r = Report("20240106");
  ASSERT_EQ(r.status, 0) << r.out;
  for (const auto& [folder, left, users] :
       {std::tuple{home_, homeLeft, homeUsers}, std::tuple{data, dataLeft, dataUsers},
        std::tuple{upload, uploadLeft, uploadUsers}}) {
    const std::set<std::string> now = Names(folder);
    for (const std::string& name : left) EXPECT_FALSE(now.contains(name)) << folder / name;
    for (const std::string& name : users) EXPECT_TRUE(now.contains(name)) << folder / name;
  }
  EXPECT_TRUE(fs::exists(home_ / "2024年馬連.ksr"));

  // HPupload as a link to a folder of the user's: nothing there is the program's to clear. The program folder
  // itself is wherever a link to it leads.
  test::TempDir docs("docs");
  std::set<std::string> docsNames = {".draft.tmp3", leftover("Manbaken.txt")};
  for (const std::string& name : docsNames) ASSERT_TRUE(SaveFileAtomic(docs / name, "mine"));
  fs::remove_all(upload);
  fs::create_directory_symlink(docs.path(), upload);
  fs::create_directory_symlink(home_, docs / "home");
  docsNames.insert("home");
  ASSERT_TRUE(SaveFileAtomic(home_ / leftover("ErrorLog.txt"), "left"));
  ASSERT_EQ(Execute(Tool("dayreport").string() + " --home '" + (docs / "home").string() + "' --date 20240106").status,
            0);
  EXPECT_EQ(Names(docs.path()), docsNames);
  EXPECT_FALSE(fs::exists(home_ / leftover("ErrorLog.txt")));
}

TEST_F(DayReport, DaysThatCannotLoad) {
  Generate("20240106", "--venues 1 --races 8");
  ToolRun few = Report("20240106");
  EXPECT_EQ(few.status, 2);
  ASSERT_EQ(Records(few.out, "message").size(), 1u);
  EXPECT_EQ(Records(few.out, "message")[0][1], "本ソフトは当日全レースの出馬表データを揃えてからご利用ください。");
  EXPECT_TRUE(Records(few.out, "race").empty());

  Generate("20240113", "--missing-runners");
  ToolRun missing = Report("20240113");
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(Records(missing.out, "day")[0][2], "runner-file-missing");

  ToolRun none = Report("20240120");
  EXPECT_EQ(none.status, 2);
  EXPECT_TRUE(Records(none.out, "message").empty());
  EXPECT_EQ(Execute(Tool("dayreport").string() + " --date 2024 2>/dev/null").status, 1);
}

TEST_F(DayReport, DayBefore2005TakesSmallRacesFromTheBracketOdds) {
  Generate("20040110", "--yoz K");
  ToolRun r = Report("20040110");
  ASSERT_EQ(r.status, 0) << r.out;
  int smallRaces = 0, smallWithAverages = 0;
  std::map<std::string, bool> hasAverage;
  for (const auto& h : Records(r.out, "horse"))
    if (h[12] != "0.0") hasAverage[h[1]] = true;
  for (const auto& race : Records(r.out, "race")) {
    if (std::stoi(race[4]) > 8) continue;
    ++smallRaces;
    smallWithAverages += hasAverage[race[1]];
  }
  if (smallRaces == 0) GTEST_SKIP() << "the generated day has no race of 8 runners or fewer";
  EXPECT_EQ(smallWithAverages, smallRaces);
}

}  // namespace
}  // namespace corvina
