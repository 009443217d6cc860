// Writing a generated day as day files, as the JV-Link stand-in's folders, or as provider texts.
#include <algorithm>
#include <map>
#include <stdexcept>

#include "platform/Clock.h"
#include "platform/Cp932.h"
#include "platform/LineFile.h"
#include "platform/Text.h"
#include "racedata/RacingTexts.h"
#include "tools/jvgen/Generator.h"

namespace corvina::jvgen {

namespace fs = std::filesystem;
namespace L = layout;

namespace {

class FileSink {
 public:
  explicit FileSink(const Day& day) : lf_(day.options.lfOnly) {}
  void Save(const fs::path& path, const Lines& lines) {
    std::string text;
    for (const auto& l : lines) text += l + (lf_ ? "\n" : "\r\n");
    fs::create_directories(path.parent_path());
    std::string error;
    if (!SaveFileAtomic(path, text, &error)) throw std::runtime_error(error);
    written.push_back(path);
  }
  std::vector<fs::path> written;

 private:
  bool lf_;
};

std::string Zeroed(std::string rec) {  // the day-file writers blank out data kind and creation date
  rec.replace(2, 9, "000000000");
  return rec;
}

// Lines made deliberately odd: one short, one long (see README).
void MakeShort(Lines& lines, size_t index, size_t by) {
  if (index < lines.size() && lines[index].size() > by) lines[index].resize(lines[index].size() - by);
}
void MakeLong(Lines& lines, size_t index, size_t by) {
  if (index < lines.size()) lines[index] += std::string(by, ' ');
}

std::vector<const Race*> AllRaces(const Day& day) {
  std::vector<const Race*> all;
  for (const Race& r : day.races) all.push_back(&r);
  for (const Race& r : day.oddRaces) all.push_back(&r);
  return all;
}

std::string LastCourse(const Day& day) { return day.races.empty() ? "" : day.races.back().course; }

Snapshot MorningSnapshot(const std::vector<Snapshot>& snaps) {
  for (const Snapshot& s : snaps)
    if (s.dayOffset == 0) return s;
  return snaps.front();
}

std::string Hhmm(int minute) { return FormatZero(minute / 60, 2) + FormatZero(minute % 60, 2); }

}  // namespace

std::vector<fs::path> WriteDayFiles(const Day& day, const fs::path& home) {
  FileSink sink(day);
  const fs::path data = home / "Data";
  const std::string stem = day.date.FileStem();
  const Options& o = day.options;
  const Stage stage = o.results ? Stage::Result : Stage::Card;

  // Race file, sorted as the writers keep it; the slots follow its order.
  std::vector<std::pair<std::string, const Race*>> ra;
  for (const Race* r : AllRaces(day)) ra.push_back({Zeroed(RaRecord(day, *r, stage)), r});
  std::sort(ra.begin(), ra.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  Lines raLines;
  for (auto& [line, race] : ra) raLines.push_back(line);
  if (o.oddLines) MakeShort(raLines, 0, 3);
  sink.Save(data / (stem + std::string(L::kSuffixRA)), raLines);

  // One runner file per racecourse, 216 lines.
  std::map<std::string, Lines> runners;
  for (const Race& race : day.races) {
    if (o.missingRunnerFile && race.course == LastCourse(day)) continue;
    Lines& lines = runners[race.course];
    if (lines.empty()) lines.assign(L::kSeLines, std::string(L::kSeLine, ' '));
    for (const Runner& r : race.runners)
      lines[static_cast<size_t>((race.num - 1) * L::kHorses + r.umaban - 1)] = SeRecord(day, race, r, stage);
  }
  for (auto& [course, lines] : runners) {
    if (o.oddLines) MakeLong(lines, 1, 5);
    sink.Save(data / (stem + FromCp932(CourseName(course, 2)) + std::string(L::kSuffixSE)), lines);
  }

  if (o.results) {
    Lines hr;
    for (const Race* r : AllRaces(day)) hr.push_back(Zeroed(HrRecord(day, *r, '2')));
    std::sort(hr.begin(), hr.end());
    if (o.oddLines) MakeShort(hr, hr.size() - 1, 2);
    sink.Save(data / (stem + std::string(L::kSuffixHR)), hr);
  }

  // Odds files: two O1 lines and one O2 line per slot, blank for a slot that is no race of the day.
  Lines o1, o2, yoz;
  for (auto& [line, race] : ra) {
    bool real = race->num >= 1 && race->num <= L::kRaces;
    if (!real) {
      o1.push_back(std::string(L::kO1Line, ' '));
      o1.push_back(std::string(L::kO1Line, ' '));
      o2.push_back(std::string(L::kO2Line, ' '));
      continue;
    }
    std::vector<Snapshot> snaps = Snapshots(day, *race);
    o1.push_back(O1Record(day, *race, MorningSnapshot(snaps)));
    o1.push_back(O1Record(day, *race, snaps.back()));
    o2.push_back(O2Record(day, *race, snaps.back()));
    if (o.yozSource) yoz.push_back(YozLine(day, *race));
  }
  sink.Save(data / (stem + std::string(L::kSuffixO1)), o1);
  sink.Save(data / (stem + std::string(L::kSuffixO2)), o2);
  if (o.yozSource) sink.Save(data / (stem + std::string(L::kSuffixYoz)), yoz);
  return sink.written;
}

std::vector<fs::path> WriteStandIn(const Day& day, const fs::path& root) {
  FileSink sink(day);
  const Options& o = day.options;
  const std::string date = day.date.DateKey();
  DateTime start;
  start.year = day.date.Year();
  start.month = day.date.Month();
  start.day = day.date.Day();
  const std::string cardStamp = AddSeconds(start, -2LL * 86400 + 16 * 3600).Compact();
  const std::string resultStamp = AddSeconds(start, 17 * 3600 + 30 * 60).Compact();
  const fs::path stored = root / "stored" / "RACE";
  fs::create_directories(stored / "local");

  auto cardOf = [&](const Race& race, Stage stage, Lines& out) {
    out.push_back(RaRecord(day, race, stage));
    if (o.missingRunnerFile && race.course == LastCourse(day)) return;
    for (const Runner& r : race.runners) out.push_back(SeRecord(day, race, r, stage));
  };

  Lines card;
  for (const Race* r : AllRaces(day)) cardOf(*r, Stage::Card, card);
  if (o.oddLines) MakeShort(card, 0, 3);
  sink.Save(stored / "server" / (cardStamp + "_card.txt"), card);

  if (o.results) {
    Lines results;
    for (const Race* r : AllRaces(day)) {
      cardOf(*r, Stage::Result, results);
      results.push_back(HrRecord(day, *r, '2'));
    }
    sink.Save(stored / "server" / (resultStamp + "_results.txt"), results);
  }

  const fs::path series = root / "realtime" / "0B30" / date;
  const fs::path released = root / "realtime" / "0B12" / date;
  for (const Race& race : day.races) {
    Lines o1, o2;
    for (const Snapshot& s : Snapshots(day, race)) {
      o1.push_back(O1Record(day, race, s));
      o2.push_back(O2Record(day, race, s));
    }
    sink.Save(series / (race.VenueRaceKey() + std::string(L::kSuffixO1)), o1);
    sink.Save(series / (race.VenueRaceKey() + std::string(L::kSuffixO2)), o2);
    if (o.results) {
      Lines out;
      cardOf(race, Stage::Result, out);
      out.push_back(HrRecord(day, race, '1'));
      sink.Save(released / (Hhmm(race.postMinute + 15) + "_" + race.VenueRaceKey() + ".txt"), out);
    }
  }
  return sink.written;
}

std::vector<fs::path> WriteProviders(const Day& day, const fs::path& dir) {
  FileSink sink(day);
  Lines jrdb, kol;
  for (const Race& race : day.races) {
    jrdb.push_back(JrdbLine(day, race));
    kol.push_back(KolLine(day, race));
  }
  sink.Save(dir / JrdbFileName(day.date), jrdb);
  sink.Save(dir / "kol_ods.kd3", kol);
  return sink.written;
}

}  // namespace corvina::jvgen
