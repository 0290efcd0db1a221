#include "daemon/resource_monitor_thread.h"

#include <fcntl.h>
#include <unistd.h>

#include "common/error.h"
#include "daemon/mosku_monitor.h"

namespace tev {

void ResourceMonitorThread::addConnection(Fd socket) {
  int out = ::fcntl(socket.get(), F_DUPFD_CLOEXEC, 0);
  if (out < 0) detail::throwSystemError("cannot take the output of a bridge connection", errno);
  skmIns_.push_back(std::make_unique<LineReader>(socket.get()));
  skmOuts_.emplace_back(out);
  skmSockets_.push_back(std::move(socket));
}

std::vector<std::optional<std::string>> ResourceMonitorThread::getReplies(std::chrono::milliseconds timeout) {
  std::vector<std::optional<std::string>> replies;
  for (std::size_t i = 0; i < skmSockets_.size(); ++i) {
    std::optional<std::string> reply;
    if (skmIns_[i]) {
      try {
        LineResult line = skmIns_[i]->readLine(timeout);
        if (line.isLine()) reply = std::move(line.line);
      } catch (const std::exception& e) {
        MoskuMonitor::log("Error in reading the reply of connection " + std::to_string(i), e);
      }
    }
    if (MoskuMonitor::debugLevel.load() > 0) MoskuMonitor::log("Received: " + reply.value_or("null"));
    replies.push_back(std::move(reply));
  }
  return replies;
}

void ResourceMonitorThread::closeSkerrymantleConnections() {
  for (std::size_t i = 0; i < skmSockets_.size(); ++i) {
    skmIns_[i].reset();
    skmOuts_[i].reset();
    skmSockets_[i].reset();
  }
}

}  // namespace tev
