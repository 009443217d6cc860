#pragma once
// The folders a program saves into under the program folder, and the start-up care they take.
#include <filesystem>

namespace corvina::analysis {

// Removes the hidden temporary files that saves cut off by a crash left in the program folder, its Data and
// its HPupload, where a filesystem could not keep them unnamed. Every program that saves there calls it at
// start.
void RemoveProgramSaveLeftovers(const std::filesystem::path& appDir);

}  // namespace corvina::analysis
