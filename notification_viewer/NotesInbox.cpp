#include "NotesInbox.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

#include "FileIO.h"
#include "RunError.h"
#include "StringLib.h"

namespace cadro {
namespace {

class FdCloser {
public:
  explicit FdCloser(int fd) : fd_(fd) {}
  ~FdCloser() {
    if (fd_ >= 0) ::close(fd_);
  }
  FdCloser(const FdCloser&) = delete;
  FdCloser& operator=(const FdCloser&) = delete;

private:
  int fd_;
};

// Lines as GetLine splits them; empty lines are no records.
void SplitRecords(std::string_view text, std::vector<std::string>& lines) {
  for (std::string& line : GetLines(text)) {
    if (!line.empty()) lines.push_back(std::move(line));
  }
}

}  // namespace

void NotesInbox::OnceLog::Error(const std::string& text) {
  if (std::find(last_.begin(), last_.end(), text) != last_.end()) return;
  last_.push_back(text);
  target_.Error(text);
}

NotesInbox::NotesInbox(std::string notesFile, EventLog& eventLog, std::string journalFile)
    : notesFile_(std::move(notesFile)),
      claimedFile_(notesFile_ + ".claimed"),
      shownFile_(notesFile_ + ".shown"),
      journalFile_(std::move(journalFile)),
      log_(eventLog),
      reader_(log_) {
  // A claim left by a viewer that ended before finishing it: its records are taken in first.
  claimed_ = FileExists(claimedFile_);
  Resume();
}

bool NotesInbox::WriteShownRecord(const std::string& text) {
  // Replaced by a rename, so a viewer killed half-way leaves the old record or the new one. It
  // guards against the viewer ending, not the machine, so it is not flushed to the disk.
  const std::string temporary = shownFile_ + ".new";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  bool ok = fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  if (fd >= 0) ok = ::close(fd) == 0 && ok;
  if (ok) ok = ::rename(temporary.c_str(), shownFile_.c_str()) == 0;
  if (!ok) {
    Report(errno, shownFile_, 4);
    ::unlink(temporary.c_str());
  }
  return ok;
}

long long NotesInbox::JournalSize() const {
  struct stat st {};
  return !journalFile_.empty() && ::stat(journalFile_.c_str(), &st) == 0 ? static_cast<long long>(st.st_size)
                                                                         : 0;
}

void NotesInbox::Resume() {
  offset_ = 0;
  struct stat claimed {};
  if (!claimed_ || ::stat(claimedFile_.c_str(), &claimed) != 0) {
    ::unlink(shownFile_.c_str());  // belongs to a claimed file that is gone
    return;
  }
  std::string record;
  try {
    record = ReadWholeFile(shownFile_);
  } catch (const RunError&) {
    return;  // nothing of this claimed file was being shown
  }
  unsigned long long inode = 0;
  long long from = 0;
  long long to = 0;
  long long journalBefore = 0;
  if (std::sscanf(record.c_str(), "%llu %lld %lld %lld", &inode, &from, &to, &journalBefore) != 4) return;
  if (inode != static_cast<unsigned long long>(claimed.st_ino) || from < 0 || to < from ||
      to > static_cast<long long>(claimed.st_size)) {
    return;
  }
  // Without a journal nothing tells whether the showing ended: never twice wins.
  const bool reachedJournal = journalFile_.empty() || JournalSize() > journalBefore;
  offset_ = static_cast<std::size_t>(reachedJournal ? to : from);
}

void NotesInbox::Report(int errnoValue, const std::string& path, int step) {
  failed_ = true;
  log_.Error(ErrorFromErrno(errnoValue, path).NumberAndDescription() +
             "; frmNote:GetNote, FileName = " + path + ", Step = " + std::to_string(step));
}

bool NotesInbox::ReadClaimed(bool final, const Show& show) {
  int fd = -1;
  if (final) {
    fd = ::open(claimedFile_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      if (errno == ENOENT) {  // gone already: nothing left to take in
        claimed_ = false;
        offset_ = 0;
        return true;
      }
      Report(errno, claimedFile_, 3);
      return false;
    }
    // A cooperating writer that still appends to the claimed file is waited for until the next
    // poll; once the lock is ours no such writer can add to this file any more.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      return false;
    }
  }
  const FdCloser closer(fd);
  std::string contents;
  try {
    contents = reader_.ReadTextFileContents(claimedFile_);
  } catch (const RunError&) {
    failed_ = true;  // FileLib has logged it (once, through log_)
    return false;
  }
  if (contents.size() > offset_) {
    std::string_view fresh = std::string_view(contents).substr(offset_);
    if (!final) {
      // A line without its CR may still be being written: it waits for the final read.
      const std::size_t lastCr = fresh.rfind('\r');
      fresh = lastCr == std::string_view::npos ? std::string_view() : fresh.substr(0, lastCr + 1);
    }
    std::vector<std::string> lines;
    SplitRecords(fresh, lines);
    if (!lines.empty()) {
      struct stat st {};
      if (::stat(claimedFile_.c_str(), &st) != 0) {
        Report(errno, claimedFile_, 4);
        return false;
      }
      // Which bytes are being shown, before they are: a viewer killed meanwhile knows at its
      // start whether their showing reached the journal.
      if (!WriteShownRecord(std::to_string(st.st_ino) + " " + std::to_string(offset_) + " " +
                            std::to_string(offset_ + fresh.size()) + " " + std::to_string(JournalSize()) +
                            "\r\n")) {
        return false;
      }
      offset_ += fresh.size();
      show(lines);
    } else {
      offset_ += fresh.size();
    }
  }
  if (!final) return true;
  if (::unlink(claimedFile_.c_str()) != 0 && errno != ENOENT) {
    Report(errno, claimedFile_, 5);
    return false;  // taken in already; only the deletion is tried again
  }
  ::unlink(shownFile_.c_str());
  claimed_ = false;
  offset_ = 0;
  return true;
}

void NotesInbox::Poll(const Show& show) {
  failed_ = false;
  if (claimed_ && !ReadClaimed(true, show)) return;
  if (FileExists(notesFile_)) {
    // A record of a claimed file that is gone must not stand for the next one.
    if (::unlink(shownFile_.c_str()) != 0 && errno != ENOENT) {
      Report(errno, shownFile_, 2);
      return;
    }
    if (::rename(notesFile_.c_str(), claimedFile_.c_str()) != 0) {
      Report(errno, notesFile_, 2);
      return;
    }
    claimed_ = true;
    offset_ = 0;
    ReadClaimed(false, show);
  }
  if (!failed_) log_.Clear();
}

void NotesInbox::Finish(const Show& show) {
  // A writer holds its lock for the time of one append; a short bounded wait covers it.
  for (int attempt = 0; claimed_ && attempt < 25; ++attempt) {
    if (ReadClaimed(true, show)) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::vector<std::string> NotesInbox::Poll() {
  std::vector<std::string> lines;
  Poll([&lines](const std::vector<std::string>& got) { lines.insert(lines.end(), got.begin(), got.end()); });
  return lines;
}

std::vector<std::string> NotesInbox::Finish() {
  std::vector<std::string> lines;
  Finish(
      [&lines](const std::vector<std::string>& got) { lines.insert(lines.end(), got.begin(), got.end()); });
  return lines;
}

}  // namespace cadro
