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
  const std::filesystem::path file = appDir / kErrorLogName;
  Lines lines;
  if (!ReadLinesIfPresent(file, lines, error)) return false;
  lines.push_back(head + Clock::Now().TimeText() + colon + std::string(textCp932));
  return SaveLines(file, lines, error);
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
  const std::filesystem::path file = appDir / kErrorLogName;
  Lines lines;
  if (!ReadLinesIfPresent(file, lines, error)) return false;
  if (lines.size() > kKeptLines) lines.erase(lines.begin(), lines.end() - kKeptLines);
  lines.push_back(start + Clock::Now().Stamp());
  lines.push_back(ToCp932(appDir.string()));
  return SaveLines(file, lines, error);
}

}  // namespace corvina
