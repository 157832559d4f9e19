#include "VtdirectSession.h"

#include <algorithm>
#include <optional>

#include "Platform.h"
#include "StationRules.h"
#include "StringLib.h"

namespace cadro {

namespace {
constexpr int kStepPause = 100;
constexpr int kPiecePause = 10;
constexpr char kNetworkError[] = "Network error.  Confirm this is a networked PC";

// Errors that mean the address cannot be used at all (as opposed to nobody listening there).
bool IsSetupError(QAbstractSocket::SocketError error) {
  switch (error) {
    case QAbstractSocket::HostNotFoundError:
    case QAbstractSocket::NetworkError:
    case QAbstractSocket::SocketAccessError:
    case QAbstractSocket::SocketResourceError:
    case QAbstractSocket::UnsupportedSocketOperationError:
    case QAbstractSocket::SocketAddressNotAvailableError: return true;
    default: return false;
  }
}

// A port that is no port is a setting to mend, not a network to check: say which one.
std::string UnusablePortText(const std::string& port) {
  return "The Vtdirect port 'Prt=" + port +
         "' in Cadrocts.ini is not a port number from 1 to 65535.\r\n"
         "Set the Remote Port in Setup > Preferences, then submit again.";
}
}  // namespace

VtdirectSession::VtdirectSession(Prompts& prompts, LinkHooks hooks, QObject* parent)
    : QObject(parent), prompts_(prompts), hooks_(std::move(hooks)), WNS(this), GpTimer(this), tmrPause(this) {
  WNS.setObjectName("WNS");
  GpTimer.setObjectName("GpTimer");
  tmrPause.setObjectName("tmrPause");
  GpTimer.setSingleShot(true);
  tmrPause.setSingleShot(true);
  // Coarse timers may fire a few per cent early; a pause or a time-out must not be shorter than
  // asked.
  GpTimer.setTimerType(Qt::PreciseTimer);
  tmrPause.setTimerType(Qt::PreciseTimer);
  connect(&GpTimer, &QTimer::timeout, this, &VtdirectSession::OnGpTimer);
  connect(&tmrPause, &QTimer::timeout, this, &VtdirectSession::OnPauseOver);
  connect(&WNS, &QTcpSocket::connected, this, &VtdirectSession::OnConnected);
  connect(&WNS, &QTcpSocket::readyRead, this, &VtdirectSession::ReadArrived);
  connect(&WNS, &QTcpSocket::disconnected, this, &VtdirectSession::OnSocketTrouble);
  connect(&WNS, &QAbstractSocket::stateChanged, this, [this](QAbstractSocket::SocketState state) {
    if (state == QAbstractSocket::UnconnectedState) OnSocketTrouble();
  });
  connect(&WNS, &QAbstractSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
    socketFailed_ = true;
    OnSocketTrouble();
  });
}

VtdirectSession::~VtdirectSession() {
  WNS.disconnect(this);
  WNS.abort();
}

void VtdirectSession::Log(const std::string& text) {
  if (hooks_.writeLog) hooks_.writeLog(text);
}

void VtdirectSession::Status(const std::string& text) {
  if (hooks_.showStatus) hooks_.showStatus(text);
}

std::string VtdirectSession::SocketErrorText() const {
  return std::to_string(static_cast<int>(WNS.error())) + ", " + WNS.errorString().toStdString();
}

// ---- running a session -----------------------------------------------------------------------

bool VtdirectSession::Enter(bool testing) {
  if (Busy()) {
    Log(std::string(testing ? "VtdirectTest" : "SendToClient") +
        ": a session is already running; the new one was not started");
    return false;
  }
  testing_ = testing;
  cancelled_ = false;
  envelopeSent_ = false;
  phase_ = Phase::Pausing;
  emit busyChanged(true);
  return true;
}

void VtdirectSession::Finish(bool succeeded) {
  if (phase_ == Phase::Idle) return;
  GpTimer.stop();
  tmrPause.stop();
  afterPause_ = nullptr;
  phase_ = Phase::Idle;
  emit busyChanged(false);
  emit finished(succeeded);
}

void VtdirectSession::PauseThen(int milliseconds, std::function<void()> next) {
  phase_ = Phase::Pausing;
  afterPause_ = std::move(next);
  tmrPause.stop();
  tmrPause.setInterval(std::max(0, milliseconds));
  tmrPause.start();
}

