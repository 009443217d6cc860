#include "racedata/ui/ManualOddsWindow.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "components/ui/Label3D.h"
#include "platform/Cp932.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Printer.h"
#include "platform/gui/QtText.h"
#include "platform/gui/StringGrid.h"
#include "racedata/ui/GridPrint.h"

namespace corvina {

namespace {

using gui::Q;

constexpr int kColumns = 6;
constexpr const char* kHeaders[kColumns] = {"レース", "発走時刻", "1回目時刻", "取得済時刻", "2回目時刻", "取得済時刻"};
const QColor kScheduledColour(0xC1, 0xFF, 0xFF);
const QColor kTakenColour(0xFC, 0xCC, 0xEE);

}  // namespace

std::function<void(ManualOddsWindow&)> ManualOddsWindow::RunWindow = [](ManualOddsWindow& form) { form.exec(); };

ManualOddsWindow::ManualOddsWindow(const ManualOddsContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
  setWindowTitle(QStringLiteral("オッズ手動取得"));
  setModal(true);
  auto* top = new QVBoxLayout(this);
  DateLabel = new Label3D(this);
  DateLabel->SetFontSize(12);
  DateLabel->SetFontBold(true);
  DateLabel->setMinimumHeight(28);
  top->addWidget(DateLabel);

  auto* body = new QHBoxLayout;
  RaceTickList = new QListWidget(this);
  RaceTickList->setFixedWidth(150);
  RaceTickList->setStatusTip(QStringLiteral("オッズを取得するレースにチェックを付けます"));
  TickAllAction = new QAction(QStringLiteral("全て選択"), RaceTickList);
  UntickAllAction = new QAction(QStringLiteral("全て解除"), RaceTickList);
  RaceTickList->addAction(TickAllAction);
  RaceTickList->addAction(UntickAllAction);
  RaceTickList->setContextMenuPolicy(Qt::ActionsContextMenu);
  body->addWidget(RaceTickList);

  ScheduleGrid = new gui::StringGrid(this);
  ScheduleGrid->setFont(QFont(gui::kPGothic, 9));
  body->addWidget(ScheduleGrid, 1);
  top->addLayout(body, 1);

  auto* bottom = new QHBoxLayout;
  FetchOddsButton = new QPushButton(QStringLiteral("ｵｯｽﾞを今すぐ取得"), this);
  bottom->addWidget(FetchOddsButton);
  PrintScheduleButton = new QPushButton(QStringLiteral("ｽｹｼﾞｭｰﾙ表印刷"), this);
  bottom->addWidget(PrintScheduleButton);
  FetchProgressBar = new QProgressBar(this);
  FetchProgressBar->setValue(0);
  bottom->addWidget(FetchProgressBar, 1);
  top->addLayout(bottom);
  // The progress has a line of its own under the buttons, as wide as the window: a failure it ends with names
  // a day file by its whole path, which goes on over more lines rather than be cut. Its text does not widen the
  // window.
  ProgressLabel = new Label3D(this);
  ProgressLabel->SetLayout(Label3D::TextLayout::Top);
  ProgressLabel->SetWordWrap(true);
  ProgressLabel->setSizePolicy(QSizePolicy::Ignored, ProgressLabel->sizePolicy().verticalPolicy());
  top->addWidget(ProgressLabel);

  connect(TickAllAction, &QAction::triggered, this, &ManualOddsWindow::TickAllRaces);
  connect(UntickAllAction, &QAction::triggered, this, &ManualOddsWindow::UntickAllRaces);
  connect(FetchOddsButton, &QPushButton::clicked, this, &ManualOddsWindow::FetchOddsOfTickedRaces);
  connect(PrintScheduleButton, &QPushButton::clicked, this, &ManualOddsWindow::PrintSchedule);
  connect(ScheduleGrid, &gui::StringGrid::MouseUp, this, &ManualOddsWindow::ClearGridSelection);
  ScheduleGrid->SetOnDrawCell(
      [this](gui::Canvas& c, int col, int row, const QRect& r, gui::CellState) { DrawScheduleCell(c, col, row, r); });
  SchedulePrinter.TopMargin = 12;  // room for the two heading lines
  SchedulePrinter.OnBeginPage = [this](GridPrinter& sender) { PrintPageHeading(sender); };
  PrepareFetcherAndGrid();
  resize(680, 560);
}

ManualOddsWindow::~ManualOddsWindow() { SetBusyCursor(false); }

void ManualOddsWindow::PrepareFetcherAndGrid() {
  ManualOddsUi& ui = *this;
  fetcher_ = std::make_unique<ManualOddsFetcher>(context_.link, context_.day, context_.gate, ui);
  ScheduleGrid->SetColCount(kColumns);
  ScheduleGrid->SetRowCount(2);
  ScheduleGrid->SetFixedCols(0);
  ScheduleGrid->SetFixedRows(1);
  for (int c = 0; c < kColumns; ++c) {
    ScheduleGrid->SetColWidth(c, c == 0 ? 100 : 70);
    ScheduleGrid->SetCell(c, 0, QString::fromUtf8(kHeaders[c]));
  }
}

void ManualOddsWindow::Execute(QWidget* parent, const ManualOddsContext& context) {
  const auto loaded = DayName::ParseUtf8Prefix(context.dateText.trimmed().toStdString());
  const ManualOddsRefusal refusal =
      CheckManualOdds(context.dateText.trimmed().isEmpty() ? std::nullopt : loaded, Clock::Now(), context.day.Table);
  if (refusal != ManualOddsRefusal::None) {
    gui::MessageBeep();
    gui::ShowInformation(parent, Q(RefusalText(refusal)));
    if (refusal == ManualOddsRefusal::EarlyCards && context.stopAutoOdds) context.stopAutoOdds();
    return;
  }
  ManualOddsWindow form(context, parent);
  form.Fill();
  RunWindow(form);
}

void ManualOddsWindow::Fill() {
  DateLabel->SetCaption(context_.dateText.trimmed());
  const int races = std::clamp(context_.day.GRaceTotal, 0, kSlots);
  RaceTickList->clear();
  ScheduleGrid->SetRowCount(races + 1);
  for (int slot = 0; slot < races; ++slot) {
    const auto cells = ManualOddsRowTexts(context_.day, slot);
    auto* item = new QListWidgetItem(Q(cells[0]), RaceTickList);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    for (int c = 0; c < kColumns; ++c) ScheduleGrid->SetCell(c, slot + 1, Q(cells[static_cast<size_t>(c)]));
  }
}

std::vector<bool> ManualOddsWindow::Ticked() const {
  std::vector<bool> ticked;
  for (int i = 0; i < RaceTickList->count(); ++i) ticked.push_back(RaceTickList->item(i)->checkState() == Qt::Checked);
  return ticked;
}

void ManualOddsWindow::SetAllTicks(bool on) {
  for (int i = 0; i < RaceTickList->count(); ++i)
    RaceTickList->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

void ManualOddsWindow::TickAllRaces() { SetAllTicks(true); }
void ManualOddsWindow::UntickAllRaces() { SetAllTicks(false); }

void ManualOddsWindow::FetchOddsOfTickedRaces() {
  FetchOddsButton->setEnabled(false);
  fetcher_->FetchTickedRaces(Ticked());
  FetchOddsButton->setEnabled(true);
}

void ManualOddsWindow::DrawScheduleCell(gui::Canvas& canvas, int col, int row, const QRect& rect) {
  if (row > 0) {
    switch (col) {
      case 0: canvas.SetBrushColor(QApplication::palette().color(QPalette::ToolTipBase)); break;
      case 1: canvas.SetBrushColor(Qt::white); break;
      case 2:
      case 4: canvas.SetBrushColor(kScheduledColour); break;
      default: canvas.SetBrushColor(kTakenColour); break;
    }
  } else {
    canvas.SetBrushColor(ScheduleGrid->palette().color(QPalette::Button));
  }
  canvas.FillRect(rect);
  canvas.SetFont(ScheduleGrid->font());
  canvas.SetBrushClear(true);
  const QString text = ScheduleGrid->Cell(col, row);
  canvas.TextOut(rect.left() + (rect.width() - canvas.TextExtent(text).width()) / 2, rect.top() + 2, text);
}

void ManualOddsWindow::ClearGridSelection() { ScheduleGrid->SetSelection(gui::GridRect{}); }

void ManualOddsWindow::PrintSchedule() { PrintGridJob(this, SchedulePrinter, ScheduleGrid); }

void ManualOddsWindow::PrintPageHeading(GridPrinter& sender) {
  gui::Canvas& canvas = gui::Printer().PageCanvas();
  canvas.TextOut(sender.MmToPixelX(10), sender.MmToPixelY(4),
                 QStringLiteral("コルヴィナ for JRA-VAN Data Lab.　ｵｯｽﾞ取得ｽｹｼﾞｭｰﾙ表"));
  canvas.TextOut(sender.MmToPixelX(10), sender.MmToPixelY(8), DateLabel->Caption());
}

void ManualOddsWindow::done(int result) {
  // The fetch's loop is still on the stack: the window stays until it has finished.
  if (fetcher_->Fetching()) return;
  if (context_.reload) context_.reload();
  QDialog::done(result);
}

bool ManualOddsWindow::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) ClearGridSelection();
  return QDialog::event(e);
}

void ManualOddsWindow::Beep() { gui::MessageBeep(); }

void ManualOddsWindow::Inform(const std::string& text) { gui::ShowInformation(this, Q(text)); }

void ManualOddsWindow::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

void ManualOddsWindow::SetProgress(int position, int max) {
  FetchProgressBar->setMaximum(std::max(max, 1));
  FetchProgressBar->setValue(std::clamp(position, 0, std::max(max, 1)));
}

void ManualOddsWindow::SetProgressLabel(const std::string& text) { ProgressLabel->SetCaption(Q(text)); }

void ManualOddsWindow::SetBusyCursor(bool busy) {
  if (busy == busyCursor_) return;
  busyCursor_ = busy;
  if (busy)
    QApplication::setOverrideCursor(Qt::BusyCursor);
  else
    QApplication::restoreOverrideCursor();
}

}  // namespace corvina
