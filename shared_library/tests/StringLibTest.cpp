#include <gtest/gtest.h>

#include <string>

#include "Platform.h"
#include "StringLib.h"

using namespace cadro;

TEST(GetLine, SplitsAtCrAndDropsLfWherever) {
  std::string buf = "A\r\nB";
  EXPECT_EQ(GetLine(buf), "A");
  EXPECT_EQ(buf, "\nB");
  EXPECT_EQ(GetLine(buf), "B");
  EXPECT_EQ(buf, "");

  buf = "\rrest";
  EXPECT_EQ(GetLine(buf), "");
  EXPECT_EQ(buf, "rest");

  buf = "A\nB";
  EXPECT_EQ(GetLine(buf), "AB");
  EXPECT_EQ(buf, "");

  buf = "";
  EXPECT_EQ(GetLine(buf), "");
}

TEST(GetLines, AWholeTextAsGetLineSplitsIt) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(GetLines("a\r\nb\r\n"), (Lines{"a", "b"}));
  EXPECT_EQ(GetLines("a\r\r\nb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(GetLines("a\r\r"), (Lines{"a", ""}));
  EXPECT_EQ(GetLines("a\nb\n"), (Lines{"ab"}));
  EXPECT_EQ(GetLines("\n"), Lines{});
  EXPECT_EQ(GetLines(""), Lines{});
}

TEST(GetWord, SkipsLeadingSpacesAndKeepsTheSeparator) {
  std::string buf = "   ab cd";
  EXPECT_EQ(GetWord(buf), "ab");
  EXPECT_EQ(buf, " cd");
  EXPECT_EQ(GetWord(buf), "cd");
  EXPECT_EQ(buf, "");

  buf = "    ";
  EXPECT_EQ(GetWord(buf), "");
  EXPECT_EQ(buf, "");

  buf = "a\tb c";  // only the space separates words
  EXPECT_EQ(GetWord(buf), "a\tb");
}

TEST(GetBuffer, TakesAtMostWhatThereIs) {
  std::string buf = "0123456789";
  EXPECT_EQ(GetBuffer(77, buf), "0123456789");
  EXPECT_EQ(buf, "");
  buf = "abcdef";
  EXPECT_EQ(GetBuffer(2, buf), "ab");
  EXPECT_EQ(buf, "cdef");
  EXPECT_EQ(GetBuffer(0, buf), "");
  EXPECT_EQ(GetBuffer(-3, buf), "");
  EXPECT_EQ(buf, "cdef");
}

TEST(TrimTrailingNewlines, RemovesOnlyTheTail) {
  EXPECT_EQ(TrimTrailingNewlines("x\r\n\r\n"), "x");
  EXPECT_EQ(TrimTrailingNewlines("\r\n"), "");
  EXPECT_EQ(TrimTrailingNewlines(""), "");
  EXPECT_EQ(TrimTrailingNewlines("\r\nx\n\r"), "\r\nx");
}

TEST(GetLine, ViewSplitIsLinearOverManyLines) {
  // 10,000 report names: each call must consume its line without copying the rest.
  std::string list;
  for (int i = 0; i < 10000; ++i) list += "ABC" + std::to_string(i) + "\r\n";
  std::string_view view(list);
  int count = 0;
  std::string last;
  while (!view.empty()) {
    std::string line = GetLine(view);
    if (line.empty()) continue;
    ++count;
    last = std::move(line);
  }
  EXPECT_EQ(count, 10000);
  EXPECT_EQ(last, "ABC9999");
}

TEST(AsciiCaseAndReplace, TouchOnlyWhatTheyShould) {
  EXPECT_EQ(AsciiUpper("dirLogs \xE9"), "DIRLOGS \xE9");  // a code-page letter stays as it is
  EXPECT_EQ(AsciiUpper("abcdefghijklmnopqrstuvwxyz`{"), "ABCDEFGHIJKLMNOPQRSTUVWXYZ`{");
  EXPECT_EQ(AsciiLower("C:\\VData"), "c:\\vdata");
  EXPECT_EQ(AsciiLower("ABCDEFGHIJKLMNOPQRSTUVWXYZ@[\xC9"), "abcdefghijklmnopqrstuvwxyz@[\xC9");
  std::string text = "APP_PATH\\x;APP_PATH";
  ReplaceAll(text, "APP_PATH", "C:\\APP_PATH");  // the replacement is not scanned again
  EXPECT_EQ(text, "C:\\APP_PATH\\x;C:\\APP_PATH");
  ReplaceAll(text, "", "never");
  EXPECT_EQ(text, "C:\\APP_PATH\\x;C:\\APP_PATH");
  // A shorter text where matches touch: the search goes on right after what was put in.
  std::string breaks = "a\\n\\n\\nb\\n";
  ReplaceAll(breaks, "\\n", "");
  EXPECT_EQ(breaks, "ab");
  std::string paths = "+DATA_PATH+DATA_PATH\\x";
  ReplaceAll(paths, "+DATA_PATH", "D:");
  EXPECT_EQ(paths, "D:D:\\x");
}

// Every date and time stamp is built from these: a year must shrink to its last two digits and a
// single digit must gain its zero, or file names and report fields shift.
TEST(TwoDigits, StampFieldsAndTheClock) {
  EXPECT_EQ(TwoDigits(7), "07");
  EXPECT_EQ(TwoDigits(0), "00");
  EXPECT_EQ(TwoDigits(2026), "26");
  EXPECT_EQ(TwoDigits(2100), "00");
  LocalTime t;
  t.hour = 9;
  t.minute = 5;
  t.second = 59;
  EXPECT_EQ(t.ClockText(), "09:05:59");
}

// The day of the year stamps every saved report: a leap day counts from March on, and only in the
// years the calendar makes leap (2000 was one, 2100 will not be).
TEST(DayOfYear, LeapDaysCountFromMarchInLeapYearsOnly) {
  const auto day = [](int year, int month, int d) { return LocalTime{year, month, d, 0, 0, 0}.DayOfYear(); };
  EXPECT_EQ(day(2024, 1, 1), 1);
  EXPECT_EQ(day(2024, 2, 1), 32);
  EXPECT_EQ(day(2024, 2, 29), 60);
  EXPECT_EQ(day(2024, 3, 1), 61);
  EXPECT_EQ(day(2023, 3, 1), 60);
  EXPECT_EQ(day(2000, 3, 1), 61);
  EXPECT_EQ(day(2100, 3, 1), 60);
  EXPECT_EQ(day(2023, 12, 31), 365);
}

// Escaped bytes in the host's files are read through this: every digit at the ends of its range,
// in both cases, and the characters right beside those ranges.
TEST(HexDigitValue, EveryDigitAndNothingBesideThem) {
  const std::string digits = "0123456789abcdef";
  for (std::size_t i = 0; i < digits.size(); ++i) {
    EXPECT_EQ(HexDigitValue(digits[i]), static_cast<int>(i)) << digits[i];
    EXPECT_EQ(HexDigitValue(AsciiUpper(std::string(1, digits[i]))[0]), static_cast<int>(i)) << digits[i];
  }
  for (const char c : {'/', ':', '@', 'G', '`', 'g', ' ', '\0', '\xC1'}) EXPECT_EQ(HexDigitValue(c), -1) << c;
}
