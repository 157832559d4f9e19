#include "NotesInbox.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <utility>

#include "FileIO.h"
#include "FileLib.h"
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
  int Release() { return std::exchange(fd_, -1); }

private:
  int fd_;
};

// Lines as GetLine splits them; empty lines are no records.
void SplitRecords(std::string_view text, std::vector<std::string>& lines) {
  for (std::string& line : GetLines(text)) {
    if (!line.empty()) lines.push_back(std::move(line));
  }
}

// Up to the last CR: a line without its end may still be being written.
std::string_view WholeLines(std::string_view text) {
  const std::size_t lastCr = text.rfind('\r');
  return lastCr == std::string_view::npos ? std::string_view() : text.substr(0, lastCr + 1);
}

// While the lease is held, an open of the file by anyone else sends this process a signal whose
// default action would end it. The viewer asks the kernel instead, so the signal is ignored; a
// real-time one of its own leaves SIGIO to whatever else might use it.
int LeaseSignal() {
  static const int signal = [] {
    const int chosen = SIGRTMAX - 1;
    struct sigaction current {};
    if (::sigaction(chosen, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
      struct sigaction ignore {};
      ignore.sa_handler = SIG_IGN;
      sigemptyset(&ignore.sa_mask);
      ::sigaction(chosen, &ignore, nullptr);
    }
    return chosen;
  }();
  return signal;
}

void ReleaseLease(int fd) {
  ::fcntl(fd, F_SETLEASE, F_UNLCK);
}

// Whether an open of the file is waiting for the lease to go.
bool LeaseBroken(int fd) {
  return ::fcntl(fd, F_GETLEASE) != F_WRLCK;
}

long long SizeOf(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

}  // namespace

bool NotesInbox::Position::Is(const FileId& id) const {
  return inode != 0 && inode == id.inode && (born == 0 || id.born == 0 || born == id.born);
}

void NotesInbox::OnceLog::Error(const std::string& text) {
  if (std::find(last_.begin(), last_.end(), text) != last_.end()) return;
  last_.push_back(text);
  target_.Error(text);
}

NotesInbox::NotesInbox(std::string notesFile, EventLog& eventLog, std::string journalFile)
    : notesFile_(std::move(notesFile)),
      legacyFile_(notesFile_ + ".claimed"),
      takenFile_(notesFile_ + ".taken"),
      shownFile_(notesFile_ + ".shown"),
      journalFile_(std::move(journalFile)),
      eventLog_(eventLog),
      log_(eventLog) {
  Resume();
}

NotesInbox::~NotesInbox() {
  for (const Taken& taken : taken_) ::close(taken.fd);
}

namespace {

bool Identify(const std::string& path, int fd, ino_t& inode, long long& born, long long& size) {
  struct statx stx {};
  const int rc = fd >= 0 ? ::statx(fd, "", AT_EMPTY_PATH, STATX_INO | STATX_SIZE | STATX_BTIME, &stx)
                         : ::statx(AT_FDCWD, path.c_str(), 0, STATX_INO | STATX_SIZE | STATX_BTIME, &stx);
  if (rc != 0) return false;
  inode = static_cast<ino_t>(stx.stx_ino);
  size = static_cast<long long>(stx.stx_size);
  born = (stx.stx_mask & STATX_BTIME) != 0
             ? static_cast<long long>(stx.stx_btime.tv_sec) * 1000000000LL + stx.stx_btime.tv_nsec
             : 0;
  return true;
}

}  // namespace

void NotesInbox::Resume() {
  legacy_ = FileExists(legacyFile_);
  struct stat taken {};
  const bool takenThere = ::stat(takenFile_.c_str(), &taken) == 0;
  std::string record;
  try {
    record = ReadWholeFile(shownFile_);
  } catch (const RunError&) {
  }
  unsigned long long inode = 0;
  long long from = 0;
  long long to = 0;
  long long journalBefore = 0;
  long long born = 0;
  const int fields =
      std::sscanf(record.c_str(), "%llu %lld %lld %lld %lld", &inode, &from, &to, &journalBefore, &born);
  // A taken file was shown in full; its record (if it is still there) goes before the file does.
  if (takenThere && fields >= 4 && inode == static_cast<unsigned long long>(taken.st_ino)) {
    ::unlink(shownFile_.c_str());
    inode = 0;
  }
  if (takenThere && ::unlink(takenFile_.c_str()) != 0 && errno != ENOENT) takenLeft_ = true;
  if (fields < 4 || inode == 0) return;

  // The record counts for the file that still has its inode (a legacy claim or the notes file).
  bool found = false;
  for (const std::string* path : {&legacyFile_, &notesFile_}) {
    FileId id;
    if (!Identify(*path, -1, id.inode, id.born, id.size)) continue;
    const Position recorded{static_cast<ino_t>(inode), fields >= 5 ? born : 0, 0};
    if (!recorded.Is(id) || from < 0 || to < from || to > id.size) continue;
    // Without a journal nothing tells whether the showing ended: never twice wins.
    const bool reachedJournal = journalFile_.empty() || JournalSize() > journalBefore;
    resume_ = {id.inode, recorded.born, static_cast<std::size_t>(reachedJournal ? to : from)};
    found = true;
    break;
  }
  if (!found) ::unlink(shownFile_.c_str());  // its file is gone
}

long long NotesInbox::JournalSize() const {
  struct stat st {};
  return !journalFile_.empty() && ::stat(journalFile_.c_str(), &st) == 0 ? static_cast<long long>(st.st_size)
                                                                         : 0;
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

void NotesInbox::Report(int errnoValue, const std::string& path, int step) {
  failed_ = true;
  log_.Error(ErrorFromErrno(errnoValue, path).NumberAndDescription() +
             "; frmNote:GetNote, FileName = " + path + ", Step = " + std::to_string(step));
}

void NotesInbox::LeaseRefused(const std::string& path, int error) {
  if (refusedLogged_) return;
  refusedLogged_ = true;
  eventLog_.Error(ErrorFromErrno(error, path).NumberAndDescription() +
                  "; frmNote:GetNote, FileName = " + path +
                  ", Step = 6; whether the host still holds the notes file cannot be told, so it is read in "
                  "place and left where it is");
}

NotesInbox::Lease NotesInbox::TryLease(int fd, int& error) {
  if (::fcntl(fd, F_SETSIG, LeaseSignal()) != 0 || ::fcntl(fd, F_SETLEASE, F_WRLCK) != 0) {
    error = errno;
    return error == EAGAIN || error == EBUSY ? Lease::Held : Lease::Refused;
  }
  return Lease::Granted;
}

bool NotesInbox::Read(int fd, std::size_t from, long long to, std::string& out, const std::string& path) {
  out.clear();
  if (readError_) {
    if (const int error = readError_(); error != 0) {
      Report(error, path, 3);
      return false;
    }
  }
  if (to <= static_cast<long long>(from)) return true;
  out.resize(static_cast<std::size_t>(to) - from);
  std::size_t got = 0;
  while (got < out.size()) {
    const ssize_t n = ::pread(fd, out.data() + got, out.size() - got, static_cast<off_t>(from + got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      Report(errno, path, 3);
      return false;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  out.resize(got);
  return true;
}

bool NotesInbox::ShowPiece(const FileId& id, std::string_view fresh, const Show& show) {
  std::vector<std::string> lines;
  SplitRecords(fresh, lines);
  if (!lines.empty()) {
    // Which bytes are being shown, before they are: a viewer killed meanwhile knows at its start
    // whether their showing reached the journal.
    if (!WriteShownRecord(std::to_string(id.inode) + " " + std::to_string(current_.offset) + " " +
                          std::to_string(current_.offset + fresh.size()) + " " +
                          std::to_string(JournalSize()) + " " + std::to_string(id.born) + "\r\n")) {
      return false;
    }
  }
  current_.offset += fresh.size();
  if (!lines.empty()) show(lines);
  return true;
}

void NotesInbox::ReadSource(const std::string& path, bool legacy, const Show& show) {
  // Not blocking: an open that would wait for someone else's lease is tried again later.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ENOENT) {
      current_ = {};
      if (legacy) legacy_ = false;
    } else if (errno != EWOULDBLOCK) {
      Report(errno, path, 3);
    }
    return;
  }
  FdCloser closer(fd);
  FileId id;
  if (!Identify(path, fd, id.inode, id.born, id.size)) {
    Report(errno, path, 3);
    return;
  }
  if (!current_.Is(id)) {
    current_ = {id.inode, id.born, 0};
    if (resume_.Is(id)) {
      current_.offset = resume_.offset;
      resume_ = {};
    }
  }
  int error = 0;
  const Lease lease = TryLease(fd, error);
  if (lease == Lease::Refused && !legacy) LeaseRefused(path, error);
  const bool leased = lease == Lease::Granted;
  // A claim left by an earlier viewer was taken in whole by it as well, proof or not.
  const bool free = leased || (legacy && lease == Lease::Refused);
  id.size = SizeOf(fd);  // with the lease, nobody can add to it any more
  if (id.size < static_cast<long long>(current_.offset)) current_.offset = 0;  // cut short by someone
  std::string bytes;
  if (id.size < 0 || !Read(fd, current_.offset, id.size, bytes, path)) {
    if (leased) ReleaseLease(fd);
    return;
  }
  const std::string_view fresh = free ? std::string_view(bytes) : WholeLines(bytes);
  if (!fresh.empty()) {
    if (leased) ReleaseLease(fd);  // the host may open the file again while the lines are shown
    if (!ShowPiece(id, fresh, show) || !free) return;
    // Free a moment ago: it goes now if it still is and nothing more came meanwhile.
    if (leased &&
        (TryLease(fd, error) != Lease::Granted || SizeOf(fd) != static_cast<long long>(current_.offset))) {
      ReleaseLease(fd);
      return;
    }
  } else if (!free) {
    return;
  }
  Take(closer.Release(), path, leased);
  if (legacy && !FileExists(path)) legacy_ = false;
}

void NotesInbox::Take(int fd, const std::string& path, bool leased) {
  FdCloser closer(fd);
  // Someone is opening the file this moment: it is theirs; it is taken at a later poll.
  if (leased && LeaseBroken(fd)) {
    ReleaseLease(fd);
    return;
  }
  if (beforeTake_) beforeTake_();
  // The name ".taken" says that everything in the file was shown: a viewer killed from here on
  // deletes it unread, and the record of what was shown can go before the file does.
  int rc = ::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, takenFile_.c_str(), RENAME_NOREPLACE);
  if (rc != 0 && errno == EEXIST && ::unlink(takenFile_.c_str()) == 0) {
    rc = ::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, takenFile_.c_str(), RENAME_NOREPLACE);
  }
  if (rc != 0 && errno == EINVAL && !FileExists(takenFile_)) rc = ::rename(path.c_str(), takenFile_.c_str());
  if (rc != 0) {
    Report(errno, path, 5);
    if (leased) ReleaseLease(fd);
    return;
  }
  const std::size_t shown = current_.offset;
  current_ = {};
  resume_ = {};
  if (::unlink(shownFile_.c_str()) != 0 && errno != ENOENT) Report(errno, shownFile_, 5);
  if (::unlink(takenFile_.c_str()) != 0 && errno != ENOENT) {
    Report(errno, takenFile_, 5);
    takenLeft_ = true;
  }
  if (!leased) return;
  // An open that found the file by its name before the rename and waits for the lease gets the
  // file once the lease goes; so does one that was a moment slower still. The file is kept open
  // and read until a lease proves that nobody holds it any more.
  ReleaseLease(fd);
  taken_.push_back({closer.Release(), shown});
}

void NotesInbox::ReadTaken(const Show& show, bool closing) {
  for (auto it = taken_.begin(); it != taken_.end();) {
    int error = 0;
    const Lease lease = TryLease(it->fd, error);
    std::string bytes;
    if (Read(it->fd, it->offset, SizeOf(it->fd), bytes, takenFile_)) {
      const std::string_view fresh = lease == Lease::Granted ? std::string_view(bytes) : WholeLines(bytes);
      it->offset += fresh.size();
      std::vector<std::string> lines;
      SplitRecords(fresh, lines);
      // No record of these: a file without a name is found by no later viewer anyway.
      if (!lines.empty()) show(lines);
    }
    if (lease == Lease::Held && !closing) {
      ++it;
      continue;
    }
    ::close(it->fd);
    it = taken_.erase(it);
  }
}

void NotesInbox::Poll(const Show& show) {
  failed_ = false;
  if (takenLeft_ && (::unlink(takenFile_.c_str()) == 0 || errno == ENOENT)) takenLeft_ = false;
  if (!taken_.empty()) ReadTaken(show, false);
  if (legacy_) ReadSource(legacyFile_, true, show);
  if (!legacy_) ReadSource(notesFile_, false, show);
  if (!failed_) log_.Clear();
}

void NotesInbox::Finish(const Show& show) {
  Poll(show);
  // A file taken by this last poll is looked at once more; one that a writer opened after all is
  // read for its whole lines before it is let go.
  if (!taken_.empty()) ReadTaken(show, true);
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
