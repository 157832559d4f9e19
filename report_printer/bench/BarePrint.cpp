// The floor for Cadrorpt's unattended run: the least a Qt program can do to put one line of text
// on a named CUPS queue and end. What Cadrorpt takes beyond this is its own; what this takes
// beyond the bare window is Qt's print support, the fonts and CUPS.
#include <QApplication>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) return 2;
  QPrinter printer(QPrinterInfo::printerInfo(QString::fromLocal8Bit(argv[1])), QPrinter::HighResolution);
  QPainter painter;
  if (!painter.begin(&printer)) return 1;
  painter.drawText(600, 600, QStringLiteral("Incident report"));
  return painter.end() ? 0 : 1;
}
