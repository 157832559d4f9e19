#pragma once
// A loopback port on which connects neither succeed nor fail: its listen queue is full, so the
// kernel drops further SYNs and the client keeps retrying until its own bound ends the wait.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace cadro::testing {

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
  BlackHole(const BlackHole&) = delete;
  BlackHole& operator=(const BlackHole&) = delete;
  std::string Port() const { return std::to_string(port_); }

private:
  int listener_ = -1;
  int filler_ = -1;
  unsigned short port_ = 0;
};

}  // namespace cadro::testing
