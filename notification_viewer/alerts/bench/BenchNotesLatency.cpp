// bench_vtnote_latency: how soon a note the host writes is in the viewer's journal, for each way
// the host writes, with the watch on the notes file and with the one-second poll alone; and what
// the viewer costs while nothing happens.
//
//   bench_vtnote_latency [--notes N] [--seconds S] [--kept-open-seconds K] [--idle-seconds I]
//                        [--case NAME]
//
// Latency: for each writer case (a quick append; the file held open 5, 50, 500 and 2,000 ms
// before and after the write; a record in pieces; several writers at once; one writer that keeps
// the file open for K seconds and appends now and then) N notes (default 500) are written by
// host-like writers (no lock, no second look at the file) in about S seconds (default 15). For
// each note the time from the writer's close (for the file kept open: the end of its write) to
// its line in the journal (Srnote.tmp) is taken on one clock. Every note counts: one shown while
// the writer still held the file open has a negative latency and is counted as such ("before
// close"). For context the time from the end of the note's write is printed as well. Also
// printed: notes lost (never shown) and notes shown twice; both must be 0.
//
// Idle cost: the window sits for I seconds (default 60) with no notes; CPU time and wake-ups
// (context switches of all the process's threads) are counted, once with the poll alone and once
// with the watch and the desktop notifications on a session bus.
#include <signal.h>
#include <sys/resource.h>

#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "BenchStation.h"
#include "FileLib.h"
#include "NoteAlerts.h"
#include "NotesWriter.h"
#include "PrivateBus.h"
#include "TestKit.h"
#include "WriterCases.h"
#include "frmNote.h"

using namespace cadro;
namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

namespace {

using bench::Station;
using testing::PrivateBus;

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * static_cast<double>(values.size())));
  return values[std::min(values.size() - 1, rank == 0 ? 0 : rank - 1)];
}

void Latency(const std::string& root, bool watch, const standin::WriterCase& writerCase, int notes,
             std::chrono::milliseconds target) {
  Station station(root);
  frmNote window(station.ts.services, station.lib, station.sound, "3.4.0 c5");
  station.user.Set(VtnoteUserSettings::kApp, VtnoteUserSettings::kSection, VtnoteUserSettings::kDesktopKey,
                   "0");
  new NoteAlerts(window, station.user, station.ts.eventLog, QDBusConnection(QStringLiteral("none")), watch);
  window.show();

  // Filled on the window's thread only; the writers' times are read once they are done.
  std::vector<std::vector<Steady::time_point>> shown(static_cast<std::size_t>(notes) + 1);
  int distinct = 0;
  QEventLoop loop;
  std::atomic<bool> written{false};
  QObject::connect(&window, &frmNote::noteShown, &loop, [&](int, const QString& message) {
    const auto now = Steady::now();  // the journal line is written before this signal
    const int n = message.section(QLatin1Char(' '), 1).toInt();
    if (n < 1 || n > notes) return;
    auto& times = shown[static_cast<std::size_t>(n)];
    if (times.empty()) ++distinct;
    times.push_back(now);
    if (distinct == notes && written) loop.quit();
  });
  standin::WriterResult result;
  std::thread host([&] {
    result = standin::RunWriterCase(station.notes, writerCase, notes, "note ", target, watch ? 17 : 18);
    written = true;
  });
  // Once the writers are done: what is still missing has a few poll intervals to come in.
  QTimer check;
  check.setInterval(100);
  auto writersDone = Steady::time_point::max();
  QObject::connect(&check, &QTimer::timeout, &loop, [&] {
    if (!written) return;
    if (writersDone == Steady::time_point::max()) writersDone = Steady::now();
    if (distinct == notes || Steady::now() - writersDone > std::chrono::seconds(3)) loop.quit();
  });
  check.start();
  loop.exec();
  host.join();

  std::vector<double> latency;
  std::vector<double> fromWrite;
  int twice = 0;
  int beforeClose = 0;
  for (int n = 1; n <= notes; ++n) {
    const auto& times = shown[static_cast<std::size_t>(n)];
    if (times.empty()) continue;
    twice += static_cast<int>(times.size()) - 1;
    const double ms = std::chrono::duration<double, std::milli>(times.front() -
                                                                result.done[static_cast<std::size_t>(n - 1)])
                          .count();
    if (ms < 0) ++beforeClose;
    latency.push_back(ms);
    fromWrite.push_back(std::chrono::duration<double, std::milli>(
                            times.front() - result.written[static_cast<std::size_t>(n - 1)])
                            .count());
  }
  const int lost = notes - static_cast<int>(latency.size());
  std::printf("%-14s %-16s %4d notes  lost %d  twice %d  before close %3d",
              watch ? "watch + poll" : "poll only", writerCase.name.c_str(), notes, lost, twice, beforeClose);
  if (!latency.empty()) {
    std::printf("  median %7.1f ms  p99 %7.1f ms  max %7.1f ms", Percentile(latency, 50),
                Percentile(latency, 99), *std::max_element(latency.begin(), latency.end()));
  }
  if (!result.error.empty()) std::printf("  [writer: %s]", result.error.c_str());
  if (result.takenWhileHeld > 0) std::printf("  [%d written into a file taken away]", result.takenWhileHeld);
  std::printf("\n");
}

