#pragma once
// Names of the next volume of an ACE, ARJ or JAR archive split over several files.
#include <string>

#include "archive/ArchiveTypes.h"

namespace corvina::archive {

void NextVolumeName(const std::string& name, ArchiveFormat type, char& letter, int& volume);
}  // namespace corvina::archive
