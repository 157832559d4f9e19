// How long Addlaunch takes to register a big loader file, in its real window (offscreen, pauses
// cut to nothing), and what the window's label alone would cost if it echoed a loader whole.
//
//   bench_addlaunch [--echo-whole-mb N]   also time the whole echo for an N MB loader
#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "FolderPicker.h"
#include "TestKit.h"
#include "frmAddlaunch.h"

namespace fs = std::filesystem;
using namespace cadro::addlaunch;

namespace {

class NoPicker final : public FolderPicker {
public:
  std::string PickFolder(QWidget*, const QString&, const QString&) override { return {}; }
};

std::string Loader(std::size_t bytes) {
  std::string text = "[Bench-1.0]\r\n";
  text.reserve(bytes + 64);
  for (int i = 0; text.size() < bytes; ++i)
    text += "Setting" + std::to_string(i) + "=" + std::string(60, 'x') + "\r\n";
  return text + "/ [EOA]\r\n";
}

// A Wine prefix with the host on drive C and a program folder for the loader.
struct Host {
  Host() {
    fs::create_directories(root.path() / "wine/drive_c/Program Files/Vantrel");
    fs::create_directories(root.path() / "wine/drive_c/VData");
    fs::create_directories(root.path() / "wine/dosdevices");
    fs::create_directory_symlink("../drive_c", root.path() / "wine/dosdevices/c:");
    fs::create_directories(root.path() / "Addlaunch/logs");
    cadro::testing::WriteFileBytes(root.File("wine/drive_c/Program Files/Vantrel/Vantrel.conf"),
                                   "DATADIR=C:\\VData\r\n");
    ::setenv("WINEPREFIX", root.File("wine").c_str(), 1);
  }
  cadro::testing::TempDir root;
};

double SecondsToInstall(std::size_t bytes) {
  Host host;
  const std::string loader = host.root.File("Bench.local");
  cadro::testing::WriteFileBytes(loader, Loader(bytes));
  cadro::testing::TestServices ts;
  ts.prompts.answers = {true};
  NoPicker picker;
  frmAddlaunch form(ts.services, picker, host.root.File("Addlaunch"), "1.0.0");
  form.SetPauseScaleForTests(0);
  QSignalSpy done(&form, &frmAddlaunch::finished);
  QElapsedTimer clock;
  clock.start();
  form.Form_Load("install," + loader);
  if (!done.wait(600000) || done.front().front().toInt() != 0) {
    std::fprintf(stderr, "the install of %zu bytes failed\n", bytes);
    std::exit(1);
  }
  const double seconds = clock.nsecsElapsed() / 1e9;
  const auto written = fs::file_size(host.root.File("wine/drive_c/VData/Launch.local"));
  if (written < bytes) {
    std::fprintf(stderr, "Launch.local holds only %ju bytes\n", static_cast<std::uintmax_t>(written));
    std::exit(1);
  }
  return seconds;
}

// The label's cost when the whole loader text is echoed and the lines after it follow, with the
// window handling its events after each line as it does during a run.
double SecondsToEchoWhole(std::size_t bytes) {
  cadro::testing::TestServices ts;
  NoPicker picker;
  cadro::testing::TempDir dir;
  frmAddlaunch form(ts.services, picker, dir.str(), "1.0.0");
  form.show();
  const std::string text = Loader(bytes);
  QElapsedTimer clock;
  clock.start();
  for (const std::string& line : {">>>Finding: " + text, std::string("Reading: C:\\VData\\Launch.local"),
                                  std::string("Added this Addon to Launch.Local")}) {
    form.AppendOutput(line);
    QApplication::processEvents();
  }
  return clock.nsecsElapsed() / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int wholeMb = 1;
  if (argc == 3 && std::string(argv[1]) == "--echo-whole-mb") wholeMb = std::atoi(argv[2]);

  std::printf("Addlaunch install of a big loader, real window offscreen, pauses cut to 0:\n");
  for (std::size_t mb : {1u, 10u, 100u}) {
    std::printf("  %3zu MB loader: %.2f s\n", mb, SecondsToInstall(mb * 1000 * 1000));
    std::fflush(stdout);
  }
  std::printf("The label alone when the whole loader text is echoed into it:\n");
  std::printf("  %3d MB loader: %.2f s\n", wholeMb,
              SecondsToEchoWhole(static_cast<std::size_t>(wholeMb) * 1000 * 1000));
  return 0;
}
