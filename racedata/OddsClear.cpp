#include "racedata/OddsClear.h"

#include <system_error>
#include <vector>

#include "platform/LineFile.h"
#include "racedata/DayFiles.h"
#include "racedata/RecordLayout.h"

namespace corvina {

namespace fs = std::filesystem;
namespace L = layout;

namespace {

struct LineChange {
  std::string_view suffix;
  int lineLength;  // 0: plain lines (.moto), not padded
  std::vector<size_t> lines;
  std::string text;  // what the lines become
};

bool Fail(std::string* error, const fs::path& path, const std::string& why) {
  if (error != nullptr) {
    const std::u8string name = path.filename().u8string();
    *error = std::string(name.begin(), name.end()) + ": " + why;
  }
  return false;
}

// Reads an existing day file whole, changes its lines and saves it whole, in one locked read and rename; a
// missing file is left alone.
bool ChangeLines(const fs::path& path, const LineChange& change, std::string* error) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return true;
  std::string why;
  const bool done = UpdateFileAtomic(
      path,
      [&](std::string& bytes, bool present) {
        if (!present) return false;
        Lines lines =
            change.lineLength > 0 ? SplitFixedLines(bytes, static_cast<size_t>(change.lineLength)) : SplitLines(bytes);
        for (size_t index : change.lines) {
          while (lines.size() <= index) lines.emplace_back(static_cast<size_t>(change.lineLength), ' ');
          lines[index] = change.text;
        }
        bytes = JoinLinesCrLf(lines);
        return true;
      },
      &why);
  return done || Fail(error, path, why);
}

}  // namespace

bool ClearAllOdds(const fs::path& dataDir, const DayName& day, std::string* error) {
  const struct {
    std::string_view suffix;
    int lineLength, count;
  } files[] = {{L::kSuffixO1, L::kO1Line, 2 * L::kSlots},
               {L::kSuffixO2, L::kO2Line, L::kSlots},
               {L::kSuffixO3, L::kO3Line, L::kSlots}};
  for (const auto& f : files) {
    const fs::path path = DayFilePath(dataDir, day, f.suffix);
    std::string why;
    if (!CreateBlankFile(path, f.lineLength, f.count, &why)) return Fail(error, path, why);
  }
  return true;
}

bool ClearRaceOdds(const fs::path& dataDir, const DayName& day, int slot, std::string* error) {
  if (slot < 0 || slot >= L::kSlots) {
    if (error != nullptr) *error = "race slot out of range: " + std::to_string(slot);
    return false;
  }
  const size_t g = static_cast<size_t>(slot);
  const LineChange changes[] = {
      {L::kSuffixO1, L::kO1Line, {2 * g, 2 * g + 1}, std::string(L::kO1Line, ' ')},
      {L::kSuffixO2, L::kO2Line, {g}, std::string(L::kO2Line, ' ')},
      {L::kSuffixO3, L::kO3Line, {g}, std::string(L::kO3Line, ' ')},
      {L::kSuffixMoto, 0, {2 * g, 2 * g + 1}, "10000"},
  };
  for (const LineChange& c : changes)
    if (!ChangeLines(DayFilePath(dataDir, day, c.suffix), c, error)) return false;
  return true;
}

}  // namespace corvina
