#include "config/device_type_info_parser.h"

#include <vector>

#include "common/error.h"
#include "common/java_number.h"
#include "common/java_text.h"

namespace tev {
namespace {

constexpr const char* kLoggerName = "tev.framework.parser.Logger";

// The first text (or CDATA) child of an element, "" when it has none.
std::string firstText(const XmlNode& element) {
  for (const XmlNode& child : element.children())
    if (child.isText()) return child.value().value_or("");
  return "";
}

int wholeNumber(const XmlNode& element) {
  std::string text = trim(firstText(element));
  try {
    return parseInt(text);
  } catch (const NumberFormatError& e) {
    throw Error("Invalid " + element.name() + " of a device: " + e.getMessage());
  }
}

// Every element of that name at or below the node, in document order.
void collectElements(const XmlNode& node, const std::string& name, std::vector<XmlNode>& found) {
  if (node.isElement() && node.name() == name) found.push_back(node);
  for (const XmlNode& child : node.elementChildren()) collectElements(child, name, found);
}

}  // namespace

DeviceTypeInfoParser::DeviceTypeInfoParser() : logger(log::get(kLoggerName)) {}

DeviceTypeInfoParser::DeviceTypeInfoParser(const std::string& path) : DeviceTypeInfoParser() {
  load(path);
}

DeviceTypeInfoParser::~DeviceTypeInfoParser() = default;

std::optional<DeviceInfo> DeviceTypeInfoParser::getDeviceInfo(const std::string& typeName) const {
  auto found = deviceHash.find(typeName);
  if (found == deviceHash.end()) return std::nullopt;
  return found->second;
}

DeviceTypeInfoParser::DeviceTable DeviceTypeInfoParser::getDeviceTypeInfo() {
  return buildTable(doc.get());
}

void DeviceTypeInfoParser::initialize(const std::string& path) {
  load(path);
}

std::optional<DeviceInfo> DeviceTypeInfoParser::getDevice(const std::optional<XmlNode>& element) {
  if (!element || !element->isElement()) return std::nullopt;
  DeviceInfo info;
  for (const XmlNode& child : element->elementChildren()) {
    const std::string name = child.name();
    if (name == "device_type") {
      info.setDeviceTypeName(trim(firstText(child)));
    } else if (name == "rows") {
      info.setDisplayRows(wholeNumber(child));
    } else if (name == "columns") {
      info.setDisplayColumns(wholeNumber(child));
    } else if (name == "keyMapFile") {
      info.setKeyMapFileName(trim(firstText(child)));
    }
  }
  return info;
}

DeviceTypeInfoParser::DeviceTable DeviceTypeInfoParser::buildTable(xmlDocPtr document) {
  DeviceTable table;
  if (document == nullptr) return table;
  std::vector<XmlNode> devices;
  if (std::optional<XmlNode> root = XmlNode::from(xmlDocGetRootElement(document)))
    collectElements(*root, nodeName, devices);
  for (const XmlNode& device : devices) {
    std::optional<DeviceInfo> info = getDevice(device);
    if (!info) continue;
    if (!info->getDeviceTypeName()) throw Error("A device element has no device_type");
    table.insert_or_assign(*info->getDeviceTypeName(), *info);
  }
  return table;
}

void DeviceTypeInfoParser::load(const std::string& path) {
  std::string cause;
  XmlDocPtr parsed = parseXmlFile(path, cause);
  if (parsed == nullptr) throw Error("Failed to read the device types " + path + ": " + cause);
  DeviceTable table;
  try {
    table = buildTable(parsed.get());
  } catch (const Error& e) {
    throw Error("Failed to read the device types " + path + ": " + e.getMessage());
  }
  doc = std::move(parsed);
  deviceHash = std::move(table);

  std::string text = "{";
  for (const auto& [name, info] : deviceHash) {
    if (text.size() > 1) text += ", ";
    text += name + "=" + info.toString();
  }
  logger->info("{}", text + "}");
}

}  // namespace tev
