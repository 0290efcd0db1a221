// One device as the administration service's listScanners hands it to another process: the plain values
// of the daemon's device, without its connections, streams and process.
#pragma once

#include <optional>
#include <string>

#include "rpc/frame.h"

namespace tev::rpc {

struct DeviceRecord {
  std::string name;
  std::string ipAddress;
  std::string type;
  std::string environment;
  // The logged-in user; none while nobody is logged in.
  std::optional<std::string> userName;
  // Milliseconds without scanner input.
  long long lastInputInterval = 0;
  bool connected = false;

  // {"name", "ipAddress", "type", "environment": text; "userName": text or null;
  //  "lastInputInterval": whole number; "connected": true/false}
  Json toJson() const;
  // Throws ProtocolError when a member is missing or of the wrong type.
  static DeviceRecord fromJson(const Json& value);

  bool operator==(const DeviceRecord&) const = default;
};

}  // namespace tev::rpc
