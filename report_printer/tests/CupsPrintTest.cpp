// Prints the sample incident message through a real CUPS queue that writes Qt's PDF to a file,
// with Cadrorpt started as its own process, and reads the page back with pdftotext -bbox: every
// caption, fixed text and first data line must stand at its millimetre position relative to the
// printable area. The queue comes from the private_cups.sh fixture, on the test run's own
// scheduler; without CUPS the test is skipped with the fixture's reason (under CI it fails).
#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "../tests/RecordingTarget.h"
#include "CadroPrint.h"
#include "DefinitionFiles.h"
#include "PrinterModel.h"
#include "QtPrinters.h"
#include "TestKit.h"

namespace cadro {
namespace {

constexpr double kMmPerPoint = 25.4 / 72;
constexpr double kToleranceMm = 0.5;

struct PdfWord {
  double x, y;  // mm from the paper's top left
  QString text;
};

struct Queue {
  QString name;
  QString pdf;
  QString skipReason;
  QString letterName;  // the same printer on Letter paper
  QString letterPdf;
  QString refusing;  // a queue that rejects every job
  QString server;    // the socket of the test run's own scheduler
};

Queue ReadFixtureState() {
  QFile f(QString::fromLatin1(CADRORPT_CUPS_STATE));
  if (!f.open(QIODevice::ReadOnly))
    return {{}, {}, "the CUPS fixture did not run (no state file)", {}, {}, {}, {}};
  Queue q;
  for (const QString& line : QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts)) {
    const QStringList parts = line.trimmed().split(' ');
    if (parts.value(0) == "UNAVAILABLE") q.skipReason = QStringList(parts.mid(1)).join(' ');
    if (parts.value(0) == "READY") q.name = parts.value(1), q.pdf = parts.value(2);
    if (parts.value(0) == "LETTER") q.letterName = parts.value(1), q.letterPdf = parts.value(2);
    if (parts.value(0) == "REFUSING") q.refusing = parts.value(1);
    if (parts.value(0) == "SERVER") q.server = parts.value(1);
  }
  if (q.skipReason.isEmpty() && q.name.isEmpty()) q.skipReason = "the CUPS fixture wrote no queue";
  // A test that reached another scheduler would print among the machine's own printers.
  if (q.skipReason.isEmpty() && qEnvironmentVariable("CUPS_SERVER") != q.server)
    q.skipReason = "CUPS_SERVER (" + qEnvironmentVariable("CUPS_SERVER") +
                   ") is not the test run's own scheduler " + q.server;
  return q;
}

// Under CI a printing test never passes by being skipped: CI must make a real print.
#define SKIP_WITHOUT_CUPS(queue)                                                     \
  do {                                                                               \
    if (!(queue).skipReason.isEmpty()) {                                             \
      if (qEnvironmentVariable("CI") == "true")                                      \
        FAIL() << "CUPS is required under CI: " << (queue).skipReason.toStdString(); \
      GTEST_SKIP() << "CUPS is not available: " << (queue).skipReason.toStdString(); \
    }                                                                                \
  } while (false)

// Cadrorpt copied into a program folder of its own, as installed: logs/ beside the executable.
struct ProgramFolder {
  ProgramFolder() {
    EXPECT_TRUE(QFile::copy(QString::fromLatin1(CADRORPT_EXE), Exe()));
    EXPECT_TRUE(QDir().mkpath(QString::fromStdString(folder.File("logs"))));
  }
  QString Exe() const { return QString::fromStdString(folder.File("Cadrorpt")); }
  QByteArray Log() const {
    QFile log(QString::fromStdString(
        folder.File("logs/Cadro_" + QDate::currentDate().toString("yyMMdd").toStdString() + ".log")));
    return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
  }
  // Runs the program to its end; its exit status, or -1 when it did not end within 60 s.
  int Run(const QStringList& args, const QProcessEnvironment& extra = {}) const {
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    for (const QString& key : extra.keys()) env.insert(key, extra.value(key));
    run.setProcessEnvironment(env);
    run.start(Exe(), args);
    if (!run.waitForFinished(60000)) {
      run.kill();
      run.waitForFinished(5000);
      return -1;
    }
    return run.exitStatus() == QProcess::NormalExit ? run.exitCode() : -2;
  }
  testing::TempDir folder;
};

// The paper size of the first page as pdfinfo reports it ("612 x 792 pts (letter)").
QString PageSize(const QString& pdf) {
  QProcess p;
  p.start("pdfinfo", {pdf});
  if (!p.waitForFinished(30000)) return {};
  static const QRegularExpression size(R"(Page size:\s+(.*))");
  const auto m = size.match(QString::fromUtf8(p.readAllStandardOutput()));
  return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

// The driver wraps the PDF in a printer-job envelope, so the end marker is inside the file.
bool WaitForCompletePdf(const QString& path, int timeoutMs) {
  qint64 lastSize = -1;
  for (int waited = 0; waited < timeoutMs; waited += 200) {
    QFile f(path);
    if (f.open(QIODevice::ReadOnly) && f.size() > 0) {
      if (f.readAll().contains("%%EOF") && f.size() == lastSize) return true;
      lastSize = f.size();
    }
    QThread::msleep(200);
  }
  return false;
}

std::vector<PdfWord> ReadWords(const QString& pdf) {
  QProcess p;
  p.start("pdftotext", {"-bbox", pdf, "-"});
  if (!p.waitForFinished(30000)) return {};
  const QString html = QString::fromUtf8(p.readAllStandardOutput());
  static const QRegularExpression word(
      R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="[\d.]+">([^<]*)</word>)re");
  std::vector<PdfWord> words;
  for (auto it = word.globalMatch(html); it.hasNext();) {
    const auto m = it.next();
    words.push_back({m.captured(1).toDouble() * kMmPerPoint, m.captured(2).toDouble() * kMmPerPoint,
                     m.captured(3).replace("&amp;", "&")});
  }
  return words;
}

// The distance in mm from (x, y) to the nearest word `text`, or a large number.
double Nearest(const std::vector<PdfWord>& words, const QString& text, double x, double y) {
  double best = 1e9;
  for (const PdfWord& w : words) {
    if (w.text == text) best = std::min(best, std::hypot(w.x - x, w.y - y));
  }
  return best;
}

TEST(CupsPrint, UnattendedPrintPutsEveryTextAtItsMillimetres) {
  const Queue queue = ReadFixtureState();
  SKIP_WITHOUT_CUPS(queue);
  const QString forms = QString::fromLatin1(CADRORPT_SAMPLE_FORMS);
  const QString fdf = forms + "/IncidentMessage.fdf";
  const QString ddf = forms + "/IncidentMessage.ddf";

  // The program runs from a folder of its own, as installed: logs/ beside the executable.
  testing::TempDir folder;
  const QString exe = QString::fromStdString(folder.File("Cadrorpt"));
  ASSERT_TRUE(QFile::copy(QString::fromLatin1(CADRORPT_EXE), exe));
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder.File("logs"))));
  QFile::remove(queue.pdf);

  QProcess run;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  run.setProcessEnvironment(env);
  run.start(exe, {"-fdf", fdf, "-ddf", ddf, "-ptr", queue.name, "-apt", "-cwd"});
  ASSERT_TRUE(run.waitForFinished(60000)) << "Cadrorpt did not end by itself";
  EXPECT_EQ(run.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(run.exitCode(), 0);
  ASSERT_TRUE(WaitForCompletePdf(queue.pdf, 30000)) << "no page came out of " << queue.name.toStdString();

  // Where the printable area starts on that queue's paper.
  QPrinter printer(QPrinter::HighResolution);
  printer.setPrinterName(queue.name);
  const QRectF paintRect = printer.pageLayout().paintRect(QPageLayout::Millimeter);
  const double left = paintRect.left();
  const double top = paintRect.top();

  // Expected positions: the renderer's own coordinates for the sample files.
  FormDefinition form;
  DataDefinition data;
  ASSERT_TRUE(BuildFDFarray(fdf.toStdString(), form).ok());
  ASSERT_TRUE(BuildDataArray(ddf.toStdString(), data).ok());
  testing::RecordingTarget expected;
  RenderReport(expected, form, data);

  const std::vector<PdfWord> words = ReadWords(queue.pdf);
  ASSERT_FALSE(words.empty());
  int checked = 0;
  double worst = 0;
  for (const testing::RecordedText& t : expected.Visible()) {
    // The first word of each printed line; wrapped continuation lines are checked below.
    const QString first =
        QString::fromStdString(DisplayTextUtf8(t.font, t.text)).trimmed().split(' ').first();
    const double distance = Nearest(words, first, left + t.x, top + t.y);
    if (t.font != "ARIAL" || t.points != 11 || t.y < 80) {  // all but the wrapped details text
      EXPECT_LT(distance, kToleranceMm)
          << first.toStdString() << " expected at (" << t.x << ", " << t.y << ") mm";
      ++checked;
      worst = std::max(worst, distance);
    }
  }
  EXPECT_GE(checked, 20);  // captions, fixed texts and single-line data
  std::printf("checked %d texts, largest deviation %.3f mm\n", checked, worst);

  // The details box: "\n" starts "Caller" 5 mm below the first line; the tick in the contact box.
  const FormSettings& s = form.settings;
  EXPECT_LT(Nearest(words, "Fall", left + s.originX + 1, top + s.originY + 73), kToleranceMm);
  EXPECT_LT(Nearest(words, "Caller", left + s.originX + 1, top + s.originY + 78), kToleranceMm);
  EXPECT_LT(Nearest(words, QString::fromUtf8("\u2714"), left + s.originX + 126, top + s.originY + 49),
            kToleranceMm);

  QFile log(QString::fromStdString(
      folder.File("logs/Cadro_" + QDate::currentDate().toString("yyMMdd").toStdString() + ".log")));
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  EXPECT_TRUE(log.readAll().contains(": Printing --> XYZ26341.100 | MED+LAW | 100 Main St, Springfield\r\n"));
}

