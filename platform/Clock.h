#pragma once
// The one source of "now" for every part that compares times, so tests can set the clock and call timer
// handlers directly.
#include <functional>
#include <string>

namespace corvina {

struct DateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;

  // "yyyymmdd", as in a DateKey.
  std::string DateKey() const;
  // "hhmm".
  std::string HHMM() const;
  // "yyyy/mm/dd hh:nn:ss".
  std::string Stamp() const;
  // "hh:nn:ss".
  std::string TimeText() const;
  // "yyyymmddhhnnss", the JV-Link time form.
  std::string Compact() const;

  auto operator<=>(const DateTime&) const = default;
};

class Clock {
 public:
  // Local time from the system, or the time a test set.
  static DateTime Now();
  // Fixes the clock (tests); Reset returns to the system clock.
  static void Set(const DateTime& t);
  static void Reset();
};

// Days since 1970-01-01 of a civil date, and back; used to step dates without time-zone surprises.
long long DaysFromCivil(int y, int m, int d);
void CivilFromDays(long long z, int& y, int& m, int& d);
// `t` moved by `seconds` (may be negative).
DateTime AddSeconds(const DateTime& t, long long seconds);

}  // namespace corvina
