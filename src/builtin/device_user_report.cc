#include "builtin/device_user_report.h"

#include <chrono>
#include <exception>

#include "config/vav_settings.h"
#include "rpc/torvend_admin_stub.h"
#include "session/vav_interface.h"

namespace tev::builtin {
namespace {

constexpr int kDefaultRegistryPort = 1099;

// A daemon that does not answer must not hold the operator up for long.
rpc::CallOptions callOptions() {
  rpc::CallOptions options;
  options.connectTimeout = std::chrono::milliseconds(3'000);
  options.replyTimeout = std::chrono::milliseconds(5'000);
  return options;
}

}  // namespace

int rmiRegistryPort(const log::Logger& logger) {
  try {
    if (VAVInterface::vavSettings == nullptr) throw Error("No settings loaded");
    int port = VAVInterface::vavSettings->loadIntSetting({"torvend", "rmi_registry_port"});
    return port > 0 ? port : kDefaultRegistryPort;
  } catch (const std::exception& failure) {
    logger->error("Failed to load the RMI Registry Port");
    logger->error("{}", failure.what());
    return kDefaultRegistryPort;
  }
}

void reportDeviceUser(const std::string& userName, const log::Logger& logger) {
  int port = rmiRegistryPort(logger);
  try {
    auto admin = rpc::TorvendAdminStub::lookup(port, callOptions());
    admin->setDeviceUser(userName, VAVInterface::deviceId);
  } catch (const std::exception& failure) {
    logger->error("Failed to register with torvend");
    logger->error("{}", failure.what());
  }
}

}  // namespace tev::builtin
