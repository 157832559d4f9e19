// Submitting from the entry form: the states a report passes through, failed and repeated
// deliveries, updates of a submitted report, and what is refused while a delivery runs.
#include <QPushButton>
#include <filesystem>

#include "FormFixture.h"

namespace cadro::form::testing {
namespace {

constexpr const char* kNewId = "XYZ26341.100";

class SubmitTest : public FormTest {
protected:
  // A new LGOV report with every required field, left open.
  void NewCompleteReport() {
    Open("NEW");
    Click("cmdRtype_3");
    FillRequired();
  }

  // A report submitted once, stored in state 9.
  void SubmittedReport() {
    NewCompleteReport();
    script.results.push_back(true);
    Submit();
    ASSERT_EQ(LoadStored(kNewId).AST(), kStateSubmitted);
  }
};

TEST_F(SubmitTest, AnAcknowledgedDeliveryMarksTheReportSubmittedAndCloses) {
  NewCompleteReport();
  script.results.push_back(true);
  Submit();
  ASSERT_EQ(script.envelopes.size(), 1u);
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(rebuilds, 2);  // once ready, once submitted
  const CadroMsg stored = LoadStored(kNewId);
  EXPECT_EQ(stored.AST(), kStateSubmitted);
  EXPECT_EQ(stored.TYP(), "LGOV");
  EXPECT_EQ(script.subjects[0].find(" -- UPDATE"), std::string::npos);
  EXPECT_TRUE(ts.prompts.shown.empty());
}

TEST_F(SubmitTest, AFailedDeliveryLeavesTheReportReadyAndALaterOneSubmits) {
  NewCompleteReport();
  script.results.push_back(false);
  Submit();
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(ts.prompts.shown[0].text, "CmdSubmit: SendToClient Failed");
  EXPECT_EQ(ts.prompts.shown[0].icon, PromptIcon::Exclamation);
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->ReportState(), kStateReady);
  EXPECT_EQ(Find<QLabel>("Label22")->text(), "Ready, not Submitted");
  EXPECT_FALSE(Find("cmdSave")->isEnabled());
  EXPECT_TRUE(Find("cmdSubmit")->isEnabled());
  EXPECT_TRUE(Find("txtHeader_0")->isEnabled());  // editing is open again
  EXPECT_EQ(LoadStored(kNewId).AST(), kStateReady);
  EXPECT_EQ(rebuilds, 1);

