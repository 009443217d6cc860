#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "platform/Clock.h"
#include "platform/Cp932.h"
#include "platform/DayName.h"
#include "platform/SortedList.h"
#include "platform/Text.h"

using namespace corvina;

TEST(Copy, PositionsBeforeTheStartCountFromOneAndShortRecordsGiveShortFields) {
  const std::tuple<const char*, int, int, const char*> cases[] = {
      {"ABCDEF", 2, 3, "BCD"}, {"ABCDEF", 5, 10, "EF"}, {"ABCDEF", 7, 1, ""},
      {"ABCDEF", 0, 2, "AB"},  {"ABCDEF", -5, 2, "AB"}, {"ABCDEF", 2, 0, ""},
      {"ABCDEF", 2, -1, ""},   {"", 1, 5, ""},          {"ABCDEF", 6, 5, "F"}};
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
  // One replacement a bad character: an unassigned pair of either lead range is one character, a lead byte
  // before a byte that cannot trail stands alone.
  const std::pair<std::string, std::string> fromCp932[] = {
      {"A\x81 B", "A\xEF\xBF\xBD B"},  // lead byte with an invalid trail
      {"AB\x93", "AB\xEF\xBF\xBD"},    // cut in the middle of a character
      {"A\x85\x40"
       "B",
       "A\xEF\xBF\xBD"
       "B"},  // unassigned, first lead range
      {"A\xEB\x40"
       "B",
       "A\xEF\xBF\xBD"
       "B"},  // unassigned, second lead range
      {"A\xEB\x7F"
       "B",
       "A\xEF\xBF\xBD\x7F"
       "B"},  // 0x7F never trails
      {"\xEB\xFD"
       "B",
       "\xEF\xBF\xBD\xEF\xBF\xBD"
       "B"}};
  for (const auto& [in, out] : fromCp932) EXPECT_EQ(FromCp932(in), out) << in;
  // No CP932 form: one "?" a character, whatever its UTF-8 length.
  EXPECT_EQ(ToCp932("A\xF0\x9F\x90\x8E"
                    "B\xC3\xA9"
                    "C\xED\x95\x9C"
                    "D"),
            "A?B?C?D");
  // Broken UTF-8 (a stray continuation byte, a cut sequence) loses only the broken byte.
  EXPECT_EQ(ToCp932("A\x80"
                    "BC\xE6\x9D"
                    "D"),
            "A?BC?D");
  EXPECT_EQ(ToCp932("\x7F"
                    "abc"),
            "\x7F"
            "abc");
}

TEST(DayName, GivesAllThreeFormsAndParsesNames) {
  DayName d(2024, 1, 6);
  EXPECT_EQ(d.DateKey(), "20240106");
  EXPECT_EQ(d.Display(), "2024年01月06日");
  EXPECT_EQ(d.FileStem(), "2024年01月06日");
  EXPECT_EQ(d.Cp932(), ToCp932("2024年01月06日"));
  EXPECT_EQ(DayName::ParseUtf8Prefix("2024年01月06日東京.jvSEr"), d);
  EXPECT_EQ(DayName::ParseUtf8Prefix("2024年01月06日"), d);
  EXPECT_EQ(DayName::ParseCp932Prefix(d.Cp932() + "xyz"), d);
  EXPECT_EQ(DayName::FromDateKey("20240106"), d);
  EXPECT_EQ(DayName::FromDateKey("20240106.jvRA"), d);
  EXPECT_EQ(DayName(1999, 12, 31).Display(), "1999年12月31日");
  EXPECT_FALSE(DayName(2023, 2, 29).Valid());
  EXPECT_EQ(DayName(2023, 2, 29).DateKey(), "00000000");
}

// Every field and every marker is checked: a name wrong in any one of them is no day, in either encoding.
TEST(DayName, RefusesANameWrongInAnyOneField) {
  const char* const bad[] = {"",
                             "2024年01月06",
                             "2024年01月0日",
                             "x024年01月06日",
                             "202a年01月06日",
                             "2024月01月06日",
                             "2024年1月06日",
                             "2024年0x月06日",
                             "2024年01日06日",
                             "2024年01月6日.",
                             "2024年01月0x日",
                             "2024年01月06月",
                             "2024年00月06日",
                             "2024年13月06日",
                             "2024年01月00日",
                             "2024年01月32日",
                             "2024年04月31日",
                             "2023年02月29日",
                             "2100年02月29日",
                             "0000年01月06日"};
  for (const char* name : bad) {
    EXPECT_FALSE(DayName::ParseUtf8Prefix(name)) << name;
    EXPECT_FALSE(DayName::ParseCp932Prefix(ToCp932(name))) << name;
  }
  const char* const good[] = {"2024年02月29日", "2000年02月29日", "2024年12月31日",
                              "2024年04月30日", "9999年01月01日", "0001年01月01日"};
  for (const char* name : good) {
    EXPECT_TRUE(DayName::ParseUtf8Prefix(name)) << name;
    EXPECT_EQ(DayName::ParseCp932Prefix(ToCp932(name)).value_or(DayName()).Display(), name);
  }
  for (const char* key : {"", "2024010", "2024o106", "-2024010", "20240230", "20241301", "20240100", "00000101",
                          "21000229", "20230229", "20240431"})
    EXPECT_FALSE(DayName::FromDateKey(key)) << key;
  for (const char* key : {"20240229", "20000229", "20241231", "20240131"})
    EXPECT_EQ(DayName::FromDateKey(key).value_or(DayName()).DateKey(), key);
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
  SortedList once(Duplicates::Ignore);
  EXPECT_TRUE(once.Add("b"));
  EXPECT_TRUE(once.Add("a"));
  EXPECT_FALSE(once.Add("a"));
  EXPECT_FALSE(once.Add("b"));
  EXPECT_TRUE(once.Add("ab"));
  EXPECT_EQ(once.Items(), (std::vector<std::string>{"a", "ab", "b"}));
}

