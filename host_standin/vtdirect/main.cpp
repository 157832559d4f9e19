// vtdirect-standin: the stand-in direct-entry server for demonstrations and manual tests.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <cstdio>

#include "VtdirectStandin.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("vtdirect-standin");
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Stands in for the host's direct-entry server: records each add-on envelope and answers \"OK>\".");
  parser.addHelpOption();
  parser.addOption({"port", "TCP port on 127.0.0.1 (0 picks a free one and prints it).", "N", "9334"});
  parser.addOption({"record", "Folder that receives one file per envelope.", "DIR"});
  parser.addOption(
      {"mode",
       "normal, silent, close-on-connect, close-after-envelope, reset-after-envelope, split-prompt, "
       "lowercase, "
       "greet or slow; several joined with commas.",
       "MODE", "normal"});
  parser.addOption({"delay-ms", "Delay of the answer in slow mode.", "N", "2000"});
  parser.process(app);

  cadro::standin::StandinOptions options;
  std::string error;
  if (!cadro::standin::ApplyModes(parser.value("mode").toStdString(), options, error)) {
    std::fprintf(stderr, "vtdirect-standin: %s\n", error.c_str());
    return 2;
  }
  bool ok = false;
  const int port = parser.value("port").toInt(&ok);
  if (!ok || port < 0 || port > 65535) {
    std::fprintf(stderr, "vtdirect-standin: bad port '%s'\n", qPrintable(parser.value("port")));
    return 2;
  }
  options.delayMs = parser.value("delay-ms").toInt(&ok);
  if (!ok || options.delayMs < 0) {
    std::fprintf(stderr, "vtdirect-standin: bad delay '%s'\n", qPrintable(parser.value("delay-ms")));
    return 2;
  }
  if (parser.isSet("record")) {
    const QString dir = parser.value("record");
    if (!QDir().mkpath(dir)) {
      std::fprintf(stderr, "vtdirect-standin: cannot create folder '%s'\n", qPrintable(dir));
      return 2;
    }
    options.recordDir = dir.toStdString();
  }

  cadro::standin::VtdirectStandin server(options);
  server.SetOutput([](const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  });
  if (!server.Listen(static_cast<quint16>(port))) {
    std::fprintf(stderr, "vtdirect-standin: cannot listen on 127.0.0.1:%d: %s\n", port,
                 qPrintable(server.ErrorString()));
    return 1;
  }
  std::printf("vtdirect-standin listening on 127.0.0.1:%u\n", static_cast<unsigned>(server.Port()));
  std::fflush(stdout);
  return app.exec();
}
