// The session against the real stand-in server on an ephemeral loopback port.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDialog>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTest>
#include <algorithm>
#include <memory>

#include "BlackHole.h"
#include "RunSession.h"
#include "StationRules.h"
#include "TestKit.h"
#include "VtdirectSession.h"
#include "VtdirectStandin.h"

namespace cadro {
namespace {

using standin::StandinOptions;
using standin::VtdirectStandin;

// Two lines, as a wrapped message makes them: the CR LF inside belongs to the envelope.
const std::string kEnvelope =
    "<AOAON>CADRO</AOAON><AOSUB>XYZ-100 / MED / Springfield</AOSUB><AOMSG>TYPE=MED\r\n"
    "EVNT=XYZ21045.100</AOMSG><AOURG>TRUE</AOURG><AOTYP>PVT</AOTYP><ENCOD>BASE64</ENCOD>!/ADDON!";
const std::string kSubject = "XYZ-100 / MED / Springfield";

using cadro::testing::BlackHole;

class SessionTest : public ::testing::Test {
protected:
  void SetUp() override {
    session_ = std::make_unique<VtdirectSession>(
        services_.prompts, LinkHooks{[this](const std::string& s) { log_.push_back(s); },
                                     [this](const std::string& s) { status_.push_back(s); }});
  }

  void StartServer(StandinOptions options = {}) {
    server_ = std::make_unique<VtdirectStandin>(options);
    ASSERT_TRUE(server_->Listen(0));
    LinkSettings settings;
    settings.Prt = std::to_string(server_->Port());
    settings.Nto = 2000;
    settings.promptWaitMs = 300;
    session_->SetSettings(settings);
  }

  void SetPort(const std::string& port, int nto = 2000) {
    LinkSettings settings = session_->Settings();
    settings.Prt = port;
    settings.Nto = nto;
    session_->SetSettings(settings);
  }

  // Times one delivery.
  bool Deliver(qint64* elapsedMs = nullptr) {
    QElapsedTimer timer;
    timer.start();
    const bool delivered = testing::Deliver(*session_, kEnvelope, kSubject);
    if (elapsedMs) *elapsedMs = timer.elapsed();
    return delivered;
  }

  // The server's view once every connection has ended.
  std::string WireBytes(std::size_t connection = 0) {
    EXPECT_TRUE(QTest::qWaitFor([this] { return server_->OpenConnections() == 0; }, 3000));
    const auto raw = server_->ConnectionBytes();
    return connection < raw.size() ? raw[connection] : std::string("<no connection>");
  }

  bool Logged(const std::string& line) const {
    return std::find(log_.begin(), log_.end(), line) != log_.end();
  }

