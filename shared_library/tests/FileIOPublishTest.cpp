// The writers' promises that only show in what the system calls see: the order in which data,
// names and folders reach the disk, publishing a new file without replacing one that appeared
// meanwhile, links, owners, groups and modes, and the process umask left alone.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "FileIO.h"
#include "RunError.h"
#include "TestKit.h"

using namespace cadro;
using cadro::testing::ReadFileBytes;
using cadro::testing::TempDir;
using cadro::testing::WriteFileBytes;

// Every umask call of this test program is counted: the writers must never make one, since the
// mask is shared by every thread of a program.
namespace {
std::atomic<int> umaskCalls{0};
}
extern "C" mode_t umask(mode_t mask) noexcept {
  ++umaskCalls;
  using Real = mode_t (*)(mode_t);
  static const Real real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "umask"));
  return real(mask);
}

namespace {

std::string Name(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

// Records each call by the name of the file it acts on, and lets a test step in before a call.
class RecordingCalls : public FileCalls {
public:
  RecordingCalls() { SetFileCallsForTests(this); }
  ~RecordingCalls() override { SetFileCallsForTests(nullptr); }

  int Open(const char* path, int flags, mode_t mode) override {
    const int fd = FileCalls::Open(path, flags, mode);
    if (fd >= 0) names[fd] = Name(path);
    return fd;
  }
  int Fsync(int fd) override {
    log.push_back("fsync " + names[fd]);
    if (beforeFsync) beforeFsync();
    return FileCalls::Fsync(fd);
  }
  int Rename(const char* from, const char* to) override {
    log.push_back("rename " + Name(from) + " " + Name(to));
    return FileCalls::Rename(from, to);
  }
  int RenameNoReplace(const char* from, const char* to) override {
    log.push_back("rename-noreplace " + Name(from) + " " + Name(to));
    if (noRenameNoReplace) {
      errno = noRenameNoReplaceErrno;
      return -1;
    }
    return FileCalls::RenameNoReplace(from, to);
  }
  int Link(const char* from, const char* to) override {
    log.push_back("link " + Name(from) + " " + Name(to));
    if (linkErrno != 0) {
      errno = linkErrno;
      return -1;
    }
    return FileCalls::Link(from, to);
  }
  ssize_t Write(int fd, const void* data, std::size_t size) override {
    return FileCalls::Write(fd, data, writeAtMost > 0 ? std::min(size, writeAtMost) : size);
  }
  int Fchown(int fd, uid_t owner, gid_t group) override {
    if (fchownErrno != 0 && (owner != static_cast<uid_t>(-1) || !onlyGiveAwayFails)) {
      errno = fchownErrno;
      return -1;
    }
    return FileCalls::Fchown(fd, owner, group);
  }
  // A failing close of a file (a network share reports a lost write only there) still frees the
  // descriptor, as the system call does.
  int Close(int fd) override {
    struct stat st {};
    const bool file = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    const int result = FileCalls::Close(fd);
    if (failFileClose && file) {
      errno = EIO;
      return -1;
    }
    return result;
  }

  // The position of the first entry that starts with `prefix`, or -1.
  int IndexOf(const std::string& prefix) const {
    for (std::size_t i = 0; i < log.size(); ++i) {
      if (log[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    }
    return -1;
  }

  std::map<int, std::string> names;
  std::vector<std::string> log;
  std::function<void()> beforeFsync;
  bool noRenameNoReplace = false;
  int noRenameNoReplaceErrno = EINVAL;
  int linkErrno = 0;
  bool failFileClose = false;
  std::size_t writeAtMost = 0;  // a write takes at most this many bytes (0: all it is given)
  int fchownErrno = 0;
  bool onlyGiveAwayFails = false;  // with fchownErrno: a change of group alone still works
};

int CountEntries(const std::string& folder) {
  return static_cast<int>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

struct stat StatOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st;
}

}  // namespace

// A crash right after the rename must find the new bytes under the name: the temporary file is
// on the disk before the rename, and the folder entry after it.
TEST(AtomicWriteOrder, DataReachesTheDiskBeforeTheNameAndTheFolderAfter) {
  TempDir dir;
  const std::string f = dir.File("Cadrocts.ini");
  WriteFileBytes(f, "old\r\n");
  for (const bool replace : {true, false}) {
    const std::string target = replace ? f : dir.File("NEW.911");
    RecordingCalls calls;
    if (replace) {
      WriteFileAtomic(target, "new\r\n");
    } else {
      ASSERT_EQ(WriteNewFileAtomic(target, "new\r\n"), NewFileResult::Created);
    }
    const std::string tmpPrefix = "." + Name(target) + ".cadro-";
    const int fileSync = calls.IndexOf("fsync " + tmpPrefix);
    const int rename = calls.IndexOf(replace ? "rename " + tmpPrefix : "rename-noreplace " + tmpPrefix);
    const int folderSync = calls.IndexOf("fsync " + dir.path().filename().string());
    ASSERT_GE(fileSync, 0) << "the temporary file is never synced";
    ASSERT_GE(rename, 0);
    EXPECT_LT(fileSync, rename) << "renamed before the data was on the disk";
    EXPECT_GT(folderSync, rename) << "the folder is not synced after the rename";
    EXPECT_EQ(ReadFileBytes(target), "new\r\n");
  }
}

// Data the system could not write back is lost even when every write call succeeded: a close
// that fails is a failed save, and the old file, the free name and the folder stay as they were.
TEST(FailedClose, EveryWriterReportsItAndKeepsWhatWasThere) {
  TempDir dir;
  const std::string old = dir.File("Cadrocts.ini");
  WriteFileBytes(old, "old\r\n");
  RecordingCalls calls;
  calls.failFileClose = true;
  const auto errorOf = [](const std::function<void()>& write) -> long {
    try {
      write();
    } catch (const RunError& e) {
      return e.number;
    }
    return 0;
  };
  EXPECT_EQ(errorOf([&] { WriteFileAtomic(old, "new\r\n"); }), err::kPathFileAccess);
  EXPECT_EQ(ReadFileBytes(old), "old\r\n");
  EXPECT_EQ(errorOf([&] { (void)WriteNewFileAtomic(dir.File("A.911"), "new\r\n"); }), err::kPathFileAccess);
  EXPECT_FALSE(std::filesystem::exists(dir.File("A.911")));
  EXPECT_EQ(CountEntries(dir.str()), 1) << "no temporary file is left";
  EXPECT_EQ(errorOf([&] { AppendToFile(dir.File("log.txt"), "line\r\n"); }), err::kPathFileAccess);
}

// Where names cannot be taken by a rename that refuses to replace, a hard link takes them. A link
// that fails for any reason but a taken name is a failure, not a name to be told is taken (the
// caller would then pick another name and save again).
TEST(WriteNewFileAtomic, ALinkThatFailsIsReportedNotTakenForATakenName) {
  TempDir dir;
  RecordingCalls calls;
  calls.noRenameNoReplace = true;
  calls.linkErrno = ENOSPC;
  long error = 0;
  try {
    (void)WriteNewFileAtomic(dir.File("A.911"), "new\r\n");
  } catch (const RunError& e) {
    error = e.number;
  }
  EXPECT_EQ(error, err::kDiskFull);
  EXPECT_EQ(CountEntries(dir.str()), 0);
  calls.linkErrno = EEXIST;
  EXPECT_EQ(WriteNewFileAtomic(dir.File("A.911"), "new\r\n"), NewFileResult::Exists);
  EXPECT_EQ(CountEntries(dir.str()), 0);
  calls.linkErrno = 0;
  EXPECT_EQ(WriteNewFileAtomic(dir.File("A.911"), "new\r\n"), NewFileResult::Created);
  EXPECT_EQ(ReadFileBytes(dir.File("A.911")), "new\r\n");
  EXPECT_EQ(CountEntries(dir.str()), 1);
  // Each way a system says it cannot do such a rename leads to the link.
  for (const int reason : {ENOSYS, ENOTSUP}) {
    calls.noRenameNoReplaceErrno = reason;
    const std::string name = "B" + std::to_string(reason) + ".911";
    EXPECT_EQ(WriteNewFileAtomic(dir.File(name), "new\r\n"), NewFileResult::Created) << reason;
    EXPECT_EQ(ReadFileBytes(dir.File(name)), "new\r\n");
  }
  EXPECT_EQ(CountEntries(dir.str()), 3);
}

TEST(WriteNewFileAtomic, NeverReplacesWhatIsThere) {
  TempDir dir;
  EXPECT_EQ(WriteNewFileAtomic(dir.File("A.911"), "first\r\n"), NewFileResult::Created);
  EXPECT_EQ(ReadFileBytes(dir.File("A.911")), "first\r\n");
  EXPECT_EQ(WriteNewFileAtomic(dir.File("A.911"), "second\r\n"), NewFileResult::Exists);
  EXPECT_EQ(ReadFileBytes(dir.File("A.911")), "first\r\n");

  std::filesystem::create_directory(dir.File("B.911"));
  EXPECT_EQ(WriteNewFileAtomic(dir.File("B.911"), "x"), NewFileResult::Exists);
  std::filesystem::create_symlink(dir.File("nowhere"), dir.File("C.911"));
  EXPECT_EQ(WriteNewFileAtomic(dir.File("C.911"), "x"), NewFileResult::Exists);
  EXPECT_FALSE(PathExists(dir.File("nowhere"))) << "a dangling link is a taken name, not a way through";
  EXPECT_EQ(CountEntries(dir.str()), 3) << "no temporary file is left behind";

  // Failures other than a taken name are errors, and leave nothing behind either.
  EXPECT_THROW((void)WriteNewFileAtomic(dir.File("no/such/D.911"), "x"), RunError);
  std::filesystem::create_directory(dir.File("ro"));
  ::chmod(dir.File("ro").c_str(), 0555);
  try {
    (void)WriteNewFileAtomic(dir.File("ro/E.911"), "x");
    ADD_FAILURE() << "a read-only folder took a new file";
  } catch (const RunError& e) {
    EXPECT_EQ(e.number, err::kPermissionDenied);
  }
  EXPECT_EQ(CountEntries(dir.File("ro")), 0);
}

// Another program (or a restored backup) may create the same name while the data is written: the
// look before writing is not enough, the publishing step itself must refuse. The same holds where
// the file system cannot rename without replacing and a hard link stands in.
TEST(WriteNewFileAtomic, AFileThatAppearsDuringTheWriteIsKept) {
  for (const bool linkFallback : {false, true}) {
    TempDir dir;
    const std::string f = dir.File("X.911");
    RecordingCalls calls;
    calls.noRenameNoReplace = linkFallback;
    calls.beforeFsync = [&] {
      if (!PathExists(f)) WriteFileBytes(f, "theirs\r\n");
    };
    EXPECT_EQ(WriteNewFileAtomic(f, "ours\r\n"), NewFileResult::Exists) << linkFallback;
    EXPECT_EQ(ReadFileBytes(f), "theirs\r\n");
    EXPECT_EQ(CountEntries(dir.str()), 1) << "the temporary file is removed";

    calls.beforeFsync = nullptr;
    EXPECT_EQ(WriteNewFileAtomic(dir.File("Y.911"), "ours\r\n"), NewFileResult::Created);
    EXPECT_EQ(ReadFileBytes(dir.File("Y.911")), "ours\r\n");
    EXPECT_EQ(CountEntries(dir.str()), 2);
    EXPECT_EQ(calls.IndexOf("link ") >= 0, linkFallback);
  }
}

// Host files are often links into the host's own folders (a profile kept elsewhere, a
// Launch.local shared between prefixes). Rewriting through the link changes the file it leads
// to, in that file's folder, and the link stays.
TEST(WriteFileAtomic, RewritesTheFileALinkLeadsTo) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("real"));
  std::filesystem::create_directory(dir.File("links"));
  const std::string real = dir.File("real/Launch.local");
  WriteFileBytes(real, "old\r\n");
  ::chmod(real.c_str(), 0640);
  std::filesystem::create_symlink("../real/Launch.local", dir.File("links/relative"));
  std::filesystem::create_symlink(dir.File("links/relative"), dir.File("links/chain"));

  WriteFileAtomic(dir.File("links/chain"), "new\r\n");
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("links/chain")));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("links/relative")));
  EXPECT_EQ(ReadFileBytes(real), "new\r\n");
  EXPECT_EQ(StatOf(real).st_mode & 07777, 0640u);
  EXPECT_EQ(CountEntries(dir.File("real")), 1);
  EXPECT_EQ(CountEntries(dir.File("links")), 2);

  // A link whose file is not there yet gets it, beside where the link points.
  std::filesystem::create_symlink("../real/later.ini", dir.File("links/dangling"));
  WriteFileAtomic(dir.File("links/dangling"), "made\r\n");
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("links/dangling")));
  EXPECT_EQ(ReadFileBytes(dir.File("real/later.ini")), "made\r\n");

  std::filesystem::create_symlink("loop", dir.File("links/loop"));
  EXPECT_THROW(WriteFileAtomic(dir.File("links/loop"), "x"), RunError);
}

