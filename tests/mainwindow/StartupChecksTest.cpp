// The start-up's presence test of JV-Link, without a window: which folder it looks at and what counts as there.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "mainwindow/StartupChecks.h"
#include "tests/support/TempDir.h"

using namespace corvina;
namespace fs = std::filesystem;

TEST(JVLinkPresentTest, TheStandInFolderOfTheProgramFolderOrOfTheEnvironmentCounts) {
  ::unsetenv("CORVINA_JVLINK_ROOT");
  test::TempDir home{"startup"};
  EXPECT_FALSE(JVLinkPresent(home.path()));
  std::ofstream(home / "jvlink") << "a file where the stand-in's folder should be";
  EXPECT_FALSE(JVLinkPresent(home.path())) << "a file is no folder";
  fs::remove(home / "jvlink");
  fs::create_directories(home / "jvlink");
  EXPECT_TRUE(JVLinkPresent(home.path()));

  // A root set in the environment is the only place looked at.
  ::setenv("CORVINA_JVLINK_ROOT", (home / "missing").c_str(), 1);
  EXPECT_FALSE(JVLinkPresent(home.path()));
  fs::create_directories(home / "other-root");
  ::setenv("CORVINA_JVLINK_ROOT", (home / "other-root").c_str(), 1);
  fs::remove_all(home / "jvlink");
  EXPECT_TRUE(JVLinkPresent(home.path()));
  ::unsetenv("CORVINA_JVLINK_ROOT");
}
