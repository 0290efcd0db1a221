// TorvendAdminServer: the daemon's administration service. Every operation but the registration of handler
// processes becomes an administrative request handed to the main thread through the TorvendNotifier (so the
// calls of several clients are applied one after the other); a request the main thread could not apply fails
// here with its error text, which the caller receives as a remote error.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "daemon/system_log.h"
#include "daemon/torvend_notifier.h"
#include "rpc/torvend_admin.h"

namespace tev {

class TorvendAdminServer : public rpc::TorvendAdmin {
 public:
  // Told of every handler registration (after it is in the table), on the remote-call thread.
  using RegistrationObserver =
      std::function<void(const std::string& handlerId, const rpc::Endpoint& handler)>;

  TorvendAdminServer(SystemLog& log, TorvendNotifier& notifier)
      : systemLog_(log), torvendNotifier_(notifier) {}

  void broadcastMessage(const std::vector<std::string>& devices, const std::string& message) override;
  // In name order.
  std::vector<rpc::DeviceRecord> listScanners() override;
  void reInitialize() override;
  // Puts the handler into the table (replacing an earlier one of the same id); no hand-over.
  void registerScannerProcessHandler(const std::string& handlerId, const rpc::Endpoint& handler) override;
  void resetScanner(const std::string& device) override;
  void setCurrentSelectedScanner(const std::string& device) override;
  void setDeviceUser(const std::string& userName, const std::string& deviceName) override;
  // Prints "Inside shutdown in TorvendAdminServer" on the console; returns once the main thread has taken the
  // request (the process then ends).
  void shutdown() override;

  // The registered handler processes (handler id -> where it serves), and one of them.
  std::map<std::string, rpc::Endpoint> scannerProcessHandlers() const;
  std::optional<rpc::Endpoint> scannerProcessHandler(const std::string& handlerId) const;
  void setRegistrationObserver(RegistrationObserver observer);

 private:
  // Hands the request to the main thread; throws tev::Error with the reply's error.
  AdminReply request(AdminRequest request);

  SystemLog& systemLog_;
  TorvendNotifier& torvendNotifier_;
  mutable std::mutex handlersMutex_;
  std::map<std::string, rpc::Endpoint> scannerProcessHandlerHash_;
  RegistrationObserver observer_;
};

}  // namespace tev
