// Figures for the report printer:
//  - the render time of a form with 500 items and 500 data lines, on the recording target (the
//    renderer alone), into a preview picture at screen resolution and onto a PDF page;
//  - the start-to-exit time of an unattended print (-apt -cwd) to a PDF queue on CUPS, against a
//    bare Qt program that opens a window and exits, and against the least Qt program that prints
//    one line to the same queue (the floor that Qt's print support, the fonts and CUPS set).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "../tests/RecordingTarget.h"
#include "CadroPrint.h"
#include "PainterTarget.h"

namespace {

double MedianMs(int runs, const std::function<void()>& work) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer t;
    t.start();
    work();
    ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

void BuildLargeReport(cadro::FormDefinition& form, cadro::DataDefinition& data) {
  for (int i = 0; i < 500; ++i) {
    cadro::FormItem item;
    item.key = "K" + std::to_string(i);
    item.x1 = static_cast<float>((i % 4) * 45);
    item.y1 = static_cast<float>((i / 4) % 25 * 10);
    item.x2 = item.x1 + 45;
    item.y2 = item.y1 + 10;
    item.caption = "CAPTION " + std::to_string(i);
    item.fixedText = i % 10 == 0 ? "Fixed" : "";
    form.items.push_back(item);
    data.push_back(
        {"k" + std::to_string(i), "Value " + std::to_string(i) + " with a few words to wrap\\nand a break"});
  }
}

// Runs a program to its end; the wall time in ms, or a negative number when it failed.
double RunMs(const QString& program, const QStringList& args) {
  QProcess p;
  QElapsedTimer t;
  t.start();
  p.start(program, args);
  if (!p.waitForFinished(60000) || p.exitCode() != 0) return -1;
  return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

double MedianOf(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void StartToExit() {
  const QString dir = QCoreApplication::applicationDirPath();
  const QString forms = QString::fromLatin1(CADRORPT_SAMPLE_FORMS);
  QTemporaryDir work;
  const QString state = work.filePath("cups.state");
  const QString queue = "CadrorptBench";
  const QString pdf = "/tmp/cadrorpt-bench/page.pdf";
  QProcess::execute(CADRORPT_CUPS_SCRIPT, {"setup", state, queue, pdf});
  QFile f(state);
  f.open(QIODevice::ReadOnly);
  const QString status = QString::fromUtf8(f.readAll()).trimmed();
  if (!status.startsWith("READY")) {
    std::printf("unattended print: skipped, %s\n", qPrintable(status));
    return;
  }
  QFile::copy(QString::fromLatin1(CADRORPT_EXE), work.filePath("Cadrorpt"));
  QDir(work.path()).mkdir("logs");
  const QStringList args = {
      "-fdf", forms + "/IncidentMessage.fdf", "-ddf", forms + "/IncidentMessage.ddf", "-ptr", queue, "-apt",
      "-cwd"};
  std::vector<double> print, bare, floor;
  constexpr int kRuns = 9;
  for (int i = 0; i < kRuns; ++i) {
    print.push_back(RunMs(work.filePath("Cadrorpt"), args));
    bare.push_back(RunMs(dir + "/cadrorpt_bare_qt", {}));
    floor.push_back(RunMs(dir + "/cadrorpt_bare_print", {queue}));
  }
  QProcess::execute(CADRORPT_CUPS_SCRIPT, {"cleanup", state, queue});
  const auto failed = [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()) < 0; };
  if (failed(print) || failed(bare) || failed(floor)) {
    std::printf("unattended print: a run failed\n");
    return;
  }
  const double p = MedianOf(print), b = MedianOf(bare), least = MedianOf(floor);
  std::printf("unattended print -apt -cwd to a PDF queue, start to exit: %.1f ms (median of %d)\n", p, kRuns);
  std::printf("bare Qt program that opens a window and exits:          %.1f ms\n", b);
  std::printf("bare Qt program that prints one line to the same queue: %.1f ms\n", least);
  std::printf("ratio to the bare window %.2fx (goal: within 1.5x); to the bare print %.2fx\n", p / b,
              p / least);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  cadro::FormDefinition form;
  cadro::DataDefinition data;
  BuildLargeReport(form, data);

  const double recording = MedianMs(21, [&] {
    cadro::testing::RecordingTarget target;
    cadro::RenderReport(target, form, data);
  });
  QImage picture(1200, 1200, QImage::Format_RGB32);
  const double preview = MedianMs(21, [&] {
    picture.fill(Qt::white);
    QPainter painter(&picture);
    cadro::PainterTarget target(painter, 96 / 25.4);
    cadro::RenderReport(target, form, data);
  });
  QTemporaryDir tmp;
  const double page = MedianMs(11, [&] {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(tmp.filePath("bench.pdf"));
    QPainter painter(&printer);
    cadro::PainterTarget target(painter, printer.resolution() / 25.4);
    cadro::RenderReport(target, form, data);
  });
  std::printf("render 500 items x 500 data lines (median; goal < 20 ms):\n");
  std::printf("  renderer alone (recording target): %8.2f ms\n", recording);
  std::printf("  preview picture, 96 dpi:           %8.2f ms\n", preview);
  std::printf("  PDF page, 1200 dpi, written out:   %8.2f ms\n", page);
  StartToExit();
  return 0;
}
