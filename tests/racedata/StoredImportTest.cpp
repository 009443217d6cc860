#include <algorithm>
#include <chrono>

#include "components/SettingsFile.h"
#include "platform/jvlink/ScriptedJVLink.h"
#include "racedata/JVMessages.h"
#include "racedata/StoredImport.h"
#include "tests/support/JVLinkFiles.h"
#include "tests/support/RecordingUis.h"
#include "tests/support/Unprivileged.h"

namespace corvina {
namespace {
namespace fs = std::filesystem;
using testing::U;

const std::string kKey1 = "2024010606010101";  // Nakayama race 1
const std::string kKey2 = "2024010606010102";

class StoredImportTest : public ::testing::Test {
 protected:
  test::TempDir tmp{"import"};
  fs::path dir = tmp.path();
  testing::ClockGuard clock{DateTime{2024, 1, 6, 18, 0, 0}};
  ScriptedJVLink link;
  testing::RecordingImportUi ui;
  SettingsFile ini;
  std::unique_ptr<StoredImport> import;

  void SetUp() override {
    fs::create_directories(dir / "Data");
    ini.SetFileName((dir / "corvina.ini").string());
    import = std::make_unique<StoredImport>(link, dir, ini, ui);
    import->SetStartTime(DateTime{2024, 1, 1, 0, 0, 0});
  }
  fs::path Data(const std::string& utf8) const {
    return dir / "Data" / fs::path(std::u8string(utf8.begin(), utf8.end()));
  }
  std::string LastTime() const { return ini.ReadString("JvDataGet", "LastTime", "none"); }
  static ScriptedExchange Exchange(std::vector<ScriptedRead> reads, int files = 1, int downloads = 0) {
    ScriptedExchange e;
    e.readCount = files;
    e.downloadCount = downloads;
    e.lastFileTimestamp = "20240106093000";
    e.reads = std::move(reads);
    return e;
  }
};

TEST_F(StoredImportTest, NoNewerDataOrOpenFailureEndsWithCloseAndMessage) {
  ScriptedExchange none;
  none.openResult = -1;
  link.AddExchange(none);
  ScriptedExchange empty = Exchange({}, 0);
  link.AddExchange(empty);
  ScriptedExchange broken;
  broken.openResult = -504;
  link.AddExchange(broken);
  for (int i = 0; i < 3; ++i) import->Start();
  EXPECT_EQ(link.Ops(), (std::vector<std::string>{"JVOpen", "JVClose", "JVOpen", "JVClose", "JVOpen", "JVClose"}));
  ASSERT_EQ(ui.informs.size(), 6u);  // the start notice before each run
  EXPECT_EQ(ui.informs[1], "最新のRACEデータがありません。");
  EXPECT_EQ(ui.informs[3], "最新のRACEデータがありません。");
  EXPECT_EQ(ui.informs[5], "JVOpenエラー:サーバーがメンテナンス中です。(-504)");
  EXPECT_FALSE(import->Busy());
  EXPECT_FALSE(ui.busy);
  EXPECT_EQ(LastTime(), "none");
}

TEST_F(StoredImportTest, StartNoticeAndOpenArguments) {
  import->SetStartTime(DateTime{2024, 1, 2, 3, 4, 5});
  import->SetOption(1);
  import->Start();
  EXPECT_TRUE(ui.informs.at(0).starts_with("2024年01月02日03時04分05秒以降のデータ取込を開始します。"));
  EXPECT_EQ(link.calls.at(0), "JVOpen(RACE,20240102030405,1)=-1");
}

TEST_F(StoredImportTest, ReadsRecordsIntoDayFilesWithoutDownloads) {
  link.AddExchange(Exchange({ScriptedRead::Code(-3), ScriptedRead::Record(testing::RA(kKey2)),
                             ScriptedRead::Record(testing::RA(kKey1)), ScriptedRead::Record(testing::SE(kKey1, 3)),
                             ScriptedRead::Code(-1), ScriptedRead::Record(testing::HR(kKey1)), ScriptedRead::Code(-1)},
                            2));
  bool busyThroughout = true;
  ui.onMessages = [&] { busyThroughout = busyThroughout && ui.busy; };
  import->Start();
  EXPECT_TRUE(busyThroughout) << "the busy cursor shows while the records are read";
  EXPECT_EQ(link.Ops().back(), "JVClose");
  EXPECT_EQ(import->StoredCount(), 4);
  const Lines ra = testing::FileLines(Data("2024年01月06日.jvRA"));
  ASSERT_EQ(ra.size(), 36u);  // two races, filled up once with blank lines
  EXPECT_EQ(ra[0].substr(0, 27), "RA" + std::string("000000000") + kKey1);
  EXPECT_EQ(ra[1].substr(11, 16), kKey2);
  EXPECT_TRUE(IsBlank(ra[35]));
  EXPECT_EQ(ra[35].size(), 1270u);
  EXPECT_EQ(import->WrittenRaFiles().Count(), 1u);
  const Lines se = testing::FileLines(Data("2024年01月06日中山.jvSEr"));
  ASSERT_EQ(se.size(), 216u);
  EXPECT_EQ(se[2].substr(0, 2), "SE");
  EXPECT_EQ(testing::FileLines(Data("2024年01月06日.jvHR")).size(), 1u);
  EXPECT_EQ(ui.list.at(0), "作成済み:02R/2024年01月06日.jvRA");
  EXPECT_EQ(ui.list.at(2), "作成済み:01R/03番/2024年01月06日中山.jvSEr");
  // The end of the data is named as the service gave it, then the count read.
  ASSERT_GE(ui.labels.size(), 2u);
  EXPECT_EQ((std::vector<std::string>(ui.labels.end() - 2, ui.labels.end())),
            (std::vector<std::string>{"JVRead EndOfFile :0", "データ読込み完了(2/2)"}));
  EXPECT_EQ(LastTime(), "2024/01/06 09:30:00");
  ASSERT_FALSE(ui.shown.empty());
  EXPECT_EQ(ui.shown.back(), (DateTime{2024, 1, 6, 9, 30, 0}));
}

TEST_F(StoredImportTest, SkipRulesOfTheImport) {
  import->SetStartTime(DateTime{2024, 3, 2, 0, 0, 0});     // 20240302 - 10 = 20240292: February is too old
  import->SetFlushInterval(std::chrono::milliseconds(0));  // saved after each record: the padding still reaches it
  const std::string feb29 = "2024022906010101", feb92ok = "2024030106010101";
  link.AddExchange(Exchange({
      ScriptedRead::Record(testing::RA(feb29)),                  // older than the start date number - 10
      ScriptedRead::Record(testing::RA(feb92ok)),                // within
      ScriptedRead::Record(testing::RA(feb92ok, 'A')),           // data kind A
      ScriptedRead::Record(testing::SE(feb92ok, 1, 'B')),        // data kind B
      ScriptedRead::Record(testing::RA("2024030106010100")),     // race 0
      ScriptedRead::Record(testing::SE(feb92ok, 19)),            // horse 19
      ScriptedRead::Record(testing::SE("2024030106010113", 1)),  // race 13 has no runner line
      ScriptedRead::Record(testing::HR(feb92ok, 'A')),           // payouts ignore the data kind
      ScriptedRead::Record(testing::HR(feb29)),                  // but not the date
      ScriptedRead::Record("O1" + std::string(100, '1')),        // other kinds are not imported
  }));
  import->Start();
  EXPECT_FALSE(fs::exists(Data("2024年02月29日.jvRA")));
  EXPECT_FALSE(fs::exists(Data("2024年02月29日.jvHR")));
  const Lines ra = testing::FileLines(Data("2024年03月01日.jvRA"));
  ASSERT_EQ(ra.size(), 36u);
  EXPECT_EQ(ra[0].substr(0, 3), "RA0");
  EXPECT_TRUE(IsBlank(ra[1]));
  EXPECT_FALSE(fs::exists(Data("2024年03月01日中山.jvSEr")));
  const Lines hr = testing::FileLines(Data("2024年03月01日.jvHR"));
  ASSERT_EQ(hr.size(), 1u);
  EXPECT_EQ(hr[0].substr(0, 11), "HR000000000");
  EXPECT_EQ(import->StoredCount(), 2);
}

TEST_F(StoredImportTest, DownloadPathWaitsThenReadsAndMovesTheStartTime) {
  ScriptedExchange e = Exchange({ScriptedRead::Record(testing::RA(kKey1)), ScriptedRead::Code(-1)}, 1, 2);
  e.statusResults = {0, 1, 2};
  link.AddExchange(e);
  import->Start();
  EXPECT_TRUE(ui.timer);
  EXPECT_EQ(import->CurrentState(), StoredImport::State::Downloading);
  EXPECT_EQ(ui.labels.back(), "ダウンロード中・・・");
  import->StatusTick();
  import->StatusTick();
  EXPECT_EQ(ui.labels.back(), "ダウンロード中．．．(1/2)");
  EXPECT_EQ(ui.downloadPos, 1);
  EXPECT_EQ(link.CountCalls("JVRead"), 0);
  import->StatusTick();
  EXPECT_FALSE(ui.timer);
  EXPECT_FALSE(import->Busy());
  EXPECT_EQ(link.Ops().back(), "JVClose");
  EXPECT_EQ(testing::FileLines(Data("2024年01月06日.jvRA")).size(), 36u);
  EXPECT_EQ(LastTime(), "2024/01/06 09:30:00");
  import->StatusTick();  // a late tick does nothing
  EXPECT_EQ(link.CountCalls("JVStatus"), 3);
}

TEST_F(StoredImportTest, StatusAboveTheCountIsDoneAndAStatusErrorCloses) {
  ScriptedExchange e = Exchange({}, 1, 2);
  e.statusResults = {3};
  link.AddExchange(e);
  import->Start();
  import->StatusTick();
  EXPECT_FALSE(import->Busy());
  EXPECT_EQ(link.CountCalls("JVRead"), 1);

  e.statusResults = {-502};
  link.AddExchange(e);
  import->Start();
  import->StatusTick();
  EXPECT_FALSE(ui.timer);
  EXPECT_EQ(ui.informs.back(), "JVStatusエラー:ダウンロードに失敗しました。（通信エラーやディスクエラーなど）(-502)");
  EXPECT_EQ(link.CountCalls("JVRead"), 1);
  EXPECT_EQ(link.Ops().back(), "JVClose");
}

TEST_F(StoredImportTest, CancelDuringDownloadClosesTheExchange) {
  link.AddExchange(Exchange({ScriptedRead::Record(testing::RA(kKey1))}, 1, 1));
  import->Start();
  ui.answer = false;
  import->Cancel();
  EXPECT_TRUE(ui.timer);  // "No" lets the download go on
  ui.answer = true;
  import->Cancel();
  EXPECT_FALSE(ui.timer);
  EXPECT_EQ(ui.timerWhenAsked, (std::vector<bool>{false, false})) << "no download ends behind the question";
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(link.Ops(), (std::vector<std::string>{"JVOpen", "JVCancel", "JVClose"}));
  EXPECT_EQ(ui.informs.back(), "JVCancel:キャンセルされました");
  EXPECT_EQ(ui.labels.back(), "JVCancel:キャンセルされました");
  import->StatusTick();
  EXPECT_EQ(link.CountCalls("JVRead"), 0);
  EXPECT_EQ(LastTime(), "none");
  // The next run finds the control free.
  link.AddExchange(Exchange({}, 1));
  import->Start();
  EXPECT_EQ(link.calls.at(3).substr(0, 9), "JVOpen(RA");
}

TEST_F(StoredImportTest, CancelDuringReadStopsAtTheNextRecordAndKeepsStartTime) {
  link.AddExchange(Exchange(
      {ScriptedRead::Record(testing::RA(kKey1)), ScriptedRead::Record(testing::RA(kKey2)), ScriptedRead::Code(-1)}));
  link.onCall = [&](const std::string& op) {
    if (op == "JVRead" && link.CountCalls("JVRead") == 1) import->Cancel();
  };
  import->Start();
  EXPECT_EQ(link.Ops(), (std::vector<std::string>{"JVOpen", "JVRead", "JVCancel", "JVClose"}));
  EXPECT_EQ(import->StoredCount(), 1);  // the record in hand is kept, and saved
  const Lines ra = testing::FileLines(Data("2024年01月06日.jvRA"));
  ASSERT_EQ(ra.size(), 36u);
  EXPECT_EQ(ra[0].substr(11, 16), kKey1);
  EXPECT_EQ(LastTime(), "none");
  EXPECT_FALSE(import->Busy());
}

TEST_F(StoredImportTest, ReadErrorKeepsRecordsAndStartTime) {
  link.AddExchange(Exchange(
      {ScriptedRead::Record(testing::RA(kKey1)), ScriptedRead::Code(-502), ScriptedRead::Record(testing::RA(kKey2))}));
  import->Start();
  EXPECT_EQ(ui.informs.back(), "JVReadエラー:ダウンロードに失敗しました。(通信エラーやディスクエラー)(-502)");
  EXPECT_EQ(link.Ops().back(), "JVClose");
  EXPECT_EQ(import->StoredCount(), 1);
  EXPECT_EQ(testing::FileLines(Data("2024年01月06日.jvRA")).size(), 36u);  // still filled up
  EXPECT_EQ(LastTime(), "none");
}

TEST_F(StoredImportTest, ZeroTimestampKeepsStartTimeAndCloseErrorIsShown) {
  ScriptedExchange e = Exchange({});
  e.lastFileTimestamp = "00000000000000";
  link.AddExchange(e);
  link.closeResults = {5};
  import->Start();
  EXPECT_EQ(LastTime(), "none");
  EXPECT_EQ(ui.informs.back(), "JVCloseエラー:(5)");
}

TEST_F(StoredImportTest, ProgressCountsFileSwitches) {
  link.AddExchange(Exchange({ScriptedRead::Code(-1), ScriptedRead::Code(-1), ScriptedRead::Code(-1)}, 3));
  std::vector<int> bars;
  ui.onMessages = [&] { bars.push_back(ui.readPos); };
  import->Start();
  EXPECT_EQ(bars, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(ui.labels.back(), "データ読込み完了(3/3)");
}

TEST_F(StoredImportTest, ClosingTheWindowEndsARunningExchange) {
  link.AddExchange(Exchange({}, 1, 1));
  import->Start();
  EXPECT_TRUE(import->PrepareToClose());
  EXPECT_EQ(link.Ops(), (std::vector<std::string>{"JVOpen", "JVCancel", "JVClose"}));

  link.AddExchange(Exchange({ScriptedRead::Record(testing::RA(kKey1)), ScriptedRead::Record(testing::RA(kKey2))}));
  bool allowed = true;
  link.onCall = [&](const std::string& op) {
    if (op == "JVRead") allowed = import->PrepareToClose();
  };
  import->Start();
  EXPECT_FALSE(allowed);  // not while the read is on the stack
  EXPECT_FALSE(import->Busy());
  EXPECT_EQ(link.Ops().back(), "JVClose");
  EXPECT_TRUE(import->PrepareToClose());
}

TEST_F(StoredImportTest, StartTimeFromSettingsOrEightDaysBack) {
  EXPECT_EQ(import->LoadStartTime(), (DateTime{2023, 12, 29, 18, 0, 0}));
  ini.WriteString("JvDataGet", "LastTime", "2024/01/03 12:34:56");
  EXPECT_EQ(import->LoadStartTime(), (DateTime{2024, 1, 3, 12, 34, 56}));
  // Each field just past its range is refused, and the times at the edges of every range are taken.
  for (const char* bad : {"2024/13/03 12:34:56", "2024/00/03 12:34:56", "2024/01/00 12:34:56", "2023/02/29 00:00:00",
                          "2024/04/31 00:00:00", "0000/01/03 12:34:56", "2024/01/03 24:00:00", "2024/01/03 12:60:00",
                          "2024/01/03 12:34:60", "2024/1/3 1:2:3", "2024/01/03 12:34:5x", ""}) {
    ini.WriteString("JvDataGet", "LastTime", bad);
    EXPECT_EQ(import->LoadStartTime(), (DateTime{2023, 12, 29, 18, 0, 0})) << bad;
  }
  ini.WriteString("JvDataGet", "LastTime", "2024/02/29 00:00:00");
  EXPECT_EQ(import->LoadStartTime(), (DateTime{2024, 2, 29, 0, 0, 0}));
  ini.WriteString("JvDataGet", "LastTime", "2023/12/31 23:59:59");
  EXPECT_EQ(import->LoadStartTime(), (DateTime{2023, 12, 31, 23, 59, 59}));
  ini.WriteString("JvDataGet", "LastTime", "0001/01/01 00:00:00");
  EXPECT_EQ(import->LoadStartTime(), (DateTime{1, 1, 1, 0, 0, 0}));
}

TEST_F(StoredImportTest, DateRuleKeepsExactlyTheTenBeforeTheStartNumber) {
  import->SetStartTime(DateTime{2024, 1, 20, 12, 0, 0});  // FromDate 20240120: 20240110 is kept, 20240109 not
  std::vector<ScriptedRead> reads;
  for (const std::string key : {"2024011006010101", "2024010906010101"})
    for (const std::string& rec : {testing::RA(key), testing::SE(key, 1), testing::HR(key)})
      reads.push_back(ScriptedRead::Record(rec));
  link.AddExchange(Exchange(reads));
  import->Start();
  EXPECT_EQ(import->StoredCount(), 3);
  for (const char* suffix : {".jvRA", "中山.jvSEr", ".jvHR"}) {
    EXPECT_TRUE(fs::exists(Data(std::string("2024年01月10日") + suffix))) << suffix;
    EXPECT_FALSE(fs::exists(Data(std::string("2024年01月09日") + suffix))) << suffix;
  }
}

TEST_F(StoredImportTest, SetupDialogFailureIsShown) {
  link.setUIResult = -100;
  import->SetUIProperties();
  EXPECT_EQ(ui.informs.back(),
            "JVSetUIPropertiesエラー：パラメータが不正あるいはレジストリへの保存に失敗しました。(-100)");
}

// A Data folder the user may not write stops the run with one message, whether the save during the read or the
// one at its end finds it, or it turns read-only during the read. The list takes back the lines of records that
// reached no file, the label says the import failed (not that the read completed), and the start time stays for
// the next run to read everything again.
TEST_F(StoredImportTest, UnwritableDataFolderStopsTheRunWithOneMessage) {
  const auto readOnly = [&] { fs::permissions(dir / "Data", fs::perms::owner_read | fs::perms::owner_exec); };
  readOnly();
  const std::string failed = "データ取込み失敗：データファイルに書き込めません";
  const auto writeErrors = [&] {
    return std::count_if(ui.informs.begin(), ui.informs.end(),
                         [](const std::string& t) { return t.starts_with("データファイルに書き込めません："); });
  };
  const auto exchange = [&] {
    return Exchange({ScriptedRead::Record(testing::RA(kKey1)), ScriptedRead::Record(testing::SE(kKey1, 1)),
                     ScriptedRead::Record(testing::RA(kKey2))});
  };
  const bool checked = test::RunUnprivileged(dir, [&] {
    import->SetFlushInterval(std::chrono::milliseconds(0));
    link.AddExchange(exchange());
    import->Start();
    EXPECT_EQ(link.CountCalls("JVRead"), 1);
    EXPECT_EQ(writeErrors(), 1);
    EXPECT_EQ(link.Ops().back(), "JVClose");
    EXPECT_EQ(ui.list, std::vector<std::string>{});
    EXPECT_EQ(ui.labels.back(), failed);

    import->SetFlushInterval(DayFileBatch::kFlushInterval);
    link.AddExchange(exchange());
    import->Start();
    EXPECT_EQ(link.CountCalls("JVRead"), 1 + 4);
    EXPECT_EQ(writeErrors(), 2);
    EXPECT_EQ(ui.list, std::vector<std::string>{});
    EXPECT_EQ(ui.labels.back(), failed);
    EXPECT_EQ(LastTime(), "none");
    EXPECT_TRUE(fs::is_empty(dir / "Data"));

    // Saved after each record, the race file takes the first race, then the folder turns read-only.
    fs::permissions(dir / "Data", fs::perms::owner_all);
    import->SetFlushInterval(std::chrono::milliseconds(0));
    const int readsBefore = link.CountCalls("JVRead");
    link.onCall = [&](const std::string& op) {
      if (op == "JVRead" && link.CountCalls("JVRead") == readsBefore + 3) readOnly();
    };
    link.AddExchange(exchange());
    import->Start();
    EXPECT_EQ(writeErrors(), 3);
    EXPECT_EQ(ui.list, (std::vector<std::string>{"作成済み:01R/2024年01月06日.jvRA",
                                                 "作成済み:01R/01番/2024年01月06日中山.jvSEr"}));
    EXPECT_EQ(ui.labels.back(), failed);
    EXPECT_EQ(testing::FileLines(Data("2024年01月06日.jvRA")).size(), 1u);
    EXPECT_EQ(LastTime(), "none");
    return !HasFailure();
  });
  EXPECT_TRUE(checked) << "the checks of the run without privileges";
  fs::permissions(dir / "Data", fs::perms::owner_all);
}

// A day file of any kind that exists but cannot be read stops the run with its name, and is left as it is.
TEST_F(StoredImportTest, ADayFileThatCannotBeReadStopsTheRunWithItsName) {
  for (const std::string suffix : {".jvRA", "中山.jvSEr", ".jvHR"}) {
    SCOPED_TRACE(suffix);
    fs::remove_all(dir / "Data");
    fs::create_directories(dir / "Data");
    const fs::path unreadable = Data("2024年01月06日" + suffix);
    fs::create_symlink("/proc/self/mem", unreadable);
    ui.informs.clear();
    link.AddExchange(Exchange({ScriptedRead::Record(testing::RA(kKey1)), ScriptedRead::Record(testing::SE(kKey1, 1)),
                               ScriptedRead::Record(testing::HR(kKey1)), ScriptedRead::Record(testing::RA(kKey2))}));
    import->Start();
    ASSERT_EQ(ui.informs.size(), 2u);  // the start notice and the failure
    EXPECT_TRUE(ui.informs[1].starts_with("データファイルに書き込めません：")) << ui.informs[1];
    EXPECT_NE(ui.informs[1].find(unreadable.filename().string()), std::string::npos) << ui.informs[1];
    EXPECT_TRUE(fs::is_symlink(unreadable));
    EXPECT_EQ(LastTime(), "none");
  }
}

TEST_F(StoredImportTest, ImportHoldsTheGateUntilItsExchangeCloses) {
  ExchangeGate gate;
  import->SetGate(&gate);
  ScriptedExchange e = Exchange({ScriptedRead::Record(testing::RA(kKey1))}, 1, 1);
  e.statusResults = {0, 1};
  link.AddExchange(e);
  import->Start();
  // A timer of the main window fires during the download: its exchange waits for the close.
  std::vector<std::string> seenAtTick;
  std::string lastTimeAtTick;
  size_t informsAtTick = 0;
  gate.Run([&] {
    seenAtTick = link.Ops();
    lastTimeAtTick = LastTime();
    informsAtTick = ui.informs.size();
  });
  EXPECT_TRUE(seenAtTick.empty());
  ui.onMessages = [&] { import->Cancel(); };  // asked inside the read, answered No: the gate stays held
  ui.answer = false;
  import->StatusTick();
  import->StatusTick();
  EXPECT_EQ(seenAtTick.back(), "JVClose");
  // It ran after the import had finished: the start time moved and the close was reported.
  EXPECT_EQ(lastTimeAtTick, "2024/01/06 09:30:00");
  EXPECT_EQ(informsAtTick, ui.informs.size());
  EXPECT_FALSE(gate.Busy());
  ui.onMessages = nullptr;
  ui.answer = true;
  // And an import asked for while another exchange holds the gate is refused, not run beside it.
  ASSERT_TRUE(gate.TryEnter());
  import->Start();
  EXPECT_EQ(ui.informs.back(), FromCp932(U("JVOpenエラー:")) + FromCp932(JVErrorMessage("JVOpen", -202)));
  EXPECT_EQ(link.CountCalls("JVOpen"), 1);
  gate.Leave();
}

TEST_F(StoredImportTest, RecordsOfOddLengthGetTheirFileLineLength) {
  std::string shortRa = testing::RA(kKey1).substr(0, 300);
  std::string longHr = testing::HR(kKey1) + std::string(50, 'z');
  link.AddExchange(Exchange({ScriptedRead::Record(shortRa), ScriptedRead::Record(longHr)}));
  import->Start();
  const Lines ra = testing::FileLines(Data("2024年01月06日.jvRA"));
  ASSERT_FALSE(ra.empty());
  for (const auto& l : ra) EXPECT_EQ(l.size(), 1270u);
  const Lines hr = testing::FileLines(Data("2024年01月06日.jvHR"));
  ASSERT_EQ(hr.size(), 1u);
  EXPECT_EQ(hr[0].size(), 717u);
}

}  // namespace
}  // namespace corvina
