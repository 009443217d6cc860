// The races a tick of the automatic odds finds due: the minute a race falls due, the done flags, blank times; and
// the loaded cards that stop odds being taken at all.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "mainwindow/AutoOdds.h"
#include "platform/Text.h"

using namespace corvina;

namespace {

std::string KeyOfSlot(int slot) { return "20240106" + std::string("0501") + "01" + FormatZero(slot + 1, 2); }

// A day whose race slots 0..n-1 have the given schedules.
std::unique_ptr<DayModel> Schedule(const std::vector<std::pair<std::string, std::string>>& times) {
  auto day = std::make_unique<DayModel>();
  for (size_t i = 0; i < times.size(); ++i) {
    day->Table.GRaTbl[i].replace(11, 16, KeyOfSlot(static_cast<int>(i)));
    day->Races[i].OddsTime1 = times[i].first;
    day->Races[i].OddsTime2 = times[i].second;
  }
  return day;
}

}  // namespace

TEST(QueueDueRacesTest, ARaceIsDueOnlyInTheMinuteOfItsTimePlusTheDelay) {
  struct Case {
    const char* now;
    int delay;
    bool due;
  };
  const Case cases[] = {
      {"0955", 5, true}, {"0954", 5, false}, {"0956", 5, false}, {"0950", 5, false},
      {"0950", 0, true}, {"0951", 0, false}, {"1005", 15, true}, {"0950", -3, true},  // no negative delay
  };
  for (const Case& c : cases) {
    auto day = Schedule({{"0950", ""}});
    const auto keys = QueueDueRaces(*day, c.now, c.delay);
    EXPECT_EQ(keys.size(), c.due ? 1u : 0u) << c.now << " delay " << c.delay;
    EXPECT_EQ(day->GOddsTakenFirst[0], c.due ? 1 : 0) << c.now;
  }
}

TEST(QueueDueRacesTest, EachScheduledTimeIsTakenOnceAndBlankTimesNever) {
  // Slot 0: both times; 1: padded text; 2: no schedule; 3: both times in the same minute.
  auto day = Schedule({{"0950", "1130"}, {" 0950 ", ""}, {"    ", ""}, {"1220", "1220"}});
  EXPECT_EQ(QueueDueRaces(*day, "0955", 5), (std::vector<std::string>{KeyOfSlot(0), KeyOfSlot(1)}));
  EXPECT_TRUE(QueueDueRaces(*day, "0955", 5).empty()) << "the second tick in the minute";
  EXPECT_EQ(QueueDueRaces(*day, "1135", 5), std::vector<std::string>{KeyOfSlot(0)});
  EXPECT_EQ(day->GOddsTakenSecond[0], 1);
  EXPECT_EQ(QueueDueRaces(*day, "1225", 5), std::vector<std::string>{KeyOfSlot(3)});
  EXPECT_EQ(QueueDueRaces(*day, "1225", 5), std::vector<std::string>{KeyOfSlot(3)});
  EXPECT_TRUE(QueueDueRaces(*day, "1225", 5).empty()) << "two times, two takes";
  for (const char* now : {"0000", "2359", "0005"}) EXPECT_TRUE(QueueDueRaces(*day, now, 5).empty()) << now;
}

TEST(HasEarlyCardsTest, AnyRaceOrRunnerRecordOfKindOneBlocks) {
  RaceTable t;
  EXPECT_FALSE(HasEarlyCards(t));
  t.GRaTbl[0][2] = '2';
  t.GSeTbl[0][0][2] = '2';
  EXPECT_FALSE(HasEarlyCards(t));
  t.GSeTbl[35][17][2] = '1';
  EXPECT_TRUE(HasEarlyCards(t));
  RaceTable ra;
  ra.GRaTbl[20][2] = '1';
  EXPECT_TRUE(HasEarlyCards(ra));
}