  script.results.push_back(true);
  Submit();
  EXPECT_EQ(script.envelopes.size(), 2u);
  EXPECT_EQ(script.envelopes[0], script.envelopes[1]);
  EXPECT_EQ(LoadStored(kNewId).AST(), kStateSubmitted);
  EXPECT_FALSE(form->isVisible());
}

// Restarted (or killed) after a delivery ended unanswered with its envelope out, the program
// sent the report again at the next Submit without asking.
TEST_F(SubmitTest, AfterARestartAReportTheHostMayHaveIsStillAskedAbout) {
  NewCompleteReport();
  script.envelopeWentOut = true;
  Submit();
  ASSERT_EQ(LoadStored(kNewId).AST(), kStateReady);
  form = std::make_unique<frmCadrocts>(ts.services, *station, dir.str(), &delivery);
  script.envelopeWentOut = false;
  script.results.push_back(true);
  Open(kNewId);
  ts.prompts.answers = {false};
  Click("cmdSubmit");
  EXPECT_EQ(ts.prompts.shown.back().text, ReportSubmission::SendAgainQuestion(kNewId));
  EXPECT_EQ(script.envelopes.size(), 1u);
  EXPECT_EQ(LoadStored(kNewId).AST(), kStateReady);
}

TEST_F(SubmitTest, AReadyReportReopenedLaterCanBeSubmitted) {
  NewCompleteReport();
  Submit();  // no answer scripted: the delivery fails
  Click("cmdClose");
  Open(kNewId);
  EXPECT_EQ(form->ReportState(), kStateReady);
  script.results.push_back(true);
  Submit();
  EXPECT_EQ(LoadStored(kNewId).AST(), kStateSubmitted);
}

TEST_F(SubmitTest, ASubmittedReportCannotBeSubmittedAgainButOffersUpdate) {
  SubmittedReport();
  Open(kNewId);
  EXPECT_EQ(Find<QLabel>("Label22")->text(), "Submitted Report");
  EXPECT_EQ(Find<QPushButton>("cmdSave")->text(), "U&pdate");
  EXPECT_FALSE(Find("cmdSubmit")->isEnabled());
  form->findChild<QPushButton*>("cmdSubmit")->click();  // even a forced click does nothing
  EXPECT_EQ(script.envelopes.size(), 1u);
}

TEST_F(SubmitTest, UpdateThenSubmitInTheSameOpeningIsMarkedAsAnUpdate) {
  SubmittedReport();
  const CadroMsg submitted = LoadStored(kNewId);
  ts.clock.now.minute = 45;
  Open(kNewId);
  Click("cmdSave");  // "Update"
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(form->IsUpdate());
  EXPECT_EQ(form->ReportState(), kStateNew);
  EXPECT_EQ(Find<QLabel>("Label22")->text(), "New Report");
  EXPECT_EQ(Find<QPushButton>("cmdSave")->text(), "&Save");
  EXPECT_EQ(Multi("txtHeader_7")->toPlainText(),
            QString::fromStdString("UPDATE for " + submitted.EID() + "/" + submitted.ADT() + ", " +
                                   submitted.ATM() + "\nHip pain, cannot stand up"));
  EXPECT_EQ(rebuilds, 2);  // Update does not ask the list to rebuild
  const CadroMsg updating = LoadStored(kNewId);
  EXPECT_EQ(updating.AST(), kStateNew);
  EXPECT_EQ(updating.DTL().rfind("UPDATE for XYZ26341.100/261207, 1420\\n", 0), 0u);

  QTest::keyClicks(Find("txtHeader_7"), " - now conscious");
  script.results.push_back(true);
  Submit();
  ASSERT_EQ(script.subjects.size(), 2u);
  EXPECT_NE(script.subjects[1].find(" -- UPDATE"), std::string::npos);
  EXPECT_EQ(LoadStored(kNewId).AST(), kStateSubmitted);
  EXPECT_EQ(LoadStored(kNewId).ATM(), "1445");

  // The next report opened in the form is no update.
  Open("NEW");
  EXPECT_FALSE(form->IsUpdate());
}

TEST_F(SubmitTest, AnUpdateSubmittedInALaterOpeningIsNotMarked) {
  SubmittedReport();
  Open(kNewId);
  Click("cmdSave");  // "Update"
  Click("cmdClose");
  Open(kNewId);
  EXPECT_EQ(form->ReportState(), kStateNew);
  EXPECT_FALSE(form->IsUpdate());
  script.results.push_back(true);
  Submit();
  ASSERT_EQ(script.subjects.size(), 2u);
  EXPECT_EQ(script.subjects[1].find(" -- UPDATE"), std::string::npos);
  EXPECT_EQ(LoadStored(kNewId).DTL().rfind("UPDATE for ", 0), 0u);
}

TEST_F(SubmitTest, NothingCanCloseDeleteOrResubmitWhileADeliveryRuns) {
  NewCompleteReport();
  bool checked = false;
  script.duringDelivery = [&] {
    checked = true;
    EXPECT_TRUE(form->DeliveryRunning());
    for (const char* b : {"cmdSubmit", "cmdSave", "cmdDelete", "cmdClose"})
      EXPECT_FALSE(Find(b)->isEnabled()) << b;
    EXPECT_FALSE(Find("txtHeader_7")->isEnabled());
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_FALSE(form->close());
    form->StartForm("NEW");
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->EventID(), kNewId);
    EXPECT_EQ(StatusText(), "A delivery to Vtdirect is running; please wait until it ends");
  };
  script.results.push_back(false);
  Submit();
  EXPECT_TRUE(checked);
  EXPECT_FALSE(form->DeliveryRunning());
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(station->Values().Eno, 101);  // no second report was started
  EXPECT_TRUE(Find("cmdClose")->isEnabled());
  Click("cmdClose");
  EXPECT_FALSE(form->isVisible());
}

TEST_F(SubmitTest, ValidationFailureStoresNothingAndSendsNothing) {
  Open("NEW");
  Click("cmdRtype_1");
  FillRequired();
  Submit();  // people inside? is missing
  EXPECT_TRUE(script.envelopes.empty());
  EXPECT_FALSE(Stored(kNewId));
  EXPECT_EQ(form->ReportState(), kStateNew);
  EXPECT_EQ(StatusText(), "Missing data in a required field");
}

