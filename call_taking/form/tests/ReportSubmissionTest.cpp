// The submit without any window: a record, what the operator entered, the real direct link and
// the stand-in server.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "CadroMsg.h"
#include "FileIO.h"
#include "ReportBinding.h"
#include "ReportSubmission.h"
#include "TestKit.h"
#include "VtdirectDelivery.h"
#include "VtdirectStandin.h"

namespace cadro::form {
namespace {

class SubmissionTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::filesystem::create_directory(dir.path() / "msg.d");
    ASSERT_TRUE(server.Listen(0));
    StationSettings values;
    values.Lid = "XYZ";
    values.Uid = "OPER1";
    values.Loc = "EOC";
    values.Prt = std::to_string(server.Port());
    station.SetValues(values);
    request.eventId = "XYZ26341.100";
    request.messageId = "XYZ-100";
    request.content.typeSelected[kTypeLgov] = true;
    request.content.header = {"Fall", "100 Main St", "",         "Jane Roe",   "",
                              "",     "14:05",       "Hip pain", "Springfield"};
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

}  // namespace
}  // namespace cadro::form
