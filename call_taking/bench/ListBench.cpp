// bench_list: how long the list window takes to show 10,000 reports, next to how long it takes
// merely to load them. Lists a folder in the real window on the offscreen platform (read in the
// background, rows placed in order as they come) until the list is whole, then times sorting and
// scrolling the full list.
#include <sys/stat.h>

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTreeView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
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
constexpr int kReports = 10000;
constexpr int kRounds = 5;

template <typename Fn>
double Best(Fn&& fn) {
  double best = 1e300;
  for (int i = 0; i < kRounds; ++i) {
    const auto start = Clock::now();
    fn();
    best = std::min(best, Ms(Clock::now() - start));
  }
  return best;
}

// A folder click returns at once; the list is whole when the reading has ended.
void ShowFolder(cadro::frmCadromain& window, int code) {
  window.cmdFolder_Click(code);
  while (window.Listing()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  const cadro::bench::BenchFolder folder;
  const std::filesystem::path& root = folder.Root();
  cadro::bench::WriteReports(folder.Messages(), kReports);

  cadro::bench::QuietLog eventLog;
  cadro::bench::QuietPrompts prompts;
  cadro::SystemClock clock;
  cadro::SystemLocale locale;
  cadro::bench::MemorySettings settings;
  cadro::Services services{eventLog, prompts, clock, locale, settings};

  // What loading alone costs: list the folder, load every report.
  cadro::CadroMsg record((root / "msg.d").string(), services);
  int loaded = 0;
  const auto rawLoad = [&] {
    loaded = 0;
    const std::string list = record.BuildFileList();
    std::string_view rest(list);
    while (!rest.empty()) loaded += record.Load(cadro::GetLine(rest)) ? 1 : 0;
  };

  // The rows alone, without the window.
  std::size_t rowCount = 0;
  const auto rowsOnly = [&] {
    std::vector<cadro::IncidentRow> rows;
    cadro::BuildIncidentRows(record, 0, rows);
    rowCount = rows.size();
  };

  cadro::CadroIni ini((root / "Cadrocts.ini").string(), services);
  cadro::SessionLog log(root.string(), services);
  cadro::frmCadromain window(services, ini, log, root.string());
  window.SetModalRunner([](QDialog&) { return static_cast<int>(QDialog::Rejected); });
  window.Startup();
  while (window.Listing()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

  // The machine is shared: raw loads and window builds take turns, and the best of each counts.
  double rawBest = 1e300;
  double rowsBest = 1e300;
  double allFolder = 1e300;
  double readyFolder = 1e300;
  int readyRows = 0;
  const auto take = [](double& best, auto&& fn) {
    const auto start = Clock::now();
    fn();
    best = std::min(best, Ms(Clock::now() - start));
  };
  for (int round = 0; round < 3 * kRounds; ++round) {
    take(rawBest, rawLoad);
    take(rowsBest, rowsOnly);
    take(allFolder, [&] { ShowFolder(window, 0); });
    take(readyFolder, [&] { ShowFolder(window, 2); });
    readyRows = window.Model().rowCount();
  }
  ShowFolder(window, 0);
  const int allRows = window.Model().rowCount();

  QTreeView* list = window.List();
  const double sortText = Best([&] { window.LV_ColumnClick(4); });
  const double sortDate = Best([&] { window.LV_ColumnClick(7); });
  QScrollBar* bar = list->verticalScrollBar();
  const double scroll = Best([&] {
                          for (int step = 0; step <= 10; ++step) {
                            bar->setValue(bar->maximum() * step / 10);
                            list->viewport()->repaint();
                          }
                        }) /
                        11;
  window.close();

  std::printf("reports on disk                 %d (loaded %d)\n", kReports, loaded);
  std::printf("raw load (list + Load each)     %8.1f ms\n", rawBest);
  std::printf("rows without the window          %8.1f ms  (%zu rows)\n", rowsBest, rowCount);
  std::printf("window list, folder All         %8.1f ms  (%d rows)  ratio %.2f x raw load\n", allFolder,
              allRows, allFolder / rawBest);
  std::printf("window list, folder Ready       %8.1f ms  (%d rows)  ratio %.2f x raw load\n", readyFolder,
              readyRows, readyFolder / rawBest);
  std::printf("sort %d rows by Issue           %8.1f ms\n", allRows, sortText);
  std::printf("sort %d rows by Date/Time       %8.1f ms\n", allRows, sortDate);
  std::printf("scroll and repaint one screen   %8.2f ms\n", scroll);
  std::printf("(best of %d rounds each; goal: window at most 1.5 x raw load)\n", 3 * kRounds);

  return 0;
}
