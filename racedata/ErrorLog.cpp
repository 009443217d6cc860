#include "racedata/ErrorLog.h"

#include "platform/Clock.h"
#include "platform/Cp932.h"
#include "platform/LineFile.h"

namespace corvina {
namespace {
constexpr size_t kKeptLines = 100;
}  // namespace

bool AppendErrorLog(const std::filesystem::path& appDir, std::string_view textCp932, std::string* error) {
  const std::string& head = CORVINA_CP932("【エラー】");
  const std::string& colon = CORVINA_CP932("：");
  const std::string line = head + Clock::Now().TimeText() + colon + std::string(textCp932);
  // One locked read and rename: another process's entries meanwhile are kept.
  return UpdateFileAtomic(
      appDir / kErrorLogName,
      [&](std::string& bytes, bool) {
        Lines lines = SplitLines(bytes);
        lines.push_back(line);
        bytes = JoinLinesCrLf(lines);
        return true;
      },
      error);
}

void ShowAndLogFailure(const std::filesystem::path& appDir, const std::string& textCp932,
                       const std::function<void(const std::string&)>& show) {
  show(textCp932);
  std::string error;
  if (!AppendErrorLog(appDir, textCp932, &error)) {
    const std::string& noLog = CORVINA_CP932(" (ErrorLog.txt: ");
    show(textCp932 + noLog + ToCp932(error) + ")");
  }
}

bool StartErrorLog(const std::filesystem::path& appDir, std::string* error) {
  const std::string& start = CORVINA_CP932("ソフト起動：");
  const std::string stamp = start + Clock::Now().Stamp();
  return UpdateFileAtomic(
      appDir / kErrorLogName,
      [&](std::string& bytes, bool) {
        Lines lines = SplitLines(bytes);
        if (lines.size() > kKeptLines) lines.erase(lines.begin(), lines.end() - kKeptLines);
        lines.push_back(stamp);
        lines.push_back(ToCp932(appDir.string()));
        bytes = JoinLinesCrLf(lines);
        return true;
      },
      error);
}

}  // namespace corvina
