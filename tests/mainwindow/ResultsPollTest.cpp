// The hours of the results poll, apart from its timer.
#include <gtest/gtest.h>

#include "mainwindow/ResultsPoll.h"

using namespace corvina;

TEST(ResultsPollDueTest, RunsFromBeforeTheFirstPostTimeUntilSixInTheEvening) {
  // Start = post time - (interval + 30): 10:00 - 45 min = 09:15, and only later than that.
  EXPECT_FALSE(ResultsPollDue("0915", "1000", 15));
  EXPECT_TRUE(ResultsPollDue("0916", "1000", 15));
  EXPECT_FALSE(ResultsPollDue("0900", "1000", 15));
  EXPECT_TRUE(ResultsPollDue("1800", "1000", 15));
  EXPECT_FALSE(ResultsPollDue("1801", "1000", 15));
  EXPECT_FALSE(ResultsPollDue("2300", "1000", 15));
  // A longer interval starts earlier.
  EXPECT_TRUE(ResultsPollDue("0900", "1000", 31));
  // A day without a post time in slot 0 is polled all day until 18:00.
  EXPECT_TRUE(ResultsPollDue("0000", "    ", 15));
  EXPECT_FALSE(ResultsPollDue("1830", "    ", 15));
}
