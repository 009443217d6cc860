#pragma once
// Hand-made records for the tests: fields are placed by the same layout constants the program reads with.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>

#include "platform/LineFile.h"
#include "platform/Text.h"
#include "racedata/RecordLayout.h"

namespace corvina::testing_support {

namespace L = corvina::layout;

class Rec {
 public:
  Rec(int lineLength, std::string_view kind) : s_(static_cast<size_t>(lineLength), ' ') { Set(L::head::kKind, kind); }
  // Places `value` in the field, padded with blanks or cut to its length.
  Rec& Set(L::Field f, std::string_view value) {
    s_.replace(static_cast<size_t>(f.pos - 1), static_cast<size_t>(f.len), PadRight(value, static_cast<size_t>(f.len)));
    return *this;
  }
  Rec& Num(L::Field f, long long v) { return Set(f, FormatZero(v, f.len)); }
  // Date "yyyymmdd", racecourse code, kai, nichi, race number.
  Rec& Key(std::string_view date, std::string_view course, int race, int kai = 1, int nichi = 1) {
    Set(L::head::kDateKey, date);
    Set(L::head::kCourse, course);
    Num(L::head::kKai, kai);
    Num(L::head::kNichi, nichi);
    return Num(L::head::kRaceNum, race);
  }
  const std::string& str() const { return s_; }
  operator std::string() const { return s_; }

 private:
  std::string s_;
};

inline std::string Ra(std::string_view date, std::string_view course, int race, std::string_view post = "1000",
                      int entries = 16) {
  return Rec(L::kRaLine, L::kKindRA).Key(date, course, race).Set(L::ra::kPostTime, post).Num(L::ra::kEntryCount, entries);
}

inline std::string Se(std::string_view date, std::string_view course, int race, int horse) {
  return Rec(L::kSeLine, L::kKindSE)
      .Key(date, course, race)
      .Num(L::se::kUmaBan, horse)
      .Num(L::se::kWakuBan, (horse + 1) / 2 > 8 ? 8 : (horse + 1) / 2);
}

// O1 with announcement "mmddhhnn".
inline std::string O1(std::string_view date, std::string_view course, int race, std::string_view announce) {
  return Rec(L::kO1Line, L::kKindO1).Key(date, course, race).Set(L::o1::kAnnounce, announce);
}

inline std::string O2(std::string_view date, std::string_view course, int race, std::string_view announce) {
  return Rec(L::kO2Line, L::kKindO2).Key(date, course, race).Set(L::o2::kAnnounce, announce);
}

inline std::string Hr(std::string_view date, std::string_view course, int race) {
  return Rec(L::kHrLine, L::kKindHR).Key(date, course, race);
}

// A folder of its own under the system's temporary folder, removed at the end of the test.
class TempDir {
 public:
  TempDir() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("corvina-racedata-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline Lines ReadAll(const std::filesystem::path& p) {
  Lines lines;
  ReadLines(p, lines);
  return lines;
}

}  // namespace corvina::testing_support
