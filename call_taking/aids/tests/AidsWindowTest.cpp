// What the operator sees of the aids in the list window: the search box, the marks on reports
// that wait too long, the duplicate hint, the Preferences tab and File > Export Log...
#include <QCheckBox>
#include <QFrame>
#include <QSpinBox>
#include <QTabWidget>

#include "../../tests/MainWindowFixture.h"
#include "AidsWindowFixture.h"
#include "ProgramIdentity.h"
#include "frmExportLog.h"

namespace cadro::testing {
namespace {

class AidsWindow : public MainWindow, public AidsReports {
protected:
  std::string MessageFolder() override { return dir.File("msg.d"); }
  void ShowAll() { Folder(folder::kAll); }
  QLineEdit* Search() { return Find<QLineEdit>("txtSearch"); }
  QStringList Shown() {
    QStringList ids = Column(0);
    ids.sort();
    return ids;
  }
};

TEST_F(AidsWindow, SearchFiltersTheFolderAsTypedAndEscapeBringsItBack) {
  Full("A1", 2, "FIRE", "100 Main St", "Springfield", "1200", "Kitchen fire", "Smoke\\nfrom the back door");
  Full("A2", 2, "MED", "12 Oak Ave", "Shelbyville", "1201", "Fall", "Hip pain");
  Full("A3", 6, "LAW", "7 Mill Rd", "Springfield", "1202", "Theft", "Bicycle");
  Full("A4", 2, "LAW", "5 Elm Ct", "Ogdenville", "1203", "Noise", "Party at MAIN hall");
  Start();
  EXPECT_EQ(Panel("Status"), "Items:3");  // the Ready folder

  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  w->List()->setFocus();
  QTest::keyClick(w.get(), Qt::Key_F, Qt::ControlModifier);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Search()->hasFocus(); }, 2000));
  QTest::keyClicks(Search(), "main");
  // Location of A1 and details of A4; A3 matches too but is not in this folder.
  EXPECT_EQ(Shown(), (QStringList{"A1", "A4"}));
  EXPECT_EQ(Panel("Status"), "Items:2");
  QTest::keyClicks(Search(), " BACK");
  EXPECT_EQ(Shown(), (QStringList{"A1"}));
  EXPECT_EQ(Panel("Status"), "Items:1");

  // A folder change keeps the words and filters the new folder.
  Search()->setText("springfield");
  ShowAll();
  EXPECT_EQ(Shown(), (QStringList{"A1", "A3"}));

  QTest::keyClick(Search(), Qt::Key_Escape);
  EXPECT_EQ(Search()->text(), "");
  EXPECT_EQ(Column(0).size(), 4);
  EXPECT_EQ(Panel("Status"), "Items:4");
}

TEST_F(AidsWindow, SortingAndDeletingActOnTheRowsShown) {
  Full("B3", 2, "FIRE", "1 Main St", "Springfield", "1200", "Fire", "");
  Full("B1", 2, "FIRE", "2 Main St", "Springfield", "1200", "Fire", "");
  Full("B2", 2, "MED", "3 Oak Ave", "Springfield", "1200", "Fall", "");
  Start();
  QTest::keyClicks(Search(), "fire");
  ClickHeader(2);  // Event ID, ascending (the list starts on City)
  EXPECT_EQ(Column(0), (QStringList{"B1", "B3"}));
  ClickHeader(2);
  EXPECT_EQ(Column(0), (QStringList{"B3", "B1"}));

  Select({0});  // B3
  QTest::keyClick(w->List(), Qt::Key_Delete);
  EXPECT_EQ(StateOnDisk("B3"), 8);
  EXPECT_EQ(StateOnDisk("B1"), 2);
  EXPECT_EQ(StateOnDisk("B2"), 2);  // hidden by the search, untouched
  EXPECT_EQ(Column(0), (QStringList{"B1"}));
  EXPECT_EQ(Panel("Status"), "Items:1");
  QTest::keyClick(Search(), Qt::Key_Escape);
  EXPECT_EQ(Column(0), (QStringList{"B2", "B1"}));  // still by Event ID, descending
}