  testing::TestServices services_;
  std::vector<std::string> log_;
  std::vector<std::string> status_;
  std::unique_ptr<VtdirectStandin> server_;
  std::unique_ptr<VtdirectSession> session_;
};

TEST_F(SessionTest, NormalDeliveryPutsExactlyTheEnvelopeAndQuitOnTheWire) {
  StartServer();
  qint64 elapsed = 0;
  ASSERT_TRUE(Deliver(&elapsed));
  EXPECT_EQ(WireBytes(), kEnvelope + "\r\nQUIT\r\n");
  ASSERT_EQ(server_->Envelopes().size(), 1u);
  EXPECT_EQ(server_->Envelopes()[0], kEnvelope);
  EXPECT_EQ(status_,
            (std::vector<std::string>{"Trying to Connect...", "Trying to Connect... connected!",
                                      "Sending message...", "Sending message... sent", "Disconnecting... ",
                                      "Cadro Call Taking Ready", "Message transferred"}));
  EXPECT_EQ(log_, (std::vector<std::string>{"Msg2Vtdirect: " + kEnvelope, "***WinSend: sent " + kEnvelope,
                                            "SendMessage: Sent message titled: " + kSubject,
                                            "SendMessage: END", "***WinSend: sent QUIT"}));
  // Four fixed pauses of 100 ms lie on the path.
  EXPECT_GE(elapsed, 395);
  EXPECT_FALSE(session_->Busy());
  EXPECT_TRUE(services_.prompts.shown.empty());
}

TEST_F(SessionTest, PromptSplitOverTwoWritesAndSlowAnswersAreRecognised) {
  StandinOptions split;
  split.splitPrompt = true;
  StartServer(split);
  EXPECT_TRUE(Deliver());
  EXPECT_EQ(WireBytes(), kEnvelope + "\r\nQUIT\r\n");

  StandinOptions slow;
  slow.slow = true;
  slow.delayMs = 150;
  StartServer(slow);
  EXPECT_TRUE(Deliver());
}

TEST_F(SessionTest, LowerCasePromptIsNotAnAnswerAndTheWaitEndsAtItsBound) {
  StandinOptions lower;
  lower.lowercase = true;
  StartServer(lower);
  qint64 elapsed = 0;
  EXPECT_FALSE(Deliver(&elapsed));
  EXPECT_GE(elapsed, 300 + 300);
  EXPECT_LT(elapsed, 2000);
  EXPECT_EQ(session_->ReceiveBuffer(), "ok>");
  EXPECT_TRUE(Logged("WinSend: no answer from Vtdirect within 300 ms"));
  EXPECT_TRUE(Logged("SendMessage: Lost connection when sending message '" + kSubject + "'"));
  EXPECT_EQ(
      std::vector<std::string>(status_.end() - 4, status_.end()),
      (std::vector<std::string>{"SendMessages: Lost connection", "Disconnecting... ",
                                "Disconnecting, error during Sending messages", "Message transfer problem"}));
  // Failed deliveries send no QUIT: the connection is dropped.
  EXPECT_EQ(WireBytes(), kEnvelope + "\r\n");
}

TEST_F(SessionTest, GreetingPromptBeforeTheEnvelopeIsNotTakenAsTheAnswer) {
  StandinOptions greetSilent;
  greetSilent.greet = true;
  greetSilent.silent = true;
  StartServer(greetSilent);
  EXPECT_FALSE(Deliver());
  EXPECT_FALSE(Deliver()) << "a second session starts with the prompt phase already set";
  EXPECT_EQ(server_->Envelopes().size(), 2u);

  StandinOptions greet;
  greet.greet = true;
  StartServer(greet);
  EXPECT_TRUE(Deliver());
  EXPECT_EQ(WireBytes(), kEnvelope + "\r\nQUIT\r\n");
}

TEST_F(SessionTest, SilentServerFailsAfterTheBound) {
  StandinOptions silent;
  silent.silent = true;
  StartServer(silent);
  qint64 elapsed = 0;
  EXPECT_FALSE(Deliver(&elapsed));
  EXPECT_GE(elapsed, 600);
  EXPECT_LT(elapsed, 2000);
  EXPECT_EQ(status_.back(), "Message transfer problem");
  EXPECT_EQ(server_->Envelopes().size(), 1u);
}

TEST_F(SessionTest, ServerClosingDuringTheWaitEndsItAtOnce) {
  StandinOptions closing;
  closing.closeAfterEnvelope = true;
  StartServer(closing);
  LinkSettings settings = session_->Settings();
  settings.promptWaitMs = 20000;
  session_->SetSettings(settings);
  qint64 elapsed = 0;
  EXPECT_FALSE(Deliver(&elapsed));
  EXPECT_LT(elapsed, 2000);
  EXPECT_TRUE(Logged("WinSend: Lost Telnet connection"));
  EXPECT_TRUE(Logged("SendMessage: Lost connection when sending message '" + kSubject + "'"));

  StandinOptions early;
  early.closeOnConnect = true;
  StartServer(early);
  log_.clear();
  EXPECT_FALSE(Deliver(&elapsed));
  EXPECT_LT(elapsed, 2000);
  EXPECT_TRUE(Logged("WinSend: Lost Telnet connection"));
  EXPECT_TRUE(server_->Envelopes().empty());
}

TEST_F(SessionTest, NoServerFailsAsAConnectFailure) {
  // A port that was just free: nothing listens there.
  QTcpServer probe;
  ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
  const std::string port = std::to_string(probe.serverPort());
  probe.close();
  SetPort(port, 2000);
  qint64 elapsed = 0;
  EXPECT_FALSE(Deliver(&elapsed));
  EXPECT_LT(elapsed, 2000) << "a refused connection needs no waiting";
  EXPECT_EQ(status_, (std::vector<std::string>{"Trying to Connect...", "Trying to Connect... failed",
                                               "Disconnecting... ", "Disconnecting, error during Connect",
                                               "Message transfer problem"}));
  EXPECT_EQ(log_, std::vector<std::string>{"Connection Failed"});
  EXPECT_TRUE(services_.prompts.shown.empty());
}

TEST_F(SessionTest, UnansweredConnectFailsAfterNto) {
  BlackHole hole;
  SetPort(hole.Port(), 300);
  qint64 elapsed = 0;
  EXPECT_FALSE(Deliver(&elapsed));
  EXPECT_GE(elapsed, 300);
  EXPECT_LT(elapsed, 1500);
  EXPECT_EQ(log_, std::vector<std::string>{"Connection Failed"});
}

TEST_F(SessionTest, AnUnusablePortNamesTheSettingAndAnUnknownHostIsANetworkError) {
  for (const std::string port : {"abc", "0", "99999", ""}) {
    SetPort(port);
    services_.prompts.shown.clear();
    EXPECT_FALSE(Deliver()) << port;
    ASSERT_EQ(services_.prompts.shown.size(), 1u) << port;
    EXPECT_EQ(services_.prompts.shown[0].text,
              "The Vtdirect port 'Prt=" + port +
                  "' in Cadrocts.ini is not a port number from 1 to 65535.\r\n"
                  "Set the Remote Port in Setup > Preferences, then submit again.");
    EXPECT_EQ(status_.back(), "Message transfer problem");
  }
  // A host name that cannot be looked up is the same kind of failure.
  LinkSettings settings = session_->Settings();
  settings.Hst = "no host";
  settings.Prt = "9334";
  session_->SetSettings(settings);
  services_.prompts.shown.clear();
  EXPECT_FALSE(Deliver());
  ASSERT_EQ(services_.prompts.shown.size(), 1u);
  EXPECT_EQ(services_.prompts.shown[0].text, "Network error.  Confirm this is a networked PC");
  EXPECT_EQ(status_.back(), "Message transfer problem");

  EXPECT_EQ(ParsePort(" 9334 "), 9334);
  EXPECT_EQ(ParsePort("65535"), 65535);
  EXPECT_EQ(ParsePort("009334"), 9334);  // the Preferences dialog takes it, so the link must too
  EXPECT_FALSE(ParsePort("93 34"));
  EXPECT_FALSE(ParsePort("-1"));
}

TEST_F(SessionTest, ASecondSessionCannotStartWhileOneRuns) {
  StandinOptions slow;
  slow.slow = true;
  slow.delayMs = 200;
  StartServer(slow);
  std::vector<bool> busySignals;
  QObject::connect(session_.get(), &VtdirectSession::busyChanged,
                   [&](bool busy) { busySignals.push_back(busy); });
  bool secondResult = true;
  bool sawBusy = false;
  // Fires inside the first session's wait, as a button press would.
  QTimer::singleShot(250, [&] {
    sawBusy = session_->Busy();
    secondResult = session_->SendToClient(kEnvelope, "second");
    secondResult = secondResult || session_->VtdirectTest("x");
  });
  EXPECT_TRUE(Deliver());
  EXPECT_TRUE(sawBusy);
  EXPECT_FALSE(secondResult);
  EXPECT_EQ(busySignals, (std::vector<bool>{true, false}));
  EXPECT_EQ(server_->AcceptedConnections(), 1);
  EXPECT_EQ(server_->Envelopes().size(), 1u);
}

TEST_F(SessionTest, LinkTestWritesThePiecesWithoutLineBreakOrQuit) {
  StartServer();
  std::string text;
  for (int i = 0; i < 160; ++i) text += static_cast<char>('a' + i % 26);
  EXPECT_TRUE(testing::LinkTest(*session_, text));
  EXPECT_EQ(WireBytes(), text);
  // Reads may merge pieces but never cut one: every boundary falls on a multiple of 75.
  std::size_t arrived = 0;
  for (const std::size_t size : server_->ConnectionReads()[0]) {
    arrived += size;
    if (arrived < text.size()) {
      EXPECT_EQ(arrived % 75, 0u) << arrived;
    }
  }
  EXPECT_EQ(session_->LinkStep(), 806);
  const std::string where = "(127.0.0.1:" + std::to_string(server_->Port()) + ")";
  EXPECT_EQ(status_, (std::vector<std::string>{"Passing Test message...", "Passing message... sent"}));
  EXPECT_EQ(log_, std::vector<std::string>{"Link Test with Vtdirect... passed " + where});
}

TEST_F(SessionTest, LinkTestButtonTestsTheTypedAddressAndKeepsTheSettings) {
  StartServer();
  const LinkSettings before = session_->Settings();
  LinkSettings elsewhere = before;
  elsewhere.Hst = "HOST.EXAMPLE";
  elsewhere.Prt = "0099";
  session_->SetSettings(elsewhere);

  EXPECT_TRUE(testing::RunToEnd(*session_, [&] {
    return RunLinkTestFromPreferences(*session_, "127.0.0.1", before.Prt, services_.prompts);
  }));
  EXPECT_EQ(WireBytes(), std::string(kLinkTestText));
  ASSERT_EQ(services_.prompts.shown.size(), 1u);
  EXPECT_EQ(services_.prompts.shown[0].text, "Vtdirect link test passed!");
  EXPECT_EQ(session_->Settings().Hst, "HOST.EXAMPLE");
  EXPECT_EQ(session_->Settings().Prt, "0099") << "the text is kept as written, not renumbered";

  EXPECT_FALSE(testing::RunToEnd(*session_, [&] {
    return RunLinkTestFromPreferences(*session_, "127.0.0.1", "abc", services_.prompts);
  }));
  ASSERT_EQ(services_.prompts.shown.size(), 2u);
  EXPECT_EQ(services_.prompts.shown[1].text,
            "Link Test to Vtdirect failed.  Check the following:\r\n1. Confirm that Vtdirect is running\r\n"
            "2. Confirm the Host Name and Port Number match Vtdirect");
  EXPECT_EQ(services_.prompts.shown[1].icon, PromptIcon::Exclamation);
  EXPECT_EQ(session_->Settings().Prt, "0099");

  // A second press while the test runs starts nothing and tells nothing twice.
  bool secondStarted = true;
  EXPECT_TRUE(testing::RunToEnd(*session_, [&] {
    const bool first = RunLinkTestFromPreferences(*session_, "127.0.0.1", before.Prt, services_.prompts);
    secondStarted = RunLinkTestFromPreferences(*session_, "127.0.0.1", before.Prt, services_.prompts);
    return first;
  }));
  EXPECT_FALSE(secondStarted);
  EXPECT_EQ(services_.prompts.beeps, 1);
  EXPECT_EQ(services_.prompts.shown.size(), 3u);
}

TEST_F(SessionTest, LinkTestWaitsFiveSecondsForAConnectWhateverNtoSays) {
  BlackHole hole;
  SetPort(hole.Port(), 100);
  QElapsedTimer timer;
  timer.start();
  EXPECT_FALSE(testing::LinkTest(*session_, "x"));
  EXPECT_GE(timer.elapsed(), 4900);
  EXPECT_LT(timer.elapsed(), 7000);
  EXPECT_EQ(status_.back(), "Passing message... failed");
  EXPECT_EQ(log_.back(), "Link Test with Vtdirect... failed (127.0.0.1:" + hole.Port() + ")");
}

// A modal dialog opened during a session runs its own event loop; the session's timers and
// socket signals are served there, so the bounds hold while the dialog stays open.
TEST_F(SessionTest, AModalDialogOpenedMeanwhileDoesNotStretchTheBounds) {
  StandinOptions silent;
  silent.silent = true;
  StartServer(silent);
  BlackHole hole;
  for (const bool connecting : {false, true}) {
    SCOPED_TRACE(connecting ? "connect bound" : "answer bound");
    if (connecting) SetPort(hole.Port(), 300);
    QElapsedTimer timer;
    qint64 endedAt = -1;
    bool dialogOpenAtEnd = false;
    QDialog* open = nullptr;
    const QMetaObject::Connection watch = QObject::connect(session_.get(), &VtdirectSession::finished, [&] {
      endedAt = timer.elapsed();
      dialogOpenAtEnd = open && open->isVisible();
    });
    QTimer::singleShot(50, [&] {
      QDialog dialog;
      open = &dialog;
      QTimer::singleShot(2500, &dialog, &QDialog::accept);
      dialog.exec();
      open = nullptr;
    });
    timer.start();
    ASSERT_TRUE(session_->SendToClient(kEnvelope, kSubject));
    ASSERT_TRUE(QTest::qWaitFor([&] { return endedAt >= 0 && !open; }, 10000));
    EXPECT_LT(endedAt, 1500);
    EXPECT_TRUE(dialogOpenAtEnd);
    EXPECT_EQ(status_.back(), "Message transfer problem");
    QObject::disconnect(watch);
  }
}

TEST_F(SessionTest, CancelEndsTheWaitAtOnceAndTheLogSaysWhereItStood) {
  StandinOptions silent;
  silent.silent = true;
  StartServer(silent);
  LinkSettings settings = session_->Settings();
  settings.promptWaitMs = 20000;
  session_->SetSettings(settings);
  QSignalSpy ended(session_.get(), &VtdirectSession::finished);
  ASSERT_TRUE(session_->SendToClient(kEnvelope, kSubject));
  ASSERT_TRUE(QTest::qWaitFor([&] { return server_->Envelopes().size() == 1; }, 3000));
  QElapsedTimer timer;
  timer.start();
  session_->Cancel();
  EXPECT_LT(timer.elapsed(), 50);
  ASSERT_EQ(ended.size(), 1);
  EXPECT_FALSE(ended.at(0).at(0).toBool());
  EXPECT_TRUE(session_->Cancelled());
  EXPECT_FALSE(session_->Busy());
  EXPECT_EQ(status_.back(), "Message transfer cancelled");
  EXPECT_TRUE(
      Logged("SendToClient: cancelled by the operator after the message was sent, before Vtdirect "
             "answered; message '" +
             kSubject + "'"));
  EXPECT_EQ(WireBytes(), kEnvelope + "\r\n");

  // Still connecting: nothing went out.
  BlackHole hole;
  SetPort(hole.Port(), 5000);
  ASSERT_TRUE(session_->SendToClient(kEnvelope, kSubject));
  QTest::qWait(50);
  session_->Cancel();
  EXPECT_EQ(ended.size(), 2);
  EXPECT_TRUE(Logged("SendToClient: cancelled by the operator before the message was sent; message '" +
                     kSubject + "'"));
  // The next delivery runs normally.
  StartServer();
  EXPECT_TRUE(Deliver());
  EXPECT_FALSE(session_->Cancelled());
}

// A connect bound of 0 or less would give up before any connect could finish; whatever put it in
// the settings, the session waits its default bound instead.
TEST_F(SessionTest, AConnectBoundOfZeroOrLessWaitsTheDefaultBound) {
  BlackHole hole;
  for (const int nto : {0, -1}) {
    SetPort(hole.Port(), nto);
    ASSERT_TRUE(session_->SendToClient(kEnvelope, kSubject));
    QTest::qWait(400);
    EXPECT_TRUE(session_->Busy()) << "Nto " << nto << ": the connect gave up at once";
    session_->Cancel();
    EXPECT_FALSE(Logged("Connection Failed")) << nto;
  }
}

// The answer bound of 0 falls back to the default answer wait, not to the connect bound: a host
// that files the message slower than a short connect bound still has it acknowledged.
TEST_F(SessionTest, AnAnswerBoundOfZeroWaitsTheDefaultAnswerBoundNotTheConnectBound) {
  StandinOptions slow;
  slow.slow = true;
  slow.delayMs = 1500;
  StartServer(slow);
  LinkSettings settings = session_->Settings();
  settings.Nto = 500;
  settings.promptWaitMs = 0;
  session_->SetSettings(settings);
  EXPECT_TRUE(Deliver());
  EXPECT_EQ(server_->Envelopes().size(), 1u);
}

}  // namespace
}  // namespace cadro
