// The import window offscreen: its controls drive the import, the status timer carries a download through to
// the read, and closing rebuilds the day list without leaving an exchange open.
#include <QApplication>
#include <QDateTimeEdit>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <set>
#include <thread>

#include "components/ui/Label3D.h"
#include "platform/gui/Dialogs.h"
#include "platform/jvlink/ScriptedJVLink.h"
#include "racedata/ui/StoredImportWindow.h"
#include "tests/support/JVLinkFiles.h"
#include "tests/support/QtApp.h"

namespace corvina {
namespace {
namespace fs = std::filesystem;

class StoredImportWindowTest : public ::testing::Test {
 protected:
  test::TempDir tmp{"form"};
  fs::path dir = tmp.path();
  testing::ClockGuard clock{DateTime{2024, 1, 6, 18, 0, 0}};
  ScriptedJVLink link;
  gui::MessageRecorder messages;
  int dayListBuilt = 0;
  ExchangeGate gate;

  void SetUp() override {
    test::App();
    fs::create_directories(dir / "Data");
  }
};

// Texts of the labels and group boxes the window shows.
QStringList ShownTexts(const QWidget& form) {
  QStringList texts;
  for (const QLabel* l : form.findChildren<QLabel*>()) texts << l->text();
  for (const QGroupBox* g : form.findChildren<QGroupBox*>()) texts << g->title();
  return texts;
}

TEST_F(StoredImportWindowTest, ControlsCaptionsStartTimeAndNoDataMessage) {
  ASSERT_TRUE(SaveFileAtomic(dir / "corvina.ini", "[JvDataGet]\r\nLastTime=2023/12/30 07:08:09\r\n"));
  StoredImportWindow form(
      link, dir, [&] { ++dayListBuilt; }, &gate);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("ＪＶデータ取込"));
  EXPECT_EQ(form.DownloadStatusTimer->interval(), 10);
  const std::pair<QAbstractButton*, const char*> buttons[] = {
      {form.LinkSettingsButton, "JVLink設定"},          {form.StartButton, "データ取込み開始"},
      {form.CancelButton, "データ取込み中止"},          {form.NormalDataRadioButton, "通常データ"},
      {form.ThisWeekDataRadioButton, "今週開催データ"}, {form.SetupDataRadioButton, "セットアップデータ"}};
  for (const auto& [button, caption] : buttons) EXPECT_EQ(button->text(), QString::fromUtf8(caption));
  const QStringList texts = ShownTexts(form);
  for (const char* caption : {"取得データ", "取得開始日付", "ダウンロード", "読込み", "作成済みデータ"})
    EXPECT_TRUE(texts.contains(QString::fromUtf8(caption))) << caption;
  EXPECT_TRUE(form.SetupDataRadioButton->isHidden());
  form.show();
  QCoreApplication::processEvents();
  EXPECT_EQ(test::OverlappingChildren(form), QStringList()) << "every control has its place in the window";
  EXPECT_TRUE(form.StartTimeStampLabel->isHidden());
  // The start time's arrow drops down a calendar to choose the day from.
  test::Click(form.StartTimeEdit, QPoint(form.StartTimeEdit->width() - 4, form.StartTimeEdit->height() / 2));
  QWidget* calendar = QApplication::activePopupWidget();
  ASSERT_NE(calendar, nullptr);
  calendar->close();
  EXPECT_EQ(form.StartTimeEdit->text(), QStringLiteral("2023/12/30 07:08:09"));
  EXPECT_EQ(form.StartTimeStampLabel->text(), QStringLiteral("2023/12/30 07:08:09"));
  EXPECT_TRUE(form.ThisWeekDataRadioButton->isChecked());
  form.StartButton->click();
  EXPECT_EQ(link.calls.at(0), "JVOpen(RACE,20231230070809,2)=-1");
  EXPECT_EQ(messages.Texts().last(), QStringLiteral("最新のRACEデータがありません。"));
  // The start time the user sets, to the second, and the other data kind.
  form.StartTimeEdit->setDateTime(QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)));
  form.NormalDataRadioButton->setChecked(true);
  form.StartButton->click();
  EXPECT_EQ(link.calls.at(2), "JVOpen(RACE,20240102030405,1)=-1");
  EXPECT_TRUE(form.StartButton->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  // JV-Link's own settings dialog, and what the user is told when it fails.
  messages.Clear();
  link.setUIResult = -100;
  form.LinkSettingsButton->click();
  EXPECT_EQ(link.calls.back(), "JVSetUIProperties()=-100");
  ASSERT_EQ(messages.Texts().size(), 1);
  EXPECT_TRUE(messages.Texts()[0].startsWith(QStringLiteral("JVSetUIPropertiesエラー：")))
      << messages.Texts()[0].toStdString();
  form.close();
  EXPECT_FALSE(form.isVisible()) << "an idle window closes";
  EXPECT_EQ(dayListBuilt, 1);
  // Shown again and closed again: the day list is built again, once.
  form.show();
  test::PressKey(&form, Qt::Key_Escape);
  EXPECT_FALSE(form.isVisible()) << "Escape closes it too";
  EXPECT_EQ(dayListBuilt, 2);
}