// The message folder without its owner's write bit is read-only (as root too).
class StoreFailureTest : public SubmitTest {
protected:
  void ReadOnlyMessages(bool readOnly) {
    std::filesystem::permissions(
        dir.path() / "msg.d", std::filesystem::perms::owner_write,
        readOnly ? std::filesystem::perm_options::remove : std::filesystem::perm_options::add);
  }
  void TearDown() override { ReadOnlyMessages(false); }
  bool Told(const std::string& text) const {
    for (const auto& p : ts.prompts.shown)
      if (p.text == text) return true;
    return false;
  }
};

TEST_F(StoreFailureTest, AReportThatCannotBeStoredAsReadyIsNotSentWhenTheOperatorDeclines) {
  NewCompleteReport();
  ReadOnlyMessages(true);
  script.results.push_back(true);
  ts.prompts.answers = {false};  // send it anyway?
  Submit();
  EXPECT_TRUE(script.envelopes.empty());
  EXPECT_FALSE(Stored(kNewId));
  EXPECT_TRUE(Told(ReportSubmission::ReadyNotStoredText(kNewId)));
  EXPECT_NE(ts.prompts.shown.at(0).text.find("Problems saving"), std::string::npos);
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->ReportState(), kStateNew);
  EXPECT_EQ(Multi("txtHeader_7")->toPlainText(), "Hip pain, cannot stand up");
  EXPECT_TRUE(Find("cmdSubmit")->isEnabled());
  EXPECT_EQ(rebuilds, 0);

  ReadOnlyMessages(false);
  Submit();
  EXPECT_EQ(script.envelopes.size(), 1u);
  EXPECT_EQ(LoadStored(kNewId).AST(), kStateSubmitted);
  EXPECT_FALSE(form->isVisible());
}

TEST_F(StoreFailureTest, ADeliveredReportThatCannotBeStoredStaysOpenToBeSavedAndIsNeverSentTwice) {
  NewCompleteReport();
  script.results.push_back(true);
  script.duringDelivery = [this] { ReadOnlyMessages(true); };
  Submit();
  ASSERT_EQ(script.envelopes.size(), 1u);
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(form->AwaitingStore());
  EXPECT_TRUE(Told(ReportSubmission::DeliveredNotStoredText(kNewId)));
  EXPECT_EQ(LoadStored(kNewId).AST(), kStateReady);
  EXPECT_EQ(StatusText(), "Delivered, but not stored: press Save to store the report");
  EXPECT_FALSE(Find("cmdSubmit")->isEnabled());
  EXPECT_FALSE(Find("cmdDelete")->isEnabled());
  EXPECT_TRUE(Find("cmdSave")->isEnabled());
  EXPECT_EQ(Find<QPushButton>("cmdSave")->text(), "&Save");
  // The list may not delete it meanwhile: its Submitted save is still to come.
  EXPECT_EQ(form->ReportUnderDelivery(), kNewId);

  // Leaving it is asked about; No keeps the form, as does another report.
  ts.prompts.answers = {false, false};
  Click("cmdClose");
  EXPECT_TRUE(form->isVisible());
  form->StartForm("NEW");
  EXPECT_EQ(form->EventID(), kNewId);
  // Saving while the folder is still read-only says so again and keeps it.
  Click("cmdSave");
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(LoadStored(kNewId).AST(), kStateReady);

  ReadOnlyMessages(false);
  Click("cmdSave");
  EXPECT_FALSE(form->isVisible());
  const CadroMsg stored = LoadStored(kNewId);
  EXPECT_EQ(stored.AST(), kStateSubmitted);
  EXPECT_EQ(stored.DTL(), "Hip pain, cannot stand up");
  EXPECT_EQ(script.envelopes.size(), 1u);
  EXPECT_TRUE(form->ReportUnderDelivery().empty());
}

TEST_F(SubmitTest, ASubmitWhileTheLinkTestRunsIsRefusedAndChangesNothing) {
  NewCompleteReport();
  script.linkTestRunning = true;
  script.results.push_back(true);
  Submit();
  EXPECT_TRUE(script.envelopes.empty());
  EXPECT_FALSE(Stored(kNewId));
  EXPECT_EQ(form->ReportState(), kStateNew);
  EXPECT_EQ(StatusText(), "The Vtdirect link test is running; submit again when it has ended");
  EXPECT_EQ(ts.prompts.beeps, 1);

  script.linkTestRunning = false;
  Submit();
  EXPECT_EQ(LoadStored(kNewId).AST(), kStateSubmitted);
}

}  // namespace
}  // namespace cadro::form::testing
