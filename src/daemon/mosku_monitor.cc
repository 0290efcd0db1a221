#include "daemon/mosku_monitor.h"

#include <unistd.h>

#include <ctime>
#include <iostream>

#include "common/clock.h"
#include "common/error.h"
#include "common/fd.h"
#include "daemon/monitor_settings_loader.h"
#include "daemon/syntax_line.h"
#include "daemon/system_log.h"

namespace tev {

std::atomic<int> MoskuMonitor::debugLevel{0};

std::string MoskuMonitor::timePrefix() {
  std::time_t seconds = std::chrono::system_clock::to_time_t(Clock::current().now());
  std::tm local{};
  ::localtime_r(&seconds, &local);
  char text[40];
  std::strftime(text, sizeof text, kDateFormat, &local);
  return text;
}

void MoskuMonitor::log(const std::string& message) {
  try {
    writeAll(STDERR_FILENO, timePrefix() + message + "\n");
  } catch (const Error&) {
    // Nowhere left to say it.
  }
}

void MoskuMonitor::log(const std::string& message, const std::exception& e) {
  try {
    writeAll(STDERR_FILENO, timePrefix() + message + "\n" + SystemLogImpl::describe(e) + "\n");
  } catch (const Error&) {
    // Nowhere left to say it.
  }
}

int MoskuMonitor::main(const std::vector<std::string>& args) {
  if (args.empty()) {
    std::cerr << syntaxLine(" MoskuMonitor monitor_settings_xml_file") << std::endl;
    return kUsageStatus;
  }
  try {
    MonitorSettingsType settings = MonitorSettingsLoader::getMonitorSettings(args[0]);
    debugLevel = settings.getDebugLevel().value_or(0);
  } catch (const std::exception& e) {
    std::cerr << SystemLogImpl::describe(e) << std::endl;
    return kFailureStatus;
  }
  // The monitoring itself (test transactions to the bridge, notifications) is not part of this program.
  return kLoadedStatus;
}

}  // namespace tev
