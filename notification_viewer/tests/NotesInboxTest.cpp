// The notes file is shared with writers that take no lock, hold it open for a while, write in
// pieces and append at any moment: every record must be taken in exactly once, whatever the
// timing, and the file must never be taken away from a writer that still holds it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <thread>
#include <utility>

#include "FileIO.h"
#include "NotesInbox.h"
#include "NotesWriter.h"
#include "RunError.h"
#include "TestKit.h"
#include "WriterCases.h"

using namespace cadro;
using cadro::testing::ReadFileBytes;
using cadro::testing::TempDir;
using cadro::testing::WriteFileBytes;
using standin::HeldNotesFile;
namespace fs = std::filesystem;

namespace {
using Lines = std::vector<std::string>;

struct InboxFixture : ::testing::Test {
  // The take itself is tested on a file that need not first be left alone for a while.
  static constexpr std::chrono::milliseconds kAtOnce{0};
  std::string Notes() const { return dir.File("Vtnote.dat"); }
  std::string Journal() const { return dir.File("journal"); }
  void Append(const std::string& bytes) const { standin::AppendNote(Notes(), bytes); }
  // A poll once a taken file has waited its grace for a late writer.
  static Lines Settle(NotesInbox& inbox) {
    std::this_thread::sleep_for(NotesInbox::kTakeGrace + std::chrono::milliseconds(5));
    return inbox.Poll();
  }
  bool LogsEmpty() const {
    for (const auto& e : fs::directory_iterator(dir.path()))
      if (e.path().filename() != "journal") return false;
    return true;
  }
  TempDir dir;
  cadro::testing::RecordingEventLog log;
};

// Stands for the viewer being killed while it shows a piece: before the journal got it, or after.
struct Killed : std::runtime_error {
  Killed() : std::runtime_error("killed") {}
};
}  // namespace

TEST_F(InboxFixture, AFreeFileIsTakenInWholeAndGoesAtOnce) {
  NotesInbox inbox(Notes(), log, {}, kAtOnce);
  EXPECT_EQ(inbox.Poll(), Lines{});
  Append("1|one\r\n\r\n2|two\r\n\n3|three\r\n4|no end");  // empty lines are skipped, not an end
  EXPECT_EQ(inbox.Poll(), (Lines{"1|one", "2|two", "3|three", "4|no end"}));
  EXPECT_FALSE(fs::exists(Notes()));  // taken at once; deleted once it waited for a late writer
  EXPECT_TRUE(inbox.TakePending());
  EXPECT_EQ(Settle(inbox), Lines{});
  EXPECT_TRUE(LogsEmpty());
  EXPECT_TRUE(log.entries.empty());
}

TEST_F(InboxFixture, AFileIsShownAtOnceButTakenOnlyOnceLeftAloneForAWhile) {
  // Between two notes of a burst a writer is most likely on its way to the file; it is taken
  // when the burst is over.
  NotesInbox inbox(Notes(), log);
  Append("1|one\r\n");
  EXPECT_EQ(inbox.Poll(), Lines{"1|one"});
  EXPECT_TRUE(fs::exists(Notes()));
  std::this_thread::sleep_for(NotesInbox::kQuiet * 3 / 5);
  Append("2|two\r\n");  // the wait starts again
  EXPECT_EQ(inbox.Poll(), Lines{"2|two"});
  std::this_thread::sleep_for(NotesInbox::kQuiet * 3 / 5);
  EXPECT_EQ(inbox.Poll(), Lines{});
  EXPECT_TRUE(fs::exists(Notes())) << "taken while the burst went on";
  EXPECT_FALSE(inbox.TakePending());
  std::this_thread::sleep_for(NotesInbox::kQuiet / 2);
  EXPECT_EQ(inbox.Poll(), Lines{});
  EXPECT_FALSE(fs::exists(Notes())) << "not taken once left alone";
  EXPECT_EQ(Settle(inbox), Lines{});
  EXPECT_TRUE(LogsEmpty());
  // A new file is new: its wait starts with it, even with the size (and perhaps the inode) of the
  // one before.
  Append("3|three four\r\n");
  EXPECT_EQ(inbox.Poll(), Lines{"3|three four"});
  EXPECT_TRUE(fs::exists(Notes()));
  std::this_thread::sleep_for(NotesInbox::kQuiet + std::chrono::milliseconds(10));
  EXPECT_EQ(inbox.Poll(), Lines{});
  EXPECT_EQ(Settle(inbox), Lines{});
  EXPECT_TRUE(LogsEmpty());
  EXPECT_TRUE(log.entries.empty());
}

