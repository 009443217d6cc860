#pragma once
// The loaded race day: the raw records per race slot (`RaceTable`), the two per-race records (`Races`,
// `Calcs`) and the day-wide values. One object, handed to the windows and the logic that need it.
//
// Text fields hold CP932 bytes as the records give them (blanks kept). Arrays written [1..k] in the field
// comments are indexed by payout entry or ticket number 1..k: they hold k + 1 elements and element 0 is unused,
// so code reads like the rules it follows. Per-horse arrays [0..17] are indexed by horse number - 1.
//
// Words. The names below are those of the stored records and of the data the program keeps, so a
// field can be found by the record word it mirrors; file names on disk and settings keys stay as the system has
// them too. What the names do not say:
//   G...            a day-wide value: kept with the day, not with a race.
//   Tbl             the raw records of one kind, one entry per race slot: GRaTbl the race (RA), GSeTbl the
//                   runners (SE), GHrTbl the payouts (HR), GO1Tbl1 / GO1Tbl2 the first and the latest snapshot of
//                   the win, place and bracket odds (O1), GO2Tbl the quinella odds (O2), GYozTbl the predicted
//                   odds line (.yoz, the program's own day file made from a provider's archive).
//   slot            a race's place 0..35 in the tables; GCurRace is the slot shown, GRaceTotal the slots filled.
//   GFrom2005       the loaded day is in 2005 or later: the real pair odds then always come from the quinella
//                   odds (O2), and the KOL import keeps its bracket mode off. Before, a race of eight runners or
//                   fewer takes them from the bracket odds of O1.
//   UmaBan          horse number (馬番), the runner's number in the race, 1..18.
//   WakuBan         frame number (枠番), the starting-gate bracket 1..8 the horse belongs to.
//   KettoNum        the horse's registration number (血統登録番号).
//   Futan           weight carried (負担重量), in tenths of a kilogram.
//   Tan / Fuku      win (単勝) / place (複勝): bets on one horse.
//   Wakuren         bracket quinella (枠連): the two frames of the first two, either order.
//   Umaren          quinella (馬連): the two horses of the first two, either order.
//   Wide            wide (ワイド): two horses both in the first three, either order. The program's tickets are
//                   horse pairs, judged as quinella and, in races of more than eight runners, as wide.
//   Umatan          exacta (馬単): first and second in order.
//   Sanrenpuku      trio (三連複): the first three, any order.   Sanrentan  trifecta (三連単): in order.
//   ...Comb / Pop / Pay  a payout entry's combination label, its popularity and its payout (yen per 100 yen).
//   TanHit, FukuHit the race's axis horse won / placed; TanPay, FukuPay what that paid (in RaceCalc).
//   snapshot 1 / 2  the two odds takings of a race: 1 the first (GO1Tbl1, WinOdds1, OddsTime1, OddsAnnounce1,
//                   Odds1Present, RankOdds1, MarkAB1, MarkC1), 2 the latest (the same names with 2).
//   Yoso / Yoz      one word, 予想 (prediction): the .yoz day file holds the predicted odds; YosoImport makes it
//                   from a provider's archive, which the user picks in the folder of the settings key "Dir" / "yoso".
//   Yoz...          the race's predicted odds line: YozMatched a line was filed into the slot; YozSourceM its
//                   provider letter is "M", odds predicted before the sale opened (shown as 前売配当); GYozRec
//                   the last line a load read, whose letter is taken as the source of the whole day.
//   MarkAB, MarkC   the marks of the prediction per snapshot: "A" (odds at or under the prediction), "B" (long
//                   prediction, short odds), "C" (odds far above the prediction). MarkX: the horse's predicted
//                   pair odds average above the real one; MarkE: an "A" horse that also has "X".
//   CountA/B/C      the number of horses with the current snapshot's "A", "B" and "C". They are only ever
//                   incremented: the prediction counts up from the zero every day load gives a RaceCalc.
//   local option    the menu item ﾛｰｶﾙｵﾌﾟｼｮﾝ (settings "kaime" / "local", on by default). At the local racecourses
//                   (IsLocalVenue: 01 Sapporo, 02 Hakodate, 03 Fukushima, 04 Niigata, 10 Kokura) one test for "C",
//                   odds above four times the prediction at any prediction (`strictC`), replaces the two usual
//                   ones (above 3 times a prediction under 10, above 3.5 times one under 20). The first snapshot
//                   takes that test at every venue while the option is on, on purpose: it changes only the
//                   first snapshot's "C" marks, which the card and the printed page show but which decide a
//                   race's tickets only while its latest snapshot is missing.
//   ARank           the rank of an "A" horse among the race's "A" horses; ranks 1..6 make the tickets.
//   ModeOneA        the horse lost its first-snapshot "A" at the latest snapshot (shown as 軸 under 消軸, "erased
//                   axis": when one horse of the race has it, it becomes the partner of the ranked horses).
//   AxisHorse       the horse bet on alone, to win and to place (軸馬).
//   ResU / ResW / ResT / ResF  the race has quinella / wide / win / place results (U umaren, W wide, T tan,
//                   F fuku); the statistics count a race's tickets only where it has results.
//   V1, V2, V3      the venues of the day's statistics, scopes 1..3 (scope 0 is all venues): the distinct
//                   racecourse codes of the day's races in ascending order (DayVenues), the first three; a fourth
//                   venue counts only in scope 0.
//   GStats          the day's hit statistics, counters named by `StatCounter`.
//   GRateStr        their return rates as texts, index 4 * bet type + scope (RateIndex): 0..3 win, 4..7 place,
//                   8..11 quinella, 12..15 wide, each for all venues, V1, V2, V3.
//   .jvO1 .. .jvO5  the odds day files, named by record kind: O1 win, place and bracket and O2 quinella, which
//                   the program reads and writes; O3 wide, only ever blanked by odds clearing; O4 exacta and O5
//                   trio, neither read nor written, and left alone by odds clearing.
//   TK, Manbaken    the hit report's files: TK<yyyymmdd>.txt (TK for 的中, teki: hit) the day's hits, and
//                   Manbaken.txt (万馬券: a longshot, a ticket paying 100 times its stake or more) the collection of
//                   every day's reported hits, longshots or not (HitCollectionPath).
//   marker files    files in the program folder, whatever they hold, that switch features on:
//                   MasterControlBrann.key shows the hit-report buttons (的中, 穴的中); makeKaishuFile.data has every
//                   day load add the day's return rates to the yearly summaries "<yyyy>年<bet>.ksr" (kaishu, 回収:
//                   what the tickets brought back).
//   settings keys   a few are romanised words: "Dir" / "jikeiretu" (時系列, time series) the folder of the
//                   time-series odds, "Dir" / "yoso" the folder of the providers' archives, and the section
//                   "kaime" (買い目, the tickets to buy) holding the local option.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "components/SettingsFile.h"
#include "racedata/RecordLayout.h"

