#include "DuplicateCheck.h"

#include "AddressNormalise.h"
#include "AgeMarks.h"

namespace cadro::aids {
namespace {

constexpr int kEidColumn = 2;
constexpr int kTypeColumn = 3;
constexpr int kLocationColumn = 5;

bool HasType(std::string_view list, std::string_view type) {
  while (!list.empty()) {
    const std::size_t plus = list.find('+');
    if (list.substr(0, plus) == type) return true;
    if (plus == std::string_view::npos) break;
    list.remove_prefix(plus + 1);
  }
  return false;
}

}  // namespace

bool ShareEventType(std::string_view a, std::string_view b) {
  while (!a.empty()) {
    const std::size_t plus = a.find('+');
    const std::string_view type = a.substr(0, plus);
    if (!type.empty() && HasType(b, type)) return true;
    if (plus == std::string_view::npos) break;
    a.remove_prefix(plus + 1);
  }
  return false;
}

std::optional<std::size_t> FindPossibleDuplicate(const IncidentRow& fresh,
                                                 const std::vector<IncidentRow>& reports) {
  const std::int64_t when = ReportMinute(fresh.adt, fresh.atm);
  const std::string address = NormaliseAddress(fresh.columns[kLocationColumn]);
  if (when <= 0 || address.empty()) return std::nullopt;
  const std::string city = NormaliseAddress(fresh.columns[kCityColumn]);
  std::optional<std::size_t> best;
  std::int64_t bestGap = 0;
  for (std::size_t i = 0; i < reports.size(); ++i) {
    const IncidentRow& other = reports[i];
    if (other.state == folder::kDeleted || other.columns[kIdxColumn] == fresh.columns[kIdxColumn]) continue;
    const std::int64_t at = ReportMinute(other.adt, other.atm);
    if (at <= 0) continue;
    const std::int64_t gap = at > when ? at - when : when - at;
    if (gap > kDuplicateWindowMinutes || (best && gap >= bestGap)) continue;
    // The cheap tests first: most reports of a busy hour fail on the type or the address.
    if (!ShareEventType(fresh.columns[kTypeColumn], other.columns[kTypeColumn])) continue;
    if (!NormalisesTo(other.columns[kLocationColumn], address)) continue;
    if (!NormalisesTo(other.columns[kCityColumn], city)) continue;
    best = i;
    bestGap = gap;
  }
  return best;
}

std::string DuplicateHintText(const IncidentRow& earlier) {
  const std::string& atm = earlier.atm;
  const std::string clock = atm.size() >= 4 ? atm.substr(0, 2) + ":" + atm.substr(2, 2) : atm;
  return "Possibly the same incident as " + earlier.columns[kEidColumn] + " (" +
         earlier.columns[kTypeColumn] + ", " + clock + ", " + earlier.columns[kLocationColumn] + ")";
}

}  // namespace cadro::aids
