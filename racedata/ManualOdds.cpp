#include "racedata/ManualOdds.h"

#include "platform/Cp932.h"
#include "platform/Text.h"
#include "racedata/DayFiles.h"
#include "racedata/ErrorLog.h"
#include "racedata/JVMessages.h"
#include "racedata/RaceRecords.h"
#include "racedata/RacingTexts.h"
#include "racedata/RealTime.h"
#include "racedata/RecordLayout.h"

namespace corvina {

namespace L = layout;

namespace {

// A day is taken by hand on race day and the seven days after it.
constexpr long long kMaxDaysBack = 7;

std::string Colon(std::string_view hhmm) { return Copy(hhmm, 1, 2) + ":" + Copy(hhmm, 3, 2); }
std::string ColonOrEmpty(std::string_view hhmm) { return IsBlank(hhmm) ? std::string() : Colon(hhmm); }

}  // namespace

bool HasEarlyCards(const RaceTable& table) {
  static const std::string early = "1";
  for (int i = 0; i < kSlots; ++i) {
    if (FieldView(table.GRaTbl[static_cast<size_t>(i)], L::head::kDataKind) == early) return true;
    for (const std::string& se : table.GSeTbl[static_cast<size_t>(i)])
      if (FieldView(se, L::head::kDataKind) == early) return true;
  }
  return false;
}

long long DaysBefore(const DayName& loaded, const DateTime& today) {
  return DaysFromCivil(today.year, today.month, today.day) - DaysFromCivil(loaded.Year(), loaded.Month(), loaded.Day());
}

ManualOddsRefusal CheckManualOdds(const std::optional<DayName>& loaded, const DateTime& today, const RaceTable& table) {
  if (!loaded || !loaded->Valid()) return ManualOddsRefusal::NoDay;
  const long long days = DaysBefore(*loaded, today);
  if (days < 0 || days > kMaxDaysBack) return ManualOddsRefusal::NotRecent;
  if (HasEarlyCards(table)) return ManualOddsRefusal::EarlyCards;
  return ManualOddsRefusal::None;
}

std::string RefusalText(ManualOddsRefusal refusal) {
  switch (refusal) {
    case ManualOddsRefusal::None: return {};
    case ManualOddsRefusal::NoDay: return CORVINA_CP932("ﾃﾞｰﾀを読み込んでください。");
    case ManualOddsRefusal::NotRecent: return CORVINA_CP932("本日または直近日のﾃﾞｰﾀを読み込んでください。");
    case ManualOddsRefusal::EarlyCards:
      return ToCp932(
          "出走表データが最新でありません。JVデータ取得ボタンよりデータを取得してからオッズを取得してください。");
  }
  return {};
}

std::string ManualRaceLabel(std::string_view ra) {
  const std::string& kai = CORVINA_CP932("回");
  const std::string& nichi = CORVINA_CP932("日");
  return CourseName(FieldView(ra, L::head::kCourse), 2) + BlankPadNumStr(FieldView(ra, L::head::kKai)) + kai +
         BlankPadNumStr(FieldView(ra, L::head::kNichi)) + nichi + BlankPadNumStr(FieldView(ra, L::head::kRaceNum)) +
         "R";
}

std::array<std::string, 6> ManualOddsRowTexts(const DayModel& day, int slot) {
  const size_t s = static_cast<size_t>(slot);
  const std::string& ra = day.Table.GRaTbl[s];
  const RaceInfo& info = day.Races[s];
  return {ManualRaceLabel(ra),          Colon(FieldView(ra, L::ra::kPostTime)),
          ColonOrEmpty(info.OddsTime1), ColonOrEmpty(FieldView(day.Table.GO1Tbl1[s], L::o1::kAnnHHMM)),
          ColonOrEmpty(info.OddsTime2), ColonOrEmpty(FieldView(day.Table.GO1Tbl2[s], L::o1::kAnnHHMM))};
}

ManualOddsFetcher::ManualOddsFetcher(JVLink& link, DayModel& day, ExchangeGate& gate, ManualOddsUi& ui)
    : link_(link), day_(day), gate_(gate), ui_(ui) {}

int ManualOddsFetcher::FetchTickedRaces(const std::vector<bool>& ticked) {
  if (fetching_) return 0;
  bool any = false;
  for (bool t : ticked) any = any || t;
  if (!any) {
    ui_.Beep();
    ui_.Inform(CORVINA_CP932("オッズ取得するレースをチェックしてください。"));
    return 0;
  }
  const auto waitForOther = [this] {
    ui_.Beep();
    ui_.Inform(CORVINA_CP932("他のデータ取得中です。終わってからもう一度取得してください。"));
  };
  if (gate_.Busy()) {
    // The import window or an automatic exchange holds the one JV-Link control.
    waitForOther();
    return 0;
  }
  struct Running {
    ManualOddsFetcher& f;
    ~Running() {
      f.fetching_ = false;
      f.ui_.SetBusyCursor(false);
    }
  } running{*this};
  fetching_ = true;
  storeFailure_.clear();
  savedReads_ = 0;
  ui_.SetBusyCursor(true);
  const int items = static_cast<int>(ticked.size());
  ui_.SetProgress(0, items);
  int opened = 0;
  bool interrupted = false;
  for (int i = 0; i < items; ++i) {
    ui_.SetProgress(i + 1, items);
    ui_.ProcessMessages();
    if (!ticked[static_cast<size_t>(i)] || i >= kSlots) continue;
    const std::string& ra = day_.Table.GRaTbl[static_cast<size_t>(i)];
    const std::string key = FieldText(ra, L::head::kRaceKey);
    const std::string& reading = CORVINA_CP932("データ読込み中:");
    ui_.SetProgressLabel(reading + CourseName(FieldView(ra, L::head::kCourse), 2) +
                         BlankPadNumStr(FieldView(ra, L::head::kRaceNum)) + "R");
    if (gate_.Busy()) {
      // Something the message loop ran took the control: the races left wait for the user's next click.
      waitForOther();
      interrupted = true;
      break;
    }
    // Through the gate: a timer's exchange that falls due meanwhile waits for this one.
    gate_.Run([this, key] { FetchOdds("0B30", key); });
    ++opened;
  }
  if (!storeFailure_.empty()) {
    // Told once the races are done, so the label keeps it and no race's progress text hides it.
    ShowAndLogFailure(day_.AppDir, storeFailure_, [this](const std::string& shown) { ui_.SetProgressLabel(shown); });
    ui_.Beep();
    ui_.Inform(storeFailure_);
    return opened;
  }
  if (interrupted) return opened;
  ui_.SetProgress(items, items);
  // Nothing was made when no exchange was read.
  if (savedReads_ > 0) {
    ui_.Beep();
    ui_.Inform(CORVINA_CP932("データ作成が完了しました。"));
  }
  return opened;
}

void ManualOddsFetcher::FetchOdds(const std::string& dataSpec, const std::string& key) {
  const std::string& openFailed = CORVINA_CP932("JVRTOpenエラー:");
  const std::string& closeFailed = CORVINA_CP932("JVCloseエラー:");
  const int r = link_.JVRTOpen(dataSpec, key);
  if (r != 0) {
    ui_.Beep();
    ui_.Inform(openFailed + JVErrorMessage("JVRTOpen", r));
  } else {
    ReadOdds();
  }
  const int c = link_.JVClose();
  if (c != 0) {
    ui_.Beep();
    ui_.Inform(closeFailed + JVErrorMessage("JVClose", c));
  }
}

void ManualOddsFetcher::ReadOdds() {
  const std::string& readFailed = CORVINA_CP932("JVReadエラー:");
  const std::string& cannotWrite = CORVINA_CP932("データファイルに書き込めません：");
  DayFileBatch files(day_.DataDir());
  // Snapshots of kind "0" and "9" are not odds a race is judged by.
  const ReadEnd end = ReadExchange(
      link_, [this] { ui_.ProcessMessages(); }, files,
      [&](const std::string& record, std::string& error) {
        return MergeOddsRecord(files, day_.Table, record, true, error);
      },
      stored_);
  if (end.Ok()) {
    ++savedReads_;
    return;
  }
  if (end.storeFailed) {
    // The races left write the same day files: their failure would be this one again.
    if (storeFailure_.empty()) storeFailure_ = cannotWrite + ToCp932(end.error);
    return;
  }
  ui_.Beep();
  ui_.Inform(readFailed + JVErrorMessage("JVRead", end.jvRead));
}

}  // namespace corvina
