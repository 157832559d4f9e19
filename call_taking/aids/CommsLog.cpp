#include "CommsLog.h"

#include <algorithm>

#include "AgeMarks.h"
#include "AnsiText.h"

namespace cadro::aids {

std::string LogDateTime(const std::string& adt, const std::string& atm) {
  if (ReportMinute(adt, atm) <= 0) return DateTimeText(adt, atm);
  const int yy = std::stoi(adt.substr(0, 2));
  const std::string year = std::to_string(yy < 30 ? 2000 + yy : 1900 + yy);
  return year + "-" + adt.substr(2, 2) + "-" + adt.substr(4, 2) + " " + atm.substr(0, 2) + ":" +
         atm.substr(2, 2);
}

std::vector<CommsLogEntry> SelectLogEntries(const std::vector<IncidentRow>& reports,
                                            const LogSelection& selection) {
  std::vector<CommsLogEntry> entries;
  for (const IncidentRow& r : reports) {
    const std::int64_t minute = ReportMinute(r.adt, r.atm);
    if (selection.byDateRange) {
      if (r.state == folder::kDeleted || minute <= 0) continue;
      const std::int64_t day = minute / 1440;
      if (day < selection.firstDay || day > selection.lastDay) continue;
    } else if (selection.folderCode != folder::kAll && r.state != selection.folderCode) {
      continue;
    }
    CommsLogEntry e;
    e.dateTime = LogDateTime(r.adt, r.atm);
    e.eventId = r.columns[2];
    e.messageId = r.mid;
    e.state = StateText(r.state);
    e.type = r.columns[3];
    e.issue = r.columns[4];
    e.location = r.columns[5];
    e.city = r.columns[kCityColumn];
    e.operatorId = r.uid;
    if (r.state == folder::kSubmitted) e.submittedAt = e.dateTime;
    e.minute = minute;
    entries.push_back(std::move(e));
  }
  std::stable_sort(entries.begin(), entries.end(), [](const CommsLogEntry& a, const CommsLogEntry& b) {
    return a.minute != b.minute ? a.minute < b.minute : a.eventId < b.eventId;
  });
  return entries;
}

std::string CsvField(const std::string& utf8) {
  std::string text = utf8;
  if (!text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@')) {
    text.insert(0, 1, '\'');
  }
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted.push_back('"');
    quoted.push_back(c);
  }
  quoted.push_back('"');
  return quoted;
}

std::string ComposeCommsLogCsv(const std::vector<CommsLogEntry>& entries) {
  std::string out = "\xEF\xBB\xBF";
  const auto record = [&out](std::initializer_list<const std::string*> fields) {
    bool first = true;
    for (const std::string* f : fields) {
      if (!first) out.push_back(',');
      first = false;
      out += CsvField(AnsiToUtf8(*f));
    }
    out += "\r\n";
  };
  std::vector<std::string> header(std::begin(kCsvColumns), std::end(kCsvColumns));
  record({&header[0], &header[1], &header[2], &header[3], &header[4], &header[5], &header[6], &header[7],
          &header[8], &header[9]});
  for (const CommsLogEntry& e : entries) {
    record({&e.dateTime, &e.eventId, &e.messageId, &e.state, &e.type, &e.issue, &e.location, &e.city,
            &e.operatorId, &e.submittedAt});
  }
  return out;
}

}  // namespace cadro::aids
