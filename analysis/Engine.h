#pragma once
// The prediction run as the day load calls it: pair odds, marks and tickets, hit judgement, statistics.
#include "racedata/DayLoad.h"

namespace corvina::analysis {

struct EngineOptions {
  bool localOption = true;  // checked state of the local-option menu item (settings "kaime" / "local")
};

// The hook the day load runs in its prediction and statistics phases.
DayLoadEngine MakeDayLoadEngine(const EngineOptions& options);

}  // namespace corvina::analysis