namespace corvina {

using Byte = std::uint8_t;
inline constexpr int kHorses = layout::kHorses;
inline constexpr int kSlots = layout::kSlots;

// The counters of DayModel::GStats, the day's hit statistics. Each scope has a block of six counters: the pair
// bets (quinella, wide) in blocks at 0..23 and the one-horse bets (win, place) in blocks at 24..47, four blocks
// each: all venues (scope 0), then the venues V1, V2, V3 (scopes 1..3). An enumerator is the counter's index
// for all venues; StatIndex gives it for a scope. Tickets count 100-yen tickets, Pay sums yen.
enum class StatCounter {
  WideTickets = 0,
  QuinellaTickets = 1,
  WideHits = 2,
  QuinellaHits = 3,
  QuinellaPay = 4,
  WidePay = 5,
  WinTickets = 24,
  PlaceTickets = 25,
  WinHits = 26,
  PlaceHits = 27,
  WinPay = 28,
  PlacePay = 29,
};
inline constexpr int kStatScopes = 4;
inline constexpr int kStatBlock = 6;  // counters per scope and pair of bet types
inline constexpr int kStatCounters = 48;
// The index in GStats of `counter` for `scope` (0 all venues, 1..3 the venues V1..V3).
constexpr int StatIndex(StatCounter counter, int scope) { return static_cast<int>(counter) + kStatBlock * scope; }

template <typename T>
using PerHorse = std::array<T, layout::kHorses>;  // [0..17], horse index
template <typename T, int K>
using OneBased = std::array<T, K + 1>;  // [1..K], element 0 unused

// The raw records of the loaded day, one entry per RaceSlot 0..35. Each record is kept at its day-file line
// length (padded with blanks or cut), so every field read is inside the record; an entry without a record is
// all blanks. Blanked at the start of every day load.
struct RaceTable {
  std::array<std::string, kSlots> GRaTbl;            // RA record (1270)
  std::array<PerHorse<std::string>, kSlots> GSeTbl;  // SE record per horse index (553)
  std::array<std::string, kSlots> GHrTbl;            // HR record (717)
  std::array<std::string, kSlots> GO1Tbl1;           // first O1 snapshot (960)
  std::array<std::string, kSlots> GO1Tbl2;           // latest O1 snapshot (960)
  std::array<std::string, kSlots> GO2Tbl;            // O2 record (2040)
  std::array<std::string, kSlots> GYozTbl;           // matched .yoz line (1459)

