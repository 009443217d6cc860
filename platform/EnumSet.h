#pragma once
// A set of the values of a scoped enum, one bit each, for the options and buttons a caller ticks.
#include <initializer_list>

namespace corvina {

// E's values must be 0, 1, 2 ... below 32.
template <typename E>
class EnumSet {
 public:
  constexpr EnumSet() = default;
  constexpr EnumSet(std::initializer_list<E> values) {
    for (E v : values) bits_ |= Bit(v);
  }
  constexpr bool Has(E v) const { return (bits_ & Bit(v)) != 0; }
  constexpr bool operator==(const EnumSet&) const = default;

 private:
  static constexpr unsigned Bit(E v) { return 1u << static_cast<unsigned>(v); }
  unsigned bits_ = 0;
};

}  // namespace corvina
