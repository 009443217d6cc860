#include "racedata/DayModel.h"

#include <gtest/gtest.h>

#include <memory>

namespace corvina {
namespace {

TEST(DayModel, StartsWithBlankRecordsOfLineLength) {
  auto day = std::make_unique<DayModel>();
  EXPECT_EQ(day->Table.GRaTbl[35].size(), size_t(layout::kRaLine));
  EXPECT_EQ(day->Table.GSeTbl[35][17].size(), size_t(layout::kSeLine));
  EXPECT_EQ(day->Table.GYozTbl[0].find_first_not_of(' '), std::string::npos);
  EXPECT_EQ(day->FRaceInfo[0].SanrentanPay.size(), 7u);  // entries 1..6
  EXPECT_EQ(day->GAutoReadMinutes, 15);
  day->Table.GHrTbl[3] = "HR";
  day->Table.Blank();
  EXPECT_EQ(day->Table.GHrTbl[3], std::string(layout::kHrLine, ' '));
}

}  // namespace
}  // namespace corvina
