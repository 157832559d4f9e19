#pragma once
// Takes the host's notification records out of Vtnote.dat, each exactly once.
//
// The host appends to Vtnote.dat at any moment, so reading the file and then deleting it would
// lose what it appended in between. Instead the file is first claimed: renamed to a private
// name in the same folder, after which the host's next append creates a new Vtnote.dat. The
// claimed file is read at once and read again for stragglers at the next poll, then deleted,
// so a writer that opened the file just before the rename still gets its record shown.
// Writers that lock the file while they append (see the stand-in's notes writer) are waited
// for: the claimed file is only finished while no writer holds it.
//
// A file that cannot be claimed (or read, or deleted) is left where it is and tried again at
// the next poll; nothing is shown twice. Each kind of failure is written to the event log once
// until a poll succeeds again.
//
// Nothing is shown twice across a crash either. Before records of the claimed file are shown, a
// small record beside it (".shown") tells which bytes of which claimed file are being shown and
// how long the journal of shown notes was; the claimed file is deleted only after they were
// shown. A viewer that starts on a claimed file left behind skips the bytes whose showing reached
// the journal, and shows again only those that did not.

#include <functional>
#include <string>
#include <vector>

#include "FileLib.h"
#include "Platform.h"

namespace cadro {

class NotesInbox {
public:
  using Show = std::function<void(const std::vector<std::string>& lines)>;

  // `notesFile` is the local path of Vtnote.dat; `journalFile` that of the journal the shown
  // notes are appended to ("" when there is none).
  NotesInbox(std::string notesFile, EventLog& eventLog, std::string journalFile = {});

  // One poll: hands the record lines that arrived since the last one, in order, to `show` (once
  // per piece of a file; the journal is to be written before it returns). Empty lines are not
  // records and are skipped. When idle this costs one existence test.
  void Poll(const Show& show);
  // What is left of a claimed file, shown and the file deleted: for closing the window.
  void Finish(const Show& show);
  // The same, collecting the lines.
  std::vector<std::string> Poll();
  std::vector<std::string> Finish();

  const std::string& NotesFile() const { return notesFile_; }
  const std::string& ClaimedFile() const { return claimedFile_; }
  bool Claimed() const { return claimed_; }

  // Tests make a present file unreadable through this (root reads everything).
  void SetFileReaderForTests(FileLib::FileReader reader) { reader_.SetFileReaderForTests(std::move(reader)); }

private:
  // Reads the claimed file from where the last read stopped. Without `final` only whole lines are
  // taken; with it everything, and the file is deleted. False when the read must be retried.
  bool ReadClaimed(bool final, const Show& show);
  void Report(int errnoValue, const std::string& path, int step);
  // Where showing the claimed file stood when the last viewer ended.
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
  std::string claimedFile_;
  std::string shownFile_;
  std::string journalFile_;
  OnceLog log_;
  FileLib reader_;
  bool claimed_ = false;
  bool failed_ = false;  // something failed during the current poll
  std::size_t offset_ = 0;
};

}  // namespace cadro