void VtdirectSession::OnPauseOver() {
  if (phase_ != Phase::Pausing || !afterPause_) return;
  const std::function<void()> next = std::move(afterPause_);
  afterPause_ = nullptr;
  next();
}

void VtdirectSession::StartGpTimer(int milliseconds) {
  GpTimer.stop();
  GpTimer.setInterval(std::max(0, milliseconds));
  GpTimer.start();
}

bool VtdirectSession::StartConnecting() {
  WNS.abort();
  socketFailed_ = false;
  // The same rule as the Preferences dialog, so a port the dialog took is one the link can use.
  const std::optional<int> port = ParsePort(settings_.Prt);
  if (!port) return false;
  WNS.connectToHost(QString::fromLatin1(settings_.Hst.data(), static_cast<qsizetype>(settings_.Hst.size())),
                    static_cast<quint16>(*port));
  return true;
}

void VtdirectSession::Cancel() {
  // While the session tells its outcome in a box it is ending anyway.
  if (!Busy() || phase_ == Phase::Reporting) return;
  cancelled_ = true;
  GpTimer.stop();
  tmrPause.stop();
  afterPause_ = nullptr;
  phase_ = Phase::Reporting;
  if (testing_) {
    Log("Link Test with Vtdirect... cancelled " + testWhere_);
    WNS.abort();
    Status("Passing message... cancelled");
  } else {
    // After the envelope went out the host may still file it; the log says so, since a later
    // submit of the same report would then go out twice.
    Log(envelopeSent_ ? "SendToClient: cancelled by the operator after the message was sent, before Vtdirect "
                        "answered; message '" +
                            subject_ + "'"
                      : "SendToClient: cancelled by the operator before the message was sent; message '" +
                            subject_ + "'");
    promptSeen_ = true;
    Status("Disconnecting... ");
    WNS.abort();
    Status("Message transfer cancelled");
  }
  Finish(false);
}

void VtdirectSession::OnConnected() {
  if (phase_ != Phase::Connecting) return;
  GpTimer.stop();
  if (testing_) {
    linkStep_ = 805;
    SendNextPiece();
    return;
  }
  Status("Trying to Connect... connected!");
  // The end of the connect, then the gap before the message is sent.
  PauseThen(kStepPause, [this] { PauseThen(kStepPause, [this] { SendMessageStep(); }); });
}

void VtdirectSession::OnSocketTrouble() {
  switch (phase_) {
    case Phase::Connecting:
      // A failed connect reports its error after the state change; the error says which kind
      // of failure it was. GpTimer bounds the wait should none come.
      if (!socketFailed_) return;
      GpTimer.stop();
      ConnectGaveUp();
      return;
    case Phase::AwaitingPrompt:
      if (WNS.state() == QAbstractSocket::ConnectedState) return;
      GpTimer.stop();
      // The answer and the close may arrive together: take what is left before judging.
      ReadArrived();
      if (phase_ != Phase::AwaitingPrompt) return;
      Log("WinSend: Lost Telnet connection");
      LostConnection();
      return;
    case Phase::Closing:
      if (WNS.state() != QAbstractSocket::UnconnectedState) return;
      CloseThenFinish();
      return;
    default: return;  // later steps look at the connection when they need it
  }
}

void VtdirectSession::OnGpTimer() {
  switch (phase_) {
    case Phase::Connecting: ConnectGaveUp(); return;
    case Phase::AwaitingPrompt:
      Log("WinSend: no answer from Vtdirect within " + std::to_string(settings_.promptWaitMs) + " ms");
      LostConnection();
      return;
    case Phase::Closing: WNS.abort(); return;  // the state change finishes the test
    default: return;
  }
}

void VtdirectSession::ReadArrived() {
  // Only an answer to the envelope counts; what comes before it stays unread and is dropped
  // when the envelope goes out.
  if (phase_ != Phase::AwaitingPrompt || WNS.bytesAvailable() <= 0) return;
  const QByteArray arrived = WNS.readAll();
  const bool found =
      watch_.Feed(std::string_view(arrived.constData(), static_cast<std::size_t>(arrived.size())));
  if (linkPhase_ == 2 && found) {
    promptSeen_ = true;
    GpTimer.stop();
    PromptArrived();
  }
}

// ---- delivery --------------------------------------------------------------------------------

