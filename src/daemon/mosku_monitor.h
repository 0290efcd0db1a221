// MoskuMonitor: the resource monitor program. It is meant to watch the ERP bridge by sending test
// transactions at intervals and notifying by e-mail; what exists of it is the loading of its settings
// (MonitorSettingsLoader), its log lines and the reply side of its monitor thread (ResourceMonitorThread).
// Started with the path of its settings file, it loads them and ends.
#pragma once

#include <atomic>
#include <exception>
#include <string>
#include <vector>

namespace tev {

class MoskuMonitor {
 public:
  // Exit statuses.
  static constexpr int kLoadedStatus = 0;
  static constexpr int kFailureStatus = 1;
  static constexpr int kUsageStatus = 2;

  // The time format of the log lines, "MM-dd-yyyy hh:mm:ss: " (12-hour clock).
  static constexpr const char* kDateFormat = "%m-%d-%Y %I:%M:%S: ";

  // The log detail (debug_level of the settings once loaded; 0 before).
  static std::atomic<int> debugLevel;

  // args[0]: the settings file. Loads it; a failure prints its description on the console's error output.
  // Without an argument it prints the usage line.
  static int main(const std::vector<std::string>& args);

  // Writes the current time in kDateFormat followed by the message as one line on the standard error and
  // flushes it; the second form then writes the exception's description.
  static void log(const std::string& message);
  static void log(const std::string& message, const std::exception& e);

  // The current time in kDateFormat.
  static std::string timePrefix();
};

}  // namespace tev
