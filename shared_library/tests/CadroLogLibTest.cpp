// The daily session log: file name, header, stamped lines, and how it gives up.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "CadroLogLib.h"
#include "TestKit.h"

using namespace cadro;
using namespace cadro::testing;

namespace {

class SessionLogTest : public ::testing::Test {
protected:
  SessionLogTest() { std::filesystem::create_directory(dir.File("logs")); }
  std::string LogFile(const std::string& yymmdd) const { return dir.File("logs/Cadro_" + yymmdd + ".log"); }

  TempDir dir;
  TestServices ts;
  SessionLog log{dir.str(), ts.services};
};

class GermanMonths final : public UserLocale {
public:
  std::string MonthAbbrev(int month) const override { return month == 12 ? "Dez" : "M\xE4r"; }
  char DecimalSeparator() const override { return ','; }
};

const std::string kRule(51, '-');

}  // namespace

TEST_F(SessionLogTest, HeaderAndEventLinesGoToTodaysFile) {
  ts.clock.now = {2026, 12, 7, 8, 30, 5};
  log.SetupLog(true);
  EXPECT_TRUE(log.Enabled());
  EXPECT_EQ(log.LogPath(), LogFile("261207"));
  ts.clock.now.second = 9;
  log.WriteLog("  Report KD7X26341 saved  ");
  EXPECT_EQ(ReadFileBytes(LogFile("261207")), kRule + "\r\n07-Dec-26 08:30:05: Cadro v3.4.5\r\n" + kRule +
                                                  "\r\n07-Dec-26 08:30:09:   Report KD7X26341 saved\r\n")
      << "the whole line is trimmed, so only the trailing spaces go";
  EXPECT_TRUE(ts.prompts.shown.empty());
}

TEST_F(SessionLogTest, RunsOfOneDayShareTheFileAndTheHeaderIsOptional) {
  ts.clock.now = {2027, 3, 1, 0, 0, 0};
  log.SetupLog(true);
  SessionLog printer(dir.str(), ts.services);
  printer.SetupLog(false);
  printer.WriteLog("printed");
  EXPECT_EQ(ReadFileBytes(LogFile("270301")), kRule + "\r\n01-Mar-27 00:00:00: Cadro v3.4.5\r\n" + kRule +
                                                  "\r\n01-Mar-27 00:00:00: printed\r\n");
}

TEST_F(SessionLogTest, SetupWithoutHeaderStillCreatesTheFile) {
  log.SetupLog(false);
  EXPECT_TRUE(log.Enabled());
  EXPECT_EQ(ReadFileBytes(log.LogPath()), "");
}

TEST_F(SessionLogTest, CrLfPairsAreRemovedLoneBreaksAreNot) {
  log.SetupLog(false);
  log.WriteLog("one\r\ntwo\r\n\r\nthree\r\n");
  EXPECT_EQ(ReadFileBytes(log.LogPath()), "07-Dec-26 08:30:05: onetwothree\r\n");
  log.WriteLog("a\rb\nc\n\r");
  EXPECT_EQ(ReadFileBytes(log.LogPath()),
            "07-Dec-26 08:30:05: onetwothree\r\n07-Dec-26 08:30:05: a\rb\nc\n\r\r\n");
}

TEST_F(SessionLogTest, StampUsesTheUsersMonthNames) {
  GermanMonths german;
  EXPECT_EQ(SessionLog::TimeStamp({2026, 12, 7, 8, 30, 5}, german), "07-Dez-26 08:30:05");
  EXPECT_EQ(SessionLog::TimeStamp({2005, 3, 9, 23, 4, 0}, german), "09-M\xE4r-05 23:04:00");
}

TEST_F(SessionLogTest, AfterMidnightTheSessionKeepsItsFile) {
  ts.clock.now = {2026, 12, 7, 23, 59, 59};
  log.SetupLog(false);
  ts.clock.now = {2026, 12, 8, 0, 0, 1};
  log.WriteLog("late");
  EXPECT_EQ(ReadFileBytes(LogFile("261207")), "08-Dec-26 00:00:01: late\r\n");
  EXPECT_FALSE(std::filesystem::exists(LogFile("261208")));
}

TEST_F(SessionLogTest, MissingLogsFolderSaysSoOnceAndNeverTouchesTheDisk) {
  std::filesystem::remove(dir.File("logs"));
  log.SetupLog(true);
  EXPECT_FALSE(log.Enabled());
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(ts.prompts.shown[0].text, "SetupLog Error 76, Path not foundCould not start Addclient logging");
  log.WriteLog("ignored");
  EXPECT_FALSE(std::filesystem::exists(dir.File("logs")));
  EXPECT_EQ(ts.prompts.shown.size(), 1u);
}

TEST_F(SessionLogTest, WriteFailureDisablesLoggingForTheRestOfTheRun) {
  log.SetupLog(false);
  std::filesystem::remove_all(dir.File("logs"));
  log.WriteLog("first");
  EXPECT_FALSE(log.Enabled());
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(
      ts.prompts.shown[0].text,
      "SetupLog Error 76, Path not found; Could not write to the session log file; disabled session logging");
  std::filesystem::create_directory(dir.File("logs"));
  log.WriteLog("second");
  EXPECT_FALSE(std::filesystem::exists(log.LogPath()));
  EXPECT_EQ(ts.prompts.shown.size(), 1u);
}