// The read loop lets queued events run once per record, so a click on the window's own Cancel button that
// arrives during a read stops it at the next record.
TEST_F(StoredImportWindowTest, CancelButtonStopsARunningRead) {
  ScriptedExchange e;
  e.readCount = 1;
  e.lastFileTimestamp = "20240106173000";
  for (int i = 1; i <= 9; ++i)
    e.reads.push_back(ScriptedRead::Record(testing::RA("202401060601010" + std::to_string(i))));
  link.AddExchange(e);
  StoredImportWindow form(
      link, dir, [&] { ++dayListBuilt; }, &gate);
  form.show();
  link.onCall = [&](const std::string& op) {
    if (op != "JVRead" || link.CountCalls("JVRead") != 2) return;
    test::Click(form.CancelButton, form.CancelButton->rect().center(), true);
  };
  // Each box, with the lines the list shows beside it: the question comes with every line read so far.
  QStringList boxes;
  gui::SetMessageSink([&](gui::MsgKind, const QString& text) {
    boxes << QString("%1 (%2)").arg(text).arg(form.WrittenDataList->count());
    return gui::MsgResult::Yes;
  });
  form.StartButton->click();
  EXPECT_EQ(link.Ops(), (std::vector<std::string>{"JVOpen", "JVRead", "JVRead", "JVCancel", "JVClose"}));
  ASSERT_EQ(boxes.size(), 3) << boxes.join("\n").toStdString();
  EXPECT_TRUE(boxes[0].contains(QStringLiteral("以降のデータ取込を開始します。"))) << boxes[0].toStdString();
  EXPECT_EQ(boxes.mid(1), (QStringList{QStringLiteral("データ取込を中止します。実行しますか？ (2)"),
                                       QStringLiteral("JVCancel:キャンセルされました (2)")}));
  EXPECT_EQ(form.ProgressLabel->Caption(), QStringLiteral("JVCancel:キャンセルされました"));
  EXPECT_EQ(form.WrittenDataList->count(), 2);
  EXPECT_FALSE(form.Logic().Busy());
  EXPECT_FALSE(gate.Busy());
  // Cut short: the start time stays where it was.
  EXPECT_NE(form.StartTimeStampLabel->text(), QStringLiteral("2024/01/06 17:30:00"));
}

// Counts the paints of a widget and the progress value each showed.
struct PaintWatch : QObject {
  std::vector<int> values;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) values.push_back(static_cast<QProgressBar*>(watched)->value());
    return false;
  }
};

