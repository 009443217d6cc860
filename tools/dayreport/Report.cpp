#include "tools/dayreport/Report.h"

#include <algorithm>
#include <filesystem>

#include "analysis/Recovery.h"
#include "platform/Cp932.h"
#include "platform/Text.h"
#include "racedata/RaceRecords.h"

namespace corvina::dayreport {

namespace {

using analysis::BetType;

const char* StatusName(DayLoadStatus s) {
  switch (s) {
    case DayLoadStatus::Loaded: return "loaded";
    case DayLoadStatus::NoRaceFile: return "no-race-file";
    case DayLoadStatus::RunnerFileMissing: return "runner-file-missing";
    case DayLoadStatus::TooFewRaces: return "too-few-races";
    case DayLoadStatus::Busy: return "busy";
  }
  return "";
}

const char* TypeName(BetType t) {
  switch (t) {
    case BetType::Win: return "win";
    case BetType::Place: return "place";
    case BetType::Quinella: return "quinella";
    case BetType::Wide: return "wide";
  }
  return "";
}

// A number in the display format, without the padding that aligns it on screen.
std::string Fixed(double v, int width) { return Trim(FormatFixed(v, width, 1)); }

// A CP932 text as UTF-8 for the report; "-" for an empty one so every column stays present.
std::string Text(const std::string& cp932) {
  std::string t = TrimRight(cp932);
  return t.empty() ? "-" : FromCp932(t);
}

class Line {
 public:
  Line(std::ostream& out, const char* name) : out_(out) { out_ << name; }
  ~Line() { out_ << '\n'; }
  template <typename T>
  Line& operator<<(const T& v) {
    out_ << '\t' << v;
    return *this;
  }

 private:
  std::ostream& out_;
};

void WriteRace(std::ostream& out, const DayModel& day, int slot, const std::string& listLine) {
  const RaceInfo& info = day.Races[slot];
  const RaceCalc& c = day.Calcs[slot];
  Line(out, "race") << slot << FromCp932(listLine) << info.RaceKey << Trim(info.EntryCount) << int(c.Over8Runners)
                    << int(info.YozMatched) << int(info.Odds1Present) << int(info.Odds2Present) << c.CountA << c.CountB
                    << c.CountC;
  const int entries = std::clamp(StrToIntLenient(info.EntryCount), 0, kHorses);
  for (int h = 0; h < entries; ++h) {
    Line(out, "horse") << slot << h + 1 << Fixed(info.PredWinOdds[h], 5) << Fixed(info.WinOdds1[h], 5)
                       << Fixed(info.WinOdds2[h], 5) << c.RankPred[h] << c.RankOdds1[h] << c.RankOdds2[h]
                       << Fixed(c.PredAvgOdds[h], 8) << c.PredAvgOddsRank[h] << Fixed(c.AvgOdds[h], 8)
                       << c.AvgOddsRank[h] << Text(c.MarkAB1[h]) << Text(c.MarkC1[h]) << Text(c.MarkAB2[h])
                       << Text(c.MarkC2[h]) << Text(c.MarkX[h]) << Text(c.MarkE[h]) << c.ARank[h] << int(c.ModeOneA[h]);
  }
  for (int j = 1; j <= kTicketPlaces; ++j) {
    if (IsBlank(c.Tickets[j])) continue;
    Line(out, "ticket") << slot << j << c.Tickets[j] << int(c.WideHit[j]) << c.WidePay[j] << int(c.UmarenHit[j])
                        << c.UmarenPay[j];
  }
  Line(out, "axis") << slot << c.AxisHorse << int(c.TanHit) << c.TanPay << int(c.FukuHit) << c.FukuPay;
  Line(out, "note") << slot << Text(c.Note);
}

void WriteStatistics(std::ostream& out, const DayModel& day) {
  std::vector<std::string> venues = analysis::DayVenues(day);
  for (BetType type : analysis::kBetTypes) {
    for (int s = 0; s < analysis::kScopes; ++s) {
      std::string scope = s == 0 ? "all" : (static_cast<size_t>(s) <= venues.size() ? venues[s - 1] : "-");
      int tickets = day.GStats[analysis::TicketsIndex(type, s)];
      Line(out, "stat") << TypeName(type) << scope << tickets << day.GStats[analysis::HitsIndex(type, s)]
                        << static_cast<long long>(tickets) * 100 << day.GStats[analysis::PayIndex(type, s)]
                        << day.GRateStr[analysis::RateIndex(type, s)];
    }
  }
}

}  // namespace

const char* const kHelp =
    "usage: dayreport --home DIR --date yyyymmdd\n"
    "\n"
    "Loads the race day from DIR/Data as the program does (placeholder odds files included), runs the\n"
    "prediction, hit judgement and statistics, and writes the yearly .ksr summaries to DIR when the marker\n"
    "file DIR/makeKaishuFile.data exists. Settings are read from DIR/corvina.ini (kaime/local, default on).\n"
    "\n"
    "Output: UTF-8, one record a line, tab-separated; the first column names the record. Odds and averages\n"
    "carry one decimal as the program shows them, without alignment blanks; \"-\" stands for an empty text.\n"
    "  day      DayName  status  races       status: loaded, no-race-file, runner-file-missing, too-few-races\n"
    "  message  text                          the message the program shows when a load stops\n"
    "  race     slot  list-line  RaceKey  entries  over8  yoz-matched  odds1  odds2  countA  countB  countC\n"
    "  horse    slot  number  pred  odds1  odds2  rank-pred  rank-odds1  rank-odds2  pred-avg  pred-avg-rank\n"
    "           avg  avg-rank  AB0  C0  AB1  C1  X  E  a-rank  lost-A\n"
    "           (odds -1: no odds \"----\"/\"****\" or no prediction; -2: blank odds field)\n"
    "  ticket   slot  place(1..6)  ticket  wide-hit  wide-pay  quinella-hit  quinella-pay\n"
    "  axis     slot  horse(0 none)  win-hit  win-pay  place-hit  place-pay\n"
    "  note     slot  note\n"
    "  stat     type(win|place|quinella|wide)  scope(all or venue code)  tickets  hits  stake  payout  rate\n"
    "           (rate: the 7-character return-rate text, \"%6.1f%\" or blanks)\n"
    "  file     path                          a summary file written by this run\n"
    "  warning  text                          a file that could not be written\n"
    "\n"
    "Exit status: 0 loaded, 1 usage error, 2 the day could not be loaded.\n";

void WriteReport(std::ostream& out, const DayModel& day, const DayName& dayName, const DayLoadResult& result,
                 const std::vector<std::filesystem::path>& summariesWritten) {
  Line(out, "day") << dayName.Display() << StatusName(result.status) << result.raceList.size();
  if (!result.message.empty()) Line(out, "message") << FromCp932(result.message);
  for (const std::string& w : result.warnings) Line(out, "warning") << w;
  if (result.status != DayLoadStatus::Loaded) return;
  for (size_t slot = 0; slot < result.raceList.size(); ++slot)
    WriteRace(out, day, static_cast<int>(slot), result.raceList[slot]);
  WriteStatistics(out, day);
  for (const auto& path : summariesWritten) Line(out, "file") << path.string();
}

}  // namespace corvina::dayreport
