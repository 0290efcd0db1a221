// DeviceTypeInfoParser: reads the device-type file (device_type_info.xml) and keeps one DeviceInfo per type
// name. Every element named "device", wherever it stands, describes one type through its child elements
// device_type, rows, columns and keyMapFile (only element names and their first text are read).
#pragma once

#include <map>
#include <optional>
#include <string>

#include "common/log.h"
#include "config/device_info.h"
#include "xml/xml_document.h"
#include "xml/xml_node.h"

namespace tev {

class DeviceTypeInfoParser {
 public:
  using DeviceTable = std::map<std::string, DeviceInfo>;

  // An empty reader: it knows no type until initialize reads a file.
  DeviceTypeInfoParser();
  // Reads the file at once (as initialize); throws as initialize does.
  explicit DeviceTypeInfoParser(const std::string& path);
  virtual ~DeviceTypeInfoParser();

  DeviceTypeInfoParser(const DeviceTypeInfoParser&) = delete;
  DeviceTypeInfoParser& operator=(const DeviceTypeInfoParser&) = delete;

  // The record of that type name (compared exactly, case included), or nothing.
  virtual std::optional<DeviceInfo> getDeviceInfo(const std::string& typeName) const;
  // The table built from the parsed document (empty before a successful read). A later device element with
  // the same type name replaces an earlier one. Throws tev::Error for a malformed record.
  virtual DeviceTable getDeviceTypeInfo();
  // Parses the file and builds the table, which is written to the log. A file that cannot be read or parsed,
  // a rows or columns text that is no whole number, or a device without device_type throws tev::Error; the
  // reader then keeps what it had.
  virtual void initialize(const std::string& path);
  // The record of one device element; nothing when there is no element. Throws tev::Error as above.
  virtual std::optional<DeviceInfo> getDevice(const std::optional<XmlNode>& element);

 private:
  DeviceTable buildTable(xmlDocPtr document);
  void load(const std::string& path);

  log::Logger logger;
  XmlDocPtr doc;
  std::string nodeName = "device";
  DeviceTable deviceHash;
};

}  // namespace tev
