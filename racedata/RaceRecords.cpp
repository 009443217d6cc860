#include "racedata/RaceRecords.h"

#include <algorithm>

#include "platform/Cp932.h"
#include "racedata/RacingTexts.h"

namespace corvina {

namespace L = layout;

std::string RaceKey(std::string_view rec) { return FieldText(rec, L::head::kRaceKey); }
std::string DateKey(std::string_view rec) { return FieldText(rec, L::head::kDateKey); }
std::string VenueRaceKey(std::string_view rec) { return FieldText(rec, L::head::kVenueRaceKey); }

std::string MatchKey(std::string_view rec) {
  return FieldText(rec, L::head::kCourse) + FieldText(rec, L::head::kRaceNum);
}

std::string LineOfRecord(std::string_view record, int lineLength) {
  if (record.ends_with("\r\n"))
    record.remove_suffix(2);
  else if (record.ends_with('\n') || record.ends_with('\r'))
    record.remove_suffix(1);
  std::string line = PadRight(record, static_cast<size_t>(lineLength));
  // A stray line end inside a record would split it into two lines of the day file and move every record
  // after it (CP932 never uses these bytes inside a character).
  std::replace_if(
      line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return line;
}

bool IsRaceRecord(std::string_view ra) {
  const std::string_view year = FieldView(ra, L::head::kYear);
  return !IsBlank(year) && year != "0000";
}

int RaceNumber(std::string_view rec) { return FieldInt(rec, L::head::kRaceNum); }

int EntryCount(std::string_view ra) { return std::clamp(FieldInt(ra, L::ra::kEntryCount), 0, L::kHorses); }

int FindSlot(const RaceTable& table, std::string_view matchKey) {
  if (IsBlank(matchKey)) return -1;
  for (int s = 0; s < kSlots; ++s)
    if (MatchKey(table.GRaTbl[s]) == matchKey) return s;
  return -1;
}

void BlankRaceTable(DayModel& day) {
  day.Table.Blank();
  day.GYozRec.clear();
}

void BlankRaceSlotsFrom(RaceTable& table, int first) {
  for (int s = std::max(first, 0); s < kSlots; ++s) table.GRaTbl[s].assign(L::kRaLine, ' ');
}

int AssignRaceSlots(RaceTable& table, const Lines& raLines) {
  int s = 0;
  for (const auto& line : raLines) {
    if (s >= kSlots) break;
    if (!IsRaceRecord(line)) continue;
    table.GRaTbl[s++] = PadRight(line, L::kRaLine);
  }
  BlankRaceSlotsFrom(table, s);
  return s;
}

void FileRunners(RaceTable& table, int slot, const Lines& seLines) {
  if (slot < 0 || slot >= kSlots) return;
  const std::string& ra = table.GRaTbl[slot];
  const int race = RaceNumber(ra);
  if (!RaceNumberInRange(race)) return;
  const int n = EntryCount(ra);
  for (int h = 0; h < n; ++h) {
    const size_t line = static_cast<size_t>((race - 1) * L::kHorses + h);
    table.GSeTbl[slot][h] = line < seLines.size() ? PadRight(seLines[line], L::kSeLine) : std::string(L::kSeLine, ' ');
  }
}

void FileSequential(RaceTable& table, std::array<std::string, kSlots>& column, const Lines& lines, int lineLength) {
  const size_t count = std::min(lines.size(), static_cast<size_t>(kSlots));
  for (size_t i = 0; i < count; ++i) {
    const int slot = FindSlot(table, MatchKey(lines[i]));
    if (slot >= 0) column[slot] = PadRight(lines[i], static_cast<size_t>(lineLength));
  }
}

void FileO1(RaceTable& table, const Lines& o1Lines) {
  for (int i = 0; i < kSlots; ++i) {
    const std::string& ra = table.GRaTbl[i];
    const std::string key = MatchKey(ra);
    if (RaceNumber(ra) <= 0 || IsBlank(key)) continue;
    const size_t first = 2 * static_cast<size_t>(i);
    if (first < o1Lines.size() && MatchKey(o1Lines[first]) == key)
      table.GO1Tbl1[i] = PadRight(o1Lines[first], L::kO1Line);
    if (first + 1 < o1Lines.size() && MatchKey(o1Lines[first + 1]) == key)
      table.GO1Tbl2[i] = PadRight(o1Lines[first + 1], L::kO1Line);
  }
}

std::string YozMatchKey(std::string_view yozLine) {
  const std::string course = FieldText(yozLine, L::yoz::kCourse);
  const std::string name =
      FieldView(yozLine, L::yoz::kSource) == "J" ? CourseName(course, 2) : CourseNameByDigit(course);
  return FieldText(yozLine, L::yoz::kDate) + name + FieldText(yozLine, L::yoz::kRaceNum);
}

std::string SlotYozKey(std::string_view ra) {
  return FieldText(ra, L::head::kYear) + FieldText(ra, L::head::kMonthDay) +
         CourseName(FieldText(ra, L::head::kCourse), 2) + FieldText(ra, L::head::kRaceNum);
}

void FileYoz(DayModel& day, const Lines& yozLines) {
  const size_t count = std::min(yozLines.size(), static_cast<size_t>(kSlots));
  for (size_t i = 0; i < count; ++i) {
    const std::string line = PadRight(yozLines[i], L::kYozLine);
    day.GYozRec = line;
    const std::string key = YozMatchKey(line);
    for (int s = 0; s < kSlots; ++s) {
      // Slots without a race have blank keys; a blank .yoz line must not claim them.
      if (!IsRaceRecord(day.Table.GRaTbl[s]) || SlotYozKey(day.Table.GRaTbl[s]) != key) continue;
      day.Table.GYozTbl[s] = line;
      day.Races[s].YozMatched = 1;
      if (FieldView(line, L::yoz::kSource) == "M") day.Races[s].YozSourceM = 1;
      break;
    }
  }
}

std::string RaceListLine(std::string_view ra) {
  const std::string& kai = CORVINA_CP932("回 ");
  const std::string& nichi = CORVINA_CP932("日");
  return CourseClassName(FieldText(ra, L::head::kCourse)) + BlankPadNumStr(FieldView(ra, L::head::kKai)) + kai +
         BlankPadNumStr(FieldView(ra, L::head::kNichi)) + nichi + BlankPadNumStr(FieldView(ra, L::head::kRaceNum)) +
         "R";
}

}  // namespace corvina
