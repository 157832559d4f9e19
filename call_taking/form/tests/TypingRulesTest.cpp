#include "TypingRules.h"

#include <gtest/gtest.h>

namespace cadro::form {
namespace {

LocalTime At(int hour, int minute) {
  return LocalTime{2026, 12, 7, hour, minute, 30};
}

TEST(AllowedCharacters, EachBoxHasItsSet) {
  const auto issue = AllowedCharacters({BoxGroup::Header, 0});
  ASSERT_TRUE(issue);
  EXPECT_NE(issue->find('\''), std::string_view::npos);
  EXPECT_NE(issue->find('='), std::string_view::npos);
  EXPECT_EQ(issue->back(), ' ');
  for (int i = 1; i <= 5; ++i) {
    const auto set = AllowedCharacters({BoxGroup::Header, i});
    ASSERT_TRUE(set) << i;
    EXPECT_EQ(set->find('\''), std::string_view::npos);
    EXPECT_EQ(set->find('!'), std::string_view::npos);
    if (i != 4) EXPECT_EQ(*set, *AllowedCharacters({BoxGroup::Law, i}));
  }
  for (BoxId free :
       {BoxId{BoxGroup::Header, 6}, BoxId{BoxGroup::Header, 7}, BoxId{BoxGroup::Header, 8},
        BoxId{BoxGroup::Law, 0}, BoxId{BoxGroup::Med, 0}, BoxId{BoxGroup::Med, 1}, BoxId{BoxGroup::Fire, 0}})
    EXPECT_FALSE(AllowedCharacters(free)) << BoxObjectName(free);
  // The plate box admits the "*" its tool tip asks for; no other box does.
  EXPECT_NE(AllowedCharacters({BoxGroup::Law, 4})->find('*'), std::string_view::npos);
  EXPECT_EQ(AllowedCharacters({BoxGroup::Law, 5})->find('*'), std::string_view::npos);
  EXPECT_EQ(AllowedCharacters({BoxGroup::Header, 1})->find('*'), std::string_view::npos);
  EXPECT_TRUE(UppercasesTypedKeys({BoxGroup::Law, 4}));
  EXPECT_TRUE(UppercasesTypedKeys({BoxGroup::Law, 5}));
  EXPECT_FALSE(UppercasesTypedKeys({BoxGroup::Law, 3}));
  EXPECT_FALSE(UppercasesTypedKeys({BoxGroup::Header, 4}));
}

TEST(ProperCase, AppliesToTheNamingBoxesWhenLeft) {
  EXPECT_EQ(ProperCase("MAIN ST NW"), "Main St Nw");
  EXPECT_EQ(ProperCase("  jane  o'BRIEN-SMITH "), "  Jane  O'brien-smith ");
  EXPECT_EQ(ProperCase("S\xC3O PAULO"), "S\xE3o Paulo");  // Windows-1252 letters
  EXPECT_EQ(ProperCase("\x9Akoda \xD7\xF7"), "\x8Akoda \xD7\xF7");
  const std::array<BoxId, 8> leaving{BoxId{BoxGroup::Header, 0}, {BoxGroup::Header, 1}, {BoxGroup::Header, 2},
                                     {BoxGroup::Header, 3},      {BoxGroup::Header, 4}, {BoxGroup::Header, 8},
                                     {BoxGroup::Law, 1},         {BoxGroup::Law, 3}};
  for (BoxId b : leaving) EXPECT_TRUE(ProperCasesOnLeave(b)) << BoxObjectName(b);
  for (BoxId b : {BoxId{BoxGroup::Header, 5}, BoxId{BoxGroup::Header, 6}, BoxId{BoxGroup::Header, 7},
                  BoxId{BoxGroup::Law, 4}, BoxId{BoxGroup::Law, 2}, BoxId{BoxGroup::Med, 1}})
    EXPECT_FALSE(ProperCasesOnLeave(b)) << BoxObjectName(b);
}

TEST(LastSeenTime, MinutesBecomeAClockTimeOtherTextStays) {
  EXPECT_EQ(LastSeenTime("-15", At(14, 20)), "14:05");
  EXPECT_EQ(LastSeenTime(" 5 ", At(14, 20)), "14:25");
  EXPECT_EQ(LastSeenTime("+0", At(9, 7)), "09:07");
  EXPECT_EQ(LastSeenTime("-30", At(0, 10)), "23:40");   // across midnight backwards
  EXPECT_EQ(LastSeenTime("90", At(23, 0)), "00:30");    // and forwards
  EXPECT_EQ(LastSeenTime("-2880", At(8, 0)), "08:00");  // two days back
  EXPECT_EQ(LastSeenTime("-1.6", At(8, 0)), "07:58");
  EXPECT_EQ(LastSeenTime("14:05", At(14, 20)), "14:05");
  EXPECT_EQ(LastSeenTime("about two", At(14, 20)), "about two");
  EXPECT_EQ(LastSeenTime("", At(14, 20)), "");
  EXPECT_EQ(LastSeenTime("-", At(14, 20)), "-");
  EXPECT_EQ(LastSeenTime("5 min", At(14, 20)), "5 min");
  EXPECT_EQ(LastSeenTime("-99999999999999999999", At(14, 20)), "-99999999999999999999");
}

TEST(Details, LineBreaksTravelAsBackslashN) {
  EXPECT_EQ(DetailsForBox("Hip pain\\ncannot stand"), "Hip pain\r\ncannot stand");
  EXPECT_EQ(DetailsForBox("a\\\\nb\\"), "a\\\r\nb\\");
  EXPECT_EQ(DetailsFromBox("Hip pain\r\ncannot stand\r\n"), "Hip pain\\ncannot stand\\n");
  // A lone CR or LF must not reach the one-line field either.
  EXPECT_EQ(DetailsFromBox("a\rb\nc"), "a\\nb\\nc");
  const std::string box = "UPDATE for X/1, 2\r\nfirst\r\n\r\nthird";
  EXPECT_EQ(DetailsForBox(DetailsFromBox(box)), box);
}

}  // namespace
}  // namespace cadro::form
