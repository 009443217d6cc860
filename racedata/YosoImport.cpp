#include "racedata/YosoImport.h"

#include <algorithm>
#include <array>
#include <system_error>

#include "platform/Text.h"
#include "racedata/DayFiles.h"
#include "racedata/RaceRecords.h"
#include "racedata/RacingTexts.h"
#include "racedata/RecordLayout.h"

namespace corvina {

namespace fs = std::filesystem;
namespace L = layout;

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A KOL odds field in tenths as a right-aligned decimal of `width`. "*" stands for a fixed long price, "-"
// for no price. A field that is no number at all (blank, stray text) is no prediction either.
std::string KolField(std::string_view raw, std::string_view star, int width) {
  const std::string f = Trim(raw);
  if (f == "*") return std::string(star);
  if (f == "-" || !AllDigits(f)) return std::string(static_cast<size_t>(width), ' ');
  if (f.size() > 7) return FormatFixed(StrToIntLenient(f) / 10.0, width, 1);
  // Tenths of up to seven digits: the text FormatFixed gives, written from the integer (a line has
  // 171 such fields).
  const int tenths = StrToIntLenient(f);
  std::string t = std::to_string(tenths / 10) + '.' + char('0' + tenths % 10);
  if (t.size() < static_cast<size_t>(width)) t.insert(0, static_cast<size_t>(width) - t.size(), ' ');
  return t;
}

std::string KolUmarenFields(const std::string& l, bool bracketMode) {
  std::string out;
  out.reserve(L::yoz::kUmarenLen * L::kUmarenPairs);
  for (int k = 1; k <= L::kUmarenPairs; ++k) {
    if (!bracketMode) {
      out += KolField(CopyView(l, 432 + 7 * (k - 1), 7), "  1000.0", L::yoz::kUmarenLen);
      continue;
    }
    // With eight runners or fewer every horse has a bracket of its own, so a pair's bracket price stands in for
    // the pair; horses above 8 have none. The pairs' brackets are looked up once: every line needs them all.
    static const std::array<int, L::kUmarenPairs + 1> bracketOf = [] {
      std::array<int, L::kUmarenPairs + 1> a{};
      for (int pair = 1; pair <= L::kUmarenPairs; ++pair) a[size_t(pair)] = WakurenStrToIndex(UmarenIndexToStr(pair));
      return a;
    }();
    const int b = bracketOf[size_t(k)];
    out += b == 0 ? std::string(L::yoz::kUmarenLen, ' ')
                  : KolField(CopyView(l, 252 + 5 * (b - 1), 5), "   100.0", L::yoz::kUmarenLen);
  }
  return out;
}

// The Japanese texts of the results, built once.
std::string SavedMessage(char provider, const DayName& day) {
  const std::string head = provider == 'J' ? "JRDB基準オッズデータを解凍し、" : "KOL予想オッズデータを解凍し、";
  return head + day.Display() + "のデータを保存しました。データを再読込すると反映されます。";
}

std::string ProviderTitle(char provider) { return provider == 'J' ? "JRDB基準オッズデータ" : "KOL予想オッズデータ"; }

}  // namespace

YozSources YozSourcesOf(const fs::path& archive) {
  YozSources s;
  s.folder = archive.parent_path();
  s.yymmdd = Copy(archive.filename().string(), 3, 6);
  s.jrdbName = "Oz" + s.yymmdd + ".txt";
  return s;
}

std::vector<fs::path> FindFilesNoCase(const fs::path& folder, std::string_view name) {
  std::vector<fs::path> found;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    if (!EqualsNoCase(entry, name) || !it->is_regular_file(ec)) continue;
    found.push_back(it->path());
  }
  // Directory order is arbitrary: the exact spelling first, then byte order, so the choice is repeatable.
  std::sort(found.begin(), found.end(), [&](const fs::path& a, const fs::path& b) {
    const bool ea = a.filename() == name, eb = b.filename() == name;
    return ea != eb ? ea : a.filename().string() < b.filename().string();
  });
  return found;
}

void DeleteFilesNoCase(const fs::path& folder, std::string_view name) {
  for (const fs::path& p : FindFilesNoCase(folder, name)) {
    std::error_code ec;
    fs::remove(p, ec);
  }
}

void DeleteYozSources(const YozSources& sources) {
  DeleteFilesNoCase(sources.folder, sources.jrdbName);
  DeleteFilesNoCase(sources.folder, kKolKd2);
  DeleteFilesNoCase(sources.folder, kKolKd3);
  DeleteFilesNoCase(sources.folder, kYosoOddsDat);
}

std::string JrdbYozLine(std::string_view line, std::string_view yymmdd) {
  const std::string l = PadRight(line, kJrdbLine);
  // The provider's fields go over as they stand; the kai and nichi digits get a leading zero.
  std::string out = "20" + std::string(yymmdd) + Copy(l, 1, 2) + "0" + Copy(l, 5, 1) + "0" + Copy(l, 6, 1) +
                    Copy(l, 7, 2) + "J" + Copy(l, 9, 2);
  out.reserve(L::kYozLine);
  for (int k = 0; k < L::kHorses; ++k) out += " " + Copy(l, 11 + 5 * k, 5);
  for (int k = 0; k < L::kHorses; ++k) out += " " + Copy(l, 101 + 5 * k, 5);
  for (int k = 0; k < L::kUmarenPairs; ++k) out += "   " + Copy(l, 191 + 5 * k, 5);
  return PadRight(out, L::kYozLine);
}

