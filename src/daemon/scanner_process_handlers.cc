#include "daemon/scanner_process_handlers.h"

#include "daemon/emulator_listener.h"
#include "daemon/torvend_admin_server.h"
#include "rpc/scanner_process_handler_stub.h"

namespace tev {

using namespace std::chrono_literals;

rpc::CallOptions ScannerProcessHandlers::callOptions() {
  rpc::CallOptions options;
  options.connectTimeout = 2000ms;
  options.replyTimeout = 10000ms;
  return options;
}

void ScannerProcessHandlers::registerScannerProcessHandler(const std::string& handlerId,
                                                           const rpc::Endpoint& endpoint) {
  registerScannerProcessHandler(
      handlerId, std::make_shared<rpc::ScannerProcessHandlerStub>(endpoint, handlerId, callOptions()));
}

void ScannerProcessHandlers::registerScannerProcessHandler(const std::string& handlerId, HandlerPtr handler) {
  std::lock_guard lock(mutex_);
  handlers_.insert_or_assign(handlerId, std::move(handler));
}

bool ScannerProcessHandlers::empty() const {
  std::lock_guard lock(mutex_);
  return handlers_.empty();
}

std::vector<ScannerProcessHandlers::Entry> ScannerProcessHandlers::snapshot() const {
  std::lock_guard lock(mutex_);
  return {handlers_.begin(), handlers_.end()};
}

std::optional<std::string> ScannerProcessHandlers::terminateScannerProcess(
    const std::string& device, const FailureHandler& onFailure) const {
  for (const auto& [handlerId, handler] : snapshot()) {
    try {
      if (!handler->isDeviceProcessPresent(device)) continue;
      handler->terminateScannerProcess(device);
      return handlerId;
    } catch (const std::exception& e) {
      if (onFailure) onFailure(handlerId, e);
    }
  }
  return std::nullopt;
}

void connectScannerProcessHandlers(TorvendAdminServer& server, EmulatorListener& listener) {
  ScannerProcessHandlers& handlers = listener.scannerProcessHandlers();
  server.setRegistrationObserver([&handlers](const std::string& handlerId, const rpc::Endpoint& endpoint) {
    handlers.registerScannerProcessHandler(handlerId, endpoint);
  });
  // Handlers that registered before the connection was made.
  for (const auto& [handlerId, endpoint] : server.scannerProcessHandlers())
    handlers.registerScannerProcessHandler(handlerId, endpoint);
}

}  // namespace tev
