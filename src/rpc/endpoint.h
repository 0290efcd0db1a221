// Where a remote object is served: a host (always the loopback address for objects we serve) and a TCP
// port. An endpoint is what the naming registry maps names to, and it is also the remote reference one
// process hands to another in a call argument (a handler process passes its own endpoint to the daemon,
// which later calls back there).
#pragma once

#include <optional>
#include <string>

#include "rpc/frame.h"

namespace tev::rpc {

inline constexpr const char* kLoopbackHost = "127.0.0.1";

struct Endpoint {
  std::string host = kLoopbackHost;
  int port = 0;

  // {"host": host, "port": port}
  Json toJson() const;
  // The endpoint of toJson's form. Throws ProtocolError when the value is not of that form or the port
  // lies outside 1..65535.
  static Endpoint fromJson(const Json& value);
  // "<host> port <port>", for messages.
  std::string toString() const;

  bool operator==(const Endpoint&) const = default;
};

// The naming registry's port when the configuration gives none that fits.
inline constexpr int kDefaultRegistryPort = 1099;

// The registry port for a configured value: the value when above 0, else kDefaultRegistryPort (so -1,
// the "unset" value, gives 1099).
int registryPort(int configured);
// The same for a setting's text: missing or not a whole number gives kDefaultRegistryPort.
int registryPort(const std::optional<std::string>& settingText);

}  // namespace tev::rpc
