#pragma once
// The racing vocabulary: "hhmm" time arithmetic, fixed-width number texts, pair labels and their indexes, and
// the racecourse code tables. Pure functions; every text in and out is CP932 bytes.
#include <string>
#include <string_view>

namespace corvina {

// "hhmm" plus `minutes` (may be negative). Hours do not wrap at midnight ("2350" + 20 gives "2410"); an empty
// or all-blank time gives an empty text.
std::string AddTimeHHMM(std::string_view hhmm, int minutes);

// `s` with the Length(piece) bytes from 1-based position `n` replaced by `piece` (the text grows when it is
// shorter than n + Length(piece) - 1, as a delete-then-insert does).
std::string OverwriteStr(std::string_view s, std::string_view piece, int n);

// The number right-aligned in the text's own width with leading zeros as blanks; zero gives only blanks.
std::string BlankPadNumStr(std::string_view numeric);

// Pair labels ("CombLabel"): " 1- 2", "10-18". Index outside the table gives "", a label not in the table 0.
std::string WakurenIndexToStr(int index);
int WakurenStrToIndex(std::string_view label);
std::string UmarenIndexToStr(int index);
int UmarenStrToIndex(std::string_view label);

// The label of two or three numbers as the payout and ticket texts write them: "%2d-%2d" / "%2d-%2d-%2d".
std::string CombLabel(int a, int b);
std::string CombLabel(int a, int b, int c);

// 6-byte class of a racecourse: the central course's short name, "地方  ", "海外  " or 6 blanks.
std::string CourseClassName(std::string_view code);

// Racecourse name in style 0 (6 bytes), 1 (2 bytes), 2 (4 bytes), 3 (6 bytes) or 9 (20 bytes). An unknown code
// gives blanks of the style's width (6 in style 9); another style gives "".
std::string CourseName(std::string_view code, int style);

// "①".."⑱" for 1..18, "－" otherwise.
std::string CircledNumber(int n);

// A race's conditions from the codes of its race record, as the race card shows them and the printed race page
// too (where the page differs, RacePages says so).
// "1" "ハンデ", "2" "別定　", "3" "馬齢　", "4" "定量　"; anything else "".
std::string WeightRuleText(std::string_view code);
// "701" "新馬　　　", "702" "未出走　　", "703" "未勝利　　", "999" "ｵｰﾌﾟﾝ　　 ", "000" five ideographic spaces,
// "100" "1億円下   ", any other code its value x 100 as "%4d万円下" (" 500万円下"); a blank code "".
std::string ClassText(std::string_view code);
// 10 "芝直", 11-16 "芝左", 17-22 "芝右", 23 "ﾀﾞ左", 24 "ﾀﾞ右", 29 "ﾀﾞ直", 51-59 "障害"; anything else "".
std::string TrackText(std::string_view code);
// The distance in metres as "%4dm"; a blank field or 0 "".
std::string DistanceText(std::string_view distance);

// "牡", "牝", "ｾﾝ" for "1", "2", "3"; "" otherwise.
std::string SexName(std::string_view code);

// The predicted-odds providers' one-digit venue numbering: "0" 京都 .. "9" 函館; anything else "ｿﾉ他".
std::string CourseNameByDigit(std::string_view digit);

}  // namespace corvina
