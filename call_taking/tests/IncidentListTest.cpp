// What the incident list shows: state texts, the Date/Time column and its sort key, and which
// reports each folder lists.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "FileIO.h"
#include "IncidentList.h"
#include "TestKit.h"

namespace cadro {
namespace {

TEST(IncidentListText, DateTimeIsMonthDayYearHoursMinutes) {
  EXPECT_EQ(DateTimeText("261207", "0805"), "12/07/26 08:05");
  EXPECT_EQ(DateTimeText("", ""), "// :");
  EXPECT_EQ(DateTimeText("2612", "8"), "12//26 8:");
}

TEST(IncidentListText, DateTimeKeyOrdersByRealTime) {
  const auto key = [](const char* t) { return DateTimeSortKey(t); };
  EXPECT_LT(key("12/31/99 23:59"), key("01/01/00 00:00"));  // 1999 before 2000
  EXPECT_LT(key("01/01/30 00:00"), key("12/31/29 23:59"));  // 30 is 1930, 29 is 2029
  EXPECT_LT(key("12/07/26 08:05"), key("01/15/27 09:00"));
  EXPECT_LT(key("12/07/26 08:05"), key("12/07/26 08:06"));
  EXPECT_EQ(key("12/30/99 00:00") - key("12/29/99 00:00"), 1440);
  EXPECT_EQ(key("// :"), 0);
  EXPECT_EQ(key("13/01/26 10:00"), 0);
  EXPECT_EQ(key("02/29/27 10:00"), 0);  // 2027 is no leap year
  EXPECT_NE(key("02/29/28 10:00"), 0);
  EXPECT_EQ(key("12/07/26 24:00"), 0);
  EXPECT_EQ(key("12/07/26 8:05"), 0);
}

class FolderFixture : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0); }

  void Write(const std::string& fileId, const std::string& eid, int ast, const std::string& city = "X") {
    testing::WriteFileBytes(JoinPath(folder, fileId + ".911"),
                            "[911 DEFINITION]\r\nTYP=MED\r\nEID=" + eid + "\r\nCTY=" + city +
                                "\r\n[ADMIN DEFINITION]\r\nAST=" + std::to_string(ast) +
                                "\r\nADT=261207\r\nATM=0805\r\n[END]\r\n");
  }

  std::vector<std::string> Ids(int folderCode) {
    std::vector<IncidentRow> rows;
    BuildIncidentRows(record, folderCode, rows);
    std::vector<std::string> ids;
    for (const auto& r : rows) ids.push_back(r.columns[kIdxColumn]);
    std::sort(ids.begin(), ids.end());
    return ids;
  }

  testing::TempDir dir;
  testing::TestServices t;
  std::string folder = dir.File("msg.d");
  CadroMsg record{folder, t.services};
};

TEST_F(FolderFixture, EachFolderListsItsStateAndAllListsEverything) {
  Write("A.001", "A.001", 6);
  Write("A.002", "A.002", 2);
  Write("A.003", "A.003", 1);
  Write("A.004", "A.004", 9);
  Write("A.005", "A.005", 8);
  EXPECT_EQ(Ids(6), std::vector<std::string>{"A.001"});
  EXPECT_EQ(Ids(2), std::vector<std::string>{"A.002"});
  EXPECT_EQ(Ids(9), std::vector<std::string>{"A.004"});
  EXPECT_EQ(Ids(8), std::vector<std::string>{"A.005"});
  EXPECT_EQ(Ids(0), (std::vector<std::string>{"A.001", "A.002", "A.003", "A.004", "A.005"}));

  std::vector<IncidentRow> rows;
  BuildIncidentRows(record, 0, rows);
  const auto newOne = std::find_if(rows.begin(), rows.end(), [](auto& r) { return r.columns[0] == "A.003"; });
  ASSERT_NE(newOne, rows.end());
  EXPECT_EQ(newOne->columns[1], "");
  EXPECT_EQ(newOne->columns[3], "MED");
  EXPECT_EQ(newOne->columns[7], "12/07/26 08:05");
}

TEST_F(FolderFixture, ABrokenReportShowsOnlyInAllAndDoesNotBorrowItsNeighbour) {
  Write("A.001", "A.001", 2, "Springfield");
  testing::WriteFileBytes(JoinPath(folder, "B.001.911"), "TYP=LAW\r\nAST=abc\r\nCTY=Late\r\n");
  EXPECT_EQ(Ids(2), std::vector<std::string>{"A.001"});
  std::vector<IncidentRow> rows;
  BuildIncidentRows(record, 0, rows);
  ASSERT_EQ(rows.size(), 2u);
  for (const auto& r : rows) {
    if (r.columns[0] == "B.001") {
      EXPECT_EQ(r.columns[3], "LAW");  // read before the failure
      EXPECT_EQ(r.columns[6], "");     // never reached
    }
  }
  EXPECT_FALSE(t.prompts.shown.empty());  // the record told the user
}

TEST_F(FolderFixture, AMissingMessageFolderGivesAnEmptyList) {
  CadroMsg nowhere(dir.File("none"), t.services);
  std::vector<IncidentRow> rows;
  BuildIncidentRows(nowhere, 0, rows);
  EXPECT_TRUE(rows.empty());
}

}  // namespace
}  // namespace cadro