std::string KolYozLine(std::string_view line, bool from2005) {
  const std::string l = PadRight(line, kKolLine);
  const std::string runners = Copy(l, 110, 2);
  std::string out = Copy(l, 13, 8) + Copy(l, 1, 2) + Copy(l, 7, 6) + (l[104] == '1' ? "M" : "K") + runners;
  out.reserve(L::kYozLine);
  for (int k = 0; k < L::kHorses; ++k) out += KolField(CopyView(l, 162 + 5 * k, 5), "  50.0", L::yoz::kWinLen);
  out.append(static_cast<size_t>(L::kHorses * L::yoz::kPlaceLen), ' ');  // KOL has no place odds
  // Bracket mode follows the day loaded in the main window, not the date inside the text.
  out += KolUmarenFields(l, StrToIntLenient(runners) <= L::kFrames && !from2005);
  return PadRight(out, L::kYozLine);
}

std::optional<DayName> JrdbDay(std::string_view yymmdd) {
  if (yymmdd.size() != 6) return std::nullopt;
  return DayName::FromDateKey("20" + std::string(yymmdd));
}

std::optional<DayName> KolDay(const Lines& text) {
  if (text.empty()) return std::nullopt;
  return DayName::FromDateKey(Copy(text.front(), 13, 8));
}

bool IsYozRaceOfDay(std::string_view yozLine, const DayName& day) {
  const std::string_view race = FieldView(yozLine, L::yoz::kRaceNum);
  const int number = AllDigits(race) ? StrToIntLenient(race) : 0;
  if (FieldView(yozLine, L::yoz::kDate) != day.DateKey() || number < 1 || number > L::kRaces) return false;
  const std::string course = FieldText(yozLine, L::yoz::kCourse);
  if (FieldView(yozLine, L::yoz::kSource) == "J") return !IsBlank(CourseName(course, 2));
  static const std::string noVenue = CourseNameByDigit("");
  return CourseNameByDigit(course) != noVenue;
}

bool IsEmptyProviderText(const Lines& text) {
  return std::all_of(text.begin(), text.end(), [](const std::string& l) { return IsBlank(l); });
}

YozImportResult StoreYozFromFolder(const YozSources& sources, const fs::path& dataDir, bool from2005) {
  YozImportResult r;
  fs::path text;
  if (auto jrdb = FindFilesNoCase(sources.folder, sources.jrdbName); !jrdb.empty()) {
    r.provider = 'J';
    text = jrdb.front();
  } else if (auto kd2 = FindFilesNoCase(sources.folder, kKolKd2); !kd2.empty()) {
    r.provider = 'K';
    text = kd2.front();
  } else if (auto kd3 = FindFilesNoCase(sources.folder, kKolKd3); !kd3.empty()) {
    r.provider = 'K';
    text = kd3.front();
  } else {
    return r;
  }

  Lines lines;
  std::string error;
  const bool read = ReadLines(text, lines, &error);
  // The unpacked texts are copies of the archive's entries: they go whatever becomes of the conversion.
  if (r.provider == 'J') {
    DeleteFilesNoCase(sources.folder, sources.jrdbName);
  } else {
    DeleteFilesNoCase(sources.folder, kKolKd2);
    DeleteFilesNoCase(sources.folder, kKolKd3);
  }
  const std::string title = ProviderTitle(r.provider);
  if (!read) {
    r.outcome = YozOutcome::ReadFailed;
    r.message = title + "を読み込めませんでした。\n" + text.string() + "\n" + error;
    return r;
  }
  // An empty text names no day (the KOL name comes from its first line) and would only blank a stored day.
  if (IsEmptyProviderText(lines)) {
    r.outcome = YozOutcome::Empty;
    r.message = title + "にレースがありません。予想配当データは保存しませんでした。";
    return r;
  }
  r.day = r.provider == 'J' ? JrdbDay(sources.yymmdd) : KolDay(lines);
  if (!r.day) {
    r.outcome = YozOutcome::BadDate;
    r.message = title + "の日付が読み取れません。予想配当データは保存しませんでした。";
    return r;
  }

  Lines yoz;
  yoz.reserve(lines.size());
  for (const std::string& l : lines)
    yoz.push_back(r.provider == 'J' ? JrdbYozLine(l, sources.yymmdd) : KolYozLine(l, from2005));

  // A text of junk would otherwise replace a good file of that day with lines no race ever matches.
  if (std::none_of(yoz.begin(), yoz.end(), [&](const std::string& l) { return IsYozRaceOfDay(l, *r.day); })) {
    r.outcome = YozOutcome::NoRaceOfDay;
    r.message = title + "に" + r.day->Display() + "のレースが見つかりません。予想配当データは変更していません。";
    return r;
  }

  r.file = DayFilePath(dataDir, *r.day, L::kSuffixYoz);
  std::error_code ec;
  fs::create_directories(dataDir, ec);
  if (!SaveLines(r.file, yoz, &error)) {
    r.outcome = YozOutcome::SaveFailed;
    r.message = "予想配当データを保存できませんでした。\n" + r.file.string() + "\n" + error;
    return r;
  }
  r.outcome = YozOutcome::Saved;
  r.message = SavedMessage(r.provider, *r.day);
  return r;
}

}  // namespace corvina
