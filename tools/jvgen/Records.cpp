// The records of a generated day, each exactly its layout length, in CP932.
#include <cmath>
#include <stdexcept>

#include "platform/Clock.h"
#include "platform/Text.h"
#include "tools/jvgen/Generator.h"
#include "tools/jvgen/Payouts.h"
#include "tools/jvgen/Rng.h"

namespace corvina::jvgen {

namespace L = layout;

namespace {

void Put(std::string& rec, L::Field f, std::string_view text) {
  // A wrong width here is a bug in the generator; it must never shift the fields after it.
  if (static_cast<int>(text.size()) != f.len || f.End() > static_cast<int>(rec.size()))
    throw std::logic_error("field width mismatch at " + std::to_string(f.pos));
  rec.replace(static_cast<size_t>(f.pos - 1), static_cast<size_t>(f.len), text);
}

void PutNum(std::string& rec, L::Field f, long long v) { Put(rec, f, FormatZero(v, f.len)); }

DateTime DayStart(const DayName& d) {
  DateTime t;
  t.year = d.Year();
  t.month = d.Month();
  t.day = d.Day();
  return t;
}

std::string DateOffset(const DayName& d, int days) {
  return AddSeconds(DayStart(d), static_cast<long long>(days) * 86400).DateKey();
}

std::string Head(std::string_view kind, char dataKind, const std::string& created, const Day& day, const Race& race,
                 int length) {
  std::string rec(static_cast<size_t>(length), ' ');
  Put(rec, L::head::kKind, kind);
  Put(rec, L::head::kDataKind, std::string(1, dataKind));
  Put(rec, L::head::kCreated, created);
  Put(rec, L::head::kDateKey, day.date.DateKey());
  Put(rec, L::head::kCourse, race.course);
  PutNum(rec, L::head::kKai, race.kai);
  PutNum(rec, L::head::kNichi, race.nichi);
  PutNum(rec, L::head::kRaceNum, race.num);
  return rec;
}

// Odds in tenths as a field: the withdrawal markers "----" / "****" or the zero-padded number.
std::string OddsText(int tenths, int width) {
  if (tenths == -1) return std::string(static_cast<size_t>(width), '-');
  if (tenths == -2) return std::string(static_cast<size_t>(width), '*');
  return FormatZero(tenths, width);
}

// Strengths at a snapshot: each horse drifts from its morning value towards its final one.
std::vector<double> SnapshotStrengths(const Day& day, const Race& race, size_t index, size_t count) {
  double remaining = count <= 1 ? 0.0 : static_cast<double>(count - 1 - index) / static_cast<double>(count - 1);
  Rng rng(day.options.seed * 7919 + static_cast<std::uint64_t>(std::stoull(race.VenueRaceKey())));
  std::vector<double> s;
  for (const Runner& r : race.runners) {
    double drift = rng.Real() - 0.5;
    s.push_back(r.strength * std::exp(drift * remaining));
  }
  return s;
}

}  // namespace

std::string RaRecord(const Day& day, const Race& race, Stage stage) {
  const bool result = stage == Stage::Result;
  std::string rec = Head(L::kKindRA, result ? day.options.resultKind : day.options.cardKind,
                         result ? day.date.DateKey() : DateOffset(day.date, -2), day, race, L::kRaLine);
  Put(rec, L::ra::kRaceName, race.name);
  Put(rec, L::ra::kRaceName6, race.name6);
  Put(rec, L::ra::kRaceNameShort, race.name3);
  Put(rec, L::ra::kGradeCode, std::string(1, race.grade));
  Put(rec, L::ra::kWeightRule, std::string(1, race.weightRule));
  Put(rec, L::ra::kClassCode, race.classCode);
  PutNum(rec, L::ra::kDistance, race.distance);
  Put(rec, L::ra::kTrackCode, race.track);
  Put(rec, L::ra::kPostTime, race.PostTime());
  PutNum(rec, L::ra::kEntryCount, race.entriesField);
  return rec;
}

std::string SeRecord(const Day& day, const Race& race, const Runner& r, Stage stage) {
  const bool result = stage == Stage::Result;
  std::string rec = Head(L::kKindSE, result ? day.options.resultKind : day.options.cardKind,
                         result ? day.date.DateKey() : DateOffset(day.date, -2), day, race, L::kSeLine);
  PutNum(rec, L::se::kWakuBan, r.waku);
  PutNum(rec, L::se::kUmaBan, r.umaban);
  Put(rec, L::se::kKettoNum, r.kettoNum);
  Put(rec, L::se::kHorseName, r.name);
  Put(rec, L::se::kSexCode, std::string(1, r.sex));
  PutNum(rec, L::se::kAge, r.age);
  Put(rec, L::se::kTrainerCode, r.trainerCode);
  Put(rec, L::se::kTrainerName, r.trainerName);
  PutNum(rec, L::se::kFutan, r.futan);
  Put(rec, L::se::kJockeyCode, r.jockeyCode);
  Put(rec, L::se::kJockeyName, r.jockeyName);
  PutNum(rec, L::se::kFinishPos, result ? r.finish : 0);
  PutNum(rec, L::se::kFinalWinOdds, result ? r.finalOdds : 0);
  PutNum(rec, L::se::kPopularity, result ? r.popularity : 0);
  return rec;
}

std::string HrRecord(const Day& day, const Race& race, char kind) {
  std::string rec = Head(L::kKindHR, kind, day.date.DateKey(), day, race, L::kHrLine);
  for (size_t b = 0; b < L::hr::kBlocks.size(); ++b) {
    const L::hr::PayBlock& block = L::hr::kBlocks[b];
    const auto& entries = race.pays[b];
    for (size_t e = 0; e < entries.size() && static_cast<int>(e) < block.entries; ++e) {
      int k = static_cast<int>(e) + 1;
      for (int part = 0; part < block.combParts; ++part)
        PutNum(rec, block.CombPart(k, part), entries[e].comb[static_cast<size_t>(part)]);
      PutNum(rec, block.Pay(k), entries[e].pay);
      PutNum(rec, block.Pop(k), entries[e].pop);
    }
  }
  return rec;
}

std::vector<Snapshot> Snapshots(const Day& day, const Race& race) {
  std::vector<Snapshot> out;
  const char interim = day.options.oddsKind ? day.options.oddsKind : '1';
  const char last = day.options.oddsKind ? day.options.oddsKind : '3';
  for (int hour = 18; hour <= 21; ++hour) out.push_back({-1, hour * 60, interim});
  int step = std::max(1, day.options.seriesStep);
  for (int m = 7 * 60; m < race.postMinute; m += step) out.push_back({0, m, interim});
  out.push_back({0, race.postMinute, last});
  return out;
}

static std::string OddsHead(std::string_view kind, const Day& day, const Race& race, const Snapshot& snap, int length) {
  std::string date = DateOffset(day.date, snap.dayOffset);
  std::string rec = Head(kind, snap.kind, date, day, race, length);
  Put(rec, L::o1::kAnnounce, date.substr(4, 4) + FormatZero(snap.minute / 60, 2) + FormatZero(snap.minute % 60, 2));
  return rec;
}

static OddsBoard BoardAt(const Day& day, const Race& race, const Snapshot& snap) {
  std::vector<Snapshot> all = Snapshots(day, race);
  size_t index = 0;
  while (index + 1 < all.size() && (all[index].dayOffset != snap.dayOffset || all[index].minute != snap.minute))
    ++index;
  return MakeBoard(race, SnapshotStrengths(day, race, index, all.size()));
}

std::string O1Record(const Day& day, const Race& race, const Snapshot& snap) {
  std::string rec = OddsHead(L::kKindO1, day, race, snap, L::kO1Line);
  OddsBoard b = BoardAt(day, race, snap);
  const int n = static_cast<int>(race.runners.size());
  for (int h = 0; h < n && h < L::kHorses; ++h) {
    int horse = h + 1;
    PutNum(rec, L::o1::WinHorse(h), horse);
    Put(rec, L::o1::WinOdds(h), OddsText(b.win[horse], 4));
    Put(rec, L::o1::WinPop(h), b.win[horse] > 0 ? FormatZero(b.winPop[horse], 2) : "  ");
    PutNum(rec, L::o1::PlaceHorse(h), horse);
    Put(rec, L::o1::PlaceOddsLow(h), OddsText(b.placeLow[horse], 4));
    Put(rec, L::o1::PlaceOddsHigh(h), OddsText(b.placeHigh[horse], 4));
    Put(rec, L::o1::PlacePop(h), b.win[horse] > 0 ? FormatZero(b.winPop[horse], 2) : "  ");
  }
  for (int a = 1; a <= L::kFrames; ++a)
    for (int c = a; c <= L::kFrames; ++c) {
      int w = FramePairIndex(a, c);
      if (b.waku[w] == 0) continue;  // a pair no two horses make is not sold: blank entry
      Put(rec, L::o1::WakurenComb(w), std::to_string(a) + std::to_string(c));
      Put(rec, L::o1::WakurenOdds(w), OddsText(b.waku[w], 5));
      Put(rec, L::o1::WakurenPop(w), b.waku[w] > 0 ? FormatZero(b.wakuPop[w], 2) : "  ");
    }
  return rec;
}

std::string O2Record(const Day& day, const Race& race, const Snapshot& snap) {
  std::string rec = OddsHead(L::kKindO2, day, race, snap, L::kO2Line);
  OddsBoard b = BoardAt(day, race, snap);
  for (int i = 1; i <= L::kHorses; ++i)
    for (int j = i + 1; j <= L::kHorses; ++j) {
      int k = PairIndex(i, j);
      if (b.umaren[k] == 0) continue;
      Put(rec, L::o2::UmarenComb(k), FormatZero(i, 2) + FormatZero(j, 2));
      Put(rec, L::o2::UmarenOdds(k), OddsText(b.umaren[k], 6));
      Put(rec, L::o2::UmarenPop(k), b.umaren[k] > 0 ? FormatZero(b.umarenPop[k], 3) : "   ");
    }
  return rec;
}

}  // namespace corvina::jvgen
