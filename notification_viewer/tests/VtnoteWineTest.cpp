// A real Windows program appends notes under Wine, as the host does (CreateFile for appending,
// shared read/write/delete, WriteFile, a pause, CloseHandle; Wine's server holds the file while
// the handle is open), while the real Vtnote shows them and is killed now and then: every note is
// shown once and the notes file is taken away once the writers are done.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "RealVtnote.h"

extern char** environ;

namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

constexpr const char* kWine = "/usr/lib/wine/wine64";
constexpr const char* kWineServer = "/usr/lib/wine/wineserver64";

std::vector<std::string> WineEnvironment() {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    if (entry.rfind("WINE", 0) != 0) env.push_back(entry);
  }
  env.push_back(std::string("WINEPREFIX=") + WINE_PREFIX_DIR);
  env.push_back("WINEDEBUG=-all");
  // A console program needs neither .NET nor a browser engine; their set-up would ask for a download.
  env.push_back("WINEDLLOVERRIDES=mscoree,mshtml=");
  return env;
}

pid_t Spawn(std::vector<std::string> argv, std::vector<std::string> env) {
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  pid_t pid = -1;
  return ::posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), envp.data()) == 0 ? pid : -1;
}

// The exit status, or -1 when it had to be killed at the deadline.
int WaitUntil(pid_t pid, Steady::time_point deadline) {
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (Steady::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(milliseconds(50));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(VtnoteUnderWine, EveryNoteAWindowsWriterAppendsIsShownOnce) {
  const std::string writer = WINWRITER_EXE;
  const bool ci = std::getenv("CI") && std::string(std::getenv("CI")) == "true";
  std::string missing;
  if (writer.empty() || !fs::exists(writer))
    missing = "the Windows writer (x86_64-w64-mingw32-gcc) was not built";
  if (::access(kWine, X_OK) != 0) missing = std::string(kWine) + " is missing (package wine64)";
  if (!missing.empty()) {
    if (ci) FAIL() << missing << "; ./dev installs both";
    GTEST_SKIP() << missing << "; ./dev deps installs both";
  }
  cadro::testing::TempDir dir;
  cadro::testing::RealVtnote viewer(dir.path() / "station", VTNOTE_BINARY);
  ASSERT_TRUE(viewer.Start());
  std::string file = "Z:" + viewer.Notes();  // Z: is the root of the Linux side
  for (char& c : file) c = c == '/' ? '\\' : c;
  const auto env = WineEnvironment();
  auto writeNotes = [&](int first, int count, int pieces, int openMs, int closeMs, int gapMs) {
    return Spawn({kWine, writer, file, std::to_string(first), std::to_string(count), std::to_string(pieces),
                  std::to_string(openMs), std::to_string(closeMs), std::to_string(gapMs)},
                 env);
  };
  // The first run makes the prefix (about 20 s on an idle machine); every wait has its bound.
  const pid_t boot = Spawn({kWine, "wineboot", "--init"}, env);
  ASSERT_GT(boot, 0);
  ASSERT_EQ(WaitUntil(boot, Steady::now() + std::chrono::seconds(180)), 0) << "wineboot did not finish";
  const auto deadline = Steady::now() + std::chrono::seconds(150);
  // Two writers at once with whole records, one quick and one that holds the file, the viewer
  // killed twice meanwhile; then one writer alone with records in three pieces.
  const pid_t quick = writeNotes(1, 150, 1, 0, 0, 60);
  const pid_t holding = writeNotes(151, 100, 1, 120, 120, 0);
  ASSERT_GT(quick, 0);
  ASSERT_GT(holding, 0);
  for (int kill = 0; kill < 2; ++kill) {
    while (viewer.JournalCounts("(N1) win note ").size() < static_cast<std::size_t>(60 + 60 * kill) &&
           Steady::now() < deadline)
      std::this_thread::sleep_for(milliseconds(100));
    ASSERT_TRUE(viewer.Start());  // killed and started again
  }
  EXPECT_EQ(WaitUntil(quick, deadline), 0);
  EXPECT_EQ(WaitUntil(holding, deadline), 0);
  const pid_t pieces = writeNotes(251, 100, 3, 40, 40, 10);
  ASSERT_GT(pieces, 0);
  EXPECT_EQ(WaitUntil(pieces, deadline), 0);

  const auto end = Steady::now() + std::chrono::seconds(30);
  while ((viewer.JournalCounts("(N1) win note ").size() < 350 || !viewer.LogsEmpty()) && Steady::now() < end)
    std::this_thread::sleep_for(milliseconds(100));
  viewer.Stop();
  const pid_t stop = Spawn({kWineServer, "-k"}, env);
  if (stop > 0) WaitUntil(stop, Steady::now() + std::chrono::seconds(20));

  const auto tally = cadro::testing::Count(viewer.JournalCounts("(N1) win note "), 350);
  EXPECT_EQ(tally.lost, 0) << "of 350, the first: note " << tally.firstLost;
  EXPECT_EQ(tally.twice, 0);
  EXPECT_TRUE(viewer.LogsEmpty()) << "the notes file was not taken once the writers were done";
}
