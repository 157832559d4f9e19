#pragma once
// One running Cadrocts per program folder. Two copies sharing Cadrocts.ini would hand out the same
// event number, and the second report would overwrite the first one's file. The lock is an
// advisory lock on a small file in the program folder; the kernel drops it when the process ends
// in any way, so a crash never leaves a stale lock behind.

#include <string>

namespace cadro {

inline constexpr const char* kLockFileName = "Cadrocts.lock";

class ProgramFolderLock {
public:
  enum class Result { Acquired, HeldByOther, Unavailable };

  explicit ProgramFolderLock(std::string folder);
  ~ProgramFolderLock();
  ProgramFolderLock(const ProgramFolderLock&) = delete;
  ProgramFolderLock& operator=(const ProgramFolderLock&) = delete;

  // Takes the lock and records this process in the file. HeldByOther when another copy holds it
  // (holderPid() then names it when known); Unavailable when the file cannot be opened at all
  // (a read-only folder), with error() telling why.
  Result Acquire();
  void Release();

  long holderPid() const { return holderPid_; }
  const std::string& error() const { return error_; }
  const std::string& path() const { return path_; }

private:
  std::string path_;
  int fd_ = -1;
  long holderPid_ = 0;
  std::string error_;
};

// The words a second copy shows before it ends.
std::string AlreadyRunningMessage(const std::string& folder, long holderPid);

}  // namespace cadro