TEST_F(AidsWindow, WaitingReportsAreMarkedAndCountedAsTheClockMoves) {
  t.clock.now = LocalTime{2026, 12, 8, 12, 20, 0};
  Full("R1", 2, "FIRE", "1 Main St", "Springfield", "1205", "Fire", "");  // 15 min
  Full("R2", 2, "FIRE", "2 Main St", "Springfield", "1215", "Fire", "");  // 5 min
  Full("D1", 6, "MED", "3 Oak Ave", "Springfield", "1140", "Fall", "");   // 40 min
  Full("D2", 6, "MED", "4 Oak Ave", "Springfield", "1200", "Fall", "");   // 20 min
  Full("S1", 9, "MED", "5 Oak Ave", "Springfield", "1000", "Fall", "");
  Start();
  QLabel* stuck = Find<QLabel>("sbrStatus_Stuck");
  EXPECT_EQ(stuck->text(), "1 waiting over 10 min, 1 draft over 30 min");
  EXPECT_FALSE(stuck->isHidden());

  const auto& model = w->Model();
  const int r1 = RowOf("R1");
  const int r2 = RowOf("R2");
  EXPECT_EQ(model.Mark(r1), aids::AgeMark::ReadyTooLong);
  EXPECT_EQ(model.Mark(r2), aids::AgeMark::None);
  // Colour and icon both, on the State column; the texts stay as they are.
  EXPECT_TRUE(model.data(model.index(r1, 1), Qt::BackgroundRole).isValid());
  EXPECT_TRUE(model.data(model.index(r1, 1), Qt::DecorationRole).isValid());
  EXPECT_FALSE(model.data(model.index(r2, 1), Qt::DecorationRole).isValid());
  EXPECT_EQ(model.Text(r1, 1), "Ready");

  // Nobody touches anything; the clock alone moves the count on.
  t.clock.now = LocalTime{2026, 12, 8, 12, 26, 0};
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return stuck->text() == "2 waiting over 10 min, 1 draft over 30 min"; }, 3000))
      << stuck->text().toStdString();
  EXPECT_EQ(model.Mark(RowOf("R2")), aids::AgeMark::ReadyTooLong);
  t.clock.now = LocalTime{2026, 12, 8, 12, 21, 0};  // the clock set back: R2 waits 6 min again
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return stuck->text() == "1 waiting over 10 min, 1 draft over 30 min"; }, 3000))
      << stuck->text().toStdString();
}

TEST_F(AidsWindow, PreferencesTabSetsTheLimitsInTheUsersSettingsOnly) {
  t.clock.now = LocalTime{2026, 12, 8, 12, 20, 0};
  Full("R1", 2, "FIRE", "1 Main St", "Springfield", "1205", "Fire", "");  // 15 min
  Start();
  ini.WriteIni();
  const std::string iniBefore = ReadFileBytes(dir.File("Cadrocts.ini"));
  script.push_back([](QDialog& d) {
    auto* pref = qobject_cast<frmCadroPref*>(&d);
    ASSERT_NE(pref, nullptr);
    QTabWidget* tabs = pref->Tabs();
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(2), "Stuck Reports");
    tabs->setCurrentIndex(2);
    auto* ready = d.findChild<QSpinBox*>("spnReadyMinutes");
    auto* draft = d.findChild<QSpinBox*>("spnDraftMinutes");
    ASSERT_TRUE(ready && draft);
    EXPECT_EQ(ready->value(), 10);
    EXPECT_EQ(draft->value(), 30);
    ready->setValue(20);
    draft->setValue(45);
    pref->cmdOK_Click();
  });
  w->mnuPreferences_Click();
  EXPECT_EQ(t.settings.Get(kProgramTitle, "Settings", "StuckReadyMinutes"), std::optional<std::string>("20"));
  EXPECT_EQ(t.settings.Get(kProgramTitle, "Settings", "StuckDraftMinutes"), std::optional<std::string>("45"));
  EXPECT_EQ(ReadFileBytes(dir.File("Cadrocts.ini")), iniBefore);
  EXPECT_EQ(Find<QLabel>("sbrStatus_Stuck")->text(), "");  // 15 min is no longer too long
  EXPECT_EQ(w->Model().Mark(0), aids::AgeMark::None);

  // Cancel keeps what was set.
  script.push_back([](QDialog& d) {
    d.findChild<QSpinBox*>("spnReadyMinutes")->setValue(3);
    d.reject();
  });
  w->mnuPreferences_Click();
  EXPECT_EQ(w->AgeLimits(), (aids::AgeLimits{20, 45}));
}

