// How Load, Fadd and Fdelete fail: the event-log entry, the three-line box, the result, and what
// is left on disk. Covers the atomic replace and the refusal of event IDs that are not names.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CadroMsgFixture.h"
#include "FileIO.h"

using namespace cadro;
using namespace cadro::testing;

namespace {

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST_F(CadroMsgTest, NonNumericIntegerFailsAtStepThree) {
  Plant("N1", "TYP=MED\r\nAGE=30\r\nAST=abc\r\nGDR=M\r\n");
  const std::string path = FileOf("N1");
  EXPECT_FALSE(msg.Load("N1"));
  EXPECT_EQ(ts.eventLog.entries,
            std::vector<std::string>{"13, Type mismatch; Cadro:Load, FileName = " + path + ", Step = 3"});
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(ts.prompts.shown[0].text, "Vt911:Load, Step=3\r\nProblems loading " + path +
                                          ", please try again\r\nError=13, Type mismatch");
  EXPECT_FALSE(ts.prompts.shown[0].question);
  // What was read before the failure stays; the rest was cleared.
  EXPECT_EQ(msg.AGE(), "30");
  EXPECT_EQ(msg.GDR(), "");
}

TEST_F(CadroMsgTest, KnownKeyWithoutEqualsFailsUnknownWordDoesNot) {
  Plant("K", "hello\r\nAST\r\n");
  EXPECT_FALSE(msg.Load("K"));
  ASSERT_EQ(ts.eventLog.entries.size(), 1u);
  EXPECT_EQ(ts.eventLog.entries[0],
            "5, Invalid procedure call or argument; Cadro:Load, FileName = " + FileOf("K") + ", Step = 3");
}

TEST_F(CadroMsgTest, OutOfRangeIntegerIsAnOverflow) {
  Plant("O", "AST=70000\r\n");
  EXPECT_FALSE(msg.Load("O"));
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(ts.prompts.shown[0].text, "Vt911:Load, Step=3\r\nProblems loading " + FileOf("O") +
                                          ", please try again\r\nError=6, Overflow");
}

TEST_F(CadroMsgTest, BlankIdOrMissingFileLoadsNothingAndSaysNothing) {
  Plant("HAVE", "ISS=kept\r\n");
  ASSERT_TRUE(msg.Load("HAVE"));
  EXPECT_FALSE(msg.Load(""));
  EXPECT_FALSE(msg.Load("   "));
  EXPECT_FALSE(msg.Load("NOPE"));
  CadroMsg noFolder(dir.File("absent"), ts.services);
  EXPECT_FALSE(noFolder.Load("HAVE"));
  EXPECT_EQ(msg.ISS(), "kept");
  EXPECT_TRUE(ts.prompts.shown.empty());
  EXPECT_TRUE(ts.eventLog.entries.empty());
}

TEST_F(CadroMsgTest, UnreadableFileIsReported) {
  std::filesystem::create_directory(FileOf("DIR"));  // exists, cannot be read as a file
  EXPECT_FALSE(msg.Load("DIR"));
  ASSERT_EQ(ts.eventLog.entries.size(), 1u);
  EXPECT_EQ(ts.eventLog.entries[0],
            "75, Path/File access error; Cadro:Load, FileName = " + FileOf("DIR") + ", Step = 1");
}

TEST_F(CadroMsgTest, SavingIntoAMissingFolderIsReported) {
  CadroMsg noFolder(dir.File("absent"), ts.services);
  FillAll(noFolder, "MED", "S1");
  EXPECT_FALSE(noFolder.Fadd());
  const std::string path = dir.File("absent") + "/S1.911";
  EXPECT_EQ(ts.eventLog.entries,
            std::vector<std::string>{"76, Path not found; Vt911:Fadd, FileName = " + path + ", Step = 2"});
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(ts.prompts.shown[0].text, "Vt911:Fadd, Step=2\r\nProblems saving '" + path +
                                          "', please try again\r\nError=76, Path not found");
  EXPECT_FALSE(std::filesystem::exists(dir.File("absent")));
}

TEST_F(CadroMsgTest, FailedSaveKeepsTheOldReportWhole) {
  FillAll(msg, "MED+FIRE", "S2");
  ASSERT_TRUE(msg.Fadd());
  const std::string before = ReadFileBytes(FileOf("S2"));
  msg.SetISS("changed");
  SetWriteFaultHookForTests([](std::size_t) { return false; });
  const bool saved = msg.Fadd();
  SetWriteFaultHookForTests(nullptr);
  EXPECT_FALSE(saved);
  EXPECT_EQ(ReadFileBytes(FileOf("S2")), before);
  EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"S2.911"}) << "no temporary file left";
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(ts.prompts.shown[0].text, "Vt911:Fadd, Step=2\r\nProblems saving '" + FileOf("S2") +
                                          "', please try again\r\nError=61, Disk full");
  EXPECT_EQ(msg.ISS(), "changed") << "a failed save leaves the record alone";
}

TEST_F(CadroMsgTest, ReadOnlyReportFailsToSaveAndStaysAsItWas) {
  FillAll(msg, "LAW", "S3");
  ASSERT_TRUE(msg.Fadd());
  const std::string before = ReadFileBytes(FileOf("S3"));
  ::chmod(FileOf("S3").c_str(), 0444);
  msg.SetAST(9);
  EXPECT_FALSE(msg.Fadd());
  EXPECT_EQ(ReadFileBytes(FileOf("S3")), before);
  ASSERT_EQ(ts.eventLog.entries.size(), 1u);
  EXPECT_EQ(ts.eventLog.entries[0],
            "70, Permission denied; Vt911:Fadd, FileName = " + FileOf("S3") + ", Step = 2");
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(ts.prompts.shown[0].text.rfind("Vt911:Fadd, Step=2\r\nProblems saving '", 0), 0u);
}

