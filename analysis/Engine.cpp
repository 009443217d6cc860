#include "analysis/Engine.h"

#include "analysis/HitJudge.h"
#include "analysis/PairOdds.h"
#include "analysis/Recovery.h"
#include "analysis/Tickets.h"

namespace corvina::analysis {

DayLoadEngine MakeDayLoadEngine(const EngineOptions& options) {
  DayLoadEngine engine;
  engine.UmarenBtnClick = [](DayModel& day) { UmarenBtnClick(day); };
  bool local = options.localOption;
  engine.YosoBtnClick = [local](DayModel& day) { YosoBtnClick(day, local); };
  engine.JudgeHits = [](DayModel& day) { JudgeHits(day); };
  engine.SpeedButton14Click = [](DayModel& day, const std::string& dayName) {
    return SpeedButton14Click(day, dayName).errors;
  };
  return engine;
}

}  // namespace corvina::analysis
