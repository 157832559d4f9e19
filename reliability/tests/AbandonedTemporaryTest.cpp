// What a killed rewrite leaves behind is swept up by the next process that rewrites a file in
// the same folder, but never a temporary file whose writer is still at work, nor anything that
// only looks similar.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include "FileIO.h"
#include "TestKit.h"

namespace cadro {
namespace {

using testing::TempDir;
using testing::WriteFileBytes;

TEST(AbandonedTemporaries, TheFirstRewriteInAFolderRemovesOnlyThoseWhoseWriterIsGone) {
  TempDir dir;
  const std::string abandoned = dir.File(".Launch.local.cadro-Ab12Cd");
  const std::string inUse = dir.File(".Launch.local.cadro-Xy98Zw");
  const std::string otherTarget = dir.File(".Cadrocts.ini.cadro-Ab12Cd");
  const std::string lookalike = dir.File(".Launch.local.backup");
  const std::string tooShort = dir.File(".x.cadro-Ab12C");
  for (const std::string& f : {abandoned, inUse, otherTarget, lookalike, tooShort})
    WriteFileBytes(f, "partial");
  // A writer at work holds its lock; this descriptor stands in for it.
  const int writer = ::open(inUse.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(::flock(writer, LOCK_EX | LOCK_NB), 0);

  WriteFileAtomic(dir.File("Launch.local"), "[Other-2.0]\r\n");

  EXPECT_FALSE(PathExists(abandoned));
  EXPECT_FALSE(PathExists(otherTarget)) << "its writer is gone too";
  EXPECT_TRUE(PathExists(inUse));
  EXPECT_TRUE(PathExists(lookalike));
  EXPECT_TRUE(PathExists(tooShort));
  ::close(writer);
}

}  // namespace
}  // namespace cadro
