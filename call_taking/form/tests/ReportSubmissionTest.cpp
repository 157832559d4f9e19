// The submit without any window: a record, what the operator entered, the real direct link and
// the stand-in server.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <utility>

#include "BlackHole.h"
#include "CadroMsg.h"
#include "FileIO.h"
#include "FormFixture.h"
#include "ReportBinding.h"
#include "ReportSubmission.h"
#include "TestKit.h"
#include "VtdirectDelivery.h"
#include "VtdirectStandin.h"

namespace cadro::form {
namespace {

using cadro::testing::BlackHole;

// The station's identity (and the port of the server, when one is given) and one complete call.
void SetUpStationAndCall(CadroIni& station, SubmitRequest& request, const std::string& port) {
  StationSettings values;
  values.Lid = "XYZ";
  values.Uid = "OPER1";
  values.Loc = "EOC";
  if (!port.empty()) values.Prt = port;
  station.SetValues(values);
  request.eventId = "XYZ26341.100";
  request.messageId = "XYZ-100";
  request.content.typeSelected[kTypeLgov] = true;
  request.content.header = {"Fall", "100 Main St", "",         "Jane Roe",   "",
                            "",     "14:05",       "Hip pain", "Springfield"};
}

class SubmissionTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::filesystem::create_directory(dir.path() / "msg.d");
    ASSERT_TRUE(server.Listen(0));
    SetUpStationAndCall(station, request, std::to_string(server.Port()));
  }

  CadroMsg Stored() {
    CadroMsg msg(JoinPath(dir.str(), "msg.d"), ts.services);
    EXPECT_TRUE(msg.Load(request.eventId));
    return msg;
  }

  cadro::testing::TestServices ts;
  cadro::testing::TempDir dir;
  CadroIni station{dir.File("Cadrocts.ini"), ts.services};
  standin::VtdirectStandin server{{}};
  VtdirectSession link{ts.services.prompts, {}};
  VtdirectDelivery delivery{link, station};
  std::unique_ptr<CadroMsg> record = NewRecord(ts.services, dir.str());
  SubmitRequest request;
  ReportSubmission submission{ts.services, station, &delivery};
};

TEST_F(SubmissionTest, ReadyThenDeliveredThenSubmittedWithTheEnvelopeOfTheStoredReport) {
  QSignalSpy stored(&submission, &ReportSubmission::stored);
  QSignalSpy finished(&submission, &ReportSubmission::finished);
  ASSERT_EQ(submission.Submit(*record, kStateNew, request), SubmitOutcome::Delivering);
  EXPECT_TRUE(finished.isEmpty()) << "the delivery ends later, from the event loop";
  EXPECT_EQ(Stored().AST(), kStateReady);
  EXPECT_EQ(submission.EventUnderDelivery(), request.eventId);
  ASSERT_TRUE(finished.wait(10000));
  EXPECT_EQ(finished.at(0).at(0).value<SubmitOutcome>(), SubmitOutcome::Submitted);
  ASSERT_EQ(stored.size(), 2);
  EXPECT_EQ(stored.at(0).at(0).toInt(), kStateReady);
  EXPECT_EQ(stored.at(1).at(0).toInt(), kStateSubmitted);
  const CadroMsg msg = Stored();
  EXPECT_EQ(msg.AST(), kStateSubmitted);
  EXPECT_EQ(msg.UID(), "OPER1");
  ASSERT_EQ(server.Envelopes().size(), 1u);
  EXPECT_EQ(server.Envelopes()[0], ComposeEnvelope(msg, false, false, "BASE64").envelope);
  EXPECT_TRUE(submission.EventUnderDelivery().empty());
}

TEST_F(SubmissionTest, NothingIsStoredOrSentWhileTheLinkTestHoldsTheLink) {
  ASSERT_TRUE(link.VtdirectTest("x"));
  EXPECT_EQ(submission.Submit(*record, kStateNew, request), SubmitOutcome::LinkBusy);
  EXPECT_EQ(delivery.BusyText(), "The Vtdirect link test is running; submit again when it has ended");
  EXPECT_FALSE(PathExists(JoinPath(JoinPath(dir.str(), "msg.d"), request.eventId + ".911")));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !link.Busy(); }, 10000));
  EXPECT_TRUE(server.Envelopes().empty());
}

