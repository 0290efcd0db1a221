// The client side of the administration service: each operation is one remote call to the object bound
// as "TorvendAdminServer" (torvend_admin_ops.h).
#pragma once

#include <memory>

#include "rpc/rpc_client.h"
#include "rpc/torvend_admin.h"

namespace tev::rpc {

class TorvendAdminStub : public TorvendAdmin {
 public:
  explicit TorvendAdminStub(RpcClient client) : client_(std::move(client)) {}

  // Looks the service up under "TorvendAdminServer" in the registry on 127.0.0.1 at registryPort.
  // RegistryUnreachable or NotBound when it cannot be found.
  static std::unique_ptr<TorvendAdminStub> lookup(int registryPort, CallOptions options = {});

  void broadcastMessage(const std::vector<std::string>& devices, const std::string& message) override;
  std::vector<DeviceRecord> listScanners() override;
  void reInitialize() override;
  void registerScannerProcessHandler(const std::string& handlerId, const Endpoint& handler) override;
  void resetScanner(const std::string& device) override;
  void setCurrentSelectedScanner(const std::string& device) override;
  void setDeviceUser(const std::string& userName, const std::string& deviceName) override;
  // Normally ends with ConnectionLost: the daemon ends without answering.
  void shutdown() override;

  const RpcClient& client() const { return client_; }

 private:
  RpcClient client_;
};

}  // namespace tev::rpc
