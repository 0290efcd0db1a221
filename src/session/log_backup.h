// What becomes of the dated log a scanner process made while placing its device log (device_log.h), as the
// settings backup_log_files / keep_log_files and backup_dir of environment "common" say:
//   absent              the dated log stays in the log directory;
//   "yes" or "true"     (letter case ignored) it moves into backup_dir, which is created when missing;
//   any other value     it is deleted.
// The outcome of the move or deletion is not an error; every case writes its log line, also when no dated log
// was made. A dated log never replaces a file in backup_dir (a counter keeps both, see dated_backup.h).
#pragma once

#include <optional>
#include <string>

#include "config/vav_settings.h"
#include "session/device_log.h"

namespace tev {

struct LogBackupSettings {
  std::optional<std::string> keepLogFiles;  // backup_log_files / keep_log_files ("backupYesNo")
  std::optional<std::string> backupDir;     // backup_log_files / backup_dir

  // True for "yes" and "true" in any letter case.
  bool backsUp() const;

  static LogBackupSettings read(VAVSettings& settings);
};

// Reads the settings, keeps or removes placement's dated log, and returns the settings (the registry keeps
// them for the Perl program's output).
LogBackupSettings keepOrRemoveDatedLog(VAVSettings& settings, const LogPlacement& placement);
// The same with settings already read.
void keepOrRemoveDatedLog(const LogBackupSettings& backup, const LogPlacement& placement);

}  // namespace tev
