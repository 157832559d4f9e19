#pragma once
// Takes the host's notification records out of Vtnote.dat, each exactly once, and never takes
// the file away from a writer that still holds it.
//
// The host takes no lock: it opens the file, may wait, writes a record (perhaps in pieces), may
// wait again and closes it, or keeps it open for a long time and appends now and then. So the file
// is read where it lies, from where the last read stopped. While anyone may still hold it only
// whole lines (ended by CR) are taken; it is taken away (renamed, then deleted) only once it is
// proven free and everything in it has been shown.
//
// Free is proven by a write lease: the kernel grants one only while no other open file
// description refers to the file (a process that has it open, or Wine's server holding it for a
// handle), and while it is held every new open of the file waits. The take runs under the lease:
// nobody can open the file between the proof and the delete. An open that had already found the
// file by its name still gets it once the lease goes; the kernel tells the holder of such an open
// waiting, and whatever anyone writes into a taken file is read through the descriptor kept for
// it until a lease proves it free again.
//
// The lease is only granted to the file's owner (or a process allowed to lease any file). When
// the host runs under another account, or the file system has no leases, nothing can prove the
// file free: it is left where it is and read by offset for as long as it exists.
//
// Nothing is shown twice across a crash either. Before the lines of a piece are shown, a small
// record beside the file (".shown") tells which file and which bytes are being shown and how long
// the journal of shown notes was; a viewer that starts again reads on from where the showing
// reached the journal. The record goes before the file: the file is first renamed to ".taken" (a
// name that says "all shown"), then the record is removed, then the file. A ".claimed" file left
// by an earlier version of the viewer is taken in first.
//
// A failure (the file cannot be read, renamed or deleted) leaves the file where it is and is tried
// again at the next poll. Each kind is written to the event log once until a poll succeeds again.

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "Platform.h"

namespace cadro {

class NotesInbox {
public:
  using Show = std::function<void(const std::vector<std::string>& lines)>;

  // `notesFile` is the local path of Vtnote.dat; `journalFile` that of the journal the shown
  // notes are appended to ("" when there is none).
  NotesInbox(std::string notesFile, EventLog& eventLog, std::string journalFile = {});
  ~NotesInbox();
  NotesInbox(const NotesInbox&) = delete;
  NotesInbox& operator=(const NotesInbox&) = delete;

  // One poll: hands the record lines that arrived since the last one, in order, to `show` (once
  // per piece of the file; the journal is to be written before it returns). Empty lines are not
  // records and are skipped. When idle this costs one failed open.
  void Poll(const Show& show);
  // The last poll, for closing the window. A file still held by a writer stays where it is (with
  // the record of what was shown) for the next viewer.
  void Finish(const Show& show);
  // The same, collecting the lines.
  std::vector<std::string> Poll();
  std::vector<std::string> Finish();

  const std::string& NotesFile() const { return notesFile_; }
  // Bytes of the notes file taken in so far (the next read starts there).
  std::size_t Offset() const { return current_.offset; }

  // Tests: while this returns an error number, reads fail with it (root reads everything).
  void SetReadErrorForTests(std::function<int()> error) { readError_ = std::move(error); }
  // Tests: called while the lease is held, just before the file is renamed away.
  void SetBeforeTakeForTests(std::function<void()> hook) { beforeTake_ = std::move(hook); }

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
  // A file taken away that someone may still have opened: read on until it is free.
  struct Taken {
    int fd = -1;
    std::size_t offset = 0;
  };
  enum class Lease { Granted, Held, Refused };

  void ReadSource(const std::string& path, bool legacy, const Show& show);
  void Take(int fd, const std::string& path, bool leased);
  void ReadTaken(const Show& show, bool closing);
  bool ShowPiece(const FileId& id, std::string_view fresh, const Show& show);
  bool Read(int fd, std::size_t from, long long to, std::string& out, const std::string& path);
  Lease TryLease(int fd, int& error);
  void LeaseRefused(const std::string& path, int error);
  void Report(int errnoValue, const std::string& path, int step);
  // Where showing stood when the last viewer ended.
  void Resume();
  long long JournalSize() const;
  bool WriteShownRecord(const std::string& text);

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

  std::string notesFile_;
  std::string legacyFile_;
  std::string takenFile_;
  std::string shownFile_;
  std::string journalFile_;
  EventLog& eventLog_;
  OnceLog log_;
  Position current_;  // the file being read and how far
  Position resume_;   // from the record, for the file it names, until that file is read
  std::vector<Taken> taken_;
  bool legacy_ = false;     // a ".claimed" file to take in first
  bool takenLeft_ = false;  // a ".taken" file that could not be deleted yet
  bool refusedLogged_ = false;
  bool failed_ = false;  // something failed during the current poll
  std::function<int()> readError_;
  std::function<void()> beforeTake_;
};

}  // namespace cadro
