// TCP client and listener helpers. Every socket is close-on-exec; accepted and connected sockets are
// blocking (use readSome/writeAll with their time-outs). Failures are tev::Error with a message naming the
// host and port and the cause.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "common/fd.h"

namespace tev {

// Connects to host:port (host: a name, or an IPv4 or IPv6 address) trying each resolved address in turn
// until one answers or the time-out (shared by all attempts) runs out. Returns a blocking socket.
// Errors: "cannot connect to <host> port <port>: <cause>", and the cause says "timed out after N ms" when
// nothing answered in time. Name resolution itself is not bounded by the time-out (the system resolver
// has its own). kNoTimeout leaves the limit to the system.
Fd tcpConnect(const std::string& host, int port, std::chrono::milliseconds timeout);

// Turns off Nagle's algorithm (small request/reply lines go out at once). Throws tev::Error on failure.
void setTcpNoDelay(int fd);

// The numeric address of a socket's peer: IPv4 as dotted text (also when it came as an IPv4-mapped IPv6
// address), IPv6 in its usual text form. Throws tev::Error when the socket has no peer.
std::string peerAddress(int fd);

// An accepted connection and where it came from.
struct AcceptedConnection {
  Fd fd;
  std::string peerAddress;  // as peerAddress() gives it, e.g. "127.0.0.1"
  int peerPort = 0;
};

// A listening socket (SO_REUSEADDR). Accepting never blocks beyond the time-out given.
class TcpListener {
 public:
  // Listens on port (0: an ephemeral port, see port()). loopbackOnly binds 127.0.0.1; otherwise every
  // address, IPv6 and IPv4 alike where the system has IPv6, IPv4 only where it has not.
  static TcpListener listen(int port, bool loopbackOnly, int backlog = 128);

  TcpListener() = default;  // not listening
  TcpListener(TcpListener&&) noexcept = default;
  TcpListener& operator=(TcpListener&&) noexcept = default;

  bool listening() const { return fd_.valid(); }
  // The port actually bound.
  int port() const { return port_; }
  // The listening socket, for callers that poll it together with other descriptors.
  int fd() const { return fd_.get(); }
  // Stops listening; later accepts fail.
  void close() { fd_.reset(); }

  // Waits up to timeout for a connection; nullopt when none came in time.
  std::optional<Fd> accept(std::chrono::milliseconds timeout);
  std::optional<AcceptedConnection> acceptWithPeer(std::chrono::milliseconds timeout);

 private:
  TcpListener(Fd fd, int port) : fd_(std::move(fd)), port_(port) {}

  Fd fd_;
  int port_ = 0;
};

}  // namespace tev
