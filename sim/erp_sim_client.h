// ErpSimClient: the smallest router client, for tests, benchmarks and trying the simulator by hand: one TCP
// connection, request lines out (CR LF added), reply lines in. It is not the scanner process's request
// handler: no reconnect, no resend, no interpretation of the reply.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "common/fd.h"
#include "common/line_reader.h"

namespace tev::sim {

class ErpSimClient {
 public:
  // Connects; throws tev::Error when it cannot.
  ErpSimClient(const std::string& host, int port,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));

  // Writes the line and CR LF.
  void send(std::string_view line);
  // Writes the bytes exactly as given.
  void sendRaw(std::string_view bytes);
  // The next reply line (kEnd when the router closed the connection, kTimeout when nothing came in time).
  LineResult read(std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));
  // send, then read: the reply line, or "" when the connection ended or nothing came in time.
  std::string exchange(std::string_view line,
                       std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));
  void close();
  int fd() const { return fd_.get(); }

 private:
  Fd fd_;
  std::unique_ptr<LineReader> reader_;
};

}  // namespace tev::sim
