// Backup of a device's old log files, done just before a new scanner process starts for the device.
//
// With keep_log_files ("backup_log_files" section) "yes", every file of the log directory that belongs to the
// device is moved into backup_dir under its name with the local time inserted before its last ".":
// dev7_debug.log becomes dev7_debug-12082026-063038.log ("-MMddyyyy-hhmmss", 12-hour clock). A name that
// exists in the backup directory is never overwritten: "-1", "-2", ... is added after the time.
//
// A file belongs to device d when its name is d followed by ".log", by "_" and anything ending in ".log"
// (d_debug.log), or by the generation part of a scanner-process log ("<unique>.<generation>.log"), and no
// other known device with a longer name claims it the same way: dev1 never takes dev10_debug.log.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "daemon/system_log.h"
#include "daemon/torvend_data.h"

namespace tev {

// Whether fileName is one of deviceName's log files, other devices' names considered.
bool isDeviceLogFile(const std::string& fileName, const std::string& deviceName,
                     const std::vector<std::string>& knownDeviceNames);

// The backup name of a file for the given time.
std::string backupFileName(const std::string& fileName, std::chrono::system_clock::time_point time);

struct MovedLogFile {
  std::string from;
  std::string to;
  bool moved = false;
  std::string error;  // why a move failed
};

// Moves the device's files from logDirectory into backupDirectory (created when missing); returns every
// attempted move. Throws tev::Error when the log directory cannot be listed.
std::vector<MovedLogFile> backupDeviceLogFiles(const std::string& backupDirectory,
                                               const std::string& logDirectory, const std::string& deviceName,
                                               const std::vector<std::string>& knownDeviceNames);

// The log directory of scanner processes: directory "log" of "common", or DC + "/log" when it is exactly
// "log".
std::string deviceLogDirectory(const TorvendData& data);

// The whole backup step of a connection set-up, settings included. Throws InvalidSettingException when
// keep_log_files, or backup_dir while keep_log_files is "yes", is missing (the set-up then fails); any other
// error is logged and the set-up goes on.
void backupExistingDeviceLogFiles(SystemLog& log, const LogSubject& subject, const TorvendData& data,
                                  const std::string& deviceName);

}  // namespace tev
