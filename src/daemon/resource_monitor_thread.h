// ResourceMonitorThread: the monitor thread of one monitored resource, holding one connection per parallel
// test transaction to the ERP bridge (index-aligned: the socket, a line reader on it and its output). What
// exists of it is the reply side: reading one reply line per connection, and closing the connections. The
// connections come from addConnection (the monitoring loop that would open them is not part of the system).
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/fd.h"
#include "common/line_reader.h"
#include "daemon/monitor_settings.h"

namespace tev {

class ResourceMonitorThread {
 public:
  static constexpr const char* FIELD_SEPERATOR = "";
  // How long getReplies waits for each connection's line.
  static constexpr std::chrono::milliseconds kReplyTimeout{30000};

  ResourceMonitorThread(MonitorSettingsType monitorSettings, ResourceMonitorType resourceMonitor)
      : monitorSettings_(std::move(monitorSettings)), resourceMonitor_(std::move(resourceMonitor)) {}
  ~ResourceMonitorThread() { closeSkerrymantleConnections(); }
  ResourceMonitorThread(const ResourceMonitorThread&) = delete;
  ResourceMonitorThread& operator=(const ResourceMonitorThread&) = delete;

  // Takes a connection to the bridge as the next index.
  void addConnection(Fd socket);

  // Reads one line from each connection in index order and returns them; when MoskuMonitor's debugLevel is
  // above 0 each is logged as "Received: " and the line. A connection that ended, was closed, failed or sent
  // no whole line in time gives none ("Received: null").
  std::vector<std::optional<std::string>> getReplies(std::chrono::milliseconds timeout = kReplyTimeout);

  // Closes each connection's line reader, output and socket, in this order, and clears its three entries.
  void closeSkerrymantleConnections();

  std::size_t connectionCount() const { return skmSockets_.size(); }
  const MonitorSettingsType& monitorSettings() const { return monitorSettings_; }
  const ResourceMonitorType& resourceMonitor() const { return resourceMonitor_; }

 private:
  MonitorSettingsType monitorSettings_;
  ResourceMonitorType resourceMonitor_;
  std::vector<Fd> skmSockets_;
  std::vector<std::unique_ptr<LineReader>> skmIns_;
  std::vector<Fd> skmOuts_;
};

}  // namespace tev
