// TorvendNotifier: the hand-over of administrative requests from other threads (the remote-call threads of
// the administration service) to the daemon's main thread, which applies them one at a time in its request
// loop. Callers are serialised: one request is in flight in the whole process; a caller blocks until the
// main thread has replied (a shutdown is never answered: the process ends).
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "daemon/system_log.h"

namespace tev {

// An administrative request: its name and data. Names: list_scanners, select_scanner (text), set_user
// (userName, deviceName), reset_scanner (text), broadcast_message (deviceList, message), reinitialize,
// shutdown.
struct AdminRequest {
  std::string name;
  std::string text;
  std::string userName;
  std::string deviceName;
  std::optional<std::vector<std::string>> deviceList;
  std::optional<std::string> message;
};

// A device as list_scanners answers it (by value; no connection, stream or process fields).
struct DeviceSnapshot {
  std::string name;
  std::string ipAddress;
  std::optional<std::string> environment;
  std::string type;
  std::optional<std::string> userName;
  bool connected = false;
  long long lastInputInterval = 0;

  bool operator==(const DeviceSnapshot&) const = default;
};

// The reply of a request; only list_scanners carries data (in name order).
struct AdminReply {
  std::vector<DeviceSnapshot> devices;
};

class TorvendNotifier {
 public:
  explicit TorvendNotifier(SystemLog& log) : log_(log) {}

  // Caller side: hands the request over and waits for the reply.
  AdminReply sendRequest(AdminRequest request);
  // Main thread: waits for the next request.
  AdminRequest getRequest();
  // Main thread: hands the reply to the waiting caller.
  void sendReply(AdminReply reply);

 private:
  SystemLog& log_;
  std::mutex callers_;  // one request in flight
  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<AdminRequest> request_;
  std::optional<AdminReply> reply_;
};

}  // namespace tev
