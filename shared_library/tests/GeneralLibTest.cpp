// The key filter of the text boxes and the line wrapper of the outgoing message.
#include <gtest/gtest.h>

#include <string>

#include "GeneralLib.h"
#include "TestKit.h"

using namespace cadro;
using namespace cadro::testing;

TEST(FilterKey, AdmitsAllowedCharactersInEitherCaseAndBeepsOtherwise) {
  ScriptedPrompts prompts;
  EXPECT_EQ(FilterKey('a', "ABC", false, prompts), 'a');
  EXPECT_EQ(FilterKey('B', "abc", false, prompts), 'B');
  EXPECT_EQ(FilterKey('5', "0123456789", false, prompts), '5');
  EXPECT_EQ(prompts.beeps, 0);
  EXPECT_EQ(FilterKey('d', "abc", true, prompts), 0);
  EXPECT_EQ(prompts.beeps, 1);
  EXPECT_EQ(FilterKey(0xE9, "\xC9", false, prompts), 0xE9) << "e acute matches E acute";
  EXPECT_EQ(FilterKey(0xFF, "\x9F", false, prompts), 0xFF);
  EXPECT_EQ(FilterKey(0xF7, "\xD7", false, prompts), 0) << "division sign is not a letter";
  EXPECT_EQ(prompts.beeps, 2);
}

TEST(FilterKey, BackspaceAndControlKeys) {
  ScriptedPrompts prompts;
  EXPECT_EQ(FilterKey(8, "0123456789", true, prompts), 8);
  EXPECT_EQ(FilterKey(8, "0123456789", false, prompts), 0);
  EXPECT_EQ(FilterKey(13, "0123456789", true, prompts), 0) << "Enter is refused unless listed";
  EXPECT_EQ(FilterKey(13, "0123456789\r", true, prompts), 13);
  EXPECT_EQ(FilterKey(0x1234, "abc", true, prompts), 0) << "not an ANSI character";
  EXPECT_EQ(FilterKey(-1, std::string(1, '\xFF'), true, prompts), 0);
  EXPECT_EQ(prompts.beeps, 4);
}

TEST(WrapLines, KeepsLinesUpTo78AndBreaksLongerOnesAt77WithEquals) {
  const std::string l78(78, 'a');
  EXPECT_EQ(WrapLines(l78), l78);
  const std::string l79 = std::string(77, 'b') + "cd";
  EXPECT_EQ(WrapLines(l79), std::string(77, 'b') + "=\r\ncd");
  // An exact multiple of 77 ends with a piece that carries "=" too.
  const std::string l154(154, 'e');
  EXPECT_EQ(WrapLines(l154), std::string(77, 'e') + "=\r\n" + std::string(77, 'e') + "=");
}

TEST(WrapLines, KeepsEmptyLinesButNotTheTrailingBreak) {
  EXPECT_EQ(WrapLines("TYPE=MED\r\n\r\nLOC1=Main\r\n"), "TYPE=MED\r\n\r\nLOC1=Main");
  EXPECT_EQ(WrapLines(""), "");
  EXPECT_EQ(WrapLines("\r\n\r\n"), "");
}

TEST(WrapLines, LfAloneIsNoLineBreak) {
  const std::string text = std::string(50, 'x') + "\n" + std::string(50, 'y');
  EXPECT_EQ(WrapLines(text), std::string(50, 'x') + std::string(27, 'y') + "=\r\n" + std::string(23, 'y'));
}
