#pragma once
// Entry names and paths, folders and files on disk. Entry names use "\" as their separator inside
// the library; paths on disk use "/".
#include <string>
#include <string_view>
#include <vector>

#include "archive/ArchiveTypes.h"

namespace corvina::archive {

// ---- entry names ("\" between their parts)
// A folder's entry name with one "\" at its end; an empty name stays empty.
std::string WithTrailingBackslash(const std::string& folder);
std::string SlashToBackslash(std::string name);
// Raw stored bytes: "/" and 0xFF become "\" outside Shift-JIS double-byte characters; trimmed of
// bytes below 33 at both ends.
std::string ConvertSeparators(std::string_view raw);
// CP932 bytes to UTF-8; a byte that does not decode becomes "_". Ok tells whether all decoded.
std::string Cp932ToUtf8(std::string_view raw, bool* ok = nullptr);
bool IsValidUtf8(std::string_view text);
// The stored name as the library works with it: ZIP names from a host other than DOS stay as they
// are, everything else is decoded from CP932; then "/" becomes "\". Result is UTF-8.
std::string ConvertEntryName(ArchiveFormat type, int hostSystem, std::string_view raw);

// ---- paths on disk ("/" between their parts)
// The path with one "/" at its end; an empty path stays empty.
std::string WithTrailingSlash(const std::string& path);
// The folder part: all before the last "/" ("/" for a name in the root; "" without any "/").
std::string DirOf(const std::string& path);
std::string FileNameOf(const std::string& path);   // all after the last "/"
std::string ExtensionOf(const std::string& path);  // of the file name, with its "."; "" without one
// Made absolute against the current folder, "." and ".." folded in the text (no link is followed).
std::string AbsolutePath(const std::string& path);
std::string CurrentDir();                 // "/" when it cannot be read
bool IsUncPath(const std::string& name);  // a Windows network path: "\\server\..."

// ---- directories and files
bool DirectoryExists(const std::string& dir);
bool FileExists(const std::string& name);  // exists and is not a directory
// Makes the folder and its missing parents; `made` receives the folders made, outermost first. On failure errno
// tells why the first folder that could not be made was refused.
bool MakeDirTree(const std::string& dir, std::vector<std::string>* made = nullptr);
// Removes folders recorded by MakeDirTree again, as far as they are still empty.
void RemoveMadeFolders(std::vector<std::string>& made);
// Whether an entry may be written in the folder (a missing one: whether it can be made); when not, `reason` gets the
// system's error number.
bool IsDirWritable(const std::string& dir, int* reason = nullptr);
// Opens the folder reached from `root` through `parts` (one name each) without following a
// symbolic link anywhere below `root`; `root` itself may be one. With `create`, missing folders
// are made and, when `made` is given, recorded there as MakeDirTree records them. Returns a
// handle for the *at calls (O_PATH), or -1 with errno set (ELOOP or ENOTDIR for a link on the way,
// EINVAL for a part that is no single name).
int OpenFolderBeneath(const std::string& root, const std::vector<std::string>& parts, bool create,
                      std::vector<std::string>* made = nullptr);
// The same below a folder already open as `root` (its path `rootPath` names what `made` records), which stays
// open; `parts` holds one name at least.
int OpenFolderBeneathAt(int root, const std::string& rootPath, const std::vector<std::string>& parts, bool create,
                        std::vector<std::string>* made = nullptr);
// ---- the library's temporary files
// An entry's data takes a hidden temporary name beside its target only where the file system has no files
// without a name, or for the instant in which it replaces a file. Such a name is unmistakably the library's:
// ".corvina-part-" and twelve letters or digits. Its writer holds a lock on the file (flock) until the file
// has its final name, so one that nobody holds was left by a run that died.
bool IsPartialFileName(std::string_view name);
// Creates a new empty file of such a name in the open folder `folder` (mode 0600), locked; its name goes to
// `name`. Returns the handle, or -1.
int CreateHiddenFileAt(int folder, std::string& name);
// Gives the file of `handle`, opened without a name, a new name of the same kind in `folder`, locking it first;
// the name goes to `name`. Returns false, with errno set, when it cannot have one.
bool LinkHiddenFileAt(int handle, int folder, std::string& name);
// Where a search for leftovers looks: `folder` alone (a folder of the user's, such as the one a provider's archive
// was chosen in, whose subfolders the run did not write), or `folder` and every folder below it.
enum class LeftoverSearch { Folder, Tree };
// The library's temporary files that runs killed in the middle left in `folder` (and, for Tree, the folders below
// it), as paths that begin with `folder`: regular files of such a name that no live run holds. Links are not
// followed, and a folder that is a link is not entered. RemoveExtractionLeftovers deletes them as well.
std::vector<std::string> ExtractionLeftovers(const std::string& folder, LeftoverSearch where);
std::vector<std::string> RemoveExtractionLeftovers(const std::string& folder, LeftoverSearch where);
}  // namespace corvina::archive