bool VtdirectSession::SendToClient(const std::string& envelope, const std::string& subject) {
  if (!Enter(false)) return false;
  message_ = envelope;
  subject_ = subject;
  promptSeen_ = false;
  Status("Trying to Connect...");
  if (!StartConnecting()) {
    Log("Connect: unusable port '" + settings_.Prt + "'");
    PauseThen(0, [this] {
      phase_ = Phase::Reporting;
      prompts_.Message(UnusablePortText(settings_.Prt), {}, PromptIcon::Exclamation);
      DisconnectOnError("Connect");
      FinishDelivery(false);
    });
    return true;
  }
  // A time-out of zero or less would make every delivery fail; the default bound stands in.
  StartGpTimer(settings_.Nto > 0 ? settings_.Nto : LinkSettings{}.Nto);
  phase_ = Phase::Connecting;
  return true;
}

// The socket's error and the connect timeout end the same way, so both come here.
void VtdirectSession::ConnectGaveUp() {
  if (testing_) {
    EndTest(false);
  } else {
    ConnectFailed();
  }
}

void VtdirectSession::ConnectFailed() {
  // A box may run its own event loop: nothing of this session may act meanwhile.
  phase_ = Phase::Reporting;
  if (socketFailed_ && IsSetupError(WNS.error())) {
    Log("Connect: " + SocketErrorText() + " (" + settings_.Hst + ":" + settings_.Prt + ")");
    WNS.abort();
    prompts_.Message(kNetworkError);
  } else {
    Status("Trying to Connect... failed");
    Log("Connection Failed");
  }
  DisconnectOnError("Connect");
  FinishDelivery(false);
}

void VtdirectSession::SendMessageStep() {
  promptSeen_ = false;
  Status("Sending message...");
  Log("Msg2Vtdirect: " + message_);
  PauseThen(kStepPause, [this] {
    linkPhase_ = 2;
    SendEnvelope();
  });
}

// Sends a line with CR LF; false when it could not go out (logged as the connection lost or an
// application error).
bool VtdirectSession::WriteLine(const std::string& TxString) {
  Log("***WinSend: sent " + TxString);
  if (WNS.state() != QAbstractSocket::ConnectedState) {
    Log("WinSend: Lost Telnet connection");
    return false;
  }
  QByteArray line(TxString.data(), static_cast<qsizetype>(TxString.size()));
  line.append("\r\n");
  if (WNS.write(line) != line.size()) {
    if (WNS.state() != QAbstractSocket::ConnectedState) {
      Log("WinSend: Lost Telnet connection");
    } else {
      Log("WinSend App Error " + SocketErrorText() + ", step=" + std::to_string(linkStep_));
    }
    return false;
  }
  return true;
}

void VtdirectSession::SendEnvelope() {
  // Whatever came before this send (a banner, an early "OK>") cannot be the reply to it.
  if (WNS.bytesAvailable() > 0) WNS.readAll();
  promptSeen_ = false;
  watch_.Clear();
  emit envelopeGoing();
  if (!WriteLine(message_)) {
    LostConnection();
    return;
  }
  envelopeSent_ = true;
  phase_ = Phase::AwaitingPrompt;
  StartGpTimer(settings_.promptWaitMs > 0 ? settings_.promptWaitMs : kPromptWaitMs);
  // The answer may already be waiting, or the server may have closed in the meantime.
  if (WNS.bytesAvailable() > 0) ReadArrived();
  if (phase_ == Phase::AwaitingPrompt && WNS.state() != QAbstractSocket::ConnectedState) OnSocketTrouble();
}

void VtdirectSession::PromptArrived() {
  Status("Sending message... sent");
  Log("SendMessage: Sent message titled: " + subject_);
  Log("SendMessage: END");
  // Disconnect: "QUIT" awaits no answer.
  promptSeen_ = true;
  Status("Disconnecting... ");
  watch_.Clear();
  WriteLine("QUIT");
  PauseThen(kStepPause, [this] {
    WNS.close();
    if (WNS.state() != QAbstractSocket::UnconnectedState) WNS.abort();
    Status("Cadro Call Taking Ready");
    FinishDelivery(true);
  });
}

void VtdirectSession::LostConnection() {
  promptSeen_ = false;
  Status("SendMessages: Lost connection");
  Log("SendMessage: Lost connection when sending message '" + subject_ + "'");
  PauseThen(kStepPause, [this] {
    DisconnectOnError("Sending messages");
    FinishDelivery(false);
  });
}

