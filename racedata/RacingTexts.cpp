#include "racedata/RacingTexts.h"

#include <algorithm>
#include <array>
#include <vector>

#include "platform/Cp932.h"
#include "platform/Text.h"
#include "racedata/RecordLayout.h"

namespace corvina {
namespace {

// Racecourse codes with their names in styles 0, 1, 2, 3 and 9 (UTF-8 here, CP932 once at first use). Style 2
// is what file names and race labels use; the others follow the same rows.
struct CourseRowUtf8 {
  const char* code;
  const char* names[5];
};

constexpr CourseRowUtf8 kCourseRows[] = {
    {"01", {"札幌  ", "札", "札幌", "札幌  ", "札幌競馬場　　　　　"}},
    {"02", {"函館  ", "函", "函館", "函館  ", "函館競馬場　　　　　"}},
    {"03", {"福島  ", "福", "福島", "福島  ", "福島競馬場　　　　　"}},
    {"04", {"新潟  ", "新", "新潟", "新潟  ", "新潟競馬場　　　　　"}},
    {"05", {"東京  ", "東", "東京", "東京  ", "東京競馬場　　　　　"}},
    {"06", {"中山  ", "中", "中山", "中山  ", "中山競馬場　　　　　"}},
    {"07", {"中京  ", "名", "中京", "中京  ", "中京競馬場　　　　　"}},
    {"08", {"京都  ", "京", "京都", "京都  ", "京都競馬場　　　　　"}},
    {"09", {"阪神  ", "阪", "阪神", "阪神  ", "阪神競馬場　　　　　"}},
    {"10", {"小倉  ", "小", "小倉", "小倉  ", "小倉競馬場　　　　　"}},
    {"30", {"門別  ", "門", "門別", "門別  ", "門別競馬場　　　　　"}},
    {"31", {"北見  ", "北", "北見", "北見  ", "北見競馬場　　　　　"}},
    {"32", {"岩見沢", "岩", "岩見", "岩見沢", "岩見沢競馬場　　　　"}},
    {"33", {"帯広  ", "帯", "帯広", "帯広  ", "帯広競馬場　　　　　"}},
    {"34", {"旭川  ", "旭", "旭川", "旭川  ", "旭川競馬場　　　　　"}},
    {"35", {"盛岡  ", "盛", "盛岡", "盛岡  ", "盛岡競馬場　　　　　"}},
    {"36", {"水沢  ", "水", "水沢", "水沢  ", "水沢競馬場　　　　　"}},
    {"37", {"上山  ", "上", "上山", "上山  ", "上山競馬場　　　　　"}},
    {"38", {"三条  ", "三", "三条", "三条  ", "三条競馬場　　　　　"}},
    {"39", {"足利  ", "足", "足利", "足利  ", "足利競馬場　　　　　"}},
    {"40", {"宇都宮", "宇", "宇都", "宇都宮", "宇都宮競馬場　　　　"}},
    {"41", {"高崎  ", "高", "高崎", "高崎  ", "高崎競馬場　　　　　"}},
    {"42", {"浦和  ", "浦", "浦和", "浦和  ", "浦和競馬場　　　　　"}},
    {"43", {"船橋  ", "船", "船橋", "船橋  ", "船橋競馬場　　　　　"}},
    {"44", {"大井  ", "大", "大井", "大井  ", "大井競馬場　　　　　"}},
    {"45", {"川崎  ", "川", "川崎", "川崎  ", "川崎競馬場　　　　　"}},
    {"46", {"金沢  ", "金", "金沢", "金沢  ", "金沢競馬場　　　　　"}},
    {"47", {"笠松  ", "笠", "笠松", "笠松  ", "笠松競馬場　　　　　"}},
    {"48", {"名古屋", "古", "名古", "名古屋", "名古屋競馬場　　　　"}},
    {"49", {"紀三井", "紀", "紀三", "紀三寺", "紀三井寺競馬場　　　"}},
    {"50", {"園田  ", "園", "園田", "園田  ", "園田競馬場　　　　　"}},
    {"51", {"姫路  ", "姫", "姫路", "姫路  ", "姫路競馬場　　　　　"}},
    {"52", {"益田  ", "益", "益田", "益田  ", "益田競馬場　　　　　"}},
    {"53", {"福山  ", "福", "福山", "福山  ", "福山競馬場　　　　　"}},
    {"54", {"高知  ", "高", "高知", "高知  ", "高知競馬場　　　　　"}},
    {"55", {"佐賀  ", "佐", "佐賀", "佐賀  ", "佐賀競馬場　　　　　"}},
    {"56", {"荒尾  ", "荒", "荒尾", "荒尾  ", "荒尾競馬場　　　　　"}},
    {"57", {"中津  ", "中", "中津", "中津  ", "中津競馬場　　　　　"}},
    {"58", {"札幌  ", "札", "札幌", "札幌  ", "札幌競馬場(地方競馬)"}},
    {"59", {"函館  ", "函", "函館", "函館  ", "函館競馬場(地方競馬)"}},
    {"60", {"新潟  ", "新", "新潟", "新潟  ", "新潟競馬場(地方競馬)"}},
    {"61", {"中京  ", "名", "中京", "中京  ", "中京競馬場(地方競馬)"}},
    {"A0", {"その他", "他", "他外", "その他", "その他外国　　　　　"}},
    {"A2", {"日本  ", "日 ", "日本", "日本  ", "日本　　　　　　　　"}},
    {"A4", {"ｱﾒﾘｶ  ", "米", "アメ", "アメリ", "アメリカ　　　　　　"}},
    {"A6", {"ｲｷﾞﾘｽ ", "英", "イギ", "イギリ", "イギリス　　　　　　"}},
    {"A8", {"ﾌﾗﾝｽ  ", "仏", "フラ", "フラン", "フランス　　　　　　"}},
    {"B0", {"ｲﾝﾄﾞ  ", "印", "イン", "インド", "インド　　　　　　　"}},
    {"B2", {"ｱｲﾙﾗﾝﾄ", "愛", "アイ", "アイル", "アイルランド　　　　"}},
    {"B4", {"ﾆｭｰｼﾞｰ", "新", "ニュ", "ニュー", "ニュージーランド　　"}},
    {"B6", {"ｵｰｽﾄﾗﾘ", "豪", "オー", "オース", "オーストラリア　　　"}},
    {"B8", {"ｶﾅﾀﾞ  ", "加", "カナ", "カナダ", "カナダ　　　　　　　"}},
    {"C0", {"ｲﾀﾘｱ  ", "伊", "イタ", "イタリ", "イタリア　　　　　　"}},
    {"C2", {"ﾄﾞｲﾂ  ", "独", "ドイ", "ドイツ", "ドイツ　　　　　　　"}},
    {"C4", {"      ", "  ", "    ", "      ", "　　　　　　　　　　"}},
    {"C5", {"ｵﾏｰﾝ  ", "オ", "オマ", "オマー", "オマーン　　　　　　"}},
    {"C6", {"ｲﾗｸ   ", "イ", "イラ", "イラク", "イラク　　　　　　　"}},
    {"C7", {"ｱﾗﾌﾞ首", "首", "ア首", "アラブ", "アラブ首長国連邦　　"}},
    {"C8", {"ｼﾘｱ   ", "シ", "シリ", "シリア", "シリア　　　　　　　"}},
    {"D0", {"ｽｳｪｰﾃﾞ", "瑞", "スウ", "スウェ", "スウェーデン　　　　"}},
    {"D2", {"ﾊﾝｶﾞﾘｰ", "洪", "ハン", "ハンガ", "ハンガリー　　　　　"}},
    {"D4", {"ﾎﾟﾙﾄｶﾞ", "葡", "ポル", "ポルト", "ポルトガル　　　　　"}},
    {"D6", {"ﾛｼｱ   ", "露", "ロシ", "ロシア", "ロシア　　　　　　　"}},
    {"D8", {"ｳﾙｸﾞｱｲ", "ウ", "ウル", "ウルグ", "ウルグアイ　　　　　"}},
    {"E0", {"ﾍﾟﾙｰ  ", "秘", "ペル", "ペルー", "ペルー　　　　　　　"}},
    {"E2", {"ｱﾙｾﾞﾝﾁ", "亜", "アル", "アルゼ", "アルゼンチン　　　　"}},
    {"E4", {"ﾌﾞﾗｼﾞﾙ", "伯", "ブラ", "ブラジ", "ブラジル　　　　　　"}},
    {"E6", {"ﾍﾞﾙｷﾞｰ", "白", "ベル", "ベルギ", "ベルギー　　　　　　"}},
    {"E8", {"ﾄﾙｺ   ", "土", "トル", "トルコ", "トルコ　　　　　　　"}},
    {"F0", {"韓国  ", "韓", "韓国", "韓国  ", "韓国　　　　　　　　"}},
    {"F1", {"中国  ", "中", "中国", "中国  ", "中国　　　　　　　　"}},
    {"F2", {"ﾁﾘ    ", "チ", "チリ", "チリ  ", "チリ　　　　　　　　"}},
    {"F4", {"      ", "  ", "    ", "      ", "　　　　　　　　　　"}},
    {"F6", {"      ", "  ", "    ", "      ", "　　　　　　　　　　"}},
    {"F8", {"ﾊﾟﾅﾏ  ", "パ", "パナ", "パナマ", "パナマ　　　　　　　"}},
    {"G0", {"香港  ", "香", "香港", "香港  ", "香港　　　　　　　　"}},
    {"G2", {"ｽﾍﾟｲﾝ ", "西", "スペ", "スペイ", "スペイン　　　　　　"}},
    {"G4", {"      ", "  ", "    ", "      ", "　　　　　　　　　　"}},
    {"G6", {"      ", "  ", "    ", "      ", "　　　　　　　　　　"}},
    {"G8", {"      ", "  ", "    ", "      ", "　　　　　　　　　　"}},
    {"H0", {"西ﾄﾞｲﾂ", "独", "西独", "西独　", "西ドイツ　　　　　　"}},
    {"H2", {"南ｱﾌﾘｶ", "南", "南ア", "南アフ", "南アフリカ　　　　　"}},
    {"H4", {"ｽｲｽ   ", "瑞", "スイ", "スイス", "スイス　　　　　　　"}},
    {"H6", {"ﾓﾅｺ   ", "モ", "モナ", "モナコ", "モナコ　　　　　　　"}},
    {"H8", {"ﾌｨﾘﾋﾟﾝ", "比", "フィ", "フィリ", "フィリピン　　　　　"}},
    {"I0", {"ﾌﾟｴﾙﾄﾘ", "プ", "プエ", "プエル", "プエルトリコ　　　　"}},
    {"I2", {"ｺﾛﾝﾋﾞｱ", "コ", "コロ", "コロン", "コロンビア　　　　　"}},
    {"I4", {"ﾁｪｺｽﾛﾊ", "チ", "チェ", "チェコ", "チェコスロバキア　　"}},
    {"I6", {"ﾁｪｺ   ", "チ", "チェ", "チェコ", "チェコ　　　　　　　"}},
    {"I8", {"ｽﾛﾊﾞｷｱ", "ス", "スロ", "スロバ", "スロバキア　　　　　"}},
    {"J0", {"ｴｸｱﾄﾞﾙ", "エ", "エク", "エクア", "エクアドル　　　　　"}},
    {"J2", {"ｷﾞﾘｼｬ ", "希", "ギリ", "ギリシ", "ギリシャ　　　　　　"}},
    {"J4", {"ﾏﾚｰｼｱ ", "マ", "マレ", "マレー", "マレーシア　　　　　"}},
    {"J6", {"ﾒｷｼｺ  ", "墨", "メキ", "メキシ", "メキシコ　　　　　　"}},
    {"J8", {"ﾓﾛｯｺ  ", "モ", "モロ", "モロッ", "モロッコ　　　　　　"}},
    {"K0", {"ﾊﾟｷｽﾀﾝ", "パ", "パキ", "パキス", "パキスタン　　　　　"}},
    {"K2", {"ﾎﾟｰﾗﾝﾄ", "波", "ポー", "ポーラ", "ポーランド　　　　　"}},
    {"K4", {"ﾊﾟﾗｸﾞｱ", "パ", "パラ", "パラグ", "パラグアイ　　　　　"}},
    {"K6", {"ｻｳｼﾞｱﾗ", "サ", "サウ", "サウジ", "サウジアラビア　　　"}},
    {"K8", {"ｷﾌﾟﾛｽ ", "キ", "キプ", "キプロ", "キプロス　　　　　　"}},
    {"L0", {"ﾀｲ    ", "泰", "タイ", "タイ  ", "タイ　　　　　　　　"}},
    {"L2", {"ｳｸﾗｲﾅ ", "ウ", "ウク", "ウクラ", "ウクライナ　　　　　"}},
    {"L4", {"ﾍﾞﾈｽﾞｴ", "ベ", "ベネ", "ベネズ", "ベネズエラ　　　　　"}},
    {"L6", {"ﾕｰｺﾞｽﾗ", "ユ", "ユー", "ユーゴ", "ユーゴスラビア　　　"}},
    {"L8", {"ﾃﾞﾝﾏｰｸ", "丁", "デン", "デンマ", "デンマーク　　　　　"}},
    {"M0", {"ｼﾝｶﾞﾎﾟ", "星", "シン", "シンガ", "シンガポール　　　　"}},
    {"M2", {"澳門  ", "澳", "澳門", "澳門  ", "澳門　　　　　　　　"}},
    {"M4", {"ｵｰｽﾄﾘｱ", "墺", "墺国", "オース", "オーストリア　　　　"}},
    {"M6", {"ﾖﾙﾀﾞﾝ ", "約", "約  ", "ヨルダ", "ヨルダン　　　　　　"}},
    {"M8", {"中華民", "華", "華  ", "中華民", "中華民国　　　　　　"}},
};

constexpr int StyleColumn(int style) {
  switch (style) {
    case 0: return 0;
    case 1: return 1;
    case 2: return 2;
    case 3: return 3;
    case 9: return 4;
    default: return -1;
  }
}

struct CourseRow {
  std::string code;
  std::array<std::string, 5> names;
};

const std::vector<CourseRow>& CourseRows() {
  static const std::vector<CourseRow> rows = [] {
    std::vector<CourseRow> out;
    for (const auto& r : kCourseRows) {
      CourseRow row{r.code, {}};
      for (int i = 0; i < 5; ++i) row.names[i] = ToCp932(r.names[i]);
      out.push_back(std::move(row));
    }
    return out;
  }();
  return rows;
}

const CourseRow* FindCourse(std::string_view code) {
  for (const auto& row : CourseRows())
    if (row.code == code) return &row;
  return nullptr;
}

bool IsOverseasCode(std::string_view code) {
  return code.size() == 2 && code[0] >= 'A' && code[0] <= 'Z' && code != "C5" && FindCourse(code) != nullptr;
}

// An integral value formatted with the pattern "00": at least two digits, a minus sign in front.
std::string TwoDigits(int v) {
  if (v < 0) return "-" + FormatZero(-static_cast<long long>(v), 2);
  return FormatZero(v, 2);
}

template <int N>
std::array<std::string, N + 1> BuildPairLabels(bool sameAllowed, int top) {
  std::array<std::string, N + 1> labels;
  int k = 1;
  for (int i = 1; i <= top; ++i)
    for (int j = sameAllowed ? i : i + 1; j <= top; ++j) labels[k++] = CombLabel(i, j);
  return labels;
}

const std::array<std::string, layout::kWakurenPairs + 1>& WakurenLabels() {
  static const auto labels = BuildPairLabels<layout::kWakurenPairs>(true, layout::kFrames);
  return labels;
}

const std::array<std::string, layout::kUmarenPairs + 1>& UmarenLabels() {
  static const auto labels = BuildPairLabels<layout::kUmarenPairs>(false, layout::kHorses);
  return labels;
}

template <size_t N>
int FindLabel(const std::array<std::string, N>& labels, std::string_view label) {
  for (size_t k = 1; k < N; ++k)
    if (labels[k] == label) return static_cast<int>(k);
  return 0;
}

}  // namespace

std::string AddTimeHHMM(std::string_view hhmm, int minutes) {
  if (IsBlank(hhmm)) return {};
  const int total = StrToIntLenient(CopyView(hhmm, 1, 2)) * 60 + StrToIntLenient(CopyView(hhmm, 3, 2)) + minutes;
  return TwoDigits(total / 60) + TwoDigits(total % 60);
}

std::string OverwriteStr(std::string_view s, std::string_view piece, int n) {
  std::string out(s);
  const size_t at = n < 1 ? 0 : std::min(out.size(), static_cast<size_t>(n - 1));
  out.erase(at, piece.size());
  out.insert(at, piece);
  return out;
}

std::string BlankPadNumStr(std::string_view numeric) {
  const int width = static_cast<int>(numeric.size());
  const int v = StrToIntLenient(numeric);
  if (v == 0) return std::string(numeric.size(), ' ');
  return FormatInt(v, width);
}

std::string CombLabel(int a, int b) { return FormatInt(a, 2) + "-" + FormatInt(b, 2); }

std::string CombLabel(int a, int b, int c) { return FormatInt(a, 2) + "-" + FormatInt(b, 2) + "-" + FormatInt(c, 2); }

std::string WakurenIndexToStr(int index) {
  if (index < 1 || index > layout::kWakurenPairs) return {};
  return WakurenLabels()[index];
}

int WakurenStrToIndex(std::string_view label) { return FindLabel(WakurenLabels(), label); }

std::string UmarenIndexToStr(int index) {
  if (index < 1 || index > layout::kUmarenPairs) return {};
  return UmarenLabels()[index];
}

int UmarenStrToIndex(std::string_view label) { return FindLabel(UmarenLabels(), label); }

std::string CourseClassName(std::string_view code) {
  const std::string& local = CORVINA_CP932("地方  ");
  const std::string& overseas = CORVINA_CP932("海外  ");
  if (code.size() == 2 && code >= "01" && code <= "10") {
    if (const CourseRow* row = FindCourse(code)) return row->names[0];
  }
  if (code.size() == 2 && code >= "30" && code <= "61" && FindCourse(code)) return local;
  if (IsOverseasCode(code)) return overseas;
  return std::string(6, ' ');
}

std::string CourseName(std::string_view code, int style) {
  const int column = StyleColumn(style);
  if (column < 0) return {};
  if (const CourseRow* row = FindCourse(code)) return row->names[column];
  static constexpr int kBlankWidth[5] = {6, 2, 4, 6, 6};
  return std::string(kBlankWidth[column], ' ');
}

std::string CircledNumber(int n) {
  if (n >= 1 && n <= 18) return std::string{'\x87', static_cast<char>(0x40 + n - 1)};
  return "\x81\x7C";  // "－"
}

std::string WeightRuleText(std::string_view code) {
  if (code == "1") return CORVINA_CP932("ハンデ");
  if (code == "2") return CORVINA_CP932("別定　");
  if (code == "3") return CORVINA_CP932("馬齢　");
  if (code == "4") return CORVINA_CP932("定量　");
  return {};
}

std::string ClassText(std::string_view code) {
  if (IsBlank(code)) return {};
  if (code == "701") return CORVINA_CP932("新馬　　　");
  if (code == "702") return CORVINA_CP932("未出走　　");
  if (code == "703") return CORVINA_CP932("未勝利　　");
  if (code == "999") return CORVINA_CP932("ｵｰﾌﾟﾝ　　 ");
  if (code == "000") return CORVINA_CP932("　　　　　");
  if (code == "100") return CORVINA_CP932("1億円下   ");
  return FormatInt(static_cast<long long>(StrToIntLenient(code)) * 100, 4) + CORVINA_CP932("万円下");
}

std::string TrackText(std::string_view code) {
  const int t = StrToIntLenient(code);
  if (t == 10) return CORVINA_CP932("芝直");
  if (t >= 11 && t <= 16) return CORVINA_CP932("芝左");
  if (t >= 17 && t <= 22) return CORVINA_CP932("芝右");
  if (t == 23) return CORVINA_CP932("ﾀﾞ左");
  if (t == 24) return CORVINA_CP932("ﾀﾞ右");
  if (t == 29) return CORVINA_CP932("ﾀﾞ直");
  if (t >= 51 && t <= 59) return CORVINA_CP932("障害");
  return {};
}

std::string DistanceText(std::string_view distance) {
  const int d = StrToIntLenient(distance);
  return d != 0 ? FormatInt(d, 4) + "m" : std::string();
}

std::string SexName(std::string_view code) {
  const std::string& colt = CORVINA_CP932("牡");
  const std::string& filly = CORVINA_CP932("牝");
  const std::string& gelding = CORVINA_CP932("ｾﾝ");
  if (code == "1") return colt;
  if (code == "2") return filly;
  if (code == "3") return gelding;
  return {};
}

std::string CourseNameByDigit(std::string_view digit) {
  static const std::array<std::string, 10> names = [] {
    const char* utf8[10] = {"京都", "阪神", "中京", "小倉", "東京", "中山", "福島", "新潟", "札幌", "函館"};
    std::array<std::string, 10> out;
    for (int i = 0; i < 10; ++i) out[i] = ToCp932(utf8[i]);
    return out;
  }();
  const std::string& other = CORVINA_CP932("ｿﾉ他");
  // A blank or non-numeric venue field names no venue (it must not fall to 0 = 京都).
  const std::string t = Trim(digit);
  if (t.empty() || t.find_first_not_of("0123456789") != std::string::npos) return other;
  const int v = StrToIntLenient(t);
  return v >= 0 && v <= 9 ? names[v] : other;
}

}  // namespace corvina
