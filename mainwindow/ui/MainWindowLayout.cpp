// Building the main window: its widgets and layouts, the menus, the grids' set-up and the connections of every
// control to its handler.
#include "mainwindow/ui/MainWindow.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <initializer_list>
#include <utility>

#include "components/ui/FolderChooser.h"
#include "components/ui/Label3D.h"
#include "mainwindow/ui/CardPaint.h"
#include "mainwindow/ui/MainWindowHelpers.h"
#include "platform/Text.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/StringGrid.h"
#include "platform/gui/UpDown.h"
#include "platform/gui/WindowBounds.h"
#include "racedata/RacingTexts.h"
#include "racedata/RecordLayout.h"

namespace corvina {

using namespace mainwindow;

namespace {

const char* const kCaption = "コルヴィナ for JRA-VAN　Data Lab.";
const char* const kMatrixNote =
    "※表示されている馬連オッズは単勝オッズより算出した仮想オッズです。参考としてご利用ください。";

// A label of the label arrays: small, with a background that the race view may colour.
QLabel* ValueLabel(QWidget* parent, int minWidth) {
  auto* l = new QLabel(parent);
  l->setMinimumWidth(minWidth);
  l->setAutoFillBackground(true);
  l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return l;
}

void SetTextColour(QWidget* l, const QColor& c) {
  QPalette p = l->palette();
  p.setColor(QPalette::WindowText, c);
  l->setPalette(p);
}

Label3D* HeaderLabel(QWidget* parent, int points, bool bold, int minWidth = 0) {
  auto* l = new Label3D(parent);
  l->setFont(QFont(gui::kPGothic));
  l->SetFontSize(points);
  l->SetFontBold(bold);
  l->SetTransparent(true);
  l->SetLayout(Label3D::TextLayout::Center);
  if (minWidth > 0) l->setMinimumWidth(minWidth);
  return l;
}

// The widest blank among the fonts of `widgets`: two texts side by side that stand less apart read as one.
int WidestBlank(std::initializer_list<QWidget*> widgets) {
  int widest = 0;
  for (const QWidget* w : widgets) widest = std::max(widest, w->fontMetrics().horizontalAdvance(QLatin1Char(' ')));
  return widest;
}

}  // namespace

void MainWindow::BuildLayout() {
  setWindowTitle(QString::fromUtf8(kCaption));
  BuildMenus();
  auto* central = new QWidget(this);
  auto* outer = new QVBoxLayout(central);
  outer->setContentsMargins(2, 2, 2, 2);
  outer->setSpacing(2);
  outer->addWidget(BuildSpeedBar());
  outer->addWidget(BuildRaceHeader());
  auto* body = new QHBoxLayout;
  body->setSpacing(4);
  body->addWidget(BuildDayPanel());
  // The race pages sit in a holder that keeps its place while the pages are hidden during a rebuild.
  auto* holder = new QWidget(central);
  auto* holderLayout = new QVBoxLayout(holder);
  holderLayout->setContentsMargins(0, 0, 0, 0);
  RaceTabs = new QTabWidget(holder);
  holderLayout->addWidget(RaceTabs);
  RaceTabs->addTab(BuildCardPage(), QStringLiteral("出馬表"));
  RaceTabs->addTab(BuildPairPage(), QStringLiteral("連勝オッズ表"));
  auto* meanPairOddsPage = new QWidget;
  auto* meanPairOddsLayout = new QVBoxLayout(meanPairOddsPage);
  MeanPairOddsGrid = new gui::StringGrid(meanPairOddsPage);
  meanPairOddsLayout->addWidget(MeanPairOddsGrid);
  RaceTabs->addTab(meanPairOddsPage, QStringLiteral("三連複考察"));
  RaceTabs->addTab(BuildResultPage(), QStringLiteral("成績結果"));
  RaceTabs->setVisible(false);
  body->addWidget(holder, 1);
  outer->addLayout(body, 1);
  setCentralWidget(central);
  statusBar()->setSizeGripEnabled(true);

  FolderDialog = new FolderChooser(this);
  FolderDialog->OpenDefault = true;
  FolderDialog->StatusHeader = QString::fromUtf8(kFolderChooserStatusHeader);
  FolderDialog->Text = QString::fromUtf8(kFolderChooserText);
  AutoOddsTimer = new QTimer(this);
  AutoOddsTimer->setInterval(40000);
  connect(AutoOddsTimer, &QTimer::timeout, this, Guarded([this] { TakeDueOdds(); }));
  ResultsPollTimer = new QTimer(this);
  connect(ResultsPollTimer, &QTimer::timeout, this, Guarded([this] { PollResults(); }));
  SetUpGrids();
}

void MainWindow::BuildMenus() {
  auto item = [this](QMenu* menu, const char* caption, auto handler) {
    QAction* a = menu->addAction(QString::fromUtf8(caption));
    connect(a, &QAction::triggered, this, Guarded(std::move(handler)));
    return a;
  };
  auto* file = menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
  item(file, "JVﾃﾞｰﾀ取得(&J)", [this] { ShowStoredImportWindow(); });
  ManualOddsAction = item(file, "ｵｯｽﾞ手動取得(&O)", [this] { ShowManualOddsWindow(); });
  TimeSeriesOddsAction = item(file, "時系列ｵｯｽﾞより取得(&T)", [this] { ImportTimeSeriesOdds(); });
  auto* clear = file->addMenu(QStringLiteral("当日ｵｯｽﾞを消去(&E)"));
  ClearAllOddsAction = item(clear, "全ﾚｰｽ(&A)", [this] { ClearOddsOfEveryRace(); });
  ClearShownRaceOddsAction = item(clear, "表示ﾚｰｽ(&C)", [this] { ClearOddsOfShownRace(); });
  file->addSeparator();
  PrintRacePagesAction = item(file, "印刷(&P)...", [this] { PrintRacePages(); });
  PrinterSetupAction = item(file, "ﾌﾟﾘﾝﾀの設定(&R)...", [this] { SetUpPrinter(); });
  file->addSeparator();
  item(file, "終了(&X)", [this] { ExitProgram(); });
  auto* view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
  HideDayListAfterLoadAction = view->addAction(QStringLiteral("読込後、ﾃﾞｰﾀﾘｽﾄを消す"));
  HideDayListAfterLoadAction->setCheckable(true);
  connect(HideDayListAfterLoadAction, &QAction::triggered, this, Guarded([this] { StoreHideDayListOption(); }));
  view->addSeparator();
  OddsScheduleAction = item(view, "ｵｯｽﾞ取得ｽｹｼﾞｭｰﾙ一覧表(&S)", [this] { ShowOddsSchedule(); });
  HitWindowAction = item(view, "的中判定(&H)", [this] { ShowHitWindow(); });
  HitWindowAction->setStatusTip(QStringLiteral("的中判定表を表示します"));
  auto* folders = menuBar()->addMenu(QStringLiteral("ﾌｫﾙﾀﾞ指定(&D)"));
  TimeSeriesFolderAction = item(folders, "時系列ｵｯｽﾞﾌｫﾙﾀﾞ指定(&J)", [this] { ChooseTimeSeriesFolder(); });
  auto* settings = menuBar()->addMenu(QStringLiteral("設定(&T)"));
  OddsDelayAction = item(settings, "オッズ取得時刻調整", [this] { SetOddsDelay(); });
  ResultsPollIntervalAction = item(settings, "ﾃﾞｰﾀ取得時刻設定", [this] { SetResultsPollInterval(); });
  PredictedOddsFolderAction =
      item(settings, "単勝予想配当ﾃﾞｰﾀﾌｫﾙﾀﾞの指定(&K)", [this] { ChoosePredictedOddsFolder(); });
  auto* kaime = menuBar()->addMenu(QStringLiteral("買い目属性(&K)"));
  LocalOptionAction = kaime->addAction(QStringLiteral("ﾛｰｶﾙｵﾌﾟｼｮﾝ"));
  LocalOptionAction->setCheckable(true);
  connect(LocalOptionAction, &QAction::triggered, this, Guarded([this] { ApplyLocalOption(); }));
  auto* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
  HelpContentsAction = item(help, "目次(&C)", [this] { ShowHelp(); });
  VersionAction = item(help, "ﾊﾞｰｼﾞｮﾝ情報(&A)", [this] { ShowVersion(); });
}

QWidget* MainWindow::BuildSpeedBar() {
  auto* bar = new QWidget(this);
  auto* rows = new QVBoxLayout(bar);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(2);
  auto* l = new QHBoxLayout;
  rows->addLayout(l);
  auto button = [&](const char* caption, const char* tip) {
    auto* b = new QPushButton(QString::fromUtf8(caption), bar);
    b->setStatusTip(QString::fromUtf8(tip));
    gui::NarrowToCaption(*b);
    l->addWidget(b);
    return b;
  };
  ExitButton = button("終了", "プログラムを終了します");
  connect(ExitButton, &QPushButton::clicked, this, Guarded([this] { ExitProgram(); }));
  HelpButton = button("ﾍﾙﾌﾟ", "ヘルプを表示します");
  connect(HelpButton, &QPushButton::clicked, this, Guarded([this] { ShowHelp(); }));
  VersionButton = button("ﾊﾞｰｼﾞｮﾝ情報", "バージョン情報を表示します");
  connect(VersionButton, &QPushButton::clicked, this, Guarded([this] { ShowVersion(); }));
  PredictedOddsButton = button("予想配当", "単勝予想配当ﾃﾞｰﾀを読み込みます");
  connect(PredictedOddsButton, &QPushButton::clicked, this, Guarded([this] { ImportPredictedOdds(); }));
  StoredImportButton = button("JVデータ取得", "JV-Linkから蓄積データを取得します");
  connect(StoredImportButton, &QPushButton::clicked, this, Guarded([this] { ShowStoredImportWindow(); }));
  ManualOddsButton = button("ｵｯｽﾞ手動取得", "オッズを手動で取得します");
  connect(ManualOddsButton, &QPushButton::clicked, this, Guarded([this] { ShowManualOddsWindow(); }));
  AutoOddsCheck = new QCheckBox(QStringLiteral("ｵｯｽﾞ自動取得"), bar);
  AutoOddsCheck->setStatusTip(QStringLiteral("予定の時刻にオッズを自動で取得します"));
  // Toggled, not clicked: whoever unchecks the box also stops the timer.
  connect(AutoOddsCheck, &QCheckBox::toggled, this, Guarded([this] { StartOrStopAutoOdds(); }));
  l->addWidget(AutoOddsCheck);
  HitReportButton = button("的中", "的中レポートを作成します");
  LongshotHitReportButton = button("穴的中", "穴の的中レポートを作成します");
  connect(HitReportButton, &QPushButton::clicked, this, Guarded([this] { ShowHitReport(false); }));
  connect(LongshotHitReportButton, &QPushButton::clicked, this, Guarded([this] { ShowHitReport(true); }));
  l->addStretch(1);
  LocalOptionLabel = HeaderLabel(bar, 9, false);
  LocalOptionLabel->SetTextStyle(TextEffect::None);
  LocalOptionLabel->setSizePolicy(QSizePolicy::Minimum, LocalOptionLabel->sizePolicy().verticalPolicy());
  l->addWidget(LocalOptionLabel);
  // The exchanges' status has a line of its own under the buttons, as wide as the window: beside them it had
  // room for a few characters only. A failure the user must act on is read whole: a text longer than the
  // window's width goes on over more lines, and the window makes room for them.
  ExchangeStatusLabel = HeaderLabel(bar, 9, true);
  ExchangeStatusLabel->SetFontColor(QColor(128, 0, 0));
  ExchangeStatusLabel->SetAlignment(Qt::AlignLeft);
  ExchangeStatusLabel->SetLayout(Label3D::TextLayout::Top);
  ExchangeStatusLabel->SetWordWrap(true);
  ExchangeStatusLabel->setSizePolicy(QSizePolicy::Ignored, ExchangeStatusLabel->sizePolicy().verticalPolicy());
  rows->addWidget(ExchangeStatusLabel);
  return bar;
}

QWidget* MainWindow::BuildRaceHeader() {
  auto* panel = new QFrame(this);
  panel->setFrameShape(QFrame::StyledPanel);
  // The header keeps the height of its two lines in a small window; the race pages give way instead.
  panel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  GradeLabel = HeaderLabel(panel, 10, true);
  GradeLabel->SetFontColor(Qt::red);
  CourseLabel = HeaderLabel(panel, 12, true);
  RaceNumberLabel = HeaderLabel(panel, 16, true, 30);
  RaceNumberLabel->SetAlignment(Qt::AlignRight);
  RaceNumberLabel->SetFontColor(Qt::white);
  RaceNumberLabel->SetColor(QColor(0, 0, 128));
  auto* r = HeaderLabel(panel, 12, true);
  r->SetCaption(QStringLiteral("R"));
  DateHeaderLabel = HeaderLabel(panel, 9, false);
  RaceNameLabel = HeaderLabel(panel, 12, true);
  RaceNameLabel->SetFontColor(QColor(0, 0, 128));
  WeightRuleLabel = HeaderLabel(panel, 9, false);
  ClassLabel = HeaderLabel(panel, 9, false);
  TrackLabel = HeaderLabel(panel, 9, false);
  DistanceLabel = HeaderLabel(panel, 9, false);
  PostTimeLabel = HeaderLabel(panel, 9, false);
  EntryCountLabel = HeaderLabel(panel, 9, true);
  auto* first = HeaderLabel(panel, 8, false);
  first->SetCaption(QStringLiteral("1回目"));
  FirstSnapshotTimeLabel = HeaderLabel(panel, 9, false);
  auto* second = HeaderLabel(panel, 8, false);
  second->SetCaption(QStringLiteral("2回目"));
  SecondSnapshotTimeLabel = HeaderLabel(panel, 9, false);
  // Two lines, the race above and its conditions and odds times below: in one line the labels of a race with
  // odds need more than the window's first width, and were cut. A label is never narrower than its text, so the
  // window's smallest width keeps every label whole.
  auto* lines = new QVBoxLayout(panel);
  lines->setContentsMargins(4, 2, 4, 2);
  lines->setSpacing(0);
  auto line = [&](std::initializer_list<QWidget*> labels) {
    auto* l = new QHBoxLayout;
    // A label draws its text up to its edge: a blank between them keeps "1" and "R", or the date and the race
    // name, apart.
    l->setSpacing(WidestBlank(labels));
    for (QWidget* w : labels) {
      w->setSizePolicy(QSizePolicy::Minimum, w->sizePolicy().verticalPolicy());
      l->addWidget(w);
    }
    l->addStretch(1);
    lines->addLayout(l);
  };
  line({GradeLabel, CourseLabel, RaceNumberLabel, r, DateHeaderLabel, RaceNameLabel});
  line({WeightRuleLabel, ClassLabel, TrackLabel, DistanceLabel, PostTimeLabel, EntryCountLabel, first,
        FirstSnapshotTimeLabel, second, SecondSnapshotTimeLabel});
  return panel;
}

QWidget* MainWindow::BuildDayPanel() {
  // DayListPanel (date box and race list) and RaceButtonsPanel (its buttons) stand one above the other in a
  // column of their own: "F" hides DayListPanel only, so the column narrows to the buttons and "F" stays there
  // to bring the list back.
  auto* column = new QWidget(this);
  auto* c = new QVBoxLayout(column);
  c->setContentsMargins(0, 0, 0, 0);
  c->setSpacing(2);
  DayListPanel = new QWidget(column);
  DayListPanel->setFixedWidth(200);
  auto* l = new QVBoxLayout(DayListPanel);
  l->setContentsMargins(0, 0, 0, 0);
  DateCombo = new QComboBox(DayListPanel);
  DateCombo->setStatusTip(QStringLiteral("表示する開催日を選びます"));
  l->addWidget(DateCombo);
  RaceList = new QListWidget(DayListPanel);
  RaceList->setStatusTip(QStringLiteral("表示するレースを選びます"));
  l->addWidget(RaceList, 1);
  c->addWidget(DayListPanel, 1);
  c->addStretch(0);  // takes the height of a hidden DayListPanel, so the buttons stay at the bottom
  RaceButtonsPanel = new QWidget(column);
  RaceButtonsPanel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  auto* buttonGrid = new QGridLayout(RaceButtonsPanel);
  buttonGrid->setContentsMargins(0, 0, 0, 0);
  buttonGrid->setSpacing(2);
  int at = 0;
  std::array<QToolButton*, 4> buttons{};
  for (const char* caption : {"F", "判定", "結果情報", "速報ｵｯｽﾞ"}) {
    auto* b = new QToolButton(RaceButtonsPanel);
    b->setText(QString::fromUtf8(caption));
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    buttonGrid->addWidget(b, at / 2, at % 2);
    buttons[at++] = b;
  }
  DayListButton = buttons[0];
  connect(DayListButton, &QToolButton::clicked, this, Guarded([this] { ToggleDayList(); }));
  DayListButton->setStatusTip(QStringLiteral("日付とレースの一覧を表示・非表示にします"));
  HitWindowButton = buttons[1];
  HitWindowButton->setStatusTip(QStringLiteral("的中判定表を表示します"));
  connect(HitWindowButton, &QToolButton::clicked, this, Guarded([this] { ShowHitWindow(); }));
  ResultsButton = buttons[2];
  ResultsButton->setStatusTip(QStringLiteral("本日のレース結果と払戻を取得します"));
  LatestOddsButton = buttons[3];
  LatestOddsButton->setStatusTip(QStringLiteral("表示中のレースのオッズを取得します"));
  connect(ResultsButton, &QToolButton::clicked, this, Guarded([this] { FetchResults(); }));
  connect(LatestOddsButton, &QToolButton::clicked, this, Guarded([this] { FetchShownRaceOdds(); }));
  RaceArrows = new gui::UpDown(RaceButtonsPanel);
  RaceArrows->setFixedWidth(20);
  RaceArrows->setToolTip(QStringLiteral("前後のレース"));
  RaceArrows->SetMax(0);
  buttonGrid->addWidget(RaceArrows, 0, 2, 2, 1);
  c->addWidget(RaceButtonsPanel);

  connect(DateCombo, &QComboBox::activated, this, Guarded([this] { LoadChosenDay(); }));
  connect(RaceList, &QListWidget::currentRowChanged, this, Guarded([this] {
            if (!selectingRace_) ShowChosenRace();
          }));
  connect(RaceArrows, &gui::UpDown::Clicked, this, Guarded([this] {
            if (RaceList->count() < 2) return;
            SelectRaceLine(RaceArrows->Position());
            ShowChosenRace();
          }));
  return column;
}

QWidget* MainWindow::BuildCardPage() {
  auto* page = new QWidget;
  auto* l = new QVBoxLayout(page);
  l->setContentsMargins(2, 2, 2, 2);
  auto* sortBar = new QHBoxLayout;
  sortBar->addWidget(new QLabel(QStringLiteral("並べ替え:"), page));
  SortByNumberButton = new QToolButton(page);
  SortByNumberButton->setText(QStringLiteral("馬番"));
  SortByNameButton = new QToolButton(page);
  SortByNameButton->setText(QStringLiteral("賞金"));
  auto* group = new QButtonGroup(page);
  group->setExclusive(false);
  for (QToolButton* b : {SortByNumberButton, SortByNameButton}) {
    b->setCheckable(true);
    group->addButton(b);
    sortBar->addWidget(b);
  }
  // One group where both may be up: pressing one releases the other.
  connect(SortByNumberButton, &QToolButton::clicked, this, Guarded([this] {
            if (SortByNumberButton->isChecked()) SortByNameButton->setChecked(false);
            SortRaceCard();
          }));
  connect(SortByNameButton, &QToolButton::clicked, this, Guarded([this] {
            if (SortByNameButton->isChecked()) SortByNumberButton->setChecked(false);
            SortRaceCard();
          }));
  SortByNumberButton->setChecked(true);
  sortBar->addStretch(1);
  l->addLayout(sortBar);
  RaceCardGrid = new gui::StringGrid(page);
  l->addWidget(RaceCardGrid, 1);
  CopyRaceCardAction = new QAction(QStringLiteral("分析表をｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰ"), RaceCardGrid);
  connect(CopyRaceCardAction, &QAction::triggered, this, Guarded([this] { CopyRaceCard(); }));
  RaceCardGrid->addAction(CopyRaceCardAction);
  RaceCardGrid->setContextMenuPolicy(Qt::ActionsContextMenu);

  // The six tickets, the axis horse and the mark counts.
  auto* ticketPanel = new QFrame(page);
  ticketPanel->setFrameShape(QFrame::StyledPanel);
  auto* g = new QGridLayout(ticketPanel);
  g->setContentsMargins(4, 2, 4, 2);
  g->setVerticalSpacing(1);
  TicketKindLabel = HeaderLabel(ticketPanel, 9, true);
  // Never narrower than its bet type: squeezed, the ticket cells beside it would cover it.
  TicketKindLabel->setSizePolicy(QSizePolicy::Minimum, TicketKindLabel->sizePolicy().verticalPolicy());
  g->addWidget(TicketKindLabel, 0, 0);
  for (int t = 1; t <= kTicketPlaces; ++t) {
    for (int k = 0; k < 3; ++k) {
      QLabel* label = ValueLabel(ticketPanel, k == 0 ? 14 : k == 1 ? 44 : 56);
      TicketLabels[3 * t - 2 + k] = label;
      g->addWidget(label, k, t);
    }
  }
  auto* axisCaption = new QLabel(QStringLiteral("軸馬"), ticketPanel);
  g->addWidget(axisCaption, 0, 7);
  AxisHorseLabel = ValueLabel(ticketPanel, 24);
  g->addWidget(AxisHorseLabel, 1, 7);
  AxisOddsLabel = HeaderLabel(ticketPanel, 9, false, 56);
  AxisOddsLabel->SetTransparent(false);
  g->addWidget(AxisOddsLabel, 2, 7);
  TicketNoteLabel = HeaderLabel(ticketPanel, 9, true, 90);
  TicketNoteLabel->SetFontColor(Qt::red);
  g->addWidget(TicketNoteLabel, 0, 8);
  auto* counts = new QHBoxLayout;
  CountALabel = ValueLabel(ticketPanel, 18);
  CountBLabel = ValueLabel(ticketPanel, 18);
  CountCLabel = ValueLabel(ticketPanel, 18);
  for (auto [name, value] :
       {std::pair{"A:", CountALabel}, std::pair{"B:", CountBLabel}, std::pair{"C:", CountCLabel}}) {
    if (value != CountALabel) counts->addSpacing(6);
    counts->addWidget(new QLabel(QString::fromUtf8(name), ticketPanel));
    counts->addWidget(value);
  }
  g->addLayout(counts, 1, 8);
  // The numbers stand right in their cells and the captions left in theirs: a blank between the cells keeps
  // "6" and "軸馬", or the axis horse and "A:", apart.
  g->setHorizontalSpacing(WidestBlank({TicketKindLabel, TicketLabels[1], axisCaption, AxisOddsLabel, TicketNoteLabel}));
  g->setColumnStretch(9, 1);
  l->addWidget(ticketPanel);
  return page;
}

QWidget* MainWindow::BuildPairSheet(std::array<QLabel*, 154>& labels, gui::StringGrid*& ranking, bool predicted) {
  auto* tabs = new QTabWidget;
  auto* matrixPage = new QWidget;
  auto* outer = new QVBoxLayout(matrixPage);
  auto* scroll = new QScrollArea(matrixPage);
  auto* sheet = new QWidget;
  auto* g = new QGridLayout(sheet);
  g->setHorizontalSpacing(3);
  g->setVerticalSpacing(0);
  QFont small(gui::kGothic);
  small.setPixelSize(11);
  // One column per first horse: " 1- 2" to " 1-18" down the first column, " 2- 3" to " 2-18" down the second.
  for (int k = 1; k <= layout::kUmarenPairs; ++k) {
    const std::string label = UmarenIndexToStr(k);
    const int i = StrToIntLenient(Copy(label, 1, 2));
    const int j = StrToIntLenient(Copy(label, 4, 2));
    auto* caption = new QLabel(Q(label), sheet);
    caption->setFont(small);
    SetTextColour(caption, QColor(0, 0, 128));
    QLabel* value = ValueLabel(sheet, 44);
    value->setFont(small);
    SetBackground(value, Qt::white);
    labels[k] = value;
    g->addWidget(caption, 2 * (j - 2), i - 1);
    g->addWidget(value, 2 * (j - 2) + 1, i - 1);
  }
  scroll->setWidget(sheet);
  outer->addWidget(scroll, 1);
  if (predicted) {
    auto* note = new QLabel(QString::fromUtf8(kMatrixNote), matrixPage);
    note->setWordWrap(true);
    outer->addWidget(note);
  }
  tabs->addTab(matrixPage, QStringLiteral("馬連順"));
  ranking = new gui::StringGrid;
  tabs->addTab(ranking, QStringLiteral("人気順"));
  return tabs;
}

QWidget* MainWindow::BuildPairPage() {
  auto* tabs = new QTabWidget;
  tabs->addTab(BuildPairSheet(PredictedPairOddsLabels, PredictedOddsRankingGrid, true), QStringLiteral("予想オッズ"));
  tabs->addTab(BuildPairSheet(RealPairOddsLabels, OddsRankingGrid, false), QStringLiteral("当日オッズ"));
  return tabs;
}

QWidget* MainWindow::BuildResultPage() {
  auto* page = new QWidget;
  auto* outer = new QHBoxLayout(page);
  struct Block {
    const char* name;
    int entries;
  };
  static const Block blocks[] = {{"単勝", 3},   {"複勝", 5}, {"枠連", 3},  {"馬連", 3},
                                 {"ワイド", 7}, {"馬単", 6}, {"3連複", 3}, {"3連単", 6}};
  QGridLayout* g = nullptr;
  int row = 0, entry = 0;
  for (int b = 0; b < 8; ++b) {
    if (b == 0 || b == 5) {  // two columns of bet types
      auto* box = new QFrame(page);
      box->setFrameShape(QFrame::StyledPanel);
      g = new QGridLayout(box);
      g->setVerticalSpacing(1);
      int c = 1;
      for (const char* h : {"組番", "人気", "払戻金(円)"}) g->addWidget(new QLabel(QString::fromUtf8(h), box), 0, c++);
      row = 1;
      outer->addWidget(box, 0, Qt::AlignTop);
    }
    auto* name = new QLabel(QString::fromUtf8(blocks[b].name), g->parentWidget());
    name->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    g->addWidget(name, row, 0, blocks[b].entries, 1);
    for (int k = 0; k < blocks[b].entries; ++k, ++row, ++entry) {
      for (int part = 0; part < 3; ++part) {
        QLabel* l = ValueLabel(g->parentWidget(), part == 0 ? 70 : part == 1 ? 30 : 80);
        SetBackground(l, Qt::white);
        PayoutLabels[3 * entry + 1 + part] = l;
        g->addWidget(l, row, 1 + part);
      }
    }
  }
  outer->addStretch(1);
  // The 21 payout rows of the first column scroll in a small window instead of making the window taller.
  auto* scroll = new QScrollArea;
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setWidget(page);
  return scroll;
}

void MainWindow::SetUpGrids() {
  QFont gridFont(gui::kGothic);
  gridFont.setPixelSize(12);
  QFont boldFont = gridFont;
  boldFont.setBold(true);

  RaceCardGrid->setFont(gridFont);
  RaceCardGrid->SetColCount(view::kCardColumns);
  RaceCardGrid->SetRowCount(2);
  RaceCardGrid->SetFixedCols(view::Col(view::CardColumn::PredWinOdds));  // the runner stays in view
  RaceCardGrid->SetFixedRows(1);
  RaceCardGrid->SetDefaultRowHeight(25);
  RaceCardGrid->SetRowHeight(0, 27);
  for (int c = 0; c < view::kCardColumns; ++c) {
    const ColumnCaption& caption = CardCaption(static_cast<view::CardColumn>(c));
    RaceCardGrid->SetColWidth(c, caption.width);
    RaceCardGrid->SetCell(c, 0, QString::fromUtf8(caption.cell));
  }
  RaceCardGrid->SetRowSelect(true);
  RaceCardGrid->SetRangeSelect(true);

  MeanPairOddsGrid->setFont(gridFont);
  MeanPairOddsGrid->SetColCount(view::kMeanPairOddsColumns);
  MeanPairOddsGrid->SetRowCount(2);
  MeanPairOddsGrid->SetFixedCols(view::Col(view::MeanPairOddsColumn::PredAvgOdds));
  MeanPairOddsGrid->SetFixedRows(1);
  MeanPairOddsGrid->SetDefaultColWidth(40);
  MeanPairOddsGrid->SetDefaultRowHeight(25);
  for (int c = 0; c < view::kMeanPairOddsColumns; ++c) {
    const ColumnCaption& caption = MeanPairOddsCaption(static_cast<view::MeanPairOddsColumn>(c));
    if (caption.width > 0) MeanPairOddsGrid->SetColWidth(c, caption.width);
    if (caption.cell) MeanPairOddsGrid->SetCell(c, 0, QString::fromUtf8(caption.cell));
  }
  MeanPairOddsGrid->SetRowSelect(true);
  MeanPairOddsGrid->SetRangeSelect(true);

  for (auto [grid, oddsHeader] :
       {std::pair{OddsRankingGrid, "オッズ"}, std::pair{PredictedOddsRankingGrid, "予想ｵｯｽﾞ"}}) {
    grid->setFont(boldFont);
    grid->SetColCount(3);
    grid->SetRowCount(2);
    grid->SetFixedCols(0);
    grid->SetFixedRows(1);
    grid->SetDefaultRowHeight(15);
    grid->SetColWidth(0, 30);
    grid->SetColWidth(1, 60);
    grid->SetColWidth(2, 60);
    grid->SetCell(0, 0, QStringLiteral("順位"));
    grid->SetCell(1, 0, QStringLiteral("馬連"));
    grid->SetCell(2, 0, QString::fromUtf8(oddsHeader));
    grid->SetOnDrawCell([this, grid = grid](gui::Canvas& c, int col, int row, const QRect& r, gui::CellState) {
      CardPaintContext ctx{day_.get(), day_->GCurRace, palette().color(QPalette::Button), InfoBackground()};
      DrawRankingCell(c, ctx, col, row, r, grid->Cell(col, row), grid->font());
    });
  }

  RaceCardGrid->SetOnDrawCell([this](gui::Canvas& c, int col, int row, const QRect& r, gui::CellState) {
    CardPaintContext ctx{day_.get(), day_->GCurRace, palette().color(QPalette::Button), InfoBackground()};
    DrawRaceCardCell(c, ctx, col, row, r, RaceCardGrid->Cell(col, row),
                     RaceCardGrid->Cell(view::Col(view::CardColumn::HorseNumber), row));
  });
  MeanPairOddsGrid->SetOnDrawCell([this](gui::Canvas& c, int col, int row, const QRect& r, gui::CellState) {
    CardPaintContext ctx{day_.get(), day_->GCurRace, palette().color(QPalette::Button), InfoBackground()};
    DrawMeanPairOddsCell(c, ctx, col, row, r, MeanPairOddsGrid->Cell(col, row),
                         MeanPairOddsGrid->Cell(view::Col(view::MeanPairOddsColumn::HorseNumber), row));
  });
  connect(RaceCardGrid, &gui::StringGrid::MouseUp, this, Guarded([this] { ClearRaceCardSelection(); }));
  connect(MeanPairOddsGrid, &gui::StringGrid::MouseUp, this, Guarded([this] { ClearMeanPairOddsSelection(); }));
}

}  // namespace corvina
