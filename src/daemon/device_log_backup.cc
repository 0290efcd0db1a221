#include "daemon/device_log_backup.h"

#include <filesystem>
#include <iostream>
#include <regex>

#include "common/clock.h"
#include "common/dated_backup.h"
#include "common/error.h"
#include "common/java_text.h"

namespace tev {

namespace fs = std::filesystem;

namespace {

// What may follow a device name in one of its log files.
bool isLogSuffix(const std::string& rest) {
  static const std::regex suffix(R"(\.log|_.*\.log|(0|[1-9][0-9]*)(\.[0-9]+)?\.log)");
  return std::regex_match(rest, suffix);
}

bool claims(const std::string& fileName, const std::string& deviceName) {
  return fileName.size() > deviceName.size() && fileName.compare(0, deviceName.size(), deviceName) == 0 &&
         isLogSuffix(fileName.substr(deviceName.size()));
}

}  // namespace

bool isDeviceLogFile(const std::string& fileName, const std::string& deviceName,
                     const std::vector<std::string>& knownDeviceNames) {
  if (!claims(fileName, deviceName)) return false;
  for (const std::string& other : knownDeviceNames) {
    if (other.size() > deviceName.size() && claims(fileName, other)) return false;
  }
  return true;
}

std::string backupFileName(const std::string& fileName, std::chrono::system_clock::time_point time) {
  std::string stamp = "-" + backupTimestamp(time);
  size_t dot = fileName.rfind('.');
  if (dot == std::string::npos) return fileName + stamp;
  return fileName.substr(0, dot) + stamp + fileName.substr(dot);
}

std::vector<MovedLogFile> backupDeviceLogFiles(const std::string& backupDirectory,
                                               const std::string& logDirectory, const std::string& deviceName,
                                               const std::vector<std::string>& knownDeviceNames) {
  std::vector<std::string> names;
  try {
    for (const auto& entry : fs::directory_iterator(logDirectory)) {
      std::string name = entry.path().filename().string();
      if (entry.is_regular_file() && isDeviceLogFile(name, deviceName, knownDeviceNames))
        names.push_back(name);
    }
  } catch (const fs::filesystem_error& e) {
    throw Error(std::string("Cannot list the log directory: ") + e.what());
  }
  std::vector<MovedLogFile> moves;
  if (names.empty()) return moves;
  std::error_code ignored;
  fs::create_directories(backupDirectory, ignored);
  auto now = Clock::current().now();
  for (const std::string& name : names) {
    MovedLogFile move;
    move.from = logDirectory + "/" + name;
    move.to = backupDirectory + "/" + backupFileName(name, now);
    if (std::optional<std::string> movedTo = moveKeepingBoth(move.from, move.to, &move.error)) {
      move.to = *movedTo;
      move.moved = true;
    }
    moves.push_back(std::move(move));
  }
  return moves;
}

std::string deviceLogDirectory(const TorvendData& data) {
  std::string directory = nullText(data.getConfigDirPath(VAVSettings::COMMON, "log"));
  if (directory == "log") directory = data.DC + "/log";
  return directory;
}

void backupExistingDeviceLogFiles(SystemLog& log, const LogSubject& subject, const TorvendData& data,
                                  const std::string& deviceName) {
  auto keep = data.getConfigParamValue({"backup_log_files", "keep_log_files"});
  if (!keep) throw InvalidSettingException("backup_log_files->keep_log_files setting not available");
  if (*keep != "yes") return;
  auto backupDirectory = data.getConfigParamValue({"backup_log_files", "backup_dir"});
  if (!backupDirectory) throw InvalidSettingException("backup_log_files->backup_dir setting not available");
  try {
    log.log(subject, 1, "Backing up the existing Logs");
    std::string logDirectory = deviceLogDirectory(data);
    log.log(subject, 1, "Log File Path : " + logDirectory);
    for (const MovedLogFile& move :
         backupDeviceLogFiles(*backupDirectory, logDirectory, deviceName, data.devices.names())) {
      if (move.moved) {
        std::cerr << "Moved " << move.from << " to " << move.to << std::endl;
      } else {
        std::cerr << "Failed to move " << move.from << " to " << move.to << ": " << move.error << std::endl;
      }
    }
    log.log(subject, 1, "Backup of Device :" + deviceName + " completed");
  } catch (const std::exception& e) {
    log.log(subject, 1, std::string("Error in backupExisting Device Log : ") + e.what());
  }
}

}  // namespace tev
