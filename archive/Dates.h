#pragma once
// DOS, Unix and serial dates of archive entries.
#include <cstdint>

namespace corvina::archive {

using SerialDateTime = double;  // days since 1899-12-30, time of day as the fraction

bool IsLeapYear(int year);
bool TryEncodeDate(int year, int month, int day, SerialDateTime& date);
SerialDateTime EncodeDateOr1980(int year, int month, int day);
SerialDateTime DosDateTimeToDateTime(uint32_t value);
SerialDateTime IncMonth(SerialDateTime date, int months);
SerialDateTime UnixTimeToDateTime(uint32_t seconds);  // local time; 0 gives 1980-01-01 00:01:00
uint32_t DateTimeToDosDateTime(SerialDateTime date);
void DecodeDateTime(SerialDateTime date, int& year, int& month, int& day, int& hour, int& minute, int& second);
// Seconds since 1970 for a local DOS date/time; false for an impossible date or time.
bool DosDateTimeToUnix(uint32_t dos, int64_t& unixTime);
uint32_t NowAsDosDateTime();
constexpr uint32_t kDos1980 = 0x210020;  // 1980-01-01 00:01:00
}  // namespace corvina::archive
