#pragma once
// One short conversation with the host's direct-entry server per submitted report: connect,
// send the envelope and CR LF, wait for "OK>", say "QUIT", close. The session is a state
// machine driven by its socket's signals and its own timers; nothing waits on the caller's
// stack. So a bound holds whatever else runs meanwhile: a modal dialog opened during a delivery
// runs its own event loop, and the session's timers and socket signals are served inside it.
// A true result means the server answered "OK>" after the envelope was sent; nothing else
// counts as delivered.
//
// One session object serves the deliveries and the link test of a program, so the two never
// overlap: a start while Busy() is refused.

#include <QObject>
#include <QTcpSocket>
#include <QTimer>
#include <functional>
#include <string>
#include <string_view>

#include "PromptWatch.h"

namespace cadro {

class Prompts;

// How long a delivery waits for "OK>" after sending the envelope. Deliberately not Nto: that is
// a connect time-out an operator may tune down for a quick local link, while the host may need
// longer to file a message before it answers. Too short a wait would report a failure for a
// message the host then accepts, and a resubmit would send it twice over the radio.
inline constexpr int kPromptWaitMs = 30000;
// The link test's connect bound, whatever Nto says.
inline constexpr int kLinkTestConnectMs = 5000;
// How long a closing socket may take before it is dropped.
inline constexpr int kCloseWaitMs = 1000;
// Link-test text goes out in pieces of this many characters.
inline constexpr int kLinkTestPiece = 75;

// The station settings a session reads, by their keys.
struct LinkSettings {
  std::string Hst = "127.0.0.1";
  std::string Prt = "9334";  // kept as text, as in the settings file
  int Nto = 5000;            // connect time-out of a delivery, ms
  int promptWaitMs = kPromptWaitMs;
};

// Where the session reports: the session log (one call per line) and the "Status" panel.
struct LinkHooks {
  std::function<void(const std::string&)> writeLog;
  std::function<void(const std::string&)> showStatus;
};

class VtdirectSession : public QObject {
  Q_OBJECT
public:
  VtdirectSession(Prompts& prompts, LinkHooks hooks, QObject* parent = nullptr);
  ~VtdirectSession() override;

  void SetSettings(const LinkSettings& settings) { settings_ = settings; }
  const LinkSettings& Settings() const { return settings_; }
  // Where the status texts go from now on (the window that started the session).
  void SetStatusSink(std::function<void(const std::string&)> showStatus) {
    hooks_.showStatus = std::move(showStatus);
  }

  // Starts delivering one envelope; finished() follows, never from inside this call, and the
  // "Status" panel ends on "Message transferred" or "Message transfer problem". False, with
  // nothing started and no signal, while another session runs.
  bool SendToClient(const std::string& envelope, const std::string& subject);
  // Starts the link test: connects within kLinkTestConnectMs and writes `instring` in
  // 75-character pieces with no line break; no answer is awaited and no "QUIT" sent. Refused
  // like SendToClient while another session runs.
  bool VtdirectTest(const std::string& instring);
  // Ends the running session at once (the connection is dropped) and emits finished(false)
  // before it returns; Cancelled() then tells it apart from a failure.
  void Cancel();

  bool Busy() const { return phase_ != Phase::Idle; }
  bool Cancelled() const { return cancelled_; }
  // The last delivery's envelope was written to the host (it may have it, answered or not).
  bool EnvelopeSent() const { return envelopeSent_; }
  // True while the running session is a link test.
  bool TestRunning() const { return Busy() && testing_; }

  // State a test or a diagnostic may read.
  bool PromptSeen() const { return promptSeen_; }
  int LinkStep() const { return linkStep_; }
  const std::string& ReceiveBuffer() const { return watch_.Received(); }

signals:
  // The session ended: true when the envelope was acknowledged, or the link test passed.
  void finished(bool succeeded);
  void busyChanged(bool busy);
  // The envelope is about to be written: from here on the host may have it, whatever follows.
  void envelopeGoing();

private:
  enum class Phase { Idle, Connecting, Pausing, AwaitingPrompt, Closing, Reporting };

  bool Enter(bool testing);
  void Finish(bool succeeded);
  void PauseThen(int milliseconds, std::function<void()> next);
  void StartGpTimer(int milliseconds);
  bool StartConnecting();

  // Socket and timer events, judged by the phase they arrive in.
  void OnConnected();
  void OnSocketTrouble();
  void OnGpTimer();
  void OnPauseOver();
  void ReadArrived();

  // A connect that did not come through: a link test fails, a delivery reports why.
  void ConnectGaveUp();

  // Delivery steps.
  void ConnectFailed();
  void SendMessageStep();
  void SendEnvelope();
  void PromptArrived();
  void LostConnection();
  void DisconnectOnError(const std::string& stage);
  void FinishDelivery(bool delivered);
  bool WriteLine(const std::string& TxString);

  // Link-test steps.
  void SendNextPiece();
  void EndTest(bool passed);
  void CloseThenFinish();

  void Log(const std::string& text);
  void Status(const std::string& text);
  std::string SocketErrorText() const;

  Prompts& prompts_;
  LinkHooks hooks_;
  LinkSettings settings_;

  QTcpSocket WNS;
  QTimer GpTimer;
  QTimer tmrPause;

  Phase phase_ = Phase::Idle;
  bool testing_ = false;
  bool cancelled_ = false;
  bool socketFailed_ = false;
  bool envelopeSent_ = false;
  bool testPassed_ = false;
  std::function<void()> afterPause_;
  std::string message_;
  std::string subject_;
  std::string testRest_;
  std::string testWhere_;

  PromptWatch watch_;  // ReceiveBuffer
  bool promptSeen_ = false;
  int linkPhase_ = 0;
  int linkStep_ = 0;
};

// The preferences dialog's "Vtdirect Link Test" button: tests the host and port typed in the
// dialog (not yet confirmed) and, when the test ends, shows the outcome box, leaves the
// session's own settings as they were and calls `done`. While a delivery runs it refuses with
// a box, while a link test runs with a beep; it returns false then and `done` is not called.
bool RunLinkTestFromPreferences(VtdirectSession& session, const std::string& host, const std::string& port,
                                Prompts& prompts, std::function<void(bool passed)> done = {});

inline constexpr std::string_view kLinkTestText = "<test>This is an Cadro test msg</test>";
inline constexpr std::string_view kLinkTestRefused =
    "A report is being delivered to Vtdirect.\r\nRun the link test when the delivery has ended.";

}  // namespace cadro
