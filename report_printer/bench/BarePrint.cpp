// The floor for Cadrorpt's unattended run: the least a Qt program can do to print the same page
// on a named CUPS queue and end. The page comes as a list of drawing steps in millimetres (as
// Cadrorpt's renderer made them for the sample message: the same fonts, lines and texts at the
// same places, wrapping already done), drawn with QPainter on the queue's own paper. What
// Cadrorpt takes beyond this is its own; what this takes is Qt's print support, the fonts and
// CUPS.
//
//   cadrorpt_bare_print <queue> <page-steps-file>
// Steps, one per line, tab-separated: F family points | C rrggbb | L x1 y1 x2 y2 rrggbb box | T x y text
#include <QApplication>
#include <QFile>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 3) return 2;
  QFile steps(QString::fromLocal8Bit(argv[2]));
  if (!steps.open(QIODevice::ReadOnly)) return 2;
  const QPrinterInfo info = QPrinterInfo::printerInfo(QString::fromLocal8Bit(argv[1]));
  QPrinter printer(info, QPrinter::HighResolution);
  printer.setPageSize(info.defaultPageSize());
  QPainter painter;
  if (!painter.begin(&printer)) return 1;
  const double unit = printer.resolution() / 25.4;
  double ascent = 0;
  QColor colour(Qt::black);
  while (!steps.atEnd()) {
    const QStringList f = QString::fromUtf8(steps.readLine()).chopped(1).split('\t');
    if (f[0] == "F") {
      QFont font(f[1]);
      font.setPointSizeF(f[2].toDouble());
      painter.setFont(font);
      ascent = QFontMetricsF(font, &printer).ascent();
    } else if (f[0] == "C") {
      colour = QColor("#" + f[1]);
    } else if (f[0] == "L") {
      painter.setPen(QPen(QColor("#" + f[5]), std::max(1.0, 0.1 * unit)));
      const QPointF a(f[1].toDouble() * unit, f[2].toDouble() * unit),
          b(f[3].toDouble() * unit, f[4].toDouble() * unit);
      if (f[6] == "1") {
        painter.drawRect(QRectF(a, b).normalized());
      } else {
        painter.drawLine(a, b);
      }
    } else if (f[0] == "T") {
      painter.setPen(colour);
      painter.drawText(QPointF(f[1].toDouble() * unit, f[2].toDouble() * unit + ascent), f.mid(3).join('\t'));
    }
  }
  return painter.end() ? 0 : 1;
}
