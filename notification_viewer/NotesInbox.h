#pragma once
// Takes the host's notification records out of Vtnote.dat, each exactly once, and takes the file
// away only once it has been left alone for a while and nobody holds it.
//
// The host takes no lock: it opens the file, may wait, writes a record (perhaps in pieces), may
// wait again and closes it, or keeps it open for a long time and appends now and then. So the file
// is read where it lies, from where the last read stopped, and every note is shown as soon as its
// line is whole. While anyone may still hold it only whole lines (ended by CR) are taken; it is
// taken away (renamed, then deleted) only once it is proven free, everything in it has been shown
// and it has kept its size for `quiet` (the host writes in bursts: a file still being written to
// is not taken between two notes of a burst, which is when a writer is most likely on its way).
//
// Free is told without touching the file: the open files of every process are looked through in
// /proc, while a watch of the folder tells whether anyone opened or closed it meanwhile
// (NotesOpens). The file is never locked or leased: Wine's server opens without waiting, so
// anything that can make an open fail for a moment would make the host lose a note. The take has
// two steps. The file is renamed to ".taken" and looked at again (and checked unchanged); if
// someone opened or wrote it in between, it gets its name back at once. A moment later ".taken" is
// looked at once more and deleted: an open that had found the file by its name just before the
// rename has shown itself by then, and a writer holding the taken file gets it back as the notes
// file. What anyone writes into a taken file is shown before it goes.
//
// No check can see an open that found the file by its name and is completed only after the
// rename: Linux has no "rename unless open". Such a writer writes into the taken file for at most
// the grace below; it then gets the file back under its name, and nothing it wrote is lost or
// shown twice.
//
// Where processes that may write the file cannot be looked into (the host under another account
// that owns the file, the viewer not root), nothing tells: the file is read in place by offset and
// left where it is, until it is gone or told free.
//
// Nothing is shown twice across a crash either. Before the lines of a piece are shown, a small
// record beside the file (".shown" beside the notes file, ".taken.shown" beside a taken one)
// tells which file and which bytes are being shown and how long the journal of shown notes was;
// a viewer that starts again reads on from where the showing reached the journal. A record moves
// with its file and goes after it. A ".claimed" file left by an earlier version of the viewer is
// taken in as a taken file.
//
// A failure (the file cannot be read, renamed or deleted) leaves the file where it is and is tried
// again at the next poll. Each kind is written to the event log once until a poll succeeds again.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "NotesOpens.h"
#include "Platform.h"

namespace cadro {

class NotesInbox {
public:
  using Show = std::function<void(const std::vector<std::string>& lines)>;
  // How long a taken file waits for a late opener before it is deleted.
  static constexpr std::chrono::milliseconds kTakeGrace{50};
  // How long the notes file keeps its size before it is taken: half the viewer's poll interval,
  // so a file left alone since the last poll goes at this one.
  static constexpr std::chrono::milliseconds kQuiet{500};

  // `notesFile` is the local path of Vtnote.dat; `journalFile` that of the journal the shown
  // notes are appended to ("" when there is none). Tests of the take itself pass a `quiet` of 0.
  NotesInbox(std::string notesFile, EventLog& eventLog, std::string journalFile = {},
             std::chrono::milliseconds quiet = kQuiet);
  ~NotesInbox();
  NotesInbox(const NotesInbox&) = delete;
  NotesInbox& operator=(const NotesInbox&) = delete;

  // One poll: hands the record lines that arrived since the last one, in order, to `show` (once
  // per piece of a file; the journal is to be written before it returns). Empty lines are not
  // records and are skipped. When idle this costs one failed open.
  void Poll(const Show& show);
  // The last poll, for closing the window: a taken file is deleted without waiting its grace. A
  // notes file still held by a writer, or written to just now, stays where it is, with its record,
  // for the next viewer.
  void Finish(const Show& show);
  // The same, collecting the lines.
  std::vector<std::string> Poll();
  std::vector<std::string> Finish();

  const std::string& NotesFile() const { return notes_.path; }
  // Bytes of the notes file taken in so far (the next read starts there).
  std::size_t Offset() const { return notes_.pos.offset; }
  // A taken file waits for its grace to end; a poll after that deletes it.
  bool TakePending() const { return takenPending_; }
  // A notes file shown in full and free is left where it is until it has kept its size for the
  // quiet time: how long until a poll would take it. Zero when no file waits so.
  std::chrono::milliseconds TakeDueIn() const;

