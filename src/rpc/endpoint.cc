#include "rpc/endpoint.h"

#include "common/error.h"
#include "common/java_number.h"
#include "rpc/rpc_error.h"

namespace tev::rpc {

Json Endpoint::toJson() const {
  return Json{{"host", host}, {"port", port}};
}

Endpoint Endpoint::fromJson(const Json& value) {
  if (!value.is_object()) throw ProtocolError("bad remote reference: not a JSON object");
  auto host = value.find("host");
  auto port = value.find("port");
  if (host == value.end() || !host->is_string() || host->get_ref<const std::string&>().empty()) {
    throw ProtocolError("bad remote reference: \"host\" must be a non-empty text");
  }
  if (port == value.end() || !port->is_number_integer()) {
    throw ProtocolError("bad remote reference: \"port\" must be a whole number");
  }
  const auto number = port->get<long long>();
  if (number < 1 || number > 65535) {
    throw ProtocolError("bad remote reference: port " + std::to_string(number) + " outside 1..65535");
  }
  return Endpoint{host->get<std::string>(), static_cast<int>(number)};
}

std::string Endpoint::toString() const {
  return host + " port " + std::to_string(port);
}

int registryPort(int configured) {
  return configured > 0 ? configured : kDefaultRegistryPort;
}

int registryPort(const std::optional<std::string>& settingText) {
  if (!settingText) return kDefaultRegistryPort;
  try {
    return registryPort(parseInt(*settingText));
  } catch (const NumberFormatError&) {
    return kDefaultRegistryPort;
  }
}

}  // namespace tev::rpc
