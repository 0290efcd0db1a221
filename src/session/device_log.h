// DeviceLog: the log file of a scanner process. The process's standard error stream is the device log, and
// the process logger ("tev.framework.application.Logger", like every named logger) writes its records there,
// so the log holds both. Start-up opens the log in two steps:
//
//   1. openFirst: before the settings are read, <DC>/log/<deviceId>.log, emptied, becomes the stream;
//   2. place: the config directory "log" of environment "common" decides the final place: the text "log"
//      means <DC>/log (the first file stays the log), any other text names an existing directory; a previous
//      <deviceId>.log there is kept as the dated log <deviceId>-MMddyyyy-hhmmss.log (never over another file:
//      see dated_backup.h), and a new, empty <deviceId>.log there becomes the stream.
//
// The stream is a file descriptor, standard error (2) in the process; tests give another one. Every
// descriptor opened here is close-on-exec but the stream itself, which children may inherit as their standard
// error.
#pragma once

#include <unistd.h>

#include <optional>
#include <string>
#include <string_view>

#include "common/clock.h"
#include "common/log.h"
#include "config/vav_settings.h"

namespace tev {

// Where the log ended up.
struct LogPlacement {
  // The log directory: <DC>/log for the setting "log", else the configured directory.
  std::string directory;
  // The device log: directory + "/" + deviceId + ".log".
  std::string path;
  // The name a previous log gets: <deviceId>-MMddyyyy-hhmmss.log, or with the counter it was moved under.
  std::string datedName;
  // The full path of the dated log when one was made.
  std::optional<std::string> datedLog;
};

class DeviceLog {
 public:
  static inline const std::string LOGGER_NAME = "tev.framework.application.Logger";
  static inline const std::string INVALID_LOG_SETTING =
      "Log File Setting is vav_settings.xml file is not valid, System is exiting !!!!";

  explicit DeviceLog(int streamFd = STDERR_FILENO) : streamFd_(streamFd) {}

  // Opens <dc>/log/<deviceId>.log (created or emptied) and makes it the stream. Throws tev::Error naming the
  // file and the cause (a missing <dc>/log, for one); the stream is then unchanged.
  void openFirst(const std::string& dc, const std::string& deviceId);

  // Places the log as the settings say (step 2 above); start is the start of the process (the dated log's
  // name). A setting "log" that is missing, or that names no existing directory, writes INVALID_LOG_SETTING
  // on the stream and ends the process with status 0 (tev::exitProcess). The two paths are the same log when
  // they are equal ignoring case, or name the same file. Requires openFirst. Throws tev::Error when the final
  // log cannot be opened (the first one then stays the stream).
  LogPlacement place(VAVSettings& settings, Clock::time_point start);
  // The same at the time of the process clock (Clock::current()).
  LogPlacement place(VAVSettings& settings) { return place(settings, Clock::current().now()); }

  // Writes the text and a line end on the stream, directly (not through a logger). Failures are ignored.
  void writeLine(std::string_view text) const;

  // The path of the current log ("" before openFirst).
  const std::string& path() const { return path_; }
  int streamFd() const { return streamFd_; }

  // Points every named logger at the process's standard error stream (the one place that does so) with the
  // default line layout, and returns the process logger.
  static log::Logger attachLoggersToStandardError();

 private:
  // Opens path emptied and puts it on the stream. Throws tev::Error.
  void openOnStream(const std::string& path);

  int streamFd_;
  std::string dc_;
  std::string deviceId_;
  std::string path_;
};

}  // namespace tev
