#pragma once
// Hand-made records for the tests: fields are placed by the same layout constants the program reads with.
#include <filesystem>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/LineFile.h"
#include "platform/Text.h"
#include "racedata/RecordLayout.h"
#include "tests/support/TempDir.h"

namespace corvina::test {

namespace L = corvina::layout;
using Strs = std::vector<std::string>;
using Ints = std::vector<int>;

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
    Set(L::head::kDateKey, date).Set(L::head::kCourse, course).Num(L::head::kKai, kai).Num(L::head::kNichi, nichi);
    return Num(L::head::kRaceNum, race);
  }
  const std::string& str() const { return s_; }
  operator std::string() const { return s_; }

 private:
  std::string s_;
};

inline std::string Ra(std::string_view date, std::string_view course, int race, std::string_view post = "1000",
                      int entries = 16, int nichi = 1) {
  return Rec(L::kRaLine, L::kKindRA)
      .Key(date, course, race, 1, nichi)
      .Set(L::ra::kPostTime, post)
      .Num(L::ra::kEntryCount, entries);
}

inline std::string Se(std::string_view date, std::string_view course, int race, int horse) {
  return Rec(L::kSeLine, L::kKindSE)
      .Key(date, course, race)
      .Num(L::se::kUmaBan, horse)
      .Num(L::se::kWakuBan, (horse + 1) / 2 > 8 ? 8 : (horse + 1) / 2);
}

// O1 / O2 with announcement "mmddhhnn".
inline std::string O1(std::string_view date, std::string_view course, int race, std::string_view announce) {
  return Rec(L::kO1Line, L::kKindO1).Key(date, course, race).Set(L::o1::kAnnounce, announce);
}
inline std::string O2(std::string_view date, std::string_view course, int race, std::string_view announce) {
  return Rec(L::kO2Line, L::kKindO2).Key(date, course, race).Set(L::o2::kAnnounce, announce);
}
inline std::string Hr(std::string_view date, std::string_view course, int race) {
  return Rec(L::kHrLine, L::kKindHR).Key(date, course, race);
}

// A predicted-odds line; `course` is a racecourse code or a blank-led venue digit.
inline Rec Yoz(std::string_view date, std::string_view course, int race, char source) {
  Rec r(L::kYozLine, "");
  r.Set(L::yoz::kDate, date).Set(L::yoz::kCourse, course).Num(L::yoz::kRaceNum, race);
  return r.Set(L::yoz::kKai, "01").Set(L::yoz::kNichi, "01").Set(L::yoz::kSource, std::string_view(&source, 1));
}

inline Lines ReadAll(const std::filesystem::path& p) {
  Lines lines;
  ReadLines(p, lines);
  return lines;
}

// Makes `p` a file that exists but cannot be read, also for root, for whom permissions do not bind: a link to
// the reading process's own memory, whose first page is never mapped, so every read fails with an I/O error.
inline void MakeUnreadable(const std::filesystem::path& p) {
  std::filesystem::remove(p);
  std::filesystem::create_symlink("/proc/self/mem", p);
}

// The elements of a table at the given indexes (flags and counts as int), so one check compares a whole row.
template <class A>
auto At(const A& a, std::initializer_list<int> indexes) {
  using T = std::decay_t<decltype(a[0])>;
  std::vector<std::conditional_t<std::is_integral_v<T>, int, T>> out;
  for (int i : indexes) out.push_back(a[static_cast<size_t>(i)]);
  return out;
}

}  // namespace corvina::test
