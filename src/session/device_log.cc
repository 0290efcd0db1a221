#include "session/device_log.h"

#include <fcntl.h>
#include <spdlog/sinks/stdout_sinks.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "common/dated_backup.h"
#include "common/error.h"
#include "common/exit_hook.h"
#include "common/fd.h"
#include "common/java_text.h"

namespace tev {
namespace {

// The same file under two spellings ("/x/log" and "/x/./log/", or a link).
bool sameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error) && !error;
}

bool isDirectory(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

bool exists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

}  // namespace

void DeviceLog::openFirst(const std::string& dc, const std::string& deviceId) {
  dc_ = dc;
  deviceId_ = deviceId;
  openOnStream(dc + "/log/" + deviceId + ".log");
}

LogPlacement DeviceLog::place(VAVSettings& settings, Clock::time_point start) {
  if (path_.empty()) throw Error("the device log is placed after it has been opened");
  std::optional<std::string> setting = settings.getConfigDirPath(VAVSettings::COMMON, "log");

  LogPlacement placement;
  if (setting && *setting == "log") {
    placement.directory = dc_ + "/log";
  } else if (setting && isDirectory(*setting)) {
    placement.directory = *setting;
  } else {
    writeLine(INVALID_LOG_SETTING);
    exitProcess(0);
  }
  placement.path = placement.directory + "/" + deviceId_ + ".log";
  placement.datedName = deviceId_ + "-" + backupTimestamp(start) + ".log";

  if (equalsIgnoreCase(placement.path, path_) || sameFile(placement.path, path_)) {
    placement.path = path_;
    return placement;
  }
  if (exists(placement.path)) {
    // The outcome of the move does not matter: the previous log is then emptied with the new one.
    if (auto moved = moveKeepingBoth(placement.path, placement.directory + "/" + placement.datedName)) {
      placement.datedLog = *moved;
      placement.datedName = std::filesystem::path(*moved).filename().string();
    }
  }
  openOnStream(placement.path);
  return placement;
}

void DeviceLog::openOnStream(const std::string& path) {
  Fd file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (!file) detail::throwSystemError("cannot open the device log " + path, errno);
  // dup2 closes the stream's previous file; the stream itself is left inheritable on purpose.
  int result;
  do {
    result = ::dup2(file.get(), streamFd_);
  } while (result < 0 && errno == EINTR);
  if (result < 0) detail::throwSystemError("cannot make " + path + " the log stream", errno);
  path_ = path;
}

void DeviceLog::writeLine(std::string_view text) const {
  try {
    writeAll(streamFd_, std::string(text) + "\n");
  } catch (const Error&) {
    // Nowhere left to report it.
  }
}

log::Logger DeviceLog::attachLoggersToStandardError() {
  auto sink = std::make_shared<spdlog::sinks::stderr_sink_mt>();
  sink->set_pattern(log::kDefaultPattern);
  log::setSinks({sink});
  return log::get(LOGGER_NAME);
}

}  // namespace tev
