#include "Cp932.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace corvina {
namespace {

// iconv descriptors carry shift state, so each conversion opens its own; the cost is small beside file I/O.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
  }
  ~Iconv() { iconv_close(cd_); }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  // Converts `in`, writing `bad` for every sequence that cannot be converted and skipping `badLen` input bytes.
  std::string Run(std::string_view in, std::string_view bad, bool utf8Input) {
    std::string out;
    out.reserve(in.size() * 2 + 4);
    char buf[4096];
    char* src = const_cast<char*>(in.data());
    size_t left = in.size();
    while (left > 0) {
      char* dst = buf;
      size_t room = sizeof buf;
      size_t r = iconv(cd_, &src, &left, &dst, &room);
      out.append(buf, dst - buf);
      if (r != static_cast<size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL (truncated sequence at the end): replace one character and go on.
      out.append(bad);
      size_t skip = 1;
      if (utf8Input) {
        unsigned char c = static_cast<unsigned char>(*src);
        const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        // A cut sequence ends at the first byte that cannot continue it: that byte begins the next character.
        while (skip < length && skip < left && (static_cast<unsigned char>(src[skip]) & 0xC0) == 0x80) ++skip;
      } else {
        unsigned char c = static_cast<unsigned char>(*src);
        bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
        unsigned char t = left >= 2 ? static_cast<unsigned char>(src[1]) : 0;
        bool trail = (t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC);
        skip = lead && trail ? 2 : 1;
      }
      if (skip > left) skip = left;
      src += skip;
      left -= skip;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    char* dst = buf;
    size_t room = sizeof buf;
    iconv(cd_, nullptr, nullptr, &dst, &room);
    out.append(buf, dst - buf);
    return out;
  }

 private:
  iconv_t cd_;
};

}  // namespace

bool IsAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

std::string ToCp932(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  return Iconv("CP932", "UTF-8").Run(utf8, "?", true);
}

std::string FromCp932(std::string_view cp932) {
  if (IsAscii(cp932)) return std::string(cp932);
  return Iconv("UTF-8", "CP932").Run(cp932, "\xEF\xBF\xBD", false);
}

}  // namespace corvina