// Context switches of each live thread, by thread id, with the thread's name.
std::map<std::string, std::pair<std::string, long>> ContextSwitches() {
  std::map<std::string, std::pair<std::string, long>> threads;
  for (const auto& task : fs::directory_iterator("/proc/self/task")) {
    std::ifstream status(task.path() / "status");
    std::string line;
    std::string name;
    long total = 0;
    while (std::getline(status, line)) {
      if (line.rfind("Name:", 0) == 0) name = line.substr(line.find_first_not_of(" \t", 5));
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
        total += std::atol(line.c_str() + line.find(':') + 1);
    }
    threads[task.path().filename().string()] = {name, total};
  }
  return threads;
}

double CpuMs() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

void Idle(const std::string& root, bool watch, int seconds) {
  Station station(root);
  PrivateBus bus;
  frmNote window(station.ts.services, station.lib, station.sound, "3.4.0 c5");
  if (watch)
    new NoteAlerts(
        window, station.user, station.ts.eventLog,
        bus.pid > 0 ? bus.Connect(QStringLiteral("bench")) : QDBusConnection(QStringLiteral("no bus")));
  window.show();
  QEventLoop settle;  // start-up work out of the way first
  QTimer::singleShot(2000, &settle, &QEventLoop::quit);
  settle.exec();
  const auto before = ContextSwitches();
  const double cpu0 = CpuMs();
  QEventLoop loop;
  QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
  loop.exec();
  const double cpu = CpuMs() - cpu0;
  // Threads that ended meanwhile are left out; threads that began count whole.
  long switches = 0;
  std::string perThread;
  for (const auto& [tid, thread] : ContextSwitches()) {
    const auto it = before.find(tid);
    const long delta = thread.second - (it == before.end() ? 0 : it->second.second);
    switches += delta;
    if (delta > 0) perThread += " " + thread.first + " " + std::to_string(delta);
  }
  std::printf(
      "idle %d s, %s: %ld wake-ups (%.2f per second; by thread:%s), CPU %.1f ms (%.3f ms per second)%s\n",
      seconds, watch ? "watch + poll + session bus" : "poll only", switches,
      static_cast<double>(switches) / seconds, perThread.c_str(), cpu, cpu / seconds,
      watch && bus.pid <= 0 ? " [no dbus-daemon: without a bus]" : "");
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure as soon as it is measured
  QApplication app(argc, argv);
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  int notes = 500;
  int seconds = 15;
  int keptOpenSeconds = 20;
  int idleSeconds = 60;
  std::string only;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--notes") notes = std::max(0, std::atoi(argv[i + 1]));
    if (option == "--seconds") seconds = std::max(1, std::atoi(argv[i + 1]));
    if (option == "--kept-open-seconds") keptOpenSeconds = std::max(1, std::atoi(argv[i + 1]));
    if (option == "--idle-seconds") idleSeconds = std::max(1, std::atoi(argv[i + 1]));
    if (option == "--case") only = argv[i + 1];
  }
  testing::TempDir dir;
  if (notes > 0) {
    std::printf(
        "latency from the writer's close to the journal line (negative: shown while the writer held the "
        "file)\n");
    int run = 0;
    for (const bool watch : {true, false}) {
      for (const auto& writerCase : standin::HostWriterCases(std::chrono::seconds(keptOpenSeconds))) {
        if (!only.empty() && writerCase.name != only) continue;
        Latency(dir.str() + "/latency" + std::to_string(run++), watch, writerCase, notes,
                std::chrono::seconds(seconds));
      }
    }
  }
  Idle(dir.str() + "/idle-poll", false, idleSeconds);
  Idle(dir.str() + "/idle-watch", true, idleSeconds);
  return 0;
}
