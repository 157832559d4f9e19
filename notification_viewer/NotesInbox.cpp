#include "NotesInbox.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

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

NotesInbox::NotesInbox(std::string notesFile, EventLog& eventLog)
    : notesFile_(std::move(notesFile)), claimedFile_(notesFile_ + ".claimed"), log_(eventLog), reader_(log_) {
  // A claim left by a viewer that ended before finishing it: its records are taken in first.
  claimed_ = FileExists(claimedFile_);
}

void NotesInbox::Report(int errnoValue, const std::string& path, int step) {
  failed_ = true;
  log_.Error(ErrorFromErrno(errnoValue, path).NumberAndDescription() +
             "; frmNote:GetNote, FileName = " + path + ", Step = " + std::to_string(step));
}

bool NotesInbox::ReadClaimed(bool final, std::vector<std::string>& lines) {
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
    SplitRecords(fresh, lines);
    offset_ += fresh.size();
  }
  if (!final) return true;
  if (::unlink(claimedFile_.c_str()) != 0 && errno != ENOENT) {
    Report(errno, claimedFile_, 5);
    return false;  // taken in already; only the deletion is tried again
  }
  claimed_ = false;
  offset_ = 0;
  return true;
}

std::vector<std::string> NotesInbox::Poll() {
  std::vector<std::string> lines;
  failed_ = false;
  if (claimed_ && !ReadClaimed(true, lines)) return lines;
  if (FileExists(notesFile_)) {
    if (::rename(notesFile_.c_str(), claimedFile_.c_str()) != 0) {
      Report(errno, notesFile_, 2);
      return lines;
    }
    claimed_ = true;
    offset_ = 0;
    ReadClaimed(false, lines);
  }
  if (!failed_) log_.Clear();
  return lines;
}

std::vector<std::string> NotesInbox::Finish() {
  std::vector<std::string> lines;
  // A writer holds its lock for the time of one append; a short bounded wait covers it.
  for (int attempt = 0; claimed_ && attempt < 25; ++attempt) {
    if (ReadClaimed(true, lines)) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return lines;
}

}  // namespace cadro
