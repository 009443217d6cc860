#include <unistd.h>

#include "platform/jvlink/FileJVLink.h"
#include "platform/jvlink/ScriptedJVLink.h"
#include "tests/support/JVLinkFiles.h"

namespace corvina {
namespace {
namespace fs = std::filesystem;

class FileJVLinkTest : public ::testing::Test {
 protected:
  test::TempDir tmp{"stand"};
  fs::path root = tmp.path();
  testing::ClockGuard clock{DateTime{2024, 1, 6, 10, 0, 0}};
  FileJVLink link{root};
  int readCount = -9, downloadCount = -9;
  std::string last;

  void Stored(const char* side, const std::string& name, const std::string& body) {
    testing::WriteText(root / "stored" / "RACE" / side / name, body);
  }
  int Open(const std::string& from, int option = 1) {
    return link.JVOpen("RACE", from, option, readCount, downloadCount, last);
  }
  // Reads until 0 or an error, returning the results (record results as "R:<first 2 bytes>").
  std::vector<std::string> ReadAll(int limit = 100) {
    std::vector<std::string> seen;
    std::string buff, name;
    for (int i = 0; i < limit; ++i) {
      int r = link.JVRead(buff, kJVReadBufferSize, name);
      seen.push_back(r > 0 ? "R:" + buff.substr(0, 2) : std::to_string(r));
      if (r == 0 || r <= -4) break;
    }
    return seen;
  }
  Lines Trace() { return testing::FileLines(root / "trace.log"); }
};

TEST_F(FileJVLinkTest, NothingWorksBeforeInitWhichChecksTheSoftwareId) {
  EXPECT_EQ(Open("20240101000000"), -201);
  EXPECT_EQ(link.JVRTOpen("0B12", "20240106"), -201);
  EXPECT_EQ(link.JVStatus(), -201);
  std::string b, n;
  EXPECT_EQ(link.JVRead(b, kJVReadBufferSize, n), -201);
  EXPECT_EQ(link.JVClose(), 0);
  EXPECT_EQ(link.JVInit(""), -101);
  EXPECT_EQ(link.JVInit(std::string(64, 'x')), -102);
  EXPECT_EQ(link.JVSetUIProperties(), 0);
  EXPECT_EQ(link.JVInit(" SA501927"), -103);
  EXPECT_EQ(link.JVInit("SA501927/SD774310/Corvina/Ver.1.28"), 0);
  EXPECT_EQ(link.JVStatus(), -203);  // nothing open
  EXPECT_EQ(link.JVRead(b, kJVReadBufferSize, n), -203);
  EXPECT_EQ(FileJVLink(root).JVInit(std::string(63, 'x')), 0);
  // Every call is traced with its arguments and result.
  EXPECT_EQ(Trace().at(Trace().size() - 4), "2024/01/06 10:00:00 JVInit(SA501927/SD774310/Corvina/Ver.1.28)=0");
  EXPECT_EQ(Trace().at(Trace().size() - 2), "2024/01/06 10:00:00 JVRead(60000)=-203");
  EXPECT_EQ(Trace().at(1), "2024/01/06 10:00:00 JVRTOpen(0B12,20240106)=-201");
}

TEST_F(FileJVLinkTest, OpenPicksStampsAfterFromTimeAndNotAfterClock) {
  ASSERT_EQ(link.JVInit("sid"), 0);
  Stored("local", "20240105090000_a.txt", "RA1\r\n");
  Stored("server", "20240105120000_b.txt", "SE1\r\nSE2\r\n");
  Stored("server", "20240106100000_c.txt", "HR1\r\n");  // exactly the clock: included
  Stored("server", "20240106100001_d.txt", "HR2\r\n");  // after the clock: not yet published
  Stored("server", "notes.txt", "xx\r\n");              // not a data file
  EXPECT_EQ(Open("20240105090000"), 0);                 // equal to the from-time: not newer
  EXPECT_EQ(readCount, 2);
  EXPECT_EQ(downloadCount, 2);
  EXPECT_EQ(last, "20240106100000");
  EXPECT_EQ(link.JVClose(), 0);
  EXPECT_EQ(Open("20240106100000"), -1);
  EXPECT_EQ(readCount, 0);
}

TEST_F(FileJVLinkTest, OpenRejectsBadArgumentsAndSecondExchange) {
  ASSERT_EQ(link.JVInit("sid"), 0);
  Stored("local", "20240105090000_a.txt", "RA1\r\n");
  EXPECT_EQ(link.JVOpen("DIFF", "20240101000000", 1, readCount, downloadCount, last), -111);
  EXPECT_EQ(Open("2024010100000"), -112);
  for (const char* from : {"20240230000000", "20240101240000", "20240101006000", "20240101000060", "20241301000000",
                           "20240001000000", "20240100000000", "00000101000000", "2024010100000a", "202401010000000"})
    EXPECT_EQ(Open(from), -112) << from;
  EXPECT_EQ(Open("20240101000000", 5), -115);
  EXPECT_EQ(Open("20240101000000", 0), -115);
  ASSERT_EQ(Open("20240229235959", 4), -1);  // a valid time with nothing after it
  EXPECT_EQ(Open("19991231235959", 4), 0);
  EXPECT_EQ(link.JVClose(), 0);
  ASSERT_EQ(Open("20240101000000"), 0);
  EXPECT_EQ(Open("20240101000000"), -202);
  EXPECT_EQ(link.JVRTOpen("0B12", "20240106"), -202);
  EXPECT_EQ(link.JVClose(), 0);
  EXPECT_EQ(link.JVClose(), 0);  // closing with nothing open is fine
  EXPECT_EQ(Open("20240101000000"), 0);
}

TEST_F(FileJVLinkTest, ThisWeekOptionDropsFilesOlderThanSevenDays) {
  ASSERT_EQ(link.JVInit("sid"), 0);
  Stored("local", "20231229095959_old.txt", "RA1\r\n");
  Stored("local", "20231230100000_new.txt", "RA2\r\n");
  ASSERT_EQ(Open("20231201000000", 2), 0);
  EXPECT_EQ(readCount, 1);
  link.JVClose();
  ASSERT_EQ(Open("20231201000000", 1), 0);
  EXPECT_EQ(readCount, 2);
}

TEST_F(FileJVLinkTest, DownloadOneFilePerStatusAndReadWaitsForIt) {
  ASSERT_EQ(link.JVInit("sid"), 0);
  Stored("local", "20240105090000_a.txt", "RA1\r\n\r\nRA2\n");
  Stored("server", "20240105120000_b.txt", "SE1\r\n");
  Stored("server", "20240105130000_c.txt", "");
  ASSERT_EQ(Open("20240101000000"), 0);
  ASSERT_EQ(downloadCount, 2);
  EXPECT_EQ(Trace().back(),
            "2024/01/06 10:00:00 JVOpen(RACE,20240101000000,1)=0 read=3 download=2 last=20240105130000");
  // The downloaded file reads at once; the next one waits for its download.
  EXPECT_EQ(ReadAll(4), (std::vector<std::string>{"R:RA", "R:RA", "-1", "-3"}));
  const Lines trace = Trace();
  EXPECT_EQ(Lines(trace.end() - 2, trace.end()), (Lines{"2024/01/06 10:00:00 JVRead(60000)=-1 20240105090000_a.txt",
                                                        "2024/01/06 10:00:00 JVRead(60000)=-3 20240105120000_b.txt"}));
  EXPECT_EQ(trace.at(trace.size() - 4), "2024/01/06 10:00:00 JVRead(60000)=5 RA 20240105090000_a.txt");
  EXPECT_EQ(link.JVStatus(), 1);
  EXPECT_EQ(Trace().back(), "2024/01/06 10:00:00 JVStatus()=1");
  EXPECT_TRUE(fs::exists(root / "stored/RACE/local/20240105120000_b.txt"));
  EXPECT_FALSE(fs::exists(root / "stored/RACE/server/20240105120000_b.txt"));
  EXPECT_EQ(ReadAll(3), (std::vector<std::string>{"R:SE", "-1", "-3"}));
  EXPECT_EQ(link.JVStatus(), 2);
  EXPECT_EQ(link.JVStatus(), 2);  // never above the download count
  // An empty file still announces its end once; then the end of all data, repeatedly.
  EXPECT_EQ(ReadAll(), (std::vector<std::string>{"-1", "0"}));
  EXPECT_EQ(ReadAll(), (std::vector<std::string>{"0"}));
  link.JVClose();
  // A second run finds everything downloaded.
  ASSERT_EQ(Open("20240101000000"), 0);
  EXPECT_EQ(downloadCount, 0);
}

TEST_F(FileJVLinkTest, RecordComesWithCrLfAndItsSize) {
  ASSERT_EQ(link.JVInit("sid"), 0);
  Stored("local", "20240105090000_a.txt", "RAxyz\n");
  ASSERT_EQ(Open("20240101000000"), 0);
  std::string buff, name;
  EXPECT_EQ(link.JVRead(buff, kJVReadBufferSize, name), 7);
  EXPECT_EQ(buff, "RAxyz\r\n");
  EXPECT_EQ(name, "20240105090000_a.txt");
  // A record too long for the caller's buffer is reported, never handed out cut.
  link.JVClose();
  ASSERT_EQ(Open("20240101000000"), 0);
  EXPECT_EQ(link.JVRead(buff, 6, name), -403);
  link.JVClose();
  ASSERT_EQ(Open("20240101000000"), 0);
  EXPECT_EQ(link.JVRead(buff, 7, name), 7);  // fitting exactly
  link.JVClose();
  // A downloaded file that vanished before it was read.
  Stored("local", "20240105100000_b.txt", "RB\r\n");
  ASSERT_EQ(Open("20240105090000"), 0);
  fs::remove(root / "stored/RACE/local/20240105100000_b.txt");
  EXPECT_EQ(link.JVRead(buff, kJVReadBufferSize, name), -503);
  EXPECT_EQ(name, "20240105100000_b.txt");
}

TEST_F(FileJVLinkTest, CancelStopsDownloadsAndEndsTheRead) {
  ASSERT_EQ(link.JVInit("sid"), 0);
  Stored("server", "20240105120000_b.txt", "SE1\r\n");
  ASSERT_EQ(Open("20240101000000"), 0);
  EXPECT_EQ(link.JVCancel(), 0);
  EXPECT_EQ(link.JVStatus(), 0);
  EXPECT_EQ(ReadAll(), (std::vector<std::string>{"0"}));
  // Still open until closed.
  EXPECT_EQ(Open("20240101000000"), -202);
  link.JVClose();
  EXPECT_EQ(Open("20240101000000"), 0);
}

TEST_F(FileJVLinkTest, OddsGiveLatestSnapshotPerKindAtOrBeforeClock) {
  ASSERT_EQ(link.JVInit("sid"), 0);
  const std::string key = "2024010606010101";
  const fs::path dir = root / "realtime/0B30/20240106";
  // Race year 2024 from the RaceKey; announcement mmddhhnn.
  auto line = [&](const char* kind, const char* announce, char fill) {
    std::string rec = std::string(kind) + "1" + "20240106" + key + announce;
    rec.resize(60, fill);
    return rec;
  };
  testing::WriteText(dir / "06010101.jvO1", line("O1", "01060950", 'a') + "\r\n" + line("O1", "01061000", 'b') +
                                                "\r\n" + line("O1", "01061001", 'c') + "\r\n");
  testing::WriteText(dir / "06010101.jvO2", line("O2", "01052000", 'd') + "\r\n");
  testing::WriteText(dir / "06010102.jvO1", line("O1", "01060900", 'x') + "\r\n");
  // Records too short to carry their announcement, or not numbers there, are never served.
  auto broken = [&](const char* kind, size_t at) {
    std::string rec = line(kind, "01060950", 'e');
    rec[at] = 'x';
    return rec + "\r\n";
  };
  testing::WriteText(dir / "06010101.jvO3", broken("O3", 11) + broken("O4", 15) + broken("O5", 34) +
                                                line("O6", "01060950", 'f').substr(0, 34) + "\r\n");
  ASSERT_EQ(link.JVRTOpen("0B30", key), 0);
  std::string buff, name;
  ASSERT_GT(link.JVRead(buff, kJVReadBufferSize, name), 0);
  EXPECT_EQ(buff.substr(59), "b\r\n");
  ASSERT_GT(link.JVRead(buff, kJVReadBufferSize, name), 0);
  EXPECT_EQ(buff.substr(59), "d\r\n");
  EXPECT_EQ(name, "06010101.jvO2");
  EXPECT_EQ(link.JVRead(buff, kJVReadBufferSize, name), 0);
  link.JVClose();
  Clock::Set(DateTime{2024, 1, 5, 19, 0, 0});
  EXPECT_EQ(link.JVRTOpen("0B30", key), -1);  // nothing announced yet
  EXPECT_EQ(link.JVRTOpen("0B30", "20240106060101"), -114);
  EXPECT_EQ(link.JVRTOpen("0B31", key), -111);
  EXPECT_EQ(link.JVRTOpen("0B30", "2024023006010101"), -114);
  for (const char* day : {"2024010", "202401060", "2024o106", "20240230", "20241306"})
    EXPECT_EQ(link.JVRTOpen("0B12", day), -114) << day;
}

TEST_F(FileJVLinkTest, OddsOfANewYearRaceAreAnnouncedOnTheEveBefore) {
  ASSERT_EQ(link.JVInit("sid"), 0);
  const std::string key = "2025010106010101";
  auto line = [&](const char* announce, char fill) {
    std::string rec = std::string("O1") + "1" + "20241231" + key + announce;
    rec.resize(60, fill);
    return rec + "\r\n";
  };
  testing::WriteText(root / "realtime/0B30/20250101/06010101.jvO1",
                     line("12311800", 'a') + line("12312100", 'b') + line("01010900", 'c'));
  // Which snapshot the exchange serves at `now`; "-1" when none.
  auto servedAt = [&](const DateTime& now) {
    Clock::Set(now);
    std::string buff, name;
    const int opened = link.JVRTOpen("0B30", key);
    std::string served =
        opened == 0 && link.JVRead(buff, kJVReadBufferSize, name) > 0 ? buff.substr(59, 1) : std::to_string(opened);
    link.JVClose();
    return served;
  };
  EXPECT_EQ(servedAt(DateTime{2024, 12, 31, 17, 59, 0}), "-1");
  EXPECT_EQ(servedAt(DateTime{2024, 12, 31, 18, 0, 0}), "a");
  EXPECT_EQ(servedAt(DateTime{2024, 12, 31, 23, 0, 0}), "b");
  EXPECT_EQ(servedAt(DateTime{2025, 1, 1, 8, 0, 0}), "b");  // the eve's last snapshot until race day's first
  EXPECT_EQ(servedAt(DateTime{2025, 1, 1, 9, 0, 0}), "c");
  EXPECT_EQ(servedAt(DateTime{2025, 12, 31, 18, 0, 0}), "c");  // never taken as the end of the race's year
}

TEST_F(FileJVLinkTest, RaceRecordsAppearAtTheirReleaseTime) {
  ASSERT_EQ(link.JVInit("sid"), 0);
  const fs::path dir = root / "realtime/0B12/20240106";
  testing::WriteText(dir / "card.txt", "RA card\r\n");
  testing::WriteText(dir / "1000_06010101.txt", "HR one\r\n");
  testing::WriteText(dir / "1001_06010102.txt", "HR two\r\n");
  testing::WriteText(dir / "a100_card.txt", "SE not a time\r\n");  // no release time: always out
  ASSERT_EQ(link.JVRTOpen("0B12", "20240106"), 0);
  EXPECT_EQ(Trace().back(), "2024/01/06 10:00:00 JVRTOpen(0B12,20240106)=0 records=3");
  EXPECT_EQ(link.JVCancel(), 0);  // stops downloads only: a real-time exchange reads on
  EXPECT_EQ(ReadAll(), (std::vector<std::string>{"R:HR", "R:SE", "R:RA", "0"}));
  link.JVClose();
  Clock::Set(DateTime{2024, 1, 5, 23, 59, 0});  // the day before: nothing with a release time yet
  ASSERT_EQ(link.JVRTOpen("0B12", "20240106"), 0);
  EXPECT_EQ(ReadAll(), (std::vector<std::string>{"R:SE", "R:RA", "0"}));
  link.JVClose();
  Clock::Set(DateTime{2024, 1, 7, 0, 0, 0});  // the next day everything of that day is out
  ASSERT_EQ(link.JVRTOpen("0B12", "20240106"), 0);
  EXPECT_EQ(ReadAll().size(), 5u);
  link.JVClose();
  EXPECT_EQ(link.JVRTOpen("0B12", "20240107"), -1);
}

TEST_F(FileJVLinkTest, FaultsForceResultsOnChosenCalls) {
  testing::WriteText(root / "jvlink.ini",
                     "[faults]\r\nJVRTOpen.0B30=-504\r\nJVRead.RACE=-502@2\r\nJVClose=5@1\r\n[rt]\r\nbusy=2\r\n");
  testing::WriteText(root / "realtime/0B12/20240106/card.txt", "RA card\r\n");
  Stored("local", "20240105090000_a.txt", "RA1\r\nRA2\r\nRA3\r\n");
  ASSERT_EQ(link.JVInit("sid"), 0);
  EXPECT_EQ(link.JVRTOpen("0B30", "2024010606010101"), -504);
  ASSERT_EQ(link.JVRTOpen("0B12", "20240106"), 0);
  EXPECT_EQ(ReadAll(), (std::vector<std::string>{"-3", "-3", "R:RA", "0"}));
  EXPECT_EQ(link.JVClose(), 5);
  EXPECT_EQ(link.JVClose(), 0);
  ASSERT_EQ(Open("20240101000000"), 0);  // the forced close still closed the exchange
  EXPECT_EQ(ReadAll(), (std::vector<std::string>{"R:RA", "-502"}));
}

// The options of jvlink.ini: comments and stray lines are skipped, a data kind's fault comes before the call's own,
// "@n" counts only matching calls and starts afresh when the file changes.
TEST_F(FileJVLinkTest, SettingsChangeDownloadsAndCountFaultsSinceTheFileChanged) {
  testing::WriteText(root / "jvlink.ini",
                     "; comment\r\n[ download ]\r\n perCall = 2 \r\n#perCall=1\r\nperCall\r\n[faults]\r\n"
                     "JVStatus=-502@3\r\nJVStatus.RACE=-504@2\r\nJVCancel=-9\r\nJVSetUIProperties=-1\r\n");
  for (const char* name : {"20240105120000_b.txt", "20240105130000_c.txt", "20240105140000_d.txt"})
    Stored("server", name, "SE1\r\n");
  ASSERT_EQ(link.JVInit("sid"), 0);
  EXPECT_EQ(link.JVSetUIProperties(), -1);
  ASSERT_EQ(Open("20240101000000"), 0);
  // The data kind's fault (JVStatus.RACE) is looked at first; a call it takes is not counted for the call's fault.
  EXPECT_EQ(link.JVStatus(), 2);  // two files a call
  EXPECT_EQ(link.JVStatus(), -504);
  EXPECT_EQ(link.JVStatus(), 3);
  EXPECT_EQ(link.JVStatus(), -502);
  EXPECT_EQ(link.JVStatus(), 3);
  EXPECT_EQ(link.JVCancel(), -9);
  EXPECT_EQ(ReadAll(2), (std::vector<std::string>{"R:SE", "-1"}));  // the forced cancel did not cancel
  link.JVClose();
  EXPECT_EQ(Trace().back(), "2024/01/06 10:00:00 JVClose()=0");

  // Everything downloaded at once; the changed file counts its faults afresh, and an unchanged one, read again
  // by the next open, goes on counting. Files of one stamp are read in name order.
  testing::WriteText(root / "jvlink.ini", "[download]\r\nmode=none\r\n[faults]\r\nJVRead=-502@2\r\nJVOpen=-202@2\r\n");
  Stored("server", "20240105150000_e.txt", "SE2\r\n");
  Stored("server", "20240105150000_d.txt", "SD2\r\n");
  ASSERT_EQ(Open("20240105140000"), 0);
  EXPECT_EQ(downloadCount, 0);
  EXPECT_TRUE(fs::exists(root / "stored/RACE/local/20240105150000_e.txt"));
  EXPECT_FALSE(fs::exists(root / "stored/RACE/server/20240105150000_e.txt"));
  EXPECT_EQ(ReadAll(), (std::vector<std::string>{"R:SD", "-502"}));
  EXPECT_EQ(ReadAll(), (std::vector<std::string>{"-1", "R:SE", "-1", "0"}));
  link.JVClose();
  EXPECT_EQ(Open("20240105140000"), -202);
}

// The test double plays its script call by call and logs each call as the stand-in traces it.
TEST(ScriptedJVLinkTest, PlaysEachExchangeAsScriptedAndLogsEveryCall) {
  ScriptedJVLink link;
  link.initResult = -101;
  link.closeResults = {-1};
  std::vector<std::string> hooked;
  link.onCall = [&](const std::string& op) { hooked.push_back(op); };
  ScriptedExchange failing;
  failing.openResult = -504;
  failing.readCount = 3;
  ScriptedExchange stored;
  stored.readCount = 2;
  stored.downloadCount = 1;
  stored.lastFileTimestamp = "20240105120000";
  stored.statusResults = {0, -502};
  stored.reads = {ScriptedRead::Record("RAab", "a.txt"), ScriptedRead::Code(-1), ScriptedRead{-3, "kept", "b.txt"}};
  link.AddExchange(failing);
  link.AddExchange(stored);
  int reads = 9, downloads = 9;
  std::string last = "x", buff, name;
  EXPECT_EQ(link.JVInit("sid"), -101);
  EXPECT_EQ(link.JVOpen("RACE", "20240101000000", 1, reads, downloads, last), -504);
  EXPECT_EQ(std::tuple(reads, downloads, last, link.IsOpen()), std::tuple(0, 0, std::string(), false));
  EXPECT_EQ(link.JVRead(buff, 100, name), 0);  // nothing open
  EXPECT_EQ(link.JVOpen("RACE", "20240101000000", 2, reads, downloads, last), 0);
  EXPECT_EQ(std::tuple(reads, downloads, last, link.IsOpen()), std::tuple(2, 1, std::string("20240105120000"), true));
  EXPECT_EQ(std::vector<int>({link.JVStatus(), link.JVStatus(), link.JVStatus()}), std::vector<int>({0, -502, 1}));
  EXPECT_EQ(link.JVRead(buff, 100, name), 6);
  EXPECT_EQ(buff + name, "RAab\r\na.txt");
  EXPECT_EQ(link.JVRead(buff, 100, name), -1);
  EXPECT_EQ(link.JVRead(buff, 100, name), -3);
  EXPECT_EQ(buff + "|" + name, "|b.txt");  // only a record fills the buffer
  EXPECT_EQ(link.JVRead(buff, 100, name), 0);
  EXPECT_EQ(link.JVClose(), -1);
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(link.JVClose(), 0);
  EXPECT_EQ(link.JVRTOpen("0B12", "20240106"), -1);  // nothing scripted
  EXPECT_EQ(link.JVSetUIProperties() + link.JVCancel(), 0);
  EXPECT_EQ(link.calls.at(1), "JVOpen(RACE,20240101000000,1)=-504");
  EXPECT_EQ(link.calls.at(4), "JVStatus()=0");
  EXPECT_EQ(link.calls.at(7), "JVRead(100)=6");
  EXPECT_EQ(link.calls.at(13), "JVRTOpen(0B12,20240106)=-1");
  EXPECT_EQ(link.CountCalls("JVRead"), 5);
  EXPECT_EQ(link.CountCalls("JVClose"), 2);
  EXPECT_EQ(link.Ops(), hooked);
  EXPECT_EQ(hooked.size(), 16u);
}

TEST(FileJVLinkRoot, EnvironmentDecidesElseProgramFolder) {
  ::unsetenv("CORVINA_JVLINK_ROOT");
  EXPECT_EQ(FileJVLink::DefaultRoot("/opt/corvina"), fs::path("/opt/corvina/jvlink"));
  ::setenv("CORVINA_JVLINK_ROOT", "/srv/jv", 1);
  EXPECT_EQ(FileJVLink::DefaultRoot("/opt/corvina"), fs::path("/srv/jv"));
  ::unsetenv("CORVINA_JVLINK_ROOT");
  ::setenv("CORVINA_JVLINK_ROOT", "", 1);
  EXPECT_EQ(FileJVLink::DefaultRoot("/opt/corvina"), fs::path("/opt/corvina/jvlink"));
  ::unsetenv("CORVINA_JVLINK_ROOT");
  EXPECT_FALSE(FileJVLink::Present("/nonexistent/corvina/jvlink"));
  EXPECT_TRUE(FileJVLink::Present(fs::temp_directory_path()));
}

}  // namespace
}  // namespace corvina
