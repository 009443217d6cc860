#include "analysis/HitReport.h"

#include <system_error>

#include "analysis/HitJudge.h"
#include "platform/Cp932.h"
#include "platform/SortedList.h"
#include "platform/Text.h"
#include "racedata/RacingTexts.h"

namespace corvina::analysis {

namespace {

const std::string& WideLabel() { return CORVINA_CP932("R[ワイド]：　"); }
const std::string& QuinellaLabel() { return CORVINA_CP932("R[馬連　]：　"); }
const std::string& PayPrefix() { return CORVINA_CP932("/配当 "); }
const std::string& Yen() { return CORVINA_CP932("円"); }
const std::string& IdeographicSpace() { return CORVINA_CP932("　"); }

const std::string kBlueFont = "<font color=\"blue\">";
const std::string kRedFont = "<font color=\"red\">";
const std::string kEndFont = "</font>";
const std::string kHighImage = "<img src=\"./image/lis1.gif\">";
const std::string kLowImage = "<img src=\"./image/lis2.gif\">";

bool HasRunnerData(const RaceInfo& info) { return StrToIntLenient(info.UmaBan[0]) >= 1; }

std::string PayText(int pay) { return PayPrefix() + FormatInt(pay, 7) + Yen(); }

const std::string& Ra(const DayModel& day, int slot) { return day.Table.GRaTbl[static_cast<size_t>(slot)]; }

template <size_t N>
void MatchEntries(int slot, const std::string& ticket, bool wide, const std::array<std::string, N>& combs,
                  const std::array<int, N>& pays, int threshold, std::vector<ReportHit>& out) {
  for (size_t j = 1; j < N; ++j) {
    if (!PresentComb(combs[j]) || Copy(combs[j], 1, 5) != ticket) continue;
    if (pays[j] > threshold) out.push_back(ReportHit{slot, wide, ticket, pays[j]});
  }
}

}  // namespace

PayClass WidePayClass(HitReportKind kind) { return {kind == HitReportKind::Longshot ? 3000 : 0, 5000}; }
PayClass QuinellaPayClass(HitReportKind kind) { return {kind == HitReportKind::Longshot ? 5000 : 0, 10000}; }

std::vector<ReportHit> FindReportHits(const DayModel& day, HitReportKind kind) {
  std::vector<ReportHit> hits;
  for (int slot = 0; slot < kSlots; ++slot) {
    const RaceInfo& info = day.Races[slot];
    if (info.HasData != 1 || !HasRunnerData(info)) continue;
    const RaceCalc& calc = day.Calcs[slot];
    for (int k = 1; k <= kTicketPlaces; ++k) {
      const std::string& ticket = calc.Tickets[k];
      if (IsBlank(ticket)) continue;
      MatchEntries(slot, ticket, true, info.WideComb, info.WidePay, WidePayClass(kind).threshold, hits);
      const PairPayouts quinella = QuinellaPayoutsJudged(info, calc);
      MatchEntries(slot, ticket, false, quinella.combs, quinella.pays, QuinellaPayClass(kind).threshold, hits);
    }
  }
  return hits;
}

const std::string& HitHeaderLine() {
  return CORVINA_CP932(
      "<br /><img src=\"./image/balist.gif\"><font color=\"black\">【コルヴィナ for JRA-VAN Data Lab.】</font>");
}

const std::string& CollectionFirstLine() { return CORVINA_CP932(" コルヴィナ for JRA-VAN Data Lab."); }

std::string HitDayLine(const DayModel& day, const ReportHit& hit, HitReportKind kind) {
  const std::string& ra = Ra(day, hit.slot);
  PayClass cls = hit.wide ? WidePayClass(kind) : QuinellaPayClass(kind);
  bool high = hit.pay >= cls.split;
  return (high ? kHighImage : kLowImage) + (high ? kRedFont : kBlueFont) + CourseName(Copy(ra, 20, 2), 2) +
         BlankPadNumStr(Copy(ra, 26, 2)) + (hit.wide ? WideLabel() : QuinellaLabel()) + hit.ticket + PayText(hit.pay) +
         IdeographicSpace() + Copy(ra, 593, 12) + kEndFont;
}

std::string HitCollectionLine(const DayModel& day, const ReportHit& hit) {
  const std::string& ra = Ra(day, hit.slot);
  return Copy(ra, 12, 4) + Copy(ra, 16, 4) + Copy(ra, 20, 2) + Copy(ra, 26, 2) +
         (hit.wide ? WideLabel() : QuinellaLabel()) + hit.ticket + PayText(hit.pay);
}

std::filesystem::path HPuploadDir(const std::filesystem::path& appDir) { return appDir / "HPupload"; }
std::filesystem::path HitCollectionPath(const std::filesystem::path& appDir) {
  return HPuploadDir(appDir) / "Manbaken.txt";
}

std::filesystem::path HitDayPath(const DayModel& day) {
  std::string date = Copy(Ra(day, 0), 12, 4) + Copy(Ra(day, 0), 16, 4);
  // The date names the file: anything but eight digits would make a name that is no day's.
  if (date.size() != 8 || date.find_first_not_of("0123456789") != std::string::npos) return {};
  return HPuploadDir(day.AppDir) / ("TK" + date + ".txt");
}

bool IsHitReportFileName(std::string_view name) {
  if (name == HitCollectionPath({}).filename().string()) return true;
  return name.size() == 14 && name.starts_with("TK") && name.ends_with(".txt") &&
         name.substr(2, 8).find_first_not_of("0123456789") == std::string_view::npos;
}

HitReportResult BuildHitReport(const DayModel& day, HitReportKind kind) {
  HitReportResult result;
  result.hitList.push_back(HitHeaderLine());
  std::vector<ReportHit> hits = FindReportHits(day, kind);
  for (const ReportHit& hit : hits) result.hitList.push_back(HitDayLine(day, hit, kind));
  if (result.hitList.size() <= 2) return result;

  std::filesystem::path dayFile = HitDayPath(day);
  if (dayFile.empty()) {
    result.errors.push_back("TK: the first race has no date");
    return result;
  }
  std::error_code ec;
  std::filesystem::create_directories(HPuploadDir(day.AppDir), ec);
  std::string error;
  if (!SaveLines(dayFile, result.hitList, &error)) {
    result.errors.push_back(dayFile.string() + ": " + error);
    return result;
  }
  result.written = true;
  result.dayFile = dayFile;

  // One locked read and rename, so the lines another process added meanwhile (another day's) are kept.
  std::filesystem::path collectionPath = HitCollectionPath(day.AppDir);
  const bool saved = UpdateFileAtomic(
      collectionPath,
      [&](std::string& bytes, bool present) {
        SortedList collection(Duplicates::Ignore);
        for (auto& line : SplitLines(bytes)) collection.Add(std::move(line));
        if (!present) collection.Add(CollectionFirstLine());
        for (const ReportHit& hit : hits) collection.Add(HitCollectionLine(day, hit));
        bytes = JoinLinesCrLf(collection.Items());
        return true;
      },
      &error);
  if (!saved) result.errors.push_back(collectionPath.string() + ": " + error);
  return result;
}

}  // namespace corvina::analysis
