// bench_vtnote_latency: how soon a note the host writes is in the viewer's journal, with the
// watch on the notes file and with the one-second poll alone, and what the viewer costs while
// nothing happens.
//
//   bench_vtnote_latency [--notes N] [--idle-seconds S]     (--notes 0: idle cost only)
//
// Latency: a writer thread that behaves like the host (opens Vtnote.dat for appending, locks it,
// writes one record, closes it) writes N notes (default 200), each after a random pause of 0 to
// 999 ms, so the appends fall at random phases of the poll. For each note the time from the end
// of its append to its line being in the journal (Srnote.tmp) is taken; the figures are the
// median, the 99th percentile and the maximum.
//
// Idle cost: the window sits for S seconds (default 60) with no notes; CPU time and wake-ups
// (context switches of all the process's threads) are counted, once with the poll alone (the
// viewer as it was) and once with the watch and the desktop notifications on a session bus.
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
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "BenchStation.h"
#include "FileLib.h"
#include "NoteAlerts.h"
#include "NotesWriter.h"
#include "PrivateBus.h"
#include "TestKit.h"
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

void Latency(const std::string& root, bool watch, int notes) {
  Station station(root);
  frmNote window(station.ts.services, station.lib, station.sound, "3.4.0 c5");
  station.user.Set(VtnoteUserSettings::kApp, VtnoteUserSettings::kSection, VtnoteUserSettings::kDesktopKey,
                   "0");
  if (watch)
    new NoteAlerts(window, station.user, station.ts.eventLog, QDBusConnection(QStringLiteral("none")));
  window.show();

  std::vector<Steady::time_point> appended(static_cast<std::size_t>(notes));
  std::vector<double> latency(static_cast<std::size_t>(notes), -1);
  std::mutex mutex;
  int shown = 0;
  QEventLoop loop;
  QObject::connect(&window, &frmNote::noteShown, &loop, [&](int, const QString& message) {
    const auto now = Steady::now();  // the journal line is written before this signal
    const int i = message.section(QLatin1Char(' '), 1).toInt();
    {
      const std::lock_guard<std::mutex> lock(mutex);
      latency[static_cast<std::size_t>(i)] =
          std::chrono::duration<double, std::milli>(now - appended[static_cast<std::size_t>(i)]).count();
    }
    if (++shown == notes) loop.quit();
  });
  std::thread host([&] {
    std::mt19937 random(watch ? 17 : 18);
    std::uniform_int_distribution<int> pause(0, 999);
    for (int i = 0; i < notes; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
      const std::lock_guard<std::mutex> lock(mutex);  // the time is set before the viewer can see it
      standin::AppendNote(station.notes, standin::NoteRecord(1, "note " + std::to_string(i)));
      appended[static_cast<std::size_t>(i)] = Steady::now();
    }
  });
  QTimer::singleShot(notes * 2000 + 5000, &loop, &QEventLoop::quit);  // bounded
  loop.exec();
  host.join();
  std::vector<double> got;
  for (const double ms : latency)
    if (ms >= 0) got.push_back(ms);
  if (got.empty()) {
    std::printf("%s: no note shown\n", watch ? "watch + poll" : "poll only");
    return;
  }
  double sum = 0;
  for (const double ms : got) sum += ms;
  std::printf(
      "latency append -> journal, %s: %zu of %d notes, median %.1f ms, p99 %.1f ms, max %.1f ms, mean %.1f "
      "ms\n",
      watch ? "watch + poll (new)" : "poll only (as before)", got.size(), notes, Percentile(got, 50),
      Percentile(got, 99), *std::max_element(got.begin(), got.end()), sum / static_cast<double>(got.size()));
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
      seconds, watch ? "watch + poll + session bus (new)" : "poll only (as before)", switches,
      static_cast<double>(switches) / seconds, perThread.c_str(), cpu, cpu / seconds,
      watch && bus.pid <= 0 ? " [no dbus-daemon: without a bus]" : "");
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure as soon as it is measured
  QApplication app(argc, argv);
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  int notes = 200;
  int idleSeconds = 60;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::string(argv[i]) == "--notes") notes = std::max(0, std::atoi(argv[i + 1]));
    if (std::string(argv[i]) == "--idle-seconds") idleSeconds = std::max(1, std::atoi(argv[i + 1]));
  }
  testing::TempDir dir;
  if (notes > 0) {
    Latency(dir.str() + "/watch", true, notes);
    Latency(dir.str() + "/poll", false, notes);
  }
  Idle(dir.str() + "/idle-poll", false, idleSeconds);
  Idle(dir.str() + "/idle-watch", true, idleSeconds);
  return 0;
}
