#pragma once
// Routines shared by the archive components: entry-name and path handling, directories and
// temporary files, DOS / Unix dates, percentages, volume names, signature tests and the CRCs.
// Entry names use "\" as their separator inside the library; paths on disk use "/".
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "archive/ArchiveTypes.h"

namespace corvina::archive {

using SerialDateTime = double;  // days since 1899-12-30, time of day as the fraction

// ---- entry names and paths
std::string AppendSlash(const std::string& path);  // "\" unless empty or already there
std::string RemoveTrailingSlash(const std::string& path);
std::string AppendPathDelim(const std::string& path);  // the same for disk paths ("/")
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
bool IsUncPath(const std::string& name);
std::string ExtractFileDir(const std::string& path);  // disk path: part before the last "/"
std::string ExtractFileName(const std::string& path);
std::string ExtractFileExt(const std::string& path);  // with the "."
std::string ExpandFileName(const std::string& path);
std::string GetCurrentDir();
std::string GetTempDir();

// ---- directories and files
bool DirectoryExists(const std::string& dir);
bool FileExists(const std::string& name);    // exists and is not a directory
bool CreateDirTree(const std::string& dir);  // empty dir: ArchiveError(25157)
// Makes the folder and its missing parents; `made` receives the folders made, outermost first.
bool ForceDirTree(const std::string& dir, std::vector<std::string>* made = nullptr);
// Removes folders recorded by ForceDirTree again, as far as they are still empty.
void RemoveMadeFolders(std::vector<std::string>& made);
bool EraseFile(const std::string& name, bool toRecycleBin);  // no recycle bin here: plain delete
bool IsDirWritable(const std::string& dir);
std::string MakeTempFileName(const std::string& dir);  // a new empty file "mrl..." (created)
// Opens the folder reached from `root` through `parts` (one name each) without following a
// symbolic link anywhere below `root`; `root` itself may be one. With `create`, missing folders
// are made and, when `made` is given, recorded there as ForceDirTree records them. Answers a
// handle for the *at calls (O_PATH), or -1 with errno set (ELOOP or ENOTDIR for a link on the way,
// EINVAL for a part that is no single name).
int OpenFolderBeneath(const std::string& root, const std::vector<std::string>& parts, bool create,
                      std::vector<std::string>* made = nullptr);
// Creates a new empty file ".mrl" + six characters in the open folder `folder` (mode 0600); its
// name goes to `name`. Answers the handle, or -1.
int CreateHiddenFileAt(int folder, std::string& name);

// ---- small helpers
void SplitToken(std::string& source, const std::string& delimiter, std::string& token);
int Percent(int64_t total, int64_t part);
int64_t OctalToInt(std::string_view text);
constexpr int InflateWindowBits = -15;
bool IsBzip2Header(const uint8_t* p, size_t n);
bool IsGzipFamily(const uint8_t* p, size_t n);

// ---- dates
bool IsLeapYear(int year);
bool TryEncodeDate(int year, int month, int day, SerialDateTime& date);
SerialDateTime EncodeDateOr1980(int year, int month, int day);
SerialDateTime DosDateTimeToDateTime(uint32_t value);
SerialDateTime IncMonth(SerialDateTime date, int months);
SerialDateTime UnixTimeToDateTime(uint32_t seconds);  // local time; 0 gives 1980-01-01 00:01:00
uint32_t DateTimeToDosDateTime(SerialDateTime date);
void DecodeDateTime(SerialDateTime date, int& year, int& month, int& day, int& hour, int& minute, int& second);
// Seconds since 1970 for a local DOS date/time; False for an impossible date or time.
bool DosDateTimeToUnix(uint32_t dos, int64_t& unixTime);
uint32_t NowAsDosDateTime();
constexpr uint32_t kDos1980 = 0x210020;  // 1980-01-01 00:01:00

// ---- volume names (ACE, ARJ, JAR)
void NextVolumeName(const std::string& name, ArchiveFormat type, char& letter, int& volume);

// ---- CRCs: CRC-16/ARC and the CRC-32 of IEEE 802.3, table driven
uint16_t UpdateCrc16(const uint8_t* data, size_t count, uint16_t crc);
uint32_t UpdateCrc32(const uint8_t* data, size_t count, uint32_t crc);

}  // namespace corvina::archive
