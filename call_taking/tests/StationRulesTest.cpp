// The dialog rules the windows lean on: casing, numbers typed into boxes, twips and font bounds.
#include <gtest/gtest.h>

#include <limits>

#include "StationRules.h"

namespace cadro {
namespace {

TEST(ProperCase, CapitalisesEachWordAndLowersTheRest) {
  EXPECT_EQ(ProperCase("ann LEE"), "Ann Lee");
  EXPECT_EQ(ProperCase("  main st  nw"), "  Main St  Nw");
  EXPECT_EQ(ProperCase("o'NEIL"), "O'neil");
  EXPECT_EQ(ProperCase("\xE9milie \xC9"
                       "COLE"),
            "\xC9milie \xC9"
            "cole");  // é/É in Windows-1252
  EXPECT_EQ(ProperCase(""), "");
  // A tab parts words as a blank does.
  EXPECT_EQ(ProperCase("ann\tLEE"), "Ann\tLee");
  // The multiplication sign stands among the capitals of the code page but has no lower case.
  EXPECT_EQ(ProperCase("A\xD7"
                       "B"),
            "A\xD7"
            "b");
}

TEST(DialogNumbers, EventNumberMustBeAWholeNumberThatFits) {
  EXPECT_EQ(FormatEventNumber(100), "0100");
  EXPECT_EQ(FormatEventNumber(12345), "12345");
  EXPECT_EQ(ParseEventNumber("0100"), std::optional<std::int32_t>(100));
  EXPECT_EQ(ParseEventNumber(" 42 "), std::optional<std::int32_t>(42));
  EXPECT_EQ(ParseEventNumber("32767"), std::optional<std::int32_t>(32767));
  EXPECT_EQ(ParseEventNumber("0"), std::optional<std::int32_t>(0));
  EXPECT_EQ(ParseEventNumber("32768"), std::nullopt);
  EXPECT_EQ(ParseEventNumber("99999999999999999999"), std::nullopt);
  EXPECT_EQ(ParseEventNumber("12a"), std::nullopt);
  EXPECT_EQ(ParseEventNumber("-3"), std::nullopt);
  EXPECT_EQ(ParseEventNumber(""), std::nullopt);
}

TEST(DialogNumbers, TimeoutAndPort) {
  EXPECT_EQ(ParseTimeout("5000"), std::optional<std::int16_t>(5000));
  EXPECT_EQ(ParseTimeout("0"), std::nullopt);
  EXPECT_EQ(ParseTimeout("40000"), std::nullopt);
  EXPECT_EQ(ParseTimeout("5 s"), std::nullopt);
  EXPECT_EQ(ParsePort("9334"), std::optional<int>(9334));
  EXPECT_EQ(ParsePort("65535"), std::optional<int>(65535));
  EXPECT_EQ(ParsePort("1"), std::optional<int>(1));
  EXPECT_EQ(ParsePort("65536"), std::nullopt);
  EXPECT_EQ(ParsePort("0"), std::nullopt);
  EXPECT_EQ(ParsePort("http"), std::nullopt);
}

TEST(Layout, TwipsAndFontBounds) {
  EXPECT_EQ(TwipsToPixels(1440, 96), 96);
  EXPECT_EQ(TwipsToPixels(11235, 96), 749);
  EXPECT_EQ(PixelsToTwips(749, 96), 11235);
  EXPECT_EQ(TwipsToPixels(1, 96), 0);
  EXPECT_EQ(ClampListFont(2.0F), kSmallestListFont);
  EXPECT_EQ(ClampListFont(500.0F), kLargestListFont);
  EXPECT_EQ(ClampListFont(12.0F), 12.0F);
  // A size that is no number (a damaged settings file) gives the default, not a bound.
  EXPECT_EQ(ClampListFont(std::numeric_limits<float>::quiet_NaN()), kDefaultListFont);
  EXPECT_EQ(ClampListFont(std::numeric_limits<float>::infinity()), kDefaultListFont);
  // A screen that reports no resolution is taken as 96 dots per inch.
  EXPECT_EQ(PixelsToTwips(96, 0), 1440);
  EXPECT_EQ(PixelsToTwips(96, -1), 1440);
}

}  // namespace
}  // namespace cadro
