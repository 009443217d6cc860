#include "racedata/DayModel.h"

namespace corvina {

void RaceTable::Blank() {
  auto blankAll = [](auto& column, int length) {
    for (auto& rec : column) rec.assign(static_cast<size_t>(length), ' ');
  };
  blankAll(GRaTbl, layout::kRaLine);
  for (auto& horses : GSeTbl) blankAll(horses, layout::kSeLine);
  blankAll(GHrTbl, layout::kHrLine);
  blankAll(GO1Tbl1, layout::kO1Line);
  blankAll(GO1Tbl2, layout::kO1Line);
  blankAll(GO2Tbl, layout::kO2Line);
  blankAll(GYozTbl, layout::kYozLine);
}

}  // namespace corvina
