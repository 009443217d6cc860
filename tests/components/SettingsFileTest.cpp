#include "components/SettingsFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <thread>

#include "platform/Cp932.h"
#include "platform/LineFile.h"
#include "tests/support/HeldSave.h"
#include "tests/support/TempDir.h"
#include "tests/support/Unprivileged.h"

namespace fs = std::filesystem;
using namespace corvina;

namespace {

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ini_.SetFileName(file_.string()); }
  // Permissions taken away by a test are given back so that the folder can be removed.
  void TearDown() override { fs::permissions(dir_.path(), fs::perms::owner_all, fs::perm_options::add); }
  void Put(std::string_view bytes) { ASSERT_TRUE(SaveFileAtomic(file_, bytes)); }
  std::string Get() {
    std::string s;
    ReadFileBytes(file_, s);
    return s;
  }
  // What a refused write tells the user; empty when the write was not refused.
  static std::string Refusal(const SettingsFile& ini, std::string_view section, std::string_view ident,
                             std::string_view value) {
    try {
      ini.WriteString(section, ident, value);
    } catch (const SettingsFileError& e) {
      return e.what();
    }
    return {};
  }

  test::TempDir dir_{"inigt"};
  fs::path file_ = dir_ / "corvina.ini";
  SettingsFile ini_;
};

TEST_F(SettingsFileTest, MissingFileSectionOrKeyGivesTheDefaultsExactly) {
  EXPECT_EQ(ini_.ReadString("Dir", "yoso", "  with blanks  "), "  with blanks  ");
  EXPECT_EQ(ini_.ReadString("Dir", "yoso", ""), "");
  EXPECT_EQ(ini_.ReadInteger("Time", "delay", 5), 5);
  EXPECT_TRUE(ini_.ReadBool("kaime", "local", true));
  EXPECT_FALSE(fs::exists(file_));  // reading never creates the file
  Put("[Time]\r\ndelay=7\r\n");
  EXPECT_EQ(ini_.ReadInteger("Time", "AutoRdataGet", 15), 15);
  EXPECT_EQ(ini_.ReadString("Other", "delay", "x"), "x");
}

TEST_F(SettingsFileTest, QuotesAndCornerBracketsLoseOnePairOnly) {
  const std::string open = "\xA2", close = "\xA3";
  Put("[s]\r\nq=\"abc\"\r\ntwo=\"\"\r\none=\"\r\nnested=\"\"x\"\"\r\nbr=" + open + "abc" + close + "\r\nbr2=" + open +
      close + "\r\nmixed=\"abc" + close + "\r\nlone=" + open + "\r\nq1=\"a\"\r\nbr1=" + open + "a" + close +
      "\r\nhalf=\"ab\r\nend=ab\"\r\nopenonly=" + open + "abc\r\nab=ab\r\n");
  // clang-format off
  const std::pair<const char*, std::string> cases[] = {{"q", "abc"}, {"two", ""}, {"one", "\""},
      {"nested", "\"x\""}, {"br", "abc"}, {"br2", ""}, {"mixed", "\"abc" + close}, {"lone", open}, {"q1", "a"},
      {"br1", "a"}, {"half", "\"ab"}, {"end", "ab\""}, {"openonly", open + "abc"}, {"ab", "ab"}};
  // clang-format on
  for (const auto& [key, value] : cases) EXPECT_EQ(ini_.ReadString("s", key, "d"), value) << key;
}

TEST_F(SettingsFileTest, ClosingBracketByteInsideADoubleByteCharacterIsNotStripped) {
  // "ぅ" is 0x82 0xA3 in CP932: its second byte is not a closing bracket.
  const std::string value = "\xA2" + ToCp932("あぅ");
  Put("[s]\r\nk=" + value + "\r\n");
  EXPECT_EQ(ini_.ReadString("s", "k", ""), value);
  // A default that ends in such a character comes back whole too.
  fs::remove(file_);
  EXPECT_EQ(ini_.ReadString("s", "k", ToCp932("ぅ")), ToCp932("ぅ"));
}

