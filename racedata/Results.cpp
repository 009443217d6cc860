#include "racedata/Results.h"

#include <filesystem>

#include "racedata/DayFiles.h"
#include "racedata/RaceRecords.h"
#include "racedata/RacingTexts.h"

namespace corvina {

namespace L = layout;

namespace {

// Where a payout block goes in RaceInfo.
struct PayTarget {
  const L::hr::PayBlock& block;
  int* horse;         // win / place: horse numbers [1..k], else null
  std::string* comb;  // combination labels [1..k], else null
  int* pop;
  int* pay;
};

void DecodeBlock(const std::string& hr, const PayTarget& t) {
  const auto& b = t.block;
  for (int k = 1; k <= b.entries; ++k) {
    t.pop[k] = FieldInt(hr, b.Pop(k));
    t.pay[k] = FieldInt(hr, b.Pay(k));
    if (t.horse) {
      t.horse[k] = FieldInt(hr, b.CombPart(k, 0));
      continue;
    }
    int n[3] = {0, 0, 0};
    bool allPositive = true;
    for (int p = 0; p < b.combParts; ++p) {
      n[p] = FieldInt(hr, b.CombPart(k, p));
      allPositive = allPositive && n[p] > 0;
    }
    if (!allPositive) continue;
    t.comb[k] = b.combParts == 2 ? CombLabel(n[0], n[1]) : CombLabel(n[0], n[1], n[2]);
  }
}

}  // namespace

void DecodeResults(DayModel& day, int slot) {
  if (slot < 0 || slot >= kSlots) return;
  RaceInfo& info = day.Races[slot];
  for (int h = 0; h < L::kHorses; ++h) {
    const std::string& se = day.Table.GSeTbl[slot][h];
    info.FinishPos[h] = FieldInt(se, L::se::kFinishPos);
    info.Popularity[h] = FieldInt(se, L::se::kPopularity);
    info.FinalWinOdds[h] = FieldInt(se, L::se::kFinalWinOdds) / 10.0;
  }
}

void DecodePayouts(DayModel& day, int slot) {
  if (slot < 0 || slot >= kSlots) return;
  RaceInfo& r = day.Races[slot];
  const std::string& hr = day.Table.GHrTbl[slot];
  const PayTarget targets[] = {
      {L::hr::kTan, r.TanHorse.data(), nullptr, r.TanPop.data(), r.TanPay.data()},
      {L::hr::kFuku, r.FukuHorse.data(), nullptr, r.FukuPop.data(), r.FukuPay.data()},
      {L::hr::kWakuren, nullptr, r.WakurenComb.data(), r.WakurenPop.data(), r.WakurenPay.data()},
      {L::hr::kUmaren, nullptr, r.UmarenComb.data(), r.UmarenPop.data(), r.UmarenPay.data()},
      {L::hr::kWide, nullptr, r.WideComb.data(), r.WidePop.data(), r.WidePay.data()},
      {L::hr::kUmatan, nullptr, r.UmatanComb.data(), r.UmatanPop.data(), r.UmatanPay.data()},
      {L::hr::kSanrenpuku, nullptr, r.SanrenpukuComb.data(), r.SanrenpukuPop.data(), r.SanrenpukuPay.data()},
      {L::hr::kSanrentan, nullptr, r.SanrentanComb.data(), r.SanrentanPop.data(), r.SanrentanPay.data()},
  };
  for (const auto& t : targets) DecodeBlock(hr, t);
}

void DecodeDayResults(DayModel& day) {
  for (int s = 0; s < kSlots; ++s) {
    if (IsBlank(FieldView(day.Table.GRaTbl[s], L::head::kYear))) continue;
    DecodeResults(day, s);
    DecodePayouts(day, s);
  }
}

ResultsRereadOutcome RereadResults(DayModel& day, const DayName& dayName) {
  namespace fs = std::filesystem;
  ResultsRereadOutcome out;
  RaceTable& t = day.Table;
  const fs::path dataDir = day.GRaPath.empty() ? day.DataDir() : day.GRaPath.parent_path();
  day.GHrPath = DayFilePath(dataDir, dayName, L::kSuffixHR);
  // No race shown (or a stale index): nothing can become "new" on screen.
  const bool showing = day.GCurRace >= 0 && day.GCurRace < kSlots;
  const std::string shownKey = showing ? MatchKey(t.GRaTbl[day.GCurRace]) : std::string();

  std::error_code ec;
  Lines lines;
  if (!day.GRaPath.empty() && fs::exists(day.GRaPath, ec) && ReadFixedLines(day.GRaPath, L::kRaLine, lines)) {
    std::array<std::string, kSlots> before;
    for (int s = 0; s < kSlots; ++s) before[s] = RaceKey(t.GRaTbl[s]);
    day.GRaceTotal = AssignRaceSlots(t, lines);
    for (int s = 0; s < kSlots; ++s) out.slotsChanged = out.slotsChanged || before[s] != RaceKey(t.GRaTbl[s]);
    for (int s = 0; s < day.GRaceTotal; ++s) {
      const fs::path sePath = SeFilePathBeside(day.GRaPath, FieldText(t.GRaTbl[s], L::head::kCourse));
      Lines se;
      if (!fs::exists(sePath, ec) || !ReadFixedLines(sePath, L::kSeLine, se)) continue;
      day.GSePath = sePath;
      FileRunners(t, s, se);
    }
    for (int s = 0; s < kSlots; ++s) DecodeResults(day, s);
  }

  if (fs::exists(day.GHrPath, ec) && ReadFixedLines(day.GHrPath, L::kHrLine, lines)) {
    for (auto& rec : t.GHrTbl) rec.assign(L::kHrLine, ' ');
    const size_t count = std::min(lines.size(), static_cast<size_t>(kSlots));
    for (size_t i = 0; i < count; ++i) {
      const std::string key = RaceKey(lines[i]);
      if (IsBlank(key)) continue;
      for (int s = 0; s < kSlots; ++s) {
        if (RaceKey(t.GRaTbl[s]) != key) continue;
        t.GHrTbl[s] = lines[i];
        RaceInfo& info = day.Races[s];
        if (showing && MatchKey(t.GRaTbl[s]) == shownKey && info.HasResults == 0) out.shownNew = true;
        info.HasResults = 1;
        break;
      }
    }
    for (int s = 0; s < kSlots; ++s) DecodePayouts(day, s);
  }
  return out;
}

}  // namespace corvina
