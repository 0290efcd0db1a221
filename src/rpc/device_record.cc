#include "rpc/device_record.h"

#include "rpc/rpc_error.h"

namespace tev::rpc {

namespace {

const Json& member(const Json& value, const char* key) {
  auto found = value.find(key);
  if (found == value.end()) throw ProtocolError(std::string("bad device record: no \"") + key + "\"");
  return *found;
}

std::string text(const Json& value, const char* key) {
  const Json& item = member(value, key);
  if (!item.is_string()) throw ProtocolError(std::string("bad device record: \"") + key + "\" is not a text");
  return item.get<std::string>();
}

}  // namespace

Json DeviceRecord::toJson() const {
  return Json{{"name", name},
              {"ipAddress", ipAddress},
              {"type", type},
              {"environment", environment},
              {"userName", userName ? Json(*userName) : Json()},
              {"lastInputInterval", lastInputInterval},
              {"connected", connected}};
}

DeviceRecord DeviceRecord::fromJson(const Json& value) {
  if (!value.is_object()) throw ProtocolError("bad device record: not a JSON object");
  DeviceRecord record;
  record.name = text(value, "name");
  record.ipAddress = text(value, "ipAddress");
  record.type = text(value, "type");
  record.environment = text(value, "environment");
  if (!member(value, "userName").is_null()) record.userName = text(value, "userName");
  const Json& interval = member(value, "lastInputInterval");
  if (!interval.is_number_integer()) {
    throw ProtocolError("bad device record: \"lastInputInterval\" is not a whole number");
  }
  record.lastInputInterval = interval.get<long long>();
  const Json& connected = member(value, "connected");
  if (!connected.is_boolean()) throw ProtocolError("bad device record: \"connected\" is not true or false");
  record.connected = connected.get<bool>();
  return record;
}

}  // namespace tev::rpc
