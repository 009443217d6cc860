#include "mainwindow/ResultsPoll.h"

#include "racedata/RacingTexts.h"

namespace corvina {

bool ResultsPollDue(const std::string& nowHHMM, const std::string& firstPostTime, int resultsPollMinutes) {
  if (nowHHMM > "1800") return false;
  const std::string start = AddTimeHHMM(firstPostTime, -(resultsPollMinutes + 30));
  return nowHHMM > start;
}

}  // namespace corvina
