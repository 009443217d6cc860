#include "racedata/ui/StoredImportWindow.h"

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

#include "components/ui/Label3D.h"
#include "platform/Cp932.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/QtText.h"

namespace corvina {

namespace {
using gui::Q;
}  // namespace

StoredImportWindow::StoredImportWindow(JVLink& link, const std::filesystem::path& appDir,
                                       std::function<void()> rebuildDayList, ExchangeGate* gate, QWidget* parent)
    : QDialog(parent), rebuildDayList_(std::move(rebuildDayList)) {
  settings_.SetFileName((appDir / std::string(kSettingsFileName)).string());
  StoredImportUi& ui = *this;
  import_ = std::make_unique<StoredImport>(link, appDir, settings_, ui);
  import_->SetGate(gate);
  BuildControls();
  // The window opens at the start time of the last import.
  import_->LoadStartTime();
}

StoredImportWindow::~StoredImportWindow() {
  if (cursorSet_) QApplication::restoreOverrideCursor();
}

void StoredImportWindow::Execute(JVLink& link, const std::filesystem::path& appDir,
                                 std::function<void()> rebuildDayList, ExchangeGate* gate, QWidget* parent) {
  StoredImportWindow form(link, appDir, std::move(rebuildDayList), gate, parent);
  form.exec();
}

void StoredImportWindow::BuildControls() {
  setWindowTitle(QStringLiteral("ＪＶデータ取込"));
  setModal(true);
  auto* top = new QVBoxLayout(this);

  auto* buttons = new QHBoxLayout;
  LinkSettingsButton = new QPushButton(QStringLiteral("JVLink設定"), this);
  StartButton = new QPushButton(QStringLiteral("データ取込み開始"), this);
  CancelButton = new QPushButton(QStringLiteral("データ取込み中止"), this);
  buttons->addWidget(LinkSettingsButton);
  buttons->addStretch();
  buttons->addWidget(StartButton);
  buttons->addWidget(CancelButton);
  top->addLayout(buttons);

  auto* dataKindBox = new QGroupBox(QStringLiteral("取得データ"), this);
  auto* groupLayout = new QHBoxLayout(dataKindBox);
  NormalDataRadioButton = new QRadioButton(QStringLiteral("通常データ"), dataKindBox);
  ThisWeekDataRadioButton = new QRadioButton(QStringLiteral("今週開催データ"), dataKindBox);
  SetupDataRadioButton = new QRadioButton(QStringLiteral("セットアップデータ"), dataKindBox);
  SetupDataRadioButton->setVisible(false);
  ThisWeekDataRadioButton->setChecked(true);
  groupLayout->addWidget(NormalDataRadioButton);
  groupLayout->addWidget(ThisWeekDataRadioButton);
  groupLayout->addWidget(SetupDataRadioButton);
  top->addWidget(dataKindBox);

  auto* dateRow = new QHBoxLayout;
  dateRow->addWidget(new QLabel(QStringLiteral("取得開始日付"), this));
  StartTimeEdit = new QDateTimeEdit(this);
  StartTimeEdit->setDisplayFormat(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
  StartTimeEdit->setCalendarPopup(true);
  dateRow->addWidget(StartTimeEdit);
  StartTimeStampLabel = new QLabel(this);
  StartTimeStampLabel->setVisible(false);
  dateRow->addWidget(StartTimeStampLabel);
  dateRow->addStretch();
  top->addLayout(dateRow);

  auto* bars = new QGridLayout;
  bars->addWidget(new QLabel(QStringLiteral("ダウンロード"), this), 0, 0);
  DownloadProgressBar = new QProgressBar(this);
  bars->addWidget(DownloadProgressBar, 0, 1);
  bars->addWidget(new QLabel(QStringLiteral("読込み"), this), 1, 0);
  ReadProgressBar = new QProgressBar(this);
  bars->addWidget(ReadProgressBar, 1, 1);
  top->addLayout(bars);
  ProgressLabel = new Label3D(this);
  ProgressLabel->setMinimumHeight(24);
  top->addWidget(ProgressLabel);

  top->addWidget(new QLabel(QStringLiteral("作成済みデータ"), this));
  WrittenDataList = new QListWidget(this);
  WrittenDataList->setMinimumSize(420, 220);
  // Every line has the one height of the font: the list never measures its lines again as it grows.
  WrittenDataList->setUniformItemSizes(true);
  top->addWidget(WrittenDataList);

  DownloadStatusTimer = new QTimer(this);
  DownloadStatusTimer->setInterval(10);

  connect(LinkSettingsButton, &QPushButton::clicked, this, &StoredImportWindow::ShowLinkSettings);
  connect(StartButton, &QPushButton::clicked, this, &StoredImportWindow::StartImport);
  connect(CancelButton, &QPushButton::clicked, this, &StoredImportWindow::CancelImport);
  connect(DownloadStatusTimer, &QTimer::timeout, this, &StoredImportWindow::PollDownloadStatus);
}

void StoredImportWindow::ShowLinkSettings() { import_->SetUIProperties(); }

void StoredImportWindow::StartImport() {
  const QDateTime t = StartTimeEdit->dateTime();
  import_->SetStartTime(DateTime{t.date().year(), t.date().month(), t.date().day(), t.time().hour(), t.time().minute(),
                                 t.time().second()});
  import_->SetOption(NormalDataRadioButton->isChecked() ? 1 : 2);
  import_->Start();
  UpdateAfterImportStep();
}

void StoredImportWindow::CancelImport() {
  import_->Cancel();
  UpdateAfterImportStep();
}

void StoredImportWindow::PollDownloadStatus() {
  import_->StatusTick();
  UpdateAfterImportStep();
}

// A close asked for while a read was on the stack happens once the read has returned.
void StoredImportWindow::UpdateAfterImportStep() {
  ShowPendingLines();
  StartButton->setEnabled(!import_->Busy());
  if (closePending_ && !import_->Busy()) {
    closePending_ = false;
    close();
  }
}

bool StoredImportWindow::PrepareClose() {
  if (!import_->PrepareToClose()) {
    closePending_ = true;
    return false;
  }
  // The main window lists the stored days again (once, though Qt may ask twice).
  if (!dayListRebuilt_ && rebuildDayList_) rebuildDayList_();
  dayListRebuilt_ = true;
  return true;
}

void StoredImportWindow::showEvent(QShowEvent* event) {
  dayListRebuilt_ = false;
  QDialog::showEvent(event);
}

void StoredImportWindow::closeEvent(QCloseEvent* event) {
  if (!PrepareClose()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

// Escape goes through the same close path, so an open exchange is never left behind.
void StoredImportWindow::reject() {
  if (PrepareClose()) QDialog::reject();
}

void StoredImportWindow::Beep() { gui::MessageBeep(); }

void StoredImportWindow::Inform(const std::string& text) {
  ShowPendingLines();
  gui::ShowInformation(this, Q(text));
}

bool StoredImportWindow::Confirm(const std::string& text) {
  ShowPendingLines();
  return gui::AskYesNo(this, Q(text));
}

void StoredImportWindow::SetProgressLabel(const std::string& text) { ProgressLabel->SetCaption(Q(text)); }

void StoredImportWindow::SetDownloadBar(int position, int max) {
  DownloadProgressBar->setMaximum(std::max(max, 1));
  DownloadProgressBar->setValue(std::clamp(position, 0, std::max(max, 1)));
}

void StoredImportWindow::SetReadBar(int position, int max) {
  ReadProgressBar->setMaximum(std::max(max, 1));
  ReadProgressBar->setValue(std::clamp(position, 0, std::max(max, 1)));
}

void StoredImportWindow::ClearList() {
  pendingLines_.clear();
  WrittenDataList->clear();
}

// A read stores hundreds of records a second: the list takes them in batches, one per repaint, so adding a line
// costs the same however long the list is.
void StoredImportWindow::AddListLine(const std::string& text) { pendingLines_ << Q(text); }

// The lines taken back may be on the list or still waiting for it; the list is filled again at once.
void StoredImportWindow::RemoveListLines(const std::vector<int>& rows) {
  ShowPendingLines();
  QStringList kept;
  auto removed = rows.begin();
  for (int row = 0; row < WrittenDataList->count(); ++row) {
    if (removed != rows.end() && *removed == row) {
      ++removed;
      continue;
    }
    kept << WrittenDataList->item(row)->text();
  }
  WrittenDataList->clear();
  WrittenDataList->addItems(kept);
  WrittenDataList->scrollToBottom();
}

void StoredImportWindow::ShowPendingLines() {
  linesShown_.start();
  if (pendingLines_.isEmpty()) return;
  WrittenDataList->addItems(pendingLines_);
  pendingLines_.clear();
  WrittenDataList->scrollToBottom();
}

void StoredImportWindow::SetStatusTimer(bool on) {
  if (on)
    DownloadStatusTimer->start();
  else
    DownloadStatusTimer->stop();
}

void StoredImportWindow::SetBusyCursor(bool on) {
  ShowPendingLines();
  if (on && !cursorSet_) QApplication::setOverrideCursor(Qt::BusyCursor);
  if (!on && cursorSet_) QApplication::restoreOverrideCursor();
  cursorSet_ = on;
}

void StoredImportWindow::ShowStartTime(const DateTime& t) {
  StartTimeEdit->setDateTime(QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second)));
  StartTimeStampLabel->setText(QString::fromStdString(t.Stamp()));
}

// The window is modal, so only its own controls take input here; its Cancel button must work during a read.
void StoredImportWindow::ProcessMessages() {
  constexpr qint64 kRepaintMs = 40;
  if (!linesShown_.isValid() || linesShown_.elapsed() >= kRepaintMs) ShowPendingLines();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace corvina
