#include "mainwindow/Commands.h"

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

QString GridRangeText(const gui::StringGrid& Grid, int Left, int Top, const QString& Title, int Bottom, int Right) {
  if (Left > Right || Bottom < Top || Right < 0 || Bottom < 0 || Left >= Grid.ColCount() || Top >= Grid.RowCount())
    return {};
  Left = std::max(Left, 0);
  Top = std::max(Top, 0);
  Right = std::min(Right, Grid.ColCount() - 1);
  Bottom = std::min(Bottom, Grid.RowCount() - 1);
  const QString crlf = QStringLiteral("\r\n");
  QString text = Title + crlf;
  for (int row = Top; row <= Bottom; ++row) {
    for (int col = Left; col < Right; ++col) text += Grid.Cell(col, row) + QLatin1Char('\t');
    text += Grid.Cell(Right, row) + crlf;
  }
  return text;
}

void CopyGridRangeToClipboard(const gui::StringGrid& Grid, int Left, int Top, const QString& Title, int Bottom,
                              int Right) {
  QGuiApplication::clipboard()->setText(GridRangeText(Grid, Left, Top, Title, Bottom, Right));
}

QString RaceCardTitle(const QString& dateHeader, const std::string& raceKey) {
  return dateHeader + QString::fromStdString(FormatInt(StrToIntLenient(Copy(raceKey, 15, 2)), 2)) +
         QLatin1Char('R');
}

void CopyRaceCardToClipboard(const gui::StringGrid& StringGrid2, const QString& dateHeader,
                             const std::string& raceKey) {
  CopyGridRangeToClipboard(StringGrid2, 0, 0, RaceCardTitle(dateHeader, raceKey), StringGrid2.RowCount() - 1,
                           StringGrid2.ColCount() - 1);
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
