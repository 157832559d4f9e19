// bench_delivery: deliveries to the stand-in server on loopback, end to end (connect, the fixed
// pauses, envelope, "OK>", QUIT, close). Prints one delivery, then 100 in a row, and the open
// file descriptors and child objects before and after, which must not grow.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "../tests/RunSession.h"
#include "Platform.h"
#include "VtdirectSession.h"
#include "VtdirectStandin.h"

namespace {

class NoPrompts final : public cadro::Prompts {
public:
  void Message(const std::string& text, const std::string&, cadro::PromptIcon) override {
    std::fprintf(stderr, "unexpected box: %s\n", text.c_str());
  }
  bool AskYesNo(const std::string&, const std::string&, cadro::PromptIcon) override { return false; }
  void Beep() override {}
};

int OpenFds() {
  return static_cast<int>(QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
}

int Objects(const QObject& root) {
  return static_cast<int>(root.findChildren<QObject*>().size());
}

void Settle(const cadro::standin::VtdirectStandin& server) {
  if (!QTest::qWaitFor([&] { return server.OpenConnections() == 0; }, 2000))
    std::fprintf(stderr, "the server still holds connections\n");
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  cadro::standin::VtdirectStandin server({});
  if (!server.Listen(0)) {
    std::fprintf(stderr, "cannot listen\n");
    return 1;
  }
  NoPrompts prompts;
  cadro::VtdirectSession session(prompts, {});
  cadro::LinkSettings settings;
  settings.Prt = std::to_string(server.Port());
  session.SetSettings(settings);

  // The worked example's envelope size (about 300 bytes, two wrapped lines and more).
  std::string envelope = "<AOAON>CADRO</AOAON><AOSUB>XYZ-100 / MED / Springfield</AOSUB><AOMSG>";
  for (int i = 0; i < 8; ++i) envelope += "LINE" + std::to_string(i) + "=" + std::string(20, 'x') + "\r\n";
  envelope += "EVNT=XYZ21045.100</AOMSG><AOURG>TRUE</AOURG><AOTYP>PVT</AOTYP><ENCOD>BASE64</ENCOD>!/ADDON!";

  QElapsedTimer timer;
  timer.start();
  const bool first = cadro::testing::Deliver(session, envelope, "bench");
  const double firstMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
  Settle(server);
  std::printf("one delivery: %s in %.1f ms (fixed pauses 400 ms, goal 450 ms)\n",
              first ? "acknowledged" : "FAILED", firstMs);

  const int fdsBefore = OpenFds();
  const int sessionObjectsBefore = Objects(session);
  const int serverObjectsBefore = Objects(server);
  std::vector<double> times;
  int failures = 0;
  for (int i = 0; i < 100; ++i) {
    timer.restart();
    if (!cadro::testing::Deliver(session, envelope, "bench")) ++failures;
    times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
  }
  Settle(server);
  std::sort(times.begin(), times.end());
  double total = 0;
  for (double t : times) total += t;
  std::printf("100 deliveries: %d failed, total %.0f ms, min %.1f / median %.1f / max %.1f ms\n", failures,
              total, times.front(), times[times.size() / 2], times.back());
  std::printf("open fds before/after: %d/%d; child objects session %d/%d, server %d/%d\n", fdsBefore,
              OpenFds(), sessionObjectsBefore, Objects(session), serverObjectsBefore, Objects(server));
  std::printf("envelopes received by the server: %zu\n", server.Envelopes().size());
  const bool leaked = OpenFds() != fdsBefore || Objects(session) != sessionObjectsBefore ||
                      Objects(server) != serverObjectsBefore;
  return (first && failures == 0 && !leaked) ? 0 : 1;
}
