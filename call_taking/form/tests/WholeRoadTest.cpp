// The whole road of a report: New Report in the list window, the entry form, a submit over TCP
// to the stand-in server, and the list showing the report as submitted.
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>

#include "FormFixture.h"
#include "IncidentListModel.h"
#include "VtdirectDelivery.h"
#include "VtdirectStandin.h"
#include "WaitFor.h"
#include "frmCadromain.h"

namespace cadro::form::testing {
namespace {

class WholeRoad : public FormTest {
protected:
  void SetUp() override {
    FormTest::SetUp();
    form.reset();
    std::filesystem::create_directory(dir.path() / "logs");
    ASSERT_TRUE(server.Listen(0));

    list = std::make_unique<frmCadromain>(ts.services, *station, log, dir.str());
    list->SetModalRunner(AnswerStationIdentity);
    // The program's wiring: the form lives beside the list, on the same settings and log.
    realDelivery = std::make_unique<VtdirectDelivery>(link, *station);
    entry = new frmCadrocts(ts.services, *station, dir.str(), realDelivery.get(), list.get());
    QObject::connect(entry, &frmCadrocts::listMustBeRebuilt, list.get(), &frmCadromain::BuildNewMsgList);
    list->SetEntryForm(entry);
    list->Startup();
    WaitForList();
    {
      StationSettings changed = station->Values();
      changed.Prt = std::to_string(server.Port());
      station->SetValues(changed);
    }
  }

  void TearDown() override { list->close(); }
  void WaitForList() { CADRO_WAIT_FOR(!list->Listing(), 20000); }

  QStringList Column(int c) const {
    QStringList out;
    for (int r = 0; r < list->Model().rowCount(); ++r) out << list->Model().Text(r, c);
    return out;
  }

