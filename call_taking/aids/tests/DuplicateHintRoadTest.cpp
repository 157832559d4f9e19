// The duplicate hint on the whole road: the operator saves a new report in the entry form and
// the list window it returns to shows the hint; the save itself goes through untouched.
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "AidsWindowFixture.h"
#include "FormFixture.h"
#include "WaitFor.h"
#include "frmCadromain.h"

namespace cadro::form::testing {
namespace {

class DuplicateRoad : public FormTest, public cadro::testing::AidsReports {
protected:
  std::string MessageFolder() override { return dir.File("msg.d"); }
  void SetUp() override {
    FormTest::SetUp();
    form.reset();
    std::filesystem::create_directory(dir.path() / "logs");
    list = std::make_unique<frmCadromain>(ts.services, *station, log, dir.str());
    list->SetModalRunner(AnswerStationIdentity);
    entry = new frmCadrocts(ts.services, *station, dir.str(), {}, list.get());
    QObject::connect(entry, &frmCadrocts::listMustBeRebuilt, list.get(), &frmCadromain::BuildNewMsgList);
    list->SetEntryForm(entry);
  }
  void TearDown() override { list->close(); }

  // A fire at 100 Main Street stored at 14:12, then a new call at the same place saved from the
  // entry form: the hint is up about the new report, whose event ID is kept in `eventId`.
  void SaveACallThatRepeatsAStoredFire() {
    Full("FS326341.090", 9, "FIRE", "100 Main Street", "Springfield", "1412", "Smoke", "", "261207");
    list->Startup();
    CADRO_WAIT_FOR(!list->Listing(), 20000);
    bar = list->findChild<QFrame*>("fraDuplicateHint");
    EXPECT_TRUE(bar && bar->isHidden());
    QTest::mouseClick(list->findChild<QPushButton*>("cmdNewReport"), Qt::LeftButton);
    EXPECT_TRUE(entry->isVisible());
    shown = entry;
    eventId = entry->EventID();
    Click("cmdRtype_1");
    FillRequired();  // "100 main st", "springfield"
    Type("txtFire_0", "unknown");
    Click("cmdSave");
    CADRO_WAIT_FOR(!list->Listing(), 20000);
  }

  SessionLog log{dir.str(), ts.services};
  std::unique_ptr<frmCadromain> list;
  frmCadrocts* entry = nullptr;
  QFrame* bar = nullptr;
  std::string eventId;
};

TEST_F(DuplicateRoad, SavingANewCallAtAKnownAddressShowsTheHintAndStillSaves) {
  // The fixture's clock stands at 14:20 on 7 December 2026.
  SaveACallThatRepeatsAStoredFire();
  ASSERT_NE(bar, nullptr);
  EXPECT_FALSE(entry->isVisible());
  EXPECT_TRUE(PathExists(JoinPath(dir.File("msg.d"), eventId + ".911")));
  ASSERT_FALSE(bar->isHidden());
  EXPECT_EQ(list->findChild<QLabel*>("lblDuplicateHint")->text(),
            "Possibly the same incident as FS326341.090 (FIRE, 14:12, 100 Main Street)");

  // Opening the stored report again and saving it is no new report: no new hint.
  QTest::mouseClick(list->findChild<QPushButton*>("cmdHintIgnore"), Qt::LeftButton);
  entry->StartForm(eventId);
  Click("cmdSave");
  CADRO_WAIT_FOR(!list->Listing(), 20000);
  EXPECT_TRUE(bar->isHidden());
}

TEST_F(DuplicateRoad, TheHintGoesWhenTheReportItNamesIsDeleted) {
  // Its Open would otherwise show a deleted report as the incident this call may repeat.
  SaveACallThatRepeatsAStoredFire();
  ASSERT_NE(bar, nullptr);
  ASSERT_FALSE(bar->isHidden());

  // The operator deletes the earlier report it names: the hint has nothing left to point at.
  entry->StartForm("FS326341.090");
  ASSERT_TRUE(entry->isVisible());
  Click("cmdDelete");
  CADRO_WAIT_FOR(!list->Listing(), 20000);
  EXPECT_FALSE(entry->isVisible());
  EXPECT_TRUE(bar->isHidden());
  EXPECT_TRUE(PathExists(JoinPath(dir.File("msg.d"), eventId + ".911")));
}

TEST_F(DuplicateRoad, TheHintGoesWhenTheReportItIsAboutNoLongerMatches) {
  // The operator corrects the new call's address: it no longer repeats the earlier report.
  SaveACallThatRepeatsAStoredFire();
  ASSERT_NE(bar, nullptr);
  ASSERT_FALSE(bar->isHidden());

  // Saving it unchanged keeps the hint; a corrected address takes it away.
  entry->StartForm(eventId);
  Click("cmdSave");
  CADRO_WAIT_FOR(!list->Listing(), 20000);
  EXPECT_FALSE(bar->isHidden());
  entry->StartForm(eventId);
  Type("txtHeader_1", " north");
  Click("cmdSave");
  CADRO_WAIT_FOR(!list->Listing(), 20000);
  EXPECT_TRUE(bar->isHidden());
}

}  // namespace
}  // namespace cadro::form::testing
