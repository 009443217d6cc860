#include "analysis/Recovery.h"

#include <algorithm>
#include <system_error>

#include "analysis/HitJudge.h"
#include "platform/Cp932.h"
#include "platform/Text.h"
#include "racedata/RacingTexts.h"

namespace corvina::analysis {

namespace {

constexpr int kKeyBytes = 20;  // date (8) + label (12): the key of a summary line

std::string VenueOf(const RaceInfo& info) { return Copy(info.RaceKey, 9, 2); }

// Scope of a venue code: 1..3 for V1..V3, 0 when it is none of them (a fourth venue counts only in "all").
int ScopeOf(const std::string& code, const std::vector<std::string>& venues) {
  for (size_t i = 0; i < venues.size() && i < 3; ++i)
    if (venues[i] == code) return static_cast<int>(i) + 1;
  return 0;
}

int CountTickets(const RaceCalc& calc) {
  int n = 0;
  for (int j = 1; j <= kTicketPlaces; ++j)
    if (!IsBlank(calc.Tickets[j])) ++n;
  return n;
}

// Adds to the all-venue counter and, when the race is at V1..V3, to that venue's counter.
void AddBoth(std::array<int, kStatCounters>& stats, StatCounter counter, int scope, int value) {
  stats[StatIndex(counter, 0)] += value;
  if (scope > 0) stats[StatIndex(counter, scope)] += value;
}

void SortUnique(Lines& lines) {
  std::sort(lines.begin(), lines.end());
  lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
}

void ReplaceLine(Lines& lines, const std::string& key, const std::string& line) {
  auto it = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
    return l.compare(0, kKeyBytes, key) == 0 && l.size() >= kKeyBytes;
  });
  if (it != lines.end()) lines.erase(it);
  auto pos = std::lower_bound(lines.begin(), lines.end(), line);
  if (pos == lines.end() || *pos != line) lines.insert(pos, line);
}

StatCounter TicketsCounter(BetType type) {
  switch (type) {
    case BetType::Win: return StatCounter::WinTickets;
    case BetType::Place: return StatCounter::PlaceTickets;
    case BetType::Quinella: return StatCounter::QuinellaTickets;
    case BetType::Wide: return StatCounter::WideTickets;
  }
  return StatCounter::WinTickets;
}

StatCounter HitsCounter(BetType type) {
  switch (type) {
    case BetType::Win: return StatCounter::WinHits;
    case BetType::Place: return StatCounter::PlaceHits;
    case BetType::Quinella: return StatCounter::QuinellaHits;
    case BetType::Wide: return StatCounter::WideHits;
  }
  return StatCounter::WinHits;
}

StatCounter PayCounter(BetType type) {
  switch (type) {
    case BetType::Win: return StatCounter::WinPay;
    case BetType::Place: return StatCounter::PlacePay;
    case BetType::Quinella: return StatCounter::QuinellaPay;
    case BetType::Wide: return StatCounter::WidePay;
  }
  return StatCounter::WinPay;
}

}  // namespace

int TicketsIndex(BetType type, int scope) { return StatIndex(TicketsCounter(type), scope); }
int HitsIndex(BetType type, int scope) { return StatIndex(HitsCounter(type), scope); }
int PayIndex(BetType type, int scope) { return StatIndex(PayCounter(type), scope); }

int RateIndex(BetType type, int scope) { return static_cast<int>(type) * 4 + scope; }

std::string RateText(long long paySum, int tickets) {
  if (tickets == 0) return std::string(7, ' ');
  return FormatFixed(static_cast<double>(paySum) / tickets, 6, 1) + "%";
}

ResultFlags ResultsListed(const RaceInfo& info, const RaceCalc& calc, EmptyComb empty) {
  auto listed = [empty](const std::string& comb) {
    return empty == EmptyComb::Blank ? !IsBlank(comb) : PresentComb(comb);
  };
  return {listed(info.UmarenComb[1]) || (calc.Over8Runners == 0 && listed(info.WakurenComb[1])),
          listed(info.WideComb[1]), info.TanHorse[1] > 0, info.FukuHorse[1] > 0};
}

