#pragma once
// Blanking the odds of the loaded day so that they can be taken again: all races, or the race shown. The
// race, runner and payout files and the .jvO4 / .jvO5 files are never touched.
#include <filesystem>
#include <string>

#include "platform/DayName.h"

namespace corvina {

// Writes the day's .jvO1 anew with 72 blank lines (two per slot), .jvO2 and .jvO3 with 36 each, replacing
// whatever they held (created when missing). Returns false, with `error` (UTF-8), when a file could not be written;
// the files written before it stay written.
bool ClearAllOdds(const std::filesystem::path& dataDir, const DayName& day, std::string* error = nullptr);

// Blanks the odds of one race slot in the day files that exist: .jvO1 lines 2g and 2g + 1, .jvO2 and .jvO3
// line g, and .moto lines 2g and 2g + 1 become "10000". A file too short for the line gets blank (for .moto:
// empty) lines added first. `slot` must be 0..35 (false otherwise, nothing changed).
bool ClearRaceOdds(const std::filesystem::path& dataDir, const DayName& day, int slot, std::string* error = nullptr);

}  // namespace corvina