// Every print takes the queue's own paper: a Letter queue gets Letter pages, an A4 queue A4.
TEST(CupsPrint, UnattendedPrintTakesTheQueuesOwnPaper) {
  const Queue queue = ReadFixtureState();
  SKIP_WITHOUT_CUPS(queue);
  const QString forms = QString::fromLatin1(CADRORPT_SAMPLE_FORMS);
  const QStringList files = {"-fdf", forms + "/IncidentMessage.fdf", "-ddf", forms + "/IncidentMessage.ddf"};
  ProgramFolder program;
  struct Case {
    QString queue, pdf, size;
  };
  for (const Case& c : {Case{queue.letterName, queue.letterPdf, "612 x 792 pts (letter)"},
                        Case{queue.name, queue.pdf, "595 x 842 pts (A4)"}}) {
    SCOPED_TRACE(c.queue.toStdString());
    QFile::remove(c.pdf);
    EXPECT_EQ(program.Run(files + QStringList{"-ptr", c.queue, "-apt", "-cwd"}), 0);
    ASSERT_TRUE(WaitForCompletePdf(c.pdf, 30000)) << "no page came out";
    EXPECT_EQ(PageSize(c.pdf), c.size);
  }
}

// File names on the command line reach the file system as the same bytes.
TEST(CupsPrint, FileNamesWithAccentsAreFound) {
  const Queue queue = ReadFixtureState();
  SKIP_WITHOUT_CUPS(queue);
  ProgramFolder program;
  const QString forms = QString::fromStdString(program.folder.File("Formul\xC3\xA1rios"));
  ASSERT_TRUE(QDir().mkpath(forms));
  const QString sample = QString::fromLatin1(CADRORPT_SAMPLE_FORMS);
  ASSERT_TRUE(QFile::copy(sample + "/IncidentMessage.fdf", forms + "/Ocorr\u00EAncia.fdf"));
  ASSERT_TRUE(QFile::copy(sample + "/IncidentMessage.ddf", forms + "/Mensagem n\u00BA 1.ddf"));
  QFile::remove(queue.pdf);
  EXPECT_EQ(program.Run({"-fdf", forms + "/Ocorr\u00EAncia.fdf", "-ddf", forms + "/Mensagem n\u00BA 1.ddf",
                         "-ptr", queue.name, "-apt", "-cwd"}),
            0);
  EXPECT_TRUE(WaitForCompletePdf(queue.pdf, 30000)) << "no page came out";
  EXPECT_TRUE(program.Log().contains(": Printing --> XYZ26341.100 | MED+LAW | "));
}

