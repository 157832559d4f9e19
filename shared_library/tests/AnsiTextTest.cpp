#include <gtest/gtest.h>

#include <iconv.h>

#include <string>

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

// Overlong forms once decoded to the plain byte they disguise, so "\xC0\xAF" became "/" in a
// host path. They, encoded surrogates and values past U+10FFFF are refused byte by byte.
TEST(AnsiText, DisguisedAndImpossibleSequencesAreRefusedByteByByte) {
  EXPECT_EQ(Utf8ToAnsi("a\xC0\xAF"
                       "b"),
            "a??b");
  EXPECT_EQ(Utf8ToAnsi("\xC0\x80"), "??");
  EXPECT_EQ(Utf8ToAnsi("\xE0\x80\xAF"), "???");
  EXPECT_EQ(Utf8ToAnsi("\xF0\x80\x80\xAF"), "????");
  EXPECT_EQ(Utf8ToAnsi("\xC1\xBF"), "??");
  EXPECT_EQ(Utf8ToAnsi("\xE0\x9F\xBF"), "???");                 // U+07FF in three bytes
  EXPECT_EQ(Utf8ToAnsi("\xF0\x8F\xBF\xBF"), "????");            // U+FFFF in four
  EXPECT_EQ(Utf8ToAnsi("\xED\xA0\x80"), "???");                 // a surrogate
  EXPECT_EQ(Utf8ToAnsi("\xF4\x90\x80\x80"), "????");            // past U+10FFFF
  EXPECT_EQ(Utf8ToAnsi("\xC2\xA0\xDF\xBF"), "\xA0?");           // the shortest two-byte forms still count
  EXPECT_EQ(Utf8ToAnsi("\xE0\xA0\x80\xF0\x90\x80\x80"), "??");  // U+0800, U+10000: no byte for them
}

// Each width of UTF-8 at its edges, and what UTF-8 cannot carry.
TEST(AnsiText, AppendUtf8EncodesEveryWidthAndRefusesWhatIsNoCharacter) {
  const auto utf8 = [](char32_t cp) {
    std::string out;
    AppendUtf8(out, cp);
    return out;
  };
  EXPECT_EQ(utf8(0x7F), "\x7F");
  EXPECT_EQ(utf8(0x80), "\xC2\x80");
  EXPECT_EQ(utf8(0x7FF), "\xDF\xBF");
  EXPECT_EQ(utf8(0x800), "\xE0\xA0\x80");
  EXPECT_EQ(utf8(0xFFFF), "\xEF\xBF\xBF");
  EXPECT_EQ(utf8(0x10000), "\xF0\x90\x80\x80");
  EXPECT_EQ(utf8(0x10FFFF), "\xF4\x8F\xBF\xBF");
  EXPECT_EQ(utf8(0x110000), "?");
  EXPECT_EQ(utf8(0xD800), "?");
  EXPECT_EQ(utf8(0xDFFF), "?");
}

// A swapped pair in the table still round-trips, so every byte is checked against the system's
// own converter, where it defines the byte.
TEST(AnsiText, EveryHighByteMeansWhatTheSystemConverterSays) {
  iconv_t cd = ::iconv_open("UTF-8", "WINDOWS-1252");
  if (cd == reinterpret_cast<iconv_t>(-1)) GTEST_SKIP() << "no WINDOWS-1252 converter installed";
  int compared = 0;
  for (int b = 0x80; b < 0x100; ++b) {
    char in[1] = {static_cast<char>(b)};
    char out[8] = {};
    char* inPtr = in;
    char* outPtr = out;
    std::size_t inLeft = 1;
    std::size_t outLeft = sizeof out;
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) continue;
    const std::string expected(out, sizeof out - outLeft);
    EXPECT_EQ(AnsiToUtf8(std::string(1, static_cast<char>(b))), expected) << "byte " << b;
    EXPECT_EQ(Utf8ToAnsi(expected), std::string(1, static_cast<char>(b))) << "byte " << b;
    ++compared;
  }
  ::iconv_close(cd);
  EXPECT_GE(compared, 123);
}
