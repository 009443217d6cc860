#pragma once
// Wildcard masks that choose which entries an extraction takes. Names and masks are UTF-8; a
// non-ASCII character is compared exactly (it was a double-byte literal in the stored code page)
// and only ASCII letters fold case.
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvina::archive {

class InvalidMaskError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class InternalMask {
 public:
  explicit InternalMask(const std::string& mask);  // throws InvalidMaskError
  bool Matches(const std::string& fileName) const;

 private:
  enum class ElementKind : uint8_t { Literal, Any, Set, End };
  struct State {
    bool Skip = false;  // a "*" stood before this element
    ElementKind Kind = ElementKind::Literal;
    char32_t Char = 0;  // literal, upper-cased when ASCII
    bool Negate = false;
    std::vector<std::pair<char32_t, char32_t>> Ranges;  // set members
  };
  bool StateMatches(const State& s, char32_t c) const;
  std::vector<State> states_;
  bool endsWithDot_ = false;
};

bool MaskMatches(const std::string& fileName, const std::string& mask);

bool MatchesMaskList(const std::vector<std::string>& masks, bool recurse, const std::string& entryPath,
                     const std::string& entryName, const std::string& fileName, uint8_t attr);

// FileSpec masks may be rewritten by the second try (a mask without "." gets one), as stored forms
// expect; pass a copy when the caller's list must stay as it is.
bool IsEntrySelected(const std::string& entryName, std::vector<std::string>& fileSpec, bool recurseDirs,
                     const std::vector<std::string>& excludeSpec,
                     const std::function<void(const std::string&)>& onExcludeFile = {});

}  // namespace corvina::archive
