#include "IncidentList.h"

#include "FileIO.h"
#include "StringLib.h"
#include "WholeNumber.h"

namespace cadro {
namespace {

// Characters `start` (1-based) to `start + length - 1`, clipped to the text.
std::string_view Mid(std::string_view s, std::size_t start, std::size_t length) {
  if (start > s.size()) return {};
  return s.substr(start - 1, length);
}

bool TwoDigits(std::string_view s, std::size_t at, int& out) {
  if (at + 2 > s.size()) return false;
  const WholeNumber n = ReadWholeNumber(s.substr(at, 2), {.allowSign = false, .trimBlanks = false});
  if (n) out = static_cast<int>(n.value);
  return static_cast<bool>(n);
}

bool IsLeap(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days from 1 January 1970 (proleptic Gregorian), after H. Hinnant's days_from_civil.
std::int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

}  // namespace

std::string StateText(int ast) {
  switch (ast) {
    case folder::kReady: return "Ready";
    case folder::kDraft: return "Draft";
    case folder::kDeleted: return "Deleted";
    case folder::kSubmitted: return "Submitted";
    default: return "";
  }
}

std::string FolderName(int folderCode) {
  switch (folderCode) {
    case folder::kAll: return "All";
    case folder::kReady: return "Ready to Send";
    default: return StateText(folderCode);
  }
}

std::string FolderButtonCaption(int folderCode) {
  return folderCode == folder::kAll ? "All" : StateText(folderCode);
}

const std::array<const char*, kColumnCount>& ColumnHeaders() {
  static const std::array<const char*, kColumnCount> kHeaders = {
      "Idx", "State", "Event ID", "Type", "Issue", "Location", "City", "Date/Time"};
  return kHeaders;
}

std::string DateTimeText(std::string_view adt, std::string_view atm) {
  std::string text;
  text.reserve(14);
  text.append(Mid(adt, 3, 2)).append("/").append(Mid(adt, 5, 2)).append("/").append(Mid(adt, 1, 2));
  text.append(" ").append(Mid(atm, 1, 2)).append(":").append(Mid(atm, 3, 2));
  return text;
}

std::int64_t DateTimeSortKey(std::string_view text) {
  int month = 0, day = 0, year = 0, hour = 0, minute = 0;
  if (text.size() != 14 || text[2] != '/' || text[5] != '/' || text[8] != ' ' || text[11] != ':') return 0;
  if (!TwoDigits(text, 0, month) || !TwoDigits(text, 3, day) || !TwoDigits(text, 6, year) ||
      !TwoDigits(text, 9, hour) || !TwoDigits(text, 12, minute)) {
    return 0;
  }
  year += year < 30 ? 2000 : 1900;
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 || minute > 59) {
    return 0;
  }
  const std::int64_t days = DaysFromCivil(year, month, day) - DaysFromCivil(1899, 12, 30);
  return days * 1440 + hour * 60 + minute;
}

void BuildIncidentRows(CadroMsg& record, int folderCode, std::vector<IncidentRow>& rows,
                       std::vector<IncidentRow>* everyReport) {
  const std::string list = record.BuildFileList();
  std::string_view rest(list);
  while (!rest.empty()) {
    const std::string eventId = GetLine(rest);
    // A file that vanished since the listing is no report any more: no row, not even an empty one.
    record.Clear();
    if (!record.Load(eventId) && !PathExists(JoinPath(record.MessageFolder(), eventId + ".911"))) continue;
    const int ast = record.AST();
    const bool shown = folderCode == folder::kAll || ast == folderCode;
    if (!shown && !everyReport) continue;
    IncidentRow row;
    row.columns = {eventId,      StateText(ast), record.EID(), record.TYP(),
                   record.ISS(), record.AD1(),   record.CTY(), DateTimeText(record.ADT(), record.ATM())};
    row.state = ast;
    row.mid = record.MID();
    row.dtl = record.DTL();
    row.uid = record.UID();
    row.adt = record.ADT();
    row.atm = record.ATM();
    if (everyReport) everyReport->push_back(row);
    if (shown) rows.push_back(std::move(row));
  }
}

}  // namespace cadro
