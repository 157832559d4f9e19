// A full disk and a read-only folder under each of the four rewrites: the program's own failure
// report is made (event log and box, or the loader's outcome text), the old file stays whole and
// no temporary file is left behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "FileIO.h"
#include "Savers.h"
#include "TestKit.h"

namespace cadro::reliability {
namespace {

namespace fs = std::filesystem;
using cadro::testing::ReadFileBytes;
using cadro::testing::TempDir;
using cadro::testing::TestServices;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Checks the failure report each program makes when its save fails with `number` ("61" or "70").
void ExpectReported(SaveKind kind, const Saver& saver, const TestServices& t, const std::string& number) {
  SCOPED_TRACE(std::string(KindName(kind)));
  if (kind == SaveKind::LaunchLocal) {
    // The loader passes a failed write up as its outcome, which it logs and shows; no box.
    EXPECT_EQ(saver.LastOutcome(), "Result = " + number);
    EXPECT_TRUE(t.prompts.shown.empty());
    return;
  }
  ASSERT_EQ(t.eventLog.entries.size(), 1U);
  ASSERT_EQ(t.prompts.shown.size(), 1U);
  const std::string& entry = t.eventLog.entries[0];
  const std::string& box = t.prompts.shown[0].text;
  EXPECT_TRUE(Contains(entry, number + ", ")) << entry;
  EXPECT_TRUE(Contains(entry, saver.Target())) << entry;
  EXPECT_TRUE(Contains(box, saver.Target())) << box;
  EXPECT_TRUE(Contains(box, "Error=" + number)) << box;
  switch (kind) {
    case SaveKind::Report:
      EXPECT_TRUE(Contains(box, "Vt911:Fadd") && Contains(box, "Problems saving")) << box;
      break;
    case SaveKind::StationSettings:
      EXPECT_TRUE(Contains(box, "CadroIni:WriteIni") && Contains(box, "Problems saving")) << box;
      break;
    case SaveKind::HostProfile:
      EXPECT_TRUE(Contains(box, "VtIni:Write") && Contains(box, "Problems writing")) << box;
      break;
    case SaveKind::LaunchLocal: break;
  }
}

class SmallDisk : public ::testing::Test {
protected:
  void SetUp() override {
    mountPoint_ = work_.File("disk");
    fs::create_directories(mountPoint_);
    fs::create_directories(work_.File("inputs"));
    if (::mount("tmpfs", mountPoint_.c_str(), "tmpfs", 0, "size=256k,mode=0755") != 0) {
      GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno)
                   << "); the full-disk case needs root or CAP_SYS_ADMIN, as CI has";
    }
    mounted_ = true;
  }
  void TearDown() override {
    if (mounted_) ::umount2(mountPoint_.c_str(), MNT_DETACH);
  }

  // The saver of `kind` for its folder on the small disk.
  std::unique_ptr<Saver> SaverOnDisk(SaveKind kind, TestServices& t) {
    return MakeSaver(kind, mountPoint_ + "/" + std::string(KindName(kind)), work_.File("inputs"), t.services);
  }

  // A saver whose target holds version 0, written while there was room.
  std::unique_ptr<Saver> Prepared(SaveKind kind, TestServices& t) {
    fs::create_directories(mountPoint_ + "/" + std::string(KindName(kind)));
    PrepareInputs(kind, work_.File("inputs"));
    auto saver = SaverOnDisk(kind, t);
    saver->Seed();
    EXPECT_TRUE(saver->Save(0));
    return saver;
  }

