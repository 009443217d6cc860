#include "platform/jvlink/ScriptedJVLink.h"
#include "racedata/DayFiles.h"
#include "racedata/ErrorLog.h"
#include "racedata/JVMessages.h"
#include "racedata/RealTime.h"
#include "tests/support/JVLinkFiles.h"
#include "tests/support/RecordingUis.h"

namespace corvina {
namespace {
namespace fs = std::filesystem;
using testing::U;

const std::string kKey1 = "2024010606010101";  // Nakayama race 1 (slot 0)
const std::string kKey2 = "2024010606010102";  // Nakayama race 2 (slot 1)

class RealTimeTest : public ::testing::Test {
 protected:
  test::TempDir tmp{"rt"};
  fs::path dir = tmp.path();
  testing::ClockGuard clock{DateTime{2024, 1, 6, 10, 0, 0}};
  ScriptedJVLink link;
  testing::RecordingRealTimeUi ui;
  std::unique_ptr<DayModel> day = std::make_unique<DayModel>();
  std::unique_ptr<RealTimeReader> reader;
  DayName today{2024, 1, 6};

  void SetUp() override {
    day->AppDir = dir;
    fs::create_directories(day->DataDir());
    Lines ra = {testing::RA(kKey1), testing::RA(kKey2)};
    for (auto& l : ra) l.replace(2, 9, "000000000");
    ASSERT_TRUE(SaveLines(Path(".jvRA"), ra));
    day->Table.GRaTbl[0] = ra[0];
    day->Table.GRaTbl[1] = ra[1];
    ASSERT_TRUE(CreateBlankFile(Path(".jvO1"), 960, 4));
    ASSERT_TRUE(CreateBlankFile(Path(".jvO2"), 2040, 2));
    reader = std::make_unique<RealTimeReader>(link, *day, ui);
  }
  fs::path Path(const char* suffix) const { return DayFilePath(day->DataDir(), today, suffix); }
  Lines Log() const { return testing::FileLines(dir / "ErrorLog.txt"); }
  void Odds(std::vector<ScriptedRead> reads) {
    ScriptedExchange e;
    e.reads = std::move(reads);
    link.AddExchange(e);
    ASSERT_EQ(link.JVRTOpen("0B30", kKey1), 0);
  }
};

TEST_F(RealTimeTest, FirstShowingStartsJVLinkWithTheVersion) {
  EXPECT_EQ(reader->InitLink(), 0);
  EXPECT_EQ(link.calls.at(0), "JVInit(SA501927/SD774310/Corvina/Ver.1.28)=0");
  EXPECT_TRUE(ui.informs.empty());
  link.initResult = -101;
  EXPECT_EQ(reader->InitLink(), -101);
  EXPECT_EQ(ui.informs.at(0), "JVInitエラーが発生しました。：-101");
}

TEST_F(RealTimeTest, OddsSnapshotsFirstLatestAndNotNewer) {
  Odds({ScriptedRead::Code(-1), ScriptedRead::Code(-3), ScriptedRead::Code(-3), ScriptedRead::Code(-2),
        ScriptedRead::Record(testing::O1(kKey2, "01060900")),  // first snapshot of slot 1
        ScriptedRead::Record(testing::O1(kKey2, "01060930")),  // latest
        ScriptedRead::Record(testing::O1(kKey2, "01060915")),  // older than the latest: ignored
        ScriptedRead::Record(testing::O2(kKey2, "01060930")),
        ScriptedRead::Record(testing::O2(kKey2, "01060930").replace(100, 1, "Z")),  // same time: kept out
        ScriptedRead::Record(testing::O1("2024010605010101", "01060930")),          // venue not loaded
        ScriptedRead::Record(testing::O1("2023120906010101", "12090900")),          // another date: the loaded race
        ScriptedRead::Record(testing::HR(kKey1))});                                 // not an odds record
  reader->ReadOddsRecords();
  EXPECT_TRUE(ui.labels.empty());
  EXPECT_EQ(ui.beeps, 0);
  const Lines o1 = testing::FileLines(Path(".jvO1"));
  ASSERT_EQ(o1.size(), 4u);
  EXPECT_EQ(o1[0].substr(11, 8), "20231209");
  EXPECT_TRUE(IsBlank(o1[1]));
  EXPECT_EQ(o1[2].substr(27, 8), "01060900");
  EXPECT_EQ(o1[3].substr(27, 8), "01060930");
  const Lines o2 = testing::FileLines(Path(".jvO2"));
  EXPECT_EQ(o2[1].substr(27, 8), "01060930");
  EXPECT_EQ(o2[1][100], 'x');
  EXPECT_EQ(reader->StoredCount(), 4);
  EXPECT_FALSE(fs::exists(Path(".jvHR")));
}

TEST_F(RealTimeTest, ManualWindowSkipsProvisionalSnapshots) {
  std::string provisional = testing::O1(kKey1, "01060900");
  provisional[2] = '0';
  std::string cancelled = testing::O2(kKey1, "01060900");
  cancelled[2] = '9';
  Odds({ScriptedRead::Record(provisional), ScriptedRead::Record(cancelled)});
  reader->ReadOddsRecords(true);
  EXPECT_EQ(reader->StoredCount(), 0);
}

TEST_F(RealTimeTest, OddsFileShorterThanTheSlotIsExtended) {
  ASSERT_TRUE(CreateBlankFile(Path(".jvO1"), 960, 1));
  Odds({ScriptedRead::Record(testing::O1(kKey2, "01060900"))});
  reader->ReadOddsRecords();
  const Lines o1 = testing::FileLines(Path(".jvO1"));
  ASSERT_EQ(o1.size(), 4u);
  EXPECT_EQ(o1[2].size(), 960u);
  EXPECT_EQ(o1[2].substr(0, 2), "O1");
}

TEST_F(RealTimeTest, ReadErrorBeepsForOddsOnlyAndIsLoggedOnce) {
  Odds({ScriptedRead::Record(testing::O1(kKey1, "01060900")), ScriptedRead::Code(-502),
        ScriptedRead::Record(testing::O1(kKey1, "01060930"))});
  reader->ReadOddsRecords();
  const std::string text = "ダウンロードに失敗しました。(通信エラーやディスクエラー)(-502)";
  EXPECT_EQ(ui.beeps, 1);
  EXPECT_EQ(ui.labels, (std::vector<std::string>{text}));
  ASSERT_EQ(Log().size(), 1u);
  EXPECT_EQ(Log()[0], U("【エラー】10:00:00：") + U(text.c_str()));
  EXPECT_EQ(link.CountCalls("JVRead"), 2);                                    // the loop ended at the error
  EXPECT_EQ(testing::FileLines(Path(".jvO1"))[0].substr(27, 8), "01060900");  // what came before is saved

  ScriptedExchange e;
  e.reads = {ScriptedRead::Code(-403)};
  link.AddExchange(e);
  link.JVRTOpen("0B12", "20240106");
  reader->ReadRaceRecords();
  EXPECT_EQ(ui.beeps, 1);
  EXPECT_EQ(Log().size(), 2u);
}

TEST_F(RealTimeTest, RaceRecordsOnlyIntoFilesThatExistExceptPayouts) {
  std::string hr = testing::HR(kKey1, '7');
  ScriptedExchange e;
  e.reads = {ScriptedRead::Record(testing::RA(kKey1, '7')),
             ScriptedRead::Record(testing::RA("2024010706010101")),  // day without a race file
             ScriptedRead::Record(testing::SE(kKey1, 2)),            // no runner file yet
             ScriptedRead::Record(hr)};
  link.AddExchange(e);
  link.JVRTOpen("0B12", "20240106");
  reader->ReadRaceRecords();
  const Lines ra = testing::FileLines(Path(".jvRA"));
  ASSERT_EQ(ra.size(), 2u);
  EXPECT_EQ(ra[0].substr(0, 11), "RA000000000");
  EXPECT_FALSE(fs::exists(DayFilePath(day->DataDir(), DayName{2024, 1, 7}, ".jvRA")));
  EXPECT_FALSE(fs::exists(SeFilePath(day->DataDir(), today, "06")));
  const Lines hrLines = testing::FileLines(Path(".jvHR"));
  ASSERT_EQ(hrLines.size(), 1u);
  EXPECT_EQ(hrLines[0], hr);  // stored unchanged, data kind and all
}

// A day file that cannot be saved is reported and logged like a read error; the exchange's other files are saved.
TEST_F(RealTimeTest, PayoutFileThatCannotBeSavedIsReportedAndTheCardsAreSaved) {
  fs::create_directory(Path(".jvHR"));  // a folder where the file belongs
  std::string ra = testing::RA(kKey2, '7');
  ra[100] = 'Z';
  ScriptedExchange e;
  e.reads = {ScriptedRead::Record(testing::HR(kKey1)), ScriptedRead::Record(ra)};
  link.AddExchange(e);
  link.JVRTOpen("0B12", "20240106");
  reader->ReadRaceRecords();
  EXPECT_EQ(ui.beeps, 0);
  ASSERT_EQ(ui.labels.size(), 1u);
  EXPECT_TRUE(ui.labels[0].starts_with("データファイルに書き込めません：")) << ui.labels[0];
  EXPECT_NE(ui.labels[0].find(".jvHR"), std::string::npos) << ui.labels[0];
  EXPECT_EQ(Log().size(), 1u);
  EXPECT_EQ(testing::FileLines(Path(".jvRA")).at(1)[100], 'Z');
}

TEST_F(RealTimeTest, RunnerOutsideTheFileIsSkipped) {
  ASSERT_TRUE(CreateBlankFile(SeFilePath(day->DataDir(), today, "06"), 553, 216));
  ScriptedExchange e;
  e.reads = {ScriptedRead::Record(testing::SE("2024010606010113", 1)),  // race 13
             ScriptedRead::Record(testing::SE(kKey1, 19)),              // horse 19
             ScriptedRead::Record(testing::SE(kKey1, 18))};
  link.AddExchange(e);
  link.JVRTOpen("0B12", "20240106");
  reader->ReadRaceRecords();
  const Lines se = testing::FileLines(SeFilePath(day->DataDir(), today, "06"));
  ASSERT_EQ(se.size(), 216u);
  EXPECT_EQ(se[17].substr(0, 2), "SE");
  EXPECT_EQ(reader->StoredCount(), 1);
}

TEST_F(RealTimeTest, CloseBeepsAndLogsByKind) {
  link.closeResults = {5, 0, 5, 0, 0};
  EXPECT_EQ(reader->CloseAfterOdds(), 5);
  EXPECT_EQ(ui.beeps, 1);
  EXPECT_EQ(ui.labels.back(), "(5)");
  EXPECT_EQ(reader->CloseAfterOdds(), 0);
  EXPECT_EQ(ui.beeps, 1);
  EXPECT_EQ(reader->CloseAfterRaces(false), 5);  // a failed close after races does not beep
  EXPECT_EQ(ui.beeps, 1);
  EXPECT_EQ(Log().size(), 2u);
  EXPECT_EQ(reader->CloseAfterRaces(false), 0);  // success beeps ...
  EXPECT_EQ(ui.beeps, 2);
  EXPECT_EQ(reader->CloseAfterRaces(true), 0);  // ... except in the results poll
  EXPECT_EQ(ui.beeps, 2);

  // A failure the log cannot take is shown with the reason the log failed.
  fs::remove(dir / "ErrorLog.txt");
  fs::create_directory(dir / "ErrorLog.txt");
  link.closeResults = {5};
  ui.labels.clear();
  EXPECT_EQ(reader->CloseAfterOdds(), 5);
  ASSERT_EQ(ui.labels.size(), 2u);
  EXPECT_EQ(ui.labels[0], "(5)");
  EXPECT_TRUE(ui.labels[1].starts_with("(5) (ErrorLog.txt: ")) << ui.labels[1];
  EXPECT_TRUE(ui.labels[1].ends_with(")")) << ui.labels[1];
  EXPECT_GT(ui.labels[1].size(), std::string("(5) (ErrorLog.txt: )").size()) << "says why";
}

// Within one pass of the automatic fetch the same save failure is shown once; after the pass each is shown again.
TEST_F(RealTimeTest, SaveFailureIsShownOncePerPassAndAgainAfterIt) {
  fs::create_directory(Path(".jvHR"));  // a folder where the file belongs
  auto payouts = [&] {
    ScriptedExchange e;
    e.reads = {ScriptedRead::Record(testing::HR(kKey1))};
    link.AddExchange(e);
    link.JVRTOpen("0B12", "20240106");
    reader->ReadRaceRecords();
  };
  reader->BeginPass();
  payouts();
  payouts();
  EXPECT_EQ(ui.labels.size(), 1u);
  reader->EndPass();
  payouts();
  payouts();
  ASSERT_EQ(ui.labels.size(), 3u);
  EXPECT_TRUE(ui.labels[2].starts_with("データファイルに書き込めません：")) << ui.labels[2];
  EXPECT_EQ(ui.labels[2], ui.labels[0]);
  reader->BeginPass();  // a new pass starts with nothing shown
  payouts();
  EXPECT_EQ(ui.labels.size(), 4u);
}

// The odds of a loaded race whose day file is gone fail with the file's path: beeped, shown and logged once a
// pass, and the file is not made again; the race's other odds are saved. A record of a race that is not loaded
// stays quiet. Outside a pass (the odds of the race shown), a Data folder moved away is told the same way.
TEST_F(RealTimeTest, OddsOfALoadedRaceWhoseFileIsGoneFailWithItsPathOnceAPass) {
  fs::remove(Path(".jvO2"));
  const std::string noO2 = "データファイルに書き込めません：" + Path(".jvO2").string() + " がありません。";
  reader->BeginPass();
  for (const std::string& key : {kKey1, kKey2}) {
    Odds({ScriptedRead::Record(testing::O2("2024010605010101", "01060930")),  // venue not loaded
          ScriptedRead::Record(testing::O1(key, "01060900")), ScriptedRead::Record(testing::O2(key, "01060900"))});
    reader->ReadOddsRecords();
    reader->CloseAfterOdds();
  }
  reader->EndPass();
  EXPECT_EQ(ui.labels, std::vector<std::string>{noO2});
  EXPECT_EQ(ui.beeps, 1);
  ASSERT_EQ(Log().size(), 1u);
  EXPECT_EQ(Log()[0], U("【エラー】10:00:00：") + U(noO2.c_str()));
  EXPECT_FALSE(fs::exists(Path(".jvO2")));
  const Lines o1 = testing::FileLines(Path(".jvO1"));
  EXPECT_EQ(o1.at(0).substr(27, 8) + o1.at(2).substr(27, 8), "0106090001060900");

  fs::rename(day->DataDir(), dir / "moved");
  Odds({ScriptedRead::Record(testing::O1(kKey1, "01060930"))});
  reader->ReadOddsRecords();
  const std::string noO1 = "データファイルに書き込めません：" + Path(".jvO1").string() + " がありません。";
  EXPECT_EQ(ui.labels.back(), noO1);
  EXPECT_EQ(ui.beeps, 2);
  EXPECT_EQ(Log().size(), 2u);
  EXPECT_FALSE(fs::exists(day->DataDir()));
}

// The main window's odds sequence for one race, as its timer runs it.
void TakeOdds(RealTimeReader& reader, const std::string& key) {
  if (reader.Link().JVRTOpen("0B30", key) == 0) reader.ReadOddsRecords();
  reader.CloseAfterOdds();
  reader.CloseAfterOdds();
}

TEST_F(RealTimeTest, TickInsideAnExchangeRunsAfterItNeverBeside) {
  ScriptedExchange a, b;
  a.reads = {ScriptedRead::Record(testing::O1(kKey1, "01060900")), ScriptedRead::Code(-3)};
  b.reads = {ScriptedRead::Record(testing::O1(kKey2, "01060900"))};
  link.AddExchange(a);
  link.AddExchange(b);
  int ticks = 0;
  ui.onMessages = [&] {
    // A timer fires while the first read loop lets messages run.
    if (ticks++ == 1) reader->Gate().Run([&] { TakeOdds(*reader, kKey2); });
  };
  reader->Gate().Run([&] { TakeOdds(*reader, kKey1); });
  EXPECT_EQ(link.Ops(), (std::vector<std::string>{"JVRTOpen", "JVRead", "JVRead", "JVRead", "JVClose", "JVClose",
                                                  "JVRTOpen", "JVRead", "JVRead", "JVClose", "JVClose"}));
  EXPECT_FALSE(reader->Gate().Busy());
  EXPECT_EQ(testing::FileLines(Path(".jvO1"))[2].substr(0, 2), "O1");
}

TEST(ExchangeGate, WaitingWorkRunsInOrderAndHeldGateDefersIt) {
  ExchangeGate gate;
  std::vector<int> order;
  ASSERT_TRUE(gate.TryEnter());
  EXPECT_FALSE(gate.TryEnter());
  gate.Run([&] { order.push_back(1); });
  gate.Run([&] {
    order.push_back(2);
    gate.Run([&] { order.push_back(3); });  // queued by waiting work: runs after it
  });
  EXPECT_TRUE(order.empty());
  gate.Leave();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_FALSE(gate.Busy());
}

TEST(ExchangeGate, FailedExchangeFreesTheGate) {
  ExchangeGate gate;
  std::vector<int> order;
  const auto failing = [&] {
    gate.Run([&] { order.push_back(2); });  // a timer's exchange falls due meanwhile
    throw std::runtime_error("x");
  };
  EXPECT_THROW(gate.Run(failing), std::runtime_error);
  EXPECT_FALSE(gate.Busy());
  EXPECT_TRUE(order.empty()) << "nothing runs while the failure unwinds";
  gate.Run([&] { order.push_back(1); });
  EXPECT_EQ(order, (std::vector<int>{1, 2})) << "what waited runs with the next exchange";
  EXPECT_FALSE(gate.Busy());
}

}  // namespace
}  // namespace corvina
