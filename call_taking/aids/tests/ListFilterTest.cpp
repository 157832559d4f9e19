#include <gtest/gtest.h>

#include "AidsTestRows.h"
#include "ListFilter.h"

namespace cadro::aids {
namespace {

using testing::MakeRow;

TEST(ListFilter, FindsEachSearchedFieldWithoutRegardToCase) {
  const IncidentRow row = MakeRow({.idx = "AB126342.101",
                                   .typ = "MED+FIRE",
                                   .ad1 = "100 Main St",
                                   .cty = "Springfield",
                                   .iss = "Kitchen Fire",
                                   .dtl = "Caller on\\nsecond floor"});
  const std::string text = SearchText(row);
  for (const char* typed : {"ab126342", "med", "FIRE", "kitchen", "main st", "SPRINGF", "second floor",
                            "on second", "  main   kitchen "}) {
    EXPECT_TRUE(ListFilter(typed).Matches(text)) << typed;
  }
  // A tab between words parts them as a blank does (text pasted from a table).
  EXPECT_TRUE(ListFilter("kitchen\tmain").Matches(text));
  // The stored line break is a break, not the letter "n" before the next word.
  EXPECT_FALSE(ListFilter("nsecond").Matches(text));
  EXPECT_FALSE(ListFilter("\\n").Matches(text));
  EXPECT_TRUE(ListFilter("").Empty());
  EXPECT_TRUE(ListFilter("   ").Empty());
}

TEST(ListFilter, EveryWordMustAppearAndNoMatchSpansTwoFields) {
  const IncidentRow row = MakeRow({.typ = "LAW", .ad1 = "9 Oak Rd", .cty = "Salem", .iss = "Theft"});
  const std::string text = SearchText(row);
  EXPECT_FALSE(ListFilter("theft fire").Matches(text));
  EXPECT_FALSE(ListFilter("elm").Matches(text));
  // Location ends "Rd", city starts "Salem": typing across the border finds nothing.
  EXPECT_FALSE(ListFilter("rdsalem").Matches(text));
  EXPECT_TRUE(ListFilter("rd salem").Matches(text));
  // State, date and the message ID are not searched.
  EXPECT_FALSE(ListFilter("draft").Matches(text));
  EXPECT_FALSE(ListFilter("M101").Matches(text));
}

TEST(ListFilter, AccentedLettersMatchEitherCase) {
  const std::string text = SearchText(MakeRow({.ad1 = "3 \xC9tang Rd"}));
  EXPECT_TRUE(ListFilter("\xE9tang").Matches(text));
  EXPECT_TRUE(ListFilter("\xC9TANG").Matches(text));
}

}  // namespace
}  // namespace cadro::aids
