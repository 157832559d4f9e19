#include "VtdirectStandin.h"

#include <QDateTime>
#include <QDir>
#include <QHostAddress>
#include <QPointer>
#include <QSaveFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <sstream>

#include <sys/socket.h>

namespace cadro::standin {

namespace {
constexpr std::string_view kTerminator = "!/ADDON!";

bool EndsWith(const std::string& text, std::string_view tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string Peer(const QTcpSocket* socket) {
  return socket->peerAddress().toString().toStdString() + ":" + std::to_string(socket->peerPort());
}
}  // namespace

bool ApplyModes(const std::string& list, StandinOptions& options, std::string& error) {
  std::stringstream in(list);
  std::string mode;
  while (std::getline(in, mode, ',')) {
    if (mode == "normal") continue;
    if (mode == "silent") {
      options.silent = true;
    } else if (mode == "close-on-connect") {
      options.closeOnConnect = true;
    } else if (mode == "close-after-envelope") {
      options.closeAfterEnvelope = true;
    } else if (mode == "reset-after-envelope") {
      options.resetAfterEnvelope = true;
    } else if (mode == "split-prompt") {
      options.splitPrompt = true;
    } else if (mode == "lowercase") {
      options.lowercase = true;
    } else if (mode == "greet") {
      options.greet = true;
    } else if (mode == "slow") {
      options.slow = true;
    } else {
      error = "unknown mode '" + mode + "'";
      return false;
    }
  }
  return true;
}

VtdirectStandin::VtdirectStandin(StandinOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)), server_(new QTcpServer(this)) {
  connect(server_, &QTcpServer::newConnection, this, &VtdirectStandin::OnNewConnection);
}

VtdirectStandin::~VtdirectStandin() = default;

bool VtdirectStandin::Listen(quint16 port) {
  return server_->listen(QHostAddress::LocalHost, port);
}

quint16 VtdirectStandin::Port() const {
  return server_->serverPort();
}

QString VtdirectStandin::ErrorString() const {
  return server_->errorString();
}

std::vector<std::string> VtdirectStandin::ConnectionBytes() const {
  return raw_;
}

void VtdirectStandin::Say(const std::string& text) {
  if (output_) output_(text);
}

void VtdirectStandin::OnNewConnection() {
  while (QTcpSocket* socket = server_->nextPendingConnection()) {
    ++accepted_;
    Connection conn;
    conn.index = static_cast<int>(raw_.size());
    raw_.emplace_back();
    reads_.emplace_back();
    open_.emplace(socket, conn);
    Say("connection " + std::to_string(conn.index + 1) + " from " + Peer(socket));
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { OnDisconnected(socket); });
    if (options_.closeOnConnect) {
      Say("closing at once (close-on-connect)");
      socket->disconnectFromHost();
      continue;
    }
    if (options_.greet) socket->write("OK>");
  }
}

void VtdirectStandin::OnReadyRead(QTcpSocket* socket) {
  auto it = open_.find(socket);
  if (it == open_.end()) return;
  Connection& conn = it->second;
  const QByteArray bytes = socket->readAll();
  raw_[conn.index].append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  reads_[conn.index].push_back(static_cast<std::size_t>(bytes.size()));
  conn.pending.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  std::size_t end;
  while ((end = conn.pending.find("\r\n")) != std::string::npos) {
    std::string line = conn.pending.substr(0, end);
    conn.pending.erase(0, end + 2);
    HandleLine(socket, conn, line);
    if (open_.find(socket) == open_.end()) return;
  }
  if (conn.pending.size() + conn.envelope.size() > kMaxPending) {
    Say("more than " + std::to_string(kMaxPending) + " bytes without an envelope end: closing");
    socket->abort();
  }
}

void VtdirectStandin::HandleLine(QTcpSocket* socket, Connection& conn, const std::string& line) {
  if (!conn.inEnvelope) {
    if (line == "QUIT") {
      Say("QUIT: closing");
      socket->disconnectFromHost();
      return;
    }
    if (line.rfind("<AO", 0) != 0) {
      Say("ignored line: " + line);
      return;
    }
    conn.inEnvelope = true;
    conn.envelope = line;
  } else {
    conn.envelope += "\r\n";
    conn.envelope += line;
  }
  if (EndsWith(line, kTerminator)) {
    // Closing the socket may end the connection (and `conn`) before the call returns.
    std::string envelope = std::move(conn.envelope);
    conn.envelope.clear();
    conn.inEnvelope = false;
    EnvelopeComplete(socket, std::move(envelope));
  }
}

void VtdirectStandin::EnvelopeComplete(QTcpSocket* socket, std::string envelope) {
  envelopes_.push_back(std::move(envelope));
  const int number = static_cast<int>(envelopes_.size());
  Record(envelopes_.back(), number);
  emit envelopeReceived(number - 1);
  if (options_.resetAfterEnvelope) {
    // A linger time of zero makes the close send a reset instead of the orderly end of stream,
    // as a host that crashes or a firewall that drops the connection does.
    const linger abrupt{1, 0};
    ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abrupt, sizeof abrupt);
    Say("resetting the connection (reset-after-envelope)");
    socket->abort();
    return;
  }
  if (options_.closeAfterEnvelope) {
    Say("closing without an answer (close-after-envelope)");
    socket->disconnectFromHost();
    return;
  }
  if (options_.silent) {
    Say("not answering (silent)");
    return;
  }
  if (options_.slow) {
    QPointer<QTcpSocket> guard(socket);
    QTimer::singleShot(options_.delayMs, this, [this, guard] {
      if (guard && guard->state() == QAbstractSocket::ConnectedState) Answer(guard);
    });
    return;
  }
  Answer(socket);
}

void VtdirectStandin::Answer(QTcpSocket* socket) {
  const QByteArray prompt = options_.lowercase ? "ok>" : "OK>";
  if (!options_.splitPrompt) {
    socket->write(prompt);
    Say("answered " + prompt.toStdString());
    return;
  }
  socket->write(prompt.left(1));
  socket->flush();
  QPointer<QTcpSocket> guard(socket);
  QTimer::singleShot(50, this, [this, guard, prompt] {
    if (!guard || guard->state() != QAbstractSocket::ConnectedState) return;
    guard->write(prompt.mid(1));
    Say("answered " + prompt.toStdString() + " in two writes");
  });
}

void VtdirectStandin::Record(const std::string& envelope, int number) {
  std::string where;
  if (!options_.recordDir.empty()) {
    const QString name = QStringLiteral("envelope-%1-%2.txt")
                             .arg(QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss-zzz"))
                             .arg(number, 4, 10, QLatin1Char('0'));
    const QString path = QDir(QString::fromStdString(options_.recordDir)).filePath(name);
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) &&
        file.write(envelope.data(), static_cast<qint64>(envelope.size())) ==
            static_cast<qint64>(envelope.size()) &&
        file.commit()) {
      where = ", saved as " + path.toStdString();
    } else {
      where = ", NOT saved: " + file.errorString().toStdString();
    }
  }
  Say("--- envelope " + std::to_string(number) + ", " + std::to_string(envelope.size()) + " bytes" + where);
  Say(envelope);
  Say("--- end of envelope " + std::to_string(number));
}

void VtdirectStandin::OnDisconnected(QTcpSocket* socket) {
  auto it = open_.find(socket);
  if (it == open_.end()) return;
  Say("connection " + std::to_string(it->second.index + 1) + " closed");
  open_.erase(it);
  socket->deleteLater();
  emit connectionFinished();
}

}  // namespace cadro::standin
