// The daemon's side of a handler process: each operation is one remote call to the endpoint the handler
// registered (scanner_process_handler_ops.h).
#pragma once

#include "rpc/rpc_client.h"
#include "rpc/scanner_process_handler.h"

namespace tev::rpc {

class ScannerProcessHandlerStub : public ScannerProcessHandler {
 public:
  explicit ScannerProcessHandlerStub(RpcClient client) : client_(std::move(client)) {}
  // The handler registered under handlerId at endpoint.
  ScannerProcessHandlerStub(const Endpoint& endpoint, const std::string& handlerId, CallOptions options = {})
      : client_(endpoint, handlerId, options) {}

  int getCurrentNoOfProcesses() override;
  std::string getHandlerID() override;
  int getMaxNoOfProcesses() override;
  bool isDeviceProcessPresent(const std::string& device) override;
  bool startScannerProcess(const std::string& device, const std::string& commandLine) override;
  bool terminateScannerProcess(const std::string& device) override;

  const RpcClient& client() const { return client_; }

 private:
  RpcClient client_;
};

}  // namespace tev::rpc
