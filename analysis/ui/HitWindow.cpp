#include "analysis/ui/HitWindow.h"

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

#include "components/ui/Label3D.h"
#include "components/ui/PrintPreview.h"
#include "platform/Text.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Printer.h"
#include "platform/gui/QtText.h"
#include "platform/gui/Shell.h"
#include "platform/gui/StringGrid.h"

namespace corvina::analysis {

namespace {

using gui::Q;

QColor ToQColor(BgrColor c) {
  if (c == kClInfoBk) return QApplication::palette().color(QPalette::ToolTipBase);
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

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

HitWindow::HitWindow(QWidget* parent, const DayModel& day, const std::string& dayName, int raceLines)
    : QDialog(parent), day_(day), dayName_(dayName) {
  BuildControls();
  Fill(dayName, raceLines);
}

HitWindow::~HitWindow() = default;

QFrame* HitWindow::MakePanel(QWidget* tab, SummaryPanel& panel, const char* firstBetWord, const char* secondBetWord) {
  auto* frame = new QFrame(tab);
  frame->setFrameShape(QFrame::StyledPanel);
  auto* grid = new QGridLayout(frame);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(1);
  auto label = [&](const QString& text) {
    auto* l = new Label3D(text, frame);
    l->SetTextStyle(TextEffect::None);
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
    grid->addWidget(label(QString::fromUtf8(firstBetWord) + QString::fromUtf8("：")), r, 1);
    grid->addWidget(label(QString::fromUtf8(secondBetWord) + QString::fromUtf8("：")), r + 1, 1);
    for (int b = 0; b < 2; ++b)
      for (int c = 0; c < 5; ++c) {
        Label3D* v = label(QString());
        v->SetAlignment(Qt::AlignRight);
        panel.values[static_cast<size_t>(k)][static_cast<size_t>(b)][static_cast<size_t>(c)] = v;
        grid->addWidget(v, r + b, 2 + c);
      }
  }
  return frame;
}

void HitWindow::BuildControls() {
  setAttribute(Qt::WA_DeleteOnClose, false);
  setWindowTitle(QString::fromUtf8("的中判定"));
  resize(1000, 700);
  auto* top = new QVBoxLayout(this);
  Tabs = new QTabWidget(this);
  top->addWidget(Tabs);

  const QString judgedRacesNote =
      QString::fromUtf8("※的中判定は判定可能なﾚｰｽ結果が入力済みのものにおいてのみ計算しております。");
  const QString stakeNote = QString::fromUtf8("※買い金額、回収金額は１点１００円として計算おります。");
  auto makeTab = [&](QWidget*& tab, QFrame*& panelFrame, SummaryPanel& panel, gui::StringGrid*& grid,
                     QPushButton*& printButton, const char* caption, const char* firstBetWord,
                     const char* secondBetWord) {
    tab = new QWidget(Tabs);
    auto* v = new QVBoxLayout(tab);
    panelFrame = MakePanel(tab, panel, firstBetWord, secondBetWord);
    v->addWidget(panelFrame);
    grid = new gui::StringGrid(tab);
    grid->SetFixedCols(0);
    grid->SetFixedRows(1);
    v->addWidget(grid, 1);
    auto* bottom = new QHBoxLayout;
    auto* notes = new QVBoxLayout;
    notes->addWidget(new QLabel(judgedRacesNote, tab));
    notes->addWidget(new QLabel(stakeNote, tab));
    bottom->addLayout(notes, 1);
    printButton = new QPushButton(QString::fromUtf8("印刷"), tab);
    bottom->addWidget(printButton);
    v->addLayout(bottom);
    Tabs->addTab(tab, QString::fromUtf8(caption));
  };
  makeTab(QuinellaWideTab, QuinellaWideSummaryFrame, QuinellaWideSummary, QuinellaWideGrid, QuinellaWidePrintButton,
          "馬連・ワイド", "馬連", "ﾜｲﾄﾞ");
  makeTab(WinPlaceTab, WinPlaceSummaryFrame, WinPlaceSummary, WinPlaceGrid, WinPlacePrintButton, "単勝・複勝", "単勝",
          "複勝");
  LayoutSampleButton = new QPushButton(QStringLiteral("Test"), WinPlaceTab);
  LayoutSampleButton->setVisible(false);

  PrintPreviewTab = new QWidget(Tabs);
  auto* previewColumn = new QVBoxLayout(PrintPreviewTab);
  PreviewScrollArea = new QScrollArea(PrintPreviewTab);
  Preview = new PrintPreview;
  Preview->SetZoomScale(100);
  Preview->setFixedSize(814, 1142);
  PreviewScrollArea->setWidget(Preview);
  previewColumn->addWidget(PreviewScrollArea);
  Tabs->addTab(PrintPreviewTab, QString::fromUtf8("印刷ﾌﾟﾚﾋﾞｭｰ"));
  Tabs->setTabVisible(2, false);

  struct Head {
    const char* text;
    int width;
  };
  static const Head quinellaWideHeads[] = {{"判定", 30},      {"レース", 110},   {"頭数", 30},      {"買い目1", 50},
                                           {"買い目2", 50},   {"買い目3", 50},   {"買い目4", 50},   {"買い目5", 50},
                                           {"買い目6", 50},   {"馬連配当", 60},  {"ﾜｲﾄﾞ配当1", 60}, {"ﾜｲﾄﾞ配当2", 60},
                                           {"ﾜｲﾄﾞ配当3", 60}, {"ﾜｲﾄﾞ配当4", 60}, {"ﾜｲﾄﾞ配当5", 60}, {"ﾜｲﾄﾞ配当6", 60}};
  static const Head winPlaceHeads[] = {{"判定", 30},   {"レース", 110},  {"頭数", 30},
                                       {"買い目", 40}, {"単勝配当", 60}, {"複勝配当", 60}};
  auto setHeads = [](gui::StringGrid* grid, const Head* heads, int n) {
    grid->SetColCount(n);
    for (int c = 0; c < n; ++c) {
      grid->SetColWidth(c, heads[c].width);
      grid->SetCell(c, 0, QString::fromUtf8(heads[c].text));
    }
  };
  setHeads(QuinellaWideGrid, quinellaWideHeads, kQuinellaWideColumns);
  setHeads(WinPlaceGrid, winPlaceHeads, kWinPlaceColumns);

  QuinellaWideGrid->SetOnDrawCell([this](gui::Canvas& c, int col, int row, const QRect& r, gui::CellState) {
    DrawQuinellaWideCell(c, col, row, r);
  });
  WinPlaceGrid->SetOnDrawCell(
      [this](gui::Canvas& c, int col, int row, const QRect& r, gui::CellState) { DrawWinPlaceCell(c, col, row, r); });
  connect(QuinellaWideGrid, &gui::StringGrid::MouseUp, this, [this] { ClearQuinellaWideSelection(); });
  connect(WinPlaceGrid, &gui::StringGrid::MouseUp, this, [this] { ClearWinPlaceSelection(); });
  connect(QuinellaWidePrintButton, &QPushButton::clicked, this, [this] { PrintQuinellaWideTab(); });
  connect(WinPlacePrintButton, &QPushButton::clicked, this, [this] { PrintWinPlaceTab(); });
  connect(LayoutSampleButton, &QPushButton::clicked, this, [this] { FillWithLayoutSamples(); });
  // The labels cover most of the panel: a click on any of them is a click on the panel.
  QuinellaWideSummaryFrame->installEventFilter(this);
  for (QWidget* child : QuinellaWideSummaryFrame->findChildren<QWidget*>()) child->installEventFilter(this);
}

void HitWindow::Fill(const std::string& dayName, int raceLines) {
  int rows = raceLines + 1;
  QuinellaWideGrid->SetRowCount(rows);
  WinPlaceGrid->SetRowCount(rows);
  rowHits_.assign(static_cast<size_t>(rows), RowHits{});

  std::array<std::string, 4> names = HitVenueNames(day_);
  for (int k = 1; k <= 3; ++k) {
    QuinellaWideSummary.scopeNames[static_cast<size_t>(k)]->SetCaption(Q(names[static_cast<size_t>(k)]));
    WinPlaceSummary.scopeNames[static_cast<size_t>(k)]->SetCaption(Q(names[static_cast<size_t>(k)]));
  }
  QuinellaWideSummary.title->SetCaption(QString::fromUtf8("的中判定表[馬連･ﾜｲﾄﾞ]　") + Q(dayName));
  WinPlaceSummary.title->SetCaption(QString::fromUtf8("的中判定表[単勝･複勝]　") + Q(dayName));

  for (int slot = 0; slot < kSlots; ++slot) {
    if (day_.Races[slot].HasData != 1) continue;
    int row = slot + 1;
    if (row >= rows) continue;  // a race the race list does not hold has no row
    std::vector<std::string> quinellaWideCells = QuinellaWideRow(day_, slot);
    std::vector<std::string> winPlaceCells = WinPlaceRow(day_, slot);
    for (size_t c = 0; c < quinellaWideCells.size(); ++c)
      QuinellaWideGrid->SetCell(static_cast<int>(c), row, Q(quinellaWideCells[c]));
    for (size_t c = 0; c < winPlaceCells.size(); ++c)
      WinPlaceGrid->SetCell(static_cast<int>(c), row, Q(winPlaceCells[c]));
    rowHits_[static_cast<size_t>(row)] = RowHitsOf(day_.Calcs[slot]);
  }
  FillSummary(QuinellaWideSummary, BetType::Quinella, BetType::Wide);
  FillSummary(WinPlaceSummary, BetType::Win, BetType::Place);
}

void HitWindow::FillSummary(SummaryPanel& panel, BetType first, BetType second) {
  for (int k = 0; k < kScopes; ++k)
    for (int b = 0; b < 2; ++b) {
      std::array<std::string, 5> texts = HitSummary(day_, b == 0 ? first : second, k);
      for (int c = 0; c < 5; ++c)
        panel.values[static_cast<size_t>(k)][static_cast<size_t>(b)][static_cast<size_t>(c)]->SetCaption(
            Q(texts[static_cast<size_t>(c)]));
    }
}

std::vector<std::string> HitWindow::RowTexts(const gui::StringGrid& grid, int row) const {
  std::vector<std::string> texts;
  for (int c = 0; c < grid.ColCount(); ++c) texts.push_back(grid.Cell(c, row).toStdString());
  return texts;
}

void HitWindow::DrawQuinellaWideCell(gui::Canvas& canvas, int col, int row, const QRect& rect) {
  if (row < 1 || static_cast<size_t>(row) >= rowHits_.size()) return;
  PaintCell(canvas, rect,
            QuinellaWideCellColor(col, RowTexts(*QuinellaWideGrid, row), rowHits_[static_cast<size_t>(row)]),
            QuinellaWideGrid->Cell(col, row));
}

void HitWindow::DrawWinPlaceCell(gui::Canvas& canvas, int col, int row, const QRect& rect) {
  if (row < 1 || static_cast<size_t>(row) >= rowHits_.size()) return;
  PaintCell(canvas, rect, WinPlaceCellColor(col, RowTexts(*WinPlaceGrid, row), rowHits_[static_cast<size_t>(row)]),
            WinPlaceGrid->Cell(col, row));
}

void HitWindow::ClearQuinellaWideSelection() { QuinellaWideGrid->SetSelection(gui::GridRect{}); }
void HitWindow::ClearWinPlaceSelection() { WinPlaceGrid->SetSelection(gui::GridRect{}); }

void HitWindow::PrintQuinellaWideTab() { PrintTab(QuinellaWideSummary, *QuinellaWideGrid, "馬連", "ﾜｲﾄﾞ"); }
void HitWindow::PrintWinPlaceTab() { PrintTab(WinPlaceSummary, *WinPlaceGrid, "単勝", "複勝"); }

void HitWindow::PrintTab(const SummaryPanel& panel, gui::StringGrid& grid, const char* firstBetWord,
                         const char* secondBetWord) {
  try {
    Preview->BeginDoc();
    gui::Canvas& canvas = Preview->PageCanvas();
    canvas.SetFontSize(10);
    canvas.SetFontBold(true);
    canvas.SetFontUnderline(true);
    Preview->TextOut(100, 30, panel.title->Caption());
    canvas.SetFontBold(false);
    canvas.SetFontUnderline(false);
    for (int c = 0; c < 5; ++c)
      Preview->TextOut(kValueX[static_cast<size_t>(c)], 100, QString::fromUtf8(kHeads[static_cast<size_t>(c)]));
    for (int k = 0; k < kScopes; ++k) {
      int y = 150 + 100 * k;
      Preview->TextOut(100, y,
                       k == 0 ? QString::fromUtf8(kScopeAll) : panel.scopeNames[static_cast<size_t>(k)]->Caption());
      Preview->TextOut(350, y, QString::fromUtf8(firstBetWord));
      Preview->TextOut(350, y + 50, QString::fromUtf8(secondBetWord));
      for (int b = 0; b < 2; ++b)
        for (int c = 0; c < 5; ++c)
          Preview->TextOut(
              kValueX[static_cast<size_t>(c)], y + 50 * b,
              panel.values[static_cast<size_t>(k)][static_cast<size_t>(b)][static_cast<size_t>(c)]->Caption());
    }
    DrawGridPage(grid, 100, 570, 2.0);
    Preview->EndDoc();
    Preview->Print();
  } catch (const std::exception& e) {
    Preview->EndDoc();
    gui::ShowPrinterError(this, e.what());
  }
}

void HitWindow::DrawGridPage(gui::StringGrid& grid, int left, int top, double scale) {
  gui::Canvas& canvas = Preview->PageCanvas();
  canvas.SetFontSize(6);
  std::vector<int> xs{left}, ys{top};  // boundaries
  for (int c = 0; c < grid.ColCount(); ++c) xs.push_back(xs.back() + static_cast<int>(grid.ColWidth(c) * scale));
  for (int r = 0; r < grid.RowCount(); ++r) ys.push_back(ys.back() + static_cast<int>(grid.RowHeight(r) * scale));
  auto pen = [&](size_t boundary, size_t last) {
    canvas.SetPenWidth(Preview->SizeToDevice(boundary <= 1 || boundary == last ? 5 : 1));
  };
  for (size_t r = 0; r < ys.size(); ++r) {
    pen(r, ys.size() - 1);
    Preview->MoveTo(xs.front(), ys[r]);
    Preview->LineTo(xs.back(), ys[r]);
  }
  for (size_t c = 0; c < xs.size(); ++c) {
    pen(c, xs.size() - 1);
    Preview->MoveTo(xs[c], ys.front());
    Preview->LineTo(xs[c], ys.back());
  }
  for (int r = 0; r < grid.RowCount(); ++r)
    for (int c = 0; c < grid.ColCount(); ++c) {
      QString text = grid.Cell(c, r);
      if (!text.isEmpty()) Preview->TextOut(xs[static_cast<size_t>(c)] + 5, ys[static_cast<size_t>(r)] + 5, text);
    }
}

bool HitWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease &&
      (watched == QuinellaWideSummaryFrame || watched->parent() == QuinellaWideSummaryFrame))
    CopySummaryToClipboard();
  return QDialog::eventFilter(watched, event);
}

void HitWindow::CopySummaryToClipboard() {
  std::error_code ec;
  if (!std::filesystem::exists(VerificationMarkerPath(day_.AppDir), ec)) return;
  // The rates as the window shows them: a day load running meanwhile must not slip its figures under this
  // day's name.
  auto rate = [](const SummaryPanel& panel, int row) {
    return panel.values[0][static_cast<size_t>(row)][4]->Caption();
  };
  const QString crlf = QStringLiteral("\r\n");
  QApplication::clipboard()->setText(
      windowTitle() + crlf + Q(dayName_) + crlf + QString::fromUtf8("馬連　：") + rate(QuinellaWideSummary, 0) + crlf +
      QString::fromUtf8("ワイド：") + rate(QuinellaWideSummary, 1) + crlf + QString::fromUtf8("単勝　：") +
      rate(WinPlaceSummary, 0) + crlf + QString::fromUtf8("複勝　：") + rate(WinPlaceSummary, 1) + crlf);
}

void HitWindow::FillWithLayoutSamples() {
  static const std::array<const char*, 5> kUnits{"点", "点", "円", "円", "%"};
  for (SummaryPanel* panel : {&QuinellaWideSummary, &WinPlaceSummary}) {
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
  for (gui::StringGrid* grid : {QuinellaWideGrid, WinPlaceGrid})
    for (int r = 1; r < grid->RowCount(); ++r)
      for (int c = 3; c < grid->ColCount(); ++c) grid->SetCell(c, r, QStringLiteral(" C:%1 R:%2").arg(c).arg(r));
}

// ---- Entries ----

void ShowHitWindow(QWidget* parent, const DayModel& day, const std::string& dayName, int raceLines) {
  bool anyRace = false;
  for (const RaceInfo& info : day.Races) anyRace = anyRace || info.HasData == 1;
  // A load that stopped early leaves the date box set but no race: nothing of that day can be judged.
  if (IsBlank(dayName) || raceLines <= 0 || !anyRace) {
    gui::MessageBeep(0);
    gui::ShowInformation(parent, QString::fromUtf8("ﾃﾞｰﾀを読み込んでください。"));
    return;
  }
  auto* form = new HitWindow(parent, day, dayName, raceLines);
  form->setAttribute(Qt::WA_DeleteOnClose, true);
  form->exec();
}

HitReportResult WriteHitReport(QWidget* parent, const DayModel& day, HitReportKind kind) {
  HitReportResult result = BuildHitReport(day, kind);
  if (result.written) {
    gui::OpenDocument(QString::fromStdString(result.dayFile.string()));
    QApplication::clipboard()->setText(Q(JoinLinesCrLf(result.hitList)));
  }
  if (!result.errors.empty()) {
    QString text = QString::fromUtf8("的中レポートを保存できませんでした。");
    for (const std::string& e : result.errors) text += "\n" + QString::fromStdString(e);
    gui::ShowWarning(parent, text);
  }
  return result;
}

}  // namespace corvina::analysis
