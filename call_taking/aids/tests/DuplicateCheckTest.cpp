#include <gtest/gtest.h>

#include "AidsTestRows.h"
#include "DuplicateCheck.h"

namespace cadro::aids {
namespace {

using testing::MakeRow;

TEST(DuplicateCheck, SameNormalisedPlaceAndSharedTypeWithinTheHour) {
  const IncidentRow earlier =
      MakeRow({.idx = "AB126342.101", .typ = "FIRE", .ad1 = "100 Main St", .atm = "1231"});
  const IncidentRow fresh = MakeRow({.idx = "AB126342.102",
                                     .typ = "MED+FIRE",
                                     .ad1 = "100 main street",
                                     .cty = "SPRINGFIELD",
                                     .atm = "1240"});
  const std::vector<IncidentRow> reports = {earlier, fresh};
  const auto found = FindPossibleDuplicate(fresh, reports);
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(*found, 0U);
  EXPECT_EQ(DuplicateHintText(reports[*found]),
            "Possibly the same incident as AB126342.101 (FIRE, 12:31, 100 Main St)");
}

TEST(DuplicateCheck, EachConditionAloneKeepsTheHintAway) {
  const IncidentRow fresh = MakeRow({.idx = "N1", .typ = "FIRE", .ad1 = "100 Main St", .atm = "1300"});
  const auto check = [&](const testing::RowSpec& other) {
    const std::vector<IncidentRow> reports = {MakeRow(other), fresh};
    return FindPossibleDuplicate(fresh, reports).has_value();
  };
  EXPECT_TRUE(check({.idx = "E1", .atm = "1200"}));                    // exactly 60 minutes before
  EXPECT_FALSE(check({.idx = "E1", .atm = "1159"}));                   // 61 minutes
  EXPECT_FALSE(check({.idx = "E1", .adt = "261207", .atm = "1300"}));  // same time, day before
  EXPECT_FALSE(check({.idx = "E1", .typ = "MED+LAW"}));                // no type in common
  EXPECT_FALSE(check({.idx = "E1", .ad1 = "102 Main St"}));            // other address
  EXPECT_FALSE(check({.idx = "E1", .cty = "Shelbyville"}));            // other city
  EXPECT_FALSE(check({.idx = "E1", .state = 8}));                      // deleted
  EXPECT_FALSE(check({.idx = "N1"}));                                  // the report itself
  EXPECT_FALSE(check({.idx = "E1", .adt = "", .atm = ""}));            // no valid save time
}

TEST(DuplicateCheck, TheHourReachesAcrossMidnight) {
  const IncidentRow fresh = MakeRow({.idx = "N1", .adt = "270101", .atm = "0010"});
  const std::vector<IncidentRow> reports = {MakeRow({.idx = "E1", .adt = "261231", .atm = "2330"}), fresh};
  EXPECT_TRUE(FindPossibleDuplicate(fresh, reports).has_value());
}

TEST(DuplicateCheck, NearestInTimeWinsAndEmptyAddressNeverMatches) {
  const IncidentRow fresh = MakeRow({.idx = "N1", .atm = "1300"});
  const std::vector<IncidentRow> reports = {MakeRow({.idx = "E1", .atm = "1210"}),
                                            MakeRow({.idx = "E2", .atm = "1250"}),
                                            MakeRow({.idx = "E3", .atm = "1220"}), fresh};
  EXPECT_EQ(FindPossibleDuplicate(fresh, reports), std::optional<std::size_t>(1));

  const IncidentRow noAddress = MakeRow({.idx = "N2", .ad1 = " , "});
  const std::vector<IncidentRow> blank = {MakeRow({.idx = "E4", .ad1 = ""}), noAddress};
  EXPECT_FALSE(FindPossibleDuplicate(noAddress, blank).has_value());
}

TEST(DuplicateCheck, TypesAreComparedWholeNotAsSubstrings) {
  EXPECT_TRUE(ShareEventType("MED+FIRE", "FIRE+LAW"));
  EXPECT_FALSE(ShareEventType("MED", "LAW+LGOV"));
  EXPECT_FALSE(ShareEventType("", ""));
  EXPECT_FALSE(ShareEventType("MEDX", "MED"));
}

// Files from other versions or other hands may hold types beyond the four codes. One that
// starts, ends or holds another is still another type, whichever report is the new one.
TEST(DuplicateCheck, ATypeThatIsPartOfAnotherIsAnotherTypeBothWays) {
  const struct {
    const char* a;
    const char* b;
  } pairs[] = {{"FIRE", "FIRE ALARM"},  {"MED", "MEDIC"},
               {"LAW", "OUTLAW"},       {"GOV", "LGOV"},
               {"LGOV", "XLGOVX"},      {"MED+LAW", "FIRE+LAWN"},
               {"FIRE", "LAW+FIREMAN"}, {"MED+FIRE", "MEDFIRE"},
               {"LAW", "LAW "},         {"+", "++"}};
  for (const auto& p : pairs) {
    EXPECT_FALSE(ShareEventType(p.a, p.b)) << p.a << " / " << p.b;
    EXPECT_FALSE(ShareEventType(p.b, p.a)) << p.b << " / " << p.a;
  }
  // A code shared whole is found wherever it stands in either list.
  for (const char* other : {"FIRE", "MED+FIRE", "FIRE+LAW", "MED+FIRE+LGOV", "FIRE+"}) {
    EXPECT_TRUE(ShareEventType("FIRE", other)) << other;
    EXPECT_TRUE(ShareEventType(other, "FIRE")) << other;
  }
}

}  // namespace
}  // namespace cadro::aids
