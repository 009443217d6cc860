#include "analysis/RankKeys.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "platform/Text.h"

namespace corvina::analysis {

namespace {
// Four more columns than the "%8.1f" of the narrow keys: averages of eight-digit prediction fields still fit.
constexpr int kOddsPieceWidth = 12;
}  // namespace

void RankList::Sort() {
  std::stable_sort(items_.begin(), items_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
}

std::string OddsPiece(double value) { return FormatFixed(value, kOddsPieceWidth, 1); }

std::string NumberPiece(int value) { return FormatInt(value, 2); }

std::optional<double> ParseDecimalField(std::string_view field) {
  std::string t = Trim(field);
  if (t.empty()) return std::nullopt;
  // Only digits and one decimal point: no sign, exponent, "inf" or "nan" from a damaged field.
  int points = 0;
  for (char c : t) {
    if (c == '.') {
      ++points;
    } else if (c < '0' || c > '9') {
      return std::nullopt;
    }
  }
  if (points > 1 || t == ".") return std::nullopt;
  double v = 0;
  auto res = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::fixed);
  if (res.ec != std::errc() || res.ptr != t.data() + t.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace corvina::analysis
