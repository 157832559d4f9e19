// Kills a process with SIGKILL at random moments while it rewrites a report, Cadrocts.ini, the
// host profile or Launch.local, and checks after every kill that the file is one of its two
// versions, whole, and that the rewrite left at most its own temporary file behind.
//
// What a kill can leave: the hidden temporary file of the rewrite in progress (".<name>.XXXXXX"
// beside the target), never a damaged target. The next process that rewrites the same target
// removes such leftovers once their writer is gone, so they never pile up.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "FileIO.h"
#include "Savers.h"
#include "TestKit.h"

extern char** environ;

namespace cadro::reliability {
namespace {

namespace fs = std::filesystem;
using cadro::testing::ReadFileBytes;
using cadro::testing::TempDir;
using cadro::testing::TestServices;
using cadro::testing::WriteFileBytes;

constexpr int kKillsPerKind = 250;

struct Versions {
  std::string v0;
  std::string v1;
};

// The two versions as the program writes them, from a scratch folder. Saving each over the other
// twice proves they are stable, which the byte comparisons below depend on.
Versions ReferenceVersions(SaveKind kind) {
  TempDir scratch;
  fs::create_directories(scratch.path() / "target");
  fs::create_directories(scratch.path() / "inputs");
  PrepareInputs(kind, scratch.File("inputs"));
  TestServices t;
  auto saver = MakeSaver(kind, scratch.File("target"), scratch.File("inputs"), t.services);
  saver->Seed();
  EXPECT_TRUE(saver->Save(0) && saver->Save(1) && saver->Save(0));
  Versions v{ReadFileBytes(saver->Target()), {}};
  EXPECT_TRUE(saver->Save(1));
  v.v1 = ReadFileBytes(saver->Target());
  EXPECT_TRUE(saver->Save(0));
  EXPECT_EQ(ReadFileBytes(saver->Target()), v.v0) << "version 0 is not stable";
  EXPECT_TRUE(saver->Save(1));
  EXPECT_EQ(ReadFileBytes(saver->Target()), v.v1) << "version 1 is not stable";
  EXPECT_NE(v.v0, v.v1);
  EXPECT_TRUE(t.eventLog.entries.empty());
  return v;
}

class Child {
public:
  // Starts the saver and waits (at most 20 s) until its first save is done.
  Child(SaveKind kind, const std::string& folder, const std::string& inputs, const std::string& errFile) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    // The write end goes to the child without close-on-exec; only the child holds it after this.
    const int childEnd = ::fcntl(fds[1], F_DUPFD, 10);
    ::close(fds[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::string fdText = std::to_string(childEnd);
    const std::string kindText(KindName(kind));
    std::string exe = CRASH_SAVER_BINARY;
    char* argv[] = {exe.data(),
                    const_cast<char*>(kindText.c_str()),
                    const_cast<char*>(folder.c_str()),
                    const_cast<char*>(inputs.c_str()),
                    const_cast<char*>(fdText.c_str()),
                    nullptr};
    const int rc = posix_spawn(&pid_, exe.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(childEnd);
    if (rc != 0) {
      ::close(fds[0]);
      throw std::runtime_error("cannot start " + exe);
    }
    pollfd p{fds[0], POLLIN, 0};
    char byte = 0;
    ready_ = ::poll(&p, 1, 20000) == 1 && ::read(fds[0], &byte, 1) == 1;
    ::close(fds[0]);
  }
  ~Child() {
    if (pid_ > 0) KillAndReap();
  }
  bool ready() const { return ready_; }
  // True when the child died of this SIGKILL (and not of anything of its own before it).
  bool KillAndReap() {
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  }

private:
  pid_t pid_ = -1;
  bool ready_ = false;
};

class CrashSafety : public ::testing::TestWithParam<SaveKind> {};

TEST_P(CrashSafety, EveryKillLeavesTheOldOrTheNewFileWhole) {
  const SaveKind kind = GetParam();
  const Versions versions = ReferenceVersions(kind);
  ASSERT_FALSE(HasFailure());

  TempDir work;
  const std::string folder = work.File("target");
  const std::string inputs = work.File("inputs");
  fs::create_directories(folder);
  fs::create_directories(inputs);
  PrepareInputs(kind, inputs);
  TestServices t;
  auto saver = MakeSaver(kind, folder, inputs, t.services);
  // The old version is laid down by hand, so this process's own first save of the target, at the
  // end, is the one that sweeps up after the kills.
  WriteFileBytes(saver->Target(), versions.v0);

  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<int> delayMicroseconds(0, 6000);
  int version0 = 0, version1 = 0, leftTemporary = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int kill = 0; kill < kKillsPerKind; ++kill) {
    Child child(kind, folder, inputs, work.File("child.err"));
    ASSERT_TRUE(child.ready()) << "the saver did not start: " << ReadFileBytes(work.File("child.err"));
    std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds(random)));
    ASSERT_TRUE(child.KillAndReap()) << "the saver ended by itself: "
                                     << ReadFileBytes(work.File("child.err"));

    const std::string bytes = ReadFileBytes(saver->Target());
    if (bytes == versions.v0) {
      ++version0;
    } else if (bytes == versions.v1) {
      ++version1;
    } else {
      FAIL() << "kill " << kill << " left " << KindName(kind) << " neither version: " << bytes.size()
             << " bytes, versions have " << versions.v0.size() << " and " << versions.v1.size();
    }
    const auto temporaries = TemporariesOf(saver->Target());
    ASSERT_LE(temporaries.size(), 1U)
        << "temporary files pile up after kill " << kill << ": " << ::testing::PrintToString(temporaries);
    leftTemporary += static_cast<int>(temporaries.size());
    // Nothing else appears beside the target.
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++entries;
    ASSERT_EQ(entries, 1 + static_cast<int>(temporaries.size()));
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  // A later run of the program rewrites the file and clears what the last kill left. Both
  // versions are saved, because the add-on install leaves a file alone that holds its revision.
  ASSERT_TRUE(saver->Save(1) && saver->Save(0));
  EXPECT_EQ(ReadFileBytes(saver->Target()), versions.v0);
  EXPECT_TRUE(TemporariesOf(saver->Target()).empty());

  std::printf("%s: %d kills in %.1f s; left version 0: %d, version 1: %d; %d kills landed inside a rewrite\n",
              std::string(KindName(kind)).c_str(), kKillsPerKind, seconds, version0, version1, leftTemporary);
  // Kills that always land before or after the rewrites would prove nothing.
  EXPECT_GT(leftTemporary, 0);
  EXPECT_GT(version0, 0);
  EXPECT_GT(version1, 0);
}

INSTANTIATE_TEST_SUITE_P(AllSavers, CrashSafety, ::testing::ValuesIn(kAllKinds),
                         [](const ::testing::TestParamInfo<SaveKind>& kindInfo) {
                           return std::string(KindName(kindInfo.param));
                         });

}  // namespace
}  // namespace cadro::reliability
