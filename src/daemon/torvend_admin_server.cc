#include "daemon/torvend_admin_server.h"

#include <iostream>

namespace tev {

namespace {

AdminRequest named(std::string name) {
  AdminRequest request;
  request.name = std::move(name);
  return request;
}

AdminRequest withText(std::string name, std::string text) {
  AdminRequest request = named(std::move(name));
  request.text = std::move(text);
  return request;
}

}  // namespace

AdminReply TorvendAdminServer::request(AdminRequest request) {
  AdminReply reply = torvendNotifier_.sendRequest(std::move(request));
  if (reply.error) throw Error(*reply.error);
  return reply;
}

void TorvendAdminServer::broadcastMessage(const std::vector<std::string>& devices,
                                          const std::string& message) {
  AdminRequest broadcast = named("broadcast_message");
  broadcast.deviceList = devices;
  broadcast.message = message;
  request(std::move(broadcast));
}

std::vector<rpc::DeviceRecord> TorvendAdminServer::listScanners() {
  std::vector<rpc::DeviceRecord> records;
  for (DeviceSnapshot& device : request(named("list_scanners")).devices) {
    rpc::DeviceRecord record;
    record.name = std::move(device.name);
    record.ipAddress = std::move(device.ipAddress);
    record.type = std::move(device.type);
    record.environment = device.environment.value_or("");
    record.userName = std::move(device.userName);
    record.lastInputInterval = device.lastInputInterval;
    record.connected = device.connected;
    records.push_back(std::move(record));
  }
  return records;
}

void TorvendAdminServer::reInitialize() {
  request(named("reinitialize"));
}

void TorvendAdminServer::registerScannerProcessHandler(const std::string& handlerId,
                                                       const rpc::Endpoint& handler) {
  RegistrationObserver observer;
  {
    std::lock_guard lock(handlersMutex_);
    scannerProcessHandlerHash_.insert_or_assign(handlerId, handler);
    observer = observer_;
  }
  systemLog_.log(2, "Registered the scanner process handler " + handlerId + " at " + handler.toString());
  if (observer) observer(handlerId, handler);
}

void TorvendAdminServer::resetScanner(const std::string& device) {
  request(withText("reset_scanner", device));
}

void TorvendAdminServer::setCurrentSelectedScanner(const std::string& device) {
  request(withText("select_scanner", device));
}

void TorvendAdminServer::setDeviceUser(const std::string& userName, const std::string& deviceName) {
  AdminRequest setUser = named("set_user");
  setUser.userName = userName;
  setUser.deviceName = deviceName;
  request(std::move(setUser));
}

void TorvendAdminServer::shutdown() {
  std::cout << "Inside shutdown in TorvendAdminServer" << std::endl;
  request(named("shutdown"));
}

void TorvendAdminServer::setRegistrationObserver(RegistrationObserver observer) {
  std::lock_guard lock(handlersMutex_);
  observer_ = std::move(observer);
}

std::map<std::string, rpc::Endpoint> TorvendAdminServer::scannerProcessHandlers() const {
  std::lock_guard lock(handlersMutex_);
  return scannerProcessHandlerHash_;
}

std::optional<rpc::Endpoint> TorvendAdminServer::scannerProcessHandler(const std::string& handlerId) const {
  std::lock_guard lock(handlersMutex_);
  auto found = scannerProcessHandlerHash_.find(handlerId);
  if (found == scannerProcessHandlerHash_.end()) return std::nullopt;
  return found->second;
}

}  // namespace tev
