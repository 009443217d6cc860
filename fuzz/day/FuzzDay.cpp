// libFuzzer target: the day files and the whole day load with the prediction engine. The input is a folder
// of day files: its parts, split at the byte 0xFF (never part of CP932 text), are the day's .jvRA, .jvHR,
// .jvO1, .jvO2 and .yoz, then the runner files .jvSEr of the racecourses 01 to 10. An empty part is a file
// that does not exist.
#include <unistd.h>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/Engine.h"
#include "fuzz/ScratchFolder.h"
#include "platform/LineFile.h"
#include "racedata/DayFiles.h"
#include "racedata/DayLoad.h"
#include "racedata/RecordLayout.h"

namespace {
namespace fs = std::filesystem;

const fs::path& Home() { return corvina_fuzz::ScratchFolder("day"); }

// A day model is large: each input builds a fresh one in the same memory, so that its pages are not
// mapped and faulted in anew every time (that cost more than the load).
corvina::DayModel& FreshModel() {
  static std::optional<corvina::DayModel> model;
  model.emplace();
  return *model;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvina;
  namespace L = layout;
  const DayName day(2024, 1, 6);
  const fs::path dataDir = DataDirOf(Home());
  std::error_code ec;
  fs::remove_all(dataDir, ec);
  fs::create_directories(dataDir);

  std::vector<std::string_view> parts;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  for (size_t cut; (cut = rest.find('\xFF')) != std::string_view::npos; rest.remove_prefix(cut + 1))
    parts.push_back(rest.substr(0, cut));
  parts.push_back(rest);
  const std::string_view suffixes[] = {L::kSuffixRA, L::kSuffixHR, L::kSuffixO1, L::kSuffixO2, L::kSuffixYoz};
  for (size_t i = 0; i < parts.size() && i < 15; ++i) {
    if (parts[i].empty()) continue;
    const std::string course = i >= 5 ? (i < 14 ? "0" : "") + std::to_string(i - 4) : "";
    const fs::path file = i < 5 ? DayFilePath(dataDir, day, suffixes[i]) : SeFilePath(dataDir, day, course);
    if (!SaveFileAtomic(file, parts[i])) return 0;
  }

  static const DayLoadEngine engine = analysis::MakeDayLoadEngine({});
  DayModel* model = &FreshModel();
  model->AppDir = Home();
  const DayLoadResult r = LoadDay(*model, day, engine);
  // The race list and the stepper always agree with the slots the load filled.
  if (r.status == DayLoadStatus::Loaded &&
      (int(r.raceList.size()) != model->GRaceTotal || r.raceStepperMax != model->GRaceTotal - 1 || r.selectLine < 0 ||
       r.selectLine > r.raceStepperMax))
    __builtin_trap();
  ListStoredDays(Home());
  return 0;
}