TEST_F(AidsWindow, ANewReportAtAKnownPlaceShowsAHintThatChangesNothing) {
  Full("AB126342.101", 9, "FIRE", "100 Main St", "Springfield", "1231", "Kitchen fire", "");
  Full("AB126342.099", 2, "FIRE", "100 Main St", "Springfield", "1000", "Old fire", "");  // hours ago
  Start();
  auto* bar = Find<QFrame>("fraDuplicateHint");
  EXPECT_TRUE(bar->isHidden());

  // The entry form stores a new report and asks for the list again.
  Full("AB126342.102", 6, "MED+FIRE", "100 main street.", "SPRINGFIELD", "1240", "Smoke", "");
  const std::string before = ReadFileBytes(JoinPath(dir.File("msg.d"), "AB126342.101.911")) +
                             ReadFileBytes(JoinPath(dir.File("msg.d"), "AB126342.102.911"));
  w->BuildNewMsgList();
  WaitForList();
  ASSERT_FALSE(bar->isHidden());
  EXPECT_EQ(Find<QLabel>("lblDuplicateHint")->text(),
            "Possibly the same incident as AB126342.101 (FIRE, 12:31, 100 Main St)");
  // The list and its count are as before.
  EXPECT_EQ(Panel("Status"), "Items:1");

  QTest::mouseClick(Find<QPushButton>("cmdHintOpen"), Qt::LeftButton);
  EXPECT_TRUE(bar->isHidden());
  EXPECT_EQ(form.started, (std::vector<std::string>{"AB126342.101"}));
  EXPECT_EQ(ReadFileBytes(JoinPath(dir.File("msg.d"), "AB126342.101.911")) +
                ReadFileBytes(JoinPath(dir.File("msg.d"), "AB126342.102.911")),
            before);

  // Rebuilding for another reason, or storing a report elsewhere, brings no hint.
  ShowAll();
  Full("AB126342.103", 2, "FIRE", "102 Main St", "Springfield", "1241", "Smoke", "");
  w->BuildNewMsgList();
  WaitForList();
  EXPECT_TRUE(bar->isHidden());

  Full("AB126342.104", 2, "FIRE", "100 Main St", "Springfield", "1242", "Smoke", "");
  w->BuildNewMsgList();
  WaitForList();
  ASSERT_FALSE(bar->isHidden());
  EXPECT_EQ(Find<QLabel>("lblDuplicateHint")->text(),
            "Possibly the same incident as AB126342.102 (MED+FIRE, 12:40, 100 main street.)");
  QTest::mouseClick(Find<QPushButton>("cmdHintIgnore"), Qt::LeftButton);
  EXPECT_TRUE(bar->isHidden());
  EXPECT_EQ(form.started.size(), 1U);
}

