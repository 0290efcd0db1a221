// DeviceListParser: the reader of device_list.xml, the list of the scanners an installation serves.
//
//   <device_list>
//     <device
//     id="dev7"><ip>10.0.0.7</ip><environment>plant</environment><device_type>Generic</device_type></device>
//   </device_list>
//
// The device id is its name everywhere; ip, environment and device_type are read as element texts.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "xml/xml_query_bean.h"

namespace tev {

class DeviceListParser {
 public:
  DeviceListParser() = default;  // loads nothing
  explicit DeviceListParser(const std::string& path) { initialize(path); }

  // Loads the file; false when it cannot be loaded (logged by the XML layer).
  bool initialize(const std::string& path);

  // The ids in document order; none when no document is loaded or the query fails.
  std::optional<std::vector<std::string>> getDeviceIds();
  std::optional<std::string> getDeviceIpAddr(const std::string& id);
  std::optional<std::string> getDeviceEnvironment(const std::string& id);
  std::optional<std::string> getDeviceType(const std::string& id);

 private:
  std::optional<std::string> child(const std::string& id, const char* element);

  XMLQueryBean bean_;
  bool loaded_ = false;
};

}  // namespace tev
