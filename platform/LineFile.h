#pragma once
// Line files: the day files, settings, logs and provider texts are read as lines and written whole.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace corvina {

using Lines = std::vector<std::string>;

// Splits text at CR LF, LF or a lone CR. A final line without an end is kept; an empty text has no lines.
Lines SplitLines(std::string_view text);

// What a user reads when a file cannot be read or saved: the reason, in Japanese, with the file's path (the
// system's own text only for rare failures). Every reason the file layer gives is of this kind.
enum class FileAction { Read, Save };
std::string FileErrorText(FileAction action, const std::filesystem::path& file, int errnum);

// Reads a whole file as bytes. Returns false (and leaves `out` empty) when it cannot be opened or read, or is no
// plain file.
bool ReadFileBytes(const std::filesystem::path& path, std::string& out, std::string* error = nullptr);

// Reads a file's lines. Returns false when the file is missing or unreadable.
bool ReadLines(const std::filesystem::path& path, Lines& out, std::string* error = nullptr);

// Reads a file's lines; a missing file has none. Returns false only when the file is there but cannot be read,
// so a caller that rewrites the file never replaces what it could not see.
bool ReadLinesIfPresent(const std::filesystem::path& path, Lines& out, std::string* error = nullptr);

// Reads a file of fixed-length records: each line is padded with blanks or cut to `recordLength`, so one odd
// line never shifts the records after it.
bool ReadFixedLines(const std::filesystem::path& path, size_t recordLength, Lines& out, std::string* error = nullptr);

// Writes `bytes` through a temporary file in the same folder, flushed to disk and renamed over `path`, so a
// crash leaves either the old file or the new one, never a half-written one; the folder is flushed too, so the
// new file survives a power cut. The folder must exist. The temporary file has no name until it is complete
// (where the filesystem allows), so a killed process leaves none behind. A replaced file keeps its mode and
// owner; a file whose owner may not write it (read-only) is refused; a symbolic link is written through to its
// target and stays a link (a target not there yet is made when its folder exists; a link that leads to no
// folder, or round in a circle, is refused).
bool SaveFileAtomic(const std::filesystem::path& path, std::string_view bytes, std::string* error = nullptr);

// Replaces the file at `path` with what `change` makes of its bytes (none when it is missing), as SaveFileAtomic
// does. A link is looked up once: the file read is the file replaced, even when the link is turned meanwhile.
// Returns false, leaving the file as it was, when it cannot be read (a rewrite from nothing would lose it) or written.
bool RewriteFileAtomic(const std::filesystem::path& path, const std::function<std::string(const std::string&)>& change,
                       std::string* error = nullptr);

// Removes what saves in `folder` left when their process was killed: the hidden temporary files that carry the
// saves' own mark and the name of a file that `written` says the program writes in that folder. Nothing else
// goes, whatever its name; a save still at work keeps its own, and a folder that is a symbolic link is not
// entered (links on the way to it are followed). For start-up. Returns how many went.
size_t RemoveSaveLeftovers(const std::filesystem::path& folder,
                           const std::function<bool(std::string_view name)>& written);

// For tests: false makes saves take the hidden temporary name from the start, as on a filesystem without
// unnamed files.
void UseUnnamedTemporaries(bool use);

// Writes every line followed by CR LF, atomically as above.
bool SaveLines(const std::filesystem::path& path, const Lines& lines, std::string* error = nullptr);

// Joins lines with CR LF after each.
std::string JoinLinesCrLf(const Lines& lines);

}  // namespace corvina
