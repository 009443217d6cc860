#pragma once
// The window "的中判定" shows how the loaded day went: every race with its tickets and what they paid, coloured
// by hit, and the return rates per bet type for all venues and up to three venues. It prints both tables and
// writes the HTML hit report when asked.
//
// The texts, colours and summary figures are worked out in analysis/HitTable; the window only lays them out.
#include <QDialog>
#include <array>
#include <string>
#include <vector>

#include "analysis/HitReport.h"
#include "analysis/HitTable.h"
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

class HitWindow : public QDialog {
 public:
  // Builds the window and fills it from `day`; `dayName` is the CP932 DayName the date box shows, `raceLines`
  // the number of lines of the race list.
  HitWindow(QWidget* parent, const DayModel& day, const std::string& dayName, int raceLines);
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

  const DayModel& day_;
  std::string dayName_;
  std::vector<RowHits> rowHits_;  // by grid row
};

// "判定": the hit window of the loaded day, shown modally. Without a day (blank `dayName`) or without a race
// in the race list it beeps and says "ﾃﾞｰﾀを読み込んでください。" instead.
void ShowHitWindow(QWidget* parent, const DayModel& day, const std::string& dayName, int raceLines);

// "的中" / "穴的中": the HTML hit report of the loaded day (see BuildHitReport). With at least two hits it
// opens the day file with the desktop's handler and puts it on the clipboard; files that could not be written
// are named in a warning box. The caller leaves the race view on the day's last race afterwards.
HitReportResult WriteHitReport(QWidget* parent, const DayModel& day, HitReportKind kind);

}  // namespace corvina::analysis
