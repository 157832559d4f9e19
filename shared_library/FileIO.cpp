#include "FileIO.h"

#include <fcntl.h>
#include <stdio.h>  // renameat2
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <mutex>
#include <set>

#include "RunError.h"

namespace cadro {

int FileCalls::Open(const char* path, int flags, mode_t mode) {
  return ::open(path, flags, mode);
}
ssize_t FileCalls::Write(int fd, const void* data, std::size_t size) {
  return ::write(fd, data, size);
}
int FileCalls::Fsync(int fd) {
  return ::fsync(fd);
}
int FileCalls::Close(int fd) {
  return ::close(fd);
}
int FileCalls::Fchmod(int fd, mode_t mode) {
  return ::fchmod(fd, mode);
}
int FileCalls::Fchown(int fd, uid_t owner, gid_t group) {
  return ::fchown(fd, owner, group);
}
int FileCalls::Rename(const char* from, const char* to) {
  return ::rename(from, to);
}
int FileCalls::RenameNoReplace(const char* from, const char* to) {
  return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}
int FileCalls::Link(const char* from, const char* to) {
  return ::link(from, to);
}
int FileCalls::Unlink(const char* path) {
  return ::unlink(path);
}

namespace {

WriteFaultHook& FaultHook() {
  static WriteFaultHook hook;
  return hook;
}

FileCalls*& CallsOverride() {
  static FileCalls* calls = nullptr;
  return calls;
}

FileCalls& Calls() {
  static FileCalls real;
  return CallsOverride() ? *CallsOverride() : real;
}

class Fd {
public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) Calls().Close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

private:
  int fd_;
};

void WriteAll(int fd, std::string_view bytes, const std::string& path, bool injectFaults) {
  constexpr std::size_t kChunk = 64 * 1024;
  std::size_t done = 0;
  while (done < bytes.size()) {
    if (injectFaults && FaultHook() && !FaultHook()(done)) throw ErrorFromErrno(ENOSPC, path);
    const std::size_t n = std::min(kChunk, bytes.size() - done);
    const ssize_t w = Calls().Write(fd, bytes.data() + done, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      throw ErrorFromErrno(errno, path);
    }
    done += static_cast<std::size_t>(w);
  }
  if (injectFaults && FaultHook() && !FaultHook()(done)) throw ErrorFromErrno(ENOSPC, path);
}

std::string FolderOf(const std::string& path) {
  const std::filesystem::path p(path);
  return p.has_parent_path() ? p.parent_path().string() : std::string(".");
}

std::string NameOf(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

// The file a path finally names: a symbolic link is followed (a relative one from its own
// folder) until something that is not a link, or nothing, is reached. Rewriting that file keeps
// the links that lead to it, as writing through them would.
std::string FollowLinks(const std::string& path) {
  std::string current = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::read_symlink(current, ec);
    if (ec) throw ErrorFromErrno(ec.value(), path);
    current = target.is_absolute()
                  ? target.string()
                  : (std::filesystem::path(FolderOf(current)) / target).lexically_normal().string();
  }
  throw ErrorFromErrno(ELOOP, path);
}

// A rewrite killed between creating its temporary file and the rename leaves that file behind
// (".<name>.cadro-XXXXXX": hidden, and never read by any reader). The writer holds an exclusive
// lock on its temporary file while it writes, so a temporary that can be locked has lost its
// writer and is removed. Each process does this once per folder, after its first rewrite there:
// a restart after a crash clears what the crash left, at the cost of one folder scan. (Once per
// file would scan the message folder again for every new report and remember every report ever
// written, so a long shift would grow slower and bigger.) Only a second process rewriting in the
// same folder in the instant between the other's close and rename could take a live temporary;
// that rewrite then fails and is reported, and no file is lost.
constexpr const char* kTemporaryMarker = ".cadro-";
constexpr std::size_t kTemporarySuffix = 6;

// ".<name>.cadro-" and six characters, for a name of one or more characters.
bool IsTemporary(const std::string& entry) {
  const std::size_t marker = std::char_traits<char>::length(kTemporaryMarker);
  if (entry.size() < 2 + marker + kTemporarySuffix || entry.front() != '.') return false;
  return entry.compare(entry.size() - kTemporarySuffix - marker, marker, kTemporaryMarker) == 0;
}

void RemoveAbandonedTemporaries(const std::filesystem::path& folder) {
  static std::mutex mutex;
  static std::set<std::string> done;
  {
    const std::lock_guard<std::mutex> lock(mutex);
    if (!done.insert(folder.string()).second) return;
  }
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!IsTemporary(it->path().filename().string())) continue;
    Fd fd(::open(it->path().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) continue;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) continue;  // its writer is still at work
    ::unlink(it->path().c_str());
  }
}

