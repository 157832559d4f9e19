// bench_list_window: what the operator waits for when Cadrocts starts on a big message folder.
// The real list window starts (offscreen) on an empty folder, on 10,000 and on 50,000 reports;
// for each it times start to first rows, start to the complete list, the longest stretch in
// which the event loop answered nothing, and real keystrokes in the search box. The memory the
// list holds per report is measured from the allocator. Every figure is set against one taken
// in the same run (an empty start, a raw read of the same files), because the machine is shared.
#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <memory>
#include <vector>

#include "BenchReports.h"
#include "CadroIni.h"
#include "CadroLogLib.h"
#include "CadroMsg.h"
#include "IncidentListModel.h"
#include "QtPlatform.h"
#include "StringLib.h"
#include "frmCadromain.h"

namespace {

using cadro::bench::Clock;
using cadro::bench::Ms;

constexpr int kRounds = 5;
constexpr double kGiveUpMs = 60000;

struct Services {
  cadro::bench::QuietLog eventLog;
  cadro::bench::QuietPrompts prompts;
  cadro::SystemClock clock;
  cadro::SystemLocale locale;
  cadro::bench::MemorySettings settings;
  cadro::Services services{eventLog, prompts, clock, locale, settings};
};

// Listing the folder and reading every file's bytes: what no list can beat.
double RawRead(const std::filesystem::path& folder, std::size_t& bytes) {
  const auto start = Clock::now();
  bytes = 0;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return 0;
  char buffer[16384];
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    const int fd = ::openat(::dirfd(dir), entry->d_name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    for (ssize_t r; (r = ::read(fd, buffer, sizeof buffer)) > 0;) bytes += static_cast<std::size_t>(r);
    ::close(fd);
  }
  ::closedir(dir);
  return Ms(Clock::now() - start);
}

// The record's own reader over every file, as the list used it before it read in the background.
double RawLoad(const std::filesystem::path& folder, cadro::Services& services) {
  const auto start = Clock::now();
  cadro::CadroMsg record(folder.string(), services);
  const std::string list = record.BuildFileList();
  std::string_view rest(list);
  while (!rest.empty()) record.Load(cadro::GetLine(rest));
  return Ms(Clock::now() - start);
}

// The bytes of the texts the list keeps of each report, to tell them from what it costs to hold.
std::size_t TextBytes(const std::filesystem::path& folder, cadro::Services& services) {
  cadro::CadroMsg record(folder.string(), services);
  const std::string list = record.BuildFileList();
  std::string_view rest(list);
  std::size_t bytes = 0;
  while (!rest.empty()) {
    const std::string id = cadro::GetLine(rest);
    record.Load(id);
    bytes += id.size() + record.EID().size() + record.TYP().size() + record.ISS().size() +
             record.AD1().size() + record.CTY().size() + record.MID().size() + record.DTL().size() +
             record.UID().size() + record.ADT().size() + record.ATM().size();
  }
  return bytes;
}

struct StartFigures {
  double firstRows = 0;    // start until the model first holds rows (0 for an empty folder)
  double firstAnswer = 0;  // start until the event loop first waits for input
  double complete = 0;     // start until the status bar counts the items
  double longestBusy = 0;  // the longest stretch the event loop took no input
  int rows = 0;
  long heapBytes = 0;  // allocated after the list is complete, less before the window
};

// Runs the event loop for a few milliseconds, letting it sleep when nothing is to do.
void WaitAMoment() {
  QEventLoop loop;
  QTimer::singleShot(5, &loop, &QEventLoop::quit);
  loop.exec();
}

bool Counted(const cadro::frmCadromain& window) {
  const auto* panel = window.findChild<QLabel*>(QStringLiteral("sbrStatus_Status"));
  return panel && panel->text().startsWith(QStringLiteral("Items:"));
}

StartFigures StartWindow(const std::filesystem::path& root,
                         std::unique_ptr<cadro::frmCadromain>* keep = nullptr) {
  static Services s;
  StartFigures f;
  auto ini = std::make_unique<cadro::CadroIni>((root / "Cadrocts.ini").string(), s.services);
  auto log = std::make_unique<cadro::SessionLog>(root.string(), s.services);
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  const long heapBefore = static_cast<long>(mallinfo2().uordblks);
  const auto start = Clock::now();
  auto lastAwake = start;
  bool answered = false;
  const auto awake =
      QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, [&] { lastAwake = Clock::now(); });
  const auto sleeping = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [&] {
    const auto now = Clock::now();
    f.longestBusy = std::max(f.longestBusy, Ms(now - lastAwake));
    if (!answered) f.firstAnswer = Ms(now - start);
    answered = true;
  });
  auto window = std::make_unique<cadro::frmCadromain>(s.services, *ini, *log, root.string());
  window->SetModalRunner([](QDialog&) { return static_cast<int>(QDialog::Rejected); });
  window->Startup();
  for (;;) {
    const double now = Ms(Clock::now() - start);
    if (f.firstRows == 0 && window->Model().rowCount() > 0) f.firstRows = now;
    if (Counted(*window) && answered) {
      f.complete = now;
      break;
    }
    if (now > kGiveUpMs) {
      std::printf("  (gave up waiting for the list after %.0f ms)\n", now);
      break;
    }
    WaitAMoment();
  }
  QObject::disconnect(awake);
  QObject::disconnect(sleeping);
  f.rows = window->Model().rowCount();
  f.heapBytes = static_cast<long>(mallinfo2().uordblks) - heapBefore;
  if (keep) {
    *keep = std::move(window);
    ini.release();  // lives as long as the kept window; the benchmark ends soon after
    log.release();
  } else {
    window->close();
  }
  return f;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Keystrokes typed into the search box, each timed until the list has been painted again.
