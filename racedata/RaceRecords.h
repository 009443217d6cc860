#pragma once
// Reading fields of the raw records, the keys that match records to race slots, and the filing of day-file
// records into the race table.
#include <string>
#include <string_view>

#include "platform/LineFile.h"
#include "platform/Text.h"
#include "racedata/DayModel.h"
#include "racedata/RecordLayout.h"

namespace corvina {

// The text of a field (short or empty when the record is short).
inline std::string FieldText(std::string_view rec, layout::Field f) { return Copy(rec, f.pos, f.len); }
inline std::string_view FieldView(std::string_view rec, layout::Field f) { return CopyView(rec, f.pos, f.len); }
// The field as a number: leading blanks skipped, blank gives 0.
inline int FieldInt(std::string_view rec, layout::Field f) { return StrToIntLenient(CopyView(rec, f.pos, f.len)); }

// Keys of a JV-Data record (RA, SE, HR, O1, O2).
std::string RaceKey(std::string_view rec);       // 16 bytes: year .. race number
std::string DateKey(std::string_view rec);       // "yyyymmdd"
std::string VenueRaceKey(std::string_view rec);  // racecourse, meeting, day, race number
// The match key by which the day load files records into slots: racecourse code + race number.
std::string MatchKey(std::string_view rec);

// A day-file line from a record as the data service hands it: a closing CR LF (or LF) is dropped, and the text
// is padded with blanks or cut to the line length, so a short or long record never moves the next one; a line
// end inside the record becomes a blank.
std::string LineOfRecord(std::string_view record, int lineLength);

// An RA line is a race when its year is neither blank nor "0000".
bool IsRaceRecord(std::string_view ra);
// Race number of a record; only 1..12 address a runner line.
int RaceNumber(std::string_view rec);
inline bool RaceNumberInRange(int r) { return r >= 1 && r <= layout::kRaces; }
// Number of entries of an RA record, limited to the 18 horses the per-horse arrays hold.
int EntryCount(std::string_view ra);

// First slot 0..35 whose RA record has this match key, or -1. A blank key matches nothing.
int FindSlot(const RaceTable& table, std::string_view matchKey);

// Blanks the race table for a new load and forgets the previous day's predicted-odds line, so a day without a
// .yoz file does not take its odds source from whatever day was loaded before.
void BlankRaceTable(DayModel& day);

// Blanks the RA entries of slots `first`..35.
void BlankRaceSlotsFrom(RaceTable& table, int first);

// Puts the race lines of a .jvRA file into slots 0.. in file order (lines that are not races take no slot), at
// most 36; RA entries past the last slot are blanked. Returns the number of slots.
int AssignRaceSlots(RaceTable& table, const Lines& raLines);

// Files the runner records of one slot from its racecourse's .jvSEr lines: horse h of race r is line
// (r - 1) * 18 + h, for h below the race's number of entries. A race number outside 1..12 files nothing; a line
// past the end of the file gives a blank record.
void FileRunners(RaceTable& table, int slot, const Lines& seLines);

// Sequential filing (.jvHR into GHrTbl, .jvO2 into GO2Tbl): the first 36 lines, each into the first slot with
// its match key; a later line of the same race replaces an earlier one.
void FileSequential(RaceTable& table, std::array<std::string, kSlots>& column, const Lines& lines, int lineLength);

// Positional filing of .jvO1: lines 2i and 2i + 1 go to slot i when their match key is the slot's.
void FileO1(RaceTable& table, const Lines& o1Lines);

// .yoz filing: each of the first 36 lines goes to the first race slot of the same date, racecourse name and
// race number; sets YozMatched / YozSourceM. Every line read passes through GYozRec.
void FileYoz(DayModel& day, const Lines& yozLines);

// The key a .yoz line matches on, and a slot's key from its RA record: date + style-2 racecourse name + race.
std::string YozMatchKey(std::string_view yozLine);
std::string SlotYozKey(std::string_view ra);

// The race list line of a race: class name, meeting "回 ", day "日", race number "R".
std::string RaceListLine(std::string_view ra);

}  // namespace corvina