// A temporary file beside `target`, created by this call alone. It is opened with mode 0666 so the
// system applies the umask (and any default access rules of the folder) exactly as for a plain
// new file; the process umask is never read or set, since changing it affects every thread.
struct Temporary {
  std::string path;
  int fd = -1;
};

Temporary CreateTemporary(const std::string& folder, const std::string& targetName,
                          const std::string& target) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    unsigned char random[kTemporarySuffix] = {};
    if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
      for (std::size_t i = 0; i < kTemporarySuffix; ++i) {
        random[i] = static_cast<unsigned char>(::getpid() * 31 + attempt * 7 + static_cast<int>(i) * 13);
      }
    }
    std::string name = "." + targetName + kTemporaryMarker;
    for (const unsigned char r : random) name += kAlphabet[r % (sizeof kAlphabet - 1)];
    Temporary t{JoinPath(folder, name), -1};
    t.fd = Calls().Open(t.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (t.fd >= 0) {
      // Marks the temporary file as in use until this process closes it or dies.
      ::flock(t.fd, LOCK_EX | LOCK_NB);
      return t;
    }
    if (errno != EEXIST) throw ErrorFromErrno(errno, target);
  }
  throw ErrorFromErrno(EEXIST, target);
}

// The temporary takes what the replaced file had: owner and group first (a change of owner clears
// the set-id bits), then the mode. Only root may give a file away; another member of the group
// keeps at least the group, and the file then belongs to whoever rewrote it last.
void KeepOwnershipAndMode(int fd, const struct stat& old) {
  if (Calls().Fchown(fd, old.st_uid, old.st_gid) != 0) Calls().Fchown(fd, static_cast<uid_t>(-1), old.st_gid);
  Calls().Fchmod(fd, old.st_mode & 07777);
}

// The rename itself made durable; a failure here cannot lose data any more.
void SyncFolder(const std::string& folder) {
  const int fd = Calls().Open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (fd < 0) return;
  Calls().Fsync(fd);
  Calls().Close(fd);
}

// The checks the original delete-then-write made before touching anything: a folder that is
// read-only refuses new files.
void CheckFolderWritable(const std::string& folder) {
  struct stat dirStat {};
  if (::stat(folder.c_str(), &dirStat) == 0 && !(dirStat.st_mode & S_IWUSR)) {
    throw MakeRunError(err::kPermissionDenied);
  }
}

}  // namespace

void ShareLikeFolder(int fd, const std::string& folder) {
  struct stat dir {};
  struct stat file {};
  if (::stat(folder.c_str(), &dir) != 0 || !(dir.st_mode & S_IWGRP) || ::fstat(fd, &file) != 0) return;
  // A setgid folder has given the file its group already; otherwise only a member of the group
  // (or root) may hand it over, and a file left in another group is not opened to that group.
  if (file.st_gid != dir.st_gid && Calls().Fchown(fd, static_cast<uid_t>(-1), dir.st_gid) != 0) return;
  const mode_t shared = (file.st_mode & 07777) | S_IRGRP | S_IWGRP;
  if (shared != (file.st_mode & 07777)) Calls().Fchmod(fd, shared);
}

std::string ReadWholeFile(const std::string& path) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) throw ErrorFromErrno(errno, path);
  struct stat st {};
  if (::fstat(fd.get(), &st) == 0 && S_ISDIR(st.st_mode)) throw MakeRunError(err::kPathFileAccess);
  // Read straight into the result, sized from fstat plus one byte so the end shows without a
  // second allocation; a file that grows meanwhile still comes in whole.
  std::string out(st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : 4096, '\0');
  std::size_t length = 0;
  for (;;) {
    if (length == out.size()) out.resize(out.size() * 2);
    const ssize_t r = ::read(fd.get(), out.data() + length, out.size() - length);
    if (r < 0) {
      if (errno == EINTR) continue;
      throw ErrorFromErrno(errno, path);
    }
    if (r == 0) break;
    length += static_cast<std::size_t>(r);
  }
  out.resize(length);
  return out;
}

