// Blanking the odds of one race slot in the day files, with missing and short files.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/LineFile.h"
#include "platform/Text.h"
#include "racedata/DayFiles.h"
#include "racedata/OddsClear.h"
#include "racedata/RecordLayout.h"
#include "tests/support/TempDir.h"

using namespace corvina;
namespace fs = std::filesystem;
namespace L = corvina::layout;

namespace {

class OddsClearTest : public ::testing::Test {
 protected:
  fs::path File(std::string_view suffix) const { return DayFilePath(dir.path(), day, suffix); }
  Lines Read(std::string_view suffix) const {
    Lines lines;
    ReadLines(File(suffix), lines);
    return lines;
  }
  void Write(std::string_view suffix, size_t count, char fill, int length) {
    ASSERT_TRUE(SaveLines(File(suffix), Lines(count, std::string(static_cast<size_t>(length), fill))));
  }
  test::TempDir dir{"oddsclear"};
  DayName day{2024, 1, 6};
};

}  // namespace

TEST_F(OddsClearTest, OneRaceBlanksItsLinesInTheFilesThatExist) {
  Write(".jvO1", 24, '1', L::kO1Line);
  Write(".jvO2", 12, '2', L::kO2Line);
  Write(".moto", 24, '7', 5);
  ASSERT_TRUE(ClearRaceOdds(dir.path(), day, 3));
  const Lines o1 = Read(".jvO1"), o2 = Read(".jvO2"), moto = Read(".moto");
  ASSERT_EQ(o1.size(), 24u);
  for (size_t i = 0; i < o1.size(); ++i) EXPECT_EQ(IsBlank(o1[i]), i == 6 || i == 7) << i;
  EXPECT_EQ(o1[6].size(), size_t(L::kO1Line));
  ASSERT_EQ(o2.size(), 12u);
  for (size_t i = 0; i < o2.size(); ++i) EXPECT_EQ(IsBlank(o2[i]), i == 3) << i;
  EXPECT_EQ(moto[6], "10000");
  EXPECT_EQ(moto[7], "10000");
  EXPECT_EQ(moto[8], "77777");
  EXPECT_FALSE(fs::exists(File(".jvO3"))) << "a missing file stays missing";
}

TEST_F(OddsClearTest, ShortFilesGetTheirMissingLinesAndBadSlotsOrFilesAreRefused) {
  Write(".jvO1", 2, '1', L::kO1Line);
  Write(".jvO3", 1, '3', L::kO3Line);
  Write(".moto", 1, '7', 5);
  ASSERT_TRUE(ClearRaceOdds(dir.path(), day, 5));
  const Lines o1 = Read(".jvO1"), o3 = Read(".jvO3"), moto = Read(".moto");
  ASSERT_EQ(o1.size(), 12u);
  EXPECT_EQ(o1[0], std::string(L::kO1Line, '1'));
  for (size_t i = 2; i < 12; ++i) EXPECT_EQ(o1[i], std::string(L::kO1Line, ' ')) << i;
  ASSERT_EQ(o3.size(), 6u);
  EXPECT_EQ(o3[5], std::string(L::kO3Line, ' '));
  ASSERT_EQ(moto.size(), 12u);
  EXPECT_EQ(moto[5], "");
  EXPECT_EQ(moto[10], "10000");
  EXPECT_EQ(moto[11], "10000");

  for (int slot : {-1, 36}) {
    std::string error;
    EXPECT_FALSE(ClearRaceOdds(dir.path(), day, slot, &error)) << slot;
    EXPECT_FALSE(error.empty());
  }
  EXPECT_EQ(Read(".jvO1"), o1);

  // A day file that cannot be read is named with the reason, and the files after it are left as they were.
  fs::create_symlink("/proc/self/mem", File(".jvO2"));
  std::string error;
  EXPECT_FALSE(ClearRaceOdds(dir.path(), day, 0, &error));
  EXPECT_TRUE(error.starts_with("2024年01月06日.jvO2: ")) << error;
  EXPECT_GT(error.size(), std::string("2024年01月06日.jvO2: ").size()) << "says why";
  EXPECT_EQ(Read(".jvO3")[0], std::string(L::kO3Line, '3'));
  EXPECT_EQ(Read(".moto")[0], "77777");
}
