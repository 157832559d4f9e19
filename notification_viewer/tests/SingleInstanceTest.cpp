// One "Notifications" window per desktop: a second Vtnote on the same X display ends at once,
// and without an X server a per-user lock stands in for the window.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "TestKit.h"
#include "WindowFinder.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

pid_t Spawn(const std::vector<std::string>& argv, const posix_spawn_file_actions_t* actions = nullptr) {
  std::vector<char*> raw;
  for (const std::string& a : argv) raw.push_back(const_cast<char*>(a.c_str()));
  raw.push_back(nullptr);
  pid_t pid = -1;
  if (::posix_spawn(&pid, argv[0].c_str(), actions, nullptr, raw.data(), environ) != 0) return -1;
  return pid;
}

// The exit status, or none when the process is still running after `timeout`.
std::optional<int> WaitFor(pid_t pid, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    if (std::chrono::steady_clock::now() >= end) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

void Stop(pid_t pid) {
  if (pid <= 0) return;
  ::kill(pid, SIGTERM);
  if (!WaitFor(pid, std::chrono::seconds(5))) {
    ::kill(pid, SIGKILL);
    WaitFor(pid, std::chrono::seconds(5));
  }
}

// An X server of its own on a free display, which it picks itself.
struct Xvfb {
  Xvfb() {
    if (::access("/usr/bin/Xvfb", X_OK) != 0) return;
    int fds[2];
    if (::pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (fds[0] != 3) posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid = Spawn({"/usr/bin/Xvfb", "-displayfd", "3", "-screen", "0", "800x600x24", "-nolisten", "tcp"},
                &actions);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    pollfd p{fds[0], POLLIN, 0};
    std::string number;
    char c = 0;
    while (::poll(&p, 1, 10000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    if (!number.empty()) display = ":" + number;
  }
  ~Xvfb() { Stop(pid); }
  pid_t pid = -1;
  std::string display;
};

}  // namespace

TEST(SingleInstance, ASecondViewerOnTheSameDisplayEndsAtOnce) {
  Xvfb x;
  if (x.display.empty()) GTEST_SKIP() << "no Xvfb to run an X server";
  cadro::testing::TempDir dir;
  // The viewer's data folder: APPDATA and its program folder's name, as no Vantrel.conf is beside it.
  const std::string programFolder = fs::path(VTNOTE_BINARY).parent_path().filename().string();
  for (const std::string& sub :
       {"appdata/" + programFolder, std::string("run"), std::string("config"), std::string("wine")}) {
    fs::create_directories(dir.path() / sub);
  }
  ::setenv("DISPLAY", x.display.c_str(), 1);
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  ::setenv("APPDATA", dir.File("appdata").c_str(), 1);
  ::setenv("XDG_RUNTIME_DIR", dir.File("run").c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", dir.File("config").c_str(), 1);
  ::setenv("WINEPREFIX", dir.File("wine").c_str(), 1);

  auto finder = cadro::MakeX11WindowFinder();
  ASSERT_TRUE(finder);
  EXPECT_FALSE(finder->FindTopLevelWindow("Notifications"));

  const pid_t first = Spawn({VTNOTE_BINARY});
  ASSERT_GT(first, 0);
  bool shown = false;
  for (int i = 0; i < 150 && !shown; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    shown = finder->FindTopLevelWindow("Notifications");
  }
  ASSERT_TRUE(shown) << "the first viewer shows no window";
  EXPECT_FALSE(finder->FindTopLevelWindow("Notification"));  // the title must match exactly

  const pid_t second = Spawn({VTNOTE_BINARY});
  ASSERT_GT(second, 0);
  const auto status = WaitFor(second, std::chrono::seconds(15));
  if (!status) Stop(second);
  EXPECT_EQ(status, std::optional<int>(0)) << "the second viewer did not end at once";
  EXPECT_FALSE(WaitFor(first, std::chrono::milliseconds(200))) << "the first viewer ended";
  Stop(first);
}

TEST(SingleInstance, WithoutAnXServerAPerUserLockStandsForTheWindow) {
  cadro::testing::TempDir dir;
  cadro::LockWindowFinder first(dir.str());
  cadro::LockWindowFinder second(dir.str());
  EXPECT_FALSE(first.FindTopLevelWindow("Notifications"));
  EXPECT_FALSE(first.FindTopLevelWindow("Notifications"));  // its own lock is no other window
  EXPECT_TRUE(second.FindTopLevelWindow("Notifications"));
  EXPECT_FALSE(second.FindTopLevelWindow("Other title"));
}
