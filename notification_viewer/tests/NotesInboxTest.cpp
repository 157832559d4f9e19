// The notes file is shared with a writer that appends at any moment: every record it writes
// must be taken in exactly once, whatever the timing.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "FileIO.h"
#include "NotesInbox.h"
#include "NotesWriter.h"
#include "RunError.h"
#include "TestKit.h"

using namespace cadro;
using cadro::testing::ReadFileBytes;
using cadro::testing::TempDir;
using cadro::testing::WriteFileBytes;
namespace fs = std::filesystem;

namespace {
struct InboxFixture : ::testing::Test {
  std::string Notes() const { return dir.File("Vtnote.dat"); }
  void Append(const std::string& bytes) const {
    std::FILE* f = std::fopen(Notes().c_str(), "ab");
    ASSERT_TRUE(f);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  TempDir dir;
  cadro::testing::RecordingEventLog log;
};
using Lines = std::vector<std::string>;
}  // namespace

TEST_F(InboxFixture, RecordsAreTakenInOnceAndTheFileGoes) {
  NotesInbox inbox(Notes(), log);
  EXPECT_EQ(inbox.Poll(), Lines{});
  Append("1|one\r\n\r\n2|two\r\n\n3|three\r\n");  // empty lines are skipped, not an end
  EXPECT_EQ(inbox.Poll(), (Lines{"1|one", "2|two", "3|three"}));
  EXPECT_FALSE(fs::exists(Notes()));
  EXPECT_TRUE(inbox.Claimed());
  EXPECT_EQ(inbox.Poll(), Lines{});
  EXPECT_FALSE(inbox.Claimed());
  EXPECT_TRUE(fs::is_empty(dir.path()));
  EXPECT_TRUE(log.entries.empty());
}

TEST_F(InboxFixture, AnAppendAfterTheClaimIsShownAtTheNextPoll) {
  NotesInbox inbox(Notes(), log);
  Append("1|one\r\n2|unfini");
  EXPECT_EQ(inbox.Poll(), Lines{"1|one"});
  // A writer that opened the file just before the rename finishes its record in the claimed file,
  // and the host's next record starts a new notes file.
  WriteFileBytes(inbox.ClaimedFile(), "1|one\r\n2|unfinished\r\n3|late\r\n");
  Append("4|new file\r\n");
  EXPECT_EQ(inbox.Poll(), (Lines{"2|unfinished", "3|late", "4|new file"}));
  EXPECT_EQ(inbox.Poll(), Lines{});
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST_F(InboxFixture, AFileThatCannotBeClaimedIsLeftAndRetriedReportedOnce) {
  fs::create_directories(dir.path() / "Vtnote.dat.claimed" / "in-the-way");
  NotesInbox inbox(Notes(), log);
  Append("1|one\r\n");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(inbox.Poll(), Lines{});
  EXPECT_EQ(ReadFileBytes(Notes()), "1|one\r\n");
  ASSERT_EQ(log.entries.size(), 1u);
  EXPECT_NE(log.entries[0].find("; frmNote:GetNote, FileName = " + Notes() + ", Step = 2"),
            std::string::npos);
  fs::remove_all(dir.path() / "Vtnote.dat.claimed");
  EXPECT_EQ(inbox.Poll(), Lines{"1|one"});
  EXPECT_EQ(inbox.Poll(), Lines{});
  EXPECT_EQ(log.entries.size(), 1u);
}

TEST_F(InboxFixture, AReadFailureIsReportedOnceAndRetried) {
  NotesInbox inbox(Notes(), log);
  bool locked = true;
  inbox.SetFileReaderForTests([&locked](const std::string& path) {
    if (locked) throw MakeRunError(err::kPermissionDenied);
    return ReadFileBytes(path);
  });
  Append("5|five\r\n");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(inbox.Poll(), Lines{});
  ASSERT_EQ(log.entries.size(), 1u);
  EXPECT_EQ(log.entries[0],
            "Permission denied FileLib:ReadTextFileContents, Step = 2, FileName = " + inbox.ClaimedFile());
  locked = false;
  Append("6|six\r\n");
  EXPECT_EQ(inbox.Poll(), (Lines{"5|five", "6|six"}));
  EXPECT_EQ(inbox.Poll(), Lines{});
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST_F(InboxFixture, AClaimLeftByAnEarlierViewerIsTakenInFirst) {
  WriteFileBytes(dir.File("Vtnote.dat.claimed"), "1|left over\r\n");
  Append("2|current\r\n");
  NotesInbox inbox(Notes(), log);
  EXPECT_EQ(inbox.Poll(), (Lines{"1|left over", "2|current"}));
  EXPECT_EQ(inbox.Finish(), Lines{});
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST_F(InboxFixture, FinishTakesInWhatIsLeftEvenWithoutAnEnd) {
  NotesInbox inbox(Notes(), log);
  Append("1|a\r\n2|no end");
  EXPECT_EQ(inbox.Poll(), Lines{"1|a"});
  EXPECT_EQ(inbox.Finish(), Lines{"2|no end"});
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST_F(InboxFixture, AConcurrentWriterLosesNothingAndDuplicatesNothing) {
  constexpr int kRecords = 1000;
  NotesInbox inbox(Notes(), log);
  // A read that takes a while, as on a busy disk, widens the window between reading and deleting.
  inbox.SetFileReaderForTests([](const std::string& path) {
    std::string bytes = ReadWholeFile(path);
    std::this_thread::sleep_for(std::chrono::microseconds(300));
    return bytes;
  });
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 1; i <= kRecords; ++i) {
      standin::AppendNote(Notes(), standin::NoteRecord(1, "record " + std::to_string(i)));
      // Irregular pauses put the appends at every point of the reader's claim and read.
      std::this_thread::sleep_for(std::chrono::microseconds((i * 7919) % 300));
    }
    done = true;
  });
  Lines seen;
  int polls = 0;
  while (!done) {
    const Lines got = inbox.Poll();
    seen.insert(seen.end(), got.begin(), got.end());
    ++polls;
    std::this_thread::sleep_for(std::chrono::microseconds(50 + polls % 150));
  }
  writer.join();
  for (int i = 0; i < 2; ++i) {
    const Lines got = inbox.Poll();
    seen.insert(seen.end(), got.begin(), got.end());
  }
  ASSERT_EQ(seen.size(), static_cast<std::size_t>(kRecords)) << "after " << polls << " polls";
  for (int i = 1; i <= kRecords; ++i)
    EXPECT_EQ(seen[static_cast<std::size_t>(i - 1)], "1|record " + std::to_string(i));
  EXPECT_GT(polls, 100);
  EXPECT_TRUE(fs::is_empty(dir.path()));
  EXPECT_TRUE(log.entries.empty());
}

TEST_F(InboxFixture, AfterAKillOnlyWhatDidNotReachTheJournalIsShownAgain) {
  const std::string journal = dir.File("journal");
  auto journalled = [&journal](const Lines& lines) {
    for (const std::string& l : lines) AppendToFile(journal, l + "\r\n");
  };
  {
    NotesInbox inbox(Notes(), log, journal);
    Append("1|one\r\n2|two\r\n");
    inbox.Poll(journalled);
  }  // killed before the claimed file was finished
  Append("3|three\r\n");
  {
    NotesInbox inbox(Notes(), log, journal);
    // Killed after the record of what is being shown, before the journal got it.
    inbox.Poll([](const Lines& lines) { EXPECT_EQ(lines, Lines{"3|three"}); });
  }
  NotesInbox inbox(Notes(), log, journal);
  Lines seen;
  inbox.Poll([&](const Lines& lines) {
    journalled(lines);
    seen.insert(seen.end(), lines.begin(), lines.end());
  });
  EXPECT_EQ(seen, Lines{"3|three"});
  EXPECT_EQ(inbox.Poll(), Lines{});
  EXPECT_EQ(ReadFileBytes(journal), "1|one\r\n2|two\r\n3|three\r\n");
  EXPECT_FALSE(fs::exists(inbox.ClaimedFile()));
  EXPECT_FALSE(fs::exists(Notes() + ".shown"));
}
