#pragma once
// Filling a loaded day's odds files after the fact from the time-series folder of the sibling odds viewer:
// <folder>/<DateKey>/<VenueRaceKey>.jvO1 and .jvO2, one odds record a line, many snapshots a day. For every
// race the snapshot nearest to each scheduled odds time is written into the day's .jvO1 (lines 2i and 2i + 1)
// and .jvO2 (line i). No JV-Link call is made.
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/LineFile.h"
#include "racedata/DayModel.h"

namespace corvina {

// Minutes after midnight of an "hhmm" time: each two-character piece read as a number up to its first
// non-digit, so a blank piece (or a blank time) counts 0.
int MinutesOfHHMM(std::string_view hhmm);

// The line nearest in time to `target` minutes among the lines announced on race day (race month-day equal
// to announcement month-day), strictly closer than 1000 minutes; on a tie the earlier line. -1 for none.
// Only lines of `kind` ("O1" / "O2") take part.
int PickNearest(const Lines& lines, int target, std::string_view kind);

// The last line whose announcement "hhmm" sorts before `postTime` (text order, strictly), whatever day it was
// announced on; -1 for none. Only lines of `kind` take part.
int PickBeforePost(const Lines& lines, std::string_view postTime, std::string_view kind);

// One pass's pick: the nearest rule, and for the latest odds (`beforePostRule`) with a target of 0 or less the
// before-post rule, which replaces the nearest pick when it finds a line.
int PickSnapshot(const Lines& lines, int target, std::string_view postTime, std::string_view kind, bool beforePostRule);

// The time-series file of a race: folder / DateKey / VenueRaceKey + suffix, from its RA record. Empty when the
// record's keys are not plain digits and letters (a blank slot, or text that would lead out of the folder).
std::filesystem::path TimeSeriesFile(const std::filesystem::path& folder, std::string_view ra, std::string_view suffix);

struct TimeSeriesResult {
  int morning = 0;   // races whose morning snapshot (.jvO1 line 2i) was written
  int latest = 0;    // races whose latest win / place / bracket snapshot (.jvO1 line 2i + 1) was written
  int quinella = 0;  // races whose latest quinella snapshot (.jvO2 line i) was written
  bool failed = false;
  std::string error;  // UTF-8: the day file that could not be read (the import stopped there) or saved
};

// Runs the three passes over every race of `day` (its race table and scheduled times). Each written line is
// the picked record padded or cut to its record length; a day odds file that is missing or too short is
// created or extended with blank lines first. Each day odds file is saved once, at the end; every race put into
// it before a failure is saved, and a race counts only once its day file is saved.
TimeSeriesResult ImportTimeSeries(const DayModel& day, const std::filesystem::path& folder);

// The summary the user is shown (CP932).
std::string TimeSeriesSummary(const TimeSeriesResult& result);

}  // namespace corvina
