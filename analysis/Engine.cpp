#include "analysis/Engine.h"

#include "analysis/HitJudge.h"
#include "analysis/PairOdds.h"
#include "analysis/Recovery.h"
#include "analysis/Tickets.h"

namespace corvina::analysis {

DayLoadEngine MakeDayLoadEngine(const EngineOptions& options) {
  DayLoadEngine engine;
  engine.ComputePairOdds = [](DayModel& day) { ComputePairOdds(day); };
  bool local = options.localOption;
  engine.PredictDay = [local](DayModel& day) { PredictDay(day, local); };
  engine.JudgeHits = [](DayModel& day) { JudgeHits(day); };
  engine.ComputeRecoveryStatistics = [](DayModel& day, const std::string& dayName) {
    return ComputeRecoveryStatistics(day, dayName).errors;
  };
  return engine;
}

}  // namespace corvina::analysis
