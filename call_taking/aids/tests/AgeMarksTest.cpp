#include <gtest/gtest.h>

#include "AgeMarks.h"
#include "AidsTestRows.h"
#include "TestKit.h"

namespace cadro::aids {
namespace {

using testing::MakeRow;

std::int64_t At(int hour, int minute, int day = 8) {
  return MinuteOf(LocalTime{2026, 12, day, hour, minute, 0});
}

TEST(AgeMarks, ReadyIsMarkedOnceElevenMinutesHaveBegunSinceTheSavedMinute) {
  const AgeLimits limits;  // 10 and 30
  const std::int64_t saved = ReportMinute("261208", "1200");
  EXPECT_EQ(saved, At(12, 0));
  EXPECT_EQ(MarkFor(2, saved, At(12, 10), limits), AgeMark::None);
  EXPECT_EQ(MarkFor(2, saved, At(12, 11), limits), AgeMark::ReadyTooLong);
  EXPECT_EQ(MarkFor(6, saved, At(12, 30), limits), AgeMark::None);
  EXPECT_EQ(MarkFor(6, saved, At(12, 31), limits), AgeMark::DraftTooLong);
  // Submitted, deleted and unknown states never wait; neither does a report from the future or
  // one without a valid save time.
  for (const int state : {0, 1, 8, 9}) EXPECT_EQ(MarkFor(state, saved, At(23, 0), limits), AgeMark::None);
  EXPECT_EQ(MarkFor(2, At(13, 0), At(12, 0), limits), AgeMark::None);
  EXPECT_EQ(MarkFor(2, ReportMinute("", ""), At(12, 0), limits), AgeMark::None);
  // Midnight and the turn of the year are no boundaries for the count.
  EXPECT_EQ(MarkFor(2, ReportMinute("261231", "2355"), MinuteOf(LocalTime{2027, 1, 1, 0, 6, 0}), limits),
            AgeMark::ReadyTooLong);
}

TEST(AgeMarks, StatusTextCountsBothKinds) {
  const AgeLimits limits{5, 20};
  const std::vector<IncidentRow> reports = {
      MakeRow({.idx = "A", .state = 2, .atm = "1200"}), MakeRow({.idx = "B", .state = 2, .atm = "1201"}),
      MakeRow({.idx = "C", .state = 2, .atm = "1210"}), MakeRow({.idx = "D", .state = 6, .atm = "1130"}),
      MakeRow({.idx = "E", .state = 9, .atm = "1000"})};
  const StuckCount count = CountStuck(reports, At(12, 7), limits);
  EXPECT_EQ(count.ready, 2);
  EXPECT_EQ(count.draft, 1);
  EXPECT_EQ(StuckText(count, limits), "2 waiting over 5 min, 1 draft over 20 min");
  EXPECT_EQ(StuckText({2, 0}, AgeLimits{}), "2 waiting over 10 min");
  EXPECT_EQ(StuckText({0, 3}, AgeLimits{}), "3 drafts over 30 min");
  EXPECT_EQ(StuckText({}, AgeLimits{}), "");
}

TEST(AgeMarks, LimitsLiveInTheUsersSettingsAndStayInRange) {
  cadro::testing::MemorySettingsStore store;
  EXPECT_EQ(ReadAgeLimits(store, "Cadro"), AgeLimits{});
  WriteAgeLimits(store, "Cadro", {15, 45});
  EXPECT_EQ(ReadAgeLimits(store, "Cadro"), (AgeLimits{15, 45}));
  EXPECT_EQ(store.Get("Cadro", "Settings", "StuckReadyMinutes"), std::optional<std::string>("15"));
  store.Set("Cadro", "Settings", "StuckReadyMinutes", "0");
  store.Set("Cadro", "Settings", "StuckDraftMinutes", "many");
  EXPECT_EQ(ReadAgeLimits(store, "Cadro"), (AgeLimits{1, 30}));
}

}  // namespace
}  // namespace cadro::aids
