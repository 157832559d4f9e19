#include "VtdirectSession.h"

#include <QEventLoop>
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
  connect(&GpTimer, &QTimer::timeout, this, &VtdirectSession::Wake);
  connect(&tmrPause, &QTimer::timeout, this, &VtdirectSession::Wake);
  connect(&WNS, &QTcpSocket::readyRead, this, &VtdirectSession::ReadArrived);
  connect(&WNS, &QAbstractSocket::stateChanged, this, &VtdirectSession::Wake);
  connect(&WNS, &QIODevice::bytesWritten, this, &VtdirectSession::Wake);
  connect(&WNS, &QAbstractSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
    socketFailed_ = true;
    Wake();
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

// ---- waiting -------------------------------------------------------------------------------

bool VtdirectSession::WaitUntil(const std::function<bool()>& done) {
  while (!done()) {
    QEventLoop loop;
    waits_.push_back(&loop);
    loop.exec();
    waits_.pop_back();
  }
  return true;
}

// Every event the waits care about ends the innermost local loops; each wait then checks its
// own condition again and goes back to sleep when it is not met.
void VtdirectSession::Wake() {
  for (QEventLoop* loop : waits_) loop->quit();
}

void VtdirectSession::Pause(int MilliSeconds) {
  tmrPause.stop();
  tmrPause.setInterval(std::max(0, MilliSeconds));
  tmrPause.start();
  WaitUntil([this] { return !tmrPause.isActive(); });
}

void VtdirectSession::StartGpTimer(int milliseconds) {
  GpTimer.stop();
  GpTimer.setInterval(std::max(0, milliseconds));
  GpTimer.start();
}

bool VtdirectSession::Enter() {
  if (busy_) {
    Log("Vtdirect: a session is already running; the new one was not started");
    return false;
  }
  busy_ = true;
  emit busyChanged(true);
  return true;
}

void VtdirectSession::Leave() {
  busy_ = false;
  GpTimer.stop();
  emit busyChanged(false);
}

// ---- delivery ------------------------------------------------------------------------------

bool VtdirectSession::SendToClient(const std::string& envelope, const std::string& subject) {
  if (busy_) {
    Log("SendToClient: a session is already running; the new one was not started");
    return false;
  }
  const bool delivered = SeqVtdirect(envelope, subject);
  Status(delivered ? "Message transferred" : "Message transfer problem");
  return delivered;
}

bool VtdirectSession::SeqVtdirect(const std::string& TheMsg, const std::string& TheSubj) {
  if (!Enter()) return false;
  bool delivered = false;
  if (!Connect()) {
    DisconnectOnError("Connect");
  } else {
    Pause(kStepPause);
    if (SendMessage(TheMsg, TheSubj)) {
      Disconnect();
      delivered = true;
    } else {
      DisconnectOnError("Sending messages");
    }
  }
  Leave();
  return delivered;
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

void VtdirectSession::WaitForConnection(const std::function<void()>& eachRound) {
  WaitUntil([&] {
    if (eachRound) eachRound();
    return WNS.state() == QAbstractSocket::ConnectedState || !GpTimer.isActive() || socketFailed_;
  });
}

bool VtdirectSession::Connect() {
  promptSeen_ = false;
  Status("Trying to Connect...");
  if (!StartConnecting()) {
    Log("Connect: unusable port '" + settings_.Prt + "'");
    prompts_.Message(kNetworkError);
    return false;
  }
  // A time-out of zero or less would make every delivery fail; the default bound stands in.
  StartGpTimer(settings_.Nto > 0 ? settings_.Nto : LinkSettings{}.Nto);
  WaitForConnection();
  GpTimer.stop();
  if (WNS.state() == QAbstractSocket::ConnectedState) {
    Status("Trying to Connect... connected!");
    Pause(kStepPause);
    return true;
  }
  if (socketFailed_ && IsSetupError(WNS.error())) {
    Log("Connect: " + SocketErrorText() + " (" + settings_.Hst + ":" + settings_.Prt + ")");
    prompts_.Message(kNetworkError);
    return false;
  }
  Status("Trying to Connect... failed");
  Log("Connection Failed");
  return false;
}

bool VtdirectSession::SendMessage(const std::string& message, const std::string& subject) {
  promptSeen_ = false;
  Status("Sending message...");
  Log("Msg2Vtdirect: " + message);
  Pause(kStepPause);
  linkPhase_ = 2;
  WinSend(message);
  if (!promptSeen_) {
    Status("SendMessages: Lost connection");
    Log("SendMessage: Lost connection when sending message '" + subject + "'");
    Pause(kStepPause);
    return false;
  }
  Status("Sending message... sent");
  Log("SendMessage: Sent message titled: " + subject);
  Log("SendMessage: END");
  return true;
}

void VtdirectSession::WinSend(const std::string& TxString) {
  const bool awaitReply = !promptSeen_;
  if (awaitReply) {
    // Whatever came before this send (a banner, an early "OK>") cannot be the reply to it.
    if (WNS.bytesAvailable() > 0) WNS.readAll();
    promptSeen_ = false;
  }
  watch_.Clear();
  Log("***WinSend: sent " + TxString);
  if (WNS.state() != QAbstractSocket::ConnectedState) {
    Log("WinSend: Lost Telnet connection");
    promptSeen_ = false;
    return;
  }
  QByteArray line(TxString.data(), static_cast<qsizetype>(TxString.size()));
  line.append("\r\n");
  if (WNS.write(line) != line.size()) {
    if (WNS.state() != QAbstractSocket::ConnectedState) {
      Log("WinSend: Lost Telnet connection");
    } else {
      Log("WinSend App Error " + SocketErrorText() + ", step=" + std::to_string(linkStep_));
    }
    promptSeen_ = false;
    return;
  }
  if (!awaitReply) return;

  StartGpTimer(settings_.promptWaitMs > 0 ? settings_.promptWaitMs : kPromptWaitMs);
  WaitUntil([this] {
    return promptSeen_ || WNS.state() != QAbstractSocket::ConnectedState || !GpTimer.isActive();
  });
  const bool timedOut = !GpTimer.isActive();
  GpTimer.stop();
  if (promptSeen_) return;
  if (WNS.state() != QAbstractSocket::ConnectedState) {
    // The answer and the close may arrive together: take what is left before judging.
    ReadArrived();
    if (promptSeen_) return;
    Log("WinSend: Lost Telnet connection");
  } else if (timedOut) {
    Log("WinSend: no answer from Vtdirect within " + std::to_string(settings_.promptWaitMs) + " ms");
  }
  promptSeen_ = false;
}

void VtdirectSession::ReadArrived() {
  if (WNS.bytesAvailable() > 0) {
    const QByteArray arrived = WNS.readAll();
    CheckPrompt(std::string_view(arrived.constData(), static_cast<std::size_t>(arrived.size())));
  }
  Wake();
}

void VtdirectSession::CheckPrompt(std::string_view received) {
  const bool found = watch_.Feed(received);
  if (linkPhase_ == 2 && found) promptSeen_ = true;
}

void VtdirectSession::Disconnect() {
  promptSeen_ = true;
  Status("Disconnecting... ");
  WinSend("QUIT");
  Pause(kStepPause);
  WNS.close();
  if (WNS.state() != QAbstractSocket::UnconnectedState) WNS.abort();
  Status("Cadro Call Taking Ready");
}

void VtdirectSession::DisconnectOnError(const std::string& stage) {
  promptSeen_ = true;
  Status("Disconnecting... ");
  WNS.abort();
  Status("Disconnecting, error during " + stage);
}

// ---- link test -----------------------------------------------------------------------------

bool VtdirectSession::VtdirectTest(const std::string& instring) {
  if (!Enter()) return false;
  const std::string where = "(" + settings_.Hst + ":" + settings_.Prt + ")";
  linkStep_ = 801;
  const bool started = StartConnecting();
  linkStep_ = 803;
  Status("Passing Test message...");
  bool passed = false;
  if (started) {
    StartGpTimer(kLinkTestConnectMs);
    WaitForConnection([this] { linkStep_ = 804; });
    GpTimer.stop();
  }
  if (WNS.state() == QAbstractSocket::ConnectedState) {
    linkStep_ = 805;
    passed = true;
    std::string rest = instring;
    while (!rest.empty() && passed) {
      const std::string piece = GetBuffer(kLinkTestPiece, rest);
      linkStep_ = 806;
      if (WNS.state() != QAbstractSocket::ConnectedState ||
          WNS.write(piece.data(), static_cast<qint64>(piece.size())) != static_cast<qint64>(piece.size())) {
        Log("VtdirectTest App Error " + SocketErrorText() + ", step=" + std::to_string(linkStep_));
        passed = false;
        break;
      }
      Pause(kPiecePause);
    }
  }
  if (passed) {
    Status("Passing message... sent");
    Log("Link Test with Vtdirect... passed " + where);
  } else {
    Status("Passing message... failed");
    Log("Link Test with Vtdirect... failed " + where);
  }
  linkStep_ = 806;
  CloseAndWait();
  Leave();
  return passed;
}

void VtdirectSession::CloseAndWait() {
  // Only an open connection has written data worth flushing; a connect still under way is
  // dropped at once.
  if (WNS.state() == QAbstractSocket::ConnectedState) {
    WNS.disconnectFromHost();
    StartGpTimer(kCloseWaitMs);
    WaitUntil([this] { return WNS.state() == QAbstractSocket::UnconnectedState || !GpTimer.isActive(); });
    GpTimer.stop();
  }
  WNS.abort();
}

bool RunLinkTestFromPreferences(VtdirectSession& session, const std::string& host, const std::string& port,
                                Prompts& prompts) {
  const LinkSettings remembered = session.Settings();
  LinkSettings trial = remembered;
  trial.Hst = host;
  trial.Prt = port;
  session.SetSettings(trial);
  const bool passed = session.VtdirectTest(std::string(kLinkTestText));
  session.SetSettings(remembered);
  if (passed) {
    prompts.Message("Vtdirect link test passed!");
  } else {
    prompts.Message(
        "Link Test to Vtdirect failed.  Check the following:\r\n"
        "1. Confirm that Vtdirect is running\r\n"
        "2. Confirm the Host Name and Port Number match Vtdirect",
        {}, PromptIcon::Exclamation);
  }
  return passed;
}

}  // namespace cadro
