#include "Clock.h"

#include <ctime>
#include <mutex>
#include <optional>

#include "Text.h"

namespace corvina {
namespace {
std::mutex gMutex;
std::optional<DateTime> gFixed;
}  // namespace

std::string DateTime::DateKey() const { return FormatZero(year, 4) + FormatZero(month, 2) + FormatZero(day, 2); }
std::string DateTime::HHMM() const { return FormatZero(hour, 2) + FormatZero(minute, 2); }
std::string DateTime::TimeText() const {
  return FormatZero(hour, 2) + ":" + FormatZero(minute, 2) + ":" + FormatZero(second, 2);
}
std::string DateTime::Stamp() const {
  return FormatZero(year, 4) + "/" + FormatZero(month, 2) + "/" + FormatZero(day, 2) + " " + TimeText();
}
std::string DateTime::Compact() const { return DateKey() + HHMM() + FormatZero(second, 2); }

DateTime Clock::Now() {
  {
    std::lock_guard<std::mutex> lock(gMutex);
    if (gFixed) return *gFixed;
  }
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return DateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

void Clock::Set(const DateTime& t) {
  std::lock_guard<std::mutex> lock(gMutex);
  gFixed = t;
}

void Clock::Reset() {
  std::lock_guard<std::mutex> lock(gMutex);
  gFixed.reset();
}

long long DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (m <= 2));
}

DateTime AddSeconds(const DateTime& t, long long seconds) {
  long long total = DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second + seconds;
  long long days = total >= 0 ? total / 86400 : (total - 86399) / 86400;
  long long rem = total - days * 86400;
  DateTime r;
  CivilFromDays(days, r.year, r.month, r.day);
  r.hour = static_cast<int>(rem / 3600);
  r.minute = static_cast<int>(rem / 60 % 60);
  r.second = static_cast<int>(rem % 60);
  return r;
}

}  // namespace corvina
