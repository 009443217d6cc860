#pragma once
// Odds and payouts of a race from the strengths of its starters, and the paid combinations from the finishing
// order (dead heats included).
#include <array>
#include <vector>

#include "tools/jvgen/Generator.h"

namespace corvina::jvgen {

// UmarenIndex of horses i < j, WakurenIndex of frames a <= b.
int PairIndex(int i, int j);
int FramePairIndex(int a, int b);

// Odds of every bet the O1 and O2 records carry, in tenths. 0 marks a combination that is not sold (no such
// horse or frame pair), -1 one with a horse withdrawn before sales, -2 after.
struct OddsBoard {
  std::array<int, layout::kHorses + 1> win{};  // [1..18]
  std::array<int, layout::kHorses + 1> winPop{};
  std::array<int, layout::kHorses + 1> placeLow{}, placeHigh{};
  std::array<int, layout::kWakurenPairs + 1> waku{};  // [1..36]
  std::array<int, layout::kWakurenPairs + 1> wakuPop{};
  std::array<int, layout::kUmarenPairs + 1> umaren{};  // [1..153]
  std::array<int, layout::kUmarenPairs + 1> umarenPop{};
};

// The board for the given strengths (index = horse number - 1); the final board uses the runners' own.
OddsBoard MakeBoard(const Race& race, const std::vector<double>& strengths);

// Paid entries of the eight bet types in the order of layout::hr::kBlocks, each cut to its block's entries.
std::array<std::vector<Payout>, 8> ComputePayouts(const Race& race);

}  // namespace corvina::jvgen
