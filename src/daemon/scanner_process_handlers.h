// The handler processes registered with the daemon: handler id -> the handler, reached through its remote
// reference. While at least one is registered the listener starts every scanner process through a handler
// with free capacity, and the relay threads end processes through the handler that holds them.
//
// A later registration under the same id replaces the earlier one (a handler that registers again after a
// restart of its own, or after it noticed a restart of the daemon). Nothing removes a registration: a
// handler that has gone simply fails its calls, which the callers log and pass over.
#pragma once

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "rpc/endpoint.h"
#include "rpc/rpc_client.h"
#include "rpc/scanner_process_handler.h"

namespace tev {

class EmulatorListener;
class TorvendAdminServer;

class ScannerProcessHandlers {
 public:
  using HandlerPtr = std::shared_ptr<rpc::ScannerProcessHandler>;
  // A registered handler and its id.
  using Entry = std::pair<std::string, HandlerPtr>;

  // The limits of one call from the daemon to a handler: a handler is called while a device's session is
  // being set up or ended, so a handler that hangs must not hold the daemon for long.
  static rpc::CallOptions callOptions();

  // Registers the handler serving at endpoint under handlerId (replacing an earlier one of that id).
  void registerScannerProcessHandler(const std::string& handlerId, const rpc::Endpoint& endpoint);
  // The same with a handler object of the caller's (tests).
  void registerScannerProcessHandler(const std::string& handlerId, HandlerPtr handler);

  bool empty() const;
  // The registered handlers in the table's order (by id).
  std::vector<Entry> snapshot() const;

  // Told of a handler that could not be asked or told; it is passed over.
  using FailureHandler = std::function<void(const std::string& handlerId, const std::exception& failure)>;
  // Ends the device's process through the first handler, in the table's order, that holds one for it.
  // Returns that handler's id; none when no handler holds one.
  std::optional<std::string> terminateScannerProcess(const std::string& device,
                                                     const FailureHandler& onFailure) const;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, HandlerPtr> handlers_;
};

// Passes every handler registration the administration service receives on to the listener's table. The
// daemon calls it once, after it has published its administration service.
void connectScannerProcessHandlers(TorvendAdminServer& server, EmulatorListener& listener);

}  // namespace tev
