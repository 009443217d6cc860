#include "racedata/RacingTexts.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "platform/Cp932.h"
#include "platform/Text.h"
#include "racedata/RecordLayout.h"

namespace corvina {
namespace {

using Strs = std::vector<std::string>;

std::string Sj(const char* utf8) { return ToCp932(utf8); }

TEST(RacingTexts, AddTimeHHMMKeepsHoursPastMidnightAndEmptyForBlank) {
  // A negative total keeps the arithmetic's text.
  const std::tuple<const char*, int, const char*> cases[] = {
      {"0930", -30, "0900"}, {"1000", -30, "0930"}, {"1158", 5, "1203"},    {"2350", 20, "2410"},
      {"", 5, ""},           {"    ", 5, ""},       {"0010", -30, "00-20"}, {"0010", -15, "00-05"}};
  for (auto [time, minutes, expected] : cases) EXPECT_EQ(AddTimeHHMM(time, minutes), expected) << time << minutes;
}

TEST(RacingTexts, OverwriteAndBlankPad) {
  EXPECT_EQ(OverwriteStr("RAxyz123456789", "000000000", 3), "RA000000000789");
  EXPECT_EQ(OverwriteStr("AB", "XYZ", 2), "AXYZ");
  EXPECT_EQ((Strs{BlankPadNumStr("000"), BlankPadNumStr("0105"), BlankPadNumStr("0012"), BlankPadNumStr("  ")}),
            (Strs{"   ", " 105", "  12", "  "}));
}

TEST(RacingTexts, PairIndexesRoundTripAndFollowTheFormula) {
  for (int k = 1; k <= layout::kUmarenPairs; ++k) EXPECT_EQ(UmarenStrToIndex(UmarenIndexToStr(k)), k);
  for (int k = 1; k <= layout::kWakurenPairs; ++k) EXPECT_EQ(WakurenStrToIndex(WakurenIndexToStr(k)), k);
  for (int i = 1; i <= 18; ++i)
    for (int j = i + 1; j <= 18; ++j) EXPECT_EQ(UmarenStrToIndex(CombLabel(i, j)), (i - 1) * (36 - i) / 2 + (j - i));
  EXPECT_EQ((Strs{UmarenIndexToStr(1), UmarenIndexToStr(18), UmarenIndexToStr(153)}),
            (Strs{" 1- 2", " 2- 3", "17-18"}));
  EXPECT_EQ((Strs{WakurenIndexToStr(9), WakurenIndexToStr(15), WakurenIndexToStr(31), WakurenIndexToStr(35)}),
            (Strs{" 2- 2", " 2- 8", " 6- 6", " 7- 8"}));
  EXPECT_EQ(WakurenStrToIndex(" 8- 8"), 36);
}

TEST(RacingTexts, LabelsOutsideTheTablesGiveZeroAndIndexesOutsideGiveEmpty) {
  for (const char* bad : {"1-2", " 0- 0", " 2- 1", "", " 1- 1", "18-19", " 1- 2 "})
    EXPECT_EQ(UmarenStrToIndex(bad), 0) << bad;
  EXPECT_EQ(WakurenStrToIndex(" 9- 9") + WakurenStrToIndex(" 2- 1"), 0);
  EXPECT_EQ(UmarenIndexToStr(0) + UmarenIndexToStr(154) + WakurenIndexToStr(37) + WakurenIndexToStr(-1), "");
  EXPECT_EQ(CombLabel(1, 2, 3), " 1- 2- 3");
}

// Every code the tables know, with the widths each style must have in CP932 bytes.
TEST(RacingTexts, EveryCourseNameHasItsStyleWidth) {
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

TEST(RacingTexts, CourseNamesOfTheListedRows) {
  // Unknown codes give blanks of the style's width ("5" too: the code is compared exactly); style 4 is none.
  // clang-format off
  const std::tuple<const char*, int, const char*> cases[] = {
      {"05", 2, "東京"}, {"05", 0, "東京  "}, {"07", 1, "名"}, {"10", 9, "小倉競馬場　　　　　"}, {"99", 2, "    "},
      {"99", 9, "      "}, {"99", 1, "  "}, {"05", 4, ""}, {"49", 0, "紀三井"}, {"49", 3, "紀三寺"},
      {"49", 9, "紀三井寺競馬場　　　"}, {"58", 0, "札幌  "}, {"61", 9, "中京競馬場(地方競馬)"}, {"48", 1, "古"},
      {"A2", 1, "日 "}, {"H0", 0, "西ﾄﾞｲﾂ"}, {"H0", 3, "西独　"}, {"C4", 2, "    "},
      {"G8", 9, "　　　　　　　　　　"}, {"M6", 2, "約  "}, {"C7", 2, "ア首"}, {"5", 2, "    "}};
  // clang-format on
  for (auto [code, style, name] : cases) EXPECT_EQ(CourseName(code, style), Sj(name)) << code << " " << style;
}

TEST(RacingTexts, CourseClassNames) {
  const std::pair<const char*, const char*> cases[] = {{"01", "札幌  "}, {"30", "地方  "}, {"61", "地方  "},
                                                       {"K8", "海外  "}, {"C4", "海外  "}, {"C5", "      "},
                                                       {"11", "      "}, {"62", "      "}, {"", "      "}};
  for (auto [code, name] : cases) EXPECT_EQ(CourseClassName(code), Sj(name)) << code;
}

TEST(RacingTexts, CircledSexAndDigitVenues) {
  EXPECT_EQ(CircledNumber(1), "\x87\x40");
  EXPECT_EQ(CircledNumber(18), "\x87\x51");
  EXPECT_EQ(FromCp932(CircledNumber(18)), "⑱");
  EXPECT_EQ(CircledNumber(0), Sj("－"));
  EXPECT_EQ(CircledNumber(19), "\x81\x7C");
  EXPECT_EQ((Strs{SexName("1"), SexName("2"), SexName("3"), SexName("4"), SexName(" ")}),
            (Strs{Sj("牡"), Sj("牝"), Sj("ｾﾝ"), "", ""}));
  // A blank venue is no venue, not 京都.
  for (auto [digit, name] : {std::pair{"0", "京都"},
                             {"9", "函館"},
                             {" 4", "東京"},
                             {"10", "ｿﾉ他"},
                             {"-1", "ｿﾉ他"},
                             {"  ", "ｿﾉ他"},
                             {"05", "中山"}})
    EXPECT_EQ(CourseNameByDigit(digit), Sj(name)) << digit;
  // A provider's venue digit must give exactly the style-2 name of the same racecourse, or its predicted odds
  // never meet their race.
  const char* codeOfDigit[10] = {"08", "09", "07", "10", "05", "06", "03", "04", "01", "02"};
  for (int d = 0; d <= 9; ++d) EXPECT_EQ(CourseNameByDigit(std::to_string(d)), CourseName(codeOfDigit[d], 2)) << d;
  EXPECT_EQ(CourseNameByDigit("x").size(), 4u);
}

}  // namespace
}  // namespace corvina