void Keystrokes(cadro::frmCadromain& window, std::vector<double>& times) {
  auto* box = window.findChild<QLineEdit*>(QStringLiteral("txtSearch"));
  window.activateWindow();
  box->setFocus();
  QCoreApplication::processEvents();
  const auto type = [&](auto&& press) {
    const auto t0 = Clock::now();
    press();
    window.List()->viewport()->repaint();
    QCoreApplication::processEvents();
    times.push_back(Ms(Clock::now() - t0));
  };
  for (int round = 0; round < 3; ++round) {
    for (const char c : std::string("main st")) type([&] { QTest::keyClick(box, c); });
    for (int i = 0; i < 7; ++i) type([&] { QTest::keyClick(box, Qt::Key_Backspace); });
    for (const char c : std::string("lake")) type([&] { QTest::keyClick(box, c); });
    type([&] { QTest::keyClick(box, Qt::Key_Escape); });
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  Services s;

  cadro::bench::BenchFolder empty;
  std::printf("bench_list_window: the list window starting on a big message folder (best or median of %d)\n",
              kRounds);
  StartWindow(empty.Root());  // the first window pays for fonts and styles; it counts for nothing

  for (const int count : {10000, 50000}) {
    cadro::bench::BenchFolder full;
    cadro::bench::WriteReports(full.Messages(), count);
    std::vector<double> raw, load, emptyAnswer, firstRows, firstAnswer, complete, busy, emptyBusy, startRatio,
        completeRatio;
    std::size_t bytes = 0;
    long heap = 0;
    int rows = 0;
    // The machine is shared: every figure of a round is taken close to the one it is set against.
    for (int round = 0; round < kRounds; ++round) {
      const StartFigures e = StartWindow(empty.Root());
      const StartFigures f = StartWindow(full.Root());
      const double r = RawRead(full.Messages(), bytes);
      raw.push_back(r);
      load.push_back(RawLoad(full.Messages(), s.services));
      emptyAnswer.push_back(e.firstAnswer);
      emptyBusy.push_back(e.longestBusy);
      firstRows.push_back(f.firstRows);
      firstAnswer.push_back(f.firstAnswer);
      complete.push_back(f.complete);
      busy.push_back(f.longestBusy);
      startRatio.push_back(std::max(f.firstRows, f.firstAnswer) / e.firstAnswer);
      completeRatio.push_back(f.complete / r);
      heap = f.heapBytes - e.heapBytes;
      rows = f.rows;
    }
    const std::size_t text = TextBytes(full.Messages(), s.services);
    std::printf("%d reports (%zu bytes on disk), %d rows in the Ready folder:\n", count, bytes, rows);
    std::printf("  raw read (list the folder, read each file)  %8.1f ms median\n", Median(raw));
    std::printf("  raw load (the record's reader, one by one)  %8.1f ms median\n", Median(load));
    std::printf("  empty folder: start until input answered    %8.1f ms median\n", Median(emptyAnswer));
    std::printf("  start until first rows                      %8.1f ms median\n", Median(firstRows));
    std::printf("  start until input answered                  %8.1f ms median\n", Median(firstAnswer));
    std::printf("    first rows and input answered / empty start: %.2f x median (goal at most 1.2 x)\n",
                Median(startRatio));
    std::printf("  start until the complete list               %8.1f ms median\n", Median(complete));
    std::printf("    complete list / raw read: %.2f x median, complete - raw read: %.0f ms median\n",
                Median(completeRatio), Median(complete) - Median(raw));
    std::printf(
        "  longest stretch without answering input     %8.1f ms median, %.1f ms worst (empty: %.1f ms)"
        " (goal at most 100 ms)\n",
        Median(busy), *std::max_element(busy.begin(), busy.end()), Median(emptyBusy));
    std::printf(
        "  memory held by the list per report          %8.0f bytes, of which text %zu (goal: at most 1 KB"
        " beyond the text)\n",
        static_cast<double>(heap) / count, text / static_cast<std::size_t>(count));

    std::unique_ptr<cadro::frmCadromain> window;
    StartWindow(full.Root(), &window);
    window->cmdFolder_Click(0);
    const auto start = Clock::now();
    while (!Counted(*window) && Ms(Clock::now() - start) < kGiveUpMs) {
      WaitAMoment();
    }
    std::vector<double> keys;
    Keystrokes(*window, keys);
    std::printf(
        "  keystroke in the search box, folder All (%d rows): median %.1f ms, worst %.1f ms of %zu"
        " (goal: worst under 50 ms)\n",
        window->Model().TotalRows(), Median(keys), *std::max_element(keys.begin(), keys.end()), keys.size());
    window->close();
  }
  return 0;
}
