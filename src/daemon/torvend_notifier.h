// TorvendNotifier: the hand-over of administrative requests from other threads (the remote-call threads of
// the administration service) to the daemon's main thread, which applies them one at a time in its request
// loop. Callers are serialised: one request is in flight in the whole process; a caller blocks until the
// main thread has replied. Once the daemon shuts down (close), waiting and later callers are refused.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "common/error.h"
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

// The reply of a request; only list_scanners carries data (in name order). error: the request failed
// (the daemon goes on with what it had), with the failure's text.
struct AdminReply {
  std::vector<DeviceSnapshot> devices;
  std::optional<std::string> error;
};

// A request refused because the daemon is shutting down.
class NotifierClosed : public Error {
 public:
  using Error::Error;
};

class TorvendNotifier {
 public:
  explicit TorvendNotifier(SystemLog& log) : log_(log) {}

  // Caller side: hands the request over and waits for the reply. Throws NotifierClosed when the notifier
  // is closed before the request was handed over or answered.
  AdminReply sendRequest(AdminRequest request);
  // Main thread: waits for the next request.
  AdminRequest getRequest();
  // Main thread: hands the reply to the waiting caller.
  void sendReply(AdminReply reply);
  // Main thread, at shutdown (after the last reply): refuses the callers waiting and every later one.
  void close();

 private:
  SystemLog& log_;
  std::mutex callers_;  // one request in flight
  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<AdminRequest> request_;
  std::optional<AdminReply> reply_;
  bool closed_ = false;
};

}  // namespace tev