TEST_F(SettingsFileTest, IntegersAndBooleans) {
  Put("[n]\r\nhex=0x1F\r\nHEX=0XfF\r\nbad=12a\r\nneg=-5\r\nplus=+7\r\nempty=\r\nbig=99999999999\r\n"
      "max=2147483647\r\nmin=-2147483648\r\nallbits=0xFFFFFFFF\r\nlonghex=0x123456789\r\nbarehex=0x\r\n"
      "sign=-\r\nhexzero=0x10\r\nhexaf=0xaF\r\nhexg=0x1g\r\nhexG=0x1G\r\nhexcolon=0x1:\r\nhexslash=0x/\r\n"
      "hexmax=0x7FFFFFFF\r\nhexmin=0x80000000\r\nhex9=0x0FFFFFFFF\r\nlead0=019\r\ncolon=1:\r\nslash=1/\r\n"
      "negzero=-0\r\nover=2147483648\r\nunder=-2147483649\r\nplusonly=+\r\nx1=x1\r\n"
      "[b]\r\ntwo=2\r\nzero=0\r\nabc=abc\r\n");
  // "HEX" is the same key as "hex": names ignore case and the first one counts.
  const std::pair<const char*, int> cases[] = {
      {"hex", 31},     {"HEX", 31},         {"bad", 9},          {"neg", -5},     {"plus", 7},     {"empty", 9},
      {"big", 9},      {"max", 2147483647}, {"min", INT_MIN},    {"allbits", -1}, {"longhex", 9},  {"barehex", 9},
      {"sign", 9},     {"hexzero", 16},     {"hexaf", 175},      {"hexg", 9},     {"hexG", 9},     {"hexcolon", 9},
      {"hexslash", 9}, {"hexmax", INT_MAX}, {"hexmin", INT_MIN}, {"hex9", 9},     {"lead0", 19},   {"colon", 9},
      {"slash", 9},    {"negzero", 0},      {"over", 9},         {"under", 9},    {"plusonly", 9}, {"x1", 9}};
  for (const auto& [key, value] : cases) EXPECT_EQ(ini_.ReadInteger("n", key, 9), value) << key;
  EXPECT_TRUE(ini_.ReadBool("b", "two", false));
  EXPECT_FALSE(ini_.ReadBool("b", "zero", true));
  EXPECT_TRUE(ini_.ReadBool("b", "abc", true));
  EXPECT_FALSE(ini_.ReadBool("b", "abc", false));
}

// A program key reads within the range the program works in: a number outside, however large, as the nearest
// end; no number as the default.
TEST_F(SettingsFileTest, ProgramKeysReadWithinTheirRange) {
  struct Case {
    const IntSetting& key;
    std::vector<std::pair<std::string, int>> storedAndRead;
  };
  // clang-format off
  const Case cases[] = {
      {kResultsPollMinutes, {{"4", 5}, {"5", 5}, {"59", 59}, {"60", 59}, {"0", 5}, {"-5", 5}, {"40000", 59},
                             {"99999999999", 59}, {"-99999999999", 5}, {"0x7FFFFFFF", 59}, {"15x", 15}, {"", 15}}},
      {kOddsDelayMinutes, {{"-1", 0}, {"0", 0}, {"15", 15}, {"16", 15}, {"2147483648", 15}, {"abc", 5}}},
      {kPrintZoomIndex, {{"-1", 0}, {"0", 0}, {"3", 3}, {"4", 3}, {"0xFFFFFFFF", 0}, {"x", 1}}},
      {kMainWindowBounds.left, {{"-32000", -32000}, {"-2147483649", INT_MIN}}},
      {kPrintWindowBounds.height, {{"99999999999", INT_MAX}, {"4x", 450}}}};
  // clang-format on
  for (const Case& c : cases) {
    for (const auto& [stored, read] : c.storedAndRead) {
      Put("[" + std::string(c.key.section) + "]\r\n" + std::string(c.key.ident) + "=" + stored + "\r\n");
      EXPECT_EQ(ini_.Read(c.key), read) << c.key.ident << "=" << stored;
    }
  }
}

