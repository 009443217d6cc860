// Provider texts to .yoz lines and the store step after unpacking, on generated and hand-made texts.
#include <gtest/gtest.h>

#include <random>

#include "platform/Cp932.h"
#include "platform/LineFile.h"
#include "platform/Text.h"
#include "racedata/DayFiles.h"
#include "racedata/RaceInfo.h"
#include "racedata/RecordLayout.h"
#include "racedata/YosoImport.h"
#include "tests/support/TempDir.h"
#include "tools/jvgen/Generator.h"
#include "tools/jvgen/Payouts.h"

namespace fs = std::filesystem;
using namespace corvina;
namespace L = corvina::layout;

namespace {

jvgen::Day MakeDay(int year, char source, bool scratches) {
  jvgen::Options o;
  o.date = DayName(year, 3, 12);
  o.yozSource = source;
  o.scratches = scratches;
  return jvgen::MakeDay(o);
}

// A KOL line with the given fields placed; everything else blank.
std::string KolText(std::vector<std::pair<int, std::string>> fields) {
  std::string l(kKolLine, ' ');
  for (auto& [pos, text] : fields) l.replace(static_cast<size_t>(pos - 1), text.size(), text);
  return l;
}

// A KOL line of race 11 at venue digit 4 on `date`.
std::string KolRace(const std::string& date) { return KolText({{1, "04"}, {7, "020311"}, {13, date}, {110, "16"}}); }

std::string Field(const std::string& yoz, L::Field f) { return Copy(yoz, f.pos, f.len); }

// The generator writes the .yoz the way the import is meant to; both must agree byte for byte, for both
// providers, both KOL source letters, bracket mode (2004, eight runners) and withdrawn horses.
TEST(YozConversion, AgreesWithTheGeneratorsDayFiles) {
  for (int year : {2004, 2006})
    for (char source : {'J', 'K', 'M'}) {
      const jvgen::Day day = MakeDay(year, source, true);
      const std::string yymmdd = day.date.DateKey().substr(2);
      for (const jvgen::Race& race : day.races) {
        const std::string got = source == 'J' ? JrdbYozLine(jvgen::JrdbLine(day, race), yymmdd)
                                              : KolYozLine(jvgen::KolLine(day, race), year >= 2005);
        ASSERT_EQ(got, jvgen::YozLine(day, race)) << year << source << " race " << race.course << race.num;
        // And both hold the prices the generator meant: each runner's win, and each pair's quinella, or in
        // bracket mode its frames' bracket price (JRDB writes whole numbers from 1000).
        const auto near = [](double meant) { return meant < 999.95 ? 0.051 : 0.5; };
        const int n = static_cast<int>(race.runners.size());
        const bool bracketMode = source != 'J' && year < 2005 && n <= 8;
        for (int i = 1; i <= n; ++i) {
          const jvgen::Runner& a = race.runners[static_cast<size_t>(i - 1)];
          if (a.scratch) continue;
          EXPECT_NEAR(PredOddsValue(Field(got, L::yoz::Win(i - 1))), a.predWin, near(a.predWin)) << i;
          for (int j = i + 1; j <= n; ++j) {
            if (race.runners[static_cast<size_t>(j - 1)].scratch) continue;
            const int k = jvgen::PairIndex(i, j);
            const double meant = bracketMode ? race.predWakurenTenths[jvgen::FramePairIndex(i, j)] / 10.0
                                             : race.predUmaren[static_cast<size_t>(k)];
            EXPECT_NEAR(PredOddsValue(Field(got, L::yoz::Umaren(k))), meant, near(meant))
                << year << source << i << "-" << j;
          }
        }
      }
    }
}

TEST(YozConversion, KolFieldsAndBracketMode) {
  const std::string base = "20040312";
  // win fields of horses 1..5, brackets 1-2 and 2-5 (indexes 2 and 12), quinella pair 1-2
  const std::string l = KolText({{13, base},
                                 {110, "08"},
                                 {162, "    *"},
                                 {167, "    -"},
                                 {172, "00035"},
                                 {177, "     "},
                                 {182, "12a  "},
                                 {252 + 5 * 11, "00123"},
                                 {257, "    *"},
                                 {432, "      *"}});
  const std::string bracket = KolYozLine(l, false);
  ASSERT_EQ(bracket.size(), 1459u);
  EXPECT_EQ(Field(bracket, L::yoz::Win(0)), "  50.0");
  EXPECT_EQ(Field(bracket, L::yoz::Win(1)), "      ");
  EXPECT_EQ(Field(bracket, L::yoz::Win(2)), "   3.5");
  EXPECT_EQ(Field(bracket, L::yoz::Win(3)), "      ") << "blank field: no prediction";
  EXPECT_EQ(Field(bracket, L::yoz::Win(4)), "      ") << "not a number: no prediction";
  EXPECT_EQ(Field(bracket, L::yoz::Place(0)), "      ");
  EXPECT_EQ(Field(bracket, L::yoz::Umaren(1)), "   100.0") << " 1- 2 takes bracket 1-2";
  EXPECT_EQ(Field(bracket, L::yoz::Umaren(20)), "    12.3") << " 2- 5 takes bracket 2-5";
  EXPECT_EQ(Field(bracket, L::yoz::Umaren(8)), "        ") << " 1- 9 has no bracket";

  // Quinella mode: the loaded day is of 2005 or later, or the race has more than eight runners.
  const std::string nineRunners = KolText({{13, base}, {110, "09"}, {432, "      *"}, {439, "0001234"}});
  for (const std::string& q : {KolYozLine(l, true), KolYozLine(nineRunners, false)}) {
    EXPECT_EQ(Field(q, L::yoz::Umaren(1)), "  1000.0");
  }
  EXPECT_EQ(Field(KolYozLine(nineRunners, false), L::yoz::Umaren(2)), "   123.4");
}

TEST(YozConversion, KeysAndShortLines) {
  // JRDB fields go over as they stand, kai and nichi get a leading zero, the date is the archive's.
  std::string jrdb(kJrdbLine, ' ');
  jrdb.replace(0, 15, "0605312113abcde");
  const std::string j = JrdbYozLine(jrdb, "050312");
  EXPECT_EQ(Field(j, L::yoz::kKey), "2005031206030121J13");
  EXPECT_EQ(Field(j, L::yoz::Win(0)), " abcde");

  const std::string k =
      KolYozLine(KolText({{1, "08"}, {7, "020311"}, {13, "20050312"}, {105, "1"}, {110, "16"}}), true);
  EXPECT_EQ(Field(k, L::yoz::kKey), "2005031208020311M16");
  EXPECT_EQ(Field(KolYozLine(KolText({{105, "2"}}), true), L::yoz::kSource), "K");

  // A line cut short keeps every field in place: the day load reads .yoz as fixed records.
  for (const std::string& s : {JrdbYozLine("06", "050312"), JrdbYozLine("", "050312"), KolYozLine("4", true),
                               KolYozLine(std::string(200, '0'), false)}) {
    ASSERT_EQ(s.size(), 1459u);
    EXPECT_TRUE(Field(s, L::yoz::kSource) == "J" || Field(s, L::yoz::kSource) == "K") << s.substr(0, 20);
  }
  EXPECT_EQ(Field(JrdbYozLine("06", "050312"), L::yoz::kCourse), "06");
}

class YozStore : public ::testing::Test {
 protected:
  void Put(const std::string& name, const std::string& bytes) { ASSERT_TRUE(SaveFileAtomic(src_ / name, bytes)); }
  YozImportResult Store(bool from2005 = true) {
    return StoreYozFromFolder(YozSourcesOf(src_ / "OZ050312.lzh"), data_, from2005);
  }
  Lines Stored(const DayName& d) {
    Lines out;
    ReadLines(DayFilePath(data_, d, ".yoz"), out);
    return out;
  }
  test::TempDir dir_{"yoso"};
  fs::path src_ = dir_ / "dl", data_ = dir_ / "home" / "Data";
  void SetUp() override { fs::create_directories(src_); }
};

TEST_F(YozStore, JrdbSavedUnderTheArchiveDateAndTextDeleted) {
  Put("oZ050312.TXT", "0605310112\r\n");  // found without regard to case
  Put("kol_ods.kd3", KolText({{13, "20050401"}}));
  const YozImportResult r = Store();
  EXPECT_EQ(r.outcome, YozOutcome::Saved);
  EXPECT_EQ(r.message,
            "JRDB基準オッズデータを解凍し、2005年03月12日のデータを保存しました。データを再読込すると反映されます。");
  EXPECT_EQ(Stored(DayName(2005, 3, 12)).size(), 1u);
  EXPECT_FALSE(fs::exists(src_ / "oZ050312.TXT"));
  EXPECT_TRUE(fs::exists(src_ / "kol_ods.kd3")) << "only the converted provider's text goes";
}

TEST_F(YozStore, KolPrefersKd2NamesTheFileFromTheFirstLineAndReplaces) {
  fs::create_directories(data_);
  ASSERT_TRUE(SaveLines(DayFilePath(data_, DayName(2005, 3, 12), ".yoz"), Lines(5, std::string(1459, 'x'))));
  Put("KOL_ODS.KD2", KolRace("20050312") + "\r\n" + KolRace("20050313") + "\r\n");
  Put("kol_ods.kd3", KolText({{13, "20050401"}}));
  const YozImportResult r = Store();
  EXPECT_EQ(r.outcome, YozOutcome::Saved);
  EXPECT_EQ(r.message,
            "KOL予想オッズデータを解凍し、2005年03月12日のデータを保存しました。データを再読込すると反映されます。");
  const Lines lines = Stored(DayName(2005, 3, 12));
  ASSERT_EQ(lines.size(), 2u) << "replaced, not merged";
  EXPECT_EQ(lines[1].substr(0, 8), "20050313") << "each line keeps its own date";
  EXPECT_FALSE(fs::exists(src_ / "KOL_ODS.KD2"));
  EXPECT_FALSE(fs::exists(src_ / "kol_ods.kd3"));
  EXPECT_FALSE(fs::exists(DayFilePath(data_, DayName(2005, 4, 1), ".yoz")));
}

// Texts that name no day or hold no race write nothing and say why; no text at all ends silently.
TEST_F(YozStore, NothingWrittenForEmptyOrUndatedTexts) {
  struct Case {
    const char* name;
    std::string text;
    YozOutcome outcome;
  } cases[] = {
      {"kol_ods.kd3", "", YozOutcome::Empty},
      {"Oz050312.txt", "", YozOutcome::Empty},
      {"kol_ods.kd2", "\r\n  \r\n", YozOutcome::Empty},
      {"kol_ods.kd3", KolText({{13, "20051332"}}), YozOutcome::BadDate},
      {"kol_ods.kd3", "short line", YozOutcome::BadDate},
  };
  for (const Case& c : cases) {
    Put(c.name, c.text);
    const YozImportResult r = Store();
    EXPECT_EQ(r.outcome, c.outcome) << c.name << " [" << c.text.substr(0, 20) << "]";
    EXPECT_TRUE(r.IsError());
    EXPECT_FALSE(r.message.empty());
    EXPECT_FALSE(fs::exists(data_)) << "no day file";
    EXPECT_TRUE(FindFilesNoCase(src_, c.name).empty()) << "the unpacked text is still deleted";
  }
  // An archive name whose characters 3-8 are no date.
  Put("Ozx.lzh.txt", "0605312113\r\n");
  EXPECT_EQ(StoreYozFromFolder(YozSourcesOf(src_ / "OZx.lzh"), data_, true).outcome, YozOutcome::BadDate);

  const YozImportResult none = Store();
  EXPECT_EQ(none.outcome, YozOutcome::NoProviderText);
  EXPECT_FALSE(none.IsError());
  EXPECT_TRUE(none.message.empty());
}

// Junk where a provider text should be (random bytes, a text saved in another encoding, a text of another
// day) holds no race of the day: the stored .yoz stays as it was and the user is told.
TEST_F(YozStore, TextWithoutARaceOfTheDayKeepsTheStoredFile) {
  fs::create_directories(data_);
  const fs::path stored = DayFilePath(data_, DayName(2005, 3, 12), ".yoz");
  ASSERT_TRUE(SaveLines(stored, Lines(3, KolYozLine(KolRace("20050312"), true))));
  std::string before, after;
  ASSERT_TRUE(ReadFileBytes(stored, before));

  std::mt19937 rng(12);
  std::string noise(6000, ' ');
  for (char& c : noise) c = static_cast<char>(rng());
  std::string utf16;  // a JRDB line saved as UTF-16: every other byte a zero
  for (char c : std::string("0605310112")) utf16 += std::string{c, '\0'};
  const std::string bom = "\xEF\xBB\xBF";
  struct Case {
    const char* name;
    std::string text;
  } cases[] = {
      {"Oz050312.txt", noise},
      {"Oz050312.txt", utf16 + "\r\0\n\0"},
      {"Oz050312.txt", bom + "0605310112\r\n"},
      {"Oz050312.txt", "0605311312\r\n0005310101\r\n060531  12\r\n"},  // race 13, course 00, race blank
      {"kol_ods.kd2", KolRace("20050312").replace(0, 2, "ab") + "\r\n" + KolRace("20050313")},
  };
  for (const Case& c : cases) {
    Put(c.name, c.text);
    const YozImportResult r = Store();
    EXPECT_EQ(r.outcome, YozOutcome::NoRaceOfDay) << c.name << " [" << c.text.substr(0, 12) << "]";
    EXPECT_TRUE(r.IsError());
    EXPECT_NE(r.message.find("2005年03月12日のレースが見つかりません"), std::string::npos) << r.message;
    ASSERT_TRUE(ReadFileBytes(stored, after));
    EXPECT_EQ(after, before);
    EXPECT_TRUE(FindFilesNoCase(src_, c.name).empty()) << "the unpacked text is still deleted";
  }
  // One line that reads as a race is enough: the text replaces the day's file, its other lines included.
  Put("Oz050312.txt", bom + "0605310112\r\n0605310111\r\n");
  EXPECT_EQ(Store().outcome, YozOutcome::Saved);
  EXPECT_EQ(Stored(DayName(2005, 3, 12)).size(), 2u);
}

// A text that cannot be read and a day file that cannot be saved are each reported with the file and the reason;
// the unpacked text goes either way.
TEST_F(YozStore, UnreadableTextOrUnsavableDayFileIsReported) {
  const fs::path text = src_ / "Oz050312.txt";
  fs::create_symlink("/proc/self/mem", text);  // a file, but not one that reads
  YozImportResult r = Store();
  EXPECT_EQ(r.outcome, YozOutcome::ReadFailed);
  EXPECT_TRUE(r.IsError());
  EXPECT_TRUE(r.message.starts_with("JRDB基準オッズデータを読み込めませんでした。\n" + text.string() + "\n"))
      << r.message;
  EXPECT_FALSE(r.message.ends_with("\n")) << "says why";
  EXPECT_FALSE(fs::is_symlink(text)) << "the unpacked text is deleted";
  EXPECT_FALSE(fs::exists(data_));

  const fs::path file = DayFilePath(data_, DayName(2005, 3, 12), ".yoz");
  fs::create_directories(file);  // a folder where the day file belongs
  Put("KOL_ODS.KD2", KolRace("20050312") + "\r\n");
  r = Store();
  EXPECT_EQ(r.outcome, YozOutcome::SaveFailed);
  EXPECT_TRUE(r.IsError());
  EXPECT_TRUE(r.message.starts_with("予想配当データを保存できませんでした。\n" + file.string() + "\n")) << r.message;
  EXPECT_FALSE(r.message.ends_with("\n")) << "says why";
  EXPECT_TRUE(fs::is_empty(file));
  EXPECT_FALSE(fs::exists(src_ / "KOL_ODS.KD2"));
}

TEST_F(YozStore, LeftoversDeletedInAnyCase) {
  for (const char* n : {"Oz050312.txt", "OZ050312.TXT", "Kol_Ods.kd2", "kol_ods.KD3", "YOSOODDS.DAT", "keep.txt"})
    Put(n, "x");
  // Of several spellings the exact one is found first, the others in byte order, so the text read is repeatable.
  const auto found = [&](std::string_view name) {
    std::vector<std::string> names;
    for (const fs::path& p : FindFilesNoCase(src_, name)) names.push_back(p.filename().string());
    return names;
  };
  using Names = std::vector<std::string>;
  EXPECT_EQ(found("Oz050312.txt"), (Names{"Oz050312.txt", "OZ050312.TXT"}));
  EXPECT_EQ(found("OZ050312.TXT"), (Names{"OZ050312.TXT", "Oz050312.txt"}));
  EXPECT_EQ(found("oz050312.txt"), (Names{"OZ050312.TXT", "Oz050312.txt"}));
  DeleteYozSources(YozSourcesOf(src_ / "OZ050312.lzh"));
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(src_)) left.push_back(e.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"keep.txt"});
}

}  // namespace
