#include "mainwindow/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <system_error>

#include "analysis/Engine.h"
#include "analysis/HitReport.h"
#include "analysis/ui/AllPrintUnit.h"
#include "analysis/ui/TekiUnit.h"
#include "components/ui/Label3Dj.h"
#include "components/ui/FolderViewerEx.h"
#include "mainwindow/AboutBox.h"
#include "mainwindow/AutoOdds.h"
#include "mainwindow/CardPaint.h"
#include "mainwindow/Commands.h"
#include "mainwindow/RaceViewText.h"
#include "mainwindow/ResultsPoll.h"
#include "platform/Clock.h"
#include "platform/Cp932.h"
#include "platform/DayName.h"
#include "platform/LineFile.h"
#include "platform/Registry.h"
#include "platform/Text.h"
#include "platform/gui/Application.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/StringGrid.h"
#include "platform/gui/UpDown.h"
#include "platform/jvlink/FileJVLink.h"
#include "racedata/ErrorLog.h"
#include "racedata/JVMessages.h"
#include "racedata/KeibaFunc.h"
#include "racedata/OddsClear.h"
#include "racedata/RaceRecords.h"
#include "racedata/Results.h"
#include "racedata/TimeSeriesImport.h"
#include "racedata/ui/FirstTimeUnit.h"
#include "racedata/ui/GetDataUnit.h"
#include "racedata/ui/OddsSchejUnit.h"
#include "racedata/ui/SchejUnit.h"
#include "racedata/ui/TimeAddUnit.h"
#include "racedata/ui/YosoImportUnit.h"

