#include "analysis/ui/RacePages.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <algorithm>
#include <optional>

#include "analysis/HitJudge.h"
#include "components/ui/PrintPreview.h"
#include "platform/Cp932.h"
#include "platform/Text.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/QtText.h"
#include "racedata/RacingTexts.h"

namespace corvina::pages {

namespace {

using gui::Q;

std::string Odds(double v) { return FormatFixed(v, 5, 1); }
std::string Rank(int v) { return FormatInt(v, 2); }

const QColor kSilver(192, 192, 192);

// ---- Drawing on the preview -------------------------------------------------------------------------------

enum Style : unsigned { kRegular = 0, kBold = 1, kUnderline = 2 };
enum class Face { Gothic, PGothic };

void SetFont(PrintPreview& p, int points, unsigned style, Face face = Face::Gothic) {
  QFont f(face == Face::PGothic ? gui::kPGothic : gui::kGothic);
  f.setPointSize(points);
  f.setBold(style & kBold);
  f.setUnderline(style & kUnderline);
  // The proportional face sets kana narrower than a full em; the Linux stand-in does not, and a nine-character
  // horse name would run into the sex and age beside it.
  if (face == Face::PGothic) f.setStretch(88);
  p.PageCanvas().SetFont(f);
}

void SetPen(PrintPreview& p, int size) { p.PageCanvas().SetPenWidth(p.SizeToDevice(size)); }

void Line(PrintPreview& p, int x1, int y1, int x2, int y2) {
  p.MoveTo(x1, y1);
  p.LineTo(x2, y2);
}

// What one text item of a page shows for the race (and horse) at hand; nothing when its condition fails.
struct Context {
  const RaceInfo& info;
  const RaceCalc& calc;
  const HitNotes& notes;
  bool localOption;
  int h = 0;  // horse index of a table row
};
using Field = std::optional<std::string> (*)(const Context&);

// {x, y, literal (UTF-8) or field, size, style, face}: y is an offset from the row's top edge in a table row.
struct TextItem {
  int x, y;
  const char* literal;
  Field field;
  int size;
  unsigned style = kRegular;
  Face face = Face::Gothic;
};

void Draw(PrintPreview& p, const TextItem& item, const Context& c, int top = 0) {
  QString text;
  if (item.literal) {
    text = QString::fromUtf8(item.literal);
  } else {
    const std::optional<std::string> s = item.field(c);
    if (!s) return;
    text = Q(*s);
  }
  SetFont(p, item.size, item.style, item.face);
  p.TextOut(item.x, top + item.y, text);
}

template <size_t N>
void DrawAll(PrintPreview& p, const std::array<TextItem, N>& items, const Context& c, int top = 0) {
  for (const TextItem& item : items) Draw(p, item, c, top);
}

// ---- Fields -----------------------------------------------------------------------------------------------

std::optional<std::string> When(bool shown, std::string text) {
  return shown ? std::optional<std::string>(std::move(text)) : std::nullopt;
}

// The race's heading right of the racecourse and the race number box: date, post time, name, entries, weight rule,
// class, track and distance, black on white.
const std::array<TextItem, 8> kHeader{{
    {300, 90, nullptr, [](const Context& c) { return When(true, DateLineText(c.info)); }, 11, kBold},
    {900, 90, nullptr, [](const Context& c) { return When(true, PostTimeLineText(c.info)); }, 11, kBold},
    {300, 155, nullptr, [](const Context& c) { return When(true, c.info.RaceName); }, 10},
    {300, 200, nullptr, [](const Context& c) { return When(true, HeadCountText(c.info)); }, 10},
    {500, 200, nullptr, [](const Context& c) { return When(true, WeightRuleText(c.info.WeightRule)); }, 10},
    {800, 200, nullptr, [](const Context& c) { return When(true, PrintedClassText(c.info.ClassCode)); }, 10},
    {1100, 200, nullptr, [](const Context& c) { return When(true, TrackText(c.info.TrackCode)); }, 10},
    {1300, 200, nullptr,
     [](const Context& c) {
       const std::string d = PrintedDistanceText(c.info.Distance);
       return When(!d.empty(), d);
     },
     10},
}};

// The times of the two odds snapshots, over the table.
const std::array<TextItem, 5> kOddsTimes{{
    {100, 265, "オッズ取得時刻", nullptr, 10, kUnderline},
    {100, 310, "１回目", nullptr, 10},
    {230, 310, nullptr, [](const Context& c) { return When(true, OddsTimeText(c.info.OddsAnnounce1)); }, 10},
    {500, 310, "２回目", nullptr, 10},
    {630, 310, nullptr, [](const Context& c) { return When(true, OddsTimeText(c.info.OddsAnnounce2)); }, 10},
}};

#define H(member) c.info.member[static_cast<size_t>(c.h)]
#define K(member) c.calc.member[static_cast<size_t>(c.h)]

// The runners' table: the cells of a runner's row.
const std::array<TextItem, 22> kRowCells{{
    {157, 25, nullptr, [](const Context& c) { return When(true, CircledNumber(StrToIntLenient(H(UmaBan)))); }, 11},
    {205, 8, nullptr, [](const Context& c) { return When(true, H(HorseName)); }, 10, kRegular, Face::PGothic},
    {515, 5, nullptr, [](const Context& c) { return When(true, SexAgeText(c.info, c.h)); }, 9},
    {450, 50, nullptr, [](const Context& c) { return When(true, WeightCarriedText(H(Futan))); }, 8},
    {585, 8, nullptr, [](const Context& c) { return When(true, H(JockeyName)); }, 8},
    {585, 50, nullptr, [](const Context& c) { return When(true, H(TrainerName)); }, 8},
    {710, 45, nullptr, [](const Context& c) { return When(H(PredWinOdds) > 0, Odds(H(PredWinOdds))); }, 9},
    {810, 45, nullptr, [](const Context& c) { return When(K(RankPred) > 0, Rank(K(RankPred))); }, 9},
    {860, 45, nullptr, [](const Context& c) { return When(H(WinOdds1) > 0, Odds(H(WinOdds1))); }, 9},
    {960, 45, nullptr, [](const Context& c) { return When(K(RankOdds1) > 0, Rank(K(RankOdds1))); }, 9},
    {1040, 45, nullptr,
     [](const Context& c) {
       return When(c.info.YozMatched == 1 && c.info.Odds2Present == 0 && K(ARank) > 0, Rank(K(ARank)));
     },
     8},
    {1020, 35, nullptr, [](const Context& c) { return When(true, K(MarkAB1)); }, 12},
    {1100, 35, nullptr, [](const Context& c) { return When(true, K(MarkC1)); }, 12},
    {1170, 45, nullptr, [](const Context& c) { return When(H(WinOdds2) > 0, Odds(H(WinOdds2))); }, 9},
    {1270, 45, nullptr, [](const Context& c) { return When(K(RankOdds2) > 0, Rank(K(RankOdds2))); }, 9},
    {1350, 45, nullptr,
     [](const Context& c) {
       return When(c.info.YozMatched == 1 && c.info.Odds2Present == 1 && K(ARank) > 0, Rank(K(ARank)));
     },
     8},
    {1330, 35, nullptr, [](const Context& c) { return When(true, K(MarkAB2)); }, 12},
    {1410, 35, nullptr, [](const Context& c) { return When(true, K(MarkC2)); }, 12},
    {1485, 35, nullptr, [](const Context& c) { return When(K(ModeOneA) == 1, CORVINA_CP932("軸")); }, 12},
    {1575, 45, nullptr, [](const Context& c) { return When(H(FinishPos) > 0, Rank(H(FinishPos))); }, 9},
    {1655, 45, nullptr, [](const Context& c) { return When(H(Popularity) > 0, Rank(H(Popularity))); }, 9},
    {1725, 45, nullptr, [](const Context& c) { return When(H(FinalWinOdds) > 0, Odds(H(FinalWinOdds))); }, 9},
}};

#undef H
#undef K

// The runners' table: the labels of its header band.
const std::array<TextItem, 27> kTableHeader{{
    {105, 390, "枠", nullptr, 10},    {105, 425, "番", nullptr, 10},       {155, 390, "馬", nullptr, 10},
    {155, 425, "番", nullptr, 10},    {1490, 390, "消", nullptr, 10},      {1490, 425, "軸", nullptr, 10},
    {205, 385, "馬名", nullptr, 10},  {450, 385, "性別･馬齢", nullptr, 8}, {450, 430, "負担重量", nullptr, 8},
    {585, 388, "騎手名", nullptr, 8}, {585, 430, "調教師名", nullptr, 8},  {701, 430, "予想配当", nullptr, 7},
    {810, 430, "順", nullptr, 8},     {860, 390, " 単勝", nullptr, 8},     {855, 430, "１回目", nullptr, 8},
    {960, 430, "順", nullptr, 8},     {1020, 430, "A/B", nullptr, 8},      {1110, 430, "C", nullptr, 8},
    {1170, 390, " 単勝", nullptr, 8}, {1165, 430, "２回目", nullptr, 8},   {1275, 430, "順", nullptr, 8},
    {1335, 430, "A/B", nullptr, 8},   {1425, 430, "C", nullptr, 8},        {1610, 390, "成績結果", nullptr, 8},
    {1565, 430, "着順", nullptr, 8},  {1645, 430, "人気", nullptr, 8},     {1725, 430, "単ｵｯｽﾞ", nullptr, 8},
}};

// The axis horse's line under the tickets: its number, its first-snapshot odds and its win and place notes.
const std::array<TextItem, 4> kAxisLine{{
    {150, 2440, nullptr, [](const Context& c) { return When(true, " " + FormatInt(c.calc.AxisHorse, 2)); }, 9},
    {300, 2440, nullptr,
     [](const Context& c) {
       const int h = c.calc.AxisHorse - 1;
       const bool known = h >= 0 && h < kHorses;
       return When(known, " " + Odds(known ? c.info.WinOdds1[static_cast<size_t>(h)] : 0));
     },
     9},
    {460, 2440, nullptr, [](const Context& c) { return When(true, c.notes.win); }, 9},
    {660, 2440, nullptr, [](const Context& c) { return When(true, c.notes.place); }, 9},
}};

// ---- Sections ---------------------------------------------------------------------------------------------

void DrawHeader(PrintPreview& p, const Context& c) {
  gui::Canvas& canvas = p.PageCanvas();
  SetFont(p, 10, kBold | kUnderline);
  p.TextOut(1400, 305, QString::fromUtf8(c.localOption ? "ローカルオプション有効" : "ローカルオプション無効"));
  SetFont(p, 10, kBold);
  p.TextOut(210, 210, QStringLiteral("ﾚｰｽ"));
  SetFont(p, 20, kBold);
  p.TextOut(100, 90, Q(TrimRight(RacecourseText(c.info))));

  SetPen(p, 10);
  canvas.SetBrushColor(Qt::black);
  p.Rectangle(100, 160, 180, 240);
  const int race = RaceNumber(c.info);
  canvas.SetFontColor(Qt::white);
  p.TextOut(race >= 10 ? 105 : 120, 165, QString::number(race));

  canvas.SetFontColor(Qt::black);
  canvas.SetBrushColor(Qt::white);
  DrawAll(p, kHeader, c);
}

void DrawFramesAndOddsTimes(PrintPreview& p, const Context& c) {
  gui::Canvas& canvas = p.PageCanvas();
  canvas.SetBrushClear(true);
  SetPen(p, 5);
  p.Rectangle(210, 305, 410, 345);
  p.Rectangle(610, 305, 810, 345);
  canvas.SetBrushColor(kSilver);
  p.Rectangle(300, 1995, 600, 2035);
  canvas.SetBrushClear(true);
  SetPen(p, 1);
  Line(p, 100, 258, 1450, 258);
  DrawAll(p, kOddsTimes, c);
}

int RowTop(int e) { return 380 + 83 * e; }

void DrawTable(PrintPreview& p, Context& c, int n) {
  gui::Canvas& canvas = p.PageCanvas();
  const int bottom = 463 + 83 * n;
  SetPen(p, 20);
  canvas.SetBrushColor(kSilver);
  p.Rectangle(100, 380, 1825, 466);
  canvas.SetBrushClear(true);
  p.Rectangle(100, 380, 1825, bottom);

  SetPen(p, 5);
  for (int x : {150, 200, 580, 700, 800, 850, 950, 1000, 1080, 1160, 1260, 1310, 1390, 1470, 1550})
    Line(p, x, 380, x, bottom);
  for (int x : {1630, 1710}) Line(p, x, 420, x, 460 + 83 * n);
  Line(p, 1550, 420, 1820, 420);

  int framesBegun = 0;
  for (int e = 1; e <= n; ++e) {
    const int y = RowTop(e);
    c.h = e - 1;
    const int frame = StrToIntLenient(c.info.WakuBan[static_cast<size_t>(c.h)]);
    if (frame != framesBegun) {
      SetFont(p, 11, kRegular);
      p.TextOut(115, y + 25, QString::number(frame));
      SetPen(p, 12);
      Line(p, 100, y, 1825, y);
      p.Rectangle(110, y + 18, 140, y + 73);
      ++framesBegun;
    } else {
      SetPen(p, 1);
      Line(p, 150, y, 1825, y);
    }
    DrawAll(p, kRowCells, c, y);
  }
}

void DrawTickets(PrintPreview& p, const Context& c) {
  // The size and pen are set here, not left over from whichever row was drawn last.
  SetPen(p, 1);
  SetFont(p, 9, kUnderline);
  p.TextOut(100, 2000, QStringLiteral("買い目"));
  SetFont(p, 9, kRegular);
  p.TextOut(350, 2000, Q(c.calc.Note));
  p.TextOut(110, 2050, QStringLiteral("馬連"));
  p.TextOut(300, 2050, QStringLiteral("オッズ"));
  Line(p, 100, 2085, 850, 2085);
  for (int k = 1; k <= kTicketPlaces; ++k) {
    const size_t i = static_cast<size_t>(k);
    if (IsBlank(c.calc.Tickets[i])) continue;
    const int y = 2090 + 40 * (k - 1);
    p.TextOut(110, y, Q(c.calc.Tickets[i]));
    p.TextOut(300, y, Q(c.notes.odds[i]));
    p.TextOut(460, y, Q(c.notes.quinella[i]));
    p.TextOut(660, y, Q(c.notes.wide[i]));
  }
  Line(p, 100, 2335, 850, 2335);
  p.TextOut(110, 2400, QStringLiteral("単勝"));
  p.TextOut(300, 2400, QStringLiteral("オッズ"));
  Line(p, 100, 2435, 850, 2435);
  Line(p, 100, 2485, 850, 2485);
  if (c.calc.AxisHorse > 0) DrawAll(p, kAxisLine, c);
}

void DrawPage(PrintPreview& p, const RaceInfo& info, const RaceCalc& calc, bool localOption) {
  const HitNotes notes = MakeHitNotes(info, calc);
  Context c{info, calc, notes, localOption};
  DrawHeader(p, c);
  if (!calc.CalcHasData) return;
  DrawFramesAndOddsTimes(p, c);
  DrawTable(p, c, TableRows(info));
  DrawTickets(p, c);
  DrawAll(p, kTableHeader, c);
  SetFont(p, 9, kRegular, Face::PGothic);
}

}  // namespace

// ---- Texts ------------------------------------------------------------------------------------------------

int RaceNumber(const RaceInfo& info) { return StrToIntLenient(Copy(info.RaceKey, 15, 2)); }

std::string RacecourseText(const RaceInfo& info) { return CourseClassName(Copy(info.RaceKey, 9, 2)); }

std::string DateLineText(const RaceInfo& info) {
  const std::string& key = info.RaceKey;
  return Copy(key, 1, 4) + CORVINA_CP932("年") + FormatInt(StrToIntLenient(Copy(key, 5, 2)), 2) + CORVINA_CP932("月") +
         FormatInt(StrToIntLenient(Copy(key, 7, 2)), 2) + CORVINA_CP932("日") + Copy(RacecourseText(info), 1, 4) + " " +
         Copy(key, 12, 1) + CORVINA_CP932("回 ") + Copy(key, 14, 1) + CORVINA_CP932("日");
}

std::string PostTimeLineText(const RaceInfo& info) {
  return Copy(info.PostTime, 1, 2) + CORVINA_CP932("時") + Copy(info.PostTime, 3, 2) + CORVINA_CP932("分発走");
}

int TableRows(const RaceInfo& info) { return std::clamp(StrToIntLenient(info.EntryCount), 0, kHorses); }

std::string HeadCountText(const RaceInfo& info) {
  return FormatInt(StrToIntLenient(info.EntryCount), 2) + CORVINA_CP932("頭");
}

// The page's own rule for class and distance; RacePages.h says where and why it differs from the race card.
std::string PrintedClassText(std::string_view code) {
  return ClassText(code.empty() || code == "   " ? std::string_view("000") : code);
}

std::string PrintedDistanceText(std::string_view distance) {
  if (IsBlank(distance)) return {};
  return FormatInt(StrToIntLenient(distance), 4) + "m";
}

std::string OddsTimeText(std::string_view announce) {
  if (IsBlank(announce)) return CORVINA_CP932("　NoData");
  return CORVINA_CP932("　") + Copy(announce, 1, 2) + ":" + Copy(announce, 3, 2);
}

std::string SexAgeText(const RaceInfo& info, int h) {
  const size_t i = static_cast<size_t>(h);
  std::string sex = SexName(info.SexCode[i]);
  if (sex.empty()) sex = "  ";
  // A registration number without a year gives no age rather than the race year itself.
  const std::string birth = Copy(info.KettoNum[i], 1, 4);
  const int birthYear = StrToIntLenient(birth);
  if (birth.size() < 4 || birthYear <= 0) return sex;
  return sex + std::to_string(StrToIntLenient(Copy(info.RaceKey, 1, 4)) - birthYear);
}

std::string WeightCarriedText(std::string_view futan) {
  if (IsBlank(futan)) return {};
  return Copy(futan, 1, 2) + "." + Copy(futan, 3, 1) + "kg";
}

HitNotes MakeHitNotes(const RaceInfo& info, const RaceCalc& calc) {
  HitNotes notes;
  auto takesPart = [&](int k) { return !IsBlank(calc.Tickets[static_cast<size_t>(k)]); };
  auto mark = [&](PerTicket<std::string>& into, const std::string& comb, const std::string& note) {
    for (int k = 1; k <= kTicketPlaces; ++k)
      if (takesPart(k) && calc.Tickets[static_cast<size_t>(k)] == comb) into[static_cast<size_t>(k)] = note;
  };
  const analysis::PairPayouts quinella = analysis::QuinellaPayoutsJudged(info, calc);
  for (size_t j = 1; j <= 3; ++j) {
    mark(notes.quinella, quinella.combs[j], CORVINA_CP932("←馬連的中"));
    if (calc.AxisHorse > 0 && info.TanHorse[j] == calc.AxisHorse) notes.win = CORVINA_CP932("←単勝的中");
  }
  for (size_t j = 1; j <= 5; ++j)
    if (calc.AxisHorse > 0 && info.FukuHorse[j] == calc.AxisHorse) notes.place = CORVINA_CP932("←複勝的中");
  for (size_t j = 1; j <= 7; ++j) mark(notes.wide, info.WideComb[j], CORVINA_CP932("←ﾜｲﾄﾞ的中"));
  if (info.YozMatched == 1 && info.Odds1Present == 1) {
    for (int k = 1; k <= kTicketPlaces; ++k) {
      if (!takesPart(k)) continue;
      // A label outside the pair table has no odds rather than those of a pair that does not exist.
      const int u = UmarenStrToIndex(calc.Tickets[static_cast<size_t>(k)]);
      if (u >= 1 && u <= 153 && calc.UmarenOdds[static_cast<size_t>(u)] > 0)
        notes.odds[static_cast<size_t>(k)] = FormatFixed(calc.UmarenOdds[static_cast<size_t>(u)], 6, 1);
    }
  }
  return notes;
}

void DrawRacePages(PrintPreview& preview, const DayModel& day, int races, bool localOption) {
  const int n = std::clamp(races, 0, kSlots);
  preview.BeginDoc();
  for (int i = 0; i < n; ++i) {
    if (i > 0) preview.NewPage();
    const size_t s = static_cast<size_t>(i);
    DrawPage(preview, day.Races[s], day.Calcs[s], localOption);
  }
  preview.EndDoc();
}

}  // namespace corvina::pages
