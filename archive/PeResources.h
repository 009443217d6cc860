#pragma once
// String resources of a Windows executable, read as plain data: self-extracting stubs keep the
// offset of their archive there. Only the PE format carries a resource table that can be found
// without running anything; every offset taken from the file is checked against its size.
#include <string>
#include <vector>

#include "archive/Streams.h"

namespace corvina::archive {

// The strings with ids first..last (at most 16 ids, all in one table block), as UTF-16 code units
// cut to maxChars and narrowed to bytes (only digits matter to the caller). Ids without a string
// give empty texts. Empty result: the file is no PE image or holds no such string table.
std::vector<std::string> ReadPeStrings(Stream32& stream, int first, int last, size_t maxChars);

}  // namespace corvina::archive