  // Tests: while this returns an error number, reads fail with it (root reads everything).
  void SetReadErrorForTests(std::function<int()> error) { readError_ = std::move(error); }
  // Tests: called once the file was found free, just before the notes file is renamed away
  // (Rename) and just before a taken file is deleted (Delete).
  enum class Step { Proven, Rename, Delete };
  void SetStepHookForTests(std::function<void(Step)> hook) { stepHook_ = std::move(hook); }

private:
  struct FileId {
    ino_t inode = 0;
    long long born = 0;  // birth time in ns where the file system keeps one, else 0
    long long size = 0;
  };
  struct Position {
    ino_t inode = 0;
    long long born = 0;
    std::size_t offset = 0;
    bool Is(const FileId& id) const;
  };
  struct Source {
    std::string path;
    std::string record;  // what of it is being shown
    Position pos;        // the file being read and how far
    Position resume;     // from the record, until the file is read
  };
  // A taken file deleted while someone was opening it: read on until it is free.
  struct Orphan {
    int fd = -1;
    std::size_t offset = 0;
  };
  enum class Hold { Free, Held, CannotTell };
  // How long a file found held counts as held while nobody opens or closes it.
  static constexpr std::chrono::milliseconds kLookAgain{1000};

  void ReadNotes(const Show& show);
  void TakeNotes(int fd);
  void ReadTaken(const Show& show);
  bool GiveBack();
  void ReadOrphans(const Show& show, bool closing);
  // Reads what is new in `fd` for `source`. False on failure.
  // Which file `fd` is; a file other than the one `source` was reading starts from its
  // beginning, or from where a viewer before this one got to in it. False when it cannot be told.
  bool IdentifyOpen(Source& source, int fd, FileId& id);
  bool ReadNew(Source& source, int fd, std::string& bytes);
  // Shows the whole lines that are new, then tells whether the file is free (`hold`); when free,
  // a last line without its end is final and shown too. False on failure.
  bool ShowNew(Source& source, int fd, const FileId& id, const Show& show, Hold& hold);
  bool ShowPiece(Source& source, const FileId& id, std::string_view fresh, const Show& show);
  bool Read(int fd, std::size_t from, long long to, std::string& out, const std::string& path);
  // Whether anyone but the viewer holds the file open here on `fd`.
  Hold Holders(int fd);
  // Opens and closes of the notes file and the taken file reported so far, the latest taken in.
  std::uint64_t OpensAndCloses();
  std::vector<int> OwnFds(int inHand) const;
  void CannotTell(const std::string& path);
  void Report(int errnoValue, const std::string& path, int step);
  // Where showing stood when the last viewer ended; files left by it are adopted.
  void Resume();
  void AdoptLegacyClaim();
  long long JournalSize() const;
  bool JournalEndsWhole() const;
  bool WriteRecord(const std::string& path, const std::string& text);

  // Forwards each distinct entry once until the inbox clears it after a good poll.
  class OnceLog final : public EventLog {
  public:
    explicit OnceLog(EventLog& target) : target_(target) {}
    void Error(const std::string& text) override;
    void Clear() { last_.clear(); }

  private:
    EventLog& target_;
    std::vector<std::string> last_;
  };

  Source notes_;
  Source taken_;
  std::string legacyFile_;
  std::string journalFile_;
  EventLog& eventLog_;
  OnceLog log_;
  int takenFd_ = -1;
  bool takenPending_ = false;
  std::chrono::steady_clock::time_point takenAt_{};
  std::vector<Orphan> orphans_;
  bool cannotTellLogged_ = false;
  std::string notesName_;
  std::string takenName_;
  NotesOpens opens_;
  struct Look {
    ino_t inode = 0;
    std::uint64_t events = 0;
    Hold hold = Hold::Held;
    std::chrono::steady_clock::time_point at{};
  };
  Look lastLook_;
  // The notes file as last seen to change: which file, how long, and since when.
  struct Still {
    ino_t inode = 0;
    long long size = -1;
    std::chrono::steady_clock::time_point since{};
  };
  Still still_;
  std::chrono::milliseconds quiet_;
  bool waitsForQuiet_ = false;  // the last poll left the notes file only because it was fresh
  bool failed_ = false;         // something failed during the current poll
  std::function<int()> readError_;
  std::function<void(Step)> stepHook_;
};

}  // namespace cadro