// The hint compares types whole: a new report whose type is part of an earlier one's, or holds
// it, is no possible duplicate.
TEST_F(AidsWindow, ATypeThatIsPartOfAnotherBringsNoHint) {
  Full("T1", 9, "FIRE ALARM", "100 Main St", "Springfield", "1231", "Alarm bell", "");
  Full("T2", 9, "MED", "7 Mill Rd", "Springfield", "1231", "Fall", "");
  Start();
  auto* bar = Find<QFrame>("fraDuplicateHint");

  Full("T3", 2, "FIRE", "100 Main St", "Springfield", "1235", "Smoke", "");  // part of FIRE ALARM
  w->BuildNewMsgList();
  WaitForList();
  EXPECT_TRUE(bar->isHidden()) << Find<QLabel>("lblDuplicateHint")->text().toStdString();

  Full("T4", 2, "MEDIC", "7 Mill Rd", "Springfield", "1236", "Fall", "");  // holds MED
  w->BuildNewMsgList();
  WaitForList();
  EXPECT_TRUE(bar->isHidden()) << Find<QLabel>("lblDuplicateHint")->text().toStdString();

  Full("T5", 2, "LAW+FIRE", "100 Main St", "Springfield", "1240", "Smoke", "");
  w->BuildNewMsgList();
  WaitForList();
  ASSERT_FALSE(bar->isHidden());
  EXPECT_EQ(Find<QLabel>("lblDuplicateHint")->text(),
            "Possibly the same incident as T3 (FIRE, 12:35, 100 Main St)");
}

// The hint is about the report just stored: none at start-up for reports already on disk, none for
// a report that appears deleted, gone once another new report is stored or once answered, and
// kept when Open is refused during a delivery.
TEST_F(AidsWindow, TheHintFollowsTheLatestNewReportAndStaysAwayOnceAnswered) {
  Full("D1", 9, "FIRE", "100 Main St", "Springfield", "1231", "Smoke", "");
  Full("D2", 2, "FIRE", "100 Main St", "Springfield", "1235", "Smoke", "");
  Start();
  auto* bar = Find<QFrame>("fraDuplicateHint");
  EXPECT_TRUE(bar->isHidden()) << "at start-up: " << Find<QLabel>("lblDuplicateHint")->text().toStdString();
  const auto rebuild = [this] {
    w->BuildNewMsgList();
    WaitForList();
  };

  Full("D3", 6, "FIRE", "100 Main St", "Springfield", "1240", "Smoke", "");
  rebuild();
  ASSERT_FALSE(bar->isHidden());
  EXPECT_EQ(Find<QLabel>("lblDuplicateHintFor")->text(), "D3:");

  // Another new report, at another place: the hint about D3 no longer applies.
  Full("D4", 2, "LAW", "9 Oak Rd", "Springfield", "1241", "Theft", "");
  rebuild();
  EXPECT_TRUE(bar->isHidden()) << Find<QLabel>("lblDuplicateHint")->text().toStdString();

  Full("D5", 2, "FIRE", "100 Main St", "Springfield", "1245", "Smoke", "");
  rebuild();
  ASSERT_FALSE(bar->isHidden());
  EXPECT_EQ(Find<QLabel>("lblDuplicateHintFor")->text(), "D5:");
  form.delivering = true;
  QTest::mouseClick(Find<QPushButton>("cmdHintOpen"), Qt::LeftButton);
  EXPECT_FALSE(bar->isHidden());  // refused: the hint waits for another try
  EXPECT_TRUE(form.started.empty());
  form.delivering = false;
  QTest::mouseClick(Find<QPushButton>("cmdHintOpen"), Qt::LeftButton);
  EXPECT_TRUE(bar->isHidden());
  EXPECT_EQ(form.started, (std::vector<std::string>{"D3"}));
  rebuild();
  EXPECT_TRUE(bar->isHidden()) << "answered, then shown again";

  // A report that turns up already deleted was not stored as a new call.
  Full("D6", 8, "FIRE", "100 Main St", "Springfield", "1246", "Smoke", "");
  rebuild();
  EXPECT_TRUE(bar->isHidden()) << Find<QLabel>("lblDuplicateHint")->text().toStdString();
}

}  // namespace
}  // namespace cadro::testing