TEST_F(SubmissionTest, AReportNotStoredAsReadyNeverReachesTheServer) {
  std::filesystem::permissions(dir.path() / "msg.d", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  EXPECT_EQ(submission.Submit(*record, kStateNew, request), SubmitOutcome::ReadyNotStored);
  std::filesystem::permissions(dir.path() / "msg.d", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  EXPECT_FALSE(link.Busy());
  QTest::qWait(50);
  EXPECT_EQ(server.AcceptedConnections(), 0);
  EXPECT_FALSE(submission.Delivering());
}

// The rules hold in the class itself, whichever window drives it or is bypassed.
TEST_F(SubmissionTest, ASecondSubmitIsRefusedWhileADeliveredReportWaitsToBeStored) {
  // The folder turns read-only once the report is stored as Ready, so the Submitted save fails.
  QObject::connect(&submission, &ReportSubmission::stored, [this](int state) {
    if (state == kStateReady)
      std::filesystem::permissions(dir.path() / "msg.d", std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::remove);
  });
  QSignalSpy finished(&submission, &ReportSubmission::finished);
  ASSERT_EQ(submission.Submit(*record, kStateNew, request), SubmitOutcome::Delivering);
  ASSERT_TRUE(finished.wait(10000));
  ASSERT_EQ(finished.at(0).at(0).value<SubmitOutcome>(), SubmitOutcome::DeliveredNotStored);
  ASSERT_TRUE(submission.AwaitingStore());

  for (const int state : {kStateNew, kStateReady, kStateDraft}) {
    SubmitRequest again = request;
    again.sendAgain = true;
    again.sendUnstored = [](const std::string&) { return true; };
    EXPECT_EQ(submission.Submit(*record, state, again), SubmitOutcome::NotAllowed) << state;
  }
  QTest::qWait(50);
  EXPECT_EQ(server.AcceptedConnections(), 1);
  EXPECT_EQ(server.Envelopes().size(), 1u);

  std::filesystem::permissions(dir.path() / "msg.d", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  EXPECT_TRUE(submission.SaveSubmittedAgain());
  EXPECT_EQ(Stored().AST(), kStateSubmitted);
  EXPECT_FALSE(submission.AwaitingStore());
}

// Left unstored by the operator, the delivered report's file still says Ready; the host has it
// all the same, so a later Submit of it asks first.
TEST_F(SubmissionTest, ADeliveredReportLeftUnstoredIsNotSentAgainUnasked) {
  // Only the first delivery is left unstored; the one sent again is stored as Submitted.
  bool firstReady = true;
  QObject::connect(&submission, &ReportSubmission::stored, [this, &firstReady](int state) {
    if (state == kStateReady && std::exchange(firstReady, false))
      std::filesystem::permissions(dir.path() / "msg.d", std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::remove);
  });
  QSignalSpy finished(&submission, &ReportSubmission::finished);
  ASSERT_EQ(submission.Submit(*record, kStateNew, request), SubmitOutcome::Delivering);
  ASSERT_TRUE(finished.wait(10000));
  std::filesystem::permissions(dir.path() / "msg.d", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  submission.Forget();
  EXPECT_EQ(Stored().AST(), kStateReady);
  EXPECT_EQ(submission.Submit(*record, kStateReady, request), SubmitOutcome::MayBeDelivered);
  request.sendAgain = true;
  EXPECT_EQ(submission.Submit(*record, kStateReady, request), SubmitOutcome::Delivering);
  ASSERT_TRUE(finished.wait(10000));
  EXPECT_EQ(finished.last().at(0).value<SubmitOutcome>(), SubmitOutcome::Submitted);
  EXPECT_EQ(server.Envelopes().size(), 2u);
  EXPECT_FALSE(submission.MayBeDelivered(request.eventId));
}

// A connect bound or answer bound of 0 that reached the settings past the station dialog and
// the settings reader still waits the default bound: a bound of 0 would fail every delivery at once.
TEST_F(SubmissionTest, AZeroLinkBoundWaitsTheDefaultBoundInstead) {
  BlackHole hole;
  StationSettings values = station.Values();
  values.Prt = hole.Port();
  values.Nto = 0;
  station.SetValues(values);
  ASSERT_EQ(submission.Submit(*record, kStateNew, request), SubmitOutcome::Delivering);
  QTest::qWait(400);
  EXPECT_TRUE(submission.Delivering()) << "the connect gave up at once";
  submission.Cancel();
  EXPECT_FALSE(submission.Delivering());

  // The answer bound the same way: a silent server is waited for.
  standin::StandinOptions silent;
  silent.silent = true;
  standin::VtdirectStandin mute(silent);
  ASSERT_TRUE(mute.Listen(0));
  values.Prt = std::to_string(mute.Port());
  values.Nto = 3000;
  station.SetValues(values);
  VtdirectDelivery noBound(link, station, 0);
  ReportSubmission second(ts.services, station, &noBound);
  ASSERT_EQ(second.Submit(*record, kStateReady, request), SubmitOutcome::Delivering);
  ASSERT_TRUE(QTest::qWaitFor([&] { return mute.Envelopes().size() == 1; }, 5000));
  QTest::qWait(400);
  EXPECT_TRUE(second.Delivering()) << "the wait for the answer ended at once";
  second.Cancel();
  // Cancelled after the envelope went out: the class itself asks for consent before sending it again.
  EXPECT_TRUE(second.MayBeDelivered(request.eventId));
  EXPECT_EQ(second.Submit(*record, kStateReady, request), SubmitOutcome::MayBeDelivered);
  EXPECT_EQ(mute.Envelopes().size(), 1u);
}

// Another station's report reached the folder under the ID handed out as free, after it was
// checked: the report goes to the next free ID, however often that happens, and is sent under it.
TEST_F(SubmissionTest, ANewReportWhoseIdsAreTakenOneAfterAnotherIsStoredUnderTheNextFreeOne) {
  const std::string folder = JoinPath(dir.str(), "msg.d");
  WriteFileAtomic(JoinPath(folder, "XYZ26341.100.911"), "first");
  WriteFileAtomic(JoinPath(folder, "XYZ26341.101.911"), "second");
  request.newReport = true;
  int asked = 0;
  request.takeFreeIds = [&asked]() -> std::optional<EventIds> {
    return ++asked == 1 ? EventIds{"XYZ26341.101", "XYZ-101"} : EventIds{"XYZ26341.102", "XYZ-102"};
  };
  QSignalSpy finished(&submission, &ReportSubmission::finished);
  ASSERT_EQ(submission.Submit(*record, kStateNew, request), SubmitOutcome::Delivering);
  ASSERT_TRUE(finished.wait(10000));
  EXPECT_EQ(finished.at(0).at(0).value<SubmitOutcome>(), SubmitOutcome::Submitted);
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(ReadWholeFile(JoinPath(folder, "XYZ26341.100.911")), "first");
  EXPECT_EQ(ReadWholeFile(JoinPath(folder, "XYZ26341.101.911")), "second");
  CadroMsg msg(folder, ts.services);
  ASSERT_TRUE(msg.Load("XYZ26341.102"));
  EXPECT_EQ(msg.AST(), kStateSubmitted);
  EXPECT_EQ(msg.MID(), "XYZ-102");
  ASSERT_EQ(server.Envelopes().size(), 1u);
  EXPECT_NE(server.Envelopes()[0].find("EVNT=XYZ26341.102</AOMSG>"), std::string::npos);
}

// Which reports the host may already have, kept in the program folder: each ReportSubmission
// made here is one start of the program over the same folder.
class MarksTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::filesystem::create_directory(dir.path() / "msg.d");
    SetUpStationAndCall(station, request, {});
  }

  std::unique_ptr<ReportSubmission> Start() {
    auto started = std::make_unique<ReportSubmission>(ts.services, station, &delivery);
    started->KeepMarksIn(dir.str());
    return started;
  }

  // Submits and waits for the end of the delivery it starts.
  SubmitOutcome Deliver(ReportSubmission& submission, int state, const SubmitRequest& r) {
    QSignalSpy finished(&submission, &ReportSubmission::finished);
    const SubmitOutcome outcome = submission.Submit(*record, state, r);
    if (outcome != SubmitOutcome::Delivering) return outcome;
    EXPECT_TRUE(finished.wait(10000));
    return finished.isEmpty() ? outcome : finished.at(0).at(0).value<SubmitOutcome>();
  }

  // A new report `eventId` that the host acknowledges and that is stored as Ready, whereupon a
  // folder takes its file's name, so Submitted cannot be written.
  SubmitOutcome DeliverAcknowledgedButUnstorable(ReportSubmission& submission, const std::string& eventId) {
    const QMetaObject::Connection taking =
        QObject::connect(&submission, &ReportSubmission::stored, [&](int state) {
          if (state != kStateReady) return;
          std::filesystem::remove(ReportFile(eventId));
          std::filesystem::create_directory(ReportFile(eventId));
        });
    SubmitRequest r = request;
    r.eventId = eventId;
    script.envelopeWentOut = false;
    script.results.push_back(true);
    const SubmitOutcome outcome = Deliver(submission, kStateNew, r);
    QObject::disconnect(taking);
    return outcome;
  }

  std::string MarksFile() const { return JoinPath(dir.str(), ReportSubmission::kMarksFile); }
  std::string ReportFile(const std::string& eventId) const {
    return JoinPath(JoinPath(dir.str(), "msg.d"), eventId + ".911");
  }
  bool Logged(const std::string& part) const {
    for (const std::string& entry : ts.eventLog.entries)
      if (entry.find(part) != std::string::npos) return true;
    return false;
  }

  cadro::testing::TestServices ts;
  cadro::testing::TempDir dir;
  CadroIni station{dir.File("Cadrocts.ini"), ts.services};
  testing::DeliveryScript script;
  testing::ScriptedDelivery delivery{script};
  std::unique_ptr<CadroMsg> record = NewRecord(ts.services, dir.str());
  SubmitRequest request;
};

// A restart made the unanswered report a plain Ready one, and Submit sent it a second time.
TEST_F(MarksTest, ARestartStillAsksBeforeSendingAgainUntilTheHostAcknowledges) {
  ASSERT_EQ(::chmod(dir.str().c_str(), 02775), 0);
  script.envelopeWentOut = true;
  {
    auto first = Start();
    ASSERT_EQ(Deliver(*first, kStateNew, request), SubmitOutcome::NotDelivered);
  }
  struct stat st {};
  ASSERT_EQ(::stat(MarksFile().c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IWGRP) << "the other accounts of the station could not rewrite it";

  auto second = Start();
  EXPECT_TRUE(second->MayBeDelivered(request.eventId));
  EXPECT_EQ(second->Submit(*record, kStateReady, request), SubmitOutcome::MayBeDelivered);
  EXPECT_EQ(script.envelopes.size(), 1u);

  script.envelopeWentOut = false;
  script.results.push_back(true);
  request.sendAgain = true;
  ASSERT_EQ(Deliver(*second, kStateReady, request), SubmitOutcome::Submitted);
  second.reset();
  EXPECT_FALSE(Start()->MayBeDelivered(request.eventId));
  EXPECT_EQ(ReadWholeFile(MarksFile()), "");
}

// A kill right after the outcome is told loses nothing: the mark is on disk by then, whether the
// delivery went unanswered or was acknowledged and could not be stored.
TEST_F(MarksTest, TheMarkIsOnDiskBeforeTheOutcomeIsTold) {
  auto submission = Start();
  std::vector<bool> onDisk;
  QObject::connect(submission.get(), &ReportSubmission::finished,
                   [&] { onDisk.push_back(Start()->MayBeDelivered(request.eventId)); });
  script.envelopeWentOut = true;
  ASSERT_EQ(Deliver(*submission, kStateNew, request), SubmitOutcome::NotDelivered);

  const std::string other = "XYZ26341.101";
  ASSERT_EQ(DeliverAcknowledgedButUnstorable(*submission, other), SubmitOutcome::DeliveredNotStored);
  EXPECT_TRUE(Start()->MayBeDelivered(other));
  EXPECT_EQ(onDisk, (std::vector<bool>{true, true}));

  // Stored after all: the host's copy and the file agree, so no question is left.
  std::filesystem::remove(ReportFile(other));
  ASSERT_TRUE(submission->SaveSubmittedAgain());
  EXPECT_FALSE(Start()->MayBeDelivered(other));
  EXPECT_TRUE(Start()->MayBeDelivered(request.eventId));
}

// Killed after the host had the report and before it was stored as Submitted, the program came
// back to a plain Ready report and sent it a second time unasked.
TEST_F(MarksTest, AReportIsMarkedFromTheMomentItsEnvelopeGoesUntilItIsStoredAsSubmitted) {
  auto submission = Start();
  bool markedWhileOut = false;
  script.duringDelivery = [&] { markedWhileOut = Start()->MayBeDelivered(request.eventId); };
  script.results.push_back(true);
  ASSERT_EQ(Deliver(*submission, kStateNew, request), SubmitOutcome::Submitted);
  EXPECT_TRUE(markedWhileOut) << "a kill then would let the next start send it again unasked";
  EXPECT_FALSE(Start()->MayBeDelivered(request.eventId));
  // A delivery that ends before its envelope went out (no server) leaves no mark behind; one that
  // was marked before keeps its mark when it fails so again.
  SubmitRequest other = request;
  other.eventId = "XYZ26341.104";
  script.results.push_back(false);
  ASSERT_EQ(Deliver(*submission, kStateNew, other), SubmitOutcome::NotDelivered);
  EXPECT_FALSE(Start()->MayBeDelivered(other.eventId));
  EXPECT_EQ(ReadWholeFile(MarksFile()), "");
  script.envelopeWentOut = true;
  ASSERT_EQ(Deliver(*submission, kStateReady, other), SubmitOutcome::NotDelivered);
  script.envelopeWentOut = false;
  script.results.push_back(false);
  other.sendAgain = true;
  ASSERT_EQ(Deliver(*submission, kStateReady, other), SubmitOutcome::NotDelivered);
  EXPECT_TRUE(Start()->MayBeDelivered(other.eventId));
}

TEST_F(MarksTest, LinesThatNameNoReportAreDroppedAndTheRestKept) {
  WriteFileAtomic(ReportFile(request.eventId), "");
  WriteFileAtomic(ReportFile("XYZ26341.102"), "");
  WriteFileAtomic(MarksFile(), "../Cadrocts.ini\r\n\r\nXYZ26341.7\r\n" + request.eventId +
                                   "\n\x01XYZ\r\nXYZ26341.102\r\n" + request.eventId + "\r\nXYZ26341.1");
  auto submission = Start();
  EXPECT_TRUE(submission->MayBeDelivered(request.eventId));
  EXPECT_TRUE(submission->MayBeDelivered("XYZ26341.102"));
  EXPECT_FALSE(submission->MayBeDelivered("XYZ26341.7")) << "its report is gone";

  SubmitRequest another = request;
  another.eventId = "XYZ26341.103";
  script.envelopeWentOut = true;
  ASSERT_EQ(Deliver(*submission, kStateNew, another), SubmitOutcome::NotDelivered);
  EXPECT_EQ(ReadWholeFile(MarksFile()), request.eventId + "\r\nXYZ26341.102\r\nXYZ26341.103\r\n");
  EXPECT_TRUE(ts.eventLog.entries.empty());
}

// The envelope was announced but could not be written: only a mark this very delivery made is
// taken back. A report the host may have from an earlier delivery stays marked.
TEST_F(MarksTest, AWriteThatFailsTakesBackOnlyTheMarkItsOwnDeliveryMade) {
  auto submission = Start();
  script.envelopeWriteFails = true;
  ASSERT_EQ(Deliver(*submission, kStateNew, request), SubmitOutcome::NotDelivered);
  EXPECT_FALSE(submission->MayBeDelivered(request.eventId)) << "nothing reached the host";
  EXPECT_FALSE(Start()->MayBeDelivered(request.eventId));

  script.envelopeWriteFails = false;
  script.envelopeWentOut = true;
  ASSERT_EQ(Deliver(*submission, kStateReady, request), SubmitOutcome::NotDelivered);
  script.envelopeWentOut = false;
  script.envelopeWriteFails = true;
  request.sendAgain = true;
  ASSERT_EQ(Deliver(*submission, kStateReady, request), SubmitOutcome::NotDelivered);
  EXPECT_TRUE(submission->MayBeDelivered(request.eventId));
  EXPECT_TRUE(Start()->MayBeDelivered(request.eventId));
}

// The mark made as the envelope goes would hide a lost mark of the outcome: with a channel that
// does not announce its envelope, the outcome alone must leave it.
TEST_F(MarksTest, EachOutcomeMarksOnItsOwnWithoutTheAnnouncement) {
  script.announces = false;
  auto submission = Start();
  script.envelopeWentOut = true;
  ASSERT_EQ(Deliver(*submission, kStateNew, request), SubmitOutcome::NotDelivered);
  EXPECT_TRUE(Start()->MayBeDelivered(request.eventId));

  const std::string other = "XYZ26341.101";
  ASSERT_EQ(DeliverAcknowledgedButUnstorable(*submission, other), SubmitOutcome::DeliveredNotStored);
  EXPECT_TRUE(Start()->MayBeDelivered(other));
  submission->Forget();
  EXPECT_TRUE(submission->MayBeDelivered(other));
  EXPECT_TRUE(Start()->MayBeDelivered(other));
}

// A new report sent without a file (the folder could not be written) and left unanswered is still
// a new report at its next submit: the host may have it all the same, so that submit asks too.
TEST_F(MarksTest, ANewReportSentWithoutItsFileIsAskedAboutBeforeItGoesAgain) {
  auto submission = Start();
  request.newReport = true;
  request.takeFreeIds = [] { return std::optional<EventIds>(); };
  request.sendUnstored = [](const std::string&) { return true; };
  std::filesystem::permissions(dir.path() / "msg.d", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  script.envelopeWentOut = true;
  ASSERT_EQ(Deliver(*submission, kStateNew, request), SubmitOutcome::NotDelivered);
  ASSERT_TRUE(submission->SentUnstored());
  EXPECT_EQ(submission->Submit(*record, kStateNew, request), SubmitOutcome::MayBeDelivered);
  std::filesystem::permissions(dir.path() / "msg.d", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  EXPECT_EQ(script.envelopes.size(), 1u);
}

// At the cap the oldest marks give way; the newest, a report the host may have just received,
// never does.
TEST_F(MarksTest, PastTheCapTheOldestMarksGoAndANewMarkIsAlwaysKept) {
  const auto id = [](std::size_t i) { return "XYZ26341." + std::to_string(1000 + i); };
  std::string text;
  for (std::size_t i = 0; i <= ReportSubmission::kMaxMarks; ++i) {
    std::ofstream(ReportFile(id(i)));
    text += id(i) + "\r\n";
  }
  WriteFileAtomic(MarksFile(), text);
  auto submission = Start();
  EXPECT_FALSE(submission->MayBeDelivered(id(0)));
  EXPECT_TRUE(submission->MayBeDelivered(id(1)));
  EXPECT_TRUE(submission->MayBeDelivered(id(ReportSubmission::kMaxMarks)));

  script.envelopeWentOut = true;
  ASSERT_EQ(Deliver(*submission, kStateNew, request), SubmitOutcome::NotDelivered);
  EXPECT_TRUE(submission->MayBeDelivered(request.eventId));
  EXPECT_FALSE(submission->MayBeDelivered(id(1)));
  auto restarted = Start();
  EXPECT_TRUE(restarted->MayBeDelivered(request.eventId));
  EXPECT_TRUE(restarted->MayBeDelivered(id(2)));
  EXPECT_FALSE(restarted->MayBeDelivered(id(1)));
}

// The marks' file is no reason to hold an emergency report back: the marks live on in memory.
TEST_F(MarksTest, AMarksFileThatCannotBeReadOrWrittenNeverStopsASubmission) {
  std::filesystem::create_directory(MarksFile());
  auto submission = Start();
  EXPECT_TRUE(Logged("ReportSubmission:KeepMarksIn"));
  script.envelopeWentOut = true;
  QSignalSpy status(submission.get(), &ReportSubmission::status);
  ASSERT_EQ(Deliver(*submission, kStateNew, request), SubmitOutcome::NotDelivered);
  EXPECT_TRUE(Logged("ReportSubmission:WriteMarks"));
  EXPECT_FALSE(status.isEmpty());
  EXPECT_EQ(submission->Submit(*record, kStateReady, request), SubmitOutcome::MayBeDelivered);
  script.results.push_back(true);
  request.sendAgain = true;
  EXPECT_EQ(Deliver(*submission, kStateReady, request), SubmitOutcome::Submitted);
  EXPECT_EQ(script.envelopes.size(), 2u);
}

}  // namespace
}  // namespace cadro::form
