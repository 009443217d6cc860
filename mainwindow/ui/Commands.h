#pragma once
// The small commands of the main window that need more than a line: the race card to the clipboard, the help
// file and the printer set-up. The window's handlers call these with its controls.
#include <QString>
#include <filesystem>
#include <string>

class QWidget;

namespace corvina {
namespace gui {
class StringGrid;
}

// The cells left..right of rows top..bottom as the clipboard takes them: title and CR LF, then each row's cells
// joined by TABs and ended by CR LF. A range that lies outside the grid gives an empty text; one that reaches
// beyond it is cut at the last row and column.
QString GridRangeText(const gui::StringGrid& grid, int left, int top, const QString& title, int bottom, int right);

// Puts GridRangeText on the clipboard (an empty text for a range outside the grid).
void CopyGridRangeToClipboard(const gui::StringGrid& grid, int left, int top, const QString& title, int bottom,
                              int right);

// The title of a copied race card: the race's date and meeting text (as the race header shows it) and the race
// number of its RaceKey as "%2dR".
QString RaceCardTitle(const QString& dateHeader, const std::string& raceKey);

// The whole race card grid, with RaceCardTitle, on the clipboard.
void CopyRaceCardToClipboard(const gui::StringGrid& raceCard, const QString& dateHeader, const std::string& raceKey);

// Shows the contents of the help file with the desktop's viewer. A missing file, or a desktop with no viewer
// for it, gets a beep and an information box; false then.
bool ShowHelpContents(QWidget* parent, const std::filesystem::path& helpFile);

// The printing system's set-up dialog for the program's printer. Without a printer: a beep and the
// no-printer message; false then, and false when the dialog is cancelled.
bool PrintSetup(QWidget* parent);

}  // namespace corvina