TEST(WriteFileAtomic, KeepsModeOwnerAndGroupAndLeavesTheUmaskAlone) {
  TempDir dir;
  const std::string f = dir.File("profile.ini");
  WriteFileBytes(f, "old\r\n");
  ::chmod(f.c_str(), 02660);  // the set-id bits are part of the mode too
  const bool root = ::geteuid() == 0;
  // Root rewrites an operator's file (ids need not name accounts for this).
  if (root) {
    ASSERT_EQ(::chown(f.c_str(), 4242, 4343), 0);
  }
  const int before = umaskCalls;
  WriteFileAtomic(f, "new\r\n");
  AppendToFile(dir.File("new.log"), "line\r\n");
  (void)WriteNewFileAtomic(dir.File("N.911"), "n\r\n");
  EXPECT_EQ(umaskCalls - before, 0) << "the process umask was touched";
  const struct stat st = StatOf(f);
  EXPECT_EQ(st.st_mode & 07777, 02660u);
  if (root) {
    EXPECT_EQ(st.st_uid, 4242u);
    EXPECT_EQ(st.st_gid, 4343u);
  }
  EXPECT_EQ(ReadFileBytes(f), "new\r\n");
}

// A shared station's folders are group-writable (and setgid): every file the writers create
// there must be writable by the group, or the next operator can neither save nor log.
TEST(NewFilesInASharedFolder, TakeTheFolderGroupAndGroupWrite) {
  TempDir dir;
  const std::string shared = dir.File("shared");
  const std::string priv = dir.File("private");
  std::filesystem::create_directory(shared);
  std::filesystem::create_directory(priv);
  ::chmod(priv.c_str(), 0755);
  const bool root = ::geteuid() == 0;
  // Root may give the folder any group; without root the folder keeps our own group and only
  // the mode can be shown.
  const gid_t group = root ? 4343 : ::getegid();
  if (root) {
    ASSERT_EQ(::chown(shared.c_str(), static_cast<uid_t>(-1), group), 0);
  }
  for (const mode_t folderMode : {02775u, 0775u}) {
    ::chmod(shared.c_str(), folderMode);
    const std::string tag = std::to_string(folderMode);
    WriteFileAtomic(JoinPath(shared, "Cadrocts" + tag + ".ini"), "x\r\n");
    AppendToFile(JoinPath(shared, "Cadro" + tag + ".log"), "x\r\n");
    ASSERT_EQ(WriteNewFileAtomic(JoinPath(shared, tag + ".911"), "x\r\n"), NewFileResult::Created);
    for (const std::string& name : {"Cadrocts" + tag + ".ini", "Cadro" + tag + ".log", tag + ".911"}) {
      const struct stat st = StatOf(JoinPath(shared, name));
      EXPECT_EQ(st.st_mode & 0060, 0060u) << name << " is not group-writable";
      EXPECT_EQ(st.st_mode & 0002, 0u) << name << " is writable by everyone";
      EXPECT_EQ(st.st_gid, group) << name;
    }
  }
  // A private folder gets what the umask gives, as before.
  WriteFileAtomic(JoinPath(priv, "a.ini"), "x\r\n");
  AppendToFile(JoinPath(priv, "a.log"), "x\r\n");
  const mode_t mask = ::umask(022);
  ::umask(mask);
  for (const char* name : {"a.ini", "a.log"}) {
    EXPECT_EQ(StatOf(JoinPath(priv, name)).st_mode & 0777, 0666u & ~mask) << name;
  }
}

