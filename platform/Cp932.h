#pragma once
// Shift-JIS as Windows writes it (CP932). Records, day files, settings and provider texts stay CP932 bytes;
// these two conversions are the only way text crosses to UTF-8 (display, file names, source literals).
#include <string>
#include <string_view>

namespace corvina {

// UTF-8 to CP932. A character CP932 cannot hold becomes '?', so a caller never gets a shortened field.
std::string ToCp932(std::string_view utf8);

// CP932 to UTF-8. An invalid byte sequence becomes U+FFFD; the rest of the text is kept.
std::string FromCp932(std::string_view cp932);

// Returns true when every byte is ASCII: such text is the same in both encodings.
bool IsAscii(std::string_view s);

}  // namespace corvina

// The CP932 bytes of a UTF-8 literal, converted at the first use and kept for the run: the fixed texts the program
// compares records with or writes into them. This is the one way to write a fixed CP932 text; only a table of
// names (the racecourses) converts its rows once into a function-local static array.
#define CORVINA_CP932(utf8)                                        \
  ([]() -> const std::string& {                                    \
    static const std::string converted = ::corvina::ToCp932(utf8); \
    return converted;                                              \
  }())
