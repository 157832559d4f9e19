// The real Vtnote, killed again and again while host-like writers append notes in each way the
// host does (quick appends, the file held open before and after the write, records in pieces,
// several writers, a file kept open for a minute): every note reaches the journal of shown notes
// exactly once, no writer has the file taken away while it still holds it, and once the writers
// are done the notes file is taken away (or, when nothing tells the viewer it is free because the
// host runs under another account, left where it is). Each writer case runs beside the others,
// with a viewer of its own, so a set stays within about a minute and a half.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <thread>

#include "RealVtnote.h"
#include "WriterCases.h"

namespace fs = std::filesystem;
using cadro::testing::RealVtnote;
using Steady = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

constexpr int kNotes = 500;

unsigned Seed() {
  if (const char* seed = std::getenv("CADRO_SEED"))
    return static_cast<unsigned>(std::strtoul(seed, nullptr, 10));
  return static_cast<unsigned>(std::random_device{}());
}

struct Run {
  std::string binary;
  std::vector<cadro::standin::WriterCase> cases;
  milliseconds target{30000};
  uid_t account = 0;  // the viewer's account when not the test's own
};

void WriterCasesWithKills(const Run& run) {
  const unsigned seed = Seed();
  SCOPED_TRACE("seed " + std::to_string(seed) + " (CADRO_SEED=" + std::to_string(seed) + " repeats it)");
  const auto& cases = run.cases;
  cadro::testing::TempDir dir;
  std::vector<std::unique_ptr<RealVtnote>> viewers;
  std::vector<cadro::standin::WriterResult> results(cases.size());
  std::vector<std::thread> writers;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    viewers.push_back(std::make_unique<RealVtnote>(dir.path() / ("case" + std::to_string(i)), run.binary));
    if (run.account != 0) viewers.back()->RunAs(run.account, run.account);
    ASSERT_TRUE(viewers.back()->Start());
  }
  for (std::size_t i = 0; i < cases.size(); ++i) {
    writers.emplace_back([&, i] {
      results[i] = cadro::standin::RunWriterCase(viewers[i]->Notes(), cases[i], kNotes, "note ", run.target,
                                                 seed + static_cast<unsigned>(i));
    });
  }
  // Each viewer is killed and started again every 1.5 to 4 s, at every point of its work.
  std::atomic<bool> writing{true};
  std::thread killer([&] {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> interval(1500, 4000);
    std::vector<Steady::time_point> next(viewers.size());
    for (auto& t : next) t = Steady::now() + milliseconds(interval(random));
    while (writing) {
      for (std::size_t i = 0; i < viewers.size(); ++i) {
        if (Steady::now() < next[i]) continue;
        viewers[i]->Start();
        next[i] = Steady::now() + milliseconds(interval(random));
      }
      std::this_thread::sleep_for(milliseconds(50));
    }
  });
  for (std::thread& w : writers) w.join();
  writing = false;
  killer.join();

  // The last viewers take in what is left and take the files away.
  for (auto& viewer : viewers) ASSERT_TRUE(viewer->Start());
  const auto end = Steady::now() + std::chrono::seconds(30);
  const std::vector<std::string> expectedLeft =
      run.account == 0 ? std::vector<std::string>{}
                       : std::vector<std::string>{"Vtnote.dat", "Vtnote.dat.shown"};
  auto left = [](const RealVtnote& viewer) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(viewer.Logs())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  };
  for (auto& viewer : viewers) {
    while ((viewer->JournalCounts("(N1) note ").size() < kNotes || left(*viewer) != expectedLeft) &&
           Steady::now() < end)
      std::this_thread::sleep_for(milliseconds(100));
    viewer->Stop();
  }
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE("writer case: " + cases[i].name);
    EXPECT_EQ(results[i].error, "");
    const auto tally = cadro::testing::Count(viewers[i]->JournalCounts("(N1) note "), kNotes);
    EXPECT_EQ(tally.lost, 0) << "of " << kNotes << ", the first: note " << tally.firstLost;
    EXPECT_EQ(tally.twice, 0) << "of " << kNotes;
    EXPECT_EQ(results[i].takenWhileHeld, 0) << "notes written into a file taken away from its writer";
    EXPECT_EQ(left(*viewers[i]), expectedLeft) << "in the logs folder";
  }
}

}  // namespace

TEST(VtnoteKill, WithTheWatchNoNoteIsLostOrShownTwiceWhateverTheWriterDoes) {
  WriterCasesWithKills({VTNOTE_BINARY, cadro::standin::HostWriterCases(milliseconds(60000))});
}

TEST(VtnoteKill, WithThePollAloneNoNoteIsLostOrShownTwiceWhateverTheWriterDoes) {
  WriterCasesWithKills({VTNOTE_POLL_ONLY_BINARY, cadro::standin::HostWriterCases(milliseconds(60000))});
}

TEST(VtnoteKill, WhenTheHostRunsUnderAnotherAccountTheFileIsReadInPlaceAndLeft) {
  // The viewer may not look into the host's processes: nothing tells it the file is free.
  std::vector<cadro::standin::WriterCase> cases;
  for (const auto& c : cadro::standin::HostWriterCases(milliseconds(20000)))
    if (c.name == "plain" || c.name == "held 50 ms" || c.name == "in pieces" || c.name == "kept open")
      cases.push_back(c);
  WriterCasesWithKills({VTNOTE_BINARY, cases, milliseconds(20000), 64123});
}

TEST(VtnoteKill, UnderOneAccountThatIsNotRootTheFileIsStillTakenOnceFree) {
  // Not root, the viewer cannot look into root's processes, but they cannot write a file of the
  // host's account either: the file is told free all the same, also after a restart that found it.
  cadro::testing::TempDir dir;
  const fs::path station = dir.path() / "station";
  RealVtnote viewer(station, VTNOTE_BINARY);
  const std::string writer = (station / "program" / "vtnote-writer").string();
  fs::copy_file(VTNOTE_WRITER_BINARY, writer);
  viewer.RunAs(64123, 64123);
  ASSERT_TRUE(viewer.Start());
  std::this_thread::sleep_for(milliseconds(2000));
  auto write = [&](int n) {
    const std::string hold = std::to_string(n % 3 * 20);
    std::vector<std::string> argv{"/usr/bin/setpriv",
                                  "--reuid=64123",
                                  "--regid=64123",
                                  "--clear-groups",
                                  "--",
                                  writer,
                                  "--open-ms",
                                  hold,
                                  "--close-ms",
                                  hold,
                                  viewer.Logs(),
                                  "1",
                                  "account note " + std::to_string(n)};
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    pid_t pid = -1;
    ASSERT_EQ(::posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ), 0);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "note " << n;
  };
  constexpr int kCount = 40;
  for (int n = 1; n <= kCount; ++n) {
    if (n == 21) viewer.Stop();  // notes 21-25 wait in the file for the next start
    if (n == 26) {
      ASSERT_TRUE(viewer.Start());
    }
    write(n);
  }
  const auto end = Steady::now() + std::chrono::seconds(20);
  while ((viewer.JournalCounts("(N1) account note ").size() < kCount || !viewer.LogsEmpty()) &&
         Steady::now() < end)
    std::this_thread::sleep_for(milliseconds(100));
  const auto tally = cadro::testing::Count(viewer.JournalCounts("(N1) account note "), kCount);
  EXPECT_EQ(tally.lost, 0) << "the first: note " << tally.firstLost;
  EXPECT_EQ(tally.twice, 0);
  EXPECT_TRUE(viewer.LogsEmpty()) << "the notes file was not taken once free";
}