void VtdirectSession::DisconnectOnError(const std::string& stage) {
  promptSeen_ = true;
  Status("Disconnecting... ");
  WNS.abort();
  Status("Disconnecting, error during " + stage);
}

void VtdirectSession::FinishDelivery(bool delivered) {
  Status(delivered ? "Message transferred" : "Message transfer problem");
  Finish(delivered);
}

// ---- link test -------------------------------------------------------------------------------

bool VtdirectSession::VtdirectTest(const std::string& instring) {
  if (!Enter(true)) return false;
  testWhere_ = "(" + settings_.Hst + ":" + settings_.Prt + ")";
  testRest_ = instring;
  linkStep_ = 801;
  const bool started = StartConnecting();
  linkStep_ = 803;
  Status("Passing Test message...");
  if (!started) {
    PauseThen(0, [this] { EndTest(false); });
    return true;
  }
  StartGpTimer(kLinkTestConnectMs);
  linkStep_ = 804;
  phase_ = Phase::Connecting;
  return true;
}

void VtdirectSession::SendNextPiece() {
  if (testRest_.empty()) {
    EndTest(true);
    return;
  }
  const std::string piece = GetBuffer(kLinkTestPiece, testRest_);
  linkStep_ = 806;
  if (WNS.state() != QAbstractSocket::ConnectedState ||
      WNS.write(piece.data(), static_cast<qint64>(piece.size())) != static_cast<qint64>(piece.size())) {
    Log("VtdirectTest App Error " + SocketErrorText() + ", step=" + std::to_string(linkStep_));
    EndTest(false);
    return;
  }
  PauseThen(kPiecePause, [this] { SendNextPiece(); });
}

void VtdirectSession::EndTest(bool passed) {
  phase_ = Phase::Reporting;
  if (passed) {
    Status("Passing message... sent");
    Log("Link Test with Vtdirect... passed " + testWhere_);
  } else {
    Status("Passing message... failed");
    Log("Link Test with Vtdirect... failed " + testWhere_);
  }
  linkStep_ = 806;
  // Only an open connection has written data worth flushing; a connect still under way is
  // dropped at once.
  if (WNS.state() == QAbstractSocket::ConnectedState) {
    testPassed_ = passed;
    phase_ = Phase::Closing;
    StartGpTimer(kCloseWaitMs);
    WNS.disconnectFromHost();
    return;
  }
  WNS.abort();
  Finish(passed);
}

void VtdirectSession::CloseThenFinish() {
  GpTimer.stop();
  WNS.abort();
  Finish(testPassed_);
}

bool RunLinkTestFromPreferences(VtdirectSession& session, const std::string& host, const std::string& port,
                                Prompts& prompts, std::function<void(bool passed)> done) {
  // A second press while the test runs: the first one's box is still to come.
  if (session.TestRunning()) {
    prompts.Beep();
    return false;
  }
  if (session.Busy()) {
    prompts.Message(std::string(kLinkTestRefused), {}, PromptIcon::Exclamation);
    return false;
  }
  const LinkSettings remembered = session.Settings();
  LinkSettings trial = remembered;
  trial.Hst = host;
  trial.Prt = port;
  session.SetSettings(trial);
  session.SetStatusSink({});
  auto* once = new QObject(&session);
  QObject::connect(&session, &VtdirectSession::finished, once,
                   [&session, &prompts, remembered, once, done = std::move(done)](bool passed) {
                     once->deleteLater();
                     QObject::disconnect(&session, nullptr, once, nullptr);
                     session.SetSettings(remembered);
                     if (passed) {
                       prompts.Message("Vtdirect link test passed!");
                     } else if (!session.Cancelled()) {
                       prompts.Message(
                           "Link Test to Vtdirect failed.  Check the following:\r\n"
                           "1. Confirm that Vtdirect is running\r\n"
                           "2. Confirm the Host Name and Port Number match Vtdirect",
                           {}, PromptIcon::Exclamation);
                     }
                     if (done) done(passed);
                   });
  if (!session.VtdirectTest(std::string(kLinkTestText))) {
    delete once;
    session.SetSettings(remembered);
    prompts.Message(std::string(kLinkTestRefused), {}, PromptIcon::Exclamation);
    return false;
  }
  return true;
}

}  // namespace cadro
