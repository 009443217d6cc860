#pragma once
// The folders a program saves into under the program folder, and the start-up care they take.
#include <filesystem>

namespace corvina::analysis {

// Removes what saves cut off by a crash left where a filesystem could not keep their temporary files unnamed:
// in the program folder the temporaries of the settings, the error log and the summaries, in its Data those of
// the day files, in its HPupload those of the hit report. A Data or HPupload that is a link is not entered; the
// program folder is wherever a link to it leads. Every program that saves there calls it at start.
void RemoveProgramSaveLeftovers(const std::filesystem::path& appDir);

}  // namespace corvina::analysis
