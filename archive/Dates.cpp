#include "archive/Dates.h"

#include <cmath>
#include <ctime>

namespace corvina::archive {

namespace {
const int kMonthDays[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                               {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + int64_t(doe) - 719468;
}

const int64_t kSerialDateEpochDays = DaysFromCivil(1899, 12, 30);

SerialDateTime EncodeTime(int h, int n, int s) { return (h * 3600.0 + n * 60.0 + s) / 86400.0; }
}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

bool TryEncodeDate(int year, int month, int day, SerialDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  if (day > kMonthDays[IsLeapYear(year)][month - 1]) return false;
  date = SerialDateTime(DaysFromCivil(year, unsigned(month), unsigned(day)) - kSerialDateEpochDays);
  return true;
}

SerialDateTime EncodeDateOr1980(int year, int month, int day) {
  SerialDateTime d;
  if (TryEncodeDate(year, month, day, d)) return d;
  TryEncodeDate(1980, 1, 1, d);
  return d + EncodeTime(0, 1, 0);
}

SerialDateTime DosDateTimeToDateTime(uint32_t value) {
  if (value == 0) value = kDos1980;
  const SerialDateTime date =
      EncodeDateOr1980(1980 + int(value >> 25), int((value >> 21) & 15), int((value >> 16) & 31));
  return date + EncodeTime(int((value >> 11) & 31), int((value >> 5) & 63), int(value & 31) * 2);
}

void DecodeDateTime(SerialDateTime date, int& year, int& month, int& day, int& hour, int& minute, int& second) {
  int64_t days = int64_t(std::floor(date));
  int64_t secs = int64_t(std::llround((date - SerialDateTime(days)) * 86400.0));
  if (secs >= 86400) {
    ++days;
    secs -= 86400;
  }
  // civil_from_days
  int64_t z = days + kSerialDateEpochDays + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = unsigned(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = int64_t(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = int(doy - (153 * mp + 2) / 5 + 1);
  month = int(mp < 10 ? mp + 3 : mp - 9);
  year = int(y + (month <= 2));
  hour = int(secs / 3600);
  minute = int(secs / 60 % 60);
  second = int(secs % 60);
}

SerialDateTime IncMonth(SerialDateTime date, int months) {
  int y, m, d, h, n, s;
  DecodeDateTime(date, y, m, d, h, n, s);
  int64_t total = int64_t(y) * 12 + (m - 1) + months;
  y = int(total / 12);
  m = int(total % 12) + 1;
  const int last = kMonthDays[IsLeapYear(y)][m - 1];
  if (d > last) d = last;
  SerialDateTime result;
  if (!TryEncodeDate(y, m, d, result)) return date;
  return result + (date - std::floor(date));
}

SerialDateTime UnixTimeToDateTime(uint32_t seconds) {
  if (seconds == 0) return EncodeDateOr1980(0, 0, 0);
  // Unsigned and Gregorian: stamps after 2038 and 2100 stay right.
  const time_t t = time_t(seconds);
  struct tm tmLocal {};
  localtime_r(&t, &tmLocal);
  SerialDateTime d;
  if (!TryEncodeDate(tmLocal.tm_year + 1900, tmLocal.tm_mon + 1, tmLocal.tm_mday, d)) return EncodeDateOr1980(0, 0, 0);
  return d + EncodeTime(tmLocal.tm_hour, tmLocal.tm_min, std::min(tmLocal.tm_sec, 59));
}

uint32_t DateTimeToDosDateTime(SerialDateTime date) {
  int y, m, d, h, n, s;
  DecodeDateTime(date, y, m, d, h, n, s);
  if (y < 1980) return kDos1980;
  if (y > 2107) y = 2107;
  return (uint32_t(y - 1980) << 25) | (uint32_t(m) << 21) | (uint32_t(d) << 16) | (uint32_t(h) << 11) |
         (uint32_t(n) << 5) | uint32_t(s / 2);
}

bool DosDateTimeToUnix(uint32_t dos, int64_t& unixTime) {
  const int year = 1980 + int(dos >> 25), month = int((dos >> 21) & 15), day = int((dos >> 16) & 31);
  const int hour = int((dos >> 11) & 31), minute = int((dos >> 5) & 63), second = int(dos & 31) * 2;
  SerialDateTime probe;
  if (!TryEncodeDate(year, month, day, probe) || hour > 23 || minute > 59 || second > 59) return false;
  struct tm tmLocal {};
  tmLocal.tm_year = year - 1900;
  tmLocal.tm_mon = month - 1;
  tmLocal.tm_mday = day;
  tmLocal.tm_hour = hour;
  tmLocal.tm_min = minute;
  tmLocal.tm_sec = second;
  tmLocal.tm_isdst = -1;
  const time_t t = mktime(&tmLocal);
  if (t == time_t(-1)) return false;
  unixTime = int64_t(t);
  return true;
}

uint32_t NowAsDosDateTime() {
  const time_t now = time(nullptr);
  struct tm tmLocal {};
  localtime_r(&now, &tmLocal);
  SerialDateTime d;
  if (!TryEncodeDate(tmLocal.tm_year + 1900, tmLocal.tm_mon + 1, tmLocal.tm_mday, d)) return kDos1980;
  return DateTimeToDosDateTime(d + EncodeTime(tmLocal.tm_hour, tmLocal.tm_min, std::min(tmLocal.tm_sec, 59)));
}
}  // namespace corvina::archive
