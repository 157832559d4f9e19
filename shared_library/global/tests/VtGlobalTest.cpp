#include "VtGlobal.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "RunError.h"
#include "TestKit.h"

namespace cadro {
namespace {

using testing::ReadFileBytes;
using testing::RecordingEventLog;
using testing::TempDir;
using testing::WriteFileBytes;

constexpr const char* kDefaultsText =
    "[GENERAL VARIABLES]\r\nVersion=3.4.5\r\nUseGlobalMsgNum=1\r\nProfSave=1\r\n\r\n"
    "[LOCAL PRINTER]\r\nPrinterName=Office\r\nPtrOrient=1\r\nPtrCopies=1\r\nPtrDuplex=1\r\n"
    "FolderLabels=Folder 1|Folder 2|Folder 3|Folder 4|Folder 5\r\nLstFontSize=9\r\n";

struct VtGlobalTest : ::testing::Test {
  TempDir dir;
  std::string path = dir.File("Vantrel.glo");
  RecordingEventLog log;
};

TEST_F(VtGlobalTest, MissingFileIsWrittenAtOnceWithTheDefaults) {
  VtGlobal glo(path, "3.4.5", "Office", log);
  EXPECT_EQ(ReadFileBytes(path), kDefaultsText);
  EXPECT_FALSE(glo.Dirty());
  EXPECT_TRUE(log.entries.empty());
}

TEST_F(VtGlobalTest, NoPrinterGivesNoPrintersDefined) {
  { VtGlobal glo(path, "3.4.5", "", log); }
  EXPECT_NE(ReadFileBytes(path).find("\r\nPrinterName=No Printers Defined\r\n"), std::string::npos);
}

// Only a printer that is gone is replaced, by the one in use; "No Printers Defined" stands for
// none installed and is gone once printers are.
TEST_F(VtGlobalTest, APrinterNoLongerInstalledGivesWayToTheOneInUse) {
  struct Case {
    std::string stored;
    std::vector<std::string> installed;
    std::string used, expected;
  };
  const std::vector<Case> cases = {
      {"Gone", {"Office", "Lab"}, "Lab", "Lab"},
      {"Office", {"Office", "Lab"}, "Lab", "Office"},
      {"office", {"Office"}, "Office", "Office"},  // a name differing in case is another printer
      {"Gone", {}, "", "No Printers Defined"},
      {"No Printers Defined", {}, "", "No Printers Defined"},
      {"No Printers Defined", {"Office"}, "Office", "Office"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored + " -> " + c.expected);
    std::string text = kDefaultsText;
    text.replace(text.find("PrinterName=Office"), 18, "PrinterName=" + c.stored);
    WriteFileBytes(path, text);
    {
      VtGlobal glo(path, "3.4.5", c.installed.empty() ? "" : c.installed.front(), log);
      glo.ReplaceMissingPrinter(c.installed, c.used);
      EXPECT_EQ(glo.Dirty(), c.stored != c.expected);
    }
    std::string expected = kDefaultsText;
    expected.replace(expected.find("PrinterName=Office"), 18, "PrinterName=" + c.expected);
    EXPECT_EQ(ReadFileBytes(path), expected);
  }
}

TEST_F(VtGlobalTest, SameVersionReadsValuesAndWritesNothingOnRelease) {
  WriteFileBytes(path,
                 "[GENERAL VARIABLES]\r\nVersion=3.4.5\r\n UseGlobalMsgNum = 0\r\nPrinterName= Lab  \r\n"
                 "PtrCopies=3\r\nFolderLabels=A|B\r\nunknown=7\r\n[x]\r\nPtrOrient=2");
  {
    VtGlobal glo(path, "3.4.5", "Office", log);
    EXPECT_EQ(glo.UseGlobalMsgNum(), 0);
    EXPECT_EQ(glo.PrinterName(), " Lab  ");  // the value exactly as written
    EXPECT_EQ(glo.PtrCopies(), 3);
    EXPECT_EQ(glo.PtrOrient(), 2);
    EXPECT_EQ(glo.FolderLabels(), "A|B");
    EXPECT_FALSE(glo.Dirty());
    ::chmod(path.c_str(), 0444);  // a write attempt would now fail and leave an entry
  }
  EXPECT_TRUE(log.entries.empty());
  ::chmod(path.c_str(), 0644);
}

TEST_F(VtGlobalTest, OtherVersionIsRewrittenWithTheRunningVersionAndTheValuesRead) {
  WriteFileBytes(path, "Version=3.4.1\r\nPtrDuplex=2\r\nLstFontSize=12\r\n");
  { VtGlobal glo(path, "3.4.5", "Office", log); }
  const std::string text = ReadFileBytes(path);
  EXPECT_NE(text.find("\r\nVersion=3.4.5\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nPtrDuplex=2\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nLstFontSize=12\r\n"), std::string::npos);
}

// The host keeps settings of its own in the file: a rewrite for another version dropped them all.
TEST_F(VtGlobalTest, ARewriteKeepsTheHostsOwnLinesInTheirSections) {
  WriteFileBytes(
      path,
      "; written by the host\r\n[GENERAL VARIABLES]\r\nVersion=3.3.0\r\nHostMode=2\r\nProfSave=0\r\n\r\n"
      "[HOST WINDOWS]\r\nMainLeft=120\r\n[LOCAL PRINTER]\r\nPtrCopies=2\r\nPtrTray = upper\r\n"
      "[EMPTY]\r\n[HOST WINDOWS]\r\nMainTop=80\r\nnot a setting\r\n");
  { VtGlobal glo(path, "3.4.5", "Office", log); }
  EXPECT_EQ(
      ReadFileBytes(path),
      "; written by the host\r\n[GENERAL VARIABLES]\r\nVersion=3.4.5\r\nUseGlobalMsgNum=1\r\nProfSave=0\r\n"
      "HostMode=2\r\n\r\n[LOCAL "
      "PRINTER]\r\nPrinterName=Office\r\nPtrOrient=1\r\nPtrCopies=2\r\nPtrDuplex=1\r\n"
      "FolderLabels=Folder 1|Folder 2|Folder 3|Folder 4|Folder 5\r\nLstFontSize=9\r\nPtrTray = upper\r\n"
      "\r\n[HOST WINDOWS]\r\nMainLeft=120\r\nMainTop=80\r\nnot a setting\r\n\r\n[EMPTY]\r\n");
  EXPECT_TRUE(log.entries.empty());
  // Read again, the kept lines stay where they are: nothing moves or doubles from run to run.
  const std::string once = ReadFileBytes(path);
  WriteFileBytes(path, std::string(once).replace(once.find("3.4.5"), 5, "3.4.4"));
  { VtGlobal glo(path, "3.4.5", "Office", log); }
  EXPECT_EQ(ReadFileBytes(path), once);
}

TEST_F(VtGlobalTest, FileWithoutVersionLineIsRewritten) {
  WriteFileBytes(path, "PtrCopies=2\r\n");
  { VtGlobal glo(path, "3.4.5", "Office", log); }
  EXPECT_NE(ReadFileBytes(path).find("Version=3.4.5"), std::string::npos);
}

TEST_F(VtGlobalTest, FileWithoutAnyEqualsSignKeepsDefaultsAndIsLeftAlone) {
  WriteFileBytes(path, "garbage\r\n");
  { VtGlobal glo(path, "3.4.5", "Office", log); }
  EXPECT_EQ(ReadFileBytes(path), "garbage\r\n");
}

TEST_F(VtGlobalTest, BadLinesLeaveTheMemberAndAddOneEntryEach) {
  WriteFileBytes(path, "Version=3.4.5\r\nPtrCopies=two\r\nPtrOrient=70000\r\nProfSave\r\nNoSuchKey\r\n");
  VtGlobal glo(path, "3.4.5", "Office", log);
  EXPECT_EQ(glo.PtrCopies(), 1);
  EXPECT_EQ(glo.PtrOrient(), 1);
  ASSERT_EQ(log.entries.size(), 3U);
  EXPECT_EQ(log.entries[0], "13, Type mismatch; VtGlobal:GloRead, FileName = " + path + ", Step = 3");
  EXPECT_EQ(log.entries[1].substr(0, 12), "6, Overflow;");
  EXPECT_EQ(log.entries[2].substr(0, 2), "5,");
  EXPECT_EQ(glo.LastError(), "5, Invalid procedure call or argument");
}

TEST_F(VtGlobalTest, WriteFailureIsLoggedNeverThrown) {
  const std::string unreachable = dir.File("no-such-folder/Vantrel.glo");
  { VtGlobal glo(unreachable, "3.4.5", "Office", log); }
  // Once when the missing file is created, once more on release since it is still unwritten.
  ASSERT_EQ(log.entries.size(), 2U);
  EXPECT_EQ(log.entries[1],
            "76, Path not found; VtGlobal:GLOWrite, FileName = " + unreachable + ", Step = 103");
}

TEST(ToInteger16, ConvertsLikeTheSettingsFilesExpect) {
  EXPECT_EQ(ToInteger16(" 42 "), 42);
  EXPECT_EQ(ToInteger16("-32768"), -32768);
  EXPECT_EQ(ToInteger16("2.5"), 2);
  EXPECT_EQ(ToInteger16("3.5"), 4);
  EXPECT_THROW(ToInteger16(""), RunError);
  EXPECT_THROW(ToInteger16("nan"), RunError);
  // Two signs, or a number the host never writes, are no number (error 13), not -1 or 1000.
  for (const char* bad : {"+-1", "--1", "1e3", "0x10", "1x"}) {
    try {
      ToInteger16(bad);
      ADD_FAILURE() << bad << " was taken";
    } catch (const RunError& e) {
      EXPECT_EQ(e.number, 13) << bad;
    }
  }
  try {
    ToInteger16("32768");
    FAIL();
  } catch (const RunError& e) {
    EXPECT_EQ(e.number, 6);
  }
}

}  // namespace
}  // namespace cadro
