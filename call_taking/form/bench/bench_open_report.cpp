// bench_open_report: how long the entry form takes to open stored reports of up to 10 MB, from
// the double-click (StartForm) to a painted window, for the shapes such a file can have: the
// details in one endless line, in lines of ordinary length, in the longest lines the form takes,
// and every one-line field at its longest. Prints the time and whether the form opened the
// report or refused it.
#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "CadroIni.h"
#include "ReportBinding.h"
#include "frmCadrocts.h"

namespace {

struct QuietLog final : cadro::EventLog {
  void Error(const std::string&) override {}
};
struct CountingPrompts final : cadro::Prompts {
  void Message(const std::string&, const std::string&, cadro::PromptIcon) override { ++boxes; }
  bool AskYesNo(const std::string&, const std::string&, cadro::PromptIcon) override { return true; }
  void Beep() override {}
  int boxes = 0;
};
struct FixedClock final : cadro::Clock {
  cadro::LocalTime Now() const override { return {2026, 12, 7, 14, 20, 5}; }
};
struct Locale final : cadro::UserLocale {
  std::string MonthAbbrev(int) const override { return "Dec"; }
  char DecimalSeparator() const override { return '.'; }
};
struct NoSettings final : cadro::SettingsStore {
  std::optional<std::string> Get(const std::string&, const std::string&, const std::string&) const override {
    return std::nullopt;
  }
  void Set(const std::string&, const std::string&, const std::string&, const std::string&) override {}
};

// Details of `size` bytes in lines of `line` characters, joined by "\n" as the file keeps them.
std::string Details(std::size_t size, std::size_t line) {
  std::string out;
  out.reserve(size + size / line * 2 + 2);
  std::size_t inLine = 0;
  while (out.size() < size) {
    if (inLine == line) {
      out += "\\n";
      inLine = 0;
    }
    out += static_cast<char>('a' + out.size() % 26);
    ++inLine;
  }
  return out;
}

void WriteReport(const std::filesystem::path& file, const std::string& details, const std::string& oneLine) {
  std::ofstream out(file, std::ios::binary);
  out << "[911 DEFINITION]\r\nTYP=MED+LAW\r\nEID=" << file.stem().string() << "\r\nMID=XYZ-100\r\n"
      << "ISS=Fall" << oneLine << "\r\nAD1=100 Main St" << oneLine << "\r\nCTY=Springfield" << oneLine
      << "\r\nAD2=" << oneLine << "\r\nLAS=14:05\r\nDTL=" << details << "\r\nRPN=Jane Roe" << oneLine
      << "\r\nRPA=" << oneLine << "\r\nRPP=" << oneLine << "\r\nRPC=0\r\n[MED DEFINITION]\r\nAGE=80"
      << oneLine << "\r\nGDR=" << oneLine << "\r\nCON=1\r\nBRE=1\r\n[LAW DEFINITION]\r\nPDE=" << oneLine
      << "\r\nWEA=" << oneLine << "\r\nDOT=" << oneLine << "\r\nVDE=" << oneLine << "\r\nVDP=" << oneLine
      << "\r\nVDS=" << oneLine << "\r\n[ADMIN DEFINITION]\r\nUID=OPER1\r\nULO=EOC\r\nAST=6\r\n"
      << "ADT=261207\r\nATM=1420\r\n[END]\r\n";
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("bench_open_report." + std::to_string(::getpid()));
  std::filesystem::create_directories(folder / "msg.d");

  QuietLog log;
  CountingPrompts prompts;
  FixedClock clock;
  Locale locale;
  NoSettings settings;
  cadro::Services services{log, prompts, clock, locale, settings};
  cadro::CadroIni ini((folder / "Cadrocts.ini").string(), services);
  ini.ReadIni();
  cadro::form::frmCadrocts form(services, ini, folder.string(), nullptr);
  form.resize(900, 700);

  constexpr std::size_t kMB = 1024 * 1024;
  const std::string longestOneLine(cadro::form::kLongestLineShown - 20, 'x');
  struct Shape {
    const char* name;
    std::string details;
    std::string oneLine;
  };
  const Shape shapes[] = {
      {"details 5 MB in one line", Details(5 * kMB, 5 * kMB), {}},
      {"details 10 MB in one line", Details(10 * kMB, 10 * kMB), {}},
      {"details 10 MB in lines of 80", Details(10 * kMB, 80), {}},
      {"details 10 MB in the longest lines taken", Details(10 * kMB, cadro::form::kLongestLineShown), {}},
      {"details 9 MB + 16 one-line fields at their longest", Details(9 * kMB, 80), longestOneLine},
  };
  std::printf("%-52s %8s %10s  %s\n", "report", "size", "open (ms)", "result");
  int n = 100;
  for (const Shape& shape : shapes) {
    const std::string id = "XYZ26341." + std::to_string(n++);
    const std::filesystem::path file = folder / "msg.d" / (id + ".911");
    WriteReport(file, shape.details, shape.oneLine);
    const int boxesBefore = prompts.boxes;
    QElapsedTimer timer;
    timer.start();
    form.StartForm(id);
    if (form.isVisible()) (void)form.grab();  // laid out and painted, as on the screen
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    const bool refused = prompts.boxes > boxesBefore;
    std::printf("%-52s %5.1f MB %10.0f  %s\n", shape.name,
                static_cast<double>(std::filesystem::file_size(file)) / kMB, ms,
                refused ? "refused with a reason, file left as it is" : "opened");
    form.close();
  }
  std::filesystem::remove_all(folder);
  return 0;
}