void WriteFileAtomic(const std::string& path, std::string_view bytes) {
  const std::string target = FollowLinks(path);
  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (exists) {
    if (S_ISDIR(old.st_mode)) throw MakeRunError(err::kPathFileAccess);
    // A file without its owner's write bit is read-only, as the attribute is on the host's
    // platform, even for root, who passes every access check here.
    if (!(old.st_mode & S_IWUSR)) throw MakeRunError(err::kPermissionDenied);
    if (::access(target.c_str(), W_OK) != 0) throw ErrorFromErrno(errno, path);
  }
  const std::string folder = FolderOf(target);
  CheckFolderWritable(folder);
  const Temporary tmp = CreateTemporary(folder, NameOf(target), path);
  Fd fd(tmp.fd);
  try {
    if (exists) {
      KeepOwnershipAndMode(fd.get(), old);
    } else {
      ShareLikeFolder(fd.get(), folder);
    }
    WriteAll(fd.get(), bytes, path, true);
    // The data must be on the disk before the name points at it, or a crash right after the
    // rename can leave an empty file where the old one was.
    if (Calls().Fsync(fd.get()) != 0) throw ErrorFromErrno(errno, path);
    if (Calls().Close(fd.release()) != 0) throw ErrorFromErrno(errno, path);
    if (Calls().Rename(tmp.path.c_str(), target.c_str()) != 0) throw ErrorFromErrno(errno, path);
  } catch (...) {
    Calls().Unlink(tmp.path.c_str());
    throw;
  }
  SyncFolder(folder);
  RemoveAbandonedTemporaries(folder);
}

NewFileResult WriteNewFileAtomic(const std::string& path, std::string_view bytes) {
  struct stat existing {};
  if (::lstat(path.c_str(), &existing) == 0) return NewFileResult::Exists;
  const std::string folder = FolderOf(path);
  CheckFolderWritable(folder);
  const Temporary tmp = CreateTemporary(folder, NameOf(path), path);
  Fd fd(tmp.fd);
  bool published = false;
  try {
    ShareLikeFolder(fd.get(), folder);
    WriteAll(fd.get(), bytes, path, true);
    if (Calls().Fsync(fd.get()) != 0) throw ErrorFromErrno(errno, path);
    if (Calls().Close(fd.release()) != 0) throw ErrorFromErrno(errno, path);
    // The name is taken in one step that fails when it exists, so a file that appeared since
    // the look above is never replaced. A file system that cannot rename that way still makes
    // hard links, which never replace either; the temporary name is then dropped.
    if (Calls().RenameNoReplace(tmp.path.c_str(), path.c_str()) == 0) {
      published = true;
    } else if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP) {
      if (Calls().Link(tmp.path.c_str(), path.c_str()) == 0) {
        published = true;
      } else if (errno != EEXIST) {
        throw ErrorFromErrno(errno, path);
      }
      Calls().Unlink(tmp.path.c_str());
    } else if (errno != EEXIST) {
      throw ErrorFromErrno(errno, path);
    }
  } catch (...) {
    Calls().Unlink(tmp.path.c_str());
    throw;
  }
  if (!published) {
    Calls().Unlink(tmp.path.c_str());
    return NewFileResult::Exists;
  }
  SyncFolder(folder);
  RemoveAbandonedTemporaries(folder);
  return NewFileResult::Created;
}

void AppendToFile(const std::string& path, std::string_view bytes) {
  // A file this call creates is shared like its folder; one that exists keeps what it has.
  int raw = Calls().Open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC, 0);
  if (raw < 0 && errno == ENOENT) {
    raw = Calls().Open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (raw >= 0) {
      ShareLikeFolder(raw, FolderOf(path));
    } else if (errno == EEXIST) {  // another writer created it in between
      raw = Calls().Open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC, 0);
    }
  }
  Fd fd(raw);
  if (fd.get() < 0) throw ErrorFromErrno(errno, path);
  WriteAll(fd.get(), bytes, path, false);
  if (Calls().Close(fd.release()) != 0) throw ErrorFromErrno(errno, path);
}

bool PathExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

std::string ProgramFolder() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::filesystem::current_path(ec).string();
  return exe.parent_path().string();
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

void SetWriteFaultHookForTests(WriteFaultHook hook) {
  FaultHook() = std::move(hook);
}

void SetFileCallsForTests(FileCalls* calls) {
  CallsOverride() = calls;
}

}  // namespace cadro
