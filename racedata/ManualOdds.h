#pragma once
// The manual odds window's logic: whether the loaded day may take odds by hand, the rows of its schedule grid,
// and the fetch of the real-time odds ("0B30") of the ticked races into the day's odds files, one exchange at
// a time through the main window's gate. Plain C++: the window supplies its beep, boxes, progress display and
// message loop through ManualOddsUi.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/DayName.h"
#include "platform/jvlink/JVLink.h"
#include "racedata/DayModel.h"
#include "racedata/ExchangeGate.h"

namespace corvina {

enum class ManualOddsRefusal {
  None,
  NoDay,       // "ﾃﾞｰﾀを読み込んでください。"
  NotRecent,   // "本日または直近日のﾃﾞｰﾀを読み込んでください。"
  EarlyCards,  // the early-card text; the automatic odds are switched off too
};

// Returns true when any race or runner record of the loaded day still has data kind "1" (an early card): odds may not
// be taken until newer cards are imported.
bool HasEarlyCards(const RaceTable& table);

// Days from `loaded` to `today` (negative for a day in the future).
long long DaysBefore(const DayName& loaded, const DateTime& today);

// Why the window may not open: no day (`loaded` empty), a day in the future or eight days old and older, or a
// race or runner record of data kind "1".
ManualOddsRefusal CheckManualOdds(const std::optional<DayName>& loaded, const DateTime& today, const RaceTable& table);
// The box text of a refusal (CP932); empty for None.
std::string RefusalText(ManualOddsRefusal refusal);

// The label of a race in the tick list and the grid: racecourse, meeting "回", day "日", race number "R".
std::string ManualRaceLabel(std::string_view ra);

// The six grid cells of a race slot (CP932): label, post time, first scheduled time, announcement of the first
// snapshot, second scheduled time, announcement of the latest snapshot; times as "hh:mm", empty when blank.
std::array<std::string, 6> ManualOddsRowTexts(const DayModel& day, int slot);

class ManualOddsUi {
 public:
  virtual ~ManualOddsUi() = default;
  virtual void Beep() = 0;
  virtual void Inform(const std::string& text) = 0;  // CP932
  // Lets queued window messages other than user input run.
  virtual void ProcessMessages() = 0;
  virtual void SetProgress(int position, int max) = 0;
  virtual void SetProgressLabel(const std::string& text) = 0;  // CP932
  virtual void SetBusyCursor(bool busy) = 0;
};

class ManualOddsFetcher {
 public:
  ManualOddsFetcher(JVLink& link, DayModel& day, ExchangeGate& gate, ManualOddsUi& ui);

  // Fetches the odds of the ticked items (item i = race slot i). Without a tick: a beep and
  // "オッズ取得するレースをチェックしてください。". Every item advances the progress, ticked or not. A
  // JV-Link failure is shown and the next race follows. A day file that cannot be read, saved or found (a
  // loaded race's odds file deleted, the Data folder moved away) is told once, after the races: every race's odds
  // go to the same day files, so the same failure would come back with each race left. The first such failure,
  // with the file's path, goes to the progress label and the error log and is shown with a beep. The end
  // "データ作成が完了しました。" is shown only when no save failed and some exchange was read to its end with
  // its odds saved. When another exchange holds the gate, the user is told to wait and nothing is fetched.
  // Returns the number of races whose exchange was opened.
  int FetchTickedRaces(const std::vector<bool>& ticked);

  // One exchange: JVRTOpen(dataSpec, key), the read, JVClose.
  void FetchOdds(const std::string& dataSpec, const std::string& key);

  bool Fetching() const { return fetching_; }
  int StoredCount() const { return stored_; }

 private:
  void ReadOdds();

  JVLink& link_;
  DayModel& day_;
  ExchangeGate& gate_;
  ManualOddsUi& ui_;
  bool fetching_ = false;
  int stored_ = 0;
  // Of the current FetchTickedRaces: its first store failure (CP932), and the exchanges read whole and saved.
  std::string storeFailure_;
  int savedReads_ = 0;
};

}  // namespace corvina
