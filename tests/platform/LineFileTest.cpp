#include <gtest/gtest.h>

#include <filesystem>

#include "platform/LineFile.h"
#include "tests/support/TempDir.h"

using namespace corvina;
namespace fs = std::filesystem;

using test::TempDir;

TEST(SplitLines, AcceptsEveryLineEnd) {
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n\r\nb\r\n"), (Lines{"a", "", "b"}));
  EXPECT_EQ(SplitLines(""), Lines{});
  EXPECT_EQ(SplitLines("\n"), Lines{""});
  EXPECT_EQ(SplitLines("x\r"), Lines{"x"});
}

TEST(LineFile, FixedRecordsArePaddedOrCutSoOneOddLineShiftsNothing) {
  TempDir dir;
  fs::path f = dir.path() / "day.jvRA";
  ASSERT_TRUE(SaveFileAtomic(f, "12345\nab\r\n123456789\r\nxyz"));
  Lines lines;
  ASSERT_TRUE(ReadFixedLines(f, 5, lines));
  EXPECT_EQ(lines, (Lines{"12345", "ab   ", "12345", "xyz  "}));
}

TEST(LineFile, SaveWritesCrLfAndLeavesNoTemporaryFile) {
  TempDir dir;
  fs::path f = dir.path() / "a.txt";
  ASSERT_TRUE(SaveLines(f, {"one", "", "two"}));
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(f, bytes));
  EXPECT_EQ(bytes, "one\r\n\r\ntwo\r\n");
  ASSERT_TRUE(SaveLines(f, {"three"}));
  ASSERT_TRUE(ReadFileBytes(f, bytes));
  EXPECT_EQ(bytes, "three\r\n");
  int count = 0;
  for (auto& e : fs::directory_iterator(dir.path())) (void)e, ++count;
  EXPECT_EQ(count, 1);
}

TEST(LineFile, FailuresAreReportedAndKeepTheOldFile) {
  TempDir dir;
  Lines lines{"x"};
  std::string err;
  EXPECT_FALSE(ReadLines(dir.path() / "missing", lines, &err));
  EXPECT_TRUE(lines.empty());
  EXPECT_FALSE(err.empty());
  EXPECT_FALSE(SaveLines(dir.path() / "no-such-folder" / "f.txt", {"a"}, &err));
  // A folder in the way of the rename: the save fails and nothing else appears.
  fs::create_directories(dir.path() / "blocked");
  fs::create_directories(dir.path() / "blocked" / "inner");
  EXPECT_FALSE(SaveLines(dir.path() / "blocked", {"a"}, &err));
  int count = 0;
  for (auto& e : fs::directory_iterator(dir.path())) (void)e, ++count;
  EXPECT_EQ(count, 1);
}
