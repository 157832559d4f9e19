#pragma once
// A small server that takes the host's direct-entry server's place while the suite is built,
// tested and demonstrated. It reads CR LF lines, collects an add-on envelope up to the line that
// ends in "!/ADDON!", records it and answers "OK>"; "QUIT" ends the connection. On request it
// misbehaves the ways a real server or network can, so the client's handling of each is tested
// against real sockets.

#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <string>
#include <vector>

class QTcpServer;
class QTcpSocket;

namespace cadro::standin {

// Misbehaviours; several may be combined (greet + silent, greet + slow ...).
struct StandinOptions {
  bool silent = false;              // never answers an envelope
  bool closeOnConnect = false;      // closes each connection as soon as it is accepted
  bool closeAfterEnvelope = false;  // closes right after an envelope instead of answering
  bool resetAfterEnvelope = false;  // drops the connection with a reset right after an envelope
  bool splitPrompt = false;         // answers "O", then "K>" in a second write
  bool lowercase = false;           // answers "ok>"
  bool greet = false;               // sends "OK>" as soon as a client connects
  bool slow = false;                // answers after delayMs
  int delayMs = 2000;
  std::string recordDir;  // one file per envelope when not empty
};

// Applies a comma-separated list of mode names ("normal", "silent", "close-on-connect",
// "close-after-envelope", "reset-after-envelope", "split-prompt", "lowercase", "greet", "slow"). False with a
// message naming the unknown mode.
bool ApplyModes(const std::string& list, StandinOptions& options, std::string& error);

class VtdirectStandin : public QObject {
  Q_OBJECT
public:
  explicit VtdirectStandin(StandinOptions options, QObject* parent = nullptr);
  ~VtdirectStandin() override;

  // Listens on 127.0.0.1; port 0 picks a free one. False with ErrorString() on failure.
  bool Listen(quint16 port);
  quint16 Port() const;
  QString ErrorString() const;

  // Where progress lines and recorded envelopes are written (standard output in the program).
  void SetOutput(std::function<void(const std::string&)> output) { output_ = std::move(output); }

  // Every complete envelope received, in order of arrival, without its CR LF.
  const std::vector<std::string>& Envelopes() const { return envelopes_; }
  // The raw bytes each connection delivered, in order of connection; open ones so far.
  std::vector<std::string> ConnectionBytes() const;
  // The size of each read, per connection: how the bytes arrived.
  const std::vector<std::vector<std::size_t>>& ConnectionReads() const { return reads_; }
  int OpenConnections() const { return static_cast<int>(open_.size()); }
  int AcceptedConnections() const { return accepted_; }

  // The longest envelope accepted; a client that sends more without a terminator is cut off.
  static constexpr std::size_t kMaxPending = 1 << 20;

signals:
  void envelopeReceived(int index);
  void connectionFinished();

private:
  struct Connection {
    int index = 0;  // into raw_
    std::string pending;
    std::string envelope;
    bool inEnvelope = false;
  };

  void OnNewConnection();
  void OnReadyRead(QTcpSocket* socket);
  void OnDisconnected(QTcpSocket* socket);
  void HandleLine(QTcpSocket* socket, Connection& conn, const std::string& line);
  void EnvelopeComplete(QTcpSocket* socket, std::string envelope);
  void Answer(QTcpSocket* socket);
  void Record(const std::string& envelope, int number);
  void Say(const std::string& text);

  StandinOptions options_;
  QTcpServer* server_;
  std::function<void(const std::string&)> output_;
  std::map<QTcpSocket*, Connection> open_;
  std::vector<std::string> raw_;
  std::vector<std::vector<std::size_t>> reads_;
  std::vector<std::string> envelopes_;
  int accepted_ = 0;
};

}  // namespace cadro::standin
