// bench_list: how long the list window takes to show 10,000 reports, next to how long it takes
// merely to load them. Builds the list in the real window on the offscreen platform (load,
// filter, add rows, sort), then times sorting and scrolling the full list.
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

#include "CadroIni.h"
#include "CadroLogLib.h"
#include "CadroMsg.h"
#include "IncidentListModel.h"
#include "QtPlatform.h"
#include "StringLib.h"
#include "frmCadromain.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kReports = 10000;
constexpr int kRounds = 5;

// Quiet stand-ins: a benchmark must not write the user's settings or pop up boxes.
struct QuietLog final : cadro::EventLog {
  void Error(const std::string&) override { ++count; }
  int count = 0;
};
struct QuietPrompts final : cadro::Prompts {
  void Message(const std::string&, const std::string&, cadro::PromptIcon) override { ++count; }
  bool AskYesNo(const std::string&, const std::string&, cadro::PromptIcon) override { return false; }
  void Beep() override {}
  int count = 0;
};
struct MemorySettings final : cadro::SettingsStore {
  std::optional<std::string> Get(const std::string& a, const std::string& s,
                                 const std::string& k) const override {
    const auto it = values.find(a + "/" + s + "/" + k);
    return it == values.end() ? std::nullopt : std::optional<std::string>(it->second);
  }
  void Set(const std::string& a, const std::string& s, const std::string& k, const std::string& v) override {
    values[a + "/" + s + "/" + k] = v;
  }
  std::map<std::string, std::string> values;
};

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

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

void WriteReports(const std::filesystem::path& folder) {
  static const char* const kStates[] = {"2", "6", "8", "9", "2"};
  static const char* const kCities[] = {"Springfield", "Riverton", "Lakeside", "Shelbyville", "Ogdenville"};
  static const char* const kTypes[] = {"MED", "FIRE", "LAW", "LGOV", "MED+LAW"};
  for (int i = 0; i < kReports; ++i) {
    char id[32];
    std::snprintf(id, sizeof id, "FS326%03d.%04d", 1 + i % 365, i);
    char date[16];
    std::snprintf(date, sizeof date, "%02d%02d%02d", 20 + i % 8, 1 + i % 12, 1 + i % 28);
    char time[8];
    std::snprintf(time, sizeof time, "%02d%02d", i % 24, i % 60);
    std::string text =
        "[911 DEFINITION]\r\nVersion=3.4.5/26341:081502\r\nTYP=" + std::string(kTypes[i % 5]) +
        "\r\nEID=" + id + "\r\nMID=FS3-" + std::to_string(i) + "\r\nISS=Reported problem number " +
        std::to_string(i) + "\r\nAD1=" + std::to_string(i) + " Main St\r\nCTY=" + kCities[(i * 7) % 5] +
        "\r\nAD2=\r\nLAS=08:00\r\nDTL=Details of the call\\nsecond line\r\nRPN=Caller\r\nRPA=\r\n"
        "RPP=555-0100\r\nRPC=0\r\n[ADMIN DEFINITION]\r\nUID=K6ABC\r\nULO=Station 3\r\nAST=" +
        kStates[i % 5] + "\r\nADT=" + date + "\r\nATM=" + time + "\r\n[END]\r\n";
    std::ofstream(folder / (std::string(id) + ".911"), std::ios::binary) << text;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  char tmpl[] = "/tmp/bench_list-XXXXXX";
  if (!::mkdtemp(tmpl)) return 1;
  const std::filesystem::path root(tmpl);
  std::filesystem::create_directories(root / "msg.d");
  std::filesystem::create_directories(root / "logs");
  WriteReports(root / "msg.d");

  QuietLog eventLog;
  QuietPrompts prompts;
  cadro::SystemClock clock;
  cadro::SystemLocale locale;
  MemorySettings settings;
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
  QApplication::processEvents();

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
    take(allFolder, [&] { window.cmdFolder_Click(0); });
    take(readyFolder, [&] { window.cmdFolder_Click(2); });
    readyRows = window.Model().rowCount();
  }
  window.cmdFolder_Click(0);
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

  std::error_code ec;
  std::filesystem::remove_all(root, ec);
  return 0;
}
