#pragma once
// A race day's name: "2024年01月06日". Inside the program it is 14 bytes of CP932 (the date list's text and
// the records' view of it); on disk it is the UTF-8 stem of every day file.
#include <optional>
#include <string>
#include <string_view>

namespace corvina {

class DayName {
 public:
  DayName() = default;
  DayName(int year, int month, int day);

  // "20240106" -> the day; nullopt unless it is 8 digits of a real date.
  static std::optional<DayName> FromDateKey(std::string_view yyyymmdd);
  // A UTF-8 file name or stem that begins with a day name ("2024年01月06日東京.jvSEr"); the rest is ignored.
  static std::optional<DayName> ParseUtf8Prefix(std::string_view utf8);
  // A CP932 text that begins with a day name (the date list's text).
  static std::optional<DayName> ParseCp932Prefix(std::string_view cp932);

  int Year() const { return year_; }
  int Month() const { return month_; }
  int Day() const { return day_; }
  bool Valid() const { return year_ > 0; }

  std::string DateKey() const;  // "20240106"
  std::string Cp932() const;    // 14 bytes
  std::string Display() const;  // UTF-8 "2024年01月06日"
  std::string FileStem() const { return Display(); }

  auto operator<=>(const DayName&) const = default;

 private:
  int year_ = 0, month_ = 0, day_ = 0;
};

}  // namespace corvina
