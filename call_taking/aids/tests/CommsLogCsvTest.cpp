#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "AgeMarks.h"
#include "AidsTestRows.h"
#include "CommsLog.h"
#include "FileIO.h"
#include "TestKit.h"

namespace cadro::aids {
namespace {

using testing::MakeRow;

std::string Hex(const std::string& utf8) {
  if (utf8.empty()) return "-";
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (const unsigned char c : utf8) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

std::string HexRecord(const std::vector<std::string>& fields) {
  std::string line;
  for (const std::string& f : fields) line += (line.empty() ? "" : " ") + Hex(f);
  return line;
}

// What Python's csv module reads back from `path`: "BOM"/"NOBOM", then one line per record.
std::vector<std::string> ReadBack(const std::string& path) {
  const std::string command = std::string("python3 '") + CADRO_CSV_READER + "' '" + path + "'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  std::vector<std::string> lines;
  std::string line;
  for (int c; pipe && (c = std::fgetc(pipe.get())) != EOF;) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line.push_back(static_cast<char>(c));
    }
  }
  return lines;
}

TEST(CommsLogCsv, AParserReadsBackEveryFieldExactly) {
  // A lone line feed can stand inside a stored value (the file splits lines at CR only).
  const std::vector<IncidentRow> reports = {
      MakeRow({.idx = "AB126342.102",
               .state = 9,
               .typ = "MED+FIRE",
               .ad1 = "100 Main St, Apt \"B\"",
               .cty = "Springfield",
               .atm = "1240",
               .iss = "Smoke\nand flames",
               .mid = "M102",
               .uid = "K6ABC"}),
      MakeRow({.idx = "AB126342.101",
               .state = 2,
               .typ = "FIRE",
               .ad1 = "=HYPERLINK(\"x\")",
               .cty = "Caf\xE9 City",
               .atm = "1231",
               .iss = "",
               .mid = "M101",
               .uid = ""}),
  };
  const std::vector<CommsLogEntry> entries = SelectLogEntries(reports, {});
  cadro::testing::TempDir dir;
  const std::string path = dir.File("log.csv");
  WriteFileAtomic(path, ComposeCommsLogCsv(entries));

  const std::vector<std::string> read = ReadBack(path);
  ASSERT_EQ(read.size(), 4U);
  EXPECT_EQ(read[0], "BOM");
  EXPECT_EQ(read[1], HexRecord({"Date/Time", "Event ID", "Message ID", "State", "Type", "Issue", "Location",
                                "City", "Operator", "Submitted At"}));
  // Saved first comes first; the ANSI "é" arrives as UTF-8; a formula is defused.
  EXPECT_EQ(read[2], HexRecord({"2026-12-08 12:31", "AB126342.101", "M101", "Ready", "FIRE", "",
                                "'=HYPERLINK(\"x\")", "Caf\xC3\xA9 City", "", ""}));
  EXPECT_EQ(read[3], HexRecord({"2026-12-08 12:40", "AB126342.102", "M102", "Submitted", "MED+FIRE",
                                "Smoke\nand flames", "100 Main St, Apt \"B\"", "Springfield", "K6ABC",
                                "2026-12-08 12:40"}));
}

TEST(CommsLogCsv, QuotesOnlyWhereNeededAndEndsEveryRecordWithCrLf) {
  EXPECT_EQ(CsvField("plain"), "plain");
  EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
  EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(CsvField("two\r\nlines"), "\"two\r\nlines\"");
  EXPECT_EQ(CsvField("-5"), "'-5");
  EXPECT_EQ(CsvField("@x,y"), "\"'@x,y\"");
  const std::string csv = ComposeCommsLogCsv({});
  EXPECT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_EQ(csv.substr(csv.size() - 2), "\r\n");
  EXPECT_EQ(csv.find('\n'), csv.size() - 1);
}

TEST(CommsLogCsv, SelectionByFolderOrByDays) {
  const std::vector<IncidentRow> reports = {MakeRow({.idx = "R1", .state = 2, .adt = "261207"}),
                                            MakeRow({.idx = "D1", .state = 6, .adt = "261208"}),
                                            MakeRow({.idx = "X1", .state = 8, .adt = "261208"}),
                                            MakeRow({.idx = "S1", .state = 9, .adt = "261209"}),
                                            MakeRow({.idx = "Z1", .state = 6, .adt = "", .atm = ""})};
  const auto ids = [](const std::vector<CommsLogEntry>& entries) {
    std::vector<std::string> out;
    for (const auto& e : entries) out.push_back(e.eventId);
    return out;
  };
  EXPECT_EQ(ids(SelectLogEntries(reports, {.folderCode = 6})), (std::vector<std::string>{"Z1", "D1"}));
  EXPECT_EQ(ids(SelectLogEntries(reports, {})).size(), 5U);
  const std::int64_t dec8 = ReportMinute("261208", "0000") / 1440;
  // Deleted reports and those without a date stay out of a date range; both ends count.
  EXPECT_EQ(ids(SelectLogEntries(reports, {.byDateRange = true, .firstDay = dec8, .lastDay = dec8 + 1})),
            (std::vector<std::string>{"D1", "S1"}));
}

}  // namespace
}  // namespace cadro::aids
