#include "analysis/ui/TekiUnit.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>
#include <exception>
#include <system_error>

#include "analysis/HitJudge.h"
#include "components/ui/Label3Dj.h"
#include "components/ui/PrevX.h"
#include "platform/Cp932.h"
#include "platform/Text.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Printer.h"
#include "platform/gui/Shell.h"
#include "platform/gui/StringGrid.h"
#include "racedata/KeibaFunc.h"

namespace corvina::analysis {

namespace {

constexpr int kShownTickets = 6;
constexpr int kQuinellaPayCol = 9;

QString Q(const std::string& cp932) { return QString::fromStdString(FromCp932(cp932)); }
std::string Cp(const char* utf8) { return ToCp932(utf8); }

bool Present(const std::vector<std::string>& row, int col) {
  return col >= 0 && static_cast<size_t>(col) < row.size() && !row[static_cast<size_t>(col)].empty();
}

QColor ToQColor(BgrColor c) {
  if (c == kClInfoBk) return QApplication::palette().color(QPalette::ToolTipBase);
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

std::string PayText(int pay) { return FormatInt(pay, 7); }

// The printed words of the summary rows.
constexpr const char* kScopeAll = "全場所";
constexpr std::array<const char*, 5> kHeads{"買い点数", "的中点数", "買い金額", "回収金額", "回収率"};
constexpr std::array<int, 5> kValueX{600, 850, 1100, 1350, 1600};

void PaintCell(gui::Canvas& canvas, const QRect& rect, BgrColor colour, const QString& text) {
  canvas.SetBrushColor(ToQColor(colour));
  canvas.FillRect(rect);
  canvas.SetFontColor(Qt::black);
  canvas.TextRect(rect, text, Qt::AlignCenter);
}

}  // namespace

// ---- Plain rules ----

TekiRowHits RowHitsOf(const TRaceCalc& calc) {
  TekiRowHits h;
  for (int j = 1; j <= kShownTickets; ++j) {
    h.umarenHit[j] = calc.UmarenHit[j] == 1;
    h.wideHit[j] = calc.WideHit[j] == 1;
  }
  h.tanHit = calc.TanHit == 1;
  h.fukuHit = calc.FukuHit == 1;
  return h;
}

BgrColor TekiCellColor1(int col, const std::vector<std::string>& row, const TekiRowHits& hits) {
  if (col == 0) return kClWhite;
  if (col == 1 || col == 2) return kClInfoBk;
  if (col >= 3 && col <= 8) {
    int j = col - 2;
    if (!Present(row, col)) return kClLightGrey;
    if (hits.umarenHit[j]) return kClRed;
    if (hits.wideHit[j]) return kClFuchsia;
    return kClWhite;
  }
  if (col == kQuinellaPayCol) {
    if (Present(row, col)) return kClRed;
    bool anyTicket = false;
    for (int c = 3; c <= 8; ++c) anyTicket = anyTicket || Present(row, c);
    return anyTicket ? kClAqua : kClLightGrey;
  }
  if (col >= 10 && col <= 15) {
    int j = col - kQuinellaPayCol;
    if (!Present(row, j + 2)) return kClLightGrey;
    return hits.wideHit[j] ? kClFuchsia : kClYellow;
  }
  return kClWhite;
}

BgrColor TekiCellColor2(int col, const std::vector<std::string>& row, const TekiRowHits& hits) {
  if (col == 0) return kClWhite;
  if (col == 1 || col == 2) return kClInfoBk;
  bool axisShown = Present(row, 3);
  switch (col) {
    case 3:
      if (!axisShown) return kClLightGrey;
      return hits.tanHit ? kClRed : hits.fukuHit ? kClFuchsia : kClWhite;
    case 4:
      if (Present(row, 4)) return kClRed;
      return axisShown ? kClAqua : kClLightGrey;
    case 5:
      if (!axisShown) return kClLightGrey;
      return hits.fukuHit ? kClFuchsia : kClYellow;
    default:
      return kClWhite;
  }
}

std::string TekiRaceLabel(const TRaceInfo& info) {
  static const std::string kKai = Cp("回 ");
  static const std::string kNichi = Cp("日");
  return CourseClassName(Copy(info.RaceKey, 9, 2)) + Copy(info.RaceKey, 12, 1) + kKai + Copy(info.RaceKey, 14, 1) +
         kNichi + FormatInt(StrToIntLenient(Copy(info.RaceKey, 15, 2)), 2) + "R";
}

void SetTekiResultFlags(DayModel& day, int slot) {
  const TRaceInfo& info = day.FRaceInfo[slot];
  TRaceCalc& calc = day.FRaceCalc[slot];
  calc.ResU = PresentComb(info.UmarenComb[1]) || (calc.Over8Runners == 0 && PresentComb(info.WakurenComb[1])) ? 1 : 0;
  calc.ResW = PresentComb(info.WideComb[1]) ? 1 : 0;
  calc.ResT = info.TanHorse[1] > 0 ? 1 : 0;
  calc.ResF = info.FukuHorse[1] > 0 ? 1 : 0;
}

namespace {

std::string EntryText(const TRaceInfo& info) {
  static const std::string kTou = Cp("頭");
  return FormatInt(StrToIntLenient(info.EntryCount), 2) + kTou;
}

}  // namespace

std::vector<std::string> TekiRow1(const DayModel& day, int slot) {
  const TRaceInfo& info = day.FRaceInfo[slot];
  const TRaceCalc& calc = day.FRaceCalc[slot];
  std::vector<std::string> row(16);
  row[0] = std::string(calc.ResU == 1 ? "U" : "-") + (calc.ResW == 1 ? "W" : "-");
  row[1] = TekiRaceLabel(info);
  row[2] = EntryText(info);
  for (int j = 1; j <= kShownTickets; ++j) {
    row[static_cast<size_t>(2 + j)] = IsBlank(calc.Tickets[j]) ? std::string() : calc.Tickets[j];
    if (calc.UmarenHit[j] == 1) row[kQuinellaPayCol] = PayText(calc.UmarenPay[j]);  // the last hit stays
    if (calc.WideHit[j] == 1) row[static_cast<size_t>(kQuinellaPayCol + j)] = PayText(calc.WidePay[j]);
  }
  return row;
}

std::vector<std::string> TekiRow2(const DayModel& day, int slot) {
  const TRaceInfo& info = day.FRaceInfo[slot];
  const TRaceCalc& calc = day.FRaceCalc[slot];
  std::vector<std::string> row(6);
  row[0] = std::string(calc.ResT == 1 ? "T" : "-") + (calc.ResF == 1 ? "F" : "-");
  row[1] = TekiRaceLabel(info);
  row[2] = EntryText(info);
  if (calc.AxisHorse > 0) row[3] = FormatInt(calc.AxisHorse, 2);
  if (calc.TanHit == 1) row[4] = PayText(calc.TanPay);
  if (calc.FukuHit == 1) row[5] = PayText(calc.FukuPay);
  return row;
}

std::array<std::string, 4> TekiVenueNames(const DayModel& day) {
  static const std::string kNone = Cp("――");
  std::vector<std::string> venues = DayVenues(day);
  std::array<std::string, 4> names{};
  for (int k = 1; k <= 3; ++k) {
    std::string name = static_cast<size_t>(k) <= venues.size() ? CourseClassName(venues[static_cast<size_t>(k - 1)])
                                                               : std::string();
    // V1 keeps its class name as it is; the others become "――" when there is none.
    names[static_cast<size_t>(k)] = (k > 1 && IsBlank(name)) ? kNone : name;
  }
  return names;
}

std::array<std::string, 5> TekiSummary(const DayModel& day, BetType type, int scope) {
  static const std::string kTen = Cp("点");
  static const std::string kYen = Cp("円");
  int tickets = day.GStats[static_cast<size_t>(TicketsIndex(type, scope))];
  int hits = day.GStats[static_cast<size_t>(HitsIndex(type, scope))];
  int pay = day.GStats[static_cast<size_t>(PayIndex(type, scope))];
  return {FormatInt(tickets, 3) + kTen, FormatInt(hits, 3) + kTen, FormatInt(static_cast<long long>(tickets) * 100, 5) + kYen,
          FormatInt(pay, 7) + kYen, RateText(pay, tickets)};
}

std::filesystem::path VerificationMarkerPath(const std::filesystem::path& appDir) {
  return appDir / "VerificationAvailable.test";
}

// ---- The window ----

TTekiForm::TTekiForm(QWidget* parent, DayModel& day, const std::string& dayName, int raceLines)
    : QDialog(parent), day_(day), dayName_(dayName) {
  FormCreate();
  Fill(dayName, raceLines);
}

TTekiForm::~TTekiForm() = default;

QFrame* TTekiForm::MakePanel(QWidget* tab, SummaryPanel& panel, const char* word1, const char* word2) {
  auto* frame = new QFrame(tab);
  frame->setFrameShape(QFrame::StyledPanel);
  auto* grid = new QGridLayout(frame);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(1);
  auto label = [&](const QString& text) {
    auto* l = new TLabel3Dj(text, frame);
    l->SetTextStyle(TTextStyle::tsNone);
    return l;
  };
  panel.title = label(QString());
  panel.title->SetFontBold(true);
  grid->addWidget(panel.title, 0, 0, 1, 7);
  for (int c = 0; c < 5; ++c) grid->addWidget(label(QString::fromUtf8(kHeads[static_cast<size_t>(c)])), 1, 2 + c);
  for (int k = 0; k < 4; ++k) {
    int r = 2 + 2 * k;
    panel.scopeNames[static_cast<size_t>(k)] = label(k == 0 ? QString::fromUtf8(kScopeAll) : QString());
    grid->addWidget(panel.scopeNames[static_cast<size_t>(k)], r, 0);
    grid->addWidget(label(QString::fromUtf8(word1) + QString::fromUtf8("：")), r, 1);
    grid->addWidget(label(QString::fromUtf8(word2) + QString::fromUtf8("：")), r + 1, 1);
    for (int b = 0; b < 2; ++b)
      for (int c = 0; c < 5; ++c) {
        TLabel3Dj* v = label(QString());
        v->SetAlignment(Qt::AlignRight);
        panel.values[static_cast<size_t>(k)][static_cast<size_t>(b)][static_cast<size_t>(c)] = v;
        grid->addWidget(v, r + b, 2 + c);
      }
  }
  return frame;
}

void TTekiForm::FormCreate() {
  setAttribute(Qt::WA_DeleteOnClose, false);
  setWindowTitle(QString::fromUtf8("的中判定"));
  resize(1000, 700);
  auto* top = new QVBoxLayout(this);
  PageControl1 = new QTabWidget(this);
  top->addWidget(PageControl1);

  const QString note1 = QString::fromUtf8("※的中判定は判定可能なﾚｰｽ結果が入力済みのものにおいてのみ計算しております。");
  const QString note2 = QString::fromUtf8("※買い金額、回収金額は１点１００円として計算おります。");
  auto makeTab = [&](QWidget*& tab, QFrame*& panelFrame, SummaryPanel& panel, gui::StringGrid*& grid,
                     QPushButton*& print, const char* caption, const char* w1, const char* w2) {
    tab = new QWidget(PageControl1);
    auto* v = new QVBoxLayout(tab);
    panelFrame = MakePanel(tab, panel, w1, w2);
    v->addWidget(panelFrame);
    grid = new gui::StringGrid(tab);
    grid->SetFixedCols(0);
    grid->SetFixedRows(1);
    v->addWidget(grid, 1);
    auto* bottom = new QHBoxLayout;
    auto* notes = new QVBoxLayout;
    notes->addWidget(new QLabel(note1, tab));
    notes->addWidget(new QLabel(note2, tab));
    bottom->addLayout(notes, 1);
    print = new QPushButton(QString::fromUtf8("印刷"), tab);
    bottom->addWidget(print);
    v->addLayout(bottom);
    PageControl1->addTab(tab, QString::fromUtf8(caption));
  };
  makeTab(TabSheet1, panel1, Summary1, StringGrid1, MsgButton1, "馬連・ワイド", "馬連", "ﾜｲﾄﾞ");
  makeTab(TabSheet2, Panel2, Summary2, StringGrid2, MsgButton2, "単勝・複勝", "単勝", "複勝");
  SpeedButton1 = new QPushButton(QStringLiteral("Test"), TabSheet2);
  SpeedButton1->setVisible(false);

  TabSheet3 = new QWidget(PageControl1);
  auto* v3 = new QVBoxLayout(TabSheet3);
  ScrollBox1 = new QScrollArea(TabSheet3);
  PrevX1 = new TPrevX;
  PrevX1->SetZoomScale(100);
  PrevX1->setFixedSize(814, 1142);
  ScrollBox1->setWidget(PrevX1);
  v3->addWidget(ScrollBox1);
  PageControl1->addTab(TabSheet3, QString::fromUtf8("印刷ﾌﾟﾚﾋﾞｭｰ"));
  PageControl1->setTabVisible(2, false);

  struct Head {
    const char* text;
    int width;
  };
  static const Head heads1[] = {{"判定", 30}, {"レース", 110}, {"頭数", 30}, {"買い目1", 50}, {"買い目2", 50},
                                {"買い目3", 50}, {"買い目4", 50}, {"買い目5", 50}, {"買い目6", 50}, {"馬連配当", 60},
                                {"ﾜｲﾄﾞ配当1", 60}, {"ﾜｲﾄﾞ配当2", 60}, {"ﾜｲﾄﾞ配当3", 60}, {"ﾜｲﾄﾞ配当4", 60},
                                {"ﾜｲﾄﾞ配当5", 60}, {"ﾜｲﾄﾞ配当6", 60}};
  static const Head heads2[] = {{"判定", 30}, {"レース", 110}, {"頭数", 30},
                                {"買い目", 40}, {"単勝配当", 60}, {"複勝配当", 60}};
  auto setHeads = [](gui::StringGrid* grid, const Head* heads, int n) {
    grid->SetColCount(n);
    for (int c = 0; c < n; ++c) {
      grid->SetColWidth(c, heads[c].width);
      grid->SetCell(c, 0, QString::fromUtf8(heads[c].text));
    }
  };
  setHeads(StringGrid1, heads1, 16);
  setHeads(StringGrid2, heads2, 6);

  StringGrid1->SetOnDrawCell([this](gui::Canvas& c, int col, int row, const QRect& r, gui::CellState) {
    StringGrid1DrawCell(c, col, row, r);
  });
  StringGrid2->SetOnDrawCell([this](gui::Canvas& c, int col, int row, const QRect& r, gui::CellState) {
    StringGrid2DrawCell(c, col, row, r);
  });
  connect(StringGrid1, &gui::StringGrid::MouseUp, this, [this] { StringGrid1MouseUp(); });
  connect(StringGrid2, &gui::StringGrid::MouseUp, this, [this] { StringGrid2MouseUp(); });
  connect(MsgButton1, &QPushButton::clicked, this, [this] { MsgButton1Click(); });
  connect(MsgButton2, &QPushButton::clicked, this, [this] { MsgButton2Click(); });
  connect(SpeedButton1, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
  // The labels cover most of the panel: a click on any of them is a click on the panel.
  panel1->installEventFilter(this);
  for (QWidget* child : panel1->findChildren<QWidget*>()) child->installEventFilter(this);
}

void TTekiForm::Fill(const std::string& dayName, int raceLines) {
  int rows = raceLines + 1;
  StringGrid1->SetRowCount(rows);
  StringGrid2->SetRowCount(rows);
  rowHits_.assign(static_cast<size_t>(rows), TekiRowHits{});

  std::array<std::string, 4> names = TekiVenueNames(day_);
  for (int k = 1; k <= 3; ++k) {
    Summary1.scopeNames[static_cast<size_t>(k)]->SetCaption(Q(names[static_cast<size_t>(k)]));
    Summary2.scopeNames[static_cast<size_t>(k)]->SetCaption(Q(names[static_cast<size_t>(k)]));
  }
  Summary1.title->SetCaption(QString::fromUtf8("的中判定表[馬連･ﾜｲﾄﾞ]　") + Q(dayName));
  Summary2.title->SetCaption(QString::fromUtf8("的中判定表[単勝･複勝]　") + Q(dayName));

  for (int slot = 0; slot < kSlots; ++slot) {
    if (day_.FRaceInfo[slot].HasData != 1) continue;
    SetTekiResultFlags(day_, slot);
    int row = slot + 1;
    if (row >= rows) continue;  // a race the race list does not hold has no row
    std::vector<std::string> r1 = TekiRow1(day_, slot), r2 = TekiRow2(day_, slot);
    for (size_t c = 0; c < r1.size(); ++c) StringGrid1->SetCell(static_cast<int>(c), row, Q(r1[c]));
    for (size_t c = 0; c < r2.size(); ++c) StringGrid2->SetCell(static_cast<int>(c), row, Q(r2[c]));
    rowHits_[static_cast<size_t>(row)] = RowHitsOf(day_.FRaceCalc[slot]);
  }
  FillSummary(Summary1, BetType::Quinella, BetType::Wide);
  FillSummary(Summary2, BetType::Win, BetType::Place);
}

void TTekiForm::FillSummary(SummaryPanel& panel, BetType first, BetType second) {
  for (int k = 0; k < kScopes; ++k)
    for (int b = 0; b < 2; ++b) {
      std::array<std::string, 5> texts = TekiSummary(day_, b == 0 ? first : second, k);
      for (int c = 0; c < 5; ++c)
        panel.values[static_cast<size_t>(k)][static_cast<size_t>(b)][static_cast<size_t>(c)]->SetCaption(
            Q(texts[static_cast<size_t>(c)]));
    }
}

std::vector<std::string> TTekiForm::RowTexts(const gui::StringGrid& grid, int row) const {
  std::vector<std::string> texts;
  for (int c = 0; c < grid.ColCount(); ++c) texts.push_back(grid.Cell(c, row).toStdString());
  return texts;
}

void TTekiForm::StringGrid1DrawCell(gui::Canvas& canvas, int col, int row, const QRect& rect) {
  if (row < 1 || static_cast<size_t>(row) >= rowHits_.size()) return;
  PaintCell(canvas, rect, TekiCellColor1(col, RowTexts(*StringGrid1, row), rowHits_[static_cast<size_t>(row)]),
            StringGrid1->Cell(col, row));
}

void TTekiForm::StringGrid2DrawCell(gui::Canvas& canvas, int col, int row, const QRect& rect) {
  if (row < 1 || static_cast<size_t>(row) >= rowHits_.size()) return;
  PaintCell(canvas, rect, TekiCellColor2(col, RowTexts(*StringGrid2, row), rowHits_[static_cast<size_t>(row)]),
            StringGrid2->Cell(col, row));
}

void TTekiForm::StringGrid1MouseUp() { StringGrid1->SetSelection(gui::GridRect{}); }
void TTekiForm::StringGrid2MouseUp() { StringGrid2->SetSelection(gui::GridRect{}); }

void TTekiForm::MsgButton1Click() { PrintTab(Summary1, *StringGrid1, "馬連", "ﾜｲﾄﾞ"); }
void TTekiForm::MsgButton2Click() { PrintTab(Summary2, *StringGrid2, "単勝", "複勝"); }

void TTekiForm::PrintTab(const SummaryPanel& panel, gui::StringGrid& grid, const char* word1, const char* word2) {
  try {
    PrevX1->BeginDoc();
    gui::Canvas& canvas = PrevX1->PageCanvas();
    canvas.SetFontSize(10);
    canvas.SetFontBold(true);
    canvas.SetFontUnderline(true);
    PrevX1->TextOut(100, 30, panel.title->Caption());
    canvas.SetFontBold(false);
    canvas.SetFontUnderline(false);
    for (int c = 0; c < 5; ++c)
      PrevX1->TextOut(kValueX[static_cast<size_t>(c)], 100, QString::fromUtf8(kHeads[static_cast<size_t>(c)]));
    for (int k = 0; k < kScopes; ++k) {
      int y = 150 + 100 * k;
      PrevX1->TextOut(100, y, k == 0 ? QString::fromUtf8(kScopeAll) : panel.scopeNames[static_cast<size_t>(k)]->Caption());
      PrevX1->TextOut(350, y, QString::fromUtf8(word1));
      PrevX1->TextOut(350, y + 50, QString::fromUtf8(word2));
      for (int b = 0; b < 2; ++b)
        for (int c = 0; c < 5; ++c)
          PrevX1->TextOut(kValueX[static_cast<size_t>(c)], y + 50 * b,
                          panel.values[static_cast<size_t>(k)][static_cast<size_t>(b)][static_cast<size_t>(c)]->Caption());
    }
    DrawGridPage(grid, 100, 570, 2.0);
    PrevX1->EndDoc();
    PrevX1->Print();
  } catch (const std::exception& e) {
    PrevX1->EndDoc();
    gui::ShowPrinterError(this, e.what());
  }
}

void TTekiForm::DrawGridPage(gui::StringGrid& grid, int X, int Y, double scale) {
  gui::Canvas& canvas = PrevX1->PageCanvas();
  canvas.SetFontSize(6);
  std::vector<int> xs{X}, ys{Y};  // boundaries
  for (int c = 0; c < grid.ColCount(); ++c) xs.push_back(xs.back() + static_cast<int>(grid.ColWidth(c) * scale));
  for (int r = 0; r < grid.RowCount(); ++r) ys.push_back(ys.back() + static_cast<int>(grid.RowHeight(r) * scale));
  auto pen = [&](size_t boundary, size_t last) {
    canvas.SetPenWidth(PrevX1->SizeToDevice(boundary <= 1 || boundary == last ? 5 : 1));
  };
  for (size_t r = 0; r < ys.size(); ++r) {
    pen(r, ys.size() - 1);
    PrevX1->MoveTo(xs.front(), ys[r]);
    PrevX1->LineTo(xs.back(), ys[r]);
  }
  for (size_t c = 0; c < xs.size(); ++c) {
    pen(c, xs.size() - 1);
    PrevX1->MoveTo(xs[c], ys.front());
    PrevX1->LineTo(xs[c], ys.back());
  }
  for (int r = 0; r < grid.RowCount(); ++r)
    for (int c = 0; c < grid.ColCount(); ++c) {
      QString text = grid.Cell(c, r);
      if (!text.isEmpty()) PrevX1->TextOut(xs[static_cast<size_t>(c)] + 5, ys[static_cast<size_t>(r)] + 5, text);
    }
}

bool TTekiForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease && (watched == panel1 || watched->parent() == panel1)) panel1Click();
  return QDialog::eventFilter(watched, event);
}

void TTekiForm::panel1Click() {
  std::error_code ec;
  if (!std::filesystem::exists(VerificationMarkerPath(day_.FAppDir), ec)) return;
  // The rates as the window shows them: a day load running meanwhile must not slip its figures under this
  // day's name.
  auto rate = [](const SummaryPanel& panel, int row) { return panel.values[0][static_cast<size_t>(row)][4]->Caption(); };
  const QString crlf = QStringLiteral("\r\n");
  QApplication::clipboard()->setText(windowTitle() + crlf + Q(dayName_) + crlf + QString::fromUtf8("馬連　：") +
                                     rate(Summary1, 0) + crlf + QString::fromUtf8("ワイド：") + rate(Summary1, 1) +
                                     crlf + QString::fromUtf8("単勝　：") + rate(Summary2, 0) + crlf +
                                     QString::fromUtf8("複勝　：") + rate(Summary2, 1) + crlf);
}

void TTekiForm::SpeedButton1Click() {
  static const std::array<const char*, 5> kUnits{"点", "点", "円", "円", "%"};
  for (SummaryPanel* panel : {&Summary1, &Summary2}) {
    int serial = 0;
    for (auto& scope : panel->values)
      for (auto& line : scope)
        for (size_t c = 0; c < line.size(); ++c) {
          ++serial;
          std::string text = c == 4   ? FormatFixed(serial, 6, 1)
                             : c == 2 ? FormatInt(serial * 100, 5)
                             : c == 3 ? FormatInt(serial, 7)
                                      : FormatInt(serial, 3);
          line[c]->SetCaption(QString::fromStdString(text) + QString::fromUtf8(kUnits[c]));
        }
  }
  for (gui::StringGrid* grid : {StringGrid1, StringGrid2})
    for (int r = 1; r < grid->RowCount(); ++r)
      for (int c = 3; c < grid->ColCount(); ++c)
        grid->SetCell(c, r, QStringLiteral(" C:%1 R:%2").arg(c).arg(r));
}

// ---- Entries ----

void SpeedButton15Click(QWidget* parent, DayModel& day, const std::string& dayName, int raceLines) {
  bool anyRace = false;
  for (const TRaceInfo& info : day.FRaceInfo) anyRace = anyRace || info.HasData == 1;
  // A load that stopped early leaves the date box set but no race: nothing of that day can be judged.
  if (IsBlank(dayName) || raceLines <= 0 || !anyRace) {
    gui::MessageBeep(0);
    gui::ShowInformation(parent, QString::fromUtf8("ﾃﾞｰﾀを読み込んでください。"));
    return;
  }
  auto* form = new TTekiForm(parent, day, dayName, raceLines);
  form->setAttribute(Qt::WA_DeleteOnClose, true);
  form->exec();
}

HitReportResult TekiAnaBtnClick(QWidget* parent, const DayModel& day, HitReportKind kind) {
  HitReportResult result = BuildHitReport(day, kind);
  if (result.written) {
    gui::OpenDocument(QString::fromStdString(result.dayFile.string()));
    QApplication::clipboard()->setText(Q(JoinLinesCrLf(result.tekiList)));
  }
  if (!result.errors.empty()) {
    QString text = QString::fromUtf8("的中レポートを保存できませんでした。");
    for (const std::string& e : result.errors) text += "\n" + QString::fromStdString(e);
    gui::ShowWarning(parent, text);
  }
  return result;
}

}  // namespace corvina::analysis
