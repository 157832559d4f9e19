#include <gtest/gtest.h>

#include "AnsiText.h"

using namespace cadro;

TEST(AnsiText, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
}

TEST(AnsiText, MapsTheWindowsSpecificRange) {
  EXPECT_EQ(AnsiToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
  EXPECT_EQ(AnsiToUtf8("\xFC"), "\xC3\xBC");      // u with diaeresis
  EXPECT_EQ(Utf8ToAnsi("\xE2\x80\x93"), "\x96");  // en dash
}

TEST(AnsiText, UnrepresentableOrMalformedBecomesQuestionMark) {
  EXPECT_EQ(Utf8ToAnsi("a\xE4\xB8\xAD"
                       "b"),
            "a?b");                                  // a CJK character
  EXPECT_EQ(Utf8ToAnsi("a\xF0\x9F\x9A\x91"), "a?");  // an emoji
  EXPECT_EQ(Utf8ToAnsi("x\xC3"), "x?");              // truncated sequence
  EXPECT_EQ(Utf8ToAnsi("\xFF\xFE"), "??");           // bytes that never start UTF-8
}
