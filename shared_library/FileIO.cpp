#include "FileIO.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <mutex>
#include <set>

#include "RunError.h"

namespace cadro {
namespace {

WriteFaultHook& FaultHook() {
  static WriteFaultHook hook;
  return hook;
}

class Fd {
public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
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
    const ssize_t w = ::write(fd, bytes.data() + done, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      throw ErrorFromErrno(errno, path);
    }
    done += static_cast<std::size_t>(w);
  }
  if (injectFaults && FaultHook() && !FaultHook()(done)) throw ErrorFromErrno(ENOSPC, path);
}

// A rewrite killed between creating its temporary file and the rename leaves that file behind
// (".<name>.cadro-XXXXXX": hidden, and never read by any reader). The writer holds an exclusive
// lock on its temporary file while it writes, so a temporary of the same target that can be locked
// has lost its writer and is removed. Each process does this once per target, after its first
// rewrite of it: a restart after a crash clears what the crash left, at the cost of one folder
// scan. Only a second process rewriting the same file in the instant between the other's close and
// rename could take a live temporary; that rewrite then fails and is reported, and no file is lost.
constexpr const char* kTemporaryMarker = ".cadro-";

bool IsTemporaryOf(const std::string& entry, const std::string& targetName) {
  const std::string prefix = "." + targetName + kTemporaryMarker;
  return entry.size() == prefix.size() + 6 && entry.compare(0, prefix.size(), prefix) == 0;
}

void RemoveAbandonedTemporaries(const std::filesystem::path& folder, const std::string& targetName) {
  static std::mutex mutex;
  static std::set<std::string> done;
  {
    const std::lock_guard<std::mutex> lock(mutex);
    if (!done.insert((folder / targetName).string()).second) return;
  }
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!IsTemporaryOf(it->path().filename().string(), targetName)) continue;
    Fd fd(::open(it->path().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) continue;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) continue;  // its writer is still at work
    ::unlink(it->path().c_str());
  }
}

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

}  // namespace

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
  namespace fs = std::filesystem;
  struct stat old {};
  const bool exists = ::stat(path.c_str(), &old) == 0;
  if (exists) {
    if (S_ISDIR(old.st_mode)) throw MakeRunError(err::kPathFileAccess);
    // A file without its owner's write bit is read-only, as the attribute is on the host's
    // platform, even for root, who passes every access check here.
    if (!(old.st_mode & S_IWUSR)) throw MakeRunError(err::kPermissionDenied);
    if (::access(path.c_str(), W_OK) != 0) throw ErrorFromErrno(errno, path);
  }
  const fs::path target(path);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  struct stat dirStat {};
  if (::stat(folder.c_str(), &dirStat) == 0 && !(dirStat.st_mode & S_IWUSR)) {
    throw MakeRunError(err::kPermissionDenied);
  }
  std::string tmpl = (folder / ("." + target.filename().string() + kTemporaryMarker + "XXXXXX")).string();
  Fd fd(::mkstemp(tmpl.data()));
  if (fd.get() < 0) throw ErrorFromErrno(errno, path);
  // Marks the temporary file as in use until this process closes it or dies.
  ::flock(fd.get(), LOCK_EX | LOCK_NB);
  const std::string tmp = tmpl;
  try {
    const mode_t mode = exists ? (old.st_mode & 07777) : (0666 & ~CurrentUmask());
    ::fchmod(fd.get(), mode);
    WriteAll(fd.get(), bytes, path, true);
    if (::fsync(fd.get()) != 0) throw ErrorFromErrno(errno, path);
    if (::close(fd.release()) != 0) throw ErrorFromErrno(errno, path);
    if (::rename(tmp.c_str(), path.c_str()) != 0) throw ErrorFromErrno(errno, path);
  } catch (...) {
    ::unlink(tmp.c_str());
    throw;
  }
  // Make the rename itself durable; a failure here cannot lose data any more.
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  RemoveAbandonedTemporaries(folder, target.filename().string());
}

void AppendToFile(const std::string& path, std::string_view bytes) {
  Fd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
  if (fd.get() < 0) throw ErrorFromErrno(errno, path);
  WriteAll(fd.get(), bytes, path, false);
  if (::close(fd.release()) != 0) throw ErrorFromErrno(errno, path);
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

}  // namespace cadro
