// A test stand-in for a scanner: a TCP connection to the daemon's scanner port from a chosen loopback source
// address (127.0.0.x, so the daemon finds the device by address), collecting what it receives.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <string>

#include "common/error.h"
#include "common/fd.h"

namespace tev::testing {

class ScannerTestPeer {
 public:
  ScannerTestPeer(const std::string& source, int port)
      : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in from{};
    from.sin_family = AF_INET;
    ::inet_pton(AF_INET, source.c_str(), &from.sin_addr);
    if (::bind(fd_.get(), reinterpret_cast<sockaddr*>(&from), sizeof from) != 0)
      throw Error("bind " + source);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    ::inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    if (::connect(fd_.get(), reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) throw Error("connect");
  }

  // Reads until the received text contains expected (true), the connection ends or the time runs out.
  bool waitFor(const std::string& expected, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (received_.find(expected) == std::string::npos) {
      if (!readOnce(deadline)) return false;
    }
    return true;
  }
  // Reads until the daemon closes the connection (true) or the time runs out.
  bool waitForEnd(std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!ended_)
      if (!readOnce(deadline)) return ended_;
    return true;
  }
  // Everything received until nothing more comes for quiet.
  const std::string& drain(std::chrono::milliseconds quiet = std::chrono::milliseconds(300)) {
    while (readOnce(std::chrono::steady_clock::now() + quiet)) {
    }
    return received_;
  }
  const std::string& received() const { return received_; }
  void clear() { received_.clear(); }

 private:
  // One read; false when nothing came before the deadline or the connection has ended.
  bool readOnce(std::chrono::steady_clock::time_point deadline) {
    if (ended_) return false;
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    char buffer[4096];
    try {
      ReadResult read = readSome(fd_.get(), buffer, sizeof buffer, left);
      if (read.data()) received_.append(buffer, read.bytes);
      if (read.end()) ended_ = true;
      return read.data();
    } catch (const Error&) {
      ended_ = true;  // reset by the daemon
      return false;
    }
  }

  Fd fd_;
  std::string received_;
  bool ended_ = false;
};

}  // namespace tev::testing
