#pragma once
// The window "的中判定" shows how the loaded day went: every race with its tickets and what they paid, coloured
// by hit, and the return rates per bet type for all venues and up to three venues. It prints both tables and
// writes the HTML hit report when asked.
//
// The texts, colours and summary figures are worked out by the plain functions below so that they can be
// checked without a window; the window only lays them out.
#include <QDialog>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/HitReport.h"
#include "analysis/Recovery.h"
#include "racedata/DayModel.h"

class QFrame;
class QPushButton;
class QScrollArea;
class QTabWidget;
class QWidget;

namespace corvina {
class Label3D;
class PrintPreview;
namespace gui {
class Canvas;
class StringGrid;
}  // namespace gui
}  // namespace corvina

namespace corvina::analysis {

// ---- What the window shows, as plain data (texts are CP932) ----

// Colours as the platform's blue-green-red integers; kClInfoBk stands for the system's tooltip background.
using BgrColor = std::uint32_t;
inline constexpr BgrColor kClWhite = 0xFFFFFF;
inline constexpr BgrColor kClRed = 0x0000FF;
inline constexpr BgrColor kClYellow = 0x00FFFF;
inline constexpr BgrColor kClFuchsia = 0xFF00FF;
inline constexpr BgrColor kClAqua = 0xFFFF00;
inline constexpr BgrColor kClLightGrey = 0xEAEAEA;
inline constexpr BgrColor kClInfoBk = 0x80000018;

// The hit flags of one race as the window found them when it opened (a day load running inside the window's
// modal loop must not recolour cells whose texts were filled from the earlier figures).
struct TekiRowHits {
  std::array<bool, 7> umarenHit{};  // [1..6]
  std::array<bool, 7> wideHit{};    // [1..6]
  bool tanHit = false;
  bool fukuHit = false;
};
TekiRowHits RowHitsOf(const RaceCalc& calc);

// Colour of a data cell of the quinella/wide grid and of the win/place grid; `row` holds the row's cell
// texts, column by column.
BgrColor QuinellaWideCellColor(int col, const std::vector<std::string>& row, const TekiRowHits& hits);
BgrColor WinPlaceCellColor(int col, const std::vector<std::string>& row, const TekiRowHits& hits);

// "東京  3回 8日11R": class name, the second digit of the meeting and of the day, "%2d" race number.
std::string TekiRaceLabel(const RaceInfo& info);

// The result flags of one race as the statistics set them, except that a payout combination reading " 0- 0"
// counts as absent.
void SetTekiResultFlags(DayModel& day, int slot);

// The cells of a race's row in the quinella/wide grid (16) and the win/place grid (6).
std::vector<std::string> QuinellaWideRow(const DayModel& day, int slot);
std::vector<std::string> WinPlaceRow(const DayModel& day, int slot);

// The venue names of the scopes V1..V3 (element 0 unused): CourseClassName of the day's venue codes in
// ascending order, "――" where the day has fewer venues.
std::array<std::string, 4> TekiVenueNames(const DayModel& day);

// The five summary texts of a bet type in a scope: "%3d点" tickets, "%3d点" hits, "%5d円" stake, "%7d円"
// payout, "%6.1f%" rate (7 blanks without tickets).
std::array<std::string, 5> TekiSummary(const DayModel& day, BetType type, int scope);

// The file whose presence allows the clipboard copy.
std::filesystem::path VerificationMarkerPath(const std::filesystem::path& appDir);

// ---- The window ----

class HitWindow : public QDialog {
 public:
  // Builds the window and fills it from `day` (whose result flags it sets); `dayName` is the CP932 DayName
  // the date box shows, `raceLines` the number of lines of the race list.
  HitWindow(QWidget* parent, DayModel& day, const std::string& dayName, int raceLines);
  ~HitWindow() override;

  // Handlers.
  void DrawQuinellaWideCell(gui::Canvas& canvas, int col, int row, const QRect& rect);
  void DrawWinPlaceCell(gui::Canvas& canvas, int col, int row, const QRect& rect);
  // A released mouse leaves no cell selected.
  void ClearQuinellaWideSelection();
  void ClearWinPlaceSelection();
  // The tab's title, summary and grid as one printed page.
  void PrintQuinellaWideTab();
  void PrintWinPlaceTab();
  // With the marker file: the caption, the DayName and the four all-venue rates as shown, on the clipboard.
  void CopySummaryToClipboard();
  // The hidden test button: numbered sample texts in every summary label and grid cell, to check the layout.
  void FillWithLayoutSamples();
  // Draws `grid` onto the preview's open page at (left, top) page units, each screen pixel of it `scale` units.
  void DrawGridPage(gui::StringGrid& grid, int left, int top, double scale);

  QTabWidget* Tabs = nullptr;
  QWidget* QuinellaWideTab = nullptr;
  QWidget* WinPlaceTab = nullptr;
  QWidget* PrintPreviewTab = nullptr;
  QFrame* QuinellaWideSummaryFrame = nullptr;
  QFrame* WinPlaceSummaryFrame = nullptr;
  gui::StringGrid* QuinellaWideGrid = nullptr;
  gui::StringGrid* WinPlaceGrid = nullptr;
  QPushButton* QuinellaWidePrintButton = nullptr;
  QPushButton* WinPlacePrintButton = nullptr;
  QPushButton* LayoutSampleButton = nullptr;
  QScrollArea* PreviewScrollArea = nullptr;
  PrintPreview* Preview = nullptr;

  // The summary labels per tab: title, scope names [4] and values [scope][row][column].
  struct SummaryPanel {
    Label3D* title = nullptr;
    std::array<Label3D*, 4> scopeNames{};
    std::array<std::array<std::array<Label3D*, 5>, 2>, 4> values{};
  };
  SummaryPanel QuinellaWideSummary, WinPlaceSummary;

 protected:
  // A click on the quinella/wide summary panel.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  QFrame* MakePanel(QWidget* tab, SummaryPanel& panel, const char* firstBetWord, const char* secondBetWord);
  void Fill(const std::string& dayName, int raceLines);
  void FillSummary(SummaryPanel& panel, BetType first, BetType second);
  void PrintTab(const SummaryPanel& panel, gui::StringGrid& grid, const char* firstBetWord, const char* secondBetWord);
  std::vector<std::string> RowTexts(const gui::StringGrid& grid, int row) const;

  DayModel& day_;
  std::string dayName_;
  std::vector<TekiRowHits> rowHits_;  // by grid row
};

// "判定": the hit window of the loaded day, shown modally. Without a day (blank `dayName`) or without a race
// in the race list it beeps and says "ﾃﾞｰﾀを読み込んでください。" instead.
void ShowHitWindow(QWidget* parent, DayModel& day, const std::string& dayName, int raceLines);

// "的中" / "穴的中": the HTML hit report of the loaded day (see BuildHitReport). With at least two hits it
// opens the day file with the desktop's handler and puts it on the clipboard; files that could not be written
// are named in a warning box. The caller leaves the race view on the day's last race afterwards.
HitReportResult WriteHitReport(QWidget* parent, const DayModel& day, HitReportKind kind);

}  // namespace corvina::analysis