// Cancelled in the middle of a read, the window has repainted its bars meanwhile, and the day files hold exactly
// the records read before the cancel: whole files of whole lines, nothing beside them, the start time unmoved.
TEST_F(StoredImportWindowTest, CancelMidReadKeepsEveryRecordReadAndWritesWholeFiles) {
  const std::string race = "20240106060101";
  ScriptedExchange e;
  e.readCount = 2;
  e.lastFileTimestamp = "20240106173000";
  for (int r = 1; r <= 2; ++r) {
    e.reads.push_back(ScriptedRead::Record(testing::RA(race + FormatZero(r, 2))));
    for (int h = 1; h <= 10; ++h) e.reads.push_back(ScriptedRead::Record(testing::SE(race + FormatZero(r, 2), h)));
  }
  e.reads.push_back(ScriptedRead::Code(-1));
  e.reads.push_back(ScriptedRead::Record(testing::RA(race + "03")));
  for (int r = 1; r <= 3; ++r) e.reads.push_back(ScriptedRead::Record(testing::HR(race + FormatZero(r, 2))));
  e.reads.push_back(ScriptedRead::Code(-1));
  link.AddExchange(e);
  StoredImportWindow form(
      link, dir, [&] { ++dayListBuilt; }, &gate);
  form.show();
  PaintWatch readBar;
  form.ReadProgressBar->installEventFilter(&readBar);
  // The click reaches the window while the 25th read (the first payout) is in hand.
  link.onCall = [&](const std::string& op) {
    if (op != "JVRead" || link.CountCalls("JVRead") != 25) return;
    test::Click(form.CancelButton, form.CancelButton->rect().center(), true);
  };
  form.StartButton->click();
  EXPECT_EQ(link.CountCalls("JVRead"), 25);
  EXPECT_EQ(link.Ops().back(), "JVClose");
  EXPECT_TRUE(std::find(readBar.values.begin(), readBar.values.end(), 1) != readBar.values.end());
  ASSERT_EQ(form.WrittenDataList->count(), 24);
  EXPECT_EQ(form.WrittenDataList->item(23)->text(), QStringLiteral("作成済み:01R/2024年01月06日.jvHR"));

  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir / "Data")) {
    const std::u8string n = entry.path().filename().u8string();
    names.emplace(n.begin(), n.end());
  }
  EXPECT_EQ(names, (std::set<std::string>{"2024年01月06日.jvRA", "2024年01月06日中山.jvSEr", "2024年01月06日.jvHR"}));
  const auto day = [&](const std::string& name) {
    return testing::FileLines(dir / "Data" / fs::path(std::u8string(name.begin(), name.end())));
  };
  const Lines ra = day("2024年01月06日.jvRA"), se = day("2024年01月06日中山.jvSEr"), hr = day("2024年01月06日.jvHR");
  ASSERT_EQ(ra.size(), 36u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ra[i].substr(11, 16), race + FormatZero(i + 1, 2));
  EXPECT_TRUE(IsBlank(ra[3]));
  ASSERT_EQ(se.size(), 216u);
  for (size_t i = 0; i < se.size(); ++i) {
    EXPECT_EQ(se[i].size(), 553u);
    EXPECT_EQ(IsBlank(se[i]), !(i < 10 || (i >= 18 && i < 28))) << i;
  }
  ASSERT_EQ(hr.size(), 1u);
  EXPECT_EQ(hr[0].substr(11, 16), race + "01");
  EXPECT_NE(form.StartTimeStampLabel->text(), QStringLiteral("2024/01/06 17:30:00"));
}

// A day file that cannot be saved ends the run as a failure. When its box comes up, the list has taken back the
// lines of that file's records, shown or not yet shown, and keeps those of the files saved; the label says the
// import failed, and the start time stays.
TEST_F(StoredImportWindowTest, FailedSaveTakesItsLinesOffTheListAndEndsAsAFailure) {
  const std::string race = "20240106060101";
  const std::u8string payouts = u8"2024年01月06日.jvHR";
  fs::create_directories(dir / "Data" / payouts);  // a folder holds the payouts' name: only that file fails
  ScriptedExchange e;
  e.readCount = 1;
  e.lastFileTimestamp = "20240106173000";
  e.reads = {ScriptedRead::Record(testing::RA(race + "01")), ScriptedRead::Record(testing::SE(race + "01", 1)),
             ScriptedRead::Record(testing::HR(race + "01")), ScriptedRead::Record(testing::RA(race + "02")),
             ScriptedRead::Record(testing::HR(race + "02")), ScriptedRead::Code(-1)};
  link.AddExchange(e);
  StoredImportWindow form(
      link, dir, [&] { ++dayListBuilt; }, &gate);
  form.show();
  // A cancel asked and answered No during the read puts the first three lines on the list at once.
  link.onCall = [&](const std::string& op) {
    if (op == "JVRead" && link.CountCalls("JVRead") == 3)
      test::Click(form.CancelButton, form.CancelButton->rect().center(), true);
  };
  const auto listed = [&] {
    QStringList lines;
    for (int i = 0; i < form.WrittenDataList->count(); ++i) lines << form.WrittenDataList->item(i)->text();
    return lines;
  };
  QStringList shownAtQuestion, shownAtFailure;
  QString labelAtFailure;
  gui::SetMessageSink([&](gui::MsgKind kind, const QString& text) {
    const QStringList shown = listed();
    if (kind == gui::MsgKind::Confirmation) shownAtQuestion = shown;
    if (text.startsWith(QStringLiteral("データファイルに書き込めません："))) {
      shownAtFailure = shown;
      labelAtFailure = form.ProgressLabel->Caption();
    }
    return gui::MsgResult::No;
  });
  form.StartButton->click();
  EXPECT_EQ(link.Ops().back(), "JVClose");
  EXPECT_EQ(shownAtQuestion.size(), 3) << shownAtQuestion.join("\n").toStdString();
  const QStringList written{QStringLiteral("作成済み:01R/2024年01月06日.jvRA"),
                            QStringLiteral("作成済み:01R/01番/2024年01月06日中山.jvSEr"),
                            QStringLiteral("作成済み:02R/2024年01月06日.jvRA")};
  EXPECT_EQ(shownAtFailure, written) << shownAtFailure.join("\n").toStdString();
  EXPECT_EQ(labelAtFailure, QStringLiteral("データ取込み失敗：データファイルに書き込めません"));
  EXPECT_EQ(listed(), written);
  EXPECT_EQ(form.ProgressLabel->Caption(), QStringLiteral("データ取込み失敗：データファイルに書き込めません"));
  EXPECT_EQ(testing::FileLines(dir / "Data" / fs::path(u8"2024年01月06日.jvRA")).size(), 36u);
  EXPECT_TRUE(fs::is_directory(dir / "Data" / payouts));
  EXPECT_NE(form.StartTimeStampLabel->text(), QStringLiteral("2024/01/06 17:30:00"));
  EXPECT_TRUE(form.StartButton->isEnabled());
}

