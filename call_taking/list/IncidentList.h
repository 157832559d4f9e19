#pragma once
// The incident list's content apart from its widget: which reports a folder shows, the texts of
// their eight columns, and the key that orders the Date/Time column by real date and time.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "CadroMsg.h"

namespace cadro {

// Folder codes are the report state codes they show; 0 shows every report.
namespace folder {
inline constexpr int kAll = 0;
inline constexpr int kReady = 2;
inline constexpr int kDraft = 6;
inline constexpr int kDeleted = 8;
inline constexpr int kSubmitted = 9;
inline constexpr std::array<int, 5> kCodes = {kAll, kReady, kDraft, kDeleted, kSubmitted};
}  // namespace folder

// "Ready", "Draft", "Deleted", "Submitted", "" for any other state.
std::string StateText(int ast);

// "All", "Ready to Send", "Draft", "Deleted", "Submitted"; "" for a code that is no folder.
std::string FolderName(int folderCode);

// The button caption of a folder: "All", "Ready", "Draft", "Deleted", "Submitted".
std::string FolderButtonCaption(int folderCode);

// Columns: Idx, State, Event ID, Type, Issue, Location, City, Date/Time.
inline constexpr int kColumnCount = 8;
inline constexpr int kIdxColumn = 0;
inline constexpr int kCityColumn = 6;
inline constexpr int kDateTimeColumn = 7;
const std::array<const char*, kColumnCount>& ColumnHeaders();

// Default column widths in twips; the first column is all but hidden.
inline constexpr std::array<long, kColumnCount> kDefaultColumnTwips = {1,    1000, 1000, 1000,
                                                                       2000, 4000, 2000, 2000};

// "mm/dd/yy hh:mm" from ADT (yymmdd) and ATM (hhmm), taken piece by piece as the characters
// stand, so short or odd values give short or odd text rather than a failure.
std::string DateTimeText(std::string_view adt, std::string_view atm);

// Minutes since 30 December 1899 for a valid "mm/dd/yy hh:mm" text (two-digit years 30..99 are
// 1930..1999, 00..29 are 2000..2029); 0 for anything else, so such rows collect at one end.
std::int64_t DateTimeSortKey(std::string_view text);

struct IncidentRow {
  std::array<std::string, kColumnCount> columns;
  // What the list's aids need beyond the columns: the state code, and texts searched or logged.
  int state = 0;
  std::string mid, dtl, uid, adt, atm;
};

// Loads each report of the message folder into `record` and appends the rows the folder shows to
// `rows`, in the order the folder lists the files, all on the caller's thread (the list window
// reads in the background instead, see BackgroundListing). A file gone since the folder was
// listed gives no row. A report that fails to load has told the user
// already; its row holds what was read before the failure (so it usually shows in "All" only).
// Should anything else fail, the rows appended so far stay. `everyReport`, when given, receives
// the row of every report whatever the folder.
void BuildIncidentRows(CadroMsg& record, int folderCode, std::vector<IncidentRow>& rows,
                       std::vector<IncidentRow>* everyReport = nullptr);

}  // namespace cadro