TEST_F(SettingsFileTest, WritesRoundTripAndKeepEverythingElse) {
  Put("; comment\r\n[Dir]\r\njunk line\r\nyoso=/old\r\n\r\n[locate]\r\ntop=3\r\n");
  ini_.WriteString("Dir", "yoso", "/new");
  ini_.WriteString("Dir", "jikeiretu", ToCp932("/データ"));
  ini_.WriteInteger("locate", "width", -780);
  ini_.WriteBool("kaime", "local", true);
  ini_.WriteBool("datalist", "close", false);
  EXPECT_EQ(ini_.ReadString("Dir", "yoso", ""), "/new");
  EXPECT_EQ(ini_.ReadString("Dir", "jikeiretu", ""), ToCp932("/データ"));
  EXPECT_EQ(ini_.ReadInteger("locate", "width", 0), -780);
  EXPECT_EQ(ini_.ReadInteger("locate", "top", 0), 3);
  EXPECT_TRUE(ini_.ReadBool("kaime", "local", false));
  EXPECT_FALSE(ini_.ReadBool("datalist", "close", true));
  EXPECT_EQ(Get(), "; comment\r\n[Dir]\r\njunk line\r\nyoso=/new\r\njikeiretu=" + ToCp932("/データ") +
                       "\r\n\r\n[locate]\r\ntop=3\r\nwidth=-780\r\n[kaime]\r\nlocal=1\r\n[datalist]\r\nclose=0\r\n");
}

TEST_F(SettingsFileTest, JunkDuplicatesAndBlanksHaveDefinedResults) {
  std::string garbage("\x00\xff\x81=\x01[", 7);
  Put("stray=before any section\n[ Time ]\nnoequals\n  delay  =  12  \ndelay=99\n=nokey\n" + garbage +
      "\n[time]\ndelay=55\nFirst=x\n[Open\nk=v\n");
  EXPECT_EQ(ini_.ReadInteger("Time", "delay", 0), 12);    // first key of the first section
  EXPECT_EQ(ini_.ReadString("Time", "First", "d"), "d");  // a later duplicate section is not read
  EXPECT_EQ(ini_.ReadString("", "stray", "d"), "d");      // keys before any section belong to none
  EXPECT_EQ(ini_.ReadString("Open", "k", "d"), "v");      // unclosed section line names the rest
  ini_.WriteInteger("TIME", "delay", 13);
  EXPECT_EQ(ini_.ReadInteger("Time", "delay", 0), 13);
  const std::string after = Get();
  for (const std::string& kept : {std::string("delay=99\r\n"), std::string("delay=55\r\n"), garbage,
                                  std::string("noequals\r\n"), std::string("stray=before any section\r\n")})
    EXPECT_NE(after.find(kept), std::string::npos) << kept;
}

// Only ASCII letters fold; a double-byte character is compared whole, its trail byte as it stands, from the
// first lead byte (0x81, 0xE0) to the last (0x9F, 0xFC), while the bytes just outside are single characters.
TEST(SettingsNames, CaseFoldsOnlyAsciiLettersOfSingleByteCharacters) {
  struct Case {
    std::string stored, asked;
    bool same;
  };
  std::vector<Case> cases = {{"AZ", "az", true},
                             {"az", "AZ", true},
                             {"@", "`", false},
                             {"x[", "x{", false},
                             {"\x83\x41", "\x84\x41", false},
                             {"\x83\x41", "\x83\x41", true}};
  for (unsigned char lead : {0x81, 0x9F, 0xE0, 0xFC})
    cases.push_back({std::string(1, char(lead)) + "A", std::string(1, char(lead)) + "a", false});
  for (unsigned char single : {0x80, 0xA0, 0xDF, 0xFD})
    cases.push_back({std::string(1, char(single)) + "A", std::string(1, char(single)) + "a", true});
  for (const Case& c : cases) {
    std::string value;
    EXPECT_EQ(ini::FindValue("[s]\r\n" + c.stored + "=1\r\n", "S", c.asked, value), c.same) << c.stored;
    EXPECT_EQ(value, c.same ? "1" : "") << c.stored;
  }
  std::string value;
  EXPECT_FALSE(ini::FindValue("[s]\r\n;k=1\r\n", "s", ";k", value)) << "a comment is no key";
}

