// DeviceInfo: the record of one scanner type, as the device-type file lists it. The terminal takes its screen
// size from it and the key list reader the name of the type's key list file.
#pragma once

#include <optional>
#include <string>

namespace tev {

class DeviceInfo {
 public:
  // A record without values: rows and columns -1, no name and no key map file.
  DeviceInfo() = default;
  DeviceInfo(std::optional<std::string> deviceTypeName, int displayRows, int displayColumns,
             std::optional<std::string> keyMapFileName);

  const std::optional<std::string>& getDeviceTypeName() const { return deviceTypeName; }
  void setDeviceTypeName(std::optional<std::string> name) { deviceTypeName = std::move(name); }
  int getDisplayRows() const { return displayRows; }
  void setDisplayRows(int rows) { displayRows = rows; }
  int getDisplayColumns() const { return displayColumns; }
  void setDisplayColumns(int columns) { displayColumns = columns; }
  const std::optional<std::string>& getKeyMapFileName() const { return keyMapFileName; }
  void setKeyMapFileName(std::optional<std::string> name) { keyMapFileName = std::move(name); }

  // Name, rows, columns and key map file separated by single blanks ("Generic 16 20 key_list.xml"); an
  // absent text reads "null".
  std::string toString() const;

  friend bool operator==(const DeviceInfo&, const DeviceInfo&) = default;

 private:
  std::optional<std::string> deviceTypeName;
  int displayRows = -1;
  int displayColumns = -1;
  std::optional<std::string> keyMapFileName;
};

}  // namespace tev
