#include "ProgramFolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "FileIO.h"
#include "ProgramIdentity.h"
#include "RunError.h"
#include "WholeNumber.h"

namespace cadro {

ProgramFolderLock::ProgramFolderLock(std::string folder) : path_(JoinPath(folder, kLockFileName)) {}

ProgramFolderLock::~ProgramFolderLock() {
  Release();
}

namespace {

// The lock file is shared by every operator account of the station: whoever creates it makes it
// writable for the folder's group, and an account that may only read a lock file left by an
// older copy still takes the lock, since a lock needs no write access.
int OpenLockFile(const std::string& path, bool& writable) {
  writable = true;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd >= 0) {
    ShareLikeFolder(fd, std::filesystem::path(path).parent_path().string());
    return fd;
  }
  if (errno != EEXIST) return -1;
  fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd >= 0 || errno != EACCES) return fd;
  writable = false;
  return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

long HolderFrom(int fd) {
  char buf[32] = {};
  const ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
  if (n <= 0) return 0;
  std::string_view text(buf, static_cast<std::size_t>(n));
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
  return static_cast<long>(ReadWholeNumber(text, {.min = 1, .allowSign = false}).ValueOr(0));
}

}  // namespace

ProgramFolderLock::Result ProgramFolderLock::Acquire() {
  if (fd_ >= 0) return Result::Acquired;
  bool writable = true;
  const int fd = OpenLockFile(path_, writable);
  if (fd < 0) {
    error_ = ErrorFromErrno(errno, path_).NumberAndDescription();
    return Result::Unavailable;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int e = errno;
    holderPid_ = HolderFrom(fd);
    ::close(fd);
    if (e == EWOULDBLOCK) return Result::HeldByOther;
    error_ = ErrorFromErrno(e, path_).NumberAndDescription();
    return Result::Unavailable;
  }
  fd_ = fd;
  const std::string pid = std::to_string(static_cast<long>(::getpid())) + "\r\n";
  if (writable && ::ftruncate(fd_, 0) == 0) {
    [[maybe_unused]] const ssize_t w = ::pwrite(fd_, pid.data(), pid.size(), 0);
  }
  return Result::Acquired;
}

void ProgramFolderLock::Release() {
  if (fd_ < 0) return;
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
  fd_ = -1;
}

std::string AlreadyRunningMessage(const std::string& folder, long holderPid) {
  std::string text = std::string(kProgramTitle) + " is already running from " + folder;
  if (holderPid > 0) text += " (process " + std::to_string(holderPid) + ")";
  text += ".\r\nOnly one copy may run per program folder, so that no event number is given out twice.";
  return text;
}

}  // namespace cadro
