#pragma once
// Whole-file reads and crash-safe whole-file rewrites. Every file the suite shares with the host
// is read whole and written whole; a rewrite goes to a temporary file in the same folder and is
// renamed over the old one, so a crash, a full disk or a failed write leaves the old file or the
// new one, never neither.
//
// Program folders may be shared by several operator accounts through a common group (folders
// group-writable, usually setgid). A file this module creates in a group-writable folder takes
// the folder's group and is group-writable; a rewrite keeps the mode, owner and group the file
// had. The process umask is never changed: it is process-wide.

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace cadro {

// The whole file as bytes. Throws RunError (53 missing, 76 no folder, 70 no access, 75 other).
std::string ReadWholeFile(const std::string& path);

// Replaces (or creates) `path` with `bytes`. A target that exists but cannot be written fails
// with 70 before anything is touched, as the original delete-then-write did. When `path` is a
// symbolic link, the file it leads to is rewritten in its own folder and the link stays a link.
// Throws RunError; on any failure the temporary file is removed and the target is as it was.
void WriteFileAtomic(const std::string& path, std::string_view bytes);

// Publishes `bytes` as the new file `path`, never replacing anything that is there: the file
// appears whole or not at all. Exists when the name is taken (by a file, folder or link, even
// one that appeared a moment ago), so the caller can choose another name; nothing is written
// then. Throws RunError for every other failure.
enum class NewFileResult { Created, Exists };
[[nodiscard]] NewFileResult WriteNewFileAtomic(const std::string& path, std::string_view bytes);

// Appends `bytes` to `path`, creating the file when missing. Throws RunError.
void AppendToFile(const std::string& path, std::string_view bytes);

// For a file descriptor of a file just created in `folder`: when the folder is group-writable,
// gives the file the folder's group and group read and write, so the other accounts of a shared
// station can rewrite it. Best effort; nothing changes for a private folder.
void ShareLikeFolder(int fd, const std::string& folder);

// True when the path names something the file system can describe (file or folder).
bool PathExists(const std::string& path);

// The folder of the running executable.
std::string ProgramFolder();

// Joins a folder and a name with the platform's separator.
std::string JoinPath(const std::string& folder, const std::string& name);

// Test hook: called before each chunk of an atomic write with the bytes written so far; returning
// false makes that write fail as a full disk would. Empty in production.
using WriteFaultHook = std::function<bool(std::size_t writtenSoFar)>;
void SetWriteFaultHookForTests(WriteFaultHook hook);

// The system calls the writers make, each returning what the system call returns (errno set on
// failure). Tests derive from it to record the order of the calls or to make one of them fail;
// the base class makes the real calls.
class FileCalls {
public:
  virtual ~FileCalls() = default;
  virtual int Open(const char* path, int flags, mode_t mode);
  virtual ssize_t Write(int fd, const void* data, std::size_t size);
  virtual int Fsync(int fd);
  virtual int Close(int fd);
  virtual int Fchmod(int fd, mode_t mode);
  virtual int Fchown(int fd, uid_t owner, gid_t group);
  virtual int Rename(const char* from, const char* to);
  // Renames only when `to` does not exist (EEXIST otherwise); EINVAL where the file system
  // cannot do that in one step.
  virtual int RenameNoReplace(const char* from, const char* to);
  virtual int Link(const char* from, const char* to);
  virtual int Unlink(const char* path);
};
// Routes the writers through `calls` (nullptr: the real calls again). Tests only.
void SetFileCallsForTests(FileCalls* calls);

}  // namespace cadro
