// A test stand-in for a scanner: a TCP connection to the daemon's scanner port from a chosen loopback source
// address (127.0.0.x, so the daemon finds the device by address), collecting what it receives.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <string>
#include <string_view>

#include "common/error.h"
#include "common/fd.h"

namespace tev::testing {

// A TCP connection to 127.0.0.1:port from the loopback address source. A receive buffer size above 0 is set
// before connecting (a small one makes a peer that stops reading hold the sender back soon).
inline Fd connectFromSource(const std::string& source, int port, int receiveBuffer = 0) {
  Fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (receiveBuffer > 0) ::setsockopt(fd.get(), SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
  sockaddr_in from{};
  from.sin_family = AF_INET;
  ::inet_pton(AF_INET, source.c_str(), &from.sin_addr);
  if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&from), sizeof from) != 0) throw Error("bind " + source);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(port));
  ::inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
  if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) throw Error("connect");
  return fd;
}

// Also a watcher: any TCP client of the daemon's ports.
class ScannerTestPeer {
 public:
  ScannerTestPeer(const std::string& source, int port) : fd_(connectFromSource(source, port)) {}

  void send(std::string_view bytes) { writeAll(fd_.get(), bytes); }
  void close() { fd_.reset(); }

  // Reads until the received text contains expected (true), the connection ends or the time runs out.
  bool waitFor(const std::string& expected, std::chrono::milliseconds limit = kDefaultWait) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (received_.find(expected) == std::string::npos) {
      if (ended_ || !readOnce(deadline)) return false;
    }
    return true;
  }
  // Reads until the daemon closes the connection (true) or the time runs out.
  bool waitForEnd(std::chrono::milliseconds limit = kDefaultWait) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!ended_)
      if (!readOnce(deadline)) return false;
    return true;
  }
  // Reads what arrives within the time; true when the connection is still open afterwards.
  bool stillOpenAfter(std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!ended_ && readOnce(deadline)) {
    }
    return !ended_;
  }
  // Everything received until nothing more comes for quiet.
  const std::string& drain(std::chrono::milliseconds quiet = std::chrono::milliseconds(300)) {
    while (!ended_ && readOnce(std::chrono::steady_clock::now() + quiet)) {
    }
    return received_;
  }
  const std::string& received() const { return received_; }
  void clear() { received_.clear(); }

 private:
  static constexpr std::chrono::milliseconds kDefaultWait{10000};

  // One read; false when nothing came before the deadline.
  bool readOnce(std::chrono::steady_clock::time_point deadline) {
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    char buffer[4096];
    ReadResult read;
    try {
      read = readSome(fd_.get(), buffer, sizeof buffer, left);
    } catch (const Error&) {
      ended_ = true;  // reset by the daemon
      return true;
    }
    if (read.end()) ended_ = true;
    if (read.data()) received_.append(buffer, read.bytes);
    return !read.timedOut();
  }

  Fd fd_;
  std::string received_;
  bool ended_ = false;
};

}  // namespace tev::testing
