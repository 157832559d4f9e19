// The real Vtnote, killed again and again while a host-like writer appends notes: every note the
// writer wrote reaches the journal of shown notes exactly once.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <thread>

#include "NotesWriter.h"
#include "TestKit.h"

extern char** environ;

namespace fs = std::filesystem;
using cadro::testing::ReadFileBytes;
using cadro::testing::WriteFileBytes;

namespace {

pid_t Start(const std::string& program) {
  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  pid_t pid = -1;
  return ::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) == 0 ? pid : -1;
}

void Kill(pid_t pid) {
  ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
}

// How often each note of the writer appears in the journal.
std::map<int, int> JournalCounts(const std::string& journal) {
  std::map<int, int> counts;
  const std::string marker = "(N1) note ";
  for (std::size_t at = journal.find(marker); at != std::string::npos; at = journal.find(marker, at + 1)) {
    ++counts[std::stoi(journal.substr(at + marker.size()))];
  }
  return counts;
}

}  // namespace

TEST(VtnoteKill, NoNoteIsLostOrShownTwiceWhenTheViewerIsKilled) {
  constexpr int kKills = 40;
  cadro::testing::TempDir dir;
  fs::create_directories(dir.path() / "program");
  fs::create_directories(dir.path() / "data" / "logs");
  fs::create_directories(dir.path() / "runtime");
  fs::permissions(dir.path() / "runtime", fs::perms::owner_all);
  const std::string program = dir.File("program/Vtnote");
  fs::copy_file(VTNOTE_BINARY, program);
  WriteFileBytes(dir.File("program/Vantrel.conf"),
                 "[Main]\r\nINSTANCE=1\r\nDATADIR=" + dir.File("data") + "\r\n");
  WriteFileBytes(dir.File("data/Vantrel.profile"),
                 "[GENERAL VARIABLES]\r\nVersion=3.4.0 c5\r\n\r\n[DIRECTORIES]\r\n"
                 "DirLogs=" +
                     dir.File("data/logs") + "\r\n");
  // A world of its own: no Wine registry, no settings, its own lock, no session bus.
  ::setenv("WINEPREFIX", dir.File("wine").c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", dir.File("config").c_str(), 1);
  ::setenv("XDG_RUNTIME_DIR", dir.File("runtime").c_str(), 1);
  ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent", 1);
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

  const std::string notes = cadro::standin::NotesFileIn(dir.File("data/logs"));
  std::atomic<bool> stop{false};
  std::atomic<int> written{0};
  std::thread writer([&] {
    std::mt19937 random(7);
    while (!stop) {
      const int n = written + 1;
      cadro::standin::AppendNote(notes, cadro::standin::NoteRecord(1, "note " + std::to_string(n)));
      written = n;
      std::this_thread::sleep_for(std::chrono::microseconds(500 + random() % 4000));
    }
  });

  std::mt19937 random(11);
  for (int i = 0; i < kKills; ++i) {
    const pid_t pid = Start(program);
    ASSERT_GT(pid, 0);
    // Past the first poll or not, at every point of it.
    std::this_thread::sleep_for(std::chrono::milliseconds(300 + random() % 1700));
    Kill(pid);
  }
  stop = true;
  writer.join();

  // A last viewer takes in what is left.
  const pid_t last = Start(program);
  ASSERT_GT(last, 0);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while ((fs::exists(notes) || fs::exists(notes + ".claimed")) && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  Kill(last);

  const std::map<int, int> counts = JournalCounts(ReadFileBytes(dir.File("data/Srnote.tmp")));
  int lost = 0;
  int twice = 0;
  for (int n = 1; n <= written; ++n) {
    const auto it = counts.find(n);
    if (it == counts.end()) {
      ++lost;
    } else if (it->second > 1) {
      twice += it->second - 1;
    }
  }
  EXPECT_GT(written, 1000);
  EXPECT_EQ(lost, 0) << "of " << written;
  EXPECT_EQ(twice, 0) << "of " << written;
  EXPECT_EQ(counts.size(), static_cast<std::size_t>(written.load()));
}
