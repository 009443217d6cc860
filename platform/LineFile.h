#pragma once
// Line files: the day files, settings, logs and provider texts are read as lines and written whole.
#include <chrono>
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

// Splits text into fixed-length records: each line is padded with blanks or cut to `recordLength`.
Lines SplitFixedLines(std::string_view text, size_t recordLength);

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
//
// Every save holds the lock of the folder its file is in (the folder the links led to) while it works: a save
// that rewrites what it read (UpdateFileAtomic) holds it from the read to the rename, so a save of another
// process in that folder waits and then works on its result, and a plain save never falls between another's
// read and rename. The lock is taken on the open folder itself, which outlasts every rename in it and leaves no
// file behind; it goes with the save, and with its process whatever ends it. A save that cannot have it within
// five seconds fails, saying so with the file's path. On a filesystem that has no locks on folders (some network
// filesystems) saves go on unlocked, as the archive library's files do there: refusing would make every save
// fail for a clash that needs two programs saving in one folder at once.
bool SaveFileAtomic(const std::filesystem::path& path, std::string_view bytes, std::string* error = nullptr);

// What a rewrite makes of a file: `bytes` holds the file's bytes (none, and `present` false, when it is missing)
// and is changed in place. Returning false leaves the file as it is, or missing. It runs while the folder's lock
// is held: it must not save a file itself.
using FileChange = std::function<bool(std::string& bytes, bool present)>;

// Reads the file at `path` and replaces it with what `change` makes of its bytes, as SaveFileAtomic does, holding
// the folder's lock from the read to the rename. A link is looked up once: the file read is the file replaced,
// even when the link is turned meanwhile. Returns true when the file was replaced or `change` left it; false,
// leaving the file as it was, when it cannot be read (a rewrite from nothing would lose it), locked or written.
bool UpdateFileAtomic(const std::filesystem::path& path, const FileChange& change, std::string* error = nullptr);

// UpdateFileAtomic with a change that always writes: a missing file reads as no bytes.
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

// For tests: how long a save waits for its folder's lock (five seconds unless set).
void SetSaveLockWait(std::chrono::milliseconds wait);

// For tests: runs in every rewrite that replaces its file, after the read and before the rename, with the
// folder's lock held; `path` is the path the rewrite was given. Empty: none.
void SetRewriteHook(std::function<void(const std::filesystem::path& path)> hook);

// For tests: runs in a save between the creation of its named temporary and the lock on it. Empty: none.
void SetNamedTemporaryHook(std::function<void()> hook);

// Writes every line followed by CR LF, atomically as above.
bool SaveLines(const std::filesystem::path& path, const Lines& lines, std::string* error = nullptr);

// Joins lines with CR LF after each.
std::string JoinLinesCrLf(const Lines& lines);

}  // namespace corvina