// With queues installed and no default set, the printer Cadrorpt names (Vantrel.glo, and so the
// Print button) is the one Qt will really print on.
TEST(CupsPrint, WithoutADefaultPrinterTheOneUsedIsNamed) {
  const Queue queue = ReadFixtureState();
  SKIP_WITHOUT_CUPS(queue);
  testing::TempDir home;  // no per-user default either
  qputenv("HOME", QByteArray::fromStdString(home.str()));
  qunsetenv("PRINTER");
  qunsetenv("LPDEST");
  if (!QPrinterInfo::defaultPrinterName().isEmpty()) {
    if (qEnvironmentVariable("CI") == "true") FAIL() << "CI machines have no default printer";
    GTEST_SKIP() << "this machine has a default printer (" << QPrinterInfo::defaultPrinterName().toStdString()
                 << ")";
  }
  const QString used = QPrinter(QPrinter::HighResolution).printerName();
  ASSERT_FALSE(used.isEmpty());

  const QString forms = QString::fromLatin1(CADRORPT_SAMPLE_FORMS);
  ProgramFolder program;
  QProcessEnvironment env;
  env.insert("HOME", QString::fromStdString(home.str()));
  EXPECT_EQ(
      program.Run({"-fdf", forms + "/IncidentMessage.fdf", "-ddf", forms + "/IncidentMessage.ddf", "-cwd"},
                  env),
      0);
  QFile glo(QString::fromStdString(program.folder.File("Vantrel.glo")));
  ASSERT_TRUE(glo.open(QIODevice::ReadOnly));
  EXPECT_TRUE(glo.readAll().contains("\r\nPrinterName=" + used.toUtf8() + "\r\n"));
}

