#pragma once
// A list of texts kept in byte order, the way the rankings build fixed-width keys so that text order is
// numeric order. Equal texts keep the order they were added in.
#include <algorithm>
#include <string>
#include <vector>

namespace corvina {

class SortedList {
 public:
  void Add(std::string s) {
    auto it = std::upper_bound(items_.begin(), items_.end(), s);
    items_.insert(it, std::move(s));
  }
  void Clear() { items_.clear(); }
  size_t Count() const { return items_.size(); }
  bool Empty() const { return items_.empty(); }
  const std::string& operator[](size_t i) const { return items_[i]; }
  const std::vector<std::string>& Items() const { return items_; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<std::string> items_;  // std::string compares as unsigned bytes via char_traits<char>::compare
};

}  // namespace corvina
