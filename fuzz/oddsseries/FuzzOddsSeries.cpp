// libFuzzer target: the time-series odds files through the import into a loaded day's odds files. The input's
// parts, split at the byte 0xFF, are the race card record of the day's first race, its two scheduled odds
// times "hhmmhhmm", and the race's .jvO1 and .jvO2 series. Every pick names a line of its series. The whole
// import through the files (one input in eight: it costs far more than the picks) writes every line with its
// record length.
#include <unistd.h>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/ScratchFolder.h"
#include "platform/LineFile.h"
#include "platform/Text.h"
#include "racedata/DayFiles.h"
#include "racedata/RaceRecords.h"
#include "racedata/RecordLayout.h"
#include "racedata/TimeSeriesImport.h"

namespace {
namespace fs = std::filesystem;

const fs::path& Home() { return corvina_fuzz::ScratchFolder("series"); }

// A day model is large: each input builds a fresh one in the same memory, so that its pages are not
// mapped and faulted in anew every time.
corvina::DayModel& FreshModel() {
  static std::optional<corvina::DayModel> model;
  model.emplace();
  return *model;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvina;
  namespace L = layout;
  std::vector<std::string_view> parts;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  for (size_t cut; (cut = rest.find('\xFF')) != std::string_view::npos && parts.size() < 3; rest.remove_prefix(cut + 1))
    parts.push_back(rest.substr(0, cut));
  parts.push_back(rest);
  parts.resize(4);

  const std::string ra = PadRight(parts[0], L::kRaLine);
  const std::string time1(CopyView(parts[1], 1, 4)), time2(CopyView(parts[1], 5, 4));
  const std::string postTime(FieldView(ra, L::ra::kPostTime));
  for (auto [series, kind] : {std::pair{parts[2], L::kKindO1}, std::pair{parts[3], L::kKindO2}}) {
    const Lines lines = SplitLines(series);
    for (const std::string& time : {time1, time2})
      for (bool beforePost : {false, true}) {
        const int picked = PickSnapshot(lines, MinutesOfHHMM(time), postTime, kind, beforePost);
        if (picked < -1 || picked >= int(lines.size())) __builtin_trap();
      }
  }
  if (size % 8 != 0) return 0;

  std::error_code ec;
  fs::remove_all(Home(), ec);
  const fs::path folder = Home() / "series";
  DayModel* day = &FreshModel();
  day->AppDir = Home();
  day->Table.GRaTbl[0] = ra;
  day->Races[0].OddsTime1 = time1;
  day->Races[0].OddsTime2 = time2;
  const fs::path o1 = TimeSeriesFile(folder, day->Table.GRaTbl[0], L::kSuffixO1);
  const fs::path o2 = TimeSeriesFile(folder, day->Table.GRaTbl[0], L::kSuffixO2);
  if (!o1.empty()) {
    // A key that led out of the series folder would be a finding of its own.
    if (o1.parent_path().parent_path() != folder) __builtin_trap();
    fs::create_directories(o1.parent_path());
    if (!SaveFileAtomic(o1, parts[2]) || !SaveFileAtomic(o2, parts[3])) return 0;
  }

  const TimeSeriesResult r = ImportTimeSeries(*day, folder);
  TimeSeriesSummary(r);
  const auto raceDay = DayOfRecord(day->Table.GRaTbl[0]);
  if (!r.failed && raceDay) {
    for (auto [suffix, length] : {std::pair{L::kSuffixO1, L::kO1Line}, std::pair{L::kSuffixO2, L::kO2Line}}) {
      const fs::path file = DayFilePath(day->DataDir(), *raceDay, suffix);
      Lines lines;
      if (fs::exists(file) && !ReadLines(file, lines)) __builtin_trap();
      for (const std::string& l : lines)
        if (l.size() != size_t(length)) __builtin_trap();
    }
  }
  return 0;
}
