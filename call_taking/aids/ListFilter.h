#pragma once
// The search box's rule: each word typed must appear, without regard to case, somewhere in a
// report's event ID, type, issue, location, city or details.

#include <string>
#include <string_view>
#include <vector>

#include "IncidentList.h"

namespace cadro::aids {

// The searched fields of a row, folded once when the list is built so that a keystroke only
// scans. Fields are kept apart by a byte nobody types, so no match spans two of them.
std::string SearchText(const IncidentRow& row);

class ListFilter {
public:
  ListFilter() = default;
  explicit ListFilter(std::string_view typed);

  bool Empty() const { return words_.empty(); }
  bool Matches(std::string_view searchText) const;

private:
  std::vector<std::string> words_;
};

}  // namespace cadro::aids
