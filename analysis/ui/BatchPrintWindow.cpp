#include "analysis/ui/BatchPrintWindow.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSplitter>
#include <QVBoxLayout>
#include <algorithm>

#include "analysis/ui/RacePages.h"
#include "components/ui/PrintPreview.h"
#include "components/ui/StoredWindowBounds.h"
#include "platform/Cp932.h"
#include "platform/Text.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Printer.h"
#include "platform/gui/QtText.h"
#include "platform/gui/UpDown.h"
#include "platform/gui/WindowBounds.h"
#include "racedata/DayModel.h"
#include "racedata/RacingTexts.h"

namespace corvina {

namespace {

// The zoom of each choice, by the index the settings keep.
constexpr std::array<int, 4> kZooms{25, 50, 75, 100};
static_assert(kPrintZoomIndex.min == 0 && kPrintZoomIndex.max == int{kZooms.size()} - 1);
// The choice the window is made with, as a missing setting reads; the preview starts at its zoom.
constexpr int kInitialZoomIndex = kPrintZoomIndex.defaultValue;

using gui::Q;

}  // namespace

std::string PrintCourseName(std::string_view code) {
  static const std::array<std::string, 10> names{ToCp932("札幌"), ToCp932("函館"), ToCp932("福島"), ToCp932("新潟"),
                                                 ToCp932("東京"), ToCp932("中山"), ToCp932("中京"), ToCp932("京都"),
                                                 ToCp932("阪神"), ToCp932("小倉")};
  const std::string digits = Trim(code);
  const int n = StrToIntLenient(digits);
  const bool numeric =
      !digits.empty() && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (numeric && n >= 1 && n <= 10) return names[static_cast<size_t>(n - 1)];
  // Local and overseas courses are named as the race view names them, so no item starts without a name.
  return TrimRight(CourseName(code, 2));
}

BatchPrintWindow::BatchPrintWindow(const DayModel& day, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("全買い目印刷"));
  setWindowFlags(Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
  auto* top = new QVBoxLayout(this);
  top->setContentsMargins(0, 0, 0, 0);

  // The bar is as high as the two rows of zoom choices under their title need, at every size of the window.
  ControlBar = new QWidget(this);
  auto* bar = new QHBoxLayout(ControlBar);
  PageLabel = new QLabel(QStringLiteral("ﾍﾟｰｼﾞ選択"), ControlBar);
  PageSelector = new gui::UpDown(ControlBar, Qt::Horizontal);
  PageSelector->SetMin(0);
  PageSelector->SetPosition(0);
  PrintShownPageButton = new QPushButton(QStringLiteral("表示ﾍﾟｰｼﾞ印刷(&P)"), ControlBar);
  PrintTickedPagesButton = new QPushButton(QStringLiteral("指定ﾍﾟｰｼﾞ印刷(&P)"), ControlBar);
  PrinterSetupButton = new QPushButton(QStringLiteral("ﾌﾟﾘﾝﾀ設定(&S)"), ControlBar);
  CloseButton = new QPushButton(QStringLiteral("閉じる"), ControlBar);
  auto* zoomBox = new QGroupBox(QStringLiteral("倍率"), ControlBar);
  auto* zoomGrid = new QGridLayout(zoomBox);
  zoomGrid->setContentsMargins(4, 0, 4, 0);
  ZoomChoice = new QButtonGroup(this);
  for (int i = kPrintZoomIndex.min; i <= kPrintZoomIndex.max; ++i) {
    auto* b = new QRadioButton(QStringLiteral("%1%").arg(kZooms[static_cast<size_t>(i)]), zoomBox);
    ZoomChoice->addButton(b, i);
    zoomGrid->addWidget(b, i / 2, i % 2);
  }
  ZoomChoice->button(kInitialZoomIndex)->setChecked(true);
  auto* selectBox = new QGroupBox(QStringLiteral("選択指定"), ControlBar);
  auto* selectRow = new QHBoxLayout(selectBox);
  selectRow->setContentsMargins(4, 0, 4, 0);
  TickAllButton = new QPushButton(QStringLiteral("全選択"), selectBox);
  UntickAllButton = new QPushButton(QStringLiteral("全ｸﾘｱ"), selectBox);
  selectRow->addWidget(TickAllButton);
  selectRow->addWidget(UntickAllButton);
  // Two rows of buttons beside the two rows of zoom choices, so the bar fits the window's width.
  auto* printButtons = new QGridLayout;
  printButtons->setSpacing(2);
  printButtons->addWidget(PrintShownPageButton, 0, 0);
  printButtons->addWidget(PrintTickedPagesButton, 1, 0);
  printButtons->addWidget(PrinterSetupButton, 0, 1);
  printButtons->addWidget(CloseButton, 1, 1);
  for (QAbstractButton* b :
       {PrintShownPageButton, PrintTickedPagesButton, PrinterSetupButton, CloseButton, TickAllButton, UntickAllButton})
    gui::NarrowToCaption(*b);
  bar->addWidget(PageLabel);
  bar->addWidget(PageSelector, 0, Qt::AlignVCenter);
  bar->addLayout(printButtons);
  bar->addWidget(zoomBox);
  bar->addWidget(selectBox);
  bar->addStretch(1);
  bar->setContentsMargins(4, 2, 4, 2);
  top->addWidget(ControlBar);

  auto* splitter = new QSplitter(Qt::Horizontal, this);
  PreviewScrollArea = new QScrollArea(splitter);
  Preview = new PrintPreview;
  Preview->resize(417, 581);
  Preview->SetZoomScale(kZooms[kInitialZoomIndex]);
  PreviewScrollArea->setWidget(Preview);
  RaceCheckList = new QListWidget(splitter);
  RaceCheckList->setFont(QFont(gui::kGothic, 9));
  splitter->addWidget(PreviewScrollArea);
  splitter->addWidget(RaceCheckList);
  splitter->setStretchFactor(0, 1);
  splitter->setSizes({539, 91});
  top->addWidget(splitter, 1);

  connect(ZoomChoice, &QButtonGroup::idClicked, this, [this] { ApplyZoomChoice(); });
  connect(PageSelector, &gui::UpDown::Clicked, this, [this] { ShowSelectedPage(); });
  connect(PrintShownPageButton, &QPushButton::clicked, this, [this] { PrintShownPage(); });
  connect(PrintTickedPagesButton, &QPushButton::clicked, this, [this] { PrintTickedPages(); });
  connect(PrinterSetupButton, &QPushButton::clicked, this, [this] { SetUpPrinter(); });
  connect(CloseButton, &QPushButton::clicked, this, [this] { close(); });
  connect(TickAllButton, &QPushButton::clicked, this, [this] { TickAllRaces(); });
  connect(UntickAllButton, &QPushButton::clicked, this, [this] { UntickAllRaces(); });

  Settings.Loaded();
  RestoreSettingsAndListRaces(day);
}

BatchPrintWindow::~BatchPrintWindow() = default;

void BatchPrintWindow::RestoreSettingsAndListRaces(const DayModel& day) {
  bounds_.Restore(*this, ReadWindowBounds(Settings, kPrintWindowBounds));
  const int ratio = Settings.Read(kPrintZoomIndex);
  if (ratio != ZoomIndex()) SetZoomIndex(ratio);

  for (const RaceInfo& info : day.Races) {
    if (info.HasData != 1) continue;
    auto* item = new QListWidgetItem(Q(PrintCourseName(Copy(info.RaceKey, 9, 2)) + Copy(info.RaceKey, 15, 2) + "R"),
                                     RaceCheckList);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
}

int BatchPrintWindow::ZoomIndex() const { return ZoomChoice->checkedId(); }

void BatchPrintWindow::SetZoomIndex(int index) {
  if (QAbstractButton* b = ZoomChoice->button(index)) {
    b->setChecked(true);
    ApplyZoomChoice();
  }
}

void BatchPrintWindow::ApplyZoomChoice() {
  const int index = ZoomIndex();
  if (index < kPrintZoomIndex.min || index > kPrintZoomIndex.max) return;
  Preview->SetZoomScale(kZooms[static_cast<size_t>(index)]);
  try {
    Settings.Write(kPrintZoomIndex, index);
  } catch (const SettingsFileError& e) {
    gui::ShowError(this, QString::fromUtf8(e.what()));
  }
}

void BatchPrintWindow::BuildPages(const DayModel& day, int races, bool localOption) {
  pages::DrawRacePages(*Preview, day, races, localOption);
  setWindowTitle(QStringLiteral("コルヴィナ３　印刷"));
  PageSelector->SetMin(1);
  PageSelector->SetMax(std::max(1, Preview->PageCount()));
  PageSelector->SetPosition(1);
  PageSelector->setVisible(true);
  Preview->SetPageNo(1);
}

void BatchPrintWindow::ShowSelectedPage() { Preview->SetPageNo(PageSelector->Position()); }

bool BatchPrintWindow::PrintRange(int from, int to) {
  Preview->SetPrintFrom(from);
  Preview->SetPrintTo(to);
  // A page the preview does not hold would leave the former range in place and print the wrong page.
  if (Preview->PrintFrom() != from || Preview->PrintTo() != to) return true;
  try {
    Preview->Print();
    return true;
  } catch (const std::exception& e) {
    gui::ShowPrinterError(this, e.what());
  } catch (...) {
    gui::ShowPrinterError(this, "");
  }
  return false;
}

void BatchPrintWindow::PrintShownPage() { PrintRange(PageSelector->Position(), PageSelector->Position()); }

void BatchPrintWindow::PrintTickedPages() {
  for (int k = 0; k < RaceCheckList->count(); ++k) {
    if (RaceCheckList->item(k)->checkState() != Qt::Checked) continue;
    if (!PrintRange(k + 1, k + 1)) return;
  }
}

void BatchPrintWindow::SetUpPrinter() {
  try {
    Preview->CheckPrinter();
    if (gui::Printer().SetupDialog(this)) Preview->update();
  } catch (const std::exception& e) {
    gui::ShowPrinterError(this, e.what());
  }
}

void BatchPrintWindow::TickAllRaces() {
  for (int k = 0; k < RaceCheckList->count(); ++k) RaceCheckList->item(k)->setCheckState(Qt::Checked);
}

void BatchPrintWindow::UntickAllRaces() {
  for (int k = 0; k < RaceCheckList->count(); ++k) RaceCheckList->item(k)->setCheckState(Qt::Unchecked);
}

void BatchPrintWindow::SaveBounds() { StoreWindowBounds(*this, Settings, kPrintWindowBounds, bounds_.ToStore(*this)); }

void BatchPrintWindow::ResetPaper() {
  try {
    Preview->SetPaper(gui::kPaperA4, gui::kPortrait);
  } catch (const std::exception& e) {
    gui::ShowPrinterError(this, e.what());
  }
}

void BatchPrintWindow::done(int result) {
  if (!closed_) {
    closed_ = true;
    SaveBounds();
    ResetPaper();
  }
  QDialog::done(result);
}

void BatchPrintWindow::ShowForDay(const DayModel& day, const QString& dateText, int raceLines, bool localOption,
                                  QWidget* parent) {
  if (dateText.trimmed().isEmpty() || raceLines <= 0) {
    gui::MessageBeep();
    gui::ShowInformation(parent, QStringLiteral("ﾃﾞｰﾀを読み込んでください。"));
    return;
  }
  BatchPrintWindow form(day, parent);
  try {
    form.BuildPages(day, raceLines, localOption);
  } catch (const std::exception& e) {
    gui::ShowPrinterError(parent, e.what());
    return;
  }
  form.exec();
}

}  // namespace corvina
