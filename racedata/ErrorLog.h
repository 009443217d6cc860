#pragma once
// "ErrorLog.txt" in the program folder: the exchanges with JV-Link append one line per failure, and start-up
// trims it. The file is read and written whole for every entry, through a temporary file, so a crash never
// leaves half a log; the folder's save lock is held from the read to the rename, so the entries of two processes
// (a window and a dayreport, two windows) that log at once are all kept.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace corvina {

inline constexpr const char* kErrorLogName = "ErrorLog.txt";

// Appends "【エラー】hh:nn:ss：" + `textCp932` (the status label's text) with the clock's time. A log that went
// missing since start-up counts as empty. Returns false (with `error`) when the file cannot be read or written: a log
// that cannot be read is left as it is rather than replaced by the new entry alone.
bool AppendErrorLog(const std::filesystem::path& appDir, std::string_view textCp932, std::string* error = nullptr);

// Shows a failure (CP932) through `show` and appends it to the log. A log that cannot take it is the failure's
// only record gone: `show` is called again with the text and the reason the log failed.
void ShowAndLogFailure(const std::filesystem::path& appDir, const std::string& textCp932,
                       const std::function<void(const std::string&)>& show);

// Start-up: keeps the last 100 lines and appends "ソフト起動：yyyy/mm/dd hh:nn:ss" and the program folder.
// Returns false, as above, when the log cannot be read or written.
bool StartErrorLog(const std::filesystem::path& appDir, std::string* error = nullptr);

}  // namespace corvina
