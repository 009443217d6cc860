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
// The weight rule's name, 6 bytes; an unknown code gives "".
std::string WeightRuleText(std::string_view code);
// The class's name: a named class by its name, any other code the earnings limit it stands for, its value x 100
// as "%4d万円下" (in 10,000 yen: "005" gives " 500万円下"); a blank code "".
std::string ClassText(std::string_view code);
// The surface and the turn of the track (turf or dirt, left, right or straight) or 障害 for a jump race; an
// unknown code gives "".
std::string TrackText(std::string_view code);
// The distance in metres as "%4dm"; a blank field or 0 "".
std::string DistanceText(std::string_view distance);

// The horse's sex (colt, filly, gelding); an unknown code gives "".
std::string SexName(std::string_view code);

// The racecourse of the predicted-odds providers' one-digit venue numbering (their own order, not that of the
// racecourse codes); anything else "ｿﾉ他".
std::string CourseNameByDigit(std::string_view digit);

}  // namespace corvina
