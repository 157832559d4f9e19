// The submit without any window: a record, what the operator entered, the real direct link and
// the stand-in server.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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

// A port on which connects neither succeed nor fail: the listen queue is full, so the kernel
// drops further SYNs and the client keeps retrying.
class BlackHole {
public:
  BlackHole() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), len);
    ::listen(listener_, 0);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    filler_ = ::socket(AF_INET, SOCK_STREAM, 0);
    ::connect(filler_, reinterpret_cast<sockaddr*>(&addr), len);
  }
  ~BlackHole() {
    ::close(filler_);
    ::close(listener_);
  }
  std::string Port() const { return std::to_string(port_); }

private:
  int listener_ = -1;
  int filler_ = -1;
  quint16 port_ = 0;
};

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
  QObject::connect(&submission, &ReportSubmission::stored, [this](int state) {
    if (state == kStateReady)
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

}  // namespace
}  // namespace cadro::form
