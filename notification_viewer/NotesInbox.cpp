#include "NotesInbox.h"

#include <fcntl.h>
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

long long SizeOf(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

// A plain file's inode, birth time and size; false for anything else (a folder in the way).
bool Identify(const std::string& path, int fd, ino_t& inode, long long& born, long long& size) {
  struct statx stx {};
  const unsigned mask = STATX_TYPE | STATX_INO | STATX_SIZE | STATX_BTIME;
  const int rc =
      fd >= 0 ? ::statx(fd, "", AT_EMPTY_PATH, mask, &stx) : ::statx(AT_FDCWD, path.c_str(), 0, mask, &stx);
  if (rc != 0) return false;
  if (!S_ISREG(stx.stx_mode)) {
    errno = EISDIR;
    return false;
  }
  inode = static_cast<ino_t>(stx.stx_ino);
  size = static_cast<long long>(stx.stx_size);
  born = (stx.stx_mask & STATX_BTIME) != 0
             ? static_cast<long long>(stx.stx_btime.tv_sec) * 1000000000LL + stx.stx_btime.tv_nsec
             : 0;
  return true;
}

// "inode from to journal-before [born]": the bytes from..to of the file with that inode were
// being shown when the journal was that long.
struct Recorded {
  unsigned long long inode = 0;
  long long from = 0;
  long long to = 0;
  long long journalBefore = 0;
  long long born = 0;
};

std::optional<Recorded> ReadRecord(const std::string& path) {
  std::string text;
  try {
    text = ReadWholeFile(path);
  } catch (const RunError&) {
    return std::nullopt;
  }
  Recorded r;
  const int fields = std::sscanf(text.c_str(), "%llu %lld %lld %lld %lld", &r.inode, &r.from, &r.to,
                                 &r.journalBefore, &r.born);
  if (fields < 4 || r.inode == 0 || r.from < 0 || r.to < r.from) return std::nullopt;
  if (fields < 5) r.born = 0;
  return r;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  // A file system that cannot promise it: the check and the rename are then two steps.
  if (errno != EINVAL) return false;
  if (FileExists(to)) {
    errno = EEXIST;
    return false;
  }
  return ::rename(from.c_str(), to.c_str()) == 0;
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

NotesInbox::NotesInbox(std::string notesFile, EventLog& eventLog, std::string journalFile,
                       std::chrono::milliseconds quiet)
    : legacyFile_(notesFile + ".claimed"),
      journalFile_(std::move(journalFile)),
      eventLog_(eventLog),
      log_(eventLog),
      notesName_(BaseName(notesFile)),
      takenName_(notesName_ + ".taken"),
      opens_(FolderOf(notesFile), notesName_),
      quiet_(quiet) {
  notes_.path = notesFile;
  notes_.record = notesFile + ".shown";
  taken_.path = notesFile + ".taken";
  taken_.record = taken_.path + ".shown";
  Resume();
}

NotesInbox::~NotesInbox() {
  if (takenFd_ >= 0) ::close(takenFd_);
  for (const Orphan& orphan : orphans_) ::close(orphan.fd);
}

void NotesInbox::AdoptLegacyClaim() {
  // A claim of an earlier version: everything in it up to its record was shown, which is what a
  // taken file is; its record (which names its inode) moves with it.
  if (!FileExists(legacyFile_) || !RenameNoReplace(legacyFile_, taken_.path)) return;
  takenPending_ = true;
}

void NotesInbox::Resume() {
  // A record half written when the last viewer ended: the one it was to replace still stands.
  ::unlink((notes_.record + ".new").c_str());
  ::unlink((taken_.record + ".new").c_str());
  AdoptLegacyClaim();
  FileId taken;
  const bool takenThere = Identify(taken_.path, -1, taken.inode, taken.born, taken.size);
  std::optional<Recorded> notesRecord = ReadRecord(notes_.record);
  std::optional<Recorded> takenRecord = ReadRecord(taken_.record);
  // Killed between the rename of a file and the move of its record: the record follows.
  if (takenThere && notesRecord &&
      Position{static_cast<ino_t>(notesRecord->inode), notesRecord->born, 0}.Is(taken)) {
    if (::rename(notes_.record.c_str(), taken_.record.c_str()) == 0) {
      takenRecord = notesRecord;
      notesRecord.reset();
    }
  }
  takenPending_ = takenThere;  // a taken file left behind is deleted at the first poll
  // Without a journal nothing tells whether the showing ended: never twice wins.
  auto resume = [this](Source& source, const std::optional<Recorded>& record) {
    FileId id;
    if (record && Identify(source.path, -1, id.inode, id.born, id.size) &&
        Position{static_cast<ino_t>(record->inode), record->born, 0}.Is(id) && record->to <= id.size) {
      const bool reachedJournal =
          journalFile_.empty() || (JournalSize() > record->journalBefore && JournalEndsWhole());
      source.resume = {id.inode, record->born,
                       static_cast<std::size_t>(reachedJournal ? record->to : record->from)};
    } else if (record || FileExists(source.record)) {
      ::unlink(source.record.c_str());  // its file is gone
    }
  };
  resume(notes_, notesRecord);
  resume(taken_, takenRecord);
}

bool NotesInbox::JournalEndsWhole() const {
  // A kill can cut an append short (between pages): a journal that ends inside a line did not
  // get the whole piece, which is then shown again rather than lost.
  const int fd = ::open(journalFile_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char last = 0;
  const long long size = SizeOf(fd);
  const bool whole = size > 0 && ::pread(fd, &last, 1, static_cast<off_t>(size - 1)) == 1 && last == '\n';
  ::close(fd);
  return whole;
}

long long NotesInbox::JournalSize() const {
  struct stat st {};
  return !journalFile_.empty() && ::stat(journalFile_.c_str(), &st) == 0 ? static_cast<long long>(st.st_size)
                                                                         : 0;
}

bool NotesInbox::WriteRecord(const std::string& path, const std::string& text) {
  // Replaced by a rename, so a viewer killed half-way leaves the old record or the new one. It
  // guards against the viewer ending, not the machine, so it is not flushed to the disk.
  const std::string temporary = path + ".new";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  bool ok = fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  if (fd >= 0) ok = ::close(fd) == 0 && ok;
  if (ok) ok = ::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) {
    Report(errno, path, 4);
    ::unlink(temporary.c_str());
  }
  return ok;
}

void NotesInbox::Report(int errnoValue, const std::string& path, int step) {
  failed_ = true;
  log_.Error(ErrorFromErrno(errnoValue, path).NumberAndDescription() +
             "; frmNote:GetNote, FileName = " + path + ", Step = " + std::to_string(step));
}

void NotesInbox::CannotTell(const std::string& path) {
  if (cannotTellLogged_) return;
  cannotTellLogged_ = true;
  eventLog_.Error(ErrorFromErrno(EACCES, path).NumberAndDescription() +
                  "; frmNote:GetNote, FileName = " + path +
                  ", Step = 6; whether the host still holds the notes file cannot be told, so it is read in "
                  "place and left where it is");
}

std::vector<int> NotesInbox::OwnFds(int inHand) const {
  std::vector<int> own{inHand};
  if (takenFd_ >= 0) own.push_back(takenFd_);
  for (const Orphan& orphan : orphans_) own.push_back(orphan.fd);
  return own;
}

std::uint64_t NotesInbox::OpensAndCloses() {
  opens_.Update();
  return opens_.Events(notesName_) + opens_.Events(takenName_);
}

NotesInbox::Hold NotesInbox::Holders(int fd) {
  FileId id;
  if (!Identify("", fd, id.inode, id.born, id.size)) return Hold::Held;
  const std::uint64_t before = OpensAndCloses();
  // A file still held when last looked at, and neither opened nor closed since, is still held:
  // a kept-open file is not looked for on every poll.
  const auto now = std::chrono::steady_clock::now();
  if (lastLook_.inode == id.inode && lastLook_.events == before && lastLook_.hold != Hold::Free &&
      now - lastLook_.at < kLookAgain)
    return lastLook_.hold;
  const NotesOpens::Scan scan = NotesOpens::ScanProcesses(fd, OwnFds(fd));
  // Someone came or went meanwhile: the look may have missed them.
  if (OpensAndCloses() != before) return Hold::Held;
  const Hold hold = scan == NotesOpens::Scan::Free   ? Hold::Free
                    : scan == NotesOpens::Scan::Held ? Hold::Held
                                                     : Hold::CannotTell;
  lastLook_ = {id.inode, before, hold, now};
  return hold;
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

bool NotesInbox::IdentifyOpen(Source& source, int fd, FileId& id) {
  if (!Identify(source.path, fd, id.inode, id.born, id.size)) {
    Report(errno, source.path, 3);
    return false;
  }
  if (!source.pos.Is(id)) {
    source.pos = {id.inode, id.born, 0};
    if (source.resume.Is(id)) source.pos.offset = source.resume.offset;
    source.resume = {};
  }
  return true;
}

bool NotesInbox::ReadNew(Source& source, int fd, std::string& bytes) {
  const long long size = SizeOf(fd);
  if (size < 0) {
    Report(errno, source.path, 3);
    return false;
  }
  if (size < static_cast<long long>(source.pos.offset)) source.pos.offset = 0;  // cut short by someone
  return Read(fd, source.pos.offset, size, bytes, source.path);
}

bool NotesInbox::ShowPiece(Source& source, const FileId& id, std::string_view fresh, const Show& show) {
  std::vector<std::string> lines;
  SplitRecords(fresh, lines);
  if (!lines.empty()) {
    // Which bytes are being shown, before they are: a viewer killed meanwhile knows at its start
    // whether their showing reached the journal.
    if (!WriteRecord(source.record, std::to_string(id.inode) + " " + std::to_string(source.pos.offset) + " " +
                                        std::to_string(source.pos.offset + fresh.size()) + " " +
                                        std::to_string(JournalSize()) + " " + std::to_string(id.born) +
                                        "\r\n")) {
      return false;
    }
  }
  source.pos.offset += fresh.size();
  if (!lines.empty()) show(lines);
  return true;
}

bool NotesInbox::ShowNew(Source& source, int fd, const FileId& id, const Show& show, Hold& hold) {
  hold = Hold::Held;
  std::string bytes;
  if (!ReadNew(source, fd, bytes)) return false;
  const std::string_view whole = WholeLines(bytes);
  if (!whole.empty() && !ShowPiece(source, id, whole, show)) return false;
  hold = Holders(fd);
  if (hold == Hold::CannotTell && &source == &notes_) CannotTell(source.path);
  if (hold != Hold::Free) return true;
  // Nobody holds the file now: a last line without its end, read before this proof and not
  // grown since, was left so by a writer that has closed the file. It is final.
  const std::string_view rest = std::string_view(bytes).substr(whole.size());
  if (rest.empty() || SizeOf(fd) != static_cast<long long>(source.pos.offset + rest.size())) return true;
  return ShowPiece(source, id, rest, show);
}

std::chrono::milliseconds NotesInbox::TakeDueIn() const {
  if (!waitsForQuiet_) return std::chrono::milliseconds(0);
  const auto left = quiet_ - (std::chrono::steady_clock::now() - still_.since);
  return std::max(std::chrono::milliseconds(1), std::chrono::ceil<std::chrono::milliseconds>(left));
}

void NotesInbox::ReadNotes(const Show& show) {
  waitsForQuiet_ = false;
  // Not blocking: an open that would wait for someone else's lease is tried again later.
  const int fd = ::open(notes_.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ENOENT) {
      notes_.pos = {};
      still_ = {};  // a file made later is new, even if it gets this one's inode
    } else if (errno != EWOULDBLOCK) {
      Report(errno, notes_.path, 3);
    }
    return;
  }
  FdCloser closer(fd);
  FileId id;
  if (!IdentifyOpen(notes_, fd, id)) return;
  const auto now = std::chrono::steady_clock::now();
  if (still_.inode != id.inode || still_.size != id.size) still_ = {id.inode, id.size, now};
  Hold hold = Hold::Held;
  if (!ShowNew(notes_, fd, id, show, hold) || hold != Hold::Free) return;
  // Free, shown in full and left alone: taken, one taken file at a time (the next one waits,
  // shown in place).
  const long long size = SizeOf(fd);
  if (size != still_.size || size != static_cast<long long>(notes_.pos.offset) || takenPending_) return;
  if (now - still_.since < quiet_) {
    waitsForQuiet_ = true;
    return;
  }
  TakeNotes(closer.Release());
}

void NotesInbox::TakeNotes(int fd) {
  FdCloser closer(fd);
  if (stepHook_) stepHook_(Step::Proven);
  // A last look just before the rename: a writer that opened the file since the proof (the
  // viewer may have waited for the CPU in between) keeps it where it is. What remains is the
  // moment of the rename itself, which the give-back below covers.
  if (OpensAndCloses() != lastLook_.events) return;
  if (stepHook_) stepHook_(Step::Rename);
  if (!RenameNoReplace(notes_.path, taken_.path)) {
    Report(errno, notes_.path, 5);  // a file in the way that is not ours stays as it is
    return;
  }
  // Someone opened the file between the proof and the rename (or was on the way to): it is
  // theirs again, under its name, unless a new notes file is there already. An open already
  // reported gives it back at once; the rename itself is two reports, one per name.
  const bool stirred = OpensAndCloses() != lastLook_.events + 2;
  if ((stirred || Holders(fd) != Hold::Free || SizeOf(fd) != static_cast<long long>(notes_.pos.offset)) &&
      RenameNoReplace(taken_.path, notes_.path)) {
    return;
  }
  if (::rename(notes_.record.c_str(), taken_.record.c_str()) != 0) ::unlink(taken_.record.c_str());
  taken_.pos = notes_.pos;
  taken_.resume = {};
  still_ = {};
  notes_.pos = {};
  notes_.resume = {};
  takenFd_ = closer.Release();
  takenAt_ = std::chrono::steady_clock::now();
  takenPending_ = true;
}

bool NotesInbox::GiveBack() {
  // A writer holds the taken file: it is the notes file again, with its record, unless a new
  // notes file is there already.
  // The record goes first: a viewer killed in between finds it naming the taken file's inode and
  // moves it back.
  if (FileExists(notes_.path)) return false;
  if (::rename(taken_.record.c_str(), notes_.record.c_str()) != 0) ::unlink(notes_.record.c_str());
  if (!RenameNoReplace(taken_.path, notes_.path)) {
    ::rename(notes_.record.c_str(), taken_.record.c_str());
    return false;
  }
  notes_.pos = taken_.pos;
  notes_.resume = taken_.resume;
  taken_.pos = {};
  taken_.resume = {};
  if (takenFd_ >= 0) ::close(takenFd_);
  takenFd_ = -1;
  takenPending_ = false;
  return true;
}

void NotesInbox::ReadTaken(const Show& show) {
  if (takenFd_ < 0) takenFd_ = ::open(taken_.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (takenFd_ < 0) {
    if (errno == ENOENT) {
      takenPending_ = false;
      taken_.pos = {};
      ::unlink(taken_.record.c_str());
      AdoptLegacyClaim();
    } else if (errno != EWOULDBLOCK) {
      Report(errno, taken_.path, 3);
    }
    return;
  }
  const int fd = takenFd_;
  FileId id;
  if (!IdentifyOpen(taken_, fd, id)) return;
  Hold hold = Hold::Held;
  if (!ShowNew(taken_, fd, id, show, hold)) return;
  // Held, or nothing tells (a taken file left by a viewer that ended, the host under another
  // account): it is the notes file again, read in place.
  if (hold != Hold::Free) {
    GiveBack();
    return;
  }
  if (SizeOf(fd) != static_cast<long long>(taken_.pos.offset)) return;
  if (stepHook_) stepHook_(Step::Delete);
  // The file goes before its record: a viewer killed in between finds no file to read again.
  if (::unlink(taken_.path.c_str()) != 0 && errno != ENOENT) {
    Report(errno, taken_.path, 5);
    return;
  }
  ::unlink(taken_.record.c_str());
  // Someone who opened the file just as it went keeps it: it is read through this descriptor
  // until nobody holds it.
  if (Holders(fd) != Hold::Free || SizeOf(fd) != static_cast<long long>(taken_.pos.offset)) {
    orphans_.push_back({fd, taken_.pos.offset});
  } else {
    ::close(fd);
  }
  takenFd_ = -1;
  takenPending_ = false;
  taken_.pos = {};
  AdoptLegacyClaim();
}

void NotesInbox::ReadOrphans(const Show& show, bool closing) {
  for (auto it = orphans_.begin(); it != orphans_.end();) {
    std::string bytes;
    if (!Read(it->fd, it->offset, SizeOf(it->fd), bytes, taken_.path)) {
      ++it;
      continue;
    }
    const bool final =
        Holders(it->fd) == Hold::Free && SizeOf(it->fd) == static_cast<long long>(it->offset + bytes.size());
    const std::string_view fresh = final ? std::string_view(bytes) : WholeLines(bytes);
    it->offset += fresh.size();
    std::vector<std::string> lines;
    SplitRecords(fresh, lines);
    // No record of these: a file without a name is found by no later viewer anyway.
    if (!lines.empty()) show(lines);
    if (!final && !closing) {
      ++it;
      continue;
    }
    ::close(it->fd);
    it = orphans_.erase(it);
  }
}

void NotesInbox::Poll(const Show& show) {
  failed_ = false;
  if (!orphans_.empty()) ReadOrphans(show, false);
  if (takenPending_ && std::chrono::steady_clock::now() - takenAt_ >= kTakeGrace) ReadTaken(show);
  ReadNotes(show);
  if (!failed_) log_.Clear();
}

void NotesInbox::Finish(const Show& show) {
  // As a poll, but a taken file goes without waiting out its grace, so that the notes file after
  // it can be taken (and go) as well.
  failed_ = false;
  if (!orphans_.empty()) ReadOrphans(show, false);
  if (takenPending_) ReadTaken(show);
  ReadNotes(show);
  if (takenPending_) ReadTaken(show);
  if (!orphans_.empty()) ReadOrphans(show, true);
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
