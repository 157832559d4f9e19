// A real Windows program appends notes under Wine, as the host does (CreateFile for appending,
// shared read/write/delete, WriteFile, a pause, CloseHandle; Wine's server holds the file while
// the handle is open), while the real Vtnote shows them and is killed now and then: every note is
// shown once, no open of the host's is ever refused (the host would lose that note), and the notes
// file is taken away once the writers are done.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
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

// `output`: a file that gets the program's standard output ("" keeps the test's own).
pid_t Spawn(std::vector<std::string> argv, std::vector<std::string> env, const std::string& output = {}) {
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  if (!output.empty())
    ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                       0644);
  pid_t pid = -1;
  const int rc = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  ::posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

// What a writer said of the opens the system refused it; -1 when it said nothing.
int RefusedOpens(const std::string& output) {
  std::ifstream in(output);
  std::stringstream text;
  text << in.rdbuf();
  const std::string said = text.str();
  const std::string marker = "refused opens: ";
  const std::size_t at = said.rfind(marker);
  return at == std::string::npos ? -1 : std::atoi(said.c_str() + at + marker.size());
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
  std::vector<std::string> outputs;
  auto writeNotes = [&](int first, int count, int pieces, int openMs, int closeMs, int gapMs) {
    outputs.push_back((dir.path() / ("writer" + std::to_string(outputs.size()) + ".out")).string());
    return Spawn({kWine, writer, file, std::to_string(first), std::to_string(count), std::to_string(pieces),
                  std::to_string(openMs), std::to_string(closeMs), std::to_string(gapMs)},
                 env, outputs.back());
  };
  // One server for the whole test. The server ends 3 s after its last client; a writer that
  // starts as it ends (a loaded machine starts Wine slowly) is cut off with "Connection reset by
  // peer" and writes nothing. It stays a minute past its last client and is stopped at the end.
  const pid_t server = Spawn({kWineServer, "-p60"}, env);
  if (server > 0) WaitUntil(server, Steady::now() + std::chrono::seconds(20));
  // The first run makes the prefix (about 20 s on an idle machine); every wait has its bound.
  const pid_t boot = Spawn({kWine, "wineboot", "--init"}, env);
  ASSERT_GT(boot, 0);
  ASSERT_EQ(WaitUntil(boot, Steady::now() + std::chrono::seconds(180)), 0) << "wineboot did not finish";
  const auto deadline = Steady::now() + std::chrono::seconds(150);
  // Two writers at once with whole records, one quick and one that holds the file, the viewer
  // killed twice meanwhile; then one with records in three pieces beside one that opens again the
  // moment it closed, so that its opens meet every step of the viewer's.
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
  const pid_t tight = writeNotes(351, 250, 1, 0, 0, 0);
  ASSERT_GT(pieces, 0);
  ASSERT_GT(tight, 0);
  EXPECT_EQ(WaitUntil(pieces, deadline), 0);
  EXPECT_EQ(WaitUntil(tight, deadline), 0);
  int refused = 0;
  for (const std::string& output : outputs) {
    const int count = RefusedOpens(output);
    EXPECT_GE(count, 0) << output << " has no count of refused opens";
    refused += std::max(count, 0);
  }
  EXPECT_EQ(refused, 0) << "opens of the notes file refused to the Windows writers";

  constexpr int kNotes = 600;
  const auto end = Steady::now() + std::chrono::seconds(30);
  while ((viewer.JournalCounts("(N1) win note ").size() < kNotes || !viewer.LogsEmpty()) &&
         Steady::now() < end)
    std::this_thread::sleep_for(milliseconds(100));
  viewer.Stop();
  const pid_t stop = Spawn({kWineServer, "-k"}, env);
  if (stop > 0) WaitUntil(stop, Steady::now() + std::chrono::seconds(20));

  const auto tally = cadro::testing::Count(viewer.JournalCounts("(N1) win note "), kNotes);
  EXPECT_EQ(tally.lost, 0) << "of " << kNotes << ", the first:" << tally.someLost;
  for (const auto& e : fs::directory_iterator(viewer.Logs()))
    ADD_FAILURE() << "left: " << e.path().filename() << ", " << fs::file_size(e.path()) << " bytes";
  EXPECT_EQ(tally.twice, 0);
}