std::vector<std::string> DayVenues(const DayModel& day) {
  std::vector<std::string> venues;
  for (const auto& info : day.Races)
    if (info.HasData == 1) venues.push_back(VenueOf(info));
  SortUnique(venues);
  return venues;
}

void ComputeStatistics(DayModel& day) {
  std::vector<std::string> venues = DayVenues(day);
  auto& stats = day.GStats;
  stats.fill(0);
  for (auto& r : day.GRateStr) r.clear();

  for (int slot = 0; slot < kSlots; ++slot) {
    const RaceInfo& info = day.Races[slot];
    if (info.HasData != 1) continue;
    RaceCalc& calc = day.Calcs[slot];
    int scope = ScopeOf(VenueOf(info), venues);
    const ResultFlags listed = ResultsListed(info, calc, EmptyComb::Blank);
    calc.ResU = listed.quinella, calc.ResW = listed.wide, calc.ResT = listed.win, calc.ResF = listed.place;
    int tickets = CountTickets(calc);
    if (calc.ResU == 1) AddBoth(stats, StatCounter::QuinellaTickets, scope, tickets);
    if (calc.ResW == 1 && calc.Over8Runners == 1) AddBoth(stats, StatCounter::WideTickets, scope, tickets);
    if (calc.ResT == 1 && calc.AxisHorse > 0) AddBoth(stats, StatCounter::WinTickets, scope, 1);
    if (calc.ResF == 1 && calc.AxisHorse > 0) AddBoth(stats, StatCounter::PlaceTickets, scope, 1);
    for (int j = 1; j <= kTicketPlaces; ++j) {
      if (calc.UmarenHit[j] == 1) {
        AddBoth(stats, StatCounter::QuinellaHits, scope, 1);
        AddBoth(stats, StatCounter::QuinellaPay, scope, calc.UmarenPay[j]);
      }
      if (calc.WideHit[j] == 1) {
        AddBoth(stats, StatCounter::WideHits, scope, 1);
        AddBoth(stats, StatCounter::WidePay, scope, calc.WidePay[j]);
      }
    }
    if (calc.TanHit == 1) {
      AddBoth(stats, StatCounter::WinHits, scope, 1);
      AddBoth(stats, StatCounter::WinPay, scope, calc.TanPay);
    }
    if (calc.FukuHit == 1) {
      AddBoth(stats, StatCounter::PlaceHits, scope, 1);
      AddBoth(stats, StatCounter::PlacePay, scope, calc.FukuPay);
    }
  }

  for (BetType type : kBetTypes)
    for (int s = 0; s < kScopes; ++s)
      day.GRateStr[RateIndex(type, s)] = RateText(stats[PayIndex(type, s)], stats[TicketsIndex(type, s)]);
}

std::array<std::string, kScopes> VenueLabels(const DayModel& day) {
  const std::string& kKai = CORVINA_CP932("回");
  const std::string& kNichi = CORVINA_CP932("日");
  Lines keys;
  for (int slot = 0; slot < kSlots; ++slot) {
    const RaceInfo& info = day.Races[slot];
    if (info.HasData == 1 && day.Calcs[slot].CalcHasData == 1)
      keys.push_back(VenueOf(info) + Copy(info.RaceKey, 11, 2) + kKai + Copy(info.RaceKey, 13, 2) + kNichi);
  }
  SortUnique(keys);
  std::array<std::string, kScopes> labels{};
  for (int k = 1; k < kScopes; ++k) {
    if (static_cast<size_t>(k) <= keys.size()) {
      const std::string& line = keys[k - 1];
      labels[k] = Copy(CourseClassName(Copy(line, 1, 2)), 1, 4) + Copy(line, 3, 8);
    } else {
      labels[k] = std::string(12, ' ');
    }
  }
  return labels;
}

const char* BetWordUtf8(BetType type) {
  switch (type) {
    case BetType::Win: return "単勝";
    case BetType::Place: return "複勝";
    case BetType::Quinella: return "馬連";
    case BetType::Wide: return "ﾜｲﾄﾞ";
  }
  return "";
}

