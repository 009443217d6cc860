#include "analysis/ui/AllPrintUnit.h"

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
#include "components/ui/PrevX.h"
#include "platform/Cp932.h"
#include "platform/Text.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Printer.h"
#include "platform/gui/UpDown.h"
#include "platform/gui/WindowBounds.h"
#include "racedata/DayModel.h"
#include "racedata/KeibaFunc.h"

namespace corvina {

namespace {

constexpr std::array<int, 4> kZooms{25, 50, 75, 100};
constexpr int kFormZoomIndex = 1;  // the choice the window is made with; the preview starts at its zoom

QString Q(const std::string& cp932) { return QString::fromStdString(FromCp932(cp932)); }

}  // namespace

std::string PrintCourseName(std::string_view code) {
  static const std::array<std::string, 10> names{
      ToCp932("札幌"), ToCp932("函館"), ToCp932("福島"), ToCp932("新潟"), ToCp932("東京"),
      ToCp932("中山"), ToCp932("中京"), ToCp932("京都"), ToCp932("阪神"), ToCp932("小倉")};
  const std::string digits = Trim(code);
  const int n = StrToIntLenient(digits);
  const bool numeric = !digits.empty() && std::all_of(digits.begin(), digits.end(), [](char c) {
    return c >= '0' && c <= '9';
  });
  if (numeric && n >= 1 && n <= 10) return names[static_cast<size_t>(n - 1)];
  // Local and overseas courses are named as the race view names them, so no item starts without a name.
  return TrimRight(CourseName(code, 2));
}

TAllPrintForm::TAllPrintForm(const DayModel& day, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("全買い目印刷"));
  setWindowFlags(Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
  auto* top = new QVBoxLayout(this);
  top->setContentsMargins(0, 0, 0, 0);

  Panel1 = new QWidget(this);
  Panel1->setMinimumHeight(47);  // grows to fit the two rows of zoom choices under their title
  auto* bar = new QHBoxLayout(Panel1);
  Label1 = new QLabel(QStringLiteral("ﾍﾟｰｼﾞ選択"), Panel1);
  UpDown1 = new gui::UpDown(Panel1, Qt::Horizontal);
  UpDown1->SetMin(0);
  UpDown1->SetPosition(0);
  BitBtn2 = new QPushButton(QStringLiteral("表示ﾍﾟｰｼﾞ印刷(&P)"), Panel1);
  BitBtn4 = new QPushButton(QStringLiteral("指定ﾍﾟｰｼﾞ印刷(&P)"), Panel1);
  BitBtn3 = new QPushButton(QStringLiteral("ﾌﾟﾘﾝﾀ設定(&S)"), Panel1);
  BitBtn1 = new QPushButton(QStringLiteral("閉じる"), Panel1);
  auto* zoomBox = new QGroupBox(QStringLiteral("倍率"), Panel1);
  auto* zoomGrid = new QGridLayout(zoomBox);
  zoomGrid->setContentsMargins(4, 0, 4, 0);
  RadioGroup1 = new QButtonGroup(this);
  for (int i = 0; i < 4; ++i) {
    auto* b = new QRadioButton(QStringLiteral("%1%").arg(kZooms[static_cast<size_t>(i)]), zoomBox);
    RadioGroup1->addButton(b, i);
    zoomGrid->addWidget(b, i / 2, i % 2);
  }
  RadioGroup1->button(kFormZoomIndex)->setChecked(true);
  auto* selectBox = new QGroupBox(QStringLiteral("選択指定"), Panel1);
  auto* selectRow = new QHBoxLayout(selectBox);
  selectRow->setContentsMargins(4, 0, 4, 0);
  SpeedButton1 = new QPushButton(QStringLiteral("全選択"), selectBox);
  SpeedButton2 = new QPushButton(QStringLiteral("全ｸﾘｱ"), selectBox);
  selectRow->addWidget(SpeedButton1);
  selectRow->addWidget(SpeedButton2);
  // Two rows of buttons beside the two rows of zoom choices, so the bar fits the window's width.
  auto* printButtons = new QGridLayout;
  printButtons->setSpacing(2);
  printButtons->addWidget(BitBtn2, 0, 0);
  printButtons->addWidget(BitBtn4, 1, 0);
  printButtons->addWidget(BitBtn3, 0, 1);
  printButtons->addWidget(BitBtn1, 1, 1);
  for (QAbstractButton* b : {BitBtn2, BitBtn4, BitBtn3, BitBtn1, SpeedButton1, SpeedButton2}) gui::NarrowToCaption(*b);
  bar->addWidget(Label1);
  bar->addWidget(UpDown1, 0, Qt::AlignVCenter);
  bar->addLayout(printButtons);
  bar->addWidget(zoomBox);
  bar->addWidget(selectBox);
  bar->addStretch(1);
  bar->setContentsMargins(4, 2, 4, 2);
  top->addWidget(Panel1);

  auto* splitter = new QSplitter(Qt::Horizontal, this);
  ScrollBox1 = new QScrollArea(splitter);
  PrevX1 = new TPrevX;
  PrevX1->resize(417, 581);
  PrevX1->SetZoomScale(kZooms[kFormZoomIndex]);
  ScrollBox1->setWidget(PrevX1);
  CheckListBox1 = new QListWidget(splitter);
  CheckListBox1->setFont(QFont(gui::kGothic, 9));
  splitter->addWidget(ScrollBox1);
  splitter->addWidget(CheckListBox1);
  splitter->setStretchFactor(0, 1);
  splitter->setSizes({539, 91});
  top->addWidget(splitter, 1);

  connect(RadioGroup1, &QButtonGroup::idClicked, this, [this] { RadioGroup1Click(); });
  connect(UpDown1, &gui::UpDown::Clicked, this, [this] { UpDown1Click(); });
  connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
  connect(BitBtn4, &QPushButton::clicked, this, [this] { BitBtn4Click(); });
  connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
  connect(BitBtn1, &QPushButton::clicked, this, [this] { close(); });
  connect(SpeedButton1, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
  connect(SpeedButton2, &QPushButton::clicked, this, [this] { SpeedButton2Click(); });

  IniGT1.Loaded();
  FormCreate(day);
}

TAllPrintForm::~TAllPrintForm() = default;

void TAllPrintForm::FormCreate(const DayModel& day) {
  bounds_.Restore(*this, {IniGT1.ReadInteger("Printlocate", "left", 10), IniGT1.ReadInteger("Printlocate", "top", 10),
                          IniGT1.ReadInteger("Printlocate", "width", 630),
                          IniGT1.ReadInteger("Printlocate", "height", 450)});
  const int ratio = std::clamp(IniGT1.ReadInteger("PrintZoom", "ratio", kFormZoomIndex), 0, 3);
  if (ratio != ZoomIndex()) SetZoomIndex(ratio);

  for (const TRaceInfo& info : day.FRaceInfo) {
    if (info.HasData != 1) continue;
    auto* item = new QListWidgetItem(Q(PrintCourseName(Copy(info.RaceKey, 9, 2)) + Copy(info.RaceKey, 15, 2) + "R"),
                                     CheckListBox1);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
}

int TAllPrintForm::ZoomIndex() const { return RadioGroup1->checkedId(); }

void TAllPrintForm::SetZoomIndex(int index) {
  if (QAbstractButton* b = RadioGroup1->button(index)) {
    b->setChecked(true);
    RadioGroup1Click();
  }
}

void TAllPrintForm::RadioGroup1Click() {
  const int index = ZoomIndex();
  if (index < 0 || index > 3) return;
  PrevX1->SetZoomScale(kZooms[static_cast<size_t>(index)]);
  try {
    IniGT1.WriteInteger("PrintZoom", "ratio", index);
  } catch (const std::exception& e) {
    gui::ShowError(this, QString::fromUtf8(e.what()));
  }
}

void TAllPrintForm::BuildPages(const DayModel& day, int races, bool localOption) {
  pages::DrawRacePages(*PrevX1, day, races, localOption);
  setWindowTitle(QStringLiteral("コルヴィナ３　印刷"));
  UpDown1->SetMin(1);
  UpDown1->SetMax(std::max(1, PrevX1->PageCount()));
  UpDown1->SetPosition(1);
  UpDown1->setVisible(true);
  PrevX1->SetPageNo(1);
}

void TAllPrintForm::UpDown1Click() { PrevX1->SetPageNo(UpDown1->Position()); }

bool TAllPrintForm::PrintRange(int from, int to) {
  PrevX1->SetPrintFrom(from);
  PrevX1->SetPrintTo(to);
  // A page the preview does not hold would leave the former range in place and print the wrong page.
  if (PrevX1->PrintFrom() != from || PrevX1->PrintTo() != to) return true;
  try {
    PrevX1->Print();
    return true;
  } catch (const std::exception& e) {
    gui::ShowPrinterError(this, e.what());
  } catch (...) {
    gui::ShowPrinterError(this, "");
  }
  return false;
}

void TAllPrintForm::BitBtn2Click() { PrintRange(UpDown1->Position(), UpDown1->Position()); }

void TAllPrintForm::BitBtn4Click() {
  for (int k = 0; k < CheckListBox1->count(); ++k) {
    if (CheckListBox1->item(k)->checkState() != Qt::Checked) continue;
    if (!PrintRange(k + 1, k + 1)) return;
  }
}

void TAllPrintForm::BitBtn3Click() {
  try {
    PrevX1->CheckPrinter();
    if (gui::Printer().SetupDialog(this)) PrevX1->update();
  } catch (const std::exception& e) {
    gui::ShowPrinterError(this, e.what());
  }
}

void TAllPrintForm::SpeedButton1Click() {
  for (int k = 0; k < CheckListBox1->count(); ++k) CheckListBox1->item(k)->setCheckState(Qt::Checked);
}

void TAllPrintForm::SpeedButton2Click() {
  for (int k = 0; k < CheckListBox1->count(); ++k) CheckListBox1->item(k)->setCheckState(Qt::Unchecked);
}

void TAllPrintForm::FormCloseQuery() {
  const gui::StoredBounds r = bounds_.ToStore(*this);
  try {
    IniGT1.WriteInteger("Printlocate", "top", r.top);
    IniGT1.WriteInteger("Printlocate", "left", r.left);
    IniGT1.WriteInteger("Printlocate", "width", r.width);
    IniGT1.WriteInteger("Printlocate", "height", r.height);
  } catch (const std::exception& e) {
    gui::ShowError(this, QString::fromUtf8(e.what()));
  }
}

void TAllPrintForm::FormClose() {
  // The next user of the printer settings finds A4 portrait again.
  try {
    PrevX1->SetPaper(gui::kPaperA4, gui::kPortrait);
  } catch (const std::exception& e) {
    gui::ShowPrinterError(this, e.what());
  }
}

void TAllPrintForm::done(int result) {
  if (!closed_) {
    closed_ = true;
    FormCloseQuery();
    FormClose();
  }
  QDialog::done(result);
}

void TAllPrintForm::FilePrintItemClick(const DayModel& day, const QString& dateText, int raceLines,
                                       bool localOption, QWidget* parent) {
  if (dateText.trimmed().isEmpty() || raceLines <= 0) {
    gui::MessageBeep();
    gui::ShowInformation(parent, QStringLiteral("ﾃﾞｰﾀを読み込んでください。"));
    return;
  }
  TAllPrintForm form(day, parent);
  try {
    form.BuildPages(day, raceLines, localOption);
  } catch (const std::exception& e) {
    gui::ShowPrinterError(parent, e.what());
    return;
  }
  form.exec();
}

}  // namespace corvina