// Where a write lands: in the first section of the name, after its last key or junk line, before the blank
// lines that part it from the next section; a new section goes at the end.
TEST(SettingsNames, SetValuePlacesTheKeyAndKeepsEveryOtherLine) {
  struct Case {
    const char* text;
    const char* section;
    const char* expected;
  };
  const Case cases[] = {
      {"[a]\r\nx=1\r\n[b]\r\nk=2\r\n", "a", "[a]\r\nx=1\r\nk=9\r\n[b]\r\nk=2\r\n"},
      {"[a]\r\n[b]\r\nk=2\r\n", "a", "[a]\r\nk=9\r\n[b]\r\nk=2\r\n"},
      {"[b]\r\nk=2\r\n", "a", "[b]\r\nk=2\r\n[a]\r\nk=9\r\n"},
      {"", "a", "[a]\r\nk=9\r\n"},
      {"[a]\r\njunk\r\n;c\r\n\r\n\r\n[b]\r\n", "a", "[a]\r\njunk\r\n;c\r\nk=9\r\n\r\n\r\n[b]\r\n"},
      {"[a]\r\nk=1\r\n[a]\r\nk=2\r\n", "a", "[a]\r\nk=9\r\n[a]\r\nk=2\r\n"},
      {"[ A ]\r\n  K = 1 \r\nj=0\r\n", "a", "[ A ]\r\nk=9\r\nj=0\r\n"},
      {"k=1\r\n[a]\r\n", "a", "k=1\r\n[a]\r\nk=9\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(ini::SetValue(c.text, c.section, " k ", "9"), c.expected) << c.text;
}

TEST_F(SettingsFileTest, VeryLongValuesAndFilesWithoutLineEnds) {
  std::string longValue(100000, 'x');
  ini_.WriteString("s", "long", longValue);
  EXPECT_EQ(ini_.ReadString("s", "long", ""), longValue);  // no 2047-byte cut
  Put("[s]\rk=cr only");
  EXPECT_EQ(ini_.ReadString("s", "k", ""), "cr only");
  ini_.WriteString("s", "m", "2");
  EXPECT_EQ(Get(), "[s]\r\nk=cr only\r\nm=2\r\n");
}

TEST_F(SettingsFileTest, TwoInstancesAndHandEditsSeeEachOther) {
  SettingsFile other;
  other.SetFileName(file_.string());
  ini_.WriteInteger("Time", "delay", 3);
  EXPECT_EQ(other.ReadInteger("Time", "delay", 0), 3);
  Put("[Time]\r\ndelay=8\r\n");
  EXPECT_EQ(ini_.ReadInteger("Time", "delay", 0), 8);
  other.WriteInteger("Time", "AutoRdataGet", 20);
  EXPECT_EQ(ini_.ReadInteger("Time", "delay", 0), 8);
  EXPECT_EQ(ini_.ReadInteger("Time", "AutoRdataGet", 0), 20);
}

// Two processes that save keys at once (two windows, a window and a dayreport on one program folder) keep every
// key: while one is held between reading the file and renaming the new one over it, the other waits for it and
// then writes into its result.
TEST_F(SettingsFileTest, KeysThatTwoProcessesSaveAtOnceAreAllKept) {
  Put("[Time]\r\ndelay=8\r\n");
  EXPECT_TRUE(test::WhileAChildIsHeldInARewrite(
      "corvina.ini",
      [&] {
        SettingsFile child;
        child.SetFileName(file_.string());
        for (int i = 0; i < 17; ++i) child.WriteInteger("Child", "k" + std::to_string(i), i);
        return true;
      },
      [&] {
        for (int i = 0; i < 17; ++i) ini_.WriteInteger("Parent", "k" + std::to_string(i), i);
      }));
  for (const char* section : {"Child", "Parent"})
    for (int i = 0; i < 17; ++i) EXPECT_EQ(ini_.ReadInteger(section, "k" + std::to_string(i), -1), i) << section << i;
  EXPECT_EQ(ini_.ReadInteger("Time", "delay", 0), 8);
}

TEST_F(SettingsFileTest, RefusedWritesRaiseNameTheFileAndLoseNothing) {
  const std::string refused = "設定を保存できません：";
  Put("[a]\r\nk=1\r\n[b]\r\nj=2\r\n");
  fs::permissions(file_, fs::perms::owner_read);
  EXPECT_EQ(Refusal(ini_, "a", "k", "3"), refused + file_.string() + " は読み取り専用です。");
  EXPECT_EQ(Get(), "[a]\r\nk=1\r\n[b]\r\nj=2\r\n");
  // A file that cannot be read is never rewritten from nothing.
  fs::permissions(file_, fs::perms::owner_write);
  EXPECT_TRUE(test::RunUnprivileged(dir_.path(), [&] {
    return ini_.ReadInteger("a", "k", 9) == 9 &&
           Refusal(ini_, "a", "k", "3") == refused + file_.string() + " を読む権限がありません。";
  }));
  fs::permissions(file_, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(Get(), "[a]\r\nk=1\r\n[b]\r\nj=2\r\n");
  // A missing folder.
  SettingsFile lost;
  lost.SetFileName((dir_ / "no/such/dir.ini").string());
  EXPECT_EQ(Refusal(lost, "a", "b", "1"),
            refused + (dir_ / "no/such/dir.ini").string() + " を保存するフォルダがありません。");
  EXPECT_FALSE(lost.ReadBool("a", "b", false));
}

TEST_F(SettingsFileTest, NamesOrValuesThatWouldBreakTheFileAreRefused) {
  Put("[a]\r\nk=1\r\n");
  const std::string refused = "設定を保存できません：" + file_.string();
  struct Case {
    const char *section, *ident, *value, *reason;
  };
  const Case cases[] = {{"a", "k", "x\r\n[a]\r\nk=evil", " に改行を含む値は書けません。"},
                        {"a", "k", "x\r", " に改行を含む値は書けません。"},
                        {"a", "k=j", "1", " に書けないキー名です。"},
                        {"a", " ", "1", " に書けないキー名です。"},
                        {"a", " ;k", "1", " に書けないキー名です。"},
                        {"a", "[k", "1", " に書けないキー名です。"},
                        {"a]", "k", "1", " に書けないセクション名です。"},
                        {"a\n", "k", "1", " に書けないセクション名です。"}};
  for (const Case& c : cases) EXPECT_EQ(Refusal(ini_, c.section, c.ident, c.value), refused + c.reason) << c.ident;
  EXPECT_EQ(Get(), "[a]\r\nk=1\r\n");
}

TEST_F(SettingsFileTest, ADirectoryInPlaceOfTheFileReadsAsDefaults) {
  fs::create_directory(file_);
  EXPECT_EQ(ini_.ReadInteger("a", "b", 4), 4);
  EXPECT_EQ(Refusal(ini_, "a", "b", "1"), "設定を保存できません：" + file_.string() + " はフォルダです。");
  EXPECT_TRUE(fs::is_directory(file_));
}

TEST_F(SettingsFileTest, WritingThroughALinkKeepsTheLink) {
  fs::path real = dir_ / "real.ini";
  ASSERT_TRUE(SaveFileAtomic(real, "[a]\r\nk=1\r\n"));
  fs::remove(file_);
  fs::create_symlink(real, file_);
  ini_.WriteInteger("a", "j", 2);
  EXPECT_TRUE(fs::is_symlink(file_));
  EXPECT_EQ(ini_.ReadInteger("a", "j", 0), 2);
  EXPECT_EQ(ini_.ReadInteger("a", "k", 0), 1);
}

// A save through a link reads and writes the one file the link led to when the save began: another process that
// turns the link between two settings files meanwhile never carries one file's keys into the other, and never
// finds the link replaced by a plain file.
TEST_F(SettingsFileTest, ASaveThroughALinkThatTurnsKeepsEachFileItsOwnKeys) {
  fs::create_directory(dir_ / "real");
  const fs::path a = dir_ / "real" / "a.ini", b = dir_ / "real" / "b.ini";
  ASSERT_TRUE(SaveFileAtomic(a, "[a]\r\nonly=a\r\n"));
  ASSERT_TRUE(SaveFileAtomic(b, "[b]\r\nonly=b\r\n"));
  fs::create_symlink("real/a.ini", file_);
  std::atomic<bool> stop{false};
  std::thread turner([&] {
    const fs::path next = dir_ / "next.ini";
    for (unsigned i = 0; !stop; ++i) {
      std::error_code ec;
      fs::create_symlink(i % 2 ? "real/a.ini" : "real/b.ini", next, ec);
      fs::rename(next, file_, ec);  // one step: the name is a link all along
    }
  });
  int plain = 0;
  for (int i = 0; i < 300; ++i) {
    ini_.WriteInteger("n", "i", i);
    plain += !fs::is_symlink(file_);
  }
  stop = true;
  turner.join();
  EXPECT_EQ(plain, 0);
  EXPECT_TRUE(fs::is_symlink(file_));
  std::string textA, textB;
  ASSERT_TRUE(ReadFileBytes(a, textA));
  ASSERT_TRUE(ReadFileBytes(b, textB));
  EXPECT_EQ(textA.find("[b]"), std::string::npos) << textA;
  EXPECT_EQ(textB.find("[a]"), std::string::npos) << textB;
  EXPECT_NE(textA.find("[a]\r\nonly=a\r\n"), std::string::npos) << textA;
  EXPECT_NE(textB.find("[b]\r\nonly=b\r\n"), std::string::npos) << textB;
}

TEST(SettingsFileResolve, FolderPartWinsBareNamesFollowDefaultDir) {
  setenv("CORVINA_HOME", "/tmp/corvina_home_x", 1);
  setenv("XDG_CONFIG_HOME", "/tmp/corvina_cfg_x", 1);
  SettingsFile ini;
  EXPECT_EQ(ini.DefaultDir(), SettingsDefaultDir::Application);
  EXPECT_EQ(ini.FileName(), "");
  ini.Loaded();
  EXPECT_EQ(ini.FileName(), "corvina.ini");
  EXPECT_EQ(ini.Path(), fs::path("/tmp/corvina_home_x/corvina.ini"));
  ini.SetDefaultDir(SettingsDefaultDir::Windows);
  EXPECT_EQ(ini.Path(), fs::path("/tmp/corvina_cfg_x/corvina.ini"));
  ini.SetDefaultDir(SettingsDefaultDir::None);
  EXPECT_EQ(ini.Path(), fs::path("corvina.ini"));
  ini.SetFileName("/etc/x/y.ini");
  for (auto d : {SettingsDefaultDir::Application, SettingsDefaultDir::Windows, SettingsDefaultDir::None}) {
    ini.SetDefaultDir(d);
    EXPECT_EQ(ini.Path(), fs::path("/etc/x/y.ini"));
  }
  ini.SetFileName("sub/y.ini");
  EXPECT_EQ(ini.Path(), fs::path("sub/y.ini"));
  // A name already set is not replaced by Loaded.
  ini.Loaded();
  EXPECT_EQ(ini.FileName(), "sub/y.ini");
  // Without the variables (empty or unset): the program's own folder, and the configuration folder in the home folder
  // or /etc.
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("CORVINA_HOME", "", 1);
  setenv("XDG_CONFIG_HOME", "", 1);
  setenv("HOME", "/tmp/corvina_user_x", 1);
  ini.SetFileName("z.ini");
  ini.SetDefaultDir(SettingsDefaultDir::Windows);
  EXPECT_EQ(ini.Path(), fs::path("/tmp/corvina_user_x/.config/z.ini"));
  setenv("HOME", "", 1);
  ini.SetDefaultDir(SettingsDefaultDir::Windows);
  EXPECT_EQ(ini.Path(), fs::path("/etc/z.ini"));
  unsetenv("HOME");
  unsetenv("XDG_CONFIG_HOME");
  ini.SetDefaultDir(SettingsDefaultDir::Windows);
  EXPECT_EQ(ini.Path(), fs::path("/etc/z.ini"));
  ini.SetDefaultDir(SettingsDefaultDir::Application);
  EXPECT_EQ(ini.Path(), fs::read_symlink("/proc/self/exe").parent_path() / "z.ini");
  unsetenv("CORVINA_HOME");
  ini.SetDefaultDir(SettingsDefaultDir::Application);
  EXPECT_EQ(ini.Path(), fs::read_symlink("/proc/self/exe").parent_path() / "z.ini");
  if (!home.empty()) setenv("HOME", home.c_str(), 1);
}

TEST(SettingsKeyTable, EveryKeyIsListedOnceWithAUsableDefault) {
  std::set<std::string> seen;
  for (const IniSetting& s : IniSettings()) {
    EXPECT_TRUE(seen.insert(std::string(s.section) + "/" + std::string(s.ident)).second) << s.ident;
    if (s.kind == IniSetting::Kind::Boolean) {
      EXPECT_TRUE(s.defaultValue == "0" || s.defaultValue == "1");
    }
    if (s.kind == IniSetting::Kind::Integer) {
      EXPECT_FALSE(s.defaultValue.empty());
    }
  }
  EXPECT_EQ(seen.size(), 16u);
  EXPECT_TRUE(seen.count("Time/AutoRdataGet"));
  EXPECT_TRUE(seen.count("PrintZoom/ratio"));
}

}  // namespace
