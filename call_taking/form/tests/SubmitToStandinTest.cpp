// Submitting through the real direct-link session to the stand-in server over TCP: what arrives
// is exactly the envelope the composer makes of the stored report.
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>

#include "FormFixture.h"
#include "ReportMessage.h"
#include "StandinStation.h"
#include "VtdirectDelivery.h"
#include "VtdirectStandin.h"

namespace cadro::form::testing {
namespace {

constexpr const char* kNewId = "XYZ26341.100";

class StandinTest : public FormTest {
protected:
  void UseServer(standin::VtdirectStandin& server) { UseStandin(*station, server); }

  void SetUp() override {
    FormTest::SetUp();
    realDelivery = std::make_unique<VtdirectDelivery>(link, *station);
    form = std::make_unique<frmCadrocts>(ts.services, *station, dir.str(), realDelivery.get());
    QObject::connect(form.get(), &frmCadrocts::listMustBeRebuilt, [this] { ++rebuilds; });
  }

  void TearDown() override { form.reset(); }

  VtdirectSession link{ts.services.prompts, {}};
  std::unique_ptr<VtdirectDelivery> realDelivery;

  void NewMedLawReport() {
    Open("NEW");
    Click("cmdRtype_0");
    Click("cmdRtype_2");
    FillRequired();
    Type("txtHeader_5", "555-0100");
    Click("chkReqContact");
    ClickTab(0);
    Type("txtMed_0", "80");
    Type("txtMed_1", "female");
    Click("optCons_1");
    Click("optBrea_1");
    ClickTab(2);
    Type("txtLaw_3", "blue van");
    Type("txtLaw_4", "7abc123");
    // A long detail line, so the envelope carries the soft line breaks of the wrapping.
    Type("txtHeader_7", " and was found by a neighbour who heard her calling from the kitchen floor", false);
  }
};

TEST_F(StandinTest, TheServerReceivesExactlyTheComposedEnvelopeOfTheStoredReport) {
  standin::VtdirectStandin server({});
  UseServer(server);
  // Once the host has the report, the disk says it may: a kill before the answer is stored as
  // Submitted must not let the next start send it again unasked.
  const std::string marks = JoinPath(dir.str(), ReportSubmission::kMarksFile);
  std::string marksWhenReceived = "(no envelope)";
  QObject::connect(&server, &standin::VtdirectStandin::envelopeReceived,
                   [&] { marksWhenReceived = PathExists(marks) ? ReadWholeFile(marks) : "(no file)"; });
  NewMedLawReport();
  Submit();
  EXPECT_EQ(marksWhenReceived, std::string(kNewId) + "\r\n");
  EXPECT_EQ(ReadWholeFile(marks), "");  // acknowledged and stored: no question left

  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(ts.prompts.shown.empty());
  const CadroMsg stored = LoadStored(kNewId);
  EXPECT_EQ(stored.AST(), kStateSubmitted);
  const Submission expected = ComposeEnvelope(stored, true, false, station->Values().Enc);
  ASSERT_EQ(server.Envelopes().size(), 1u);
  EXPECT_EQ(server.Envelopes()[0], expected.envelope);
  EXPECT_NE(expected.envelope.find("=\r\n"), std::string::npos);  // the wrapping reached the wire
  EXPECT_NE(expected.envelope.find("CNT=\\#252"), std::string::npos);
  EXPECT_NE(expected.subject.find("XYZ-100 / MED+LAW / Springfield"), std::string::npos);
  ASSERT_EQ(server.ConnectionBytes().size(), 1u);
  EXPECT_EQ(server.ConnectionBytes()[0], expected.envelope + "\r\nQUIT\r\n");
}

TEST_F(StandinTest, AConnectionLostBeforeTheAnswerLeavesTheReportReadyUntilAServerAcknowledges) {
  standin::StandinOptions rude;
  rude.closeAfterEnvelope = true;
  standin::VtdirectStandin closing(rude);
  UseServer(closing);
  NewMedLawReport();
  Submit();
  // The envelope was out when the line dropped: the host may have filed it.
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(ts.prompts.shown[0].text,
            "CmdSubmit: SendToClient Failed\r\n" + ReportSubmission::MayBeDeliveredText(kNewId));
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(LoadStored(kNewId).AST(), kStateReady);
  EXPECT_EQ(Find<QLabel>("sbrStatus_Status")->text(),
            "Message transfer problem after it was sent: Vtdirect may already have it");

  standin::VtdirectStandin server({});
  UseServer(server);
  ts.prompts.answers = {true};  // send it again
  Submit();
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(LoadStored(kNewId).AST(), kStateSubmitted);
  ASSERT_EQ(server.Envelopes().size(), 1u);
  EXPECT_EQ(server.Envelopes()[0], closing.Envelopes().at(0));
}

TEST_F(StandinTest, TextThatWouldBreakTheEnvelopeIsRefusedBeforeAnythingChanges) {
  standin::VtdirectStandin server({});
  UseServer(server);
  Open("NEW");
  Click("cmdRtype_3");
  FillRequired();
  Type("txtHeader_7", " then typed !/ADDON! here", false);
  Submit();
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_NE(ts.prompts.shown[0].text.find("Details"), std::string::npos);
  EXPECT_EQ(ts.prompts.shown[0].icon, PromptIcon::Exclamation);
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->ReportState(), kStateNew);
  EXPECT_FALSE(Stored(kNewId));
  EXPECT_EQ(rebuilds, 0);
  EXPECT_EQ(server.AcceptedConnections(), 0);
  EXPECT_EQ(QApplication::focusWidget(), Find("txtHeader_7"));
}

// A modal dialog opened over the program while a delivery waits for its answer runs an event
// loop of its own; the answer bound still holds inside it and the outcome is told at once.
TEST_F(StandinTest, AModalDialogOpenedDuringADeliveryDoesNotStretchItsBound) {
  form.reset();
  realDelivery = std::make_unique<VtdirectDelivery>(link, *station, 1000);  // a 1 s answer bound
  form = std::make_unique<frmCadrocts>(ts.services, *station, dir.str(), realDelivery.get());
  standin::StandinOptions silent;
  silent.silent = true;
  standin::VtdirectStandin server(silent);
  UseServer(server);
  Open("NEW");
  Click("cmdRtype_3");
  FillRequired();

  QElapsedTimer clock;
  qint64 toldAt = -1;
  bool dialogOpenWhenTold = false;
  QDialog* open = nullptr;
  // Notes the moment the failure is told, whichever event loop is running then.
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (toldAt < 0 && !ts.prompts.shown.empty()) {
      toldAt = clock.elapsed();
      dialogOpenWhenTold = open != nullptr;
    }
  });
  watch.start(10);
  QTimer::singleShot(200, [&] {
    QDialog dialog;
    open = &dialog;
    QTimer::singleShot(4000, &dialog, &QDialog::accept);
    dialog.exec();
    open = nullptr;
  });
  clock.start();
  Click("cmdSubmit");
  ASSERT_TRUE(QTest::qWaitFor([&] { return toldAt >= 0 && !open; }, 15000));
  EXPECT_TRUE(dialogOpenWhenTold);
  // Three pauses, the 1 s bound and the pause after the loss.
  EXPECT_LT(toldAt, 2500);
  EXPECT_EQ(ts.prompts.shown.at(0).text.rfind("CmdSubmit: SendToClient Failed", 0), 0u);
  EXPECT_EQ(LoadStored(kNewId).AST(), kStateReady);
  EXPECT_EQ(server.Envelopes().size(), 1u);
}

// A port in Cadrocts.ini that is no port is a setting to mend; the box says which one.
TEST_F(StandinTest, APortThatIsNoPortNamesTheSettingToMend) {
  cadro::testing::WriteFileBytes(station->path(), "Lid=XYZ\r\nUid=OPER1\r\nLoc=EOC\r\nPrt=99999\r\n");
  station->ReadIni();
  NewMedLawReport();
  Submit();
  ASSERT_EQ(ts.prompts.shown.size(), 2u);
  EXPECT_EQ(ts.prompts.shown[0].text,
            "The Vtdirect port 'Prt=99999' in Cadrocts.ini is not a port number from 1 to 65535.\r\n"
            "Set the Remote Port in Setup > Preferences, then submit again.");
  EXPECT_EQ(ts.prompts.shown[1].text, "CmdSubmit: SendToClient Failed");
  EXPECT_EQ(LoadStored(kNewId).AST(), kStateReady);
  EXPECT_TRUE(form->isVisible());
}

}  // namespace
}  // namespace cadro::form::testing
