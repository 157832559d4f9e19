#pragma once
// The communications log as printable pages: a header on every page (station, location ID,
// operator, period, "Page n of m") and a table of at most 40 reports per page.

#include <QByteArray>
#include <QString>
#include <vector>

#include "CommsLog.h"

namespace cadro::aids {

inline constexpr int kLogRowsPerPage = 40;

int LogPageCount(std::size_t entries);

// The pages as the bytes of a PDF file; false with a reason in `error`.
bool ComposeCommsLogPdf(const CommsLogHeader& header, const std::vector<CommsLogEntry>& entries,
                        QByteArray* pdf, QString* error);

// Writes the PDF file whole or not at all (a file it replaces stays as it was on a failure);
// false with a reason in `error` when the file cannot be written.
bool WriteCommsLogPdf(const QString& path, const CommsLogHeader& header,
                      const std::vector<CommsLogEntry>& entries, QString* error);

}  // namespace cadro::aids