std::filesystem::path SummaryPath(const std::filesystem::path& appDir, const std::string& dayName, BetType type) {
  return appDir / (FromCp932(Copy(dayName, 1, 6)) + BetWordUtf8(type) + ".ksr");
}

bool IsSummaryFileName(std::string_view utf8Name) {
  constexpr std::string_view kYear = "年", kSuffix = ".ksr";
  if (utf8Name.size() < 4 + kYear.size() ||
      utf8Name.substr(0, 4).find_first_not_of("0123456789") != std::string_view::npos ||
      utf8Name.substr(4, kYear.size()) != kYear)
    return false;
  const std::string_view rest = utf8Name.substr(4 + kYear.size());
  for (BetType type : kBetTypes)
    if (rest == std::string(BetWordUtf8(type)) + std::string(kSuffix)) return true;
  return false;
}

const std::string& AllVenueLabel() { return CORVINA_CP932("全場        "); }

std::string SummaryLine(const std::string& dayName, const std::string& label, const DayModel& day, BetType type,
                        int scope) {
  const std::string& kTen = CORVINA_CP932("点");
  const std::string& kYen = CORVINA_CP932("円");
  int tickets = day.GStats[TicketsIndex(type, scope)];
  return Copy(dayName, 7, 8) + label + FormatInt(tickets, 3) + kTen + FormatInt(day.GStats[HitsIndex(type, scope)], 3) +
         kTen + FormatInt(static_cast<long long>(tickets) * 100, 5) + kYen +
         FormatInt(day.GStats[PayIndex(type, scope)], 7) + kYen + day.GRateStr[RateIndex(type, scope)];
}

void MergeSummary(Lines& lines, const DayModel& day, const std::string& dayName,
                  const std::array<std::string, kScopes>& labels, BetType type) {
  SortUnique(lines);
  std::string date = Copy(dayName, 7, 8);
  ReplaceLine(lines, date + AllVenueLabel(), SummaryLine(dayName, AllVenueLabel(), day, type, 0));
  std::vector<std::string> venues = DayVenues(day);
  for (int s = 1; s < kScopes; ++s) {
    // V1 always has its line; V2 and V3 only when the day has that many venues.
    if (s > 1 && (static_cast<size_t>(s) > venues.size() || IsBlank(venues[s - 1]))) continue;
    ReplaceLine(lines, date + labels[s], SummaryLine(dayName, labels[s], day, type, s));
  }
}

std::filesystem::path SummaryMarkerPath(const std::filesystem::path& appDir) { return appDir / "makeKaishuFile.data"; }

StatisticsResult ComputeRecoveryStatistics(DayModel& day, const std::string& dayName) {
  StatisticsResult result;
  if (IsBlank(dayName)) return result;
  ComputeStatistics(day);
  auto labels = VenueLabels(day);
  std::error_code ec;
  bool marker = std::filesystem::exists(SummaryMarkerPath(day.AppDir), ec);
  for (BetType type : kBetTypes) {
    std::filesystem::path path = SummaryPath(day.AppDir, dayName, type);
    std::string error;
    if (!marker) {
      // Nothing is saved; a file that cannot be read is still told.
      Lines lines;
      if (std::filesystem::exists(path, ec) && !ReadLines(path, lines, &error))
        result.errors.push_back(path.string() + ": " + error);
      continue;
    }
    // One locked read and rename, so the lines another process merged meanwhile (another day's) are kept. An
    // unreadable file is left alone rather than replaced by this day's lines only.
    bool saved = false;
    const bool done = UpdateFileAtomic(
        path,
        [&](std::string& bytes, bool) {
          Lines lines = SplitLines(bytes);
          MergeSummary(lines, day, dayName, labels, type);
          if (lines.empty()) return false;
          bytes = JoinLinesCrLf(lines);
          return saved = true;
        },
        &error);
    if (!done) {
      result.errors.push_back(path.string() + ": " + error);
    } else if (saved) {
      result.written.push_back(path);
    }
  }
  return result;
}

}  // namespace corvina::analysis
