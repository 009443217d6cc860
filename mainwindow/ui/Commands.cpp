#include "mainwindow/ui/Commands.h"

#include <QClipboard>
#include <QGuiApplication>
#include <algorithm>
#include <system_error>

#include "platform/Text.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Printer.h"
#include "platform/gui/Shell.h"
#include "platform/gui/StringGrid.h"

namespace corvina {

QString GridRangeText(const gui::StringGrid& grid, int left, int top, const QString& title, int bottom, int right) {
  if (left > right || bottom < top || right < 0 || bottom < 0 || left >= grid.ColCount() || top >= grid.RowCount())
    return {};
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, grid.ColCount() - 1);
  bottom = std::min(bottom, grid.RowCount() - 1);
  const QString crlf = QStringLiteral("\r\n");
  QString text = title + crlf;
  for (int row = top; row <= bottom; ++row) {
    for (int col = left; col < right; ++col) text += grid.Cell(col, row) + QLatin1Char('\t');
    text += grid.Cell(right, row) + crlf;
  }
  return text;
}

void CopyGridRangeToClipboard(const gui::StringGrid& grid, int left, int top, const QString& title, int bottom,
                              int right) {
  QGuiApplication::clipboard()->setText(GridRangeText(grid, left, top, title, bottom, right));
}

QString RaceCardTitle(const QString& dateHeader, const std::string& raceKey) {
  return dateHeader + QString::fromStdString(FormatInt(StrToIntLenient(Copy(raceKey, 15, 2)), 2)) + QLatin1Char('R');
}

void CopyRaceCardToClipboard(const gui::StringGrid& raceCard, const QString& dateHeader, const std::string& raceKey) {
  CopyGridRangeToClipboard(raceCard, 0, 0, RaceCardTitle(dateHeader, raceKey), raceCard.RowCount() - 1,
                           raceCard.ColCount() - 1);
}

bool ShowHelpContents(QWidget* parent, const std::filesystem::path& helpFile) {
  const QString shown = QString::fromStdString(helpFile.string());
  std::error_code ec;
  if (!std::filesystem::is_regular_file(helpFile, ec)) {
    gui::MessageBeep();
    gui::ShowInformation(parent, QStringLiteral("ヘルプファイルが見つかりません。\n") + shown);
    return false;
  }
  if (!gui::OpenDocument(shown)) {
    gui::MessageBeep();
    gui::ShowInformation(parent, QStringLiteral("ヘルプファイルを表示できるアプリケーションがありません。\n") + shown);
    return false;
  }
  return true;
}

bool PrintSetup(QWidget* parent) {
  gui::PrinterDevice& printer = gui::Printer();
  if (!printer.Installed()) {
    gui::ShowPrinterError(parent, gui::kNoPrinterMessage);
    return false;
  }
  return printer.SetupDialog(parent);
}

}  // namespace corvina
