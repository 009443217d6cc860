// The predicted-odds texts of the two providers, and the .yoz line the program's import makes of them.
#include <algorithm>
#include <cmath>

#include "platform/Text.h"
#include "tools/jvgen/Generator.h"
#include "tools/jvgen/Payouts.h"

namespace corvina::jvgen {
namespace {

constexpr int kJrdbLength = 955;
constexpr int kKolLength = 1502;

void Put(std::string& line, int pos, std::string_view text) {
  line.replace(static_cast<size_t>(pos - 1), text.size(), text);
}

// Five characters of plain decimal odds as the JRDB text has them: " 12.3", "123.4", " 1234".
std::string JrdbOdds(double v) {
  if (v < 999.95) return FormatFixed(v, 5, 1);
  return FormatInt(std::min(99999L, std::lround(v)), 5);
}

std::string PadLeft(std::string_view s, int width) {
  return std::string(static_cast<size_t>(std::max(0, width - static_cast<int>(s.size()))), ' ') + std::string(s);
}

// A KOL field of tenths; a withdrawn horse shows "-" (before sales) or "*" (after).
std::string KolTenths(double v, int scratch, int width) {
  if (scratch == 1) return PadLeft("-", width);
  if (scratch == 2) return PadLeft("*", width);
  return FormatZero(std::lround(v * 10), width);
}

}  // namespace

int ProviderCourseDigit(const std::string& course) {
  static const char* kOrder[] = {"08", "09", "07", "10", "05", "06", "03", "04", "01", "02"};
  for (int d = 0; d < 10; ++d)
    if (course == kOrder[d]) return d;
  return -1;
}

std::string JrdbFileName(const DayName& date) { return "Oz" + date.DateKey().substr(2, 6) + ".txt"; }

std::string JrdbLine(const Day& day, const Race& race) {
  std::string line(kJrdbLength, ' ');
  const int n = static_cast<int>(race.runners.size());
  Put(line, 1, race.course);
  Put(line, 3, day.date.DateKey().substr(2, 2));
  Put(line, 5, std::to_string(race.kai % 10));
  Put(line, 6, std::to_string(race.nichi % 10));
  Put(line, 7, FormatZero(race.num, 2));
  Put(line, 9, FormatZero(n, 2));
  for (int k = 0; k < n; ++k) {
    Put(line, 11 + 5 * k, JrdbOdds(race.runners[static_cast<size_t>(k)].predWin));
    Put(line, 101 + 5 * k, JrdbOdds(race.runners[static_cast<size_t>(k)].predPlace));
  }
  for (int i = 1; i <= n; ++i)
    for (int j = i + 1; j <= n; ++j) {
      int k = PairIndex(i, j);
      Put(line, 191 + 5 * (k - 1), JrdbOdds(race.predUmaren[static_cast<size_t>(k)]));
    }
  return line;
}

std::string KolLine(const Day& day, const Race& race) {
  std::string line(kKolLength, ' ');
  const int n = static_cast<int>(race.runners.size());
  Put(line, 1, FormatZero(ProviderCourseDigit(race.course), 2));
  Put(line, 7, FormatZero(race.kai, 2) + FormatZero(race.nichi, 2) + FormatZero(race.num, 2));
  Put(line, 13, day.date.DateKey());
  Put(line, 105, day.options.yozSource == 'M' ? "1" : "0");
  Put(line, 110, FormatZero(n, 2));
  for (int k = 0; k < layout::kHorses; ++k) {
    if (k < n) {
      const Runner& r = race.runners[static_cast<size_t>(k)];
      Put(line, 162 + 5 * k, KolTenths(r.predWin, r.scratch, 5));
    } else {
      Put(line, 162 + 5 * k, "00000");
    }
  }
  std::vector<int> frames = FrameNumbers(n);
  for (int b = 1; b <= layout::kWakurenPairs; ++b)
    Put(line, 252 + 5 * (b - 1), FormatZero(race.predWakurenTenths[static_cast<size_t>(b)], 5));
  for (int i = 1; i <= layout::kHorses; ++i)
    for (int j = i + 1; j <= layout::kHorses; ++j) {
      int k = PairIndex(i, j);
      std::string f = "0000000";
      if (j <= n) {
        int scratch = std::max(race.runners[static_cast<size_t>(i - 1)].scratch,
                               race.runners[static_cast<size_t>(j - 1)].scratch);
        f = KolTenths(race.predUmaren[static_cast<size_t>(k)], scratch, 7);
      }
      Put(line, 432 + 7 * (k - 1), f);
    }
  return line;
}

namespace {

std::string YozFromJrdb(const Day& day, const std::string& l) {
  std::string out = "20" + day.date.DateKey().substr(2, 6) + l.substr(0, 2) + "0" + l.substr(4, 1) + "0" +
                    l.substr(5, 1) + l.substr(6, 2) + "J" + l.substr(8, 2);
  for (int k = 0; k < layout::kHorses; ++k) out += " " + l.substr(static_cast<size_t>(10 + 5 * k), 5);
  for (int k = 0; k < layout::kHorses; ++k) out += " " + l.substr(static_cast<size_t>(100 + 5 * k), 5);
  for (int k = 0; k < layout::kUmarenPairs; ++k) out += "   " + l.substr(static_cast<size_t>(190 + 5 * k), 5);
  return out;
}

std::string KolField(std::string_view raw, std::string_view star, int width) {
  std::string f = Trim(raw);
  if (f == "*") return std::string(star);
  if (f == "-") return std::string(static_cast<size_t>(width), ' ');
  return FormatFixed(StrToIntLenient(f) / 10.0, width, 1);
}

std::string YozFromKol(const Day& day, const std::string& l) {
  std::string out = l.substr(12, 8) + l.substr(0, 2) + l.substr(6, 6) + (l[104] == '1' ? "M" : "K") + l.substr(109, 2);
  for (int k = 0; k < layout::kHorses; ++k) out += KolField(l.substr(static_cast<size_t>(161 + 5 * k), 5), "  50.0", 6);
  out += std::string(6 * layout::kHorses, ' ');
  bool bracketMode = StrToIntLenient(l.substr(109, 2)) <= 8 && day.date.Year() < 2005;
  // Fields in pair-index order.
  std::vector<std::string> fields(layout::kUmarenPairs + 1);
  for (int i = 1; i <= layout::kHorses; ++i)
    for (int j = i + 1; j <= layout::kHorses; ++j) {
      int k = PairIndex(i, j);
      if (bracketMode) {
        fields[static_cast<size_t>(k)] =
            j <= layout::kFrames
                ? KolField(l.substr(static_cast<size_t>(251 + 5 * (FramePairIndex(i, j) - 1)), 5), "   100.0", 8)
                : std::string(8, ' ');
      } else {
        fields[static_cast<size_t>(k)] = KolField(l.substr(static_cast<size_t>(431 + 7 * (k - 1)), 7), "  1000.0", 8);
      }
    }
  for (int k = 1; k <= layout::kUmarenPairs; ++k) out += fields[static_cast<size_t>(k)];
  return out;
}

}  // namespace

std::string YozLine(const Day& day, const Race& race) {
  std::string line =
      day.options.yozSource == 'J' ? YozFromJrdb(day, JrdbLine(day, race)) : YozFromKol(day, KolLine(day, race));
  return PadRight(line, layout::kYozLine);
}

}  // namespace corvina::jvgen
