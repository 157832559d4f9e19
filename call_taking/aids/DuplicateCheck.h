#pragma once
// Two callers reporting one fire: a report stored as new is compared with the reports of the
// hour around it. The result is only a hint for the operator; nothing is merged or changed.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "IncidentList.h"

namespace cadro::aids {

inline constexpr int kDuplicateWindowMinutes = 60;

// True when the "+"-joined type lists ("MED+FIRE", "FIRE") name a type in common.
bool ShareEventType(std::string_view a, std::string_view b);

// The report in `reports` that `fresh` may repeat: not `fresh` itself (same Idx), not deleted,
// saved at most an hour before or after it, with the same address and city once normalised, and
// an event type in common. Of several, the one nearest in time. Reports without an address or
// without a valid save time never match.
std::optional<std::size_t> FindPossibleDuplicate(const IncidentRow& fresh,
                                                 const std::vector<IncidentRow>& reports);

// "Possibly the same incident as AB126342.101 (FIRE, 12:31, 100 Main St)"
std::string DuplicateHintText(const IncidentRow& earlier);

}  // namespace cadro::aids
