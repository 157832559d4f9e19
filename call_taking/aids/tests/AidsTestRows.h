#pragma once
// Report rows for the aids' rule tests, as BuildIncidentRows would give them.
#include <string>

#include "IncidentList.h"

// Each case names only the fields it is about (designated initialisers); the rest keep their
// defaults on purpose.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace cadro::aids::testing {

struct RowSpec {
  std::string idx = "AB126342.101";
  int state = 6;
  std::string typ = "FIRE";
  std::string ad1 = "100 Main St";
  std::string cty = "Springfield";
  std::string adt = "261208";
  std::string atm = "1231";
  std::string iss = "Smoke";
  std::string dtl;
  std::string mid = "M101";
  std::string uid = "K6ABC";
};

inline IncidentRow MakeRow(const RowSpec& s) {
  IncidentRow r;
  r.columns = {s.idx, StateText(s.state), s.idx, s.typ, s.iss, s.ad1, s.cty, DateTimeText(s.adt, s.atm)};
  r.state = s.state;
  r.mid = s.mid;
  r.dtl = s.dtl;
  r.uid = s.uid;
  r.adt = s.adt;
  r.atm = s.atm;
  return r;
}

}  // namespace cadro::aids::testing
