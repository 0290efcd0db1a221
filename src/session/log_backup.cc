#include "session/log_backup.h"

#include <unistd.h>

#include <filesystem>

#include "common/dated_backup.h"
#include "common/java_text.h"
#include "common/log.h"

namespace tev {
namespace {

bool isDirectory(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

}  // namespace

bool LogBackupSettings::backsUp() const {
  return keepLogFiles && (equalsIgnoreCase(*keepLogFiles, "yes") || equalsIgnoreCase(*keepLogFiles, "true"));
}

LogBackupSettings LogBackupSettings::read(VAVSettings& settings) {
  LogBackupSettings backup;
  backup.keepLogFiles =
      settings.getConfigParamValue(VAVSettings::COMMON, {"backup_log_files", "keep_log_files"});
  backup.backupDir = settings.getConfigParamValue(VAVSettings::COMMON, {"backup_log_files", "backup_dir"});
  return backup;
}

LogBackupSettings keepOrRemoveDatedLog(VAVSettings& settings, const LogPlacement& placement) {
  LogBackupSettings backup = LogBackupSettings::read(settings);
  keepOrRemoveDatedLog(backup, placement);
  return backup;
}

void keepOrRemoveDatedLog(const LogBackupSettings& backup, const LogPlacement& placement) {
  if (!backup.keepLogFiles) return;
  log::Logger logger = log::get(DeviceLog::LOGGER_NAME);

  if (!backup.backsUp()) {
    if (placement.datedLog) ::unlink(placement.datedLog->c_str());
    logger->info("{}", "Deleted the old log file");
    return;
  }

  // Without a backup_dir there is nothing to create (an absent text must not become a directory "null").
  const std::string dir = nullText(backup.backupDir);
  const bool existed = backup.backupDir && isDirectory(dir);
  logger->info("{}", std::string("backupDirFile EXIST ") + (existed ? "true" : "false") + "  " + dir);
  if (backup.backupDir && !existed) {
    std::error_code error;
    std::filesystem::create_directories(dir, error);
  }
  if (!backup.backupDir || !isDirectory(dir)) {
    logger->info("{}", "UNABLE TO BACKUP THE EXISTING FILES AS BACK DIR DOESN'T EXIST " + dir);
    return;
  }
  std::string savedName = placement.datedName;
  if (placement.datedLog) {
    if (auto moved = moveKeepingBoth(*placement.datedLog, dir + "/" + placement.datedName))
      savedName = std::filesystem::path(*moved).filename().string();
  }
  logger->info("{}", "Saved the old log file as: " + dir + "/" + savedName);
}

}  // namespace tev
