#include "Text.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>

namespace corvina {

std::string_view CopyView(std::string_view s, int index, int count) {
  if (index < 1) index = 1;
  if (count <= 0 || static_cast<size_t>(index) > s.size()) return {};
  return s.substr(static_cast<size_t>(index) - 1, static_cast<size_t>(count));
}

std::string Copy(std::string_view s, int index, int count) { return std::string(CopyView(s, index, count)); }

int StrToIntLenient(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
    neg = s[i] == '-';
    ++i;
  }
  long long v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    v = v * 10 + (s[i] - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;
  }
  if (neg) v = -v;
  if (v > INT_MAX) v = INT_MAX;
  if (v < INT_MIN) v = INT_MIN;
  return static_cast<int>(v);
}

static bool IsBlankChar(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; }

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlankChar(s[b])) ++b;
  while (e > b && IsBlankChar(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

std::string TrimRight(std::string_view s) {
  size_t e = s.size();
  while (e > 0 && IsBlankChar(s[e - 1])) --e;
  return std::string(s.substr(0, e));
}

bool IsBlank(std::string_view s) {
  for (char c : s)
    if (!IsBlankChar(c)) return false;
  return true;
}

std::string PadRight(std::string_view s, size_t len) {
  std::string r(s.substr(0, std::min(s.size(), len)));
  r.resize(len, ' ');
  return r;
}

std::string FormatInt(long long value, int width) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%*lld", width, value);
  return buf;
}

std::string FormatZero(long long value, int width) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*lld", width, value);
  return buf;
}

std::string FormatFixed(double value, int width, int decimals) {
  if (!std::isfinite(value)) {
    std::string t = std::isnan(value) ? "NAN" : (value < 0 ? "-INF" : "INF");
    return t.size() < static_cast<size_t>(width) ? std::string(width - t.size(), ' ') + t : t;
  }
  // Shortest decimal text that reads back as `value`, then round that text half away from zero.
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  std::string sci(buf, res.ptr);
  bool neg = sci[0] == '-';
  if (neg) sci.erase(0, 1);
  size_t epos = sci.find('e');
  int exp10 = std::atoi(sci.c_str() + epos + 1);
  std::string digits;
  for (size_t i = 0; i < epos; ++i)
    if (sci[i] != '.') digits += sci[i];
  // value = 0.digits * 10^(exp10+1); the integer part has (exp10+1) digits.
  int intLen = exp10 + 1;
  if (intLen <= 0) {
    digits.insert(0, static_cast<size_t>(-intLen), '0');
    intLen = 0;
  }
  size_t want = static_cast<size_t>(intLen + decimals);
  if (digits.size() < want) digits.append(want - digits.size(), '0');
  bool roundUp = digits.size() > want && digits[want] >= '5';
  digits.resize(want);
  if (roundUp) {
    int i = static_cast<int>(want) - 1;
    for (; i >= 0; --i) {
      if (digits[i] == '9') {
        digits[i] = '0';
      } else {
        ++digits[i];
        break;
      }
    }
    if (i < 0) {
      digits = "1" + digits;
      ++intLen;
    }
  }
  std::string intPart = intLen > 0 ? digits.substr(0, static_cast<size_t>(intLen)) : "0";
  std::string frac = digits.substr(static_cast<size_t>(intLen));
  bool allZero =
      intPart.find_first_not_of('0') == std::string::npos && frac.find_first_not_of('0') == std::string::npos;
  std::string out = (neg && !allZero ? "-" : "") + intPart;
  if (decimals > 0) out += "." + frac;
  if (out.size() < static_cast<size_t>(width)) out.insert(0, static_cast<size_t>(width) - out.size(), ' ');
  return out;
}

}  // namespace corvina
