#include "racedata/KeibaFunc.h"

#include <gtest/gtest.h>

#include "platform/Cp932.h"
#include "platform/Text.h"
#include "racedata/RecordLayout.h"

namespace corvina {
namespace {

std::string Sj(const char* utf8) { return ToCp932(utf8); }

TEST(KeibaFunc, AddTimeHHMMKeepsHoursPastMidnightAndEmptyForBlank) {
  EXPECT_EQ(AddTimeHHMM("0930", -30), "0900");
  EXPECT_EQ(AddTimeHHMM("1000", -30), "0930");
  EXPECT_EQ(AddTimeHHMM("1158", 5), "1203");
  EXPECT_EQ(AddTimeHHMM("2350", 20), "2410");
  EXPECT_EQ(AddTimeHHMM("", 5), "");
  EXPECT_EQ(AddTimeHHMM("    ", 5), "");
  EXPECT_EQ(AddTimeHHMM("0010", -30), "00-20");  // a negative total keeps the arithmetic's text
}

TEST(KeibaFunc, OverwriteAndBlankPad) {
  EXPECT_EQ(OverwriteStr("RAxyz123456789", "000000000", 3), "RA000000000789");
  EXPECT_EQ(OverwriteStr("AB", "XYZ", 2), "AXYZ");
  EXPECT_EQ(BlankPadNumStr("000"), "   ");
  EXPECT_EQ(BlankPadNumStr("0105"), " 105");
  EXPECT_EQ(BlankPadNumStr("0012"), "  12");
  EXPECT_EQ(BlankPadNumStr("  "), "  ");
}

TEST(KeibaFunc, PairIndexesRoundTripAndFollowTheFormula) {
  for (int k = 1; k <= layout::kUmarenPairs; ++k) EXPECT_EQ(UmarenStrToIndex(UmarenIndexToStr(k)), k);
  for (int k = 1; k <= layout::kWakurenPairs; ++k) EXPECT_EQ(WakurenStrToIndex(WakurenIndexToStr(k)), k);
  for (int i = 1; i <= 18; ++i)
    for (int j = i + 1; j <= 18; ++j) EXPECT_EQ(UmarenStrToIndex(CombLabel(i, j)), (i - 1) * (36 - i) / 2 + (j - i));
  EXPECT_EQ(UmarenIndexToStr(1), " 1- 2");
  EXPECT_EQ(UmarenIndexToStr(17), " 1-18");
  EXPECT_EQ(UmarenIndexToStr(18), " 2- 3");
  EXPECT_EQ(UmarenIndexToStr(34), " 3- 4");
  EXPECT_EQ(UmarenIndexToStr(153), "17-18");
  EXPECT_EQ(WakurenIndexToStr(9), " 2- 2");
  EXPECT_EQ(WakurenIndexToStr(15), " 2- 8");
  EXPECT_EQ(WakurenIndexToStr(31), " 6- 6");
  EXPECT_EQ(WakurenIndexToStr(35), " 7- 8");
  EXPECT_EQ(WakurenStrToIndex(" 8- 8"), 36);
}

TEST(KeibaFunc, LabelsOutsideTheTablesGiveZeroAndIndexesOutsideGiveEmpty) {
  for (const char* bad : {"1-2", " 0- 0", " 2- 1", "", " 1- 1", "18-19", " 1- 2 "}) EXPECT_EQ(UmarenStrToIndex(bad), 0) << bad;
  EXPECT_EQ(WakurenStrToIndex(" 9- 9"), 0);
  EXPECT_EQ(WakurenStrToIndex(" 2- 1"), 0);
  EXPECT_EQ(UmarenIndexToStr(0), "");
  EXPECT_EQ(UmarenIndexToStr(154), "");
  EXPECT_EQ(WakurenIndexToStr(37), "");
  EXPECT_EQ(WakurenIndexToStr(-1), "");
  EXPECT_EQ(CombLabel(1, 2, 3), " 1- 2- 3");
}

// Every code the tables know, with the widths each style must have in CP932 bytes.
TEST(KeibaFunc, EveryCourseNameHasItsStyleWidth) {
  std::vector<std::string> codes;
  for (int c = 1; c <= 10; ++c) codes.push_back(FormatZero(c, 2));
  for (int c = 30; c <= 61; ++c) codes.push_back(FormatZero(c, 2));
  for (char l = 'A'; l <= 'M'; ++l)
    for (char d = '0'; d <= '9'; ++d) {
      std::string code{l, d};
      if (CourseClassName(code) != std::string(6, ' ') || code == "C5") codes.push_back(code);
    }
  EXPECT_EQ(codes.size(), 110u);
  for (const auto& code : codes) {
    EXPECT_EQ(CourseName(code, 0).size(), 6u) << code;
    EXPECT_EQ(CourseName(code, 1).size(), code == "A2" ? 3u : 2u) << code;
    EXPECT_EQ(CourseName(code, 2).size(), 4u) << code;
    EXPECT_EQ(CourseName(code, 3).size(), 6u) << code;
    EXPECT_EQ(CourseName(code, 9).size(), 20u) << code;
    EXPECT_EQ(CourseClassName(code).size(), 6u) << code;
    EXPECT_EQ(FromCp932(CourseName(code, 2)).find("\xEF\xBF\xBD"), std::string::npos) << code;  // no bad bytes
  }
}

TEST(KeibaFunc, CourseNamesOfTheListedRows) {
  EXPECT_EQ(CourseName("05", 2), Sj("東京"));
  EXPECT_EQ(CourseName("05", 0), Sj("東京  "));
  EXPECT_EQ(CourseName("07", 1), Sj("名"));
  EXPECT_EQ(CourseName("10", 9), Sj("小倉競馬場　　　　　"));
  EXPECT_EQ(CourseName("99", 2), "    ");
  EXPECT_EQ(CourseName("99", 9), "      ");
  EXPECT_EQ(CourseName("99", 1), "  ");
  EXPECT_EQ(CourseName("05", 4), "");
  EXPECT_EQ(CourseName("49", 0), Sj("紀三井"));
  EXPECT_EQ(CourseName("49", 3), Sj("紀三寺"));
  EXPECT_EQ(CourseName("49", 9), Sj("紀三井寺競馬場　　　"));
  EXPECT_EQ(CourseName("58", 0), Sj("札幌  "));
  EXPECT_EQ(CourseName("61", 9), Sj("中京競馬場(地方競馬)"));
  EXPECT_EQ(CourseName("48", 1), Sj("古"));
  EXPECT_EQ(CourseName("A2", 1), Sj("日 "));
  EXPECT_EQ(CourseName("H0", 0), Sj("西ﾄﾞｲﾂ"));
  EXPECT_EQ(CourseName("H0", 3), Sj("西独　"));
  EXPECT_EQ(CourseName("C4", 2), "    ");
  EXPECT_EQ(CourseName("G8", 9), Sj("　　　　　　　　　　"));
  EXPECT_EQ(CourseName("M6", 2), Sj("約  "));
  EXPECT_EQ(CourseName("C7", 2), Sj("ア首"));
  EXPECT_EQ(CourseName("5", 2), "    ");  // exact comparison of the code
}

TEST(KeibaFunc, CourseClassNames) {
  EXPECT_EQ(CourseClassName("01"), Sj("札幌  "));
  EXPECT_EQ(CourseClassName("30"), Sj("地方  "));
  EXPECT_EQ(CourseClassName("61"), Sj("地方  "));
  EXPECT_EQ(CourseClassName("K8"), Sj("海外  "));
  EXPECT_EQ(CourseClassName("C4"), Sj("海外  "));
  EXPECT_EQ(CourseClassName("C5"), "      ");
  EXPECT_EQ(CourseClassName("11"), "      ");
  EXPECT_EQ(CourseClassName("62"), "      ");
  EXPECT_EQ(CourseClassName(""), "      ");
}

TEST(KeibaFunc, CircledSexAndDigitVenues) {
  EXPECT_EQ(CircledNumber(1), "\x87\x40");
  EXPECT_EQ(CircledNumber(18), "\x87\x51");
  EXPECT_EQ(FromCp932(CircledNumber(18)), "⑱");
  EXPECT_EQ(CircledNumber(0), Sj("－"));
  EXPECT_EQ(CircledNumber(19), "\x81\x7C");
  EXPECT_EQ(SexName("1"), Sj("牡"));
  EXPECT_EQ(SexName("2"), Sj("牝"));
  EXPECT_EQ(SexName("3"), Sj("ｾﾝ"));
  EXPECT_EQ(SexName("3").size(), 2u);
  EXPECT_EQ(SexName("4"), "");
  EXPECT_EQ(SexName(" "), "");
  EXPECT_EQ(CourseNameByDigit("0"), Sj("京都"));
  EXPECT_EQ(CourseNameByDigit("4"), Sj("東京"));
  EXPECT_EQ(CourseNameByDigit("9"), Sj("函館"));
  EXPECT_EQ(CourseNameByDigit(" 4"), Sj("東京"));
  EXPECT_EQ(CourseNameByDigit("10"), Sj("ｿﾉ他"));
  EXPECT_EQ(CourseNameByDigit("-1"), Sj("ｿﾉ他"));
  EXPECT_EQ(CourseNameByDigit("  "), Sj("ｿﾉ他"));  // a blank venue is no venue, not 京都
  EXPECT_EQ(CourseNameByDigit("05"), Sj("中山"));
  // A provider's venue digit must give exactly the style-2 name of the same racecourse, or its predicted odds
  // never meet their race.
  const char* codeOfDigit[10] = {"08", "09", "07", "10", "05", "06", "03", "04", "01", "02"};
  for (int d = 0; d <= 9; ++d) EXPECT_EQ(CourseNameByDigit(std::to_string(d)), CourseName(codeOfDigit[d], 2)) << d;
  EXPECT_EQ(CourseNameByDigit("x").size(), 4u);
}

}  // namespace
}  // namespace corvina