// Vantrel.glo names a printer that is gone (a queue removed since): the file comes to name the
// printer the run used, the one the Print button names, and keeps every other line as the host
// wrote it. A file naming another printer that is still installed is the host's choice and is
// left as it is, byte for byte.
TEST(CupsPrint, AGlobalSettingsFileNamingAGonePrinterNamesTheOneUsed) {
  const Queue queue = ReadFixtureState();
  SKIP_WITHOUT_CUPS(queue);
  const QString forms = QString::fromLatin1(CADRORPT_SAMPLE_FORMS);
  const QStringList files = {"-fdf", forms + "/IncidentMessage.fdf", "-ddf", forms + "/IncidentMessage.ddf"};
  ProgramFolder program;
  const std::string glo = program.folder.File("Vantrel.glo");
  const auto file = [](const std::string& printer) {
    return "[GENERAL VARIABLES]\r\nVersion=3.4.5\r\nUseGlobalMsgNum=0\r\nProfSave=1\r\n\r\n[LOCAL "
           "PRINTER]\r\n"
           "PrinterName=" +
           printer +
           "\r\nPtrOrient=2\r\nPtrCopies=3\r\nPtrDuplex=1\r\nFolderLabels=Inbox|Sent|Held|Old|Net\r\n"
           "LstFontSize=11\r\n";
  };

  testing::WriteFileBytes(glo, file("CadrorptGone-" + queue.name.toStdString()));
  EXPECT_EQ(program.Run(files + QStringList{"-ptr", queue.name, "-cwd"}), 0);
  EXPECT_EQ(testing::ReadFileBytes(glo), file(queue.name.toStdString()));

  testing::WriteFileBytes(glo, file(queue.letterName.toStdString()));
  EXPECT_EQ(program.Run(files + QStringList{"-ptr", queue.name, "-cwd"}), 0);
  EXPECT_EQ(testing::ReadFileBytes(glo), file(queue.letterName.toStdString()));
}

// The printer layer on its own, without printing on the queues the other tests read back: each
// queue's own paper, the name of the printer in use, and a job the queue
// refuses reported as a failure with the scheduler's reason, never as printed.
TEST(CupsPrint, ThePrinterLayerKeepsEachQueuesPaperAndReportsARefusedJob) {
  const Queue queue = ReadFixtureState();
  SKIP_WITHOUT_CUPS(queue);
  QtPrinters printers;
  const std::vector<std::string> installed = printers.InstalledPrinters();
  for (const QString& name : {queue.name, queue.letterName, queue.refusing}) {
    EXPECT_NE(std::find(installed.begin(), installed.end(), name.toStdString()), installed.end())
        << name.toStdString();
  }

  ASSERT_TRUE(SelectPrinter(printers, queue.letterName.toStdString()));
  EXPECT_EQ(printers.CurrentPrinter(), queue.letterName.toStdString());
  EXPECT_EQ(printers.Get(PrinterSetting::PaperSize), 1);  // Letter
  ASSERT_TRUE(SelectPrinter(printers, queue.name.toStdString()));
  EXPECT_EQ(printers.Get(PrinterSetting::PaperSize), 9);  // A4

  ASSERT_TRUE(SelectPrinter(printers, queue.refusing.toStdString()));
  bool drawn = false;
  const std::string failure = printers.PrintPage([&](DrawingTarget& target) {
    drawn = true;
    target.PrintText(20, 20, "REFUSED");
  });
  EXPECT_TRUE(drawn);
  EXPECT_NE(failure.find("refused"), std::string::npos) << failure;
  EXPECT_EQ(printers.CurrentPrinter(), queue.refusing.toStdString());
}

// The printers as the user has set them up: an instance of a queue is a printer of its own,
// named "queue/instance", and the user's own default is the printer named when no -ptr is given,
// wherever it stands in the list.
TEST(CupsPrint, TheUsersInstancesAndDefaultAreThePrintersNamed) {
  const Queue queue = ReadFixtureState();
  SKIP_WITHOUT_CUPS(queue);
  testing::TempDir home;
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(home.File(".cups"))));
  const std::string letter = queue.letterName.toStdString();
  testing::WriteFileBytes(home.File(".cups/lpoptions"),
                          "Dest " + letter + "/draft\nDefault " + letter + "\n");
  qputenv("HOME", QByteArray::fromStdString(home.str()));
  qunsetenv("PRINTER");
  qunsetenv("LPDEST");
  QtPrinters printers;
  const std::vector<std::string> installed = printers.InstalledPrinters();
  EXPECT_NE(std::find(installed.begin(), installed.end(), letter + "/draft"), installed.end());
  EXPECT_EQ(printers.DefaultPrinter(), letter);
  EXPECT_EQ(printers.CurrentPrinter(), letter);
}

}  // namespace
}  // namespace cadro
