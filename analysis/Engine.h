#pragma once
// The prediction run as the day load calls it: pair odds, marks and tickets, hit judgement, statistics.
#include "components/SettingsFile.h"
#include "racedata/DayLoad.h"

namespace corvina::analysis {

struct EngineOptions {
  bool localOption = kLocalOption.defaultValue;  // checked state of the local-option menu item (the setting)
};

// The hook the day load runs in its prediction and statistics phases.
DayLoadEngine MakeDayLoadEngine(const EngineOptions& options);

}  // namespace corvina::analysis
