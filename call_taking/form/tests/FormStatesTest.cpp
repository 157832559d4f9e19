// Longer roads through the entry form against the real link and the stand-in server: what one
// report leaves behind must not reach the next, a transfer that ended after the message went
// out is never sent again unasked, and a report the disk refuses can still go out. After every
// step the window must agree with the state table.
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "FormFixture.h"
#include "FormStates.h"
#include "QtPlatform.h"
#include "StandinStation.h"
#include "VtdirectDelivery.h"
#include "VtdirectStandin.h"

namespace cadro::form::testing {
namespace {

constexpr const char* kNewId = "XYZ26341.100";

class FormRoads : public FormTest {
protected:
  void SetUp() override {
    FormTest::SetUp();
    realDelivery = std::make_unique<VtdirectDelivery>(link, *station);
    form = std::make_unique<frmCadrocts>(ts.services, *station, dir.str(), realDelivery.get());
    QObject::connect(form.get(), &frmCadrocts::listMustBeRebuilt, [this] { ++rebuilds; });
  }
  void TearDown() override {
    ReadOnlyMessages(false);
    form.reset();
  }

  void UseServer(standin::VtdirectStandin& server) { UseStandin(*station, server); }
  void ReadOnlyMessages(bool readOnly) {
    std::filesystem::permissions(
        dir.path() / "msg.d", std::filesystem::perms::owner_write,
        readOnly ? std::filesystem::perm_options::remove : std::filesystem::perm_options::add);
  }
  void NewCompleteReport() {
    Open("NEW");
    Click("cmdRtype_3");
    FillRequired();
  }
  // The window agrees with the row of the state it is in.
  void ExpectWindowFollowsTable(FormState expected) {
    EXPECT_EQ(FormStateName(CurrentFormState(*form)), std::string(FormStateName(expected)));
    for (const std::string& problem : CheckFormWindow(*form)) ADD_FAILURE() << problem;
  }
  bool Told(const std::string& part) const {
    for (const auto& p : ts.prompts.shown)
      if (p.text.find(part) != std::string::npos) return true;
    return false;
  }

