#pragma once
// Field positions of the JV-Data records and of the predicted-odds (.yoz) lines, as the day files store them.
// Every reader and writer of records (the day load, the writers, the sample-day generator, the tests) takes
// its positions from here, so one table decides where a field is.
//
// Positions are 1-based byte positions in CP932 text, lengths count bytes (a full-width character is two).
// A day-file line is one record without its CR LF; the race table keeps records at their line length.
#include <array>
#include <string_view>

namespace corvina::layout {

// A field: `len` bytes from 1-based byte position `pos`.
struct Field {
  int pos;
  int len;
  constexpr int End() const { return pos + len - 1; }  // last byte, 1-based
};

// ---- Fixed bounds of a race day ---------------------------------------------------------------------------
inline constexpr int kHorses = 18;                 // horses per race (horse index 0..17 = horse number - 1)
inline constexpr int kRaces = 12;                  // races per racecourse and day (race numbers 1..12)
inline constexpr int kSlots = 36;                  // races of a loaded day (RaceSlot 0..35)
inline constexpr int kUmarenPairs = 153;           // horse pairs i < j of 1..18 (UmarenIndex 1..153)
inline constexpr int kWakurenPairs = 36;           // frame pairs i <= j of 1..8 (WakurenIndex 1..36)
inline constexpr int kFrames = 8;                  // frame (bracket) numbers 1..8
inline constexpr int kSeLines = kRaces * kHorses;  // 216 lines of a racecourse's runner file

// ---- Record kinds and lengths -------------------------------------------------------------------------------
inline constexpr std::string_view kKindRA = "RA";
inline constexpr std::string_view kKindSE = "SE";
inline constexpr std::string_view kKindHR = "HR";
inline constexpr std::string_view kKindO1 = "O1";
inline constexpr std::string_view kKindO2 = "O2";

// Line lengths (record without CR LF). The record as the data service sends it is two bytes longer.
inline constexpr int kRaLine = 1270;
inline constexpr int kSeLine = 553;
inline constexpr int kHrLine = 717;
inline constexpr int kO1Line = 960;
inline constexpr int kO2Line = 2040;
inline constexpr int kO3Line = 2652;   // only ever blanked
inline constexpr int kO4Line = 4029;   // never written
inline constexpr int kO5Line = 12291;  // never written
inline constexpr int kYozLine = 1459;
inline constexpr int kCrLf = 2;

// ---- Day file suffixes ----------------------------------------------------------------------------------------
inline constexpr std::string_view kSuffixRA = ".jvRA";
inline constexpr std::string_view kSuffixSE = ".jvSEr";  // preceded by the racecourse's style-2 name
inline constexpr std::string_view kSuffixHR = ".jvHR";
inline constexpr std::string_view kSuffixO1 = ".jvO1";
inline constexpr std::string_view kSuffixO2 = ".jvO2";
inline constexpr std::string_view kSuffixO3 = ".jvO3";
inline constexpr std::string_view kSuffixYoz = ".yoz";
inline constexpr std::string_view kSuffixMoto = ".moto";

// ---- Common head of RA, SE, HR, O1, O2 --------------------------------------------------------------------
namespace head {
inline constexpr Field kKind{1, 2};            // "RA", "SE", "HR", "O1", "O2"
inline constexpr Field kDataKind{3, 1};        // "A"/"B" skipped by import, "0"/"9" by manual odds, "1" blocks odds
inline constexpr Field kKindAndCreated{3, 9};  // data kind + creation date; RA (and imported HR) store "000000000"
inline constexpr Field kCreated{4, 8};         // creation date yyyymmdd, not read
inline constexpr Field kYear{12, 4};           // blank or "0000": the line is not a race
inline constexpr Field kMonthDay{16, 4};       // "mmdd"
inline constexpr Field kCourse{20, 2};         // racecourse code "01".."10", "30".."61", "A0".."M8"
inline constexpr Field kKai{22, 2};            // meeting number of the racecourse
inline constexpr Field kNichi{24, 2};          // day number within the meeting
inline constexpr Field kRaceNum{26, 2};        // race number 1..12
inline constexpr Field kRaceKey{12, 16};       // year .. race number
inline constexpr Field kDateKey{12, 8};        // "yyyymmdd"
inline constexpr Field kDay{18, 2};            // "dd"
inline constexpr Field kMonth{16, 2};          // "mm"
inline constexpr Field kVenueRaceKey{20, 8};   // racecourse, meeting, day, race number
}  // namespace head

// ---- RA: race card ---------------------------------------------------------------------------------------------
namespace ra {
inline constexpr Field kRaceName{33, 60};       // 30 full-width characters, padded with U+3000
inline constexpr Field kRaceName6{593, 12};     // 6-character short name (hit report)
inline constexpr Field kRaceNameShort{605, 6};  // 3-character short name
inline constexpr Field kGradeCode{615, 1};      // "A".."H" graded, else blank
inline constexpr Field kWeightRule{622, 1};     // "1".."4"
inline constexpr Field kClassCode{635, 3};      // "701" "702" "703" "999" "000" "100" or prize money /100 ("005")
inline constexpr Field kDistance{698, 4};       // metres
inline constexpr Field kTrackCode{706, 2};      // "10".."29", "51".."59"
inline constexpr Field kPostTime{874, 4};       // "hhmm"
inline constexpr Field kEntryCount{882, 2};     // number of entries (runner lines of the race)
}  // namespace ra

// ---- SE: one runner --------------------------------------------------------------------------------------------
namespace se {
inline constexpr Field kWakuBan{28, 1};         // frame number 1..8
inline constexpr Field kUmaBan{29, 2};          // horse number 1..18
inline constexpr Field kKettoNum{31, 10};       // registration number; first 4 bytes are the birth year
inline constexpr Field kHorseName{41, 36};      // 18 full-width characters
inline constexpr Field kHorseNameKept{41, 18};  // the part the race card keeps (9 full-width characters)
inline constexpr Field kSexCode{79, 1};         // "1" colt, "2" filly, "3" gelding
inline constexpr Field kAge{83, 2};             // age in years
inline constexpr Field kTrainerCode{86, 5};
inline constexpr Field kTrainerName{91, 8};  // 4 full-width characters
inline constexpr Field kFutan{289, 3};       // weight carried in tenths of a kilogram ("550")
inline constexpr Field kJockeyCode{297, 5};
inline constexpr Field kJockeyName{307, 8};    // 4 full-width characters
inline constexpr Field kFinishPos{335, 2};     // finishing position
inline constexpr Field kFinalWinOdds{360, 4};  // final win odds in tenths
inline constexpr Field kPopularity{364, 2};    // win popularity
}  // namespace se

// ---- HR: payouts -----------------------------------------------------------------------------------------------
namespace hr {

enum class Bet { Tan, Fuku, Wakuren, Umaren, Wide, Umatan, Sanrenpuku, Sanrentan };

// One block of payout entries. Entry k (1-based) starts at first + (k - 1) * entryLen; the offsets below are
// 0-based from the entry start. The combination is `combParts` numbers of `combPartLen` bytes each.
struct PayBlock {
  Bet bet;
  int entries;
  int first;
  int entryLen;
  int combParts;
  int combPartLen;
  int payOffset;
  int payLen;
  int popOffset;
  int popLen;

