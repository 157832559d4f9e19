// The list itself: folders and their counts, both meanings of Delete, sorting, opening reports.
#include "MainWindowFixture.h"

namespace cadro::testing {
namespace {

TEST_F(MainWindow, FoldersListTheirReportsAndCountThem) {
  Report("A.001", 2);
  Report("A.002", 2);
  Report("A.003", 6);
  Report("A.004", 1);
  Report("A.005", 8);
  Report("A.006", 9);
  Start();
  EXPECT_EQ(Panel("Status"), QStringLiteral("Items:2"));
  const struct {
    int code;
    const char* label;
    const char* items;
  } expected[] = {{6, "  Draft", "Items:1"},
                  {8, "  Deleted", "Items:1"},
                  {9, "  Submitted", "Items:1"},
                  {0, "  All", "Items:6"},
                  {2, "  Ready to Send", "Items:2"}};
  for (const auto& e : expected) {
    QTest::mouseClick(Find<QPushButton>(("cmdFolder_" + std::to_string(e.code)).c_str()), Qt::LeftButton);
    WaitForList();
    EXPECT_EQ(w->CurrentFolder(), e.code);
    EXPECT_EQ(Find<QLabel>("lblCurrentFolder")->text(), QString::fromLatin1(e.label));
    EXPECT_EQ(Panel("Status"), QString::fromLatin1(e.items));
  }
  Folder(0);  // not through the button: the button shows the folder all the same
  EXPECT_TRUE(Find<QPushButton>("cmdFolder_0")->isChecked());
  EXPECT_EQ(w->Model().Text(RowOf("A.004"), 1), QString());
  EXPECT_EQ(w->Model().Text(RowOf("A.003"), 1), QStringLiteral("Draft"));
  EXPECT_EQ(w->Model().Text(RowOf("A.003"), 7), QStringLiteral("12/07/26 08:05"));
  QStringList headers;
  for (int c = 0; c < 8; ++c) headers << w->Model().headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
  EXPECT_EQ(headers,
            (QStringList{"Idx", "State", "Event ID", "Type", "Issue", "Location", "City", "Date/Time"}));
}

TEST_F(MainWindow, DeleteMarksReportsDeletedOutsideTheDeletedFolder) {
  for (const char* id : {"A.001", "A.002", "A.003", "A.004"}) Report(id, 2);
  Start();
  Select({RowOf("A.001"), RowOf("A.002"), RowOf("A.004")});
  QTest::keyClick(w->List(), Qt::Key_Delete);
  EXPECT_EQ(Column(0), QStringList{"A.003"});
  EXPECT_EQ(Panel("Status"), QStringLiteral("Items:1"));
  for (const char* id : {"A.001", "A.002", "A.004"}) EXPECT_EQ(StateOnDisk(id), 8) << id;
  EXPECT_EQ(StateOnDisk("A.003"), 2);

  Folder(0);
  Select({RowOf("A.003")});
  Find<QAction>("mnuDelete")->trigger();
  EXPECT_EQ(StateOnDisk("A.003"), 8);
  EXPECT_EQ(Panel("Status"), QStringLiteral("Items:3"));
}

// The report under delivery is stored again when the delivery ends: deleting it now would be
// undone without a word, so it stays, while the others selected with it go.
TEST_F(MainWindow, DeleteLeavesTheReportUnderDeliveryAndSaysSo) {
  for (const char* id : {"A.001", "A.002", "A.003"}) Report(id, 2);
  Start();
  form.delivering = true;
  form.underDelivery = "A.002";
  Select({RowOf("A.001"), RowOf("A.002"), RowOf("A.003")});
  const int beeps = t.prompts.beeps;
  w->cmdDelete_Click();
  EXPECT_EQ(Column(0), QStringList{"A.002"});
  EXPECT_EQ(StateOnDisk("A.002"), 2);
  EXPECT_EQ(StateOnDisk("A.001"), 8);
  EXPECT_EQ(StateOnDisk("A.003"), 8);
  EXPECT_EQ(t.prompts.beeps, beeps + 1);
  EXPECT_TRUE(Panel("Status").contains(QStringLiteral("A.002"))) << Panel("Status").toStdString();

  // Once it is delivered it can be deleted like any other.
  form.delivering = false;
  form.underDelivery.clear();
  Select({RowOf("A.002")});
  w->cmdDelete_Click();
  EXPECT_EQ(StateOnDisk("A.002"), 8);
  EXPECT_EQ(Panel("Status"), QStringLiteral("Items:0"));
}

TEST_F(MainWindow, DeleteInTheDeletedFolderRemovesTheFilesForGood) {
  Report("A.001", 8);
  Report("A.002", 8);
  Report("A.003", 8);
  Start();
  Folder(8);
  Select({RowOf("A.001"), RowOf("A.003")});
  QTest::mouseClick(Find<QPushButton>("cmdDelete"), Qt::LeftButton);
  EXPECT_FALSE(PathExists(JoinPath(dir.File("msg.d"), "A.001.911")));
  EXPECT_FALSE(PathExists(JoinPath(dir.File("msg.d"), "A.003.911")));
  EXPECT_TRUE(PathExists(JoinPath(dir.File("msg.d"), "A.002.911")));
  EXPECT_EQ(Panel("Status"), QStringLiteral("Items:1"));
  Select({});
  w->cmdDelete_Click();  // nothing selected: nothing happens
  EXPECT_EQ(Panel("Status"), QStringLiteral("Items:1"));
}

TEST_F(MainWindow, DeleteActsOnTheRowsOwnFileNotOnTheEventIdInsideIt) {
  // The file B.001 holds the EID of another report; marking must touch B.001 and nothing else.
  Report("A.001", 2);
  Report("B.001", 2, "Springfield", "261207", "0805", "A.001");
  Start();
  Select({RowOf("B.001")});
  w->cmdDelete_Click();
  EXPECT_EQ(StateOnDisk("B.001"), 8);
  EXPECT_EQ(StateOnDisk("A.001"), 2);
  EXPECT_EQ(Column(0), QStringList{"A.001"});
}

TEST_F(MainWindow, ARowStaysWhenItsReportCouldNotBeDeleted) {
  Report("A.001", 2);
  Start();
  ASSERT_EQ(::chmod(JoinPath(dir.File("msg.d"), "A.001.911").c_str(), 0444), 0);
  Select({0});
  w->cmdDelete_Click();
  EXPECT_EQ(Column(0), QStringList{"A.001"});
  EXPECT_EQ(StateOnDisk("A.001"), 2);
  ASSERT_EQ(t.prompts.shown.size(), 1u);  // the record's own report
  EXPECT_NE(t.prompts.shown[0].text.find("Problems"), std::string::npos);
}

TEST_F(MainWindow, SortingByTextColumnsAndByRealDateAndTime) {
  Report("E.3", 2, "Boston", "261207", "0805");
  Report("E.1", 2, "albany", "270115", "0900");
  Report("E.2", 2, "Chicago", "991230", "2359");
  Report("E.4", 2, "Denver", "", "");
  Start();
  EXPECT_EQ(Column(6), (QStringList{"albany", "Boston", "Chicago", "Denver"}));  // built by City
  ClickHeader(2);  // Event ID, keeping the direction
  EXPECT_EQ(Column(2), (QStringList{"E.1", "E.2", "E.3", "E.4"}));
  ClickHeader(2);
  EXPECT_EQ(Column(2), (QStringList{"E.4", "E.3", "E.2", "E.1"}));
  ClickHeader(6);  // another column keeps the descending direction
  EXPECT_EQ(Column(6), (QStringList{"Denver", "Chicago", "Boston", "albany"}));
  ClickHeader(7);  // Date/Time turns the direction: ascending by real date, no date first
  EXPECT_EQ(Column(0), (QStringList{"E.4", "E.2", "E.3", "E.1"}));
  ClickHeader(7);
  EXPECT_EQ(Column(0), (QStringList{"E.1", "E.3", "E.2", "E.4"}));
  EXPECT_EQ(w->List()->header()->sortIndicatorSection(), 7);
  // Every folder's list is built sorted ascending by City, whatever the sort before.
  Folder(0);
  EXPECT_EQ(Column(6), (QStringList{"albany", "Boston", "Chicago", "Denver"}));
  EXPECT_EQ(w->List()->header()->sortIndicatorSection(), 6);
  EXPECT_EQ(w->SortOrder(), Qt::AscendingOrder);
}

TEST_F(MainWindow, NewReportAndDoubleClickOpenTheEntryForm) {
  Report("A.001", 2);
  Start();
  QTest::mouseClick(Find<QPushButton>("cmdNewReport"), Qt::LeftButton);
  w->LV_DblClick();  // nothing selected yet
  const QRect cell = w->List()->visualRect(w->Model().index(0, 2));
  QTest::mouseClick(w->List()->viewport(), Qt::LeftButton, {},
                    cell.center());  // the view wants a press first
  QTest::mouseDClick(w->List()->viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_EQ(form.started, (std::vector<std::string>{"NEW", "A.001"}));
  // The row under the focus mark but no longer selected is not opened.
  Select({});
  ASSERT_TRUE(w->List()->currentIndex().isValid());
  w->LV_DblClick();
  EXPECT_EQ(form.started.size(), 2U);
  // Enter on the keypad opens it as the main Enter key does.
  QTest::keyClick(w->List(), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(form.started, (std::vector<std::string>{"NEW", "A.001", "A.001"}));
}

// Three bad files and six folder clicks: each file is reported once in a box, every failed load
// still reaches the event log.
TEST_F(MainWindow, ABadReportFileIsShownInABoxOncePerRun) {
  for (const char* id : {"BAD.1", "BAD.2", "BAD.3"})
    WriteFileBytes(JoinPath(dir.File("msg.d"), std::string(id) + ".911"), "TYP=LAW\r\nAST=abc\r\n");
  Report("AB126342.100", 2);
  Start();
  const auto loadBoxes = [this] {
    return std::count_if(t.prompts.shown.begin(), t.prompts.shown.end(), [](const ShownPrompt& p) {
      return p.text.find("Problems loading") != std::string::npos;
    });
  };
  EXPECT_EQ(loadBoxes(), 3);
  const auto logged = t.eventLog.entries.size();
  for (const int folder : {0, 2, 6, 0, 9, 0}) {
    Find<QPushButton>(("cmdFolder_" + std::to_string(folder)).c_str())->click();
    WaitForList();
  }
  EXPECT_EQ(loadBoxes(), 3);
  EXPECT_EQ(t.eventLog.entries.size(), logged + 6 * 3);
  EXPECT_EQ(Column(0).size(), 4) << "the All folder still lists the bad files";
}

// The entry form refuses while a report is out, and it may be hidden or behind the list: a
// request made in the list is answered in the list.
TEST_F(MainWindow, OpeningAReportDuringADeliveryIsRefusedInTheList) {
  Report("A.001", 2);
  Report("A.002", 2);
  Start();
  form.delivering = true;
  form.underDelivery = "A.002";
  Select({RowOf("A.001")});
  w->List()->setCurrentIndex(w->Model().index(RowOf("A.001"), 0));
  QTest::keyClick(w->List(), Qt::Key_Return);
  EXPECT_TRUE(form.started.empty());
  ASSERT_EQ(t.prompts.shown.size(), 1u);
  EXPECT_EQ(t.prompts.shown[0].icon, PromptIcon::Exclamation);
  EXPECT_EQ(t.prompts.shown[0].text,
            "The report A.002 is being delivered to the host.\r\nOpen A.001 when the delivery has ended.");
  EXPECT_EQ(Panel("Status"),
            QStringLiteral("The report A.002 is being delivered to the host; try again when it is done"));

  QTest::mouseClick(Find<QPushButton>("cmdNewReport"), Qt::LeftButton);
  EXPECT_TRUE(form.started.empty());
  ASSERT_EQ(t.prompts.shown.size(), 2u);
  EXPECT_NE(t.prompts.shown[1].text.find("Start the new report when the delivery has ended."),
            std::string::npos);

  form.delivering = false;
  QTest::keyClick(w->List(), Qt::Key_Return);
  EXPECT_EQ(form.started, std::vector<std::string>{"A.001"});
  EXPECT_EQ(t.prompts.shown.size(), 2u);
}

}  // namespace
}  // namespace cadro::testing
