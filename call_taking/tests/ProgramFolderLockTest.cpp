// Two copies in one program folder must never both run: the second one is told who holds it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ProgramFolderLock.h"
#include "TestKit.h"

namespace cadro {
namespace {

TEST(ProgramFolderLock, ASecondCopyInTheSameFolderIsRefusedUntilTheFirstEnds) {
  testing::TempDir dir;
  ProgramFolderLock first(dir.str());
  ASSERT_EQ(first.Acquire(), ProgramFolderLock::Result::Acquired);
  {
    ProgramFolderLock second(dir.str());
    EXPECT_EQ(second.Acquire(), ProgramFolderLock::Result::HeldByOther);
    EXPECT_EQ(second.holderPid(), static_cast<long>(::getpid()));
    EXPECT_NE(AlreadyRunningMessage(dir.str(), second.holderPid()).find("already running"),
              std::string::npos);
  }
  first.Release();
  ProgramFolderLock third(dir.str());
  EXPECT_EQ(third.Acquire(), ProgramFolderLock::Result::Acquired);
}

TEST(ProgramFolderLock, AnotherProcessSeesTheLockAndACrashedHolderLeavesNone) {
  testing::TempDir dir;
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    ProgramFolderLock lock(dir.str());
    const char ok = lock.Acquire() == ProgramFolderLock::Result::Acquired ? 'y' : 'n';
    [[maybe_unused]] ssize_t w = ::write(ready[1], &ok, 1);
    ::pause();  // held until killed, as a hung or crashed copy would
    ::_exit(0);
  }
  char ok = 0;
  ASSERT_EQ(::read(ready[0], &ok, 1), 1);
  ASSERT_EQ(ok, 'y');
  ProgramFolderLock mine(dir.str());
  EXPECT_EQ(mine.Acquire(), ProgramFolderLock::Result::HeldByOther);
  EXPECT_EQ(mine.holderPid(), static_cast<long>(child));
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_EQ(mine.Acquire(), ProgramFolderLock::Result::Acquired);
  ::close(ready[0]);
  ::close(ready[1]);
}

TEST(ProgramFolderLock, AFolderWithoutRightsIsUnavailableNotHeld) {
  testing::TempDir dir;
  ProgramFolderLock lock(dir.File("missing-folder"));
  EXPECT_EQ(lock.Acquire(), ProgramFolderLock::Result::Unavailable);
  EXPECT_FALSE(lock.error().empty());
}

}  // namespace
}  // namespace cadro
