#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "platform/Cp932.h"
#include "platform/DayName.h"
#include "platform/SortedList.h"
#include "platform/Text.h"

using namespace corvina;

TEST(Copy, BehavesLikeTheOriginalOnShortRecords) {
  EXPECT_EQ(Copy("ABCDEF", 2, 3), "BCD");
  EXPECT_EQ(Copy("ABCDEF", 5, 10), "EF");
  EXPECT_EQ(Copy("ABCDEF", 7, 1), "");
  EXPECT_EQ(Copy("ABCDEF", 0, 2), "AB");
  EXPECT_EQ(Copy("ABCDEF", -5, 2), "AB");
  EXPECT_EQ(Copy("ABCDEF", 2, 0), "");
  EXPECT_EQ(Copy("ABCDEF", 2, -1), "");
  EXPECT_EQ(Copy("", 1, 5), "");
}

TEST(StrToIntLenient, TakesDigitsUpToTheFirstNonDigit) {
  EXPECT_EQ(StrToIntLenient("  12"), 12);
  EXPECT_EQ(StrToIntLenient("0012"), 12);
  EXPECT_EQ(StrToIntLenient("12ab"), 12);
  EXPECT_EQ(StrToIntLenient(""), 0);
  EXPECT_EQ(StrToIntLenient("    "), 0);
  EXPECT_EQ(StrToIntLenient("----"), 0);
  EXPECT_EQ(StrToIntLenient("****"), 0);
  EXPECT_EQ(StrToIntLenient("-7"), -7);
  EXPECT_EQ(StrToIntLenient(" +7 "), 7);
  EXPECT_EQ(StrToIntLenient("99999999999999999999"), 2147483647);
  EXPECT_EQ(StrToIntLenient("-99999999999999999999"), -2147483648LL);
}

TEST(FormatFixed, RoundsHalfAwayFromZeroOnTheDecimalValue) {
  EXPECT_EQ(FormatFixed(2.25, 5, 1), "  2.3");   // exact binary tie: printf would give 2.2
  EXPECT_EQ(FormatFixed(1.15, 0, 1), "1.2");     // 1.149999... in binary, 1.15 as a decimal
  EXPECT_EQ(FormatFixed(-2.25, 0, 1), "-2.3");
  EXPECT_EQ(FormatFixed(9.95, 5, 1), " 10.0");
  EXPECT_EQ(FormatFixed(99.95, 5, 1), "100.0");  // grows past the width rather than being cut
  EXPECT_EQ(FormatFixed(0.0, 5, 1), "  0.0");
  EXPECT_EQ(FormatFixed(-0.04, 0, 1), "0.0");    // no "-0.0"
  EXPECT_EQ(FormatFixed(0.0005, 9, 3), "    0.001");
  EXPECT_EQ(FormatFixed(1234.5678, 9, 3), " 1234.568");
  EXPECT_EQ(FormatFixed(12.0, 8, 1), "    12.0");
  EXPECT_EQ(FormatFixed(123456789.0, 6, 1), "123456789.0");
  EXPECT_EQ(FormatFixed(1e-300, 6, 1), "   0.0");
  EXPECT_EQ(FormatFixed(5.0, 0, 0), "5");
  EXPECT_EQ(FormatFixed(2.5, 0, 0), "3");
}

TEST(FormatInt, PadsLikePrintf) {
  EXPECT_EQ(FormatInt(1, 2), " 1");
  EXPECT_EQ(FormatInt(18, 2), "18");
  EXPECT_EQ(FormatInt(123, 2), "123");
  EXPECT_EQ(FormatZero(7, 2), "07");
}

TEST(Cp932, RoundTripsTheCharactersStrictShiftJisLacks) {
  // Circled digits and the full-width minus exist only in the Windows code page.
  EXPECT_EQ(ToCp932("①"), "\x87\x40");
  EXPECT_EQ(ToCp932("－"), "\x81\x7C");
  EXPECT_EQ(ToCp932("東京"), "\x93\x8C\x8B\x9E");
  EXPECT_EQ(ToCp932("ｾﾝ"), "\xBE\xDD");
  EXPECT_EQ(FromCp932("\x93\x8C\x8B\x9E"), "東京");
  EXPECT_EQ(FromCp932(ToCp932("ﾃﾞｰﾀを読み込んでください。")), "ﾃﾞｰﾀを読み込んでください。");
}

TEST(Cp932, BadBytesAreReplacedWithoutLosingTheRest) {
  EXPECT_EQ(FromCp932("A\x81 B"), "A\xEF\xBF\xBD B");  // lead byte with an invalid trail
  EXPECT_EQ(FromCp932("AB\x93"), "AB\xEF\xBF\xBD");        // cut in the middle of a character
  EXPECT_EQ(ToCp932("A\xF0\x9F\x90\x8E" "B"), "A?B");      // no CP932 form
}

TEST(DayName, GivesAllThreeFormsAndParsesNames) {
  DayName d(2024, 1, 6);
  EXPECT_EQ(d.DateKey(), "20240106");
  EXPECT_EQ(d.Display(), "2024年01月06日");
  EXPECT_EQ(d.Cp932().size(), 14u);
  EXPECT_EQ(FromCp932(d.Cp932()), d.Display());
  EXPECT_EQ(DayName::ParseUtf8Prefix("2024年01月06日東京.jvSEr"), d);
  EXPECT_EQ(DayName::ParseCp932Prefix(d.Cp932() + "xyz"), d);
  EXPECT_EQ(DayName::FromDateKey("20240106"), d);
  EXPECT_FALSE(DayName::FromDateKey("20240230"));
  EXPECT_FALSE(DayName::FromDateKey("2024013"));
  EXPECT_FALSE(DayName::ParseUtf8Prefix("2024年1月06日.jvRA"));
  EXPECT_FALSE(DayName::ParseUtf8Prefix("2024年13月06日.jvRA"));
  EXPECT_TRUE(DayName::FromDateKey("20240229"));
  EXPECT_FALSE(DayName::FromDateKey("21000229"));
}

TEST(SortedList, OrdersByBytesAndKeepsEqualsInAddOrder) {
  SortedList l;
  l.Add("\x93\x8C");  // a CP932 lead byte sorts after ASCII
  l.Add("  9.9");
  l.Add(" 10.0");
  l.Add("  9.9");
  ASSERT_EQ(l.Count(), 4u);
  EXPECT_EQ(l[0], "  9.9");
  EXPECT_EQ(l[2], " 10.0");
  EXPECT_EQ(l[3], "\x93\x8C");
}

TEST(Clock, FixedClockAdvancesAcrossMidnightAndMonths) {
  Clock::Set({2024, 2, 28, 23, 59, 30});
  Clock::Advance(45);
  EXPECT_EQ(Clock::Now().Stamp(), "2024/02/29 00:00:15");
  EXPECT_EQ(AddSeconds({2024, 3, 1, 0, 0, 0}, -1).Stamp(), "2024/02/29 23:59:59");
  EXPECT_EQ(AddSeconds({2023, 12, 31, 23, 0, 0}, 3600).Compact(), "20240101000000");
  Clock::Reset();
  EXPECT_GT(Clock::Now().year, 2000);
}
