#include <gtest/gtest.h>

#include <tuple>

#include "platform/Clock.h"
#include "platform/Cp932.h"
#include "platform/DayName.h"
#include "platform/SortedList.h"
#include "platform/Text.h"

using namespace corvina;

TEST(Copy, PositionsBeforeTheStartCountFromOneAndShortRecordsGiveShortFields) {
  const std::tuple<const char*, int, int, const char*> cases[] = {
      {"ABCDEF", 2, 3, "BCD"}, {"ABCDEF", 5, 10, "EF"}, {"ABCDEF", 7, 1, ""},  {"ABCDEF", 0, 2, "AB"},
      {"ABCDEF", -5, 2, "AB"}, {"ABCDEF", 2, 0, ""},    {"ABCDEF", 2, -1, ""}, {"", 1, 5, ""}};
  for (auto [s, index, count, expected] : cases) EXPECT_EQ(Copy(s, index, count), expected) << index << "," << count;
}

TEST(StrToIntLenient, TakesDigitsUpToTheFirstNonDigitAndClamps) {
  // clang-format off
  const std::pair<const char*, long long> cases[] = {{"  12", 12}, {"0012", 12}, {"12ab", 12}, {"", 0}, {"    ", 0},
      {"----", 0}, {"****", 0}, {"-7", -7}, {" +7 ", 7}, {"99999999999999999999", 2147483647},
      {"-99999999999999999999", -2147483648LL}};
  // clang-format on
  for (auto [text, value] : cases) EXPECT_EQ(StrToIntLenient(text), value) << text;
}

TEST(FormatFixed, RoundsHalfAwayFromZeroOnTheDecimalValue) {
  // 2.25 is an exact binary tie (printf gives 2.2); 1.15 is 1.149999... in binary but 1.15 as a decimal; 99.95
  // grows past the width rather than being cut; -0.04 gives no "-0.0".
  // clang-format off
  const std::tuple<double, int, int, const char*> cases[] = {{2.25, 5, 1, "  2.3"}, {1.15, 0, 1, "1.2"},
      {-2.25, 0, 1, "-2.3"}, {9.95, 5, 1, " 10.0"}, {99.95, 5, 1, "100.0"}, {0.0, 5, 1, "  0.0"},
      {-0.04, 0, 1, "0.0"}, {0.0005, 9, 3, "    0.001"}, {1234.5678, 9, 3, " 1234.568"}, {12.0, 8, 1, "    12.0"},
      {123456789.0, 6, 1, "123456789.0"}, {1e-300, 6, 1, "   0.0"}, {5.0, 0, 0, "5"}, {2.5, 0, 0, "3"}};
  // clang-format on
  for (auto [v, width, decimals, expected] : cases) EXPECT_EQ(FormatFixed(v, width, decimals), expected) << v;
}

TEST(FormatInt, PadsLikePrintf) {
  EXPECT_EQ(FormatInt(1, 2) + "|" + FormatInt(18, 2) + "|" + FormatInt(123, 2) + "|" + FormatZero(7, 2),
            " 1|18|123|07");
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
  EXPECT_EQ(FromCp932("AB\x93"), "AB\xEF\xBF\xBD");    // cut in the middle of a character
  EXPECT_EQ(ToCp932("A\xF0\x9F\x90\x8E"
                    "B"),
            "A?B");  // no CP932 form
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
