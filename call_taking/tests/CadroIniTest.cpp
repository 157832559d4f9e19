// Cadrocts.ini: the bytes of a first start, reading rules, malformed lines, write failures and
// the event-number counter.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "CadroIni.h"
#include "FileIO.h"
#include "TestKit.h"

namespace cadro {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
using testing::TestServices;
using testing::WriteFileBytes;

const char* const kDefaultFile =
    "[Cadro Call Taking System]\r\n"
    "Version=3.4.5\r\n"
    "\r\n"
    "[GENERAL OPTIONS]\r\n"
    "Nam=\r\nUid=\r\nLoc=\r\nCty=\r\nLid=\r\n"
    "Eno=100\r\nLvf=10\r\nHst=127.0.0.1\r\nPrt=9334\r\nNto=5000\r\nEnc=BASE64\r\n";

struct IniFixture : ::testing::Test {
  TempDir dir;
  TestServices t;
  CadroIni ini{dir.File("Cadrocts.ini"), t.services};
};

TEST_F(IniFixture, FirstStartCreatesTheFileWithDefaultsByteForByte) {
  ini.ReadIni();
  EXPECT_EQ(ReadFileBytes(ini.path()), kDefaultFile);
  EXPECT_EQ(ini.Values(), StationSettings{});
  EXPECT_TRUE(t.prompts.shown.empty());
  EXPECT_TRUE(t.eventLog.entries.empty());
}

TEST_F(IniFixture, WritesEveryValueAndReadsItBack) {
  ini.SetValues(StationSettings{"Ann Lee", "K6ABC", "Fire Station 3", "Springfield", "FS3", 4711, 12.5F,
                                "vt.local", "9400", 12000, "NONE"});
  ASSERT_TRUE(ini.WriteIni());
  EXPECT_NE(ReadFileBytes(ini.path()).find("Lvf=12.5\r\nHst=vt.local\r\n"), std::string::npos);
  const StationSettings written = ini.Values();
  ini.ReadIni();
  EXPECT_EQ(ini.Values(), written);
}

TEST_F(IniFixture, FontSizeFollowsTheUsersDecimalSeparator) {
  t.locale.decimal = ',';
  {
    StationSettings changed = ini.Values();
    changed.Lvf = 11.5F;
    ini.SetValues(changed);
  }
  ASSERT_TRUE(ini.WriteIni());
  EXPECT_NE(ReadFileBytes(ini.path()).find("Lvf=11,5\r\n"), std::string::npos);
  ini.ReadIni();
  EXPECT_FLOAT_EQ(ini.Values().Lvf, 11.5F);
  EXPECT_EQ(FormatFontSize(10.0F, ','), "10");
}

TEST_F(IniFixture, ReadingKeepsValuesAsWrittenAndComparesKeysExactly) {
  WriteFileBytes(ini.path(),
                 "[anything]\r\n"
                 "Nam= Ann Lee \r\n"
                 "  Uid  =K6ABC\r\n"
                 "nam=ignored\r\n"
                 "Loc=a=b\r\n"
                 "Unknown=1\r\n"
                 "Cty=First\r\nCty=Second\r\n"
                 "Enc=base64\r\n"
                 "Lid=XY");  // no line end after the last line
  ini.ReadIni();
  EXPECT_EQ(ini.Values().Nam, " Ann Lee ");
  EXPECT_EQ(ini.Values().Uid, "K6ABC");
  EXPECT_EQ(ini.Values().Loc, "a=b");
  EXPECT_EQ(ini.Values().Cty, "Second");
  EXPECT_EQ(ini.Values().Enc, "base64");
  EXPECT_EQ(ini.Values().Lid, "XY");
  EXPECT_EQ(ini.Values().Eno, 100);
  EXPECT_TRUE(t.eventLog.entries.empty());
}

TEST_F(IniFixture, MalformedLinesAreSkippedWithTheDefaultKeptAndLogged) {
  WriteFileBytes(ini.path(),
                 "Eno\r\n"        // known key without "="
                 "Lvf=big\r\n"    // not a number
                 "Nto=99999\r\n"  // does not fit 16 bits
                 "Nto=-5\r\n"     // no usable time-out
                 "Eno=12x\r\n"    // trailing junk
                 "Eno=99999999999\r\n"
                 "Lvf=inf\r\n"
                 "Whatever\r\n"  // unknown word without "=": ignored silently
                 "Hst=vt\r\n");
  ini.ReadIni();
  EXPECT_EQ(ini.Values().Eno, 100);
  EXPECT_FLOAT_EQ(ini.Values().Lvf, 10.0F);
  EXPECT_EQ(ini.Values().Nto, 5000);
  EXPECT_EQ(ini.Values().Hst, "vt");
  ASSERT_EQ(t.eventLog.entries.size(), 7u);
  EXPECT_EQ(t.eventLog.entries[0].rfind("5, ", 0), 0u) << t.eventLog.entries[0];
  EXPECT_NE(t.eventLog.entries[0].find("CadroIni:ReadIni, FileName = " + ini.path() + ", Step = 3, Line = 1"),
            std::string::npos);
  EXPECT_EQ(t.eventLog.entries[1].rfind("13, ", 0), 0u);
  EXPECT_EQ(t.eventLog.entries[2].rfind("6, ", 0), 0u);
  EXPECT_TRUE(t.prompts.shown.empty());
}

TEST_F(IniFixture, EachDialogsResultChangesOnlyItsOwnValues) {
  ini.ReadIni();
  // A dialog edits a copy taken when it opened; the event number has moved on since.
  StationSettings stale = ini.Values();
  ASSERT_EQ(ini.NextEventNumber(), 100);
  stale.Hst = "VT";
  stale.Nto = 900;
  stale.Nam = "Not From The Station Dialog";
  ini.SetLinkSettings(stale);
  EXPECT_EQ(ini.Values().Eno, 101);
  EXPECT_EQ(ini.Values().Hst, "VT");
  EXPECT_EQ(ini.Values().Nto, 900);
  EXPECT_EQ(ini.Values().Nam, "");

  StationSettings identity = ini.Values();
  identity.Nam = "Ann Lee";
  identity.Eno = 300;
  identity.Hst = "ELSEWHERE";
  ini.SetIdentity(identity);
  EXPECT_EQ(ini.Values().Nam, "Ann Lee");
  EXPECT_EQ(ini.Values().Eno, 300);
  EXPECT_EQ(ini.Values().Hst, "VT");
}

// A time-out of 0 fails every delivery at once; so does one that only fits 16 bits by wrapping
// (65536 would become 0, 70000 a mere 4464). Each is skipped, and the value before it is used.
TEST_F(IniFixture, ATimeOutOfZeroOrBeyondSixteenBitsIsSkippedAndReported) {
  for (const char* bad : {"0", "+0", "-0", "00", " 0 ", "-1", "32768", "65536", "70000", "4294967296"}) {
    t.eventLog.entries.clear();
    WriteFileBytes(ini.path(), std::string("Nto=900\r\nNto=") + bad + "\r\n");
    ini.ReadIni();
    EXPECT_EQ(ini.Values().Nto, 900) << bad;
    ASSERT_EQ(t.eventLog.entries.size(), 1u) << bad;
    EXPECT_NE(t.eventLog.entries[0].find("Step = 3, Line = 2 (Nto) skipped, 900 used"), std::string::npos)
        << t.eventLog.entries[0];
    ASSERT_EQ(ini.UnreadableSettings().size(), 1u) << bad;
    EXPECT_EQ(ini.UnreadableSettings()[0],
              "Nto=" + std::string(bad) + " (line 2) could not be read; 900 is used");
  }
  for (const char* good : {"1", "32767"}) {
    WriteFileBytes(ini.path(), std::string("Nto=") + good + "\r\n");
    ini.ReadIni();
    EXPECT_EQ(ini.Values().Nto, std::stoi(good));
    EXPECT_TRUE(ini.UnreadableSettings().empty()) << good;
  }
  EXPECT_TRUE(t.prompts.shown.empty());
}

TEST_F(IniFixture, NumbersTolerateBlanksAroundThem) {
  WriteFileBytes(ini.path(), "Eno= 250 \r\nNto=+800\r\nLvf= 9.5\r\n");
  ini.ReadIni();
  EXPECT_EQ(ini.Values().Eno, 250);
  EXPECT_EQ(ini.Values().Nto, 800);
  EXPECT_FLOAT_EQ(ini.Values().Lvf, 9.5F);
}

TEST_F(IniFixture, AnUnwritableFileIsReportedOnceAndTheProgramCarriesOn) {
  ini.ReadIni();
  ASSERT_EQ(::chmod(ini.path().c_str(), 0444), 0);
  {
    StationSettings changed = ini.Values();
    changed.Nam = "Changed";
    ini.SetValues(changed);
  }
  EXPECT_FALSE(ini.WriteIni());
  EXPECT_FALSE(ini.WriteIni());
  const auto next = ini.NextEventNumber();
  ASSERT_TRUE(next.has_value());
  EXPECT_EQ(*next, 100);
  EXPECT_EQ(ini.Values().Eno, 101);
  ASSERT_EQ(t.prompts.shown.size(), 1u);
  EXPECT_NE(t.prompts.shown[0].text.find("Problems saving '" + ini.path() + "'"), std::string::npos);
  EXPECT_NE(t.prompts.shown[0].text.find("Error=70, Permission denied"), std::string::npos);
  EXPECT_EQ(t.eventLog.entries.size(), 3u);
  EXPECT_EQ(ReadFileBytes(ini.path()), kDefaultFile);
}

TEST_F(IniFixture, AFullDiskLeavesTheOldFileWhole) {
  ini.ReadIni();
  SetWriteFaultHookForTests([](std::size_t) { return false; });
  {
    StationSettings changed = ini.Values();
    changed.Eno = 555;
    ini.SetValues(changed);
  }
  EXPECT_FALSE(ini.WriteIni());
  SetWriteFaultHookForTests({});
  EXPECT_EQ(ReadFileBytes(ini.path()), kDefaultFile);
  EXPECT_EQ(t.prompts.shown.size(), 1u);
}

TEST_F(IniFixture, AMissingFolderStartsFromDefaultsWithOneReport) {
  CadroIni nowhere(dir.File("no/such/Cadrocts.ini"), t.services);
  nowhere.ReadIni();
  EXPECT_EQ(nowhere.Values(), StationSettings{});
  EXPECT_EQ(t.prompts.shown.size(), 1u);
}

TEST_F(IniFixture, NextEventNumberReturnsTheOldValueAndStoresTheNext) {
  ini.ReadIni();
  EXPECT_EQ(ini.NextEventNumber(), std::optional<std::int16_t>(100));
  EXPECT_EQ(ini.Values().Eno, 101);
  EXPECT_NE(ReadFileBytes(ini.path()).find("\r\nEno=101\r\n"), std::string::npos);
}

TEST_F(IniFixture, NextEventNumberPassesOverTakenNumbersAndWritesOnce) {
  ini.ReadIni();
  int asked = 0;
  const auto taken = [&asked](std::int16_t n) {
    ++asked;
    return n == 100 || n == 101 || n == 103;
  };
  EXPECT_EQ(ini.NextEventNumber(taken), std::optional<std::int16_t>(102));
  EXPECT_EQ(ini.Values().Eno, 103);
  EXPECT_NE(ReadFileBytes(ini.path()).find("\r\nEno=103\r\n"), std::string::npos);
  EXPECT_EQ(ini.NextEventNumber(taken), std::optional<std::int16_t>(104));
  EXPECT_EQ(asked, 5);

  // Nothing free up to 32767: reported, nothing handed out, the number left where it was.
  StationSettings changed = ini.Values();
  changed.Eno = 32760;
  ini.SetValues(changed);
  EXPECT_EQ(ini.NextEventNumber([](std::int16_t) { return true; }), std::nullopt);
  EXPECT_EQ(ini.Values().Eno, 32760);
  ASSERT_EQ(t.prompts.shown.size(), 1u);
  EXPECT_NE(t.prompts.shown[0].text.find("from 32760 to 32767"), std::string::npos);
}

TEST_F(IniFixture, NextEventNumberPast32767IsReportedNotWrapped) {
  ini.ReadIni();
  {
    StationSettings changed = ini.Values();
    changed.Eno = 32767;
    ini.SetValues(changed);
  }
  EXPECT_EQ(ini.NextEventNumber(), std::optional<std::int16_t>(32767));
  EXPECT_EQ(ini.Values().Eno, 32768);
  EXPECT_FALSE(ini.NextEventNumber().has_value());
  EXPECT_EQ(ini.Values().Eno, 32768);
  ASSERT_EQ(t.prompts.shown.size(), 1u);
  EXPECT_NE(t.prompts.shown[0].text.find("32768"), std::string::npos);
  EXPECT_NE(ReadFileBytes(ini.path()).find("\r\nEno=32768\r\n"), std::string::npos);
  {
    StationSettings changed = ini.Values();
    changed.Eno = -1;
    ini.SetValues(changed);
  }
  EXPECT_FALSE(ini.NextEventNumber().has_value());
}

}  // namespace
}  // namespace cadro
