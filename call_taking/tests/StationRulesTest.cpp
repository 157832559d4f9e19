// The dialog rules the windows lean on: casing, numbers typed into boxes, twips and font bounds.
#include <gtest/gtest.h>

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
}

TEST(DialogNumbers, EventNumberMustBeAWholeNumberThatFits) {
  EXPECT_EQ(FormatEventNumber(100), "0100");
  EXPECT_EQ(FormatEventNumber(12345), "12345");
  EXPECT_EQ(ParseEventNumber("0100"), std::optional<std::int32_t>(100));
  EXPECT_EQ(ParseEventNumber(" 42 "), std::optional<std::int32_t>(42));
  EXPECT_EQ(ParseEventNumber("32767"), std::optional<std::int32_t>(32767));
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
  EXPECT_EQ(ParsePort("65536"), std::nullopt);
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
}

}  // namespace
}  // namespace cadro
