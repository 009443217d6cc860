#pragma once
// The hit table of a loaded day, as plain data: the cells of each race's row in the quinella/wide table and the
// win/place table, the colour each cell gets from the race's hits, the venue names of the summary and its
// figures per bet type. The hit window lays these out; keeping them here lets them be checked without a window.
// Texts are CP932.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/Recovery.h"
#include "racedata/DayModel.h"

namespace corvina::analysis {

// Colours as the platform's blue-green-red integers; kClInfoBk stands for the system's tooltip background.
using BgrColor = std::uint32_t;
inline constexpr BgrColor kClWhite = 0xFFFFFF;
inline constexpr BgrColor kClRed = 0x0000FF;
inline constexpr BgrColor kClYellow = 0x00FFFF;
inline constexpr BgrColor kClFuchsia = 0xFF00FF;
inline constexpr BgrColor kClAqua = 0xFFFF00;
inline constexpr BgrColor kClLightGrey = 0xEAEAEA;
inline constexpr BgrColor kClInfoBk = 0x80000018;

// The columns of the quinella/wide grid: the result flags ("UW"), the race, the number of entries, tickets 1..6,
// the quinella payout (of the last ticket that hit it) and the wide payouts of tickets 1..6.
enum class QuinellaWideColumn {
  Results,
  Race,
  Entries,
  Ticket1,
  Ticket2,
  Ticket3,
  Ticket4,
  Ticket5,
  Ticket6,
  QuinellaPay,
  WidePay1,
  WidePay2,
  WidePay3,
  WidePay4,
  WidePay5,
  WidePay6,
};
inline constexpr int kQuinellaWideColumns = 16;

// The columns of the win/place grid: the result flags ("TF"), the race, the number of entries, the axis horse and
// its win and place payouts.
enum class WinPlaceColumn { Results, Race, Entries, AxisHorse, WinPay, PlacePay };
inline constexpr int kWinPlaceColumns = 6;

// A column's index in its grid.
constexpr int Col(QuinellaWideColumn column) { return static_cast<int>(column); }
constexpr int Col(WinPlaceColumn column) { return static_cast<int>(column); }
// The columns of ticket j (1..6) and of its wide payout.
constexpr int TicketCol(int j) { return Col(QuinellaWideColumn::Ticket1) + j - 1; }
constexpr int WidePayCol(int j) { return Col(QuinellaWideColumn::WidePay1) + j - 1; }

// The hit flags of one race as the window found them when it opened (a day load running inside the window's
// modal loop must not recolour cells whose texts were filled from the earlier figures).
struct RowHits {
  PerTicket<bool> umarenHit{};  // [1..kTicketPlaces]
  PerTicket<bool> wideHit{};    // [1..kTicketPlaces]
  bool tanHit = false;
  bool fukuHit = false;
};
RowHits RowHitsOf(const RaceCalc& calc);

// Colour of a data cell of the quinella/wide grid and of the win/place grid; `row` holds the row's cell
// texts, column by column.
BgrColor QuinellaWideCellColor(int col, const std::vector<std::string>& row, const RowHits& hits);
BgrColor WinPlaceCellColor(int col, const std::vector<std::string>& row, const RowHits& hits);

// "東京  3回 8日11R": class name, the second digit of the meeting and of the day, "%2d" race number.
std::string HitRaceLabel(const RaceInfo& info);

// The cells of a race's row in the quinella/wide grid and the win/place grid, one per column. Their result flags
// count a payout combination reading " 0- 0" as absent (EmptyComb::BlankOrZeroPair); the model's flags stay
// the statistics'.
std::vector<std::string> QuinellaWideRow(const DayModel& day, int slot);
std::vector<std::string> WinPlaceRow(const DayModel& day, int slot);

// The venue names of the scopes V1..V3 (element 0 unused): CourseClassName of the day's venue codes in
// ascending order, "――" where the day has fewer venues.
std::array<std::string, 4> HitVenueNames(const DayModel& day);

// The five summary texts of a bet type in a scope: "%3d点" tickets, "%3d点" hits, "%5d円" stake, "%7d円"
// payout, "%6.1f%" rate (7 blanks without tickets).
std::array<std::string, 5> HitSummary(const DayModel& day, BetType type, int scope);

// The file whose presence allows the clipboard copy.
std::filesystem::path VerificationMarkerPath(const std::filesystem::path& appDir);

}  // namespace corvina::analysis