// However fast the records come, the list shows them during the read, in the order stored, one line each.
TEST_F(StoredImportWindowTest, ListShowsTheLinesDuringTheReadInOrder) {
  ScriptedExchange e;
  e.readCount = 1;
  for (int r = 1; r <= 12; ++r)
    for (int h = 1; h <= 18; ++h)
      e.reads.push_back(ScriptedRead::Record(testing::SE("20240106060101" + FormatZero(r, 2), h)));
  link.AddExchange(e);
  StoredImportWindow form(
      link, dir, [&] { ++dayListBuilt; }, &gate);
  form.show();
  std::vector<int> shown;
  link.onCall = [&](const std::string& op) {
    if (op != "JVRead") return;
    shown.push_back(form.WrittenDataList->count());
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  };
  form.StartButton->click();
  ASSERT_EQ(form.WrittenDataList->count(), 216);
  EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](int n) { return n > 0 && n < 216; }));
  EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
  // In batches, a repaint's worth at a time: not one list update a line.
  EXPECT_LT(std::set<int>(shown.begin(), shown.end()).size(), 108u);
  EXPECT_EQ(form.WrittenDataList->item(0)->text(), QStringLiteral("作成済み:01R/01番/2024年01月06日中山.jvSEr"));
  EXPECT_EQ(form.WrittenDataList->item(215)->text(), QStringLiteral("作成済み:12R/18番/2024年01月06日中山.jvSEr"));
  const QScrollBar* bar = form.WrittenDataList->verticalScrollBar();
  EXPECT_TRUE(bar->maximum() > 0 && bar->value() == bar->maximum()) << "the last line is in view";
}

