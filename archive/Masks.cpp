#include "archive/Masks.h"

#include <cstdio>

namespace corvina::archive {

namespace {

std::u32string Decode(const std::string& s) {
  std::u32string out;
  for (size_t i = 0; i < s.size();) {
    const uint8_t b = uint8_t(s[i]);
    int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    if (extra > 0 && i + size_t(extra) < s.size()) {
      char32_t c = b & (0x3F >> extra);
      bool good = true;
      for (int k = 1; k <= extra; ++k) {
        const uint8_t t = uint8_t(s[i + size_t(k)]);
        if ((t & 0xC0) != 0x80) {
          good = false;
          break;
        }
        c = (c << 6) | (t & 0x3F);
      }
      if (good) {
        out += c;
        i += size_t(extra) + 1;
        continue;
      }
    }
    out += char32_t(b);  // a stray byte stands for itself
    ++i;
  }
  return out;
}

char32_t Upper(char32_t c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

// Characters that were double-byte in the stored code page: everything beyond ASCII except the
// half-width katakana, which CP932 keeps in one byte.
bool WasDoubleByte(char32_t c) { return c >= 0x80 && !(c >= 0xFF61 && c <= 0xFF9F); }

std::string LowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  return s;
}

bool SameText(const std::string& a, const std::string& b) { return LowerAscii(a) == LowerAscii(b); }

std::string DirPart(const std::string& name)  // up to and with the last "\"
{
  const size_t p = name.rfind('\\');
  return p == std::string::npos ? std::string() : name.substr(0, p + 1);
}

std::string FilePart(const std::string& name) {
  const size_t p = name.rfind('\\');
  return p == std::string::npos ? name : name.substr(p + 1);
}

[[noreturn]] void Invalid(const std::string& mask, size_t position) {
  char text[64];
  std::snprintf(text, sizeof text, "(%zu)", position);
  throw InvalidMaskError("'" + mask + "' is an invalid mask at " + text);
}

}  // namespace

InternalMask::InternalMask(const std::string& mask) {
  const std::u32string m = Decode(mask);
  bool skip = false;
  int stars = 0;
  size_t i = 0;
  while (i < m.size()) {
    const char32_t c = m[i];
    State st;
    if (c == '*') {
      if (++stars > 30) Invalid(mask, i + 1);
      skip = true;
      ++i;
      continue;
    }
    if (c == '?') {
      st.Kind = ElementKind::Any;
      ++i;
    } else if (c == '[') {
      st.Kind = ElementKind::Set;
      size_t j = i + 1;
      if (j < m.size() && m[j] == '!') {
        st.Negate = true;
        ++j;
      }
      bool closed = false, any = false;
      while (j < m.size()) {
        const char32_t a = m[j];
        if (a == ']') {
          closed = true;
          break;
        }
        if (a == '-') Invalid(mask, j + 1);  // a range with nothing before it
        if (j + 2 < m.size() && m[j + 1] == '-' && m[j + 2] != ']') {
          const char32_t b = m[j + 2];
          if (!WasDoubleByte(a) && !WasDoubleByte(b) && Upper(a) <= Upper(b)) st.Ranges.push_back({Upper(a), Upper(b)});
          any = true;
          j += 3;
          continue;
        }
        if (!WasDoubleByte(a)) st.Ranges.push_back({Upper(a), Upper(a)});
        any = true;
        ++j;
        if (j < m.size() && m[j] == '-' && j + 1 < m.size() && m[j + 1] == ']') {
          st.Ranges.push_back({'-', '-'});  // a dash just before "]" is itself
          ++j;
        }
      }
      if (!closed || !any) Invalid(mask, j + 1);
      i = j + 1;
    } else {
      st.Kind = ElementKind::Literal;
      st.Char = Upper(c);
      ++i;
    }
    st.Skip = skip;
    skip = false;
    states_.push_back(std::move(st));
  }
  State end;
  end.Kind = ElementKind::End;
  end.Skip = skip;
  states_.push_back(end);
  endsWithDot_ = !m.empty() && m.back() == '.';
}

bool InternalMask::StateMatches(const State& s, char32_t c) const {
  const char32_t u = Upper(c);
  switch (s.Kind) {
    case ElementKind::Literal: return s.Char == u;
    case ElementKind::Any: return true;
    case ElementKind::Set: {
      bool in = false;
      for (const auto& r : s.Ranges)
        if (u >= r.first && u <= r.second) {
          in = true;
          break;
        }
      return in != s.Negate;
    }
    case ElementKind::End: return false;
  }
  return false;
}

bool InternalMask::Matches(const std::string& fileName) const {
  std::u32string name = Decode(fileName);
  if (endsWithDot_ && name.find(U'.') == std::u32string::npos) name += U'.';
  const size_t n = name.size();
  const bool hasDot = name.find(U'.') != std::u32string::npos;
  struct Point {
    size_t StateIndex, NameIndex;
  };
  std::vector<Point> stack;  // backtrack points: one per skipping state at most (<= 31)

  // A skipping state moves to the first place from ni where its element matches.
  auto skipTo = [&](size_t si, size_t& ni) {
    const State& st = states_[si];
    size_t k = ni;
    while (k < n && !StateMatches(st, name[k])) ++k;
    if (k < n) {
      stack.push_back({si, k + 1});
      ni = k + 1;
      return true;
    }
    if (st.Kind == ElementKind::Literal && st.Char == '.' && !hasDot) {
      ni = n;  // a literal "." meets the end of a name without extension
      return true;
    }
    return false;
  };

  size_t si = 0, ni = 0;
  for (;;) {
    const State& st = states_[si];
    bool ok = false;
    if (st.Kind == ElementKind::End) {
      if (st.Skip || ni == n) return true;
    } else if (st.Skip) {
      ok = skipTo(si, ni);
    } else if (ni < n) {
      ok = StateMatches(st, name[ni]);
      if (ok) ++ni;
    } else {
      ok = st.Kind == ElementKind::Literal && st.Char == '.' && !hasDot;
    }
    if (ok) {
      ++si;
      continue;
    }
    bool resumed = false;
    while (!stack.empty()) {
      const Point p = stack.back();
      stack.pop_back();
      si = p.StateIndex;
      ni = p.NameIndex;
      if (skipTo(si, ni)) {
        ++si;
        resumed = true;
        break;
      }
    }
    if (!resumed) return false;
  }
}

bool MaskMatches(const std::string& fileName, const std::string& mask) { return InternalMask(mask).Matches(fileName); }

bool MatchesMaskList(const std::vector<std::string>& masks, bool recurse, const std::string& entryPath,
                     const std::string& entryName, const std::string& fileName, uint8_t attr) {
  for (const std::string& mask : masks) {
    if (mask.empty()) continue;
    if (mask.find('\\') != std::string::npos) {
      std::string dir = LowerAscii(DirPart(mask));
      const std::string file = FilePart(mask);
      const bool drive = dir.size() >= 2 && dir[1] == ':';
      if (!drive && (dir.empty() || dir[0] != '\\')) dir = "\\" + dir;
      // Entry paths are kept without a leading "\"; compare both in one form.
      std::string path = LowerAscii(entryPath);
      if (!path.empty() && path[0] != '\\') path = "\\" + path;
      if (!path.empty() && path.back() != '\\') path += '\\';
      bool dirOk = false;
      if (dir.size() <= path.size()) {
        dirOk = recurse ? path.find(dir) != std::string::npos
                        : path.compare(path.size() - dir.size(), dir.size(), dir) == 0;
      }
      if (dirOk && (attr & 0x10) == 0 && MaskMatches(fileName, file)) return true;
    } else if (MaskMatches(fileName, mask)) {
      return true;
    }
  }
  return false;
}

bool IsEntrySelected(const std::string& entryName, std::vector<std::string>& fileSpec, bool recurseDirs,
                     const std::vector<std::string>& excludeSpec,
                     const std::function<void(const std::string&)>& onExcludeFile) {
  if (entryName.empty()) return false;
  const std::string entryDir = DirPart(entryName);
  const std::string entryFile = FilePart(entryName);
  for (std::string& mask : fileSpec) {
    if (mask.empty()) continue;
    const bool excluded = recurseDirs ? MatchesMaskList(excludeSpec, true, entryDir, entryName, entryFile, 0)
                                      : MatchesMaskList(excludeSpec, false, entryName, entryName, entryName, 0);
    if (excluded) {
      if (onExcludeFile) onExcludeFile(entryName);
      return false;
    }
    if (SameText(mask, entryName)) return true;
    const std::string maskDir = DirPart(mask);
    std::string name;
    if (recurseDirs) {
      name = maskDir.empty() ? entryFile : entryName;
    } else {
      if (!SameText(entryDir, maskDir)) continue;
      name = entryName;
    }
    if (MaskMatches(name, mask)) return true;
    if (name.find('.') == std::string::npos) name += '.';
    if (mask.find('.') == std::string::npos) mask += '.';
    if (MaskMatches(name, mask)) return true;
  }
  return false;
}

}  // namespace corvina::archive
