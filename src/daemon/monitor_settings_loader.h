// MonitorSettingsLoader: reads a resource monitor settings file into its typed objects (monitor_settings.h).
// Elements the types do not know are passed over; a resource_monitor's id may be an attribute or a child
// element (the element wins when both are there).
#pragma once

#include <string>

#include "common/error.h"
#include "daemon/monitor_settings.h"

namespace tev {

// A settings file that cannot be read or does not fit the settings types; the message names the file and
// the element.
class MonitorSettingsError : public Error {
 public:
  using Error::Error;
};

class MonitorSettingsLoader {
 public:
  // Reads the file; one caller at a time in the whole process. Throws MonitorSettingsError when the file
  // is missing or not XML, its root is not monitor_settings, or a number or flag element holds something
  // else.
  static MonitorSettingsType getMonitorSettings(const std::string& path);
};

}  // namespace tev