TEST_F(CadroMsgTest, ReadOnlyReportIsNotRemoved) {
  Plant("R8", "AST=8\r\n");
  ::chmod(FileOf("R8").c_str(), 0444);
  EXPECT_EQ(msg.Fdelete("R8", 8), "0");
  EXPECT_TRUE(std::filesystem::exists(FileOf("R8")));
  EXPECT_EQ(ts.eventLog.entries,
            std::vector<std::string>{"75, Path/File access error; Vt911:Fdelete, FileName = " + FileOf("R8") +
                                     ", Step = 1"});
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(ts.prompts.shown[0].text, "Vt911:Fdelete, Step=1\r\nProblems deleting " + FileOf("R8") +
                                          ", please try again\r\nError=75, Path/File access error");
}

TEST_F(CadroMsgTest, MarkingAMissingReportDeletedTouchesNoOtherReport) {
  FillAll(msg, "MED", "LOADED");
  ASSERT_TRUE(msg.Fadd());
  const std::string before = ReadFileBytes(FileOf("LOADED"));
  EXPECT_EQ(msg.Fdelete("GONE", 6), "0");
  EXPECT_EQ(ReadFileBytes(FileOf("LOADED")), before);
  EXPECT_FALSE(std::filesystem::exists(FileOf("GONE")));
  EXPECT_EQ(ts.eventLog.entries, std::vector<std::string>{"53, File not found; Vt911:Fdelete, FileName = " +
                                                          FileOf("GONE") + ", Step = 1"});
}

TEST_F(CadroMsgTest, MarkingAnUnreadableReportDeletedStopsAfterTheLoadReport) {
  Plant("BAD", "AST=x\r\n");
  const std::string before = ReadFileBytes(FileOf("BAD"));
  EXPECT_EQ(msg.Fdelete("BAD", 6), "0");
  EXPECT_EQ(ReadFileBytes(FileOf("BAD")), before);
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(ts.prompts.shown[0].text.rfind("Vt911:Load, Step=3", 0), 0u);
}

// IDs that are not plain names never reach outside the message folder, whatever the operation.
TEST_F(CadroMsgTest, IdsThatAreNotPlainNamesAreRefused) {
  WriteFileBytes(dir.File("victim.911"), "AST=6\r\n");
  std::filesystem::create_directory(dir.File("sub"));
  const auto entriesOutside = [&] { return FolderEntries(dir.str()); };
  const std::vector<std::string> before = entriesOutside();
  const std::string victim = ReadFileBytes(dir.File("victim.911"));

  const std::vector<std::string> ids{"../victim", "..\\victim", "sub/x", ".", "..", std::string("a\0b", 3)};
  for (const std::string& id : ids) {
    SCOPED_TRACE(id);
    ts.prompts.shown.clear();
    ts.eventLog.entries.clear();

    EXPECT_FALSE(msg.Load(id));
    ASSERT_EQ(ts.eventLog.entries.size(), 1u);
    EXPECT_NE(ts.eventLog.entries[0].find("52, Bad file name or number; Cadro:Load, FileName = "),
              std::string::npos);

    FillAll(msg, "MED", id);
    EXPECT_FALSE(msg.Fadd());
    EXPECT_EQ(ts.prompts.shown.back().text.rfind("Vt911:Fadd, Step=1\r\nProblems saving '", 0), 0u);

    EXPECT_EQ(msg.Fdelete(id, 8), "0");
    EXPECT_EQ(msg.Fdelete(id, 6), "0");
    EXPECT_EQ(ts.prompts.shown.back().text.rfind("Vt911:Fdelete, Step=1\r\nProblems deleting ", 0), 0u);
    EXPECT_EQ(ts.prompts.shown.size(), 4u);
  }
  EXPECT_EQ(entriesOutside(), before);
  EXPECT_EQ(ReadFileBytes(dir.File("victim.911")), victim);
  EXPECT_TRUE(FolderEntries(dir.File("sub")).empty());
  EXPECT_TRUE(FolderEntries(folder).empty());
}

// The list reads every report into one record: a refused name must not leave the previous
// report's fields there to be shown under it.
TEST_F(CadroMsgTest, BytesRefusedForTheirNameLeaveAnEmptyRecord) {
  FillAll(msg, "MED");
  EXPECT_FALSE(msg.LoadBytes("../x", "AGE=40\r\n"));
  CadroMsg fresh(folder, ts.services);
  EXPECT_EQ(Snapshot(msg), Snapshot(fresh));
  EXPECT_EQ(ts.prompts.shown.size(), 1u);
}

TEST_F(CadroMsgTest, BlankIdIsRefusedBySaveAndDelete) {
  Plant("", "AST=6\r\n");  // an extent-only file that must not be rewritten or removed
  msg.Clear();
  msg.SetEID("   ");
  EXPECT_FALSE(msg.Fadd());
  EXPECT_EQ(msg.Fdelete(" ", 8), "0");
  EXPECT_EQ(msg.Fdelete("", 6), "0");
  EXPECT_EQ(ReadFileBytes(FileOf("")), "AST=6\r\n");
  EXPECT_EQ(ts.prompts.shown.size(), 3u);
}
