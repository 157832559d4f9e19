#include "ProgramFolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "FileIO.h"
#include "ProgramIdentity.h"
#include "RunError.h"

namespace cadro {

ProgramFolderLock::ProgramFolderLock(std::string folder) : path_(JoinPath(folder, kLockFileName)) {}

ProgramFolderLock::~ProgramFolderLock() {
  Release();
}

ProgramFolderLock::Result ProgramFolderLock::Acquire() {
  if (fd_ >= 0) return Result::Acquired;
  const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    error_ = ErrorFromErrno(errno, path_).NumberAndDescription();
    return Result::Unavailable;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int e = errno;
    char buf[32] = {};
    const ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
    holderPid_ = n > 0 ? std::strtol(buf, nullptr, 10) : 0;
    ::close(fd);
    if (e == EWOULDBLOCK) return Result::HeldByOther;
    error_ = ErrorFromErrno(e, path_).NumberAndDescription();
    return Result::Unavailable;
  }
  fd_ = fd;
  const std::string pid = std::to_string(static_cast<long>(::getpid())) + "\r\n";
  if (::ftruncate(fd_, 0) == 0) {
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
