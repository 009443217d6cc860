#pragma once
// Rankings by fixed-width text keys and the number parse of odds fields, shared by the prediction steps.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvina::analysis {

// A ranking list sorted by text keys: keys made of fixed-width number pieces compare as
// text, so text order is numeric order, and ties fall to the next piece and finally to the horse number.
// Each key carries the horse index it was made for, so a value too wide for its piece can never be mistaken
// for a horse number; the pieces are also wider than the displayed formats, which keeps the order numeric
// for any value while giving the same order as the narrow keys wherever those fit.
class RankList {
 public:
  void Clear() { items_.clear(); }
  // Appends a key for horse index `horse`; Sort() orders the list.
  void Add(std::string key, int horse) { items_.emplace_back(std::move(key), horse); }
  // Stable sort by key bytes, so equal keys keep the order they were added in.
  void Sort();
  size_t Count() const { return items_.size(); }
  // Horse index of line `i` (0-based) after Sort().
  int HorseAt(size_t i) const { return items_[i].second; }

 private:
  std::vector<std::pair<std::string, int>> items_;
};

// Key piece for a value shown with one decimal: right-aligned, one decimal, rounded as the display rounds.
std::string OddsPiece(double value);
// Key piece for a small integer (a rank or a horse number), right-aligned in 2.
std::string NumberPiece(int value);

// The value of an odds or prediction field: the trimmed text as a plain decimal number ("001500", "12.3",
// " 120.0"). A blank field, a marker such as "******", or anything that is not a plain number gives nullopt,
// so the pair or horse is treated as having no odds.
std::optional<double> ParseDecimalField(std::string_view field);

}  // namespace corvina::analysis
