// The daemon's administration service as an interface. The daemon implements it (and publishes it with
// exportTorvendAdmin); the command-line tools, the handler processes and the scanner processes reach it
// through TorvendAdminStub, which implements it by remote calls. Every operation of the stub may fail
// with a RemoteCallError.
#pragma once

#include <string>
#include <vector>

#include "rpc/device_record.h"
#include "rpc/endpoint.h"

namespace tev::rpc {

class TorvendAdmin {
 public:
  virtual ~TorvendAdmin() = default;

  virtual void broadcastMessage(const std::vector<std::string>& devices, const std::string& message) = 0;
  // Every device of the daemon, in the order of its device table.
  virtual std::vector<DeviceRecord> listScanners() = 0;
  virtual void reInitialize() = 0;
  // handler: where the handler process serves its ScannerProcessHandler operations.
  virtual void registerScannerProcessHandler(const std::string& handlerId, const Endpoint& handler) = 0;
  virtual void resetScanner(const std::string& device) = 0;
  virtual void setCurrentSelectedScanner(const std::string& device) = 0;
  virtual void setDeviceUser(const std::string& userName, const std::string& deviceName) = 0;
  virtual void shutdown() = 0;
};

}  // namespace tev::rpc
