#include "racedata/ui/OddsSchejUnit.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "components/ui/Label3Dj.h"
#include "platform/Cp932.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Printer.h"
#include "platform/gui/StringGrid.h"
#include "racedata/ui/GridPrint.h"

namespace corvina {

namespace {

QString Q(const std::string& cp932) { return QString::fromStdString(FromCp932(cp932)); }

constexpr int kColumns = 6;
constexpr const char* kHeaders[kColumns] = {"レース", "発走時刻", "1回目時刻", "取得済時刻", "2回目時刻", "取得済時刻"};
const QColor kScheduledColour(0xC1, 0xFF, 0xFF);
const QColor kTakenColour(0xFC, 0xCC, 0xEE);

}  // namespace

std::function<void(TOddsSchejForm&)> TOddsSchejForm::RunWindow = [](TOddsSchejForm& form) { form.exec(); };

TOddsSchejForm::TOddsSchejForm(const OddsSchejContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
  setWindowTitle(QStringLiteral("オッズ手動取得"));
  setModal(true);
  auto* top = new QVBoxLayout(this);
  DateLabel = new TLabel3Dj(this);
  DateLabel->SetFontSize(12);
  DateLabel->SetFontBold(true);
  DateLabel->setMinimumHeight(28);
  top->addWidget(DateLabel);

  auto* body = new QHBoxLayout;
  CheckListBox1 = new QListWidget(this);
  CheckListBox1->setFixedWidth(150);
  CheckListBox1->setStatusTip(QStringLiteral("オッズを取得するレースにチェックを付けます"));
  N1 = new QAction(QStringLiteral("全て選択"), CheckListBox1);
  N2 = new QAction(QStringLiteral("全て解除"), CheckListBox1);
  CheckListBox1->addAction(N1);
  CheckListBox1->addAction(N2);
  CheckListBox1->setContextMenuPolicy(Qt::ActionsContextMenu);
  body->addWidget(CheckListBox1);

  StringGrid1 = new gui::StringGrid(this);
  StringGrid1->setFont(QFont(gui::kPGothic, 9));
  body->addWidget(StringGrid1, 1);
  top->addLayout(body, 1);

  auto* bottom = new QHBoxLayout;
  OzGetBtn = new QPushButton(QStringLiteral("ｵｯｽﾞを今すぐ取得"), this);
  bottom->addWidget(OzGetBtn);
  SpeedButton1 = new QPushButton(QStringLiteral("ｽｹｼﾞｭｰﾙ表印刷"), this);
  bottom->addWidget(SpeedButton1);
  ProgressLabel = new TLabel3Dj(this);
  ProgressLabel->setMinimumWidth(160);
  bottom->addWidget(ProgressLabel, 1);
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setValue(0);
  bottom->addWidget(ProgressBar1, 1);
  top->addLayout(bottom);

  connect(N1, &QAction::triggered, this, &TOddsSchejForm::N1Click);
  connect(N2, &QAction::triggered, this, &TOddsSchejForm::N2Click);
  connect(OzGetBtn, &QPushButton::clicked, this, &TOddsSchejForm::OzGetBtnClick);
  connect(SpeedButton1, &QPushButton::clicked, this, &TOddsSchejForm::SpeedButton1Click);
  connect(StringGrid1, &gui::StringGrid::MouseUp, this, &TOddsSchejForm::StringGrid1MouseUp);
  StringGrid1->SetOnDrawCell([this](gui::Canvas& c, int col, int row, const QRect& r, gui::CellState) {
    StringGrid1DrawCell(c, col, row, r);
  });
  StrGridPrinter1.TopMargin = 12;  // room for the two heading lines
  StrGridPrinter1.OnBeginPage = [this](TStrGridPrinter& sender) { StrGridPrinter1BeginPage(sender); };
  FormCreate();
  resize(680, 560);
}

TOddsSchejForm::~TOddsSchejForm() { SetBusyCursor(false); }

void TOddsSchejForm::FormCreate() {
  ManualOddsUi& ui = *this;
  fetcher_ = std::make_unique<ManualOddsFetcher>(context_.link, context_.day, context_.gate, ui);
  StringGrid1->SetColCount(kColumns);
  StringGrid1->SetRowCount(2);
  StringGrid1->SetFixedCols(0);
  StringGrid1->SetFixedRows(1);
  for (int c = 0; c < kColumns; ++c) {
    StringGrid1->SetColWidth(c, c == 0 ? 100 : 70);
    StringGrid1->SetCell(c, 0, QString::fromUtf8(kHeaders[c]));
  }
}

void TOddsSchejForm::Execute(QWidget* parent, const OddsSchejContext& context) {
  const auto loaded = DayName::ParseUtf8Prefix(context.dateText.trimmed().toStdString());
  const ManualOddsRefusal refusal =
      CheckManualOdds(context.dateText.trimmed().isEmpty() ? std::nullopt : loaded, Clock::Now(), context.day.Table);
  if (refusal != ManualOddsRefusal::None) {
    gui::MessageBeep();
    gui::ShowInformation(parent, Q(RefusalText(refusal)));
    if (refusal == ManualOddsRefusal::EarlyCards && context.stopAutoOdds) context.stopAutoOdds();
    return;
  }
  TOddsSchejForm form(context, parent);
  form.Fill();
  RunWindow(form);
}

void TOddsSchejForm::Fill() {
  DateLabel->SetCaption(context_.dateText.trimmed());
  const int races = std::clamp(context_.day.GRaceTotal, 0, kSlots);
  CheckListBox1->clear();
  StringGrid1->SetRowCount(races + 1);
  for (int slot = 0; slot < races; ++slot) {
    const auto cells = OddsSchejRowTexts(context_.day, slot);
    auto* item = new QListWidgetItem(Q(cells[0]), CheckListBox1);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    for (int c = 0; c < kColumns; ++c) StringGrid1->SetCell(c, slot + 1, Q(cells[static_cast<size_t>(c)]));
  }
}

std::vector<bool> TOddsSchejForm::Ticked() const {
  std::vector<bool> ticked;
  for (int i = 0; i < CheckListBox1->count(); ++i)
    ticked.push_back(CheckListBox1->item(i)->checkState() == Qt::Checked);
  return ticked;
}

void TOddsSchejForm::SetAllTicks(bool on) {
  for (int i = 0; i < CheckListBox1->count(); ++i)
    CheckListBox1->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

void TOddsSchejForm::N1Click() { SetAllTicks(true); }
void TOddsSchejForm::N2Click() { SetAllTicks(false); }

void TOddsSchejForm::OzGetBtnClick() {
  OzGetBtn->setEnabled(false);
  fetcher_->OzGetBtnClick(Ticked());
  OzGetBtn->setEnabled(true);
}

void TOddsSchejForm::StringGrid1DrawCell(gui::Canvas& canvas, int col, int row, const QRect& rect) {
  if (row > 0) {
    switch (col) {
      case 0: canvas.SetBrushColor(QApplication::palette().color(QPalette::ToolTipBase)); break;
      case 1: canvas.SetBrushColor(Qt::white); break;
      case 2:
      case 4: canvas.SetBrushColor(kScheduledColour); break;
      default: canvas.SetBrushColor(kTakenColour); break;
    }
  } else {
    canvas.SetBrushColor(StringGrid1->palette().color(QPalette::Button));
  }
  canvas.FillRect(rect);
  canvas.SetFont(StringGrid1->font());
  canvas.SetBrushClear(true);
  const QString text = StringGrid1->Cell(col, row);
  canvas.TextOut(rect.left() + (rect.width() - canvas.TextExtent(text).width()) / 2, rect.top() + 2, text);
}

void TOddsSchejForm::StringGrid1MouseUp() { StringGrid1->SetSelection(gui::GridRect{}); }

void TOddsSchejForm::SpeedButton1Click() {
  PrintGridJob(this, StrGridPrinter1, StringGrid1);
}

void TOddsSchejForm::StrGridPrinter1BeginPage(TStrGridPrinter& sender) {
  gui::Canvas& canvas = gui::Printer().PageCanvas();
  canvas.TextOut(sender.MmToPixelX(10), sender.MmToPixelY(4),
                 QStringLiteral("コルヴィナ for JRA-VAN Data Lab.　ｵｯｽﾞ取得ｽｹｼﾞｭｰﾙ表"));
  canvas.TextOut(sender.MmToPixelX(10), sender.MmToPixelY(8), DateLabel->Caption());
}

void TOddsSchejForm::done(int result) {
  // The fetch's loop is still on the stack: the window stays until it has finished.
  if (fetcher_->Fetching()) return;
  if (context_.reload) context_.reload();
  QDialog::done(result);
}

bool TOddsSchejForm::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) StringGrid1MouseUp();  // FormActivate: no cell looks chosen
  return QDialog::event(e);
}

void TOddsSchejForm::Beep() { gui::MessageBeep(); }

void TOddsSchejForm::Inform(const std::string& text) { gui::ShowInformation(this, Q(text)); }

void TOddsSchejForm::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

void TOddsSchejForm::SetProgress(int position, int max) {
  ProgressBar1->setMaximum(std::max(max, 1));
  ProgressBar1->setValue(std::clamp(position, 0, std::max(max, 1)));
}

void TOddsSchejForm::SetProgressLabel(const std::string& text) { ProgressLabel->SetCaption(Q(text)); }

void TOddsSchejForm::SetBusyCursor(bool busy) {
  if (busy == busyCursor_) return;
  busyCursor_ = busy;
  if (busy) QApplication::setOverrideCursor(Qt::BusyCursor);
  else QApplication::restoreOverrideCursor();
}

}  // namespace corvina
