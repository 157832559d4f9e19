#pragma once
// Reports that wait too long: a Ready report the link never took, a Draft nobody finished.
// Times are whole minutes since 30 December 1899, as the list's Date/Time key counts them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "IncidentList.h"
#include "Platform.h"

namespace cadro::aids {

struct AgeLimits {
  int readyMinutes = 10;
  int draftMinutes = 30;
  bool operator==(const AgeLimits&) const = default;
};
inline constexpr int kSmallestAgeLimit = 1;
inline constexpr int kLargestAgeLimit = 24 * 60;

enum class AgeMark { None, ReadyTooLong, DraftTooLong };

// The minute a report was last saved, from ADT (yymmdd) and ATM (hhmm); 0 when they hold no
// valid date and time.
std::int64_t ReportMinute(std::string_view adt, std::string_view atm);
std::int64_t MinuteOf(const LocalTime& t);

// The file keeps the save time to the minute only, so a report saved "at 12:00" may have been
// saved as late as 12:00:59. It counts as waiting over N minutes once N + 1 whole minutes have
// begun since (from 12:11:00 for N = 10): the mark then never claims more than is true.
AgeMark MarkFor(int state, std::int64_t savedMinute, std::int64_t nowMinute, const AgeLimits& limits);

struct StuckCount {
  int ready = 0;
  int draft = 0;
};
StuckCount CountStuck(const std::vector<IncidentRow>& reports, std::int64_t nowMinute,
                      const AgeLimits& limits);

// "2 waiting over 10 min", "1 draft over 30 min", both joined by ", "; "" when none.
std::string StuckText(const StuckCount& count, const AgeLimits& limits);

// The limits live in the user's own settings beside the window layout.
AgeLimits ReadAgeLimits(const SettingsStore& store, const std::string& app);
void WriteAgeLimits(SettingsStore& store, const std::string& app, const AgeLimits& limits);

}  // namespace cadro::aids
