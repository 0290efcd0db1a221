// Tells the daemon's administration service who works on this scanner: the login reports the user after a
// successful check, the menu a single blank at logout. The service is looked up as "TorvendAdminServer" in
// the naming registry on this machine at the port of the setting torvend / rmi_registry_port (1099 when the
// setting is missing, not a number, or not above 0).
//
// The daemon may be down or slow: every failure is logged and swallowed, and the calls wait a few seconds at
// most, so a login or logout never stops on it.
#pragma once

#include <string>

#include "common/log.h"

namespace tev::builtin {

// The registry port from the service registry's settings (environment "common"); logs "Failed to load the
// RMI Registry Port" and gives 1099 when it cannot be read.
int rmiRegistryPort(const log::Logger& logger);

// setDeviceUser (userName, VAVInterface::deviceId) on the daemon; logs "Failed to register with torvend" on
// any failure. Never throws.
void reportDeviceUser(const std::string& userName, const log::Logger& logger);

}  // namespace tev::builtin