  standin::VtdirectStandin server{{}};
  SessionLog log{dir.str(), ts.services};
  VtdirectSession link{ts.services.prompts, {[this](const std::string& line) { log.WriteLog(line); }, {}}};
  std::unique_ptr<VtdirectDelivery> realDelivery;
  std::unique_ptr<frmCadromain> list;
  frmCadrocts* entry = nullptr;
};

TEST_F(WholeRoad, ANewCallIsSubmittedAndListedAsSubmitted) {
  QTest::mouseClick(list->findChild<QPushButton*>("cmdNewReport"), Qt::LeftButton);
  ASSERT_TRUE(entry->isVisible());
  shown = entry;  // the fixture's helpers act on the program's entry form
  QApplication::setActiveWindow(entry);
  ASSERT_TRUE(QTest::qWaitForWindowActive(entry));
  const std::string eventId = entry->EventID();
  EXPECT_EQ(eventId.rfind("FS326341.", 0), 0u);

  Click("cmdRtype_1");
  FillRequired();
  Type("txtFire_0", "unknown");
  Click("cmdSave");
  EXPECT_FALSE(entry->isVisible());
  QTest::mouseClick(list->findChild<QPushButton*>("cmdFolder_6"), Qt::LeftButton);
  WaitForList();
  EXPECT_EQ(Column(0), QStringList{QString::fromStdString(eventId)});
  EXPECT_EQ(Column(1), QStringList{"Draft"});

  list->List()->setCurrentIndex(list->Model().index(0, 0));
  list->LV_DblClick();
  ASSERT_TRUE(entry->isVisible());
  EXPECT_EQ(entry->ReportState(), kStateDraft);
  Submit();
  EXPECT_FALSE(entry->isVisible());
  ASSERT_EQ(server.Envelopes().size(), 1u);
  EXPECT_NE(server.Envelopes()[0].find("EVNT=" + eventId + "</AOMSG>"), std::string::npos);
  WaitForList();
  EXPECT_EQ(list->Model().rowCount(), 0);  // no longer a draft

  QTest::mouseClick(list->findChild<QPushButton*>("cmdFolder_9"), Qt::LeftButton);
  WaitForList();
  EXPECT_EQ(Column(0), QStringList{QString::fromStdString(eventId)});
  EXPECT_EQ(Column(1), QStringList{"Submitted"});
  EXPECT_TRUE(ts.prompts.shown.empty());
}

// While a report is out for delivery, the list cannot delete it or open it again and the link
// test is refused; Cancel ends the wait at once, the report stays Ready and the log says so.
TEST_F(WholeRoad, TheReportUnderDeliveryIsGuardedAndCancelKeepsItReady) {
  standin::StandinOptions silent;
  silent.silent = true;
  standin::VtdirectStandin mute(silent);
  ASSERT_TRUE(mute.Listen(0));
  {
    StationSettings changed = station->Values();
    changed.Prt = std::to_string(mute.Port());
    station->SetValues(changed);
  }
  QTest::mouseClick(list->findChild<QPushButton*>("cmdNewReport"), Qt::LeftButton);
  shown = entry;
  QApplication::setActiveWindow(entry);
  ASSERT_TRUE(QTest::qWaitForWindowActive(entry));
  const QString eventId = QString::fromStdString(entry->EventID());
  Click("cmdRtype_3");
  FillRequired();
  EXPECT_FALSE(Find("cmdCancel")->isVisible());
  Click("cmdSubmit");
  ASSERT_TRUE(entry->DeliveryRunning());
  ASSERT_TRUE(QTest::qWaitFor([&] { return mute.Envelopes().size() == 1; }, 5000));
  EXPECT_TRUE(Find("cmdCancel")->isVisible());
  EXPECT_TRUE(Find("cmdCancel")->isEnabled());

  WaitForList();
  // The list shows it Ready; deleting it is refused with a reason, other rows are not touched.
  ASSERT_EQ(Column(0), QStringList{eventId});
  list->List()->setCurrentIndex(list->Model().index(0, 0));
  list->cmdDelete_Click();
  EXPECT_EQ(Column(0), QStringList{eventId});
  EXPECT_EQ(LoadStored(eventId.toStdString()).AST(), kStateReady);
  EXPECT_EQ(list->findChild<QLabel*>("sbrStatus_Status")->text(),
            "The report " + eventId + " is being delivered; it cannot be deleted now");
  // Opening it again, or anything else, is refused in the list, where the operator asked.
  list->LV_DblClick();
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_NE(ts.prompts.shown[0].text.find(" is being delivered to the host."), std::string::npos);
  ts.prompts.shown.clear();
  // The link test does not run beside it.
  EXPECT_FALSE(RunLinkTestFromPreferences(link, "127.0.0.1", std::to_string(server.Port()), ts.prompts));
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(ts.prompts.shown[0].text, std::string(kLinkTestRefused));
  EXPECT_EQ(server.AcceptedConnections(), 0);

  QElapsedTimer timer;
  timer.start();
  Click("cmdCancel");
  EXPECT_FALSE(entry->DeliveryRunning());
  EXPECT_LT(timer.elapsed(), 500);
  EXPECT_FALSE(Find("cmdCancel")->isVisible());
  EXPECT_TRUE(entry->isVisible());
  EXPECT_EQ(entry->ReportState(), kStateReady);
  EXPECT_EQ(Find<QLabel>("Label22")->text(), "Ready, not Submitted");
  // The envelope was out: the operator hears that the host may already have it.
  EXPECT_EQ(StatusText(), "Message transfer cancelled after it was sent: Vtdirect may already have it");
  EXPECT_EQ(LoadStored(eventId.toStdString()).AST(), kStateReady);
  ASSERT_EQ(ts.prompts.shown.size(), 2u);
  EXPECT_EQ(ts.prompts.shown[1].text, ReportSubmission::MayBeDeliveredText(eventId.toStdString()));
  const std::string logged = cadro::testing::ReadFileBytes(log.LogPath());
  EXPECT_NE(logged.find("SendToClient: cancelled by the operator after the message was sent"),
            std::string::npos)
      << logged;

  // Now the list may delete it.
  list->cmdDelete_Click();
  EXPECT_TRUE(Column(0).isEmpty());
  EXPECT_EQ(LoadStored(eventId.toStdString()).AST(), kStateDeleted);
}

}  // namespace
}  // namespace cadro::form::testing