  VtdirectSession link{ts.services.prompts, {}};
  std::unique_ptr<VtdirectDelivery> realDelivery;
};

standin::StandinOptions Slow(int delayMs) {
  standin::StandinOptions slow;
  slow.slow = true;
  slow.delayMs = delayMs;
  return slow;
}

// The form was left greyed for every later report once a delivered report had waited to be
// stored and was then saved: the lock of the wait was never taken off the reused window.
TEST_F(FormRoads, AReportSavedAfterWaitingToBeStoredLeavesTheNextReportsEditable) {
  standin::VtdirectStandin server(Slow(1500));
  UseServer(server);
  NewCompleteReport();
  ExpectWindowFollowsTable(FormState::New);
  Click("cmdSubmit");
  ASSERT_TRUE(form->DeliveryRunning());
  ExpectWindowFollowsTable(FormState::Delivering);
  ReadOnlyMessages(true);
  ASSERT_TRUE(QTest::qWaitFor([this] { return !form->DeliveryRunning(); }, 10000));
  ASSERT_TRUE(form->AwaitingStore());
  EXPECT_TRUE(Told(ReportSubmission::DeliveredNotStoredText(kNewId)));
  ExpectWindowFollowsTable(FormState::AwaitingStore);

  ReadOnlyMessages(false);
  Click("cmdSave");
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(LoadStored(kNewId).AST(), kStateSubmitted);

  Open("NEW");
  ExpectWindowFollowsTable(FormState::New);
  Type("txtHeader_0", "noise");
  EXPECT_EQ(Line("txtHeader_0")->text(), "Noise");
  Click("cmdClose");
  Open(kNewId);
  ExpectWindowFollowsTable(FormState::Submitted);
  Type("txtHeader_7", " more", false);
  EXPECT_EQ(server.Envelopes().size(), 1u);
}

// Cancel once the envelope is on the wire: the host may file it all the same, so the operator
// is told, and a later Submit of that report asks first, with not sending as the default.
TEST_F(FormRoads, CancelAfterTheMessageWentOutSaysSoAndASecondSubmitAsksFirst) {
  standin::VtdirectStandin server(Slow(3000));
  UseServer(server);
  NewCompleteReport();
  Click("cmdSubmit");
  ASSERT_TRUE(QTest::qWaitFor([&] { return server.Envelopes().size() == 1; }, 10000));
  Click("cmdCancel");
  ASSERT_FALSE(form->DeliveryRunning());
  EXPECT_EQ(LoadStored(kNewId).AST(), kStateReady);
  EXPECT_NE(StatusText().toStdString().find("may already have it"), std::string::npos)
      << StatusText().toStdString();
  EXPECT_TRUE(Told(ReportSubmission::MayBeDeliveredText(kNewId)));
  ExpectWindowFollowsTable(FormState::ReadyMaybeDelivered);

  // Declined: nothing goes out, nothing changes.
  ts.prompts.answers = {false};
  Click("cmdSubmit");
  ASSERT_EQ(ts.prompts.shown.back().text, ReportSubmission::SendAgainQuestion(kNewId));
  EXPECT_TRUE(ts.prompts.shown.back().defaultNo);
  EXPECT_FALSE(form->DeliveryRunning());
  EXPECT_EQ(server.Envelopes().size(), 1u);

  // Another report in between, then this one from its file: still asked; agreed, it goes.
  Click("cmdClose");
  NewCompleteReport();
  ExpectWindowFollowsTable(FormState::New);
  Click("cmdClose");
  Open(kNewId);
  ExpectWindowFollowsTable(FormState::ReadyMaybeDelivered);
  ts.prompts.answers = {true};
  Submit();
  EXPECT_EQ(server.Envelopes().size(), 2u);
  EXPECT_EQ(LoadStored(kNewId).AST(), kStateSubmitted);
  EXPECT_FALSE(form->isVisible());
}

// A report the message folder refuses is still offered for sending (default: send); sent, it
// stays on the form until it can be stored, and is never sent twice.
TEST_F(FormRoads, AReportThatCannotBeStoredIsSentWhenTheOperatorSaysSoAndKeptUntilStored) {
  standin::VtdirectStandin server({});
  UseServer(server);
  NewCompleteReport();
  ReadOnlyMessages(true);

  ts.prompts.answers = {false};
  Click("cmdSubmit");
  const auto asked = std::find_if(ts.prompts.shown.begin(), ts.prompts.shown.end(),
                                  [](const cadro::testing::ShownPrompt& p) { return p.question; });
  ASSERT_NE(asked, ts.prompts.shown.end());
  EXPECT_NE(asked->text.find("could not be stored as Ready: "), std::string::npos) << asked->text;
  EXPECT_FALSE(asked->defaultNo);
  EXPECT_TRUE(Told(ReportSubmission::ReadyNotStoredText(kNewId)));
  EXPECT_EQ(server.Envelopes().size(), 0u);
  ExpectWindowFollowsTable(FormState::New);

  ts.prompts.answers = {true};
  Submit();
  ASSERT_EQ(server.Envelopes().size(), 1u);
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(form->AwaitingStore());
  EXPECT_FALSE(Stored(kNewId));
  ExpectWindowFollowsTable(FormState::AwaitingStore);
  Click("cmdSubmit");  // disabled: nothing happens
  EXPECT_EQ(server.Envelopes().size(), 1u);

  ReadOnlyMessages(false);
  Click("cmdSave");
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(LoadStored(kNewId).AST(), kStateSubmitted);
  EXPECT_EQ(LoadStored(kNewId).DTL(), "Hip pain, cannot stand up");
  NewCompleteReport();
  ExpectWindowFollowsTable(FormState::New);
}

// Sent without a file and not acknowledged: the report is neither stored nor delivered, so
// leaving it is still asked about as unsaved typing, and the operator is told both. It is still
// a new report: a report stored under its ID meanwhile (another station) is not replaced by it.
TEST_F(FormRoads, AnUnstoredReportThatWasNotDeliveredStaysUnsavedWork) {
  standin::StandinOptions closing;
  closing.closeOnConnect = true;
  standin::VtdirectStandin server(closing);
  UseServer(server);
  NewCompleteReport();
  ReadOnlyMessages(true);
  ts.prompts.answers = {true};
  Submit();
  EXPECT_TRUE(Told("is not stored either"));
  EXPECT_TRUE(form->isVisible());
  ExpectWindowFollowsTable(FormState::Ready);
  ReadOnlyMessages(false);
  WriteFileAtomic(FileOf(kNewId), "another station's report\r\n");
  ts.prompts.saveAnswers = {SaveChoice::Save};
  EXPECT_TRUE(form->CloseForm());
  EXPECT_EQ(ReadWholeFile(FileOf(kNewId)), "another station's report\r\n");
  EXPECT_TRUE(Told("names a report stored meanwhile"));
}

TEST_F(FormRoads, TheButtonsTheOperatorNeedsMostAnswerTheirAccessKeys) {
  standin::VtdirectStandin server({});
  UseServer(server);
  NewCompleteReport();
  // Access keys on one window must differ, or Alt+key only moves between the buttons.
  std::map<QChar, QString> keys;
  for (const QAbstractButton* b : form->findChildren<QAbstractButton*>()) {
    const QString t = b->text();
    const qsizetype at = t.indexOf(QLatin1Char('&'));
    if (at < 0 || at + 1 >= t.size()) continue;
    const QChar key = t.at(at + 1).toLower();
    EXPECT_FALSE(keys.count(key)) << "Alt+" << QString(key).toStdString() << ": " << keys[key].toStdString()
                                  << " and " << t.toStdString();
    keys[key] = t;
  }
  for (const char* name : {"cmdSubmit", "cmdSave"})
    EXPECT_TRUE(Find<QPushButton>(name)->text().contains(QLatin1Char('&'))) << name;

  QTest::keyClick(form.get(), Qt::Key_B, Qt::AltModifier);  // Su&bmit
  ASSERT_TRUE(QTest::qWaitFor([this] { return !form->isVisible(); }, 10000));
  EXPECT_EQ(server.Envelopes().size(), 1u);

  Open("NEW");
  Click("cmdRtype_3");
  FillRequired();
  const std::string draft = form->EventID();
  // An access key presses its button as a click does, once the button has shown itself down.
  QTest::keyClick(form.get(), Qt::Key_S, Qt::AltModifier);  // &Save
  ASSERT_TRUE(QTest::qWaitFor([this] { return !form->isVisible(); }, 5000));
  EXPECT_EQ(LoadStored(draft).AST(), kStateDraft);
  Open(kNewId);
  EXPECT_EQ(Find<QPushButton>("cmdSave")->text(), "U&pdate");
  QTest::keyClick(form.get(), Qt::Key_P, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([this] { return form->IsUpdate(); }, 5000));
}

// A stored report in a state the form does not know gets its own row, not the buttons the
// report before it left: a Save enabled by a submitted report would turn it into a draft.
TEST_F(FormRoads, AReportInAnUnknownStateTakesNothingFromThePreviousOne) {
  standin::VtdirectStandin server({});
  UseServer(server);
  NewCompleteReport();
  Submit();
  Open(kNewId);
  ExpectWindowFollowsTable(FormState::Submitted);
  Click("cmdClose");
  CadroMsg odd = LoadStored(kNewId);
  odd.SetAST(3);
  ASSERT_TRUE(odd.Fadd());
  Open(kNewId);
  ExpectWindowFollowsTable(FormState::UnknownState);
  EXPECT_FALSE(Find("cmdSave")->isEnabled());
  EXPECT_EQ(Find<QLabel>("Label22")->text(), "");
}

// The question about unsaved typing is answered from the keyboard: each answer has its own key.
TEST(SaveQuestion, EachAnswerHasItsOwnAccessKey) {
  const std::pair<Qt::Key, SaveChoice> cases[] = {
      {Qt::Key_S, SaveChoice::Save}, {Qt::Key_D, SaveChoice::Discard}, {Qt::Key_C, SaveChoice::Cancel}};
  for (const auto& [caseKey, expected] : cases) {
    const Qt::Key key = caseKey;  // a lambda may not capture a structured binding before C++20 clang
    int tries = 0;
    std::function<void()> press = [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible()) {
        if (++tries < 250) QTimer::singleShot(20, press);
        return;
      }
      QApplication::setActiveWindow(box);
      QTest::keyClick(box, key, Qt::AltModifier);
      // A key that pressed nothing leaves the box open; the test then ends it as Cancel would not.
      QTimer::singleShot(2000, box, [box] { box->done(QMessageBox::NoButton); });
    };
    QTimer::singleShot(0, press);
    QtPrompts prompts(QStringLiteral("Cadro"));
    const SaveChoice got = prompts.AskSaveDiscardCancel("Unsaved changes", {});
    EXPECT_EQ(static_cast<int>(got), static_cast<int>(expected))
        << "Alt+" << QKeySequence(key).toString().toStdString();
  }
}

// The state table itself: every state has one row, and a state that takes no typing offers a
// way out of it.
TEST(FormStateTable, EveryStateHasOneRowAndEveryRowAWayOn) {
  std::set<FormState> seen;
  for (const FormStateRow& row : FormStateTable()) {
    EXPECT_TRUE(seen.insert(row.state).second) << row.name;
    EXPECT_TRUE(row.closeEnabled || row.cancelShown) << row.name;
    EXPECT_EQ(row.submitEnabled, row.submit != Action::Refuse) << row.name;
  }
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(FormState::AwaitingStore) + 1);
}

}  // namespace
}  // namespace cadro::form::testing