  constexpr int EntryStart(int k) const { return first + (k - 1) * entryLen; }
  constexpr Field CombPart(int k, int part) const { return {EntryStart(k) + part * combPartLen, combPartLen}; }
  constexpr Field Pay(int k) const { return {EntryStart(k) + payOffset, payLen}; }
  constexpr Field Pop(int k) const { return {EntryStart(k) + popOffset, popLen}; }
  constexpr int End() const { return first + entries * entryLen - 1; }
};

inline constexpr PayBlock kTan{Bet::Tan, 3, 103, 13, 1, 2, 2, 9, 11, 2};                // win
inline constexpr PayBlock kFuku{Bet::Fuku, 5, 142, 13, 1, 2, 2, 9, 11, 2};              // place
inline constexpr PayBlock kWakuren{Bet::Wakuren, 3, 207, 13, 2, 1, 2, 9, 11, 2};        // bracket quinella
inline constexpr PayBlock kUmaren{Bet::Umaren, 3, 246, 16, 2, 2, 4, 9, 13, 3};          // quinella
inline constexpr PayBlock kWide{Bet::Wide, 7, 294, 16, 2, 2, 4, 9, 13, 3};              // wide
inline constexpr PayBlock kUmatan{Bet::Umatan, 6, 454, 16, 2, 2, 4, 9, 13, 3};          // exacta
inline constexpr PayBlock kSanrenpuku{Bet::Sanrenpuku, 3, 550, 18, 3, 2, 6, 9, 15, 3};  // trio
inline constexpr PayBlock kSanrentan{Bet::Sanrentan, 6, 604, 19, 3, 2, 6, 9, 15, 4};    // trifecta

inline constexpr std::array<PayBlock, 8> kBlocks{kTan,  kFuku,   kWakuren,    kUmaren,
                                                 kWide, kUmatan, kSanrenpuku, kSanrentan};

static_assert(kSanrentan.End() == kHrLine, "the trifecta block ends the HR line");
static_assert(kTan.End() + 1 == kFuku.first && kFuku.End() + 1 == kWakuren.first &&
                  kWakuren.End() + 1 == kUmaren.first && kUmaren.End() + 1 == kWide.first &&
                  kUmatan.End() + 1 == kSanrenpuku.first && kSanrenpuku.End() + 1 == kSanrentan.first,
              "payout blocks follow each other");
}  // namespace hr

// ---- O1: win, place and bracket-quinella odds ----------------------------------------------------------------
namespace o1 {
inline constexpr Field kAnnounce{28, 8};  // "mmddhhnn"
inline constexpr Field kAnnHour{32, 2};
inline constexpr Field kAnnMinute{34, 2};
inline constexpr Field kAnnHHMM{32, 4};

// Win block: 28 entries of 8 bytes from 44; entry h (0-based horse index): horse(2), odds in tenths(4), pop(2).
inline constexpr int kWinFirst = 44;
inline constexpr int kWinEntryLen = 8;
inline constexpr int kWinEntries = 28;
constexpr Field WinHorse(int h) { return {kWinFirst + kWinEntryLen * h, 2}; }
constexpr Field WinOdds(int h) { return {kWinFirst + kWinEntryLen * h + 2, 4}; }  // "----"/"****" no odds
constexpr Field WinPop(int h) { return {kWinFirst + kWinEntryLen * h + 6, 2}; }

// Place block: 28 entries of 12 bytes from 268: horse(2), lowest odds(4), highest odds(4), pop(2). Not read.
inline constexpr int kPlaceFirst = 268;
inline constexpr int kPlaceEntryLen = 12;
inline constexpr int kPlaceEntries = 28;
constexpr Field PlaceHorse(int h) { return {kPlaceFirst + kPlaceEntryLen * h, 2}; }
constexpr Field PlaceOddsLow(int h) { return {kPlaceFirst + kPlaceEntryLen * h + 2, 4}; }
constexpr Field PlaceOddsHigh(int h) { return {kPlaceFirst + kPlaceEntryLen * h + 6, 4}; }
constexpr Field PlacePop(int h) { return {kPlaceFirst + kPlaceEntryLen * h + 10, 2}; }

// Bracket-quinella block: 36 entries of 9 bytes from 604 in WakurenIndex order: comb(2), odds in tenths(5),
// pop(2). w is the WakurenIndex 1..36.
inline constexpr int kWakurenFirst = 604;
inline constexpr int kWakurenEntryLen = 9;
constexpr Field WakurenComb(int w) { return {kWakurenFirst + kWakurenEntryLen * (w - 1), 2}; }
constexpr Field WakurenOdds(int w) { return {kWakurenFirst + kWakurenEntryLen * (w - 1) + 2, 5}; }
constexpr Field WakurenPop(int w) { return {kWakurenFirst + kWakurenEntryLen * (w - 1) + 7, 2}; }

static_assert(kPlaceFirst == kWinFirst + kWinEntries * kWinEntryLen);
static_assert(kWakurenFirst == kPlaceFirst + kPlaceEntries * kPlaceEntryLen);
static_assert(WakurenPop(kWakurenPairs).End() < kO1Line);
}  // namespace o1

// ---- O2: quinella odds ---------------------------------------------------------------------------------------
namespace o2 {
inline constexpr Field kAnnounce{28, 8};  // "mmddhhnn"
inline constexpr Field kAnnHHMM{32, 4};
// 153 entries of 13 bytes from 41 in UmarenIndex order: comb(4), odds in tenths(6), pop(3). k is 1..153.
inline constexpr int kUmarenFirst = 41;
inline constexpr int kUmarenEntryLen = 13;
constexpr Field UmarenComb(int k) { return {kUmarenFirst + kUmarenEntryLen * (k - 1), 4}; }
constexpr Field UmarenOdds(int k) { return {kUmarenFirst + kUmarenEntryLen * (k - 1) + 4, 6}; }
constexpr Field UmarenPop(int k) { return {kUmarenFirst + kUmarenEntryLen * (k - 1) + 10, 3}; }
static_assert(UmarenPop(kUmarenPairs).End() < kO2Line);
}  // namespace o2

// ---- .yoz: predicted odds (this program's own format) --------------------------------------------------------
namespace yoz {
inline constexpr Field kKey{1, 19};    // date .. number of runners
inline constexpr Field kDate{1, 8};    // "yyyymmdd"
inline constexpr Field kCourse{9, 2};  // JV racecourse code (source "J") or venue digit (sources "K", "M")
inline constexpr Field kKai{11, 2};
inline constexpr Field kNichi{13, 2};
inline constexpr Field kRaceNum{15, 2};
inline constexpr Field kSource{17, 1};   // "J", "K" or "M"
inline constexpr Field kRunners{18, 2};  // not matched
// 18 win fields of 6 (plain decimal odds) from 20, 18 place fields of 6 from 128, 153 quinella fields of 8 from
// 236 in UmarenIndex order.
inline constexpr int kWinFirst = 20;
inline constexpr int kWinLen = 6;
inline constexpr int kPlaceFirst = 128;
inline constexpr int kPlaceLen = 6;
inline constexpr int kUmarenFirst = 236;
inline constexpr int kUmarenLen = 8;
constexpr Field Win(int h) { return {kWinFirst + kWinLen * h, kWinLen}; }
constexpr Field Place(int h) { return {kPlaceFirst + kPlaceLen * h, kPlaceLen}; }
constexpr Field Umaren(int k) { return {kUmarenFirst + kUmarenLen * (k - 1), kUmarenLen}; }
static_assert(Umaren(kUmarenPairs).End() == kYozLine, "19 + 108 + 108 + 1224 bytes");
static_assert(kPlaceFirst == kWinFirst + kHorses * kWinLen && kUmarenFirst == kPlaceFirst + kHorses * kPlaceLen);
}  // namespace yoz

}  // namespace corvina::layout