// Another operator of the group rewrites the file: it cannot keep its owner, but it keeps its
// group, so the first operator can still write it.
TEST(WriteFileAtomic, AFileThatCannotKeepItsOwnerKeepsItsGroup) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give the file a group this process is not in";
  TempDir dir;
  const std::string f = dir.File("Cadrocts.ini");
  WriteFileBytes(f, "old\r\n");
  ASSERT_EQ(::chown(f.c_str(), 4242, 4343), 0);
  ::chmod(f.c_str(), 0660);
  RecordingCalls calls;
  calls.fchownErrno = EPERM;
  calls.onlyGiveAwayFails = true;
  WriteFileAtomic(f, "new\r\n");
  const struct stat st = StatOf(f);
  EXPECT_EQ(st.st_gid, 4343u);
  EXPECT_EQ(st.st_uid, ::geteuid());
  EXPECT_EQ(st.st_mode & 07777, 0660u);
  EXPECT_EQ(ReadFileBytes(f), "new\r\n");
}

// A file left in another group than its folder's (only root or a member may hand it over) is not
// opened to that other group.
TEST(NewFilesInASharedFolder, AFileThatCannotTakeTheFolderGroupIsNotOpenedToItsOwn) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give the folder a group this process is not in";
  TempDir dir;
  const std::string shared = dir.File("shared");
  std::filesystem::create_directory(shared);
  ASSERT_EQ(::chown(shared.c_str(), static_cast<uid_t>(-1), 4343), 0);
  ::chmod(shared.c_str(), 0775);
  RecordingCalls calls;
  calls.fchownErrno = EPERM;
  WriteFileAtomic(JoinPath(shared, "a.ini"), "x\r\n");
  AppendToFile(JoinPath(shared, "a.log"), "x\r\n");
  ASSERT_EQ(WriteNewFileAtomic(JoinPath(shared, "A.911"), "x\r\n"), NewFileResult::Created);
  const mode_t mask = ::umask(022);
  ::umask(mask);
  for (const char* name : {"a.ini", "a.log", "A.911"}) {
    const struct stat st = StatOf(JoinPath(shared, name));
    EXPECT_NE(st.st_gid, 4343u) << name;
    EXPECT_EQ(st.st_mode & 0777, 0666u & ~mask) << name;
  }
}

// A write call may take fewer bytes than it was given; the next one goes on where it stopped,
// or a saved report would lose or repeat a piece.
TEST(ShortWrites, EveryWriterGoesOnWhereTheLastWriteStopped) {
  TempDir dir;
  std::string bytes(100 * 1024 + 7, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31 + i / 251);
  RecordingCalls calls;
  calls.writeAtMost = 1000;
  WriteFileAtomic(dir.File("a.ini"), bytes);
  ASSERT_EQ(WriteNewFileAtomic(dir.File("A.911"), bytes), NewFileResult::Created);
  AppendToFile(dir.File("a.log"), bytes);
  for (const char* name : {"a.ini", "A.911", "a.log"})
    EXPECT_TRUE(ReadFileBytes(dir.File(name)) == bytes) << name;
}
