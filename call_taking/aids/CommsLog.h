#pragma once
// The station's communications log: which reports went into it, and the CSV file a spreadsheet
// opens. The printable pages are drawn by CommsLogPdf.

#include <cstdint>
#include <string>
#include <vector>

#include "IncidentList.h"

namespace cadro::aids {

// One line of the log, as ANSI text the way the reports hold it.
struct CommsLogEntry {
  std::string dateTime;  // "2026-12-07 08:05" (the report's last save)
  std::string eventId, messageId, state, type, issue, location, city, operatorId;
  std::string submittedAt;  // the date/time when the report is submitted, else ""
  std::int64_t minute = 0;
};

struct CommsLogHeader {
  std::string station, locationId, operatorName, period;
};

// Either the reports of one folder (0 for all) or those saved on the days from `firstDay` to
// `lastDay` (days since 30 December 1899), deleted reports left out.
struct LogSelection {
  bool byDateRange = false;
  int folderCode = folder::kAll;
  std::int64_t firstDay = 0;
  std::int64_t lastDay = 0;
};

// The selected reports in the order they were saved (then by event ID).
std::vector<CommsLogEntry> SelectLogEntries(const std::vector<IncidentRow>& reports,
                                            const LogSelection& selection);

// "2026-12-07 08:05" from ADT and ATM; the list's own text when they hold no valid date.
std::string LogDateTime(const std::string& adt, const std::string& atm);

inline constexpr const char* kCsvColumns[] = {"Date/Time", "Event ID",    "Message ID", "State",
                                              "Type",      "Issue",       "Location",   "City",
                                              "Operator",  "Submitted At"};

// UTF-8 with a byte-order mark, CR LF after every record, every field quoted where it must be.
std::string ComposeCommsLogCsv(const std::vector<CommsLogEntry>& entries);

// One CSV field from UTF-8 text: quoted when it holds a comma, a quote, CR or LF (quotes
// doubled). A text that a spreadsheet would run as a formula gets a leading apostrophe.
std::string CsvField(const std::string& utf8);

}  // namespace cadro::aids
