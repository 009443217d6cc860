#include "racedata/ui/GetDataUnit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "components/ui/Label3Dj.h"
#include "platform/Cp932.h"
#include "platform/gui/Dialogs.h"

namespace corvina {

namespace {
QString Q(const std::string& cp932) { return QString::fromStdString(FromCp932(cp932)); }
}  // namespace

TGetDataForm::TGetDataForm(JVLink& link, const std::filesystem::path& appDir, std::function<void()> makeDataList,
                           ExchangeGate* gate, QWidget* parent)
    : QDialog(parent), makeDataList_(std::move(makeDataList)) {
  IniGT1.SetFileName((appDir / std::string(kSettingsFileName)).string());
  StoredImportUi& ui = *this;
  import_ = std::make_unique<StoredImport>(link, appDir, IniGT1, ui);
  import_->SetGate(gate);
  BuildControls();
  // FormCreate: the start time of the last import.
  import_->LoadStartTime();
}

TGetDataForm::~TGetDataForm() {
  if (cursorSet_) QApplication::restoreOverrideCursor();
}

void TGetDataForm::Execute(JVLink& link, const std::filesystem::path& appDir, std::function<void()> makeDataList,
                           ExchangeGate* gate, QWidget* parent) {
  TGetDataForm form(link, appDir, std::move(makeDataList), gate, parent);
  form.exec();
}

void TGetDataForm::BuildControls() {
  setWindowTitle(QStringLiteral("ＪＶデータ取込"));
  setModal(true);
  auto* top = new QVBoxLayout(this);

  auto* buttons = new QHBoxLayout;
  SpeedButton1 = new QPushButton(QStringLiteral("JVLink設定"), this);
  ButtonStart = new QPushButton(QStringLiteral("データ取込み開始"), this);
  ButtonCancel = new QPushButton(QStringLiteral("データ取込み中止"), this);
  buttons->addWidget(SpeedButton1);
  buttons->addStretch();
  buttons->addWidget(ButtonStart);
  buttons->addWidget(ButtonCancel);
  top->addLayout(buttons);

  auto* GroupBox1 = new QGroupBox(QStringLiteral("取得データ"), this);
  auto* groupLayout = new QHBoxLayout(GroupBox1);
  rbtNormal = new QRadioButton(QStringLiteral("通常データ"), GroupBox1);
  rbtIsthisweek = new QRadioButton(QStringLiteral("今週開催データ"), GroupBox1);
  rbtSetup = new QRadioButton(QStringLiteral("セットアップデータ"), GroupBox1);
  rbtSetup->setVisible(false);
  rbtIsthisweek->setChecked(true);
  groupLayout->addWidget(rbtNormal);
  groupLayout->addWidget(rbtIsthisweek);
  groupLayout->addWidget(rbtSetup);
  top->addWidget(GroupBox1);

  auto* dateRow = new QHBoxLayout;
  dateRow->addWidget(new QLabel(QStringLiteral("取得開始日付"), this));
  DateTimePicker1 = new QDateTimeEdit(this);
  DateTimePicker1->setDisplayFormat(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
  DateTimePicker1->setCalendarPopup(true);
  dateRow->addWidget(DateTimePicker1);
  Label5 = new QLabel(this);
  Label5->setVisible(false);
  dateRow->addWidget(Label5);
  dateRow->addStretch();
  top->addLayout(dateRow);

  auto* bars = new QGridLayout;
  bars->addWidget(new QLabel(QStringLiteral("ダウンロード"), this), 0, 0);
  ProgressBar1 = new QProgressBar(this);
  bars->addWidget(ProgressBar1, 0, 1);
  bars->addWidget(new QLabel(QStringLiteral("読込み"), this), 1, 0);
  ProgressBar2 = new QProgressBar(this);
  bars->addWidget(ProgressBar2, 1, 1);
  top->addLayout(bars);
  ProgressLabel = new TLabel3Dj(this);
  ProgressLabel->setMinimumHeight(24);
  top->addWidget(ProgressLabel);

  top->addWidget(new QLabel(QStringLiteral("作成済みデータ"), this));
  ListBox1 = new QListWidget(this);
  ListBox1->setMinimumSize(420, 220);
  // Every line has the one height of the font: the list never measures its lines again as it grows.
  ListBox1->setUniformItemSizes(true);
  top->addWidget(ListBox1);

  TimerJVStatus = new QTimer(this);
  TimerJVStatus->setInterval(10);

  connect(SpeedButton1, &QPushButton::clicked, this, &TGetDataForm::SpeedButton1Click);
  connect(ButtonStart, &QPushButton::clicked, this, &TGetDataForm::ButtonStartClick);
  connect(ButtonCancel, &QPushButton::clicked, this, &TGetDataForm::ButtonCancelClick);
  connect(TimerJVStatus, &QTimer::timeout, this, &TGetDataForm::TimerJVStatusTimer);
}

void TGetDataForm::SpeedButton1Click() { import_->SetUIProperties(); }

void TGetDataForm::ButtonStartClick() {
  const QDateTime t = DateTimePicker1->dateTime();
  import_->SetStartTime(DateTime{t.date().year(), t.date().month(), t.date().day(), t.time().hour(),
                                 t.time().minute(), t.time().second()});
  import_->SetOption(rbtNormal->isChecked() ? 1 : 2);
  import_->Start();
  AfterHandler();
}

void TGetDataForm::ButtonCancelClick() {
  import_->Cancel();
  AfterHandler();
}

void TGetDataForm::TimerJVStatusTimer() {
  import_->StatusTick();
  AfterHandler();
}

// A close asked for while a read was on the stack happens once the read has returned.
void TGetDataForm::AfterHandler() {
  ShowPendingLines();
  ButtonStart->setEnabled(!import_->Busy());
  if (closePending_ && !import_->Busy()) {
    closePending_ = false;
    close();
  }
}

bool TGetDataForm::PrepareClose() {
  if (!import_->CloseQuery()) {
    closePending_ = true;
    return false;
  }
  // FormCloseQuery: the main window lists the stored days again (once, though Qt may ask twice).
  if (!dayListRebuilt_ && makeDataList_) makeDataList_();
  dayListRebuilt_ = true;
  return true;
}

void TGetDataForm::showEvent(QShowEvent* event) {
  dayListRebuilt_ = false;
  QDialog::showEvent(event);
}

void TGetDataForm::closeEvent(QCloseEvent* event) {
  if (!PrepareClose()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

// Escape goes through the same close path, so an open exchange is never left behind.
void TGetDataForm::reject() {
  if (PrepareClose()) QDialog::reject();
}

void TGetDataForm::Beep() { gui::MessageBeep(); }

void TGetDataForm::Inform(const std::string& text) {
  ShowPendingLines();
  gui::ShowInformation(this, Q(text));
}

bool TGetDataForm::Confirm(const std::string& text) {
  ShowPendingLines();
  return gui::AskYesNo(this, Q(text));
}

void TGetDataForm::SetProgressLabel(const std::string& text) { ProgressLabel->SetCaption(Q(text)); }

void TGetDataForm::SetDownloadBar(int position, int max) {
  ProgressBar1->setMaximum(std::max(max, 1));
  ProgressBar1->setValue(std::clamp(position, 0, std::max(max, 1)));
}

void TGetDataForm::SetReadBar(int position, int max) {
  ProgressBar2->setMaximum(std::max(max, 1));
  ProgressBar2->setValue(std::clamp(position, 0, std::max(max, 1)));
}

void TGetDataForm::ClearList() {
  pendingLines_.clear();
  ListBox1->clear();
}

// A read stores hundreds of records a second: the list takes them in batches, one per repaint, so adding a line
// costs the same however long the list is.
void TGetDataForm::AddListLine(const std::string& text) { pendingLines_ << Q(text); }

void TGetDataForm::ShowPendingLines() {
  linesShown_.start();
  if (pendingLines_.isEmpty()) return;
  ListBox1->addItems(pendingLines_);
  pendingLines_.clear();
  ListBox1->scrollToBottom();
}

void TGetDataForm::SetStatusTimer(bool on) {
  if (on) TimerJVStatus->start();
  else TimerJVStatus->stop();
}

void TGetDataForm::SetBusyCursor(bool on) {
  ShowPendingLines();
  if (on && !cursorSet_) QApplication::setOverrideCursor(Qt::BusyCursor);
  if (!on && cursorSet_) QApplication::restoreOverrideCursor();
  cursorSet_ = on;
}

void TGetDataForm::ShowStartTime(const DateTime& t) {
  DateTimePicker1->setDateTime(QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second)));
  Label5->setText(QString::fromStdString(t.Stamp()));
}

// The window is modal, so only its own controls take input here; its Cancel button must work during a read.
void TGetDataForm::ProcessMessages() {
  constexpr qint64 kRepaintMs = 40;
  if (!linesShown_.isValid() || linesShown_.elapsed() >= kRepaintMs) ShowPendingLines();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace corvina
