#include <gtest/gtest.h>

#include <random>

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

// The duplicate check asks NormalisesTo of every report of the hour instead of building each
// one's normal form; the two must never disagree, whatever the text and whatever it is held to.
TEST(AddressNormalise, NormalisesToAgreesWithTheNormalFormForAnyTexts) {
  static const char* const kPieces[] = {
      "100",      "1000",   "N",     "north",    "NORTH",    "Main", "main",   "St", "st.", "Street",
      "Streeter", "O'Neil", "ONeil", "\xC9tang", "\xE9tang", "ave",  "Avenue", "s",  "SW",  "southwest"};
  static const char* const kGaps[] = {" ", "  ", ", ", "-", "\t", ".", " . ", ";"};
  const auto address = [](std::mt19937& rng) {
    std::string a = rng() % 4 == 0 ? " " : "";
    const std::size_t words = rng() % 5;
    for (std::size_t w = 0; w < words; ++w) {
      if (w > 0) a += kGaps[rng() % std::size(kGaps)];
      a += kPieces[rng() % std::size(kPieces)];
    }
    if (rng() % 4 == 0) a += kGaps[rng() % std::size(kGaps)];
    return a;
  };
  for (unsigned seed = 1; seed <= 3000; ++seed) {
    std::mt19937 rng(seed);
    const std::string a = address(rng);
    // Held to another address's normal form, to its own, or to a form no address has.
    std::string held = NormaliseAddress(rng() % 3 == 0 ? a : address(rng));
    switch (rng() % 5) {
      case 0: held += ' '; break;
      case 1: held.insert(0, " "); break;
      case 2:
        if (!held.empty()) held.pop_back();
        break;
      default: break;
    }
    ASSERT_EQ(NormalisesTo(a, held), NormaliseAddress(a) == held)
        << "seed " << seed << ": '" << a << "' held to '" << held << "'";
    ASSERT_TRUE(NormalisesTo(a, NormaliseAddress(a))) << "seed " << seed;
  }
}

}  // namespace
}  // namespace cadro::aids