TEST_F(StoredImportWindowTest, TimerCarriesTheDownloadIntoTheReadAndTheList) {
  ScriptedExchange e;
  e.readCount = 2;
  e.downloadCount = 2;
  e.lastFileTimestamp = "20240106173000";
  e.statusResults = {0, 1, 2};
  e.reads = {ScriptedRead::Record(testing::RA("2024010606010101")), ScriptedRead::Code(-1),
             ScriptedRead::Record(testing::RA("2024010606010102")), ScriptedRead::Code(-1)};
  link.AddExchange(e);
  StoredImportWindow form(
      link, dir, [&] { ++dayListBuilt; }, &gate);
  form.show();
  // What the label and the two bars show at each call of the exchange, and the cursor during the read.
  QStringList shown;
  auto look = [&] {
    const QString now = QString("%1 | %2/%3 | %4/%5")
                            .arg(form.ProgressLabel->Caption())
                            .arg(form.DownloadProgressBar->value())
                            .arg(form.DownloadProgressBar->maximum())
                            .arg(form.ReadProgressBar->value())
                            .arg(form.ReadProgressBar->maximum());
    if (shown.isEmpty() || shown.last() != now) shown << now;
  };
  bool busyWhileReading = true;
  link.onCall = [&](const std::string& op) {
    look();
    if (op == "JVRead")
      busyWhileReading &= QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::BusyCursor;
  };
  form.StartButton->click();
  EXPECT_TRUE(form.DownloadStatusTimer->isActive());
  EXPECT_FALSE(form.StartButton->isEnabled());
  EXPECT_TRUE(gate.Busy());
  QElapsedTimer waited;
  waited.start();
  while (form.Logic().Busy() && waited.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  look();
  EXPECT_FALSE(form.Logic().Busy());
  EXPECT_FALSE(gate.Busy());
  EXPECT_FALSE(form.DownloadStatusTimer->isActive());
  EXPECT_TRUE(busyWhileReading);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the cursor is given back";
  EXPECT_EQ(shown, (QStringList{" | 0/100 | 0/100", "ダウンロード中・・・ | 0/2 | 0/100",
                                "ダウンロード中．．．(0/2) | 0/2 | 0/100", "ダウンロード中．．．(1/2) | 1/2 | 0/100",
                                "データ読込み中．．．(0/2) | 2/2 | 0/2", "データ読込み中．．．(1/2) | 2/2 | 1/2",
                                "データ読込み中．．．(2/2) | 2/2 | 2/2", "データ読込み完了(2/2) | 0/100 | 0/2"}))
      << shown.join("\n").toStdString();
  ASSERT_EQ(form.WrittenDataList->count(), 2);
  EXPECT_EQ(form.WrittenDataList->item(1)->text(), QStringLiteral("作成済み:02R/2024年01月06日.jvRA"));
  EXPECT_EQ(form.StartTimeStampLabel->text(), QStringLiteral("2024/01/06 17:30:00"));
  EXPECT_EQ(form.StartTimeEdit->dateTime(), QDateTime(QDate(2024, 1, 6), QTime(17, 30, 0)));
  EXPECT_TRUE(form.StartButton->isEnabled());
  // The next start begins with an empty list.
  form.StartButton->click();
  EXPECT_EQ(messages.Texts().last(), QStringLiteral("最新のRACEデータがありません。"));
  EXPECT_EQ(form.WrittenDataList->count(), 0);
}

// The cancel button ends a download and leaves the window ready for the next import; Escape ends one and closes.
TEST_F(StoredImportWindowTest, CancelOrEscapeDuringDownloadEndsTheExchange) {
  ScriptedExchange e;
  e.readCount = 1;
  e.downloadCount = 5;
  e.statusResults = std::vector<int>(20, 0);
  link.AddExchange(e);
  StoredImportWindow form(
      link, dir, [&] { ++dayListBuilt; }, &gate);
  form.show();
  form.StartButton->click();
  ASSERT_FALSE(form.StartButton->isEnabled());
  form.CancelButton->click();
  EXPECT_FALSE(link.IsOpen());
  EXPECT_FALSE(gate.Busy());
  EXPECT_FALSE(form.DownloadStatusTimer->isActive());
  EXPECT_TRUE(form.StartButton->isEnabled()) << "a new import can be started";
  link.AddExchange(e);
  form.StartButton->click();
  EXPECT_EQ(link.CountCalls("JVOpen"), 2);
  ASSERT_TRUE(form.DownloadStatusTimer->isActive());
  test::PressKey(&form, Qt::Key_Escape);
  EXPECT_FALSE(link.IsOpen());
  EXPECT_FALSE(gate.Busy());
  EXPECT_EQ(link.Ops().back(), "JVClose");
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(dayListBuilt, 1);
  // A window that goes while its download runs gives the cursor back.
  link.AddExchange(e);
  {
    StoredImportWindow other(link, dir, nullptr, nullptr);
    other.StartButton->click();
    ASSERT_TRUE(other.Logic().Busy());
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
  }
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// A close asked for during a read is refused while the read is on the stack; the read stops at the next record
// and only then does the window go.
TEST_F(StoredImportWindowTest, ClosingDuringReadWaitsForTheReadToStop) {
  ScriptedExchange e;
  e.readCount = 1;
  for (int i = 1; i <= 9; ++i)
    e.reads.push_back(ScriptedRead::Record(testing::RA("202401060601010" + std::to_string(i))));
  link.AddExchange(e);
  StoredImportWindow form(
      link, dir, [&] { ++dayListBuilt; }, &gate);
  form.show();
  bool openDuringRead = false;
  link.onCall = [&](const std::string& op) {
    if (op != "JVRead" || link.CountCalls("JVRead") != 2) return;
    form.close();
    openDuringRead = form.isVisible();
  };
  form.StartButton->click();
  QCoreApplication::processEvents();
  EXPECT_TRUE(openDuringRead) << "the window stays while the read runs";
  EXPECT_LT(link.CountCalls("JVRead"), 9);
  EXPECT_FALSE(link.IsOpen());
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(dayListBuilt, 1);
}

}  // namespace
}  // namespace corvina
