#pragma once
// One short conversation with the host's direct-entry server per submitted report: connect,
// send the envelope and CR LF, wait for "OK>", say "QUIT", close. Every wait runs a local event
// loop, so the window that owns the session keeps painting and handling input, and every wait
// has a bound. A true result means the server answered "OK>" after the envelope was sent;
// nothing else counts as delivered.
//
// The owner must not start another session or destroy this object while Busy() is true (the
// waits run inside the owner's call); Busy() and busyChanged() are there to grey out buttons and
// refuse a close.

#include <QObject>
#include <QTcpSocket>
#include <QTimer>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "PromptWatch.h"

class QEventLoop;

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

  // Delivers one envelope and shows the outcome in the "Status" panel. False when the server
  // did not acknowledge it, and at once (nothing sent) while another session runs.
  bool SendToClient(const std::string& envelope, const std::string& subject);
  // The whole session without the final status text.
  bool SeqVtdirect(const std::string& TheMsg, const std::string& TheSubj);
  // The link test: connects within kLinkTestConnectMs and writes `instring` in 75-character
  // pieces with no line break; no answer is awaited and no "QUIT" sent.
  bool VtdirectTest(const std::string& instring);
  // Sends a line (CR LF is added). When PromptSeen is false on entry, waits for the prompt, for
  // the connection to be lost, or for promptWaitMs; the outcome is PromptSeen().
  void WinSend(const std::string& TxString);
  // Returns after the time has passed; the window keeps handling events meanwhile.
  void Pause(int MilliSeconds);

  bool Busy() const { return busy_; }

  // State a test or a diagnostic may read.
  bool PromptSeen() const { return promptSeen_; }
  int LinkStep() const { return linkStep_; }
  const std::string& ReceiveBuffer() const { return watch_.Received(); }

signals:
  void busyChanged(bool busy);

private:
  bool Connect();
  bool SendMessage(const std::string& message, const std::string& subject);
  void Disconnect();
  void DisconnectOnError(const std::string& stage);
  void CheckPrompt(std::string_view received);
  void StartGpTimer(int milliseconds);

  // Starts connecting; false when the address is unusable (nothing started).
  bool StartConnecting();
  // Waits for the connection, a socket failure, or the GpTimer bound.
  void WaitForConnection(const std::function<void()>& eachRound = {});
  void CloseAndWait();
  void ReadArrived();
  bool WaitUntil(const std::function<bool()>& done);
  void Wake();
  bool Enter();
  void Leave();
  void Log(const std::string& text);
  void Status(const std::string& text);
  std::string SocketErrorText() const;

  Prompts& prompts_;
  LinkHooks hooks_;
  LinkSettings settings_;

  QTcpSocket WNS;
  QTimer GpTimer;
  QTimer tmrPause;

  PromptWatch watch_;  // ReceiveBuffer
  bool promptSeen_ = false;
  int linkPhase_ = 0;
  int linkStep_ = 0;
  bool socketFailed_ = false;
  bool busy_ = false;
  std::vector<QEventLoop*> waits_;
};

// The preferences dialog's "Vtdirect Link Test" button: tests the host and port typed in the
// dialog (not yet confirmed), shows the outcome box, and leaves the session's own settings as
// they were. The caller shows the busy pointer around it.
bool RunLinkTestFromPreferences(VtdirectSession& session, const std::string& host, const std::string& port,
                                Prompts& prompts);

inline constexpr std::string_view kLinkTestText = "<test>This is an Cadro test msg</test>";

}  // namespace cadro
