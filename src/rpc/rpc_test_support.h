// Helpers for the remote-call tests: a port where nothing listens, and raw peers that misbehave.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "common/fd.h"
#include "common/tcp.h"

namespace tev::rpc::testing {

// A loopback port that was free a moment ago (bound, then released).
inline int unusedPort() {
  TcpListener listener = TcpListener::listen(0, true);
  return listener.port();
}

// Listens on an ephemeral loopback port and runs onConnection for each accepted connection on its own
// thread, until destroyed.
class RawPeer {
 public:
  explicit RawPeer(std::function<void(Fd)> onConnection)
      : listener_(TcpListener::listen(0, true)), onConnection_(std::move(onConnection)) {
    thread_ = std::thread([this] {
      while (!stop_) {
        if (auto fd = listener_.accept(std::chrono::milliseconds(20))) {
          workers_.emplace_back([this, fd = std::move(*fd)]() mutable { onConnection_(std::move(fd)); });
        }
      }
    });
  }
  ~RawPeer() {
    stop_ = true;
    thread_.join();
    for (auto& worker : workers_) worker.join();
  }
  int port() const { return listener_.port(); }

 private:
  TcpListener listener_;
  std::function<void(Fd)> onConnection_;
  std::atomic<bool> stop_{false};
  std::vector<std::thread> workers_;
  std::thread thread_;
};

}  // namespace tev::rpc::testing
