#include <gtest/gtest.h>

#include "AddressNormalise.h"

namespace cadro::aids {
namespace {

TEST(AddressNormalise, SpellingsOfOnePlaceCompareEqual) {
  const std::string expected = NormaliseAddress("100 N Main St");
  EXPECT_EQ(expected, "100 n main st");
  for (const char* same : {"100 North Main Street", "100 n. main st.", "  100   NORTH  MAIN   STREET ",
                           "100 N Main St,", "100 North, Main-Street", "100\tN\tMain\tSt"}) {
    EXPECT_EQ(NormaliseAddress(same), expected) << same;
  }
  EXPECT_EQ(NormaliseAddress("12 Oak Avenue"), NormaliseAddress("12 oak ave"));
  EXPECT_EQ(NormaliseAddress("7 Mill Road"), NormaliseAddress("7 MILL RD"));
  EXPECT_EQ(NormaliseAddress("9 Sunset Boulevard Apartment 4"), "9 sunset blvd apt 4");
  EXPECT_EQ(NormaliseAddress("1 Elm Ct SW"), NormaliseAddress("1 elm court southwest"));
  EXPECT_EQ(NormaliseAddress("O'Neil Pl"), NormaliseAddress("ONeil place"));
}

TEST(AddressNormalise, DifferentPlacesStayApart) {
  EXPECT_NE(NormaliseAddress("100 Main St"), NormaliseAddress("100 Main Ave"));
  EXPECT_NE(NormaliseAddress("100 Main St"), NormaliseAddress("1000 Main St"));
  EXPECT_NE(NormaliseAddress("100 N Main St"), NormaliseAddress("100 S Main St"));
  // Word parts are not shortened: "Streeter" is a name, not a street word.
  EXPECT_EQ(NormaliseAddress("5 Streeter Rd"), "5 streeter rd");
  EXPECT_EQ(NormaliseAddress(""), "");
  EXPECT_EQ(NormaliseAddress(" ,.; "), "");
}

TEST(AddressNormalise, AccentedLettersFoldLikeAscii) {
  // Windows-1252: "É" 0xC9 folds to "é" 0xE9; the multiplication sign 0xD7 is no letter.
  EXPECT_EQ(NormaliseAddress("3 \xC9tang Rd"), NormaliseAddress("3 \xE9tang road"));
  EXPECT_EQ(FoldCase("\xD7\x8A"), "\xD7\x9A");
}

}  // namespace
}  // namespace cadro::aids
