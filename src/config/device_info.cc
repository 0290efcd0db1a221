#include "config/device_info.h"

#include "common/java_text.h"

namespace tev {

DeviceInfo::DeviceInfo(std::optional<std::string> deviceTypeName, int displayRows, int displayColumns,
                       std::optional<std::string> keyMapFileName)
    : deviceTypeName(std::move(deviceTypeName)),
      displayRows(displayRows),
      displayColumns(displayColumns),
      keyMapFileName(std::move(keyMapFileName)) {}

std::string DeviceInfo::toString() const {
  return nullText(deviceTypeName) + " " + std::to_string(displayRows) + " " + std::to_string(displayColumns) +
         " " + nullText(keyMapFileName);
}

}  // namespace tev