TEST_F(InboxFixture, AFileWaitingToBeLeftAloneIsAlwaysDueInSomeTime) {
  // The watch asks when to read again; a wait that has just run out must still be a time, or a
  // file left alone would stay until the next note.
  NotesInbox inbox(Notes(), log, {}, std::chrono::milliseconds(20));
  EXPECT_EQ(inbox.TakeDueIn().count(), 0);
  Append("1|one\r\n");
  EXPECT_EQ(inbox.Poll(), Lines{"1|one"});
  EXPECT_GT(inbox.TakeDueIn().count(), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_GT(inbox.TakeDueIn().count(), 0) << "overdue counts as nothing to wait for";
  EXPECT_EQ(inbox.Poll(), Lines{});
  EXPECT_FALSE(fs::exists(Notes()));
  EXPECT_EQ(inbox.TakeDueIn().count(), 0);
  EXPECT_EQ(Settle(inbox), Lines{});
  EXPECT_TRUE(LogsEmpty());
}

TEST_F(InboxFixture, ANewFileWhileTheTakenOneWaitsItsGraceIsShownAndWaitsItsTurn) {
  NotesInbox inbox(Notes(), log, {}, kAtOnce);
  Append("1|one\r\n");
  EXPECT_EQ(inbox.Poll(), Lines{"1|one"});
  ASSERT_TRUE(inbox.TakePending());
  Append("2|two\r\n");
  // Within the grace (unless the machine stalls, when the first has gone and this proves less).
  EXPECT_EQ(inbox.Poll(), Lines{"2|two"});
  EXPECT_TRUE(log.entries.empty()) << log.entries.front();
  EXPECT_EQ(Settle(inbox), Lines{});
  EXPECT_EQ(Settle(inbox), Lines{});
  EXPECT_TRUE(LogsEmpty());
  EXPECT_TRUE(log.entries.empty());
}

TEST_F(InboxFixture, ClosingTakesTheNotesFileAndTheTakenOneAway) {
  // The last poll, when the window closes: nothing is left for the next viewer to look at.
  NotesInbox inbox(Notes(), log, {}, kAtOnce);
  Append("1|one\r\n");
  EXPECT_EQ(inbox.Poll(), Lines{"1|one"});
  Append("2|two\r\n3|no end");
  EXPECT_EQ(inbox.Finish(), (Lines{"2|two", "3|no end"}));
  EXPECT_TRUE(LogsEmpty());
  EXPECT_TRUE(log.entries.empty());
}

TEST_F(InboxFixture, AFileCutShortAndWrittenAgainIsReadFromItsStart) {
  NotesInbox inbox(Notes(), log, {}, kAtOnce);
  HeldNotesFile host(Notes());
  host.Append("1|one\r\n2|two\r\n");
  EXPECT_EQ(inbox.Poll(), (Lines{"1|one", "2|two"}));
  ASSERT_EQ(::truncate(Notes().c_str(), 0), 0);
  host.Append("3|three\r\n");
  EXPECT_EQ(inbox.Poll(), Lines{"3|three"});
  host.Append("4|four, which makes it longer than before\r\n");
  EXPECT_EQ(inbox.Poll(), Lines{"4|four, which makes it longer than before"});
  host.Close();
  EXPECT_EQ(Settle(inbox), Lines{});
  EXPECT_EQ(Settle(inbox), Lines{});
  EXPECT_TRUE(LogsEmpty());
}

TEST_F(InboxFixture, ARecordOfAnotherFileWithTheSameInodeIsNotResumedFrom) {
  // Inodes are used again; the birth time tells the files apart where the file system keeps one.
  Append("1|one\r\n2|two\r\n");
  struct statx stx {};
  ASSERT_EQ(::statx(AT_FDCWD, Notes().c_str(), 0, STATX_INO | STATX_BTIME, &stx), 0);
  if (!(stx.stx_mask & STATX_BTIME)) GTEST_SKIP() << "no birth times on this file system";
  const long long born = static_cast<long long>(stx.stx_btime.tv_sec) * 1000000000LL + stx.stx_btime.tv_nsec;
  // The record of a file that had this inode before, shown in full.
  WriteFileBytes(dir.File("Vtnote.dat.shown"),
                 std::to_string(stx.stx_ino) + " 0 14 0 " + std::to_string(born - 1000) + "\r\n");
  NotesInbox inbox(Notes(), log, {}, kAtOnce);
  EXPECT_EQ(inbox.Poll(), (Lines{"1|one", "2|two"}));
  EXPECT_EQ(Settle(inbox), Lines{});
  EXPECT_TRUE(LogsEmpty());
}

TEST_F(InboxFixture, AHeldFileIsReadInPlaceByWholeLinesAndTakenOnlyOnceFree) {
  NotesInbox inbox(Notes(), log, {}, kAtOnce);
  HeldNotesFile writer(Notes());
  EXPECT_EQ(inbox.Poll(), Lines{});  // opened, nothing written yet
  writer.Append("1|one\r\n2|unfini");
  EXPECT_EQ(inbox.Poll(), Lines{"1|one"});
  writer.Append("shed\r\n3|three\r\n");
  EXPECT_EQ(inbox.Poll(), (Lines{"2|unfinished", "3|three"}));
  EXPECT_EQ(inbox.Poll(), Lines{});
  // A second writer comes and goes while the first still holds the file.
  Append("4|quick\r\n");
  EXPECT_EQ(inbox.Poll(), Lines{"4|quick"});
  EXPECT_TRUE(writer.StillTheNotesFile());
  writer.Append("5|last, without its end");
  EXPECT_EQ(inbox.Poll(), Lines{});
  writer.Close();
  EXPECT_EQ(inbox.Poll(), Lines{"5|last, without its end"});
  EXPECT_EQ(Settle(inbox), Lines{});
  EXPECT_TRUE(LogsEmpty());
  EXPECT_TRUE(log.entries.empty());
}

TEST_F(InboxFixture, AFileThatCannotBeTakenIsShownOnceLeftAndRetriedReportedOnce) {
  fs::create_directories(dir.path() / "Vtnote.dat.taken" / "in-the-way");
  NotesInbox inbox(Notes(), log, {}, kAtOnce);
  Append("1|one\r\n");
  EXPECT_EQ(inbox.Poll(), Lines{"1|one"});
  for (int i = 0; i < 3; ++i) EXPECT_EQ(inbox.Poll(), Lines{});
  EXPECT_EQ(ReadFileBytes(Notes()), "1|one\r\n");
  ASSERT_EQ(log.entries.size(), 1u);
  EXPECT_NE(log.entries[0].find("; frmNote:GetNote, FileName = " + Notes() + ", Step = 5"),
            std::string::npos);
  Append("2|two\r\n");
  EXPECT_EQ(inbox.Poll(), Lines{"2|two"});
  fs::remove_all(dir.path() / "Vtnote.dat.taken");
  EXPECT_EQ(inbox.Poll(), Lines{});
  EXPECT_EQ(Settle(inbox), Lines{});
  EXPECT_TRUE(LogsEmpty());
  EXPECT_EQ(log.entries.size(), 1u);
}

TEST_F(InboxFixture, AReadFailureIsReportedOnceAndRetried) {
  NotesInbox inbox(Notes(), log, {}, kAtOnce);
  bool locked = true;
  inbox.SetReadErrorForTests([&locked] { return locked ? EACCES : 0; });
  Append("5|five\r\n");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(inbox.Poll(), Lines{});
  ASSERT_EQ(log.entries.size(), 1u);
  EXPECT_NE(log.entries[0].find("Permission denied"), std::string::npos);
  EXPECT_NE(log.entries[0].find("; frmNote:GetNote, FileName = " + Notes() + ", Step = 3"),
            std::string::npos);
  locked = false;
  Append("6|six\r\n");
  EXPECT_EQ(inbox.Poll(), (Lines{"5|five", "6|six"}));
  EXPECT_EQ(Settle(inbox), Lines{});
  EXPECT_TRUE(LogsEmpty());
  // A poll that went well in between: the same failure, come back, is news again.
  locked = true;
  Append("7|seven\r\n");
  EXPECT_EQ(inbox.Poll(), Lines{});
  EXPECT_EQ(log.entries.size(), 2u);
  locked = false;
  EXPECT_EQ(inbox.Poll(), Lines{"7|seven"});
}

TEST_F(InboxFixture, AClaimLeftByAnEarlierVersionIsTakenInFirst) {
  WriteFileBytes(dir.File("Vtnote.dat.claimed"), "1|left over\r\n");
  Append("2|current\r\n");
  NotesInbox inbox(Notes(), log, {}, kAtOnce);
  EXPECT_EQ(inbox.Poll(), (Lines{"1|left over", "2|current"}));
  EXPECT_EQ(inbox.Finish(), Lines{});
  EXPECT_TRUE(LogsEmpty());
}

TEST_F(InboxFixture, AWriterThatOpensTheFileWhileItIsTakenKeepsItAndLosesNothing) {
  NotesInbox inbox(Notes(), log, {}, kAtOnce);
  Append("1|first\r\n");
  // Opens the file between the proof that it is free and the rename, and holds it.
  std::unique_ptr<HeldNotesFile> writer;
  inbox.SetStepHookForTests([&](NotesInbox::Step step) {
    if (step != NotesInbox::Step::Rename || writer) return;
    writer = std::make_unique<HeldNotesFile>(Notes());
    writer->Append("9|la");
  });
  EXPECT_EQ(inbox.Poll(), Lines{"1|first"});
  ASSERT_TRUE(writer);
  EXPECT_TRUE(writer->StillTheNotesFile());  // given back under its name
  writer->Append("te\r\n");
  EXPECT_EQ(inbox.Poll(), Lines{"9|late"});
  writer->Close();
  // And one that writes and closes in that moment: its note is not taken unseen.
  bool wrote = false;
  inbox.SetStepHookForTests([&](NotesInbox::Step step) {
    if (step == NotesInbox::Step::Rename && !std::exchange(wrote, true)) Append("10|quick\r\n");
  });
  EXPECT_EQ(inbox.Poll(), Lines{});
  EXPECT_EQ(inbox.Poll(), Lines{"10|quick"});
  EXPECT_EQ(Settle(inbox), Lines{});
  EXPECT_TRUE(LogsEmpty());
}

// On a busy machine the viewer may be held up between the proof that nobody holds the file and
// the rename. A writer that opened the file in that time keeps it where it is: the file is not
// renamed away under it, not even for the moment the give-back takes.
TEST_F(InboxFixture, AWriterThatOpensTheFileAfterTheProofIsSeenBeforeTheRename) {
  NotesInbox inbox(Notes(), log, {}, kAtOnce);
  Append("1|first\r\n");
  std::unique_ptr<HeldNotesFile> writer;
  bool renamed = false;
  inbox.SetStepHookForTests([&](NotesInbox::Step step) {
    if (step == NotesInbox::Step::Proven && !writer) writer = std::make_unique<HeldNotesFile>(Notes());
    if (step == NotesInbox::Step::Rename) renamed = true;
  });
  EXPECT_EQ(inbox.Poll(), Lines{"1|first"});
  ASSERT_TRUE(writer);
  EXPECT_FALSE(renamed) << "the file was renamed away from the writer that held it";
  writer->Append("2|second\r\n");
  EXPECT_TRUE(writer->StillTheNotesFile());
  EXPECT_EQ(inbox.Poll(), Lines{"2|second"});
  writer->Close();
  inbox.SetStepHookForTests({});
  // Taken once free, and gone after its grace.
  EXPECT_EQ(Settle(inbox), Lines{});
  EXPECT_EQ(Settle(inbox), Lines{});
  EXPECT_TRUE(LogsEmpty());
}

TEST_F(InboxFixture, AWriterThatFoundTheFileBeforeItWasTakenLosesNothing) {
  const std::string taken = dir.File("Vtnote.dat.taken");
  {
    // Holds the taken file when its grace ends: it becomes the notes file again.
    NotesInbox inbox(Notes(), log, {}, kAtOnce);
    Append("1|first\r\n");
    EXPECT_EQ(inbox.Poll(), Lines{"1|first"});
    HeldNotesFile writer(taken);
    writer.Append("2|second\r\n3|thi");
    EXPECT_EQ(Settle(inbox), Lines{"2|second"});
    EXPECT_TRUE(fs::exists(Notes()));
    EXPECT_FALSE(fs::exists(taken));
    writer.Append("rd\r\n");
    writer.Close();
    EXPECT_EQ(inbox.Poll(), Lines{"3|third"});
    EXPECT_EQ(Settle(inbox), Lines{});
    EXPECT_TRUE(LogsEmpty());
  }
  // Opens it as it is deleted: what it writes is read from the file without a name.
  NotesInbox inbox(Notes(), log, {}, kAtOnce);
  Append("4|fourth\r\n");
  EXPECT_EQ(inbox.Poll(), Lines{"4|fourth"});
  std::thread late;
  bool started = false;
  inbox.SetStepHookForTests([&](NotesInbox::Step step) {
    if (step != NotesInbox::Step::Delete || std::exchange(started, true)) return;
    late = std::thread([&] { standin::AppendNote(taken, "5|very late\r\n"); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  });
  EXPECT_EQ(Settle(inbox), Lines{});
  late.join();
  EXPECT_EQ(inbox.Poll(), Lines{"5|very late"});
  EXPECT_EQ(inbox.Poll(), Lines{});
  EXPECT_TRUE(LogsEmpty());
}

TEST_F(InboxFixture, NoteWriterCaseLosesOrRepeatsANoteOrHasItsFileTakenAway) {
  // Every way the host writes, each against an inbox of its own polled every few milliseconds,
  // all at once so the whole stays within seconds.
  constexpr int kNotes = 200;
  const auto cases = standin::HostWriterCases(std::chrono::milliseconds(3000));
  std::vector<std::unique_ptr<TempDir>> dirs;
  std::vector<standin::WriterResult> results(cases.size());
  std::vector<Lines> seen(cases.size());
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    dirs.push_back(std::make_unique<TempDir>());
    threads.emplace_back([&, i] {
      const std::string notes = dirs[i]->File("Vtnote.dat");
      cadro::testing::RecordingEventLog caseLog;
      NotesInbox inbox(notes, caseLog);
      std::atomic<bool> done{false};
      std::thread writer([&] {
        results[i] = standin::RunWriterCase(notes, cases[i], kNotes, "note ", std::chrono::milliseconds(3000),
                                            static_cast<unsigned>(i));
        done = true;
      });
      for (int polls = 0; !done; ++polls) {
        const Lines got = inbox.Poll();
        seen[i].insert(seen[i].end(), got.begin(), got.end());
        std::this_thread::sleep_for(std::chrono::microseconds(200 + polls % 3000));
      }
      writer.join();
      // The last file goes once left alone, after the one taken before it has waited its grace.
      const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      do {
        const Lines rest = Settle(inbox);
        seen[i].insert(seen[i].end(), rest.begin(), rest.end());
      } while (!fs::is_empty(dirs[i]->path()) && std::chrono::steady_clock::now() < end);
      EXPECT_TRUE(caseLog.entries.empty()) << cases[i].name;
    });
  }
  for (std::thread& t : threads) t.join();
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE("writer case: " + cases[i].name);
    EXPECT_EQ(results[i].error, "");
    EXPECT_EQ(results[i].takenWhileHeld, 0);
    std::vector<int> count(kNotes + 1, 0);
    for (const std::string& line : seen[i]) ++count.at(static_cast<std::size_t>(std::stoi(line.substr(7))));
    int lost = 0;
    int twice = 0;
    for (int n = 1; n <= kNotes; ++n) {
      lost += count[static_cast<std::size_t>(n)] == 0;
      twice += std::max(0, count[static_cast<std::size_t>(n)] - 1);
    }
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(twice, 0);
    EXPECT_TRUE(fs::is_empty(dirs[i]->path())) << "the notes file was not taken once free";
  }
}

TEST_F(InboxFixture, AfterAKillOnlyWhatDidNotReachTheJournalIsShownAgain) {
  auto journalled = [this](const Lines& lines) {
    for (const std::string& l : lines) AppendToFile(Journal(), l + "\r\n");
  };
  HeldNotesFile host(Notes());
  host.Append("1|one\r\n2|two\r\n");
  NotesInbox(Notes(), log, Journal(), kAtOnce).Poll(journalled);
  host.Append("3|three\r\n");
  // Killed after the record of what is being shown, before the journal got it.
  EXPECT_THROW(NotesInbox(Notes(), log, Journal(), kAtOnce).Poll([](const Lines& lines) {
    EXPECT_EQ(lines, Lines{"3|three"});
    throw Killed();
  }),
               Killed);
  host.Append("4|four\r\n");
  // Killed after the journal got it.
  EXPECT_THROW(NotesInbox(Notes(), log, Journal(), kAtOnce).Poll([&](const Lines& lines) {
    EXPECT_EQ(lines, (Lines{"3|three", "4|four"}));
    journalled(lines);
    throw Killed();
  }),
               Killed);
  host.Append("5|five\r\n");
  // Killed while the journal was being appended to: the append was cut short inside a line, so
  // the piece is shown again (a line twice in the journal is better than one lost).
  EXPECT_THROW(NotesInbox(Notes(), log, Journal(), kAtOnce).Poll([&](const Lines& lines) {
    EXPECT_EQ(lines, Lines{"5|five"});
    AppendToFile(Journal(), "5|fi");
    throw Killed();
  }),
               Killed);
  NotesInbox(Notes(), log, Journal(), kAtOnce).Poll(journalled);
  host.Close();
  NotesInbox inbox(Notes(), log, Journal(), kAtOnce);
  EXPECT_EQ(inbox.Poll(), Lines{});
  EXPECT_EQ(Settle(inbox), Lines{});
  EXPECT_EQ(ReadFileBytes(Journal()), "1|one\r\n2|two\r\n3|three\r\n4|four\r\n5|fi5|five\r\n");
  EXPECT_TRUE(LogsEmpty());
}

TEST_F(InboxFixture, AKillWhileAFreeFileIsShownOrTakenRepeatsNothingAndLosesNothing) {
  auto journalled = [this](const Lines& lines) {
    for (const std::string& l : lines) AppendToFile(Journal(), l + "\r\n");
  };
  Append("1|one\r\n");
  // The journal does not exist yet: a kill before its first line shows the piece again.
  EXPECT_THROW(NotesInbox(Notes(), log, Journal(), kAtOnce).Poll([](const Lines&) { throw Killed(); }),
               Killed);
  EXPECT_THROW(NotesInbox(Notes(), log, Journal(), kAtOnce).Poll([&](const Lines& lines) {
    EXPECT_EQ(lines, Lines{"1|one"});
    journalled(lines);
    throw Killed();
  }),
               Killed);
  // Killed after the file was renamed away, before its record followed: nothing is shown again.
  // (And once half-way through replacing a record: the half-written one goes.)
  fs::rename(Notes(), dir.File("Vtnote.dat.taken"));
  WriteFileBytes(dir.File("Vtnote.dat.taken.shown.new"), "12");
  Append("2|two\r\n");
  NotesInbox inbox(Notes(), log, Journal(), kAtOnce);
  EXPECT_EQ(inbox.Poll(), Lines{"2|two"});
  EXPECT_EQ(Settle(inbox), Lines{});
  EXPECT_EQ(ReadFileBytes(Journal()), "1|one\r\n");
  EXPECT_TRUE(LogsEmpty());
}

TEST_F(InboxFixture, WithoutAJournalAPieceIsNeverShownTwiceAfterAKill) {
  HeldNotesFile host(Notes());
  host.Append("1|one\r\n");
  EXPECT_THROW(NotesInbox(Notes(), log, {}, kAtOnce).Poll([](const Lines&) { throw Killed(); }), Killed);
  host.Append("2|two\r\n");
  NotesInbox inbox(Notes(), log, {}, kAtOnce);
  EXPECT_EQ(inbox.Poll(), Lines{"2|two"});
  host.Close();
  EXPECT_EQ(inbox.Poll(), Lines{});
  EXPECT_EQ(Settle(inbox), Lines{});
  EXPECT_TRUE(LogsEmpty());
}

TEST_F(InboxFixture, AWriterThatOpensWithoutWaitingIsNeverRefusedAndLosesNothing) {
  // Wine's server opens the host's files without waiting: any moment in which the viewer makes an
  // open fail (a lease, a lock) is a note the host could not write.
  NotesInbox inbox(Notes(), log, {}, kAtOnce);
  std::atomic<bool> done{false};
  int refused = 0;
  constexpr int kNotes = 1500;
  std::thread writer([&] {
    for (int n = 1; n <= kNotes; ++n) {
      const std::string record = "1|note " + std::to_string(n) + "\r\n";
      int fd = -1;
      while ((fd = ::open(Notes().c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644)) < 0)
        ++refused;
      EXPECT_EQ(::write(fd, record.data(), record.size()), static_cast<ssize_t>(record.size()));
      ::close(fd);
    }
    done = true;
  });
  std::vector<int> seen(kNotes + 1, 0);
  auto count = [&seen](const Lines& lines) {
    for (const std::string& line : lines) ++seen.at(static_cast<std::size_t>(std::stoi(line.substr(7))));
  };
  while (!done) count(inbox.Poll());
  writer.join();
  for (int settle = 0; settle < 3; ++settle) count(Settle(inbox));
  EXPECT_EQ(refused, 0);
  EXPECT_EQ(std::count(seen.begin() + 1, seen.end(), 1), kNotes);
  EXPECT_TRUE(LogsEmpty());
}
