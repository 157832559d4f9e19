#include <gtest/gtest.h>

#include "Notes.h"

using namespace cadro;

TEST(NoteRecord, LevelBeforeTheFirstBarMessageAfterIt) {
  auto r = ParseNoteRecord("2|Hello|World", '.');
  ASSERT_TRUE(r);
  EXPECT_EQ(r->level, 2);
  EXPECT_EQ(r->message, "Hello|World");
  EXPECT_EQ(ParseNoteRecord("0|zero", '.')->level, 0);
  EXPECT_EQ(ParseNoteRecord("-1|minus", '.')->level, -1);
  EXPECT_EQ(ParseNoteRecord(" 3 |spaced", '.')->level, 3);
  EXPECT_EQ(ParseNoteRecord("2,5|comma", ',')->level, 2);
  EXPECT_EQ(ParseNoteRecord("7|", '.')->message, "");
  // Backslash-n is a line break, also in the level part before the split.
  EXPECT_EQ(ParseNoteRecord("1|line one\\nline two", '.')->message, "line one\r\nline two");
  EXPECT_FALSE(ParseNoteRecord("1\\n|x", '.'));
}

TEST(NoteRecord, WhatIsNoRecord) {
  for (const char* bad :
       {"no bar at all", "x|not a level", "|empty level", "40000|too big", "1 2|two numbers"}) {
    EXPECT_FALSE(ParseNoteRecord(bad, '.')) << bad;
  }
}

TEST(NoteRecord, DisplayLine) {
  EXPECT_EQ(DisplayLine("12/7/26 8:30:05 AM", -1, "Hi"), "12/7/26 8:30:05 AM -- (N-1) Hi");
}

TEST(NoteLog, TheTextIsCutBeforeALineIsAddedToAnOverlongText) {
  NoteLog log;
  const std::string line(8190, 'a');  // with CR LF: 8192 characters, not yet over the limit
  log.Add(line);
  ASSERT_EQ(log.Text().size(), 8192u);
  log.Add("b");
  EXPECT_EQ(log.Text().size(), 8192u + 3);  // no cut at exactly 8192
  log.Add("c");                             // 8195 > 8192: the first 4095 characters go
  EXPECT_EQ(log.Text().size(), 8195u - 4095u + 3u);
  EXPECT_EQ(log.Text().substr(log.Text().size() - 6), "b\r\nc\r\n");
  EXPECT_EQ(log.Count(), 3);
  EXPECT_EQ(log.CountText(), "Notifications Logged: 3");
}

TEST(NoteLog, TheCounterStopsAt32767) {
  NoteLog log;
  for (int i = 0; i < 32770; ++i) log.Add("x");
  EXPECT_EQ(log.Count(), 32767);
  EXPECT_LT(log.Text().size(), 8192u + 8u);
}
