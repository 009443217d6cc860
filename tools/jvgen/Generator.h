#pragma once
// A deterministic sample race day: the races, their runners, odds snapshots, results and payouts, and the
// records, day files, JV-Link stand-in folders and provider texts made from them. The same seed and date give
// the same bytes on every run, so tests can make their data at run time.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/DayName.h"
#include "racedata/RecordLayout.h"

namespace corvina::jvgen {

struct Options {
  DayName date;  // the race day
  std::uint64_t seed = 1;
  int venues = 3;                  // 1..3 racecourses
  int races = 12;                  // races per racecourse, 1..12
  char cardKind = '2';             // data kind of the card's RA and SE records ("A", "B", "1" for the skip tests)
  char resultKind = '7';           // data kind of RA and SE records that carry results
  char oddsKind = 0;               // data kind of every O1/O2 snapshot; 0: "1" (interim), the post-time one "3"
  bool results = true;             // results and payouts (day files: SE results and .jvHR)
  bool scratches = false;          // every third race: one horse "----", one "****"
  bool deadHeat = false;           // first race of the first racecourse: triple dead heat for 1st; second: for 3rd
  bool missingRunnerFile = false;  // the last racecourse's runner file (or its SE records) is left out
  bool oddLines = false;           // a few lines too short or too long (see README)
  bool lfOnly = false;             // lines end in LF instead of CR LF
  int entriesField = 0;            // when > 0: the number-of-entries field of the first race says this
  bool badRaceNumbers = false;     // extra RA/SE/HR records of race numbers 0 and 13
  char yozSource = 'J';            // day files: .yoz from the JRDB text ('J'), the KOL text ('K', 'M'), or none (0)
  int seriesStep = 10;             // minutes between race-day odds snapshots
};

// Kinds of payout entry: combination numbers (horse or frame numbers), payout in yen, popularity.
struct Payout {
  std::vector<int> comb;
  long long pay = 0;
  int pop = 0;
};

struct Runner {
  int umaban = 0, waku = 0;
  std::string kettoNum;  // 10 digits: birth year + 6
  std::string name;      // 36 bytes CP932, full-width katakana padded with U+3000
  char sex = '1';
  int age = 3;
  std::string trainerCode, trainerName;  // 5 digits, 8 bytes CP932
  std::string jockeyCode, jockeyName;    // 5 digits, 8 bytes CP932
  int futan = 550;                       // tenths of a kilogram
  double strength = 1;
  int scratch = 0;    // 0 runs; 1 withdrawn before sales ("----"); 2 after ("****")
  int finish = 0;     // 0 for a withdrawn horse
  int finalOdds = 0;  // tenths; 0 for a withdrawn horse
  int popularity = 0;
  // Predicted odds of the providers (decimal).
  double predWin = 0, predPlace = 0;
};

struct Race {
  std::string course;  // JV racecourse code "01".."10"
  int kai = 1, nichi = 1, num = 1;
  int postMinute = 600;  // minutes after midnight
  std::string name;      // 60 bytes CP932
  std::string name6;     // 12 bytes
  std::string name3;     // 6 bytes
  char grade = ' ';
  char weightRule = '1';
  std::string classCode;  // 3 bytes
  int distance = 1600;
  std::string track;     // 2 digits
  int entriesField = 0;  // what the RA record's number of entries says (normally the runner count)
  std::vector<Runner> runners;
  std::array<std::vector<Payout>, 8> pays;                         // in the order of layout::hr::kBlocks
  std::array<double, layout::kUmarenPairs + 1> predUmaren{};       // [1..153] predicted quinella odds (decimal)
  std::array<int, layout::kWakurenPairs + 1> predWakurenTenths{};  // [1..36] for the KOL bracket fields

  std::string PostTime() const;      // "hhmm"
  std::string VenueRaceKey() const;  // 8 bytes
  int Starters() const;              // runners that are not withdrawn
};

struct Day {
  DayName date;
  std::vector<Race> races;     // in RaceKey order: racecourse code, then race number
  std::vector<Race> oddRaces;  // race numbers 0 and 13 (with badRaceNumbers)
  Options options;
};

// One odds snapshot of a race: its announcement time and data kind.
struct Snapshot {
  int dayOffset = 0;  // 0 race day, -1 the day before
  int minute = 0;     // minutes after midnight
  char kind = '1';
};

Day MakeDay(const Options& options);

// Frames of n runners as the racing authority assigns them: one horse each up to 8, else as even as possible
// with the extra horses in the highest frames. Returns the frame of horse numbers 1..n (index 0 unused).
std::vector<int> FrameNumbers(int n);

// ---- Records (lines without CR LF, each exactly its layout length) -----------------------------------------
enum class Stage { Card, Result };
std::string RaRecord(const Day& day, const Race& race, Stage stage);
std::string SeRecord(const Day& day, const Race& race, const Runner& runner, Stage stage);
std::string HrRecord(const Day& day, const Race& race, char kind);
std::vector<Snapshot> Snapshots(const Day& day, const Race& race);
std::string O1Record(const Day& day, const Race& race, const Snapshot& snap);
std::string O2Record(const Day& day, const Race& race, const Snapshot& snap);

// ---- Provider texts and the .yoz line made from them --------------------------------------------------------
std::string JrdbLine(const Day& day, const Race& race);  // at least 955 bytes
std::string KolLine(const Day& day, const Race& race);   // at least 1502 bytes
std::string YozLine(const Day& day, const Race& race);   // 1459 bytes, from the source of options.yozSource
// "Oz" + yymmdd + ".txt"
std::string JrdbFileName(const DayName& date);
// The one-digit course numbering of the providers ("0" 京都 .. "9" 函館) for a JV code, or -1.
int ProviderCourseDigit(const std::string& course);

// ---- Writers ------------------------------------------------------------------------------------------------
// HOME/Data/<DayName>.jvRA, <DayName><course>.jvSEr, .jvHR, .jvO1, .jvO2, .yoz. Returns the files written.
std::vector<std::filesystem::path> WriteDayFiles(const Day& day, const std::filesystem::path& home);
// ROOT/stored/RACE/server/..., ROOT/realtime/0B30/..., ROOT/realtime/0B12/...
std::vector<std::filesystem::path> WriteStandIn(const Day& day, const std::filesystem::path& root);
// DIR/Oz<yymmdd>.txt and DIR/kol_ods.kd3.
std::vector<std::filesystem::path> WriteProviders(const Day& day, const std::filesystem::path& dir);

}  // namespace corvina::jvgen