namespace corvina {

namespace {

QString Q(const std::string& cp932) { return QString::fromStdString(FromCp932(cp932)); }
QColor ToQColor(view::Rgb c) { return QColor(c.r, c.g, c.b); }

const char* const kCaption = "コルヴィナ for JRA-VAN　Data Lab.";
const char* const kLocalOn = "ﾛｰｶﾙｵﾌﾟｼｮﾝ有効";
const char* const kLocalOff = "ﾛｰｶﾙｵﾌﾟｼｮﾝ無効";
const char* const kNoRunnerData = "レースは予想に必要なデータ量がありません。時間をおいて再取得してください。";
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

void SetBackground(QLabel* l, const QColor& c) {
  QPalette p = l->palette();
  p.setColor(QPalette::Window, c);
  l->setPalette(p);
}

void SetTextColour(QWidget* l, const QColor& c) {
  QPalette p = l->palette();
  p.setColor(QPalette::WindowText, c);
  l->setPalette(p);
}

TLabel3Dj* HeaderLabel(QWidget* parent, int points, bool bold, int minWidth = 0) {
  auto* l = new TLabel3Dj(parent);
  l->setFont(QFont(gui::kPGothic));
  l->SetFontSize(points);
  l->SetFontBold(bold);
  l->SetTransparent(true);
  l->SetLayout(TLabel3Dj::TTextLayout::tlCenter);
  if (minWidth > 0) l->setMinimumWidth(minWidth);
  return l;
}

QColor InfoBackground() { return QApplication::palette().color(QPalette::ToolTipBase); }

// A handler as the window's controls call it. An exception it lets out is shown in an error box here and the
// window goes on; caught inside the slot, it never unwinds through the toolkit's own frames, which are built
// without clean-up for exceptions.
template <class Handler>
auto Guarded(Handler handler) {
  return [handler = std::move(handler)] {
    try {
      handler();
    } catch (...) {
      gui::ReportException(std::current_exception());
    }
  };
}

// The program folder as every path is formed from it: absolute, since start-up makes it the current folder
// (a relative $CORVINA_HOME would otherwise point one level deeper), and without a trailing separator.
std::filesystem::path ProgramFolder(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(folder, ec);
  if (ec) p = folder;
  p = p.lexically_normal();
  if (!p.has_filename() && p != p.root_path()) p = p.parent_path();
  return p;
}

}  // namespace

TMainForm::TMainForm(const std::filesystem::path& appDir, QWidget* parent, JVLink* link)
    : QMainWindow(parent), day_(std::make_unique<DayModel>()) {
  FAppDir = ProgramFolder(appDir.empty() ? TIniGT::ApplicationFolder() : appDir);
  if (link == nullptr) {
    ownedLink_ = std::make_unique<FileJVLink>(FileJVLink::DefaultRoot(FAppDir));
    link = ownedLink_.get();
  }
  JVLink1 = link;
  RealTimeUi& ui = *this;
  reader_ = std::make_unique<RealTimeReader>(*JVLink1, *day_, ui);
  RunImportWindow = [](TGetDataForm& form) { form.exec(); };
  FormCreate();
}

TMainForm::~TMainForm() = default;

void TMainForm::FormCreate() {
  // The controls, label arrays and work lists exist whatever happens below, so no handler ever meets a
  // half-made window.
  IniGT1.SetFileName((FAppDir / std::string(kSettingsFileName)).string());
  BuildLayout();

  FindTimeSeriesFolder();
  day_->FAppDir = FAppDir;
  std::error_code ec;
  std::filesystem::current_path(FAppDir, ec);
  std::filesystem::create_directories(day_->DataDir(), ec);
  if (ec || !std::filesystem::is_directory(day_->DataDir())) {
    gui::ShowError(this, QStringLiteral("データフォルダを作成できません: ") +
                             QString::fromStdString(day_->DataDir().string()));
    createFailed_ = true;
    return;
  }
  HelpFile = FAppDir / "corvina.chm";
  // What saves cut off by a crash left behind, where a filesystem could not keep their temporary files unnamed.
  for (const auto& folder : {FAppDir, day_->DataDir(), analysis::HPuploadDir(FAppDir)}) RemoveSaveLeftovers(folder);

  bounds_.Restore(*this, {IniGT1.ReadInteger("locate", "left", 10), IniGT1.ReadInteger("locate", "top", 10),
                          IniGT1.ReadInteger("locate", "width", 780), IniGT1.ReadInteger("locate", "height", 560)});

  std::string logError;
  if (!StartErrorLog(FAppDir, &logError)) {
    gui::ShowError(this, QStringLiteral("ErrorLog.txt を読み書きできません: ") + QString::fromStdString(logError));
    createFailed_ = true;
    return;
  }
  ReadLines(FAppDir / kErrorLogName, FErrorLog);

  N5->setChecked(IniGT1.ReadBool("datalist", "close", false));
  N22->setChecked(IniGT1.ReadBool("kaime", "local", true));
  Label3D112->SetCaption(QString::fromUtf8(N22->isChecked() ? kLocalOn : kLocalOff));

  // A folder of that name is not the marker file.
  std::error_code markerError;
  const bool master = std::filesystem::is_regular_file(FAppDir / "MasterControlBrann.key", markerError);
  TekiAnaBtn->setVisible(master);
  TekiAnaBtn2->setVisible(master);

  MakeDataListBtnClick();
}

// The sibling odds viewer's data folder, from its installer's entry in the registry, when no folder is set
// yet. On Linux the registry has no such entry and the setting stays as the user or the time-series import
// left it.
void TMainForm::FindTimeSeriesFolder() {
  if (!IsBlank(IniGT1.ReadString("Dir", "jikeiretu", ""))) return;
  static const std::string key =
      ToCp932("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ハリヤード for JRA-VAN Data Lab._is1");
  const std::optional<std::string> appPath = RegReadString(RegRoot::LocalMachine, key, "Inno Setup: App Path");
  if (!appPath || IsBlank(*appPath)) return;
  try {
    IniGT1.WriteString("Dir", "jikeiretu", Trim(*appPath) + "/Data");
  } catch (const EIniFileException& e) {
    // Only a convenience: the time-series import asks for the folder when it has none.
    gui::ShowWarning(this, QString::fromStdString(e.what()));
  }
}

// ---- Layout -----------------------------------------------------------------------------------------------

void TMainForm::BuildLayout() {
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
  PageControl1 = new QTabWidget(holder);
  holderLayout->addWidget(PageControl1);
  PageControl1->addTab(BuildCardPage(), QStringLiteral("出馬表"));
  PageControl1->addTab(BuildPairPage(), QStringLiteral("連勝オッズ表"));
  auto* trio = new QWidget;
  auto* trioLayout = new QVBoxLayout(trio);
  StringGrid4 = new gui::StringGrid(trio);
  trioLayout->addWidget(StringGrid4);
  PageControl1->addTab(trio, QStringLiteral("三連複考察"));
  PageControl1->addTab(BuildResultPage(), QStringLiteral("成績結果"));
  PageControl1->setVisible(false);
  body->addWidget(holder, 1);
  outer->addLayout(body, 1);
  setCentralWidget(central);
  statusBar()->setSizeGripEnabled(true);

  FolderViewerEx1 = new TFolderViewerEx(this);
  FolderViewerEx1->OpenDefault = true;
  FolderViewerEx1->StatusHeader = QString::fromUtf8(kFolderViewerStatusHeader);
  FolderViewerEx1->Text = QString::fromUtf8(kFolderViewerText);
  Timer1 = new QTimer(this);
  Timer1->setInterval(40000);
  connect(Timer1, &QTimer::timeout, this, Guarded([this] { Timer1Timer(); }));
  Timer4 = new QTimer(this);
  connect(Timer4, &QTimer::timeout, this, Guarded([this] { Timer4Timer(); }));
  SetUpGrids();
}

void TMainForm::BuildMenus() {
  auto item = [this](QMenu* menu, const char* caption, auto handler) {
    QAction* a = menu->addAction(QString::fromUtf8(caption));
    connect(a, &QAction::triggered, this, Guarded(std::move(handler)));
    return a;
  };
  auto* file = menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
  item(file, "JVﾃﾞｰﾀ取得(&J)", [this] { JVBtnClick(); });
  N6 = item(file, "ｵｯｽﾞ手動取得(&O)", [this] { OzGetBtnClick(); });
  T2 = item(file, "時系列ｵｯｽﾞより取得(&T)", [this] { T2Click(); });
  auto* clear = file->addMenu(QStringLiteral("当日ｵｯｽﾞを消去(&E)"));
  N26 = item(clear, "全ﾚｰｽ(&A)", [this] { N26Click(); });
  N27 = item(clear, "表示ﾚｰｽ(&C)", [this] { N27Click(); });
  file->addSeparator();
  FilePrintItem = item(file, "印刷(&P)...", [this] { FilePrintItemClick(); });
  FilePrintSetupItem = item(file, "ﾌﾟﾘﾝﾀの設定(&R)...", [this] { FilePrintSetupItemClick(); });
  file->addSeparator();
  item(file, "終了(&X)", [this] { FileExitItemClick(); });
  auto* view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
  N5 = view->addAction(QStringLiteral("読込後、ﾃﾞｰﾀﾘｽﾄを消す"));
  N5->setCheckable(true);
  connect(N5, &QAction::triggered, this, Guarded([this] { N5Click(); }));
  view->addSeparator();
  S1 = item(view, "ｵｯｽﾞ取得ｽｹｼﾞｭｰﾙ一覧表(&S)", [this] { S1Click(); });
  T1 = item(view, "的中判定(&H)", [this] { SpeedButton15Click(); });
  T1->setStatusTip(QStringLiteral("的中判定表を表示します"));
  auto* folders = menuBar()->addMenu(QStringLiteral("ﾌｫﾙﾀﾞ指定(&D)"));
  J1 = item(folders, "時系列ｵｯｽﾞﾌｫﾙﾀﾞ指定(&J)", [this] { J1Click(); });
  auto* settings = menuBar()->addMenu(QStringLiteral("設定(&T)"));
  N9 = item(settings, "オッズ取得時刻調整", [this] { N9Click(); });
  N11 = item(settings, "ﾃﾞｰﾀ取得時刻設定", [this] { N11Click(); });
  YosokuMenu = item(settings, "単勝予想配当ﾃﾞｰﾀﾌｫﾙﾀﾞの指定(&K)", [this] { YosokuMenuClick(); });
  auto* kaime = menuBar()->addMenu(QStringLiteral("買い目属性(&K)"));
  N22 = kaime->addAction(QStringLiteral("ﾛｰｶﾙｵﾌﾟｼｮﾝ"));
  N22->setCheckable(true);
  connect(N22, &QAction::triggered, this, Guarded([this] { N22Click(); }));
  auto* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
  HelpContentsItem = item(help, "目次(&C)", [this] { SpeedButton5Click(); });
  HelpAboutItem = item(help, "ﾊﾞｰｼﾞｮﾝ情報(&A)", [this] { SpeedButton6Click(); });
}

QWidget* TMainForm::BuildSpeedBar() {
  auto* bar = new QWidget(this);
  auto* l = new QHBoxLayout(bar);
  l->setContentsMargins(0, 0, 0, 0);
  auto button = [&](const char* caption, const char* tip) {
    auto* b = new QPushButton(QString::fromUtf8(caption), bar);
    b->setStatusTip(QString::fromUtf8(tip));
    gui::NarrowToCaption(*b);
    l->addWidget(b);
    return b;
  };
  SpeedButton4 = button("終了", "プログラムを終了します");
  connect(SpeedButton4, &QPushButton::clicked, this, Guarded([this] { FileExitItemClick(); }));
  SpeedButton5 = button("ﾍﾙﾌﾟ", "ヘルプを表示します");
  connect(SpeedButton5, &QPushButton::clicked, this, Guarded([this] { SpeedButton5Click(); }));
  SpeedButton6 = button("ﾊﾞｰｼﾞｮﾝ情報", "バージョン情報を表示します");
  connect(SpeedButton6, &QPushButton::clicked, this, Guarded([this] { SpeedButton6Click(); }));
  YozBtn = button("予想配当", "単勝予想配当ﾃﾞｰﾀを読み込みます");
  connect(YozBtn, &QPushButton::clicked, this, Guarded([this] { YozBtnClick(); }));
  JVBtn = button("JVデータ取得", "JV-Linkから蓄積データを取得します");
  connect(JVBtn, &QPushButton::clicked, this, Guarded([this] { JVBtnClick(); }));
  OzGetBtn = button("ｵｯｽﾞ手動取得", "オッズを手動で取得します");
  connect(OzGetBtn, &QPushButton::clicked, this, Guarded([this] { OzGetBtnClick(); }));
  AutoOzCheck = new QCheckBox(QStringLiteral("ｵｯｽﾞ自動取得"), bar);
  AutoOzCheck->setStatusTip(QStringLiteral("予定の時刻にオッズを自動で取得します"));
  // Toggled, not clicked: whoever unchecks the box also stops the timer.
  connect(AutoOzCheck, &QCheckBox::toggled, this, Guarded([this] { AutoOzCheckClick(); }));
  l->addWidget(AutoOzCheck);
  TekiAnaBtn = button("的中", "的中レポートを作成します");
  TekiAnaBtn2 = button("穴的中", "穴の的中レポートを作成します");
  connect(TekiAnaBtn, &QPushButton::clicked, this, Guarded([this] { TekiAnaBtnClick(false); }));
  connect(TekiAnaBtn2, &QPushButton::clicked, this, Guarded([this] { TekiAnaBtnClick(true); }));
  DLlabel = HeaderLabel(bar, 9, true, 100);
  DLlabel->SetFontColor(QColor(128, 0, 0));
  DLlabel->setSizePolicy(QSizePolicy::Expanding, DLlabel->sizePolicy().verticalPolicy());
  l->addWidget(DLlabel, 1);
  Label3D112 = HeaderLabel(bar, 9, false);
  Label3D112->SetTextStyle(TTextStyle::tsNone);
  l->addWidget(Label3D112);
  return bar;
}

QWidget* TMainForm::BuildRaceHeader() {
  auto* panel = new QFrame(this);
  panel->setFrameShape(QFrame::StyledPanel);
  // The header keeps its height in a small window; the race pages give way instead.
  panel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  panel->setMinimumHeight(36);
  auto* l = new QHBoxLayout(panel);
  l->setContentsMargins(4, 2, 4, 2);
  Label3D115 = HeaderLabel(panel, 10, true);
  Label3D115->SetFontColor(Qt::red);
  Label3D1 = HeaderLabel(panel, 12, true);
  Label3D2 = HeaderLabel(panel, 16, true, 30);
  Label3D2->SetAlignment(Qt::AlignRight);
  Label3D2->SetFontColor(Qt::white);
  Label3D2->SetColor(QColor(0, 0, 128));
  auto* r = HeaderLabel(panel, 12, true);
  r->SetCaption(QStringLiteral("R"));
  Label3D3 = HeaderLabel(panel, 9, false);
  Label3D4 = HeaderLabel(panel, 12, true);
  Label3D4->SetFontColor(QColor(0, 0, 128));
  Label3D5 = HeaderLabel(panel, 9, false);
  Label3D6 = HeaderLabel(panel, 9, false);
  Label3D7 = HeaderLabel(panel, 9, false);
  Label3D8 = HeaderLabel(panel, 9, false);
  Label3D9 = HeaderLabel(panel, 9, false);
  Label3D10 = HeaderLabel(panel, 9, true);
  auto* first = HeaderLabel(panel, 8, false);
  first->SetCaption(QStringLiteral("1回目"));
  Label3D13 = HeaderLabel(panel, 9, false);
  auto* second = HeaderLabel(panel, 8, false);
  second->SetCaption(QStringLiteral("2回目"));
  Label3D15 = HeaderLabel(panel, 9, false);
  for (QWidget* w : std::initializer_list<QWidget*>{Label3D115, Label3D1, Label3D2, r, Label3D3, Label3D4, Label3D5,
                                                    Label3D6, Label3D7, Label3D8, Label3D9, Label3D10, first,
                                                    Label3D13, second, Label3D15})
    l->addWidget(w);
  l->addStretch(1);
  return panel;
}

QWidget* TMainForm::BuildDayPanel() {
  // Panel5 (date box and race list) and Panel7 (its buttons) stand one above the other in a column of their
  // own: "F" hides Panel5 only, so the column narrows to the buttons and "F" stays there to bring the list back.
  auto* column = new QWidget(this);
  auto* c = new QVBoxLayout(column);
  c->setContentsMargins(0, 0, 0, 0);
  c->setSpacing(2);
  Panel5 = new QWidget(column);
  Panel5->setFixedWidth(200);
  auto* l = new QVBoxLayout(Panel5);
  l->setContentsMargins(0, 0, 0, 0);
  DateCombo = new QComboBox(Panel5);
  DateCombo->setStatusTip(QStringLiteral("表示する開催日を選びます"));
  l->addWidget(DateCombo);
  DatList = new QListWidget(Panel5);
  DatList->setStatusTip(QStringLiteral("表示するレースを選びます"));
  l->addWidget(DatList, 1);
  c->addWidget(Panel5, 1);
  c->addStretch(0);  // takes the height of a hidden Panel5, so the buttons stay at the bottom
  Panel7 = new QWidget(column);
  Panel7->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  auto* p7 = new QGridLayout(Panel7);
  p7->setContentsMargins(0, 0, 0, 0);
  p7->setSpacing(2);
  int at = 0;
  std::array<QToolButton*, 4> buttons{};
  for (const char* caption : {"F", "判定", "結果情報", "速報ｵｯｽﾞ"}) {
    auto* b = new QToolButton(Panel7);
    b->setText(QString::fromUtf8(caption));
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    p7->addWidget(b, at / 2, at % 2);
    buttons[at++] = b;
  }
  SpeedButton8 = buttons[0];
  connect(SpeedButton8, &QToolButton::clicked, this, Guarded([this] { SpeedButton8Click(); }));
  SpeedButton8->setStatusTip(QStringLiteral("日付とレースの一覧を表示・非表示にします"));
  SpeedButton15 = buttons[1];
  SpeedButton15->setStatusTip(QStringLiteral("的中判定表を表示します"));
  connect(SpeedButton15, &QToolButton::clicked, this, Guarded([this] { SpeedButton15Click(); }));
  KekkaGetBtn = buttons[2];
  KekkaGetBtn->setStatusTip(QStringLiteral("本日のレース結果と払戻を取得します"));
  SokuhoOddsBtn = buttons[3];
  SokuhoOddsBtn->setStatusTip(QStringLiteral("表示中のレースのオッズを取得します"));
  connect(KekkaGetBtn, &QToolButton::clicked, this, Guarded([this] { KekkaGetBtnClick(); }));
  connect(SokuhoOddsBtn, &QToolButton::clicked, this, Guarded([this] { SokuhoOddsBtnClick(); }));
  UpDown1 = new gui::UpDown(Panel7);
  UpDown1->setFixedWidth(20);
  UpDown1->setToolTip(QStringLiteral("前後のレース"));
  UpDown1->SetMax(0);
  p7->addWidget(UpDown1, 0, 2, 2, 1);
  c->addWidget(Panel7);

  connect(DateCombo, &QComboBox::activated, this, Guarded([this] { DateComboChange(); }));
  connect(DatList, &QListWidget::currentRowChanged, this, Guarded([this] {
            if (!selectingRace_) DatListClick();
          }));
  connect(UpDown1, &gui::UpDown::Clicked, this, Guarded([this] {
            if (DatList->count() < 2) return;
            SelectRaceLine(UpDown1->Position());
            DatListClick();
          }));
  return column;
}

QWidget* TMainForm::BuildCardPage() {
  auto* page = new QWidget;
  auto* l = new QVBoxLayout(page);
  l->setContentsMargins(2, 2, 2, 2);
  auto* sortBar = new QHBoxLayout;
  sortBar->addWidget(new QLabel(QStringLiteral("並べ替え:"), page));
  SpeedButton2 = new QToolButton(page);
  SpeedButton2->setText(QStringLiteral("馬番"));
  SpeedButton3 = new QToolButton(page);
  SpeedButton3->setText(QStringLiteral("賞金"));
  auto* group = new QButtonGroup(page);
  group->setExclusive(false);
  for (QToolButton* b : {SpeedButton2, SpeedButton3}) {
    b->setCheckable(true);
    group->addButton(b);
    sortBar->addWidget(b);
  }
  // One group where both may be up: pressing one releases the other.
  connect(SpeedButton2, &QToolButton::clicked, this, Guarded([this] {
            if (SpeedButton2->isChecked()) SpeedButton3->setChecked(false);
            SpeedButton2Click();
          }));
  connect(SpeedButton3, &QToolButton::clicked, this, Guarded([this] {
            if (SpeedButton3->isChecked()) SpeedButton2->setChecked(false);
            SpeedButton2Click();
          }));
  SpeedButton2->setChecked(true);
  sortBar->addStretch(1);
  l->addLayout(sortBar);
  StringGrid2 = new gui::StringGrid(page);
  l->addWidget(StringGrid2, 1);
  N18 = new QAction(QStringLiteral("分析表をｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰ"), StringGrid2);
  connect(N18, &QAction::triggered, this, Guarded([this] { N18Click(); }));
  StringGrid2->addAction(N18);
  StringGrid2->setContextMenuPolicy(Qt::ActionsContextMenu);

  // Panel4: the six tickets, the axis horse and the mark counts.
  auto* panel4 = new QFrame(page);
  panel4->setFrameShape(QFrame::StyledPanel);
  auto* g = new QGridLayout(panel4);
  g->setContentsMargins(4, 2, 4, 2);
  g->setHorizontalSpacing(4);
  g->setVerticalSpacing(1);
  Label3D110 = HeaderLabel(panel4, 9, true);
  g->addWidget(Label3D110, 0, 0);
  for (int t = 1; t <= 6; ++t) {
    for (int k = 0; k < 3; ++k) {
      QLabel* label = ValueLabel(panel4, k == 0 ? 14 : k == 1 ? 44 : 56);
      FPickLabels[3 * t - 2 + k] = label;
      g->addWidget(label, k, t);
    }
  }
  auto* axisCaption = new QLabel(QStringLiteral("軸馬"), panel4);
  g->addWidget(axisCaption, 0, 7);
  LabelKT = ValueLabel(panel4, 24);
  g->addWidget(LabelKT, 1, 7);
  Label3D113 = HeaderLabel(panel4, 9, false, 56);
  Label3D113->SetTransparent(false);
  g->addWidget(Label3D113, 2, 7);
  Label3D103 = HeaderLabel(panel4, 9, true, 90);
  Label3D103->SetFontColor(Qt::red);
  g->addWidget(Label3D103, 0, 8);
  auto* counts = new QHBoxLayout;
  ALabel = ValueLabel(panel4, 18);
  BLabel = ValueLabel(panel4, 18);
  CLabel = ValueLabel(panel4, 18);
  for (auto [name, value] : {std::pair{"A:", ALabel}, std::pair{"B:", BLabel}, std::pair{"C:", CLabel}}) {
    counts->addWidget(new QLabel(QString::fromUtf8(name), panel4));
    counts->addWidget(value);
    counts->addSpacing(6);
  }
  g->addLayout(counts, 1, 8);
  g->setColumnStretch(9, 1);
  l->addWidget(panel4);
  return page;
}

QWidget* TMainForm::BuildPairSheet(std::array<QLabel*, 154>& labels, gui::StringGrid*& ranking, bool predicted) {
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

QWidget* TMainForm::BuildPairPage() {
  auto* tabs = new QTabWidget;
  tabs->addTab(BuildPairSheet(FPairLabels2, StringGrid3, true), QStringLiteral("予想オッズ"));
  tabs->addTab(BuildPairSheet(FPairLabels1, StringGrid1, false), QStringLiteral("当日オッズ"));
  return tabs;
}

QWidget* TMainForm::BuildResultPage() {
  auto* page = new QWidget;
  auto* outer = new QHBoxLayout(page);
  struct Block {
    const char* name;
    int entries;
  };
  static const Block blocks[] = {{"単勝", 3}, {"複勝", 5}, {"枠連", 3}, {"馬連", 3},
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
        FResultLabels[3 * entry + 1 + part] = l;
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

void TMainForm::SetUpGrids() {
  QFont gridFont(gui::kGothic);
  gridFont.setPixelSize(12);
  QFont boldFont = gridFont;
  boldFont.setBold(true);

  StringGrid2->setFont(gridFont);
  StringGrid2->SetColCount(19);
  StringGrid2->SetRowCount(2);
  StringGrid2->SetFixedCols(5);
  StringGrid2->SetFixedRows(1);
  StringGrid2->SetDefaultRowHeight(25);
  StringGrid2->SetRowHeight(0, 27);
  const int cardWidths[19] = {20, 20, 150, 50, 50, 50, 20, 50, 20, 27, 27, 50, 20, 27, 27, 27, 33, 33, 50};
  static const char* const cardHeaders[19] = {"枠", "馬", "馬名", "騎手", "調教師", "予想配当", "順",
                                              "単勝1", "順", "A/B", "C", "単勝2", "順", "A/B",
                                              "C", "消軸", "着順", "人気", "配当"};
  for (int c = 0; c < 19; ++c) {
    StringGrid2->SetColWidth(c, cardWidths[c]);
    StringGrid2->SetCell(c, 0, QString::fromUtf8(cardHeaders[c]));
  }
  StringGrid2->SetRowSelect(true);
  StringGrid2->SetRangeSelect(true);

  StringGrid4->setFont(gridFont);
  StringGrid4->SetColCount(10);
  StringGrid4->SetRowCount(2);
  StringGrid4->SetFixedCols(3);
  StringGrid4->SetFixedRows(1);
  StringGrid4->SetDefaultColWidth(40);
  StringGrid4->SetDefaultRowHeight(25);
  const int trioWidths[7] = {20, 20, 150, 50, 20, 50, 20};
  for (int c = 0; c < 7; ++c) StringGrid4->SetColWidth(c, trioWidths[c]);
  StringGrid4->SetCell(0, 0, QStringLiteral("枠"));
  StringGrid4->SetCell(1, 0, QStringLiteral("馬"));
  StringGrid4->SetCell(2, 0, QStringLiteral("馬名"));
  StringGrid4->SetRowSelect(true);
  StringGrid4->SetRangeSelect(true);

  for (auto [grid, oddsHeader] : {std::pair{StringGrid1, "オッズ"}, std::pair{StringGrid3, "予想ｵｯｽﾞ"}}) {
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

  StringGrid2->SetOnDrawCell([this](gui::Canvas& c, int col, int row, const QRect& r, gui::CellState) {
    CardPaintContext ctx{day_.get(), day_->GCurRace, palette().color(QPalette::Button), InfoBackground()};
    DrawRaceCardCell(c, ctx, col, row, r, StringGrid2->Cell(col, row), StringGrid2->Cell(1, row));
  });
  StringGrid4->SetOnDrawCell([this](gui::Canvas& c, int col, int row, const QRect& r, gui::CellState) {
    CardPaintContext ctx{day_.get(), day_->GCurRace, palette().color(QPalette::Button), InfoBackground()};
    DrawTrioCell(c, ctx, col, row, r, StringGrid4->Cell(col, row), StringGrid4->Cell(1, row));
  });
  connect(StringGrid2, &gui::StringGrid::MouseUp, this, Guarded([this] { StringGrid2MouseUp(); }));
  connect(StringGrid4, &gui::StringGrid::MouseUp, this, Guarded([this] { StringGrid4MouseUp(); }));
}

// ---- Day list and day load -------------------------------------------------------------------------------

void TMainForm::MakeDataListBtnClick() {
  DateCombo->clear();
  DatList->clear();
  for (const std::string& name : corvina::MakeDataListBtnClick(FAppDir)) DateCombo->addItem(Q(name));
  DateCombo->setCurrentIndex(-1);
}

DayLoadEngine TMainForm::Engine() const {
  return analysis::MakeDayLoadEngine(analysis::EngineOptions{N22->isChecked()});
}

void TMainForm::ClearRaceDisplay() {
  // A load that stops early must not leave the previous day's race on screen.
  PageControl1->setVisible(false);
  for (int k = 1; k <= 153; ++k) {
    FPairLabels1[k]->clear();
    FPairLabels2[k]->clear();
  }
  for (int k = 1; k <= 108; ++k) FResultLabels[k]->clear();
  for (int k = 1; k <= 18; ++k) FPickLabels[k]->clear();
  for (TLabel3Dj* l : {Label3D1, Label3D2, Label3D3, Label3D4, Label3D5, Label3D6, Label3D7, Label3D8, Label3D9,
                       Label3D10, Label3D13, Label3D15, Label3D103, Label3D110, Label3D113, Label3D115})
    l->SetCaption(QString());
  for (QLabel* l : {LabelKT, ALabel, BLabel, CLabel}) l->clear();
  StringGrid2->SetRowCount(2);
  StringGrid4->SetRowCount(2);
  for (int c = 0; c < 19; ++c) StringGrid2->SetCell(c, 1, QString());
  for (int c = 0; c < 10; ++c) StringGrid4->SetCell(c, 1, QString());
  for (gui::StringGrid* g : {StringGrid1, StringGrid3}) {
    g->SetRowCount(2);
    for (int c = 0; c < 3; ++c) g->SetCell(c, 1, QString());
  }
}

void TMainForm::DateComboChange() {
  // No day chosen (the list was just rebuilt) still resets the records, as a day without files does: no
  // window may go on showing or printing the day that was loaded before.
  const QString chosen = DateCombo->currentText();
  const DayName name = DayName::ParseUtf8Prefix(chosen.toStdString()).value_or(DayName{});
  // Every take of the automatic odds reloads the day: a reload of the day shown keeps the results poll's rhythm,
  // else a poll interval longer than the gaps between takes would never come round.
  const bool pollRunning = Timer4->isActive() && !loadedDay_.isEmpty() && chosen == loadedDay_;
  if (!pollRunning) Timer4->stop();
  loadedDay_.clear();
  ClearRaceDisplay();
  DatList->clear();
  // The automatic odds take today's races only: another day would have its races taken and today's missed.
  // Told once the race list is empty, so no timer tick behind the message fetches for the day going away.
  if (AutoOzCheck->isChecked())
    if (const char* refusal = AutoOddsDayRefusal(chosen.trimmed())) RefuseAutoOdds(refusal);
  const DayLoadResult result =
      corvina::DateComboChange(*day_, name, Engine(), IniGT1.ReadInteger("Time", "AutoRdataGet", 15));
  if (result.status == DayLoadStatus::Busy) return;
  if (result.status != DayLoadStatus::Loaded) Timer4->stop();
  if (result.beep) gui::MessageBeep(0);
  if (!result.message.empty()) gui::ShowInformation(this, Q(result.message));
  if (result.status != DayLoadStatus::Loaded) return;
  loadedDay_ = chosen;
  for (const std::string& w : result.warnings) statusBar()->showMessage(QString::fromStdString(w));

  setEnabled(true);
  selectingRace_ = true;
  for (const std::string& line : result.raceList) DatList->addItem(Q(line));
  selectingRace_ = false;
  // A poll interval below a minute would fire without pause; such a setting switches the poll off.
  if (!result.timerEnabled || result.timerIntervalMs < 60000) {
    Timer4->stop();
  } else if (!pollRunning || Timer4->interval() != result.timerIntervalMs) {
    Timer4->setInterval(result.timerIntervalMs);
    Timer4->start();
  }
  UpDown1->SetMax(std::max(0, result.upDownMax));
  if (result.selectLine >= 0) {
    SelectRaceLine(result.selectLine);
    DatListClick();
  }
}

void TMainForm::SelectRaceLine(int line) {
  selectingRace_ = true;
  DatList->setCurrentRow(line);
  selectingRace_ = false;
}

// ---- Race view ------------------------------------------------------------------------------------------------

void TMainForm::DatListClick() {
  const int s = DatList->currentRow();
  // Only a listed race can be shown; the records of the other slots belong to no race of this day.
  if (s < 0 || s >= DatList->count() || s >= kSlots) return;
  PageControl1->setVisible(false);
  day_->GCurRace = s;
  day_->GLastRace = s;
  const TRaceInfo& info = day_->FRaceInfo[s];
  const TRaceCalc& calc = day_->FRaceCalc[s];
  const int runners = view::RunnerRows(info);

  if (FieldInt(day_->Table.GSeTbl[s][0], layout::se::kUmaBan) < 1) {
    gui::MessageBeep(0);
    gui::ShowInformation(this, Q(FieldText(day_->Table.GRaTbl[s], layout::head::kRaceNum)) +
                                   QString::fromUtf8(kNoRunnerData));
    return;
  }
  StringGrid2->SetRowCount(runners + 1);
  StringGrid4->SetRowCount(runners + 1);

  ShowPayouts(info);
  ShowHeader(info, calc, runners);
  ShowPairOdds(calc);
  ShowTickets(info, calc);
  ShowGridRows(info, calc, runners);

  PageControl1->setVisible(true);
  SpeedButton2Click();
  StringGrid2->SetSelection(gui::GridRect{});
  UpDown1->SetPosition(DatList->currentRow());
  if (N5->isChecked()) Panel5->setVisible(false);
}

void TMainForm::ShowPayouts(const TRaceInfo& info) {
  const auto entries = view::PayoutEntries(info);
  for (int e = 0; e < view::kPayoutEntries; ++e) {
    FResultLabels[3 * e + 1]->setText(Q(entries[e].comb));
    FResultLabels[3 * e + 2]->setText(Q(entries[e].pop));
    FResultLabels[3 * e + 3]->setText(Q(entries[e].pay));
  }
}

void TMainForm::ShowHeader(const TRaceInfo& info, const TRaceCalc& calc, int runners) {
  Label3D115->SetCaption(Q(view::GradeText(info.GradeCode)));
  Label3D1->SetCaption(Q(view::CourseText(info)));
  Label3D2->SetCaption(QString::number(view::RaceNumberOf(info)));
  Label3D2->SetTransparent(false);
  Label3D3->SetCaption(Q(view::DateHeaderText(info)));
  Label3D4->SetCaption(Q(info.RaceName).trimmed());
  Label3D5->SetCaption(Q(view::WeightRuleText(info.WeightRule)));
  Label3D6->SetCaption(Q(view::ClassText(info.ClassCode)));
  Label3D7->SetCaption(Q(view::TrackText(info.TrackCode)));
  Label3D8->SetCaption(Q(view::DistanceText(info.Distance)));
  Label3D9->SetCaption(Q(view::PostTimeText(info.PostTime)));
  const auto entries = view::EntryCountText(runners, calc.RankedCount);
  Label3D10->SetCaption(Q(entries.text));
  Label3D10->SetFontColor(ToQColor(entries.colour));
  const auto first = view::AnnounceText(info.OddsAnnounce1);
  Label3D13->SetCaption(Q(first.text));
  Label3D13->SetFontColor(ToQColor(first.colour));
  const auto latest = view::AnnounceText(info.OddsAnnounce2);
  Label3D15->SetCaption(Q(latest.text));
  Label3D15->SetFontColor(ToQColor(latest.colour));
}

void TMainForm::ShowPairOdds(const TRaceCalc& calc) {
  auto fill = [](std::array<QLabel*, 154>& labels, gui::StringGrid* grid, const OneBased<double, 153>& odds) {
    for (int k = 1; k <= 153; ++k) labels[k]->setText(Q(view::PairOddsText(odds[k])));
    for (int c = 0; c < 3; ++c) grid->ClearColumn(c, 1);
    const auto rows = view::PairRanking(odds);
    if (rows.empty()) return;  // the grid keeps its rows, all empty
    grid->SetRowCount(static_cast<int>(rows.size()) + 1);
    for (size_t i = 0; i < rows.size(); ++i) {
      grid->SetCell(0, static_cast<int>(i) + 1, Q(rows[i].rank));
      grid->SetCell(1, static_cast<int>(i) + 1, Q(rows[i].label));
      grid->SetCell(2, static_cast<int>(i) + 1, Q(rows[i].odds));
    }
  };
  fill(FPairLabels1, StringGrid1, calc.UmarenOdds);
  fill(FPairLabels2, StringGrid3, calc.PredUmarenOdds);
}

void TMainForm::ShowTickets(const TRaceInfo& info, const TRaceCalc& calc) {
  Label3D103->SetCaption(Q(calc.Note));
  const auto tickets = view::TicketRows(info, calc);
  for (int t = 1; t <= 6; ++t) {
    const auto& row = tickets[t - 1];
    FPickLabels[3 * t - 2]->setText(Q(row.number));
    FPickLabels[3 * t - 1]->setText(Q(row.label));
    FPickLabels[3 * t]->setText(Q(row.odds));
    for (int k = 0; k < 3; ++k) SetBackground(FPickLabels[3 * t - 2 + k], InfoBackground());
    if (row.hit) SetBackground(FPickLabels[3 * t - 1], ToQColor(row.hitColour));
  }
  const auto axis = view::AxisHorseTexts(info, calc);
  LabelKT->setText(Q(axis.number));
  Label3D113->SetCaption(Q(axis.odds));
  Label3D113->SetColor(ToQColor(axis.background));
  Label3D110->SetCaption(Q(view::AxisOrLocalText(calc.Over8Runners == 1)));
  ALabel->setText(Q(FormatInt(calc.CountA, 2)));
  BLabel->setText(Q(FormatInt(calc.CountB, 2)));
  CLabel->setText(Q(FormatInt(calc.CountC, 2)));
}

void TMainForm::ShowGridRows(const TRaceInfo& info, const TRaceCalc& calc, int runners) {
  StringGrid2->SetCell(5, 0, Q(view::PredOddsHeader(info)));
  for (int r = 1; r <= runners; ++r) {
    QStringList card, trio;
    for (const std::string& cell : view::CardRow(info, calc, r - 1)) card << Q(cell);
    for (const std::string& cell : view::TrioRow(info, calc, r - 1)) trio << Q(cell);
    StringGrid2->SetRow(r, card);
    StringGrid4->SetRow(r, trio);
  }
}

// ---- Race card sorting and selection -------------------------------------------------------------------

void TMainForm::SpeedButton2Click() {
  const view::CardOrder order = SpeedButton2->isChecked()   ? view::CardOrder::ByNumber
                                : SpeedButton3->isChecked() ? view::CardOrder::ByNameDescending
                                                            : view::CardOrder::None;
  std::vector<std::vector<std::string>> rows;
  for (int r = 1; r < StringGrid2->RowCount(); ++r) {
    std::vector<std::string> row;
    for (const QString& cell : StringGrid2->Row(r)) row.push_back(ToCp932(cell.toStdString()));
    rows.push_back(std::move(row));
  }
  view::SortCardRows(rows, order);
  for (size_t i = 0; i < rows.size(); ++i) {
    QStringList row;
    for (const std::string& cell : rows[i]) row << Q(cell);
    StringGrid2->SetRow(static_cast<int>(i) + 1, row);
  }
}

void TMainForm::StringGrid2MouseUp() { StringGrid2->SetSelection(gui::GridRect{}); }
void TMainForm::StringGrid4MouseUp() { StringGrid4->SetSelection(gui::GridRect{}); }

// ---- JV-Link exchanges ----------------------------------------------------------------------------------------

void TMainForm::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (formShown_) return;
  formShown_ = true;
  // Once the window is on screen, so a JVInit failure box has the window behind it.
  QTimer::singleShot(0, this, Guarded([this] { FormShow(); }));
}

void TMainForm::FormShow() {
  FVersion = QString::fromLatin1(kFVersion);
  reader_->FormShow();
}

void TMainForm::SpeedButton8Click() { Panel5->setVisible(Panel5->isHidden()); }

void TMainForm::N5Click() { IniGT1.WriteBool("datalist", "close", N5->isChecked()); }

void TMainForm::N22Click() {
  IniGT1.WriteBool("kaime", "local", N22->isChecked());
  Label3D112->SetCaption(QString::fromUtf8(N22->isChecked() ? kLocalOn : kLocalOff));
  // The tickets read the option, so a loaded day is computed again.
  if (!DateCombo->currentText().trimmed().isEmpty()) DateComboChange();
}

void TMainForm::JVBtnClick() {
  // Closing the window lists the stored days again, so an imported day appears in the date box.
  TGetDataForm form(*JVLink1, FAppDir, [this] { DayListAfterImport(); }, &reader_->Gate(), this);
  RunImportWindow(form);
}

void TMainForm::DayListAfterImport() {
  const QString shown = DateCombo->currentText();
  MakeDataListBtnClick();
  if (shown.isEmpty()) return;
  // A rebuilt list has no day chosen: the day shown is chosen again, so the race list, the race view, the
  // automatic odds and the results poll go on with it. A day that is gone leaves them all cleared.
  DateCombo->setCurrentIndex(DateCombo->findText(shown));
  DateComboChange();
}

bool TMainForm::RaceChosen() const {
  return DatList->currentRow() >= 0 && !DateCombo->currentText().trimmed().isEmpty();
}

std::string TMainForm::VenueRace(const std::string& raceKey) {
  return CourseName(Copy(raceKey, 9, 2), 2) + BlankPadNumStr(Copy(raceKey, 15, 2));
}

void TMainForm::SetDLlabel(const std::string& text) {
  DLlabel->SetCaption(Q(text));
  // A long failure text is cut by a narrow window; the whole text stays reachable.
  DLlabel->setToolTip(Q(text));
}

void TMainForm::Timer4Timer() {
  const std::string firstPost = FieldText(day_->Table.GRaTbl[0], layout::ra::kPostTime);
  if (ResultsPollDue(Clock::Now().HHMM(), firstPost, day_->GAutoReadMinutes)) KekkaGet(true);
}

void TMainForm::KekkaGetBtnClick() { KekkaGet(false); }

void TMainForm::KekkaGet(bool autoKekka) {
  // A request that arrives during another exchange waits for it; what it fetches is decided when it runs, so
  // it follows the day loaded by then.
  reader_->Gate().Run([this, autoKekka] {
    if (!RaceChosen()) return;
    const std::string key = FieldText(day_->Table.GRaTbl[0], layout::head::kDateKey);
    if (StrToIntLenient(key) <= 0) return;
    static const std::string fetching = ToCp932("ﾚｰｽ情報データ取得中");
    static const std::string failed = ToCp932("R:ﾚｰｽ情報データ取得エラー：");
    failureShown_ = false;
    SetDLlabel(fetching);
    ProcessMessages();
    const int r = JVLink1->JVRTOpen("0B12", key);
    if (r != 0) {
      if (!autoKekka) Beep();
      const std::string shownKey = FieldText(day_->Table.GRaTbl[day_->GCurRace], layout::head::kRaceKey);
      reader_->ReportFailure(VenueRace(shownKey) + failed + JVErrorMessage("JVRTOpen", r));
    } else {
      reader_->ReadRaceRecords();
    }
    reader_->CloseAfterRaces(autoKekka);
    // A failure stays on the label, else the user would never see what the log recorded.
    if (!failureShown_) SetDLlabel({});
    ProcessMessages();
    reader_->CloseAfterRaces(autoKekka);
    if (!HrReadBtnClick()) DatListClick();
  });
}

bool TMainForm::HrReadBtnClick() {
  const auto name = DayName::ParseUtf8Prefix(DateCombo->currentText().toStdString());
  if (!name) return false;
  const HrReadOutcome outcome = corvina::HrReadBtnClick(*day_, *name);
  if (outcome.slotsChanged) {
    // New races moved the others to other slots: only a whole load files odds and cards by the new order.
    DateComboChange();
    return true;
  }
  if (outcome.shownNew && DatList->currentRow() >= 0) {
    DatListClick();
    return true;
  }
  return false;
}

void TMainForm::TakeRaceOdds(const std::string& raceKey, const std::string& fetching, const std::string& failed) {
  const std::string venueRace = VenueRace(raceKey);
  failureShown_ = false;
  SetDLlabel(venueRace + fetching);
  ProcessMessages();
  const int r = JVLink1->JVRTOpen("0B30", raceKey);
  if (r != 0) {
    Beep();
    reader_->ReportFailure(venueRace + failed + JVErrorMessage("JVRTOpen", r));
  } else {
    reader_->ReadOddsRecords();
  }
  reader_->CloseAfterOdds();
  // A failure stays on the label, else the user would never see what the log recorded.
  if (!failureShown_) SetDLlabel({});
  ProcessMessages();
  reader_->CloseAfterOdds();
}

void TMainForm::SokuhoOddsBtnClick() {
  reader_->Gate().Run([this] {
    if (!RaceChosen()) return;
    const std::string key = FieldText(day_->Table.GRaTbl[day_->GCurRace], layout::head::kRaceKey);
    static const std::string fetching = ToCp932("オッズ取得中");
    static const std::string failed = ToCp932("R:ｵｯｽﾞ取得エラー：");
    TakeRaceOdds(key, fetching, failed);
    DateComboChange();
  });
}

// ---- Automatic odds ------------------------------------------------------------------------------------------

const char* TMainForm::AutoOddsDayRefusal(const QString& dayText) {
  const DateTime now = Clock::Now();
  if (dayText.isEmpty()) return "ﾃﾞｰﾀを読み込んでください。";
  if (dayText != QString::fromStdString(DayName(now.year, now.month, now.day).Display()))
    return "本日のﾃﾞｰﾀを読み込んでください。";
  return nullptr;
}

void TMainForm::RefuseAutoOdds(const char* refusal) {
  // Off before the message: its box lets the odds timer tick.
  {
    const QSignalBlocker quiet(AutoOzCheck);
    AutoOzCheck->setChecked(false);
  }
  AutoOzCheckClick();
  gui::MessageBeep(0);
  gui::ShowInformation(this, QString::fromUtf8(refusal));
}

void TMainForm::AutoOzCheckClick() {
  if (AutoOzCheck->isChecked()) {
    // The day loaded in full, not the date box's text: a load that stopped early leaves no races to take.
    const char* refusal = AutoOddsDayRefusal(loadedDay_.trimmed());
    if (refusal == nullptr && HasEarlyCards(day_->Table))
      refusal = "出走表データが最新でありません。JVデータ取得ボタンよりデータを取得してからオッズを取得してください。";
    if (refusal == nullptr) {
      day_->GOddsTakenFirst.fill(0);
      day_->GOddsTakenSecond.fill(0);
      Timer1->start();
      // Odds by hand would take the one JV-Link control between the timer's exchanges.
      OzGetBtn->setEnabled(false);
      N6->setEnabled(false);
      return;
    }
    RefuseAutoOdds(refusal);
    return;
  }
  // Switching off always stops the timer, even when the day loaded meanwhile is no longer today's: a box
  // shown unchecked never leaves odds being taken behind the user's back.
  Timer1->stop();
  OzGetBtn->setEnabled(true);
  N6->setEnabled(true);
}

void TMainForm::Timer1Timer() {
  if (DateCombo->currentText().trimmed().isEmpty()) return;
  const int delay = IniGT1.ReadInteger("Time", "delay", 5);
  // The due test is one exact minute: a race found while an exchange runs is queued, never skipped.
  for (std::string& key : QueueDueRaces(*day_, Clock::Now().HHMM(), delay)) oddsQueue_.push_back(std::move(key));
  if (!oddsQueue_.empty()) OzGetLoopBtnClick();
}

void TMainForm::OzGetLoopBtnClick() {
  // One pass at a time: races due while it waits for the gate, or while it runs, join its queue.
  if (oddsLoopPending_ || oddsQueue_.empty()) return;
  oddsLoopPending_ = true;
  reader_->Gate().Run([this] {
    struct Pending {
      bool& flag;
      ~Pending() { flag = false; }
    } pending{oddsLoopPending_};
    static const std::string fetching = ToCp932("R ｵｯｽﾞ取得中");
    static const std::string failed = ToCp932("R:");
    std::string lastFailure;
    bool taken = false;
    while (!oddsQueue_.empty()) {
      const std::string key = oddsQueue_.front();
      oddsQueue_.pop_front();
      taken = true;
      TakeRaceOdds(key, fetching, failed);
      if (failureShown_) lastFailure = lastFailure_;
    }
    // The next race's progress text hid an earlier failure: the last one stays in view after the pass.
    SetDLlabel(lastFailure);
    // A tick during the reload starts a pass of its own, after this one.
    pending.flag = false;
    if (taken) DateComboChange();
  });
}

void TMainForm::Beep() { gui::MessageBeep(0); }

void TMainForm::SetStatusLabel(const std::string& text) {
  failureShown_ = true;
  lastFailure_ = text;
  SetDLlabel(text);
}

void TMainForm::Inform(const std::string& text) { gui::ShowInformation(this, Q(text)); }

// User input waits, so nobody changes or reloads the day while records are merged into it.
void TMainForm::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

// ---- Commands that open other windows --------------------------------------------------------------------------

void TMainForm::S1Click() { TSchejForm::Execute(*day_, DateCombo->currentText(), this); }

// A new delay counts from the odds timer's next tick, which reads the setting afresh.
void TMainForm::N9Click() { TTimeAddForm::Execute(FAppDir, this); }

// A new interval counts from the next day load, which arms the results poll.
void TMainForm::N11Click() { TFirstTimeForm::Execute(FAppDir, this); }

void TMainForm::YozBtnClick() { YosoImportUnit::YozBtnClick(this, *day_); }

void TMainForm::YosokuMenuClick() { YosoImportUnit::YosokuMenuClick(this, *FolderViewerEx1, FAppDir); }

void TMainForm::SpeedButton5Click() { ShowHelpContents(this, HelpFile); }

// Before the first showing FVersion is still empty; the version is the same.
void TMainForm::SpeedButton6Click() {
  ShowAboutBox(this, FVersion.isEmpty() ? QString::fromLatin1(kFVersion) : FVersion);
}

void TMainForm::FileExitItemClick() { close(); }

void TMainForm::FilePrintSetupItemClick() { PrintSetup(this); }

void TMainForm::N18Click() {
  const int s = day_->GCurRace;
  const std::string key = s >= 0 && s < kSlots ? day_->FRaceInfo[s].RaceKey : std::string();
  CopyRaceCardToClipboard(*StringGrid2, Label3D3->Caption(), key);
}

// ---- Manual odds, time-series odds, odds clearing -------------------------------------------------------------

void TMainForm::OzGetBtnClick() {
  OddsSchejContext context{*day_,
                           *JVLink1,
                           reader_->Gate(),
                           DateCombo->currentText(),
                           [this] { DateComboChange(); },
                           [this] { AutoOzCheck->setChecked(false); }};
  TOddsSchejForm::Execute(this, context);
}

std::filesystem::path TMainForm::TimeSeriesFolder() {
  const std::string appDir = ToCp932(FAppDir.string());
  const std::string value = Trim(IniGT1.ReadString("Dir", "jikeiretu", appDir));
  // The program folder is the default: no folder was chosen. A key left empty says the same.
  if (value.empty() || ProgramFolder(FromCp932(value)) == FAppDir) return {};
  return std::filesystem::path(FromCp932(value));
}

void TMainForm::J1Click() {
  FolderViewerEx1->Caption = QStringLiteral("時系列ｵｯｽﾞﾃﾞｰﾀﾌｫﾙﾀﾞの指定");
  const std::filesystem::path current = TimeSeriesFolder();
  FolderViewerEx1->SelectedFolder = QString::fromStdString((current.empty() ? FAppDir : current).string());
  if (!FolderViewerEx1->Execute()) return;
  const std::string chosen = FolderViewerEx1->ChosenFolder.toStdString();
  // The settings file is CP932: a folder name it cannot spell would come back as another folder.
  if (FromCp932(ToCp932(chosen)) != chosen) {
    gui::MessageBeep(0);
    gui::ShowInformation(this,
                         QStringLiteral("このﾌｫﾙﾀﾞ名は設定ﾌｧｲﾙに保存できません。\n") + FolderViewerEx1->ChosenFolder);
    return;
  }
  IniGT1.WriteString("Dir", "jikeiretu", ToCp932(chosen));
}

void TMainForm::T2Click() {
  const std::filesystem::path folder = TimeSeriesFolder();
  if (folder.empty()) {
    gui::MessageBeep(0);
    gui::ShowInformation(this, QStringLiteral("時系列ｵｯｽﾞﾌｫﾙﾀﾞ指定をしてください。"));
    return;
  }
  if (DateCombo->currentText().trimmed().isEmpty()) {
    gui::MessageBeep(0);
    gui::ShowInformation(this, QStringLiteral("ｵｯｽﾞを読み込みたい当日の開催日ﾃﾞｰﾀを読み込んでください。"));
    return;
  }
  const TimeSeriesResult result = ImportTimeSeries(*day_, folder);
  if (result.failed) {
    // What was written before stays written; the summary says how far the import came.
    gui::MessageBeep(0);
    gui::ShowWarning(this, QStringLiteral("データファイルに書き込めません：") + QString::fromStdString(result.error));
  }
  gui::ShowInformation(this, Q(TimeSeriesSummary(result)));
  DateComboChange();
}

void TMainForm::N26Click() {
  const auto name = DayName::ParseUtf8Prefix(DateCombo->currentText().trimmed().toStdString());
  if (!name) {
    gui::MessageBeep(0);
    gui::ShowInformation(this, QStringLiteral("データが読み込まれていません。"));
    return;
  }
  if (!gui::AskYesNo(this, QStringLiteral("全レースのオッズを消去します。実行しますか？"))) return;
  std::string error;
  if (!ClearAllOdds(day_->DataDir(), *name, &error))
    gui::ShowWarning(this, QStringLiteral("データファイルに書き込めません：") + QString::fromStdString(error));
  DateComboChange();
  if (DatList->count() == 0) return;
  SelectRaceLine(0);
  DatListClick();
}

void TMainForm::N27Click() {
  const auto name = DayName::ParseUtf8Prefix(DateCombo->currentText().trimmed().toStdString());
  if (!name) {
    gui::MessageBeep(0);
    gui::ShowInformation(this, QStringLiteral("データが読み込まれていません。"));
    return;
  }
  // Only a race of the list shown: after a load that stopped early the slot would name no race, or another.
  const int g = day_->GCurRace;
  if (g < 0 || g >= day_->GRaceTotal || g >= DatList->count() || DatList->currentRow() != g) {
    gui::MessageBeep(0);
    gui::ShowInformation(this, QStringLiteral("オッズを消去するレースを表示してください。"));
    return;
  }
  if (!gui::AskYesNo(this, QStringLiteral("当レースのオッズを消去します。実行しますか？"))) return;
  std::string error;
  if (!ClearRaceOdds(day_->DataDir(), *name, g, &error))
    gui::ShowWarning(this, QStringLiteral("データファイルに書き込めません：") + QString::fromStdString(error));
  DateComboChange();
  const int shown = day_->GCurRace;
  if (shown < 0 || shown >= DatList->count()) return;
  SelectRaceLine(shown);
  DatListClick();
}

// ---- Hit window, hit report, race pages ---------------------------------------------------------------------

void TMainForm::SpeedButton15Click() {
  analysis::SpeedButton15Click(this, *day_, ToCp932(DateCombo->currentText().trimmed().toStdString()),
                               DatList->count());
}

void TMainForm::TekiAnaBtnClick(bool longshot) {
  analysis::TekiAnaBtnClick(this, *day_, longshot ? analysis::HitReportKind::Longshot : analysis::HitReportKind::All);
  // The report went through every race of the day; the view is left on the last one.
  if (DatList->count() == 0) return;
  SelectRaceLine(DatList->count() - 1);
  DatListClick();
}

void TMainForm::FilePrintItemClick() {
  TAllPrintForm::FilePrintItemClick(*day_, DateCombo->currentText(), DatList->count(), N22->isChecked(), this);
}

// ---- Lifecycle ----------------------------------------------------------------------------------------------

void TMainForm::ShowHint(const QString& hint) { statusBar()->showMessage(hint); }

void TMainForm::FormCloseQuery(bool& canClose) {
  const gui::StoredBounds r = bounds_.ToStore(*this);
  try {
    IniGT1.WriteInteger("locate", "top", r.top);
    IniGT1.WriteInteger("locate", "left", r.left);
    IniGT1.WriteInteger("locate", "width", r.width);
    IniGT1.WriteInteger("locate", "height", r.height);
  } catch (const EIniFileException& e) {
    // The window bounds are a convenience: closing goes on, the user learns why they were not kept.
    gui::ShowWarning(this, QString::fromStdString(e.what()));
  }
  canClose = true;
}

void TMainForm::FormClose() {
  // Help opens in the desktop's own viewer, which the program cannot close; nothing to do.
}

void TMainForm::closeEvent(QCloseEvent* e) {
  bool canClose = true;
  FormCloseQuery(canClose);
  if (!canClose) {
    e->ignore();
    return;
  }
  FormClose();
  e->accept();
}

}  // namespace corvina