TEST(Clock, FixedClockAndSecondsAddedAcrossMidnightAndMonths) {
  const DateTime fixed{2024, 2, 29, 0, 0, 15};
  Clock::Set(fixed);
  EXPECT_EQ(Clock::Now().Stamp(), "2024/02/29 00:00:15");
  EXPECT_EQ(Clock::Now().DateKey() + " " + Clock::Now().HHMM() + " " + Clock::Now().TimeText(),
            "20240229 0000 00:00:15");
  EXPECT_EQ(AddSeconds(Clock::Now(), -16).Compact(), "20240228235959");
  // The seconds, the minutes and the hours each carry, forwards and backwards, over leap days and centuries.
  const std::tuple<DateTime, long long, const char*> cases[] = {
      {{2024, 3, 1, 0, 0, 0}, -1, "2024/02/29 23:59:59"},
      {{2023, 12, 31, 23, 0, 0}, 3600, "2024/01/01 00:00:00"},
      {{2023, 3, 1, 0, 0, 0}, -1, "2023/02/28 23:59:59"},
      {{2100, 2, 28, 12, 0, 0}, 86400, "2100/03/01 12:00:00"},
      {{2000, 2, 28, 12, 0, 0}, 86400, "2000/02/29 12:00:00"},
      {{1970, 1, 1, 0, 0, 0}, -1, "1969/12/31 23:59:59"},
      {{1969, 12, 31, 23, 59, 59}, 1, "1970/01/01 00:00:00"},
      {{2024, 1, 6, 10, 0, 0}, -7 * 86400, "2023/12/30 10:00:00"},
      {{2024, 1, 6, 10, 20, 30}, 3599, "2024/01/06 11:20:29"},
      {{1600, 3, 1, 0, 0, 0}, -86400, "1600/02/29 00:00:00"},
      {{2024, 12, 31, 22, 58, 58}, 3723, "2025/01/01 00:01:01"},
      {{2000, 2, 29, 12, 0, 0}, 86400, "2000/03/01 12:00:00"},
      {{1600, 2, 29, 0, 0, 0}, 86400, "1600/03/01 00:00:00"}};
  for (const auto& [t, seconds, expected] : cases) EXPECT_EQ(AddSeconds(t, seconds).Stamp(), expected) << expected;
  EXPECT_EQ(DaysFromCivil(1970, 1, 1), 0);
  EXPECT_EQ(DaysFromCivil(2000, 3, 1) - DaysFromCivil(2000, 2, 28), 2);
  Clock::Reset();  // the system's clock again
  EXPECT_NE(Clock::Now(), fixed);
  EXPECT_GT(Clock::Now().year, 2000);
  EXPECT_LT(Clock::Now().year, 2200);
}

TEST(Text, TrimPadAndBlankTreatTheSameCharactersAsBlank) {
  EXPECT_EQ(Trim(std::string(" \t\r\n\0a b\0\n\r\t ", 13)), "a b");
  EXPECT_EQ(Trim("  "), "");
  EXPECT_EQ(Trim("x"), "x");
  EXPECT_EQ(TrimRight(" a \r\n"), " a");
  EXPECT_EQ(TrimRight("\t"), "");
  EXPECT_TRUE(IsBlank(std::string(" \t\r\n\0", 5)));
  EXPECT_TRUE(IsBlank(""));
  EXPECT_FALSE(IsBlank("   .  "));
  EXPECT_EQ(PadRight("ab", 4), "ab  ");
  EXPECT_EQ(PadRight("abcdef", 4), "abcd");
  EXPECT_EQ(PadRight("abcd", 4), "abcd");
  EXPECT_EQ(PadRight("", 0), "");
  EXPECT_EQ(FormatFixed(std::nan(""), 5, 1) + "|" + FormatFixed(-INFINITY, 2, 1) + "|" + FormatFixed(INFINITY, 4, 1),
            "  NAN|-INF| INF");
  EXPECT_EQ(FormatInt(-5, 3) + "|" + FormatZero(-5, 3) + "|" + FormatZero(1234, 2), " -5|-05|1234");
  EXPECT_EQ(StrToIntLenient("\t 2147483647"), 2147483647);
  EXPECT_EQ(StrToIntLenient("2147483648"), 2147483647);
  EXPECT_EQ(StrToIntLenient("-2147483648"), -2147483648LL);
  EXPECT_EQ(StrToIntLenient("- 5"), 0);
  EXPECT_EQ(StrToIntLenient("+-5"), 0);
}
