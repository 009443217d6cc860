#pragma once
// A list of texts kept in byte order, the way the rankings build fixed-width keys so that text order is
// numeric order. Equal texts keep the order they were added in, or, in a list that ignores duplicates, the
// second one is not added.
#include <algorithm>
#include <string>
#include <vector>

namespace corvina {

enum class Duplicates { Accept, Ignore };

class SortedList {
 public:
  SortedList() = default;
  explicit SortedList(Duplicates duplicates) : duplicates_(duplicates) {}
  // Returns false when the list ignores duplicates and already holds `s`.
  bool Add(std::string s) {
    auto it = std::upper_bound(items_.begin(), items_.end(), s);
    if (duplicates_ == Duplicates::Ignore && it != items_.begin() && *(it - 1) == s) return false;
    items_.insert(it, std::move(s));
    return true;
  }
  void Clear() { items_.clear(); }
  size_t Count() const { return items_.size(); }
  bool Empty() const { return items_.empty(); }
  const std::string& operator[](size_t i) const { return items_[i]; }
  const std::vector<std::string>& Items() const { return items_; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  Duplicates duplicates_ = Duplicates::Accept;
  std::vector<std::string> items_;  // std::string compares as unsigned bytes via char_traits<char>::compare
};

}  // namespace corvina
