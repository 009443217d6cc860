#include "DayName.h"

#include "Cp932.h"
#include "Text.h"

namespace corvina {
namespace {

bool IsRealDate(int y, int m, int d) {
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int max = kDays[m - 1];
  if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) max = 29;
  return d <= max;
}

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// Parses digits(4) NEN digits(2) GATSU digits(2) NICHI, with the three markers given in one encoding.
std::optional<DayName> ParseWith(std::string_view s, std::string_view nen, std::string_view gatsu,
                                 std::string_view nichi) {
  size_t need = 8 + nen.size() + gatsu.size() + nichi.size();
  if (s.size() < need) return std::nullopt;
  size_t p = 0;
  auto take = [&](size_t n) {
    auto r = s.substr(p, n);
    p += n;
    return r;
  };
  auto y = take(4);
  if (!AllDigits(y) || take(nen.size()) != nen) return std::nullopt;
  auto m = take(2);
  if (!AllDigits(m) || take(gatsu.size()) != gatsu) return std::nullopt;
  auto d = take(2);
  if (!AllDigits(d) || take(nichi.size()) != nichi) return std::nullopt;
  int yi = StrToIntLenient(y), mi = StrToIntLenient(m), di = StrToIntLenient(d);
  if (!IsRealDate(yi, mi, di)) return std::nullopt;
  return DayName(yi, mi, di);
}

const std::string& Nen932() { return CORVINA_CP932("年"); }
const std::string& Gatsu932() { return CORVINA_CP932("月"); }
const std::string& Nichi932() { return CORVINA_CP932("日"); }

}  // namespace

DayName::DayName(int year, int month, int day) {
  if (IsRealDate(year, month, day)) {
    year_ = year;
    month_ = month;
    day_ = day;
  }
}

std::optional<DayName> DayName::FromDateKey(std::string_view s) {
  if (s.size() < 8 || !AllDigits(s.substr(0, 8))) return std::nullopt;
  int y = StrToIntLenient(s.substr(0, 4)), m = StrToIntLenient(s.substr(4, 2)), d = StrToIntLenient(s.substr(6, 2));
  if (!IsRealDate(y, m, d)) return std::nullopt;
  return DayName(y, m, d);
}

std::optional<DayName> DayName::ParseUtf8Prefix(std::string_view utf8) { return ParseWith(utf8, "年", "月", "日"); }

std::optional<DayName> DayName::ParseCp932Prefix(std::string_view cp932) {
  return ParseWith(cp932, Nen932(), Gatsu932(), Nichi932());
}

std::string DayName::DateKey() const { return FormatZero(year_, 4) + FormatZero(month_, 2) + FormatZero(day_, 2); }

std::string DayName::Display() const {
  return FormatZero(year_, 4) + "年" + FormatZero(month_, 2) + "月" + FormatZero(day_, 2) + "日";
}

std::string DayName::Cp932() const {
  return FormatZero(year_, 4) + Nen932() + FormatZero(month_, 2) + Gatsu932() + FormatZero(day_, 2) + Nichi932();
}

}  // namespace corvina
