// bench_vtnote: what the notification viewer costs.
//
//  1. Idle cost of one poll: time, and system calls counted by strace (when installed) over
//     1,000 idle polls against a run without polls.
//  2. Memory over one hour of polling, on a compressed clock: the real window polls 3,600 times
//     back to back (each poll is what one tick of the one-second timer does), first idle, then
//     with a notification on every tick, and the heap in use and the resident size are compared
//     after a warm-up.
//  3. Latency from a record written to its line shown, with the real one-second timer: records
//     are written at random moments of the poll cycle.
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>

#include "BenchStation.h"
#include "FileLib.h"
#include "NotesInbox.h"
#include "NotesWriter.h"
#include "TestKit.h"
#include "frmNote.h"

using namespace cadro;
namespace fs = std::filesystem;

namespace {

long RssKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

std::size_t HeapInUse() {
  return mallinfo2().uordblks;
}

int IdlePolls(const std::string& folder, int count) {
  testing::RecordingEventLog log;
  NotesInbox inbox(folder + "/Vtnote.dat", log);
  std::size_t got = 0;
  for (int i = 0; i < count; ++i) got += inbox.Poll().size();
  return static_cast<int>(got);
}

// System calls of `polls` idle polls, by name, as strace counts them.
std::map<std::string, long> StraceCounts(const std::string& self, const std::string& folder, int polls) {
  const std::string out = folder + "/strace-" + std::to_string(polls) + ".txt";
  const std::string cmd = "strace -f -c -o '" + out + "' '" + self + "' --idle-polls '" + folder + "' " +
                          std::to_string(polls) + " >/dev/null 2>&1";
  std::map<std::string, long> counts;
  if (std::system(cmd.c_str()) != 0) return counts;
  std::ifstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    double pct = 0;
    double seconds = 0;
    long usecs = 0;
    long calls = 0;
    if (!(fields >> pct >> seconds >> usecs >> calls)) continue;
    std::string rest;
    std::getline(fields, rest);
    std::istringstream words(rest);
    std::string word;
    std::string last;
    while (words >> word) last = word;
    if (!last.empty() && last != "total") counts[last] = calls;
  }
  return counts;
}

void BenchIdle(const std::string& self, const std::string& folder) {
  constexpr int kPolls = 200000;
  const auto start = std::chrono::steady_clock::now();
  IdlePolls(folder, kPolls);
  const double ns =
      std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count() / kPolls;
  std::printf("idle poll: %.0f ns each (%d polls)\n", ns, kPolls);

  if (std::system("command -v strace >/dev/null 2>&1") != 0) {
    std::printf("idle poll system calls: strace not installed, not counted\n");
    return;
  }
  const auto base = StraceCounts(self, folder, 0);
  const auto with = StraceCounts(self, folder, 1000);
  if (with.empty()) {
    std::printf("idle poll system calls: strace could not trace here\n");
    return;
  }
  std::printf("idle poll system calls per poll (strace, 1000 polls minus none):");
  double total = 0;
  for (const auto& [name, calls] : with) {
    const auto it = base.find(name);
    const double perPoll = static_cast<double>(calls - (it == base.end() ? 0 : it->second)) / 1000.0;
    if (perPoll >= 0.01) {
      std::printf(" %s %.2f", name.c_str(), perPoll);
      total += perPoll;
    }
  }
  std::printf("; total %.2f\n", total);
}

// The notification sound on, so its cost is in every figure.
struct Station : bench::Station {
  explicit Station(const std::string& root) : bench::Station(root, "PlayOnNotif=1\r\n") {}
};

void BenchMemory(const std::string& root) {
  Station station(root + "/memory");
  frmNote window(station.ts.services, station.lib, station.sound, "3.4.0 c5");
  window.Timer().stop();  // the compressed clock drives the polls
  auto tick = [&] {
    station.ts.clock.AdvanceSeconds(1);
    window.GetNote();
  };
  auto hour = [&](bool withRecords, int number) {
    for (int i = 0; i < 300; ++i) {  // warm-up: the log text reaches its bounded size
      if (withRecords)
        standin::AppendNote(station.notes, standin::NoteRecord(1, "warm-up " + std::to_string(i)));
      tick();
    }
    QCoreApplication::processEvents();
    malloc_trim(0);
    const std::size_t heap0 = HeapInUse();
    const long rss0 = RssKb();
    for (int i = 0; i < 3600; ++i) {
      if (withRecords)
        standin::AppendNote(station.notes, standin::NoteRecord(1, "notification " + std::to_string(i)));
      tick();
      if (i % 100 == 0) QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    malloc_trim(0);
    std::printf("hour %d of polling (%s): heap in use %+ld bytes, resident %+ld KB (heap %zu bytes)\n",
                number, withRecords ? "a notification every second" : "idle",
                static_cast<long>(HeapInUse()) - static_cast<long>(heap0), RssKb() - rss0, HeapInUse());
  };
  hour(false, 1);
  // The first hour with notifications fills Qt's caches; the later ones show the trend.
  for (int h = 2; h <= 6; ++h) hour(true, h);
  std::printf("log text after the hour: %zu characters, counter %d\n", window.Service().Log().Text().size(),
              window.Service().Log().Count());
}

void BenchLatency(const std::string& root) {
  Station station(root + "/latency");
  frmNote window(station.ts.services, station.lib, station.sound, "3.4.0 c5");
  window.show();  // the window polls only once it is on the screen
  std::mt19937 random(42);
  std::uniform_int_distribution<int> delay(0, 999);
  constexpr int kSamples = 8;
  double worst = 0;
  double sum = 0;
  for (int i = 0; i < kSamples; ++i) {
    QEventLoop loop;
    std::chrono::steady_clock::time_point written;
    double latency = -1;
    QObject::connect(&window, &frmNote::notesShown, &loop, [&] {
      latency = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - written).count();
      loop.quit();
    });
    QTimer::singleShot(delay(random), &loop, [&] {
      standin::AppendNote(station.notes, standin::NoteRecord(1, "latency probe"));
      written = std::chrono::steady_clock::now();
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);  // bounded
    loop.exec();
    if (latency < 0) {
      std::printf("latency: sample %d not shown within 5 s\n", i);
      continue;
    }
    worst = std::max(worst, latency);
    sum += latency;
  }
  std::printf(
      "latency record written -> line shown (%d samples, poll interval 1000 ms): mean %.0f ms, max %.0f ms "
      "(bound 1050 ms)\n",
      kSamples, sum / kSamples, worst);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--idle-polls")
    return IdlePolls(argv[2], std::atoi(argv[3])) == 0 ? 0 : 1;
  QApplication app(argc, argv);
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  testing::TempDir dir;
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  BenchIdle(self, dir.str());
  BenchMemory(dir.str());
  BenchLatency(dir.str());
  return 0;
}