  RaceTable() { Blank(); }
  // Every character of every entry becomes a blank.
  void Blank();
};

// Per-race record of the race card, odds snapshots, predicted win odds, results and payouts.
struct RaceInfo {
  Byte HasData = 0;                         // 1: the slot's RA record has a non-blank year
  std::string RaceKey;                      // 16-byte RaceKey (RA 12..27)
  std::string RaceNameShort;                // RA (605, 6), 3 full-width characters
  std::string RaceName;                     // RA (33, 60)
  std::string GradeCode;                    // RA (615, 1)
  std::string WeightRule;                   // RA (622, 1)
  std::string ClassCode;                    // RA (635, 3)
  std::string Distance;                     // RA (698, 4), metres as text
  std::string TrackCode;                    // RA (706, 2)
  std::string PostTime;                     // RA (874, 4), "hhmm"
  std::string OddsTime1;                    // first scheduled odds time "hhmm", or empty for none
  std::string OddsTime2;                    // second scheduled odds time "hhmm", or empty for none
  std::string EntryCount;                   // RA (882, 2), number of entries as text
  PerHorse<std::string> UmaBan;             // SE (29, 2) horse number text
  PerHorse<std::string> WakuBan;            // SE (28, 1) frame number text
  PerHorse<std::string> KettoNum;           // SE (31, 10) registration number
  PerHorse<std::string> HorseName;          // first 18 bytes of SE (41, 36)
  PerHorse<std::string> SexCode;            // SE (79, 1)
  PerHorse<std::string> Futan;              // SE (289, 3), tenths of a kilogram as text
  PerHorse<std::string> JockeyCode;         // SE (297, 5)
  PerHorse<std::string> JockeyName;         // SE (307, 8)
  PerHorse<std::string> TrainerCode;        // SE (86, 5)
  PerHorse<std::string> TrainerName;        // SE (91, 8)
  Byte YozMatched = 0;                      // 1: a .yoz line was filed into the slot
  Byte Odds1Present = 0;                    // 1: the first O1 snapshot has an announcement time
  Byte Odds2Present = 0;                    // 1: the latest O1 snapshot has an announcement time
  Byte YozSourceM = 0;                      // 1: the filed .yoz line has source letter "M"
  PerHorse<double> PredWinOdds{};           // predicted decimal win odds; -1 = blank field
  PerHorse<double> WinOdds1{};              // decimal win odds of the first snapshot; -1 "----"/"****", -2 blank
  PerHorse<double> WinOdds2{};              // decimal win odds of the latest snapshot, same codes
  std::string OddsAnnounce1;                // "hhmm" of the first snapshot's announcement (4 blanks when none)
  std::string OddsAnnounce2;                // "hhmm" of the latest snapshot's announcement
  Byte HasResults = 0;                      // 1: results reading filed an HR record since the last day load
  PerHorse<int> FinishPos{};                // finishing position, 0 when not filled
  PerHorse<int> Popularity{};               // win popularity
  PerHorse<double> FinalWinOdds{};          // final decimal win odds
  OneBased<int, 3> TanHorse{};              // horse numbers of the win payouts [1..3]
  OneBased<int, 5> FukuHorse{};             // horse numbers of the place payouts [1..5]
  OneBased<std::string, 3> WakurenComb;     // bracket-quinella CombLabel " 3- 5" [1..3]
  OneBased<std::string, 3> UmarenComb;      // quinella CombLabel [1..3]
  OneBased<std::string, 7> WideComb;        // wide CombLabel [1..7]
  OneBased<std::string, 6> UmatanComb;      // exacta CombLabel, record order [1..6]
  OneBased<std::string, 3> SanrenpukuComb;  // trio CombLabel " 1- 2- 3" [1..3]
  OneBased<std::string, 6> SanrentanComb;   // trifecta CombLabel, record order [1..6]
  OneBased<int, 3> TanPop{};                // popularity of each payout entry
  OneBased<int, 5> FukuPop{};
  OneBased<int, 3> WakurenPop{};
  OneBased<int, 3> UmarenPop{};
  OneBased<int, 7> WidePop{};
  OneBased<int, 6> UmatanPop{};
  OneBased<int, 3> SanrenpukuPop{};
  OneBased<int, 6> SanrentanPop{};
  OneBased<int, 3> TanPay{};  // payouts in yen per 100-yen ticket
  OneBased<int, 5> FukuPay{};
  OneBased<int, 3> WakurenPay{};
  OneBased<int, 3> UmarenPay{};
  OneBased<int, 7> WidePay{};
  OneBased<int, 6> UmatanPay{};
  OneBased<int, 3> SanrenpukuPay{};
  OneBased<int, 6> SanrentanPay{};
};

// The places of a race's tickets, [1..kTicketPlaces]. Six, for the prediction never makes more: the six pairs of
// a box of four horses, or one horse against the "A" horses of ARank 1..6, rank j at place j.
inline constexpr int kTicketPlaces = 6;
template <typename T>
using PerTicket = OneBased<T, kTicketPlaces>;  // [1..kTicketPlaces], ticket place

// Per-race record of what the prediction, ranking and hit steps compute.
struct RaceCalc {
  int RankedCount = 0;                     // horses with positive win odds in the snapshot last ranked
  Byte Over8Runners = 0;                   // 1: more than 8 entries
  OneBased<double, 153> UmarenOdds{};      // real decimal quinella odds by UmarenIndex [1..153]
  OneBased<double, 153> PredUmarenOdds{};  // predicted decimal quinella odds by UmarenIndex [1..153]
  PerHorse<double> AvgOdds{};              // per-horse mean pair odds (real)
  PerHorse<double> PredAvgOdds{};          // per-horse mean pair odds (predicted)
  PerHorse<int> AvgOddsRank{};             // rank by AvgOdds
  PerHorse<int> PredAvgOddsRank{};         // rank by PredAvgOdds
  PerHorse<std::string> MarkAB1;           // one-letter marks of the first snapshot, empty for none
  PerHorse<std::string> MarkC1;
  PerHorse<std::string> MarkAB2;  // and of the latest snapshot
  PerHorse<std::string> MarkC2;
  PerHorse<std::string> MarkX;
  PerHorse<std::string> MarkE;
  int CountA = 0;                  // horses marked "A"; counted up from the day load's zero
  int CountB = 0;                  // horses marked "B", the same
  int CountC = 0;                  // horses marked "C", the same
  PerHorse<Byte> ModeOneA{};       // 1: lost its first-snapshot mark "A" at the latest snapshot
  PerHorse<int> RankPred{};        // rank by predicted win odds, 0 = unranked
  PerHorse<int> RankOdds1{};       // rank by first-snapshot win odds, 0 = unranked
  PerHorse<int> RankOdds2{};       // rank by latest-snapshot win odds, 0 = unranked
  PerHorse<int> ARank{};           // rank among the "A" horses, 0 for the others
  PerTicket<std::string> Tickets;  // ticket CombLabels [1..kTicketPlaces]
  int AxisHorse = 0;               // axis horse number, 0 = none
  std::string Note;                // short note on the race (CP932), empty or a prediction note
  Byte ResU = 0;                   // quinella results present
  Byte ResW = 0;                   // wide results present
  Byte ResT = 0;                   // win results present
  Byte ResF = 0;                   // place results present
  PerTicket<Byte> WideHit{};       // ticket k hit as a wide [1..kTicketPlaces]
  PerTicket<int> WidePay{};        // its payout, yen per 100-yen ticket
  PerTicket<Byte> UmarenHit{};     // ticket k hit as a quinella [1..kTicketPlaces]
  PerTicket<int> UmarenPay{};      // its payout, yen
  Byte TanHit = 0;                 // axis horse won
  int TanPay = 0;                  // win payout, yen
  Byte FukuHit = 0;                // axis horse placed
  int FukuPay = 0;                 // place payout, yen
  Byte CalcHasData = 0;            // 1: the slot holds a race of the loaded day (usable)
};

// Everything of the loaded day the windows and the logic share. About half a megabyte: keep it on the heap.
struct DayModel {
  RaceTable Table;  // raw records per slot
  std::array<RaceInfo, kSlots> Races;
  std::array<RaceCalc, kSlots> Calcs;

