#pragma once
// Byte-position text helpers shared by every reader of fixed-width records.
#include <string>
#include <string_view>

namespace corvina {

// The field of `count` bytes at 1-based byte position `index`. A position
// before the start counts from 1, and a short record gives a short or empty field, never an out-of-range read.
std::string Copy(std::string_view s, int index, int count);

// Same as Copy, as a view into `s` (valid while `s` is).
std::string_view CopyView(std::string_view s, int index, int count);

// The lenient integer parse used wherever file data is read as a number: leading blanks are skipped, an
// optional sign, then digits up to the first non-digit. A blank or non-numeric field gives 0; values beyond
// the int range are clamped. Never throws.
int StrToIntLenient(std::string_view s);

// Text with leading and trailing blanks (space, tab, CR, LF, full-width blanks excluded) removed.
std::string Trim(std::string_view s);
std::string TrimRight(std::string_view s);

// Returns true when the field is empty or holds only blanks.
bool IsBlank(std::string_view s);

// `s` cut or padded with blanks to exactly `len` bytes.
std::string PadRight(std::string_view s, size_t len);

// printf-style "%<width>d".
std::string FormatInt(long long value, int width = 0);

// printf-style "%<width>.<decimals>f", except that rounding is half away from zero on the shortest decimal
// text of the value: 2.25 gives "2.3" and 1.15 gives "1.2", as a person reading the odds would expect.
std::string FormatFixed(double value, int width, int decimals);

// Zero-padded "%0<width>d" for dates and times.
std::string FormatZero(long long value, int width);

}  // namespace corvina
