#include "LineFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>

#include "Text.h"

namespace corvina {

Lines SplitLines(std::string_view text) {
  Lines lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

bool ReadFileBytes(const std::filesystem::path& path, std::string& out, std::string* error) {
  out.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = "cannot open " + path.string();
    return false;
  }
  std::string data;
  try {
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } catch (const std::ios_base::failure&) {
    // The stream buffer throws on a read error (a folder, a failing disk) whatever the stream's mask says.
    in.setstate(std::ios::badbit);
  }
  if (in.bad()) {
    if (error) *error = "cannot read " + path.string();
    return false;
  }
  out = std::move(data);
  return true;
}

bool ReadLines(const std::filesystem::path& path, Lines& out, std::string* error) {
  out.clear();
  std::string data;
  if (!ReadFileBytes(path, data, error)) return false;
  out = SplitLines(data);
  return true;
}

bool ReadLinesIfPresent(const std::filesystem::path& path, Lines& out, std::string* error) {
  std::error_code ec;
  if (std::filesystem::status(path, ec).type() == std::filesystem::file_type::not_found) {
    out.clear();
    return true;
  }
  return ReadLines(path, out, error);
}

bool ReadFixedLines(const std::filesystem::path& path, size_t recordLength, Lines& out, std::string* error) {
  if (!ReadLines(path, out, error)) return false;
  for (auto& line : out) line = PadRight(line, recordLength);
  return true;
}

std::string JoinLinesCrLf(const Lines& lines) {
  size_t total = 0;
  for (const auto& l : lines) total += l.size() + 2;
  std::string s;
  s.reserve(total);
  for (const auto& l : lines) {
    s += l;
    s += "\r\n";
  }
  return s;
}

bool SaveFileAtomic(const std::filesystem::path& path, std::string_view bytes, std::string* error) {
  auto fail = [&](const std::string& what) {
    if (error) *error = what + " " + path.string() + ": " + std::strerror(errno);
    return false;
  };
  std::filesystem::path dir = path.parent_path();
  if (dir.empty()) dir = ".";
  static thread_local std::mt19937_64 rng{std::random_device{}()};
  std::filesystem::path tmp = dir / ("." + path.filename().string() + ".tmp" + std::to_string(rng() % 1000000000));
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return fail("cannot create");
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      int e = errno;
      ::close(fd);
      ::unlink(tmp.c_str());
      errno = e;
      return fail("cannot write");
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    int e = errno;
    ::unlink(tmp.c_str());
    errno = e;
    return fail("cannot flush");
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    int e = errno;
    ::unlink(tmp.c_str());
    errno = e;
    return fail("cannot replace");
  }
  return true;
}

bool SaveLines(const std::filesystem::path& path, const Lines& lines, std::string* error) {
  return SaveFileAtomic(path, JoinLinesCrLf(lines), error);
}

}  // namespace corvina