  int GRaceTotal = 0;             // number of slots the last load filled
  bool GFrom2005 = false;         // the loaded day's year is 2005 or later
  std::string GYozRec;            // last .yoz line read by a load (CP932); its byte 17 is the day's odds source
  std::filesystem::path AppDir;   // program folder; the day files are in AppDir/Data
  std::filesystem::path GRaPath;  // the loaded day's .jvRA
  std::filesystem::path GHrPath;  // the loaded day's .jvHR
  std::filesystem::path GSePath;  // the .jvSEr read last
  int GCurRace = 0;               // race slot shown
  int GLastRace = 0;              // race-list line to show again after a load
  // Minutes between the reads of the results poll, as the load took them from the setting kResultsPollMinutes.
  int GResultsPollMinutes = kResultsPollMinutes.defaultValue;
  std::array<Byte, kSlots> GOddsTakenFirst{};   // 1 once the first scheduled odds of the slot were queued
  std::array<Byte, kSlots> GOddsTakenSecond{};  // 1 once the second scheduled odds were queued
  std::array<int, kStatCounters> GStats{};      // the day's hit statistics, indexed by StatIndex
  std::array<std::string, 16> GRateStr;         // return-rate texts "%6.1f%" or 7 blanks

  // The data folder: AppDir/Data.
  std::filesystem::path DataDir() const { return AppDir / "Data"; }
};

}  // namespace corvina
