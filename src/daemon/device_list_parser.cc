#include "daemon/device_list_parser.h"

namespace tev {

bool DeviceListParser::initialize(const std::string& path) {
  loaded_ = bean_.loadXMLDocument(path) != nullptr;
  return loaded_;
}

std::optional<std::vector<std::string>> DeviceListParser::getDeviceIds() {
  if (!loaded_) return std::nullopt;
  return bean_.getNodeValues("/device_list/device/@id");
}

std::optional<std::string> DeviceListParser::child(const std::string& id, const char* element) {
  if (!loaded_) return std::nullopt;
  return bean_.getNodeValueByParsedExpr(std::string("/device_list/device[@id='%s']/") + element, {id});
}

std::optional<std::string> DeviceListParser::getDeviceIpAddr(const std::string& id) {
  return child(id, "ip");
}

std::optional<std::string> DeviceListParser::getDeviceEnvironment(const std::string& id) {
  return child(id, "environment");
}

std::optional<std::string> DeviceListParser::getDeviceType(const std::string& id) {
  return child(id, "device_type");
}

}  // namespace tev
