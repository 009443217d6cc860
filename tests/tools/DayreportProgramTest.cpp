// The day report tool's command line: what it prints and how it exits when it is given no day to load, and the
// settings it reads from the program folder.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/LineFile.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {

struct ToolRun {
  int status = -1;
  std::string out, err;
};

std::string Tool(const std::string& name) {
  const char* tools = std::getenv("CORVINA_TOOLS_DIR");
  return std::string(tools ? tools : CORVINA_BINARY_DIR "/tools") + "/" + name + "/" + name;
}

ToolRun Dayreport(const corvina::test::TempDir& dir, const std::string& args) {
  const std::string exe = Tool("dayreport");
  ToolRun r;
  const int st =
      std::system((exe + " " + args + " >'" + (dir / "out").string() + "' 2>'" + (dir / "err").string() + "'").c_str());
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  corvina::ReadFileBytes(dir / "out", r.out);
  corvina::ReadFileBytes(dir / "err", r.err);
  return r;
}

TEST(DayreportProgram, HelpAndUsageErrors) {
  corvina::test::TempDir dir("dayreport-args");
  const std::string usage = "usage: dayreport --home DIR --date yyyymmdd\n";
  ToolRun help = Dayreport(dir, "--date 20240106 -h");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.substr(0, usage.size()), usage);
  EXPECT_EQ(help.err, "");
  // An unknown argument, or one whose value is missing, is named.
  for (const std::string a : {"--bogus", "--home"}) {
    ToolRun bad = Dayreport(dir, "--date 20240106 " + a);
    EXPECT_EQ(bad.status, 1) << a;
    EXPECT_EQ(bad.err.substr(0, 36 + a.size()), "dayreport: unknown argument " + a + "\n" + usage.substr(0, 7)) << a;
    EXPECT_EQ(bad.out, "") << a;
  }
  for (const std::string& args :
       {std::string("--date 20240106"), "--home '" + dir.path().string() + "' --date 20240230"}) {
    ToolRun missing = Dayreport(dir, args);
    EXPECT_EQ(missing.status, 1) << args;
    EXPECT_EQ(missing.err.substr(0, 54), "dayreport: --home DIR and --date yyyymmdd are needed\n" + usage.substr(0, 1))
        << args;
    EXPECT_EQ(missing.out, "") << args;
  }
}

// The ticket rule for the home racecourses follows kaime/local of the settings file, on unless it says 0.
TEST(DayreportProgram, TheLocalTicketRuleComesFromTheSettingsFile) {
  corvina::test::TempDir dir("dayreport-local");
  const fs::path home = dir / "home";
  ASSERT_EQ(std::system((Tool("jvgen") + " --date 20240106 --layout dayfiles --out '" + home.string() + "'").c_str()),
            0);
  const std::string args = "--home '" + home.string() + "' --date 20240106";
  const ToolRun unset = Dayreport(dir, args);
  ASSERT_EQ(unset.status, 0) << unset.err;
  std::vector<std::string> reports;
  for (const char* value : {"1", "0"}) {
    ASSERT_TRUE(corvina::SaveFileAtomic(home / "corvina.ini", std::string("[kaime]\r\nlocal=") + value + "\r\n"));
    reports.push_back(Dayreport(dir, args).out);
  }
  EXPECT_EQ(reports[0], unset.out);
  EXPECT_NE(reports[1], unset.out);
  // Each race's tickets are listed by place, up to the sixth.
  std::set<std::string> places;
  for (size_t at = unset.out.find("\nticket\t"); at != std::string::npos; at = unset.out.find("\nticket\t", at + 1)) {
    const size_t from = unset.out.find('\t', at + 8) + 1;
    places.insert(unset.out.substr(from, unset.out.find('\t', from) - from));
  }
  EXPECT_EQ(places, (std::set<std::string>{"1", "2", "3", "4", "5", "6"}));
}

}  // namespace
