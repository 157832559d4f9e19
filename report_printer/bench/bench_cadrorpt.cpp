// Figures for the report printer:
//  - the render time of a form with 500 items and 500 data lines, on the recording target (the
//    renderer alone), into a preview picture at screen resolution and onto a PDF page;
//  - the start-to-exit time of an unattended print (-apt -cwd) to a PDF queue on CUPS, against the
//    least Qt program that prints the same page to the same queue (the floor that Qt's print
//    support, the fonts and CUPS set), and, for scale, a bare Qt program that opens a window.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <vector>

#include <cups/cups.h>

#include "../tests/RecordingTarget.h"
#include "CadroPrint.h"
#include "DefinitionFiles.h"
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

// Passes every step on to the real painter target (so text is measured and wrapped exactly as
// when printing) and writes it down for the floor program: the page it draws is the same page.
class StepWriter final : public cadro::DrawingTarget {
public:
  StepWriter(cadro::DrawingTarget& inner, const QString& path) : inner_(inner), out_(path.toStdString()) {}
  void SetFont(const std::string& name, double points) override {
    inner_.SetFont(name, points);
    font_ = name;
    out_ << "F\t" << (cadro::IsSymbolFace(name) ? cadro::kSignFace : name) << '\t' << points << '\n';
  }
  void SetForeColour(cadro::ColourValue c) override {
    inner_.SetForeColour(c);
    out_ << "C\t" << Hex(c) << '\n';
  }
  void DrawLine(double x1, double y1, double x2, double y2, cadro::ColourValue c) override {
    inner_.DrawLine(x1, y1, x2, y2, c);
    out_ << "L\t" << x1 << '\t' << y1 << '\t' << x2 << '\t' << y2 << '\t' << Hex(c) << '\t'
         << (x1 != x2 && y1 != y2 ? 1 : 0) << '\n';
  }
  void PrintText(double x, double y, const std::string& text) override {
    inner_.PrintText(x, y, text);
    if (!text.empty()) out_ << "T\t" << x << '\t' << y << '\t' << cadro::DisplayTextUtf8(font_, text) << '\n';
  }
  double TextWidth(const std::string& text) override { return inner_.TextWidth(text); }

private:
  static std::string Hex(cadro::ColourValue c) {
    char s[8];
    std::snprintf(s, sizeof s, "%02x%02x%02x", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    return s;
  }
  cadro::DrawingTarget& inner_;
  std::ofstream out_;
  std::string font_;
};

// The sample page's drawing steps, measured on a printer-resolution PDF page.
bool WriteSamplePageSteps(const QString& forms, const QString& stepsPath, const QString& scratchPdf) {
  cadro::FormDefinition form;
  cadro::DataDefinition data;
  if (!cadro::BuildFDFarray((forms + "/IncidentMessage.fdf").toStdString(), form).ok()) return false;
  if (!cadro::BuildDataArray((forms + "/IncidentMessage.ddf").toStdString(), data).ok()) return false;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(scratchPdf);
  QPainter painter(&printer);
  cadro::PainterTarget target(painter, printer.resolution() / 25.4);
  StepWriter steps(target, stepsPath);
  cadro::RenderReport(steps, form, data);
  return true;
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

// Until the scheduler has no job left to filter (bound 30 s): a program started while the last
// job is still being filtered shares the two cores with it.
void WaitForIdleQueue(const QString& queue) {
  for (int waited = 0; waited < 30000; waited += 20) {
    cups_job_t* jobs = nullptr;
    const int active = cupsGetJobs(&jobs, queue.toLocal8Bit().constData(), 0, CUPS_WHICHJOBS_ACTIVE);
    cupsFreeJobs(active, jobs);
    if (active <= 0) return;
    QThread::msleep(20);
  }
}

struct Timings {
  std::vector<double> cadrorpt, floor;
  bool Failed() const {
    return std::any_of(cadrorpt.begin(), cadrorpt.end(), [](double v) { return v < 0; }) ||
           std::any_of(floor.begin(), floor.end(), [](double v) { return v < 0; });
  }
};

void PrintOrder(const char* order, const Timings& t) {
  const double p = MedianOf(t.cadrorpt), least = MedianOf(t.floor);
  std::printf("  %-44s Cadrorpt %6.1f ms, least program %6.1f ms, ratio %.2fx (goal: within 1.25x)%s\n",
              order, p, least, p / least, p / least <= 1.25 ? "" : "  -- MISSED");
}

// The scheduler is the bench's own (the same private one the printing tests use), so the figures
// do not depend on, or disturb, the machine's printers.
void StartToExit(const QString& cupsRoot, const QString& socket) {
  const QString dir = QCoreApplication::applicationDirPath();
  const QString forms = QString::fromLatin1(CADRORPT_SAMPLE_FORMS);
  QTemporaryDir work;
  const QString queue = "CadrorptBench";
  QProcess::execute(CADRORPT_CUPS_SCRIPT, {"setup", cupsRoot, socket, queue});
  QFile f(cupsRoot + "/state");
  f.open(QIODevice::ReadOnly);
  const QString status = QString::fromUtf8(f.readAll()).trimmed();
  const auto stop = [&] { QProcess::execute(CADRORPT_CUPS_SCRIPT, {"cleanup", cupsRoot}); };
  if (!status.startsWith("READY")) {
    std::printf("unattended print: skipped, %s\n", qPrintable(status));
    stop();
    return;
  }
  QFile::copy(QString::fromLatin1(CADRORPT_EXE), work.filePath("Cadrorpt"));
  const QString steps = work.filePath("page.steps");
  if (!WriteSamplePageSteps(forms, steps, work.filePath("scratch.pdf"))) {
    std::printf("unattended print: the sample page could not be built\n");
    stop();
    return;
  }
  QDir(work.path()).mkdir("logs");
  const QStringList args = {
      "-fdf", forms + "/IncidentMessage.fdf", "-ddf", forms + "/IncidentMessage.ddf", "-ptr", queue, "-apt",
      "-cwd"};
  const auto cadrorpt = [&] { return RunMs(work.filePath("Cadrorpt"), args); };
  const auto floor = [&] { return RunMs(dir + "/cadrorpt_bare_print", {queue, steps}); };
  // Each program right after the other's job (both orders, alternating, as a station printing
  // one message after another meets it), and each with the scheduler idle.
  Timings orderAB, orderBA, idle;  // A: Cadrorpt, B: the least program
  std::vector<double> bare;
  constexpr int kRuns = 9;
  for (int i = 0; i < kRuns; ++i) {
    WaitForIdleQueue(queue);
    if (i % 2 == 0) {
      orderBA.floor.push_back(floor());
      orderBA.cadrorpt.push_back(cadrorpt());
    } else {
      orderAB.cadrorpt.push_back(cadrorpt());
      orderAB.floor.push_back(floor());
    }
    WaitForIdleQueue(queue);
    idle.cadrorpt.push_back(cadrorpt());
    WaitForIdleQueue(queue);
    idle.floor.push_back(floor());
    bare.push_back(RunMs(dir + "/cadrorpt_bare_qt", {}));
  }
  stop();
  if (orderAB.Failed() || orderBA.Failed() || idle.Failed() ||
      *std::min_element(bare.begin(), bare.end()) < 0) {
    std::printf("unattended print: a run failed\n");
    return;
  }
  std::printf(
      "unattended print -apt -cwd to a PDF queue, start to exit, against the least Qt program that\n"
      "prints the same page to the same queue (medians):\n");
  PrintOrder("order A B (Cadrorpt first, then the least):", orderAB);
  PrintOrder("order B A (the least first, then Cadrorpt):", orderBA);
  PrintOrder("each started with the queue idle:", idle);
  std::printf("bare Qt program that opens a window and exits (for scale): %.1f ms\n", MedianOf(bare));
}

}  // namespace

int main(int argc, char** argv) {
  // Everything here, the PDF pages included (Qt asks for the default printer), talks to the
  // bench's own scheduler; the socket's folder lies in /tmp so that its path stays short.
  QTemporaryDir cups(QDir::tempPath() + "/cadrorpt-bench-XXXXXX");
  const QString cupsRoot = cups.filePath("cadrorpt-cups");
  const QString socket = cupsRoot + "/run/cupsd.sock";
  qputenv("CUPS_SERVER", socket.toLocal8Bit());
  qputenv("CUPS_SERVERROOT", (cupsRoot + "/conf").toLocal8Bit());
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
  StartToExit(cupsRoot, socket);
  return 0;
}