  // Takes every free block: big writes first, then single bytes for what is left of a page.
  void FillDisk() {
    const int fd = ::open((mountPoint_ + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const std::string block(16384, 'x');
    for (std::size_t size : {block.size(), std::size_t{1}}) {
      while (::write(fd, block.data(), size) > 0) {
      }
    }
    ::close(fd);
  }

  TempDir work_;
  std::string mountPoint_;
  bool mounted_ = false;
};

TEST_F(SmallDisk, AFullDiskFailsEverySaveClearlyAndKeepsTheOldFile) {
  for (SaveKind kind : kAllKinds) {
    TestServices setup;
    auto prepared = Prepared(kind, setup);
    ASSERT_TRUE(setup.eventLog.entries.empty());
  }
  FillDisk();
  for (SaveKind kind : kAllKinds) {
    SCOPED_TRACE(std::string(KindName(kind)));
    TestServices t;
    auto saver = SaverOnDisk(kind, t);
    const std::string old = ReadFileBytes(saver->Target());
    EXPECT_FALSE(saver->Save(1));
    EXPECT_EQ(ReadFileBytes(saver->Target()), old) << "the old file is damaged";
    EXPECT_TRUE(TemporariesOf(saver->Target()).empty());
    ExpectReported(kind, *saver, t, "61");
  }
  // Room again: the next save goes through.
  ASSERT_EQ(::unlink((mountPoint_ + "/filler").c_str()), 0);
  for (SaveKind kind : kAllKinds) {
    TestServices t;
    auto saver = SaverOnDisk(kind, t);
    EXPECT_TRUE(saver->Save(1)) << KindName(kind);
  }
}

TEST_F(SmallDisk, AReadOnlyFileSystemFailsEverySaveClearlyAndKeepsTheOldFile) {
  for (SaveKind kind : kAllKinds) {
    TestServices setup;
    auto prepared = Prepared(kind, setup);
  }
  ASSERT_EQ(::mount(nullptr, mountPoint_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0)
      << std::strerror(errno);
  for (SaveKind kind : kAllKinds) {
    SCOPED_TRACE(std::string(KindName(kind)));
    TestServices t;
    auto saver = SaverOnDisk(kind, t);
    const std::string old = ReadFileBytes(saver->Target());
    EXPECT_FALSE(saver->Save(1));
    EXPECT_EQ(ReadFileBytes(saver->Target()), old);
    ExpectReported(kind, *saver, t, "70");
  }
}

// A target folder with the kind's inputs and its file saved once, as it stands before a save
// fails; `old` gets that file's bytes.
void SaveOnce(SaveKind kind, TempDir& work, std::string& old) {
  fs::create_directories(work.path() / "target");
  fs::create_directories(work.path() / "inputs");
  PrepareInputs(kind, work.File("inputs"));
  TestServices setup;
  auto first = MakeSaver(kind, work.File("target"), work.File("inputs"), setup.services);
  first->Seed();
  ASSERT_TRUE(first->Save(0));
  old = ReadFileBytes(first->Target());
}

// No mount needed: the folder's own mode says read-only, which even root must respect here.
TEST(ReadOnlyFolder, EverySaveFailsClearlyAndKeepsTheOldFile) {
  for (SaveKind kind : kAllKinds) {
    SCOPED_TRACE(std::string(KindName(kind)));
    TempDir work;
    std::string old;
    ASSERT_NO_FATAL_FAILURE(SaveOnce(kind, work, old));
    ASSERT_EQ(::chmod(work.File("target").c_str(), 0555), 0);

    TestServices t;
    auto saver = MakeSaver(kind, work.File("target"), work.File("inputs"), t.services);
    EXPECT_FALSE(saver->Save(1));
    EXPECT_EQ(ReadFileBytes(saver->Target()), old);
    EXPECT_TRUE(TemporariesOf(saver->Target()).empty());
    ExpectReported(kind, *saver, t, "70");
    ::chmod(work.File("target").c_str(), 0755);
  }
}

// A disk that takes the bytes but cannot keep them: some file systems (a network share, a disk
// with quotas) tell of a quota met only when the data is flushed. A save that could not flush
// its new file has failed: it is reported as a full disk, and the old file stays.
class FailingFlush final : public FileCalls {
public:
  FailingFlush() { SetFileCallsForTests(this); }
  ~FailingFlush() override { SetFileCallsForTests(nullptr); }
  FailingFlush(const FailingFlush&) = delete;
  FailingFlush& operator=(const FailingFlush&) = delete;
  int Fsync(int fd) override {
    struct stat st {};
    if (failing && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
      errno = EDQUOT;
      return -1;
    }
    return FileCalls::Fsync(fd);
  }
  bool failing = false;
};

TEST(FailingFlush, AQuotaMetAtTheFlushFailsEverySaveAsAFullDiskAndKeepsTheOldFile) {
  FailingFlush calls;
  for (SaveKind kind : kAllKinds) {
    SCOPED_TRACE(std::string(KindName(kind)));
    TempDir work;
    std::string old;
    ASSERT_NO_FATAL_FAILURE(SaveOnce(kind, work, old));

    calls.failing = true;
    TestServices t;
    auto saver = MakeSaver(kind, work.File("target"), work.File("inputs"), t.services);
    EXPECT_FALSE(saver->Save(1));
    calls.failing = false;
    EXPECT_EQ(ReadFileBytes(saver->Target()), old);
    EXPECT_TRUE(TemporariesOf(saver->Target()).empty());
    ExpectReported(kind, *saver, t, "61");
  }
}

}  // namespace
}  // namespace cadro::reliability
