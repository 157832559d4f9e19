#include "CommsLogPdf.h"

#include <QBuffer>
#include <QFile>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <array>

#include "FileIO.h"
#include "QtPlatform.h"
#include "RunError.h"

namespace cadro::aids {
namespace {

// Share of the line each column gets; the event and message IDs must never be cut short.
constexpr std::array<double, 10> kColumnShare = {1.25, 1.25, 1.1, 0.8, 0.9, 1.4, 2.0, 1.2, 0.9, 1.25};

QString Field(const CommsLogEntry& e, int column) {
  const std::string* fields[] = {&e.dateTime, &e.eventId,  &e.messageId, &e.state,      &e.type,
                                 &e.issue,    &e.location, &e.city,      &e.operatorId, &e.submittedAt};
  // A lone line feed may stand inside a stored value; on paper it reads as a blank.
  return FromAnsi(*fields[column]).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

}  // namespace

int LogPageCount(std::size_t entries) {
  return entries == 0 ? 1 : static_cast<int>((entries + kLogRowsPerPage - 1) / kLogRowsPerPage);
}

bool ComposeCommsLogPdf(const CommsLogHeader& header, const std::vector<CommsLogEntry>& entries,
                        QByteArray* pdf, QString* error) {
  QBuffer buffer(pdf);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setTitle(QStringLiteral("Station communications log"));
  writer.setCreator(QStringLiteral("Cadrocts"));
  writer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Landscape,
                                   QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter));
  writer.setResolution(300);
  QPainter painter;
  if (!painter.begin(&writer)) {
    if (error) *error = QStringLiteral("the PDF could not be started");
    return false;
  }
  const QRect page = painter.viewport();
  const double width = page.width();
  double shareSum = 0;
  for (const double s : kColumnShare) shareSum += s;

  QFont titleFont(QStringLiteral("Liberation Sans"));
  titleFont.setPointSizeF(13);
  titleFont.setBold(true);
  QFont headFont(QStringLiteral("Liberation Sans"));
  headFont.setPointSizeF(9);
  QFont tableFont(QStringLiteral("Liberation Sans"));
  tableFont.setPointSizeF(7.5);
  QFont tableBold = tableFont;
  tableBold.setBold(true);

  const int pages = LogPageCount(entries.size());
  for (int p = 0; p < pages; ++p) {
    if (p > 0) writer.newPage();
    double y = 0;
    painter.setFont(titleFont);
    const double titleHeight = QFontMetricsF(titleFont, &writer).height();
    painter.drawText(QRectF(0, y, width, titleHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Station Communications Log"));
    painter.setFont(headFont);
    painter.drawText(QRectF(0, y, width, titleHeight), Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("Page %1 of %2").arg(p + 1).arg(pages));
    y += titleHeight * 1.2;
    const double headHeight = QFontMetricsF(headFont, &writer).height();
    const QString line1 =
        QStringLiteral("Station: %1     Location ID: %2     Operator: %3")
            .arg(FromAnsi(header.station), FromAnsi(header.locationId), FromAnsi(header.operatorName));
    painter.drawText(QRectF(0, y, width, headHeight), Qt::AlignLeft | Qt::AlignVCenter, line1);
    y += headHeight;
    painter.drawText(QRectF(0, y, width, headHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Period: ") + FromAnsi(header.period));
    y += headHeight * 1.5;

    const QFontMetricsF rowMetrics(tableFont, &writer);
    const double rowHeight = rowMetrics.height() * 1.35;
    const auto drawRow = [&](const std::array<QString, 10>& cells, const QFont& font) {
      painter.setFont(font);
      const QFontMetricsF fm(font, &writer);
      double x = 0;
      for (std::size_t c = 0; c < cells.size(); ++c) {
        const double w = width * kColumnShare[c] / shareSum;
        const double pad = fm.averageCharWidth() * 0.5;
        painter.drawText(QRectF(x + pad, y, w - 2 * pad, rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         fm.elidedText(cells[c], Qt::ElideRight, w - 2 * pad));
        x += w;
      }
      y += rowHeight;
    };
    std::array<QString, 10> heads;
    for (std::size_t c = 0; c < heads.size(); ++c) heads[c] = QString::fromLatin1(kCsvColumns[c]);
    drawRow(heads, tableBold);
    painter.drawLine(QPointF(0, y), QPointF(width, y));
    const std::size_t first = static_cast<std::size_t>(p) * kLogRowsPerPage;
    const std::size_t last = std::min(entries.size(), first + kLogRowsPerPage);
    for (std::size_t i = first; i < last; ++i) {
      std::array<QString, 10> cells;
      for (int c = 0; c < 10; ++c) cells[static_cast<std::size_t>(c)] = Field(entries[i], c);
      drawRow(cells, tableFont);
    }
    if (entries.empty()) {
      painter.drawText(QRectF(0, y, width, rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                       QStringLiteral("No reports in this period"));
    }
  }
  if (!painter.end()) {
    if (error) *error = QStringLiteral("the PDF could not be finished");
    return false;
  }
  return true;
}

bool WriteCommsLogPdf(const QString& path, const CommsLogHeader& header,
                      const std::vector<CommsLogEntry>& entries, QString* error) {
  QByteArray pdf;
  if (!ComposeCommsLogPdf(header, entries, &pdf, error)) return false;
  try {
    WriteFileAtomic(QFile::encodeName(path).toStdString(),
                    std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())));
  } catch (const RunError& e) {
    if (error) *error = FromAnsi(e.NumberAndDescription());
    return false;
  }
  return true;
}

}  // namespace cadro::aids
