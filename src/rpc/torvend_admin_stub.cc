#include "rpc/torvend_admin_stub.h"

#include "rpc/registry_client.h"
#include "rpc/rpc_error.h"
#include "rpc/torvend_admin_ops.h"

namespace tev::rpc {

namespace ops = torvend_admin_ops;

std::unique_ptr<TorvendAdminStub> TorvendAdminStub::lookup(int registryPort, CallOptions options) {
  return std::make_unique<TorvendAdminStub>(rpc::lookup(registryPort, ops::kServiceName, options));
}

void TorvendAdminStub::broadcastMessage(const std::vector<std::string>& devices, const std::string& message) {
  client_.call(ops::kBroadcastMessage, Json::array({Json(devices), message}));
}

std::vector<DeviceRecord> TorvendAdminStub::listScanners() {
  Json result = client_.call(ops::kListScanners);
  if (!result.is_array()) throw ProtocolError("bad reply to listScanners: not a list");
  std::vector<DeviceRecord> devices;
  devices.reserve(result.size());
  for (const Json& device : result) devices.push_back(DeviceRecord::fromJson(device));
  return devices;
}

void TorvendAdminStub::reInitialize() {
  client_.call(ops::kReInitialize);
}

void TorvendAdminStub::registerScannerProcessHandler(const std::string& handlerId, const Endpoint& handler) {
  client_.call(ops::kRegisterScannerProcessHandler, Json::array({handlerId, handler.toJson()}));
}

void TorvendAdminStub::resetScanner(const std::string& device) {
  client_.call(ops::kResetScanner, Json::array({device}));
}

void TorvendAdminStub::setCurrentSelectedScanner(const std::string& device) {
  client_.call(ops::kSetCurrentSelectedScanner, Json::array({device}));
}

void TorvendAdminStub::setDeviceUser(const std::string& userName, const std::string& deviceName) {
  client_.call(ops::kSetDeviceUser, Json::array({userName, deviceName}));
}

void TorvendAdminStub::shutdown() {
  client_.call(ops::kShutdown);
}

}  // namespace tev::rpc
